#include "Unit1.h"

#include "Bitmap.h"
#include "ClickLabel.h"
#include "Dialogs.h"
#include "Fonts.h"
#include "GridView.h"
#include "LazyIcon.h"
#include "Memo.h"
#include "NotifyAreaIcon.h"
#include "Resources.h"
#include "Speaker.h"
#include "SysUtils.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "Unit5.h"
#include "Unit6.h"
#include "Win1254.h"
#include "xeltocallerid_TLB.h"

#include <QAction>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

std::int32_t CallCount = 0;
const QString TForm1::QuestionAnswer = QStringLiteral("8");
const QString TForm1::HiddenModeCode = QStringLiteral("405");
TForm1* Form1 = nullptr;

namespace {

const QString kConnected = QStringLiteral("Cihaz bağlı");
const QString kWaiting = QStringLiteral("Bağlantı bekleniyor");
const QStringList kDefaultLog = {
    QStringLiteral("Cihaz ile ilgili başka program çalışıyorsa lütfen sonlandırınız."),
    QStringLiteral("Aynı anda, 1 uygulama cihaza  bağlantı sağlayabilir."),
};
constexpr int kMeterMax = 30;
// A frame of a 60 Hz screen: the most often a changing part of the window is painted.
constexpr int kFrameMs = 16;
// What a meter's value label shows before any device has reported a level.
const QString kNoLevel = QStringLiteral("-");

// Lines of the guide's message boxes are separated by CR LF; blanks at the ends count.
const QString kSplitterBox = QStringLiteral(
    "İnternet bağlantısı olan hat varsa, mutlaka ADSL splitter kullanılır.\r\n"
    "ADSL Splitter, modemle birlikte verilen bir \"cihazdır\".\r\n"
    "\r\n"
    "İnternet telefon hattı, caller ID cihazına doğrudan bağlanmaz.\r\n"
    "ADSL splitter \"telefon\" çıkışından cihaz girişine ve telefona bağlantı yapılır. \r\n"
    "ADSL splitter, sadece internet bağlantısı olan hat için kullanılır.");
const QString kNumberServiceBox = QStringLiteral(
    "Caller ID cihazları, santralin gönderdiği arayan numara bilgisini, bilgisayara aktarır. \r\n"
    "Kabloya bağlı telefon makinesi üzerinde numara görünmüyorsa cihaz da numarayı "
    "gösteremez.\r\n"
    " 444 1 444 nolu  Türk Telekom servisini aramak suretiyle telefon hattının numara gösterme "
    "özelliği açtırılabilir.");
const QString kSignalBox = QStringLiteral(
    "Telefon kapalı ve zil çalmıyorsa, sinyal göstergeleri en fazla 0..2 civarında olmalıdır. \r\n"
    "Daha yüksek ise sorun var demektir. İnternet hattında, ADSL Siplitter kullanılmamış  veya "
    "ters bağlı olabilir. \r\n"
    "\r\n"
    "Zil çalarken veya konuşma esnasında göstergelerin daha fazla yükselmesi,\r\n"
    "telefon hattındaki elektriğin, cihaza ulaştığını gösterir. Normal bir durumdur.\r\n"
    "Fakat mutlaka, \"Caller ID sinyali var\" anlamına GELMEZ ");
const QString kVoiceMessageBox
    = QStringLiteral("Çağrı cevaplanır, veya numara çevrilir. Sonra sesli mesaj dinletilir.\r\n"
                     "İsterseniz bu özellik  eklenebilir ($)\r\n\r\n");

// The call list's columns in stored order: the index used when writing cells.
QList<StoredColumn> callListColumns()
{
    struct Column
    {
        const char* caption;
        int position;
        int width;
        const char* sortKind;
    };
    const Column columnsInStoredOrder[] = {
        { "Saat", 2, 96, "skAscending" },
        { "Cihaz seri no.", 3, 116, "skAscending" },
        { "Çağrı sıra no", 4, 101, "skAscending" },
        { "Hat no.", 0, 69, "skDescending" },
        { "Arayan numara", 1, 128, "skAscending" },
    };
    QList<StoredColumn> columns;
    for (const Column& s : columnsInStoredOrder) {
        StoredColumn c(QStringLiteral("TTextualColumn"));
        c.Set(QStringLiteral("Alignment"), QStringLiteral("taCenter"))
            .Set(QStringLiteral("Color"), QStringLiteral("clWindow"))
            .Set(QStringLiteral("DefaultWidth"), s.width)
            .Set(QStringLiteral("Font.Height"), -11)
            .Set(QStringLiteral("Font.Name"), QStringLiteral("MS Sans Serif"))
            .Set(QStringLiteral("Footer.Color"), QStringLiteral("clWindow"))
            .Set(QStringLiteral("Footer.FormulaKind"), QStringLiteral("fkNone"))
            .Set(QStringLiteral("FormulaKind"), QStringLiteral("fkNone"))
            .Set(QStringLiteral("Header.Caption"), QString::fromUtf8(s.caption))
            .Set(QStringLiteral("Header.Color"), QStringLiteral("clBtnFace"))
            .Set(QStringLiteral("Header.DisplayMode"), QStringLiteral("dmTextOnly"))
            .Set(QStringLiteral("Options"),
                QStringLiteral("[coAutoSize, coCanInput, coDontHighlight, coPublicUsing]"))
            .Set(QStringLiteral("Position"), s.position)
            .Set(QStringLiteral("Sorted"), false)
            .Set(QStringLiteral("SortKind"), QString::fromLatin1(s.sortKind))
            .Set(QStringLiteral("SortType"), QStringLiteral("stAlphabetic"))
            .Set(QStringLiteral("VerticalAlignment"), QStringLiteral("vaMiddle"))
            .Set(QStringLiteral("Visible"), true)
            .Set(QStringLiteral("Width"), s.width)
            .Set(QStringLiteral("WrapKind"), QStringLiteral("wkEllipsis"));
        columns.append(c);
    }
    return columns;
}

// QLabel::clear() repaints even an empty label: twice a second, with nothing
// changed, that was most of what the idle window did.
void clearLabel(QLabel* label)
{
    if (!label->text().isEmpty())
        label->clear();
}

// The glyph of an OK button: a green tick. Drawn here rather than taken from
// the style, whose icon-theme lookup costs more than all the window's fonts.
QIcon okGlyph()
{
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 128, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({ QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4.5) }));
    painter.end();
    return QIcon(glyph);
}

