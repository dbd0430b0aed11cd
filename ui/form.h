// Forms as data: a window is a form whose named controls hold their state.
//
// Usage: build a `Form` (see main_form.h), set its `Window` properties, bind its event handlers
// with `on`, then hand it to a `Toolkit` (usually through a registered window kind), whose
// operations read and write the state from any thread. A view (Qt or none) only shows that state
// and forwards what a person does through the toolkit's `click`, `press`, `type_text`... Control
// names are the form names of the windows, spelled in UTF-8; control texts are GBK bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace lumetra::ui {

enum class ControlKind {
  picture_box,
  label,
  transparent_label,
  picture_button,
  button,
  edit_box,
  combo_box,
  list_view,
  canvas,
  tab_control,
  timer,
  shape_box,
};

enum class Event {
  created,
  first_activated,
  activated,
  got_focus,
  position_changed,
  deactivated,
  will_be_destroyed,
  clicked,
  left_button_pressed,
  item_selected,
  timer,
};

struct Font {
  std::string face;  // empty: the toolkit's default face
  int pixel_height = 12;
  bool bold = false;
};

struct Control {
  std::string name;
  // The name of the picture a view draws for a picture box, picture button, canvas, shape box
  // or a label used as a frame ("main.title_bar"); empty: none. A picture button shows it in
  // three looks: normal, hover, pressed.
  std::string picture;
  ControlKind kind = ControlKind::label;
  std::string parent;  // empty: the window itself; "高级选择夹1/1" style names address tab pages
  int left = 0, top = 0, width = 0, height = 0;
  Text text;
  bool visible = true;
  Font font;
  Text tooltip;
  // Combo box: its entries (kept sorted when `sorted`) and the 0-based selection, -1 for none.
  std::vector<Text> items;
  bool sorted = false;
  bool editable = true;
  int selection = -1;
  // Report list view: column captions and widths, and the rows' cells.
  std::vector<Text> columns;
  std::vector<int> column_widths;
  std::vector<std::vector<Text>> rows;
  // Tab control: page titles, the current page and whether the page headers show.
  std::vector<Text> pages;
  int current_page = 0;
  bool headers_hidden = false;
  // Timer: period in milliseconds; 0 stops it.
  int interval_ms = 0;
};

// A control of `kind` at its place in `parent` (empty: the window), with the windows' usual
// font; `picture` as in `Control::picture`.
Control make_control(const char* name, ControlKind kind, const char* parent, int left, int top,
                     int width, int height, Text text = {}, const char* picture = "");

enum class WindowState { normal = 0, minimised = 2, maximised = 3 };

// A window's own properties. Every window is borderless with an empty caption.
struct Window {
  int left = 0, top = 0;  // screen pixels
  int width = 0, height = 0;
  WindowState state = WindowState::normal;
  bool centred = true;  // placed in the centre of the screen when loaded
  bool topmost = false;
  bool in_taskbar = true;
  bool minimisable = false;
  // A left press on the window itself, a picture box or a plain or transparent label starts a
  // move of the whole window; buttons, edit boxes, lists, the tab control and canvases do not.
  bool draggable = false;
  bool closed_by_escape = false;
  // What a close request of the desktop (Alt+F4, the taskbar) stands for: a click on this
  // control; empty: the window is destroyed.
  std::string close_control;
  // Shape: the window's region is the pixels of this picture (encoded image bytes) that are not
  // of `shape_colour` (0x00BBGGRR). Empty: the whole rectangle.
  Bytes shape_picture;
  std::uint32_t shape_colour = 0;
};

class Form {
 public:
  Form(std::string name, int width, int height) : name_(std::move(name)) {
    window_.width = width;
    window_.height = height;
  }

  const std::string& name() const { return name_; }
  // The window kind it was loaded as (the factory's key); set by the toolkit.
  const std::string& kind() const { return kind_; }
  void set_kind(std::string kind) { kind_ = std::move(kind); }
  int width() const { return window_.width; }
  int height() const { return window_.height; }
  // Set before loading; afterwards read and write it through the toolkit, which locks.
  Window& window() { return window_; }
  const Window& window() const { return window_; }

  Control& add(Control control);
  // Throws std::out_of_range for a name the form does not have: a misspelt control is a bug.
  Control& control(std::string_view name);
  const Control& control(std::string_view name) const;
  bool has(std::string_view name) const;
  const std::vector<std::string>& order() const { return order_; }

  // Handlers are bound before the form is loaded and not changed afterwards. An empty control
  // name stands for the window itself. Binding the same event again adds a handler after the
  // ones already bound.
  void on(std::string_view control, Event event, std::function<void()> handler);
  const std::vector<std::function<void()>>* handlers(std::string_view control, Event event) const;

 private:
  std::string name_;
  std::string kind_;
  Window window_;
  std::map<std::string, Control, std::less<>> controls_;
  std::vector<std::string> order_;
  std::map<std::pair<std::string, Event>, std::vector<std::function<void()>>> handlers_;
};

}  // namespace lumetra::ui
