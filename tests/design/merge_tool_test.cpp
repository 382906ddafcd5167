// The 合并 tool driven by clicks: the two picks, the highlight while waiting, letting the first
// go, Esc and the right button, the refusal and the one undo snapshot of a merge.
#include <cmath>

#include "../commands/draw_fixture.h"
#include "design/design_tools.h"
#include "geom/polyline.h"
#include "model/xie.h"

namespace rz::test {
namespace {

struct MergeToolTest : DrawTest {
    Part* a = nullptr;  // (1000, 1000)–(4000, 5000)
    Part* b = nullptr;  // (4000, 1000)–(8000, 5000), sharing x = 4000 with a
    Part* c = nullptr;  // apart: (8500, 1000)–(9500, 2000)
    void SetUp() override {
        DrawTest::SetUp();
        InstallDesignTools(*eng);
        a = &rect(1000, 1000, 4000, 5000);
        b = &rect(4000, 1000, 8000, 5000);
        c = &rect(8500, 1000, 9500, 2000);
        eng->designChanged();
        doc.PushUndo();
        command(32882);
        takeTones();
    }
    Part& rect(float x0, float y0, float x1, float y1) {
        Part& p = AppendNewPart(doc.design, doc.currentPage());
        PointF q[] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        for (int i = 0; i < 4; ++i) {
            std::vector<Node> n{{q[i].x, q[i].y, 0}, {q[(i + 1) % 4].x, q[(i + 1) % 4].y, 0}};
            p.linesA.push_back(MakeLineRecord(doc, n, kCurvePolyline, 3));
        }
        CompletePart(p);
        return p;
    }
    size_t snapshots() const { return size_t(doc.undo.stored()); }
    bool inChain(const Part* p) const {
        for (auto& q : doc.design.parts)
            if (q.get() == p) return true;
        return false;
    }
    // The overlay drawn now: the polylines in the highlight colour.
    size_t highlighted() {
        RecordingCanvas rc;
        if (!eng->overlay(rc)) return 0;
        size_t n = 0;
        for (auto& call : rc.calls)
            if (call.op == RecordingCanvas::Op::Polyline && call.colour == 0xA000A0) ++n;
        return n;
    }
};

TEST_F(MergeToolTest, CommandSelectsTheMode) { EXPECT_EQ(eng->mode(), mode::Merge); }

TEST_F(MergeToolTest, TwoPicksMergeWithOneSnapshot) {
    size_t snaps = snapshots(), parts = doc.design.parts.size();
    click(2000, 3000);
    EXPECT_EQ(eng->step(), 1);
    EXPECT_EQ(takeTones(), std::vector<int>{kToneAccepted});
    // The first part shows highlighted while the second is awaited.
    EXPECT_EQ(highlighted(), 1u);
    EXPECT_EQ(doc.design.parts.size(), parts);
    click(6000, 3000);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(highlighted(), 0u);
    EXPECT_EQ(doc.design.parts.size(), parts - 1);
    EXPECT_TRUE(inChain(a));
    EXPECT_FALSE(inChain(b));
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_TRUE(PolyClosed(a->outline));
    double area = 0;  // shoelace
    const Polyline& o = a->outline;
    for (size_t i = 0; i + 1 < o.size(); ++i) area += double(o[i].x) * o[i + 1].y - double(o[i + 1].x) * o[i].y;
    EXPECT_NEAR(std::fabs(area) / 2, 7000.0 * 4000, 1.0);
    EXPECT_TRUE(takeTones().empty());
}

TEST_F(MergeToolTest, TheSharedLineServesAsEitherPick) {
    // First pick on the shared side: the part earlier in the chain, with that line highlighted
    // thicker; a click inside the other part merges.
    click(4000, 3000);
    ASSERT_EQ(eng->step(), 1);
    EXPECT_EQ(highlighted(), 2u);
    click(6000, 3000);
    EXPECT_FALSE(inChain(b));
    EXPECT_TRUE(PolyClosed(a->outline));
}

TEST_F(MergeToolTest, SecondPickOnTheSharedLineMeansTheOtherSide) {
    click(2000, 3000);
    click(4000, 2000);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_FALSE(inChain(b));
}

TEST_F(MergeToolTest, LettingGoAndCancellingChangeNothing) {
    auto before = WriteXie(doc.design);
    size_t snaps = snapshots();
    // The first part again: let go, with the step-back tone.
    click(2000, 3000);
    click(2500, 2500);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(takeTones(), (std::vector<int>{kToneAccepted, kToneBack}));
    // Esc.
    click(2000, 3000);
    EXPECT_TRUE(key(key::Escape));
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(eng->mode(), mode::Merge);
    // The right button.
    click(2000, 3000);
    rightClick(5000, 3000);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(eng->mode(), mode::Merge);
    EXPECT_EQ(highlighted(), 0u);
    EXPECT_EQ(WriteXie(doc.design), before);
    EXPECT_EQ(snapshots(), snaps);
    // A fresh first pick after the cancel: b, then a merges a into b.
    click(6000, 3000);
    click(2000, 3000);
    EXPECT_TRUE(inChain(b));
    EXPECT_FALSE(inChain(a));
}

TEST_F(MergeToolTest, RefusalsBeepAndChangeNothing) {
    auto before = WriteXie(doc.design);
    size_t snaps = snapshots();
    // Nothing under the first click.
    click(9000, 6000);
    EXPECT_EQ(takeTones(), std::vector<int>{kToneRefused});
    EXPECT_EQ(eng->step(), 0);
    // A part that shares no line with the first: refused, the first stays picked.
    click(2000, 3000);
    click(9000, 1500);
    EXPECT_EQ(takeTones(), (std::vector<int>{kToneAccepted, kToneRefused}));
    EXPECT_EQ(eng->step(), 1);
    // Empty space as the second pick.
    click(9000, 6000);
    EXPECT_EQ(takeTones(), std::vector<int>{kToneRefused});
    EXPECT_EQ(WriteXie(doc.design), before);
    EXPECT_EQ(snapshots(), snaps);
    // The neighbour still merges.
    click(6000, 3000);
    EXPECT_FALSE(inChain(b));
}

TEST_F(MergeToolTest, UndoBringsTheSecondPartBack) {
    size_t parts = doc.design.parts.size();
    auto before = WriteXie(doc.design);
    click(2000, 3000);
    click(6000, 3000);
    ASSERT_EQ(doc.design.parts.size(), parts - 1);
    ASSERT_TRUE(UndoStep(*eng, tools));
    EXPECT_EQ(doc.design.parts.size(), parts);
    EXPECT_EQ(WriteXie(doc.design), before);
}

}  // namespace
}  // namespace rz::test
