// The grading-control tools driven through the engine with scripted clicks: prompts, tones,
// questions and dialogs, refusals, double toggles and one undo snapshot per committed change.
#include "../interact/engine_fixture.h"
#include "design/design_tools.h"
#include "grading/align_tool.h"
#include "grading/control_edit.h"
#include "grading/control_tools.h"
#include "grading_fixture.h"
#include "interact/canvas.h"
#include "interact/modes.h"

namespace rz::test {
namespace {

struct ControlToolTest : EngineTest {
    Part* p = nullptr;
    BasePoint* b = nullptr;
    Line* axis = nullptr;   // straight, x = 1000
    Line* curve = nullptr;  // not straight
    Line* host = nullptr;   // y = 6000, 10000 units long
    Pin* pin = nullptr;
    Pin* far = nullptr;  // in the other part

    void SetUp() override {
        EngineTest::SetUp();
        SetSizes(doc.design);
        p = &part(0);
        b = &AddBase(*p, 5000, 3000);
        axis = &addLine(*p, {{1000, 500}, {1000, 5000}});
        curve = &addLine(*p, {{2000, 500}, {3500, 2500}, {2000, 5000}});
        host = &addLine(*p, {{0, 6000}, {5000, 6000}, {10000, 6000}});
        for (Line* l : {axis, curve, host}) l->basePoint = b;
        pin = &addPin(*p, 4000, 1500);
        Part& other = part(1);
        far = &addPin(other, 8000, 1500);
        eng->designChanged();
        InstallGradingTools(*eng);
    }
    int snapshots() const { return doc.undo.stored(); }
    std::string prompt() const { return platform.prompts.empty() ? "" : platform.prompts.back(); }
    int lastTone() const { return platform.tones.empty() ? 0 : platform.tones.back(); }
};

TEST_F(ControlToolTest, FrontSymmetryPicksAStraightMasterAndTogglesElements) {
    eng->SetMode(mode::FrontSymControl);
    EXPECT_EQ(prompt(), "请选择对称主线！");
    click(px(2000, 500 + 10));  // the curve's first segment
    ASSERT_EQ(platform.notices.size(), 1u);
    EXPECT_EQ(platform.notices.back(), "对称轴必须是直线！");
    EXPECT_EQ(eng->step(), 0);
    click(px(1000, 3000));
    EXPECT_EQ(prompt(), "请选择需要前对称控制的元素！");
    const int before = snapshots();
    click(px(4000, 1500));
    EXPECT_EQ(pin->frontSym, axis);
    EXPECT_EQ(snapshots(), before + 1);
    click(px(4000, 1500));  // the second toggle takes the link away
    EXPECT_EQ(pin->frontSym, nullptr);
    EXPECT_EQ(snapshots(), before + 2);
    click(px(8000, 1500));  // another part
    EXPECT_EQ(lastTone(), kToneRefused);
    EXPECT_EQ(snapshots(), before + 2);
    // A linked line cannot become a master, and the master cannot link itself.
    click(px(1000, 3000));
    EXPECT_EQ(lastTone(), kToneRefused);
    rightDown(px(0, 0));
    rightUp(px(0, 0));
    EXPECT_EQ(prompt(), "选择对称轴...");
    EXPECT_EQ(eng->step(), 0);

    // A line that is already a slave flashes for 300 ms and is refused without a box.
    std::vector<std::pair<int, std::function<void()>>> timers;
    eng->hooks.later = [&](int ms, std::function<void()> done) { timers.emplace_back(ms, std::move(done)); };
    auto lit = [&] {
        RecordingCanvas rc;
        eng->overlay(rc);
        size_t n = 0;
        for (auto& call : rc.calls) n += call.op == RecordingCanvas::Op::Polyline && call.colour == 0xA000A0;
        return n;
    };
    curve->frontSym = axis;
    platform.tones.clear();
    click(px(2000, 500 + 10));
    EXPECT_EQ(lastTone(), kToneRefused);
    EXPECT_EQ(platform.notices.size(), 1u);
    EXPECT_EQ(eng->step(), 0);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].first, 300);
    EXPECT_GT(lit(), 0u);
    timers[0].second();
    EXPECT_EQ(lit(), 0u);
}

