#include "devices/calibrate.h"

#include <cmath>
#include <vector>

#include "commands/edit_tools.h"
#include "geom/primitives.h"

namespace rz {

Affine CalibrationMap(PointF r1, PointF r2, PointF s1, PointF s2) {
    double turn = std::atan2(double(s2.y) - s1.y, double(s2.x) - s1.x) -
                  std::atan2(double(r2.y) - r1.y, double(r2.x) - r1.x);
    Affine shift = Affine::translate(s1.x - r1.x, s1.y - r1.y);
    return shift.then(Affine::rotate(s1, turn));
}

void ApplyCalibration(Engine& e, PointF r1, PointF r2, PointF s1, PointF s2) {
    Affine m = CalibrationMap(r1, r2, s1, s2);
    bool identity = m.a == 1 && m.b == 0 && m.c == 0 && m.d == 1 && m.tx == 0 && m.ty == 0;
    std::vector<Part*> parts;
    if (!identity) {
        if (e.doc.currentPage() == 3) {
            for (auto& p : e.doc.design.parts) parts.push_back(p.get());
        } else if (Part* p = e.PartAt(r1)) {
            parts.push_back(p);
        } else if (Part* q = e.PartAt(r2)) {
            parts.push_back(q);
        }
    }
    if (parts.empty()) {
        e.redraw();
        return;
    }
    for (Part* p : parts) TransformPart(e, *p, m);
    CommitEdit(e, parts);
}

namespace {

class CalibrationTool : public Tool {
public:
    void enter(Engine& e) override {
        pts_.clear();
        e.ShowPromptText(kCalibrateFromPrompt);
    }
    bool leftPress(Engine& e, const Pointer& p) override {
        // The second point of a pair on the first gives no direction.
        if ((pts_.size() == 1 || pts_.size() == 3) && PtDist(pts_.back(), p.model) <= e.doc.smooth.joinDistance) {
            e.tone(kToneRefused);
            return true;
        }
        pts_.push_back(p.model);
        e.tone(kToneAccepted);
        if (pts_.size() == 4) {
            std::vector<PointF> q;
            q.swap(pts_);
            e.setStep(0);
            ApplyCalibration(e, q[0], q[1], q[2], q[3]);
            e.ShowPromptText(kCalibrateFromPrompt);
            return true;
        }
        e.setStep(int(pts_.size()));
        if (pts_.size() == 2) e.ShowPromptText(kCalibrateToPrompt);
        e.present();
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override {
        if (e.step() == 0) return false;
        e.CancelStep();
        return true;
    }
    bool cancelStep(Engine& e) override {
        pts_.clear();
        e.redraw();
        e.ShowPromptText(kCalibrateFromPrompt);
        return true;
    }
    void releaseData() override { pts_.clear(); }
    // The points given so far are marked by small crosses.
    bool overlay(Engine& e, Canvas& c) override {
        if (pts_.empty()) return false;
        c.setWidth(1);
        c.setDash(0, 0);
        for (size_t i = 0; i < pts_.size(); ++i) {
            c.setColour(i < 2 ? 0x00FFFF : 0xFFFF00);
            PixelPoint q = e.vs.view.toWindow(pts_[i]);
            c.line({q.x - 6, q.y - 6}, {q.x + 7, q.y + 7});
            c.line({q.x - 6, q.y + 6}, {q.x + 7, q.y - 7});
        }
        return true;
    }

private:
    std::vector<PointF> pts_;
};

}  // namespace

void InstallCalibrationTool(Engine& e) { e.setTool(kCalibrateMode, std::make_unique<CalibrationTool>()); }

}  // namespace rz
