#include "Dialogs.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

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
    box.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        box.move(screen->availableGeometry().center() - box.rect().center());
    box.exec();
}
