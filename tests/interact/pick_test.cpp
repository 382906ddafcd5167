#include "engine_fixture.h"

namespace rz {
namespace {

using test::EngineTest;
using test::ScriptedChooser;

struct PickTest : EngineTest {
    PickResult pickAt(PointF p, uint32_t mask) { return eng->PickAt(p, mask); }
};

TEST_F(PickTest, ListsAreTestedInTheirFixedOrder) {
    Part& p = part();
    const PointF at{3000, 3000};
    Line& a = addLine(p, {{2000, 3000}, {4000, 3000}}, true);
    Line& b = addLine(p, {{3000, 2000}, {3000, 2990}, {3000, 4000}});
    auto t = std::make_unique<TextString>();
    t->x = at.x, t->y = at.y;
    p.texts.push_back(std::move(t));
    Motif& m = addMotif(p, at.x + 20, at.y);
    Pin& pin = addPin(p, at.x - 20, at.y);
    BasePoint& bp = addBase(p, at.x, at.y + 10);
    uint32_t mask = kPickElements & ~kPickSeamAllowances;  // that one also finds line nodes
    PickResult r = pickAt(at, mask);
    EXPECT_EQ(r.kind, kKindBasePoint);
    EXPECT_EQ(r.as<BasePoint>(), &bp);
    EXPECT_EQ(r.part, &p);
    EXPECT_EQ(eng->pick, r);  // kept as the document's pick state
    EXPECT_EQ(eng->pickMask, mask);
    EXPECT_EQ(pickAt(at, mask &= ~kPickBasePoints).as<Pin>(), &pin);
    EXPECT_EQ(pickAt(at, mask &= ~kPickPins).as<Motif>(), &m);
    EXPECT_EQ(pickAt(at, mask &= ~kPickMotifs).kind, kKindText);
    r = pickAt(at, mask &= ~kPickTexts);
    EXPECT_EQ(r.kind, kKindLineB);  // lines B come before lines A
    EXPECT_EQ(r.as<Line>(), &b);
    EXPECT_EQ(r.segment, 1);  // the first segment reaching into the square
    EXPECT_EQ(r.vertex, 1);   // its end (3000, 2990) lies inside
    b.flags |= kFlagHidden;
    r = pickAt(at, mask);
    EXPECT_EQ(r.kind, kKindLineA);
    EXPECT_EQ(r.as<Line>(), &a);
    EXPECT_EQ(pickAt(at, mask | kPickHidden).as<Line>(), &b);  // hidden ones on request
    // Nothing of the masked kinds: no result.
    EXPECT_FALSE(pickAt(at, kPickNotches | kPickDimensions));
    EXPECT_FALSE(pickAt({9000, 100}, kPickElements));
}

TEST_F(PickTest, ThePickSquareIsPixelsAtEveryZoom) {
    Pin& pin = addPin(part(), 5000, 3000, 10);
    PixelPoint c = px(5000, 3000);
    for (int i = 0; i < 4; ++i) {
        // Five pixels of pick radius (plus the pin's own radius, less than a pixel here).
        EXPECT_EQ(pickAt(vs.view.toModel(c.x + 5, c.y), kPickPins).as<Pin>(), &pin) << i;
        EXPECT_FALSE(pickAt(vs.view.toModel(c.x + 7, c.y), kPickPins)) << i;
        vs.view.zoomBy(kZoomOut, ZoomAnchor::Cursor, c);
    }
}

TEST_F(PickTest, EarlierPartWinsUnlessTheChooserIsAsked) {
    Pin& first = addPin(part(0), 1000, 1000, 10);
    Pin& second = addPin(part(1), 1010, 1000, 10);
    EXPECT_EQ(pickAt({1005, 1000}, kPickPins).as<Pin>(), &first);
    ScriptedChooser ch;
    eng->chooser = &ch;
    EXPECT_EQ(pickAt({1005, 1000}, kPickPins).as<Pin>(), &first);
    EXPECT_EQ(ch.asked, 0);  // the option is off
    doc.settings.generalFlags |= kGenMultiPick;
    ch.answer = 1;
    ch.nextPresses = 3;
    int redraws = platform.redraws;
    EXPECT_EQ(pickAt({1005, 1000}, kPickPins).as<Pin>(), &second);
    EXPECT_EQ(ch.asked, 1);
    ASSERT_EQ(ch.seen.size(), 2u);
    EXPECT_EQ(ch.seen[0].as<Pin>(), &first);
    EXPECT_GT(platform.redraws, redraws + 2);  // each 下一个 showed its candidate
    EXPECT_FALSE(eng->highlighted);
    ch.answer = -1;  // 取消
    EXPECT_FALSE(pickAt({1005, 1000}, kPickPins));
    // One candidate alone is taken without asking.
    EXPECT_EQ(pickAt({950, 1000}, kPickPins).as<Pin>(), &first);
    EXPECT_EQ(ch.asked, 2);
    // At most sixteen candidates are offered.
    for (int i = 0; i < 20; ++i) addPin(part(2), 1000, 1000);
    ch.answer = 0;
    pickAt({1005, 1000}, kPickPins);
    EXPECT_EQ(ch.seen.size(), size_t(kMaxPickCandidates));
}

TEST_F(PickTest, SeamAllowanceFallsBackToALineNode) {
    Part& p = part();
    Line& la = addLine(p, {{0, 0}, {1000, 0}}, true);
    Line& lb = addLine(p, {{0, 0}, {0, 1000}});
    PickResult r = pickAt({2, 2}, kPickSeamAllowances);
    EXPECT_EQ(r.kind, kKindLineByPoint);
    EXPECT_EQ(r.as<Line>(), &lb);
    EXPECT_EQ(r.node, 0);
    lb.nodes[0] = {500, 500, 0};
    r = pickAt({2, 2}, kPickSeamAllowances);
    EXPECT_EQ(r.as<Line>(), &la);
    EXPECT_FALSE(pickAt({2, 2}, kPickSeamAllowances | kPickNoLineNodes));
    auto sa = std::make_unique<SeamAllowance>();
    sa->outline = {{-10, -100}, {-10, 100}};
    sa->baseLine = &la;
    p.seamAllowances.push_back(std::move(sa));
    EXPECT_EQ(pickAt({2, 2}, kPickSeamAllowances).kind, kKindSeamAllowance);
}

TEST_F(PickTest, GradedListsOnlyOnRequest) {
    Part& p = part();
    auto g = std::make_unique<Pin>();
    g->x = 100, g->y = 100, g->diameter = 50;
    Pin* graded = g.get();
    p.gradedPins.push_back(std::move(g));
    EXPECT_FALSE(pickAt({100, 100}, kPickPins));
    EXPECT_EQ(pickAt({100, 100}, kPickPins | kPickGraded).as<Pin>(), graded);
}

TEST_F(PickTest, PartsScanLinesAndPages) {
    Part& p0 = part(0);
    Part& p1 = part(1);
    p0.outline = {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}};
    p1.outline = {{500, 500}, {3000, 500}, {3000, 3000}, {500, 3000}, {500, 500}};
    EXPECT_EQ(eng->PartAt({700, 700}), &p0);  // the first part of the chain
    EXPECT_EQ(eng->PartAt({2000, 2000}), &p1);
    eng->tracingPart = &p0;  // the part whose outline is being traced
    EXPECT_EQ(eng->PartAt({700, 700}), &p1);
    eng->tracingPart = nullptr;
    p0.flags |= kFlagHidden;
    EXPECT_EQ(eng->PartAt({700, 700}), &p1);
    EXPECT_EQ(eng->PartAt({700, 700}, true), &p0);
    PickResult r = pickAt({2000, 2000}, kPickPins | kPickPart);
    EXPECT_EQ(r.kind, kKindPart);
    EXPECT_EQ(r.as<Part>(), &p1);
    // On page 3 the first part of the page is taken without a test.
    p1.setPage(3);
    doc.setCurrentPage(3);
    EXPECT_EQ(eng->PartAt({-5000, -5000}), &p1);
    doc.setCurrentPage(0);
    auto sl = std::make_unique<ScanLine>();
    sl->shape = {{{0, 5000}, {9000, 5000}}};
    doc.scanLines.push_back(std::move(sl));
    EXPECT_EQ(pickAt({4000, 5010}, kPickScanLines).kind, kKindScanLine);
    doc.scanLines[0]->flags |= kFlagHidden;
    EXPECT_FALSE(pickAt({4000, 5010}, kPickScanLines));
    EXPECT_TRUE(pickAt({4000, 5010}, kPickScanLines | kPickHidden));
}

// The selection scene: a line inside the band, one crossing its edge, a line A inside, a pin
// whose centre is inside.
struct SelectTest : EngineTest {
    Line* in = nullptr;
    Line* across = nullptr;
    Line* outlineLine = nullptr;
    Pin* pin = nullptr;
    void SetUp() override {
        EngineTest::SetUp();
        Part& p = part();
        in = &addLine(p, {{2000, 2000}, {3000, 2500}});
        across = &addLine(p, {{2500, 2200}, {6000, 2200}});
        outlineLine = &addLine(p, {{2200, 2800}, {2800, 2800}}, true);
        pin = &addPin(p, 2500, 2600, 100);
    }
};

TEST_F(SelectTest, WindowBandSelectsWhatLiesInside) {
    leftDown(px(1500, 3500));  // upper left
    moveTo(px(2500, 2500));
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::RubberBand);
    RecordingCanvas c;
    EXPECT_TRUE(eng->overlay(c));
    EXPECT_EQ(c.calls[0].dashOn, 0);  // a window band is solid
    moveTo(px(4000, 1500));
    leftUp(px(4000, 1500));
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::None);
    EXPECT_TRUE(selected(in->flags));
    EXPECT_FALSE(selected(across->flags));
    EXPECT_FALSE(selected(outlineLine->flags));  // lines A are never taken
    EXPECT_TRUE(selected(pin->flags));
}

