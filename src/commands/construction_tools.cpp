// The construction lines of the 功能线 menu: 中间线 (146), 垂直线 (145), 等分线 (171), 切刀线 (176),
// 圆角线 (148), 针车线 (143), 中心线 (147) and 十字线 (125). Each adds ordinary lines B to the
// picked part and stores one undo snapshot per completed operation.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>

#include "commands/draw_common.h"
#include "commands/edit_ops.h"
#include "commands/edit_tools.h"
#include "commands/feature_tools.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/smooth.h"
#include "geom/stretch.h"

namespace rz {

namespace {

constexpr int kMaxCount = 500;
constexpr float kJoinDistance = 50.0f;  // 0.5 mm
constexpr float kTickHalf = 500.0f;     // 等分线: 10 mm across the line
constexpr float kKnifeTick = 500.0f;    // 切刀线: 5 mm

bool IsLine(int k) { return k == kKindLineA || k == kKindLineB; }

// The line under the press (lines A or B), its part.
std::pair<Line*, Part*> LineAt(Engine& e, PointF p) {
    PickResult r = e.PickAt(p, kPickLines | kPickNoLineNodes);
    if (!IsLine(r.kind) || !r.part || r.as<Line>()->eval.size() < 2) return {nullptr, nullptr};
    return {r.as<Line>(), r.part};
}

PointF Unit(PointF v) {
    const double n = std::hypot(double(v.x), double(v.y));
    if (!(n > 1e-9)) return {0.0f, 0.0f};
    return {float(v.x / n), float(v.y / n)};
}

// The unit direction of a polyline at arc length s.
PointF DirectionAt(const Polyline& pl, float s) {
    const PointAt at = PolyPointAt(pl, s);
    const size_t i = size_t(std::clamp(at.index, 1, int(pl.size()) - 1));
    return Unit({pl[i].x - pl[i - 1].x, pl[i].y - pl[i - 1].y});
}

// A count typed into a dialog, kept to 1–500 (the 80 Hz tone when it had to be); nothing when
// cancelled.
std::optional<int> AskCount(Engine& e, const std::string& title, const std::string& label, int preset) {
    std::vector<ValueField> f{{label, double(preset), 1, kMaxCount, 0}};
    if (!e.doc.platform.valueDialog(title, f)) return std::nullopt;
    if (!std::isfinite(f[0].value)) return std::nullopt;
    const double v = std::round(f[0].value);
    const int n = int(std::clamp(v, 1.0, double(kMaxCount)));
    if (v != double(n)) e.tone(kToneBack);
    return n;
}

Line& AddLine(Engine& e, Part& part, std::vector<Node> nodes, int method, bool auxiliary) {
    auto l = MakeLineRecord(e.doc, std::move(nodes), method, 1);
    if (auxiliary) l->flags |= kLineAuxiliary;
    part.linesB.push_back(std::move(l));
    return *part.linesB.back();
}

std::vector<Node> Nodes(std::initializer_list<PointF> pts) {
    std::vector<Node> v;
    for (PointF q : pts) v.push_back({q.x, q.y, 0});
    return v;
}

// `m` points at equal arc-length spacing along the polyline.
Polyline Resample(const Polyline& pl, size_t m) {
    const float L = PolyLength(pl);
    std::vector<float> at(m);
    for (size_t i = 0; i < m; ++i) at[i] = m > 1 ? L * float(i) / float(m - 1) : 0.0f;
    Polyline out;
    PolyPointsAt(pl, at, out);
    return out;
}

// The second polyline runs the other way when its ends lie crosswise to the first's.
bool Crosswise(const Polyline& a, const Polyline& b) {
    return PtDist(a.front(), b.back()) < PtDist(a.front(), b.front()) &&
           PtDist(a.back(), b.front()) < PtDist(a.back(), b.back());
}

// ---------------------------------------------------------------- 中间线

struct MiddleTool : Tool {
    Line* first = nullptr;
    Part* part = nullptr;
    Line* second = nullptr;
    void releaseData() override { first = second = nullptr, part = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        auto [l, pt] = LineAt(e, p.model);
        if (!l) return Refuse(e);
        if (e.step() == 0) {
            first = l, part = pt;
            e.setStep(1);
            e.ShowPrompt(33997);
            e.present();
            return true;
        }
        if (l == first) return Refuse(e, kToneBack);
        second = l;
        int k = 1;
        if (!p.ctrl()) {
            e.present();
            auto n = AskCount(e, "中间线", "条数", 1);
            if (!n) {
                e.CancelStep();
                return true;
            }
            k = *n;
        }
        // The first line is read through a copy, turned when it lies crosswise to the second.
        Polyline a = first->eval;
        const Polyline& b = second->eval;
        if (Crosswise(a, b)) std::reverse(a.begin(), a.end());
        const size_t m = std::max<size_t>(2, (a.size() + b.size()) / 2);
        const Polyline pa = Resample(a, m), pb = Resample(b, m);
        Part* into = part;
        for (int j = 1; j <= k; ++j) {
            const float t = float(j) / float(k + 1);
            std::vector<Node> nodes;
            nodes.reserve(m);
            for (size_t i = 0; i < m; ++i)
                nodes.push_back({pa[i].x + t * (pb[i].x - pa[i].x), pa[i].y + t * (pb[i].y - pa[i].y), 0});
            // The evaluated points are interpolated, not approximated again.
            AddLine(e, *into, std::move(nodes), kCurveInterpolating, false);
        }
        return CommitStep(e, *this, *into);
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0) return false;
        HighlightPen(c);
        if (first) DrawPolyline(e, c, first->eval);
        if (second) DrawPolyline(e, c, second->eval);
        return true;
    }
};

// ---------------------------------------------------------------- 垂直线

struct PerpendicularTool : Tool {
    Line* line = nullptr;
    Part* part = nullptr;
    bool fixed = false;
    float footS = 0.0f;
    PointF at;
    void releaseData() override { line = nullptr, part = nullptr, fixed = false; }

