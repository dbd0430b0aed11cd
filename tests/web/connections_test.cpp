// Kept-alive connections under web_request, and cancelling calls from another thread.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "tests/support/http_server.h"
#include "text/gbk.h"
#include "web/web.h"

namespace lumetra {
namespace {

using testing::HttpRequest;
using testing::HttpResponse;
using testing::HttpServer;
using testing::test_certificates;
using namespace std::chrono_literals;

class Connections : public ::testing::Test {
 protected:
  void SetUp() override { set_web_test_settings({.extra_ca_file = test_certificates().ca_file}); }
  void TearDown() override { set_web_test_settings({}); }
};

std::unique_ptr<HttpServer> make_server(bool secure, testing::HttpHandler handler) {
  if (!secure) return std::make_unique<HttpServer>(std::move(handler));
  return std::make_unique<HttpServer>(
      std::move(handler),
      HttpServer::Tls{test_certificates().certificate_file, test_certificates().key_file});
}

TEST_F(Connections, CallsOnManyThreadsReuseTheirConnections) {
  constexpr int threads = 8, calls_each = 25;
  for (bool secure : {false, true}) {
    SCOPED_TRACE(secure ? "https" : "http");
    auto server = make_server(secure, [](const HttpRequest& req) {
      HttpResponse r;
      r.body = req.head;
      return r;
    });
    std::vector<std::vector<Bytes>> seen(threads);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
      pool.emplace_back([&, t] {
        for (int i = 0; i < calls_each; ++i)
          seen[t].push_back(web_request(server->base_url() + "/" + std::to_string(t)));
      });
    for (auto& t : pool) t.join();
    EXPECT_EQ(server->request_count(), threads * calls_each);
    EXPECT_LE(server->connection_count(), threads);
    // A reused connection carries exactly the bytes a fresh one did.
    for (int t = 0; t < threads; ++t)
      for (const Bytes& head : seen[t]) EXPECT_EQ(head, seen[t][0]);
    EXPECT_EQ(seen[0][0].substr(0, 17), "GET /0 HTTP/1.1\r\n");
  }
}

TEST_F(Connections, AConnectionTheServerClosedIsReplacedWithoutLosingARequest) {
  struct Case {
    const char* name;
    void (*close)(HttpResponse&, const HttpRequest&);
  };
  const std::array cases{
      // Closed after every second answer without a word, as an idle time-out does.
      Case{"closed after an answer",
           [](HttpResponse& r, const HttpRequest& req) {
             r.drop_connection = req.on_connection == 2;
           }},
      // Closed just as the next request arrives: that request got no answer at all.
      Case{"closed as a request arrives",
           [](HttpResponse& r, const HttpRequest& req) { r.hang_up = req.on_connection == 2; }},
  };
  for (const auto& [name, close] : cases) {
    SCOPED_TRACE(name);
    auto server = make_server(false, [close](const HttpRequest& req) {
      HttpResponse r;
      r.body = "page " + req.target + " " + req.body;
      close(r, req);
      return r;
    });
    for (int i = 0; i < 10; ++i) {
      const std::string n = std::to_string(i);
      EXPECT_EQ(web_request(server->base_url() + "/" + n), "page /" + n + " ");
      // A form post is sent again whole on the new connection.
      EXPECT_EQ(web_request(server->base_url() + "/p" + n, 1, "x=" + n), "page /p" + n + " x=" + n);
    }
    EXPECT_GT(server->connection_count(), 1);
  }
}

TEST_F(Connections, CancellingEndsCallsInFlightAndStopsLaterOnes) {
  set_web_test_settings({.receive_timeout = 10min, .extra_ca_file = test_certificates().ca_file});
  for (bool secure : {false, true}) {
    SCOPED_TRACE(secure ? "https" : "http");
    auto server = make_server(secure, [](const HttpRequest&) {
      HttpResponse r;
      r.never_answer = true;
      return r;
    });
    RequestCancel cancel;
    constexpr int calls = 5;
    std::vector<Text> heads(calls), errors(calls);
    std::vector<Bytes> bodies(calls);
    std::vector<std::thread> threads;
    for (int i = 0; i < calls; ++i)
      threads.emplace_back([&, i] {
        bodies[i] = web_request(server->base_url() + "/", 0, "", nullptr, nullptr, nullptr,
                                &heads[i], false, nullptr, "", true, &cancel);
        errors[i] = last_request_error();
      });
    while (server->request_count() < calls) std::this_thread::sleep_for(5ms);
    cancel.cancel();
    cancel.cancel();  // a second time changes nothing
    for (auto& t : threads) t.join();
    for (int i = 0; i < calls; ++i) {
      EXPECT_EQ(bodies[i], "");
      EXPECT_EQ(heads[i], Text(5000, ' '));
      EXPECT_EQ(errors[i], gbk<"已取消">());
    }
    // Once cancelled, a call is not even sent.
    EXPECT_EQ(web_request(server->base_url() + "/later", 0, "", nullptr, nullptr, nullptr, nullptr,
                          false, nullptr, "", true, &cancel),
              "");
    EXPECT_EQ(server->request_count(), calls);
    EXPECT_TRUE(cancel.cancelled());
  }
}

}  // namespace
}  // namespace lumetra
