#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "geom/evaluate.h"
#include "model/afterload.h"
#include "model/design.h"
#include "model/sample.h"
#include "model/xie.h"

using namespace rz;

namespace {

// A design large enough to be shared out over threads, whose lines take every path of the
// evaluation: each curve method, break nodes, margins, the self-symmetric step, a bad line.
void VariedDesign(Design& d) {
    BuildLargeDesign(d, 60, 10, 50, 0, 0);
    std::mt19937 rng(3);
    int n = 0;
    for (auto& p : d.parts)
        for (List<Line>* l : {&p->linesA, &p->linesB})
            for (auto& ln : *l) {
                ++n;
                ln->flags = (ln->flags & ~lineflag::kCurveMask) | (uint32_t(n % 6) << lineflag::kCurveShift);
                for (Node& nd : ln->nodes) {
                    nd.x += float(rng() % 400);
                    if (rng() % 9 == 0) nd.word |= kNodeBreak;
                }
                if (n % 4 == 0) ln->margin = n % 8 == 0 ? 150.0f : -80.0f;
                if (n % 7 == 0) {
                    ln->flags |= lineflag::kSelfSymmetric;
                    ln->nodes.resize(ln->nodes.size() / 2);  // an open arch
                }
                if (n % 97 == 0) ln->nodes[3].y = NAN;
            }
}

// Bit for bit, so that the bad line's NaN node compares equal to itself.
template <class T>
bool SameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

std::vector<const Line*> LinesOf(const Design& d) {
    std::vector<const Line*> out;
    for (auto& p : d.parts)
        for (const List<Line>* l : {&p->gradedLines, &p->linesA, &p->linesB})
            for (auto& ln : *l) out.push_back(ln.get());
    return out;
}

}  // namespace

TEST(AfterLoad, EvaluationIsTheSameOnAnyNumberOfThreads) {
    Design source;
    VariedDesign(source);
    const TSmooth smooth;
    // The plain way: every line on its own, in order.
    Design plain;
    plain.copyFrom(source);
    for (auto& p : plain.parts)
        for (List<Line>* l : {&p->gradedLines, &p->linesA, &p->linesB})
            for (auto& ln : *l) {
                std::vector<Node> nodes = ln->nodes;
                Polyline eval;
                if (!EvaluateLine(smooth, nodes, ln->flags, eval)) eval.clear();
                ln->nodes = nodes;
                ln->eval = eval;
                ln->second = ln->margin != 0.0f ? MarginPolyline(eval, ln->margin) : Polyline{};
            }
    const std::vector<const Line*> want = LinesOf(plain);
    size_t bad = 0, seconds = 0;
    for (const Line* ln : want) {
        bad += ln->eval.empty();
        seconds += !ln->second.empty();
    }
    ASSERT_GT(bad, 0u);
    ASSERT_GT(seconds, 50u);

    // Whole, and handed over in pieces as a grading run does (helpers evaluate the first pieces
    // while later ones are still being added).
    for (unsigned threads : {1u, 2u, 3u, 0u, 102u, 103u}) {
        Design d;
        d.copyFrom(source);
        if (threads < 100) {
            EvaluateAllLines(d, smooth, threads);
        } else {
            LineEvaluator ev(smooth, threads - 100);
            for (auto& p : d.parts)
                for (List<Line>* l : {&p->gradedLines, &p->linesA, &p->linesB}) {
                    std::vector<Line*> piece;
                    for (auto& ln : *l) piece.push_back(ln.get());
                    ev.add(piece);
                }
            ev.finish();
        }
        const std::vector<const Line*> got = LinesOf(d);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            ASSERT_TRUE(SameBits(got[i]->nodes, want[i]->nodes)) << threads << " threads, line " << i;
            ASSERT_TRUE(SameBits(got[i]->eval, want[i]->eval)) << threads << " threads, line " << i;
            ASSERT_TRUE(SameBits(got[i]->second, want[i]->second)) << threads << " threads, line " << i;
        }
    }
}

TEST(AfterLoad, EvaluationOfADesignWithoutLines) {
    Design d;
    d.clear();
    EvaluateAllLines(d, TSmooth{}, 2);  // nothing to share out: no thread, no crash
    EXPECT_TRUE(LinesOf(d).empty());
}

// A line B far beyond any shoe, with a margin, as a fuzzer made it: it used to cost seconds of
// evaluation and loop removal on load. Now it is a bad line, the rest of the file loads as
// written, and saving writes it back unchanged (but for the grading run's node marks).
TEST(AfterLoad, ALineFarOutsideThePatternIsABadLineAndTheRestLoads) {
    Design source;
    BuildSampleDesign(source);
    auto hostile = std::make_unique<Line>();
    hostile->flags = 0x202044;
    hostile->margin = -11.396f;
    hostile->nodes = {{0, -2147483650.0f, 0},
                      {0, 21626880, 65535},
                      {0, 0, 65535},
                      {0, 0, 15},
                      {0, 0, 15},
                      {0, 0, 1313341460u},
                      {53068.3f, 1901579.1f, 1163151950u},
                      {1.356e-19f, 2.95e-39f, 1330530900u},
                      {3.5063e15f, 211714560, 1145438210u},
                      {1.356e-19f, 1.165e-10f, 16777215u},
                      {0, 0, 318767119u},
                      {3.23e-34f, 3.1e-41f, 2875260940u}};
    // The grading run's transient node marks (bits 17, 18) are never written.
    std::vector<Node> hostileNodes = hostile->nodes;
    for (Node& n : hostileNodes) n.word &= ~0x60000u;
    Part& host = *source.parts.back();
    host.linesB.insert(host.linesB.begin(), std::move(hostile));
    const std::vector<uint8_t> bytes = WriteXie(source);

    Design d;
    Settings settings;
    XieReadResult r = ReadXie(bytes, d, settings);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.truncated);
    const Line& bad = *d.parts.back()->linesB.front();
    EXPECT_TRUE(bad.eval.empty());
    EXPECT_TRUE(bad.second.empty());
    EXPECT_TRUE(SameBits(bad.nodes, hostileNodes));
    Stats got = d.stats(), want = source.stats();
    EXPECT_EQ(got.badLines, 1);
    EXPECT_EQ(got.lines, want.lines);
    EXPECT_EQ(got.pins, want.pins);
    EXPECT_EQ(got.motifs, want.motifs);
    EXPECT_EQ(got.basePoints, want.basePoints);
    EXPECT_EQ(got.seamAllowances, want.seamAllowances);
    for (const Line* ln : LinesOf(d)) {
        if (ln != &bad) {
            EXPECT_FALSE(ln->eval.empty());
        }
    }
    EXPECT_EQ(WriteXie(d), bytes);
}