    // The segment the tool would make for the pointer at q (length `typed` when given).
    std::pair<PointF, PointF> segment(PointF q, std::optional<float> typed = {}) const {
        if (fixed) {
            const PointF foot = PolyPointAt(line->eval, footS).pt;
            const PointF d = DirectionAt(line->eval, footS);
            PointF n{-d.y, d.x};
            if (n.x * (q.x - foot.x) + n.y * (q.y - foot.y) < 0.0f) n = {-n.x, -n.y};
            const float len = typed ? *typed : PolyNearest(line->eval, q).dist;
            return {foot, {foot.x + n.x * len, foot.y + n.y * len}};
        }
        return {q, PolyNearest(line->eval, q).pt};
    }
    bool make(Engine& e, std::pair<PointF, PointF> s) {
        if (!(PtDist(s.first, s.second) > kJoinDistance) || !WithinPatternLimits(s.second)) return Refuse(e, kToneBack);
        Part* into = part;
        AddLine(e, *into, Nodes({s.first, s.second}), kCurvePolyline, false);
        return CommitStep(e, *this, *into);
    }
    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) {
            auto [l, pt] = LineAt(e, p.model);
            if (!l) return Refuse(e);
            line = l, part = pt, fixed = p.ctrl(), at = p.model;
            footS = PolyLengthTo(l->eval, p.model).length;
            e.setStep(1);
            e.present();
            return true;
        }
        return make(e, segment(p.model));
    }
    bool move(Engine& e, const Pointer& p) override {
        if (e.step() == 0) return false;
        at = p.model;
        e.present();
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() == 0 || k.key != key::Space || !fixed) return false;
        const LengthUnit u = DialogLengthUnit(e.doc.settings);
        std::vector<ValueField> f{{"长度(" + u.name + ")", PtDist(segment(at).first, segment(at).second) / u.per, 0, 1.0e5, 2}};
        if (!e.doc.platform.valueDialog("垂直线", f)) return true;
        if (!std::isfinite(f[0].value) || !(f[0].value > 0.0)) return Refuse(e);
        return make(e, segment(at, float(f[0].value * u.per)));
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !line) return false;
        HighlightPen(c, 1);
        DrawPolyline(e, c, line->eval);
        auto s = segment(at);
        DrawPolyline(e, c, {s.first, s.second});
        return true;
    }
};

// ---------------------------------------------------------------- 等分线

struct DivideTool : Tool {
    std::vector<Line*> lines;
    Part* part = nullptr;
    void releaseData() override { lines.clear(), part = nullptr; }

