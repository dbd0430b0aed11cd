// The whole program started over the headless toolkit, against a site on 127.0.0.1, in
// temporary folders, and ended through the exit confirmation as a person would.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "app/start.h"
#include "tests/collect/site_pages.h"
#include "tests/collect/site_server.h"
#include "tests/support/temp_dir.h"
#include "text/gbk.h"
#include "ui/headless_toolkit.h"
#include "ui/main_names.h"
#include "ui/secondary_windows.h"

namespace lumetra {
namespace {
namespace fs = std::filesystem;
namespace names = ui::main_window;
using namespace std::chrono_literals;
using testing::SiteServer;

// The headless toolkit with a view's ear on the chapter list's reports.
class ListeningToolkit : public ui::HeadlessToolkit {
 public:
  std::vector<ui::Change> row_changes() {
    std::lock_guard lock(mutex_);
    return changes_;
  }

 protected:
  void changed(const ui::Change& change) override {
    if (change.control == names::chapter_list) {
      std::lock_guard lock(mutex_);
      changes_.push_back(change);
    }
    HeadlessToolkit::changed(change);
  }

 private:
  std::mutex mutex_;
  std::vector<ui::Change> changes_;
};

SiteTable sites_at(const SiteServer& server) {
  SiteTable t = built_in_sites();
  for (Site& site : t.sites) site.host = server.host();
  return t;
}

// One run of the program on its own thread; the destructor ends it if the test did not.
class Program {
 public:
  Program(SiteServer& server, const fs::path& root) {
    options.sites = sites_at(server);
    options.program_dir = root / "program";
    options.version_file = root / "config" / "lumetra" / "ver.ini";
    options.collector.retry_delay = 10ms;
    options.started = [this](ui::Form& form) {
      main = &form;
      loaded.set_value();
    };
    options.cleaned_up = [this] { ++cleanups; };
    fs::create_directories(options.program_dir);
    thread = std::thread([this] { code = start(toolkit, options); });
    loaded.get_future().wait();
    settle();
  }
  ~Program() {
    toolkit.exit(0);
    if (thread.joinable()) thread.join();
  }

  void settle() {
    toolkit.run_on_ui([] {});
  }
  ui::Form* open(const char* kind) {
    settle();
    return toolkit.find(kind);
  }
  // Presses the close button and confirms; returns once `start` has returned.
  void quit() {
    toolkit.click(*main, names::close_button);
    ui::Form* ask = open(ui::window_kind::exit_confirmation);
    ASSERT_NE(ask, nullptr);
    toolkit.click(*ask, ui::exit_window::confirm_button);
    thread.join();
  }

