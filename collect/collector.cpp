#include "collect/collector.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <system_error>

#include "text/gbk.h"
#include "ui/main_names.h"
#include "web/web.h"

namespace lumetra {
namespace fs = std::filesystem;

namespace {

using namespace ui::main_window;

// The order in which the per-site rules are tried, each reading the site index afresh.
constexpr int site_order[] = {4, 1, 0, 3, 2};

// A directory test that does not take a symbolic link for the folder it points to, so that a
// link planted as the temp folder is never emptied through.
bool is_real_directory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(p, ec));
}

// Straight system calls: a job writes and reads a file per chapter, and the stream classes
// cost more than the calls themselves.
bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool write_whole_file(const fs::path& path, const Text& a, const Text& b) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = write_all(fd, a) && write_all(fd, b);
  return ::close(fd) == 0 && written;
}

// The seconds of a Retry-After line, or -1 when there is none in that form (a date is not
// waited for: the usual back-off applies).
long retry_after_seconds(const Text& head) {
  for (const Text& line : split(head, "\r\n")) {
    if (lower_ascii(line.substr(0, 12)) != "retry-after:") continue;
    const Text value = trim_spaces(line.substr(12));
    if (value.empty() || value.size() > 9 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return -1;
    return std::stol(value);
  }
  return -1;
}

// Which byte pairs a text holds. A cleaning step whose find text has a pair the chapter lacks
// cannot match, so it is skipped without a scan: most steps find nothing in most chapters.
class BytePairs {
 public:
  explicit BytePairs(std::string_view text) { fill(text); }
  void fill(std::string_view text) {
    bits_.fill(0);
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      const unsigned p = pair(text, i);
      bits_[p >> 6] |= std::uint64_t{1} << (p & 63);
    }
  }
  bool may_hold(std::string_view needle) const {
    for (std::size_t i = 0; i + 1 < needle.size(); ++i) {
      const unsigned p = pair(needle, i);
      if (!(bits_[p >> 6] >> (p & 63) & 1)) return false;
    }
    return true;
  }

 private:
  static unsigned pair(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]) << 8 | static_cast<unsigned char>(s[i + 1]);
  }
  std::array<std::uint64_t, 65536 / 64> bits_;
};

bool is_success(int status) {
  return status >= 200 && status <= 299;
}

Bytes read_whole_file(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  Bytes out;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[16384];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
}

}  // namespace

std::string book_file_name(const Text& title) {
  // The title comes from the page: it must name exactly one file inside the download folder.
  std::string name = gbk_to_utf8(title, "_");
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '/') c = '_';
  if (!name.empty() && name[0] == '.') name[0] = '_';
  if (name.size() > 200) {
    std::size_t cut = 200;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  if (name.empty()) name = "未命名";
  return name;
}

Collector::Collector(ui::Toolkit& toolkit, ui::Form& main_form, SiteTable sites,
                     fs::path program_dir, Regex& shared_regex, CollectorOptions options)
    : toolkit_(toolkit),
      form_(main_form),
      sites_(std::move(sites)),
      steps_(cleaning_steps(sites_)),
      program_dir_(std::move(program_dir)),
      regex_(shared_regex),
      options_(options) {}

Collector::~Collector() {
  // Handlers first, so none starts a thread after this; then the collector thread, which
  // would otherwise start the dispatcher; then every thread the job started.
  cancel();
  close_guard();
  join_collector();
  std::unique_lock lock(threads_mutex_);
  threads_changed_.wait(lock, [&] { return live_threads_ == 0; });
}

void Collector::cancel() {
  {
    std::lock_guard lock(cancel_mutex_);
    cancel_requests_.cancel();
  }
  cancel_changed_.notify_all();
  {
    std::lock_guard lock(threads_mutex_);  // the dispatcher may be waiting for a free slot
  }
  threads_changed_.notify_all();
  finish_job();
}

bool Collector::pause_unless_cancelled(std::chrono::milliseconds pause) {
  std::unique_lock lock(cancel_mutex_);
  return !cancel_changed_.wait_for(lock, pause, [&] { return cancelled(); });
}

void Collector::join_collector() {
  std::lock_guard lock(collector_mutex_);
  if (state_.collector_thread.joinable()) state_.collector_thread.join();
}

