#include "AppFixture.h"

#include "ClickLabel.h"
#include "Exceptions.h"
#include "FakeNotifyArea.h"
#include "Platform.h"
#include "Program.h"
#include "SysUtils.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "Unit5.h"
#include "Unit6.h"

#include <QAccessible>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

#include <functional>

namespace {

const QString kLine1
    = QStringLiteral("Cihaz ile ilgili başka program çalışıyorsa lütfen sonlandırınız.");
const QString kLine2 = QStringLiteral("Aynı anda, 1 uygulama cihaza  bağlantı sağlayabilir.");

// A log line: the time text, ':', the message.
bool isLogLine(const QString& line, const QString& message)
{
    if (!line.endsWith(QLatin1Char(':') + message))
        return false;
    const QString time = line.left(line.size() - message.size() - 1);
    return QRegularExpression(QStringLiteral("^\\d{1,2}[:.]\\d{2}[:.]\\d{2}( ?[AaPp][Mm])?$"))
        .match(time)
        .hasMatch();
}

} // namespace

TEST_F(MainWindowFixture, AnAbsentDeviceIsAwaitedWithoutReset)
{
    form->Label5->setText(QStringLiteral("5"));
    poll();
    EXPECT_EQ(form->Label9->text(), QStringLiteral("Bağlantı bekleniyor"));
    EXPECT_EQ(form->Label24->text(), QString());
    EXPECT_EQ(form->Label25->text(), QString());
    // No reset: the counter text and the initial log stay as they were.
    EXPECT_EQ(form->Label5->text(), QStringLiteral("5"));
    EXPECT_EQ(log(), QStringList({ kLine1, kLine2, QString() }));
}

