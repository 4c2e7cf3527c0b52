#include "SimControlServer.h"
#include "SimPeer.h"
#include "SimProtocol.h"
#include "SimulatedXelto.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QDirIterator>

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray request(std::initializer_list<const char*> words)
{
    QStringList list;
    for (const char* w : words)
        list << QString::fromUtf8(w);
    return SimProtocol::EncodeRequest(list);
}

SimProtocol::Reply decode(const std::optional<QByteArray>& line)
{
    if (!line)
        return SimProtocol::Reply { false, QStringLiteral("(no reply)"), {} };
    return SimProtocol::DecodeReply(*line);
}

// The lines the server wrote to standard error while fn ran.
template <typename Fn> QStringList serverLog(Fn fn)
{
    testing::internal::CaptureStderr();
    fn();
    QStringList lines;
    for (const QString& line : QString::fromStdString(testing::internal::GetCapturedStderr())
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (line.startsWith(QLatin1String("callerid:")))
            lines << line;
    return lines;
}

ino_t inodeOf(const QString& path)
{
    struct stat st
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// The descriptor of the socket listening at path in this process.
int listenerAt(const QString& path)
{
    QDirIterator fds(QStringLiteral("/proc/self/fd"));
    while (fds.hasNext()) {
        const int fd = QFileInfo(fds.next()).fileName().toInt();
        int listening = 0;
        socklen_t size = sizeof listening;
        sockaddr_un address {};
        socklen_t length = sizeof address;
        if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening
            && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0
            && QFile::decodeName(address.sun_path) == path)
            return fd;
    }
    return -1;
}

class ServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("sim.socket"));
    }

    QTemporaryDir dir;
    QString path;
    SimulatedXelto control;
};

} // namespace

TEST_F(ServerTest, AnOverLongLineIsAnsweredOnceAndNothingOfItRuns)
{
    SimControlServer server(&control);
    ASSERT_TRUE(server.listen(path));
    SimPeer peer(path);
    ASSERT_TRUE(peer.connected());
    ASSERT_TRUE(peer.send(request({ "attach", "M", "S" })));
    ASSERT_TRUE(decode(peer.line()).ok);

    // In one piece, and spread over many writes with a command hidden in the tail.
    ASSERT_TRUE(peer.send(QByteArray(SimProtocol::MaxLineLength + 1, 'x') + request({ "detach" })));
    QByteArray big(200000, ' ');
    big.append(request({ "detach" }));
    for (qsizetype at = 0; at < big.size(); at += 4096)
        ASSERT_TRUE(peer.send(big.mid(at, 4096)));
    ASSERT_TRUE(peer.send(request({ "status" })));

    for (int i = 0; i < 2; ++i) {
        const SimProtocol::Reply reply = decode(peer.line());
        EXPECT_FALSE(reply.ok);
        EXPECT_EQ(reply.error, QStringLiteral("request too long"));
    }
    // The connection lives on, and the next reply is the status's.
    const SimProtocol::Reply status = decode(peer.line());
    EXPECT_TRUE(status.ok) << qPrintable(status.error);
    EXPECT_TRUE(control.attached());

    // A line of exactly the limit is still a request (malformed here, but read).
    QByteArray longest = request({ "attach", "M", "S" }).trimmed();
    longest.append(QByteArray(SimProtocol::MaxLineLength - longest.size(), ' ')).append('\n');
    ASSERT_TRUE(peer.send(longest));
    EXPECT_TRUE(decode(peer.line()).ok);
}

TEST_F(ServerTest, ALastLineWithoutNewlineIsAnswered)
{
    SimControlServer server(&control);
    ASSERT_TRUE(server.listen(path));
    SimPeer peer(path);
    ASSERT_TRUE(peer.send(request({ "detach" }) + request({ "attach", "M", "S" }).trimmed()));
    peer.shutdownWrite();
    EXPECT_TRUE(decode(peer.line()).ok);
    EXPECT_TRUE(decode(peer.line()).ok);
    EXPECT_TRUE(peer.waitForClose());
    EXPECT_TRUE(control.attached());
}

