// The line evaluation reuses buffers and skips work where it can; these tests hold it to the
// straightforward implementation it replaced, point for point and node word for node word.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

#include "geom/evaluate.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/smooth.h"

using namespace rz;

namespace {

// The simplification as it was first written: one allocation per call, PtDist for the chord.
size_t PlainSimplify(Polyline& pts, float tolerance, float longestChord) {
    size_t n = pts.size();
    if (n <= 2) return n;
    std::vector<char> keep(n, 0);
    keep[0] = keep[n - 1] = 1;
    std::vector<std::pair<size_t, size_t>> stack;
    stack.push_back({0, n - 1});
    bool chordLimit = longestChord > 0.0f;
    while (!stack.empty()) {
        auto [i, k] = stack.back();
        stack.pop_back();
        if (k - i < 2) continue;
        size_t split = 0;
        if (!PtSame(pts[i], pts[k])) {
            const double ax = pts[i].x, ay = pts[i].y;
            const double dx = double(pts[k].x) - ax, dy = double(pts[k].y) - ay;
            const double l2 = dx * dx + dy * dy;
            double maxS = -1.0;
            size_t at = 0;
            for (size_t j = i + 1; j < k; ++j) {
                double px = pts[j].x - ax, py = pts[j].y - ay;
                double dot = px * dx + py * dy;
                double qx = px - dx, qy = py - dy, c = px * dy - py * dx;
                double s0 = (px * px + py * py) * l2, s1 = (qx * qx + qy * qy) * l2, sc = c * c;
                double s = dot <= 0.0 ? s0 : (dot >= l2 ? s1 : sc);
                at = s > maxS ? j : at;
                maxS = s > maxS ? s : maxS;
            }
            if (maxS > (tolerance < 0.0f ? -0.5 : double(tolerance) * tolerance * l2)) split = at;
            else if (chordLimit && PtDist(pts[i], pts[k]) > longestChord) split = (i + k) / 2;
        } else {
            split = (i + k) / 2;
        }
        if (split == 0) continue;
        keep[split] = 1;
        stack.push_back({split, k});
        stack.push_back({i, split});
    }
    size_t w = 0;
    for (size_t i = 0; i < n; ++i)
        if (keep[i]) pts[w++] = pts[i];
    pts.resize(w);
    return w;
}

// The sample counts as first written, with std::hypot for every chord.
void PlainSampleCounts(std::vector<Node>& nodes, int samples) {
    for (size_t i = 1; i < nodes.size(); ++i) {
        uint32_t count;
        if (samples > 0) {
            count = std::min<uint32_t>(static_cast<uint32_t>(samples), kNodeSamplesMask);
        } else {
            double mm = std::hypot(double(nodes[i].x) - nodes[i - 1].x, double(nodes[i].y) - nodes[i - 1].y) / 100.0;
            double r = std::floor(mm + 0.5);
            if (!std::isfinite(r) || r < kMinAutoSamples) count = kMinAutoSamples;
            else count = static_cast<uint32_t>(std::min<double>(r, kNodeSamplesMask));
        }
        nodes[i].word = (nodes[i].word & ~kNodeSamplesMask) | count;
    }
}

// The line evaluation as first written.
bool PlainEvaluateLine(const TSmooth& smooth, std::vector<Node>& nodes, uint32_t lineFlags, Polyline& out) {
    out.clear();
    if (nodes.empty()) return false;
    for (const Node& n : nodes)
        if (!std::isfinite(n.x) || !std::isfinite(n.y)) return false;
    if (lineFlags & lineflag::kSelfSymmetric) MakeSelfSymmetric(nodes);
    Polyline poly = smooth.EvaluateNodes(nodes, lineflag::CurveMethod(lineFlags), 0);
    if (poly.empty()) return false;
    PlainSimplify(poly, kEvalSimplifyTolerance, kEvalSimplifyChord);
    out = std::move(poly);
    return true;
}

struct TestLine {
    std::vector<Node> nodes;
    uint32_t flags = 0;
};

// Lines of every curve method and the shapes that take the evaluator's side paths: break nodes,
// closed lines, repeated nodes, straight runs longer than the chord limit, near-circles like the
// benchmark's, far-off coordinates, huge chords, single nodes and self-symmetric lines.
std::vector<TestLine> VariedLines(unsigned seed, int count) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto pick = [&](int n) { return static_cast<int>(rng() % unsigned(n)); };
    std::vector<TestLine> lines;
    for (int it = 0; it < count; ++it) {
        TestLine t;
        int kind = pick(9);
        int method = pick(7);
        if (method == 6) method = 9;  // unknown methods copy the nodes
        float ox = unit(rng) < 0.2f ? 4.0e6f * unit(rng) : 40000.0f * unit(rng);
        float oy = unit(rng) < 0.2f ? -3.0e6f * unit(rng) : 40000.0f * unit(rng);
        static constexpr int kCounts[] = {1, 2, 3, 4, 5, 7, 12, 30, 50, 120, 400};
        int n = kCounts[pick(11)];
        switch (kind) {
            case 0:
            case 1:
            case 2: {  // random walk with a varied step
                float step = kind == 0 ? 300.0f : (kind == 1 ? 2500.0f : 20000.0f);
                float x = ox, y = oy, a = 6.28f * unit(rng);
                for (int i = 0; i < n; ++i) {
                    t.nodes.push_back({x, y, 0});
                    a += (unit(rng) - 0.5f) * 1.6f;
                    float s = step * (0.3f + unit(rng));
                    x += s * std::cos(a);
                    y += s * std::sin(a);
                }
                break;
            }
            case 3: {  // near-circle as in the benchmark pattern, sometimes closed
                float r = 5000.0f + 15000.0f * unit(rng);
                for (int i = 0; i < n; ++i) {
                    double a = 2 * std::numbers::pi * i / n;
                    t.nodes.push_back({ox + r * float(std::cos(a)), oy + r * float(std::sin(a)), 0});
                }
                if (pick(2)) t.nodes.push_back(t.nodes.front());
                break;
            }
            case 4: {  // straight run, on the grid or diagonal: only the chord limit splits it
                float dx = pick(2) ? 1000.0f : 700.0f, dy = pick(2) ? 0.0f : 700.0f;
                for (int i = 0; i < n; ++i) t.nodes.push_back({ox + dx * float(i), oy + dy * float(i), 0});
                break;
            }
            case 5: {  // rectangle-like outline with repeated nodes at the corners
                float w = 1000.0f + 9000.0f * unit(rng), h = 1000.0f + 9000.0f * unit(rng);
                PointF c[] = {{ox, oy}, {ox + w, oy}, {ox + w, oy + h}, {ox, oy + h}, {ox, oy}};
                for (int i = 0; i < 5; ++i) {
                    t.nodes.push_back({c[i].x, c[i].y, 0});
                    if (pick(3) == 0) t.nodes.push_back({c[i].x, c[i].y, 0});
                    if (pick(3) == 0) t.nodes.push_back({c[i].x + 0.004f, c[i].y, 0});
                }
                break;
            }
            case 6: {  // arcs: three nodes, or centre, radius and angles
                if (method == kCurveCentredArc) {
                    t.nodes = {{ox, oy, 0}, {200.0f + 20000.0f * unit(rng), 0, 0}, {6.0f * unit(rng), 6.0f * unit(rng), 0}};
                } else {
                    method = kCurveArc3;
                    t.nodes = {{ox, oy, 0}, {ox + 3000 * unit(rng), oy + 3000 * unit(rng), 0}, {ox + 6000, oy, 0}};
                }
                break;
            }
            case 7: {  // chord lengths around the rounding points of the sample counts
                float x = ox;
                for (int i = 0; i < std::max(n, 2); ++i) {
                    t.nodes.push_back({x, oy, 0});
                    x += 100.0f * (14.5f + float(pick(12))) + (pick(2) ? 0.0f : 0.5f);
                }
                break;
            }
            default: {  // symmetric-ish arch for the self-symmetric step
                float w = 4000.0f + 8000.0f * unit(rng);
                int half = std::max(n / 2, 2);
                for (int i = 0; i <= 2 * half; ++i) {
                    float s = float(i) / float(2 * half);
                    float bump = 1.0f + 0.05f * (unit(rng) - 0.5f);
                    t.nodes.push_back({ox + w * s, oy + 0.4f * w * std::sin(3.1415927f * s) * bump, 0});
                }
                t.flags |= lineflag::kSelfSymmetric;
                break;
            }
        }
        for (Node& nd : t.nodes) {
            nd.word = rng() & (kNodeSamplesMask | kNodeBreak);  // stale counts are overwritten
            if (pick(6) != 0) nd.word &= ~kNodeBreak;
        }
        t.flags |= uint32_t(method) << lineflag::kCurveShift;
        lines.push_back(std::move(t));
    }
    return lines;
}

}  // namespace

