#include "text/gbk.h"

#include <gtest/gtest.h>

namespace lumetra {
namespace {

TEST(Gbk, LiteralsBecomeCodePage936Bytes) {
  EXPECT_EQ(gbk<"等待">(), "\xB5\xC8\xB4\xFD");
  EXPECT_EQ((gbk<"下载完成">()), "\xCF\xC2\xD4\xD8\xCD\xEA\xB3\xC9");
  EXPECT_EQ(gbk<"·">(), "\xA1\xA4");                       // middle dot
  EXPECT_EQ(gbk<"，（）">(), "\xA3\xAC\xA3\xA8\xA3\xA9");  // full-width comma and parentheses
  EXPECT_EQ(gbk<"Ｘ２３．">(), "\xA3\xD8\xA3\xB2\xA3\xB3\xA3\xAE");
  EXPECT_EQ(gbk<"abc">(), "abc");
  EXPECT_EQ(&gbk<"abc">(), &gbk<"abc">());  // converted once per literal
  EXPECT_THROW(utf8_to_gbk("\xF0\x9F\x98\x80"), std::invalid_argument);  // an emoji
}

TEST(Gbk, DecodesPairsAndReplacesWhatIsUndefined) {
  EXPECT_EQ(gbk_char(0xB0, 0xA1), U'\u554A');
  EXPECT_EQ(gbk_char(0xA1, 0xA1), U'\u3000');
  EXPECT_EQ(gbk_char(0x81, 0x7F), 0u);
  EXPECT_EQ(gbk_char(0xFF, 0xFF), 0u);
  EXPECT_EQ(gbk_to_utf8("a\xB0\xA1"), "a\xE5\x95\x8A");
  EXPECT_EQ(gbk_to_utf8("\x81\x7F"
                        "b\xB0",
                        "?"),
            "?\x7F"
            "b?");
  // Each byte that does not decode stands for itself; the readable characters stay.
  EXPECT_EQ(gbk_to_utf8("\xBB\xB5\x80\xFF\x81", "_"), "坏___");
  EXPECT_EQ(gbk_to_utf8("\xA2\xA0"
                        "a\x81<",
                        "_"),
            "__a_<");  // an undefined pair, a lone lead
  EXPECT_EQ(gbk_to_utf8(utf8_to_gbk("第一章 开端")), "第一章 开端");
}

}  // namespace
}  // namespace lumetra
