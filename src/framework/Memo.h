#pragma once

#include <QStringList>

class QPlainTextEdit;

// A memo's text as a list of lines, the way the windows count them: lines end
// with a line break, and an empty rest after the last line break is no line.
namespace Memo {

QStringList Lines(const QPlainTextEdit* memo);
void SetLines(QPlainTextEdit* memo, const QStringList& lines);
int LineCount(const QPlainTextEdit* memo);
void Add(QPlainTextEdit* memo, const QString& line);
void Delete(QPlainTextEdit* memo, int index);

// Pure text forms of the same rules, used by the above.
QStringList SplitLines(const QString& text);
QString JoinLines(const QStringList& lines);

} // namespace Memo
