#include "GridView.h"
#include "ColumnClasses.h"
#include "ColumnDragBox.h"
#include "FakeGrid.h"
#include "SharedClasses.h"
#include "ThemesSupport.h"
#include "ViewServices.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace {

TTextualColumn* AddTextColumn(TGridView& grid, const QString& caption, int width)
{
    auto* column = new TTextualColumn();
    column->Header().SetCaption(caption);
    column->SetColor(clWindow);
    column->SetFont(ColumnFont { QStringLiteral("MS Sans Serif"), -11, 0, clWindowText });
    column->SetWidth(width);
    column->SetPosition(grid.Columns()->Count());
    grid.Columns()->Add(column);
    return column;
}

// A report grid with three 60-pixel text columns and grid lines.
std::unique_ptr<TGridView> MakeGrid(int rows = 0)
{
    auto grid = std::make_unique<TGridView>();
    grid->resize(300, 200);
    grid->SetOptions(grid->Options() + goGrid);
    for (int i = 0; i < 3; ++i)
        AddTextColumn(*grid, QStringLiteral("C%1").arg(i), 60);
    grid->AddRows(rows);
    return grid;
}

TColor Rgb(TColor color)
{
    return ColorToRGB(color);
}

TColor PixelAt(TGridView& grid, int x, int y)
{
    grid.Update();
    return grid.Canvas().Pixel(x, y);
}

// True when a pixel of r differs from the colour `background`.
bool HasInk(TGridView& grid, const TRect& r, TColor background)
{
    grid.Update();
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (grid.Canvas().Pixel(x, y) != Rgb(background))
                return true;
    return false;
}

void GiveFocus(QWidget& widget)
{
    widget.show();
    QApplication::setActiveWindow(&widget);
    widget.activateWindow();
    widget.setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
}

// The call list of the main window: a new call drops the oldest beyond six
// rows, appends a row and writes its five cells under the update lock.
void AddCall(TGridView& grid, const QStringList& values)
{
    if (grid.RowCount() > 5)
        grid.DeleteRow(0);
    grid.AddRows(1);
    const int row = grid.RowCount() - 1;
    grid.BeginUpdate();
    for (int c = 0; c < 5; ++c)
        grid.Cell(c, row)->SetAsString(values.at(c));
    grid.EndUpdate();
}

// A grid that records the cells it paints and what it pushes to its window's
// scroll bars.
class CountingGrid : public TGridView
{
public:
    std::set<std::pair<int, int>> painted;
    int barPushes = 0;

    void SetScrollInfo(TScrollBarKind kind, int min, int max, int page, int position) override
    {
        ++barPushes;
        TGridView::SetScrollInfo(kind, min, max, page, position);
    }

protected:
    void PaintCell(int col, int row) override
    {
        // Cells outside the area being painted are skipped at once.
        const TRect cell = GetCellRect(col, row, gpData);
        if (!cell.Intersected(Canvas().ClipRect()).IsEmpty())
            painted.insert({ col, row });
        TGridView::PaintCell(col, row);
    }
};

// A text column whose cells can be edited in place.
class EditableColumn : public TTextualColumn
{
public:
    TCellEditorPtr CreateEditor() override
    {
        return { new TTextualEditor(), [](TCellEditor* editor) { delete editor; } };
    }
};

} // namespace

TEST(GridViewRows, OutOfRangeRowOperationsDoNothing)
{
    auto grid = MakeGrid(3);
    grid->Cell(0, 2)->SetAsString(QStringLiteral("last"));
    EXPECT_NO_THROW(grid->DeleteRow(7));
    EXPECT_NO_THROW(grid->DeleteRow(-1));
    EXPECT_NO_THROW(grid->InsertRow(3));
    EXPECT_NO_THROW(grid->MoveRow(0, 3));
    EXPECT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->CellText(0, 2), QStringLiteral("last"));
    EXPECT_EQ(grid->CellText(5, 0), QString());
    grid->SetCellText(0, 9, QStringLiteral("x"));
    EXPECT_EQ(grid->RowCount(), 3);
    // The store's own access still reports a bad row to its caller.
    EXPECT_THROW(grid->Cell(0, 3), EListError);
}

TEST(GridViewRows, EqualTextRaisesNoChange)
{
    auto grid = MakeGrid(2);
    std::vector<std::pair<int, int>> changes;
    grid->OnChange = [&](TObject*, int c, int r) { changes.push_back({ c, r }); };
    grid->SetCellText(1, 1, QStringLiteral("abc"));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], std::make_pair(1, 1));
    grid->SetCellText(1, 1, QStringLiteral("abc"));
    EXPECT_EQ(changes.size(), 1u);
}

TEST(GridViewRows, UpdateLockSuppressesRepaintAndChange)
{
    auto grid = MakeGrid(2);
    grid->show();
    int changes = 0;
    grid->OnChange = [&](TObject*, int, int) { ++changes; };
    const TRect cell = grid->GetCellRect(0, 1, gpData);
    EXPECT_FALSE(HasInk(*grid, cell.Inflated(-1, -1), clWindow));

    grid->BeginUpdate();
    grid->BeginUpdate();
    grid->Cell(0, 1)->SetAsString(QStringLiteral("WWWW"));
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(HasInk(*grid, cell.Inflated(-1, -1), clWindow));
    // One EndUpdate ends both, and repaints nothing by itself.
    grid->EndUpdate();
    EXPECT_FALSE(grid->Updating());
    EXPECT_FALSE(HasInk(*grid, cell.Inflated(-1, -1), clWindow));

    grid->Cell(0, 1)->SetAsString(QStringLiteral("MMMM"));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(HasInk(*grid, cell.Inflated(-1, -1), clWindow));
}

TEST(GridViewRows, AddRowsFillsDefaultValues)
{
    auto grid = MakeGrid(1);
    grid->Columns()->Items(1)->SetDefaultValue(QStringLiteral("yok"));
    grid->SetOptions(grid->Options() + goUseDefaultValues);
    std::vector<std::pair<int, int>> changes;
    grid->OnChange = [&](TObject*, int c, int r) { changes.push_back({ c, r }); };
    grid->AddRows(2);
    EXPECT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->CellText(1, 1), QStringLiteral("yok"));
    EXPECT_EQ(grid->CellText(1, 2), QStringLiteral("yok"));
    EXPECT_EQ(grid->CellText(0, 1), QString());
    EXPECT_EQ(grid->CellText(1, 0), QString());
    EXPECT_EQ(changes, (std::vector<std::pair<int, int>> { { 1, 1 }, { 1, 2 } }));
}

TEST(GridViewRows, InsertDeleteAndClearMoveTheFocusAsRowsMove)
{
    auto grid = MakeGrid(6);
    grid->SetFocusedCell(1, 3, 0);
    grid->InsertRow(0);
    EXPECT_EQ(grid->FocusedRow(), 4);
    EXPECT_EQ(grid->RowCount(), 7);

    // Deleting the focused last row leaves the index beyond the rows.
    grid->SetFocusedCell(1, 6, 0);
    grid->DeleteRow(6);
    EXPECT_EQ(grid->FocusedRow(), 6);
    EXPECT_EQ(grid->RowCount(), 6);

    grid->SetFocusedCell(2, 4, 0);
    grid->Clear();
    EXPECT_EQ(grid->RowCount(), 0);
    EXPECT_EQ(grid->FocusedColumn(), 2);
    EXPECT_EQ(grid->FocusedRow(), 4);
    grid->AddRows(6);
    EXPECT_EQ(grid->FocusedRow(), 4);
}

TEST(GridViewRows, MoveRowCarriesItsMark)
{
    auto grid = MakeGrid(4);
    grid->Cell(0, 0)->SetAsString(QStringLiteral("a"));
    grid->SetFocusedCell(0, 0, 0);
    EXPECT_TRUE(grid->RowMarked(0));
    grid->MoveRow(0, 3);
    EXPECT_EQ(grid->CellText(0, 3), QStringLiteral("a"));
    EXPECT_TRUE(grid->RowMarked(3));
    EXPECT_FALSE(grid->RowMarked(0));
}

