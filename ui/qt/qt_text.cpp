#include "ui/qt/qt_text.h"

#include <QStringList>

#include "text/gbk.h"

namespace lumetra::ui::qt {
namespace {

QStringList cjk_faces() {
  return {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
          QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans")};
}

}  // namespace

QString to_qstring(const Text& gbk) {
  for (unsigned char c : gbk)
    if (c >= 0x80) return from_utf8(gbk_to_utf8(gbk));
  return QString::fromLatin1(gbk.data(), static_cast<qsizetype>(gbk.size()));  // plain ASCII
}

QString from_utf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QFont control_font(const Font& font) {
  QFont f = default_font();
  QStringList faces = cjk_faces();
  if (!font.face.empty()) faces.prepend(from_utf8(font.face));
  f.setFamilies(faces);
  f.setPixelSize(font.pixel_height > 0 ? font.pixel_height : 12);
  f.setBold(font.bold);
  return f;
}

QFont default_font() {
  QFont f;
  f.setFamilies(cjk_faces());
  f.setPixelSize(12);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

}  // namespace lumetra::ui::qt
