#include "Forms.h"
#include "SimulatedXelto.h"
#include "XeltoBackends.h"
#include "xeltocallerid_TLB.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string_view>

using namespace std::literals;

namespace {

class XeltoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Application()->OnException = [this](TObject*, const QString& m) { log.append(m); };
        XeltoBackends::Options options;
        options.backend = QStringLiteral("sim");
        options.onCreated = [this](const std::shared_ptr<SimulatedXelto>& c) { control = c; };
        ASSERT_TRUE(XeltoBackends::Register(options));
    }
    void TearDown() override
    {
        XeltoBackends::Unregister();
        Application()->OnException = nullptr;
    }

    QStringList log;
    std::shared_ptr<SimulatedXelto> control;
};

} // namespace

TEST_F(XeltoTest, HostCreatesTheControlAndCallsItsMethods)
{
    TXelto host;
    ASSERT_TRUE(host.ControlCreated());
    ASSERT_TRUE(control);
    EXPECT_TRUE(control->formVisible());
    host.SetFormVisible(false);
    host.Start();
    host.ServiceAction();
    EXPECT_FALSE(control->formVisible());
    EXPECT_EQ(control->startCount(), 1);
    EXPECT_EQ(control->serviceActionCount(), 1);

    EXPECT_EQ(host.Command(QStringLiteral("devicemodel")), QString());
    control->attach(QStringLiteral("RT4052"), QStringLiteral("S-1"));
    EXPECT_EQ(host.Command(QStringLiteral("devicemodel")), QStringLiteral("RT4052"));
    EXPECT_EQ(host.Command(QStringLiteral("serial")), QStringLiteral("S-1"));
    host.Command(QStringLiteral("LineStatus1"));
    host.Command(QStringLiteral("dial05.."));
    // Status queries are not line commands and are not recorded.
    EXPECT_EQ(control->commands(),
        QStringList({ QStringLiteral("LineStatus1"), QStringLiteral("dial05..") }));
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(XeltoTest, FailingMethodsRaiseWithTheControlsMessage)
{
    TXelto host;
    control->attach(QStringLiteral("RT4052"), QStringLiteral("S-1"));
    control->setFailure(SimulatedXelto::Method::DeviceModel, true);
    try {
        host.Command(QStringLiteral("devicemodel"));
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("devicemodel"))) << qPrintable(e.Message());
    }
    // Only the named method fails.
    EXPECT_EQ(host.Command(QStringLiteral("serial")), QStringLiteral("S-1"));
    control->setFailure(SimulatedXelto::Method::Start, true);
    EXPECT_THROW(host.Start(), EOleSysError);
    control->setFailure(SimulatedXelto::Method::Command, true);
    EXPECT_THROW(host.Command(QStringLiteral("LineStatus0")), EOleSysError);
    EXPECT_TRUE(control->commands().isEmpty());
}

TEST_F(XeltoTest, EventsReachTheHandlersAndTheirErrorsReachTheLog)
{
    TXelto host;
    QStringList calls;
    host.OnCallerID = [&](QObject* sender, const QString& device, const QString& line,
                          const QString& number, const QString&, const QString&) {
        EXPECT_EQ(sender, &host);
        calls << device + QLatin1Char('|') + line + QLatin1Char('|') + number;
    };
    QStringList levels;
    host.OnSignalA
        = [&](QObject*, const QString& l1, const QString&, const QString&, const QString& l4,
              const QString& l5, const QString&, const QString&, const QString& l8) {
              levels << l1 << l4 << l5 << l8;
              throw Exception(QStringLiteral("handler failed"));
          };
    EXPECT_THROW(control->raiseCall(1, QStringLiteral("02125550101")), Exception);
    control->attach(QStringLiteral("M"), QStringLiteral("S-9"));
    control->raiseCall(3, QStringLiteral("02125550101"));
    EXPECT_EQ(calls, QStringList({ QStringLiteral("S-9|3|02125550101") }));
    EXPECT_THROW(control->raiseCall(5, QStringLiteral("1")), Exception);

    control->raiseSignal(
        { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("x") });
    EXPECT_EQ(levels,
        QStringList({ QStringLiteral("1"), QStringLiteral("x"), QStringLiteral("0"),
            QStringLiteral("0") }));
    // The handler's exception went to the application, not back into the control.
    EXPECT_EQ(log, QStringList({ QStringLiteral("handler failed") }));
}

TEST(XeltoHost, AnUnregisteredControlIsReportedOnceAndLeavesAnInertHost)
{
    XeltoBackends::Unregister();
    QStringList log;
    Application()->OnException = [&](TObject*, const QString& m) { log.append(m); };
    TXelto host;
    EXPECT_FALSE(host.ControlCreated());
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log.first().contains(QStringLiteral("Class not registered")));
    EXPECT_TRUE(log.first().contains(QStringLiteral("EEA18052-171F-4293-8598-AB6E1D7257B2")));
    host.SetFormVisible(false);
    host.Start();
    EXPECT_EQ(host.Command(QStringLiteral("devicemodel")), QString());
    EXPECT_EQ(log.size(), 1);
    Application()->OnException = nullptr;
}

