// A Program for tests: tables and control library from the build tree, a registry of its own,
// an in-memory keyboard, a recorded quit, and message boxes answered by a script.
#pragma once

#include "cp1252.h"
#include "editorwindow.h"
#include "keyboardstate.h"
#include "mainframe.h"
#include "messagebox.h"
#include "program.h"

#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <memory>

namespace kestrum::test {

// Answers message boxes from a queue (Ok when it runs dry) and records every request.
class ScriptedBoxes {
public:
    ScriptedBoxes()
        : m_hook([this](const MessageBox::Request &request) {
              requests.push_back(request);
              if (answers.empty())
                  return MessageBox::Answer::Ok;
              const auto answer = answers.front();
              answers.pop_front();
              return answer;
          }) {}

    std::deque<MessageBox::Answer> answers;
    std::vector<MessageBox::Request> requests;

private:
    MessageBox::ScopedHook m_hook;
};

struct TestProgram {
    explicit TestProgram(std::uint8_t capsByte = 0,
                         QString tablesDir = QStringLiteral(KESTRUM_BIN_DIR),
                         QString controlLibrary = QStringLiteral(KESTRUM_LIB_DIR "/libGlimmet3.so"),
                         int yieldIntervalMs = 15) {
        qputenv("KESTRUM_COMPONENT_REGISTRY",
                registryDir.filePath(QStringLiteral("components.conf")).toLocal8Bit());
        auto memory = std::make_unique<MemoryKeyboardState>();
        memory->table[VkCapital] = capsByte;
        keyboard = memory.get();
        Program::Options options;
        options.tablesDir = tablesDir;
        options.controlLibrary = controlLibrary;
        options.keyboard = std::move(memory);
        options.quit = [this](int status) { quits.push_back(status); };
        options.yieldIntervalMs = yieldIntervalMs;
        program = std::make_unique<Program>(std::move(options));
    }

    EditorWindow *editor() const { return program->editor(); }

    QTemporaryDir registryDir;
    MemoryKeyboardState *keyboard = nullptr;
    std::vector<int> quits;
    std::unique_ptr<Program> program;
};

// The Windows-1252 characters of glyph bytes, as the output area holds them.
inline QString glyphText(const QByteArray &bytes) {
    QString text;
    for (const char c : bytes)
        text.append(QChar(char16_t(cp1252ToUnicode(static_cast<unsigned char>(c)))));
    return text;
}

} // namespace kestrum::test
