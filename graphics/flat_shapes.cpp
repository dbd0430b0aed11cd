// Lines, arcs, Béziers, rectangles, ellipses, pies, polygons, cardinal curves, paths and
// regions: drawn with a pen or filled with a brush.
#include <QPainter>

#include <cmath>
#include <numbers>

#include "graphics/flat_draw.h"

namespace lumetra::flat {
namespace {

template <class P>
Status points_of(const P* points, int count, int minimum, std::vector<QPointF>* out) {
  if (!points || count < minimum) return InvalidParameter;
  out->clear();
  for (int i = 0; i < count; ++i) {
    if (!finite({double(points[i].x), double(points[i].y)})) return InvalidParameter;
    out->emplace_back(points[i].x, points[i].y);
  }
  return Ok;
}

Status stroke(Handle g, Handle pen, const QPainterPath& path) {
  auto s = find_surface(g);
  QPen q;
  if (!s) return InvalidParameter;
  if (Status st = qt_pen(pen, &q)) return st;
  return paint(*s, [&](QPainter& p) { p.strokePath(path, q); });
}

Status fill(Handle g, Handle brush, const QPainterPath& path) {
  auto s = find_surface(g);
  QBrush q;
  if (!s) return InvalidParameter;
  if (Status st = qt_brush(brush, &q)) return st;
  return paint(*s, [&](QPainter& p) { p.fillPath(path, q); });
}

// Platform angles run clockwise on the screen and are true angles on the ellipse; Qt's run
// counter-clockwise and are parametric.
double parametric(const QRectF& r, double degrees) {
  double a = degrees * std::numbers::pi / 180;
  double t = std::atan2(r.width() * std::sin(a), r.height() * std::cos(a));
  t += 2 * std::numbers::pi * std::round((a - t) / (2 * std::numbers::pi));
  return t * 180 / std::numbers::pi;
}

Status arc_path(float x, float y, float w, float h, float start, float sweep, bool pie,
                QPainterPath* out) {
  if (!finite({x, y, w, h, start, sweep})) return InvalidParameter;
  if (w <= 0 || h <= 0) return Ok;
  QRectF r(x, y, w, h);
  sweep = std::clamp(sweep, -360.0f, 360.0f);
  double qs = -parametric(r, start), qsweep = -(parametric(r, start + sweep) + qs);
  if (std::abs(sweep) >= 360) qsweep = sweep > 0 ? -360 : 360;
  if (pie) {
    out->moveTo(r.center());
    out->arcTo(r, qs, qsweep);
    out->closeSubpath();
  } else {
    out->arcMoveTo(r, qs);
    out->arcTo(r, qs, qsweep);
  }
  return Ok;
}

// A cardinal spline through the points: each segment is a Bézier whose control points lie a
// third of the tension times the neighbours' chord away from its ends.
Status curve_path(const std::vector<QPointF>& p, int offset, int segments, float tension,
                  bool closed, QPainterPath* out) {
  int n = static_cast<int>(p.size());
  if (!std::isfinite(tension) || offset < 0 || segments < 1 ||
      (!closed && offset + segments > n - 1))
    return InvalidParameter;
  double k = tension / 3.0;
  auto at = [&](int i) { return closed ? p[(i % n + n) % n] : p[std::clamp(i, 0, n - 1)]; };
  out->moveTo(at(offset));
  for (int i = offset; i < offset + segments; ++i)
    out->cubicTo(at(i) + k * (at(i + 1) - at(i - 1)), at(i + 1) - k * (at(i + 2) - at(i)),
                 at(i + 1));
  if (closed) out->closeSubpath();
  return Ok;
}

template <class P>
Status draw_curve(Handle g, Handle pen, const P* points, int count, int offset, int segments,
                  float tension, bool closed) {
  std::vector<QPointF> p;
  if (Status s = points_of(points, count, closed ? 3 : 2, &p)) return s;
  QPainterPath path;
  if (segments < 0) segments = closed ? count : count - 1;
  if (Status s = curve_path(p, offset, segments, tension, closed, &path)) return s;
  return stroke(g, pen, path);
}

template <class P>
Status fill_curve(Handle g, Handle brush, const P* points, int count, float tension,
                  int fill_mode) {
  std::vector<QPointF> p;
  if (fill_mode != FillModeAlternate && fill_mode != FillModeWinding) return InvalidParameter;
  if (Status s = points_of(points, count, 3, &p)) return s;
  QPainterPath path;
  path.setFillRule(fill_mode == FillModeWinding ? Qt::WindingFill : Qt::OddEvenFill);
  if (Status s = curve_path(p, 0, count, tension, true, &path)) return s;
  return fill(g, brush, path);
}

template <class P>
Status draw_lines(Handle g, Handle pen, const P* points, int count, bool closed) {
  std::vector<QPointF> p;
  if (Status s = points_of(points, count, 2, &p)) return s;
  QPainterPath path;
  path.addPolygon(QPolygonF(QList<QPointF>(p.begin(), p.end())));
  if (closed) path.closeSubpath();
  return stroke(g, pen, path);
}

template <class P>
Status draw_beziers(Handle g, Handle pen, const P* points, int count) {
  std::vector<QPointF> p;
  if (Status s = points_of(points, count, 4, &p)) return s;
  if ((count - 1) % 3 != 0) return InvalidParameter;
  QPainterPath path(p[0]);
  for (int i = 1; i + 2 < count; i += 3) path.cubicTo(p[i], p[i + 1], p[i + 2]);
  return stroke(g, pen, path);
}

template <class R>
Status rects_path(const R* rects, int count, QPainterPath* out) {
  if (!rects || count < 1) return InvalidParameter;
  for (int i = 0; i < count; ++i) {
    const R& r = rects[i];
    if (!finite({double(r.x), double(r.y), double(r.width), double(r.height)}))
      return InvalidParameter;
    if (r.width > 0 && r.height > 0) out->addRect(QRectF(r.x, r.y, r.width, r.height));
  }
  return Ok;
}

Status rect_path(float x, float y, float w, float h, bool ellipse, QPainterPath* out) {
  if (!finite({x, y, w, h})) return InvalidParameter;
  if (w <= 0 || h <= 0) return Ok;
  if (ellipse)
    out->addEllipse(QRectF(x, y, w, h));
  else
    out->addRect(QRectF(x, y, w, h));
  return Ok;
}

template <class P>
Status fill_polygon(Handle g, Handle brush, const P* points, int count, int fill_mode) {
  std::vector<QPointF> p;
  if (fill_mode != FillModeAlternate && fill_mode != FillModeWinding) return InvalidParameter;
  if (Status s = points_of(points, count, 2, &p)) return s;
  QPainterPath path;
  path.setFillRule(fill_mode == FillModeWinding ? Qt::WindingFill : Qt::OddEvenFill);
  path.addPolygon(QPolygonF(QList<QPointF>(p.begin(), p.end())));
  path.closeSubpath();
  return fill(g, brush, path);
}

}  // namespace

Status qt_pen(Handle pen, QPen* out) {
  auto p = find<Pen>(pen);
  if (!p) return InvalidParameter;
  *out = QPen(QBrush(to_qcolor(p->color)), p->width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
  // A width in pixels stays so under any transform; other widths are in world units.
  out->setCosmetic(p->unit == UnitPixel);
  return Ok;
}

Status qt_brush(Handle brush, QBrush* out) {
  auto b = find<Brush>(brush);
  if (!b) return InvalidParameter;
  if (b->type != 0) return NotImplemented;  // only solid brushes are made here
  *out = QBrush(to_qcolor(b->color));
  return Ok;
}

// ---- Drawing with a pen ----

Status GdipDrawLine(Handle g, Handle pen, float x1, float y1, float x2, float y2) {
  PointF p[] = {{x1, y1}, {x2, y2}};
  return draw_lines(g, pen, p, 2, false);
}
Status GdipDrawLineI(Handle g, Handle pen, int x1, int y1, int x2, int y2) {
  Point p[] = {{x1, y1}, {x2, y2}};
  return draw_lines(g, pen, p, 2, false);
}
Status GdipDrawLines(Handle g, Handle pen, const PointF* points, int count) {
  return draw_lines(g, pen, points, count, false);
}
Status GdipDrawLinesI(Handle g, Handle pen, const Point* points, int count) {
  return draw_lines(g, pen, points, count, false);
}
Status GdipDrawPolygon(Handle g, Handle pen, const PointF* points, int count) {
  return draw_lines(g, pen, points, count, true);
}
Status GdipDrawPolygonI(Handle g, Handle pen, const Point* points, int count) {
  return draw_lines(g, pen, points, count, true);
}

Status GdipDrawArc(Handle g, Handle pen, float x, float y, float w, float h, float start,
                   float sweep) {
  QPainterPath path;
  if (Status s = arc_path(x, y, w, h, start, sweep, false, &path)) return s;
  return stroke(g, pen, path);
}
Status GdipDrawArcI(Handle g, Handle pen, int x, int y, int w, int h, float start, float sweep) {
  return GdipDrawArc(g, pen, float(x), float(y), float(w), float(h), start, sweep);
}
Status GdipDrawPie(Handle g, Handle pen, float x, float y, float w, float h, float start,
                   float sweep) {
  QPainterPath path;
  if (Status s = arc_path(x, y, w, h, start, sweep, true, &path)) return s;
  return stroke(g, pen, path);
}
Status GdipDrawPieI(Handle g, Handle pen, int x, int y, int w, int h, float start, float sweep) {
  return GdipDrawPie(g, pen, float(x), float(y), float(w), float(h), start, sweep);
}

Status GdipDrawBezier(Handle g, Handle pen, float x1, float y1, float x2, float y2, float x3,
                      float y3, float x4, float y4) {
  PointF p[] = {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}};
  return draw_beziers(g, pen, p, 4);
}
Status GdipDrawBezierI(Handle g, Handle pen, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                       int y4) {
  Point p[] = {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}};
  return draw_beziers(g, pen, p, 4);
}
Status GdipDrawBeziers(Handle g, Handle pen, const PointF* points, int count) {
  return draw_beziers(g, pen, points, count);
}
Status GdipDrawBeziersI(Handle g, Handle pen, const Point* points, int count) {
  return draw_beziers(g, pen, points, count);
}

