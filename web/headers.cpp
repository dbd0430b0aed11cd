// The agent text and the request header block built from a caller's header lines.
#include "web/web.h"

namespace lumetra {

Text choose_user_agent(const Text& headers) {
  if (!contains(headers, "User-Agent:", true)) return default_user_agent;
  Text agent = trim_spaces(text_between(headers + "\r\n", "User-Agent:", "\r\n"));
  if (agent.empty()) {
    std::size_t colon = find_text(headers, ":");
    if (colon != npos) agent = trim_spaces(std::string_view(headers).substr(colon + 1));
  }
  return agent;
}

Text compose_headers(const Text& headers, const Text& url, int method, const Text& cookies) {
  Text block = headers;
  block.reserve(headers.size() + url.size() + cookies.size() + 128);
  // Each test sees the lines added before it; names are compared exactly, anywhere in the text.
  if (block.empty())
    block = "Accept: */*";
  else if (!contains(block, "Accept:"))
    block += "\r\nAccept: */*";
  if (!contains(block, "Referer:")) block += "\r\nReferer: " + url;
  if (!contains(block, "Accept-Language:")) block += "\r\nAccept-Language: zh-cn";
  if (method == 1 && !contains(block, "Content-Type:"))
    block += "\r\nContent-Type: application/x-www-form-urlencoded";
  if (!cookies.empty()) block += (contains(cookies, "Cookie:") ? "\r\n" : "\r\nCookie: ") + cookies;
  return block;
}

}  // namespace lumetra
