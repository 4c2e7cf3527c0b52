#include "CellEditors.h"
#include "Screen.h"
#include "ThemesSupport.h"
#include "ViewServices.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The grid's side of an editor, as far as the editor can see it.
class FakeHost : public TCellEditorHost
{
public:
    QStringList calls;
    int eatKey = 0;

    void EditorChange(TCellEditor*) override { calls << QStringLiteral("change"); }
    void EditorEdit(TCellEditor*, const QString& value) override
    {
        calls << QStringLiteral("edit:") + value;
    }
    void EditorEnter(TCellEditor*) override { calls << QStringLiteral("enter"); }
    void EditorExit(TCellEditor*) override { calls << QStringLiteral("exit"); }
    void EditorKeyDown(TCellEditor*, int& key, Qt::KeyboardModifiers) override
    {
        calls << QStringLiteral("key:%1").arg(key);
        if (key == eatKey)
            key = 0;
    }
};

QString sep()
{
    return QString(DecimalSeparator());
}

void typeChar(TTextualEditor& editor, QChar ch)
{
    QTest::sendKeyEvent(QTest::Click, editor.EditWindow(), Qt::Key_unknown, QString(ch), {});
}

// A wheel event of `delta` eighths of a degree (120 a notch; up is positive).
void Wheel(QWidget* widget, int delta)
{
    QWheelEvent event(QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

void putCaret(TTextualEditor& editor, int position)
{
    editor.EditWindow()->setCursorPosition(position);
}

} // namespace

TEST(CellEditors, NewNumericEditorsShowZeroByTheirPrecision)
{
    TNumericEditor numeric;
    EXPECT_EQ(numeric.Text(), QStringLiteral("0") + sep() + QStringLiteral("00"));
    EXPECT_EQ(numeric.Options(), eoAllowFloat | eoAllowSigns);
    EXPECT_EQ(numeric.size(), QSize(121, 20));
    EXPECT_EQ(numeric.Color(), clWindow);
    EXPECT_EQ(numeric.BorderWidth(), 1);

    TSpinEditor spin;
    EXPECT_EQ(spin.Text(), QStringLiteral("0"));
    EXPECT_EQ(spin.Precision(), 0);
    EXPECT_EQ(spin.Increment(), 1.0);
}

TEST(CellEditors, NumericKeysAreFiltered)
{
    TNumericEditor editor;
    editor.ClearValue();
    typeChar(editor, QLatin1Char('1'));
    typeChar(editor, DecimalSeparator());
    typeChar(editor, QLatin1Char('5'));
    typeChar(editor, DecimalSeparator());
    EXPECT_EQ(editor.Text(), QStringLiteral("1") + sep() + QStringLiteral("5"));
    EXPECT_DOUBLE_EQ(editor.Value(), 1.5);

    // Letters never; a sign only at the start and only once.
    typeChar(editor, QLatin1Char('a'));
    putCaret(editor, 1);
    typeChar(editor, QLatin1Char('-'));
    EXPECT_EQ(editor.Text(), QStringLiteral("1") + sep() + QStringLiteral("5"));
    putCaret(editor, 0);
    typeChar(editor, QLatin1Char('-'));
    EXPECT_EQ(editor.Text(), QStringLiteral("-1") + sep() + QStringLiteral("5"));
    putCaret(editor, 0);
    typeChar(editor, QLatin1Char('+'));
    EXPECT_EQ(editor.Text(), QStringLiteral("-1") + sep() + QStringLiteral("5"));

    // Backspace still edits; Enter is not typed.
    putCaret(editor, 4);
    QTest::keyClick(editor.EditWindow(), Qt::Key_Backspace);
    QTest::keyClick(editor.EditWindow(), Qt::Key_Return);
    EXPECT_EQ(editor.Text(), QStringLiteral("-1") + sep());
    EXPECT_DOUBLE_EQ(editor.Value(), -1);

    // Without floats and signs only digits go in; with eoAllowAll anything does.
    editor.SetOptions(0);
    editor.ClearValue();
    typeChar(editor, QLatin1Char('-'));
    typeChar(editor, DecimalSeparator());
    typeChar(editor, QLatin1Char('7'));
    EXPECT_EQ(editor.Text(), QStringLiteral("7"));
    editor.SetOptions(eoAllowAll);
    typeChar(editor, QLatin1Char('x'));
    EXPECT_EQ(editor.Text(), QStringLiteral("7x"));
    EXPECT_DOUBLE_EQ(editor.Value(), 7) << "a number is read from whatever was typed";
}

TEST(CellEditors, NumericPasteKeepsWhatANumberMayHold)
{
    TNumericEditor editor;
    QClipboard* clipboard = QApplication::clipboard();

    editor.ClearValue();
    clipboard->setText(
        QStringLiteral("a-1") + sep() + QStringLiteral("2") + sep() + QStringLiteral("3b"));
    QTest::keyClick(editor.EditWindow(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor.Text(), QStringLiteral("-1") + sep() + QStringLiteral("23"));
    EXPECT_EQ(editor.EditWindow()->cursorPosition(), 0) << "the caret returns to where it was";

    // The text already holds a separator and the caret is not at the start.
    putCaret(editor, 2);
    clipboard->setText(QStringLiteral("-4") + sep() + QStringLiteral("5"));
    QTest::keyClick(editor.EditWindow(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor.Text(), QStringLiteral("-145") + sep() + QStringLiteral("23"));
    EXPECT_EQ(editor.EditWindow()->cursorPosition(), 2);

    // A sign in front of a text that has one already would make two.
    putCaret(editor, 0);
    clipboard->setText(QStringLiteral("-9"));
    QTest::keyClick(editor.EditWindow(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor.Text().left(3), QStringLiteral("9-1"));

    // Pasting over a selection replaces it, and the rest decides about separators.
    editor.SelectAll();
    clipboard->setText(QStringLiteral("+2") + sep() + QStringLiteral("5"));
    QTest::keyClick(editor.EditWindow(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(editor.Text(), QStringLiteral("+2") + sep() + QStringLiteral("5"));

    // A clipboard without text pastes nothing.
    clipboard->clear();
    editor.SelectAll();
    QTest::keyClick(editor.EditWindow(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor.Text(), QString());
    EXPECT_DOUBLE_EQ(editor.Value(), 0);
}

TEST(CellEditors, NumericFormattingAndReading)
{
    TNumericEditor editor;
    editor.SetTextAfter(QStringLiteral(" m2"));
    editor.SetValue(3.5);
    EXPECT_EQ(editor.Text(), QStringLiteral("3") + sep() + QStringLiteral("50 m2"));
    EXPECT_DOUBLE_EQ(editor.Value(), 3.5) << "the unit's digits are no part of the value";

    editor.SetPrecision(0);
    EXPECT_EQ(editor.Text(), QStringLiteral("3") + sep() + QStringLiteral("5 m2"));

    editor.SetNullText(QStringLiteral("yok"));
    EXPECT_EQ(editor.Text(), QStringLiteral("yok"));
    EXPECT_DOUBLE_EQ(editor.Value(), 0);

    // Half-typed numbers read as 0 rather than failing.
    editor.SetText(QStringLiteral("-"));
    EXPECT_DOUBLE_EQ(editor.Value(), 0);
    editor.SetText(sep());
    EXPECT_DOUBLE_EQ(editor.Value(), 0);
}

TEST(CellEditors, SpinSteppingRespectsMinAndMax)
{
    TSpinEditor spin;
    spin.SetPrecision(1);
    spin.SetValue(0.5);
    spin.StepDown();
    EXPECT_DOUBLE_EQ(spin.Value(), 0.5) << "Min 0 bounds even a new editor";

    for (int i = 0; i < 1000; ++i)
        spin.StepUp();
    EXPECT_DOUBLE_EQ(spin.Value(), 1000.5) << "Max 0 means no upper bound";

    spin.SetMax(3);
    spin.SetValue(1.5);
    spin.StepUp();
    spin.StepUp();
    EXPECT_DOUBLE_EQ(spin.Value(), 2.5);
    spin.SetMin(-2);
    spin.SetIncrement(2);
    spin.StepDown();
    spin.StepDown();
    spin.StepDown();
    EXPECT_DOUBLE_EQ(spin.Value(), -1.5);
}

TEST(CellEditors, SpinButtonsRepeatWhileHeld)
{
    FakeViewServices services;
    SetViewServices(&services);
    {
        TSpinEditor spin;
        spin.resize(80, 22);
        spin.show();
        TSpinButtons* buttons = spin.SpinButtons();
        ASSERT_EQ(buttons->geometry().right(), spin.width() - 2);

        QTest::mousePress(buttons, Qt::LeftButton, {}, QPoint(3, 2));
        EXPECT_EQ(spin.Text(), QStringLiteral("1")) << "a press steps at once";
        services.Advance(399);
        EXPECT_EQ(spin.Text(), QStringLiteral("1"));
        services.Advance(1);
        EXPECT_EQ(spin.Text(), QStringLiteral("2"));
        services.Advance(100);
        EXPECT_EQ(spin.Text(), QStringLiteral("7"));
        QTest::mouseRelease(buttons, Qt::LeftButton, {}, QPoint(3, 2));
        services.Advance(1000);
        EXPECT_EQ(spin.Text(), QStringLiteral("7"));

        // The lower half steps down; the Down key holds it until released.
        QTest::mouseClick(buttons, Qt::LeftButton, {}, QPoint(3, buttons->height() - 2));
        EXPECT_EQ(spin.Text(), QStringLiteral("6"));
        QTest::keyPress(spin.EditWindow(), Qt::Key_Down);
        EXPECT_EQ(buttons->Pressed(), TSpinButtons::spDown);
        services.Advance(440);
        EXPECT_EQ(spin.Text(), QStringLiteral("2"));
        QTest::keyRelease(spin.EditWindow(), Qt::Key_Down);
        services.Advance(400);
        EXPECT_EQ(spin.Text(), QStringLiteral("2"));
        EXPECT_EQ(buttons->Pressed(), TSpinButtons::spNone);

        // Held at Min, the repeat just finds nothing to do.
        QTest::mousePress(buttons, Qt::LeftButton, {}, QPoint(3, buttons->height() - 2));
        services.Advance(2000);
        EXPECT_EQ(spin.Text(), QStringLiteral("0"));
        QTest::mouseRelease(buttons, Qt::LeftButton, {}, QPoint(3, buttons->height() - 2));
    }
    SetViewServices(nullptr);
}

TEST(CellEditors, WheelStepsOncePerWholeNotch)
{
    // Two notches in one event step twice; a touchpad's partial notches add up
    // and step once per whole one.
    TSpinEditor spin;
    spin.show();
    Wheel(spin.EditWindow(), 240);
    EXPECT_EQ(spin.Text(), QStringLiteral("2"));
    for (int i = 0; i < 5; ++i)
        Wheel(spin.EditWindow(), 60);
    EXPECT_EQ(spin.Text(), QStringLiteral("4"));
    // The half notch left over counts towards the next step, either way.
    Wheel(spin.EditWindow(), -90);
    EXPECT_EQ(spin.Text(), QStringLiteral("4"));
    Wheel(spin.EditWindow(), -90);
    EXPECT_EQ(spin.Text(), QStringLiteral("3"));

    TComboBoxEditor combo;
    combo.show();
    combo.SetItems({ QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C") });
    combo.SetItemIndex(0);
    for (int i = 0; i < 3; ++i)
        Wheel(combo.EditWindow(), -40);
    EXPECT_EQ(combo.ItemIndex(), 1);
    Wheel(combo.EditWindow(), 119);
    EXPECT_EQ(combo.ItemIndex(), 1);
    Wheel(combo.EditWindow(), 1);
    EXPECT_EQ(combo.ItemIndex(), 0);
}

TEST(CellEditors, ComboItemIndexIsClampedToTheItems)
{
    TComboBoxEditor combo;
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.ItemIndex(), -1) << "without items nothing happens";
    EXPECT_EQ(combo.Text(), QString());

    combo.SetItems({ QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C") });
    combo.SetItemIndex(99);
    EXPECT_EQ(combo.ItemIndex(), 2);
    EXPECT_EQ(combo.Text(), QStringLiteral("C"));
    combo.SetItemIndex(-5);
    EXPECT_EQ(combo.ItemIndex(), 0);

    QTest::keyClick(combo.EditWindow(), Qt::Key_Down);
    QTest::keyClick(combo.EditWindow(), Qt::Key_Down);
    QTest::keyClick(combo.EditWindow(), Qt::Key_Down);
    EXPECT_EQ(combo.Text(), QStringLiteral("C"));
    QTest::keyClick(combo.EditWindow(), Qt::Key_Up);
    EXPECT_EQ(combo.ItemIndex(), 1);

    // A drop-down list takes no typing.
    combo.SetStyle(dsDropDownList);
    EXPECT_TRUE(combo.EditWindow()->isReadOnly());
    typeChar(combo, QLatin1Char('z'));
    EXPECT_EQ(combo.Text(), QStringLiteral("B"));
}

TEST(CellEditors, DatePickerReadsEmptyAndZeroAsToday)
{
    TDatePickerEditor picker;
    EXPECT_EQ(picker.Date(), SysUtils::Date()) << "a new picker shows today";
    picker.SetText(QString());
    EXPECT_EQ(picker.Date(), SysUtils::Date());
    picker.SetText(QStringLiteral("0"));
    EXPECT_EQ(picker.Date(), SysUtils::Date());

    const TDateTime date = SysUtils::ToDateTime(QDateTime(QDate(2007, 1, 15), QTime(0, 0)));
    picker.SetDate(date);
    EXPECT_EQ(picker.Date(), date);
    EXPECT_EQ(picker.GetDateValue(), date);

    picker.SetText(QStringLiteral("bayram"));
    EXPECT_THROW(picker.Date(), EConvertError);
    EXPECT_THROW(picker.GetBooleanValue(), EInvalidOperation);
}

TEST(CellEditors, HostHearsChangesAndKeysFirst)
{
    FakeHost host;
    TTextualEditor editor;
    editor.SetHost(&host);
    int changes = 0;
    QStringList edits;
    editor.OnChange = [&](TObject*) { ++changes; };
    editor.OnEdit = [&](TObject*, const QString& v) { edits << v; };

    editor.SetText(QStringLiteral("ab"));
    EXPECT_EQ(host.calls, (QStringList { QStringLiteral("change"), QStringLiteral("edit:ab") }));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(edits, QStringList { QStringLiteral("ab") });

    host.calls.clear();
    host.eatKey = Qt::Key_Return;
    QTest::keyClick(editor.EditWindow(), Qt::Key_Return);
    QTest::keyClick(editor.EditWindow(), Qt::Key_C);
    EXPECT_EQ(host.calls.first(), QStringLiteral("key:%1").arg(int(Qt::Key_Return)));
    EXPECT_EQ(host.calls.at(1), QStringLiteral("key:%1").arg(int(Qt::Key_C)));
    EXPECT_EQ(editor.Text(), QStringLiteral("abc"));

    // A key the host takes never reaches the text.
    host.eatKey = Qt::Key_D;
    QTest::keyClick(editor.EditWindow(), Qt::Key_D);
    EXPECT_EQ(editor.Text(), QStringLiteral("abc"));

    // While loading, OnChange stays quiet; OnEdit does not.
    editor.SetLoading(true);
    editor.SetText(QStringLiteral("x"));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(edits.last(), QStringLiteral("x"));
}

TEST(CellEditors, TextEditorSelectsAllFromItsLeftEdge)
{
    TTextualEditor editor;
    editor.show();
    editor.SetText(QStringLiteral("Merhaba"));
    editor.Activate();
    EXPECT_EQ(editor.EditWindow()->cursorPosition(), 7);
    EXPECT_FALSE(editor.EditWindow()->hasSelectedText());

    QTest::mouseClick(editor.EditWindow(), Qt::LeftButton, {}, QPoint(1, 8));
    EXPECT_EQ(editor.EditWindow()->selectedText(), QStringLiteral("Merhaba"));

    // The cursor there is the reversed arrow, drawn from its picture.
    const QCursor cursor = Screen()->Cursors(crReversedArrow);
    EXPECT_EQ(cursor.hotSpot(), QPoint(11, 0));
    const QImage image = cursor.pixmap().toImage();
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(image.pixel(11, 0), qRgba(0, 0, 0, 255));
    EXPECT_EQ(image.pixel(10, 2), qRgba(255, 255, 255, 255));
    QTest::mouseMove(editor.EditWindow(), QPoint(1, 8));
    EXPECT_EQ(editor.EditWindow()->cursor().hotSpot(), QPoint(11, 0));
}

TEST(CellEditors, PreviewFrameAndTextRectangle)
{
    TTextualEditor editor;
    editor.resize(100, 22);
    const TRect plain = editor.GetTextRect();
    EXPECT_EQ(plain.Left, 2);
    EXPECT_EQ(plain.Right, 100 - 2 - 1);

    TRect preview;
    editor.OnCustomPreviewDraw = [&](TObject*, const TRect& r) { preview = r; };
    editor.SetShowPreview(true);
    EXPECT_EQ(editor.GetTextRect().Left, 2 + 27);
    const QImage image = editor.grab().toImage();
    // Client (1, 1) is window (2, 2) inside the one-pixel frame.
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(21, 2), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(22, 2), ToQColor(clWindow));
    EXPECT_EQ(preview, TRect(3, 3, 21, 22 - 1 - 2));

    SetClassicDrawing(true);
    editor.Invalidate();
    const QImage classic = editor.grab().toImage();
    SetClassicDrawing(false);
    EXPECT_EQ(classic.pixelColor(0, 10), QColor(128, 128, 128)) << "the classic frame is grey";
}

TEST(CellEditors, CheckBoxTogglesOnSpaceRelease)
{
    // The classic box shows the held look as a grey square.
    SetClassicDrawing(true);
    TCheckBoxEditor box;
    box.resize(40, 20);
    box.show();
    QStringList events;
    box.OnChange = [&](TObject*) { events << QStringLiteral("change"); };
    box.OnEdit = [&](TObject*, const QString& v) { events << v; };

    box.SetText(QStringLiteral("TRUE"));
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(box.GetText(), QStringLiteral("True"));
    EXPECT_EQ(events, (QStringList { QStringLiteral("change"), QStringLiteral("True") }));

    const QImage before = box.grab().toImage();
    QTest::keyPress(&box, Qt::Key_Space);
    EXPECT_TRUE(box.Checked()) << "the press only shows the grayed look";
    const QImage held = box.grab().toImage();
    QTest::keyRelease(&box, Qt::Key_Space);
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(events.last(), QStringLiteral("False"));
    const QImage after = box.grab().toImage();

    const QRect boxRect = box.BoxRect().ToQRect();
    auto differs
        = [&](const QImage& a, const QImage& b) { return a.copy(boxRect) != b.copy(boxRect); };
    EXPECT_TRUE(differs(before, held));
    EXPECT_TRUE(differs(before, after));
    // Outside the box the cell is the editor's colour.
    EXPECT_EQ(after.pixelColor(box.width() - 3, 3), ToQColor(clWindow));

    // A click on the box toggles; a click beside it does not.
    QTest::mouseClick(&box, Qt::LeftButton, {}, boxRect.center());
    EXPECT_TRUE(box.Checked());
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.width() - 3, 3));
    EXPECT_TRUE(box.Checked());
    box.SetText(QStringLiteral("yes"));
    EXPECT_FALSE(box.Checked());
    SetClassicDrawing(false);
}
