// A whole job, headless, against a local site of 2,000 chapters of about 8 KB that answers each
// chapter after 20 ms. The site runs in a child process, so the CPU time and memory printed are
// the job's own. Compared in the same run with curl fetching the same chapters 100 at a time.
//
// Usage: bench_job [chapters] [latency_ms]
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "collect/collector.h"
#include "tests/collect/site_pages.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"
#include "ui/headless_toolkit.h"
#include "ui/main_form.h"

using namespace lumetra;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int site = 1;  // chapters are fetched with GET from links relative to the catalog

double cpu_seconds(int who) {
  rusage u{};
  getrusage(who, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The site's process: serves the book until the parent closes `control`.
[[noreturn]] void serve(int chapters, int latency_ms, int port_out, int control) {
  prctl(PR_SET_NAME, "bench_site");  // so that a profile tells the site from the job
  std::map<std::string, Text> pages;
  testing::HttpServer server([&](const testing::HttpRequest& request) {
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
  });
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
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

int main(int argc, char** argv) {
  const int chapters = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int latency_ms = argc > 2 ? std::atoi(argv[2]) : 20;

  int port_pipe[2], control_pipe[2];
  if (pipe(port_pipe) != 0 || pipe(control_pipe) != 0) return 1;
  pid_t child = fork();  // before any thread of this process exists
  if (child == 0) {
    close(control_pipe[1]);
    serve(chapters, latency_ms, port_pipe[1], control_pipe[0]);
  }
  close(control_pipe[0]);
  int port = 0;
  if (read(port_pipe[0], &port, sizeof port) != sizeof port) return 1;
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  const std::string catalog = base + testing::catalog_path(site);

  testing::TempDir dir;
  double job_wall = 0, download_wall = 0, job_cpu = 0;
  bool complete = false;
  {
    ui::HeadlessToolkit toolkit;
    Regex regex;
    auto main = ui::make_main_form(built_in_sites().entries());
    ui::Form& form = *main;
    Collector collector(toolkit, form, built_in_sites(), dir.path(), regex);
    collector.bind();
    toolkit.run_on_ui([&] { toolkit.load(std::move(main)); });
    toolkit.choose(form, "组合框1", site);
    toolkit.set_text(form, "编辑框_链接", catalog);

    const double cpu0 = cpu_seconds(RUSAGE_SELF);
    const auto t0 = Clock::now();
    toolkit.click(form, "超级按钮_采集");
    auto& state = collector.state();
    while (state.downloaded_count + state.failed_count < chapters &&
           Clock::now() - t0 < std::chrono::minutes(5))
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    download_wall = std::chrono::duration<double>(Clock::now() - t0).count();
    complete = toolkit.wait_for_messages(1, std::chrono::minutes(5));
    job_wall = std::chrono::duration<double>(Clock::now() - t0).count();
    job_cpu = cpu_seconds(RUSAGE_SELF) - cpu0;
    complete = complete && state.downloaded_count == chapters;
  }
  rusage self{};
  getrusage(RUSAGE_SELF, &self);

  // curl, 100 transfers at a time, over the same chapter addresses.
  const auto config = dir.path() / "curl.cfg";
  {
    std::ofstream out(config);
    for (int i = 1; i <= chapters; ++i)
      out << "url = \"" << catalog << i << ".html\"\noutput = \"/dev/null\"\n";
  }
  const double curl_cpu0 = cpu_seconds(RUSAGE_CHILDREN);
  const auto c0 = Clock::now();
  const std::string command =
      "curl -s --no-progress-meter --parallel --parallel-immediate --parallel-max 100 -K '" +
      config.string() + "'";
  const int curl_status = std::system(command.c_str());
  const double curl_wall = std::chrono::duration<double>(Clock::now() - c0).count();
  const double curl_cpu = cpu_seconds(RUSAGE_CHILDREN) - curl_cpu0;

  close(control_pipe[1]);
  waitpid(child, nullptr, 0);

  const double floor = std::ceil(chapters / 100.0) * latency_ms / 1000.0;
  std::printf("whole job: %d chapters of about 8 KB, %d ms latency, %s\n", chapters, latency_ms,
              complete ? "every chapter downloaded" : "INCOMPLETE");
  std::printf("  job wall time (press to final message) %.3f s\n", job_wall);
  std::printf("  download wall time (press to last chapter file) %.3f s\n", download_wall);
  std::printf("  job CPU time %.3f s = %.3f s per 1000 chapters\n", job_cpu,
              job_cpu * 1000 / chapters);
  std::printf("  peak memory %.1f MiB\n", self.ru_maxrss / 1024.0);
  std::printf("  floor ceil(%d/100) x %d ms = %.3f s\n", chapters, latency_ms, floor);
  std::printf("  ratio download wall / floor %.2f, job wall / floor %.2f\n", download_wall / floor,
              job_wall / floor);
  std::printf(
      "curl --parallel --parallel-immediate --parallel-max 100: %.3f s wall, %.3f s CPU%s\n",
      curl_wall, curl_cpu, curl_status == 0 ? "" : " (curl failed)");
  std::printf("  ratio download wall / curl %.2f, job wall / curl %.2f\n",
              download_wall / curl_wall, job_wall / curl_wall);
  return complete && curl_status == 0 ? 0 : 1;
}
