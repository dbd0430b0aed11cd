// The HTTP client: one request per call, with header composition and cookie handling.
//
// Usage: `web_request(url)` fetches a page with GET and returns its body, byte for byte. The
// optional parameters follow the order of the system's request operation; an output that the
// caller passes as nullptr is not delivered, and for `cookies` nullptr ("absent") differs from a
// pointer to an empty text ("supplied"). Failure shows as an empty body; nothing is thrown.
// Safe to call from any number of threads at once.
#pragma once

#include <chrono>
#include <string>

#include "text/text.h"

namespace lumetra {

inline constexpr const char* default_user_agent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

Bytes web_request(const Text& url, int method = 0, const Text& submit_text = {},
                  Text* cookies = nullptr, Text* returned_cookies = nullptr,
                  Text* headers = nullptr, Text* returned_headers = nullptr,
                  bool no_redirect = false, Bytes* submit_bytes = nullptr, const Text& proxy = {},
                  bool merge_cookies = true);

Text url_host(const Text& url, bool keep_port);
int url_port(const Text& url);
Text url_path(const Text& url);

// Request header composition.
Text choose_user_agent(const Text& headers);
Text compose_headers(const Text& headers, const Text& url, int method, const Text& cookies);

// Cookie handling.
Text extract_response_cookies(const Text& returned_headers);
Text merge_cookie_text(Text& old_cookies, Text& new_cookies);
Text cookie_name(const Text& item);
Text remove_duplicate_items(const Text& text, const Text& separator);

// Settings that only tests change: the time limits, and a certificate authority to trust in
// addition to the system's (a test CA; verification itself is never switched off).
struct WebTestSettings {
  std::chrono::milliseconds connect_timeout{60000};
  // A transfer that receives nothing this long is given up (its body comes back empty).
  std::chrono::milliseconds receive_timeout{60000};
  std::string extra_ca_file{};  // PEM; empty: the system's authorities only
};
void set_web_test_settings(const WebTestSettings& settings);
WebTestSettings web_test_settings();

}  // namespace lumetra
