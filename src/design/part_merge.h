// 合并: two parts that meet along a shared boundary line become one. The shared boundary is every
// pair of boundary lines, one of each part, whose evaluated polylines coincide (either way round);
// the pairs must form one unbroken stretch of both outlines. The merged outline runs round the
// first part's loop without its shared lines and on round the second's, turned to the same sense
// where the two loops ran opposite ways. The first part's shared lines stay as inner lines (the
// seam the pattern maker drew); the second part's go. Everything else of the second part moves
// into the first, and the second part leaves the parts chain.
//
// Planning changes nothing, so a refused merge leaves the design as it was; carrying a plan out
// cannot fail.
#pragma once

#include <optional>
#include <vector>

#include "geom/smooth.h"
#include "model/design.h"

namespace rz {

// How far apart two boundary lines may run and still be one shared line (0.05 mm): a line and its
// copy re-fitted the other way round differ by no more than their sampling.
constexpr float kMergeTolerance = 5.0f;

struct MergePlan {
    Part* into = nullptr;  // the part that stays
    Part* from = nullptr;  // the part merged into it and removed
    // Shared pairs: indices into the lines A of `into` and `from`, and whether the two run
    // opposite ways.
    struct Pair {
        size_t a = 0, b = 0;
        bool opposite = false;
    };
    std::vector<Pair> shared;
    // The merged loop in order: lines A of `into` (fromInto) or of `from`, with the nodes each takes.
    struct Step {
        bool fromInto = true;
        size_t index = 0;
        bool changed = false;  // reversed or moved onto the joint: `nodes` replace the line's own
        std::vector<Node> nodes;
        bool reversed = false;
    };
    std::vector<Step> loop;
    Polyline outline;  // the merged outline, closed
};

// Plans merging `b` into `a`. `pickA` / `pickB`, when given, are boundary lines of the parts the
// user picked: they must belong to the shared boundary. When `b` is the design's first part (the
// part of the master lines, which never goes) the roles swap and `b` is the part that stays.
// Nothing when the parts are one part, not both in the design, on different pages, share no
// boundary line or share more than one stretch of it, have an outline that is not a closed
// head-to-tail loop, or would not make one outline covering both.
std::optional<MergePlan> PlanMerge(const Design& d, Part& a, Part& b, const Line* pickA, const Line* pickB,
                                   const TSmooth& smooth);

// Carries out a plan made for the design as it is; returns the part that stays.
Part& ApplyMerge(Design& d, const MergePlan& plan, const TSmooth& smooth);

// Plan and apply: the part that stays, or null with the design untouched.
Part* MergeParts(Design& d, Part& a, Part& b, const TSmooth& smooth, const Line* pickA = nullptr,
                 const Line* pickB = nullptr);

}  // namespace rz
