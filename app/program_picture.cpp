#include "app/program_picture.h"

// The picture is a PNG rendered from icons/kelvane.svg, since reading SVG needs a Qt
// module the program does not otherwise use. The resources live in a static library,
// whose unreferenced objects the linker drops; initialising them here keeps them.
// Q_INIT_RESOURCE has to be used outside any namespace.
static void LoadResources() {
  static const bool loaded = [] {
    Q_INIT_RESOURCE(kelvane);
    return true;
  }();
  (void)loaded;
}

namespace kelvane {

QPixmap ProgramPicture(int size) {
  LoadResources();
  QPixmap picture(":/icons/kelvane.png");
  if (picture.isNull()) return picture;
  return picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QIcon ProgramWindowIcon() {
  LoadResources();
  return QIcon(":/icons/kelvane.png");
}

}  // namespace kelvane
