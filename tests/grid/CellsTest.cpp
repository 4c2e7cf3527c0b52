#include "FakeGrid.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// A grid whose columns are of the given classes, with `rows` rows.
class Store : public ::testing::Test
{
protected:
    template <typename... Columns> void make(int rows)
    {
        (grid.columns->Add(new Columns), ...);
        grid.cells->AddRows(rows);
        grid.cellReports.clear();
    }
    TCells& cells() { return *grid.cells; }
    void fill(int col, std::initializer_list<const char*> items)
    {
        const QStringList texts = Texts(items);
        for (int r = 0; r < texts.size(); ++r)
            cells().Cell(col, r)->SetAsString(texts[r]);
        grid.cellReports.clear();
    }
    QStringList column(int col)
    {
        QStringList out;
        for (int r = 0; r < cells().RowCount(); ++r)
            out.append(cells().Cell(col, r)->GetAsString());
        return out;
    }
    FakeGrid grid;
};

template <typename T> T* as(TCell* cell)
{
    return dynamic_cast<T*>(cell);
}

} // namespace

TEST_F(Store, AddRowsMakesOneCellPerColumnWithItsColour)
{
    make<TTextualColumn, TTextualColumn>(0);
    grid.columns->Items(0)->SetColor(clYellow);
    grid.columns->Items(1)->SetColor(clAqua);
    cells().AddRows(3);
    EXPECT_EQ(cells().RowCount(), 3);
    QSet<TCell*> distinct;
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 3; ++r) {
            TCell* cell = cells().Cell(c, r);
            ASSERT_NE(as<TStringCell>(cell), nullptr);
            EXPECT_EQ(cell->Color(), c == 0 ? clYellow : clAqua);
            EXPECT_TRUE(cell->GetAsString().isEmpty());
            EXPECT_FALSE(cell->Creating());
            EXPECT_EQ(cell->Owner(), &cells());
            distinct.insert(cell);
        }
    EXPECT_EQ(distinct.size(), 6);
    // Making cells reports nothing.
    EXPECT_TRUE(grid.cellReports.isEmpty());
}

TEST_F(Store, RowsWithoutColumns)
{
    cells().AddRows(1);
    EXPECT_EQ(cells().RowCount(), 1);
    EXPECT_THROW(cells().Cell(0, 0), EListError);

    grid.columns->Add(new TTextualColumn);
    EXPECT_EQ(cells().ColCount(), 1);
    EXPECT_NE(cells().Cell(0, 0), nullptr);
    grid.columns->Delete(0);
    EXPECT_EQ(cells().RowCount(), 0);
}

TEST_F(Store, CellClassFollowsTheColumnKindWhenMade)
{
    make<TTextualColumn, TCheckBoxColumn, TDateColumn, TNumericColumn, TRateColumn,
        TIncrementColumn>(1);
    EXPECT_NE(as<TStringCell>(cells().Cell(0, 0)), nullptr);
    EXPECT_NE(as<TBooleanCell>(cells().Cell(1, 0)), nullptr);
    EXPECT_NE(as<TDateTimeCell>(cells().Cell(2, 0)), nullptr);
    EXPECT_NE(as<TFloatCell>(cells().Cell(3, 0)), nullptr);
    EXPECT_NE(as<TIntegerCell>(cells().Cell(4, 0)), nullptr);
    EXPECT_NE(as<TStringCell>(cells().Cell(5, 0)), nullptr);

    // A later kind change touches only cells made afterwards.
    grid.columns->Items(0)->SetCellKind(6);
    cells().AddRows(1);
    EXPECT_NE(as<TStringCell>(cells().Cell(0, 0)), nullptr);
    EXPECT_NE(as<TIntegerCell>(cells().Cell(0, 1)), nullptr);
}

