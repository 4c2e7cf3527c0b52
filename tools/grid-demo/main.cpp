// A window with one grid view that shows every column class on a small
// customer list, to try the grid by hand: edit the cells (text, combo box,
// spin, date picker, check box), sort by clicking a header, add rows through
// the input line, select several rows with Shift and Ctrl, drag headers to
// move or hide columns, and switch between the report and slide layouts and
// between themed and classic drawing.
//
//   grid-demo [--slides] [--classic] [--screenshot FILE]
//
// --slides and --classic start in that layout and look; --screenshot paints
// the window once into a PNG and exits.

#include "Bitmap.h"
#include "ColumnClasses.h"
#include "GridView.h"
#include "ImgList.h"
#include "Pictures.h"
#include "SysUtils.h"
#include "ThemesSupport.h"
#include "Win1254.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>
#include <vector>

namespace {

// Stored column indexes, in the order the columns are added.
enum Col {
    ColNo,
    ColKind,
    ColPhoto,
    ColName,
    ColCity,
    ColLastCall,
    ColCalls,
    ColBalance,
    ColCollected,
    ColRating,
    ColActive,
    ColNote,
    ColCount
};

struct Customer
{
    const char* name;
    const char* city;
    Pictures::LineKind kind;
    int year, month, day;
    int calls;
    double balance;
    int collected; // per cent of the invoices paid
    int rating;
    bool active;
    const char* note;
};

const Customer customers[] = {
    { "Ayşe Yılmaz", "İstanbul", Pictures::Mobile, 2024, 3, 12, 14, 1250.50, 90, 5, true,
        "<b>Öncelikli</b> müşteri" },
    { "Mehmet Demir", "Ankara", Pictures::Work, 2024, 2, 28, 6, -320.00, 45, 3, true,
        "Ödeme <font color=#C00000>gecikmiş</font>" },
    { "Zeynep Kaya", "İzmir", Pictures::Home, 2024, 1, 9, 3, 80.25, 100, 4, false,
        "<i>Yalnızca akşam aranır</i>" },
    { "Mustafa Çelik", "Bursa", Pictures::Fax, 2023, 12, 4, 9, 2400.00, 70, 2, true,
        "Faturayı <u>faksla</u> ister" },
    { "Elif Şahin", "Antalya", Pictures::Mobile, 2024, 3, 1, 21, -45.90, 60, 5, true,
        "<b>Bayi</b>, 3 şube" },
    { "Ahmet Öztürk", "Trabzon", Pictures::Work, 2023, 11, 17, 2, 0.00, 0, 1, false,
        "<font color=#808080>Sözleşme bitti</font>" },
    { "Fatma Arslan", "Konya", Pictures::Home, 2024, 2, 14, 11, 615.40, 85, 4, true,
        "Sabah <b>09:00</b> öncesi aranmaz" },
    { "Emre Doğan", "Eskişehir", Pictures::Mobile, 2024, 3, 8, 7, 150.00, 55, 3, true,
        "<i>Yeni kayıt</i>" },
    { "Selin Aydın", "Gaziantep", Pictures::Work, 2024, 1, 30, 16, 3980.75, 95, 5, true,
        "<b>Kurumsal</b> hesap" },
    { "Burak Koç", "Kayseri", Pictures::Fax, 2023, 10, 2, 4, -1120.00, 20, 2, false,
        "Borç <font color=#C00000><b>takipte</b></font>" },
    { "Gülşen Polat", "Samsun", Pictures::Home, 2024, 2, 6, 8, 275.00, 75, 4, true,
        "Hat <u>değişikliği</u> istedi" },
    { "Can Özdemir", "Mersin", Pictures::Mobile, 2024, 3, 11, 12, 990.10, 85, 3, true,
        "Kampanyaya katıldı" },
};

const char* cities[] = { "Adana", "Ankara", "Antalya", "Bursa", "Eskişehir", "Gaziantep",
    "İstanbul", "İzmir", "Kayseri", "Konya", "Mersin", "Samsun", "Trabzon" };

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

TSlideBounds slide(int left, int top, int width, int height)
{
    TSlideBounds b;
    b.Left = left;
    b.Top = top;
    b.Width = width;
    b.Height = height;
    return b;
}

// Default options of a new column (click, sort, input, auto-select) plus `extra`.
TColumnOptions options(TColumnOptions extra)
{
    return TColumnOptions { coCanClick, coCanSort, coCanInput, coEditorAutoSelect } + extra;
}

template <typename Column>
Column* addColumn(TGridView& grid, const char* caption, int width, TAlignment alignment,
    const TSlideBounds& bounds, TColumnOptions extra = {})
{
    auto* column = new Column();
    column->Header().SetCaption(utf8(caption));
    column->SetWidth(width);
    column->SetDefaultWidth(width);
    column->SetAlignment(alignment);
    column->SetColor(clWindow);
    column->SetOptions(options(extra));
    column->SetSlideBounds(bounds);
    column->SetPosition(grid.Columns()->Count());
    grid.Columns()->Add(column);
    return column;
}

// What the window keeps alive for its grid: pictures the cells point at.
struct DemoData
{
    std::unique_ptr<TCustomImageList> lineIcons;
    std::vector<std::unique_ptr<TBitmap>> portraits;
};

void addColumns(TGridView& grid, DemoData& data)
{
    // Slides are 60 pixels high: a portrait at the left, two lines of fields beside it.
    addColumn<TIncrementColumn>(grid, "No", 30, taRightJustify, slide(4, 4, 22, 20));

    auto* kind = addColumn<TImageColumn>(grid, "Hat", 34, taCenter, slide(34, 36, 40, 20));
    data.lineIcons = std::make_unique<TCustomImageList>(nullptr, 16, 16);
    for (int k = 0; k < Pictures::LineKindCount; ++k)
        data.lineIcons->Add(Pictures::LineIcon(Pictures::LineKind(k)));
    kind->SetImages(data.lineIcons.get());

    auto* photo = addColumn<TGraphicColumn>(grid, "Foto", 40, taCenter, slide(34, 2, 40, 34));
    photo->SetMargin(2);
    photo->SetBorderWidth(0);

    auto* name = addColumn<TTextualColumn>(grid, "Ad Soyad", 120, taLeftJustify,
        slide(84, 4, 150, 20), { coEditing, coSearchColumn, coShowTextFitHint });
    name->SetInputCaption(QStringLiteral("yeni kayıt"));
    name->SetFont(ColumnFont { QStringLiteral("MS Sans Serif"), -11, 0, clWindowText });

    auto* city = addColumn<TComboBoxColumn>(
        grid, "Şehir", 88, taLeftJustify, slide(238, 4, 96, 20), { coEditing });
    QStringList cityNames;
    for (const char* c : cities)
        cityNames << utf8(c);
    city->SetItems(cityNames);
    city->SetStyle(cbsDropDownList);

    auto* lastCall = addColumn<TDateColumn>(
        grid, "Son arama", 78, taCenter, slide(338, 4, 80, 20), { coEditing });
    lastCall->SetEmptyCaption(QStringLiteral("—"));
    lastCall->SetHideWhenEmpty(true);

    auto* calls = addColumn<TNumericColumn>(
        grid, "Arama", 64, taRightJustify, slide(422, 4, 70, 20), { coEditing });
    calls->SetFormatMask("0");
    calls->SetTextAfter(QStringLiteral(" arama"));
    calls->SetMin(0);
    calls->SetMax(999);
    calls->SetFormulaKind(fkSum);

    auto* balance = addColumn<TNumericColumn>(
        grid, "Bakiye", 96, taRightJustify, slide(84, 36, 100, 20), { coEditing });
    balance->SetFormatMask("#,##0.00");
    balance->SetTextAfter(QStringLiteral(" TL"));
    balance->SetMin(-100000);
    balance->SetMax(100000);
    balance->SetFormulaKind(fkMinimum);

    auto* collected
        = addColumn<TProgressColumn>(grid, "Tahsilat", 110, taLeftJustify, slide(196, 36, 138, 20));
    collected->SetShowText(true);
    collected->SetProgressStyle(TProgressStyle::psGradient);
    collected->SetProgressColor(TColor(0x3C9A2E)); // green
    collected->SetFormulaKind(fkAverage);

    auto* rating = addColumn<TRateColumn>(grid, "Puan", 78, taCenter, slide(338, 36, 80, 20));
    rating->SetGlyph(Pictures::Star(14));
    rating->SetEmptyGlyph(Pictures::EmptyStar(14));
    rating->SetGlyphMask(Pictures::StarMask(14));
    rating->SetEmptyGlyphMask(Pictures::StarMask(14));
    rating->SetMasked(true);
    rating->SetFormulaKind(fkMaximum);

    addColumn<TCheckBoxColumn>(grid, "Aktif", 40, taCenter, slide(422, 36, 70, 20), { coEditing });

    auto* note = addColumn<THtmlColumn>(
        grid, "Not", 200, taLeftJustify, slide(500, 4, 440, 20), { coAutoSize });
    note->SetWrapKind(wkEllipsis);
}

void fillRows(TGridView& grid, DemoData& data)
{
    const QColor backgrounds[] = { QColor(214, 232, 250), QColor(250, 228, 214),
        QColor(222, 244, 222), QColor(240, 226, 248) };
    const QColor shirts[] = { QColor(40, 90, 170), QColor(190, 60, 60), QColor(60, 140, 90),
        QColor(120, 80, 160), QColor(60, 60, 70) };
    const QColor hair[]
        = { QColor(70, 45, 30), QColor(25, 20, 20), QColor(150, 100, 50), QColor(200, 160, 90) };
    const int count = int(std::size(customers));
    grid.AddRows(count);
    grid.BeginUpdate();
    for (int r = 0; r < count; ++r) {
        const Customer& c = customers[r];
        auto portrait = std::make_unique<TBitmap>();
        // The list alternates women and men.
        portrait->LoadFromImage(Pictures::Portrait(
            40, backgrounds[r % 4], shirts[r % 5], hair[(r * 3) % 4], r % 2 == 0));
        grid.Cell(ColKind, r)->SetAsInteger(c.kind);
        grid.Cell(ColPhoto, r)->SetGraphic(portrait.get());
        data.portraits.push_back(std::move(portrait));
        grid.Cell(ColName, r)->SetAsString(utf8(c.name));
        grid.Cell(ColCity, r)->SetAsString(utf8(c.city));
        grid.Cell(ColLastCall, r)
            ->SetAsDateTime(
                SysUtils::ToDateTime(QDateTime(QDate(c.year, c.month, c.day), QTime(0, 0))));
        grid.Cell(ColCalls, r)->SetAsInteger(c.calls);
        grid.Cell(ColBalance, r)->SetAsFloat(c.balance);
        grid.Cell(ColCollected, r)->SetAsInteger(c.collected);
        grid.Cell(ColRating, r)->SetAsInteger(c.rating);
        grid.Cell(ColActive, r)->SetAsBoolean(c.active);
        grid.Cell(ColNote, r)->SetAsString(utf8(c.note));
    }
    grid.Cell(ColName, 1)->SetHint(Win1254::encode(QStringLiteral("Muhasebe ile görüşülecek")));
    grid.EndUpdate();
    grid.UpdateFooters();
    grid.Invalidate();
}

QCheckBox* addSwitch(QHBoxLayout* row, const QString& text, bool on)
{
    auto* box = new QCheckBox(text);
    box->setChecked(on);
    row->addWidget(box);
    return box;
}

void addOptionSwitch(QHBoxLayout* row, TGridView* grid, const QString& text, TGridOption option)
{
    QCheckBox* box = addSwitch(row, text, grid->Options().Contains(option));
    QObject::connect(box, &QCheckBox::toggled, grid, [grid, option](bool on) {
        grid->SetOptions(on ? grid->Options() + option : grid->Options() - option);
    });
}

void deleteMarkedRows(TGridView& grid)
{
    bool any = false;
    for (int r = grid.RowCount() - 1; r >= 0; --r)
        if (grid.RowMarked(r)) {
            grid.DeleteRow(r);
            any = true;
        }
    if (!any && grid.FocusedRow() >= 0 && grid.FocusedRow() < grid.RowCount())
        grid.DeleteRow(grid.FocusedRow());
    grid.UpdateFooters();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool slides = args.contains(QStringLiteral("--slides"));
    SetClassicDrawing(args.contains(QStringLiteral("--classic")));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Grid view"));
    auto* layout = new QVBoxLayout(&window);

    auto* switches = new QHBoxLayout;
    layout->addLayout(switches);
    auto* grid = new TGridView;
    grid->setAccessibleName(QStringLiteral("Müşteriler"));
    grid->SetHeaderSize(20);
    grid->SetRowSize(22);
    grid->SetInputSize(14);
    grid->SetSlideSize(60);
    grid->SetOptions(TGridOptions { goGrid, goHeader, goIndicator, goInput, goFooter,
        goSelectFullRow, goMultiSelect, goIndicateSortedColumn, goHighlightTextSelection,
        goCanHideColumn, goUseDefaultValues, goAlwaysShowSelection });
    grid->SetSelectionMoveDirection(mdDown);
    grid->SetCaption(QStringLiteral("Kayıt yok"));
    DemoData data;
    addColumns(*grid, data);
    fillRows(*grid, data);
    grid->OnChange = [grid](TObject*, int, int) { grid->UpdateFooters(); };
    grid->SetGridStyle(slides ? gsSlides : gsReport);
    layout->addWidget(grid, 1);

    QCheckBox* slideSwitch = addSwitch(switches, QStringLiteral("Slayt görünümü"), slides);
    QObject::connect(slideSwitch, &QCheckBox::toggled, grid,
        [grid](bool on) { grid->SetGridStyle(on ? gsSlides : gsReport); });
    QCheckBox* classicSwitch
        = addSwitch(switches, QStringLiteral("Klasik çizim"), ClassicDrawing());
    QObject::connect(classicSwitch, &QCheckBox::toggled, grid, [](bool on) {
        // Every window hears of the change and repaints in the new look.
        SetClassicDrawing(on);
    });
    addOptionSwitch(switches, grid, QStringLiteral("Gösterge"), goIndicator);
    addOptionSwitch(switches, grid, QStringLiteral("Giriş satırı"), goInput);
    addOptionSwitch(switches, grid, QStringLiteral("Alt satır"), goFooter);
    addOptionSwitch(switches, grid, QStringLiteral("Çizgiler"), goGrid);
    switches->addStretch(1);

    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Satır ekle"));
    QObject::connect(add, &QPushButton::clicked, grid, [grid] {
        grid->AddRows(1);
        grid->FocusRow(grid->RowCount() - 1);
        grid->UpdateFooters();
    });
    auto* remove = new QPushButton(QStringLiteral("Seçili satırları sil"));
    QObject::connect(remove, &QPushButton::clicked, grid, [grid] { deleteMarkedRows(*grid); });
    auto* clear = new QPushButton(QStringLiteral("Listeyi temizle"));
    QObject::connect(clear, &QPushButton::clicked, grid, [grid] {
        grid->Clear();
        grid->UpdateFooters();
    });
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    auto* legend = new QLabel(QStringLiteral(
        "Alt satır: arama toplamı, en düşük bakiye, ortalama tahsilat, en yüksek puan."));
    legend->setEnabled(false);
    buttons->addWidget(legend);
    layout->addLayout(buttons);

    window.resize(1000, 460);
    window.show();

    const qsizetype at = args.indexOf(QStringLiteral("--screenshot"));
    if (at >= 0 && at + 1 < args.size()) {
        QCoreApplication::processEvents();
        return window.grab().save(args.at(at + 1)) ? 0 : 1;
    }
    return app.exec();
}
