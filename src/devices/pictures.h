// Background pictures to trace over: 插入背景 lays a picture over the visible part of the
// drawing, 清除背景 removes them all, and 调整背景 (mode 177) moves, stretches, turns or
// deletes one.
#pragma once

#include <memory>

#include "interact/engine.h"

namespace rz {

constexpr int kAdjustPictureMode = 177;
constexpr int kPromptAdjustPicture = 34015;  // "按Delete删除/按鼠标右键退出！"

// The corners of a picture of w × h pixels fitted into the window's visible area, centred and
// keeping its proportions (lower-left, lower-right, upper-right, upper-left).
std::array<PointF, 4> FitPictureToView(const View& v, int w, int h);

// Appends a background picture fitted to the view; false for a picture without pixels.
bool InsertPicture(TDoc& doc, const View& v, std::shared_ptr<const Picture> pixels);

// Removes every background picture; false when there was none.
bool ClearPictures(TDoc& doc);

void InstallPictureTool(Engine& e);

}  // namespace rz
