// A novel site on 127.0.0.1 for the job's tests: pages by path, each able to fail its first
// requests or to answer late, with a count of the requests each path received.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/http_server.h"
#include "text/text.h"

namespace lumetra::testing {

class SiteServer {
 public:
  SiteServer();

  // `failures`: the first requests answer 503 with a page that holds no chapter.
  void put(const std::string& path, const Text& body, int failures = 0,
           std::chrono::milliseconds delay = {});
  // The next requests of a page that is `put` get these answers, in order, before its own.
  void script(const std::string& path, std::vector<HttpResponse> answers);
  std::string host() const;                        // "127.0.0.1:PORT"
  std::string url(const std::string& path) const;  // "http://127.0.0.1:PORT/path"
  int hits(const std::string& path) const;
  // When each request of the page arrived.
  std::vector<std::chrono::steady_clock::time_point> hit_times(const std::string& path) const;
  std::string last_method(const std::string& path) const;
  HttpServer& http() { return server_; }

 private:
  struct Page {
    Text body;
    std::chrono::milliseconds delay{0};
    std::deque<HttpResponse> script;
    std::vector<std::chrono::steady_clock::time_point> hit_times;
    std::string last_method;
  };
  HttpResponse answer(const HttpRequest& request);

  mutable std::mutex mutex_;
  std::map<std::string, Page> pages_;
  HttpServer server_;  // last: stopped before the pages go
};

}  // namespace lumetra::testing
