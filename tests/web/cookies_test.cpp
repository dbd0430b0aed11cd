#include <gtest/gtest.h>

#include <array>

#include "web/web.h"

namespace lumetra {
namespace {

TEST(ResponseCookies, OneItemPerExactSetCookieLine) {
  struct Case {
    Text head;
    Text cookies;
  };
  const std::array cases = {
      Case{
          "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/; HttpOnly\r\nX: y\r\nSet-Cookie: b=2\r\n\r\n",
          "a=1; b=2"},
      Case{"HTTP/1.1 200 OK\r\nset-cookie: a=1\r\nSET-COOKIE: b=2; path=/\r\n\r\n", ""},
      // Without ";" everything after the name and colon, trimmed.
      Case{"HTTP/1.1 200 OK\r\nSet-Cookie:  x = y \r\n\r\n", "x = y"},
      // No ": " after the name: not a Set-Cookie line by the name rule.
      Case{"HTTP/1.1 200 OK\r\nSet-Cookie:a=1\r\n\r\n", ""},
      // An empty item still takes its place.
      Case{"Set-Cookie: ; path=/\r\nSet-Cookie: c=3; path=/", "; c=3"},
      Case{Text(5000, ' '), ""},
      Case{"", ""},
  };
  for (const auto& [head, cookies] : cases) {
    SCOPED_TRACE(head);
    EXPECT_EQ(extract_response_cookies(head), cookies);
  }
}

TEST(CookieMerge, NewerWinsDeletedGoesSpacesAndDuplicatesVanish) {
  struct Case {
    Text old_cookies, new_cookies;
    Text merged, new_after;
  };
  const std::array cases = {
      Case{"a=1; b=2", "a=3", "a=3; b=2", "a=3"},
      Case{"a=1", "a=deleted", "", "a=deleted"},
      Case{"a=1", "b=2; a=deleted", "b=2", "b=2;a=deleted"},
      Case{"a = 1 ; b=2", "c = 3", "c=3; a=1; b=2", "c=3"},
      Case{"a=1; a=2", "", "a=1", ""},
      Case{"", "c=1; c=1", "c=1", "c=1;c=1"},
      Case{"", "", "", ""},
      Case{"\xA1\xA1k=v", "", "k=v", ""},
  };
  for (auto [old_cookies, new_cookies, merged, new_after] : cases) {
    SCOPED_TRACE(old_cookies + "|" + new_cookies);
    EXPECT_EQ(merge_cookie_text(old_cookies, new_cookies), merged);
    EXPECT_EQ(old_cookies, merged);
    EXPECT_EQ(new_cookies, new_after);
  }
}

TEST(CookieItems, NamesAndDuplicateRemoval) {
  struct NameCase {
    const char* item;
    const char* name;
  };
  for (const auto& [item, name] :
       std::array{NameCase{"a=1", "a"}, NameCase{" a =1", "a"}, NameCase{"novalue", "novalue"},
                  NameCase{"=v", ""}, NameCase{"a=b=c", "a"}, NameCase{"", ""}}) {
    SCOPED_TRACE(item);
    EXPECT_EQ(cookie_name(item), name);
  }
  struct DupCase {
    const char* text;
    const char* separator;
    const char* result;
  };
  for (const auto& [text, separator, result] :
       std::array{DupCase{"a; b; a; c; b", "; ", "a; b; c"}, DupCase{"", "; ", ""},
                  DupCase{"x,,x", ",", "x,"}, DupCase{"a=1; a=2", "; ", "a=1; a=2"}}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(remove_duplicate_items(text, separator), result);
  }
}

}  // namespace
}  // namespace lumetra
