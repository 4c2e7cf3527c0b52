#include "Columns.h"

#include "Canvas.h"
#include "Fonts.h"

#include <QHash>

#include <algorithm>

namespace {

QString listIndexError(int index)
{
    return QStringLiteral("List index out of bounds (%1)").arg(index);
}

const QStringList& alignmentNames()
{
    static const QStringList n { QStringLiteral("taLeftJustify"), QStringLiteral("taRightJustify"),
        QStringLiteral("taCenter") };
    return n;
}
const QStringList& verticalAlignmentNames()
{
    static const QStringList n { QStringLiteral("vaTop"), QStringLiteral("vaMiddle"),
        QStringLiteral("vaBottom") };
    return n;
}
const QStringList& wrapKindNames()
{
    static const QStringList n { QStringLiteral("wkNone"), QStringLiteral("wkEllipsis"),
        QStringLiteral("wkWordWrap") };
    return n;
}
const QStringList& drawingOptionsNames()
{
    static const QStringList n { QStringLiteral("doNormal"), QStringLiteral("doBackgroundOnly"),
        QStringLiteral("doCustom"), QStringLiteral("doCustomOnly") };
    return n;
}
const QStringList& formulaKindNames()
{
    static const QStringList n { QStringLiteral("fkNone"), QStringLiteral("fkAverage"),
        QStringLiteral("fkMaximum"), QStringLiteral("fkMinimum"), QStringLiteral("fkSum") };
    return n;
}
const QStringList& sortKindNames()
{
    static const QStringList n { QStringLiteral("skAscending"), QStringLiteral("skDescending") };
    return n;
}
const QStringList& sortTypeNames()
{
    static const QStringList n { QStringLiteral("stAlphabetic"), QStringLiteral("stBoolean"),
        QStringLiteral("stNumeric"), QStringLiteral("stDate"), QStringLiteral("stIP") };
    return n;
}
const QStringList& displayModeNames()
{
    static const QStringList n { QStringLiteral("dmImageOnly"), QStringLiteral("dmTextAndImage"),
        QStringLiteral("dmTextOnly") };
    return n;
}
const QStringList& columnOptionNames()
{
    static const QStringList n { QStringLiteral("coAutoSize"), QStringLiteral("coCanClick"),
        QStringLiteral("coCanSort"), QStringLiteral("coEditing"), QStringLiteral("coCanInput"),
        QStringLiteral("coEditorAutoSelect"), QStringLiteral("coFixedSize"),
        QStringLiteral("coImageForIcon"), QStringLiteral("coDontHighlight"),
        QStringLiteral("coPublicUsing"), QStringLiteral("coSearchColumn"),
        QStringLiteral("coShowTextFitHint"), QStringLiteral("coTextForCaption") };
    return n;
}
const QStringList& fontStyleNames()
{
    // Bit n of the style set, as Fonts::Style numbers them.
    static const QStringList n { QStringLiteral("fsBold"), QStringLiteral("fsItalic"),
        QStringLiteral("fsUnderline") };
    return n;
}

struct NamedColor
{
    const char* name;
    TColor color;
};

const NamedColor namedColors[] = {
    { "clBlack", clBlack },
    { "clMaroon", clMaroon },
    { "clGreen", clGreen },
    { "clOlive", clOlive },
    { "clNavy", clNavy },
    { "clPurple", clPurple },
    { "clTeal", clTeal },
    { "clGray", clGray },
    { "clSilver", clSilver },
    { "clRed", clRed },
    { "clLime", clLime },
    { "clYellow", clYellow },
    { "clBlue", clBlue },
    { "clFuchsia", clFuchsia },
    { "clAqua", clAqua },
    { "clWhite", clWhite },
    { "clNone", clNone },
    { "clDefault", clDefault },
    { "clScrollBar", clScrollBar },
    { "clBackground", clBackground },
    { "clActiveCaption", clActiveCaption },
    { "clInactiveCaption", clInactiveCaption },
    { "clMenu", clMenu },
    { "clWindow", clWindow },
    { "clWindowFrame", clWindowFrame },
    { "clMenuText", clMenuText },
    { "clWindowText", clWindowText },
    { "clCaptionText", clCaptionText },
    { "clActiveBorder", clActiveBorder },
    { "clInactiveBorder", clInactiveBorder },
    { "clAppWorkSpace", clAppWorkSpace },
    { "clHighlight", clHighlight },
    { "clHighlightText", clHighlightText },
    { "clBtnFace", clBtnFace },
    { "clBtnShadow", clBtnShadow },
    { "clGrayText", clGrayText },
    { "clBtnText", clBtnText },
    { "clInactiveCaptionText", clInactiveCaptionText },
    { "clBtnHighlight", clBtnHighlight },
    { "cl3DDkShadow", cl3DDkShadow },
    { "cl3DLight", cl3DLight },
    { "clInfoText", clInfoText },
    { "clInfoBk", clInfoBk },
    { "clHotLight", clHotLight },
    { "clGradientActiveCaption", clGradientActiveCaption },
    { "clGradientInactiveCaption", clGradientInactiveCaption },
    { "clMenuHighlight", clMenuHighlight },
    { "clMenuBar", clMenuBar },
};

EConvertError badValue(const QVariant& value, const QString& property)
{
    return EConvertError(
        QStringLiteral("Invalid property value '%1' for %2").arg(value.toString(), property));
}

// "[a, b]", "a,b" or a list of names.
QStringList nameList(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    QString text = value.toString().trimmed();
    if (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
        text = text.mid(1, text.size() - 2);
    QStringList names;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

int setBits(const QVariant& value, const QStringList& names, const QString& property)
{
    if (isNumber(value))
        return StoredValues::Integer(value, property);
    int bits = 0;
    for (const QString& name : nameList(value)) {
        const int index = int(names.indexOf(name));
        if (index < 0)
            throw badValue(value, property);
        bits |= 1 << index;
    }
    return bits;
}

QStringList setNames(int bits, const QStringList& names)
{
    QStringList out;
    for (int i = 0; i < names.size(); ++i)
        if (bits & (1 << i))
            out.append(names.at(i));
    return out;
}

QHash<QString, ColumnFactory>& columnClasses()
{
    static QHash<QString, ColumnFactory> classes;
    return classes;
}

} // namespace

// ---------------------------------------------------------------------------

StoredColumn& StoredColumn::Set(const QString& name, const QVariant& value)
{
    Properties.append({ name, value });
    return *this;
}

QVariant StoredColumn::Value(const QString& name) const
{
    for (auto it = Properties.crbegin(); it != Properties.crend(); ++it)
        if (it->Name == name)
            return it->Value;
    return {};
}

void RegisterColumnClass(const QString& className, ColumnFactory factory)
{
    columnClasses().insert(className, std::move(factory));
}

ColumnFactory FindColumnClass(const QString& className)
{
    return columnClasses().value(className);
}

namespace StoredValues {

int EnumValue(const QVariant& value, const QStringList& names, const QString& property)
{
    if (isNumber(value)) {
        const int v = Integer(value, property);
        if (v < 0 || v >= names.size())
            throw badValue(value, property);
        return v;
    }
    const int index = int(names.indexOf(value.toString().trimmed()));
    if (index < 0)
        throw badValue(value, property);
    return index;
}

QString EnumName(int value, const QStringList& names)
{
    return names.value(value);
}

TColor Color(const QVariant& value, const QString& property)
{
    if (isNumber(value)) {
        bool ok = false;
        const qlonglong v = value.toLongLong(&ok);
        if (!ok || v < std::numeric_limits<std::int32_t>::min() || v > 0xFFFFFFFFll)
            throw badValue(value, property);
        return static_cast<TColor>(static_cast<std::uint32_t>(v));
    }
    const QString name = value.toString().trimmed();
    for (const NamedColor& c : namedColors)
        if (name == QLatin1String(c.name))
            return c.color;
    bool ok = false;
    const qlonglong v = name.toLongLong(&ok, 0);
    if (!ok)
        throw badValue(value, property);
    return static_cast<TColor>(static_cast<std::uint32_t>(v));
}

QVariant ColorValue(TColor color)
{
    for (const NamedColor& c : namedColors)
        if (c.color == color)
            return QString::fromLatin1(c.name);
    return color;
}

int Integer(const QVariant& value, const QString& property)
{
    bool ok = false;
    const qlonglong v = value.toLongLong(&ok);
    if (!ok || v < std::numeric_limits<std::int32_t>::min()
        || v > std::numeric_limits<std::int32_t>::max())
        throw badValue(value, property);
    return int(v);
}

bool Boolean(const QVariant& value, const QString& property)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    throw badValue(value, property);
}

QString Text(const QVariant& value, const QString& property)
{
    if (!value.canConvert<QString>())
        throw badValue(value, property);
    return value.toString();
}

} // namespace StoredValues

QFont ColumnFont::ToQFont() const
{
    return Fonts::Make(Name, Height, Styles);
}

void ColumnFont::AssignTo(TFont& font) const
{
    font.SetName(Name);
    font.SetHeight(Height);
    font.SetStyle(Styles);
    font.SetColor(Color);
}

// ---------------------------------------------------------------------------

TColumnPart::TColumnPart(TCustomColumn* column, TColor color)
    : m_column(column)
    , m_color(color)
{
}

void TColumnPart::SetCaption(const QString& value)
{
    m_caption = value;
    Changed();
}

void TColumnPart::SetColor(TColor value)
{
    m_color = value;
    Changed();
}

void TColumnPart::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TColumnPart::Assign(const TPersistent* source)
{
    if (const auto* part = dynamic_cast<const TColumnPart*>(source)) {
        m_caption = part->m_caption;
        m_color = part->m_color;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

TColumnHeader::TColumnHeader(TCustomColumn* column)
    : TColumnPart(column, clBtnFace)
{
}

void TColumnHeader::SetDisplayMode(TDisplayMode value)
{
    m_displayMode = value;
    Changed();
}

void TColumnHeader::SetGlyph(const QImage& picture)
{
    m_glyph = picture;
    // The bottom-left pixel names the colour that shows the background through.
    m_transparentColor
        = m_glyph.isNull() ? clNone : FromQColor(m_glyph.pixelColor(0, m_glyph.height() - 1));
    Changed();
}

QImage KeyedTransparent(const QImage& picture)
{
    if (picture.isNull())
        return {};
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = picture.pixel(0, picture.height() - 1) | 0xFF000000u;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] | 0xFF000000u) == key)
                line[x] = 0;
    }
    return out;
}

