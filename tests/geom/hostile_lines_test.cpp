// Lines as a damaged or hostile file may hold them: evaluation stays bounded and leaves lines it
// cannot draw untouched.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <cstring>
#include <random>

#include "geom/evaluate.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/smooth.h"

using namespace rz;

namespace {

uint32_t Method(int m) { return uint32_t(m) << lineflag::kCurveShift; }

TEST(HostileLines, NodesOutsideTheModelRangeMakeABadLineLeftAsItWas) {
    TSmooth smooth;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (PointF bad : {PointF{0, -2147483650.0f}, PointF{1.0001e7f, 0}, PointF{0, -1.0001e7f}, PointF{nan, 0},
                       PointF{0, std::numeric_limits<float>::infinity()}}) {
        for (int method = 0; method <= 5; ++method) {
            std::vector<Node> nodes{{0, 0, 7}, {bad.x, bad.y, 0x12345}, {5000, 100, 0}};
            std::vector<Node> before = nodes;
            Polyline out{{1, 1}};
            // Self-symmetric too: that step rewrites nodes, and must not run on a bad line.
            EXPECT_FALSE(EvaluateLine(smooth, nodes, Method(method) | lineflag::kSelfSymmetric, out));
            EXPECT_TRUE(out.empty());
            EXPECT_EQ(std::memcmp(nodes.data(), before.data(), nodes.size() * sizeof(Node)), 0) << method;
        }
    }
    // The edge of the range still belongs to it.
    std::vector<Node> edge{{-1e7f, -1e7f, 0}, {1e7f, 1e7f, 0}};
    Polyline out;
    EXPECT_TRUE(EvaluateLine(smooth, edge, Method(2), out));
    EXPECT_EQ(out.front(), (PointF{-1e7f, -1e7f}));
    EXPECT_EQ(out.back(), (PointF{1e7f, 1e7f}));
    EXPECT_TRUE(MarginPolyline(Polyline{}, 500.0f).empty());
}

TEST(HostileLines, SampleCountsBeyondTheCeilingAreScaledNotRefused) {
    TSmooth smooth;
    // Spans of 200 m each would want 65,535 samples apiece: far beyond the ceiling.
    std::vector<Node> nodes;
    for (int i = 0; i < 40; ++i) nodes.push_back({(i % 2 ? 1.0f : -1.0f) * 9.9e6f, -9.9e6f + i * 5e5f, 0});
    for (int method : {0, 1, 2}) {
        std::vector<Node> n = nodes;
        Polyline dense = smooth.EvaluateNodes(n, method, 0);
        ASSERT_FALSE(dense.empty()) << method;
        EXPECT_LE(dense.size(), kMaxEvaluatedPoints);
        size_t counted = 1;
        for (size_t i = 1; i < n.size(); ++i) {
            EXPECT_GE(n[i].samples(), 1u);
            counted += n[i].samples();
        }
        EXPECT_EQ(dense.size(), counted) << method;  // the node words say what was evaluated
        EXPECT_GT(dense.size(), kMaxEvaluatedPoints * 9 / 10);
        // The curve still ends on the last node.
        EXPECT_NEAR(dense.back().x, nodes.back().x, 1.0f);
        EXPECT_NEAR(dense.back().y, nodes.back().y, 1.0f);
        std::vector<Node> again = n;
        Polyline out;
        EXPECT_TRUE(EvaluateLine(smooth, again, Method(method), out));
    }
    // Counts below the ceiling are left exactly as filled.
    std::vector<Node> small{{0, 0, 0}, {10000, 0, 0}, {20000, 500, 0}};
    std::vector<Node> filled = small;
    FillSampleCounts(filled, 0);
    EXPECT_EQ(FitSampleCountsToCeiling(filled), 1u + 100u + 100u);
    EXPECT_EQ(filled[1].samples(), 100u);
    // A centred arc with an absurd sweep gets longer pieces.
    std::vector<Node> arc{{0, 0, 0}, {5000, 0, 0}, {0, 1e7f, 0}};
    Polyline out;
    EXPECT_TRUE(EvaluateLine(smooth, arc, Method(5), out));
    EXPECT_LE(out.size(), size_t(kMaxArcPoints) + 1);
}

// A line that scribbles back and forth with all its segment boxes overlapping: loop removal
// gives up after its work budget and keeps what it has, finite and in order.
TEST(HostileLines, TangledOffsetsStayFiniteAndEndWhereTheyShould) {
    Polyline needles;
    for (int i = 0; i < 20000; ++i) {
        float x = 0.5f * float(i / 2);
        needles.push_back(i % 2 ? PointF{x + 3000.0f, 3000.0f} : PointF{x, 0.0f});
    }
    Polyline raw = needles;
    PolyOffset(raw, 500.0f, false);
    Polyline cut = needles;
    PolyOffset(cut, 500.0f, true);
    ASSERT_GE(cut.size(), 2u);
    EXPECT_LE(cut.size(), raw.size());
    EXPECT_EQ(cut.front(), raw.front());
    EXPECT_EQ(cut.back(), raw.back());
    for (PointF p : cut) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
}

TEST(HostileLines, AZeroRadiusArcIsAPointAndRunsOfOnePointOffsetLikeTheirCorner) {
    // A centred arc of radius 0 swept over thousands of turns is one piece, not 2^18 points.
    Polyline dot = ArcByAngles({500, 500}, 0.0f, 0.0f, 8191.875f, 0.0f);
    ASSERT_EQ(dot.size(), 2u);
    EXPECT_EQ(dot.front(), (PointF{500, 500}));
    // A corner repeated many times is offset as the corner itself is.
    Polyline plain = {{0, 0}, {1000, 0}, {1000, 1000}};
    Polyline repeated = {{0, 0}};
    for (int i = 0; i < 5000; ++i) repeated.push_back({1000, 0});
    repeated.push_back({1000, 1000});
    PolyOffset(plain, 100.0f, false);
    PolyOffset(repeated, 100.0f, false);
    ASSERT_EQ(repeated.size(), 5002u);
    for (size_t i = 1; i + 1 < repeated.size(); ++i) ASSERT_EQ(repeated[i], plain[1]) << i;
    EXPECT_EQ(repeated.front(), plain.front());
    EXPECT_EQ(repeated.back(), plain.back());
}

}  // namespace
