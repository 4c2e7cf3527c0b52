#include "ScrollView.h"
#include "FlyoutControl.h"
#include "ViewServices.h"

#include <QApplication>
#include <QProxyStyle>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

namespace {

// A view that records what the base asks of the window.
class ProbeView : public TScrollView
{
public:
    using TScrollView::MouseDown;
    using TScrollView::MouseMove;
    using TScrollView::MouseUp;

    struct Push
    {
        TScrollBarKind kind;
        int min, max, page, position;
    };
    std::vector<Push> pushes;
    std::vector<std::pair<int, int>> scrolls;
    std::vector<int> messages;
    int beforeScrolls = 0;

    void SetScrollInfo(TScrollBarKind kind, int min, int max, int page, int position) override
    {
        pushes.push_back({ kind, min, max, page, position });
        TScrollView::SetScrollInfo(kind, min, max, page, position);
    }
    void ScrollContent(int dx, int dy) override
    {
        scrolls.emplace_back(dx, dy);
        TScrollView::ScrollContent(dx, dy);
    }
    void BeforeScroll(TScrollBarKind kind) override
    {
        ++beforeScrolls;
        TScrollView::BeforeScroll(kind);
    }
    void ScrollMessage(TScrollBarKind kind, int code) override
    {
        messages.push_back(code);
        TScrollView::ScrollMessage(kind, code);
    }
};

class ScrollViewTest : public ::testing::Test
{
protected:
    FakeViewServices services;
    std::unique_ptr<ProbeView> view;

    void SetUp() override
    {
        SetViewServices(&services);
        view = std::make_unique<ProbeView>();
        view->resize(200, 200);
    }
    void TearDown() override
    {
        view.reset();
        SetViewServices(nullptr);
    }
    TControlScrollBar& vert() { return *view->VertScrollBar(); }
    TControlScrollBar& horz() { return *view->HorzScrollBar(); }
};

} // namespace

TEST_F(ScrollViewTest, PositionIsKeptWithinMinAndMax)
{
    vert().SetPosition(150);
    EXPECT_EQ(vert().Position(), 100);
    vert().SetPosition(-3);
    EXPECT_EQ(vert().Position(), 0);
    vert().SetMin(10);
    vert().SetMax(5);
    vert().SetPosition(7);
    EXPECT_EQ(vert().Position(), 10) << "Min wins over Max";
    vert().SetMin(-4);
    EXPECT_EQ(vert().Min(), 0);
    vert().SetMax(-1);
    EXPECT_EQ(vert().Max(), 0);
}

TEST_F(ScrollViewTest, PositionScrollsByTheDeltaEvenWhenUnchanged)
{
    vert().SetPosition(30);
    vert().SetPosition(30);
    horz().SetPosition(4);
    ASSERT_EQ(view->scrolls.size(), 3u);
    EXPECT_EQ(view->scrolls[0], std::make_pair(0, -30));
    EXPECT_EQ(view->scrolls[1], std::make_pair(0, 0));
    EXPECT_EQ(view->scrolls[2], std::make_pair(-4, 0));
    EXPECT_EQ(view->beforeScrolls, 3);

    // Lowering Max moves the thumb without scrolling.
    vert().SetMax(10);
    EXPECT_EQ(vert().Position(), 10);
    EXPECT_EQ(view->scrolls.size(), 3u);
}

TEST_F(ScrollViewTest, BarsArePushedOnlyOnceTheWindowExists)
{
    vert().SetMax(50);
    EXPECT_TRUE(view->pushes.empty());
    view->HandleNeeded();
    ASSERT_EQ(view->pushes.size(), 2u) << "window creation pushes both bars";
    EXPECT_EQ(view->pushes[0].kind, sbVertical);
    EXPECT_EQ(view->pushes[1].kind, sbHorizontal);
    EXPECT_EQ(view->pushes[0].max, 50);
}