TEST_F(SelectTest, CrossingBandSelectsWhatItTouches) {
    leftDown(px(4000, 1500));  // lower right
    moveTo(px(1500, 3500));
    RecordingCanvas c;
    eng->overlay(c);
    EXPECT_GT(c.calls[0].dashOn, 0);
    leftUp(px(1500, 3500));
    EXPECT_TRUE(selected(in->flags));
    EXPECT_TRUE(selected(across->flags));
    EXPECT_FALSE(selected(outlineLine->flags));
}

TEST_F(SelectTest, ANewBandReplacesTheSelectionUnlessCtrlIsHeld) {
    across->flags |= kFlagSelected;
    leftDown(px(1500, 3500), kMkCtrl);
    moveTo(px(4000, 1500), kMkCtrl);
    leftUp(px(4000, 1500), kMkCtrl);
    EXPECT_TRUE(selected(across->flags));
    EXPECT_TRUE(selected(in->flags));
    leftDown(px(8000, 6000));
    moveTo(px(9000, 5000));  // an empty band clears as soon as it is a band
    EXPECT_FALSE(selected(across->flags));
    leftUp(px(9000, 5000));
    EXPECT_FALSE(selected(in->flags));
}

TEST_F(SelectTest, ClicksClearAndCtrlClicksToggle) {
    in->flags |= kFlagSelected;
    // A one-pixel wobble is still a click.
    leftDown({100, 100});
    moveTo({101, 101});
    leftUp({101, 101});
    EXPECT_FALSE(selected(in->flags));
    click(px(2500, 2600), kMkCtrl);
    EXPECT_TRUE(selected(pin->flags));
    click(px(2500, 2600), kMkCtrl);
    EXPECT_FALSE(selected(pin->flags));
    click(px(5000, 2200), kMkCtrl);  // only the line lies there
    EXPECT_TRUE(selected(across->flags));
    int redraws = platform.redraws;
    click(px(9000, 6000), kMkCtrl);  // nothing: no change, no redraw
    EXPECT_EQ(platform.redraws, redraws);
}

