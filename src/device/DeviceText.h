#pragma once

#include <QString>

// Text a device sends, made fit for the window: control characters (NUL, ESC,
// BEL, line breaks, C1 codes, line and paragraph separators) draw as boxes or
// break lines, so blanks stand for the ones that separate words and the rest
// are dropped; and a field longer than the window can show is cut, with an
// ellipsis that says so.
namespace DeviceText {

// Longest call field kept (number, name, line, date, device ID): more than a
// column of the call list or a balloon shows.
constexpr qsizetype MaxFieldLength = 64;
// Longest log line kept from a device: about two lines of the message log.
constexpr qsizetype MaxLogLength = 200;

QString clean(const QString& text, qsizetype maxLength = MaxFieldLength);

} // namespace DeviceText
