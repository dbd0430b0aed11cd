#include "ui/qt/form_window.h"

#include <QAbstractButton>
#include <QBitmap>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "ui/qt/pictures.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/widgets.h"

namespace lumetra::ui::qt {
namespace {

// A colour of the forms, 0x00BBGGRR.
QColor from_bgr(std::uint32_t bgr) {
  return QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff);
}

bool multi_line(const Control& c) {
  // An edit box taller than two lines of its font is a text pane, not a one-line box.
  return c.height > 2 * std::max(c.font.pixel_height, 12) + 8;
}

}  // namespace

FormWindow::FormWindow(Toolkit& toolkit, Form& form)
    : QWidget(nullptr), toolkit_(toolkit), form_(form) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setObjectName(from_utf8(form.kind()));
  setStyleSheet(style_sheet());
  setFont(default_font());
  setFocusPolicy(Qt::StrongFocus);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, colour("body.background"));
  setPalette(pal);
  setAutoFillBackground(true);
  build();
  apply_window();
}

QWidget* FormWindow::widget(std::string_view control) const {
  auto it = entries_.find(control);
  return it == entries_.end() ? nullptr : it->second.widget;
}

QWidget* FormWindow::parent_for(const Control& c) {
  if (c.parent.empty()) return this;
  // "高级选择夹1:1": page "1" of the tab control.
  if (auto colon = c.parent.rfind(':'); colon != std::string::npos) {
    auto it = entries_.find(std::string_view(c.parent).substr(0, colon));
    if (it != entries_.end())
      if (auto* tabs = qobject_cast<QTabWidget*>(it->second.widget)) {
        const QString page = from_utf8(std::string_view(c.parent).substr(colon + 1));
        for (int i = 0; i < tabs->count(); ++i)
          if (tabs->tabText(i) == page) return tabs->widget(i);
        bool ok = false;
        const int number = page.toInt(&ok);
        if (ok && number >= 1 && number <= tabs->count()) return tabs->widget(number - 1);
      }
    return this;
  }
  QWidget* parent = widget(c.parent);
  return parent ? parent : this;
}

void FormWindow::build() {
  for (const std::string& name : form_.order()) {
    const Control c = toolkit_.snapshot(form_, name);
    Entry entry{name, c.kind};
    QWidget* w = make_widget(c, parent_for(c), entry);
    entry.widget = w;
    if (w) {
      w->setObjectName(from_utf8(name));
      w->setGeometry(c.left, c.top, c.width, c.height);
      w->setFont(control_font(c.font));
      w->installEventFilter(this);
      names_[w] = name;
    }
    auto [it, inserted] = entries_.emplace(name, entry);
    apply(it->second, c);
    // A label with a picture is a frame or a background: it lies behind its siblings, as the
    // designs draw it, so it never covers the button it frames.
    if (w && (c.kind == ControlKind::label || c.kind == ControlKind::transparent_label) &&
        !c.picture.empty())
      w->lower();
  }
}

