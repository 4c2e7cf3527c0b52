#include "Unit3.h"

#include "ClickLabel.h"
#include "Resources.h"

#include <QImage>

TForm3* Form3 = nullptr;

TForm3::TForm3(QWidget*)
    : TPictureForm(QStringLiteral("Form3"), QStringLiteral("4 hatlı Cihaz Bağlantısı"),
        QSize(494, 530), Placement::ScreenCentre)
{
    Image3 = addPicture(QStringLiteral("Image3"), [] { return QImage(Resources::FourLineWiring); });
    Label2 = addCaption(
        QStringLiteral("Label2"), QStringLiteral("4 hatlı cihaz bağlantısı"), QPoint(131, 435));
    Image3->OnClick = [this](TObject* s) { Image3Click(s); };
}

void TForm3::Image3Click(TObject*)
{
    close();
}
