// The toolkit without a display: the same forms and operations, with an event loop of its own.
//
// Usage: construct it (its UI thread starts at once), `run_on_ui` to load forms and to press
// buttons as a person would, then read the forms or wait for a message box. Message boxes are
// recorded and return at once; opened folders and links are recorded too. Timer controls of
// loaded forms fire on the UI thread at their period.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <thread>

#include "ui/toolkit.h"

namespace lumetra::ui {

class HeadlessToolkit : public Toolkit {
 public:
  HeadlessToolkit();
  ~HeadlessToolkit() override;

  void message_box(const Text& text) override;
  void process_events() override;
  void post(std::function<void()> task) override;
  void open_in_shell(const std::string& target) override;

  // Runs the task on the UI thread and waits for it; exceptions come back to the caller.
  void run_on_ui(const std::function<void()>& task);
  // Presses a control: its clicked event on the UI thread.
  void click(Form& form, std::string_view control);
  // A person's selection in a combo box: the selection changes, then the event is raised.
  void choose(Form& form, std::string_view control, int index);

  std::vector<Text> messages() const;
  std::vector<std::string> opened() const;
  // Waits until at least `count` message boxes have been shown; false on time-out.
  bool wait_for_messages(std::size_t count, std::chrono::milliseconds timeout) const;
  bool on_ui_thread() const { return std::this_thread::get_id() == ui_thread_.get_id(); }

 private:
  void loop();
  void run_pending(std::unique_lock<std::mutex>& lock);

  mutable std::mutex loop_mutex_;
  mutable std::condition_variable loop_wake_;
  std::deque<std::function<void()>> tasks_;
  std::vector<Text> messages_;
  std::vector<std::string> opened_;
  bool stopping_ = false;
  std::thread ui_thread_;
};

}  // namespace lumetra::ui
