#include "design/seam.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "commands/edit_ops.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/afterload.h"
#include "model/integrity.h"

namespace rz {

namespace {

float AsFloat(uint32_t u) { return std::bit_cast<float>(u); }
uint32_t AsBits(float f) { return std::bit_cast<uint32_t>(f); }

bool SoundMargin(float m) { return std::isfinite(m) && std::fabs(m) <= kMaxMargin; }

// The polyline of a record's base line, when the line can be measured.
const Polyline* BaseOf(const SeamAllowance& s) {
    if (!s.baseLine || s.baseLine->eval.size() < 2) return nullptr;
    return &s.baseLine->eval;
}

float SignOf(float v) { return v < 0.0f ? -1.0f : 1.0f; }

}  // namespace

bool SeamValues::uniform() const {
    return std::all_of(margins.begin(), margins.end(), [&](float m) { return m == margins.front(); });
}

float SeamValues::mean() const {
    double sum = 0.0;
    for (float m : margins) sum += m;
    return margins.empty() ? 0.0f : float(sum / double(margins.size()));
}

std::optional<SeamValues> ReadSeamValues(const SeamAllowance& s) {
    const uint32_t n = s.valueCount;
    if (n < 2 || n > kMaxSeamPoints || !s.values1 || s.values1->size() < n) return std::nullopt;
    if (s.values2 && s.values2->size() < n) return std::nullopt;
    SeamValues v;
    v.positions.reserve(n);
    v.margins.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        float p = AsFloat((*s.values1)[i]);
        float m = s.values2 ? AsFloat((*s.values2)[i]) : s.margin;
        if (!std::isfinite(p) || p < 0.0f || p > 1.0f || !SoundMargin(m)) return std::nullopt;
        if (i > 0 && !(p > v.positions.back())) return std::nullopt;
        v.positions.push_back(p);
        v.margins.push_back(m);
    }
    return v;
}

void StoreSeamValues(SeamAllowance& s, const SeamValues& v) {
    s.valueCount = uint32_t(v.size());
    std::vector<uint32_t> a(v.size()), b(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        a[i] = AsBits(v.positions[i]);
        b[i] = AsBits(v.margins[i]);
    }
    s.values1 = std::move(a);
    s.values2 = std::move(b);
    s.margin = v.mean();
}

Polyline SeamOutline(const Polyline& base, const SeamValues& v) {
    if (base.size() < 2 || v.size() < 2) return {};
    const float L = PolyLength(base);
    if (!(L > 0.0f)) return {};
    const float a = v.start() * L, b = v.end() * L;
    Polyline sub = (v.start() <= 0.0f && v.end() >= 1.0f) ? base : PolySub(base, a, b);
    if (sub.size() < 2 || !(PolyLength(sub) > 0.0f)) return {};
    // Every interior control point gets a vertex at its exact arc length, so that a two-node line
    // carries a margin in its middle where the point is.
    std::vector<float> at;
    for (size_t k = 1; k + 1 < v.size(); ++k) {
        at.push_back((v.positions[k] - v.start()) * L);
        PolyInsertAt(sub, at.back());
    }
    const std::vector<float> cum = PolyArcLengths(sub);
    const size_t n = sub.size();
    std::vector<float> dist(n, 0.0f);
    std::vector<size_t> carrier{0};
    dist[0] = v.margins.front();
    for (size_t k = 0; k < at.size(); ++k) {
        size_t best = 0;
        float bd = 1e30f;
        for (size_t i = 0; i < n; ++i)
            if (std::fabs(cum[i] - at[k]) < bd) bd = std::fabs(cum[i] - at[k]), best = i;
        if (best == 0 || best == n - 1) continue;
        if (best <= carrier.back()) continue;
        dist[best] = v.margins[k + 1];
        carrier.push_back(best);
    }
    dist[n - 1] = v.margins.back();
    carrier.push_back(n - 1);
    for (size_t c = 0; c + 1 < carrier.size(); ++c) {
        size_t i = carrier[c], j = carrier[c + 1];
        float span = cum[j] - cum[i];
        for (size_t x = i + 1; x < j; ++x) {
            float t = span > 0.0f ? (cum[x] - cum[i]) / span : 0.0f;
            dist[x] = dist[i] + t * (dist[j] - dist[i]);
        }
    }
    PolyOffset(sub, dist, true);
    return sub;
}

void RebuildSeam(SeamAllowance& s) {
    const Polyline* base = BaseOf(s);
    auto v = ReadSeamValues(s);
    s.outline = base && v ? SeamOutline(*base, *v) : Polyline{};
}

