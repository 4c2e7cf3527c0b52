#include "ColumnClasses.h"

#include "CellEditors.h"
#include "Displays.h"
#include "ImgList.h"
#include "Win1254.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

bool isDigit(QChar key)
{
    return key >= QLatin1Char('0') && key <= QLatin1Char('9');
}

QChar decimalSeparator()
{
    const QString sep = QLocale().decimalPoint();
    return sep.isEmpty() ? QLatin1Char('.') : sep.at(0);
}

} // namespace

namespace ColumnText {

QChar DateSeparator()
{
    // The first character of the short date format that is not a field letter.
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    for (const QChar c : format)
        if (!c.isLetter() && c != QLatin1Char('\''))
            return c;
    return QLatin1Char('/');
}

namespace {

QStringList sections(const QString& mask)
{
    QStringList out;
    QString current;
    QChar quote;
    for (const QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            out.append(current);
            current.clear();
            continue;
        }
        current.append(c);
    }
    out.append(current);
    return out;
}

struct Pattern
{
    QString prefix;
    QString suffix;
    int integerZeros = 0;
    int fractionZeros = 0;
    int fractionPlaces = 0;
    bool thousands = false;
    bool hasDigits = false;
};

Pattern parse(const QString& section)
{
    Pattern p;
    bool inFraction = false;
    QChar quote;
    for (const QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                (p.hasDigits ? p.suffix : p.prefix).append(c);
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            p.hasDigits = true;
            p.suffix.clear(); // literals between placeholders are not kept
            if (inFraction) {
                ++p.fractionPlaces;
                if (c == QLatin1Char('0'))
                    p.fractionZeros = p.fractionPlaces;
            } else if (c == QLatin1Char('0')) {
                ++p.integerZeros;
            }
        } else if (c == QLatin1Char('.') && !inFraction) {
            inFraction = true;
            p.hasDigits = true;
        } else if (c == QLatin1Char(',') && !inFraction) {
            p.thousands = true;
        } else {
            (p.hasDigits ? p.suffix : p.prefix).append(c);
        }
    }
    return p;
}

} // namespace

QString FormatFloat(const QString& mask, double value)
{
    const QStringList parts = sections(mask);
    QString section = parts.value(0);
    bool withSign = value < 0;
    if (value < 0 && parts.size() >= 2 && !parts.at(1).isEmpty()) {
        section = parts.at(1);
        withSign = false;
    } else if (value == 0 && parts.size() >= 3 && !parts.at(2).isEmpty()) {
        section = parts.at(2);
    }
    const Pattern p = parse(section);
    if (!p.hasDigits)
        return p.prefix;

    const QLocale locale;
    QString digits = QString::number(std::fabs(value), 'f', p.fractionPlaces);
    QString integer = digits.section(QLatin1Char('.'), 0, 0);
    QString fraction = digits.section(QLatin1Char('.'), 1, 1);
    while (fraction.size() > p.fractionZeros && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (integer == QLatin1String("0") && p.integerZeros == 0)
        integer.clear();
    while (integer.size() < p.integerZeros)
        integer.prepend(QLatin1Char('0'));
    if (p.thousands) {
        const QString group = locale.groupSeparator();
        for (qsizetype i = integer.size() - 3; i > 0; i -= 3)
            integer.insert(i, group);
    }
    QString out = p.prefix;
    // A value that rounds to zero shows no minus sign.
    const bool nonZero = std::any_of(digits.cbegin(), digits.cend(),
        [](QChar c) { return c > QLatin1Char('0') && c <= QLatin1Char('9'); });
    if (withSign && nonZero)
        out += QLatin1Char('-');
    out += integer;
    if (!fraction.isEmpty())
        out += decimalSeparator() + fraction;
    return out + p.suffix;
}

} // namespace ColumnText

// ---------------------------------------------------------------------------

TTextualColumn::TTextualColumn(QObject* owner)
    : TCustomColumn(owner)
{
}

QString TTextualColumn::FormatText(const QString& value) const
{
    return m_textBefore + value + m_textAfter;
}

bool TTextualColumn::AcceptsKey(QChar key) const
{
    return key.unicode() > 32;
}

