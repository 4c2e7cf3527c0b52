#include "Unit6.h"

#include "ClickLabel.h"
#include "Resources.h"

#include <QImage>

TForm6* Form6 = nullptr;

TForm6::TForm6(QWidget*)
    : TPictureForm(QStringLiteral("Form6"),
        QStringLiteral("Tek Hatlı Caller ID Cihazı  Bağlantısı"), QSize(426, 460),
        Placement::ScreenCentre)
{
    Image3 = addPicture(QStringLiteral("Image3"), [] { return QImage(Resources::OneLineWiring); });
    Label2 = addCaption(
        QStringLiteral("Label2"), QStringLiteral("Tek hatlı cihaz bağlantısı"), QPoint(81, 358));
    Image3->OnClick = [this](TObject* s) { Image3Click(s); };
    Label2->OnClick = [this](TObject* s) { Label2Click(s); };
    OnClick = [this](TObject* s) { FormClick(s); };
}

void TForm6::Image3Click(TObject*)
{
    close();
}

void TForm6::Label2Click(TObject*)
{
    close();
}

void TForm6::FormClick(TObject*)
{
    close();
}
