// The toolkit on Qt 6 Widgets: every loaded form is a borderless top-level window whose widgets
// show the form's state, and what a person does in it goes back through the toolkit's calls.
//
// Usage: create the QApplication, then a `QtToolkit` on the same (UI) thread; register the
// window kinds, load the start window and `run` it. The state operations stay callable from any
// thread: a write records what changed under a small lock and schedules one refresh on the UI
// thread (at most every ~30 ms), so a worker never waits on painting. This class is the one
// place where work crosses threads: `post` is a queued call onto the UI thread.
//
// Threads: construct, `run`, and everything a window does on the UI thread; `message_box`,
// `post`, `run_on_ui`, `open_in_shell` and the state operations from any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ui/toolkit.h"

class QWidget;

namespace lumetra::ui::qt {

class QtToolkit : public Toolkit {
 public:
  QtToolkit();
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  // Shows the start window and runs the event loop until `exit`; returns its code.
  int run(Form& start) override;
  Rect screen() const override;

  // Caption "信息：", one OK button. On the UI thread the box is modal; from any other thread it
  // shows on the UI thread and blocks only the calling thread until it is dismissed there.
  void message_box(const Text& text) override;
  void process_events() override;
  void post(std::function<void()> task) override;
  // A link (with a scheme) opens in its program, anything else as a local folder or file, relative
  // to the working folder; failures are ignored.
  void open_in_shell(const std::string& target) override;

  // Tests: every message box, from any thread, is handed to `answer` on the UI thread instead of
  // a window and counts as dismissed when `answer` returns. An empty function shows real boxes.
  void answer_message_boxes(std::function<void(const Text&)> answer);

  // UI thread. The window that shows a loaded form, nullptr for one not loaded.
  QWidget* window_of(const Form& form) const;
  bool on_ui_thread() const override;

 protected:
  void changed(const Change& change) override;
  // Hides the windows and ends the event loop; the process ends with the code within about a
  // second even when a job's thread would hold it open.
  void quit(int code) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lumetra::ui::qt
