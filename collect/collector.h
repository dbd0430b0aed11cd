// A whole job: from a press of "开始采集" to the book file and "小说下载完成！".
//
// Usage: build the main form, construct a `Collector` over the toolkit, that form, a site table
// and the program's directory, and `bind` it before the form is loaded: it adds the job's
// creation steps and the handlers of the start button, the site list and the timer. Everything
// else happens on the threads the job starts. `cancel` ends a job at once from any thread; the
// destructor cancels, then waits for every thread the collector started. Failures do not throw:
// they show in the rows, the counters, the body pane and the final message, as a person would
// see them.
//
// Threads: the handlers run on the UI thread; `collect_catalog` on the collector thread,
// `dispatch_chapters` on the dispatcher thread, `download_chapter` on up to `worker_limit` worker
// threads and `assemble_book` on the assembly thread. No lock is held while a handler runs, so a
// handler that waits in a nested event loop (a message box) never holds up another.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "collect/sites.h"
#include "pattern/regex.h"
#include "text/text.h"
#include "ui/toolkit.h"
#include "web/web.h"

namespace lumetra {

// The process-wide state of a job, under the names the rest of the program uses.
struct JobState {
  std::thread collector_thread;  // joined, never terminated
  Text page_text;
  Text catalog_slice;
  int chapter_count = 0;
  Text book_title;
  std::atomic<int> running_workers{0};
  std::atomic<int> dispatch_started{0};
  std::atomic<int> downloaded_count{0};  // chapters that gave text since the window was created
  std::atomic<int> failed_count{0};      // chapters of the current job that gave none
  std::atomic<bool> job_running{false};  // from the press until the assembly has finished
};

struct CollectorOptions {
  int worker_limit = 100;
  int chapter_attempts = 3;
  std::chrono::milliseconds retry_delay{300};  // times the attempt number
  // A busy site's Retry-After (429, 503) is waited, up to this long.
  std::chrono::milliseconds retry_after_limit{30000};
};

class Collector {
 public:
  Collector(ui::Toolkit& toolkit, ui::Form& main_form, SiteTable sites,
            std::filesystem::path program_dir, Regex& shared_regex, CollectorOptions options = {});
  ~Collector();
  Collector(const Collector&) = delete;
  Collector& operator=(const Collector&) = delete;

  // Binds the main window's job events: creation steps, the start button, the site list and
  // the timer. Call before the form is loaded.
  void bind();
  // The creation steps that concern the job: the count to 0, site 0 selected without raising
  // the event, and site 0's delimiters written.
  void prepare_main_window();

  void start_collection();          // UI thread
  void collect_catalog();           // collector thread
  void apply_default_delimiters();  // UI thread
  Text extract_chapter_text(const Text& page);
  Text clean_chapter_text(const Text& text);
  void dispatch_chapters();        // dispatcher thread
  void download_chapter(int row);  // worker thread
  void monitor_tick();             // UI thread
  void assemble_book();            // assembly thread

  // Any thread, any number of times, and final: requests in flight end at once, retries and
  // their waits stop, no further worker starts and no book is assembled; a later press of the
  // start button starts nothing. The job's rows keep the states they had.
  void cancel();
  bool cancelled() const { return cancel_requests_.cancelled(); }

  JobState& state() { return state_; }
  std::filesystem::path download_folder() const;
  std::filesystem::path temp_folder() const;
  std::filesystem::path chapter_file(int row) const;
  std::filesystem::path book_file(const Text& title) const;

 private:
  int site_index() const;
  // Starts a thread that the destructor waits for; false when the system refuses one.
  bool start_thread(std::function<void()> body);
  void finish_job();
  void worker_done();
  void hasten_monitor();
  void write_delimiters(const Site& site);
  void join_collector();
  // Waits `pause` unless the job is cancelled first; false when it was.
  bool pause_unless_cancelled(std::chrono::milliseconds pause);
  void explain_empty_catalog(const Text& head, const Text& error);
  std::function<void()> guarded(void (Collector::*handler)());
  void close_guard();

  ui::Toolkit& toolkit_;
  ui::Form& form_;
  const SiteTable sites_;
  const std::vector<CleaningStep> steps_;
  const std::filesystem::path program_dir_;
  Regex& regex_;
  const CollectorOptions options_;
  JobState state_;

  // Bound handlers note themselves here while they run, without holding the lock; the
  // destructor clears `alive` and waits for those running on other threads.
  struct Guard {
    std::mutex mutex;
    std::condition_variable left;
    bool alive = true;
    std::vector<std::thread::id> running;
  };
  std::shared_ptr<Guard> guard_ = std::make_shared<Guard>();

  RequestCancel cancel_requests_;
  std::mutex cancel_mutex_;
  std::condition_variable cancel_changed_;  // wakes back-off waits
  std::mutex collector_mutex_;              // the collector thread's handle

  std::mutex count_mutex_;  // the downloaded count and its label change together
  std::mutex threads_mutex_;
  std::condition_variable threads_changed_;  // a worker ended, or any thread ended
  int live_threads_ = 0;
};

// A book title from a page made into one safe file name (UTF-8, without ".txt").
std::string book_file_name(const Text& title);

}  // namespace lumetra
