#include "SimProtocol.h"
#include "Forms.h"
#include "SimControlServer.h"
#include "SimulatedXelto.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

SimProtocol::Reply run(SimulatedXelto& control, const QStringList& words)
{
    return SimProtocol::Execute(control, SimProtocol::EncodeRequest(words).trimmed());
}

QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '));
}

} // namespace

TEST(SimProtocol, CommandsDriveTheDeviceAndStatusReportsIt)
{
    SimulatedXelto control;
    EXPECT_TRUE(run(
        control, { QStringLiteral("attach"), QStringLiteral("RT 4052"), QStringLiteral("Ş-77") })
                    .ok);
    EXPECT_EQ(control.model(), QStringLiteral("RT 4052"));
    EXPECT_TRUE(run(control, words("fail serial on")).ok);
    QString serial;
    EXPECT_LT(control.Command(QStringLiteral("serial"), &serial), 0);
    EXPECT_TRUE(run(control, words("fail serial off")).ok);
    control.Start();
    control.Command(QStringLiteral("LineStatus0"), &serial);

    const SimProtocol::Reply status = run(control, words("status"));
    ASSERT_TRUE(status.ok);
    EXPECT_TRUE(status.lines.contains(QStringLiteral("attached: yes")));
    EXPECT_TRUE(status.lines.contains(QStringLiteral("serial: Ş-77")));
    EXPECT_TRUE(status.lines.contains(QStringLiteral("start calls: 1")));
    EXPECT_EQ(status.lines.last(), QStringLiteral("LineStatus0"));

    EXPECT_TRUE(run(control, words("detach")).ok);
    EXPECT_FALSE(control.attached());
}

TEST(SimProtocol, MalformedRequestsAreRefusedAndChangeNothing)
{
    SimulatedXelto control;
    for (const QByteArray& line :
        { QByteArray("attach RT4052 1"), QByteArray("{}"), QByteArray("[1, 2]"), QByteArray("[]"),
            QByteArray("[\"attach\"]"), QByteArray("[\"call\", \"one\", \"05\"]"),
            QByteArray("[\"fail\", \"reboot\", \"on\"]"),
            QByteArray("[\"fail\", \"start\", \"maybe\"]"), QByteArray("[\"signal\", \"1\"]"),
            QByteArray("[\"explode\"]"), QByteArray(SimProtocol::MaxLineLength + 1, '[') }) {
        const SimProtocol::Reply reply = SimProtocol::Execute(control, line);
        EXPECT_FALSE(reply.ok) << line.left(60).constData();
        EXPECT_FALSE(reply.error.isEmpty());
    }
    EXPECT_FALSE(control.attached());
    // Events need an attached device.
    EXPECT_FALSE(run(control, words("call 1 02125550000")).ok);
    EXPECT_TRUE(run(control, words("attach M S")).ok);
    EXPECT_FALSE(run(control, words("call 9 02125550000")).ok);
    // Level texts are passed as given, numbers or not.
    EXPECT_TRUE(run(control, words("signal a b c d e")).ok);
}

TEST(SimControlServer, AnswersOverAnOwnerOnlySocket)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sim.socket"));
    SimulatedXelto control;
    SimControlServer server(&control);
    ASSERT_TRUE(server.listen(path));
    const QFileInfo info(path);
    EXPECT_FALSE(info.permissions()
        & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));

    QLocalSocket client;
    client.connectToServer(path);
    ASSERT_TRUE(client.waitForConnected(2000));
    auto ask = [&](const QByteArray& request) {
        client.write(request);
        client.flush();
        for (int i = 0; i < 200 && !client.canReadLine(); ++i) {
            Application()->ProcessMessages();
            client.waitForReadyRead(10);
        }
        return SimProtocol::DecodeReply(client.readLine());
    };
    EXPECT_TRUE(ask(SimProtocol::EncodeRequest(words("attach M S"))).ok);
    EXPECT_TRUE(control.attached());
    const SimProtocol::Reply bad = ask("not json\n");
    EXPECT_FALSE(bad.ok);
    // The connection survives a bad line.
    EXPECT_TRUE(ask(SimProtocol::EncodeRequest(words("detach"))).ok);
    EXPECT_FALSE(control.attached());

    // A second program cannot take a live socket.
    SimControlServer second(&control);
    EXPECT_FALSE(second.listen(path));
}
