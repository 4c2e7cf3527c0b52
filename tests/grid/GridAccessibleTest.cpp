#include "GridAccessible.h"
#include "ColumnClasses.h"
#include "GridView.h"

#include <QAccessible>
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// The events the grid raised, as assistive technologies would get them.
class EventLog
{
public:
    struct Entry
    {
        QAccessible::Event type;
        int change = -1; // QAccessibleTableModelChangeEvent::ModelChangeType
        int firstRow = -1, lastRow = -1, firstColumn = -1, child = -1;
    };

    EventLog()
    {
        GridAccessibility::setObserver([this](QAccessibleEvent* event) {
            Entry e { event->type() };
            if (event->type() == QAccessible::TableModelChanged) {
                auto* change = static_cast<QAccessibleTableModelChangeEvent*>(event);
                e.change = change->modelChangeType();
                e.firstRow = change->firstRow();
                e.lastRow = change->lastRow();
                e.firstColumn = change->firstColumn();
            }
            e.child = event->child();
            entries.push_back(e);
        });
    }
    ~EventLog() { GridAccessibility::setObserver(nullptr); }

    std::vector<Entry> take() { return std::exchange(entries, {}); }

    std::vector<Entry> entries;
};

TTextualColumn* AddColumn(TGridView& grid, const char* caption, int position)
{
    auto* column = new TTextualColumn();
    column->Header().SetCaption(QString::fromUtf8(caption));
    column->SetWidth(80);
    column->SetPosition(position);
    column->SetOptions(column->Options() + coCanSort);
    grid.Columns()->Add(column);
    return column;
}

// A report grid whose stored order differs from the display order, as the
// main window's call list does: "Saat" is stored first and shown last.
std::unique_ptr<TGridView> MakeGrid()
{
    auto grid = std::make_unique<TGridView>();
    grid->resize(400, 200);
    grid->SetOptions(TGridOptions { goGrid, goHeader });
    AddColumn(*grid, "Saat", 2);
    AddColumn(*grid, "Hat no.", 0);
    AddColumn(*grid, "Arayan numara", 1);
    return grid;
}

void AddCall(TGridView& grid, const char* time, const char* line, const char* number)
{
    grid.AddRows(1);
    const int row = grid.RowCount() - 1;
    grid.BeginUpdate();
    grid.Cell(0, row)->SetAsString(QString::fromUtf8(time));
    grid.Cell(1, row)->SetAsString(QString::fromUtf8(line));
    grid.Cell(2, row)->SetAsString(QString::fromUtf8(number));
    grid.EndUpdate();
}

QAccessibleTableInterface* TableOf(TGridView& grid)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&grid);
    return iface ? iface->tableInterface() : nullptr;
}

QString CellName(QAccessibleTableInterface* table, int row, int column)
{
    QAccessibleInterface* cell = table->cellAt(row, column);
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("<none>");
}

QStringList RowNames(QAccessibleTableInterface* table, int row)
{
    QStringList names;
    for (int c = 0; c < table->columnCount(); ++c)
        names << CellName(table, row, c);
    return names;
}

QStringList Texts(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* t : texts)
        list << QString::fromUtf8(t);
    return list;
}

} // namespace

TEST(GridAccessible, IsATableOfTheVisibleColumnsInDisplayOrder)
{
    auto grid = MakeGrid();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid.get());
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Table);
    QAccessibleTableInterface* table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(table->columnCount(), 3);
    // The header row comes first among the children.
    ASSERT_EQ(iface->childCount(), 3);
    QStringList headers;
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* header = iface->child(i);
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->role(), QAccessible::ColumnHeader);
        headers << header->text(QAccessible::Name);
    }
    EXPECT_EQ(headers, Texts({ "Hat no.", "Arayan numara", "Saat" }));
    EXPECT_EQ(table->columnDescription(2), QStringLiteral("Saat"));

    AddCall(*grid, "10:00:01", "1", "02125550101");
    AddCall(*grid, "10:00:02", "3", "05325550104");
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(iface->childCount(), 3 + 2 * 3);
    EXPECT_EQ(RowNames(table, 1), Texts({ "3", "05325550104", "10:00:02" }));
    EXPECT_EQ(table->cellAt(2, 0), nullptr);
    EXPECT_EQ(table->cellAt(0, 3), nullptr);

    // Children, cells and their own table coordinates agree.
    QAccessibleInterface* cell = table->cellAt(1, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    EXPECT_EQ(iface->indexOfChild(cell), 3 + 1 * 3 + 2);
    EXPECT_EQ(iface->child(3 + 1 * 3 + 2), cell);
    EXPECT_EQ(cell->parent(), iface);
    QAccessibleTableCellInterface* coordinates = cell->tableCellInterface();
    ASSERT_NE(coordinates, nullptr);
    EXPECT_EQ(coordinates->rowIndex(), 1);
    EXPECT_EQ(coordinates->columnIndex(), 2);
    EXPECT_EQ(coordinates->table(), iface);
    const QList<QAccessibleInterface*> header = coordinates->columnHeaderCells();
    ASSERT_EQ(header.size(), 1);
    EXPECT_EQ(header.front()->text(QAccessible::Name), QStringLiteral("Saat"));

    // A hidden column leaves the table; without the header row so do the headers.
    grid->Columns()->Items(2)->SetVisible(false);
    EXPECT_EQ(table->columnCount(), 2);
    EXPECT_EQ(RowNames(table, 0), Texts({ "1", "10:00:01" }));
    grid->SetOptions(grid->Options() - goHeader);
    EXPECT_EQ(iface->childCount(), 2 * 2);
    EXPECT_EQ(iface->child(0)->text(QAccessible::Name), QStringLiteral("1"));
}

