#include "FakeGrid.h"

#include "ImgList.h"

#include <QLocale>

#include <gtest/gtest.h>

TEST(ColumnClasses, ConstructorsSetKindSortTypeAndDefault)
{
    struct Expect
    {
        std::unique_ptr<TCustomColumn> column;
        int kind;
        TSortType sortType;
        QString defaultValue;
    };
    Expect cases[] = {
        { std::make_unique<TTextualColumn>(), 7, stAlphabetic, {} },
        { std::make_unique<TComboBoxColumn>(), 7, stAlphabetic, {} },
        { std::make_unique<TNumericColumn>(), 5, stNumeric, QStringLiteral("0") },
        { std::make_unique<TDateColumn>(), 4, stDate, SysUtils::DateToStr(SysUtils::Date()) },
        { std::make_unique<TCheckBoxColumn>(), 3, stNumeric, {} },
        { std::make_unique<TProgressColumn>(), 5, stNumeric, QStringLiteral("0") },
        { std::make_unique<TRateColumn>(), 6, stNumeric, QStringLiteral("0") },
        { std::make_unique<TImageColumn>(), 6, stNumeric, QStringLiteral("0") },
        { std::make_unique<TGraphicColumn>(), 2, stAlphabetic, {} },
        { std::make_unique<THtmlColumn>(), 7, stAlphabetic, {} },
        { std::make_unique<TIncrementColumn>(), 0, stAlphabetic, {} },
    };
    for (const Expect& e : cases) {
        SCOPED_TRACE(e.column->ClassName().toStdString());
        EXPECT_EQ(e.column->CellKind(), e.kind);
        EXPECT_EQ(e.column->SortType(), e.sortType);
        EXPECT_EQ(e.column->DefaultValue(), e.defaultValue);
        EXPECT_EQ(e.column->Options().ToBits(), 566);
    }
}

TEST(ColumnClasses, TypedKeysThatStartTheEditor)
{
    TDateColumn date;
    EXPECT_TRUE(date.AcceptsKey(QLatin1Char('5')));
    EXPECT_TRUE(date.AcceptsKey(ColumnText::DateSeparator()));
    EXPECT_FALSE(date.AcceptsKey(QLatin1Char('a')));

    TNumericColumn numeric;
    EXPECT_TRUE(numeric.AcceptsKey(QLatin1Char('-')));
    EXPECT_TRUE(numeric.AcceptsKey(QLatin1Char('+')));
    EXPECT_TRUE(numeric.AcceptsKey(QLocale().decimalPoint().at(0)));
    EXPECT_FALSE(numeric.AcceptsKey(QLatin1Char('e')));

    TTextualColumn text;
    EXPECT_FALSE(text.AcceptsKey(QLatin1Char(' ')));
    EXPECT_TRUE(text.AcceptsKey(QLatin1Char('!')));
    EXPECT_TRUE(text.AcceptsKey(QChar(0x011F))); // ğ
    EXPECT_FALSE(text.AcceptsKey(QChar(9)));

    TCheckBoxColumn check;
    for (char c : { ' ', '1', 'x' })
        EXPECT_FALSE(check.AcceptsKey(QLatin1Char(c)));
}

TEST(ColumnClasses, FormatTextAddsTheColumnsOwnTexts)
{
    TTextualColumn text;
    text.SetTextBefore(QStringLiteral("<"));
    text.SetTextAfter(QStringLiteral(" TL"));
    EXPECT_EQ(text.FormatText(QStringLiteral("5")), QStringLiteral("<5 TL"));

    TNumericColumn numeric;
    numeric.SetTextAfter(QStringLiteral(" kg"));
    EXPECT_EQ(numeric.FormatText(QStringLiteral("abc")), QStringLiteral("abc kg"));
    numeric.SetFormatMask("0.00");
    EXPECT_EQ(numeric.FormatText(QStringLiteral("2.345")), QStringLiteral("2.35 kg"));
    EXPECT_THROW(numeric.FormatText(QStringLiteral("abc")), EConvertError);

    EXPECT_EQ(TDateColumn().FormatText(QStringLiteral("x")), QStringLiteral("x"));
}

TEST(ColumnClasses, FloatPatterns)
{
    using ColumnText::FormatFloat;
    const QLocale saved;
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(FormatFloat(QStringLiteral("0.00"), 3.14159), QStringLiteral("3.14"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#.##"), 0.5), QStringLiteral(".5"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0#"), 2), QStringLiteral("2.0"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0"), 1234567), QStringLiteral("1,234,567"));
    EXPECT_EQ(FormatFloat(QStringLiteral("000"), 7), QStringLiteral("007"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0"), -1.25), QStringLiteral("-1.3"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0"), -0.01), QStringLiteral("0.0"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0;(0);'zero'"), -3), QStringLiteral("(3)"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0;(0);'zero'"), 0), QStringLiteral("zero"));
    EXPECT_EQ(FormatFloat(QStringLiteral("'%'0"), 12), QStringLiteral("%12"));
    QLocale::setDefault(saved);
}

