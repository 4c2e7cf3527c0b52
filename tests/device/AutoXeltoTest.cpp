#include "AutoXelto.h"
#include "SimulatedXelto.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A candidate the test answers for: it hands over a simulated device on request.
class FakeCandidate : public DeviceCandidate
{
public:
    void startSearch(Found found) override
    {
        ++starts;
        m_found = std::move(found);
    }
    void stopSearch() override
    {
        ++stops;
        m_found = nullptr;
    }

    SimulatedXelto* answer(const QString& model)
    {
        if (!m_found)
            return nullptr;
        auto device = std::make_unique<SimulatedXelto>();
        device->attach(model, model + QStringLiteral("-SN"));
        SimulatedXelto* raw = device.get();
        Found found = std::move(m_found);
        m_found = nullptr;
        found(std::move(device));
        return raw;
    }

    bool busy() const override { return probing; }
    void setBusy(bool value)
    {
        probing = value;
        emit busyChanged();
    }

    int starts = 0;
    int stops = 0;
    bool probing = false;

private:
    Found m_found;
};

// Collects the events the auto control raises.
class Sink : public IDispatch
{
public:
    HRESULT QueryInterface(const QUuid&, void** object) override
    {
        *object = this;
        return hr::S_OK;
    }
    HRESULT Invoke(DISPID id, DispatchKind, const QVariantList& args, QVariant*) override
    {
        events << QStringLiteral("%1:%2").arg(id).arg(args.value(2).toString());
        return hr::S_OK;
    }
    QStringList events;
};

struct AutoFixture : ::testing::Test
{
    void SetUp() override
    {
        std::vector<std::unique_ptr<DeviceCandidate>> list;
        list.push_back(std::make_unique<FakeCandidate>());
        list.push_back(std::make_unique<FakeCandidate>());
        modems = static_cast<FakeCandidate*>(list[0].get());
        network = static_cast<FakeCandidate*>(list[1].get());
        control = std::make_unique<AutoXelto>(std::move(list));
        ASSERT_EQ(control->Advise(DIID_IXeltoEvents, &sink, &cookie), hr::S_OK);
        QCoreApplication::processEvents();
    }

    QString command(const char* keyword)
    {
        QString result;
        EXPECT_EQ(control->Command(QString::fromLatin1(keyword), &result), hr::S_OK);
        return result;
    }

    FakeCandidate* modems = nullptr;
    FakeCandidate* network = nullptr;
    std::unique_ptr<AutoXelto> control;
    Sink sink;
    quint32 cookie = 0;
};

} // namespace

TEST_F(AutoFixture, ReportsNoDeviceUntilACandidateAnswers)
{
    EXPECT_EQ(modems->starts, 1);
    EXPECT_EQ(network->starts, 1);
    EXPECT_FALSE(control->devicePresent());
    EXPECT_EQ(command("devicemodel"), QString());
    EXPECT_EQ(command("serial"), QString());
    // A line command with no device cannot be carried out.
    QString result;
    EXPECT_TRUE(Failed(control->Command(QStringLiteral("LineStatus1"), &result)));
    EXPECT_TRUE(TakeErrorInfo().contains(QStringLiteral("LineStatus1")));
    EXPECT_EQ(control->Start(), hr::S_OK);
}

TEST_F(AutoFixture, DelegatesToTheFirstDeviceThatAnsweredAndRelaysItsEvents)
{
    control->Start();
    SimulatedXelto* device = network->answer(QStringLiteral("NCID"));
    ASSERT_TRUE(device);
    EXPECT_FALSE(control->devicePresent()) << "handed over on the next turn of the event loop";
    QCoreApplication::processEvents();
    ASSERT_EQ(control->device(), device);
    EXPECT_EQ(modems->stops, 1) << "the other candidates stop looking";
    EXPECT_EQ(command("devicemodel"), QStringLiteral("NCID"));
    EXPECT_EQ(command("serial"), QStringLiteral("NCID-SN"));
    EXPECT_EQ(device->startCount(), 1) << "Start came before the device and is passed on";
    EXPECT_EQ(command("LineStatus0"), QString());
    EXPECT_EQ(device->commands(), QStringList { QStringLiteral("LineStatus0") });

    device->raiseCall(1, QStringLiteral("02125550123"));
    EXPECT_EQ(sink.events, QStringList { QStringLiteral("209:02125550123") });
    control->Unadvise(cookie);
    device->raiseCall(1, QStringLiteral("1"));
    EXPECT_EQ(sink.events.size(), 1);
}

TEST_F(AutoFixture, SearchesAgainWhenTheDeviceGoesAway)
{
    SimulatedXelto* device = modems->answer(QStringLiteral("MODEM"));
    QCoreApplication::processEvents();
    ASSERT_EQ(control->device(), device);
    int changes = 0;
    QObject::connect(
        control.get(), &XeltoControl::deviceChanged, control.get(), [&] { ++changes; });
    device->detach();
    EXPECT_EQ(command("devicemodel"), QString()) << "never a model for a device that is not there";
    QCoreApplication::processEvents();
    EXPECT_EQ(control->device(), nullptr);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(modems->starts, 2);
    EXPECT_EQ(network->starts, 2);

    // A device that left before it was taken over is not adopted.
    SimulatedXelto* gone = modems->answer(QStringLiteral("GONE"));
    gone->detach();
    QCoreApplication::processEvents();
    EXPECT_FALSE(control->devicePresent());
    EXPECT_EQ(modems->starts, 3) << "and the search goes on";
}

TEST_F(AutoFixture, AnEarlierCandidateStillProbingGoesFirst)
{
    // A network server answers while a plugged modem is still being probed: the
    // modem is asked to finish first, and wins if it answers.
    modems->setBusy(true);
    network->answer(QStringLiteral("NCID"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(control->devicePresent());
    EXPECT_EQ(command("devicemodel"), QString());
    SimulatedXelto* modem = modems->answer(QStringLiteral("MODEM"));
    modems->setBusy(false);
    QCoreApplication::processEvents();
    ASSERT_EQ(control->device(), modem);
    EXPECT_EQ(command("devicemodel"), QStringLiteral("MODEM"));

    // The port was no modem: the server that answered meanwhile is taken.
    modem->detach();
    QCoreApplication::processEvents();
    modems->setBusy(true);
    SimulatedXelto* server = network->answer(QStringLiteral("NCID"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(control->devicePresent());
    modems->setBusy(false);
    QCoreApplication::processEvents();
    ASSERT_EQ(control->device(), server);
    EXPECT_EQ(command("devicemodel"), QStringLiteral("NCID"));
}
