// The material tools of the back screen: 排刀 (mode 174), 算料 (mode 173) and the click of 测量
// (mode 31), plus the 算料报表 command.
#pragma once

#include "commands/edit_tools.h"
#include "interact/engine.h"

namespace rz {

class TFont;
class PLTC;
struct ShapeMemory;

struct MaterialServices {
    TFont* font = nullptr;  // lays out the result and report texts; none without it
    PopupMenu popup;        // the popup "stPick+按右键" of mode 0; without it none opens
    // Alt-press of 移动: the cutter head goes to the sheet point; without it nothing happens.
    std::function<bool(PointF)> moveHead;
    // The last circle diameter and the rectangle option, shared with the front screen's shapes;
    // without it the back screen keeps its own.
    ShapeMemory* shapes = nullptr;
};

// Also installs the sheet editing tools below.
void InstallMaterialTools(Engine& e, MaterialServices s = {});
// 移动, 拷贝, 删除 and 属性 on the back screen, and its keys Backspace, Delete and Space
// (sheet_tools.cpp).
void InstallSheetEditTools(Engine& e, std::function<bool(PointF)> moveHead = {});
// Mode 0 (ruler point, border, rubber band, current item, the popup "stPick+按右键"), mode 35
// 点操作 and the arrow keys of the ruler (sheet_select_tools.cpp).
void InstallSheetSelectTools(Engine& e, PopupMenu popup = {});
// The rubber band that modes 0, 20, 23 and 35 try first: it picks the items of the sheet shown;
// `then` runs, with the press, only when the band did nothing.
void SheetBandFirst(Engine& e, const Pointer& p, std::function<void(Engine&, const Pointer&)> then);
// The band of 旋转, 拷贝 and 叠板 from a press on no piece: it picks what it touches, whichever way it
// is dragged (Ctrl adds to the picks) but never items left out, set aside or chosen for a job;
// one that never opened is a press on nothing.
void SheetCrossingBand(Engine& e, const Pointer& p);
// 圆, 矩形, traced lines, 槽线 and 叠板 on the back screen (sheet_draw_tools.cpp).
void InstallSheetDrawTools(Engine& e, ShapeMemory* shapes);
// 算料报表 on the sheet shown: the table, a snapshot and a redraw (wait cursor meanwhile).
void RunMaterialReport(Engine& e, TFont* font);

// The 排刀 editor of mode 174 (nest_editor.cpp).
std::unique_ptr<Tool> MakeNestTool();

}  // namespace rz
