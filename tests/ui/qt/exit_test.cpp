// Ending the program through the exit confirmation's 确定, in a child process: the exit code is
// 0, the clean-up runs once even when two threads ask to exit, and a running job does not hold
// the program open.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/start.h"
#include "tests/collect/site_pages.h"
#include "tests/collect/site_server.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt/qt_wait.h"
#include "text/gbk.h"
#include "ui/main_names.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/secondary_windows.h"

namespace lumetra::ui::qt {
namespace {

namespace names = main_window;
using lumetra::testing::wait_until;

QAbstractButton* button(QtToolkit& tk, Form& form, const char* name) {
  return tk.window_of(form)->findChild<QAbstractButton*>(QString::fromUtf8(name));
}

// Runs the program as main does, presses 关闭 and then 确定 once `ready` holds, and ends with
// the program's own exit code. A second exit from another thread races the first.
[[noreturn]] void run_and_confirm(const lumetra::testing::SiteServer& server, int site,
                                  const std::string& address,
                                  std::function<bool(QtToolkit&, Form&)> ready) {
  lumetra::testing::TempDir dir;
  QtToolkit tk;
  tk.answer_message_boxes([](const Text&) {});
  StartOptions options;
  options.sites = built_in_sites();
  options.sites->sites[site].host = server.host();
  options.program_dir = dir.path();
  options.version_file = dir.path() / "ver.ini";
  options.cleaned_up = [] {
    static std::atomic<int> runs{0};
    if (++runs > 1) std::_Exit(3);                                // a second clean-up
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // room for the race
    std::fprintf(stderr, "clean-up ran\n");
  };
  options.started = [&](Form& main) {
    QTimer::singleShot(0, [&tk, &main, site, address, ready] {
      if (!address.empty()) {
        tk.choose(main, names::site_list, site);
        tk.type_text(main, names::address_box, address);
        button(tk, main, names::start_button)->click();
      }
      wait_until([&] { return ready(tk, main); });
      button(tk, main, names::close_button)->click();
      Form* confirm = tk.find(window_kind::exit_confirmation);
      if (!confirm) std::_Exit(4);
      std::thread second([&tk] { tk.exit(0); });
      second.detach();
      button(tk, *confirm, exit_window::confirm_button)->click();
    });
  };
  const int code = start(tk, options);
  // The child ends without destructors, so its folder goes by hand.
  std::error_code ec;
  std::filesystem::remove_all(dir.path(), ec);
  std::fflush(nullptr);
  std::_Exit(code);
}

class Exit : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(Exit, ConfirmEndsWithCodeZeroAndOneCleanUp) {
  lumetra::testing::SiteServer server;
  EXPECT_EXIT(run_and_confirm(server, 0, {}, [](QtToolkit&, Form&) { return true; }),
              ::testing::ExitedWithCode(0), "clean-up ran");
}

TEST_F(Exit, ARunningJobDoesNotHoldTheProgramOpen) {
  // Chapters that answer only after a minute: the job is still downloading when 确定 is pressed.
  lumetra::testing::SiteServer server;
  const auto chapters = lumetra::testing::generated_chapters(0, server.host(), 300, 200);
  server.put(lumetra::testing::catalog_path(0),
             lumetra::testing::catalog_page(0, "slow", chapters, "http://" + server.host()));
  for (const auto& c : chapters)
    server.put(lumetra::testing::chapter_path(0, c), lumetra::testing::chapter_page(0, c.raw), 0,
               std::chrono::minutes(1));
  const std::string address = server.url(lumetra::testing::catalog_path(0));
  EXPECT_EXIT(run_and_confirm(server, 0, address,
                              [](QtToolkit& tk, Form& main) {
                                // The catalog is in: the workers are then waiting.
                                return tk.visible(main, names::total_label);
                              }),
              ::testing::ExitedWithCode(0), "clean-up ran");
}

}  // namespace
}  // namespace lumetra::ui::qt
