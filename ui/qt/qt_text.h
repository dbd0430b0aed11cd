// Texts and fonts as Qt takes them. A `Text` is GBK bytes: it becomes a QString only here,
// decoded character by character, so a byte that is not GBK shows as U+FFFD and never as a
// wrong character; the form keeps the bytes.
#pragma once

#include <QFont>
#include <QString>

#include "text/text.h"
#include "ui/form.h"

namespace lumetra::ui::qt {

QString to_qstring(const Text& gbk);
// A UTF-8 string of the program itself (control names, links).
QString from_utf8(std::string_view utf8);

// The face a control asks for first, then the CJK faces the setup installs, so Chinese never
// shows as boxes where the asked-for face is missing. An empty face is the toolkit's default.
QFont control_font(const Font& font);
// The application's default font: the same CJK faces at the default size.
QFont default_font();

}  // namespace lumetra::ui::qt
