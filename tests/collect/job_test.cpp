#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <thread>

#include "collect/collector.h"
#include "tests/collect/site_pages.h"
#include "tests/collect/site_server.h"
#include "tests/support/temp_dir.h"
#include "text/gbk.h"
#include "ui/headless_toolkit.h"
#include "ui/main_form.h"
#include "web/web.h"

namespace lumetra {
namespace {

namespace fs = std::filesystem;
using testing::SampleChapter;
using testing::SiteServer;
using namespace std::chrono_literals;

SiteTable sites_at(const SiteServer& server) {
  SiteTable t = built_in_sites();
  t.sites[0].host = server.host();
  t.sites[2].host = server.host();
  return t;
}

// A main window on the headless toolkit with a collector bound to it, in a temporary program
// directory. The timer ticks fast so that a job's end is seen soon.
class Job {
 public:
  explicit Job(const SiteServer& server, fs::path program_dir = {}) {
    if (program_dir.empty()) program_dir = dir.path();
    auto main = ui::make_main_form(sites_at(server).entries());
    main->control("时钟1").interval_ms = 20;
    form = main.get();
    CollectorOptions options;
    options.retry_delay = 10ms;
    options.retry_after_limit = 1500ms;
    collector =
        std::make_unique<Collector>(toolkit, *form, sites_at(server), program_dir, regex, options);
    collector->bind();
    toolkit.run_on_ui([&] { toolkit.load(std::move(main)); });
  }

  void start(int site, const std::string& address) {
    toolkit.choose(*form, "组合框1", site);
    toolkit.set_text(*form, "编辑框_链接", address);
    toolkit.click(*form, "超级按钮_采集");
  }
  bool finished(std::size_t messages = 1) { return toolkit.wait_for_messages(messages, 30s); }
  // Waits for a job that ends without an assembly, then for a few ticks in which none starts.
  void settle() {
    for (int i = 0; i < 1000 && collector->state().job_running; ++i)
      std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(150ms);
  }
  std::vector<std::vector<Text>> rows() const {
    return toolkit.snapshot(*form, "超级列表框_章节列表").rows;
  }
  Text text(const char* control) const { return toolkit.text(*form, control); }
  fs::path downloads() const { return collector->download_folder(); }

