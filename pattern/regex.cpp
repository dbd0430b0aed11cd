#include "pattern/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 32
#include <pcre2.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "text/gbk.h"

namespace lumetra {

struct Regex::Engine {
  Text pattern;                // as written to the engine: after the quote escape
  pcre2_code* code = nullptr;  // null when the pattern was refused

  Engine() = default;
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine() { pcre2_code_free(code); }
};

struct Regex::Matches {
  std::size_t groups = 0;  // capture groups of the pattern
  // Per match, groups + 1 pairs of byte offsets (begin, end) into the subject: the whole match
  // first, then each group; a group that did not take part holds npos twice.
  std::vector<std::size_t> spans;

  std::size_t count() const { return spans.size() / (2 * (groups + 1)); }
  const std::size_t* span(std::size_t match, std::size_t slot) const {
    return &spans[2 * (match * (groups + 1) + slot)];
  }
};

namespace {

// Characters that code page 936 does not define get a private-use character of their own in
// plane 15, so two different undefined pairs never match each other. A byte that forms no pair
// maps below every pair (its value is under 0x100, a pair's at least 0x8000).
constexpr char32_t kUndefinedBase = 0xF0000;

using Offset = std::uint32_t;  // subjects stay under 4 GiB, checked by search
static_assert(std::is_same_v<PCRE2_UCHAR, std::uint32_t>);

// Pairs by ((lead - 0x80) << 8 | trail): the Unicode character, or the private-use one for a
// pair that code page 936 does not define. One lookup per double-byte character.
const char32_t* pair_chars() {
  static const char32_t* table = [] {
    auto* t = new char32_t[0x8000];
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
      for (unsigned trail = 0; trail <= 0xFF; ++trail) {
        char32_t c = gbk_char(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
        t[(lead - 0x80) << 8 | trail] = c ? c : kUndefinedBase + (lead << 8 | trail);
      }
    }
    return t;
  }();
  return table;
}

// Decodes `text` into characters in `units`, and with `offsets` the byte offset where each
// character starts plus one more entry, the text's length, so every match is cut from the
// original bytes. Both buffers only grow: the shared instance reuses them page after page.
// Returns the number of characters.
template <bool kOffsets>
std::size_t decode(std::string_view text, std::vector<PCRE2_UCHAR>& units,
                   std::vector<Offset>& offsets) {
  const std::size_t n = text.size();
  if (units.size() < n + 1) units.resize(n + 1);
  if (kOffsets && offsets.size() < n + 1) offsets.resize(n + 1);
  const char32_t* pairs = pair_chars();
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  PCRE2_UCHAR* out = units.data();
  Offset* at = offsets.data();
  std::size_t i = 0, k = 0;
  while (i < n) {
    // Runs of ASCII, eight bytes at a time: most of a page is markup.
    for (std::uint64_t word; i + 8 <= n; i += 8, k += 8) {
      std::memcpy(&word, bytes + i, 8);
      if (word & 0x8080808080808080u) break;
      for (int j = 0; j < 8; ++j) out[k + j] = bytes[i + j];
      if constexpr (kOffsets)
        for (int j = 0; j < 8; ++j) at[k + j] = static_cast<Offset>(i + j);
    }
    // Then character by character up to the next ASCII run or the end.
    for (; i < n; ++k) {
      unsigned char b = bytes[i];
      if constexpr (kOffsets) at[k] = static_cast<Offset>(i);
      if (b < 0x80) {
        out[k++] = b;
        ++i;
        break;
      }
      // A lead byte without a byte that can follow it is a character by itself, so the
      // markup after a broken character is still seen.
      if (i + 1 < n && is_lead_byte(b) && is_trail_byte(bytes[i + 1])) {
        out[k] = pairs[(b - 0x80) << 8 | bytes[i + 1]];
        i += 2;
      } else {
        out[k] = kUndefinedBase + b;
        ++i;
      }
    }
  }
  if constexpr (kOffsets) at[k] = static_cast<Offset>(n);
  return k;
}

// On the platform "^" and "$" under multiline also see a carriage return as a line end, while
// PCRE2 knows one newline (line feed, so that "." still matches a carriage return). The anchors
// outside character classes are widened to take the carriage return as well.
std::u32string widen_anchors(const PCRE2_UCHAR* p, std::size_t n) {
  std::u32string out;
  out.reserve(n + 16);
  bool in_class = false;
  std::size_t class_start = 0;  // index of the first member of the current class
  for (std::size_t i = 0; i < n;) {
    char32_t c = p[i];
    if (c == '\\') {
      if (i + 1 < n && p[i + 1] == 'Q') {  // \Q...\E is literal, anchors included
        std::size_t j = i + 2;
        while (j < n && !(p[j] == '\\' && j + 1 < n && p[j + 1] == 'E')) ++j;
        j = j < n ? j + 2 : n;
        out.append(p + i, p + j);
        i = j;
        continue;
      }
      std::size_t j = i + 2 <= n ? i + 2 : n;
      out.append(p + i, p + j);
      i = j;
      continue;
    }
    if (in_class) {
      if (c == '[' && i + 1 < n && (p[i + 1] == ':' || p[i + 1] == '.' || p[i + 1] == '=')) {
        char32_t kind = p[i + 1];  // a POSIX class such as [:alpha:] ends at its own ":]"
        std::size_t j = i + 2;
        while (j + 1 < n && !(p[j] == kind && p[j + 1] == ']')) ++j;
        j = j + 1 < n ? j + 2 : n;
        out.append(p + i, p + j);
        i = j;
        continue;
      }
      if (c == ']' && i != class_start) in_class = false;
      out += c;
      ++i;
      continue;
    }
    if (c == '[') {
      in_class = true;
      class_start = i + 1 < n && p[i + 1] == '^' ? i + 2 : i + 1;
      out.append(p + i, p + class_start);
      i = class_start;
      continue;
    }
    if (c == '(' && i + 2 < n && p[i + 1] == '?' && p[i + 2] == '#') {  // a comment
      std::size_t j = i + 3;
      while (j < n && p[j] != ')') ++j;
      j = j < n ? j + 1 : n;
      out.append(p + i, p + j);
      i = j;
      continue;
    }
    if (c == '^')
      out += U"(?:^|(?<=\r))";
    else if (c == '$')
      out += U"(?=\r|$)";
    else
      out += c;
    ++i;
  }
  return out;
}

struct CodeDeleter {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct CompileContextDeleter {
  void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct MatchContextDeleter {
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct JitStackDeleter {
  void operator()(pcre2_jit_stack* p) const { pcre2_jit_stack_free(p); }
};

pcre2_code* compile(const Text& pattern, bool case_sensitive, bool multiline) {
  std::vector<PCRE2_UCHAR> decoded;
  std::vector<Offset> unused;
  std::size_t length = decode<false>(pattern, decoded, unused);
  const PCRE2_UCHAR* units = decoded.data();
  std::u32string widened;
  if (multiline) {
    widened = widen_anchors(units, length);
    units = reinterpret_cast<const PCRE2_UCHAR*>(widened.data());
    length = widened.size();
  }
  // UTF for caseless folding beyond ASCII (full-width letters); no UCP, so \d \w \s stay ASCII
  // as on the platform. ALT_BSUX reads \xhh and \uhhhh as the platform's syntax does; an unset
  // group's backreference matches the empty text there too.
  uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
                     PCRE2_NEVER_BACKSLASH_C |
                     (multiline ? PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX : PCRE2_DOLLAR_ENDONLY);
  if (!case_sensitive) options |= PCRE2_CASELESS;
  std::unique_ptr<pcre2_compile_context, CompileContextDeleter> context(
      pcre2_compile_context_create(nullptr));
  if (!context) return nullptr;
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  pcre2_code* code = pcre2_compile(units, length, options, &error, &error_offset, context.get());
  if (code) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);  // without JIT the interpreter runs
  return code;
}

}  // namespace

Regex::Regex() = default;
Regex::~Regex() = default;

std::unique_ptr<Regex> Regex::clone() const {
  auto copy = std::make_unique<Regex>();
  copy->engine_ = engine_;
  copy->matches_ = matches_;
  copy->subject_ = subject_;
  return copy;
}

bool Regex::search(const Text& pattern, const Text& subject, bool case_sensitive, bool multiline,
                   bool global, bool quote_escape) {
  engine_.reset();
  matches_.reset();
  auto engine = std::make_shared<Engine>();
  engine->pattern = quote_escape ? replace_all(pattern, quote_marker(), "\"") : pattern;
  engine->code = compile(engine->pattern, case_sensitive, multiline);
  engine_ = engine;
  subject_ = subject;
  if (!engine->code) return false;
  if (subject_.size() >= UINT32_MAX) return false;  // beyond the offset map: no collection

  uint32_t capture_count = 0;
  pcre2_pattern_info(engine->code, PCRE2_INFO_CAPTURECOUNT, &capture_count);

  std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
      pcre2_match_data_create_from_pattern(engine->code, nullptr));
  std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(
      pcre2_match_context_create(nullptr));
  // A repeated group over a long line outgrows the JIT's default 32 KiB stack.
  std::unique_ptr<pcre2_jit_stack, JitStackDeleter> stack(
      pcre2_jit_stack_create(32 * 1024, 8 * 1024 * 1024, nullptr));
  if (!data || !context) return false;
  if (stack) pcre2_jit_stack_assign(context.get(), nullptr, stack.get());

