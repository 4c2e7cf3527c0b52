#include "CellEditors.h"

#include "Fonts.h"
#include "Screen.h"
#include "SharedClasses.h"
#include "ThemesSupport.h"
#include "ViewServices.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Control characters as typed keys deliver them.
constexpr char16_t chCtrlC = 3;
constexpr char16_t chBackspace = 8;
constexpr char16_t chTab = 9;
constexpr char16_t chCtrlV = 22;
constexpr char16_t chCtrlX = 24;

// The width of the button of a button editor.
constexpr int ButtonWidth = 16;
// How far right of the text a preview sits.
constexpr int PreviewWidth = 27;

bool isAsciiDigit(QChar ch)
{
    return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
}

bool isSign(QChar ch)
{
    return ch == QLatin1Char('+') || ch == QLatin1Char('-');
}

// The character a key press types, with Ctrl+letter as its control character.
QChar typedChar(const QKeyEvent* event)
{
    if ((event->modifiers() & Qt::ControlModifier) && event->key() >= Qt::Key_A
        && event->key() <= Qt::Key_Z)
        return QChar(char16_t(event->key() - Qt::Key_A + 1));
    const QString text = event->text();
    return text.isEmpty() ? QChar() : text.at(0);
}

QString clipboardText(QClipboard::Mode mode = QClipboard::Clipboard)
{
    const QMimeData* data = QApplication::clipboard()->mimeData(mode);
    return data && data->hasText() ? data->text() : QString();
}

} // namespace

QCursor ReversedArrowCursor()
{
    // The arrow mirrored left to right: it points up and to the right, so it
    // reads as "the whole line" at the left edge of a text.
    static const char* const rows[] = {
        "           X",
        "          XX",
        "         X.X",
        "        X..X",
        "       X...X",
        "      X....X",
        "     X.....X",
        "    X......X",
        "   X.......X",
        "  X........X",
        " XXXXX.....X",
        "     X..X..X",
        "    X..X X.X",
        "    X..X  XX",
        "   X..X    X",
        "   X..X     ",
        "  X..X      ",
        "  X..X      ",
        "   XX       ",
    };
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < int(std::size(rows)); ++y)
        for (int x = 0; rows[y][x] != '\0'; ++x) {
            if (rows[y][x] == 'X')
                image.setPixel(x, y, qRgba(0, 0, 0, 255));
            else if (rows[y][x] == '.')
                image.setPixel(x, y, qRgba(255, 255, 255, 255));
        }
    return QCursor(QPixmap::fromImage(image), 11, 0);
}

// ---------------------------------------------------------------------------
// The inner line edit of a text editor: every input path goes through the
// editor's filters first.

class TEditWindow : public QLineEdit
{
public:
    explicit TEditWindow(TTextualEditor* editor)
        : QLineEdit(editor)
        , m_editor(editor)
    {
        setFrame(false);
        setAutoFillBackground(false);
        QPalette pal = palette();
        pal.setBrush(QPalette::Base, Qt::transparent);
        setPalette(pal);
        setMouseTracking(true);
        setAttribute(Qt::WA_MacShowFocusRect, false);
    }

    // The editor is going: from now on the edit window works on its own.
    void detach() { m_editor = nullptr; }

    void pasteGuarded(const QString& text)
    {
        if (isReadOnly() || !m_editor)
            return;
        Application()->Guard(m_editor, [&] { m_editor->PasteText(text); });
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!m_editor) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        event->accept();
        Application()->Guard(m_editor, [&] {
            int key = event->key();
            if (!m_editor->KeyDown(key, event->modifiers()))
                return;
            if (m_editor->EditKeyPress(event))
                return;
            if (event->matches(QKeySequence::Paste)) {
                pasteGuarded(clipboardText());
                return;
            }
            // Enter belongs to the grid; typed, it is discarded.
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
                return;
            const QChar ch = typedChar(event);
            if (!ch.isNull() && key != Qt::Key_Delete && !m_editor->AcceptChar(ch))
                return;
            QLineEdit::keyPressEvent(event);
        });
    }

    void keyReleaseEvent(QKeyEvent* event) override
    {
        bool handled = false;
        if (m_editor)
            Application()->Guard(m_editor, [&] { handled = m_editor->EditKeyRelease(event); });
        if (!handled)
            QLineEdit::keyReleaseEvent(event);
    }

    void inputMethodEvent(QInputMethodEvent* event) override
    {
        // Composed text is typed text: it passes the same filter, one character at a time.
        const QString commit = event->commitString();
        if (commit.isEmpty() || !m_editor) {
            QLineEdit::inputMethodEvent(event);
            return;
        }
        QInputMethodEvent rest(event->preeditString(), event->attributes());
        QLineEdit::inputMethodEvent(&rest);
        Application()->Guard(m_editor, [&] {
            for (QChar ch : commit)
                if (m_editor->AcceptChar(ch))
                    insert(QString(ch));
        });
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        bool handled = false;
        if (m_editor)
            Application()->Guard(m_editor, [&] {
                const TPoint client(event->position().toPoint());
                handled = m_editor->EditMousePress(event, client);
            });
        if (!handled)
            QLineEdit::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        const int x = event->position().toPoint().x();
        if (m_editor)
            setCursor(x <= 2 ? Screen()->Cursors(crReversedArrow) : m_editor->TextCursor());
        QLineEdit::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
            if (!isReadOnly()) {
                deselect();
                setCursorPosition(cursorPositionAt(event->position().toPoint()));
                pasteGuarded(clipboardText(QClipboard::Selection));
            }
            event->accept();
            return;
        }
        QLineEdit::mouseReleaseEvent(event);
    }

    void dropEvent(QDropEvent* event) override
    {
        if (!event->mimeData()->hasText() || isReadOnly()) {
            event->ignore();
            return;
        }
        deselect();
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        pasteGuarded(event->mimeData()->text());
        event->acceptProposedAction();
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        QMenu* menu = createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        for (QAction* action : menu->actions()) {
            if (action->objectName() != QLatin1String("edit-paste"))
                continue;
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, [this] { pasteGuarded(clipboardText()); });
        }
        menu->popup(event->globalPos());
    }

    void wheelEvent(QWheelEvent* event) override
    {
        if (!m_editor) {
            QLineEdit::wheelEvent(event);
            return;
        }
        Application()->Guard(m_editor, [&] { m_editor->EditWheel(event); });
    }

    void focusInEvent(QFocusEvent* event) override
    {
        QLineEdit::focusInEvent(event);
        if (m_editor)
            Application()->Guard(m_editor, [&] {
                if (event->reason() != Qt::PopupFocusReason)
                    m_editor->EditFocusIn();
                m_editor->Invalidate();
            });
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        QLineEdit::focusOutEvent(event);
        if (m_editor)
            Application()->Guard(m_editor, [&] { m_editor->EditFocusOut(event->reason()); });
    }

