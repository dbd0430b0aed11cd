// Pens, paths and matrices.
#include <cmath>

#include "graphics/flat_draw.h"

namespace lumetra::flat {
namespace {

template <class T>
Status make(std::shared_ptr<T> object, Handle* out) {
  if (!out) return InvalidParameter;
  if (Status s = require_started()) return s;
  *out = add_object(std::move(object));
  return Ok;
}

Status transform_matrix(Handle matrix, const QTransform& t, int order) {
  auto m = find<Matrix>(matrix);
  if (!m || (order != MatrixOrderPrepend && order != MatrixOrderAppend)) return InvalidParameter;
  m->m = order == MatrixOrderPrepend ? t * m->m : m->m * t;
  return Ok;
}

}  // namespace

// ---- Pens ----

Status GdipCreatePen1(ARGB color, float width, int unit, Handle* pen) {
  if (!std::isfinite(width) || width < 0 || unit < UnitWorld || unit > UnitMillimeter ||
      unit == UnitDisplay)
    return InvalidParameter;
  auto p = std::make_shared<Pen>();
  p->color = color;
  p->width = width;
  p->unit = unit;
  return make(std::move(p), pen);
}

Status GdipGetPenColor(Handle pen, ARGB* color) {
  auto p = find<Pen>(pen);
  if (!p || !color) return InvalidParameter;
  *color = p->color;
  return Ok;
}

Status GdipGetPenWidth(Handle pen, float* width) {
  auto p = find<Pen>(pen);
  if (!p || !width) return InvalidParameter;
  *width = p->width;
  return Ok;
}

Status GdipDeletePen(Handle pen) {
  return remove_object(pen, Kind::Pen) ? Ok : InvalidParameter;
}

// ---- Paths ----

Status GdipCreatePath(int fill_mode, Handle* path) {
  if (fill_mode != FillModeAlternate && fill_mode != FillModeWinding) return InvalidParameter;
  auto p = std::make_shared<Path>();
  p->path.setFillRule(fill_mode == FillModeWinding ? Qt::WindingFill : Qt::OddEvenFill);
  return make(std::move(p), path);
}

// A line continues the open figure from its last point.
Status GdipAddPathLine(Handle path, float x1, float y1, float x2, float y2) {
  auto p = find<Path>(path);
  if (!p || !finite({x1, y1, x2, y2})) return InvalidParameter;
  if (p->figure_open)
    p->path.lineTo(x1, y1);
  else
    p->path.moveTo(x1, y1);
  p->path.lineTo(x2, y2);
  p->figure_open = true;
  return Ok;
}

Status GdipAddPathRectangle(Handle path, float x, float y, float w, float h) {
  auto p = find<Path>(path);
  if (!p || !finite({x, y, w, h})) return InvalidParameter;
  if (w > 0 && h > 0) p->path.addRect(x, y, w, h);
  p->figure_open = false;
  return Ok;
}

Status GdipAddPathEllipse(Handle path, float x, float y, float w, float h) {
  auto p = find<Path>(path);
  if (!p || !finite({x, y, w, h})) return InvalidParameter;
  p->path.addEllipse(x, y, w, h);
  p->figure_open = false;
  return Ok;
}

Status GdipAddPathPolygon(Handle path, const PointF* points, int count) {
  auto p = find<Path>(path);
  if (!p || !points || count < 3) return InvalidParameter;
  QPolygonF poly;
  for (int i = 0; i < count; ++i) {
    if (!finite({points[i].x, points[i].y})) return InvalidParameter;
    poly << QPointF(points[i].x, points[i].y);
  }
  p->path.addPolygon(poly);
  p->path.closeSubpath();
  p->figure_open = false;
  return Ok;
}

Status GdipClosePathFigure(Handle path) {
  auto p = find<Path>(path);
  if (!p) return InvalidParameter;
  if (p->figure_open) p->path.closeSubpath();
  p->figure_open = false;
  return Ok;
}

Status GdipDeletePath(Handle path) {
  return remove_object(path, Kind::Path) ? Ok : InvalidParameter;
}

// ---- Matrices ----

Status GdipCreateMatrix(Handle* matrix) {
  return make(std::make_shared<Matrix>(), matrix);
}

Status GdipCreateMatrix2(float m11, float m12, float m21, float m22, float dx, float dy,
                         Handle* matrix) {
  if (!finite({m11, m12, m21, m22, dx, dy})) return InvalidParameter;
  auto m = std::make_shared<Matrix>();
  m->m = QTransform(m11, m12, m21, m22, dx, dy);
  return make(std::move(m), matrix);
}

Status GdipTranslateMatrix(Handle matrix, float dx, float dy, int order) {
  if (!finite({dx, dy})) return InvalidParameter;
  return transform_matrix(matrix, QTransform::fromTranslate(dx, dy), order);
}

Status GdipScaleMatrix(Handle matrix, float sx, float sy, int order) {
  if (!finite({sx, sy})) return InvalidParameter;
  return transform_matrix(matrix, QTransform::fromScale(sx, sy), order);
}

Status GdipRotateMatrix(Handle matrix, float angle, int order) {
  if (!finite({angle})) return InvalidParameter;
  return transform_matrix(matrix, QTransform().rotate(angle), order);
}

Status GdipGetMatrixElements(Handle matrix, float* e) {
  auto m = find<Matrix>(matrix);
  if (!m || !e) return InvalidParameter;
  const QTransform& t = m->m;
  float values[] = {float(t.m11()), float(t.m12()), float(t.m21()),
                    float(t.m22()), float(t.dx()),  float(t.dy())};
  std::copy(std::begin(values), std::end(values), e);
  return Ok;
}

Status GdipDeleteMatrix(Handle matrix) {
  return remove_object(matrix, Kind::Matrix) ? Ok : InvalidParameter;
}

}  // namespace lumetra::flat
