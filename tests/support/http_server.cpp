#include "tests/support/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

#if defined(__SANITIZE_THREAD__)
// The TLS library is not instrumented: its own lock-free paths (reference counts, the
// certificate extension cache) look like races from outside when connections verify and resume
// sessions at once. Reports whose stacks run through it are left out; races in our code are not.
// Qt's libraries (the Qt tests link this file too) free on their pool threads what they
// allocated elsewhere, behind locks of their own: their allocator calls are left out.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libcrypto.so\nrace:libssl.so\n"
         "called_from_lib:libQt6Core.so.6\ncalled_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n";
}
#endif

namespace lumetra::testing {
namespace {

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// One accepted connection, plain or TLS.
struct Stream {
  int fd = -1;
  SSL* ssl = nullptr;

  long read(char* buf, std::size_t n) {
    if (ssl) return SSL_read(ssl, buf, static_cast<int>(n));
    return ::recv(fd, buf, n, 0);
  }
  bool write_all(std::string_view data) {
    while (!data.empty()) {
      long w = ssl ? SSL_write(ssl, data.data(), static_cast<int>(data.size()))
                   : ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
      if (w <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(w));
    }
    return true;
  }
};

// Reads one request from the connection: the head up to its empty line, then a body of
// Content-Length bytes. `pending` keeps what arrived beyond it for the next request.
bool read_request(Stream& s, std::string& pending, HttpRequest& req) {
  char buf[16384];
  std::size_t end;
  while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
    if (pending.size() > (1 << 20)) return false;
    long n = s.read(buf, sizeof buf);
    if (n <= 0) return false;
    pending.append(buf, static_cast<std::size_t>(n));
  }
  req.head = pending.substr(0, end + 4);
  pending.erase(0, end + 4);
  std::size_t line_end = req.head.find("\r\n");
  std::string_view line(req.head.data(), line_end);
  std::size_t sp1 = line.find(' '), sp2 = line.rfind(' ');
  if (sp1 == std::string::npos || sp2 == sp1) return false;
  req.method = line.substr(0, sp1);
  req.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
  req.version = line.substr(sp2 + 1);
  for (std::size_t pos = line_end + 2; pos < end + 2;) {
    std::size_t next = req.head.find("\r\n", pos);
    std::string_view h(req.head.data() + pos, next - pos);
    std::size_t colon = h.find(':');
    if (colon != std::string::npos) {
      std::string_view value = h.substr(colon + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      req.headers.emplace_back(h.substr(0, colon), value);
    }
    pos = next + 2;
  }
  std::size_t length = 0;
  if (std::string cl = req.header("Content-Length"); !cl.empty()) length = std::stoul(cl);
  while (pending.size() < length) {
    long n = s.read(buf, sizeof buf);
    if (n <= 0) return false;
    pending.append(buf, static_cast<std::size_t>(n));
  }
  req.body = pending.substr(0, length);
  pending.erase(0, length);
  return true;
}

// HTTP/1.1 keeps a connection unless either side says "close"; HTTP/1.0 closes unless the
// client asks to keep it.
bool client_keeps_alive(const HttpRequest& req) {
  const std::string connection = req.header("Connection");
  if (req.version == "HTTP/1.0") return equal_ignoring_case(connection, "keep-alive");
  return !equal_ignoring_case(connection, "close");
}

std::string response_head(const HttpResponse& r, bool announce_close) {
  std::string head = "HTTP/1.1 " + std::to_string(r.status) + " " + r.reason + "\r\n";
  for (const auto& [name, value] : r.headers) head += name + ": " + value + "\r\n";
  head += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
  if (announce_close) head += "Connection: close\r\n";
  head += "\r\n";
  return head;
}

struct SslCtxFree {
  void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};

}  // namespace

std::string HttpRequest::header(const std::string& name) const {
  for (const auto& [n, v] : headers)
    if (equal_ignoring_case(n, name)) return v;
  return {};
}

struct HttpServer::Impl {
  HttpHandler handler;
  std::unique_ptr<SSL_CTX, SslCtxFree> tls;
  int listen_fd = -1;
  int wake[2] = {-1, -1};
  int port = 0;
  std::thread acceptor;

  std::mutex mutex;
  std::condition_variable stopped_cv;
  bool stopping = false;
  // Every connection gets a thread of its own at once: an idle one when there is one, else a
  // new one. Threads are kept for later connections, since creating one per connection would
  // cost more than the request itself.
  std::condition_variable work_cv;
  std::deque<int> pending;  // accepted, not yet taken by a thread
  int idle = 0;             // threads waiting for a connection
  std::vector<std::thread> workers;
  std::set<int> open;  // every accepted connection not yet closed