private:
    TTextualEditor* m_editor;
};

// ---------------------------------------------------------------------------

TCellEditor::TCellEditor(QWidget* parent)
    : TCustomControl(parent)
{
    static const bool installed = [] {
        Screen()->SetCursors(crReversedArrow, ReversedArrowCursor());
        return true;
    }();
    Q_UNUSED(installed);
    setFocusPolicy(Qt::StrongFocus);
    setFont(Fonts::Make(QStringLiteral("MS Sans Serif"), -11));
    resize(121, 20);
}

TCellEditor::~TCellEditor() = default;

void TCellEditor::SetAlignment(TAlignment value)
{
    m_alignment = value;
    UpdateLayout();
    Invalidate();
}

void TCellEditor::SetBorderStyle(TBorderStyle value)
{
    m_borderStyle = value;
    UpdateLayout();
    Invalidate();
}

void TCellEditor::SetMargin(int value)
{
    m_margin = value;
    UpdateLayout();
    Invalidate();
}

void TCellEditor::SetVerticalAlignment(TVerticalAlignment value)
{
    m_verticalAlignment = value;
    UpdateLayout();
    Invalidate();
}

void TCellEditor::SetColor(TColor value)
{
    m_color = value;
    Invalidate();
}

void TCellEditor::SetFontColor(TColor value)
{
    m_fontColor = value;
    QPalette pal = palette();
    pal.setColor(QPalette::Text, ToQColor(value));
    pal.setColor(QPalette::WindowText, ToQColor(value));
    setPalette(pal);
    Invalidate();
}

void TCellEditor::SetTabStop(bool value)
{
    setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

int TCellEditor::ClientWidth() const
{
    return std::max(0, width() - 2 * BorderWidth());
}

int TCellEditor::ClientHeight() const
{
    return std::max(0, height() - 2 * BorderWidth());
}

TRect TCellEditor::ClientBounds() const
{
    const int b = BorderWidth();
    return TRect::Bounds(b, b, ClientWidth(), ClientHeight());
}

bool TCellEditor::GetBooleanValue()
{
    NoValue("Boolean");
}

double TCellEditor::GetFloatValue()
{
    NoValue("number");
}

TDateTime TCellEditor::GetDateValue()
{
    NoValue("date");
}

QString TCellEditor::GetText()
{
    NoValue("text");
}

void TCellEditor::SetBooleanValue(bool)
{
    NoValue("Boolean");
}

void TCellEditor::SetDateValue(TDateTime)
{
    NoValue("date");
}

void TCellEditor::SetFloatValue(double)
{
    NoValue("number");
}

void TCellEditor::SetText(const QString&)
{
    NoValue("text");
}

void TCellEditor::NoValue(const char* kind) const
{
    throw EInvalidOperation(
        QStringLiteral("%1 holds no %2 value")
            .arg(QLatin1String(metaObject()->className()), QLatin1String(kind)));
}

void TCellEditor::Paint()
{
    DrawFrame();
    Canvas().FillSolid(ClientBounds(), m_color);
    PaintContent();
}

void TCellEditor::DrawFrame()
{
    if (m_borderStyle != bsSingle)
        return;
    TCanvas& canvas = Canvas();
    const TRect all(0, 0, width(), height());
    if (ThemesAvailable() && DrawThemed(this, canvas, all, EP_EDITTEXT, 0, QStringLiteral("edit")))
        return;
    canvas.Brush().SetColor(0x808080);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FrameRect(all);
}

void TCellEditor::Resize()
{
    UpdateLayout();
}

void TCellEditor::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    setFocus(Qt::MouseFocusReason);
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCellEditor::Changed()
{
    if (m_loading)
        return;
    if (m_host)
        m_host->EditorChange(this);
    if (OnChange)
        OnChange(this);
}

void TCellEditor::Edited(const QString& value)
{
    if (m_host)
        m_host->EditorEdit(this, value);
    if (OnEdit)
        OnEdit(this, value);
}

bool TCellEditor::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
    if (key != 0 && m_host)
        m_host->EditorKeyDown(this, key, shift);
    return key != 0;
}

