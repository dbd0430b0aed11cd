#include "ui/qt/pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace lumetra::ui::qt {
namespace {

// One palette for every window: a deep calm blue for the title bars and the main buttons, cool
// light greys for surfaces, one warm accent (the book's ribbon).
namespace palette {
const QColor title_top{0x2f, 0x7d, 0xc6};
const QColor title_bottom{0x1d, 0x5f, 0xa3};
const QColor title_edge{0x18, 0x4f, 0x8a};
const QColor accent{0x2a, 0x74, 0xbe};
const QColor accent_hover{0x3a, 0x86, 0xd0};
const QColor accent_pressed{0x1c, 0x5a, 0x9b};
const QColor accent_edge{0x17, 0x4e, 0x88};
const QColor surface{0xf3, 0xf6, 0xfa};
const QColor paper{0xff, 0xff, 0xff};
const QColor footer{0xee, 0xf2, 0xf7};
const QColor rule{0xdc, 0xe3, 0xec};
const QColor border{0xa9, 0xba, 0xcc};
const QColor ink{0x26, 0x35, 0x45};
const QColor soft_ink{0x55, 0x65, 0x78};
const QColor ribbon{0xf0, 0x9a, 0x36};
const QColor close_hover{0xe0, 0x4f, 0x47};
const QColor close_pressed{0xb8, 0x3a, 0x33};
}  // namespace palette

QImage blank(QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QFont ui_font(int pixel_height, bool bold = false) {
  QFont font;
  font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("微软雅黑"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                    QStringLiteral("Noto Sans")});
  font.setPixelSize(pixel_height);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

// The title bars: a gentle top-to-bottom gradient, a faint highlight on the top row and a darker
// bottom row so the bar ends cleanly against the lighter body.
void title_bar(QPainter& p, QSize size) {
  const QRect r(QPoint(0, 0), size);
  QLinearGradient g(0, 0, 0, size.height());
  g.setColorAt(0, palette::title_top);
  g.setColorAt(1, palette::title_bottom);
  p.fillRect(r, g);
  // Soft light from the upper right, barely there, so a wide bar does not look flat.
  QRadialGradient glow(QPointF(size.width() * 0.78, -size.height() * 0.6), size.height() * 3.2);
  glow.setColorAt(0, QColor(255, 255, 255, 34));
  glow.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(r, glow);
  p.fillRect(QRect(0, 0, size.width(), 1), QColor(255, 255, 255, 40));
  p.fillRect(QRect(0, size.height() - 1, size.width(), 1), palette::title_edge);
}

// An open book seen from the front: two pages bowing away from the spine. `lines` adds text
// lines on the pages where there is room for them; `ribbon` a bookmark over the right page.
void book(QPainter& p, const QRectF& box, const QColor& page, const QColor& ink, bool lines,
          bool ribbon) {
  const qreal w = box.width(), h = box.height();
  const qreal cx = box.center().x(), top = box.top(), bottom = box.bottom();
  const qreal sag = h * 0.12;  // how far the outer corners rise above the spine
  const qreal gap = w * 0.035;
  for (int side : {-1, 1}) {
    const qreal inner = cx + side * gap, outer = cx + side * w / 2;
    QPainterPath leaf;
    leaf.moveTo(inner, top + sag);
    leaf.cubicTo(inner + side * w * 0.14, top, outer - side * w * 0.14, top, outer, top);
    leaf.lineTo(outer, bottom - sag);
    leaf.cubicTo(outer - side * w * 0.14, bottom - sag, inner + side * w * 0.14, bottom - sag,
                 inner, bottom);
    leaf.closeSubpath();
    p.fillPath(leaf, page);
    if (lines) {
      p.save();
      p.setClipPath(leaf);
      QPen pen(ink, std::max<qreal>(1.0, h * 0.045), Qt::SolidLine, Qt::RoundCap);
      p.setPen(pen);
      const qreal from = inner + side * w * 0.09, to = outer - side * w * 0.08;
      for (int i = 1; i <= 4; ++i) {
        const qreal y = top + sag + h * (0.1 + 0.15 * i);
        p.drawLine(QPointF(from, y), QPointF(to - (i == 4 ? side * w * 0.1 : 0), y - sag * 0.45));
      }
      p.restore();
    }
  }
  if (ribbon) {
    const qreal rx = cx + w * 0.28, rw = w * 0.09;
    QPainterPath mark;
    mark.moveTo(rx, top + h * 0.02);
    mark.lineTo(rx + rw, top + h * 0.02);
    mark.lineTo(rx + rw, top + h * 0.44);
    mark.lineTo(rx + rw / 2, top + h * 0.36);
    mark.lineTo(rx, top + h * 0.44);
    mark.closeSubpath();
    p.fillPath(mark, palette::ribbon);
  }
}

// The program's tile: a rounded square in the title bar's blue holding a white book.
void tile(QPainter& p, const QRectF& r) {
  const qreal radius = r.width() * 0.22;
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, palette::accent_hover);
  g.setColorAt(1, palette::accent_pressed);
  QPainterPath shape;
  shape.addRoundedRect(r, radius, radius);
  p.fillPath(shape, g);
  if (r.width() >= 24) {  // a soft sheen on the upper half; lost in noise below that size
    p.save();
    p.setClipPath(shape);
    QLinearGradient sheen(r.topLeft(), QPointF(r.left(), r.center().y()));
    sheen.setColorAt(0, QColor(255, 255, 255, 46));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(r, sheen);
    p.restore();
  }
  const QRectF inner(r.left() + r.width() * 0.17, r.top() + r.height() * 0.25, r.width() * 0.66,
                     r.height() * 0.52);
  book(p, inner, palette::paper, QColor(0xb8, 0xcf, 0xe8), r.width() >= 40, r.width() >= 24);
}

// The title-bar buttons: a white glyph on whatever bar lies beneath; hover lights a rounded
// square, pressed darkens it (close turns red, the desktop's sign for "this closes").
void title_button(QPainter& p, QSize size, Look look, std::string_view glyph) {
  const QRectF r(QPointF(0, 0), size);
  const QRectF face = r.adjusted(1, 1, -1, -1);
  const bool close = glyph == "close";
  QColor back = Qt::transparent;
  if (look == Look::hover) back = close ? palette::close_hover : QColor(255, 255, 255, 46);
  if (look == Look::pressed) back = close ? palette::close_pressed : QColor(0, 0, 0, 46);
  if (back.alpha() != 0) {
    QPainterPath path;
    path.addRoundedRect(face, 4, 4);
    p.fillPath(path, back);
  }
  const QPointF c = r.center();
  const qreal unit = size.width() / 29.0;
  QPen pen(look == Look::normal ? QColor(255, 255, 255, 235) : Qt::white, 1.5 * unit, Qt::SolidLine,
           Qt::RoundCap);
  p.setPen(pen);
  // Bars on whole pixel rows, so they stay sharp at 1x.
  const int bar = std::max(1, int(std::lround(2 * unit)));
  const int left = int(std::lround(c.x() - 6.5 * unit)), span = int(std::lround(13 * unit));
  if (glyph == "menu") {
    for (int i = -1; i <= 1; ++i) {
      const int y = int(std::lround(c.y() - bar / 2.0 + i * 5 * unit));
      p.fillRect(left, y, span, bar, pen.color());
    }
  } else if (glyph == "minimise") {
    p.fillRect(left, int(std::lround(c.y() - bar / 2.0 + unit)), span, bar, pen.color());
  } else {
    const qreal d = 5 * unit;
    pen.setWidthF(1.7 * unit);  // diagonals look lighter than bars of the same width
    p.setPen(pen);
    p.drawLine(QPointF(c.x() - d, c.y() - d), QPointF(c.x() + d, c.y() + d));
    p.drawLine(QPointF(c.x() + d, c.y() - d), QPointF(c.x() - d, c.y() + d));
  }
}

// A text button of the confirmation window; `primary` is the blue one.
void dialog_button(QPainter& p, QSize size, Look look, bool primary, const QString& caption) {
  const QRectF r = QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5);
  QColor face, edge, text;
  if (primary) {
    face = look == Look::hover     ? palette::accent_hover
           : look == Look::pressed ? palette::accent_pressed
                                   : palette::accent;
    edge = palette::accent_edge;
    text = Qt::white;
  } else {
    face = look == Look::hover     ? QColor(0xe8, 0xf1, 0xfb)
           : look == Look::pressed ? QColor(0xd3, 0xe2, 0xf2)
                                   : palette::paper;
    edge = look == Look::normal ? palette::border : palette::accent;
    text = look == Look::normal ? palette::ink : palette::accent_pressed;
  }
  QPainterPath path;
  path.addRoundedRect(r, 3, 3);
  p.fillPath(path, face);
  p.setPen(QPen(edge, 1));
  p.drawPath(path);
  p.setPen(text);
  p.setFont(ui_font(12));
  p.drawText(QRectF(QPointF(0, look == Look::pressed ? 1 : 0), size), Qt::AlignCenter, caption);
}

