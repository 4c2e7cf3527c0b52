// The grid's cell store against Qt's QStandardItemModel holding the same texts:
// appending rows of five text cells, sorting a million rows by a text column,
// and the memory a million rows of five cells take. Neither side has a view
// attached; only the stores are measured. A table of ratios follows the usual
// benchmark output.

#include "BenchSupport.h"
#include "CellClasses.h"
#include "ColumnClasses.h"
#include "GridView.h"

#include <QApplication>
#include <QStandardItemModel>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Columns = 5;
constexpr int AppendRows = 100000;
constexpr int BigRows = 1000000;
constexpr int TextLength = 12;

// Twelve characters like a calling number: "05" and ten digits, each text
// with its own storage.
class Texts
{
public:
    explicit Texts(std::uint64_t seed)
        : m_random(seed)
    {
    }
    QString next()
    {
        char16_t text[TextLength] = { u'0', u'5' };
        std::uniform_int_distribution<int> digit(0, 9);
        for (int i = 2; i < TextLength; ++i)
            text[i] = char16_t(u'0' + digit(m_random));
        return QString(reinterpret_cast<const QChar*>(text), TextLength);
    }

private:
    std::mt19937_64 m_random;
};

std::vector<QString> makeTexts(std::size_t count, std::uint64_t seed)
{
    Texts texts(seed);
    std::vector<QString> result;
    result.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        result.push_back(texts.next());
    return result;
}

std::unique_ptr<TGridView> makeGrid()
{
    auto grid = std::make_unique<TGridView>();
    grid->SetOptions(TGridOptions { goGrid, goHeader });
    grid->resize(532, 170);
    for (int c = 0; c < Columns; ++c) {
        auto* column = new TTextualColumn();
        column->SetColor(clWindow);
        grid->Columns()->Add(column);
    }
    return grid;
}

std::unique_ptr<QStandardItemModel> makeModel()
{
    return std::make_unique<QStandardItemModel>(0, Columns);
}

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// ---------------------------------------------------------------------------
// Memory: resident growth for a million rows of five twelve-character texts,
// each text made afresh for its cell as a caller's would be. Registered first,
// so that it runs before the other benchmarks leave freed memory behind.

template <typename Fill> void measureResident(benchmark::State& state, Fill fill)
{
    for (auto _ : state) {
        const std::size_t before = settledResidentBytes();
        auto store = fill();
        const std::size_t after = residentBytes();
        benchmark::DoNotOptimize(store.get());
        state.PauseTiming();
        store.reset();
        malloc_trim(0);
        state.counters["MiB"] = double(after - before) / (1024.0 * 1024.0);
        state.counters["B/cell"] = double(after - before) / (double(BigRows) * Columns);
        state.ResumeTiming();
    }
}

// All rows added at once, then the cells written.
void MemoryTCells(benchmark::State& state)
{
    measureResident(state, [] {
        Texts texts(3);
        auto grid = makeGrid();
        TCells* cells = grid->Cells();
        grid->BeginUpdate();
        cells->AddRows(BigRows);
        for (int r = 0; r < BigRows; ++r)
            for (int c = 0; c < Columns; ++c)
                cells->Cell(c, r)->SetAsString(texts.next());
        grid->EndUpdate();
        return grid;
    });
}
BENCHMARK(MemoryTCells)->Iterations(1)->Unit(benchmark::kMillisecond);

// One row at a time, as calls arrive: the column lists grow as they go.
void MemoryTCellsByRow(benchmark::State& state)
{
    measureResident(state, [] {
        Texts texts(3);
        auto grid = makeGrid();
        TCells* cells = grid->Cells();
        grid->BeginUpdate();
        for (int r = 0; r < BigRows; ++r) {
            cells->AddRows(1);
            for (int c = 0; c < Columns; ++c)
                cells->Cell(c, r)->SetAsString(texts.next());
        }
        grid->EndUpdate();
        return grid;
    });
}
BENCHMARK(MemoryTCellsByRow)->Iterations(1)->Unit(benchmark::kMillisecond);

