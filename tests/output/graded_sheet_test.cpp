// Graded parts and pieces onto a sheet: one piece id per size, the die rule, sizes side by side
// without overlap, every second size turned in layout 2, and each size in the sheet's corner.
#include <gtest/gtest.h>

#include <cmath>

#include "geom/smooth.h"
#include "design/pieces.h"
#include "grading/engine.h"
#include "model/gbk.h"
#include "model/xie.h"
#include "model/afterload.h"
#include "output/graded_sheet.h"

namespace rz {
namespace {

struct GradedSheetTest : ::testing::Test {
    Design d;
    Settings s;
    SheetSettings block;
    std::unique_ptr<PLTC> sheet;
    Part* part = nullptr;

    void SetUp() override {
        d.flags = kDesignMarginFullColour;
        d.rangeFrom = 240, d.rangeTo = 260, d.step = 5, d.baseSize = 250;
        d.baseParams = {100.0f, 100.0f, 2.0f, 1.0f};
        part = &d.firstPart();
        auto b = std::make_unique<BasePoint>();
        b->x = 2000, b->y = 1000;
        BasePoint* base = b.get();
        part->basePoints.push_back(std::move(b));
        auto add = [&](List<Line>& list, std::vector<PointF> pts) {
            auto l = std::make_unique<Line>();
            for (PointF q : pts) l->nodes.push_back({q.x, q.y, 0});
            l->flags = 4u << kLineMethodShift;
            l->basePoint = base;
            list.push_back(std::move(l));
        };
        add(part->linesA, {{0, 0}, {4000, 0}, {4000, 2000}, {0, 2000}, {0, 0}});
        add(part->linesB, {{500, 500}, {3500, 500}});  // runs left to right
        EvaluateAllLines(d, TSmooth{});
        ASSERT_TRUE(GradeDesign(d, TSmooth{}).ok);
        sheet = std::make_unique<PLTC>(block);
    }
    struct Box {
        float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
    };
    Box boxOf(int32_t id) const {
        Box b;
        for (const PlotItem& it : sheet->items)
            if (it.pieceId == id)
                for (PointF p : it.points)
                    b.x0 = std::min(b.x0, p.x), b.y0 = std::min(b.y0, p.y), b.x1 = std::max(b.x1, p.x), b.y1 = std::max(b.y1, p.y);
        return b;
    }
    PointF innerDirection(int32_t id) const {
        for (const PlotItem& it : sheet->items)
            if (it.pieceId == id && it.kind() == kItemInner) return {it.points.back().x - it.points.front().x, it.points.back().y - it.points.front().y};
        return {};
    }
};

TEST_F(GradedSheetTest, SizesLieSideBySideWithOwnPieceIdsAndLayoutTwoTurnsEverySecond) {
    GradedOutputOptions o;
    o.layout = 2;
    GradedOutputLog log;
    const int first = OutputPartSizes(*sheet, d, s, *part, {0, 1, 2, 3, 4}, o, &log);
    EXPECT_EQ(first, 0);
    ASSERT_EQ(log.pieces.size(), 5u);
    EXPECT_EQ(sheet->nextPieceId, 6);
    const float W = sheet->area().w;
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(log.pieces[size_t(k)].pieceId, k + 1);
        const Box b = boxOf(k + 1);
        EXPECT_GE(b.x0, W - 1e-3f);
        if (k > 0) EXPECT_GT(b.x0, boxOf(k).x1) << "sizes overlap";
        const PointF dir = innerDirection(k + 1);
        if (k % 2) EXPECT_LT(dir.x, 0.0f) << k;  // turned by 180°
        else EXPECT_GT(dir.x, 0.0f) << k;
    }
    // Larger sizes are wider.
    EXPECT_GT(boxOf(5).x1 - boxOf(5).x0, boxOf(1).x1 - boxOf(1).x0);
    EXPECT_EQ(sheet->dirty, 1);
}

TEST_F(GradedSheetTest, TheDieRuleSkipsSizesAndTheCornerFlagPlacesEachSizeAtTheCorner) {
    part->sharedDie = std::vector<uint8_t>{1, 0x81, 1, 0, 0};
    GradedOutputOptions o;
    o.corner = true;
    GradedOutputLog log;
    OutputPartSizes(*sheet, d, s, *part, {0, 1, 2, 3, 4}, o, &log);
    ASSERT_EQ(log.pieces.size(), 3u);
    EXPECT_EQ(log.pieces[0].size, 1);
    EXPECT_EQ(log.skipped, (std::vector<int>{0, 2}));
    const WorkRange a = sheet->area();
    for (const auto& pc : log.pieces) {
        const Box b = boxOf(pc.pieceId);
        EXPECT_NEAR(b.x1, a.w, 0.5);
        EXPECT_NEAR(b.y1, a.h, 0.5);
    }
    // The outline keeps the part's tool and pieces per pair.
    for (const PlotItem& it : sheet->items)
        if (it.kind() == kItemOutline) {
            EXPECT_EQ(it.tool(), kToolFullCut);
            EXPECT_EQ(it.pen(), PenSlot(block, kToolFullCut));
            EXPECT_EQ(it.flags & 0xF000u, part->flags & 0xF000u);
        }
}

TEST_F(GradedSheetTest, APieceTakesTheDieRuleAndLabelsItsGroupWithoutChangingTheDesign) {
    // A piece of the whole outline line, with a size label; sizes 0–2 share size 1's die.
    auto pc = std::make_unique<Piece>();
    pc->flags = 0;
    auto pl = std::make_unique<PieceLine>();
    pl->source = {part->linesA.front().get(), kKindLine};
    pl->flags = 3u;
    pl->prevSeg = pl->nextSeg = pl.get();
    pc->linesA.push_back(std::move(pl));
    auto label = std::make_unique<SizeLabel>();
    label->x = 2000, label->y = 1500, label->flags = 1u;
    pc->sizeLabels.push_back(std::move(label));
    pc->sharedDie = std::vector<uint8_t>{1, 0x81, 1, 0, 0};
    d.pieces.push_back(std::move(pc));
    Piece& piece = *d.pieces.back();
    AssemblePiece(d, piece);
    ASSERT_TRUE(piece.flags & kPieceClosed);
    d.labelFormat = 1;
    const std::vector<uint8_t> before = WriteXie(d);
    sheet->nextPieceId = 7;
    GradedOutputOptions o;
    o.corner = true;
    o.layout = 2;  // a piece is never turned: layouts belong to 选片输出 of parts
    GradedOutputLog log;
    EXPECT_EQ(OutputPieceSizes(*sheet, d, s, piece, {0, 1, 2, 3, 4}, o, &log), 0);
    ASSERT_EQ(log.pieces.size(), 3u);
    EXPECT_EQ(log.skipped, (std::vector<int>{0, 2}));
    EXPECT_EQ(sheet->nextPieceId, 10);
    const WorkRange a = sheet->area();
    const char* texts[] = {"做240-250", "做255", "做260"};
    for (size_t k = 0; k < 3; ++k) {
        const auto& lp = log.pieces[k];
        EXPECT_EQ(lp.pieceId, int32_t(7 + k));
        const Box b = boxOf(lp.pieceId);
        EXPECT_NEAR(b.x1, a.w, 0.5);
        EXPECT_NEAR(b.y1, a.h, 0.5);
        int labels = 0;
        for (const OutputItem& it : lp.items)
            if (it.source == "label" && !it.text.empty()) {
                EXPECT_EQ(GbkToUtf8(it.text), texts[k]);
                ++labels;
            }
        EXPECT_EQ(labels, 1);
        for (size_t n = 0; n < lp.itemCount; ++n) EXPECT_EQ(sheet->items[lp.firstItem + n].pieceId, lp.pieceId);
    }
    // The box of size 4 is the base box scaled by 1.04 in x.
    const Box b4 = boxOf(9);
    EXPECT_NEAR(b4.x1 - b4.x0, 4000 * 1.04, 0.5);
    EXPECT_EQ(WriteXie(d), before);
}

TEST_F(GradedSheetTest, APageGoesOutPartByPartAndPiecesWithoutAnOutlineAreNamed) {
    // A second part on page 1 and a hidden one on page 0; on the pieces page a piece without
    // an outline in slot 4.
    auto add = [&](int page, bool hidden) {
        auto q = std::make_unique<Part>();
        q->flags = (q->flags & ~kPartPageMask) | uint32_t(page) | (hidden ? kFlagHidden : 0u);
        d.parts.push_back(std::move(q));
    };
    add(1, false);
    add(0, true);
    std::vector<int> each;
    std::vector<size_t> before;  // the items on the sheet when each outline was highlighted
    GradedOutputOptions o;
    const auto one = OutputPage(
        *sheet, d, s, 0, false, {2}, o, [&] { each.push_back(int(sheet->items.size())); },
        [&](const Polyline& outline) {
            EXPECT_EQ(outline, part->outline);
            before.push_back(sheet->items.size());
        });
    EXPECT_EQ(one.sources, 1);  // the hidden part is left out
    EXPECT_EQ(each.size(), 1u);
    // Highlighted before its output, announced after it.
    ASSERT_EQ(before.size(), 1u);
    EXPECT_EQ(before[0], 0u);
    EXPECT_GT(each[0], 0);
    const auto all = OutputPage(*sheet, d, s, 0, true, {2}, o);
    EXPECT_EQ(all.sources, 2);  // the batch takes every page's visible parts
    auto pc = std::make_unique<Piece>();
    pc->slot = 3;
    d.pieces.push_back(std::move(pc));
    const size_t items = sheet->items.size();
    const auto pieces = OutputPage(*sheet, d, s, 3, false, {0, 1}, o);
    EXPECT_EQ(pieces.sources, 0);
    EXPECT_EQ(pieces.noOutline, (std::vector<int>{4}));
    EXPECT_EQ(sheet->items.size(), items);
    EXPECT_EQ(NoOutlineMessage({4, 7}), "第 4,7, 分片外轮廓线有问题，需重新提取！");
    EXPECT_EQ(NoOutlineMessage({}), "");
}

}  // namespace
}  // namespace rz
