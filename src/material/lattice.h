// The knife-die lattice of one piece: its copies brought into contact (partner, column, second
// and third row), the cell of the repeating pattern, the layout of the lattice over a whole
// sheet of material and the area the kept copies take. Pure functions on sheet units (0.01 mm).
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "geom/types.h"
#include "output/material_record.h"

namespace rz {

// Vectors shorter than this (0.1 mm) give no lattice: a copy would lie on its neighbour.
constexpr float kMinLatticeStep = 10.0f;
// The contact search stops when the bracket is narrower than this (0.1 mm).
constexpr float kContactPrecision = 10.0f;
// A full-sheet layout of more copies than this is refused rather than built.
constexpr size_t kMaxLayoutCopies = 1000000;

// The piece outline as the lattice uses it: simplified (1 mm, chords of at most 10 mm), turned
// by the angle about the centre of its box on the sheet and moved so that its box starts at
// (0, 0); `turned` is its point reflection in the box centre.
struct NestShapes {
    Polyline upright, turned;
    float w = 0, h = 0;
    PointF c;  // (w/2, h/2)
    bool ok() const { return upright.size() >= 2 && w > 0 && h > 0; }
};
NestShapes PrepareNestShapes(std::span<const PointF> outline, float angle);

// The shapes of a row's base and partner in an orientation mode (1, 2, 3): row A is the first of
// each pair of rows, row B the second.
const Polyline& BaseShape(const NestShapes& s, int mode, bool rowB);
const Polyline& PartnerShape(const NestShapes& s, int mode, bool rowB);

// True when a segment of `fixed` (moved by tf) meets a segment of `moving` (moved by tm),
// touching included; a meeting exactly at the moving outline's first point does not count.
bool OutlinesCross(std::span<const PointF> fixed, PointF tf, std::span<const PointF> moving, PointF tm);

// The contact rule: `crossesAt(t)` says whether the copies being placed cross the built ones
// when placed at t. From v the copies are moved on by v while they cross, then pulled back along
// −v by bisection to the largest pull-back known to be clear. False (and `out` untouched) for a
// vector shorter than kMinLatticeStep, or when the copies never come clear within `limit` steps.
bool ContactAlong(PointF v, const std::function<bool(PointF)>& crossesAt, float extent, PointF& out);

// One copy of the lattice or of a layout: which shape, where.
struct NestCopy {
    PointF at;
    bool turned = false;
};
inline const Polyline& CopyShape(const NestShapes& s, const NestCopy& c) { return c.turned ? s.turned : s.upright; }
Polyline CopyPoints(const NestShapes& s, const NestCopy& c);

// The editor's lattice: three rows of base, partner and next-column copies.
struct Lattice {
    NestCopy rows[3][3];  // [row][0 base, 1 partner, 2 next column]
    double cellUtilisation = 0;  // %
    double cellArea = 0;         // square sheet units
    std::array<PointF, 4> cell{};
};

// Which handle changed: the lattice is recomputed from it onwards.
enum class LatticeFrom { Pair = 0, Row = 1, SecondRow = 2 };

// Builds the lattice from the record's handles in its mode, writing J, M, R, U and moving the
// second-row handle onto row 2's base. With `fresh` the handles are first set from the shape (a
// new record). Refused (false, record untouched) when a vector is shorter than kMinLatticeStep
// or a contact never comes clear.
bool BuildLattice(const NestShapes& s, MaterialFields& rec, bool fresh, Lattice& out,
                  LatticeFrom from = LatticeFrom::Pair);

// The full-sheet layout of the record's lattice over W × H, writing its rows and largest row.
// Refused (false) for non-finite vectors, a column step or a two-row step under
// kMinLatticeStep, a sheet without area or more than kMaxLayoutCopies copies.
bool LayoutSheet(const NestShapes& s, MaterialFields& rec, float W, float H, std::vector<NestCopy>& copies);

// Removes the copies that do not count (any point left of 0 or right of W, none below H) and
// returns the area of the rest inside 0 ≤ y ≤ H; copies wholly inside count the piece area A.
double PlacedArea(const NestShapes& s, std::vector<NestCopy>& copies, float W, float H, double A);

// What a placed area gives.
struct PlacedFigures {
    double perSheet = 0;     // 片数
    double utilisation = 0;  // %
    double usagePerPiece = 0;
    double usagePerPair = 0;
};
PlacedFigures FiguresOf(double placed, double A, float W, float H, int perPair);

}  // namespace rz
