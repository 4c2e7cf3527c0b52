#include "PopupView.h"
#include "CellEditors.h"
#include "ViewServices.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QDate dateOf(TDateTime value)
{
    return SysUtils::FromDateTime(value).date();
}

TDateTime dateTime(int y, int m, int d)
{
    return SysUtils::ToDateTime(QDateTime(QDate(y, m, d), QTime(0, 0)));
}

// A shown owner window, and a record of what its pop-up reports.
class PopupTest : public ::testing::Test
{
protected:
    FakeViewServices services;
    std::unique_ptr<QWidget> owner;
    QStringList values;
    int closes = 0;

    void SetUp() override
    {
        SetViewServices(&services);
        owner = std::make_unique<QWidget>();
        owner->setGeometry(100, 100, 200, 100);
        owner->show();
    }
    void TearDown() override
    {
        owner.reset();
        SetViewServices(nullptr);
    }

    void listen(TPopupView* view)
    {
        view->OnValue = [this](TObject*, const QString& v) { values << v; };
        view->OnClose = [this](TObject*) { ++closes; };
    }

    // Opens the view the way an editor does: from inside a press on the owner.
    void openWithClick(TPopupView* view)
    {
        QTest::mousePress(owner.get(), Qt::LeftButton, {}, QPoint(10, 10));
        view->Popup(110, 130);
    }

    TPopupList* makeList(int count)
    {
        auto* list = new TPopupList(owner.get());
        QStringList items;
        for (int i = 0; i < count; ++i)
            items << QStringLiteral("Item %1").arg(i);
        list->SetItems(items);
        list->SetClientSize(100, 16 * 5);
        listen(list);
        return list;
    }
};

} // namespace

TEST_F(PopupTest, OpeningReleaseKeepsTheViewOpenAndTheNextClickChooses)
{
    TPopupList* list = makeList(3);
    openWithClick(list);
    ASSERT_FALSE(list->Closed());
    ASSERT_TRUE(list->isVisible());

    // The end of the opening click, wherever it happens, only gives the mouse back.
    QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(list->Closed());
    EXPECT_TRUE(values.isEmpty());

    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(20, 2 + 16 + 5));
    EXPECT_TRUE(list->Closed());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(values, QStringList { QStringLiteral("Item 1") });
    EXPECT_EQ(list->ChosenIndex(), 1);
    EXPECT_EQ(closes, 1);
}

TEST_F(PopupTest, ClickOutsideClosesWithoutValue)
{
    TPopupList* list = makeList(3);
    openWithClick(list);
    QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(10, -10));
    ASSERT_FALSE(list->Closed());

    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(-30, 200));
    EXPECT_TRUE(list->Closed());
    EXPECT_TRUE(values.isEmpty());
    EXPECT_EQ(closes, 1);

    // A click below the last item is inside the view but chooses nothing.
    list->SetClientSize(100, 16 * 5);
    openWithClick(list);
    QTest::mouseRelease(list, Qt::LeftButton);
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(20, 2 + 16 * 4 + 3));
    EXPECT_TRUE(list->Closed());
    EXPECT_TRUE(values.isEmpty());
    EXPECT_EQ(closes, 2);
}

TEST_F(PopupTest, ViewOpenedWithoutAClickClosesOnTheFirstClick)
{
    TPopupList* list = makeList(3);
    list->Popup(110, 130);
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_TRUE(list->Closed());
    EXPECT_EQ(values, QStringList { QStringLiteral("Item 0") });
}