  ui::HeadlessToolkit toolkit;
  testing::TempDir dir;
  Regex regex;
  ui::Form* form = nullptr;
  std::unique_ptr<Collector> collector;  // last: its threads end before the rest goes
};

void serve_book(SiteServer& server, int site, const Text& title,
                const std::vector<SampleChapter>& chapters, std::chrono::milliseconds delay = {}) {
  server.put(testing::catalog_path(site),
             testing::catalog_page(site, title, chapters, "http://" + server.host()));
  for (const auto& c : chapters)
    server.put(testing::chapter_path(site, c), testing::chapter_page(site, c.raw), 0, delay);
}

Text book_of(const std::vector<SampleChapter>& chapters) {
  Text book;
  for (const auto& c : chapters) book += c.title + c.clean;
  return book;
}

TEST(Job, CollectsEverySiteIntoItsBook) {
  for (int site = 0; site < site_count; ++site) {
    SCOPED_TRACE("site " + std::to_string(site));
    SiteServer server;
    Job job(server);
    const auto chapters = testing::sample_chapters(site, server.host());
    const Text title = testing::sample_title(site);
    serve_book(server, site, title, chapters);
    const std::string address = server.url(testing::catalog_path(site));
    job.start(site, address);
    ASSERT_TRUE(job.finished());

    EXPECT_EQ(job.toolkit.messages(), std::vector<Text>{gbk<"小说下载完成！">()});
    EXPECT_EQ(server.last_method(testing::catalog_path(site)),
              site == 2 || site == 4 ? "POST" : "GET");
    const auto rows = job.rows();
    ASSERT_EQ(rows.size(), chapters.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const Text base = site == 0 || site == 2 ? server.host() : site == 4 ? "" : address;
      EXPECT_EQ(rows[i],
                (std::vector<Text>{chapters[i].title, gbk<"下载完成">(), base + chapters[i].href}));
      EXPECT_EQ(testing::read_file(job.collector->chapter_file(static_cast<int>(i))),
                chapters[i].title + chapters[i].clean);
    }
    EXPECT_EQ(job.collector->state().book_title, title);
    EXPECT_EQ(testing::read_file(job.downloads() / (gbk_to_utf8(title) + ".txt")),
              book_of(chapters));
    const std::string n = std::to_string(chapters.size());
    EXPECT_EQ(job.text("透明标签3"), gbk<"总章节：">() + n);
    EXPECT_EQ(job.text("透明标签4"), gbk<"已下载章节：">() + n);
    EXPECT_TRUE(job.toolkit.visible(*job.form, "透明标签3"));
    EXPECT_EQ(job.toolkit.opened(), std::vector<std::string>{job.downloads().string()});
    EXPECT_EQ(job.text("透明标签2"), gbk<"运行线程：">() + "0");
  }
}

TEST(Job, RunsAtMostOneHundredWorkersAndKeepsTheRowOrder) {
  SiteServer server;
  Job job(server);
  std::vector<SampleChapter> chapters;
  for (int i = 1; i <= 250; ++i)
    chapters.push_back({utf8_to_gbk("第" + std::to_string(i) + "章"), std::to_string(i) + ".html",
                        "t" + std::to_string(i) + "<br /><br />",
                        "t" + std::to_string(i) + "\r\n"});
  serve_book(server, 1, gbk<"长篇">(), chapters, 20ms);
  job.start(1, server.url(testing::catalog_path(1)));
  ASSERT_TRUE(job.finished());
  EXPECT_LE(server.http().max_concurrent(), 100);
  EXPECT_GT(server.http().max_concurrent(), 1);
  EXPECT_EQ(server.http().request_count(), 251);
  EXPECT_EQ(testing::read_file(job.downloads() / "长篇.txt"), book_of(chapters));
  EXPECT_EQ(testing::read_file(job.collector->chapter_file(99)), chapters[99].title + "t100\r\n");
  EXPECT_TRUE(fs::exists(job.collector->temp_folder() / "250.txt"));
  EXPECT_EQ(job.collector->state().downloaded_count, 250);
}

TEST(Job, ACatalogWithoutChaptersStartsNoWorkerAndNoBookAndSaysWhy) {
  const Text not_found = gbk<"目录页中没有找到章节：所选网站不对，或网站已改版">();
  struct Case {
    int site;
    Text page;  // empty: the catalog address is not served at all
    Text why;
  };
  std::vector<Case> cases{
      {0, "<html><body>nothing here</body></html>", not_found},
      {1, {}, gbk<"目录页无法获取：HTTP 404">()},
  };
  // Lines ended by a line feed alone: the patterns that end in a carriage return find nothing.
  const std::string elsewhere = "127.0.0.1:9";
  auto lf_only = [](Text page) {
    Text out;
    for (char c : page)
      if (c != '\r') out += c;
    return out;
  };
  cases.push_back({3,
                   lf_only(testing::catalog_page(3, testing::sample_title(3),
                                                 testing::sample_chapters(3, elsewhere), "")),
                   not_found});
  cases.push_back({4,
                   lf_only(testing::catalog_page(4, testing::sample_title(4),
                                                 testing::sample_chapters(4, elsewhere),
                                                 "http://" + elsewhere)),
                   not_found});
  for (const auto& [site, page, why] : cases) {
    SCOPED_TRACE("site " + std::to_string(site));
    SiteServer server;
    Job job(server);
    if (!page.empty()) server.put("/book/", page);
    job.start(site, server.url("/book/"));
    job.settle();
    EXPECT_TRUE(job.rows().empty());
    EXPECT_TRUE(job.toolkit.visible(*job.form, "透明标签3"));
    EXPECT_EQ(job.text("透明标签3"), gbk<"总章节：">() + "0");
    EXPECT_EQ(job.text("编辑框_正文"), why);
    EXPECT_TRUE(job.toolkit.messages().empty());
    EXPECT_EQ(server.http().request_count(), 1);
    EXPECT_TRUE(fs::is_empty(job.collector->temp_folder()));
    EXPECT_EQ(std::distance(fs::directory_iterator(job.downloads()), {}), 1);  // temp alone
  }
  // Nobody listening at the address.
  int port = 0;
  {
    SiteServer gone;
    port = gone.http().port();
  }
  SiteServer server;
  Job job(server);
  job.start(1, "http://127.0.0.1:" + std::to_string(port) + "/book/");
  job.settle();
  EXPECT_EQ(job.text("编辑框_正文"), gbk<"目录页无法获取：无法连接服务器">());
}

TEST(Job, RetriesChaptersAndReportsTheOnesThatStillFail) {
  SiteServer server;
  Job job(server);
  auto chapters = testing::sample_chapters(0, server.host());
  serve_book(server, 0, gbk<"断章">(), chapters);
  server.put("/1_1/1.html", testing::chapter_page(0, chapters[0].raw), 2);  // fails twice
  server.put("/1_1/2.html", "<html>no delimiters</html>");
  // The third chapter's link is not served at all: every try gets a 404 page.
  chapters.push_back({gbk<"第三章 无门">(), "/1_1/3.html", "", ""});
  server.put(testing::catalog_path(0), testing::catalog_page(0, gbk<"断章">(), chapters, ""));
  job.start(0, server.url(testing::catalog_path(0)));
  ASSERT_TRUE(job.finished());

  EXPECT_EQ(job.toolkit.messages(),
            std::vector<Text>{gbk<"小说下载完成！">() + "\n" + gbk<"2 章下载失败">()});
  EXPECT_EQ(server.hits("/1_1/1.html"), 3);
  EXPECT_EQ(server.hits("/1_1/2.html"), 3);
  const auto rows = job.rows();
  EXPECT_EQ(rows[0][1], gbk<"下载完成">());
  EXPECT_EQ(rows[1][1], gbk<"下载失败">());
  EXPECT_EQ(rows[2][1], gbk<"下载失败">());
  EXPECT_EQ(job.collector->state().downloaded_count, 1);
  EXPECT_EQ(job.text("透明标签4"), gbk<"已下载章节：">() + "1");
  // A failed chapter's file still holds its title, so the book shows where the gap is.
  EXPECT_EQ(testing::read_file(job.collector->chapter_file(1)), chapters[1].title);
  EXPECT_EQ(testing::read_file(job.downloads() / "断章.txt"),
            chapters[0].title + chapters[0].clean + chapters[1].title + chapters[2].title);
}

TEST(Job, ABookTitleNeverWritesOutsideTheDownloadFolder) {
  struct Case {
    Text title;
    const char* file;
  };
  const std::array cases{Case{"../../x", "_._.._x.txt"}, Case{"", "未命名.txt"},
                         Case{"a/../../b", "a_.._.._b.txt"}};
  for (const auto& [title, file] : cases) {
    SiteServer server;
    Job job(server);
    const auto chapters = testing::sample_chapters(4, server.host());
    serve_book(server, 4, title, chapters);
    job.start(4, server.url(testing::catalog_path(4)));
    ASSERT_TRUE(job.finished());
    EXPECT_EQ(testing::read_file(job.downloads() / file), book_of(chapters)) << file;
    std::vector<fs::path> outside;
    for (const auto& entry : fs::recursive_directory_iterator(job.dir.path()))
      if (entry.is_regular_file() && entry.path().parent_path() != job.downloads() &&
          entry.path().parent_path() != job.collector->temp_folder())
        outside.push_back(entry.path());
    EXPECT_TRUE(outside.empty()) << outside.front();
  }
}

TEST(Job, ASecondJobContinuesTheCountAndReplacesTheBook) {
  SiteServer server;
  Job job(server);
  auto chapters = testing::sample_chapters(1, server.host());
  serve_book(server, 1, gbk<"同名">(), chapters);
  job.start(1, server.url(testing::catalog_path(1)));
  ASSERT_TRUE(job.finished(1));

  chapters.resize(1);
  serve_book(server, 1, gbk<"同名">(), chapters);
  job.start(1, server.url(testing::catalog_path(1)));
  ASSERT_TRUE(job.finished(2));
  EXPECT_EQ(job.collector->state().downloaded_count, 4);
  EXPECT_EQ(job.text("透明标签4"), gbk<"已下载章节：">() + "4");
  EXPECT_EQ(job.rows().size(), 1u);
  EXPECT_EQ(testing::read_file(job.downloads() / "同名.txt"), book_of(chapters));
  EXPECT_FALSE(fs::exists(job.collector->chapter_file(1)));  // the temp folder was made anew
}

TEST(Job, PressingStartDuringAJobStartsNothing) {
  SiteServer server;
  Job job(server);
  const auto chapters = testing::sample_chapters(0, server.host());
  serve_book(server, 0, gbk<"慢">(), chapters, 300ms);
  job.start(0, server.url(testing::catalog_path(0)));
  for (int i = 0; i < 400 && job.rows().size() < chapters.size(); ++i)
    std::this_thread::sleep_for(5ms);
  job.toolkit.click(*job.form, "超级按钮_采集");
  ASSERT_TRUE(job.finished());
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(server.hits(testing::catalog_path(0)), 1);
  EXPECT_EQ(job.toolkit.messages().size(), 1u);
  EXPECT_EQ(job.rows().size(), chapters.size());
  EXPECT_EQ(testing::read_file(job.downloads() / "慢.txt"), book_of(chapters));
}

TEST(Job, EmptyingTheTempFolderNeverFollowsALink) {
  SiteServer server;
  testing::TempDir outside;
  testing::write_file(outside.path() / "keep.txt", "mine");
  for (bool link_is_temp : {false, true}) {
    Job job(server);
    fs::create_directories(job.collector->download_folder());
    if (link_is_temp) {
      fs::create_directory_symlink(outside.path(), job.collector->temp_folder());
    } else {
      fs::create_directory(job.collector->temp_folder());
      fs::create_directory_symlink(outside.path(), job.collector->temp_folder() / "link");
      testing::write_file(job.collector->temp_folder() / "1.txt", "old");
    }
    job.start(0, server.url("/none/"));
    job.settle();
    EXPECT_EQ(testing::read_file(outside.path() / "keep.txt"), "mine");
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(job.collector->temp_folder())));
    EXPECT_TRUE(fs::is_empty(job.collector->temp_folder()));
  }
}

