// A sheet at true scale on ordinary paper, for workshops without a cutter: the drawing is cut
// into page tiles that overlap a little, each with crop marks, its row and column and join
// marks, after a first page with a 100 mm test square to check the printer's scale.
#pragma once

#include <string>
#include <vector>

#include "geom/types.h"

namespace rz {

struct PdfTiling {
    std::string paper = "A4";  // "A4" or "A3", portrait
    double overlapMm = 10.0;   // shared by neighbouring tiles
};

// Page tiles of a drawing `w` × `h` mm: columns and rows.
struct TileGrid {
    int cols = 0, rows = 0;
    double stepX = 0, stepY = 0;  // mm between tile origins
    double tileW = 0, tileH = 0;  // mm of drawing on each page
};
TileGrid PlanTiles(double wMm, double hMm, const PdfTiling& t);

// Writes the polylines (sheet units, 0.01 mm, y up) of a drawing to a PDF; false with `err`
// when the file could not be written. `pages` receives the page count (test page included).
bool WriteSheetPdf(const std::string& path, const std::vector<Polyline>& lines, const std::string& title,
                   const PdfTiling& tiling, std::string& err, int* pages = nullptr);

}  // namespace rz
