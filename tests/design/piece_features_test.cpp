// 指定's 槽线, 记号 and 倒角 on a piece's own lines: the records they make, their shapes against
// figures worked out by hand, and the shapes rebuilt when the file is read back.
#include "commands/feature_tools.h"
#include "commands/tool_support.h"
#include "design_fixture.h"
#include "geom/polyline.h"

namespace rz::test {
namespace {

constexpr int kAssign = 32909;
constexpr int kSlotSub = 10, kMarkSub = 11, kChamferSub = 12;

struct PieceFeatures : DesignFixture {
    Piece* pc = nullptr;
    void SetUp() override {
        DesignFixture::SetUp();
        Part& p = outlinePart({{1000, 1000}, {5000, 1000}, {5000, 5000}, {1000, 5000}, {1000, 1000}});
        std::vector<Stretch> st;
        for (auto& l : p.linesA) st.push_back({{l.get(), kKindLine}, &p, 0.0f, 1.0f});
        ExtractOptions opt;
        opt.slot = 0;
        opt.innerLines = false;
        ExtractResult r = ExtractOutline(doc, st, opt);
        ASSERT_TRUE(r.ok);
        pc = r.piece;
        doc.currentSlot = pc->slot;
        command(kAssign);
        click(3000, 3000);  // the piece alone
    }
    void sub(int item) {
        choices = {item};
        rightClick(3000, 3000);
    }
};

TEST_F(PieceFeatures, SlotsMarksAndChamfersOnPieceLines) {
    sub(kSlotSub);
    press(2000, 1000);
    moveTo(2500, 1005);
    release(3000, 1010);
    ASSERT_EQ(pc->slotLines.size(), 1u);
    const SlotLine& s = *pc->slotLines[0];
    EXPECT_EQ(s.host.kind, uint32_t(kKindPieceLine));
    EXPECT_EQ(s.pieceLine, s.host.as<PieceLine>());
    ASSERT_FALSE(s.drawn1.empty());
    for (PointF q : s.drawn1) {
        EXPECT_GE(q.x, 2000.0f - 0.5f);
        EXPECT_LE(q.x, 3000.0f + 0.5f);
    }
    sub(kChamferSub);
    click(4000, 1000);  // the bottom, near its end
    click(5000, 2000);  // the right side
    ASSERT_EQ(pc->chamfers.size(), 1u);
    const Chamfer& c = *pc->chamfers[0];
    EXPECT_NEAR(c.corners[0].x, 5000.0f - doc.settings.chamferRadius, 0.5f);
    EXPECT_NEAR(c.corners[1].y, 1000.0f + doc.settings.chamferRadius, 0.5f);
    sub(kMarkSub);
    click(2000, 5000);  // the top
    expectRefused([&] { click(6500, 6500); });
    click(1000, 3000);  // the left side meets it at the corner
    ASSERT_EQ(pc->marks.size(), 1u);
    EXPECT_EQ(pc->marks[0]->drawn.size(), 3u);
    // Read back: the shapes are built from the piece lines again.
    auto back = reloaded();
    ASSERT_EQ(back->pieces.size(), 1u);
    const Piece& b = *back->pieces[0];
    ASSERT_EQ(b.slotLines.size(), 1u);
    EXPECT_EQ(b.slotLines[0]->drawn1.size(), s.drawn1.size());
    ASSERT_EQ(b.chamfers.size(), 1u);
    EXPECT_FALSE(b.chamfers[0]->drawn.empty());
    ASSERT_EQ(b.marks.size(), 1u);
    EXPECT_EQ(b.marks[0]->drawn.size(), 3u);
}

}  // namespace
}  // namespace rz::test
