#include "ui/toolkit.h"

#include <algorithm>
#include <exception>
#include <future>
#include <stdexcept>

namespace lumetra::ui {

Toolkit::~Toolkit() = default;

// --- Windows ---------------------------------------------------------------------------------

void Toolkit::register_window(std::string kind, Factory factory) {
  std::lock_guard lock(mutex_);
  factories_[std::move(kind)] = std::move(factory);
}

Form& Toolkit::load(std::string_view kind) {
  if (Form* open = find(kind)) {
    report({Change::What::raise, open, {}});
    return *open;
  }
  Factory factory;
  {
    std::lock_guard lock(mutex_);
    auto it = factories_.find(kind);
    if (it == factories_.end())
      throw std::out_of_range("no window kind " + std::string(kind) + " is registered");
    factory = it->second;
  }
  return adopt(factory(), std::string(kind));
}

Form& Toolkit::load(std::unique_ptr<Form> form) {
  std::string kind = form->name();
  if (Form* open = find(kind)) {
    report({Change::What::raise, open, {}});
    return *open;
  }
  return adopt(std::move(form), std::move(kind));
}

Form& Toolkit::adopt(std::unique_ptr<Form> owned, std::string kind) {
  Form& form = *owned;
  form.set_kind(std::move(kind));
  Window& w = form.window();
  if (w.centred) {
    // A window larger than the screen keeps its top-left corner, and so its title bar, on it.
    Rect s = screen();
    w.left = s.left + std::max(0, (s.width - w.width) / 2);
    w.top = s.top + std::max(0, (s.height - w.height) / 2);
  }
  {
    std::lock_guard lock(mutex_);
    forms_.push_back(std::move(owned));
    revision_.fetch_add(1, std::memory_order_acq_rel);
  }
  raise(form, "", Event::created);
  if (is_loaded(form)) report({Change::What::loaded, &form, {}});
  return form;
}

void Toolkit::destroy(Form& form) {
  if (!is_loaded(form)) return;
  raise(form, "", Event::will_be_destroyed);
  std::unique_ptr<Form> owned;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(forms_.begin(), forms_.end(), [&](auto& f) { return f.get() == &form; });
    if (it == forms_.end()) return;  // a will-be-destroyed handler destroyed it already
    owned = std::move(*it);
    forms_.erase(it);
    std::erase(activated_, &form);
    revision_.fetch_add(1, std::memory_order_acq_rel);
  }
  report({Change::What::destroyed, &form, {}});
  // The handler that destroyed its own window is still running out of that form.
  destroyed_.push_back(std::move(owned));
  if (raising_ == 0) free_destroyed();
}

void Toolkit::free_destroyed() {
  destroyed_.clear();
}

bool Toolkit::is_loaded(const Form& form) const {
  std::lock_guard lock(mutex_);
  return std::any_of(forms_.begin(), forms_.end(), [&](auto& f) { return f.get() == &form; });
}

Form* Toolkit::find(std::string_view kind) const {
  std::lock_guard lock(mutex_);
  for (auto& f : forms_)
    if (f->kind() == kind) return f.get();
  return nullptr;
}

std::vector<Form*> Toolkit::loaded_forms() const {
  std::lock_guard lock(mutex_);
  std::vector<Form*> out;
  for (auto& f : forms_) out.push_back(f.get());
  return out;
}

// --- Writes and their reports ------------------------------------------------------------------

void Toolkit::report(Change change) {
  revision_.fetch_add(1, std::memory_order_acq_rel);
  changed(change);
}

template <typename F>
void Toolkit::write(Form& form, std::string_view control, F&& change) {
  Change what{Change::What::control, &form, std::string(control)};
  {
    std::lock_guard lock(mutex_);
    change(form.control(control), what);
  }
  report(std::move(what));
}

template <typename F>
void Toolkit::write_window(Form& form, F&& change) {
  {
    std::lock_guard lock(mutex_);
    change(form.window());
  }
  report({Change::What::window, &form, {}});
}

Window Toolkit::window(const Form& form) const {
  std::lock_guard lock(mutex_);
  return form.window();
}

Rect Toolkit::window_rect(const Form& form) const {
  std::lock_guard lock(mutex_);
  const Window& w = form.window();
  return {w.left, w.top, w.width, w.height};
}

void Toolkit::move_window(Form& form, int left, int top, int width, int height) {
  write_window(form, [&](Window& w) {
    w.left = left;
    w.top = top;
    w.width = std::max(width, 0);
    w.height = std::max(height, 0);
  });
}