void TTextualColumn::Assign(const TPersistent* source)
{
    TCustomColumn::Assign(source);
    if (const auto* column = dynamic_cast<const TTextualColumn*>(source)) {
        m_autoExecute = column->m_autoExecute;
        m_textAfter = column->m_textAfter;
        m_textBefore = column->m_textBefore;
    }
}

bool TTextualColumn::ReadProperty(const QString& name, const QVariant& value)
{
    using namespace StoredValues;
    if (name == QLatin1String("AutoExecute"))
        SetAutoExecute(Boolean(value, name));
    else if (name == QLatin1String("TextAfter"))
        SetTextAfter(Text(value, name));
    else if (name == QLatin1String("TextBefore"))
        SetTextBefore(Text(value, name));
    else
        return TCustomColumn::ReadProperty(name, value);
    return true;
}

void TTextualColumn::WriteProperties(StoredColumn& stored) const
{
    TCustomColumn::WriteProperties(stored);
    stored.Set(QStringLiteral("AutoExecute"), m_autoExecute);
    stored.Set(QStringLiteral("TextAfter"), m_textAfter);
    stored.Set(QStringLiteral("TextBefore"), m_textBefore);
}

// ---------------------------------------------------------------------------

TComboBoxColumn::TComboBoxColumn(QObject* owner)
    : TTextualColumn(owner)
{
}

void TComboBoxColumn::SetImages(TCustomImageList* value)
{
    if (m_images)
        m_images->RemoveFreeNotification(this);
    m_images = value;
    if (m_images)
        m_images->FreeNotification(this);
}

void TComboBoxColumn::Notification(TComponent* component, TOperation operation)
{
    TTextualColumn::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_images)
        m_images = nullptr;
}

void TComboBoxColumn::Assign(const TPersistent* source)
{
    TTextualColumn::Assign(source);
    if (const auto* column = dynamic_cast<const TComboBoxColumn*>(source)) {
        m_dropDownCount = column->m_dropDownCount;
        m_items = column->m_items;
        m_style = column->m_style;
    }
}

bool TComboBoxColumn::ReadProperty(const QString& name, const QVariant& value)
{
    using namespace StoredValues;
    if (name == QLatin1String("DropDownCount"))
        SetDropDownCount(Integer(value, name));
    else if (name == QLatin1String("Items.Strings"))
        SetItems(value.toStringList());
    else if (name == QLatin1String("ShowImages"))
        SetShowImages(Boolean(value, name));
    else if (name == QLatin1String("Style"))
        SetStyle(TCompoBoxStyle(EnumValue(
            value, { QStringLiteral("cbsDropDown"), QStringLiteral("cbsDropDownList") }, name)));
    else
        return TTextualColumn::ReadProperty(name, value);
    return true;
}

void TComboBoxColumn::WriteProperties(StoredColumn& stored) const
{
    TTextualColumn::WriteProperties(stored);
    stored.Set(QStringLiteral("DropDownCount"), m_dropDownCount);
    stored.Set(QStringLiteral("Items.Strings"), m_items);
    stored.Set(QStringLiteral("ShowImages"), m_showImages);
    stored.Set(QStringLiteral("Style"),
        m_style == cbsDropDown ? QStringLiteral("cbsDropDown") : QStringLiteral("cbsDropDownList"));
}

// ---------------------------------------------------------------------------

TNumericColumn::TNumericColumn(QObject* owner)
    : TCustomColumn(owner)
{
    SetSortType(stNumeric);
    SetDefaultValue(QStringLiteral("0"));
    SetCellKind(5);
}

QString TNumericColumn::FormatText(const QString& value) const
{
    if (m_formatMask.isEmpty())
        return value + m_textAfter;
    return FormatValue(SysUtils::StrToFloat(Win1254::toAnsi(value)));
}

QString TNumericColumn::FormatValue(double value) const
{
    const QString number = m_formatMask.isEmpty()
        ? SysUtils::FloatToStr(value)
        : ColumnText::FormatFloat(Win1254::decode(m_formatMask), value);
    return number + m_textAfter;
}

bool TNumericColumn::AcceptsKey(QChar key) const
{
    return isDigit(key) || key == QLatin1Char('+') || key == QLatin1Char('-')
        || key == decimalSeparator();
}

void TNumericColumn::Assign(const TPersistent* source)
{
    TCustomColumn::Assign(source);
    if (const auto* column = dynamic_cast<const TNumericColumn*>(source)) {
        m_formatMask = column->m_formatMask;
        m_max = column->m_max;
        m_min = column->m_min;
        m_textAfter = column->m_textAfter;
    }
}

