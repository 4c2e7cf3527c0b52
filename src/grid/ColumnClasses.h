#pragma once

#include "Columns.h"

#include <QImage>
#include <QStringList>

class TCustomImageList;

// The column classes. They differ in the kind of value their cells hold, their
// sort type and default value, a few settings of their own, how they format
// text and which typed keys start their editor. Each class also picks its cell
// painter (Displays.h), its in-place editor (CellEditors.h) and, for check boxes,
// the object that flips a value on a click or a space.

class TTextualColumn : public TCustomColumn
{
    Q_OBJECT
public:
    explicit TTextualColumn(QObject* owner = nullptr);

    bool AutoExecute() const { return m_autoExecute; }
    void SetAutoExecute(bool value) { m_autoExecute = value; }
    const QString& TextAfter() const { return m_textAfter; }
    void SetTextAfter(const QString& value) { m_textAfter = value; }
    const QString& TextBefore() const { return m_textBefore; }
    void SetTextBefore(const QString& value) { m_textBefore = value; }

    QString FormatText(const QString& value) const override;
    // Every character above the space.
    bool AcceptsKey(QChar key) const override;
    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TTextualColumn"); }
    TColumnDisplay* CreateDisplay() override;
    TCellEditorPtr CreateEditor() override;

protected:
    bool ReadProperty(const QString& name, const QVariant& value) override;
    void WriteProperties(StoredColumn& stored) const override;

private:
    bool m_autoExecute = false;
    QString m_textAfter;
    QString m_textBefore;
};

class TComboBoxColumn : public TTextualColumn
{
    Q_OBJECT
public:
    explicit TComboBoxColumn(QObject* owner = nullptr);

    std::int32_t DropDownCount() const { return m_dropDownCount; }
    void SetDropDownCount(std::int32_t value) { m_dropDownCount = value; }
    TCustomImageList* Images() const { return m_images; }
    void SetImages(TCustomImageList* value);
    const QStringList& Items() const { return m_items; }
    void SetItems(const QStringList& value) { m_items = value; }
    bool ShowImages() const { return m_showImages; }
    void SetShowImages(bool value) { m_showImages = value; }
    TCompoBoxStyle Style() const { return m_style; }
    void SetStyle(TCompoBoxStyle value) { m_style = value; }

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TComboBoxColumn"); }
    TCellEditorPtr CreateEditor() override;
    void PrepareEditor() override;

protected:
    bool ReadProperty(const QString& name, const QVariant& value) override;
    void WriteProperties(StoredColumn& stored) const override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::int32_t m_dropDownCount = 8;
    TCustomImageList* m_images = nullptr;
    QStringList m_items;
    bool m_showImages = false;
    TCompoBoxStyle m_style = cbsDropDown;
};

class TNumericColumn : public TCustomColumn
{
    Q_OBJECT
public:
    explicit TNumericColumn(QObject* owner = nullptr);

    // Float format pattern of the shown value ("0.00", "#,##0.0", ...).
    const QByteArray& FormatMask() const { return m_formatMask; }
    void SetFormatMask(const QByteArray& value) { m_formatMask = value; }
    std::int32_t Max() const { return m_max; }
    void SetMax(std::int32_t value) { m_max = value; }
    std::int32_t Min() const { return m_min; }
    void SetMin(std::int32_t value) { m_min = value; }
    const QString& TextAfter() const { return m_textAfter; }
    void SetTextAfter(const QString& value) { m_textAfter = value; }

    QString FormatText(const QString& value) const override;
    // A number as the column shows it: by the mask (Turkish 8-bit text) when
    // there is one, else in the general format; then TextAfter.
    QString FormatValue(double value) const;
    // Digits, the signs and the locale's decimal separator.
    bool AcceptsKey(QChar key) const override;
    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TNumericColumn"); }
    TColumnDisplay* CreateDisplay() override;
    TCellEditorPtr CreateEditor() override;
    void PrepareEditor() override;

protected:
    bool ReadProperty(const QString& name, const QVariant& value) override;
    void WriteProperties(StoredColumn& stored) const override;

private:
    QByteArray m_formatMask;
    std::int32_t m_max = 0;
    std::int32_t m_min = 0;
    QString m_textAfter;
};

