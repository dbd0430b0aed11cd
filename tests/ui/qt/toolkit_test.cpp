// The Qt toolkit's crossings between threads: message boxes, queued calls, links, and the
// chapter list's mirror of rows that many threads write.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "tests/ui/qt/qt_wait.h"
#include "text/gbk.h"
#include "ui/qt/qt_toolkit.h"

namespace lumetra::ui::qt {
namespace {

using testing::wait_until;

QMessageBox* shown_box() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
  return nullptr;
}

TEST(QtMessageBox, FromAWorkerItBlocksOnlyThatThread) {
  QtToolkit tk;
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    tk.message_box(gbk<"小说下载完成！">());
    returned = true;
  });
  QMessageBox* box = nullptr;
  ASSERT_TRUE(wait_until([&] { return (box = shown_box()) != nullptr; }));
  EXPECT_EQ(box->windowTitle(), QStringLiteral("信息："));
  EXPECT_EQ(box->text(), QStringLiteral("小说下载完成！"));
  EXPECT_EQ(box->buttons().size(), 1);
  if (const char* out = std::getenv("LUMETRA_GRAB_DIR"))
    box->grab().save(QString::fromUtf8(out) + QStringLiteral("/message.png"));
  // The UI thread goes on: queued work runs while the worker waits for the box.
  bool ran = false;
  tk.post([&] { ran = true; });
  ASSERT_TRUE(wait_until([&] { return ran; }));
  EXPECT_FALSE(returned);

  box->button(QMessageBox::Ok)->click();
  EXPECT_TRUE(wait_until([&] { return returned.load(); }));
  worker.join();
}

TEST(QtMessageBox, OnTheUiThreadItIsModal) {
  QtToolkit tk;
  bool was_modal = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    was_modal = box->text() == QStringLiteral("目录操作失败！");
    box->button(QMessageBox::Ok)->click();
  });
  tk.message_box(gbk<"目录操作失败！">());  // returns once the box is dismissed
  EXPECT_TRUE(was_modal);
}

TEST(QtMessageBox, TheSeamAnswersOnTheUiThreadWithoutAWindow) {
  QtToolkit tk;
  std::vector<std::pair<Text, bool>> answered;  // text, on the UI thread
  tk.answer_message_boxes([&](const Text& text) { answered.push_back({text, tk.on_ui_thread()}); });
  tk.message_box("ui");
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    tk.message_box("worker");
    returned = true;
  });
  ASSERT_TRUE(wait_until([&] { return returned.load(); }));
  worker.join();
  ASSERT_EQ(answered.size(), 2u);
  EXPECT_EQ(answered[0], (std::pair<Text, bool>{"ui", true}));
  EXPECT_EQ(answered[1], (std::pair<Text, bool>{"worker", true}));
  EXPECT_EQ(shown_box(), nullptr);
}

// Receives what QDesktopServices would have opened.
class Opened : public QObject {
  Q_OBJECT
 public:
  QStringList urls;
  Qt::HANDLE thread = nullptr;
 public slots:
  void open(const QUrl& url) {
    urls << url.toString();
    thread = QThread::currentThreadId();
  }
};

TEST(QtToolkit, OpensLinksAndFoldersThroughTheDesktopFromAnyThread) {
  QtToolkit tk;
  Opened opened;
  for (const char* scheme : {"http", "https", "file", "mailto", "xmpp"})
    QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &opened, "open");
  tk.open_in_shell("https://example.com/");
  std::thread([&] { tk.open_in_shell("/tmp/小说下载"); }).join();
  tk.open_in_shell("mailto:feedback@example.com");
  tk.open_in_shell("小说下载");  // relative: in the working folder
  ASSERT_TRUE(wait_until([&] { return opened.urls.size() == 4; }));
  for (const char* scheme : {"http", "https", "file", "mailto", "xmpp"})
    QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
  EXPECT_TRUE(opened.urls.contains(QStringLiteral("https://example.com/")));
  EXPECT_TRUE(opened.urls.contains(QStringLiteral("file:///tmp/小说下载")));
  EXPECT_TRUE(opened.urls.contains(QStringLiteral("mailto:feedback@example.com")));
  EXPECT_TRUE(opened.urls.contains(
      QUrl::fromLocalFile(QDir::current().filePath(QStringLiteral("小说下载"))).toString()));
  EXPECT_EQ(opened.thread, QThread::currentThreadId());  // opened on the UI thread
}

std::unique_ptr<Form> list_form() {
  auto form = std::make_unique<Form>("list window", 400, 300);
  form->window().centred = false;
  Control list;
  list.name = "list";
  list.kind = ControlKind::list_view;
  list.width = 400;
  list.height = 300;
  list.columns = {gbk<"章节名称">(), gbk<"下载状态">(), gbk<"链接">()};
  list.column_widths = {200, 100, 300};
  form->add(list);
  return form;
}

QString cell(QAbstractItemModel* model, int row, int column) {
  return model->data(model->index(row, column), Qt::DisplayRole).toString();
}

