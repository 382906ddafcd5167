#include "output/material_record.h"

#include <bit>
#include <cstring>

namespace rz {
namespace {

template <typename T>
T Get(const MaterialRecord& r, size_t at) {
    T v;
    std::memcpy(&v, r.data() + at, sizeof v);
    return v;
}
template <typename T>
void Put(MaterialRecord& r, size_t at, T v) {
    std::memcpy(r.data() + at, &v, sizeof v);
}
PointF GetPt(const MaterialRecord& r, size_t at) { return {Get<float>(r, at), Get<float>(r, at + 4)}; }
void PutPt(MaterialRecord& r, size_t at, PointF p) {
    Put(r, at, p.x);
    Put(r, at + 4, p.y);
}

}  // namespace

int MaterialFields::mode() const {
    if (!(flags & kMatPartnerTurned)) return 1;
    return (flags & kMatRowsTurned) ? 3 : 2;
}

void MaterialFields::setMode(int m) {
    flags &= ~(kMatPartnerTurned | kMatRowsTurned);
    if (m == 2) flags |= kMatPartnerTurned;
    if (m == 3) flags |= kMatPartnerTurned | kMatRowsTurned;
}

// The stored form is little-endian; so is every machine this builds for.
static_assert(std::endian::native == std::endian::little);

MaterialFields DecodeMaterial(const MaterialRecord& r) {
    MaterialFields f;
    f.flags = Get<uint32_t>(r, 0);
    f.pieceId = Get<int32_t>(r, 4);
    f.rows = Get<int32_t>(r, 8);
    f.largestRow = Get<int32_t>(r, 12);
    PointF* pts[] = {&f.pairAnchor, &f.pairPt, &f.rowAnchor, &f.rowPt, &f.row2Anchor,
                     &f.row2Pt,     &f.J,      &f.M,         &f.R,     &f.U};
    for (size_t i = 0; i < 10; ++i) *pts[i] = GetPt(r, 16 + 8 * i);
    f.W = Get<float>(r, 96);
    f.H = Get<float>(r, 100);
    f.margin = Get<float>(r, 104);
    f.usage = Get<float>(r, 108);
    f.link = Get<uint32_t>(r, 112);
    return f;
}

MaterialRecord EncodeMaterial(const MaterialFields& f) {
    MaterialRecord r{};
    Put(r, 0, f.flags);
    Put(r, 4, f.pieceId);
    Put(r, 8, f.rows);
    Put(r, 12, f.largestRow);
    const PointF pts[] = {f.pairAnchor, f.pairPt, f.rowAnchor, f.rowPt, f.row2Anchor,
                          f.row2Pt,     f.J,      f.M,         f.R,     f.U};
    for (size_t i = 0; i < 10; ++i) PutPt(r, 16 + 8 * i, pts[i]);
    Put(r, 96, f.W);
    Put(r, 100, f.H);
    Put(r, 104, f.margin);
    Put(r, 108, f.usage);
    Put(r, 112, f.link);
    return r;
}

MaterialRecord* FindMaterial(std::vector<MaterialRecord>& list, int32_t pieceId) {
    for (MaterialRecord& r : list)
        if (Get<int32_t>(r, 4) == pieceId) return &r;
    return nullptr;
}

const MaterialRecord* FindMaterial(const std::vector<MaterialRecord>& list, int32_t pieceId) {
    return FindMaterial(const_cast<std::vector<MaterialRecord>&>(list), pieceId);
}

}  // namespace rz