bool TNumericColumn::ReadProperty(const QString& name, const QVariant& value)
{
    using namespace StoredValues;
    if (name == QLatin1String("FormatMask"))
        SetFormatMask(Win1254::encode(Text(value, name)));
    else if (name == QLatin1String("Max"))
        SetMax(Integer(value, name));
    else if (name == QLatin1String("Min"))
        SetMin(Integer(value, name));
    else if (name == QLatin1String("TextAfter"))
        SetTextAfter(Text(value, name));
    else
        return TCustomColumn::ReadProperty(name, value);
    return true;
}

void TNumericColumn::WriteProperties(StoredColumn& stored) const
{
    TCustomColumn::WriteProperties(stored);
    stored.Set(QStringLiteral("FormatMask"), Win1254::decode(m_formatMask));
    stored.Set(QStringLiteral("Max"), m_max);
    stored.Set(QStringLiteral("Min"), m_min);
    stored.Set(QStringLiteral("TextAfter"), m_textAfter);
}

// ---------------------------------------------------------------------------

TDateColumn::TDateColumn(QObject* owner)
    : TCustomColumn(owner)
{
    SetSortType(stDate);
    SetDefaultValue(SysUtils::DateToStr(SysUtils::Date()));
    SetCellKind(4);
}

void TDateColumn::SetHideWhenEmpty(bool value)
{
    m_hideWhenEmpty = value;
    InvalidatePart(AreaCells);
}

bool TDateColumn::AcceptsKey(QChar key) const
{
    return isDigit(key) || key == ColumnText::DateSeparator();
}

bool TDateColumn::ReadProperty(const QString& name, const QVariant& value)
{
    using namespace StoredValues;
    if (name == QLatin1String("EmptyCaption"))
        SetEmptyCaption(Text(value, name));
    else if (name == QLatin1String("HideWhenEmpty"))
        SetHideWhenEmpty(Boolean(value, name));
    else
        return TCustomColumn::ReadProperty(name, value);
    return true;
}

void TDateColumn::WriteProperties(StoredColumn& stored) const
{
    TCustomColumn::WriteProperties(stored);
    stored.Set(QStringLiteral("EmptyCaption"), m_emptyCaption);
    stored.Set(QStringLiteral("HideWhenEmpty"), m_hideWhenEmpty);
}

// ---------------------------------------------------------------------------

TCheckBoxColumn::TCheckBoxColumn(QObject* owner)
    : TCustomColumn(owner)
{
    SetSortType(stNumeric);
    SetCellKind(3);
}

// ---------------------------------------------------------------------------

TProgressColumn::TProgressColumn(QObject* owner)
    : TCustomColumn(owner)
{
    SetSortType(stNumeric);
    SetDefaultValue(QStringLiteral("0"));
    SetCellKind(5);
}

void TProgressColumn::SetHideWhenEmpty(bool value)
{
    m_hideWhenEmpty = value;
    InvalidatePart(AreaCells);
}

void TProgressColumn::SetMax(std::int32_t value)
{
    if (value == 0)
        throw EInvalidOperation(QStringLiteral("The maximum of a progress column cannot be 0"));
    m_max = value;
}

void TProgressColumn::SetProgressColor(TColor value)
{
    m_progressColor = value;
    InvalidatePart(AreaCells);
}

void TProgressColumn::SetProgressStyle(TProgressStyle value)
{
    m_progressStyle = value;
    InvalidatePart(AreaCells);
}

void TProgressColumn::Assign(const TPersistent* source)
{
    TCustomColumn::Assign(source);
    if (const auto* column = dynamic_cast<const TProgressColumn*>(source)) {
        m_borderColor = column->m_borderColor;
        m_margin = column->m_margin;
        m_max = column->m_max;
        m_progressColor = column->m_progressColor;
        m_progressStyle = column->m_progressStyle;
        m_showText = column->m_showText;
    }
}

