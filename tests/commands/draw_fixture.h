// A document, a view of 0.1 pixel per model unit (1000 × 700 pixels over 10000 × 7000 units,
// model origin at the bottom-left corner) and an engine with the tracing and shape modes.
#pragma once

#include <gtest/gtest.h>

#include "commands/draw_common.h"
#include "commands/trace.h"
#include "commands/undo_commands.h"
#include "fake_platform.h"
#include "model/refs.h"

namespace rz::test {

struct DrawTest : ::testing::Test {
    FakePlatform platform;
    TDoc doc{platform};
    ViewState vs;
    std::unique_ptr<Engine> eng;
    DrawTools tools;

    void SetUp() override {
        MakeSurfaces(vs, 1000, 700, {10000, 7000}, {10000, 7000}, {10000, 7000});
        eng = std::make_unique<Engine>(doc, vs);
        InstallDrawTools(*eng, tools);
    }
    TraceTool& trace() { return *tools.trace; }

    PixelPoint px(float x, float y) const { return vs.view.toWindow({x, y}); }
    PointerEvent ev(Button b, PixelPoint p, uint32_t mods = 0) { return {b, mods, p}; }
    void click(float x, float y, uint32_t mods = 0) {
        eng->OnMouseMove(ev(Button::None, px(x, y), mods));
        eng->OnLeftDown(ev(Button::Left, px(x, y), mods));
        eng->OnLeftUp(ev(Button::Left, px(x, y), mods));
    }
    void rightClick(float x, float y, uint32_t mods = 0) {
        eng->OnRightDown(ev(Button::Right, px(x, y), mods));
        eng->OnRightUp(ev(Button::Right, px(x, y), mods));
    }
    void moveTo(float x, float y, uint32_t mods = 0) { eng->OnMouseMove(ev(Button::None, px(x, y), mods)); }
    bool key(int k, uint32_t mods = 0) { return eng->OnKeyDown({k, mods}); }
    void command(int id) { eng->Command(id); }
    std::vector<int> takeTones() {
        auto t = platform.tones;
        platform.tones.clear();
        return t;
    }

    // Traces a closed square of side `s` at (x, y) in empty space with 直线 and finishes it:
    // a new part.
    Part& squarePart(float x, float y, float s) {
        command(32865);
        click(x, y);
        click(x + s, y);
        click(x + s, y + s);
        click(x, y + s);
        rightClick(x, y + s);
        return *doc.design.parts.back();
    }
    static std::vector<PointF> points(const Line& l) {
        std::vector<PointF> v;
        for (const Node& n : l.nodes) v.push_back(n.pt());
        return v;
    }
};

}  // namespace rz::test
