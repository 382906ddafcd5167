#include "commands/features.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <numbers>

#include "commands/edit_ops.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/font.h"

namespace rz {

namespace {

constexpr double kPi = std::numbers::pi;

// Arc lengths of the hosts of one part's features, measured once per rebuild: an outline or a
// long line often carries many slots, marks, chamfers and dimensions.
class HostLengths {
public:
    std::span<const double> of(const Polyline& pl) {
        for (const auto& [host, cum] : cache_)
            if (host == &pl) return cum;
        return cache_.emplace_back(&pl, PolyArcLengthsD(pl)).second;
    }
    float length(const Polyline& pl) {
        const std::span<const double> cum = of(pl);
        return cum.empty() ? 0.0f : float(cum.back());
    }

private:
    std::deque<std::pair<const Polyline*, std::vector<double>>> cache_;
};

bool Finite(float v) { return std::isfinite(v); }

bool IsLineKind(uint32_t k) { return k == kKindLine || k == kKindLineA || k == kKindLineB; }

// The polyline moved `left` units to the left of its direction (negative: to the right).
Polyline OffsetLeft(const Polyline& pl, float left) {
    Polyline q = pl;
    if (left != 0.0f) PolyOffset(q, -left, true);
    return q;
}

PointF Unit(PointF v) {
    const double n = std::sqrt(double(v.x) * v.x + double(v.y) * v.y);
    if (!(n > 1e-9)) return {0.0f, 0.0f};
    return {float(v.x / n), float(v.y / n)};
}

// A polyline with the arc lengths of its points, measured once: the features ask it for points
// at lengths and lengths of points many times.
struct Measured {
    const Polyline& pl;
    std::vector<float> cum;
    explicit Measured(const Polyline& p) : pl(p), cum(PolyArcLengths(p)) {}
    Measured(const Polyline& p, std::span<const double> lengths) : pl(p), cum(lengths.begin(), lengths.end()) {}
    float length() const { return cum.empty() ? 0.0f : cum.back(); }
    // The index of the end point of the segment holding arc length s (1 … size − 1).
    size_t segment(float s) const {
        const size_t i = size_t(std::upper_bound(cum.begin(), cum.end(), s) - cum.begin());
        return std::clamp<size_t>(i, 1, pl.size() - 1);
    }
    PointF at(float s) const {
        s = std::clamp(s, 0.0f, length());
        const size_t i = segment(s);
        const float seg = cum[i] - cum[i - 1];
        const float t = seg > 0.0f ? std::clamp((s - cum[i - 1]) / seg, 0.0f, 1.0f) : 0.0f;
        return {pl[i - 1].x + t * (pl[i].x - pl[i - 1].x), pl[i - 1].y + t * (pl[i].y - pl[i - 1].y)};
    }
    // The arc length of the point nearest to p (the first of equally near ones).
    float project(PointF p) const {
        double best = 1e300;
        float s = 0.0f;
        for (size_t i = 1; i < pl.size(); ++i) {
            const double dx = double(pl[i].x) - pl[i - 1].x, dy = double(pl[i].y) - pl[i - 1].y;
            const double l2 = dx * dx + dy * dy;
            double t = l2 > 0.0 ? ((double(p.x) - pl[i - 1].x) * dx + (double(p.y) - pl[i - 1].y) * dy) / l2 : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = pl[i - 1].x + t * dx - p.x, ey = pl[i - 1].y + t * dy - p.y;
            const double d2 = ex * ex + ey * ey;
            if (d2 < best) {
                best = d2;
                s = float(cum[i - 1] + t * (cum[i] - cum[i - 1]));
            }
        }
        return s;
    }
};

// The point of pl nearest to p, by squared distances.
PointF NearestOn(const Polyline& pl, PointF p) {
    double best = 1e300;
    PointF at = pl.front();
    for (size_t i = 1; i < pl.size(); ++i) {
        const double dx = double(pl[i].x) - pl[i - 1].x, dy = double(pl[i].y) - pl[i - 1].y;
        const double l2 = dx * dx + dy * dy;
        double t = l2 > 0.0 ? ((double(p.x) - pl[i - 1].x) * dx + (double(p.y) - pl[i - 1].y) * dy) / l2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        const double x = pl[i - 1].x + t * dx, y = pl[i - 1].y + t * dy;
        const double d2 = (x - p.x) * (x - p.x) + (y - p.y) * (y - p.y);
        if (d2 < best) best = d2, at = {float(x), float(y)};
    }
    return at;
}

bool HasLength(const Polyline& pl) {
    return std::any_of(pl.begin(), pl.end(), [&](PointF q) { return PtDiffer(q, pl.front()); });
}

// Where the ray from `o` along unit `dir` first meets `pl`: the arc length along `pl` and the
// point; nothing when it misses.
std::optional<std::pair<float, PointF>> RayHit(const Polyline& pl, PointF o, PointF dir) {
    std::optional<std::pair<float, PointF>> best;
    double bestT = 1e30;
    double cum = 0.0;
    for (size_t i = 1; i < pl.size(); ++i) {
        const PointF a = pl[i - 1], b = pl[i];
        const double ex = double(b.x) - a.x, ey = double(b.y) - a.y;
        const double den = double(dir.x) * ey - double(dir.y) * ex;
        const double seg = std::sqrt(ex * ex + ey * ey);
        if (std::fabs(den) > 1e-12) {
            const double wx = double(a.x) - o.x, wy = double(a.y) - o.y;
            const double t = (wx * ey - wy * ex) / den;
            const double u = (wx * dir.y - wy * dir.x) / den;
            if (t > 0.0 && u >= 0.0 && u <= 1.0 && t < bestT) {
                bestT = t;
                best = std::make_pair(float(cum + u * seg), PointF{float(a.x + u * ex), float(a.y + u * ey)});
            }
        }
        cum += seg;
    }
    return best;
}

// The apex of a pointed slot: beyond the middle of the outer edge, on the side `side` (+1 left),
// its flanks replacing the edge between where they meet it.
void PointOuterEdge(const Polyline& stretch, Polyline& outer, float side, float angle) {
    if (!(angle > 0.0f && angle < float(kPi)) || outer.size() < 2) return;
    const Measured ms(stretch);
    const float L = ms.length();
    const size_t i = ms.segment(0.5f * L);
    const PointF mid = ms.at(0.5f * L);
    const PointF t = Unit({stretch[i].x - stretch[i - 1].x, stretch[i].y - stretch[i - 1].y});
    if (t.x == 0.0f && t.y == 0.0f) return;
    // The host's normal on the slot's side: defined even where the edge lies on the host.
    const PointF n{-t.y * side, t.x * side};
    const PointF foot = PolyNearest(outer, mid).pt;
    const PointF apex{foot.x + kSlotApexRise * n.x, foot.y + kSlotApexRise * n.y};
    const double h = 0.5 * angle;
    auto turned = [&](double a) {
        const double c = std::cos(a), s = std::sin(a);
        return PointF{float(-n.x * c + n.y * s), float(-n.x * s - n.y * c)};
    };
    auto h1 = RayHit(outer, apex, turned(h)), h2 = RayHit(outer, apex, turned(-h));
    if (!h1 || !h2) return;
    if (h1->first > h2->first) std::swap(h1, h2);
    const std::vector<float> cum = PolyArcLengths(outer);
    Polyline out;
    out.reserve(outer.size() + 3);
    size_t k = 0;
    for (; k < outer.size() && cum[k] < h1->first; ++k) out.push_back(outer[k]);
    out.push_back(h1->second);
    out.push_back(apex);
    out.push_back(h2->second);
    for (; k < outer.size(); ++k)
        if (cum[k] > h2->first) out.push_back(outer[k]);
    outer = std::move(out);
}

}  // namespace

const Polyline* HostPolyline(const KindRef& h) {
    if (!h.ptr) return nullptr;
    const uint32_t k = h.kind & 0xFF;
    if (IsLineKind(k)) return &h.as<Line>()->eval;
    if (k == kKindSeamAllowance) return &h.as<SeamAllowance>()->outline;
    if (k == kKindSymLineLink) return &h.as<SymLineLink>()->drawn;
    if (k == kKindPieceLine) return &h.as<PieceLine>()->drawn1;
    return nullptr;
}

// ---------------------------------------------------------------- slot lines

namespace {

Polyline SlotOutline(const Polyline& host, std::span<const double> cum, float start, float end, float offset,
                     float depth, float angle, uint32_t flags) {
    if (host.size() < 2 || !Finite(start) || !Finite(end) || !Finite(offset) || !Finite(depth)) return {};
    const Polyline st = PolySubFraction(host, cum, std::min(start, end), std::max(start, end));
    if (st.size() < 2 || !HasLength(st)) return {};
    Polyline inner, outer;
    if (!(flags & kSlotOneSided)) {
        inner = OffsetLeft(st, -0.5f * depth);
        outer = OffsetLeft(st, 0.5f * depth);
    } else {
        const float side = depth < 0.0f ? -1.0f : 1.0f;
        const float o = std::fabs(offset);
        inner = OffsetLeft(st, side * o);
        outer = OffsetLeft(st, side * (o + std::fabs(depth)));
        if (flags & kSlotPointed) PointOuterEdge(st, outer, side, angle);
    }
    if (inner.size() < 2 || outer.size() < 2) return {};
    Polyline out = std::move(inner);
    out.insert(out.end(), outer.rbegin(), outer.rend());
    out.push_back(out.front());
    return out;
}

void BuildSlotOutline(SlotLine& s, HostLengths& lengths) {
    s.drawn2.clear();
    const Polyline* h = HostPolyline(s.host);
    s.drawn1 = h && h->size() >= 2 ? SlotOutline(*h, lengths.of(*h), s.f[kSlotStart], s.f[kSlotEnd], s.f[kSlotOffset],
                                                 s.f[kSlotDepth], s.f[kSlotAngle], s.flags)
                                   : Polyline{};
}

}  // namespace

Polyline BuildSlotOutline(const Polyline& host, float start, float end, float offset, float depth, float angle,
                          uint32_t flags) {
    if (host.size() < 2) return {};
    return SlotOutline(host, PolyArcLengthsD(host), start, end, offset, depth, angle, flags);
}

void BuildSlotOutline(SlotLine& s) {
    HostLengths lengths;
    BuildSlotOutline(s, lengths);
}

void MirrorSlotDepth(SlotLine& s) { s.f[kSlotDepth] = -s.f[kSlotDepth]; }

// ---------------------------------------------------------------- marks

namespace {

Polyline MarkOutline(const Polyline& host1, std::span<const double> cum1, const Polyline& host2, float position,
                     float depth, float width) {
    if (host1.size() < 2 || host2.size() < 2 || !Finite(position) || !(depth > 0.0f) || !(width > 0.0f) ||
        !Finite(depth) || !Finite(width))
        return {};
    const Measured m1(host1, cum1);
    const float L = m1.length();
    if (!(L > 0.0f) || !HasLength(host2)) return {};
    const bool closed = PolyClosed(host1);
    const float sS = std::clamp(position, 0.0f, 1.0f) * L;
    const PointF S = m1.at(sS);
    const float sN = m1.project(NearestOn(host2, S));
    const bool forward = sN >= sS;
    const std::vector<Crossing> xs = CrossingsOf(host1, {&host2}, -1.0f);
    if (xs.empty()) return {};
    std::optional<float> sQ;
    if (forward) {
        for (const Crossing& c : xs)
            if (c.s >= sS) {
                sQ = c.s;
                break;
            }
        if (!sQ && closed) sQ = xs.front().s + L;
    } else {
        for (auto it = xs.rbegin(); it != xs.rend(); ++it)
            if (it->s <= sS) {
                sQ = it->s;
                break;
            }
        if (!sQ && closed) sQ = xs.back().s - L;
    }
    if (!sQ) return {};
    auto at = [&](float s) {
        if (closed) {
            s = std::fmod(s, L);
            if (s < 0.0f) s += L;
        }
        return m1.at(s);
    };
    const PointF Q = at(*sQ);
    // The apex is measured along the host from Q back towards S, on past S when it is nearer.
    const PointF A = at(forward ? *sQ - depth : *sQ + depth);
    const PointF d = Unit({Q.x - A.x, Q.y - A.y});
    if (d.x == 0.0f && d.y == 0.0f) return {};
    const float h = 0.5f * width;
    return {{Q.x - d.y * h, Q.y + d.x * h}, A, {Q.x + d.y * h, Q.y - d.x * h}};
}

void BuildMark(Mark& m, HostLengths& lengths) {
    const Polyline* a = HostPolyline(m.host1);
    const Polyline* b = HostPolyline(m.host2);
    m.drawn = a && b && a != b ? MarkOutline(*a, lengths.of(*a), *b, m.f0, m.depth, m.width) : Polyline{};
}

}  // namespace

Polyline BuildMark(const Polyline& host1, const Polyline& host2, float position, float depth, float width) {
    return MarkOutline(host1, PolyArcLengthsD(host1), host2, position, depth, width);
}

void BuildMark(Mark& m) {
    HostLengths lengths;
    BuildMark(m, lengths);
}

// ---------------------------------------------------------------- chamfers

namespace {

// len1 and len2 give the lines' lengths, asked only when the corner has a radius to fit.
template <class Length1, class Length2>
std::optional<ChamferShape> ChamferOf(const Polyline& first, bool atFirstEnd, const Polyline& second,
                                      bool atSecondStart, float radius, Length1&& len1, Length2&& len2) {
    if (first.size() < 2 || second.size() < 2 || !(radius > 0.0f) || !Finite(radius)) return std::nullopt;
    // The corner end of a line and the direction into the line from it.
    auto cornerEnd = [](const Polyline& pl, bool atEnd) -> std::optional<std::pair<PointF, PointF>> {
        const PointF e = atEnd ? pl.back() : pl.front();
        for (size_t k = 1; k < pl.size(); ++k) {
            const PointF q = atEnd ? pl[pl.size() - 1 - k] : pl[k];
            const PointF u = Unit({q.x - e.x, q.y - e.y});
            if (u.x != 0.0f || u.y != 0.0f) return std::make_pair(e, u);
        }
        return std::nullopt;
    };
    const auto e1 = cornerEnd(first, atFirstEnd), e2 = cornerEnd(second, !atSecondStart);
    if (!e1 || !e2) return std::nullopt;
    const PointF u1 = e1->second, u2 = e2->second;
    PointF V = e1->first;
    if (PtDist(e1->first, e2->first) > 1.0f) {
        // Ends that do not meet: the corner is where their end segments would.
        auto x = LineIntersectPts(e1->first, {e1->first.x + u1.x, e1->first.y + u1.y}, e2->first,
                                  {e2->first.x + u2.x, e2->first.y + u2.y});
        if (!x) return std::nullopt;
        V = *x;
    }
    const double cosT = std::clamp(double(u1.x) * u2.x + double(u1.y) * u2.y, -1.0, 1.0);
    const double theta = std::acos(cosT);
    if (!(theta > 1e-3 && theta < kPi - 1e-3)) return std::nullopt;
    const double t = radius / std::tan(0.5 * theta);
    if (t > len1() + PtDist(V, e1->first) || t > len2() + PtDist(V, e2->first))
        return std::nullopt;
    ChamferShape out;
    out.corners[0] = {float(V.x + u1.x * t), float(V.y + u1.y * t)};
    out.corners[1] = {float(V.x + u2.x * t), float(V.y + u2.y * t)};
    const PointF bis = Unit({u1.x + u2.x, u1.y + u2.y});
    const double cd = radius / std::sin(0.5 * theta);
    const PointF C{float(V.x + bis.x * cd), float(V.y + bis.y * cd)};
    const PointF a{out.corners[0].x - C.x, out.corners[0].y - C.y}, b{out.corners[1].x - C.x, out.corners[1].y - C.y};
    const float sweep = float(std::atan2(double(a.x) * b.y - double(a.y) * b.x, double(a.x) * b.x + double(a.y) * b.y));
    out.arc = ArcPoints(C, a, sweep, radius, 0.0f);
    if (out.arc.size() < 2) return std::nullopt;
    out.arc.front() = out.corners[0];
    out.arc.back() = out.corners[1];
    return out;
}

void BuildChamfer(Chamfer& c, HostLengths& lengths) {
    const Polyline* a = HostPolyline(c.host1);
    const Polyline* b = HostPolyline(c.host2);
    std::optional<ChamferShape> s;
    if (a && b && a != b)
        s = ChamferOf(*a, c.flags & kChamferFirstEnd, *b, c.flags & kChamferSecondStart, c.radius,
                      [&] { return lengths.length(*a); }, [&] { return lengths.length(*b); });
    if (s) {
        c.drawn = std::move(s->arc);
        c.corners = s->corners;
    } else {
        c.drawn.clear();
        c.corners = {};
    }
}

}  // namespace

std::optional<ChamferShape> BuildChamfer(const Polyline& first, bool atFirstEnd, const Polyline& second,
                                         bool atSecondStart, float radius) {
    return ChamferOf(first, atFirstEnd, second, atSecondStart, radius, [&] { return PolyLength(first); },
                     [&] { return PolyLength(second); });
}

void BuildChamfer(Chamfer& c) {
    HostLengths lengths;
    BuildChamfer(c, lengths);
}

// ---------------------------------------------------------------- dimensions

namespace {

std::optional<PointF> RefPoint(const KindRef& r) {
    if (!r.ptr) return std::nullopt;
    const uint32_t k = r.kind & 0xFF;
    if (k == kKindPin) return PointF{r.as<Pin>()->x, r.as<Pin>()->y};
    if (k == kKindMotif) return PointF{r.as<Motif>()->x, r.as<Motif>()->y};
    if (IsLineKind(k)) {
        const Line& l = *r.as<Line>();
        const bool first = (r.kind & kDimFirstNode) != 0;
        if (!l.eval.empty()) return first ? l.eval.front() : l.eval.back();
        if (!l.nodes.empty()) return first ? l.nodes.front().pt() : l.nodes.back().pt();
    }
    return std::nullopt;
}

bool MeasuresLine(const Dimension& d) { return d.ref1.ptr && IsLineKind(d.ref1.kind & 0xFF) && !d.ref2.ptr; }

float UpdateDimensionPoints(Dimension& d, HostLengths* lengths) {
    if (MeasuresLine(d)) {
        const Line& l = *d.ref1.as<Line>();
        if (l.eval.size() < 2) return 0.0f;
        d.points = {l.eval.front().x, l.eval.front().y, l.eval.back().x, l.eval.back().y};
        return lengths ? lengths->length(l.eval) : PolyLength(l.eval);
    }
    if (auto p = RefPoint(d.ref1)) d.points[0] = p->x, d.points[1] = p->y;
    if (auto q = RefPoint(d.ref2)) d.points[2] = q->x, d.points[3] = q->y;
    const float v = PtDist({d.points[0], d.points[1]}, {d.points[2], d.points[3]});
    return Finite(v) ? v : 0.0f;
}

}  // namespace

float UpdateDimensionPoints(Dimension& d) { return UpdateDimensionPoints(d, nullptr); }

std::string DimensionText(const Dimension& d, float value, bool centimetres) {
    if (d.text != kDimAutoText) return d.text;
    char b[48];
    std::snprintf(b, sizeof b, "%.2f", double(value) / (centimetres ? 1000.0 : 100.0));
    return b;
}

namespace {

void BuildDimension(Dimension& d, const TFont* font, bool centimetres, HostLengths* lengths) {
    d.drawn1.clear();
    d.drawn2.clear();
    const float value = UpdateDimensionPoints(d, lengths);
    const PointF p1{d.points[0], d.points[1]}, p2{d.points[2], d.points[3]}, text{d.f1, d.f2};
    if (!InModelRange(p1) || !InModelRange(p2) || !InModelRange(text)) return;
    PointF anchor = PtMid(p1, p2);
    if (MeasuresLine(d)) {
        const Polyline& e = d.ref1.as<Line>()->eval;
        // value is the line's length here
        if (e.size() >= 2) anchor = PolyPointAt(e, 0.5f * value).pt;
    } else if (PtDist(p1, p2) > 1.0f) {
        d.drawn1.push_back({p1, p2});
        // Arrow heads of 2 mm, 20° either side of the line, at both ends.
        const PointF u = Unit({p2.x - p1.x, p2.y - p1.y});
        const float len = std::min(200.0f, 0.4f * PtDist(p1, p2));
        for (auto [tip, s] : {std::pair{p1, 1.0f}, std::pair{p2, -1.0f}}) {
            Polyline head;
            for (double a : {0.35, 0.0, -0.35}) {
                if (a == 0.0) {
                    head.push_back(tip);
                    continue;
                }
                const double c = std::cos(a), sn = std::sin(a);
                const double dx = s * (u.x * c - u.y * sn), dy = s * (u.x * sn + u.y * c);
                head.push_back({float(tip.x + dx * len), float(tip.y + dy * len)});
            }
            d.drawn1.push_back(std::move(head));
        }
    }
    if (PtDist(anchor, text) > 1.0f) d.drawn1.push_back({anchor, text});
    if (font && font->hasData()) {
        TextLayout lay = font->layoutText(DimensionText(d, value, centimetres));
        for (auto& pl : lay.strokes) {
            for (auto& q : pl) q.x += text.x - 0.5f * lay.width, q.y += text.y;
            d.drawn2.push_back(std::move(pl));
        }
    }
}

}  // namespace

void BuildDimension(Dimension& d, const TFont* font, bool centimetres) { BuildDimension(d, font, centimetres, nullptr); }

// ---------------------------------------------------------------- notches

Polyline NotchOutline(const Notch& n, const Polyline& partOutline) {
    const PointF at{n.x, n.y};
    const PointF c = partOutline.size() >= 3 ? PolyCentroid(partOutline) : at;
    const float dir = PtAngle(at, c);
    const float side = n.depth * std::tan(n.angle / 2.0f);
    const PointF tip{at.x + n.depth * std::cos(dir), at.y + n.depth * std::sin(dir)};
    const PointF l{at.x - side * std::sin(dir), at.y + side * std::cos(dir)};
    const PointF r{at.x + side * std::sin(dir), at.y - side * std::cos(dir)};
    if (!InModelRange(tip) || !InModelRange(l) || !InModelRange(r)) return {};
    return {l, tip, r};
}

// ---------------------------------------------------------------- rebuilding

FeatureStyle& featureStyle() {
    static FeatureStyle s;
    return s;
}

void RebuildPartFeatures(Part& p) {
    const FeatureStyle& st = featureStyle();
    HostLengths lengths;
    for (auto& s : p.slotLines) BuildSlotOutline(*s, lengths);
    for (auto& m : p.marks) BuildMark(*m, lengths);
    for (auto& c : p.chamfers) BuildChamfer(*c, lengths);
    for (auto& d : p.dimensions) BuildDimension(*d, st.font, st.centimetres, &lengths);
    for (auto& n : p.notches)
        if (n->outline.empty()) n->outline = NotchOutline(*n, p.outline);
}

void RebuildPieceFeatures(Piece& pc) {
    HostLengths lengths;
    for (auto& s : pc.slotLines) BuildSlotOutline(*s, lengths);
    for (auto& m : pc.marks) BuildMark(*m, lengths);
    for (auto& c : pc.chamfers) BuildChamfer(*c, lengths);
}

void RemapFeaturesOfReversedLine(Design& d, const Line* line) {
    if (!line) return;
    auto on = [&](const KindRef& r) { return r.ptr == line && IsLineKind(r.kind & 0xFF); };
    auto slots = [&](List<SlotLine>& l) {
        for (auto& s : l)
            if (on(s->host)) {
                const float a = s->f[kSlotStart], b = s->f[kSlotEnd];
                s->f[kSlotStart] = 1.0f - b, s->f[kSlotEnd] = 1.0f - a;
                MirrorSlotDepth(*s);
            }
    };
    auto marks = [&](List<Mark>& l) {
        for (auto& m : l)
            if (on(m->host1)) m->f0 = 1.0f - m->f0;
    };
    auto chamfers = [&](List<Chamfer>& l) {
        for (auto& c : l) {
            if (on(c->host1)) c->flags ^= kChamferFirstEnd;
            if (on(c->host2)) c->flags ^= kChamferSecondStart;
        }
    };
    for (auto& p : d.parts) {
        slots(p->slotLines), marks(p->marks), chamfers(p->chamfers);
        for (auto& dm : p->dimensions) {
            if (on(dm->ref1)) dm->ref1.kind ^= kDimFirstNode;
            if (on(dm->ref2)) dm->ref2.kind ^= kDimFirstNode;
        }
    }
    for (auto& pc : d.pieces) slots(pc->slotLines), marks(pc->marks), chamfers(pc->chamfers);
}

}  // namespace rz
