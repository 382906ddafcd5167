#include "geom/smooth.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "geom/evaluate.h"
#include "geom/polyline.h"
#include "geom/primitives.h"

namespace rz {

// ---------------------------------------------------------------------------------------------
// Settings

namespace {
void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t GetU32(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(p[i]) << (8 * i);
    return v;
}
}  // namespace

std::array<uint8_t, TSmooth::kSettingsBytes> TSmooth::SaveSettings() const {
    std::array<uint8_t, kSettingsBytes> b{};
    PutU32(&b[0], std::bit_cast<uint32_t>(joinDistance));
    PutU32(&b[4], static_cast<uint32_t>(refitChord));
    PutU32(&b[8], static_cast<uint32_t>(refitTolerance));
    PutU32(&b[12], std::bit_cast<uint32_t>(arcFitTolerance));
    PutU32(&b[16], std::bit_cast<uint32_t>(straightTolerance));
    return b;
}

bool TSmooth::LoadSettings(std::span<const uint8_t> bytes) {
    if (bytes.size() < kSettingsBytes) return false;
    const TSmooth defaults;
    auto flt = [](const uint8_t* p, float def) {
        float v = std::bit_cast<float>(GetU32(p));
        return (std::isfinite(v) && v >= 0.0f) ? v : def;
    };
    joinDistance = flt(&bytes[0], defaults.joinDistance);
    int32_t chord = static_cast<int32_t>(GetU32(&bytes[4]));
    refitChord = chord > 0 ? chord : defaults.refitChord;
    int32_t tol = static_cast<int32_t>(GetU32(&bytes[8]));
    refitTolerance = tol >= 0 ? tol : defaults.refitTolerance;
    arcFitTolerance = flt(&bytes[12], defaults.arcFitTolerance);
    straightTolerance = flt(&bytes[16], defaults.straightTolerance);
    return true;
}

void TSmooth::RestoreDefaults(bool ctrl) {
    const TSmooth defaults;
    joinDistance = ctrl ? 30.0f : 50.0f;
    refitChord = defaults.refitChord;
    refitTolerance = defaults.refitTolerance;
    arcFitTolerance = defaults.arcFitTolerance;
    straightTolerance = defaults.straightTolerance;
}

bool TSmooth::NodesNear(const Node& a, const Node& b) const { return PtDist(a.pt(), b.pt()) <= joinDistance; }

bool TSmooth::ThreePointsStraight(PointF p0, PointF p1, PointF p2) const {
    if (PtSame(p0, p2)) return true;
    return DistToLine(p0, p2, p1) < straightTolerance;
}

// ---------------------------------------------------------------------------------------------
// Sample counts

namespace {

// floor(hypot(dx, dy) / 100 + 0.5). The square root of the sum of squares is within a few units in
// the last place of hypot, so it gives the same integer unless the value lies within a hair of a
// rounding point; only then (and for values that are not finite) is hypot itself needed.
double RoundedChordMm(double dx, double dy) {
    const double d2 = dx * dx + dy * dy;
    // Below 14.5 mm the count is the least one whatever the rounding.
    if (d2 < 1450.0 * 1450.0 * (1.0 - 1e-9)) return 0.0;
    const double v = std::sqrt(d2) / 100.0 + 0.5;
    const double r = std::floor(v);
    if (v < 1e6 && v - r > 1e-6 && r + 1.0 - v > 1e-6) return r;
    return std::floor(std::hypot(dx, dy) / 100.0 + 0.5);
}

}  // namespace

void FillSampleCounts(std::vector<Node>& nodes, int samples) {
    for (size_t i = 1; i < nodes.size(); ++i) {
        uint32_t count;
        if (samples > 0) {
            count = std::min<uint32_t>(static_cast<uint32_t>(samples), kNodeSamplesMask);
        } else {
            const double dx = double(nodes[i].x) - nodes[i - 1].x, dy = double(nodes[i].y) - nodes[i - 1].y;
            double r = RoundedChordMm(dx, dy);
            // The count has 16 bits; a longer chord must not spill into the break flag.
            if (!std::isfinite(r) || r < kMinAutoSamples) count = kMinAutoSamples;
            else count = static_cast<uint32_t>(std::min<double>(r, kNodeSamplesMask));
        }
        nodes[i].word = (nodes[i].word & ~kNodeSamplesMask) | count;
    }
}

size_t FitSampleCountsToCeiling(std::vector<Node>& nodes) {
    size_t total = 1;
    for (size_t i = 1; i < nodes.size(); ++i) total += nodes[i].samples();
    if (total <= kMaxEvaluatedPoints) return total;
    const double scale = double(kMaxEvaluatedPoints - 1) / double(total - 1);
    total = 1;
    for (size_t i = 1; i < nodes.size(); ++i) {
        uint32_t count = std::max<uint32_t>(1, static_cast<uint32_t>(nodes[i].samples() * scale));
        nodes[i].word = (nodes[i].word & ~kNodeSamplesMask) | count;
        total += count;
    }
    return total;
}

// ---------------------------------------------------------------------------------------------
// Evaluation

namespace {

struct V2 {
    float x, y;
};
inline V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
inline V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
inline V2 operator*(float s, V2 a) { return {s * a.x, s * a.y}; }
inline V2 V(const Node& n) { return {n.x, n.y}; }
inline PointF P(V2 v) { return {v.x, v.y}; }

// Appends a piece's points; the piece's first point is dropped when it continues a previous one.
// The sample parameters t = j / n (j = 1..n) of a segment with n samples and the cubic Bernstein
// weights of each, kept for the last n asked for: segments mostly share their sample count, and
// these are the very float operations a per-sample evaluation would repeat.
class SampleWeights {
public:
    void Use(uint32_t n) {
        if (n == n_) return;
        n_ = n;
        t_.resize(n);
        b_.resize(n);
        for (uint32_t j = 1; j <= n; ++j) {
            float t = float(j) / float(n), s = 1.0f - t;
            t_[j - 1] = t;
            b_[j - 1] = {(s * s * s), (3.0f * s * s * t), (3.0f * s * t * t), (t * t * t)};
        }
    }
    float T(uint32_t j) const { return t_[j - 1]; }
    const std::array<float, 4>& B(uint32_t j) const { return b_[j - 1]; }

private:
    uint32_t n_ = 0;
    std::vector<float> t_;
    std::vector<std::array<float, 4>> b_;
};

struct Out {
    Polyline& pts;
    SampleWeights weights;
    void Start(PointF p) {
        if (pts.empty()) pts.push_back(p);
    }
    void Add(PointF p) { pts.push_back(p); }
};

void BSplinePiece(std::span<const Node> nd, bool prefilter, Out& out) {
    size_t m = nd.size();
    bool closed = PtSame(nd.front().pt(), nd.back().pt());
    std::vector<V2> q(m + 2);
    for (size_t i = 0; i < m; ++i) q[i + 1] = V(nd[i]);
    auto phantoms = [&] {
        if (closed) {
            q[0] = q[m - 1];  // node m-2
            q[m + 1] = q[2];  // node 1
        } else {
            q[0] = 2.0f * q[1] - q[2];
            q[m + 1] = 2.0f * q[m] - q[m - 1];
        }
    };
    phantoms();
    if (prefilter) {
        std::vector<V2> f(q);
        for (size_t i = 1; i <= m; ++i) f[i] = (1.0f / 6.0f) * (8.0f * q[i] - q[i - 1] - q[i + 1]);
        q.swap(f);
        phantoms();
    }
    // An open piece starts and ends exactly on its end nodes, so that pieces meet exactly.
    out.Start(closed ? P((1.0f / 6.0f) * (q[0] + 4.0f * q[1] + q[2])) : nd.front().pt());
    for (size_t k = 0; k + 1 < m; ++k) {
        V2 p0 = q[k], p1 = q[k + 1], p2 = q[k + 2], p3 = q[k + 3];
        V2 a0 = (1.0f / 6.0f) * (p0 + 4.0f * p1 + p2);
        V2 a1 = 0.5f * (p2 - p0);
        V2 a2 = 0.5f * (p0 - 2.0f * p1 + p2);
        V2 a3 = (1.0f / 6.0f) * (3.0f * (p1 - p2) - p0 + p3);
        uint32_t n = nd[k + 1].samples();
        out.weights.Use(n);
        for (uint32_t j = 1; j < n; ++j) {
            float t = out.weights.T(j);
            out.Add(P(a0 + t * (a1 + t * (a2 + t * a3))));
        }
        bool last = k + 2 == m;
        if (last && !closed) out.Add(nd.back().pt());
        else out.Add(P((1.0f / 6.0f) * (p1 + 4.0f * p2 + p3)));
    }
}

bool Within001(PointF a, PointF b) { return std::fabs(a.x - b.x) <= 0.01f && std::fabs(a.y - b.y) <= 0.01f; }

// Tangents of the C1 cubic with chord-length parameters and natural ends (Thomas algorithm).
void SplineTangents(const std::vector<V2>& p, const std::vector<float>& h, std::vector<V2>& m) {
    size_t n = p.size();
    m.assign(n, {0.0f, 0.0f});
    std::vector<float> cp(n);
    std::vector<V2> dp(n);
    // Row 0: 2 m0 + m1 = 3 (P1 - P0) / h0
    cp[0] = 0.5f;
    dp[0] = (1.5f / h[0]) * (p[1] - p[0]);
    for (size_t i = 1; i < n; ++i) {
        float a, b = 2.0f, c;
        V2 r;
        if (i == n - 1) {
            a = 1.0f;
            c = 0.0f;
            r = (3.0f / h[n - 2]) * (p[n - 1] - p[n - 2]);
        } else {
            float lam = h[i] / (h[i - 1] + h[i]);
            a = lam;
            c = 1.0f - lam;
            r = 3.0f * ((lam / h[i - 1]) * (p[i] - p[i - 1]) + ((1.0f - lam) / h[i]) * (p[i + 1] - p[i]));
        }
        float denom = b - a * cp[i - 1];
        cp[i] = c / denom;
        dp[i] = (1.0f / denom) * (r - a * dp[i - 1]);
    }
    m[n - 1] = dp[n - 1];
    for (size_t i = n - 1; i-- > 0;) m[i] = dp[i] - cp[i] * m[i + 1];
}

void InterpolatingPiece(std::span<const Node> nd, Out& out) {
    // Merge runs of nodes within 0.01 of the last kept one.
    std::vector<V2> p;
    std::vector<uint32_t> cnt;
    for (size_t i = 0; i < nd.size(); ++i) {
        if (!p.empty() && Within001(P(p.back()), nd[i].pt())) continue;
        p.push_back(V(nd[i]));
        cnt.push_back(nd[i].samples());
    }
    bool closed = nd.size() >= 2 && Within001(nd.front().pt(), nd.back().pt());
    if (closed) {
        // Keep the ring of distinct nodes; the closing node is added back below.
        if (p.size() >= 2 && Within001(P(p.back()), P(p.front()))) {
            p.pop_back();
            cnt.pop_back();
        }
        size_t d = p.size();
        if (d < 5) {
            out.Start(nd.front().pt());
            for (size_t i = 1; i < nd.size(); ++i) out.Add(nd[i].pt());
            return;
        }
        // Pad with two nodes from the other end on each side and solve as open.
        std::vector<V2> q;
        std::vector<uint32_t> qc;
        q.push_back(p[d - 2]);
        q.push_back(p[d - 1]);
        for (size_t i = 0; i < d; ++i) q.push_back(p[i]);
        q.push_back(V(nd.back()));
        q.push_back(p[1]);
        q.push_back(p[2]);
        qc.assign(q.size(), 0);
        for (size_t i = 1; i < d; ++i) qc[2 + i] = cnt[i];
        qc[2 + d] = nd.back().samples();
        std::vector<float> h(q.size() - 1);
        for (size_t i = 0; i + 1 < q.size(); ++i) h[i] = PtDist(P(q[i]), P(q[i + 1]));
        std::vector<V2> m;
        SplineTangents(q, h, m);
        out.Start(P(q[2]));
        for (size_t i = 2; i < 2 + d; ++i) {
            V2 c1 = q[i] + (h[i] / 3.0f) * m[i], c2 = q[i + 1] - (h[i] / 3.0f) * m[i + 1];
            uint32_t n = std::max<uint32_t>(qc[i + 1], 1);
            out.weights.Use(n);
            for (uint32_t j = 1; j <= n; ++j) {
                const std::array<float, 4>& b = out.weights.B(j);
                out.Add(P(b[0] * q[i] + b[1] * c1 + b[2] * c2 + b[3] * q[i + 1]));
            }
        }
        return;
    }
    out.Start(P(p[0]));
    if (p.size() < 2) return;
    std::vector<float> h(p.size() - 1);
    for (size_t i = 0; i + 1 < p.size(); ++i) h[i] = PtDist(P(p[i]), P(p[i + 1]));
    std::vector<V2> m;
    SplineTangents(p, h, m);
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        V2 c1 = p[i] + (h[i] / 3.0f) * m[i], c2 = p[i + 1] - (h[i] / 3.0f) * m[i + 1];
        uint32_t n = std::max<uint32_t>(cnt[i + 1], 1);
        out.weights.Use(n);
        for (uint32_t j = 1; j <= n; ++j) {
            const std::array<float, 4>& b = out.weights.B(j);
            out.Add(P(b[0] * p[i] + b[1] * c1 + b[2] * c2 + b[3] * p[i + 1]));
        }
    }
}

void CopyNodes(std::span<const Node> nodes, Polyline& out) {
    out.reserve(nodes.size());
    for (const Node& n : nodes) out.push_back(n.pt());
}

}  // namespace

