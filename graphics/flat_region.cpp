// Areas and regions: combining, bounds, hit tests and a scan conversion of our own.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/flat_draw.h"

namespace lumetra::flat {
namespace {

constexpr double kInfiniteEdge = 4194304;

struct Edge {
  double x0, y0, x1, y1;  // y0 < y1
  int dir;                // +1 when the path runs downwards along it
};

std::vector<Edge> edges_of(const QPainterPath& path) {
  std::vector<Edge> edges;
  for (const QPolygonF& poly : path.toSubpathPolygons()) {
    for (qsizetype i = 0, n = poly.size(); i < n; ++i) {
      QPointF a = poly[i], b = poly[(i + 1) % n];
      if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) ||
          !std::isfinite(b.y()) || a.y() == b.y())
        continue;
      if (a.y() < b.y())
        edges.push_back({a.x(), a.y(), b.x(), b.y(), 1});
      else
        edges.push_back({b.x(), b.y(), a.x(), a.y(), -1});
    }
  }
  return edges;
}

// The inside stretches [x0, x1) of the horizontal line at y; `all_vertical` tells whether every
// edge crossing it is vertical.
std::vector<std::pair<double, double>> spans_at(const std::vector<Edge>& edges, double y,
                                                bool odd_even, bool* all_vertical = nullptr) {
  std::vector<std::pair<double, int>> cross;
  bool vertical = true;
  for (const Edge& e : edges) {
    if (y < e.y0 || y >= e.y1) continue;
    vertical = vertical && e.x0 == e.x1;
    cross.emplace_back(e.x0 + (y - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir);
  }
  if (all_vertical) *all_vertical = vertical;
  std::sort(cross.begin(), cross.end());
  std::vector<std::pair<double, double>> spans;
  int winding = 0;
  for (std::size_t i = 0; i < cross.size(); ++i) {
    bool was_in = odd_even ? winding % 2 != 0 : winding != 0;
    winding += odd_even ? 1 : cross[i].second;
    bool is_in = odd_even ? winding % 2 != 0 : winding != 0;
    if (!was_in && is_in) spans.emplace_back(cross[i].first, cross[i].first);
    if (was_in && !is_in) spans.back().second = cross[i].first;
  }
  return spans;
}

int to_pixel(double v) {
  return static_cast<int>(std::clamp(std::ceil(v - 0.5), -1073741824.0, 1073741824.0));
}

QPainterPath rect_path(const QRectF& r) {
  QPainterPath p;
  p.addRect(r);
  return p;
}

// Region data: a header of four 32-bit words (magic, infinite flag, fill rule, element count),
// then per path element its type (32-bit) and two doubles. Read back only when every count and
// type agrees, so damaged bytes are refused rather than trusted.
constexpr std::uint32_t kDataMagic = 0x4C52474E;
constexpr std::size_t kHeader = 16, kElement = 20;

QByteArray serialize(const Area& a) {
  QByteArray bytes;
  auto put = [&](const auto& v) { bytes.append(reinterpret_cast<const char*>(&v), sizeof v); };
  put(kDataMagic);
  put(std::uint32_t{a.infinite});
  put(std::uint32_t(a.path.fillRule() == Qt::WindingFill));
  put(std::uint32_t(a.infinite ? 0 : a.path.elementCount()));
  for (int i = 0; !a.infinite && i < a.path.elementCount(); ++i) {
    QPainterPath::Element e = a.path.elementAt(i);
    put(std::int32_t(e.type));
    put(e.x);
    put(e.y);
  }
  return bytes;
}

bool deserialize(const unsigned char* data, std::size_t size, Area* out) {
  auto get = [&](std::size_t at, auto* v) { std::memcpy(v, data + at, sizeof *v); };
  std::uint32_t magic = 0, infinite = 0, winding = 0, count = 0;
  if (size < kHeader) return false;
  get(0, &magic);
  get(4, &infinite);
  get(8, &winding);
  get(12, &count);
  if (magic != kDataMagic || infinite > 1 || winding > 1 || (size - kHeader) / kElement != count ||
      (size - kHeader) % kElement != 0)
    return false;
  if (infinite) {
    *out = infinite_area();
    return count == 0;
  }
  QPainterPath path;
  path.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
  std::vector<QPointF> curve;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::int32_t type = 0;
    double x = 0, y = 0;
    get(kHeader + i * kElement, &type);
    get(kHeader + i * kElement + 4, &x);
    get(kHeader + i * kElement + 12, &y);
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    bool data_point = type == QPainterPath::CurveToDataElement;
    if (!curve.empty() != data_point) return false;  // a curve takes exactly three points
    if (type == QPainterPath::MoveToElement)
      path.moveTo(x, y);
    else if (type == QPainterPath::LineToElement && i > 0)
      path.lineTo(x, y);
    else if ((type == QPainterPath::CurveToElement && i > 0) || data_point)
      curve.emplace_back(x, y);
    else
      return false;
    if (curve.size() == 3) {
      path.cubicTo(curve[0], curve[1], curve[2]);
      curve.clear();
    }
  }
  if (!curve.empty()) return false;
  out->path = path;
  out->infinite = false;
  return true;
}

