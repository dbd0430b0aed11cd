#include "ui/main_window.h"

#include <memory>

#include "text/gbk.h"
#include "ui/main_names.h"
#include "ui/secondary_windows.h"
#include "ui/version_file.h"

namespace lumetra::ui {

void bind_main_window(Toolkit& toolkit, Form& main, MainWindowSettings settings) {
  using namespace main_window;
  auto shared = std::make_shared<MainWindowSettings>(std::move(settings));
  Toolkit* tk = &toolkit;
  Form* f = &main;
  main.on("", Event::created, [tk, f] { set_up_main_window(*tk, *f); });
  main.on("", Event::first_activated,
          [tk, f, shared] { renew_version_file(*tk, *f, shared->version_file); });
  main.on(menu_button, Event::clicked, [tk, f] { open_menu(*tk, *f); });
  main.on(minimize_button, Event::clicked, [tk, f] { minimise_main_window(*tk, *f); });
  main.on(close_button, Event::clicked, [tk] { ask_to_exit(*tk); });
  main.on(open_site_button, Event::clicked,
          [tk, f, shared] { open_home_page(*tk, *f, shared->home_pages); });
}

void set_up_main_window(Toolkit& toolkit, Form& main) {
  using namespace main_window;
  toolkit.set_page_headers_hidden(main, tabs, true);
  toolkit.set_tooltip(main, close_button, gbk<"关闭">());
  toolkit.set_tooltip(main, minimize_button, gbk<"最小化">());
  toolkit.set_tooltip(main, menu_button, gbk<"菜单">());
}

void renew_version_file(Toolkit& toolkit, Form& main, const std::filesystem::path& version_file) {
  write_version_file(version_file);
  toolkit.set_current_page(main, main_window::tabs, 0);
}

void open_menu(Toolkit& toolkit, Form& main) {
  Form& menu = toolkit.load(window_kind::menu);
  Rect at = toolkit.window_rect(main);
  Rect size = toolkit.window_rect(menu);
  toolkit.move_window(menu, at.left + 860, at.top + 55, size.width, size.height);
}

void minimise_main_window(Toolkit& toolkit, Form& main) {
  toolkit.set_window_state(main, WindowState::minimised);
}

void ask_to_exit(Toolkit& toolkit) {
  using namespace exit_window;
  Form& ask = toolkit.load(window_kind::exit_confirmation);
  toolkit.set_visible(ask, update_button, false);
  toolkit.set_visible(ask, spare_label, false);
  toolkit.set_text(ask, question, gbk<"确定要退出吗？">());
}

void open_home_page(Toolkit& toolkit, Form& main, const std::vector<std::string>& home_pages) {
  int site = toolkit.selection(main, main_window::site_list);
  if (site < 0 || site >= static_cast<int>(home_pages.size())) return;
  toolkit.open_in_shell(home_pages[site]);
}

}  // namespace lumetra::ui
