// Scripted traces through the engine: the records, flags, nodes and tones each button gives.
#include "draw_fixture.h"

#include <cmath>

#include "model/integrity.h"

namespace rz::test {
namespace {

using T = std::vector<int>;

TEST_F(DrawTest, SecondPressAtTheSameSpotIsRefused) {
    command(kCurveCommand);
    click(1000, 1000);
    click(1000, 1000);
    click(1030, 1000);  // within the 0.5 mm join distance of the first node
    EXPECT_EQ(eng->traced.size(), 1u);
    EXPECT_EQ(takeTones(), (T{kToneAccepted, kToneRefused, kToneRefused}));
    EXPECT_EQ(platform.status[5], "描入   1");
}

TEST_F(DrawTest, ClosedOutlineInEmptySpaceGetsExactlyOneClosingNode) {
    size_t before = doc.design.parts.size();
    Part& p = squarePart(1000, 1000, 2000);
    ASSERT_EQ(doc.design.parts.size(), before + 1);
    ASSERT_EQ(p.linesA.size(), 1u);
    EXPECT_TRUE(p.linesB.empty());
    const Line& l = *p.linesA[0];
    EXPECT_EQ(points(l), (std::vector<PointF>{{1000, 1000}, {3000, 1000}, {3000, 3000}, {1000, 3000}, {1000, 1000}}));
    EXPECT_EQ(l.flags & kLineEdgeMask, 3u);
    EXPECT_EQ(l.curveMethod(), kCurvePolyline);
    EXPECT_FALSE(l.eval.empty());
    EXPECT_EQ(l.colour, kNewLineColour);
    EXPECT_EQ(int((l.flags >> kLineWidthShift) & 0xF), doc.settings.defaultLineWidth);
    EXPECT_EQ(p.page(), doc.currentPage());
    EXPECT_GE(p.outline.size(), 5u);
    EXPECT_TRUE(eng->traced.empty());
    EXPECT_FALSE((eng->tracingPart != nullptr));
    EXPECT_EQ(doc.undo.stored(), 1);
    EXPECT_EQ(doc.design.modified, 1);
    // The new part is found under a point inside it.
    EXPECT_EQ(PartAt(doc.design, doc.currentPage(), {2000, 2000}, false), &p);
}

TEST_F(DrawTest, LastNodeNearTheFirstIsMovedOntoItNotDoubled) {
    command(kCurveCommand);
    click(1000, 1000);
    click(3000, 1000);
    click(3000, 3000);
    click(1020, 1010);  // the user aims at the start
    rightClick(1020, 1010);
    Part& p = *doc.design.parts.back();
    ASSERT_EQ(p.linesA.size(), 1u);
    auto pts = points(*p.linesA[0]);
    ASSERT_EQ(pts.size(), 4u);
    EXPECT_EQ(pts.back(), (PointF{1000, 1000}));
    EXPECT_NE(pts[2], pts[3]);
}

TEST_F(DrawTest, VertexTwiceChainsOneOutlineThatFinishClosesToTheFirstNode) {
    command(kCurveCommand);
    click(1000, 1000);
    click(2000, 1000);
    click(3000, 1000, kMkShift);  // 顶点
    Part* p = eng->tracingPart;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(eng->traced.size(), 1u);
    EXPECT_EQ(eng->traced[0].pt(), (PointF{3000, 1000}));
    click(3000, 3000, kMkShift);
    EXPECT_EQ(p->linesA.size(), 2u);
    EXPECT_EQ(doc.undo.stored(), 0) << "nothing is recorded while the outline is open";
    // A node on the outline's first node is refused while the outline is open.
    click(1000, 1000);
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    click(1000, 3000);
    rightClick(1000, 3000);
    ASSERT_EQ(p->linesA.size(), 3u);
    EXPECT_EQ(points(*p->linesA[2]), (std::vector<PointF>{{3000, 3000}, {1000, 3000}, {1000, 1000}}));
    EXPECT_FALSE((eng->tracingPart != nullptr));
    EXPECT_EQ(doc.undo.stored(), 1);
    for (auto& l : p->linesA) EXPECT_EQ(l->flags & kLineEdgeMask, 3u);
}

TEST_F(DrawTest, LinesInsideAPartBecomeLinesBWithTheirKindsType) {
    Part& p = squarePart(1000, 1000, 4000);
    command(32865);  // 直线
    click(1500, 1500);
    click(2500, 1500);
    rightClick(2500, 1500);
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(p.linesB[0]->curveMethod(), kCurvePolyline);
    EXPECT_EQ(p.linesB[0]->flags & kLineEdgeMask, 1u);
    // 圆弧: every third node finishes an arc and the next starts at its end.
    command(32866);
    click(1500, 3000);
    click(2000, 3500);
    click(2500, 3000);
    ASSERT_EQ(p.linesB.size(), 2u);
    EXPECT_EQ(p.linesB[1]->curveMethod(), kCurveArc3);
    ASSERT_EQ(eng->traced.size(), 1u);
    EXPECT_EQ(eng->traced[0].pt(), (PointF{2500, 3000}));
    click(3000, 2500);
    click(3500, 3000);
    ASSERT_EQ(p.linesB.size(), 3u);
    EXPECT_EQ(p.linesB[2]->nodes.front().pt(), (PointF{2500, 3000}));
    // A line that starts outside but crosses into the part belongs to it; with the input
    // option the 边线 setting is 3.
    trace().inputOptions = kInputOptionEdge3;
    command(kCurveCommand);
    eng->traced.clear();
    click(500, 2000);
    click(2000, 2000, kMkCtrl);  // 角点
    click(2000, 2500);
    rightClick(2000, 2500);
    ASSERT_EQ(p.linesB.size(), 4u);
    EXPECT_EQ(p.linesB[3]->flags & kLineEdgeMask, 3u);
    EXPECT_TRUE(p.linesB[3]->nodes[1].isBreak());
    EXPECT_EQ(doc.design.parts.size(), 2u) << "no new part";
}

TEST_F(DrawTest, EscapeKeepsTheFirstNodeThenDropsIt) {
    command(kCurveCommand);
    click(1000, 1000);
    click(2000, 1000);
    click(3000, 1500);
    takeTones();
    EXPECT_TRUE(key(key::Escape));
    ASSERT_EQ(eng->traced.size(), 1u);
    EXPECT_EQ(eng->traced[0].pt(), (PointF{1000, 1000}));
    EXPECT_EQ(takeTones(), (T{kToneBack}));
    EXPECT_EQ(eng->mode(), mode::Trace);
    // One node, no outline: dropped, nothing made.
    size_t parts = doc.design.parts.size();
    EXPECT_TRUE(key(key::Escape));
    EXPECT_TRUE(eng->traced.empty());
    EXPECT_EQ(doc.design.parts.size(), parts);
    EXPECT_EQ(doc.undo.stored(), 0);
    // Empty buffer: the key is the engine's (leaves the mode).
    key(key::Escape);
    EXPECT_EQ(eng->mode(), 0);
}

TEST_F(DrawTest, EscapeWithOneNodeOfAnOpenOutlineClosesIt) {
    command(kCurveCommand);
    click(1000, 1000);
    click(3000, 1000, kMkShift);
    Part* p = eng->tracingPart;
    ASSERT_NE(p, nullptr);
    key(key::Escape);
    EXPECT_FALSE((eng->tracingPart != nullptr));
    ASSERT_EQ(p->linesA.size(), 2u);
    EXPECT_EQ(points(*p->linesA[1]), (std::vector<PointF>{{3000, 1000}, {1000, 1000}}));
    EXPECT_EQ(doc.undo.stored(), 1);
}

TEST_F(DrawTest, TakeBackDropsNodesThenStepsBackIntoTheOpenOutline) {
    command(kCurveCommand);
    click(1000, 1000);
    click(3000, 1000);
    click(3000, 3000, kMkShift);
    Part* p = eng->tracingPart;
    ASSERT_NE(p, nullptr);
    click(1000, 3000);
    takeTones();
    rightClick(1000, 3000, kMkAlt);  // 退点 with two nodes
    EXPECT_EQ(eng->traced.size(), 1u);
    // With one node left the outline's last line comes back into the buffer.
    rightClick(1000, 3000, kMkAlt);
    EXPECT_EQ(takeTones(), (T{kToneBack, kToneBack}));
    EXPECT_EQ(eng->traced.size(), 3u);
    EXPECT_EQ(eng->traced.back().pt(), (PointF{3000, 3000}));
    // It was the only outline line of an otherwise empty part: the part is gone.
    EXPECT_EQ(doc.design.parts.size(), 1u);
    EXPECT_FALSE((eng->tracingPart != nullptr));
    EXPECT_TRUE(AllReferencesInside(doc.design));
    // Finishing again makes the part anew, closed once.
    rightClick(3000, 3000);
    ASSERT_EQ(doc.design.parts.size(), 2u);
    EXPECT_EQ(points(*doc.design.parts[1]->linesA[0]).size(), 4u);
}

TEST_F(DrawTest, TakeBackOnAnEmptyBufferReopensLinesBThenTheOutline) {
    Part& p = squarePart(1000, 1000, 4000);
    command(32865);
    click(1500, 1500);
    click(2500, 1500);
    rightClick(2500, 1500);
    ASSERT_EQ(p.linesB.size(), 1u);
    takeTones();
    rightClick(2000, 2000, kMkAlt);
    EXPECT_TRUE(p.linesB.empty());
    EXPECT_EQ(eng->traced.size(), 2u);
    EXPECT_EQ(eng->inputKind(), kInputCurve) << "a reopened line is traced on as a curve";
    EXPECT_EQ(eng->model, (PointF{2500, 1500}));
    EXPECT_EQ(takeTones(), (T{kToneBack}));
    key(key::Escape);
    key(key::Escape);
    ASSERT_TRUE(eng->traced.empty());
    // No lines B: the outline's last line, without its closing node; the part re-enters the
    // new-outline state because it still holds a pin.
    command(32867);
    click(2000, 2000);
    ASSERT_EQ(p.pins.size(), 1u);
    command(kCurveCommand);
    rightClick(2000, 2000, kMkAlt);
    EXPECT_TRUE(p.linesA.empty());
    EXPECT_EQ(eng->traced.size(), 4u);
    EXPECT_EQ(p.pins.size(), 1u) << "the part's other records stay";
    EXPECT_EQ(doc.design.parts.size(), 2u);
    EXPECT_EQ(eng->tracingPart, &p);
    rightClick(1000, 5000);
    ASSERT_EQ(p.linesA.size(), 1u);
    EXPECT_EQ(points(*p.linesA[0]).size(), 5u);
    EXPECT_EQ(points(*p.linesA[0]).back(), (PointF{1000, 1000}));
    // Nothing to reopen: empty space.
    takeTones();
    rightClick(8000, 6000, kMkAlt);
    EXPECT_EQ(takeTones(), (T{kToneRefused}));
}

TEST_F(DrawTest, ReopeningALineClearsEveryReferenceToItAndPurgesDependants) {
    Part& p = squarePart(1000, 1000, 4000);
    command(kCurveCommand);
    click(1500, 2000);
    click(2500, 2200);
    click(3500, 2000);
    rightClick(3500, 2000);
    command(32865);
    click(1500, 4000);
    click(3500, 4000);
    rightClick(3500, 4000);
    ASSERT_EQ(p.linesB.size(), 2u);
    Line* first = p.linesB[0].get();
    Line* last = p.linesB[1].get();
    auto slot = std::make_unique<SlotLine>();
    slot->host = {last, kKindLine};
    p.slotLines.push_back(std::move(slot));
    auto mark = std::make_unique<Mark>();
    mark->host1 = {first, kKindLine};
    mark->host2 = {last, kKindLine};
    p.marks.push_back(std::move(mark));
    auto dim = std::make_unique<Dimension>();
    dim->ref2 = {last, kKindLine};
    p.dimensions.push_back(std::move(dim));
    auto sa = std::make_unique<SeamAllowance>();
    sa->baseLine = last;
    p.seamAllowances.push_back(std::move(sa));
    auto link = std::make_unique<SymLineLink>();
    link->target = {p.seamAllowances.back().get(), kKindSeamAllowance};
    link->master = first;
    p.symLineLinks.push_back(std::move(link));
    first->frontSym = last;
    auto piece = std::make_unique<Piece>();
    auto pl = std::make_unique<PieceLine>();
    pl->source = {last, kKindLine};
    piece->linesA.push_back(std::move(pl));
    doc.design.pieces.push_back(std::move(piece));

    rightClick(2000, 3000, kMkAlt);  // reopens the last line B
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(p.linesB[0].get(), first) << "the other lines stay";
    EXPECT_TRUE(p.slotLines.empty());
    EXPECT_TRUE(p.marks.empty());
    EXPECT_TRUE(p.seamAllowances.empty());
    EXPECT_TRUE(p.symLineLinks.empty()) << "its target went with the seam allowance";
    ASSERT_EQ(p.dimensions.size(), 1u);
    EXPECT_EQ(p.dimensions[0]->ref2.ptr, nullptr);
    EXPECT_EQ(first->frontSym, nullptr);
    EXPECT_EQ(doc.design.pieces[0]->linesA[0]->source.ptr, nullptr);
    EXPECT_EQ(p.linesA.size(), 1u);
    EXPECT_TRUE(AllReferencesInside(doc.design));
    // The curve kind: the method of the settings.
    EXPECT_EQ(first->curveMethod(), doc.settings.defaultCurveMethod);
}

TEST_F(DrawTest, RightPressOnAnEmptyBufferReopensTheLineUnderTheCursorFromTheNearerEnd) {
    Part& p = squarePart(1000, 1000, 4000);
    command(32865);
    click(1500, 2000);
    click(2500, 2000);
    click(3500, 2000);
    rightClick(3500, 2000);
    ASSERT_EQ(p.linesB.size(), 1u);
    takeTones();
    rightClick(1600, 2000);  // near the start: reversed, tracing goes on from the start
    EXPECT_TRUE(p.linesB.empty());
    ASSERT_EQ(eng->traced.size(), 3u);
    EXPECT_EQ(eng->traced.back().pt(), (PointF{1500, 2000}));
    EXPECT_EQ(takeTones(), (T{kToneBack}));
    rightClick(1500, 2000);
    ASSERT_EQ(p.linesB.size(), 1u);
    // The line now runs from 3500 to 1500; a hit near its end keeps the order.
    EXPECT_EQ(p.linesB[0]->nodes.front().pt(), (PointF{3500, 2000}));
    rightClick(1600, 2000);
    EXPECT_EQ(eng->traced.front().pt(), (PointF{3500, 2000}));
    EXPECT_EQ(eng->traced.back().pt(), (PointF{1500, 2000}));
    rightClick(1500, 2000);
    takeTones();
    rightClick(2500, 3500);  // no line within 5 pixels
    EXPECT_EQ(takeTones(), (T{kToneRefused}));
}

TEST_F(DrawTest, SpaceDialogPlacesTheNodeByDistanceAndAngleOrByOffsets) {
    command(32865);
    click(1000, 1000);
    moveTo(2000, 1000);
    platform.dialogValues.push_back({10.0, 90.0, 0.0, 0.0, 0.0});  // 10 mm at 90°
    EXPECT_TRUE(key(key::Space));
    ASSERT_EQ(eng->traced.size(), 2u);
    EXPECT_NEAR(eng->traced[1].x, 1000.0f, 0.01f);
    EXPECT_NEAR(eng->traced[1].y, 2000.0f, 0.01f);
    EXPECT_EQ(platform.dialogTitles.back(), "定点条件");
    platform.dialogValues.push_back({0.0, 0.0, 5.0, -2.5, 1.0});
    key(key::Space);
    ASSERT_EQ(eng->traced.size(), 3u);
    EXPECT_NEAR(eng->traced[2].x, 1500.0f, 0.01f);
    EXPECT_NEAR(eng->traced[2].y, 1750.0f, 0.01f);
    EXPECT_FALSE(trace().lastSpacePolar);
    key(key::Space);  // cancelled: nothing
    EXPECT_EQ(eng->traced.size(), 3u);
}

TEST_F(DrawTest, PinsNotchesAndTextsArePlacedOnThePartUnderThePoint) {
    Part& p = squarePart(1000, 1000, 4000);
    takeTones();
    command(32867);  // 定针
    click(2000, 2000);
    ASSERT_EQ(p.pins.size(), 1u);
    EXPECT_EQ(p.pins[0]->diameter, doc.settings.needleDiameter);
    EXPECT_TRUE(p.pins[0]->flags & kFlagFolds);
    EXPECT_FALSE(p.pins[0]->outline.empty());
    click(8000, 6000);  // no part
    EXPECT_EQ(takeTones(), (T{kToneAccepted, kToneRefused}));
    int stored = doc.undo.stored();
    rightClick(2000, 2000);  // for the point kinds the right press is 退点
    EXPECT_TRUE(p.pins.empty());
    rightClick(2000, 2000);
    EXPECT_EQ(takeTones(), (T{kToneBack, kToneRefused}));
    EXPECT_EQ(doc.undo.stored(), stored + 1);

    command(32869);  // 牙尖: onto the outline
    click(1100, 3000);
    ASSERT_EQ(p.notches.size(), 1u);
    EXPECT_NEAR(p.notches[0]->x, 1000.0f, 1.0f);
    EXPECT_EQ(p.notches[0]->depth, doc.settings.markDepth);
    EXPECT_FLOAT_EQ(p.notches[0]->angle, doc.settings.notchAngle);

    command(34090);  // 字串
    click(2000, 3000);  // no text dialog: cancelled, nothing
    EXPECT_TRUE(p.texts.empty());
    trace().askText = [](std::string& s) {
        s = "AB";
        return true;
    };
    click(2000, 3000);
    ASSERT_EQ(p.texts.size(), 1u);
    EXPECT_EQ(p.texts[0]->text, "AB");
    EXPECT_EQ(p.texts[0]->x, 2000.0f);
}

TEST_F(DrawTest, SizeLabelsBasePointsAndDirections) {
    Part& p = squarePart(1000, 1000, 4000);
    doc.design.baseSize = 245;
    int dialogs = 0;
    trace().sizeLabelDialog = [&](Part&) { ++dialogs; };
    command(34087);  // 鞋号
    click(2000, 2000);
    click(2500, 2500);  // the part has one: only the dialog
    ASSERT_EQ(p.sizeLabels.size(), 1u);
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(p.sizeLabels[0]->colour, PageLabelColour(p.page()));

    command(32868);  // 水平
    takeTones();
    click(2000, 2000);  // no base point yet
    EXPECT_EQ(takeTones(), (T{kToneRefused}));
    click(2000, 2000, kMkCtrl);
    ASSERT_EQ(p.basePoints.size(), 1u);
    EXPECT_EQ(p.basePoints[0]->owner, nullptr);
    // Every further base point hangs from the first and follows its direction.
    click(4000, 4000, kMkCtrl);
    ASSERT_EQ(p.basePoints.size(), 2u);
    EXPECT_EQ(p.basePoints[1]->owner, p.basePoints[0].get());
    EXPECT_TRUE(p.basePoints[1]->flags & kBaseFollowsOwner);
    // A press on the first and a drag up sets its direction.
    eng->OnLeftDown(ev(Button::Left, px(2000, 2000)));
    eng->OnMouseMove(ev(Button::None, px(2000, 3000)));
    eng->OnLeftUp(ev(Button::Left, px(2000, 3000)));
    EXPECT_NEAR(p.basePoints[0]->direction, 1.5707963f, 1e-3);
}

TEST_F(DrawTest, MotifsAreDraggedIntoPlaceOrAddedAsLines) {
    Part& p = squarePart(1000, 1000, 4000);
    command(32870);  // 图案
    click(2000, 2000);  // no motif cell
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    trace().currentMotif = [] { return std::optional<Shape>(Shape{{{-100, -100}, {100, -100}, {0, 100}, {-100, -100}}}); };
    click(2000, 2000);
    ASSERT_EQ(p.motifs.size(), 1u);
    EXPECT_EQ(p.motifs[0]->x, 2000.0f);
    EXPECT_TRUE(p.motifs[0]->flags & kFlagFolds);
    size_t lines = p.linesB.size();
    click(3000, 3000, kMkCtrl);
    EXPECT_EQ(p.motifs.size(), 1u);
    ASSERT_EQ(p.linesB.size(), lines + 1);
    EXPECT_EQ(p.linesB.back()->nodes.front().pt(), (PointF{2900, 2900}));
    rightClick(2000, 2000);  // 退点 removes the last motif
    EXPECT_TRUE(p.motifs.empty());
}

TEST_F(DrawTest, TheDigitizerMenuStripChoosesTheInputKind) {
    // The strip is cut into bands of 15 mm up the tablet.
    doc.settings.cutSetup.menuRect = {6000.0f, 0.0f, 7000.0f, 15000.0f};
    const auto& keys = doc.settings.cutSetup.keys;
    command(kCurveCommand);
    eng->DigitizerInput({6500, 4600}, keys[0]);  // band 3: 定针
    EXPECT_EQ(eng->inputKind(), kInputPin);
    EXPECT_EQ(platform.tones.back(), 800);
    EXPECT_TRUE(eng->traced.empty());
    // A band past 字串 selects nothing and is refused.
    eng->DigitizerInput({6500, 14000}, keys[0]);
    EXPECT_EQ(eng->inputKind(), kInputPin);
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    // Away from the base view the strip is paper like any other: the press traces.
    command(kCurveCommand);
    ASSERT_TRUE(eng->vs.view.zoomBy(2.0f, ZoomAnchor::Centre, {0, 0}));
    eng->DigitizerInput({6500, 4600}, keys[0]);
    EXPECT_EQ(eng->inputKind(), kInputCurve);
    EXPECT_EQ(eng->traced.size(), 1u);
    eng->DigitizerInput({6500, 4600}, keys[1]);  // 退点
    EXPECT_TRUE(eng->traced.empty());
    eng->vs.view.resetToBase();
    // The other buttons come from the digitizer the same way.
    command(kCurveCommand);
    eng->DigitizerInput({1000, 1000}, keys[0]);
    eng->DigitizerInput({3000, 1000}, keys[0]);
    eng->DigitizerInput({3000, 3000}, keys[0]);
    eng->DigitizerInput({3000, 3000}, keys[3]);  // 结束
    EXPECT_EQ(doc.design.parts.size(), 2u);
    EXPECT_EQ(doc.design.parts[1]->linesA[0]->nodes.size(), 4u);
}

TEST_F(DrawTest, LiveCurveRunsFromTheFirstNodeToTheCursor) {
    command(32865);
    click(1000, 1000);
    click(2000, 1000);
    moveTo(2000, 2000);
    Polyline live = trace().LiveCurve(*eng, eng->model);
    ASSERT_GE(live.size(), 3u);
    EXPECT_EQ(live.front(), (PointF{1000, 1000}));
    EXPECT_EQ(live.back(), (PointF{2000, 2000}));
    RecordingCanvas c;
    EXPECT_TRUE(eng->overlay(c));
}

TEST_F(DrawTest, OnThePiecePageLinesGoToTheFirstPart) {
    doc.setCurrentPage(3);
    command(32865);
    click(1000, 1000);
    click(2000, 1000);
    rightClick(2000, 1000);
    EXPECT_EQ(doc.design.parts.size(), 1u);
    EXPECT_EQ(doc.design.firstPart().linesB.size(), 1u);
    command(32869);  // no notches on the piece page
    click(1500, 1500);
    EXPECT_EQ(platform.tones.back(), kToneRefused);
}

}  // namespace
}  // namespace rz::test
