#include "AppFixture.h"

#include "GridView.h"
#include "Platform.h"

#include <QAccessible>

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
