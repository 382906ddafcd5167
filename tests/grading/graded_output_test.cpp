// Choosing what of a graded part or piece is output: roles against the matrix, the shared-die rule,
// label placeholders, fold reflections, the outline's start past the fold, features that follow
// their graded hosts, and pieces evaluated at a size without touching the design.
#include <algorithm>
#include <cmath>

#include "commands/features.h"
#include "design/pieces.h"
#include "grading/graded_output.h"
#include "grading_fixture.h"
#include "model/afterload.h"
#include "model/gbk.h"

namespace rz::test {
namespace {

const TSmooth kSmooth;

TEST(GradedOutput, RolesTheMatrixAndTheDieRule) {
    // Kind 0 and 1 give the marking forms while design bit 17 is clear; kinds 4–15 count as 0.
    EXPECT_EQ(OutputRole(0, 0), 1);
    EXPECT_EQ(OutputRole(0, kDesignMarginFullColour), 0);
    EXPECT_EQ(OutputRole(1, 0), 3);
    EXPECT_EQ(OutputRole(2, 0), 4);
    EXPECT_EQ(OutputRole(3, kDesignMarginFullColour), 5);
    EXPECT_EQ(OutputRole(9, 0), 1);
    EXPECT_EQ(OutputRole(0xF | 0x1300, kDesignMarginFullColour), 0);
    const Settings s;
    // Role 1 (划) by default: no pins, no motifs, no level box; labels, marks, texts and slots.
    for (int row : {kRowPins, kRowMotifs, kRowLevel}) EXPECT_FALSE(RowAllowed(s, 1, row)) << row;
    for (int row : {kRowLabels, kRowMarks, kRowTexts, kRowSlots}) EXPECT_TRUE(RowAllowed(s, 1, row)) << row;
    EXPECT_TRUE(RowAllowed(s, 0, kRowPins));
    EXPECT_FALSE(RowAllowed(s, 6, kRowPins));

    // Sizes 0–2 are one group standing for size 1; a 0 byte is no group.
    const std::optional<std::vector<uint8_t>> die = std::vector<uint8_t>{1, 0x81, 1, 0, 0};
    EXPECT_EQ(DieSizes(die, {0, 1, 2, 3, 4}, 5), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(DieSizes(std::vector<uint8_t>(5, 0), {0, 4}, 5), (std::vector<int>{0, 4}));
    EXPECT_EQ(DieSizes(std::nullopt, {2, 9}, 5), (std::vector<int>{2}));
    EXPECT_EQ(DieGroupRange(die, 1), (std::pair<int, int>{0, 2}));
    EXPECT_EQ(DieGroupRange(die, 4), (std::pair<int, int>{4, 4}));
}

TEST(GradedOutput, LabelPlaceholdersAreReplacedInOnePass) {
    Design d;
    SetSizes(d);
    Settings s;
    d.labelFormat = 1;
    LabelValues v = LabelValuesOf(d, s, {}, 1, 2026, 3, 9, std::vector<uint8_t>{1, 0x81, 1, 0, 0}, 1);
    EXPECT_EQ(v.roleLabel, "划");
    EXPECT_EQ(v.sizeText, "240-250");
    v.perimeter = 12.3456;
    v.lastLength = 100;
    EXPECT_EQ(GbkToUtf8(LabelText(Utf8ToGbk("前帮"), v)), "前帮;划240-250");
    EXPECT_EQ(GbkToUtf8(LabelText("", v)), "划240-250");
    EXPECT_EQ(GbkToUtf8(LabelText("#d #e #i#a#b#c #z", v)), "2026-3-9 周长:12.346 样长:100.00楦号:货号:客户: #z;划240-250");
    // With the "#" suffix the size text ends in "#": "#a" must not appear by rescanning.
    d.labelFormat = 0x81;
    v = LabelValuesOf(d, s, {}, 1, 0, 0, 0, std::nullopt, 2);
    EXPECT_EQ(GbkToUtf8(LabelText("##abc", v)), "划250#abc");
    // English and American sizes run on through the children's sizes.
    d.sizeSystem = 3;
    d.labelFormat = 1;
    v = LabelValuesOf(d, s, {}, 0, 0, 0, 0, std::nullopt, 2);
    EXPECT_EQ(GbkToUtf8(LabelText("##", v)), "做120");
}

TEST(GradedOutput, FoldReflectionsAndTheOutlineStart) {
    const auto axis = FoldAxisOf({{0, 1000}, {500, 1000}, {3000, 1000}});
    ASSERT_TRUE(axis);
    const PointF r = Reflect({5, 1200}, *axis);
    EXPECT_NEAR(r.x, 5, 1e-3);
    EXPECT_NEAR(r.y, 800, 1e-3);
    const auto diag = FoldAxisOf({{0, 0}, {10, 10}});
    const PointF q = Reflect({1, 0}, *diag);
    EXPECT_NEAR(q.x, 0, 1e-5);
    EXPECT_NEAR(q.y, 1, 1e-5);
    EXPECT_FALSE(FoldAxisOf({{1, 1}, {1, 1}}));  // no direction
    // Five points on, modulo the distinct points: short outlines never overrun.
    const Polyline square{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
    EXPECT_EQ(ShiftOutlineStart(square), (Polyline{{1, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}}));
    const Polyline tri{{0, 0}, {1, 0}, {0, 1}, {0, 0}};
    EXPECT_EQ(ShiftOutlineStart(tri), (Polyline{{0, 1}, {0, 0}, {1, 0}, {0, 1}}));
    const Polyline open{{0, 0}, {1, 0}, {2, 0}};
    EXPECT_EQ(ShiftOutlineStart(open), open);
}

TEST(GradedOutput, ThePartsItemsFollowTheRoleAndFoldTheirElements) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 0, 1000);  // on the fold line: it stays at x = 0 in every size
    AddLine(p.linesA, {{0, 0}, {4000, 0}, {4000, 2000}, {0, 2000}}, &b);
    Line& fold = AddLine(p.linesA, {{0, 2000}, {0, 0}}, &b);  // closes the outline
    fold.flags |= 1u << 17;
    Pin& pin = AddPin(p, 1000, 500, &b);
    pin.flags = kFlagFolds | 1u;
    AddMotif(p, 3000, 1500, &b).flags = 1u;  // does not fold
    auto label = std::make_unique<SizeLabel>();
    label->x = 2000, label->y = 1000, label->flags = 1u;
    p.sizeLabels.push_back(std::move(label));
    EvaluateAllLines(d, kSmooth);
    ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
    Settings s;
    d.labelFormat = 1;
    // Role 1: no pin, no motif; the label text names the role and the size.
    auto items = PartItemsAtSize(d, s, p, 3, nullptr);
    ASSERT_TRUE(items);
    auto count = [&](const std::string& src) {
        return std::count_if(items->begin(), items->end(), [&](const OutputItem& i) { return i.source == src; });
    };
    EXPECT_EQ(count("pin"), 0);
    EXPECT_EQ(count("motif"), 0);
    ASSERT_EQ(count("label"), 1);
    EXPECT_EQ(count("outline"), 1);
    for (const OutputItem& i : *items)
        if (i.source == "label") EXPECT_EQ(GbkToUtf8(i.text), "划255");
    // Role 0: the pin twice (mirrored in the fold line x = 0), the motif once.
    d.flags |= kDesignMarginFullColour;
    items = PartItemsAtSize(d, s, p, 3, nullptr);
    ASSERT_TRUE(items);
    ASSERT_EQ(count("pin"), 2);
    const OutputItem& a = *std::find_if(items->begin(), items->end(), [](auto& i) { return i.source == "pin" && !i.foldCopy; });
    const OutputItem& m = *std::find_if(items->begin(), items->end(), [](auto& i) { return i.source == "pin" && i.foldCopy; });
    EXPECT_NEAR(m.points[0].x, -a.points[0].x, 1e-2);
    EXPECT_NEAR(m.points[0].y, a.points[0].y, 1e-2);
    EXPECT_EQ(count("motif"), 1);  // without the fold bit: once
    EXPECT_FALSE(PartItemsAtSize(d, s, p, 7, nullptr));
}

// Every point of the items from `source`.
std::vector<PointF> PointsOf(const std::vector<OutputItem>& items, const std::string& source) {
    std::vector<PointF> v;
    for (const OutputItem& i : items)
        if (i.source == source) v.insert(v.end(), i.points.begin(), i.points.end());
    return v;
}

TEST(GradedOutput, SlotsMarksChamfersAndDimensionsFollowTheirGradedHosts) {
    Design d;
    SetSizes(d);
    d.flags |= kDesignMarginFullColour;  // role 0: every row but 水平
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 2000, 1000);
    AddLine(p.linesA, {{0, 0}, {4000, 0}, {4000, 2000}, {0, 2000}, {0, 0}}, &b);
    Line& across = AddLine(p.linesB, {{500, 1000}, {3500, 1000}}, &b);
    Line& upright = AddLine(p.linesB, {{3000, 200}, {3000, 1800}}, &b);
    Line& c1 = AddLine(p.linesB, {{500, 1500}, {1500, 1500}}, &b);
    Line& c2 = AddLine(p.linesB, {{1500, 1500}, {1500, 1900}}, &b);
    Pin& left = AddPin(p, 1000, 500, &b);
    Pin& right = AddPin(p, 3000, 500, &b);
    auto slot = std::make_unique<SlotLine>();
    slot->host = {&across, kKindLine};
    slot->f = {0.25f, 0.75f, 0.0f, 120.0f, 1.0f};
    slot->flags = 2u;
    p.slotLines.push_back(std::move(slot));
    auto mark = std::make_unique<Mark>();
    mark->host1 = {&upright, kKindLine};
    mark->host2 = {&across, kKindLine};
    mark->f0 = 0.2f, mark->depth = 200, mark->width = 100, mark->flags = 3u;
    p.marks.push_back(std::move(mark));
    auto ch = std::make_unique<Chamfer>();
    ch->host1 = {&c1, kKindLine};
    ch->host2 = {&c2, kKindLine};
    ch->radius = 200;
    ch->flags = 1u | kChamferFirstEnd | kChamferSecondStart;
    p.chamfers.push_back(std::move(ch));
    auto dim = std::make_unique<Dimension>();
    dim->ref1 = {&left, kKindPin};
    dim->ref2 = {&right, kKindPin};
    dim->text = kDimAutoText;
    p.dimensions.push_back(std::move(dim));
    EvaluateAllLines(d, kSmooth);
    RebuildPartFeatures(p);
    ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
    const std::vector<uint8_t> before = Saved(d);
    Settings s;
    for (int i : {0, 2, 4}) {
        SCOPED_TRACE(i);
        const double fx = 1 + 0.02 * (i - 2), fy = 1 + 0.01 * (i - 2);
        auto items = PartItemsAtSize(d, s, p, i, nullptr);
        ASSERT_TRUE(items);
        // The slot spans the middle half of its host at this size, as wide as it was.
        const std::vector<PointF> sl = PointsOf(*items, "slot_line");
        ASSERT_FALSE(sl.empty());
        float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
        for (PointF q : sl) x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
        EXPECT_NEAR(x1 - x0, 1500 * fx, 0.5);
        EXPECT_NEAR((x0 + x1) / 2, 2000, 0.5);
        EXPECT_NEAR(y1 - y0, 120, 0.5);
        // The mark's V lies at the crossing of its graded hosts.
        const PointF cross{float(2000 + 1000 * fx), 1000};
        const std::vector<PointF> mk = PointsOf(*items, "mark");
        ASSERT_FALSE(mk.empty());
        for (PointF q : mk) EXPECT_LE(std::hypot(q.x - cross.x, q.y - cross.y), 300.0f);
        // The pen-cut chamfer rounds the graded corner within its radius.
        const PointF corner{float(2000 - 500 * fx), float(1000 + 500 * fy)};
        const std::vector<PointF> cf = PointsOf(*items, "chamfer");
        ASSERT_GE(cf.size(), 2u);
        for (PointF q : cf) EXPECT_LE(std::hypot(q.x - corner.x, q.y - corner.y), 200.0f * std::sqrt(2.0f) + 1);
        // The dimension measures the graded pins: its extent along x grows with them.
        const std::vector<PointF> dm = PointsOf(*items, "dimension");
        ASSERT_FALSE(dm.empty());
        bool reachesLeft = false, reachesRight = false;
        for (PointF q : dm) {
            reachesLeft = reachesLeft || std::fabs(q.x - float(2000 - 1000 * fx)) < 1;
            reachesRight = reachesRight || std::fabs(q.x - float(2000 + 1000 * fx)) < 1;
        }
        EXPECT_TRUE(reachesLeft && reachesRight);
        for (const OutputItem& it : *items) {
            if (it.source == "slot_line") {
                EXPECT_EQ(it.kind, 5);
                EXPECT_EQ(it.tool, 2);
            }
            if (it.source == "mark") {
                EXPECT_EQ(it.kind, 7);
                EXPECT_EQ(it.tool, 3);
            }
            if (it.source == "chamfer") {
                EXPECT_EQ(it.kind, 6);
                EXPECT_EQ(it.tool, 1);
            }
        }
    }
    // The matrix still decides: without 槽线 and 字串 no slot and no dimension; a chamfer cut by the
    // knife is not drawn.
    s.outputMatrix[0][kRowSlots] = 0;
    s.outputMatrix[0][kRowTexts] = 0;
    p.chamfers.front()->flags = 3u | kChamferFirstEnd | kChamferSecondStart;
    auto items = PartItemsAtSize(d, s, p, 1, nullptr);
    ASSERT_TRUE(items);
    EXPECT_TRUE(PointsOf(*items, "slot_line").empty());
    EXPECT_TRUE(PointsOf(*items, "dimension").empty());
    EXPECT_TRUE(PointsOf(*items, "chamfer").empty());
    EXPECT_FALSE(PointsOf(*items, "mark").empty());
    p.chamfers.front()->flags = 1u | kChamferFirstEnd | kChamferSecondStart;
    EXPECT_EQ(Saved(d), before);  // generating items leaves the design as it was
}

// A rectangle part of four straight lines A whose left side (x = 0) is a piece's fold line; the
// base point stands on it, so the fold stays at x = 0 in every size.
struct PieceAtSizeTest : ::testing::Test {
    Design d;
    Part* part = nullptr;
    Piece* piece = nullptr;
    Pin* pin = nullptr;
    void SetUp() override {
        SetSizes(d);
        d.flags |= kDesignMarginFullColour;
        d.labelFormat = 1;
        part = &d.firstPart();
        BasePoint& b = AddBase(*part, 0, 1000);
        AddLine(part->linesA, {{0, 0}, {4000, 0}}, &b);
        AddLine(part->linesA, {{4000, 0}, {4000, 2000}}, &b);
        AddLine(part->linesA, {{4000, 2000}, {0, 2000}}, &b);
        AddLine(part->linesA, {{0, 2000}, {0, 0}}, &b);
        Line& inner = AddLine(part->linesB, {{1000, 1000}, {3000, 1000}}, &b);
        pin = &AddPin(*part, 1000, 500, &b);
        EvaluateAllLines(d, kSmooth);
        auto pc = std::make_unique<Piece>();
        pc->flags = 0;
        for (auto& l : part->linesA) {
            auto pl = std::make_unique<PieceLine>();
            pl->source = {l.get(), kKindLine};
            pl->flags = 3u;
            pc->linesA.push_back(std::move(pl));
        }
        for (size_t k = 0; k < 4; ++k) {
            pc->linesA[k]->nextSeg = pc->linesA[(k + 1) % 4].get();
            pc->linesA[k]->prevSeg = pc->linesA[(k + 3) % 4].get();
        }
        pc->linesA[3]->flags |= kPieceLineFoldLine;
        auto in = std::make_unique<PieceLine>();
        in->source = {&inner, kKindLine};
        in->flags = 2u;
        pc->linesB.push_back(std::move(in));
        auto m = std::make_unique<PieceMember>();
        m->element = {pin, kKindPin};
        m->memberWord = kFlagFolds;
        pc->members.push_back(std::move(m));
        auto label = std::make_unique<SizeLabel>();
        label->x = 2000, label->y = 1500, label->flags = 1u;
        pc->sizeLabels.push_back(std::move(label));
        d.pieces.push_back(std::move(pc));
        piece = d.pieces.back().get();
        AssemblePiece(d, *piece);
        ASSERT_TRUE(piece->flags & kPieceClosed);
        ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
    }
};

TEST_F(PieceAtSizeTest, APieceFollowsItsSourcesSizeBySizeAndFoldsItsMembers) {
    const std::vector<uint8_t> before = Saved(d);
    const Polyline baseOutline = piece->outline;
    Settings s;
    for (int i = 0; i < d.n; ++i) {
        SCOPED_TRACE(i);
        const double fx = 1 + 0.02 * (i - 2), fy = 1 + 0.01 * (i - 2);
        auto items = PieceItemsAtSize(d, s, *piece, i, nullptr);
        ASSERT_TRUE(items);
        // The outline is the base outline scaled about the base point, its start moved past the
        // fold; the fold line is cut with its own kind.
        const std::vector<PointF> o = PointsOf(*items, "outline");
        ASSERT_EQ(o.size(), 5u);
        EXPECT_NE(o.front(), baseOutline.front());
        for (PointF q : o) {
            EXPECT_TRUE(std::fabs(q.x) < 0.5 || std::fabs(q.x - 4000 * fx) < 0.5) << q.x;
            EXPECT_TRUE(std::fabs(q.y - (1000 - 1000 * fy)) < 0.5 || std::fabs(q.y - (1000 + 1000 * fy)) < 0.5) << q.y;
        }
        // The member pin stands where its graded copy does, and once more mirrored in x = 0.
        const Pin* graded = GradedCopyAt(*pin, i);
        ASSERT_TRUE(graded);
        std::vector<PointF> pins = PointsOf(*items, "member_pin");
        ASSERT_EQ(pins.size(), 2u);
        EXPECT_NEAR(pins[0].x, graded->x, 1e-3);
        EXPECT_NEAR(pins[0].y, graded->y, 1e-3);
        EXPECT_NEAR(pins[1].x, -graded->x, 0.5);
        EXPECT_NEAR(pins[1].y, graded->y, 0.5);
        // The inner line with its own cut kind; the label names the size.
        for (const OutputItem& it : *items) {
            if (it.source == "line") {
                EXPECT_EQ(it.tool, 2);
                EXPECT_NEAR(PolyLength(it.points), 2000 * fx, 0.5);
            }
            if (it.source == "fold_line") EXPECT_EQ(it.tool, 3);
            if (it.source == "label") EXPECT_EQ(GbkToUtf8(it.text), "做" + std::to_string(240 + 5 * i));
        }
    }
    // The marking form cuts along the margins: a 1 mm margin on the bottom line moves it down.
    piece->linesA[0]->f[0] = -100.0f;
    d.flags &= ~kDesignMarginFullColour;
    auto items = PieceItemsAtSize(d, s, *piece, 2, nullptr);
    ASSERT_TRUE(items);
    float lowest = 1e9f;
    for (PointF q : PointsOf(*items, "outline")) lowest = std::min(lowest, q.y);
    EXPECT_NEAR(std::fabs(lowest), 100, 0.5);
    piece->linesA[0]->f[0] = 0.0f;
    d.flags |= kDesignMarginFullColour;
    EXPECT_EQ(Saved(d), before);
    EXPECT_EQ(piece->outline, baseOutline);
    // A size outside the run, or a design without results, gives nothing.
    EXPECT_FALSE(PieceItemsAtSize(d, s, *piece, d.n, nullptr));
    ClearGrading(d);
    EXPECT_FALSE(PieceItemsAtSize(d, s, *piece, 0, nullptr));
}

}  // namespace
}  // namespace rz::test