Status GdipDrawRectangle(Handle g, Handle pen, float x, float y, float w, float h) {
  QPainterPath path;
  if (Status s = rect_path(x, y, w, h, false, &path)) return s;
  return stroke(g, pen, path);
}
Status GdipDrawRectangleI(Handle g, Handle pen, int x, int y, int w, int h) {
  return GdipDrawRectangle(g, pen, float(x), float(y), float(w), float(h));
}
Status GdipDrawRectangles(Handle g, Handle pen, const RectF* rects, int count) {
  QPainterPath path;
  if (Status s = rects_path(rects, count, &path)) return s;
  return stroke(g, pen, path);
}
Status GdipDrawRectanglesI(Handle g, Handle pen, const Rect* rects, int count) {
  QPainterPath path;
  if (Status s = rects_path(rects, count, &path)) return s;
  return stroke(g, pen, path);
}
Status GdipDrawEllipse(Handle g, Handle pen, float x, float y, float w, float h) {
  QPainterPath path;
  if (Status s = rect_path(x, y, w, h, true, &path)) return s;
  return stroke(g, pen, path);
}
Status GdipDrawEllipseI(Handle g, Handle pen, int x, int y, int w, int h) {
  return GdipDrawEllipse(g, pen, float(x), float(y), float(w), float(h));
}

