#include "PortUsers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 10000;

QByteArray b(const char* text)
{
    return QByteArray(text);
}

QByteArray binaryPid(qint32 pid)
{
    return QByteArray(reinterpret_cast<const char*>(&pid), sizeof pid);
}

// A process that holds PATH open (or nothing) until it is killed.
struct Holder
{
    explicit Holder(const QString& path = {})
    {
        const QString open
            = path.isEmpty() ? QString() : QStringLiteral("exec 3<>'%1'; ").arg(path);
        process.start(QStringLiteral("sh"),
            { QStringLiteral("-c"), open + QStringLiteral("exec sleep 600") });
        process.waitForStarted();
        // Started is the shell; the holder is ready once it has become sleep.
        ready = QTest::qWaitFor(
            [this] {
                QFile comm(QStringLiteral("/proc/%1/comm").arg(pid()));
                return comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "sleep";
            },
            kWaitMs);
    }
    ~Holder()
    {
        process.kill();
        process.waitForFinished();
    }
    qint64 pid() const { return process.processId(); }
    QProcess process;
    bool ready = false;
};

// A process that has ended, and whose PID is free.
qint64 deadPid()
{
    QProcess process;
    process.start(QStringLiteral("true"), QStringList {});
    process.waitForFinished();
    return process.processId() > 0 ? process.processId() : 999999;
}

} // namespace

// Every form UUCP tools write: HDB ASCII with leading blanks, with a name after
// it on the same or the next line, the old four-byte binary form; anything else holds no PID.
TEST(PortUsers, ReadsTheLockFileFormsSerialProgramsWrite)
{
    const struct
    {
        QByteArray contents;
        std::optional<qint64> pid;
    } cases[] = {
        { b("     11877\n"), 11877 },
        { b("11877\n"), 11877 },
        { b("11877"), 11877 },
        { b("  4242 minicom\n"), 4242 },
        { b("4242\nqtapp\nhost\n"), 4242 },
        { b("\t 77\n"), 77 },
        { binaryPid(11877), 11877 },
        { binaryPid(0x00003535), 0x00003535 }, // "55\0\0": not text, so the binary form
        { b("1234"), 1234 }, // four digits are text
        { b(""), std::nullopt },
        { b("    \n"), std::nullopt },
        { b("abc\n"), std::nullopt }, // four bytes, but no PID the kernel gives
        { b("99999999\n"), std::nullopt },
        { b("12ab\n"), std::nullopt },
        { b("0000000000\n"), std::nullopt },
        { b("-5\n"), std::nullopt },
        { b("123456789012345\n"), std::nullopt },
        { binaryPid(-1), std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PortUsers::lockPid(c.contents), c.pid) << c.contents.toHex().constData();
}

// A lock of a live process holds the port whatever its form; a stale one is
// removed (unless only looked at), and the program's own lock is no other program's.
TEST(PortUsers, RespectsLiveLocksAndRemovesStaleOnes)
{
    QTemporaryDir locks;
    ASSERT_TRUE(locks.isValid());
    const QString port = QStringLiteral("/dev/ttyTEST%1").arg(::getpid());
    const QString lockFile = locks.filePath(QStringLiteral("LCK..ttyTEST%1").arg(::getpid()));
    const auto write = [&](const QByteArray& contents) {
        QFile file(lockFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    };
    Holder live;
    ASSERT_TRUE(live.ready);
    const qint64 dead = deadPid();
    for (const QByteArray& contents :
        { QByteArray::number(live.pid()).rightJustified(10, ' ') + '\n',
            binaryPid(qint32(live.pid())) }) {
        write(contents);
        const auto holder
            = PortUsers::lockHolder(port, PortUsers::StaleLocks::Remove, { locks.path() });
        ASSERT_TRUE(holder) << contents.toHex().constData();
        EXPECT_EQ(holder->pid, live.pid());
        EXPECT_EQ(holder->program, QStringLiteral("sleep"));
        EXPECT_EQ(holder->text(), QStringLiteral("PID %1 sleep").arg(live.pid()));
        EXPECT_TRUE(QFile::exists(lockFile));
    }
    write(QByteArray::number(::getpid()) + '\n');
    EXPECT_FALSE(PortUsers::lockHolder(port, PortUsers::StaleLocks::Remove, { locks.path() }));
    EXPECT_TRUE(QFile::exists(lockFile)) << "the program's own lock stays";

    write("     " + QByteArray::number(dead) + '\n');
    EXPECT_FALSE(PortUsers::lockHolder(port, PortUsers::StaleLocks::Keep, { locks.path() }));
    EXPECT_TRUE(QFile::exists(lockFile)) << "only looked at";
    EXPECT_FALSE(PortUsers::lockHolder(port, PortUsers::StaleLocks::Remove, { locks.path() }));
    EXPECT_FALSE(QFile::exists(lockFile)) << "a stale lock is removed";
}

// A process with the terminal open holds it, by whatever name it was opened
// or is looked up; when it lets go, nobody does.
TEST(PortUsers, FindsTheProcessThatHasThePortOpen)
{
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave); // the test itself is never another program
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("modem"));
    const QString chained = dir.filePath(QStringLiteral("by-id"));
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(name), link));
    ASSERT_TRUE(QFile::link(QStringLiteral("modem"), chained)); // relative, to a link
    EXPECT_EQ(PortUsers::resolvedPath(chained), QString::fromLocal8Bit(name));
    EXPECT_FALSE(PortUsers::processHolding(link));
    {
        Holder holder(link);
        ASSERT_TRUE(holder.ready);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return bool(PortUsers::processHolding(chained)); }, kWaitMs));
        const auto found = PortUsers::processHolding(QString::fromLocal8Bit(name));
        ASSERT_TRUE(found);
        EXPECT_EQ(found->pid, holder.pid());
        EXPECT_EQ(found->program, QStringLiteral("sleep"));
    }
    EXPECT_FALSE(PortUsers::processHolding(link));
    ::close(master);
}