WindowState Toolkit::window_state(const Form& form) const {
  std::lock_guard lock(mutex_);
  return form.window().state;
}

void Toolkit::set_window_state(Form& form, WindowState state) {
  write_window(form, [&](Window& w) { w.state = state; });
}

void Toolkit::set_topmost(Form& form, bool topmost) {
  write_window(form, [&](Window& w) { w.topmost = topmost; });
}

void Toolkit::set_shape(Form& form, Bytes picture, std::uint32_t colour) {
  write_window(form, [&](Window& w) {
    w.shape_picture = std::move(picture);
    w.shape_colour = colour;
  });
}

Text Toolkit::text(const Form& form, std::string_view control) const {
  std::lock_guard lock(mutex_);
  return form.control(control).text;
}

void Toolkit::set_text(Form& form, std::string_view control, const Text& value) {
  write(form, control, [&](Control& c, Change&) { c.text = value; });
}

bool Toolkit::visible(const Form& form, std::string_view control) const {
  std::lock_guard lock(mutex_);
  return form.control(control).visible;
}

void Toolkit::set_visible(Form& form, std::string_view control, bool visible) {
  write(form, control, [&](Control& c, Change&) { c.visible = visible; });
}

void Toolkit::set_tooltip(Form& form, std::string_view control, const Text& tooltip) {
  write(form, control, [&](Control& c, Change&) { c.tooltip = tooltip; });
}

int Toolkit::selection(const Form& form, std::string_view control) const {
  std::lock_guard lock(mutex_);
  return form.control(control).selection;
}

void Toolkit::set_selection(Form& form, std::string_view control, int index) {
  write(form, control, [&](Control& c, Change&) {
    c.selection = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
  });
}

int Toolkit::current_page(const Form& form, std::string_view control) const {
  std::lock_guard lock(mutex_);
  return form.control(control).current_page;
}

void Toolkit::set_current_page(Form& form, std::string_view control, int page) {
  write(form, control, [&](Control& c, Change&) { c.current_page = page; });
}

void Toolkit::set_page_headers_hidden(Form& form, std::string_view control, bool hidden) {
  write(form, control, [&](Control& c, Change&) { c.headers_hidden = hidden; });
}

void Toolkit::list_clear(Form& form, std::string_view list) {
  write(form, list, [](Control& c, Change& what) {
    c.rows.clear();
    what.what = Change::What::rows_cleared;
  });
}

int Toolkit::list_insert(Form& form, std::string_view list, int position) {
  int index = 0;
  write(form, list, [&](Control& c, Change& what) {
    int count = static_cast<int>(c.rows.size());
    index = position < 0 || position > count ? count : position;
    c.rows.insert(c.rows.begin() + index,
                  std::vector<Text>(std::max<std::size_t>(c.columns.size(), 1)));
    what = {Change::What::rows_inserted, &form, std::string(list), index, index};
  });
  return index;
}

void Toolkit::list_set_cell(Form& form, std::string_view list, int row, int column,
                            const Text& text) {
  bool written = false;
  Change what{Change::What::rows_changed, &form, std::string(list), row, row};
  {
    std::lock_guard lock(mutex_);
    Control& c = form.control(list);
    if (row >= 0 && row < static_cast<int>(c.rows.size()) && column >= 0) {
      auto& cells = c.rows[row];
      if (column >= static_cast<int>(cells.size())) cells.resize(column + 1);
      cells[column] = text;
      written = true;
    }
  }
  if (written) report(std::move(what));
}

Text Toolkit::list_cell(const Form& form, std::string_view list, int row, int column) const {
  std::lock_guard lock(mutex_);
  const Control& c = form.control(list);
  if (row < 0 || row >= static_cast<int>(c.rows.size())) return {};
  const auto& cells = c.rows[row];
  return column >= 0 && column < static_cast<int>(cells.size()) ? cells[column] : Text{};
}

int Toolkit::list_count(const Form& form, std::string_view list) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(form.control(list).rows.size());
}

std::vector<std::vector<Text>> Toolkit::list_rows(const Form& form, std::string_view list,
                                                  int first, int last) const {
  std::lock_guard lock(mutex_);
  const auto& rows = form.control(list).rows;
  first = std::max(first, 0);
  last = std::min(last, static_cast<int>(rows.size()) - 1);
  if (first > last) return {};
  return {rows.begin() + first, rows.begin() + last + 1};
}

