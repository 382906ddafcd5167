// The 拆分 tool driven by clicks: the question, its answers, Ctrl, and the refusals.
#include "../commands/draw_fixture.h"
#include "design/part_split.h"
#include "design/design_tools.h"
#include "geom/polyline.h"
#include "model/xie.h"

namespace rz::test {
namespace {

struct SplitToolTest : DrawTest {
    Part* p = nullptr;
    Line* cut = nullptr;
    Line* once = nullptr;
    void SetUp() override {
        DrawTest::SetUp();
        InstallDesignTools(*eng);
        Part& q = AppendNewPart(doc.design, doc.currentPage());
        PointF c[] = {{1000, 1000}, {9000, 1000}, {9000, 5000}, {1000, 5000}, {1000, 1000}};
        for (int i = 0; i < 4; ++i) q.linesA.push_back(MakeLineRecord(doc, nodes({c[i], c[i + 1]}), kCurvePolyline, 3));
        q.linesB.push_back(MakeLineRecord(doc, nodes({{4000, 1000}, {4000, 5000}}), kCurvePolyline, 1));
        cut = q.linesB.back().get();
        q.linesB.push_back(MakeLineRecord(doc, nodes({{6000, 3000}, {9500, 3000}}), kCurvePolyline, 1));
        once = q.linesB.back().get();
        CompletePart(q);
        eng->designChanged();
        doc.PushUndo();
        p = &q;
        command(32881);
    }
    static std::vector<Node> nodes(std::vector<PointF> pts) {
        std::vector<Node> v;
        for (auto q : pts) v.push_back({q.x, q.y, 0});
        return v;
    }
    size_t snapshots() const { return size_t(doc.undo.stored()); }
};

TEST_F(SplitToolTest, CommandSelectsTheMode) { EXPECT_EQ(eng->mode(), mode::Split); }

TEST_F(SplitToolTest, AnsweringNoKeepsEverything) {
    auto before = WriteXie(doc.design);
    size_t snaps = snapshots(), parts = doc.design.parts.size();
    platform.answers = {false};
    click(4000, 2000);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].caption, "提问");
    EXPECT_EQ(platform.boxes[0].text, "确认拆分吗？");
    EXPECT_EQ(WriteXie(doc.design), before);
    EXPECT_EQ(snapshots(), snaps);
    EXPECT_EQ(doc.design.parts.size(), parts);
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(SplitToolTest, YesSplitsWithOneSnapshot) {
    size_t snaps = snapshots(), parts = doc.design.parts.size();
    platform.answers = {true};
    click(4000, 2000);
    EXPECT_EQ(platform.questions.size(), 1u);
    ASSERT_EQ(doc.design.parts.size(), parts + 1);
    EXPECT_EQ(snapshots(), snaps + 1);
    // The line that crossed only the right side went with the right half.
    Part& right = *doc.design.parts.back();
    bool moved = false;
    for (auto& l : right.linesB) moved = moved || l.get() == once;
    EXPECT_TRUE(moved);
    EXPECT_TRUE(PolyClosed(right.outline));
    EXPECT_TRUE(PolyClosed(p->outline));
}

TEST_F(SplitToolTest, CtrlSplitsWithoutAsking) {
    size_t parts = doc.design.parts.size();
    click(4000, 2000, kMkCtrl);
    EXPECT_TRUE(platform.questions.empty());
    EXPECT_EQ(doc.design.parts.size(), parts + 1);
}

TEST_F(SplitToolTest, RefusalsChangeNothing) {
    auto before = WriteXie(doc.design);
    size_t snaps = snapshots();
    // A line crossing the boundary once: asked, then the 80 Hz tone.
    click(7000, 3000);
    EXPECT_EQ(platform.questions.size(), 1u);
    ASSERT_FALSE(platform.tones.empty());
    EXPECT_EQ(platform.tones.back(), kToneBack);
    // An outline line and empty space are no inner lines: the 500 Hz tone, nothing asked.
    click(9000, 2000);
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    click(2000, 2000);
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    EXPECT_EQ(platform.questions.size(), 1u);
    EXPECT_EQ(WriteXie(doc.design), before);
    EXPECT_EQ(snapshots(), snaps);
}

}  // namespace
}  // namespace rz::test