QPushButton* makeOkButton(QWidget* parent, QRect geometry, const QIcon& glyph)
{
    auto* button = new QPushButton(QStringLiteral("Tamam"), parent);
    button->setIcon(glyph);
    button->setGeometry(geometry);
    return button;
}

TClickLabel* makeLink(
    QWidget* parent, const QString& caption, QPoint at, int width, bool underline = false)
{
    auto* link = new TClickLabel(parent);
    link->setText(caption);
    link->setFont(Fonts::Make(QStringLiteral("Verdana"), -12, underline ? Fonts::Underline : 0));
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    link->setPalette(palette);
    link->setCursor(Qt::PointingHandCursor);
    link->move(at);
    link->resize(width, link->sizeHint().height());
    return link;
}

QLabel* makeLabel(QWidget* parent, const QString& caption, int left, int top, const QFont& font)
{
    auto* label = new QLabel(caption, parent);
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Cihaz Test"));
    setFont(Fonts::Make(QStringLiteral("MS Sans Serif"), -11));
    setAutoFillBackground(true);
    setWindowIcon(LazyIcon(Resources::WindowIcon));
    resize(OuterSize.shrunkBy(FrameMargins));
    m_okGlyph = okGlyph();

    createNonVisual();
    createTestPage();
    bindHandlers();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect outer(QPoint(0, 0), OuterSize);
        const QPoint topLeft = screen->availableGeometry().center() - outer.center();
        move(topLeft + QPoint(FrameMargins.left(), FrameMargins.top()));
    }
}

