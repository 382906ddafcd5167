// 选片输出 (157) and 单片输出 (172) driven through the engine: a press outside a part is refused,
// the first output grades the design, 选片输出 lays every size side by side turned by the dragged
// direction (Shift: every second size turned round), 单片输出 puts out the size shown, and a scan
// line becomes one outline piece per polyline.
#include <cmath>

#include "../grading/grading_fixture.h"
#include "../interact/engine_fixture.h"
#include "commands/tool_support.h"
#include "model/afterload.h"
#include "output/graded_tools.h"
#include "output/sheet.h"

namespace rz::test {
namespace {

struct GradedToolsTest : EngineTest {
    Part* p = nullptr;

    void SetUp() override {
        EngineTest::SetUp();
        doc.suppressGradingAutoSave = true;  // no numbered file from the tools' grading
        SetSizes(doc.design);
        p = &part(0);
        BasePoint& b = AddBase(*p, 2000, 1000);
        AddLine(p->linesA, {{1000, 1000}, {5000, 1000}, {5000, 3000}, {1000, 3000}, {1000, 1000}}, &b);
        AddLine(p->linesB, {{1500, 1500}, {4500, 1500}}, &b);  // runs along +x
        EvaluateAllLines(doc.design, doc.smooth);
        RebuildPart(doc.design, *p);
        ASSERT_GE(p->outline.size(), 4u);
        eng->designChanged();
        InstallGradedOutputTools(*eng, nullptr);
    }
    PLTC& sheet() { return SheetOf(doc, 0); }
    int lastTone() const { return platform.tones.empty() ? 0 : platform.tones.back(); }

    struct Box {
        float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
        float w() const { return x1 - x0; }
        float h() const { return y1 - y0; }
    };
    Box boxOf(int32_t id) {
        Box b;
        for (const PlotItem& it : sheet().items)
            if (it.pieceId == id)
                for (PointF q : it.points)
                    b.x0 = std::min(b.x0, q.x), b.y0 = std::min(b.y0, q.y), b.x1 = std::max(b.x1, q.x), b.y1 = std::max(b.y1, q.y);
        return b;
    }
    // The direction of the piece's inner line on the sheet.
    PointF innerOf(int32_t id) {
        for (const PlotItem& it : sheet().items)
            if (it.pieceId == id && it.kind() == kItemInner)
                return {it.points.back().x - it.points.front().x, it.points.back().y - it.points.front().y};
        return {};
    }
};

TEST_F(GradedToolsTest, SelectOutputLaysEverySizeSideBySideTurnedByTheDraggedLine) {
    eng->SetMode(157);
    click(px(8000, 6000));  // outside the part
    EXPECT_EQ(lastTone(), kToneRefused);
    EXPECT_TRUE(sheet().items.empty());
    EXPECT_EQ(doc.design.flags & kDesignGraded, 0u);

    // Dragged straight up: every size turned a quarter left, the design graded on the way.
    leftDown(px(2000, 2000));
    EXPECT_EQ(eng->step(), 1);
    moveTo(px(2000, 2500));
    leftUp(px(2000, 4000));
    EXPECT_EQ(eng->step(), 0);
    ASSERT_NE(doc.design.flags & kDesignGraded, 0u);
    EXPECT_EQ(lastTone(), kToneAccepted);
    EXPECT_EQ(sheet().nextPieceId, 6);
    for (int32_t id = 1; id <= 5; ++id) {
        const Box b = boxOf(id);
        ASSERT_LT(b.x0, b.x1) << id;
        if (id > 1) {
            EXPECT_GE(b.x0, boxOf(id - 1).x1 - 0.5f) << "sizes overlap";
        }
        // Turned: the part's 4000 × 2000 box stands upright, scaled by its size.
        const double sx = 1 + 0.02 * (id - 3), sy = 1 + 0.01 * (id - 3);
        EXPECT_NEAR(b.w(), 2000 * sy, 1.0) << id;
        EXPECT_NEAR(b.h(), 4000 * sx, 1.0) << id;
        const PointF dir = innerOf(id);
        EXPECT_NEAR(dir.x, 0, 1.0) << id;
        EXPECT_GT(dir.y, 0) << id;
    }

    // Shift along +x: layout 2 turns every second size round.
    leftDown(px(2000, 2000), kMkShift);
    leftUp(px(4000, 2000), kMkShift);
    EXPECT_EQ(sheet().nextPieceId, 11);
    for (int32_t id = 6; id <= 10; ++id) {
        const PointF dir = innerOf(id);
        EXPECT_NEAR(dir.y, 0, 1.0) << id;
        if ((id - 6) % 2) {
            EXPECT_LT(dir.x, 0) << id;
        } else {
            EXPECT_GT(dir.x, 0) << id;
        }
        if (id > 6) {
            EXPECT_GE(boxOf(id).x0, boxOf(id - 1).x1 - 0.5f) << "sizes overlap";
        }
    }

    // The lost activation cancels a drag: nothing is output.
    const size_t items = sheet().items.size();
    leftDown(px(2000, 2000));
    eng->ActivationLost();
    EXPECT_EQ(eng->step(), 0);
    leftUp(px(4000, 2000));
    EXPECT_EQ(sheet().items.size(), items);
}

TEST_F(GradedToolsTest, SingleOutputPutsOutTheSizeShownAndScanLinesAsPiecesOfTheirOwn) {
    eng->SetMode(172);
    click(px(8000, 6000));
    EXPECT_EQ(lastTone(), kToneRefused);
    EXPECT_TRUE(sheet().items.empty());

    // The first press grades; the base size goes out, unturned, as one sheet piece.
    click(px(2000, 2000));
    ASSERT_NE(doc.design.flags & kDesignGraded, 0u);
    EXPECT_EQ(lastTone(), kToneAccepted);
    EXPECT_EQ(sheet().nextPieceId, 2);
    Box b = boxOf(1);
    EXPECT_NEAR(b.w(), 4000, 0.5);
    EXPECT_NEAR(b.h(), 2000, 0.5);
    EXPECT_GT(innerOf(1).x, 0);
    // With the largest size shown (Page Up), that size.
    doc.design.baseIndex = 4;
    click(px(2000, 2000));
    EXPECT_EQ(sheet().nextPieceId, 3);
    b = boxOf(2);
    EXPECT_NEAR(b.w(), 4000 * 1.04, 0.5);
    EXPECT_NEAR(b.h(), 2000 * 1.02, 0.5);

    // A scan line of two polylines: two outline pieces, cut with the full-cut tool.
    doc.settings.displayFlags |= kDispScan;
    auto sl = std::make_unique<ScanLine>();
    sl->shape = {{{6000, 5000}, {7000, 5000}, {7000, 6000}, {6000, 5000}}, {{8000, 5000}, {9000, 5500}}};
    doc.scanLines.push_back(std::move(sl));
    eng->designChanged();
    const size_t before = sheet().items.size();
    click(px(6500, 5000));
    EXPECT_EQ(lastTone(), kToneAccepted);
    ASSERT_EQ(sheet().items.size(), before + 2);
    for (size_t k = 0; k < 2; ++k) {
        const PlotItem& it = sheet().items[before + k];
        EXPECT_EQ(it.kind(), kItemOutline);
        EXPECT_EQ(it.tool(), kToolFullCut);
        EXPECT_EQ(it.pieceId, int32_t(3 + k));
        EXPECT_EQ(it.points, doc.scanLines.back()->shape[k]);
    }
    EXPECT_EQ(sheet().nextPieceId, 5);
}

}  // namespace
}  // namespace rz::test
