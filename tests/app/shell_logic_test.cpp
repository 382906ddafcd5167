// Layout, buttons, date text, recent files, tones and the close sequence: the parts of the
// shell that need no window.
#include <gtest/gtest.h>

#include <cmath>

#include "app/close_sequence.h"
#include "app/layout.h"
#include "app/recent_files.h"
#include "app/tone.h"
#include "fake_platform.h"

namespace rz {
namespace {

TEST(Layout, ProportionsOfTheClientArea) {
    FrameLayout l = computeLayout(1280, 781);
    EXPECT_EQ(l.drawing, (PaneRect{1, 0, 1186, 781 - 118}));
    EXPECT_EQ(l.strip, (PaneRect{0, 663, 1280, 781}));
    EXPECT_EQ(l.params, (PaneRect{1186, 0, 1280, 160}));
    EXPECT_EQ(l.commands, (PaneRect{1186, 160, 1280, 663}));
    // The minimum window still leaves a command window.
    FrameLayout m = computeLayout(800, 560);
    EXPECT_EQ(m.strip.height(), 70);
    EXPECT_GT(m.commands.height(), 300);
}

const PaneButton* find(const std::vector<PaneButton>& v, const std::string& t) {
    for (const auto& b : v)
        if (b.text == t) return &b;
    return nullptr;
}

TEST(CommandButtons, FrontBackAndTheClearLabel) {
    auto front = commandButtons(400, false, false);
    ASSERT_EQ(front.size(), 16u);
    const PaneButton* clear = find(front, "清屏");
    ASSERT_TRUE(clear);
    EXPECT_EQ(clear->id, 32894);
    EXPECT_EQ(clear->x, 3);
    EXPECT_EQ(clear->y, 400 - 202);
    const PaneButton* autoPins = find(front, "自动排");
    ASSERT_TRUE(autoPins);
    EXPECT_EQ(autoPins->x, 48);
    EXPECT_EQ(autoPins->y, 400 - 42);
    EXPECT_EQ(find(front, "定距主从")->y, 400 - 248);
    EXPECT_EQ(find(front, "测量")->y, 400 - 328);

    auto graded = commandButtons(400, false, true);
    EXPECT_FALSE(find(graded, "清屏"));
    ASSERT_TRUE(find(graded, "清除扩缩"));
    EXPECT_EQ(find(graded, "清除扩缩")->id, 32921);

    // The back screen: 清屏 even for a graded design, the four output buttons above, the
    // design buttons disabled.
    auto back = commandButtons(400, true, true);
    ASSERT_TRUE(find(back, "清屏"));
    EXPECT_FALSE(find(back, "清除扩缩"));
    for (const char* t : {"打印", "排位", "顺序", "排刀"}) {
        ASSERT_TRUE(find(back, t)) << t;
        EXPECT_TRUE(find(back, t)->enabled);
    }
    EXPECT_FALSE(find(back, "测量"));
    EXPECT_FALSE(find(back, "删除")->enabled);
    EXPECT_TRUE(find(back, "清屏")->enabled);

    // 327 pixels or less: only the five basic rows.
    EXPECT_EQ(commandButtons(327, false, false).size(), 10u);
    EXPECT_EQ(commandButtons(328, false, false).size(), 16u);
}

TEST(StatusBar, DateTextInUtc) {
    // 2026-12-09 23:30 UTC is a Wednesday whatever the local zone says.
    EXPECT_EQ(startupDateText(1796859000), " 2026年12月 9日 星期三");
    EXPECT_EQ(startupDateText(0), " 1970年 1月 1日 星期四");
    EXPECT_EQ(startupDateText(1796169600 - 86400 * 3), " 2026年11月29日 星期日");
    EXPECT_STREQ(kStatusFixedTexts[0], " Alt+X 退出");
}

TEST(RecentFiles, NewestFirstWithoutDuplicates) {
    RecentFiles r;
    EXPECT_EQ(r.capacity(), 4);
    for (const char* p : {"/a.XIE", "/b.XIE", "/c.XIE", "/d.XIE", "/e.XIE"}) r.add(p);
    EXPECT_EQ(r.items(), (std::vector<std::string>{"/e.XIE", "/d.XIE", "/c.XIE", "/b.XIE"}));
    r.add("/c.XIE");
    EXPECT_EQ(r.items().front(), "/c.XIE");
    EXPECT_EQ(r.items().size(), 4u);
    r.setCapacity(2);
    EXPECT_EQ(r.items(), (std::vector<std::string>{"/c.XIE", "/e.XIE"}));
    r.setCapacity(0);  // out of 1–16: the default
    EXPECT_EQ(r.capacity(), 4);
    r.setCapacity(17);
    EXPECT_EQ(r.capacity(), 4);
    r.setCapacity(16);
    r.setItems({"/x", "", "/x", "/y"});
    EXPECT_EQ(r.items(), (std::vector<std::string>{"/x", "/y"}));
    EXPECT_EQ(RecentFiles::menuLabel(0, "/x"), "&1 /x");
    std::string longPath = "/home/user/qdat/" + std::string(60, 'd') + "/鞋样.XIE";
    std::string label = RecentFiles::menuLabel(1, longPath);
    EXPECT_NE(label.find("/鞋样.XIE"), std::string::npos);
    EXPECT_LT(label.size(), longPath.size());
}

TEST(Tones, EightyMillisecondsAtTheAskedPitch) {
    for (int hz : {500, 150, 80}) {
        auto s = toneSamples(hz, 80, 22050);
        ASSERT_EQ(s.size(), 1764u);
        int crossings = 0;
        float peak = 0;
        for (size_t i = 1; i < s.size(); ++i) {
            if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
            peak = std::max(peak, std::fabs(s[i]));
        }
        // Two crossings per period over 0.08 s.
        EXPECT_NEAR(crossings, 2 * hz * 0.08, 2) << hz;
        EXPECT_LE(peak, 1.0f);
        EXPECT_GT(peak, 0.3f);
        EXPECT_NEAR(s.front(), 0.0f, 1e-6);  // ramps: no click
        EXPECT_NEAR(s.back(), 0.0f, 1e-6);
    }
    EXPECT_TRUE(toneSamples(0, 80, 22050).empty());
}

// ---------------------------------------------------------------- close sequence

struct Screens {
    bool modified[3] = {false, false, false};  // front, sheet 1, sheet 2
    bool job[2] = {false, false};
    std::vector<std::string> events;
    int autoSaves = 0;