TEST_F(PopupTest, PickListHotItemFollowsTextAndMouse)
{
    TPopupList* list = makeList(20);

    list->SetText(QStringLiteral("no such item"));
    list->Popup(110, 130);
    EXPECT_EQ(list->HotIndex(), 0);
    EXPECT_EQ(list->TopRow(), 0);
    EXPECT_EQ(list->VertScrollBar()->Max(), 15);
    list->ClosePopup();

    list->SetText(QStringLiteral("Item 7"));
    list->Popup(110, 130);
    EXPECT_EQ(list->HotIndex(), 7);
    EXPECT_EQ(list->TopRow(), 7) << "the matching item is scrolled to the top";

    // Near the end the list cannot scroll further than its range.
    list->ClosePopup();
    list->SetText(QStringLiteral("Item 18"));
    list->Popup(110, 130);
    EXPECT_EQ(list->HotIndex(), 18);
    EXPECT_EQ(list->TopRow(), 15);

    QTest::mouseMove(list, QPoint(20, 2 + 16 * 2 + 8));
    EXPECT_EQ(list->HotIndex(), 17);

    // The hot row is painted in the highlight colours, the others in the window's.
    const QImage image = list->grab().toImage();
    const int hotY = 2 + 16 * 2 + 1;
    const int otherY = 2 + 16 * 3 + 1;
    EXPECT_EQ(image.pixelColor(list->width() / 2 - 10, hotY), ToQColor(clHighlight));
    EXPECT_EQ(image.pixelColor(list->width() / 2 - 10, otherY), ToQColor(clWindow));
    // The frame: active caption outside, white inside.
    EXPECT_EQ(image.pixelColor(0, 20), ToQColor(clActiveCaption));
    EXPECT_EQ(image.pixelColor(1, 20), QColor(Qt::white));
}

TEST_F(PopupTest, CalendarWrapsTheYearBothWays)
{
    auto* calendar = new TDatePopup(owner.get());
    calendar->SetDate(dateTime(2007, 1, 15));
    EXPECT_EQ(calendar->Year(), 2007);
    EXPECT_EQ(calendar->Month(), 1);
    EXPECT_EQ(calendar->Day(), 15);
    EXPECT_EQ(calendar->SelectedDate(), dateTime(2007, 1, 15));
    calendar->Popup(110, 130);

    const int b = TPopupView::BorderWidth;
    QTest::mousePress(calendar, Qt::LeftButton, {}, QPoint(b + 5, b + 5));
    EXPECT_EQ(calendar->Month(), 12);
    EXPECT_EQ(calendar->Year(), 2006);
    // Releasing on the heading keeps the calendar open.
    QTest::mouseRelease(calendar, Qt::LeftButton, {}, QPoint(b + 5, b + 5));
    EXPECT_FALSE(calendar->Closed());

    const int right = b + calendar->ClientWidth() - 5;
    QTest::mouseClick(calendar, Qt::LeftButton, {}, QPoint(right, b + 5));
    EXPECT_EQ(calendar->Month(), 1);
    EXPECT_EQ(calendar->Year(), 2007);
    EXPECT_FALSE(calendar->Closed());
}

TEST_F(PopupTest, CalendarCellsRunFromSundayAcrossTheMonths)
{
    auto* calendar = new TDatePopup(owner.get());
    calendar->SetDate(dateTime(2007, 1, 15));
    // 1 January 2007 was a Monday: the first cell is the last Sunday of 2006.
    EXPECT_EQ(calendar->CellDate(0, 0), QDate(2006, 12, 31));
    EXPECT_EQ(calendar->CellDate(1, 0), QDate(2007, 1, 1));
    EXPECT_EQ(calendar->CellDate(3, 4), QDate(2007, 1, 31));
    EXPECT_EQ(calendar->CellDate(4, 4), QDate(2007, 2, 1));
    EXPECT_EQ(calendar->RowCount(), 5);

    // The same cell grid maps a point for tracking and for choosing.
    int column = -1, row = -1;
    ASSERT_TRUE(calendar->CellAt(14 + 17 * 2 + 3, 38 + 15 * 1 + 3, column, row));
    EXPECT_EQ(column, 2);
    EXPECT_EQ(row, 1);
    EXPECT_FALSE(calendar->CellAt(10, 50, column, row));
    EXPECT_FALSE(calendar->CellAt(50, 30, column, row)) << "the day headings are no day";
}

