#include "pattern/regex.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "text/gbk.h"

namespace lumetra {
namespace {

struct Options {
  bool case_sensitive = false;
  bool multiline = true;
  bool global = true;
  bool quote_escape = false;
};

// Each match as its whole text followed by its groups.
using Found = std::vector<std::vector<Text>>;

Found found(const Regex& re) {
  Found all;
  for (int m = 1; m <= re.match_count(); ++m) {
    std::vector<Text> one{re.match_text(m)};
    for (int g = 1; g <= re.group_count(); ++g) one.push_back(re.submatch_text(m, g));
    all.push_back(one);
  }
  return all;
}

const Text kCatalogPattern = "><a href=\"(.*?)\">(.*?)</a></dd>";

TEST(Regex, MatchesAsThePlatformEngineDoes) {
  const Text ch1 = gbk<"第一章 开端">(), ch2 = gbk<"第二章 风起">();
  const Text catalog = "<dl>\r\n<dd><a href=\"1.html\">" + ch1 +
                       "</a></dd>\r\n<dd><a href=\"2.html\">" + ch2 + "</a></dd>\r\n</dl>\r\n";
  struct Case {
    const char* name;
    Text pattern, subject;
    Options options;
    Found expected;
  };
  const std::array cases = {
      Case{"catalog numbering",
           kCatalogPattern,
           catalog,
           {},
           {{"><a href=\"1.html\">" + ch1 + "</a></dd>", "1.html", ch1},
            {"><a href=\"2.html\">" + ch2 + "</a></dd>", "2.html", ch2}}},
      Case{"ignore case by default",
           "<h1>(.*?)</h1>",
           "<H1>Book</h1>",
           {},
           {{"<H1>Book</h1>", "Book"}}},
      Case{"case sensitive on request",
           "<h1>(.*?)</h1>",
           "<H1>Book</H1>",
           {.case_sensitive = true},
           {}},
      Case{"lazy",
           "<h1>(.*?)</h1>",
           "<h1>A</h1><h1>B</h1>",
           {},
           {{"<h1>A</h1>", "A"}, {"<h1>B</h1>", "B"}}},
      Case{"greedy",
           "<h1>(.*)</h1>",
           "<h1>A</h1><h1>B</h1>",
           {},
           {{"<h1>A</h1><h1>B</h1>", "A</h1><h1>B"}}},
      Case{"dot stops at a line feed",
           "<p>(.*)</p>",
           "<p>a</p><p>b</p>\n<p>c</p>",
           {},
           {{"<p>a</p><p>b</p>", "a</p><p>b"}, {"<p>c</p>", "c"}}},
      Case{"dot takes a carriage return", "a.b", "a\rb a\nb", {}, {{"a\rb"}}},
      Case{"carriage return literal",
           "<li>(.*?)</li>\r",
           "<li>x</li>\r\n<li>y</li>\n",
           {},
           {{"<li>x</li>\r", "x"}}},
      Case{"quote escape",
           "href=" + gbk<"#引号">() + "(.*?)" + gbk<"#引号">(),
           "href=\"a.html\"",
           {.quote_escape = true},
           {{"href=\"a.html\"", "a.html"}}},
      Case{"marker literal without quote escape",
           "=" + gbk<"#引号">() + "(.)",
           "=\"x =" + gbk<"#引号">() + "y",
           {},
           {{"=" + gbk<"#引号">() + "y", "y"}}},
      Case{"empty subject", kCatalogPattern, "", {}, {}},
      Case{"no match", kCatalogPattern, "<dd>nothing here</dd>", {}, {}},
      Case{"first match only without global", "a(.)", "ab ac", {.global = false}, {{"ab", "b"}}},
      Case{"empty match after a non-empty one", "a*", "aaa", {}, {{"aaa"}, {""}}},
      Case{"empty matches step one character", "", "test", {}, {{""}, {""}, {""}, {""}, {""}}},
      Case{"empty match steps over a double-byte character", "x*", gbk<"中">(), {}, {{""}, {""}}},
      Case{"nested and optional groups", "(x)?((a)(b))", "ab", {}, {{"ab", "", "ab", "a", "b"}}},
      Case{"ascii classes", "\\w+|\\d+|\\s", gbk<"ab中１２3　c">(), {}, {{"ab"}, {"3"}, {"c"}}},
      Case{"backreference ignores case", "(a)\\1", "aA", {}, {{"aA", "a"}}},
      Case{"backreference with case", "(a)\\1", "aA", {.case_sensitive = true}, {}},
      Case{"unset group backreference is empty", "(x)?\\1y", "y", {}, {{"y", ""}}},
      Case{"multiline anchors see carriage returns",
           "^(\\w+)$",
           "ab\r\ncd\nef\r",
           {},
           {{"ab", "ab"}, {"cd", "cd"}, {"ef", "ef"}}},
      Case{"anchors without multiline", "^\\w+$", "ab\r\ncd", {.multiline = false}, {}},
      Case{"dollar without multiline is the end only", "b$", "ab\n", {.multiline = false}, {}},
      Case{"escaped anchors and classes stay literal",
           "\\$[$^]\\^[^a$]",
           "$^^b $$^$ $$^c",
           {},
           {{"$^^b"}, {"$$^c"}}},
      Case{"hex and unicode escapes name characters",
           "\\u4E2D\\x41",
           gbk<"中a">(),
           {},
           {{gbk<"中a">()}}},
      // GBK: characters, never bytes.
      Case{"chinese title byte-exact",
           "<h1>(.*?)</h1>",
           gbk<"<h1>斗破苍穹·第１卷</h1>">(),
           {},
           {{gbk<"<h1>斗破苍穹·第１卷</h1>">(), gbk<"斗破苍穹·第１卷">()}}},
      Case{"ascii never matches a trail byte",
           "[@A]",
           "\x81\x40\x81\x41"
           "A@",
           {},
           {{"A"}, {"@"}}},
      Case{"letter folding never reaches a trail byte", "a", "\x81\x61\x81\x41", {}, {}},
      Case{"trail byte backslash stays inside its character",
           "\x95\x5C(a)",
           "\x95\x5C"
           "a",
           {},
           {{"\x95\x5C"
             "a",
             "a"}}},
      Case{"full-width letters fold",
           gbk<"ＢＯＯＫ">(),
           gbk<"ｂｏｏｋ ＢＯＯＫ">(),
           {},
           {{gbk<"ｂｏｏｋ">()}, {gbk<"ＢＯＯＫ">()}}},
      Case{"full-width letters with case",
           gbk<"ＢＯＯＫ">(),
           gbk<"ｂｏｏｋ">(),
           {.case_sensitive = true},
           {}},
      Case{"greek letters fold", gbk<"(α)\\1">(), gbk<"αΑ">(), {}, {{gbk<"αΑ">(), gbk<"α">()}}},
      Case{"utf-8 subject cut byte-exact",
           "<b>(.*?)</b>",
           "<b>\xE6\xA0\x87\xE9\xA2\x98</b>",
           {},
           {{"<b>\xE6\xA0\x87\xE9\xA2\x98</b>", "\xE6\xA0\x87\xE9\xA2\x98"}}},
      Case{"undefined pairs stay distinct", "\xA2\xA0", "\xA9\xA0\xA2\xA0\xA2", {}, {{"\xA2\xA0"}}},
      Case{"undefined pair is one character", "^.$", "\xA2\xA0", {}, {{"\xA2\xA0"}}},
      Case{"lone lead byte at the end", "b(.)$", "ab\x81", {}, {{"b\x81", "\x81"}}},
      Case{"lead byte takes a byte that can follow it", "@", "\x87@x@", {}, {{"@"}}},
      Case{"lead byte never takes markup", "<", "\x87<x<", {}, {{"<"}, {"<"}}},
      Case{"bytes that lead nothing are characters",
           "^(.)(.)<$",
           "\x80\xFF<",
           {},
           {{"\x80\xFF<", "\x80", "\xFF"}}},
      Case{"broken title keeps its closing quote",
           "content=\"(.*?)\"/>",
           "content=\"\xBB\xB5\x80\xFF\x81\"/>",
           {},
           {{"content=\"\xBB\xB5\x80\xFF\x81\"/>", "\xBB\xB5\x80\xFF\x81"}}},
  };
  for (const auto& [name, pattern, subject, o, expected] : cases) {
    SCOPED_TRACE(name);
    Regex re;
    ASSERT_TRUE(
        re.search(pattern, subject, o.case_sensitive, o.multiline, o.global, o.quote_escape));
    EXPECT_EQ(found(re), expected);
    EXPECT_EQ(re.group_count(), expected.empty() ? 0 : int(expected[0].size()) - 1);
  }
}

TEST(Regex, PositionsAreByteOffsetsIntoTheSubject) {
  const Text subject = gbk<"第1章<a>标题</a>\r\n第2章<a>中</a>">();
  Regex re;
  ASSERT_TRUE(re.search("<a>(.*?)</a>", subject));
  ASSERT_EQ(re.match_count(), 2);
  struct Case {
    int match, group;
    std::size_t position;
  };
  const std::array cases = {Case{1, 0, 5},    Case{1, 1, 8},    Case{2, 0, 23},  Case{2, 1, 26},
                            Case{3, 0, npos}, Case{1, 2, npos}, Case{0, 1, npos}};
  for (const auto& [match, group, position] : cases) {
    SCOPED_TRACE(testing::Message() << match << "/" << group);
    std::size_t at = 12345;
    Text text = group ? re.submatch_text(match, group, &at) : re.match_text(match, &at);
    EXPECT_EQ(at, position);
    if (position != npos) {
      EXPECT_EQ(subject.substr(at, text.size()), text);
    }
  }
  std::size_t at = 0;
  ASSERT_TRUE(re.search("(x)?a", "ba"));
  EXPECT_EQ(re.submatch_text(1, 1, &at), "");
  EXPECT_EQ(at, npos);  // the group did not take part
}

TEST(Regex, ReadsOutsideTheMatchesAreEmpty) {
  Regex re;
  EXPECT_EQ(re.pattern(), "");
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.group_count(), 0);
  EXPECT_EQ(re.match_text(1), "");
  EXPECT_EQ(re.submatch_text(1, 1), "");
  EXPECT_EQ(re.replace("x"), "");

