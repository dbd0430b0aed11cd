// The pictures and colours of Lumetra's windows, all drawn here in one look.
//
// Usage: `picture("button.close", {29, 29}, Look::hover)` gives the close button's hover look at
// that size; `colour("list.background")` gives a colour for the widgets the view styles itself;
// `program_icon(256)` gives the program's icon. Qt Gui only: no widgets, no files. Any thread
// that may use QPainter on a QImage; a QGuiApplication must exist for the pictures with text.
#pragma once

#include <span>
#include <string_view>

#include <QColor>
#include <QImage>
#include <QSize>

namespace lumetra::ui::qt {

// How a picture button looks: resting, under the pointer, held down.
enum class Look { normal, hover, pressed };

// A picture's name, the size the windows show it at, and whether it has hover and pressed looks.
struct PictureInfo {
  std::string_view name;
  QSize size;
  bool has_looks;
};

// Every picture the windows name:
//   main.title_bar 1000x70, main.logo 90x56, main.body 1000x658, main.button_frame 117x32,
//   button.menu / button.minimise / button.close 29x29 (transparent around the glyph, for any
//   title bar), confirm.title_bar 360x36, confirm.body 360x114, confirm.icon 16x16,
//   confirm.ok / confirm.cancel 80x26 (captions "确定" / "取消" drawn in), menu.border 100x175,
//   menu.body 98x119, about.background 458x278, about.logo 150x150.
std::span<const PictureInfo> pictures();

// The named picture drawn at `size` (ARGB32 premultiplied). Pictures without looks ignore
// `look`. An unknown name or an empty size gives a null image.
QImage picture(std::string_view name, QSize size, Look look = Look::normal);

// The colours of what the view draws with widgets; an unknown role gives an invalid QColor.
// Roles: window.text, title.text, body.background, list.background, list.alternate,
// list.header, list.header.text, list.grid, edit.background, edit.border, edit.text,
// selection, selection.text, button.face, button.hover, button.pressed, button.text, frame,
// menu.background, menu.hover, menu.text, dialog.text, about.text.
QColor colour(std::string_view role);

// The program's icon, square, `size` pixels a side.
QImage program_icon(int size);

}  // namespace lumetra::ui::qt
