// The small objects a drawing surface draws with: pens, paths, matrices, font families, fonts,
// string formats, image attributes and cached bitmaps. Each owns one native object, made by its
// `create` (a creator) and released by `delete_` (destruction calls it).
//
// Usage: `Pen pen; pen.create(0xFF000000, 2);` then `graphics.draw_line(pen, 0, 0, 10, 10)`.
// Point lists travel as one block with their count; an empty list passes no block and 0.
#pragma once

#include <array>
#include <vector>

#include "graphics/base.h"
#include "graphics/flat_draw.h"

namespace lumetra {

namespace detail {
template <class T>
T* block(std::vector<T>& v) {
  return v.empty() ? nullptr : v.data();
}
template <class T>
const T* block(const std::vector<T>& v) {
  return v.empty() ? nullptr : v.data();
}
template <class T>
int count(const std::vector<T>& v) {
  return static_cast<int>(v.size());
}
}  // namespace detail

// The common shape of the objects below: one level, one native object, one delete function.
template <flat::Status (*Delete)(Handle)>
class NativeObject : public GraphicsObject {
 public:
  ~NativeObject() override { delete_(); }
  bool delete_() { return deleter(*this, Delete); }

 protected:
  void handle_hook(Handle h) override { own_ = h; }
  Handle own_ = 0;
};

class Pen : public NativeObject<flat::GdipDeletePen> {
 public:
  bool create(ARGB color, float width = 1, int unit = flat::UnitWorld) {
    return creator(*this, own_, flat::GdipCreatePen1, color, width, unit);
  }
};

class GraphicsPath : public NativeObject<flat::GdipDeletePath> {
 public:
  bool create(int fill_mode = flat::FillModeAlternate) {
    return creator(*this, own_, flat::GdipCreatePath, fill_mode);
  }
  bool add_line(float x1, float y1, float x2, float y2) {
    return forwarder(flat::GdipAddPathLine, own_, x1, y1, x2, y2);
  }
  bool add_rectangle(const flat::RectF& r) {
    return forwarder(flat::GdipAddPathRectangle, own_, r.x, r.y, r.width, r.height);
  }
  bool add_ellipse(const flat::RectF& r) {
    return forwarder(flat::GdipAddPathEllipse, own_, r.x, r.y, r.width, r.height);
  }
  bool add_polygon(const std::vector<flat::PointF>& p) {
    return forwarder(flat::GdipAddPathPolygon, own_, detail::block(p), detail::count(p));
  }
  bool close_figure() { return forwarder(flat::GdipClosePathFigure, own_); }
};

class Matrix : public NativeObject<flat::GdipDeleteMatrix> {
 public:
  bool create() { return creator(*this, own_, flat::GdipCreateMatrix); }
  bool create(float m11, float m12, float m21, float m22, float dx, float dy) {
    return creator(*this, own_, flat::GdipCreateMatrix2, m11, m12, m21, m22, dx, dy);
  }
  bool translate(float dx, float dy, int order = 0) {
    return forwarder(flat::GdipTranslateMatrix, own_, dx, dy, order);
  }
  bool scale(float sx, float sy, int order = 0) {
    return forwarder(flat::GdipScaleMatrix, own_, sx, sy, order);
  }
  bool rotate(float angle, int order = 0) {
    return forwarder(flat::GdipRotateMatrix, own_, angle, order);
  }
  // m11, m12, m21, m22, dx, dy.
  std::array<float, 6> elements() {
    std::array<float, 6> e{};
    forwarder(flat::GdipGetMatrixElements, own_, e.data());
    return e;
  }
};

class FontFamily : public NativeObject<flat::GdipDeleteFontFamily> {
 public:
  bool create(const Text& name) {
    std::u16string wide = to_wide(name);
    return creator(*this, own_, flat::GdipCreateFontFamilyFromName, wide.c_str(), Handle{0});
  }
  bool create_sans_serif() { return creator(*this, own_, flat::GdipGetGenericFontFamilySansSerif); }
};

class Font : public NativeObject<flat::GdipDeleteFont> {
 public:
  // Style bits: 1 bold, 2 italic, 4 underline, 8 strikeout.
  bool create(const FontFamily& family, float em_size, int style = 0, int unit = flat::UnitPoint) {
    return creator(*this, own_, flat::GdipCreateFont, family.handle(), em_size, style, unit);
  }
};

class StringFormat : public NativeObject<flat::GdipDeleteStringFormat> {
 public:
  bool create(int flags = 0, int language = 0) {
    return creator(*this, own_, flat::GdipCreateStringFormat, flags, language);
  }
  // 0 near, 1 centre, 2 far.
  bool set_align(int align) { return forwarder(flat::GdipSetStringFormatAlign, own_, align); }
  bool set_line_align(int align) {
    return forwarder(flat::GdipSetStringFormatLineAlign, own_, align);
  }
  bool set_measurable_character_ranges(const std::vector<flat::CharacterRange>& r) {
    return forwarder(flat::GdipSetStringFormatMeasurableCharacterRanges, own_, detail::count(r),
                     detail::block(r));
  }
};

class ImageAttributes : public NativeObject<flat::GdipDisposeImageAttributes> {
 public:
  bool create() { return creator(*this, own_, flat::GdipCreateImageAttributes); }
};

class CachedBitmap : public NativeObject<flat::GdipDeleteCachedBitmap> {
 public:
  bool create(const GraphicsObject& bitmap, const GraphicsObject& graphics) {
    return creator(*this, own_, flat::GdipCreateCachedBitmap, bitmap.handle(), graphics.handle());
  }
};

}  // namespace lumetra
