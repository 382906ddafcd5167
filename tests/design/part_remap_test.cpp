// 拆分 and 合并 keep what is measured along the lines they cut or turn: pieces stay closed with
// the same outline, allowances keep their place and side, slot lines their stretch.
#include <cmath>

#include "design/derived.h"
#include "design/part_merge.h"
#include "design/part_split.h"
#include "design/seam.h"
#include "design_fixture.h"
#include "geom/polyline.h"
#include "geos_oracle.h"
#include "model/refs.h"
#include "shapes.h"

namespace rz::test {
namespace {

struct RemapTest : DesignFixture {
    Piece& pieceOf(Part& p) {
        std::vector<Stretch> st;
        for (auto& l : p.linesA) st.push_back({{l.get(), kKindLine}, &p, 0.0f, 1.0f});
        ExtractOptions opt;
        opt.slot = int(doc.design.pieces.size());
        opt.innerLines = false;
        ExtractResult r = ExtractOutline(doc, st, opt);
        EXPECT_TRUE(r.ok);
        return *r.piece;
    }
    void rebuildAll() {
        for (auto& p : doc.design.parts) RebuildPartAndPieces(doc.design, *p);
    }
};

TEST_F(RemapTest, SplitCarriesPiecesAllowancesAndSlotsOntoThePieces) {
    Part& p = outlinePart({{0, 0}, {8000, 0}, {8000, 4000}, {0, 4000}, {0, 0}});
    Line* bottom = p.linesA[0].get();
    p.seamAllowances.push_back(MakeSeam(*bottom, {{0.1f, 0.9f}, {300, 500}}));
    const Polyline seamBefore = p.seamAllowances[0]->outline;
    auto slot = std::make_unique<SlotLine>();
    slot->host = {bottom, kKindLine};
    slot->f = {0.6f, 0.7f, 0, 120, 1};  // start, end, offset, depth, angle
    SlotLine* sl = slot.get();
    p.slotLines.push_back(std::move(slot));
    Piece& pc = pieceOf(p);
    ASSERT_TRUE(pc.flags & kPieceClosed);
    const Polyline outlineBefore = pc.outline;
    Line& cut = lineB(p, {{3000, 0}, {3000, 4000}});
    Part* np = SplitPart(doc.design, p, cut, doc.smooth);
    ASSERT_NE(np, nullptr);
    rebuildAll();
    // The piece still runs round the whole rectangle.
    EXPECT_TRUE(pc.flags & kPieceClosed);
    EXPECT_EQ(pc.linesA.size(), 6u);  // two cut lines, each now two piece lines
    EXPECT_NEAR(Shoelace(pc.outline), 32e6, 1.0);
    Geos g;
    EXPECT_LT(g.hausdorff(g.line(pc.outline), g.line(outlineBefore)), 0.5);
    // The allowance is in two records, on both sides, in the same place.
    size_t records = p.seamAllowances.size() + np->seamAllowances.size();
    EXPECT_EQ(records, 2u);
    double worst = 0;
    for (PointF q : seamBefore) {
        double best = 1e30;
        for (Part* x : {&p, np})
            for (auto& s : x->seamAllowances) best = std::min(best, double(PolyNearest(s->outline, q).dist));
        worst = std::max(worst, best);
    }
    EXPECT_LT(worst, 0.5);
    // The slot line is on the piece of the bottom that holds its stretch (48 to 56 mm).
    ASSERT_NE(sl->host.ptr, nullptr);
    const Polyline& host = sl->host.as<Line>()->eval;
    PointF from = PolyPointAt(host, sl->f[0] * PolyLength(host)).pt, to = PolyPointAt(host, sl->f[1] * PolyLength(host)).pt;
    EXPECT_NEAR(std::min(from.x, to.x), 4800, 1.0);
    EXPECT_NEAR(std::max(from.x, to.x), 5600, 1.0);
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(RemapTest, MergeTurnsAllowancesAndPiecesWithTheLinesItReverses) {
    Part& a = outlinePart({{0, 0}, {3000, 0}, {3000, 4000}, {0, 4000}, {0, 0}});
    // Clockwise: its lines run against the merged loop.
    Part& b = outlinePart({{3000, 0}, {3000, 4000}, {8000, 4000}, {8000, 0}, {3000, 0}});
    Line* right = b.linesA[2].get();  // (8000, 4000) → (8000, 0)
    b.seamAllowances.push_back(MakeSeam(*right, {{0.2f, 0.6f}, {-300, -500}}));  // outside: left of travel
    const Polyline seamBefore = b.seamAllowances[0]->outline;
    Piece& pc = pieceOf(b);
    ASSERT_TRUE(pc.flags & kPieceClosed);
    const Polyline outlineBefore = pc.outline;
    Part* kept = MergeParts(doc.design, a, b, doc.smooth);
    ASSERT_EQ(kept, &a);
    rebuildAll();
    EXPECT_TRUE(pc.flags & kPieceClosed);
    EXPECT_NEAR(Shoelace(pc.outline), 20e6, 1.0);
    Geos g;
    EXPECT_LT(g.hausdorff(g.line(pc.outline), g.line(outlineBefore)), 0.5);
    ASSERT_EQ(a.seamAllowances.size(), 1u);
    EXPECT_LT(g.hausdorff(g.line(a.seamAllowances[0]->outline), g.line(seamBefore)), 0.5);
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

}  // namespace
}  // namespace rz::test
