// Where Kestrum's data lies: the four table files and the program's own fonts, in a build tree,
// in an installed tree and in the user's own copy.
#pragma once

#include "tables.h"

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrum {

// The four table files, as loadTables reads them.
inline constexpr std::array<const char *, 4> kTableFileNames = {kFirstFile, kNextFile, kConnectFile,
                                                                kJointFile};

// The user's own data folder: $XDG_DATA_HOME/kestrum, or $HOME/.local/share/kestrum where
// XDG_DATA_HOME is unset, empty or not an absolute path (such a value is ignored, as the XDG
// base directory rules ask). Empty when neither gives an absolute folder.
std::filesystem::path userDataDir(const std::string &xdgDataHome, const std::string &home);

// The installed data folder of the program in `programDir`: <programDir>/../share/kestrum (as
// the install lays it out; in a build tree it holds the fonts).
std::filesystem::path installedDataDir(const std::filesystem::path &programDir);

// Where the program's own fonts lie: <installedDataDir>/fonts, in the build tree and installed.
std::filesystem::path fontsDir(const std::filesystem::path &programDir);

// The folders the table files are looked for in, in this order: the user's own copy (when
// userDataDir gives one), the program's own folder (where a build tree has them), the
// installed data folder.
std::vector<std::filesystem::path> tableDirCandidates(const std::filesystem::path &programDir,
                                                      const std::string &xdgDataHome,
                                                      const std::string &home);

// The folder the tables are read from: the first candidate that holds all four table files (as
// files or links to files). A folder with only some of them is passed over, so a partial copy
// never hides a complete one. When no candidate is complete: the first that holds any of them
// (loading then names the file that is missing there), else the program's own folder.
std::filesystem::path findTablesDir(const std::filesystem::path &programDir,
                                    const std::string &xdgDataHome, const std::string &home);

// The same, with XDG_DATA_HOME and HOME read from the environment.
std::filesystem::path findTablesDir(const std::filesystem::path &programDir);

} // namespace kestrum
