// Text operations over code page 936 byte strings.
//
// Usage: every text in Lumetra is a `Text`, the GBK bytes exactly as a site sent them. Positions
// in these functions are 0-based byte offsets (`npos` for "not found"), except `text_between`,
// whose optional start position counts from 1 as the rest of the system does. Characters follow
// the double-byte rule: a lead byte (0x81-0xFE) takes the next byte with it when that byte can
// follow it (0x40-0x7E or 0x80-0xFE); any other byte is a character by itself. So a search never
// starts a match on the second byte of a character, and a broken character never takes the
// markup after it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra {

using Text = std::string;   // GBK bytes; never converted on the way from a site to a file
using Bytes = std::string;  // raw bytes: page bodies, file contents

inline constexpr std::size_t npos = std::string::npos;

inline bool is_lead_byte(unsigned char b) {
  return b >= 0x81 && b <= 0xFE;
}
inline bool is_trail_byte(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// Length in bytes of the character that starts at `i`: 2 for a lead byte followed by a byte that
// can follow it, else 1.
inline std::size_t char_size(std::string_view s, std::size_t i) {
  return i + 1 < s.size() && is_lead_byte(static_cast<unsigned char>(s[i])) &&
                 is_trail_byte(static_cast<unsigned char>(s[i + 1]))
             ? 2
             : 1;
}

// A page body as text: its bytes up to the first zero byte.
Text text_from_body(const Bytes& body);

// First character boundary at or after `from` where `needle` matches; an empty needle is found
// at `from` whenever text remains there. `ignore_case` folds ASCII letters only.
std::size_t find_text(std::string_view hay, std::string_view needle, std::size_t from = 0,
                      bool ignore_case = false);
bool contains(std::string_view hay, std::string_view needle, bool ignore_case = false);

// Every non-overlapping occurrence of `find` replaced; an empty `find` changes nothing.
Text replace_all(std::string_view text, std::string_view find, std::string_view replacement);

Text lower_ascii(std::string_view text);
Text upper_ascii(std::string_view text);

// Strips ASCII spaces and ideographic spaces (0xA1 0xA1) at both ends; tabs and breaks stay.
Text trim_spaces(std::string_view text);
// Removes every such space anywhere in the text.
Text remove_spaces(std::string_view text);

// Pieces between separators: none for an empty text, empty pieces between adjacent separators,
// no empty piece after a trailing separator.
std::vector<Text> split(std::string_view text, std::string_view separator);

// The text between the first `left` at or after `start` (from 1; 0 or less means 1) and the
// next `right` after it, neither included. "#引号" in either marker stands for a double quote.
// Empty when either marker is missing, and always for an empty `right`.
Text text_between(std::string_view text, std::string_view left, std::string_view right,
                  long start = 0, bool ignore_case = false);

// The marker that stands for a double quote inside delimiters and patterns.
const Text& quote_marker();

}  // namespace lumetra
