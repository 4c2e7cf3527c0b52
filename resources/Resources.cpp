#include "Resources.h"

namespace Resources {

QStringList All()
{
    return { OneLineWiring, TwoLineWiring, FourLineWiring, DeviceThumbnail, AdslThumbnail,
        SplitterPicture, AdslWiring, WindowIcon, ProgramIcon };
}

} // namespace Resources
