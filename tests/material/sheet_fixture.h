// A back screen showing sheet Ⅰ, driven by scripted events: plot items made in place, the sheet
// as cut-file bytes, and undo of its layout ring compared with the bytes before a change.
#pragma once

#include "../interact/engine_fixture.h"
#include "interact/canvas.h"
#include "output/cutfile.h"
#include "output/sheet.h"

namespace rz::test {

// The point counts of the polylines the feedback draws in the highlight colour.
inline std::vector<size_t> HighlightedPolylines(Engine& e) {
    RecordingCanvas c;
    e.overlay(c);
    std::vector<size_t> n;
    for (const auto& call : c.calls)
        if (call.op == RecordingCanvas::Op::Polyline && call.colour == 0xA000A0) n.push_back(call.pts.size());
    return n;
}

struct SheetFixture : EngineTest {
    void TearDown() override { doc.sheets = {}; }
    PLTC& sheet() { return SheetOf(doc, 0); }
    static PlotItem item(int32_t id, int kind, Polyline pts, uint32_t extra = 0) {
        PlotItem it;
        it.points = std::move(pts);
        it.pieceId = id;
        it.setKind(kind);
        it.setTool(kToolFullCut);
        it.flags |= extra;
        return it;
    }
    std::vector<uint8_t> bytes() { return WriteCutFile(sheet().items, {}); }
    // Undo of the layout restores what the sheet held before the change.
    void expectUndoTo(const std::vector<uint8_t>& before) {
        SheetState s;
        ASSERT_TRUE(sheet().ring.undo(s));
        sheet().restore(s);
        EXPECT_EQ(bytes(), before);
    }
};

}  // namespace rz::test