void TCellEditor::FocusEntered()
{
    Invalidate();
    if (m_host)
        m_host->EditorEnter(this);
    if (OnEnter)
        OnEnter(this);
}

void TCellEditor::FocusLeft(Qt::FocusReason reason)
{
    Invalidate();
    // The editor's own pop-up (or a context menu) takes the focus only for a while.
    if (reason == Qt::PopupFocusReason)
        return;
    if (m_host)
        m_host->EditorExit(this);
    if (OnExit)
        OnExit(this);
}

void TCellEditor::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    bool keep = true;
    guard([&] { keep = KeyDown(key, event->modifiers()); });
    if (!keep)
        event->accept();
    else
        TCustomControl::keyPressEvent(event);
}

void TCellEditor::focusInEvent(QFocusEvent* event)
{
    TCustomControl::focusInEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        guard([this] { FocusEntered(); });
}

void TCellEditor::focusOutEvent(QFocusEvent* event)
{
    TCustomControl::focusOutEvent(event);
    guard([&] { FocusLeft(event->reason()); });
}

void TCellEditor::changeEvent(QEvent* event)
{
    TCustomControl::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        guard([this] { UpdateLayout(); });
}

// ---------------------------------------------------------------------------

TTextualEditor::TTextualEditor(QWidget* parent)
    : TCellEditor(parent)
    , m_edit(new TEditWindow(this))
{
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, [this] { guard([this] { TextChanged(); }); });
    TTextualEditor::UpdateLayout();
    UpdateEditCursor();
}

TTextualEditor::~TTextualEditor()
{
    m_edit->detach();
}

QLineEdit* TTextualEditor::EditWindow() const
{
    return m_edit;
}

bool TTextualEditor::ReadOnly() const
{
    return m_edit->isReadOnly();
}

void TTextualEditor::SetReadOnly(bool value)
{
    m_edit->setReadOnly(value);
    UpdateEditCursor();
}

void TTextualEditor::SetShowPreview(bool value)
{
    m_showPreview = value;
    UpdateLayout();
    Invalidate();
}

QString TTextualEditor::Text() const
{
    return m_edit->text();
}

void TTextualEditor::SetText(const QString& value)
{
    SetEditText(value);
}

void TTextualEditor::SetEditText(const QString& value)
{
    m_edit->setText(value);
}

TRect TTextualEditor::GetTextRect()
{
    const int w = ClientWidth();
    const int h = ClientHeight();
    const int textHeight = QFontMetrics(font()).height();
    TRect r(Margin() + 2, 0, w - Margin() - 1, textHeight);
    switch (VerticalAlignment()) {
    case vaTop:
        r.Top = Margin();
        break;
    case vaMiddle:
        r.Top = (h / 2 - 1) - textHeight / 2;
        break;
    case vaBottom:
        r.Top = h - Margin() - textHeight;
        break;
    }
    r.Bottom = r.Top + textHeight;
    if (m_showPreview)
        r.Left += PreviewWidth;
    return r;
}

void TTextualEditor::UpdateLayout()
{
    m_edit->setGeometry(ClientBounds().ToQRect());
    UpdateTextRect();
}

void TTextualEditor::UpdateTextRect()
{
    // The line edit keeps 2 pixels left and right and 1 above the text by
    // itself; the margins make up the rest of the text rectangle.
    const TRect r = GetTextRect();
    const int w = ClientWidth();
    const int h = ClientHeight();
    m_edit->setTextMargins(std::max(0, r.Left - 2), std::max(0, r.Top - 1),
        std::max(0, w - r.Right - 2), std::max(0, h - r.Bottom - 1));
    Qt::Alignment align = Qt::AlignTop;
    switch (Alignment()) {
    case taLeftJustify:
        align |= Qt::AlignLeft;
        break;
    case taRightJustify:
        align |= Qt::AlignRight;
        break;
    case taCenter:
        align |= Qt::AlignHCenter;
        break;
    }
    m_edit->setAlignment(align);
}

QCursor TTextualEditor::TextCursor() const
{
    return QCursor(Qt::IBeamCursor);
}

void TTextualEditor::UpdateEditCursor()
{
    m_edit->setCursor(TextCursor());
}

void TTextualEditor::PaintContent()
{
    if (!m_showPreview)
        return;
    TCanvas& canvas = Canvas();
    const TRect client = ClientBounds();
    const TRect frame(client.Left + 1, client.Top + 1, client.Left + 21, client.Bottom - 1);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clBlack);
    canvas.FrameRect(frame);
    DrawPreview(frame.Inflated(-1, -1));
}

void TTextualEditor::DrawPreview(const TRect& rect)
{
    if (OnCustomPreviewDraw)
        OnCustomPreviewDraw(this, rect);
}

void TTextualEditor::Activate()
{
    m_edit->setCursorPosition(int(m_edit->text().size()));
}

void TTextualEditor::ClearValue()
{
    SetEditText(QString());
}

void TTextualEditor::SelectAll()
{
    m_edit->selectAll();
}

void TTextualEditor::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCellEditor::MouseDown(button, shift, x, y);
    if (button == mbLeft && x - BorderWidth() <= 2)
        SelectAll();
}

void TTextualEditor::MouseMove(TShiftState shift, int x, int y)
{
    setCursor(
        x - BorderWidth() <= 2 ? Screen()->Cursors(crReversedArrow) : QCursor(Qt::ArrowCursor));
    TCellEditor::MouseMove(shift, x, y);
}

