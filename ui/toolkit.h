// The toolkit operations that the logic relies on, over forms that hold the windows' state.
//
// Usage: `register_window` each window kind with a factory that builds a fresh form and binds
// its handlers, then `load` a kind (or hand over a form); `run` the event loop until `exit`.
// The state operations (text, visibility, selection, the list and window operations) may be
// called from any thread: each is synchronous and takes the toolkit's own lock, so its effect is
// seen by the next call from any thread, and a worker never waits on painting. After every write
// the toolkit reports what changed through `changed`, precisely enough (which control, which
// rows) that a view refreshes only that. What a person does (`click`, `press`, `type_text`...)
// goes through the same calls in a view and in a test. The platform operations (message box,
// process events, posting to the UI thread, opening a link, the event loop) belong to the
// concrete toolkit: `HeadlessToolkit` for tests, a Qt one for the desktop.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"
#include "ui/form.h"

namespace lumetra::ui {

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

// What one write changed, for a view to refresh just that.
struct Change {
  enum class What {
    loaded,         // UI thread, after the form's created handlers: the view builds its window
    destroyed,      // UI thread, before the form is freed: the view drops its window
    window,         // a window property (position, size, state, topmost, shape)
    control,        // a control's state other than its rows
    rows_inserted,  // rows first_row..last_row inserted (the ones below moved down)
    rows_changed,   // cells of rows first_row..last_row changed
    rows_cleared,   // every row deleted
    raise,          // bring the window to the front (a second load of an open kind)
  };
  What what = What::control;
  Form* form = nullptr;
  std::string control;  // empty for the window itself
  int first_row = -1, last_row = -1;
};

// UTF-8 typed by a person as GBK; a character GBK cannot hold, or a malformed byte, becomes
// "?". Never throws.
Text typed_to_gbk(std::string_view utf8);

class Toolkit {
 public:
  using Factory = std::function<std::unique_ptr<Form>()>;

  virtual ~Toolkit();

  // --- Windows -------------------------------------------------------------------------------
  // Registers a window kind. Any thread, before the kind is loaded.
  void register_window(std::string kind, Factory factory);
  // UI thread. Builds a fresh form of the kind, places it (centred when the form says so), runs
  // its created handlers and reports it loaded. One window of each kind at a time: a kind that
  // is still open is brought to the front and returned instead. First activation comes later,
  // from the platform (`activate`). Throws std::out_of_range for a kind never registered.
  Form& load(std::string_view kind);
  // UI thread. The same for a form built by the caller, loaded under its own name as the kind.
  Form& load(std::unique_ptr<Form> form);
  // UI thread. Its will-be-destroyed handlers run, the view drops it, then it is freed (after
  // the handler that destroyed it has returned). A form no longer loaded is left alone.
  void destroy(Form& form);
  bool is_loaded(const Form& form) const;   // compares addresses only: safe on a freed form
  Form* find(std::string_view kind) const;  // the open window of the kind, or nullptr

  // --- Window operations: any thread ---------------------------------------------------------
  Window window(const Form& form) const;  // a copy of its properties
  Rect window_rect(const Form& form) const;
  void move_window(Form& form, int left, int top, int width, int height);
  WindowState window_state(const Form& form) const;
  void set_window_state(Form& form, WindowState state);
  void set_topmost(Form& form, bool topmost);
  void set_shape(Form& form, Bytes picture, std::uint32_t colour);
  // The screen's work area, for centring. The platform's toolkit knows the real one.
  virtual Rect screen() const { return {0, 0, 1920, 1080}; }

  // --- Control state: any thread ---------------------------------------------------------------
  Text text(const Form& form, std::string_view control) const;
  void set_text(Form& form, std::string_view control, const Text& value);
  bool visible(const Form& form, std::string_view control) const;
  void set_visible(Form& form, std::string_view control, bool visible);
  void set_tooltip(Form& form, std::string_view control, const Text& tooltip);
  int selection(const Form& form, std::string_view control) const;  // -1: none
  // Selects without raising the list-item-selected event, as a program's own write does.
  void set_selection(Form& form, std::string_view control, int index);
  int current_page(const Form& form, std::string_view control) const;
  void set_current_page(Form& form, std::string_view control, int page);
  void set_page_headers_hidden(Form& form, std::string_view control, bool hidden);

  void list_clear(Form& form, std::string_view list);
  int list_insert(Form& form, std::string_view list, int position);  // returns the row's index
  void list_set_cell(Form& form, std::string_view list, int row, int column, const Text& text);
  Text list_cell(const Form& form, std::string_view list, int row, int column) const;
  int list_count(const Form& form, std::string_view list) const;
  // Rows first..last (clamped), for a view that refreshes only those.
  std::vector<std::vector<Text>> list_rows(const Form& form, std::string_view list, int first,
                                           int last) const;