TEST_F(Store, CellOutOfRangeNamesTheIndex)
{
    make<TTextualColumn>(2);
    try {
        cells().Cell(0, 2);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("List index out of bounds (2)"));
    }
    EXPECT_THROW(cells().Cell(0, -1), EListError);
    EXPECT_THROW(cells().Cell(1, 0), EListError);
    EXPECT_THROW(cells().DeleteRow(2), EListError);
    EXPECT_THROW(cells().MoveRow(0, 5), EListError);
    EXPECT_EQ(cells().RowCount(), 2);
}

TEST_F(Store, BooleanCellConversions)
{
    make<TCheckBoxColumn>(1);
    TCell* cell = cells().Cell(0, 0);
    for (const char* yes : { "true", "TRUE", "True" }) {
        cell->SetAsString(QString::fromLatin1(yes));
        EXPECT_TRUE(cell->GetAsBoolean()) << yes;
    }
    for (const char* no : { "yes", "1", "", " true" }) {
        cell->SetAsString(QString::fromLatin1(no));
        EXPECT_FALSE(cell->GetAsBoolean()) << no;
    }
    cell->SetAsInteger(2);
    EXPECT_TRUE(cell->GetAsBoolean());
    EXPECT_EQ(cell->GetAsString(), QStringLiteral("True"));
    EXPECT_EQ(cell->GetAsInteger(), 0);
    EXPECT_EQ(cell->GetAsFloat(), 0);
    EXPECT_EQ(cell->GetAsDateTime(), 0);
    cell->SetAsInteger(-1);
    EXPECT_FALSE(cell->GetAsBoolean());
    cell->SetAsFloat(0.5);
    EXPECT_TRUE(cell->GetAsBoolean());
    cell->SetAsDateTime(40000);
    EXPECT_FALSE(cell->GetAsBoolean());
    EXPECT_EQ(cell->GetAsString(), QStringLiteral("False"));
}

TEST_F(Store, DateCellConversions)
{
    make<TDateColumn>(1);
    TCell* cell = cells().Cell(0, 0);
    const TDateTime before = SysUtils::Date();
    cell->SetAsBoolean(false);
    const TDateTime after = SysUtils::Date();
    EXPECT_TRUE(cell->GetAsDateTime() == before || cell->GetAsDateTime() == after);
    EXPECT_EQ(cell->GetAsDateTime(), std::floor(cell->GetAsDateTime()));

    cell->SetAsFloat(45000.75);
    EXPECT_EQ(cell->GetAsDateTime(), 45000.75);
    EXPECT_EQ(cell->GetAsFloat(), 45000.75);
    EXPECT_EQ(cell->GetAsInteger(), 45001);
    EXPECT_FALSE(cell->GetAsBoolean());
    const QString text = cell->GetAsString();
    cell->SetAsInteger(3);
    cell->SetAsString(text);
    EXPECT_NEAR(cell->GetAsDateTime(), 45000.75, 1.0 / 86400);
}

TEST_F(Store, FloatAndIntegerCellConversions)
{
    make<TNumericColumn, TRateColumn>(1);
    TCell* f = cells().Cell(0, 0);
    f->SetAsString(QStringLiteral("2.5"));
    EXPECT_EQ(f->GetAsFloat(), 2.5);
    EXPECT_EQ(f->GetAsInteger(), 2); // halves go to even
    EXPECT_EQ(f->GetAsString(), QStringLiteral("2.5"));
    f->SetAsFloat(1.0 / 3);
    EXPECT_EQ(f->GetAsString(), QStringLiteral("0.333333333333333"));
    f->SetAsBoolean(true);
    EXPECT_EQ(f->GetAsFloat(), 0);
    f->SetAsDateTime(12.25);
    EXPECT_EQ(f->GetAsDateTime(), 12.25);
    f->SetAsFloat(3e10);
    EXPECT_THROW(f->GetAsInteger(), ERangeError);

    TCell* n = cells().Cell(1, 0);
    n->SetAsFloat(3.5);
    EXPECT_EQ(n->GetAsInteger(), 4);
    n->SetAsFloat(-2.5);
    EXPECT_EQ(n->GetAsInteger(), -2);
    EXPECT_EQ(n->GetAsString(), QStringLiteral("-2"));
    EXPECT_EQ(n->GetAsFloat(), -2.0);
    EXPECT_EQ(n->GetAsDateTime(), 0);
    EXPECT_FALSE(n->GetAsBoolean());
    n->SetAsBoolean(true);
    EXPECT_EQ(n->GetAsInteger(), 0);
    n->SetAsInteger(7);
    n->SetAsDateTime(5);
    EXPECT_EQ(n->GetAsInteger(), 0);
    n->SetAsInteger(7);
    grid.cellReports.clear();
    EXPECT_THROW(n->SetAsFloat(4e9), ERangeError);
    EXPECT_EQ(n->GetAsInteger(), 7);
    EXPECT_TRUE(grid.cellReports.isEmpty());
}