TForm1::~TForm1()
{
    ApplicationEvents1->SetOnException(nullptr);
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::createNonVisual()
{
    // Bound to the log once the log exists (bindLog).
    ApplicationEvents1 = new TApplicationEvents(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(50);
    frameTimer = new QTimer(this);
    frameTimer->setSingleShot(true);
    frameTimer->setInterval(kFrameMs);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Listeyisil1 = PopupMenu1->addAction(QStringLiteral("Listeyi sil"));
    Listeyisil1->setObjectName(QStringLiteral("Listeyisil1"));
    ki1 = PopupMenu1->addAction(QStringLiteral("Çıkış"));
    ki1->setObjectName(QStringLiteral("ki1"));

    // The tray icon carries the window's menu; it adds itself once loaded.
    TrayIcon1 = new TNotifyAreaIcon(this);
    TrayIcon1->SetName(QStringLiteral("TrayIcon1"));
    TrayIcon1->BeginLoading();
    TrayIcon1->SetCycleInterval(400);
    const TIcon trayIcon(windowIcon());
    TrayIcon1->SetIcon(&trayIcon);
    TrayIcon1->SetIconIndex(0);
    TrayIcon1->SetPopupMenu(PopupMenu1);
    TrayIcon1->SetWantEnterExitEvents(true);
    TrayIcon1->SetIconVisible(true);
    TrayIcon1->EndLoading();
}

void TForm1::createTestPage()
{
    auto* formLayout = new QVBoxLayout(this);
    formLayout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setFont(Fonts::Make(QStringLiteral("Default"), -11));
    formLayout->addWidget(PageControl1);

    TabSheet1 = new QWidget();
    TabSheet2 = new QWidget();
    TabSheet3 = new QWidget();
    TabSheet4 = new QWidget();
    PageControl1->addTab(TabSheet1, QStringLiteral("Test"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Bağlantı Kılavuzu !"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Ayar"));
    PageControl1->addTab(TabSheet4, QStringLiteral("?"));
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet3), false);

    auto* sheetLayout = new QVBoxLayout(TabSheet1);
    sheetLayout->setContentsMargins(0, 0, 0, 0);
    GroupBox4 = new QGroupBox(TabSheet1);
    sheetLayout->addWidget(GroupBox4);
    auto* boxLayout = new QVBoxLayout(GroupBox4);
    boxLayout->setContentsMargins(2, 6, 2, 2);
    boxLayout->setSpacing(0);

    GridView1 = new TGridView(GroupBox4);
    GridView1->setObjectName(QStringLiteral("GridView1"));
    GridView1->setFixedHeight(170);
    GridView1->SetBorderStyle(bsSingle);
    GridView1->SetGridStyle(gsReport);
    GridView1->SetGridLinesStyle(lsNormal);
    GridView1->SetHeaderSize(20);
    GridView1->SetHeaderStyle(hsAuto);
    GridView1->SetHideScrollBar(true);
    GridView1->SetInputSize(12);
    GridView1->SetOptions(TGridOptions { goDissableColumnMoving, goGrid, goHeader });
    GridView1->SetRowSize(20);
    GridView1->SetSelectionMoveDirection(mdNone);
    GridView1->SetSlideSize(60);
    GridView1->setFocusPolicy(Qt::StrongFocus);
    GridView1->SetWantReturns(false);
    GridView1->LoadColumns(callListColumns());
    // What a screen reader announces for the list and the log, which have no caption.
    GridView1->setAccessibleName(QStringLiteral("Çağrı listesi"));
    boxLayout->addWidget(GridView1);

    Memo2 = new QPlainTextEdit(GroupBox4);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setReadOnly(true);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo2->setFont(Fonts::Make(QStringLiteral("Verdana"), -11));
    Memo2->setFixedHeight(48);
    Memo::SetLines(Memo2, kDefaultLog + QStringList { QString() });
    Memo2->setAccessibleName(QStringLiteral("Mesajlar"));
    boxLayout->addWidget(Memo2);
    bindLog();

    auto* bottom = new QHBoxLayout();
    bottom->setContentsMargins(0, 0, 0, 0);
    boxLayout->addLayout(bottom, 1);

    const QFont groupFont = Fonts::Make(QStringLiteral("Arial"), -11);
    GroupBox2 = new QGroupBox(QStringLiteral("     Cihaz Modeli - Bağlantı Durumu   "), GroupBox4);
    GroupBox2->setFont(groupFont);
    GroupBox2->setFixedWidth(319);
    bottom->addWidget(GroupBox2);
    bottom->addStretch(1);
    tek = new QGroupBox(QStringLiteral("  Sinyaller   "), GroupBox4);
    tek->setObjectName(QStringLiteral("tek"));
    tek->setFont(groupFont);
    tek->setFixedWidth(206);
    bottom->addWidget(tek);

    const QFont big = Fonts::Make(QStringLiteral("Arial"), -24, Fonts::Bold);
    Label22 = makeLabel(GroupBox2, QStringLiteral("Çağrı sayısı : "), 14, 19, big);
    Label5 = makeLabel(GroupBox2, QStringLiteral("0"), 208, 18, big);
    Label5->setFixedSize(81, 30);
    // The state lines grow with their text up to the group's edge.
    const int lineWidth = 319 - 14 - 4;
    Label9 = makeLabel(GroupBox2, QStringLiteral("--"), 14, 53, big);
    Label24 = makeLabel(GroupBox2, QStringLiteral("--"), 14, 88, big);
    Label25 = makeLabel(GroupBox2, QStringLiteral("--"), 14, 123, big);
    for (QLabel* label : { Label9, Label24, Label25 }) {
        label->resize(lineWidth, label->height());
        label->setContextMenuPolicy(Qt::CustomContextMenu);
    }

    tempMemo = new QPlainTextEdit(GroupBox2);
    tempMemo->setObjectName(QStringLiteral("tempMemo"));
    tempMemo->setGeometry(264, 144, 25, 17);
    tempMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo::SetLines(tempMemo, kDefaultLog);
    tempMemo->hide();

    Xelto1 = new TXelto(GroupBox2);
    Xelto1->setObjectName(QStringLiteral("Xelto1"));
    Xelto1->setGeometry(216, 112, 26, 26);

    createMeters();
    createGuidePage();
    createSettingsPage();
    createQuestionPage();
}

