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

// The table window's controls.
inline ListBox *list1(const TableWindow *table) {
    return control<ListBox>(table, "List1");
}
inline ListBox *list2(const TableWindow *table) {
    return control<ListBox>(table, "List2");
}
inline QGroupBox *frame1(const TableWindow *table) {
    return control<QGroupBox>(table, "Frame1");
}
inline QLabel *label1(const TableWindow *table) {
    return control<QLabel>(table, "Label1");
}
inline QMenu *cota(const TableWindow *table) {
    return control<QMenu>(table, "cota");
}
inline QAction *cls(const TableWindow *table) {
    return control<QAction>(table, "CLS");
}
// fbs(index): the group button of that index.
inline QWidget *fbs(const TableWindow *table, std::size_t index) {
    for (QWidget *button : table->findChildren<QWidget *>(QStringLiteral("fbs")))
        if (button->property("index").toInt() == int(index))
            return button;
    qFatal("no fbs(%d)", int(index));
}
// cot(index): the pop-up menu's item of that index.
inline QAction *cot(const TableWindow *table, std::size_t index) {
    for (QAction *item : table->findChildren<QAction *>(QStringLiteral("cot")))
        if (item->data().toInt() == int(index))
            return item;
    qFatal("no cot(%d)", int(index));
}

// The editor window's controls, menus and menu items.
inline RichTextBox *text1(const EditorWindow *editor) {
    return control<RichTextBox>(editor, "Text1");
}
inline RichTextBox *text2(const EditorWindow *editor) {
    return control<RichTextBox>(editor, "text2");
}
inline QLabel *label1(const EditorWindow *editor) {
    return control<QLabel>(editor, "Label1");
}
inline QLabel *label2(const EditorWindow *editor) {
    return control<QLabel>(editor, "Label2");
}
inline Shape *shape1(const EditorWindow *editor) {
    return control<Shape>(editor, "Shape1");
}
inline QWidget *command1(const EditorWindow *editor) {
    return control<QWidget>(editor, "Command1");
}
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