Polyline TSmooth::EvaluateNodes(std::vector<Node>& nodes, int type, int samples) const {
    Polyline pts;
    EvaluateNodes(nodes, type, samples, pts);
    return pts;
}

void TSmooth::EvaluateNodes(std::vector<Node>& nodes, int type, int samples, Polyline& pts) const {
    pts.clear();
    if (nodes.empty()) return;
    for (const Node& n : nodes)
        if (!InModelRange(n.pt())) return;
    if (nodes.size() == 1) {
        pts.push_back(nodes[0].pt());
        return;
    }
    switch (type) {
        case kCurveBSplineThrough:
        case kCurveBSplineControl:
        case kCurveInterpolating: {
            FillSampleCounts(nodes, samples);
            pts.reserve(FitSampleCountsToCeiling(nodes));
            Out out{pts, {}};
            size_t start = 0;
            for (size_t i = 1; i < nodes.size(); ++i) {
                if (i + 1 != nodes.size() && !nodes[i].isBreak()) continue;
                std::span<const Node> piece(nodes.data() + start, i - start + 1);
                if (type == kCurveInterpolating) InterpolatingPiece(piece, out);
                else BSplinePiece(piece, type == kCurveBSplineThrough, out);
                start = i;
            }
            return;
        }
        case kCurveArc3:
            if (nodes.size() == 3) pts = Arc3Points(nodes[0].pt(), nodes[1].pt(), nodes[2].pt(), 0.0f);
            else CopyNodes(nodes, pts);
            return;
        case kCurveCentredArc:
            if (nodes.size() == 3) {
                pts = ArcByAngles(nodes[0].pt(), nodes[1].x, nodes[2].x, nodes[2].y, 0.0f);
                if (nodes[0].isBreak())
                    for (PointF& p : pts) p.x = -p.x;
            } else {
                CopyNodes(nodes, pts);
            }
            return;
        default:
            CopyNodes(nodes, pts);
            return;
    }
}