void TForm1::createGuidePage()
{
    auto* layout = new QVBoxLayout(TabSheet2);
    layout->setContentsMargins(0, 0, 0, 0);
    GroupBox1 = new QGroupBox(QStringLiteral("  Yardım Konuları  "), TabSheet2);
    layout->addWidget(GroupBox1);

    Label21 = makeLink(
        GroupBox1, QStringLiteral("Tek hatlı Cihaz Bağlantısı böyle yapılır >"), { 89, 43 }, 249);
    Label17 = makeLink(
        GroupBox1, QStringLiteral("2 hatlı Cihaz Bağlantısı böyle yapılır >"), { 89, 120 }, 235);
    Label16 = makeLink(
        GroupBox1, QStringLiteral("4 hatlı Cihaz Bağlantısı böyle yapılır >"), { 89, 197 }, 235);
    Label12 = makeLink(
        GroupBox1, QStringLiteral("İnternet hattı, cihaza böyle bağlanır >"), { 89, 292 }, 239);
    Label19 = makeLink(GroupBox1, QStringLiteral("Önemli açıklamalar"), { 90, 345 }, 117, true);

    const int tops[] = { 16, 95, 175, 255 };
    TClickLabel** images[] = { &Image2, &Image1, &Image3, &Image4 };
    for (int i = 0; i < 4; ++i) {
        auto* image = new TClickLabel(GroupBox1);
        image->setGeometry(382, tops[i], 96, 68);
        image->setCursor(Qt::PointingHandCursor);
        *images[i] = image;
    }
    BitBtn3 = makeOkButton(GroupBox1, QRect(382, 331, 97, 30), m_okGlyph);
    // The thumbnails are drawn transparent: their white background is left out.
    TBitmap thumbnail;
    thumbnail.SetTransparent(true);
    thumbnail.LoadFromImage(QImage(Resources::DeviceThumbnail));
    for (TClickLabel* image : { Image2, Image1, Image3 })
        image->SetStretchedPicture(thumbnail);
    thumbnail.LoadFromImage(QImage(Resources::AdslThumbnail));
    Image4->SetStretchedPicture(thumbnail);
    // A thumbnail opens what the link beside it opens, and is named after it.
    const std::pair<TClickLabel*, TClickLabel*> thumbnails[]
        = { { Image2, Label21 }, { Image1, Label17 }, { Image3, Label16 }, { Image4, Label12 } };
    for (const auto& [image, link] : thumbnails)
        image->setAccessibleName(link->text());

    Label21->OnClick = [this](TObject* s) { Label21Click(s); };
    Label17->OnClick = [this](TObject* s) { Label17Click(s); };
    Label16->OnClick = [this](TObject* s) { Label11Click(s); };
    Label12->OnClick = [this](TObject* s) { Label12Click(s); };
    Label19->OnClick = [this](TObject* s) { Label14Click(s); };
    Image2->OnClick = [this](TObject* s) { Image2Click(s); };
    Image1->OnClick = [this](TObject* s) { Image1Click(s); };
    Image3->OnClick = [this](TObject* s) { Image3Click(s); };
    Image4->OnClick = [this](TObject* s) { Image4Click(s); };
    connect(
        BitBtn3, &QPushButton::clicked, this, Guarded(BitBtn3, [this] { BitBtn2Click(BitBtn3); }));
}

