#include "Forms.h"
#include "GridView.h"
#include "ModemEmulator.h"
#include "Unit1.h"
#include "XeltoBackends.h"

#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 15000;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

// The main window over a modem on a pseudo-terminal, its own timers running:
// what the technician sees from plugging the modem in to pulling it out.
TEST(ModemWindow, ShowsTheModemItsCallsAndVoltageAndForgetsItWhenUnplugged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyACM0"));
    ModemEmulator modem;
    modem.behaviour().model = s("CX93010");
    modem.behaviour().serial = s("SN-77");
    modem.behaviour().voltage = s("27.6");
    ASSERT_TRUE(modem.plug(path));

    XeltoBackends::Options options;
    options.backend = QStringLiteral("modem:") + path;
    options.modem.retryMs = 100;
    QString error;
    ASSERT_TRUE(XeltoBackends::Register(options, &error)) << error.toStdString();
    auto form = std::make_unique<TForm1>();
    form->Timer2->stop();
    form->show();

    const auto shows = [&](const QString& state) {
        return QTest::qWaitFor([&] { return form->Label9->text() == state; }, kWaitMs);
    };
    ASSERT_TRUE(shows(s("Cihaz bağlı")));
    EXPECT_EQ(form->Label24->text(), s("Cihaz modeli: CX93010"));
    EXPECT_EQ(form->Label25->text(), s("Seri no: SN-77"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Label1->text() == s("28"); }, kWaitMs));
    EXPECT_EQ(form->ProgressBar1->value(), 28);

    for (int i = 1; i <= 7; ++i) {
        modem.ring();
        modem.send(ModemEmulator::formattedBlock(
            QStringLiteral("021255501%1").arg(i, 2, 10, QLatin1Char('0')), {},
            QDateTime::currentDateTime()));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return form->Label5->text() == QString::number(i); }, kWaitMs));
    }
    TGridView* grid = form->GridView1;
    ASSERT_EQ(grid->RowCount(), 6);
    EXPECT_EQ(grid->Cell(4, 5)->AsString(), s("02125550107"));
    EXPECT_EQ(grid->Cell(1, 5)->AsString(), s("SN-77"));
    EXPECT_EQ(grid->Cell(3, 5)->AsString(), s("1"));

    modem.unplug();
    ASSERT_TRUE(shows(s("Bağlantı bekleniyor")));
    EXPECT_EQ(form->Label24->text(), QString());
    EXPECT_EQ(form->Label5->text(), s("0"));
    EXPECT_EQ(grid->RowCount(), 0);

    ASSERT_TRUE(modem.plug(path));
    ASSERT_TRUE(shows(s("Cihaz bağlı")));
    EXPECT_EQ(form->Label25->text(), s("Seri no: SN-77"));
    form.reset();
    XeltoBackends::Unregister();
}
