#include "text/text.h"

#include <cstring>

#include "text/gbk.h"

namespace lumetra {
namespace {

char fold(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Byte comparison at `at`, folding ASCII letters that stand as characters of their own in both
// texts (a trail byte that happens to equal a letter is part of a double-byte character).
bool matches_folded(std::string_view hay, std::size_t at, std::string_view needle) {
  std::size_t hay_next = at, needle_next = 0;  // the next character start in each text
  for (std::size_t k = 0; k < needle.size(); ++k) {
    bool single = true;
    if (at + k == hay_next) {
      hay_next += char_size(hay, hay_next);
      single = hay_next == at + k + 1;
    } else {
      single = false;
    }
    if (k == needle_next) {
      needle_next += char_size(needle, needle_next);
      single = single && needle_next == k + 1;
    } else {
      single = false;
    }
    char h = hay[at + k], n = needle[k];
    if (h != n && (!single || fold(h) != fold(n))) return false;
  }
  return true;
}

bool is_space_at(std::string_view s, std::size_t i) {
  return s[i] == ' ' || (s[i] == '\xA1' && i + 1 < s.size() && s[i + 1] == '\xA1');
}

}  // namespace

Text text_from_body(const Bytes& body) {
  const void* zero = std::memchr(body.data(), 0, body.size());
  if (!zero) return body;
  return body.substr(0, static_cast<const char*>(zero) - body.data());
}

std::size_t find_text(std::string_view hay, std::string_view needle, std::size_t from,
                      bool ignore_case) {
  if (from >= hay.size()) return npos;
  if (needle.empty()) return from;
  if (needle.size() > hay.size()) return npos;
  // `boundary` walks the character starts; a candidate is accepted only where it lands on one.
  std::size_t boundary = from;
  if (!ignore_case) {
    std::size_t pos = from;
    while (true) {
      // glibc's memmem skips ahead far better than a first-byte scan on markup full of "<".
      const void* hit = memmem(hay.data() + pos, hay.size() - pos, needle.data(), needle.size());
      if (!hit) return npos;
      std::size_t c = static_cast<const char*>(hit) - hay.data();
      while (boundary < c) boundary += char_size(hay, boundary);
      if (boundary == c) return c;
      pos = c + 1;
    }
  }
  for (; boundary + needle.size() <= hay.size(); boundary += char_size(hay, boundary))
    if (matches_folded(hay, boundary, needle)) return boundary;
  return npos;
}

bool contains(std::string_view hay, std::string_view needle, bool ignore_case) {
  if (needle.empty()) return true;
  return find_text(hay, needle, 0, ignore_case) != npos;
}

Text replace_all(std::string_view text, std::string_view find, std::string_view replacement) {
  if (find.empty()) return Text(text);
  Text out;
  std::size_t pos = 0;
  for (std::size_t c; (c = find_text(text, find, pos)) != npos; pos = c + find.size()) {
    if (out.empty()) out.reserve(text.size());
    out.append(text, pos, c - pos);
    out.append(replacement);
  }
  if (pos == 0) return Text(text);
  out.append(text.substr(pos));
  return out;
}

Text lower_ascii(std::string_view text) {
  Text out(text);
  for (std::size_t i = 0; i < out.size(); i += char_size(out, i)) out[i] = fold(out[i]);
  return out;
}

Text upper_ascii(std::string_view text) {
  Text out(text);
  for (std::size_t i = 0; i < out.size(); i += char_size(out, i))
    if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
  return out;
}

Text trim_spaces(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && is_space_at(text, begin)) begin += text[begin] == ' ' ? 1 : 2;
  // Walk forward so that a trailing 0xA1 0xA1 is only taken where it really is one character.
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size();) {
    std::size_t n = char_size(text, i);
    bool space = text[i] == ' ' || (n == 2 && text[i] == '\xA1' && text[i + 1] == '\xA1');
    i += n;
    if (!space) end = i;
  }
  return Text(text.substr(begin, end - begin));
}

Text remove_spaces(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = char_size(text, i);
    bool space = text[i] == ' ' || (n == 2 && text[i] == '\xA1' && text[i + 1] == '\xA1');
    if (!space) out.append(text, i, n);
    i += n;
  }
  return out;
}

std::vector<Text> split(std::string_view text, std::string_view separator) {
  std::vector<Text> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) return {Text(text)};
  std::size_t pos = 0;
  for (std::size_t c; (c = find_text(text, separator, pos)) != npos; pos = c + separator.size())
    pieces.emplace_back(text.substr(pos, c - pos));
  if (pos < text.size()) pieces.emplace_back(text.substr(pos));
  return pieces;
}

const Text& quote_marker() {
  return gbk<"#引号">();
}

Text text_between(std::string_view text, std::string_view left, std::string_view right, long start,
                  bool ignore_case) {
  const Text l = replace_all(left, quote_marker(), "\"");
  const Text r = replace_all(right, quote_marker(), "\"");
  if (r.empty()) return {};
  std::size_t from = start <= 0 ? 0 : static_cast<std::size_t>(start - 1);
  std::size_t lpos = find_text(text, l, from, ignore_case);
  if (lpos == npos) return {};
  std::size_t begin = lpos + l.size();
  std::size_t rpos = find_text(text, r, begin, ignore_case);
  if (rpos == npos) return {};
  return Text(text.substr(begin, rpos - begin));
}

}  // namespace lumetra