// The confirmation's question mark: a blue disc with a white "?" drawn as strokes, so it stays
// crisp at 16 pixels whatever fonts are installed.
void question_icon(QPainter& p, QSize size) {
  const qreal s = std::min(size.width(), size.height());
  const QRectF disc((size.width() - s) / 2 + 0.5, (size.height() - s) / 2 + 0.5, s - 1, s - 1);
  QLinearGradient g(disc.topLeft(), disc.bottomLeft());
  g.setColorAt(0, palette::accent_hover);
  g.setColorAt(1, palette::accent_pressed);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(disc);
  const qreal u = s / 16.0;
  const QPointF o = disc.topLeft() - QPointF(0.5, 0.5);
  QPen pen(Qt::white, 1.7 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  QPainterPath hook;
  hook.moveTo(o + QPointF(5.6 * u, 6.0 * u));
  hook.cubicTo(o + QPointF(5.6 * u, 3.6 * u), o + QPointF(10.4 * u, 3.6 * u),
               o + QPointF(10.4 * u, 6.0 * u));
  hook.cubicTo(o + QPointF(10.4 * u, 7.6 * u), o + QPointF(8.0 * u, 7.6 * u),
               o + QPointF(8.0 * u, 9.4 * u));
  p.drawPath(hook);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(o + QPointF(8.0 * u, 12.0 * u), 1.05 * u, 1.05 * u);
}

using Painter = std::function<void(QPainter&, QSize, Look)>;

struct Entry {
  PictureInfo info;
  Painter paint;
};

const std::array<Entry, 16>& entries() {
  static const std::array<Entry, 16> table{{
      {{"main.title_bar", {1000, 70}, false}, [](QPainter& p, QSize s, Look) { title_bar(p, s); }},
      {{"main.logo", {90, 56}, false},
       [](QPainter& p, QSize s, Look) {
         // The picture box sits at -20,-3 in the bar, so its left 20 columns are never seen;
         // the book sits beside the title, on the bar's middle line.
         const qreal sx = s.width() / 90.0, sy = s.height() / 56.0;
         book(p, QRectF(25 * sx, 27 * sy, 30 * sx, 21 * sy), palette::paper,
              QColor(0x9f, 0xc2, 0xe6), false, true);
       }},
      {{"main.body", {1000, 658}, false},
       [](QPainter& p, QSize s, Look) { p.fillRect(QRect(QPoint(0, 0), s), palette::surface); }},
      {{"main.button_frame", {117, 32}, false},
       [](QPainter& p, QSize s, Look) {
         // Shows as a thin darker rim around the button laid over it.
         QPainterPath path;
         path.addRoundedRect(QRectF(QPointF(0, 0), s), 3, 3);
         p.fillPath(path, palette::accent_edge);
       }},
      {{"button.menu", {29, 29}, true},
       [](QPainter& p, QSize s, Look l) { title_button(p, s, l, "menu"); }},
      {{"button.minimise", {29, 29}, true},
       [](QPainter& p, QSize s, Look l) { title_button(p, s, l, "minimise"); }},
      {{"button.close", {29, 29}, true},
       [](QPainter& p, QSize s, Look l) { title_button(p, s, l, "close"); }},
      {{"confirm.title_bar", {360, 36}, false},
       [](QPainter& p, QSize s, Look) { title_bar(p, s); }},
      {{"confirm.body", {360, 114}, false},
       [](QPainter& p, QSize s, Look) {
         // A white question area over a light footer that holds the buttons, framed on three
         // sides because the window has no border of its own.
         const int w = s.width(), h = s.height();
         const int foot = h * 72 / 114;
         p.fillRect(0, 0, w, foot, palette::paper);
         p.fillRect(0, foot, w, h - foot, palette::footer);
         p.fillRect(0, foot, w, 1, palette::rule);
         p.fillRect(0, 0, 1, h, palette::border);
         p.fillRect(w - 1, 0, 1, h, palette::border);
         p.fillRect(0, h - 1, w, 1, palette::border);
       }},
      {{"confirm.icon", {16, 16}, false}, [](QPainter& p, QSize s, Look) { question_icon(p, s); }},
      {{"confirm.ok", {80, 26}, true},
       [](QPainter& p, QSize s, Look l) { dialog_button(p, s, l, true, QStringLiteral("确定")); }},
      {{"confirm.cancel", {80, 26}, true},
       [](QPainter& p, QSize s, Look l) { dialog_button(p, s, l, false, QStringLiteral("取消")); }},
      {{"menu.border", {100, 175}, false},
       [](QPainter& p, QSize s, Look) { p.fillRect(QRect(QPoint(0, 0), s), palette::border); }},
      {{"menu.body", {98, 119}, false},
       [](QPainter& p, QSize s, Look) {
         p.fillRect(QRect(QPoint(0, 0), s), palette::paper);
         // The menu window is 116 high and this canvas lies at 1,1, so its last rows and the
         // border box's bottom edge are cut off: the bottom edge is drawn on the last row shown.
         const int shown = std::min(s.height(), s.height() * 115 / 119);
         p.fillRect(0, shown - 1, s.width(), 1, palette::border);
       }},
      {{"about.background", {458, 278}, false},
       [](QPainter& p, QSize s, Look) {
         // Paper with a pale blue wash behind the logo, fading out before the text lines.
         const QRect r(QPoint(0, 0), s);
         p.fillRect(r, palette::paper);
         QLinearGradient wash(0, 0, 0, s.height() * 0.7);
         wash.setColorAt(0, QColor(0xe3, 0xee, 0xf9));
         wash.setColorAt(1, QColor(0xe3, 0xee, 0xf9, 0));
         p.fillRect(r, wash);
         // The window has no border of its own and no shadow: a thin frame keeps it apart
         // from the main window beneath.
         p.setPen(QPen(palette::border, 1));
         p.drawRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
       }},
      {{"about.logo", {150, 150}, false},
       [](QPainter& p, QSize s, Look) {
         const qreal side = std::min(s.width(), s.height()) * 0.8;
         const QRectF r((s.width() - side) / 2, (s.height() - side) / 2 - side * 0.03, side, side);
         // A soft shadow under the tile lifts it off the page.
         for (int i = 6; i >= 1; --i) {
           QPainterPath halo;
           const qreal grow = i * side / 60.0;
           halo.addRoundedRect(r.adjusted(-grow, -grow + side * 0.04, grow, grow + side * 0.04),
                               side * 0.22 + grow, side * 0.22 + grow);
           p.fillPath(halo, QColor(0x1d, 0x5f, 0xa3, 7));
         }
         tile(p, r);
       }},
  }};
  return table;
}

}  // namespace

