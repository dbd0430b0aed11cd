// Cookie texts: items "name=value" joined by "; ", read from a response and merged with the
// caller's own.
#include <unordered_set>

#include "web/web.h"

namespace lumetra {
namespace {

// Every occurrence of `find` removed, letters compared without regard to case.
Text remove_ignoring_case(std::string_view text, std::string_view find) {
  Text out;
  std::size_t pos = 0;
  for (std::size_t c; (c = find_text(text, find, pos, true)) != npos; pos = c + find.size())
    out.append(text, pos, c - pos);
  out.append(text.substr(std::min(pos, text.size())));
  return out;
}

void drop_last(Text& text, std::size_t n) {
  text.resize(text.size() > n ? text.size() - n : 0);
}

bool is_deleted(const Text& item) {
  static constexpr std::string_view marker = "=deleted";
  return item.size() >= marker.size() &&
         item.compare(item.size() - marker.size(), npos, marker) == 0;
}

}  // namespace

Text extract_response_cookies(const Text& returned_headers) {
  Text result;
  for (const Text& line : split(returned_headers, "\r\n")) {
    std::size_t colon = find_text(line, ": ");
    if (colon == npos || std::string_view(line).substr(0, colon) != "Set-Cookie") continue;
    if (contains(line, ";"))
      result += trim_spaces(text_between(line, "Set-Cookie:", ";"));
    else
      result += trim_spaces(remove_ignoring_case(line, "Set-Cookie:"));
    result += "; ";
  }
  drop_last(result, 2);
  return result;
}

Text cookie_name(const Text& item) {
  std::size_t eq = find_text(item, "=");
  return trim_spaces(std::string_view(item).substr(0, eq));
}

Text merge_cookie_text(Text& old_cookies, Text& new_cookies) {
  old_cookies = remove_spaces(old_cookies);
  new_cookies = remove_spaces(new_cookies);
  std::vector<Text> working = split(new_cookies, ";");
  std::unordered_set<Text> names;
  for (const Text& item : working) names.insert(cookie_name(item));
  // An old item stays only when nothing in the working list (old items taken earlier included)
  // carries its name: newer cookies win, and of two old ones the first.
  for (Text& item : split(old_cookies, ";"))
    if (names.insert(cookie_name(item)).second) working.push_back(std::move(item));
  old_cookies.clear();
  for (const Text& item : working)
    if (!is_deleted(item)) old_cookies += item + "; ";
  drop_last(old_cookies, 2);
  old_cookies = remove_duplicate_items(old_cookies, "; ");
  return old_cookies;
}

Text remove_duplicate_items(const Text& text, const Text& separator) {
  std::unordered_set<std::string_view> kept;
  const std::vector<Text> items = split(text, separator);
  Text out;
  out.reserve(text.size() + separator.size());
  for (const Text& item : items)
    if (kept.insert(item).second) out += item + separator;
  drop_last(out, separator.size());
  return out;
}

}  // namespace lumetra
