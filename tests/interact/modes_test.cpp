#include <set>

#include "engine_fixture.h"
#include "model/refs.h"

namespace rz {
namespace {

using test::EngineTest;

// A tracing mode that records its buttons and the model point at each.
struct TraceRecorder : Tool {
    std::vector<std::pair<TraceButton, PointF>> got;
    bool traceButton(Engine& e, TraceButton b) override {
        got.push_back({b, e.model});
        if (b == TraceButton::Place) {
            e.appendTraced({e.model.x, e.model.y, 0});
            e.tone(kToneAccepted);
        }
        if (b == TraceButton::Finish) e.traced.clear();
        return true;
    }
};

TEST(ModeTable, CommandsSelectTheirModesAndNames) {
    EXPECT_EQ(ModeForCommand(32861)->mode, 21);
    EXPECT_STREQ(ModeForCommand(32861)->text, "旋转");
    EXPECT_EQ(ModeForCommand(34090)->mode, 1);
    EXPECT_EQ(ModeForCommand(34090)->inputKind, 8);
    EXPECT_EQ(ModeForCommand(34087)->inputKind, 4);  // 鞋号 sits between 定针 and 水平
    EXPECT_EQ(ModeForCommand(34180), std::nullopt);  // 全选 > 字串 is no mode
    EXPECT_EQ(ModeMenuText(1, 5), "水平");
    EXPECT_EQ(ModeMenuText(0), "");
    EXPECT_TRUE(IsMode(195));
    EXPECT_TRUE(IsMode(0));
    for (int none : {2, 3, 4, 10, 15, 19, 32, 36, 100}) EXPECT_FALSE(IsMode(none)) << none;
    // Every command appears once.
    std::set<int> seen;
    for (const auto& c : ModeCommands()) EXPECT_TRUE(seen.insert(c.command).second) << c.command;
    EXPECT_EQ(CursorForMode(0), CursorKind::Arrow);
    for (int m : {1, 5, 9, 11, 14, 147, 156}) EXPECT_EQ(CursorForMode(m), CursorKind::Cross) << m;
    EXPECT_EQ(CursorForMode(21), CursorKind::Rotate);
    EXPECT_EQ(CursorForMode(23), CursorKind::Delete);
    EXPECT_EQ(CursorForMode(35), CursorKind::PointOp);
    EXPECT_EQ(CursorForMode(20), CursorKind::Pick);
    EXPECT_EQ(PromptText(34019), "请选择节点, 鼠标右键或按Esc键退出.");
    EXPECT_EQ(PromptText(12345), "");
}

TEST_F(EngineTest, ChoosingTheCurrentModeAgainChangesNothing) {
    ASSERT_TRUE(eng->Command(32860));
    EXPECT_EQ(eng->mode(), 20);
    EXPECT_EQ(platform.status[5], "移动");
    EXPECT_EQ(platform.cursors.back(), CursorKind::Pick);
    size_t prompts = platform.prompts.size(), cursors = platform.cursors.size();
    platform.status[5] = "x";
    eng->Command(32860);
    EXPECT_EQ(platform.prompts.size(), prompts);
    EXPECT_EQ(platform.cursors.size(), cursors);
    EXPECT_EQ(platform.status[5], "x");
    EXPECT_EQ(eng->previousMode(), 0);
    // A number that is no mode is not taken.
    eng->SetMode(3);
    EXPECT_EQ(eng->mode(), 20);
}

TEST_F(EngineTest, TabReturnsToThePreviousMode) {
    EXPECT_TRUE(key(key::Tab));  // nothing to return to
    EXPECT_EQ(eng->mode(), 0);
    eng->Command(32860);  // 移动
    eng->Command(32861);  // 旋转
    key(key::Tab);
    EXPECT_EQ(eng->mode(), 20);
    EXPECT_EQ(platform.status[5], "移动");
    key(key::Tab);
    EXPECT_EQ(eng->mode(), 21);
}

TEST_F(EngineTest, EscapeThreeTimesInTrimCancelsLeavesAndClears) {
    Line& l = addLine(part(), {{0, 0}, {1000, 0}});
    l.flags |= kFlagSelected;
    eng->Command(34075);  // 修剪
    eng->setStep(2);
    eng->ShowPrompt(33997);
    int redraws = platform.redraws;
    key(key::Escape);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(eng->mode(), 28);
    EXPECT_EQ(platform.prompts.back(), "rozedoz");  // the default prompt again
    EXPECT_GT(platform.redraws, redraws);
    key(key::Escape);
    EXPECT_EQ(eng->mode(), 0);
    EXPECT_TRUE(selected(l.flags));
    redraws = platform.redraws;
    key(key::Escape);
    EXPECT_FALSE(selected(l.flags));
    EXPECT_EQ(platform.redraws, redraws + 1);
    // Nothing selected: no redraw.
    key(key::Escape);
    EXPECT_EQ(platform.redraws, redraws + 1);
}

TEST_F(EngineTest, RightPressTogglesMoveAndRotate) {
    eng->Command(32860);
    // A right click without movement is handed to the mode after the release.
    rightDown({300, 300});
    EXPECT_EQ(eng->mode(), 20);
    rightUp({300, 300});
    EXPECT_EQ(eng->mode(), 21);
    EXPECT_EQ(platform.status[5], "旋转");
    EXPECT_EQ(platform.cursors.back(), CursorKind::Rotate);
    // With Shift held there is no pan: the press goes straight to the mode.
    rightDown({300, 300}, kMkShift);
    EXPECT_EQ(eng->mode(), 20);
    rightUp({300, 300}, kMkShift);
    EXPECT_EQ(eng->mode(), 20);
}

TEST_F(EngineTest, AModeHandlerTakesPrecedenceOverSharedBehaviour) {
    int presses = 0;
    ModeHandlers h;
    h.rightPress = [&](Engine&, const Pointer&) { return ++presses, true; };
    eng->setHandlers(20, h);
    eng->Command(32860);
    rightDown({10, 10}, kMkCtrl);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(eng->mode(), 20);
}

TEST_F(EngineTest, SwitchingModeFinishesTheTracedLineFirst) {
    auto rec = std::make_unique<TraceRecorder>();
    TraceRecorder* r = rec.get();
    eng->setTool(1, std::move(rec));
    eng->Command(32864);  // 曲线
    EXPECT_EQ(eng->mode(), 1);
    EXPECT_EQ(platform.status[5], "曲线");
    click(px(1000, 1000));
    click(px(2000, 1500));
    ASSERT_EQ(eng->traced.size(), 2u);
    EXPECT_EQ(platform.tones, (std::vector<int>{kToneAccepted, kToneAccepted}));
    moveTo(px(5000, 5000));
    // 直线 while a curve is traced: the curve is finished at its last node, then the kind
    // changes for the next line.
    eng->Command(32865);
    ASSERT_EQ(r->got.size(), 3u);
    EXPECT_EQ(r->got[2].first, TraceButton::Finish);
    EXPECT_EQ(r->got[2].second, (PointF{2000, 1500}));
    EXPECT_EQ(eng->inputKind(), 1);
    EXPECT_EQ(platform.status[5], "直线");
    EXPECT_EQ(eng->mode(), 1);
    // Another mode also finishes the line being traced.
    click(px(3000, 3000));
    eng->Command(32859);  // 删除
    EXPECT_EQ(r->got.back().first, TraceButton::Finish);
    EXPECT_TRUE(eng->traced.empty());
    EXPECT_EQ(eng->mode(), 23);
}

TEST_F(EngineTest, TracingButtonsFromMouseAndDigitizer) {
    auto rec = std::make_unique<TraceRecorder>();
    TraceRecorder* r = rec.get();
    eng->setTool(1, std::move(rec));
    eng->Command(32864);
    moveTo(px(1230, 2340));
    EXPECT_EQ(platform.status[4], "12.3,23.4");  // millimetres
    doc.settings.centimetreDisplay = 1;
    moveTo(px(1230, 2340));
    EXPECT_EQ(platform.status[4], "1.2,2.3");
    rightDown({5, 5}, kMkAlt);  // Alt: 退点, and no pan
    rightDown({5, 5}, kMkShift);
    ASSERT_EQ(r->got.size(), 2u);
    EXPECT_EQ(r->got[0].first, TraceButton::TakeBack);
    EXPECT_EQ(r->got[1].first, TraceButton::Finish);
    // The digitizer's point becomes the model point before its button is handled.
    doc.settings.cutSetup.keys = {7, 8, 9, 10, 11};
    eng->DigitizerInput({4000, 100}, 11);
    EXPECT_EQ(r->got.back().first, TraceButton::Corner);
    EXPECT_EQ(r->got.back().second, (PointF{4000, 100}));
    platform.tones.clear();
    eng->DigitizerInput({0, 0}, 3);  // no such button
    EXPECT_EQ(platform.tones, std::vector<int>{kToneRefused});
}

TEST_F(EngineTest, TracingWithoutATracingModeIsRefused) {
    eng->Command(32864);
    click(px(100, 100));
    EXPECT_EQ(platform.tones, std::vector<int>{kToneRefused});
}

TEST_F(EngineTest, AKeyUsedByTheModeIsNotAlsoACommonKey) {
    ModeHandlers h;
    h.key = [](Engine& e, const KeyEvent& k) {
        if (k.key != key::Space) return false;
        e.tone(kToneAccepted);
        return true;
    };
    eng->setHandlers(31, h);
    eng->Command(32891);  // 测量
    uint32_t before = doc.settings.displayFlags;
    EXPECT_TRUE(key(key::Space));
    EXPECT_EQ(doc.settings.displayFlags, before);
    EXPECT_EQ(platform.tones, std::vector<int>{kToneAccepted});
    // In mode 0 Space is 隐藏显示, and it hides the background pictures with it.
    eng->SetMode(0);
    doc.pictures.push_back(std::make_unique<TPIC>());
    key(key::Space);
    EXPECT_TRUE(doc.settings.displayFlags & kDispHidden);
    EXPECT_TRUE(doc.pictures[0]->word & kFlagHidden);
    key(key::Space);
    EXPECT_FALSE(doc.pictures[0]->word & kFlagHidden);
}

TEST_F(EngineTest, ZoomKeysAndCtrlZ) {
    moveTo({200, 300});
    float s = vs.view.s;
    EXPECT_FALSE(key(key::Z, kMkCtrl));  // left to undo
    EXPECT_EQ(vs.view.s, s);
    PixelPoint movedTo{-1, -1};
    eng->hooks.movePointer = [&](PixelPoint p) { movedTo = p; };
    PointF under = vs.view.toModel(200, 300);
    EXPECT_TRUE(key(key::Z));
    EXPECT_FLOAT_EQ(vs.view.s, s * kZoomOut);
    EXPECT_EQ(movedTo, (PixelPoint{500, 350}));
    // The point that was under the pointer is now at the window centre.
    PointF centre = vs.view.toModel(500, 350);
    EXPECT_NEAR(centre.x, under.x, 1.0f / vs.view.s);
    EXPECT_NEAR(centre.y, under.y, 1.0f / vs.view.s);
    key(key::Z, kMkShift);
    EXPECT_FLOAT_EQ(vs.view.s, s * kZoomOut * kZoomIn);
    // The main keyboard's + is not the keypad's.
    EXPECT_FALSE(key(key::Plus));
    EXPECT_TRUE(key(key::Plus, kMkKeypad));
    EXPECT_GT(vs.view.s, s);
}

TEST_F(EngineTest, DigitKeysSwitchSnapsOffAndSelectPages) {
    doc.settings.generalFlags |= kGenMiddlePans;
    eng->Command(34062);
    eng->Command(34146);
    EXPECT_EQ(eng->snapBits, kSnapEnd | kSnapVertical);
    EXPECT_TRUE(eng->CommandChecked(34062));
    EXPECT_TRUE(key(key::Digit0));
    EXPECT_EQ(eng->snapBits, 0u);
    EXPECT_TRUE(doc.settings.generalFlags & kGenMiddlePans);  // not a snap switch
    EXPECT_TRUE(key(key::Digit0 + 3));
    EXPECT_EQ(doc.currentPage(), 2);
    int redraws = platform.redraws;
    EXPECT_TRUE(key(key::Digit0 + 7));  // taken, nothing happens
    EXPECT_EQ(platform.redraws, redraws);
    EXPECT_EQ(doc.currentPage(), 2);
    EXPECT_FALSE(key(key::Digit0 + 1, kMkCtrl));  // an accelerator, not a page
}

TEST_F(EngineTest, CancelStepByMode) {
    // 固定: back to its own prompt.
    eng->Command(32886);
    EXPECT_EQ(platform.prompts.back(), PromptText(34028));
    eng->setStep(1);
    eng->ShowPrompt(34026);
    eng->CancelStep();
    EXPECT_EQ(platform.prompts.back(), PromptText(34028));
    // 点操作: the selection goes and the point-operation cursor comes back.
    Line& l = addLine(part(), {{0, 0}, {10, 10}});
    l.flags |= kFlagSelected;
    eng->Command(32858);
    eng->setStep(2);
    eng->CancelStep();
    EXPECT_FALSE(selected(l.flags));
    EXPECT_EQ(platform.cursors.back(), CursorKind::PointOp);
    // A mode with its own cancel keeps its prompt; its scratch data is released either way.
    struct Own : Tool {
        int released = 0;
        bool cancelStep(Engine& e) override {
            e.ShowPrompt(34021);
            return true;
        }
        void releaseData() override { ++released; }
    };
    auto own = std::make_unique<Own>();
    Own* o = own.get();
    eng->setTool(126, std::move(own));
    eng->Command(34047);  // 靠齐
    EXPECT_EQ(platform.prompts.back(), PromptText(34020));
    eng->setStep(1);
    eng->CancelStep();
    EXPECT_EQ(platform.prompts.back(), PromptText(34021));
    EXPECT_EQ(o->released, 1);
    eng->CancelStep();  // no step: nothing
    EXPECT_EQ(o->released, 1);
}

TEST_F(EngineTest, EntryActionsClearTheSelection) {
    Line& l = addLine(part(), {{0, 0}, {10, 10}});
    l.flags |= kFlagSelected;
    int redraws = platform.redraws;
    eng->Command(34126);  // 线色
    EXPECT_FALSE(selected(l.flags));
    EXPECT_EQ(platform.redraws, redraws + 1);
    l.flags |= kFlagSelected;
    eng->Command(32920);  // 对称控制
    EXPECT_FALSE(selected(l.flags));
    EXPECT_EQ(platform.prompts.back(), "选择对称轴...");
    eng->Command(32887);  // 定距主从
    EXPECT_EQ(platform.prompts.back(), "选择被定距的元素...");
    // A right press cancels the step of 对称控制.
    eng->Command(32920);
    eng->setStep(2);
    rightDown({1, 1}, kMkShift);
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(EngineTest, PromptsAreNotRepeated) {
    eng->ShowPrompt(34016);
    eng->ShowPrompt(34016);
    EXPECT_EQ(std::count(platform.prompts.begin(), platform.prompts.end(), "请选择平行线！"), 1);
    eng->ShowPromptText("〔节点坐标〕");
    eng->ShowPrompt(34016);
    EXPECT_EQ(platform.prompts.back(), "请选择平行线！");
}

TEST_F(EngineTest, PointOperationReleaseReturnsToStepOne) {
    eng->Command(32858);
    eng->setStep(3);  // dragging along the line
    leftUp({10, 10});
    EXPECT_EQ(eng->step(), 1);
    eng->ShowPrompt(33997);
    eng->setStep(4);  // dragging a node
    leftUp({10, 10});
    EXPECT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back(), PromptText(34019));
}

TEST_F(EngineTest, SizeKeysAndDirectOutput) {
    std::vector<int> steps;
    bool running = false;
    eng->hooks.stepSize = [&](int d) { return steps.push_back(d), true; };
    eng->hooks.directOutputRunning = [&] { return running; };
    key(key::PageUp);
    key(key::PageDown);
    key(key::Home);
    key(key::End);
    EXPECT_EQ(steps, (std::vector<int>{-1, 1, -30, 30}));
    running = true;
    key(key::PageDown);
    EXPECT_EQ(steps.size(), 4u);
    EXPECT_EQ(platform.boxes.back().caption, "警告");
    EXPECT_EQ(platform.boxes.back().text, "正在直接输出样板！");
}

TEST_F(EngineTest, DeleteKeyRemovesTheSelectionOfTheFirstPartWithOne) {
    Part& p0 = part(0);
    Part& p1 = part(1);
    addLine(p0, {{0, 0}, {10, 0}});
    Line& b1 = addLine(p1, {{0, 0}, {10, 0}});
    addLine(p1, {{0, 5}, {10, 5}});
    Pin& pin = addPin(p1, 5, 5);
    BasePoint& bp = addBase(p1, 1, 1);
    addLine(p1, {{0, 9}, {10, 9}}, true).flags |= kFlagSelected;  // lines A are not deleted
    b1.flags |= kFlagSelected;
    pin.flags |= kFlagSelected;
    bp.flags |= kFlagSelected;
    p1.linesB.back()->basePoint = &bp;
    int undo = doc.undo.stored();
    EXPECT_TRUE(key(key::Delete));
    EXPECT_EQ(p1.linesB.size(), 1u);
    EXPECT_EQ(p1.linesB[0]->basePoint, nullptr);  // the reference went with the base point
    EXPECT_TRUE(p1.pins.empty());
    EXPECT_TRUE(p1.basePoints.empty());
    EXPECT_EQ(p1.linesA.size(), 1u);
    EXPECT_EQ(p0.linesB.size(), 1u);
    EXPECT_EQ(doc.undo.stored(), undo + 1);
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(EngineTest, BackScreenKeysGoToItsOwnHandlerFirst) {
    vs.backShown = true;
    std::vector<int> back;
    int cleared = 0;
    eng->hooks.backKey = [&](const KeyEvent& k) { return back.push_back(k.key), k.key == key::Delete; };
    eng->hooks.backClear = [&] { ++cleared; };
    EXPECT_TRUE(key(key::Delete));
    key(key::Escape);
    EXPECT_EQ(back, (std::vector<int>{key::Delete, key::Escape}));
    EXPECT_EQ(cleared, 1);
    // Space is no common key of the back screen.
    uint32_t flags = doc.settings.displayFlags;
    EXPECT_FALSE(key(key::Space));
    EXPECT_EQ(doc.settings.displayFlags, flags);
    // Numeric + keeps the sheet's origin at the window's bottom-left corner.
    vs.view.ox = 40;
    key(key::Plus, kMkKeypad);
    EXPECT_EQ(vs.view.ox, 0);
    EXPECT_EQ(vs.view.oy, vs.view.H);
}

}  // namespace
}  // namespace rz
