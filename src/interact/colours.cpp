#include "interact/colours.h"

namespace rz {

std::array<uint32_t, 19> DefaultDrawingColours() {
    return Settings::defaultColours();
}

const std::array<const char*, kEditableColours>& ColourLabels() {
    static const std::array<const char*, kEditableColours> labels{
        "工作区背景", "图案区背景", "图案区网格", "加亮线", "辅助线", "长度线", "宽度线",
        "定距从线",   "对称从线",   "共用区",     "接顺区", "固定",   "前对称控制", "扩边"};
    return labels;
}

std::array<uint32_t, 16> DefaultCommonColours() {
    return {0x008000, 0xA00000, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF, 0xBFFFEF, 0x00FF00,
            0x0000FF, 0x8080FF, 0x808040, 0x4080FF, 0x008080, 0x800080, 0xFF0080, 0x404000};
}

uint32_t ToolColour(uint32_t tool) {
    switch (tool) {
    case 0: return 0xA000A0;
    case 1: return 0x808030;
    case 2: return 0x008080;
    case 3:
    case 4: return 0x0058B4;
    default: return 0x5C5C5C;
    }
}

uint32_t Dim(uint32_t c) {
    uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return (2 * r / 3) | ((2 * g / 3) << 8) | ((2 * b / 3) << 16);
}

uint32_t Halve(uint32_t c) {
    uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return (r / 2) | ((g / 2) << 8) | ((b / 2) << 16);
}

ColourDialogData::ColourDialogData(const Settings& s, const std::array<uint32_t, 16>& c)
    : common(c) {
    for (int i = 0; i < kEditableColours; ++i) colours[size_t(i)] = s.colours[size_t(i)];
}

void ColourDialogData::restore() {
    auto d = DefaultDrawingColours();
    for (int i = 0; i < kEditableColours; ++i) colours[size_t(i)] = d[size_t(i)];
    common = DefaultCommonColours();
}

bool ColourDialogData::accept(Settings& s, std::array<uint32_t, 16>& commonOut) const {
    bool changed = false;
    for (int i = 0; i < kEditableColours; ++i) {
        changed |= s.colours[size_t(i)] != colours[size_t(i)];
        s.colours[size_t(i)] = colours[size_t(i)];
    }
    commonOut = common;
    return changed;
}

}  // namespace rz
