// The Fcitx5 addon in process, through Fcitx5's test frontend (no display, no D-Bus): lines
// typed key by key commit what kestrum-convert gives for them, the preedit shows each word
// before it is written, the status-area action switches the output, and a word is written once
// when the focus goes, whoever shows the preedit. With --broken-tables (and a user's table
// folder that cannot be read) the input method says why and lets every key through.
#include <fcitx-utils/eventdispatcher.h>
#include <fcitx-utils/testing.h>
#include <fcitx/action.h>
#include <fcitx/addonmanager.h>
#include <fcitx/candidatelist.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputmethodgroup.h>
#include <fcitx/inputmethodmanager.h>
#include <fcitx/inputpanel.h>
#include <fcitx/instance.h>
#include <fcitx/userinterfacemanager.h>
#include <testfrontend_public.h>

#include "cp1252.h"
#include "unicodetext.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int failures = 0;

void expectEqual(const std::string &what, const std::string &actual, const std::string &expected) {
    if (actual != expected) {
        ++failures;
        std::cerr << "FAIL " << what << "\n  got:      " << actual << "\n  expected: " << expected
                  << "\n";
    }
}

void expectTrue(const std::string &what, bool condition) {
    if (!condition) {
        ++failures;
        std::cerr << "FAIL " << what << "\n";
    }
}