Control Toolkit::snapshot(const Form& form, std::string_view control) const {
  std::lock_guard lock(mutex_);
  return form.control(control);
}

void Toolkit::raise(Form& form, std::string_view control, Event event) {
  const auto* handlers = form.handlers(control, event);
  if (!handlers) return;
  ++raising_;
  struct Leave {
    Toolkit& t;
    ~Leave() {
      if (--t.raising_ == 0) t.free_destroyed();
    }
  } leave{*this};
  for (const auto& handler : *handlers) handler();
}

// --- What a person does --------------------------------------------------------------------

void Toolkit::click(Form& form, std::string_view control) {
  run_on_ui([&] {
    if (is_loaded(form)) raise(form, control, Event::clicked);
  });
}

void Toolkit::choose(Form& form, std::string_view control, int index) {
  run_on_ui([&] {
    if (!is_loaded(form)) return;
    set_selection(form, control, index);
    raise(form, control, Event::item_selected);
  });
}

void Toolkit::type_text(Form& form, std::string_view control, std::string_view utf8) {
  Text typed = typed_to_gbk(utf8);
  run_on_ui([&] {
    if (is_loaded(form)) set_text(form, control, typed);
  });
}

bool Toolkit::press(Form& form, std::string_view control) {
  bool moves = false;
  run_on_ui([&] {
    if (!is_loaded(form)) return;
    bool draggable_place = true;
    if (!control.empty()) {
      ControlKind kind = form.control(control).kind;
      draggable_place = kind == ControlKind::picture_box || kind == ControlKind::label ||
                        kind == ControlKind::transparent_label;
    }
    raise(form, control, Event::left_button_pressed);
    moves = draggable_place && is_loaded(form) && window(form).draggable;
  });
  return moves;
}

void Toolkit::activate(Form& form) {
  run_on_ui([&] {
    if (!is_loaded(form)) return;
    bool first = false;
    {
      std::lock_guard lock(mutex_);
      if (std::find(activated_.begin(), activated_.end(), &form) == activated_.end()) {
        activated_.push_back(&form);
        first = true;
      }
    }
    if (first) raise(form, "", Event::first_activated);
    if (is_loaded(form)) raise(form, "", Event::activated);
  });
}

void Toolkit::deactivate(Form& form) {
  run_on_ui([&] {
    if (is_loaded(form)) raise(form, "", Event::deactivated);
  });
}

void Toolkit::focus(Form& form) {
  run_on_ui([&] {
    if (is_loaded(form)) raise(form, "", Event::got_focus);
  });
}

void Toolkit::window_moved(Form& form, int left, int top) {
  run_on_ui([&] {
    if (!is_loaded(form)) return;
    {
      std::lock_guard lock(mutex_);
      form.window().left = left;
      form.window().top = top;
    }
    revision_.fetch_add(1, std::memory_order_acq_rel);
    raise(form, "", Event::position_changed);
  });
}

void Toolkit::window_state_changed(Form& form, WindowState state) {
  run_on_ui([&] {
    if (!is_loaded(form)) return;
    {
      std::lock_guard lock(mutex_);
      form.window().state = state;
    }
    revision_.fetch_add(1, std::memory_order_acq_rel);
    raise(form, "", Event::position_changed);
  });
}

void Toolkit::escape(Form& form) {
  run_on_ui([&] {
    if (is_loaded(form) && window(form).closed_by_escape) destroy(form);
  });
}

void Toolkit::close_requested(Form& form) {
  run_on_ui([&] {
    if (!is_loaded(form)) return;
    std::string control = window(form).close_control;
    if (control.empty())
      destroy(form);
    else
      raise(form, control, Event::clicked);
  });
}

// --- Ending ----------------------------------------------------------------------------------

void Toolkit::run_on_ui(const std::function<void()>& task) {
  if (on_ui_thread()) return task();
  std::promise<void> done;
  post([&] {
    try {
      task();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  done.get_future().get();
}

void Toolkit::set_exit_cleanup(std::function<void()> cleanup) {
  std::lock_guard lock(exit_mutex_);
  exit_cleanup_ = std::move(cleanup);
}

void Toolkit::exit(int code) {
  if (exit_started_.exchange(true, std::memory_order_acq_rel)) return;
  std::function<void()> cleanup;
  {
    std::lock_guard lock(exit_mutex_);
    cleanup = std::move(exit_cleanup_);
  }
  if (cleanup) cleanup();
  quit(code);
}

}  // namespace lumetra::ui