TEST(Job, AFolderThatCannotBeMadeIsReportedEveryTime) {
  SiteServer server;
  testing::TempDir dir;
  testing::write_file(dir.path() / "program", "a file where the program's folder should be");
  Job job(server, dir.path() / "program");
  job.start(0, server.url("/"));
  job.toolkit.click(*job.form, "超级按钮_采集");
  ASSERT_TRUE(job.finished(2));
  EXPECT_EQ(job.toolkit.messages()[1], gbk<"目录操作失败！">());
  EXPECT_EQ(server.http().request_count(), 0);
}

testing::HttpResponse error_page(int status, const Text& body, const Text& retry_after = {}) {
  testing::HttpResponse r;
  r.status = status;
  r.reason = status == 404 ? "Not Found" : "Busy";
  r.body = body;
  if (!retry_after.empty()) r.headers = {{"Retry-After", retry_after}};
  return r;
}

TEST(Job, ErrorPagesAreFailedAttemptsThatWaitWhenTheSiteSaysSo) {
  SiteServer server;
  Job job(server);
  auto chapters = testing::sample_chapters(1, server.host());
  chapters.push_back({gbk<"第四章 无门">(), "4.html", "gone", ""});
  serve_book(server, 1, gbk<"忙站">(), chapters);
  // Every error page holds the site's delimiters around text that must never be saved.
  const Text busy = testing::chapter_page(1, gbk<"服务器繁忙">());
  const auto path = [&](int i) { return testing::chapter_path(1, chapters[i]); };
  server.script(path(0), {error_page(503, busy), error_page(500, busy)});
  server.script(path(1), {error_page(429, busy, "1")});
  server.script(path(2), {error_page(503, busy, "3600")});  // waited only up to the limit
  server.script(path(3), std::vector(3, error_page(404, busy)));
  job.start(1, server.url(testing::catalog_path(1)));
  ASSERT_TRUE(job.finished());

  EXPECT_EQ(job.toolkit.messages(),
            std::vector<Text>{gbk<"小说下载完成！">() + "\n" + gbk<"1 章下载失败">()});
  const auto rows = job.rows();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rows[i][1], gbk<"下载完成">()) << i;
    EXPECT_EQ(testing::read_file(job.collector->chapter_file(i)),
              chapters[i].title + chapters[i].clean);
  }
  EXPECT_EQ(rows[3][1], gbk<"下载失败">());
  EXPECT_EQ(testing::read_file(job.collector->chapter_file(3)), chapters[3].title);
  EXPECT_EQ(server.hits(path(0)), 3);
  EXPECT_EQ(server.hits(path(3)), 3);
  // The site's word was kept: a second between the tries, and no more than the limit.
  for (int i : {1, 2}) {
    const auto times = server.hit_times(path(i));
    ASSERT_EQ(times.size(), 2u);
    EXPECT_GE(times[1] - times[0], 1s) << i;
  }
  EXPECT_EQ(job.collector->state().downloaded_count, 3);
}

