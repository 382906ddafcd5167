// The tools of the parts-and-pieces subsystem that work on the front screen: 拆分 and 合并.
#pragma once

#include "interact/engine.h"

namespace rz {

namespace mode {
constexpr int Split = 113;  // 拆分
constexpr int Merge = 114;  // 合并
}  // namespace mode

constexpr const char* kAskSplit = "确认拆分吗？";

// The 合并 tool (design/merge_tool.cpp).
std::unique_ptr<Tool> MakeMergeTool();

// Registers the tools with the engine.
void InstallDesignTools(Engine& e);

}  // namespace rz
