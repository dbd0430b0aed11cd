#include "collect/sites.h"

#include <gtest/gtest.h>

#include <array>

#include "collect/collector.h"
#include "text/gbk.h"

namespace lumetra {
namespace {

TEST(Sites, WatermarksAreTheCodePagesBytes) {
  const auto steps = cleaning_steps(built_in_sites());
  ASSERT_EQ(steps.size(), 24u);
  // Full-width letters, digits and dot of row 0xA3; middle dot A1 A4; full-width comma and
  // parentheses A3 AC, A3 A8, A3 A9.
  const Text full = "\xA3\xD8\xA3\xB2\xA3\xB3\xA3\xD5\xA3\xD3\xA3\xAE\xA3\xC3\xA3\xCF\xA3\xCD";
  EXPECT_EQ(full_width("x23us.com"), full);
  EXPECT_EQ(steps[9].find, full);
  EXPECT_EQ(steps[10].find,
            "\xB6\xA5 \xB5\xE3 \xD0\xA1 \xCB\xB5 \xA3\xD8 \xA3\xB2\xA3\xB3 \xA3\xD5 "
            "\xA3\xD3\xA3\xAE\xA3\xC3 \xA3\xCF\xA3\xCD");
  EXPECT_EQ(steps[14].find, full.substr(2));
  EXPECT_EQ(steps[17].find.substr(0, 8), "\xBE\xAB\xB2\xCA\xD4\xC4\xB6\xC1");  // 精彩阅读
  EXPECT_EQ(steps[17].find.substr(8, 2), "\xA1\xA4");
  EXPECT_NE(steps[17].find.find(gbk<"网（<a href=\"http://www.wumingxs.com\" target=\"_blank\">"
                                    "www.wumingxs.com</a>）<br />">()),
            Text::npos);
  EXPECT_EQ(steps[19].find, gbk<"手机看书，尽在·无名小说手机版M.wumingxs.coM</p>">());
  EXPECT_NE(steps[19].find.find("\xA3\xAC"), Text::npos);
  EXPECT_EQ(steps[20].find, gbk<"手机看好书·尽在·无名小说手机版（m.wumingxs.com）</p>">());
  EXPECT_EQ(steps[22].find, gbk<"恋上你看书网 WWW.230BOOK.COM">());
  EXPECT_EQ(steps[2].find, gbk<"(小说屋 www.xiaoshuowu.com)">());
  EXPECT_EQ(steps[5].find, gbk<"(meikewenxue 美克文学网 www.meikewenxue.com)">());
  EXPECT_EQ(steps[8].replacement, "\r\n");
}

TEST(Sites, EntriesNameTheSiteAndItsHost) {
  const SiteTable& t = built_in_sites();
  EXPECT_EQ(t.entry(0), gbk<"笔趣阁（www.biquge.info）">());
  EXPECT_EQ(t.entry(1), gbk<"顶点小说（www.x23us.com）">());
  EXPECT_EQ(t.sites[1].home_page, "https://www.x23us.com/");
  EXPECT_EQ(t.sites[3].home_page, "https://www.wumingxs.com");
  EXPECT_EQ(t.sites[4].right_delimiter, gbk<"阅读悦,阅读悦精彩!">());
  // The entries are already in the list's sorted order, so the index is the table's.
  auto entries = t.entries();
  EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
}

TEST(BookFileName, IsOneSafeNameInsideTheFolder) {
  struct Case {
    Text title;
    std::string expected;
  };
  const std::array cases{
      Case{gbk<"剑来">(), "剑来"},
      Case{"../../x", "_._.._x"},
      Case{"/etc/passwd", "_etc_passwd"},
      Case{".hidden", "_hidden"},
      Case{"a\tb\r\nc\x7f", "a_b__c_"},
      Case{"", "未命名"},
      Case{"\x81\x7F"
           "ok",
           "__ok"},  // a lead byte alone, then a control byte
      Case{"\xA2\xA0"
           "ok",
           "__ok"},                           // a pair the code page does not define
      Case{"\xBB\xB5\x80\xFF\x81", "坏___"},  // readable characters stay
      Case{"a\\b", "a\\b"},                   // a plain character on this system
  };
  for (const auto& [title, expected] : cases) EXPECT_EQ(book_file_name(title), expected) << title;

  Text long_title;
  for (int i = 0; i < 150; ++i) long_title += gbk<"长">();
  std::string name = book_file_name(long_title);
  EXPECT_LE(name.size(), 200u);
  EXPECT_EQ(name.size() % 3, 0u);  // cut between characters, never inside one
  EXPECT_EQ(utf8_to_gbk(name), long_title.substr(0, name.size() / 3 * 2));
}

}  // namespace
}  // namespace lumetra