class TDateColumn : public TCustomColumn
{
    Q_OBJECT
public:
    explicit TDateColumn(QObject* owner = nullptr);

    const QString& EmptyCaption() const { return m_emptyCaption; }
    void SetEmptyCaption(const QString& value) { m_emptyCaption = value; }
    bool HideWhenEmpty() const { return m_hideWhenEmpty; }
    void SetHideWhenEmpty(bool value);

    // Digits and the locale's date separator.
    bool AcceptsKey(QChar key) const override;
    QString ClassName() const override { return QStringLiteral("TDateColumn"); }
    TColumnDisplay* CreateDisplay() override;
    TCellEditorPtr CreateEditor() override;
    void PrepareEditor() override;

protected:
    bool ReadProperty(const QString& name, const QVariant& value) override;
    void WriteProperties(StoredColumn& stored) const override;

private:
    QString m_emptyCaption;
    bool m_hideWhenEmpty = false;
};

class TCheckBoxColumn : public TCustomColumn
{
    Q_OBJECT
public:
    explicit TCheckBoxColumn(QObject* owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TCheckBoxColumn"); }
    TColumnDisplay* CreateDisplay() override;
    TCellEditorPtr CreateEditor() override;
    TColumnPlay* CreatePlay() override;
};

class TProgressColumn : public TCustomColumn
{
    Q_OBJECT
public:
    explicit TProgressColumn(QObject* owner = nullptr);

    TColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(TColor value) { m_borderColor = value; }
    bool HideWhenEmpty() const { return m_hideWhenEmpty; }
    void SetHideWhenEmpty(bool value);
    std::int32_t Margin() const { return m_margin; }
    void SetMargin(std::int32_t value) { m_margin = value; }
    // The painter divides by it, so it is never 0.
    std::int32_t Max() const { return m_max; }
    void SetMax(std::int32_t value);
    TColor ProgressColor() const { return m_progressColor; }
    void SetProgressColor(TColor value);
    TProgressStyle ProgressStyle() const { return m_progressStyle; }
    void SetProgressStyle(TProgressStyle value);
    bool ShowText() const { return m_showText; }
    void SetShowText(bool value) { m_showText = value; }
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value) { m_transparent = value; }

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TProgressColumn"); }
    TColumnDisplay* CreateDisplay() override;

protected:
    bool ReadProperty(const QString& name, const QVariant& value) override;
    void WriteProperties(StoredColumn& stored) const override;

private:
    TColor m_borderColor = 8421504;
    bool m_hideWhenEmpty = false;
    std::int32_t m_margin = 2;
    std::int32_t m_max = 100;
    TColor m_progressColor = clHighlight;
    TProgressStyle m_progressStyle = TProgressStyle::psSolid;
    bool m_showText = false;
    bool m_transparent = false;
};

class TRateColumn : public TCustomColumn
{
    Q_OBJECT
public:
    explicit TRateColumn(QObject* owner = nullptr);

