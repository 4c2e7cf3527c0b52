// The grid's drawing helpers against the QPainter operations that do the same
// work: composition through a grey mask, composition by per-pixel alpha, and a
// vertical linear gradient. Run with the peers side by side and compare times.

#include "ColumnClasses.h"
#include "GridView.h"
#include "SharedClasses.h"

#include <QApplication>
#include <QHeaderView>
#include <QLinearGradient>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int Size = 256;

QImage target()
{
    QImage image(Size, Size, QImage::Format_RGB32);
    image.fill(qRgb(0x20, 0x40, 0x80));
    return image;
}

// A colourful picture and a mask that runs from black to white across it.
void makePicture(TBitmap& image, TBitmap& mask)
{
    for (int y = 0; y < Size; ++y) {
        uchar* i = image.ScanLine(y);
        uchar* m = mask.ScanLine(y);
        for (int x = 0; x < Size; ++x) {
            i[3 * x] = uchar(x);
            i[3 * x + 1] = uchar(y);
            i[3 * x + 2] = uchar(x ^ y);
            m[3 * x] = m[3 * x + 1] = m[3 * x + 2] = uchar(x);
        }
    }
}

void DrawMasked(benchmark::State& state)
{
    TBitmap image(Size, Size, pf24bit), mask(Size, Size, pf24bit);
    makePicture(image, mask);
    QImage canvasImage = target();
    TCanvas canvas(&canvasImage);
    for (auto _ : state) {
        TMaskProvider::DrawMasked(canvas, 0, 0, mask, image);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(DrawMasked);

// Peer: the mask already made the picture's alpha channel; only the composition is timed.
void QPainterMaskComposition(benchmark::State& state)
{
    TBitmap image(Size, Size, pf24bit), mask(Size, Size, pf24bit);
    makePicture(image, mask);
    QImage picture = image.Image().convertToFormat(QImage::Format_ARGB32);
    picture.setAlphaChannel(mask.Image().convertToFormat(QImage::Format_Grayscale8));
    picture.convertTo(QImage::Format_ARGB32_Premultiplied);
    QImage canvasImage = target();
    QPainter painter(&canvasImage);
    for (auto _ : state) {
        painter.drawImage(0, 0, picture);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(QPainterMaskComposition);

// Peer with the same inputs as DrawMasked: the mask becomes the alpha channel on every call.
void QPainterMaskFromInputs(benchmark::State& state)
{
    TBitmap image(Size, Size, pf24bit), mask(Size, Size, pf24bit);
    makePicture(image, mask);
    const QImage grey = mask.Image().convertToFormat(QImage::Format_Grayscale8);
    QImage canvasImage = target();
    QPainter painter(&canvasImage);
    for (auto _ : state) {
        QImage picture = image.Image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        picture.setAlphaChannel(grey);
        painter.drawImage(0, 0, picture);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(QPainterMaskFromInputs);

TBitmap* alphaPicture()
{
    auto* picture = new TBitmap(Size, Size, pf32bit);
    for (int y = 0; y < Size; ++y) {
        uchar* p = picture->ScanLine(y);
        for (int x = 0; x < Size; ++x) {
            p[4 * x] = uchar(x);
            p[4 * x + 1] = uchar(y);
            p[4 * x + 2] = uchar(x ^ y);
            p[4 * x + 3] = uchar((x + y) / 2);
        }
    }
    return picture;
}

void DrawAlpha(benchmark::State& state)
{
    std::unique_ptr<TBitmap> picture(alphaPicture());
    QImage canvasImage = target();
    TCanvas canvas(&canvasImage);
    for (auto _ : state) {
        TDrawProvider::DrawAlpha(canvas, 0, 0, *picture);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(DrawAlpha);

// Peer: the same straight-alpha picture drawn by QPainter (which premultiplies as it goes).
void QPainterAlphaStraight(benchmark::State& state)
{
    std::unique_ptr<TBitmap> picture(alphaPicture());
    const QImage image = picture->Image();
    QImage canvasImage = target();
    QPainter painter(&canvasImage);
    for (auto _ : state) {
        painter.drawImage(0, 0, image);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(QPainterAlphaStraight);

// Peer: a premultiplied picture, QPainter's fastest composition.
void QPainterAlphaPremultiplied(benchmark::State& state)
{
    std::unique_ptr<TBitmap> picture(alphaPicture());
    const QImage image = picture->Image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage canvasImage = target();
    QPainter painter(&canvasImage);
    for (auto _ : state) {
        painter.drawImage(0, 0, image);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(QPainterAlphaPremultiplied);

void DrawVerticalGradient(benchmark::State& state)
{
    QImage canvasImage = target();
    TCanvas canvas(&canvasImage);
    for (auto _ : state) {
        TGraphicsProvider::DrawVerticalGradient(
            canvas, Rect(0, 0, Size, Size), TColor(0x102030), TColor(0xF0E0D0));
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(DrawVerticalGradient);

// Peer: a linear gradient fill over the same rows.
void QPainterLinearGradient(benchmark::State& state)
{
    QImage canvasImage = target();
    QPainter painter(&canvasImage);
    for (auto _ : state) {
        QLinearGradient gradient(0, 0, 0, Size);
        gradient.setColorAt(0, QColor(0x30, 0x20, 0x10));
        gradient.setColorAt(1, QColor(0xD0, 0xE0, 0xF0));
        painter.fillRect(QRect(0, 0, Size, Size), gradient);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(QPainterLinearGradient);

// ---------------------------------------------------------------------------
// The grid view against Qt's QTableView over a QStandardItemModel holding the
// same texts, both the same size, with the same font, painted offscreen.

QFont gridFont()
{
    TFont font;
    font.SetName(QStringLiteral("MS Sans Serif"));
    font.SetHeight(-11);
    return font.Handle();
}

QString cellValue(int col, int row)
{
    return QStringLiteral("Hücre %1/%2").arg(row).arg(col);
}

// Rows with texts: a band around the middle row, where the views look. Every
// other row exists but holds empty texts (the model holds no item there).
constexpr int TextBand = 2000;

std::unique_ptr<TGridView> makeGrid(
    int width, int height, int columns, int rows, int textFrom, int textTo)
{
    auto grid = std::make_unique<TGridView>();
    grid->SetOptions(TGridOptions { goGrid, goHeader });
    grid->SetHeaderSize(20);
    grid->SetRowSize(20);
    grid->resize(width, height);
    for (int c = 0; c < columns; ++c) {
        auto* column = new TTextualColumn();
        column->Header().SetCaption(QStringLiteral("Sütun %1").arg(c));
        column->SetColor(clWindow);
        column->SetWidth(width / columns);
        column->SetPosition(c);
        grid->Columns()->Add(column);
    }
    grid->AppendRowsQuiet(rows);
    grid->BeginUpdate();
    for (int r = std::max(textFrom, 0); r < std::min(textTo, rows); ++r)
        for (int c = 0; c < columns; ++c)
            grid->Cell(c, r)->SetAsString(cellValue(c, r));
    grid->EndUpdate();
    grid->show();
    QCoreApplication::processEvents();
    return grid;
}

std::unique_ptr<QStandardItemModel> makeModel(int columns, int rows, int textFrom, int textTo)
{
    auto model = std::make_unique<QStandardItemModel>(rows, columns);
    for (int c = 0; c < columns; ++c)
        model->setHorizontalHeaderItem(c, new QStandardItem(QStringLiteral("Sütun %1").arg(c)));
    for (int r = std::max(textFrom, 0); r < std::min(textTo, rows); ++r)
        for (int c = 0; c < columns; ++c)
            model->setItem(r, c, new QStandardItem(cellValue(c, r)));
    return model;
}

std::unique_ptr<QTableView> makeTable(QStandardItemModel* model, int width, int height)
{
    auto view = std::make_unique<QTableView>();
    view->setFont(gridFont());
    view->setModel(model);
    view->resize(width, height);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(21);
    view->horizontalHeader()->setFixedHeight(20);
    for (int c = 0; c < model->columnCount(); ++c)
        view->setColumnWidth(c, width / model->columnCount());
    view->show();
    QCoreApplication::processEvents();
    return view;
}

constexpr int BigRows = 1000000;

void GridViewFullRepaint(benchmark::State& state)
{
    auto grid
        = makeGrid(1000, 700, 10, BigRows, BigRows / 2 - TextBand / 2, BigRows / 2 + TextBand / 2);
    grid->VertScrollBar()->SetPosition(BigRows / 2);
    grid->Update();
    for (auto _ : state) {
        grid->Invalidate();
        grid->Update();
        benchmark::DoNotOptimize(grid->Canvas().Image()->constBits());
    }
}
BENCHMARK(GridViewFullRepaint)->Unit(benchmark::kMicrosecond);

void TableViewFullRepaint(benchmark::State& state)
{
    auto model = makeModel(10, BigRows, BigRows / 2 - TextBand / 2, BigRows / 2 + TextBand / 2);
    auto view = makeTable(model.get(), 1000, 700);
    view->scrollTo(model->index(BigRows / 2, 0), QAbstractItemView::PositionAtTop);
    QImage image(1000, 700, QImage::Format_RGB32);
    for (auto _ : state) {
        view->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(TableViewFullRepaint)->Unit(benchmark::kMicrosecond);

// One line of scrolling: the view moves by a row (down, then back up) and
// paints what was uncovered; the events are processed as a running program would.
void GridViewScrollLine(benchmark::State& state)
{
    auto grid
        = makeGrid(1000, 700, 10, BigRows, BigRows / 2 - TextBand / 2, BigRows / 2 + TextBand / 2);
    grid->VertScrollBar()->SetPosition(BigRows / 2);
    QCoreApplication::processEvents();
    int step = 1;
    for (auto _ : state) {
        grid->VertScrollBar()->SetPosition(grid->VertScrollBar()->Position() + step);
        step = -step;
        QCoreApplication::processEvents();
    }
}
BENCHMARK(GridViewScrollLine)->Unit(benchmark::kMicrosecond);

void TableViewScrollLine(benchmark::State& state)
{
    auto model = makeModel(10, BigRows, BigRows / 2 - TextBand / 2, BigRows / 2 + TextBand / 2);
    auto view = makeTable(model.get(), 1000, 700);
    view->scrollTo(model->index(BigRows / 2, 0), QAbstractItemView::PositionAtTop);
    QCoreApplication::processEvents();
    QScrollBar* bar = view->verticalScrollBar();
    int step = 1;
    for (auto _ : state) {
        bar->setValue(bar->value() + step);
        step = -step;
        QCoreApplication::processEvents();
    }
}
BENCHMARK(TableViewScrollLine)->Unit(benchmark::kMicrosecond);

// One call of the call list: a row appended, five cells written under the
// update lock, and the pending repaint processed.
void GridViewAddCall(benchmark::State& state)
{
    const int rows = int(state.range(0));
    auto grid = makeGrid(532, 170, 5, rows, rows - 10, rows);
    int n = 0;
    for (auto _ : state) {
        grid->AddRows(1);
        const int row = grid->RowCount() - 1;
        grid->BeginUpdate();
        for (int c = 0; c < 5; ++c)
            grid->Cell(c, row)->SetAsString(cellValue(c, ++n));
        grid->EndUpdate();
        QCoreApplication::processEvents();
        if (grid->RowCount() > rows + 1000) {
            state.PauseTiming();
            while (grid->RowCount() > rows)
                grid->DeleteRow(grid->RowCount() - 1);
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(GridViewAddCall)->Arg(1000)->Arg(100000)->Arg(BigRows)->Unit(benchmark::kMicrosecond);

void TableViewAddCall(benchmark::State& state)
{
    const int rows = int(state.range(0));
    auto model = makeModel(5, rows, rows - 10, rows);
    auto view = makeTable(model.get(), 532, 170);
    int n = 0;
    for (auto _ : state) {
        const int row = model->rowCount();
        model->insertRow(row);
        for (int c = 0; c < 5; ++c)
            model->setData(model->index(row, c), cellValue(c, ++n));
        QCoreApplication::processEvents();
        if (model->rowCount() > rows + 1000) {
            state.PauseTiming();
            model->removeRows(rows, model->rowCount() - rows);
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(TableViewAddCall)->Arg(1000)->Arg(100000)->Arg(BigRows)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
