// The form model's rules: window kinds and their lifetime, activation, what a person does, the
// reports a view refreshes from, and the one exit.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>

#include "text/gbk.h"
#include "ui/headless_toolkit.h"

namespace lumetra::ui {
namespace {

// The headless toolkit with a view's ear: every change report is kept.
class RecordingToolkit : public HeadlessToolkit {
 public:
  std::vector<Change> changes() {
    std::lock_guard lock(mutex_);
    return changes_;
  }
  void forget() {
    std::lock_guard lock(mutex_);
    changes_.clear();
  }

 protected:
  void changed(const Change& change) override {
    {
      std::lock_guard lock(mutex_);
      changes_.push_back(change);
    }
    HeadlessToolkit::changed(change);
  }

 private:
  std::mutex mutex_;
  std::vector<Change> changes_;
};

Control control(const char* name, ControlKind kind) {
  Control c;
  c.name = name;
  c.kind = kind;
  if (kind == ControlKind::list_view) c.columns = {"a", "b", "c"};
  return c;
}

// A window of every kind of control, draggable, closed by Esc; counts its window events.
struct Counts {
  std::atomic<int> created{0}, first{0}, activated{0}, deactivated{0}, destroyed{0}, moved{0};
};
std::unique_ptr<Form> sample_form(Counts& counts, bool draggable = true,
                                  const char* name = "sample") {
  auto form = std::make_unique<Form>(name, 200, 100);
  form->window().draggable = draggable;
  form->window().closed_by_escape = true;
  using K = ControlKind;
  for (auto [name, kind] : {std::pair{"picture", K::picture_box},
                            {"label", K::label},
                            {"clear", K::transparent_label},
                            {"button", K::button},
                            {"image", K::picture_button},
                            {"edit", K::edit_box},
                            {"list", K::list_view},
                            {"tabs", K::tab_control},
                            {"canvas", K::canvas}})
    form->add(control(name, kind));
  form->on("", Event::created, [&] { ++counts.created; });
  form->on("", Event::first_activated, [&] { ++counts.first; });
  form->on("", Event::activated, [&] { ++counts.activated; });
  form->on("", Event::deactivated, [&] { ++counts.deactivated; });
  form->on("", Event::will_be_destroyed, [&] { ++counts.destroyed; });
  form->on("", Event::position_changed, [&] { ++counts.moved; });
  return form;
}

TEST(WindowKinds, OneWindowOfAKindAtATimeEachOpeningFresh) {
  RecordingToolkit tk;
  Counts counts;
  int built = 0;
  tk.register_window("sample", [&] {
    ++built;
    return sample_form(counts);
  });
  Form* first = nullptr;
  Form* again = nullptr;
  tk.run_on_ui([&] {
    first = &tk.load("sample");
    tk.set_text(*first, "edit", "typed");
    again = &tk.load("sample");  // still open: brought to the front
  });
  EXPECT_EQ(first, again);
  EXPECT_EQ(built, 1);
  EXPECT_EQ(tk.find("sample"), first);
  auto changes = tk.changes();
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.back().what, Change::What::raise);

  tk.run_on_ui([&] { tk.destroy(*first); });
  EXPECT_FALSE(tk.is_loaded(*first));
  EXPECT_EQ(tk.find("sample"), nullptr);
  EXPECT_EQ(counts.destroyed, 1);
  tk.run_on_ui([&] { tk.destroy(*first); });  // gone already: nothing happens
  EXPECT_EQ(counts.destroyed, 1);

