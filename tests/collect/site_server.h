// A novel site on 127.0.0.1 for the job's tests: pages by path, each able to fail its first
// requests or to answer late, with a count of the requests each path received.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include "tests/support/http_server.h"
#include "text/text.h"

namespace lumetra::testing {

class SiteServer {
 public:
  SiteServer();

  // `failures`: the first requests answer 503 with a page that holds no chapter.
  void put(const std::string& path, const Text& body, int failures = 0,
           std::chrono::milliseconds delay = {});
  std::string host() const;                        // "127.0.0.1:PORT"
  std::string url(const std::string& path) const;  // "http://127.0.0.1:PORT/path"
  int hits(const std::string& path) const;
  std::string last_method(const std::string& path) const;
  HttpServer& http() { return server_; }

 private:
  struct Page {
    Text body;
    int failures = 0;
    std::chrono::milliseconds delay{0};
    int hits = 0;
    std::string last_method;
  };
  HttpResponse answer(const HttpRequest& request);

  mutable std::mutex mutex_;
  std::map<std::string, Page> pages_;
  HttpServer server_;  // last: stopped before the pages go
};

}  // namespace lumetra::testing
