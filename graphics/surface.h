// Graphics, the drawing surface, over an image of the flat layer; the objects it draws with are
// in graphics/draw_objects.h.
//
// Usage (the shadow): `Graphics g; g.from_image(bitmap); g.fill_rectangle(brush, s, s, w, h);`
// paints without antialiasing, so integer rectangles fill whole pixels exactly. Each operation
// is one flat call through a pattern of graphics/base.h and stores its status in `last_status`;
// the `_i` forms take integers. Point and rectangle lists are passed as one block with their
// count (an empty list passes no block and 0). Matrix orders: 0 prepend, 1 append. Text takes
// code page 936 (or UTF-16 in the `_wide` forms) and needs the process's QGuiApplication.
// Surfaces on windows or device contexts, device contexts, window-system regions and metafile
// playback return NotImplemented (6). `delete_` releases the native object (destruction calls
// it). One thread at a time per object.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "graphics/base.h"
#include "graphics/draw_objects.h"
#include "graphics/flat_draw.h"
#include "graphics/region.h"

namespace lumetra {

class Graphics : public GraphicsObject {
  using O = GraphicsObject;
  using PointF = flat::PointF;
  using Point = flat::Point;
  using RectF = flat::RectF;
  using Rect = flat::Rect;
  using PointsF = std::vector<flat::PointF>;
  using PointsI = std::vector<flat::Point>;
  using RectsF = std::vector<flat::RectF>;
  using RectsI = std::vector<flat::Rect>;
  using Regions = std::vector<std::unique_ptr<Region>>;
  static constexpr int kPixel = flat::UnitPixel;

 public:
  ~Graphics() override { delete_(); }
  Handle graphics_handle() const { return g_; }

  // -- Creation --
  bool delete_() { return deleter(*this, flat::GdipDeleteGraphics); }
  // Nothing is stored in `last_status`: every call here paints at once.
  void flush(int intention = 0) { flat::GdipFlush(g_, intention); }
  bool from_hwnd(Handle hwnd, bool icm = false) {
    return creator(*this, g_,
                   icm_choice(icm, flat::GdipCreateFromHWND, flat::GdipCreateFromHWNDICM), hwnd);
  }
  bool from_hdc(Handle hdc, std::optional<Handle> device = std::nullopt) {
    return device ? creator(*this, g_, flat::GdipCreateFromHDC2, hdc, *device)
                  : creator(*this, g_, flat::GdipCreateFromHDC, hdc);
  }
  bool from_image(const O& image) {
    return creator(*this, g_, flat::GdipGetImageGraphicsContext, image.handle());
  }
  Handle get_dc() { return getter<Handle>(flat::GdipGetDC, g_); }
  bool release_dc(Handle hdc) { return forwarder(flat::GdipReleaseDC, g_, hdc); }

  // -- Rendering settings --
  int compositing_mode() { return getter<int>(flat::GdipGetCompositingMode, g_); }
  bool set_compositing_mode(int v) { return forwarder(flat::GdipSetCompositingMode, g_, v); }
  bool rendering_origin(int& x, int& y) {
    return forwarder(flat::GdipGetRenderingOrigin, g_, &x, &y);
  }
  bool set_rendering_origin(int x, int y) {
    return forwarder(flat::GdipSetRenderingOrigin, g_, x, y);
  }
  int compositing_quality() { return getter<int>(flat::GdipGetCompositingQuality, g_); }
  bool set_compositing_quality(int v) { return forwarder(flat::GdipSetCompositingQuality, g_, v); }
  bool set_smoothing_mode(int v) { return forwarder(flat::GdipSetSmoothingMode, g_, v); }
  int smoothing_mode() { return getter<int>(flat::GdipGetSmoothingMode, g_); }
  bool set_text_rendering_hint(int v) { return forwarder(flat::GdipSetTextRenderingHint, g_, v); }
  int text_rendering_hint() { return getter<int>(flat::GdipGetTextRenderingHint, g_); }
  bool set_interpolation_mode(int v) { return forwarder(flat::GdipSetInterpolationMode, g_, v); }
  int interpolation_mode() { return getter<int>(flat::GdipGetInterpolationMode, g_); }
  bool set_pixel_offset_mode(int v) { return forwarder(flat::GdipSetPixelOffsetMode, g_, v); }
  int pixel_offset_mode() { return getter<int>(flat::GdipGetPixelOffsetMode, g_); }

