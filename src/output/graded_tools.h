// The tool modes that put graded parts onto the output sheet from the front screen: 选片输出
// (157) and 单片输出 (172).
#pragma once

#include "interact/engine.h"

namespace rz {

class TFont;
void InstallGradedOutputTools(Engine& e, TFont* font);

}  // namespace rz
