#include "FakeGrid.h"

#include <gtest/gtest.h>

namespace {

class CallList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterStandardColumnClasses();
        grid.Load(CallListColumns());
        grid.columnReports.clear();
    }
    TCustomColumn* column(const char* caption)
    {
        for (int i = 0; i < grid.columns->Count(); ++i)
            if (grid.columns->Items(i)->Header().Caption() == QString::fromUtf8(caption))
                return grid.columns->Items(i);
        return nullptr;
    }
    QList<int> lefts()
    {
        QList<int> out;
        for (int i = 0; i < grid.columns->Count(); ++i)
            out.append(grid.columns->ByPosition(i)->Left());
        return out;
    }
    QList<int> positions()
    {
        QList<int> out;
        for (int i = 0; i < grid.columns->Count(); ++i)
            out.append(grid.columns->Items(i)->Position());
        return out;
    }
    FakeGrid grid;
};

} // namespace

TEST(Column, NewColumnHasTheDocumentedSettings)
{
    TCustomColumn column;
    EXPECT_EQ(column.Color(), 0);
    EXPECT_EQ(column.Width(), 80);
    EXPECT_EQ(column.DefaultWidth(), 80);
    EXPECT_EQ(column.Position(), -1);
    EXPECT_EQ(column.VerticalAlignment(), vaMiddle);
    EXPECT_EQ(column.WrapKind(), wkEllipsis);
    EXPECT_TRUE(column.Visible());
    EXPECT_EQ(column.Options().ToBits(), 566);
    EXPECT_EQ(column.Options(),
        (TColumnOptions { coCanClick, coCanSort, coCanInput, coEditorAutoSelect, coPublicUsing }));
    EXPECT_EQ(column.Header().Color(), clBtnFace);
    EXPECT_EQ(column.Header().DisplayMode(), dmTextOnly);
    EXPECT_EQ(column.Footer().Color(), clWindow);
    EXPECT_EQ(column.CellKind(), 7);
    EXPECT_EQ(column.VisibleIndex(), -1);
    EXPECT_EQ(column.Font().Height, -11);
    EXPECT_EQ(column.Font().Color, clWindowText);
    // The base class names no painter, play or editor.
    EXPECT_EQ(column.Display(), nullptr);
    EXPECT_EQ(column.Play(), nullptr);
    EXPECT_EQ(column.Editor(), nullptr);
}

TEST(Column, WithoutCollectionOnlyStores)
{
    TCustomColumn a;
    TCustomColumn b;
    a.SetSorted(true);
    b.SetSorted(true);
    EXPECT_TRUE(a.Sorted());
    a.SetOptions(a.Options() + coSearchColumn);
    b.SetOptions(b.Options() + coSearchColumn);
    EXPECT_TRUE(a.Options().Contains(coSearchColumn));
    a.SetPosition(7);
    a.SetWidth(2);
    EXPECT_EQ(a.Position(), 7);
    EXPECT_EQ(a.Width(), 8);
    EXPECT_EQ(a.Index(), -1);
    QRect r;
    EXPECT_FALSE(a.PartRect(PartHeader, r));
}

TEST_F(CallList, LoadsInStoredOrderAndShowsByPosition)
{
    EXPECT_EQ(DisplayCaptions(*grid.columns),
        QStringList(
            { QStringLiteral("Hat no."), QStringLiteral("Arayan numara"), QStringLiteral("Saat"),
                QStringLiteral("Cihaz seri no."), QString::fromUtf8("Çağrı sıra no") }));
    EXPECT_EQ(lefts(), QList<int>({ 0, 69, 197, 293, 409 }));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(grid.columns->ByPosition(i)->VisibleIndex(), i);
    EXPECT_EQ(grid.columns->TotalWidth(), 510);
    EXPECT_EQ(grid.columns->VisibleCount(), 5);
    EXPECT_EQ(grid.columns->Items(3)->Header().Caption(), QStringLiteral("Hat no."));
    // Adding does not renumber the stored positions.
    EXPECT_EQ(positions(), QList<int>({ 2, 3, 4, 0, 1 }));
    // Every column reached the store.
    EXPECT_EQ(grid.cells->ColCount(), 5);
    EXPECT_EQ(grid.layoutKinds, QList<int>({ ColumnsCleared, 0, 0, 0, 0, 0 }));

    const TCustomColumn* hat = grid.columns->Items(3);
    EXPECT_EQ(hat->SortKind(), skDescending);
    EXPECT_EQ(hat->Alignment(), taCenter);
    EXPECT_EQ(hat->Color(), clWindow);
    EXPECT_EQ(hat->Options(),
        (TColumnOptions { coAutoSize, coCanInput, coDontHighlight, coPublicUsing }));
    EXPECT_TRUE(static_cast<const TTextualColumn*>(hat)->AutoExecute());
    EXPECT_EQ(hat->Collection(), grid.columns);
    EXPECT_EQ(hat->parent(), grid.columns);
}