  const std::size_t length = decode<true>(subject_, units_, offsets_);
  const PCRE2_UCHAR* units = units_.data();
  const Offset* offsets = offsets_.data();
  auto matches = std::make_shared<Matches>();
  matches->groups = capture_count;
  const std::size_t slots = capture_count + 1;
  const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data.get());
  // Every match left to right; an empty match moves the next attempt on by one character, so an
  // empty match is still found right after a non-empty one and at the very end.
  for (std::size_t start = 0; start <= length;) {
    int rc = pcre2_match(engine->code, units, length, start, PCRE2_NO_UTF_CHECK, data.get(),
                         context.get());
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) return false;  // match or depth limit: no collection, as the engine failed
    for (std::size_t g = 0; g < slots; ++g) {
      bool set = static_cast<int>(g) < rc && ov[2 * g] != PCRE2_UNSET;
      matches->spans.push_back(set ? offsets[ov[2 * g]] : npos);
      matches->spans.push_back(set ? offsets[ov[2 * g + 1]] : npos);
    }
    if (!global) break;
    start = ov[1] > ov[0] ? ov[1] : ov[1] + 1;
  }
  matches_ = std::move(matches);
  return true;
}

Text Regex::pattern() const {
  return engine_ ? engine_->pattern : Text();
}

