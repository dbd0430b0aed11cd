// What every web_request call shares inside the process, for the module's own files: curl's
// global state, the curl shares (cookies, TLS sessions, host names; guarded by mutexes) and the
// pool of kept-alive connections.
//
// curl cannot share one connection cache between threads, so the pool holds multi handles,
// each with its own cache and used by one call at a time: a call borrows the one returned last
// (the warmest connections) and gives it back. All of it is made once and never destroyed:
// calls may still run on other threads while the process ends.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <string>

#include "web/web.h"

namespace lumetra {
namespace connections {

// A kept connection idle this long is closed rather than reused.
inline constexpr auto idle_limit = std::chrono::seconds(60);

// The share of calls that let the client keep cookies, or of those that bring their own.
CURLSH* share(bool with_cookies);
// Where this curl build finds the system's authorities (either may be empty).
const std::string& system_ca_file();
const std::string& system_ca_path();

// Any thread. A multi handle for one call, with the connections it keeps; null when curl has
// none to give. Give it back when the call is over.
CURLM* borrow_multi();
void return_multi(CURLM* multi);
// Closes every kept connection that no call is using.
void empty_pool();

}  // namespace connections

// How a call takes part in a `RequestCancel`.
struct CancelHook {
  // Notes the call's multi handle, so that cancelling wakes it; false when the call must not
  // start because the cancellation came first.
  static bool enter(RequestCancel* cancel, CURLM* multi);
  static void leave(RequestCancel* cancel, CURLM* multi);
  static const std::atomic<bool>* flag(RequestCancel* cancel);
};

}  // namespace lumetra
