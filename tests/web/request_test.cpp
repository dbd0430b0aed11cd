#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"
#include "tests/web/all_at_once.h"
#include "text/gbk.h"
#include "web/web.h"

namespace lumetra {
namespace {

using testing::HttpRequest;
using testing::HttpResponse;
using testing::HttpServer;
using testing::test_certificates;
using namespace std::chrono_literals;

const Text no_answer(5000, ' ');
const Text agent = default_user_agent;

HttpServer::Tls tls() {
  return {test_certificates().certificate_file, test_certificates().key_file};
}

HttpResponse ok(std::string body) {
  HttpResponse r;
  r.body = std::move(body);
  return r;
}

HttpResponse echo_head(const HttpRequest& req) {
  return ok(req.head + req.body);
}

// Trusts the test authority and restores the default settings afterwards.
class WebRequest : public ::testing::Test {
 protected:
  void SetUp() override { set_web_test_settings({.extra_ca_file = test_certificates().ca_file}); }
  void TearDown() override { set_web_test_settings({}); }
};

TEST_F(WebRequest, GetSendsExactlyTheComposedBlock) {
  HttpServer server(echo_head);
  const Text url = server.base_url() + "/Book/1.html?Id=7";
  Text headers, returned_headers, returned_cookies = "stale";
  Bytes body = web_request(url, 0, "", nullptr, &returned_cookies, &headers, &returned_headers);
  const Text host = "127.0.0.1:" + std::to_string(server.port());
  const Text block = "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn";
  EXPECT_EQ(body, "GET /Book/1.html?Id=7 HTTP/1.1\r\nHost: " + host + "\r\nUser-Agent: " + agent +
                      "\r\n" + block + "\r\n\r\n");
  EXPECT_EQ(headers, block);
  EXPECT_EQ(returned_headers,
            "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
  EXPECT_EQ(returned_cookies, "");
}

TEST_F(WebRequest, EmptyPostSendsTheFormTypeAndAZeroLength) {
  HttpServer server(echo_head);
  const Text url = server.base_url() + "/list";
  Bytes submit_bytes;
  Bytes body = web_request(url, 1, "", nullptr, nullptr, nullptr, nullptr, false, &submit_bytes);
  EXPECT_EQ(body,
            "POST /list HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                "\r\nUser-Agent: " + agent + "\r\nAccept: */*\r\nReferer: " + url +
                "\r\nAccept-Language: zh-cn\r\n"
                "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(submit_bytes, "");
}

TEST_F(WebRequest, MethodCodesVerbsAndBodies) {
  HttpServer server([](const HttpRequest& req) {
    return ok(req.method + "|" + req.header("Content-Type") + "|" + req.header("Content-Length") +
              "|" + req.body);
  });
  struct Case {
    int method;
    Text submit_text, submit_bytes;
    Text seen;         // method, content type, length and body as the server saw them
    Text bytes_after;  // submit_bytes on return
  };
  const Text form = "application/x-www-form-urlencoded";
  const std::array cases = {
      Case{-1, "a=1", "", "GET|||", ""},
      Case{8, "a=1", "", "GET|||", ""},
      Case{0, "a=1", "raw", "GET|||", "raw"},  // GET never sends a body
      Case{1, "a=1", "", "POST|" + form + "|3|a=1", "a=1"},
      Case{1, "a=1", "b=22", "POST|" + form + "|4|b=22", "b=22"},  // bytes take precedence
      Case{3, "k=v", "", "PUT||3|k=v", "k=v"},                     // no form type for PUT
      Case{4, "", "", "OPTIONS|||", ""},
      Case{5, "", "", "DELETE|||", ""},
      Case{6, "", "", "TRACE|||", ""},
  };
  for (const auto& [method, submit_text, submit_bytes, seen, bytes_after] : cases) {
    SCOPED_TRACE(method);
    Bytes bytes = submit_bytes;
    EXPECT_EQ(web_request(server.base_url() + "/m", method, submit_text, nullptr, nullptr, nullptr,
                          nullptr, false, &bytes),
              seen);
    EXPECT_EQ(bytes, bytes_after);
  }
  // HEAD: the answer has no body, but its head comes back.
  Text returned_headers;
  EXPECT_EQ(
      web_request(server.base_url() + "/m", 2, "", nullptr, nullptr, nullptr, &returned_headers),
      "");
  EXPECT_EQ(returned_headers.substr(0, 15), "HTTP/1.1 200 OK");
}

TEST_F(WebRequest, AddressFormsReachTheRightServerPortAndPath) {
  auto target_and_host = [](const HttpRequest& req) {
    return ok(req.target + " " + req.header("Host"));
  };
  HttpServer plain(target_and_host);
  HttpServer secure(target_and_host, tls());
  const Text p = std::to_string(plain.port()), s = std::to_string(secure.port());
  struct Case {
    Text url, seen;
  };
  const std::array cases = {
      Case{"127.0.0.1:" + p + "/plain/A?Q=1", "/plain/A?Q=1 127.0.0.1:" + p},
      Case{"Http://127.0.0.1:" + p + "/X", "/X 127.0.0.1:" + p},
      Case{"http://127.0.0.1:" + p, "/ 127.0.0.1:" + p},
      // A query right after the host falls outside the path by the textual rule.
      Case{"http://127.0.0.1:" + p + "?q=1", "/ 127.0.0.1:" + p},
      Case{"HTTPS://LocalHost:" + s + "/Mixed/Path?Q=Ab", "/Mixed/Path?Q=Ab localhost:" + s},
      Case{"https://localhost:" + s, "/ localhost:" + s},
  };
  for (const auto& [url, seen] : cases) {
    SCOPED_TRACE(url);
    EXPECT_EQ(web_request(url), seen);
  }
}

TEST_F(WebRequest, EmptyBodiesAndErrorPagesAreResults) {
  HttpServer server([](const HttpRequest& req) {
    HttpResponse r;
    if (req.target == "/missing") {
      r.status = 404;
      r.reason = "Not Found";
      r.body = "no such chapter";
    }
    return r;
  });
  Text returned_headers;
  EXPECT_EQ(web_request(server.base_url() + "/empty", 0, "", nullptr, nullptr, nullptr,
                        &returned_headers),
            "");
  EXPECT_EQ(returned_headers, "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(web_request(server.base_url() + "/missing", 0, "", nullptr, nullptr, nullptr,
                        &returned_headers),
            "no such chapter");
  EXPECT_EQ(returned_headers.substr(0, 24), "HTTP/1.1 404 Not Found\r\n");
}

TEST_F(WebRequest, HeaderBlocksAreHandedBackUpTo4999Bytes) {
  struct Case {
    std::size_t head_size;
    bool kept;
  };
  for (const auto& [head_size, kept] :
       std::array{Case{4999, true}, Case{5000, false}, Case{12000, false}}) {
    SCOPED_TRACE(head_size);
    const Text start = "HTTP/1.1 200 OK\r\nSet-Cookie: big=1; Path=/big\r\nX-Pad: ";
    const Text end = "\r\nContent-Length: 4\r\nConnection: close\r\n\r\n";
    const Text head = start + Text(head_size - start.size() - end.size(), 'p') + end;
    ASSERT_EQ(head.size(), head_size);
    HttpServer server([&](const HttpRequest&) {
      HttpResponse r;
      r.raw = head + "body";
      return r;
    });
    Text returned_headers, returned_cookies;
    Text cookies;  // supplied, so that the process-wide store stays out of it
    EXPECT_EQ(web_request(server.base_url(), 0, "", &cookies, &returned_cookies, nullptr,
                          &returned_headers),
              "body");
    EXPECT_EQ(returned_headers, kept ? head : no_answer);
    EXPECT_EQ(returned_cookies, kept ? "big=1" : "");
  }
}

TEST_F(WebRequest, HeaderLinesEndInCrLfWhateverTheServerUsed) {
  HttpServer server([](const HttpRequest&) {
    HttpResponse r;
    r.raw = "HTTP/1.1 200 OK\nContent-Length: 2\nX-A: b\n\nok";
    return r;
  });
  Text returned_headers;
  EXPECT_EQ(web_request(server.base_url(), 0, "", nullptr, nullptr, nullptr, &returned_headers),
            "ok");
  EXPECT_EQ(returned_headers, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-A: b\r\n\r\n");
}

HttpResponse redirect(int status, std::string location) {
  HttpResponse r;
  r.status = status;
  r.reason = "Moved";
  r.headers = {{"Location", std::move(location)}};
  r.body = "moved";
  return r;
}

TEST_F(WebRequest, RedirectsAreFollowedAndPostTurnsIntoGetOn301To303) {
  std::atomic<int> status{0};
  HttpServer server([&](const HttpRequest& req) {
    if (req.target == "/from") return redirect(status, "/to");
    return ok(req.method + "|" + req.header("Content-Type") + "|" + req.body);
  });
  struct Case {
    int status;
    Text seen;
  };
  const Text form = "application/x-www-form-urlencoded";
  for (const auto& [code, seen] :
       std::array{Case{301, "GET||"}, Case{302, "GET||"}, Case{303, "GET||"},
                  Case{307, "POST|" + form + "|a=1"}, Case{308, "POST|" + form + "|a=1"}}) {
    SCOPED_TRACE(code);
    status = code;
    Text returned_headers;
    EXPECT_EQ(web_request(server.base_url() + "/from", 1, "a=1", nullptr, nullptr, nullptr,
                          &returned_headers),
              seen);
    EXPECT_EQ(returned_headers.substr(0, 15), "HTTP/1.1 200 OK");
  }
  // With no_redirect the redirect itself is the result.
  status = 302;
  server.reset_counts();
  Text returned_headers;
  EXPECT_EQ(web_request(server.base_url() + "/from", 0, "", nullptr, nullptr, nullptr,
                        &returned_headers, true),
            "moved");
  EXPECT_NE(returned_headers.find("\r\nLocation: /to\r\n"), npos);
  EXPECT_EQ(returned_headers.substr(0, 18), "HTTP/1.1 302 Moved");
  EXPECT_EQ(server.request_count(), 1);
}

TEST_F(WebRequest, HttpRedirectsToHttpsTransparently) {
  HttpServer secure([](const HttpRequest& req) { return ok("secure " + req.target); }, tls());
  HttpServer plain([&](const HttpRequest&) { return redirect(301, secure.base_url() + "/ch/2"); });
  EXPECT_EQ(web_request(plain.base_url() + "/ch/1"), "secure /ch/2");
}

TEST_F(WebRequest, AServerNobodyTrustsGivesNothing) {
  testing::TempDir folder;
  const auto other = testing::make_test_certificates(folder.path().string());
  HttpServer untrusted([](const HttpRequest&) { return ok("secret"); },
                       {other.certificate_file, other.key_file});
  Text returned_headers;
  EXPECT_EQ(web_request(untrusted.base_url(), 0, "", nullptr, nullptr, nullptr, &returned_headers),
            "");
  EXPECT_EQ(returned_headers, no_answer);
  // The same server is reached once its authority is trusted.
  set_web_test_settings({.extra_ca_file = other.ca_file});
  EXPECT_EQ(web_request(untrusted.base_url()), "secret");
}

// "/AREA/set/NAME=VALUE" sets that cookie for the paths under /AREA only (the store is one for
// the whole process, so each test keeps to an area of its own); every answer's body is the
// Cookie line the request carried.
HttpResponse cookie_server(const HttpRequest& req) {
  HttpResponse r;
  std::size_t set = req.target.find("/set/");
  if (set != npos)
    r.headers = {
        {"Set-Cookie", req.target.substr(set + 5) + "; Path=" + req.target.substr(0, set)}};
  r.body = req.header("Cookie");
  return r;
}

TEST_F(WebRequest, OneCookieStoreServesEveryThread) {
  HttpServer server(cookie_server);
  Text returned_cookies;
  std::thread([&] {
    web_request(server.base_url() + "/ck/set/shared=v1", 0, "", nullptr, &returned_cookies);
  }).join();
  EXPECT_EQ(returned_cookies, "shared=v1");
  Bytes seen;
  std::thread([&] { seen = web_request(server.base_url() + "/ck/echo"); }).join();
  EXPECT_EQ(seen, "shared=v1");
  // Outside the cookie's path nothing is sent.
  EXPECT_EQ(web_request(server.base_url() + "/other"), "");
}

TEST_F(WebRequest, SuppliedCookiesSwitchTheStoreOff) {
  HttpServer server(cookie_server);
  web_request(server.base_url() + "/ck2/set/stored=1");
  ASSERT_EQ(web_request(server.base_url() + "/ck2/echo"), "stored=1");

  // Supplied empty: nothing stored is sent, and what the response sets is not stored.
  Text cookies, returned_cookies;
  EXPECT_EQ(
      web_request(server.base_url() + "/ck2/set/private=p", 0, "", &cookies, &returned_cookies),
      "");
  EXPECT_EQ(returned_cookies, "private=p");
  EXPECT_EQ(cookies, "private=p");
  EXPECT_EQ(web_request(server.base_url() + "/ck2/echo"), "stored=1");

  // Supplied items are sent as the Cookie line and merged with what comes back.
  cookies = "a=1; b=2";
  EXPECT_EQ(web_request(server.base_url() + "/ck2/set/a=3", 0, "", &cookies, &returned_cookies),
            "a=1; b=2");
  EXPECT_EQ(cookies, "a=3; b=2");
  EXPECT_EQ(returned_cookies, "a=3; b=2");
  cookies = "a=1";
  web_request(server.base_url() + "/ck2/set/c=4", 0, "", &cookies, &returned_cookies, nullptr,
              nullptr, false, nullptr, "", false);
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(returned_cookies, "c=4");
}

// A proxy for https: takes one CONNECT, opens the tunnel to the loopback port asked for and
// relays bytes both ways until either side closes.
class TunnelProxy {
 public:
  TunnelProxy() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), len);
    ::listen(fd_, 4);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    if (::pipe(wake_) != 0) wake_[0] = wake_[1] = -1;
    thread_ = std::thread([this] { run(); });
  }
  ~TunnelProxy() {
    ::shutdown(fd_, SHUT_RDWR);
    (void)!::write(wake_[1], "x", 1);  // the client keeps its tunnel for later requests
    thread_.join();
    ::close(fd_);
    ::close(wake_[0]);
    ::close(wake_[1]);
  }
  int port() const { return port_; }
  Text request_line() {
    std::lock_guard lock(mutex_);
    return request_line_;
  }

 private:
  void run() {
    int client = ::accept(fd_, nullptr, nullptr);
    if (client < 0) return;
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == npos) {
      long n = ::recv(client, buf, sizeof buf, 0);
      if (n <= 0) break;
      head.append(buf, static_cast<std::size_t>(n));
    }
    const Text line = head.substr(0, head.find("\r\n"));
    {
      std::lock_guard lock(mutex_);
      request_line_ = line;
    }
    int upstream = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(std::atoi(line.c_str() + line.rfind(':') + 1)));
    if (::connect(upstream, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";
      ::send(client, established.data(), established.size(), MSG_NOSIGNAL);
      pollfd fds[3] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      while (::poll(fds, 3, 10000) > 0 && !fds[2].revents) {
        int from = fds[0].revents ? 0 : 1;
        long n = ::recv(fds[from].fd, buf, sizeof buf, 0);
        if (n <= 0 || ::send(fds[1 - from].fd, buf, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n)
          break;
      }
    }
    ::close(upstream);
    ::close(client);
  }

  int fd_ = -1, port_ = 0;
  int wake_[2] = {-1, -1};
  std::mutex mutex_;
  Text request_line_;
  std::thread thread_;
};

TEST_F(WebRequest, ProxyServesHttpsAlwaysAndHttpOnlyForHttp) {
  HttpServer secure([](const HttpRequest& req) { return ok("secure " + req.target); }, tls());
  HttpServer http_proxy([&](const HttpRequest& req) {
    if (req.target.ends_with("/up")) return redirect(302, secure.base_url() + "/direct");
    return ok("proxied " + req.target + " " + req.header("Host"));
  });
  const Text via_http = "127.0.0.1:" + std::to_string(http_proxy.port());

  // http: the absolute address goes to the proxy; the site itself is never contacted.
  EXPECT_EQ(web_request("http://novel.invalid/Book/1?x=1", 0, "", nullptr, nullptr, nullptr,
                        nullptr, false, nullptr, via_http),
            "proxied http://novel.invalid/Book/1?x=1 novel.invalid");

  // An http address's proxy is not used for https: the redirect's target is reached directly.
  http_proxy.reset_counts();
  EXPECT_EQ(web_request("http://novel.invalid/up", 0, "", nullptr, nullptr, nullptr, nullptr, false,
                        nullptr, via_http),
            "secure /direct");
  EXPECT_EQ(http_proxy.request_count(), 1);

  // https: a tunnel through the proxy to the server.
  TunnelProxy tunnel;
  EXPECT_EQ(web_request(secure.base_url() + "/t", 0, "", nullptr, nullptr, nullptr, nullptr, false,
                        nullptr, "127.0.0.1:" + std::to_string(tunnel.port())),
            "secure /t");
  EXPECT_EQ(tunnel.request_line(),
            "CONNECT localhost:" + std::to_string(secure.port()) + " HTTP/1.1");
}

TEST_F(WebRequest, NoProxyMeansDirectWhateverTheEnvironmentSays) {
  HttpServer server([](const HttpRequest& req) { return ok("direct " + req.target); });
  const std::array names = {"http_proxy",  "HTTP_PROXY", "https_proxy",
                            "HTTPS_PROXY", "all_proxy",  "ALL_PROXY"};
  for (const char* name : names) setenv(name, "http://127.0.0.1:1", 1);
  Bytes body = web_request(server.base_url() + "/p");
  for (const char* name : names) unsetenv(name);
  EXPECT_EQ(body, "direct /p");
}

TEST_F(WebRequest, SilentOrBrokenServersEndTheCall) {
  set_web_test_settings({.receive_timeout = 300ms,
                         .transfer_timeout = 1s,
                         .extra_ca_file = test_certificates().ca_file});
  HttpServer server([](const HttpRequest& req) {
    HttpResponse r;
    r.body = "0123456789";
    r.never_answer = req.target == "/silent";
    r.close_mid_body = req.target == "/half";
    if (req.target == "/trickle") {
      // A byte every 100 ms: never silent for the receive limit, but 10 s in all.
      r.body = Text(100, 't');
      r.trickle = 100ms;
    }
    return r;
  });
  struct Case {
    Text path, body;
    bool answered;
    Text error;
  };
  for (const auto& [path, body, answered, error] : std::array{
           Case{"/silent", "", false, gbk<"连接超时">()},
           Case{"/trickle", "", false, gbk<"连接超时">()}, Case{"/half", "01234", true, ""}}) {
    SCOPED_TRACE(path);
    Text headers, returned_headers, returned_cookies = "stale";
    EXPECT_EQ(web_request(server.base_url() + path, 0, "", nullptr, &returned_cookies, &headers,
                          &returned_headers),
              body);
    EXPECT_EQ(returned_headers.substr(0, 15),
              answered ? "HTTP/1.1 200 OK" : no_answer.substr(0, 15));
    if (!answered) {
      EXPECT_EQ(returned_headers, no_answer);
    }
    EXPECT_EQ(returned_cookies, "");
    EXPECT_NE(headers, "");  // the request was opened: the block was written back
    EXPECT_EQ(last_request_error(), error);
  }
  // Nobody listening: the same empty outcome.
  int port = 0;
  {
    HttpServer gone([](const HttpRequest&) { return ok("x"); });
    port = gone.port();
  }
  Text returned_headers;
  EXPECT_EQ(web_request("http://127.0.0.1:" + std::to_string(port) + "/", 0, "", nullptr, nullptr,
                        nullptr, &returned_headers),
            "");
  EXPECT_EQ(returned_headers, no_answer);
  EXPECT_EQ(last_request_error(), gbk<"无法连接服务器">());
}

TEST(ResponseStatus, ReadsTheStatusLine) {
  struct Case {
    Text head;
    int status;
  };
  for (const auto& [head, status] : std::array{
           Case{"HTTP/1.1 503 Service Unavailable\r\nRetry-After: 5\r\n\r\n", 503},
           Case{"HTTP/1.0 200 OK\r\n\r\n", 200}, Case{"HTTP/1.1 404\r\n\r\n", 404},
           Case{no_answer, 0}, Case{"HTTP/1.1 20", 0}, Case{"HTTP/1.1 2x0 OK\r\n", 0}, Case{"", 0}})
    EXPECT_EQ(response_status(head), status) << head.substr(0, 20);
}

TEST_F(WebRequest, AddressesWithLineBreaksAreRefusedUntouched) {
  HttpServer server([](const HttpRequest&) { return ok("should not be asked"); });
  const Text base = server.base_url() + "/a";
  for (const Text& url : std::array{base + "\r\nX-Injected: 1", base + "\nX: 1", base + "\rX",
                                    base + Text(1, '\0') + "x"}) {
    SCOPED_TRACE(url);
    Text cookies = "c=1", returned_cookies = "rc", headers = "X-Mine: 1", returned_headers = "rh";
    Bytes submit_bytes;
    EXPECT_EQ(web_request(url, 1, "s=1", &cookies, &returned_cookies, &headers, &returned_headers,
                          false, &submit_bytes),
              "");
    EXPECT_EQ(cookies, "c=1");
    EXPECT_EQ(returned_cookies, "rc");
    EXPECT_EQ(headers, "X-Mine: 1");
    EXPECT_EQ(returned_headers, "rh");
    EXPECT_EQ(submit_bytes, "");
  }
  EXPECT_EQ(server.request_count(), 0);
}

TEST_F(WebRequest, CallerHeaderLinesGoOutAsGiven) {
  HttpServer server(echo_head);
  const Text url = server.base_url() + "/h";
  // An agent line, a line without value and an agent fallback that would run past its line.
  Text headers = "X-Empty:\r\nUser-Agent: Reader/2\r\nReferer: http://r/";
  Bytes seen = web_request(url, 0, "", nullptr, nullptr, &headers);
  EXPECT_EQ(seen, "GET /h HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                      "\r\nX-Empty:\r\nUser-Agent: Reader/2\r\nReferer: http://r/\r\n"
                      "Accept: */*\r\nAccept-Language: zh-cn\r\n\r\n");
  // The caller's agent line is the only one; the agent fallback's text never goes out.
  headers = "X-A: 1\r\nuser-agent: Odd";
  seen = web_request(url, 0, "", nullptr, nullptr, &headers);
  EXPECT_EQ(seen, "GET /h HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                      "\r\nX-A: 1\r\nuser-agent: Odd\r\nAccept: */*\r\nReferer: " + url +
                      "\r\nAccept-Language: zh-cn\r\n\r\n");
}

TEST_F(WebRequest, AHundredCallsRunAtOnce) {
  constexpr int calls = 100;
  testing::ArrivalBarrier barrier(calls);
  HttpServer server([&](const HttpRequest& req) {
    barrier.arrive();
    return ok("page " + req.target);
  });
  const std::vector<Bytes> bodies = testing::fetch_at_once(server, calls);
  for (int i = 0; i < calls; ++i) EXPECT_EQ(bodies[i], "page /" + std::to_string(i));
  EXPECT_EQ(server.max_concurrent(), calls);
  EXPECT_EQ(server.request_count(), calls);
}

}  // namespace
}  // namespace lumetra