TEST_F(ScrollViewTest, SetParamsKeepsThePositionAndPushesOnce)
{
    view->HandleNeeded();
    vert().SetPosition(70);
    view->pushes.clear();
    vert().SetParams(-1, 0, 40, 1, true, true);
    EXPECT_EQ(vert().Position(), 40);
    ASSERT_EQ(view->pushes.size(), 1u);
    EXPECT_EQ(view->pushes[0].max, 40);
    EXPECT_EQ(view->pushes[0].page, 1);
    EXPECT_EQ(view->pushes[0].position, 40);

    vert().SetParams(12, 0, 40, 5, false, true);
    EXPECT_EQ(vert().Position(), 12);
    QScrollBar* bar = view->NativeBar(sbVertical);
    EXPECT_EQ(bar->maximum(), 36) << "room for the page";
    EXPECT_EQ(bar->value(), 12);
    EXPECT_FALSE(bar->isEnabled());
}

TEST_F(ScrollViewTest, NegativePageIsRefusedAndChangesNothing)
{
    vert().SetParams(5, 0, 40, 2, true, true);
    EXPECT_THROW(vert().SetParams(9, 1, 90, -1, false, false), ERangeError);
    EXPECT_THROW(vert().SetPageSize(-3), ERangeError);
    EXPECT_EQ(vert().Position(), 5);
    EXPECT_EQ(vert().Max(), 40);
    EXPECT_EQ(vert().PageSize(), 2);
    EXPECT_TRUE(vert().Enabled());
    EXPECT_FALSE(vert().Updating());
}

TEST_F(ScrollViewTest, EveryRequestCode)
{
    view->HandleNeeded();
    vert().SetParams(50, 3, 100, 1, true, true);
    vert().SetLineStep(2);
    vert().SetPageStep(10);
    struct Case
    {
        int code;
        int expected;
    } cases[] = { { SB_LINEUP, 48 }, { SB_LINEDOWN, 50 }, { SB_PAGEUP, 40 }, { SB_PAGEDOWN, 50 },
        { SB_TOP, 3 }, { SB_BOTTOM, 100 }, { SB_ENDSCROLL, 100 }, { 9, 100 } };
    for (const Case& c : cases) {
        view->ScrollMessage(sbVertical, c.code);
        EXPECT_EQ(vert().Position(), c.expected) << "code " << c.code;
    }
    view->NativeBar(sbVertical)->setSliderPosition(17);
    view->ScrollMessage(sbVertical, SB_THUMBTRACK);
    EXPECT_EQ(vert().Position(), 17);
    view->NativeBar(sbVertical)->setSliderPosition(23);
    view->ScrollMessage(sbVertical, SB_THUMBPOSITION);
    EXPECT_EQ(vert().Position(), 23);
    EXPECT_EQ(horz().Position(), 0) << "the other bar stays";
}

TEST_F(ScrollViewTest, ScrollMessagesShowTheBarWithTheView)
{
    view->HandleNeeded();
    vert().SetParams(1, 0, 10, 1, true, true);
    QScrollBar* bar = view->NativeBar(sbVertical);
    EXPECT_FALSE(bar->isHidden());
    view->ScrollMessage(sbVertical, SB_ENDSCROLL);
    EXPECT_TRUE(bar->isHidden()) << "the view itself is not shown";
    view->show();
    view->ScrollMessage(sbVertical, SB_ENDSCROLL);
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(vert().Position(), 1);
}

TEST_F(ScrollViewTest, LineAndPageStepsNeedARange)
{
    vert().SetMax(0);
    vert().LineDown();
    vert().PageDown();
    vert().LineUp();
    vert().PageUp();
    EXPECT_TRUE(view->messages.empty());
    vert().SetMax(1);
    vert().LineDown();
    vert().PageUp();
    EXPECT_EQ(view->messages, (std::vector<int> { SB_LINEDOWN, SB_PAGEUP }));
}

TEST_F(ScrollViewTest, OverflowingArithmeticIsRefused)
{
    vert().SetMax(INT_MAX);
    vert().SetPosition(5);
    vert().SetLineStep(INT_MAX);
    EXPECT_THROW(vert().LineDown(), EIntOverflow);
    EXPECT_EQ(vert().Position(), 5);
    vert().SetPageStep(INT_MIN);
    EXPECT_THROW(vert().PageUp(), EIntOverflow);
    EXPECT_EQ(vert().Position(), 5);
    view->SetVertScrollUnit(INT_MAX / 2);
    EXPECT_THROW(vert().SetPosition(8), EIntOverflow) << "three rows of pixels overflow";
}