    void divide(Engine& e, int n) {
        Part* into = part;
        std::vector<Line*> ls = lines;
        e.setStep(0);
        releaseData();
        if (n >= 2 && ls.size() == 1) {
            const Polyline& pl = ls[0]->eval;
            const float L = PolyLength(pl);
            for (int i = 1; i < n; ++i) {
                const float s = L * float(i) / float(n);
                const PointF q = PolyPointAt(pl, s).pt, d = DirectionAt(pl, s);
                const PointF nrm{-d.y * kTickHalf, d.x * kTickHalf};
                AddLine(e, *into, Nodes({{q.x - nrm.x, q.y - nrm.y}, {q.x + nrm.x, q.y + nrm.y}}), kCurvePolyline, true);
            }
        } else if (n >= 2) {
            // Across several lines: through the points at i/n of each, every line read in the
            // direction of the first.
            std::vector<Polyline> pls;
            for (Line* l : ls) {
                Polyline pl = l->eval;
                if (!pls.empty() && Crosswise(pls.front(), pl)) std::reverse(pl.begin(), pl.end());
                pls.push_back(std::move(pl));
            }
            for (int i = 1; i < n; ++i) {
                std::vector<Node> nodes;
                for (const Polyline& pl : pls) {
                    const PointF q = PolyPointAt(pl, PolyLength(pl) * float(i) / float(n)).pt;
                    nodes.push_back({q.x, q.y, 0});
                }
                const int method = nodes.size() > 2 ? kCurveInterpolating : kCurvePolyline;
                AddLine(e, *into, std::move(nodes), method, false);
            }
        }
        if (n >= 2) CommitEdit(e, {into});
        else e.redraw();
        e.UpdateModeStatus();
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (lines.size() >= 6) return true;  // a seventh press is ignored
        auto [l, pt] = LineAt(e, p.model);
        if (!l) return Refuse(e);
        if (std::find(lines.begin(), lines.end(), l) != lines.end()) return Refuse(e, kToneBack);
        if (lines.empty()) part = pt;
        lines.push_back(l);
        if (lines.size() == 1 && p.ctrl()) {
            divide(e, featureSession().divisions);
            return true;
        }
        e.setStep(1);
        e.ShowPrompt(33998);
        e.present();
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() == 0 || (k.key != key::Return && k.key != key::Enter && k.key != key::Space)) return false;
        auto n = AskCount(e, "等分线", "等分数", featureSession().divisions);
        if (!n) return true;
        featureSession().divisions = *n;
        divide(e, *n);
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0) return false;
        HighlightPen(c);
        for (Line* l : lines) DrawPolyline(e, c, l->eval);
        return true;
    }
};

// ---------------------------------------------------------------- 切刀线

struct KnifeTool : Tool {
    Line* host = nullptr;
    Part* part = nullptr;
    float s0 = 0.0f;
    PointF at;
    void releaseData() override { host = nullptr, part = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        switch (e.step()) {
        case 0: {
            auto [l, pt] = LineAt(e, p.model);
            if (!l) return Refuse(e);
            host = l, part = pt;
            e.setStep(1);
            e.ShowPrompt(34003);
            e.present();
            return true;
        }
        case 1:
            s0 = PolyLengthTo(host->eval, p.model).length;
            e.setStep(2);
            e.ShowPrompt(34005);
            e.present();
            return true;
        default: {
            const Polyline& pl = host->eval;
            const float s1 = PolyLengthTo(pl, p.model).length;
            auto n = AskCount(e, "切刀线", "输入切刀数", 2);
            if (!n) {
                e.CancelStep();
                return true;
            }
            // Ticks on the side of the end press; one knife stands at the start.
            const PointAt endAt = PolyPointAt(pl, s1);
            const size_t i = size_t(std::clamp(endAt.index, 1, int(pl.size()) - 1));
            const float side = SideOfLine(pl[i - 1], pl[i], p.model) || PtDist(endAt.pt, p.model) < 1e-3f ? 1.0f : -1.0f;
            Part* into = part;
            for (int k = 0; k < *n; ++k) {
                const float s = *n == 1 ? s0 : s0 + (s1 - s0) * float(k) / float(*n - 1);
                const PointF q = PolyPointAt(pl, s).pt, d = DirectionAt(pl, s);
                const PointF tip{q.x - d.y * kKnifeTick * side, q.y + d.x * kKnifeTick * side};
                AddLine(e, *into, Nodes({q, tip}), kCurvePolyline, true);
            }
            return CommitStep(e, *this, *into);
        }
        }
    }
    bool rightPress(Engine& e, const Pointer&) override {
        if (e.step() == 2) {
            e.setStep(1);
            e.ShowPrompt(34003);
            e.present();
            return true;
        }
        return CancelPendingStep(e);
    }
    bool move(Engine& e, const Pointer& p) override {
        if (e.step() != 2) return false;
        at = p.model;
        const float s1 = PolyLengthTo(host->eval, p.model).length;
        const LengthUnit u = DialogLengthUnit(e.doc.settings);
        char b[64];
        std::snprintf(b, sizeof b, "%.2f%s", std::fabs(s1 - s0) / u.per, u.name.c_str());
        e.ShowPromptText(b);
        e.present();
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override { return HighlightPicked(e, c, host); }
};

// ---------------------------------------------------------------- 圆角线

struct RoundCornerTool : Tool {
    Line* first = nullptr;
    Line* second = nullptr;
    Part* part = nullptr;
    PointF at;
    void releaseData() override { first = second = nullptr, part = nullptr; }