std::vector<Node> TSmooth::NodesFromPolyline(std::span<const PointF> pts) const {
    Polyline p(pts.begin(), pts.end());
    PolySimplify(p, static_cast<float>(refitTolerance) * 100.0f, static_cast<float>(refitChord) * 100.0f);
    std::vector<Node> out(p.size());
    for (size_t i = 0; i < p.size(); ++i) out[i] = {p[i].x, p[i].y, 0};
    return out;
}

// ---------------------------------------------------------------------------------------------
// Arc fitting

namespace {

// Where the polyline pts[a..b] first crosses the perpendicular bisector of its chord.
std::optional<PointF> BisectorCrossing(std::span<const PointF> pts, size_t a, size_t b) {
    PointF s = pts[a], e = pts[b];
    double ux = double(e.x) - s.x, uy = double(e.y) - s.y;
    double mx = (double(s.x) + e.x) * 0.5, my = (double(s.y) + e.y) * 0.5;
    auto f = [&](PointF p) { return ux * (p.x - mx) + uy * (p.y - my); };
    double f0 = f(pts[a]);
    for (size_t k = a + 1; k <= b; ++k) {
        double f1 = f(pts[k]);
        if ((f0 <= 0 && f1 >= 0) || (f0 >= 0 && f1 <= 0)) {
            if (f0 == f1) return pts[k - 1];
            double t = f0 / (f0 - f1);
            PointF p = pts[k - 1], q = pts[k];
            return PointF{static_cast<float>(p.x + t * (double(q.x) - p.x)), static_cast<float>(p.y + t * (double(q.y) - p.y))};
        }
        f0 = f1;
    }
    return std::nullopt;
}

constexpr double kArcJoinTol = 20.0;  // 0.2 mm

}  // namespace