  // -- World and page transforms --
  bool set_world_transform(const O& matrix) {
    return forwarder(flat::GdipSetWorldTransform, g_, matrix.handle());
  }
  // Copies the world transform into the matrix.
  bool world_transform(const O& matrix) {
    return forwarder(flat::GdipGetWorldTransform, g_, matrix.handle());
  }
  bool reset_world_transform() { return forwarder(flat::GdipResetWorldTransform, g_); }
  bool multiply_world_transform(const O& matrix, int order = 0) {
    return forwarder(flat::GdipMultiplyWorldTransform, g_, matrix.handle(), order);
  }
  bool translate_world_transform(float dx, float dy, int order = 0) {
    return forwarder(flat::GdipTranslateWorldTransform, g_, dx, dy, order);
  }
  bool scale_world_transform(float sx, float sy, int order = 0) {
    return forwarder(flat::GdipScaleWorldTransform, g_, sx, sy, order);
  }
  // Scales about the centre, which stays where it was.
  bool scale_world_transform_at(float sx, float sy, const PointF& centre, int order = 0);
  bool rotate_world_transform(float angle, int order = 0) {
    return forwarder(flat::GdipRotateWorldTransform, g_, angle, order);
  }
  bool rotate_world_transform_at(float angle, const PointF& centre, int order = 0);
  bool set_page_unit(int unit) { return forwarder(flat::GdipSetPageUnit, g_, unit); }
  int page_unit() { return getter<int>(flat::GdipGetPageUnit, g_); }
  bool set_page_scale(float scale) { return forwarder(flat::GdipSetPageScale, g_, scale); }
  float page_scale() { return getter<float>(flat::GdipGetPageScale, g_); }
  float dpi_x() { return getter<float>(flat::GdipGetDpiX, g_); }
  float dpi_y() { return getter<float>(flat::GdipGetDpiY, g_); }
  // Spaces: 0 world, 1 page, 2 device.
  bool transform_points(int dest, int src, PointsF& p) {
    return forwarder(flat::GdipTransformPoints, g_, dest, src, detail::block(p), detail::count(p));
  }
  bool transform_points_i(int dest, int src, PointsI& p) {
    return forwarder(flat::GdipTransformPointsI, g_, dest, src, detail::block(p), detail::count(p));
  }
  ARGB nearest_color(ARGB color) {
    store_status(flat::GdipGetNearestColor(g_, &color));
    return color;
  }

