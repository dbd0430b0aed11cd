// What every call shares: curl's global state, two curl shares and the pool of multi handles.
#include "web/connections.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <vector>

namespace lumetra {
namespace connections {
namespace {

using Clock = std::chrono::steady_clock;

// A multi handle keeps a few connections: one per site a call went to, in practice.
constexpr long connections_per_pool_entry = 4;

struct Share {
  CURLSH* handle = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
};

struct Global {
  Share with_cookies;     // calls that let the client keep cookies
  Share without_cookies;  // calls that bring their own: the same caches, no cookie store
  std::string system_ca_file, system_ca_path;
};

void lock_share(CURL*, curl_lock_data data, curl_lock_access, void* user) {
  static_cast<Share*>(user)->locks[data].lock();
}
void unlock_share(CURL*, curl_lock_data data, void* user) {
  static_cast<Share*>(user)->locks[data].unlock();
}

void make_share(Share& share, bool cookies) {
  share.handle = curl_share_init();
  curl_share_setopt(share.handle, CURLSHOPT_LOCKFUNC, lock_share);
  curl_share_setopt(share.handle, CURLSHOPT_UNLOCKFUNC, unlock_share);
  curl_share_setopt(share.handle, CURLSHOPT_USERDATA, &share);
  curl_share_setopt(share.handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  curl_share_setopt(share.handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  if (cookies) curl_share_setopt(share.handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
}

// Made once and never destroyed: requests may still run on other threads while the process ends.
Global& global() {
  static std::once_flag once;
  static Global* g = nullptr;
  std::call_once(once, [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    g = new Global;
    make_share(g->with_cookies, true);
    make_share(g->without_cookies, false);
    // Where this curl build finds the system's authorities.
    if (CURL* probe = curl_easy_init()) {
      char* file = nullptr;
      char* path = nullptr;
      curl_easy_getinfo(probe, CURLINFO_CAINFO, &file);
      curl_easy_getinfo(probe, CURLINFO_CAPATH, &path);
      if (file) g->system_ca_file = file;
      if (path) g->system_ca_path = path;
      curl_easy_cleanup(probe);
    }
  });
  return *g;
}

// curl_global_init is not safe against other threads using curl: run it while the program
// loads, before any thread exists; call_once covers a call that comes even earlier.
[[maybe_unused]] const bool global_ready = (global(), true);

// Multi handles not in use, each with the connections it keeps, the one returned last at the
// back. Made once and never destroyed, as the global state.
struct Pool {
  struct Idle {
    CURLM* multi;
    Clock::time_point since;
  };
  std::mutex mutex;
  std::vector<Idle> idle;
};

Pool& pool() {
  static Pool* p = new Pool;
  return *p;
}

void cleanup_all(const std::vector<CURLM*>& multis) {
  for (CURLM* m : multis) curl_multi_cleanup(m);
}

}  // namespace

// Those idle too long go first, closing their connections.
CURLM* borrow_multi() {
  Pool& p = pool();
  std::vector<CURLM*> stale;
  CURLM* multi = nullptr;
  {
    std::lock_guard lock(p.mutex);
    const Clock::time_point oldest = Clock::now() - idle_limit;
    auto fresh = std::find_if(p.idle.begin(), p.idle.end(),
                              [&](const Pool::Idle& i) { return i.since >= oldest; });
    for (auto it = p.idle.begin(); it != fresh; ++it) stale.push_back(it->multi);
    p.idle.erase(p.idle.begin(), fresh);
    if (!p.idle.empty()) {
      multi = p.idle.back().multi;
      p.idle.pop_back();
    }
  }
  cleanup_all(stale);
  if (!multi && (multi = curl_multi_init()))
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, connections_per_pool_entry);
  return multi;
}

CURLSH* share(bool with_cookies) {
  return with_cookies ? global().with_cookies.handle : global().without_cookies.handle;
}
const std::string& system_ca_file() {
  return global().system_ca_file;
}
const std::string& system_ca_path() {
  return global().system_ca_path;
}

void return_multi(CURLM* multi) {
  Pool& p = pool();
  std::lock_guard lock(p.mutex);
  p.idle.push_back({multi, Clock::now()});
}

// Closes every kept connection: one made under other trust settings must not be reused.
void empty_pool() {
  Pool& p = pool();
  std::vector<CURLM*> all;
  {
    std::lock_guard lock(p.mutex);
    for (const Pool::Idle& i : p.idle) all.push_back(i.multi);
    p.idle.clear();
  }
  cleanup_all(all);
}

}  // namespace connections

struct RequestCancel::Impl {
  std::atomic<bool> cancelled{false};
  std::mutex mutex;
  std::vector<CURLM*> waiting;  // multi handles of the calls in flight
};

RequestCancel::RequestCancel() : impl_(std::make_unique<Impl>()) {}
RequestCancel::~RequestCancel() = default;

void RequestCancel::cancel() {
  std::lock_guard lock(impl_->mutex);
  impl_->cancelled.store(true, std::memory_order_release);
  // A call leaves the list under this lock before its handle goes back to the pool.
  for (CURLM* m : impl_->waiting) curl_multi_wakeup(m);
}

bool RequestCancel::cancelled() const {
  return impl_->cancelled.load(std::memory_order_acquire);
}

bool CancelHook::enter(RequestCancel* c, CURLM* multi) {
  if (!c) return true;
  std::lock_guard lock(c->impl_->mutex);
  if (c->cancelled()) return false;
  c->impl_->waiting.push_back(multi);
  return true;
}

void CancelHook::leave(RequestCancel* c, CURLM* multi) {
  if (!c) return;
  std::lock_guard lock(c->impl_->mutex);
  std::erase(c->impl_->waiting, multi);
}

const std::atomic<bool>* CancelHook::flag(RequestCancel* c) {
  return c ? &c->impl_->cancelled : nullptr;
}

}  // namespace lumetra
