#include "graphics/base.h"

#include <QString>

#include <cstdio>
#include <stdexcept>

#include "text/gbk.h"

namespace lumetra {

std::u16string to_wide(std::string_view text) {
  std::u16string wide = QString::fromStdString(gbk_to_utf8(text)).toStdU16String();
  wide.push_back(u'\0');
  return wide;
}

Text to_text(std::u16string_view wide) {
  wide = wide.substr(0, wide.find(u'\0'));
  std::string utf8 = QString::fromStdU16String(std::u16string(wide)).toStdString();
  try {
    return utf8_to_gbk(utf8);
  } catch (const std::invalid_argument&) {
  }
  // Some character has no GBK form: convert one character at a time, "?" for those.
  Text out;
  QString all = QString::fromStdU16String(std::u16string(wide));
  for (qsizetype i = 0; i < all.size();) {
    qsizetype n = all.at(i).isHighSurrogate() && i + 1 < all.size() ? 2 : 1;
    try {
      out += utf8_to_gbk(all.mid(i, n).toStdString());
    } catch (const std::invalid_argument&) {
      out += '?';
    }
    i += n;
  }
  return out;
}

Text guid_to_text(const flat::Guid& g) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return buffer;
}

flat::Guid text_to_guid(std::string_view text) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters, dashes at fixed places.
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return {};
  unsigned char bytes[16];
  std::size_t n = 0;
  for (std::size_t i = 1; i < 37;) {
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (text[i] != '-') return {};
      ++i;
      continue;
    }
    auto hex = [](char c) {
      return c >= '0' && c <= '9'   ? c - '0'
             : c >= 'a' && c <= 'f' ? c - 'a' + 10
             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                    : -1;
    };
    int hi = hex(text[i]), lo = hex(text[i + 1]);
    if (hi < 0 || lo < 0) return {};
    bytes[n++] = static_cast<unsigned char>(hi << 4 | lo);
    i += 2;
  }
  flat::Guid g;
  g.data1 = std::uint32_t{bytes[0]} << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
  g.data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
  g.data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
  return g;
}

}  // namespace lumetra
