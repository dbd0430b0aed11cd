// PNG and BMP files written straight from an image's pixels: Qt's PNG writer tries every row
// filter at full compression and takes longer than the rest of a shadow put together, and its
// BMP writer drops the alpha channel.
#pragma once

#include <QByteArray>
#include <QImage>

namespace lumetra::flat {

// `pixels` is premultiplied ARGB; `alpha` keeps the alpha channel in the file (RGBA, or 32-bit
// BMP with an alpha mask), otherwise the file is RGB. Empty when memory runs out.
QByteArray write_png(const QImage& pixels, bool alpha, float dpi_x, float dpi_y);
QByteArray write_bmp(const QImage& pixels, bool alpha, float dpi_x, float dpi_y);

}  // namespace lumetra::flat