  // -- Lines, curves and shapes --
  bool draw_line(const O& pen, float x1, float y1, float x2, float y2) {
    return forwarder(flat::GdipDrawLine, g_, pen.handle(), x1, y1, x2, y2);
  }
  bool draw_line_i(const O& pen, int x1, int y1, int x2, int y2) {
    return forwarder(flat::GdipDrawLineI, g_, pen.handle(), x1, y1, x2, y2);
  }
  bool draw_lines(const O& pen, const PointsF& p) {
    return forwarder(flat::GdipDrawLines, g_, pen.handle(), detail::block(p), detail::count(p));
  }
  bool draw_lines_i(const O& pen, const PointsI& p) {
    return forwarder(flat::GdipDrawLinesI, g_, pen.handle(), detail::block(p), detail::count(p));
  }
  bool draw_arc(const O& pen, float x, float y, float w, float h, float start, float sweep) {
    return forwarder(flat::GdipDrawArc, g_, pen.handle(), x, y, w, h, start, sweep);
  }
  bool draw_arc_i(const O& pen, int x, int y, int w, int h, float start, float sweep) {
    return forwarder(flat::GdipDrawArcI, g_, pen.handle(), x, y, w, h, start, sweep);
  }
  bool draw_bezier(const O& pen, float x1, float y1, float x2, float y2, float x3, float y3,
                   float x4, float y4) {
    return forwarder(flat::GdipDrawBezier, g_, pen.handle(), x1, y1, x2, y2, x3, y3, x4, y4);
  }
  bool draw_bezier_i(const O& pen, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    return forwarder(flat::GdipDrawBezierI, g_, pen.handle(), x1, y1, x2, y2, x3, y3, x4, y4);
  }
  bool draw_beziers(const O& pen, const PointsF& p) {
    return forwarder(flat::GdipDrawBeziers, g_, pen.handle(), detail::block(p), detail::count(p));
  }
  bool draw_beziers_i(const O& pen, const PointsI& p) {
    return forwarder(flat::GdipDrawBeziersI, g_, pen.handle(), detail::block(p), detail::count(p));
  }
  bool draw_rectangle(const O& pen, float x, float y, float w, float h) {
    return forwarder(flat::GdipDrawRectangle, g_, pen.handle(), x, y, w, h);
  }
  bool draw_rectangle_i(const O& pen, int x, int y, int w, int h) {
    return forwarder(flat::GdipDrawRectangleI, g_, pen.handle(), x, y, w, h);
  }
  bool draw_rectangles(const O& pen, const RectsF& r) {
    return forwarder(flat::GdipDrawRectangles, g_, pen.handle(), detail::block(r),
                     detail::count(r));
  }
  bool draw_rectangles_i(const O& pen, const RectsI& r) {
    return forwarder(flat::GdipDrawRectanglesI, g_, pen.handle(), detail::block(r),
                     detail::count(r));
  }
  bool draw_ellipse(const O& pen, float x, float y, float w, float h) {
    return forwarder(flat::GdipDrawEllipse, g_, pen.handle(), x, y, w, h);
  }
  bool draw_ellipse_i(const O& pen, int x, int y, int w, int h) {
    return forwarder(flat::GdipDrawEllipseI, g_, pen.handle(), x, y, w, h);
  }
  bool draw_pie(const O& pen, float x, float y, float w, float h, float start, float sweep) {
    return forwarder(flat::GdipDrawPie, g_, pen.handle(), x, y, w, h, start, sweep);
  }
  bool draw_pie_i(const O& pen, int x, int y, int w, int h, float start, float sweep) {
    return forwarder(flat::GdipDrawPieI, g_, pen.handle(), x, y, w, h, start, sweep);
  }
  bool draw_polygon(const O& pen, const PointsF& p) {
    return forwarder(flat::GdipDrawPolygon, g_, pen.handle(), detail::block(p), detail::count(p));
  }
  bool draw_polygon_i(const O& pen, const PointsI& p) {
    return forwarder(flat::GdipDrawPolygonI, g_, pen.handle(), detail::block(p), detail::count(p));
  }
  bool draw_path(const O& pen, const O& path) {
    return forwarder(flat::GdipDrawPath, g_, pen.handle(), path.handle());
  }
  bool draw_curve(const O& pen, const PointsF& p) {
    return forwarder(flat::GdipDrawCurve, g_, pen.handle(), detail::block(p), detail::count(p));
  }
  bool draw_curve_i(const O& pen, const PointsI& p) {
    return forwarder(flat::GdipDrawCurveI, g_, pen.handle(), detail::block(p), detail::count(p));
  }
  bool draw_curve2(const O& pen, const PointsF& p, float tension) {
    return forwarder(flat::GdipDrawCurve2, g_, pen.handle(), detail::block(p), detail::count(p),
                     tension);
  }
  bool draw_curve2_i(const O& pen, const PointsI& p, float tension) {
    return forwarder(flat::GdipDrawCurve2I, g_, pen.handle(), detail::block(p), detail::count(p),
                     tension);
  }
  bool draw_curve3(const O& pen, const PointsF& p, int offset, int segments, float tension) {
    return forwarder(flat::GdipDrawCurve3, g_, pen.handle(), detail::block(p), detail::count(p),
                     offset, segments, tension);
  }
  bool draw_curve3_i(const O& pen, const PointsI& p, int offset, int segments, float tension) {
    return forwarder(flat::GdipDrawCurve3I, g_, pen.handle(), detail::block(p), detail::count(p),
                     offset, segments, tension);
  }
  bool draw_closed_curve(const O& pen, const PointsF& p) {
    return forwarder(flat::GdipDrawClosedCurve, g_, pen.handle(), detail::block(p),
                     detail::count(p));
  }
  bool draw_closed_curve_i(const O& pen, const PointsI& p) {
    return forwarder(flat::GdipDrawClosedCurveI, g_, pen.handle(), detail::block(p),
                     detail::count(p));
  }
  bool draw_closed_curve2(const O& pen, const PointsF& p, float tension) {
    return forwarder(flat::GdipDrawClosedCurve2, g_, pen.handle(), detail::block(p),
                     detail::count(p), tension);
  }
  bool draw_closed_curve2_i(const O& pen, const PointsI& p, float tension) {
    return forwarder(flat::GdipDrawClosedCurve2I, g_, pen.handle(), detail::block(p),
                     detail::count(p), tension);
  }

