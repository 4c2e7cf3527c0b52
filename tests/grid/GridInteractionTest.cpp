// The grid driven as a user drives it: mouse events through its window (so that
// mouse grabs and the drag box work as on screen) and keys to whatever has
// the keyboard focus.

#include "CellEditors.h"
#include "ColumnClasses.h"
#include "ColumnDragBox.h"
#include "Displays.h"
#include "GridView.h"
#include "PopupView.h"
#include "Screen.h"
#include "SysUtils.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

enum Col { ColName, ColCity, ColCount, ColDate, ColActive, ColNote };

class GridInteraction : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(560, 280);
        grid = new TGridView(window.get());
        grid->setGeometry(10, 10, 540, 260);
        grid->SetHeaderSize(20);
        grid->SetRowSize(20);
        grid->SetOptions(TGridOptions { goGrid, goHeader, goHighlightTextSelection });

        addColumn<TTextualColumn>("Ad", 100, { coEditing });
        auto* city = addColumn<TComboBoxColumn>("Şehir", 90, { coEditing });
        city->SetItems({ QStringLiteral("Adana"), QStringLiteral("Ankara"), QStringLiteral("Bursa"),
            QStringLiteral("İzmir") });
        auto* count = addColumn<TNumericColumn>("Adet", 70, { coEditing });
        count->SetMin(0);
        count->SetMax(50);
        addColumn<TDateColumn>("Tarih", 90, { coEditing });
        addColumn<TCheckBoxColumn>("Aktif", 50, { coEditing });
        addColumn<TTextualColumn>("Not", 80, {});

        const char* names[] = { "Deniz", "Ali", "Cem", "Bora" };
        const int counts[] = { 7, 12, 3, 50 };
        grid->AddRows(4);
        for (int r = 0; r < 4; ++r) {
            grid->Cell(ColName, r)->SetAsString(QString::fromUtf8(names[r]));
            grid->Cell(ColCity, r)->SetAsString(QStringLiteral("Adana"));
            grid->Cell(ColCount, r)->SetAsInteger(counts[r]);
            grid->Cell(ColDate, r)
                ->SetAsDateTime(
                    SysUtils::ToDateTime(QDateTime(QDate(2024, 3, 10 + r), QTime(0, 0))));
            grid->Cell(ColActive, r)->SetAsBoolean(r % 2 == 0);
        }

        window->show();
        QApplication::setActiveWindow(window.get());
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        grid->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
    }

    template <typename Column>
    Column* addColumn(const char* caption, int width, TColumnOptions extra)
    {
        auto* column = new Column();
        column->Header().SetCaption(QString::fromUtf8(caption));
        column->SetColor(clWindow);
        column->SetWidth(width);
        column->SetOptions(column->Options() + extra);
        column->SetPosition(grid->Columns()->Count());
        grid->Columns()->Add(column);
        return column;
    }

    QWindow* handle() const { return window->windowHandle(); }

    // A client point of the grid in its window's coordinates.
    QPoint at(int x, int y) const
    {
        return grid->mapTo(window.get(), QPoint(x, y) + grid->ClientOffset());
    }

    void press(int x, int y, Qt::KeyboardModifiers mods = {})
    {
        QTest::mousePress(handle(), Qt::LeftButton, mods, at(x, y));
    }
    void move(int x, int y) { QTest::mouseMove(handle(), at(x, y)); }
    void release(int x, int y) { QTest::mouseRelease(handle(), Qt::LeftButton, {}, at(x, y)); }
    void click(int x, int y)
    {
        press(x, y);
        release(x, y);
    }

    TCustomColumn* column(int index) const { return grid->Columns()->Items(index); }

    // The middle of a header, and of a data cell.
    TPoint headerPoint(int col) const
    {
        return TPoint(column(col)->Left() + column(col)->Width() / 2, grid->HeaderSize() / 2);
    }
    TPoint cellPoint(int col, int row) const
    {
        const TRect r = grid->GetCellRect(col, row, gpData);
        return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    void clickCell(int col, int row)
    {
        const TPoint p = cellPoint(col, row);
        click(p.X, p.Y);
    }

    void type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }

    QStringList displayOrder() const
    {
        QStringList captions;
        for (int i = 0; i < grid->Columns()->Count(); ++i)
            captions << grid->Columns()->ByPosition(i)->Header().Caption();
        return captions;
    }
    QStringList columnTexts(int col) const
    {
        QStringList texts;
        for (int r = 0; r < grid->RowCount(); ++r)
            texts << grid->CellText(col, r);
        return texts;
    }

    // The drag: down on the header of `col`, then `dx` to the side.
    void startDrag(int col, int dx)
    {
        const TPoint p = headerPoint(col);
        press(p.X, p.Y);
        move(p.X + dx, p.Y);
    }

    std::unique_ptr<QWidget> window;
    TGridView* grid = nullptr;
};

