// Serves a sample book on 127.0.0.1 in the formats of three sites, so that a whole job can be
// tried without the network. Prints the catalog addresses to paste, then serves until stopped.
// With --job FOLDER it also runs the three jobs itself, headless, with FOLDER as the program's
// directory (made when missing), prints what each produced and ends; the exit code is 0 only
// when every job ended in "小说下载完成！" alone.
//
// Usage: demo_site [--job FOLDER] [chapters]
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "collect/collector.h"
#include "tests/collect/site_pages.h"
#include "tests/support/http_server.h"
#include "text/gbk.h"
#include "ui/headless_toolkit.h"
#include "ui/main_form.h"

using namespace lumetra;

namespace {

volatile std::sig_atomic_t stop = 0;
constexpr int demo_sites[] = {1, 3, 4};
const char* const site_names[] = {"", "顶点小说", "", "无名小说", "阅读悦"};

// One whole job per site, as a person would run it in the window.
int run_jobs(const std::string& host, const std::filesystem::path& folder) {
  ui::HeadlessToolkit toolkit;
  Regex regex;
  auto main = ui::make_main_form(built_in_sites().entries());
  ui::Form& form = *main;
  Collector collector(toolkit, form, built_in_sites(), folder, regex);
  collector.bind();
  toolkit.run_on_ui([&] { toolkit.load(std::move(main)); });
  int failures = 0;
  for (std::size_t i = 0; i < std::size(demo_sites); ++i) {
    const int site = demo_sites[i];
    toolkit.choose(form, "组合框1", site);
    toolkit.set_text(form, "编辑框_链接", "http://" + host + testing::catalog_path(site));
    toolkit.click(form, "超级按钮_采集");
    if (!toolkit.wait_for_messages(i + 1, std::chrono::minutes(2))) {
      std::printf("  %s: no result within two minutes\n", site_names[site]);
      ++failures;
      continue;
    }
    const auto book = collector.book_file(collector.state().book_title);
    const Text message = toolkit.messages().back();
    std::error_code ec;
    const auto size = std::filesystem::file_size(book, ec);
    if (ec)
      std::printf("  %s: no book file %s", site_names[site], book.c_str());
    else
      std::printf("  %s: %s (%ju bytes)", site_names[site], book.c_str(),
                  static_cast<std::uintmax_t>(size));
    std::printf(", message: %s\n", gbk_to_utf8(message).c_str());
    // A job that lost a chapter or its book ends in a longer message.
    if (ec || message != gbk<"小说下载完成！">()) ++failures;
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path job_folder;
  int chapters = 40;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--job") == 0 && i + 1 < argc)
      job_folder = argv[++i];
    else
      chapters = std::atoi(argv[i]);
  }
  if (chapters <= 0) {
    std::fprintf(stderr, "usage: demo_site [--job FOLDER] [chapters]\n");
    return 2;
  }

  std::map<std::string, Text> pages;
  std::mutex mutex;
  testing::HttpServer server([&](const testing::HttpRequest& request) {
    testing::HttpResponse response;
    std::lock_guard lock(mutex);
    auto it = pages.find(request.target);
    if (it == pages.end()) {
      response.status = 404;
      response.reason = "Not Found";
      return response;
    }
    response.headers = {{"Content-Type", "text/html; charset=gbk"}};
    response.body = it->second;
    return response;
  });
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  {
    std::lock_guard lock(mutex);
    for (int site : demo_sites) {
      auto book = testing::generated_chapters(site, host, chapters, 1500);
      const Text title = utf8_to_gbk(std::string("示例小说（") + site_names[site] + "）");
      pages[testing::catalog_path(site)] =
          testing::catalog_page(site, title, book, "http://" + host);
      for (const auto& c : book)
        pages[testing::chapter_path(site, c)] = testing::chapter_page(site, c.raw);
    }
  }
  std::printf("Sample book of %d chapters served on %s, catalog addresses:\n", chapters,
              host.c_str());
  for (int site : demo_sites)
    std::printf("  %s  http://%s%s\n", site_names[site], host.c_str(),
                testing::catalog_path(site).c_str());
  if (!job_folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(job_folder, ec);
    if (!std::filesystem::is_directory(job_folder)) {
      std::fprintf(stderr, "cannot make the folder %s\n", job_folder.c_str());
      return 1;
    }
    std::printf("Running the three jobs headless in %s:\n", job_folder.c_str());
    return run_jobs(host, job_folder);
  }
  std::printf("Choose the site, paste its address and press 开始采集. Ctrl-C stops.\n");
  std::fflush(stdout);
  std::signal(SIGINT, [](int) { stop = 1; });
  std::signal(SIGTERM, [](int) { stop = 1; });
  while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return 0;
}
