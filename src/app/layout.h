// Geometry and texts of the main window that do not need the toolkit.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace rz {

struct PaneRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const PaneRect&, const PaneRect&) = default;
};

constexpr int kRightColumn = 94;   // parameter pane and command window
constexpr int kParamHeight = 160;

struct FrameLayout {
    PaneRect drawing, strip, params, commands;
};

// Panes of a client area W × H above the status bar: the drawing window from (1, 0) to
// (W − 94, H − (W − 94)/10); the motif/piece strip below it across the whole width, one tenth
// of the drawing width high; the parameter pane at the top of the right column, 160 high; the
// command window below it down to the strip.
FrameLayout computeLayout(int width, int height);

// Buttons of the command window. Rows are measured up from the window's bottom edge.
struct PaneButton {
    std::string text;
    int id = 0;
    int x = 0, y = 0;      // top-left in the command window
    bool enabled = true;   // false: the screen shown does not offer it
};
constexpr int kButtonWidth = 43;
constexpr int kButtonHeight = 36;

std::vector<PaneButton> commandButtons(int windowHeight, bool backScreen, bool gradedDesign);

// Status-bar panes: widths, pane 3 stretching; texts of panes 0–2.
constexpr int kStatusWidths[7] = {70, 52, 76, 290, 76, 48, 132};
constexpr int kStatusPrompt = 3;
constexpr int kStatusPosition = 4;
constexpr int kStatusMode = 5;
constexpr int kStatusDate = 6;
extern const char* const kStatusFixedTexts[3];

// " %4d年%2d月%2d日 星期%s" of the UTC date of t.
std::string startupDateText(std::time_t t);

}  // namespace rz
