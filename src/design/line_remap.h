// When a line is cut into pieces (拆分) or turned round (合并), what is measured along it — piece
// lines, seam allowances, symmetry line links and slot lines — must move with the stretch it was
// on: its fractions taken onto the piece now holding that stretch, a reversed line's allowance
// keeping its side.
#pragma once

#include <utility>
#include <vector>

#include "model/design.h"

namespace rz {

// One line that now carries part of an old line: the old line's stretches `spans` (fractions of
// its old length, from < to, in the order they follow each other along the new line), running
// the other way when `reversed`. The new line may be the old record itself.
struct LinePiece {
    Line* line = nullptr;
    std::vector<std::pair<float, float>> spans;
    bool reversed = false;
};

// Moves every reference measured along `old` onto `pieces`: a piece line or allowance over
// several pieces becomes one per piece (in order, the outline links kept), symmetry links and
// slot lines go to the piece holding their middle. References to `old` without a position go to
// the first piece.
void RemapLineReferences(Design& d, const Line* old, const std::vector<LinePiece>& pieces);

}  // namespace rz
