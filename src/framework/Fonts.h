#pragma once

#include <QFont>
#include <QString>

// The Windows fonts the windows were designed with do not exist here: each is
// mapped once to an installed font that has the Turkish letters. A negative
// height is the character height in pixels; a positive one the cell height.
namespace Fonts {

enum Style { Regular = 0, Bold = 1, Italic = 2, Underline = 4 };

QFont Make(const QString& windowsName, int height, int styles = Regular);

// The installed family that stands in for a Windows family name.
QString Family(const QString& windowsName);

} // namespace Fonts
