// The program's own start-up gives the main window and the exit confirmation their shadows.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "app/start.h"
#include "shadow/shadow.h"
#include "tests/support/temp_dir.h"
#include "ui/headless_toolkit.h"
#include "ui/main_names.h"
#include "ui/secondary_windows.h"

namespace lumetra::shadow {
namespace {
namespace kind = ui::window_kind;

TEST(StartUp, WiresTheShadowsOfTheMainWindowAndTheExitConfirmation) {
  testing::TempDir dir;
  ui::HeadlessToolkit tk;
  StartOptions options;
  options.program_dir = dir.path() / "program";
  options.version_file = dir.path() / "ver.ini";
  std::promise<ui::Form*> loaded;
  options.started = [&](ui::Form& main) { loaded.set_value(&main); };
  int code = -1;
  std::thread program([&] { code = start(tk, options); });
  ui::Form* main = loaded.get_future().get();
  auto settle = [&] { tk.run_on_ui([] {}); };
  auto pool = [&](int n) { return tk.find(shadow_window_kind(n)); };
  settle();

  ASSERT_NE(pool(1), nullptr);
  EXPECT_EQ(layer_of(*pool(1))->owner, main);
  EXPECT_TRUE(layer_of(*pool(1))->shown);
  const ui::Rect at = tk.window_rect(*main);
  EXPECT_EQ(tk.window_rect(*pool(1)),
            (ui::Rect{at.left - 20, at.top - 20, at.width + 40, at.height + 40}));

  tk.click(*main, ui::main_window::close_button);
  settle();
  ui::Form* ask = tk.find(kind::exit_confirmation);
  ASSERT_NE(ask, nullptr);
  ASSERT_NE(pool(2), nullptr);
  EXPECT_EQ(layer_of(*pool(2))->owner, ask);
  tk.click(*ask, ui::exit_window::close_button);
  settle();
  EXPECT_EQ(pool(2), nullptr);  // gone with its owner
  EXPECT_NE(pool(1), nullptr);

  tk.click(*main, ui::main_window::close_button);
  settle();
  ask = tk.find(kind::exit_confirmation);
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(layer_of(*pool(2))->owner, ask);  // the same pool window, for the new owner
  tk.click(*ask, ui::exit_window::confirm_button);
  program.join();
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace lumetra::shadow
