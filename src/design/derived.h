// The derived data of parts and pieces, built by one set of builders that the window and every
// command-line verb install: a part's outline and box, the outlines of its seam allowances and
// the points of its rows; a piece's assembly from its sources.
#pragma once

#include <vector>

#include "model/design.h"

namespace rz {

class TFont;

// Fills derivedHooks() with the builders of this library (replacing simpler ones). `font` lays
// out the size labels of new pieces; without it they get their strokes when one is there.
void InstallDerivedBuilders(const TFont* font = nullptr);

// Rebuilds a part's derived data (outline, box, allowances, rows) and reassembles the pieces
// that take lines, allowances or links from it.
void RebuildPartAndPieces(Design& d, Part& p, const TFont* font = nullptr);
// Whether a piece takes anything from the part (a piece line's source or a member's element).
bool PieceUsesPart(const Piece& pc, const Part& p);

}  // namespace rz
