// 信息: the name and the axes of the tablet the system knows, read from the kernel's input
// devices (where this user may read them).
#pragma once

#include <optional>
#include <string>

namespace rz {

struct TabletAxis {
    int min = 0, max = 0;
    int resolution = 0;  // counts per millimetre; 0 when the device does not say
};

struct TabletInfo {
    std::string name;
    TabletAxis x, y;
};

// The first input device under `dir` with absolute x and y axes and a pen or puck tool.
std::optional<TabletInfo> FindTablet(const std::string& dir = "/dev/input");

// "数字化仪名称：%s\nX方向：(%d, %d)  %d dot/%s\nY方向：(%d, %d)  %d dot/%s", the resolution in dots
// per centimetre ("??" for the unit when the device gives none).
std::string TabletInfoText(const TabletInfo& t);

}  // namespace rz
