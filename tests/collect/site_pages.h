// Catalog and chapter pages in the shape each of the five sites sends them: GBK bytes, lines
// ended by CR LF, the markup the site's patterns and delimiters expect, and noise around it.
#pragma once

#include <string>
#include <vector>

#include "text/text.h"

namespace lumetra::testing {

struct SampleChapter {
  Text title;        // as the catalog shows it
  std::string href;  // as the catalog links it
  Text raw;          // the chapter's text as the page holds it, markup and watermarks included
  Text clean;        // what the chapter file must hold after the title
};

// The catalog page. `site_base` ("http://host") is where site 4's absolute links point.
Text catalog_page(int site, const Text& book_title, const std::vector<SampleChapter>& chapters,
                  const std::string& site_base);
// A chapter page around the chapter's raw text.
Text chapter_page(int site, const Text& raw);

// A small book per site, with the site's markup and watermarks in its chapters and the text
// each chapter must come out as. `host` is the test server's "127.0.0.1:PORT".
std::vector<SampleChapter> sample_chapters(int site, const std::string& host);
Text sample_title(int site);

// A longer book of `count` chapters of about `bytes` bytes each, in the site's markup, for the
// demo site and the benchmark; `clean` is left empty.
std::vector<SampleChapter> generated_chapters(int site, const std::string& host, int count,
                                              std::size_t bytes);

// Where the catalog lives and what a person types for it; the chapters' hrefs are relative
// to the catalog for the sites whose link base is the catalog address.
std::string catalog_path(int site);
// The path on the server that a chapter's link reaches.
std::string chapter_path(int site, const SampleChapter& chapter);

}  // namespace lumetra::testing
