// A document, a view of 0.02 pixel per model unit (1000 × 700 pixels over the A3 range) and an
// engine with the tracing, calibration and picture modes, as the window installs them.
#pragma once

#include <gtest/gtest.h>

#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "commands/shapes.h"
#include "commands/trace.h"
#include "devices/calibrate.h"
#include "devices/digitizer_mode.h"
#include "devices/pictures.h"
#include "fake_platform.h"

namespace rz::test {

struct DeviceTest : ::testing::Test {
    FakePlatform platform;
    TDoc doc{platform};
    ViewState vs;
    std::unique_ptr<Engine> eng;
    DrawTools tools;

    void SetUp() override {
        MakeSurfaces(vs, 1000, 700, {45720, 30480}, {45720, 30480}, {45720, 30480});
        eng = std::make_unique<Engine>(doc, vs);
        InstallDrawTools(*eng, tools);
        InstallEditTools(*eng);
        InstallCalibrationTool(*eng);
        InstallPictureTool(*eng);
    }

    PixelPoint px(float x, float y) const { return vs.view.toWindow({x, y}); }
    PointerEvent ev(Button b, PointF at, uint32_t mods = 0) { return {b, mods, px(at.x, at.y)}; }
    void press(PointF at, uint32_t mods = 0) { eng->OnLeftDown(ev(Button::Left, at, mods)); }
    void release(PointF at, uint32_t mods = 0) { eng->OnLeftUp(ev(Button::Left, at, mods)); }
    void moveTo(PointF at, uint32_t mods = 0) { eng->OnMouseMove(ev(Button::None, at, mods)); }
    void click(PointF at, uint32_t mods = 0) {
        moveTo(at, mods);
        press(at, mods);
        release(at, mods);
    }
    bool key(int k, uint32_t mods = 0) { return eng->OnKeyDown({k, mods}); }
    int tones(int hz) const {
        int n = 0;
        for (int t : platform.tones) n += t == hz;
        return n;
    }
};

}  // namespace rz::test
