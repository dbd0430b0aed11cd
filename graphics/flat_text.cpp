// Font families, fonts, string formats, and text drawn, measured and split into ranges.
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <cmath>

#include "graphics/flat_draw.h"

namespace lumetra::flat {
namespace {

// Qt's fonts come from the platform, which only a QGuiApplication starts.
bool fonts_ready() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

Status text_of(const char16_t* text, int length, QString* out) {
  if (!text || length < -1) return InvalidParameter;
  if (length == -1) length = static_cast<int>(std::char_traits<char16_t>::length(text));
  *out = QString::fromUtf16(text, length);
  return Ok;
}

// The font at the surface: em size in pixels, then in page units.
QFont qt_font(const Font& f, const Surface& s) {
  float px = f.unit == UnitWorld ? f.em_size : f.em_size * unit_scale(f.unit, s.image->dpi_y);
  if (f.unit != UnitWorld) px /= float(s.page().m22());
  QFont q(f.family);
  q.setPixelSize(std::max(1, int(std::lround(px))));
  q.setBold(f.style & 1);
  q.setItalic(f.style & 2);
  q.setUnderline(f.style & 4);
  q.setStrikeOut(f.style & 8);
  return q;
}

// Everything a text call looks up, checked.
struct TextCall {
  std::shared_ptr<Surface> surface;
  std::shared_ptr<Font> font;
  std::shared_ptr<StringFormat> format;  // null for the default format
  QString text;
  QRectF layout;
};

Status prepare(Handle g, const char16_t* text, int length, Handle font, const RectF* layout,
               Handle format, TextCall* call) {
  call->surface = find_surface(g);
  call->font = find<Font>(font);
  if (!call->surface || !call->font || !layout) return InvalidParameter;
  if (format) {
    call->format = find<StringFormat>(format);
    if (!call->format) return InvalidParameter;
  }
  if (!std::isfinite(layout->x) || !std::isfinite(layout->y) || !std::isfinite(layout->width) ||
      !std::isfinite(layout->height))
    return InvalidParameter;
  if (Status s = text_of(text, length, &call->text)) return s;
  if (!fonts_ready()) return GenericError;
  call->layout = QRectF(layout->x, layout->y, layout->width, layout->height);
  return Ok;
}

// Lays the text out in the layout rectangle: wrapped at its width unless that is 0 or the
// format says not to, lines aligned as the format says. Returns the box of the laid-out text.
QRectF lay_out(const TextCall& c, QTextLayout& layout) {
  QString text = c.text;
  for (QChar& ch : text) {
    if (ch == u'\n') ch = QChar::LineSeparator;
    if (ch == u'\r') ch = u' ';
  }
  int flags = c.format ? c.format->flags : 0;
  int align = c.format ? c.format->align : 0, line_align = c.format ? c.format->line_align : 0;
  double width = c.layout.width(), height = c.layout.height();
  layout.setText(text);
  layout.setFont(qt_font(*c.font, *c.surface));
  QTextOption option;
  bool wrap = width > 0 && !(flags & StringFormatFlagsNoWrap);
  option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  double y = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(wrap ? width : 1e6);
    line.setPosition(QPointF(0, y));
    y += line.height();
  }
  layout.endLayout();
  double dy = line_align == 1 ? (height - y) / 2 : line_align == 2 ? height - y : 0;
  QRectF box;
  for (int i = 0; i < layout.lineCount(); ++i) {
    QTextLine line = layout.lineAt(i);
    double natural = line.naturalTextWidth();
    double dx = align == 1 ? (width - natural) / 2 : align == 2 ? width - natural : 0;
    line.setPosition(QPointF(c.layout.x() + dx, c.layout.y() + dy + line.y()));
    box = box.united(QRectF(line.x(), line.y(), natural, line.height()));
  }
  return box;
}

bool clips(const TextCall& c) {
  int flags = c.format ? c.format->flags : 0;
  return !(flags & StringFormatFlagsNoClip) && c.layout.width() > 0 && c.layout.height() > 0;
}

}  // namespace

// ---- Families, fonts and formats ----

