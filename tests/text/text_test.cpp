#include "text/text.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "text/gbk.h"

namespace lumetra {
namespace {

// "\xB5\x40" is a double-byte character whose second byte is "@"; "\xB0\xA1" is 啊.
TEST(FindText, StepsByCharactersAndNeverStartsOnASecondByte) {
  struct Case {
    const char* hay;
    const char* needle;
    std::size_t from;
    bool ignore_case;
    std::size_t expected;
  };
  const std::array cases{
      Case{"abcabc", "bc", 0, false, 1},
      Case{"abcabc", "bc", 2, false, 4},
      Case{"abc", "", 1, false, 1},
      Case{"abc", "", 3, false, npos},
      Case{"", "", 0, false, npos},
      Case{"\xB5\x40x@", "@", 0, false, 3},
      Case{"\xB5\x40\xB5\x40", "@", 0, false, npos},
      Case{"\xB0\xA1\xB0\xA1", "\xA1\xB0", 0, false, npos},
      Case{"\xB0\xA1\xB0\xA1", "\xB0\xA1", 1, false, npos},  // 1 is no boundary of this text
      Case{"xABCx", "abc", 0, true, 1},
      Case{"xABCx", "abc", 0, false, npos},
      Case{"\xB5\x41", "a", 0, true, npos},  // a trail byte equal to "A" is no letter
      Case{"\xB0\xA1Q", "q", 0, true, 2},
  };
  for (const auto& [hay, needle, from, ignore_case, expected] : cases)
    EXPECT_EQ(find_text(hay, needle, from, ignore_case), expected)
        << '"' << hay << "\" / \"" << needle << "\" from " << from;
}

TEST(ReplaceAll, ReplacesEveryOccurrenceWithoutRescanning) {
  struct Case {
    const char* text;
    const char* find;
    const char* replacement;
    const char* expected;
  };
  const std::array cases{
      Case{"a<p>b<p>", "<p>", "", "ab"},
      Case{"aaa", "aa", "b", "ba"},
      Case{"abc", "", "x", "abc"},
      Case{"xx", "x", "xx", "xxxx"},  // the replacement is never scanned again
      Case{"\xB5\x40@", "@", "#", "\xB5\x40#"},
      Case{"<BR />", "<br />", "", "<BR />"},
      Case{"", "a", "b", ""},
  };
  for (const auto& [text, find, replacement, expected] : cases)
    EXPECT_EQ(replace_all(text, find, replacement), expected) << text;
}

TEST(CaseAndSpaces, TouchOnlyAsciiLettersAndRealSpaces) {
  EXPECT_EQ(lower_ascii("HTTP://Ab\xB5\x41Z"), "http://ab\xB5\x41z");
  EXPECT_EQ(upper_ascii("www.ab\xB5\x61"), "WWW.AB\xB5\x61");
  EXPECT_EQ(trim_spaces("  \xA1\xA1 a b \xA1\xA1 "), "a b");
  EXPECT_EQ(trim_spaces("\ta\r\n"), "\ta\r\n");
  // Bytes A1 A1 at the end that straddle two characters are no ideographic space.
  EXPECT_EQ(trim_spaces("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
  EXPECT_EQ(trim_spaces("   "), "");
  EXPECT_EQ(remove_spaces(" a = b ;\xA1\xA1 c"), "a=b;c");
}

TEST(Split, FollowsThePieceRules) {
  using V = std::vector<Text>;
  EXPECT_EQ(split("", ";"), V{});
  EXPECT_EQ(split("a;b", ";"), (V{"a", "b"}));
  EXPECT_EQ(split("a;;b", ";"), (V{"a", "", "b"}));
  EXPECT_EQ(split("a;b;", ";"), (V{"a", "b"}));
  EXPECT_EQ(split(";", ";"), (V{""}));
  EXPECT_EQ(split("a; b; c", "; "), (V{"a", "b", "c"}));
  EXPECT_EQ(split("\xB5\x40;x;", ";"), (V{"\xB5\x40", "x"}));
  EXPECT_EQ(split("\xB5;;x", ";;"), (V{"\xB5", "x"}));  // ";" cannot follow a lead byte
}

// A lead byte followed by a byte that cannot follow it is a broken character of its own: the
// markup after it is found by every operation.
TEST(BrokenCharacters, NeverSwallowTheMarkupAfterThem) {
  struct Case {
    const char* text;
    std::size_t closing;  // where "</a>" starts
  };
  const std::array cases{
      Case{"\x81</a>", 1},         Case{"x\xFE</a>", 2},    Case{"\xB5\x7F</a>", 2},
      Case{"\x80\xB0\xA1</a>", 3},  // 0x80 leads nothing; the pair after it is whole
      Case{"\xFF\x40</a>", 2},     Case{"\xB0\xA1</a>", 2},  // a whole pair, for contrast
  };
  for (const auto& [text, closing] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(find_text(text, "</a>"), closing);
    const Text link = std::string("<a>") + text + "</a><b>";
    EXPECT_EQ(text_between(link, "<a>", "</a>"), Text(text).substr(0, closing));
    EXPECT_EQ(replace_all(link, "</a>", ""),
              std::string("<a>") + Text(text).substr(0, closing) + "<b>");
    EXPECT_EQ(split(link, "</a>").front(), std::string("<a>") + Text(text).substr(0, closing));
  }
  EXPECT_EQ(lower_ascii("\x81<A"), "\x81<a");  // after a broken character a letter is one
}

TEST(TextBetween, CutsBetweenTheFirstLeftAndTheNextRight) {
  struct Case {
    const char* text;
    const char* left;
    const char* right;
    long start;
    const char* expected;
  };
  const std::array cases{
      Case{"x<a>1</a><a>2</a>", "<a>", "</a>", 0, "1"},
      Case{"x<a>1</a><a>2</a>", "<a>", "</a>", 6, "2"},
      Case{"x<a>1</a>", "<b>", "</a>", 0, ""},
      Case{"</a>x<a>1", "<a>", "</a>", 0, ""},  // right marker only before the left one
      Case{"<a></a>", "<a>", "</a>", 0, ""},
      Case{"<a>1</a>", "<a>", "", 0, ""},
      Case{"head</a>", "", "</a>", 0, "head"},
      Case{"<a>keep  </a>", "<a>", "</a>", -3, "keep  "},
      Case{"<div id=\"c\">t</div>",
           "<div id=#\xD2\xFD\xBA\xC5"
           "c#\xD2\xFD\xBA\xC5>",
           "</div>", 0, "t"},
  };
  for (const auto& [text, left, right, start, expected] : cases)
    EXPECT_EQ(text_between(text, left, right, start), expected) << text;
  EXPECT_EQ(text_between("<A>x</a>", "<a>", "</A>", 0, true), "x");
}

TEST(TextFromBody, StopsAtTheFirstZeroByte) {
  EXPECT_EQ(text_from_body(Bytes("ab\0cd", 5)), "ab");
  EXPECT_EQ(text_from_body("abc"), "abc");
  EXPECT_EQ(text_from_body(Bytes("\0", 1)), "");
}

// Random GBK-ish buffers: every hit of find_text is a real match on a character boundary, and
// replace_all of a needle by itself gives the text back.
TEST(FindText, RandomBuffersKeepTheBoundaryRule) {
  std::mt19937 rng(7);
  const char alphabet[] = {'a', '@', 'A', '<', '\xB0', '\xA1', '\xB5', '\x40', '\x80', '\xFF'};
  for (int round = 0; round < 2000; ++round) {
    Text hay, needle;
    for (int i = rng() % 24; i > 0; --i) hay += alphabet[rng() % sizeof alphabet];
    for (int i = 1 + rng() % 3; i > 0; --i) needle += alphabet[rng() % sizeof alphabet];
    std::vector<bool> boundary(hay.size() + 1, false);
    for (std::size_t i = 0; i < hay.size(); i += char_size(hay, i)) boundary[i] = true;
    std::size_t expected = npos;
    for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i)
      if (boundary[i] && hay.compare(i, needle.size(), needle) == 0) {
        expected = i;
        break;
      }
    ASSERT_EQ(find_text(hay, needle), expected) << hay << " / " << needle;
    ASSERT_EQ(replace_all(hay, needle, needle), hay);
  }
}

}  // namespace
}  // namespace lumetra
