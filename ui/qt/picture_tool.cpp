// Writes Lumetra's pictures to PNG files, to look at them or to install the icon.
//
//   lumetra_pictures FOLDER            every picture in every look, the icon at three sizes, and
//                                      sheet.png showing them all on one page
//   lumetra_pictures --icon SIZE FILE  the program icon, SIZE pixels a side
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include "ui/qt/pictures.h"

namespace {

using lumetra::ui::qt::Look;

constexpr Look looks[] = {Look::normal, Look::hover, Look::pressed};
constexpr const char* look_names[] = {"normal", "hover", "pressed"};

bool save(const QImage& image, const QString& file) {
  if (image.save(file, "PNG")) return true;
  std::fprintf(stderr, "lumetra_pictures: cannot write %s\n", file.toLocal8Bit().constData());
  return false;
}

// Every picture at its own size on a grey page, looks side by side, each over a strip of the
// title bar's blue and of white so transparent edges show against both.
QImage sheet() {
  const int gap = 12, label = 16;
  int width = 0, height = gap;
  for (const auto& info : lumetra::ui::qt::pictures()) {
    const int n = info.has_looks ? 3 : 1;
    width = std::max(width, gap + n * (info.size.width() + gap));
    height += label + info.size.height() + gap;
  }
  width = std::max(width, 3 * (256 + gap) + gap);
  height += label + 256 + gap;
  QImage page(width, height, QImage::Format_ARGB32_Premultiplied);
  page.fill(QColor(0xd8, 0xdc, 0xe0));
  QPainter p(&page);
  p.setPen(Qt::black);
  int y = gap;
  for (const auto& info : lumetra::ui::qt::pictures()) {
    p.drawText(gap, y + 12, QString::fromUtf8(info.name.data(), info.name.size()));
    y += label;
    const int n = info.has_looks ? 3 : 1;
    for (int i = 0; i < n; ++i) {
      const int x = gap + i * (info.size.width() + gap);
      const QRect cell(QPoint(x, y), info.size);
      p.fillRect(cell.adjusted(0, 0, 0, -info.size.height() / 2), QColor(0x1d, 0x5f, 0xa3));
      p.fillRect(cell.adjusted(0, info.size.height() / 2, 0, 0), Qt::white);
      p.drawImage(cell.topLeft(), lumetra::ui::qt::picture(info.name, info.size, looks[i]));
    }
    y += info.size.height() + gap;
  }
  p.drawText(gap, y + 12, QStringLiteral("program icon 256, 48, 16"));
  y += label;
  int x = gap;
  for (int size : {256, 48, 16}) {
    p.drawImage(x, y, lumetra::ui::qt::program_icon(size));
    x += size + gap;
  }
  return page;
}

int write_all(const QString& folder) {
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "lumetra_pictures: cannot create %s\n", folder.toLocal8Bit().constData());
    return 1;
  }
  const QDir dir(folder);
  bool ok = true;
  for (const auto& info : lumetra::ui::qt::pictures()) {
    const QString name = QString::fromUtf8(info.name.data(), info.name.size());
    const int n = info.has_looks ? 3 : 1;
    for (int i = 0; i < n; ++i) {
      const QString file = info.has_looks ? name + u'.' + QLatin1String(look_names[i]) : name;
      ok &= save(lumetra::ui::qt::picture(info.name, info.size, looks[i]),
                 dir.filePath(file + QStringLiteral(".png")));
    }
  }
  for (int size : {256, 48, 16})
    ok &= save(lumetra::ui::qt::program_icon(size),
               dir.filePath(QStringLiteral("icon-%1.png").arg(size)));
  ok &= save(sheet(), dir.filePath(QStringLiteral("sheet.png")));
  std::printf("%s\n", dir.absolutePath().toLocal8Bit().constData());
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // The icon has no text, so it needs no application object; the other pictures need fonts,
  // and fonts need a platform (no display).
  if (argc == 4 && std::string(argv[1]) == "--icon") {
    const int size = std::atoi(argv[2]);
    if (size <= 0) {
      std::fprintf(stderr, "lumetra_pictures: bad icon size %s\n", argv[2]);
      return 2;
    }
    return save(lumetra::ui::qt::program_icon(size), QString::fromLocal8Bit(argv[3])) ? 0 : 1;
  }
  if (argc == 2) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return write_all(QString::fromLocal8Bit(argv[1]));
  }
  std::fprintf(stderr, "usage: lumetra_pictures FOLDER | lumetra_pictures --icon SIZE FILE\n");
  return 2;
}
