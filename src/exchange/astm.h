// The exchange DXF of the footwear and apparel trade (ASTM D6673 / AAMA): R12 with a layer table
// and one block per piece and size. Layers: 1 cut boundary, 4 notches, 6 mirror (fold) line,
// 7 grain line, 8 internal lines, 13 drill holes, 14 sew line, 15 annotation.
#pragma once

#include <string>
#include <vector>

#include "geom/types.h"
#include "model/design.h"

namespace rz {

struct AstmPiece {
    std::string name;      // ASCII
    int size = 0;          // the size value (235)
    int quantity = 1;      // 片数
    Polyline cut;          // closed
    Polyline sew;          // closed; written when given (parts give none yet)
    Shape internal, notches;
    std::vector<PointF> drills;
    Polyline grain, mirror;  // empty when there is none
};

// The file text (CR LF lines, millimetres, C-locale numbers).
std::string WriteAstmDxf(const std::vector<AstmPiece>& pieces);

// The visible parts with a closed outline at the sizes given (indices of the size list; graded
// copies where the design has them, else the base geometry).
std::vector<AstmPiece> AstmPiecesOf(const Design& d, const std::vector<int>& sizes);

}  // namespace rz
