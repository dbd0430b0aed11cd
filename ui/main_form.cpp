#include "ui/main_form.h"

#include <algorithm>

#include "text/gbk.h"
#include "ui/main_names.h"

namespace lumetra::ui {
using namespace main_window;

std::unique_ptr<Form> make_main_form(std::vector<Text> site_entries) {
  using K = ControlKind;
  auto form = std::make_unique<Form>("主窗口", main_form_width, main_form_height);
  Window& w = form->window();
  w.centred = true;
  w.in_taskbar = true;
  w.minimisable = true;
  w.draggable = true;
  w.close_control = close_button;  // a close request from the desktop asks first

  form->add(make_control(title_bar, K::picture_box, "", 0, 0, 1000, 70, {}, "main.title_bar"));
  form->add(make_control(logo, K::picture_box, title_bar, -20, -3, 90, 56, {}, "main.logo"));
  Control caption =
      make_control(title, K::transparent_label, title_bar, 40, 19, 104, 32, "Lumetra");
  caption.font = Font{"微软雅黑", 16, true};
  form->add(caption);
  // Their tooltips are attached when the window is created.
  form->add(
      make_control(menu_button, K::picture_button, title_bar, 894, 20, 29, 29, {}, "button.menu"));
  form->add(make_control(minimize_button, K::picture_button, title_bar, 925, 20, 29, 29, {},
                         "button.minimise"));
  form->add(make_control(close_button, K::picture_button, title_bar, 955, 20, 29, 29, {},
                         "button.close"));
  form->add(make_control(body, K::canvas, "", 0, 70, 1000, 658, {}, "main.body"));
  Control tab_control = make_control(tabs, K::tab_control, body, 0, 0, 1000, 658);
  tab_control.pages = {"1", "2", "3", "4"};
  tab_control.headers_hidden = true;
  form->add(tab_control);

  Control sites = make_control(site_list, K::combo_box, page1, 15, 20, 177, 25);
  std::sort(site_entries.begin(), site_entries.end());
  sites.items = std::move(site_entries);
  sites.sorted = true;
  sites.editable = false;
  form->add(sites);
  Control address = make_control(address_box, K::edit_box, page1, 204, 16, 512, 32);
  address.font.bold = true;
  form->add(address);
  form->add(make_control(start_button, K::button, page1, 732, 16, 116, 30, gbk<"开始采集">()));
  form->add(make_control(start_frame, K::label, page1, 731, 15, 117, 32, {}, "main.button_frame"));
  form->add(make_control(open_site_button, K::button, page1, 862, 16, 116, 30, gbk<"打开网址">()));
  form->add(
      make_control(open_site_frame, K::label, page1, 861, 16, 117, 32, {}, "main.button_frame"));
  Control list = make_control(chapter_list, K::list_view, page1, 8, 66, 600, 568);
  list.columns = {gbk<"章节名称">(), gbk<"下载状态">(), gbk<"链接">()};
  list.column_widths = {200, 100, 300};
  form->add(list);
  form->add(make_control(body_pane, K::edit_box, page1, 616, 66, 376, 560));

  // The counters use the toolkit's default face; the two totals stay hidden until a catalog
  // has been parsed.
  auto counter = [&](const char* name, int left, int width, Text text, bool bold) {
    Control c =
        make_control(name, K::transparent_label, page1, left, 627, width, 32, std::move(text));
    c.font = Font{"", 12, bold};
    c.visible = !bold;
    form->add(c);
  };
  counter(total_label, 8, 88, gbk<"总章节：">(), true);
  counter(downloaded_label, 116, 124, gbk<"已下载章节：">(), true);
  counter(running_label, 248, 112, {}, false);
  Control clock = make_control(timer, K::timer, page1, 0, 0, 0, 0);
  clock.interval_ms = 500;
  form->add(clock);

  auto page2_control = [&](const char* name, K kind, int left, int top, int width, Text text) {
    Control c = make_control(name, kind, page2, left, top, width, 32, std::move(text));
    c.font = Font{"", 12, false};
    form->add(c);
  };
  page2_control(left_caption, K::transparent_label, 25, 181, 48, gbk<"章节左侧">());
  page2_control(left_box, K::edit_box, 80, 181, 328, {});
  page2_control(right_caption, K::transparent_label, 23, 220, 50, gbk<"章节右侧">());
  page2_control(right_box, K::edit_box, 80, 221, 328, {});
  return form;
}

}  // namespace lumetra::ui
