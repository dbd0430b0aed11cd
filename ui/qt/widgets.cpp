#include "ui/qt/widgets.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "ui/qt/pictures.h"

namespace lumetra::ui::qt {
namespace {

// True when every pixel of the image is the same.
bool uniform(const QImage& image) {
  if (image.isNull() || image.depth() != 32) return false;
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    if (!std::all_of(line, line + image.width(), [&](QRgb px) { return px == first; }))
      return false;
  }
  return true;
}

QString css_colour(std::string_view role) {
  return colour(role).name();
}

}  // namespace

PictureWidget::PictureWidget(std::string name, QWidget* parent)
    : QWidget(parent), name_(std::move(name)) {}

void PictureWidget::paintEvent(QPaintEvent* event) {
  if (drawn_at_ != size()) {
    drawn_at_ = size();
    const QImage image = picture(name_, size());
    flat_ = uniform(image) ? QColor::fromRgba(image.pixel(0, 0)) : QColor();
    cache_ = flat_.isValid() || image.isNull() ? QPixmap() : QPixmap::fromImage(image);
  }
  QPainter p(this);
  if (flat_.isValid())
    p.fillRect(event->rect(), flat_);
  else if (!cache_.isNull())
    p.drawPixmap(0, 0, cache_);
}

Label::Label(std::string name, QWidget* parent) : QLabel(parent), name_(std::move(name)) {
  setTextFormat(Qt::PlainText);
  setAttribute(Qt::WA_TranslucentBackground);
}

void Label::paintEvent(QPaintEvent* event) {
  if (!name_.empty()) {
    if (cache_.size() != size()) cache_ = QPixmap::fromImage(qt::picture(name_, size()));
    QPainter p(this);
    if (!cache_.isNull()) p.drawPixmap(0, 0, cache_);
  }
  QLabel::paintEvent(event);
}

PictureButton::PictureButton(std::string name, QWidget* parent)
    : QAbstractButton(parent), name_(std::move(name)) {
  setAttribute(Qt::WA_Hover);
  setCursor(Qt::PointingHandCursor);
}

void PictureButton::paintEvent(QPaintEvent*) {
  const Look look = isDown() ? Look::pressed : underMouse() ? Look::hover : Look::normal;
  QPixmap& cached = cache_[static_cast<int>(look)];
  if (cached.size() != size()) cached = QPixmap::fromImage(picture(name_, size(), look));
  QPainter p(this);
  if (!cached.isNull()) p.drawPixmap(0, 0, cached);
  if (!text().isEmpty()) {
    p.setPen(colour("button.text"));
    p.drawText(rect(), Qt::AlignCenter, text());
  }
}

bool PictureButton::event(QEvent* e) {
  if (e->type() == QEvent::HoverEnter || e->type() == QEvent::HoverLeave) update();
  return QAbstractButton::event(e);
}

void DropDown::paintEvent(QPaintEvent* event) {
  QComboBox::paintEvent(event);
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(colour("list.header.text"), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const QPointF c(width() - 11.5, height() / 2.0 + 0.5);
  p.drawPolyline(QPolygonF({c + QPointF(-4, -2), c + QPointF(0, 2), c + QPointF(4, -2)}));
}

QString style_sheet() {
  QString sheet = QStringLiteral(
      "QLabel { color: %1; background: transparent; }"
      "QLineEdit, QPlainTextEdit, QComboBox { background: %2; color: %3; border: 1px solid %4;"
      "  border-radius: 3px; selection-background-color: %5; selection-color: %6; }"
      "QLineEdit { padding: 0 6px; }"
      "QPlainTextEdit { padding: 2px; }"
      "QComboBox { padding: 0 6px; }"
      "QComboBox::drop-down { border: none; width: 22px; }"
      "QComboBox QAbstractItemView { background: %2; color: %3; border: 1px solid %4;"
      "  selection-background-color: %5; selection-color: %6; outline: none; }"
      "QPushButton { background: %7; color: %8; border: none; border-radius: 3px; }"
      "QPushButton:hover { background: %9; }"
      "QPushButton:pressed { background: %10; }"
      "QPushButton[look=\"item\"] { background: transparent; color: %11; border-radius: 0; }"
      "QPushButton[look=\"item\"]:hover { background: %12; }"
      "QPushButton[look=\"glyph\"] { background: transparent; color: %13; }"
      "QPushButton[look=\"glyph\"]:hover { background: %12; }"
      "QTableView { background: %14; alternate-background-color: %15; color: %3;"
      "  gridline-color: %16; border: 1px solid %4; selection-background-color: %5;"
      "  selection-color: %6; outline: none; }"
      "QHeaderView::section { background: %17; color: %18; border: none;"
      "  border-right: 1px solid %16; border-bottom: 1px solid %16; padding: 0 6px; }"
      "QTabWidget::pane { border: none; background: transparent; }"
      "QStackedWidget, QStackedWidget > QWidget { background: transparent; }"
      "QLabel[look=\"title\"] { color: %19; }");
  return sheet
      .arg(css_colour("window.text"), css_colour("edit.background"), css_colour("edit.text"),
           css_colour("edit.border"), css_colour("selection"), css_colour("selection.text"),
           css_colour("button.face"), css_colour("button.text"), css_colour("button.hover"))
      .arg(css_colour("button.pressed"), css_colour("menu.text"), css_colour("menu.hover"),
           css_colour("about.text"), css_colour("list.background"), css_colour("list.alternate"),
           css_colour("list.grid"), css_colour("list.header"), css_colour("list.header.text"))
      .arg(css_colour("title.text"));
}

}  // namespace lumetra::ui::qt
