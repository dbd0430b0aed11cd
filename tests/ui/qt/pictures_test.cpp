#include "ui/qt/pictures.h"

#include <cmath>
#include <set>
#include <string>

#include <QGuiApplication>

#include <gtest/gtest.h>

namespace {

using lumetra::ui::qt::colour;
using lumetra::ui::qt::Look;
using lumetra::ui::qt::picture;
using lumetra::ui::qt::pictures;
using lumetra::ui::qt::program_icon;

// Captions need fonts, and fonts need an application object.
class Pictures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "pictures_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
  }
};

// Drawn: something in the image is (nearly) opaque.
bool drawn(const QImage& image, QRect area = {}) {
  if (area.isNull()) area = image.rect();
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (qAlpha(image.pixel(x, y)) > 200) return true;
  return false;
}

int distinct_colours(const QImage& image) {
  std::set<QRgb> seen;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) seen.insert(image.pixel(x, y));
  return int(seen.size());
}

// WCAG relative luminance and contrast ratio: text under 4.5 to 1 is hard to read.
double luminance(const QColor& c) {
  auto channel = [](double v) {
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double contrast(const QColor& a, const QColor& b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(Pictures, EveryPictureHasItsSizeAndIsDrawnAndButtonsShowTheirLooks) {
  ASSERT_EQ(pictures().size(), 16u);
  for (const auto& info : pictures()) {
    SCOPED_TRACE(std::string(info.name));
    const QImage normal = picture(info.name, info.size);
    ASSERT_FALSE(normal.isNull());
    EXPECT_EQ(normal.size(), info.size);
    EXPECT_TRUE(drawn(normal));
    const QSize other(info.size.width() + 7, info.size.height() + 3);
    EXPECT_EQ(picture(info.name, other).size(), other);
    const QImage hover = picture(info.name, info.size, Look::hover);
    const QImage pressed = picture(info.name, info.size, Look::pressed);
    if (info.has_looks) {
      EXPECT_NE(hover, normal);
      EXPECT_NE(pressed, normal);
      EXPECT_NE(pressed, hover);
    } else {
      EXPECT_EQ(hover, normal);
      EXPECT_EQ(pressed, normal);
    }
  }
}

TEST_F(Pictures, UnknownNamesAndEmptySizesGiveNullImages) {
  EXPECT_TRUE(picture("button.maximise", {29, 29}).isNull());
  EXPECT_TRUE(picture("button.close", {0, 29}).isNull());
  EXPECT_TRUE(program_icon(0).isNull());
  EXPECT_FALSE(colour("no.such.role").isValid());
}

TEST_F(Pictures, TitleButtonsAreTransparentAroundTheGlyphSoAnyBarShowsThrough) {
  for (const char* name : {"button.menu", "button.minimise", "button.close"}) {
    const QImage image = picture(name, {29, 29});
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << name;
    EXPECT_TRUE(drawn(image, QRect(7, 7, 15, 15))) << name;
  }
}

TEST_F(Pictures, CaptionsAreDrawnIntoTheConfirmationButtons) {
  for (const char* name : {"confirm.ok", "confirm.cancel"}) {
    const QImage image = picture(name, {80, 26});
    const QRgb face = image.pixel(6, 13);
    int caption = 0;
    for (int x = 25; x < 55; ++x)
      for (int y = 5; y < 21; ++y) caption += image.pixel(x, y) != face;
    EXPECT_GT(caption, 40) << name;
  }
}

TEST_F(Pictures, TextColoursAreReadableOnTheirBackgrounds) {
  const struct {
    const char *text, *back;
  } pairs[] = {
      {"window.text", "body.background"}, {"edit.text", "edit.background"},
      {"button.text", "button.face"},     {"button.text", "button.pressed"},
      {"selection.text", "selection"},    {"list.header.text", "list.header"},
      {"menu.text", "menu.background"},   {"menu.text", "menu.hover"},
      {"dialog.text", "body.background"}, {"about.text", "list.background"},
  };
  for (const auto& pair : pairs)
    EXPECT_GE(contrast(colour(pair.text), colour(pair.back)), 4.5)
        << pair.text << " on " << pair.back;
  const QImage bar = picture("main.title_bar", {1000, 70});
  EXPECT_GE(contrast(colour("title.text"), bar.pixelColor(100, 35)), 4.5);
}

TEST_F(Pictures, TheIconIsASquareTileWithClearCorners) {
  for (int size : {16, 48, 256}) {
    const QImage icon = program_icon(size);
    ASSERT_EQ(icon.size(), QSize(size, size));
    EXPECT_LT(qAlpha(icon.pixel(0, 0)), 128) << size;
    EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << size;
    EXPECT_GT(distinct_colours(icon), 3) << size;
  }
}

}  // namespace