TEST(Job, BrokenCharactersLoseNoChapterAndNoTitle) {
  SiteServer server;
  Job job(server);
  auto chapters = testing::sample_chapters(4, server.host());
  // Titles that end in a lead byte without its second byte, right before "</a>" or "\"".
  chapters[0].title += "\x81";
  chapters[1].title += "\xFE";
  const Text title = "\xBB\xB5\x80\xFF\x81";  // 坏 and three bytes that decode to nothing
  serve_book(server, 4, title, chapters);
  job.start(4, server.url(testing::catalog_path(4)));
  ASSERT_TRUE(job.finished());
  EXPECT_EQ(job.rows().size(), chapters.size());
  EXPECT_EQ(job.collector->state().book_title, title);
  EXPECT_EQ(testing::read_file(job.downloads() / "坏___.txt"), book_of(chapters));
}

TEST(Job, ATricklingSiteDoesNotHoldTheJob) {
  set_web_test_settings({.transfer_timeout = 500ms});
  SiteServer server;
  Job job(server);
  const auto chapters = testing::sample_chapters(0, server.host());
  serve_book(server, 0, gbk<"细流">(), chapters);
  testing::HttpResponse trickle;
  trickle.body = testing::chapter_page(0, chapters[0].raw);
  trickle.trickle = 50ms;  // a byte now and then, never silent for long
  const std::string first = testing::chapter_path(0, chapters[0]);
  server.script(first, std::vector(3, trickle));
  job.start(0, server.url(testing::catalog_path(0)));
  const bool finished = job.finished();
  set_web_test_settings({});
  ASSERT_TRUE(finished);
  EXPECT_EQ(job.toolkit.messages(),
            std::vector<Text>{gbk<"小说下载完成！">() + "\n" + gbk<"1 章下载失败">()});
  EXPECT_EQ(server.hits(first), 3);
}