  ASSERT_TRUE(re.search("<h1>(.*?)</h1>", "no title"));
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.group_count(), 0);
  EXPECT_EQ(re.submatch_text(1, 1), "");
  EXPECT_EQ(re.match_text(1), "");

  ASSERT_TRUE(re.search("(a)(b)", "ab"));
  for (auto [match, group] :
       std::array<std::array<int, 2>, 6>{{{0, 1}, {2, 1}, {-1, 1}, {1, 0}, {1, 3}, {1, -2}}})
    EXPECT_EQ(re.submatch_text(match, group), "") << match << "/" << group;
  EXPECT_EQ(re.match_text(0), "");
  EXPECT_EQ(re.match_text(2), "");
}

TEST(Regex, RefusedPatternLeavesNoMatches) {
  Regex re;
  ASSERT_TRUE(re.search("(a)", "a"));
  for (const Text& bad : {Text("(a"), Text("a**"), Text("[z-a]"), Text("\\")}) {
    EXPECT_FALSE(re.search(bad, "a")) << bad;
    EXPECT_EQ(re.match_count(), 0);
    EXPECT_EQ(re.group_count(), 0);
    EXPECT_EQ(re.match_text(1), "");
    EXPECT_EQ(re.replace("x"), "");
    EXPECT_EQ(re.pattern(), bad);  // the engine holds the pattern it was given
  }
}