bool TTextualEditor::AcceptChar(QChar ch)
{
    Q_UNUSED(ch);
    return true;
}

bool TTextualEditor::EditKeyPress(QKeyEvent*)
{
    return false;
}

bool TTextualEditor::EditKeyRelease(QKeyEvent*)
{
    return false;
}

bool TTextualEditor::EditMousePress(QMouseEvent* event, const TPoint& client)
{
    if (event->button() == Qt::LeftButton && client.X <= 2) {
        m_edit->setFocus(Qt::MouseFocusReason);
        SelectAll();
        return true;
    }
    return false;
}

void TTextualEditor::PasteText(const QString& text)
{
    // One line only, as the edit window keeps it.
    QString line = text;
    const qsizetype end = line.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (end >= 0)
        line.truncate(end);
    m_edit->insert(line);
}

void TTextualEditor::TextChanged()
{
    Changed();
    Edited(m_edit->text());
}

void TTextualEditor::EditFocusIn()
{
    if (m_autoSelect)
        SelectAll();
    FocusEntered();
}

void TTextualEditor::EditFocusOut(Qt::FocusReason reason)
{
    FocusLeft(reason);
}

void TTextualEditor::EditWheel(QWheelEvent* event)
{
    event->ignore();
}

// ---------------------------------------------------------------------------

TExecuteButton::TExecuteButton(QWidget* parent)
    : TSmallButton(parent)
{
}

void TExecuteButton::PaintGlyph(TCanvas& canvas, const TRect& rect)
{
    // Three dots: "more".
    const int cx = (rect.Left + rect.Right) / 2;
    const int y = (rect.Top + rect.Bottom) / 2 + 2;
    for (int dx : { -4, 0, 4 })
        canvas.FillSolid(TRect(cx + dx - 1, y - 1, cx + dx + 1, y + 1), clBtnText);
}

TDropDownButton::TDropDownButton(QWidget* parent)
    : TSmallButton(parent)
{
}

void TDropDownButton::PaintGlyph(TCanvas& canvas, const TRect& rect)
{
    // A small downward triangle, 7 pixels wide.
    const int cx = (rect.Left + rect.Right) / 2;
    const int top = (rect.Top + rect.Bottom) / 2 - 2;
    for (int row = 0; row < 4; ++row)
        canvas.FillSolid(TRect(cx - 3 + row, top + row, cx + 4 - row, top + row + 1), clBtnText);
}

TSmallButton* TExecuteButton::Create(QWidget* parent)
{
    return new TExecuteButton(parent);
}

TSmallButton* TDropDownButton::Create(QWidget* parent)
{
    return new TDropDownButton(parent);
}

// ---------------------------------------------------------------------------

TCustomButtonCellEditor::TCustomButtonCellEditor(QWidget* parent)
    : TTextualEditor(parent)
{
    RecreateParts();
}

TCustomButtonCellEditor::~TCustomButtonCellEditor()
{
    if (m_popup)
        m_popup->OnClose = nullptr;
}

TSmallButtonClass TCustomButtonCellEditor::GetButtonClass()
{
    return &TExecuteButton::Create;
}

TPopupViewClass TCustomButtonCellEditor::GetPopupClass()
{
    return nullptr;
}

void TCustomButtonCellEditor::RecreateParts()
{
    delete m_button;
    m_button = GetButtonClass()(this);
    m_button->OnButtonDown = [this](TObject*) { buttonDown(); };
    m_button->OnClick = [this](TObject*) { buttonUp(true); };
    m_button->show();
    if (m_popup) {
        m_popup->OnClose = nullptr;
        delete m_popup;
        m_popup = nullptr;
    }
    if (TPopupViewClass popupClass = GetPopupClass()) {
        m_popup = popupClass(this);
        m_popup->OnValue = [this](TObject*, const QString& value) { popupValue(value); };
        m_popup->OnClose = [this](TObject*) { popupClose(); };
    }
    UpdateLayout();
}

void TCustomButtonCellEditor::SetStyle(TDropDownStyle value)
{
    m_style = value;
    EditWindow()->setReadOnly(value == dsDropDownList);
    UpdateEditCursor();
}

bool TCustomButtonCellEditor::PopupOpen() const
{
    return m_popup && !m_popup->Closed();
}

TRect TCustomButtonCellEditor::GetTextRect()
{
    TRect r = TTextualEditor::GetTextRect();
    r.Right = std::min(r.Right, ClientWidth() - ButtonWidth);
    return r;
}

void TCustomButtonCellEditor::UpdateLayout()
{
    TTextualEditor::UpdateLayout();
    if (!m_button)
        return;
    const TRect client = ClientBounds();
    m_button->setGeometry(client.Right - ButtonWidth, client.Top, ButtonWidth, client.Height());
    m_button->raise();
}

void TCustomButtonCellEditor::DropDown()
{
    if (!m_popup || PopupOpen())
        return;
    m_popup->setFont(font());
    m_popup->resize(width(), m_popup->height());
    m_popup->SetText(Text());
    PreparePopup(m_popup);
    m_button->SetPressed(true);
    const QPoint at = mapToGlobal(QPoint(BorderWidth() - 1, BorderWidth() + ClientHeight()));
    m_popup->Popup(at.x(), at.y());
}

void TCustomButtonCellEditor::PreparePopup(TPopupView*) { }

