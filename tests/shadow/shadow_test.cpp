// The shadows of the main window and the exit confirmation over the headless toolkit: slots and
// pool windows, the window's place, shape and picture, and how it follows its owner.
#include <gtest/gtest.h>

#include "graphics/graphics.h"
#include "shadow/shadow.h"
#include "tests/shadow/sanitizers.h"
#include "tests/support/temp_dir.h"
#include "ui/headless_toolkit.h"
#include "ui/main_form.h"
#include "ui/main_names.h"
#include "ui/main_window.h"
#include "ui/secondary_windows.h"

namespace lumetra::shadow {
namespace {
using ui::Form;
using ui::Rect;
using ui::WindowState;
namespace kind = ui::window_kind;

// A decoded picture whose pixels the test reads.
class Picture {
 public:
  explicit Picture(const Bytes& bytes) { ok_ = bitmap_.from_bytes(bytes); }
  bool ok() const { return ok_; }
  int width() { return static_cast<int>(bitmap_.width()); }
  int height() { return static_cast<int>(bitmap_.height()); }
  ARGB at(int x, int y) { return bitmap_.get_pixel(x, y); }
  int alpha(int x, int y) { return static_cast<int>(at(x, y) >> 24); }

 private:
  Bitmap bitmap_;
  bool ok_ = false;
};

// The main window and the exit confirmation, each with its shadow, loaded and activated as a
// window system would.
class ShadowTest : public ::testing::Test {
 protected:
  ShadowTest() {
    ui::SecondaryWindowSettings settings;
    settings.extend_exit_confirmation = [this](Form& f) { shadows.wire_exit_confirmation(f); };
    ui::register_secondary_windows(tk, settings);
    tk.register_window(kind::main, [this] {
      auto form = ui::make_main_form({"a", "b", "c", "d", "e"});
      ui::bind_main_window(tk, *form, {{}, dir.path() / "ver.ini"});
      shadows.wire_main_window(*form);
      return form;
    });
    tk.run_on_ui([&] { main = &tk.load(kind::main); });
    settle();
  }
  ~ShadowTest() override {
    tk.run_on_ui([&] {
      for (const char* k : {kind::exit_confirmation, kind::main})
        if (Form* f = tk.find(k)) tk.destroy(*f);
    });
  }

  void settle() {
    tk.run_on_ui([] {});
  }
  Form* open_exit_confirmation() {
    tk.click(*main, ui::main_window::close_button);
    settle();
    return tk.find(kind::exit_confirmation);
  }
  Form* pool(int number) {
    Form* f = nullptr;
    tk.run_on_ui([&] { f = shadows.shadow_window_of(number); });
    return f;
  }
  Layer layer(int number) {
    Form* f = pool(number);
    EXPECT_NE(f, nullptr);
    return f ? layer_of(*f).value_or(Layer{}) : Layer{};
  }

