// Requests that are all in flight at the same moment, for the tests that count concurrency.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/http_server.h"
#include "web/web.h"

namespace lumetra::testing {

// Holds each request in the server's handler until `count` have arrived (or a minute has
// passed), so that all of them are being answered at once; later requests pass straight on.
class ArrivalBarrier {
 public:
  explicit ArrivalBarrier(int count) : count_(count) {}
  void arrive() {
    std::unique_lock lock(mutex_);
    if (++arrived_ == count_) all_in_.notify_all();
    all_in_.wait_for(lock, std::chrono::seconds(60), [&] { return arrived_ >= count_; });
  }

 private:
  const int count_;
  std::mutex mutex_;
  std::condition_variable all_in_;
  int arrived_ = 0;
};

// One web_request per path "/0", "/1", ... from threads of their own; the bodies in order.
inline std::vector<Bytes> fetch_at_once(const HttpServer& server, int calls) {
  std::vector<Bytes> bodies(calls);
  std::vector<std::thread> threads;
  for (int i = 0; i < calls; ++i)
    threads.emplace_back(
        [&, i] { bodies[i] = web_request(server.base_url() + "/" + std::to_string(i)); });
  for (auto& t : threads) t.join();
  return bodies;
}

}  // namespace lumetra::testing
