// A window with a grid view to try it by hand: the call list of the main
// window, with buttons that add calls, clear the list and switch some options.
// `grid-demo --screenshot FILE` paints the window once into a PNG and exits.

#include "ColumnClasses.h"
#include "GridView.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTime>
#include <QVBoxLayout>
#include <QWidget>

namespace {

struct ColumnSpec
{
    const char* caption;
    int position;
    int width;
    TSortKind sortKind;
};

void addColumns(TGridView& grid)
{
    // Stored in the order the device reports the values; shown by Position.
    const ColumnSpec specs[] = {
        { "Saat", 2, 96, skAscending },
        { "Cihaz seri no.", 3, 116, skAscending },
        { "Çağrı sıra no", 4, 101, skAscending },
        { "Hat no.", 0, 69, skDescending },
        { "Arayan numara", 1, 128, skAscending },
    };
    QList<StoredColumn> stored;
    for (const ColumnSpec& s : specs) {
        StoredColumn c(QStringLiteral("TTextualColumn"));
        c.Set(QStringLiteral("Alignment"), QStringLiteral("taCenter"))
            .Set(QStringLiteral("Color"), QStringLiteral("clWindow"))
            .Set(QStringLiteral("Header.Caption"), QString::fromUtf8(s.caption))
            .Set(QStringLiteral("Options"),
                QStringLiteral("[coAutoSize, coCanClick, coCanSort, coSearchColumn, "
                               "coShowTextFitHint]"))
            .Set(QStringLiteral("Position"), s.position)
            .Set(QStringLiteral("SortKind"), int(s.sortKind))
            .Set(QStringLiteral("Width"), s.width)
            .Set(QStringLiteral("DefaultWidth"), s.width);
        stored.append(c);
    }
    grid.LoadColumns(stored);
}

void addCall(TGridView& grid, int number)
{
    grid.AddRows(1);
    const int row = grid.RowCount() - 1;
    grid.BeginUpdate();
    grid.Cell(0, row)->SetAsString(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    grid.Cell(1, row)->SetAsString(QStringLiteral("XL%1").arg(1000 + number % 3));
    grid.Cell(2, row)->SetAsString(QString::number(number));
    grid.Cell(3, row)->SetAsString(QString::number(number % 4 + 1));
    grid.Cell(4, row)->SetAsString(
        QStringLiteral("0212555%1").arg(number, 4, 10, QLatin1Char('0')));
    grid.EndUpdate();
}

void addOption(QHBoxLayout* row, TGridView* grid, const QString& text, TGridOption option)
{
    auto* box = new QCheckBox(text);
    box->setChecked(grid->Options().Contains(option));
    QObject::connect(box, &QCheckBox::toggled, grid, [grid, option](bool on) {
        grid->SetOptions(on ? grid->Options() + option : grid->Options() - option);
    });
    row->addWidget(box);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Grid view"));
    auto* layout = new QVBoxLayout(&window);
    auto* grid = new TGridView;
    grid->SetHeaderSize(20);
    grid->SetRowSize(20);
    grid->SetOptions(TGridOptions { goGrid, goHeader, goSelectFullRow, goMultiSelect });
    grid->setMinimumSize(532, 170);
    addColumns(*grid);
    int calls = 0;
    for (; calls < 12; ++calls)
        addCall(*grid, calls + 1);
    layout->addWidget(grid, 1);

    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Arama ekle"));
    QObject::connect(add, &QPushButton::clicked, grid, [grid, &calls] { addCall(*grid, ++calls); });
    auto* clear = new QPushButton(QStringLiteral("Listeyi sil"));
    QObject::connect(clear, &QPushButton::clicked, grid, [grid] { grid->Clear(); });
    buttons->addWidget(add);
    buttons->addWidget(clear);
    layout->addLayout(buttons);
    auto* options = new QHBoxLayout;
    addOption(options, grid, QStringLiteral("Indicator"), goIndicator);
    addOption(options, grid, QStringLiteral("Footer"), goFooter);
    addOption(options, grid, QStringLiteral("Column moving off"), goDissableColumnMoving);
    addOption(options, grid, QStringLiteral("Full row"), goSelectFullRow);
    layout->addLayout(options);
    window.resize(600, 320);
    window.show();

    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--screenshot"));
    if (at >= 0 && at + 1 < args.size()) {
        QCoreApplication::processEvents();
        return window.grab().save(args.at(at + 1)) ? 0 : 1;
    }
    return app.exec();
}
