#include "AppFixture.h"

#include "ClickLabel.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "Unit5.h"
#include "Unit6.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

namespace {

// Closes every modal window that comes up, noting what it was.
class ModalCloser : public QObject
{
public:
    explicit ModalCloser(std::function<void(QWidget*)> whileOpen = {})
        : m_whileOpen(std::move(whileOpen))
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] { step(); });
        m_timer.start();
    }

    QStringList seen;
    // Modal windows that would open behind the main window, which stays on top.
    QStringList below;
    // Boxes that break a line although the screen had room for it.
    QStringList wrapped;

private:
    void step()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen << QStringLiteral("%1|%2|%3|%4")
                        .arg(box->windowTitle(), box->text())
                        .arg(int(box->icon()))
                        .arg(box->buttons().size() == 1 ? box->buttons().first()->text()
                                                        : QStringLiteral("?"));
        } else {
            seen << modal->objectName();
        }
        if (!modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            below << seen.last();
        if (auto* label = modal->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            const QFontMetrics metrics(label->font());
            const int room = modal->screen()->availableGeometry().width() * 3 / 4;
            for (const QString& line : label->text().split(QLatin1Char('\n')))
                if (label->width() < std::min(metrics.horizontalAdvance(line), room))
                    wrapped << line;
        }
        if (m_whileOpen)
            m_whileOpen(modal);
        modal->close();
    }

    QTimer m_timer;
    std::function<void(QWidget*)> m_whileOpen;
};

struct PictureWindows
{
    PictureWindows()
    {
        Form2 = new TForm2();
        Form3 = new TForm3();
        ADSlbag = new TADSlbag();
        Form6 = new TForm6();
        splnedir = new Tsplnedir();
    }
    ~PictureWindows()
    {
        delete Form2;
        delete Form3;
        delete ADSlbag;
        delete Form6;
        delete splnedir;
    }
};

class PagesTest : public MainWindowFixture
{
protected:
    void gate(const QString& entry)
    {
        form->Edit1->setText(entry);
        form->BitBtn1->click();
    }
};

} // namespace

TEST_F(PagesTest, TheQuestionGateHasThreeOutcomes)
{
    form->PageControl1->setCurrentWidget(form->TabSheet4);
    gate(QStringLiteral("??"));
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("??"));
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);

    for (const QString& wrong :
        { QStringLiteral(" 8"), QStringLiteral("8 "), QStringLiteral("405 "), QString() }) {
        form->PageControl1->setCurrentWidget(form->TabSheet4);
        gate(wrong);
        EXPECT_EQ(form->Edit1->text(), QStringLiteral("??"));
        EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    }
    EXPECT_EQ(device->serviceActionCount(), 0);

    form->PageControl1->setCurrentWidget(form->TabSheet4);
    gate(TForm1::QuestionAnswer);
    EXPECT_EQ(device->serviceActionCount(), 1);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet4);
    EXPECT_TRUE(form->GroupBox3->isHidden());

    gate(TForm1::HiddenModeCode);
    EXPECT_FALSE(form->GroupBox3->isHidden());
    gate(TForm1::HiddenModeCode);
    EXPECT_FALSE(form->GroupBox3->isHidden());
    EXPECT_EQ(form->Edit1->text(), TForm1::HiddenModeCode);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet4);
    EXPECT_EQ(device->serviceActionCount(), 1);
}

TEST_F(PagesTest, TheLineCommandButtonsSendTheirKeywords)
{
    form->Button2->click();
    form->Button1->click();
    form->Button3->click();
    form->Edit2->setText(QStringLiteral(" 0212 555 "));
    form->Button3->click();
    EXPECT_EQ(device->commands(),
        QStringList({ QStringLiteral("LineStatus0"), QStringLiteral("LineStatus1"),
            QStringLiteral("dial05.."), QStringLiteral("dial 0212 555 ") }));
    EXPECT_EQ(form->Button2->toolTip(), QStringLiteral("Çağrı beklenir"));
    EXPECT_EQ(form->Button1->toolTip(), QStringLiteral("Hat meşgul"));

    // A refused command ends in the log and changes nothing else.
    device->setFailure(SimulatedXelto::Method::Command, true);
    form->Button2->click();
    EXPECT_TRUE(log().last().contains(QStringLiteral("LineStatus0")));
    device->setFailure(SimulatedXelto::Method::ServiceAction, true);
    gate(TForm1::QuestionAnswer);
    EXPECT_TRUE(log().last().contains(QStringLiteral("ServiceAction")));
}

