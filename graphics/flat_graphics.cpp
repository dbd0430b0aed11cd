// Surfaces on images: creation, settings, transforms, clipping, saved states and containers.
#include <QPainter>

#include <cmath>

#include "graphics/flat_draw.h"

namespace lumetra::flat {
namespace {

template <class T>
Status read_setting(Handle g, T* out, T SurfaceState::*member) {
  auto s = find_surface(g);
  if (!s || !out) return InvalidParameter;
  *out = s->state.*member;
  return Ok;
}

Status write_setting(Handle g, int value, int low, int high, int SurfaceState::*member) {
  auto s = find_surface(g);
  if (!s || value < low || value > high) return InvalidParameter;
  s->state.*member = value;
  return Ok;
}

Status transform_world(Handle g, const QTransform& t, int order) {
  auto s = find_surface(g);
  if (!s || (order != MatrixOrderPrepend && order != MatrixOrderAppend)) return InvalidParameter;
  QTransform world = order == MatrixOrderPrepend ? t * s->state.world : s->state.world * t;
  if (!world.isInvertible()) return InvalidParameter;
  s->state.world = world;
  return Ok;
}

// Sets the clip from an area in world coordinates.
Status clip_with(Handle g, const Area& world_area, int mode) {
  auto s = find_surface(g);
  if (!s) return InvalidParameter;
  Area clip = s->state.clip;
  if (Status st = combine_area(clip, map_area(world_area, s->to_device()), mode)) return st;
  s->state.clip = std::move(clip);
  return Ok;
}

QRectF world_bounds(const Surface& s, const Area& device_area) {
  if (device_area.infinite) return area_bounds(device_area);
  return s.to_device().inverted().mapRect(area_bounds(device_area));
}

Area visible_area(const Surface& s) {
  Area a = s.effective_clip();
  combine_area(a, rect_area(QRectF(s.image->pixels.rect())), CombineModeIntersect);
  return a;
}

template <class R>
Status clip_bounds(Handle g, R* rect, bool visible) {
  auto s = find_surface(g);
  if (!s || !rect) return InvalidParameter;
  QRectF b = world_bounds(*s, visible ? visible_area(*s) : s->effective_clip());
  if constexpr (std::is_same_v<R, Rect>) {
    *rect = aligned_rect(b);
  } else {
    *rect = RectF{float(b.x()), float(b.y()), float(b.width()), float(b.height())};
  }
  return Ok;
}

Status begin(Handle g, const QTransform& map, unsigned* state) {
  auto s = find_surface(g);
  if (!s || !state) return InvalidParameter;
  s->saved.push_back({s->next_id, s->state});
  *state = s->next_id++;
  SurfaceState& st = s->state;
  st.base_clip = s->effective_clip();
  st.clip = infinite_area();
  st.base = map * st.world * st.base;
  st.world = QTransform();
  return Ok;
}

Status restore(Handle g, unsigned id) {
  auto s = find_surface(g);
  if (!s) return InvalidParameter;
  for (std::size_t i = s->saved.size(); i-- > 0;) {
    if (s->saved[i].id != id) continue;
    s->state = s->saved[i].state;
    s->saved.resize(i);
    return Ok;
  }
  return InvalidParameter;  // no such state, or it was already restored
}

Status begin_rects(Handle g, const QRectF& dest, const QRectF& src, int unit, unsigned* state) {
  if (unit_scale(unit, 96) == 0 || unit == UnitWorld || src.width() == 0 || src.height() == 0 ||
      !dest.isValid())
    return InvalidParameter;
  QTransform map = QTransform::fromTranslate(-src.x(), -src.y()) *
                   QTransform::fromScale(dest.width() / src.width(), dest.height() / src.height()) *
                   QTransform::fromTranslate(dest.x(), dest.y());
  return begin(g, map, state);
}

}  // namespace

float unit_scale(int unit, float dpi) {
  switch (unit) {
    case UnitWorld:
    case UnitDisplay:
    case UnitPixel:
      return 1;
    case UnitPoint:
      return dpi / 72;
    case UnitInch:
      return dpi;
    case UnitDocument:
      return dpi / 300;
    case UnitMillimeter:
      return dpi / 25.4f;
    default:
      return 0;
  }
}

QTransform Surface::page() const {
  float k = state.page_scale * unit_scale(state.page_unit, image->dpi_x);
  float ky = state.page_scale * unit_scale(state.page_unit, image->dpi_y);
  return QTransform::fromScale(k, ky);
}

QTransform Surface::to_device() const {
  return state.world * state.base * page();
}

Area Surface::effective_clip() const {
  Area a = state.clip;
  combine_area(a, state.base_clip, CombineModeIntersect);
  return a;
}

std::shared_ptr<Surface> find_surface(Handle g) {
  return find<Surface>(g);
}

Status paint(Surface& s, const std::function<void(QPainter&)>& draw) {
  if (s.image->locked) return WrongState;
  QPainter p(&s.image->pixels);
  if (!p.isActive()) return GenericError;
  const SurfaceState& st = s.state;
  p.setRenderHint(QPainter::Antialiasing, st.smoothing_mode == 2 || st.smoothing_mode >= 4);
  p.setRenderHint(QPainter::SmoothPixmapTransform, st.interpolation_mode != 5);
  p.setRenderHint(QPainter::TextAntialiasing, st.text_hint != 1 && st.text_hint != 2);
  p.setCompositionMode(st.compositing_mode == 1 ? QPainter::CompositionMode_Source
                                                : QPainter::CompositionMode_SourceOver);
  Area clip = s.effective_clip();
  if (!clip.infinite) p.setClipRegion(area_region(clip, s.image->pixels.rect()));
  p.setTransform(s.to_device());
  draw(p);
  p.end();
  // Premultiplied pixels made opaque are the same colours over black.
  if (!(s.image->format & kPixelFormatAlpha))
    for (int y = 0; y < s.image->pixels.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(s.image->pixels.scanLine(y));
      for (int x = 0; x < s.image->pixels.width(); ++x) line[x] |= 0xFF000000;
    }
  return Ok;
}

// ---- Creation ----

Status GdipGetImageGraphicsContext(Handle image, Handle* graphics) {
  auto i = find<Image>(image);
  if (!i || !graphics) return InvalidParameter;
  if (Status s = require_started()) return s;
  auto s = std::make_shared<Surface>();
  s->image = std::move(i);
  s->state.clip = infinite_area();
  s->state.base_clip = infinite_area();
  *graphics = add_object(std::move(s));
  return Ok;
}

Status GdipDeleteGraphics(Handle graphics) {
  return remove_object(graphics, Kind::Graphics) ? Ok : InvalidParameter;
}

Status GdipCreateFromHWND(Handle, Handle* g) {
  return g ? NotImplemented : InvalidParameter;
}
Status GdipCreateFromHWNDICM(Handle, Handle* g) {
  return g ? NotImplemented : InvalidParameter;
}
Status GdipCreateFromHDC(Handle, Handle* g) {
  return g ? NotImplemented : InvalidParameter;
}
Status GdipCreateFromHDC2(Handle, Handle, Handle* g) {
  return g ? NotImplemented : InvalidParameter;
}
Status GdipGetDC(Handle g, Handle* hdc) {
  return find_surface(g) && hdc ? NotImplemented : InvalidParameter;
}
Status GdipReleaseDC(Handle g, Handle) {
  return find_surface(g) ? NotImplemented : InvalidParameter;
}

Status GdipFlush(Handle g, int) {
  return find_surface(g) ? Ok : InvalidParameter;  // every call paints at once
}

// ---- Settings ----

Status GdipGetCompositingMode(Handle g, int* v) {
  return read_setting(g, v, &SurfaceState::compositing_mode);
}
Status GdipSetCompositingMode(Handle g, int v) {
  return write_setting(g, v, 0, 1, &SurfaceState::compositing_mode);
}
Status GdipGetCompositingQuality(Handle g, int* v) {
  return read_setting(g, v, &SurfaceState::compositing_quality);
}
Status GdipSetCompositingQuality(Handle g, int v) {
  return write_setting(g, v, 0, 4, &SurfaceState::compositing_quality);
}
Status GdipGetSmoothingMode(Handle g, int* v) {
  return read_setting(g, v, &SurfaceState::smoothing_mode);
}
Status GdipSetSmoothingMode(Handle g, int v) {
  return write_setting(g, v, 0, 5, &SurfaceState::smoothing_mode);
}
Status GdipGetTextRenderingHint(Handle g, int* v) {
  return read_setting(g, v, &SurfaceState::text_hint);
}
Status GdipSetTextRenderingHint(Handle g, int v) {
  return write_setting(g, v, 0, 5, &SurfaceState::text_hint);
}
Status GdipGetInterpolationMode(Handle g, int* v) {
  return read_setting(g, v, &SurfaceState::interpolation_mode);
}
Status GdipSetInterpolationMode(Handle g, int v) {
  return write_setting(g, v, 0, 7, &SurfaceState::interpolation_mode);
}
Status GdipGetPixelOffsetMode(Handle g, int* v) {
  return read_setting(g, v, &SurfaceState::pixel_offset_mode);
}
Status GdipSetPixelOffsetMode(Handle g, int v) {
  return write_setting(g, v, 0, 4, &SurfaceState::pixel_offset_mode);
}
Status GdipGetTextContrast(Handle g, unsigned* v) {
  return read_setting(g, v, &SurfaceState::text_contrast);
}
Status GdipSetTextContrast(Handle g, unsigned v) {
  auto s = find_surface(g);
  if (!s || v > 12) return InvalidParameter;
  s->state.text_contrast = v;
  return Ok;
}

Status GdipGetRenderingOrigin(Handle g, int* x, int* y) {
  auto s = find_surface(g);
  if (!s || !x || !y) return InvalidParameter;
  *x = s->state.origin_x;
  *y = s->state.origin_y;
  return Ok;
}

Status GdipSetRenderingOrigin(Handle g, int x, int y) {
  auto s = find_surface(g);
  if (!s) return InvalidParameter;
  s->state.origin_x = x;
  s->state.origin_y = y;
  return Ok;
}

Status GdipGetPageUnit(Handle g, int* v) {
  return read_setting(g, v, &SurfaceState::page_unit);
}
Status GdipSetPageUnit(Handle g, int v) {
  return write_setting(g, v, UnitDisplay, UnitMillimeter, &SurfaceState::page_unit);
}
Status GdipGetPageScale(Handle g, float* v) {
  return read_setting(g, v, &SurfaceState::page_scale);
}
Status GdipSetPageScale(Handle g, float v) {
  auto s = find_surface(g);
  if (!s || !(v > 0) || !std::isfinite(v)) return InvalidParameter;
  s->state.page_scale = v;
  return Ok;
}

Status GdipGetDpiX(Handle g, float* dpi) {
  auto s = find_surface(g);
  if (!s || !dpi) return InvalidParameter;
  *dpi = s->image->dpi_x;
  return Ok;
}

Status GdipGetDpiY(Handle g, float* dpi) {
  auto s = find_surface(g);
  if (!s || !dpi) return InvalidParameter;
  *dpi = s->image->dpi_y;
  return Ok;
}

Status GdipGetNearestColor(Handle g, ARGB* color) {
  auto s = find_surface(g);
  if (!s || !color) return InvalidParameter;
  if (!(s->image->format & kPixelFormatAlpha)) *color |= 0xFF000000;
  return Ok;
}

Status GdipGraphicsClear(Handle g, ARGB color) {
  auto s = find_surface(g);
  if (!s) return InvalidParameter;
  return paint(*s, [&](QPainter& p) {
    p.resetTransform();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(s->image->pixels.rect(), to_qcolor(color));
  });
}

Status GdipComment(Handle g, unsigned size, const unsigned char* data) {
  // Only metafiles keep comments; on an image there is nothing to record.
  return find_surface(g) && (data || size == 0) ? Ok : InvalidParameter;
}

// ---- World and page transforms ----

Status GdipSetWorldTransform(Handle g, Handle matrix) {
  auto s = find_surface(g);
  auto m = find<Matrix>(matrix);
  if (!s || !m || !m->m.isInvertible()) return InvalidParameter;
  s->state.world = m->m;
  return Ok;
}

Status GdipGetWorldTransform(Handle g, Handle matrix) {
  auto s = find_surface(g);
  auto m = find<Matrix>(matrix);
  if (!s || !m) return InvalidParameter;
  m->m = s->state.world;
  return Ok;
}

Status GdipResetWorldTransform(Handle g) {
  auto s = find_surface(g);
  if (!s) return InvalidParameter;
  s->state.world = QTransform();
  return Ok;
}

Status GdipMultiplyWorldTransform(Handle g, Handle matrix, int order) {
  auto m = find<Matrix>(matrix);
  if (!m) return InvalidParameter;
  return transform_world(g, m->m, order);
}

Status GdipTranslateWorldTransform(Handle g, float dx, float dy, int order) {
  if (!finite({dx, dy})) return InvalidParameter;
  return transform_world(g, QTransform::fromTranslate(dx, dy), order);
}

Status GdipScaleWorldTransform(Handle g, float sx, float sy, int order) {
  if (!finite({sx, sy})) return InvalidParameter;
  return transform_world(g, QTransform::fromScale(sx, sy), order);
}

Status GdipRotateWorldTransform(Handle g, float angle, int order) {
  if (!finite({angle})) return InvalidParameter;
  return transform_world(g, QTransform().rotate(angle), order);
}

template <class P>
static Status transform_points(Handle g, int dest, int src, P* points, int count) {
  auto s = find_surface(g);
  if (!s || !points || count <= 0) return InvalidParameter;
  auto to_device = [&](int space, QTransform* t) {
    if (space == CoordinateSpaceWorld)
      *t = s->to_device();
    else if (space == CoordinateSpacePage)
      *t = s->page();
    else if (space == CoordinateSpaceDevice)
      *t = QTransform();
    else
      return false;
    return true;
  };
  QTransform from, to;
  if (!to_device(src, &from) || !to_device(dest, &to) || !to.isInvertible())
    return InvalidParameter;
  QTransform t = from * to.inverted();
  for (int i = 0; i < count; ++i) {
    QPointF q = t.map(QPointF(points[i].x, points[i].y));
    if constexpr (std::is_same_v<P, Point>)
      points[i] = Point{int(std::lround(q.x())), int(std::lround(q.y()))};
    else
      points[i] = PointF{float(q.x()), float(q.y())};
  }
  return Ok;
}

Status GdipTransformPoints(Handle g, int dest, int src, PointF* points, int count) {
  return transform_points(g, dest, src, points, count);
}
Status GdipTransformPointsI(Handle g, int dest, int src, Point* points, int count) {
  return transform_points(g, dest, src, points, count);
}

// ---- Clipping ----

Status GdipSetClipGraphics(Handle g, Handle source, int mode) {
  auto s = find_surface(g);
  auto o = find_surface(source);
  if (!s || !o) return InvalidParameter;
  Area clip = s->state.clip, other = o->effective_clip();
  if (Status st = combine_area(clip, other, mode)) return st;
  s->state.clip = std::move(clip);
  return Ok;
}

Status GdipSetClipPath(Handle g, Handle path, int mode) {
  auto p = find<Path>(path);
  if (!p) return InvalidParameter;
  Area a;
  a.path = p->path;
  return clip_with(g, a, mode);
}

Status GdipSetClipRect(Handle g, float x, float y, float w, float h, int mode) {
  if (!finite({x, y, w, h})) return InvalidParameter;
  return clip_with(g, rect_area(QRectF(x, y, w, h)), mode);
}

Status GdipSetClipRectI(Handle g, int x, int y, int w, int h, int mode) {
  return GdipSetClipRect(g, float(x), float(y), float(w), float(h), mode);
}

Status GdipSetClipRegion(Handle g, Handle region, int mode) {
  auto r = find<Region>(region);
  if (!r) return InvalidParameter;
  Area a = r->area;
  return clip_with(g, a, mode);
}

Status GdipSetClipHrgn(Handle g, Handle, int) {
  return find_surface(g) ? NotImplemented : InvalidParameter;
}

Status GdipResetClip(Handle g) {
  auto s = find_surface(g);
  if (!s) return InvalidParameter;
  s->state.clip = infinite_area();
  return Ok;
}

Status GdipTranslateClip(Handle g, float dx, float dy) {
  auto s = find_surface(g);
  if (!s || !finite({dx, dy})) return InvalidParameter;
  QTransform t = s->to_device();
  s->state.clip = map_area(s->state.clip, t.inverted() * QTransform::fromTranslate(dx, dy) * t);
  return Ok;
}

Status GdipTranslateClipI(Handle g, int dx, int dy) {
  return GdipTranslateClip(g, float(dx), float(dy));
}

Status GdipGetClip(Handle g, Handle region) {
  auto s = find_surface(g);
  auto r = find<Region>(region);
  if (!s || !r) return InvalidParameter;
  r->area = map_area(s->effective_clip(), s->to_device().inverted());
  return Ok;
}

Status GdipGetClipBounds(Handle g, RectF* rect) {
  return clip_bounds(g, rect, false);
}
Status GdipGetClipBoundsI(Handle g, Rect* rect) {
  return clip_bounds(g, rect, false);
}
Status GdipGetVisibleClipBounds(Handle g, RectF* rect) {
  return clip_bounds(g, rect, true);
}
Status GdipGetVisibleClipBoundsI(Handle g, Rect* rect) {
  return clip_bounds(g, rect, true);
}

Status GdipIsClipEmpty(Handle g, int* result) {
  auto s = find_surface(g);
  if (!s || !result) return InvalidParameter;
  *result = area_is_empty(s->effective_clip());
  return Ok;
}

Status GdipIsVisibleClipEmpty(Handle g, int* result) {
  auto s = find_surface(g);
  if (!s || !result) return InvalidParameter;
  *result = area_pixels(s->effective_clip(), s->image->pixels.rect()).empty();
  return Ok;
}

Status GdipIsVisiblePoint(Handle g, float x, float y, int* result) {
  auto s = find_surface(g);
  if (!s || !result) return InvalidParameter;
  QPointF d = s->to_device().map(QPointF(x, y));
  *result = area_contains(visible_area(*s), d);
  return Ok;
}

Status GdipIsVisiblePointI(Handle g, int x, int y, int* result) {
  return GdipIsVisiblePoint(g, float(x), float(y), result);
}

Status GdipIsVisibleRect(Handle g, float x, float y, float w, float h, int* result) {
  auto s = find_surface(g);
  if (!s || !result) return InvalidParameter;
  Area a = map_area(rect_area(QRectF(x, y, w, h)), s->to_device());
  combine_area(a, visible_area(*s), CombineModeIntersect);
  *result = !area_is_empty(a);
  return Ok;
}

Status GdipIsVisibleRectI(Handle g, int x, int y, int w, int h, int* result) {
  return GdipIsVisibleRect(g, float(x), float(y), float(w), float(h), result);
}

// ---- Saved states and containers ----

Status GdipSaveGraphics(Handle g, unsigned* state) {
  auto s = find_surface(g);
  if (!s || !state) return InvalidParameter;
  s->saved.push_back({s->next_id, s->state});
  *state = s->next_id++;
  return Ok;
}

Status GdipRestoreGraphics(Handle g, unsigned state) {
  return restore(g, state);
}

Status GdipBeginContainer(Handle g, const RectF* dest, const RectF* src, int unit,
                          unsigned* state) {
  if (!dest || !src) return InvalidParameter;
  return begin_rects(g, QRectF(dest->x, dest->y, dest->width, dest->height),
                     QRectF(src->x, src->y, src->width, src->height), unit, state);
}

Status GdipBeginContainerI(Handle g, const Rect* dest, const Rect* src, int unit, unsigned* state) {
  if (!dest || !src) return InvalidParameter;
  return begin_rects(g, QRectF(dest->x, dest->y, dest->width, dest->height),
                     QRectF(src->x, src->y, src->width, src->height), unit, state);
}

Status GdipBeginContainer2(Handle g, unsigned* state) {
  return begin(g, QTransform(), state);
}

Status GdipEndContainer(Handle g, unsigned state) {
  return restore(g, state);
}

}  // namespace lumetra::flat
