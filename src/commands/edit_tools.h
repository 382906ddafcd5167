// The editing modes of the 图形 menu: 删除, 自动擦除, 移动, 旋转, 拷贝, 比例, 单头延伸, 两头延伸,
// 等距, 对折, 打断, 修剪, 封闭, 平行 and 取代 (截角 splits parts: design/cut_corner.h), with the interactions they share: the fence
// stroke, the dragged outline and the selection rule.
#pragma once

#include <functional>
#include <optional>

#include "commands/edit_ops.h"
#include "interact/engine.h"

namespace rz {

namespace mode {
constexpr int Copy = 22;
constexpr int Fold = 24;
constexpr int Close = 25;
constexpr int Offset = 26;
constexpr int Break = 27;
constexpr int ExtendOne = 101;
constexpr int ExtendBoth = 102;
constexpr int AutoErase = 103;
constexpr int Scale = 151;
constexpr int Replace = 165;
constexpr int Parallel = 170;
constexpr int Correct = 115;
}  // namespace mode

// Prompt resources of the editing modes.
constexpr int kPromptFold = 33996;
constexpr int kPromptReplace = 34013;
constexpr int kPromptParallel = 34016;

constexpr const char* kPromptBreakGroup = " 请选择一组被打断的线条！按Enter键确认；ESC键取消.";

// FenceStroke: a rubber-band segment from the press point until the release; `done` gets
// stroke = true when the pointer moved by 2 pixels or more on either axis.
void FenceStroke(Engine& e, const Pointer& at, std::function<void(Engine&, bool stroke, PointF a, PointF b)> done);

// DragOutline: the outline follows the pointer from `at` until a left press or Enter accepts
// or ESC cancels; Space turns it by 90° about the cursor, Tab mirrors it alternately in the
// vertical and the horizontal line through the cursor, the arrow keys nudge it by a pixel.
// The pointer stays inside the window meanwhile.
struct DragResult {
    bool accepted = false;
    PointF offset;      // from the press point to the drop point
    int quarterTurns = 0;
    int flips = 0;
    Affine map;         // the whole placement: translation, turns and mirrors
    uint32_t mods = 0;  // the modifiers held when it was accepted
};
void DragOutline(Engine& e, const Pointer& at, Shape outline, std::function<void(Engine&, const DragResult&)> done);

// Selection rule of 移动, 拷贝, 删除 and 旋转.
enum class SelectionAct { Selection, Cleared, Record };
SelectionAct ApplySelectionRule(Engine& e, const PickResult& r);

// The end of every committed edit: rebuilds the parts touched, redraws and pushes one undo
// snapshot.
void CommitEdit(Engine& e, std::initializer_list<Part*> parts);
void CommitEdit(Engine& e, const std::vector<Part*>& parts);

// 对折 with Alt on an outline line: the half part becomes whole. Mirrored copies of the other
// outline lines close the outline on the far side of the axis, the other records (but base
// points and what lies on the axis) get mirrored copies, and the axis becomes an inner line.
// False, with nothing changed, for an axis that is not an outline line of the part or a part
// with no other outline line.
bool FoldPart(Part& part, Line& axis, const TSmooth& smooth);

// The records of a part moved as a whole.
std::vector<RecordRef> AllRecords(Part& p);
// Applies a map to a whole part: its records, size labels and dimensions (not rebuilt; the
// caller commits).
void TransformPart(Engine& e, Part& p, const Affine& m);
// Takes a part out of the design with every record it holds, through the reference-integrity
// service, so that nothing elsewhere is left pointing into it.
void RemovePartAndRecords(Design& d, Part* part);
// A new part with copies of the lines, pins, motifs, texts, notches and base points of `src`
// (references to base points re-targeted into the copy), appended to the design.
Part& DuplicatePart(Design& d, const Part& src);

// 点操作 (mode 35): the items of its two popup menus.
enum class PointOpItem {
    Pull,         // 拉点
    AddNodes,     // 加点
    RemoveNodes,  // 减点
    RangeCorner,  // 角点 (range)
    ArcNode,      // 弧点
    CornerNode,   // 角点 (node)
    Join,         // 接合
    Split,        // 断开
    Coincide,     // 重合
    FindCorner,   // 找出角点
    FindNotch,    // 找出牙尖
    QuickDraw,    // 速绘
};
// A popup menu of the window: returns the index of the item chosen or -1.
using PopupMenu = std::function<int(const std::string& title, const std::vector<std::string>& items,
                                    const std::vector<bool>& enabled)>;

// The window's services for the editing modes.
struct EditServices {
    PopupMenu popup;  // without it the popups of 点操作 offer nothing
};

// Registers the editing modes with the engine.
void InstallEditTools(Engine& e, EditServices services = {});

}  // namespace rz
