#include "Unit4.h"

#include "ClickLabel.h"
#include "Jpeg.h"
#include "Resources.h"

#include <QImage>

TADSlbag* ADSlbag = nullptr;

TADSlbag::TADSlbag(QWidget*)
    : TPictureForm(QStringLiteral("ADSlbag"),
        QStringLiteral("İnternet hattı cihaza nasıl bağlanır ?  (ADSL hattı)"), QSize(-1, -1),
        Placement::Fixed, QPoint(352, 350))
{
    sizeToPicture();
    Image1 = addPicture(
        QStringLiteral("Image1"), [] { return Jpeg::decodeFile(Resources::AdslWiring); });
    Image1->OnClick = [this](TObject* s) { Image1Click(s); };
}

void TADSlbag::Image1Click(TObject*)
{
    close();
}
