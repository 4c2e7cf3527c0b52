#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "Screen.h"
#include "SuiteCommon.h"
#include "SysUtils.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

class TCanvas;
class TFont;
class TGraphic;
class TCellEditor;
class TColumns;
class TCustomColumn;

// Published enumerations of the columns. Their names and order are part of the
// stored description format, so never reorder them.
enum TWrapKind : std::uint8_t { wkNone, wkEllipsis, wkWordWrap };
enum TDrawingOptions : std::uint8_t { doNormal, doBackgroundOnly, doCustom, doCustomOnly };
enum TFormulaKind : std::uint8_t { fkNone, fkAverage, fkMaximum, fkMinimum, fkSum };
enum TSortKind : std::uint8_t { skAscending, skDescending };
enum TSortType : std::uint8_t { stAlphabetic, stBoolean, stNumeric, stDate, stIP };
enum TDisplayMode : std::uint8_t { dmImageOnly, dmTextAndImage, dmTextOnly };
// Scoped: the canvas has a pen style of the same name.
enum class TProgressStyle : std::uint8_t { psSolid, psGradient, psCylinder };
enum TCompoBoxStyle : std::uint8_t { cbsDropDown, cbsDropDownList };
enum TColumnOption : std::uint8_t {
    coAutoSize,
    coCanClick,
    coCanSort,
    coEditing,
    coCanInput,
    coEditorAutoSelect,
    coFixedSize,
    coImageForIcon,
    coDontHighlight,
    coPublicUsing,
    coSearchColumn,
    coShowTextFitHint,
    coTextForCaption,
};

enum TColumnChangeKind : std::uint8_t {
    ckInputValue = 1,
    ckPosition = 2,
    ckSort = 3,
    ckAppearance = 4,
    ckVisible = 5,
    ckWidth = 6,
};

// Structural change kinds the collection reports and the value store follows.
enum TColumnsChangeKind : int {
    ColumnAdded = 0,
    ColumnDeleted = 1,
    ColumnsCleared = 2,
    ColumnInserted = 3,
    ColumnMoved = 4,
};

// The column parts as PartRect and the part painter number them.
enum TColumnPartKind : int { PartFooter = 0, PartHeader = 1, PartInput = 4 };

// Repaint areas of one column, as the grid's InvalidateColumnPart numbers them.
enum TColumnArea : int {
    AreaCells = 1,
    AreaFooter = 2,
    AreaHeader = 3,
    AreaIndicator = 4,
    AreaInput = 5,
};

// A set of enumeration values held as bits (bit n = value n), the way the stored
// description keeps option sets.
template <typename E, typename Bits> class TSet
{
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items)
    {
        for (E item : items)
            m_bits |= bit(item);
    }
    static constexpr TSet FromBits(Bits bits)
    {
        TSet s;
        s.m_bits = bits;
        return s;
    }
    constexpr Bits ToBits() const { return m_bits; }
    constexpr bool Contains(E item) const { return (m_bits & bit(item)) != 0; }
    constexpr bool Empty() const { return m_bits == 0; }
    constexpr TSet operator+(TSet other) const { return FromBits(Bits(m_bits | other.m_bits)); }
    constexpr TSet operator-(TSet other) const { return FromBits(Bits(m_bits & ~other.m_bits)); }
    constexpr TSet operator*(TSet other) const { return FromBits(Bits(m_bits & other.m_bits)); }
    constexpr TSet operator+(E item) const { return *this + TSet { item }; }
    constexpr TSet operator-(E item) const { return *this - TSet { item }; }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr Bits bit(E item) { return Bits(Bits(1) << unsigned(item)); }
    Bits m_bits = 0;
};

using TColumnOptions = TSet<TColumnOption, std::uint16_t>;

// What the columns and the value store need from the grid that holds them. The
// grid control implements it; tests implement it with a fake.
class GridHost
{
public:
    virtual ~GridHost() = default;