TEST_F(PagesTest, VoiceMessageButtonShowsItsBoxAndSendsNothing)
{
    ModalCloser closer;
    form->Button4->click();
    ASSERT_EQ(closer.seen.size(), 1);
    EXPECT_EQ(closer.seen.first(),
        QStringLiteral("Bilgi|Çağrı cevaplanır, veya numara çevrilir. Sonra sesli mesaj "
                       "dinletilir.\nİsterseniz bu özellik  eklenebilir ($)\n\n|%1|Tamam")
            .arg(int(QMessageBox::Information)));
    EXPECT_TRUE(device->commands().isEmpty());
}

TEST_F(PagesTest, TheInternetLinkShowsBoxSplitterAndAdslInARow)
{
    PictureWindows windows;
    int polls = 0;
    device->attach(QStringLiteral("RT4052"), QStringLiteral("7"));
    form->Timer1->start(1);
    ModalCloser closer([&](QWidget*) {
        // The status poll and the device's events go on while a modal window is open.
        device->raiseSignal({ QString::number(10 + polls), QStringLiteral("0"), QStringLiteral("0"),
            QStringLiteral("0") });
        ++polls;
        QTest::qWait(20);
    });
    form->Label12Click(form->Label12);
    form->Timer1->stop();
    ASSERT_EQ(closer.seen.size(), 3);
    EXPECT_TRUE(closer.seen.at(0).startsWith(QStringLiteral(
        "Bilgi|İnternet bağlantısı olan hat varsa, mutlaka ADSL splitter kullanılır.\n"
        "ADSL Splitter, modemle birlikte verilen bir \"cihazdır\".\n\n")));
    EXPECT_TRUE(closer.seen.at(0).contains(
        QStringLiteral("\"telefon\" çıkışından cihaz girişine ve telefona bağlantı yapılır. \n")));
    EXPECT_EQ(closer.seen.at(1), QStringLiteral("splnedir"));
    EXPECT_EQ(closer.seen.at(2), QStringLiteral("ADSlbag"));
    EXPECT_EQ(closer.below, QStringList());
    EXPECT_EQ(form->Label1->text(), QString::number(10 + polls - 1));
    EXPECT_EQ(form->Label9->text(), QStringLiteral("Cihaz bağlı"));
}

TEST_F(PagesTest, ImportantNotesShowTwoBoxesInformationThenWarning)
{
    ModalCloser closer;
    form->Label14Click(form->Label19);
    ASSERT_EQ(closer.seen.size(), 2);
    EXPECT_TRUE(closer.seen.at(0).startsWith(QStringLiteral("Bilgi|Caller ID cihazları")));
    EXPECT_TRUE(closer.seen.at(0).contains(
        QStringLiteral("\n 444 1 444 nolu  Türk Telekom servisini aramak")));
    EXPECT_TRUE(closer.seen.at(1).startsWith(QStringLiteral("Uyarı|Telefon kapalı")));
    EXPECT_TRUE(closer.seen.at(1).contains(
        QStringLiteral("Fakat mutlaka, \"Caller ID sinyali var\" anlamına GELMEZ |%1|Tamam")
            .arg(int(QMessageBox::Warning))));
    EXPECT_TRUE(closer.seen.at(1).contains(QStringLiteral("kullanılmamış  veya")));
    EXPECT_EQ(closer.below, QStringList());
    EXPECT_EQ(closer.wrapped, QStringList());
}

TEST_F(PagesTest, WiringLinksAndThumbnailsOpenTheirWindows)
{
    PictureWindows windows;
    ModalCloser closer;
    QTest::mouseClick(form->Label21, Qt::LeftButton);
    form->Image2Click(form->Image2);
    form->Label17Click(form->Label17);
    form->Image1Click(form->Image1);
    form->Label11Click(form->Label16);
    form->Image3Click(form->Image3);
    EXPECT_EQ(closer.seen,
        QStringList({ QStringLiteral("Form6"), QStringLiteral("Form6"), QStringLiteral("Form2"),
            QStringLiteral("Form2"), QStringLiteral("Form3"), QStringLiteral("Form3") }));
    EXPECT_EQ(closer.below, QStringList());
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    form->BitBtn3->click();
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    form->BitBtn2->click();
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
}

