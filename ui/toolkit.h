// The toolkit operations that the logic relies on, over forms that hold the windows' state.
//
// Usage: `load` a form; then call the state operations (text, visibility, selection, the list
// operations) from any thread. Each is synchronous and takes the toolkit's own lock, so its
// effect is seen by the next call from any thread, and a worker never waits on painting. The
// platform operations (message box, process events, posting to the UI thread, opening a folder
// or link) belong to the concrete toolkit: `HeadlessToolkit` for tests, a Qt one for the desktop.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"
#include "ui/form.h"

namespace lumetra::ui {

class Toolkit {
 public:
  virtual ~Toolkit();

  // UI thread. Takes the form, raises its created and then its first-activated event, and
  // returns it; the form lives as long as the toolkit.
  Form& load(std::unique_ptr<Form> form);
  bool is_loaded(const Form& form) const;

  // State operations: any thread.
  Text text(const Form& form, std::string_view control) const;
  void set_text(Form& form, std::string_view control, const Text& value);
  bool visible(const Form& form, std::string_view control) const;
  void set_visible(Form& form, std::string_view control, bool visible);
  int selection(const Form& form, std::string_view control) const;  // -1: none
  // Selects without raising the list-item-selected event, as a program's own write does.
  void set_selection(Form& form, std::string_view control, int index);
  void set_current_page(Form& form, std::string_view control, int page);

  void list_clear(Form& form, std::string_view list);
  int list_insert(Form& form, std::string_view list, int position);  // returns the row's index
  void list_set_cell(Form& form, std::string_view list, int row, int column, const Text& text);
  Text list_cell(const Form& form, std::string_view list, int row, int column) const;
  int list_count(const Form& form, std::string_view list) const;

  // A copy of one control's whole state, for a view to show or a test to read.
  Control snapshot(const Form& form, std::string_view control) const;
  // Raised by every change of state; a view compares it to know whether to refresh.
  std::uint64_t revision() const { return revision_.load(std::memory_order_acquire); }

  // Runs the handlers bound to the event, on the calling thread (the UI thread).
  void raise(Form& form, std::string_view control, Event event);

  // Platform operations.
  // One OK button, caption "信息："; blocks the calling thread until dismissed.
  virtual void message_box(const Text& text) = 0;
  // Handles pending window events when called on the UI thread; elsewhere there are none.
  virtual void process_events() = 0;
  // Runs the task on the UI thread, later.
  virtual void post(std::function<void()> task) = 0;
  // Opens a folder or a link (UTF-8) with the desktop's own program for it.
  virtual void open_in_shell(const std::string& target) = 0;

 protected:
  // Called after every change of state, outside the lock, on the thread that made it.
  virtual void changed() {}
  // Loaded forms, for the concrete toolkit's event loop (timers) and views.
  std::vector<Form*> loaded_forms() const;

 private:
  template <typename F>
  void write(Form& form, std::string_view control, F&& change);

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Form>> forms_;
  std::atomic<std::uint64_t> revision_{0};
};

}  // namespace lumetra::ui