QStringList texts(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

} // namespace

// ------------------------------------------------------------------ sorting

TEST_F(GridInteraction, HeaderClickSortsAndASecondClickReverses)
{
    std::vector<std::pair<int, bool>> sorts;
    grid->OnSortColumn = [&](TObject*, int col, bool ascending) {
        sorts.push_back({ col, ascending });
    };
    const TPoint count = headerPoint(ColCount);
    click(count.X, count.Y);
    EXPECT_TRUE(column(ColCount)->Sorted());
    EXPECT_EQ(columnTexts(ColCount), texts({ "3", "7", "12", "50" }));
    // Whole rows move: the names follow their counts.
    EXPECT_EQ(columnTexts(ColName), texts({ "Cem", "Deniz", "Ali", "Bora" }));

    click(count.X, count.Y);
    EXPECT_EQ(column(ColCount)->SortKind(), skDescending);
    EXPECT_EQ(columnTexts(ColCount), texts({ "50", "12", "7", "3" }));

    // Another header takes the sort over; text sorts alphabetically.
    const TPoint name = headerPoint(ColName);
    click(name.X, name.Y);
    EXPECT_FALSE(column(ColCount)->Sorted());
    EXPECT_EQ(columnTexts(ColName), texts({ "Ali", "Bora", "Cem", "Deniz" }));
    EXPECT_EQ(sorts,
        (std::vector<std::pair<int, bool>> {
            { ColCount, true }, { ColCount, false }, { ColName, true } }));

    // A header without coCanSort is only clicked.
    column(ColNote)->SetOptions(column(ColNote)->Options() - coCanSort);
    std::vector<int> clicks;
    grid->OnHeaderClick = [&](TObject*, int col) { clicks.push_back(col); };
    const TPoint note = headerPoint(ColNote);
    click(note.X, note.Y);
    EXPECT_EQ(clicks, std::vector<int> { ColNote });
    EXPECT_FALSE(column(ColNote)->Sorted());
    EXPECT_EQ(sorts.size(), 3u);
}

// ----------------------------------------------------------------- resizing

TEST_F(GridInteraction, DraggingTheRightEdgeResizesButNeverBelowEightPixels)
{
    TCustomColumn* name = column(ColName);
    const int edge = name->Left() + name->Width();
    move(edge - 1, 10);
    EXPECT_EQ(
        grid->cursor().pixmap().cacheKey(), Screen()->Cursors(crHorzSplit).pixmap().cacheKey());

    // The edge follows the pointer: the new right edge is where the button goes up.
    press(edge - 1, 10);
    EXPECT_TRUE(grid->hasState(gstResizing));
    move(edge + 30, 10);
    release(edge + 30, 10);
    EXPECT_FALSE(grid->hasState(gstResizing));
    EXPECT_EQ(name->Width(), 130);
    EXPECT_EQ(column(ColCity)->Left(), 130);

    // Far to the left: the column keeps 8 pixels.
    press(129, 10);
    move(-60, 10);
    EXPECT_EQ(name->Width() + grid->ResizeDelta(), 8);
    release(-60, 10);
    EXPECT_EQ(name->Width(), 8);
    EXPECT_EQ(column(ColCity)->Left(), 8);
    // A resize is no header click: nothing was sorted.
    EXPECT_FALSE(name->Sorted());

    // A fixed-size column has no edge to drag.
    TCustomColumn* city = column(ColCity);
    city->SetOptions(city->Options() + coFixedSize);
    const int cityEdge = city->Left() + city->Width();
    press(cityEdge - 1, 10);
    EXPECT_FALSE(grid->hasState(gstResizing));
    move(cityEdge + 40, 10);
    release(cityEdge + 40, 10);
    EXPECT_EQ(city->Width(), 90);
}

// ----------------------------------------------------------------- dragging