  Form* fresh = nullptr;
  tk.run_on_ui([&] { fresh = &tk.load("sample"); });
  EXPECT_EQ(built, 2);
  EXPECT_EQ(counts.created, 2);
  EXPECT_EQ(tk.text(*fresh, "edit"), "");
  EXPECT_THROW(tk.run_on_ui([&] { tk.load("never registered"); }), std::out_of_range);
}

TEST(WindowKinds, AHandlerMayDestroyItsOwnWindow) {
  HeadlessToolkit tk;
  Counts counts;
  tk.register_window("sample", [&] {
    auto form = sample_form(counts);
    Form* f = form.get();
    // The handler goes on running out of the destroyed form after `destroy` returns.
    std::string kept = "still readable after destroy";
    f->on("button", Event::clicked, [&tk, f, kept] {
      tk.destroy(*f);
      EXPECT_EQ(kept.size(), 28u);
      EXPECT_FALSE(tk.is_loaded(*f));
    });
    return form;
  });
  Form* f = nullptr;
  tk.run_on_ui([&] { f = &tk.load("sample"); });
  tk.click(*f, "button");
  EXPECT_EQ(tk.find("sample"), nullptr);
  tk.click(*f, "button");  // a late click on a closed window does nothing
  EXPECT_EQ(counts.destroyed, 1);
}

TEST(WindowKinds, FirstActivationComesFromThePlatformNotFromLoad) {
  HeadlessToolkit tk;
  Counts counts;
  Form* f = nullptr;
  int first_inside_load = -1;
  tk.run_on_ui([&] {
    f = &tk.load(sample_form(counts));
    first_inside_load = counts.first;
  });
  EXPECT_EQ(first_inside_load, 0);
  EXPECT_EQ(counts.created, 1);
  tk.run_on_ui([] {});  // the headless window system's activation was queued by the load
  EXPECT_EQ(counts.first, 1);
  EXPECT_EQ(counts.activated, 1);
  tk.deactivate(*f);
  tk.activate(*f);
  EXPECT_EQ(counts.first, 1);
  EXPECT_EQ(counts.activated, 2);
  EXPECT_EQ(counts.deactivated, 1);
}

TEST(WindowKinds, ACentredWindowKeepsItsTopLeftCornerOnTheScreen) {
  HeadlessToolkit tk;  // a 1920 x 1080 screen
  for (auto [width, height, left, top] :
       {std::tuple{200, 100, 860, 490}, {1920, 1080, 0, 0}, {2500, 1400, 0, 0}}) {
    auto form = std::make_unique<Form>("sized", width, height);
    form->window().centred = true;
    Form* f = nullptr;
    tk.run_on_ui([&] { f = &tk.load(std::move(form)); });
    const Rect r = tk.window_rect(*f);
    EXPECT_EQ(r.left, left) << width;
    EXPECT_EQ(r.top, top) << height;
    tk.run_on_ui([&] { tk.destroy(*f); });
  }
}

TEST(WhatAPersonDoes, APressMovesTheWindowFromItsBackgroundPicturesAndLabelsOnly) {
  HeadlessToolkit tk;
  Counts counts;
  Form* movable = nullptr;
  Form* fixed = nullptr;
  tk.run_on_ui([&] {
    movable = &tk.load(sample_form(counts));
    fixed = &tk.load(sample_form(counts, false, "fixed"));
  });
  ASSERT_NE(movable, fixed);
  struct Case {
    const char* control;
    bool moves;
  };
  for (auto [name, moves] : {Case{"", true},
                             {"picture", true},
                             {"label", true},
                             {"clear", true},
                             {"button", false},
                             {"image", false},
                             {"edit", false},
                             {"list", false},
                             {"tabs", false},
                             {"canvas", false}}) {
    EXPECT_EQ(tk.press(*movable, name), moves) << name;
    EXPECT_FALSE(tk.press(*fixed, name)) << name;
  }
  tk.window_moved(*movable, 40, 50);
  EXPECT_EQ(tk.window_rect(*movable), (Rect{40, 50, 200, 100}));
  tk.window_state_changed(*movable, WindowState::minimised);
  EXPECT_EQ(tk.window_state(*movable), WindowState::minimised);
  EXPECT_EQ(counts.moved, 2);
  tk.escape(*movable);
  EXPECT_FALSE(tk.is_loaded(*movable));
}

TEST(WhatAPersonDoes, TypedTextBecomesGbkWithQuestionMarksForTheRest) {
  struct Case {
    const char* utf8;
    Text gbk;
  };
  const Case cases[] = {
      {"http://127.0.0.1/a?b=1", "http://127.0.0.1/a?b=1"},
      {"剑来　第一章", gbk<"剑来　第一章">()},
      {"caf\xC3\xA9", gbk<"café">()},      // é is in the code page
      {"\xED\x95\x9C\xEA\xB8\x80", "??"},  // Hangul is not
      {"\xF0\x9F\x98\x80!", "?!"},         // nor anything past the basic plane
      {"a\xFF"
       "b\xE4\xB8",
       "a?b?"},                           // malformed and cut-off bytes
      {"\xC0\xAF", "??"},                 // an overlong "/" is no "/"
      {"\xED\xA0\x80", "?"},              // a lone surrogate
      {"\xF8\x88\x80\x80\x80", "?????"},  // no five-byte forms
  };
  for (const auto& [utf8, expected] : cases) EXPECT_EQ(typed_to_gbk(utf8), expected) << utf8;

  HeadlessToolkit tk;
  Counts counts;
  Form* f = nullptr;
  tk.run_on_ui([&] { f = &tk.load(sample_form(counts)); });
  std::vector<std::thread> typists;
  for (int t = 0; t < 4; ++t)
    typists.emplace_back([&] { tk.type_text(*f, "edit", "\xF0\x9F\x98\x80 中"); });
  for (auto& t : typists) t.join();
  EXPECT_EQ(tk.text(*f, "edit"), "? " + gbk<"中">());
}

TEST(ChangeReports, NameTheControlAndTheRowsThatChanged) {
  RecordingToolkit tk;
  Counts counts;
  Form* f = nullptr;
  tk.run_on_ui([&] { f = &tk.load(sample_form(counts)); });
  for (int i = 0; i < 1000; ++i) tk.list_insert(*f, "list", i);
  tk.forget();

  tk.list_set_cell(*f, "list", 500, 1, "done");
  tk.list_set_cell(*f, "list", 5000, 1, "no such row");  // changes nothing, reports nothing
  tk.list_insert(*f, "list", 3);
  tk.set_text(*f, "edit", "x");
  tk.move_window(*f, 1, 2, 200, 100);
  tk.list_clear(*f, "list");
  using W = Change::What;
  struct Expected {
    W what;
    std::string control;
    int first, last;
  };
  const Expected expected[] = {{W::rows_changed, "list", 500, 500},
                               {W::rows_inserted, "list", 3, 3},
                               {W::control, "edit", -1, -1},
                               {W::window, "", -1, -1},
                               {W::rows_cleared, "list", -1, -1}};
  auto changes = tk.changes();
  ASSERT_EQ(changes.size(), std::size(expected));
  for (std::size_t i = 0; i < changes.size(); ++i) {
    EXPECT_EQ(changes[i].what, expected[i].what) << i;
    EXPECT_EQ(changes[i].form, f) << i;
    EXPECT_EQ(changes[i].control, expected[i].control) << i;
    EXPECT_EQ(changes[i].first_row, expected[i].first) << i;
    EXPECT_EQ(changes[i].last_row, expected[i].last) << i;
  }

  tk.forget();
  tk.run_on_ui([&] { tk.destroy(*f); });
  changes = tk.changes();
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].what, W::destroyed);
}

