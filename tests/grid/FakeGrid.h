#pragma once

#include "CellClasses.h"
#include "Cells.h"
#include "ColumnClasses.h"
#include "Columns.h"

#include <QList>
#include <QObject>

#include <memory>

// Stands in for the grid control: holds a column collection and a value store,
// wires them together as the grid does, and records what reaches it.
class FakeGrid : public QObject, public GridHost
{
public:
    struct ColumnReport
    {
        TCustomColumn* column;
        TColumnChangeKind kind;
    };
    struct CellReport
    {
        int col;
        int row;
    };

    FakeGrid()
    {
        columns = new TColumns(this, this);
        cells = std::make_unique<TCells>(this, columns);
        columns->OnColumnChanged
            = [this](TColumns*, TCustomColumn* column, TColumnChangeKind kind) {
                  columnReports.append({ column, kind });
              };
        columns->OnColumnsChanged = [this](TColumns*, int kind, int index1, int index2) {
            cells->ColumnsChanged(kind, index1, index2);
        };
        columns->OnColumnsLayout
            = [this](TColumns*, int kind, int, int) { layoutKinds.append(kind); };
        cells->OnChange = [this](TCells*, int col, int row) { cellReports.append({ col, row }); };
    }
    ~FakeGrid() override
    {
        // The store goes before the columns, as in the grid.
        cells.reset();
    }

    // Reads stored columns as a form load does.
    void Load(const QList<StoredColumn>& stored)
    {
        reading = true;
        try {
            columns->ReadColumns(stored);
        } catch (...) {
            reading = false;
            throw;
        }
        reading = false;
    }

    TColumns* Columns() const override { return columns; }
    bool IsReading() const override { return reading; }
    bool IsDesigning() const override { return designing; }
    int DataLeft() const override { return indicator ? 12 : 0; }
    int HorzOffset() const override { return horzOffset; }
    void BandExtent(TColumnPartKind part, int& top, int& bottom) const override
    {
        switch (part) {
        case PartHeader:
            top = 0;
            bottom = 20;
            break;
        case PartInput:
            top = 20;
            bottom = 39;
            break;
        case PartFooter:
            top = 126;
            bottom = 150;
            break;
        }
    }
    void InvalidateColumnPart(TCustomColumn* column, TColumnArea area) override
    {
        invalidated.append({ column, TColumnChangeKind(area) });
    }
    void SetColumnsLayoutCallback(std::function<void()> callback) override
    {
        layoutCallback = std::move(callback);
    }
    TColor GetCellBackColor(int, int) override { return clHighlight; }
    TColor GetCellFontColor(int, int) override { return clHighlightText; }

    TColumns* columns;
    std::unique_ptr<TCells> cells;
    bool reading = false;
    bool designing = false;
    bool indicator = false;
    int horzOffset = 0;
    std::function<void()> layoutCallback;
    QList<ColumnReport> columnReports;
    QList<ColumnReport> invalidated;
    QList<int> layoutKinds;
    QList<CellReport> cellReports;
};

// The call list of the main window as its stored description gives it.
inline QList<StoredColumn> CallListColumns()
{
    struct Column
    {
        const char* caption;
        int position;
        int width;
        const char* sortKind;
    };
    const Column columnsInStoredOrder[] = {
        { "Saat", 2, 96, "skAscending" },
        { "Cihaz seri no.", 3, 116, "skAscending" },
        { "Çağrı sıra no", 4, 101, "skAscending" },
        { "Hat no.", 0, 69, "skDescending" },
        { "Arayan numara", 1, 128, "skAscending" },
    };
    QList<StoredColumn> out;
    for (const Column& s : columnsInStoredOrder) {
        StoredColumn c(QStringLiteral("TTextualColumn"));
        c.Set(QStringLiteral("Alignment"), QStringLiteral("taCenter"))
            .Set(QStringLiteral("Color"), QStringLiteral("clWindow"))
            .Set(QStringLiteral("Cursor"), 0)
            .Set(QStringLiteral("DrawingOptions"), QStringLiteral("doNormal"))
            .Set(QStringLiteral("DefaultWidth"), s.width)
            .Set(QStringLiteral("Font.Color"), QStringLiteral("clWindowText"))
            .Set(QStringLiteral("Font.Height"), -11)
            .Set(QStringLiteral("Font.Name"), QStringLiteral("MS Sans Serif"))
            .Set(QStringLiteral("Font.Style"), QStringList())
            .Set(QStringLiteral("Footer.Color"), QStringLiteral("clWindow"))
            .Set(QStringLiteral("Footer.FormulaKind"), QStringLiteral("fkNone"))
            .Set(QStringLiteral("FormulaKind"), QStringLiteral("fkNone"))
            .Set(QStringLiteral("Header.Caption"), QString::fromUtf8(s.caption))
            .Set(QStringLiteral("Header.Color"), QStringLiteral("clBtnFace"))
            .Set(QStringLiteral("Header.DisplayMode"), QStringLiteral("dmTextOnly"))
            .Set(QStringLiteral("Options"),
                QStringLiteral("[coAutoSize, coCanInput, coDontHighlight, coPublicUsing]"))
            .Set(QStringLiteral("Position"), s.position)
            .Set(QStringLiteral("SlideBounds.Height"), 0)
            .Set(QStringLiteral("SlideBounds.Left"), 0)
            .Set(QStringLiteral("SlideBounds.Top"), 0)
            .Set(QStringLiteral("SlideBounds.Width"), 0)
            .Set(QStringLiteral("Sorted"), false)
            .Set(QStringLiteral("SortKind"), QString::fromLatin1(s.sortKind))
            .Set(QStringLiteral("SortType"), QStringLiteral("stAlphabetic"))
            .Set(QStringLiteral("VerticalAlignment"), QStringLiteral("vaMiddle"))
            .Set(QStringLiteral("Visible"), true)
            .Set(QStringLiteral("Width"), s.width)
            .Set(QStringLiteral("WrapKind"), QStringLiteral("wkEllipsis"))
            .Set(QStringLiteral("AutoExecute"), true);
        out.append(c);
    }
    return out;
}

inline QStringList DisplayCaptions(const TColumns& columns)
{
    QStringList out;
    for (int i = 0; i < columns.Count(); ++i)
        out.append(columns.ByPosition(i)->Header().Caption());
    return out;
}

// A list of texts written as UTF-8 literals.
inline QStringList Texts(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts)
        out.append(QString::fromUtf8(t));
    return out;
}
