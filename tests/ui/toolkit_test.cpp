#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "text/gbk.h"
#include "ui/headless_toolkit.h"
#include "ui/main_form.h"

namespace lumetra::ui {
namespace {

std::unique_ptr<Form> small_form() {
  auto form = std::make_unique<Form>("f", 100, 100);
  Control list;
  list.name = "list";
  list.kind = ControlKind::list_view;
  list.columns = {"a", "b", "c"};
  form->add(list);
  Control box;
  box.name = "box";
  box.kind = ControlKind::edit_box;
  form->add(box);
  Control combo;
  combo.name = "combo";
  combo.kind = ControlKind::combo_box;
  combo.items = {"x", "y"};
  form->add(combo);
  Control timer;
  timer.name = "timer";
  timer.kind = ControlKind::timer;
  timer.interval_ms = 20;
  form->add(timer);
  return form;
}

TEST(Toolkit, ListOperationsKeepRowsAndCells) {
  HeadlessToolkit tk;
  Form* f = nullptr;
  tk.run_on_ui([&] { f = &tk.load(small_form()); });
  EXPECT_EQ(tk.list_insert(*f, "list", 0), 0);
  EXPECT_EQ(tk.list_insert(*f, "list", 5), 1);  // past the end appends
  EXPECT_EQ(tk.list_insert(*f, "list", 0), 0);  // inserting moves the others down
  tk.list_set_cell(*f, "list", 1, 2, "link");
  tk.list_set_cell(*f, "list", 7, 0, "ignored");
  EXPECT_EQ(tk.list_count(*f, "list"), 3);
  EXPECT_EQ(tk.list_cell(*f, "list", 1, 2), "link");
  EXPECT_EQ(tk.list_cell(*f, "list", 2, 2), "");
  EXPECT_EQ(tk.list_cell(*f, "list", 9, 0), "");
  tk.list_clear(*f, "list");
  EXPECT_EQ(tk.list_count(*f, "list"), 0);
  EXPECT_THROW(tk.text(*f, "no such control"), std::out_of_range);
}

TEST(Toolkit, WritesFromManyThreadsAreSeenAtOnce) {
  HeadlessToolkit tk;
  Form* f = nullptr;
  tk.run_on_ui([&] { f = &tk.load(small_form()); });
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i) {
        int row = tk.list_insert(*f, "list", tk.list_count(*f, "list"));
        tk.list_set_cell(*f, "list", row, 0, std::to_string(t));
        tk.set_text(*f, "box", std::to_string(i));
        EXPECT_FALSE(tk.text(*f, "box").empty());
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(tk.list_count(*f, "list"), 800);
  EXPECT_EQ(tk.text(*f, "box"), "99");
}

TEST(HeadlessToolkit, RunsEventsOnItsUiThread) {
  HeadlessToolkit tk;
  auto form = small_form();
  std::atomic<int> ticks{0}, selected{0};
  std::atomic<bool> created_on_ui{false}, tick_on_ui{true};
  form->on("", Event::created, [&] { created_on_ui = tk.on_ui_thread(); });
  form->on("timer", Event::timer, [&] {
    if (!tk.on_ui_thread()) tick_on_ui = false;
    ++ticks;
  });
  form->on("combo", Event::item_selected, [&] { ++selected; });
  Form* f = nullptr;
  tk.run_on_ui([&] { f = &tk.load(std::move(form)); });
  EXPECT_TRUE(created_on_ui);

  tk.set_selection(*f, "combo", 1);  // the program's own selection raises nothing
  EXPECT_EQ(selected, 0);
  tk.choose(*f, "combo", 0);  // a person's does
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(tk.selection(*f, "combo"), 0);
  tk.set_selection(*f, "combo", 7);
  EXPECT_EQ(tk.selection(*f, "combo"), -1);

  for (int i = 0; i < 200 && ticks < 3; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_GE(ticks, 3);
  EXPECT_TRUE(tick_on_ui);

  std::thread([&] { tk.message_box("done"); }).join();
  EXPECT_TRUE(tk.wait_for_messages(1, std::chrono::seconds(1)));
  EXPECT_EQ(tk.messages(), std::vector<Text>{"done"});
}

TEST(MainForm, HoldsTheWindowsControlsInTheirInitialState) {
  auto form = make_main_form({gbk<"阅读悦">(), gbk<"笔趣阁">(), gbk<"无名小说">(),
                              gbk<"顶点小说">(), gbk<"恋上你看书">()});
  const Control& sites = form->control("组合框1");
  // Sorted by the code page's bytes, which for these names is the order of their readings.
  EXPECT_EQ(sites.items, (std::vector<Text>{gbk<"笔趣阁">(), gbk<"顶点小说">(), gbk<"恋上你看书">(),
                                            gbk<"无名小说">(), gbk<"阅读悦">()}));
  EXPECT_EQ(form->control("超级按钮_采集").text, gbk<"开始采集">());
  EXPECT_FALSE(form->control("透明标签3").visible);
  EXPECT_FALSE(form->control("透明标签4").visible);
  EXPECT_EQ(form->control("超级列表框_章节列表").columns.size(), 3u);
  EXPECT_EQ(form->control("时钟1").interval_ms, 500);
  EXPECT_TRUE(form->control("高级选择夹1").headers_hidden);
  for (const char* name : {"编辑框_章节左侧", "编辑框_章节右侧", "编辑框_正文", "透明标签2"})
    EXPECT_TRUE(form->has(name)) << name;
}

}  // namespace
}  // namespace lumetra::ui
