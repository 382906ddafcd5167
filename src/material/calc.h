// 算料 of a piece on an output sheet: its stored arrangement laid over the whole sheet of
// material, the figures that gives, the result drawn onto the other sheet and the messages.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "material/lattice.h"
#include "output/sheet.h"

namespace rz {

class TFont;

// The outline item (kind 8) of a piece, or -1.
int PieceOutlineIndex(const ItemList& items, int32_t pieceId);
// The piece ids of the sheet's outlines in list order, leaving out set-aside and result items.
std::vector<int32_t> OutlinePieces(const ItemList& items);

// A new record for a piece as 排刀 makes it: mode flags, 片数 from the outline, handles from
// the shape at `angle`, the sheet size and half the safety distance as margin, usage 0.
struct NestEditStart {
    MaterialFields rec;
    NestShapes shapes;
    Lattice lattice;
};
std::optional<NestEditStart> StartNest(const PlotItem& outline, int mode, float angle, float W, float H,
                                       float safetyDistance);

// 排刀 accepted: turns every item of the piece by the angle about the outline's box centre
// (when it is not 0), gives the record the piece's id and stores it, replacing the piece's
// record in place or appending a new one.
void AcceptNest(ItemList& items, std::vector<MaterialRecord>& records, int32_t pieceId, MaterialFields rec,
                float angle);

struct MaterialCalc {
    int32_t pieceId = 0;
    std::string refused;  // why nothing could be computed; empty when computed
    double area = 0;      // A, the outline's area on the sheet
    int perPair = 1;
    MaterialFields rec;
    double cellUtilisation = 0, cellArea = 0;
    NestShapes shapes;
    std::vector<NestCopy> kept;
    double placed = 0;
    PlacedFigures fig;
};
// Lays the piece's record out over the record's W × H at angle 0, the lattice vectors derived
// again from the stored handles on the outline as it lies now, and writes the record's vectors,
// counts and usage per piece back.
MaterialCalc CalculateMaterial(const ItemList& items, MaterialRecord& record);

// The texts of a result (numbers with a decimal point whatever the locale).
std::string ResultLine(const MaterialCalc& c);     // 规格:…;片数:…  利用率:…
std::string ResultMessage(float W, float H, double usagePerPair);  // 规格：… 每双总用量：…

// The total usage per pair of the sheet's pieces (set-aside and result items left out): null
// when some piece has no record (nothing is shown then). W and H are those of the last record.
struct MaterialTotal {
    double usagePerPair = 0;
    float W = 0, H = 0;
};
std::optional<MaterialTotal> TotalUsage(const ItemList& items, const std::vector<MaterialRecord>& records);

// Writes a result onto a sheet's items: earlier result items go, then one new piece (the next
// piece id) holds the sheet's rectangle, every kept copy and the result line laid out with the
// font (no text without one), all with bit 18 and the pen slot given.
// One item drawn by a result or report: bit 18, the pen tool, the pen slot given.
PlotItem ResultItem(Polyline pts, int32_t pieceId, int kind, int pen);
void WriteMaterialResult(ItemList& items, int& nextPieceId, const MaterialCalc& c, int pen, TFont* font);

}  // namespace rz
