// Drawing colours: the fourteen editable ones of the settings (改变显示颜色), the fixed
// ones, the tool colours and the data behind the colour dialog. Colours are 0x00BBGGRR.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/settings.h"

namespace rz {

// Slots of Settings::colours.
enum ColourSlot : int {
    kColWorkBackground = 0,  // 工作区背景
    kColMotifBackground,     // 图案区背景
    kColMotifGrid,           // 图案区网格
    kColHighlight,           // 加亮线
    kColAuxLine,             // 辅助线
    kColLengthLine,          // 长度线
    kColWidthLine,           // 宽度线
    kColFixedDistance,       // 定距从线
    kColSymLink,             // 对称从线
    kColSharedZone,          // 共用区
    kColBlendZone,           // 接顺区
    kColFixed,               // 固定
    kColFrontSym,            // 前对称控制
    kColMargin,              // 扩边
    kEditableColours,
};

std::array<uint32_t, 19> DefaultDrawingColours();
// Caption of each editable colour in the dialog.
const std::array<const char*, kEditableColours>& ColourLabels();
// The sixteen common colours of the colour picker (常用色组) as 恢复 sets them.
std::array<uint32_t, 16> DefaultCommonColours();

// Fixed colours.
constexpr uint32_t kColElement = 0x807D80;     // pins, motifs, text strings
constexpr uint32_t kColDimension = 0x984000;
constexpr uint32_t kColBasePoint = 0x282870;
constexpr uint32_t kColBasePoint2 = 0x0000FF;  // second shape of a base point
constexpr uint32_t kColNotch = 0x0000FF;       // notches and marks
constexpr uint32_t kColSlot = 0x006060;        // slot lines and chamfers
constexpr uint32_t kColGrid = 0x303030;
constexpr uint32_t kColGridTenth = 0x383838;
constexpr uint32_t kColOriginMark = 0xB8B8B8;
constexpr uint32_t kColEndMark = 0x0058B4;
constexpr uint32_t kColSheetFrame = 0x3232A0;
constexpr uint32_t kColRuler = 0x008080;
constexpr uint32_t kColSheetBorder = 0x808080;
constexpr uint32_t kColValueText = 0x0000FF;
constexpr uint32_t kColSelectedFixed = 0xA000A0;  // selected size labels, scan lines, hatch

// Tool colour of a tool or pen index 0–15.
uint32_t ToolColour(uint32_t tool);
// Each channel becomes floor(2c / 3).
uint32_t Dim(uint32_t c);
// Each channel halved.
uint32_t Halve(uint32_t c);

// The "改变显示颜色" dialog: edits a copy; 确认 stores it, 取消 drops it.
class ColourDialogData {
public:
    ColourDialogData(const Settings& s, const std::array<uint32_t, 16>& common);
    std::array<uint32_t, kEditableColours> colours;
    std::array<uint32_t, 16> common;
    // "恢复": the defaults of every colour and of the common colours.
    void restore();
    // 确认: stores the colours; true when any drawing colour changed (redraw and repaint the
    // panes).
    bool accept(Settings& s, std::array<uint32_t, 16>& commonOut) const;
};

}  // namespace rz
