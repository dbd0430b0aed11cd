// Image codecs over Qt's readers and writers: decoding, the encoder list, saving, frames,
// properties and palettes.
#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <cmath>
#include <cstring>
#include <new>

#include "graphics/flat.h"
#include "graphics/flat_writers.h"

namespace lumetra::flat {
namespace {

constexpr Guid format_guid(std::uint32_t first) {
  return Guid{first, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
}
constexpr Guid encoder_guid(std::uint32_t first) {
  return Guid{first, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
}
constexpr Guid kFrameTime{
    0x6AEDBD6D, 0x3FB5, 0x418A, {0x83, 0xA6, 0x7F, 0x45, 0x22, 0x9D, 0xC8, 0x72}};
constexpr Guid kFramePage{
    0x7462DC86, 0x6180, 0x4C7E, {0x8E, 0x3F, 0xEE, 0x73, 0x33, 0xA7, 0xA4, 0x83}};
constexpr Guid kQuality{
    0x1D5BE4B5, 0xFA4A, 0x452D, {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}};
constexpr std::uint32_t kFrameDelay = 0x5100;

struct Codec {
  Guid clsid, format;
  const char16_t *name, *description, *extension, *mime;
  QByteArray qt_name;
  std::vector<std::string> signatures;  // each as long as the others; masks are all ones
};

// The formats both the platform and Qt know, by the name Qt's readers give them.
const std::vector<Codec>& known_codecs() {
  static const std::vector<Codec> codecs = {
      {encoder_guid(0x557CF400),
       format_guid(0xB96B3CAB),
       u"Built-in BMP Codec",
       u"BMP",
       u"*.BMP;*.DIB;*.RLE",
       u"image/bmp",
       QByteArrayLiteral("bmp"),
       {"BM"}},
      {encoder_guid(0x557CF401),
       format_guid(0xB96B3CAE),
       u"Built-in JPEG Codec",
       u"JPEG",
       u"*.JPG;*.JPEG;*.JPE;*.JFIF",
       u"image/jpeg",
       QByteArrayLiteral("jpeg"),
       {"\xFF\xD8"}},
      {encoder_guid(0x557CF402),
       format_guid(0xB96B3CB0),
       u"Built-in GIF Codec",
       u"GIF",
       u"*.GIF",
       u"image/gif",
       QByteArrayLiteral("gif"),
       {"GIF89a", "GIF87a"}},
      {encoder_guid(0x557CF405),
       format_guid(0xB96B3CB1),
       u"Built-in TIFF Codec",
       u"TIFF",
       u"*.TIF;*.TIFF",
       u"image/tiff",
       QByteArrayLiteral("tiff"),
       {std::string("II*\0", 4), std::string("MM\0*", 4)}},
      {encoder_guid(0x557CF406),
       format_guid(0xB96B3CAF),
       u"Built-in PNG Codec",
       u"PNG",
       u"*.PNG",
       u"image/png",
       QByteArrayLiteral("png"),
       {"\x89PNG\r\n\x1A\n"}},
      {encoder_guid(0x557CF407),
       format_guid(0xB96B3CB5),
       u"Built-in ICO Codec",
       u"ICO",
       u"*.ICO",
       u"image/x-icon",
       QByteArrayLiteral("ico"),
       {std::string("\0\0\1\0", 4)}},
  };
  return codecs;
}

// Only what Qt really writes on this machine; the icon writer is not one of the platform's.
const std::vector<const Codec*>& encoders() {
  static const std::vector<const Codec*> list = [] {
    std::vector<const Codec*> out;
    const auto writable = QImageWriter::supportedImageFormats();
    for (const Codec& c : known_codecs())
      if (c.qt_name != "ico" && writable.contains(c.qt_name)) out.push_back(&c);
    return out;
  }();
  return list;
}

const Codec* codec_by_name(const QByteArray& name) {
  for (const Codec& c : known_codecs())
    if (c.qt_name == name) return &c;
  return nullptr;
}

std::size_t wide_bytes(const char16_t* s) {
  return (std::char_traits<char16_t>::length(s) + 1) * sizeof(char16_t);
}

std::uint32_t encoders_size() {
  std::size_t size = 0;
  for (const Codec* c : encoders()) {
    size += sizeof(ImageCodecInfo) + wide_bytes(c->name) + wide_bytes(u"") +
            wide_bytes(c->description) + wide_bytes(c->extension) + wide_bytes(c->mime);
    size += 2 * c->signatures.size() * c->signatures.front().size();
  }
  return std::uint32_t(size);
}

// Reads frame `index` of encoded bytes.
QImage read_frame(const std::string& bytes, int index, QByteArray* format, int* count,
                  std::vector<int>* delays) {
  QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  reader.setAllocationLimit(1024);  // megabytes: the same limit as images made here
  if (format) *format = reader.format();
  // Frames are read up to the count the reader gives, never while it merely says it can read:
  // some readers keep handing out their one frame. Only animations have delays.
  const int frames = std::max(1, reader.imageCount());
  if (count) *count = frames;
  if (reader.format() != "gif") delays = nullptr;
  QImage frame;
  for (int i = 0; i < frames && (i <= index || delays); ++i) {
    QImage image = reader.read();
    if (image.isNull()) break;
    if (delays) delays->push_back(reader.nextImageDelay());
    if (i == index) frame = image;
  }
  return frame;
}

Status decode(std::string bytes, std::shared_ptr<Image>* out) {
  QByteArray name;
  int count = 1;
  std::vector<int> delays;
  QImage first = read_frame(bytes, 0, &name, &count, &delays);
  const Codec* codec = codec_by_name(name);
  if (!codec) return UnknownImageFormat;
  if (first.isNull()) return GenericError;  // a known format whose data is broken
  auto image = std::make_shared<Image>();
  if (first.format() == QImage::Format_Indexed8 || first.format() == QImage::Format_Mono ||
      first.format() == QImage::Format_MonoLSB) {
    image->format = first.depth() == 1 ? PixelFormat1bppIndexed : PixelFormat8bppIndexed;
    for (QRgb c : first.colorTable()) image->palette.push_back(c);
  } else {
    image->format = first.hasAlphaChannel() ? PixelFormat32bppARGB : PixelFormat24bppRGB;
  }
  auto dpi = [](int dots_per_metre) {
    return dots_per_metre > 0 ? float(dots_per_metre * 0.0254) : 96.0f;
  };
  image->dpi_x = dpi(first.dotsPerMeterX());
  image->dpi_y = dpi(first.dotsPerMeterY());
  image->pixels = first.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (image->pixels.isNull()) return OutOfMemory;
  image->raw_format = codec->format;
  image->source_format = name;
  image->frame_count = count;
  image->frame_dimension = name == "gif" ? kFrameTime : kFramePage;
  if (count > 1) {
    image->source = std::move(bytes);  // kept to decode the other frames on demand
    if (name == "gif") {
      std::string value;
      for (int ms : delays) {
        std::uint32_t hundredths = std::uint32_t(std::max(ms, 0) / 10);
        value.append(reinterpret_cast<const char*>(&hundredths), 4);
      }
      image->properties.push_back({kFrameDelay, 4, value});
    }
  }
  *out = std::move(image);
  return Ok;
}

Status read_stream(Handle stream, std::string* bytes) {
  std::uint64_t size = 0, position = 0;
  if (StreamSize(stream, &size) != Ok || StreamSeek(stream, 0, SeekCur, &position) != Ok)
    return InvalidParameter;
  bytes->resize(size > position ? size - position : 0);
  std::size_t read = 0;
  if (Status s = StreamRead(stream, bytes->data(), bytes->size(), &read)) return s;
  bytes->resize(read);
  return Ok;
}

const Codec* encoder_of(const Guid* clsid) {
  if (!clsid) return nullptr;
  for (const Codec* c : encoders())
    if (c->clsid == *clsid) return c;
  return nullptr;
}

Status encode(const Image& image, const Guid* clsid, const EncoderParameters* parameters,
              QByteArray* out) {
  if (!clsid) return InvalidParameter;
  const Codec* codec = encoder_of(clsid);
  if (!codec) return UnknownImageFormat;
  if (image.locked) return WrongState;
  int quality = -1;
  if (parameters) {
    if (parameters->count > 0 && !parameters->parameter) return InvalidParameter;
    for (std::uint32_t i = 0; i < parameters->count; ++i) {
      const EncoderParameter& p = parameters->parameter[i];
      if (p.number_of_values > 0 && !p.value) return InvalidParameter;
      if (p.guid == kQuality && codec->qt_name == "jpeg") {
        if (p.type != 4 || p.number_of_values < 1) return InvalidParameter;
        std::uint32_t q;
        std::memcpy(&q, p.value, 4);
        if (q > 100) return InvalidParameter;
        quality = int(q);
      }
    }
  }
  bool alpha = image.format & kPixelFormatAlpha;
  if (codec->qt_name == "png" || codec->qt_name == "bmp") {
    *out = codec->qt_name == "png" ? write_png(image.pixels, alpha, image.dpi_x, image.dpi_y)
                                   : write_bmp(image.pixels, alpha, image.dpi_x, image.dpi_y);
    return out->isEmpty() ? OutOfMemory : Ok;
  }
  QImage pixels =
      image.pixels.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  pixels.setDotsPerMeterX(int(std::lround(image.dpi_x / 0.0254)));
  pixels.setDotsPerMeterY(int(std::lround(image.dpi_y / 0.0254)));
  QBuffer buffer(out);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, codec->qt_name);
  if (quality >= 0) writer.setQuality(quality);
  return writer.write(pixels) ? Ok : GenericError;
}

}  // namespace

Status GdipCreateBitmapFromStream(Handle stream, Handle* bitmap) {
  if (!bitmap) return InvalidParameter;
  if (Status s = require_started()) return s;
  std::string bytes;
  if (Status s = read_stream(stream, &bytes)) return s;
  std::shared_ptr<Image> image;
  if (Status s = decode(std::move(bytes), &image)) return s;
  *bitmap = add_object(std::move(image));
  return Ok;
}

Status GdipCreateBitmapFromFile(const char16_t* path, Handle* bitmap) {
  if (!path || !*path || !bitmap) return InvalidParameter;
  if (Status s = require_started()) return s;
  QFile file(QString::fromStdU16String(path));
  if (!file.exists()) return FileNotFound;
  if (!file.open(QIODevice::ReadOnly)) return AccessDenied;
  QByteArray data = file.readAll();
  std::shared_ptr<Image> image;
  if (Status s = decode(data.toStdString(), &image)) return s;
  *bitmap = add_object(std::move(image));
  return Ok;
}

// Colour management has no counterpart here.
Status GdipCreateBitmapFromFileICM(const char16_t*, Handle*) {
  return NotImplemented;
}
Status GdipCreateBitmapFromStreamICM(Handle, Handle*) {
  return NotImplemented;
}

Status GdipGetImageEncodersSize(std::uint32_t* count, std::uint32_t* size) {
  if (!count || !size) return InvalidParameter;
  *count = std::uint32_t(encoders().size());
  *size = encoders_size();
  return Ok;
}

Status GdipGetImageEncoders(std::uint32_t count, std::uint32_t size, ImageCodecInfo* out) {
  if (!out || count != encoders().size() || size != encoders_size()) return InvalidParameter;
  char* tail = reinterpret_cast<char*>(out + count);
  auto put = [&](const void* data, std::size_t n) {
    void* at = tail;
    std::memcpy(tail, data, n);
    tail += n;
    return at;
  };
  auto put_wide = [&](const char16_t* s) {
    return static_cast<const char16_t*>(put(s, wide_bytes(s)));
  };
  for (std::uint32_t i = 0; i < count; ++i) {
    const Codec& c = *encoders()[i];
    ImageCodecInfo info;
    info.clsid = c.clsid;
    info.format_id = c.format;
    info.codec_name = put_wide(c.name);
    info.dll_name = put_wide(u"");
    info.format_description = put_wide(c.description);
    info.filename_extension = put_wide(c.extension);
    info.mime_type = put_wide(c.mime);
    info.flags = 0x10007;  // encoder, decoder, raster, built in
    info.version = 1;
    info.sig_count = std::uint32_t(c.signatures.size());
    info.sig_size = std::uint32_t(c.signatures.front().size());
    std::string patterns, masks;
    for (const auto& s : c.signatures) {
      patterns += s;
      masks += std::string(s.size(), '\xFF');
    }
    info.sig_pattern = static_cast<const std::uint8_t*>(put(patterns.data(), patterns.size()));
    info.sig_mask = static_cast<const std::uint8_t*>(put(masks.data(), masks.size()));
    new (out + i) ImageCodecInfo(info);  // the caller gives raw bytes
  }
  return Ok;
}

Status GdipSaveImageToStream(Handle image, Handle stream, const Guid* encoder,
                             const EncoderParameters* parameters) {
  auto i = find<Image>(image);
  std::uint64_t size = 0;
  if (!i || StreamSize(stream, &size) != Ok) return InvalidParameter;
  QByteArray bytes;
  if (Status s = encode(*i, encoder, parameters, &bytes)) return s;
  std::size_t written = 0;
  return StreamWrite(stream, bytes.constData(), std::size_t(bytes.size()), &written);
}

Status GdipSaveImageToFile(Handle image, const char16_t* path, const Guid* encoder,
                           const EncoderParameters* parameters) {
  auto i = find<Image>(image);
  if (!i || !path || !*path) return InvalidParameter;
  QByteArray bytes;
  if (Status s = encode(*i, encoder, parameters, &bytes)) return s;
  // Written beside the target and moved over it, so a failed save leaves the old file whole.
  QSaveFile file(QString::fromStdU16String(path));
  if (!file.open(QIODevice::WriteOnly))
    return file.error() == QFileDevice::PermissionsError ? AccessDenied : Win32Error;
  if (file.write(bytes) != bytes.size() || !file.commit()) return Win32Error;
  return Ok;
}

// Qt's writers write one frame per file.
Status GdipSaveAdd(Handle image, const EncoderParameters*) {
  return find<Image>(image) ? NotImplemented : InvalidParameter;
}
Status GdipSaveAddImage(Handle image, Handle added, const EncoderParameters*) {
  return find<Image>(image) && find<Image>(added) ? NotImplemented : InvalidParameter;
}

Status GdipGetEncoderParameterListSize(Handle image, const Guid* encoder, std::uint32_t* size) {
  if (!find<Image>(image) || !encoder || !size) return InvalidParameter;
  const Codec* c = encoder_of(encoder);
  if (!c) return UnknownImageFormat;
  *size = sizeof(EncoderParameters);
  if (c->qt_name == "jpeg") *size += sizeof(EncoderParameter) + 2 * sizeof(std::uint32_t);
  return Ok;
}

Status GdipGetEncoderParameterList(Handle image, const Guid* encoder, std::uint32_t size,
                                   EncoderParameters* buffer) {
  std::uint32_t needed = 0;
  if (Status s = GdipGetEncoderParameterListSize(image, encoder, &needed)) return s;
  if (!buffer || size < needed) return InvalidParameter;
  new (buffer) EncoderParameters{};              // the caller gives raw bytes
  if (encoder_of(encoder)->qt_name == "jpeg") {  // quality, from 0 to 100
    auto* item = reinterpret_cast<EncoderParameter*>(buffer + 1);
    auto* range = reinterpret_cast<std::uint32_t*>(item + 1);
    range[0] = 0;
    range[1] = 100;
    new (item) EncoderParameter{kQuality, 1, 6, range};
    *buffer = EncoderParameters{1, item};
  }
  return Ok;
}

Status GdipGetImageRawFormat(Handle image, Guid* format) {
  auto i = find<Image>(image);
  if (!i || !format) return InvalidParameter;
  *format = i->raw_format;
  return Ok;
}

Status GdipImageGetFrameDimensionsCount(Handle image, std::uint32_t* count) {
  if (!find<Image>(image) || !count) return InvalidParameter;
  *count = 1;
  return Ok;
}

Status GdipImageGetFrameDimensionsList(Handle image, Guid* dimensions, std::uint32_t count) {
  auto i = find<Image>(image);
  if (!i || !dimensions || count != 1) return InvalidParameter;
  dimensions[0] = i->frame_dimension;
  return Ok;
}

Status GdipImageGetFrameCount(Handle image, const Guid* dimension, std::uint32_t* count) {
  auto i = find<Image>(image);
  if (!i || !dimension || !count || !(*dimension == i->frame_dimension)) return InvalidParameter;
  *count = std::uint32_t(i->frame_count);
  return Ok;
}

Status GdipImageSelectActiveFrame(Handle image, const Guid* dimension, std::uint32_t index) {
  auto i = find<Image>(image);
  if (!i || !dimension || !(*dimension == i->frame_dimension) ||
      index >= std::uint32_t(i->frame_count))
    return InvalidParameter;
  if (i->locked) return WrongState;
  if (int(index) == i->active_frame) return Ok;
  QImage frame = read_frame(i->source, int(index), nullptr, nullptr, nullptr);
  if (frame.isNull()) return GenericError;
  i->pixels = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  i->active_frame = int(index);
  return Ok;
}

Status GdipGetPropertyCount(Handle image, std::uint32_t* count) {
  auto i = find<Image>(image);
  if (!i || !count) return InvalidParameter;
  *count = std::uint32_t(i->properties.size());
  return Ok;
}

Status GdipGetPropertyIdList(Handle image, std::uint32_t count, std::uint32_t* ids) {
  auto i = find<Image>(image);
  if (!i || count != i->properties.size() || (count && !ids)) return InvalidParameter;
  for (std::uint32_t k = 0; k < count; ++k) ids[k] = i->properties[k].id;
  return Ok;
}

namespace {
const PropertyItem* property_of(const Image& image, std::uint32_t id) {
  for (const PropertyItem& p : image.properties)
    if (p.id == id) return &p;
  return nullptr;
}
}  // namespace

Status GdipGetPropertyItemSize(Handle image, std::uint32_t id, std::uint32_t* size) {
  auto i = find<Image>(image);
  if (!i || !size) return InvalidParameter;
  const PropertyItem* p = property_of(*i, id);
  if (!p) return PropertyNotFound;
  *size = std::uint32_t(sizeof(PropertyItemData) + p->value.size());
  return Ok;
}

Status GdipGetPropertyItem(Handle image, std::uint32_t id, std::uint32_t size,
                           PropertyItemData* buffer) {
  auto i = find<Image>(image);
  if (!i || !buffer) return InvalidParameter;
  const PropertyItem* p = property_of(*i, id);
  if (!p) return PropertyNotFound;
  if (size != sizeof(PropertyItemData) + p->value.size()) return InvalidParameter;
  auto* value = reinterpret_cast<char*>(buffer + 1);
  if (!p->value.empty()) std::memcpy(value, p->value.data(), p->value.size());
  new (buffer) PropertyItemData{p->id, std::uint32_t(p->value.size()), p->type, value};
  return Ok;
}

Status GdipSetPropertyItem(Handle image, const PropertyItemData* item) {
  auto i = find<Image>(image);
  if (!i || !item || (item->length && !item->value) || item->type < 1 || item->type > 10)
    return InvalidParameter;
  PropertyItem p{item->id, item->type,
                 std::string(static_cast<const char*>(item->value), item->length)};
  for (PropertyItem& old : i->properties) {
    if (old.id == p.id) {
      old = std::move(p);
      return Ok;
    }
  }
  i->properties.push_back(std::move(p));
  return Ok;
}

Status GdipRemovePropertyItem(Handle image, std::uint32_t id) {
  auto i = find<Image>(image);
  if (!i) return InvalidParameter;
  for (auto it = i->properties.begin(); it != i->properties.end(); ++it) {
    if (it->id == id) {
      i->properties.erase(it);
      return Ok;
    }
  }
  return PropertyNotFound;
}

Status GdipGetImagePaletteSize(Handle image, int* size) {
  auto i = find<Image>(image);
  if (!i || !size) return InvalidParameter;
  *size = int(8 + 4 * i->palette.size());
  return Ok;
}

Status GdipGetImagePalette(Handle image, std::uint32_t* palette, int size) {
  auto i = find<Image>(image);
  if (!i || !palette || size < int(8 + 4 * i->palette.size())) return InvalidParameter;
  palette[0] = i->palette_flags;
  palette[1] = std::uint32_t(i->palette.size());
  std::copy(i->palette.begin(), i->palette.end(), palette + 2);
  return Ok;
}

Status GdipSetImagePalette(Handle image, const std::uint32_t* palette) {
  auto i = find<Image>(image);
  if (!i || !palette || palette[1] > 256) return InvalidParameter;
  i->palette_flags = palette[0];
  i->palette.assign(palette + 2, palette + 2 + palette[1]);
  return Ok;
}

}  // namespace lumetra::flat
