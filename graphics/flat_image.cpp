// Bitmaps: creation, properties, pixels, locked bits, clones, thumbnails and quarter turns.
#include <QPainter>
#include <QTransform>

#include <cstring>

#include "graphics/flat.h"

namespace lumetra::flat {
namespace {

bool has_alpha(int format) {
  return format & kPixelFormatAlpha;
}

// The pixel as stored: premultiplied, and opaque in an image without alpha.
QRgb stored(int format, ARGB color) {
  return has_alpha(format) ? qPremultiply(color) : (color | 0xFF000000u);
}

// Makes every pixel of an image without alpha opaque, keeping its colour.
void make_opaque(QImage& pixels) {
  for (int y = 0; y < pixels.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
    for (int x = 0; x < pixels.width(); ++x) row[x] = qUnpremultiply(row[x]) | 0xFF000000u;
  }
}

// Qt's format for the bytes a lock hands out, by the platform's format; Invalid when unsupported.
QImage::Format lock_format(int format) {
  switch (format) {
    case PixelFormat32bppARGB:
      return QImage::Format_ARGB32;
    case PixelFormat32bppPARGB:
      return QImage::Format_ARGB32_Premultiplied;
    case PixelFormat32bppRGB:
      return QImage::Format_RGB32;
    case PixelFormat24bppRGB:
      return QImage::Format_BGR888;  // blue, green, red in memory, as the platform lays it out
    default:
      return QImage::Format_Invalid;
  }
}

int bytes_per_pixel(QImage::Format f) {
  return f == QImage::Format_BGR888 ? 3 : 4;
}

// A new image object holding `pixels` with the metadata of `from`.
std::shared_ptr<Image> derived(const Image& from, QImage pixels, int format) {
  auto image = std::make_shared<Image>();
  image->pixels = std::move(pixels);
  image->format = format;
  image->dpi_x = from.dpi_x;
  image->dpi_y = from.dpi_y;
  image->raw_format = kImageFormatMemoryBmp;
  image->frame_dimension = from.frame_dimension;
  image->palette = from.palette;
  image->palette_flags = from.palette_flags;
  return image;
}

bool valid_format(int format) {
  std::shared_ptr<Image> probe;
  return make_image(1, 1, format, &probe) == Ok;
}

}  // namespace

Status GdipCreateBitmapFromScan0(int width, int height, int stride, int format,
                                 const unsigned char* scan0, Handle* bitmap) {
  if (!bitmap) return InvalidParameter;
  if (Status s = require_started()) return s;
  std::shared_ptr<Image> image;
  if (Status s = make_image(width, height, format, &image)) return s;
  if (scan0) {
    // The caller's pixels are copied, so the bitmap never reads memory the caller has freed.
    QImage::Format f = lock_format(format);
    if (f == QImage::Format_Invalid) return NotImplemented;
    int row = width * bytes_per_pixel(f);
    if (stride % 4 != 0 || (stride >= 0 ? stride : -stride) < row) return InvalidParameter;
    QImage source(width, height, f);
    for (int y = 0; y < height; ++y)
      std::memcpy(source.scanLine(y), scan0 + std::ptrdiff_t(y) * stride, row);
    image->pixels = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!has_alpha(format)) make_opaque(image->pixels);
  }
  *bitmap = add_object(std::move(image));
  return Ok;
}

Status GdipCreateBitmapFromGraphics(int width, int height, Handle graphics, Handle* bitmap) {
  if (!bitmap || !find_object(graphics, Kind::Graphics)) return InvalidParameter;
  return GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr, bitmap);
}

// Window-system bitmaps, icons, resources and device-independent bitmaps do not exist here.
Status GdipCreateBitmapFromGdiDib(const void*, void*, Handle*) {
  return NotImplemented;
}
Status GdipCreateBitmapFromHBITMAP(Handle, Handle, Handle*) {
  return NotImplemented;
}
Status GdipCreateBitmapFromHICON(Handle, Handle*) {
  return NotImplemented;
}
Status GdipCreateBitmapFromResource(Handle, const char16_t*, Handle*) {
  return NotImplemented;
}
Status GdipCreateHBITMAPFromBitmap(Handle, ARGB, Handle*) {
  return NotImplemented;
}
Status GdipCreateHICONFromBitmap(Handle, Handle*) {
  return NotImplemented;
}

Status GdipDisposeImage(Handle image) {
  return remove_object(image, Kind::Image) ? Ok : InvalidParameter;
}

Status GdipCloneImage(Handle image, Handle* clone) {
  auto i = find<Image>(image);
  if (!i || !clone) return InvalidParameter;
  if (i->locked) return WrongState;
  auto copy = std::make_shared<Image>(*i);  // QImage shares its pixels until one side writes
  *clone = add_object(std::move(copy));
  return Ok;
}

Status GdipGetImageBounds(Handle image, RectF* bounds, int* unit) {
  auto i = find<Image>(image);
  if (!i || !bounds || !unit) return InvalidParameter;
  *bounds = RectF{0, 0, float(i->pixels.width()), float(i->pixels.height())};
  *unit = 2;  // pixels
  return Ok;
}

