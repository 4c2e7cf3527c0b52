#include "Forms.h"

#include <QTimer>

#include <gtest/gtest.h>

TEST(TApplication, GuardTurnsEveryKindOfExceptionIntoOneReport)
{
    QStringList messages;
    QList<TObject*> senders;
    Application()->OnException = [&](TObject* sender, const QString& message) {
        senders.append(sender);
        messages.append(message);
    };
    QObject source;
    Application()->Guard(&source, [] { throw EConvertError(QStringLiteral("'x' is bad")); });
    Application()->Guard(&source, [] { throw std::runtime_error("plain"); });
    Application()->Guard(&source, [] { throw 42; });
    Application()->Guard(&source, [] {});
    EXPECT_EQ(messages,
        QStringList({ QStringLiteral("'x' is bad"), QStringLiteral("plain"),
            QStringLiteral("Unknown exception") }));
    EXPECT_EQ(senders.value(0), &source);
    Application()->OnException = nullptr;
}

TEST(TApplication, AGuardedTimerSlotNeverLetsTheExceptionOut)
{
    int reports = 0;
    Application()->OnException = [&](TObject*, const QString&) { ++reports; };
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &timer,
        Guarded(&timer, [] { throw Exception(QStringLiteral("tick failed")); }));
    timer.start(0);
    for (int i = 0; i < 50 && reports == 0; ++i)
        Application()->ProcessMessages();
    EXPECT_EQ(reports, 1);
    Application()->OnException = nullptr;
}

TEST(TApplication, AFailingExceptionHandlerIsContained)
{
    Application()->OnException
        = [](TObject*, const QString&) { throw Exception(QStringLiteral("log broken")); };
    Application()->Guard(nullptr, [] { throw Exception(QStringLiteral("first")); });
    Application()->OnException = nullptr;
    SUCCEED();
}
