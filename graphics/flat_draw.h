// The flat layer's drawing half: surfaces on images, pens, paths, matrices, fonts, string
// formats, image attributes, cached bitmaps and regions, and the functions that draw, fill,
// clip, measure and hit-test with them. Same conventions as graphics/flat.h: every function
// returns a `Status`, handles are checked before use, bad input is a status and never a crash.
//
// Coordinates: a surface maps world coordinates through its world transform, then the
// transforms of the containers it is in, then the page transform (page unit and scale) to the
// pixels of its image. Pixel (x, y) covers [x, x+1) × [y, y+1); without antialiasing a pixel is
// painted when its centre is inside the shape, so integer rectangles fill exactly. Matrix orders
// are the platform's: 0 prepend (the new transform acts first), 1 append.
//
// Text needs the process's QGuiApplication (fonts come from the platform): without one, the font
// and text functions return GenericError. Surfaces on window handles or device contexts, metafile
// playback and window-system regions have no counterpart here and return NotImplemented.
#pragma once

#include <QPainterPath>
#include <QRegion>
#include <QTransform>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>

#include "graphics/flat.h"

namespace lumetra::flat {

// ---- Enumerations used here (the platform's values) ----

enum Unit : int {
  UnitWorld = 0,
  UnitDisplay = 1,
  UnitPixel = 2,
  UnitPoint = 3,
  UnitInch = 4,
  UnitDocument = 5,
  UnitMillimeter = 6
};
enum CombineMode : int {
  CombineModeReplace = 0,
  CombineModeIntersect = 1,
  CombineModeUnion = 2,
  CombineModeXor = 3,
  CombineModeExclude = 4,
  CombineModeComplement = 5
};
enum FillMode : int { FillModeAlternate = 0, FillModeWinding = 1 };
enum MatrixOrder : int { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };
enum CoordinateSpace : int {
  CoordinateSpaceWorld = 0,
  CoordinateSpacePage = 1,
  CoordinateSpaceDevice = 2
};
inline constexpr int StringFormatFlagsNoWrap = 0x1000;
inline constexpr int StringFormatFlagsNoClip = 0x4000;
inline constexpr int DriverStringOptionsCmapLookup = 1;
inline constexpr int DriverStringOptionsRealizedAdvance = 4;
inline constexpr float kDefaultTension = 0.5f;

struct CharacterRange {
  std::int32_t first = 0, length = 0;
};

// ---- Objects ----

// An area of the plane: a path under its fill rule, or the whole plane. The infinite area is
// the platform's square of ±4194304 so that it combines like any other shape.
struct Area {
  QPainterPath path;
  bool infinite = false;
};
Area infinite_area();
Area rect_area(const QRectF& r);
// Combines `b` into `a`; InvalidParameter for an unknown mode.
Status combine_area(Area& a, const Area& b, int mode);
Area map_area(const Area& a, const QTransform& t);
QRectF area_bounds(const Area& a);
bool area_is_empty(const Area& a);
bool area_contains(const Area& a, QPointF p);
// The pixels whose centres are inside the area, in y-x banded rectangles (a scan conversion of
// our own, so regions, clips and scans agree to the pixel); only within `limit` when given.
std::vector<QRect> area_pixels(const Area& a, const std::optional<QRect>& limit = std::nullopt);
QRegion area_region(const Area& a, const QRect& limit);
// The smallest integer rectangle holding `r`, its edges kept within ±2^30.
Rect aligned_rect(const QRectF& r);

struct Region : Object {
  static constexpr Kind kKind = Kind::Region;
  Region() : Object(Kind::Region) {}
  Area area;
};

struct Path : Object {
  static constexpr Kind kKind = Kind::Path;
  Path() : Object(Kind::Path) {}
  QPainterPath path;  // its fill rule is the path's fill mode
  bool figure_open = false;
};

struct Matrix : Object {
  static constexpr Kind kKind = Kind::Matrix;
  Matrix() : Object(Kind::Matrix) {}
  QTransform m;
};

struct Pen : Object {
  static constexpr Kind kKind = Kind::Pen;
  Pen() : Object(Kind::Pen) {}
  ARGB color = 0xFF000000;
  float width = 1;
  int unit = UnitWorld;  // UnitPixel: the width stays in pixels under any transform
};

struct FontFamily : Object {
  static constexpr Kind kKind = Kind::FontFamily;
  FontFamily() : Object(Kind::FontFamily) {}
  QString name;
};

struct Font : Object {
  static constexpr Kind kKind = Kind::Font;
  Font() : Object(Kind::Font) {}
  QString family;
  float em_size = 0;
  int style = 0;  // 1 bold, 2 italic, 4 underline, 8 strikeout
  int unit = UnitPoint;
};

struct StringFormat : Object {
  static constexpr Kind kKind = Kind::StringFormat;
  StringFormat() : Object(Kind::StringFormat) {}
  int flags = 0;
  int align = 0, line_align = 0;  // 0 near, 1 centre, 2 far
  std::vector<CharacterRange> ranges;
};

struct ImageAttributes : Object {
  static constexpr Kind kKind = Kind::ImageAttributes;
  ImageAttributes() : Object(Kind::ImageAttributes) {}
};

struct CachedBitmap : Object {
  static constexpr Kind kKind = Kind::CachedBitmap;
  CachedBitmap() : Object(Kind::CachedBitmap) {}
  QImage pixels;
};

// What a saved state or a container brings back.
struct SurfaceState {
  QTransform world, base;  // base: the transforms of the enclosing containers
  Area clip, base_clip;    // device coordinates; base_clip: the enclosing containers' clip
  int page_unit = UnitDisplay;
  float page_scale = 1;
  int compositing_mode = 0, compositing_quality = 0, smoothing_mode = 3, text_hint = 0,
      interpolation_mode = 3, pixel_offset_mode = 0;
  unsigned text_contrast = 4;
  int origin_x = 0, origin_y = 0;
};

// The object behind every graphics handle: a surface on an image.
struct Surface : Object {
  static constexpr Kind kKind = Kind::Graphics;
  Surface() : Object(Kind::Graphics) {}
  std::shared_ptr<Image> image;
  SurfaceState state;
  struct Saved {
    unsigned id;
    SurfaceState state;
  };
  std::vector<Saved> saved;
  unsigned next_id = 1;