Status GdipGetImageDimension(Handle image, float* width, float* height) {
  auto i = find<Image>(image);
  if (!i || !width || !height) return InvalidParameter;
  *width = float(i->pixels.width());
  *height = float(i->pixels.height());
  return Ok;
}

Status GdipGetImageType(Handle image, int* type) {
  auto i = find<Image>(image);
  if (!i || !type) return InvalidParameter;
  *type = ImageTypeBitmap;
  return Ok;
}

Status GdipGetImageWidth(Handle image, std::uint32_t* width) {
  auto i = find<Image>(image);
  if (!i || !width) return InvalidParameter;
  *width = std::uint32_t(i->pixels.width());
  return Ok;
}

Status GdipGetImageHeight(Handle image, std::uint32_t* height) {
  auto i = find<Image>(image);
  if (!i || !height) return InvalidParameter;
  *height = std::uint32_t(i->pixels.height());
  return Ok;
}

Status GdipGetImageHorizontalResolution(Handle image, float* dpi) {
  auto i = find<Image>(image);
  if (!i || !dpi) return InvalidParameter;
  *dpi = i->dpi_x;
  return Ok;
}

Status GdipGetImageVerticalResolution(Handle image, float* dpi) {
  auto i = find<Image>(image);
  if (!i || !dpi) return InvalidParameter;
  *dpi = i->dpi_y;
  return Ok;
}

Status GdipGetImageFlags(Handle image, std::uint32_t* flags) {
  auto i = find<Image>(image);
  if (!i || !flags) return InvalidParameter;
  *flags = 0x10;  // RGB colour space
  if (has_alpha(i->format)) *flags |= 0x2;
  if (!(i->raw_format == kImageFormatMemoryBmp))
    *flags |= 0x2000 | 0x1000;  // real pixel size and resolution
  return Ok;
}

Status GdipGetImagePixelFormat(Handle image, int* format) {
  auto i = find<Image>(image);
  if (!i || !format) return InvalidParameter;
  *format = i->format;
  return Ok;
}

