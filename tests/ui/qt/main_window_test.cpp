// The main window on real widgets: its controls, a whole job pressed through the start button
// against a site on 127.0.0.1, and a message box inside a handler while the timer goes on.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <cstdlib>

#include "collect/collector.h"
#include "tests/collect/site_pages.h"
#include "tests/collect/site_server.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt/qt_wait.h"
#include "text/gbk.h"
#include "ui/main_form.h"
#include "ui/main_names.h"
#include "ui/main_window.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/secondary_windows.h"

namespace lumetra::ui::qt {
namespace {

namespace fs = std::filesystem;
namespace names = main_window;
using lumetra::testing::wait_until;

SiteTable sites_at(const lumetra::testing::SiteServer& server) {
  SiteTable t = built_in_sites();
  t.sites[0].host = server.host();
  return t;
}

// The main window on the Qt toolkit with a collector bound to it. Message boxes are answered
// through the seam and recorded.
class MainWindow : public ::testing::Test {
 protected:
  void open(fs::path program_dir = {}) {
    if (program_dir.empty()) program_dir = dir.path();
    toolkit.answer_message_boxes([this](const Text& text) {
      messages.push_back(text);
      if (on_message) on_message(text);
    });
    const SiteTable sites = sites_at(server);
    std::vector<std::string> home_pages;
    for (const Site& site : sites.sites) home_pages.push_back(gbk_to_utf8(site.home_page));
    SecondaryWindowSettings secondary;
    secondary.version_file = dir.path() / "ver.ini";
    register_secondary_windows(toolkit, secondary);
    auto main = make_main_form(sites.entries());
    form = main.get();
    bind_main_window(toolkit, *form, {home_pages, dir.path() / "ver.ini"});
    collector = std::make_unique<Collector>(toolkit, *form, sites_at(server), program_dir, regex);
    collector->bind();
    toolkit.load(std::move(main));
    window = toolkit.window_of(*form);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  }
  void TearDown() override {
    if (collector) {
      wait_until([&] { return !collector->state().job_running; });
      collector.reset();
    }
  }
  template <typename W>
  W* child(const char* name) {
    return window->findChild<W*>(QString::fromUtf8(name));
  }
  bool got(const char* utf8) {
    return std::find(messages.begin(), messages.end(), utf8_to_gbk(utf8)) != messages.end();
  }

  lumetra::testing::SiteServer server;
  lumetra::testing::TempDir dir;
  QtToolkit toolkit;
  Regex regex;
  Form* form = nullptr;
  QWidget* window = nullptr;
  std::vector<Text> messages;
  std::function<void(const Text&)> on_message;
  std::unique_ptr<Collector> collector;  // last: its threads end before the rest goes
};

TEST_F(MainWindow, ShowsItsControlsWhereTheFormPutsThem) {
  open();
  EXPECT_EQ(window->size(), QSize(1000, 723));
  EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
  struct Case {
    const char* name;
    QRect geometry;
    const char* text;
  };
  for (const Case& c : {Case{names::start_button, {732, 16, 116, 30}, "开始采集"},
                        Case{names::open_site_button, {862, 16, 116, 30}, "打开网址"},
                        Case{names::site_list, {15, 20, 177, 25}, nullptr},
                        Case{names::address_box, {204, 16, 512, 32}, ""},
                        Case{names::chapter_list, {8, 66, 600, 568}, nullptr},
                        Case{names::body_pane, {616, 66, 376, 560}, nullptr},
                        Case{names::title, {40, 19, 104, 32}, "Lumetra"},
                        Case{names::close_button, {955, 20, 29, 29}, nullptr},
                        Case{names::title_bar, {0, 0, 1000, 70}, nullptr},
                        Case{names::body, {0, 70, 1000, 658}, nullptr}}) {
    SCOPED_TRACE(c.name);
    QWidget* w = child<QWidget>(c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), c.geometry);
    if (!c.text) continue;
    QString shown;
    if (auto* button = qobject_cast<QPushButton*>(w)) shown = button->text();
    if (auto* label = qobject_cast<QLabel*>(w)) shown = label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) shown = edit->text();
    EXPECT_EQ(shown, QString::fromUtf8(c.text));
  }
  EXPECT_TRUE(child<QLineEdit>(names::address_box)->font().bold());
  EXPECT_EQ(child<QLabel>(names::title)->font().pixelSize(), 16);

  // The site list: a read-only drop-down of the five sites, site 0 chosen at creation.
  auto* sites = child<QComboBox>(names::site_list);
  ASSERT_NE(sites, nullptr);
  EXPECT_FALSE(sites->isEditable());
  EXPECT_EQ(sites->count(), 5);
  ASSERT_TRUE(wait_until([&] { return sites->currentIndex() == 0; }));
  EXPECT_TRUE(sites->currentText().startsWith(QStringLiteral("笔趣阁（")));