TEST_F(ControlToolTest, ShareStepsThroughStartEndAndBaseAndRefusesOverlaps) {
    eng->SetMode(mode::Share);
    click(px(5000, 6000));
    EXPECT_EQ(prompt(), "第一步：请选择共用段起始点！");
    click(px(2000, 6000));
    EXPECT_EQ(prompt(), "第二步：请选择共用段终止点！");
    click(px(4000, 6000));
    EXPECT_EQ(lastTone(), kToneAccepted);
    EXPECT_EQ(prompt(), "第三步：请选择基点(或按住ctrl键可以增加基点)！");
    const int before = snapshots();
    click(px(5000, 3000));  // the base point
    ASSERT_EQ(p->sharedZones.size(), 1u);
    const SharedZone& z = *p->sharedZones[0];
    EXPECT_NEAR(z.f[1], 0.2, 1e-3);
    EXPECT_NEAR(z.f[2], 0.4, 1e-3);
    EXPECT_NEAR(z.f[0], 0.05, 1e-3);  // the 15 mm default blend
    EXPECT_NEAR(z.f[3], 0.55, 1e-3);
    EXPECT_EQ(z.basePoint, b);
    EXPECT_EQ(snapshots(), before + 1);
    EXPECT_EQ(prompt(), "第一步：请选择共用段起始点！");
    // Over the host's highlight the zone keeps its colours: blend, shared stretch, blend.
    RecordingCanvas rc;
    eng->overlay(rc);
    const auto& colours = doc.settings.colours;
    ASSERT_GE(rc.calls.size(), 4u);
    const size_t last = rc.calls.size() - 1;
    EXPECT_EQ(rc.calls[last - 2].colour, colours[kColBlendZone]);
    EXPECT_EQ(rc.calls[last - 1].colour, colours[kColSharedZone]);
    EXPECT_EQ(rc.calls[last].colour, colours[kColBlendZone]);
    EXPECT_NE(rc.calls[last - 3].colour, colours[kColSharedZone]);  // the highlight under them
    // A stretch reaching into the zone's blend is refused; the right button steps back.
    click(px(7000, 6000));
    click(px(5000, 6000));
    EXPECT_EQ(lastTone(), kToneRefused);
    EXPECT_EQ(eng->step(), 2);
    rightDown(px(0, 0));
    rightUp(px(0, 0));
    EXPECT_EQ(lastTone(), kToneBack);
    EXPECT_EQ(eng->step(), 1);
    // Ctrl adds a base point owned by the first one.
    click(px(7000, 6000));
    click(px(8000, 6000));
    click(px(6000, 4000), kMkCtrl);
    ASSERT_EQ(p->sharedZones.size(), 2u);
    ASSERT_EQ(p->basePoints.size(), 2u);
    EXPECT_EQ(p->sharedZones[1]->basePoint, p->basePoints[1].get());
    EXPECT_EQ(p->basePoints[1]->owner, b);
    EXPECT_NEAR(p->sharedZones[1]->f[0], 0.55, 1e-3);  // stops at the neighbour
    EXPECT_EQ(snapshots(), before + 2);
    // A click in the first zone's front blend opens 前接顺区.
    platform.dialogValues.push_back({5.0});
    click(px(1000, 6000));
    ASSERT_FALSE(platform.dialogTitles.empty());
    EXPECT_EQ(platform.dialogTitles.back(), "前接顺区");
    EXPECT_NEAR(p->sharedZones[0]->f[0], 0.15, 1e-3);
    EXPECT_EQ(snapshots(), before + 3);
    // A Ctrl click whose zone is refused (a zone came onto the stretch meanwhile) adds no base
    // point either, and stores nothing.
    click(px(9600, 6000));
    click(px(9900, 6000));
    ASSERT_EQ(eng->step(), 3);
    auto late = std::make_unique<SharedZone>();
    late->host = host, late->basePoint = b, late->f = {0.9f, 0.9f, 1.0f, 1.0f};
    p->sharedZones.push_back(std::move(late));
    click(px(6000, 4000), kMkCtrl);
    EXPECT_EQ(lastTone(), kToneRefused);
    EXPECT_EQ(p->basePoints.size(), 2u);
    EXPECT_EQ(p->sharedZones.size(), 3u);
    EXPECT_EQ(snapshots(), before + 3);
}