  ListeningToolkit toolkit;
  StartOptions options;
  std::promise<void> loaded;
  ui::Form* main = nullptr;
  std::atomic<int> cleanups{0};
  int code = -1;
  std::thread thread;
};

void serve_book(SiteServer& server, int site, const Text& title,
                const std::vector<testing::SampleChapter>& chapters,
                std::chrono::milliseconds delay = {}) {
  server.put(testing::catalog_path(site),
             testing::catalog_page(site, title, chapters, "http://" + server.host()));
  for (const auto& c : chapters)
    server.put(testing::chapter_path(site, c), testing::chapter_page(site, c.raw), 0, delay);
}

TEST(Start, ShowsTheMainWindowReadyForAJob) {
  SiteServer server;
  testing::TempDir dir;
  Program program(server, dir.path());
  ui::Toolkit& tk = program.toolkit;
  ui::Form& main = *program.main;
  EXPECT_EQ(tk.selection(main, names::site_list), 0);
  const Site& site0 = built_in_sites().sites[0];
  EXPECT_EQ(tk.text(main, names::left_box), site0.left_delimiter);
  EXPECT_EQ(tk.text(main, names::right_box), site0.right_delimiter);
  EXPECT_EQ(tk.text(main, names::left_box), "<div id=\"content\">");
  EXPECT_FALSE(tk.visible(main, names::total_label));
  EXPECT_FALSE(tk.visible(main, names::downloaded_label));
  EXPECT_EQ(tk.current_page(main, names::tabs), 0);
  EXPECT_EQ(server.http().request_count(), 0);  // no network at start
  const ui::Rect screen = tk.screen();
  EXPECT_EQ(tk.window_rect(main),
            (ui::Rect{(screen.width - 1000) / 2, (screen.height - 723) / 2, 1000, 723}));
  program.quit();
  EXPECT_EQ(program.code, 0);
  EXPECT_EQ(program.cleanups, 1);
}

TEST(Start, ReplacesTheVersionFileAtEveryStart) {
  SiteServer server;
  testing::TempDir dir;
  const fs::path file = dir.path() / "config" / "lumetra" / "ver.ini";
  for (int run = 0; run < 2; ++run) {
    fs::create_directories(file.parent_path());
    testing::write_file(file, "[info]\r\nversion=0.9\r\n[update]\r\nurl=http://x\r\n");
    Program program(server, dir.path());
    EXPECT_EQ(testing::read_file(file), "[info]\nversion=2.1.0854.14394\n");
    program.quit();
  }
}

TEST(Start, OpenSiteOpensEachSitesHomePage) {
  SiteServer server;
  testing::TempDir dir;
  Program program(server, dir.path());
  std::vector<std::string> expected;
  for (int site = 0; site < site_count; ++site) {
    program.toolkit.choose(*program.main, names::site_list, site);
    program.toolkit.click(*program.main, names::open_site_button);
    expected.push_back(built_in_sites().sites[site].home_page);
  }
  EXPECT_EQ(program.toolkit.opened(), expected);
  EXPECT_TRUE(program.toolkit.opened()[1].ends_with("/"));
  EXPECT_FALSE(program.toolkit.opened()[0].ends_with("/"));
}

TEST(Start, AWholeJobThroughTheWindowEndsWithTheBook) {
  SiteServer server;
  testing::TempDir dir;
  const auto chapters = testing::sample_chapters(0, server.host());
  serve_book(server, 0, testing::sample_title(0), chapters);
  Program program(server, dir.path());
  ui::Toolkit& tk = program.toolkit;
  ui::Form& main = *program.main;
  tk.type_text(main, names::address_box, server.url(testing::catalog_path(0)));
  tk.click(main, names::start_button);
  ASSERT_TRUE(program.toolkit.wait_for_messages(1, 60s));
  EXPECT_EQ(program.toolkit.messages(), std::vector<Text>{gbk<"小说下载完成！">()});
  const fs::path book =
      program.options.program_dir / "小说下载" / (gbk_to_utf8(testing::sample_title(0)) + ".txt");
  Text expected;
  for (const auto& c : chapters) expected += c.title + c.clean;
  EXPECT_EQ(testing::read_file(book), expected);
  EXPECT_TRUE(tk.visible(main, names::total_label));

  // The view heard of each row alone: one report per inserted row and per written cell.
  const int rows = tk.list_count(main, names::chapter_list);
  int inserted = 0;
  for (const ui::Change& change : program.toolkit.row_changes()) {
    if (change.what == ui::Change::What::rows_inserted) ++inserted;
    if (change.what == ui::Change::What::rows_inserted ||
        change.what == ui::Change::What::rows_changed) {
      EXPECT_EQ(change.first_row, change.last_row);
    }
  }
  EXPECT_EQ(inserted, rows);
  program.quit();
  EXPECT_EQ(program.cleanups, 1);
}

TEST(Start, CancellingTheExitKeepsRunningAndConfirmingEndsOnceEvenDuringAJob) {
  SiteServer server;
  testing::TempDir dir;
  std::vector<testing::SampleChapter> chapters;
  for (int i = 1; i <= 300; ++i)
    chapters.push_back({utf8_to_gbk("第" + std::to_string(i) + "章"), std::to_string(i) + ".html",
                        "t<br /><br />", "t\r\n"});
  serve_book(server, 1, gbk<"长篇">(), chapters, 30ms);
  Program program(server, dir.path());
  ui::Toolkit& tk = program.toolkit;
  ui::Form& main = *program.main;

  tk.click(main, names::close_button);
  ui::Form* ask = program.open(ui::window_kind::exit_confirmation);
  ASSERT_NE(ask, nullptr);
  tk.press(*ask, ui::exit_window::cancel_area);
  EXPECT_EQ(program.open(ui::window_kind::exit_confirmation), nullptr);
  EXPECT_EQ(program.cleanups, 0);

  tk.choose(main, names::site_list, 1);
  tk.type_text(main, names::address_box, server.url(testing::catalog_path(1)));
  tk.click(main, names::start_button);
  // The job is under way once its first chapter is in.
  for (int i = 0; i < 3000 && server.http().request_count() < 5; ++i)
    std::this_thread::sleep_for(5ms);
  ASSERT_GE(server.http().request_count(), 5);
  program.quit();  // returns once every thread of the job has ended
  EXPECT_TRUE(program.toolkit.messages().empty());  // the job was stopped, not waited for
  EXPECT_EQ(program.code, 0);
  EXPECT_EQ(program.cleanups, 1);
  tk.exit(0);  // a late second exit runs nothing
  EXPECT_EQ(program.cleanups, 1);
}

}  // namespace
}  // namespace lumetra
