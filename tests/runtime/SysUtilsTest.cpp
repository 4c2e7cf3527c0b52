#include "SysUtils.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <limits>

using namespace SysUtils;

namespace {
QString messageOf(auto&& fn)
{
    try {
        fn();
    } catch (const EConvertError& e) {
        return e.Message();
    }
    return {};
}
} // namespace

TEST(StrToInt, AcceptsDecimalSignsHexAndLeadingBlanks)
{
    EXPECT_EQ(StrToInt(QStringLiteral("42")), 42);
    EXPECT_EQ(StrToInt(QStringLiteral("-3")), -3);
    EXPECT_EQ(StrToInt(QStringLiteral("+7")), 7);
    EXPECT_EQ(StrToInt(QStringLiteral("  10")), 10);
    EXPECT_EQ(StrToInt(QStringLiteral("$1F")), 31);
    EXPECT_EQ(StrToInt(QStringLiteral("0x10")), 16);
    EXPECT_EQ(StrToInt(QStringLiteral("2147483647")), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(StrToInt(QStringLiteral("-2147483648")), std::numeric_limits<std::int32_t>::min());
}

TEST(StrToInt, RejectsEverythingElseWithTheRuntimeMessage)
{
    for (const char* bad :
        { "x", "", " ", "12 ", "1.5", "2147483648", "-2147483649", "-", "$", "٣" }) {
        const QString text = QString::fromUtf8(bad);
        EXPECT_EQ(messageOf([&] { StrToInt(text); }),
            QStringLiteral("'%1' is not a valid integer value").arg(text))
            << bad;
    }
}

TEST(Conversions, FloatBoolAndDateMessagesNameTheText)
{
    EXPECT_DOUBLE_EQ(StrToFloat(QStringLiteral("2.5")), 2.5);
    EXPECT_EQ(messageOf([] { StrToFloat(QStringLiteral("abc")); }),
        QStringLiteral("'abc' is not a valid floating point value"));
    EXPECT_TRUE(StrToBool(QStringLiteral("TRUE")));
    EXPECT_FALSE(StrToBool(QStringLiteral("false")));
    EXPECT_FALSE(StrToBool(QStringLiteral("0")));
    EXPECT_TRUE(StrToBool(QStringLiteral("-1")));
    EXPECT_EQ(messageOf([] { StrToBool(QStringLiteral("yes")); }),
        QStringLiteral("'yes' is not a valid boolean value"));
    EXPECT_EQ(messageOf([] { StrToDateTime(QStringLiteral("never")); }),
        QStringLiteral("'never' is not a valid date and time"));
}

TEST(DateTime, RoundTripsThroughTheDayNumber)
{
    const QDateTime moment(QDate(2007, 1, 15), QTime(13, 45, 30));
    const TDateTime value = ToDateTime(moment);
    EXPECT_NEAR(value, 39097.0 + (13 * 3600 + 45 * 60 + 30) / 86400.0, 1e-9);
    EXPECT_EQ(FromDateTime(value), moment);
    EXPECT_EQ(StrToDateTime(DateTimeToStr(value)), value);
}

TEST(TimeToStr, HasHoursMinutesSecondsAndNoZone)
{
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    EXPECT_EQ(TimeToStr(QTime(9, 5, 7)), QStringLiteral("09:05:07"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString us = TimeToStr(QTime(21, 5, 7));
    EXPECT_TRUE(us.startsWith(QStringLiteral("9:05:07"))) << us.toStdString();
    EXPECT_FALSE(LongTimeFormat().contains(QLatin1Char('t')));
    QLocale::setDefault(QLocale::system());
}