TEST_F(ControlToolTest, FixAsksOnceAndGivesLinesToTheFixedBasePointAndBack) {
    BasePoint& second = AddBase(*p, 2500, 4000, b);
    eng->SetMode(mode::Fix);
    EXPECT_EQ(prompt(), "选择做固定用的基点...");
    click(px(9000, 200));
    EXPECT_EQ(lastTone(), kToneRefused);
    platform.answers.push_back(false);
    click(px(2500, 4000));
    EXPECT_FALSE(second.sharedNotes);
    EXPECT_EQ(eng->step(), 0);
    const int before = snapshots();
    click(px(2500, 4000));
    ASSERT_EQ(platform.questions.back(), "确定将该基点设成固定基点吗？");
    ASSERT_TRUE(second.sharedNotes);
    EXPECT_EQ(*second.sharedNotes, (std::vector<uint8_t>{1, 1, 0x81, 1, 1}));
    EXPECT_EQ(prompt(), "请选择被固定的线条！");
    click(px(1000, 3000));
    EXPECT_EQ(axis->basePoint, &second);
    click(px(1000, 3000));
    EXPECT_EQ(axis->basePoint, b);
    EXPECT_EQ(snapshots(), before + 3);
    // A fixed base point is not asked about again.
    rightDown(px(0, 0));
    rightUp(px(0, 0));
    const size_t asked = platform.questions.size();
    click(px(2500, 4000));
    EXPECT_EQ(platform.questions.size(), asked);
    EXPECT_EQ(eng->step(), 1);
}

TEST_F(ControlToolTest, FixedDistanceTiesAPinToAMasterAndOpensItsParametersAfterwards) {
    eng->SetMode(mode::FixedDistance);
    EXPECT_EQ(prompt(), "选择被定距的元素...");
    click(px(4000, 1500));
    EXPECT_EQ(prompt(), "第三步：请选择定距主线！");
    click(px(4000, 1500 + 3));  // the pin again: not a line
    EXPECT_EQ(lastTone(), kToneRefused);
    const int before = snapshots();
    click(px(1000, 3000));
    ASSERT_EQ(p->fixedDistances.size(), 1u);
    EXPECT_EQ(p->fixedDistances[0]->first.ptr, pin);
    EXPECT_EQ(p->fixedDistances[0]->host, axis);
    EXPECT_EQ(snapshots(), before + 1);
    // 定距参数: the base size's field is read-only and its entry stays 0.
    platform.dialogValues.push_back({1, 2, 9, 3, 4, 0, 0});
    click(px(4000, 1500));
    ASSERT_EQ(platform.dialogTitles.back(), "定距参数 (创建)");
    EXPECT_FALSE(platform.formFields.back()[2].enabled);
    ASSERT_TRUE(p->fixedDistances[0]->perSize);
    EXPECT_EQ(*p->fixedDistances[0]->perSize, (std::vector<float>{100, 200, 0, 300, 400}));
    EXPECT_EQ(snapshots(), before + 2);
    // The window's drawn dialog replaces the form; cancelled, it takes no snapshot.
    int drawn = 0;
    eng->hooks.fixedDistanceSteps = [&](Part& part, FixedDistance& fd) {
        ++drawn;
        EXPECT_EQ(&part, p);
        EXPECT_EQ(&fd, p->fixedDistances[0].get());
        return false;
    };
    const size_t titles = platform.dialogTitles.size();
    click(px(4000, 1500));
    EXPECT_EQ(drawn, 1);
    EXPECT_EQ(platform.dialogTitles.size(), titles);
    EXPECT_EQ(snapshots(), before + 2);
    eng->hooks.fixedDistanceSteps = nullptr;
    // A master line asks before its ties are deleted.
    platform.answers.push_back(true);
    click(px(1000, 3000));
    EXPECT_EQ(platform.questions.back(), "该线已是其他线的定距主线！删除关联吗？");
    EXPECT_TRUE(p->fixedDistances.empty());
}

