// Where the stroke font is: beside the program, or a few levels up from a build folder.
#pragma once

#include <string>

namespace rz::cli {
std::string FindFontFile();
}  // namespace rz::cli