TEST_F(GridInteraction, HeaderDragStartsAfterThreePixelsAndMovesTheColumn)
{
    // Three pixels are still a click.
    startDrag(ColName, 3);
    EXPECT_FALSE(grid->hasState(gstHeaderDragging));
    EXPECT_FALSE(grid->DragBox()->isVisible());
    move(headerPoint(ColName).X + 4, 10);
    ASSERT_TRUE(grid->hasState(gstHeaderDragging));
    EXPECT_TRUE(grid->DragBox()->isVisible());
    EXPECT_EQ(grid->DragBox()->size(), QSize(100, 20));
    EXPECT_EQ(grid->DraggedColumn(), column(ColName));

    // Over the header of "Adet" the arrows mark its left edge.
    const TPoint target = headerPoint(ColCount);
    move(target.X, target.Y);
    EXPECT_TRUE(grid->DragArrow(0)->isVisible());
    EXPECT_TRUE(grid->DragArrow(1)->isVisible());
    EXPECT_EQ(grid->DragArrow(0)->pos(),
        grid->ClientToScreen(TPoint(column(ColCount)->Left(), 0)).ToQPoint() - QPoint(4, 12));
    // Arrows, not squares: the first points down at the header, the second up.
    EXPECT_EQ(grid->DragArrow(0)->ArrowKind(), 2);
    EXPECT_EQ(grid->DragArrow(0)->mask(), TDragArrow::Shape(2));
    EXPECT_EQ(grid->DragArrow(1)->ArrowKind(), 1);
    EXPECT_EQ(grid->DragArrow(1)->mask(), TDragArrow::Shape(1));
    release(target.X, target.Y);

    EXPECT_FALSE(grid->hasState(gstHeaderDragging));
    EXPECT_FALSE(grid->DragBox()->isVisible());
    EXPECT_FALSE(grid->DragArrow(0)->isVisible());
    EXPECT_EQ(displayOrder(), texts({ "Şehir", "Adet", "Ad", "Tarih", "Aktif", "Not" }));
    // Stored indexes and cells stay: only the display order changed.
    EXPECT_EQ(grid->CellText(ColName, 0), QStringLiteral("Deniz"));
    EXPECT_EQ(column(ColName)->Left(), 160);
    // The drag was no click: nothing got sorted.
    EXPECT_FALSE(column(ColName)->Sorted());
}

TEST_F(GridInteraction, DropOnItselfOrOutsideTheColumnsChangesNothing)
{
    const QStringList before = displayOrder();
    startDrag(ColCity, 6);
    ASSERT_TRUE(grid->hasState(gstHeaderDragging));
    move(headerPoint(ColCity).X + 10, 12);
    release(headerPoint(ColCity).X + 10, 12);
    EXPECT_EQ(displayOrder(), before);
    EXPECT_FALSE(grid->hasState(gstHeaderDragging));

    // Right of the last column, still in the header band: no target, no move.
    startDrag(ColCity, 6);
    const int right = grid->HeaderRect().Right + 5;
    move(right, 10);
    EXPECT_FALSE(grid->DragArrow(0)->isVisible());
    release(right, 10);
    EXPECT_EQ(displayOrder(), before);
    EXPECT_TRUE(column(ColCity)->Visible());
}

TEST_F(GridInteraction, DropFarBelowTheHeaderHidesOnlyWithCanHideColumn)
{
    const int header = grid->HeaderSize();
    // Between one and two header heights the drop still counts as on the header.
    startDrag(ColName, 8);
    const TPoint note = headerPoint(ColNote);
    move(note.X, header + header / 2);
    release(note.X, header + header / 2);
    EXPECT_TRUE(column(ColName)->Visible());
    EXPECT_EQ(displayOrder().last(), QStringLiteral("Ad"));

    // Further down, without goCanHideColumn, nothing happens.
    startDrag(ColCity, 8);
    move(40, 2 * header + 10);
    release(40, 2 * header + 10);
    EXPECT_TRUE(column(ColCity)->Visible());

    grid->SetOptions(grid->Options() + goCanHideColumn);
    startDrag(ColCity, 8);
    move(40, 2 * header + 10);
    EXPECT_FALSE(grid->DragArrow(0)->isVisible());
    release(40, 2 * header + 10);
    EXPECT_FALSE(column(ColCity)->Visible());
    EXPECT_EQ(column(ColCity)->VisibleIndex(), -1);
    EXPECT_EQ(grid->ColumnAt(5), column(ColCount));
}

TEST_F(GridInteraction, NoDragWhileColumnMovingIsDisabled)
{
    grid->SetOptions(grid->Options() + goDissableColumnMoving);
    startDrag(ColName, 30);
    EXPECT_FALSE(grid->hasState(gstHeaderDragging));
    EXPECT_FALSE(grid->DragBox()->isVisible());
    release(headerPoint(ColName).X + 30, 10);
    EXPECT_EQ(displayOrder().first(), QStringLiteral("Ad"));
}

TEST_F(GridInteraction, ApplicationDeactivationEndsAHeaderDrag)
{
    const QStringList before = displayOrder();
    startDrag(ColName, 8);
    ASSERT_TRUE(grid->hasState(gstHeaderDragging));
    grid->ApplicationDeactivated();
    EXPECT_FALSE(grid->hasState(gstHeaderDragging));
    EXPECT_FALSE(grid->DragBox()->isVisible());
    EXPECT_FALSE(grid->DragArrow(0)->isVisible());
    const TPoint target = headerPoint(ColCount);
    release(target.X, target.Y);
    EXPECT_EQ(displayOrder(), before);
}

