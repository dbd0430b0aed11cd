// The flat 2D layer under the graphics wrappers: C-style functions named after the platform
// graphics library's flat interface, taking and returning what those do, over QImage/QPainter.
//
// Usage: start the layer once per process with `GdiplusStartup` (a second call is harmless),
// then make objects through the creators (`GdipCreateBitmapFromScan0`, `GdipCreateSolidFill`,
// ...). Every function returns a `Status`; 0 is success. Handles are ours: a handle that was never
// made, was already deleted, or names an object of another kind is refused with InvalidParameter
// and never dereferenced. The registry is thread-safe; one object is used by one thread at a time.
//
// How to add an object kind and a flat function:
//  1. The kind is already in `Kind` (add one there only if it is truly new). Declare its object as
//     `struct Pen : Object { static constexpr Kind kKind = Kind::Pen; ... };` in your own header.
//  2. A creator makes the object and registers it:
//       Status GdipCreatePen1(ARGB c, float w, int unit, Handle* pen) {
//         if (!pen) return InvalidParameter;
//         if (Status s = require_started()) return s;
//         *pen = add_object(std::make_shared<Pen>(...));
//         return Ok;
//       }
//  3. Every other function looks its handles up first and returns InvalidParameter on a miss:
//       auto p = find<Pen>(pen); if (!p) return InvalidParameter;
//     A deleter is `return remove_object(pen, Kind::Pen) ? Ok : InvalidParameter;`.
//  4. Operations with no counterpart here (device contexts, window handles, icons, resources,
//     metafile playback, colour management) keep their name and return NotImplemented.
//  5. The wrapper operation is then one line through a pattern of graphics/base.h.
// Images: `Image` below is the object every image handle names; a drawing surface opened on an
// image keeps a `std::shared_ptr<Image>` to it and paints into `pixels` with a QPainter per call.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lumetra::flat {

enum Status : int {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  Win32Error = 7,
  WrongState = 8,
  Aborted = 9,
  FileNotFound = 10,
  ValueOverflow = 11,
  AccessDenied = 12,
  UnknownImageFormat = 13,
  FontFamilyNotFound = 14,
  FontStyleNotFound = 15,
  NotTrueTypeFont = 16,
  UnsupportedGdiplusVersion = 17,
  GdiplusNotInitialized = 18,
  PropertyNotFound = 19,
  PropertyNotSupported = 20,
};

// A native object's name: pointer-sized, 0 for none, never reused within a process.
using Handle = std::uintptr_t;
using ARGB = std::uint32_t;

struct PointF {
  float x = 0, y = 0;
};
struct Point {
  std::int32_t x = 0, y = 0;
};
struct SizeF {
  float width = 0, height = 0;
};
struct RectF {
  float x = 0, y = 0, width = 0, height = 0;
};
struct Rect {
  std::int32_t x = 0, y = 0, width = 0, height = 0;
};

// The 16-byte identifier in the platform's layout (formats, encoders, effects, frame dimensions).
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0, data3 = 0;
  std::uint8_t data4[8] = {};
  friend bool operator==(const Guid&, const Guid&) = default;
};
static_assert(sizeof(Guid) == 16);

// ---- Objects and the handle registry ----

enum class Kind {
  Image,
  Brush,
  Effect,
  Graphics,
  Region,
  Pen,
  Path,
  Matrix,
  Font,
  FontFamily,
  StringFormat,
  ImageAttributes,
  CachedBitmap,
  Memory,  // a global memory block (GlobalAlloc)
  Stream,  // a stream on a memory block (CreateStreamOnHGlobal)
};

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  const Kind kind;
};

// Registers an object and returns its new handle. Thread-safe.
Handle add_object(std::shared_ptr<Object> object);
// The object of that handle when it exists and is of that kind; null otherwise. Thread-safe; the
// object stays alive while the caller holds the pointer, even if the handle is deleted meanwhile.
std::shared_ptr<Object> find_object(Handle handle, Kind kind);
template <class T>
std::shared_ptr<T> find(Handle handle) {
  return std::static_pointer_cast<T>(find_object(handle, T::kKind));
}
// Forgets the handle; false when it does not exist or is of another kind. Thread-safe.
bool remove_object(Handle handle, Kind kind);
// Number of live handles of a kind, for leak checks in tests.
std::size_t object_count(Kind kind);

