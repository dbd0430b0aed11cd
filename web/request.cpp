// One HTTP request per call over libcurl.
//
// Each call owns one easy handle from start to end, run on a multi handle borrowed from the
// connection pool (web/connections.h); driving it here lets another thread wake a call to
// cancel it at once. What else calls share is process-wide: the TLS trust store (the system's
// authorities plus a test authority when tests set one), built once per change. Redirects are
// followed here rather than by curl, so that the method change of 301 to 303 also drops the form's
// Content-Type line and the proxy rule can be applied to every hop.
#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "text/gbk.h"
#include "web/connections.h"
#include "web/web.h"

namespace lumetra {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t header_limit = 4999;  // longest response header block handed back
constexpr int max_redirects = 10;
constexpr std::array<const char*, 8> verbs = {"GET",     "POST",   "HEAD",  "PUT",
                                              "OPTIONS", "DELETE", "TRACE", "CONNECT"};

struct MultiFree {
  void operator()(CURLM* m) const { connections::return_multi(m); }
};
using BorrowedMulti = std::unique_ptr<CURLM, MultiFree>;

thread_local Text last_error;

struct StoreFree {
  void operator()(X509_STORE* s) const { X509_STORE_free(s); }
};
using Store = std::shared_ptr<X509_STORE>;

Store build_store(const std::string& extra_ca_file) {
  Store store(X509_STORE_new(), StoreFree{});
  if (!store) return store;
  const std::string& ca_file = connections::system_ca_file();
  const std::string& ca_path = connections::system_ca_path();
  const char* file = ca_file.empty() ? nullptr : ca_file.c_str();
  const char* path = ca_path.empty() ? nullptr : ca_path.c_str();
  if (!file && !path)
    X509_STORE_set_default_paths(store.get());
  else
    X509_STORE_load_locations(store.get(), file, path);
  if (!extra_ca_file.empty())
    X509_STORE_load_locations(store.get(), extra_ca_file.c_str(), nullptr);
  // The library fills each certificate's extension cache at its first use; doing it here,
  // while one thread owns the store, spares the connections that verify at once a race for it.
  STACK_OF(X509_OBJECT)* objects = X509_STORE_get0_objects(store.get());
  for (int i = 0; i < sk_X509_OBJECT_num(objects); ++i)
    if (X509* cert = X509_OBJECT_get0_X509(sk_X509_OBJECT_value(objects, i)))
      X509_check_purpose(cert, -1, 0);
  return store;
}

struct SettingsState {
  std::mutex mutex;
  WebTestSettings settings;
  Store store;  // built at the first TLS connection after a change
};

SettingsState& settings_state() {
  static SettingsState* s = new SettingsState;
  return *s;
}

Store trust_store() {
  SettingsState& s = settings_state();
  std::lock_guard lock(s.mutex);
  if (!s.store) s.store = build_store(s.settings.extra_ca_file);
  return s.store;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && lower_ascii(text.substr(0, prefix.size())) == prefix;
}

bool has_line(const std::vector<Text>& lines, std::string_view name_colon) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const Text& l) { return starts_with_ignoring_case(l, name_colon); });
}

// Bytes that would end a header line or the request line early.
bool has_line_break(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A host that curl would read as something else (user info, query, another path) or that
// cannot be a host name at all.
bool plausible_host(std::string_view host) {
  if (host.empty()) return false;
  return std::none_of(host.begin(), host.end(), [](char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7F || std::string_view("/?#@\\\"<>`{}|^").find(c) != npos;
  });
}

// The path as curl must see it: curl refuses spaces and control bytes that a site's link may
// hold, so those are written as %XX; every other byte (GBK included) goes out as it is.
void append_path(Text& out, std::string_view path) {
  static constexpr char hex[] = "0123456789ABCDEF";
  for (char c : path) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F) {
      out += '%';
      out += hex[u >> 4];
      out += hex[u & 15];
    } else {
      out += c;
    }
  }
}

