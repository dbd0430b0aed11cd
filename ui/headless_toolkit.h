// The toolkit without a display: the same forms and operations, with an event loop of its own.
//
// Usage: construct it (its UI thread starts at once), then drive it as a person would through
// the toolkit's `click`, `choose`, `type_text`, `press`... from the test's thread (each runs on
// the UI thread and waits), or `run_on_ui` any task. Message boxes are recorded and return at
// once; opened folders and links are recorded too. Timer controls of loaded forms fire on the UI
// thread at their period. Like a window system, it activates each window it loads (posted, so
// after `load` returns) and deactivates the one active before; a message box shown on the UI
// thread takes the activation. `run` blocks its caller until `exit`.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <optional>
#include <thread>

#include "ui/toolkit.h"

namespace lumetra::ui {

class HeadlessToolkit : public Toolkit {
 public:
  HeadlessToolkit();
  ~HeadlessToolkit() override;

  int run(Form& start) override;
  void message_box(const Text& text) override;
  void process_events() override;
  void post(std::function<void()> task) override;
  void open_in_shell(const std::string& target) override;

  std::vector<Text> messages() const;
  std::vector<std::string> opened() const;
  // Waits until at least `count` message boxes have been shown; false on time-out.
  bool wait_for_messages(std::size_t count, std::chrono::milliseconds timeout) const;
  // The exit code once `exit` has ended the loop.
  std::optional<int> exit_code() const;
  bool on_ui_thread() const override { return std::this_thread::get_id() == ui_thread_.get_id(); }

 protected:
  void changed(const Change& change) override;
  void quit(int code) override;

 private:
  void loop();
  void run_pending(std::unique_lock<std::mutex>& lock);

  mutable std::mutex loop_mutex_;
  mutable std::condition_variable loop_wake_;
  std::deque<std::function<void()>> tasks_;
  std::vector<Text> messages_;
  std::vector<std::string> opened_;
  std::optional<int> exit_code_;
  bool stopping_ = false;
  Form* active_ = nullptr;  // UI thread
  std::thread ui_thread_;
};

}  // namespace lumetra::ui
