// Digitizer mode through the engine: tablet streams traced into parts, the keys and the stop
// of the mode, presses in other modes, 校位 against an independent rigid motion, and the
// serial tablet on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <random>
#include <unistd.h>

#include "device_fixture.h"
#include "pty.h"
#include "geom/primitives.h"

namespace rz {
namespace {

// WACOM packets at 1270 lines per inch on the A3 range: 2 units a count, y down from the top.
std::vector<uint8_t> Packet(PointF at, int field) {
    auto p = EncodeTabletPacket(TabletFormat::SevenByte, int(at.x / 2), int((30480 - at.y) / 2), field);
    return {p.begin(), p.end()};
}

// A press and release of button `button` (keys 0 定点, 1 退点, 2 顶点, 3 结束, 4 角点 by default),
// after a few moves towards the point.
void Click(std::vector<uint8_t>& s, PointF at, int button, int moves = 3) {
    for (int k = moves; k > 0; --k) {
        auto m = Packet({at.x - 40.0f * float(k), at.y}, 0);
        s.insert(s.end(), m.begin(), m.end());
    }
    auto p = Packet(at, button + 1), r = Packet(at, 0);
    s.insert(s.end(), p.begin(), p.end());
    s.insert(s.end(), r.begin(), r.end());
}

struct DigitizerTest : test::DeviceTest {
    std::unique_ptr<DigitizerMode> mode;
    void SetUp() override {
        DeviceTest::SetUp();
        mode = std::make_unique<DigitizerMode>(*eng);
    }
    void TearDown() override { mode.reset(); }
    void feed(const std::vector<uint8_t>& s, size_t chunk = 84, bool drain = true) {
        for (size_t at = 0; at < s.size(); at += chunk) {
            mode->Feed(s.data() + at, std::min(chunk, s.size() - at));
            if (drain) mode->Drain();
        }
    }
    Part& tabletSquare(PointF at, float side) {
        std::vector<uint8_t> s;
        for (PointF c : {at, PointF{at.x + side, at.y}, PointF{at.x + side, at.y + side}, PointF{at.x, at.y + side}})
            Click(s, c, 0);
        Click(s, at, 3);
        feed(s);
        return *doc.design.parts.back();
    }
};

TEST_F(DigitizerTest, ATabletSquareBecomesAPartAndOneTakeBackRemovesOneNode) {
    eng->Command(32865);  // 直线
    ASSERT_TRUE(mode->StartExternal());
    std::vector<uint8_t> s;
    const std::vector<PointF> corners = {{4000, 4000}, {9000, 4000}, {9000, 9000}, {4000, 9000}};
    for (PointF c : corners) Click(s, c, 0);
    // A stray point taken back once: exactly that node goes.
    Click(s, {6000, 12000}, 0);
    Click(s, {6000, 12000}, 1);
    // Far more moves than the queue holds arrive before the window drains: merged, while the
    // press that ends the line still comes through once.
    for (int i = 0; i < 400; ++i) {
        auto m = Packet({float(3000 + i), 3000}, 0);
        s.insert(s.end(), m.begin(), m.end());
    }
    Click(s, {5000, 5000}, 3, 0);
    feed(s, 84, false);
    mode->Drain();
    ASSERT_EQ(doc.design.parts.size(), 2u);
    const Part& p = *doc.design.parts[1];
    ASSERT_EQ(p.linesA.size(), 1u);
    std::vector<PointF> nodes;
    for (const Node& n : p.linesA[0]->nodes) nodes.push_back(n.pt());
    std::vector<PointF> want = corners;
    want.push_back(corners[0]);  // the outline is closed on its first node
    EXPECT_EQ(nodes, want);
    EXPECT_EQ(tones(kToneBack), 1);
    EXPECT_EQ(doc.undo.stored(), 1);
}

TEST_F(DigitizerTest, WhileTheModeRunsOnlyF7AndTheArrowsGetThroughAndF7FinishesTheLine) {
    eng->Command(32864);
    ASSERT_TRUE(vs.view.zoomBy(kZoomIn, ZoomAnchor::Cursor, {300, 200}));
    const View before = vs.view;
    ASSERT_TRUE(mode->StartExternal());
    // The view shows the range one to one with the tablet.
    EXPECT_EQ(vs.view.s, vs.view.s0);
    EXPECT_EQ(vs.view.ox, 0);
    EXPECT_EQ(vs.view.oy, vs.view.H);
    // The mouse and the other keys do nothing meanwhile.
    click(2000, 2000);
    EXPECT_TRUE(eng->traced.empty());
    EXPECT_TRUE(key('Z'));
    EXPECT_TRUE(key(key::Escape));
    EXPECT_EQ(vs.view.s, vs.view.s0);
    EXPECT_FALSE(key(key::Left));  // passed on: the window moves the motif cell
    std::vector<uint8_t> s;
    for (PointF c : {PointF{2000, 2000}, PointF{8000, 2500}, PointF{9000, 7000}}) Click(s, c, 0);
    feed(s);
    EXPECT_EQ(eng->traced.size(), 3u);
    // A press still in the queue when F7 comes is dropped with the mode.
    std::vector<uint8_t> late;
    Click(late, {1000, 9000}, 0);
    feed(late, 84, false);
    EXPECT_TRUE(key(key::F7));
    EXPECT_FALSE(mode->active());
    EXPECT_TRUE(eng->traced.empty());
    ASSERT_EQ(doc.design.parts.size(), 2u);
    EXPECT_EQ(doc.design.parts[1]->linesA[0]->nodes.front().pt(), (PointF{2000, 2000}));
    EXPECT_EQ(doc.design.parts[1]->linesA[0]->nodes.size(), 4u);
    EXPECT_EQ(vs.view.s, before.s);
    EXPECT_EQ(vs.view.ox, before.ox);
    // Mouse input is the engine's again.
    EXPECT_EQ(eng->grab(), nullptr);
    // The stop message ends the mode as well.
    ASSERT_TRUE(mode->StartExternal());
    eng->ActivationLost();
    EXPECT_FALSE(mode->active());
}

TEST_F(DigitizerTest, KeysAreComparedInTheOrderSetPointCornerTakeBackVertexFinish) {
    // Stored order 定点键, 退点键, 顶点键, 结束键, 角点键; a number given to several keys is the
    // first of 定点, 角点, 退点, 顶点, 结束.
    const int order[5] = {0, 4, 1, 2, 3};
    const TraceButton button[5] = {TraceButton::Place, TraceButton::TakeBack, TraceButton::Vertex,
                                   TraceButton::Finish, TraceButton::Corner};
    std::mt19937 rng(5);
    for (int trial = 0; trial < 200; ++trial) {
        for (auto& k : doc.settings.cutSetup.keys) k = int32_t(rng() % 5);
        for (int code = 0; code < 6; ++code) {
            std::optional<TraceButton> want;
            for (int i : order)
                if (doc.settings.cutSetup.keys[size_t(i)] == code) {
                    want = button[i];
                    break;
                }
            EXPECT_EQ(eng->ButtonOfKey(code), want);
        }
    }
}

// 校位 from the tablet: the presses of 定点 are the mode's clicks. The part moves by the
// rigid motion that takes the first pair onto the second, computed here in long double.
TEST_F(DigitizerTest, CalibrationFromTheTabletIsTheRigidMotionOfTheTwoPairs) {
    eng->Command(32865);
    ASSERT_TRUE(mode->StartExternal());
    Part& part = tabletSquare({5000, 5000}, 6000);
    std::vector<PointF> before;
    for (const Node& n : part.linesA[0]->nodes) before.push_back(n.pt());
    eng->Command(32873);  // 校位
    EXPECT_EQ(eng->mode(), kCalibrateMode);
    EXPECT_EQ(platform.prompts.back(), kCalibrateFromPrompt);
    const PointF r1{6000, 6000}, r2{10000, 7000}, s1{7000, 5500}, s2{10500, 8100};
    std::vector<uint8_t> s;
    Click(s, r1, 0);
    Click(s, r1, 0);  // on the first point: refused
    Click(s, r2, 0);
    feed(s);
    EXPECT_EQ(platform.prompts.back(), kCalibrateToPrompt);
    EXPECT_EQ(tones(kToneRefused), 1);
    s.clear();
    Click(s, s1, 0);
    Click(s, s2, 0);
    feed(s);
    long double turn = std::atan2((long double)s2.y - s1.y, (long double)s2.x - s1.x) -
                       std::atan2((long double)r2.y - r1.y, (long double)r2.x - r1.x);
    const auto& after = part.linesA[0]->nodes;
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        long double x = (long double)before[i].x + s1.x - r1.x - s1.x, y = (long double)before[i].y + s1.y - r1.y - s1.y;
        long double ex = s1.x + x * std::cos(turn) - y * std::sin(turn);
        long double ey = s1.y + x * std::sin(turn) + y * std::cos(turn);
        EXPECT_NEAR(after[i].x, double(ex), 0.01) << i;
        EXPECT_NEAR(after[i].y, double(ey), 0.01) << i;
    }
    // Distances within the part are kept.
    EXPECT_NEAR(PtDist(after[0].pt(), after[2].pt()), PtDist(before[0], before[2]), 0.01);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(platform.prompts.back(), kCalibrateFromPrompt);
}

TEST_F(DigitizerTest, CalibrationOnThePiecesPageMovesTheWholeDesign) {
    Part& a = AppendNewPart(doc.design, 3);
    Part& b = AppendNewPart(doc.design, 3);
    for (Part* p : {&a, &b}) {
        auto l = MakeLineRecord(doc, {{0, 0, 0}, {1000, 0, 0}}, kCurvePolyline, 1);
        p->linesB.push_back(std::move(l));
    }
    doc.setCurrentPage(3);
    ApplyCalibration(*eng, {0, 0}, {1000, 0}, {100, 200}, {100, 1200});
    for (Part* p : {&a, &b}) {
        EXPECT_NEAR(p->linesB[0]->nodes[1].x, 100, 1e-3);
        EXPECT_NEAR(p->linesB[0]->nodes[1].y, 1200, 1e-3);
    }
    // Neither offset nor turn: only a redraw.
    int stored = doc.undo.stored();
    ApplyCalibration(*eng, {0, 0}, {1000, 0}, {0, 0}, {2000, 0});
    EXPECT_EQ(doc.undo.stored(), stored);
}

TEST_F(DigitizerTest, ASerialTabletOnAPseudoTerminalTracesUntilItIsPulled) {
    test::Pty pty;
    ASSERT_FALSE(pty.path.empty());
    std::mutex m;
    std::condition_variable cv;
    int wakes = 0;
    eng->Command(32865);
    ASSERT_TRUE(mode->StartSerial(pty.path, [&] {
        std::lock_guard<std::mutex> g(m);
        ++wakes;
        cv.notify_all();
    })) << mode->error();
    auto waitAndDrain = [&](auto done) {
        for (int i = 0; i < 200 && !done(); ++i) {
            std::unique_lock<std::mutex> g(m);
            cv.wait_for(g, std::chrono::milliseconds(20), [&] { return wakes > 0; });
            wakes = 0;
            g.unlock();
            mode->Drain();
        }
    };
    std::vector<uint8_t> s;
    for (PointF c : {PointF{3000, 3000}, PointF{7000, 3000}, PointF{7000, 7000}}) Click(s, c, 0);
    Click(s, {3000, 3000}, 3);
    ASSERT_TRUE(pty.write(s));
    waitAndDrain([&] { return doc.design.parts.size() == 2; });
    ASSERT_EQ(doc.design.parts.size(), 2u);
    EXPECT_EQ(doc.design.parts[1]->linesA[0]->nodes.size(), 4u);
    // The adapter is pulled: the mode ends with the refusal tone.
    pty.hangUp();
    waitAndDrain([&] { return !mode->active(); });
    EXPECT_FALSE(mode->active());
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    // A port that cannot be opened: the tone and the device named; the mode does not start.
    platform.tones.clear();
    EXPECT_FALSE(mode->StartSerial("/dev/rozedoz-no-such-port", {}));
    EXPECT_EQ(platform.tones, std::vector<int>{kToneRefused});
    EXPECT_EQ(platform.prompts.back(), "不能打开 /dev/rozedoz-no-such-port");
    EXPECT_FALSE(mode->active());
    EXPECT_EQ(eng->grab(), nullptr);
}

}  // namespace
}  // namespace rz