TEST(ColumnClasses, AssignCopiesTheClassSettings)
{
    TNumericColumn a;
    a.SetFormatMask("0.0");
    a.SetMax(10);
    a.SetMin(-10);
    a.SetTextAfter(QStringLiteral("%"));
    TNumericColumn b;
    b.Assign(&a);
    EXPECT_EQ(b.FormatMask(), QByteArray("0.0"));
    EXPECT_EQ(b.Max(), 10);
    EXPECT_EQ(b.Min(), -10);
    EXPECT_EQ(b.TextAfter(), QStringLiteral("%"));

    TComboBoxColumn combo;
    combo.SetItems({ QStringLiteral("bir"), QStringLiteral("iki") });
    combo.SetStyle(cbsDropDownList);
    combo.SetTextBefore(QStringLiteral(">"));
    TComboBoxColumn combo2;
    combo2.Assign(&combo);
    EXPECT_EQ(combo2.Items(), combo.Items());
    EXPECT_EQ(combo2.Style(), cbsDropDownList);
    EXPECT_EQ(combo2.TextBefore(), QStringLiteral(">"));

    // Across classes only the common settings travel.
    TTextualColumn text;
    text.Assign(&a);
    EXPECT_TRUE(text.TextAfter().isEmpty());
}

TEST(ColumnClasses, ImageListReferencesAreDroppedWhenTheListGoes)
{
    TImageColumn column;
    auto* images = new TCustomImageList;
    column.SetImages(images);
    column.SetMasks(images);
    delete images;
    EXPECT_EQ(column.Images(), nullptr);
    EXPECT_EQ(column.Masks(), nullptr);
}

TEST(ColumnClasses, ProgressMaximumCannotBeZero)
{
    TProgressColumn column;
    EXPECT_THROW(column.SetMax(0), EInvalidOperation);
    EXPECT_EQ(column.Max(), 100);
}

TEST(ColumnClasses, RepaintingSettingsAskForTheirCells)
{
    FakeGrid grid;
    auto* rate = new TRateColumn;
    grid.columns->Add(rate);
    rate->SetMax(5); // unchanged: no repaint
    EXPECT_TRUE(grid.invalidated.isEmpty());
    rate->SetMax(7);
    rate->SetMasked(true);
    ASSERT_EQ(grid.invalidated.size(), 2);
    EXPECT_EQ(grid.invalidated[0].column, rate);
    EXPECT_EQ(int(grid.invalidated[0].kind), int(AreaCells));
}

TEST(ColumnClasses, OwnSettingsSurviveTheStoredDescription)
{
    RegisterStandardColumnClasses();
    FakeGrid grid;
    auto* progress = new TProgressColumn;
    progress->SetProgressStyle(TProgressStyle::psCylinder);
    progress->SetMax(250);
    progress->SetBorderColor(clRed);
    auto* numeric = new TNumericColumn;
    numeric->SetFormatMask("#,##0.00");
    auto* combo = new TComboBoxColumn;
    combo->SetItems({ QStringLiteral("Hat 1"), QStringLiteral("Hat 2") });
    combo->SetDropDownCount(3);
    grid.columns->Add(progress);
    grid.columns->Add(numeric);
    grid.columns->Add(combo);

    FakeGrid copy;
    copy.Load(grid.columns->WriteColumns());
    ASSERT_EQ(copy.columns->Count(), 3);
    auto* p = qobject_cast<TProgressColumn*>(copy.columns->Items(0));
    auto* n = qobject_cast<TNumericColumn*>(copy.columns->Items(1));
    auto* c = qobject_cast<TComboBoxColumn*>(copy.columns->Items(2));
    ASSERT_TRUE(p && n && c);
    EXPECT_EQ(p->ProgressStyle(), TProgressStyle::psCylinder);
    EXPECT_EQ(p->Max(), 250);
    EXPECT_EQ(p->BorderColor(), clRed);
    EXPECT_EQ(n->FormatMask(), QByteArray("#,##0.00"));
    EXPECT_EQ(c->Items(), combo->Items());
    EXPECT_EQ(c->DropDownCount(), 3);
    EXPECT_EQ(copy.cells->ColCount(), 3);
}