// A poll that finds nothing changed asks nothing of the window: no label is
// repainted, twice a second, for as long as the program waits.
TEST_F(MainWindowFixture, APollWithNothingChangedRepaintsNothing)
{
    struct UpdateCounter : QObject
    {
        bool eventFilter(QObject*, QEvent* event) override
        {
            updates += event->type() == QEvent::UpdateRequest || event->type() == QEvent::Paint;
            return false;
        }
        int updates = 0;
    } counter;
    form->show();
    for (QWidget* label :
        std::initializer_list<QWidget*> { form->Label9, form->Label24, form->Label25 })
        label->installEventFilter(&counter);
    for (bool present : { false, true }) {
        if (present)
            device->attach(QStringLiteral("RT4052"), QStringLiteral("A1B2"));
        poll();
        QCoreApplication::processEvents();
        counter.updates = 0;
        for (int i = 0; i < 3; ++i) {
            poll();
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(counter.updates, 0) << (present ? "device there" : "no device");
    }
}

TEST_F(MainWindowFixture, APresentDeviceIsShownAndItsRemovalResetsOnce)
{
    device->attach(QStringLiteral("RT4052"), QStringLiteral("A1B2"));
    poll();
    EXPECT_EQ(form->Label9->text(), QStringLiteral("Cihaz bağlı"));
    EXPECT_EQ(form->Label24->text(), QStringLiteral("Cihaz modeli: RT4052"));
    EXPECT_EQ(form->Label25->text(), QStringLiteral("Seri no: A1B2"));

    form->ApplicationEvents1Exception(nullptr, QStringLiteral("boom"));
    CallCount = 3;
    form->Label5->setText(QStringLiteral("3"));
    device->detach();
    poll();
    EXPECT_EQ(form->Label9->text(), QStringLiteral("Bağlantı bekleniyor"));
    EXPECT_EQ(log(), QStringList({ kLine1, kLine2 }));
    EXPECT_EQ(form->Label5->text(), QStringLiteral("0"));
    EXPECT_EQ(CallCount, 0);

    // Later ticks without a device do nothing more.
    form->ApplicationEvents1Exception(nullptr, QStringLiteral("later"));
    form->Label5->setText(QStringLiteral("9"));
    poll();
    poll();
    EXPECT_EQ(form->Label5->text(), QStringLiteral("9"));
    ASSERT_EQ(log().size(), 2);
    EXPECT_EQ(log().at(0), kLine2);
    EXPECT_TRUE(isLogLine(log().at(1), QStringLiteral("later")));
}

TEST_F(MainWindowFixture, ModelTextLosesWhatTheTurkishCodePageCannotHold)
{
    device->attach(QStringLiteral("Çağrı-Ω"), QStringLiteral("Ж1"));
    poll();
    EXPECT_EQ(form->Label24->text(), QStringLiteral("Cihaz modeli: Çağrı-?"));
    EXPECT_EQ(form->Label25->text(), QStringLiteral("Seri no: ?1"));
}

TEST_F(MainWindowFixture, FailingQueriesStopThePollWhereTheyFail)
{
    device->attach(QStringLiteral("RT4052"), QStringLiteral("A1B2"));
    poll();
    device->detach();
    device->setFailure(SimulatedXelto::Method::DeviceModel, true);
    poll();
    // Nothing changed, not even the reset that the missing device would cause.
    EXPECT_EQ(form->Label9->text(), QStringLiteral("Cihaz bağlı"));
    EXPECT_EQ(form->Label24->text(), QStringLiteral("Cihaz modeli: RT4052"));
    ASSERT_EQ(log().size(), 2);
    EXPECT_EQ(log().at(0), QString());
    EXPECT_TRUE(log().at(1).contains(QStringLiteral("devicemodel")));

    device->setFailure(SimulatedXelto::Method::DeviceModel, false);
    device->attach(QStringLiteral("XC-2"), QStringLiteral("S2"));
    device->setFailure(SimulatedXelto::Method::Serial, true);
    poll();
    EXPECT_EQ(form->Label24->text(), QStringLiteral("Cihaz modeli: XC-2"));
    EXPECT_EQ(form->Label25->text(), QStringLiteral("Seri no: A1B2"));
    EXPECT_TRUE(log().last().contains(QStringLiteral("serial")));
}

TEST_F(MainWindowFixture, TheLogSettlesAtItsLastTwoLines)
{
    // From the initial log (two default lines and an empty line).
    form->ApplicationEvents1Exception(nullptr, QStringLiteral("first"));
    ASSERT_EQ(log().size(), 2);
    EXPECT_EQ(log().at(0), QString());
    EXPECT_TRUE(isLogLine(log().at(1), QStringLiteral("first")));

    // From a reset (the two default lines only).
    form->Reset();
    EXPECT_EQ(log(), QStringList({ kLine1, kLine2 }));
    form->ApplicationEvents1Exception(nullptr, QStringLiteral("second"));
    ASSERT_EQ(log().size(), 2);
    EXPECT_EQ(log().at(0), kLine2);
    EXPECT_TRUE(isLogLine(log().at(1), QStringLiteral("second")));

    form->ApplicationEvents1Exception(nullptr, QStringLiteral("third"));
    EXPECT_TRUE(isLogLine(log().at(0), QStringLiteral("second")));
    EXPECT_TRUE(isLogLine(log().at(1), QStringLiteral("third")));
}

TEST(MainWindowBuild, AControlThatCannotBeCreatedIsLoggedWithinTheTwoLines)
{
    // CALLERID_DEVICE=none: nothing stands behind the class ID, and the
    // failure is reported while the window is still being built.
    XeltoBackends::Unregister();
    TForm1 form;
    const QStringList log = Memo::Lines(form.Memo2);
    ASSERT_EQ(log.size(), 2) << log.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(log.at(0), QString());
    const qsizetype message
        = log.at(1).indexOf(QStringLiteral("Caller ID denetimi oluşturulamadı"));
    ASSERT_GT(message, 0);
    EXPECT_TRUE(isLogLine(log.at(1), log.at(1).mid(message)));
}

TEST(MainWindowBuild, AnErrorBeforeTheLogExistsGoesToStandardError)
{
    // The tray icon is added before the page with the log is built; an error
    // reported from there must not reach a log that does not exist yet.
    FakeNotifyArea area;
    area.refuse = [](DWORD, const NOTIFYICONDATAA&) {
        Application()->Guard(nullptr, [] { throw Exception(QStringLiteral("early failure")); });
        return false;
    };
    Platform::Scope scope(nullptr, nullptr, &area);
    XeltoBackends::Options options;
    options.backend = QStringLiteral("sim");
    ASSERT_TRUE(XeltoBackends::Register(options));
    testing::internal::CaptureStderr();
    auto form = std::make_unique<TForm1>();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("early failure"), std::string::npos) << errors;
    EXPECT_EQ(Memo::Lines(form->Memo2), QStringList({ kLine1, kLine2, QString() }));

    // Once built, the window's handler takes the errors.
    area.refuse = nullptr;
    Application()->Guard(nullptr, [] { throw Exception(QStringLiteral("later failure")); });
    EXPECT_TRUE(isLogLine(Memo::Lines(form->Memo2).last(), QStringLiteral("later failure")));
    form.reset();
    XeltoBackends::Unregister();
}

