// Region: an area built from rectangles, paths and other regions, for clipping and hit tests.
//
// Usage: `Region r; r.create_rect({0, 0, 10, 10}); r.combine_rect({5, 5, 10, 10});` (the
// default combine mode 1 intersects) then `r.region_bounds(graphics)` is (5, 5, 5, 5). Combine
// modes: 0 replace, 1 intersect, 2 union, 3 xor, 4 exclude, 5 complement. Readers return zeroed
// records and false when the flat call fails; every operation stores its status in
// `last_status`. `delete_` releases the native region (destruction calls it).
#pragma once

#include <optional>
#include <vector>

#include "graphics/base.h"
#include "graphics/flat_draw.h"

namespace lumetra {

class Region : public GraphicsObject {
 public:
  ~Region() override { delete_(); }
  Handle region_handle() const { return region_handle_; }

  bool delete_() { return deleter(*this, flat::GdipDeleteRegion); }
  // An infinite region.
  bool create() { return creator(*this, region_handle_, flat::GdipCreateRegion); }
  bool create_rect(const flat::RectF& r) {
    return creator(*this, region_handle_, flat::GdipCreateRegionRect, &r);
  }
  bool create_rect_i(const flat::Rect& r) {
    return creator(*this, region_handle_, flat::GdipCreateRegionRectI, &r);
  }
  bool create_path(const GraphicsObject& path) {
    return creator(*this, region_handle_, flat::GdipCreateRegionPath, path.handle());
  }
  bool create_hrgn(Handle hrgn) {
    return creator(*this, region_handle_, flat::GdipCreateRegionHrgn, hrgn);
  }
  // The bytes `data` gave; `size` (all of them unless given) may not exceed their length.
  bool create_rgn_data(const Bytes& data, std::optional<int> size = std::nullopt);
  bool clone_region(Region& target) {
    return producer(target, flat::GdipCloneRegion, region_handle_);
  }
  bool set_infinite() { return forwarder(flat::GdipSetInfinite, region_handle_); }
  bool set_empty() { return forwarder(flat::GdipSetEmpty, region_handle_); }

  bool combine_rect(const flat::RectF& r, int mode = flat::CombineModeIntersect) {
    return forwarder(flat::GdipCombineRegionRect, region_handle_, &r, mode);
  }
  bool combine_rect_i(const flat::Rect& r, int mode = flat::CombineModeIntersect) {
    return forwarder(flat::GdipCombineRegionRectI, region_handle_, &r, mode);
  }
  bool combine_region(const Region& other, int mode = flat::CombineModeIntersect) {
    return forwarder(flat::GdipCombineRegionRegion, region_handle_, other.handle(), mode);
  }
  bool combine_path(const GraphicsObject& path, int mode = flat::CombineModeIntersect) {
    return forwarder(flat::GdipCombineRegionPath, region_handle_, path.handle(), mode);
  }
  bool translate(float dx, float dy) {
    return forwarder(flat::GdipTranslateRegion, region_handle_, dx, dy);
  }
  bool translate_i(int dx, int dy) {
    return forwarder(flat::GdipTranslateRegionI, region_handle_, dx, dy);
  }
  bool transform(const GraphicsObject& matrix) {
    return forwarder(flat::GdipTransformRegion, region_handle_, matrix.handle());
  }

  flat::RectF region_bounds(const GraphicsObject& graphics) {
    return getter<flat::RectF>(flat::GdipGetRegionBounds, region_handle_, graphics.handle());
  }
  flat::Rect region_bounds_i(const GraphicsObject& graphics) {
    return getter<flat::Rect>(flat::GdipGetRegionBoundsI, region_handle_, graphics.handle());
  }
  unsigned data_size() { return getter<unsigned>(flat::GdipGetRegionDataSize, region_handle_); }
  // A zero-filled buffer of `size` bytes that the flat call fills; `filled` receives how many.
  Bytes data(unsigned size, unsigned& filled);
  Handle hrgn(const GraphicsObject& graphics) {
    return getter<Handle>(flat::GdipGetRegionHRgn, region_handle_, graphics.handle());
  }
  bool is_empty(const GraphicsObject& graphics) {
    return getter<int>(flat::GdipIsEmptyRegion, region_handle_, graphics.handle()) != 0;
  }
  bool is_infinite(const GraphicsObject& graphics) {
    return getter<int>(flat::GdipIsInfiniteRegion, region_handle_, graphics.handle()) != 0;
  }
  bool is_equal(const Region& other, const GraphicsObject& graphics) {
    return getter<int>(flat::GdipIsEqualRegion, region_handle_, other.handle(),
                       graphics.handle()) != 0;
  }
  bool is_visible_point(const flat::PointF& p, const GraphicsObject& graphics) {
    return getter<int>(flat::GdipIsVisibleRegionPoint, region_handle_, p.x, p.y,
                       graphics.handle()) != 0;
  }
  bool is_visible_point_i(const flat::Point& p, const GraphicsObject& graphics) {
    return getter<int>(flat::GdipIsVisibleRegionPointI, region_handle_, p.x, p.y,
                       graphics.handle()) != 0;
  }
  bool is_visible_rect(const flat::RectF& r, const GraphicsObject& graphics) {
    return getter<int>(flat::GdipIsVisibleRegionRect, region_handle_, r.x, r.y, r.width, r.height,
                       graphics.handle()) != 0;
  }
  bool is_visible_rect_i(const flat::Rect& r, const GraphicsObject& graphics) {
    return getter<int>(flat::GdipIsVisibleRegionRectI, region_handle_, r.x, r.y, r.width, r.height,
                       graphics.handle()) != 0;
  }
  int scans_count(const GraphicsObject& matrix) {
    return static_cast<int>(getter<unsigned>(scans_count_of, region_handle_, matrix.handle()));
  }
  // The region's pixels under the matrix as y-x banded rectangles; 0 and `list` unchanged when
  // they cannot be counted.
  int scans(const GraphicsObject& matrix, std::vector<flat::RectF>& list);
  int scans_i(const GraphicsObject& matrix, std::vector<flat::Rect>& list);

 protected:
  void handle_hook(Handle h) override { region_handle_ = h; }

 private:
  // The count comes before the matrix in the flat call; reordered for `getter`.
  static flat::Status scans_count_of(Handle region, Handle matrix, unsigned* count) {
    return flat::GdipGetRegionScansCount(region, count, matrix);
  }

  Handle region_handle_ = 0;
};

}  // namespace lumetra
