#include "SimSocket.h"
#include "SimControlServer.h"
#include "SimPeer.h"
#include "SimProtocol.h"
#include "SimulatedXelto.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A user the folders can belong to instead of us; root can hand them over.
constexpr uid_t OtherUser = 65534;

struct stat statOf(const QString& path)
{
    struct stat st
    {
    };
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

int listeningSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, QFile::encodeName(path).constData());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The socket's place when neither an explicit path nor a runtime folder is
// given: a folder of ours under a private temporary folder.
class FallbackFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        for (int i = 0; i < 3; ++i)
            saved[i] = qgetenv(names[i]);
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        qunsetenv("XDG_RUNTIME_DIR");
        qunsetenv("CALLERID_SIM_SOCKET");
        folder = tmp.filePath(QStringLiteral("callerid-sim-%1").arg(::getuid()));
        path = SimProtocol::SocketPath();
    }
    void TearDown() override
    {
        for (int i = 0; i < 3; ++i)
            saved[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
    }

    // Listening on path fails with one line that names what, and changes nothing.
    void expectRefused(const QString& named, const char* says)
    {
        const struct stat before = statOf(folder);
        testing::internal::CaptureStderr();
        SimControlServer server(&control);
        EXPECT_FALSE(server.listen(path));
        const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
        EXPECT_EQ(log.count(QLatin1String("callerid:")), 1) << qPrintable(log);
        EXPECT_TRUE(log.contains(named)) << qPrintable(log);
        EXPECT_TRUE(log.contains(QLatin1String(says))) << qPrintable(log);
        const struct stat after = statOf(folder);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_FALSE(QFileInfo::exists(path));
    }

    static constexpr const char* names[] = { "TMPDIR", "XDG_RUNTIME_DIR", "CALLERID_SIM_SOCKET" };
    QTemporaryDir tmp;
    QByteArray saved[3];
    QString folder;
    QString path;
    SimulatedXelto control;
};

} // namespace

TEST_F(FallbackFolderTest, IsMadePrivateWhenMissing)
{
    ASSERT_EQ(QFileInfo(path).absolutePath(), folder);
    SimControlServer server(&control);
    ASSERT_TRUE(server.listen(path));
    const struct stat st = statOf(folder);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::geteuid());
    SimPeer peer(path);
    ASSERT_TRUE(peer.send(SimProtocol::EncodeRequest({ QStringLiteral("status") })));
    EXPECT_TRUE(SimProtocol::DecodeReply(peer.line().value_or(QByteArray())).ok);
}

TEST_F(FallbackFolderTest, AFolderSomeoneElseMadeFirstIsNotUsed)
{
    ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0700), 0);
    // Open to everyone, as a hostile user would leave it.
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    expectRefused(folder, "open to other users");

    if (::geteuid() != 0)
        GTEST_SKIP() << "handing the folder to another user needs root";
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), OtherUser, OtherUser), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0700), 0);
    expectRefused(folder, "belongs to another user");

    // An impostor listening there is not trusted by the controller either.
    const int impostor = listeningSocket(path);
    ASSERT_GE(impostor, 0);
    const QString problem = SimSocket::CheckServerSocket(path);
    EXPECT_TRUE(problem.contains(QLatin1String("belongs to another user"))) << qPrintable(problem);
    ::close(impostor);
    ::unlink(QFile::encodeName(path).constData());
}

TEST_F(FallbackFolderTest, AFolderThatIsALinkIsNotFollowed)
{
    const QString target = tmp.filePath(QStringLiteral("elsewhere"));
    ASSERT_EQ(::mkdir(QFile::encodeName(target).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0755), 0);
    ASSERT_TRUE(QFile::link(target, folder));
    expectRefused(folder, "symbolic link");
    EXPECT_EQ(statOf(target).st_mode & 0777, 0755u);
    EXPECT_TRUE(QDir(target).isEmpty());

    QFile::remove(folder);
    ASSERT_TRUE(QFile(folder).open(QIODevice::WriteOnly));
    expectRefused(folder, "not a folder");
}

TEST(SimSocketCheck, TheControllerTrustsOnlyAnOwnSocket)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sim.socket"));
    EXPECT_TRUE(SimSocket::CheckServerSocket(path).contains(QLatin1String("no running program")));
    ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
    EXPECT_TRUE(SimSocket::CheckServerSocket(path).contains(QLatin1String("not a socket")));
    QFile::remove(path);

    const int fd = listeningSocket(path);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(SimSocket::CheckServerSocket(path), QString());
    // As seen by another user, the same socket is someone else's.
    EXPECT_TRUE(SimSocket::CheckServerSocket(path, ::geteuid() + 1)
                    .contains(QLatin1String("belongs to another user")));

    if (::geteuid() != 0) {
        ::close(fd);
        GTEST_SKIP() << "handing the socket to another user needs root";
    }
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), OtherUser, OtherUser), 0);
    QProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CALLERID_SIM_SOCKET"), path);
    sim.setProcessEnvironment(env);
    sim.start(QStringLiteral(CALLERID_SIM_PROGRAM), { QStringLiteral("detach") });
    ASSERT_TRUE(sim.waitForFinished(30000));
    EXPECT_EQ(sim.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(sim.readAllStandardError());
    EXPECT_TRUE(said.contains(QLatin1String("belongs to another user"))) << qPrintable(said);
    // It never even connected.
    EXPECT_LT(::accept(fd, nullptr, nullptr), 0);
    ::close(fd);
}
