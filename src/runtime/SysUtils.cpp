#include "SysUtils.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace SysUtils {
namespace {

QString quoted(const QString& text, const char* what)
{
    return QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(what));
}

bool parseInt64(const QString& text, std::int64_t& value, std::int64_t lo, std::int64_t hi)
{
    int i = 0;
    const int n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text.at(i) == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0')
        && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return false;
    // The magnitude may reach |lo|, one more than hi.
    const std::uint64_t maxMagnitude = negative ? std::uint64_t(-(lo + 1)) + 1 : std::uint64_t(hi);
    std::uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            return false;
        if (magnitude > (maxMagnitude - std::uint64_t(digit)) / std::uint64_t(base))
            return false;
        magnitude = magnitude * std::uint64_t(base) + std::uint64_t(digit);
    }
    if (negative)
        value = magnitude == 0 ? 0 : -std::int64_t(magnitude - 1) - 1;
    else
        value = std::int64_t(magnitude);
    return true;
}

QString withoutTimeZone(QString format)
{
    // Drop the zone token and the separator that introduced it.
    QString out;
    bool inQuote = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            inQuote = !inQuote;
        if (!inQuote && c == QLatin1Char('t'))
            continue;
        out.append(c);
    }
    return out.trimmed();
}

const QDateTime& epoch()
{
    static const QDateTime e(QDate(1899, 12, 30), QTime(0, 0));
    return e;
}

} // namespace

bool TryStrToInt(const QString& text, std::int32_t& value)
{
    std::int64_t v = 0;
    if (!parseInt64(text, v, std::numeric_limits<std::int32_t>::min(),
            std::numeric_limits<std::int32_t>::max()))
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

std::int32_t StrToInt(const QString& text)
{
    std::int32_t v = 0;
    if (!TryStrToInt(text, v))
        throw EConvertError(quoted(text, "integer value"));
    return v;
}

std::int64_t StrToInt64(const QString& text)
{
    std::int64_t v = 0;
    if (!parseInt64(text, v, std::numeric_limits<std::int64_t>::min(),
            std::numeric_limits<std::int64_t>::max()))
        throw EConvertError(quoted(text, "integer value"));
    return v;
}

bool TryStrToFloat(const QString& text, double& value)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    const QLocale locale;
    const QString sep = locale.decimalPoint();
    if (sep != QLatin1String("."))
        t.replace(sep, QLatin1String("."));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

double StrToFloat(const QString& text)
{
    double v = 0;
    if (!TryStrToFloat(text, v))
        throw EConvertError(quoted(text, "floating point value"));
    return v;
}

QString FloatToStr(double value)
{
    QString s = QLocale::c().toString(value, 'g', 15);
    const QString sep = QLocale().decimalPoint();
    if (sep != QLatin1String("."))
        s.replace(QLatin1Char('.'), sep);
    return s;
}

TDateTime ToDateTime(const QDateTime& value)
{
    const qint64 ms = epoch().msecsTo(QDateTime(value.date(), value.time()));
    return static_cast<double>(ms) / 86400000.0;
}

QDateTime FromDateTime(TDateTime value)
{
    const auto ms = static_cast<qint64>(std::llround(value * 86400000.0));
    return epoch().addMSecs(ms);
}

TDateTime Now()
{
    return ToDateTime(QDateTime::currentDateTime());
}

TDateTime Date()
{
    return std::floor(Now());
}

bool TryStrToDateTime(const QString& text, TDateTime& value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    const QLocale locale;
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    const QString timeFormat = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    const QString formats[] = {
        dateFormat + QLatin1Char(' ') + timeFormat,
        dateFormat + QLatin1Char(' ') + shortTime,
        QStringLiteral("yyyy-MM-dd HH:mm:ss"),
        QStringLiteral("yyyy-MM-dd HH:mm"),
    };
    for (const QString& f : formats) {
        const QDateTime dt = locale.toDateTime(t, f);
        if (dt.isValid()) {
            value = ToDateTime(dt);
            return true;
        }
    }
    for (const QString& f : { dateFormat, QStringLiteral("yyyy-MM-dd") }) {
        const QDate d = locale.toDate(t, f);
        if (d.isValid()) {
            value = ToDateTime(QDateTime(d, QTime(0, 0)));
            return true;
        }
    }
    for (const QString& f : { timeFormat, shortTime, QStringLiteral("HH:mm:ss") }) {
        const QTime tm = locale.toTime(t, f);
        if (tm.isValid()) {
            value = static_cast<double>(tm.msecsSinceStartOfDay()) / 86400000.0;
            return true;
        }
    }
    return false;
}

TDateTime StrToDateTime(const QString& text)
{
    TDateTime v = 0;
    if (!TryStrToDateTime(text, v))
        throw EConvertError(quoted(text, "date and time"));
    return v;
}

QString DateToStr(TDateTime value)
{
    return QLocale().toString(FromDateTime(value).date(), QLocale::ShortFormat);
}

QString DateTimeToStr(TDateTime value)
{
    const QDateTime dt = FromDateTime(value);
    // Midnight is shown as the date alone.
    if (dt.time() == QTime(0, 0))
        return DateToStr(value);
    return DateToStr(value) + QLatin1Char(' ') + TimeToStr(dt.time());
}

bool TryStrToBool(const QString& text, bool& value)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        value = true;
        return true;
    }
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        value = false;
        return true;
    }
    double number = 0;
    if (TryStrToFloat(t, number)) {
        value = number != 0;
        return true;
    }
    return false;
}

bool StrToBool(const QString& text)
{
    bool v = false;
    if (!TryStrToBool(text, v))
        throw EConvertError(quoted(text, "boolean value"));
    return v;
}

QString BoolToStr(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString LongTimeFormat()
{
    return withoutTimeZone(QLocale().timeFormat(QLocale::LongFormat));
}

QString TimeToStr(const QTime& time)
{
    return QLocale().toString(time, LongTimeFormat());
}

QString TimeToStr(TDateTime value)
{
    return TimeToStr(FromDateTime(value).time());
}

} // namespace SysUtils