  // -- Fills --
  bool clear(ARGB color) { return forwarder(flat::GdipGraphicsClear, g_, color); }
  bool fill_rectangle(const O& brush, float x, float y, float w, float h) {
    return forwarder(flat::GdipFillRectangle, g_, brush.handle(), x, y, w, h);
  }
  bool fill_rectangle_record(const O& brush, const RectF& r) {
    return fill_rectangle(brush, r.x, r.y, r.width, r.height);
  }
  bool fill_rectangle_i(const O& brush, int x, int y, int w, int h) {
    return forwarder(flat::GdipFillRectangleI, g_, brush.handle(), x, y, w, h);
  }
  bool fill_rectangles(const O& brush, const RectsF& r) {
    return forwarder(flat::GdipFillRectangles, g_, brush.handle(), detail::block(r),
                     detail::count(r));
  }
  bool fill_rectangles_i(const O& brush, const RectsI& r) {
    return forwarder(flat::GdipFillRectanglesI, g_, brush.handle(), detail::block(r),
                     detail::count(r));
  }
  bool fill_polygon(const O& brush, const PointsF& p, int fill_mode = 0) {
    return forwarder(flat::GdipFillPolygon, g_, brush.handle(), detail::block(p), detail::count(p),
                     fill_mode);
  }
  bool fill_polygon_i(const O& brush, const PointsI& p, int fill_mode = 0) {
    return forwarder(flat::GdipFillPolygonI, g_, brush.handle(), detail::block(p), detail::count(p),
                     fill_mode);
  }
  bool fill_ellipse(const O& brush, float x, float y, float w, float h) {
    return forwarder(flat::GdipFillEllipse, g_, brush.handle(), x, y, w, h);
  }
  bool fill_ellipse_i(const O& brush, int x, int y, int w, int h) {
    return forwarder(flat::GdipFillEllipseI, g_, brush.handle(), x, y, w, h);
  }
  bool fill_pie(const O& brush, float x, float y, float w, float h, float start, float sweep) {
    return forwarder(flat::GdipFillPie, g_, brush.handle(), x, y, w, h, start, sweep);
  }
  bool fill_pie_i(const O& brush, int x, int y, int w, int h, float start, float sweep) {
    return forwarder(flat::GdipFillPieI, g_, brush.handle(), x, y, w, h, start, sweep);
  }
  bool fill_path(const O& brush, const O& path) {
    return forwarder(flat::GdipFillPath, g_, brush.handle(), path.handle());
  }
  bool fill_closed_curve(const O& brush, const PointsF& p) {
    return forwarder(flat::GdipFillClosedCurve, g_, brush.handle(), detail::block(p),
                     detail::count(p));
  }
  bool fill_closed_curve2(const O& brush, const PointsF& p, float tension, int fill_mode = 0) {
    return forwarder(flat::GdipFillClosedCurve2, g_, brush.handle(), detail::block(p),
                     detail::count(p), tension, fill_mode);
  }
  bool fill_closed_curve_i(const O& brush, const PointsI& p) {
    return forwarder(flat::GdipFillClosedCurveI, g_, brush.handle(), detail::block(p),
                     detail::count(p));
  }
  bool fill_closed_curve2_i(const O& brush, const PointsI& p, float tension, int fill_mode = 0) {
    return forwarder(flat::GdipFillClosedCurve2I, g_, brush.handle(), detail::block(p),
                     detail::count(p), tension, fill_mode);
  }
  bool fill_region(const O& brush, const O& region) {
    return forwarder(flat::GdipFillRegion, g_, brush.handle(), region.handle());
  }