Status region_result(Handle region, Handle graphics, bool need_graphics,
                     std::shared_ptr<Region>* out, int* result) {
  *out = find<Region>(region);
  if (!*out || !result) return InvalidParameter;
  if ((need_graphics || graphics) && !find_object(graphics, Kind::Graphics))
    return InvalidParameter;
  return Ok;
}

template <class R>
Status make_rect_region(const R* rect, Handle* region) {
  if (!rect || !region) return InvalidParameter;
  if (Status s = require_started()) return s;
  auto r = std::make_shared<Region>();
  r->area = rect_area(QRectF(rect->x, rect->y, rect->width, rect->height));
  *region = add_object(std::move(r));
  return Ok;
}

template <class R>
Status scans(Handle region, R* rects, int* count, Handle matrix) {
  auto r = find<Region>(region);
  auto m = find<Matrix>(matrix);
  if (!r || !m || !count || *count < 0 || (*count > 0 && !rects)) return InvalidParameter;
  std::vector<QRect> pixels = area_pixels(map_area(r->area, m->m));
  if (pixels.size() > static_cast<std::size_t>(*count)) return InsufficientBuffer;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const QRect& p = pixels[i];
    using V = decltype(R::x);
    rects[i] = R{V(p.x()), V(p.y()), V(p.width()), V(p.height())};
  }
  *count = static_cast<int>(pixels.size());
  return Ok;
}

}  // namespace

Area infinite_area() {
  Area a;
  a.path = rect_path(QRectF(-kInfiniteEdge, -kInfiniteEdge, 2 * kInfiniteEdge, 2 * kInfiniteEdge));
  a.infinite = true;
  return a;
}

Area rect_area(const QRectF& r) {
  Area a;
  if (r.width() > 0 && r.height() > 0) a.path = rect_path(r);
  return a;
}

Status combine_area(Area& a, const Area& b, int mode) {
  switch (mode) {
    case CombineModeReplace:
      a = b;
      break;
    case CombineModeIntersect:
      if (a.infinite)
        a = b;
      else if (!b.infinite)
        a.path = a.path.intersected(b.path);
      break;
    case CombineModeUnion:
      if (b.infinite)
        a = b;
      else if (!a.infinite)
        a.path = a.path.united(b.path);
      break;
    case CombineModeXor:
      a.path = a.path.united(b.path).subtracted(a.path.intersected(b.path));
      a.infinite = false;
      break;
    case CombineModeExclude:
      a.path = a.path.subtracted(b.path);
      a.infinite = false;
      break;
    case CombineModeComplement:
      a.path = b.path.subtracted(a.path);
      a.infinite = false;
      break;
    default:
      return InvalidParameter;
  }
  return Ok;
}

Area map_area(const Area& a, const QTransform& t) {
  if (a.infinite && t.isInvertible()) return a;
  Area out;
  out.path = t.map(a.path);
  return out;
}

QRectF area_bounds(const Area& a) {
  if (area_is_empty(a)) return {};
  return a.path.boundingRect();
}

bool area_is_empty(const Area& a) {
  if (a.infinite) return false;
  QRectF b = a.path.boundingRect();
  return a.path.isEmpty() || b.width() <= 0 || b.height() <= 0;
}