TEST_F(PagesTest, ThumbnailsShowTheGroupBoxThroughTheirBackground)
{
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    form->show();
    const QImage page = form->GroupBox1->grab().toImage();
    for (TClickLabel* thumbnail : { form->Image2, form->Image1, form->Image3, form->Image4 }) {
        const QRect box = thumbnail->geometry();
        // What the box paints left of the picture, on the same row.
        auto beside = [&](int y) { return page.pixel(box.left() - 4, y); };
        // The pictures' white background is left out; the box shows there.
        for (const QPoint corner :
            { box.topLeft() + QPoint(1, 1), box.bottomRight() - QPoint(1, 1) }) {
            ASSERT_NE(QColor(beside(corner.y())), QColor(Qt::white));
            EXPECT_EQ(page.pixel(corner), beside(corner.y()));
        }
        // The picture itself is still there.
        int drawn = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                drawn += page.pixel(x, y) != beside(y);
        EXPECT_GT(drawn, box.width() * box.height() / 4);
    }
}

TEST(PictureWindowsTest, ClicksCloseTheWindowsTheirHandlersBelongTo)
{
    PictureWindows windows;
    auto clickClosesIt = [](TPictureForm* window, QWidget* target, QPoint at = QPoint(5, 5)) {
        window->show();
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
        const bool closed = !window->isVisible();
        window->hide();
        return closed;
    };
    EXPECT_TRUE(clickClosesIt(Form6, Form6->Image3));
    EXPECT_TRUE(clickClosesIt(Form6, Form6->Label2));
    EXPECT_TRUE(clickClosesIt(Form6, Form6, QPoint(400, 420)));
    EXPECT_TRUE(clickClosesIt(Form2, Form2->Image1));
    EXPECT_FALSE(clickClosesIt(Form2, Form2->Label1));
    EXPECT_FALSE(clickClosesIt(Form2, Form2, QPoint(470, 420)));
    EXPECT_TRUE(clickClosesIt(Form3, Form3->Image3));
    EXPECT_FALSE(clickClosesIt(Form3, Form3->Label2));
    EXPECT_TRUE(clickClosesIt(splnedir, splnedir->Image1));
    EXPECT_TRUE(clickClosesIt(ADSlbag, ADSlbag->Image1));
    // A closed window is only hidden and shows again.
    Form6->show();
    EXPECT_TRUE(Form6->isVisible());
    Form6->hide();
}

TEST(PictureWindowsTest, PicturesSitTopLeftAtTheirSizesAndJpegWindowsFitThem)
{
    PictureWindows windows;
    // Pictures are loaded when a window is first shown.
    EXPECT_EQ(Form6->Image3->pixmap().isNull(), true);
    for (TPictureForm* window : { static_cast<TPictureForm*>(Form6),
             static_cast<TPictureForm*>(Form2), static_cast<TPictureForm*>(Form3),
             static_cast<TPictureForm*>(splnedir), static_cast<TPictureForm*>(ADSlbag) }) {
        window->show();
        window->hide();
    }
    EXPECT_EQ(Form6->Image3->geometry(), QRect(0, 0, 410, 320));
    EXPECT_EQ(Form2->Image1->geometry(), QRect(0, 0, 478, 322));
    EXPECT_EQ(Form3->Image3->geometry(), QRect(0, 0, 478, 400));
    EXPECT_EQ(splnedir->size(), QSize(413, 340));
    EXPECT_EQ(ADSlbag->size(), QSize(572, 387));
    EXPECT_EQ(Form6->size().grownBy(TPictureForm::FrameMargins), QSize(426, 460));
    EXPECT_EQ(Form3->Label2->pos(), QPoint(131, 435));
    EXPECT_EQ(Form3->Label2->text(), QStringLiteral("4 hatlı cihaz bağlantısı"));
    EXPECT_EQ(splnedir->windowTitle(), QStringLiteral("ADSL splitter nedir ?"));
    EXPECT_EQ(ADSlbag->windowTitle(),
        QStringLiteral("İnternet hattı cihaza nasıl bağlanır ?  (ADSL hattı)"));
}