TEST_F(Store, StringCellConversions)
{
    make<TTextualColumn>(1);
    TCell* s = cells().Cell(0, 0);
    s->SetAsInteger(-42);
    EXPECT_EQ(s->GetAsString(), QStringLiteral("-42"));
    EXPECT_EQ(s->GetAsInteger(), -42);
    EXPECT_EQ(s->GetAsFloat(), -42.0);
    EXPECT_TRUE(s->GetAsBoolean()); // a non-zero number reads as true
    s->SetAsBoolean(false);
    EXPECT_EQ(s->GetAsString(), QStringLiteral("False"));
    EXPECT_FALSE(s->GetAsBoolean());
    s->SetAsFloat(0.1);
    EXPECT_EQ(s->GetAsString(), QStringLiteral("0.1"));
    s->SetAsDateTime(45000.5);
    EXPECT_NEAR(s->GetAsDateTime(), 45000.5, 1.0 / 86400);
}

TEST_F(Store, FailedConversionKeepsTheValueAndReportsNothing)
{
    make<TRateColumn, TNumericColumn, TDateColumn, TTextualColumn>(1);
    cells().Cell(0, 0)->SetAsInteger(5);
    cells().Cell(1, 0)->SetAsFloat(1.5);
    cells().Cell(2, 0)->SetAsFloat(100);
    cells().Cell(3, 0)->SetAsString(QStringLiteral("maybe"));
    grid.cellReports.clear();
    cells().Sort(0, stNumeric, false);

    auto message = [](auto&& fn) {
        try {
            fn();
        } catch (const EConvertError& e) {
            return e.Message();
        }
        return QStringLiteral("no error");
    };
    EXPECT_EQ(message([&] { cells().Cell(0, 0)->SetAsString(QStringLiteral("abc")); }),
        QStringLiteral("'abc' is not a valid integer value"));
    EXPECT_EQ(message([&] { cells().Cell(1, 0)->SetAsString(QStringLiteral("1,2,3")); }),
        QStringLiteral("'1,2,3' is not a valid floating point value"));
    EXPECT_EQ(message([&] { cells().Cell(2, 0)->SetAsString(QStringLiteral("yesterday")); }),
        QStringLiteral("'yesterday' is not a valid date and time"));
    EXPECT_EQ(message([&] { cells().Cell(3, 0)->GetAsBoolean(); }),
        QStringLiteral("'maybe' is not a valid boolean value"));
    EXPECT_EQ(cells().Cell(0, 0)->GetAsInteger(), 5);
    EXPECT_EQ(cells().Cell(1, 0)->GetAsFloat(), 1.5);
    EXPECT_EQ(cells().Cell(2, 0)->GetAsFloat(), 100);
    EXPECT_TRUE(grid.cellReports.isEmpty());
    EXPECT_TRUE(cells().Sorted());
}

