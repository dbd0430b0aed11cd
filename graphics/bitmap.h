// Bitmaps: creation, pixels, effects, rotation, codecs, frames, properties and palettes.
//
// Usage (the shadow): `Bitmap b; b.create(w, h);` gives a 32-bit ARGB bitmap, fully transparent;
// paint on it through a drawing surface, `b.apply_effect(blur)`, then
// `b.save_to_bytes(kImageFormatPng)` gives the PNG file in memory; `b.dispose()` when done.
// Every operation stores its flat status in `last_status` and returns true (or the value) when it
// is 0. Pixels are kept premultiplied, so a colour read back from a nearly transparent pixel may
// differ from the one written. One thread at a time per object.
#pragma once

#include <optional>
#include <vector>

#include "graphics/base.h"
#include "graphics/brush.h"
#include "graphics/streams.h"

namespace lumetra {

inline constexpr const char* kImageFormatPng = "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* kImageFormatBmp = "{B96B3CAB-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* kImageFormatJpeg = "{B96B3CAE-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* kFrameDimensionPage = "{7462DC86-6180-4C7E-8E3F-EE7333A7A483}";
inline constexpr const char* kFrameDimensionTime = "{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}";
inline constexpr std::uint32_t kPropertyTagFrameDelay = 0x5100;

// One installed encoder; the texts are braced GUID texts and code page 936 texts.
struct CodecRecord {
  Text clsid, format_id, codec_name, dll_name, format_description, filename_extension, mime_type;
  std::uint32_t flags = 0, version = 0, sig_count = 0, sig_size = 0;
  Bytes sig_pattern, sig_mask;
};

struct EncoderParameterItem {
  Text category;  // GUID text
  std::uint32_t value_count = 0;
  std::uint32_t value_type = 0;  // 1 byte, 2 ASCII, 3 short, 4 long, 5 rational, 6 long range,
                                 // 7 undefined, 8 rational range
  Bytes values;
};
struct EncoderParameterList {
  std::uint32_t count = 0;  // items passed; more than `items` holds is refused
  std::vector<EncoderParameterItem> items;
};

struct PropertyRecord {
  std::uint32_t id = 0, length = 0, type = 0;
  Bytes value;
};

struct PaletteRecord {
  std::uint32_t flags = 0, count = 0;
  std::vector<ARGB> entries;
};

class Bitmap : public GraphicsObject {
 public:
  ~Bitmap() override { dispose(); }

  Handle image_handle() const { return image_handle_; }
  Handle bitmap_handle() const { return bitmap_handle_; }
  const GlobalStream& source_stream() const { return source_stream_; }

  // -- Creation and release --
  bool dispose();
  bool from_file(const Text& path, bool use_icm = false);
  bool from_file_wide(const std::u16string& path, bool use_icm = false);
  bool from_bytes(const Bytes& bytes, bool use_icm = false);
  bool clone_image(Bitmap& target) { return producer(target, flat::GdipCloneImage, image_handle_); }
  bool create_from_scan0(int width, int height, int stride, int format,
                         const unsigned char* pixels) {
    return creator(*this, bitmap_handle_, flat::GdipCreateBitmapFromScan0, width, height, stride,
                   format, pixels);
  }
  bool create(int width, int height, int format = flat::PixelFormat32bppARGB) {
    return create_from_scan0(width, height, 0, format, nullptr);
  }
  bool create_from_graphics(int width, int height, const GraphicsObject& graphics) {
    return creator(*this, bitmap_handle_, flat::GdipCreateBitmapFromGraphics, width, height,
                   graphics.handle());
  }
  bool create_from_gdi_dib(const void* info, void* pixels) {
    return creator(*this, bitmap_handle_, flat::GdipCreateBitmapFromGdiDib, info, pixels);
  }
  bool create_from_hbitmap(Handle hbitmap, Handle palette) {
    return creator(*this, bitmap_handle_, flat::GdipCreateBitmapFromHBITMAP, hbitmap, palette);
  }
  bool create_from_hicon(Handle icon) {
    return creator(*this, bitmap_handle_, flat::GdipCreateBitmapFromHICON, icon);
  }
  bool create_from_resource(Handle module, const Text& name);
  Handle to_hbitmap(ARGB background) {
    return getter<Handle>(flat::GdipCreateHBITMAPFromBitmap, bitmap_handle_, background);
  }
  Handle to_hicon() { return getter<Handle>(flat::GdipCreateHICONFromBitmap, bitmap_handle_); }

  // -- Properties of the image --
  flat::RectF bounds(int& unit);
  flat::SizeF dimension();
  int image_type() { return getter<int>(flat::GdipGetImageType, image_handle_); }
  std::uint32_t width() { return getter<std::uint32_t>(flat::GdipGetImageWidth, image_handle_); }
  std::uint32_t height() { return getter<std::uint32_t>(flat::GdipGetImageHeight, image_handle_); }
  float horizontal_resolution() {
    return getter<float>(flat::GdipGetImageHorizontalResolution, image_handle_);
  }
  float vertical_resolution() {
    return getter<float>(flat::GdipGetImageVerticalResolution, image_handle_);
  }
  std::uint32_t image_flags() {
    return getter<std::uint32_t>(flat::GdipGetImageFlags, image_handle_);
  }
  int pixel_format() { return getter<int>(flat::GdipGetImagePixelFormat, image_handle_); }
  bool thumbnail(std::uint32_t width, std::uint32_t height, Bitmap& target) {
    return producer(target, thumbnail_of, image_handle_, width, height);
  }

  // -- Pixels --
  bool clone_area(const flat::RectF& r, int format, Bitmap& target) {
    return producer(target, clone_area_f, bitmap_handle_, r.x, r.y, r.width, r.height, format);
  }
  bool clone_area_i(const flat::Rect& r, int format, Bitmap& target) {
    return producer(target, clone_area_n, bitmap_handle_, r.x, r.y, r.width, r.height, format);
  }
  bool lock_bits(const flat::Rect& rect, unsigned mode, int format, flat::BitmapData& data) {
    return forwarder(flat::GdipBitmapLockBits, bitmap_handle_, &rect, mode, format, &data);
  }
  bool unlock_bits(flat::BitmapData& data) {
    return forwarder(flat::GdipBitmapUnlockBits, bitmap_handle_, &data);
  }
  ARGB get_pixel(int x, int y) {
    return getter<ARGB>(flat::GdipBitmapGetPixel, bitmap_handle_, x, y);
  }
  bool set_pixel(int x, int y, ARGB color) {
    return forwarder(flat::GdipBitmapSetPixel, bitmap_handle_, x, y, color);
  }
  bool set_resolution(float dpi_x, float dpi_y) {
    return forwarder(flat::GdipBitmapSetResolution, bitmap_handle_, dpi_x, dpi_y);
  }
  // Frees the effect's earlier auxiliary data first, then keeps what this application returns.
  bool apply_effect(BlurEffect& effect, const flat::Rect* rect = nullptr);
  // A new bitmap of the rotated picture, of `size` or else of `rotated_size`, with this one's
  // resolution; the background fills it first when one is given. The target receives it only
  // when it was drawn.
  bool rotate(float angle, Bitmap& target, std::optional<ARGB> background = std::nullopt,
              std::optional<int> interpolation = std::nullopt,
              std::optional<flat::SizeF> size = std::nullopt);
  // The extent of a w x h picture turned by whole degrees, between outermost pixel centres.
  static void rotated_size(float width, float height, int angle, float& out_width,
                           float& out_height);

  // -- Codecs and saving --
  static int image_encoders(std::vector<CodecRecord>& list);
  // The class identifier of the encoder for an exact braced upper-case format text; empty
  // when there is none.
  static Text encoder_for_format(const Text& format);
  bool save_to_file(const Text& path, const Text& format = {},
                    const EncoderParameterList* parameters = nullptr);
  bool save_to_file_wide(const std::u16string& path, const Text& format = {},
                         const EncoderParameterList* parameters = nullptr);
  // The encoded file; empty bytes when encoding failed (see `last_status`).
  Bytes save_to_bytes(const Text& format = {}, const EncoderParameterList* parameters = nullptr);
  bool save_add(const EncoderParameterList& parameters);
  bool save_add_image(Bitmap& other, const EncoderParameterList& parameters);
  bool encoder_parameter_list(const Text& format, EncoderParameterList& list);

  // -- Frames, properties and palette --
  Text raw_format();
  std::uint32_t frame_count(const Text& dimension);
  bool frame_dimensions(std::vector<Text>& list);
  bool select_active_frame(const Text& dimension, std::uint32_t index);
  bool frame_delays(std::vector<std::uint32_t>& list);
  bool property_item(std::uint32_t id, PropertyRecord& record);
  bool set_property_item(PropertyRecord& record);
  bool remove_property_item(std::uint32_t id) {
    return forwarder(flat::GdipRemovePropertyItem, image_handle_, id);
  }
  int property_ids(std::vector<std::uint32_t>& list);
  bool rotate_flip(int type) { return forwarder(flat::GdipImageRotateFlip, image_handle_, type); }
  bool palette(PaletteRecord& record);
  bool set_palette(PaletteRecord& record);

 protected:
  // Image level, then the bitmap level.
  void handle_hook(Handle h) override {
    image_handle_ = h;
    bitmap_hook(h);
  }
  void bitmap_hook(Handle h) { bitmap_handle_ = h; }

 private:
  // The area clones take the source bitmap after the rectangle; reordered for `producer`.
  static flat::Status clone_area_f(Handle bitmap, float x, float y, float w, float h, int format,
                                   Handle* out) {
    return flat::GdipCloneBitmapArea(x, y, w, h, format, bitmap, out);
  }
  static flat::Status clone_area_n(Handle bitmap, int x, int y, int w, int h, int format,
                                   Handle* out) {
    return flat::GdipCloneBitmapAreaI(x, y, w, h, format, bitmap, out);
  }
  static flat::Status thumbnail_of(Handle image, std::uint32_t w, std::uint32_t h, Handle* out) {
    return flat::GdipGetImageThumbnail(image, w, h, out, nullptr, nullptr);  // no abort callback
  }
  // Chooses the encoder for a format text, or for the image's own format when it is empty.
  flat::Guid encoder_of(const Text& format, const char* fallback);

  Handle image_handle_ = 0;
  Handle bitmap_handle_ = 0;
  GlobalStream source_stream_;
};

}  // namespace lumetra