TEST_F(PopupTest, CalendarTracksAndReportsTheDayUnderTheRelease)
{
    auto* calendar = new TDatePopup(owner.get());
    listen(calendar);
    calendar->SetDate(dateTime(2007, 1, 15));
    openWithClick(calendar);
    QTest::mouseRelease(calendar, Qt::LeftButton, {}, QPoint(10, -20));
    ASSERT_FALSE(calendar->Closed());

    const int b = TPopupView::BorderWidth;
    auto cellPoint = [&](int c, int r) { return QPoint(b + 14 + 17 * c + 8, b + 38 + 15 * r + 7); };
    QTest::mousePress(calendar, Qt::LeftButton, {}, cellPoint(1, 0));
    EXPECT_TRUE(calendar->Tracking());
    EXPECT_EQ(dateOf(calendar->SelectedDate()), QDate(2007, 1, 1));
    QTest::mouseMove(calendar, cellPoint(5, 2));
    EXPECT_EQ(dateOf(calendar->SelectedDate()), QDate(2007, 1, 19));
    QTest::mouseRelease(calendar, Qt::LeftButton, {}, cellPoint(5, 2));

    EXPECT_TRUE(calendar->Closed());
    EXPECT_FALSE(calendar->Tracking());
    EXPECT_EQ(values, QStringList { SysUtils::DateTimeToStr(dateTime(2007, 1, 19)) });
}

TEST_F(PopupTest, NoneGivesZeroWhichThePickerReadsAsToday)
{
    auto* editor = new TDatePickerEditor(owner.get());
    editor->move(0, 0);
    editor->show();
    editor->SetDate(dateTime(2007, 1, 15));
    QStringList edits;
    editor->OnEdit = [&](TObject*, const QString& v) { edits << v; };

    QTest::mousePress(editor->Button(), Qt::LeftButton);
    auto* calendar = qobject_cast<TDatePopup*>(editor->Popup());
    ASSERT_NE(calendar, nullptr);
    ASSERT_FALSE(calendar->Closed());
    EXPECT_TRUE(editor->Button()->Pressed());
    EXPECT_EQ(calendar->size(), QSize(151, 163));
    EXPECT_EQ(calendar->Month(), 1);
    EXPECT_EQ(calendar->Year(), 2007);
    QTest::mouseRelease(calendar, Qt::LeftButton, {}, QPoint(5, -5));
    ASSERT_FALSE(calendar->Closed());

    QTest::mouseClick(calendar->NoneButton(), Qt::LeftButton);
    EXPECT_TRUE(calendar->Closed());
    EXPECT_EQ(editor->Text(), QStringLiteral("0"));
    EXPECT_EQ(edits.last(), QStringLiteral("0"));
    EXPECT_FALSE(editor->Button()->Pressed());
    EXPECT_EQ(editor->Date(), SysUtils::Date());

    editor->DropDown();
    QTest::mouseClick(calendar->TodayButton(), Qt::LeftButton);
    EXPECT_EQ(editor->Text(), SysUtils::DateTimeToStr(SysUtils::Date()));
}

TEST_F(PopupTest, ComboBoxEditorChoosesFromItsList)
{
    auto* editor = new TComboBoxEditor(owner.get());
    editor->show();
    editor->SetItems({ QStringLiteral("Bir"), QStringLiteral("İki"), QStringLiteral("Üç") });
    editor->SetText(QStringLiteral("İki"));
    QStringList edits;
    editor->OnEdit = [&](TObject*, const QString& v) { edits << v; };

    QTest::mousePress(editor->Button(), Qt::LeftButton);
    auto* list = qobject_cast<TPopupList*>(editor->Popup());
    ASSERT_NE(list, nullptr);
    ASSERT_FALSE(list->Closed());
    EXPECT_EQ(list->ClientHeight(), 16 * 3);
    EXPECT_EQ(list->width(), editor->width());
    EXPECT_EQ(list->HotIndex(), 1);
    EXPECT_EQ(list->pos(), editor->mapToGlobal(QPoint(0, editor->height() - 1)));

    QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(100, -5));
    EXPECT_FALSE(list->Closed());
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(10, 2 + 16 * 2 + 4));
    EXPECT_TRUE(list->Closed());
    EXPECT_EQ(editor->Text(), QStringLiteral("Üç"));
    EXPECT_EQ(editor->ItemIndex(), 2);
    EXPECT_EQ(edits, QStringList { QStringLiteral("Üç") });
    EXPECT_FALSE(editor->Button()->Pressed());

    // Closed by a click outside: no value, and the button comes up again.
    QTest::mousePress(editor->Button(), Qt::LeftButton);
    QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(100, -5));
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(-50, -50));
    EXPECT_TRUE(list->Closed());
    EXPECT_EQ(editor->Text(), QStringLiteral("Üç"));
    EXPECT_FALSE(editor->Button()->Pressed());

    // A drop-down list opens on a press on its text, too.
    editor->SetStyle(dsDropDownList);
    QTest::mousePress(editor->EditWindow(), Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_FALSE(list->Closed());
    EXPECT_TRUE(editor->Button()->Pressed());
    list->ClosePopup();
    EXPECT_FALSE(editor->Button()->Pressed());
}

