// A local site for the benchmarks, in a child process so that the CPU time and memory a bench
// measures are its own: the catalog of a generated book and its chapters of about 8 KB, the
// catalog answered at once and each chapter after a delay, on kept-alive connections.
//
// Usage: construct it first thing in main, before any thread of the process exists (it forks);
// read `catalog_url()`; `stop()` (or destruction) ends the site's process and waits for it.
#pragma once

#include <sys/types.h>

#include <string>

namespace lumetra::bench {

class SiteProcess {
 public:
  // Serves `chapters` chapters of the built-in site `site`, each after `latency_ms`, over plain
  // HTTP on 127.0.0.1 or, with `tls`, over HTTPS as "localhost" with the test authority's
  // certificate. Blocks until the site listens; `started()` is false when it could not start.
  SiteProcess(int site, int chapters, int latency_ms, bool tls = false);
  ~SiteProcess();
  SiteProcess(const SiteProcess&) = delete;
  SiteProcess& operator=(const SiteProcess&) = delete;

  bool started() const { return port_ != 0; }
  // "http://127.0.0.1:PORT" or "https://localhost:PORT".
  std::string base_url() const;
  std::string catalog_url() const;
  void stop();

 private:
  int site_;
  bool tls_;
  pid_t child_ = -1;
  int control_ = -1;  // the site serves until this end of its control pipe is closed
  int port_ = 0;
};

}  // namespace lumetra::bench
