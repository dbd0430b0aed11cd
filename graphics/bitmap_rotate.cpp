// Rotation by an arbitrary angle, drawn through a surface on a new bitmap.
#include <cmath>

#include "graphics/bitmap.h"

namespace lumetra {

bool Bitmap::rotate(float angle, Bitmap& target, std::optional<ARGB> background,
                    std::optional<int> interpolation, std::optional<flat::SizeF> size) {
  std::uint32_t w = 0, h = 0;
  flat::GdipGetImageWidth(bitmap_handle_, &w);
  flat::GdipGetImageHeight(bitmap_handle_, &h);
  float W = 0, H = 0;
  if (size) {
    W = size->width;
    H = size->height;
  } else {
    rotated_size(float(w), float(h), static_cast<int>(std::trunc(angle)), W, H);
  }
  Handle made = 0;
  if (!store_status(flat::GdipCreateBitmapFromScan0(static_cast<int>(W), static_cast<int>(H), 0,
                                                    flat::PixelFormat32bppARGB, nullptr, &made)))
    return false;
  float dpi_x = 96, dpi_y = 96;
  flat::GdipGetImageHorizontalResolution(bitmap_handle_, &dpi_x);
  flat::GdipGetImageVerticalResolution(bitmap_handle_, &dpi_y);
  flat::GdipBitmapSetResolution(made, dpi_x, dpi_y);

  Handle surface = 0;
  if (!store_status(flat::GdipGetImageGraphicsContext(made, &surface))) {
    flat::GdipDisposeImage(made);
    return false;
  }
  auto give_up = [&] {
    flat::GdipDisposeImage(made);
    flat::GdipDeleteGraphics(surface);
    return false;
  };
  if (background) {
    Handle brush = 0;
    if (!store_status(flat::GdipCreateSolidFill(*background, &brush))) return give_up();
    flat::GdipFillRectangle(surface, brush, 0, 0, W, H);
    flat::GdipDeleteBrush(brush);
  }
  if (interpolation) flat::GdipSetInterpolationMode(surface, *interpolation);
  Handle matrix = 0;
  if (!store_status(flat::GdipCreateMatrix(&matrix))) return give_up();
  constexpr int kPrepend = 0;
  flat::GdipTranslateMatrix(matrix, W / 2, H / 2, kPrepend);
  flat::GdipRotateMatrix(matrix, angle, kPrepend);
  flat::GdipTranslateMatrix(matrix, -W / 2, -H / 2, kPrepend);
  flat::GdipTranslateMatrix(matrix, (W - float(w)) / 2, (H - float(h)) / 2, kPrepend);
  flat::GdipSetWorldTransform(surface, matrix);
  bool drawn = store_status(flat::GdipDrawImage(surface, image_handle_, 0, 0));
  flat::GdipResetWorldTransform(surface);
  flat::GdipDeleteMatrix(matrix);
  flat::GdipDeleteGraphics(surface);
  // A picture that could not be drawn is not handed over: the target keeps what it held.
  if (!drawn) {
    flat::GdipDisposeImage(made);
    return false;
  }
  target.set_handle(made);
  return true;
}

}  // namespace lumetra
