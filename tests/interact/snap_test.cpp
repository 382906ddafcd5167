#include <random>

#include "engine_fixture.h"

namespace rz {
namespace {

using test::EngineTest;

// A scene in which every snap rule on its own finds something around the cursor (5000, 3000),
// the window pixel (500, 400); the snap square is ±80 units at 8 pixels.
struct SnapTest : EngineTest {
    const PointF cursor{5000, 3000};
    const PointF prev{5040, 500};  // previous traced node

    void SetUp() override {
        EngineTest::SetUp();
        doc.settings.displayFlags |= kDispGrid | kDispScan;
        doc.settings.gridUnit = 1010;
        auto sl = std::make_unique<ScanLine>();
        sl->shape = {{{5070, 2000}, {5070, 4000}}};
        doc.scanLines.push_back(std::move(sl));
        Part& p = part();
        addBase(p, 4950, 3060);
        addLine(p, {{3000, 2950}, {7000, 2950}}, true);  // L1: foot, midpoint, nearest point
        addLine(p, {{4980, 3070}, {4980, 6000}});        // L2: an end point
        addLine(p, {{4900, 2900}, {5100, 3100}});        // L3: crosses L1 at (4950, 2950)
        addLine(p, {{6000, 6000}, {5010, 3010}, {6000, 500}});
    }
    SnapResult snap(uint32_t bits, PixelPoint at, bool withPrev = true, uint32_t mods = 0) {
        SnapRequest r;
        r.px = at;
        r.bits = bits;
        r.mods = mods;
        r.rangePx = SnapRangePx(doc.settings);
        if (withPrev) r.prevNode = prev;
        return SnapPoint(doc, vs.view, r);
    }
    SnapResult snap(uint32_t bits) { return snap(bits, px(cursor.x, cursor.y)); }
};

struct RuleCase {
    uint32_t bit;
    SnapRule rule;
    PointF expect;
};
// In priority order.
const std::vector<RuleCase> kRules = {
    {kSnapImage, SnapRule::Image, {5070, 3000}},
    {kSnapVertical, SnapRule::HorizVert, {5040, 3000}},
    {kSnapGrid, SnapRule::Grid, {5050, 3030}},
    {kSnapIsolated, SnapRule::Isolated, {4950, 3060}},
    {kSnapFoot, SnapRule::Foot, {5040, 2950}},
    {kSnapEnd, SnapRule::End, {4980, 3070}},
    {kSnapCross, SnapRule::Cross, {4950, 2950}},
    {kSnapMid, SnapRule::Mid, {5000, 2950}},
    {kSnapNode, SnapRule::Node, {4980, 3070}},
    {kSnapLine, SnapRule::Line, {5000, 2950}},
};

TEST_F(SnapTest, EachRuleOnItsOwn) {
    for (const auto& c : kRules) {
        SnapResult r = snap(c.bit);
        EXPECT_EQ(r.rule, c.rule) << c.bit;
        EXPECT_NEAR(r.model.x, c.expect.x, 0.01f) << c.bit;
        EXPECT_NEAR(r.model.y, c.expect.y, 0.01f) << c.bit;
        EXPECT_EQ(r.px, vs.view.toWindow(r.model)) << c.bit;
    }
    EXPECT_FALSE(snap(0).snapped());
    EXPECT_EQ(snap(0).model, cursor);
}

TEST_F(SnapTest, EveryRuleBeatsTheRulesBelowItAndLosesToThoseAbove) {
    for (size_t i = 0; i < kRules.size(); ++i)
        for (size_t j = i + 1; j < kRules.size(); ++j)
            EXPECT_EQ(snap(kRules[i].bit | kRules[j].bit).rule, kRules[i].rule) << i << " over " << j;
    uint32_t all = 0;
    for (auto it = kRules.rbegin(); it != kRules.rend(); ++it) {
        all |= it->bit;
        EXPECT_EQ(snap(all).rule, it->rule);
    }
}

TEST_F(SnapTest, ConditionsOfTheRules) {
    // The image rule wants scan lines shown and no modifier key.
    EXPECT_EQ(snap(kSnapImage | kSnapLine, px(5000, 3000), true, kMkCtrl).rule, SnapRule::Line);
    doc.settings.displayFlags &= ~kDispScan;
    EXPECT_EQ(snap(kSnapImage | kSnapLine).rule, SnapRule::Line);
    // Horizontal, vertical and the foot need a traced node.
    EXPECT_EQ(snap(kSnapVertical | kSnapFoot | kSnapLine, px(5000, 3000), false).rule, SnapRule::Line);
    // No grid snapping while the grid is hidden.
    doc.settings.displayFlags &= ~kDispGrid;
    EXPECT_FALSE(snap(kSnapGrid).snapped());
}

TEST_F(SnapTest, GridUnitsThatCannotMakeAGrid) {
    for (float unit : {0.0f, -1000.0f, std::nanf(""), std::numeric_limits<float>::infinity(), 1e-30f}) {
        doc.settings.gridUnit = unit;
        SnapResult r = snap(kSnapGrid);
        EXPECT_TRUE(std::isfinite(r.model.x) && std::isfinite(r.model.y)) << unit;
        if (!(unit > 0.0f) || std::isinf(unit)) {
            EXPECT_FALSE(r.snapped()) << unit;
        }
    }
    // A tiny unit still snaps to its nearest multiple, the cursor itself.
    doc.settings.gridUnit = 1e-30f;
    EXPECT_EQ(snap(kSnapGrid).model, cursor);
    doc.settings.gridUnit = 1e30f;
    EXPECT_FALSE(snap(kSnapGrid).snapped());  // the nearest grid point is the far-away origin
}

TEST_F(SnapTest, HorizontalAndVerticalTogetherSnapOntoTheNode) {
    PixelPoint P = px(prev.x, prev.y);
    SnapResult r = snap(kSnapHorizontal | kSnapVertical | kSnapGrid, {P.x + 7, P.y - 7});
    EXPECT_EQ(r.rule, SnapRule::HorizVert);
    EXPECT_EQ(r.model, prev);
    EXPECT_EQ(r.px, P);
    // Only one axis within range: only that coordinate follows the node.
    r = snap(kSnapHorizontal | kSnapVertical, {P.x + 8, P.y - 7});
    EXPECT_EQ(r.model.y, prev.y);
    EXPECT_EQ(r.model.x, vs.view.toModel(P.x + 8, 0).x);
    EXPECT_FALSE(snap(kSnapHorizontal, {P.x, P.y - 8}).snapped());
}

TEST_F(SnapTest, EndPointComesBeforeANearerNode) {
    Part& p = part(1);
    doc.design.parts.erase(doc.design.parts.begin());  // only this part
    addLine(p, {{1000, 1000}, {1060, 1000}, {2000, 1000}});
    SnapResult r = snap(kSnapEnd | kSnapNode, px(1050, 1000));
    EXPECT_EQ(r.rule, SnapRule::End);
    EXPECT_EQ(r.model, (PointF{1000, 1000}));
    EXPECT_EQ(snap(kSnapNode, px(1050, 1000)).model, (PointF{1000, 1000}));  // first in node order
}

TEST_F(SnapTest, RangesArePixelsAtEveryZoom) {
    Part& p = part(1);
    doc.design.parts.erase(doc.design.parts.begin());
    addLine(p, {{0, 0}, {2000, 0}});
    for (int zoomIns = 0; zoomIns < 5; ++zoomIns) {
        float s = vs.view.s;
        PixelPoint end = px(2000, 0);
        // Seven pixels away snaps, eight does not (the square is ±8 pixels wide).
        EXPECT_EQ(snap(kSnapEnd, {end.x + 7, end.y}).rule, SnapRule::End) << s;
        EXPECT_EQ(snap(kSnapEnd, {end.x, end.y - 7}).rule, SnapRule::End) << s;
        EXPECT_FALSE(snap(kSnapEnd, {end.x + 9, end.y}).snapped()) << s;
        RectF r = RangeRect({0, 0}, 8, vs.view);
        EXPECT_NEAR(r.maxX * s, 8.0f, 1e-3f);
        vs.view.zoomBy(kZoomIn, ZoomAnchor::Cursor, end);
    }
    doc.settings.snapRange = 16;
    PixelPoint end = px(2000, 0);
    EXPECT_TRUE(snap(kSnapEnd, {end.x + 15, end.y}).snapped());
    // Ranges outside the settings dialog's limits are brought back into them.
    doc.settings.snapRange = 0;
    EXPECT_EQ(SnapRangePx(doc.settings), 1);
    doc.settings.snapRange = 1000;
    EXPECT_EQ(SnapRangePx(doc.settings), 16);
    doc.settings.pickRange = -3;
    EXPECT_EQ(PickRangePx(doc.settings), 1);
}

TEST_F(SnapTest, IntersectionMustBeTheFirstOneFoundInTheSquare) {
    doc.design.parts.clear();
    Part& p = part(0);
    // The first two touching lines cross far away first (outside the square), then near.
    addLine(p, {{0, 0}, {4000, 4000}, {8000, 0}});
    addLine(p, {{0, 1000}, {8000, 1000}});
    addLine(p, {{4000, 0}, {4000, 8000}});
    // Around (4000, 4000): line 1 touches, line 2 does not, line 3 does: (4000, 4000).
    SnapResult r = snap(kSnapCross, px(4010, 3990));
    EXPECT_EQ(r.rule, SnapRule::Cross);
    EXPECT_NEAR(r.model.x, 4000, 0.01f);
    EXPECT_NEAR(r.model.y, 4000, 0.01f);
    // Lines of different parts are not intersected.
    doc.design.parts.clear();
    addLine(part(0), {{0, 0}, {8000, 8000}});
    addLine(part(1), {{0, 8000}, {8000, 0}});
    EXPECT_FALSE(snap(kSnapCross, px(4000, 4000)).snapped());
}

TEST_F(SnapTest, HiddenPartsAndOtherPagesAreNotSnappedTo) {
    part().flags |= kFlagHidden;
    EXPECT_FALSE(snap(kSnapEnd | kSnapNode | kSnapLine | kSnapIsolated).snapped());
    part().flags &= ~kFlagHidden;
    part().setPage(1);
    EXPECT_FALSE(snap(kSnapLine).snapped());
    doc.setCurrentPage(1);
    EXPECT_TRUE(snap(kSnapLine).snapped());
}

TEST_F(SnapTest, TheMarkerFollowsTheSnappedPoint) {
    eng->Command(34065);  // 线条吸附
    int redraws = platform.redraws;
    moveTo(px(5000, 3000));
    ASSERT_TRUE(eng->markerShown);
    EXPECT_EQ(eng->markerPx, px(5000, 2950));
    EXPECT_EQ(eng->model, (PointF{5000, 2950}));
    EXPECT_EQ(platform.redraws, redraws + 1);
    moveTo(px(5000, 3000));  // the same snapped pixel: nothing to redraw
    EXPECT_EQ(platform.redraws, redraws + 1);
    RecordingCanvas c;
    EXPECT_TRUE(eng->overlay(c));
    ASSERT_EQ(c.calls.size(), 1u);
    PixelPoint m = eng->markerPx;
    EXPECT_EQ(c.calls[0].colour, kSnapMarkerColour);
    EXPECT_EQ(c.calls[0].pts, (std::vector<PixelPoint>{{m.x - 5, m.y - 6}, {m.x + 5, m.y - 6},
                                                        {m.x - 5, m.y + 6}, {m.x + 5, m.y + 6},
                                                        {m.x - 5, m.y - 6}}));
    moveTo({50, 50});  // nothing near: the marker goes
    EXPECT_FALSE(eng->markerShown);
    EXPECT_EQ(platform.redraws, redraws + 2);
    moveTo(px(5000, 3000));
    eng->Command(34065);  // switching the rule off removes the marker
    EXPECT_FALSE(eng->markerShown);
    eng->Command(34062);
    eng->Command(34137);  // 关闭吸附
    EXPECT_EQ(eng->snapBits, 0u);
}

TEST_F(SnapTest, ModeHandlersGetTheSnappedPoint) {
    PointF got;
    PixelPoint gotPx;
    ModeHandlers h;
    h.leftPress = [&](Engine&, const Pointer& p) {
        got = p.model;
        gotPx = p.px;
        return true;
    };
    eng->setHandlers(31, h);
    eng->Command(32891);
    eng->Command(34062);  // 端点吸附
    leftDown(px(4990, 3060));
    EXPECT_EQ(got, (PointF{4980, 3070}));
    EXPECT_EQ(gotPx, px(4980, 3070));
    EXPECT_EQ(eng->model, got);
}

// The boxes of the index only skip what cannot be near: results equal the plain walk.
TEST_F(EngineTest, IndexedSnapAndPickEqualThePlainWalk) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(0, 10000), v(0, 7000), step(-300, 300);
    for (int pi = 0; pi < 6; ++pi) {
        Part& p = part(pi);
        for (int li = 0; li < 25; ++li) {
            Polyline pl;
            PointF q{u(rng), v(rng)};
            for (int k = 0; k < 12; ++k) pl.push_back(q), q = {q.x + step(rng), q.y + step(rng)};
            addLine(p, pl, li % 3 == 0);
        }
        for (int k = 0; k < 5; ++k) addPin(p, u(rng), v(rng));
        p.outline = {{0, 0}, {10000, 0}, {10000, 7000}, {0, 0}};
    }
    part(3).linesB[4]->flags |= kFlagHidden;
    part(4).flags |= kFlagHidden;
    doc.settings.displayFlags |= kDispGrid;
    GeomIndex idx;
    idx.build(doc.design, 0);
    ASSERT_TRUE(idx.matches(doc.design, 0));
    std::uniform_int_distribution<int> bx(0, 999), by(0, 699);
    int snapped = 0, picked = 0;
    for (int i = 0; i < 3000; ++i) {
        PixelPoint at{bx(rng), by(rng)};
        uint32_t bits = 1u << (i % 11);
        if (i % 7 == 0) bits = kSnapAll;
        SnapRequest r{at, 0, bits, 8 + i % 9, PointF{u(rng), v(rng)}};
        SnapResult a = SnapPoint(doc, vs.view, r), b = SnapPoint(doc, vs.view, r, &idx);
        ASSERT_EQ(a.rule, b.rule) << i;
        ASSERT_EQ(a.model, b.model) << i;
        snapped += a.snapped();
        PickOptions o;
        o.halfWidth = 5 + i % 90;
        PickResult pa = PickAt(doc, vs.view.toModel(at.x, at.y), kPickElements | kPickPart, o);
        o.index = &idx;
        PickResult pb = PickAt(doc, vs.view.toModel(at.x, at.y), kPickElements | kPickPart, o);
        ASSERT_EQ(pa, pb) << i;
        picked += pa.kind == kKindLineA || pa.kind == kKindLineB;
    }
    EXPECT_GT(snapped, 300);  // the comparison covered real hits
    EXPECT_GT(picked, 100);
    // A re-evaluated line (a new point buffer) makes the index stale.
    part(0).linesB[0]->eval = Polyline{{1, 1}, {2, 2}};
    EXPECT_FALSE(idx.matches(doc.design, 0));
    EXPECT_FALSE(idx.matches(doc.design, 1));
}

TEST_F(EngineTest, TheEngineRebuildsItsIndexAfterARedraw) {
    Line& l = addLine(part(), {{0, 0}, {1000, 0}});
    eng->Command(34062);
    moveTo(px(1000, 0));
    EXPECT_EQ(eng->model, (PointF{1000, 0}));
    // A mode moves the points in place and redraws: the snap sees the new place.
    for (auto& q : l.eval) q.y += 3000;
    eng->redraw();
    moveTo(px(1000, 3000));
    EXPECT_EQ(eng->model, (PointF{1000, 3000}));
}

}  // namespace
}  // namespace rz