TEST_F(Store, ChangesAreReportedWithTheStampedCoordinates)
{
    make<TTextualColumn, TTextualColumn>(3);
    TCell* cell = cells().Cell(1, 2);
    cell->SetAsString(QStringLiteral("x"));
    ASSERT_EQ(grid.cellReports.size(), 1);
    EXPECT_EQ(grid.cellReports[0].col, 1);
    EXPECT_EQ(grid.cellReports[0].row, 2);
    cell->SetColor(clRed);
    EXPECT_EQ(grid.cellReports.size(), 2);
    // Hints and pictures are plain data.
    cell->SetHint("ipucu");
    EXPECT_EQ(grid.cellReports.size(), 2);
    EXPECT_EQ(cell->Hint(), QByteArray("ipucu"));
    // The grid decides the painted colours.
    EXPECT_EQ(cell->GetColor(), clHighlight);
    EXPECT_EQ(cell->GetFontColor(), clHighlightText);
    EXPECT_EQ(cell->Color(), clRed);
}

TEST_F(Store, ReusedStorageStartsClean)
{
    make<TTextualColumn>(2);
    cells().Cell(0, 0)->SetHint("old");
    cells().Cell(0, 0)->SetAsString(QStringLiteral("old"));
    cells().DeleteRow(0);
    cells().AddRows(1);
    TCell* fresh = cells().Cell(0, 1);
    EXPECT_TRUE(fresh->Hint().isEmpty());
    EXPECT_TRUE(fresh->GetAsString().isEmpty());
    EXPECT_EQ(fresh->Graphic(), nullptr);
}

TEST_F(Store, SortReverseAndResort)
{
    make<TTextualColumn, TTextualColumn>(4);
    fill(0, { "b", "d", "a", "c" });
    fill(1, { "2", "4", "1", "3" });
    cells().Sort(0, stAlphabetic, false);
    EXPECT_EQ(column(0), Texts({ "a", "b", "c", "d" }));
    EXPECT_EQ(column(1), Texts({ "1", "2", "3", "4" }));
    EXPECT_TRUE(cells().Sorted());
    EXPECT_EQ(cells().SortColumn(), 0);
    EXPECT_FALSE(cells().SortDescending());

    // The same column in the other direction is reversed without comparing:
    // a sort type under which these texts cannot even be compared still works.
    cells().Sort(0, stNumeric, true);
    EXPECT_EQ(column(0), Texts({ "d", "c", "b", "a" }));
    EXPECT_TRUE(cells().SortDescending());
    cells().Sort(0, stNumeric, true);
    EXPECT_EQ(column(0), Texts({ "d", "c", "b", "a" }));

    // Any change clears the sort state; the next sort sorts again.
    cells().Cell(0, 3)->SetAsString(QStringLiteral("z"));
    EXPECT_FALSE(cells().Sorted());
    cells().Sort(0, stAlphabetic, true);
    EXPECT_EQ(column(0), Texts({ "z", "d", "c", "b" }));
    EXPECT_EQ(column(1), Texts({ "1", "4", "3", "2" }));
}

TEST_F(Store, FreshDescendingSortPutsTheLargestFirst)
{
    make<TNumericColumn>(5);
    const double values[] = { 3, -1, 10, 2.5, 0 };
    for (int r = 0; r < 5; ++r)
        cells().Cell(0, r)->SetAsFloat(values[r]);
    cells().Sort(0, stNumeric, true);
    EXPECT_EQ(cells().Cell(0, 0)->GetAsFloat(), 10);
    EXPECT_EQ(cells().Cell(0, 4)->GetAsFloat(), -1);
}

TEST_F(Store, SortAbortsOnAValueThatCannotBeCompared)
{
    make<TTextualColumn, TTextualColumn>(3);
    fill(0, { "3", "1", "2" });
    fill(1, { "c", "a", "b" });
    cells().Sort(1, stAlphabetic, true);
    cells().Cell(0, 1)->SetAsString(QStringLiteral("x"));
    const QStringList before = column(0);
    EXPECT_THROW(cells().Sort(0, stNumeric, false), EConvertError);
    EXPECT_EQ(column(0), before);
    EXPECT_EQ(cells().SortColumn(), 1);
    EXPECT_TRUE(cells().SortDescending());
    EXPECT_FALSE(cells().Sorted()); // cleared by the change, not by the failure
}