  // A copy of one control's whole state, for a view to show or a test to read.
  Control snapshot(const Form& form, std::string_view control) const;
  // Raised by every change of state; a view compares it to know whether to refresh.
  std::uint64_t revision() const { return revision_.load(std::memory_order_acquire); }

  // Runs the handlers bound to the event, on the calling thread (the UI thread).
  void raise(Form& form, std::string_view control, Event event);

  // --- What a person does: from the view (UI thread) or a test (any thread; the call then
  // runs on the UI thread and waits) ------------------------------------------------------------
  void click(Form& form, std::string_view control);
  // A selection in a combo box: the selection changes, then the item-selected event.
  void choose(Form& form, std::string_view control, int index);
  // Text typed or pasted into an edit box replaces its text (see `typed_to_gbk`).
  void type_text(Form& form, std::string_view control, std::string_view utf8);
  // A left press on a control (empty: the window itself). True when the press should start a
  // move of the window (the window is draggable, the control is a picture box or a label, and
  // the window is still open after the handlers).
  bool press(Form& form, std::string_view control);
  // The window was activated: first-activated the first time, then activated, every time.
  void activate(Form& form);
  void deactivate(Form& form);
  void focus(Form& form);  // got-focus
  // The window system moved, minimised or restored the window: position-changed.
  void window_moved(Form& form, int left, int top);
  void window_state_changed(Form& form, WindowState state);
  void escape(Form& form);           // Esc: destroys a window closed by Esc
  void close_requested(Form& form);  // the desktop asked to close (see Window::close_control)

  // --- Ending --------------------------------------------------------------------------------
  // Registers the exit-time clean-up; any thread, before `exit`.
  void set_exit_cleanup(std::function<void()> cleanup);
  // Any thread. Runs the clean-up exactly once (even when called again or from two threads at
  // once: the second caller returns at once), then ends the event loop with the code.
  void exit(int code = 0);
  bool exiting() const { return exit_started_.load(std::memory_order_acquire); }
  // Runs the event loop until `exit`; returns its code. The start window is loaded already.
  virtual int run(Form& start) = 0;

  // --- Platform operations -------------------------------------------------------------------
  // One OK button, caption "信息："; blocks the calling thread until dismissed.
  virtual void message_box(const Text& text) = 0;
  // Handles pending window events when called on the UI thread; elsewhere there are none.
  virtual void process_events() = 0;
  // Any thread. Runs the task on the UI thread, later.
  virtual void post(std::function<void()> task) = 0;
  // Any thread. True on the thread that runs the event loop, where windows are loaded and their
  // handlers run; each toolkit knows which thread that is.
  virtual bool on_ui_thread() const = 0;
  // Any thread. Runs the task on the UI thread and waits for it; on the UI thread it runs at
  // once. From another thread it is `post`ed, so it waits until the event loop gets to it.
  // Exceptions come back to the caller.
  void run_on_ui(const std::function<void()>& task);
  // Opens a folder or a link (UTF-8) with the desktop's own program for it; failures ignored.
  virtual void open_in_shell(const std::string& target) = 0;

 protected:
  // Called after every write, outside the lock, on the thread that made it (workers included,
  // many at once). Must not call back into the toolkit's writes.
  virtual void changed(const Change&) {}
  // Ends the event loop that `run` runs, with the code. Called once, by `exit`.
  virtual void quit(int code) = 0;
  // Loaded forms, for the concrete toolkit's event loop (timers) and views.
  std::vector<Form*> loaded_forms() const;

 private:
  template <typename F>
  void write(Form& form, std::string_view control, F&& change);
  template <typename F>
  void write_window(Form& form, F&& change);
  void report(Change change);
  Form& adopt(std::unique_ptr<Form> form, std::string kind);
  void free_destroyed();

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Form>> forms_;
  std::vector<std::unique_ptr<Form>> destroyed_;  // freed once no handler runs
  std::vector<const Form*> activated_;            // forms that had their first activation
  std::map<std::string, Factory, std::less<>> factories_;
  std::atomic<std::uint64_t> revision_{0};
  int raising_ = 0;  // UI thread: nesting depth of `raise`

  std::mutex exit_mutex_;
  std::function<void()> exit_cleanup_;
  std::atomic<bool> exit_started_{false};
};

}  // namespace lumetra::ui