TEST(Job, CancellingStopsRequestsWaitsAndTheBook) {
  SiteServer server;
  Job job(server);
  const auto chapters = testing::sample_chapters(1, server.host());
  serve_book(server, 1, gbk<"取消">(), chapters);
  // One chapter is answered at once, one waits for a slow answer, one is told to come back.
  const auto path = [&](int i) { return testing::chapter_path(1, chapters[i]); };
  server.put(path(1), testing::chapter_page(1, chapters[1].raw), 0, 10min);
  testing::HttpResponse later = error_page(503, "busy", "1000");
  server.script(path(2), {later});
  job.collector =
      std::make_unique<Collector>(job.toolkit, *job.form, sites_at(server), job.dir.path(),
                                  job.regex, CollectorOptions{.retry_after_limit = 10min});
  job.collector->bind();
  job.start(1, server.url(testing::catalog_path(1)));
  for (int i = 0; i < 2000 && (server.hits(path(1)) == 0 || server.hits(path(2)) == 0 ||
                               job.collector->state().running_workers > 2);
       ++i)
    std::this_thread::sleep_for(5ms);
  ASSERT_EQ(job.collector->state().running_workers, 2);

  job.collector->cancel();
  job.collector->cancel();
  for (int i = 0; i < 2000 && job.collector->state().running_workers > 0; ++i)
    std::this_thread::sleep_for(5ms);
  EXPECT_EQ(job.collector->state().running_workers, 0);
  EXPECT_FALSE(job.collector->state().job_running);
  job.settle();
  EXPECT_TRUE(job.toolkit.messages().empty());
  EXPECT_FALSE(fs::exists(job.downloads() / "取消.txt"));
  EXPECT_EQ(job.rows()[0][1], gbk<"下载完成">());
  EXPECT_EQ(job.rows()[1][1], gbk<"等待下载">());
  EXPECT_EQ(server.hits(path(2)), 1);
  // A cancelled collector starts nothing more.
  job.toolkit.click(*job.form, "超级按钮_采集");
  job.settle();
  EXPECT_EQ(server.hits(testing::catalog_path(1)), 1);
}

