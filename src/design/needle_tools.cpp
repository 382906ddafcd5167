// 针径 (130) and 针序 (131).
#include <cmath>
#include <cstdio>

#include "commands/draw_common.h"
#include "commands/tool_support.h"
#include "design/design_tools.h"
#include "design/needles.h"

namespace rz {

namespace {

std::string Fmt(const char* f, double a, double b = 0.0) {
    char buf[128];
    std::snprintf(buf, sizeof buf, f, a, b);
    return buf;
}

// The pin dialog asking one diameter (统一更改 and 同档更改); nothing when cancelled.
std::optional<float> AskDiameter(Engine& e, float initial) {
    const LengthUnit u = DialogLengthUnit(e.doc.settings);
    std::vector<FormField> f{FormField::Number("直径(" + u.name + ")", initial / u.per, 1, 0.0, 1.0e4)};
    if (!e.doc.platform.formDialog("定针属性", f)) return std::nullopt;
    float d = float(f[0].value * u.per);
    if (!std::isfinite(d) || !(d > 0.0f)) return std::nullopt;
    return d;
}

struct NeedleTool : Tool {
    PopupMenu popup;

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickPins | kPickLines);
        if (r.kind == kKindPin) {
            if (PinDialog(e, *r.as<Pin>())) CommitEdit(e, {r.part});
            return true;
        }
        if (r.kind != kKindLineB || !LineMakesPin(*r.as<Line>())) return Refuse(e);
        if (!p.ctrl() && !e.doc.platform.askCaption("Question", kAskLineToPin)) return true;
        if (!LineToPin(e.doc.design, *r.part, *r.as<Line>(), PinToolBits(e.doc))) return Refuse(e);
        CommitEdit(e, {r.part});
        return true;
    }

    bool rightPress(Engine& e, const Pointer& p) override {
        if (!popup) return false;
        int item = popup("针径", {"统一更改", "同档更改", "针径分档"}, {true, true, true});
        Design& d = e.doc.design;
        const float dflt = DefaultDiameter(e.doc);
        switch (item) {
        case 0: {
            Part* under = e.PartAt(p.model);
            std::vector<Part*> target;
            if (under) target.push_back(under);
            else
                for (auto& q : d.parts)
                    if (q->page() == e.doc.currentPage() && !q->hidden()) target.push_back(q.get());
            float dia = dflt;
            if (p.ctrl()) {
                const char* q = under ? "统一更改部位内的针径(%.1f)？" : "统一更改所有的针径(%.1f)？";
                if (!e.doc.platform.ask(Fmt(q, dflt / 100.0))) return true;
            } else {
                auto v = AskDiameter(e, MeanDiameter(target));
                if (!v) return true;
                dia = *v;
            }
            if (UnifyDiameters(target, dia) > 0) CommitEdit(e, target);
            return true;
        }
        case 1: {
            PickResult r = e.PickAt(p.model, kPickPins);
            if (r.kind != kKindPin) return Refuse(e);
            const float d0 = r.as<Pin>()->diameter;
            float d1 = dflt;
            if (p.ctrl()) {
                if (!e.doc.platform.ask(Fmt("同档更改所有的针径( %.1f → %.1f )？", d0 / 100.0, dflt / 100.0))) return true;
            } else {
                auto v = AskDiameter(e, d0);
                if (!v) return true;
                d1 = *v;
            }
            if (ChangeSameClass(*r.part, d0, d1) > 0) CommitEdit(e, {r.part});
            return true;
        }
        case 2: {
            Part* under = e.PartAt(p.model);
            if (!under) return Refuse(e);
            if (ClassifyDiameters(*under) > 0) CommitEdit(e, {under});
            return true;
        }
        default: return true;
        }
    }
};

struct NeedleOrderTool : Tool {
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickPins);
        if (r.kind != kKindPin || !OrderPins(*r.part, r.as<Pin>())) return Refuse(e);
        e.tone(kToneAccepted);
        CommitEdit(e, {r.part});
        e.ShowPrompt(33981);  // 继续选择另一部位...
        return true;
    }
};

}  // namespace

void InstallNeedleTools(Engine& e, const DesignServices& s) {
    auto t = std::make_unique<NeedleTool>();
    t->popup = s.popup;
    e.setTool(mode::Needle, std::move(t));
    e.setTool(mode::NeedleOrder, std::make_unique<NeedleOrderTool>());
}

}  // namespace rz
