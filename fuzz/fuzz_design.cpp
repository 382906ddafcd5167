// libFuzzer target for the derived data of pieces, seam allowances and point rows: whatever a file
// holds, reading it with the builders installed and computing every outline, cutting outline, row
// and graded count must neither fault nor hang.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "design/derived.h"
#include "design/pieces.h"
#include "design/rows.h"
#include "design/seam.h"
#include "fuzz_input.h"
#include "model/refs.h"
#include "model/sizes.h"
#include "model/xie.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool installed = (rz::InstallDerivedBuilders(), true);
    (void)installed;
    std::vector<uint8_t> bytes = PatternBytes(data, size);
    rz::Design d;
    rz::Settings s;
    auto r = rz::ReadXie(bytes, d, s);
    if (!r.ok) return 0;
    for (auto& pc : d.pieces) {
        rz::Polyline cut = rz::CuttingOutline(*pc);
        (void)rz::MeasurePiece(d, *pc);
        auto st = rz::PieceStretches(d, *pc);
        if (st.size() < 64) (void)rz::JoinStretches(st);
        (void)cut;
    }
    const int base = rz::SizeValueAt(d, d.baseIndex);
    for (auto& p : d.parts) {
        for (auto& sa : p->seamAllowances) (void)rz::ReadSeamValues(*sa);
        for (auto& row : p->pointRows) {
            (void)rz::RowPointsOf(*row);
            for (int i = 0; i < d.n && i < 64; ++i)
                (void)rz::GradedRowCount(*row, row->host ? int(row->host->nodes.size()) : 0, rz::SizeValueAt(d, i) - base);
        }
    }
    if (!rz::AllReferencesInside(d)) __builtin_trap();
    return 0;
}
