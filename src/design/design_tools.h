// The tools of the parts-and-pieces subsystem that work on the front screen: 提取, 指定, 属性,
// 拆分, 合并, the seam-allowance tools (等量扩边, 变量扩边, 换边), the point-row tools (自动排, 等距排,
// 节点排, 第二排) and 针径, 针序; with the dialogs they share (自动扩边, 排点参数, 定针属性, 扩边属性).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/edit_tools.h"
#include "interact/engine.h"

namespace rz {

class TFont;
struct PointRow;

namespace mode {
constexpr int Attribute = 30;     // 属性
constexpr int SeamEqual = 106;    // 等量扩边
constexpr int SeamVariable = 107; // 变量扩边
constexpr int RowAuto = 108;      // 自动排
constexpr int RowSpacing = 109;   // 等距排
constexpr int RowNodes = 110;     // 节点排
constexpr int RowSecond = 111;    // 第二排
constexpr int Split = 113;        // 拆分
constexpr int Merge = 114;        // 合并
constexpr int SeamSwap = 121;     // 换边
constexpr int Needle = 130;       // 针径
constexpr int NeedleOrder = 131;  // 针序
}  // namespace mode

constexpr const char* kAskSplit = "确认拆分吗？";
constexpr const char* kAskOverwritePiece = "覆盖当前分片吗？";
constexpr const char* kAskToNodeRow = "转为节点排吗？";
constexpr const char* kAskLineToPin = "Are you sure to convert this line to Dingzhen ?";
constexpr const char* kAskDeletePiece = "执意删除该分片？";
constexpr int kPromptExtract = 34017;

// What the window does for the design tools; every service is optional.
struct DesignServices {
    // Popup menus of 指定 and 针径 (without one they offer nothing).
    PopupMenu popup;
    // The piece area shows the pieces again (a piece was made, changed or removed).
    std::function<void()> piecesChanged;
    // Lays out the size labels of new pieces.
    const TFont* font = nullptr;
    // 属性 on a base point: the 基点属性 dialog of the grading layer; true when it changed the
    // design (without one, a base point is refused).
    std::function<bool(Engine&, Part&, BasePoint&)> basePointAttributes;
    // The 共模说明 button of 部位属性: the grading layer's "部位共模说明" for the part; true when it
    // changed the part (without one there is no button).
    std::function<bool(Engine&, Part&)> partDieNotes;
};

// The 拆分 and 合并 tools (design/split_tool.cpp, design/merge_tool.cpp).
std::unique_ptr<Tool> MakeSplitTool();
std::unique_ptr<Tool> MakeMergeTool();

// Registers the tools with the engine and the derived-data builders with the model.
void InstallDesignTools(Engine& e, DesignServices services = {});

// ---- shared by the design tools ----

// The current piece of the piece area (null when its slot is empty).
Piece* CurrentPiece(TDoc& doc);
// Diameter of new pins and rows: the 针径 setting.
float DefaultDiameter(const TDoc& doc);
// Tool bits of new pins and rows: cut when the cut setup cuts pins, else drawn.
uint32_t PinToolBits(const TDoc& doc);
// Whether the size list is consistent (the stored base index is the computed one, or no size
// list was set up yet).
bool SizeListConsistent(const Design& d);

// The margin input of 等量扩边 and 扩边控制: Shift+Ctrl 0, Shift 搭边, Ctrl 折边, Alt 修边, otherwise
// the "自动扩边" dialog with the current margin (or the 扩边 default when there is none) and the
// 原线 setting. Nothing when the dialog is cancelled or confirms the old value and setting; the
// keys give their value whatever the old one, and the callers take an unchanged result as no edit.
struct MarginChoice {
    float margin = 0.0f;  // absolute, 0.01 mm
    int origLine = 2;     // 原线: 2 实线, 1 虚线, 0 不画
};
std::optional<MarginChoice> AskMargin(Engine& e, uint32_t mods, float current, int origLine);

// "排点参数": edits a row in place; false when cancelled. `creating`: the row is new (its
// insertion mode cannot be chosen yet).
bool RowDialog(Engine& e, PointRow& row, bool creating);
// "定针属性" of one pin; false when cancelled. Converting the pin is the 属性 tool's.
bool PinDialog(Engine& e, Pin& pin);
// "扩边属性" of a record or a line's own margin: 确认 stores; false when cancelled or refused.
bool SeamAttributeDialog(Engine& e, Part& part, SeamAllowance* seam, Line* line);
// Opens the attribute dialog of a picked element (the 属性 tool and 指定's 属性); false when the
// kind has none.
bool AttributeDialog(Engine& e, const PickResult& r, bool modifier);
// 部位属性 of a part or 分片特性 of a piece (one template); true when something was stored.
// `dieNotes`, when given, is the 共模说明 button (it stores at once; true when it changed).
bool PartAttributeDialog(TDoc& doc, Part* part, Piece* piece, const std::function<bool()>& dieNotes = {});

// The tool families InstallDesignTools registers (one file each).
void InstallExtractTool(Engine& e, const DesignServices& s);
void InstallAssignTool(Engine& e, const DesignServices& s);
void InstallAttributeTool(Engine& e, const DesignServices& s);
void InstallSeamTools(Engine& e);
void InstallRowTools(Engine& e);
void InstallNeedleTools(Engine& e, const DesignServices& s);

}  // namespace rz
