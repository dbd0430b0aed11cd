// lumetra: the program on the desktop, the Qt toolkit under the start-up.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>

#include "app/start.h"
#include "ui/qt/pictures.h"
#include "ui/qt/qt_toolkit.h"

int main(int argc, char** argv) {
  // The windows are placed and stacked by the program itself, which X11 allows and Wayland
  // does not: a Wayland session runs Lumetra through XWayland.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
      if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs(
            "lumetra: no display (DISPLAY and WAYLAND_DISPLAY are unset); "
            "scripts/screenshot runs it on a virtual one\n",
            stderr);
        return 1;
      }
      qputenv("QT_QPA_PLATFORM", "wayland");  // no XWayland: windows show, unplaced
    } else {
      qputenv("QT_QPA_PLATFORM", "xcb");
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("lumetra"));
  QGuiApplication::setDesktopFileName(QStringLiteral("lumetra"));
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addPixmap(QPixmap::fromImage(lumetra::ui::qt::program_icon(size)));
  QApplication::setWindowIcon(icon);

  lumetra::ui::qt::QtToolkit toolkit;
  return lumetra::start(toolkit);
}