TEST_F(CallList, ReadingOnlyStoresPositionAndWidth)
{
    // While reading, a position out of range and a width set before the
    // position are only stored; they take effect when the column is added.
    StoredColumn c(QStringLiteral("TTextualColumn"));
    c.Set(QStringLiteral("Width"), 50).Set(QStringLiteral("Position"), 99);
    QList<StoredColumn> stored = CallListColumns();
    stored.append(c);
    grid.Load(stored);
    EXPECT_EQ(grid.columns->Count(), 6);
    EXPECT_EQ(grid.columns->ByPosition(5)->Position(), 99);
    EXPECT_EQ(grid.columns->ByPosition(5)->Left(), 510);
    EXPECT_EQ(grid.columns->TotalWidth(), 560);
}

TEST_F(CallList, MoveRenumbersPositionsButKeepsStoredOrder)
{
    grid.columns->Move(4, 0);
    EXPECT_EQ(DisplayCaptions(*grid.columns).first(), QString::fromUtf8("Çağrı sıra no"));
    EXPECT_EQ(positions(), QList<int>({ 3, 4, 0, 1, 2 }));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(grid.columns->ByPosition(i)->Position(), i);
    EXPECT_EQ(grid.columns->Items(2)->Header().Caption(), QString::fromUtf8("Çağrı sıra no"));
    EXPECT_EQ(lefts(), QList<int>({ 0, 101, 170, 298, 394 }));
    ASSERT_EQ(grid.columnReports.size(), 1);
    EXPECT_EQ(grid.columnReports[0].column, grid.columns->Items(2));
    EXPECT_EQ(grid.columnReports[0].kind, ckPosition);

    grid.columnReports.clear();
    grid.columns->Move(1, 1);
    EXPECT_TRUE(grid.columnReports.isEmpty());
}

TEST_F(CallList, SettingPositionMovesTheColumn)
{
    column("Saat")->SetPosition(0);
    EXPECT_EQ(grid.columns->ByPosition(0), column("Saat"));
    EXPECT_EQ(column("Saat")->Position(), 0);
    EXPECT_EQ(column("Hat no.")->Position(), 1);
    EXPECT_EQ(grid.columnReports.size(), 2); // the move's report and the setter's
    EXPECT_EQ(grid.columnReports.last().kind, ckPosition);
}

TEST_F(CallList, PositionOutOfRangeFailsAndMovesNothing)
{
    const QStringList before = DisplayCaptions(*grid.columns);
    try {
        column("Saat")->SetPosition(5);
        FAIL() << "expected a list index error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("List index out of bounds (5)"));
    }
    EXPECT_THROW(column("Saat")->SetPosition(-1), EListError);
    EXPECT_EQ(column("Saat")->Position(), 2);
    EXPECT_EQ(DisplayCaptions(*grid.columns), before);
    EXPECT_TRUE(grid.columnReports.isEmpty());
}