TEST(GridViewSelection, CtrlAndShiftExtendTheRowSelection)
{
    auto grid = MakeGrid(10);
    grid->SetOptions(grid->Options() + goMultiSelect + goSelectFullRow);
    grid->SetFocusedCell(0, 2, ssCtrl);
    grid->SetFocusedCell(0, 5, ssCtrl);
    EXPECT_TRUE(grid->RowMarked(2));
    EXPECT_TRUE(grid->RowMarked(5));
    EXPECT_TRUE(grid->hasState(gstMultiSelecting));
    grid->SetFocusedCell(0, 8, ssShift);
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(grid->RowMarked(r), r >= 5 && r <= 8) << r;
    // A plain click clears the marks and selects the one row.
    grid->SetFocusedCell(0, 1, 0);
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(grid->RowMarked(r), r == 1) << r;
    EXPECT_FALSE(grid->hasState(gstMultiSelecting));
}

TEST(GridViewSelection, SameCellRaisesSelectCellAndRepaintsNothing)
{
    CountingGrid grid;
    grid.resize(300, 200);
    for (int i = 0; i < 3; ++i)
        AddTextColumn(grid, QStringLiteral("C%1").arg(i), 60);
    grid.AddRows(3);
    GiveFocus(grid);
    grid.SetFocusedCell(1, 1, 0);
    grid.Update();
    int selects = 0;
    grid.OnSelectCell = [&](TObject*, int c, int r) {
        ++selects;
        EXPECT_EQ(c, 1);
        EXPECT_EQ(r, 1);
    };
    grid.painted.clear();
    grid.SetFocusedCell(1, 1, 0);
    EXPECT_EQ(selects, 1);
    grid.Update();
    EXPECT_TRUE(grid.painted.empty());
    // A real move repaints the two cells, and only them.
    grid.OnSelectCell = nullptr;
    grid.SetFocusedCell(2, 1, 0);
    grid.Update();
    EXPECT_EQ(grid.painted, (std::set<std::pair<int, int>> { { 1, 1 }, { 2, 1 } }));
}

TEST(GridViewLayout, RowPitchAndVisibleRows)
{
    TGridView grid;
    // Without a frame the client area is the whole window.
    grid.SetBorderStyle(bsNone);
    grid.SetOptions(TGridOptions { goGrid, goHeader });
    grid.SetRowSize(20);
    grid.SetHeaderSize(20);
    grid.resize(300, 170);
    AddTextColumn(grid, QStringLiteral("A"), 100);
    EXPECT_EQ(grid.RowPitch(), 21);
    EXPECT_EQ(grid.DataRect().Height(), 150);
    EXPECT_EQ(grid.VisibleRowCount(), 7);
    EXPECT_EQ(grid.GetVertScrollRange(), 0);
    grid.AddRows(10);
    EXPECT_EQ(grid.GetVertScrollRange(), 3);
    // RowSize 0 or less is ignored.
    grid.SetRowSize(0);
    EXPECT_EQ(grid.RowSize(), 20);
    EXPECT_EQ(grid.RowAt(20), 0);
    EXPECT_EQ(grid.RowAt(40), 0);
    EXPECT_EQ(grid.RowAt(41), 1);
    EXPECT_EQ(grid.HitTest(TPoint(5, 5)), gpHeader);
    EXPECT_EQ(grid.HitTest(TPoint(5, 25)), gpData);
    EXPECT_EQ(grid.HitTest(TPoint(150, 25)), gpNothing);
}

TEST(GridViewLayout, ColumnRightEdgeBelongsToTheColumn)
{
    auto grid = MakeGrid();
    TCustomColumn* first = grid->Columns()->ByPosition(0);
    TCustomColumn* second = grid->Columns()->ByPosition(1);
    EXPECT_EQ(grid->ColumnAt(0), first);
    EXPECT_EQ(grid->ColumnAt(60), first);
    EXPECT_EQ(grid->ColumnAt(61), second);
    EXPECT_EQ(grid->ColumnAt(181), nullptr);
    second->SetVisible(false);
    EXPECT_EQ(grid->ColumnAt(61)->Header().Caption(), QStringLiteral("C2"));
}

TEST(GridViewLayout, AutoSizeColumnsFillTheClientWidth)
{
    TGridView grid;
    grid.SetBorderStyle(bsNone);
    grid.resize(412, 150);
    grid.LoadColumns(CallListColumns());
    ASSERT_EQ(grid.ClientWidth(), 412);
    // In stored order, each column takes its share of what the ones before it
    // left, rounded half up: 96 x 412 / 510 = 77.55 gives 78, then 116 x 334 / 414
    // = 93.58 gives 94, 101 x 240 / 298 = 81.34 gives 81, 69 x 159 / 197 = 55.69
    // gives 56 and the last takes the 103 pixels left.
    std::vector<int> widths;
    for (int i = 0; i < grid.Columns()->Count(); ++i)
        widths.push_back(grid.Columns()->Items(i)->Width());
    EXPECT_EQ(widths, (std::vector<int> { 78, 94, 81, 56, 103 }));
}

TEST(GridViewMouse, ResizeNeverGoesBelowEightPixels)
{
    auto grid = MakeGrid(2);
    grid->show();
    TCustomColumn* first = grid->Columns()->ByPosition(0);
    ASSERT_EQ(grid->ResizeEdgeAt(TPoint(61, 5)), first);
    EXPECT_EQ(grid->ResizeEdgeAt(TPoint(61, 25)), nullptr);
    grid->MouseDown(mbLeft, ssLeft, 61, 5);
    EXPECT_TRUE(grid->hasState(gstResizing));
    grid->MouseMove(ssLeft, -40, 5);
    EXPECT_EQ(first->Width() + grid->ResizeDelta(), 8);
    grid->MouseUp(mbLeft, 0, -40, 5);
    EXPECT_FALSE(grid->hasState(gstResizing));
    EXPECT_EQ(first->Width(), 8);
    EXPECT_EQ(grid->Columns()->ByPosition(1)->Left(), 8);

    grid->MouseDown(mbLeft, ssLeft, 9, 5);
    grid->MouseMove(ssLeft, 30, 5);
    grid->MouseUp(mbLeft, 0, 30, 5);
    EXPECT_EQ(first->Width(), 30);
}

TEST(GridViewMouse, ShortHeaderDragIsAClickAndSorts)
{
    auto grid = MakeGrid(3);
    grid->show();
    grid->SetOptions(grid->Options() - goDissableColumnMoving);
    grid->Cell(1, 0)->SetAsString(QStringLiteral("b"));
    grid->Cell(1, 1)->SetAsString(QStringLiteral("c"));
    grid->Cell(1, 2)->SetAsString(QStringLiteral("a"));
    std::vector<int> clicks;
    grid->OnHeaderClick = [&](TObject*, int col) { clicks.push_back(col); };
    std::vector<std::pair<int, bool>> sorts;
    grid->OnSortColumn = [&](TObject*, int col, bool asc) { sorts.push_back({ col, asc }); };

    grid->MouseDown(mbLeft, ssLeft, 90, 8);
    EXPECT_TRUE(grid->hasState(gstHeaderPressed));
    grid->MouseMove(ssLeft, 93, 11);
    EXPECT_FALSE(grid->hasState(gstHeaderDragging));
    EXPECT_FALSE(grid->DragBox()->isVisible());
    grid->MouseUp(mbLeft, 0, 93, 11);
    EXPECT_EQ(clicks, std::vector<int> { 1 });
    ASSERT_EQ(sorts.size(), 1u);
    EXPECT_EQ(sorts[0], std::make_pair(1, true));
    EXPECT_EQ(grid->CellText(1, 0), QStringLiteral("a"));
    EXPECT_EQ(grid->CellText(1, 2), QStringLiteral("c"));
}

