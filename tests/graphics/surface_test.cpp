// The drawing surface painted into real bitmaps and read back pixel by pixel.
#include <cmath>

#include "tests/graphics/started.h"

namespace lumetra {
namespace {

constexpr ARGB kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00, kWhite = 0xFFFFFFFF;

struct Px {
  int x, y;
};

// A transparent bitmap with a surface on it.
class SurfaceTest : public Started {
 protected:
  void open(int w, int h) {
    ASSERT_TRUE(bitmap.create(w, h));
    ASSERT_TRUE(g.from_image(bitmap));
  }
  void SetUp() override {
    Started::SetUp();
    open(20, 20);
    ASSERT_TRUE(red.create(kRed));
  }
  void TearDown() override {
    g.delete_();
    red.delete_();
    bitmap.dispose();
    Started::TearDown();
  }
  // Every pixel in `in` has the colour and every one in `out` is untouched.
  void expect_pixels(ARGB color, std::initializer_list<Px> in, std::initializer_list<Px> out,
                     const char* what) {
    for (Px p : in)
      EXPECT_EQ(bitmap.get_pixel(p.x, p.y), color) << what << " " << p.x << "," << p.y;
    for (Px p : out) EXPECT_EQ(bitmap.get_pixel(p.x, p.y), 0u) << what << " " << p.x << "," << p.y;
  }
  flat::PointF to_device(flat::PointF p) {
    std::vector<flat::PointF> v{p};
    EXPECT_TRUE(g.transform_points(flat::CoordinateSpaceDevice, flat::CoordinateSpaceWorld, v));
    return v[0];
  }