TEST_F(CallList, HidingAColumnLaysOutTheOthers)
{
    TCustomColumn* arayan = column("Arayan numara");
    arayan->SetVisible(false);
    EXPECT_EQ(arayan->VisibleIndex(), -1);
    EXPECT_EQ(arayan->Left(), 69); // keeps its last place
    EXPECT_EQ(column("Saat")->Left(), 69);
    EXPECT_EQ(column("Saat")->VisibleIndex(), 1);
    EXPECT_EQ(grid.columns->VisibleCount(), 4);
    EXPECT_EQ(grid.columns->TotalWidth(), 382);
    ASSERT_EQ(grid.columnReports.size(), 1);
    EXPECT_EQ(grid.columnReports[0].kind, ckVisible);
    EXPECT_EQ(column("Hat no.")->ColumnPlace(), 1);
    EXPECT_EQ(column("Saat")->ColumnPlace(), 2);
    EXPECT_EQ(column("Çağrı sıra no")->ColumnPlace(), 3);
}

TEST_F(CallList, WidthHasAMinimumAndDefaultWidthFollowsOnlyInDesign)
{
    TCustomColumn* hat = column("Hat no.");
    hat->SetWidth(3);
    EXPECT_EQ(hat->Width(), 8);
    EXPECT_EQ(hat->DefaultWidth(), 69);
    EXPECT_EQ(column("Arayan numara")->Left(), 8);
    EXPECT_EQ(grid.columnReports.last().kind, ckWidth);

    grid.designing = true;
    hat->SetWidth(40);
    EXPECT_EQ(hat->DefaultWidth(), 40);
}

TEST_F(CallList, OneSortedColumnPerCollection)
{
    column("Saat")->SetSorted(true);
    grid.columnReports.clear();
    column("Hat no.")->SetSorted(true);
    EXPECT_FALSE(column("Saat")->Sorted());
    EXPECT_TRUE(column("Hat no.")->Sorted());
    ASSERT_EQ(grid.columnReports.size(), 1);
    EXPECT_EQ(grid.columnReports[0].column, column("Hat no."));
    EXPECT_EQ(grid.columnReports[0].kind, ckSort);

    column("Hat no.")->SetSortKind(skAscending);
    EXPECT_EQ(grid.columnReports.last().kind, ckSort);
}

TEST_F(CallList, OneSearchColumnPerCollection)
{
    TCustomColumn* saat = column("Saat");
    TCustomColumn* hat = column("Hat no.");
    saat->SetOptions(saat->Options() + coSearchColumn);
    grid.columnReports.clear();
    hat->SetOptions(hat->Options() + coSearchColumn);
    EXPECT_FALSE(saat->Options().Contains(coSearchColumn));
    EXPECT_TRUE(hat->Options().Contains(coSearchColumn));
    // Each other column reports through its own setter, then the new one.
    EXPECT_EQ(grid.columnReports.size(), 5);
    EXPECT_EQ(grid.columnReports.last().column, hat);
    EXPECT_EQ(grid.columnReports.last().kind, ckAppearance);
}

TEST_F(CallList, IndicatorShiftsTheLayoutThroughTheCallback)
{
    ASSERT_TRUE(grid.layoutCallback);
    grid.indicator = true;
    grid.layoutCallback();
    EXPECT_EQ(lefts(), QList<int>({ 12, 81, 209, 305, 421 }));
}

TEST_F(CallList, PartRectsFollowTheBandsAndScrolling)
{
    grid.horzOffset = 30;
    QRect r;
    ASSERT_TRUE(column("Saat")->PartRect(PartHeader, r));
    EXPECT_EQ(r, QRect(197 - 30, 0, 96, 20));
    ASSERT_TRUE(column("Saat")->PartRect(PartFooter, r));
    EXPECT_EQ(r, QRect(167, 130, 96, 20));
    ASSERT_TRUE(column("Saat")->PartRect(PartInput, r));
    EXPECT_EQ(r, QRect(167, 20, 96, 13));
    EXPECT_FALSE(column("Saat")->PartRect(2, r));
}

TEST_F(CallList, ColumnPlaceNamesTheHeaderEdges)
{
    EXPECT_EQ(column("Hat no.")->ColumnPlace(), 1);
    EXPECT_EQ(column("Saat")->ColumnPlace(), 2);
    EXPECT_EQ(column("Çağrı sıra no")->ColumnPlace(), 3);
    for (const char* name : { "Arayan numara", "Saat", "Cihaz seri no.", "Çağrı sıra no" })
        column(name)->SetVisible(false);
    EXPECT_EQ(column("Hat no.")->ColumnPlace(), 0);
}

