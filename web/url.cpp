// Host, port and path of a page address, read the way the request line and the connection need
// them. The rules are textual on purpose: a site's links are taken as they are written.
#include "web/web.h"

namespace lumetra {

Text url_host(const Text& url, bool keep_port) {
  Text s = lower_ascii(url);
  if (s.empty() || s.back() != '/') s += '/';
  if (s.compare(0, 8, "https://") == 0) {
    s = text_between(s, "https://", "/");
  } else {
    if (!contains(s, "http://")) s.insert(0, "http://");
    s = text_between(s, "http://", "/");
  }
  if (!keep_port) {
    std::size_t colon = find_text(s, ":");
    if (colon != npos) s.resize(colon);
  }
  return s;
}

int url_port(const Text& url) {
  const Text h = url_host(url, true);
  // ':' (0x3A) is never the second byte of a double-byte character, so a plain search is exact.
  std::size_t colon = h.rfind(':');
  if (colon == npos) return lower_ascii(url.substr(0, 5)) == "https" ? 443 : 80;
  // Leading decimal digits; anything else ends the number. Capped so that it cannot overflow
  // and a too large port stays recognisably invalid.
  int port = 0;
  for (std::size_t i = colon + 1; i < h.size() && h[i] >= '0' && h[i] <= '9'; ++i) {
    port = port * 10 + (h[i] - '0');
    if (port > 99999) return 99999;
  }
  return port;
}

Text url_path(const Text& url) {
  const Text h = url_host(url, false);
  std::size_t p = find_text(url, h, 0, true);
  if (p == npos) p = 0;
  std::size_t q = find_text(url, "/", p);
  if (q == npos) return "/";
  return url.substr(q);
}

}  // namespace lumetra
