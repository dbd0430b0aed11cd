// The windows' handlers driven as a person would, over the headless toolkit, and the version
// file they keep.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/temp_dir.h"
#include "text/gbk.h"
#include "ui/headless_toolkit.h"
#include "ui/main_form.h"
#include "ui/main_names.h"
#include "ui/main_window.h"
#include "ui/secondary_windows.h"
#include "ui/version_file.h"

namespace lumetra::ui {
namespace {
namespace fs = std::filesystem;
using testing::read_file;
using testing::TempDir;
using testing::write_file;

const std::vector<std::string> home_pages = {"http://a.example", "https://b.example/",
                                             "http://c.example", "https://d.example",
                                             "http://e.example"};

// The main window with its own handlers (no job) and the three small windows, loaded and
// activated as a window system would.
class Windows : public ::testing::Test {
 protected:
  Windows() {
    version_file = dir.path() / "config" / "lumetra" / "ver.ini";
    SecondaryWindowSettings secondary;
    secondary.version_file = version_file;
    secondary.version_text = &version_text;
    register_secondary_windows(tk, std::move(secondary));
    tk.register_window(window_kind::main, [&] {
      auto form = make_main_form({"a", "b", "c", "d", "e"});
      MainWindowSettings settings;
      settings.home_pages = home_pages;
      settings.version_file = version_file;
      bind_main_window(tk, *form, std::move(settings));
      return form;
    });
    tk.run_on_ui([&] { main = &tk.load(window_kind::main); });
    settle();
  }
  ~Windows() override {
    tk.run_on_ui([&] { tk.destroy(*main); });
  }

  void settle() {
    tk.run_on_ui([] {});
  }  // runs what the window system queued before
  Form* open(const char* kind) {
    settle();
    return tk.find(kind);
  }

