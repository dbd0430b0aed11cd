#include "collect/sites.h"

#include "text/gbk.h"

namespace lumetra {
namespace {

Text without_www(const Text& host) {
  return host.rfind("www.", 0) == 0 ? host.substr(4) : host;
}

// The full-width host with an ASCII blank after its 1st, 3rd, 4th and 7th characters, as one
// site spreads it through its pages.
Text spread_full_width(const Text& ascii) {
  Text out;
  for (std::size_t i = 0; i < ascii.size(); ++i) {
    out += full_width(ascii.substr(i, 1));
    if (i == 0 || i == 2 || i == 3 || i == 6) out += ' ';
  }
  return out;
}

// First and last letter in upper case, every other letter in lower case.
Text outer_letters_upper(const Text& host) {
  Text out = lower_ascii(host);
  auto is_letter = [](char c) { return c >= 'a' && c <= 'z'; };
  std::size_t first = 0, last = out.size();
  while (first < out.size() && !is_letter(out[first])) ++first;
  while (last > 0 && !is_letter(out[last - 1])) --last;
  if (first < out.size()) out[first] = static_cast<char>(out[first] - 'a' + 'A');
  if (last > 0 && last - 1 != first) out[last - 1] = static_cast<char>(out[last - 1] - 'a' + 'A');
  return out;
}

SiteTable make_built_in() {
  SiteTable t;
  t.sites = {{
      {.name = gbk<"笔趣阁">(),
       .host = "www.biquge.info",
       .catalog_method = 0,
       .catalog_pattern = "><a href=\"(.*?)\">(.*?)</a></dd>",
       .link_base = LinkBase::host,
       .title_pattern = "<meta property=\"og:novel:book_name\" content=\"(.*?)\"/>\r",
       .dispatch_before_title = false,
       .left_delimiter = "<div id=\"content\">",
       .right_delimiter = "<script>read3();</script><script>bdshare();</script>\r",
       .home_page = "http://www.biquge.info"},
      {.name = gbk<"顶点小说">(),
       .host = "www.x23us.com",
       .catalog_method = 0,
       .catalog_pattern = "<a href=\"(.*?)\">(.*?)</a></td>",
       .link_base = LinkBase::catalog_address,
       .title_pattern = "<meta property=\"og:title\" content=\"(.*?)\"/> \r",
       .dispatch_before_title = false,
       .left_delimiter = "<dd id=\"contents\">",
       .right_delimiter = "</dd>\r",
       .home_page = "https://www.x23us.com/"},
      {.name = gbk<"恋上你看书">(),
       .host = "www.230book.com",
       .catalog_method = 1,
       .catalog_pattern = "<a href=\"(.*?)\">(.*?)</a></dd>",
       .link_base = LinkBase::host,
       .title_pattern = "<meta property=\"og:novel:book_name\" content=\"(.*?)\"/>",
       .dispatch_before_title = true,
       .left_delimiter = "<div id=\"content\">\r",
       .right_delimiter = "</div>\r",
       .home_page = "http://www.230book.com"},
      {.name = gbk<"无名小说">(),
       .host = "www.wumingxs.com",
       .catalog_method = 0,
       .catalog_pattern = "<li><a href=\"(.*?)\">(.*?)</a></li>\r",
       .link_base = LinkBase::catalog_address,
       .title_pattern = "<h1>(.*?)</h1>",
       .dispatch_before_title = false,
       .left_delimiter = "&nbsp;&nbsp;&nbsp;&nbsp;",
       .right_delimiter = "</div>\r",
       .home_page = "https://www.wumingxs.com"},
      {.name = gbk<"阅读悦">(),
       .host = "www.yueduyue.com",
       .catalog_method = 1,
       .catalog_pattern = "<li><a href=\"http://(.*?)\" title=\"(.*?)\">.*</a></li>\r",
       .link_base = LinkBase::none,
       .title_pattern = "<meta name=\"copyright\" content=\"(.*?)\" />",
       .dispatch_before_title = true,
       .left_delimiter = "<div class=\"txt fon_size\" id=\"readcon\">\r",
       .right_delimiter = gbk<"阅读悦,阅读悦精彩!">(),
       .home_page = "http://www.yueduyue.com"},
  }};
  t.slice_left = gbk<"<!--章节目录-->\r">();
  t.slice_right = "<div class=\"clear\"></div>\r";
  t.wuming_mobile_host = "m.wumingxs.com";
  t.xiaoshuowu_host = "www.xiaoshuowu.com";
  t.meikewenxue_host = "www.meikewenxue.com";
  return t;
}

}  // namespace

Text full_width(const Text& ascii) {
  // The full-width forms of ASCII 0x21..0x7E are the code page's row 0xA3.
  Text out;
  for (char c : upper_ascii(ascii)) {
    if (c > 0x20 && c < 0x7F) {
      out += '\xA3';
      out += static_cast<char>(static_cast<unsigned char>(c) | 0x80);
    } else {
      out += c;
    }
  }
  return out;
}

Text SiteTable::entry(int index) const {
  const Site& s = sites.at(index);
  return s.name + gbk<"（">() + s.host + gbk<"）">();
}

std::vector<Text> SiteTable::entries() const {
  std::vector<Text> out;
  for (int i = 0; i < site_count; ++i) out.push_back(entry(i));
  return out;
}

const SiteTable& built_in_sites() {
  static const SiteTable table = make_built_in();
  return table;
}

std::vector<CleaningStep> cleaning_steps(const SiteTable& t) {
  const Text x23us = without_www(t.sites[1].host);
  const Text wuming = lower_ascii(t.sites[3].host);
  const Text mobile = t.wuming_mobile_host;
  const Text full = full_width(x23us);
  return {
      {-1, "<p>", ""},
      {-1, "&nbsp;", ""},
      {-1, gbk<"(小说屋 ">() + lower_ascii(t.xiaoshuowu_host) + ")", ""},
      {-1, "&quot;", ""},
      {-1, "</div>", ""},
      {-1, gbk<"(meikewenxue 美克文学网 ">() + lower_ascii(t.meikewenxue_host) + ")", ""},
      {-1, "<script>readx();</script>", ""},
      {-1, "<br/>", ""},
      {1, "<br /><br />", "\r\n"},
      {1, full, ""},
      {1, gbk<"顶 点 小 说 ">() + spread_full_width(x23us), ""},
      {1, gbk<"顶 点 小 说">(), ""},
      {1, gbk<"顶点小说">(), ""},
      {1, gbk<"更新最快">(), ""},
      {1, full.substr(2), ""},
      {4, "<br />", ""},
      {0, "<br />", ""},
      {3,
       gbk<"精彩阅读·尽在·无名小说网（<a href=\"http://">() + wuming + "\" target=\"_blank\">" +
           wuming + gbk<"</a>）<br />">(),
       ""},
      {3, "<br />", ""},
      {3, gbk<"手机看书，尽在·无名小说手机版">() + outer_letters_upper(mobile) + "</p>", ""},
      {3, gbk<"手机看好书·尽在·无名小说手机版（">() + lower_ascii(mobile) + gbk<"）</p>">(), ""},
      {2, "<br />", ""},
      {2, gbk<"恋上你看书网 ">() + upper_ascii(t.sites[2].host), ""},
      {2, "<br>", ""},
  };
}

}  // namespace lumetra