TEST(GridAccessible, FollowsAddedDeletedAndSortedRowsAndSaysSo)
{
    auto grid = MakeGrid();
    grid->show();
    QAccessibleTableInterface* table = TableOf(*grid);
    ASSERT_NE(table, nullptr);
    EventLog log;

    AddCall(*grid, "10:00:01", "2", "02125550101");
    std::vector<EventLog::Entry> events = log.take();
    ASSERT_GE(events.size(), 1u);
    EXPECT_EQ(events[0].change, QAccessibleTableModelChangeEvent::RowsInserted);
    EXPECT_EQ(events[0].firstRow, 0);
    EXPECT_EQ(events[0].lastRow, 0);
    // The cells written under the update lock are reported too, by table column.
    std::vector<int> changedColumns;
    for (size_t i = 1; i < events.size(); ++i) {
        EXPECT_EQ(events[i].change, QAccessibleTableModelChangeEvent::DataChanged);
        EXPECT_EQ(events[i].firstRow, 0);
        changedColumns.push_back(events[i].firstColumn);
    }
    EXPECT_EQ(changedColumns, (std::vector<int> { 2, 0, 1 }));

    AddCall(*grid, "10:00:02", "1", "02165550102");
    AddCall(*grid, "10:00:03", "4", "03125550103");
    log.take();
    grid->DeleteRow(0);
    events = log.take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].change, QAccessibleTableModelChangeEvent::RowsRemoved);
    EXPECT_EQ(events[0].firstRow, 0);
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(RowNames(table, 0), Texts({ "1", "02165550102", "10:00:02" }));

    // Sorting by "Hat no." descending reorders what the positions hold.
    TCustomColumn* line = grid->Columns()->Items(1);
    line->SetSortKind(skDescending);
    line->SetSorted(true);
    events = log.take();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].change, QAccessibleTableModelChangeEvent::ModelReset);
    EXPECT_EQ(CellName(table, 0, 0), QStringLiteral("4"));
    EXPECT_EQ(CellName(table, 1, 0), QStringLiteral("1"));

    grid->Clear();
    events = log.take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].change, QAccessibleTableModelChangeEvent::ModelReset);
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(table->cellAt(0, 0), nullptr);
    // What the empty grid shows in place of rows describes it.
    grid->SetCaption(QStringLiteral("Kayıt yok"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid.get());
    EXPECT_EQ(iface->text(QAccessible::Description), QStringLiteral("Kayıt yok"));
    AddCall(*grid, "10:00:04", "1", "02125550104");
    EXPECT_EQ(iface->text(QAccessible::Description), QString());
}

TEST(GridAccessible, KeepsSixCallsOfTheCallList)
{
    auto grid = MakeGrid();
    QAccessibleTableInterface* table = TableOf(*grid);
    ASSERT_NE(table, nullptr);
    for (int n = 1; n <= 7; ++n) {
        if (grid->RowCount() > 5)
            grid->DeleteRow(0);
        AddCall(*grid, "12:00:00", "1", QByteArray("055500000" + QByteArray::number(n)).data());
    }
    ASSERT_EQ(table->rowCount(), 6);
    QStringList numbers;
    for (int r = 0; r < 6; ++r)
        numbers << CellName(table, r, 1);
    EXPECT_EQ(numbers,
        Texts({ "0555000002", "0555000003", "0555000004", "0555000005", "0555000006",
            "0555000007" }));
}

