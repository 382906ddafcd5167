// What the front screen shows of the graded sizes: the display rule, the size shown, the grading
// commands as the window runs them, and 靠齐 driven through the engine.
#include <cmath>
#include <filesystem>

#include "../interact/engine_fixture.h"
#include "geom/smooth.h"
#include "grading/align_tool.h"
#include "grading/display.h"
#include "grading_fixture.h"

namespace rz::test {
namespace {

const TSmooth kSmooth;

bool Hidden(uint32_t f) { return (f & kFlagHidden) != 0; }

// Which sizes of a line are visible: one flag per copy.
std::vector<bool> ShownSizes(const Line& l, int n) {
    std::vector<bool> v;
    for (int i = 0; i < n; ++i) v.push_back(!Hidden(GradedCopyAt(l, i)->flags));
    return v;
}

TEST(DisplayRule, ShowsTheBaseSizeOneSizeOrEverySize) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 0, 0);
    Line& l = AddLine(p.linesB, {{100, 100}, {200, 300}}, &b);
    Line& userHidden = AddLine(p.linesB, {{100, 0}, {200, 0}}, &b);
    Line& loose = AddLine(p.linesB, {{0, 100}, {0, 200}}, nullptr);
    Pin& pin = AddPin(p, 50, 50, &b);
    // Hidden by the user after a re-fit: the re-fit mark must not read as anything of the rule's.
    userHidden.flags |= kFlagHidden | lineflag::kNodesRefitted;
    ASSERT_TRUE(GradeDesign(d, kSmooth).ok);

    ApplyDisplayRule(d, kDispAllSizes);  // current size = base size: every size
    EXPECT_TRUE(Hidden(l.flags));
    EXPECT_FALSE(Hidden(loose.flags));  // the same in every size
    EXPECT_EQ(ShownSizes(l, 5), std::vector<bool>(5, true));
    EXPECT_EQ(ShownSizes(userHidden, 5), std::vector<bool>(5, false));
    EXPECT_FALSE(Hidden(GradedCopyAt(pin, 0)->flags));
    ASSERT_TRUE(StepCurrentSize(d, -3));  // wraps from 2 to 4
    EXPECT_EQ(d.baseIndex, 4);
    ApplyDisplayRule(d, kDispAllSizes);
    EXPECT_EQ(ShownSizes(l, 5), (std::vector<bool>{false, false, false, false, true}));
    ApplyDisplayRule(d, 0);
    EXPECT_FALSE(Hidden(l.flags));
    EXPECT_TRUE(Hidden(userHidden.flags));  // hidden by the user, not by the rule
    EXPECT_EQ(ShownSizes(l, 5), std::vector<bool>(5, false));

    // Page Up/Down stop at the ends; the panel's buttons wrap.
    EXPECT_FALSE(MoveCurrentSize(d, 1));
    EXPECT_TRUE(MoveCurrentSize(d, -30));
    EXPECT_EQ(d.baseIndex, 0);

    // With a piece marked for output only its members follow the rule.
    auto piece = std::make_unique<Piece>();
    piece->flags |= kPieceMarkedForOutput;
    auto member = std::make_unique<PieceMember>();
    member->element = {&pin, kKindPin};
    piece->members.push_back(std::move(member));
    d.pieces.push_back(std::move(piece));
    ApplyDisplayRule(d, kDispAllSizes);
    EXPECT_TRUE(Hidden(pin.flags));
    EXPECT_FALSE(Hidden(l.flags));
    EXPECT_EQ(ShownSizes(l, 5), std::vector<bool>(5, false));

    ClearGrading(d);
    EXPECT_TRUE(Hidden(userHidden.flags));
    EXPECT_FALSE(Hidden(pin.flags));  // its copies went: the base size shows again
    EXPECT_FALSE(StepCurrentSize(d, 1));
    EXPECT_EQ(d.baseIndex, 2);  // names the base size again
}

struct GradeCommandTest : ::testing::Test {
    FakePlatform platform;
    TDoc doc{platform};
    void SetUp() override {
        Design& d = doc.design;
        SetSizes(d);
        BasePoint& b = AddBase(d.firstPart(), 0, 0);
        AddLine(d.firstPart().linesB, {{100, 100}, {200, 300}}, &b);
        doc.settings.generalFlags &= ~kGenAutoSave;
    }
};

TEST_F(GradeCommandTest, AsksBeforeReplacingResultsAndStoresOneSnapshot) {
    doc.settings.displayFlags |= kDispAllSizes;
    ASSERT_TRUE(GradePatternCommand(doc).ok);
    EXPECT_TRUE(platform.questions.empty());
    EXPECT_EQ(doc.undo.stored(), 1);
    EXPECT_TRUE(Hidden(doc.design.firstPart().linesB[0]->flags));  // the display rule ran
    EXPECT_EQ(platform.cursors.front(), CursorKind::Wait);

    platform.answers = {false};
    EXPECT_FALSE(GradePatternCommand(doc).ok);
    EXPECT_EQ(platform.questions.back(), "清除扩缩结果？");
    EXPECT_EQ(doc.undo.stored(), 1);

    // A refused run says why and changes nothing.
    doc.design.step = 0;
    GradeReport r = GradePatternCommand(doc);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(platform.warnings.size(), 1u);
    EXPECT_EQ(platform.warnings[0], r.error);
    EXPECT_TRUE(doc.design.hasGradedLists());
    doc.design.step = 5;

    platform.answers = {false, true};
    EXPECT_FALSE(ClearGradingCommand(doc));
    EXPECT_TRUE(ClearGradingCommand(doc));
    EXPECT_FALSE(doc.design.hasGradedLists());
    EXPECT_FALSE(Hidden(doc.design.firstPart().linesB[0]->flags));
    EXPECT_EQ(doc.undo.stored(), 2);
    EXPECT_FALSE(ClearGradingCommand(doc));  // nothing to clear: no question
    EXPECT_EQ(platform.questions.size(), 4u);
}