std::string kestrumConvert(const std::string &input, bool unicode) {
    const std::string file = std::string(KESTRUM_BUILD_DIR) + "/fcitx5-test-input.txt";
    std::ofstream(file, std::ios::binary) << input;
    const std::string command = std::string(KESTRUM_BIN_DIR) + "/kestrum-convert --tables " +
                                KESTRUM_DATA_DIR + (unicode ? " --to unicode " : " ") + file +
                                " 2>/dev/null";
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

// Glyph bytes as the Windows-1252 characters the Kestrum window's output area holds, in UTF-8.
std::string asWindows1252Text(const std::string &bytes) {
    std::string out;
    for (const char b : bytes)
        kestrum::sutonnymj::appendUtf8(out,
                                       kestrum::cp1252ToUnicode(static_cast<unsigned char>(b)));
    return out;
}

struct Session {
    fcitx::Instance &instance;
    fcitx::AddonInstance *frontend;
    fcitx::ICUUID uuid;
    fcitx::InputContext *ic;
    std::string transcript; // commits, and [key] for each key that went on to the program
    std::vector<std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>>> watchers;

    Session(fcitx::Instance &i) : instance(i) {
        frontend = instance.addonManager().addon("testfrontend");
        uuid = frontend->call<fcitx::ITestFrontend::createInputContext>("kestrum-test");
        ic = instance.inputContextManager().findByUUID(uuid);
        watchers.push_back(instance.watchEvent(
            fcitx::EventType::InputContextCommitString, fcitx::EventWatcherPhase::PreInputMethod,
            [this](fcitx::Event &event) {
                auto &commit = static_cast<fcitx::CommitStringEvent &>(event);
                if (commit.inputContext() == ic)
                    transcript += commit.text();
            }));
        watchers.push_back(instance.watchEvent(
            fcitx::EventType::InputContextKeyEvent, fcitx::EventWatcherPhase::PostInputMethod,
            [this](fcitx::Event &event) {
                auto &key = static_cast<fcitx::KeyEvent &>(event);
                if (key.inputContext() == ic && !key.isRelease() && !key.filtered())
                    transcript += "[" + key.key().toString() + "]";
            }));
        ic->focusIn();
        instance.setCurrentInputMethod(ic, "kestrum", true);
    }
    ~Session() { frontend->call<fcitx::ITestFrontend::destroyInputContext>(uuid); }

    void key(const std::string &name) {
        frontend->call<fcitx::ITestFrontend::keyEvent>(uuid, fcitx::Key(name), false);
        frontend->call<fcitx::ITestFrontend::keyEvent>(uuid, fcitx::Key(name), true);
    }
    // Types the letters and signs of `text`, a space as Space.
    void type(const std::string &text) {
        for (const char c : text) {
            if (c == ' ')
                key("space");
            else if (c == '.')
                key("period");
            else if (c == ',')
                key("comma");
            else if (c >= 'A' && c <= 'Z')
                key(std::string("Shift+") + c);
            else
                key(std::string(1, c));
        }
    }
    std::string preedit() const {
        const auto &panel = ic->inputPanel();
        return ic->capabilityFlags().test(fcitx::CapabilityFlag::Preedit)
                   ? panel.clientPreedit().toString()
                   : panel.preedit().toString();
    }
};

void typingTests(fcitx::Instance &instance) {
    const std::vector<std::string> lines = {"AmI bAnglAy gAn gAI.", "sOkAl bElA pAkhIrA DAkE.",
                                            "kORm ObOsthA, sUURJ mWRItJU."};
    for (const bool clientPreedit : {false, true}) {
        Session s(instance);
        if (clientPreedit)
            s.ic->setCapabilityFlags(fcitx::CapabilityFlag::Preedit);
        for (const std::string &line : lines) {
            s.transcript.clear();
            // Each word is shown, as it will be written, before the key that writes it.
            std::size_t start = 0;
            while (start < line.size()) {
                std::size_t end = line.find_first_of(" .,", start);
                if (end == std::string::npos)
                    end = line.size();
                const std::string word = line.substr(start, end - start);
                s.type(word);
                expectEqual("preedit of " + word, s.preedit(), kestrumConvert(word, true));
                if (end < line.size())
                    s.type(line.substr(end, 1));
                start = end + 1;
            }
            std::string committed = s.transcript;
            for (std::size_t at; (at = committed.find("[space]")) != std::string::npos;)
                committed.replace(at, 7, " ");
            expectEqual("line " + line, committed, kestrumConvert(line, true));
        }
    }
}

void actionAndKeysTests(fcitx::Instance &instance) {
    Session s(instance);
    fcitx::Action *output = instance.userInterfaceManager().lookupAction("kestrum-output");
    expectTrue("the status area holds the output switch", output != nullptr);
    if (!output)
        return;
    expectEqual("the switch says the output", output->shortText(s.ic), "Output: Unicode");
    output->activate(s.ic);
    expectEqual("the switch says the new output", output->shortText(s.ic), "Output: SutonnyMJ");
    s.type("AmI bAnglAy.");
    expectEqual("SutonnyMJ output", s.transcript,
                asWindows1252Text("Avwg") + "[space]" +
                    asWindows1252Text(kestrumConvert("bAnglAy.", false)));
    output->activate(s.ic);
    s.transcript.clear();
    s.type("AmI");
    s.key("Control+s");
    expectEqual("Ctrl+S writes the word, then goes on", s.transcript, "আমি[Control+S]");
    s.transcript.clear();
    s.type("tUmIx");
    s.key("BackSpace");
    s.key("Escape");
    expectEqual("Backspace, then Escape writes the keys", s.transcript, "tUmI");
    s.transcript.clear();
    s.key("BackSpace");
    expectEqual("Backspace with no word goes on", s.transcript, "[BackSpace]");
}

// A word in the preedit is written exactly once when the focus goes or the context is reset,
// whether the program shows the preedit (and Fcitx5 or the program writes it) or Fcitx5 does.
void focusTests(fcitx::Instance &instance) {
    using Flag = fcitx::CapabilityFlag;
    const std::vector<std::pair<std::string, fcitx::CapabilityFlags>> clients = {
        {"preedit in Fcitx5's panel", fcitx::CapabilityFlags()},
        {"preedit in the program", Flag::Preedit},
        {"preedit in a program that writes it on focus loss",
         fcitx::CapabilityFlags{Flag::Preedit, Flag::ClientUnfocusCommit}},
    };
    for (const auto &[what, flags] : clients) {
        Session s(instance);
        s.ic->setCapabilityFlags(flags);
        s.type("AmI");
        s.ic->focusOut();
        // A program that writes its preedit itself does so before telling Fcitx5.
        const std::string expected = flags.test(Flag::ClientUnfocusCommit) ? "" : "আমি";
        expectEqual(what + ": focus loss", s.transcript, expected);
        expectEqual(what + ": nothing left", s.preedit(), "");
        s.ic->focusIn();
        s.transcript.clear();
        s.type("tUmI");
        s.ic->reset();
        expectEqual(what + ": reset", s.transcript,
                    flags.test(Flag::ClientUnfocusCommit) ? "" : "তুমি");
    }
}

// With a word list: a word typed in lower case shows its candidates, a number picks one, the
// pointer too, and the one picked comes first next time.
void candidateTests(fcitx::Instance &instance, const std::string &cache) {
    // The index is built in the background when the input method is first used.
    {
        Session first(instance);
        first.type("a");
    }
    for (int i = 0; i < 200 && !std::ifstream(cache); ++i)
        usleep(50000);
    Session s(instance);
    s.type("theke");
    const fcitx::CandidateList *list = s.ic->inputPanel().candidateList().get();
    expectTrue("candidates are shown", list && list->size() >= 2);
    if (!list || list->size() < 2)
        return;
    expectEqual("the first candidate", list->candidate(0).text().toString(), "থেকে");
    expectEqual("the second candidate", list->candidate(1).text().toString(), "ঠেকে");
    expectEqual("the preedit is the first", s.preedit(), "থেকে");
    s.key("2");
    expectEqual("2 picks the second", s.transcript, "ঠেকে");
    s.transcript.clear();
    s.type("theke");
    expectEqual("the one picked comes first",
                s.ic->inputPanel().candidateList()->candidate(0).text().toString(), "ঠেকে");
    s.ic->inputPanel().candidateList()->candidate(1).select(s.ic);
    expectEqual("the pointer picks", s.transcript, "থেকে");
    s.transcript.clear();
    s.type("ami ");
    expectEqual("a word the keys name is written", s.transcript, "আমি[space]");
}

void brokenTablesTests(fcitx::Instance &instance) {
    Session s(instance);
    s.type("Am");
    expectEqual("the keys go on", s.transcript, "[A][m]");
    const std::string aux = s.ic->inputPanel().auxUp().toString();
    expectTrue("the auxiliary line says why: " + aux,
               aux.rfind("Kestrum: ", 0) == 0 && aux.find("first.alpha") != std::string::npos);
}

} // namespace

