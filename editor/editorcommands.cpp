// The editor window's File, Edit and View commands.
#include "editorwindow.h"

#include "logwindow.h"
#include "messagebox.h"
#include "program.h"
#include "textfile.h"

#include <QAction>
#include <QFile>
#include <QSaveFile>

#include <cmath>

namespace kestrum {

namespace {

const QString Title = QStringLiteral("Kestrum");
const QString EnglishFilter = QStringLiteral("Text File|*.txt|Bangla File|.b|All Files|*.*");
const QString BanglaFilter = QStringLiteral("Rich Text File|*.rft|All Files|*.*");

// Writes `bytes` to `path` as a whole or not at all (a temporary file renamed over it).
bool writeFile(const QString &path, const QByteArray &bytes, QString *error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = QStringLiteral("Cannot save \"%1\": %2").arg(path, file.errorString());
    return false;
}

// The file chosen in the dialog titled `title` ("" for the platform's) shown with `filter` and
// the name `preset`; "" when cancelled.
QString chooseFile(CommonDialog &dialog, CommonDialog::Kind kind, const QString &title,
                   const QString &filter, const QString &preset) {
    dialog.setTitle(title);
    dialog.setFilter(filter);
    dialog.setFileName(preset);
    const bool chosen = kind == CommonDialog::Kind::Save ? dialog.showSave() : dialog.showOpen();
    return chosen ? dialog.fileName() : QString();
}

void reportFailure(QWidget *parent, const QString &message) {
    MessageBox::show(parent, message, Title, MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
}

} // namespace

void EditorWindow::newText() {
    if (typedSinceSave) {
        const auto answer = MessageBox::show(
            this, QStringLiteral("Do You want to save the Bangla or English File?"), Title,
            MessageBox::Buttons::YesNoCancel);
        if (answer == MessageBox::Answer::Cancel)
            return;
        if (answer == MessageBox::Answer::Yes) {
            // Clearing after a save that did not happen would lose the text.
            if (!saveEnglishFile() || !saveBanglaFile())
                return;
            typedSinceSave = false;
        }
    }
    text2->setText(QString());
    Text1->setText(QString());
    Text1->setFocus();
    englishFileName.clear();
    banglaFileName.clear();
    forgetCaseUndo();
}

bool EditorWindow::saveEnglishFile() {
    // Titled by what it saves: New asks for both files one after the other.
    const QString path =
        chooseFile(C, CommonDialog::Kind::Save, QStringLiteral("Save English File"), EnglishFilter,
                   englishFileName);
    if (path.isEmpty())
        return false;
    const textfile::Encoded file = textfile::encode(Text1->text());
    QString error;
    if (!writeFile(path, file.bytes, &error)) {
        reportFailure(this, error);
        return false;
    }
    englishFileName = path;
    typedSinceSave = false;
    if (file.utf8)
        MessageBox::show(this,
                         QStringLiteral("The text holds characters that Windows-1252 cannot "
                                        "represent, so \"%1\" was saved as UTF-8.")
                             .arg(path),
                         Title, MessageBox::Buttons::Ok, MessageBox::Icon::Information);
    return true;
}

bool EditorWindow::saveBanglaFile() {
    const QString path = chooseFile(C, CommonDialog::Kind::Save, QStringLiteral("Save Bangla File"),
                                    BanglaFilter, banglaFileName);
    if (path.isEmpty())
        return false;
    QString error;
    if (!text2->saveFile(path, &error)) {
        reportFailure(this, error);
        return false;
    }
    banglaFileName = path;
    return true;
}

void EditorWindow::loadFile() {
    const QString path =
        chooseFile(C, CommonDialog::Kind::Open, QString(), EnglishFilter, QString());
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportFailure(this, QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
        return;
    }
    // One byte more than the limit tells a file that is too large, also one whose size the
    // file system does not know in advance.
    QByteArray bytes;
    if (file.size() <= textfile::LoadLimit)
        bytes = file.read(textfile::LoadLimit + 1);
    if (file.size() > textfile::LoadLimit || bytes.size() > textfile::LoadLimit) {
        MessageBox::show(this, QStringLiteral("File too large to read....."),
                         QStringLiteral("eRROR"), MessageBox::Buttons::Ok,
                         MessageBox::Icon::Critical);
        return;
    }
    if (file.error() != QFileDevice::NoError) {
        reportFailure(this, QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
        return;
    }
    Text1->setText(textfile::decode(bytes));
    m_program.convertText();
}

void EditorWindow::upperCase() {
    caseUndoText = Text1->text();
    hasCaseUndo = true;
    Text1->setSelText(Text1->selText().toUpper());
    typedSinceSave = true;
}

void EditorWindow::lowerCase() {
    caseUndoText = Text1->text();
    hasCaseUndo = true;
    Text1->setSelText(Text1->selText().toLower());
    typedSinceSave = true;
}

void EditorWindow::undoCase() {
    // Before any case change there is nothing to go back to (and the input must not be
    // emptied).
    if (!hasCaseUndo)
        return;
    // One step of the area's own undo history: what was typed since the case change is
    // replaced, not lost.
    Text1->replaceText(caseUndoText);
    typedSinceSave = true;
}

void EditorWindow::forgetCaseUndo() {
    caseUndoText.clear();
    hasCaseUndo = false;
}

RichTextBox *EditorWindow::activeArea() const {
    QWidget *active = focusWidget();
    if (active == Text1 || active == text2)
        return static_cast<RichTextBox *>(active);
    return nullptr;
}

void EditorWindow::viewMenuOpened() {
    const RichTextBox *area = activeArea();
    if (!area)
        return;
    // Halves round to the even neighbour (the default rounding mode).
    const double size = std::nearbyint(area->fontSize());
    for (std::size_t i = 0; i < SZ.size(); ++i)
        SZ[i]->setChecked(std::abs(size - fontSizes[i]) < 2);
}

void EditorWindow::fontSizeClick(int index) {
    if (RichTextBox *area = activeArea())
        area->setFontSize(fontSizes[std::size_t(index)]);
}

void EditorWindow::viewLog() {
    LogWindow *log = m_program.logWindow();
    log->show();
    log->raise();
}

} // namespace kestrum