TEST(GridViewMouse, HeaderDragMovesTheColumnUnlessMovingIsDisabled)
{
    auto grid = MakeGrid(1);
    grid->show();
    grid->SetOptions(grid->Options() + goDissableColumnMoving);
    grid->MouseDown(mbLeft, ssLeft, 10, 8);
    grid->MouseMove(ssLeft, 40, 8);
    EXPECT_FALSE(grid->hasState(gstHeaderDragging));
    grid->MouseUp(mbLeft, 0, 40, 8);

    grid->SetOptions(grid->Options() - goDissableColumnMoving);
    TCustomColumn* first = grid->Columns()->Items(0);
    grid->MouseDown(mbLeft, ssLeft, 10, 8);
    grid->MouseMove(ssLeft, 15, 8);
    ASSERT_TRUE(grid->hasState(gstHeaderDragging));
    EXPECT_EQ(grid->DraggedColumn(), first);
    const TPoint drop = grid->ClientToScreen(TPoint(150, 30));
    grid->ColumnDrop(drop.X, drop.Y);
    EXPECT_FALSE(grid->hasState(gstHeaderDragging));
    EXPECT_EQ(first->Position(), 2);
    EXPECT_EQ(DisplayCaptions(*grid->Columns()), Texts({ "C1", "C2", "C0" }));

    // Over a header the arrows mark the target's left edge; elsewhere they hide.
    grid->MouseDown(mbLeft, ssLeft, 10, 8);
    grid->MouseMove(ssLeft, 15, 8);
    const TPoint over = grid->ClientToScreen(TPoint(70, 8));
    grid->ColumnMove(over.X, over.Y);
    EXPECT_TRUE(grid->DragArrow(0)->isVisible());
    EXPECT_EQ(grid->DragArrow(0)->pos(),
        (grid->ClientToScreen(TPoint(60, 0)).ToQPoint() - QPoint(4, 12)));
    const TPoint away = grid->ClientToScreen(TPoint(70, 120));
    grid->ColumnMove(away.X, away.Y);
    EXPECT_FALSE(grid->DragArrow(0)->isVisible());
    // Dropped on itself nothing moves.
    const TPoint self = grid->ClientToScreen(TPoint(10, 8));
    grid->ColumnDrop(self.X, self.Y);
    EXPECT_EQ(DisplayCaptions(*grid->Columns()), Texts({ "C1", "C2", "C0" }));
    EXPECT_FALSE(grid->DragBox()->isVisible());

    // Below twice the header height, only goCanHideColumn hides it.
    grid->MouseDown(mbLeft, ssLeft, 10, 8);
    grid->MouseMove(ssLeft, 15, 8);
    const TPoint below = grid->ClientToScreen(TPoint(10, 2 * grid->HeaderSize() + 5));
    grid->ColumnDrop(below.X, below.Y);
    EXPECT_TRUE(grid->Columns()->Items(1)->Visible());
    grid->SetOptions(grid->Options() + goCanHideColumn);
    grid->MouseDown(mbLeft, ssLeft, 10, 8);
    grid->MouseMove(ssLeft, 15, 8);
    grid->ColumnDrop(below.X, below.Y);
    EXPECT_FALSE(grid->Columns()->Items(1)->Visible());
}

TEST(GridViewMouse, ClickOnACellRaisesCellClickAndFocusesIt)
{
    auto grid = MakeGrid(3);
    grid->show();
    std::vector<std::pair<int, int>> clicks;
    grid->OnCellClick = [&](TObject*, int c, int r) { clicks.push_back({ c, r }); };
    const int y = grid->DataRect().Top + grid->RowPitch() * 2 + 3;
    grid->MouseDown(mbLeft, ssLeft, 130, y);
    grid->MouseUp(mbLeft, 0, 130, y);
    EXPECT_EQ(grid->FocusedColumn(), 2);
    EXPECT_EQ(grid->FocusedRow(), 2);
    EXPECT_EQ(clicks, (std::vector<std::pair<int, int>> { { 2, 2 } }));
}

TEST(GridViewKeyboard, EmptyGridRaisesNoKeyDown)
{
    auto grid = MakeGrid();
    int keys = 0;
    grid->OnKeyDown = [&](TObject*, int&, TShiftState) { ++keys; };
    int key = Qt::Key_Down;
    grid->KeyDown(key, 0);
    EXPECT_EQ(keys, 0);
    grid->AddRows(3);
    grid->KeyDown(key, 0);
    EXPECT_EQ(keys, 1);
    EXPECT_EQ(grid->FocusedRow(), 1);
    key = Qt::Key_End;
    grid->KeyDown(key, 0);
    EXPECT_EQ(grid->FocusedRow(), 2);
    key = Qt::Key_Down;
    grid->KeyDown(key, 0);
    EXPECT_EQ(grid->FocusedRow(), 2);
    key = Qt::Key_Home;
    grid->KeyDown(key, 0);
    EXPECT_EQ(grid->FocusedRow(), 0);
    key = Qt::Key_Right;
    grid->KeyDown(key, 0);
    EXPECT_EQ(grid->FocusedColumn(), 1);
}

TEST(GridViewKeyboard, EnterMovesByDirectionOnlyWithWantReturns)
{
    auto grid = MakeGrid(3);
    grid->KeyPress(QChar(13));
    EXPECT_EQ(grid->FocusedRow(), 0);
    grid->SetWantReturns(true);
    grid->KeyPress(QChar(13));
    EXPECT_EQ(grid->FocusedRow(), 1);
    grid->SetSelectionMoveDirection(mdRight);
    grid->KeyPress(QChar(13));
    EXPECT_EQ(grid->FocusedColumn(), 1);
    grid->SetSelectionMoveDirection(mdNone);
    grid->KeyPress(QChar(13));
    EXPECT_EQ(grid->FocusedColumn(), 1);
    EXPECT_EQ(grid->FocusedRow(), 1);
}

TEST(GridViewKeyboard, TypeAheadWrapsAndIgnoresCase)
{
    FakeViewServices services;
    SetViewServices(&services);
    {
        auto grid = MakeGrid(4);
        auto* search = grid->Columns()->Items(0);
        search->SetOptions(search->Options() + coSearchColumn - coEditing);
        const char* names[] = { "alma", "Armut", "kiraz", "ayva" };
        for (int r = 0; r < 4; ++r)
            grid->Cell(0, r)->SetAsString(QString::fromUtf8(names[r]));
        grid->SetFocusedCell(0, 2, 0);
        grid->KeyPress(QLatin1Char('A'));
        EXPECT_EQ(grid->FocusedRow(), 3); // after the focused row first
        grid->KeyPress(QLatin1Char('l'));
        EXPECT_EQ(grid->FocusedRow(), 0); // wrapped to row 0, "AL" matches "alma"
        EXPECT_EQ(grid->SearchText(), QStringLiteral("Al"));
        services.Advance(499);
        EXPECT_EQ(grid->SearchText(), QStringLiteral("Al"));
        services.Advance(1);
        EXPECT_TRUE(grid->SearchText().isEmpty());
        grid->KeyPress(QLatin1Char('a'));
        EXPECT_EQ(grid->FocusedRow(), 1); // "Armut"
    }
    SetViewServices(nullptr);
}

