// The parameter table (TPar) of the parameter pane: the size system, category, half sizes, the
// standard-parameters switch, base size, range, the size shown after grading and the switch of
// full-colour margin lines, as texts in clickable cells. The pane paints the cells and hands
// clicks back; every rule lives here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/doc.h"

namespace rz {

enum class ParamRegion {
    None,
    SystemPrev, SystemNext,
    CategoryPrev, CategoryNext,
    HalfSize, Standard,
    BaseDown, BaseUp,
    FromDown, FromUp,
    ToDown, ToUp,
    SizePrev, SizeNext,
    MarginColour,
    BackTool,  // back screen: the tool of shapes drawn on the sheet (settings word 37)
};

struct ParamCell {
    int x = 0, y = 0, w = 0, h = 0;  // pane pixels
    std::string text;
    ParamRegion region = ParamRegion::None;  // None: a label
    uint32_t background = 0;                 // 0x00BBGGRR; 0 keeps the pane's
};

// Pane size the cells are laid out for.
constexpr int kParamPaneWidth = 94;
constexpr int kParamPaneHeight = 160;

// What a click changed, so that the window refreshes what it must.
struct ParamPress {
    bool handled = false;        // the click hit a region
    bool designChanged = false;  // size fields or flags changed (an undo snapshot was stored)
    bool redraw = false;         // the front screen shows something else
};

class TPar {
public:
    // Texts from the design: after every load, undo, clear and change of the size fields. On the
    // back screen the last row is the swatch of the back-screen tool instead of 扩边全色 (which
    // only changes the front screen's drawing).
    void rebuild(const TDoc& doc, bool backScreen = false);
    const std::vector<ParamCell>& cells() const { return cells_; }
    ParamRegion regionAt(int x, int y) const;
    // A click on a region (Shift moves both ends of the range, and steps the back-screen tool
    // backwards). Refusals sound their tone.
    ParamPress press(TDoc& doc, ParamRegion r, bool shift);

private:
    std::vector<ParamCell> cells_;
    bool backScreen_ = false;
};

}  // namespace rz