TEST_F(PopupTest, PickListKeysKeepTheHotItemInView)
{
    TPopupList* list = makeList(20);
    list->Popup(110, 130);
    ASSERT_EQ(list->TopRow(), 0);
    QTest::keyClick(list, Qt::Key_PageDown);
    EXPECT_EQ(list->HotIndex(), 5);
    EXPECT_EQ(list->TopRow(), 1);
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(list->HotIndex(), 19);
    EXPECT_EQ(list->TopRow(), 15);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->HotIndex(), 19);
    QTest::keyClick(list, Qt::Key_PageUp);
    EXPECT_EQ(list->HotIndex(), 14);
    EXPECT_EQ(list->TopRow(), 14);
    // Every item starts with "I": each letter moves on to the next, round to the first.
    QTest::keyClicks(list, QStringLiteral("IIIIII"));
    EXPECT_EQ(list->HotIndex(), 0);
    EXPECT_EQ(list->TopRow(), 0);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_TRUE(list->Closed());
    EXPECT_TRUE(values.isEmpty());
    EXPECT_EQ(closes, 1);

    // Letters match as Turkish text: "i" finds "İzmir" and "ı" finds "Isparta".
    list->SetItems(QStringList {
        QStringLiteral("Adana"), QString::fromUtf8("İzmir"), QStringLiteral("Isparta") });
    list->Popup(110, 130);
    const auto typed = [&](const char* letter) {
        QTest::sendKeyEvent(
            QTest::Click, list, Qt::Key_unknown, QString::fromUtf8(letter), Qt::NoModifier);
    };
    typed("i");
    EXPECT_EQ(list->HotIndex(), 1);
    typed("ı");
    EXPECT_EQ(list->HotIndex(), 2);
    typed("a");
    EXPECT_EQ(list->HotIndex(), 0);
}

TEST_F(PopupTest, CalendarKeysMoveTheSelectedDay)
{
    auto* calendar = new TDatePopup(owner.get());
    listen(calendar);
    calendar->SetDate(dateTime(2024, 1, 31));
    calendar->Popup(110, 130);
    // A month on from 31 January is the last day of February.
    QTest::keyClick(calendar, Qt::Key_PageDown);
    EXPECT_EQ(dateOf(calendar->SelectedDate()), QDate(2024, 2, 29));
    QTest::keyClick(calendar, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(dateOf(calendar->SelectedDate()), QDate(2025, 2, 28));
    EXPECT_EQ(calendar->Year(), 2025);
    QTest::keyClick(calendar, Qt::Key_Home);
    EXPECT_EQ(dateOf(calendar->SelectedDate()), QDate(2025, 2, 1));
    // Back across the year's start.
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(calendar, Qt::Key_Up);
    EXPECT_EQ(dateOf(calendar->SelectedDate()), QDate(2024, 12, 28));
    EXPECT_EQ(calendar->Month(), 12);
    QTest::keyClick(calendar, Qt::Key_End);
    EXPECT_EQ(dateOf(calendar->SelectedDate()), QDate(2024, 12, 31));
    QTest::keyClick(calendar, Qt::Key_Space);
    EXPECT_TRUE(calendar->Closed());
    EXPECT_EQ(values, QStringList { SysUtils::DateTimeToStr(dateTime(2024, 12, 31)) });
}