    struct Corner {
        PointF t1, t2, v;
    };
    // T1, T2 nearest to p on the two lines and V where the segments carrying them cross.
    std::optional<Corner> corner(PointF p) const {
        const Nearest n1 = PolyNearest(first->eval, p), n2 = PolyNearest(second->eval, p);
        const float s1 = PolyLengthTo(first->eval, n1.pt).length, s2 = PolyLengthTo(second->eval, n2.pt).length;
        const PointF d1 = DirectionAt(first->eval, s1), d2 = DirectionAt(second->eval, s2);
        auto v = LineIntersectPts(n1.pt, {n1.pt.x + d1.x, n1.pt.y + d1.y}, n2.pt, {n2.pt.x + d2.x, n2.pt.y + d2.y});
        if (!v || std::fabs(d1.x * d2.y - d1.y * d2.x) < 1e-4f) return std::nullopt;  // parallel
        if (PtDist(*v, n1.pt) < 1.0f || PtDist(*v, n2.pt) < 1.0f || !WithinPatternLimits(*v)) return std::nullopt;
        return Corner{n1.pt, n2.pt, *v};
    }
    // The quarter ellipse inscribed in the parallelogram V, T1, T1 + T2 − V, T2.
    static Polyline Quarter(const Corner& k) {
        const PointF c{k.t1.x + k.t2.x - k.v.x, k.t1.y + k.t2.y - k.v.y};
        Polyline out;
        constexpr int kSteps = 16;
        for (int i = 0; i <= kSteps; ++i) {
            const double f = 0.5 * std::numbers::pi * i / kSteps, cs = std::cos(f), sn = std::sin(f);
            out.push_back({float(c.x + cs * (k.t1.x - c.x) + sn * (k.t2.x - c.x)),
                           float(c.y + cs * (k.t1.y - c.y) + sn * (k.t2.y - c.y))});
        }
        return out;
    }
    bool make(Engine& e, const Corner& k) {
        Polyline q = Quarter(k);
        PolySimplify(q, kEvalSimplifyTolerance, kEvalSimplifyChord);
        std::vector<Node> nodes;
        for (PointF x : q) nodes.push_back({x.x, x.y, 0});
        Part* into = part;
        AddLine(e, *into, std::move(nodes), kCurveInterpolating, false);
        return CommitStep(e, *this, *into);
    }
    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() < 2) {
            auto [l, pt] = LineAt(e, p.model);
            if (!l) return Refuse(e);
            if (e.step() == 0) {
                first = l, part = pt;
                e.setStep(1);
            } else {
                if (l == first) return Refuse(e, kToneBack);
                second = l;
                e.setStep(2);
            }
            at = p.model;
            e.present();
            return true;
        }
        auto k = corner(p.model);
        if (!k) return Refuse(e);
        return make(e, *k);
    }
    bool move(Engine& e, const Pointer& p) override {
        if (e.step() != 2) return false;
        at = p.model;
        e.present();
        return true;
    }
    bool key(Engine& e, const KeyEvent& ev) override {
        if (e.step() != 2) return false;
        if (ev.key == key::Escape) {
            e.CancelStep();
            return true;
        }
        if (ev.key != key::Space) return false;
        auto k = corner(at);
        if (!k) return Refuse(e);
        const LengthUnit u = DialogLengthUnit(e.doc.settings);
        std::vector<FormField> f{FormField::Number("偏离1", PtDist(k->v, k->t1) / u.per, 2, 0, 1.0e5),
                                 FormField::Number("偏离2", PtDist(k->v, k->t2) / u.per, 2, 0, 1.0e5)};
        if (!e.doc.platform.formDialog("输入偏离", f)) return true;
        if (!std::isfinite(f[0].value) || !std::isfinite(f[1].value) || !(f[0].value > 0.0) || !(f[1].value > 0.0))
            return Refuse(e);
        auto along = [&](PointF t, double d) {
            const PointF dir = Unit({t.x - k->v.x, t.y - k->v.y});
            return PointF{float(k->v.x + dir.x * d * u.per), float(k->v.y + dir.y * d * u.per)};
        };
        Corner typed{along(k->t1, f[0].value), along(k->t2, f[1].value), k->v};
        if (!WithinPatternLimits(typed.t1) || !WithinPatternLimits(typed.t2)) return Refuse(e);
        return make(e, typed);
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0) return false;
        HighlightPen(c, 1);
        if (first) DrawPolyline(e, c, first->eval);
        if (second) DrawPolyline(e, c, second->eval);
        if (e.step() == 2)
            if (auto k = corner(at)) DrawPolyline(e, c, Quarter(*k));
        return true;
    }
};