TEST_F(CallList, PartChangesReportAppearance)
{
    TCustomColumn* saat = column("Saat");
    saat->Header().SetCaption(QStringLiteral("Zaman"));
    saat->Footer().SetFormulaKind(fkSum);
    ASSERT_EQ(grid.columnReports.size(), 2);
    EXPECT_EQ(grid.columnReports[0].kind, ckAppearance);
    EXPECT_EQ(grid.columnReports[1].kind, ckAppearance);
    saat->SetInputValue(QStringLiteral("x"));
    EXPECT_EQ(grid.columnReports.last().kind, ckInputValue);
}

TEST_F(CallList, AssignCopiesThroughTheSetters)
{
    TCustomColumn* hat = column("Hat no.");
    TTextualColumn source;
    source.SetWidth(3);
    source.SetDefaultWidth(300);
    source.SetSortType(stIP);
    source.SetFormulaKind(fkSum);
    source.SetAlignment(taRightJustify);
    source.Header().SetCaption(QStringLiteral("Hat"));
    source.SetPosition(0);
    source.SetAutoExecute(false);
    hat->Assign(&source);
    EXPECT_EQ(hat->Width(), 8);
    EXPECT_EQ(hat->Alignment(), taRightJustify);
    EXPECT_EQ(hat->Header().Caption(), QStringLiteral("Hat"));
    EXPECT_EQ(hat->Options().ToBits(), 566);
    EXPECT_EQ(hat->DefaultWidth(), 69);
    EXPECT_EQ(hat->SortType(), stAlphabetic);
    EXPECT_EQ(hat->FormulaKind(), fkNone);
    EXPECT_FALSE(static_cast<TTextualColumn*>(hat)->AutoExecute());
    EXPECT_GE(grid.columnReports.size(), 15);

    TColumnHeader header(nullptr);
    EXPECT_THROW(hat->Assign(&header), EConvertError);
}

TEST_F(CallList, StoredDescriptionRoundTrips)
{
    column("Saat")->SetWidth(50);
    column("Saat")->SetVisible(false);
    FakeGrid other;
    other.Load(grid.columns->WriteColumns());
    ASSERT_EQ(other.columns->Count(), 5);
    EXPECT_EQ(DisplayCaptions(*other.columns), DisplayCaptions(*grid.columns));
    for (int i = 0; i < 5; ++i) {
        const TCustomColumn* a = grid.columns->Items(i);
        const TCustomColumn* b = other.columns->Items(i);
        EXPECT_EQ(a->Width(), b->Width());
        EXPECT_EQ(a->Visible(), b->Visible());
        EXPECT_EQ(a->Options(), b->Options());
        EXPECT_EQ(a->SortKind(), b->SortKind());
        EXPECT_EQ(a->Font(), b->Font());
        if (a->Visible()) {
            EXPECT_EQ(a->Left(), b->Left());
        }
    }
}

TEST_F(CallList, BadDescriptionsFailClearly)
{
    StoredColumn bad(QStringLiteral("TTextualColumn"));
    bad.Set(QStringLiteral("Header.Caption"), QStringLiteral("x")).Set(QStringLiteral("Colour"), 5);
    try {
        grid.Load({ bad });
        FAIL() << "expected a read error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(),
            QStringLiteral("Error reading TTextualColumn.Colour: Property Colour does not exist"));
    }
    EXPECT_EQ(grid.columns->Count(), 0);
    EXPECT_EQ(grid.cells->ColCount(), 0);

    StoredColumn badValue(QStringLiteral("TTextualColumn"));
    badValue.Set(QStringLiteral("Alignment"), QStringLiteral("taMiddle"));
    EXPECT_THROW(grid.Load({ badValue }), EConvertError);
    EXPECT_THROW(grid.Load({ StoredColumn(QStringLiteral("TNoSuchColumn")) }), EConvertError);
}