TEST_F(ControlToolTest, SymmetryTogglesSelfSymmetryLinksAndDraggedStretches) {
    Line& edge = addLine(*p, {{0, 200}, {9000, 200}}, true);
    addLine(*p, {{6000, 1000}, {7000, 3000}, {8000, 1000}}, true);  // bent, lines A
    eng->SetMode(mode::SymControl);
    EXPECT_EQ(prompt(), "选择对称轴...");
    const int before = snapshots();
    // Bent lines are no axis, in either list.
    click(px(2000, 500 + 10));
    click(px(7000, 3000));
    ASSERT_EQ(platform.notices.size(), 2u);
    EXPECT_EQ(platform.notices[0], "对称轴必须是直线！");
    EXPECT_EQ(platform.notices[1], "对称轴必须是直线！");
    EXPECT_EQ(eng->step(), 0);
    // A straight line of lines A toggles its own symmetry, once per click.
    click(px(5000, 200));
    EXPECT_NE(edge.flags & kLineSelfSymmetric, 0u);
    click(px(5000, 200));
    EXPECT_EQ(edge.flags & kLineSelfSymmetric, 0u);
    EXPECT_EQ(snapshots(), before + 2);
    EXPECT_EQ(eng->step(), 0);

    // A line of lines B is the axis (x = 1000): a pin toggles an element link, drawn mirrored.
    click(px(1000, 3000));
    EXPECT_EQ(eng->step(), 1);
    EXPECT_EQ(prompt(), "请选择对称主线！");
    click(px(4000, 1500));
    ASSERT_EQ(p->symElemLinks.size(), 1u);
    const Polyline& ring = p->symElemLinks[0]->drawn;
    ASSERT_FALSE(ring.empty());
    PointF mid{};
    for (PointF q : ring) mid.x += q.x / float(ring.size()), mid.y += q.y / float(ring.size());
    EXPECT_NEAR(mid.x, 2 * 1000 - 4000, 30);
    EXPECT_NEAR(mid.y, 1500, 30);
    click(px(4000, 1500));
    EXPECT_TRUE(p->symElemLinks.empty());
    EXPECT_EQ(snapshots(), before + 4);
    // Another part's pin and the axis itself are refused.
    click(px(8000, 1500));
    EXPECT_EQ(lastTone(), kToneRefused);
    platform.tones.clear();
    click(px(1000, 3000));
    EXPECT_EQ(lastTone(), kToneRefused);
    EXPECT_EQ(snapshots(), before + 4);

    // A click on a line links the whole line; the same click again unlinks it.
    click(px(5000, 6000));  // on a node: still the line
    ASSERT_EQ(p->symLineLinks.size(), 1u);
    EXPECT_EQ(p->symLineLinks[0]->f1, 0.0f);
    EXPECT_EQ(p->symLineLinks[0]->f2, 1.0f);
    click(px(5000, 6000));
    EXPECT_TRUE(p->symLineLinks.empty());
    // A drag along the line links the stretch from press to release, drawn mirrored across the axis.
    leftDown(px(2000, 6000));
    EXPECT_EQ(eng->step(), 2);
    moveTo(px(3000, 6000 + 30));
    leftUp(px(4000, 6000));
    EXPECT_EQ(eng->step(), 1);
    ASSERT_EQ(p->symLineLinks.size(), 1u);
    const SymLineLink& s = *p->symLineLinks[0];
    EXPECT_EQ(s.target.ptr, host);
    EXPECT_NEAR(s.f1, 0.2, 1e-3);
    EXPECT_NEAR(s.f2, 0.4, 1e-3);
    ASSERT_GE(s.drawn.size(), 2u);
    EXPECT_NEAR(s.drawn.front().x, 0, 1);
    EXPECT_NEAR(s.drawn.back().x, -2000, 1);
    EXPECT_NEAR(s.drawn.back().y, 6000, 1);
    EXPECT_EQ(snapshots(), before + 7);
    // Dragged the other way it is the same stretch: the link goes.
    leftDown(px(4000, 6000));
    leftUp(px(2000, 6000));
    EXPECT_TRUE(p->symLineLinks.empty());
    // A 1 mm drag means the whole line.
    leftDown(px(5000, 6000));
    leftUp(px(5100, 6000));
    ASSERT_EQ(p->symLineLinks.size(), 1u);
    EXPECT_EQ(p->symLineLinks[0]->f2 - p->symLineLinks[0]->f1, 1.0f);
    EXPECT_EQ(snapshots(), before + 9);
    // The right button drops a drag first, then the axis.
    leftDown(px(2000, 6000));
    rightDown(px(0, 0));
    rightUp(px(0, 0));
    EXPECT_EQ(eng->step(), 1);
    leftUp(px(4000, 6000));
    EXPECT_EQ(p->symLineLinks.size(), 1u);
    rightDown(px(0, 0));
    rightUp(px(0, 0));
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(prompt(), "选择对称轴...");
    EXPECT_EQ(snapshots(), before + 9);
}