// ---- Start-up ----

struct StartupInput {
  std::uint32_t version = 1;  // 1 to 3 are accepted
  void* debug_callback = nullptr;
  bool suppress_background_thread = false;
  bool suppress_external_codecs = false;
};

// Starts the layer; may be called any number of times, each call gives a token of its own.
// Fails with InvalidParameter for a null token or input, UnsupportedGdiplusVersion otherwise.
Status GdiplusStartup(std::uintptr_t* token, const StartupInput* input, void* output);
// Ends one start-up; objects stay valid, new ones are refused once every token has ended.
void GdiplusShutdown(std::uintptr_t token);
// Ok while the layer is started, GdiplusNotInitialized otherwise. Creators call it first.
Status require_started();

void* GdipAlloc(std::size_t size);
void GdipFree(void* block);

// ---- Global memory and streams on it ----

inline constexpr unsigned GMEM_MOVEABLE = 0x2;
inline constexpr unsigned GMEM_ZEROINIT = 0x40;
enum SeekOrigin : int { SeekSet = 0, SeekCur = 1, SeekEnd = 2 };

// A block of `size` bytes (zeroed with GMEM_ZEROINIT); 0 when it cannot be had.
Handle GlobalAlloc(unsigned flags, std::size_t size);
// 0 on success, the handle itself when it names no block (as the platform does).
Handle GlobalFree(Handle memory);
std::size_t GlobalSize(Handle memory);
// The block's address, valid until the matching unlock; null for a bad handle. A locked block
// does not grow: a stream write that would grow it fails.
void* GlobalLock(Handle memory);
bool GlobalUnlock(Handle memory);

// A stream (reference count 1) reading and writing the block from position 0; the block grows
// as the stream writes past its end. With `delete_on_release` the block is freed with the stream.
Status CreateStreamOnHGlobal(Handle memory, bool delete_on_release, Handle* stream);
Status GetHGlobalFromStream(Handle stream, Handle* memory);
Status StreamRead(Handle stream, void* out, std::size_t size, std::size_t* read);
Status StreamWrite(Handle stream, const void* data, std::size_t size, std::size_t* written);
Status StreamSeek(Handle stream, std::int64_t offset, int origin, std::uint64_t* position);
Status StreamSize(Handle stream, std::uint64_t* size);
Status StreamAddRef(Handle stream);
// Drops one reference; the last one ends the stream (and its block when asked for at creation).
Status StreamRelease(Handle stream);

// ---- Images ----

// Pixel format values of the platform, passed through unchanged.
inline constexpr int kPixelFormatIndexed = 0x10000;  // flag bits within the values
inline constexpr int kPixelFormatAlpha = 0x40000;
inline constexpr int PixelFormat1bppIndexed = 0x30101;
inline constexpr int PixelFormat4bppIndexed = 0x30402;
inline constexpr int PixelFormat8bppIndexed = 0x30803;
inline constexpr int PixelFormat16bppRGB555 = 0x21005;
inline constexpr int PixelFormat16bppRGB565 = 0x21006;
inline constexpr int PixelFormat16bppARGB1555 = 0x61007;
inline constexpr int PixelFormat24bppRGB = 0x21808;
inline constexpr int PixelFormat32bppRGB = 0x22009;
inline constexpr int PixelFormat32bppARGB = 0x26200A;
inline constexpr int PixelFormat32bppPARGB = 0xE200B;

inline constexpr int ImageTypeBitmap = 1;

