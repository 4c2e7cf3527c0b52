#include "NcidXelto.h"
#include "AutoXelto.h"
#include "FakeDeviceClock.h"
#include "FakeNcidServer.h"
#include "Forms.h"
#include "XeltoBackends.h"
#include "xeltocallerid_TLB.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int Patience = 10000;

class NcidXeltoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ncid.listen());
        Application()->OnException = [this](TObject*, const QString& m) { log.append(m); };
        XeltoBackends::Options options;
        options.backend = QStringLiteral("ncid:127.0.0.1:%1").arg(ncid.port);
        QString error;
        ASSERT_TRUE(XeltoBackends::Register(options, &error)) << qPrintable(error);
        host = std::make_unique<TXelto>();
        host->OnCallerID
            = [this](TObject*, const QString& device, const QString& line, const QString& number,
                  const QString& dateTime, const QString& name) {
                  calls.append(QStringList { device, line, number, dateTime, name });
              };
        host->OnSignalA
            = [this](TObject*, const QString& l1, const QString& l2, const QString&, const QString&,
                  const QString&, const QString&, const QString&, const QString& l8) {
                  levels.append(QStringList { l1, l2, l8 });
              };
    }
    void TearDown() override
    {
        host.reset();
        XeltoBackends::Unregister();
        Application()->OnException = nullptr;
    }

    bool connectAndGreet()
    {
        host->Start();
        if (!QTest::qWaitFor([this] { return ncid.introduced(); }, Patience))
            return false;
        ncid.send(FakeNcidServer::Greeting);
        return QTest::qWaitFor(
            [this] { return !host->Command(QStringLiteral("devicemodel")).isEmpty(); }, Patience);
    }

    FakeNcidServer ncid;
    std::unique_ptr<TXelto> host;
    QStringList log;
    QList<QStringList> calls;
    QList<QStringList> levels;
};

} // namespace

TEST_F(NcidXeltoTest, TheServerIsTheDeviceWhileConnected)
{
    ASSERT_TRUE(host->ControlCreated());
    // Nothing is there before the server greets.
    EXPECT_EQ(host->Command(QStringLiteral("devicemodel")), QString());
    EXPECT_EQ(host->Command(QStringLiteral("serial")), QString());
    ASSERT_TRUE(connectAndGreet());
    const QString address = QStringLiteral("127.0.0.1:%1").arg(ncid.port);
    EXPECT_EQ(host->Command(QStringLiteral("devicemodel")), QStringLiteral("NCID 1.6"));
    EXPECT_EQ(host->Command(QStringLiteral("serial")), address);
    // The meters are told there is no line voltage to show.
    ASSERT_EQ(levels.size(), 1);
    EXPECT_EQ(
        levels[0], QStringList({ QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0") }));

    ncid.send(
        "CID: *DATE*12092026*TIME*1430*LINE*2*NMBR*02125550123*MESG*NONE*NAME*AYSE YILMAZ*\n");
    ASSERT_TRUE(QTest::qWaitFor([this] { return !calls.isEmpty(); }, Patience));
    EXPECT_EQ(calls[0],
        QStringList({ address, QStringLiteral("2"), QStringLiteral("02125550123"),
            QStringLiteral("12092026 1430"), QStringLiteral("AYSE YILMAZ") }));

    ncid.client->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return host->Command(QStringLiteral("devicemodel")).isEmpty(); }, Patience));
    EXPECT_EQ(host->Command(QStringLiteral("serial")), QString());
    // The disconnection is one line in the log.
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("NCID sunucusu bağlantıyı kesti")))
        << qPrintable(log[0]);
}

TEST_F(NcidXeltoTest, LineCommandsAreRefusedWithAReason)
{
    ASSERT_TRUE(connectAndGreet());
    for (const char* keyword : { "LineStatus0", "LineStatus1", "dial02125550123" }) {
        try {
            host->Command(QString::fromUtf8(keyword));
            ADD_FAILURE() << keyword << " was accepted";
        } catch (const EOleSysError& e) {
            EXPECT_EQ(e.Message(),
                QStringLiteral("NCID sunucusu hat komutlarını desteklemiyor: \"%1\" gönderilemedi")
                    .arg(QString::fromUtf8(keyword)));
        }
    }
    EXPECT_THROW(host->Command(QStringLiteral("reboot")), EOleSysError);
    // The server heard nothing but the introduction.
    EXPECT_EQ(ncid.received.count('\n'), 2);
    // Start and ServiceAction do nothing harmful.
    host->ServiceAction();
    host->Start();
    EXPECT_EQ(ncid.accepted, 1);
}