std::unique_ptr<SeamAllowance> MakeSeam(Line& base, const SeamValues& v, uint32_t type) {
    auto s = std::make_unique<SeamAllowance>();
    s->baseLine = &base;
    s->word = type & kSeamTypeMask;
    StoreSeamValues(*s, v);
    RebuildSeam(*s);
    return s;
}

float FractionAt(const Polyline& pl, PointF p) {
    float L = PolyLength(pl);
    if (!(L > 0.0f)) return 0.0f;
    return std::clamp(PolyLengthTo(pl, p).length / L, 0.0f, 1.0f);
}

int OutwardSign(const Polyline& pl, float f0, float f1, const Polyline& outline) {
    if (pl.size() < 2 || outline.size() < 3) return 0;
    const float L = PolyLength(pl);
    auto inside = [&](PointF q) {
        int w = PointInPolygon(outline, q);
        return w != 0 && w != 8;
    };
    for (float t : {0.5f, 0.25f, 0.75f, 0.1f, 0.9f}) {
        PointAt at = PolyPointAt(pl, (f0 + (f1 - f0) * t) * L);
        int i = std::max(1, at.index);
        PointF a = pl[size_t(i - 1)], b = pl[size_t(i)];
        float dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
        if (!(len > 0.0f)) continue;
        for (float probe : {20.0f, 200.0f}) {
            PointF right{at.pt.x + dy / len * probe, at.pt.y - dx / len * probe};
            PointF left{at.pt.x - dy / len * probe, at.pt.y + dx / len * probe};
            bool r = inside(right), l = inside(left);
            if (r != l) return r ? -1 : 1;
        }
    }
    return 0;
}

int SideSign(const Polyline& pl, PointF p) {
    if (pl.size() < 2) return 1;
    Nearest n = PolyNearest(pl, p);
    size_t seg = n.where > 0 ? size_t(n.where) : size_t(std::max(1, -n.where));
    seg = std::min(seg, pl.size() - 1);
    return SignedDistToLine(pl[seg - 1], pl[seg], p) > 0.0f ? -1 : 1;
}

bool SetSeamMargin(Design& d, Part& part, SeamAllowance& s, float value) {
    (void)part;
    auto v = ReadSeamValues(s);
    if (!v || !SoundMargin(value)) return false;
    if (value == 0.0f) {
        RemoveRecord(d, &s);
        return true;
    }
    float mean = v->mean();
    float sign = mean != 0.0f ? SignOf(mean) : SignOf(value);
    for (float& m : v->margins) m = sign * std::fabs(value);
    StoreSeamValues(s, *v);
    RebuildSeam(s);
    return true;
}

namespace {

// Points given over a stretch (fractions 0 … 1 of it, increasing, first 0 and last 1), as
// values over the base line's [f0, f1].
std::optional<SeamValues> OverStretch(float f0, float f1, const std::vector<std::pair<float, float>>& points) {
    if (!std::isfinite(f0) || !std::isfinite(f1) || f0 < 0.0f || f1 > 1.0f || f0 < 0.0f || !(f1 > f0)) return std::nullopt;
    if (points.size() < 2 || points.size() > kMaxSeamPoints) return std::nullopt;
    if (points.front().first != 0.0f || points.back().first != 1.0f) return std::nullopt;
    SeamValues v;
    for (size_t i = 0; i < points.size(); ++i) {
        auto [t, m] = points[i];
        if (!std::isfinite(t) || !SoundMargin(m)) return std::nullopt;
        if (i > 0 && !(t > points[i - 1].first)) return std::nullopt;
        float p = i + 1 == points.size() ? f1 : f0 + t * (f1 - f0);
        if (i > 0 && !(p > v.positions.back())) return std::nullopt;
        v.positions.push_back(p);
        v.margins.push_back(m);
    }
    return v;
}

bool AllZero(const std::vector<std::pair<float, float>>& points) {
    return std::all_of(points.begin(), points.end(), [](auto& p) { return p.second == 0.0f; });
}

}  // namespace

void SetOwnMargin(Line& line, float margin, const TSmooth& smooth) {
    line.margin = margin;
    EvaluateLineRecord(line, smooth);
}