TEST_F(Store, SortMatchesAReferenceOrderForEveryType)
{
    make<TTextualColumn, TNumericColumn, TCheckBoxColumn, TDateColumn>(0);
    auto* rng = QRandomGenerator::global();
    for (int rows : { 0, 1, 2, 3, 17, 500 }) {
        cells().Clear();
        cells().AddRows(rows);
        for (int r = 0; r < rows; ++r) {
            // Few distinct values, so many equal keys.
            const int v = int(rng->bounded(20));
            cells().Cell(0, r)->SetAsString(QString::number(v * 7 % 13));
            cells().Cell(1, r)->SetAsFloat(v / 4.0);
            cells().Cell(2, r)->SetAsBoolean(v % 3 == 0);
            cells().Cell(3, r)->SetAsFloat(40000 + v);
        }
        for (int col = 0; col < 4; ++col) {
            const TSortType type = col == 0 ? stAlphabetic
                : col == 2                  ? stBoolean
                : col == 3                  ? stDate
                                            : stNumeric;
            for (bool descending : { false, true }) {
                QList<TCell*> rowsBefore;
                for (int r = 0; r < rows; ++r)
                    rowsBefore.append(cells().Cell(col, r));
                cells().AddRows(0); // clears the sort state
                cells().Sort(col, type, descending);
                for (int r = 1; r < rows; ++r) {
                    TCell* a = cells().Cell(col, r - 1);
                    TCell* b = cells().Cell(col, r);
                    const bool inOrder = type == stAlphabetic
                        ? (descending ? a->GetAsString() >= b->GetAsString()
                                      : a->GetAsString() <= b->GetAsString())
                        : type == stBoolean ? (descending ? a->GetAsBoolean() >= b->GetAsBoolean()
                                                          : a->GetAsBoolean() <= b->GetAsBoolean())
                                            : (descending ? a->GetAsFloat() >= b->GetAsFloat()
                                                          : a->GetAsFloat() <= b->GetAsFloat());
                    ASSERT_TRUE(inOrder) << rows << " rows, column " << col << " row " << r;
                }
                // Nothing lost, nothing duplicated.
                QList<TCell*> rowsAfter;
                for (int r = 0; r < rows; ++r)
                    rowsAfter.append(cells().Cell(col, r));
                std::sort(rowsBefore.begin(), rowsBefore.end());
                std::sort(rowsAfter.begin(), rowsAfter.end());
                ASSERT_EQ(rowsBefore, rowsAfter);
            }
        }
    }
}

TEST_F(Store, TextsOfEveryLengthAndAlphabetComeBackAsWritten)
{
    make<TTextualColumn>(1);
    TCell* cell = cells().Cell(0, 0);
    const QString wide = QString::fromUtf8("ŞğİıÇöÜ");
    const QStringList texts = {
        QString(),
        QStringLiteral("0"),
        QString(24, QLatin1Char('7')),
        QString(25, QLatin1Char('7')),
        QString(23, QLatin1Char('a')) + QChar(0xFF),
        QString(23, QLatin1Char('a')) + QChar(0x100),
        wide,
        wide + wide.left(5),
        wide + wide.left(6),
        QString::fromUtf8("Gülşen 😀 Öztürk"),
        QString(QChar(0)) + QStringLiteral("nul"),
        QString(5000, QChar(0x15F)),
        QStringLiteral("0532 123 45 67"),
    };
    // Every form after every other: each write replaces the last whatever it was.
    for (const QString& from : texts)
        for (const QString& to : texts) {
            cell->SetAsString(from);
            ASSERT_EQ(cell->GetAsString(), from);
            cell->SetAsString(to);
            ASSERT_EQ(cell->GetAsString(), to) << from.size() << " then " << to.size();
        }
    cell->SetAsInteger(-123456);
    EXPECT_EQ(cell->GetAsString(), QStringLiteral("-123456"));
    EXPECT_EQ(cell->GetAsInteger(), -123456);
}

