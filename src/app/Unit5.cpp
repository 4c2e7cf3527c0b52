#include "Unit5.h"

Tsplnedir* splnedir = nullptr;

Tsplnedir::Tsplnedir(QWidget*)
    : TPictureForm(QStringLiteral("splnedir"), QStringLiteral("ADSL splitter nedir ?"),
        QSize(-1, -1), Placement::ScreenCentre)
{
}
