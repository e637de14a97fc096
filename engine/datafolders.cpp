// Where Kestrum's data lies.
#include "datafolders.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

// The data folder relative to the programs' folder, as the install lays them out.
#ifndef KESTRUM_BIN_TO_DATA
#define KESTRUM_BIN_TO_DATA "../share/kestrum"
#endif

namespace kestrum {

namespace fs = std::filesystem;

namespace {

std::string environment(const char *name) {
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool holdsFile(const fs::path &dir, const char *name) {
    std::error_code ec;
    return fs::is_regular_file(dir / name, ec);
}

std::size_t tableFilesIn(const fs::path &dir) {
    return static_cast<std::size_t>(
        std::count_if(kTableFileNames.begin(), kTableFileNames.end(),
                      [&dir](const char *name) { return holdsFile(dir, name); }));
}

} // namespace

fs::path userDataDir(const std::string &xdgDataHome, const std::string &home) {
    const fs::path xdg(xdgDataHome);
    if (xdg.is_absolute())
        return xdg / "kestrum";
    const fs::path homeDir(home);
    if (homeDir.is_absolute())
        return homeDir / ".local" / "share" / "kestrum";
    return {};
}

fs::path installedDataDir(const fs::path &programDir) {
    return (programDir / KESTRUM_BIN_TO_DATA).lexically_normal();
}

fs::path fontsDir(const fs::path &programDir) {
    return installedDataDir(programDir) / "fonts";
}

std::vector<fs::path> tableDirCandidates(const fs::path &programDir, const std::string &xdgDataHome,
                                         const std::string &home) {
    std::vector<fs::path> candidates;
    if (fs::path user = userDataDir(xdgDataHome, home); !user.empty())
        candidates.push_back(std::move(user));
    candidates.push_back(programDir);
    candidates.push_back(installedDataDir(programDir));
    return candidates;
}

fs::path findTablesDir(const fs::path &programDir, const std::string &xdgDataHome,
                       const std::string &home) {
    const std::vector<fs::path> candidates = tableDirCandidates(programDir, xdgDataHome, home);
    for (const fs::path &dir : candidates)
        if (tableFilesIn(dir) == kTableFileNames.size())
            return dir;
    for (const fs::path &dir : candidates)
        if (tableFilesIn(dir) > 0)
            return dir;
    return programDir;
}

fs::path findTablesDir(const fs::path &programDir) {
    return findTablesDir(programDir, environment("XDG_DATA_HOME"), environment("HOME"));
}

} // namespace kestrum
