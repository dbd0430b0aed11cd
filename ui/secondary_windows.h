// The three small windows of the main window's title bar: the pop-up menu, the exit
// confirmation and the about window, as forms and as handlers over forms.
//
// Usage: `register_secondary_windows(toolkit, settings)` once at start-up; afterwards
// `toolkit.load(window_kind::menu)` (or `exit_confirmation`, `about`) builds a fresh window from
// its design texts each time, one of each kind at a time. All handlers run on the UI thread.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "text/text.h"
#include "ui/form.h"
#include "ui/toolkit.h"

namespace lumetra::ui {

namespace window_kind {
inline constexpr const char* main = "main";
inline constexpr const char* menu = "menu";
inline constexpr const char* exit_confirmation = "exit_confirmation";
inline constexpr const char* about = "about";
}  // namespace window_kind

namespace menu_window {
inline constexpr const char* border = "外形框1";
inline constexpr const char* body = "画板1";
inline constexpr const char* check_update = "超级按钮1";
inline constexpr const char* feedback = "超级按钮2";
inline constexpr const char* contact = "超级按钮3";
inline constexpr const char* about = "超级按钮4";
}  // namespace menu_window

namespace exit_window {
inline constexpr const char* title_bar = "图片框_标题栏";
inline constexpr const char* caption = "透明标签1";
inline constexpr const char* close_button = "关闭";
inline constexpr const char* body = "画板1";
inline constexpr const char* icon = "图片框2";
inline constexpr const char* question = "透明标签2";
inline constexpr const char* confirm_button = "图形按钮_确定";
inline constexpr const char* cancel_picture = "图片框1";
inline constexpr const char* cancel_area = "透明标签3";
inline constexpr const char* update_button = "图形按钮_更新";
inline constexpr const char* spare_label = "透明标签4";
}  // namespace exit_window

namespace about_window {
inline constexpr const char* background = "dt";
inline constexpr const char* logo = "图片框_logo";
inline constexpr const char* version_line = "标签2";
inline constexpr const char* credits = "标签3";
inline constexpr const char* close_button = "关闭";
}  // namespace about_window

// The menu's two links: a mail to the project and a messenger's add-contact link.
struct ShellLinks {
  std::string feedback = "mailto:feedback@lumetra.example?subject=Lumetra";
  std::string contact = "xmpp:contact@lumetra.example?roster";
};

struct SecondaryWindowSettings {
  ShellLinks links;
  std::filesystem::path version_file;
  // The process-wide version text, which the about window replaces at each opening; it must
  // outlive the toolkit's windows. Null: the about window keeps its own.
  Text* version_text = nullptr;
  // Binds further handlers (its shadow's) to each new exit confirmation window. Empty: none.
  std::function<void(Form&)> extend_exit_confirmation;
};

// The forms as designed, without handlers.
std::unique_ptr<Form> make_menu_form();
std::unique_ptr<Form> make_exit_confirmation_form();
std::unique_ptr<Form> make_about_form();

// Registers the three kinds, each with its factory binding the handlers below.
void register_secondary_windows(Toolkit& toolkit, SecondaryWindowSettings settings);

// Menu handlers.
void check_for_update(Toolkit& toolkit, Form& menu);
void open_link_from_menu(Toolkit& toolkit, Form& menu, const std::string& link);
void open_about_from_menu(Toolkit& toolkit, Form& menu);
// About window creation: the version read from the file into `version_text`, then shown.
void show_version(Toolkit& toolkit, Form& about, const std::filesystem::path& version_file,
                  Text& version_text);

}  // namespace lumetra::ui
