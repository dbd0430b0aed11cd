#include "ui/qt/qt_toolkit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "text/gbk.h"
#include "ui/qt/form_window.h"
#include "ui/qt/pictures.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/shadow_view.h"
#include "ui/qt/widgets.h"

namespace lumetra::ui::qt {
namespace {

constexpr int refresh_period_ms = 30;

// Wakes the thread that waits for a message box when the last holder lets go of it: the box
// was dismissed, or the call that would have shown it was dropped (the toolkit is going).
class BoxDone {
 public:
  struct Wait {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
  };
  explicit BoxDone(std::shared_ptr<Wait> wait) : wait_(std::move(wait)) {}
  ~BoxDone() {
    {
      std::lock_guard lock(wait_->mutex);
      wait_->done = true;
    }
    wait_->cv.notify_all();
  }

 private:
  std::shared_ptr<Wait> wait_;
};

// Caption "信息：" and one OK button, captioned as a Chinese desktop does; the text is shown as
// it stands, never as markup.
QMessageBox* make_box(const Text& text, QWidget* parent = nullptr) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("信息："), to_qstring(text),
                              QMessageBox::Ok, parent);
  box->setTextFormat(Qt::PlainText);
  box->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowCloseButtonHint);  // a caption and a close button, nothing more
  box->setStyleSheet(style_sheet() +
                     QStringLiteral("QMessageBox { background: %1; }"
                                    "QMessageBox QLabel { min-width: 220px; padding: 8px; }"
                                    "QMessageBox QPushButton { min-width: 76px; "
                                    "min-height: 26px; }")
                         .arg(colour("body.background").name()));
  QAbstractButton* ok = box->button(QMessageBox::Ok);
  ok->setText(QStringLiteral("确定"));
  ok->setIcon(QIcon());
  return box;
}

// The UI thread's in-tray. A task is handed over under a standard mutex and the UI thread is
// woken by a bare event, so the tasks never travel inside Qt's own queue and every handover is
// one that the thread checkers can see.
class Mailbox : public QObject {
 public:
  void put(std::function<void()> task) {
    bool wake = false;
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
      wake = !woken_;
      woken_ = true;
    }
    if (wake) QCoreApplication::postEvent(this, new QEvent(QEvent::User));
  }

 protected:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    std::deque<std::function<void()>> now;
    {
      std::lock_guard lock(mutex_);
      now.swap(tasks_);
      woken_ = false;
    }
    for (auto& task : now) task();
    return true;
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  bool woken_ = false;
};

}  // namespace

struct QtToolkit::Impl {
  // What changed since the last refresh, per form.
  struct Pending {
    bool window = false;
    std::set<std::string> controls;
    std::map<std::string, RowChanges> lists;
  };

  std::thread::id ui_thread = std::this_thread::get_id();
  Mailbox ui;  // lives on the UI thread: every queued call goes through it
  QTimer refresh_timer;
  QElapsedTimer since_refresh;
  std::map<const Form*, QPointer<FormWindow>> windows;  // UI thread

  std::mutex pending_mutex;  // the small lock: held only to note a change
  std::map<Form*, Pending> pending;
  bool scheduled = false;

  std::mutex answer_mutex;
  std::function<void(const Text&)> answer;

  FormWindow* window(const Form* form) const {
    auto it = windows.find(form);
    return it == windows.end() ? nullptr : it->second.data();
  }
};

QtToolkit::QtToolkit() : impl_(std::make_unique<Impl>()) {
  Q_ASSERT(QCoreApplication::instance());
  QApplication::setQuitOnLastWindowClosed(false);  // the program ends only through `exit`
  QApplication::setFont(default_font());
  impl_->refresh_timer.setSingleShot(true);
  QObject::connect(&impl_->refresh_timer, &QTimer::timeout, &impl_->ui, [this] {
    std::map<Form*, Impl::Pending> work;
    {
      std::lock_guard lock(impl_->pending_mutex);
      work.swap(impl_->pending);
      impl_->scheduled = false;
    }
    impl_->since_refresh.restart();
    for (auto& [form, p] : work) {
      QPointer<FormWindow> w = impl_->window(form);
      if (w && p.window) w->apply_window();
      for (const std::string& control : p.controls)
        if (w) w->apply_control(control);
      for (auto& [list, rows] : p.lists) {
        if (!w || w->apply_rows(list, rows)) continue;
        // Rows left for the next refresh: a long catalog arrives in slices.
        changed(Change{Change::What::rows_inserted, form, list, rows.inserted_from,
                       rows.inserted_from});
      }
    }
  });
}

QtToolkit::~QtToolkit() {
  for (auto& [form, window] : impl_->windows) delete window.data();
  impl_->windows.clear();
}

bool QtToolkit::on_ui_thread() const {
  return std::this_thread::get_id() == impl_->ui_thread;
}

QWidget* QtToolkit::window_of(const Form& form) const {
  return impl_->window(&form);
}

int QtToolkit::run(Form& start) {
  if (FormWindow* w = impl_->window(&start); w && !w->isVisible()) w->show();
  return QApplication::exec();
}

Rect QtToolkit::screen() const {
  const QScreen* s = QGuiApplication::primaryScreen();
  if (!s) return Toolkit::screen();
  const QRect r = s->availableGeometry();
  return {r.left(), r.top(), r.width(), r.height()};
}