// Peer: the model sized first, then every item set: Qt's most compact layout.
void MemoryQtModel(benchmark::State& state)
{
    measureResident(state, [] {
        Texts texts(3);
        auto model = std::make_unique<QStandardItemModel>(BigRows, Columns);
        for (int r = 0; r < BigRows; ++r)
            for (int c = 0; c < Columns; ++c)
                model->setItem(r, c, new QStandardItem(texts.next()));
        return model;
    });
}
BENCHMARK(MemoryQtModel)->Iterations(1)->Unit(benchmark::kMillisecond);

// Peer: appendRow, one row at a time.
void MemoryQtModelByRow(benchmark::State& state)
{
    measureResident(state, [] {
        Texts texts(3);
        auto model = makeModel();
        for (int r = 0; r < BigRows; ++r) {
            QList<QStandardItem*> items;
            items.reserve(Columns);
            for (int c = 0; c < Columns; ++c)
                items.append(new QStandardItem(texts.next()));
            model->appendRow(items);
        }
        return model;
    });
}
BENCHMARK(MemoryQtModelByRow)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Appending: one row at a time, its five texts written at once. Each iteration
// appends AppendRows rows to an empty store; emptying it is not timed.

const std::vector<QString>& appendTexts()
{
    static const std::vector<QString> texts = makeTexts(std::size_t(AppendRows) * Columns, 1);
    return texts;
}

// The store alone: a row, then its five cells.
void AppendTCells(benchmark::State& state)
{
    const auto& texts = appendTexts();
    auto grid = makeGrid();
    TCells* cells = grid->Cells();
    grid->BeginUpdate();
    for (auto _ : state) {
        std::size_t t = 0;
        for (int r = 0; r < AppendRows; ++r) {
            cells->AddRows(1);
            for (int c = 0; c < Columns; ++c)
                cells->Cell(c, r)->SetAsString(texts[t++]);
        }
        state.PauseTiming();
        grid->Clear();
        state.ResumeTiming();
    }
    grid->EndUpdate();
}
BENCHMARK(AppendTCells)->Unit(benchmark::kMillisecond);

// As the call list does it: the grid appends the row (row marks, scroll
// range), then the cells are written under its update lock. The grid is not
// shown, so nothing is painted.
void AppendTGridView(benchmark::State& state)
{
    const auto& texts = appendTexts();
    auto grid = makeGrid();
    for (auto _ : state) {
        std::size_t t = 0;
        for (int r = 0; r < AppendRows; ++r) {
            grid->AddRows(1);
            grid->BeginUpdate();
            for (int c = 0; c < Columns; ++c)
                grid->Cell(c, r)->SetAsString(texts[t++]);
            grid->EndUpdate();
        }
        state.PauseTiming();
        grid->Clear();
        state.ResumeTiming();
    }
}
BENCHMARK(AppendTGridView)->Unit(benchmark::kMillisecond);

// Peer: appendRow of five ready-made items, Qt's cheapest way to add a row.
void AppendQtAppendRow(benchmark::State& state)
{
    const auto& texts = appendTexts();
    auto model = makeModel();
    for (auto _ : state) {
        std::size_t t = 0;
        for (int r = 0; r < AppendRows; ++r) {
            QList<QStandardItem*> items;
            items.reserve(Columns);
            for (int c = 0; c < Columns; ++c)
                items.append(new QStandardItem(texts[t++]));
            model->appendRow(items);
        }
        state.PauseTiming();
        model->setRowCount(0);
        state.ResumeTiming();
    }
}
BENCHMARK(AppendQtAppendRow)->Unit(benchmark::kMillisecond);

// Peer: an empty row inserted at the end, then its five cells set by index.
void AppendQtInsertRowSetData(benchmark::State& state)
{
    const auto& texts = appendTexts();
    auto model = makeModel();
    for (auto _ : state) {
        std::size_t t = 0;
        for (int r = 0; r < AppendRows; ++r) {
            model->insertRow(r);
            for (int c = 0; c < Columns; ++c)
                model->setData(model->index(r, c), texts[t++]);
        }
        state.PauseTiming();
        model->setRowCount(0);
        state.ResumeTiming();
    }
}
BENCHMARK(AppendQtInsertRowSetData)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Sorting a million rows of five text columns by column 0: ascending, then the
// same column descending, and (from unsorted rows) a descending sort straight
// away. Between rounds the rows are put back in a random order by sorting
// another column of random texts, untimed. Manual time is the sum of the three
// timed sorts; each also has its own counter (milliseconds per round).

