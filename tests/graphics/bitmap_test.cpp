#include <cmath>
#include <cstring>
#include <functional>

#include "tests/graphics/started.h"

namespace lumetra {
namespace {

using BitmapTest = Started;

TEST_F(BitmapTest, CreateGivesTransparentArgbOfTheAskedSize) {
  Bitmap b;
  ASSERT_TRUE(b.create(10, 7));
  EXPECT_EQ(b.pixel_format(), 0x26200A);
  EXPECT_EQ(b.width(), 10u);
  EXPECT_EQ(b.height(), 7u);
  EXPECT_EQ(b.image_type(), 1);
  EXPECT_FLOAT_EQ(b.horizontal_resolution(), 96);
  EXPECT_EQ(b.raw_format(), "{B96B3CAA-0728-11D3-9D7B-0000F81EF32E}");
  int unit = 0;
  flat::RectF r = b.bounds(unit);
  EXPECT_EQ(unit, 2);
  EXPECT_EQ(r.width, 10);
  EXPECT_EQ(b.dimension().height, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(b.get_pixel(x, y), 0u) << x << "," << y;
  EXPECT_EQ(last_status, 0);
}

TEST_F(BitmapTest, BadSizesAndFormatsGiveAStatusAndNoHandle) {
  struct Case {
    int w, h, format, status;
  } cases[] = {
      {0, 10, flat::PixelFormat32bppARGB, flat::InvalidParameter},
      {10, -1, flat::PixelFormat32bppARGB, flat::InvalidParameter},
      {100000, 100000, flat::PixelFormat32bppARGB, flat::OutOfMemory},
      {1, 2147483647, flat::PixelFormat32bppARGB, flat::OutOfMemory},
      {10, 10, 0x12345, flat::InvalidParameter},
  };
  for (const Case& c : cases) {
    Bitmap b;
    EXPECT_FALSE(b.create(c.w, c.h, c.format)) << c.w << "x" << c.h;
    EXPECT_EQ(last_status, c.status) << c.w << "x" << c.h;
    EXPECT_EQ(b.handle(), 0u);
    EXPECT_FALSE(b.dispose());
  }
}

TEST_F(BitmapTest, SetHandleReachesEveryLevel) {
  Bitmap bitmap;
  SolidBrush brush;
  BlurEffect effect;
  bitmap.set_handle(0x1234);
  brush.set_handle(0x2345);
  effect.set_handle(0x3456);
  EXPECT_EQ(bitmap.handle(), 0x1234u);
  EXPECT_EQ(bitmap.image_handle(), 0x1234u);
  EXPECT_EQ(bitmap.bitmap_handle(), 0x1234u);
  EXPECT_EQ(brush.handle(), 0x2345u);
  EXPECT_EQ(brush.brush_handle(), 0x2345u);
  EXPECT_EQ(brush.solid_handle(), 0x2345u);
  EXPECT_EQ(effect.handle(), 0x3456u);
  EXPECT_EQ(effect.effect_handle(), 0x3456u);
  // Handles never made are refused by the layer, not dereferenced.
  EXPECT_EQ(bitmap.width(), 0u);
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EXPECT_FALSE(brush.set_color(1));
  EXPECT_FALSE(bitmap.apply_effect(effect));
  EXPECT_FALSE(bitmap.dispose());
  EXPECT_FALSE(brush.delete_());
  EXPECT_FALSE(effect.delete_());
  EXPECT_EQ(bitmap.handle(), 0u);
  EXPECT_EQ(brush.handle(), 0u);
  EXPECT_EQ(effect.handle(), 0u);
}

TEST_F(BitmapTest, DeletersTwiceAreTrueThenFalseWithoutACall) {
  Bitmap bitmap;
  SolidBrush brush;
  BlurEffect effect;
  ASSERT_TRUE(bitmap.create(4, 4));
  ASSERT_TRUE(brush.create(0xFF000000));
  ASSERT_TRUE(effect.create());
  std::pair<const char*, std::function<bool()>> deleters[] = {
      {"dispose", [&] { return bitmap.dispose(); }},
      {"brush", [&] { return brush.delete_(); }},
      {"effect", [&] { return effect.delete_(); }},
  };
  for (auto& [name, remove] : deleters) {
    EXPECT_TRUE(remove()) << name;
    last_status = kUntouched;
    EXPECT_FALSE(remove()) << name;
    EXPECT_EQ(last_status, kUntouched) << name;
  }
}

TEST_F(BitmapTest, DisposedBitmapRefusesEveryOperation) {
  Bitmap b;
  ASSERT_TRUE(b.create(4, 4));
  Handle old = b.handle();
  ASSERT_TRUE(b.dispose());
  b.set_handle(old);  // a stale handle kept by mistake
  EXPECT_EQ(b.get_pixel(0, 0), 0u);
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EXPECT_FALSE(b.set_pixel(0, 0, 0xFFFFFFFF));
  EXPECT_TRUE(b.save_to_bytes(kImageFormatPng).empty());
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EXPECT_FALSE(b.dispose());
}

TEST_F(BitmapTest, CreatorsRefuseWhenTheLayerIsNotStarted) {
  TearDown();  // the fixture's start-up ended early
  Bitmap b;
  EXPECT_FALSE(b.create(2, 2));
  EXPECT_EQ(last_status, flat::GdiplusNotInitialized);
  SetUp();
}

TEST_F(BitmapTest, PixelsReadBackAsWrittenByFormat) {
  struct Case {
    int format;
    ARGB written, read;
  } cases[] = {
      {flat::PixelFormat32bppARGB, 0xFF102030, 0xFF102030},
      {flat::PixelFormat32bppARGB, 0x80FF0000, 0x80FF0000},
      {flat::PixelFormat32bppARGB, 0x00000000, 0x00000000},
      {flat::PixelFormat32bppPARGB, 0x80FF8000, 0x80FF8000},
      {flat::PixelFormat24bppRGB, 0x40112233, 0xFF112233},  // no alpha: opaque
      {flat::PixelFormat32bppRGB, 0x00ABCDEF, 0xFFABCDEF},
  };
  for (const Case& c : cases) {
    Bitmap b;
    ASSERT_TRUE(b.create(3, 3, c.format));
    EXPECT_TRUE(b.set_pixel(2, 1, c.written));
    EXPECT_EQ(b.get_pixel(2, 1), c.read) << std::hex << c.format << " " << c.written;
  }
  Bitmap b;
  ASSERT_TRUE(b.create(3, 3));
  for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, 3}, {0, -5}}) {
    EXPECT_FALSE(b.set_pixel(x, y, 1)) << x << "," << y;
    EXPECT_EQ(b.get_pixel(x, y), 0u);
    EXPECT_EQ(last_status, flat::InvalidParameter);
  }
  Bitmap indexed;
  ASSERT_TRUE(indexed.create(3, 3, flat::PixelFormat8bppIndexed));
  EXPECT_FALSE(indexed.set_pixel(0, 0, 0xFFFFFFFF));
}

