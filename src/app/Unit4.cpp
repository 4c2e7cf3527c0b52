#include "Unit4.h"

TADSlbag* ADSlbag = nullptr;

TADSlbag::TADSlbag(QWidget*)
    : TPictureForm(QStringLiteral("ADSlbag"),
        QStringLiteral("İnternet hattı cihaza nasıl bağlanır ?  (ADSL hattı)"), QSize(-1, -1),
        Placement::Fixed, QPoint(352, 350))
{
}
