#pragma once

#include "Exceptions.h"

#include <QDateTime>
#include <QString>

#include <cstdint>

// Days since 1899-12-30, fraction = time of day: the date type of the components.
using TDateTime = double;

namespace SysUtils {

// Strict integer parse: optional leading blanks, an optional sign, decimal digits
// (or '$' / "0x" followed by hex digits), nothing after. Raises EConvertError
// "'%s' is not a valid integer value" otherwise, including on 32-bit overflow.
std::int32_t StrToInt(const QString& text);
bool TryStrToInt(const QString& text, std::int32_t& value);
std::int64_t StrToInt64(const QString& text);

// Float in the user's locale (its decimal separator; '.' is always accepted).
// Raises "'%s' is not a valid floating point value".
double StrToFloat(const QString& text);
bool TryStrToFloat(const QString& text, double& value);
QString FloatToStr(double value);

// Date and time in the user's short formats. Raises "'%s' is not a valid date and time".
TDateTime StrToDateTime(const QString& text);
bool TryStrToDateTime(const QString& text, TDateTime& value);
QString DateTimeToStr(TDateTime value);
QString DateToStr(TDateTime value);

// "True"/"False" in any case, or a number (0 is false). Raises "'%s' is not a valid boolean value".
bool StrToBool(const QString& text);
bool TryStrToBool(const QString& text, bool& value);
QString BoolToStr(bool value);

// Local time as hours, minutes and seconds in the user's long time format,
// without the time zone that Qt's long format appends.
QString TimeToStr(const QTime& time);
QString TimeToStr(TDateTime value);
QString LongTimeFormat();

TDateTime Now();
TDateTime Date();
TDateTime ToDateTime(const QDateTime& value);
QDateTime FromDateTime(TDateTime value);

} // namespace SysUtils