Status GdipDrawPath(Handle g, Handle pen, Handle path) {
  auto p = find<Path>(path);
  if (!p) return InvalidParameter;
  return stroke(g, pen, p->path);
}

Status GdipDrawCurve(Handle g, Handle pen, const PointF* points, int count) {
  return draw_curve(g, pen, points, count, 0, -1, kDefaultTension, false);
}
Status GdipDrawCurveI(Handle g, Handle pen, const Point* points, int count) {
  return draw_curve(g, pen, points, count, 0, -1, kDefaultTension, false);
}
Status GdipDrawCurve2(Handle g, Handle pen, const PointF* points, int count, float tension) {
  return draw_curve(g, pen, points, count, 0, -1, tension, false);
}
Status GdipDrawCurve2I(Handle g, Handle pen, const Point* points, int count, float tension) {
  return draw_curve(g, pen, points, count, 0, -1, tension, false);
}
Status GdipDrawCurve3(Handle g, Handle pen, const PointF* points, int count, int offset,
                      int segments, float tension) {
  if (segments < 1) return InvalidParameter;
  return draw_curve(g, pen, points, count, offset, segments, tension, false);
}
Status GdipDrawCurve3I(Handle g, Handle pen, const Point* points, int count, int offset,
                       int segments, float tension) {
  if (segments < 1) return InvalidParameter;
  return draw_curve(g, pen, points, count, offset, segments, tension, false);
}
Status GdipDrawClosedCurve(Handle g, Handle pen, const PointF* points, int count) {
  return draw_curve(g, pen, points, count, 0, -1, kDefaultTension, true);
}
Status GdipDrawClosedCurveI(Handle g, Handle pen, const Point* points, int count) {
  return draw_curve(g, pen, points, count, 0, -1, kDefaultTension, true);
}
Status GdipDrawClosedCurve2(Handle g, Handle pen, const PointF* points, int count, float tension) {
  return draw_curve(g, pen, points, count, 0, -1, tension, true);
}
Status GdipDrawClosedCurve2I(Handle g, Handle pen, const Point* points, int count, float tension) {
  return draw_curve(g, pen, points, count, 0, -1, tension, true);
}