TEST(Regex, RunawayBacktrackingFailsTheSearch) {
  Regex re;
  ASSERT_TRUE(re.search("(a)", "a"));
  EXPECT_FALSE(re.search("(a|aa)+$", std::string(60, 'a') + "!"));
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.match_text(1), "");
}

TEST(Regex, PatternIsTheTextWrittenToTheEngine) {
  Regex re;
  const Text escaped = "a" + gbk<"#引号">() + "b";
  ASSERT_TRUE(re.search(escaped, "a\"b", false, true, true, true));
  EXPECT_EQ(re.pattern(), "a\"b");
  EXPECT_EQ(re.match_count(), 1);
  ASSERT_TRUE(re.search(escaped, "a\"b"));
  EXPECT_EQ(re.pattern(), escaped);
  EXPECT_EQ(re.match_count(), 0);
}

TEST(Regex, SecondSearchReplacesTheFirstAndClonesKeepTheirs) {
  Regex re;
  ASSERT_TRUE(re.search(kCatalogPattern,
                        "<dd><a href=\"1.html\">One</a></dd><dd><a href=\"2.html\">Two</a></dd>"));
  Text first = re.submatch_text(2, 2);
  std::unique_ptr<Regex> copy = re.clone();
  ASSERT_TRUE(re.search("<h1>(.*?)</h1>", "<h1>Title</h1>"));
  EXPECT_EQ(first, "Two");
  EXPECT_EQ(re.match_count(), 1);
  EXPECT_EQ(re.submatch_text(1, 1), "Title");
  EXPECT_EQ(re.submatch_text(2, 2), "");

  EXPECT_EQ(copy->pattern(), kCatalogPattern);
  EXPECT_EQ(copy->match_count(), 2);
  EXPECT_EQ(copy->group_count(), 2);
  EXPECT_EQ(copy->submatch_text(1, 1), "1.html");
  EXPECT_EQ(copy->match_text(2), "><a href=\"2.html\">Two</a></dd>");
  EXPECT_EQ(copy->replace("[$2]"), "<dd[One]<dd[Two]");
}