void TCustomButtonCellEditor::PopupClosed(const QString& value)
{
    if (Text() != value)
        SetEditText(value);
    else
        Edited(value);
    m_button->SetPressed(false);
    if (m_style == dsDropDownList)
        EditWindow()->update();
}

void TCustomButtonCellEditor::buttonDown()
{
    if (m_popup)
        DropDown();
}

void TCustomButtonCellEditor::buttonUp(bool inside)
{
    if (inside && OnButtonClick)
        OnButtonClick(this);
}

void TCustomButtonCellEditor::popupValue(const QString& value)
{
    guard([&] { PopupClosed(value); });
}

void TCustomButtonCellEditor::popupClose()
{
    // Closed without a value (a click outside, Escape): the button comes up all the same.
    if (m_button)
        m_button->SetPressed(false);
}

bool TCustomButtonCellEditor::EditMousePress(QMouseEvent* event, const TPoint& client)
{
    if (m_style == dsDropDownList && m_popup && event->button() == Qt::LeftButton) {
        EditWindow()->setFocus(Qt::MouseFocusReason);
        DropDown();
        return true;
    }
    return TTextualEditor::EditMousePress(event, client);
}

bool TCustomButtonCellEditor::EditKeyPress(QKeyEvent* event)
{
    const bool open = event->key() == Qt::Key_F4
        || (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier));
    if (!open || !m_popup)
        return TTextualEditor::EditKeyPress(event);
    DropDown();
    return true;
}

bool TCustomButtonCellEditor::AcceptChar(QChar ch)
{
    return m_style != dsDropDownList && TTextualEditor::AcceptChar(ch);
}

QCursor TCustomButtonCellEditor::TextCursor() const
{
    return QCursor(m_style == dsDropDownList ? Qt::ArrowCursor : Qt::IBeamCursor);
}

void TCustomButtonCellEditor::enterEvent(QEnterEvent* event)
{
    TTextualEditor::enterEvent(event);
    if (m_button)
        m_button->SetHot(true);
}

void TCustomButtonCellEditor::leaveEvent(QEvent* event)
{
    TTextualEditor::leaveEvent(event);
    if (m_button)
        m_button->SetHot(false);
}

// ---------------------------------------------------------------------------

TPopupEditor::TPopupEditor(QWidget* parent)
    : TCustomButtonCellEditor(parent)
{
    RecreateParts();
}

TSmallButtonClass TPopupEditor::GetButtonClass()
{
    return &TDropDownButton::Create;
}

TPopupViewClass TPopupEditor::GetPopupClass()
{
    return &TPopupView::Create;
}

// ---------------------------------------------------------------------------

TComboBoxEditor::TComboBoxEditor(QWidget* parent)
    : TPopupEditor(parent)
{
    RecreateParts();
}

TComboBoxEditor::~TComboBoxEditor() = default;

TPopupViewClass TComboBoxEditor::GetPopupClass()
{
    return &TPopupList::Create;
}

void TComboBoxEditor::SetImages(TCustomImageList* value)
{
    m_images = value;
    UpdateLayout();
    Invalidate();
}

void TComboBoxEditor::SetShowImages(bool value)
{
    m_showImages = value;
    UpdateLayout();
    Invalidate();
}

void TComboBoxEditor::SetItems(const QStringList& value)
{
    m_items = value;
    m_itemIndex = int(m_items.indexOf(Text()));
}

void TComboBoxEditor::SetItemIndex(int value)
{
    if (m_items.isEmpty())
        return;
    const int index = std::clamp(value, 0, int(m_items.size()) - 1);
    SetText(m_items.at(index));
    m_itemIndex = index;
    if (drawsImages())
        Invalidate();
}

void TComboBoxEditor::SetText(const QString& value)
{
    TPopupEditor::SetText(value);
    // The list position follows the text, so that Up and Down step from the
    // item shown and its picture is the one drawn.
    m_itemIndex = int(m_items.indexOf(value));
    if (drawsImages())
        Invalidate();
}

bool TComboBoxEditor::drawsImages() const
{
    return m_showImages && m_images;
}

TRect TComboBoxEditor::GetTextRect()
{
    TRect r = TPopupEditor::GetTextRect();
    if (drawsImages())
        r.Left += m_images->Width() + 2;
    return r;
}

void TComboBoxEditor::PreparePopup(TPopupView* popup)
{
    auto* list = qobject_cast<TPopupList*>(popup);
    if (!list)
        return;
    list->SetItems(m_items);
    list->SetImages(m_images);
    list->SetItemHeight(m_itemHeight);
    list->SetShowImages(m_showImages);
    list->SetDropDownCount(m_dropDownCount);
    const int rows = std::min(m_dropDownCount, int(m_items.size()));
    list->resize(width(), m_itemHeight * rows + 2 * TPopupView::BorderWidth);
}

void TComboBoxEditor::PopupClosed(const QString& value)
{
    if (auto* list = qobject_cast<TPopupList*>(Popup()))
        m_itemIndex = list->ChosenIndex();
    TPopupEditor::PopupClosed(value);
    if (drawsImages())
        Invalidate();
}