TEST(GridAccessible, GoneCellsAreDroppedAndNeverReadStaleRows)
{
    auto grid = MakeGrid();
    AddCall(*grid, "10:00:01", "1", "02125550101");
    AddCall(*grid, "10:00:02", "2", "02165550102");
    QAccessibleTableInterface* table = TableOf(*grid);
    ASSERT_NE(table, nullptr);
    QAccessibleInterface* last = table->cellAt(1, 1);
    ASSERT_NE(last, nullptr);
    const QAccessible::Id lastId = QAccessible::uniqueId(last);
    QAccessibleInterface* first = table->cellAt(0, 1);
    const QAccessible::Id firstId = QAccessible::uniqueId(first);

    grid->DeleteRow(1);
    EXPECT_EQ(QAccessible::accessibleInterface(lastId), nullptr);
    EXPECT_EQ(QAccessible::accessibleInterface(firstId), first);
    EXPECT_EQ(first->text(QAccessible::Name), QStringLiteral("02125550101"));

    grid.reset();
    EXPECT_EQ(QAccessible::accessibleInterface(firstId), nullptr);
}

TEST(GridAccessible, ReportsTheFocusedCellAndTheSelection)
{
    auto grid = MakeGrid();
    AddCall(*grid, "10:00:01", "1", "02125550101");
    AddCall(*grid, "10:00:02", "2", "02165550102");
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid.get());
    QAccessibleTableInterface* table = iface->tableInterface();

    grid->show();
    QApplication::setActiveWindow(grid.get());
    grid->activateWindow();
    grid->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(grid->GridFocused());

    EventLog log;
    // Stored column 2 ("Arayan numara") is the second table column.
    grid->SetFocusedCell(2, 1, 0);
    const std::vector<EventLog::Entry> events = log.take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, QAccessible::Focus);
    EXPECT_EQ(events[0].child, 3 + 1 * 3 + 1);
    QAccessibleInterface* focused = iface->focusChild();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused, table->cellAt(1, 1));
    EXPECT_TRUE(focused->state().focused);
    EXPECT_FALSE(table->cellAt(0, 1)->state().focused);
    EXPECT_EQ(focused->text(QAccessible::Name), QStringLiteral("02165550102"));
    // Setting the same cell again is no move.
    grid->SetFocusedCell(2, 1, 0);
    EXPECT_TRUE(log.take().empty());

    // Whole rows are selected with goSelectFullRow, and a row can be chosen.
    grid->SetOptions(grid->Options() + goSelectFullRow);
    EXPECT_EQ(table->selectedRows(), QList<int> { 1 });
    EXPECT_EQ(table->selectedCellCount(), 3);
    EXPECT_TRUE(table->selectRow(0));
    EXPECT_EQ(grid->FocusedRow(), 0);
    EXPECT_EQ(table->selectedRows(), QList<int> { 0 });
    EXPECT_FALSE(table->selectRow(5));
}

TEST(GridAccessible, CellsReadAsTheColumnShowsThem)
{
    TGridView grid;
    grid.resize(400, 200);
    auto* text = new TTextualColumn();
    text->SetTextBefore(QStringLiteral("Tel: "));
    text->SetPosition(0);
    grid.Columns()->Add(text);
    auto* check = new TCheckBoxColumn();
    check->SetPosition(1);
    grid.Columns()->Add(check);
    auto* html = new THtmlColumn();
    html->SetPosition(2);
    grid.Columns()->Add(html);
    auto* count = new TIncrementColumn();
    count->SetPosition(3);
    grid.Columns()->Add(count);
    grid.AddRows(2);
    grid.Cell(0, 1)->SetAsString(QStringLiteral("0212"));
    grid.Cell(1, 1)->SetAsBoolean(true);
    grid.Cell(2, 1)->SetAsString(QStringLiteral("<b>Öncelikli</b> müşteri"));

    QAccessibleTableInterface* table = TableOf(grid);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(RowNames(table, 1), Texts({ "Tel: 0212", "", "Öncelikli müşteri", "2" }));
    const QAccessible::State checked = table->cellAt(1, 1)->state();
    EXPECT_TRUE(checked.checkable);
    EXPECT_TRUE(checked.checked);
    EXPECT_FALSE(table->cellAt(0, 1)->state().checked);
}

TEST(GridAccessible, FindsTheCellUnderAScreenPoint)
{
    auto grid = MakeGrid();
    AddCall(*grid, "10:00:01", "1", "02125550101");
    grid->show();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid.get());
    QAccessibleTableInterface* table = iface->tableInterface();

    QAccessibleInterface* cell = table->cellAt(0, 1);
    const QRect r = cell->rect();
    ASSERT_FALSE(r.isEmpty());
    EXPECT_EQ(iface->childAt(r.center().x(), r.center().y()), cell);
    const QRect header = iface->child(2)->rect();
    EXPECT_EQ(iface->childAt(header.center().x(), header.center().y()), iface->child(2));
    EXPECT_LT(header.bottom(), r.top());
    // Below the last row there is no cell.
    EXPECT_EQ(iface->childAt(r.center().x(), r.bottom() + 60), nullptr);
}