// ------------------------------------------------------------------ editing

namespace {

// Types the text one key at a time into whatever has the focus then: the
// first key may move the focus (into a new editor).
void typeKeys(const QString& text)
{
    for (QChar ch : text)
        QTest::keyClick(QApplication::focusWidget(), ch.toLatin1());
}

QPoint centreIn(QWidget* widget, QWidget* window)
{
    return widget->mapTo(window, widget->rect().center());
}

} // namespace

TEST_F(GridInteraction, TextEditorReplacesTheCellOnEnterAndKeepsItOnEscape)
{
    clickCell(ColName, 1);
    ASSERT_TRUE(grid->hasState(gstEditing));
    auto* editor = qobject_cast<TTextualEditor*>(grid->Editor());
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->geometry(),
        grid->GetCellRect(ColName, 1, gpData)
            .Inflated(-1, -1)
            .ToQRect()
            .translated(grid->ClientOffset()));
    EXPECT_EQ(QApplication::focusWidget(), editor->EditWindow());
    // The whole text is selected: typing replaces it.
    type(QStringLiteral("Veli"));
    key(Qt::Key_Return);
    EXPECT_EQ(grid->CellText(ColName, 1), QStringLiteral("Veli"));
    EXPECT_FALSE(grid->hasState(gstEditing));
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(grid->hasFocus());
    // Enter moves down a row.
    EXPECT_EQ(grid->FocusedRow(), 2);

    clickCell(ColName, 0);
    type(QStringLiteral("xyz"));
    key(Qt::Key_Escape);
    EXPECT_EQ(grid->CellText(ColName, 0), QStringLiteral("Deniz"));
    EXPECT_FALSE(grid->hasState(gstEditing));
    EXPECT_TRUE(grid->hasFocus());
}

TEST_F(GridInteraction, TypingOnAFocusedCellStartsTheEditorWithThatKey)
{
    clickCell(ColNote, 2); // no editor in this column: only the focus moves
    EXPECT_FALSE(grid->hasState(gstEditing));
    QTest::keyClick(grid, Qt::Key_Left, Qt::NoModifier);
    QTest::keyClick(grid, Qt::Key_Left, Qt::NoModifier);
    QTest::keyClick(grid, Qt::Key_Left, Qt::NoModifier);
    QTest::keyClick(grid, Qt::Key_Left, Qt::NoModifier);
    QTest::keyClick(grid, Qt::Key_Left, Qt::NoModifier);
    ASSERT_EQ(grid->FocusedColumn(), ColName);
    typeKeys(QStringLiteral("Kaya"));
    ASSERT_TRUE(grid->hasState(gstEditing));
    // Every typed key counts, the first one included.
    EXPECT_EQ(grid->Editor()->GetText(), QStringLiteral("Kaya"));
    key(Qt::Key_Enter);
    EXPECT_EQ(grid->CellText(ColName, 2), QStringLiteral("Kaya"));
}

TEST_F(GridInteraction, ComboBoxEditorStepsThroughItsItemsAndDropsDownAList)
{
    clickCell(ColCity, 0);
    auto* editor = qobject_cast<TComboBoxEditor*>(grid->Editor());
    ASSERT_NE(editor, nullptr);
    // The list starts at the cell's item: the next two are Ankara and Bursa.
    key(Qt::Key_Down);
    EXPECT_EQ(editor->Text(), QStringLiteral("Ankara"));
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_EQ(grid->CellText(ColCity, 0), QStringLiteral("Bursa"));

    // The button drops the list down; a click on an item takes it.
    clickCell(ColCity, 1);
    editor = qobject_cast<TComboBoxEditor*>(grid->Editor());
    ASSERT_NE(editor, nullptr);
    const QPoint button = centreIn(editor->Button(), window.get());
    QTest::mousePress(handle(), Qt::LeftButton, {}, button);
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, button);
    auto* list = qobject_cast<TPopupList*>(editor->Popup());
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    const int b = TPopupView::BorderWidth;
    const QPoint item(b + 10, b + 3 * list->ItemHeight() + list->ItemHeight() / 2);
    ASSERT_EQ(list->ItemAt(10, 3 * list->ItemHeight() + 4), 3);
    QTest::mouseClick(list->windowHandle(), Qt::LeftButton, {}, item);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(editor->Text(), QStringLiteral("İzmir"));
    key(Qt::Key_Return);
    EXPECT_EQ(grid->CellText(ColCity, 1), QStringLiteral("İzmir"));
}