  testing::TempDir dir;
  ui::HeadlessToolkit tk;
  Shadows shadows{tk};
  Form* main = nullptr;
};

TEST_F(ShadowTest, SlotsAreNeverReusedWhilePoolWindowsAre) {
  EXPECT_EQ(shadows.main_shadow_slot, 1);
  EXPECT_EQ(shadows.main_shadow_window, 1);
  EXPECT_TRUE(layer(1).shown);
  EXPECT_EQ(layer(1).owner, main);

  Form* ask = open_exit_confirmation();
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(shadows.dialog_shadow_slot, 2);
  EXPECT_EQ(shadows.dialog_shadow_window, 2);
  EXPECT_EQ(layer(2).owner, ask);

  // Cancel closes it, and its shadow with it.
  tk.press(*ask, ui::exit_window::cancel_area);
  settle();
  EXPECT_EQ(tk.find(kind::exit_confirmation), nullptr);
  EXPECT_EQ(pool(2), nullptr);
  EXPECT_EQ(shadows.pick_shadow_window(), 2);

  ask = open_exit_confirmation();
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(shadows.dialog_shadow_slot, 3);
  EXPECT_EQ(shadows.dialog_shadow_window, 2);
  EXPECT_EQ(layer(2).owner, ask);
  ASSERT_EQ(shadows.shadow_owners().size(), 3u);
  EXPECT_EQ(shadows.shadow_owners()[0], main);
  EXPECT_EQ(shadows.shadow_owners()[2], ask);
  EXPECT_EQ(shadows.shadow_sizes(), (std::vector<std::int32_t>{20, 20, 20}));

  // Its close button does the same.
  tk.click(*ask, ui::exit_window::close_button);
  settle();
  EXPECT_EQ(pool(2), nullptr);
  EXPECT_NE(pool(1), nullptr);  // the main window's stays
}

TEST_F(ShadowTest, SurroundsTheOwnerWithABandCutToItsShape) {
  const Rect owner = tk.window_rect(*main);
  ASSERT_EQ(owner.width, 1000);
  ASSERT_EQ(owner.height, 723);
  Form* window = pool(1);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(tk.window_rect(*window), (Rect{owner.left - 20, owner.top - 20, 1040, 763}));
  EXPECT_TRUE(layer(1).click_through);

  const ui::Window w = tk.window(*window);
  EXPECT_EQ(w.shape_colour, 0xFF00FFu);
  EXPECT_FALSE(w.in_taskbar);
  EXPECT_FALSE(w.draggable);
  Picture shape(w.shape_picture);
  ASSERT_TRUE(shape.ok());
  ASSERT_EQ(shape.width(), 1040);
  ASSERT_EQ(shape.height(), 763);
  const ARGB inside = 0xFFFFFFFF, outside = 0xFFFF00FF;
  // The owner's rectangle, corners included, is outside the window; the band all round is in.
  for (auto [x, y] : {std::pair{20, 20}, {1019, 20}, {20, 742}, {1019, 742}, {520, 381}})
    EXPECT_EQ(shape.at(x, y), outside) << x << "," << y;
  for (auto [x, y] : {std::pair{19, 20},
                      {20, 19},
                      {1020, 742},
                      {1019, 743},
                      {0, 0},
                      {1039, 762},
                      {10, 381},
                      {1030, 381},
                      {520, 5},
                      {520, 755}})
    EXPECT_EQ(shape.at(x, y), inside) << x << "," << y;
}

TEST_F(ShadowTest, PictureIsBlackNearTheOwnerAndFadesOutward) {
  Picture picture(layer(1).picture);
  ASSERT_TRUE(picture.ok());
  ASSERT_EQ(picture.width(), 1040);
  ASSERT_EQ(picture.height(), 763);
  // Across the left band at mid height, and down the top band at mid width: transparent at the
  // outer edge, rising without a step back, opaque black a band's width inside the owner.
  for (bool across : {true, false}) {
    auto alpha = [&](int d) { return across ? picture.alpha(d, 381) : picture.alpha(520, d); };
    EXPECT_LE(alpha(0), 8) << across;
    for (int d = 1; d <= 40; ++d) EXPECT_GE(alpha(d), alpha(d - 1)) << across << " " << d;
    EXPECT_GT(alpha(20), 64) << across;  // the owner's edge: half covered
    EXPECT_LT(alpha(20), 192) << across;
    EXPECT_EQ(alpha(40), 255) << across;
  }
  EXPECT_EQ(picture.at(520, 381), 0xFF000000u);
  EXPECT_EQ(picture.at(40, 40) & 0x00FFFFFFu, 0u);  // black wherever it shows
}

TEST_F(ShadowTest, FollowsItsOwnerAndHidesWhileItIsMinimised) {
  Form* window = pool(1);
  ASSERT_NE(window, nullptr);
  tk.window_moved(*main, 100, 50);
  EXPECT_EQ(tk.window_rect(*window), (Rect{80, 30, 1040, 763}));

  tk.window_state_changed(*main, WindowState::minimised);
  EXPECT_FALSE(layer(1).shown);
  tk.window_moved(*main, 300, 200);  // restored somewhere else
  tk.window_state_changed(*main, WindowState::normal);
  EXPECT_TRUE(layer(1).shown);
  EXPECT_EQ(tk.window_rect(*window), (Rect{280, 180, 1040, 763}));

  tk.activate(*main);  // an activation with the shadow already shown leaves it shown
  EXPECT_TRUE(layer(1).shown);

  Form* ask = open_exit_confirmation();
  ASSERT_NE(ask, nullptr);
  tk.window_moved(*ask, 10, 20);
  EXPECT_EQ(tk.window_rect(*pool(2)), (Rect{-10, 0, 400, 190}));
  EXPECT_EQ(tk.window_rect(*window), (Rect{280, 180, 1040, 763}));  // the other stays

  tk.focus(*ask);  // lifted, and back among the ordinary windows
  EXPECT_FALSE(tk.window(*pool(2)).topmost);
}

TEST_F(ShadowTest, MoreOwnersThanPoolWindowsGoWithoutAShadow) {
  std::vector<std::unique_ptr<Form>> owners;
  std::vector<std::pair<int, int>> got;
  tk.run_on_ui([&] {
    for (int i = 0; i < 10; ++i) {
      owners.push_back(std::make_unique<Form>("owner", 100, 80));
      int slot = 0, number = 0;
      shadows.attach_shadow(*owners.back(), slot, number);
      got.emplace_back(slot, number);
    }
    // An owner without a window and a free number: the tracking leaves everything alone.
    shadows.update_shadow(got.back().first, got.back().second);
    shadows.raise_shadow(0);
    shadows.detach_shadow(0);
    shadows.follow_owner(99, 1);
  });
  for (int i = 0; i < 9; ++i) EXPECT_EQ(got[i], std::pair(i + 2, i + 2));
  EXPECT_EQ(got[9], std::pair(11, 0));           // the eleventh slot finds all ten in use
  EXPECT_EQ(shadows.shadow_sizes().back(), 15);  // the size when none is given
  EXPECT_EQ(shadows.pick_shadow_window(), 0);
  EXPECT_EQ(shadows.shadow_window_of(11), nullptr);
  tk.run_on_ui([&] {
    for (int n = 2; n <= 10; ++n) shadows.detach_shadow(n);
  });
  EXPECT_EQ(shadows.pick_shadow_window(), 2);
}

TEST(ToArgb, SwapsRedAndBlueAndPutsTheAlphaOnTop) {
  EXPECT_EQ(to_argb(0x000000), 0xFF000000u);
  EXPECT_EQ(to_argb(0xFFFFFF), 0xFFFFFFFFu);
  EXPECT_EQ(to_argb(0xFF00FF), 0xFFFF00FFu);
  EXPECT_EQ(to_argb(0x123456), 0xFF563412u);
  EXPECT_EQ(to_argb(0x0000FF, 0x80), 0x80FF0000u);
  EXPECT_EQ(to_argb(0xAB000000u | 0x010203, 0), 0x00030201u);  // a stray top byte is dropped
}

}  // namespace
}  // namespace lumetra::shadow