TEST(GridViewPaint, ReportGridWithHeaderLinesAndFocus)
{
    auto grid = MakeGrid(2);
    grid->SetHeaderStyle(hsDefault);
    grid->SetHeaderSize(20);
    grid->SetRowSize(20);
    GiveFocus(*grid);
    ASSERT_TRUE(grid->hasFocus());
    grid->Invalidate();
    // Header: button face with a caption.
    EXPECT_EQ(PixelAt(*grid, 30, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(PixelAt(*grid, 30, 19), Rgb(clBtnShadow));
    EXPECT_TRUE(HasInk(*grid, TRect(2, 2, 58, 18), clBtnFace));
    // Grid lines: under row 0 at y = 20 + 20, right of column 0 at x = 59.
    EXPECT_EQ(PixelAt(*grid, 30, 40), Rgb(clBtnFace));
    EXPECT_EQ(PixelAt(*grid, 59, 30), Rgb(clBtnFace));
    // Empty rows below the last one still get their lines.
    EXPECT_EQ(PixelAt(*grid, 30, 40 + 21 * 3), Rgb(clBtnFace));
    // Right of the columns: the grid's colour.
    EXPECT_EQ(PixelAt(*grid, 250, 30), Rgb(clWindow));
    // The focused cell is highlighted and framed by the dotted focus rectangle.
    EXPECT_EQ(PixelAt(*grid, 30, 30), Rgb(clHighlight));
    const TColor corner = PixelAt(*grid, 0, 20);
    EXPECT_NE(corner, Rgb(clHighlight));
    // Another cell is plain.
    EXPECT_EQ(PixelAt(*grid, 90, 30), Rgb(clWindow));
}

TEST(GridViewPaint, FramedLinesAreBlack)
{
    auto grid = MakeGrid(2);
    grid->SetGridLinesStyle(lsFramed);
    grid->show();
    const TRect last = grid->GetCellRect(2, 1, gpData);
    const TRect first = grid->GetCellRect(0, 0, gpData);
    EXPECT_EQ(PixelAt(*grid, last.Left + 5, last.Bottom), Rgb(clBlack));
    EXPECT_EQ(PixelAt(*grid, last.Right, first.Top + 5), Rgb(clBlack));
    EXPECT_EQ(PixelAt(*grid, first.Left + 5, first.Bottom), Rgb(clBtnFace));
    EXPECT_EQ(PixelAt(*grid, first.Right, first.Top + 5), Rgb(clBtnFace));
}

TEST(GridViewPaint, CaptionOfAnEmptyGrid)
{
    auto grid = MakeGrid();
    grid->show();
    grid->SetCaption(QStringLiteral("Kayıt yok"));
    const TRect data = grid->DataRect();
    EXPECT_TRUE(HasInk(*grid, TRect(100, data.Top + 4, 200, data.Top + 20), clWindow));
    grid->AddRows(1);
    grid->Invalidate();
    EXPECT_FALSE(HasInk(*grid, TRect(130, data.Top + 2, 170, data.Top + 15), clWindow));
}

TEST(GridViewCallList, SixLatestCallsInDisplayOrder)
{
    TGridView grid;
    grid.SetBorderStyle(bsSingle);
    grid.SetGridStyle(gsReport);
    grid.SetGridLinesStyle(lsNormal);
    grid.SetHeaderSize(20);
    grid.SetHeaderStyle(hsAuto);
    grid.SetHideScrollBar(true);
    grid.SetInputSize(12);
    grid.SetOptions(TGridOptions { goDissableColumnMoving, goGrid, goHeader });
    grid.SetRowSize(20);
    grid.SetSelectionMoveDirection(mdNone);
    grid.SetSlideSize(60);
    grid.SetWantReturns(false);
    grid.resize(532, 170);
    grid.LoadColumns(CallListColumns());
    grid.show();

    EXPECT_EQ(DisplayCaptions(*grid.Columns()),
        Texts({ "Hat no.", "Arayan numara", "Saat", "Cihaz seri no.", "Çağrı sıra no" }));
    int changes = 0;
    grid.OnChange = [&](TObject*, int, int) { ++changes; };
    for (int call = 1; call <= 7; ++call)
        AddCall(grid,
            { QStringLiteral("12:00:0%1").arg(call), QStringLiteral("SN1"), QString::number(call),
                QString::number(call % 4 + 1), QStringLiteral("555000%1").arg(call) });
    EXPECT_EQ(changes, 0);
    ASSERT_EQ(grid.RowCount(), 6);
    EXPECT_EQ(grid.CellText(2, 0), QStringLiteral("2"));
    EXPECT_EQ(grid.CellText(2, 5), QStringLiteral("7"));
    EXPECT_EQ(grid.CellText(4, 5), QStringLiteral("5550007"));
    // The themed frame takes two pixels on every side: 146 pixels of rows
    // hold six whole ones, just what the list keeps.
    ASSERT_EQ(grid.FrameWidth(), 2);
    EXPECT_EQ(grid.ClientWidth(), 528);
    EXPECT_EQ(grid.ClientHeight(), 166);
    EXPECT_EQ(grid.VisibleRowCount(), 6);
    EXPECT_FALSE(grid.VertScrollBar()->Visible());

    // Painted in display order: "Hat no." (stored index 3) is the leftmost column.
    TCustomColumn* hat = grid.Columns()->Items(3);
    EXPECT_EQ(hat->Left(), 0);
    EXPECT_EQ(grid.Columns()->Items(4)->Left(), hat->Width());
    int total = 0;
    for (int i = 0; i < 5; ++i)
        total += grid.Columns()->Items(i)->Width();
    EXPECT_EQ(total, 528);
    const TRect hatCell = grid.GetCellRect(3, 5, gpData);
    EXPECT_EQ(hatCell.Top, 20 + 5 * 21);
    EXPECT_TRUE(HasInk(grid, hatCell.Inflated(-1, -1), clWindow));
    EXPECT_TRUE(HasInk(grid, TRect(2, 2, hat->Width() - 2, 18), clBtnFace));
    // No seventh row: the row below the last is empty, with its grid lines.
    const TRect empty = grid.GetCellRect(3, 6, gpData);
    EXPECT_FALSE(HasInk(grid, empty.Inflated(-1, -1), clWindow));
    EXPECT_EQ(PixelAt(grid, empty.Right, empty.Top + 3), Rgb(clBtnFace));
}

TEST(GridViewCallList, ColumnsLoadIntoAShownGridWithASortedColumn)
{
    TGridView grid;
    grid.resize(532, 170);
    grid.show();
    QApplication::processEvents();
    ASSERT_TRUE(grid.HandleAllocated());
    QList<StoredColumn> stored = CallListColumns();
    stored[4]
        .Set(QStringLiteral("Options"), QStringLiteral("[coAutoSize, coCanSort, coCanInput]"))
        .Set(QStringLiteral("Sorted"), true);
    int sorts = 0;
    grid.OnSortColumn = [&](TObject*, int, bool) { ++sorts; };
    EXPECT_NO_THROW(grid.LoadColumns(stored));
    ASSERT_EQ(grid.Columns()->Count(), 5);
    EXPECT_TRUE(grid.Columns()->Items(4)->Sorted());
    EXPECT_EQ(sorts, 0);
    // The columns work as loaded ones do: rows can be added, written and sorted.
    grid.AddRows(3);
    for (int r = 0; r < 3; ++r)
        grid.Cell(4, r)->SetAsString(QString::number(3 - r));
    grid.Columns()->Items(4)->SetSortKind(skAscending);
    EXPECT_EQ(grid.CellText(4, 0), QStringLiteral("1"));
    EXPECT_EQ(sorts, 1);
}

TEST(ColumnDragBox, ArrowShapes)
{
    EXPECT_TRUE(TDragArrow::Shape(0).isEmpty());
    const QRegion up = TDragArrow::Shape(1);
    const QRegion down = TDragArrow::Shape(2);
    EXPECT_TRUE(up.contains(QPoint(4, 1)));
    EXPECT_TRUE(up.contains(QPoint(4, 7)));
    EXPECT_FALSE(up.contains(QPoint(0, 8)));
    EXPECT_TRUE(down.contains(QPoint(4, 7)));
    EXPECT_TRUE(down.contains(QPoint(4, 1)));
    EXPECT_FALSE(down.contains(QPoint(0, 1)));
    TDragArrow arrow;
    EXPECT_EQ(arrow.width(), 9);
    EXPECT_EQ(arrow.ArrowKind(), 0);
    arrow.SetArrowKind(2);
    EXPECT_EQ(arrow.ArrowKind(), 2);
}

TEST(GridViewEditing, EditorOpensAppliesAndCloses)
{
    auto grid = MakeGrid(3);
    auto* column = new EditableColumn();
    column->SetColor(clWindow);
    column->SetOptions(column->Options() + coEditing);
    column->SetPosition(3);
    grid->Columns()->Add(column);
    grid->Cell(3, 0)->SetAsString(QStringLiteral("eski"));
    GiveFocus(*grid);

    // Columns without coEditing refuse.
    grid->EditCell(0, 0);
    EXPECT_FALSE(grid->hasState(gstEditing));
    EXPECT_EQ(grid->Editor(), nullptr);

    std::vector<QString> edits;
    grid->OnEdit = [&](TObject*, int c, int, const QString& v) {
        EXPECT_EQ(c, 3);
        edits.push_back(v);
    };
    int afterEdits = 0;
    grid->OnAfterEdit = [&](TObject*, int, int, const QString& v, bool& accept) {
        ++afterEdits;
        accept = v != QStringLiteral("red");
    };
    grid->SetFocusedCell(3, 0, 0);
    grid->EditCell(3, 0);
    ASSERT_TRUE(grid->hasState(gstEditing));
    auto* editor = qobject_cast<TTextualEditor*>(grid->Editor());
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->Text(), QStringLiteral("eski"));
    const TRect cell = grid->GetCellRect(3, 0, gpData).Inflated(-1, -1);
    // Client coordinates start inside the frame; the editor is the grid's child window.
    EXPECT_EQ(editor->geometry(), cell.ToQRect().translated(grid->ClientOffset()));

    editor->EditWindow()->setText(QStringLiteral("yeni"));
    ASSERT_FALSE(edits.empty());
    EXPECT_EQ(edits.back(), QStringLiteral("yeni"));
    // Enter stores the text, closes the editor and moves the focus down.
    int key = Qt::Key_Return;
    static_cast<TCellEditorHost*>(grid.get())->EditorKeyDown(editor, key, Qt::NoModifier);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(grid->CellText(3, 0), QStringLiteral("yeni"));
    EXPECT_EQ(afterEdits, 1);
    EXPECT_FALSE(grid->hasState(gstEditing));
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(grid->FocusedRow(), 1);

    // A refused text is not stored; Escape drops the edit.
    grid->EditCell(3, 1, QStringLiteral("red"));
    ASSERT_TRUE(grid->hasState(gstEditing));
    EXPECT_TRUE(grid->ApplyEdit());
    EXPECT_EQ(grid->CellText(3, 1), QString());
    key = Qt::Key_Escape;
    static_cast<TCellEditorHost*>(grid.get())->EditorKeyDown(grid->Editor(), key, Qt::NoModifier);
    EXPECT_FALSE(grid->hasState(gstEditing));

    // A typed character opens the editor with that character.
    grid->SetFocusedCell(3, 2, 0);
    grid->KeyPress(QLatin1Char('k'));
    ASSERT_TRUE(grid->hasState(gstEditing));
    EXPECT_EQ(grid->EditRow(), 2);
    EXPECT_EQ(grid->Editor()->GetText(), QStringLiteral("k"));
    // Deleting the edited row closes the editor.
    grid->DeleteRow(2);
    EXPECT_FALSE(grid->hasState(gstEditing));
}

TEST(GridViewEditing, InputLineBecomesARow)
{
    auto grid = MakeGrid(1);
    grid->SetOptions(grid->Options() + goInput);
    grid->Columns()->Items(0)->SetInputValue(QStringLiteral("girdi"));
    grid->Columns()->Items(1)->SetDefaultValue(QStringLiteral("varsayılan"));
    bool allow = false;
    grid->OnInputAccept = [&](TObject*, bool& accept) { accept = allow; };
    grid->AcceptInput();
    EXPECT_EQ(grid->RowCount(), 1);
    allow = true;
    grid->AcceptInput();
    ASSERT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->CellText(0, 1), QStringLiteral("girdi"));
    EXPECT_EQ(grid->CellText(1, 1), QStringLiteral("varsayılan"));
    EXPECT_EQ(grid->Columns()->Items(0)->InputValue(), QString());
    EXPECT_EQ(grid->Columns()->Items(1)->InputValue(), QStringLiteral("varsayılan"));
    // The input line sits between the header and the data.
    EXPECT_EQ(grid->InputRect().Top, grid->HeaderSize());
    EXPECT_EQ(grid->DataRect().Top, grid->HeaderSize() + grid->InputSize() + 7);
    EXPECT_EQ(grid->HitTest(TPoint(10, grid->HeaderSize() + 2)), gpInput);
    // Up from row 0 moves the focus to the input line; Down brings it back.
    int key = Qt::Key_Up;
    grid->SetFocusedCell(0, 0, 0);
    grid->KeyDown(key, 0);
    EXPECT_TRUE(grid->InputFocused());
    key = Qt::Key_Down;
    grid->KeyDown(key, 0);
    EXPECT_FALSE(grid->InputFocused());
    EXPECT_EQ(grid->FocusedRow(), 0);
}