std::vector<ArcPiece> FitArcs(std::span<const PointF> pts, float tolerance) {
    std::vector<ArcPiece> pieces;
    std::vector<Circle> circles;  // circle of each piece (radius 0 for straight pieces)
    size_t n = pts.size();
    if (n < 2) return pieces;
    pieces.reserve(16);
    auto joins = [&](const Circle& c) {
        if (pieces.empty()) return true;
        const ArcPiece& prev = pieces.back();
        if (prev.IsStraight()) return std::fabs(double(DistToLine(prev.start, prev.end, c.centre)) - c.radius) <= kArcJoinTol;
        const Circle& pc = circles.back();
        double d = PtDist(pc.centre, c.centre);
        return std::fabs(d - std::fabs(double(pc.radius) - c.radius)) <= kArcJoinTol ||
               std::fabs(d - (double(pc.radius) + c.radius)) <= kArcJoinTol;
    };
    size_t a = 0;
    for (;;) {
        size_t bestEnd = 0;
        PointF bestMid{};
        Circle bestCircle{};
        for (size_t w = 4; a + w - 1 <= n - 1; ++w) {
            size_t b = a + w - 1;
            auto x = BisectorCrossing(pts, a, b);
            if (!x) continue;
            Circle c = Circumcircle(pts[a], *x, pts[b]);
            if (c.radius == 0.0f) continue;
            // Within the tolerance of the circle: between the squares of radius ∓ tolerance, which
            // spares a square root for every point of every window tried.
            const double lo = std::max(0.0, double(c.radius) - tolerance), hi = double(c.radius) + tolerance;
            const double lo2 = lo * lo, hi2 = hi * hi;
            bool ok = true;
            for (size_t k = a; k <= b && ok; ++k) {
                const double dx = double(pts[k].x) - c.centre.x, dy = double(pts[k].y) - c.centre.y;
                const double d2 = dx * dx + dy * dy;
                ok = d2 >= lo2 && d2 <= hi2;
            }
            if (!ok || !joins(c)) break;
            bestEnd = b;
            bestMid = *x;
            bestCircle = c;
        }
        ArcPiece piece;
        if (bestEnd) {
            piece = {pts[a], bestMid, pts[bestEnd], static_cast<int>(a), static_cast<int>(bestEnd)};
            circles.push_back(bestCircle);
        } else {
            // Too few points left for a window: the straight piece takes what there is.
            size_t end = std::min(a + 2, n - 1);
            piece = {pts[a], pts[a], pts[end], static_cast<int>(a), static_cast<int>(end)};
            circles.push_back({pts[a], 0.0f});
        }
        pieces.push_back(piece);
        a = static_cast<size_t>(piece.last);
        if (a + 5 >= n || a + 1 >= n) break;
    }
    if (a != n - 1) {
        pieces.push_back({pts[a], pts[a], pts[n - 1], static_cast<int>(a), static_cast<int>(n - 1)});
        circles.push_back({pts[a], 0.0f});
    }
    return pieces;
}