TEST(FastEvaluation, SameLinesAndNodeWordsAsThePlainEvaluation) {
    TSmooth sm;
    EvalScratch scratch;
    Polyline reused;
    int points = 0;
    for (const TestLine& t : VariedLines(1234, 3000)) {
        std::vector<Node> a = t.nodes, b = t.nodes, c = t.nodes;
        Polyline want{{1, 1}}, got{{2, 2}};
        bool okWant = PlainEvaluateLine(sm, a, t.flags, want);
        bool okGot = EvaluateLine(sm, b, t.flags, got);
        bool okReused = EvaluateLine(sm, c, t.flags, reused, scratch);  // buffers from earlier lines
        ASSERT_EQ(okGot, okWant);
        ASSERT_EQ(okReused, okWant);
        ASSERT_EQ(got, want) << "flags " << t.flags << ", " << t.nodes.size() << " nodes";
        ASSERT_EQ(reused, want);
        ASSERT_EQ(b, a);
        ASSERT_EQ(c, a);
        points += static_cast<int>(want.size());
    }
    EXPECT_GT(points, 100000);  // the set really exercises the simplification
}

TEST(FastEvaluation, SimplifyMatchesThePlainOneForEverySetting) {
    std::mt19937 rng(77);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    SimplifyScratch scratch;
    const float tolerances[] = {-1.0f, 0.0f, 1.0f, 4.0f, 100.0f};
    const float chords[] = {0.0f, -5.0f, 2000.0f, 1999.9999f, 150.0f, INFINITY};
    for (int it = 0; it < 400; ++it) {
        Polyline p;
        int n = 1 + static_cast<int>(rng() % 600);
        float x = 1000.0f * unit(rng), y = 0.0f, a = 0.0f;
        float step = it % 3 == 0 ? 2000.0f / 3.0f : 40.0f * unit(rng) + 1.0f;
        for (int i = 0; i < n; ++i) {
            p.push_back({x, y});
            if (it % 5 == 0 && unit(rng) < 0.1f) p.push_back({x, y});  // repeated points
            a += it % 3 == 0 ? 0.0f : (unit(rng) - 0.5f) * 0.4f;
            x += step * std::cos(a);
            y += step * std::sin(a);
        }
        if (it % 4 == 0) p.push_back(p.front());  // closed: the first span has no chord
        if (it % 50 == 1) p[p.size() / 2].x = it % 100 == 1 ? NAN : INFINITY;  // garbage in, same out
        for (float tol : tolerances)
            for (float chord : chords) {
                Polyline want = p, inPlace = p, into{{9, 9}};
                size_t count = PlainSimplify(want, tol, chord);
                ASSERT_EQ(PolySimplify(inPlace, tol, chord), count);
                ASSERT_EQ(inPlace.size(), want.size());
                ASSERT_EQ(std::memcmp(inPlace.data(), want.data(), want.size() * sizeof(PointF)), 0) << it << " " << tol;
                PolySimplifyTo(p, tol, chord, into, scratch);
                ASSERT_EQ(into.size(), want.size());
                ASSERT_EQ(std::memcmp(into.data(), want.data(), want.size() * sizeof(PointF)), 0) << it << " " << chord;
            }
    }
}

