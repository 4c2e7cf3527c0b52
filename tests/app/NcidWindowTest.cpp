#include "../device/FakeNcidServer.h"

#include "FakeNotifyArea.h"
#include "Forms.h"
#include "GridView.h"
#include "Memo.h"
#include "Platform.h"
#include "Unit1.h"
#include "Win1254.h"
#include "XeltoBackends.h"
#include "xeltocallerid_TLB.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr int Patience = 10000;

// The main window over an NCID server played by the test.
class NcidWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ncid.listen());
        XeltoBackends::Options options;
        options.backend = QStringLiteral("ncid:127.0.0.1:%1").arg(ncid.port);
        ASSERT_TRUE(XeltoBackends::Register(options));
        form = std::make_unique<TForm1>();
        form->Timer1->stop();
        form->Timer2->stop();
        Application()->Guard(form.get(), [this] { form->FormShow(form.get()); });
    }
    void TearDown() override
    {
        form.reset();
        XeltoBackends::Unregister();
    }

    void poll()
    {
        Application()->Guard(form->Timer1, [this] { form->Timer1Timer(form->Timer1); });
    }
    bool pollUntil(const QString& state)
    {
        return QTest::qWaitFor(
            [&] {
                poll();
                return form->Label9->text() == state;
            },
            Patience);
    }
    bool greet()
    {
        return QTest::qWaitFor([this] { return ncid.introduced(); }, Patience)
            && (ncid.send(FakeNcidServer::Greeting), pollUntil(QStringLiteral("Cihaz bağlı")));
    }
    QString text(int col, int row) { return form->GridView1->Cell(col, row)->AsString(); }
    QStringList balloonTitles() const
    {
        QStringList titles;
        for (const FakeNotifyArea::Call& c : notifyArea.Calls())
            if (c.message == NIM_MODIFY && (c.data.uFlags & NIF_INFO) && c.data.szInfo[0])
                titles << Win1254::decode(QByteArray(c.data.szInfoTitle));
        return titles;
    }

    FakeNotifyArea notifyArea;
    Platform::Scope platform { nullptr, nullptr, &notifyArea };
    FakeNcidServer ncid;
    std::unique_ptr<TForm1> form;
};

} // namespace

TEST_F(NcidWindowTest, CallsFromFourLinesOfOneServerLandWithTheirLineNumbers)
{
    ASSERT_TRUE(greet());
    const QString address = QStringLiteral("127.0.0.1:%1").arg(ncid.port);
    EXPECT_EQ(form->Label24->text(), QStringLiteral("Cihaz modeli: NCID 1.6"));
    EXPECT_EQ(form->Label25->text(), QStringLiteral("Seri no: ") + address);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("0"));

    const char* lines[] = { "1", "2", "3", "4", "2", "4", "1" };
    for (int i = 0; i < 7; ++i)
        ncid.send(QStringLiteral("CID: *DATE*12092026*TIME*14%1*LINE*%2*NMBR*021255501%3*MESG*"
                                 "NONE*NAME*-*\n")
                      .arg(i, 2, 10, QLatin1Char('0'))
                      .arg(QString::fromUtf8(lines[i]))
                      .arg(i, 2, 10, QLatin1Char('0'))
                      .toUtf8());
    ASSERT_TRUE(QTest::qWaitFor([this] { return CallCount == 7; }, Patience));
    ASSERT_EQ(form->GridView1->RowCount(), 6);
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(text(3, row), QString::fromUtf8(lines[row + 1])) << "row " << row;
        EXPECT_EQ(
            text(4, row), QStringLiteral("021255501%1").arg(row + 1, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(text(1, row), address);
        EXPECT_EQ(text(2, row), QString::number(row + 2));
    }
    EXPECT_EQ(balloonTitles(),
        QStringList({ QStringLiteral("Çağrı: 1"), QStringLiteral("Çağrı: 2"),
            QStringLiteral("Çağrı: 3"), QStringLiteral("Çağrı: 4"), QStringLiteral("Çağrı: 5"),
            QStringLiteral("Çağrı: 6"), QStringLiteral("Çağrı: 7") }));

    // The server goes away: the next poll resets the window as an unplugged device does.
    ncid.client->abort();
    ASSERT_TRUE(pollUntil(QStringLiteral("Bağlantı bekleniyor")));
    EXPECT_EQ(form->GridView1->RowCount(), 0);
    EXPECT_EQ(form->Label5->text(), QStringLiteral("0"));
    EXPECT_EQ(form->Label24->text(), QString());
}

TEST_F(NcidWindowTest, LabelledLinesAreNumberedAndTheMappingIsLogged)
{
    ASSERT_TRUE(greet());
    ncid.send("CID: *DATE*12092026*TIME*1430*LINE*HOME*NMBR*02125550123*MESG*NONE*NAME*-*\n"
              "CID: *DATE*12092026*TIME*1431*LINE*POTS*NMBR*P*MESG*NONE*NAME*-*\n");
    ASSERT_TRUE(QTest::qWaitFor([this] { return CallCount == 2; }, Patience));
    EXPECT_EQ(text(3, 0), QStringLiteral("1"));
    EXPECT_EQ(text(3, 1), QStringLiteral("2"));
    EXPECT_EQ(text(4, 1), QStringLiteral("Gizli numara"));
    const QStringList log = Memo::Lines(form->Memo2);
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].endsWith(QStringLiteral(":NCID hattı \"HOME\": Hat no. 1")))
        << qPrintable(log[0]);
    EXPECT_TRUE(log[1].endsWith(QStringLiteral(":NCID hattı \"POTS\": Hat no. 2")))
        << qPrintable(log[1]);
}

TEST_F(NcidWindowTest, ASilentServerIsNoDeviceAndTheWindowKeepsWorking)
{
    ASSERT_TRUE(QTest::qWaitFor([this] { return ncid.introduced(); }, Patience));
    // The window's own timer runs the poll while the server says nothing.
    form->Timer1->start();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return form->Label9->text() == QStringLiteral("Bağlantı bekleniyor"); },
        Patience));
    EXPECT_EQ(form->Label24->text(), QString());
    // A line command is refused into the log, not into a dialog.
    Application()->Guard(
        form.get(), [this] { form->Xelto1->Command(QStringLiteral("LineStatus1")); });
    const QStringList log = Memo::Lines(form->Memo2);
    EXPECT_TRUE(log.last().endsWith(QStringLiteral(
        "NCID sunucusu hat komutlarını desteklemiyor: \"LineStatus1\" gönderilemedi")))
        << qPrintable(log.join(QLatin1Char('\n')));
}