std::function<void()> Collector::guarded(void (Collector::*handler)()) {
  // A handler runs without the guard's lock, since it may wait in a nested event loop (a
  // message box) in which another handler runs; it only notes itself, so that a collector
  // being destroyed elsewhere waits for it, and later events find the collector gone.
  return [this, guard = guard_, handler] {
    const std::thread::id self = std::this_thread::get_id();
    {
      std::lock_guard lock(guard->mutex);
      if (!guard->alive) return;
      guard->running.push_back(self);
    }
    struct Leave {
      Guard& guard;
      std::thread::id self;
      ~Leave() {
        std::lock_guard lock(guard.mutex);
        guard.running.erase(std::find(guard.running.begin(), guard.running.end(), self));
        guard.left.notify_all();
      }
    } leave{*guard, self};
    (this->*handler)();
  };
}

void Collector::close_guard() {
  // Handlers still running on this very thread are the ones the destructor was called from.
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock lock(guard_->mutex);
  guard_->alive = false;
  guard_->left.wait(lock, [&] {
    return std::all_of(guard_->running.begin(), guard_->running.end(),
                       [&](std::thread::id id) { return id == self; });
  });
}

void Collector::bind() {
  form_.on("", ui::Event::created, guarded(&Collector::prepare_main_window));
  form_.on(start_button, ui::Event::clicked, guarded(&Collector::start_collection));
  form_.on(site_list, ui::Event::item_selected, guarded(&Collector::apply_default_delimiters));
  form_.on(timer, ui::Event::timer, guarded(&Collector::monitor_tick));
}

void Collector::hasten_monitor() {
  // The book need not wait for the next tick: once the downloads are over, an extra tick on
  // the UI thread starts the assembly at once. The timer's own tick finds nothing left to do.
  if (!cancelled() && state_.dispatch_started == 1 && state_.running_workers == 0)
    toolkit_.post(guarded(&Collector::monitor_tick));
}

void Collector::prepare_main_window() {
  state_.downloaded_count = 0;
  toolkit_.set_selection(form_, site_list, 0);
  write_delimiters(sites_.sites[0]);
}

void Collector::write_delimiters(const Site& site) {
  toolkit_.set_text(form_, left_box, site.left_delimiter);
  toolkit_.set_text(form_, right_box, site.right_delimiter);
}

fs::path Collector::download_folder() const {
  return program_dir_ / "小说下载";
}
fs::path Collector::temp_folder() const {
  return download_folder() / "temp";
}
fs::path Collector::chapter_file(int row) const {
  return temp_folder() / (std::to_string(row + 1) + ".txt");
}
fs::path Collector::book_file(const Text& title) const {
  return download_folder() / (book_file_name(title) + ".txt");
}

int Collector::site_index() const {
  return toolkit_.selection(form_, site_list);
}

bool Collector::start_thread(std::function<void()> body) {
  // A job starts one thread per chapter, a hundred at a time: small stacks stay in the C
  // library's stack cache, where the default 8 MiB ones would be mapped and unmapped each time.
  struct Start {
    Collector* self;
    std::function<void()> body;
  };
  auto* start = new Start{this, std::move(body)};
  {
    std::lock_guard lock(threads_mutex_);
    ++live_threads_;
  }
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 512 * 1024);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  const int error = pthread_create(
      &thread, &attr,
      [](void* arg) -> void* {
        std::unique_ptr<Start> start(static_cast<Start*>(arg));
        Collector* self = start->self;
        start->body();
        start.reset();  // nothing of the job may outlive the count below
        std::lock_guard lock(self->threads_mutex_);
        --self->live_threads_;
        self->threads_changed_.notify_all();
        return nullptr;
      },
      start);
  pthread_attr_destroy(&attr);
  if (error == 0) return true;
  delete start;
  std::lock_guard lock(threads_mutex_);
  --live_threads_;
  threads_changed_.notify_all();
  return false;
}

void Collector::finish_job() {
  state_.job_running.store(false, std::memory_order_release);
}

void Collector::start_collection() {
  if (cancelled()) return;
  // One job at a time: a second press would clear the rows and the temp folder under the
  // workers of the first.
  bool idle = false;
  if (!state_.job_running.compare_exchange_strong(idle, true, std::memory_order_acq_rel)) return;

  toolkit_.list_clear(form_, chapter_list);
  toolkit_.set_text(form_, body_pane, "");
  std::error_code ec;
  const fs::path download = download_folder(), temp = temp_folder();
  if (!is_real_directory(download)) fs::create_directory(download, ec);
  // remove_all removes a symbolic link itself, never what it points to.
  if (fs::exists(fs::symlink_status(temp, ec))) fs::remove_all(temp, ec);
  fs::create_directory(temp, ec);
  if (!is_real_directory(temp)) {
    finish_job();
    toolkit_.message_box(gbk<"目录操作失败！">());
    return;
  }
  // The previous collector ended long ago (its job has finished); joining it frees the slot.
  std::lock_guard lock(collector_mutex_);
  if (state_.collector_thread.joinable()) state_.collector_thread.join();
  state_.failed_count = 0;
  try {
    state_.collector_thread = std::thread([this] { collect_catalog(); });
  } catch (const std::system_error&) {
    finish_job();
    toolkit_.message_box(gbk<"目录操作失败！">());
  }
}

