// The fields of a material-calculation record (排刀, 算料), kept on a sheet as its 116 stored
// bytes: flags, piece id, the last layout's counts, the four handles, the four lattice vectors,
// the sheet size and margin at the last 排刀, and the usage per piece.
#pragma once

#include <cstdint>

#include "geom/types.h"
#include "output/sheet.h"

namespace rz {

// Flag bits of a record.
constexpr uint32_t kMatPartnerTurned = 1u << 0;  // the partner copy is turned by 180°
constexpr uint32_t kMatRowsTurned = 1u << 4;     // with bit 0: every second row turned instead

struct MaterialFields {
    uint32_t flags = 0;
    int32_t pieceId = -1;  // -1 while the record is new
    int32_t rows = 0;
    int32_t largestRow = 0;
    PointF pairAnchor, pairPt, rowAnchor, rowPt, row2Anchor, row2Pt;
    PointF J, M, R, U;
    float W = 0, H = 0;
    float margin = 0;
    float usage = 0;  // the fraction of one sheet one piece consumes
    uint32_t link = 0;

    // Orientation mode 1, 2 or 3 from the flag bits.
    int mode() const;
    void setMode(int m);
    // 片数 of the piece: bits 12–15 plus one.
    int piecesPerPair() const { return int((flags >> 12) & 0xFu) + 1; }
    friend bool operator==(const MaterialFields&, const MaterialFields&) = default;
};

MaterialFields DecodeMaterial(const MaterialRecord& r);
MaterialRecord EncodeMaterial(const MaterialFields& f);
// The record of a piece id on a list, or null.
const MaterialRecord* FindMaterial(const std::vector<MaterialRecord>& list, int32_t pieceId);
MaterialRecord* FindMaterial(std::vector<MaterialRecord>& list, int32_t pieceId);

}  // namespace rz
