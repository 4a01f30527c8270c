// The icon from the program's resources.
#include "gui/program_icon.h"

#include <QPixmap>

namespace kelmo {
namespace {

// Where the build puts the icon among the program's resources (src/gui/CMakeLists.txt).
constexpr const char* kIconResource = ":/icons/dorrinkelmo.png";

}  // namespace

QImage ProgramIcon() {
  return QImage(kIconResource);
}

QIcon ProgramWindowIcon() {
  return QIcon(kIconResource);
}

}  // namespace kelmo
