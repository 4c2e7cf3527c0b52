#pragma once

#include "Cells.h"

// The five typed cells. Each holds one value of its type and converts it to and
// from the others; text is parsed and formatted as 8-bit text in the user's
// locale. A failed conversion raises and leaves the value as it was.

class TBooleanCell final : public TCell
{
public:
    bool Value() const { return m_value; }

    bool GetAsBoolean() const override { return m_value; }
    TDateTime GetAsDateTime() const override { return 0; }
    double GetAsFloat() const override { return 0; }
    std::int32_t GetAsInteger() const override { return 0; }
    QString GetAsString() const override;
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(TDateTime value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(std::int32_t value) override;
    void SetAsString(const QString& value) override;

private:
    friend class TCells;
    TBooleanCell()
        : TCell(BooleanClass)
    {
    }
    bool m_value = false;
};

class TDateTimeCell final : public TCell
{
public:
    TDateTime Value() const { return m_value; }

    bool GetAsBoolean() const override { return false; }
    TDateTime GetAsDateTime() const override { return m_value; }
    double GetAsFloat() const override { return m_value; }
    std::int32_t GetAsInteger() const override;
    QString GetAsString() const override;
    // Stores today's date, whatever the value.
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(TDateTime value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(std::int32_t value) override;
    void SetAsString(const QString& value) override;

private:
    friend class TCells;
    TDateTimeCell()
        : TCell(DateTimeClass)
    {
    }
    TDateTime m_value = 0;
};

class TFloatCell final : public TCell
{
public:
    double Value() const { return m_value; }

    bool GetAsBoolean() const override { return false; }
    TDateTime GetAsDateTime() const override { return m_value; }
    double GetAsFloat() const override { return m_value; }
    std::int32_t GetAsInteger() const override;
    QString GetAsString() const override;
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(TDateTime value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(std::int32_t value) override;
    void SetAsString(const QString& value) override;

private:
    friend class TCells;
    TFloatCell()
        : TCell(FloatClass)
    {
    }
    double m_value = 0;
};

class TIntegerCell final : public TCell
{
public:
    std::int32_t Value() const { return m_value; }

    bool GetAsBoolean() const override { return false; }
    TDateTime GetAsDateTime() const override { return 0; }
    double GetAsFloat() const override { return m_value; }
    std::int32_t GetAsInteger() const override { return m_value; }
    QString GetAsString() const override;
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(TDateTime value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(std::int32_t value) override;
    void SetAsString(const QString& value) override;

private:
    friend class TCells;
    TIntegerCell()
        : TCell(IntegerClass)
    {
    }
    std::int32_t m_value = 0;
};

// A text cell keeps short texts inside itself, as 8-bit text when every
// character fits (Latin-1) and as UTF-16 otherwise; only longer texts hold a
// shared string. The cell is then one 48-byte slot with no storage of its own
// for the texts a call list shows (numbers, times, serials).
class TStringCell final : public TCell
{
public:
    // Characters kept inside the cell, by form.
    static constexpr int NarrowCapacity = 24;
    static constexpr int WideCapacity = 12;

    QString Value() const;
    // The text where it lies: 8-bit (Latin-1) or UTF-16 code units. Valid until
    // the cell's value changes.
    struct View
    {
        const void* data;
        qsizetype length;
        bool narrow;
        char16_t at(qsizetype i) const
        {
            return narrow ? char16_t(static_cast<const unsigned char*>(data)[i])
                          : static_cast<const char16_t*>(data)[i];
        }
    };
    View Text() const;

    bool GetAsBoolean() const override;
    TDateTime GetAsDateTime() const override;
    double GetAsFloat() const override;
    std::int32_t GetAsInteger() const override;
    QString GetAsString() const override { return Value(); }
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(TDateTime value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(std::int32_t value) override;
    void SetAsString(const QString& value) override;

private:
    friend class TCells;
    enum Form : std::uint8_t { Narrow, Wide, Shared };

    TStringCell()
        : TCell(StringClass)
    {
    }
    ~TStringCell() override { release(); }
    void store(const QString& value);
    void release();

    // These two sit in the base's tail padding.
    Form m_form = Narrow;
    std::uint8_t m_length = 0;
    union {
        char m_narrow[NarrowCapacity];
        char16_t m_wide[WideCapacity];
        QString m_shared;
    };
};

namespace CellConversions {
// Rounds halves to even; a result outside 32 bits raises ERangeError.
std::int32_t RoundToInt(double value);
} // namespace CellConversions
