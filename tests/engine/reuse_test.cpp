// convertText building on the conversion before it (setReusePrevious): after every edit of a
// random editing session, the output and the log equal those of a fresh engine converting the
// whole text; a conversion cut short, tables installed, or an output changed by a hook all
// leave the next conversion whole.
#include "engine.h"
#include "fixture.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>

using namespace kestrum;
using kestrum::test::RecordingLog;

namespace {

class Session {
public:
    explicit Session(const Tables &tables) {
        reusing.setTables(tables);
        reusing.setReusePrevious(true);
        whole.setTables(tables);
        reusing.setConversionLog(&reusingLog);
        whole.setConversionLog(&wholeLog);
    }

    // Converts `text` with both engines and compares the results, output and log.
    void expectWhole(const std::u32string &text) {
        const Engine::Result a = reusing.convertText(text, reusingOutput);
        const Engine::Result b = whole.convertText(text, wholeOutput);
        ASSERT_EQ(a, b);
        ASSERT_EQ(reusingOutput, wholeOutput);
        ASSERT_EQ(reusingLog.lines, wholeLog.lines);
    }

    Engine reusing;
    Engine whole;
    std::u32string reusingOutput, wholeOutput;
    RecordingLog reusingLog, wholeLog;
};

// Pieces of text: words that convert, words that stop early, words past the memo's 24 letters,
// and everything between words (line breaks of each kind, full stops, digits, other letters).
std::u32string piece(std::mt19937 &rng) {
    static const std::u32string pieces[] = {
        U"ami",
        U"tumi",
        U"kOrchi",
        U"bAMlA",
        U"xq",
        U"kxyz",
        U"qqqq",
        U"&N",
        U" ",
        U"  ",
        U"\r\n",
        U"\n",
        U"\r",
        U".",
        U",",
        U"123",
        U"\u0995",
        U"~",
        U"sh&R",
        U"kOrchikOrchikOrchikOrchikOrchi",
        U"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
    };
    return pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(rng)];
}

std::u32string text(std::mt19937 &rng, int pieces) {
    std::u32string s;
    for (int i = 0; i < pieces; ++i)
        s += piece(rng);
    return s;
}

void editSession(const Tables &tables, unsigned seed) {
    std::mt19937 rng(seed);
    auto below = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n)(rng);
    };
    Session session(tables);
    std::u32string current = text(rng, 2000);
    for (int edit = 0; edit < 300; ++edit) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", edit " + std::to_string(edit));
        const std::size_t at = below(current.size());
        switch (below(7)) {
        case 0: // typing at the end, a character at a time
            for (char32_t c : piece(rng)) {
                current.push_back(c);
                ASSERT_NO_FATAL_FAILURE(session.expectWhole(current));
            }
            break;
        case 1: // a piece inserted anywhere, inside words too
            current.insert(at, piece(rng));
            break;
        case 2: // a range deleted
            current.erase(at, below(std::min<std::size_t>(current.size() - at, 3000)));
            break;
        case 3: // a range replaced
            current.replace(at, below(std::min<std::size_t>(current.size() - at, 40)),
                            text(rng, int(below(5))));
            break;
        case 4: // a long paste
            current.insert(at, text(rng, 600));
            break;
        case 5: // the same text again, or a single character changed
            if (!current.empty() && below(1))
                current[std::min(at, current.size() - 1)] = U'k';
            break;
        case 6: // everything new now and then, emptied now and then
            if (below(9) == 0)
                current = below(1) ? text(rng, int(below(3000))) : std::u32string();
            break;
        }
        ASSERT_NO_FATAL_FAILURE(session.expectWhole(current));
    }
}

Tables realTables() {
    Engine loader;
    loader.loadTables(KESTRUM_DATA_DIR);
    return loader.tables();
}

} // namespace

TEST(ReusePrevious, RandomEditSessionsGiveWholeConversions) {
    const Tables real = realTables();
    for (unsigned seed = 1; seed <= 6; ++seed)
        ASSERT_NO_FATAL_FAILURE(editSession(real, seed));
    test::TableFolder folder;
    Engine small;
    small.loadTables(folder.path());
    for (unsigned seed = 7; seed <= 9; ++seed)
        ASSERT_NO_FATAL_FAILURE(editSession(small.tables(), seed));
}

TEST(ReusePrevious, AnInterruptedOrDisturbedConversionLeavesTheNextOneWhole) {
    const Tables real = realTables();
    test::TableFolder folder;
    Engine small;
    small.loadTables(folder.path());
    std::mt19937 rng(42);
    const std::u32string base = text(rng, 3000);
    const std::u32string edited =
        base.substr(0, base.size() / 2) + U"tumi " + base.substr(base.size() / 2);
    enum Disturbance { Throws, InstallsTables, ReplacesOutput, TablesBetween };
    for (const Disturbance d : {Throws, InstallsTables, ReplacesOutput, TablesBetween}) {
        SCOPED_TRACE("disturbance " + std::to_string(d));
        Session session(real);
        ASSERT_NO_FATAL_FAILURE(session.expectWhole(base));
        int yields = 0;
        session.reusing.setYieldToUi([&] {
            if (++yields != 5)
                return;
            if (d == Throws)
                throw std::runtime_error("cut short");
            if (d == InstallsTables)
                session.reusing.setTables(small.tables());
            if (d == ReplacesOutput)
                session.reusingOutput = U"something else";
        });
        if (d == TablesBetween) {
            session.reusing.setTables(small.tables());
        } else if (d == Throws) {
            EXPECT_THROW(session.reusing.convertText(edited, session.reusingOutput),
                         std::runtime_error);
        } else {
            session.reusing.convertText(edited, session.reusingOutput);
        }
        session.reusing.setYieldToUi(nullptr);
        if (d == InstallsTables || d == TablesBetween)
            session.whole.setTables(small.tables());
        // The disturbed conversion left nothing to build on: the next ones are whole.
        ASSERT_NO_FATAL_FAILURE(session.expectWhole(edited));
        ASSERT_NO_FATAL_FAILURE(session.expectWhole(edited + U" ami"));
    }
}

TEST(ReusePrevious, OnlyTheChangedWordsMakeYieldCalls) {
    Session session(realTables());
    std::mt19937 rng(3);
    const std::u32string long_ = text(rng, 20000);
    ASSERT_NO_FATAL_FAILURE(session.expectWhole(long_));
    int reusingYields = 0, wholeYields = 0;
    session.reusing.setYieldToUi([&] { ++reusingYields; });
    session.whole.setYieldToUi([&] { ++wholeYields; });
    ASSERT_NO_FATAL_FAILURE(session.expectWhole(long_ + U" kOrchi"));
    // Only the words from the last checkpoint before the change on are converted anew.
    EXPECT_GT(reusingYields, 0);
    EXPECT_LT(reusingYields * 20, wholeYields);
}
