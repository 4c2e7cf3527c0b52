#pragma once

#include "Controls.h"
#include "Graphics.h"
#include "ImgList.h"
#include "PopupView.h"
#include "SuiteCommon.h"
#include "SysUtils.h"

#include <QCursor>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class IIntervalTimer;
class TCellEditor;
class TEditWindow;

// The in-place editors a column owns and its grid places over a cell while the
// user edits it. Each editor is a small window of its own; the grid borrows it,
// sets its looks, hands it a text, and listens to it through TCellEditorHost.

// The cursor over the left edge of a text editor, where a press selects all.
constexpr int crReversedArrow = 100;
// The mirrored arrow, built from its pixel picture (hot spot at the tip, top right).
QCursor ReversedArrowCursor();

using TEditEvent = std::function<void(TObject* sender, const QString& value)>;
using TCustomPreviewDrawEvent = std::function<void(TObject* sender, const TRect& previewRect)>;
// Set key to 0 to take the key away from the editor.
using TEditorKeyEvent = std::function<void(TObject* sender, int& key, Qt::KeyboardModifiers shift)>;

enum TDropDownStyle { dsDropDown, dsDropDownList };

enum TEditOption { eoAllowAll = 0x1, eoAllowFloat = 0x2, eoAllowSigns = 0x4 };
using TEditOptions = int;

// What an editor tells the grid that borrowed it. The grid decides what the
// keys mean: Enter applies the text, Escape drops it, arrows may close the
// editor. The column side needs no interface: the column sets the editor's
// properties itself before the grid shows it.
class TCellEditorHost
{
public:
    virtual ~TCellEditorHost() = default;
    // The value changed (before EditorEdit).
    virtual void EditorChange(TCellEditor* editor) = 0;
    // The text after a change.
    virtual void EditorEdit(TCellEditor* editor, const QString& value) = 0;
    // The editor received or lost the keyboard focus. Opening the editor's own
    // pop-up does not count as losing it.
    virtual void EditorEnter(TCellEditor* editor) = 0;
    virtual void EditorExit(TCellEditor* editor) = 0;
    // A key went down in the editor (a Qt::Key code); setting key to 0 keeps it
    // from the editor. Called before the editor's own handling.
    virtual void EditorKeyDown(TCellEditor* editor, int& key, Qt::KeyboardModifiers shift) = 0;
};

// The base window: frame, colours, alignment settings, the value interface the
// grid uses, and the notifications. Values of a kind an editor does not hold
// raise EInvalidOperation.
class TCellEditor : public TCustomControl
{
    Q_OBJECT
public:
    explicit TCellEditor(QWidget* parent = nullptr);
    ~TCellEditor() override;

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle value);
    // 1 with bsSingle, 0 with bsNone.
    int BorderWidth() const { return m_borderStyle == bsSingle ? 1 : 0; }
    int Margin() const { return m_margin; }
    void SetMargin(int value);
    TVerticalAlignment VerticalAlignment() const { return m_verticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    // The colour of the text (the font's colour).
    TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor value);
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool value);

    // The client area inside the frame, in client coordinates (origin 0, 0).
    int ClientWidth() const override;
    int ClientHeight() const override;
    // The client area in the coordinates of the window (and of its canvas).
    TRect ClientBounds() const;

    // While loading, value changes raise no OnChange.
    bool Loading() const { return m_loading; }
    void SetLoading(bool loading) { m_loading = loading; }

    TCellEditorHost* Host() const { return m_host; }
    void SetHost(TCellEditorHost* host) { m_host = host; }

    // The value interface.
    virtual bool GetBooleanValue();
    virtual double GetFloatValue();
    virtual TDateTime GetDateValue();
    virtual QString GetText();
    virtual void SetBooleanValue(bool value);
    virtual void SetDateValue(TDateTime value);
    virtual void SetFloatValue(double value);
    virtual void SetText(const QString& value);
    // Called by the grid right after it shows the editor.
    virtual void Activate() { }
    virtual void ClearValue() { }
    virtual void SelectAll() { }

    TNotifyEvent OnChange;
    TEditEvent OnEdit;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TEditorKeyEvent OnKeyDown;