TEST_F(SelectTest, SelectAllCommands) {
    int redraws = platform.redraws;
    EXPECT_TRUE(eng->Command(34142));  // 全选 > 线条
    EXPECT_TRUE(selected(in->flags) && selected(across->flags));
    EXPECT_FALSE(selected(outlineLine->flags));
    EXPECT_FALSE(selected(pin->flags));
    EXPECT_EQ(platform.redraws, redraws + 1);
    eng->Command(34142);  // nothing new: no redraw
    EXPECT_EQ(platform.redraws, redraws + 1);
    eng->Command(34140);  // 所有
    EXPECT_TRUE(selected(pin->flags));
    EXPECT_EQ(FirstSelected(doc.design, kPickPins, 0), &part());
    EXPECT_EQ(FirstSelected(doc.design, kPickMarks, 0), nullptr);
}

TEST_F(SelectTest, LostActivationEndsABandWithoutSelecting) {
    in->flags |= kFlagSelected;
    leftDown(px(1500, 3500), kMkCtrl);
    moveTo(px(4000, 1500), kMkCtrl);
    eng->ActivationLost();
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::None);
    EXPECT_FALSE(selected(across->flags));
    EXPECT_TRUE(selected(in->flags));
    leftUp(px(4000, 1500));  // the release that follows finds no band
    EXPECT_TRUE(selected(in->flags));
    RecordingCanvas c;
    EXPECT_FALSE(eng->overlay(c));
}

