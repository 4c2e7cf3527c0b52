#include "Memo.h"

#include <gtest/gtest.h>

TEST(MemoLines, ATrailingLineBreakEndsTheLastLineButAddsNone)
{
    EXPECT_EQ(Memo::SplitLines(QStringLiteral("a\r\nb\r\n")),
        QStringList({ QStringLiteral("a"), QStringLiteral("b") }));
    EXPECT_EQ(Memo::SplitLines(QStringLiteral("a\nb\n\n")),
        QStringList({ QStringLiteral("a"), QStringLiteral("b"), QString() }));
    EXPECT_EQ(Memo::SplitLines(QStringLiteral("a\nb")),
        QStringList({ QStringLiteral("a"), QStringLiteral("b") }));
    EXPECT_TRUE(Memo::SplitLines(QString()).isEmpty());
    const QStringList lines { QStringLiteral("x"), QString(), QStringLiteral("y") };
    EXPECT_EQ(Memo::SplitLines(Memo::JoinLines(lines)), lines);
}