bool area_contains(const Area& a, QPointF p) {
  if (a.infinite) return true;
  auto spans = spans_at(edges_of(a.path), p.y(), a.path.fillRule() == Qt::OddEvenFill);
  return std::any_of(spans.begin(), spans.end(),
                     [&](const auto& s) { return s.first <= p.x() && p.x() < s.second; });
}

std::vector<QRect> area_pixels(const Area& a, const std::optional<QRect>& limit) {
  std::vector<QRect> out;
  if (a.infinite) {
    QRect all(-int(kInfiniteEdge), -int(kInfiniteEdge), 2 * int(kInfiniteEdge),
              2 * int(kInfiniteEdge));
    QRect r = limit ? all.intersected(*limit) : all;
    if (!r.isEmpty()) out.push_back(r);
    return out;
  }
  std::vector<Edge> edges = edges_of(a.path);
  if (edges.empty()) return out;
  bool odd_even = a.path.fillRule() == Qt::OddEvenFill;
  std::vector<double> events;
  double ymin = edges[0].y0, ymax = edges[0].y1;
  for (const Edge& e : edges) {
    events.push_back(e.y0);
    events.push_back(e.y1);
    ymin = std::min(ymin, e.y0);
    ymax = std::max(ymax, e.y1);
  }
  std::sort(events.begin(), events.end());
  // Nothing lies beyond the infinite square; this also bounds the rows a huge shape scans.
  const int edge = static_cast<int>(kInfiniteEdge);
  int row = std::max(to_pixel(ymin), -edge), row_end = std::min(to_pixel(ymax), edge);
  if (limit) {
    row = std::max(row, limit->top());
    row_end = std::min(row_end, limit->bottom() + 1);
  }
  std::vector<std::pair<int, int>> last_spans;
  std::size_t band_start = 0;  // index in `out` of the last band's first rectangle
  while (row < row_end) {
    bool vertical = false;
    double yc = row + 0.5;
    auto spans = spans_at(edges, yc, odd_even, &vertical);
    int next = row + 1;
    if (vertical) {
      auto it = std::upper_bound(events.begin(), events.end(), yc);
      next = it == events.end() ? row_end : std::clamp(to_pixel(*it), row + 1, row_end);
    }
    std::vector<std::pair<int, int>> pixels;
    for (auto [x0, x1] : spans) {
      int p0 = std::max(to_pixel(x0), -edge), p1 = std::min(to_pixel(x1), edge);
      if (limit) {
        p0 = std::max(p0, limit->left());
        p1 = std::min(p1, limit->right() + 1);
      }
      if (p0 >= p1) continue;
      if (!pixels.empty() && pixels.back().second >= p0)
        pixels.back().second = std::max(pixels.back().second, p1);
      else
        pixels.emplace_back(p0, p1);
    }
    bool continues = !out.empty() && out.back().bottom() + 1 == row && pixels == last_spans;
    if (continues) {
      for (std::size_t i = band_start; i < out.size(); ++i) out[i].setBottom(next - 1);
    } else if (!pixels.empty()) {
      band_start = out.size();
      for (auto [p0, p1] : pixels) out.emplace_back(QPoint(p0, row), QPoint(p1 - 1, next - 1));
    }
    last_spans = std::move(pixels);
    row = next;
  }
  return out;
}

Rect aligned_rect(const QRectF& r) {
  if (r.isNull()) return {};
  auto clamp = [](double v) { return std::clamp(v, -1073741823.0, 1073741823.0); };
  int x0 = int(std::floor(clamp(r.left()))), y0 = int(std::floor(clamp(r.top())));
  int x1 = int(std::ceil(clamp(r.right()))), y1 = int(std::ceil(clamp(r.bottom())));
  return Rect{x0, y0, x1 - x0, y1 - y0};
}