Text Regex::replace(const Text& replacement) const {
  if (!matches_) return Text();  // no collection: nothing searched, or the pattern was refused
  const Matches& m = *matches_;
  auto cut = [&](Text& out, const std::size_t* span) {
    if (span[0] != npos) out.append(subject_, span[0], span[1] - span[0]);
  };
  Text out;
  std::size_t done = 0;
  for (std::size_t i = 0; i < m.count(); ++i) {
    const std::size_t* whole = m.span(i, 0);
    out.append(subject_, done, whole[0] - done);
    for (std::size_t r = 0; r < replacement.size();) {
      std::size_t size = char_size(replacement, r);
      if (replacement[r] != '$' || r + 1 >= replacement.size()) {
        out.append(replacement, r, size);
        r += size;
        continue;
      }
      char next = replacement[r + 1];
      if (next == '$') {
        out += '$';
      } else if (next == '&') {
        cut(out, whole);
      } else if (next == '`') {
        out.append(subject_, 0, whole[0]);
      } else if (next == '\'') {
        out.append(subject_, whole[1]);
      } else if (next >= '0' && next <= '9') {
        // Two digits when they name a group, else one digit when it does, else literal text.
        std::size_t one = next - '0';
        char second = r + 2 < replacement.size() ? replacement[r + 2] : '\0';
        std::size_t two = second >= '0' && second <= '9' ? one * 10 + (second - '0') : 0;
        if (two >= 1 && two <= m.groups) {
          cut(out, m.span(i, two));
          r += 3;
          continue;
        }
        if (one >= 1 && one <= m.groups) {
          cut(out, m.span(i, one));
        } else {
          out += '$';
          r += 1;
          continue;
        }
      } else {
        out += '$';
        r += 1;
        continue;
      }
      r += 2;
    }
    done = whole[1];
  }
  out.append(subject_, done);
  return out;
}

int Regex::match_count() const {
  if (!matches_) return 0;
  std::size_t n = matches_->count();
  return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

Text Regex::match_text(int match, std::size_t* position) const {
  return cut(match, 0, position);
}

Text Regex::submatch_text(int match, int group, std::size_t* position) const {
  if (group < 1) {
    if (position) *position = npos;
    return Text();
  }
  return cut(match, group, position);
}

Text Regex::cut(int match, int slot, std::size_t* position) const {
  if (position) *position = npos;
  if (!matches_ || match < 1) return Text();
  const Matches& m = *matches_;
  if (static_cast<std::size_t>(match) > m.count() || static_cast<std::size_t>(slot) > m.groups)
    return Text();
  const std::size_t* span = m.span(match - 1, slot);
  if (span[0] == npos) return Text();
  if (position) *position = span[0];
  return subject_.substr(span[0], span[1] - span[0]);
}

int Regex::group_count() const {
  if (!matches_ || matches_->count() == 0) return 0;
  return matches_->groups > INT_MAX ? INT_MAX : static_cast<int>(matches_->groups);
}

}  // namespace lumetra