TEST_F(ServerTest, AClientThatNeverReadsIsNoLongerReadFromAndLosesNothing)
{
    SimControlServer server(&control);
    ASSERT_TRUE(server.listen(path));
    SimPeer peer(path);
    // Status replies are many times longer than their requests.
    const QByteArray one = request({ "status" });
    QByteArray burst;
    for (int i = 0; i < 1000; ++i)
        burst.append(one);

    qint64 sent = 0;
    int fullRounds = 0;
    while (sent < 16 * 1024 * 1024 && fullRounds < 200) {
        const qsizetype n = peer.trySend(burst.mid(sent % one.size()));
        sent += n;
        fullRounds = n > 0 ? 0 : fullRounds + 1;
        ServeEvents(1);
    }
    // The server stopped reading long before: what it took is bounded by the
    // socket buffers and a small reply backlog, not by what the client offers.
    EXPECT_LT(sent, 4 * 1024 * 1024);

    // Once the client reads, every request it got in is answered.
    const qint64 requests = sent / one.size();
    for (qint64 i = 0; i < requests; ++i) {
        const SimProtocol::Reply reply = decode(peer.line());
        ASSERT_TRUE(reply.ok) << "reply " << i << " of " << requests << ": "
                              << qPrintable(reply.error);
    }
}

TEST_F(ServerTest, ClientsBeyondTheLimitAreToldBusyUntilOneLeaves)
{
    SimControlServer server(&control);
    ASSERT_TRUE(server.listen(path));
    std::vector<std::unique_ptr<SimPeer>> peers;
    for (int i = 0; i < 32; ++i) {
        peers.push_back(std::make_unique<SimPeer>(path));
        ASSERT_TRUE(peers.back()->send(request({ "status" })));
        ASSERT_TRUE(decode(peers.back()->line()).ok) << "client " << i;
    }
    {
        SimPeer extra(path);
        ASSERT_TRUE(extra.connected());
        const SimProtocol::Reply busy = decode(extra.line());
        EXPECT_FALSE(busy.ok);
        EXPECT_TRUE(busy.error.startsWith(QLatin1String("busy"))) << qPrintable(busy.error);
        EXPECT_TRUE(extra.waitForClose());
    }
    peers.pop_back();
    // The server notices the departure when it next serves events.
    std::optional<QByteArray> reply;
    for (const QDeadlineTimer deadline(15000); !deadline.hasExpired() && !decode(reply).ok;) {
        ServeEventsFor(20);
        SimPeer late(path);
        late.send(request({ "status" }));
        reply = late.line();
    }
    EXPECT_TRUE(decode(reply).ok);
}

TEST_F(ServerTest, OnlyAStaleSocketIsEverRemoved)
{
    // A regular file, a folder and a symbolic link at the path stay as they are.
    QFile important(path);
    ASSERT_TRUE(important.open(QIODevice::WriteOnly));
    important.write("keep me");
    important.close();
    QStringList log = serverLog([&] {
        SimControlServer server(&control);
        EXPECT_FALSE(server.listen(path));
    });
    ASSERT_EQ(log.size(), 1) << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_TRUE(log.first().contains(path)) << qPrintable(log.first());
    EXPECT_TRUE(log.first().contains(QLatin1String("not a socket"))) << qPrintable(log.first());
    ASSERT_TRUE(important.open(QIODevice::ReadOnly));
    EXPECT_EQ(important.readAll(), QByteArray("keep me"));

    const QString folder = dir.filePath(QStringLiteral("folder.socket"));
    ASSERT_TRUE(QDir().mkdir(folder));
    log = serverLog([&] {
        SimControlServer server(&control);
        EXPECT_FALSE(server.listen(folder));
    });
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log.first().contains(folder)) << qPrintable(log.first());
    EXPECT_TRUE(log.first().contains(QLatin1String("folder"))) << qPrintable(log.first());
    EXPECT_TRUE(QFileInfo(folder).isDir());

    const QString link = dir.filePath(QStringLiteral("link.socket"));
    ASSERT_TRUE(QFile::link(path, link));
    SimControlServer server(&control);
    EXPECT_FALSE(server.listen(link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    // A socket left by a program that died is taken over.
    const QString stale = dir.filePath(QStringLiteral("stale.socket"));
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, QFile::encodeName(stale).constData());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    SimControlServer taker(&control);
    EXPECT_TRUE(taker.listen(stale));
    SimPeer peer(stale);
    ASSERT_TRUE(peer.send(request({ "status" })));
    EXPECT_TRUE(decode(peer.line()).ok);
}

