#include "design/design_tools.h"

#include "commands/edit_tools.h"
#include "commands/tool_support.h"
#include "design/part_split.h"

namespace rz {
namespace {

// 拆分 (113): a click on an inner line of a part splits the part along it, after the question
// unless Ctrl is held.
struct SplitTool : Tool {
    Line* picked = nullptr;
    void releaseData() override { picked = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (!r || r.kind != kKindLineB || !r.part) {
            e.tone(kToneRefused);
            return true;
        }
        Part& part = *r.part;
        picked = r.as<Line>();
        e.setStep(1);
        e.present();  // the line shows highlighted while the question is open
        bool go = p.ctrl() || e.doc.platform.ask(kAskSplit);
        Line* line = picked;
        e.setStep(0);
        releaseData();
        if (!go) {
            e.present();
            return true;
        }
        Part* made = SplitPart(e.doc.design, part, *line, e.doc.smooth);
        if (!made) {
            e.tone(kToneBack);
            e.present();
            return true;
        }
        CommitEdit(e, {&part, made});
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !picked) return false;
        HighlightPen(c);
        std::vector<PixelPoint> px;
        for (PointF q : picked->eval) px.push_back(e.vs.view.toWindow(q));
        if (px.size() > 1) c.polyline(px.data(), px.size());
        return true;
    }
};

}  // namespace

std::unique_ptr<Tool> MakeSplitTool() { return std::make_unique<SplitTool>(); }

}  // namespace rz