  // -- Text --
  bool draw_string(const Text& text, const O& font, const O& brush, const RectF& layout,
                   const O& format) {
    return draw_string_wide(to_wide(text), font, brush, layout, format);
  }
  bool draw_string_wide(const std::u16string& text, const O& font, const O& brush,
                        const RectF& layout, const O& format);
  bool measure_string(const Text& text, const O& font, const RectF& layout, const O& format,
                      RectF& bounds) {
    return measure_string_wide(to_wide(text), font, layout, format, bounds);
  }
  bool measure_string_wide(const std::u16string& text, const O& font, const RectF& layout,
                           const O& format, RectF& bounds);
  // One region per measurable range of the format into `list`; a count below 1 is refused.
  bool measure_character_ranges(const Text& text, const O& font, const RectF& layout,
                                const O& format, int count, Regions& list) {
    return measure_character_ranges_wide(to_wide(text), font, layout, format, count, list);
  }
  bool measure_character_ranges_wide(const std::u16string& text, const O& font, const RectF& layout,
                                     const O& format, int count, Regions& list);
  // Flags: 1 looks glyphs up through the character map (else the text holds glyph indices).
  bool draw_driver_string(const Text& text, const O& font, const O& brush, const PointsF& positions,
                          const O& matrix, int flags = 1) {
    return draw_driver_string_wide(to_wide(text), font, brush, positions, matrix, flags);
  }
  bool draw_driver_string_wide(const std::u16string& text, const O& font, const O& brush,
                               const PointsF& positions, const O& matrix, int flags = 1);
  bool set_text_contrast(unsigned v) { return forwarder(flat::GdipSetTextContrast, g_, v); }
  unsigned text_contrast() { return getter<unsigned>(flat::GdipGetTextContrast, g_); }

  // -- Images --
  bool draw_image(const O& image, float x, float y) {
    return forwarder(flat::GdipDrawImage, g_, image.handle(), x, y);
  }
  bool draw_image_i(const O& image, int x, int y) {
    return forwarder(flat::GdipDrawImageI, g_, image.handle(), x, y);
  }
  bool draw_cached_bitmap(const O& cached, float x, float y) {
    return forwarder(flat::GdipDrawCachedBitmap, g_, cached.handle(), static_cast<int>(x),
                     static_cast<int>(y));
  }
  // The whole image into the rectangle.
  bool draw_image_rect(const O& image, float x, float y, float w, float h, int unit = kPixel);
  bool draw_image_rect_i(const O& image, int x, int y, int w, int h, int unit = kPixel);
  // Into the parallelogram of three corners: upper-left, upper-right, lower-left.
  bool draw_image_points(const O& image, float x1, float y1, float x2, float y2, float x3,
                         float y3) {
    PointF p[] = {{x1, y1}, {x2, y2}, {x3, y3}};
    return forwarder(flat::GdipDrawImagePoints, g_, image.handle(), p, 3);
  }
  bool draw_image_points_i(const O& image, int x1, int y1, int x2, int y2, int x3, int y3) {
    Point p[] = {{x1, y1}, {x2, y2}, {x3, y3}};
    return forwarder(flat::GdipDrawImagePointsI, g_, image.handle(), p, 3);
  }
  bool draw_image_point_rect(const O& image, float x, float y, float sx, float sy, float sw,
                             float sh, int unit = kPixel) {
    return forwarder(flat::GdipDrawImagePointRect, g_, image.handle(), x, y, sx, sy, sw, sh, unit);
  }
  bool draw_image_point_rect_i(const O& image, int x, int y, int sx, int sy, int sw, int sh,
                               int unit = kPixel) {
    return forwarder(flat::GdipDrawImagePointRectI, g_, image.handle(), x, y, sx, sy, sw, sh, unit);
  }
  bool draw_image_rect_rect(const O& image, float dx, float dy, float dw, float dh, float sx,
                            float sy, float sw, float sh, int unit = kPixel,
                            const O* attributes = nullptr) {
    return forwarder(flat::GdipDrawImageRectRect, g_, image.handle(), dx, dy, dw, dh, sx, sy, sw,
                     sh, unit, attributes ? attributes->handle() : 0, nullptr, nullptr);
  }
  bool draw_image_rect_rect_i(const O& image, int dx, int dy, int dw, int dh, int sx, int sy,
                              int sw, int sh, int unit = kPixel, const O* attributes = nullptr) {
    return forwarder(flat::GdipDrawImageRectRectI, g_, image.handle(), dx, dy, dw, dh, sx, sy, sw,
                     sh, unit, attributes ? attributes->handle() : 0, nullptr, nullptr);
  }
  bool draw_image_points_rect(const O& image, float x1, float y1, float x2, float y2, float x3,
                              float y3, float sx, float sy, float sw, float sh, int unit = kPixel,
                              const O* attributes = nullptr) {
    PointF p[] = {{x1, y1}, {x2, y2}, {x3, y3}};
    return forwarder(flat::GdipDrawImagePointsRect, g_, image.handle(), p, 3, sx, sy, sw, sh, unit,
                     attributes ? attributes->handle() : 0, nullptr, nullptr);
  }
  bool draw_image_points_rect_i(const O& image, int x1, int y1, int x2, int y2, int x3, int y3,
                                int sx, int sy, int sw, int sh, int unit = kPixel,
                                const O* attributes = nullptr) {
    Point p[] = {{x1, y1}, {x2, y2}, {x3, y3}};
    return forwarder(flat::GdipDrawImagePointsRectI, g_, image.handle(), p, 3, sx, sy, sw, sh, unit,
                     attributes ? attributes->handle() : 0, nullptr, nullptr);
  }

