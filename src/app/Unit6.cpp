#include "Unit6.h"

TForm6* Form6 = nullptr;

TForm6::TForm6(QWidget*)
    : TPictureForm(QStringLiteral("Form6"),
        QStringLiteral("Tek Hatlı Caller ID Cihazı  Bağlantısı"), QSize(426, 460),
        Placement::ScreenCentre)
{
}