// ---------------------------------------------------------------- 针车线

struct StitchTool : Tool {
    Line* shown = nullptr;
    void releaseData() override { shown = nullptr; }
    bool leftPress(Engine& e, const Pointer& p) override {
        auto [l, pt] = LineAt(e, p.model);
        if (!l) return Refuse(e);
        shown = l;
        e.present();
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (!shown) return false;
        HighlightPen(c);
        DrawPolyline(e, c, shown->eval);
        return true;
    }
};

// ---------------------------------------------------------------- 中心线, 十字线

// The chord of the outline along the line through `through` with direction `d`: from the
// crossing nearest behind the point to the one nearest ahead. Nothing when the line misses.
std::optional<std::pair<PointF, PointF>> ChordThrough(const Polyline& outline, PointF through, PointF d, float reach) {
    const Polyline ray{{through.x - d.x * reach, through.y - d.y * reach}, {through.x + d.x * reach, through.y + d.y * reach}};
    const std::vector<Crossing> xs = CrossingsOf(ray, {&outline}, -1.0f);
    std::optional<PointF> behind, ahead;
    for (const Crossing& c : xs) {
        if (c.s <= reach) behind = c.pt;
        else if (!ahead) ahead = c.pt;
    }
    if (!behind || !ahead) return std::nullopt;
    return std::make_pair(*behind, *ahead);
}

// Squared distance of p from the segment ab (no square root per segment in a search).
double Dist2ToSegment(PointF a, PointF b, PointF p) {
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y, l2 = dx * dx + dy * dy;
    double t = l2 > 0.0 ? ((double(p.x) - a.x) * dx + (double(p.y) - a.y) * dy) / l2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return ex * ex + ey * ey;
}

float Reach(const Part& p) { return 2.0f * std::hypot(p.bbox.maxX - p.bbox.minX, p.bbox.maxY - p.bbox.minY) + 1.0f; }

float BaseDirection(const Part& p) { return p.basePoints.empty() ? 0.0f : p.basePoints.front()->direction; }

}  // namespace