namespace {

// Collects the calls an auto control raises.
class CallSink : public IDispatch
{
public:
    HRESULT QueryInterface(const QUuid&, void** object) override
    {
        *object = this;
        return hr::S_OK;
    }
    HRESULT Invoke(DISPID id, DispatchKind, const QVariantList& args, QVariant*) override
    {
        if (id == XeltoDispId::OnCallerID)
            numbers << args.value(2).toString();
        return hr::S_OK;
    }
    QStringList numbers;
};

} // namespace

TEST(NcidCandidate, AutoTakesTheLocalServerWhileItIsThereAndIsSilentWithoutIt)
{
    FakeNcidServer ncid;
    ASSERT_TRUE(ncid.listen());
    const quint16 port = ncid.port;
    ncid.server.close();
    QStringList log;
    Application()->OnException = [&](TObject*, const QString& m) { log.append(m); };

    std::vector<std::unique_ptr<DeviceCandidate>> candidates;
    candidates.push_back(std::make_unique<NcidCandidate>(QStringLiteral("127.0.0.1"), port));
    AutoXelto control(std::move(candidates));
    CallSink sink;
    quint32 cookie = 0;
    ASSERT_EQ(control.Advise(DIID_IXeltoEvents, &sink, &cookie), hr::S_OK);
    control.Start();
    const auto model = [&] {
        QString text;
        control.Command(QStringLiteral("devicemodel"), &text);
        return text;
    };
    // Nobody listens: the first try is refused, without a word in the log.
    QTest::qWait(300);
    EXPECT_EQ(model(), QString());

    // The server starts; the candidate's next try (about a second later) finds it.
    ASSERT_TRUE(ncid.listen(port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ncid.introduced(); }, Patience));
    ncid.send(FakeNcidServer::Greeting);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model() == QStringLiteral("NCID 1.6"); }, Patience));
    QString serial;
    control.Command(QStringLiteral("serial"), &serial);
    EXPECT_EQ(serial, QStringLiteral("127.0.0.1:%1").arg(port));
    ncid.send("CID: *DATE*12092026*TIME*1430*LINE*1*NMBR*02125550123*MESG*NONE*NAME*-*\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sink.numbers.isEmpty(); }, Patience));
    EXPECT_EQ(sink.numbers, QStringList({ QStringLiteral("02125550123") }));

    // It goes away and comes back: the device goes and comes with it.
    ncid.client->abort();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model().isEmpty(); }, Patience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ncid.accepted == 2 && ncid.introduced(); }, Patience));
    ncid.send(FakeNcidServer::Greeting);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model().isEmpty(); }, Patience));

    // Only the server's going away was worth a line.
    ASSERT_EQ(log.size(), 1) << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("NCID sunucusu bağlantıyı kesti")));
    control.Unadvise(cookie);
    Application()->OnException = nullptr;
}

TEST(NcidCandidate, AServerThatGreetsAndClosesIsRetriedOnTheSameBackOffAsUnderANamedServer)
{
    FakeNcidServer ncid;
    ASSERT_TRUE(ncid.listen());
    FakeDeviceClock clock;
    std::vector<std::unique_ptr<DeviceCandidate>> candidates;
    candidates.push_back(
        std::make_unique<NcidCandidate>(QStringLiteral("127.0.0.1"), ncid.port, clock.factory()));
    AutoXelto control(std::move(candidates));
    control.Start();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return ncid.accepted == i + 1 && ncid.introduced(); }, Patience))
            << i;
        ncid.send(FakeNcidServer::Greeting);
        ASSERT_TRUE(QTest::qWaitFor([&] { return control.devicePresent(); }, Patience));
        ncid.client->abort();
        // The device is let go and the search waits; a reconnection at once shows as a
        // second client.
        const int wait = NcidLink::FirstRetryMs << i;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return ncid.accepted > i + 1
                    || (!control.device() && clock.running() == QList<int>({ wait }));
            },
            Patience));
        ASSERT_EQ(ncid.accepted, i + 1) << "connected again at once after greeting " << i + 1;
        clock.advance(wait);
    }
}