QRegion area_region(const Area& a, const QRect& limit) {
  std::vector<QRect> rects = area_pixels(a, limit);
  QRegion region;
  if (!rects.empty()) region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

// ---- Region functions ----

Status GdipCreateRegion(Handle* region) {
  if (!region) return InvalidParameter;
  if (Status s = require_started()) return s;
  auto r = std::make_shared<Region>();
  r->area = infinite_area();
  *region = add_object(std::move(r));
  return Ok;
}

Status GdipCreateRegionRect(const RectF* rect, Handle* region) {
  return make_rect_region(rect, region);
}
Status GdipCreateRegionRectI(const Rect* rect, Handle* region) {
  return make_rect_region(rect, region);
}

Status GdipCreateRegionPath(Handle path, Handle* region) {
  auto p = find<Path>(path);
  if (!p || !region) return InvalidParameter;
  if (Status s = require_started()) return s;
  auto r = std::make_shared<Region>();
  r->area.path = p->path;
  *region = add_object(std::move(r));
  return Ok;
}

Status GdipCreateRegionHrgn(Handle, Handle* region) {
  return region ? NotImplemented : InvalidParameter;
}

Status GdipCreateRegionRgnData(const unsigned char* data, int size, Handle* region) {
  if (!data || size <= 0 || !region) return InvalidParameter;
  if (Status s = require_started()) return s;
  auto r = std::make_shared<Region>();
  if (!deserialize(data, static_cast<std::size_t>(size), &r->area)) return InvalidParameter;
  *region = add_object(std::move(r));
  return Ok;
}

Status GdipCloneRegion(Handle region, Handle* clone) {
  auto r = find<Region>(region);
  if (!r || !clone) return InvalidParameter;
  auto copy = std::make_shared<Region>();
  copy->area = r->area;
  *clone = add_object(std::move(copy));
  return Ok;
}

Status GdipDeleteRegion(Handle region) {
  return remove_object(region, Kind::Region) ? Ok : InvalidParameter;
}

Status GdipSetInfinite(Handle region) {
  auto r = find<Region>(region);
  if (!r) return InvalidParameter;
  r->area = infinite_area();
  return Ok;
}

Status GdipSetEmpty(Handle region) {
  auto r = find<Region>(region);
  if (!r) return InvalidParameter;
  r->area = Area{};
  return Ok;
}

Status GdipCombineRegionRect(Handle region, const RectF* rect, int mode) {
  auto r = find<Region>(region);
  if (!r || !rect) return InvalidParameter;
  return combine_area(r->area, rect_area(QRectF(rect->x, rect->y, rect->width, rect->height)),
                      mode);
}

Status GdipCombineRegionRectI(Handle region, const Rect* rect, int mode) {
  if (!rect) return InvalidParameter;
  RectF f{float(rect->x), float(rect->y), float(rect->width), float(rect->height)};
  return GdipCombineRegionRect(region, &f, mode);
}

Status GdipCombineRegionRegion(Handle region, Handle other, int mode) {
  auto r = find<Region>(region);
  auto o = find<Region>(other);
  if (!r || !o) return InvalidParameter;
  Area b = o->area;  // a copy: the two may be the same region
  return combine_area(r->area, b, mode);
}

Status GdipCombineRegionPath(Handle region, Handle path, int mode) {
  auto r = find<Region>(region);
  auto p = find<Path>(path);
  if (!r || !p) return InvalidParameter;
  Area b;
  b.path = p->path;
  return combine_area(r->area, b, mode);
}

Status GdipTranslateRegion(Handle region, float dx, float dy) {
  auto r = find<Region>(region);
  if (!r || !std::isfinite(dx) || !std::isfinite(dy)) return InvalidParameter;
  if (!r->area.infinite) r->area.path.translate(dx, dy);
  return Ok;
}

Status GdipTranslateRegionI(Handle region, int dx, int dy) {
  return GdipTranslateRegion(region, float(dx), float(dy));
}

Status GdipTransformRegion(Handle region, Handle matrix) {
  auto r = find<Region>(region);
  auto m = find<Matrix>(matrix);
  if (!r || !m) return InvalidParameter;
  r->area = map_area(r->area, m->m);
  return Ok;
}

Status GdipGetRegionBounds(Handle region, Handle graphics, RectF* rect) {
  auto r = find<Region>(region);
  if (!r || !rect || !find_object(graphics, Kind::Graphics)) return InvalidParameter;
  QRectF b = area_bounds(r->area);
  *rect = RectF{float(b.x()), float(b.y()), float(b.width()), float(b.height())};
  return Ok;
}

Status GdipGetRegionBoundsI(Handle region, Handle graphics, Rect* rect) {
  RectF f;
  if (!rect) return InvalidParameter;
  if (Status s = GdipGetRegionBounds(region, graphics, &f)) return s;
  *rect = aligned_rect(QRectF(f.x, f.y, f.width, f.height));
  return Ok;
}

Status GdipGetRegionDataSize(Handle region, unsigned* size) {
  auto r = find<Region>(region);
  if (!r || !size) return InvalidParameter;
  *size = static_cast<unsigned>(serialize(r->area).size());
  return Ok;
}

Status GdipGetRegionData(Handle region, unsigned char* buffer, unsigned size, unsigned* filled) {
  auto r = find<Region>(region);
  if (!r || !buffer) return InvalidParameter;
  QByteArray bytes = serialize(r->area);
  if (size < static_cast<unsigned>(bytes.size())) return InsufficientBuffer;
  std::memcpy(buffer, bytes.constData(), bytes.size());
  if (filled) *filled = static_cast<unsigned>(bytes.size());
  return Ok;
}

Status GdipGetRegionHRgn(Handle region, Handle, Handle* hrgn) {
  return find<Region>(region) && hrgn ? NotImplemented : InvalidParameter;
}

Status GdipIsEmptyRegion(Handle region, Handle graphics, int* result) {
  std::shared_ptr<Region> r;
  if (Status s = region_result(region, graphics, true, &r, result)) return s;
  *result = area_is_empty(r->area);
  return Ok;
}

Status GdipIsInfiniteRegion(Handle region, Handle graphics, int* result) {
  std::shared_ptr<Region> r;
  if (Status s = region_result(region, graphics, true, &r, result)) return s;
  *result = r->area.infinite;
  return Ok;
}

Status GdipIsEqualRegion(Handle region, Handle other, Handle graphics, int* result) {
  std::shared_ptr<Region> r;
  if (Status s = region_result(region, graphics, true, &r, result)) return s;
  auto o = find<Region>(other);
  if (!o) return InvalidParameter;
  *result = r->area.infinite == o->area.infinite && area_bounds(r->area) == area_bounds(o->area) &&
            area_pixels(r->area) == area_pixels(o->area);
  return Ok;
}

Status GdipIsVisibleRegionPoint(Handle region, float x, float y, Handle graphics, int* result) {
  std::shared_ptr<Region> r;
  if (Status s = region_result(region, graphics, false, &r, result)) return s;
  *result = area_contains(r->area, QPointF(x, y));
  return Ok;
}

Status GdipIsVisibleRegionPointI(Handle region, int x, int y, Handle graphics, int* result) {
  return GdipIsVisibleRegionPoint(region, float(x), float(y), graphics, result);
}

Status GdipIsVisibleRegionRect(Handle region, float x, float y, float w, float h, Handle graphics,
                               int* result) {
  std::shared_ptr<Region> r;
  if (Status s = region_result(region, graphics, false, &r, result)) return s;
  Area a = rect_area(QRectF(x, y, w, h));
  combine_area(a, r->area, CombineModeIntersect);
  *result = !area_is_empty(a);
  return Ok;
}

Status GdipIsVisibleRegionRectI(Handle region, int x, int y, int w, int h, Handle graphics,
                                int* result) {
  return GdipIsVisibleRegionRect(region, float(x), float(y), float(w), float(h), graphics, result);
}

Status GdipGetRegionScansCount(Handle region, unsigned* count, Handle matrix) {
  auto r = find<Region>(region);
  auto m = find<Matrix>(matrix);
  if (!r || !m || !count) return InvalidParameter;
  *count = static_cast<unsigned>(area_pixels(map_area(r->area, m->m)).size());
  return Ok;
}

Status GdipGetRegionScans(Handle region, RectF* rects, int* count, Handle matrix) {
  return scans(region, rects, count, matrix);
}
Status GdipGetRegionScansI(Handle region, Rect* rects, int* count, Handle matrix) {
  return scans(region, rects, count, matrix);
}

}  // namespace lumetra::flat
