// Where the program keeps its downloads: "小说下载" inside the program's directory.
//
// Usage: `program_directory()` once at start-up. The folder the executable lies in serves when
// the user may write there and it is not a system folder or ~/.local (a build tree or an
// unpacked archive); an installed program uses the user's download folder instead.
#pragma once

#include <filesystem>

namespace lumetra {

std::filesystem::path program_directory();

// The decision itself, over explicit places: the executable's folder, the home folder and the
// configuration folder that holds "user-dirs.dirs".
std::filesystem::path choose_program_directory(const std::filesystem::path& executable_dir,
                                               const std::filesystem::path& home,
                                               const std::filesystem::path& config_dir);

// The user's download folder: XDG_DOWNLOAD_DIR of "user-dirs.dirs", else ~/Downloads.
std::filesystem::path user_download_folder(const std::filesystem::path& home,
                                           const std::filesystem::path& config_dir);

// A folder of the installed system (/usr, /opt, /bin...), where a program's own files must
// not be mixed with a user's books.
bool is_system_folder(const std::filesystem::path& folder);

}  // namespace lumetra