std::vector<ArcPiece> TSmooth::FitArcs(std::span<const PointF> pts) const { return rz::FitArcs(pts, arcFitTolerance); }

// ---------------------------------------------------------------------------------------------
// Re-fit and quick draw

int TSmooth::RefitRange(std::vector<Node>& nodes, int first, int last, float step) const {
    if (first == last || !(step >= 100.0f) || first < 0 || last < first || last >= static_cast<int>(nodes.size()))
        return 0;
    std::vector<Node> range(nodes.begin() + first, nodes.begin() + last + 1);
    Polyline poly = EvaluateNodes(range, kCurveBSplineControl, 0);
    if (poly.size() < 2) return 0;
    PolySimplify(poly, kEvalSimplifyTolerance, kEvalSimplifyChord);
    std::vector<ArcPiece> arcs = FitArcs(poly);
    if (arcs.empty()) return 0;
    Polyline seq;
    seq.reserve(2048);
    for (const ArcPiece& a : arcs) {
        Polyline part = Arc3Points(a.start, a.middle, a.end, step);
        if (part.empty()) return 0;
        if (seq.size() + part.size() > seq.capacity()) seq.reserve(seq.capacity() + 2048 + part.size());
        seq.insert(seq.end(), seq.empty() ? part.begin() : part.begin() + 1, part.end());
    }
    if (seq.size() < 2) return 0;
    std::vector<Node> repl(seq.size());
    for (size_t i = 0; i < seq.size(); ++i) repl[i] = {seq[i].x, seq[i].y, 0};
    // The range's end nodes stay where they were and keep their words (break flags).
    repl.front() = nodes[first];
    repl.back() = nodes[last];
    nodes.erase(nodes.begin() + first, nodes.begin() + last + 1);
    nodes.insert(nodes.begin() + first, repl.begin(), repl.end());
    return first + static_cast<int>(repl.size()) - 1;
}