TEST(GridViewFooter, FormulasOverTheColumnValues)
{
    auto grid = MakeGrid();
    auto* numbers = new TNumericColumn();
    numbers->SetPosition(3);
    grid->Columns()->Add(numbers);
    grid->SetOptions(grid->Options() + goFooter);
    numbers->SetFormulaKind(fkAverage);
    grid->UpdateFooters();
    EXPECT_EQ(numbers->Footer().Caption(), QStringLiteral("0"));
    grid->AddRows(3);
    grid->Cell(3, 0)->SetAsFloat(1.5);
    grid->Cell(3, 1)->SetAsFloat(-4);
    grid->Cell(3, 2)->SetAsFloat(5.5);
    grid->UpdateFooters();
    EXPECT_EQ(numbers->Footer().Caption(), QStringLiteral("1"));
    numbers->SetFormulaKind(fkSum);
    grid->UpdateFooters();
    EXPECT_EQ(numbers->Footer().Caption(), QStringLiteral("3"));
    numbers->SetFormulaKind(fkMinimum);
    grid->UpdateFooters();
    EXPECT_EQ(numbers->Footer().Caption(), QStringLiteral("-4"));
    numbers->SetFormulaKind(fkMaximum);
    grid->UpdateFooters();
    EXPECT_EQ(numbers->Footer().Caption(), QStringLiteral("5.5"));
    // The footer band takes the bottom of the client area.
    EXPECT_EQ(grid->FooterRect().Bottom, grid->ClientHeight());
    EXPECT_EQ(grid->DataRect().Bottom, grid->FooterRect().Top);
    EXPECT_EQ(grid->HitTest(TPoint(10, grid->ClientHeight() - 3)), gpFooter);
}

TEST(GridViewSelection, HighlightColours)
{
    auto grid = MakeGrid();
    grid->Columns()->Items(1)->SetColor(clYellow);
    grid->AddRows(3);
    // Without the focus nothing is highlighted unless goAlwaysShowSelection.
    EXPECT_EQ(grid->GetCellBackColor(1, 0), clYellow);
    grid->SetOptions(grid->Options() + goAlwaysShowSelection);
    grid->SetFocusedCell(1, 0, 0);
    EXPECT_EQ(grid->GetCellBackColor(1, 0), clBtnFace);
    GiveFocus(*grid);
    ASSERT_TRUE(grid->hasFocus());
    EXPECT_EQ(grid->GetCellBackColor(1, 0), clHighlight);
    EXPECT_EQ(grid->GetCellFontColor(1, 0), clHighlightText);
    EXPECT_EQ(grid->GetCellBackColor(1, 1), clYellow);
    grid->SetOptions(grid->Options() + goAlphaBlendedSelection);
    EXPECT_EQ(
        grid->GetCellBackColor(1, 0), TGraphicsProvider::MixColors(clWindow, clHighlight, 0.25));
    // Full-row selection highlights the marked row's other cells.
    grid->SetOptions(grid->Options() - goAlphaBlendedSelection + goSelectFullRow);
    EXPECT_TRUE(grid->IsCellHighlighted(0, 0));
    EXPECT_TRUE(grid->IsCellHighlighted(2, 0));
    EXPECT_FALSE(grid->IsCellHighlighted(2, 1));
    grid->SetOptions(grid->Options() + goAlwaysIndicateSelected);
    EXPECT_FALSE(grid->IsCellHighlighted(1, 0));
}