TEST_F(ScrollViewTest, LineDownScrollsTheVerticalClipArea)
{
    view->show();
    vert().SetParams(-1, 0, 10, 1, true, true);
    view->SetVertScrollUnit(18);
    view->SetVertClipRect(Rect(0, 20, 150, 150));
    TCanvas& canvas = view->Canvas();
    for (int y = 0; y < 200; ++y)
        canvas.FillSolid(Rect(0, y, 200, y + 1), TColor(y));
    view->ValidateRect(view->ClientRect());
    vert().LineDown();
    EXPECT_EQ(vert().Position(), 1);
    EXPECT_EQ(canvas.Pixel(10, 20), TColor(38)) << "moved up by 18 pixels";
    EXPECT_EQ(canvas.Pixel(10, 131), TColor(149));
    EXPECT_EQ(canvas.Pixel(10, 19), TColor(19)) << "above the clip area";
    EXPECT_EQ(canvas.Pixel(160, 50), TColor(50)) << "right of the clip area";

    // An empty clip rectangle moves nothing.
    view->SetVertClipRect(TRect());
    vert().LineDown();
    EXPECT_EQ(canvas.Pixel(10, 20), TColor(38));
}

TEST_F(ScrollViewTest, NativeBarActionsBecomeRequests)
{
    view->show();
    vert().SetParams(-1, 0, 30, 1, true, true);
    vert().SetLineStep(3);
    QScrollBar* bar = view->NativeBar(sbVertical);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(vert().Position(), 3);
    EXPECT_EQ(bar->value(), 3) << "the bar shows the view's position";
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(vert().Position(), 30);
    EXPECT_EQ(view->messages, (std::vector<int> { SB_LINEDOWN, SB_BOTTOM }));
}

TEST_F(ScrollViewTest, TheWindowsBarLooksAsAPlainBarInEveryState)
{
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    const QPoint away(100, 190);
    QTest::mouseMove(view.get(), away);
    // Ours beside the bar as Qt makes it, in the same window.
    QScrollBar plain(Qt::Vertical, view.get());
    QScrollBar* const bars[] = { view->NativeBar(sbVertical), &plain };
    bars[0]->setGeometry(180, 0, 20, 200);
    plain.setGeometry(150, 0, 20, 200);
    for (QScrollBar* b : bars)
        b->show();
    QPalette red = plain.palette();
    red.setColor(QPalette::Button, Qt::red);
    // Each step changes what the last one showed: a picture kept too long shows
    // the last step's bar.
    const std::pair<const char*, std::function<void(QScrollBar*)>> steps[] = {
        { "at the start", [](QScrollBar* b) { b->setRange(0, 1000), b->setPageStep(10); } },
        { "one step on", [](QScrollBar* b) { b->setValue(1); } },
        { "thumb moved", [](QScrollBar* b) { b->setValue(500); } },
        { "thumb where it was", [](QScrollBar* b) { b->setValue(501); } },
        { "at the end", [](QScrollBar* b) { b->setValue(1000); } },
        { "longer thumb", [](QScrollBar* b) { b->setPageStep(800); } },
        { "disabled", [](QScrollBar* b) { b->setEnabled(false); } },
        { "enabled, no range", [](QScrollBar* b) { b->setEnabled(true), b->setRange(0, 0); } },
        { "other palette", [&](QScrollBar* b) { b->setRange(0, 99), b->setPalette(red); } },
        { "shorter", [](QScrollBar* b) { b->resize(20, 120), b->setPalette(QPalette()); } },
        { "pointer gone by",
            [&](QScrollBar* b) {
                QTest::mouseMove(view.get(), b->geometry().center());
                QTest::mouseMove(view.get(), away);
            } },
    };
    for (const auto& [what, change] : steps) {
        for (QScrollBar* b : bars)
            change(b);
        QApplication::processEvents();
        EXPECT_EQ(bars[0]->grab().toImage(), plain.grab().toImage()) << what;
    }
}

