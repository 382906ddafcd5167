#include "commands/measure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/smooth.h"
#include "interact/colours.h"
#include "interact/geomindex.h"
#include "interact/overlay.h"
#include "model/units.h"

namespace rz {

// ---------------------------------------------------------------- figures

double OutlineArea(std::span<const PointF> pts) {
    if (pts.size() < 4 || !(pts.front() == pts.back())) return 0.0;
    // Shoelace about the first point, in double, so that far-off coordinates keep their digits.
    const double x0 = pts[0].x, y0 = pts[0].y;
    double twice = 0.0;
    for (size_t i = 1; i + 1 < pts.size(); ++i) {
        double ax = pts[i].x - x0, ay = pts[i].y - y0;
        double bx = pts[i + 1].x - x0, by = pts[i + 1].y - y0;
        twice += ax * by - bx * ay;
    }
    double a = std::fabs(twice) / 2.0;
    return std::isfinite(a) ? a : 0.0;
}

namespace {

double PathLength(std::span<const PointF> pts) {
    double sum = 0.0;
    for (size_t i = 1; i < pts.size(); ++i) sum += std::hypot(double(pts[i].x) - pts[i - 1].x, double(pts[i].y) - pts[i - 1].y);
    return sum;
}

// Width and height of the box of the points turned by `angle` (the box's size does not depend
// on the centre of the turn).
std::pair<double, double> TurnedExtent(std::span<const PointF> pts, double angle) {
    if (pts.empty()) return {0.0, 0.0};
    const double c = std::cos(angle), s = std::sin(angle);
    double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
    for (PointF p : pts) {
        double x = c * p.x - s * p.y, y = s * p.x + c * p.y;
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    return {x1 - x0, y1 - y0};
}

std::string Format(const char* f, auto... v) {
    char buf[512];
    std::snprintf(buf, sizeof buf, f, v...);
    return buf;
}

}  // namespace

PartFigures MeasurePart(const Part& p) {
    PartFigures f;
    f.area = OutlineArea(p.outline);
    f.perimeter = PathLength(p.outline);
    double dir = p.basePoints.empty() ? 0.0 : double(p.basePoints.front()->direction);
    if (!std::isfinite(dir)) dir = 0.0;
    auto [w, h] = TurnedExtent(p.outline, -dir);
    f.width = w, f.height = h;
    f.piecesPerPair = int((p.flags >> 12) & 0xF) + 1;
    return f;
}

double PageArea(const Design& d, int page) {
    double sum = 0.0;
    ForEachVisiblePart(d, page, [&](const Part& p) { sum += OutlineArea(p.outline); });
    return sum;
}

LineFigures MeasureLine(const Line& l) {
    LineFigures f;
    f.length = PathLength(l.eval);
    if (!l.nodes.empty()) {
        PointF a = l.nodes.front().pt(), b = l.nodes.back().pt();
        f.endDistance = std::hypot(double(b.x) - a.x, double(b.y) - a.y);
    }
    auto [w, h] = TurnedExtent(l.eval, 0.0);
    f.width = w, f.height = h;
    return f;
}

std::string PageAreaText(double area, const Settings& s) {
    return Format("总面积:%.5f %s", AreaInUnit(area, s.areaUnit), AreaUnitName(s.areaUnit).c_str());
}

std::string PartFiguresText(const PartFigures& f, const Settings& s) {
    std::string len = LengthUnitName(s.lengthUnit);
    int u = s.lengthUnit;
    return Format("净耗料:%.5f %s\n周长%7.2f %s\n长%7.2f %s\n宽%7.2f %s\n片数：%d", AreaInUnit(f.area, s.areaUnit),
                  AreaUnitName(s.areaUnit).c_str(), LengthInUnit(f.perimeter, u), len.c_str(),
                  LengthInUnit(f.width, u), len.c_str(), LengthInUnit(f.height, u), len.c_str(), f.piecesPerPair);
}

std::string LineFiguresText(const LineFigures& f, const Settings& s) {
    std::string len = LengthUnitName(s.lengthUnit);
    int u = s.lengthUnit;
    return Format("弧    长：%7.2f %s\n端点距离：%7.2f %s\n长%7.2f %s\n宽%7.2f %s", LengthInUnit(f.length, u),
                  len.c_str(), LengthInUnit(f.endDistance, u), len.c_str(), LengthInUnit(f.width, u), len.c_str(),
                  LengthInUnit(f.height, u), len.c_str());
}

// ---------------------------------------------------------------- the measured path

MeasurePath::MeasurePath(Polyline pts) : pts_(std::move(pts)) {
    closed_ = pts_.size() >= 3 && PolyClosed(pts_);
    total_ = PolyLength(pts_);
    if (closed_) given_ = pts_;
}

void MeasurePath::setStart(PointF p) {
    reversed_ = false;
    if (!closed_ || pts_.size() < 2) {
        start_ = position(p);
        return;
    }
    // Always from the path as given, so that a new start leaves no trace of an earlier one.
    float s = PolyLengthTo(given_, p).length;
    PointAt a = PolyPointAt(given_, s);
    Polyline out;
    out.reserve(pts_.size() + 2);
    auto add = [&](PointF q) {
        if (out.empty() || out.back() != q) out.push_back(q);
    };
    add(a.pt);
    int k = std::max(1, a.index);
    for (size_t i = size_t(k); i < given_.size(); ++i) add(given_[i]);
    for (size_t i = 1; i < size_t(k); ++i) add(given_[i]);
    add(a.pt);
    pts_ = std::move(out);
    total_ = PolyLength(pts_);
    start_ = 0.0f;
}

float MeasurePath::position(PointF p) const { return PolyLengthTo(pts_, p).length; }

PointF MeasurePath::pointAt(float s) const { return PolyPointAt(pts_, s).pt; }

float MeasurePath::lengthBetween(float a, float b) const {
    if (!closed_ || total_ <= 0.0f) return std::fabs(b - a);
    float d = reversed_ ? a - b : b - a;
    d = std::fmod(d, total_);
    if (d < 0) d += total_;
    return d;
}

namespace {
// The points of [s0, s1] (0 <= s0 <= s1 <= total) of a polyline.
void AppendStretch(const Polyline& pts, float s0, float s1, Polyline& out) {
    PointAt a = PolyPointAt(pts, s0), b = PolyPointAt(pts, s1);
    out.push_back(a.pt);
    for (int i = a.index; i < b.index; ++i)
        if (out.back() != pts[size_t(i)]) out.push_back(pts[size_t(i)]);
    if (out.back() != b.pt) out.push_back(b.pt);
}
}  // namespace

Polyline MeasurePath::stretch(float a, float b) const {
    Polyline out;
    if (pts_.size() < 2) return out;
    a = std::clamp(a, 0.0f, total_), b = std::clamp(b, 0.0f, total_);
    if (!closed_) {
        AppendStretch(pts_, std::min(a, b), std::max(a, b), out);
        return out;
    }
    float from = reversed_ ? b : a, to = reversed_ ? a : b;  // forward along the points
    if (from <= to) {
        AppendStretch(pts_, from, to, out);
    } else {
        AppendStretch(pts_, from, total_, out);
        Polyline rest;
        AppendStretch(pts_, 0.0f, to, rest);
        out.insert(out.end(), rest.begin() + 1, rest.end());
    }
    return out;
}

std::array<PointF, 2> MeasurePath::tickAt(float s, float length) const {
    PointAt at = PolyPointAt(pts_, s);
    // The direction of the segment under s, or of the nearest segment that has one.
    double dx = 0, dy = 0;
    auto dirOf = [&](int i) {
        if (i < 1 || size_t(i) >= pts_.size()) return false;
        dx = double(pts_[size_t(i)].x) - pts_[size_t(i) - 1].x;
        dy = double(pts_[size_t(i)].y) - pts_[size_t(i) - 1].y;
        return dx != 0 || dy != 0;
    };
    bool found = dirOf(at.index);
    for (int k = 1; !found && k < int(pts_.size()); ++k) found = dirOf(at.index + k) || dirOf(at.index - k);
    double len = std::hypot(dx, dy);
    if (!found || !(len > 0)) return {at.pt, at.pt};
    double h = double(length) / 2.0;
    double nx = -dy / len * h, ny = dx / len * h;
    return {PointF{float(at.pt.x - nx), float(at.pt.y - ny)}, PointF{float(at.pt.x + nx), float(at.pt.y + ny)}};
}

// ---------------------------------------------------------------- mode 31

namespace {

constexpr uint32_t kPathColour = 0xA000A0;  // as the engine highlights picks

struct MeasureTool : Tool {
    Part* part = nullptr;
    MeasurePath path;
    std::optional<float> mark;  // Space: a second origin on the path
    PointF cursor;

