// The version file: "ver.ini" in the user's configuration folder, one INI key written at every
// start and read by the about window. Written and read by hand; every failure is silent.
//
// Usage: `write_version_file(version_file_path())` at the main window's first activation;
// `read_ini_value(path, "info", "version")` where the version is shown.
#pragma once

#include <filesystem>
#include <string_view>

#include "text/text.h"

namespace lumetra::ui {

inline constexpr std::string_view version_section = "info";
inline constexpr std::string_view version_key = "version";
inline constexpr std::string_view program_version = "2.1.0854.14394";

// The user's home folder, under the configuration folder and the downloads alike: $HOME, else
// the account's home folder, else /tmp.
std::filesystem::path home_folder();

// $XDG_CONFIG_HOME/lumetra/ver.ini, or ~/.config/lumetra/ver.ini when that variable is unset,
// empty or relative.
std::filesystem::path version_file_path();

// Deletes the file, then writes a fresh one holding only the version key in its section; the
// folder is created when missing. Reports nothing.
void write_version_file(const std::filesystem::path& file);

// The value of `key` in `[section]` (names compared without regard to ASCII case, blanks around
// names and values ignored, one pair of surrounding quotes removed); `fallback` when the file,
// the section or the key is missing.
Text read_ini_value(const std::filesystem::path& file, std::string_view section,
                    std::string_view key, const Text& fallback = {});

}  // namespace lumetra::ui
