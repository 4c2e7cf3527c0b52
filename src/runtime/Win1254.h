#pragma once

#include <QByteArray>
#include <QString>

// The Turkish Windows code page. The program's own strings are 8-bit text in this
// code page, so wide text from the device loses exactly the characters the original
// would lose: anything without a place in the page becomes '?'.
namespace Win1254 {

QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);

// Wide text as it reads after a trip through 8-bit text.
QString toAnsi(const QString& text);

} // namespace Win1254