struct SlistFree {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using Slist = std::unique_ptr<curl_slist, SlistFree>;

// The header block as curl's list. curl reads "Name:" without a value as "drop that header", so
// such a line is written "Name;" (curl's form for an empty value). Empty lines are left out: one
// would end the request head early. Headers curl adds by itself are suppressed unless the block
// holds them: exactly the block goes out, plus Host, User-Agent and Content-Length (GBK bytes of
// a link's path leave curl percent-encoded).
Slist header_list(const std::vector<Text>& lines, bool posts) {
  curl_slist* list = nullptr;
  auto add = [&](const char* line) {
    if (curl_slist* grown = curl_slist_append(list, line)) list = grown;
  };
  for (const Text& line : lines) {
    std::size_t colon = line.find(':');
    if (line.empty() || colon == npos) continue;
    if (line.find_first_not_of(" \t", colon + 1) == npos)
      add((line.substr(0, colon) + ";").c_str());
    else
      add(line.c_str());
  }
  if (!has_line(lines, "accept:")) add("Accept:");
  if (!has_line(lines, "expect:")) add("Expect:");
  if (!has_line(lines, "proxy-connection:")) add("Proxy-Connection:");
  if (posts && !has_line(lines, "content-type:")) add("Content-Type:");
  return Slist(list);
}

struct Transfer {
  Bytes body;
  Text head;
  bool head_complete = false;  // the empty line that ends the final response's head arrived
  bool head_too_long = false;
  bool timed_out = false;
  bool cancelled = false;
  std::chrono::milliseconds receive_timeout{};
  Clock::time_point last_activity;
  Clock::time_point deadline;  // of the whole call
  const std::atomic<bool>* cancel_flag = nullptr;
  curl_off_t last_down = -1, last_up = -1;
  CURL* handle = nullptr;
  Store store;

  void reset() {
    body.clear();
    head.clear();
    head_complete = head_too_long = timed_out = cancelled = false;
    last_activity = Clock::now();
    last_down = last_up = -1;
  }
};

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  std::string_view line(data, n);
  t.last_activity = Clock::now();
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  // Every response starts afresh: interim (1xx) answers leave nothing behind.
  if (line.substr(0, 5) == "HTTP/") {
    t.head.clear();
    t.body.clear();
    t.head_complete = t.head_too_long = false;
  }
  if (line.empty()) t.head_complete = true;
  if (!t.head_too_long) {
    // Lines end in CR LF whatever the server used, as the system's client hands them back.
    t.head.append(line);
    t.head += "\r\n";
    if (t.head.size() > header_limit) {
      t.head_too_long = true;
      t.head.clear();
      t.head.shrink_to_fit();
    }
  }
  return n;
}

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  if (t.body.empty()) {
    curl_off_t length = -1;
    curl_easy_getinfo(t.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    constexpr curl_off_t reserve_cap = 64 << 20;
    if (length > 0) t.body.reserve(static_cast<std::size_t>(std::min(length, reserve_cap)));
  }
  t.body.append(data, n);
  return n;
}

// Gives a transfer up when it is cancelled, when nothing has moved for the receive time-out,
// or when the whole call has taken too long.
int on_progress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
  auto& t = *static_cast<Transfer*>(user);
  if (t.cancel_flag && t.cancel_flag->load(std::memory_order_acquire)) {
    t.cancelled = true;
    return 1;
  }
  const Clock::time_point now = Clock::now();
  if (down != t.last_down || up != t.last_up) {
    t.last_down = down;
    t.last_up = up;
    t.last_activity = now;
  }
  if (now - t.last_activity < t.receive_timeout && now < t.deadline) return 0;
  t.timed_out = true;
  return 1;
}

CURLcode on_tls_context(CURL*, void* ssl_ctx, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  if (!t.store) t.store = trust_store();
  if (!t.store) return CURLE_SSL_CACERT_BADFILE;
  SSL_CTX_set1_cert_store(static_cast<SSL_CTX*>(ssl_ctx), t.store.get());
  return CURLE_OK;
}

struct EasyFree {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};

Text describe_failure(CURLcode rc) {
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return gbk<"无法解析主机名">();
    case CURLE_COULDNT_CONNECT:
      return gbk<"无法连接服务器">();
    case CURLE_OPERATION_TIMEDOUT:
      return gbk<"连接超时">();
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
      return gbk<"安全连接失败">();
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
      return gbk<"服务器断开了连接">();
    default:
      return gbk<"网络错误：">() + curl_easy_strerror(rc);
  }
}

}  // namespace