std::optional<std::pair<PointF, PointF>> SymmetryCentreLine(const Part& part, float direction) {
    const Polyline& o = part.outline;
    if (o.size() < 3 || !std::isfinite(direction)) return std::nullopt;
    const PointF d{std::cos(direction), std::sin(direction)}, n{-d.y, d.x};
    // A few hundred points of the outline stand for it in the search.
    const float L = PolyLength(o);
    if (!(L > 0.0f)) return std::nullopt;
    Polyline probe = Resample(o, 200), coarse = Resample(o, 600);
    float lo = 1e30f, hi = -1e30f;
    for (PointF q : o) {
        const float c = q.x * n.x + q.y * n.y;
        lo = std::min(lo, c), hi = std::max(hi, c);
    }
    // How far the outline's mirror image about the axis at offset c lies from the outline.
    auto misfit = [&](float c) {
        double sum = 0.0;
        for (PointF q : probe) {
            const float k = 2.0f * (q.x * n.x + q.y * n.y - c);
            const PointF m{q.x - k * n.x, q.y - k * n.y};
            double best = 1e300;
            for (size_t i = 1; i < coarse.size(); ++i) best = std::min(best, Dist2ToSegment(coarse[i - 1], coarse[i], m));
            sum += std::sqrt(best);
        }
        return sum;
    };
    // Golden-section search over the offsets the outline spans.
    const float g = 0.618034f;
    float a = lo, b = hi, x1 = b - g * (b - a), x2 = a + g * (b - a);
    double f1 = misfit(x1), f2 = misfit(x2);
    for (int i = 0; i < 40 && b - a > 1.0f; ++i) {
        if (f1 < f2) {
            b = x2, x2 = x1, f2 = f1, x1 = b - g * (b - a), f1 = misfit(x1);
        } else {
            a = x1, x1 = x2, f1 = f2, x2 = a + g * (b - a), f2 = misfit(x2);
        }
    }
    const float c = 0.5f * (a + b);
    const PointF centre = PolyCentroid(o);
    const float along = centre.x * d.x + centre.y * d.y;
    const PointF through{d.x * along + n.x * c, d.y * along + n.y * c};
    return ChordThrough(o, through, d, Reach(part));
}

namespace {

struct CentreLineTool : Tool {
    PointF first;
    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) {
            first = p.model;
            e.setStep(1);
            e.present();
            return true;
        }
        const PointF second = p.model;
        if (PtDist(first, second) < 1.0f) return Refuse(e);  // no direction
        Part* part = e.PartAt(second);
        if (!part) part = e.PartAt(first);
        if (!part) part = e.PartAt(PtMid(first, second));
        if (!part) return Refuse(e);
        const float beta = BaseDirection(*part);
        float diff = std::fabs(std::remainder(PtAngle(first, second) - beta, 2.0f * float(std::numbers::pi)));
        const bool along = diff <= float(std::numbers::pi) / 4.0f || diff > 3.0f * float(std::numbers::pi) / 4.0f;
        auto chord = SymmetryCentreLine(*part, along ? beta : beta + float(std::numbers::pi) / 2.0f);
        if (!chord) return Refuse(e);
        AddLine(e, *part, Nodes({chord->first, chord->second}), kCurvePolyline, false);
        e.setStep(0);
        CommitEdit(e, {part});
        e.UpdateModeStatus();
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
};

struct CrossLineTool : Tool {
    bool leftPress(Engine& e, const Pointer& p) override {
        Part* part = e.PartAt(p.model);
        if (!part || part->outline.size() < 3) return Refuse(e);
        const float beta = BaseDirection(*part);
        std::vector<std::pair<PointF, PointF>> chords;
        for (float a : {beta, beta + float(std::numbers::pi) / 2.0f})
            if (auto c = ChordThrough(part->outline, p.model, {std::cos(a), std::sin(a)}, Reach(*part)))
                chords.push_back(*c);
        if (chords.size() != 2) return Refuse(e);
        for (auto& c : chords) AddLine(e, *part, Nodes({c.first, c.second}), kCurvePolyline, false);
        CommitEdit(e, {part});
        return true;
    }
};

}  // namespace

void InstallConstructionTools(Engine& e) {
    e.setTool(146, std::make_unique<MiddleTool>());
    e.setTool(145, std::make_unique<PerpendicularTool>());
    e.setTool(171, std::make_unique<DivideTool>());
    e.setTool(176, std::make_unique<KnifeTool>());
    e.setTool(148, std::make_unique<RoundCornerTool>());
    e.setTool(143, std::make_unique<StitchTool>());
    e.setTool(147, std::make_unique<CentreLineTool>());
    e.setTool(125, std::make_unique<CrossLineTool>());
}

}  // namespace rz