  auto* list = child<QTableView>(names::chapter_list);
  QStringList captions;
  for (int i = 0; i < 3; ++i) captions << list->model()->headerData(i, Qt::Horizontal).toString();
  EXPECT_EQ(captions, (QStringList{QStringLiteral("章节名称"), QStringLiteral("下载状态"),
                                   QStringLiteral("链接")}));
  EXPECT_EQ(list->horizontalHeader()->sectionSize(0), 200);
  EXPECT_EQ(list->horizontalHeader()->sectionSize(1), 100);
  EXPECT_EQ(list->horizontalHeader()->sectionSize(2), 300);
  EXPECT_EQ(list->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

  EXPECT_NE(child<QPlainTextEdit>(names::body_pane), nullptr);  // the multi-line pane
  auto* tabs = child<QTabWidget>(names::tabs);
  EXPECT_FALSE(tabs->tabBar()->isVisible());
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_FALSE(child<QLabel>(names::total_label)->isVisible());  // hidden until a catalog
  EXPECT_FALSE(child<QLabel>(names::downloaded_label)->isVisible());
  if (const char* out = std::getenv("LUMETRA_GRAB_DIR"))
    window->grab().save(QString::fromUtf8(out) + QStringLiteral("/main.png"));
}

TEST_F(MainWindow, StartButtonRunsAJobIntoTheList) {
  const auto chapters = lumetra::testing::generated_chapters(0, server.host(), 60, 400);
  server.put(
      lumetra::testing::catalog_path(0),
      lumetra::testing::catalog_page(0, gbk<"测试之书">(), chapters, "http://" + server.host()));
  for (const auto& c : chapters)
    server.put(lumetra::testing::chapter_path(0, c), lumetra::testing::chapter_page(0, c.raw));
  open();

  auto* address = child<QLineEdit>(names::address_box);
  address->setFocus();
  QTest::keyClicks(address, QString::fromStdString(server.url(lumetra::testing::catalog_path(0))));
  QTest::mouseClick(child<QPushButton>(names::start_button), Qt::LeftButton);
  ASSERT_TRUE(wait_until([&] { return got("小说下载完成！"); }, std::chrono::seconds(60)));

  QAbstractItemModel* rows = child<QTableView>(names::chapter_list)->model();
  auto done_rows = [&] {
    int done = 0;
    for (int row = 0; row < rows->rowCount(); ++row)
      done += rows->data(rows->index(row, 1)).toString() == QStringLiteral("下载完成");
    return done;
  };
  EXPECT_TRUE(wait_until([&] { return rows->rowCount() == 60 && done_rows() == 60; }));
  EXPECT_EQ(done_rows(), 60);
  EXPECT_EQ(rows->data(rows->index(0, 0)).toString(), to_qstring(chapters[0].title));
  EXPECT_TRUE(child<QLabel>(names::total_label)->isVisible());
  EXPECT_TRUE(child<QLabel>(names::downloaded_label)->text().contains(QStringLiteral("60")));
  EXPECT_FALSE(child<QPlainTextEdit>(names::body_pane)->toPlainText().isEmpty());
  EXPECT_TRUE(fs::exists(collector->book_file(gbk<"测试之书">())));
  if (const char* out = std::getenv("LUMETRA_GRAB_DIR"))
    window->grab().save(QString::fromUtf8(out) + QStringLiteral("/main-after.png"));
}

TEST_F(MainWindow, AMessageBoxInsideAHandlerLetsTheTimerRun) {
  // The program's directory is a file, so the download folder cannot be made and the start
  // button's handler shows "目录操作失败！" while it runs. The box is a nested event loop: the
  // timer's handler must run meanwhile, with nothing held by the handler that waits.
  lumetra::testing::write_file(dir.path() / "not a folder", "x");
  bool ticked_inside = false;
  on_message = [&](const Text&) {
    ticked_inside = wait_until([&] { return !toolkit.text(*form, names::running_label).empty(); },
                               std::chrono::seconds(5));
  };
  open(dir.path() / "not a folder");
  QTest::mouseClick(child<QPushButton>(names::start_button), Qt::LeftButton);
  ASSERT_TRUE(got("目录操作失败！"));
  EXPECT_TRUE(ticked_inside);
}

// Receives the links that "打开网址" opens.
class Links : public QObject {
  Q_OBJECT
 public:
  QStringList urls;
 public slots:
  void open(const QUrl& url) { urls << url.toString(); }
};

TEST_F(MainWindow, OpenSiteOpensTheChosenSitesHomePage) {
  open();
  Links links;
  for (const char* scheme : {"http", "https"})
    QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &links, "open");
  auto* sites = child<QComboBox>(names::site_list);
  const SiteTable table = sites_at(server);
  for (int site = 0; site < site_count; ++site) {
    sites->setCurrentIndex(site);
    emit sites->activated(site);  // as a person's choice in the drop-down
    QTest::mouseClick(child<QPushButton>(names::open_site_button), Qt::LeftButton);
    ASSERT_TRUE(wait_until([&] { return links.urls.size() == site + 1; }));
    EXPECT_EQ(links.urls.back(), QString::fromStdString(gbk_to_utf8(table.sites[site].home_page)));
  }
  for (const char* scheme : {"http", "https"})
    QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
  EXPECT_TRUE(links.urls[1].endsWith(QLatin1Char('/')));  // site 1's address ends with "/"
  EXPECT_FALSE(links.urls[0].endsWith(QLatin1Char('/')));
}