TEST_F(GradeCommandTest, MakesTheNumberedAutoSaveFirstUnlessSuppressed) {
    char dir[] = "/tmp/rz-grade-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    doc.settings.dataFolder = std::string(dir) + "/";
    doc.settings.generalFlags |= kGenAutoSave;
    doc.suppressGradingAutoSave = true;
    ASSERT_TRUE(GradePatternCommand(doc).ok);
    EXPECT_EQ(doc.design.autoSaveNumber, -1);
    doc.suppressGradingAutoSave = false;
    platform.answers = {true};
    ASSERT_TRUE(GradePatternCommand(doc).ok);
    ASSERT_GE(doc.design.autoSaveNumber, 0);
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadFileBytes(doc.AutoSavePath(doc.design.autoSaveNumber), bytes, nullptr));
    std::filesystem::remove_all(dir);
}

struct AlignTest : EngineTest {
    Part* p = nullptr;
    Part* other = nullptr;
    void SetUp() override {
        EngineTest::SetUp();
        Design& d = doc.design;
        SetSizes(d);
        p = &part(0);
        BasePoint& b = AddBase(*p, 3000, 3000, nullptr, 0.3f);
        AddLine(p->linesA, {{1000, 1000}, {5000, 1000}, {5000, 5000}, {1000, 1000}}, &b);
        AddPin(*p, 2000, 2000, &b);
        AddMotif(*p, 4000, 2000, &b);
        p->outline = {{1000, 1000}, {5000, 1000}, {5000, 5000}, {1000, 1000}};
        p->bbox = {1000, 1000, 5000, 5000};
        other = &part(1);
        AddBase(*other, 8000, 1000);
        AddLine(other->linesA, {{7000, 500}, {9000, 500}, {9000, 2000}, {7000, 500}}, nullptr);
        other->outline = {{7000, 500}, {9000, 500}, {9000, 2000}, {7000, 500}};
        other->bbox = {7000, 500, 9000, 2000};
        ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
        InstallGradingTools(*eng);
        eng->SetMode(mode::Align);
    }
};

TEST_F(AlignTest, SizesCoincideAtEachClickAndComeBackExactlyOnAnyExit) {
    const std::vector<float> before = CopyCoordinates(doc.design);
    const std::vector<Polyline> evals = [&] {
        std::vector<Polyline> v;
        for (auto& c : p->gradedLines) v.push_back(c->eval);
        return v;
    }();
    click(px(9500, 6500));  // a miss
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    click(px(4900, 1100));
    EXPECT_EQ(eng->step(), 1);
    EXPECT_TRUE(other->hidden());
    EXPECT_TRUE(doc.settings.displayFlags & kDispAllSizes);
    EXPECT_EQ(platform.prompts.back(), "请选择靠齐点... 按鼠标右键退出！");

    // Each size moves by the clicked point less its image under that size's scaling, so that
    // the sizes coincide there.
    const Line& src = *p->linesA[0];
    std::vector<PointF> first;
    for (int i = 0; i < 5; ++i) first.push_back(GradedCopyAt(src, i)->nodes[0].pt());
    const PointF at = vs.view.toModel(px(2000, 4000).x, px(2000, 4000).y);
    click(px(2000, 4000));
    const BasePoint& b = *p->basePoints[0];
    const double c = std::cos(0.3), s = std::sin(0.3);
    for (int i = 0; i < 5; ++i) {
        const PairF f = (*b.factors)[size_t(i)];
        const double dx = at.x - b.x, dy = at.y - b.y;
        const double u = (c * dx + s * dy) * f.a, w = (-s * dx + c * dy) * f.b;
        const double ix = b.x + c * u - s * w, iy = b.y + s * u + c * w;
        const PointF moved = GradedCopyAt(src, i)->nodes[0].pt();
        EXPECT_NEAR(moved.x - first[size_t(i)].x, at.x - ix, 0.01) << i;
        EXPECT_NEAR(moved.y - first[size_t(i)].y, at.y - iy, 0.01) << i;
    }
    click(px(3000, 2500));  // the next click replaces the alignment
    EXPECT_NE(CopyCoordinates(doc.design), before);

    rightDown(px(3000, 2500), kMkShift);  // with Shift: not a pan
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(CopyCoordinates(doc.design), before);
    for (size_t k = 0; k < evals.size(); ++k) EXPECT_EQ(p->gradedLines[k]->eval, evals[k]);
    EXPECT_FALSE(other->hidden());
    EXPECT_FALSE(doc.settings.displayFlags & kDispAllSizes);

    // Leaving the mode, or a design re-graded meanwhile, ends it the same way.
    click(px(4900, 1100));
    click(px(2000, 4000));
    eng->SetMode(mode::Select);
    EXPECT_EQ(CopyCoordinates(doc.design), before);
    EXPECT_FALSE(other->hidden());
    eng->SetMode(mode::Align);
    click(px(4900, 1100));
    click(px(2000, 4000));
    ASSERT_TRUE(GradeDesign(doc.design, kSmooth).ok);
    key(key::Escape);
    EXPECT_EQ(CopyCoordinates(doc.design), before);
    EXPECT_FALSE(other->hidden());
}

}  // namespace
}  // namespace rz::test