namespace {

// "Is some segment of the polyline within tol of p?" in constant time, via a hashed grid.
class NearIndex {
public:
    NearIndex(const Polyline& pts, float tol) : pts_(pts), tol_(tol) {
        double len = 0.0;
        for (size_t i = 1; i < pts.size(); ++i) len += PtDist(pts[i - 1], pts[i]);
        cell_ = std::max({double(tol) * 2.0, pts.size() > 1 ? len / double(pts.size() - 1) : 1.0, 1.0});
        for (size_t i = 1; i < pts.size(); ++i) {
            PointF a = pts[i - 1], b = pts[i];
            ForCells(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y),
                     [&](int64_t key) { cells_[key].push_back(static_cast<int>(i)); });
        }
    }
    bool Near(PointF p) const {
        if (pts_.size() == 1) return PtDist(pts_[0], p) <= tol_;
        bool found = false;
        ForCells(p.x - tol_, p.y - tol_, p.x + tol_, p.y + tol_, [&](int64_t key) {
            if (found) return;
            auto it = cells_.find(key);
            if (it == cells_.end()) return;
            for (int i : it->second)
                if (DistToSegment(pts_[i - 1], pts_[i], p) <= tol_) {
                    found = true;
                    return;
                }
        });
        return found;
    }

private:
    template <class F>
    void ForCells(double x0, double y0, double x1, double y1, F&& f) const {
        auto c = [&](double v) { return static_cast<int64_t>(std::clamp(std::floor(v / cell_), -1e9, 1e9)); };
        int64_t cx0 = c(x0), cx1 = c(x1), cy0 = c(y0), cy1 = c(y1);
        for (int64_t y = cy0; y <= cy1; ++y)
            for (int64_t x = cx0; x <= cx1; ++x) f(x * 2000000007LL + y);
    }
    const Polyline& pts_;
    float tol_;
    double cell_ = 1.0;
    std::unordered_map<int64_t, std::vector<int>> cells_;
};

}  // namespace

