#include "exchange/wirecut.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "commands/draw_common.h"
#include "exchange/text_lines.h"
#include "geom/primitives.h"
#include "geom/smooth.h"
#include "grading/engine.h"
#include "model/sizes.h"
#include "model/units.h"
#include "model/xie.h"

namespace rz {

namespace {

// printf's "%W.Pf" in the C locale whatever the user's locale is ('-' for left-aligned).
void Fixed(std::string& out, double v, int width, int precision, bool left = false) {
    char buf[80];
    if (v == 0.0) v = 0.0;  // no "-0.0"
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    const int n = int(r.ptr - buf);
    if (!left && n < width) out.append(size_t(width - n), ' ');
    out.append(buf, r.ptr);
    if (left && n < width) out.append(size_t(width - n), ' ');
}

void Mm(std::string& out, float units) { Fixed(out, double(units) / 100.0, 11, 5); }

WireRecord Straight(PointF a, PointF b) {
    WireRecord r;
    r.start = a;
    r.end = b;
    return r;
}

// An arc through three points, or a straight record when they are collinear.
WireRecord ArcThrough(PointF s, PointF m, PointF e) {
    Circle c = Circumcircle(s, m, e);
    if (c.radius == 0.0f || !std::isfinite(c.radius)) return Straight(s, e);
    WireRecord r;
    r.arc = true;
    r.centre = c.centre;
    r.start = s;
    r.end = e;
    r.clockwise = MiddleLeftOfChord(s, m, e);
    return r;
}

bool StraightWithin(const Polyline& p, float tol) {
    for (PointF q : p)
        if (DistToSegment(p.front(), p.back(), q) > tol) return false;
    return true;
}

// Arc fitting that keeps the corners of a polyline: the fitter ends a run it cannot fit with a
// straight piece over two segments, which would cut a corner of a traced or engraved outline.
// Each stretch between corners sharper than 30° is fitted on its own.
std::vector<ArcPiece> FitArcsKeepingCorners(const Polyline& p, float tol) {
    std::vector<ArcPiece> out;
    size_t from = 0;
    auto flush = [&](size_t to) {
        if (to <= from) return;
        const std::span<const PointF> run(p.data() + from, to - from + 1);
        for (ArcPiece a : FitArcs(run, tol)) {
            a.first += int(from);
            a.last += int(from);
            out.push_back(a);
        }
        from = to;
    };
    for (size_t i = 1; i + 1 < p.size(); ++i) {
        const double ax = double(p[i].x) - p[i - 1].x, ay = double(p[i].y) - p[i - 1].y;
        const double bx = double(p[i + 1].x) - p[i].x, by = double(p[i + 1].y) - p[i].y;
        const double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
        if (la == 0.0 || lb == 0.0) continue;
        if ((ax * bx + ay * by) / (la * lb) < 0.8660254) flush(i);
    }
    flush(p.size() - 1);
    return out;
}

double Round1(double v) { return std::copysign(std::floor(std::fabs(v) * 10.0 + 0.5), v) / 10.0; }

}  // namespace

bool MiddleLeftOfChord(PointF s, PointF m, PointF e) {
    return (double(m.y) - s.y) * (double(e.x) - s.x) - (double(e.y) - s.y) * (double(m.x) - s.x) > 0.0;
}

std::string FormatWireCut(const std::vector<WireRecord>& records) {
    std::string out;
    out.reserve(records.size() * 90);
    char num[16];
    int n = 0;
    for (const WireRecord& r : records) {
        std::snprintf(num, sizeof num, "%3d", ++n);
        out += r.arc ? 'A' : 'L';
        out += num;
        out += " = ";
        if (r.arc) {
            Mm(out, r.centre.x);
            out += ',';
            Mm(out, r.centre.y);
            out += ',';
        }
        Mm(out, r.start.x);
        out += ',';
        Mm(out, r.start.y);
        out += ',';
        Mm(out, r.end.x);
        out += ',';
        Mm(out, r.end.y);
        if (r.arc) {
            out += ',';
            out += r.clockwise ? 'S' : 'N';
        }
        out += "\r\n";
    }
    return out;
}

void AppendLineRecords(const Line& line, float tol, std::vector<WireRecord>& out) {
    const Polyline& p = line.eval;
    if (p.size() < 2) return;
    const int method = line.curveMethod();
    const auto& nd = line.nodes;
    if (method == 3 && nd.size() == 3) {
        out.push_back(ArcThrough({nd[0].x, nd[0].y}, {nd[1].x, nd[1].y}, {nd[2].x, nd[2].y}));
        return;
    }
    if (method == 5 && nd.size() == 3) {
        const PointF c{nd[0].x, nd[0].y};
        const double r = nd[1].x, a0 = nd[2].x, a1 = nd[2].y;
        WireRecord w;
        w.arc = true;
        w.centre = c;
        w.start = {float(c.x + r * std::cos(a0)), float(c.y + r * std::sin(a0))};
        w.end = {float(c.x + r * std::cos(a1)), float(c.y + r * std::sin(a1))};
        w.clockwise = (nd[0].word & kNodeBreak) != 0;
        out.push_back(w);
        return;
    }
    if (StraightWithin(p, 5.0f)) {
        out.push_back(Straight(p.front(), p.back()));
        return;
    }
    if (method == 4 || method == 3 || method == 5) {
        for (size_t i = 1; i < p.size(); ++i) out.push_back(Straight(p[i - 1], p[i]));
        return;
    }
    for (const ArcPiece& a : FitArcsKeepingCorners(p, tol)) {
        if (a.IsStraight()) out.push_back(Straight(a.start, a.end));
        else out.push_back(ArcThrough(a.start, a.middle, a.end));
    }
}

std::vector<WireRecord> DesignWireRecords(const Design& d, int sizeIndex, float tol) {
    std::vector<WireRecord> out;
    const int base = MakeSizeList(d).baseIndex;
    for (const auto& part : d.parts) {
        if (part->flags & kFlagHidden) continue;
        for (const List<Line>* list : {&part->linesA, &part->linesB})
            for (const auto& l : *list) {
                const Line* use = l.get();
                if (sizeIndex != base)
                    if (const Line* g = GradedCopyAt(*l, sizeIndex)) use = g;
                AppendLineRecords(*use, tol, out);
            }
    }
    return out;
}

std::vector<WireRecord> PolylineWireRecords(const std::vector<const Polyline*>& items) {
    std::vector<WireRecord> out;
    for (const Polyline* p : items)
        for (size_t i = 1; i < p->size(); ++i) out.push_back(Straight((*p)[i - 1], (*p)[i]));
    return out;
}

// The largest coordinate a record may hold, in mm (10 km).
constexpr double kMaxWireMm = 1e7;

WireReadResult ReadWireCut(std::string_view bytes) {
    WireReadResult res;
    TextLines lines(bytes);
    std::string_view line;
    while (lines.next(line)) {
        const size_t eq = line.find('=');
        const std::string_view left = eq == std::string_view::npos ? std::string_view{} : Trim(line.substr(0, eq));
        if (left.empty() || (left[0] != 'L' && left[0] != 'A')) {
            if (!Trim(line).empty()) ++res.skipped;
            continue;
        }
        std::vector<double> v;
        std::string_view rest = line.substr(eq + 1);
        char dir = 0;
        bool ok = true;
        while (true) {
            const size_t comma = rest.find(',');
            std::string_view field = Trim(rest.substr(0, comma));
            double x;
            if (ParseDouble(field, x) && std::fabs(x) <= kMaxWireMm) v.push_back(x);
            else if (field.size() == 1 && (field[0] == 'S' || field[0] == 'N' || field[0] == 's' || field[0] == 'n') && comma == std::string_view::npos)
                dir = char(field[0] & ~0x20);
            else ok = false;
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
        auto P = [&](size_t i) { return PointF{float(v[i] * 100.0), float(v[i + 1] * 100.0)}; };
        if (left[0] == 'L' && ok && v.size() == 4 && !dir) {
            res.lines.push_back({4, {P(0), P(2)}});
            continue;
        }
        if (left[0] == 'A' && ok && v.size() == 6 && dir) {
            const PointF c = P(0), s = P(2), e = P(4);
            const double r = std::hypot(double(s.x) - c.x, double(s.y) - c.y);
            const double a0 = std::atan2(double(s.y) - c.y, double(s.x) - c.x);
            double a1 = std::atan2(double(e.y) - c.y, double(e.x) - c.x);
            // Counter-clockwise for 'N', clockwise for 'S'; start = end is the whole circle.
            double sweep = a1 - a0;
            if (dir == 'N') {
                while (sweep <= 0) sweep += 2 * M_PI;
            } else {
                while (sweep >= 0) sweep -= 2 * M_PI;
            }
            if (!(r > 0.0)) {
                ++res.skipped;
                continue;
            }
            auto at = [&](double a) { return PointF{float(c.x + r * std::cos(a)), float(c.y + r * std::sin(a))}; };
            const bool whole = PtSame(s, e);
            std::vector<WireLine> made;
            if (whole) {
                // A full circle has no middle between its ends: two half circles.
                made.push_back({3, {s, at(a0 + sweep / 4), at(a0 + sweep / 2)}});
                made.push_back({3, {at(a0 + sweep / 2), at(a0 + 3 * sweep / 4), e}});
            } else {
                made.push_back({3, {s, at(a0 + sweep / 2), e}});
            }
            // A huge radius about a far centre reaches beyond what a file may hold: such an arc
            // could not be written back, so it is not read either.
            const auto inside = [](PointF q) { return std::fabs(q.x) <= kMaxWireMm * 100.0 && std::fabs(q.y) <= kMaxWireMm * 100.0; };
            bool fits = true;
            for (const WireLine& m : made) fits = fits && std::all_of(m.nodes.begin(), m.nodes.end(), inside);
            if (!fits) {
                ++res.skipped;
                continue;
            }
            res.lines.insert(res.lines.end(), made.begin(), made.end());
            continue;
        }
        ++res.skipped;
    }
    return res;
}

int AddWireLines(TDoc& doc, const WireReadResult& r) {
    if (r.lines.empty()) return 0;
    Part& first = doc.design.firstPart();
    for (const WireLine& w : r.lines) {
        std::vector<Node> nodes;
        for (PointF p : w.nodes) nodes.push_back({p.x, p.y, 0});
        auto l = MakeLineRecord(doc, std::move(nodes), w.method, 1);
        l->flags = w.method == 4 ? 0x4011u : 0x3011u;
        l->eval = doc.smooth.EvaluateNodes(l->nodes, w.method, doc.smooth.sampleCount);
        first.linesB.push_back(std::move(l));
    }
    CompletePart(first);
    doc.design.modified = 1;
    doc.PushUndo();
    return int(r.lines.size());
}

int SizeValueAt(const Design& d, int index) {
    SizeList list = MakeSizeList(d);
    if (list.ok() && index >= 0 && index < int(list.values.size())) return list.values[size_t(index)];
    return d.baseSize;
}

std::vector<std::string> WriteArcFormatFiles(const TDoc& doc, const std::string& folder, const std::vector<int>& sizes,
                                             std::vector<std::string>& failed) {
    std::vector<std::string> written;
    std::filesystem::path dir(folder.empty() ? std::string(".") : folder);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (int i : sizes) {
        char name[32];
        std::snprintf(name, sizeof name, "%03d.dat", SizeValueAt(doc.design, i));
        const std::string path = (dir / name).string();
        const std::string text = FormatWireCut(DesignWireRecords(doc.design, i, 12.0f));
        std::string err;
        if (WriteFileAtomic(path, std::vector<uint8_t>(text.begin(), text.end()), &err)) written.push_back(path);
        else failed.push_back(path);
    }
    return written;
}

std::string NcProgram(const Polyline& drawn, bool reversed, float tol, int unit) {
    Polyline p = drawn;
    if (reversed) std::reverse(p.begin(), p.end());
    std::string out;
    if (p.size() < 2) return out;
    auto conv = [unit](double v) { return LengthInUnit(v, unit); };
    double wPlus = 0.0, wMinus = 0.0;
    int n = 0;
    char num[16];
    for (const ArcPiece& a : FitArcsKeepingCorners(p, tol)) {
        // Differences of rounded absolute positions: a closed line comes back to its start.
        const double u = Round1(conv(a.start.x)) - Round1(conv(a.end.x));
        const double w = Round1(conv(a.end.y)) - Round1(conv(a.start.y));
        std::snprintf(num, sizeof num, "L%-3d ", ++n);
        out += num;
        const Circle c = a.IsStraight() ? Circle{} : Circumcircle(a.start, a.middle, a.end);
        if (Round1(u) == 0.0 || Round1(w) == 0.0 || a.IsStraight() || c.radius == 0.0f) {
            out += "G01 U";
            Fixed(out, u, 7, 1, true);
            out += " W";
            Fixed(out, w, 7, 1, true);
        } else {
            const double rr = conv(c.radius);
            const double alpha = std::asin(std::min(1.0, std::sqrt(u * u + w * w) / 2.0 / rr));
            const double r = Round1(rr);
            const bool cw = MiddleLeftOfChord(a.start, a.middle, a.end);
            double i, k;
            if ((cw && w > 0) || (!cw && w < 0)) {
                const double beta = std::atan(std::fabs(u / w));
                i = r * std::sin(alpha - beta);
                k = r * std::cos(alpha - beta);
            } else {
                const double beta = std::atan(std::fabs(w / u));
                i = r * std::cos(alpha - beta);
                k = r * std::sin(alpha - beta);
            }
            i = std::fabs(i) * (a.start.x < c.centre.x ? -1.0 : 1.0);
            k = std::fabs(k) * (a.start.y > c.centre.y ? -1.0 : 1.0);
            out += cw ? "G02 U" : "G03 U";
            Fixed(out, u, 7, 1, true);
            out += " W";
            Fixed(out, w, 7, 1, true);
            out += " I";
            Fixed(out, i, 8, 3, true);
            out += " K";
            Fixed(out, k, 9, 3, true);
            out += " R";
            Fixed(out, r, 7, 1, true);
        }
        out += '\n';
        if (w > 0) wPlus += w;
        else wMinus -= w;
    }
    out += "\nW+ = ";
    Fixed(out, wPlus, 0, 1);
    out += "   W- = ";
    Fixed(out, wMinus, 0, 1);
    return out;
}

}  // namespace rz
