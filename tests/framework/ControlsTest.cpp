#include "Controls.h"
#include "Forms.h"

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Paints every pixel it is asked for in one colour and notes the clip box.
class PaintProbe : public TCustomControl
{
public:
    TColor colour = clRed;
    std::vector<TRect> clips;
    bool fail = false;

protected:
    void Paint() override
    {
        clips.push_back(Canvas().ClipRect());
        if (fail)
            throw Exception(QStringLiteral("paint failed"));
        Canvas().Brush().SetColor(colour);
        Canvas().FillRect(ClientRect());
    }
};

} // namespace

TEST(CustomControl, PaintsOnlyWhatIsInvalid)
{
    PaintProbe control;
    control.resize(40, 30);
    control.Update();
    ASSERT_EQ(control.clips.size(), 1u);
    EXPECT_EQ(control.clips[0], Rect(0, 0, 40, 30));
    EXPECT_EQ(control.Canvas().Pixel(39, 29), clRed);

    control.colour = clLime;
    control.InvalidateRect(Rect(5, 5, 10, 8));
    control.Update();
    ASSERT_EQ(control.clips.size(), 2u);
    EXPECT_EQ(control.clips[1], Rect(5, 5, 10, 8));
    EXPECT_EQ(control.Canvas().Pixel(5, 5), clLime);
    EXPECT_EQ(control.Canvas().Pixel(10, 5), clRed) << "outside the invalid area";
    EXPECT_FALSE(control.Canvas().HasClip()) << "the clip goes when Paint ends";

    control.Update();
    EXPECT_EQ(control.clips.size(), 2u) << "nothing left to paint";
}

TEST(CustomControl, ScrollingUncoversOnlyTheStripLeftBehind)
{
    PaintProbe control;
    control.resize(40, 30);
    control.Update();
    control.Canvas().FillSolid(Rect(0, 10, 40, 11), clBlue);
    control.ScrollPixels(0, -4, Rect(0, 5, 40, 25));
    EXPECT_EQ(control.Canvas().Pixel(3, 6), clBlue);
    control.colour = clBlack;
    control.Update();
    ASSERT_EQ(control.clips.size(), 2u);
    EXPECT_EQ(control.clips[1], Rect(0, 21, 40, 25));
    EXPECT_EQ(control.Canvas().Pixel(3, 6), clBlue);
    EXPECT_EQ(control.Canvas().Pixel(3, 22), clBlack);
}

// Many scrolls of a part of the surface, both ways and by up to most of its
// height, against a plain image moved the obvious way: the part moves, the
// rest stays, and what is uncovered is painted again.
TEST(CustomControl, ScrollsMoveOnlyTheirAreaHoweverFarTheyGo)
{
    PaintProbe control;
    control.resize(40, 30);
    control.Update();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            control.Canvas().SetPixel(x, y, TColor(y * 8 + x * 0x10000 + 0x100));
    control.Canvas().Release();
    QImage expected = control.Canvas().Image()->copy();

    const QRect area(3, 4, 30, 22);
    const int steps[] = { -3, -3, -7, 5, -19, -19, -19, 11, 19, 19, 19, 19, -1, 2, -21, 21, -10 };
    for (const int dy : steps) {
        QImage moved = expected.copy();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const int from = y - dy;
            for (int x = area.left(); x <= area.right(); ++x)
                moved.setPixel(x, y,
                    from >= area.top() && from <= area.bottom() ? expected.pixel(x, from)
                                                                : QColor(Qt::blue).rgb());
        }
        expected = moved;
        control.colour = clBlue;
        control.ScrollPixels(0, dy, TRect::FromQRect(area));
        control.Update();
        control.Canvas().Release();
        ASSERT_EQ(*control.Canvas().Image(), expected) << "after a scroll by " << dy;
    }

    // A copy of the surface held elsewhere does not get in the way.
    const QImage held = *control.Canvas().Image();
    control.Canvas().SetPixel(0, 0, clBlack);
    control.ScrollPixels(0, -2, TRect::FromQRect(area));
    EXPECT_EQ(control.Canvas().Pixel(0, 0), clBlack);
    EXPECT_EQ(QColor(held.pixel(0, 0)).rgb(), expected.pixel(0, 0));
}

// A window being laid out is resized several times before it shows: its
// pixels follow at the next drawing, keeping what stays inside.
TEST(CustomControl, ResizedWhileHiddenItKeepsWhatStaysInside)
{
    PaintProbe control;
    control.resize(40, 30);
    control.Update();
    control.resize(30, 20);
    control.resize(60, 50);
    control.colour = clLime;
    control.Update();
    ASSERT_EQ(control.Canvas().Image()->size(), QSize(60, 50));
    EXPECT_EQ(control.Canvas().Pixel(0, 0), clRed);
    EXPECT_EQ(control.Canvas().Pixel(29, 19), clRed);
    EXPECT_EQ(control.Canvas().Pixel(59, 49), clLime);
    EXPECT_EQ(control.Canvas().Pixel(45, 5), clLime);

    control.show();
    control.colour = clBlue;
    control.resize(70, 50);
    control.Update();
    EXPECT_EQ(control.Canvas().Pixel(65, 10), clBlue);
    EXPECT_EQ(control.Canvas().Pixel(0, 0), clRed);
}

TEST(CustomControl, AFailingPaintIsReportedNotThrown)
{
    QStringList messages;
    Application()->OnException = [&](TObject*, const QString& m) { messages.append(m); };
    PaintProbe control;
    control.fail = true;
    control.resize(10, 10);
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    control.repaint();
    EXPECT_EQ(messages, QStringList { QStringLiteral("paint failed") });
    Application()->OnException = nullptr;
}