void QuickDrawSpacing(const TSmooth& sm, std::vector<Node>& nodes, int type, float tolerance) {
    constexpr float kGapDiff = 500.0f;  // 5 mm
    constexpr int kMaxRemovalTries = 64;
    if (nodes.size() < 3) return;
    std::vector<Node> work = nodes;
    const Polyline before = sm.EvaluateNodes(work, type, 0);
    const float g0 = PtDist(nodes[0].pt(), nodes[1].pt());
    if (before.size() < 2 || !(g0 > 0.0f)) return;
    const NearIndex nearBefore(before, tolerance);
    auto keepsShape = [&](const std::vector<Node>& cand) {
        std::vector<Node> test = cand;
        Polyline after = sm.EvaluateNodes(test, type, 0);
        if (after.empty()) return false;
        for (PointF p : after)
            if (!nearBefore.Near(p)) return false;
        NearIndex nearAfter(after, tolerance);
        for (PointF p : before)
            if (!nearAfter.Near(p)) return false;
        return true;
    };

    std::vector<Node> out;
    out.push_back(nodes[0]);
    bool inserted = false;
    for (size_t k = 0; k + 1 < nodes.size(); ++k) {
        float g = PtDist(nodes[k].pt(), nodes[k + 1].pt());
        if (g > g0 + kGapDiff) {
            float s0 = PolyLengthTo(before, nodes[k].pt()).length;
            float s1 = PolyLengthTo(before, nodes[k + 1].pt()).length;
            int parts = std::clamp(static_cast<int>(std::lround(g / g0)), 1, 64);
            if (s1 > s0) {
                for (int q = 1; q < parts; ++q) {
                    PointF p = PolyPointAt(before, s0 + (s1 - s0) * float(q) / float(parts)).pt;
                    out.push_back({p.x, p.y, 0});
                    inserted = true;
                }
            }
        }
        out.push_back(nodes[k + 1]);
    }
    if (inserted && keepsShape(out)) nodes = std::move(out);

    int tries = 0;
    for (size_t k = 1; k + 1 < nodes.size() && tries < kMaxRemovalTries;) {
        if (PtDist(nodes[k - 1].pt(), nodes[k].pt()) < g0 - kGapDiff) {
            ++tries;
            std::vector<Node> cand = nodes;
            cand.erase(cand.begin() + static_cast<std::ptrdiff_t>(k));
            if (keepsShape(cand)) {
                nodes = std::move(cand);
                continue;  // the same index now holds the next node
            }
        }
        ++k;
    }
}