void TComboBoxEditor::PaintContent()
{
    TPopupEditor::PaintContent();
    if (!drawsImages() || m_itemIndex < 0 || m_itemIndex >= m_images->Count())
        return;
    const TRect client = ClientBounds();
    const int h = m_images->Height();
    int y = client.Top;
    switch (VerticalAlignment()) {
    case vaTop:
        break;
    case vaMiddle:
        y = client.Top + (client.Height() - h) / 2;
        break;
    case vaBottom:
        y = client.Bottom - h;
        break;
    }
    Canvas().WithPainter(
        [&](QPainter& p) { m_images->Draw(p, client.Left + 2, y, m_itemIndex, isEnabled()); });
}

bool TComboBoxEditor::EditKeyPress(QKeyEvent* event)
{
    if (event->modifiers() & (Qt::AltModifier | Qt::ControlModifier))
        return TPopupEditor::EditKeyPress(event);
    if (event->key() == Qt::Key_Up) {
        SetItemIndex(std::max(0, m_itemIndex - 1));
        return true;
    }
    if (event->key() == Qt::Key_Down) {
        SetItemIndex(m_itemIndex + 1);
        return true;
    }
    return TPopupEditor::EditKeyPress(event);
}

void TComboBoxEditor::EditWheel(QWheelEvent* event)
{
    const int notches = m_wheel.Add(event->angleDelta().y());
    if (notches != 0 && !m_items.isEmpty())
        SetItemIndex(std::max(0, m_itemIndex - notches));
    event->accept();
}

// ---------------------------------------------------------------------------

TDatePickerEditor::TDatePickerEditor(QWidget* parent)
    : TPopupEditor(parent)
{
    RecreateParts();
    SetDate(SysUtils::Date());
}

TPopupViewClass TDatePickerEditor::GetPopupClass()
{
    return &TDatePopup::Create;
}

TDateTime TDatePickerEditor::Date()
{
    const QString text = Text().trimmed();
    if (text.isEmpty() || text == QLatin1String("0"))
        return SysUtils::Date();
    return SysUtils::StrToDateTime(text);
}

void TDatePickerEditor::SetDate(TDateTime value)
{
    SetText(SysUtils::DateTimeToStr(value));
}

void TDatePickerEditor::PreparePopup(TPopupView* popup)
{
    auto* calendar = qobject_cast<TDatePopup*>(popup);
    if (!calendar)
        return;
    // A text that is no date opens the calendar on today; the text stays as
    // it is until a day is picked.
    TDateTime date = SysUtils::Date();
    try {
        date = Date();
    } catch (const EConvertError&) {
    }
    calendar->SetDate(date);
    calendar->resize(151, 163);
}

// ---------------------------------------------------------------------------

QChar DecimalSeparator()
{
    const QString sep = QLocale().decimalPoint();
    return sep.isEmpty() ? QLatin1Char('.') : sep.at(0);
}

TNumericEditor::TNumericEditor(QWidget* parent)
    : TTextualEditor(parent)
{
    SetValue(0);
}

QString TNumericEditor::FormatValue(double value) const
{
    if (value == 0 && !m_nullText.isEmpty())
        return m_nullText;
    if (value == 0)
        value = 0; // no "-0"
    QString text;
    if (m_precision > 0 && (m_options & eoAllowFloat)) {
        text = QLocale::c().toString(value, 'f', m_precision);
        text.replace(QLatin1Char('.'), DecimalSeparator());
    } else {
        text = SysUtils::FloatToStr(value);
    }
    return text + m_textAfter;
}

QString TNumericEditor::FilterText(const QString& text, bool allowFloat, bool allowSigns) const
{
    const QChar sep = DecimalSeparator();
    QString out;
    bool hasSeparator = false;
    for (QChar ch : text) {
        if (isAsciiDigit(ch)) {
            out += ch;
        } else if (ch == sep) {
            if (allowFloat && !hasSeparator) {
                out += ch;
                hasSeparator = true;
            }
        } else if (isSign(ch)) {
            if (allowSigns && out.isEmpty())
                out += ch;
        }
        // Anything else, backspace included, is no part of a number.
    }
    return out;
}

double TNumericEditor::Value()
{
    QString text = Text();
    // The unit after the number may hold digits of its own ("m2").
    if (!m_textAfter.isEmpty() && text.endsWith(m_textAfter))
        text.chop(m_textAfter.size());
    const QString number
        = FilterText(text, (m_options & eoAllowFloat) != 0, (m_options & eoAllowSigns) != 0);
    double value = 0;
    // A lone sign or separator, half typed, reads as 0.
    if (!SysUtils::TryStrToFloat(number, value))
        return 0;
    return value;
}

void TNumericEditor::SetValue(double value)
{
    SetEditText(FormatValue(value));
}

void TNumericEditor::SetNullText(const QString& value)
{
    m_nullText = value;
    SetValue(0);
}

void TNumericEditor::SetPrecision(int value)
{
    const double current = Value();
    m_precision = value;
    SetValue(current);
}

void TNumericEditor::SetTextAfter(const QString& value)
{
    const double current = Value();
    m_textAfter = value;
    if (!(m_options & eoAllowAll))
        SetValue(current);
}

bool TNumericEditor::AcceptChar(QChar ch)
{
    if (m_options & eoAllowAll)
        return true;
    const char16_t code = ch.unicode();
    if (code == chCtrlC || code == chTab || code == chCtrlV || code == chCtrlX
        || code == chBackspace || isAsciiDigit(ch))
        return true;
    const QLineEdit* edit = EditWindow();
    if (ch == DecimalSeparator())
        return (m_options & eoAllowFloat) && !edit->text().contains(ch);
    if (isSign(ch)) {
        if (!(m_options & eoAllowSigns))
            return false;
        const int caret = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        const QString text = edit->text();
        return caret == 0 && !text.contains(QLatin1Char('+')) && !text.contains(QLatin1Char('-'));
    }
    return false;
}