struct SortTimes
{
    double ascending = 0;
    double thenDescending = 0;
    double freshDescending = 0;
};

template <typename Store> void runSortRounds(benchmark::State& state, Store& store)
{
    SortTimes total;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        store.sort(0, false);
        auto t1 = std::chrono::steady_clock::now();
        store.sort(0, true);
        auto t2 = std::chrono::steady_clock::now();
        store.sort(1, false);
        auto t3 = std::chrono::steady_clock::now();
        store.sort(0, true);
        auto t4 = std::chrono::steady_clock::now();
        store.sort(1, false);
        const SortTimes round { seconds(t1 - t0), seconds(t2 - t1), seconds(t4 - t3) };
        total.ascending += round.ascending;
        total.thenDescending += round.thenDescending;
        total.freshDescending += round.freshDescending;
        state.SetIterationTime(round.ascending + round.thenDescending + round.freshDescending);
    }
    const auto perRound = benchmark::Counter::kAvgIterations;
    state.counters["asc_ms"] = benchmark::Counter(total.ascending * 1e3, perRound);
    state.counters["then_desc_ms"] = benchmark::Counter(total.thenDescending * 1e3, perRound);
    state.counters["fresh_desc_ms"] = benchmark::Counter(total.freshDescending * 1e3, perRound);
}

// Column 4 holds a sequence number, like the call list's, so the rows can be
// put back in the order they were made in.
const std::vector<QString>& sortTexts()
{
    static const std::vector<QString> texts = [] {
        std::vector<QString> t = makeTexts(std::size_t(BigRows) * Columns, 2);
        for (int r = 0; r < BigRows; ++r)
            t[std::size_t(r) * Columns + 4]
                = QStringLiteral("%1").arg(r, TextLength, 10, QLatin1Char('0'));
        return t;
    }();
    return texts;
}

struct GridStore
{
    GridStore()
        : grid(makeGrid())
    {
        const auto& texts = sortTexts();
        TCells* cells = grid->Cells();
        grid->BeginUpdate();
        cells->AddRows(BigRows);
        std::size_t t = 0;
        for (int r = 0; r < BigRows; ++r)
            for (int c = 0; c < Columns; ++c)
                cells->Cell(c, r)->SetAsString(texts[t++]);
        grid->EndUpdate();
    }
    void sort(int col, bool descending) { grid->Cells()->Sort(col, stAlphabetic, descending); }
    QString text(int col, int row) { return grid->Cells()->Cell(col, row)->AsString(); }

    std::unique_ptr<TGridView> grid;
};

