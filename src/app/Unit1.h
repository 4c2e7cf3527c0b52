#pragma once

#include "Forms.h"

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
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QWidget* TabSheet4;
    QGroupBox* GroupBox4;
    TGridView* GridView1;
    QPlainTextEdit* Memo2;
    QGroupBox* GroupBox2;
    QGroupBox* tek;
    QLabel* Label22;
    QLabel* Label5;
    QLabel* Label9;
    QLabel* Label24;
    QLabel* Label25;
    TXelto* Xelto1;
    QPlainTextEdit* tempMemo;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label15;
    QProgressBar* ProgressBar1;
    QProgressBar* ProgressBar2;
    QProgressBar* ProgressBar3;
    QProgressBar* ProgressBar4;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QTimer* Timer1;
    QTimer* Timer2;
    TApplicationEvents* ApplicationEvents1;
    QMenu* PopupMenu1;
    QAction* Listeyisil1;
    QAction* ki1;
    TNotifyAreaIcon* TrayIcon1;

    // "Bağlantı Kılavuzu !"
    QGroupBox* GroupBox1;
    TClickLabel* Label21;
    TClickLabel* Label17;
    TClickLabel* Label16;
    TClickLabel* Label12;
    TClickLabel* Label19;
    TClickLabel* Image2;
    TClickLabel* Image1;
    TClickLabel* Image3;
    TClickLabel* Image4;
    QPushButton* BitBtn3;

    // "Ayar"
    QLabel* Label13;
    QPushButton* BitBtn2;

    // "?"
    QLabel* Label11;
    QLabel* Label14;
    QLabel* Label18;
    QLabel* Label20;
    QLineEdit* Edit1;
    QPushButton* BitBtn1;
    QGroupBox* GroupBox3;
    QPushButton* Button2;
    QPushButton* Button1;
    QLineEdit* Edit2;
    QPushButton* Button3;
    QPushButton* Button4;

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
    void bindHandlers();
    void emptyCallList();
    void setCounter(std::int32_t value);

    bool m_centred = false;
};

extern TForm1* Form1;