protected:
    // Draws over the client area at the end of every paint.
    virtual void PaintContent() { }
    // Places the inner parts after a change of size, frame, margin or alignment.
    virtual void UpdateLayout() { }

    void Paint() override;
    void Resize() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

    // Raise OnChange (unless loading) and OnEdit, with the host told first.
    void Changed();
    void Edited(const QString& value);
    // Runs the key-down notifications; false when one of them took the key.
    bool KeyDown(int& key, Qt::KeyboardModifiers shift);
    void FocusEntered();
    void FocusLeft(Qt::FocusReason reason);

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

    [[noreturn]] void NoValue(const char* kind) const;
    void DrawFrame();

private:
    TAlignment m_alignment = taLeftJustify;
    TBorderStyle m_borderStyle = bsSingle;
    int m_margin = 0;
    TVerticalAlignment m_verticalAlignment = vaMiddle;
    TColor m_color = clWindow;
    TColor m_fontColor = clWindowText;
    bool m_loading = false;
    TCellEditorHost* m_host = nullptr;
};

// A single-line text editor. The text lives in an inner line edit that covers
// the client area with a transparent background; its text rectangle is set
// from GetTextRect, so the editor's own painting (preview, images) shows
// around the text.
class TTextualEditor : public TCellEditor
{
    Q_OBJECT
public:
    explicit TTextualEditor(QWidget* parent = nullptr);
    ~TTextualEditor() override;

    bool AutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool value) { m_autoSelect = value; }
    bool ReadOnly() const;
    void SetReadOnly(bool value);
    bool ShowPreview() const { return m_showPreview; }
    void SetShowPreview(bool value);
    QString Text() const;
    void SetText(const QString& value) override;

    // The text rectangle in client coordinates.
    virtual TRect GetTextRect();
    virtual void DrawPreview(const TRect& rect);

    TCustomPreviewDrawEvent OnCustomPreviewDraw;

    QString GetText() override { return Text(); }
    void Activate() override;
    void ClearValue() override;
    void SelectAll() override;

    // The inner line edit (caret, selection, clipboard).
    QLineEdit* EditWindow() const;

protected:
    void PaintContent() override;
    void UpdateLayout() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;

    // A typed character; false discards it.
    virtual bool AcceptChar(QChar ch);
    // A key press of the inner edit before the line edit handles it; true when handled here.
    virtual bool EditKeyPress(QKeyEvent* event);
    virtual bool EditKeyRelease(QKeyEvent* event);
    // A press in the inner edit at a client point; true when handled here.
    virtual bool EditMousePress(QMouseEvent* event, const TPoint& client);
    // The clipboard's text goes in (Ctrl+V, Shift+Insert, the context menu, the middle button).
    virtual void PasteText(const QString& text);
    virtual void TextChanged();
    virtual void EditFocusIn();
    virtual void EditFocusOut(Qt::FocusReason reason);
    virtual void EditWheel(QWheelEvent* event);
    // The cursor over the text: the I-beam while the text is editable.
    virtual QCursor TextCursor() const;

    // Sets the text without re-reading it as typed input.
    void SetEditText(const QString& value);
    void UpdateTextRect();
    void UpdateEditCursor();

private:
    friend class TEditWindow;
    TEditWindow* m_edit;
    bool m_autoSelect = false;
    bool m_showPreview = false;
};

// The small buttons of the editors.
class TExecuteButton : public TSmallButton
{
    Q_OBJECT
public:
    explicit TExecuteButton(QWidget* parent = nullptr);
    static TSmallButton* Create(QWidget* parent);

protected:
    void PaintGlyph(TCanvas& canvas, const TRect& rect) override;
};

class TDropDownButton : public TSmallButton
{
    Q_OBJECT
public:
    explicit TDropDownButton(QWidget* parent = nullptr);
    static TSmallButton* Create(QWidget* parent);

protected:
    void PaintGlyph(TCanvas& canvas, const TRect& rect) override;
};

using TSmallButtonClass = TSmallButton* (*)(QWidget* parent);
using TPopupViewClass = TPopupView* (*)(QWidget* owner);

// A text editor with a button at its right edge. A subclass that overrides
// GetButtonClass or GetPopupClass calls RecreateParts in its constructor.
class TCustomButtonCellEditor : public TTextualEditor
{
    Q_OBJECT
public:
    explicit TCustomButtonCellEditor(QWidget* parent = nullptr);
    ~TCustomButtonCellEditor() override;

