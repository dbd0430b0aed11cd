#include <array>
#include <cstdint>
#include <memory>

#include "text/gbk.h"
#include "ui/toolkit.h"

namespace lumetra::ui {
namespace {

// The double-byte pair of every character of the basic plane that code page 936 holds; 0 for
// none. Built once from the decoding table, so typing never asks the converter and never fails.
const std::array<std::uint16_t, 0x10000>& encoding_table() {
  static const auto table = [] {
    auto t = std::make_unique<std::array<std::uint16_t, 0x10000>>();
    t->fill(0);
    for (int lead = 0x81; lead <= 0xFE; ++lead)
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        char32_t c = gbk_char(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
        if (c != 0 && c < 0x10000 && (*t)[c] == 0)
          (*t)[c] = static_cast<std::uint16_t>(lead << 8 | trail);
      }
    return t;
  }();
  return *table;
}

// The next character of `s` from `i`, advancing `i`; U+FFFD for a malformed sequence.
char32_t next_char(std::string_view s, std::size_t& i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b = byte(i++);
  if (b < 0x80) return b;
  int extra = b >= 0xF5 ? -1 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : -1;
  if (extra < 0) return 0xFFFD;
  char32_t c = b & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    // A cut-off sequence is one malformed character, its continuation bytes included.
    if (i >= s.size() || (byte(i) & 0xC0) != 0x80) return 0xFFFD;
    c = c << 6 | (byte(i++) & 0x3F);
  }
  bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
  return overlong || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) ? 0xFFFD : c;
}

}  // namespace

Text typed_to_gbk(std::string_view utf8) {
  const auto& table = encoding_table();
  Text out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = next_char(utf8, i);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x10000 && table[c] != 0) {
      out.push_back(static_cast<char>(table[c] >> 8));
      out.push_back(static_cast<char>(table[c] & 0xFF));
    } else {
      out.push_back('?');
    }
  }
  return out;
}

}  // namespace lumetra::ui