void TForm1::createSettingsPage()
{
    Label13 = new QLabel(QStringLiteral("Ayarlar otomatiktir. "), TabSheet3);
    Label13->setFont(Fonts::Make(QStringLiteral("Verdana"), -12));
    QPalette palette = Label13->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    Label13->setPalette(palette);
    Label13->move(57, 78);
    Label13->adjustSize();
    BitBtn2 = makeOkButton(TabSheet3, QRect(402, 323, 97, 30), m_okGlyph);
    connect(
        BitBtn2, &QPushButton::clicked, this, Guarded(BitBtn2, [this] { BitBtn2Click(BitBtn2); }));
}

void TForm1::createQuestionPage()
{
    const QString sans = QStringLiteral("MS Sans Serif");
    Label11 = makeLabel(TabSheet4, QStringLiteral("Soru : "), 284, 336, Fonts::Make(sans, -7));
    Label14 = makeLabel(TabSheet4, QStringLiteral("2"), 317, 329, Fonts::Make(sans, -19));
    // Set higher and smaller, it reads as the exponent: 2³.
    Label18 = makeLabel(TabSheet4, QStringLiteral("3"), 328, 326, Fonts::Make(sans, -7));
    Label20 = makeLabel(TabSheet4, QStringLiteral("="), 340, 334, font());
    Edit1 = new QLineEdit(QStringLiteral("??"), TabSheet4);
    Edit1->setGeometry(356, 330, 41, 21);
    Edit1->installEventFilter(this);
    Edit1->setAccessibleName(QStringLiteral("Soru : 2³ ="));
    BitBtn1 = makeOkButton(TabSheet4, QRect(404, 325, 97, 30), m_okGlyph);

    GroupBox3 = new QGroupBox(
        QStringLiteral("  Aşağıdaki özellikler, sadece  RT4052 model ürünler için kullanılır   "),
        TabSheet4);
    GroupBox3->setGeometry(0, 79, 536, 76);
    GroupBox3->hide();
    auto button = [this](const QString& caption, int left, int width, const QString& hint) {
        auto* b = new QPushButton(caption, GroupBox3);
        b->setGeometry(left, 27, width, 28);
        b->setToolTip(hint);
        return b;
    };
    Button2 = button(QStringLiteral("Hattı Kapat"), 8, 66, QStringLiteral("Çağrı beklenir"));
    Button1 = button(QStringLiteral("Hattı Aç"), 92, 66, QStringLiteral("Hat meşgul"));
    Edit2 = new QLineEdit(QStringLiteral("05.."), GroupBox3);
    Edit2->setGeometry(192, 31, 105, 21);
    Edit2->setToolTip(QStringLiteral("Çevrilecek numara"));
    Edit2->setAccessibleName(Edit2->toolTip());
    Button3 = button(QStringLiteral("Bu numarayı çevir"), 300, 101, QString());
    Button4 = button(QStringLiteral("Sesli mesaj dinlet"), 418, 95, QString());

    connect(
        BitBtn1, &QPushButton::clicked, this, Guarded(BitBtn1, [this] { BitBtn1Click(BitBtn1); }));
    connect(
        Button2, &QPushButton::clicked, this, Guarded(Button2, [this] { Button2Click(Button2); }));
    connect(
        Button1, &QPushButton::clicked, this, Guarded(Button1, [this] { Button1Click(Button1); }));
    connect(
        Button3, &QPushButton::clicked, this, Guarded(Button3, [this] { Button3Click(Button3); }));
    connect(
        Button4, &QPushButton::clicked, this, Guarded(Button4, [this] { Button4Click(Button4); }));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // After the press has placed the cursor, so the selection stays.
        Application()->Guard(Edit1, [this] { Edit1Click(Edit1); });
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::createMeters()
{
    const QFont captionFont = Fonts::Make(QStringLiteral("Default"), -13);
    const int tops[] = { 43, 67, 91, 115 };
    const char* const captions[] = { "Telefon 1", "Telefon 2", "Telefon 3", "Telefon 4" };
    QLabel** captionLabels[] = { &Label6, &Label7, &Label8, &Label15 };
    QProgressBar** meters[] = { &ProgressBar1, &ProgressBar2, &ProgressBar3, &ProgressBar4 };
    QLabel** valueLabels[] = { &Label1, &Label2, &Label3, &Label4 };
    for (int i = 0; i < 4; ++i) {
        *captionLabels[i]
            = makeLabel(tek, QString::fromLatin1(captions[i]), 10, tops[i] - 2, captionFont);
        auto* meter = new QProgressBar(tek);
        meter->setGeometry(71, tops[i], 99, 13);
        meter->setRange(0, kMeterMax);
        meter->setValue(0);
        meter->setTextVisible(false);
        // The caption names the meter for assistive technologies.
        (*captionLabels[i])->setBuddy(meter);
        *meters[i] = meter;
        auto* value = new QLabel(kNoLevel, tek);
        value->setGeometry(174, tops[i], 25, 13);
        *valueLabels[i] = value;
    }
}

// The exception event writes into the log and the log trims itself, so both
// are bound as soon as the log exists: a control that fails to come up while
// the rest of the window is built is reported there, within the two lines.
// What fails before that goes to standard error.
void TForm1::bindLog()
{
    connect(
        Memo2, &QPlainTextEdit::textChanged, this, Guarded(Memo2, [this] { Memo2Change(Memo2); }));
    ApplicationEvents1->SetOnException([this](TObject* sender, const QString& message) {
        ApplicationEvents1Exception(sender, message);
    });
}

void TForm1::bindHandlers()
{
    connect(Timer1, &QTimer::timeout, this, Guarded(Timer1, [this] { Timer1Timer(Timer1); }));
    connect(Timer2, &QTimer::timeout, this, Guarded(Timer2, [this] { Timer2Timer(Timer2); }));
    connect(frameTimer, &QTimer::timeout, this, Guarded(frameTimer, [this] { frameTick(); }));
    connect(Listeyisil1, &QAction::triggered, this,
        Guarded(Listeyisil1, [this] { Listeyisil1Click(Listeyisil1); }));
    connect(ki1, &QAction::triggered, this, Guarded(ki1, [this] { ki1Click(ki1); }));
    for (QLabel* label : { Label9, Label24, Label25 }) {
        connect(label, &QWidget::customContextMenuRequested, this,
            [this, label](const QPoint& pos) { PopupMenu1->popup(label->mapToGlobal(pos)); });
    }
    Xelto1->OnCallerID = [this](TObject* sender, const QString& device, const QString& line,
                             const QString& number, const QString& dateTime, const QString& other) {
        Xelto1CallerID(sender, device, line, number, dateTime, other);
    };
    Xelto1->OnSignalA
        = [this](TObject* sender, const QString& l1, const QString& l2, const QString& l3,
              const QString& l4, const QString& l5, const QString& l6, const QString& l7,
              const QString& l8) { Xelto1SignalA(sender, l1, l2, l3, l4, l5, l6, l7, l8); };
    Timer1->start();
    Timer2->start();
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        Application()->Guard(this, [this] { FormShow(this); });
}

void TForm1::setCounter(std::int32_t value)
{
    showLater(Label5);
    CallCount = value;
    Label5->setText(QString::number(CallCount));
}

void TForm1::showLater(QWidget* part)
{
    if (!frameTimer->isActive()) {
        // What changes in the first turn after a quiet frame is shown at once;
        // the frame begins with the next turn.
        if (!m_frameStarting) {
            m_frameStarting = true;
            // Queued, as the paints of this turn are.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_frameStarting = false;
                    frameTimer->start();
                },
                Qt::QueuedConnection);
        }
        return;
    }
    if (part->updatesEnabled()) {
        part->setUpdatesEnabled(false);
        m_held.append(part);
    }
}