void Collector::collect_catalog() {
  int index = -1;
  // Only the first branch whose index is read runs: a selection changed while the collector
  // works must not collect a second catalog into the same list.
  for (int candidate : site_order)
    if (site_index() == candidate) {
      index = candidate;
      break;
    }
  if (index < 0) return finish_job();

  const Site& site = sites_.sites[index];
  Text link_base;
  if (site.link_base == LinkBase::catalog_address) link_base = toolkit_.text(form_, address_box);
  if (site.link_base == LinkBase::host) link_base = site.host;
  const Text address = toolkit_.text(form_, address_box);
  Text head;
  state_.page_text =
      text_from_body(web_request(address, site.catalog_method, {}, nullptr, nullptr, nullptr, &head,
                                 false, nullptr, {}, true, &cancel_requests_));
  const Text error = last_request_error();
  if (cancelled()) return finish_job();
  const Text* subject = &state_.page_text;
  if (index == 3) {
    state_.catalog_slice = text_between(state_.page_text, sites_.slice_left, sites_.slice_right);
    subject = &state_.catalog_slice;
  }
  regex_.search(site.catalog_pattern, *subject);
  const int n = regex_.match_count();
  const Text& waiting = gbk<"等待下载">();
  for (int i = 1; i <= n; ++i) {
    int row = toolkit_.list_insert(form_, chapter_list, i - 1);
    toolkit_.list_set_cell(form_, chapter_list, row, 2, link_base + regex_.submatch_text(i, 1));
    toolkit_.list_set_cell(form_, chapter_list, row, 0, regex_.submatch_text(i, 2));
    toolkit_.list_set_cell(form_, chapter_list, row, 1, waiting);
  }
  toolkit_.set_visible(form_, total_label, true);
  toolkit_.set_visible(form_, downloaded_label, true);
  state_.chapter_count = toolkit_.list_count(form_, chapter_list);
  toolkit_.set_text(form_, total_label, gbk<"总章节：">() + std::to_string(state_.chapter_count));
  if (state_.chapter_count == 0) explain_empty_catalog(head, error);

  // The book title is read by the assembly only after it has joined this thread.
  auto dispatch = [this] {
    if (!start_thread([this] { dispatch_chapters(); })) finish_job();
  };
  if (site.dispatch_before_title) dispatch();
  regex_.search(site.title_pattern, state_.page_text);
  state_.book_title = regex_.submatch_text(1, 1);
  if (!site.dispatch_before_title) dispatch();
}

void Collector::explain_empty_catalog(const Text& head, const Text& error) {
  // One line in the body pane: no message box, but no silence either.
  const int status = response_status(head);
  Text why;
  if (status == 0)
    why = gbk<"目录页无法获取：">() + (error.empty() ? gbk<"服务器没有应答">() : error);
  else if (!is_success(status))
    why = gbk<"目录页无法获取：HTTP ">() + std::to_string(status);
  else
    why = gbk<"目录页中没有找到章节：所选网站不对，或网站已改版">();
  toolkit_.set_text(form_, body_pane, why);
}

void Collector::apply_default_delimiters() {
  for (int candidate : site_order)
    if (site_index() == candidate) return write_delimiters(sites_.sites[candidate]);
}

Text Collector::extract_chapter_text(const Text& page) {
  const Text left = toolkit_.text(form_, left_box);
  const Text right = toolkit_.text(form_, right_box);
  Text cleaned = clean_chapter_text(text_between(page, left, right));
  toolkit_.set_text(form_, body_pane, cleaned);
  return cleaned;
}

Text Collector::clean_chapter_text(const Text& text) {
  Text out = text;
  BytePairs pairs(out);
  int group = -1;  // the site group whose index was read last
  bool applies = false;
  for (const CleaningStep& step : steps_) {
    if (step.site >= 0 && step.site != group) {
      group = step.site;
      applies = site_index() == group;
    }
    if ((step.site >= 0 && !applies) || !pairs.may_hold(step.find)) continue;
    Text replaced = replace_all(out, step.find, step.replacement);
    if (replaced != out) {
      out = std::move(replaced);
      pairs.fill(out);
    }
  }
  return out;
}

