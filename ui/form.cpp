#include "ui/form.h"

#include <stdexcept>

namespace lumetra::ui {

Control make_control(const char* name, ControlKind kind, const char* parent, int left, int top,
                     int width, int height, Text text, const char* picture) {
  Control c;
  c.name = name;
  c.kind = kind;
  c.parent = parent;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
  c.text = std::move(text);
  c.picture = picture;
  c.font = Font{"微软雅黑", 12, false};
  return c;
}

Control& Form::add(Control control) {
  std::string name = control.name;
  auto [it, inserted] = controls_.emplace(name, std::move(control));
  if (!inserted) throw std::logic_error("form " + name_ + " has two controls named " + name);
  order_.push_back(std::move(name));
  return it->second;
}

Control& Form::control(std::string_view name) {
  auto it = controls_.find(name);
  if (it == controls_.end())
    throw std::out_of_range("form " + name_ + " has no control " + std::string(name));
  return it->second;
}

const Control& Form::control(std::string_view name) const {
  return const_cast<Form*>(this)->control(name);
}

bool Form::has(std::string_view name) const {
  return controls_.find(name) != controls_.end();
}

void Form::on(std::string_view control, Event event, std::function<void()> handler) {
  if (!control.empty()) this->control(control);  // the name must exist
  handlers_[{std::string(control), event}].push_back(std::move(handler));
}

const std::vector<std::function<void()>>* Form::handlers(std::string_view control,
                                                         Event event) const {
  auto it = handlers_.find({std::string(control), event});
  return it == handlers_.end() ? nullptr : &it->second;
}

}  // namespace lumetra::ui
