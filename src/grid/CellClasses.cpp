#include "CellClasses.h"

#include "Win1254.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace CellConversions {

std::int32_t RoundToInt(double value)
{
    // nearbyint follows the current rounding mode, which is to-nearest-even.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= double(std::numeric_limits<std::int32_t>::min())
            && rounded <= double(std::numeric_limits<std::int32_t>::max())))
        throw ERangeError();
    return static_cast<std::int32_t>(rounded);
}

} // namespace CellConversions

namespace {

// Text goes through the 8-bit code page before it is parsed, so the same
// characters are lost (and named in the error) as in any other 8-bit text.
QString ansi(const QString& text)
{
    return Win1254::toAnsi(text);
}

QString intText(std::int32_t value)
{
    return QString::number(value);
}

} // namespace

using CellConversions::RoundToInt;

// ---------------------------------------------------------------------------

QString TBooleanCell::GetAsString() const
{
    return SysUtils::BoolToStr(m_value);
}

void TBooleanCell::SetAsBoolean(bool value)
{
    m_value = value;
    TCell::SetAsBoolean(value);
}

void TBooleanCell::SetAsDateTime(TDateTime value)
{
    m_value = false;
    TCell::SetAsDateTime(value);
}

void TBooleanCell::SetAsFloat(double value)
{
    m_value = value > 0;
    TCell::SetAsFloat(value);
}

void TBooleanCell::SetAsInteger(std::int32_t value)
{
    m_value = value > 0;
    TCell::SetAsInteger(value);
}

void TBooleanCell::SetAsString(const QString& value)
{
    m_value = value.toLower() == QLatin1String("true");
    TCell::SetAsString(value);
}

// ---------------------------------------------------------------------------

std::int32_t TDateTimeCell::GetAsInteger() const
{
    return RoundToInt(m_value);
}

QString TDateTimeCell::GetAsString() const
{
    return SysUtils::DateTimeToStr(m_value);
}

void TDateTimeCell::SetAsBoolean(bool value)
{
    m_value = SysUtils::Date();
    TCell::SetAsBoolean(value);
}

void TDateTimeCell::SetAsDateTime(TDateTime value)
{
    m_value = value;
    TCell::SetAsDateTime(value);
}

void TDateTimeCell::SetAsFloat(double value)
{
    m_value = value;
    TCell::SetAsFloat(value);
}

void TDateTimeCell::SetAsInteger(std::int32_t value)
{
    m_value = value;
    TCell::SetAsInteger(value);
}

void TDateTimeCell::SetAsString(const QString& value)
{
    m_value = SysUtils::StrToDateTime(ansi(value));
    TCell::SetAsString(value);
}

// ---------------------------------------------------------------------------

std::int32_t TFloatCell::GetAsInteger() const
{
    return RoundToInt(m_value);
}

QString TFloatCell::GetAsString() const
{
    return SysUtils::FloatToStr(m_value);
}

void TFloatCell::SetAsBoolean(bool value)
{
    m_value = 0;
    TCell::SetAsBoolean(value);
}

void TFloatCell::SetAsDateTime(TDateTime value)
{
    m_value = value;
    TCell::SetAsDateTime(value);
}

void TFloatCell::SetAsFloat(double value)
{
    m_value = value;
    TCell::SetAsFloat(value);
}

void TFloatCell::SetAsInteger(std::int32_t value)
{
    m_value = value;
    TCell::SetAsInteger(value);
}

void TFloatCell::SetAsString(const QString& value)
{
    m_value = SysUtils::StrToFloat(ansi(value));
    TCell::SetAsString(value);
}

// ---------------------------------------------------------------------------

QString TIntegerCell::GetAsString() const
{
    return intText(m_value);
}

void TIntegerCell::SetAsBoolean(bool value)
{
    m_value = 0;
    TCell::SetAsBoolean(value);
}

void TIntegerCell::SetAsDateTime(TDateTime value)
{
    m_value = 0;
    TCell::SetAsDateTime(value);
}

void TIntegerCell::SetAsFloat(double value)
{
    m_value = RoundToInt(value);
    TCell::SetAsFloat(value);
}

void TIntegerCell::SetAsInteger(std::int32_t value)
{
    m_value = value;
    TCell::SetAsInteger(value);
}

void TIntegerCell::SetAsString(const QString& value)
{
    m_value = SysUtils::StrToInt(ansi(value));
    TCell::SetAsString(value);
}

// ---------------------------------------------------------------------------

void TStringCell::release()
{
    if (m_form == Shared)
        m_shared.~QString();
    m_form = Narrow;
    m_length = 0;
}

void TStringCell::store(const QString& value)
{
    const qsizetype n = value.size();
    const char16_t* units = reinterpret_cast<const char16_t*>(value.constData());
    static_assert(WideCapacity <= NarrowCapacity);
    if (n <= NarrowCapacity) {
        char16_t all = 0;
        for (qsizetype i = 0; i < n; ++i)
            all |= units[i];
        const bool narrow = all < 0x100;
        if (narrow || n <= WideCapacity) {
            if (m_form == Shared)
                m_shared.~QString();
            if (narrow) {
                for (qsizetype i = 0; i < n; ++i)
                    m_narrow[i] = char(units[i]);
                m_form = Narrow;
            } else {
                std::copy(units, units + n, m_wide);
                m_form = Wide;
            }
            m_length = std::uint8_t(n);
            return;
        }
    }
    if (m_form == Shared) {
        m_shared = value;
        return;
    }
    new (&m_shared) QString(value);
    m_form = Shared;
}

TStringCell::View TStringCell::Text() const
{
    switch (m_form) {
    case Narrow:
        return { m_narrow, m_length, true };
    case Wide:
        return { m_wide, m_length, false };
    case Shared:
        break;
    }
    return { m_shared.constData(), m_shared.size(), false };
}

QString TStringCell::Value() const
{
    switch (m_form) {
    case Narrow:
        return m_length ? QString::fromLatin1(m_narrow, m_length) : QString();
    case Wide:
        return QString(reinterpret_cast<const QChar*>(m_wide), m_length);
    case Shared:
        break;
    }
    return m_shared;
}

bool TStringCell::GetAsBoolean() const
{
    return SysUtils::StrToBool(ansi(Value()));
}

TDateTime TStringCell::GetAsDateTime() const
{
    return SysUtils::StrToDateTime(ansi(Value()));
}

double TStringCell::GetAsFloat() const
{
    return SysUtils::StrToFloat(ansi(Value()));
}

std::int32_t TStringCell::GetAsInteger() const
{
    return SysUtils::StrToInt(ansi(Value()));
}

void TStringCell::SetAsBoolean(bool value)
{
    store(SysUtils::BoolToStr(value));
    TCell::SetAsBoolean(value);
}

void TStringCell::SetAsDateTime(TDateTime value)
{
    store(SysUtils::DateTimeToStr(value));
    TCell::SetAsDateTime(value);
}

void TStringCell::SetAsFloat(double value)
{
    store(SysUtils::FloatToStr(value));
    TCell::SetAsFloat(value);
}

void TStringCell::SetAsInteger(std::int32_t value)
{
    store(intText(value));
    TCell::SetAsInteger(value);
}

void TStringCell::SetAsString(const QString& value)
{
    store(value);
    TCell::SetAsString(value);
}