bool TNumericEditor::EditKeyPress(QKeyEvent* event)
{
    Q_UNUSED(event);
    return false;
}

void TNumericEditor::PasteText(const QString& text)
{
    if (m_options & eoAllowAll) {
        TTextualEditor::PasteText(text);
        return;
    }
    QLineEdit* edit = EditWindow();
    const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    QString rest = edit->text();
    if (edit->hasSelectedText())
        rest.remove(start, edit->selectedText().size());
    const bool allowFloat = (m_options & eoAllowFloat) && !rest.contains(DecimalSeparator());
    // A sign goes only in front, and only when the rest has none yet.
    const bool allowSigns = (m_options & eoAllowSigns) && start == 0
        && !rest.contains(QLatin1Char('+')) && !rest.contains(QLatin1Char('-'));
    edit->insert(FilterText(text, allowFloat, allowSigns));
    edit->setCursorPosition(start);
}

void TNumericEditor::EditFocusOut(Qt::FocusReason reason)
{
    if (!(m_options & eoAllowAll) && reason != Qt::PopupFocusReason)
        SetValue(Value());
    TTextualEditor::EditFocusOut(reason);
}

// ---------------------------------------------------------------------------

TSpinButtons::TSpinButtons(QWidget* parent)
    : TCustomControl(parent)
    , m_timer(ViewServices().CreateTimer())
{
    setFocusPolicy(Qt::NoFocus);
    m_timer->OnTimer = [this] {
        guard([this] {
            if (m_pressed == spNone) {
                m_timer->SetEnabled(false);
                return;
            }
            if (m_timer->Interval() != 20)
                m_timer->SetInterval(20);
            step();
        });
    };
}

TSpinButtons::~TSpinButtons()
{
    m_timer->OnTimer = nullptr;
}

void TSpinButtons::Press(Part part)
{
    if (part == spNone)
        return;
    m_pressed = part;
    Invalidate();
    step();
    m_timer->SetInterval(400);
    m_timer->SetEnabled(true);
}

void TSpinButtons::Release()
{
    m_timer->SetEnabled(false);
    if (m_pressed == spNone)
        return;
    m_pressed = spNone;
    Invalidate();
}

void TSpinButtons::SetHot(Part part)
{
    if (part == m_hot)
        return;
    m_hot = part;
    Invalidate();
}

void TSpinButtons::step()
{
    if (OnStep)
        OnStep(m_pressed);
}

TSpinButtons::Part TSpinButtons::partAt(int y) const
{
    if (y < 0 || y >= height())
        return spNone;
    return y < height() / 2 ? spUp : spDown;
}

void TSpinButtons::Paint()
{
    TCanvas& canvas = Canvas();
    const int half = height() / 2;
    drawButton(canvas, TRect(0, 0, width(), half), spUp);
    drawButton(canvas, TRect(0, half, width(), height()), spDown);
}

void TSpinButtons::drawButton(TCanvas& canvas, const TRect& rect, Part part)
{
    const bool pressed = m_pressed == part;
    const bool hot = m_hot == part;
    if (ThemesAvailable()) {
        const int state = pressed ? UPS_PRESSED : hot ? UPS_HOT : UPS_NORMAL;
        canvas.FillSolid(rect, clBtnFace);
        if (DrawThemed(this, canvas, rect, part == spUp ? SPNP_UP : SPNP_DOWN, state,
                QStringLiteral("spin")))
            return;
    }
    // The classic scroll arrow: a raised face, flat and shifted while pressed.
    if (pressed) {
        canvas.FillSolid(rect, clBtnFace);
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(clBtnShadow);
        canvas.FrameRect(rect);
    } else {
        TGraphicsProvider::DrawButtonFace(canvas, rect, false);
    }
    const int shift = pressed ? 1 : 0;
    const int cx = (rect.Left + rect.Right) / 2 + shift;
    const int cy = (rect.Top + rect.Bottom) / 2 + shift;
    const int size = std::clamp((rect.Height() - 4) / 2, 1, 3);
    for (int row = 0; row < size; ++row) {
        const int y = part == spUp ? cy - size / 2 + row : cy + size / 2 - row;
        canvas.FillSolid(
            TRect(cx - row, y, cx + row + 1, y + 1), isEnabled() ? clBtnText : clGrayText);
    }
}

void TSpinButtons::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseDown(button, shift, x, y);
    if (button == mbLeft)
        Press(partAt(y));
}

void TSpinButtons::MouseMove(TShiftState shift, int x, int y)
{
    TCustomControl::MouseMove(shift, x, y);
    SetHot(x >= 0 && x < width() ? partAt(y) : spNone);
}

void TSpinButtons::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseUp(button, shift, x, y);
    if (button == mbLeft)
        Release();
}

void TSpinButtons::leaveEvent(QEvent* event)
{
    TCustomControl::leaveEvent(event);
    SetHot(spNone);
}

// ---------------------------------------------------------------------------

TSpinEditor::TSpinEditor(QWidget* parent)
    : TNumericEditor(parent)
    , m_buttons(new TSpinButtons(this))
{
    m_buttons->OnStep = [this](TSpinButtons::Part part) {
        if (part == TSpinButtons::spUp)
            StepUp();
        else if (part == TSpinButtons::spDown)
            StepDown();
    };
    SetPrecision(0);
    TSpinEditor::UpdateLayout();
}