Status GdipCreateFontFamilyFromName(const char16_t* name, Handle collection, Handle* family) {
  if (!name || !family) return InvalidParameter;
  if (collection) return NotImplemented;  // no private font collections here
  if (Status s = require_started()) return s;
  if (!fonts_ready()) return GenericError;
  QString wanted = QString::fromUtf16(name);
  for (const QString& known : QFontDatabase::families()) {
    if (known.compare(wanted, Qt::CaseInsensitive) != 0) continue;
    auto f = std::make_shared<FontFamily>();
    f->name = known;
    *family = add_object(std::move(f));
    return Ok;
  }
  return FontFamilyNotFound;
}

Status GdipGetGenericFontFamilySansSerif(Handle* family) {
  if (!family) return InvalidParameter;
  if (Status s = require_started()) return s;
  if (!fonts_ready()) return GenericError;
  QFont sans(QStringLiteral("sans-serif"));
  sans.setStyleHint(QFont::SansSerif);
  auto f = std::make_shared<FontFamily>();
  f->name = QFontInfo(sans).family();
  *family = add_object(std::move(f));
  return Ok;
}

Status GdipDeleteFontFamily(Handle family) {
  return remove_object(family, Kind::FontFamily) ? Ok : InvalidParameter;
}

Status GdipCreateFont(Handle family, float em_size, int style, int unit, Handle* font) {
  auto fam = find<FontFamily>(family);
  if (!fam || !font || !(em_size > 0) || !std::isfinite(em_size) || style < 0 || style > 15 ||
      unit < UnitWorld || unit > UnitMillimeter || unit == UnitDisplay)
    return InvalidParameter;
  if (Status s = require_started()) return s;
  auto f = std::make_shared<Font>();
  f->family = fam->name;
  f->em_size = em_size;
  f->style = style;
  f->unit = unit;
  *font = add_object(std::move(f));
  return Ok;
}

Status GdipDeleteFont(Handle font) {
  return remove_object(font, Kind::Font) ? Ok : InvalidParameter;
}

Status GdipCreateStringFormat(int flags, int, Handle* format) {
  if (!format) return InvalidParameter;
  if (Status s = require_started()) return s;
  auto f = std::make_shared<StringFormat>();
  f->flags = flags;
  *format = add_object(std::move(f));
  return Ok;
}

Status GdipSetStringFormatAlign(Handle format, int align) {
  auto f = find<StringFormat>(format);
  if (!f || align < 0 || align > 2) return InvalidParameter;
  f->align = align;
  return Ok;
}

Status GdipSetStringFormatLineAlign(Handle format, int align) {
  auto f = find<StringFormat>(format);
  if (!f || align < 0 || align > 2) return InvalidParameter;
  f->line_align = align;
  return Ok;
}

Status GdipSetStringFormatMeasurableCharacterRanges(Handle format, int count,
                                                    const CharacterRange* ranges) {
  auto f = find<StringFormat>(format);
  if (!f || count < 0 || (count > 0 && !ranges)) return InvalidParameter;
  for (int i = 0; i < count; ++i)
    if (ranges[i].first < 0 || ranges[i].length < 0) return InvalidParameter;
  f->ranges.assign(ranges, ranges + count);
  return Ok;
}

Status GdipDeleteStringFormat(Handle format) {
  return remove_object(format, Kind::StringFormat) ? Ok : InvalidParameter;
}

// ---- Text ----

Status GdipDrawString(Handle g, const char16_t* text, int length, Handle font, const RectF* layout,
                      Handle format, Handle brush) {
  TextCall c;
  QBrush q;
  if (Status s = prepare(g, text, length, font, layout, format, &c)) return s;
  if (Status s = qt_brush(brush, &q)) return s;
  QTextLayout laid;
  lay_out(c, laid);
  return paint(*c.surface, [&](QPainter& p) {
    if (clips(c)) p.setClipRect(c.layout, Qt::IntersectClip);
    p.setPen(QPen(q, 0));
    laid.draw(&p, QPointF(0, 0));
  });
}

