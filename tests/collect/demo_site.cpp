// Serves a sample book on 127.0.0.1 in the formats of three sites, so that a whole job can be
// tried without the network. Prints the catalog addresses to paste, then serves until stopped.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "tests/collect/site_pages.h"
#include "tests/support/http_server.h"
#include "text/gbk.h"

using namespace lumetra;

namespace {
volatile std::sig_atomic_t stop = 0;
}

int main(int argc, char** argv) {
  int chapters = argc > 1 ? std::atoi(argv[1]) : 40;
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
  static const char* const names[] = {"", "顶点小说", "", "无名小说", "阅读悦"};
  {
    std::lock_guard lock(mutex);
    for (int site : {1, 3, 4}) {
      auto book = testing::generated_chapters(site, host, chapters, 1500);
      pages[testing::catalog_path(site)] =
          testing::catalog_page(site, utf8_to_gbk(std::string("示例小说（") + names[site] + "）"),
                                book, "http://" + host);
      for (const auto& c : book)
        pages[testing::chapter_path(site, c)] = testing::chapter_page(site, c.raw);
    }
  }
  std::printf(
      "Sample book served on %s. In Lumetra choose the site, paste its address and press "
      "开始采集:\n",
      host.c_str());
  for (int site : {1, 3, 4})
    std::printf("  %s  http://%s%s\n", names[site], host.c_str(),
                testing::catalog_path(site).c_str());
  std::printf("Press Ctrl-C to stop.\n");
  std::fflush(stdout);
  std::signal(SIGINT, [](int) { stop = 1; });
  std::signal(SIGTERM, [](int) { stop = 1; });
  while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return 0;
}