  // World coordinates to pixels, and page coordinates to pixels.
  QTransform to_device() const;
  QTransform page() const;
  Area effective_clip() const;
};

// Looks up a surface; InvalidParameter on a miss.
std::shared_ptr<Surface> find_surface(Handle g);
// Runs `draw` with a painter on the surface's image set up from its state (transform, clip,
// hints, compositing); WrongState while the bits of the image are locked. On an image whose
// format has no alpha the painted pixels end opaque, as if painted over black.
Status paint(Surface& s, const std::function<void(QPainter&)>& draw);
// The pen and brush as Qt's; InvalidParameter on a bad handle.
Status qt_pen(Handle pen, QPen* out);
Status qt_brush(Handle brush, QBrush* out);
// The pixels one unit holds at a resolution; 0 for an unknown unit.
float unit_scale(int unit, float dpi);
// True when no value is infinite or NaN (floats widen to double exactly).
inline bool finite(std::initializer_list<double> values) {
  for (double v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

// ---- Surfaces: creation and settings (graphics/flat_graphics.cpp) ----

Status GdipCreateFromHWND(Handle hwnd, Handle* graphics);
Status GdipCreateFromHWNDICM(Handle hwnd, Handle* graphics);
Status GdipCreateFromHDC(Handle hdc, Handle* graphics);
Status GdipCreateFromHDC2(Handle hdc, Handle device, Handle* graphics);
Status GdipGetDC(Handle graphics, Handle* hdc);
Status GdipReleaseDC(Handle graphics, Handle hdc);
Status GdipFlush(Handle graphics, int intention);
Status GdipGetCompositingMode(Handle graphics, int* mode);
Status GdipSetCompositingMode(Handle graphics, int mode);
Status GdipGetRenderingOrigin(Handle graphics, int* x, int* y);
Status GdipSetRenderingOrigin(Handle graphics, int x, int y);
Status GdipGetCompositingQuality(Handle graphics, int* quality);
Status GdipSetCompositingQuality(Handle graphics, int quality);
Status GdipGetSmoothingMode(Handle graphics, int* mode);
Status GdipSetSmoothingMode(Handle graphics, int mode);
Status GdipGetTextRenderingHint(Handle graphics, int* hint);
Status GdipSetTextRenderingHint(Handle graphics, int hint);
Status GdipGetInterpolationMode(Handle graphics, int* mode);
Status GdipGetPixelOffsetMode(Handle graphics, int* mode);
Status GdipSetPixelOffsetMode(Handle graphics, int mode);
Status GdipGetTextContrast(Handle graphics, unsigned* contrast);
Status GdipSetTextContrast(Handle graphics, unsigned contrast);
Status GdipGetWorldTransform(Handle graphics, Handle matrix);
Status GdipMultiplyWorldTransform(Handle graphics, Handle matrix, int order);
Status GdipTranslateWorldTransform(Handle graphics, float dx, float dy, int order);
Status GdipScaleWorldTransform(Handle graphics, float sx, float sy, int order);
Status GdipRotateWorldTransform(Handle graphics, float angle, int order);
Status GdipGetPageUnit(Handle graphics, int* unit);
Status GdipSetPageUnit(Handle graphics, int unit);
Status GdipGetPageScale(Handle graphics, float* scale);
Status GdipSetPageScale(Handle graphics, float scale);
Status GdipGetDpiX(Handle graphics, float* dpi);
Status GdipGetDpiY(Handle graphics, float* dpi);
Status GdipTransformPoints(Handle graphics, int dest_space, int src_space, PointF* points,
                           int count);
Status GdipTransformPointsI(Handle graphics, int dest_space, int src_space, Point* points,
                            int count);
Status GdipGetNearestColor(Handle graphics, ARGB* color);
Status GdipGraphicsClear(Handle graphics, ARGB color);
Status GdipComment(Handle graphics, unsigned size, const unsigned char* data);

// Clipping, states and containers.
Status GdipSetClipGraphics(Handle graphics, Handle source, int mode);
Status GdipSetClipPath(Handle graphics, Handle path, int mode);
Status GdipSetClipRect(Handle graphics, float x, float y, float width, float height, int mode);
Status GdipSetClipRectI(Handle graphics, int x, int y, int width, int height, int mode);
Status GdipSetClipRegion(Handle graphics, Handle region, int mode);
Status GdipSetClipHrgn(Handle graphics, Handle hrgn, int mode);
Status GdipResetClip(Handle graphics);
Status GdipTranslateClip(Handle graphics, float dx, float dy);
Status GdipTranslateClipI(Handle graphics, int dx, int dy);
Status GdipGetClip(Handle graphics, Handle region);
Status GdipGetClipBounds(Handle graphics, RectF* rect);
Status GdipGetClipBoundsI(Handle graphics, Rect* rect);
Status GdipGetVisibleClipBounds(Handle graphics, RectF* rect);
Status GdipGetVisibleClipBoundsI(Handle graphics, Rect* rect);
Status GdipIsClipEmpty(Handle graphics, int* result);
Status GdipIsVisibleClipEmpty(Handle graphics, int* result);
Status GdipIsVisiblePoint(Handle graphics, float x, float y, int* result);
Status GdipIsVisiblePointI(Handle graphics, int x, int y, int* result);
Status GdipIsVisibleRect(Handle graphics, float x, float y, float width, float height, int* result);
Status GdipIsVisibleRectI(Handle graphics, int x, int y, int width, int height, int* result);
Status GdipSaveGraphics(Handle graphics, unsigned* state);
Status GdipRestoreGraphics(Handle graphics, unsigned state);
Status GdipBeginContainer(Handle graphics, const RectF* dest, const RectF* src, int unit,
                          unsigned* state);
Status GdipBeginContainerI(Handle graphics, const Rect* dest, const Rect* src, int unit,
                           unsigned* state);
Status GdipBeginContainer2(Handle graphics, unsigned* state);
Status GdipEndContainer(Handle graphics, unsigned state);

// ---- Lines, curves and shapes (graphics/flat_shapes.cpp) ----
// Shapes with no width or height draw nothing; point lists need 2 points (closed curves 3,
// Bézier lists 3n + 1); curves use the platform's cardinal spline, 0.5 unless a tension is given.

Status GdipDrawLine(Handle g, Handle pen, float x1, float y1, float x2, float y2);
Status GdipDrawLineI(Handle g, Handle pen, int x1, int y1, int x2, int y2);
Status GdipDrawLines(Handle g, Handle pen, const PointF* points, int count);
Status GdipDrawLinesI(Handle g, Handle pen, const Point* points, int count);
Status GdipDrawArc(Handle g, Handle pen, float x, float y, float w, float h, float start,
                   float sweep);
Status GdipDrawArcI(Handle g, Handle pen, int x, int y, int w, int h, float start, float sweep);
Status GdipDrawBezier(Handle g, Handle pen, float x1, float y1, float x2, float y2, float x3,
                      float y3, float x4, float y4);
Status GdipDrawBezierI(Handle g, Handle pen, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                       int y4);
Status GdipDrawBeziers(Handle g, Handle pen, const PointF* points, int count);
Status GdipDrawBeziersI(Handle g, Handle pen, const Point* points, int count);
Status GdipDrawRectangle(Handle g, Handle pen, float x, float y, float w, float h);
Status GdipDrawRectangleI(Handle g, Handle pen, int x, int y, int w, int h);
Status GdipDrawRectangles(Handle g, Handle pen, const RectF* rects, int count);
Status GdipDrawRectanglesI(Handle g, Handle pen, const Rect* rects, int count);
Status GdipDrawEllipse(Handle g, Handle pen, float x, float y, float w, float h);
Status GdipDrawEllipseI(Handle g, Handle pen, int x, int y, int w, int h);
Status GdipDrawPie(Handle g, Handle pen, float x, float y, float w, float h, float start,
                   float sweep);
Status GdipDrawPieI(Handle g, Handle pen, int x, int y, int w, int h, float start, float sweep);
Status GdipDrawPolygon(Handle g, Handle pen, const PointF* points, int count);
Status GdipDrawPolygonI(Handle g, Handle pen, const Point* points, int count);
Status GdipDrawPath(Handle g, Handle pen, Handle path);
Status GdipDrawCurve(Handle g, Handle pen, const PointF* points, int count);
Status GdipDrawCurveI(Handle g, Handle pen, const Point* points, int count);
Status GdipDrawCurve2(Handle g, Handle pen, const PointF* points, int count, float tension);
Status GdipDrawCurve2I(Handle g, Handle pen, const Point* points, int count, float tension);
Status GdipDrawCurve3(Handle g, Handle pen, const PointF* points, int count, int offset,
                      int segments, float tension);
Status GdipDrawCurve3I(Handle g, Handle pen, const Point* points, int count, int offset,
                       int segments, float tension);
Status GdipDrawClosedCurve(Handle g, Handle pen, const PointF* points, int count);
Status GdipDrawClosedCurveI(Handle g, Handle pen, const Point* points, int count);
Status GdipDrawClosedCurve2(Handle g, Handle pen, const PointF* points, int count, float tension);
Status GdipDrawClosedCurve2I(Handle g, Handle pen, const Point* points, int count, float tension);
Status GdipFillRectangleI(Handle g, Handle brush, int x, int y, int w, int h);
Status GdipFillRectangles(Handle g, Handle brush, const RectF* rects, int count);
Status GdipFillRectanglesI(Handle g, Handle brush, const Rect* rects, int count);
Status GdipFillPolygon(Handle g, Handle brush, const PointF* points, int count, int fill_mode);
Status GdipFillPolygonI(Handle g, Handle brush, const Point* points, int count, int fill_mode);
Status GdipFillEllipse(Handle g, Handle brush, float x, float y, float w, float h);
Status GdipFillEllipseI(Handle g, Handle brush, int x, int y, int w, int h);
Status GdipFillPie(Handle g, Handle brush, float x, float y, float w, float h, float start,
                   float sweep);
Status GdipFillPieI(Handle g, Handle brush, int x, int y, int w, int h, float start, float sweep);
Status GdipFillPath(Handle g, Handle brush, Handle path);
Status GdipFillClosedCurve(Handle g, Handle brush, const PointF* points, int count);
Status GdipFillClosedCurveI(Handle g, Handle brush, const Point* points, int count);
Status GdipFillClosedCurve2(Handle g, Handle brush, const PointF* points, int count, float tension,
                            int fill_mode);
Status GdipFillClosedCurve2I(Handle g, Handle brush, const Point* points, int count, float tension,
                             int fill_mode);
Status GdipFillRegion(Handle g, Handle brush, Handle region);

// ---- Images (graphics/flat_images.cpp) ----
// `unit` is the unit of source rectangles; attributes and callbacks are accepted and unused.

Status GdipDrawImageI(Handle g, Handle image, int x, int y);
Status GdipDrawImageRect(Handle g, Handle image, float x, float y, float w, float h);
Status GdipDrawImageRectI(Handle g, Handle image, int x, int y, int w, int h);
// Three destination corners: upper-left, upper-right, lower-left.
Status GdipDrawImagePoints(Handle g, Handle image, const PointF* points, int count);
Status GdipDrawImagePointsI(Handle g, Handle image, const Point* points, int count);
Status GdipDrawImagePointRect(Handle g, Handle image, float x, float y, float sx, float sy,
                              float sw, float sh, int unit);
Status GdipDrawImagePointRectI(Handle g, Handle image, int x, int y, int sx, int sy, int sw, int sh,
                               int unit);
Status GdipDrawImageRectRect(Handle g, Handle image, float dx, float dy, float dw, float dh,
                             float sx, float sy, float sw, float sh, int unit, Handle attributes,
                             void* callback, void* callback_data);
Status GdipDrawImageRectRectI(Handle g, Handle image, int dx, int dy, int dw, int dh, int sx,
                              int sy, int sw, int sh, int unit, Handle attributes, void* callback,
                              void* callback_data);
Status GdipDrawImagePointsRect(Handle g, Handle image, const PointF* points, int count, float sx,
                               float sy, float sw, float sh, int unit, Handle attributes,
                               void* callback, void* callback_data);
Status GdipDrawImagePointsRectI(Handle g, Handle image, const Point* points, int count, int sx,
                                int sy, int sw, int sh, int unit, Handle attributes, void* callback,
                                void* callback_data);
Status GdipCreateCachedBitmap(Handle bitmap, Handle graphics, Handle* cached);
Status GdipDeleteCachedBitmap(Handle cached);
Status GdipDrawCachedBitmap(Handle g, Handle cached, int x, int y);
Status GdipCreateImageAttributes(Handle* attributes);
Status GdipDisposeImageAttributes(Handle attributes);

// Metafile playback: no metafiles here, so every form is NotImplemented.
Status GdipEnumerateMetafileDestPoint(Handle g, Handle metafile, const PointF* dest, void* callback,
                                      void* data, Handle attributes);
Status GdipEnumerateMetafileDestPointI(Handle g, Handle metafile, const Point* dest, void* callback,
                                       void* data, Handle attributes);
Status GdipEnumerateMetafileDestPoints(Handle g, Handle metafile, const PointF* dest, int count,
                                       void* callback, void* data, Handle attributes);
Status GdipEnumerateMetafileDestPointsI(Handle g, Handle metafile, const Point* dest, int count,
                                        void* callback, void* data, Handle attributes);
Status GdipEnumerateMetafileDestRect(Handle g, Handle metafile, const RectF* dest, void* callback,
                                     void* data, Handle attributes);
Status GdipEnumerateMetafileDestRectI(Handle g, Handle metafile, const Rect* dest, void* callback,
                                      void* data, Handle attributes);
Status GdipEnumerateMetafileSrcRectDestPoint(Handle g, Handle metafile, const PointF* dest,
                                             const RectF* src, int unit, void* callback, void* data,
                                             Handle attributes);
Status GdipEnumerateMetafileSrcRectDestPointI(Handle g, Handle metafile, const Point* dest,
                                              const Rect* src, int unit, void* callback, void* data,
                                              Handle attributes);
Status GdipEnumerateMetafileSrcRectDestPoints(Handle g, Handle metafile, const PointF* dest,
                                              int count, const RectF* src, int unit, void* callback,
                                              void* data, Handle attributes);
Status GdipEnumerateMetafileSrcRectDestPointsI(Handle g, Handle metafile, const Point* dest,
                                               int count, const Rect* src, int unit, void* callback,
                                               void* data, Handle attributes);
Status GdipEnumerateMetafileSrcRectDestRect(Handle g, Handle metafile, const RectF* dest,
                                            const RectF* src, int unit, void* callback, void* data,
                                            Handle attributes);
Status GdipEnumerateMetafileSrcRectDestRectI(Handle g, Handle metafile, const Rect* dest,
                                             const Rect* src, int unit, void* callback, void* data,
                                             Handle attributes);

// ---- Pens, paths and matrices (graphics/flat_objects.cpp) ----

Status GdipCreatePen1(ARGB color, float width, int unit, Handle* pen);
Status GdipGetPenColor(Handle pen, ARGB* color);
Status GdipGetPenWidth(Handle pen, float* width);
Status GdipDeletePen(Handle pen);
Status GdipCreatePath(int fill_mode, Handle* path);
Status GdipAddPathLine(Handle path, float x1, float y1, float x2, float y2);
Status GdipAddPathRectangle(Handle path, float x, float y, float w, float h);
Status GdipAddPathEllipse(Handle path, float x, float y, float w, float h);
Status GdipAddPathPolygon(Handle path, const PointF* points, int count);
Status GdipClosePathFigure(Handle path);
Status GdipDeletePath(Handle path);
Status GdipCreateMatrix2(float m11, float m12, float m21, float m22, float dx, float dy,
                         Handle* matrix);
Status GdipScaleMatrix(Handle matrix, float sx, float sy, int order);
// m11, m12, m21, m22, dx, dy.
Status GdipGetMatrixElements(Handle matrix, float* elements);

// ---- Text (graphics/flat_text.cpp) ----

Status GdipCreateFontFamilyFromName(const char16_t* name, Handle collection, Handle* family);
Status GdipGetGenericFontFamilySansSerif(Handle* family);
Status GdipDeleteFontFamily(Handle family);
Status GdipCreateFont(Handle family, float em_size, int style, int unit, Handle* font);
Status GdipDeleteFont(Handle font);
Status GdipCreateStringFormat(int flags, int language, Handle* format);
Status GdipSetStringFormatAlign(Handle format, int align);
Status GdipSetStringFormatLineAlign(Handle format, int align);
Status GdipSetStringFormatMeasurableCharacterRanges(Handle format, int count,
                                                    const CharacterRange* ranges);
Status GdipDeleteStringFormat(Handle format);
// `length` -1: up to the first zero character.
Status GdipDrawString(Handle g, const char16_t* text, int length, Handle font, const RectF* layout,
                      Handle format, Handle brush);
Status GdipMeasureString(Handle g, const char16_t* text, int length, Handle font,
                         const RectF* layout, Handle format, RectF* bounds, int* fitted,
                         int* lines);
// Fills one region per measurable range of the format; more regions than ranges are emptied.
Status GdipMeasureCharacterRanges(Handle g, const char16_t* text, int length, Handle font,
                                  const RectF* layout, Handle format, int count, Handle* regions);
Status GdipDrawDriverString(Handle g, const std::uint16_t* text, int length, Handle font,
                            Handle brush, const PointF* positions, int flags, Handle matrix);

// ---- Regions (graphics/flat_region.cpp) ----

Status GdipCreateRegion(Handle* region);
Status GdipCreateRegionRect(const RectF* rect, Handle* region);
Status GdipCreateRegionRectI(const Rect* rect, Handle* region);
Status GdipCreateRegionPath(Handle path, Handle* region);
Status GdipCreateRegionHrgn(Handle hrgn, Handle* region);
// Data as `GdipGetRegionData` writes it.
Status GdipCreateRegionRgnData(const unsigned char* data, int size, Handle* region);
Status GdipCloneRegion(Handle region, Handle* clone);
Status GdipDeleteRegion(Handle region);
Status GdipSetInfinite(Handle region);
Status GdipSetEmpty(Handle region);
Status GdipCombineRegionRect(Handle region, const RectF* rect, int mode);
Status GdipCombineRegionRectI(Handle region, const Rect* rect, int mode);
Status GdipCombineRegionRegion(Handle region, Handle other, int mode);
Status GdipCombineRegionPath(Handle region, Handle path, int mode);
Status GdipTranslateRegion(Handle region, float dx, float dy);
Status GdipTranslateRegionI(Handle region, int dx, int dy);
Status GdipTransformRegion(Handle region, Handle matrix);
Status GdipGetRegionBounds(Handle region, Handle graphics, RectF* rect);
Status GdipGetRegionBoundsI(Handle region, Handle graphics, Rect* rect);
Status GdipGetRegionDataSize(Handle region, unsigned* size);
// InsufficientBuffer when `size` is less than the data size.
Status GdipGetRegionData(Handle region, unsigned char* buffer, unsigned size, unsigned* filled);
Status GdipGetRegionHRgn(Handle region, Handle graphics, Handle* hrgn);
Status GdipIsEmptyRegion(Handle region, Handle graphics, int* result);
Status GdipIsInfiniteRegion(Handle region, Handle graphics, int* result);
Status GdipIsEqualRegion(Handle region, Handle other, Handle graphics, int* result);
// The graphics handle may be 0 for the hit tests.
Status GdipIsVisibleRegionPoint(Handle region, float x, float y, Handle graphics, int* result);
Status GdipIsVisibleRegionPointI(Handle region, int x, int y, Handle graphics, int* result);
Status GdipIsVisibleRegionRect(Handle region, float x, float y, float w, float h, Handle graphics,
                               int* result);
Status GdipIsVisibleRegionRectI(Handle region, int x, int y, int w, int h, Handle graphics,
                                int* result);
Status GdipGetRegionScansCount(Handle region, unsigned* count, Handle matrix);
// `count` holds the room in `rects` on entry and the number written on return; too little room
// is InsufficientBuffer and writes nothing.
Status GdipGetRegionScans(Handle region, RectF* rects, int* count, Handle matrix);
Status GdipGetRegionScansI(Handle region, Rect* rects, int* count, Handle matrix);

}  // namespace lumetra::flat