TEST_F(BitmapTest, LockBitsReadsAndWritesInTheAskedLayout) {
  Bitmap b;
  ASSERT_TRUE(b.create(4, 3));
  ASSERT_TRUE(b.set_pixel(1, 1, 0xFF112233));
  flat::BitmapData data;
  ASSERT_TRUE(b.lock_bits({1, 1, 2, 2}, flat::ImageLockModeRead, flat::PixelFormat24bppRGB, data));
  EXPECT_EQ(data.width, 2u);
  EXPECT_EQ(data.stride, 8);  // 6 bytes rounded up to 4
  auto* px = static_cast<unsigned char*>(data.scan0);
  EXPECT_EQ(px[0], 0x33);  // blue, green, red
  EXPECT_EQ(px[2], 0x11);
  // Locked: a second lock and pixel access wait for the unlock.
  flat::BitmapData again;
  EXPECT_FALSE(
      b.lock_bits({0, 0, 1, 1}, flat::ImageLockModeRead, flat::PixelFormat32bppARGB, again));
  EXPECT_EQ(last_status, flat::WrongState);
  EXPECT_EQ(b.get_pixel(0, 0), 0u);
  EXPECT_EQ(last_status, flat::WrongState);
  ASSERT_TRUE(b.unlock_bits(data));
  EXPECT_FALSE(b.unlock_bits(data));

  ASSERT_TRUE(
      b.lock_bits({0, 0, 4, 3}, flat::ImageLockModeWrite, flat::PixelFormat32bppARGB, data));
  auto* words = static_cast<std::uint32_t*>(data.scan0);
  words[2 * (data.stride / 4) + 3] = 0x80FF0000;
  ASSERT_TRUE(b.unlock_bits(data));
  EXPECT_EQ(b.get_pixel(3, 2), 0x80FF0000u);

  // Each layout written back: straight, premultiplied, opaque, three bytes.
  struct Write {
    int format;
    unsigned char bytes[4];
    ARGB read;
  } writes[] = {
      {flat::PixelFormat32bppARGB, {0x00, 0x00, 0xFF, 0x80}, 0x80FF0000},
      {flat::PixelFormat32bppPARGB, {0x00, 0x00, 0x80, 0x80}, 0x80FF0000},
      {flat::PixelFormat32bppPARGB, {0x00, 0x00, 0xFF, 0x10}, 0x10FF0000},  // red above alpha
      {flat::PixelFormat32bppRGB, {0x30, 0x20, 0x10, 0x00}, 0xFF102030},
      {flat::PixelFormat24bppRGB, {0x30, 0x20, 0x10, 0x00}, 0xFF102030},
  };
  for (const Write& w : writes) {
    ASSERT_TRUE(b.lock_bits({1, 0, 1, 1}, flat::ImageLockModeWrite, w.format, data));
    std::memcpy(data.scan0, w.bytes, w.format == flat::PixelFormat24bppRGB ? 3 : 4);
    ASSERT_TRUE(b.unlock_bits(data));
    EXPECT_EQ(b.get_pixel(1, 0), w.read) << std::hex << w.format;
  }

  // The caller's own buffer.
  std::uint32_t mine[4] = {};
  data.scan0 = mine;
  data.stride = 8;
  ASSERT_TRUE(b.lock_bits({2, 1, 2, 2}, flat::ImageLockModeRead | flat::ImageLockModeUserInputBuf,
                          flat::PixelFormat32bppARGB, data));
  EXPECT_EQ(mine[3], 0x80FF0000u);
  ASSERT_TRUE(b.unlock_bits(data));

  struct Bad {
    flat::Rect rect;
    unsigned mode;
    int format, status;
  } bad[] = {
      {{0, 0, 5, 1}, flat::ImageLockModeRead, flat::PixelFormat32bppARGB, flat::InvalidParameter},
      {{-1, 0, 1, 1}, flat::ImageLockModeRead, flat::PixelFormat32bppARGB, flat::InvalidParameter},
      {{0, 0, 0, 1}, flat::ImageLockModeRead, flat::PixelFormat32bppARGB, flat::InvalidParameter},
      {{0, 0, 1, 1}, 0, flat::PixelFormat32bppARGB, flat::InvalidParameter},
      {{0, 0, 1, 1}, flat::ImageLockModeRead, 77, flat::InvalidParameter},
  };
  for (const Bad& c : bad) {
    EXPECT_FALSE(b.lock_bits(c.rect, c.mode, c.format, data));
    EXPECT_EQ(last_status, c.status);
  }
}