namespace {

// One transfer of the easy handle on the borrowed multi handle. Waits in curl's poll, which a
// cancellation wakes, and never longer than the nearest time limit, so the progress callback
// sees it pass.
CURLcode perform(CURLM* multi, CURL* h, Transfer& t) {
  if (curl_multi_add_handle(multi, h) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode result = CURLE_OK;
  bool done = false;
  while (!done) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left))
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == h) {
        result = msg->data.result;
        done = true;
      }
    if (done || running == 0) break;
    if (t.cancel_flag && t.cancel_flag->load(std::memory_order_acquire)) {
      t.cancelled = true;
      result = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    const Clock::time_point now = Clock::now();
    const Clock::time_point next = std::min(t.last_activity + t.receive_timeout, t.deadline);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
    curl_multi_poll(multi, nullptr, 0, static_cast<int>(std::clamp<long long>(wait + 1, 1, 1000)),
                    nullptr);
  }
  // Removing an unfinished transfer closes its connection; a finished one keeps it for later.
  curl_multi_remove_handle(multi, h);
  return result;
}

}  // namespace

void set_web_test_settings(const WebTestSettings& settings) {
  bool trust_changed = false;
  {
    SettingsState& s = settings_state();
    std::lock_guard lock(s.mutex);
    trust_changed = settings.extra_ca_file != s.settings.extra_ca_file;
    if (trust_changed) s.store.reset();
    s.settings = settings;
  }
  if (trust_changed) connections::empty_pool();
}

Text last_request_error() {
  return last_error;
}

int response_status(const Text& returned_headers) {
  // "HTTP/1.1 503 Service Unavailable": the three digits after the first space.
  if (returned_headers.compare(0, 5, "HTTP/") != 0) return 0;
  const std::size_t space = returned_headers.find(' ');
  if (space == npos || space + 4 > returned_headers.size()) return 0;
  int status = 0;
  for (std::size_t i = space + 1; i < space + 4; ++i) {
    const char c = returned_headers[i];
    if (c < '0' || c > '9') return 0;
    status = status * 10 + (c - '0');
  }
  return status;
}

WebTestSettings web_test_settings() {
  SettingsState& s = settings_state();
  std::lock_guard lock(s.mutex);
  return s.settings;
}