void TForm1::frameTick()
{
    frameTimer->stop();
    if (m_held.isEmpty())
        return;
    // Enabling updates again paints each part once, in its latest state.
    for (const QPointer<QWidget>& part : std::exchange(m_held, {}))
        if (part)
            part->setUpdatesEnabled(true);
    frameTimer->start();
}

void TForm1::FormShow(TObject*)
{
    setCounter(0);
    PageControl1->setCurrentWidget(TabSheet1);
    Xelto1->SetFormVisible(false);
    Xelto1->Start();
    // The window keeps the size of its contents.
    setFixedSize(size());
}

void TForm1::Timer1Timer(TObject*)
{
    const QString model = Win1254::toAnsi(Xelto1->Command(QStringLiteral("devicemodel")));
    if (!model.isEmpty()) {
        Label24->setText(QStringLiteral("Cihaz modeli: ") + model);
        const QString serial = Win1254::toAnsi(Xelto1->Command(QStringLiteral("serial")));
        Label25->setText(QStringLiteral("Seri no: ") + serial);
    } else {
        clearLabel(Label24);
        clearLabel(Label25);
    }
    if (Label9->text() == kConnected && model.isEmpty()) {
        Reset();
        // No line voltage reaches a device that is gone: the meters must not show the last one.
        showNoLevels();
    }
    if (!model.isEmpty()) {
        Label9->setText(kConnected);
    } else {
        Label9->setText(kWaiting);
        clearLabel(Label24);
        clearLabel(Label25);
    }
}