TEST_F(MainWindowFixture, ShowingTheWindowStartsTheControl)
{
    form->Label5->setText(QStringLiteral("7"));
    form->PageControl1->setCurrentWidget(form->TabSheet4);
    form->show();
    EXPECT_EQ(device->startCount(), 1);
    EXPECT_FALSE(device->formVisible());
    EXPECT_EQ(form->Label5->text(), QStringLiteral("0"));
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Cihaz Test"));
    EXPECT_EQ(form->size().grownBy(TForm1::FrameMargins), QSize(560, 470));
    EXPECT_FALSE(form->PageControl1->isTabVisible(form->PageControl1->indexOf(form->TabSheet3)));

    // A failing Start ends the show handler in the log.
    form->hide();
    device->setFailure(SimulatedXelto::Method::Start, true);
    form->show();
    EXPECT_TRUE(log().last().contains(QStringLiteral("Start")));
}

TEST_F(MainWindowFixture, MetersShowLevelsWithSmallOnesAsZero)
{
    device->attach(QStringLiteral("M"), QStringLiteral("S"));
    device->raiseSignal({ QStringLiteral("9"), QStringLiteral("0"), QStringLiteral("-3"),
        QStringLiteral("10"), QStringLiteral("not a number") });
    EXPECT_EQ(form->Label1->text(), QStringLiteral("0"));
    EXPECT_EQ(form->Label2->text(), QStringLiteral("0"));
    EXPECT_EQ(form->Label3->text(), QStringLiteral("0"));
    EXPECT_EQ(form->Label4->text(), QStringLiteral("10"));
    EXPECT_EQ(form->ProgressBar4->value(), 10);
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    // The non-numeric fifth level caused no error.
    EXPECT_EQ(log().size(), 3);

    device->raiseSignal(
        { QStringLiteral("45"), QStringLiteral("30"), QStringLiteral("12"), QStringLiteral("11") });
    EXPECT_EQ(form->ProgressBar1->value(), form->ProgressBar1->maximum());
    EXPECT_EQ(form->Label1->text(), QStringLiteral("45"));

    // One bad level of the four: nothing changes and the log names it.
    device->raiseSignal(
        { QStringLiteral("20"), QStringLiteral("x"), QStringLiteral("20"), QStringLiteral("20") });
    EXPECT_EQ(form->Label1->text(), QStringLiteral("45"));
    EXPECT_EQ(form->Label3->text(), QStringLiteral("12"));
    EXPECT_EQ(form->ProgressBar3->value(), 12);
    EXPECT_TRUE(isLogLine(log().last(), QStringLiteral("'x' is not a valid integer value")));
}

TEST_F(MainWindowFixture, MenuResetAndQuit)
{
    device->attach(QStringLiteral("M"), QStringLiteral("S"));
    poll();
    CallCount = 4;
    form->ApplicationEvents1Exception(nullptr, QStringLiteral("x"));
    form->Listeyisil1->trigger();
    EXPECT_EQ(CallCount, 0);
    EXPECT_EQ(form->Label5->text(), QStringLiteral("0"));
    EXPECT_EQ(log(), QStringList({ kLine1, kLine2 }));

    form->show();
    ASSERT_TRUE(form->isVisible());
    form->ki1->trigger();
    EXPECT_FALSE(form->isVisible());
}