std::span<const PictureInfo> pictures() {
  static const std::array<PictureInfo, 16> infos = [] {
    std::array<PictureInfo, 16> out{};
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = entries()[i].info;
    return out;
  }();
  return infos;
}

QImage picture(std::string_view name, QSize size, Look look) {
  if (size.isEmpty()) return {};
  for (const Entry& entry : entries()) {
    if (entry.info.name != name) continue;
    QImage image = blank(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    entry.paint(p, size, entry.info.has_looks ? look : Look::normal);
    return image;
  }
  return {};
}

QColor colour(std::string_view role) {
  struct Role {
    std::string_view name;
    QColor value;
  };
  static const Role roles[] = {
      {"window.text", palette::ink},
      {"title.text", Qt::white},
      {"body.background", palette::surface},
      {"list.background", palette::paper},
      {"list.alternate", QColor(0xf7, 0xf9, 0xfc)},
      {"list.header", QColor(0xe9, 0xef, 0xf6)},
      {"list.header.text", palette::soft_ink},
      {"list.grid", palette::rule},
      {"edit.background", palette::paper},
      {"edit.border", QColor(0xc4, 0xd1, 0xdf)},
      {"edit.text", palette::ink},
      {"selection", QColor(0xd2, 0xe4, 0xf7)},
      {"selection.text", palette::ink},
      {"button.face", palette::accent},
      {"button.hover", palette::accent_hover},
      {"button.pressed", palette::accent_pressed},
      {"button.text", Qt::white},
      {"frame", palette::border},
      {"menu.background", palette::paper},
      {"menu.hover", QColor(0xe6, 0xf0, 0xfa)},
      {"menu.text", palette::ink},
      {"dialog.text", palette::ink},
      {"about.text", palette::soft_ink},
  };
  for (const Role& r : roles)
    if (r.name == role) return r.value;
  return {};
}

QImage program_icon(int size) {
  if (size <= 0) return {};
  QImage image = blank(QSize(size, size));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // A small margin, as desktop icon themes leave one, so the tile does not touch its neighbours.
  const qreal margin = size >= 32 ? size / 16.0 : 0.5;
  tile(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
  return image;
}

}  // namespace lumetra::ui::qt