  std::atomic<int> requests{0}, in_flight{0}, most_in_flight{0}, connections{0};

  void start() {
    static std::once_flag sigpipe;
    std::call_once(sigpipe, [] { signal(SIGPIPE, SIG_IGN); });
    listen_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_fd < 0) throw std::runtime_error("socket");
    int one = 1;
    setsockopt(listen_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listen_fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(listen_fd, 1024) != 0 ||
        getsockname(listen_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      throw std::runtime_error("cannot listen on 127.0.0.1");
    port = ntohs(addr.sin_port);
    if (pipe2(wake, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    acceptor = std::thread([this] { accept_loop(); });
  }

  void accept_loop() {
    while (true) {
      pollfd fds[2] = {{listen_fd, POLLIN, 0}, {wake[0], POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents) return;
      int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ++connections;
      int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      std::lock_guard lock(mutex);
      open.insert(fd);
      pending.push_back(fd);
      // Each waiting thread takes exactly one connection, so this many suffice.
      if (static_cast<std::size_t>(idle) >= pending.size())
        work_cv.notify_one();
      else
        workers.emplace_back([this] { work(); });
    }
  }

  void work() {
    std::unique_lock lock(mutex);
    while (true) {
      ++idle;
      work_cv.wait(lock, [this] { return stopping || !pending.empty(); });
      --idle;
      if (stopping) return;
      int fd = pending.front();
      pending.pop_front();
      lock.unlock();
      serve(fd);
      lock.lock();
      ::close(fd);
      open.erase(fd);
    }
  }

  void note_start() {
    int now = ++in_flight;
    int most = most_in_flight.load();
    while (now > most && !most_in_flight.compare_exchange_weak(most, now)) {
    }
  }

  // Waits `delay`, or until the server stops; false when it stopped.
  bool wait(std::chrono::milliseconds delay, bool forever) {
    std::unique_lock lock(mutex);
    auto stop = [this] { return stopping; };
    if (forever)
      stopped_cv.wait(lock, stop);
    else
      stopped_cv.wait_for(lock, delay, stop);
    return !stopping;
  }

  // Answers the requests of one connection until either side closes it.
  void serve(int fd) {
    Stream s{fd, nullptr};
    bool ok = true;
    if (tls) {
      s.ssl = SSL_new(tls.get());
      SSL_set_fd(s.ssl, fd);
      ok = SSL_accept(s.ssl) == 1;
    }
    std::string pending;
    HttpRequest req;
    while (ok && read_request(s, pending, req)) {
      ++requests;
      note_start();
      HttpResponse r;
      try {
        r = handler(req);
      } catch (...) {
        r = HttpResponse{};
        r.status = 500;
        r.reason = "Internal Server Error";
      }
      if (r.hang_up) {
        --in_flight;
        break;
      }
      bool go_on = wait(r.delay, r.never_answer);
      // Counted out before answering: the client may start its next request as soon as it has
      // the answer, and that one must not overlap this one in the count.
      --in_flight;
      if (!go_on) break;
      // A raw answer may carry any framing, so the connection ends with it.
      const bool announce = !r.raw.empty() || r.close_connection || !client_keeps_alive(req);
      const bool keep = !announce && !r.close_mid_body && !r.drop_connection;
      if (!r.raw.empty()) {
        ok = s.write_all(r.raw);
      } else {
        bool head_only = req.method == "HEAD";
        std::string out = response_head(r, announce);
        if (r.close_mid_body) {
          out += r.body.substr(0, r.body.size() / 2);
          ok = s.write_all(out);
        } else if (r.trickle.count() > 0 && !head_only) {
          ok = s.write_all(out);
          for (std::size_t i = 0; ok && i < r.body.size(); ++i)
            ok = wait(r.trickle, false) && s.write_all(r.body.substr(i, 1));
        } else {
          if (!head_only) out += r.body;
          ok = s.write_all(out);
        }
      }
      if (!keep) {
        if (ok && s.ssl && !r.close_mid_body) SSL_shutdown(s.ssl);
        break;
      }
      const int next = req.on_connection + 1;
      req = HttpRequest{};
      req.on_connection = next;
    }
    if (s.ssl) SSL_free(s.ssl);
  }

  void stop() {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    stopped_cv.notify_all();
    work_cv.notify_all();
    if (acceptor.joinable()) {
      char b = 1;
      (void)!::write(wake[1], &b, 1);
      acceptor.join();
    }
    {
      // Wakes connections still reading a request from a client that holds them open.
      std::lock_guard lock(mutex);
      for (int fd : open) ::shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& t : workers) t.join();
    for (int fd : pending) ::close(fd);
    for (int fd : {listen_fd, wake[0], wake[1]})
      if (fd >= 0) ::close(fd);
  }
};

HttpServer::HttpServer(HttpHandler handler) : impl_(std::make_unique<Impl>()) {
  impl_->handler = std::move(handler);
  impl_->start();
}

HttpServer::HttpServer(HttpHandler handler, Tls tls) : impl_(std::make_unique<Impl>()) {
  impl_->handler = std::move(handler);
  impl_->tls.reset(SSL_CTX_new(TLS_server_method()));
  SSL_CTX* ctx = impl_->tls.get();
  if (!ctx || SSL_CTX_use_certificate_chain_file(ctx, tls.certificate_file.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(ctx, tls.key_file.c_str(), SSL_FILETYPE_PEM) != 1)
    throw std::runtime_error("cannot load the server certificate");
  impl_->start();
}

HttpServer::~HttpServer() {
  impl_->stop();
}

int HttpServer::port() const {
  return impl_->port;
}

std::string HttpServer::base_url() const {
  return (impl_->tls ? "https://localhost:" : "http://127.0.0.1:") + std::to_string(impl_->port);
}

int HttpServer::request_count() const {
  return impl_->requests;
}
int HttpServer::max_concurrent() const {
  return impl_->most_in_flight;
}
int HttpServer::connection_count() const {
  return impl_->connections;
}

void HttpServer::reset_counts() {
  impl_->requests = 0;
  impl_->connections = 0;
  impl_->most_in_flight = impl_->in_flight.load();
}

namespace {

struct KeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
  void operator()(X509* c) const { X509_free(c); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

void add_extension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (!ext) throw std::runtime_error("certificate extension");
  X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
}

// A certificate for `key`, signed by `issuer_key` (`issuer` null: self-signed).
Cert make_cert(EVP_PKEY* key, const char* common_name, X509* issuer, EVP_PKEY* issuer_key,
               long serial) {
  Cert cert(X509_new());
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24 * 3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 30L * 24 * 3600);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("Lumetra tests"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(common_name), -1, -1, 0);
  X509* signer = issuer ? issuer : cert.get();
  X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
  add_extension(cert.get(), signer, NID_subject_key_identifier, "hash");
  if (issuer) {
    add_extension(cert.get(), signer, NID_authority_key_identifier, "keyid:always");
    add_extension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
    add_extension(cert.get(), signer, NID_key_usage, "critical,digitalSignature");
    add_extension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
    add_extension(cert.get(), signer, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
  } else {
    add_extension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
    add_extension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  }
  if (X509_sign(cert.get(), issuer_key, EVP_sha256()) == 0)
    throw std::runtime_error("cannot sign a test certificate");
  return cert;
}

void write_pem(const std::string& path, X509* cert, EVP_PKEY* key) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) throw std::runtime_error("cannot write " + path);
  bool ok = cert ? PEM_write_X509(f, cert) == 1
                 : PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  std::fclose(f);
  if (!ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace

TestCertificates make_test_certificates(const std::string& folder) {
  Key ca_key(EVP_EC_gen("P-256"));
  Key server_key(EVP_EC_gen("P-256"));
  if (!ca_key || !server_key) throw std::runtime_error("cannot make test keys");
  static std::atomic<long> serial{1};
  Cert ca = make_cert(ca_key.get(), "Lumetra test CA", nullptr, ca_key.get(), serial++);
  Cert server = make_cert(server_key.get(), "localhost", ca.get(), ca_key.get(), serial++);
  TestCertificates out{folder + "/ca.pem", folder + "/server.pem", folder + "/server-key.pem"};
  write_pem(out.ca_file, ca.get(), nullptr);
  write_pem(out.certificate_file, server.get(), nullptr);
  write_pem(out.key_file, nullptr, server_key.get());
  return out;
}

const TestCertificates& test_certificates() {
  static TempDir folder;
  static const TestCertificates made = make_test_certificates(folder.path().string());
  return made;
}

}  // namespace lumetra::testing
