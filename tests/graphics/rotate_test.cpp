#include "tests/graphics/started.h"

namespace lumetra {
namespace {

using RotateTest = Started;

// A 100 x 50 bitmap, red on its left half and blue on its right.
void paint_halves(Bitmap& b) {
  ASSERT_TRUE(b.create(100, 50));
  SolidBrush red, blue;
  Graphics g;
  ASSERT_TRUE(red.create(0xFFFF0000) && blue.create(0xFF0000FF) && g.from_image(b));
  ASSERT_TRUE(g.fill_rectangle(red, 0, 0, 50, 50));
  ASSERT_TRUE(g.fill_rectangle(blue, 50, 0, 50, 50));
}

TEST_F(RotateTest, QuarterTurnMeasuresBetweenPixelCentresAndKeepsResolution) {
  Bitmap b, turned;
  paint_halves(b);
  ASSERT_TRUE(b.set_resolution(72, 144));
  ASSERT_TRUE(b.rotate(90, turned));
  EXPECT_EQ(turned.width(), 49u);
  EXPECT_EQ(turned.height(), 99u);
  EXPECT_FLOAT_EQ(turned.horizontal_resolution(), 72);
  EXPECT_FLOAT_EQ(turned.vertical_resolution(), 144);
  EXPECT_EQ(turned.pixel_format(), flat::PixelFormat32bppARGB);
  // Clockwise on screen: the left half comes to the top.
  EXPECT_EQ(turned.get_pixel(24, 20), 0xFFFF0000u);
  EXPECT_EQ(turned.get_pixel(24, 80), 0xFF0000FFu);
}

TEST_F(RotateTest, GivenSizeAndBackgroundAreUsed) {
  Bitmap b, turned;
  paint_halves(b);
  ASSERT_TRUE(b.rotate(45, turned, 0xFF00FF00, 7, flat::SizeF{140, 120}));
  EXPECT_EQ(turned.width(), 140u);
  EXPECT_EQ(turned.height(), 120u);
  EXPECT_EQ(turned.get_pixel(0, 0), 0xFF00FF00u);    // a corner the picture does not reach
  EXPECT_EQ(turned.get_pixel(70, 60) >> 24, 0xFFu);  // the middle is the picture
  EXPECT_NE(turned.get_pixel(70, 60), 0xFF00FF00u);
}

TEST_F(RotateTest, BitmapForASurfaceAndASurfaceOnALockedBitmap) {
  Bitmap b, made;
  paint_halves(b);
  Graphics g;
  ASSERT_TRUE(g.from_image(b));
  ASSERT_TRUE(made.create_from_graphics(7, 5, g));
  EXPECT_EQ(made.width(), 7u);
  EXPECT_EQ(made.pixel_format(), flat::PixelFormat32bppPARGB);
  EXPECT_FALSE(made.create_from_graphics(7, 5, b));  // an image is no surface
  EXPECT_EQ(last_status, flat::InvalidParameter);
  // While its pixels are locked out, nothing paints on the bitmap.
  flat::BitmapData data;
  ASSERT_TRUE(b.lock_bits({0, 0, 1, 1}, flat::ImageLockModeRead, flat::PixelFormat32bppARGB, data));
  SolidBrush white;
  ASSERT_TRUE(white.create(0xFFFFFFFF));
  EXPECT_FALSE(g.fill_rectangle(white, 0, 0, 10, 10));
  EXPECT_EQ(last_status, flat::WrongState);
  ASSERT_TRUE(b.unlock_bits(data));
  EXPECT_EQ(b.get_pixel(5, 5), 0xFFFF0000u);
}

TEST_F(RotateTest, FailureLeavesTheTargetAsItWas) {
  Bitmap tiny, target;
  ASSERT_TRUE(tiny.create(1, 1));
  ASSERT_TRUE(target.create(3, 3));
  Handle kept = target.handle();
  EXPECT_FALSE(tiny.rotate(30, target));  // 0 x 0 between the centres of one pixel
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EXPECT_EQ(target.handle(), kept);
  Bitmap empty;
  EXPECT_FALSE(empty.rotate(90, target, std::nullopt, std::nullopt, flat::SizeF{10, 10}));
  EXPECT_EQ(target.handle(), kept);
}

}  // namespace
}  // namespace lumetra