    TDropDownStyle Style() const { return m_style; }
    void SetStyle(TDropDownStyle value);

    TSmallButton* Button() const { return m_button; }
    // The pop-up, or null when the editor has none.
    TPopupView* Popup() const { return m_popup; }
    bool PopupOpen() const;

    // Opens the pop-up below the editor (a press on the button does this).
    void DropDown();

    TNotifyEvent OnButtonClick;

    TRect GetTextRect() override;

protected:
    virtual TSmallButtonClass GetButtonClass();
    // None here: the plain button editor only raises OnButtonClick.
    virtual TPopupViewClass GetPopupClass();
    virtual void PreparePopup(TPopupView* popup);
    virtual void PopupClosed(const QString& value);
    void RecreateParts();

    void UpdateLayout() override;
    bool EditMousePress(QMouseEvent* event, const TPoint& client) override;
    // F4 and Alt+Down open the pop-up.
    bool EditKeyPress(QKeyEvent* event) override;
    bool AcceptChar(QChar ch) override;
    QCursor TextCursor() const override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void buttonDown();
    void buttonUp(bool inside);
    void popupValue(const QString& value);
    void popupClose();

    TDropDownStyle m_style = dsDropDown;
    TSmallButton* m_button = nullptr;
    TPopupView* m_popup = nullptr;
};

// A button editor whose button opens a pop-up view.
class TPopupEditor : public TCustomButtonCellEditor
{
    Q_OBJECT
public:
    explicit TPopupEditor(QWidget* parent = nullptr);

protected:
    TSmallButtonClass GetButtonClass() override;
    TPopupViewClass GetPopupClass() override;
};

class TComboBoxEditor : public TPopupEditor
{
    Q_OBJECT
public:
    explicit TComboBoxEditor(QWidget* parent = nullptr);
    ~TComboBoxEditor() override;

    int DropDownCount() const { return m_dropDownCount; }
    void SetDropDownCount(int value) { m_dropDownCount = value; }
    TCustomImageList* Images() const { return m_images; }
    void SetImages(TCustomImageList* value);
    int ItemIndex() const { return m_itemIndex; }
    // Nothing without items; otherwise clamped to the items, and the text becomes the item.
    void SetItemIndex(int value);
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int value) { m_itemHeight = value; }
    const QStringList& Items() const { return m_items; }
    void SetItems(const QStringList& value);
    bool ShowImages() const { return m_showImages; }
    void SetShowImages(bool value);

    // Also moves ItemIndex to the text's item (-1 when it is none of them).
    void SetText(const QString& value) override;
    TRect GetTextRect() override;

protected:
    TPopupViewClass GetPopupClass() override;
    void PreparePopup(TPopupView* popup) override;
    void PopupClosed(const QString& value) override;
    void PaintContent() override;
    bool EditKeyPress(QKeyEvent* event) override;
    void EditWheel(QWheelEvent* event) override;

private:
    bool drawsImages() const;

    int m_dropDownCount = 8;
    QPointer<TCustomImageList> m_images;
    int m_itemIndex = -1;
    int m_itemHeight = 16;
    QStringList m_items;
    bool m_showImages = true;
    TWheelNotches m_wheel;
};

class TDatePickerEditor : public TPopupEditor
{
    Q_OBJECT
public:
    explicit TDatePickerEditor(QWidget* parent = nullptr);

    // The text read as a date; today when the text is empty or "0". A text
    // that is no date raises EConvertError.
    TDateTime Date();
    void SetDate(TDateTime value);

    TDateTime GetDateValue() override { return Date(); }
    void SetDateValue(TDateTime value) override { SetDate(value); }

protected:
    TPopupViewClass GetPopupClass() override;
    void PreparePopup(TPopupView* popup) override;
};

// The characters a numeric text may hold: the digits, the signs and the
// locale's decimal separator.
QChar DecimalSeparator();

// A number editor: typed and pasted text is filtered, the value formatted.
class TNumericEditor : public TTextualEditor
{
    Q_OBJECT
public:
    explicit TNumericEditor(QWidget* parent = nullptr);

