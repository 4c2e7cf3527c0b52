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
    QString model;
    control.Command(QStringLiteral("devicemodel"), &model);
    control.Command(QStringLiteral("devicemodel"), &model);

    const SimProtocol::Reply status = run(control, words("status"));
    ASSERT_TRUE(status.ok);
    EXPECT_TRUE(status.lines.contains(QStringLiteral("attached: yes")));
    EXPECT_TRUE(status.lines.contains(QStringLiteral("serial: Ş-77")));
    EXPECT_TRUE(status.lines.contains(QStringLiteral("start calls: 1")));
    EXPECT_TRUE(status.lines.contains(QStringLiteral("model reads: 2")));
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

TEST(SimProtocol, LineNumbersArePlainDecimalOneToFour)
{
    SimulatedXelto control;
    ASSERT_TRUE(run(control, words("attach M S")).ok);
    for (const char* line : { " 1", "1 ", "0x1", "+3", "-1", "004", "01", "0", "5", "", "1.0",
             "\xd9\xa1" /* ARABIC-INDIC DIGIT ONE */, "\xef\xbc\x91" /* FULLWIDTH DIGIT ONE */ }) {
        const SimProtocol::Reply reply = run(
            control, { QStringLiteral("call"), QString::fromUtf8(line), QStringLiteral("0") });
        EXPECT_FALSE(reply.ok) << '"' << line << '"';
        EXPECT_TRUE(reply.error.contains(QLatin1String("1 to 4"))) << qPrintable(reply.error);
    }
    for (const char* line : { "1", "2", "3", "4" })
        EXPECT_TRUE(
            run(control, { QStringLiteral("call"), QString::fromUtf8(line), QStringLiteral("0") })
                .ok)
            << line;
}

TEST(SimProtocol, ControlCharactersAndBrokenSurrogatesAreRefusedInDeviceTexts)
{
    SimulatedXelto control;
    ASSERT_TRUE(run(control, words("attach M S")).ok);
    for (const char* bad : { "\\u0000", "\\u001b[2J", "a\\nb", "\\u007f", "\\u0085", "x\\u2028",
             "\\ud800", "\\udc00x", "\\ude00\\ud83d" }) {
        const QByteArray text(bad);
        for (const QByteArray& line :
            { "[\"attach\", \"" + text + "\", \"S2\"]", "[\"attach\", \"M2\", \"" + text + "\"]",
                "[\"call\", \"1\", \"" + text + "\"]" }) {
            const SimProtocol::Reply reply = SimProtocol::Execute(control, line);
            EXPECT_FALSE(reply.ok) << line.constData();
            EXPECT_TRUE(reply.error.contains(QLatin1String("U+"))) << qPrintable(reply.error);
        }
    }
    EXPECT_EQ(control.model(), QStringLiteral("M"));
    EXPECT_EQ(control.serial(), QStringLiteral("S"));
    // Turkish letters, blanks and characters beyond the first plane are fine.
    EXPECT_TRUE(
        SimProtocol::Execute(control, "[\"attach\", \"Çağrı Ölçer\", \"Ş \\ud83d\\ude00\"]").ok);
    EXPECT_EQ(control.serial(), QStringLiteral("Ş 😀"));
    EXPECT_TRUE(SimProtocol::Execute(control, "[\"call\", \"2\", \"+90 (212) 555 01 01\"]").ok);
}
