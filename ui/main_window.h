// The main window's own handlers as plain functions over its form: set-up, the version file,
// the title bar's three buttons and "打开网址". The job's handlers (the start button, the site
// list, the timer and the job's creation steps) are bound by the collector.
//
// Usage: build the form with `make_main_form`, `bind_main_window` before the collector's `bind`
// (creation runs these steps first), then load it. All handlers run on the UI thread.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ui/form.h"
#include "ui/toolkit.h"

namespace lumetra::ui {

struct MainWindowSettings {
  // The home page of each site (UTF-8), by site index.
  std::vector<std::string> home_pages;
  std::filesystem::path version_file;
};

void bind_main_window(Toolkit& toolkit, Form& main, MainWindowSettings settings);

// Creation: the tab control's page headers hidden, the title bar buttons' tooltips.
void set_up_main_window(Toolkit& toolkit, Form& main);
// First activation: the version file deleted and written afresh, page "1" selected.
void renew_version_file(Toolkit& toolkit, Form& main, const std::filesystem::path& version_file);
// "菜单": the pop-up menu, placed under the menu button.
void open_menu(Toolkit& toolkit, Form& main);
void minimise_main_window(Toolkit& toolkit, Form& main);
// "关闭": the exit confirmation, asking "确定要退出吗？".
void ask_to_exit(Toolkit& toolkit);
// "打开网址": the selected site's home page; nothing without a selection.
void open_home_page(Toolkit& toolkit, Form& main, const std::vector<std::string>& home_pages);

}  // namespace lumetra::ui