TEST(GridViewScroll, WheelAndKeysScrollTheRows)
{
    auto grid = MakeGrid(40);
    grid->show();
    const int visible = grid->VisibleRowCount();
    EXPECT_TRUE(grid->VertScrollBar()->Visible());
    EXPECT_EQ(grid->VertScrollBar()->Max(), 40 - visible);
    grid->MouseWheel(-1, 0);
    EXPECT_EQ(grid->TopRow(), 1);
    grid->MouseWheel(1, 0);
    EXPECT_EQ(grid->TopRow(), 0);
    // With Ctrl a notch scrolls a page.
    grid->MouseWheel(-1, ssCtrl);
    EXPECT_EQ(grid->TopRow(), visible);
    grid->MouseWheel(1, ssCtrl);
    EXPECT_EQ(grid->TopRow(), 0);
    int key = Qt::Key_End;
    grid->KeyDown(key, 0);
    EXPECT_EQ(grid->TopRow(), 40 - visible);
    EXPECT_EQ(grid->FocusedRow(), 39);
    key = Qt::Key_PageUp;
    grid->KeyDown(key, 0);
    EXPECT_EQ(grid->FocusedRow(), grid->TopRow());
    key = Qt::Key_Home;
    grid->KeyDown(key, 0);
    EXPECT_EQ(grid->TopRow(), 0);
    // Row hit testing follows the scroll position.
    grid->VertScrollBar()->SetPosition(5);
    EXPECT_EQ(grid->RowAt(grid->DataRect().Top + 1), 5);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

TEST(GridViewScroll, ALineScrollPaintsOnlyTheUncoveredRowsAndPushesTheBarOnce)
{
    CountingGrid grid;
    grid.SetBorderStyle(bsNone);
    grid.SetOptions(TGridOptions { goGrid, goHeader });
    grid.SetHeaderSize(20);
    grid.SetRowSize(20);
    // Ten whole rows of 21 pixels and 7 pixels of the next one.
    grid.resize(400, 20 + 10 * 21 + 7);
    for (int i = 0; i < 5; ++i)
        AddTextColumn(grid, QStringLiteral("C%1").arg(i), 70);
    grid.AddRows(1000);
    for (int r = 490; r < 520; ++r)
        for (int c = 0; c < 5; ++c)
            grid.Cell(c, r)->SetAsString(QStringLiteral("%1/%2").arg(r).arg(c));
    grid.show();
    QApplication::processEvents();
    grid.VertScrollBar()->SetPosition(500);
    QApplication::processEvents();
    PaintCounter barPaints(grid.NativeBar(sbVertical));

    const auto rows = [](int first, int last) {
        std::set<std::pair<int, int>> cells;
        for (int r = first; r <= last; ++r)
            for (int c = 0; c < 5; ++c)
                cells.insert({ c, r });
        return cells;
    };
    struct Step
    {
        const char* how;
        std::function<void()> scroll;
        int top;
        std::set<std::pair<int, int>> uncovered;
    };
    TControlScrollBar* bar = grid.VertScrollBar();
    const Step steps[] = {
        // Down: the pixels move up by a row; the strip at the bottom holds the
        // last whole row and the part row below it.
        { "line down", [&] { bar->LineDown(); }, 501, rows(510, 511) },
        { "line up", [&] { bar->LineUp(); }, 500, rows(500, 500) },
        { "wheel", [&] { grid.MouseWheel(-1, 0); }, 501, rows(510, 511) },
        { "position", [&] { bar->SetPosition(500); }, 500, rows(500, 500) },
        { "native bar arrow",
            [&] {
                grid.NativeBar(sbVertical)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            },
            501, rows(510, 511) },
    };
    for (const Step& step : steps) {
        grid.painted.clear();
        grid.barPushes = 0;
        barPaints.paints = 0;
        step.scroll();
        QApplication::processEvents();
        EXPECT_EQ(grid.TopRow(), step.top) << step.how;
        EXPECT_EQ(grid.painted, step.uncovered) << step.how;
        EXPECT_EQ(grid.barPushes, 1) << step.how;
        EXPECT_EQ(barPaints.paints, 1) << step.how;
        // Nothing is left for a later pass.
        grid.painted.clear();
        QApplication::processEvents();
        EXPECT_TRUE(grid.painted.empty()) << step.how;
        EXPECT_EQ(barPaints.paints, 1) << step.how;
        // What was moved and what was painted make the picture a full repaint makes.
        const QImage scrolled = grid.Canvas().Image()->copy();
        grid.Invalidate();
        grid.Update();
        EXPECT_EQ(*grid.Canvas().Image(), scrolled) << step.how;
        QApplication::processEvents();
    }
}

TEST(GridViewScroll, WheelNotchesAddUpToWholeRows)
{
    auto grid = MakeGrid(40);
    grid->show();
    const auto wheel = [&](int delta, Qt::KeyboardModifiers mods = {}) {
        QWheelEvent event(QPointF(50, 50), grid->mapToGlobal(QPointF(50, 50)), QPoint(),
            QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid.get(), &event);
    };
    // A touchpad sends parts of a notch: three thirds scroll one row.
    for (int i = 0; i < 3; ++i)
        wheel(-40);
    EXPECT_EQ(grid->TopRow(), 1);
    wheel(-360);
    EXPECT_EQ(grid->TopRow(), 4);
    wheel(-60);
    EXPECT_EQ(grid->TopRow(), 4);
    wheel(-60, Qt::ControlModifier);
    EXPECT_EQ(grid->TopRow(), 4 + grid->VisibleRowCount());
}

TEST(GridViewScroll, PageDownGoesToTheLastWholeRowThenAPageOn)
{
    auto few = MakeGrid(3);
    few->show();
    int key = Qt::Key_PageDown;
    few->KeyDown(key, 0);
    EXPECT_EQ(few->FocusedRow(), 2);

    auto grid = MakeGrid(40);
    grid->show();
    const int visible = grid->VisibleRowCount();
    ASSERT_GT(visible, 3);
    grid->SetFocusedCell(0, 2, 0);
    key = Qt::Key_PageDown;
    grid->KeyDown(key, 0);
    EXPECT_EQ(grid->FocusedRow(), visible - 1);
    EXPECT_EQ(grid->TopRow(), 0);
    grid->KeyDown(key, 0);
    EXPECT_EQ(grid->FocusedRow(), 2 * visible - 1);
    EXPECT_EQ(grid->TopRow(), visible);
    // On to the end: never past the last row, always in view.
    for (int i = 0; i < 40 / visible + 1; ++i) {
        grid->KeyDown(key, 0);
        EXPECT_LE(grid->FocusedRow(), 39);
        EXPECT_GE(grid->FocusedRow(), grid->TopRow());
        EXPECT_LT(grid->FocusedRow(), grid->TopRow() + visible);
    }
    EXPECT_EQ(grid->FocusedRow(), 39);
    EXPECT_EQ(grid->TopRow(), grid->VertScrollBar()->Max());
    // With Shift the rows on the way are marked.
    grid->SetOptions(grid->Options() + goMultiSelect + goSelectFullRow);
    key = Qt::Key_Home;
    grid->KeyDown(key, 0);
    key = Qt::Key_PageDown;
    grid->KeyDown(key, ssShift);
    for (int r = 0; r < visible + 1; ++r)
        EXPECT_EQ(grid->RowMarked(r), r < visible) << r;
}

namespace {

// The grid's client area as painted.
QImage Picture(TGridView& grid)
{
    grid.Update();
    QImage image(grid.ClientWidth(), grid.ClientHeight(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const TColor c = grid.Canvas().Pixel(x, y);
            image.setPixel(x, y, qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        }
    return image;
}

} // namespace

TEST(GridViewScroll, SidewaysScrollingMovesTheColumnsAndTheirPixels)
{
    auto grid = MakeGrid(3);
    grid->SetBorderStyle(bsNone);
    for (int c = 0; c < 3; ++c) {
        grid->Columns()->Items(c)->SetWidth(150);
        grid->Cell(c, 1)->SetAsString(QStringLiteral("W%1W").arg(c));
    }
    grid->show();
    QApplication::processEvents();
    ASSERT_EQ(grid->ClientWidth(), 300);
    EXPECT_EQ(grid->GetHorzScrollRange(), 150);
    EXPECT_TRUE(grid->NativeBar(sbHorizontal)->isVisible());
    EXPECT_EQ(grid->HorzScrollBar()->LineStep(), 15);
    const QImage before = Picture(*grid);

    grid->ScrollMessage(sbHorizontal, SB_LINEDOWN);
    EXPECT_EQ(grid->HorzOffset(), 15);
    // Columns, cells and the header have moved 15 pixels to the left.
    EXPECT_EQ(grid->ColumnAt(134), grid->Columns()->Items(0));
    EXPECT_EQ(grid->ColumnAt(136), grid->Columns()->Items(1));
    EXPECT_EQ(grid->GetCellRect(1, 1, gpData).Left, 135);
    EXPECT_EQ(grid->HeaderRect().Right, 450 - 15);
    const QImage scrolled = Picture(*grid);
    EXPECT_EQ(
        scrolled.copy(0, 0, 285, scrolled.height()), before.copy(15, 0, 285, before.height()));
    // What scrolled into view is painted as a full repaint paints it.
    grid->Invalidate();
    EXPECT_EQ(Picture(*grid), scrolled);

    // At the end the last column's right edge meets the client's.
    grid->ScrollMessage(sbHorizontal, SB_BOTTOM);
    EXPECT_EQ(grid->HorzOffset(), 150);
    EXPECT_EQ(grid->HeaderRect().Right, 300);
    EXPECT_EQ(grid->ColumnAt(1), grid->Columns()->Items(1));
    EXPECT_EQ(PixelAt(*grid, 149, 30), Rgb(clBtnFace));
    grid->MouseDown(mbLeft, ssLeft, 5, grid->DataRect().Top + 2);
    grid->MouseUp(mbLeft, ssLeft, 5, grid->DataRect().Top + 2);
    EXPECT_EQ(grid->FocusedColumn(), 1);
    EXPECT_EQ(grid->FocusedRow(), 0);
    // Back to the start, with nothing left over from the way.
    grid->ScrollMessage(sbHorizontal, SB_TOP);
    EXPECT_EQ(grid->HorzOffset(), 0);
    const QImage back = Picture(*grid);
    grid->Invalidate();
    EXPECT_EQ(Picture(*grid), back);
}

TEST(GridViewScroll, TheFocusedRowsFrameStaysOffTheIndicatorWhenScrolledSideways)
{
    auto grid = MakeGrid(3);
    grid->SetBorderStyle(bsNone);
    grid->SetOptions(grid->Options() + goIndicator + goSelectFullRow);
    for (int c = 0; c < 3; ++c)
        grid->Columns()->Items(c)->SetWidth(150);
    GiveFocus(*grid);
    ASSERT_TRUE(grid->hasFocus());
    grid->SetFocusedCell(0, 1, 0);
    const int height = grid->ClientHeight();
    const QImage indicator = Picture(*grid).copy(0, 0, 12, height);
    grid->ScrollMessage(sbHorizontal, SB_LINEDOWN);
    ASSERT_GT(grid->HorzOffset(), 12);
    EXPECT_EQ(Picture(*grid).copy(0, 0, 12, height), indicator);
    grid->Invalidate();
    EXPECT_EQ(Picture(*grid).copy(0, 0, 12, height), indicator);
}

TEST(GridViewScroll, ScrolledPixelsShowTheTopRow)
{
    auto grid = MakeGrid(40);
    grid->show();
    grid->Cell(0, 5)->SetAsString(QStringLiteral("WWWW"));
    grid->Update();
    const TRect top = grid->GetCellRect(0, 0, gpData).Inflated(-1, -1);
    EXPECT_FALSE(HasInk(*grid, top, clWindow));
    grid->VertScrollBar()->SetPosition(5);
    EXPECT_TRUE(HasInk(*grid, top, clWindow));
    grid->VertScrollBar()->SetPosition(6);
    EXPECT_FALSE(HasInk(*grid, top, clWindow));
    // Back up by one: the moved pixels bring the text into the first row again.
    grid->MouseWheel(1, 0);
    EXPECT_TRUE(HasInk(*grid, top, clWindow));
    EXPECT_FALSE(HasInk(*grid, top.Offset(0, grid->RowPitch()), clWindow));
}

TEST(GridViewLayout, SlidesPlaceColumnsInsideEachSlide)
{
    auto grid = MakeGrid(5);
    grid->SetGridStyle(gsSlides);
    grid->SetSlideSize(60);
    TSlideBounds bounds;
    bounds.Left = 10;
    bounds.Top = 5;
    bounds.Width = 100;
    bounds.Height = 20;
    grid->Columns()->Items(1)->SetSlideBounds(bounds);
    EXPECT_EQ(grid->HitTest(TPoint(5, 5)), gpData);
    EXPECT_EQ(grid->RowPitch(), 61);
    int col = -2, row = -2;
    grid->CellAt(TPoint(15, 61 + 6), col, row);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 1);
    grid->CellAt(TPoint(110, 61 + 6), col, row);
    EXPECT_EQ(col, -1);
    EXPECT_EQ(grid->GetCellRect(1, 2, gpData), TRect(10, 122 + 5, 110, 122 + 25));
    EXPECT_TRUE(grid->FooterRect().IsEmpty());
}

TEST(GridViewPaint, AddRowsRepaintsOnlyTheNewRowAndTheOneAbove)
{
    auto grid = MakeGrid(3);
    grid->show();
    grid->Update();
    // Marks drawn behind the grid's back: they stay until their area is repainted.
    const TRect first = grid->GetCellRect(1, 0, gpData);
    const TRect third = grid->GetCellRect(1, 2, gpData);
    grid->Canvas().SetPixel(first.Left + 5, first.Top + 5, clRed);
    grid->Canvas().SetPixel(third.Left + 5, third.Top + 5, clRed);
    grid->AddRows(1);
    grid->Cell(1, 3)->SetAsString(QStringLiteral("WWW"));
    EXPECT_EQ(PixelAt(*grid, first.Left + 5, first.Top + 5), Rgb(clRed));
    // The last old row is repainted for its bottom grid line.
    EXPECT_EQ(PixelAt(*grid, third.Left + 5, third.Top + 5), Rgb(clWindow));
    EXPECT_TRUE(HasInk(*grid, grid->GetCellRect(1, 3, gpData).Inflated(-1, -1), clWindow));
    // Deleting a row moves every row below it: the whole control is repainted.
    grid->DeleteRow(3);
    EXPECT_EQ(PixelAt(*grid, first.Left + 5, first.Top + 5), Rgb(clWindow));
}

TEST(GridViewPaint, IndicatorColumnShiftsTheColumns)
{
    auto grid = MakeGrid(3);
    grid->show();
    int notices = 0;
    grid->OnIndicatorChange = [&](TObject*) { ++notices; };
    grid->SetOptions(grid->Options() + goIndicator);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(grid->DataLeft(), 12);
    EXPECT_EQ(grid->Columns()->ByPosition(0)->Left(), 12);
    EXPECT_EQ(grid->ColumnAt(11), nullptr);
    EXPECT_EQ(grid->HitTest(TPoint(5, 30)), gpIndicator);
    // Beside a row the indicator is a button-face cell; below the rows, the grid's colour.
    EXPECT_EQ(PixelAt(*grid, 6, grid->DataRect().Top + 3), Rgb(clBtnFace));
    EXPECT_EQ(PixelAt(*grid, 6, grid->DataRect().Top + 5 * grid->RowPitch() + 3), Rgb(clWindow));
    grid->SetOptions(grid->Options() - goIndicator);
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(grid->Columns()->ByPosition(0)->Left(), 0);
}

TEST(GridViewHints, TextFitAndCellHintsFollowTheMouse)
{
    auto grid = MakeGrid(2);
    grid->show();
    TCustomColumn* column = grid->Columns()->Items(0);
    column->SetOptions(column->Options() + coShowTextFitHint);
    grid->Cell(0, 0)->SetAsString(QStringLiteral("a text far too long for sixty pixels"));
    grid->Cell(0, 1)->SetAsString(QStringLiteral("ok"));
    const int y0 = grid->DataRect().Top + 3;
    grid->MouseMove(0, 10, y0);
    EXPECT_EQ(grid->HotCol(), 0);
    EXPECT_EQ(grid->HotRow(), 0);
    EXPECT_TRUE(grid->FitHintWindow()->Showing());
    grid->MouseMove(0, 10, y0 + grid->RowPitch());
    EXPECT_FALSE(grid->FitHintWindow()->Showing());

    grid->Cell(1, 1)->SetHint(QByteArrayLiteral("not"));
    grid->MouseMove(0, 70, y0 + grid->RowPitch());
    EXPECT_TRUE(grid->CellHintWindow()->Showing());
    EXPECT_EQ(grid->CellHintWindow()->text(), QStringLiteral("not"));
    grid->MouseMove(0, 70, y0);
    EXPECT_FALSE(grid->CellHintWindow()->Showing());
}

namespace {

// The window as the screen shows it, frame included.
QImage Shown(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb ScreenRgb(TColor color)
{
    return ToQColor(color).rgb() | 0xFF000000u;
}

// Classic drawing for the life of the object.
struct ClassicLook
{
    ClassicLook() { SetClassicDrawing(true); }
    ~ClassicLook() { SetClassicDrawing(false); }
};

// True when the client area shows at `offset` inside the window, pixel for pixel.
bool ClientShownAt(TGridView& grid, const QImage& shown, int offset)
{
    grid.Update();
    for (int y = 0; y < grid.ClientHeight(); y += 7)
        for (int x = 0; x < grid.ClientWidth(); x += 5)
            if (shown.pixel(x + offset, y + offset) != ScreenRgb(grid.Canvas().Pixel(x, y)))
                return false;
    return true;
}

} // namespace

TEST(GridViewFrame, ClassicStaticEdgeIsOneSunkenPixel)
{
    ClassicLook classic;
    auto grid = MakeGrid(2);
    grid->show();
    EXPECT_FALSE(grid->ThemedFrame());
    EXPECT_EQ(grid->BorderWidth(), 0);
    ASSERT_EQ(grid->FrameWidth(), 1);
    EXPECT_EQ(grid->ClientWidth(), 298);
    EXPECT_EQ(grid->ClientHeight(), 198);
    const QImage shown = Shown(*grid);
    // Shadow above and on the left, highlight below and on the right.
    EXPECT_EQ(shown.pixel(0, 60), ScreenRgb(clBtnShadow));
    EXPECT_EQ(shown.pixel(60, 0), ScreenRgb(clBtnShadow));
    EXPECT_EQ(shown.pixel(299, 60), ScreenRgb(clBtnHighlight));
    EXPECT_EQ(shown.pixel(60, 199), ScreenRgb(clBtnHighlight));
    EXPECT_TRUE(ClientShownAt(*grid, shown, 1));
}

TEST(GridViewFrame, ThemedListFrameTakesTwoPixels)
{
    ASSERT_TRUE(ThemesAvailable());
    auto grid = MakeGrid(2);
    grid->show();
    EXPECT_TRUE(grid->ThemedFrame());
    EXPECT_EQ(grid->BorderWidth(), 1);
    ASSERT_EQ(grid->FrameWidth(), 2);
    EXPECT_EQ(grid->ClientWidth(), 296);
    QImage shown = Shown(*grid);
    // The theme's outline, and inside it a border in the grid's colour.
    EXPECT_NE(shown.pixel(0, 60), ScreenRgb(clWindow));
    EXPECT_EQ(shown.pixel(0, 60), shown.pixel(299, 60));
    EXPECT_EQ(shown.pixel(1, 60), ScreenRgb(clWindow));
    EXPECT_EQ(shown.pixel(60, 198), ScreenRgb(clWindow));
    EXPECT_TRUE(ClientShownAt(*grid, shown, 2));

    // Other header styles keep the plain edge, even with themes.
    grid->SetHeaderStyle(hsDefault);
    EXPECT_FALSE(grid->ThemedFrame());
    EXPECT_EQ(grid->FrameWidth(), 1);
    shown = Shown(*grid);
    EXPECT_EQ(shown.pixel(0, 60), ScreenRgb(clBtnShadow));
    EXPECT_TRUE(ClientShownAt(*grid, shown, 1));

    // No border, no frame: the client area is the window.
    grid->SetBorderStyle(bsNone);
    EXPECT_EQ(grid->FrameWidth(), 0);
    EXPECT_EQ(grid->ClientWidth(), 300);
    EXPECT_TRUE(ClientShownAt(*grid, Shown(*grid), 0));
}

TEST(GridViewFrame, ThemeSwitchRebuildsTheFrameAndRefitsTheColumns)
{
    TGridView grid;
    grid.resize(400, 150);
    grid.LoadColumns(CallListColumns());
    grid.show();
    auto total = [&] {
        int sum = 0;
        for (int i = 0; i < grid.Columns()->Count(); ++i)
            sum += grid.Columns()->Items(i)->Width();
        return sum;
    };
    ASSERT_EQ(grid.FrameWidth(), 2);
    EXPECT_EQ(total(), 396);
    {
        ClassicLook classic;
        EXPECT_EQ(grid.FrameWidth(), 1);
        EXPECT_EQ(total(), 398);
        EXPECT_EQ(Shown(grid).pixel(0, 60), ScreenRgb(clBtnShadow));
    }
    EXPECT_EQ(grid.FrameWidth(), 2);
    EXPECT_EQ(total(), 396);
}

TEST(GridViewFrame, MouseAndScreenPointsAreClientPoints)
{
    auto grid = MakeGrid(3);
    grid->show();
    const int f = grid->FrameWidth();
    ASSERT_GT(f, 0);
    EXPECT_EQ(grid->ClientToScreen(TPoint(0, 0)).ToQPoint(), grid->mapToGlobal(QPoint(f, f)));
    EXPECT_EQ(grid->ScreenToClient(TPoint(grid->mapToGlobal(QPoint(f, f)))), TPoint(0, 0));

    const int y = grid->DataRect().Top + grid->RowPitch() * 2 + 3;
    QTest::mouseClick(grid.get(), Qt::LeftButton, {}, QPoint(130 + f, y + f));
    EXPECT_EQ(grid->FocusedColumn(), 2);
    EXPECT_EQ(grid->FocusedRow(), 2);
    // The first client column lies just inside the frame; a press on the frame is not a click.
    QTest::mouseClick(grid.get(), Qt::LeftButton, {}, QPoint(f, y - grid->RowPitch() + f));
    EXPECT_EQ(grid->FocusedColumn(), 0);
    EXPECT_EQ(grid->FocusedRow(), 1);
    QTest::mouseClick(grid.get(), Qt::LeftButton, {}, QPoint(0, y + f));
    EXPECT_EQ(grid->FocusedRow(), 1);
}
