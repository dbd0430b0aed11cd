#include "tests/collect/site_pages.h"

#include "text/gbk.h"

namespace lumetra::testing {
namespace {

Text g(std::string_view utf8) {
  return utf8_to_gbk(utf8);
}

const char* const head = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n";
const char* const noise =
    "<script type=\"text/javascript\">var _hmt = _hmt || []; if (a < b && c > d) {}</script>\r\n";

}  // namespace

std::string catalog_path(int site) {
  switch (site) {
    case 0:
      return "/1_1/";
    case 1:
      return "/html/1/1001/";
    case 2:
      return "/book/9/";
    case 3:
      return "/3/77/";
    default:
      return "/4/";
  }
}

std::string chapter_path(int site, const SampleChapter& chapter) {
  // Sites 1 and 3 link relative to the catalog, the others with an absolute path or address.
  if (site == 1 || site == 3) return catalog_path(site) + chapter.href;
  if (site == 4) return chapter.href.substr(chapter.href.find('/'));
  return chapter.href;
}

Text catalog_page(int site, const Text& title, const std::vector<SampleChapter>& chapters,
                  const std::string& site_base) {
  Text p = head;
  switch (site) {
    case 0:
      p += "<meta property=\"og:novel:book_name\" content=\"" + title + "\"/>\r\n";
      p += "</head>\r\n<body>\r\n" + std::string(noise) + "<div id=\"list\">\r\n<dl>\r\n";
      p += g("<dt>《") + title + g("》正文</dt>\r\n");
      for (const auto& c : chapters)
        p += "<dd><a href=\"" + c.href + "\">" + c.title + "</a></dd>\r\n";
      p += "</dl>\r\n</div>\r\n";
      break;
    case 1:
      p += "<meta property=\"og:title\" content=\"" + title + "\"/> \r\n";
      p += "</head>\r\n<body>\r\n" + std::string(noise) + "<table id=\"at\">\r\n";
      // Two entries to a row, as the site lays out its table.
      for (std::size_t i = 0; i < chapters.size(); i += 2) {
        p += "<tr>";
        for (std::size_t j = i; j < i + 2 && j < chapters.size(); ++j)
          p += "<td class=\"L\"><a href=\"" + chapters[j].href + "\">" + chapters[j].title +
               "</a></td>";
        p += "</tr>\r\n";
      }
      p += "</table>\r\n";
      break;
    case 2:
      p += "<meta property=\"og:novel:book_name\" content=\"" + title + "\"/>\r\n";
      p += "</head>\r\n<body>\r\n" + std::string(noise) + "<div id=\"list\"><dl>\r\n";
      for (const auto& c : chapters)
        p += "<dd><a href=\"" + c.href + "\">" + c.title + "</a></dd>\r\n";
      p += "</dl></div>\r\n";
      break;
    case 3:
      p += "</head>\r\n<body>\r\n<div class=\"info\"><h1>" + title + "</h1></div>\r\n" + noise;
      // A box of the newest chapters above the catalog: its entries are no rows.
      p += g("<div class=\"new\"><h3>最新章节</h3><ul>\r\n");
      p += g("<li><a href=\"999.html\">第九百九十九章 最新</a></li>\r\n");
      p += "</ul></div>\r\n";
      p += g("<!--章节目录-->\r\n<div class=\"list\"><ul>\r\n");
      for (const auto& c : chapters)
        p += "<li><a href=\"" + c.href + "\">" + c.title + "</a></li>\r\n";
      p += "</ul>\r\n<div class=\"clear\"></div>\r\n</div>\r\n";
      break;
    default:
      p += "<meta name=\"copyright\" content=\"" + title + "\" />\r\n";
      p += "</head>\r\n<body>\r\n" + std::string(noise) + "<ul class=\"chapters\">\r\n";
      for (const auto& c : chapters)
        p += "<li><a href=\"" + site_base + chapter_path(4, c) + "\" title=\"" + c.title +
             "\"><span>" + c.title + "</span></a></li>\r\n";
      p += "</ul>\r\n";
      break;
  }
  return p + "</body>\r\n</html>\r\n";
}

Text chapter_page(int site, const Text& raw) {
  Text p = std::string(head) + "<title>chapter</title>\r\n</head>\r\n<body>\r\n" + noise;
  switch (site) {
    case 0:
      return p + "<div id=\"content\">" + raw +
             "</div>\r\n<script>read3();</script><script>bdshare();</script>\r\n</body>\r\n</"
             "html>\r\n";
    case 1:
      return p + "<dl><dd id=\"contents\">" + raw + "</dd>\r\n</dl>\r\n</body>\r\n</html>\r\n";
    case 2:
      return p + "<div id=\"content\">\r\n" + raw + "</div>\r\n</body>\r\n</html>\r\n";
    case 3:
      return p + "<div id=\"content\">&nbsp;&nbsp;&nbsp;&nbsp;" + raw +
             "</div>\r\n</body>\r\n</html>\r\n";
    default:
      return p + "<div class=\"txt fon_size\" id=\"readcon\">\r\n" + raw + g("阅读悦,阅读悦精彩!") +
             "</div>\r\n</body>\r\n</html>\r\n";
  }
}

Text sample_title(int site) {
  static const char* const titles[] = {"剑来", "雪中悍刀行", "诡秘之主", "凡人修仙传", "遮天"};
  return g(titles[site]);
}

std::vector<SampleChapter> sample_chapters(int site, const std::string& host) {
  switch (site) {
    case 0:
      return {
          {g("第一章 惊蛰"), "/1_1/1.html",
           g("&nbsp;&nbsp;&nbsp;&nbsp;少年站在门口。<br />\r\n<br />\r\n&nbsp;&nbsp;&nbsp;&nbsp;"
             "(小说屋 www.xiaoshuowu.com)天亮了。\r\n"),
           g("少年站在门口。\r\n\r\n天亮了。\r\n\r\n")},
          // A marker that only forms once the first cleaning has removed "<p>" from inside it.
          {g("第二章 开门 &amp; 见山"), "/1_1/2.html",
           g("&nbsp;&nbsp;&nbsp;&nbsp;第二章正文<<p>p>&quot;引&quot;<br/>结束<script>readx();</"
             "script>\r\n"),
           g("第二章正文引结束\r\n\r\n")},
      };
    case 1:
      return {
          {g("第一章 小二上酒"), "1.html",
           g("第一段<br /><br />第二段顶 点 小 说 Ｘ ２３ Ｕ Ｓ．Ｃ ＯＭ<br />单行"),
           g("第一段\r\n第二段<br />单行")},
          {g("第二章 白狐儿脸"), "2.html",
           g("更新最快顶点小说Ｘ２３ＵＳ．ＣＯＭ正文２３ＵＳ．ＣＯＭ"), g("正文")},
          {g("第三章 &lt;上&gt;"), "3.html", g("顶 点 小 说三"), g("三")},
      };
    case 2:
      return {
          {g("第一章 绯红"), "/book/9/1.html",
           g("　　痛！<br />\r\n恋上你看书网 ") + host + g("<br>好痛！\r\n"),
           g("\n　　痛！\r\n好痛！\r\n")},
          {g("第二章 笔记"), "/book/9/2.html", g("第二章。"), g("\n第二章。")},
      };
    case 3:
      return {
          {g("第一章 山边小村"), "1.html",
           g("二愣子睁大着双眼。<br />精彩阅读·尽在·无名小说网（<a "
             "href=\"http://www.wumingxs.com\" "
             "target=\"_blank\">www.wumingxs.com</a>）<br />\r\n"
             "手机看书，尽在·无名小说手机版M.wumingxs.coM</p>"),
           g("二愣子睁大着双眼。\r\n")},
          {g("第二章 青牛镇"), "2.html",
           g("韩立。手机看好书·尽在·无名小说手机版（m.wumingxs.com）</p>\r\n"), g("韩立。\r\n")},
      };
    default:
      return {
          {g("第一章 星空"), host + "/4/1.html",
           g("冰冷与黑暗。<br />(meikewenxue 美克文学网 www.meikewenxue.com)\r\n"),
           g("\n冰冷与黑暗。\r\n")},
          {g("第二章 九龙"), host + "/4/2.html", g("<p>九龙拉棺。&nbsp;\r\n"),
           g("\n九龙拉棺。\r\n")},
      };
  }
}

std::vector<SampleChapter> generated_chapters(int site, const std::string& host, int count,
                                              std::size_t bytes) {
  static const char* const sentences[] = {
      "天色渐暗，山间的小路上只剩下他一个人的脚步声。",
      "他停下来，望着远处的灯火，心里说不出是什么滋味。",
      "风从林子里吹过来，带着一点潮湿的气息。",
      "“走吧，”他对自己说，“天亮之前还得赶到镇上。”",
  };
  const Text watermark = g("(小说屋 www.xiaoshuowu.com)");
  std::vector<SampleChapter> out;
  for (int i = 1; i <= count; ++i) {
    SampleChapter c;
    c.title = g("第") + std::to_string(i) + g("章 夜路");
    const std::string file = std::to_string(i) + ".html";
    c.href = site == 1 || site == 3 ? file
             : site == 4            ? host + catalog_path(4) + file
                                    : catalog_path(site) + file;
    for (int k = 0; c.raw.size() < bytes; ++k) {
      const Text paragraph = g(sentences[(i + k) % 4]) + (k == 1 ? watermark : Text());
      switch (site) {
        case 1:
          c.raw += paragraph + "<br /><br />";
          break;
        case 3:
          c.raw += paragraph + "<br />\r\n&nbsp;&nbsp;&nbsp;&nbsp;";
          break;
        default:
          c.raw += "&nbsp;&nbsp;&nbsp;&nbsp;" + paragraph + "<br />\r\n";
          break;
      }
    }
    out.push_back(std::move(c));
  }
  return out;
}

}  // namespace lumetra::testing