TEST(XeltoHost, AnUnknownBackendNameRegistersNothing)
{
    XeltoBackends::Options options;
    options.backend = QStringLiteral("serial-port");
    QString error;
    EXPECT_FALSE(XeltoBackends::Register(options, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("serial-port")));
    EXPECT_FALSE(ComRegistry::IsRegistered(CLASS_Xelto));
}

namespace {

// A sink that, when called, unadvises its partner: once one has run, the
// other is gone and must not be called.
class PartnerSink : public IDispatch
{
public:
    HRESULT QueryInterface(const QUuid&, void** object) override
    {
        *object = this;
        return hr::S_OK;
    }
    HRESULT Invoke(DISPID, DispatchKind, const QVariantList&, QVariant*) override
    {
        ++calls;
        control->Unadvise(partnerCookie);
        return hr::S_OK;
    }
    SimulatedXelto* control = nullptr;
    quint32 partnerCookie = 0;
    int calls = 0;
};

} // namespace

TEST(XeltoEvents, ASinkUnadvisedDuringAnEventIsNotCalled)
{
    SimulatedXelto control;
    control.attach(QStringLiteral("M"), QStringLiteral("S"));
    PartnerSink a, b;
    quint32 cookieA = 0, cookieB = 0;
    ASSERT_EQ(control.Advise(DIID_IXeltoEvents, &a, &cookieA), hr::S_OK);
    ASSERT_EQ(control.Advise(DIID_IXeltoEvents, &b, &cookieB), hr::S_OK);
    a.control = b.control = &control;
    a.partnerCookie = cookieB;
    b.partnerCookie = cookieA;
    control.raiseCall(1, QStringLiteral("123"));
    EXPECT_EQ(a.calls + b.calls, 1);
}

namespace {

// Keeps the arguments of every call a control raises.
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
        if (id == XeltoDispId::OnCallerID) {
            QStringList texts;
            for (const QVariant& a : args)
                texts << a.toString();
            calls << texts;
        }
        return hr::S_OK;
    }
    QList<QStringList> calls;
};

// Text with NULs inside, which a plain string literal would end at.
QString u(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

} // namespace

TEST(XeltoEvents, CallsReachTheWindowWithoutControlCharactersAndCutToWhatItShows)
{
    SimulatedXelto control;
    CallSink sink;
    quint32 cookie = 0;
    ASSERT_EQ(control.Advise(DIID_IXeltoEvents, &sink, &cookie), hr::S_OK);
    const QString longName(300, QLatin1Char('A'));
    struct Case
    {
        QString raised;
        QString number; // as the window gets it
        QString name;
    };
    const Case cases[] = {
        { u(u"0212\u0000555\u001B[31m0123\u0007"sv), u(u"0212555[31m0123"sv),
            u(u"0212555[31m0123"sv) },
        { u(u"\u0000\u001B\u0007"sv), QStringLiteral("Numara yok"), QString() },
        { u(u"\t\r\n"sv), QStringLiteral("Numara yok"), QString() },
        { QString(), QStringLiteral("Numara yok"), QString() },
        { u(u"AYŞE\tYILMAZ\u0085\u2028ÇİFTÇİ\u007F"sv), u(u"AYŞE YILMAZ ÇİFTÇİ"sv),
            u(u"AYŞE YILMAZ ÇİFTÇİ"sv) },
        { longName, longName.left(63) + QChar(0x2026), longName.left(63) + QChar(0x2026) },
        { u(u"😀"sv).repeated(40), u(u"😀"sv).repeated(31) + QChar(0x2026),
            u(u"😀"sv).repeated(31) + QChar(0x2026) },
    };
    for (const Case& c : cases) {
        sink.calls.clear();
        control.fireCallerID(
            u(u"SN\u001B-1"sv), u(u"1\u0000"sv), c.raised, u(u"09.12.2026\n14:30"sv), c.raised);
        ASSERT_EQ(sink.calls.size(), 1);
        const QStringList& got = sink.calls.first();
        EXPECT_EQ(got.at(0), QStringLiteral("SN-1"));
        EXPECT_EQ(got.at(1), QStringLiteral("1"));
        EXPECT_EQ(got.at(2), c.number) << qPrintable(c.raised.toHtmlEscaped());
        EXPECT_EQ(got.at(3), QStringLiteral("09.12.2026 14:30"));
        EXPECT_EQ(got.at(4), c.name) << qPrintable(c.raised.toHtmlEscaped());
    }
    control.Unadvise(cookie);
}

TEST_F(XeltoTest, TheModelAndSerialReachTheWindowWithoutControlCharacters)
{
    TXelto host;
    control->attach(u(u"RT\u001B[2J4052\u0007"sv), u(u"S\u0000-1\r\n"sv));
    EXPECT_EQ(host.Command(QStringLiteral("devicemodel")), QStringLiteral("RT[2J4052"));
    EXPECT_EQ(host.Command(QStringLiteral("serial")), QStringLiteral("S-1"));
}
