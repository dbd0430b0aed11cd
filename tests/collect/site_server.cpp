#include "tests/collect/site_server.h"

namespace lumetra::testing {

SiteServer::SiteServer() : server_([this](const HttpRequest& r) { return answer(r); }) {}

void SiteServer::put(const std::string& path, const Text& body, int failures,
                     std::chrono::milliseconds delay) {
  HttpResponse busy;
  busy.status = 503;
  busy.reason = "Service Unavailable";
  busy.body = "<html><body>busy</body></html>\r\n";
  std::lock_guard lock(mutex_);
  pages_[path] = Page{body, delay, std::deque<HttpResponse>(failures, busy), {}, {}};
}

void SiteServer::script(const std::string& path, std::vector<HttpResponse> answers) {
  std::lock_guard lock(mutex_);
  Page& page = pages_[path];
  page.script.assign(answers.begin(), answers.end());
}

std::string SiteServer::host() const {
  return "127.0.0.1:" + std::to_string(server_.port());
}

std::string SiteServer::url(const std::string& path) const {
  return "http://" + host() + path;
}

int SiteServer::hits(const std::string& path) const {
  return static_cast<int>(hit_times(path).size());
}

std::vector<std::chrono::steady_clock::time_point> SiteServer::hit_times(
    const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto it = pages_.find(path);
  return it == pages_.end() ? std::vector<std::chrono::steady_clock::time_point>{}
                            : it->second.hit_times;
}

std::string SiteServer::last_method(const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto it = pages_.find(path);
  return it == pages_.end() ? std::string() : it->second.last_method;
}

HttpResponse SiteServer::answer(const HttpRequest& request) {
  HttpResponse response;
  response.headers = {{"Content-Type", "text/html; charset=gbk"}};
  std::lock_guard lock(mutex_);
  auto it = pages_.find(request.target);
  if (it == pages_.end()) {
    response.status = 404;
    response.reason = "Not Found";
    response.body = "<html><body>404</body></html>\r\n";
    return response;
  }
  Page& page = it->second;
  page.hit_times.push_back(std::chrono::steady_clock::now());
  page.last_method = request.method;
  response.delay = page.delay;
  if (!page.script.empty()) {
    response = std::move(page.script.front());
    page.script.pop_front();
    return response;
  }
  response.body = page.body;
  return response;
}

}  // namespace lumetra::testing