void TForm1::Timer2Timer(TObject*)
{
    Timer2->stop();
    Application()->BringToFront();
}

void TForm1::Memo2Change(TObject*)
{
    // Deleting a line is itself a change, so the log settles at its last two lines.
    if (Memo::LineCount(Memo2) > 2)
        Memo::Delete(Memo2, 0);
}

void TForm1::ApplicationEvents1Exception(TObject*, const QString& message)
{
    showLater(Memo2);
    Memo::Add(Memo2, SysUtils::TimeToStr(QTime::currentTime()) + QLatin1Char(':') + message);
}

void TForm1::Listeyisil1Click(TObject*)
{
    Reset();
}

void TForm1::ki1Click(TObject*)
{
    close();
}

void TForm1::emptyCallList()
{
    GridView1->Clear();
}

void TForm1::Reset()
{
    emptyCallList();
    Memo2->setPlainText(tempMemo->toPlainText());
    setCounter(0);
}

void TForm1::Xelto1CallerID(TObject*, const QString& DeviceID, const QString& Line,
    const QString& PhoneNumber, const QString&, const QString&)
{
    showLater(GridView1);
    // The list keeps the six latest calls, oldest at the top.
    if (GridView1->RowCount() > 5)
        GridView1->DeleteRow(0);
    GridView1->AddRows(1);
    const int row = GridView1->RowCount() - 1;
    setCounter(CallCount + 1);
    GridView1->BeginUpdate();
    GridView1->Cell(3, row)->SetAsString(Line);
    GridView1->Cell(4, row)->SetAsString(PhoneNumber);
    GridView1->Cell(0, row)->SetAsString(SysUtils::TimeToStr(QTime::currentTime()));
    GridView1->Cell(1, row)->SetAsString(DeviceID);
    GridView1->Cell(2, row)->SetAsString(QString::number(CallCount));
    GridView1->EndUpdate();
    Beep(1000, 30);
    TrayIcon1->ShowBalloon(QStringLiteral("Çağrı: ") + QString::number(CallCount),
        Win1254::toAnsi(PhoneNumber), bikInfo, 10);
}