void QtToolkit::changed(const Change& change) {
  if (shadow_view_takes(*this, change)) return;  // shadow windows have a view of their own
  using W = Change::What;
  Form* form = change.form;
  switch (change.what) {
    case W::loaded: {  // UI thread, after the created handlers
      auto* w = new FormWindow(*this, *form);
      impl_->windows[form] = w;
      if (window_state(*form) == WindowState::minimised)
        w->showMinimized();
      else
        w->show();
      w->raise();
      w->activateWindow();
      return;
    }
    case W::destroyed: {  // UI thread, before the form is freed
      if (FormWindow* w = impl_->window(form)) w->retire();
      impl_->windows.erase(form);
      std::lock_guard lock(impl_->pending_mutex);
      impl_->pending.erase(form);
      return;
    }
    case W::raise:
      post([this, form] {
        if (FormWindow* w = impl_->window(form)) {
          if (w->isMinimized()) w->showNormal();
          w->raise();
          w->activateWindow();
        }
      });
      return;
    default:
      break;
  }

  bool schedule = false;
  {
    std::lock_guard lock(impl_->pending_mutex);
    Impl::Pending& p = impl_->pending[form];
    switch (change.what) {
      case W::window:
        p.window = true;
        break;
      case W::control:
        p.controls.insert(change.control);
        break;
      case W::rows_inserted: {
        RowChanges rows;
        rows.inserted_from = change.first_row;
        p.lists[change.control].merge(rows);
        break;
      }
      case W::rows_changed: {
        auto& changed_rows = p.lists[change.control].changed;
        for (int row = change.first_row; row <= change.last_row; ++row) changed_rows.push_back(row);
        break;
      }
      case W::rows_cleared: {
        RowChanges rows;
        rows.cleared = true;
        p.lists[change.control].merge(rows);
        break;
      }
      default:
        break;
    }
    schedule = !impl_->scheduled;
    impl_->scheduled = true;
  }
  if (!schedule) return;
  // One refresh for everything that changes until it runs, and no sooner than ~30 ms after the
  // last one; started on the UI thread, where the timer lives.
  post([this] {
    const qint64 since =
        impl_->since_refresh.isValid() ? impl_->since_refresh.elapsed() : refresh_period_ms;
    if (!impl_->refresh_timer.isActive())
      impl_->refresh_timer.start(static_cast<int>(std::max<qint64>(0, refresh_period_ms - since)));
  });
}

void QtToolkit::message_box(const Text& text) {
  std::function<void(const Text&)> answer;
  {
    std::lock_guard lock(impl_->answer_mutex);
    answer = impl_->answer;
  }
  auto take_activation = [] {
    // A box takes the activation from the window that asked for it, as a real one does.
    if (auto* w = dynamic_cast<FormWindow*>(QApplication::activeWindow())) w->activation_taken();
  };

  if (on_ui_thread()) {
    if (answer) {
      take_activation();
      answer(text);
      return;
    }
    std::unique_ptr<QMessageBox> box(make_box(text));
    box->exec();
    return;
  }

  // Another thread: the box shows on the UI thread without a nested loop, and only this thread
  // waits until it is gone.
  auto wait = std::make_shared<BoxDone::Wait>();
  auto done = std::make_shared<BoxDone>(wait);
  post([this, text, answer, take_activation, done]() mutable {
    if (answer) {
      take_activation();
      answer(text);
      return;
    }
    QMessageBox* box = make_box(text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // The connection holds `done` until the box is deleted.
    QObject::connect(box, &QObject::destroyed, [done = std::move(done)] {});
    box->show();
  });
  done.reset();
  std::unique_lock lock(wait->mutex);
  wait->cv.wait(lock, [&] { return wait->done; });
}

void QtToolkit::answer_message_boxes(std::function<void(const Text&)> answer) {
  std::lock_guard lock(impl_->answer_mutex);
  impl_->answer = std::move(answer);
}

void QtToolkit::process_events() {
  if (on_ui_thread()) QCoreApplication::processEvents();
}

void QtToolkit::post(std::function<void()> task) {
  // The one way work crosses threads: a queued call that runs on the UI thread in its event
  // loop, so widgets are only ever touched there.
  impl_->ui.put(std::move(task));
}

void QtToolkit::open_in_shell(const std::string& target) {
  // A link has a scheme ("http:", "mailto:"); anything else is a folder or file of this machine.
  QUrl url(from_utf8(target), QUrl::StrictMode);
  if (url.scheme().size() < 2)  // none, or a drive-letter-like "c:"
    url = QUrl::fromLocalFile(QFileInfo(from_utf8(target)).absoluteFilePath());
  if (!url.isValid()) return;
  if (on_ui_thread())
    QDesktopServices::openUrl(url);
  else
    post([url] { QDesktopServices::openUrl(url); });
}

void QtToolkit::quit(int code) {
  // The windows go at once and the event loop ends, so `run` returns and the start-up lets go
  // of the job. A job's thread that does not end in time must not hold the program open: after
  // a second the process ends with the code all the same.
  std::thread([code] {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::fflush(nullptr);
    std::_Exit(code);
  }).detach();
  auto end_loop = [code] {
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    QCoreApplication::exit(code);
  };
  if (on_ui_thread())
    end_loop();
  else
    post(end_loop);
}

}  // namespace lumetra::ui::qt