bool SetLineAllowance(Design& d, Part& part, Line& line, float f0, float f1,
                      const std::vector<std::pair<float, float>>& points, const TSmooth& smooth) {
    auto v = OverStretch(f0, f1, points);
    if (!v || line.eval.size() < 2) return false;
    const bool first = &part == &d.firstPart();
    if (AllZero(points)) {
        if (!first) {
            if (line.margin == 0.0f) return false;
            SetOwnMargin(line, 0.0f, smooth);
            return true;
        }
        // The records of the line over that stretch go.
        RemovalSet gone;
        for (auto& s : part.seamAllowances) {
            auto sv = ReadSeamValues(*s);
            if (s->baseLine == &line && sv && sv->start() < f1 && sv->end() > f0) gone.records.insert(s.get());
        }
        if (gone.records.empty()) return false;
        RemoveRecords(d, gone);
        return true;
    }
    if (!first && v->uniform() && v->wholeLine()) {
        SetOwnMargin(line, v->margins.front(), smooth);
        return true;
    }
    part.seamAllowances.push_back(MakeSeam(line, *v));
    if (!first && line.margin != 0.0f) SetOwnMargin(line, 0.0f, smooth);
    return true;
}

bool ReplaceSeamPoints(Design& d, Part& part, SeamAllowance& s, const std::vector<std::pair<float, float>>& points) {
    (void)part;
    auto old = ReadSeamValues(s);
    if (!old) return false;
    if (AllZero(points) && points.size() >= 2) {
        RemoveRecord(d, &s);
        return true;
    }
    auto v = OverStretch(old->start(), old->end(), points);
    if (!v) return false;
    StoreSeamValues(s, *v);
    RebuildSeam(s);
    return true;
}

namespace {

// The fraction of `to` at the point that lies at fraction `f` of `from`. The ends stay the ends:
// on a closed line the point nearest to the start may be taken for the end.
float CarryFraction(float f, const Polyline& from, const Polyline& to) {
    if (!std::isfinite(f) || f <= 0.0f || f >= 1.0f || from.size() < 2 || to.size() < 2) return f;
    return FractionAt(to, PolyPointAt(from, f * PolyLength(from)).pt);
}

// After a swap the allowance lies where the line was and the line where the allowance was: what a
// piece took from the one it now takes from the other, so that its outline stays where it was.
// Offsetting lengthens and shortens segments unequally, so stretches are carried by place.
void RelinkSwapped(Design& d, Line& base, SeamAllowance& s, const Polyline& oldBase, const Polyline& oldSeam) {
    const uint32_t keep = ~0xFFu;  // the kind word's bits above the kind
    for (auto& pc : d.pieces) {
        for (List<PieceLine>* list : {&pc->linesA, &pc->linesB})
            for (auto& pl : *list) {
                if (pl->source.ptr == &base) {
                    pl->source = {&s, (pl->source.kind & keep) | kKindSeamAllowance};
                    pl->start = CarryFraction(pl->start, oldBase, s.outline);
                    pl->end = CarryFraction(pl->end, oldBase, s.outline);
                } else if (pl->source.ptr == &s) {
                    pl->source = {&base, (pl->source.kind & keep) | kKindLine};
                    pl->start = CarryFraction(pl->start, oldSeam, base.eval);
                    pl->end = CarryFraction(pl->end, oldSeam, base.eval);
                }
            }
        for (auto& m : pc->members) {
            if (m->element.ptr == &base) m->element = {&s, (m->element.kind & keep) | kKindSeamAllowance};
            else if (m->element.ptr == &s) m->element = {&base, (m->element.kind & keep) | kKindLine};
        }
    }
}

}  // namespace

bool SwapSeam(Design& d, SeamAllowance& s, const TSmooth& smooth) {
    auto v = ReadSeamValues(s);
    if (!v || !v->wholeLine() || !v->uniform() || !BaseOf(s)) return false;
    const float m = v->margins.front();
    if (m == 0.0f) return false;
    Line& base = *s.baseLine;
    const Polyline oldBase = base.eval, oldSeam = s.outline;
    OffsetNodes(base.nodes, m, true);
    EvaluateLineRecord(base, smooth);
    for (float& x : v->margins) x = -m;
    StoreSeamValues(s, *v);
    RebuildSeam(s);
    RelinkSwapped(d, base, s, oldBase, oldSeam);
    return true;
}

bool SwapOwnMargin(Line& line, const TSmooth& smooth) {
    const float m = line.margin;
    if (m == 0.0f || line.nodes.size() < 2 || !SoundMargin(m)) return false;
    OffsetNodes(line.nodes, m, true);
    SetOwnMargin(line, -m, smooth);
    return true;
}