QWidget* FormWindow::make_widget(const Control& c, QWidget* parent, Entry& entry) {
  using K = ControlKind;
  switch (c.kind) {
    case K::picture_box:
    case K::canvas:
    case K::shape_box:
      return new PictureWidget(c.picture, parent);
    case K::label:
    case K::transparent_label: {
      auto* label = new Label(c.picture, parent);
      // A label whose box is centred in its window (a line of the about window) centres its
      // text as well; others read from the left.
      if (c.parent.empty() && 2 * c.left + c.width == form_.width())
        label->setAlignment(Qt::AlignCenter);
      // A box of several lines (the exit question) reads from its top, level with its icon.
      else if (c.height >= 3 * c.font.pixel_height)
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      // A label on a picture box (a title bar's caption) takes the title's colour.
      if (form_.has(c.parent) && form_.control(c.parent).kind == K::picture_box)
        label->setProperty("look", QStringLiteral("title"));
      return label;
    }
    case K::picture_button: {
      auto* b = new PictureButton(c.picture, parent);
      connect(b, &QAbstractButton::clicked, this, [this, name = c.name] {
        if (!retired_) toolkit_.click(form_, name);
      });
      return b;
    }
    case K::button: {
      auto* b = new QPushButton(parent);
      b->setCursor(Qt::PointingHandCursor);
      b->setFocusPolicy(Qt::TabFocus);
      const Control* parent_control = form_.has(c.parent) ? &form_.control(c.parent) : nullptr;
      if (parent_control && parent_control->kind == K::canvas)
        b->setProperty("look", QStringLiteral("item"));  // a button of a menu
      else if (to_qstring(c.text).size() == 1)
        b->setProperty("look", QStringLiteral("glyph"));  // a one-character button: "×"
      connect(b, &QPushButton::clicked, this, [this, name = c.name] {
        if (!retired_) toolkit_.click(form_, name);
      });
      return b;
    }
    case K::edit_box:
      if (multi_line(c)) {
        auto* pane = new QPlainTextEdit(parent);
        pane->setReadOnly(true);  // shows the latest chapter; a person reads and copies it
        pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        return pane;
      } else {
        auto* edit = new QLineEdit(parent);
        connect(edit, &QLineEdit::textEdited, this, [this, name = c.name](const QString& text) {
          if (!retired_) toolkit_.type_text(form_, name, text.toStdString());
        });
        return edit;
      }
    case K::combo_box: {
      auto* combo = new DropDown(parent);
      combo->setEditable(c.editable);
      connect(combo, &QComboBox::activated, this, [this, name = c.name](int index) {
        if (!retired_) toolkit_.choose(form_, name, index);
      });
      return combo;
    }
    case K::list_view: {
      auto* view = new QTableView(parent);
      entry.model = new ChapterModel(toolkit_, form_, c.name, view);
      view->setModel(entry.model);
      view->verticalHeader()->hide();
      view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
      view->verticalHeader()->setDefaultSectionSize(24);
      view->horizontalHeader()->setHighlightSections(false);
      view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      view->horizontalHeader()->setFixedHeight(26);
      view->setSelectionBehavior(QAbstractItemView::SelectRows);
      view->setSelectionMode(QAbstractItemView::SingleSelection);
      view->setEditTriggers(QAbstractItemView::NoEditTriggers);
      view->setAlternatingRowColors(true);
      view->setShowGrid(false);
      view->setWordWrap(false);
      view->setTextElideMode(Qt::ElideRight);
      view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
      for (int i = 0; i < static_cast<int>(c.column_widths.size()); ++i)
        view->horizontalHeader()->resizeSection(i, c.column_widths[i]);
      return view;
    }
    case K::tab_control: {
      auto* tabs = new QTabWidget(parent);
      tabs->setDocumentMode(true);
      for (const Text& title : c.pages) {
        auto* page = new QWidget;
        page->setAutoFillBackground(false);
        tabs->addTab(page, to_qstring(title));
      }
      return tabs;
    }
    case K::timer: {
      entry.timer = new QTimer(this);
      entry.timer->setTimerType(Qt::PreciseTimer);
      connect(entry.timer, &QTimer::timeout, this, [this, name = c.name] {
        if (!retired_ && toolkit_.is_loaded(form_)) toolkit_.raise(form_, name, Event::timer);
      });
      return nullptr;
    }
  }
  return nullptr;
}

void FormWindow::apply_control(const std::string& control) {
  if (retired_ || !form_.has(control)) return;
  auto it = entries_.find(control);
  if (it == entries_.end()) return;
  if (it->second.kind == ControlKind::list_view) {
    // Only what a list shows besides its rows; the rows come through apply_rows.
    RowChanges none;
    apply_rows(control, none);
    it->second.widget->setVisible(toolkit_.visible(form_, control));
    return;
  }
  apply(it->second, toolkit_.snapshot(form_, control));
}

bool FormWindow::apply_rows(const std::string& list, RowChanges& changes) {
  if (retired_) return true;
  auto it = entries_.find(list);
  if (it == entries_.end() || !it->second.model) return true;
  return it->second.model->refresh(changes);
}

