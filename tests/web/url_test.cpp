#include <gtest/gtest.h>

#include <array>

#include "web/web.h"

namespace lumetra {
namespace {

TEST(UrlParts, HostPortAndPathFollowTheTextualRules) {
  struct Case {
    const char* url;
    const char* host;
    const char* host_with_port;
    int port;
    const char* path;
  };
  const std::array cases = {
      Case{"http://www.Example.com/Book/1.html?A=B", "www.example.com", "www.example.com", 80,
           "/Book/1.html?A=B"},
      // Capital scheme, explicit port, mixed-case host, path and query.
      Case{"HTTPS://WWW.Example.COM:8443/Path/Q?X=Yz", "www.example.com", "www.example.com:8443",
           8443, "/Path/Q?X=Yz"},
      Case{"www.example.com/a/b", "www.example.com", "www.example.com", 80, "/a/b"},
      Case{"https://example.com", "example.com", "example.com", 443, "/"},
      Case{"http://example.com", "example.com", "example.com", 80, "/"},
      Case{"example.com", "example.com", "example.com", 80, "/"},
      Case{"http://example.com:8080", "example.com", "example.com:8080", 8080, "/"},
      // No scheme, but the address begins with the letters "https": port 443 over plain HTTP.
      Case{"httpsite.com/x", "httpsite.com", "httpsite.com", 443, "/x"},
      // The host is what follows the first "http://", wherever it stands.
      Case{"example.com/go?to=http://Other.org/x", "other.org", "other.org", 80, "/x"},
      // GBK bytes in the path stay as they are.
      Case{"https://a.com/\xD5\xC2\xBD\xDA/1", "a.com", "a.com", 443, "/\xD5\xC2\xBD\xDA/1"},
  };
  for (const auto& [url, host, host_with_port, port, path] : cases) {
    SCOPED_TRACE(url);
    EXPECT_EQ(url_host(url, false), host);
    EXPECT_EQ(url_host(url, true), host_with_port);
    EXPECT_EQ(url_port(url), port);
    EXPECT_EQ(url_path(url), path);
  }
}

}  // namespace
}  // namespace lumetra