TEST(Program, EntryCreatesTheSixWindowsInOrderAndTitlesTheApplication)
{
    XeltoBackends::Options options;
    options.backend = QStringLiteral("sim");
    ASSERT_TRUE(XeltoBackends::Register(options));
    const int before = int(Application()->Forms().size());
    InitializeProgram();
    const QList<QWidget*> forms = Application()->Forms().mid(before);
    QStringList names;
    for (QWidget* form : forms)
        names << form->objectName();
    EXPECT_EQ(names,
        QStringList({ QStringLiteral("Form1"), QStringLiteral("Form2"), QStringLiteral("Form3"),
            QStringLiteral("ADSlbag"), QStringLiteral("Form6"), QStringLiteral("splnedir") }));
    EXPECT_EQ(Application()->Title(), QStringLiteral("Caller ID Test"));
    EXPECT_EQ(Application()->MainForm(), Form1);
    EXPECT_EQ(Form2->windowTitle(), QStringLiteral("2 Hatlı Cihaz Bağlantısı"));
    EXPECT_EQ(Form6->windowTitle(), QStringLiteral("Tek Hatlı Caller ID Cihazı  Bağlantısı"));
    for (QWidget* form : forms)
        EXPECT_EQ(form->isVisible(), false);
    qDeleteAll(forms);
    XeltoBackends::Unregister();
}

TEST_F(MainWindowFixture, WidgetsCarryTheirTurkishNamesForScreenReaders)
{
    auto name = [](QObject* object) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
        return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
    };
    EXPECT_EQ(name(form->Label22), QStringLiteral("Çağrı sayısı : "));
    EXPECT_EQ(name(form->Label9), QStringLiteral("--"));
    EXPECT_EQ(name(form->ProgressBar1), QStringLiteral("Telefon 1"));
    EXPECT_EQ(name(form->ProgressBar4), QStringLiteral("Telefon 4"));
    EXPECT_EQ(name(form->Memo2), QStringLiteral("Mesajlar"));
    EXPECT_EQ(name(form->BitBtn1), QStringLiteral("Tamam"));
    EXPECT_EQ(name(form->Image4), QStringLiteral("İnternet hattı, cihaza böyle bağlanır >"));
    EXPECT_EQ(name(form->Edit2), QStringLiteral("Çevrilecek numara"));

    // The tabs are read by their captions. (Qt 6.4 offers the hidden "Ayar" tab
    // among them as well.)
    form->show();
    QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(form->PageControl1);
    ASSERT_NE(tabs, nullptr);
    QStringList captions;
    std::function<void(QAccessibleInterface*)> collect = [&](QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (!child)
                continue;
            if (child->role() == QAccessible::PageTab)
                captions << child->text(QAccessible::Name);
            collect(child);
        }
    };
    collect(tabs);
    for (const char* caption : { "Test", "Bağlantı Kılavuzu !", "?" })
        EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;
}

TEST_F(MainWindowFixture, TheMetersShowWhatTheyShowAtStartUpOnceTheDeviceHasGone)
{
    QProgressBar* meters[]
        = { form->ProgressBar1, form->ProgressBar2, form->ProgressBar3, form->ProgressBar4 };
    QLabel* labels[] = { form->Label1, form->Label2, form->Label3, form->Label4 };
    const auto shown = [&] {
        QStringList texts;
        for (int i = 0; i < 4; ++i)
            texts << QString::number(meters[i]->value()) + QLatin1Char('/') + labels[i]->text();
        return texts;
    };
    const auto texts = [](std::initializer_list<const char*> list) {
        QStringList out;
        for (const char* t : list)
            out << QString::fromUtf8(t);
        return out;
    };
    const QStringList atStartUp = shown();
    EXPECT_EQ(atStartUp, texts({ "0/-", "0/-", "0/-", "0/-" }));

    device->attach(QStringLiteral("M"), QStringLiteral("S"));
    poll();
    device->raiseSignal(texts({ "48", "12", "0", "30" }));
    EXPECT_EQ(shown(), texts({ "30/48", "12/12", "0/0", "30/30" }));
    device->detach();
    poll();
    ASSERT_EQ(form->Label9->text(), QStringLiteral("Bağlantı bekleniyor"));
    EXPECT_EQ(shown(), atStartUp) << "no voltage is shown for a device that is gone";

    // A device that comes back shows its levels again.
    device->attach(QStringLiteral("M"), QStringLiteral("S"));
    poll();
    device->raiseSignal(texts({ "20", "0", "0", "0" }));
    EXPECT_EQ(shown().first(), QStringLiteral("20/20"));
}
