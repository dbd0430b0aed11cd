// The shadow's two pictures, drawn with the graphics wrappers.
#include "graphics/graphics.h"
#include "graphics/surface.h"
#include "shadow/shadow.h"

namespace lumetra::shadow {
namespace {

constexpr std::uint32_t black = 0x000000, white = 0xFFFFFF;

}  // namespace

Bytes render_shadow_image(int w, int h, int s) {
  Bitmap bitmap;
  bitmap.create(w + 2 * s, h + 2 * s);  // 32-bit ARGB, every pixel transparent
  SolidBrush brush;
  brush.create(to_argb(black, 255));
  BlurEffect blur;
  blur.create();
  const flat::BlurParams params{static_cast<float>(s), 1};
  blur.set_parameters(&params);
  Graphics surface;
  surface.from_image(bitmap);
  surface.fill_rectangle(brush, static_cast<float>(s), static_cast<float>(s), static_cast<float>(w),
                         static_cast<float>(h));
  bitmap.apply_effect(blur);  // the whole bitmap: the edges fade out over the band
  Bytes png = bitmap.save_to_bytes(kImageFormatPng);
  bitmap.dispose();
  blur.delete_();
  surface.delete_();
  brush.delete_();
  return png;
}

Bytes render_shadow_shape(int w, int h, int s) {
  Bitmap bitmap;
  bitmap.create(w + 2 * s, h + 2 * s);
  SolidBrush inside, outside;
  inside.create(to_argb(white));
  outside.create(to_argb(mask_outside_colour));
  Graphics surface;
  surface.from_image(bitmap);
  surface.fill_rectangle(inside, 0, 0, static_cast<float>(w + 2 * s),
                         static_cast<float>(h + 2 * s));
  surface.fill_rectangle(outside, static_cast<float>(s), static_cast<float>(s),
                         static_cast<float>(w), static_cast<float>(h));
  Bytes bmp = bitmap.save_to_bytes(kImageFormatBmp);
  bitmap.dispose();
  surface.delete_();
  inside.delete_();
  outside.delete_();
  return bmp;
}

}  // namespace lumetra::shadow
