// The shadow windows as the Qt toolkit shows them, on the offscreen platform: a window of their
// own beside the form windows, placed, cut and made click-through as the form and its layer say,
// and never shown where nothing composites translucent pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QRegion>
#include <QWidget>

#include "shadow/shadow.h"
#include "tests/shadow/sanitizers.h"
#include "tests/support/temp_dir.h"
#include "ui/main_form.h"
#include "ui/main_window.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/shadow_view.h"
#include "ui/secondary_windows.h"

namespace lumetra::shadow {
namespace {
using ui::Form;

TEST(ShadowView, AWindowOfItsOwnCutToTheBandAndHiddenWithoutACompositor) {
  testing::TempDir dir;
  ui::qt::QtToolkit tk;
  Shadows shadows(tk);
  tk.register_window(ui::window_kind::main, [&] {
    auto form = ui::make_main_form({"a", "b", "c", "d", "e"});
    ui::bind_main_window(tk, *form, {{}, dir.path() / "ver.ini"});
    shadows.wire_main_window(*form);
    return form;
  });
  Form& main = tk.load(ui::window_kind::main);
  Form* pool = shadows.shadow_window_of(shadows.main_shadow_window);
  ASSERT_NE(pool, nullptr);
  EXPECT_EQ(tk.window_of(*pool), nullptr);  // not a form window
  QWidget* view = ui::qt::shadow_view_of(*pool);
  ASSERT_NE(view, nullptr);
  ASSERT_NE(tk.window_of(main), nullptr);

  const ui::Rect owner = tk.window_rect(main);
  EXPECT_EQ(view->geometry(), QRect(owner.left - 20, owner.top - 20, 1040, 763));
  const QRegion mask = view->mask();
  EXPECT_TRUE(mask.contains(QPoint(0, 0)));
  EXPECT_TRUE(mask.contains(QPoint(19, 400)));
  EXPECT_TRUE(mask.contains(QPoint(1039, 762)));
  EXPECT_FALSE(mask.contains(QPoint(20, 20)));
  EXPECT_FALSE(mask.contains(QPoint(520, 381)));
  const Qt::WindowFlags flags = view->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowTransparentForInput));
  EXPECT_TRUE(flags.testFlag(Qt::BypassWindowManagerHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));

  // Placed and tracked all the same, but a person never sees a black frame.
  EXPECT_FALSE(ui::qt::compositing_manager_running());
  EXPECT_TRUE(layer_of(*pool)->shown);
  EXPECT_FALSE(view->isVisible());
  tk.window_moved(main, 100, 50);
  EXPECT_EQ(view->geometry(), QRect(80, 30, 1040, 763));

  tk.destroy(main);
}

}  // namespace
}  // namespace lumetra::shadow

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