    virtual TColumns* Columns() const = 0;
    // True while the grid reads its stored description: positions and widths
    // then only store, and take effect when the column is added.
    virtual bool IsReading() const = 0;
    virtual bool IsDesigning() const = 0;
    // Left edge of the data area: the indicator column's width, or 0.
    virtual int DataLeft() const = 0;
    virtual int HorzOffset() const = 0;
    // Vertical extent of a band (header, footer or input line) in client
    // coordinates, bottom exclusive.
    virtual void BandExtent(TColumnPartKind part, int& top, int& bottom) const = 0;
    virtual void InvalidateColumnPart(TCustomColumn* column, TColumnArea area) = 0;
    // The collection hands the grid a way to recompute the columns' left edges,
    // for when the data area's left edge moves.
    virtual void SetColumnsLayoutCallback(std::function<void()> callback) = 0;
    // Effective colours of a cell, selection and focus included.
    virtual TColor GetCellBackColor(int col, int row) = 0;
    virtual TColor GetCellFontColor(int col, int row) = 0;
};

// ---------------------------------------------------------------------------
// Stored descriptions. A window describes each column as its class name and the
// values of its published properties in stored order; nested objects use dotted
// names ("Header.Caption", "Font.Height"). Enumerations may be given by name or
// ordinal, sets as a list of names or their bits, colours by cl-name or value.

struct StoredProperty
{
    QString Name;
    QVariant Value;
};

struct StoredColumn
{
    QString ClassName;
    QList<StoredProperty> Properties;

    StoredColumn() = default;
    explicit StoredColumn(QString className)
        : ClassName(std::move(className))
    {
    }
    StoredColumn& Set(const QString& name, const QVariant& value);
    // The value of the last property called `name`; invalid when absent.
    QVariant Value(const QString& name) const;
};

// Column classes known to the reader, by class name. The grid registers the
// classes it can load.
using ColumnFactory = std::function<TCustomColumn*(QObject* owner)>;
void RegisterColumnClass(const QString& className, ColumnFactory factory);
ColumnFactory FindColumnClass(const QString& className);

// Helpers for column classes that read and write their own settings.
namespace StoredValues {
int EnumValue(const QVariant& value, const QStringList& names, const QString& property);
QString EnumName(int value, const QStringList& names);
TColor Color(const QVariant& value, const QString& property);
QVariant ColorValue(TColor color);
int Integer(const QVariant& value, const QString& property);
bool Boolean(const QVariant& value, const QString& property);
QString Text(const QVariant& value, const QString& property);
} // namespace StoredValues

// ---------------------------------------------------------------------------

// The column's font: a Windows family name and height as the description gives
// them, mapped to an installed font when drawn.
struct ColumnFont
{
    QString Name = QStringLiteral("MS Sans Serif");
    int Height = -11;
    int Styles = 0; // Fonts::Style bits
    TColor Color = clWindowText;

    QFont ToQFont() const;
    // Makes a canvas font this font, colour included.
    void AssignTo(TFont& font) const;
    bool operator==(const ColumnFont&) const = default;
};

// The picture with every pixel of its bottom-left pixel's colour made fully transparent.
QImage KeyedTransparent(const QImage& picture);

class TColumnPart : public TPersistent
{
public:
    explicit TColumnPart(TCustomColumn* column, TColor color);

    const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TCustomColumn* Column() const { return m_column; }

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TColumnPart"); }

    std::function<void(TColumnPart* sender)> OnChange;

protected:
    void Changed();

private:
    TCustomColumn* m_column;
    QString m_caption;
    TColor m_color;
};

class TColumnHeader : public TColumnPart
{
public:
    explicit TColumnHeader(TCustomColumn* column);

    TDisplayMode DisplayMode() const { return m_displayMode; }
    void SetDisplayMode(TDisplayMode value);
    // The picture as set; the header draws it with the colour of its bottom-left
    // pixel taken as transparent.
    const QImage& Glyph() const { return m_glyph; }
    void SetGlyph(const QImage& picture);
    QImage TransparentGlyph() const;
    TColor GlyphTransparentColor() const { return m_transparentColor; }

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TColumnHeader"); }

private:
    TDisplayMode m_displayMode = dmTextOnly;
    QImage m_glyph;
    TColor m_transparentColor = clNone;
};

class TColumnFooter : public TColumnPart
{
public:
    explicit TColumnFooter(TCustomColumn* column);

