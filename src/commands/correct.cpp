#include "commands/correct.h"

#include <cmath>
#include <cstdio>
#include <unordered_set>

#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"

namespace rz {

namespace {

constexpr uint32_t kHighlightColour = 0xA000A0;  // as the engine highlights picks
// Marks a grading run leaves on nodes placed by fixed distances and shared zones.
constexpr uint32_t kRunNodeMarks = 0x60000u;
// Dialog values are shown with two decimals: a value within half a hundredth is unchanged.
constexpr double kUnchangedMm = 0.005;

std::string Fmt2(const char* f, double a, double b) {
    char buf[128];
    std::snprintf(buf, sizeof buf, f, a, b);
    return buf;
}

bool Changed(double typed, double shown) { return std::fabs(typed - shown) >= kUnchangedMm; }

// A typed value: unchanged, or a new positive length. A field left as shown is accepted even
// at 0 (the chord of a closed line, the width of a flat part).
enum class Typed { Same, New, Refused };
Typed Check(double typed, double shown) {
    if (!std::isfinite(typed)) return Typed::Refused;
    if (!Changed(typed, shown)) return Typed::Same;
    return typed > 0 ? Typed::New : Typed::Refused;
}

}  // namespace

int ShownGradedSize(const TDoc& doc) {
    const Design& d = doc.design;
    if (!(doc.settings.displayFlags & kDispAllSizes) || !d.hasGradedLists()) return -1;
    int current = d.baseIndex;
    if (d.n <= 0 || current < 0 || current >= d.n) return -1;
    if (current == ComputeSizeCount(d.rangeFrom, d.rangeTo, d.step, d.baseSize).baseIndex) return -1;
    return current;
}

const Line* GradedCopyOf(const Part& part, const Line& line, int size) {
    if (size < 0) return nullptr;
    const Line* c = line.graded;
    for (int i = 0; i < size && c; ++i) c = c->graded;
    if (!c || c->nodes.size() < 2) return nullptr;
    // Only a copy of this part's own grading results: a stray reference adopts nothing.
    for (const auto& g : part.gradedLines)
        if (g.get() == c) return c;
    return nullptr;
}

int AdoptGradedSize(Part& part, int size, const TSmooth& smooth) {
    int changed = 0;
    for (List<Line>* list : {&part.linesA, &part.linesB})
        for (auto& l : *list) {
            const Line* c = GradedCopyOf(part, *l, size);
            if (!c) continue;
            l->nodes = c->nodes;
            for (auto& n : l->nodes) n.word &= ~kRunNodeMarks;
            EvaluateLineRecord(*l, smooth);
            ++changed;
        }
    return changed;
}

bool ScaleLineToLength(Line& line, float target, const TSmooth& smooth) {
    if (!(target > 0) || !std::isfinite(target) || line.nodes.size() < 2 || line.eval.size() < 2) return false;
    float len = PolyLength(line.eval);
    if (!(len > 0)) return false;
    const PointF o = line.nodes.front().pt();
    auto scaleBy = [&](double k) {
        for (auto& n : line.nodes) {
            n.x = float(o.x + (n.x - o.x) * k);
            n.y = float(o.y + (n.y - o.y) * k);
        }
        EvaluateLineRecord(line, smooth);
    };
    // A uniform scale scales every evaluation method's length alike up to float rounding and
    // sampling; the passes after the first only take up that rest.
    for (int pass = 0; pass < 4; ++pass) {
        if (std::fabs(len - target) <= 0.01f) break;
        scaleBy(double(target) / double(len));
        len = PolyLength(line.eval);
        if (!(len > 0)) break;
    }
    return true;
}

void ScalePart(Part& part, PointF fixed, double fx, double fy, const TSmooth& smooth) {
    Affine m = Affine::scale(fixed, 0.0, fx, fy);
    for (const auto& r : AllRecords(part)) TransformRecord(r, m, smooth);
    for (auto& sl : part.sizeLabels) {
        PointF q = m.apply({sl->x, sl->y});
        sl->x = q.x, sl->y = q.y;
    }
}

PointF CorrectionAnchor(const Part& part) {
    if (!part.basePoints.empty()) return {part.basePoints.front()->x, part.basePoints.front()->y};
    return {part.bbox.minX, part.bbox.minY};
}

namespace {

struct CorrectTool : Tool {
    std::vector<Polyline> shown;  // the graded lines of the size about to be adopted

    static bool Refuse(Engine& e) {
        e.tone(kToneRefused);
        return true;
    }

    bool AdoptSize(Engine& e, Part& part, int size) {
        shown.clear();
        for (List<Line>* list : {&part.linesA, &part.linesB})
            for (auto& l : *list)
                if (const Line* c = GradedCopyOf(part, *l, size)) shown.push_back(c->eval);
        e.present();
        bool yes = e.doc.platform.ask("确定换码修正吗？");
        shown.clear();
        if (!yes) {
            e.present();
            return true;
        }
        AdoptGradedSize(part, size, e.doc.smooth);
        CommitEdit(e, {&part});
        return true;
    }

