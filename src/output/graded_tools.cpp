// 选片输出 (157): a press on a part starts a line; its release outputs the part in every size,
// turned by the line's direction and laid side by side (Shift: every second size turned round).
// 单片输出 (172): a press on a part outputs it in the size shown; on a scan line, each of its
// polylines becomes an outline piece of its own. Both grade first when there are no results.
#include "output/graded_tools.h"

#include <climits>
#include <cmath>

#include "commands/tool_support.h"
#include "grading/display.h"
#include "interact/pick.h"
#include "output/graded_sheet.h"

namespace rz {

namespace {

constexpr int kModeSelectOutput = 157;
constexpr int kModeSingleOutput = 172;

PLTC& CurrentSheet(Engine& e) { return SheetOf(e.doc, e.vs.currentSheet == 1 ? 1 : 0); }

// Grades when the design has no results; false when there are still none.
bool EnsureGraded(Engine& e) {
    Design& d = e.doc.design;
    if (d.flags & kDesignGraded) return true;
    e.doc.settings.displayFlags &= ~kDispAllSizes;
    GradePatternCommand(e.doc);
    return (d.flags & kDesignGraded) != 0;
}

class SelectOutputTool : public Tool {
public:
    explicit SelectOutputTool(TFont* font) : font_(font) {}
    void releaseData() override { part_ = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickPart);
        if (r.kind != kKindPart || !r.part) return Refuse(e);
        part_ = r.part;
        from_ = to_ = p.model;
        e.setStep(1);
        // A capture, so that ESC and a lost activation (0x8001) cancel the line.
        DragCapture d;
        d.move = [this](Engine& en, const Pointer& q) {
            to_ = q.model;
            en.present();
        };
        d.overlay = [this](Engine& en, Canvas& c) { return overlay(en, c); };
        d.end = [this](Engine& en, const Pointer& q, bool accepted) {
            Part* part = part_;
            releaseData();
            en.setStep(0);
            if (!accepted || !part) return en.present();
            to_ = q.model;
            output(en, *part, q.shift());
        };
        e.beginDrag(p, std::move(d));
        e.present();
        return true;
    }
    bool cancelStep(Engine& e) override {
        if (e.step() == 0) return false;
        releaseData();
        e.setStep(0);
        e.present();
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() != 1) return false;
        HighlightPen(c, 1);
        DrawPolyline(e, c, {from_, to_});
        return true;
    }

private:
    void output(Engine& e, Part& part, bool shift) {
        const double angle = std::atan2(double(to_.y) - from_.y, double(to_.x) - from_.x);
        if (!EnsureGraded(e)) {
            e.redraw();
            return;
        }
        PLTC& sheet = CurrentSheet(e);
        if (sheet.busy.load()) {
            Refuse(e);
            return;
        }
        GradedOutputOptions o;
        o.font = font_;
        o.angle = angle;
        o.layout = shift ? 2 : 1;
        std::vector<int> all;
        for (int i = 0; i < e.doc.design.n; ++i) all.push_back(i);
        if (OutputPartSizes(sheet, e.doc.design, e.doc.settings, part, all, o) >= 0) sheet.pushLayout();
        e.tone(kToneAccepted);
        e.redraw();
    }

    TFont* font_ = nullptr;
    Part* part_ = nullptr;
    PointF from_, to_;
};

class SingleOutputTool : public Tool {
public:
    explicit SingleOutputTool(TFont* font) : font_(font) {}

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickPart | kPickScanLines);
        PLTC& sheet = CurrentSheet(e);
        if (sheet.busy.load()) return Refuse(e);
        if (r.kind == kKindScanLine) {
            const ScanLine& s = *r.as<ScanLine>();
            for (const Polyline& pl : s.shape) {
                if (pl.empty()) continue;
                PlotItem it;
                it.points = pl;
                it.setKind(kItemOutline);
                it.setTool(kToolFullCut);
                it.setPen(PenSlot(sheet.settings(), kToolFullCut));
                it.pieceId = sheet.nextPieceId;
                sheet.items.push_back(std::move(it));
                if (sheet.nextPieceId < INT32_MAX) ++sheet.nextPieceId;
            }
            sheet.dirty = 1;
            sheet.sorted = 0;
            sheet.pushLayout();
            e.tone(kToneAccepted);
            return true;
        }
        if (r.kind != kKindPart || !r.part) return Refuse(e);
        Part* part = r.part;
        if (!EnsureGraded(e)) {
            e.redraw();
            return true;
        }
        GradedOutputOptions o;
        o.font = font_;
        const int size = e.doc.design.baseIndex;  // the size shown
        if (OutputPartSizes(sheet, e.doc.design, e.doc.settings, *part, {size}, o) >= 0) sheet.pushLayout();
        e.tone(kToneAccepted);
        e.redraw();
        return true;
    }

private:
    TFont* font_ = nullptr;
};

}  // namespace

void InstallGradedOutputTools(Engine& e, TFont* font) {
    e.setTool(kModeSelectOutput, std::make_unique<SelectOutputTool>(font));
    e.setTool(kModeSingleOutput, std::make_unique<SingleOutputTool>(font));
}

}  // namespace rz
