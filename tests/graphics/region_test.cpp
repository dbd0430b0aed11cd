// Regions: combining, bounds, hit tests, scans and their data.
#include <cmath>

#include "tests/graphics/started.h"

namespace lumetra {
namespace {

bool same(const flat::RectF& a, const flat::RectF& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

class RegionTest : public Started {
 protected:
  void SetUp() override {
    Started::SetUp();
    ASSERT_TRUE(bitmap.create(4, 4));
    ASSERT_TRUE(g.from_image(bitmap));
    ASSERT_TRUE(identity.create());
  }
  void TearDown() override {
    g.delete_();
    bitmap.dispose();
    identity.delete_();
    Started::TearDown();
  }
  std::vector<flat::RectF> scans_of(Region& r) {
    std::vector<flat::RectF> list;
    int n = r.scans(identity, list);
    EXPECT_EQ(n, static_cast<int>(list.size()));
    return list;
  }

  Bitmap bitmap;
  Graphics g;
  Matrix identity;
};

TEST_F(RegionTest, RectangleHitTestsAreHalfOpen) {
  Region r;
  ASSERT_TRUE(r.create_rect({0, 0, 10, 10}));
  struct Case {
    flat::PointF p;
    bool in;
  } cases[] = {{{5, 5}, true},   {{15, 5}, false},     {{0, 0}, true},     {{10, 5}, false},
               {{5, 10}, false}, {{9.5f, 9.5f}, true}, {{-0.1f, 5}, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(r.is_visible_point(c.p, g), c.in) << c.p.x << "," << c.p.y;
    EXPECT_EQ(last_status, 0);
  }
  EXPECT_TRUE(r.is_visible_point_i({9, 9}, g));
  EXPECT_TRUE(r.is_visible_rect({9, 9, 5, 5}, g));
  EXPECT_FALSE(r.is_visible_rect_i({10, 0, 5, 5}, g));
  // The hit tests take no surface as well.
  Graphics none;
  EXPECT_TRUE(r.is_visible_point({1, 1}, none));
  EXPECT_EQ(last_status, 0);
}

TEST_F(RegionTest, CombineModesGiveTheirBoundsAndPixels) {
  struct Case {
    int mode;
    flat::RectF bounds;
    std::vector<flat::RectF> scans;
    flat::PointF in, out;
  } cases[] = {
      {flat::CombineModeReplace, {5, 5, 10, 10}, {{5, 5, 10, 10}}, {12, 12}, {2, 2}},
      {flat::CombineModeIntersect, {5, 5, 5, 5}, {{5, 5, 5, 5}}, {7, 7}, {2, 2}},
      {flat::CombineModeUnion,
       {0, 0, 15, 15},
       {{0, 0, 10, 5}, {0, 5, 15, 5}, {5, 10, 10, 5}},
       {12, 12},
       {12, 2}},
      {flat::CombineModeXor,
       {0, 0, 15, 15},
       {{0, 0, 10, 5}, {0, 5, 5, 5}, {10, 5, 5, 5}, {5, 10, 10, 5}},
       {2, 2},
       {7, 7}},
      {flat::CombineModeExclude, {0, 0, 10, 10}, {{0, 0, 10, 5}, {0, 5, 5, 5}}, {2, 2}, {7, 7}},
      {flat::CombineModeComplement,
       {5, 5, 10, 10},
       {{10, 5, 5, 5}, {5, 10, 10, 5}},
       {12, 12},
       {7, 7}},
  };
  for (const Case& c : cases) {
    Region r;
    ASSERT_TRUE(r.create_rect({0, 0, 10, 10}));
    ASSERT_TRUE(r.combine_rect({5, 5, 10, 10}, c.mode)) << c.mode;
    EXPECT_TRUE(same(r.region_bounds(g), c.bounds)) << c.mode;
    std::vector<flat::RectF> scans = scans_of(r);
    ASSERT_EQ(scans.size(), c.scans.size()) << c.mode;
    for (std::size_t i = 0; i < scans.size(); ++i)
      EXPECT_TRUE(same(scans[i], c.scans[i])) << c.mode << " scan " << i;
    EXPECT_TRUE(r.is_visible_point(c.in, g)) << c.mode;
    EXPECT_FALSE(r.is_visible_point(c.out, g)) << c.mode;
  }
  // The default mode intersects.
  Region r;
  ASSERT_TRUE(r.create_rect_i({0, 0, 10, 10}));
  ASSERT_TRUE(r.combine_rect_i({5, 5, 10, 10}));
  flat::Rect b = r.region_bounds_i(g);
  EXPECT_EQ(b.x + b.y + b.width + b.height, 20);
}

TEST_F(RegionTest, InfiniteAndEmptyRegions) {
  Region r, rect;
  ASSERT_TRUE(r.create());
  ASSERT_TRUE(rect.create_rect({1, 2, 3, 4}));
  EXPECT_TRUE(r.is_infinite(g));
  EXPECT_FALSE(r.is_empty(g));
  EXPECT_TRUE(same(r.region_bounds(g), {-4194304, -4194304, 8388608, 8388608}));
  EXPECT_EQ(r.scans_count(identity), 1);
  ASSERT_TRUE(r.combine_region(rect, flat::CombineModeUnion));
  EXPECT_TRUE(r.is_infinite(g));
  ASSERT_TRUE(r.combine_region(rect));
  EXPECT_FALSE(r.is_infinite(g));
  EXPECT_TRUE(r.is_equal(rect, g));
  ASSERT_TRUE(r.combine_region(r, flat::CombineModeXor));
  EXPECT_TRUE(r.is_empty(g));
  EXPECT_TRUE(same(r.region_bounds(g), {0, 0, 0, 0}));
  EXPECT_EQ(r.scans_count(identity), 0);
  ASSERT_TRUE(r.set_infinite());
  ASSERT_TRUE(r.combine_rect({0, 0, 4, 4}, flat::CombineModeExclude));
  EXPECT_FALSE(r.is_visible_point({1, 1}, g));
  EXPECT_TRUE(r.is_visible_point({-100, 1}, g));
  ASSERT_TRUE(r.set_empty());
  EXPECT_TRUE(r.is_empty(g));
}

TEST_F(RegionTest, TranslateTransformCloneAndData) {
  Region r;
  ASSERT_TRUE(r.create_rect({0, 0, 2, 3}));
  ASSERT_TRUE(r.translate(10, 20));
  EXPECT_TRUE(same(r.region_bounds(g), {10, 20, 2, 3}));
  ASSERT_TRUE(r.translate_i(-10, -20));
  Matrix twice;
  ASSERT_TRUE(twice.create(2, 0, 0, 2, 1, 1));
  std::vector<flat::Rect> scaled;
  EXPECT_EQ(r.scans_i(twice, scaled), 1);
  EXPECT_EQ(scaled[0].x + scaled[0].width * 10 + scaled[0].height * 100, 1 + 40 + 600);
  ASSERT_TRUE(r.transform(twice));
  EXPECT_TRUE(same(r.region_bounds(g), {1, 1, 4, 6}));

  // A turned square: its slanted edges scan row by row and keep its area.
  Matrix turn;
  ASSERT_TRUE(turn.create());
  ASSERT_TRUE(turn.rotate(45));
  Region diamond;
  ASSERT_TRUE(diamond.create_rect({0, 0, 40, 40}));
  std::vector<flat::RectF> rows;
  EXPECT_GT(diamond.scans(turn, rows), 50);
  double area = 0;
  for (const flat::RectF& s : rows) area += s.width * s.height;
  EXPECT_NEAR(area, 1600, 40);

  // Bounds too large for integers are held at their limit.
  Matrix huge;
  ASSERT_TRUE(huge.create(1e30f, 0, 0, 1e30f, 0, 0));
  Region vast;
  ASSERT_TRUE(vast.create_rect({0, 0, 10, 10}));
  ASSERT_TRUE(vast.transform(huge));
  EXPECT_EQ(vast.region_bounds_i(g).width, 1073741823);

  Region copy;
  ASSERT_TRUE(r.clone_region(copy));
  EXPECT_TRUE(copy.is_equal(r, g));
  ASSERT_TRUE(copy.translate(1, 0));
  EXPECT_FALSE(copy.is_equal(r, g));

  // Data round trips: a turned rectangle, a disc of curves, the infinite region.
  GraphicsPath circle;
  ASSERT_TRUE(circle.create(flat::FillModeWinding));
  ASSERT_TRUE(circle.add_ellipse({0, 0, 30, 20}));
  Region round, all;
  ASSERT_TRUE(round.create_path(circle));
  ASSERT_TRUE(all.create());
  for (Region* original : {&r, &round, &all}) {
    unsigned size = original->data_size();
    ASSERT_GT(size, 0u);
    unsigned filled = 0;
    Bytes data = original->data(size, filled);
    EXPECT_EQ(filled, size);
    Region back;
    ASSERT_TRUE(back.create_rgn_data(data));
    EXPECT_TRUE(back.is_equal(*original, g));
    EXPECT_EQ(back.is_infinite(g), original == &all);
    original->data(size - 1, filled);
    EXPECT_EQ(last_status, flat::InsufficientBuffer);
    // Damaged bytes are refused: cut short, or an element of an unknown type.
    Region damaged;
    EXPECT_FALSE(damaged.create_rgn_data(data, static_cast<int>(size) - 1));
    if (original != &all) {
      data[16] = 9;
      EXPECT_FALSE(damaged.create_rgn_data(data));
    }
    EXPECT_EQ(damaged.handle(), 0u);
  }
}

TEST_F(RegionTest, PathRegionsFollowTheirShape) {
  GraphicsPath circle, triangle;
  ASSERT_TRUE(circle.create());
  ASSERT_TRUE(circle.add_ellipse({0, 0, 100, 100}));
  ASSERT_TRUE(triangle.create());
  ASSERT_TRUE(triangle.add_line(0, 0, 10, 0));
  ASSERT_TRUE(triangle.add_line(10, 0, 0, 10));
  ASSERT_TRUE(triangle.close_figure());
  Region round, tri;
  ASSERT_TRUE(round.create_path(circle));
  ASSERT_TRUE(tri.create_path(triangle));
  EXPECT_TRUE(tri.is_visible_point({2, 2}, g));
  EXPECT_FALSE(tri.is_visible_point({8, 8}, g));
  // The scans of a disc cover about its area, all within its bounds.
  double area = 0;
  for (const flat::RectF& s : scans_of(round)) {
    area += s.width * s.height;
    EXPECT_GE(s.x, 0);
    EXPECT_LE(s.x + s.width, 100);
  }
  EXPECT_NEAR(area, 3.14159 * 50 * 50, 0.01 * 3.14159 * 50 * 50);
  ASSERT_TRUE(round.combine_path(triangle, flat::CombineModeExclude));
  EXPECT_FALSE(round.is_visible_point({20, 3}, g) && round.is_visible_point({3, 3}, g));
  EXPECT_TRUE(round.is_visible_point({50, 50}, g));
}

TEST_F(RegionTest, BadInputGetsAStatus) {
  Region fresh;
  last_status = kUntouched;
  EXPECT_FALSE(fresh.delete_());
  EXPECT_EQ(last_status, kUntouched);

  Region r;
  ASSERT_TRUE(r.create_rect({0, 0, 10, 10}));
  std::vector<flat::RectF> kept(2);
  Matrix none;
  Graphics no_surface;
  struct Case {
    const char* name;
    std::function<bool()> call;
    int status;
  } cases[] = {
      {"unknown combine mode",
       [&] {
         return r.combine_rect({0, 0, 1, 1}, 6);
       },
       flat::InvalidParameter},
      {"no region", [&] { return fresh.set_empty(); }, flat::InvalidParameter},
      {"image as region", [&] { return store_status(flat::GdipSetEmpty(bitmap.handle())); },
       flat::InvalidParameter},
      {"scans without a matrix", [&] { return r.scans(none, kept) != 0; }, flat::InvalidParameter},
      {"bounds without a surface",
       [&] {
         r.region_bounds(no_surface);
         return last_status == 0;
       },
       flat::InvalidParameter},
      {"bytes that are no region",
       [&] {
         Region x;
         return x.create_rgn_data("not a region");
       },
       flat::InvalidParameter},
      {"size past the bytes",
       [&] {
         Region x;
         return x.create_rgn_data("abc", 4);
       },
       flat::InvalidParameter},
      {"no bytes",
       [&] {
         Region x;
         return x.create_rgn_data("");
       },
       flat::InvalidParameter},
      {"a buffer too small for the scans",
       [&] {
         flat::RectF one[1];
         int n = 0;
         return store_status(flat::GdipGetRegionScans(r.handle(), one, &n, identity.handle()));
       },
       flat::InsufficientBuffer},
  };
  for (const Case& c : cases) {
    last_status = kUntouched;
    EXPECT_FALSE(c.call()) << c.name;
    EXPECT_EQ(last_status, c.status) << c.name;
  }
  EXPECT_EQ(kept.size(), 2u);  // left unchanged by the failed scans
  EXPECT_TRUE(same(r.region_bounds(no_surface), {0, 0, 0, 0}));
}

}  // namespace
}  // namespace lumetra