TEST(FastEvaluation, SampleCountsMatchTheRoundedChordEverywhere) {
    // Chords close to every rounding point, up to the 16-bit limit, and absurd ones.
    std::mt19937 rng(5);
    std::vector<Node> nodes{{0, 0, kNodeBreak}};
    for (int mm = 0; mm < 70000; mm += 1 + static_cast<int>(rng() % 37)) {
        for (float d : {-0.5f, -0.01f, 0.0f, 0.01f, 0.5f, 49.99f, 50.0f, 50.01f}) {
            float len = 100.0f * float(mm) + d;
            float a = float(rng() % 628) / 100.0f;
            PointF prev = nodes.back().pt();
            nodes.push_back({prev.x + len * std::cos(a), prev.y + len * std::sin(a), uint32_t(rng() & 0x1FFFFu)});
            nodes.push_back({nodes.back().x + len, nodes.back().y, 0});  // an axis-parallel chord too
        }
    }
    nodes.push_back({3e38f, -3e38f, 0});
    nodes.push_back({-3e38f, 3e38f, 0});
    nodes.push_back({-3e38f, 3e38f, 0});
    for (int samples : {0, -4, 1, 15, 70000}) {
        std::vector<Node> want = nodes, got = nodes;
        PlainSampleCounts(want, samples);
        FillSampleCounts(got, samples);
        ASSERT_EQ(got, want) << samples;
    }
}
