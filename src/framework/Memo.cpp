#include "Memo.h"

#include "Exceptions.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace Memo {

QStringList SplitLines(const QString& text)
{
    if (text.isEmpty())
        return {};
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = normalized.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString JoinLines(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QLatin1Char('\n');
    }
    return text;
}

QStringList Lines(const QPlainTextEdit* memo)
{
    return SplitLines(memo->toPlainText());
}

void SetLines(QPlainTextEdit* memo, const QStringList& lines)
{
    memo->setPlainText(JoinLines(lines));
}

int LineCount(const QPlainTextEdit* memo)
{
    return int(Lines(memo).size());
}

namespace {

// Edits the memo's document in place: setting the whole text again would lay
// out and shape every line for each one added, which a log that takes many
// lines a second cannot afford. Like setting the text, an edit clears the undo
// history, so that a log keeps nothing of the lines it dropped.
template <typename Edit> void editInPlace(QPlainTextEdit* memo, Edit edit)
{
    QTextDocument* document = memo->document();
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    edit(cursor, document);
    document->setUndoRedoEnabled(undo);
}

} // namespace

void Add(QPlainTextEdit* memo, const QString& line)
{
    editInPlace(memo, [&](QTextCursor& cursor, QTextDocument* document) {
        cursor.movePosition(QTextCursor::End);
        // A last line without its line break gets one before the new line.
        const int last = document->characterCount() - 2;
        const bool ended = last < 0 || document->characterAt(last) == QChar::ParagraphSeparator;
        cursor.insertText((ended ? QString() : QStringLiteral("\n")) + line + QLatin1Char('\n'));
    });
}

void Delete(QPlainTextEdit* memo, int index)
{
    if (index < 0 || index >= LineCount(memo))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    editInPlace(memo, [&](QTextCursor& cursor, QTextDocument* document) {
        const QTextBlock block = document->findBlockByNumber(index);
        cursor.setPosition(block.position());
        // The line with its line break; a last line without one leaves the break before it.
        const QTextBlock next = block.next();
        cursor.setPosition(next.isValid() ? next.position() : block.position() + block.length() - 1,
            QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    });
}

} // namespace Memo