// ---- Filling with a brush ----

Status GdipFillRectangle(Handle g, Handle brush, float x, float y, float w, float h) {
  auto s = find_surface(g);
  QBrush q;
  if (!s || !finite({x, y, w, h})) return InvalidParameter;
  if (Status st = qt_brush(brush, &q)) return st;
  if (w <= 0 || h <= 0) return Ok;
  return paint(*s, [&](QPainter& p) { p.fillRect(QRectF(x, y, w, h), q); });
}
Status GdipFillRectangleI(Handle g, Handle brush, int x, int y, int w, int h) {
  return GdipFillRectangle(g, brush, float(x), float(y), float(w), float(h));
}
Status GdipFillRectangles(Handle g, Handle brush, const RectF* rects, int count) {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  if (Status s = rects_path(rects, count, &path)) return s;
  return fill(g, brush, path);
}
Status GdipFillRectanglesI(Handle g, Handle brush, const Rect* rects, int count) {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  if (Status s = rects_path(rects, count, &path)) return s;
  return fill(g, brush, path);
}
Status GdipFillPolygon(Handle g, Handle brush, const PointF* points, int count, int fill_mode) {
  return fill_polygon(g, brush, points, count, fill_mode);
}
Status GdipFillPolygonI(Handle g, Handle brush, const Point* points, int count, int fill_mode) {
  return fill_polygon(g, brush, points, count, fill_mode);
}
Status GdipFillEllipse(Handle g, Handle brush, float x, float y, float w, float h) {
  QPainterPath path;
  if (Status s = rect_path(x, y, w, h, true, &path)) return s;
  return fill(g, brush, path);
}
Status GdipFillEllipseI(Handle g, Handle brush, int x, int y, int w, int h) {
  return GdipFillEllipse(g, brush, float(x), float(y), float(w), float(h));
}
Status GdipFillPie(Handle g, Handle brush, float x, float y, float w, float h, float start,
                   float sweep) {
  QPainterPath path;
  if (Status s = arc_path(x, y, w, h, start, sweep, true, &path)) return s;
  return fill(g, brush, path);
}
Status GdipFillPieI(Handle g, Handle brush, int x, int y, int w, int h, float start, float sweep) {
  return GdipFillPie(g, brush, float(x), float(y), float(w), float(h), start, sweep);
}
Status GdipFillPath(Handle g, Handle brush, Handle path) {
  auto p = find<Path>(path);
  if (!p) return InvalidParameter;
  return fill(g, brush, p->path);
}
Status GdipFillClosedCurve(Handle g, Handle brush, const PointF* points, int count) {
  return fill_curve(g, brush, points, count, kDefaultTension, FillModeAlternate);
}
Status GdipFillClosedCurveI(Handle g, Handle brush, const Point* points, int count) {
  return fill_curve(g, brush, points, count, kDefaultTension, FillModeAlternate);
}
Status GdipFillClosedCurve2(Handle g, Handle brush, const PointF* points, int count, float tension,
                            int fill_mode) {
  return fill_curve(g, brush, points, count, tension, fill_mode);
}
Status GdipFillClosedCurve2I(Handle g, Handle brush, const Point* points, int count, float tension,
                             int fill_mode) {
  return fill_curve(g, brush, points, count, tension, fill_mode);
}

// A region fills exactly its pixels, as a clip does.
Status GdipFillRegion(Handle g, Handle brush, Handle region) {
  auto s = find_surface(g);
  auto r = find<Region>(region);
  QBrush q;
  if (!s || !r) return InvalidParameter;
  if (Status st = qt_brush(brush, &q)) return st;
  Area device = map_area(r->area, s->to_device());
  return paint(*s, [&](QPainter& p) {
    p.resetTransform();
    for (const QRect& rect : area_pixels(device, s->image->pixels.rect())) p.fillRect(rect, q);
  });
}

}  // namespace lumetra::flat