TEST_F(BitmapTest, ScanlinesAreCopiedAndCheckedForStride) {
  std::uint32_t pixels[6] = {0xFF0000FF, 0xFF00FF00, 0, 0x80FFFFFF, 0xFFFF0000, 0};
  Bitmap b;
  ASSERT_TRUE(b.create_from_scan0(2, 2, 12, flat::PixelFormat32bppARGB,
                                  reinterpret_cast<unsigned char*>(pixels)));
  pixels[0] = 0;  // the bitmap holds its own copy
  EXPECT_EQ(b.get_pixel(0, 0), 0xFF0000FFu);
  EXPECT_EQ(b.get_pixel(0, 1), 0x80FFFFFFu);
  EXPECT_EQ(b.get_pixel(1, 1), 0xFFFF0000u);
  Bitmap narrow;
  EXPECT_FALSE(narrow.create_from_scan0(2, 2, 4, flat::PixelFormat32bppARGB,
                                        reinterpret_cast<unsigned char*>(pixels)));
  EXPECT_EQ(last_status, flat::InvalidParameter);
}

TEST_F(BitmapTest, ProducersMakeNewBitmapsAndLeaveTheTargetOnFailure) {
  Bitmap b;
  ASSERT_TRUE(b.create(20, 10));
  ASSERT_TRUE(b.set_pixel(5, 5, 0xFF00FF00));
  Bitmap clone, area, thumb;
  ASSERT_TRUE(b.clone_image(clone));
  EXPECT_NE(clone.handle(), b.handle());
  EXPECT_EQ(clone.get_pixel(5, 5), 0xFF00FF00u);
  ASSERT_TRUE(b.set_pixel(5, 5, 0));  // the clone is independent
  EXPECT_EQ(clone.get_pixel(5, 5), 0xFF00FF00u);

  ASSERT_TRUE(clone.clone_area_i({4, 4, 3, 2}, flat::PixelFormat24bppRGB, area));
  EXPECT_EQ(area.width(), 3u);
  EXPECT_EQ(area.pixel_format(), flat::PixelFormat24bppRGB);
  EXPECT_EQ(area.get_pixel(1, 1), 0xFF00FF00u);
  EXPECT_EQ(area.get_pixel(0, 0), 0xFF000000u);  // transparent made opaque

  Handle kept = area.handle();
  EXPECT_FALSE(clone.clone_area({15, 5, 10, 10}, flat::PixelFormat32bppARGB, area));
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EXPECT_EQ(area.handle(), kept);

  ASSERT_TRUE(b.thumbnail(8, 4, thumb));
  EXPECT_EQ(thumb.width(), 8u);
  EXPECT_EQ(thumb.height(), 4u);
  kept = thumb.handle();
  EXPECT_FALSE(b.thumbnail(0x8000, 0x8000, thumb));
  EXPECT_EQ(last_status, flat::OutOfMemory);
  EXPECT_EQ(thumb.handle(), kept);
}

