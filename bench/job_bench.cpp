// A whole job, headless, against a local site of 2,000 chapters of about 8 KB that answers each
// chapter after 20 ms and keeps connections alive, over plain HTTP or, with --tls, over HTTPS
// with the test authority. The site runs in a child process, so the CPU time and memory printed
// are the job's own. Compared in the same run with curl fetching the same chapters 100 at a time
// over the same kind of connection. Last, how long destroying a collector takes in the middle
// of a job of 1,000 chapters whose answers never come.
//
// Usage: bench_job [--tls] [chapters] [latency_ms]
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "bench/site_process.h"
#include "collect/collector.h"
#include "tests/collect/site_pages.h"
#include "tests/collect/site_server.h"
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

// Destroys a collector in the middle of a job of 1,000 chapters whose answers never come;
// the seconds the destructor took.
double destroy_mid_job() {
  testing::SiteServer server;
  std::vector<testing::SampleChapter> chapters;
  for (int i = 1; i <= 1000; ++i)
    chapters.push_back({"c" + std::to_string(i), std::to_string(i) + ".html", "t", "t"});
  server.put(testing::catalog_path(site), testing::catalog_page(site, "b", chapters, ""));
  for (const auto& c : chapters)
    server.put(testing::chapter_path(site, c), "", 0, std::chrono::minutes(10));
  testing::TempDir dir;
  ui::HeadlessToolkit toolkit;
  Regex regex;
  auto main = ui::make_main_form(built_in_sites().entries());
  ui::Form& form = *main;
  auto collector = std::make_unique<Collector>(toolkit, form, built_in_sites(), dir.path(), regex);
  collector->bind();
  toolkit.run_on_ui([&] { toolkit.load(std::move(main)); });
  toolkit.choose(form, "组合框1", site);
  toolkit.set_text(form, "编辑框_链接", server.url(testing::catalog_path(site)));
  toolkit.click(form, "超级按钮_采集");
  const auto t0 = Clock::now();
  while (server.http().request_count() < 101 && Clock::now() - t0 < std::chrono::minutes(1))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const auto d0 = Clock::now();
  collector.reset();
  return std::chrono::duration<double>(Clock::now() - d0).count();
}

}  // namespace

int main(int argc, char** argv) {
  bool tls = false;
  std::vector<int> numbers;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--tls") == 0)
      tls = true;
    else
      numbers.push_back(std::atoi(argv[i]));
  }
  const int chapters = numbers.size() > 0 ? numbers[0] : 2000;
  const int latency_ms = numbers.size() > 1 ? numbers[1] : 20;
  const std::string ca_file = testing::test_certificates().ca_file;  // before the fork

  bench::SiteProcess site_process(site, chapters, latency_ms, tls);  // before any thread
  if (!site_process.started()) return 1;
  const std::string catalog = site_process.catalog_url();
  if (tls) set_web_test_settings({.extra_ca_file = ca_file});

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
      "curl -s --no-progress-meter --parallel --parallel-immediate --parallel-max 100 " +
      (tls ? "--cacert '" + ca_file + "' " : std::string()) + "-K '" + config.string() + "'";
  const int curl_status = std::system(command.c_str());
  const double curl_wall = std::chrono::duration<double>(Clock::now() - c0).count();
  const double curl_cpu = cpu_seconds(RUSAGE_CHILDREN) - curl_cpu0;

  site_process.stop();
  const double destroy_seconds = destroy_mid_job();

  const double floor = std::ceil(chapters / 100.0) * latency_ms / 1000.0;
  std::printf(
      "whole job over %s, kept-alive connections: %d chapters of about 8 KB, %d ms "
      "latency, %s\n",
      tls ? "HTTPS" : "plain HTTP", chapters, latency_ms,
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
  std::printf("  ratio download wall / curl %.2f, job wall / curl %.2f, job CPU / curl %.2f\n",
              download_wall / curl_wall, job_wall / curl_wall, job_cpu / curl_cpu);
  std::printf("destroying a collector mid-job of 1000 chapters: %.3f s\n", destroy_seconds);
  return complete && curl_status == 0 ? 0 : 1;
}
