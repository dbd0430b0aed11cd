#include "graphics/surface.h"

namespace lumetra {
namespace {

// The UTF-16 length up to the terminating zero.
int length_of(const std::u16string& text) {
  return static_cast<int>(std::char_traits<char16_t>::length(text.c_str()));
}

}  // namespace

// Append: the centre is in device space, so move it to the origin, scale, move it back.
// Prepend: the same three steps in world space, given in the reverse order.
bool Graphics::scale_world_transform_at(float sx, float sy, const PointF& c, int order) {
  float sign = order ? -1.0f : 1.0f;
  translate_world_transform(sign * c.x, sign * c.y, order);
  scale_world_transform(sx, sy, order);
  return translate_world_transform(-sign * c.x, -sign * c.y, order);
}

bool Graphics::rotate_world_transform_at(float angle, const PointF& c, int order) {
  float sign = order ? -1.0f : 1.0f;
  translate_world_transform(sign * c.x, sign * c.y, order);
  rotate_world_transform(angle, order);
  return translate_world_transform(-sign * c.x, -sign * c.y, order);
}

bool Graphics::draw_string_wide(const std::u16string& text, const O& font, const O& brush,
                                const RectF& layout, const O& format) {
  return forwarder(flat::GdipDrawString, g_, text.c_str(), length_of(text), font.handle(), &layout,
                   format.handle(), brush.handle());
}

bool Graphics::measure_string_wide(const std::u16string& text, const O& font, const RectF& layout,
                                   const O& format, RectF& bounds) {
  return forwarder(flat::GdipMeasureString, g_, text.c_str(), length_of(text), font.handle(),
                   &layout, format.handle(), &bounds, nullptr, nullptr);
}

bool Graphics::measure_character_ranges_wide(const std::u16string& text, const O& font,
                                             const RectF& layout, const O& format, int count,
                                             Regions& list) {
  if (count < 1) return store_status(flat::InvalidParameter);
  std::vector<Handle> made;
  // Regions made before a failure are deleted: nothing would hold them otherwise.
  auto give_up = [&] {
    for (Handle h : made) flat::GdipDeleteRegion(h);
    return false;
  };
  for (int i = 0; i < count; ++i) {
    Handle h = 0;
    if (!store_status(flat::GdipCreateRegion(&h))) return give_up();
    made.push_back(h);
  }
  if (!store_status(flat::GdipMeasureCharacterRanges(g_, text.c_str(), length_of(text),
                                                     font.handle(), &layout, format.handle(), count,
                                                     made.data())))
    return give_up();
  list.clear();
  for (Handle h : made) {
    list.push_back(std::make_unique<Region>());
    list.back()->set_handle(h);
  }
  return true;
}

bool Graphics::draw_driver_string_wide(const std::u16string& text, const O& font, const O& brush,
                                       const PointsF& positions, const O& matrix, int flags) {
  // The flat call reads one position per character, or only the first with realized advances.
  std::size_t needed = flags & flat::DriverStringOptionsRealizedAdvance ? 1 : length_of(text);
  if (positions.size() < needed) return store_status(flat::InvalidParameter);
  return forwarder(flat::GdipDrawDriverString, g_,
                   reinterpret_cast<const std::uint16_t*>(text.c_str()), length_of(text),
                   font.handle(), brush.handle(), detail::block(positions), flags, matrix.handle());
}

bool Graphics::draw_image_rect(const O& image, float x, float y, float w, float h, int unit) {
  std::uint32_t iw = 0, ih = 0;
  flat::GdipGetImageWidth(image.handle(), &iw);
  flat::GdipGetImageHeight(image.handle(), &ih);
  return draw_image_rect_rect(image, x, y, w, h, 0, 0, float(iw), float(ih), unit);
}

bool Graphics::draw_image_rect_i(const O& image, int x, int y, int w, int h, int unit) {
  std::uint32_t iw = 0, ih = 0;
  flat::GdipGetImageWidth(image.handle(), &iw);
  flat::GdipGetImageHeight(image.handle(), &ih);
  return draw_image_rect_rect_i(image, x, y, w, h, 0, 0, int(iw), int(ih), unit);
}

}  // namespace lumetra