bool SetSeamAttributes(SeamAllowance& s, float absValue, bool flip) {
    auto v = ReadSeamValues(s);
    if (!v || !SoundMargin(absValue) || !(absValue > 0.0f)) return false;
    for (float& m : v->margins) m = SignOf(m) * std::fabs(absValue) * (flip ? -1.0f : 1.0f);
    StoreSeamValues(s, *v);
    RebuildSeam(s);
    return true;
}

Line* DetachSeam(Design& d, Part& part, SeamAllowance& s, const Line& style, const TSmooth& smooth) {
    auto v = ReadSeamValues(s);
    const Polyline* base = BaseOf(s);
    if (!v || !base || s.outline.size() < 2) return nullptr;
    std::unique_ptr<Line> line;
    if (v->uniform()) {
        // The base line's own nodes over the stretch, moved by the margin: the curve keeps its shape.
        const Line& b = *s.baseLine;
        const float L = PolyLength(*base);
        std::vector<Node> nodes = StretchNodes(b, NodePositions(b), v->start() * L, v->end() * L);
        OffsetNodes(nodes, v->margins.front(), true);
        line = LineLike(b, std::move(nodes), smooth);
    } else {
        Line like = style;
        like.flags = (like.flags & ~kLineMethodMask) | (uint32_t(kCurveInterpolating) << kLineMethodShift);
        line = LineLike(like, smooth.NodesFromPolyline(s.outline), smooth);
    }
    line->flags &= ~(kLineTypeMask | kFlagTransient);
    line->margin = 0.0f;
    EvaluateLineRecord(*line, smooth);
    Line* made = line.get();
    part.linesB.push_back(std::move(line));
    RemoveRecord(d, &s);
    return made;
}

int SeamPointNear(const SeamAllowance& s, PointF p, float radius) {
    auto v = ReadSeamValues(s);
    if (!v || !BaseOf(s)) return -1;
    int best = -1;
    float bd = radius;
    for (size_t k = 0; k < v->size(); ++k) {
        float dd = PtDist(SeamPointAt(s, int(k)), p);
        if (dd <= bd) bd = dd, best = int(k);
    }
    return best;
}

PointF SeamPointAt(const SeamAllowance& s, int k) {
    auto v = ReadSeamValues(s);
    const Polyline* base = BaseOf(s);
    if (!v || !base || k < 0 || size_t(k) >= v->size()) return {};
    return PolyPointAt(*base, v->positions[size_t(k)] * PolyLength(*base)).pt;
}

int InsertSeamPoint(SeamAllowance& s, PointF p) {
    auto v = ReadSeamValues(s);
    const Polyline* base = BaseOf(s);
    if (!v || !base) return -1;
    const float L = PolyLength(*base);
    const float f = FractionAt(*base, p);
    // A point on an existing position, or outside the stretch, would make an empty interval.
    if (!(f > v->start()) || !(f < v->end())) return -1;
    for (float q : v->positions)
        if (std::fabs(q - f) * L < 1.0f) return -1;
    size_t at = size_t(std::upper_bound(v->positions.begin(), v->positions.end(), f) - v->positions.begin());
    float m = 0.5f * (v->margins[at - 1] + v->margins[at]);
    v->positions.insert(v->positions.begin() + long(at), f);
    v->margins.insert(v->margins.begin() + long(at), m);
    StoreSeamValues(s, *v);
    RebuildSeam(s);
    return int(at);
}

bool DeleteSeamPoint(SeamAllowance& s, int k) {
    auto v = ReadSeamValues(s);
    if (!v || k <= 0 || size_t(k) + 1 >= v->size()) return false;
    v->positions.erase(v->positions.begin() + k);
    v->margins.erase(v->margins.begin() + k);
    StoreSeamValues(s, *v);
    RebuildSeam(s);
    return true;
}

bool SetSeamPointMargin(SeamAllowance& s, int k, float absValue) {
    auto v = ReadSeamValues(s);
    if (!v || k < 0 || size_t(k) >= v->size() || !SoundMargin(absValue)) return false;
    float& m = v->margins[size_t(k)];
    m = SignOf(m) * std::fabs(absValue);
    StoreSeamValues(s, *v);
    RebuildSeam(s);
    return true;
}

Part* PartOfSeam(Design& d, const SeamAllowance* s) {
    for (auto& p : d.parts)
        for (auto& r : p->seamAllowances)
            if (r.get() == s) return p.get();
    return nullptr;
}

Part* PartOfLine(Design& d, const Line* l) {
    for (auto& p : d.parts)
        for (const List<Line>* list : {&p->linesA, &p->linesB})
            for (auto& r : *list)
                if (r.get() == l) return p.get();
    return nullptr;
}

}  // namespace rz
