// The design tools on small designs: the editing fixture with 提取, 指定, the allowance, row and
// needle tools installed, scripted popups, and helpers for master lines of the first part.
#pragma once

#include "../commands/edit_fixture.h"
#include "design/design_tools.h"
#include "design/pieces.h"
#include "model/xie.h"

namespace rz::test {

struct DesignFixture : EditFixture {
    int piecesChanged = 0;

    void SetUp() override {
        EditFixture::SetUp();
        DesignServices s;
        s.popup = scriptedPopup();
        s.piecesChanged = [this] { ++piecesChanged; };
        InstallDesignTools(*eng, s);
    }
    // A master line: a line B of the design's first part.
    Line& master(std::vector<PointF> pts, int method = kCurvePolyline) {
        return lineB(doc.design.firstPart(), std::move(pts), method);
    }
    // Reads the design back from its own file bytes, as opening the saved file would.
    std::unique_ptr<Design> reloaded() {
        auto d = std::make_unique<Design>();
        XieReadResult r = ReadXie(WriteXie(doc.design), *d, doc.settings, nullptr, nullptr, &doc.smooth);
        EXPECT_TRUE(r.ok);
        return d;
    }
};

}  // namespace rz::test
