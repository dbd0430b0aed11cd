#include "ui/toolkit.h"

#include <algorithm>

namespace lumetra::ui {

Toolkit::~Toolkit() = default;

Form& Toolkit::load(std::unique_ptr<Form> form) {
  Form& f = *form;
  {
    std::lock_guard lock(mutex_);
    forms_.push_back(std::move(form));
  }
  raise(f, "", Event::created);
  raise(f, "", Event::first_activated);
  return f;
}

bool Toolkit::is_loaded(const Form& form) const {
  std::lock_guard lock(mutex_);
  return std::any_of(forms_.begin(), forms_.end(), [&](auto& f) { return f.get() == &form; });
}

std::vector<Form*> Toolkit::loaded_forms() const {
  std::lock_guard lock(mutex_);
  std::vector<Form*> out;
  for (auto& f : forms_) out.push_back(f.get());
  return out;
}

template <typename F>
void Toolkit::write(Form& form, std::string_view control, F&& change) {
  {
    std::lock_guard lock(mutex_);
    change(form.control(control));
    revision_.fetch_add(1, std::memory_order_acq_rel);
  }
  changed();
}

Text Toolkit::text(const Form& form, std::string_view control) const {
  std::lock_guard lock(mutex_);
  return form.control(control).text;
}

void Toolkit::set_text(Form& form, std::string_view control, const Text& value) {
  write(form, control, [&](Control& c) { c.text = value; });
}

bool Toolkit::visible(const Form& form, std::string_view control) const {
  std::lock_guard lock(mutex_);
  return form.control(control).visible;
}

void Toolkit::set_visible(Form& form, std::string_view control, bool visible) {
  write(form, control, [&](Control& c) { c.visible = visible; });
}

int Toolkit::selection(const Form& form, std::string_view control) const {
  std::lock_guard lock(mutex_);
  return form.control(control).selection;
}

void Toolkit::set_selection(Form& form, std::string_view control, int index) {
  write(form, control, [&](Control& c) {
    c.selection = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
  });
}

void Toolkit::set_current_page(Form& form, std::string_view control, int page) {
  write(form, control, [&](Control& c) { c.current_page = page; });
}

void Toolkit::list_clear(Form& form, std::string_view list) {
  write(form, list, [](Control& c) { c.rows.clear(); });
}

int Toolkit::list_insert(Form& form, std::string_view list, int position) {
  int index = 0;
  write(form, list, [&](Control& c) {
    int count = static_cast<int>(c.rows.size());
    index = position < 0 || position > count ? count : position;
    c.rows.insert(c.rows.begin() + index,
                  std::vector<Text>(std::max<std::size_t>(c.columns.size(), 1)));
  });
  return index;
}

void Toolkit::list_set_cell(Form& form, std::string_view list, int row, int column,
                            const Text& text) {
  write(form, list, [&](Control& c) {
    if (row < 0 || row >= static_cast<int>(c.rows.size()) || column < 0) return;
    auto& cells = c.rows[row];
    if (column >= static_cast<int>(cells.size())) cells.resize(column + 1);
    cells[column] = text;
  });
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

Control Toolkit::snapshot(const Form& form, std::string_view control) const {
  std::lock_guard lock(mutex_);
  return form.control(control);
}

void Toolkit::raise(Form& form, std::string_view control, Event event) {
  if (const auto* handlers = form.handlers(control, event))
    for (const auto& handler : *handlers) handler();
}

}  // namespace lumetra::ui
