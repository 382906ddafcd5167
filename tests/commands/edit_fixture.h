// The editing modes on small designs: parts and lines built directly, presses, drags and the
// refusal check (500 Hz, no snapshot, the same file bytes).
#pragma once

#include <deque>

#include "commands/edit_tools.h"
#include "draw_fixture.h"
#include "model/xie.h"

namespace rz::test {

struct EditFixture : DrawTest {
    // Scripted popup choices of 点操作 (-1 when the script runs out).
    std::deque<int> choices;
    std::vector<std::string> popupTitles;
    std::vector<std::vector<bool>> enabled;  // the enabled items of each popup

    void SetUp() override {
        DrawTest::SetUp();
        EditServices svc;
        svc.popup = scriptedPopup();
        InstallEditTools(*eng, svc);
    }
    // A popup menu that records its title and enabled items and answers from `choices`.
    PopupMenu scriptedPopup() {
        return [this](const std::string& t, const std::vector<std::string>&, const std::vector<bool>& on) {
            popupTitles.push_back(t);
            enabled.push_back(on);
            if (choices.empty()) return -1;
            int c = choices.front();
            choices.pop_front();
            return c;
        };
    }
    static std::vector<Node> nodes(std::vector<PointF> pts) {
        std::vector<Node> v;
        for (auto q : pts) v.push_back({q.x, q.y, 0});
        return v;
    }
    // A part whose outline lines A run through `corners` one side each (closed when the last
    // corner repeats the first); a single line when `oneLine`.
    Part& outlinePart(std::vector<PointF> corners, bool oneLine = false, int method = kCurvePolyline) {
        Part& p = AppendNewPart(doc.design, doc.currentPage());
        if (oneLine) p.linesA.push_back(MakeLineRecord(doc, nodes(corners), method, 3));
        else
            for (size_t i = 0; i + 1 < corners.size(); ++i)
                p.linesA.push_back(MakeLineRecord(doc, nodes({corners[i], corners[i + 1]}), method, 3));
        CompletePart(p);
        eng->designChanged();
        return p;
    }
    Part& square(float x, float y, float s) {
        return outlinePart({{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}, {x, y}}, true);
    }
    Line& lineB(Part& p, std::vector<PointF> pts, int method = kCurvePolyline) {
        p.linesB.push_back(MakeLineRecord(doc, nodes(pts), method, 1));
        CompletePart(p);
        eng->designChanged();
        return *p.linesB.back();
    }
    std::vector<uint8_t> saved() { return WriteXie(doc.design); }
    size_t snapshots() const { return size_t(doc.undo.stored()); }
    void press(float x, float y, uint32_t mods = 0) {
        eng->OnMouseMove(ev(Button::None, px(x, y), mods));
        eng->OnLeftDown(ev(Button::Left, px(x, y), mods));
    }
    void release(float x, float y, uint32_t mods = 0) { eng->OnLeftUp(ev(Button::Left, px(x, y), mods)); }
    void drag(float x0, float y0, float x1, float y1, uint32_t mods = 0) {
        press(x0, y0, mods);
        for (int i = 1; i <= 4; ++i) moveTo(x0 + (x1 - x0) * float(i) / 4, y0 + (y1 - y0) * float(i) / 4, mods);
        release(x1, y1, mods);
    }
    template <class F>
    void expectRefused(F&& action) {
        auto before = saved();
        size_t snaps = snapshots();
        platform.tones.clear();
        action();
        EXPECT_EQ(saved(), before);
        EXPECT_EQ(snapshots(), snaps);
        ASSERT_FALSE(platform.tones.empty());
        EXPECT_EQ(platform.tones.back(), kToneRefused);
    }
    // Nothing changes and nothing is recorded (a cancelled dialog, a "no").
    template <class F>
    void expectUnchanged(F&& action) {
        auto before = saved();
        size_t snaps = snapshots();
        action();
        EXPECT_EQ(saved(), before);
        EXPECT_EQ(snapshots(), snaps);
    }
};

}  // namespace rz::test
