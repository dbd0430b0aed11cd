#include "ui/headless_toolkit.h"

#include <map>
#include <utility>

namespace lumetra::ui {

using Clock = std::chrono::steady_clock;

HeadlessToolkit::HeadlessToolkit() {
  ui_thread_ = std::thread([this] { loop(); });
}

HeadlessToolkit::~HeadlessToolkit() {
  {
    std::lock_guard lock(loop_mutex_);
    stopping_ = true;
  }
  loop_wake_.notify_all();
  ui_thread_.join();
}

void HeadlessToolkit::loop() {
  std::map<std::pair<Form*, std::string>, Clock::time_point> next_tick;
  std::unique_lock lock(loop_mutex_);
  while (!stopping_) {
    run_pending(lock);
    // Timers: each timer control of a loaded form fires at its own period.
    Clock::time_point wake = Clock::now() + std::chrono::milliseconds(50);
    lock.unlock();
    for (Form* form : loaded_forms()) {
      for (const std::string& name : form->order()) {
        if (!is_loaded(*form)) break;  // a timer handler destroyed it
        // Kind and period are fixed when the form is built, so they are read without a copy.
        const Control& c = form->control(name);
        if (c.kind != ControlKind::timer || c.interval_ms <= 0) continue;
        auto period = std::chrono::milliseconds(c.interval_ms);
        auto [it, fresh] = next_tick.try_emplace({form, name}, Clock::now() + period);
        if (!fresh && Clock::now() >= it->second) {
          raise(*form, name, Event::timer);
          it->second = Clock::now() + period;
        }
        wake = std::min(wake, it->second);
      }
    }
    std::erase_if(next_tick, [&](auto& tick) { return !is_loaded(*tick.first.first); });
    lock.lock();
    loop_wake_.wait_until(lock, wake, [&] { return stopping_ || !tasks_.empty(); });
  }
}

void HeadlessToolkit::run_pending(std::unique_lock<std::mutex>& lock) {
  while (!tasks_.empty()) {
    auto task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    lock.lock();
  }
}

int HeadlessToolkit::run(Form&) {
  std::unique_lock lock(loop_mutex_);
  loop_wake_.wait(lock, [&] { return exit_code_.has_value(); });
  return *exit_code_;
}

void HeadlessToolkit::quit(int code) {
  {
    std::lock_guard lock(loop_mutex_);
    exit_code_ = code;
  }
  loop_wake_.notify_all();
}

std::optional<int> HeadlessToolkit::exit_code() const {
  std::lock_guard lock(loop_mutex_);
  return exit_code_;
}

void HeadlessToolkit::changed(const Change& change) {
  if (change.what == Change::What::destroyed && active_ == change.form) active_ = nullptr;
  if (change.what != Change::What::loaded && change.what != Change::What::raise) return;
  Form* form = change.form;
  post([this, form] {
    if (!is_loaded(*form) || active_ == form) return;
    if (Form* before = std::exchange(active_, form); before && is_loaded(*before))
      deactivate(*before);
    if (is_loaded(*form)) activate(*form);
  });
}

void HeadlessToolkit::message_box(const Text& text) {
  if (on_ui_thread() && active_) {
    // The box takes the activation from the window that showed it.
    if (Form* before = std::exchange(active_, nullptr); is_loaded(*before)) deactivate(*before);
  }
  {
    std::lock_guard lock(loop_mutex_);
    messages_.push_back(text);
  }
  loop_wake_.notify_all();
}

void HeadlessToolkit::process_events() {
  if (!on_ui_thread()) return;
  std::unique_lock lock(loop_mutex_);
  run_pending(lock);
}

void HeadlessToolkit::post(std::function<void()> task) {
  {
    std::lock_guard lock(loop_mutex_);
    tasks_.push_back(std::move(task));
  }
  loop_wake_.notify_all();
}

void HeadlessToolkit::open_in_shell(const std::string& target) {
  std::lock_guard lock(loop_mutex_);
  opened_.push_back(target);
}

std::vector<Text> HeadlessToolkit::messages() const {
  std::lock_guard lock(loop_mutex_);
  return messages_;
}

std::vector<std::string> HeadlessToolkit::opened() const {
  std::lock_guard lock(loop_mutex_);
  return opened_;
}

bool HeadlessToolkit::wait_for_messages(std::size_t count,
                                        std::chrono::milliseconds timeout) const {
  std::unique_lock lock(loop_mutex_);
  return loop_wake_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
}

}  // namespace lumetra::ui
