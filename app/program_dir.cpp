#include "app/program_dir.h"

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "ui/version_file.h"

namespace lumetra {
namespace fs = std::filesystem;
namespace {

fs::path config_folder(const fs::path& home) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  return config && *config && fs::path(config).is_absolute() ? fs::path(config) : home / ".config";
}

bool writable(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder, ec) && access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

bool is_system_folder(const fs::path& folder) {
  std::error_code ec;
  fs::path real = fs::weakly_canonical(folder, ec);
  if (ec) real = folder.lexically_normal();
  static constexpr std::array<std::string_view, 18> roots{
      "/usr", "/opt",  "/bin",  "/sbin", "/lib",  "/lib32", "/lib64", "/libx32", "/etc",
      "/var", "/boot", "/snap", "/nix",  "/proc", "/sys",   "/dev",   "/run",    "/srv"};
  if (real == real.root_path()) return true;
  for (std::string_view root : roots) {
    fs::path inside = real.lexically_relative(fs::path(root));
    if (!inside.empty() && *inside.begin() != "..") return true;
  }
  return false;
}

fs::path user_download_folder(const fs::path& home, const fs::path& config_dir) {
  std::ifstream in(config_dir / "user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    std::string_view l = line;
    while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
    constexpr std::string_view key = "XDG_DOWNLOAD_DIR=";
    if (!l.starts_with(key)) continue;
    l.remove_prefix(key.size());
    while (!l.empty() && (l.back() == ' ' || l.back() == '\t' || l.back() == '\r'))
      l.remove_suffix(1);
    if (l.size() >= 2 && l.front() == '"' && l.back() == '"') l = l.substr(1, l.size() - 2);
    fs::path folder;
    if (l.starts_with("$HOME")) {
      std::string_view rest = l.substr(5);
      while (rest.starts_with("/")) rest.remove_prefix(1);
      folder = home / rest;
    } else if (l.starts_with("/")) {
      folder = l;
    }
    // "$HOME" alone means the user turned the folder off.
    if (!folder.empty() && (folder / "").lexically_normal() != (home / "").lexically_normal())
      return folder.lexically_normal();
  }
  return home / "Downloads";
}

fs::path choose_program_directory(const fs::path& executable_dir, const fs::path& home,
                                  const fs::path& config_dir) {
  // A user's own installation (~/.local/bin) is no place to look for books either.
  fs::path inside_local = executable_dir.lexically_normal().lexically_relative(home / ".local");
  bool user_installed = !inside_local.empty() && *inside_local.begin() != "..";
  if (!executable_dir.empty() && writable(executable_dir) && !is_system_folder(executable_dir) &&
      !user_installed)
    return executable_dir;
  fs::path downloads = user_download_folder(home, config_dir);
  std::error_code ec;
  fs::create_directories(downloads, ec);  // the job creates only its own folder inside
  return downloads;
}

fs::path program_directory() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  fs::path home = ui::home_folder();
  return choose_program_directory(ec ? fs::path() : exe.parent_path(), home, config_folder(home));
}

}  // namespace lumetra