    // Stored and copied only: the column's own FormulaKind picks the footer's value.
    TFormulaKind FormulaKind() const { return m_formulaKind; }
    void SetFormulaKind(TFormulaKind value);

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TColumnFooter"); }

private:
    TFormulaKind m_formulaKind = fkNone;
};

class TSlideBounds : public TPersistent
{
public:
    std::int32_t Height = 0;
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TSlideBounds"); }
};

// ---------------------------------------------------------------------------
// Painter and interaction bases. The grid loads a cell's value and geometry
// into the column's element before it draws or hands the cell over.

class TVirtualColElement
{
public:
    explicit TVirtualColElement(TCustomColumn* column)
        : Column(column)
    {
    }
    virtual ~TVirtualColElement() = default;
    TVirtualColElement(const TVirtualColElement&) = delete;
    TVirtualColElement& operator=(const TVirtualColElement&) = delete;

    bool BoolValue = false;
    TDateTime DateValue = 0;
    double FloatValue = 0;
    std::int32_t IntValue = 0;
    QString TextValue;
    std::uint8_t RightToLeft = 0;
    TCanvas* Canvas = nullptr;
    QRect CellRect;
    TCustomColumn* Column;
    TGraphic* GraphicValue = nullptr;
};

class TColumnDisplay : public TVirtualColElement
{
public:
    using TVirtualColElement::TVirtualColElement;

    bool Selected = false;
    bool Focused = false;

    // The drawing steps are defined with the painters, in Displays.cpp.

    // The cell rectangle less two pixels on the left and on the right.
    virtual void GetTextRect(QRect& rect);
    // Text by the column's alignments and wrapping, '&' drawn as itself.
    virtual void DrawCellText(const QString& text, const QRect& rect);
    // The red corner triangle of a cell with a hint.
    virtual void DrawHintMark();
    virtual void Draw() = 0;
    // Brush colour `color`; fills CellRect, or only frames it when fill is false.
    void FillBackground(TColor color, bool fill);
};

class TColumnPlay : public TVirtualColElement
{
public:
    using TVirtualColElement::TVirtualColElement;

    std::function<void(TColumnPlay* sender)> OnChange;
    QObject* Grid = nullptr;
    std::int32_t Col = -1;
    std::int32_t Row = -1;

    virtual void KeyPress(QChar key);
    // X and Y are relative to the cell's top-left corner.
    virtual void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    // Takes the value the column's painter shows and redraws the cell with it.
    virtual void Refresh();

protected:
    virtual void Changed();
};

// Draws a column's header, footer and input-line cell; one per grid (and one in
// the column drag box).
class TColumnPartDisplay
{
public:
    TColumnPartDisplay(QObject* ownerControl, TCanvas* canvas)
        : Canvas(canvas)
        , OwnerControl(ownerControl)
    {
    }
    virtual ~TColumnPartDisplay() = default;
    TColumnPartDisplay(const TColumnPartDisplay&) = delete;
    TColumnPartDisplay& operator=(const TColumnPartDisplay&) = delete;

    enum StateBit : std::uint8_t { GridFocused = 1, InputActive = 2 };

    std::uint8_t RightToLeft = 0;
    TCanvas* Canvas;
    std::uint8_t PartKind = 0;
    bool DrawBackground = true;
    std::uint8_t ShowSortArrow = 1;
    QRect Rect;
    std::uint8_t State = 0;
    QObject* OwnerControl;

    TCustomColumn* Column() const { return m_column; }
    void SetColumn(TCustomColumn* column) { m_column = column; }
    // The header shows a picture: an image display mode and a glyph with a height.
    bool HasGlyph() const;

    // Defined with the painters, in Displays.cpp.
    virtual int ContentIndent();
    virtual void DrawSortArrow(int x, int y);
    // A classic header button; place is the column's ColumnPlace.
    virtual void PaintHeaderButton(QRect rect, int place, TColor color);
    virtual void DrawHeaderButton(const QRect& rect, int place, TColor color)
    {
        PaintHeaderButton(rect, place, color);
    }
    virtual void DrawHeaderOld(const QRect& rect, TColor color);
    virtual void DrawHeaderThemed(const QRect& rect, int place, TColor color);
    virtual void DrawFooter();
    virtual void DrawHeaderContent();
    virtual void DrawInput();
    virtual void DrawPressed();
    virtual void DrawThemedCorner(const QRect& rect);
    virtual void DrawThemedFiller(const QRect& rect);
    void DrawPart(int kind);
    void DrawGridLines(TColor color);

private:
    TCustomColumn* m_column = nullptr;
};

