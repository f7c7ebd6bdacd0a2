// The program's 48 by 48 picture, used in the About window and as window icon.
#pragma once

#include <QImage>

namespace zarn::qt {

// Painted in code so the program carries no image files.
QImage ProgramPicture();

}  // namespace zarn::qt
