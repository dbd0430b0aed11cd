// The HTTP client: one request per call, with header composition and cookie handling.
//
// Usage: `web_request(url)` fetches a page with GET and returns its body, byte for byte. The
// optional parameters follow the order of the system's request operation; an output that the
// caller passes as nullptr is not delivered, and for `cookies` nullptr ("absent") differs from a
// pointer to an empty text ("supplied"). Failure shows as an empty body; nothing is thrown.
// Safe to call from any number of threads at once.
//
// Under the calls lies one process-wide pool of kept-alive connections (idle ones are dropped
// after 60 s) and one TLS session cache, as the platform's own client keeps them; each call still
// opens and closes its own handle, sends the same request bytes and never answers from a cache.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "text/text.h"

namespace lumetra {

inline constexpr const char* default_user_agent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// Ends requests from other threads. A request made with a cancelled `RequestCancel`, or in
// flight when it is cancelled, ends at once as one that got no answer: empty body, no header
// block. Any thread may cancel, any number of times; the object must outlive its requests.
class RequestCancel {
 public:
  RequestCancel();
  ~RequestCancel();
  RequestCancel(const RequestCancel&) = delete;
  RequestCancel& operator=(const RequestCancel&) = delete;

  void cancel();
  bool cancelled() const;

  struct Impl;

 private:
  friend struct CancelHook;
  std::unique_ptr<Impl> impl_;
};

Bytes web_request(const Text& url, int method = 0, const Text& submit_text = {},
                  Text* cookies = nullptr, Text* returned_cookies = nullptr,
                  Text* headers = nullptr, Text* returned_headers = nullptr,
                  bool no_redirect = false, Bytes* submit_bytes = nullptr, const Text& proxy = {},
                  bool merge_cookies = true, RequestCancel* cancel = nullptr);

// Why the calling thread's last `web_request` got no answer, as one line a person can read
// (GBK); empty when an answer came, whatever its status.
Text last_request_error();
// The status code of a header block as `web_request` hands it back; 0 when it holds none.
int response_status(const Text& returned_headers);

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
  // A call that has not ended this long after it began is given up likewise: a site that
  // trickles a byte now and then must not hold its caller for ever.
  std::chrono::milliseconds transfer_timeout{300000};
  std::string extra_ca_file{};  // PEM; empty: the system's authorities only
};
void set_web_test_settings(const WebTestSettings& settings);
WebTestSettings web_test_settings();

}  // namespace lumetra
