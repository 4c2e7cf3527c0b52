#include "Unit2.h"

#include "ClickLabel.h"
#include "Resources.h"

#include <QImage>

TForm2* Form2 = nullptr;

TForm2::TForm2(QWidget*)
    : TPictureForm(QStringLiteral("Form2"), QStringLiteral("2 Hatlı Cihaz Bağlantısı"),
        QSize(496, 449), Placement::ScreenCentre)
{
    Image1 = addPicture(QStringLiteral("Image1"), [] { return QImage(Resources::TwoLineWiring); });
    Label1 = addCaption(
        QStringLiteral("Label1"), QStringLiteral("2 hatlı cihaz bağlantısı"), QPoint(123, 361));
    Image1->OnClick = [this](TObject* s) { Image1Click(s); };
}

void TForm2::Image1Click(TObject*)
{
    close();
}