TEST_F(MainWindow, ACloseRequestAsksFirstAndCancelKeepsTheProgram) {
  open();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    if (round == 0)
      window->close();  // the desktop's close request (Alt+F4)
    else
      QTest::mouseClick(child<QWidget>(names::close_button), Qt::LeftButton);
    Form* confirm = toolkit.find(window_kind::exit_confirmation);
    ASSERT_NE(confirm, nullptr);
    QWidget* dialog = toolkit.window_of(*confirm);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    auto* question = dialog->findChild<QLabel*>(QString::fromUtf8(exit_window::question));
    EXPECT_TRUE(wait_until([&] { return question->text() == QStringLiteral("确定要退出吗？"); }));
    if (const char* out = std::getenv("LUMETRA_GRAB_DIR"))
      dialog->grab().save(QString::fromUtf8(out) + QStringLiteral("/confirm.png"));
    // The cancel area is a label over the cancel picture: a press on it closes the window.
    QTest::mousePress(dialog->findChild<QWidget*>(QString::fromUtf8(exit_window::cancel_area)),
                      Qt::LeftButton);
    EXPECT_EQ(toolkit.find(window_kind::exit_confirmation), nullptr);
    QPointer<QWidget> gone(dialog);
    ASSERT_TRUE(wait_until([&] { return gone.isNull(); }));
    EXPECT_TRUE(window->isVisible());
  }
}

TEST_F(MainWindow, TitleBarButtonsMinimiseAndOpenTheMenuWhichClosesWhenItLosesActivation) {
  open();
  QTest::mouseClick(child<QWidget>(names::menu_button), Qt::LeftButton);
  Form* menu = toolkit.find(window_kind::menu);
  ASSERT_NE(menu, nullptr);
  QWidget* menu_window = toolkit.window_of(*menu);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu_window));
  EXPECT_TRUE(wait_until([&] { return menu_window->pos() == window->pos() + QPoint(860, 55); }));
  EXPECT_TRUE(menu_window->windowFlags() & Qt::Tool);  // not in the taskbar
  if (const char* out = std::getenv("LUMETRA_GRAB_DIR"))
    menu_window->grab().save(QString::fromUtf8(out) + QStringLiteral("/menu.png"));

  // "检查更新": the message box takes the activation, and the menu goes with it.
  QTest::mouseClick(menu_window->findChild<QWidget*>(QString::fromUtf8(menu_window::check_update)),
                    Qt::LeftButton);
  EXPECT_TRUE(got("已是最新版本"));
  EXPECT_EQ(toolkit.find(window_kind::menu), nullptr);

  // Esc closes a new menu.
  QTest::mouseClick(child<QWidget>(names::menu_button), Qt::LeftButton);
  menu = toolkit.find(window_kind::menu);
  ASSERT_NE(menu, nullptr);
  QTest::keyClick(toolkit.window_of(*menu), Qt::Key_Escape);
  EXPECT_EQ(toolkit.find(window_kind::menu), nullptr);

  QTest::mouseClick(child<QWidget>(names::minimize_button), Qt::LeftButton);
  EXPECT_TRUE(wait_until([&] { return window->isMinimized(); }));
  EXPECT_EQ(toolkit.window_state(*form), WindowState::minimised);
}

TEST_F(MainWindow, DraggingTheTitleBarMovesTheWindowButNotFromAnEditBox) {
  open();
  const QPoint start = window->pos();
  QWidget* bar = child<QWidget>(names::title_bar);
  QTest::mousePress(bar, Qt::LeftButton, {}, {300, 30});
  QTest::mouseMove(bar, {340, 50});
  QTest::mouseRelease(bar, Qt::LeftButton, {}, {340, 50});
  EXPECT_TRUE(wait_until([&] { return window->pos() == start + QPoint(40, 20); }));
  const Rect rect = toolkit.window_rect(*form);
  EXPECT_EQ(QPoint(rect.left, rect.top), start + QPoint(40, 20));  // the form knows it too

  QWidget* edit = child<QWidget>(names::address_box);
  QTest::mousePress(edit, Qt::LeftButton, {}, {10, 10});
  QTest::mouseMove(edit, {60, 40});
  QTest::mouseRelease(edit, Qt::LeftButton, {}, {60, 40});
  QTest::qWait(50);
  EXPECT_EQ(window->pos(), start + QPoint(40, 20));
}

}  // namespace
}  // namespace lumetra::ui::qt

#include "main_window_test.moc"