TEST_F(ServerTest, BadPathsAreNamedInTheError)
{
    struct Case
    {
        QString path;
        QString named;
        const char* says;
    };
    ASSERT_TRUE(QFile(dir.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly));
    const QString missing = dir.filePath(QStringLiteral("missing"));
    const QString plain = dir.filePath(QStringLiteral("plain"));
    const QString tooLong = dir.filePath(QString(120, QLatin1Char('s')));
    for (const Case& c :
        { Case { missing + QStringLiteral("/sim.socket"), missing, "does not exist" },
            Case { plain + QStringLiteral("/sim.socket"), plain, "not a folder" },
            Case { tooLong, tooLong, "too long" } }) {
        const QStringList log = serverLog([&] {
            SimControlServer server(&control);
            EXPECT_FALSE(server.listen(c.path));
        });
        ASSERT_EQ(log.size(), 1) << qPrintable(c.path);
        EXPECT_TRUE(log.first().contains(c.named)) << qPrintable(log.first());
        EXPECT_TRUE(log.first().contains(QLatin1String(c.says))) << qPrintable(log.first());
    }
}

TEST_F(ServerTest, ALiveOwnerThatDoesNotAcceptKeepsItsSocket)
{
    SimControlServer owner(&control);
    ASSERT_TRUE(owner.listen(path));
    const ino_t socket = inodeOf(path);
    // Fill the owner's backlog without letting it accept.
    std::vector<int> waiting;
    for (int i = 0; i < 4096; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, QFile::encodeName(path).constData());
        const int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        waiting.push_back(fd);
        if (rc != 0)
            break;
    }
    SimControlServer newcomer(&control);
    EXPECT_FALSE(newcomer.listen(path));
    EXPECT_EQ(inodeOf(path), socket);
    for (int fd : waiting)
        ::close(fd);

    SimPeer peer(path);
    ASSERT_TRUE(peer.send(request({ "status" })));
    EXPECT_TRUE(decode(peer.line()).ok);
}

TEST_F(ServerTest, OfProgramsStartedTogetherExactlyOneOwnsTheSocket)
{
    // Several programs take the socket at one agreed moment, over and over.
    constexpr int programs = 4;
    for (int round = 0; round < 15; ++round) {
        std::vector<std::unique_ptr<QProcess>> all;
        for (int i = 0; i < programs; ++i) {
            all.push_back(std::make_unique<QProcess>());
            all.back()->start(QStringLiteral(SIM_RACE_PROGRAM), { path });
        }
        auto answer = [&](QProcess& p) {
            while (!p.canReadLine())
                if (!p.waitForReadyRead(30000))
                    return QString();
            return QString::fromUtf8(p.readLine().trimmed());
        };
        for (auto& p : all)
            ASSERT_EQ(answer(*p), QStringLiteral("ready")) << "round " << round;
        const QByteArray moment
            = QByteArray::number(QDateTime::currentMSecsSinceEpoch() + 100) + '\n';
        for (auto& p : all)
            p->write(moment);
        QStringList answers;
        for (auto& p : all)
            answers << answer(*p);
        EXPECT_EQ(answers.count(QStringLiteral("owner")), 1)
            << "round " << round << ": " << qPrintable(answers.join(QLatin1Char(' ')));
        EXPECT_EQ(answers.count(QStringLiteral("refused")), programs - 1);

        SimPeer peer(path);
        ASSERT_TRUE(peer.send(request({ "status" })));
        EXPECT_TRUE(decode(peer.line()).ok) << "round " << round;

        for (auto& p : all) {
            p->closeWriteChannel();
            ASSERT_TRUE(p->waitForFinished(30000));
            EXPECT_EQ(p->exitCode(), 0);
        }
        // The owner leaves nothing behind.
        EXPECT_FALSE(QFileInfo::exists(path)) << "round " << round;
    }
}

