// 合并 (114): the first click picks a part (or one of its boundary lines), which stays highlighted;
// the second picks the part to merge with it. Clicking the first part again lets it go; Esc or
// a right click abandons the step.
#include "commands/edit_tools.h"
#include "commands/tool_support.h"
#include "design/part_merge.h"
#include "design/design_tools.h"
#include "geom/polyline.h"

namespace rz {
namespace {

struct MergeTool : Tool {
    Part* first = nullptr;
    const Line* firstLine = nullptr;

    void releaseData() override {
        first = nullptr;
        firstLine = nullptr;
    }

    struct Hit {
        Part* part = nullptr;
        const Line* boundary = nullptr;  // the boundary line clicked, if any
    };

    // The part under the click: a line picks its part (a boundary line is kept as the shared
    // line meant); otherwise the part whose outline holds the point.
    static Hit HitAt(Engine& e, PointF at) {
        PickResult r = e.PickAt(at, kPickLines | kPickPart);
        if (!r || !r.part) return {};
        return {r.part, r.kind == kKindLineA ? r.as<Line>() : nullptr};
    }

    // On a boundary the first part shares, the click means the part on the other side.
    Hit OtherSide(Engine& e, PointF at) const {
        float half = PickHalf(e);
        int page = e.doc.currentPage();
        for (auto& p : e.doc.design.parts) {
            if (p.get() == first || p->page() != page || p->hidden()) continue;
            for (auto& l : p->linesA)
                if (l->eval.size() >= 2 && PolyNearest(l->eval, at).dist <= half) return {p.get(), l.get()};
        }
        return {};
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (!first) e.setStep(0);  // the design was replaced under the step (undo, a file read)
        if (e.step() == 0) {
            Hit h = HitAt(e, p.model);
            if (!h.part) {
                e.tone(kToneRefused);
                return true;
            }
            first = h.part;
            firstLine = h.boundary;
            e.setStep(1);
            e.tone(kToneAccepted);
            e.present();
            return true;
        }
        Hit h = HitAt(e, p.model);
        if (h.part == first) {
            Hit other = OtherSide(e, p.model);
            if (!other.part || !h.boundary) {
                // The first part again: it is let go.
                e.tone(kToneBack);
                e.CancelStep();
                return true;
            }
            h = other;
        }
        if (!h.part) {
            e.tone(kToneRefused);
            return true;
        }
        Part* kept = MergeParts(e.doc.design, *first, *h.part, e.doc.smooth, firstLine, h.boundary);
        if (!kept) {
            e.tone(kToneRefused);
            return true;
        }
        e.setStep(0);
        releaseData();
        CommitEdit(e, {kept});
        return true;
    }

    bool rightPress(Engine& e, const Pointer&) override {
        if (e.step() == 0) return false;
        e.CancelStep();
        return true;
    }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !first) return false;
        c.setColour(kHighlightColour);
        c.setDash(0, 0);
        auto draw = [&](const Polyline& pl, int width) {
            std::vector<PixelPoint> px;
            for (PointF q : pl) px.push_back(e.vs.view.toWindow(q));
            c.setWidth(width);
            if (px.size() > 1) c.polyline(px.data(), px.size());
        };
        draw(first->outline, 2);
        if (firstLine) draw(firstLine->eval, 3);
        return true;
    }
};

}  // namespace

std::unique_ptr<Tool> MakeMergeTool() { return std::make_unique<MergeTool>(); }

}  // namespace rz
