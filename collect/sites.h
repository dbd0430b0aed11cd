// The five supported sites, as one table of data.
//
// Usage: `built_in_sites()` is the table the program uses; a test copies it and points hosts at
// 127.0.0.1. `cleaning_steps(table)` gives the literal replacements that clean a chapter, with
// the watermarks built from the table's hosts. All texts are GBK bytes.
#pragma once

#include <array>
#include <vector>

#include "text/text.h"

namespace lumetra {

inline constexpr int site_count = 5;

enum class LinkBase {
  host,             // the site's web host, without scheme
  catalog_address,  // the catalog address exactly as typed
  none,             // the captured link alone
};

struct Site {
  Text name;
  Text host;               // the web host, without scheme and trailing "/"
  int catalog_method = 0;  // 0 GET, 1 POST with an empty body
  Text catalog_pattern;    // group 1 the link, group 2 the title
  LinkBase link_base = LinkBase::host;
  Text title_pattern;  // group 1 the book title
  bool dispatch_before_title = false;
  Text left_delimiter, right_delimiter;
  Text home_page;
};

struct SiteTable {
  std::array<Site, site_count> sites;
  // Site index 3 parses only the part of its catalog page between these two markers.
  Text slice_left, slice_right;
  Text wuming_mobile_host;
  // Hosts of two sites whose watermarks appear on every site's pages.
  Text xiaoshuowu_host, meikewenxue_host;

  // The site list's entry: the name, then the host in full-width parentheses.
  Text entry(int index) const;
  std::vector<Text> entries() const;
};

const SiteTable& built_in_sites();

// One literal replacement of the cleaning sequence; `site` -1 applies to every site.
struct CleaningStep {
  int site;
  Text find, replacement;
};
std::vector<CleaningStep> cleaning_steps(const SiteTable& table);

// "x23us.com" in full-width characters of the code page ("Ｘ２３ＵＳ．ＣＯＭ").
Text full_width(const Text& ascii);

}  // namespace lumetra
