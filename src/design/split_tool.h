// The tools of the parts-and-pieces subsystem that work on the front screen: 拆分 so far.
#pragma once

#include "interact/engine.h"

namespace rz {

namespace mode {
constexpr int Split = 113;  // 拆分
}  // namespace mode

constexpr const char* kAskSplit = "确认拆分吗？";

// Registers the tools with the engine.
void InstallDesignTools(Engine& e);

}  // namespace rz