void FormWindow::apply(Entry& entry, const Control& c) {
  using K = ControlKind;
  if (entry.timer) {
    if (c.interval_ms > 0 && entry.timer->interval() != c.interval_ms)
      entry.timer->start(c.interval_ms);
    else if (c.interval_ms > 0 && !entry.timer->isActive())
      entry.timer->start(c.interval_ms);
    else if (c.interval_ms <= 0)
      entry.timer->stop();
    return;
  }
  QWidget* w = entry.widget;
  if (!w) return;
  const QString text = to_qstring(c.text);
  switch (c.kind) {
    case K::label:
    case K::transparent_label:
      static_cast<QLabel*>(w)->setText(text);
      break;
    case K::picture_button:
    case K::button:
      static_cast<QAbstractButton*>(w)->setText(text);
      break;
    case K::edit_box:
      if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (edit->text() != text) edit->setText(text);
      } else if (auto* pane = qobject_cast<QPlainTextEdit*>(w)) {
        // Compared with what was last set: reading a document back costs as much as setting it.
        const QString shown = pane->property("lumetra_text").toString();
        if (shown != text) {
          pane->setPlainText(text);
          pane->setProperty("lumetra_text", text);
        }
      }
      break;
    case K::combo_box: {
      auto* combo = static_cast<QComboBox*>(w);
      QStringList items;
      for (const Text& item : c.items) items << to_qstring(item);
      QStringList shown;
      for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
      if (shown != items) {
        combo->clear();
        combo->addItems(items);
      }
      if (combo->currentIndex() != c.selection) combo->setCurrentIndex(c.selection);
      if (c.editable && combo->lineEdit() && combo->currentText() != text) combo->setEditText(text);
      break;
    }
    case K::tab_control: {
      auto* tabs = static_cast<QTabWidget*>(w);
      tabs->tabBar()->setVisible(!c.headers_hidden);
      if (c.current_page >= 0 && c.current_page < tabs->count())
        tabs->setCurrentIndex(c.current_page);
      break;
    }
    default:
      break;
  }
  // Marked up as text, so any markup in it shows as it stands.
  const QString tooltip =
      c.tooltip.empty() ? QString()
                        : QStringLiteral("<qt>%1</qt>").arg(to_qstring(c.tooltip).toHtmlEscaped());
  if (w->toolTip() != tooltip) w->setToolTip(tooltip);
  if (w->isVisibleTo(w->parentWidget()) != c.visible) w->setVisible(c.visible);
}

void FormWindow::apply_window() {
  if (retired_) return;
  const Window win = toolkit_.window(form_);
  Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
  if (!win.in_taskbar) flags |= Qt::Tool;
  if (win.topmost) flags |= Qt::WindowStaysOnTopHint;
  if (win.minimisable) flags |= Qt::WindowMinimizeButtonHint;
  if (windowFlags() != flags) {
    const bool shown = isVisible();
    setWindowFlags(flags);  // hides the window; shown again below
    if (shown) show();
  }
  if (win.in_taskbar && windowTitle().isEmpty())
    setWindowTitle(QStringLiteral("Lumetra"));  // borderless: named only in the taskbar
  const QRect rect(win.left, win.top, win.width, win.height);
  if (geometry() != rect) setGeometry(rect);

  if (win.shape_picture.empty()) {
    if (!mask().isEmpty()) clearMask();
  } else {
    const QImage image = QImage::fromData(reinterpret_cast<const uchar*>(win.shape_picture.data()),
                                          static_cast<int>(win.shape_picture.size()));
    // MaskInColor marks the colour's pixels; as the widget's mask they are the ones cut away
    // (measured: MaskOutColor keeps only the colour's pixels).
    if (!image.isNull())
      setMask(QBitmap::fromImage(
          image.convertToFormat(QImage::Format_RGB32)
              .createMaskFromColor(from_bgr(win.shape_colour).rgb(), Qt::MaskInColor)));
  }

  const Qt::WindowStates now = windowState();
  switch (win.state) {
    case WindowState::minimised:
      if (!(now & Qt::WindowMinimized)) showMinimized();
      break;
    case WindowState::maximised:
      if (!(now & Qt::WindowMaximized)) showMaximized();
      break;
    case WindowState::normal:
      if (now & (Qt::WindowMinimized | Qt::WindowMaximized)) showNormal();
      break;
  }
}

