// A small HTTP/1.1 server on 127.0.0.1 for tests and benchmarks, plain or TLS.
//
// Usage: construct it with a handler; it listens on a free port at once and answers every
// connection on a thread of its own (so slow answers overlap). Connections persist as HTTP/1.1
// has it: the server answers "Connection: close" and closes only when the client asks for it,
// when a response says so, or after a raw answer. The handler runs on those threads. The
// destructor stops the server, closing kept connections, and joins its threads.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lumetra::testing {

struct HttpRequest {
  std::string method{}, target{}, version{};                   // from the request line
  std::vector<std::pair<std::string, std::string>> headers{};  // in the order received
  std::string head{};  // the raw request line and header lines, each ended by CR LF, then CR LF
  std::string body{};
  int on_connection = 1;  // 1 for the first request of its connection, 2 for the next, ...
  std::string header(const std::string& name) const;  // first value, name compared ignoring case
};

struct HttpResponse {
  int status = 200;
  std::string reason = "OK";
  std::vector<std::pair<std::string, std::string>> headers{};  // Content-Length is added
  std::string body{};
  std::chrono::milliseconds delay{0};  // wait this long before answering
  bool close_mid_body = false;         // announce the whole body, send half, close
  bool never_answer = false;           // keep the connection open, send nothing, until stopped
  bool close_connection = false;       // answer "Connection: close" and close
  bool drop_connection = false;        // close after the answer without saying so, as an idle
                                       // kept connection is closed by a real server
  bool hang_up = false;  // close at once without answering, as a server does whose idle
                         // time-out ends a kept connection just as a request arrives
  std::chrono::milliseconds trickle{0};  // send the body one byte per this interval
  std::string raw{};                     // when not empty, sent verbatim instead of the above
};

using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;

class HttpServer {
 public:
  struct Tls {
    std::string certificate_file;  // PEM chain of the server
    std::string key_file;
  };
  explicit HttpServer(HttpHandler handler);
  HttpServer(HttpHandler handler, Tls tls);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  int port() const;
  std::string base_url() const;  // "http://127.0.0.1:PORT" or "https://localhost:PORT"
  int request_count() const;     // requests answered or being answered
  int max_concurrent() const;    // most requests in the handler or its delay at one time
  int connection_count() const;  // connections accepted
  void reset_counts();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A test certificate authority and a server certificate for "localhost" and 127.0.0.1 signed
// by it, made once per process in a temporary folder.
struct TestCertificates {
  std::string ca_file, certificate_file, key_file;
};
const TestCertificates& test_certificates();

// A further authority and server certificate like those, written into `folder`: for a server
// that clients have no reason to trust.
TestCertificates make_test_certificates(const std::string& folder);

}  // namespace lumetra::testing