    double Max() const { return m_max; }
    void SetMax(double value) { m_max = value; }
    double Min() const { return m_min; }
    void SetMin(double value) { m_min = value; }
    const QString& NullText() const { return m_nullText; }
    void SetNullText(const QString& value);
    TEditOptions Options() const { return m_options; }
    void SetOptions(TEditOptions value) { m_options = value; }
    int Precision() const { return m_precision; }
    void SetPrecision(int value);
    const QString& TextAfter() const { return m_textAfter; }
    void SetTextAfter(const QString& value);
    double Value();
    void SetValue(double value);

    // The text of a value by the editor's settings.
    QString FormatValue(double value) const;
    // Keeps the characters a number may hold, by the rules of the options.
    QString FilterText(const QString& text, bool allowFloat, bool allowSigns) const;

    double GetFloatValue() override { return Value(); }
    void SetFloatValue(double value) override { SetValue(value); }

protected:
    bool AcceptChar(QChar ch) override;
    bool EditKeyPress(QKeyEvent* event) override;
    void PasteText(const QString& text) override;
    void EditFocusOut(Qt::FocusReason reason) override;

private:
    double m_max = 0;
    double m_min = 0;
    QString m_nullText;
    TEditOptions m_options = eoAllowFloat | eoAllowSigns;
    int m_precision = 2;
    QString m_textAfter;
};

// The up and down buttons of a spin editor. A press steps at once; held for
// 400 ms it repeats every 20 ms until released. The timing comes from the
// view services' timer, so it can be driven by a test clock.
class TSpinButtons : public TCustomControl
{
    Q_OBJECT
public:
    enum Part { spNone, spUp, spDown };

    explicit TSpinButtons(QWidget* parent = nullptr);
    ~TSpinButtons() override;

    Part Pressed() const { return m_pressed; }
    Part Hot() const { return m_hot; }
    // Presses a button as the mouse or a key would; Release lets it go.
    void Press(Part part);
    void Release();
    void SetHot(Part part);

    // Called once per step.
    std::function<void(Part)> OnStep;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void leaveEvent(QEvent* event) override;

private:
    Part partAt(int y) const;
    void step();
    void drawButton(TCanvas& canvas, const TRect& rect, Part part);

    Part m_pressed = spNone;
    Part m_hot = spNone;
    std::unique_ptr<IIntervalTimer> m_timer;
};

class TSpinEditor : public TNumericEditor
{
    Q_OBJECT
public:
    explicit TSpinEditor(QWidget* parent = nullptr);
    ~TSpinEditor() override;

    double Increment() const { return m_increment; }
    void SetIncrement(double value) { m_increment = value; }

    TSpinButtons* SpinButtons() const { return m_buttons; }

    // One step, within Min and (when above 0) Max.
    void StepUp();
    void StepDown();

    TRect GetTextRect() override;

protected:
    void UpdateLayout() override;
    bool EditKeyPress(QKeyEvent* event) override;
    bool EditKeyRelease(QKeyEvent* event) override;
    void EditWheel(QWheelEvent* event) override;
    void EditFocusOut(Qt::FocusReason reason) override;

private:
    int buttonsWidth() const;

    double m_increment = 1.0;
    TSpinButtons* m_buttons;
    TWheelNotches m_wheel;
};

// An editor that draws its whole content itself.
class TCanvasCellEditor : public TCellEditor
{
    Q_OBJECT
public:
    explicit TCanvasCellEditor(QWidget* parent = nullptr);
};

class TCheckBoxEditor : public TCanvasCellEditor
{
    Q_OBJECT
public:
    explicit TCheckBoxEditor(QWidget* parent = nullptr);

    bool Checked() const { return m_checked; }
    void SetChecked(bool value);
    bool Grayed() const { return m_grayed; }
    void SetGrayed(bool value);

    // Where the box is drawn, in window coordinates.
    TRect BoxRect() const;
    bool Hot() const { return m_hot; }

    bool GetBooleanValue() override { return m_checked; }
    void SetBooleanValue(bool value) override { SetChecked(value); }
    QString GetText() override;
    void SetText(const QString& value) override;
    void ClearValue() override { SetChecked(false); }

protected:
    void PaintContent() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setHot(bool hot);

    bool m_checked = false;
    bool m_grayed = false;
    bool m_spaceDown = false;
    bool m_mouseDown = false;
    bool m_hot = false;
};
