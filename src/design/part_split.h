// 拆分: a part cut in two along one of its inner lines. The splitting line, extended a little at
// both ends, must cross the part's boundary exactly twice; the boundary loop is cut there into
// two loops, each closed by the stretch of the splitting line between the crossings, and the
// second loop becomes a new part. Planning changes nothing, so a refused split leaves the design
// as it was; carrying a plan out cannot fail.
#pragma once

#include <array>
#include <optional>
#include <unordered_set>
#include <vector>

#include "geom/smooth.h"
#include "model/design.h"

namespace rz {

// How far both ends of a splitting line reach beyond its end nodes (0.5 mm): a line drawn up to
// the boundary, or a hair short of it, still crosses it.
constexpr float kSplitExtension = 50.0f;

// One boundary line of a loop: a whole line A, or the stretch of one cut at a crossing.
struct SplitPiece {
    size_t source = 0;  // index in the part's lines A
    bool whole = false;
    std::vector<Node> nodes;
    // The stretches of the source it covers, as fractions of the source's length, in order along
    // the piece (two when a closed line's ends meet again in one loop).
    std::vector<std::pair<float, float>> spans;
};

struct SplitPlan {
    // Loop 0 holds the outline's start; each list runs round its loop and ends where the
    // splitting line begins.
    std::array<std::vector<SplitPiece>, 2> loops;
    // The splitting line's stretch between the crossings, in the direction that closes each loop.
    std::array<std::vector<Node>, 2> splitterNodes;
    // The closed outline of each loop, for the containment of the part's other records.
    std::array<Polyline, 2> outlines;
    // The stretch of the splitting line that is kept (fractions of its length), and whether each
    // loop's copy runs against the line's direction.
    std::pair<float, float> splitterSpan{0.0f, 1.0f};
    std::array<bool, 2> splitterReversed{false, false};

    // The loop (0 or 1) with a boundary line beginning at `corner` (failing that, ending there);
    // -1 when both loops or neither have one.
    int loopWithLineAt(PointF corner) const;
};

// Plans the split of `part` along `splitter` (which need not be in the part yet). Nothing when the
// line is closed or degenerate, the outline is not closed, the extended line does not cross the
// outline exactly twice, or its stretch between the crossings runs outside the part.
std::optional<SplitPlan> PlanSplit(const Part& part, const Line& splitter, float extension = kSplitExtension);

// Carries out a plan made for `part` and `splitter`, which must now be one of the part's lines B.
// Loop `newLoop` goes to a new part inserted after `part` (same page, dated today, a copy of the
// first base point); the other stays with `part`. The splitting line becomes a boundary line of
// both (its record in `part`, a copy in the new part). Inner lines, pins, motifs, texts, notches,
// size labels and dimensions go to the part whose outline holds them; the records that hang on
// a line (seam allowances, point rows, symmetry links, slot lines, marks, chamfers, shared zones,
// fixed distances) follow their line, and graded copies their base record.
Part& ApplySplit(Design& d, Part& part, Line& splitter, const SplitPlan& plan, const TSmooth& smooth,
                 int newLoop = 1);

// At most one length line and one width line per part: later holders (lines A, then lines B)
// lose the type.
void KeepOneLineOfEachType(Part& p);

// A reference visitor (VisitPartRefs, VisitDesignRefs) that points every reference to a base
// point of `from` at `to` instead.
struct RetargetBasePoints {
    const std::unordered_set<const BasePoint*>& from;
    BasePoint* to;
    void operator()(BasePoint*& r) const {
        if (r && from.count(r)) r = to;
    }
    void operator()(Line*&) const {}
    void operator()(Pin*&) const {}
    void operator()(Motif*&) const {}
    void operator()(PieceLine*&) const {}
    void operator()(KindRef&) const {}
};

// Plan and apply: the new part, or null with the design untouched.
Part* SplitPart(Design& d, Part& part, Line& splitter, const TSmooth& smooth);

}  // namespace rz
