#include "commands/shapes.h"

#include <cmath>
#include <cstdio>

#include "commands/draw_common.h"
#include "commands/features.h"
#include "commands/trace.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"

namespace rz {
namespace {

PointF Add(PointF a, PointF b) { return {a.x + b.x, a.y + b.y}; }
PointF Sub(PointF a, PointF b) { return {a.x - b.x, a.y - b.y}; }
PointF Mul(PointF a, float k) { return {a.x * k, a.y * k}; }
float Dot(PointF a, PointF b) { return a.x * b.x + a.y * b.y; }
float Len(PointF a) { return std::hypot(a.x, a.y); }
PointF Unit(PointF a) {
    float l = Len(a);
    return l > 0.0f ? PointF{a.x / l, a.y / l} : PointF{1.0f, 0.0f};
}
PointF Left(PointF u) { return {-u.y, u.x}; }

Polyline Closed(std::initializer_list<PointF> pts) {
    Polyline pl(pts);
    pl.push_back(pl.front());
    return pl;
}

Polyline Moved(Polyline pl, PointF by) {
    for (auto& q : pl) q = Add(q, by);
    return pl;
}

}  // namespace

// ---------------------------------------------------------------- generators

Polyline RectangleShape(PointF a, PointF b) {
    if (std::fabs(b.x - a.x) <= 0.0f || std::fabs(b.y - a.y) <= 0.0f) return {};
    return Closed({a, {b.x, a.y}, b, {a.x, b.y}});
}

Polyline CircleShape(PointF centre, float diameter) {
    if (!(diameter > 0.0f)) return {};
    return Moved(EllipsePoints(diameter, diameter), centre);
}

Polyline EllipseShape(PointF centre, float across, float along) {
    if (!(across > 0.0f) || !(along > 0.0f)) return {};
    return Moved(EllipsePoints(across, along), centre);
}

Polyline TriangleShape(PointF b0, PointF b1, PointF apexAt) {
    PointF d = Sub(b1, b0);
    if (Len(d) <= 0.0f) return {};
    PointF n = Left(Unit(d));
    float h = Dot(Sub(apexAt, b0), n);
    if (h == 0.0f) return {};
    PointF apex = Add(PtMid(b0, b1), Mul(n, h));
    return Closed({b0, b1, apex});
}

Polyline ParallelogramShape(PointF a, PointF b, PointF c) {
    if (Len(Sub(b, a)) <= 0.0f || Len(Sub(c, b)) <= 0.0f) return {};
    // Zero area when c lies on the line of the first side.
    PointF u = Unit(Sub(b, a));
    if (Dot(Sub(c, b), Left(u)) == 0.0f) return {};
    return Closed({a, b, c, Add(a, Sub(c, b))});
}

Polyline TrapezoidShape(PointF a, PointF b, float bottomLength, float height) {
    PointF d = Sub(b, a);
    if (Len(d) <= 0.0f || height == 0.0f || !(bottomLength > 0.0f)) return {};
    PointF u = Unit(d), n = Left(u);
    PointF m = Add(PtMid(a, b), Mul(n, height));
    return Closed({a, b, Add(m, Mul(u, bottomLength / 2.0f)), Sub(m, Mul(u, bottomLength / 2.0f))});
}

Polyline TrapezoidShape(PointF a, PointF b, PointF c) {
    PointF u = Unit(Sub(b, a));
    PointF rel = Sub(c, PtMid(a, b));
    return TrapezoidShape(a, b, 2.0f * std::fabs(Dot(rel, u)), Dot(rel, Left(u)));
}

Polyline StripShape(PointF p0, float width, PointF toward) {
    if (!(width > 0.0f)) return {};
    PointF u = Unit(Sub(toward, p0));
    float length = std::max(Len(Sub(toward, p0)), width);
    float r = width / 2.0f;
    PointF c0 = Add(p0, Mul(u, r)), c1 = Add(p0, Mul(u, length - r));
    float a = std::atan2(u.y, u.x);
    const float half = float(M_PI) / 2.0f;
    // Far end: from the right side round the tip to the left side; then back.
    Polyline far = ArcByAngles(c1, r, a - half, a + half, 0.0f);
    Polyline near = ArcByAngles(c0, r, a + half, a + 3.0f * half, 0.0f);
    if (far.empty() || near.empty()) return {};
    Polyline pl = far;
    pl.insert(pl.end(), near.begin(), near.end());
    pl.push_back(pl.front());
    return pl;
}

Polyline PolygonShape(PointF centre, PointF vertex, int sides) {
    PointF v = Sub(vertex, centre);
    if (sides < 3 || Len(v) <= 0.0f) return {};
    Polyline pl;
    for (int k = 0; k < sides; ++k) {
        double t = 2.0 * M_PI * k / sides;
        float c = float(std::cos(t)), s = float(std::sin(t));
        pl.push_back({centre.x + v.x * c - v.y * s, centre.y + v.x * s + v.y * c});
    }
    pl.push_back(pl.front());
    return pl;
}

Polyline TwoPointArc(PointF a, PointF b, PointF c) {
    PointF d = Sub(b, a);
    if (Len(d) <= 0.0f) return {};
    PointF n = Left(Unit(d));
    PointF mid = PtMid(a, b);
    PointF centre = Add(mid, Mul(n, Dot(Sub(c, mid), n)));
    PointF va = Sub(a, centre), vb = Sub(b, centre);
    float r = Len(va);
    float sweep = std::atan2(va.x * vb.y - va.y * vb.x, Dot(va, vb));
    // The centre on the chord: a half circle on the left of a->b.
    if (PtSame(centre, mid)) sweep = -float(M_PI);
    Polyline pl = ArcPoints(centre, va, sweep, r, 0.0f);
    if (pl.size() >= 2) {
        pl.front() = a;
        pl.back() = b;
    }
    return pl;
}

Polyline ThreePointArc(PointF a, PointF m, PointF b) {
    if (PtSame(a, b) && PtSame(a, m)) return {};
    return Arc3Points(a, m, b, 0.0f);
}

// ---------------------------------------------------------------- making the line

Line* MakeShapeLine(Engine& e, const Polyline& pts, Part* anchorPart, bool offsetCopy) {
    if (pts.size() < 2) return nullptr;
    std::vector<Node> nodes;
    nodes.reserve(pts.size() + 1);
    for (PointF q : pts) nodes.push_back({q.x, q.y, 0});
    Design& d = e.doc.design;
    Line* made = nullptr;
    Part* part = anchorPart;
    if (!part) {
        if (PtDiffer(nodes.back().pt(), nodes.front().pt())) nodes.push_back(nodes.front());
        part = &AppendNewPart(d, e.doc.currentPage());
        part->linesA.push_back(MakeLineRecord(e.doc, nodes, kCurvePolyline, 3));
        made = part->linesA.back().get();
        CompletePart(*part);
    } else {
        part->linesB.push_back(MakeLineRecord(e.doc, nodes, kCurvePolyline, 1));
        made = part->linesB.back().get();
    }
    if (offsetCopy) {
        std::vector<Node> copy = made->nodes;
        OffsetNodes(copy, e.doc.settings.equidistance, true);
        if (copy.size() >= 2) part->linesB.push_back(MakeLineRecord(e.doc, std::move(copy), kCurvePolyline, 1));
    }
    e.designChanged();
    e.redraw();
    e.doc.PushUndo();
    return made;
}

// ---------------------------------------------------------------- the tool

int ShapeTool::presses() const {
    switch (mode_) {
    case mode::Rectangle:
    case mode::Circle:
    case mode::Ellipse:
    case mode::Polygon: return 2;
    default: return 3;
    }
}

int ShapeTool::prompt(int step) const {
    switch (mode_) {
    case mode::Rectangle: return 33983;
    case mode::Circle: return 33986;
    case mode::Ellipse: return 33987;
    case mode::Polygon: return 33982;
    case mode::Trapezoid: return step == 1 ? 33984 : 33985;
    case mode::Triangle: return step == 1 ? 33988 : 33989;
    case mode::Parallelogram: return step == 1 ? 33990 : 33991;
    case mode::Strip: return step == 1 ? 33992 : 33993;
    default: return 0;
    }
}

Polyline ShapeTool::Preview(PointF c) const {
    PointF a = pts_[0];
    switch (mode_) {
    case mode::Rectangle: return RectangleShape(a, c);
    case mode::Circle: return CircleShape(a, 2.0f * PtDist(a, c));
    case mode::Ellipse: return EllipseShape(a, 2.0f * std::fabs(c.x - a.x), 2.0f * std::fabs(c.y - a.y));
    case mode::Polygon: return PolygonShape(a, c, sides);
    default: break;
    }
    return {};
}

bool ShapeTool::make(Engine& e, const Polyline& pts) {
    Part* part = anchorPart_;
    e.setStep(0);
    anchorPart_ = nullptr;
    e.ShowPrompt(e.defaultPrompt);
    if (pts.size() < 2) {
        e.tone(kToneRefused);
        e.present();
        return true;
    }
    bool offset = ((mode_ == mode::Circle || mode_ == mode::Ellipse) && (mem_.options & kShapeOffsetRound)) ||
                  (mode_ == mode::Rectangle && (mem_.options & kShapeOffsetRect));
    MakeShapeLine(e, pts, part, offset);
    return true;
}

bool ShapeTool::leftPress(Engine& e, const Pointer& p) {
    PointF c = p.model;
    int step = e.step();
    if (step == 0) {
        pts_[0] = c;
        anchorPart_ = PartAt(e.doc.design, e.doc.currentPage(), c, false);
        if (mode_ == mode::Polygon) sides = 6;
        if (p.ctrl() && mode_ == mode::Circle) return make(e, CircleShape(c, mem_.circleDiameter));
        if (p.ctrl() && mode_ == mode::Ellipse)
            return make(e, EllipseShape(c, mem_.ellipseAcross, mem_.ellipseAlong));
        e.setStep(1);
        if (int pr = prompt(1)) e.ShowPrompt(pr);
        else e.ShowPromptText(mode_ == mode::ArcTwoPoints ? "给定两点+中心点生成圆弧" : "给定三点生成圆弧");
        return true;
    }
    if (presses() == 3 && step == 1) {
        if (PtSame(c, pts_[0])) {
            e.tone(kToneRefused);
            return true;
        }
        pts_[1] = c;
        e.setStep(2);
        if (int pr = prompt(2)) e.ShowPrompt(pr);
        return true;
    }
    PointF a = pts_[0], b = pts_[1];
    switch (mode_) {
    case mode::Rectangle: return make(e, RectangleShape(a, c));
    case mode::Circle: {
        float dia = 2.0f * PtDist(a, c);
        if (dia > 0.0f) mem_.circleDiameter = dia;
        return make(e, CircleShape(a, dia));
    }
    case mode::Ellipse: {
        float across = 2.0f * std::fabs(c.x - a.x), along = 2.0f * std::fabs(c.y - a.y);
        if (across > 0.0f && along > 0.0f) {
            mem_.ellipseAcross = across;
            mem_.ellipseAlong = along;
        }
        return make(e, EllipseShape(a, across, along));
    }
    case mode::Polygon: return make(e, PolygonShape(a, c, sides));
    case mode::Triangle: return make(e, TriangleShape(a, b, c));
    case mode::Parallelogram: return make(e, ParallelogramShape(a, b, c));
    case mode::Trapezoid: return make(e, TrapezoidShape(a, b, c));
    case mode::Strip: return make(e, StripShape(a, PtDist(a, b), c));
    case mode::ArcTwoPoints: return make(e, TwoPointArc(a, b, c));
    case mode::ArcThreePoints: return make(e, ThreePointArc(a, b, c));
    default: return false;
    }
}

bool ShapeTool::rightPress(Engine& e, const Pointer&) {
    if (e.step() > 0) e.CancelStep();
    else e.tone(kToneRefused);
    return true;
}

bool ShapeTool::move(Engine& e, const Pointer& p) {
    if (e.step() == 0) return true;
    bool cm = e.doc.settings.centimetreDisplay != 0;
    double unit = cm ? 1000.0 : 100.0;
    PointF from = e.step() == 2 ? pts_[1] : pts_[0];
    char buf[64];
    if (mode_ == mode::Rectangle || mode_ == mode::Ellipse)
        std::snprintf(buf, sizeof buf, "%.1f,%.1f", std::fabs(p.model.x - from.x) / unit,
                      std::fabs(p.model.y - from.y) / unit);
    else
        std::snprintf(buf, sizeof buf, "%.1f", PtDist(from, p.model) / unit);
    e.doc.platform.setStatus(4, buf);
    e.present();
    return true;
}

bool ShapeTool::overlay(Engine& e, Canvas& c) {
    if (e.step() == 0) return false;
    PointF cur = e.model;
    Polyline pl;
    if (presses() == 2) pl = Preview(cur);
    else if (e.step() == 1) pl = {pts_[0], cur};
    else {
        PointF a = pts_[0], b = pts_[1];
        switch (mode_) {
        case mode::Triangle: pl = TriangleShape(a, b, cur); break;
        case mode::Parallelogram: pl = ParallelogramShape(a, b, cur); break;
        case mode::Trapezoid: pl = TrapezoidShape(a, b, cur); break;
        case mode::Strip: pl = StripShape(a, PtDist(a, b), cur); break;
        case mode::ArcTwoPoints: pl = TwoPointArc(a, b, cur); break;
        case mode::ArcThreePoints: pl = ThreePointArc(a, b, cur); break;
        default: break;
        }
        if (pl.empty()) pl = {a, b, cur};
    }
    if (pl.empty()) pl = {pts_[0], cur};
    std::vector<PixelPoint> px;
    for (PointF q : pl) px.push_back(e.vs.view.toWindow(q));
    c.setColour(0x0000FF);
    c.setWidth(1);
    c.setDash(0, 0);
    c.polyline(px.data(), px.size());
    return true;
}

bool ShapeTool::key(Engine& e, const KeyEvent& k) {
    if (k.key != key::Space || e.step() < 1) return false;
    if (mode_ == mode::ArcTwoPoints || mode_ == mode::ArcThreePoints) {
        e.tone(kToneRefused);
        return true;
    }
    sizeDialog(e);
    return true;
}

bool ShapeTool::sizeDialog(Engine& e) {
    bool cm = e.doc.settings.centimetreDisplay != 0;
    float unit = cm ? 1000.0f : 100.0f;
    PointF a = pts_[0], b = pts_[1], c = e.model;
    auto field = [](const char* label, double v, double min = 0.0) {
        return ValueField{label, v, min, 1e7, 2};
    };
    std::vector<ValueField> f;
    std::string title;
    PointF dir = e.step() == 2 ? Unit({b.x - a.x, b.y - a.y}) : Unit({c.x - a.x, c.y - a.y});
    switch (mode_) {
    case mode::Rectangle:
        title = "矩形";
        f = {field("长(l)", std::fabs(c.x - a.x) / unit), field("宽(w)", std::fabs(c.y - a.y) / unit)};
        break;
    case mode::Circle: title = "圆"; f = {field("半径(r)", PtDist(a, c) / unit)}; break;
    case mode::Ellipse:
        title = "椭圆";
        f = {field("长半径(l)", std::fabs(c.x - a.x) / unit), field("宽半径(w)", std::fabs(c.y - a.y) / unit)};
        break;
    case mode::Polygon:
        title = "正多边形";
        f = {field("半径", PtDist(a, c) / unit), ValueField{"边数(n)", double(sides), 3, 1000, 0}};
        break;
    case mode::Triangle: {
        title = "等腰三角形";
        float base = e.step() == 2 ? PtDist(a, b) : PtDist(a, c);
        float h = e.step() == 2 ? SignedDistToLine(a, b, c) : 0.0f;
        f = {field("底边长", base / unit), field("高", h / unit, -1e7)};
        break;
    }
    case mode::Parallelogram: {
        title = "平行四边形";
        float side = e.step() == 2 ? PtDist(a, b) : PtDist(a, c);
        float other = e.step() == 2 ? PtDist(b, c) : 0.0f;
        float ang = e.step() == 2 ? (PtAngle(b, c) - PtAngle(a, b)) * 180.0f / float(M_PI) : 90.0f;
        f = {field("这边的长", side / unit), field("另一边的长", other / unit), field("夹角", ang, -360.0)};
        break;
    }
    case mode::Trapezoid: {
        title = "梯形";
        float top = e.step() == 2 ? PtDist(a, b) : PtDist(a, c);
        float bottom = 0.0f, h = 0.0f;
        if (e.step() == 2) {
            PointF rel{c.x - (a.x + b.x) / 2, c.y - (a.y + b.y) / 2};
            bottom = 2.0f * std::fabs(rel.x * dir.x + rel.y * dir.y);
            h = rel.x * -dir.y + rel.y * dir.x;
        }
        f = {field("上边的长", top / unit), field("底边的长", bottom / unit), field("高", h / unit, -1e7)};
        break;
    }
    case mode::Strip:
        title = "圆条";
        f = {field("宽", (e.step() == 2 ? PtDist(a, b) : PtDist(a, c)) / unit),
             field("长", (e.step() == 2 ? PtDist(a, c) : 0.0f) / unit)};
        break;
    default: return false;
    }
    if (!e.doc.platform.valueDialog(title, f)) return true;  // cancelled: the step stays
    auto v = [&](size_t i) { return float(f[i].value) * unit; };
    Polyline pl;
    switch (mode_) {
    case mode::Rectangle: {
        float sx = c.x < a.x ? -1.0f : 1.0f, sy = c.y < a.y ? -1.0f : 1.0f;
        pl = RectangleShape(a, {a.x + sx * v(0), a.y + sy * v(1)});
        break;
    }
    case mode::Circle:
        if (v(0) > 0.0f) mem_.circleDiameter = 2.0f * v(0);
        pl = CircleShape(a, 2.0f * v(0));
        break;
    case mode::Ellipse:
        if (v(0) > 0.0f && v(1) > 0.0f) {
            mem_.ellipseAcross = 2.0f * v(0);
            mem_.ellipseAlong = 2.0f * v(1);
        }
        pl = EllipseShape(a, 2.0f * v(0), 2.0f * v(1));
        break;
    case mode::Polygon: {
        sides = int(std::lround(f[1].value));
        PointF d = PtSame(a, c) ? PointF{1.0f, 0.0f} : Unit({c.x - a.x, c.y - a.y});
        pl = PolygonShape(a, {a.x + d.x * v(0), a.y + d.y * v(0)}, sides);
        break;
    }
    case mode::Triangle: {
        PointF b1{a.x + dir.x * v(0), a.y + dir.y * v(0)};
        PointF n{-dir.y, dir.x};
        float h = float(f[1].value) * unit;
        pl = TriangleShape(a, b1, {a.x + n.x * h, a.y + n.y * h});
        break;
    }
    case mode::Parallelogram: {
        PointF b1{a.x + dir.x * v(0), a.y + dir.y * v(0)};
        float ang = PtAngle(a, b1) + float(f[2].value) * float(M_PI) / 180.0f;
        PointF c1{b1.x + std::cos(ang) * v(1), b1.y + std::sin(ang) * v(1)};
        pl = ParallelogramShape(a, b1, c1);
        break;
    }
    case mode::Trapezoid: {
        PointF b1{a.x + dir.x * v(0), a.y + dir.y * v(0)};
        pl = TrapezoidShape(a, b1, v(1), float(f[2].value) * unit);
        break;
    }
    case mode::Strip: {
        PointF d = e.step() == 2 ? Unit({c.x - a.x, c.y - a.y}) : PointF{1.0f, 0.0f};
        pl = StripShape(a, v(0), {a.x + d.x * v(1), a.y + d.y * v(1)});
        break;
    }
    default: break;
    }
    return make(e, pl);
}

void InstallDrawTools(Engine& e, DrawTools& tools) {
    // Loaded parts need their outline to be found under a point; the part tools may install a
    // fuller rebuild of their own.
    auto& hooks = derivedHooks();
    if (!hooks.rebuildPart)
        hooks.rebuildPart = [](Design&, Part& p) {
            CompletePart(p);
            RebuildPartFeatures(p);
        };
    auto trace = std::make_unique<TraceTool>();
    tools.trace = trace.get();
    e.setTool(mode::Trace, std::move(trace));
    for (int m : {mode::ArcTwoPoints, mode::ArcThreePoints, mode::Circle, mode::Ellipse, mode::Rectangle,
                  mode::Triangle, mode::Polygon, mode::Parallelogram, mode::Trapezoid, mode::Strip})
        e.setTool(m, std::make_unique<ShapeTool>(m, tools.shapes));
}

}  // namespace rz
