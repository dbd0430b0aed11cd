#include <gtest/gtest.h>

#include <array>

#include "web/web.h"

namespace lumetra {
namespace {

TEST(UserAgent, TakenFromTheHeaderTextOrTheDefault) {
  struct Case {
    const char* headers;
    const char* agent;
  };
  const std::array cases = {
      Case{"", default_user_agent},
      Case{"Accept: text/html", default_user_agent},
      Case{"User-Agent: Foo/1.0", "Foo/1.0"},
      Case{"Accept: text/html\r\nUser-Agent: Baz (X)\r\nReferer: r", "Baz (X)"},
      // Name in another letter case: the value after the first colon.
      Case{"user-agent: Bar", "Bar"},
      // No value: the fallback finds nothing either.
      Case{"User-Agent:   ", ""},
      // The fallback reads from the first colon of the whole text.
      Case{"X-A: 1\r\nuser-agent: Bar", "1\r\nuser-agent: Bar"},
      // Ideographic spaces are trimmed like ASCII ones.
      Case{"User-Agent:\xA1\xA1Qux\xA1\xA1", "Qux"},
  };
  for (const auto& [headers, agent] : cases) {
    SCOPED_TRACE(headers);
    EXPECT_EQ(choose_user_agent(headers), agent);
  }
}

TEST(HeaderBlock, AddsTheMissingDefaultLinesInOrder) {
  const Text url = "http://a.com/Book?id=1";
  const Text tail = "\r\nReferer: " + url + "\r\nAccept-Language: zh-cn";
  const Text form = "\r\nContent-Type: application/x-www-form-urlencoded";
  struct Case {
    Text headers;
    int method;
    Text cookies;
    Text block;
  };
  const std::array cases = {
      Case{"", 0, "", "Accept: */*" + tail},
      Case{"", 1, "", "Accept: */*" + tail + form},
      Case{"User-Agent: X", 0, "", "User-Agent: X\r\nAccept: */*" + tail},
      // Names are tested with exact letter case.
      Case{"accept: text/html", 0, "", "accept: text/html\r\nAccept: */*" + tail},
      Case{"Referer: http://r/", 0, "",
           "Referer: http://r/\r\nAccept: */*\r\nAccept-Language: zh-cn"},
      Case{"Accept-Language: en", 0, "", "Accept-Language: en\r\nAccept: */*\r\nReferer: " + url},
      Case{"Content-Type: text/plain", 1, "", "Content-Type: text/plain\r\nAccept: */*" + tail},
      // Only POST gets the form type.
      Case{"", 3, "", "Accept: */*" + tail},
      Case{"", 7, "", "Accept: */*" + tail},
      Case{"", 0, "a=1; b=2", "Accept: */*" + tail + "\r\nCookie: a=1; b=2"},
      Case{"", 0, "Cookie: a=1", "Accept: */*" + tail + "\r\nCookie: a=1"},
      // A trailing line break of the caller becomes an empty line.
      Case{"X: 1\r\n", 0, "", "X: 1\r\n\r\nAccept: */*" + tail},
  };
  for (const auto& [headers, method, cookies, block] : cases) {
    SCOPED_TRACE(headers + "|" + std::to_string(method) + "|" + cookies);
    EXPECT_EQ(compose_headers(headers, url, method, cookies), block);
  }
}

}  // namespace
}  // namespace lumetra