bool TSmooth::QuickDraw(std::vector<Node>& nodes, uint32_t& lineFlags, Polyline& evaluated) const {
    if (nodes.size() < 3 || (lineFlags & lineflag::kQuickDrawn)) return false;
    bool closed = PtSame(nodes.front().pt(), nodes.back().pt());
    RefitRange(nodes, 0, static_cast<int>(nodes.size()) - 1, 200.0f);
    if (nodes.size() > 2) {
        size_t count = closed ? nodes.size() - 1 : nodes.size();
        Polyline pts;
        for (size_t i = 0; i < count; ++i) pts.push_back(nodes[i].pt());
        PolySimplify(pts, 10.0f, 0.0f);
        std::vector<Node> thin(pts.size());
        for (size_t i = 0; i < pts.size(); ++i) thin[i] = {pts[i].x, pts[i].y, 0};
        if (closed) thin.push_back(thin.front());
        nodes = std::move(thin);
        QuickDrawSpacing(*this, nodes, lineflag::CurveMethod(lineFlags), static_cast<float>(refitTolerance) * 100.0f);
    }
    lineFlags |= lineflag::kQuickDrawn | lineflag::kNodesRefitted;
    if (closed) nodes.back() = nodes.front();
    EvaluateLine(*this, nodes, lineFlags, evaluated);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Self-symmetric lines

bool MakeSelfSymmetric(std::vector<Node>& nodes) {
    size_t n = nodes.size();
    if (n < 2) return false;
    PointF A = nodes.front().pt(), B = nodes.back().pt();
    if (PtSame(A, B)) return false;
    double ux = double(B.x) - A.x, uy = double(B.y) - A.y;
    double l2 = ux * ux + uy * uy;
    if (!(l2 > 0.0)) return false;
    double mx = (double(A.x) + B.x) * 0.5, my = (double(A.y) + B.y) * 0.5;
    auto f = [&](PointF p) { return ux * (p.x - mx) + uy * (p.y - my); };
    // Mirror in the perpendicular bisector of AB. The crossing point lies on that line, so it is
    // the same mirror line, without the ill-conditioned direction from two nearby points.
    auto mirror = [&](PointF p) {
        double k = 2.0 * f(p) / l2;
        return PointF{static_cast<float>(p.x - k * ux), static_cast<float>(p.y - k * uy)};
    };
    float scale = 1.0f;
    for (const Node& nd : nodes) scale = std::max({scale, std::fabs(nd.x), std::fabs(nd.y)});
    const float tol = 2e-6f * scale;
    bool symmetric = true;
    for (size_t k = 0; k < n / 2 && symmetric; ++k) {
        PointF m = mirror(nodes[k].pt());
        PointF o = nodes[n - 1 - k].pt();
        symmetric = std::fabs(m.x - o.x) <= tol && std::fabs(m.y - o.y) <= tol;
    }
    if (symmetric && (n % 2 == 1)) symmetric = std::fabs(f(nodes[n / 2].pt())) / std::sqrt(l2) <= tol;
    if (symmetric) return false;
    size_t i = 0;
    double fPrev = f(nodes[0].pt());
    for (size_t k = 1; k < n; ++k) {
        double fk = f(nodes[k].pt());
        if ((fPrev < 0 && fk > 0) || (fPrev > 0 && fk < 0)) {
            i = k;
            break;
        }
        fPrev = fk;
    }
    if (i == 0) return false;
    std::vector<Node> out(nodes.begin(), nodes.begin() + i);
    out.reserve(2 * i);
    for (size_t k = i; k-- > 0;) {
        Node c = nodes[k];
        PointF m = mirror(c.pt());
        c.x = m.x;
        c.y = m.y;
        out.push_back(c);
    }
    out.back().x = B.x;  // the mirror of A is B; keep it exact so the chord never drifts
    out.back().y = B.y;
    nodes = std::move(out);
    return true;
}

}  // namespace rz
