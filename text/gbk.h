// Conversions between code page 936 and Unicode, for the few places that must know a character:
// writing the system's Chinese literals readably in UTF-8 source, regex matching and display.
//
// Usage: `gbk<"开始采集">()` gives the GBK bytes of a literal, converted once per literal.
// `utf8_to_gbk` and `gbk_to_utf8` convert whole texts; `gbk_char` decodes one double-byte pair.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "text/text.h"

namespace lumetra {

// UTF-8 to GBK. Throws std::invalid_argument when a character has no GBK form, since every
// caller converts a literal of the program itself.
Text utf8_to_gbk(std::string_view utf8);

// GBK to UTF-8, character by character under the double-byte rule. Each byte of a character that
// code page 936 does not define becomes `replacement` (empty: dropped), so display never fails
// and the readable characters around a broken one stay.
std::string gbk_to_utf8(std::string_view gbk, std::string_view replacement = "\xEF\xBF\xBD");

// The Unicode character of a double-byte pair, or 0 when code page 936 does not define it.
// Backed by a table built once, so decoding a page costs one lookup per character.
char32_t gbk_char(unsigned char lead, unsigned char trail);

template <std::size_t N>
struct Utf8Literal {
  char bytes[N];
  consteval Utf8Literal(const char (&s)[N]) { std::copy_n(s, N, bytes); }
  std::string_view view() const { return {bytes, N - 1}; }
};

template <Utf8Literal S>
const Text& gbk() {
  static const Text converted = utf8_to_gbk(S.view());
  return converted;
}

}  // namespace lumetra
