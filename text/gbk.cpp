#include "text/gbk.h"

#include <iconv.h>

#include <array>
#include <mutex>
#include <stdexcept>

namespace lumetra {
namespace {

// Descriptors are opened once and kept: opening one loads the converter module and closing the
// last one unloads it, which is slow and, done by several threads at once, races inside the C
// library's module loader. A descriptor holds shift state, so each is used under its mutex.
struct Converter {
  std::mutex mutex;
  iconv_t cd;
};

Converter& converter(const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert GBK");
  return *new Converter{{}, cd};
}

// Pairs are indexed by (lead << 8 | trail); 0 marks a pair that code page 936 does not define.
const std::array<char32_t, 65536>& pair_table() {
  static const auto* table = [] {
    auto* t = new std::array<char32_t, 65536>{};
    static Converter& conv = converter("UTF-32LE", "CP936");
    iconv_t cd = conv.cd;
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
      for (unsigned trail = 0; trail <= 0xFF; ++trail) {
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        unsigned char out[8];
        char* inp = in;
        char* outp = reinterpret_cast<char*>(out);
        std::size_t inleft = 2, outleft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::size_t r = iconv(cd, &inp, &inleft, &outp, &outleft);
        // Only a pair that decodes whole into exactly one character is a character of its own.
        if (r == static_cast<std::size_t>(-1) || inleft != 0 || sizeof out - outleft != 4) continue;
        (*t)[lead << 8 | trail] = out[0] | out[1] << 8 | out[2] << 16 | char32_t(out[3]) << 24;
      }
    }
    return t;
  }();
  return *table;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

Text utf8_to_gbk(std::string_view utf8) {
  static Converter& conv = converter("CP936", "UTF-8");
  std::lock_guard lock(conv.mutex);
  iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
  Text out(utf8.size() * 2 + 4, '\0');
  char* inp = const_cast<char*>(utf8.data());
  char* outp = out.data();
  std::size_t inleft = utf8.size(), outleft = out.size();
  if (iconv(conv.cd, &inp, &inleft, &outp, &outleft) == static_cast<std::size_t>(-1))
    throw std::invalid_argument("text has no GBK form: " + std::string(utf8));
  out.resize(out.size() - outleft);
  return out;
}

char32_t gbk_char(unsigned char lead, unsigned char trail) {
  return pair_table()[lead << 8 | trail];
}

std::string gbk_to_utf8(std::string_view gbk, std::string_view replacement) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  for (std::size_t i = 0; i < gbk.size();) {
    auto b = static_cast<unsigned char>(gbk[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    const std::size_t size = char_size(gbk, i);
    char32_t c = size == 2 ? gbk_char(b, static_cast<unsigned char>(gbk[i + 1])) : 0;
    if (c) {
      append_utf8(out, c);
    } else {
      for (std::size_t k = 0; k < size; ++k) out.append(replacement);
    }
    i += size;
  }
  return out;
}

}  // namespace lumetra