TEST_F(GridInteraction, SpinEditorTakesTypedDigitsAndStepsWithinItsBounds)
{
    clickCell(ColCount, 0);
    auto* editor = qobject_cast<TSpinEditor*>(grid->Editor());
    ASSERT_NE(editor, nullptr);
    // Letters are filtered out.
    type(QStringLiteral("4x2"));
    EXPECT_EQ(editor->Text(), QStringLiteral("42"));
    key(Qt::Key_Return);
    EXPECT_EQ(grid->Cell(ColCount, 0)->AsInteger(), 42);

    clickCell(ColCount, 0);
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_EQ(grid->Cell(ColCount, 0)->AsInteger(), 43);

    // At the column's maximum (50) a step up does nothing; its minimum is 0.
    clickCell(ColCount, 3);
    key(Qt::Key_Up);
    key(Qt::Key_Return);
    EXPECT_EQ(grid->Cell(ColCount, 3)->AsInteger(), 50);
    clickCell(ColCount, 2);
    for (int i = 0; i < 5; ++i)
        key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_EQ(grid->Cell(ColCount, 2)->AsInteger(), 0);
}

TEST_F(GridInteraction, DatePickerTakesTypedDatesAndCalendarClicks)
{
    const auto dayOf = [](int y, int m, int d) {
        return SysUtils::ToDateTime(QDateTime(QDate(y, m, d), QTime(0, 0)));
    };
    clickCell(ColDate, 0);
    auto* editor = qobject_cast<TDatePickerEditor*>(grid->Editor());
    ASSERT_NE(editor, nullptr);
    type(SysUtils::DateToStr(dayOf(2024, 5, 20)));
    key(Qt::Key_Return);
    EXPECT_EQ(grid->Cell(ColDate, 0)->AsDateTime(), dayOf(2024, 5, 20));

    // The calendar opens on the cell's month; a click on a day takes it.
    clickCell(ColDate, 1);
    editor = qobject_cast<TDatePickerEditor*>(grid->Editor());
    ASSERT_NE(editor, nullptr);
    const QPoint button = centreIn(editor->Button(), window.get());
    QTest::mousePress(handle(), Qt::LeftButton, {}, button);
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, button);
    auto* calendar = qobject_cast<TDatePopup*>(editor->Popup());
    ASSERT_NE(calendar, nullptr);
    ASSERT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->Month(), 3);
    EXPECT_EQ(calendar->Year(), 2024);
    QPoint day;
    for (int r = 0; r < calendar->RowCount(); ++r)
        for (int c = 0; c < 7; ++c)
            if (calendar->CellDate(c, r) == QDate(2024, 3, 21))
                day = QPoint(TDatePopup::GridLeft + c * TDatePopup::CellWidth + 8,
                    TDatePopup::GridTop + r * TDatePopup::CellHeight + 7);
    ASSERT_FALSE(day.isNull());
    const QPoint inWindow = day + QPoint(TPopupView::BorderWidth, TPopupView::BorderWidth);
    QTest::mouseClick(calendar->windowHandle(), Qt::LeftButton, {}, inWindow);
    EXPECT_FALSE(calendar->isVisible());
    key(Qt::Key_Return);
    EXPECT_EQ(grid->Cell(ColDate, 1)->AsDateTime(), dayOf(2024, 3, 21));
}

TEST_F(GridInteraction, CheckBoxFlipsByClickAndSpaceAndItsEditorFillsTheInputLine)
{
    // Row 1 is not active. A click in the check square flips it; no editor opens.
    const TRect cell = grid->GetCellRect(ColActive, 1, gpData);
    const QRect square = TCheckBoxColumnPlay::CheckRect(
        *column(ColActive), QRect(0, 0, cell.Width(), cell.Height()));
    click(cell.Left + square.center().x(), cell.Top + square.center().y());
    EXPECT_TRUE(grid->Cell(ColActive, 1)->AsBoolean());
    EXPECT_FALSE(grid->hasState(gstEditing));
    // Beside the square nothing flips.
    click(cell.Right - 3, cell.Top + 3);
    EXPECT_TRUE(grid->Cell(ColActive, 1)->AsBoolean());
    // Space flips the focused cell.
    ASSERT_EQ(grid->FocusedColumn(), ColActive);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_FALSE(grid->Cell(ColActive, 1)->AsBoolean());

    // In the input line the check-box editor takes the value; Enter makes it a row.
    grid->SetOptions(grid->Options() + goInput);
    const TRect input = grid->GetCellRect(ColActive, 0, gpInput);
    click((input.Left + input.Right) / 2, (input.Top + input.Bottom) / 2);
    ASSERT_TRUE(grid->hasState(gstInputEditing));
    auto* editor = qobject_cast<TCheckBoxEditor*>(grid->Editor());
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->Checked());
    key(Qt::Key_Space);
    EXPECT_TRUE(editor->Checked());
    key(Qt::Key_Return);
    ASSERT_EQ(grid->RowCount(), 5);
    EXPECT_TRUE(grid->Cell(ColActive, 4)->AsBoolean());
    EXPECT_FALSE(grid->hasState(gstInputEditing));
}

