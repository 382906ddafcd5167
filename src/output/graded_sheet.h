// Graded parts and pieces onto the output sheet: one sheet piece per part (or piece) and size, its
// items taken from the graded part or piece with the output-selection matrix of its role (选号输出,
// 选片输出, 单片输出, the piece area's 选号输出 and 全号输出, and the size steps of the back screen).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "grading/graded_output.h"
#include "output/sheet.h"

namespace rz {

struct GradedOutputOptions {
    double angle = 0.0;   // 选片输出: the direction of the rubber-band line (radians)
    int layout = 0;       // 1 or 2 (选片输出, Shift: every second size turned by 180°); 0: none
    bool corner = false;  // without a layout: each size's box ends at the sheet's corner (W, H)
    TFont* font = nullptr;
};

// What one call put on the sheet.
struct GradedOutputLog {
    struct Piece {
        int32_t pieceId = 0;
        int size = 0;
        size_t firstItem = 0, itemCount = 0;
        std::vector<OutputItem> items;  // as generated, before placement (for reports)
    };
    std::vector<Piece> pieces;
    std::vector<int> skipped;  // sizes the shared-die array or a failed evaluation left out
};

// Appends the part in the listed sizes (the shared-die rule applied); returns the index of the
// first item appended, or −1 when nothing was. Each size takes the sheet's next piece id.
int OutputPartSizes(PLTC& sheet, const Design& d, const Settings& s, const Part& part, const std::vector<int>& sizes,
                    const GradedOutputOptions& o, GradedOutputLog* log = nullptr);
// The same for a piece (layout modes do not apply; the corner flag does). The design is not
// changed: each size is evaluated from scratch copies of the piece's sources.
int OutputPieceSizes(PLTC& sheet, const Design& d, const Settings& s, const Piece& piece, const std::vector<int>& sizes,
                     const GradedOutputOptions& o, GradedOutputLog* log = nullptr);

// 选号输出 from the menu: on the pieces page (3) every piece, elsewhere every visible part of the
// page, or of every page with `allPages` (the Ctrl batch); `before` runs with each part's or
// piece's outline before its output (the window highlights it), `each` after it (the window
// beeps and redraws). Pieces without an outline are left out.
struct PageOutput {
    int sources = 0;              // parts or pieces taken
    std::vector<int> noOutline;   // the left-out pieces' numbers in the piece area (from 1)
};
PageOutput OutputPage(PLTC& sheet, const Design& d, const Settings& s, int page, bool allPages,
                      const std::vector<int>& sizes, const GradedOutputOptions& o,
                      const std::function<void()>& each = {},
                      const std::function<void(const Polyline& outline)>& before = {});
// "第 1,3, 分片外轮廓线有问题，需重新提取！" for the pieces numbered 1 and 3; empty for none.
std::string NoOutlineMessage(const std::vector<int>& numbers);

}  // namespace rz