void FormWindow::retire() {
  if (retired_) return;
  retired_ = true;
  for (auto& [name, entry] : entries_)
    if (entry.timer) entry.timer->stop();
  hide();
  deleteLater();
}

bool FormWindow::pressed(const std::string& control, QPoint global) {
  if (retired_) return false;
  QPointer<FormWindow> self(this);
  const bool moves = toolkit_.press(form_, control);
  if (!self || retired_ || !moves) return true;
  // The platform's own move, as a press on a caption would start; followed by hand where the
  // window system cannot (no window manager, the offscreen platform).
  if (QWindow* handle = windowHandle(); handle && handle->startSystemMove()) return true;
  dragging_ = true;
  drag_offset_ = global - frameGeometry().topLeft();
  return true;
}

void FormWindow::drag_to(QPoint global) {
  if (dragging_ && !retired_) move(global - drag_offset_);
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
  auto it = names_.find(watched);
  const QEvent::Type type = event->type();
  if (it == names_.end() || retired_ ||
      (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
       type != QEvent::MouseButtonRelease))
    return QWidget::eventFilter(watched, event);
  auto* mouse = static_cast<QMouseEvent*>(event);
  switch (type) {
    case QEvent::MouseButtonPress: {
      if (mouse->button() != Qt::LeftButton) break;
      const std::string name = it->second;  // the press may destroy this window
      const ControlKind kind = entries_.at(name).kind;
      const bool own_behaviour = kind == ControlKind::button ||
                                 kind == ControlKind::picture_button ||
                                 kind == ControlKind::edit_box || kind == ControlKind::combo_box ||
                                 kind == ControlKind::list_view;
      pressed(name, mouse->globalPosition().toPoint());
      // Controls without a behaviour of their own take the press, so it never reaches the
      // window behind them as a second press.
      return !own_behaviour;
    }
    case QEvent::MouseMove:
      if (dragging_) {
        drag_to(mouse->globalPosition().toPoint());
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (dragging_) {
        dragging_ = false;
        return true;
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void FormWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed({}, event->globalPosition().toPoint());
}

void FormWindow::mouseMoveEvent(QMouseEvent* event) {
  drag_to(event->globalPosition().toPoint());
}

void FormWindow::mouseReleaseEvent(QMouseEvent*) {
  dragging_ = false;
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && !retired_) {
    toolkit_.escape(form_);
    return;
  }
  QWidget::keyPressEvent(event);
}

void FormWindow::closeEvent(QCloseEvent* event) {
  // The desktop asked (Alt+F4, the taskbar): the form decides, as its close button would.
  event->ignore();
  if (!retired_) toolkit_.close_requested(form_);
}

void FormWindow::report_activation(bool active) {
  if (retired_ || active == active_) return;
  active_ = active;
  QPointer<FormWindow> self(this);
  if (!active) return toolkit_.deactivate(form_);
  toolkit_.activate(form_);
  if (self && !retired_) toolkit_.focus(form_);
}

void FormWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (retired_) return;
  if (event->type() == QEvent::ActivationChange) {
    report_activation(isActiveWindow());
  } else if (event->type() == QEvent::WindowStateChange) {
    const Qt::WindowStates s = windowState();
    const WindowState state = s & Qt::WindowMinimized   ? WindowState::minimised
                              : s & Qt::WindowMaximized ? WindowState::maximised
                                                        : WindowState::normal;
    if (state != toolkit_.window_state(form_)) toolkit_.window_state_changed(form_, state);
  }
}

void FormWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (retired_) return;
  toolkit_.window_moved(form_, pos().x(), pos().y());
}

}  // namespace lumetra::ui::qt