// ---------------------------------------------------------------- pan and zoom drags

TEST_F(EngineTest, RightPressIsAPanOnceThePointerMovesTwoPixels) {
    eng->Command(32860);  // 移动: a right click would switch to 旋转
    int ox = vs.view.ox, oy = vs.view.oy;
    std::vector<PixelPoint> previews;
    eng->hooks.panPreview = [&](PixelPoint d) { previews.push_back(d); };
    // One pixel on each axis is not a pan: the release hands the press to the mode.
    rightDown({300, 300});
    moveTo({301, 301});
    moveTo({299, 299});
    rightUp({299, 299});
    EXPECT_TRUE(previews.empty());
    EXPECT_EQ(vs.view.ox, ox);
    EXPECT_EQ(eng->mode(), 21);
    // Two pixels on one axis is.
    rightDown({300, 300});
    moveTo({302, 300});
    EXPECT_EQ(platform.cursors.back(), CursorKind::Pan);
    moveTo({340, 280});
    moveTo({2000, 280});  // outside the window: ignored
    rightUp({340, 280});
    EXPECT_EQ(previews, (std::vector<PixelPoint>{{-2, 0}, {-40, 20}}));
    EXPECT_EQ(vs.view.ox, ox + 40);
    EXPECT_EQ(vs.view.oy, oy - 20);
    EXPECT_EQ(eng->mode(), 21);  // consumed: no toggle
    EXPECT_EQ(platform.cursors.back(), CursorKind::Rotate);
    // Back to the press point after a pan: still a pan, no toggle.
    rightDown({300, 300});
    moveTo({300, 303});
    moveTo({300, 300});
    rightUp({300, 300});
    EXPECT_EQ(eng->mode(), 21);
    // With the middle button panning, a right press is the mode's at once.
    doc.settings.generalFlags |= kGenMiddlePans;
    rightDown({300, 300});
    EXPECT_EQ(eng->mode(), 20);
}

TEST_F(EngineTest, PanEndsOnALeftPressOrLostActivation) {
    eng->Command(32860);
    int ox = vs.view.ox;
    rightDown({300, 300});
    leftDown({300, 300});  // ends the pan that never began: the right press goes to the mode
    EXPECT_EQ(eng->mode(), 21);
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::None);
    rightDown({300, 300});
    moveTo({310, 300});
    eng->ActivationLost();
    EXPECT_EQ(vs.view.ox, ox + 10);  // the pan that began is kept
    EXPECT_EQ(eng->mode(), 21);
    rightDown({300, 300});
    eng->ActivationLost();  // nothing began: no right press is made of it
    EXPECT_EQ(eng->mode(), 21);
    rightUp({300, 300});
    EXPECT_EQ(eng->mode(), 21);
}