TEST_F(ScrollViewTest, ALineScrollThatLeavesTheThumbInPlaceDrawsTheBarFromItsPicture)
{
    class CountingStyle : public QProxyStyle
    {
    public:
        mutable int bars = 0;
        void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
            QPainter* painter, const QWidget* widget) const override
        {
            bars += control == CC_ScrollBar;
            QProxyStyle::drawComplexControl(control, option, painter, widget);
        }
    } style;
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    QTest::mouseMove(view.get(), QPoint(10, 10));
    view->NativeBar(sbVertical)->setStyle(&style);
    vert().SetParams(500000, 0, 1000000, 1, true, true);
    QApplication::processEvents();
    // A million rows: a line is far less than a pixel of the bar.
    for (const int to : { 500001, 500000, 500001, 900000 }) {
        style.bars = 0;
        vert().SetPosition(to);
        QApplication::processEvents();
        EXPECT_EQ(style.bars, to == 900000 ? 1 : 0) << to;
    }
    view->NativeBar(sbVertical)->setStyle(nullptr);
}

TEST_F(ScrollViewTest, AssignCopiesAnotherBarsSettings)
{
    TControlScrollBar other(view.get(), sbVertical);
    other.SetParams(7, 1, 20, 2, false, true);
    other.SetLineStep(4);
    vert().Assign(&other);
    EXPECT_EQ(vert().Position(), 7);
    EXPECT_EQ(vert().Max(), 20);
    EXPECT_EQ(vert().LineStep(), 4);
    EXPECT_FALSE(vert().Enabled());
    TBrush brush;
    EXPECT_THROW(vert().Assign(&brush), EConvertError);
}

// ---------------------------------------------------------------- roll

class RollTest : public ScrollViewTest
{
protected:
    void SetUp() override
    {
        ScrollViewTest::SetUp();
        view->show();
        vert().SetParams(500, 0, 1000, 1, true, true);
        view->MouseDown(mbMiddle, ssMiddle, 50, 100);
    }
    void moveTo(int y)
    {
        view->MouseMove(ssMiddle, 50, y);
        services.SetCursorPos(view->mapToGlobal(QPoint(50, y)));
    }
};

TEST_F(RollTest, MiddleButtonStartsARoll)
{
    EXPECT_TRUE(view->Rolling());
    EXPECT_EQ(view->RollOrigin(), Point(50, 100));
    EXPECT_TRUE(view->RollShadow()->isVisible());
    EXPECT_EQ(view->RollShadow()->geometry(),
        QRect(view->mapToGlobal(QPoint(50, 100)) - QPoint(7, 11), QSize(32, 32)));
    EXPECT_TRUE(view->RollTimer()->Enabled());
    EXPECT_EQ(view->RollTimer()->Interval(), 1);
    EXPECT_EQ(Screen()->Cursors(crRoll).hotSpot(), QPoint(6, 10));
}

TEST_F(RollTest, NoScrollWithinFivePixels)
{
    moveTo(97);
    EXPECT_FALSE(view->RollingUp());
    EXPECT_EQ(Screen()->Cursor(), crRoll);
    moveTo(105);
    services.Advance(1000);
    EXPECT_EQ(vert().Position(), 500);
}

TEST_F(RollTest, OneLineEveryHundredMinusDistanceMilliseconds)
{
    moveTo(80); // 20 pixels above
    EXPECT_TRUE(view->RollingUp());
    EXPECT_EQ(Screen()->Cursor(), crRollUp);
    services.Advance(1);
    EXPECT_EQ(vert().Position(), 499);
    EXPECT_EQ(view->RollTimer()->Interval(), 80);
    services.Advance(79);
    EXPECT_EQ(vert().Position(), 499);
    services.Advance(1);
    EXPECT_EQ(vert().Position(), 498);
    services.Advance(160);
    EXPECT_EQ(vert().Position(), 496);

    moveTo(94); // 6 pixels above: the slowest roll
    services.Advance(80);
    EXPECT_EQ(view->RollTimer()->Interval(), 94);
}

