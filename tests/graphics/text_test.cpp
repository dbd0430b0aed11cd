// Text on the drawing surface: drawn, measured and split into character ranges.
#include <QGuiApplication>

#include "tests/graphics/started.h"

// Fontconfig keeps its configuration until the process ends; LeakSanitizer is told so here.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace lumetra {
namespace {

class TextTest : public Started {
 protected:
  // Fonts come from the platform, which needs a QGuiApplication; kept for the whole run.
  static void SetUpTestSuite() {
    if (QGuiApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "text_test";
    static char* argv[] = {name, nullptr};
    static auto* app = new QGuiApplication(argc, argv);
    (void)app;
  }
  void SetUp() override {
    Started::SetUp();
    ASSERT_TRUE(bitmap.create(200, 60));
    ASSERT_TRUE(g.from_image(bitmap));
    ASSERT_TRUE(black.create(0xFF000000));
    ASSERT_TRUE(family.create_sans_serif());
    ASSERT_TRUE(font.create(family, 20, 0, flat::UnitPixel));
    ASSERT_TRUE(format.create());
  }
  void TearDown() override {
    format.delete_();
    font.delete_();
    family.delete_();
    black.delete_();
    g.delete_();
    bitmap.dispose();
    Started::TearDown();
  }
  // Painted pixels within [x0, x1) × [y0, y1).
  int painted(int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += bitmap.get_pixel(x, y) != 0;
    return n;
  }

  Bitmap bitmap;
  Graphics g;
  SolidBrush black;
  FontFamily family;
  Font font;
  StringFormat format;
};

TEST_F(TextTest, DrawStringPaintsInsideItsLayoutOnly) {
  ASSERT_TRUE(g.draw_string("WWWWWWWWWWWWWWWWWWWWWWWW", font, black, {10, 10, 60, 30}, format));
  EXPECT_GT(painted(10, 10, 70, 40), 20);
  EXPECT_EQ(painted(70, 0, 200, 60), 0);
  EXPECT_EQ(painted(0, 0, 10, 60), 0);
}

TEST_F(TextTest, MeasureStringGrowsWithTheTextAndWraps) {
  flat::RectF one, two, wrapped;
  ASSERT_TRUE(g.measure_string("ab", font, {0, 0, 0, 0}, format, one));
  ASSERT_TRUE(g.measure_string("abab", font, {0, 0, 0, 0}, format, two));
  EXPECT_GT(one.width, 0);
  EXPECT_GT(one.height, 10);
  EXPECT_GT(two.width, one.width * 1.5f);
  ASSERT_TRUE(g.measure_string("ab ab ab ab ab ab", font, {0, 0, 40, 0}, format, wrapped));
  EXPECT_GT(wrapped.height, one.height * 2.5f);
  EXPECT_LE(wrapped.width, 40);
}

TEST_F(TextTest, CodePage936TextIsTheSameAsItsUtf16) {
  flat::RectF gbk, wide;
  ASSERT_TRUE(g.measure_string("\xCE\xC4\xD7\xD6", font, {0, 0, 0, 0}, format, gbk));
  ASSERT_TRUE(g.measure_string_wide(u"\u6587\u5B57", font, {0, 0, 0, 0}, format, wide));
  EXPECT_GT(gbk.width, 30);  // two ideographs of a 20-pixel font
  EXPECT_EQ(gbk.width, wide.width);
  EXPECT_EQ(gbk.height, wide.height);
  ASSERT_TRUE(g.draw_string("\xCE\xC4\xD7\xD6", font, black, {0, 0, 100, 40}, format));
  EXPECT_GT(painted(0, 0, 50, 40), 20);
}

TEST_F(TextTest, CharacterRangesGiveOneRegionEach) {
  ASSERT_TRUE(format.set_measurable_character_ranges({{0, 1}, {2, 2}}));
  std::vector<std::unique_ptr<Region>> list;
  ASSERT_TRUE(g.measure_character_ranges("AB CD", font, {5, 5, 190, 50}, format, 2, list));
  ASSERT_EQ(list.size(), 2u);
  flat::RectF a = list[0]->region_bounds(g), cd = list[1]->region_bounds(g);
  EXPECT_GE(a.x, 5);
  EXPECT_GT(a.width, 0);
  EXPECT_GT(cd.x, a.x + a.width);
  EXPECT_GT(cd.width, a.width);
  EXPECT_EQ(a.y, cd.y);

  // A count below 1 is refused before any call and leaves the list as it was.
  for (int count : {0, -3}) {
    last_status = kUntouched;
    EXPECT_FALSE(g.measure_character_ranges("AB", font, {0, 0, 100, 20}, format, count, list));
    EXPECT_EQ(last_status, flat::InvalidParameter);
    EXPECT_EQ(list.size(), 2u);
  }
  // Fewer regions than ranges, or a range past the text: refused, and no region is left over.
  EXPECT_FALSE(g.measure_character_ranges("AB CD", font, {0, 0, 100, 20}, format, 1, list));
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EXPECT_FALSE(g.measure_character_ranges("AB", font, {0, 0, 100, 20}, format, 2, list));
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EXPECT_EQ(list.size(), 2u);
}

TEST_F(TextTest, DriverStringPaintsAtItsPositions) {
  Matrix identity;
  ASSERT_TRUE(identity.create());
  ASSERT_TRUE(g.draw_driver_string("HH", font, black, {{120, 40}, {150, 40}}, identity));
  EXPECT_GT(painted(120, 20, 140, 41), 5);
  EXPECT_GT(painted(150, 20, 170, 41), 5);
  EXPECT_EQ(painted(0, 0, 115, 60), 0);
  EXPECT_FALSE(g.draw_driver_string("HH", font, black, {{120, 40}}, identity));
  EXPECT_EQ(last_status, flat::InvalidParameter);
}

TEST_F(TextTest, FamiliesAndFontsRefuseBadInput) {
  FontFamily missing, noto;
  EXPECT_FALSE(missing.create("No Such Family Anywhere"));
  EXPECT_EQ(last_status, flat::FontFamilyNotFound);
  EXPECT_EQ(missing.handle(), 0u);
  EXPECT_TRUE(noto.create("noto sans cjk sc"));  // installed by scripts/setup
  Font bad;
  EXPECT_FALSE(bad.create(noto, 0));
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EXPECT_FALSE(bad.create(missing, 12));
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EXPECT_FALSE(g.draw_string("x", bad, black, {0, 0, 10, 10}, format));
  EXPECT_EQ(last_status, flat::InvalidParameter);
}

}  // namespace
}  // namespace lumetra
