#include "Unit3.h"

TForm3* Form3 = nullptr;

TForm3::TForm3(QWidget*)
    : TPictureForm(QStringLiteral("Form3"), QStringLiteral("4 hatlı Cihaz Bağlantısı"),
        QSize(494, 530), Placement::ScreenCentre)
{
}
