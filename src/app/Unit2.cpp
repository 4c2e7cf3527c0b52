#include "Unit2.h"

TForm2* Form2 = nullptr;

TForm2::TForm2(QWidget*)
    : TPictureForm(QStringLiteral("Form2"), QStringLiteral("2 Hatlı Cihaz Bağlantısı"),
        QSize(496, 449), Placement::ScreenCentre)
{
}
