// The screens of the document: the live view, the stored views of the front screen and the
// two output sheets, the work ranges, pages, 恢复/满屏, the display toggles of the 显示 menu
// and the colour-line dialog. Everything here changes state only; the caller redraws and
// presents as the returned values say.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "interact/colours.h"
#include "interact/view.h"
#include "model/doc.h"

namespace rz {

// Transient element flag: hidden by switching 辅助显示 off (not by the user), so that
// switching it on again shows only what it hid.
constexpr uint32_t kFlagAuxHidden = 1u << 29;
// Piece flag bit 20: marked for piece output.
constexpr uint32_t kPieceOutputMark = 1u << 20;

struct ToolState {
    int mode = 0, prevMode = 0, step = 0;
    friend bool operator==(const ToolState&, const ToolState&) = default;
};

// What each screen keeps while it is not shown.
struct ScreenView {
    ToolState tool;
    HeldView held;
    WorkRange range;
    float s0 = 1.0f, s = 1.0f;
    int ox = 0, oy = 0, bx = 0, by = 0;
    RectF visible;
};

// The work range table (新建 "输入范围"; the digitizer uses it too).
struct RangeRow {
    const char* name;
    float w, h;
};
const std::array<RangeRow, 4>& RangeTable();
constexpr const char* kCustomRangeName = "自定义尺寸";
// Row 0–3 from the table, any row above 3 the custom size.
WorkRange FrontWorkRange(int row, float customW, float customH);
// "%.1f%s" in millimetres or centimetres with the unit name.
std::string FormatRangeValue(float units, const Settings& s);

struct ViewState {
    View view;  // the live view, always of the screen shown
    std::array<ScreenView, 3> screens;  // 0 front, 1 sheet Ⅰ, 2 sheet Ⅱ
    bool backShown = false;
    int currentSheet = 0;
    long redrawCounter = 0;
    std::array<uint32_t, 16> commonColours = DefaultCommonColours();

    int shownIndex() const { return backShown ? 1 + currentSheet : 0; }
};

// The drawing surfaces are made: initial views of the front screen and both sheets; the front
// screen's view is loaded.
void MakeSurfaces(ViewState& vs, int W, int H, WorkRange front, WorkRange sheet0, WorkRange sheet1,
                  int maxMargin = kMaxBufferMargin);
// A new client size for the live view and every stored view.
void ResizeSurfaces(ViewState& vs, int W, int H);
void StoreView(const View& v, const ToolState& tool, ScreenView& sv);
void LoadView(const ScreenView& sv, View& v, ToolState& tool);
// 新建's range for the front screen: recomputes its base scale and resets its view (the back
// screen's view is kept). False when the range is not positive.
bool SetFrontWorkRange(ViewState& vs, WorkRange r);
// 换屏 (F10). True when the tool mode differs from the one before (the mode status is then
// refreshed).
bool SwapScreens(ViewState& vs, ToolState& tool);
// Alt+A and 选页 on the back screen: the other sheet becomes current.
void SwitchSheet(ViewState& vs, ToolState& tool);

// Keys 1–4: page n (wrapping). Returns the page now current.
int SelectPage(TDoc& doc, int n);
// 选页 (Ctrl+Tab): the next page with content on the front screen, the other sheet on the back
// screen. True when the page or sheet changed.
bool NextPageCommand(TDoc& doc, ViewState& vs, ToolState& tool);

// Switches 辅助显示 with its hiding and showing of auxiliary records; true when any record
// changed.
bool SetAuxDisplay(TDoc& doc, bool on);

struct RestoreResult {
    bool piecesChanged = false;     // repaint the motif/piece area
    bool auxTurnedOn = false;       // rebuild the parameter table
    bool allSizesTurnedOff = false;
};
// 恢复 (Enter).
RestoreResult RestoreView(TDoc& doc, ViewState& vs);

// A part's box from its derived bounding box, or from its evaluated lines when that box was
// not built; false when there is nothing to measure.
bool PartBounds(const Part& p, RectF& r);
// 满屏 (Ctrl+Enter) on the front screen: false when nothing is visible (view unchanged).
bool FitFrontView(const TDoc& doc, View& v);
// The same over the visible parts of all four pages (after a file is read, with 自动满屏).
bool FitAllPages(const TDoc& doc, View& v);

enum class DisplayToggle { Scan, AllSizes, Aux, Hidden, FrontSym, FixedDist, Shared };
struct DisplayToggleInfo {
    DisplayToggle toggle;
    int command;
    const char* text;
    uint32_t bit;
};
const std::array<DisplayToggleInfo, 7>& DisplayToggles();
bool ToggleEnabled(const TDoc& doc, const ViewState& vs, DisplayToggle t);
bool ToggleChecked(const TDoc& doc, DisplayToggle t);
struct ToggleResult {
    bool done = false;
    bool rebuildParameters = false;    // 全号显示, 辅助显示
    bool refreshParameterPane = false; // 扫描显示
    bool forgetSnapMarker = false;     // 扫描显示 switched off
};
ToggleResult ToggleDisplay(TDoc& doc, const ViewState& vs, DisplayToggle t);

// 颜色线 ("开颜色线"): up to nine distinct colours of lines A and B in first-seen order.
struct ColourLineRow {
    uint32_t colour = 0;
    bool checked = false;
};
constexpr uint32_t kNoColourSwatch = 0xC0C0C0;
std::vector<ColourLineRow> ColourLineRows(const Design& d);
// Shows or hides every line A and B of that colour; true when any line changed.
bool ShowLinesOfColour(Design& d, uint32_t colour, bool show);

}  // namespace rz
