#include "ui/version_file.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace lumetra::ui {
namespace fs = std::filesystem;
namespace {

std::string_view trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

fs::path home_folder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  // A service started without HOME still has an account.
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

fs::path version_file_path() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  fs::path base = config && *config && fs::path(config).is_absolute() ? fs::path(config)
                                                                      : home_folder() / ".config";
  return base / "lumetra" / "ver.ini";
}

void write_version_file(const fs::path& file) {
  std::error_code ec;
  fs::remove(file, ec);
  fs::create_directories(file.parent_path(), ec);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << '[' << version_section << "]\n" << version_key << '=' << program_version << '\n';
}

Text read_ini_value(const fs::path& file, std::string_view section, std::string_view key,
                    const Text& fallback) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return fallback;
  std::string line;
  bool in_section = false;
  while (std::getline(in, line)) {
    std::string_view l = trim(line);
    if (l.empty() || l.front() == ';' || l.front() == '#') continue;
    if (l.front() == '[') {
      auto close = l.find(']');
      in_section =
          close != std::string_view::npos && same_name(trim(l.substr(1, close - 1)), section);
      continue;
    }
    auto eq = l.find('=');
    if (!in_section || eq == std::string_view::npos || !same_name(trim(l.substr(0, eq)), key))
      continue;
    std::string_view value = trim(l.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return Text(value);
  }
  return fallback;
}

}  // namespace lumetra::ui
