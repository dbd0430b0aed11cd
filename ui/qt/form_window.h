// One form as a borderless top-level window: a widget per control at the control's place, kept
// in step with the form by the toolkit's refreshes, and forwarding what a person does to the
// toolkit (click, choose, typing, presses, activation, moves, Esc, close requests).
//
// UI thread only. The window never changes the form itself: every write goes through the
// toolkit, so the form stays the one record that workers and tests read.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <map>
#include <string>

#include "ui/qt/chapter_model.h"
#include "ui/toolkit.h"

class QTimer;

namespace lumetra::ui::qt {

class FormWindow : public QWidget {
 public:
  FormWindow(Toolkit& toolkit, Form& form);

  Form& form() { return form_; }
  // The widget that shows a control, nullptr for a control without one (a timer).
  QWidget* widget(std::string_view control) const;

  // Re-reads what changed from the form.
  void apply_window();
  void apply_control(const std::string& control);
  // False when rows are left for a later refresh (`changes` then holds them).
  bool apply_rows(const std::string& list, RowChanges& changes);

  // The form is gone: stop the timers, forget the form, hide, and go once control is back in
  // the event loop (the handler that destroyed the window may still be running inside it).
  void retire();
  // Something else (a message box) took the activation, without the window system saying so.
  void activation_taken() { report_activation(false); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  struct Entry {
    std::string name;
    ControlKind kind;
    QWidget* widget = nullptr;
    QTimer* timer = nullptr;
    ChapterModel* model = nullptr;
  };

  void build();
  QWidget* make_widget(const Control& c, QWidget* parent, Entry& entry);
  QWidget* parent_for(const Control& c);
  void apply(Entry& entry, const Control& c);
  // A left press at `global` on the control (empty: the window); true when it was handled.
  bool pressed(const std::string& control, QPoint global);
  void drag_to(QPoint global);
  void report_activation(bool active);

  Toolkit& toolkit_;
  Form& form_;
  bool retired_ = false;
  bool active_ = false;
  std::map<std::string, Entry, std::less<>> entries_;
  std::map<QObject*, std::string> names_;  // widget -> control, for the event filter
  // A move the window system would not start (no window manager): followed by hand.
  bool dragging_ = false;
  QPoint drag_offset_;
};

}  // namespace lumetra::ui::qt
