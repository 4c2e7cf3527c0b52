#pragma once

#include "Columns.h"

#include <array>

// The cell painters of the column classes and the check-box column's click
// handling. The grid loads a cell's value and rectangle into a column's painter
// and calls Draw; the shared steps (text, hint mark, background) and the part
// painter that draws headers, footers and input cells are defined in
// Displays.cpp as well.

// Text, combo-box and any column that shows its text as it is.
class TTextualColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Draw() override;
};

// The float value by the column's format mask (15 significant digits without one).
class TNumericColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Draw() override;
};

// The date and time in the system format, or the empty caption for a 0 date
// when the column hides empty values.
class TDateColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Draw() override;
};

class TCheckBoxColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Draw() override;
    // A check box placed in rect by the column's alignments with a 2-pixel margin.
    virtual void DrawCheck(const QRect& rect, bool checked, bool pressed, bool hot);
};

class TProgressColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Draw() override;
};

// A row of Max glyphs: the first IntValue full, the rest empty.
class TRateColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Draw() override;
};

// Picture number IntValue of the column's image list.
class TImageColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Draw() override;
};

// The cell's graphic, framed, scaled to fit (or stretched).
class TGraphicColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Draw() override;
};

// The row number, counted from 1.
class TIncrementColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Draw() override;
};

// Text with a handful of tags: <a>, <b>, <br>, <font color= name= size=>, <i>
// and <u>. The tag counters live as long as the painter, so a tag left open in
// one cell still holds in the next cell the column draws.
class THtmlColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Draw() override;

    enum Tag { TagOther, TagA, TagB, TagBr, TagFont, TagI, TagU };
    enum Attribute { AttrOther, AttrColor, AttrName, AttrHref, AttrSize };
    static Tag TagCode(const QString& name);
    static Attribute AttributeCode(const QString& name);

    // How deep each tag is open; the index is the tag's code.
    const std::array<std::int32_t, 7>& Counters() const { return m_counters; }

private:
    void applyTag(Tag tag, bool closing, Attribute attribute, const QString& value, int& lineHeight,
        int& penX, int& penY);

    QString m_text;
    std::array<std::int32_t, 7> m_counters {};
};

// Flips the check box of a clicked cell, or of the focused cell on a space.
class TCheckBoxColumnPlay : public TColumnPlay
{
public:
    using TColumnPlay::TColumnPlay;

    void KeyPress(QChar key) override;
    // Only a click inside the check square counts; x and y are relative to the cell.
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;

    // The check square inside a cell whose rectangle starts at (0, 0), as the painter places it.
    static QRect CheckRect(const TCustomColumn& column, const QRect& cellRect);
};