    void releaseData() override {
        part = nullptr;
        path = MeasurePath();
        mark.reset();
    }

    static bool Refuse(Engine& e) {
        e.tone(kToneRefused);
        return true;
    }

    bool firstPress(Engine& e, const Pointer& p) {
        const Settings& st = e.doc.settings;
        const int page = e.doc.currentPage();
        // Alt asks for the part itself; a line or pin of it would otherwise be picked first.
        if (p.alt() && page != 3) {
            PickResult r = e.PickAt(p.model, kPickPart);
            if (r.kind == kKindPart) e.doc.platform.notice(PartFiguresText(MeasurePart(*r.part), st));
            else e.doc.platform.notice(PageAreaText(PageArea(e.doc.design, page), st));
            return true;
        }
        uint32_t mask = kPickLines | kPickPins | (page != 3 ? kPickPart : 0u);
        PickResult r = e.PickAt(p.model, mask);
        // A press inside a part but on none of its lines measures the page as on empty ground.
        if (!r || r.kind == kKindPart) {
            e.doc.platform.notice(PageAreaText(PageArea(e.doc.design, page), st));
            return true;
        }
        if (r.kind != kKindLineA && r.kind != kKindLineB) return Refuse(e);  // a pin has no length
        const Line& l = *r.as<Line>();
        if (l.eval.size() < 2) return Refuse(e);
        if (p.ctrl()) {
            e.doc.platform.notice(LineFiguresText(MeasureLine(l), st));
            return true;
        }
        const Polyline& pts = r.kind == kKindLineA ? r.part->outline : l.eval;
        if (pts.size() < 2 || PolyLength(pts) <= 0.0f) return Refuse(e);
        part = r.part;
        path = MeasurePath(pts);
        mark.reset();
        cursor = p.model;
        e.setStep(1);
        e.ShowPrompt(kPromptMeasureStart);
        e.present();
        return true;
    }

