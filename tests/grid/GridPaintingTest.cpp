// The painting events and the options that change how cells are painted,
// checked on the pixels of a shown grid that has the keyboard focus.

#include "ColumnClasses.h"
#include "GridView.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

class GridPainting : public ::testing::Test
{
protected:
    void SetUp() override
    {
        grid = std::make_unique<TGridView>();
        grid->SetBorderStyle(bsNone);
        grid->resize(300, 200);
        grid->SetHeaderSize(20);
        grid->SetRowSize(20);
        grid->SetOptions(TGridOptions { goGrid, goHeader, goHighlightTextSelection });
        const char* names[] = { "Ad", "Şehir", "Not" };
        for (int c = 0; c < 3; ++c) {
            auto* column = new TTextualColumn();
            column->Header().SetCaption(QString::fromUtf8(names[c]));
            column->SetColor(clWindow);
            column->SetFont(ColumnFont { QStringLiteral("MS Sans Serif"), -11, 0, clWindowText });
            column->SetWidth(80);
            column->SetPosition(c);
            grid->Columns()->Add(column);
        }
        grid->AddRows(3);
        const char* texts[3][3]
            = { { "Ali", "Bursa", "WWW" }, { "Veli", "İzmir", "MMM" }, { "Can", "Adana", "HHH" } };
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                grid->Cell(c, r)->SetAsString(QString::fromUtf8(texts[r][c]));
        grid->show();
        QApplication::setActiveWindow(grid.get());
        grid->activateWindow();
        grid->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        ASSERT_TRUE(grid->hasFocus());
    }

    TCustomColumn* column(int index) const { return grid->Columns()->Items(index); }
    TRect cell(int col, int row) const { return grid->GetCellRect(col, row, gpData); }

    void repaint()
    {
        grid->Invalidate();
        grid->Update();
    }
    TColor pixel(int x, int y) { return grid->Canvas().Pixel(x, y); }
    // Pixels of r (inside the cell's one-pixel edge) that differ from `background`.
    int ink(const TRect& r, TColor background)
    {
        int count = 0;
        for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
            for (int x = r.Left + 1; x < r.Right - 1; ++x)
                count += pixel(x, y) != ColorToRGB(background);
        return count;
    }

    std::unique_ptr<TGridView> grid;
};

} // namespace

TEST_F(GridPainting, CellColoringSetsTheCellAndGridLineColours)
{
    std::map<std::pair<int, int>, TCellState> states;
    grid->OnCellColoring
        = [&](TObject*, int col, int row, TColor& cellColor, TColor& gridColor, TCellState state) {
              states[{ col, row }] = state;
              if (col == 1 && row == 0) {
                  cellColor = clYellow;
                  gridColor = clRed;
              }
              // The empty rows below the last one are coloured too.
              if (row >= 3)
                  cellColor = clAqua;
          };
    repaint();
    const TRect yellow = cell(1, 0);
    EXPECT_EQ(pixel(yellow.Left + 1, yellow.Top + 1), ColorToRGB(clYellow));
    EXPECT_EQ(pixel(yellow.Left + 5, yellow.Bottom), ColorToRGB(clRed));
    EXPECT_EQ(pixel(yellow.Right, yellow.Top + 5), ColorToRGB(clRed));
    const TRect plain = cell(2, 0);
    EXPECT_EQ(pixel(plain.Left + 1, plain.Top + 1), ColorToRGB(clWindow));
    EXPECT_EQ(pixel(plain.Left + 5, plain.Bottom), ColorToRGB(clBtnFace));
    const TRect empty = cell(0, 4);
    EXPECT_EQ(pixel(empty.Left + 1, empty.Top + 1), ColorToRGB(clAqua));
    EXPECT_EQ(pixel(empty.Left + 5, empty.Bottom), ColorToRGB(clBtnFace));

    // The focused cell comes selected; every cell of the focused grid focused;
    // empty cells have no state.
    const auto stateOf = [&](int col, int row) { return states[std::make_pair(col, row)]; };
    EXPECT_TRUE(stateOf(0, 0).Contains(csSelected));
    EXPECT_TRUE(stateOf(0, 0).Contains(csFocused));
    EXPECT_FALSE(stateOf(1, 1).Contains(csSelected));
    EXPECT_TRUE(stateOf(1, 1).Contains(csFocused));
    EXPECT_EQ(stateOf(0, 4), TCellState());
}

TEST_F(GridPainting, DrawCellBackgroundCanTakeTheFillOver)
{
    bool takeOver = true;
    TRect given;
    grid->OnDrawCellBackground
        = [&](TObject*, int col, int row, const TRect& rect, TCellState, bool& defaultDrawing) {
              if (col != 2 || row != 1)
                  return;
              given = rect;
              grid->Canvas().FillSolid(rect, clLime);
              defaultDrawing = !takeOver;
          };
    repaint();
    const TRect r = cell(2, 1);
    EXPECT_EQ(given, r);
    EXPECT_EQ(pixel(r.Left + 1, r.Top + 1), ColorToRGB(clLime));
    // The text is still written on it.
    EXPECT_GT(ink(r, clLime), 0);

    takeOver = false;
    repaint();
    EXPECT_EQ(pixel(r.Left + 1, r.Top + 1), ColorToRGB(clWindow));
}

