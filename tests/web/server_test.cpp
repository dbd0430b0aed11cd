// The loopback server's own promises that other tests and the benchmarks rely on.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "tests/support/http_server.h"
#include "tests/web/all_at_once.h"
#include "web/web.h"

namespace lumetra::testing {
namespace {

using namespace std::chrono_literals;

int connect_to(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  return fd;
}

TEST(TestServer, ServesAHundredAndFiftyConnectionsAtOnceAndCountsThem) {
  constexpr int calls = 150;
  ArrivalBarrier barrier(calls);
  HttpServer server([&](const HttpRequest& req) {
    barrier.arrive();
    HttpResponse r;
    r.body = req.target;
    return r;
  });
  const std::vector<Bytes> bodies = fetch_at_once(server, calls);
  for (int i = 0; i < calls; ++i) EXPECT_EQ(bodies[i], "/" + std::to_string(i));
  EXPECT_EQ(server.max_concurrent(), calls);
  EXPECT_EQ(server.request_count(), calls);

  // Sequential requests never overlap in the count, though each answer ends a request.
  server.reset_counts();
  for (int i = 0; i < 20; ++i) web_request(server.base_url() + "/s");
  EXPECT_EQ(server.max_concurrent(), 1);
  EXPECT_EQ(server.request_count(), 20);
}

TEST(TestServer, StopsWhileConnectionsWaitForAnswersOrRequests) {
  std::vector<int> clients;
  {
    HttpServer server([](const HttpRequest&) {
      HttpResponse r;
      r.never_answer = true;
      return r;
    });
    // Some have asked and wait for an answer that never comes; some never finish asking.
    for (int i = 0; i < 10; ++i) {
      int fd = connect_to(server.port());
      if (i % 2 == 0) {
        const std::string request = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
      }
      clients.push_back(fd);
    }
    while (server.request_count() < 5) std::this_thread::sleep_for(10ms);
  }
  // The server closed every connection when it went.
  for (int fd : clients) {
    char c;
    EXPECT_EQ(::recv(fd, &c, 1, 0), 0);
    ::close(fd);
  }
}

}  // namespace
}  // namespace lumetra::testing