TEST(Regex, ReplaceUsesThePlatformSyntax) {
  struct Case {
    Text pattern, subject;
    bool global;
    Text replacement, expected;
  };
  const std::array cases = {
      Case{"(\\w+)@(\\w+)", "a@b c@d", true, "$2@$1", "b@a d@c"},
      Case{"(\\w+)@(\\w+)", "a@b c@d", false, "$2@$1", "b@a c@d"},
      Case{"b", "abc", true, "[$&|$`|$'|$$]", "a[b|a|c|$]c"},
      Case{"(b)", "abc", true, "$2$0$9$x$", "a$2$0$9$x$c"},
      Case{"(b)", "abc", true, "$10$01", "ab0bc"},
      Case{"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "abcdefghij", true, "$10$11", "ja1"},
      Case{"(x)?b", "abc", true, "<$1>", "a<>c"},
      Case{"x", "abc", true, "y", "abc"},
      Case{"x*", "abc", true, "-", "-a-b-c-"},
      Case{"a*", "baaac", true, "-", "-b--c-"},
      Case{gbk<"第(.)章">(), gbk<"第一章，第二章">(), true, gbk<"卷$1">(), gbk<"卷一，卷二">()},
      // "$" cannot follow a lead byte: the reference after a broken character still counts.
      Case{"b", "b", true, "\x81$&",
           "\x81"
           "b"},
  };
  for (const auto& [pattern, subject, global, replacement, expected] : cases) {
    SCOPED_TRACE(pattern + " / " + replacement);
    Regex re;
    ASSERT_TRUE(re.search(pattern, subject, false, true, global));
    EXPECT_EQ(re.replace(replacement), expected);
  }
}

TEST(Regex, LongLinesDoNotExhaustTheEngine) {
  // One line of many entries: the lazy groups backtrack over the whole line every time.
  Text page = "<dl>";
  for (int i = 0; i < 5000; ++i)
    page += "<dd><a href=\"" + std::to_string(i) + ".html\">T</a></dd>";
  Regex re;
  ASSERT_TRUE(re.search(kCatalogPattern, page));
  EXPECT_EQ(re.match_count(), 5000);
  EXPECT_EQ(re.submatch_text(5000, 1), "4999.html");
  // A repeated group keeps one backtracking frame per repetition.
  ASSERT_TRUE(re.search("<p>(?:(a)|b)*</p>", "<p>" + std::string(20000, 'a') + "</p>"));
  EXPECT_EQ(re.match_count(), 1);
  EXPECT_EQ(re.submatch_text(1, 1), "a");
}

}  // namespace
}  // namespace lumetra
