#include "Win1254.h"

#include <gtest/gtest.h>

TEST(Win1254, TurkishLettersSurviveAndOthersBecomeQuestionMarks)
{
    const QString turkish = QStringLiteral("Çağrı sayısı: İŞĞÜÖ şğüöçı €");
    EXPECT_EQ(Win1254::toAnsi(turkish), turkish);
    EXPECT_EQ(Win1254::encode(QStringLiteral("ĞğİıŞş")), QByteArray("\xD0\xF0\xDD\xFD\xDE\xFE"));
    // Greek, Cyrillic and an emoji have no place in the page.
    EXPECT_EQ(Win1254::toAnsi(QStringLiteral("αЖ😀x")), QStringLiteral("???x"));
    // Latin-1 letters that the Turkish page replaced are lost too.
    EXPECT_EQ(Win1254::toAnsi(QStringLiteral("Ðð")), QStringLiteral("??"));
}

TEST(Win1254, DecodeMapsTheHighControlRange)
{
    EXPECT_EQ(Win1254::decode(QByteArray("\x80\x93\x94\x81")), QStringLiteral("€“”?"));
}
