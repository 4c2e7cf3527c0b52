#include "Memo.h"

#include "Exceptions.h"

#include <QPlainTextEdit>
#include <QTextDocument>

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

TEST(MemoLines, AddingAndDeletingLinesGivesWhatTheLineListGives)
{
    const QStringList starts = { QString(), QStringLiteral("a\n"), QStringLiteral("a\nb\n"),
        QStringLiteral("a\nb"), QStringLiteral("a\n\n"), QStringLiteral("\n") };
    QPlainTextEdit memo;
    for (const QString& start : starts) {
        const QStringList lines = Memo::SplitLines(start);
        memo.setPlainText(start);
        Memo::Add(&memo, QStringLiteral("yeni satır"));
        EXPECT_EQ(memo.toPlainText(),
            Memo::JoinLines(lines + QStringList { QStringLiteral("yeni satır") }))
            << qPrintable(start);
        for (int index = 0; index < lines.size(); ++index) {
            memo.setPlainText(start);
            Memo::Delete(&memo, index);
            QStringList rest = lines;
            rest.removeAt(index);
            const QString expected = Memo::JoinLines(rest);
            // A last line without its line break may stay without one.
            EXPECT_TRUE(memo.toPlainText() == expected
                || memo.toPlainText() + QLatin1Char('\n') == expected)
                << qPrintable(start) << " without line " << index << ": "
                << qPrintable(memo.toPlainText());
            EXPECT_EQ(Memo::Lines(&memo), rest);
        }
        memo.setPlainText(start);
        EXPECT_THROW(Memo::Delete(&memo, int(lines.size())), EListError);
        EXPECT_THROW(Memo::Delete(&memo, -1), EListError);
    }
}

TEST(MemoLines, ALogThatDropsItsFirstLineForEveryNewOneKeepsNothingOfThem)
{
    QPlainTextEdit memo;
    for (int i = 0; i < 2000; ++i) {
        Memo::Add(&memo, QStringLiteral("satır %1").arg(i));
        if (Memo::LineCount(&memo) > 2)
            Memo::Delete(&memo, 0);
    }
    EXPECT_EQ(Memo::Lines(&memo),
        QStringList({ QStringLiteral("satır 1998"), QStringLiteral("satır 1999") }));
    EXPECT_FALSE(memo.document()->isUndoAvailable())
        << "the dropped lines live on in the undo history";
    EXPECT_EQ(memo.document()->blockCount(), 3);
}