int main(int argc, char **argv) {
    const bool broken = argc > 1 && std::strcmp(argv[1], "--broken-tables") == 0;
    // A word list, a cache and a data folder of this run's own.
    char folder[] = "/tmp/kestrum-fcitx5-test-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string list = std::string(folder) + "/bn.dic";
    std::ofstream(list) << "আমি\nতুমি\nথেকে\nঠেকে\nবাংলা\nগান\n";
    setenv("KESTRUM_WORD_LIST", list.c_str(), 1);
    setenv("XDG_CACHE_HOME", (std::string(folder) + "/cache").c_str(), 1);
    if (!broken)
        setenv("XDG_DATA_HOME", (std::string(folder) + "/data").c_str(), 1);
    fcitx::setupTestingEnvironment(KESTRUM_BUILD_DIR, {KESTRUM_FCITX5_ADDON_DIR},
                                   {KESTRUM_FCITX5_DATA_DIR});
    char program[] = "kestrum-fcitx5-test";
    char disable[] = "--disable=all";
    char enable[] = "--enable=testim,testfrontend,testui,kestrum";
    char *arguments[] = {program, disable, enable};
    fcitx::Instance instance(3, arguments);
    instance.addonManager().registerDefaultLoader(nullptr);
    fcitx::EventDispatcher dispatcher;
    dispatcher.attach(&instance.eventLoop());
    dispatcher.schedule([&]() {
        auto group = instance.inputMethodManager().currentGroup();
        group.inputMethodList().clear();
        group.inputMethodList().push_back(fcitx::InputMethodGroupItem("keyboard-us"));
        group.inputMethodList().push_back(fcitx::InputMethodGroupItem("kestrum"));
        group.setDefaultInputMethod("");
        instance.inputMethodManager().setGroup(group);
        if (broken) {
            brokenTablesTests(instance);
        } else {
            typingTests(instance);
            actionAndKeysTests(instance);
            focusTests(instance);
            candidateTests(instance, std::string(folder) + "/cache/kestrum/words.index");
        }
        instance.exit();
    });
    instance.exec();
    std::filesystem::remove_all(folder);
    if (failures)
        std::cerr << failures << " failed\n";
    return failures ? 1 : 0;
}
