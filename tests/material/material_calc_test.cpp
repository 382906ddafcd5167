// 算料 of pieces on a sheet: hand counts, the record's stored form, the placed area at the
// sheet's edges, and crafted or damaged records that must be refused without hanging.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "geom/polyline.h"
#include "interact/scene.h"
#include "material/calc.h"
#include "output/cutfile.h"
#include "output/material_record.h"

namespace rz {
namespace {

constexpr float kHideW = 140000, kHideH = 100000;  // 1米革

PlotItem Outline(int32_t id, Polyline pts, int perPair = 2) {
    PlotItem it;
    it.points = std::move(pts);
    it.pieceId = id;
    it.setKind(kItemOutline);
    it.setTool(kToolFullCut);
    it.setPieceCount(perPair);
    return it;
}

Polyline RectAt(float x, float y, float w, float h) { return {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}}; }
Polyline TrapezoidAt(float x, float y) { return {{x, y}, {x + 10000, y}, {x + 5000, y + 5000}, {x, y + 5000}, {x, y}}; }

struct Sheet {
    ItemList items;
    std::vector<MaterialRecord> records;
    // 排刀 accepted untouched, then 算料.
    MaterialCalc nestAndCalc(int32_t id, int mode, float W = kHideW, float H = kHideH, float angle = 0) {
        auto start = StartNest(items[size_t(PieceOutlineIndex(items, id))], mode, angle, W, H, 200);
        EXPECT_TRUE(start.has_value());
        if (!start) return {};
        AcceptNest(items, records, id, start->rec, angle);
        return CalculateMaterial(items, *FindMaterial(records, id));
    }
};

TEST(MaterialCalc, HandCountsOfRectangleAndTrapezoid) {
    Sheet s;
    s.items.push_back(Outline(1, RectAt(1000, 1000, 10000, 5000), 3));
    s.items.push_back(Outline(2, TrapezoidAt(20000, 1000)));
    const MaterialCalc r = s.nestAndCalc(1, 1);
    ASSERT_TRUE(r.refused.empty()) << r.refused;
    EXPECT_EQ(r.rec.rows, 20);
    EXPECT_EQ(r.rec.largestRow, 14);
    EXPECT_EQ(r.kept.size(), 260u);
    EXPECT_NEAR(r.fig.perSheet, 260, 0.01);
    EXPECT_NEAR(r.fig.utilisation, 260 * r.area / (kHideW * kHideH) * 100, 0.01);
    EXPECT_NEAR(r.fig.usagePerPair, 3 * r.area / r.placed, 1e-9);
    EXPECT_FLOAT_EQ(DecodeMaterial(*FindMaterial(s.records, 1)).usage, float(r.fig.usagePerPiece));
    EXPECT_EQ(DecodeMaterial(*FindMaterial(s.records, 1)).piecesPerPair(), 3);
    // The rectangle's cell is filled; the trapezoid's is three quarters upright, whole when
    // every partner is turned, and the turned-row mode shows the upright figure.
    EXPECT_NEAR(r.cellUtilisation, 100, 0.1);
    EXPECT_NEAR(s.nestAndCalc(2, 1).cellUtilisation, 75, 0.1);
    EXPECT_NEAR(s.nestAndCalc(2, 2).cellUtilisation, 100, 0.1);
    EXPECT_NEAR(s.nestAndCalc(2, 3).cellUtilisation, 75, 0.1);
    // Modes 1 and 3 step rows independently; in mode 2 the second-row step is the row step.
    const MaterialFields m2 = DecodeMaterial(*FindMaterial(s.records, 2));
    EXPECT_EQ(m2.mode(), 3);
    EXPECT_EQ(s.nestAndCalc(2, 2).rec.U, s.nestAndCalc(2, 2).rec.R);
    // Both pieces have records: the total is the sum of 片数 × usage.
    auto total = TotalUsage(s.items, s.records);
    ASSERT_TRUE(total.has_value());
    EXPECT_NEAR(total->usagePerPair,
                3 * DecodeMaterial(s.records[0]).usage + 2 * DecodeMaterial(s.records[1]).usage, 1e-6);
    EXPECT_EQ(ResultMessage(kHideW, kHideH, 0.0115384615), "规格：1.40 x 1.00(平米)\n每双总用量：0.011538");
    EXPECT_EQ(ResultLine(r).rfind("规格:1.40x1.00(平米);片数:260.", 0), 0u) << ResultLine(r);
}

TEST(MaterialCalc, EdgesOfTheSheet) {
    Sheet s;
    s.items.push_back(Outline(1, RectAt(0, 0, 10000, 5000)));
    // Wider than the sheet: nothing kept, 0 everywhere.
    const MaterialCalc wide = s.nestAndCalc(1, 1, 8000, 50000);
    ASSERT_TRUE(wide.refused.empty());
    EXPECT_EQ(wide.kept.size(), 0u);
    EXPECT_EQ(wide.fig.perSheet, 0);
    EXPECT_EQ(wide.fig.utilisation, 0);
    EXPECT_EQ(wide.fig.usagePerPiece, 0);
    // Hand-placed copies on a 30000 × 20000 sheet.
    const NestShapes sh = PrepareNestShapes(RectAt(0, 0, 10000, 5000), 0);
    const double A = 50000000;
    std::vector<NestCopy> copies = {
        {{0, -1000}},    // below the lower edge: counts with its part above it (4000 high)
        {{25000, 0}},    // crosses the right edge: does not count
        {{-10, 6000}},   // crosses the left edge: does not count
        {{10000, 17000}},  // crosses the upper edge: counts with its part below it (3000 high)
        {{10000, 20000}},  // wholly above: does not count
        {{20000, 6000}},   // wholly inside: the piece area
    };
    const double placed = PlacedArea(sh, copies, 30000, 20000, A);
    EXPECT_EQ(copies.size(), 3u);
    EXPECT_NEAR(placed, 10000.0 * 4000 + 10000.0 * 3000 + A, 1e5);
    // A copy taller than the sheet crosses both edges: only its part between them counts.
    std::vector<NestCopy> tall = {{{0, -1000}}};
    const NestShapes tallShape = PrepareNestShapes(RectAt(0, 0, 10000, 30000), 0);
    EXPECT_NEAR(PlacedArea(tallShape, tall, 30000, 20000, 3e8), 10000.0 * 20000, 1e5);
}

TEST(MaterialCalc, StoredRecordsRoundTripAndAreReplacedInPlace) {
    MaterialFields f;
    f.flags = 0x3011;
    f.pieceId = 7;
    f.rows = 20, f.largestRow = 14;
    f.pairAnchor = {1, 2}, f.pairPt = {3, 4}, f.rowAnchor = {5, 6}, f.rowPt = {7, 8};
    f.row2Anchor = {9, 10}, f.row2Pt = {11, 12}, f.J = {13, 14}, f.M = {15, 0}, f.R = {17, 18}, f.U = {19, 20};
    f.W = 140000, f.H = 91440, f.margin = 100, f.usage = 0.25f;
    const MaterialRecord r = EncodeMaterial(f);
    EXPECT_EQ(DecodeMaterial(r), f);
    EXPECT_EQ(f.mode(), 3);
    EXPECT_EQ(f.piecesPerPair(), 4);
    float w;
    std::memcpy(&w, r.data() + 96, 4);
    EXPECT_EQ(w, 140000.0f);
    EXPECT_EQ(r[4], 7);
    EXPECT_EQ(r[12], 14);

    // A cut file keeps the records in order; the link word only says whether another follows.
    Sheet s;
    s.items.push_back(Outline(1, RectAt(0, 0, 10000, 5000)));
    s.items.push_back(Outline(2, TrapezoidAt(20000, 0)));
    s.nestAndCalc(1, 1);
    s.nestAndCalc(2, 2);
    CutFileContent back = ReadCutFile(WriteCutFile(s.items, s.records));
    ASSERT_EQ(back.material.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        MaterialFields a = DecodeMaterial(back.material[i]), b = DecodeMaterial(s.records[i]);
        a.link = b.link = 0;
        EXPECT_EQ(a, b);
    }
    // Ctrl+排刀 starts afresh; accepting replaces the piece's record where it stands.
    s.nestAndCalc(1, 3);
    ASSERT_EQ(s.records.size(), 2u);
    EXPECT_EQ(DecodeMaterial(s.records[0]).pieceId, 1);
    EXPECT_EQ(DecodeMaterial(s.records[0]).mode(), 3);
}

TEST(MaterialCalc, CalculationDerivesTheVectorsFromTheHandles) {
    Sheet s;
    s.items.push_back(Outline(1, TrapezoidAt(3000, 3000)));
    const MaterialCalc good = s.nestAndCalc(1, 2);
    // Vectors stored for another outline (ids restart, a turned accept) do not count.
    MaterialFields f = DecodeMaterial(s.records[0]);
    f.J = {1, 0}, f.M = {3, 7}, f.R = {-50, -50}, f.U = {0, 0};
    s.records[0] = EncodeMaterial(f);
    const MaterialCalc again = CalculateMaterial(s.items, s.records[0]);
    ASSERT_TRUE(again.refused.empty());
    EXPECT_EQ(again.kept.size(), good.kept.size());
    EXPECT_DOUBLE_EQ(again.placed, good.placed);

    // A turned accept turns the piece on the sheet; 算料 lays the turned outline out upright.
    Sheet t;
    t.items.push_back(Outline(4, RectAt(0, 0, 10000, 5000)));
    PlotItem inner;
    inner.points = {{1000, 1000}, {2000, 1000}};
    inner.pieceId = 4;
    inner.setKind(kItemInner);
    t.items.push_back(inner);
    const MaterialCalc turned = t.nestAndCalc(4, 1, kHideW, kHideH, float(M_PI / 2));
    ASSERT_TRUE(turned.refused.empty());
    EXPECT_NEAR(t.items[0].points[0].x, 7500, 0.01);  // turned about the box centre (5000, 2500)
    EXPECT_NEAR(t.items[1].points[0].x, 6500, 0.01);
    EXPECT_NEAR(turned.shapes.w, 5000, 1);
    EXPECT_NEAR(turned.shapes.h, 10000, 1);
}

TEST(MaterialCalc, DamagedRecordsAndDegenerateInputsAreRefused) {
    Sheet s;
    s.items.push_back(Outline(1, RectAt(0, 0, 10000, 5000)));
    s.items.push_back(Outline(2, {{0, 0}, {5000, 0}, {5000, 5000}}));  // open: no area
    auto start = StartNest(s.items[0], 1, 0, kHideW, kHideH, 200);
    ASSERT_TRUE(start.has_value());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto crafted = [&](auto edit) {
        MaterialFields f = start->rec;
        f.pieceId = 1;
        edit(f);
        MaterialRecord r = EncodeMaterial(f);
        return CalculateMaterial(s.items, r);
    };
    EXPECT_FALSE(crafted([](MaterialFields& f) { f = MaterialFields{}; f.pieceId = 1; }).refused.empty());
    EXPECT_FALSE(crafted([](MaterialFields& f) { f.pairPt = f.pairAnchor; }).refused.empty());  // handle on its anchor
    EXPECT_FALSE(crafted([](MaterialFields& f) { f.rowPt = {f.rowAnchor.x + 3, f.rowAnchor.y}; }).refused.empty());
    EXPECT_FALSE(crafted([&](MaterialFields& f) { f.row2Pt.y = nan; }).refused.empty());
    EXPECT_FALSE(crafted([](MaterialFields& f) { f.W = 0; }).refused.empty());
    EXPECT_FALSE(crafted([](MaterialFields& f) { f.H = -5; }).refused.empty());
    EXPECT_FALSE(crafted([&](MaterialFields& f) { f.W = nan; }).refused.empty());
    // A row handle dragged level with its anchor: the rows never come clear of each other.
    EXPECT_FALSE(crafted([](MaterialFields& f) { f.rowPt = {f.rowAnchor.x + 20000, f.rowAnchor.y}; }).refused.empty());
    // The outline without area is refused before any layout.
    MaterialFields open = start->rec;
    open.pieceId = 2;
    MaterialRecord r2 = EncodeMaterial(open);
    EXPECT_EQ(CalculateMaterial(s.items, r2).refused, "the outline is not closed");

    // The layout itself refuses vectors that would never end or flood the sheet.
    const NestShapes sh = PrepareNestShapes(s.items[0].points, 0);
    std::vector<NestCopy> copies;
    MaterialFields f = start->rec;
    f.R = {0, -100}, f.U = {0, 50};  // rows going down
    EXPECT_FALSE(LayoutSheet(sh, f, kHideW, kHideH, copies));
    f = start->rec, f.M = {-20000, 0};
    EXPECT_FALSE(LayoutSheet(sh, f, kHideW, kHideH, copies));
    f = start->rec, f.M = {10, 0}, f.R = {0, 5}, f.U = {0, 5};
    EXPECT_FALSE(LayoutSheet(sh, f, kHideW, kHideH, copies));  // 10⁸ copies
    f = start->rec, f.J = {nan, 0};
    EXPECT_FALSE(LayoutSheet(sh, f, kHideW, kHideH, copies));
    PointF out{1, 1};
    EXPECT_FALSE(ContactAlong({0, 0}, [](PointF) { return true; }, 1e4f, out));
    EXPECT_FALSE(ContactAlong({20, 0}, [](PointF) { return true; }, 1e4f, out));  // never clear
    EXPECT_EQ(out, (PointF{1, 1}));
    // Nothing on the sheet has a record: the total is 0; a piece without one shows nothing.
    EXPECT_EQ(TotalUsage({}, {})->usagePerPair, 0);
    EXPECT_FALSE(TotalUsage(s.items, {}).has_value());
    EXPECT_EQ(FiguresOf(0, 0, 0, 0, 2).usagePerPair, 0);
}

TEST(MaterialCalc, PartnerLeftOrAboveStillGivesASoundColumn) {
    for (PointF offset : {PointF{-10100, 0}, PointF{0, 5100}, PointF{-4000, 6000}}) {
        const NestShapes sh = PrepareNestShapes(TrapezoidAt(0, 0), 0);
        MaterialFields rec;
        rec.setMode(2);
        Lattice l;
        ASSERT_TRUE(BuildLattice(sh, rec, true, l));
        rec.pairPt = {rec.pairAnchor.x + offset.x, rec.pairAnchor.y + offset.y};
        ASSERT_TRUE(BuildLattice(sh, rec, false, l));
        // The column holds base and partner side by side: at least a piece wide, never a flood.
        EXPECT_GE(rec.M.x, sh.w);
        std::vector<NestCopy> copies;
        ASSERT_TRUE(LayoutSheet(sh, rec, 60000, 40000, copies));
        EXPECT_LT(copies.size(), 400u);
    }
}

TEST(MaterialCalc, ResultReplacesTheEarlierOneOnTheOtherSheet) {
    Sheet s;
    s.items.push_back(Outline(1, RectAt(0, 0, 10000, 5000)));
    const MaterialCalc c = s.nestAndCalc(1, 1, 40000, 30000);
    ItemList other;
    other.push_back(Outline(1, RectAt(0, 0, 100, 100)));
    int next = 2;
    WriteMaterialResult(other, next, c, 1, nullptr);
    WriteMaterialResult(other, next, c, 1, nullptr);
    EXPECT_EQ(next, 4);
    ASSERT_EQ(other.size(), 2 + c.kept.size());
    EXPECT_EQ(other[0].flags & kItemResult, 0u);  // the sheet's own item stays
    for (size_t i = 1; i < other.size(); ++i) {
        EXPECT_EQ(other[i].pieceId, 3);
        EXPECT_TRUE(other[i].flags & kItemResult);
        EXPECT_EQ(other[i].kind(), i == 1 ? kItemOutline : kItemInner);
        EXPECT_EQ(other[i].pen(), 1);
    }
}

}  // namespace
}  // namespace rz