QImage TColumnHeader::TransparentGlyph() const
{
    return KeyedTransparent(m_glyph);
}

void TColumnHeader::Assign(const TPersistent* source)
{
    if (const auto* header = dynamic_cast<const TColumnHeader*>(source)) {
        m_displayMode = header->m_displayMode;
        m_glyph = header->m_glyph;
        m_transparentColor = header->m_transparentColor;
    }
    TColumnPart::Assign(source);
}

TColumnFooter::TColumnFooter(TCustomColumn* column)
    : TColumnPart(column, clWindow)
{
}

void TColumnFooter::SetFormulaKind(TFormulaKind value)
{
    m_formulaKind = value;
    Changed();
}

void TColumnFooter::Assign(const TPersistent* source)
{
    if (const auto* footer = dynamic_cast<const TColumnFooter*>(source))
        m_formulaKind = footer->m_formulaKind;
    TColumnPart::Assign(source);
}

void TSlideBounds::Assign(const TPersistent* source)
{
    if (const auto* bounds = dynamic_cast<const TSlideBounds*>(source)) {
        Height = bounds->Height;
        Left = bounds->Left;
        Top = bounds->Top;
        Width = bounds->Width;
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------

void TColumnDisplay::GetTextRect(QRect& rect)
{
    rect = CellRect.adjusted(2, 0, -2, 0);
}

void TColumnPlay::KeyPress(QChar) { }

void TColumnPlay::MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) { }

void TColumnPlay::Refresh()
{
    TColumnDisplay* display = Column ? Column->Display() : nullptr;
    if (!display)
        return;
    BoolValue = display->BoolValue;
    display->Draw();
}

void TColumnPlay::Changed()
{
    if (OnChange)
        OnChange(this);
}

bool TColumnPartDisplay::HasGlyph() const
{
    if (!m_column)
        return false;
    const TColumnHeader& header = m_column->Header();
    return (header.DisplayMode() == dmImageOnly || header.DisplayMode() == dmTextAndImage)
        && header.Glyph().height() > 0;
}

// ---------------------------------------------------------------------------

TCustomColumn::TCustomColumn(QObject* owner)
    : TComponent(owner)
    , m_footer(std::make_unique<TColumnFooter>(this))
    , m_header(std::make_unique<TColumnHeader>(this))
    , m_slideBounds(std::make_unique<TSlideBounds>())
{
    m_footer->OnChange = [this](TColumnPart* part) { partChanged(part); };
    m_header->OnChange = [this](TColumnPart* part) { partChanged(part); };
    SetCellKind(7);
}

TCustomColumn::~TCustomColumn()
{
    // A column freed on its own must not stay behind in its collection.
    if (m_collection)
        m_collection->columnDestroyed(this);
}

TColumnDisplay* TCustomColumn::Display()
{
    if (!m_displayMade) {
        m_displayMade = true;
        m_display.reset(CreateDisplay());
    }
    return m_display.get();
}

TColumnPlay* TCustomColumn::Play()
{
    if (!m_playMade) {
        m_playMade = true;
        m_play.reset(CreatePlay());
    }
    return m_play.get();
}

TCellEditor* TCustomColumn::Editor()
{
    if (!m_editorMade) {
        m_editorMade = true;
        m_editor = CreateEditor();
    }
    return m_editor.get();
}

TCellEditorPtr TCustomColumn::CreateEditor()
{
    return { nullptr, [](TCellEditor*) {} };
}

TColumnDisplay* TCustomColumn::CreateDisplay()
{
    return nullptr;
}

TColumnPlay* TCustomColumn::CreatePlay()
{
    return nullptr;
}

bool TCustomColumn::AcceptsKey(QChar) const
{
    return false;
}

int TCustomColumn::Index() const
{
    return m_collection ? m_collection->IndexOf(this) : -1;
}

GridHost* TCustomColumn::Grid() const
{
    return m_collection ? m_collection->Grid() : nullptr;
}

bool TCustomColumn::GridReading() const
{
    GridHost* grid = Grid();
    return grid && grid->IsReading();
}

void TCustomColumn::Changed(TColumnChangeKind kind)
{
    if (m_collection && m_collection->OnColumnChanged)
        m_collection->OnColumnChanged(m_collection, this, kind);
}

void TCustomColumn::InvalidatePart(TColumnArea area)
{
    if (GridHost* grid = Grid())
        grid->InvalidateColumnPart(this, area);
}

void TCustomColumn::SetAlignment(TAlignment value)
{
    m_alignment = value;
    Changed(ckAppearance);
}

void TCustomColumn::SetColor(TColor value)
{
    m_color = value;
    Changed(ckAppearance);
}

void TCustomColumn::SetCursor(TCursor value)
{
    m_cursor = value;
    Changed(ckAppearance);
}

void TCustomColumn::SetDrawingOptions(TDrawingOptions value)
{
    m_drawingOptions = value;
    Changed(ckAppearance);
}

void TCustomColumn::SetFont(const ColumnFont& value)
{
    m_font = value;
    Changed(ckAppearance);
}

void TCustomColumn::SetFooter(const TColumnFooter& value)
{
    m_footer->Assign(&value);
}

void TCustomColumn::SetFormulaKind(TFormulaKind value)
{
    m_formulaKind = value;
    Changed(ckAppearance);
}

void TCustomColumn::SetHeader(const TColumnHeader& value)
{
    m_header->Assign(&value);
}

void TCustomColumn::SetInputCaption(const QString& value)
{
    m_inputCaption = value;
    Changed(ckAppearance);
}

void TCustomColumn::SetInputValue(const QString& value)
{
    m_inputValue = value;
    Changed(ckInputValue);
}

void TCustomColumn::SetOptions(TColumnOptions value)
{
    // At most one column of a collection is searched by typing.
    if (m_collection && value.Contains(coSearchColumn) && !m_options.Contains(coSearchColumn)) {
        for (TCustomColumn* other : std::as_const(m_collection->m_stored))
            if (other != this)
                other->SetOptions(other->Options() - coSearchColumn);
    }
    m_options = value;
    Changed(ckAppearance);
}

void TCustomColumn::SetPosition(std::int32_t value)
{
    if (m_collection && !GridReading()) {
        // Moved from where it actually stands: stored positions need not be
        // its display index until the first renumbering.
        const int from = m_collection->displayIndexOf(this);
        if (from >= 0) {
            m_collection->Move(from, value);
            Changed(ckPosition);
        }
    }
    m_position = value;
}

void TCustomColumn::SetSlideBounds(const TSlideBounds& value)
{
    m_slideBounds->Assign(&value);
    Changed(ckAppearance);
}

void TCustomColumn::SetSorted(bool value)
{
    if (value && !m_sorted && m_collection) {
        for (TCustomColumn* other : std::as_const(m_collection->m_stored))
            other->m_sorted = false;
    }
    m_sorted = value;
    Changed(ckSort);
}

void TCustomColumn::SetSortKind(TSortKind value)
{
    m_sortKind = value;
    Changed(ckSort);
}

void TCustomColumn::SetSortType(TSortType value)
{
    m_sortType = value;
    Changed(ckSort);
}

void TCustomColumn::SetVerticalAlignment(TVerticalAlignment value)
{
    m_verticalAlignment = value;
    Changed(ckAppearance);
}

void TCustomColumn::SetVisible(bool value)
{
    m_visible = value;
    if (m_collection)
        m_collection->UpdateLayout(false);
    Changed(ckVisible);
}

void TCustomColumn::SetWidth(std::int32_t value)
{
    m_width = std::max<std::int32_t>(value, 8);
    if (m_collection && !GridReading())
        m_collection->UpdateLayout(false);
    Changed(ckWidth);
    GridHost* grid = Grid();
    const bool designing = grid ? grid->IsDesigning() : ComponentState().testFlag(csDesigning);
    if (designing)
        m_defaultWidth = m_width;
}

void TCustomColumn::Assign(const TPersistent* source)
{
    const auto* column = dynamic_cast<const TCustomColumn*>(source);
    if (!column) {
        TComponent::Assign(source);
        return;
    }
    SetAlignment(column->m_alignment);
    SetColor(column->m_color);
    SetCursor(column->m_cursor);
    SetDefaultValue(column->m_defaultValue);
    SetDrawingOptions(column->m_drawingOptions);
    SetFont(column->m_font);
    SetFooter(*column->m_footer);
    SetHeader(*column->m_header);
    SetInputCaption(column->m_inputCaption);
    SetInputValue(column->m_inputValue);
    SetOptions(column->m_options);
    SetPosition(column->m_position);
    SetSlideBounds(*column->m_slideBounds);
    SetSorted(column->m_sorted);
    SetSortKind(column->m_sortKind);
    SetVerticalAlignment(column->m_verticalAlignment);
    SetVisible(column->m_visible);
    SetWidth(column->m_width);
    SetWrapKind(column->m_wrapKind);
}

int TCustomColumn::ColumnPlace() const
{
    const int visibleCount = m_collection ? m_collection->VisibleCount() : (m_visible ? 1 : 0);
    if (m_visibleIndex == 0 && visibleCount == 1)
        return 0;
    if (m_visibleIndex == 0)
        return 1;
    if (m_visibleIndex >= 0 && m_visibleIndex + 1 == visibleCount)
        return 3;
    return 2;
}

bool TCustomColumn::PartRect(int part, QRect& rect) const
{
    GridHost* grid = Grid();
    if (!grid)
        return false;
    int top = 0;
    int bottom = 0;
    switch (part) {
    case PartHeader:
        grid->BandExtent(PartHeader, top, bottom);
        break;
    case PartFooter:
        grid->BandExtent(PartFooter, top, bottom);
        top += 4;
        break;
    case PartInput:
        grid->BandExtent(PartInput, top, bottom);
        bottom -= 6;
        break;
    default:
        return false;
    }
    rect = QRect(m_left - grid->HorzOffset(), top, m_width, bottom - top);
    return true;
}

// ---------------------------------------------------------------------------
// Stored description

void TCustomColumn::ReadState(const StoredColumn& stored, QObject* parent)
{
    auto* grid = dynamic_cast<GridHost*>(parent);
    if (!grid || !grid->Columns())
        return;
    TColumns* columns = grid->Columns();
    m_collection = columns;
    try {
        for (const StoredProperty& property : stored.Properties) {
            if (!ReadProperty(property.Name, property.Value))
                throw EConvertError(
                    QStringLiteral("Error reading %1.%2: Property %2 does not exist")
                        .arg(stored.ClassName, property.Name));
        }
    } catch (...) {
        m_collection = nullptr;
        throw;
    }
    m_collection = nullptr;
    columns->Add(this);
}

bool TCustomColumn::ReadProperty(const QString& name, const QVariant& value)
{
    using namespace StoredValues;
    if (name == QLatin1String("Alignment"))
        SetAlignment(TAlignment(EnumValue(value, alignmentNames(), name)));
    else if (name == QLatin1String("Color"))
        SetColor(StoredValues::Color(value, name));
    else if (name == QLatin1String("Cursor"))
        SetCursor(TCursor(Integer(value, name)));
    else if (name == QLatin1String("DefaultValue"))
        SetDefaultValue(Text(value, name));
    else if (name == QLatin1String("DrawingOptions"))
        SetDrawingOptions(TDrawingOptions(EnumValue(value, drawingOptionsNames(), name)));
    else if (name == QLatin1String("DefaultWidth"))
        SetDefaultWidth(Integer(value, name));
    else if (name.startsWith(QLatin1String("Font."))) {
        ColumnFont font = m_font;
        if (name == QLatin1String("Font.Name"))
            font.Name = Text(value, name);
        else if (name == QLatin1String("Font.Height"))
            font.Height = Integer(value, name);
        else if (name == QLatin1String("Font.Color"))
            font.Color = StoredValues::Color(value, name);
        else if (name == QLatin1String("Font.Style"))
            font.Styles = setBits(value, fontStyleNames(), name);
        else
            return false;
        SetFont(font);
    } else if (name == QLatin1String("Footer.Caption"))
        m_footer->SetCaption(Text(value, name));
    else if (name == QLatin1String("Footer.Color"))
        m_footer->SetColor(StoredValues::Color(value, name));
    else if (name == QLatin1String("Footer.FormulaKind"))
        m_footer->SetFormulaKind(TFormulaKind(EnumValue(value, formulaKindNames(), name)));
    else if (name == QLatin1String("FormulaKind"))
        SetFormulaKind(TFormulaKind(EnumValue(value, formulaKindNames(), name)));
    else if (name == QLatin1String("Header.Caption"))
        m_header->SetCaption(Text(value, name));
    else if (name == QLatin1String("Header.Color"))
        m_header->SetColor(StoredValues::Color(value, name));
    else if (name == QLatin1String("Header.DisplayMode"))
        m_header->SetDisplayMode(TDisplayMode(EnumValue(value, displayModeNames(), name)));
    else if (name == QLatin1String("Header.Glyph")) {
        if (!value.canConvert<QImage>())
            throw badValue(value, name);
        m_header->SetGlyph(value.value<QImage>());
    } else if (name == QLatin1String("InputCaption"))
        SetInputCaption(Text(value, name));
    else if (name == QLatin1String("Options"))
        SetOptions(
            TColumnOptions::FromBits(std::uint16_t(setBits(value, columnOptionNames(), name))));
    else if (name == QLatin1String("Position"))
        SetPosition(Integer(value, name));
    else if (name == QLatin1String("SlideBounds.Height"))
        m_slideBounds->Height = Integer(value, name);
    else if (name == QLatin1String("SlideBounds.Left"))
        m_slideBounds->Left = Integer(value, name);
    else if (name == QLatin1String("SlideBounds.Top"))
        m_slideBounds->Top = Integer(value, name);
    else if (name == QLatin1String("SlideBounds.Width"))
        m_slideBounds->Width = Integer(value, name);
    else if (name == QLatin1String("Sorted"))
        SetSorted(Boolean(value, name));
    else if (name == QLatin1String("SortKind"))
        SetSortKind(TSortKind(EnumValue(value, sortKindNames(), name)));
    else if (name == QLatin1String("SortType"))
        SetSortType(TSortType(EnumValue(value, sortTypeNames(), name)));
    else if (name == QLatin1String("VerticalAlignment"))
        SetVerticalAlignment(TVerticalAlignment(EnumValue(value, verticalAlignmentNames(), name)));
    else if (name == QLatin1String("Visible"))
        SetVisible(Boolean(value, name));
    else if (name == QLatin1String("Width"))
        SetWidth(Integer(value, name));
    else if (name == QLatin1String("WrapKind"))
        SetWrapKind(TWrapKind(EnumValue(value, wrapKindNames(), name)));
    else
        return false;
    return true;
}

void TCustomColumn::WriteProperties(StoredColumn& s) const
{
    using namespace StoredValues;
    s.Set(QStringLiteral("Alignment"), EnumName(m_alignment, alignmentNames()));
    s.Set(QStringLiteral("Color"), ColorValue(m_color));
    s.Set(QStringLiteral("Cursor"), int(m_cursor));
    s.Set(QStringLiteral("DefaultValue"), m_defaultValue);
    s.Set(QStringLiteral("DrawingOptions"), EnumName(m_drawingOptions, drawingOptionsNames()));
    s.Set(QStringLiteral("DefaultWidth"), m_defaultWidth);
    s.Set(QStringLiteral("Font.Color"), ColorValue(m_font.Color));
    s.Set(QStringLiteral("Font.Height"), m_font.Height);
    s.Set(QStringLiteral("Font.Name"), m_font.Name);
    s.Set(QStringLiteral("Font.Style"), setNames(m_font.Styles, fontStyleNames()));
    s.Set(QStringLiteral("Footer.Caption"), m_footer->Caption());
    s.Set(QStringLiteral("Footer.Color"), ColorValue(m_footer->Color()));
    s.Set(QStringLiteral("Footer.FormulaKind"),
        EnumName(m_footer->FormulaKind(), formulaKindNames()));
    s.Set(QStringLiteral("FormulaKind"), EnumName(m_formulaKind, formulaKindNames()));
    s.Set(QStringLiteral("Header.Caption"), m_header->Caption());
    s.Set(QStringLiteral("Header.Color"), ColorValue(m_header->Color()));
    s.Set(QStringLiteral("Header.DisplayMode"),
        EnumName(m_header->DisplayMode(), displayModeNames()));
    s.Set(QStringLiteral("Header.Glyph"), QVariant::fromValue(m_header->Glyph()));
    s.Set(QStringLiteral("InputCaption"), m_inputCaption);
    s.Set(QStringLiteral("Options"), setNames(m_options.ToBits(), columnOptionNames()));
    s.Set(QStringLiteral("Position"), m_position);
    s.Set(QStringLiteral("SlideBounds.Height"), m_slideBounds->Height);
    s.Set(QStringLiteral("SlideBounds.Left"), m_slideBounds->Left);
    s.Set(QStringLiteral("SlideBounds.Top"), m_slideBounds->Top);
    s.Set(QStringLiteral("SlideBounds.Width"), m_slideBounds->Width);
    s.Set(QStringLiteral("Sorted"), m_sorted);
    s.Set(QStringLiteral("SortKind"), EnumName(m_sortKind, sortKindNames()));
    s.Set(QStringLiteral("SortType"), EnumName(m_sortType, sortTypeNames()));
    s.Set(QStringLiteral("VerticalAlignment"),
        EnumName(m_verticalAlignment, verticalAlignmentNames()));
    s.Set(QStringLiteral("Visible"), m_visible);
    s.Set(QStringLiteral("Width"), m_width);
    s.Set(QStringLiteral("WrapKind"), EnumName(m_wrapKind, wrapKindNames()));
}

StoredColumn TCustomColumn::WriteState() const
{
    StoredColumn stored(ClassName());
    WriteProperties(stored);
    return stored;
}

// ---------------------------------------------------------------------------

TColumns::TColumns(QObject* owner, GridHost* grid)
    : TComponent(owner)
    , m_grid(grid)
{
    if (m_grid)
        m_grid->SetColumnsLayoutCallback([this] { UpdateLayout(false); });
}

TColumns::~TColumns()
{
    // The grid is going too: free the columns without telling anyone.
    m_clearing = true;
    const QList<TCustomColumn*> columns = std::exchange(m_stored, {});
    m_display.clear();
    for (TCustomColumn* column : columns)
        delete column;
}

TCustomColumn* TColumns::Items(int index) const
{
    if (index < 0 || index >= m_stored.size())
        throw EListError(listIndexError(index));
    return m_stored.at(index);
}

TCustomColumn* TColumns::ByPosition(int index) const
{
    if (index < 0 || index >= m_display.size())
        throw EListError(listIndexError(index));
    return m_display.at(index);
}

int TColumns::VisibleCount() const
{
    return int(std::count_if(
        m_stored.cbegin(), m_stored.cend(), [](const TCustomColumn* c) { return c->Visible(); }));
}

int TColumns::TotalWidth() const
{
    int total = 0;
    for (const TCustomColumn* column : m_stored)
        if (column->Visible())
            total += column->Width();
    return total;
}

void TColumns::structuralChange(int kind, int index1, int index2)
{
    if (OnColumnsChanged)
        OnColumnsChanged(this, kind, index1, index2);
    if (OnColumnsLayout)
        OnColumnsLayout(this, kind, index1, index2);
}

void TColumns::Add(TCustomColumn* column)
{
    if (!column || m_stored.contains(column))
        return;
    if (column->m_collection && column->m_collection != this)
        throw EInvalidOperation(QStringLiteral("The column belongs to another grid"));
    QObject* oldOwner = column->parent();
    column->setParent(this);
    column->m_collection = this;
    m_stored.append(column);
    const auto at = std::find_if(m_display.begin(), m_display.end(),
        [column](const TCustomColumn* c) { return c->Position() > column->Position(); });
    m_display.insert(at, column);
    UpdateLayout(false);
    try {
        if (OnColumnsChanged)
            OnColumnsChanged(this, ColumnAdded, -1, -1);
    } catch (...) {
        // The value store could not follow (it has a fixed number of column
        // lists): keep the two in step by refusing the column.
        m_stored.removeAll(column);
        m_display.removeAll(column);
        column->m_collection = nullptr;
        column->setParent(oldOwner);
        UpdateLayout(false);
        throw;
    }
    if (OnColumnsLayout)
        OnColumnsLayout(this, ColumnAdded, -1, -1);
}

void TColumns::Delete(int index)
{
    delete Items(index);
}

void TColumns::columnDestroyed(TCustomColumn* column)
{
    column->m_collection = nullptr;
    if (m_clearing)
        return;
    const int index = IndexOf(column);
    if (index < 0)
        return;
    m_stored.removeAt(index);
    m_display.removeAll(column);
    // Called from a destructor: the notifications must not escape.
    try {
        UpdateLayout(false);
        structuralChange(ColumnDeleted, index, -1);
    } catch (...) {
    }
}

void TColumns::Clear()
{
    m_clearing = true;
    const QList<TCustomColumn*> columns = std::exchange(m_stored, {});
    m_display.clear();
    for (TCustomColumn* column : columns)
        delete column;
    m_clearing = false;
    structuralChange(ColumnsCleared, -1, -1);
}

void TColumns::Move(int fromPosition, int toPosition)
{
    if (fromPosition == toPosition)
        return;
    if (fromPosition < 0 || fromPosition >= m_display.size())
        throw EListError(listIndexError(fromPosition));
    if (toPosition < 0 || toPosition >= m_display.size())
        throw EListError(listIndexError(toPosition));
    TCustomColumn* column = m_display.at(fromPosition);
    m_display.move(fromPosition, toPosition);
    UpdateLayout(true);
    column->Changed(ckPosition);
}

void TColumns::UpdateLayout(bool renumberPositions)
{
    int x = m_grid ? m_grid->DataLeft() : 0;
    int visibleIndex = 0;
    for (int j = 0; j < m_display.size(); ++j) {
        TCustomColumn* column = m_display.at(j);
        if (column->m_visible) {
            column->m_left = x;
            column->m_visibleIndex = visibleIndex++;
            x += column->m_width;
        } else {
            column->m_visibleIndex = -1;
        }
        if (renumberPositions)
            column->m_position = j;
    }
}

void TColumns::ReadColumns(const QList<StoredColumn>& stored)
{
    Clear();
    auto* gridObject = dynamic_cast<QObject*>(m_grid);
    for (const StoredColumn& description : stored) {
        const ColumnFactory factory = FindColumnClass(description.ClassName);
        if (!factory)
            throw EConvertError(QStringLiteral("Class %1 not found").arg(description.ClassName));
        TCustomColumn* column = factory(this);
        try {
            column->ReadState(description, gridObject);
        } catch (...) {
            delete column;
            throw;
        }
        if (column->Collection() != this)
            delete column;
    }
}

QList<StoredColumn> TColumns::WriteColumns() const
{
    QList<StoredColumn> out;
    out.reserve(m_stored.size());
    for (const TCustomColumn* column : m_stored)
        out.append(column->WriteState());
    return out;
}