void Collector::dispatch_chapters() {
  int started = 0;
  while (!cancelled()) {
    const int n = toolkit_.list_count(form_, chapter_list);
    if (started >= n) break;
    {
      std::unique_lock lock(threads_mutex_);
      threads_changed_.wait(
          lock, [&] { return cancelled() || state_.running_workers < options_.worker_limit; });
      if (cancelled()) break;
      ++state_.running_workers;
    }
    const int row = started++;
    if (!start_thread([this, row] { download_chapter(row); })) {
      toolkit_.list_set_cell(form_, chapter_list, row, 1, gbk<"下载失败">());
      ++state_.failed_count;
      worker_done();
    }
    // Only once the last row's worker has been counted may the monitor see the downloads end.
    if (started >= toolkit_.list_count(form_, chapter_list)) state_.dispatch_started = 1;
  }
  hasten_monitor();
  if (started == 0) finish_job();  // no worker, so no assembly will end this job
}

void Collector::worker_done() {
  {
    std::lock_guard lock(threads_mutex_);
    --state_.running_workers;
    threads_changed_.notify_all();
  }
  hasten_monitor();
}

void Collector::download_chapter(int row) {
  const Text link = toolkit_.list_cell(form_, chapter_list, row, 2);
  Text text;
  std::chrono::milliseconds pause{0};
  for (int attempt = 1; attempt <= options_.chapter_attempts; ++attempt) {
    if (attempt > 1 && !pause_unless_cancelled(pause)) break;
    Text head;
    const Text page = text_from_body(web_request(link, 0, {}, nullptr, nullptr, nullptr, &head,
                                                 false, nullptr, {}, true, &cancel_requests_));
    if (cancelled()) break;
    pause = options_.retry_delay * attempt;
    // An error page is no chapter, whatever it holds; a busy site may say when to come back.
    if (const int status = response_status(head); status != 0 && !is_success(status)) {
      text.clear();
      const long after = status == 429 || status == 503 ? retry_after_seconds(head) : -1;
      if (after >= 0)
        pause = std::min<std::chrono::milliseconds>(std::chrono::seconds(after),
                                                    options_.retry_after_limit);
      continue;
    }
    text = clean_chapter_text(extract_chapter_text(page));
    if (!text.empty()) break;
  }
  if (cancelled()) return worker_done();  // the row keeps its state; nothing is assembled

  const Text title = toolkit_.list_cell(form_, chapter_list, row, 0);
  const bool ok = write_whole_file(chapter_file(row), title, text) && !text.empty();
  toolkit_.list_set_cell(form_, chapter_list, row, 1, ok ? gbk<"下载完成">() : gbk<"下载失败">());
  toolkit_.process_events();
  if (ok) {
    // Raising the count and showing it go together, or a slower worker could show an older
    // count over a newer one and the label would stay behind at the end.
    std::lock_guard lock(count_mutex_);
    int count = ++state_.downloaded_count;
    toolkit_.set_text(form_, downloaded_label, gbk<"已下载章节：">() + std::to_string(count));
  } else {
    ++state_.failed_count;
  }
  worker_done();
}

void Collector::monitor_tick() {
  toolkit_.set_text(form_, running_label,
                    gbk<"运行线程：">() + std::to_string(state_.running_workers.load()));
  int started = 1;
  if (cancelled()) return;
  if (state_.running_workers == 0 && state_.dispatch_started.compare_exchange_strong(started, 0))
    if (!start_thread([this] { assemble_book(); })) finish_job();
}

void Collector::assemble_book() {
  // The collector may still be setting the title when the last chapter is written (the sites
  // that dispatch before the title search); joining it publishes the title.
  join_collector();
  if (cancelled()) return;
  const fs::path path = book_file(state_.book_title);
  std::ofstream book(path, std::ios::binary | std::ios::trunc);
  const int n = toolkit_.list_count(form_, chapter_list);
  for (int i = 0; i < n; ++i) {
    const Bytes chapter = read_whole_file(chapter_file(i));
    book.write(chapter.data(), static_cast<std::streamsize>(chapter.size()));
  }
  toolkit_.process_events();
  book.close();
  const bool written = !book.fail();
  toolkit_.open_in_shell(download_folder().string());

  Text message = gbk<"小说下载完成！">();
  if (!written)
    message += "\n" + gbk<"书籍文件无法写入：">() + utf8_to_gbk(path.filename().string());
  if (int failed = state_.failed_count; failed > 0)
    message += "\n" + std::to_string(failed) + gbk<" 章下载失败">();
  finish_job();
  toolkit_.message_box(message);
}

}  // namespace lumetra
