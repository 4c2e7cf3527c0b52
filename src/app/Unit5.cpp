#include "Unit5.h"

#include "ClickLabel.h"
#include "Jpeg.h"
#include "Resources.h"

#include <QImage>

Tsplnedir* splnedir = nullptr;

Tsplnedir::Tsplnedir(QWidget*)
    : TPictureForm(QStringLiteral("splnedir"), QStringLiteral("ADSL splitter nedir ?"),
        QSize(-1, -1), Placement::ScreenCentre)
{
    sizeToPicture();
    Image1 = addPicture(
        QStringLiteral("Image1"), [] { return Jpeg::decodeFile(Resources::SplitterPicture); });
    Image1->OnClick = [this](TObject* s) { Image1Click(s); };
}

void Tsplnedir::Image1Click(TObject*)
{
    close();
}