TEST(Job, DestroyingTheCollectorMidJobEndsEveryThread) {
  SiteServer server;
  std::vector<SampleChapter> chapters;
  for (int i = 1; i <= 1000; ++i)
    chapters.push_back({"c" + std::to_string(i), std::to_string(i) + ".html", "t", "t"});
  serve_book(server, 1, gbk<"千章">(), chapters, 10min);
  auto job = std::make_unique<Job>(server);
  job->start(1, server.url(testing::catalog_path(1)));
  for (int i = 0; i < 2000 && server.http().request_count() < 101; ++i)
    std::this_thread::sleep_for(5ms);
  ASSERT_EQ(server.http().request_count(), 101);  // the catalog and a hundred chapters
  const fs::path downloads = job->downloads();
  job->collector.reset();  // returns only once every thread of the job has ended
  EXPECT_TRUE(job->toolkit.messages().empty());
  EXPECT_EQ(job->rows()[100][1], gbk<"等待下载">());
  job.reset();
  EXPECT_EQ(server.http().request_count(), 101);
  EXPECT_FALSE(fs::exists(downloads / "千章.txt"));
}

// A message box that, like a real one, runs the event loop while it is shown: the timer's
// handler runs meanwhile (here from a helper thread, so that a failure shows instead of
// hanging the test).
class NestedLoopToolkit : public ui::HeadlessToolkit {
 public:
  void message_box(const Text& text) override {
    HeadlessToolkit::message_box(text);
    if (!on_ui_thread() || !form) return;
    set_text(*form, "透明标签2", "");
    auto tick = std::async(std::launch::async, [this] { raise(*form, "时钟1", ui::Event::timer); });
    other_handler_ran = tick.wait_for(30s) == std::future_status::ready;
    label_during_box = this->text(*form, "透明标签2");
    pending = std::move(tick);
  }
  ui::Form* form = nullptr;
  bool other_handler_ran = false;
  Text label_during_box;
  std::future<void> pending;
};

