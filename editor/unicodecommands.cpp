// The editor window's Unicode commands: Copy as Unicode, Save Unicode File, Open Unicode File,
// and Unicode Bengali pasted into the output area. They reach Unicode only through the
// sutonnymj library; glyph codes are read as the newer font generation reads them (Kestrum's
// own output uses only codes both generations read alike).
#include "editorwindow.h"

#include "editorsession.h"
#include "editorwindowhost.h"
#include "messagebox.h"
#include "romaniser.h"
#include "sutonnymj.h"
#include "textfile.h"
#include "unicodefile.h"
#include "unicodetext.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

namespace kestrum {

namespace {

const QString Title = QStringLiteral("Kestrum");
const QString UnicodeFilter = QStringLiteral("Unicode Text File|*.txt|All Files|*.*");
// Open Unicode File reads files of at most this many bytes.
constexpr qint64 UnicodeLoadLimit = 1 << 20;
constexpr auto Generation = sutonnymj::Generation::New;

QString chooseFile(CommonDialog &dialog, CommonDialog::Kind kind, const QString &preset) {
    // The dialog object is the editor's one: a title set for another file must not stay.
    dialog.setTitle(kind == CommonDialog::Kind::Save ? QStringLiteral("Save Unicode File")
                                                     : QString());
    dialog.setFilter(UnicodeFilter);
    dialog.setFileName(preset);
    const bool chosen = kind == CommonDialog::Kind::Save ? dialog.showSave() : dialog.showOpen();
    return chosen ? dialog.fileName() : QString();
}

void reportFailure(QWidget *parent, const QString &message) {
    MessageBox::show(parent, message, Title, MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
}

// The output area's marked text as Unicode: glyph codes decoded, Latin text as it is.
QString toUnicode(const QString &markedText) {
    QString unicode;
    qsizetype i = 0;
    while (i < markedText.size()) {
        const qsizetype start = i;
        const bool latin = RichTextBox::isMarkedAt(markedText, i);
        while (i < markedText.size() && RichTextBox::isMarkedAt(markedText, i) == latin)
            i += latin ? 2 : 1;
        const QString piece = markedText.mid(start, i - start);
        unicode += latin ? RichTextBox::unmarked(piece)
                         : QString::fromStdU32String(
                               sutonnymj::decodeText(piece.toStdU32String(), Generation));
    }
    return unicode;
}

} // namespace

QString EditorWindow::pasteIntoOutput(const QString &text) {
    const std::u32string unicode = text.toStdU32String();
    // Text without Bengali (glyph codes copied from other SutonnyMJ text, Latin) goes in as it
    // always did.
    if (!sutonnymj::containsBengali(unicode))
        return text;
    // What has no glyph code (Latin letters and digits, other scripts) stays itself: marked
    // Latin, drawn, copied and saved as what it is.
    const sutonnymj::EncodedText encoded = sutonnymj::encodeText(unicode);
    QString marked;
    std::size_t from = 0;
    for (const sutonnymj::Unencodable &kept : encoded.unencodable) {
        marked += QString::fromStdU32String(encoded.text.substr(from, kept.outOffset - from));
        marked +=
            RichTextBox::markLatin(QString::fromStdU32String(std::u32string(1, kept.character)));
        from = kept.outOffset + 1;
    }
    marked += QString::fromStdU32String(encoded.text.substr(from));
    return marked;
}

void EditorWindow::copyAsUnicode() {
    // What leaves is what the input says, the word typed last included.
    m_host.session().convertPending();
    QString glyphs = text2->markedSelText();
    if (glyphs.isEmpty())
        glyphs = text2->markedText();
    QString unicode = toUnicode(glyphs);
    // The clipboard carries line feeds, as other programs expect.
    unicode.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QGuiApplication::clipboard()->setText(unicode);
}

bool EditorWindow::saveUnicodeFile() {
    m_host.session().convertPending();
    const QString path = chooseFile(C, CommonDialog::Kind::Save, m_unicodeFileName);
    if (path.isEmpty())
        return false;
    // Like the English file: the area's lines (CR LF) and one CR LF at the end, which Open
    // Unicode File drops again.
    const QByteArray bytes = (toUnicode(text2->markedText()) + QLatin1String("\r\n")).toUtf8();
    QString error;
    if (!textfile::writeFile(path, bytes, &error)) {
        reportFailure(this, error);
        return false;
    }
    m_unicodeFileName = path;
    return true;
}

void EditorWindow::openUnicodeFile() {
    const QString path = chooseFile(C, CommonDialog::Kind::Open, QString());
    if (path.isEmpty())
        return;
    // A regular file only (a FIFO would hang the window), and never more than one byte over
    // the limit, which tells a file that is too large.
    const textfile::ReadResult read = textfile::readFile(path, UnicodeLoadLimit);
    if (!read.ok) {
        reportFailure(this, read.error);
        return;
    }
    if (read.overLimit) {
        reportFailure(this, QStringLiteral("\"%1\" is larger than 1 MB: Open Unicode File reads "
                                           "files of at most 1 MB (%2 bytes).")
                                .arg(path)
                                .arg(UnicodeLoadLimit));
        return;
    }
    sutonnymj::Romaniser romaniser(m_host.session().engine().tables(), Generation);
    const sutonnymj::RomanisedFile opened = sutonnymj::romaniseUnicodeFile(
        romaniser, std::string_view(read.bytes.constData(), std::size_t(read.bytes.size())),
        sutonnymj::FinalLineBreak::Drop); // as Load does
    if (opened.file.badOffset) {
        reportFailure(this, QStringLiteral("\"%1\" is no UTF-8 text: the byte at offset %2 is "
                                           "not part of a UTF-8 character. Nothing was opened.")
                                .arg(path)
                                .arg(qulonglong(*opened.file.badOffset)));
        return;
    }
    const std::u32string &text = opened.file.text;
    QStringList unspelled;
    // A control character of the file is shown as its code, never acted on by the list.
    for (const sutonnymj::RomanisedPart &part : opened.roman.unspelled)
        unspelled << QStringLiteral("Line:%1 Column:%2 No spelling:%3")
                         .arg(part.line)
                         .arg(part.column)
                         .arg(QString::fromStdU32String(sutonnymj::escapeControls(
                             std::u32string_view(text).substr(part.offset, part.length))));
    // A romanised spelling always converts, so every word the conversion logs lies in one of
    // these parts: the parts' lines take the place of the log's, and the status bar, which
    // counts the log, counts each part once.
    connect(
        &m_host.session(), &EditorSession::conversionFinished, this,
        [this, unspelled] {
            if (unspelled.isEmpty())
                return;
            m_host.session().log().clear();
            m_host.session().log().append(unspelled);
        },
        Qt::SingleShotConnection);
    Text1->setText(QString::fromStdU32String(opened.roman.keys));
    m_host.session().convert();
    if (unspelled.isEmpty())
        return;
    QString message = QStringLiteral("%1 part(s) of \"%2\" have no spelling in the tables: they "
                                     "stay in the input as they are, and View Log lists them.")
                          .arg(unspelled.size())
                          .arg(path);
    std::vector<sutonnymj::Romaniser::Unspelled> parts;
    for (const sutonnymj::RomanisedPart &part : opened.roman.unspelled)
        parts.push_back({part.offset, part.length, part.outOffset});
    QStringList latin;
    for (const std::u32string &word : sutonnymj::latinWords(text, parts))
        latin << QString::fromStdU32String(word);
    // A long list is cut: the log names every part.
    constexpr qsizetype LatinShown = 12;
    QString names = latin.mid(0, LatinShown).join(QStringLiteral(", "));
    if (latin.size() > LatinShown)
        names += QStringLiteral(" and %1 more").arg(latin.size() - LatinShown);
    if (!latin.isEmpty())
        message += QStringLiteral(" Glyph codes cannot hold Latin letters: the Latin words %1 "
                                  "are converted as romanised keys (see \"English in a Bangla "
                                  "document\" in the README).")
                       .arg(names);
    MessageBox::show(this, message, Title, MessageBox::Buttons::Ok, MessageBox::Icon::Information);
}

} // namespace kestrum