Bytes web_request(const Text& url, int method, const Text& submit_text, Text* cookies,
                  Text* returned_cookies, Text* headers, Text* returned_headers, bool no_redirect,
                  Bytes* submit_bytes, const Text& proxy, bool merge_cookies,
                  RequestCancel* cancel) {
  const Clock::time_point began = Clock::now();
  last_error = gbk<"地址无效">();
  if (method < 0 || method > 7) method = 0;
  const bool secure = lower_ascii(std::string_view(url).substr(0, 8)) == "https://";
  const Text caller_headers = headers ? *headers : Text();
  Text agent = choose_user_agent(caller_headers);
  // The agent fallback may run into a later header line; only its first line is an agent.
  agent.resize(std::min(agent.find_first_of("\r\n"), agent.size()));

  // What the system's client would refuse to open. A line break in the address would go out
  // inside the Referer line and forge header lines, so it is refused here too.
  if (has_line_break(url)) return {};
  const Text host = url_host(url, false);
  int port = url_port(url);
  if (port == 0) port = secure ? 443 : 80;  // the platform's "default port"
  if (!plausible_host(host) || port > 65535) return {};
  last_error = gbk<"网络错误：">() + "no handle";
  BorrowedMulti multi(connections::borrow_multi());
  if (!multi) return {};
  std::unique_ptr<CURL, EasyFree> easy(curl_easy_init());
  if (!easy) return {};
  CURL* h = easy.get();

  // The request is open: from here on the outputs are written.
  const Text block = compose_headers(caller_headers, url, method, cookies ? *cookies : Text());
  if (headers) *headers = block;
  Bytes local_submit;
  Bytes& body_out = submit_bytes ? *submit_bytes : local_submit;
  if (method != 0 && body_out.empty()) body_out = submit_text;

  Text target = secure ? "https://" : "http://";
  target.reserve(url.size() + 16);
  target += host;
  target += ':';
  target += std::to_string(port);
  append_path(target, url_path(url));

  WebTestSettings settings = web_test_settings();
  Transfer t;
  t.handle = h;
  t.receive_timeout = settings.receive_timeout;
  t.deadline = began + settings.transfer_timeout;
  t.cancel_flag = CancelHook::flag(cancel);

  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(h, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(settings.connect_timeout.count()));
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, on_header);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, on_body);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, on_progress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
  // Verification stays on; the authorities come from the process-wide store, not from a file
  // read for every connection.
  curl_easy_setopt(h, CURLOPT_CAINFO, nullptr);
  curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
  curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, on_tls_context);
  curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, &t);
  // An explicit empty no-proxy list keeps no_proxy in the environment out of it as well.
  curl_easy_setopt(h, CURLOPT_NOPROXY, "");
  curl_easy_setopt(h, CURLOPT_MAXAGE_CONN, static_cast<long>(connections::idle_limit.count()));
  if (!cookies) {
    // The process-wide store; "" switches curl's cookie engine on without reading a file.
    curl_easy_setopt(h, CURLOPT_SHARE, connections::share(true));
    curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
  } else {
    curl_easy_setopt(h, CURLOPT_SHARE, connections::share(false));
  }

  std::vector<Text> lines = split(block, "\r\n");
  int verb = method;
  bool send_body = method != 0 && method != 2 && !body_out.empty();
  CURLcode rc = CURLE_OK;
  for (int hop = 0;; ++hop) {
    const bool https_hop = starts_with_ignoring_case(target, "https://");
    // A proxy given for an https address serves every hop; one given for an http address
    // serves http only (the system's "http=" proxy list).
    const char* hop_proxy = proxy.empty() || (!secure && https_hop) ? "" : proxy.c_str();
    curl_easy_setopt(h, CURLOPT_PROXY, hop_proxy);
    curl_easy_setopt(h, CURLOPT_URL, target.c_str());
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    if (verb == 2) {
      curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    } else if (verb == 1 || send_body) {
      curl_easy_setopt(h, CURLOPT_POST, 1L);
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                       static_cast<curl_off_t>(send_body ? body_out.size() : 0));
      curl_easy_setopt(h, CURLOPT_POSTFIELDS, send_body ? body_out.data() : "");
    }
    if (verb > 2) curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verbs[verb]);
    Slist list = header_list(lines, verb == 1 || send_body);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());

    t.reset();
    if (!CancelHook::enter(cancel, multi.get())) {
      t.cancelled = true;
      break;
    }
    rc = perform(multi.get(), h, t);
    CancelHook::leave(cancel, multi.get());
    if (t.timed_out || t.cancelled) {
      // Given up like a send that failed: nothing of it is kept.
      t.body.clear();
      t.head_complete = false;
      break;
    }
    if (rc != CURLE_OK || no_redirect || hop == max_redirects) break;
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308) break;
    char* location = nullptr;
    curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &location);
    if (!location) break;
    const std::string_view next(location);
    const bool next_https = starts_with_ignoring_case(next, "https://");
    // Only http and https; and a secure request is never led back to plain http.
    if (!next_https && !starts_with_ignoring_case(next, "http://")) break;
    if (https_hop && !next_https) break;
    target.assign(next);
    const bool to_get = (status == 303 && verb != 2) || (status <= 302 && verb == 1);
    if (to_get) {
      verb = 0;
      send_body = false;
      std::erase_if(lines,
                    [](const Text& l) { return starts_with_ignoring_case(l, "content-type:"); });
    }
  }
  easy.reset();
  multi.reset();

  if (t.head_complete)
    last_error.clear();
  else if (t.cancelled)
    last_error = gbk<"已取消">();
  else if (t.timed_out)
    last_error = gbk<"连接超时">();
  else
    last_error = describe_failure(rc == CURLE_OK ? CURLE_GOT_NOTHING : rc);

  Text head = t.head_complete && !t.head_too_long ? std::move(t.head) : Text(5000, ' ');
  Text found = extract_response_cookies(head);
  if (merge_cookies && cookies) found = merge_cookie_text(*cookies, found);
  if (returned_cookies) *returned_cookies = std::move(found);
  if (returned_headers) *returned_headers = std::move(head);
  return std::move(t.body);
}

}  // namespace lumetra