TEST_F(ServerTest, RunningOutOfDescriptorsIsSurvivedWithOneLogLine)
{
    SimControlServer server(&control);
    ASSERT_TRUE(server.listen(path));
    // Serve one client first: the sanitizers check a type the first time they
    // meet it, and need descriptors to do so.
    SimPeer first(path);
    ASSERT_TRUE(first.send(request({ "status" })));
    ASSERT_TRUE(decode(first.line()).ok);
    // These wait in the backlog until the server accepts them.
    std::vector<std::unique_ptr<SimPeer>> peers;
    for (int i = 0; i < 4; ++i)
        peers.push_back(std::make_unique<SimPeer>(path));
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);

    const QStringList log = serverLog([&] {
        // Leave the process not one free descriptor, then let the server try to accept.
        int highest = 0;
        QDirIterator fds(QStringLiteral("/proc/self/fd"));
        while (fds.hasNext())
            highest = std::max(highest, QFileInfo(fds.next()).fileName().toInt());
        rlimit scarce = saved;
        scarce.rlim_cur = highest + 1;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &scarce), 0);
        std::vector<int> filler;
        for (int fd; (fd = ::fcntl(0, F_DUPFD_CLOEXEC, 0)) >= 0;)
            filler.push_back(fd);
        for (auto& peer : peers)
            peer->trySend(request({ "status" }));
        ServeEventsFor(500);
        for (int fd : filler)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &saved);

        // Nothing was lost meanwhile: every waiting client is answered.
        for (auto& peer : peers)
            EXPECT_TRUE(decode(peer->line()).ok);
        SimPeer late(path);
        ASSERT_TRUE(late.send(request({ "status" })));
        EXPECT_TRUE(decode(late.line()).ok);
    });
    ::setrlimit(RLIMIT_NOFILE, &saved);
    ASSERT_EQ(log.size(), 1) << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_TRUE(log.first().contains(path)) << qPrintable(log.first());
}

TEST_F(ServerTest, AFailedListeningSocketIsMadeAnewWithOneLogLine)
{
    SimControlServer server(&control);
    ASSERT_TRUE(server.listen(path));
    const int listener = listenerAt(path);
    ASSERT_GE(listener, 0);
    const QStringList log = serverLog([&] {
        ::shutdown(listener, SHUT_RDWR);
        std::optional<QByteArray> reply;
        for (const QDeadlineTimer deadline(15000); !deadline.hasExpired() && !decode(reply).ok;) {
            ServeEventsFor(20);
            SimPeer peer(path);
            if (peer.connected() && peer.send(request({ "status" })))
                reply = peer.line();
        }
        EXPECT_TRUE(decode(reply).ok);
    });
    ASSERT_EQ(log.size(), 1) << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_TRUE(log.first().contains(path)) << qPrintable(log.first());
}

TEST_F(ServerTest, ClientsIdleForThirtySecondsAreClosed)
{
    qint64 now = 1000;
    SimControlServer server(&control);
    server.setClock([&] { return now; });
    ASSERT_TRUE(server.listen(path));
    SimPeer quiet(path), talking(path), stalled(path);
    for (SimPeer* peer : { &quiet, &talking }) {
        ASSERT_TRUE(peer->send(request({ "status" })));
        ASSERT_TRUE(decode(peer->line()).ok);
    }
    // One that asks and asks but never takes its replies is idle as well.
    const QByteArray flood = request({ "status" }).repeated(100000);
    for (int i = 0, full = 0; i < 100000 && full < 100; ++i) {
        full = stalled.trySend(flood) > 0 ? 0 : full + 1;
        ServeEvents(1);
    }
    ASSERT_EQ(server.clientCount(), 3);

    now += 20000;
    ASSERT_TRUE(talking.send(request({ "status" })));
    ASSERT_TRUE(decode(talking.line()).ok);
    now += 10000;
    server.closeIdleClients();
    EXPECT_EQ(server.clientCount(), 3) << "closed at the limit, not past it";
    now += 1;
    server.closeIdleClients();
    EXPECT_TRUE(quiet.waitForClose());
    EXPECT_TRUE(stalled.waitForClose());
    EXPECT_EQ(server.clientCount(), 1);
    ASSERT_TRUE(talking.send(request({ "status" })));
    EXPECT_TRUE(decode(talking.line()).ok);
}