TEST_F(BitmapTest, RotateFlipTurnsPixelsSizeAndResolution) {
  Bitmap b;
  ASSERT_TRUE(b.create(4, 2));
  ASSERT_TRUE(b.set_pixel(0, 0, 0xFFFF0000));
  ASSERT_TRUE(b.set_resolution(72, 144));
  ASSERT_TRUE(b.rotate_flip(1));  // a quarter turn clockwise
  EXPECT_EQ(b.width(), 2u);
  EXPECT_EQ(b.height(), 4u);
  EXPECT_EQ(b.get_pixel(1, 0), 0xFFFF0000u);
  EXPECT_FLOAT_EQ(b.horizontal_resolution(), 144);
  ASSERT_TRUE(b.rotate_flip(4));  // mirrored left to right
  EXPECT_EQ(b.get_pixel(0, 0), 0xFFFF0000u);
  EXPECT_FALSE(b.rotate_flip(8));
  EXPECT_FALSE(b.set_resolution(0, 96));
}

TEST(RotatedSize, MeasuresBetweenOutermostPixelCentres) {
  struct Case {
    float w, h;
    int angle;
    float out_w, out_h;
  } cases[] = {
      {100, 50, 0, 99, 49},   {100, 50, 90, 49, 99}, {100, 50, 180, 99, 49},
      {100, 50, -90, 49, 99}, {1, 1, 37, 0, 0},      {11, 11, 45, 14.1421f, 14.1421f},
  };
  for (const Case& c : cases) {
    float w = -1, h = -1;
    Bitmap::rotated_size(c.w, c.h, c.angle, w, h);
    EXPECT_NEAR(w, c.out_w, 1e-3) << c.angle;
    EXPECT_NEAR(h, c.out_h, 1e-3) << c.angle;
  }
}

}  // namespace
}  // namespace lumetra