TEST_F(RollTest, OneMillisecondFrom99PixelsOn)
{
    moveTo(199);
    EXPECT_EQ(Screen()->Cursor(), crRollDown);
    services.Advance(1);
    EXPECT_EQ(view->RollTimer()->Interval(), 1);
    moveTo(250); // 150 pixels below
    const int before = vert().Position();
    services.Advance(10);
    EXPECT_EQ(vert().Position(), before + 10);
    EXPECT_EQ(view->RollTimer()->Interval(), 1);
    services.Advance(1000);
    EXPECT_EQ(vert().Position(), 1000) << "stops at the end without error";
}

TEST_F(RollTest, AnyButtonEndsTheRoll)
{
    moveTo(40);
    view->MouseUp(mbRight, 0, 50, 40);
    EXPECT_FALSE(view->Rolling());
    EXPECT_FALSE(view->RollTimer()->Enabled());
    EXPECT_FALSE(view->RollShadow()->isVisible());
    EXPECT_EQ(Screen()->Cursor(), crDefault);
    services.Advance(500);
    EXPECT_EQ(vert().Position(), 500);

    // A new roll starts without the old direction.
    view->MouseDown(mbMiddle, ssMiddle, 50, 100);
    services.SetCursorPos(view->mapToGlobal(QPoint(50, 40)));
    services.Advance(100);
    EXPECT_EQ(vert().Position(), 500);
    view->MouseUp(mbMiddle, 0, 50, 100);
}

TEST_F(ScrollViewTest, RollThroughRealMouseEvents)
{
    view->show();
    vert().SetParams(500, 0, 1000, 1, true, true);
    int downs = 0;
    view->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    QTest::mousePress(view.get(), Qt::MiddleButton, {}, QPoint(50, 100));
    EXPECT_EQ(downs, 1) << "the inherited step raises the event";
    EXPECT_TRUE(view->Rolling());
    QTest::mouseRelease(view.get(), Qt::MiddleButton, {}, QPoint(50, 100));
    EXPECT_FALSE(view->Rolling());
}

// ---------------------------------------------------------------- shadow and cursors

TEST(RollShadow, ShapeIsTwoArrowsAndADot)
{
    const QRegion shape = TRollShadow::Shape();
    EXPECT_TRUE(shape.contains(QPoint(7, 3))) << "up arrow";
    EXPECT_TRUE(shape.contains(QPoint(7, 11))) << "dot";
    EXPECT_TRUE(shape.contains(QPoint(6, 17))) << "down arrow";
    EXPECT_FALSE(shape.contains(QPoint(1, 1)));
    EXPECT_FALSE(shape.contains(QPoint(1, 10))) << "between the arrows, beside the dot";
    EXPECT_FALSE(shape.contains(QPoint(20, 20)));

    TRollShadow shadow;
    shadow.ShowAt(Point(100, 200));
    EXPECT_EQ(shadow.geometry(), QRect(93, 189, 32, 32));
    EXPECT_EQ(shadow.mask(), shape);
    shadow.Update();
    EXPECT_EQ(shadow.Canvas().Pixel(7, 3), ColorToRGB(clGrayText));
}

TEST(RollCursors, DrawnFromThePattern)
{
    auto image = [](TCursor id) { return TScrollView::RollCursor(id).pixmap().toImage(); };
    auto black = [](const QImage& i, int x, int y) { return qAlpha(i.pixel(x, y)) == 255; };
    const QImage roll = image(crRoll), up = image(crRollUp), down = image(crRollDown);
    for (const QImage* i : { &roll, &up, &down }) {
        EXPECT_TRUE(black(*i, 5, 10)) << "the dot";
        EXPECT_FALSE(black(*i, 4, 10));
    }
    EXPECT_TRUE(black(roll, 6, 0) && black(roll, 7, 0) && !black(roll, 5, 0)) << "apex";
    EXPECT_TRUE(black(roll, 0, 6) && black(roll, 13, 6) && !black(roll, 14, 6));
    EXPECT_TRUE(black(roll, 0, 15) && black(roll, 6, 21) && !black(roll, 5, 21));
    EXPECT_TRUE(black(up, 0, 6) && !black(up, 0, 15));
    EXPECT_TRUE(!black(down, 0, 6) && black(down, 0, 15));
    EXPECT_EQ(TScrollView::RollCursor(crRollUp).hotSpot(), QPoint(6, 10));
}