  // -- Metafile playback (NotImplemented here) --
  bool enumerate_metafile_dest_point(const O& m, const PointF& d, void* cb, void* data,
                                     const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileDestPoint, g_, m.handle(), &d, cb, data,
                     a ? a->handle() : 0);
  }
  bool enumerate_metafile_dest_point_i(const O& m, const Point& d, void* cb, void* data,
                                       const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileDestPointI, g_, m.handle(), &d, cb, data,
                     a ? a->handle() : 0);
  }
  bool enumerate_metafile_dest_points(const O& m, const PointsF& d, void* cb, void* data,
                                      const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileDestPoints, g_, m.handle(), detail::block(d),
                     detail::count(d), cb, data, a ? a->handle() : 0);
  }
  bool enumerate_metafile_dest_points_i(const O& m, const PointsI& d, void* cb, void* data,
                                        const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileDestPointsI, g_, m.handle(), detail::block(d),
                     detail::count(d), cb, data, a ? a->handle() : 0);
  }
  bool enumerate_metafile_dest_rect(const O& m, const RectF& d, void* cb, void* data,
                                    const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileDestRect, g_, m.handle(), &d, cb, data,
                     a ? a->handle() : 0);
  }
  bool enumerate_metafile_dest_rect_i(const O& m, const Rect& d, void* cb, void* data,
                                      const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileDestRectI, g_, m.handle(), &d, cb, data,
                     a ? a->handle() : 0);
  }
  bool enumerate_metafile_src_rect_dest_point(const O& m, const PointF& d, const RectF& s, int unit,
                                              void* cb, void* data, const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileSrcRectDestPoint, g_, m.handle(), &d, &s, unit, cb,
                     data, a ? a->handle() : 0);
  }
  bool enumerate_metafile_src_rect_dest_point_i(const O& m, const Point& d, const Rect& s, int unit,
                                                void* cb, void* data, const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileSrcRectDestPointI, g_, m.handle(), &d, &s, unit, cb,
                     data, a ? a->handle() : 0);
  }
  bool enumerate_metafile_src_rect_dest_points(const O& m, const PointsF& d, const RectF& s,
                                               int unit, void* cb, void* data,
                                               const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileSrcRectDestPoints, g_, m.handle(), detail::block(d),
                     detail::count(d), &s, unit, cb, data, a ? a->handle() : 0);
  }
  bool enumerate_metafile_src_rect_dest_points_i(const O& m, const PointsI& d, const Rect& s,
                                                 int unit, void* cb, void* data,
                                                 const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileSrcRectDestPointsI, g_, m.handle(),
                     detail::block(d), detail::count(d), &s, unit, cb, data, a ? a->handle() : 0);
  }
  bool enumerate_metafile_src_rect_dest_rect(const O& m, const RectF& d, const RectF& s, int unit,
                                             void* cb, void* data, const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileSrcRectDestRect, g_, m.handle(), &d, &s, unit, cb,
                     data, a ? a->handle() : 0);
  }
  bool enumerate_metafile_src_rect_dest_rect_i(const O& m, const Rect& d, const Rect& s, int unit,
                                               void* cb, void* data, const O* a = nullptr) {
    return forwarder(flat::GdipEnumerateMetafileSrcRectDestRectI, g_, m.handle(), &d, &s, unit, cb,
                     data, a ? a->handle() : 0);
  }

  // -- Clipping (combine mode 0 replaces) --
  bool set_clip_graphics(const O& source, int mode = 0) {
    return forwarder(flat::GdipSetClipGraphics, g_, source.handle(), mode);
  }
  bool set_clip_path(const O& path, int mode = 0) {
    return forwarder(flat::GdipSetClipPath, g_, path.handle(), mode);
  }
  bool set_clip_rect(float x, float y, float w, float h, int mode = 0) {
    return forwarder(flat::GdipSetClipRect, g_, x, y, w, h, mode);
  }
  bool set_clip_rect_i(int x, int y, int w, int h, int mode = 0) {
    return forwarder(flat::GdipSetClipRectI, g_, x, y, w, h, mode);
  }
  bool set_clip_region(const O& region, int mode = 0) {
    return forwarder(flat::GdipSetClipRegion, g_, region.handle(), mode);
  }
  bool set_clip_hrgn(Handle hrgn, int mode = 0) {
    return forwarder(flat::GdipSetClipHrgn, g_, hrgn, mode);
  }
  bool reset_clip() { return forwarder(flat::GdipResetClip, g_); }
  bool translate_clip(float dx, float dy) { return forwarder(flat::GdipTranslateClip, g_, dx, dy); }
  bool translate_clip_i(int dx, int dy) { return forwarder(flat::GdipTranslateClipI, g_, dx, dy); }
  // Copies the clip into the region.
  bool clip(const O& region) { return forwarder(flat::GdipGetClip, g_, region.handle()); }
  RectF clip_bounds() { return getter<RectF>(flat::GdipGetClipBounds, g_); }
  Rect clip_bounds_i() { return getter<Rect>(flat::GdipGetClipBoundsI, g_); }
  RectF visible_clip_bounds() { return getter<RectF>(flat::GdipGetVisibleClipBounds, g_); }
  Rect visible_clip_bounds_i() { return getter<Rect>(flat::GdipGetVisibleClipBoundsI, g_); }
  bool is_clip_empty() { return getter<int>(flat::GdipIsClipEmpty, g_) != 0; }
  bool is_visible_clip_empty() { return getter<int>(flat::GdipIsVisibleClipEmpty, g_) != 0; }
  bool is_visible_point(float x, float y) {
    return getter<int>(flat::GdipIsVisiblePoint, g_, x, y) != 0;
  }
  bool is_visible_point_i(int x, int y) {
    return getter<int>(flat::GdipIsVisiblePointI, g_, x, y) != 0;
  }
  bool is_visible_rect(float x, float y, float w, float h) {
    return getter<int>(flat::GdipIsVisibleRect, g_, x, y, w, h) != 0;
  }
  bool is_visible_rect_i(int x, int y, int w, int h) {
    return getter<int>(flat::GdipIsVisibleRectI, g_, x, y, w, h) != 0;
  }

  // -- Saved states and containers --
  unsigned save_graphics() { return getter<unsigned>(flat::GdipSaveGraphics, g_); }
  bool restore_graphics(unsigned state) { return forwarder(flat::GdipRestoreGraphics, g_, state); }
  unsigned begin_container(const RectF& dest, const RectF& src, int unit) {
    return getter<unsigned>(flat::GdipBeginContainer, g_, &dest, &src, unit);
  }
  unsigned begin_container_i(const Rect& dest, const Rect& src, int unit) {
    return getter<unsigned>(flat::GdipBeginContainerI, g_, &dest, &src, unit);
  }
  unsigned begin_container2() { return getter<unsigned>(flat::GdipBeginContainer2, g_); }
  bool end_container(unsigned state) { return forwarder(flat::GdipEndContainer, g_, state); }
  bool comment(const Bytes& data) {
    return forwarder(flat::GdipComment, g_, static_cast<unsigned>(data.size()),
                     reinterpret_cast<const unsigned char*>(data.data()));
  }

 protected:
  void handle_hook(Handle h) override {
    g_ = h;
    graphics_hook(h);
  }
  void graphics_hook(Handle) {}

 private:
  Handle g_ = 0;
};

}  // namespace lumetra