struct ModelStore
{
    ModelStore()
        : model(std::make_unique<QStandardItemModel>(BigRows, Columns))
    {
        const auto& texts = sortTexts();
        std::size_t t = 0;
        for (int r = 0; r < BigRows; ++r)
            for (int c = 0; c < Columns; ++c)
                model->setItem(r, c, new QStandardItem(texts[t++]));
    }
    // Qt 6.4 frees a model whose rows were sorted in quadratic time: each item
    // looks for itself starting from the place it was set at. Back in that
    // order the search ends at once.
    ~ModelStore() { sort(4, false); }
    void sort(int col, bool descending)
    {
        model->sort(col, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    QString text(int col, int row) { return model->item(row, col)->text(); }

    std::unique_ptr<QStandardItemModel> model;
};

// Both stores must come out in the same order, or the times compare nothing.
void checkSameOrder(benchmark::State& state)
{
    GridStore ours;
    ModelStore qt;
    for (bool descending : { false, true }) {
        ours.sort(0, descending);
        qt.sort(0, descending);
        // Rows of equal keys may come in either order (our sort is not
        // stable); elsewhere the whole row must match, not just the key.
        for (int r = 0; r < BigRows; ++r) {
            const QString key = ours.text(0, r);
            const bool tied = (r > 0 && ours.text(0, r - 1) == key)
                || (r + 1 < BigRows && ours.text(0, r + 1) == key);
            if (key != qt.text(0, r) || (!tied && ours.text(3, r) != qt.text(3, r))) {
                state.SkipWithError("the two stores sorted differently");
                return;
            }
        }
    }
}

void SortTCells(benchmark::State& state)
{
    GridStore store;
    runSortRounds(state, store);
}
BENCHMARK(SortTCells)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void SortQtModel(benchmark::State& state)
{
    ModelStore store;
    runSortRounds(state, store);
}
BENCHMARK(SortQtModel)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void SortSameOrder(benchmark::State& state)
{
    for (auto _ : state)
        checkSameOrder(state);
}
BENCHMARK(SortSameOrder)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Keeps every run's figures for the table of ratios.

struct Figures
{
    double realSeconds = 0; // per iteration
    std::map<std::string, double> counters;
};

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // Colours only on a terminal, so the figures can go to a file.
    RatioReporter()
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular)
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            Figures& f = figures[run.run_name.function_name];
            f.realSeconds
                = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (const auto& [name, counter] : run.counters)
                f.counters[name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, Figures> figures;
};

void printRatios(RatioReporter& reporter)
{
    auto& f = reporter.figures;
    auto has = [&](const char* name) { return f.count(name) != 0; };
    std::printf("\nCell store against QStandardItemModel (ratio = Qt / ours; above 1: ours is "
                "faster or smaller)\n");

    if (has("AppendTCells") && has("AppendTGridView") && has("AppendQtAppendRow")
        && has("AppendQtInsertRowSetData")) {
        auto perRow = [&](const char* name) { return f[name].realSeconds * 1e9 / AppendRows; };
        const double qt = std::min(perRow("AppendQtAppendRow"), perRow("AppendQtInsertRowSetData"));
        std::printf("\na) append a row and write its five texts, %d rows from empty (ns per row)\n",
            AppendRows);
        std::printf("   Qt appendRow of 5 items      %9.1f\n", perRow("AppendQtAppendRow"));
        std::printf("   Qt insertRow + 5 setData     %9.1f\n", perRow("AppendQtInsertRowSetData"));
        std::printf("   TCells                       %9.1f   ratio %.2f (target >= 5)\n",
            perRow("AppendTCells"), qt / perRow("AppendTCells"));
        std::printf("   TGridView (as the call list) %9.1f   ratio %.2f (target >= 5)\n",
            perRow("AppendTGridView"), qt / perRow("AppendTGridView"));
        std::printf("   (ratios against the faster Qt way)\n");
    }

    if (has("SortTCells") && has("SortQtModel")) {
        auto& ours = f["SortTCells"].counters;
        auto& qt = f["SortQtModel"].counters;
        std::printf("\nb) sort %d rows of %d text columns by column 0 (ms)\n", BigRows, Columns);
        std::printf("   %-34s %10s %10s %7s\n", "", "Qt", "TCells", "ratio");
        auto line = [&](const char* what, double q, double o) {
            std::printf("   %-34s %10.1f %10.1f %7.2f\n", what, q, o, q / o);
        };
        line("ascending", qt["asc_ms"], ours["asc_ms"]);
        line("then descending (same column)", qt["then_desc_ms"], ours["then_desc_ms"]);
        line("ascending + descending", qt["asc_ms"] + qt["then_desc_ms"],
            ours["asc_ms"] + ours["then_desc_ms"]);
        line("descending from unsorted rows", qt["fresh_desc_ms"], ours["fresh_desc_ms"]);
        std::printf(
            "   (target: ascending ratio >= 40; both stores checked to give the same order: %s)\n",
            has("SortSameOrder") ? "yes" : "CHECK FAILED OR NOT RUN");
    }

    if (has("MemoryTCells") && has("MemoryQtModel")) {
        auto mib = [&](const char* name) { return f[name].counters["MiB"]; };
        std::printf("\nc) resident growth, %d rows x %d texts of %d characters (MiB)\n", BigRows,
            Columns, TextLength);
        std::printf("   Qt, sized then setItem       %9.1f\n", mib("MemoryQtModel"));
        if (has("MemoryQtModelByRow"))
            std::printf("   Qt, appendRow by row         %9.1f\n", mib("MemoryQtModelByRow"));
        std::printf("   TCells, rows added at once   %9.1f   ours / Qt %.2f (target <= 0.35)\n",
            mib("MemoryTCells"), mib("MemoryTCells") / mib("MemoryQtModel"));
        if (has("MemoryTCellsByRow"))
            std::printf("   TCells, rows added by row    %9.1f   ours / Qt %.2f\n",
                mib("MemoryTCellsByRow"), mib("MemoryTCellsByRow") / mib("MemoryQtModel"));
    }
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