TEST(QtChapterList, MirrorsRowsThatManyThreadsWrite) {
  QtToolkit tk;
  Form& form = tk.load(list_form());
  auto* view = tk.window_of(form)->findChild<QTableView*>(QStringLiteral("list"));
  ASSERT_NE(view, nullptr);
  QAbstractItemModel* model = view->model();
  EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("下载状态"));
  EXPECT_EQ(view->columnWidth(0), 200);
  QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);

  constexpr int threads = 8, per_thread = 500;
  std::vector<std::thread> writers;
  for (int t = 0; t < threads; ++t)
    writers.emplace_back([&] {
      for (int i = 0; i < per_thread; ++i) {
        int row = tk.list_insert(form, "list", -1);
        tk.list_set_cell(form, "list", row, 0, "title " + std::to_string(row));
        tk.list_set_cell(form, "list", row, 1, gbk<"下载完成">());
      }
    });
  for (auto& w : writers) w.join();
  ASSERT_TRUE(wait_until([&] {
    return model->rowCount() == threads * per_thread &&
           cell(model, threads * per_thread - 1, 1) == QStringLiteral("下载完成");
  }));
  for (int row : {0, 1234, threads * per_thread - 1}) {
    EXPECT_EQ(cell(model, row, 0), QStringLiteral("title %1").arg(row));
    EXPECT_EQ(cell(model, row, 1), QStringLiteral("下载完成"));
  }
  // 4,000 insertions arrive as a few coalesced ones, not one a row.
  EXPECT_LT(inserted.count(), 100);
}

TEST(QtChapterList, ChangedNeighboursArriveAsOneRangeAndAClearStartsAfresh) {
  QtToolkit tk;
  Form& form = tk.load(list_form());
  QAbstractItemModel* model =
      tk.window_of(form)->findChild<QTableView*>(QStringLiteral("list"))->model();
  for (int i = 0; i < 40; ++i) tk.list_insert(form, "list", -1);
  ASSERT_TRUE(wait_until([&] { return model->rowCount() == 40; }));

  // Written on the UI thread, so every write lands before the refresh runs.
  QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
  for (int row = 10; row < 20; ++row) tk.list_set_cell(form, "list", row, 1, "x");
  tk.list_set_cell(form, "list", 30, 1, "y");
  ASSERT_TRUE(wait_until([&] { return changed.count() >= 2; }));
  QTest::qWait(60);
  ASSERT_EQ(changed.count(), 2);
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 10);
  EXPECT_EQ(changed[0][1].toModelIndex().row(), 19);
  EXPECT_EQ(changed[1][0].toModelIndex().row(), 30);
  EXPECT_EQ(changed[1][1].toModelIndex().row(), 30);

  tk.list_clear(form, "list");
  for (int i = 0; i < 3; ++i) {
    int row = tk.list_insert(form, "list", -1);
    tk.list_set_cell(form, "list", row, 0, "new " + std::to_string(row));
  }
  ASSERT_TRUE(wait_until([&] { return model->rowCount() == 3; }));
  QTest::qWait(60);
  EXPECT_EQ(model->rowCount(), 3);
  EXPECT_EQ(cell(model, 2, 0), QStringLiteral("new 2"));
  EXPECT_EQ(cell(model, 0, 1), QString());
}

TEST(QtChapterList, BytesThatAreNotGbkShowAsReplacementCharactersAndMarkupAsText) {
  QtToolkit tk;
  Form& form = tk.load(list_form());
  QAbstractItemModel* model =
      tk.window_of(form)->findChild<QTableView*>(QStringLiteral("list"))->model();
  tk.list_insert(form, "list", -1);
  tk.list_set_cell(form, "list", 0, 0, gbk<"第一章">() + "\xFF" + "<b>x</b>");
  ASSERT_TRUE(wait_until([&] { return !cell(model, 0, 0).isEmpty(); }));
  EXPECT_EQ(cell(model, 0, 0), QStringLiteral("第一章\uFFFD<b>x</b>"));
  // A page's markup is shown as it stands, in the cell and in its tooltip.
  EXPECT_EQ(model->data(model->index(0, 0), Qt::ToolTipRole).toString(),
            QStringLiteral("<qt>第一章\uFFFD&lt;b&gt;x&lt;/b&gt;</qt>"));
}

TEST(QtWindow, SetShapeKeepsThePixelsNotOfTheColour) {
  QtToolkit tk;
  Form& form = tk.load(list_form());
  QImage image(400, 300, QImage::Format_RGB32);
  image.fill(QColor(0x10, 0x20, 0x30));  // the window's colour, and a white right half cut away
  for (int y = 0; y < 300; ++y)
    for (int x = 200; x < 400; ++x) image.setPixel(x, y, qRgb(255, 255, 255));
  QByteArray png;
  QBuffer buffer(&png);
  image.save(&buffer, "PNG");
  tk.set_shape(form, Bytes(png.constData(), png.size()), 0x00FFFFFF);
  QWidget* window = tk.window_of(form);
  ASSERT_TRUE(wait_until([&] { return !window->mask().isEmpty(); }));
  EXPECT_TRUE(window->mask().contains(QPoint(10, 10)));
  EXPECT_FALSE(window->mask().contains(QPoint(300, 10)));
}

}  // namespace
}  // namespace lumetra::ui::qt

#include "toolkit_test.moc"
