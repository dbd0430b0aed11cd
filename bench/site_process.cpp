#include "bench/site_process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>

#include "tests/collect/site_pages.h"
#include "tests/support/http_server.h"

namespace lumetra::bench {
namespace {

// The site's process: serves the book until the parent closes `control`.
[[noreturn]] void serve(int site, bool tls, int chapters, int latency_ms, int port_out,
                        int control) {
  prctl(PR_SET_NAME, "bench_site");  // so that a profile tells the site from the bench
  std::map<std::string, Text> pages;
  auto handler = [&](const testing::HttpRequest& request) {
    testing::HttpResponse response;
    auto it = pages.find(request.target);
    if (it == pages.end()) {
      response.status = 404;
      return response;
    }
    response.body = it->second;
    if (request.target != testing::catalog_path(site))
      response.delay = std::chrono::milliseconds(latency_ms);
    return response;
  };
  std::unique_ptr<testing::HttpServer> made;
  if (tls) {
    const auto& certificates = testing::test_certificates();
    made = std::make_unique<testing::HttpServer>(
        handler, testing::HttpServer::Tls{certificates.certificate_file, certificates.key_file});
  } else {
    made = std::make_unique<testing::HttpServer>(handler);
  }
  testing::HttpServer& server = *made;
  const std::string host = (tls ? "localhost:" : "127.0.0.1:") + std::to_string(server.port());
  auto book = testing::generated_chapters(site, host, chapters, 8000);
  pages[testing::catalog_path(site)] = testing::catalog_page(site, "bench", book, "");
  for (const auto& c : book)
    pages[testing::chapter_path(site, c)] = testing::chapter_page(site, c.raw);
  int port = server.port();
  if (write(port_out, &port, sizeof port) != sizeof port) std::_Exit(1);
  char byte;
  while (read(control, &byte, 1) > 0) {
  }
  std::_Exit(0);
}

}  // namespace

SiteProcess::SiteProcess(int site, int chapters, int latency_ms, bool tls)
    : site_(site), tls_(tls) {
  // Close-on-exec: a program the bench starts (curl, a fresh copy of itself) holds no end.
  int port_pipe[2], control_pipe[2];
  if (pipe2(port_pipe, O_CLOEXEC) != 0) return;
  if (pipe2(control_pipe, O_CLOEXEC) != 0) {
    close(port_pipe[0]);
    close(port_pipe[1]);
    return;
  }
  child_ = fork();
  if (child_ == 0) {
    close(port_pipe[0]);
    close(control_pipe[1]);
    serve(site, tls, chapters, latency_ms, port_pipe[1], control_pipe[0]);
  }
  close(port_pipe[1]);
  close(control_pipe[0]);
  control_ = control_pipe[1];
  int port = 0;
  if (child_ > 0 && read(port_pipe[0], &port, sizeof port) == sizeof port) port_ = port;
  close(port_pipe[0]);
}

SiteProcess::~SiteProcess() {
  stop();
}

std::string SiteProcess::base_url() const {
  return (tls_ ? "https://localhost:" : "http://127.0.0.1:") + std::to_string(port_);
}

std::string SiteProcess::catalog_url() const {
  return base_url() + testing::catalog_path(site_);
}

void SiteProcess::stop() {
  if (control_ >= 0) close(std::exchange(control_, -1));
  if (child_ > 0) waitpid(std::exchange(child_, -1), nullptr, 0);
}

}  // namespace lumetra::bench
