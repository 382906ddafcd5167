// The material tools of the back screen: 排刀 (mode 174), 算料 (mode 173) and the click of 测量
// (mode 31), plus the 算料报表 command.
#pragma once

#include "interact/engine.h"

namespace rz {

class TFont;
class PLTC;
struct ShapeMemory;

struct MaterialServices {
    TFont* font = nullptr;  // lays out the result and report texts; none without it
    // The last circle diameter and the rectangle option, shared with the front screen's shapes;
    // without it the back screen keeps its own.
    ShapeMemory* shapes = nullptr;
};

// Also installs the sheet editing tools below.
void InstallMaterialTools(Engine& e, MaterialServices s = {});
// 移动, 拷贝, 删除 and 属性 on the back screen, and its keys Backspace, Delete and Space
// (sheet_tools.cpp).
void InstallSheetEditTools(Engine& e);
// 圆, 矩形, traced lines, 槽线 and 叠板 on the back screen (sheet_draw_tools.cpp).
void InstallSheetDrawTools(Engine& e, ShapeMemory* shapes);
// 算料报表 on the sheet shown: the table, a snapshot and a redraw (wait cursor meanwhile).
void RunMaterialReport(Engine& e, TFont* font);

// The 排刀 editor of mode 174 (nest_editor.cpp).
std::unique_ptr<Tool> MakeNestTool();

}  // namespace rz