bool TProgressColumn::ReadProperty(const QString& name, const QVariant& value)
{
    using namespace StoredValues;
    if (name == QLatin1String("BorderColor"))
        SetBorderColor(StoredValues::Color(value, name));
    else if (name == QLatin1String("HideWhenEmpty"))
        SetHideWhenEmpty(Boolean(value, name));
    else if (name == QLatin1String("Margin"))
        SetMargin(Integer(value, name));
    else if (name == QLatin1String("Max"))
        SetMax(Integer(value, name));
    else if (name == QLatin1String("ProgressColor"))
        SetProgressColor(StoredValues::Color(value, name));
    else if (name == QLatin1String("ProgressStyle"))
        SetProgressStyle(TProgressStyle(EnumValue(value,
            { QStringLiteral("psSolid"), QStringLiteral("psGradient"),
                QStringLiteral("psCylinder") },
            name)));
    else if (name == QLatin1String("ShowText"))
        SetShowText(Boolean(value, name));
    else if (name == QLatin1String("Transparent"))
        SetTransparent(Boolean(value, name));
    else
        return TCustomColumn::ReadProperty(name, value);
    return true;
}

void TProgressColumn::WriteProperties(StoredColumn& stored) const
{
    using namespace StoredValues;
    TCustomColumn::WriteProperties(stored);
    stored.Set(QStringLiteral("BorderColor"), ColorValue(m_borderColor));
    stored.Set(QStringLiteral("HideWhenEmpty"), m_hideWhenEmpty);
    stored.Set(QStringLiteral("Margin"), m_margin);
    stored.Set(QStringLiteral("Max"), m_max);
    stored.Set(QStringLiteral("ProgressColor"), ColorValue(m_progressColor));
    stored.Set(QStringLiteral("ProgressStyle"), int(m_progressStyle));
    stored.Set(QStringLiteral("ShowText"), m_showText);
    stored.Set(QStringLiteral("Transparent"), m_transparent);
}

// ---------------------------------------------------------------------------

TRateColumn::TRateColumn(QObject* owner)
    : TCustomColumn(owner)
{
    SetSortType(stNumeric);
    SetDefaultValue(QStringLiteral("0"));
    SetCellKind(6);
}

void TRateColumn::SetEmptyGlyph(const QImage& value)
{
    m_emptyGlyph = value;
    m_keyedEmptyGlyph = KeyedTransparent(value);
}

void TRateColumn::SetGlyph(const QImage& value)
{
    m_glyph = value;
    m_keyedGlyph = KeyedTransparent(value);
}

const QImage& TRateColumn::ShownGlyph(bool full) const
{
    if (m_transparent)
        return full ? m_keyedGlyph : m_keyedEmptyGlyph;
    return full ? m_glyph : m_emptyGlyph;
}

void TRateColumn::SetHideWhenEmpty(bool value)
{
    m_hideWhenEmpty = value;
    InvalidatePart(AreaCells);
}

void TRateColumn::SetMasked(bool value)
{
    m_masked = value;
    InvalidatePart(AreaCells);
}

void TRateColumn::SetMax(std::int32_t value)
{
    if (value == m_max)
        return;
    m_max = value;
    InvalidatePart(AreaCells);
}

void TRateColumn::SetTransparent(bool value)
{
    m_transparent = value;
    InvalidatePart(AreaCells);
}

void TRateColumn::Assign(const TPersistent* source)
{
    TCustomColumn::Assign(source);
    if (const auto* column = dynamic_cast<const TRateColumn*>(source)) {
        SetEmptyGlyph(column->m_emptyGlyph);
        SetEmptyGlyphMask(column->m_emptyGlyphMask);
        SetGlyph(column->m_glyph);
        SetGlyphMask(column->m_glyphMask);
        SetMasked(column->m_masked);
        SetMax(column->m_max);
        SetTransparent(column->m_transparent);
    }
}

bool TRateColumn::ReadProperty(const QString& name, const QVariant& value)
{
    using namespace StoredValues;
    auto picture = [&]() {
        if (!value.canConvert<QImage>())
            throw EConvertError(QStringLiteral("Invalid property value for %1").arg(name));
        return value.value<QImage>();
    };
    if (name == QLatin1String("EmptyGlyph"))
        SetEmptyGlyph(picture());
    else if (name == QLatin1String("EmptyGlyphMask"))
        SetEmptyGlyphMask(picture());
    else if (name == QLatin1String("Glyph"))
        SetGlyph(picture());
    else if (name == QLatin1String("GlyphMask"))
        SetGlyphMask(picture());
    else if (name == QLatin1String("HideWhenEmpty"))
        SetHideWhenEmpty(Boolean(value, name));
    else if (name == QLatin1String("Masked"))
        SetMasked(Boolean(value, name));
    else if (name == QLatin1String("Max"))
        SetMax(Integer(value, name));
    else if (name == QLatin1String("Transparent"))
        SetTransparent(Boolean(value, name));
    else
        return TCustomColumn::ReadProperty(name, value);
    return true;
}