TEST_F(GridInteraction, SlidesUseTheWholeClientAreaForPaintingAndEditing)
{
    // Header, input line and footer are switched on, but they belong to the report.
    grid->SetOptions(grid->Options() + goInput + goFooter);
    grid->SetSlideSize(60);
    for (int c = 0; c < grid->Columns()->Count(); ++c) {
        TSlideBounds b;
        b.Left = 4 + 84 * c;
        b.Top = 36;
        b.Width = 80;
        b.Height = 20;
        column(c)->SetSlideBounds(b);
    }
    grid->SetGridStyle(gsSlides);
    const int pitch = 61;
    ASSERT_GT(grid->ClientHeight(), 3 * pitch + 60);
    EXPECT_EQ(grid->DataRect(), grid->ClientRect());

    // Every slide shows "Adana" alike, the fourth near the bottom as the first.
    grid->Update();
    const TRect first = grid->GetCellRect(ColCity, 0, gpData);
    ASSERT_EQ(grid->GetCellRect(ColCity, 3, gpData), first.Offset(0, 3 * pitch));
    int differing = 0;
    for (int y = first.Top; y < first.Bottom; ++y)
        for (int x = first.Left; x < first.Right; ++x)
            differing += grid->Canvas().Pixel(x, y) != grid->Canvas().Pixel(x, y + 3 * pitch);
    EXPECT_EQ(differing, 0);

    // A field of the first slide opens its editor over itself.
    const TRect name = grid->GetCellRect(ColName, 0, gpData);
    click((name.Left + name.Right) / 2, (name.Top + name.Bottom) / 2);
    ASSERT_TRUE(grid->hasState(gstEditing));
    EXPECT_TRUE(grid->Editor()->isVisible());
    EXPECT_EQ(grid->Editor()->geometry(),
        name.Inflated(-1, -1).ToQRect().translated(grid->ClientOffset()));
    // Repainting keeps it open: the slides' scroll bar, without a range, stays hidden.
    grid->Invalidate();
    grid->Update();
    EXPECT_TRUE(grid->hasState(gstEditing));
    EXPECT_FALSE(grid->NativeBar(sbVertical)->isVisible());
}

TEST_F(GridInteraction, CellHintsTakeOneLineUntilTheyNeedToWrap)
{
    grid->Cell(ColNote, 1)->SetHint(QByteArrayLiteral("Muhasebe ile konusulacak"));
    const TPoint p = cellPoint(ColNote, 1);
    move(p.X, p.Y);
    TGridHintWindow* hint = grid->CellHintWindow();
    ASSERT_TRUE(hint->Showing());
    const QFontMetrics metrics(hint->font());
    EXPECT_LT(hint->height(), 2 * metrics.height());
    EXPECT_GE(hint->width(), metrics.horizontalAdvance(hint->text()));
    EXPECT_EQ(hint->pos(),
        grid->ClientToScreen(
                TPoint(grid->GetCellRect(ColNote, 1, gpData).Left + column(ColNote)->Width(),
                    grid->GetCellRect(ColNote, 1, gpData).Top - 20))
            .ToQPoint());

    // Beyond 250 pixels the text wraps.
    QByteArray longHint;
    for (int i = 0; i < 12; ++i)
        longHint += "uzun bir not ";
    grid->Cell(ColNote, 2)->SetHint(longHint);
    const TPoint q = cellPoint(ColNote, 2);
    move(q.X, q.Y);
    ASSERT_TRUE(hint->Showing());
    EXPECT_EQ(hint->width(), 250);
    EXPECT_GE(hint->height(), 2 * metrics.height());
}

// ---------------------------------------------------------------- scrolling

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Paint events the widget still gets while the event loop runs `rounds` times
// with nothing else happening.
int PaintsWhenLeftAlone(QWidget* widget, int rounds)
{
    PaintCounter counter(widget);
    for (int i = 0; i < rounds; ++i)
        QApplication::processEvents();
    return counter.paints;
}

} // namespace