  Bitmap bitmap;
  Graphics g;
  SolidBrush red;
};

TEST_F(SurfaceTest, FillRectangleCoversWholePixelsAndLeavesTheRestTransparent) {
  struct Case {
    ARGB color;
    flat::RectF r;
    std::initializer_list<Px> in, out;
  } cases[] = {
      {kRed,
       {2, 2, 6, 6},
       {{2, 2}, {5, 5}, {7, 7}, {2, 7}},
       {{0, 0}, {1, 1}, {8, 8}, {8, 5}, {5, 1}}},
      {0x80FF0000, {0, 0, 1, 20}, {{0, 0}, {0, 19}}, {{1, 0}, {1, 19}}},
      {0xFF000000, {19, 19, 5, 5}, {{19, 19}}, {{18, 18}, {18, 19}}},
      {kRed, {-5, -5, 6, 6}, {{0, 0}}, {{1, 1}, {0, 1}}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(g.clear(0));
    SolidBrush brush;
    ASSERT_TRUE(brush.create(c.color));
    EXPECT_TRUE(g.fill_rectangle_record(brush, c.r));
    expect_pixels(c.color, c.in, c.out, "fill");
  }
}

// The shadow's shape picture: white everywhere, magenta exactly over the window.
TEST_F(SurfaceTest, FillOverAFillReplacesExactlyTheInnerRectangle) {
  SolidBrush white, magenta;
  ASSERT_TRUE(white.create(kWhite));
  ASSERT_TRUE(magenta.create(0xFFFF00FF));
  ASSERT_TRUE(g.fill_rectangle(white, 0, 0, 20, 20));
  ASSERT_TRUE(g.fill_rectangle(magenta, 3, 3, 14, 14));
  for (int i = 0; i < 20; ++i) {
    bool inside = i >= 3 && i < 17;
    EXPECT_EQ(bitmap.get_pixel(i, 10), inside ? 0xFFFF00FFu : kWhite) << i;
    EXPECT_EQ(bitmap.get_pixel(10, i), inside ? 0xFFFF00FFu : kWhite) << i;
  }
}

TEST_F(SurfaceTest, DeleteTwiceAndTheHandleAtEveryLevel) {
  EXPECT_EQ(g.graphics_handle(), g.handle());
  EXPECT_TRUE(g.delete_());
  last_status = kUntouched;
  EXPECT_FALSE(g.delete_());
  EXPECT_EQ(last_status, kUntouched);
  EXPECT_EQ(g.handle(), 0u);

  Graphics other;
  Region region;
  other.set_handle(0x4321);
  region.set_handle(0x5432);
  EXPECT_EQ(other.graphics_handle(), 0x4321u);
  EXPECT_EQ(region.region_handle(), 0x5432u);
  other.set_handle(0);
  region.set_handle(0);
}

TEST_F(SurfaceTest, WorldTransformsMapPointsAndPaint) {
  struct Case {
    const char* name;
    std::function<void(Graphics&)> apply;
    flat::PointF from, to;
  } cases[] = {
      {"translate", [](Graphics& g) { g.translate_world_transform(3, 4); }, {1, 1}, {4, 5}},
      {"scale then translate appended",
       [](Graphics& g) {
         g.scale_world_transform(2, 2);
         g.translate_world_transform(1, 0, flat::MatrixOrderAppend);
       },
       {1, 1},
       {3, 2}},
      {"scale at keeps its centre",
       [](Graphics& g) {
         g.scale_world_transform_at(2, 2, {5, 5});
       },
       {5, 5},
       {5, 5}},
      {"scale at doubles around it",
       [](Graphics& g) {
         g.scale_world_transform_at(2, 2, {5, 5});
       },
       {6, 5},
       {7, 5}},
      {"scale at after a move keeps the world centre",
       [](Graphics& g) {
         g.translate_world_transform(10, 0);
         g.scale_world_transform_at(3, 3, {5, 5});
       },
       {5, 5},
       {15, 5}},
      {"scale at appended keeps the device centre",
       [](Graphics& g) {
         g.translate_world_transform(10, 0);
         g.scale_world_transform_at(3, 3, {5, 5}, flat::MatrixOrderAppend);
       },
       {-5, 5},
       {5, 5}},
      {"rotate at",
       [](Graphics& g) {
         g.rotate_world_transform_at(90, {5, 5});
       },
       {6, 5},
       {5, 6}},
      {"page unit inch", [](Graphics& g) { g.set_page_unit(flat::UnitInch); }, {1, 0}, {96, 0}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(g.reset_world_transform());
    ASSERT_TRUE(g.set_page_unit(flat::UnitDisplay));
    c.apply(g);
    EXPECT_EQ(last_status, 0) << c.name;
    flat::PointF d = to_device(c.from);
    EXPECT_NEAR(d.x, c.to.x, 1e-4) << c.name;
    EXPECT_NEAR(d.y, c.to.y, 1e-4) << c.name;
  }

  ASSERT_TRUE(g.set_page_unit(flat::UnitDisplay));
  Matrix m, read;
  ASSERT_TRUE(m.create(2, 0, 0, 2, 3, 3));
  ASSERT_TRUE(read.create());
  ASSERT_TRUE(g.set_world_transform(m));
  ASSERT_TRUE(g.world_transform(read));
  EXPECT_EQ(read.elements(), (std::array<float, 6>{2, 0, 0, 2, 3, 3}));
  ASSERT_TRUE(g.fill_rectangle(red, 0, 0, 2, 2));
  expect_pixels(kRed, {{3, 3}, {6, 6}}, {{2, 2}, {7, 7}}, "scaled fill");

  Matrix singular;
  ASSERT_TRUE(singular.create(0, 0, 0, 0, 0, 0));
  EXPECT_FALSE(g.set_world_transform(singular));
  EXPECT_EQ(last_status, flat::InvalidParameter);
}

TEST_F(SurfaceTest, ClipLimitsPaintingAndAnswersHitTests) {
  ASSERT_TRUE(g.set_clip_rect(0, 0, 10, 20));
  ASSERT_TRUE(g.set_clip_rect(2, 2, 4, 4, flat::CombineModeExclude));
  ASSERT_TRUE(g.fill_rectangle(red, 0, 0, 20, 20));
  expect_pixels(kRed, {{0, 0}, {9, 19}, {1, 3}, {6, 6}}, {{10, 0}, {19, 19}, {2, 2}, {5, 5}},
                "clip");
  EXPECT_TRUE(g.is_visible_point(9.5f, 1));
  EXPECT_FALSE(g.is_visible_point(10, 1));
  EXPECT_FALSE(g.is_visible_point(3, 3));
  EXPECT_TRUE(g.is_visible_rect(9, 9, 5, 5));
  EXPECT_FALSE(g.is_visible_rect(12, 0, 5, 5));
  flat::RectF b = g.clip_bounds();
  EXPECT_EQ(b.width, 10);
  EXPECT_EQ(b.height, 20);

  // The clip is kept in pixels: a transform set later does not move it.
  ASSERT_TRUE(g.reset_clip());
  ASSERT_TRUE(g.translate_world_transform(5, 0));
  ASSERT_TRUE(g.set_clip_rect(0, 0, 2, 2));
  ASSERT_TRUE(g.reset_world_transform());
  flat::Rect bi = g.clip_bounds_i();
  EXPECT_EQ(bi.x, 5);
  EXPECT_EQ(bi.width, 2);
  Region clip;
  ASSERT_TRUE(clip.create());
  ASSERT_TRUE(g.clip(clip));
  EXPECT_TRUE(clip.is_visible_point({6, 1}, g));
  EXPECT_FALSE(clip.is_visible_point({4, 1}, g));
  ASSERT_TRUE(g.translate_clip(10, 0));
  EXPECT_EQ(g.clip_bounds().x, 15);

  // Clips that leave nothing, or nothing on the bitmap.
  EXPECT_FALSE(g.is_clip_empty());
  ASSERT_TRUE(g.set_clip_rect(100, 100, 5, 5));
  EXPECT_FALSE(g.is_clip_empty());
  EXPECT_TRUE(g.is_visible_clip_empty());
  ASSERT_TRUE(g.set_clip_rect(0, 0, 5, 5, flat::CombineModeIntersect));
  EXPECT_TRUE(g.is_clip_empty());
  ASSERT_TRUE(g.reset_clip());
  flat::RectF v = g.visible_clip_bounds();
  EXPECT_EQ(v.width, 20);
  EXPECT_EQ(v.height, 20);
}

TEST_F(SurfaceTest, SavedStatesAndContainersComeBack) {
  unsigned state = g.save_graphics();
  EXPECT_NE(state, 0u);
  ASSERT_TRUE(g.translate_world_transform(5, 5));
  ASSERT_TRUE(g.set_clip_rect(0, 0, 1, 1));
  ASSERT_TRUE(g.set_smoothing_mode(4));
  ASSERT_TRUE(g.restore_graphics(state));
  EXPECT_EQ(to_device({1, 1}).x, 1);
  EXPECT_EQ(g.smoothing_mode(), 3);
  EXPECT_EQ(g.clip_bounds().width, 8388608);
  EXPECT_FALSE(g.restore_graphics(state));
  EXPECT_EQ(last_status, flat::InvalidParameter);

  // A container maps its source rectangle onto its destination and clips to nothing outside.
  ASSERT_TRUE(g.set_clip_rect(0, 0, 15, 20));
  unsigned c = g.begin_container({10, 10, 20, 20}, {0, 0, 10, 10}, flat::UnitPixel);
  EXPECT_EQ(last_status, 0);
  EXPECT_FALSE(g.is_visible_clip_empty());
  ASSERT_TRUE(g.fill_rectangle(red, 0, 0, 10, 10));
  ASSERT_TRUE(g.end_container(c));
  expect_pixels(kRed, {{10, 10}, {14, 19}}, {{9, 9}, {15, 15}}, "container");
  EXPECT_EQ(to_device({1, 1}).x, 1);
}

TEST_F(SurfaceTest, ShapesPaintWhereTheyShould) {
  Pen pen;
  ASSERT_TRUE(pen.create(kRed, 3));
  GraphicsPath triangle;
  ASSERT_TRUE(triangle.create());
  ASSERT_TRUE(triangle.add_polygon({{0, 0}, {20, 0}, {0, 20}}));
  Region band;
  ASSERT_TRUE(band.create_rect({0, 8, 20, 4}));
  using P = std::vector<flat::PointF>;
  struct Case {
    const char* name;
    std::function<bool(Graphics&)> draw;
    std::initializer_list<Px> in, out;
  } cases[] = {
      {"ellipse",
       [&](Graphics& g) { return g.fill_ellipse(red, 0, 0, 20, 20); },
       {{10, 10}, {1, 10}, {10, 18}},
       {{0, 0}, {19, 19}, {1, 1}}},
      // Clockwise from the x axis: a quarter reaching down the screen.
      {"pie",
       [&](Graphics& g) { return g.fill_pie(red, 0, 0, 20, 20, 0, 90); },
       {{15, 15}, {11, 11}},
       {{5, 5}, {15, 5}, {5, 15}}},
      // Angles are true angles on an ellipse: (15, 13) lies at 32° from its centre.
      {"pie of an ellipse",
       [&](Graphics& g) { return g.fill_pie(red, 0, 5, 20, 10, 45, 45); },
       {{12, 13}},
       {{17, 11}, {8, 12}, {15, 13}}},
      {"polygon",
       [&](Graphics& g) {
         return g.fill_polygon(red, P{{0, 0}, {20, 0}, {0, 20}});
       },
       {{2, 2}, {15, 2}},
       {{15, 15}, {11, 11}}},
      {"path", [&](Graphics& g) { return g.fill_path(red, triangle); }, {{2, 2}}, {{15, 15}}},
      {"region",
       [&](Graphics& g) { return g.fill_region(red, band); },
       {{0, 8}, {19, 11}},
       {{0, 7}, {19, 12}}},
      {"rectangles",
       [&](Graphics& g) {
         return g.fill_rectangles_i(red, {{0, 0, 2, 2}, {18, 18, 2, 2}});
       },
       {{1, 1}, {18, 18}},
       {{2, 2}, {17, 17}}},
      {"closed curve",
       [&](Graphics& g) {
         return g.fill_closed_curve(red, P{{2, 2}, {18, 2}, {18, 18}, {2, 18}});
       },
       {{10, 10}, {10, 2}},
       {{0, 0}}},
      {"line",
       [&](Graphics& g) { return g.draw_line(pen, 0, 10, 20, 10); },
       {{5, 10}, {5, 9}},
       {{5, 5}, {5, 14}}},
      {"rectangle",
       [&](Graphics& g) { return g.draw_rectangle_i(pen, 5, 5, 10, 10); },
       {{5, 10}, {15, 10}, {10, 5}},
       {{10, 10}, {1, 1}}},
      {"ellipse outline",
       [&](Graphics& g) { return g.draw_ellipse(pen, 2, 2, 16, 16); },
       {{2, 10}, {10, 17}},
       {{10, 10}, {0, 0}}},
      {"arc",
       [&](Graphics& g) { return g.draw_arc(pen, 2, 2, 16, 16, 0, 90); },
       {{10, 17}},
       {{2, 10}, {10, 2}}},
      // Tension 0.5 passes through the middle point; tension 0 is the straight polyline.
      {"curve",
       [&](Graphics& g) {
         return g.draw_curve(pen, P{{0, 18}, {10, 2}, {19, 18}});
       },
       {{10, 2}},
       {{10, 10}, {0, 0}}},
      {"straight curve",
       [&](Graphics& g) {
         return g.draw_curve2(pen, P{{0, 10}, {10, 10}, {19, 10}}, 0);
       },
       {{5, 10}, {15, 10}},
       {{5, 14}}},
      {"pixel pen under a scale",
       [&](Graphics& g) {
         Pen thin;
         thin.create(kRed, 1, flat::UnitPixel);
         g.scale_world_transform(8, 8);
         bool ok = g.draw_line(thin, 0, 1.3f, 3, 1.3f);
         g.reset_world_transform();
         return ok;
       },
       {{5, 10}},
       {{5, 8}, {5, 12}}},
      {"bezier",
       [&](Graphics& g) { return g.draw_bezier(pen, 0, 10, 5, 10, 15, 10, 19, 10); },
       {{10, 10}},
       {{10, 14}}},
      {"clear", [&](Graphics& g) { return g.clear(kRed); }, {{0, 0}, {19, 19}}, {}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(g.clear(0));
    EXPECT_TRUE(c.draw(g)) << c.name << " status " << last_status;
    expect_pixels(kRed, c.in, c.out, c.name);
  }
}

TEST_F(SurfaceTest, ImagesLandOnTheirRectanglesAndParallelograms) {
  Bitmap source;  // 2 x 2: red, blue / green, white
  ASSERT_TRUE(source.create(2, 2));
  source.set_pixel(0, 0, kRed);
  source.set_pixel(1, 0, kBlue);
  source.set_pixel(0, 1, kGreen);
  source.set_pixel(1, 1, kWhite);
  ASSERT_TRUE(g.set_interpolation_mode(5));  // nearest neighbour
  struct Case {
    const char* name;
    std::function<bool(Graphics&)> draw;
    Px red_at, blue_at, green_at, white_at, empty_at;
  } cases[] = {
      {"at a point",
       [&](Graphics& g) { return g.draw_image(source, 3, 4); },
       {3, 4},
       {4, 4},
       {3, 5},
       {4, 5},
       {5, 5}},
      {"into a rectangle",
       [&](Graphics& g) { return g.draw_image_rect(source, 0, 0, 10, 10); },
       {4, 4},
       {5, 0},
       {0, 9},
       {9, 9},
       {10, 10}},
      {"onto three corners",
       [&](Graphics& g) { return g.draw_image_points(source, 0, 0, 10, 0, 0, 10); },
       {2, 2},
       {7, 2},
       {2, 7},
       {7, 7},
       {12, 2}},
      {"mirrored",
       [&](Graphics& g) { return g.draw_image_points_i(source, 10, 0, 0, 0, 10, 10); },
       {7, 2},
       {2, 2},
       {7, 7},
       {2, 7},
       {12, 2}},
      {"part of it",
       [&](Graphics& g) { return g.draw_image_rect_rect(source, 0, 0, 4, 4, 1, 1, 1, 1); },
       {19, 19},
       {19, 19},
       {19, 19},
       {3, 3},
       {4, 4}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(g.clear(0));
    if (std::string(c.name) == "part of it") bitmap.set_pixel(19, 19, 0);
    EXPECT_TRUE(c.draw(g)) << c.name << " status " << last_status;
    if (std::string(c.name) != "part of it") {
      EXPECT_EQ(bitmap.get_pixel(c.red_at.x, c.red_at.y), kRed) << c.name;
      EXPECT_EQ(bitmap.get_pixel(c.blue_at.x, c.blue_at.y), kBlue) << c.name;
      EXPECT_EQ(bitmap.get_pixel(c.green_at.x, c.green_at.y), kGreen) << c.name;
    }
    EXPECT_EQ(bitmap.get_pixel(c.white_at.x, c.white_at.y), kWhite) << c.name;
    EXPECT_EQ(bitmap.get_pixel(c.empty_at.x, c.empty_at.y), 0u) << c.name;
  }
  // A surface may draw its own image: it reads from a copy.
  ASSERT_TRUE(g.clear(0));
  bitmap.set_pixel(0, 0, kRed);
  EXPECT_TRUE(g.draw_image_rect(bitmap, 0, 0, 40, 40));
  EXPECT_EQ(bitmap.get_pixel(1, 1), kRed);
  CachedBitmap cached;
  ASSERT_TRUE(cached.create(source, g));
  ASSERT_TRUE(g.clear(0));
  EXPECT_TRUE(g.draw_cached_bitmap(cached, 5.9f, 5.2f));
  EXPECT_EQ(bitmap.get_pixel(5, 5), kRed);
  EXPECT_EQ(bitmap.get_pixel(6, 6), kWhite);
}

TEST_F(SurfaceTest, SourceCopyReplacesInsteadOfBlending) {
  ASSERT_TRUE(g.clear(kWhite));
  SolidBrush half;
  ASSERT_TRUE(half.create(0x80000000));
  ASSERT_TRUE(g.fill_rectangle(half, 0, 0, 5, 5));
  EXPECT_EQ(bitmap.get_pixel(1, 1), 0xFF7F7F7Fu);
  ASSERT_TRUE(g.set_compositing_mode(1));
  EXPECT_EQ(g.compositing_mode(), 1);
  ASSERT_TRUE(g.fill_rectangle(half, 0, 0, 5, 5));
  EXPECT_EQ(bitmap.get_pixel(1, 1), 0x80000000u);
}

TEST_F(SurfaceTest, ImagesWithoutAlphaStayOpaqueAndLockedImagesAreRefused) {
  Bitmap rgb;
  Graphics on_rgb;
  ASSERT_TRUE(rgb.create(4, 4, flat::PixelFormat24bppRGB));
  ASSERT_TRUE(on_rgb.from_image(rgb));
  ASSERT_TRUE(on_rgb.set_compositing_mode(1));
  SolidBrush half;
  ASSERT_TRUE(half.create(0x80FF0000));
  ASSERT_TRUE(on_rgb.fill_rectangle(half, 0, 0, 2, 4));
  ASSERT_TRUE(on_rgb.clear(0));
  EXPECT_EQ(rgb.get_pixel(1, 1), 0xFF000000u);
  ASSERT_TRUE(on_rgb.fill_rectangle(half, 0, 0, 2, 4));
  EXPECT_EQ(rgb.get_pixel(1, 1), 0xFF800000u);
  EXPECT_EQ(rgb.get_pixel(3, 1), 0xFF000000u);

  flat::BitmapData data;
  ASSERT_TRUE(
      bitmap.lock_bits({0, 0, 20, 20}, flat::ImageLockModeRead, flat::PixelFormat32bppARGB, data));
  EXPECT_FALSE(g.fill_rectangle(red, 0, 0, 5, 5));
  EXPECT_EQ(last_status, flat::WrongState);
  EXPECT_FALSE(on_rgb.draw_image(bitmap, 0, 0));
  EXPECT_EQ(last_status, flat::WrongState);
  ASSERT_TRUE(bitmap.unlock_bits(data));
  EXPECT_EQ(bitmap.get_pixel(1, 1), 0u);
}

TEST_F(SurfaceTest, SettingsKeepWhatIsSetAndRefuseWhatIsNot) {
  struct Case {
    const char* name;
    std::function<bool(Graphics&, int)> set;
    std::function<int(Graphics&)> get;
    int good, bad;
  } cases[] = {
      {"compositing mode", &Graphics::set_compositing_mode, &Graphics::compositing_mode, 1, 2},
      {"compositing quality", &Graphics::set_compositing_quality, &Graphics::compositing_quality, 2,
       -1},
      {"smoothing", &Graphics::set_smoothing_mode, &Graphics::smoothing_mode, 4, 6},
      {"text hint", &Graphics::set_text_rendering_hint, &Graphics::text_rendering_hint, 5, 6},
      {"interpolation", &Graphics::set_interpolation_mode, &Graphics::interpolation_mode, 7, 8},
      {"pixel offset", &Graphics::set_pixel_offset_mode, &Graphics::pixel_offset_mode, 4, -1},
      {"page unit", &Graphics::set_page_unit, &Graphics::page_unit, flat::UnitMillimeter,
       flat::UnitWorld},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(c.set(g, c.good)) << c.name;
    EXPECT_EQ(c.get(g), c.good) << c.name;
    EXPECT_FALSE(c.set(g, c.bad)) << c.name;
    EXPECT_EQ(last_status, flat::InvalidParameter) << c.name;
    EXPECT_EQ(c.get(g), c.good) << c.name;
  }
  EXPECT_TRUE(g.set_page_scale(2.5f));
  EXPECT_EQ(g.page_scale(), 2.5f);
  EXPECT_FALSE(g.set_page_scale(0));
  int x = 0, y = 0;
  EXPECT_TRUE(g.set_rendering_origin(3, 4));
  EXPECT_TRUE(g.rendering_origin(x, y));
  EXPECT_EQ(x * 10 + y, 34);
  EXPECT_EQ(g.dpi_x(), 96);
  EXPECT_EQ(g.nearest_color(0x12345678), 0x12345678u);
  EXPECT_TRUE(g.set_text_contrast(7));
  EXPECT_EQ(g.text_contrast(), 7u);
  EXPECT_TRUE(g.comment("note"));
}

TEST_F(SurfaceTest, BadInputGetsAStatusNeverACrash) {
  Graphics none;
  Pen pen, deleted_pen;
  ASSERT_TRUE(pen.create(kRed));
  ASSERT_TRUE(deleted_pen.create(kRed));
  Handle stale = deleted_pen.handle();
  ASSERT_TRUE(deleted_pen.delete_());
  deleted_pen.set_handle(stale);
  flat::PointF two[] = {{0, 0}, {5, 5}};
  float nan = std::nanf("");
  using P = std::vector<flat::PointF>;
  struct Case {
    const char* name;
    std::function<bool()> call;
    int status;
  } cases[] = {
      {"no surface", [&] { return none.fill_rectangle(red, 0, 0, 1, 1); }, flat::InvalidParameter},
      {"deleted pen", [&] { return g.draw_line(deleted_pen, 0, 0, 1, 1); }, flat::InvalidParameter},
      {"pen as brush", [&] { return g.fill_rectangle(pen, 0, 0, 1, 1); }, flat::InvalidParameter},
      {"brush as pen", [&] { return g.draw_line(red, 0, 0, 1, 1); }, flat::InvalidParameter},
      {"image as surface",
       [&] {
         return store_status(flat::GdipFillRectangle(bitmap.handle(), red.handle(), 0, 0, 1, 1));
       },
       flat::InvalidParameter},
      {"empty lines", [&] { return g.draw_lines(pen, {}); }, flat::InvalidParameter},
      {"one point",
       [&] {
         return g.draw_polygon(pen, P{{1, 1}});
       },
       flat::InvalidParameter},
      {"negative count",
       [&] { return store_status(flat::GdipDrawLines(g.handle(), pen.handle(), two, -1)); },
       flat::InvalidParameter},
      {"points without a block",
       [&] { return store_status(flat::GdipFillPolygon(g.handle(), red.handle(), nullptr, 3, 0)); },
       flat::InvalidParameter},
      {"beziers of 5 points", [&] { return g.draw_beziers(pen, P(5)); }, flat::InvalidParameter},
      {"curve segments past the end", [&] { return g.draw_curve3(pen, P(3), 1, 2, 0.5f); },
       flat::InvalidParameter},
      {"closed curve of 2", [&] { return g.fill_closed_curve(red, P(2)); }, flat::InvalidParameter},
      {"unknown fill mode", [&] { return g.fill_polygon(red, P(3), 2); }, flat::InvalidParameter},
      {"not a number", [&] { return g.fill_rectangle(red, nan, 0, 1, 1); }, flat::InvalidParameter},
      {"unknown combine mode", [&] { return g.set_clip_rect(0, 0, 1, 1, 6); },
       flat::InvalidParameter},
      {"unknown space",
       [&] {
         P p(1);
         return g.transform_points(3, 0, p);
       },
       flat::InvalidParameter},
      {"empty point list to transform",
       [&] {
         P p;
         return g.transform_points(2, 0, p);
       },
       flat::InvalidParameter},
      {"no image", [&] { return g.draw_image(none, 0, 0); }, flat::InvalidParameter},
      {"image of no size", [&] { return g.draw_image_rect_rect(bitmap, 0, 0, 1, 1, 0, 0, 0, 1); },
       flat::InvalidParameter},
      {"four corners",
       [&] {
         return store_status(
             flat::GdipDrawImagePoints(g.handle(), bitmap.handle(), P(4).data(), 4));
       },
       flat::NotImplemented},
      {"unknown container unit",
       [&] {
         g.begin_container({0, 0, 1, 1}, {0, 0, 1, 1}, 9);
         return last_status == 0;
       },
       flat::InvalidParameter},
      {"unknown end", [&] { return g.end_container(12345); }, flat::InvalidParameter},
  };
  for (const Case& c : cases) {
    last_status = kUntouched;
    EXPECT_FALSE(c.call()) << c.name;
    EXPECT_EQ(last_status, c.status) << c.name;
  }
  // A negative width or height paints nothing.
  EXPECT_TRUE(g.fill_rectangle(red, 5, 5, -3, 2));
  EXPECT_EQ(bitmap.get_pixel(3, 5), 0u);
  deleted_pen.set_handle(0);
}

// Every flat function looks its handles and pointers over before it uses them.
TEST_F(SurfaceTest, FlatFunctionsRefuseMissingHandlesAndPointers) {
  using namespace flat;
  lumetra::Region region;
  lumetra::Matrix m;
  ASSERT_TRUE(region.create());
  ASSERT_TRUE(m.create());
  Handle s = g.handle(), r = region.handle(), img = bitmap.handle();
  int i = 0, n = 5;
  unsigned u = 0;
  float e[6];
  ARGB c = 0;
  Handle h = 0;
  RectF rf{0, 0, 1, 1};
  PointF pf[3];
  Status results[] = {
      GdipFlush(0, 0),
      GdipGetCompositingMode(0, &i),
      GdipSetSmoothingMode(0, 0),
      GdipGetWorldTransform(s, 0),
      GdipTranslateWorldTransform(0, 1, 1, 0),
      GdipRotateWorldTransform(s, 1, 2),
      GdipDrawLine(s, 0, 0, 0, 1, 1),
      GdipFillEllipse(0, red.handle(), 0, 0, 1, 1),
      GdipDrawString(s, u"x", 1, 0, &rf, 0, red.handle()),
      GdipSetClipRect(0, 0, 0, 1, 1, 0),
      GdipGetClip(s, 0),
      GdipSaveGraphics(0, &u),
      GdipGetCompositingMode(s, nullptr),
      GdipGetRenderingOrigin(s, nullptr, &i),
      GdipGetClipBounds(s, nullptr),
      GdipIsClipEmpty(s, nullptr),
      GdipSaveGraphics(s, nullptr),
      GdipBeginContainer(s, nullptr, &rf, UnitPixel, &u),
      GdipTransformPoints(s, 0, 2, nullptr, 1),
      GdipGetDpiX(s, nullptr),
      GdipGetNearestColor(s, nullptr),
      GdipComment(s, 4, nullptr),
      GdipDrawImagePoints(s, img, nullptr, 3),
      GdipGetImageGraphicsContext(img, nullptr),
      GdipGetImageGraphicsContext(s, &h),
      GdipCreateRegion(nullptr),
      GdipCreateRegionRect(nullptr, &h),
      GdipCreateRegionRgnData(nullptr, 5, &h),
      GdipCombineRegionRect(0, &rf, 1),
      GdipCombineRegionRegion(r, s, 1),
      GdipGetRegionBounds(r, s, nullptr),
      GdipGetRegionData(r, nullptr, 10, &u),
      GdipIsEmptyRegion(r, s, nullptr),
      GdipGetRegionScansCount(0, &u, m.handle()),
      GdipGetRegionScans(r, nullptr, &n, m.handle()),
      GdipGetRegionScans(r, &rf, nullptr, m.handle()),
      GdipCreatePen1(0, 1, UnitPixel, nullptr),
      GdipCreatePen1(0, -1, UnitPixel, &h),
      GdipGetPenColor(0, &c),
      GdipCreatePath(0, nullptr),
      GdipCreatePath(7, &h),
      GdipAddPathLine(0, 0, 0, 1, 1),
      GdipAddPathPolygon(0, pf, 3),
      GdipCreateMatrix(nullptr),
      GdipGetMatrixElements(0, e),
      GdipScaleMatrix(m.handle(), 1, 1, 5),
      GdipCreateStringFormat(0, 0, nullptr),
      GdipSetStringFormatMeasurableCharacterRanges(0, 0, nullptr),
      GdipCreateFont(0, 10, 0, UnitPixel, &h),
      GdipCreateCachedBitmap(img, 0, &h),
      GdipCreateImageAttributes(nullptr),
      GdipGetPageScale(s, nullptr),
      GdipDeleteRegion(s),
      GdipDeleteGraphics(r),
      GdipDeletePen(0),
      GdipDeletePath(0),
      GdipDeleteMatrix(0),
      GdipDeleteFont(0),
      GdipDeleteFontFamily(0),
      GdipDeleteStringFormat(0),
      GdipDisposeImageAttributes(0),
      GdipDeleteCachedBitmap(0),
  };
  for (std::size_t k = 0; k < std::size(results); ++k)
    EXPECT_EQ(results[k], InvalidParameter) << "call " << k;
  EXPECT_EQ(h, 0u);
  // The surface and the region refused as other kinds are still there.
  EXPECT_TRUE(g.fill_rectangle(red, 0, 0, 1, 1));
  EXPECT_TRUE(region.is_infinite(g));
}

TEST_F(SurfaceTest, WhatHasNoCounterpartHereIsNotImplemented) {
  Graphics other;
  Region region;
  ASSERT_TRUE(region.create());
  Matrix m;
  ASSERT_TRUE(m.create());
  std::vector<flat::PointF> p(3);
  struct Case {
    const char* name;
    std::function<void()> call;
  } cases[] = {
      {"from a window", [&] { other.from_hwnd(1); }},
      {"from a window, colour managed", [&] { other.from_hwnd(1, true); }},
      {"from a device context", [&] { other.from_hdc(1); }},
      {"from a device context and device", [&] { other.from_hdc(1, 2); }},
      {"get a device context", [&] { g.get_dc(); }},
      {"release a device context", [&] { g.release_dc(1); }},
      {"clip to a window region", [&] { g.set_clip_hrgn(1); }},
      {"metafile at a point",
       [&] {
         g.enumerate_metafile_dest_point(m, {0, 0}, nullptr, nullptr);
       }},
      {"metafile on points",
       [&] {
         g.enumerate_metafile_src_rect_dest_points(m, p, {0, 0, 1, 1}, 2, nullptr, nullptr);
       }},
      {"metafile in a rectangle",
       [&] {
         g.enumerate_metafile_dest_rect_i(m, {0, 0, 1, 1}, nullptr, nullptr);
       }},
      {"region from a window region",
       [&] {
         Region r;
         r.create_hrgn(1);
       }},
      {"window region of a region", [&] { region.hrgn(g); }},
  };
  for (const Case& c : cases) {
    last_status = kUntouched;
    c.call();
    EXPECT_EQ(last_status, flat::NotImplemented) << c.name;
  }
  EXPECT_EQ(other.handle(), 0u);
}

}  // namespace
}  // namespace lumetra