void TRateColumn::WriteProperties(StoredColumn& stored) const
{
    TCustomColumn::WriteProperties(stored);
    stored.Set(QStringLiteral("EmptyGlyph"), QVariant::fromValue(m_emptyGlyph));
    stored.Set(QStringLiteral("EmptyGlyphMask"), QVariant::fromValue(m_emptyGlyphMask));
    stored.Set(QStringLiteral("Glyph"), QVariant::fromValue(m_glyph));
    stored.Set(QStringLiteral("GlyphMask"), QVariant::fromValue(m_glyphMask));
    stored.Set(QStringLiteral("HideWhenEmpty"), m_hideWhenEmpty);
    stored.Set(QStringLiteral("Masked"), m_masked);
    stored.Set(QStringLiteral("Max"), m_max);
    stored.Set(QStringLiteral("Transparent"), m_transparent);
}

// ---------------------------------------------------------------------------

TImageColumn::TImageColumn(QObject* owner)
    : TCustomColumn(owner)
{
    SetSortType(stNumeric);
    SetDefaultValue(QStringLiteral("0"));
    SetCellKind(6);
}

void TImageColumn::SetImages(TCustomImageList* value)
{
    if (m_images && m_images != m_masks)
        m_images->RemoveFreeNotification(this);
    m_images = value;
    if (m_images)
        m_images->FreeNotification(this);
}

void TImageColumn::SetMasks(TCustomImageList* value)
{
    if (m_masks && m_masks != m_images)
        m_masks->RemoveFreeNotification(this);
    m_masks = value;
    if (m_masks)
        m_masks->FreeNotification(this);
}

void TImageColumn::SetMasked(bool value)
{
    m_masked = value;
    InvalidatePart(AreaCells);
}

void TImageColumn::Notification(TComponent* component, TOperation operation)
{
    TCustomColumn::Notification(component, operation);
    if (operation != TOperation::opRemove)
        return;
    if (component == m_images)
        m_images = nullptr;
    if (component == m_masks)
        m_masks = nullptr;
}

void TImageColumn::Assign(const TPersistent* source)
{
    TCustomColumn::Assign(source);
    if (const auto* column = dynamic_cast<const TImageColumn*>(source)) {
        SetImages(column->m_images);
        SetMasked(column->m_masked);
        SetMasks(column->m_masks);
    }
}

bool TImageColumn::ReadProperty(const QString& name, const QVariant& value)
{
    using namespace StoredValues;
    // The image lists are references to other components of the window, which
    // the window connects after loading.
    if (name == QLatin1String("Masked"))
        SetMasked(Boolean(value, name));
    else if (name == QLatin1String("Transparent"))
        SetTransparent(Boolean(value, name));
    else
        return TCustomColumn::ReadProperty(name, value);
    return true;
}

void TImageColumn::WriteProperties(StoredColumn& stored) const
{
    TCustomColumn::WriteProperties(stored);
    stored.Set(QStringLiteral("Masked"), m_masked);
    stored.Set(QStringLiteral("Transparent"), m_transparent);
}

// ---------------------------------------------------------------------------

TGraphicColumn::TGraphicColumn(QObject* owner)
    : TCustomColumn(owner)
{
    SetSortType(stAlphabetic);
    SetCellKind(2);
}

bool TGraphicColumn::ReadProperty(const QString& name, const QVariant& value)
{
    using namespace StoredValues;
    if (name == QLatin1String("BorderWidth"))
        SetBorderWidth(Integer(value, name));
    else if (name == QLatin1String("Margin"))
        SetMargin(Integer(value, name));
    else if (name == QLatin1String("Strecht"))
        SetStrecht(Boolean(value, name));
    else
        return TCustomColumn::ReadProperty(name, value);
    return true;
}

