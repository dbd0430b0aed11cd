#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tests/graphics/started.h"

namespace lumetra {
namespace {

using EffectTest = Started;

int alpha(Bitmap& b, int x, int y) {
  return static_cast<int>(b.get_pixel(x, y) >> 24);
}

// A black square of 80 x 80 at (60, 60) on a transparent 200 x 200 bitmap.
void paint_square(Bitmap& b) {
  ASSERT_TRUE(b.create(200, 200));
  for (int y = 60; y < 140; ++y)
    for (int x = 60; x < 140; ++x) ASSERT_TRUE(b.set_pixel(x, y, 0xFF000000));
}

bool blur(Bitmap& b, float radius, bool expand, const flat::Rect* rect = nullptr) {
  BlurEffect e;
  flat::BlurParams p{radius, expand ? 1 : 0};
  return e.create() && e.set_parameters(&p) && b.apply_effect(e, rect);
}

TEST_F(EffectTest, BlurredSquareFadesOverTheRadiusAndStaysOpaqueInside) {
  Bitmap b;
  paint_square(b);
  ASSERT_TRUE(blur(b, 20, true));
  EXPECT_EQ(alpha(b, 100, 100), 255);
  EXPECT_GE(alpha(b, 82, 100), 250);        // 22 inside the edge: as good as untouched
  EXPECT_NEAR(alpha(b, 60, 100), 128, 20);  // the edge itself: about half
  EXPECT_LE(alpha(b, 41, 100), 3);          // 19 outside: faded out
  EXPECT_EQ(alpha(b, 20, 100), 0);
  // Alpha falls steadily from the inside to the outside.
  for (int x = 100; x > 30; --x) ASSERT_GE(alpha(b, x, 100), alpha(b, x - 1, 100)) << x;
  // Symmetric: left against right, top against bottom, rows against columns.
  for (int d = 0; d < 40; ++d) {
    EXPECT_EQ(b.get_pixel(60 - d, 100), b.get_pixel(139 + d, 100)) << d;
    EXPECT_EQ(b.get_pixel(100, 60 - d), b.get_pixel(100, 139 + d)) << d;
    EXPECT_EQ(b.get_pixel(60 - d, 100), b.get_pixel(100, 60 - d)) << d;
  }
  // Premultiplied black stays black: only the alpha changes.
  EXPECT_EQ(b.get_pixel(60, 100) & 0xFFFFFF, 0u);
}

TEST_F(EffectTest, EdgeProfileFollowsTheGaussianOfAThirdOfTheRadius) {
  for (float radius : {3.0f, 6.0f, 11.0f, 12.0f, 15.0f, 20.0f, 30.0f, 90.0f}) {
    Bitmap b;
    ASSERT_TRUE(b.create(400, 4));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 200; ++x) ASSERT_TRUE(b.set_pixel(x, y, 0xFF000000));
    ASSERT_TRUE(blur(b, radius, false));  // edges repeat: only the step at x = 200 matters
    const double sigma = radius / 3.0;
    for (int x = 200 - int(radius); x <= 200 + int(radius); ++x) {
      double d = (x + 0.5 - 200) / sigma;
      double expected = 255 * 0.5 * std::erfc(d / std::sqrt(2.0));
      ASSERT_NEAR(alpha(b, x, 2), expected, 3) << "radius " << radius << " x " << x;
    }
    EXPECT_EQ(alpha(b, 200 + int(radius) + 2, 2), 0) << radius;  // it reaches the radius
  }
}

TEST_F(EffectTest, RadiusZeroChangesNothing) {
  Bitmap b;
  paint_square(b);
  ASSERT_TRUE(b.set_pixel(10, 10, 0x80FF8040));
  Bytes before = b.save_to_bytes(kImageFormatPng);
  ASSERT_TRUE(blur(b, 0, true));
  EXPECT_EQ(b.save_to_bytes(kImageFormatPng), before);
}

TEST_F(EffectTest, WithoutExpandEdgeTheBorderRepeatsInsteadOfFading) {
  Bitmap full;
  ASSERT_TRUE(full.create(60, 60));
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_TRUE(full.set_pixel(x, y, 0xFF0000FF));
  Bitmap faded;
  ASSERT_TRUE(full.clone_image(faded));
  ASSERT_TRUE(blur(full, 10, false));
  ASSERT_TRUE(blur(faded, 10, true));
  EXPECT_EQ(full.get_pixel(0, 0), 0xFF0000FFu);
  EXPECT_LT(alpha(faded, 0, 0), 128);
  EXPECT_EQ(faded.get_pixel(30, 30), 0xFF0000FFu);
}

TEST_F(EffectTest, RectangleLimitsTheBlur) {
  Bitmap b;
  paint_square(b);
  flat::Rect left{0, 0, 100, 200};
  ASSERT_TRUE(blur(b, 20, true, &left));
  EXPECT_NEAR(alpha(b, 60, 100), 128, 20);  // blurred inside the rectangle
  EXPECT_EQ(alpha(b, 139, 100), 255);       // untouched outside it
  EXPECT_EQ(alpha(b, 141, 100), 0);
  BlurEffect e;
  ASSERT_TRUE(e.create());
  flat::Rect outside{300, 300, 10, 10};
  EXPECT_FALSE(b.apply_effect(e, &outside));
  EXPECT_EQ(last_status, flat::InvalidParameter);
}

TEST_F(EffectTest, ParametersAreCheckedAndReadBack) {
  BlurEffect e;
  EXPECT_FALSE(e.delete_());  // right after initialisation
  ASSERT_TRUE(e.create());
  EXPECT_EQ(e.parameter_size(), 8);
  flat::BlurParams p{12.5f, 1};
  ASSERT_TRUE(e.set_parameters(&p));
  flat::BlurParams back{};
  ASSERT_TRUE(e.get_parameters(&back));
  EXPECT_EQ(back.radius, 12.5f);
  EXPECT_EQ(back.expand_edge, 1);
  for (float bad : {-1.0f, 255.5f, 1e9f}) {
    flat::BlurParams q{bad, 0};
    EXPECT_FALSE(e.set_parameters(&q)) << bad;
    EXPECT_EQ(last_status, flat::InvalidParameter);
  }
  EXPECT_FALSE(e.set_parameters(nullptr));
  flat::Guid other = text_to_guid("{63CBF3EE-C526-402C-8F71-62C540BF5142}");
  Handle h = 0;
  EXPECT_EQ(flat::GdipCreateEffect(other, &h), flat::NotImplemented);
}

TEST_F(EffectTest, ApplyingFreesEarlierAuxiliaryDataAndReturnsNone) {
  Bitmap b;
  ASSERT_TRUE(b.create(8, 8));
  BlurEffect e;
  ASSERT_TRUE(e.create());
  flat::BlurParams p{2, 1};
  ASSERT_TRUE(e.set_parameters(&p));
  // Data from an earlier application; the leak checker sees it if it is not freed.
  e.aux_data(GraphicsObject::gdip_alloc(64));
  e.aux_size(64);
  ASSERT_TRUE(b.apply_effect(e));
  EXPECT_EQ(e.aux_data(), nullptr);
  EXPECT_EQ(e.aux_size(), 0);
  e.use_aux_data(1);
  ASSERT_TRUE(b.apply_effect(e));
  EXPECT_EQ(e.aux_data(), nullptr);
  // An effect handle is not a bitmap handle and the other way round.
  EXPECT_EQ(flat::GdipBitmapApplyEffect(e.handle(), b.handle(), nullptr, false, nullptr, nullptr),
            flat::InvalidParameter);
}

TEST_F(EffectTest, SolidBrushKeepsItsColour) {
  SolidBrush brush;
  ASSERT_TRUE(brush.create(0x80FF0000));
  EXPECT_EQ(brush.color(), 0x80FF0000u);
  EXPECT_EQ(brush.brush_type(), 0);
  ASSERT_TRUE(brush.set_color(0xFF00FF00));
  SolidBrush copy;
  ASSERT_TRUE(brush.clone_brush(copy));
  ASSERT_TRUE(brush.set_color(0x01020304));
  EXPECT_EQ(copy.color(), 0xFF00FF00u);
  EXPECT_EQ(brush.color(), 0x01020304u);
  Bitmap image;
  ASSERT_TRUE(image.create(1, 1));
  // An image handle is not a brush.
  EXPECT_EQ(flat::GdipSetSolidFillColor(image.handle(), 0), flat::InvalidParameter);
}

}  // namespace
}  // namespace lumetra