TSpinEditor::~TSpinEditor()
{
    m_buttons->OnStep = nullptr;
}

int TSpinEditor::buttonsWidth() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void TSpinEditor::StepUp()
{
    if (ReadOnly())
        return;
    const double value = Value();
    if (Max() > 0 && value + m_increment > Max())
        return;
    SetValue(value + m_increment);
}

void TSpinEditor::StepDown()
{
    if (ReadOnly())
        return;
    const double value = Value();
    if (value - m_increment < Min())
        return;
    SetValue(value - m_increment);
}

TRect TSpinEditor::GetTextRect()
{
    TRect r = TNumericEditor::GetTextRect();
    r.Right = std::min(r.Right, ClientWidth() - buttonsWidth());
    return r;
}

void TSpinEditor::UpdateLayout()
{
    TNumericEditor::UpdateLayout();
    if (!m_buttons)
        return;
    const TRect client = ClientBounds();
    const int w = buttonsWidth();
    m_buttons->setGeometry(client.Right - w, client.Top, w, client.Height());
    m_buttons->raise();
}

bool TSpinEditor::EditKeyPress(QKeyEvent* event)
{
    const int key = event->key();
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return TNumericEditor::EditKeyPress(event);
    // The key holds the button down; the button repeats by itself.
    if (!event->isAutoRepeat())
        m_buttons->Press(key == Qt::Key_Up ? TSpinButtons::spUp : TSpinButtons::spDown);
    return true;
}

bool TSpinEditor::EditKeyRelease(QKeyEvent* event)
{
    const int key = event->key();
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return TNumericEditor::EditKeyRelease(event);
    if (!event->isAutoRepeat())
        m_buttons->Release();
    return true;
}

void TSpinEditor::EditWheel(QWheelEvent* event)
{
    const int notches = m_wheel.Add(event->angleDelta().y());
    for (int i = 0; i < std::abs(notches); ++i) {
        if (notches > 0)
            StepUp();
        else
            StepDown();
    }
    event->accept();
}

void TSpinEditor::EditFocusOut(Qt::FocusReason reason)
{
    m_buttons->Release();
    TNumericEditor::EditFocusOut(reason);
}

// ---------------------------------------------------------------------------

TCanvasCellEditor::TCanvasCellEditor(QWidget* parent)
    : TCellEditor(parent)
{
}

TCheckBoxEditor::TCheckBoxEditor(QWidget* parent)
    : TCanvasCellEditor(parent)
{
}

void TCheckBoxEditor::SetChecked(bool value)
{
    if (value == m_checked)
        return;
    m_checked = value;
    Changed();
    Edited(GetText());
    Invalidate();
}

void TCheckBoxEditor::SetGrayed(bool value)
{
    m_grayed = value;
    Invalidate();
}

QString TCheckBoxEditor::GetText()
{
    return m_checked ? QStringLiteral("True") : QStringLiteral("False");
}

void TCheckBoxEditor::SetText(const QString& value)
{
    SetChecked(value.toLower() == QLatin1String("true"));
}

TRect TCheckBoxEditor::BoxRect() const
{
    const int size = ThemesAvailable() ? 13 : 11;
    const TPoint p = TCalcProvider::PlaceInRect(
        size, size, VerticalAlignment(), Alignment(), ClientBounds(), 2);
    return TRect::Bounds(p.X, p.Y, size, size);
}

void TCheckBoxEditor::PaintContent()
{
    TCanvas& canvas = Canvas();
    const TRect client = ClientBounds();
    canvas.FillSolid(client, Color());
    TGraphicsProvider::DrawCheckBox(this, canvas, client, Alignment(), VerticalAlignment(),
        m_checked, m_grayed || m_spaceDown, m_hot);
}

void TCheckBoxEditor::setHot(bool hot)
{
    if (hot == m_hot)
        return;
    m_hot = hot;
    Invalidate();
}

void TCheckBoxEditor::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCanvasCellEditor::MouseDown(button, shift, x, y);
    m_mouseDown = button == mbLeft && BoxRect().Contains(TPoint(x, y));
}

void TCheckBoxEditor::MouseMove(TShiftState shift, int x, int y)
{
    TCanvasCellEditor::MouseMove(shift, x, y);
    setHot(BoxRect().Contains(TPoint(x, y)));
}

void TCheckBoxEditor::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCanvasCellEditor::MouseUp(button, shift, x, y);
    if (button != mbLeft)
        return;
    const bool toggle = m_mouseDown && BoxRect().Contains(TPoint(x, y));
    m_mouseDown = false;
    if (toggle)
        SetChecked(!m_checked);
}

void TCheckBoxEditor::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    event->accept();
    guard([&] {
        if (!KeyDown(key, event->modifiers()))
            return;
        if (key == Qt::Key_Space && !event->isAutoRepeat()) {
            m_spaceDown = true;
            Invalidate();
        }
    });
}

void TCheckBoxEditor::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
    if (event->key() != Qt::Key_Space || event->isAutoRepeat() || !m_spaceDown)
        return;
    guard([this] {
        m_spaceDown = false;
        Invalidate();
        SetChecked(!m_checked);
    });
}

void TCheckBoxEditor::leaveEvent(QEvent* event)
{
    TCanvasCellEditor::leaveEvent(event);
    setHot(false);
}
