#include "graphics/flat_writers.h"

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <new>
#include <string>

namespace lumetra::flat {
namespace {

void put32(std::string& out, std::uint32_t v) {
  const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  out.append(b, 4);
}

void put32le(std::string& out, std::uint32_t v) {
  const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
  out.append(b, 4);
}

void put16le(std::string& out, std::uint16_t v) {
  const char b[2] = {char(v), char(v >> 8)};
  out.append(b, 2);
}

void chunk(std::string& out, const char* type, const std::string& data) {
  put32(out, std::uint32_t(data.size()));
  std::size_t start = out.size();
  out.append(type, 4);
  out += data;
  uLong crc =
      crc32(0, reinterpret_cast<const Bytef*>(out.data() + start), uInt(out.size() - start));
  put32(out, std::uint32_t(crc));
}

std::uint32_t per_metre(float dpi) {
  return std::uint32_t(std::lround(dpi / 0.0254));
}

}  // namespace

QByteArray write_png(const QImage& pixels, bool alpha, float dpi_x, float dpi_y) {
  try {
    const QImage rows =
        pixels.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (rows.isNull()) return {};
    const int w = rows.width(), h = rows.height();
    const std::size_t row_bytes = std::size_t(w) * (alpha ? 4 : 3);
    // Every row but the first as its difference from the row above (the "up" filter): the
    // large even areas of a drawn picture become zeros, which compress fast at level 1.
    std::string raw(std::size_t(h) * (row_bytes + 1), '\0');
    for (int y = 0; y < h; ++y) {
      char* out = raw.data() + std::size_t(y) * (row_bytes + 1);
      const uchar* row = rows.constScanLine(y);
      if (y == 0) {
        std::memcpy(out + 1, row, row_bytes);
        continue;
      }
      const uchar* above = rows.constScanLine(y - 1);
      out[0] = 2;
      for (std::size_t i = 0; i < row_bytes; ++i) out[1 + i] = char(row[i] - above[i]);
    }
    std::string packed(compressBound(uLong(raw.size())), '\0');
    uLongf packed_size = uLongf(packed.size());
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
                  reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()), 1) != Z_OK)
      return {};
    packed.resize(packed_size);

    std::string png("\x89PNG\r\n\x1A\n", 8), header, physical;
    put32(header, std::uint32_t(w));
    put32(header, std::uint32_t(h));
    header += char(8);              // bits per channel
    header += char(alpha ? 6 : 2);  // RGBA or RGB
    header.append(3, '\0');         // deflate, adaptive filters, no interlace
    chunk(png, "IHDR", header);
    put32(physical, per_metre(dpi_x));
    put32(physical, per_metre(dpi_y));
    physical += char(1);  // metres
    chunk(png, "pHYs", physical);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", {});
    return QByteArray(png.data(), qsizetype(png.size()));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

QByteArray write_bmp(const QImage& pixels, bool alpha, float dpi_x, float dpi_y) {
  try {
    // 32-bit rows are the bytes of unpremultiplied ARGB in memory: blue, green, red, alpha.
    const QImage rows =
        pixels.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    if (rows.isNull()) return {};
    const int w = rows.width(), h = rows.height();
    const std::size_t row_bytes = std::size_t(w) * (alpha ? 4 : 3);
    const std::size_t stride = (row_bytes + 3) & ~std::size_t(3);
    const std::uint32_t header_size = alpha ? 108 : 40;  // with the alpha mask, or plain
    const std::uint32_t offset = 14 + header_size;
    const std::size_t total = offset + stride * std::size_t(h);
    if (total > 0xFFFFFFFFu) return {};
    std::string bmp;
    bmp.reserve(total);
    bmp += "BM";
    put32le(bmp, std::uint32_t(total));
    put32le(bmp, 0);
    put32le(bmp, offset);
    put32le(bmp, header_size);
    put32le(bmp, std::uint32_t(w));
    put32le(bmp, std::uint32_t(h));  // positive: the rows run from the bottom up
    put16le(bmp, 1);
    put16le(bmp, alpha ? 32 : 24);
    put32le(bmp, alpha ? 3 : 0);  // bit fields, or plain RGB
    put32le(bmp, std::uint32_t(stride * std::size_t(h)));
    put32le(bmp, per_metre(dpi_x));
    put32le(bmp, per_metre(dpi_y));
    put32le(bmp, 0);
    put32le(bmp, 0);
    if (alpha) {
      put32le(bmp, 0x00FF0000);  // red, green, blue and alpha masks
      put32le(bmp, 0x0000FF00);
      put32le(bmp, 0x000000FF);
      put32le(bmp, 0xFF000000);
      bmp += "BGRs";         // the sRGB colour space, stored backwards
      bmp.append(48, '\0');  // end points and gammas, unused with sRGB
    }
    for (int y = h - 1; y >= 0; --y) {
      bmp.append(reinterpret_cast<const char*>(rows.constScanLine(y)), row_bytes);
      bmp.append(stride - row_bytes, '\0');
    }
    return QByteArray(bmp.data(), qsizetype(bmp.size()));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace lumetra::flat
