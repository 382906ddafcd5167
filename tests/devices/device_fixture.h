// The tracing fixture with the other modes the window installs: editing, 校位 and 调整背景.
#pragma once

#include "../commands/draw_fixture.h"
#include "commands/edit_tools.h"
#include "devices/calibrate.h"
#include "devices/digitizer_mode.h"
#include "devices/pictures.h"

namespace rz::test {

struct DeviceTest : DrawTest {
    void SetUp() override {
        DrawTest::SetUp();
        InstallEditTools(*eng);
        InstallCalibrationTool(*eng);
        InstallPictureTool(*eng);
    }
    void press(PointF at, uint32_t mods = 0) { eng->OnLeftDown(ev(Button::Left, px(at.x, at.y), mods)); }
    void release(PointF at, uint32_t mods = 0) { eng->OnLeftUp(ev(Button::Left, px(at.x, at.y), mods)); }
    int tones(int hz) const {
        int n = 0;
        for (int t : platform.tones) n += t == hz;
        return n;
    }
};

}  // namespace rz::test