// The in-place editors are widgets of their own unit; the column owns its
// editor and frees it through the deleter its factory supplies.
using TCellEditorPtr = std::unique_ptr<TCellEditor, void (*)(TCellEditor*)>;

// ---------------------------------------------------------------------------

class TCustomColumn : public TComponent
{
    Q_OBJECT
public:
    explicit TCustomColumn(QObject* owner = nullptr);
    ~TCustomColumn() override;

    // Published properties, in stored order.
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor value);
    const QString& DefaultValue() const { return m_defaultValue; }
    void SetDefaultValue(const QString& value) { m_defaultValue = value; }
    TDrawingOptions DrawingOptions() const { return m_drawingOptions; }
    void SetDrawingOptions(TDrawingOptions value);
    std::int32_t DefaultWidth() const { return m_defaultWidth; }
    void SetDefaultWidth(std::int32_t value) { m_defaultWidth = value; }
    const ColumnFont& Font() const { return m_font; }
    void SetFont(const ColumnFont& value);
    TColumnFooter& Footer() { return *m_footer; }
    const TColumnFooter& Footer() const { return *m_footer; }
    void SetFooter(const TColumnFooter& value);
    TFormulaKind FormulaKind() const { return m_formulaKind; }
    void SetFormulaKind(TFormulaKind value);
    TColumnHeader& Header() { return *m_header; }
    const TColumnHeader& Header() const { return *m_header; }
    void SetHeader(const TColumnHeader& value);
    const QString& InputCaption() const { return m_inputCaption; }
    void SetInputCaption(const QString& value);
    TColumnOptions Options() const { return m_options; }
    void SetOptions(TColumnOptions value);
    std::int32_t Position() const { return m_position; }
    void SetPosition(std::int32_t value);
    TSlideBounds& SlideBounds() { return *m_slideBounds; }
    const TSlideBounds& SlideBounds() const { return *m_slideBounds; }
    void SetSlideBounds(const TSlideBounds& value);
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool value);
    TSortKind SortKind() const { return m_sortKind; }
    void SetSortKind(TSortKind value);
    TSortType SortType() const { return m_sortType; }
    void SetSortType(TSortType value);
    TVerticalAlignment VerticalAlignment() const { return m_verticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool value);
    std::int32_t Width() const { return m_width; }
    void SetWidth(std::int32_t value);
    TWrapKind WrapKind() const { return m_wrapKind; }
    void SetWrapKind(TWrapKind value) { m_wrapKind = value; }

    // Unpublished state.
    std::uint8_t CellKind() const { return m_cellKind; }
    TColumns* Collection() const { return m_collection; }
    // The painter, interaction object and editor come from the class's
    // factories; they are made when first asked for, because a constructor
    // cannot reach the overrides of a subclass.
    TColumnDisplay* Display();
    TColumnPlay* Play();
    TCellEditor* Editor();
    bool Editing() const { return m_editing; }
    void SetEditing(bool value) { m_editing = value; }
    const QString& InputValue() const { return m_inputValue; }
    void SetInputValue(const QString& value);
    std::int32_t Left() const { return m_left; }
    std::int32_t VisibleIndex() const { return m_visibleIndex; }
    // Stored index of the column in its collection, -1 without one.
    int Index() const;

    // Class-specific behaviour.
    virtual TCellEditorPtr CreateEditor();
    virtual TColumnDisplay* CreateDisplay();
    virtual TColumnPlay* CreatePlay();
    virtual void SetCellKind(std::uint8_t kind) { m_cellKind = kind; }
    virtual QString FormatText(const QString& value) const { return value; }
    virtual bool AcceptsKey(QChar key) const;
    virtual void PrepareEditor() { }

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TCustomColumn"); }

    // Reads the column from its stored description. When `parent` is a grid the
    // column joins the grid's collection afterwards; any other parent reads nothing.
    void ReadState(const StoredColumn& stored, QObject* parent);
    // The stored description: every published property, in stored order.
    StoredColumn WriteState() const;

    // Rectangle of a part on the grid's client area; false for other parts or
    // without a grid.
    bool PartRect(int part, QRect& rect) const;
    // 0 the only visible column, 1 the first, 3 the last, else 2.
    int ColumnPlace() const;
    void Changed(TColumnChangeKind kind);
    void InvalidatePart(TColumnArea area);