TEST(ChangeReports, ListRowsCopiesOnlyTheRowsAsked) {
  HeadlessToolkit tk;
  Counts counts;
  Form* f = nullptr;
  tk.run_on_ui([&] { f = &tk.load(sample_form(counts)); });
  for (int i = 0; i < 10; ++i)
    tk.list_set_cell(*f, "list", tk.list_insert(*f, "list", i), 0, std::to_string(i));
  auto rows = tk.list_rows(*f, "list", 8, 20);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "8");
  EXPECT_TRUE(tk.list_rows(*f, "list", 5, 4).empty());
}

class EndingToolkit : public HeadlessToolkit {
 public:
  std::atomic<int> quits{0};

 protected:
  void quit(int code) override {
    ++quits;
    HeadlessToolkit::quit(code);
  }
};

TEST(Exit, RunsTheCleanUpOnceThenEndsTheLoop) {
  EndingToolkit tk;
  std::atomic<int> cleanups{0};
  tk.set_exit_cleanup([&] { ++cleanups; });
  Counts counts;
  Form* f = nullptr;
  tk.run_on_ui([&] { f = &tk.load(sample_form(counts)); });
  int code = -1;
  std::thread loop([&] { code = tk.run(*f); });
  std::vector<std::thread> enders;
  for (int i = 0; i < 4; ++i) enders.emplace_back([&] { tk.exit(0); });
  for (auto& t : enders) t.join();
  loop.join();
  tk.exit(3);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(cleanups, 1);
  EXPECT_EQ(tk.quits, 1);
  EXPECT_EQ(tk.exit_code(), 0);
}

}  // namespace
}  // namespace lumetra::ui
