#include "Memo.h"

#include "Exceptions.h"

#include <QPlainTextEdit>

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

void Add(QPlainTextEdit* memo, const QString& line)
{
    QStringList lines = Lines(memo);
    lines.append(line);
    SetLines(memo, lines);
}

void Delete(QPlainTextEdit* memo, int index)
{
    QStringList lines = Lines(memo);
    if (index < 0 || index >= lines.size())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    lines.removeAt(index);
    SetLines(memo, lines);
}

} // namespace Memo
