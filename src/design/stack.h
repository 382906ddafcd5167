// 叠板: the selected parts of a page become one part whose outline is the union of theirs. The
// outlines are split where they cross, every piece lying inside another selected outline goes,
// the rest chain into loops; the loop boxing all others is the new outline and the other loops
// become inner lines. Lines that stay whole keep their records; cut lines go with what hangs on
// them.
//
// Planning changes nothing, so a refused stack leaves the design as it was.
#pragma once

#include <optional>
#include <vector>

#include "geom/smooth.h"
#include "interact/engine.h"
#include "model/design.h"

namespace rz {

namespace mode {
constexpr int Stack = 164;  // 叠板
}

// Pieces chain when their ends lie this close (0.01 units).
constexpr float kStackJoin = 0.01f;

struct StackPlan {
    Part* into = nullptr;       // the receiving part: the first selected in chain order
    std::vector<Part*> others;  // the other selected parts, removed by the stack
    struct Piece {
        Line* source = nullptr;  // a boundary line of a selected part
        Polyline points;         // its stretch, ends on the shared crossing points
        bool whole = false;      // the whole source line
    };
    std::vector<Piece> pieces;  // the pieces kept
    struct Link {
        size_t piece = 0;
        bool reversed = false;
    };
    std::vector<std::vector<Link>> loops;  // closed loops of kept pieces
    size_t outer = 0;                      // the loop boxing the others
};

// Plans the stack of `parts` (the selected parts, in chain order). Nothing when there are fewer
// than two, an outline is not a closed loop of boundary lines, a chain of pieces does not close,
// or no loop boxes all the others.
std::optional<StackPlan> PlanStack(const Design& d, const std::vector<Part*>& parts);

// Carries out a plan made for the design as it is; returns the receiving part.
Part& ApplyStack(Design& d, const StackPlan& plan, const TSmooth& smooth);

// The 叠板 tool: presses toggle the selection of parts and scan lines, a right press stacks.
void InstallStackTool(Engine& e);

}  // namespace rz