// Today's order of texts: code unit by code unit, as QString compares them.
TEST_F(Store, TextSortGivesTheOrderOfComparingTheTexts)
{
    make<TTextualColumn, TTextualColumn, TNumericColumn>(0);
    auto* rng = QRandomGenerator::global();
    const QString turkish = QString::fromUtf8("aAbcçÇdeğĞhıIİiöÖsşŞuüÜz");
    const QString pieces[] = { QStringLiteral("0"), QStringLiteral("05"), QStringLiteral("1"),
        QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("-"), QStringLiteral(" "),
        QString::fromUtf8("İstanbul"), QString::fromUtf8("ışık"), QString::fromUtf8("😀"),
        QString(QChar(0xFFFD)), QString(QChar(0)), QStringLiteral("https://example.com/") };
    const auto randomText = [&](int shape) {
        QString t;
        switch (shape) {
        case 0: // numbers as text, like calling numbers
            t = QStringLiteral("05");
            for (int i = rng->bounded(13); i > 0; --i)
                t += QChar(u'0' + rng->bounded(10));
            break;
        case 1: // Turkish words of any length
            for (int i = rng->bounded(30); i > 0; --i)
                t += turkish.at(rng->bounded(turkish.size()));
            break;
        case 2: // few distinct texts: many equal keys
            t = pieces[rng->bounded(4)];
            break;
        default: // pieces run together, some sharing long beginnings
            for (int i = rng->bounded(6); i > 0; --i)
                t += pieces[rng->bounded(int(std::size(pieces)))];
        }
        return t;
    };
    for (int rows : { 0, 1, 2, 50, 3000 }) {
        for (int shape = 0; shape < 5; ++shape) {
            cells().Clear();
            cells().AddRows(rows);
            QList<QPair<QString, int>> written;
            for (int r = 0; r < rows; ++r) {
                const QString text = randomText(shape == 4 ? rng->bounded(4) : shape);
                cells().Cell(0, r)->SetAsString(text);
                cells().Cell(1, r)->SetAsInteger(r);
                cells().Cell(2, r)->SetAsFloat(rng->bounded(40) / 4.0 - 5);
                written.append({ text, r });
            }
            for (int col : { 0, 2 }) {
                for (bool descending : { false, true }) {
                    cells().AddRows(0); // clears the sort state
                    cells().Sort(col, stAlphabetic, descending);
                    QStringList expected;
                    for (int r = 0; r < rows; ++r)
                        expected.append(
                            col == 0 ? written[r].first : cells().Cell(2, r)->GetAsString());
                    std::sort(
                        expected.begin(), expected.end(), [&](const QString& a, const QString& b) {
                            return descending ? b < a : a < b;
                        });
                    ASSERT_EQ(column(col), expected)
                        << rows << " rows, shape " << shape << ", column " << col;
                    // Whole rows moved: every row still carries its own text.
                    if (col == 0)
                        for (int r = 0; r < rows; ++r) {
                            const int id = cells().Cell(1, r)->GetAsInteger();
                            ASSERT_EQ(cells().Cell(0, r)->GetAsString(), written[id].first);
                        }
                }
            }
        }
    }
}