  HeadlessToolkit tk;
  TempDir dir;
  fs::path version_file;
  Text version_text;
  Form* main = nullptr;
};

const Text fresh_version_file = "[info]\nversion=2.1.0854.14394\n";

TEST_F(Windows, FirstActivationWritesTheVersionFileAndShowsPageOne) {
  EXPECT_EQ(read_file(version_file), fresh_version_file);
  EXPECT_EQ(tk.current_page(*main, main_window::tabs), 0);
  EXPECT_TRUE(tk.snapshot(*main, main_window::tabs).headers_hidden);
  EXPECT_EQ(tk.snapshot(*main, main_window::close_button).tooltip, gbk<"关闭">());
  EXPECT_EQ(tk.snapshot(*main, main_window::menu_button).tooltip, gbk<"菜单">());
  // Later activations leave the file alone.
  write_file(version_file, "[other]\nkey=1\n");
  tk.deactivate(*main);
  tk.activate(*main);
  EXPECT_EQ(read_file(version_file), "[other]\nkey=1\n");
}

TEST_F(Windows, OpenSiteOpensTheSelectedSitesHomePage) {
  tk.set_selection(*main, main_window::site_list, -1);
  tk.click(*main, main_window::open_site_button);
  EXPECT_TRUE(tk.opened().empty());
  for (int site = 0; site < 5; ++site) {
    tk.set_selection(*main, main_window::site_list, site);
    tk.click(*main, main_window::open_site_button);
  }
  EXPECT_EQ(tk.opened(), home_pages);
}

TEST_F(Windows, TitleBarButtons) {
  tk.move_window(*main, 100, 40, 1000, 723);
  tk.click(*main, main_window::menu_button);
  Form* menu = open(window_kind::menu);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(tk.window_rect(*menu), (Rect{960, 95, 100, 116}));
  tk.escape(*menu);
  EXPECT_EQ(open(window_kind::menu), nullptr);

  tk.click(*main, main_window::minimize_button);
  EXPECT_EQ(tk.window_state(*main), WindowState::minimised);

  // The desktop's close request asks first, like the close button.
  tk.close_requested(*main);
  Form* ask = open(window_kind::exit_confirmation);
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(tk.text(*ask, exit_window::question), gbk<"确定要退出吗？">());
  EXPECT_FALSE(tk.visible(*ask, exit_window::update_button));
  EXPECT_FALSE(tk.visible(*ask, exit_window::spare_label));
  EXPECT_TRUE(tk.window(*ask).topmost);
}

TEST_F(Windows, CheckForUpdateAnswersAndTheMenuCloses) {
  tk.click(*main, main_window::menu_button);
  Form* menu = open(window_kind::menu);
  ASSERT_NE(menu, nullptr);
  tk.click(*menu, menu_window::check_update);
  EXPECT_EQ(tk.messages(), std::vector<Text>{gbk<"已是最新版本">()});
  EXPECT_EQ(open(window_kind::menu), nullptr);
}

TEST_F(Windows, MenuLinksOpenAndTheMenuCloses) {
  struct Case {
    const char* button;
    std::string link;
  };
  for (const auto& [button, link] :
       {Case{menu_window::feedback, "mailto:feedback@lumetra.example?subject=Lumetra"},
        Case{menu_window::contact, "xmpp:contact@lumetra.example?roster"}}) {
    tk.click(*main, main_window::menu_button);
    Form* menu = open(window_kind::menu);
    ASSERT_NE(menu, nullptr);
    tk.click(*menu, button);
    EXPECT_EQ(tk.opened().back(), link);
    EXPECT_EQ(open(window_kind::menu), nullptr);
  }
}

TEST_F(Windows, AboutShowsTheVersionOncePerOpening) {
  const Text credits = gbk<"Lumetra 网络小说下载工具">() + " 2.1.0854.14394";
  for (int opening = 0; opening < 2; ++opening) {
    tk.click(*main, main_window::menu_button);
    Form* menu = open(window_kind::menu);
    ASSERT_NE(menu, nullptr);
    tk.click(*menu, menu_window::about);
    Form* about = open(window_kind::about);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(open(window_kind::menu), nullptr);
    EXPECT_EQ(tk.text(*about, about_window::credits), credits);
    EXPECT_EQ(tk.text(*about, about_window::version_line), gbk<"版本：2.1.0854.14394">());
    EXPECT_EQ(version_text, "2.1.0854.14394");
    tk.click(*about, about_window::close_button);
    EXPECT_EQ(open(window_kind::about), nullptr);
  }
  // Without a version file the line reads "版本：" alone.
  fs::remove(version_file);
  Form* about = nullptr;
  tk.run_on_ui([&] { about = &tk.load(window_kind::about); });
  EXPECT_EQ(tk.text(*about, about_window::version_line), gbk<"版本：">());
}

TEST_F(Windows, CancellingTheExitKeepsTheProgramAndAskingAgainOpensItAnew) {
  std::atomic<int> cleanups{0};
  tk.set_exit_cleanup([&] { ++cleanups; });
  tk.click(*main, main_window::close_button);
  Form* ask = open(window_kind::exit_confirmation);
  ASSERT_NE(ask, nullptr);
  tk.click(*main, main_window::close_button);  // a second press while it is open
  EXPECT_EQ(open(window_kind::exit_confirmation), ask);
  EXPECT_FALSE(tk.press(*ask, exit_window::cancel_area));  // cancels: no move of a closed window
  EXPECT_EQ(open(window_kind::exit_confirmation), nullptr);
  EXPECT_TRUE(tk.is_loaded(*main));

  tk.click(*main, main_window::close_button);
  ask = open(window_kind::exit_confirmation);
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(tk.text(*ask, exit_window::question), gbk<"确定要退出吗？">());
  tk.click(*ask, exit_window::close_button);
  EXPECT_EQ(open(window_kind::exit_confirmation), nullptr);
  EXPECT_EQ(cleanups, 0);
  EXPECT_FALSE(tk.exit_code());

  tk.click(*main, main_window::close_button);
  tk.click(*open(window_kind::exit_confirmation), exit_window::confirm_button);
  EXPECT_EQ(cleanups, 1);
  EXPECT_EQ(tk.exit_code(), 0);
}

TEST_F(Windows, EveryPictureControlNamesItsPicture) {
  std::vector<std::unique_ptr<Form>> forms;
  forms.push_back(make_main_form({}));
  forms.push_back(make_menu_form());
  forms.push_back(make_exit_confirmation_form());
  forms.push_back(make_about_form());
  for (const auto& form : forms)
    for (const std::string& name : form->order()) {
      const Control& c = form->control(name);
      bool drawn = c.kind == ControlKind::picture_box || c.kind == ControlKind::picture_button ||
                   c.kind == ControlKind::canvas || c.kind == ControlKind::shape_box;
      if (drawn && c.visible) {
        EXPECT_FALSE(c.picture.empty()) << form->name() << " " << name;
      }
    }
}

TEST(VersionFile, IsReplacedWholeAndReadLeniently) {
  TempDir dir;
  fs::path file = dir.path() / "new" / "folder" / "ver.ini";
  write_version_file(file);  // the folder is created
  EXPECT_EQ(read_file(file), fresh_version_file);
  write_file(file, "[info]\nversion=1.0\nother=x\n[more]\nkey=2\n");
  write_version_file(file);
  EXPECT_EQ(read_file(file), fresh_version_file);

  struct Case {
    const char* content;
    Text expected;
  };
  for (const auto& [content, expected] : {
           Case{"[Info]\r\nVERSION = 2.0 \r\n", "2.0"},
           Case{"; note\n[other]\nversion=1\n[info]\nversion=\"3.0\"\n", "3.0"},
           Case{"[info]\nname=x\n", "fallback"},
           Case{"version=4\n[info]\n", "fallback"},
           Case{"[info\nversion=5\n", "fallback"},
       }) {
    write_file(file, content);
    EXPECT_EQ(read_ini_value(file, "info", "version", "fallback"), expected) << content;
  }
  EXPECT_EQ(read_ini_value(dir.path() / "missing.ini", "info", "version"), "");
}

TEST(VersionFile, LivesInTheUsersConfigurationFolder) {
  const char* saved_config = std::getenv("XDG_CONFIG_HOME");
  std::string saved = saved_config ? saved_config : "";
  if (!std::getenv("HOME")) ::setenv("HOME", "/home/someone", 1);
  const std::string home = std::getenv("HOME");
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(version_file_path(), fs::path("/cfg/lumetra/ver.ini"));
  ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // not absolute: ignored
  EXPECT_EQ(version_file_path(), fs::path(home) / ".config/lumetra/ver.ini");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(version_file_path(), fs::path(home) / ".config/lumetra/ver.ini");
  if (saved_config) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace lumetra::ui