protected:
    // Reads one stored property; false when the name is not one of this class's.
    virtual bool ReadProperty(const QString& name, const QVariant& value);
    virtual void WriteProperties(StoredColumn& stored) const;
    GridHost* Grid() const;
    bool GridReading() const;

private:
    friend class TColumns;
    void partChanged(TColumnPart*) { Changed(ckAppearance); }

    TAlignment m_alignment = taLeftJustify;
    TColor m_color = 0;
    TCursor m_cursor = 0;
    QString m_defaultValue;
    TDrawingOptions m_drawingOptions = doNormal;
    std::int32_t m_defaultWidth = 80;
    ColumnFont m_font;
    std::unique_ptr<TColumnFooter> m_footer;
    TFormulaKind m_formulaKind = fkNone;
    std::unique_ptr<TColumnHeader> m_header;
    QString m_inputCaption;
    TColumnOptions m_options = TColumnOptions::FromBits(566);
    std::int32_t m_position = -1;
    std::unique_ptr<TSlideBounds> m_slideBounds;
    bool m_sorted = false;
    TSortKind m_sortKind = skAscending;
    TSortType m_sortType = stAlphabetic;
    TVerticalAlignment m_verticalAlignment = vaMiddle;
    bool m_visible = true;
    std::int32_t m_width = 80;
    TWrapKind m_wrapKind = wkEllipsis;

    std::uint8_t m_cellKind = 7;
    TColumns* m_collection = nullptr;
    std::unique_ptr<TColumnDisplay> m_display;
    std::unique_ptr<TColumnPlay> m_play;
    TCellEditorPtr m_editor { nullptr, nullptr };
    bool m_displayMade = false;
    bool m_playMade = false;
    bool m_editorMade = false;
    bool m_editing = false;
    QString m_inputValue;
    std::int32_t m_left = 0;
    std::int32_t m_visibleIndex = -1;
};

// The columns of one grid, in stored order (the grid's column index) and in
// display order (by Position).
class TColumns : public TComponent
{
    Q_OBJECT
public:
    TColumns(QObject* owner, GridHost* grid);
    ~TColumns() override;

    GridHost* Grid() const { return m_grid; }
    int Count() const { return int(m_stored.size()); }
    TCustomColumn* Items(int index) const;
    TCustomColumn* ByPosition(int index) const;
    int IndexOf(const TCustomColumn* column) const { return int(m_stored.indexOf(column)); }
    int VisibleCount() const;
    int TotalWidth() const;

    // Takes the column over (the collection frees it) and places it among the
    // others by its Position.
    void Add(TCustomColumn* column);
    // Frees one column; the value store drops its cells.
    void Delete(int index);
    void Clear();
    void Move(int fromPosition, int toPosition);
    void UpdateLayout(bool renumberPositions);

    // Replaces the columns by those of a stored description. Classes are looked
    // up among the registered ones; the grid is expected to be reading.
    void ReadColumns(const QList<StoredColumn>& stored);
    QList<StoredColumn> WriteColumns() const;

    std::function<void(TColumns* sender, TCustomColumn* column, TColumnChangeKind kind)>
        OnColumnChanged;
    std::function<void(TColumns* sender, int kind, int index1, int index2)> OnColumnsChanged;
    std::function<void(TColumns* sender, int kind, int index1, int index2)> OnColumnsLayout;

private:
    friend class TCustomColumn;
    void structuralChange(int kind, int index1, int index2);
    void columnDestroyed(TCustomColumn* column);
    int displayIndexOf(const TCustomColumn* column) const { return int(m_display.indexOf(column)); }

    GridHost* m_grid;
    QList<TCustomColumn*> m_stored;
    QList<TCustomColumn*> m_display;
    bool m_clearing = false;
};
