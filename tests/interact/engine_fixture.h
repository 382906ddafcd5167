// A document with a view of 0.1 pixel per model unit (1000 × 700 pixels over 10000 × 7000
// units, model origin at the bottom-left corner) and an engine driven by scripted events.
#pragma once

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "interact/engine.h"

namespace rz::test {

struct EngineTest : ::testing::Test {
    FakePlatform platform;
    TDoc doc{platform};
    ViewState vs;
    std::unique_ptr<Engine> eng;

    void SetUp() override {
        MakeSurfaces(vs, 1000, 700, {10000, 7000}, {10000, 7000}, {10000, 7000});
        eng = std::make_unique<Engine>(doc, vs);
    }

    PixelPoint px(float x, float y) const { return vs.view.toWindow({x, y}); }
    PointerEvent ev(Button b, PixelPoint p, uint32_t mods = 0) { return {b, mods, p}; }
    void leftDown(PixelPoint p, uint32_t mods = 0) { eng->OnLeftDown(ev(Button::Left, p, mods)); }
    void leftUp(PixelPoint p, uint32_t mods = 0) { eng->OnLeftUp(ev(Button::Left, p, mods)); }
    void rightDown(PixelPoint p, uint32_t mods = 0) { eng->OnRightDown(ev(Button::Right, p, mods)); }
    void rightUp(PixelPoint p, uint32_t mods = 0) { eng->OnRightUp(ev(Button::Right, p, mods)); }
    void moveTo(PixelPoint p, uint32_t mods = 0) { eng->OnMouseMove(ev(Button::None, p, mods)); }
    void click(PixelPoint p, uint32_t mods = 0) {
        leftDown(p, mods);
        leftUp(p, mods);
    }
    bool key(int k, uint32_t mods = 0) { return eng->OnKeyDown({k, mods}); }

    Part& part(int i = 0) {
        while (doc.design.parts.size() <= size_t(i)) doc.design.parts.push_back(std::make_unique<Part>());
        return *doc.design.parts[size_t(i)];
    }
    Line& addLine(Part& p, Polyline pts, bool listA = false) {
        auto l = std::make_unique<Line>();
        for (PointF q : pts) l->nodes.push_back({q.x, q.y, 0});
        l->eval = std::move(pts);
        auto& list = listA ? p.linesA : p.linesB;
        list.push_back(std::move(l));
        eng->designChanged();
        return *list.back();
    }
    Pin& addPin(Part& p, float x, float y, float diameter = 100) {
        auto q = std::make_unique<Pin>();
        q->x = x, q->y = y, q->diameter = diameter;
        p.pins.push_back(std::move(q));
        return *p.pins.back();
    }
    BasePoint& addBase(Part& p, float x, float y) {
        auto b = std::make_unique<BasePoint>();
        b->x = x, b->y = y;
        p.basePoints.push_back(std::move(b));
        return *p.basePoints.back();
    }
    Motif& addMotif(Part& p, float x, float y) {
        auto m = std::make_unique<Motif>();
        m->x = x, m->y = y;
        m->shape = {{{-50, -50}, {50, -50}, {50, 50}, {-50, 50}, {-50, -50}}};
        p.motifs.push_back(std::move(m));
        return *p.motifs.back();
    }
    static bool selected(uint32_t flags) { return (flags & kFlagSelected) != 0; }
};

// Answers "多元选取" with a scripted index, stepping through the candidates first.
struct ScriptedChooser : PickChooser {
    int answer = 0;
    int nextPresses = 0;
    int asked = 0;
    std::vector<PickResult> seen;
    int choose(const std::vector<PickResult>& c, const std::function<void(int)>& highlight) override {
        ++asked;
        seen = c;
        for (int i = 0; i < nextPresses; ++i) highlight(i % int(c.size()));
        return answer;
    }
};

}  // namespace rz::test
