// Snapping: a pointer position may be moved onto a significant point of the drawing, by the
// first rule (in a fixed priority order) whose menu switch is on and which finds something
// within the snap range around the cursor.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "interact/canvas.h"
#include "interact/geomindex.h"
#include "interact/view.h"
#include "model/doc.h"

namespace rz {

// Snap switches.
constexpr uint32_t kSnapGrid = 0x001;
constexpr uint32_t kSnapIsolated = 0x002;
constexpr uint32_t kSnapEnd = 0x004;
constexpr uint32_t kSnapCross = 0x008;
constexpr uint32_t kSnapNode = 0x010;
constexpr uint32_t kSnapLine = 0x020;
constexpr uint32_t kSnapMid = 0x040;
constexpr uint32_t kSnapImage = 0x080;
constexpr uint32_t kSnapFoot = 0x100;
constexpr uint32_t kSnapHorizontal = 0x200;
constexpr uint32_t kSnapVertical = 0x400;
constexpr uint32_t kSnapAll = 0x7FF;
constexpr int kSnapOffCommand = 34137;  // 关闭吸附

struct SnapToggle {
    uint32_t bit;
    int command;
    const char* text;
};
// The eleven switches with their commands and menu texts, in bit order.
const std::array<SnapToggle, 11>& SnapToggles();
// The switch of a command; 0 for other commands (and for 关闭吸附).
uint32_t SnapBitOfCommand(int command);

// The rules in priority order; the first that succeeds wins.
enum class SnapRule { None, Image, HorizVert, Grid, Isolated, Foot, End, Cross, Mid, Node, Line };
// The name of a rule as the snap menu words it ("端点", "节点" …); "无" for none.
const char* SnapRuleText(SnapRule r);

struct SnapRequest {
    PixelPoint px;                    // window pixel of the cursor
    uint32_t mods = 0;                // kMk* bits (the image rule wants none of Ctrl, Shift, Alt)
    uint32_t bits = 0;                // snap switches
    int rangePx = 8;                  // snap radius in pixels
    std::optional<PointF> prevNode;   // last traced node, when a line is being traced
};

struct SnapResult {
    PointF model;    // the model point (snapped or plainly converted)
    PixelPoint px;   // the window pixel of the point (moved onto the snapped point)
    SnapRule rule = SnapRule::None;
    bool snapped() const { return rule != SnapRule::None; }
};

// Snap radius and pick radius as the settings hold them, kept within what the settings dialog
// allows (a damaged settings file must not make the ranges zero or huge).
int SnapRangePx(const Settings& s);
int PickRangePx(const Settings& s);

// The square of half-width rangePx / scale model units around a model point.
RectF RangeRect(PointF centre, int rangePx, const View& v);

// SnapPoint. With an index that matches the design, lines whose boxes miss the range are
// skipped; the result is the same as without it.
SnapResult SnapPoint(const TDoc& doc, const View& v, const SnapRequest& req,
                     const GeomIndex* index = nullptr);

// The bow-tie marker around a window pixel, drawn with a one-pixel pen in 0x008080.
constexpr uint32_t kSnapMarkerColour = 0x008080;
void DrawSnapMarker(Canvas& c, PixelPoint at);

}  // namespace rz
