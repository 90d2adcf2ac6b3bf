// The program's picture: a knight on a board corner with a funnel. The window icon and the
// about box show it.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kelvane {

// The picture scaled smoothly to size x size device-independent pixels.
QPixmap ProgramPicture(int size);
// The picture as the icon of the program's windows.
QIcon ProgramWindowIcon();

}  // namespace kelvane