TEST(ColumnReading, ParentThatIsNoGridReadsNothing)
{
    QObject notAGrid;
    TCustomColumn column;
    StoredColumn stored(QStringLiteral("TCustomColumn"));
    stored.Set(QStringLiteral("Width"), 200);
    column.ReadState(stored, &notAGrid);
    EXPECT_EQ(column.Width(), 80);
    EXPECT_EQ(column.Collection(), nullptr);
}

TEST(ColumnCollection, DuplicatePositionsKeepArrivalOrderUntilTheFirstMove)
{
    FakeGrid grid;
    const char* names[] = { "a", "b", "c", "d" };
    const int stored[] = { 1, -1, 1, 0 };
    for (int i = 0; i < 4; ++i) {
        auto* c = new TCustomColumn;
        c->Header().SetCaption(QString::fromLatin1(names[i]));
        c->SetPosition(stored[i]);
        grid.columns->Add(c);
    }
    EXPECT_EQ(DisplayCaptions(*grid.columns), Texts({ "b", "d", "a", "c" }));
    // "c" stands third in display order though its stored position says 1:
    // setting its position moves it from where it stands.
    grid.columns->Items(2)->SetPosition(0);
    EXPECT_EQ(DisplayCaptions(*grid.columns), Texts({ "c", "b", "d", "a" }));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(grid.columns->ByPosition(i)->Position(), i);
}

TEST(ColumnCollection, ClearAndDeleteKeepTheStoreInStep)
{
    FakeGrid grid;
    for (int i = 0; i < 3; ++i)
        grid.columns->Add(new TCustomColumn);
    grid.cells->AddRows(2);
    TCell* kept = grid.cells->Cell(2, 1);

    grid.columns->Delete(1);
    EXPECT_EQ(grid.columns->Count(), 2);
    EXPECT_EQ(grid.cells->ColCount(), 2);
    EXPECT_EQ(grid.cells->Cell(1, 1), kept);
    EXPECT_EQ(grid.layoutKinds.last(), ColumnDeleted);
    EXPECT_EQ(grid.columns->ByPosition(1)->Left(), 80);

    // A column freed on its own leaves its collection too.
    delete grid.columns->Items(0);
    EXPECT_EQ(grid.columns->Count(), 1);
    EXPECT_EQ(grid.cells->ColCount(), 1);

    grid.columns->Clear();
    EXPECT_EQ(grid.columns->Count(), 0);
    EXPECT_EQ(grid.cells->ColCount(), 0);
    EXPECT_EQ(grid.cells->RowCount(), 0);
    EXPECT_EQ(grid.layoutKinds.last(), ColumnsCleared);
}

TEST(ColumnCollection, RefusesAColumnTheStoreCannotHold)
{
    FakeGrid grid;
    for (int i = 0; i < TCells::MaxColumns; ++i)
        grid.columns->Add(new TCustomColumn);
    auto* extra = new TCustomColumn;
    EXPECT_THROW(grid.columns->Add(extra), ERangeError);
    EXPECT_EQ(grid.columns->Count(), TCells::MaxColumns);
    EXPECT_EQ(grid.cells->ColCount(), TCells::MaxColumns);
    EXPECT_EQ(extra->Collection(), nullptr);
    delete extra;
    EXPECT_EQ(grid.columns->Count(), TCells::MaxColumns);
}

TEST(ColumnHeader, GlyphTakesItsBottomLeftPixelAsTransparent)
{
    TCustomColumn column;
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::green);
    picture.setPixelColor(0, 2, Qt::magenta);
    picture.setPixelColor(3, 0, Qt::magenta);
    int changes = 0;
    column.Header().OnChange = [&](TColumnPart*) { ++changes; };
    column.Header().SetGlyph(picture);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(column.Header().GlyphTransparentColor(), FromQColor(Qt::magenta));
    const QImage shown = column.Header().TransparentGlyph();
    EXPECT_EQ(qAlpha(shown.pixel(3, 0)), 0);
    EXPECT_EQ(qAlpha(shown.pixel(1, 1)), 255);
}
