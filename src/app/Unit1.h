#pragma once

#include "Forms.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>

#include <cstdint>

class QGroupBox;
class QLabel;
class QMenu;
class QAction;
class QPlainTextEdit;
class QProgressBar;
class QTabWidget;
class QTimer;
class TGridView;
class QLineEdit;
class QPushButton;
class TClickLabel;
class TNotifyAreaIcon;
class TXelto;

// Calls received since start or since the last reset.
extern std::int32_t CallCount;

// The main window "Cihaz Test": device state, call list, signal meters, log.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The window's size including the frame a desktop draws around it.
    static constexpr QSize OuterSize { 560, 470 };
    static constexpr QMargins FrameMargins { 8, 30, 8, 8 };

    // Components, named as in the window's description.
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    TGridView* GridView1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* tek = nullptr;
    QLabel* Label22 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label24 = nullptr;
    QLabel* Label25 = nullptr;
    TXelto* Xelto1 = nullptr;
    QPlainTextEdit* tempMemo = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label15 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QProgressBar* ProgressBar3 = nullptr;
    QProgressBar* ProgressBar4 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    TApplicationEvents* ApplicationEvents1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Listeyisil1 = nullptr;
    QAction* ki1 = nullptr;
    TNotifyAreaIcon* TrayIcon1 = nullptr;

    // "Bağlantı Kılavuzu !"
    QGroupBox* GroupBox1 = nullptr;
    TClickLabel* Label21 = nullptr;
    TClickLabel* Label17 = nullptr;
    TClickLabel* Label16 = nullptr;
    TClickLabel* Label12 = nullptr;
    TClickLabel* Label19 = nullptr;
    TClickLabel* Image2 = nullptr;
    TClickLabel* Image1 = nullptr;
    TClickLabel* Image3 = nullptr;
    TClickLabel* Image4 = nullptr;
    QPushButton* BitBtn3 = nullptr;

    // "Ayar"
    QLabel* Label13 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // "?"
    QLabel* Label11 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label18 = nullptr;
    QLabel* Label20 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;

    // The question on the "?" page is 2³; its answer opens the service
    // action, the hidden-mode code reveals the line commands.
    static const QString QuestionAnswer;
    static const QString HiddenModeCode;

    // Handlers.
    void FormShow(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void Timer2Timer(TObject* Sender);
    void Memo2Change(TObject* Sender);
    void ApplicationEvents1Exception(TObject* Sender, const QString& message);
    void Listeyisil1Click(TObject* Sender);
    void ki1Click(TObject* Sender);
    void Xelto1CallerID(TObject* ASender, const QString& DeviceID, const QString& Line,
        const QString& PhoneNumber, const QString& DateTime, const QString& OtherText);
    void Xelto1SignalA(TObject* ASender, const QString& Level1, const QString& Level2,
        const QString& Level3, const QString& Level4, const QString& Level5, const QString& Level6,
        const QString& Level7, const QString& Level8);

    // Connection guide.
    void Label21Click(TObject* Sender);
    void Image2Click(TObject* Sender);
    void Label17Click(TObject* Sender);
    void Image1Click(TObject* Sender);
    void Label11Click(TObject* Sender);
    void Image3Click(TObject* Sender);
    void Label12Click(TObject* Sender);
    void Image4Click(TObject* Sender);
    void Label14Click(TObject* Sender);
    void BitBtn2Click(TObject* Sender);

    // Hidden settings page.
    void Edit1Click(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void Button4Click(TObject* Sender);

    // The reset run by the status poll and by "Listeyi sil".
    void Reset();

    // Ends a frame: while changes come faster than a screen shows them (a
    // flood of calls or messages), the parts of the window they change are
    // painted once per frame, here, instead of once per change.
    QTimer* frameTimer = nullptr;
    void frameTick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createTestPage();
    void createMeters();
    void createNonVisual();
    void createGuidePage();
    void createSettingsPage();
    void createQuestionPage();
    void bindLog();
    void bindHandlers();
    void emptyCallList();
    // PART is about to change: painted at once at the start of a frame, else at its end.
    void showLater(QWidget* part);
    // The meters as they are before any device: empty, their values "-".
    void showNoLevels();
    void setCounter(std::int32_t value);

    bool m_centred = false;
    QIcon m_okGlyph;
    // Parts whose paints wait for the frame's end.
    QList<QPointer<QWidget>> m_held;
    bool m_frameStarting = false;
};

extern TForm1* Form1;
