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
    Image1 = addPicture(
        QStringLiteral("Image1"), [] { return Jpeg::decodeFile(Resources::SplitterPicture); });
    // The window takes the size of its picture.
    sizeToPicture(Image1);
    Image1->OnClick = [this](TObject* s) { Image1Click(s); };
}

void Tsplnedir::Image1Click(TObject*)
{
    close();
}
