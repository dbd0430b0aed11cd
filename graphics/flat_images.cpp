// Images drawn on surfaces, cached bitmaps, image attributes; metafile playback is not here.
#include <QPainter>

#include <cmath>

#include "graphics/flat_draw.h"

namespace lumetra::flat {
namespace {

// Draws the source rectangle (in `unit`s of the image) of an image onto the parallelogram with
// corners `to[0]` (upper-left), `to[1]` (upper-right) and `to[2]` (lower-left).
Status draw_quad(Handle g, Handle image, const QPointF to[3], QRectF src, int unit,
                 Handle attributes) {
  auto s = find_surface(g);
  auto i = find<Image>(image);
  if (!s || !i || (attributes && !find<ImageAttributes>(attributes))) return InvalidParameter;
  if (unit == UnitWorld || unit_scale(unit, 96) == 0) return InvalidParameter;
  for (int k = 0; k < 3; ++k)
    if (!finite({to[k].x(), to[k].y()})) return InvalidParameter;
  if (!finite({src.x(), src.y(), src.width(), src.height()})) return InvalidParameter;
  src = QRectF(src.x() * unit_scale(unit, i->dpi_x), src.y() * unit_scale(unit, i->dpi_y),
               src.width() * unit_scale(unit, i->dpi_x), src.height() * unit_scale(unit, i->dpi_y));
  if (src.width() <= 0 || src.height() <= 0) return InvalidParameter;
  if (i->locked) return WrongState;
  // Drawing an image onto itself reads from a copy.
  QImage pixels = i == s->image ? i->pixels.copy() : i->pixels;
  QTransform onto(((to[1] - to[0]) / src.width()).x(), ((to[1] - to[0]) / src.width()).y(),
                  ((to[2] - to[0]) / src.height()).x(), ((to[2] - to[0]) / src.height()).y(),
                  to[0].x(), to[0].y());
  return paint(*s, [&](QPainter& p) {
    p.setTransform(onto, true);
    p.drawImage(QRectF(0, 0, src.width(), src.height()), pixels, src);
  });
}

Status draw_rect(Handle g, Handle image, QRectF dst, QRectF src, int unit, Handle attributes) {
  QPointF to[3] = {dst.topLeft(), dst.topRight(), dst.bottomLeft()};
  return draw_quad(g, image, to, src, unit, attributes);
}

QRectF whole(Handle image) {
  auto i = find<Image>(image);
  return i ? QRectF(i->pixels.rect()) : QRectF();
}

template <class P>
Status draw_points(Handle g, Handle image, const P* points, int count, QRectF src, int unit,
                   Handle attributes) {
  if (!points) return InvalidParameter;
  if (count != 3) return count == 4 ? NotImplemented : InvalidParameter;
  QPointF to[3];
  for (int k = 0; k < 3; ++k) to[k] = QPointF(points[k].x, points[k].y);
  return draw_quad(g, image, to, src, unit, attributes);
}

}  // namespace

// At its physical size: the image's resolution against the surface's.
Status GdipDrawImage(Handle g, Handle image, float x, float y) {
  auto s = find_surface(g);
  auto i = find<Image>(image);
  if (!s || !i) return InvalidParameter;
  QRectF dst(x, y, i->pixels.width() * s->image->dpi_x / i->dpi_x,
             i->pixels.height() * s->image->dpi_y / i->dpi_y);
  return draw_rect(g, image, dst, whole(image), UnitPixel, 0);
}
Status GdipDrawImageI(Handle g, Handle image, int x, int y) {
  return GdipDrawImage(g, image, float(x), float(y));
}
Status GdipDrawImageRect(Handle g, Handle image, float x, float y, float w, float h) {
  return draw_rect(g, image, QRectF(x, y, w, h), whole(image), UnitPixel, 0);
}
Status GdipDrawImageRectI(Handle g, Handle image, int x, int y, int w, int h) {
  return GdipDrawImageRect(g, image, float(x), float(y), float(w), float(h));
}
Status GdipDrawImagePoints(Handle g, Handle image, const PointF* points, int count) {
  return draw_points(g, image, points, count, whole(image), UnitPixel, 0);
}
Status GdipDrawImagePointsI(Handle g, Handle image, const Point* points, int count) {
  return draw_points(g, image, points, count, whole(image), UnitPixel, 0);
}
Status GdipDrawImagePointRect(Handle g, Handle image, float x, float y, float sx, float sy,
                              float sw, float sh, int unit) {
  auto i = find<Image>(image);
  if (!i) return InvalidParameter;
  float k = unit_scale(unit, i->dpi_x), ky = unit_scale(unit, i->dpi_y);
  return draw_rect(g, image, QRectF(x, y, sw * k, sh * ky), QRectF(sx, sy, sw, sh), unit, 0);
}
Status GdipDrawImagePointRectI(Handle g, Handle image, int x, int y, int sx, int sy, int sw, int sh,
                               int unit) {
  return GdipDrawImagePointRect(g, image, float(x), float(y), float(sx), float(sy), float(sw),
                                float(sh), unit);
}
Status GdipDrawImageRectRect(Handle g, Handle image, float dx, float dy, float dw, float dh,
                             float sx, float sy, float sw, float sh, int unit, Handle attributes,
                             void*, void*) {
  return draw_rect(g, image, QRectF(dx, dy, dw, dh), QRectF(sx, sy, sw, sh), unit, attributes);
}
Status GdipDrawImageRectRectI(Handle g, Handle image, int dx, int dy, int dw, int dh, int sx,
                              int sy, int sw, int sh, int unit, Handle attributes, void*, void*) {
  return draw_rect(g, image, QRectF(dx, dy, dw, dh), QRectF(sx, sy, sw, sh), unit, attributes);
}
Status GdipDrawImagePointsRect(Handle g, Handle image, const PointF* points, int count, float sx,
                               float sy, float sw, float sh, int unit, Handle attributes, void*,
                               void*) {
  return draw_points(g, image, points, count, QRectF(sx, sy, sw, sh), unit, attributes);
}
Status GdipDrawImagePointsRectI(Handle g, Handle image, const Point* points, int count, int sx,
                                int sy, int sw, int sh, int unit, Handle attributes, void*, void*) {
  return draw_points(g, image, points, count, QRectF(sx, sy, sw, sh), unit, attributes);
}

// ---- Cached bitmaps and image attributes ----

Status GdipCreateCachedBitmap(Handle bitmap, Handle graphics, Handle* cached) {
  auto i = find<Image>(bitmap);
  if (!i || !find_surface(graphics) || !cached) return InvalidParameter;
  if (Status s = require_started()) return s;
  auto c = std::make_shared<CachedBitmap>();
  c->pixels = i->pixels.copy();
  *cached = add_object(std::move(c));
  return Ok;
}

Status GdipDeleteCachedBitmap(Handle cached) {
  return remove_object(cached, Kind::CachedBitmap) ? Ok : InvalidParameter;
}

// Unscaled at the device position of (x, y): a cached bitmap follows only translations.
Status GdipDrawCachedBitmap(Handle g, Handle cached, int x, int y) {
  auto s = find_surface(g);
  auto c = find<CachedBitmap>(cached);
  if (!s || !c) return InvalidParameter;
  QPointF at = s->to_device().map(QPointF(x, y));
  return paint(*s, [&](QPainter& p) {
    p.resetTransform();
    p.drawImage(QPoint(int(std::lround(at.x())), int(std::lround(at.y()))), c->pixels);
  });
}

Status GdipCreateImageAttributes(Handle* attributes) {
  if (!attributes) return InvalidParameter;
  if (Status s = require_started()) return s;
  *attributes = add_object(std::make_shared<ImageAttributes>());
  return Ok;
}

Status GdipDisposeImageAttributes(Handle attributes) {
  return remove_object(attributes, Kind::ImageAttributes) ? Ok : InvalidParameter;
}

// ---- Metafile playback ----

#define LUMETRA_NO_METAFILES(NAME, ...)                         \
  Status NAME(Handle g, Handle, __VA_ARGS__) {                  \
    return find_surface(g) ? NotImplemented : InvalidParameter; \
  }
LUMETRA_NO_METAFILES(GdipEnumerateMetafileDestPoint, const PointF*, void*, void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileDestPointI, const Point*, void*, void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileDestPoints, const PointF*, int, void*, void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileDestPointsI, const Point*, int, void*, void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileDestRect, const RectF*, void*, void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileDestRectI, const Rect*, void*, void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileSrcRectDestPoint, const PointF*, const RectF*, int, void*,
                     void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileSrcRectDestPointI, const Point*, const Rect*, int, void*,
                     void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileSrcRectDestPoints, const PointF*, int, const RectF*, int,
                     void*, void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileSrcRectDestPointsI, const Point*, int, const Rect*, int,
                     void*, void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileSrcRectDestRect, const RectF*, const RectF*, int, void*,
                     void*, Handle)
LUMETRA_NO_METAFILES(GdipEnumerateMetafileSrcRectDestRectI, const Rect*, const Rect*, int, void*,
                     void*, Handle)
#undef LUMETRA_NO_METAFILES

}  // namespace lumetra::flat
