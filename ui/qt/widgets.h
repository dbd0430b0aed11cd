// The widgets the windows are made of where Qt's own do not draw what the forms ask for: named
// pictures, labels over pictures, picture buttons in three looks, the site list's drop-down,
// and the style sheet that gives every window one look. UI thread only.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <string>

namespace lumetra::ui::qt {

// The widgets' look, from the pictures' palette (message boxes share it).
QString style_sheet();

// A named picture drawn at the widget's size; drawn again only when the size changes. A picture
// of one flat colour (a page's background) is kept as that colour, not as a window-sized image.
class PictureWidget : public QWidget {
 public:
  PictureWidget(std::string name, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::string name_;
  QSize drawn_at_;
  QColor flat_;
  QPixmap cache_;
};

// A label, with a picture behind its text when the form gives it one (a frame, a background).
// Its text is always plain: texts from pages must never be read as markup.
class Label : public QLabel {
 public:
  Label(std::string name, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::string name_;
  QPixmap cache_;
};

// A button drawn by its picture in three looks: resting, under the pointer, held down.
class PictureButton : public QAbstractButton {
 public:
  PictureButton(std::string name, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* e) override;

 private:
  std::string name_;
  QPixmap cache_[3];
};

// A drop-down list with a drawn chevron in place of the style's arrow box.
class DropDown : public QComboBox {
 public:
  using QComboBox::QComboBox;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace lumetra::ui::qt