void TForm1::showNoLevels()
{
    for (QProgressBar* meter : { ProgressBar1, ProgressBar2, ProgressBar3, ProgressBar4 })
        meter->setValue(0);
    for (QLabel* label : { Label1, Label2, Label3, Label4 })
        label->setText(kNoLevel);
}

void TForm1::Xelto1SignalA(TObject*, const QString& Level1, const QString& Level2,
    const QString& Level3, const QString& Level4, const QString&, const QString&, const QString&,
    const QString&)
{
    // All four are converted before anything is shown.
    int values[4] = { SysUtils::StrToInt(Level1), SysUtils::StrToInt(Level2),
        SysUtils::StrToInt(Level3), SysUtils::StrToInt(Level4) };
    QProgressBar* meters[] = { ProgressBar1, ProgressBar2, ProgressBar3, ProgressBar4 };
    QLabel* labels[] = { Label1, Label2, Label3, Label4 };
    showLater(tek);
    for (int i = 0; i < 4; ++i) {
        if (values[i] < 10)
            values[i] = 0;
        meters[i]->setValue(qMin(values[i], kMeterMax));
        labels[i]->setText(QString::number(values[i]));
    }
}

void TForm1::Label21Click(TObject*)
{
    Form6->ShowModal();
}

void TForm1::Image2Click(TObject* Sender)
{
    Label21Click(Sender);
}

void TForm1::Label17Click(TObject*)
{
    Form2->ShowModal();
}

void TForm1::Image1Click(TObject* Sender)
{
    Label17Click(Sender);
}

void TForm1::Label11Click(TObject*)
{
    Form3->ShowModal();
}

void TForm1::Image3Click(TObject* Sender)
{
    Label11Click(Sender);
}

void TForm1::Label12Click(TObject*)
{
    MessageDlg(kSplitterBox, TMsgDlgType::mtInformation);
    splnedir->ShowModal();
    ADSlbag->ShowModal();
}

void TForm1::Image4Click(TObject* Sender)
{
    Label12Click(Sender);
}

void TForm1::Label14Click(TObject*)
{
    MessageDlg(kNumberServiceBox, TMsgDlgType::mtInformation);
    MessageDlg(kSignalBox, TMsgDlgType::mtWarning);
}

void TForm1::BitBtn2Click(TObject*)
{
    PageControl1->setCurrentWidget(TabSheet1);
}

void TForm1::Edit1Click(TObject*)
{
    Edit1->selectAll();
}

void TForm1::BitBtn1Click(TObject*)
{
    const QString entry = Edit1->text();
    if (entry == QuestionAnswer) {
        Xelto1->ServiceAction();
    } else if (entry == HiddenModeCode) {
        GroupBox3->setVisible(true);
    } else {
        Edit1->setText(QStringLiteral("??"));
        PageControl1->setCurrentWidget(TabSheet1);
    }
}

void TForm1::Button2Click(TObject*)
{
    Xelto1->Command(QStringLiteral("LineStatus0"));
}

void TForm1::Button1Click(TObject*)
{
    Xelto1->Command(QStringLiteral("LineStatus1"));
}

void TForm1::Button3Click(TObject*)
{
    Xelto1->Command(QStringLiteral("dial") + Edit2->text());
}

void TForm1::Button4Click(TObject*)
{
    MessageDlg(kVoiceMessageBox, TMsgDlgType::mtInformation);
}
