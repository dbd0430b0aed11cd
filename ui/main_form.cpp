#include "ui/main_form.h"

#include <algorithm>

#include "text/gbk.h"

namespace lumetra::ui {
namespace {

Control make(const char* name, ControlKind kind, const char* parent, int left, int top, int width,
             int height, Text text = {}) {
  Control c;
  c.name = name;
  c.kind = kind;
  c.parent = parent;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
  c.text = std::move(text);
  c.font = Font{"微软雅黑", 12, false};
  return c;
}

}  // namespace

std::unique_ptr<Form> make_main_form(std::vector<Text> site_entries) {
  using K = ControlKind;
  auto form = std::make_unique<Form>("主窗口", main_form_width, main_form_height);
  const char* page1 = "高级选择夹1:1";
  const char* page2 = "高级选择夹1:2";

  form->add(make("图片框_标题栏", K::picture_box, "", 0, 0, 1000, 70));
  form->add(make("图片框1", K::picture_box, "图片框_标题栏", -20, -3, 90, 56));
  Control title =
      make("透明标签_标题", K::transparent_label, "图片框_标题栏", 40, 19, 104, 32, "Lumetra");
  title.font = Font{"微软雅黑", 16, true};
  form->add(title);
  for (auto [name, left] : {std::pair{"菜单", 894}, {"最小化", 925}, {"关闭", 955}}) {
    Control button = make(name, K::picture_button, "图片框_标题栏", left, 20, 29, 29);
    button.tooltip = utf8_to_gbk(name);
    form->add(button);
  }
  form->add(make("画板_底面", K::canvas, "", 0, 70, 1000, 658));
  Control tabs = make("高级选择夹1", K::tab_control, "画板_底面", 0, 0, 1000, 658);
  tabs.pages = {"1", "2", "3", "4"};
  tabs.headers_hidden = true;
  form->add(tabs);

  Control sites = make("组合框1", K::combo_box, page1, 15, 20, 177, 25);
  std::sort(site_entries.begin(), site_entries.end());
  sites.items = std::move(site_entries);
  sites.sorted = true;
  sites.editable = false;
  form->add(sites);
  Control address = make("编辑框_链接", K::edit_box, page1, 204, 16, 512, 32);
  address.font.bold = true;
  form->add(address);
  form->add(make("超级按钮_采集", K::button, page1, 732, 16, 116, 30, gbk<"开始采集">()));
  form->add(make("标_13", K::label, page1, 731, 15, 117, 32));
  form->add(make("超级按钮_打开网页", K::button, page1, 862, 16, 116, 30, gbk<"打开网址">()));
  form->add(make("标_1", K::label, page1, 861, 16, 117, 32));
  Control list = make("超级列表框_章节列表", K::list_view, page1, 8, 66, 600, 568);
  list.columns = {gbk<"章节名称">(), gbk<"下载状态">(), gbk<"链接">()};
  list.column_widths = {200, 100, 300};
  form->add(list);
  form->add(make("编辑框_正文", K::edit_box, page1, 616, 66, 376, 560));

  // The counters use the toolkit's default face; the two totals stay hidden until a catalog
  // has been parsed.
  auto counter = [&](const char* name, int left, int width, Text text, bool bold) {
    Control c = make(name, K::transparent_label, page1, left, 627, width, 32, std::move(text));
    c.font = Font{"", 12, bold};
    c.visible = !bold;
    form->add(c);
  };
  counter("透明标签3", 8, 88, gbk<"总章节：">(), true);
  counter("透明标签4", 116, 124, gbk<"已下载章节：">(), true);
  counter("透明标签2", 248, 112, {}, false);
  Control timer = make("时钟1", K::timer, page1, 0, 0, 0, 0);
  timer.interval_ms = 500;
  form->add(timer);

  auto page2_control = [&](const char* name, K kind, int left, int top, int width, Text text) {
    Control c = make(name, kind, page2, left, top, width, 32, std::move(text));
    c.font = Font{"", 12, false};
    form->add(c);
  };
  page2_control("透明标签6", K::transparent_label, 25, 181, 48, gbk<"章节左侧">());
  page2_control("编辑框_章节左侧", K::edit_box, 80, 181, 328, {});
  page2_control("透明标签8", K::transparent_label, 23, 220, 50, gbk<"章节右侧">());
  page2_control("编辑框_章节右侧", K::edit_box, 80, 221, 328, {});
  return form;
}

}  // namespace lumetra::ui
