#pragma once

#include <QIcon>
#include <QString>

// An icon read from its file when it is first drawn or asked for its sizes,
// not when it is made. Icon files with many images (and the image plugins that
// read them) are costly, and a program makes its icons while it starts, long
// before a window shows one of them or when none ever does.
QIcon LazyIcon(const QString& fileName);