void TGraphicColumn::WriteProperties(StoredColumn& stored) const
{
    TCustomColumn::WriteProperties(stored);
    stored.Set(QStringLiteral("BorderWidth"), m_borderWidth);
    stored.Set(QStringLiteral("Margin"), m_margin);
    stored.Set(QStringLiteral("Strecht"), m_strecht);
}

// ---------------------------------------------------------------------------

THtmlColumn::THtmlColumn(QObject* owner)
    : TCustomColumn(owner)
{
    SetSortType(stAlphabetic);
    SetCellKind(7);
}

TIncrementColumn::TIncrementColumn(QObject* owner)
    : TCustomColumn(owner)
{
    SetCellKind(0);
}

// --------------------------------------------------- painters and editors

namespace {

// An editor starts hidden and belongs to its column, whoever parents it later.
template <typename Editor> TCellEditorPtr makeEditor()
{
    auto* editor = new Editor();
    editor->hide();
    return { editor, [](TCellEditor* e) { delete e; } };
}

} // namespace

TColumnDisplay* TTextualColumn::CreateDisplay()
{
    return new TTextualColumnDisplay(this);
}

TCellEditorPtr TTextualColumn::CreateEditor()
{
    return makeEditor<TTextualEditor>();
}

TCellEditorPtr TComboBoxColumn::CreateEditor()
{
    return makeEditor<TComboBoxEditor>();
}

void TComboBoxColumn::PrepareEditor()
{
    auto* editor = dynamic_cast<TComboBoxEditor*>(Editor());
    if (!editor)
        return;
    editor->SetItems(m_items);
    editor->SetImages(m_images);
    editor->SetShowImages(m_showImages);
    editor->SetDropDownCount(m_dropDownCount);
    editor->SetStyle(m_style == cbsDropDownList ? dsDropDownList : dsDropDown);
}

TColumnDisplay* TNumericColumn::CreateDisplay()
{
    return new TNumericColumnDisplay(this);
}

TCellEditorPtr TNumericColumn::CreateEditor()
{
    return makeEditor<TSpinEditor>();
}

void TNumericColumn::PrepareEditor()
{
    if (auto* editor = dynamic_cast<TNumericEditor*>(Editor())) {
        editor->SetMax(m_max);
        editor->SetMin(m_min);
    }
}

TColumnDisplay* TDateColumn::CreateDisplay()
{
    return new TDateColumnDisplay(this);
}

TCellEditorPtr TDateColumn::CreateEditor()
{
    return makeEditor<TDatePickerEditor>();
}

void TDateColumn::PrepareEditor()
{
    if (auto* editor = dynamic_cast<TDatePickerEditor*>(Editor()))
        editor->SetStyle(dsDropDown);
}

TColumnDisplay* TCheckBoxColumn::CreateDisplay()
{
    return new TCheckBoxColumnDisplay(this);
}

TCellEditorPtr TCheckBoxColumn::CreateEditor()
{
    return makeEditor<TCheckBoxEditor>();
}

TColumnPlay* TCheckBoxColumn::CreatePlay()
{
    return new TCheckBoxColumnPlay(this);
}

TColumnDisplay* TProgressColumn::CreateDisplay()
{
    return new TProgressColumnDisplay(this);
}

TColumnDisplay* TRateColumn::CreateDisplay()
{
    return new TRateColumnDisplay(this);
}

TColumnDisplay* TImageColumn::CreateDisplay()
{
    return new TImageColumnDisplay(this);
}

TColumnDisplay* TGraphicColumn::CreateDisplay()
{
    return new TGraphicColumnDisplay(this);
}

TColumnDisplay* THtmlColumn::CreateDisplay()
{
    return new THtmlColumnDisplay(this);
}

TColumnDisplay* TIncrementColumn::CreateDisplay()
{
    return new TIncrementColumnDisplay(this);
}

void RegisterStandardColumnClasses()
{
    RegisterColumnClass<TIncrementColumn>();
    RegisterColumnClass<TGraphicColumn>();
    RegisterColumnClass<TCheckBoxColumn>();
    RegisterColumnClass<TDateColumn>();
    RegisterColumnClass<THtmlColumn>();
    RegisterColumnClass<TImageColumn>();
    RegisterColumnClass<TComboBoxColumn>();
    RegisterColumnClass<TNumericColumn>();
    RegisterColumnClass<TProgressColumn>();
    RegisterColumnClass<TRateColumn>();
    RegisterColumnClass<TTextualColumn>();
}