TEST_F(GridInteraction, AScrolledDownGridOpensAndKeepsItsEditor)
{
    grid->AddRows(30);
    grid->VertScrollBar()->SetPosition(5);
    QApplication::processEvents();
    ASSERT_EQ(grid->TopRow(), 5);

    clickCell(ColName, 7);
    ASSERT_TRUE(grid->hasState(gstEditing));
    // Repaints and new rows leave it open where it is.
    QApplication::processEvents();
    grid->Invalidate();
    grid->Update();
    ASSERT_TRUE(grid->hasState(gstEditing));
    type(QStringLiteral("Yeni"));
    grid->AddRows(1);
    QApplication::processEvents();
    ASSERT_TRUE(grid->hasState(gstEditing));
    EXPECT_TRUE(grid->Editor()->isVisible());
    EXPECT_EQ(grid->Editor()->geometry(),
        grid->GetCellRect(ColName, 7, gpData)
            .Inflated(-1, -1)
            .ToQRect()
            .translated(grid->ClientOffset()));
    key(Qt::Key_Return);
    EXPECT_EQ(grid->CellText(ColName, 7), QStringLiteral("Yeni"));
    EXPECT_EQ(grid->TopRow(), 5);
}

TEST_F(GridInteraction, ASidewaysScrolledGridGoesIdle)
{
    column(ColNote)->SetWidth(400);
    clickCell(ColCity, 1);
    ASSERT_EQ(grid->FocusedColumn(), ColCity);
    key(Qt::Key_Escape);
    grid->ScrollMessage(sbHorizontal, SB_LINEDOWN);
    ASSERT_GT(grid->HorzOffset(), 0);
    // Whatever the scroll left to paint is painted within a few rounds; then
    // the grid has nothing more to do.
    PaintsWhenLeftAlone(grid, 10);
    EXPECT_EQ(PaintsWhenLeftAlone(grid, 20), 0);
}

TEST_F(GridInteraction, AClickOnTheRowsTurnsTheEditedInputLineIntoARow)
{
    grid->SetOptions(grid->Options() + goInput);
    const TRect input = grid->GetCellRect(ColName, 0, gpInput);
    click((input.Left + input.Right) / 2, (input.Top + input.Bottom) / 2);
    ASSERT_TRUE(grid->hasState(gstInputEditing));
    type(QStringLiteral("Nur"));

    clickCell(ColNote, 1);
    EXPECT_FALSE(grid->InputFocused());
    EXPECT_FALSE(grid->hasState(gstInputEditing));
    ASSERT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(grid->CellText(ColName, 4), QStringLiteral("Nur"));
    EXPECT_EQ(column(ColName)->InputValue(), QString());
    // The click itself went to the rows.
    EXPECT_EQ(grid->FocusedRow(), 1);
    EXPECT_EQ(grid->FocusedColumn(), ColNote);
}

// ------------------------------------------------------------------ pop-ups