TEST_F(EngineTest, MiddleDragZoomsAboutTheCentreOrPans) {
    PointF centre = vs.view.toModel(500, 350);
    float s = vs.view.s;
    int redraws = platform.redraws;
    eng->OnMiddleDown(ev(Button::Middle, {500, 350}));
    EXPECT_EQ(vs.view.draw, vs.view.centreTile());
    moveTo({550, 400});  // d = 100: scale × 1.5
    EXPECT_FLOAT_EQ(vs.view.s, s * 1.5f);
    EXPECT_EQ(platform.cursors.back(), CursorKind::Zoom);
    eng->OnMiddleUp(ev(Button::Middle, {550, 400}));
    EXPECT_EQ(vs.view.draw, vs.view.fullBuffer());
    PointF after = vs.view.toModel(500, 350);
    EXPECT_NEAR(after.x, centre.x, 10);
    EXPECT_NEAR(after.y, centre.y, 10);
    EXPECT_GE(platform.redraws, redraws + 2);
    // Lost activation ends a zoom drag the same way.
    eng->OnMiddleDown(ev(Button::Middle, {500, 350}));
    moveTo({450, 350});
    eng->ActivationLost();
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::None);
    EXPECT_EQ(vs.view.draw, vs.view.fullBuffer());
    // With 推移 the middle button pans.
    doc.settings.generalFlags |= kGenMiddlePans;
    int ox = vs.view.ox;
    eng->OnMiddleDown(ev(Button::Middle, {500, 350}));
    moveTo({520, 350});
    eng->OnMiddleUp(ev(Button::Middle, {520, 350}));
    EXPECT_EQ(vs.view.ox, ox + 20);
}

TEST_F(EngineTest, WheelZoomsAboutThePointer) {
    PointF under = vs.view.toModel(200, 500);
    eng->OnWheel(1, ev(Button::None, {200, 500}));
    EXPECT_FLOAT_EQ(vs.view.s, vs.view.s0 * kZoomIn);
    PointF after = vs.view.toModel(200, 500);
    EXPECT_NEAR(after.x, under.x, 10);
    EXPECT_NEAR(after.y, under.y, 10);
}

TEST_F(EngineTest, DraggedOutlineAcceptsCancelsAndEndsOnLostActivation) {
    std::vector<std::pair<bool, PointF>> done;
    ModeHandlers h;
    h.leftPress = [&](Engine& e, const Pointer& p) {
        e.beginOutlineDrag(p, {{{0, 0}, {1000, 0}, {1000, 1000}}},
                           [&](Engine&, bool ok, PointF off) { done.push_back({ok, off}); });
        return true;
    };
    eng->setHandlers(22, h);
    eng->Command(32862);  // 拷贝
    leftDown(px(1000, 1000));
    moveTo(px(3000, 2000));
    RecordingCanvas c;
    EXPECT_TRUE(eng->overlay(c));
    ASSERT_EQ(c.calls.size(), 1u);
    EXPECT_EQ(c.calls[0].pts[0], px(2000, 1000));  // the outline moved by the drag
    leftUp(px(3000, 2000));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_TRUE(done[0].first);
    EXPECT_EQ(done[0].second, (PointF{2000, 1000}));
    leftDown(px(1000, 1000));
    moveTo(px(3000, 2000));
    EXPECT_TRUE(key(key::Escape));
    EXPECT_FALSE(done.back().first);
    EXPECT_EQ(eng->mode(), 22);  // ESC ended the drag only
    leftDown(px(1000, 1000));
    eng->ActivationLost();
    ASSERT_EQ(done.size(), 3u);
    EXPECT_FALSE(done.back().first);
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::None);
}

}  // namespace
}  // namespace rz