    CloseContext context(bool back, int sheet, bool timer) {
        CloseContext c;
        c.backShown = back;
        c.currentSheet = sheet;
        c.autoSaveTimerRunning = timer;
        c.autoSave = [this] { ++autoSaves; };
        auto screen = [this](int i, const std::string& name) {
            CloseScreen s;
            s.modified = [this, i] { return modified[i]; };
            s.clear = [this, name] { events.push_back("clear " + name); };
            s.show = [this, name] { events.push_back("show " + name); };
            if (i > 0) {
                s.jobRunning = [this, i] { return job[i - 1]; };
                s.stopJob = [this, name] { events.push_back("stop " + name); };
            }
            return s;
        };
        c.front = screen(0, "front");
        c.sheets[0] = screen(1, "sheet1");
        c.sheets[1] = screen(2, "sheet2");
        return c;
    }
};

TEST(CloseSequence, FrontScreenOrderAndAllYes) {
    Screens s;
    s.modified[0] = s.modified[1] = s.modified[2] = true;
    test::FakePlatform p;
    auto ctx = s.context(false, 1, true);
    EXPECT_TRUE(runCloseSequence(ctx, p));
    EXPECT_EQ(p.questions, (std::vector<std::string>{"放弃前屏所做修改？", "放弃后屏所做修改？",
                                                     "放弃后屏所做修改？"}));
    EXPECT_EQ(s.events, (std::vector<std::string>{"clear front", "clear sheet1", "clear sheet2"}));
    EXPECT_EQ(s.autoSaves, 0);  // the timer runs: no extra auto-save
}

TEST(CloseSequence, NoAtAnyQuestionLosesNothing) {
    for (int refused = 0; refused < 3; ++refused) {
        Screens s;
        s.modified[0] = s.modified[1] = s.modified[2] = true;
        test::FakePlatform p;
        for (int i = 0; i < 3; ++i) p.answers.push_back(i != refused);
        auto ctx = s.context(false, 0, false);
        EXPECT_FALSE(runCloseSequence(ctx, p));
        EXPECT_EQ(p.questions.size(), size_t(refused + 1));
        const char* names[3] = {"front", "sheet1", "sheet2"};
        // Nothing cleared, the refused screen in view.
        EXPECT_EQ(s.events, (std::vector<std::string>{std::string("show ") + names[refused]}));
        EXPECT_EQ(s.autoSaves, 1);  // without a timer the last auto-save runs first
    }
}

TEST(CloseSequence, BackScreenAsksTheCurrentSheetFirst) {
    Screens s;
    s.modified[0] = s.modified[2] = true;  // front and sheet Ⅱ; sheet Ⅰ unchanged
    test::FakePlatform p;
    p.answers = {false};
    auto ctx = s.context(true, 1, true);
    EXPECT_FALSE(runCloseSequence(ctx, p));
    EXPECT_EQ(p.questions, (std::vector<std::string>{"放弃后屏所做修改？"}));
    EXPECT_EQ(s.events, (std::vector<std::string>{"show sheet2"}));

    // Yes: then the other sheet (unchanged, not asked) and the front.
    Screens t;
    t.modified[0] = t.modified[2] = true;
    test::FakePlatform q;
    auto ctx2 = t.context(true, 1, true);
    EXPECT_TRUE(runCloseSequence(ctx2, q));
    EXPECT_EQ(q.questions, (std::vector<std::string>{"放弃后屏所做修改？", "放弃前屏所做修改？"}));
}

TEST(CloseSequence, RunningJobIsStoppedOnlyWhenEverythingIsConfirmed) {
    Screens s;
    s.job[0] = true;
    s.modified[0] = true;
    test::FakePlatform p;
    p.answers = {true, true};  // front discard yes, stop the job yes
    auto ctx = s.context(false, 0, true);
    EXPECT_TRUE(runCloseSequence(ctx, p));
    EXPECT_EQ(p.questions, (std::vector<std::string>{"放弃前屏所做修改？",
                                                     "正在绘出样片，是否终止该线程？"}));
    EXPECT_EQ(s.events, (std::vector<std::string>{"stop sheet1", "clear front"}));

    // Yes to the job, then No to the front of the back-screen order: the job keeps running.
    Screens t;
    t.job[0] = true;
    t.modified[0] = true;
    test::FakePlatform q;
    q.answers = {true, false};
    auto ctx2 = t.context(true, 0, true);
    EXPECT_FALSE(runCloseSequence(ctx2, q));
    EXPECT_EQ(q.questions.size(), 2u);
    EXPECT_EQ(t.events, (std::vector<std::string>{"show front"}));
}

TEST(CloseSequence, NothingChangedAsksNothing) {
    Screens s;
    test::FakePlatform p;
    auto ctx = s.context(false, 0, false);
    EXPECT_TRUE(runCloseSequence(ctx, p));
    EXPECT_TRUE(p.questions.empty());
    EXPECT_EQ(s.autoSaves, 1);
}

}  // namespace
}  // namespace rz
