// The program's picture, drawn in code like the Qt program's: a script page
// with a folded corner and a large Z across it, 48 by 48 with alpha.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "desktop/program_picture_shapes.h"

namespace zarn::win32 {

inline constexpr int kPictureSize = picture::kSize;

// BGRA pixels with straight alpha, top row first.
std::vector<std::uint32_t> ProgramPicturePixels();
// The picture as an icon handle for windows and controls; the caller frees it
// with DestroyIcon.
HICON ProgramPictureIcon();
// The picture as the bytes of a .ico file (one 32-bit image).
std::vector<unsigned char> ProgramPictureIcoFile();

}  // namespace zarn::win32
