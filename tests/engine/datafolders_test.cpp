// Where the tables are read from: the user's own copy, the program's folder (a build tree), the
// installed data folder beside the program; complete sets before partial ones.
#include "datafolders.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kestrum::findTablesDir;
using kestrum::kTableFileNames;

namespace {

// A scratch tree laid out like a user's home beside an installed prefix:
//   home/.local/share/kestrum  xdg/kestrum  prefix/bin  prefix/share/kestrum
class Tree {
public:
    Tree() {
        static int serial = 0;
        m_root = fs::temp_directory_path() / ("kestrum-datafolders-" + std::to_string(::getpid()) +
                                              "-" + std::to_string(++serial));
        fs::create_directories(bin());
    }
    ~Tree() {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    Tree(const Tree &) = delete;
    Tree &operator=(const Tree &) = delete;

    fs::path root() const { return m_root; }
    fs::path bin() const { return m_root / "prefix" / "bin"; }
    // A folder of the tree by its short name.
    fs::path folder(const std::string &name) const {
        if (name == "home")
            return m_root / "home" / ".local" / "share" / "kestrum";
        if (name == "xdg")
            return m_root / "xdg" / "kestrum";
        if (name == "bin")
            return bin();
        return m_root / "prefix" / "share" / "kestrum";
    }
    // Puts the first `count` table files into the folder `name`.
    void put(const std::string &name, std::size_t count) const {
        fs::create_directories(folder(name));
        for (std::size_t i = 0; i < count; ++i)
            std::ofstream(folder(name) / kTableFileNames[i]) << "a,b\r\n";
    }

private:
    fs::path m_root;
};

struct Placement {
    std::string folder;
    std::size_t files;
};

struct Case {
    const char *name;
    std::vector<Placement> placed;
    // XDG_DATA_HOME: "unset", "relative" (a relative path, to be ignored) or "set" (<root>/xdg).
    std::string xdg;
    bool haveHome;
    std::string expected; // a folder's short name
};

const std::vector<Case> cases = {
    {"the user's copy comes first", {{"xdg", 4}, {"bin", 4}, {"share", 4}}, "set", true, "xdg"},
    {"a build tree without a user's copy", {{"bin", 4}, {"share", 0}}, "set", true, "bin"},
    {"an installed tree", {{"share", 4}}, "set", true, "share"},
    {"a partial user's copy is passed over", {{"xdg", 3}, {"share", 4}}, "set", true, "share"},
    {"a partial program folder is passed over", {{"bin", 2}, {"share", 4}}, "set", true, "share"},
    {"without XDG_DATA_HOME: ~/.local/share", {{"home", 4}, {"share", 4}}, "unset", true, "home"},
    {"a relative XDG_DATA_HOME is ignored", {{"home", 4}, {"share", 4}}, "relative", true, "home"},
    {"XDG_DATA_HOME set: ~/.local/share is not looked at",
     {{"home", 4}, {"share", 4}},
     "set",
     true,
     "share"},
    {"no home at all", {{"share", 4}}, "unset", false, "share"},
    {"nothing complete: the first with some", {{"xdg", 1}, {"share", 2}}, "set", true, "xdg"},
    {"nothing complete: the installed part", {{"share", 3}}, "unset", false, "share"},
    {"no table anywhere: the program's folder", {}, "set", true, "bin"},
};

} // namespace

TEST(DataFolders, TablesAreReadFromTheFirstCompleteFolder) {
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Tree tree;
        for (const Placement &p : c.placed)
            tree.put(p.folder, p.files);
        std::string xdg;
        if (c.xdg == "set")
            xdg = (tree.root() / "xdg").string();
        else if (c.xdg == "relative")
            xdg = "xdg";
        const std::string home = c.haveHome ? (tree.root() / "home").string() : std::string();
        EXPECT_EQ(findTablesDir(tree.bin(), xdg, home), tree.folder(c.expected));
    }
}

TEST(DataFolders, AFolderNamedLikeATableIsNoTable) {
    Tree tree;
    tree.put("xdg", 3);
    fs::create_directories(tree.folder("xdg") / kTableFileNames[3]);
    tree.put("share", 4);
    EXPECT_EQ(findTablesDir(tree.bin(), (tree.root() / "xdg").string(), ""), tree.folder("share"));
}

TEST(DataFolders, InstalledFoldersLieBesideThePrograms) {
    const fs::path bin = "/opt/kestrum/bin";
    EXPECT_EQ(kestrum::installedDataDir(bin), fs::path("/opt/kestrum/share/kestrum"));
    EXPECT_EQ(kestrum::fontsDir(bin), fs::path("/opt/kestrum/share/kestrum/fonts"));
    EXPECT_EQ(kestrum::userDataDir("", "/home/u"), fs::path("/home/u/.local/share/kestrum"));
    EXPECT_EQ(kestrum::userDataDir("/x", "/home/u"), fs::path("/x/kestrum"));
    EXPECT_EQ(kestrum::userDataDir("", ""), fs::path());
    EXPECT_EQ(kestrum::tableDirCandidates(bin, "", "").size(), 2u);
}