Status GdipGetImageThumbnail(Handle image, std::uint32_t width, std::uint32_t height,
                             Handle* thumbnail, void*, void*) {
  auto i = find<Image>(image);
  if (!i || !thumbnail) return InvalidParameter;
  if (width == 0 && height == 0) width = height = 120;  // the platform's own thumbnail size
  if (width == 0 || height == 0 || width > 0x8000 || height > 0x8000) return InvalidParameter;
  std::shared_ptr<Image> checked;  // the size limit of every image, before Qt allocates
  if (Status s = make_image(int(width), int(height), PixelFormat32bppPARGB, &checked)) return s;
  QImage scaled =
      i->pixels.scaled(int(width), int(height), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (scaled.isNull()) return OutOfMemory;
  *thumbnail = add_object(derived(*i, scaled, PixelFormat32bppPARGB));
  return Ok;
}

Status GdipCloneBitmapAreaI(int x, int y, int width, int height, int format, Handle bitmap,
                            Handle* clone) {
  auto i = find<Image>(bitmap);
  if (!i || !clone || width < 1 || height < 1 || !valid_format(format)) return InvalidParameter;
  if (!i->pixels.rect().contains(QRect(x, y, width, height))) return InvalidParameter;
  if (i->locked) return WrongState;
  QImage area = i->pixels.copy(x, y, width, height);
  if (area.isNull()) return OutOfMemory;
  if (!has_alpha(format)) make_opaque(area);
  *clone = add_object(derived(*i, area, format));
  return Ok;
}

Status GdipCloneBitmapArea(float x, float y, float width, float height, int format, Handle bitmap,
                           Handle* clone) {
  if (!(std::abs(x) < 1e9f && std::abs(y) < 1e9f && width < 1e9f && height < 1e9f))
    return InvalidParameter;  // also NaN
  return GdipCloneBitmapAreaI(int(x), int(y), int(width), int(height), format, bitmap, clone);
}

Status GdipBitmapLockBits(Handle bitmap, const Rect* rect, unsigned mode, int format,
                          BitmapData* data) {
  auto i = find<Image>(bitmap);
  if (!i || !data || !(mode & (ImageLockModeRead | ImageLockModeWrite)) || mode > 7)
    return InvalidParameter;
  Rect area = rect ? *rect : Rect{0, 0, i->pixels.width(), i->pixels.height()};
  if (area.width < 1 || area.height < 1 ||
      !i->pixels.rect().contains(QRect(area.x, area.y, area.width, area.height)))
    return InvalidParameter;
  QImage::Format f = lock_format(format);
  if (f == QImage::Format_Invalid) return valid_format(format) ? NotImplemented : InvalidParameter;
  if (i->locked) return WrongState;
  const int row = area.width * bytes_per_pixel(f);
  unsigned char* out = nullptr;
  int stride = 0;
  if (mode & ImageLockModeUserInputBuf) {
    if (!data->scan0 || (data->stride >= 0 ? data->stride : -data->stride) < row)
      return InvalidParameter;
    out = static_cast<unsigned char*>(data->scan0);
    stride = data->stride;
    i->lock_user = data->scan0;
  } else {
    stride = (row + 3) & ~3;
    try {
      i->lock_buffer.assign(std::size_t(stride) * area.height, 0);
    } catch (const std::bad_alloc&) {
      return OutOfMemory;
    }
    out = i->lock_buffer.data();
    i->lock_user = nullptr;
  }
  if (mode & ImageLockModeRead) {
    QImage part = i->pixels.copy(area.x, area.y, area.width, area.height).convertToFormat(f);
    for (int y = 0; y < area.height; ++y)
      std::memcpy(out + std::ptrdiff_t(y) * stride, part.constScanLine(y), row);
  }
  i->locked = true;
  i->lock_rect = area;
  i->lock_mode = mode;
  i->lock_format = format;
  i->lock_stride = stride;
  *data = BitmapData{std::uint32_t(area.width), std::uint32_t(area.height), stride, format, out, 0};
  return Ok;
}

Status GdipBitmapUnlockBits(Handle bitmap, BitmapData* data) {
  auto i = find<Image>(bitmap);
  if (!i || !data) return InvalidParameter;
  if (!i->locked) return WrongState;
  if (i->lock_mode & ImageLockModeWrite) {
    const Rect& area = i->lock_rect;
    QImage::Format f = lock_format(i->lock_format);
    const auto* in =
        static_cast<const unsigned char*>(i->lock_user ? i->lock_user : i->lock_buffer.data());
    const int format = i->lock_format, size = bytes_per_pixel(f);
    const bool alpha = has_alpha(i->format);
    for (int y = 0; y < area.height; ++y) {
      auto* dst = reinterpret_cast<QRgb*>(i->pixels.scanLine(area.y + y)) + area.x;
      const unsigned char* px = in + std::ptrdiff_t(y) * i->lock_stride;
      for (int x = 0; x < area.width; ++x, px += size) {
        QRgb p;  // as the caller wrote it, straight or premultiplied
        if (size == 3) {
          p = qRgb(px[2], px[1], px[0]);
        } else {
          std::memcpy(&p, px, 4);  // the caller's buffer need not be aligned
          if (format == PixelFormat32bppRGB) p |= 0xFF000000u;
        }
        if (format == PixelFormat32bppPARGB) {  // no colour above its alpha
          int a = qAlpha(p);
          p = qRgba(std::min(qRed(p), a), std::min(qGreen(p), a), std::min(qBlue(p), a), a);
          dst[x] = alpha ? p : (qUnpremultiply(p) | 0xFF000000u);
        } else {
          dst[x] = alpha ? qPremultiply(p) : (p | 0xFF000000u);
        }
      }
    }
  }
  i->locked = false;
  i->lock_buffer.clear();
  i->lock_buffer.shrink_to_fit();
  i->lock_user = nullptr;
  return Ok;
}

Status GdipBitmapGetPixel(Handle bitmap, int x, int y, ARGB* color) {
  auto i = find<Image>(bitmap);
  if (!i || !color || !i->pixels.valid(x, y)) return InvalidParameter;
  if (i->locked) return WrongState;
  *color = qUnpremultiply(i->pixels.pixel(x, y));
  return Ok;
}

Status GdipBitmapSetPixel(Handle bitmap, int x, int y, ARGB color) {
  auto i = find<Image>(bitmap);
  if (!i || !i->pixels.valid(x, y)) return InvalidParameter;
  if (i->format & kPixelFormatIndexed) return InvalidParameter;  // as the platform: no pixel
  if (i->locked) return WrongState;
  reinterpret_cast<QRgb*>(i->pixels.scanLine(y))[x] = stored(i->format, color);
  return Ok;
}

Status GdipBitmapSetResolution(Handle bitmap, float dpi_x, float dpi_y) {
  auto i = find<Image>(bitmap);
  if (!i || !(dpi_x > 0 && dpi_y > 0 && dpi_x < 1e6f && dpi_y < 1e6f)) return InvalidParameter;
  i->dpi_x = dpi_x;
  i->dpi_y = dpi_y;
  return Ok;
}

Status GdipImageRotateFlip(Handle image, int type) {
  auto i = find<Image>(image);
  if (!i || type < 0 || type > 7) return InvalidParameter;
  if (i->locked) return WrongState;
  int quarter = type & 3;
  QImage turned = quarter ? i->pixels.transformed(QTransform().rotate(90.0 * quarter)) : i->pixels;
  if (type & 4) turned = turned.mirrored(true, false);
  if (turned.isNull()) return OutOfMemory;
  i->pixels = turned.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (quarter & 1) std::swap(i->dpi_x, i->dpi_y);
  return Ok;
}

}  // namespace lumetra::flat