TEST_F(GridInteraction, OpenPopUpsTakeTheKeyboard)
{
    // Keys go to the window as the keyboard sends them: an open pop-up has them.
    const auto press = [this](Qt::Key k, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(handle(), k, mods);
    };

    // The pick list opens on the cell's item; the arrows move through the
    // items, a letter jumps to the next item it starts, Enter takes the item.
    clickCell(ColCity, 0);
    auto* combo = qobject_cast<TComboBoxEditor*>(grid->Editor());
    ASSERT_NE(combo, nullptr);
    const QPoint button = centreIn(combo->Button(), window.get());
    QTest::mousePress(handle(), Qt::LeftButton, {}, button);
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, button);
    auto* list = qobject_cast<TPopupList*>(combo->Popup());
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->HotIndex(), 0);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(list->HotIndex(), 2);
    press(Qt::Key_Up);
    EXPECT_EQ(list->HotIndex(), 1);
    press(Qt::Key_End);
    EXPECT_EQ(list->HotIndex(), 3);
    press(Qt::Key_Home);
    EXPECT_EQ(list->HotIndex(), 0);
    press(Qt::Key_B);
    EXPECT_EQ(list->HotIndex(), 2);
    press(Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(combo->Text(), QStringLiteral("Bursa"));
    // Escape closes only the list: the editor stays, with its text.
    press(Qt::Key_F4);
    ASSERT_TRUE(list->isVisible());
    press(Qt::Key_Down);
    press(Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
    ASSERT_TRUE(grid->hasState(gstEditing));
    EXPECT_EQ(combo->Text(), QStringLiteral("Bursa"));
    press(Qt::Key_Return);
    EXPECT_EQ(grid->CellText(ColCity, 0), QStringLiteral("Bursa"));

    // Alt+Down opens the calendar on the cell's day (Sunday 10 March 2024); the arrows
    // move by a day and a week, the page keys by a month, Enter takes the day.
    clickCell(ColDate, 0);
    auto* picker = qobject_cast<TDatePickerEditor*>(grid->Editor());
    ASSERT_NE(picker, nullptr);
    press(Qt::Key_Down, Qt::AltModifier);
    auto* calendar = qobject_cast<TDatePopup*>(picker->Popup());
    ASSERT_NE(calendar, nullptr);
    ASSERT_TRUE(calendar->isVisible());
    const auto selected = [&] { return SysUtils::FromDateTime(calendar->SelectedDate()).date(); };
    press(Qt::Key_Right);
    EXPECT_EQ(selected(), QDate(2024, 3, 11));
    press(Qt::Key_Down);
    EXPECT_EQ(selected(), QDate(2024, 3, 18));
    press(Qt::Key_PageDown);
    EXPECT_EQ(selected(), QDate(2024, 4, 18));
    EXPECT_EQ(calendar->Month(), 4);
    press(Qt::Key_Left);
    press(Qt::Key_Up);
    EXPECT_EQ(selected(), QDate(2024, 4, 10));
    press(Qt::Key_Return);
    EXPECT_FALSE(calendar->isVisible());
    press(Qt::Key_Return);
    EXPECT_EQ(
        SysUtils::FromDateTime(grid->Cell(ColDate, 0)->AsDateTime()).date(), QDate(2024, 4, 10));
}

TEST_F(GridInteraction, ArrowKeysCloseTheCheckBoxEditorAndMoveInTheGrid)
{
    grid->SetFocusedCell(ColActive, 1, 0);
    grid->EditCell(ColActive, 1);
    auto* editor = qobject_cast<TCheckBoxEditor*>(grid->Editor());
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(QApplication::focusWidget(), editor);
    key(Qt::Key_Space);
    ASSERT_TRUE(editor->Checked());
    key(Qt::Key_Down);
    EXPECT_FALSE(grid->hasState(gstEditing));
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(grid->FocusedRow(), 2);
    // What the box showed when it closed is kept, as when the focus leaves it.
    EXPECT_TRUE(grid->Cell(ColActive, 1)->AsBoolean());

    grid->EditCell(ColActive, 2);
    ASSERT_NE(grid->Editor(), nullptr);
    key(Qt::Key_Left);
    EXPECT_FALSE(grid->hasState(gstEditing));
    EXPECT_EQ(grid->FocusedColumn(), ColDate);
    EXPECT_EQ(grid->FocusedRow(), 2);
}

// ------------------------------------------------------------ odds and ends

TEST_F(GridInteraction, WithoutHideScrollBarTheVerticalBarStaysGreyedWhenTheRowsFit)
{
    QScrollBar* bar = grid->NativeBar(sbVertical);
    ASSERT_LT(grid->RowCount(), grid->VisibleRowCount());
    EXPECT_FALSE(bar->isVisible());
    const int wide = grid->ClientWidth();
    grid->SetHideScrollBar(false);
    grid->Invalidate();
    grid->Update();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(bar->isEnabled());
    EXPECT_EQ(grid->ClientWidth(), wide - bar->width());
    // Rows beyond the data area enable it; without them it is greyed again.
    grid->AddRows(20);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->isEnabled());
    grid->Clear();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(bar->isEnabled());
    grid->SetHideScrollBar(true);
    grid->Invalidate();
    grid->Update();
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(GridInteraction, DropRightOfTheLastColumnNeverHidesIt)
{
    grid->SetOptions(grid->Options() + goCanHideColumn);
    const QStringList before = displayOrder();
    startDrag(ColCity, 8);
    ASSERT_TRUE(grid->hasState(gstHeaderDragging));
    const int right = grid->HeaderRect().Right + 10;
    ASSERT_LT(right, grid->ClientWidth());
    move(right, 10);
    release(right, 10);
    EXPECT_TRUE(column(ColCity)->Visible());
    EXPECT_EQ(displayOrder(), before);
}

TEST_F(GridInteraction, TheDragBoxWritesTheCaptionInTheGridsFont)
{
    // Rows of the box's picture that hold dark ink (the caption's letters).
    const auto captionRows = [this](int col) {
        startDrag(col, 8);
        TColumnDragBox* box = grid->DragBox();
        box->Update();
        int rows = 0;
        for (int y = 2; y < box->ClientHeight() - 2; ++y)
            for (int x = 2; x < box->ClientWidth() - 2; ++x)
                if (qGray(box->Canvas().Pixel(x, y)) < 80) {
                    ++rows;
                    break;
                }
        const TPoint p = headerPoint(col);
        release(p.X, p.Y);
        return rows;
    };
    grid->SetHeaderSize(40);
    const int normal = captionRows(ColName);
    ASSERT_GT(normal, 0);
    grid->Font().SetHeight(-30);
    EXPECT_GT(captionRows(ColName), normal + 8);
}

TEST_F(GridInteraction, AnyResizeClosesTheEditor)
{
    clickCell(ColName, 1);
    ASSERT_TRUE(grid->hasState(gstEditing));
    grid->resize(grid->width(), grid->height() - 30);
    QApplication::processEvents();
    EXPECT_FALSE(grid->hasState(gstEditing));
    EXPECT_FALSE(grid->Editor());
}
