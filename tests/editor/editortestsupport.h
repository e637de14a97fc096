// A Program for tests: tables and control library from the build tree, a registry of its own,
// an in-memory keyboard, a recorded quit, and message boxes answered by a script.
#pragma once

#include "commondialog.h"
#include "cp1252.h"
#include "editorwindow.h"
#include "keyboardstate.h"
#include "listbox.h"
#include "mainframe.h"
#include "messagebox.h"
#include "program.h"
#include "richtextbox.h"
#include "shapes.h"
#include "tablewindow.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cctype>
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

// Answers file dialogs from a queue of chosen names ("" or a dry queue: cancelled) and records
// every request.
class ScriptedDialogs {
public:
    ScriptedDialogs()
        : m_hook([this](const CommonDialog::Request &request) -> std::optional<QString> {
              requests.push_back(request);
              if (answers.empty())
                  return std::nullopt;
              QString answer = answers.front();
              answers.pop_front();
              if (answer.isEmpty())
                  return std::nullopt;
              return answer;
          }) {}

    std::deque<QString> answers;
    std::vector<CommonDialog::Request> requests;

private:
    CommonDialog::ScopedHook m_hook;
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

// The text of an RTF document as a reader shows it: groups of the header (font and colour
// tables) skipped, \'xx as the Windows-1252 character, \uN with its replacement character
// skipped, \par as CR LF, \tab, escaped \\ \{ \}. Control words otherwise vanish.
inline QString rtfPlainText(const QByteArray &rtf) {
    QString text;
    int depth = 0;
    int skipBelow = -1; // inside a skipped group while depth > skipBelow >= 0
    int skipNext = 0;   // replacement characters still to skip after \uN
    const auto put = [&](QChar c) {
        if (skipBelow >= 0)
            return;
        if (skipNext > 0) {
            --skipNext;
            return;
        }
        text.append(c);
    };
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf.at(i);
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == skipBelow)
                skipBelow = -1;
        } else if (c != '\\') {
            if (c != '\r' && c != '\n') // line breaks of the file itself are no text
                put(QChar::fromLatin1(c));
        } else if (i + 1 < rtf.size() && QByteArrayView("\\{}").contains(rtf.at(i + 1))) {
            put(QChar::fromLatin1(rtf.at(++i)));
        } else if (i + 3 < rtf.size() && rtf.at(i + 1) == '\'') {
            put(QChar(char16_t(cp1252ToUnicode(uchar(rtf.mid(i + 2, 2).toUInt(nullptr, 16))))));
            i += 3;
        } else {
            qsizetype end = i + 1;
            while (end < rtf.size() && std::isalpha(uchar(rtf.at(end))))
                ++end;
            const QByteArray word = rtf.mid(i + 1, end - i - 1);
            const qsizetype numberStart = end;
            if (end < rtf.size() && rtf.at(end) == '-')
                ++end;
            while (end < rtf.size() && std::isdigit(uchar(rtf.at(end))))
                ++end;
            const int number = rtf.mid(numberStart, end - numberStart).toInt();
            if (end < rtf.size() && rtf.at(end) == ' ')
                ++end; // the delimiting space belongs to the control word
            i = end - 1;
            if (word == "fonttbl" || word == "colortbl") {
                skipBelow = depth - 1;
            } else if (word == "par") {
                put(QLatin1Char('\r'));
                put(QLatin1Char('\n'));
            } else if (word == "tab") {
                put(QLatin1Char('\t'));
            } else if (word == "u") {
                put(QChar(char16_t(number < 0 ? number + 65536 : number)));
                skipNext = 1;
            }
        }
    }
    return text;
}

// A window's control by its object name, as the window's own code names it; the test fails
// at its first use of a control that is not there.
template <class T> T *control(const QObject *window, const char *name) {
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s in %s", name, qPrintable(window->objectName()));
    return found;
}

// The windows' controls by name: text1(editor) is the editor window's Text1, list1(table) the
// table window's List1.
#define KESTRUM_TEST_CONTROL(function, Type, Window, name)                                         \
    inline Type *function(const Window *window) {                                                  \
        return control<Type>(window, name);                                                        \
    }
KESTRUM_TEST_CONTROL(list1, ListBox, TableWindow, "List1")
KESTRUM_TEST_CONTROL(list2, ListBox, TableWindow, "List2")
KESTRUM_TEST_CONTROL(frame1, QGroupBox, TableWindow, "Frame1")
KESTRUM_TEST_CONTROL(label1, QLabel, TableWindow, "Label1")
KESTRUM_TEST_CONTROL(cota, QMenu, TableWindow, "cota")
KESTRUM_TEST_CONTROL(cls, QAction, TableWindow, "CLS")
KESTRUM_TEST_CONTROL(text1, RichTextBox, EditorWindow, "Text1")
KESTRUM_TEST_CONTROL(text2, RichTextBox, EditorWindow, "text2")
KESTRUM_TEST_CONTROL(label1, QLabel, EditorWindow, "Label1")
KESTRUM_TEST_CONTROL(label2, QLabel, EditorWindow, "Label2")
KESTRUM_TEST_CONTROL(shape1, Shape, EditorWindow, "Shape1")
KESTRUM_TEST_CONTROL(command1, QWidget, EditorWindow, "Command1")
#undef KESTRUM_TEST_CONTROL

// Of the children of `window` named `name` (a set of like controls, fbs or SZ), the one whose
// index (as `indexOf` reads it) is `index`.
template <class T, class IndexOf>
T *arrayMember(const QObject *window, const char *name, std::size_t index, IndexOf indexOf) {
    for (T *member : window->findChildren<T *>(QString::fromLatin1(name)))
        if (indexOf(member) == int(index))
            return member;
    qFatal("no %s(%d)", name, int(index));
}
// fbs(index), the group button, and cot(index), the pop-up menu's item, of that index.
inline QWidget *fbs(const TableWindow *table, std::size_t index) {
    return arrayMember<QWidget>(table, "fbs", index, [](const QWidget *button) {
        return button->property("index").toInt();
    });
}
inline QAction *cot(const TableWindow *table, std::size_t index) {
    return arrayMember<QAction>(table, "cot", index,
                                [](const QAction *item) { return item->data().toInt(); });
}

// The editor window's menus and menu items.
inline QAction *action(const EditorWindow *editor, const char *name) {
    return control<QAction>(editor, name);
}
inline QMenu *menu(const EditorWindow *editor, const char *name) {
    return control<QMenu>(editor, name);
}
// The Font Size items SZ(0) to SZ(5), in menu order.
inline QList<QAction *> sizeItems(const EditorWindow *editor) {
    QList<QAction *> items = editor->findChildren<QAction *>(QStringLiteral("SZ"));
    std::sort(items.begin(), items.end(), [](const QAction *a, const QAction *b) {
        return a->data().toInt() < b->data().toInt();
    });
    return items;
}

} // namespace kestrum::test