TEST_F(Store, IpOrderComparesComponentsFromTheFirst)
{
    make<TTextualColumn>(6);
    fill(0, { "192.168.1.1", "10.0.0.10", "10.0.0.2", "10", "9.255.255.255", "10.0.0.2." });
    cells().Sort(0, stIP, false);
    const QStringList sorted = column(0);
    EXPECT_EQ(sorted.mid(0, 2), Texts({ "9.255.255.255", "10" }));
    // "10.0.0.2." has the same key as "10.0.0.2": either may come first.
    EXPECT_EQ(QSet<QString>(sorted.begin() + 2, sorted.begin() + 4),
        QSet<QString>({ QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.2.") }));
    EXPECT_EQ(sorted.mid(4), Texts({ "10.0.0.10", "192.168.1.1" }));

    // Components past the fourth are ignored; missing ones count as 0.
    fill(0, { "1.2.3.4.9", "1.2.3.4", "1.2.3", "1.2.3.0.5", "x1y.2", "1.2" });
    cells().Sort(0, stIP, true);
    const QStringList down = column(0);
    EXPECT_EQ(QSet<QString>(down.begin(), down.begin() + 2),
        QSet<QString>({ QStringLiteral("1.2.3.4.9"), QStringLiteral("1.2.3.4") }));
    EXPECT_EQ(QSet<QString>(down.begin() + 2, down.begin() + 4),
        QSet<QString>({ QStringLiteral("1.2.3"), QStringLiteral("1.2.3.0.5") }));
    EXPECT_EQ(QSet<QString>(down.begin() + 4, down.end()),
        QSet<QString>({ QStringLiteral("x1y.2"), QStringLiteral("1.2") }));
}

TEST_F(Store, MoveRowKeepsCellIdentity)
{
    make<TTextualColumn, TTextualColumn>(4);
    fill(0, { "a", "b", "c", "d" });
    cells().Sort(0, stAlphabetic, false);
    TCell* first = cells().Cell(1, 0);
    cells().MoveRow(0, 2);
    EXPECT_FALSE(cells().Sorted());
    TCell* moved = cells().Cell(1, 2);
    EXPECT_EQ(moved, first);
    EXPECT_EQ(moved->Row(), 2);
    EXPECT_EQ(column(0), Texts({ "b", "c", "a", "d" }));
}

TEST_F(Store, RowOperationsKeepTheListsInStep)
{
    make<TTextualColumn, TTextualColumn>(3);
    fill(0, { "a", "b", "c" });
    TCell* b = cells().Cell(1, 1);
    cells().InsertRow(0);
    EXPECT_EQ(cells().RowCount(), 4);
    EXPECT_EQ(cells().Cell(1, 2), b);
    EXPECT_EQ(column(0), Texts({ "", "a", "b", "c" }));
    cells().InsertRow(4); // at the end
    cells().Sort(0, stAlphabetic, false);
    cells().DeleteRow(0);
    EXPECT_TRUE(cells().Sorted()); // deleting keeps the order
    EXPECT_EQ(cells().RowCount(), 4);

    // The call list's window: drop the oldest row, append a new one.
    for (int i = 0; i < 20; ++i) {
        cells().DeleteRow(0);
        cells().AddRows(1);
        cells().Cell(0, cells().RowCount() - 1)->SetAsString(QString::number(i));
    }
    EXPECT_EQ(column(0), Texts({ "16", "17", "18", "19" }));
    cells().Clear();
    EXPECT_EQ(cells().RowCount(), 0);
    EXPECT_EQ(cells().ColCount(), 2);
}

TEST_F(Store, ColumnOperationsKeepTheSortStateWithItsColumn)
{
    make<TTextualColumn, TTextualColumn, TTextualColumn>(2);
    fill(0, { "a0", "a1" });
    fill(1, { "b0", "b1" });
    fill(2, { "c0", "c1" });
    cells().Sort(2, stAlphabetic, false);
    cells().ColumnsChanged(ColumnMoved | 0x80, 2, 0); // the high bit does not count
    EXPECT_EQ(column(0), Texts({ "c0", "c1" }));
    EXPECT_EQ(column(1), Texts({ "a0", "a1" }));
    EXPECT_EQ(cells().SortColumn(), 0);
    EXPECT_TRUE(cells().Sorted());

    cells().ColumnsChanged(ColumnDeleted, 1, -1);
    EXPECT_EQ(cells().SortColumn(), 0);
    EXPECT_TRUE(cells().Sorted());
    cells().ColumnsChanged(ColumnDeleted, 0, -1);
    EXPECT_FALSE(cells().Sorted());
    EXPECT_EQ(column(0), Texts({ "b0", "b1" }));

    cells().ColumnsChanged(ColumnInserted, 0, -1);
    EXPECT_EQ(cells().ColCount(), 2);
    EXPECT_EQ(column(0), Texts({ "", "" }));
    cells().ColumnsChanged(99, 0, 0);
    EXPECT_EQ(cells().ColCount(), 2);
}
