// The regular-expression object: runs a pattern over a GBK subject and keeps the matches.
//
// Usage: `search(pattern, subject)` (ignore case, multiline and global by default), then
// `match_count()` and `match_text(n)` / `submatch_text(n, g)` with numbers counted from 1.
// Matching works on characters (a double-byte character is one), and every returned text is cut
// from the subject's own bytes. A refused pattern makes `search` return false; reads outside the
// matches give empty text or 0. One thread at a time per object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "text/text.h"

namespace lumetra {

class Regex {
 public:
  Regex();
  ~Regex();
  Regex(const Regex&) = delete;
  Regex& operator=(const Regex&) = delete;

  // Shares the compiled engine and the match list, copies the subject.
  std::unique_ptr<Regex> clone() const;
  bool search(const Text& pattern, const Text& subject, bool case_sensitive = false,
              bool multiline = true, bool global = true, bool quote_escape = false);
  void no_operation() {}
  Text pattern() const;
  Text replace(const Text& replacement) const;
  int match_count() const;
  // `position`, when given, receives the 0-based byte offset of the text within the subject
  // (npos when there is no such match or group).
  Text match_text(int match, std::size_t* position = nullptr) const;
  Text submatch_text(int match, int group, std::size_t* position = nullptr) const;
  int group_count() const;

 private:
  struct Engine;   // the compiled pattern and its options
  struct Matches;  // the match list of the last search
  // Slot 0 is the whole match, slot g group g; empty text and npos outside the matches.
  Text cut(int match, int slot, std::size_t* position) const;
  std::shared_ptr<const Engine> engine_;
  std::shared_ptr<const Matches> matches_;
  Text subject_;
  // Decoding buffers kept from search to search: the subject's characters and their offsets.
  std::vector<std::uint32_t> units_;
  std::vector<std::uint32_t> offsets_;
};

}  // namespace lumetra
