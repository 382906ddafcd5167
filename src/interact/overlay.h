// Tool feedback drawn into the compose image (window pixels): the live value texts beside the
// pointer and the hatch that flashes a picked region.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "interact/canvas.h"
#include "interact/view.h"

namespace rz {

std::string FormatLength(double v);   // "%.2f"
std::string FormatRatio(double r);    // the ratio × 100 as "%.0f%%"
std::string FormatAngle(double rad);  // degrees as "%.1f°"

// The live value texts: in 0x0000FF on an opaque background, the first line 10 pixels right of
// the pointer (20 while the drawing cross is shown) with its bottom 8 pixels above it, further
// lines one text height lower each.
void ShowValue(Canvas& c, PixelPoint pointer, std::span<const std::string> lines, bool crossCursor,
               uint32_t background);
// A whole number in white at 10 pixels right and 8 pixels up.
void ShowNumber(Canvas& c, PixelPoint pointer, int n, uint32_t background);

// Fills a model polygon with the back-diagonal hatch in 0xA000A0 (window pixels).
void HatchRegion(Canvas& c, const View& v, std::span<const PointF> polygon);

}  // namespace rz