// The raw format of an image made in memory rather than read from a file.
inline constexpr Guid kImageFormatMemoryBmp{
    0xB96B3CAA, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

struct PropertyItem {
  std::uint32_t id = 0;
  std::uint16_t type = 0;
  std::string value;  // raw bytes
};

// The object behind every image handle. `pixels` is always Format_ARGB32_Premultiplied; the
// platform format the image was made in is kept in `format` and honoured on pixel writes (no
// alpha: writes are opaque). A drawing surface paints into `pixels` directly, and refuses with
// WrongState while `locked` (the caller holds a copy of some pixels that unlocking writes back).
struct Image : Object {
  static constexpr Kind kKind = Kind::Image;
  Image() : Object(Kind::Image) {}
  QImage pixels;
  int format = PixelFormat32bppARGB;
  float dpi_x = 96, dpi_y = 96;
  Guid raw_format;           // MemoryBMP for images made in memory
  std::string source;        // the encoded bytes an image was read from (for frames)
  QByteArray source_format;  // Qt's name of that format
  int frame_count = 1, active_frame = 0;
  Guid frame_dimension;  // Page or Time
  std::vector<PropertyItem> properties;
  std::uint32_t palette_flags = 0;
  std::vector<ARGB> palette;
  bool locked = false;  // between GdipBitmapLockBits and GdipBitmapUnlockBits
  Rect lock_rect;
  unsigned lock_mode = 0;
  int lock_format = 0;
  std::vector<unsigned char> lock_buffer;
  void* lock_user = nullptr;  // the caller's buffer with ImageLockModeUserInputBuf
  int lock_stride = 0;
};

// Converts between the platform's colour values and Qt's.
inline QColor to_qcolor(ARGB c) {
  return QColor::fromRgba(c);
}
inline ARGB to_argb(const QColor& c) {
  return c.rgba();
}

// The object behind every brush handle. Only solid fills are made by this layer's creators.
struct Brush : Object {
  static constexpr Kind kKind = Kind::Brush;
  Brush() : Object(Kind::Brush) {}
  int type = 0;  // the platform's brush type: 0 solid
  ARGB color = 0;
};

// Makes a blank image object (premultiplied pixels, transparent) of a checked size and format:
// InvalidParameter for sizes below 1 or an unknown format, OutOfMemory past what the layer will
// allocate (1 GiB of pixels) or when the allocation fails.
Status make_image(int width, int height, int format, std::shared_ptr<Image>* out);

// ---- Image functions (graphics/flat_image.cpp, flat_codecs.cpp) ----
// Colour management (the ICM forms), window-system bitmaps, icons, resources and device
// independent bitmaps have no counterpart here and return NotImplemented.

struct BitmapData {
  std::uint32_t width = 0, height = 0;
  std::int32_t stride = 0;
  std::int32_t pixel_format = 0;
  void* scan0 = nullptr;
  std::uintptr_t reserved = 0;
};
inline constexpr unsigned ImageLockModeRead = 1;
inline constexpr unsigned ImageLockModeWrite = 2;
inline constexpr unsigned ImageLockModeUserInputBuf = 4;

Status GdipCreateBitmapFromScan0(int width, int height, int stride, int format,
                                 const unsigned char* scan0, Handle* bitmap);
Status GdipCreateBitmapFromGraphics(int width, int height, Handle graphics, Handle* bitmap);
Status GdipCreateBitmapFromFile(const char16_t* path, Handle* bitmap);
Status GdipCreateBitmapFromFileICM(const char16_t* path, Handle* bitmap);
Status GdipCreateBitmapFromStream(Handle stream, Handle* bitmap);
Status GdipCreateBitmapFromStreamICM(Handle stream, Handle* bitmap);
Status GdipCreateBitmapFromGdiDib(const void* info, void* data, Handle* bitmap);
Status GdipCreateBitmapFromHBITMAP(Handle hbitmap, Handle palette, Handle* bitmap);
Status GdipCreateBitmapFromHICON(Handle icon, Handle* bitmap);
Status GdipCreateBitmapFromResource(Handle module, const char16_t* name, Handle* bitmap);
Status GdipCreateHBITMAPFromBitmap(Handle bitmap, ARGB background, Handle* hbitmap);
Status GdipCreateHICONFromBitmap(Handle bitmap, Handle* icon);
Status GdipDisposeImage(Handle image);
Status GdipCloneImage(Handle image, Handle* clone);
Status GdipGetImageBounds(Handle image, RectF* bounds, int* unit);
Status GdipGetImageDimension(Handle image, float* width, float* height);
Status GdipGetImageType(Handle image, int* type);
Status GdipGetImageWidth(Handle image, std::uint32_t* width);
Status GdipGetImageHeight(Handle image, std::uint32_t* height);
Status GdipGetImageHorizontalResolution(Handle image, float* dpi);
Status GdipGetImageVerticalResolution(Handle image, float* dpi);
Status GdipGetImageFlags(Handle image, std::uint32_t* flags);
Status GdipGetImagePixelFormat(Handle image, int* format);
Status GdipGetImageThumbnail(Handle image, std::uint32_t width, std::uint32_t height,
                             Handle* thumbnail, void* abort_callback, void* callback_data);
Status GdipCloneBitmapArea(float x, float y, float width, float height, int format, Handle bitmap,
                           Handle* clone);
Status GdipCloneBitmapAreaI(int x, int y, int width, int height, int format, Handle bitmap,
                            Handle* clone);
Status GdipBitmapLockBits(Handle bitmap, const Rect* rect, unsigned mode, int format,
                          BitmapData* data);
Status GdipBitmapUnlockBits(Handle bitmap, BitmapData* data);
Status GdipBitmapGetPixel(Handle bitmap, int x, int y, ARGB* color);
Status GdipBitmapSetPixel(Handle bitmap, int x, int y, ARGB color);
Status GdipBitmapSetResolution(Handle bitmap, float dpi_x, float dpi_y);
Status GdipImageRotateFlip(Handle image, int type);
// Applies an effect to the bitmap, or to `rect` of it when one is given (clipped to the
// bitmap; nothing left of it is InvalidParameter). Blurs return no auxiliary data.
Status GdipBitmapApplyEffect(Handle bitmap, Handle effect, const Rect* rect, bool use_aux_data,
                             void** aux_data, int* aux_size);

// ---- Codecs, saving and metadata (graphics/flat_codecs.cpp) ----

struct ImageCodecInfo {
  Guid clsid, format_id;
  const char16_t* codec_name = nullptr;
  const char16_t* dll_name = nullptr;
  const char16_t* format_description = nullptr;
  const char16_t* filename_extension = nullptr;
  const char16_t* mime_type = nullptr;
  std::uint32_t flags = 0, version = 0, sig_count = 0, sig_size = 0;
  const std::uint8_t* sig_pattern = nullptr;
  const std::uint8_t* sig_mask = nullptr;
};

struct EncoderParameter {
  Guid guid;
  std::uint32_t number_of_values = 0;
  std::uint32_t type = 0;  // 1 byte, 2 ASCII, 3 short, 4 long, 5 rational, 6 long range, ...
  const void* value = nullptr;
};
struct EncoderParameters {
  std::uint32_t count = 0;
  const EncoderParameter* parameter = nullptr;  // `count` items
};

// An image property as the platform hands it out: the value bytes follow in the same buffer.
struct PropertyItemData {
  std::uint32_t id = 0;
  std::uint32_t length = 0;
  std::uint16_t type = 0;
  void* value = nullptr;
};

Status GdipGetImageEncodersSize(std::uint32_t* count, std::uint32_t* size);
// `size` bytes at `encoders`: `count` records, then the strings and signatures they point to.
Status GdipGetImageEncoders(std::uint32_t count, std::uint32_t size, ImageCodecInfo* encoders);
Status GdipSaveImageToFile(Handle image, const char16_t* path, const Guid* encoder,
                           const EncoderParameters* parameters);
Status GdipSaveImageToStream(Handle image, Handle stream, const Guid* encoder,
                             const EncoderParameters* parameters);
Status GdipSaveAdd(Handle image, const EncoderParameters* parameters);
Status GdipSaveAddImage(Handle image, Handle added, const EncoderParameters* parameters);
Status GdipGetEncoderParameterListSize(Handle image, const Guid* encoder, std::uint32_t* size);
// `size` bytes at `buffer`: the list record, then its items, then their values.
Status GdipGetEncoderParameterList(Handle image, const Guid* encoder, std::uint32_t size,
                                   EncoderParameters* buffer);
Status GdipGetImageRawFormat(Handle image, Guid* format);
Status GdipImageGetFrameDimensionsCount(Handle image, std::uint32_t* count);
Status GdipImageGetFrameDimensionsList(Handle image, Guid* dimensions, std::uint32_t count);
Status GdipImageGetFrameCount(Handle image, const Guid* dimension, std::uint32_t* count);
Status GdipImageSelectActiveFrame(Handle image, const Guid* dimension, std::uint32_t index);
Status GdipGetPropertyCount(Handle image, std::uint32_t* count);
Status GdipGetPropertyIdList(Handle image, std::uint32_t count, std::uint32_t* ids);
Status GdipGetPropertyItemSize(Handle image, std::uint32_t id, std::uint32_t* size);
Status GdipGetPropertyItem(Handle image, std::uint32_t id, std::uint32_t size,
                           PropertyItemData* buffer);
Status GdipSetPropertyItem(Handle image, const PropertyItemData* item);
Status GdipRemovePropertyItem(Handle image, std::uint32_t id);
// Palettes travel as blocks of 32-bit words: flags, count, then `count` ARGB entries.
Status GdipGetImagePaletteSize(Handle image, int* size);
Status GdipGetImagePalette(Handle image, std::uint32_t* palette, int size);
Status GdipSetImagePalette(Handle image, const std::uint32_t* palette);

// ---- Brushes and effects (graphics/flat_brush.cpp) ----

Status GdipCreateSolidFill(ARGB color, Handle* brush);
Status GdipSetSolidFillColor(Handle brush, ARGB color);
Status GdipGetSolidFillColor(Handle brush, ARGB* color);
Status GdipCloneBrush(Handle brush, Handle* clone);
Status GdipGetBrushType(Handle brush, int* type);
Status GdipDeleteBrush(Handle brush);

// The blur's parameter block.
struct BlurParams {
  float radius = 0;              // pixels, 0 to 255
  std::int32_t expand_edge = 0;  // non-zero: the blur spreads past the painted area
};
static_assert(sizeof(BlurParams) == 8);
// Only the blur effect exists here; other effect identifiers are NotImplemented.
Status GdipCreateEffect(Guid effect, Handle* handle);
Status GdipDeleteEffect(Handle effect);
Status GdipGetEffectParameterSize(Handle effect, std::uint32_t* size);
Status GdipSetEffectParameters(Handle effect, const void* params, std::uint32_t size);
Status GdipGetEffectParameters(Handle effect, std::uint32_t* size, void* params);

// ---- Drawing surface (defined by the surface files) ----
// What the bitmap's rotation and the shadow draw through; declared here so both sides agree on
// them, defined with the rest of the surface.
Status GdipGetImageGraphicsContext(Handle image, Handle* graphics);
Status GdipFillRectangle(Handle graphics, Handle brush, float x, float y, float width,
                         float height);
Status GdipDeleteGraphics(Handle graphics);
Status GdipSetInterpolationMode(Handle graphics, int mode);
Status GdipSetWorldTransform(Handle graphics, Handle matrix);
Status GdipResetWorldTransform(Handle graphics);
Status GdipDrawImage(Handle graphics, Handle image, float x, float y);
Status GdipCreateMatrix(Handle* matrix);
Status GdipTranslateMatrix(Handle matrix, float dx, float dy, int order);
Status GdipRotateMatrix(Handle matrix, float angle, int order);
Status GdipDeleteMatrix(Handle matrix);

}  // namespace lumetra::flat
