#pragma once

#include <QString>

// What a call shows in place of its number when the caller withheld it, and
// when the exchange sent none: the same words whatever the device.
namespace CallerTexts {

inline QString withheldNumber()
{
    return QStringLiteral("Gizli numara");
}

inline QString missingNumber()
{
    return QStringLiteral("Numara yok");
}

} // namespace CallerTexts