TEST(Job, AHandlerWaitingInAMessageBoxHoldsUpNoOtherHandler) {
  SiteServer server;
  testing::TempDir dir;
  testing::write_file(dir.path() / "program", "a file where the program's folder should be");
  NestedLoopToolkit toolkit;
  Regex regex;
  auto main = ui::make_main_form(sites_at(server).entries());
  main->control("时钟1").interval_ms = 0;  // ticks come only from the box
  toolkit.form = main.get();
  Collector collector(toolkit, *main, sites_at(server), dir.path() / "program", regex);
  collector.bind();
  ui::Form& form = *main;
  toolkit.run_on_ui([&] { toolkit.load(std::move(main)); });
  toolkit.click(form, "超级按钮_采集");  // shows "目录操作失败！" on the UI thread
  ASSERT_TRUE(toolkit.wait_for_messages(1, 30s));
  toolkit.run_on_ui([] {});  // the click's handler has returned
  EXPECT_EQ(toolkit.messages(), std::vector<Text>{gbk<"目录操作失败！">()});
  EXPECT_TRUE(toolkit.other_handler_ran);
  EXPECT_EQ(toolkit.label_during_box, gbk<"运行线程：">() + "0");
}

TEST(MainWindow, StartsOnSiteZeroAndWritesEachSitesDelimiters) {
  SiteServer server;
  Job job(server);
  EXPECT_EQ(job.toolkit.selection(*job.form, "组合框1"), 0);
  EXPECT_EQ(job.text("编辑框_章节左侧"), "<div id=\"content\">");
  EXPECT_EQ(job.text("编辑框_章节右侧"), "<script>read3();</script><script>bdshare();</script>\r");
  EXPECT_FALSE(job.toolkit.visible(*job.form, "透明标签3"));
  EXPECT_EQ(job.collector->state().downloaded_count, 0);
  const std::array<std::pair<Text, Text>, 5> pairs{{
      {"<div id=\"content\">", "<script>read3();</script><script>bdshare();</script>\r"},
      {"<dd id=\"contents\">", "</dd>\r"},
      {"<div id=\"content\">\r", "</div>\r"},
      {"&nbsp;&nbsp;&nbsp;&nbsp;", "</div>\r"},
      {"<div class=\"txt fon_size\" id=\"readcon\">\r", gbk<"阅读悦,阅读悦精彩!">()},
  }};
  for (int site : {3, 1, 4, 2, 0}) {
    job.toolkit.choose(*job.form, "组合框1", site);
    EXPECT_EQ(job.text("编辑框_章节左侧"), pairs[site].first) << site;
    EXPECT_EQ(job.text("编辑框_章节右侧"), pairs[site].second) << site;
  }
}

TEST(Cleaning, FollowsTheSelectedSitesGroup) {
  SiteServer server;
  Job job(server);
  struct Case {
    int site;
    Text text, expected;
  };
  const std::array cases{
      Case{1, "a<br /><br />b<br />c", "a\r\nb<br />c"},
      Case{0, "a<br /><br />b", "ab"},
      Case{4, "a<BR />b&NBSP;<br />", "a<BR />b&NBSP;"},  // other letter case stays
      Case{2, "x<br>y", "xy"},
      Case{3, "x<br>y", "x<br>y"},
      Case{1, "\xB5<p>", "\xB5"},           // "<" cannot follow a lead byte: the markup goes
      Case{1, "\xB5\x40p>", "\xB5\x40p>"},  // "@" can: "p>" alone is no markup
  };
  for (const auto& [site, text, expected] : cases) {
    job.toolkit.choose(*job.form, "组合框1", site);
    EXPECT_EQ(job.collector->clean_chapter_text(text), expected) << site << ": " << text;
  }
  // A delimiter box may spell a double quote as the marker.
  job.toolkit.set_text(*job.form, "编辑框_章节左侧",
                       "<div id=" + quote_marker() + "c" + quote_marker() + ">");
  job.toolkit.set_text(*job.form, "编辑框_章节右侧", "</div>\r");
  EXPECT_EQ(job.collector->extract_chapter_text("<div id=\"c\">text</div>\r\n"), "text");
  EXPECT_EQ(job.text("编辑框_正文"), "text");
}

}  // namespace
}  // namespace lumetra