    // The four pictures, kept as given.
    const QImage& EmptyGlyph() const { return m_emptyGlyph; }
    void SetEmptyGlyph(const QImage& value);
    const QImage& EmptyGlyphMask() const { return m_emptyGlyphMask; }
    void SetEmptyGlyphMask(const QImage& value) { m_emptyGlyphMask = value; }
    const QImage& Glyph() const { return m_glyph; }
    void SetGlyph(const QImage& value);
    const QImage& GlyphMask() const { return m_glyphMask; }
    void SetGlyphMask(const QImage& value) { m_glyphMask = value; }
    // A glyph as drawn without masks: while Transparent, the colour of its
    // bottom-left pixel shows the background through, whichever was set first.
    const QImage& ShownGlyph(bool full) const;
    bool HideWhenEmpty() const { return m_hideWhenEmpty; }
    void SetHideWhenEmpty(bool value);
    bool Masked() const { return m_masked; }
    void SetMasked(bool value);
    std::int32_t Max() const { return m_max; }
    void SetMax(std::int32_t value);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TRateColumn"); }
    TColumnDisplay* CreateDisplay() override;

protected:
    bool ReadProperty(const QString& name, const QVariant& value) override;
    void WriteProperties(StoredColumn& stored) const override;

private:
    QImage m_emptyGlyph;
    QImage m_keyedEmptyGlyph;
    QImage m_keyedGlyph;
    QImage m_emptyGlyphMask;
    QImage m_glyph;
    QImage m_glyphMask;
    bool m_hideWhenEmpty = false;
    bool m_masked = false;
    std::int32_t m_max = 5;
    bool m_transparent = false;
};

class TImageColumn : public TCustomColumn
{
    Q_OBJECT
public:
    explicit TImageColumn(QObject* owner = nullptr);

    TCustomImageList* Images() const { return m_images; }
    void SetImages(TCustomImageList* value);
    TCustomImageList* Masks() const { return m_masks; }
    void SetMasks(TCustomImageList* value);
    bool Masked() const { return m_masked; }
    void SetMasked(bool value);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value) { m_transparent = value; }

    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TImageColumn"); }
    TColumnDisplay* CreateDisplay() override;

protected:
    bool ReadProperty(const QString& name, const QVariant& value) override;
    void WriteProperties(StoredColumn& stored) const override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    TCustomImageList* m_images = nullptr;
    TCustomImageList* m_masks = nullptr;
    bool m_masked = false;
    bool m_transparent = true;
};

class TGraphicColumn : public TCustomColumn
{
    Q_OBJECT
public:
    explicit TGraphicColumn(QObject* owner = nullptr);

    std::int32_t BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(std::int32_t value) { m_borderWidth = value; }
    std::int32_t Margin() const { return m_margin; }
    void SetMargin(std::int32_t value) { m_margin = value; }
    bool Strecht() const { return m_strecht; }
    void SetStrecht(bool value) { m_strecht = value; }

    QString ClassName() const override { return QStringLiteral("TGraphicColumn"); }
    TColumnDisplay* CreateDisplay() override;

protected:
    bool ReadProperty(const QString& name, const QVariant& value) override;
    void WriteProperties(StoredColumn& stored) const override;

private:
    std::int32_t m_borderWidth = 1;
    std::int32_t m_margin = 4;
    bool m_strecht = false;
};

class THtmlColumn : public TCustomColumn
{
    Q_OBJECT
public:
    explicit THtmlColumn(QObject* owner = nullptr);
    QString ClassName() const override { return QStringLiteral("THtmlColumn"); }
    TColumnDisplay* CreateDisplay() override;
};

class TIncrementColumn : public TCustomColumn
{
    Q_OBJECT
public:
    explicit TIncrementColumn(QObject* owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TIncrementColumn"); }
    TColumnDisplay* CreateDisplay() override;
};

template <typename Column> void RegisterColumnClass()
{
    RegisterColumnClass(Column().ClassName(), [](QObject* owner) { return new Column(owner); });
}

// All column classes of this unit, for readers of stored descriptions.
void RegisterStandardColumnClasses();

namespace ColumnText {
// Formats a float by a pattern of "0" and "#" digit places, one "." for the
// decimal point, "," anywhere in the integer part for thousands groups, quoted
// literals, and up to three sections (positive;negative;zero).
QString FormatFloat(const QString& mask, double value);
// The locale's date separator, as its short date format uses it.
QChar DateSeparator();
} // namespace ColumnText
