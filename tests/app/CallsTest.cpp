#include "AppFixture.h"

#include "GridView.h"
#include "Platform.h"

#include <QAccessible>
#include <QProgressBar>

namespace {

class CallsTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        Platform::SetSpeaker(&speaker);
        device->attach(QStringLiteral("RT4052"), QStringLiteral("SN-7"));
    }
    void TearDown() override
    {
        Platform::SetSpeaker(nullptr);
        MainWindowFixture::TearDown();
    }
    void call(int n)
    {
        device->raiseCall(n % 4 + 1, QStringLiteral("0212555%1").arg(n, 4, 10, QLatin1Char('0')));
    }
    QString text(int col, int row) { return form->GridView1->Cell(col, row)->AsString(); }

    FakeSpeaker speaker;
};

} // namespace

TEST_F(CallsTest, TheListKeepsTheSixLatestCallsAndTheCountGoesOn)
{
    for (int n = 1; n <= 7; ++n)
        call(n);
    ASSERT_EQ(form->GridView1->RowCount(), 6) << log().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(form->Label5->text(), QStringLiteral("7"));
    // Calls 2 to 7, oldest at the top; cells by stored column index.
    EXPECT_EQ(text(2, 0), QStringLiteral("2"));
    EXPECT_EQ(text(2, 5), QStringLiteral("7"));
    EXPECT_EQ(text(4, 5), QStringLiteral("02125550007"));
    EXPECT_EQ(text(3, 5), QStringLiteral("4"));
    EXPECT_EQ(text(1, 5), QStringLiteral("SN-7"));
    EXPECT_FALSE(text(0, 5).isEmpty());
    EXPECT_EQ(speaker.beeps.size(), 7);
    EXPECT_EQ(speaker.beeps.last(), qMakePair(1000u, 30u));

    call(8);
    EXPECT_EQ(form->GridView1->RowCount(), 6);
    EXPECT_EQ(text(2, 5), QStringLiteral("8"));

    // The reset empties the list and the count starts again at 1.
    form->Listeyisil1->trigger();
    EXPECT_EQ(form->GridView1->RowCount(), 0);
    call(9);
    EXPECT_EQ(text(2, 0), QStringLiteral("1"));
    EXPECT_EQ(form->Label5->text(), QStringLiteral("1"));
}

TEST_F(CallsTest, TheColumnsShowInTheirDisplayOrder)
{
    QStringList captions;
    for (int i = 0; i < 5; ++i)
        captions << form->GridView1->Columns()->ByPosition(i)->Header().Caption();
    EXPECT_EQ(captions,
        QStringList(
            { QStringLiteral("Hat no."), QStringLiteral("Arayan numara"), QStringLiteral("Saat"),
                QStringLiteral("Cihaz seri no."), QStringLiteral("Çağrı sıra no") }));
}

TEST_F(CallsTest, AScreenReaderReadsTheLatestCallsFromTheList)
{
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(form->GridView1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::Table);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Çağrı listesi"));
    QAccessibleTableInterface* table = list->tableInterface();
    ASSERT_NE(table, nullptr);
    for (int n = 1; n <= 7; ++n)
        call(n);
    ASSERT_EQ(table->rowCount(), 6);
    ASSERT_EQ(table->columnCount(), 5);
    EXPECT_EQ(table->columnDescription(1), QStringLiteral("Arayan numara"));
    // Columns as shown: line, number, time, serial, sequence number.
    QAccessibleInterface* last = table->cellAt(5, 1);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->text(QAccessible::Name), QStringLiteral("02125550007"));
    EXPECT_EQ(table->cellAt(5, 0)->text(QAccessible::Name), QStringLiteral("4"));
    EXPECT_EQ(table->cellAt(5, 3)->text(QAccessible::Name), QStringLiteral("SN-7"));
    EXPECT_EQ(table->cellAt(0, 4)->text(QAccessible::Name), text(2, 0));
    EXPECT_EQ(table->cellAt(0, 2)->text(QAccessible::Name), text(0, 0));
}

namespace {

// Counts the paints a widget gets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

} // namespace

TEST_F(CallsTest, AFloodOfCallsIsPaintedOncePerFrameAndEveryCallCounted)
{
    form->show();
    QCoreApplication::processEvents();
    // The frames' ends are the test's to say; the window starts quiet.
    form->frameTimer->setInterval(24 * 3600 * 1000);
    for (int i = 0; i < 3 && form->frameTimer->isActive(); ++i)
        form->frameTick();
    QCoreApplication::processEvents();
    ASSERT_FALSE(form->frameTimer->isActive());
    PaintCounter list(form->GridView1), counter(form->Label5), meter(form->ProgressBar1);
    // A call per turn of the event loop, as a device delivers a flood.
    for (int n = 1; n <= 100; ++n) {
        call(n);
        device->raiseSignal({ QString::number(10 + n % 20), QStringLiteral("0"),
            QStringLiteral("0"), QStringLiteral("0") });
        QCoreApplication::processEvents();
    }
    // The first call is shown at once; the rest wait for the frame's end.
    EXPECT_EQ(list.paints, 1);
    EXPECT_EQ(counter.paints, 1);
    EXPECT_LE(meter.paints, 1);
    // What the window holds is exact all along, for every call.
    EXPECT_EQ(form->Label5->text(), QStringLiteral("100"));
    EXPECT_EQ(text(2, 5), QStringLiteral("100"));
    EXPECT_EQ(form->ProgressBar1->value(), 10 + 100 % 20);
    EXPECT_EQ(speaker.beeps.size(), 100);

    form->frameTick();
    QCoreApplication::processEvents();
    EXPECT_EQ(list.paints, 2) << "the frame's end paints the latest state once";
    EXPECT_EQ(counter.paints, 2);
    EXPECT_LE(meter.paints, 2);
    // A frame without a change ends the pacing: the next call is shown at once.
    form->frameTick();
    call(101);
    QCoreApplication::processEvents();
    EXPECT_EQ(list.paints, 3);
    EXPECT_EQ(counter.paints, 3);
}
