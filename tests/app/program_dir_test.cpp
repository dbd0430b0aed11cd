// Where the books go: beside the program in a folder of the user's, else the user's downloads.
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/program_dir.h"
#include "tests/support/temp_dir.h"

namespace lumetra {
namespace {
namespace fs = std::filesystem;

TEST(ProgramDirectory, SystemFoldersAreRecognised) {
  struct Case {
    const char* folder;
    bool system;
  };
  for (auto [folder, system] : {Case{"/", true},
                                {"/usr", true},
                                {"/usr/local/bin", true},
                                {"/opt/lumetra", true},
                                {"/bin", true},
                                {"/usrx/lumetra", false},
                                {"/home/someone/lumetra", false},
                                {"/tmp/lumetra-2.1", false}})
    EXPECT_EQ(is_system_folder(folder), system) << folder;
}

TEST(ProgramDirectory, BesideTheProgramWhenTheUserOwnsThatFolder) {
  testing::TempDir dir;
  EXPECT_EQ(choose_program_directory(dir.path(), dir.path() / "home", dir.path() / "config"),
            dir.path());
  // The test itself runs from a build tree.
  EXPECT_EQ(program_directory(), fs::read_symlink("/proc/self/exe").parent_path());
}

TEST(ProgramDirectory, AnInstalledProgramUsesTheUsersDownloadFolder) {
  testing::TempDir dir;
  const fs::path home = dir.path() / "home", config = home / ".config";
  fs::create_directories(config);
  struct Case {
    std::string line;  // of user-dirs.dirs; empty: no such file
    fs::path expected;
  };
  const Case cases[] = {
      {"", home / "Downloads"},
      {"XDG_DOWNLOAD_DIR=\"$HOME/下载\"", home / "下载"},
      {"  XDG_DOWNLOAD_DIR=\"$HOME/My Files/dl\"  ", home / "My Files" / "dl"},
      {"XDG_DOWNLOAD_DIR=\"" + (dir.path() / "elsewhere").string() + "\"",
       dir.path() / "elsewhere"},
      {"XDG_DOWNLOAD_DIR=\"$HOME/\"", home / "Downloads"},  // turned off
      {"# XDG_DOWNLOAD_DIR=\"$HOME/x\"", home / "Downloads"},
  };
  for (const auto& [line, expected] : cases) {
    fs::remove(config / "user-dirs.dirs");
    if (!line.empty())
      testing::write_file(config / "user-dirs.dirs",
                          "XDG_MUSIC_DIR=\"$HOME/Music\"\n" + line + "\n");
    fs::path chosen = choose_program_directory("/usr/bin", home, config);
    EXPECT_EQ(chosen, expected) << line;
    EXPECT_TRUE(fs::is_directory(chosen)) << line;  // the job creates only its own folder in it
  }
  EXPECT_EQ(choose_program_directory("", home, config), home / "Downloads");
  fs::create_directories(home / ".local" / "bin");  // the user's own installation
  EXPECT_EQ(choose_program_directory(home / ".local" / "bin", home, config), home / "Downloads");
}

TEST(ProgramDirectory, AFolderThatCannotTakeBooksIsNotUsed) {
  testing::TempDir dir;
  const fs::path home = dir.path() / "home", file = dir.path() / "file",
                 locked = dir.path() / "locked";
  testing::write_file(file, "x");
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  std::vector<fs::path> unusable = {dir.path() / "missing", file};
  if (geteuid() != 0) unusable.push_back(locked);  // root writes everywhere
  for (const fs::path& folder : unusable)
    EXPECT_EQ(choose_program_directory(folder, home, home / ".config"), home / "Downloads")
        << folder;
  fs::permissions(locked, fs::perms::owner_all);
}

}  // namespace
}  // namespace lumetra
