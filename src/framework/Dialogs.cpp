#include "Dialogs.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

QString MessageDlgTitle(TMsgDlgType kind)
{
    return kind == TMsgDlgType::mtWarning ? QStringLiteral("Uyarı") : QStringLiteral("Bilgi");
}

void MessageDlg(const QString& text, TMsgDlgType kind)
{
    QMessageBox box;
    box.setObjectName(QStringLiteral("MessageDlg"));
    box.setWindowTitle(MessageDlgTitle(kind));
    box.setIcon(kind == TMsgDlgType::mtWarning ? QMessageBox::Warning : QMessageBox::Information);
    box.setTextFormat(Qt::PlainText);
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    box.setText(shown);
    QPushButton* ok = box.addButton(QStringLiteral("Tamam"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.setWindowModality(Qt::ApplicationModal);
    // Above a main window that stays on top, or the box would open behind it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QScreen* screen = QGuiApplication::primaryScreen();
    // The lines are written to stand as they are: widen the text so that none
    // wraps, as far as the screen allows (Qt would wrap them at about 430 pixels).
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        const QFontMetrics metrics(label->font());
        int widest = 0;
        for (const QString& line : shown.split(QLatin1Char('\n')))
            widest = std::max(widest, metrics.horizontalAdvance(line));
        const int limit = screen ? screen->availableGeometry().width() * 3 / 4 : 800;
        label->setMinimumWidth(std::min(widest + 2, limit));
    }
    box.adjustSize();
    if (screen)
        box.move(screen->availableGeometry().center() - box.rect().center());
    box.exec();
}
