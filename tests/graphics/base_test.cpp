#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "graphics/graphics.h"
#include "text/gbk.h"

namespace lumetra {
namespace {

using flat::Guid;
using flat::Kind;

TEST(FlatRegistry, RefusesHandlesNeverMadeDeletedOrOfAnotherKind) {
  auto image = std::make_shared<flat::Image>();
  Handle h = flat::add_object(image);
  EXPECT_EQ(flat::find<flat::Image>(h), image);
  EXPECT_EQ(flat::find<flat::Brush>(h), nullptr);  // a brush handle is not an image
  EXPECT_EQ(flat::find<flat::Image>(0), nullptr);
  EXPECT_EQ(flat::find<flat::Image>(h + 1000), nullptr);
  EXPECT_FALSE(flat::remove_object(h, Kind::Brush));
  EXPECT_TRUE(flat::remove_object(h, Kind::Image));
  EXPECT_FALSE(flat::remove_object(h, Kind::Image));
  EXPECT_EQ(flat::find<flat::Image>(h), nullptr);
  Handle next = flat::add_object(std::make_shared<flat::Image>());
  EXPECT_NE(next, h);  // never reused
  EXPECT_TRUE(flat::remove_object(next, Kind::Image));
}

TEST(FlatStartup, SafeToCallTwiceAndChecksItsInput) {
  std::uintptr_t a = 0, b = 0;
  flat::StartupInput input;
  EXPECT_EQ(flat::GdiplusStartup(&a, &input, nullptr), flat::Ok);
  EXPECT_EQ(flat::GdiplusStartup(&b, &input, nullptr), flat::Ok);
  EXPECT_NE(a, b);
  EXPECT_EQ(flat::require_started(), flat::Ok);
  flat::GdiplusShutdown(a);
  EXPECT_EQ(flat::require_started(), flat::Ok);  // b still holds it
  flat::GdiplusShutdown(b);
  EXPECT_EQ(flat::GdiplusStartup(nullptr, &input, nullptr), flat::InvalidParameter);
  EXPECT_EQ(flat::GdiplusStartup(&a, nullptr, nullptr), flat::InvalidParameter);
  input.version = 9;
  EXPECT_EQ(flat::GdiplusStartup(&a, &input, nullptr), flat::UnsupportedGdiplusVersion);
}

TEST(FlatMemory, StreamWritesGrowTheBlockAndReadBack) {
  Handle memory = flat::GlobalAlloc(flat::GMEM_MOVEABLE | flat::GMEM_ZEROINIT, 0);
  ASSERT_NE(memory, 0u);
  Handle stream = 0;
  ASSERT_EQ(flat::CreateStreamOnHGlobal(memory, true, &stream), flat::Ok);
  std::size_t n = 0;
  ASSERT_EQ(flat::StreamWrite(stream, "hello world", 11, &n), flat::Ok);
  EXPECT_EQ(n, 11u);
  EXPECT_EQ(flat::GlobalSize(memory), 11u);
  std::uint64_t pos = 99;
  ASSERT_EQ(flat::StreamSeek(stream, 6, flat::SeekSet, &pos), flat::Ok);
  char out[16] = {};
  ASSERT_EQ(flat::StreamRead(stream, out, sizeof out, &n), flat::Ok);
  EXPECT_EQ(std::string(out, n), "world");
  EXPECT_EQ(flat::StreamSeek(stream, -1, flat::SeekSet, nullptr), flat::InvalidParameter);

  // A locked block keeps its address: a write that would grow it fails.
  ASSERT_NE(flat::GlobalLock(memory), nullptr);
  EXPECT_EQ(flat::StreamWrite(stream, "!", 1, &n), flat::WrongState);
  flat::GlobalUnlock(memory);

  Handle behind = 0;
  EXPECT_EQ(flat::GetHGlobalFromStream(stream, &behind), flat::Ok);
  EXPECT_EQ(behind, memory);
  EXPECT_EQ(flat::StreamAddRef(stream), flat::Ok);
  EXPECT_EQ(flat::StreamRelease(stream), flat::Ok);
  EXPECT_NE(flat::GlobalSize(memory), 0u);  // one reference left
  EXPECT_EQ(flat::StreamRelease(stream), flat::Ok);
  EXPECT_EQ(flat::GlobalSize(memory), 0u);  // freed with the stream
  EXPECT_EQ(flat::StreamRead(stream, out, 1, &n), flat::InvalidParameter);
  EXPECT_EQ(flat::GlobalFree(memory), memory);  // already gone
}

TEST(FlatMemory, RefusesHugeBlocksAndBadHandles) {
  EXPECT_EQ(flat::GlobalAlloc(0, std::size_t{1} << 40), 0u);
  EXPECT_EQ(flat::GlobalLock(12345), nullptr);
  Handle stream = 0;
  EXPECT_EQ(flat::CreateStreamOnHGlobal(12345, false, &stream), flat::InvalidParameter);
}

TEST(Conversions, ToWideEndsWithOneZeroCharacter) {
  struct Case {
    const char* utf8;
    std::u16string wide;
  } cases[] = {
      {"", std::u16string(1, u'\0')},
      {"abc", std::u16string(u"abc") + u'\0'},
      {"开始采集", std::u16string(u"开始采集") + u'\0'},
  };
  for (const auto& c : cases) {
    Text gbk_text = utf8_to_gbk(c.utf8);
    EXPECT_EQ(to_wide(gbk_text), c.wide) << c.utf8;
    EXPECT_EQ(to_text(c.wide), gbk_text) << c.utf8;
  }
}

TEST(Conversions, ToTextMarksCharactersWithoutGbkForm) {
  EXPECT_EQ(to_text(u"a\uD55C\U0001F600b"), "a??b");
  EXPECT_EQ(to_text(u"ab\0cd"), "ab");
}

TEST(Conversions, GuidTextRoundTripAndRefusals) {
  Guid png = text_to_guid("{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}");
  EXPECT_EQ(png.data1, 0xB96B3CAFu);
  EXPECT_EQ(png.data4[7], 0x2E);
  EXPECT_EQ(guid_to_text(png), "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}");
  // Letter case does not matter when reading; the text is always upper case.
  EXPECT_EQ(guid_to_text(text_to_guid("{633C80A4-1843-482b-9EF2-BE2834C5FDD4}")),
            "{633C80A4-1843-482B-9EF2-BE2834C5FDD4}");
  for (const char* bad :
       {"", "not a guid", "B96B3CAF-0728-11D3-9D7B-0000F81EF32E",
        "{B96B3CAF-0728-11D3-9D7B-0000F81EF32G}", "{B96B3CAF+0728-11D3-9D7B-0000F81EF32E}",
        "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}x"}) {
    EXPECT_EQ(text_to_guid(bad), Guid{}) << bad;
  }
  EXPECT_EQ(guid_to_text(Guid{}), "{00000000-0000-0000-0000-000000000000}");
}

}  // namespace
}  // namespace lumetra
