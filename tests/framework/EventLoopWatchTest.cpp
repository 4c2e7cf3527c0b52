#include "EventLoopWatch.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

TEST(EventLoopWatch, ABlockedEventLoopIsWrittenDownAtLeastAsLongAsItWasBlocked)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("loop.log"));
    {
        EventLoopWatch watch(path);
        ASSERT_TRUE(watch.isOpen()) << qPrintable(watch.errorString());
        // A handler that keeps the loop for a quarter of a second.
        bool blocked = false;
        QTimer::singleShot(50, [&] {
            QThread::msleep(250);
            blocked = true;
        });
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return blocked && watch.worstMs() >= 250 - EventLoopWatch::TickMs; }, 10000))
            << watch.worstMs() << " ms";
        // Once a second a line with the worst of that second.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !linesOf(path).isEmpty(); }, 10000));
        EXPECT_TRUE(QRegularExpression(
            QStringLiteral(
                "^\\d\\d:\\d\\d:\\d\\d worst \\d+ ms \\(\\d+ ms with the wait for a processor\\)$"))
                        .match(linesOf(path).first())
                        .hasMatch())
            << qPrintable(linesOf(path).first());
    }
    const QStringList lines = linesOf(path);
    ASSERT_FALSE(lines.isEmpty());
    const QRegularExpressionMatch run = QRegularExpression(
        QStringLiteral(
            "^worst of the run: (\\d+) ms \\((\\d+) ms with the wait for a processor\\)$"))
                                            .match(lines.last());
    ASSERT_TRUE(run.hasMatch()) << qPrintable(lines.last());
    // A thread that sleeps waits for nothing: the whole quarter is the program's own.
    EXPECT_GE(run.captured(1).toInt(), 250 - EventLoopWatch::TickMs);
    EXPECT_GE(run.captured(2).toInt(), run.captured(1).toInt());
}

TEST(EventLoopWatch, AFileThatCannotBeWrittenIsSaid)
{
    EventLoopWatch watch(QStringLiteral("/nonexistent-folder/loop.log"));
    EXPECT_FALSE(watch.isOpen());
    EXPECT_FALSE(watch.errorString().isEmpty());
}