Status GdipMeasureString(Handle g, const char16_t* text, int length, Handle font,
                         const RectF* layout, Handle format, RectF* bounds, int* fitted,
                         int* lines) {
  TextCall c;
  if (!bounds) return InvalidParameter;
  if (Status s = prepare(g, text, length, font, layout, format, &c)) return s;
  QTextLayout laid;
  QRectF box = lay_out(c, laid);
  if (box.isNull()) box = QRectF(c.layout.topLeft(), QSizeF(0, 0));
  *bounds = RectF{float(box.x()), float(box.y()), float(box.width()), float(box.height())};
  if (fitted) *fitted = static_cast<int>(c.text.size());
  if (lines) *lines = laid.lineCount();
  return Ok;
}

Status GdipMeasureCharacterRanges(Handle g, const char16_t* text, int length, Handle font,
                                  const RectF* layout, Handle format, int count, Handle* regions) {
  TextCall c;
  if (count < 1 || !regions || !format) return InvalidParameter;
  if (Status s = prepare(g, text, length, font, layout, format, &c)) return s;
  std::vector<std::shared_ptr<Region>> out;
  for (int i = 0; i < count; ++i) {
    out.push_back(find<Region>(regions[i]));
    if (!out.back()) return InvalidParameter;
  }
  const auto& ranges = c.format->ranges;
  if (static_cast<std::size_t>(count) < ranges.size()) return InvalidParameter;
  for (const CharacterRange& r : ranges)
    if (std::int64_t{r.first} + r.length > c.text.size()) return InvalidParameter;
  QTextLayout laid;
  lay_out(c, laid);
  for (int i = 0; i < count; ++i) {
    Area a;
    a.path.setFillRule(Qt::WindingFill);
    if (static_cast<std::size_t>(i) < ranges.size()) {
      int first = ranges[i].first, end = first + ranges[i].length;
      for (int k = 0; k < laid.lineCount(); ++k) {
        QTextLine line = laid.lineAt(k);
        int from = std::max(first, line.textStart());
        int to = std::min(end, line.textStart() + line.textLength());
        if (from >= to) continue;
        double x0 = line.cursorToX(from), x1 = line.cursorToX(to);
        a.path.addRect(QRectF(std::min(x0, x1), line.y(), std::abs(x1 - x0), line.height()));
      }
    }
    out[i]->area = a;
  }
  return Ok;
}

Status GdipDrawDriverString(Handle g, const std::uint16_t* text, int length, Handle font,
                            Handle brush, const PointF* positions, int flags, Handle matrix) {
  auto s = find_surface(g);
  auto f = find<Font>(font);
  QBrush q;
  if (!s || !f || !positions || !text || length < -1) return InvalidParameter;
  if (Status st = qt_brush(brush, &q)) return st;
  std::shared_ptr<Matrix> m;
  if (matrix && !(m = find<Matrix>(matrix))) return InvalidParameter;
  if (length == -1)
    for (length = 0; text[length];) ++length;
  if (!fonts_ready()) return GenericError;
  QRawFont raw = QRawFont::fromFont(qt_font(*f, *s));
  if (!raw.isValid()) return GenericError;
  QList<quint32> glyphs;
  if (flags & DriverStringOptionsCmapLookup)
    glyphs = raw.glyphIndexesForString(
        QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length));
  else
    glyphs = QList<quint32>(text, text + length);
  QList<QPointF> at;
  QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
  for (qsizetype i = 0; i < glyphs.size(); ++i) {
    if (!(flags & DriverStringOptionsRealizedAdvance))
      at << QPointF(positions[i].x, positions[i].y);
    else
      at << (i == 0 ? QPointF(positions[0].x, positions[0].y) : at.back() + advances[i - 1]);
  }
  QGlyphRun run;
  run.setRawFont(raw);
  run.setGlyphIndexes(glyphs);
  run.setPositions(at);
  return paint(*s, [&](QPainter& p) {
    if (m) p.setTransform(m->m, true);
    p.setPen(QPen(q, 0));
    p.drawGlyphRun(QPointF(0, 0), run);
  });
}

}  // namespace lumetra::flat
