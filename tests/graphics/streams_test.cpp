#include "tests/graphics/started.h"

namespace lumetra {
namespace {

using GlobalStreamTest = Started;
using BytesStreamTest = Started;

TEST_F(GlobalStreamTest, LoadThenReadAllGivesTheBytes) {
  const Bytes cases[] = {"", "abc", Bytes("\0\x01\xFF\0", 4), Bytes(100000, 'x')};
  for (const Bytes& bytes : cases) {
    GlobalStream s;
    ASSERT_NE(s.load(bytes), 0u);
    EXPECT_EQ(s.size(), bytes.size());
    EXPECT_EQ(s.read_all(), bytes);
  }
}

TEST_F(GlobalStreamTest, WritesThroughTheStreamGrowTheBlock) {
  GlobalStream s;
  Handle stream = s.load("12345", 3);  // the size wins over the bytes' length
  EXPECT_EQ(s.read_all(), "123");
  std::size_t n = 0;
  ASSERT_EQ(flat::StreamSeek(stream, 0, flat::SeekEnd, nullptr), flat::Ok);
  ASSERT_EQ(flat::StreamWrite(stream, "abcdef", 6, &n), flat::Ok);
  EXPECT_EQ(s.read_all(), "123abcdef");
  Handle again = s.load("x", 4);  // reloading releases the old block
  EXPECT_EQ(again, s.stream());
  EXPECT_EQ(s.read_all(), Bytes("x\0\0\0", 4));
  s.release();
  EXPECT_EQ(s.stream(), 0u);
  EXPECT_EQ(s.read_all(), "");
  s.release();  // twice is harmless
}

TEST_F(GlobalStreamTest, AttachTakesOverAStreamAndItsBlock) {
  BytesStream source;
  Handle stream = source.load(Bytes("data"));
  GlobalStream s;
  ASSERT_TRUE(flat::StreamAddRef(stream) == flat::Ok);  // both hold a reference
  EXPECT_TRUE(s.attach(stream));
  EXPECT_EQ(s.read_all(), "data");
  EXPECT_FALSE(s.attach(12345));
  EXPECT_EQ(s.memory(), 0u);
}

TEST_F(BytesStreamTest, LoadThenReadAllGivesExactlyTheBytes) {
  for (const Bytes& bytes : {Bytes(), Bytes("a"), Bytes(70000, '\xAB')}) {
    BytesStream s;
    Handle stream = s.load(bytes);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(s.read_all(), bytes);
    char buffer[8];
    std::size_t n = 99;
    ASSERT_EQ(flat::StreamRead(stream, buffer, sizeof buffer, &n), flat::Ok);
    EXPECT_EQ(n, std::min<std::size_t>(bytes.size(), 8));
  }
  BytesStream empty;
  Handle stream = empty.load();
  std::size_t n = 0;
  ASSERT_EQ(flat::StreamWrite(stream, "grown", 5, &n), flat::Ok);
  EXPECT_EQ(empty.read_all(), "grown");
  empty.free_memory();
  EXPECT_EQ(empty.size(), 0u);
}

TEST_F(BytesStreamTest, ImageLoadsFromAStreamAndOutlivesIt) {
  Bitmap b;
  ASSERT_TRUE(b.create(4, 4));
  ASSERT_TRUE(b.set_pixel(1, 2, 0xFF123456));
  Bytes png = b.save_to_bytes(kImageFormatPng);
  Handle image = 0;
  {
    BytesStream s;
    ASSERT_EQ(flat::GdipCreateBitmapFromStream(s.load(png), &image), flat::Ok);
  }
  flat::ARGB c = 0;
  ASSERT_EQ(flat::GdipBitmapGetPixel(image, 1, 2, &c), flat::Ok);
  EXPECT_EQ(c, 0xFF123456u);
  float w = 0, h = 0;
  ASSERT_EQ(flat::GdipGetImageDimension(image, &w, &h), flat::Ok);
  EXPECT_EQ(w, 4);
  EXPECT_EQ(flat::GdipDisposeImage(image), flat::Ok);
  EXPECT_EQ(flat::GdipCreateBitmapFromStream(0, &image), flat::InvalidParameter);
}

}  // namespace
}  // namespace lumetra