    void addTick(Engine& e, float s) {
        auto t = path.tickAt(s, kMeasureTickLength);
        auto l = MakeLineRecord(e.doc, {{t[0].x, t[0].y, 0}, {t[1].x, t[1].y, 0}}, kCurvePolyline, 1);
        l->flags |= kLineAuxiliary;
        part->linesB.push_back(std::move(l));
    }
    void addPin(Engine& e, PointF at) {
        auto pin = std::make_unique<Pin>();
        pin->x = at.x, pin->y = at.y;
        pin->diameter = CurrentPinDiameter(e.doc.library, e.doc.settings.needleDiameter);
        // The cut setup's 定针 bit decides whether new pins are cut or drawn.
        pin->flags = kFlagFolds | ((e.doc.settings.cutSetup.cutBits & 1u) ? 3u : 1u);
        pin->outline = PinOutline(at.x, at.y, pin->diameter);
        part->pins.push_back(std::move(pin));
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) return firstPress(e, p);
        cursor = p.model;
        if (e.step() == 1) {
            path.setStart(p.model);
            mark.reset();
            e.setStep(2);
            e.ShowPrompt(kPromptMeasureEnd);
            e.present();
            return true;
        }
        float end = path.position(p.model);
        Part* touched = part;
        if (p.ctrl()) {
            addTick(e, path.start());
            addTick(e, end);
        } else if (p.shift()) {
            addPin(e, path.pointAt(path.start()));
            addPin(e, path.pointAt(end));
        } else {
            addTick(e, end);
            e.tone(kToneAccepted);
            CommitEdit(e, {touched});
            return true;
        }
        e.setStep(0);
        releaseData();
        e.ShowPrompt(e.defaultPrompt);
        CommitEdit(e, {touched});
        return true;
    }

    bool rightPress(Engine& e, const Pointer&) override {
        if (e.step() == 0) return Refuse(e);
        if (e.step() == 2) {
            mark.reset();
            e.setStep(1);
            e.ShowPrompt(kPromptMeasureStart);
            e.present();
            return true;
        }
        e.CancelStep();
        return true;
    }

    bool move(Engine& e, const Pointer& p) override {
        if (e.step() == 0) return false;
        cursor = p.model;
        e.present();
        return true;
    }

    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() != 2) return false;
        if (k.key == key::Space) {
            mark = path.position(cursor);
            e.present();
            return true;
        }
        if (k.key == key::Tab) {
            if (!path.closed()) {
                e.tone(kToneBack);
                return true;
            }
            path.reverse();
            e.present();
            return true;
        }
        return false;
    }

    void drawModel(Engine& e, Canvas& c, std::span<const PointF> pts) {
        std::vector<PixelPoint> px;
        px.reserve(pts.size());
        for (PointF q : pts) px.push_back(e.vs.view.toWindow(q));
        if (px.size() > 1) c.polyline(px.data(), px.size());
    }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || path.points().size() < 2) return false;
        c.setColour(kPathColour);
        c.setDash(0, 0);
        c.setWidth(e.step() == 1 ? 2 : 1);
        drawModel(e, c, path.points());
        if (e.step() == 1) return true;
        float at = path.position(cursor);
        c.setWidth(2);
        drawModel(e, c, path.stretch(path.start(), at));
        auto tick = path.tickAt(path.start(), kMeasureTickLength);
        drawModel(e, c, tick);
        if (mark) drawModel(e, c, path.tickAt(*mark, kMeasureTickLength));
        std::vector<std::string> lines{FormatLength(LengthInUnit(path.lengthBetween(path.start(), at), e.doc.settings.lengthUnit))};
        if (mark) lines.push_back(FormatLength(LengthInUnit(path.lengthBetween(*mark, at), e.doc.settings.lengthUnit)));
        ShowValue(c, e.vs.view.toWindow(cursor), lines, e.cursor == CursorKind::Cross,
                  e.doc.settings.colours[kColWorkBackground]);
        return true;
    }
};

}  // namespace

void InstallMeasureTool(Engine& e) { e.setTool(mode::Measure, std::make_unique<MeasureTool>()); }

}  // namespace rz