    bool CorrectPart(Engine& e, Part& part) {
        const RectF b = part.bbox;
        const LengthUnit u = DialogLengthUnit(e.doc.settings);
        const double len = (b.maxX - b.minX) / u.per, wid = (b.maxY - b.minY) / u.per;
        std::vector<ValueField> f{{"长度(" + u.name + ")", len, 0, 1e6, 2}, {"宽度(" + u.name + ")", wid, 0, 1e6, 2}};
        if (!e.doc.platform.valueDialog(Fmt2("部位修正(%.2f,%.2f)", len, wid), f)) return true;
        const Typed tl = Check(f[0].value, len), tw = Check(f[1].value, wid);
        if (tl == Typed::Refused || tw == Typed::Refused) return Refuse(e);
        double fx = tl == Typed::New ? f[0].value / len : 1.0, fy = tw == Typed::New ? f[1].value / wid : 1.0;
        // A part without extent on an axis cannot be stretched to one.
        if (!std::isfinite(fx) || !std::isfinite(fy) || !(fx > 0) || !(fy > 0)) return Refuse(e);
        if (fx == 1.0 && fy == 1.0) return true;
        const PointF o = CorrectionAnchor(part);
        for (PointF c : {PointF{b.minX, b.minY}, PointF{b.maxX, b.maxY}})
            if (!WithinPatternLimits({float(o.x + (c.x - o.x) * fx), float(o.y + (c.y - o.y) * fy)})) return Refuse(e);
        ScalePart(part, o, fx, fy, e.doc.smooth);
        CommitEdit(e, {&part});
        return true;
    }

    bool CorrectLine(Engine& e, Part& part, Line& line) {
        if (line.nodes.size() < 2 || line.eval.size() < 2) return Refuse(e);
        const LengthUnit u = DialogLengthUnit(e.doc.settings);
        const double arc = PolyLength(line.eval) / u.per;
        const double chord = PtDist(line.nodes.front().pt(), line.nodes.back().pt()) / u.per;
        if (!(arc > 0)) return Refuse(e);
        std::vector<ValueField> f{{"长度(" + u.name + ")", arc, 0, 1e6, 2}, {"弦长(" + u.name + ")", chord, 0, 1e6, 2}};
        if (!e.doc.platform.valueDialog("线段修正", f)) return true;
        const Typed ta = Check(f[0].value, arc), tc = Check(f[1].value, chord);
        if (ta == Typed::Refused || tc == Typed::Refused) return Refuse(e);
        const double na = f[0].value, nc = f[1].value;
        // The line grows about its first node: every node must stay within the pattern limits.
        const double grow = ta == Typed::New ? na / arc : tc == Typed::New && chord > 0 ? nc / chord : 1.0;
        const PointF o = line.nodes.front().pt();
        for (const auto& n : line.nodes)
            if (!WithinPatternLimits({float(o.x + (n.x - o.x) * grow), float(o.y + (n.y - o.y) * grow)})) return Refuse(e);
        if (ta == Typed::New) {
            if (!ScaleLineToLength(line, float(na * u.per), e.doc.smooth)) return Refuse(e);
        } else if (tc == Typed::New) {
            // The chord alone: the same uniform scale about the first node, by the chord ratio.
            if (!(chord > 0)) return Refuse(e);
            for (auto& n : line.nodes) {
                n.x = float(o.x + (n.x - o.x) * grow);
                n.y = float(o.y + (n.y - o.y) * grow);
            }
            EvaluateLineRecord(line, e.doc.smooth);
        } else {
            return true;
        }
        CommitEdit(e, {&part});
        return true;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines | kPickPart);
        if (!r || !r.part) return Refuse(e);
        if (r.kind == kKindPart) {
            Part& part = *r.part;
            int size = ShownGradedSize(e.doc);
            bool hasCopies = false;
            if (size >= 0)
                for (List<Line>* list : {&part.linesA, &part.linesB})
                    for (auto& l : *list) hasCopies = hasCopies || GradedCopyOf(part, *l, size);
            if (hasCopies) return AdoptSize(e, part, size);
            return CorrectPart(e, part);
        }
        if (r.kind == kKindLineA || r.kind == kKindLineB) return CorrectLine(e, *r.part, *r.as<Line>());
        return Refuse(e);
    }

    bool overlay(Engine& e, Canvas& c) override {
        if (shown.empty()) return false;
        c.setColour(kHighlightColour);
        c.setWidth(2);
        c.setDash(0, 0);
        for (const auto& pl : shown) {
            std::vector<PixelPoint> px;
            for (PointF q : pl) px.push_back(e.vs.view.toWindow(q));
            if (px.size() > 1) c.polyline(px.data(), px.size());
        }
        return true;
    }
};

}  // namespace

std::unique_ptr<Tool> MakeCorrectTool() { return std::make_unique<CorrectTool>(); }

}  // namespace rz