TEST_F(ControlToolTest, DialogsOfGroupsAndBasePointAttributes) {
    // 共模说明: marking size 1 marks the same place in every run; all zero removes the array.
    std::optional<std::vector<uint8_t>> die;
    platform.dialogValues.push_back({1, 0, 1, 1, 1, 0, 2, 0, 2, 0});
    ASSERT_TRUE(GroupsDialog(*eng, "分片共模说明", die));
    EXPECT_EQ(platform.dialogTitles.back(), "分片共模说明 (创建)");
    EXPECT_EQ(*die, (std::vector<uint8_t>{1, 0x81, 1, 2, 0x82}));
    platform.dialogValues.push_back({0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(GroupsDialog(*eng, "分片共模说明", die));
    EXPECT_FALSE(die);

    // 基点属性: 归属序号 offers no base point hanging from this one.
    BasePoint& c = AddBase(*p, 2500, 4000, b);
    EXPECT_FALSE(BasePointAttributeDialog(*eng, *p, *b));  // cancelled
    EXPECT_EQ(platform.formFields.back()[9].options, (std::vector<std::string>{"无"}));
    EXPECT_TRUE(platform.formFields.back()[0].enabled);  // no grading results: the reference is free
    platform.dialogValues.push_back({3, 250, 0, 0, 0, 0, 0, 0, 1, 0});
    ASSERT_TRUE(BasePointAttributeDialog(*eng, *p, c));
    EXPECT_EQ(LengthReferenceMode(c), 3);
    EXPECT_FLOAT_EQ(c.length, 250.0f);
    EXPECT_TRUE(IndependentDirection(c));
    EXPECT_EQ(c.owner, nullptr);
}

TEST_F(ControlToolTest, ButtonsOfBasePointAndPartAttributesOpenTheirOwnDialogs) {
    // Without the window's target dialog 目标参数 is greyed; 共用说明 is always there.
    EXPECT_FALSE(BasePointAttributeDialog(*eng, *p, *b));
    const auto& fields = platform.formFields.back();
    auto button = [&](const std::string& label) {
        for (const FormField& f : fields)
            if (f.kind == FormField::Kind::Button && f.label == label) return &f;
        return static_cast<const FormField*>(nullptr);
    };
    ASSERT_TRUE(button("目标参数") && button("共用说明"));
    EXPECT_FALSE(button("目标参数")->enabled);
    // Both buttons store at once: cancelling 基点属性 afterwards still reports the change, so the
    // tool takes its snapshot.
    int targetCalls = 0;
    eng->hooks.basePointTargets = [&](BasePoint& bp) {
        ++targetCalls;
        bp.targets = std::vector<PairF>(size_t(doc.design.n), PairF{1.0f, 0.5f});
        return true;
    };
    platform.pressButtons = {"目标参数", "共用说明"};
    platform.dialogValues.push_back({1, 0, 1, 1, 1, 0, 2, 0, 2, 0});  // 基点共用说明
    platform.dialogValues.push_back({});                                // 基点属性 cancelled
    EXPECT_TRUE(BasePointAttributeDialog(*eng, *p, *b));
    EXPECT_EQ(targetCalls, 1);
    EXPECT_TRUE(b->targets);
    ASSERT_TRUE(b->sharedNotes);
    EXPECT_EQ(*b->sharedNotes, (std::vector<uint8_t>{1, 0x81, 1, 2, 0x82}));
    EXPECT_EQ(platform.dialogTitles.back(), "基点共用说明 (创建)");  // opened from within 基点属性
    // 部位属性 offers 共模说明 when it is given one; cancelling the groups changes nothing.
    platform.pressButtons = {"共模说明"};
    auto dieNotes = [&] { return GroupsDialog(*eng, "部位共模说明", p->sharedDie); };
    platform.dialogValues.push_back({});
    platform.dialogValues.push_back({});
    EXPECT_FALSE(PartAttributeDialog(doc, p, nullptr, dieNotes));
    EXPECT_FALSE(p->sharedDie);
    platform.dialogValues.push_back({3, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    platform.dialogValues.push_back({});
    EXPECT_TRUE(PartAttributeDialog(doc, p, nullptr, dieNotes));
    ASSERT_TRUE(p->sharedDie);
    EXPECT_EQ((*p->sharedDie)[0], 3);
    EXPECT_EQ(platform.dialogTitles[platform.dialogTitles.size() - 2], "部位属性");
}

}  // namespace
}  // namespace rz::test
