#include "ide/code_pane.h"

#include "ide/vbe.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMimeData>
#include <QStringDecoder>
#include <QTextBlock>
#include <QUrl>

namespace ide {

namespace {

const QString kIndent = QStringLiteral("    ");
const QString kCommentMark = QStringLiteral("'");

QStringList droppedFiles(const QMimeData* source) {
    QStringList files;
    for (const QUrl& url : source->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

}  // namespace

CodePane::CodePane(Component* component, QWidget* parent) : QPlainTextEdit(parent), m_component(component) {
    setObjectName(QStringLiteral("codePane"));
    setDocument(component->document());
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    setFont(font);
    setTabStopDistance(QFontMetricsF(font).horizontalAdvance(u' ') * 4);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setAcceptDrops(true);
}

QString CodePane::droppableFileText(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || file.size() > kMaxDroppedFile || !file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0')) return QString();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

bool CodePane::canInsertFromMimeData(const QMimeData* source) const {
    return !isReadOnly() && (source->hasText() || !droppedFiles(source).isEmpty());
}

void CodePane::insertFromMimeData(const QMimeData* source) {
    // Dropped files bring their text (Qt offers a file list as text too: the files' names).
    if (droppedFiles(source).isEmpty()) {
        // As text: formatting that came with it has no place in code.
        if (source->hasText()) textCursor().insertText(source->text());
        return;
    }
    QString text;
    for (const QString& file : droppedFiles(source)) {
        const QString content = droppableFileText(file);
        if (content.isNull()) continue;
        if (!text.isEmpty() && !text.endsWith(u'\n')) text += u'\n';
        text += content;
    }
    if (!text.isEmpty()) textCursor().insertText(text);
}

void CodePane::editLines(const std::function<QString(const QString&)>& edit) {
    QTextCursor cursor = textCursor();
    QTextBlock first = document()->findBlock(cursor.selectionStart());
    QTextBlock last = document()->findBlock(cursor.selectionEnd());
    // A selection ending at a line's start leaves that line alone.
    if (cursor.hasSelection() && last != first && cursor.selectionEnd() == last.position())
        last = last.previous();
    cursor.beginEditBlock();
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        const QString changed = edit(block.text());
        if (changed != block.text()) {
            QTextCursor line(block);
            line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            line.insertText(changed);
        }
        if (block == last) break;
    }
    cursor.endEditBlock();
}

void CodePane::indentLines(bool indent) {
    editLines([indent](const QString& line) {
        if (indent) return line.isEmpty() ? line : kIndent + line;
        int blanks = 0;
        while (blanks < kIndent.size() && blanks < line.size() && line[blanks] == u' ') ++blanks;
        if (blanks == 0 && line.startsWith(u'\t')) blanks = 1;
        return line.mid(blanks);
    });
}

void CodePane::commentLines(bool comment) {
    editLines([comment](const QString& line) {
        if (comment) return line.isEmpty() ? line : kCommentMark + line;
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(kCommentMark)) return line;
        const qsizetype at = line.indexOf(kCommentMark);
        return line.left(at) + line.mid(at + kCommentMark.size());
    });
}

}  // namespace ide