TEST_F(GridPainting, CustomDrawingFollowsTheColumnsDrawingOptions)
{
    std::map<std::pair<int, int>, int> calls;
    grid->OnCustomDrawCell = [&](TObject*, int col, int row, const TRect& rect, TCellState) {
        ++calls[{ col, row }];
        EXPECT_EQ(rect, cell(col, row));
    };
    const TRect r = cell(2, 1);
    const auto paintWith = [&](TDrawingOptions options) {
        calls.clear();
        column(2)->SetDrawingOptions(options);
        repaint();
    };
    paintWith(doNormal);
    EXPECT_TRUE(calls.empty());
    const int text = ink(r, clWindow);
    ASSERT_GT(text, 0);

    // Custom: the text and then the handler, for every row of the column.
    paintWith(doCustom);
    EXPECT_EQ(calls,
        (std::map<std::pair<int, int>, int> { { { 2, 0 }, 1 }, { { 2, 1 }, 1 }, { { 2, 2 }, 1 } }));
    EXPECT_EQ(ink(r, clWindow), text);
    // Custom only and background only: the handler draws, the column writes nothing.
    paintWith(doCustomOnly);
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(ink(r, clWindow), 0);
    paintWith(doBackgroundOnly);
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(ink(r, clWindow), 0);
}

TEST_F(GridPainting, SortedColumnIsShadedUnlessSelected)
{
    column(1)->SetSorted(true);
    grid->SetFocusedCell(1, 0, 0);
    repaint();
    EXPECT_EQ(pixel(cell(1, 1).Left + 1, cell(1, 1).Top + 1), ColorToRGB(clWindow));

    grid->SetOptions(grid->Options() + goIndicateSortedColumn);
    repaint();
    EXPECT_EQ(pixel(cell(1, 1).Left + 1, cell(1, 1).Top + 1), TColor(0xF5F5F5));
    EXPECT_EQ(pixel(cell(1, 2).Left + 1, cell(1, 2).Top + 1), TColor(0xF5F5F5));
    EXPECT_EQ(pixel(cell(0, 1).Left + 1, cell(0, 1).Top + 1), ColorToRGB(clWindow));
    // The selected cell keeps the highlight.
    EXPECT_EQ(pixel(cell(1, 0).Left + 3, cell(1, 0).Top + 3), ColorToRGB(clHighlight));
}

TEST_F(GridPainting, BoldSelectionWritesTheHighlightedCellInBold)
{
    repaint();
    const int selected = ink(cell(0, 0), clHighlight);
    const int other = ink(cell(0, 1), clWindow);
    ASSERT_GT(selected, 0);
    grid->SetOptions(grid->Options() + goBoldTextSelection);
    repaint();
    EXPECT_GT(ink(cell(0, 0), clHighlight), selected * 11 / 10);
    EXPECT_EQ(ink(cell(0, 1), clWindow), other);
}

TEST_F(GridPainting, HiddenFocusDrawsNoFocusRectangleAndNoFocusedState)
{
    bool focusedState = false;
    grid->OnCellColoring = [&](TObject*, int col, int row, TColor&, TColor&, TCellState state) {
        if (col == 0 && row == 0)
            focusedState = state.Contains(csFocused);
    };
    // Pixels along the focused cell's edge that are not the highlight colour.
    const auto frame = [&] {
        const TRect r = cell(0, 0);
        int count = 0;
        for (int x = r.Left; x < r.Right; ++x)
            count += pixel(x, r.Top) != ColorToRGB(clHighlight);
        for (int y = r.Top; y < r.Bottom; ++y)
            count += pixel(r.Left, y) != ColorToRGB(clHighlight);
        return count;
    };
    repaint();
    EXPECT_TRUE(focusedState);
    EXPECT_GT(frame(), 10);

    grid->SetOptions(grid->Options() + goHideFocus);
    repaint();
    EXPECT_FALSE(focusedState);
    EXPECT_EQ(frame(), 0);
    // Still highlighted.
    EXPECT_EQ(pixel(cell(0, 0).Left + 3, cell(0, 0).Top + 3), ColorToRGB(clHighlight));
}

TEST_F(GridPainting, HorizontalLinesOnlyLeaveTheColumnsOpen)
{
    const TRect normal = cell(1, 1);
    const TRect normalEmpty = cell(1, 5);
    EXPECT_EQ(normal.Width(), 79);
    repaint();
    EXPECT_EQ(pixel(normal.Right, normal.Top + 5), ColorToRGB(clBtnFace));
    EXPECT_EQ(pixel(normalEmpty.Right, normalEmpty.Top + 5), ColorToRGB(clBtnFace));

    grid->SetGridLinesStyle(lsHorizontalOnly);
    repaint();
    const TRect open = cell(1, 1);
    EXPECT_EQ(open.Width(), 80);
    // Where the vertical line was, the cell goes on; the line below stays.
    EXPECT_EQ(pixel(normal.Right, normal.Top + 5), ColorToRGB(clWindow));
    EXPECT_EQ(pixel(open.Left + 5, open.Bottom), ColorToRGB(clBtnFace));
    EXPECT_EQ(pixel(open.Right - 1, open.Bottom), ColorToRGB(clBtnFace));
    // Empty rows below the last one have no vertical lines either.
    EXPECT_EQ(pixel(normalEmpty.Right, normalEmpty.Top + 5), ColorToRGB(clWindow));
}
