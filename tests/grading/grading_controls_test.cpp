// The grading controls in a run (front symmetry, shared zones, fixed distances, fixed base
// points), checked by invariants against independent constructions: unlinked mirror twins, the
// plain run, rigid moves and per-axis interpolation of the anchors' displacements.
#include <cmath>

#include "grading/control_edit.h"
#include "grading/controls.h"
#include "grading_fixture.h"
#include "model/afterload.h"
#include "model/settings.h"

namespace rz::test {
namespace {

const TSmooth kSmooth;

GradeReport GradeWith(Design& d, GradingRunControls* c) {
    EvaluateAllLines(d, kSmooth);
    GradeOptions o;
    o.controls = c;
    return GradeDesign(d, kSmooth, o);
}

// Every coordinate of the base pattern: lines, pins, motifs and base points.
std::vector<float> BaseCoordinates(const Design& d) {
    std::vector<float> v;
    for (auto& p : d.parts) {
        for (const List<Line>* l : {&p->linesA, &p->linesB})
            for (auto& ln : *l)
                for (const Node& n : ln->nodes) v.insert(v.end(), {n.x, n.y, float(n.word)});
        for (auto& q : p->pins) v.insert(v.end(), {q->x, q->y});
        for (auto& m : p->motifs) v.insert(v.end(), {m->x, m->y});
        for (auto& b : p->basePoints) v.insert(v.end(), {b->x, b->y});
    }
    return v;
}

double Cross(PointF a, PointF b) { return double(a.x) * b.y - double(a.y) * b.x; }
double Len(PointF a) { return std::hypot(double(a.x), double(a.y)); }
PointF Sub(PointF a, PointF b) { return {a.x - b.x, a.y - b.y}; }

void ExpectNear(PointF a, PointF b, double tol, const std::string& what) {
    EXPECT_NEAR(a.x, b.x, tol) << what;
    EXPECT_NEAR(a.y, b.y, tol) << what;
}

FixedDistance& AddFixed(Part& p, void* slave, uint32_t kind, Line& master, std::array<float, 4> f = {}) {
    auto x = std::make_unique<FixedDistance>();
    x->host = &master;
    x->first = {slave, kind};
    x->f = f;
    p.fixedDistances.push_back(std::move(x));
    return *p.fixedDistances.back();
}

TEST(GradingControls, FixedDistanceKeepsTheSlaveAtItsOffsetPlusTheCumulativeChange) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 0, 0);
    Line& master = AddLine(p.linesA, {{0, 0}, {1000, 0}, {2000, 200}, {3000, 0}}, &b);
    Pin& pin = AddPin(p, 1100, 300, &b);
    Line& slave = AddLine(p.linesB, {{0, 600}, {500, 620}, {1000, 640}, {1500, 660}, {2000, 680}, {2500, 700}, {3000, 720}},
                          &b);
    FixedDistance& fp = AddFixed(p, &pin, kKindPin, master);
    fp.perSize = std::vector<float>{-40, -20, 999, 30, 50};  // the base entry never counts
    AddFixed(p, &slave, kKindLine, master, {0.1f, 0.3f, 0.7f, 0.9f});
    const std::vector<float> before = BaseCoordinates(d);
    GradingRunControls c;
    ASSERT_TRUE(GradeWith(d, &c).ok);
    EXPECT_EQ(BaseCoordinates(d), before);
    ASSERT_EQ(c.report().size(), 1u);
    const PartControlReport& r = c.report()[0];
    ASSERT_EQ(r.fixed.size(), 2u);
    EXPECT_TRUE(r.fixed[0].skipped.empty());
    const int m = r.fixed[0].pairs[0].masterNode;
    EXPECT_EQ(m, 1);
    const PointF off = Sub({pin.x, pin.y}, master.nodes[size_t(m)].pt());
    const double D[5] = {60, 20, 0, 30, 80};
    for (int i = 0; i < 5; ++i) {
        const PointF v = Sub({GradedCopyAt(pin, i)->x, GradedCopyAt(pin, i)->y}, GradedCopyAt(master, i)->nodes[size_t(m)].pt());
        EXPECT_NEAR(Len(v), Len(off) + D[i], 1e-2) << i;
        EXPECT_NEAR(Cross(v, off) / Len(off), 0.0, 1e-2) << i;
    }
    // The stretch: every slave node of it keeps its base offset from its master node.
    ASSERT_TRUE(r.fixed[1].nodes);
    const std::array<int, 4> n = *r.fixed[1].nodes;
    EXPECT_EQ(n, (std::array<int, 4>{1, 2, 4, 5}));
    for (const FixedPair& q : r.fixed[1].pairs)
        for (int i = 0; i < 5; ++i)
            ExpectNear(Sub(GradedCopyAt(slave, i)->nodes[size_t(q.slaveNode)].pt(),
                           GradedCopyAt(master, i)->nodes[size_t(q.masterNode)].pt()),
                       {q.dx, q.dy}, 1e-2, "stretch node " + std::to_string(q.slaveNode));
    // Outside the stretch and its blends the slave grades as in a plain run.
    Design plain;
    SetSizes(plain);
    Part& pp = plain.firstPart();
    BasePoint& pb = AddBase(pp, 0, 0);
    AddLine(pp.linesA, {{0, 0}, {1000, 0}, {2000, 200}, {3000, 0}}, &pb);
    Line& ps = AddLine(pp.linesB, {{0, 600}, {500, 620}, {1000, 640}, {1500, 660}, {2000, 680}, {2500, 700}, {3000, 720}},
                       &pb);
    ASSERT_TRUE(GradeWith(plain, nullptr).ok);
    for (int i = 0; i < 5; ++i)
        for (int j : {0, 6}) EXPECT_EQ(GradedCopyAt(slave, i)->nodes[size_t(j)], GradedCopyAt(ps, i)->nodes[size_t(j)]);
}

TEST(GradingControls, FrontSymmetricElementsAreMirrorsOfUnlinkedTwinsAcrossTheMastersCopy) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 800, 200);
    Line& master = AddLine(p.linesA, {{0, -1000}, {100, 1000}}, &b);
    Pin& pin = AddPin(p, -300, 100, &b);
    Pin& pinTwin = AddPin(p, 0, 0, &b);
    const PointF tw = MirrorAcross({pin.x, pin.y}, master.nodes[0].pt(), master.nodes[1].pt());
    pinTwin.x = tw.x, pinTwin.y = tw.y;
    Motif& mo = AddMotif(p, -500, -400, &b);
    Motif& moTwin = AddMotif(p, 0, 0, &b);
    const PointF mt = MirrorAcross({mo.x, mo.y}, master.nodes[0].pt(), master.nodes[1].pt());
    moTwin.x = mt.x, moTwin.y = mt.y;
    Line& line = AddLine(p.linesB, {{-200, 0}, {-400, 500}, {-300, 900}}, &b);
    std::vector<PointF> twinPts;
    for (const Node& n : line.nodes) twinPts.push_back(MirrorAcross(n.pt(), master.nodes[0].pt(), master.nodes[1].pt()));
    Line& lineTwin = AddLine(p.linesB, twinPts, &b);
    // A mirrored base point grades its elements about its mirror position; they are not mirrored back.
    BasePoint& mirroredBase = AddBase(p, -500, 300, &b);
    const PointF bt = MirrorAcross({-500, 300}, master.nodes[0].pt(), master.nodes[1].pt());
    BasePoint& twinBase = AddBase(p, bt.x, bt.y, &b);
    Pin& q = AddPin(p, -600, 400, &mirroredBase);
    Pin& qTwin = AddPin(p, -600, 400, &twinBase);
    pin.frontSym = mo.frontSym = line.frontSym = mirroredBase.frontSym = &master;
    const std::vector<float> before = BaseCoordinates(d);
    GradingRunControls c;
    ASSERT_TRUE(GradeWith(d, &c).ok);
    EXPECT_EQ(BaseCoordinates(d), before);
    ASSERT_EQ(c.report()[0].front.size(), 4u);
    for (const FrontOutcome& f : c.report()[0].front) EXPECT_TRUE(f.skipped.empty()) << f.skipped;
    for (int i = 0; i < 5; ++i) {
        const Line& mi = *GradedCopyAt(master, i);
        auto mirror = [&](PointF v) { return MirrorAcross(v, mi.nodes[0].pt(), mi.nodes[1].pt()); };
        ExpectNear({GradedCopyAt(pin, i)->x, GradedCopyAt(pin, i)->y},
                   mirror({GradedCopyAt(pinTwin, i)->x, GradedCopyAt(pinTwin, i)->y}), 0.05, "pin");
        ExpectNear({GradedCopyAt(mo, i)->x, GradedCopyAt(mo, i)->y},
                   mirror({GradedCopyAt(moTwin, i)->x, GradedCopyAt(moTwin, i)->y}), 0.05, "motif");
        for (size_t j = 0; j < line.nodes.size(); ++j)
            ExpectNear(GradedCopyAt(line, i)->nodes[j].pt(), mirror(GradedCopyAt(lineTwin, i)->nodes[j].pt()), 0.05, "line");
        ExpectNear({GradedCopyAt(q, i)->x, GradedCopyAt(q, i)->y}, {GradedCopyAt(qTwin, i)->x, GradedCopyAt(qTwin, i)->y},
                   0.05, "element of a mirrored base point");
    }
    // The base size is the base pattern in every case.
    EXPECT_EQ(GradedCopyAt(line, 2)->nodes, line.nodes);

    // Off, the same design grades plainly.
    GradingRunControls none(ControlSet{false, false, false});
    ASSERT_TRUE(GradeWith(d, &none).ok);
    EXPECT_FLOAT_EQ(GradedCopyAt(pin, 4)->x, float(800 + (-300 - 800) * 1.04));
}

TEST(GradingControls, ZoneOnALockedBasePointMovesRigidlyAndBlendsPerAxis) {
    auto build = [](Design& d) -> Line& {
        SetSizes(d);
        Part& p = d.firstPart();
        BasePoint& b = AddBase(p, 0, 0);
        BasePoint& z = AddBase(p, 1500, 100, &b);
        z.flags |= 0x1100;  // both steps locked: factors 1
        std::vector<PointF> pts;
        for (int j = 0; j <= 10; ++j) pts.push_back({300.0f * float(j), 50.0f * float(std::sin(j))});
        return AddLine(p.linesB, pts, &b);
    };
    Design plain;
    Line& ph = build(plain);
    ASSERT_TRUE(GradeWith(plain, nullptr).ok);
    Design d;
    Line& host = build(d);
    Part& p = d.firstPart();
    auto zone = std::make_unique<SharedZone>();
    zone->host = &host;
    zone->basePoint = p.basePoints[1].get();
    zone->f = {0.15f, 0.35f, 0.65f, 0.85f};
    p.sharedZones.push_back(std::move(zone));
    GradingRunControls c;
    ASSERT_TRUE(GradeWith(d, &c).ok);
    ASSERT_TRUE(c.report()[0].zones[0].nodes);
    const std::array<int, 4> n = *c.report()[0].zones[0].nodes;
    EXPECT_EQ(n, (std::array<int, 4>{2, 4, 6, 8}));
    for (int i = 0; i < 5; ++i) {
        const Line& ci = *GradedCopyAt(host, i);
        const PairF disp = (*p.basePoints[1]->displacement)[size_t(i)];
        for (int j = 0; j <= 10; ++j) {
            const PointF moved = Sub(ci.nodes[size_t(j)].pt(), host.nodes[size_t(j)].pt());
            if (j < n[0] || j > n[3]) EXPECT_EQ(ci.nodes[size_t(j)], GradedCopyAt(ph, i)->nodes[size_t(j)]) << j;
            else if (j >= n[1] && j <= n[2]) ExpectNear(moved, {disp.a, disp.b}, 1e-2, "stretch");
        }
        // Blend nodes move by the anchors' displacements interpolated along each axis.
        auto check = [&](int a, int bnode, int from, int to) {
            const PointF A = host.nodes[size_t(a)].pt(), B = host.nodes[size_t(bnode)].pt();
            const PointF dA = Sub(ci.nodes[size_t(a)].pt(), A), dB = Sub(ci.nodes[size_t(bnode)].pt(), B);
            for (int j = from; j <= to; ++j) {
                const PointF P = host.nodes[size_t(j)].pt();
                const double tx = (P.x - A.x) / (B.x - A.x), ty = (P.y - A.y) / (B.y - A.y);
                ExpectNear(Sub(ci.nodes[size_t(j)].pt(), P),
                           {float(dA.x + (dB.x - dA.x) * tx), float(dA.y + (dB.y - dA.y) * ty)}, 1e-2, "blend");
            }
        };
        check(n[0] - 1, n[1], n[0], n[1] - 1);
        check(n[2], n[3] + 1, n[2] + 1, n[3]);
    }
}

TEST(GradingControls, FixedBasePointLinesOnlyTranslate) {
    Design d;
    SetSizes(d);
    d.n = 0;  // before any run: the control computes the sizes itself
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 0, 0);
    BasePoint& f = AddBase(p, 1000, 500, &b);
    Line& l = AddLine(p.linesB, {{800, 300}, {1600, 900}, {400, 1200}}, &b);
    EXPECT_FALSE(IsFixedBasePoint(d, f));
    ASSERT_TRUE(MakeFixedBasePoint(d, f).ok);
    EXPECT_EQ(d.n, 5);
    EXPECT_TRUE(IsFixedBasePoint(d, f));
    ASSERT_TRUE(ToggleFixedLine(p, f, l).ok);
    EXPECT_EQ(l.basePoint, &f);
    GradingRunControls c;
    ASSERT_TRUE(GradeWith(d, &c).ok);
    for (int i = 0; i < 5; ++i) {
        const PointF t = Sub(GradedCopyAt(l, i)->nodes[0].pt(), l.nodes[0].pt());
        for (size_t j = 1; j < l.nodes.size(); ++j)
            ExpectNear(Sub(GradedCopyAt(l, i)->nodes[j].pt(), l.nodes[j].pt()), t, 1e-3, "translation");
        ExpectNear(t, {(*f.displacement)[size_t(i)].a, (*f.displacement)[size_t(i)].b}, 1e-3, "by the displacement");
    }
    ASSERT_TRUE(ToggleFixedLine(p, f, l).ok);
    EXPECT_EQ(l.basePoint, &b);
}

// The grid's answer against a plain scan (the earliest of equally near nodes wins), for queries
// on, near, far from and outside a long curve with repeated nodes.
TEST(GradingControls, NearestNodeIndexAgreesWithAScan) {
    std::vector<Node> nodes;
    for (int i = 0; i < 500; ++i) {
        const double a = 0.02 * i;
        nodes.push_back({float(20000 * std::cos(a)), float(12000 * std::sin(a) + 50 * std::sin(7 * a)), 0});
    }
    nodes.push_back(nodes[10]);  // a tie: the earlier index wins
    const NearestNodeIndex index(nodes);
    auto scan = [&](PointF p) {
        int best = -1;
        double bestD = HUGE_VAL;
        for (size_t k = 0; k < nodes.size(); ++k) {
            const double dx = double(nodes[k].x) - p.x, dy = double(nodes[k].y) - p.y;
            if (dx * dx + dy * dy < bestD) bestD = dx * dx + dy * dy, best = int(k);
        }
        return best;
    };
    uint32_t seed = 12345;
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) / 4294967296.0; };
    for (int q = 0; q < 3000; ++q) {
        const double spread = q < 1000 ? 300.0 : q < 2000 ? 8000.0 : 60000.0;
        const Node& n = nodes[size_t(next() * double(nodes.size() - 1))];
        const PointF p{float(n.x + (next() - 0.5) * spread), float(n.y + (next() - 0.5) * spread)};
        ASSERT_EQ(index.nearest(p), scan(p)) << p.x << " " << p.y;
    }
    EXPECT_EQ(index.nearest(nodes[10].pt()), 10);
}

TEST(GradingControls, FractionsToNodeIndices) {
    std::vector<double> pos;
    for (int j = 0; j <= 10; ++j) pos.push_back(j / 10.0);
    using A = std::array<int, 4>;
    struct Case {
        std::array<float, 4> f;
        std::optional<A> want;
    };
    const std::vector<Case> cases = {
        {{0.15f, 0.25f, 0.55f, 0.65f}, A{2, 3, 5, 6}},
        {{0.2f, 0.2f, 0.6f, 0.6f}, A{2, 2, 6, 6}},     // nodes at the points count as at them
        {{0, 0, 1, 1}, A{0, 0, 10, 10}},               // the whole line
        {{0, 0.1f, 0.9f, 1}, A{1, 1, 9, 9}},           // blends never end on the end nodes
        {{0.3f, 0.3f, 0.3f, 0.3f}, A{3, 3, 3, 3}},     // one node
        {{0.31f, 0.33f, 0.37f, 0.39f}, std::nullopt},  // between two nodes: none
        {{0, 1, 0, 1}, std::nullopt},                  // out of order
        {{std::nanf(""), 0, 1, 1}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(StretchNodes(pos, c.f), c.want) << c.f[0] << " " << c.f[1];
    // On a line: positions are the nearest evaluated points' arc lengths (a curve node sits on it).
    Design d;
    Line& l = AddLine(d.firstPart().linesB, {{0, 0}, {500, 0}, {1000, 0}}, nullptr);
    EvaluateAllLines(d, kSmooth);
    EXPECT_EQ(StretchNodes(l, {0.4f, 0.5f, 0.5f, 0.6f}), (A{1, 1, 1, 1}));
}

// Faults of the controls: each would crash, freeze nodes, drift the base pattern or collapse sizes.
TEST(GradingControls, BadInputIsSkippedOrMendedNeverFollowed) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 0, 0);
    BasePoint& z = AddBase(p, 0, 900, &b);
    // A vertical host: the blend anchors share x, so x follows the arc length.
    Line& host = AddLine(p.linesA, {{0, 0}, {0, 300}, {0, 600}, {0, 900}, {0, 1200}, {0, 1500}, {0, 1800}}, &b);
    auto zone = std::make_unique<SharedZone>();
    zone->host = &host, zone->basePoint = &z, zone->f = {0.2f, 0.5f, 0.5f, 0.8f};
    p.sharedZones.push_back(std::move(zone));
    auto orphan = std::make_unique<SharedZone>();  // a base point deleted without heir
    orphan->host = &host, orphan->f = {0, 0, 1, 1};
    p.sharedZones.push_back(std::move(orphan));
    // A closed master has a zero chord: refused by the tools, skipped by the run.
    Line& loop = AddLine(p.linesB, {{-500, 0}, {-400, 300}, {-300, 0}, {-500, 0}}, &b);
    EXPECT_EQ(AxisProblem(loop), "对称轴必须是直线！");
    Pin& pin = AddPin(p, 300, 300, &b);
    pin.frontSym = &loop;
    // A bent master (200 units off its chord) is no axis either: skipped, not mirrored across the chord.
    Line& bent = AddLine(p.linesB, {{-500, 1000}, {-300, 1400}, {-500, 1800}}, &b);
    Pin& bentPin = AddPin(p, 500, 1500, &b);
    bentPin.frontSym = &bent;
    // A master without copies stands for every size; a master in another part is no master.
    Line& still = AddLine(p.linesB, {{1000, 0}, {2000, 0}}, nullptr);
    Pin& tied = AddPin(p, 1400, 80, &b);
    FixedDistance& tie = AddFixed(p, &tied, kKindPin, still);
    tie.perSize = std::vector<float>{0, 0, 0, 0, -1000};  // shrinks past the master node: clamped
    Part& other = *d.parts.emplace_back(std::make_unique<Part>());
    BasePoint& ob = AddBase(other, 0, 0);
    Line& foreign = AddLine(other.linesA, {{0, 0}, {100, 0}}, &ob);
    Pin& lost = AddPin(p, 700, 700, &b);
    AddFixed(p, &lost, kKindPin, foreign);
    // Stale run marks from a file, and an all-zero shared-note array.
    host.nodes[1].word |= kNodeGradingMarks;
    b.sharedNotes = std::vector<uint8_t>(5, 0);
    // An array made before there were sizes.
    Pin& late = AddPin(p, 1200, 200, &b);
    AddFixed(p, &late, kKindPin, still).perSize = std::vector<float>{};

    GradingRunControls c;
    GradeReport r = GradeWith(d, &c);
    ASSERT_TRUE(r.ok) << r.error;
    const PartControlReport& rep = c.report()[0];
    EXPECT_TRUE(rep.zones[0].skipped.empty());
    EXPECT_FALSE(rep.zones[1].skipped.empty());
    EXPECT_FALSE(rep.front[0].skipped.empty());
    ASSERT_EQ(rep.front.size(), 2u);
    EXPECT_EQ(rep.front[1].master, &bent);
    EXPECT_EQ(rep.front[1].skipped, "对称主线不是直线");
    EXPECT_TRUE(rep.fixed[0].skipped.empty());
    EXPECT_FALSE(rep.fixed[1].skipped.empty());
    EXPECT_EQ(p.fixedDistances[2]->perSize->size(), 5u);
    // Shared notes of zeros are no groups: size 4 still grows.
    EXPECT_FLOAT_EQ((*b.factors)[4].b, 1.02f);
    for (int i = 0; i < 5; ++i) {
        const Line& ci = *GradedCopyAt(host, i);
        for (const Node& n : ci.nodes) {
            EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y));
            EXPECT_EQ(n.word & kNodeGradingMarks, 0u);
        }
        // Node 1 lies outside the zone: graded plainly despite its stale mark.
        EXPECT_FLOAT_EQ(ci.nodes[1].y, 300.0f * (*b.factors)[size_t(i)].b);
        EXPECT_FLOAT_EQ(GradedCopyAt(pin, i)->x, 300.0f * (*b.factors)[size_t(i)].a);
        EXPECT_FLOAT_EQ(GradedCopyAt(bentPin, i)->x, 500.0f * (*b.factors)[size_t(i)].a);
        EXPECT_FLOAT_EQ(GradedCopyAt(bentPin, i)->y, 1500.0f * (*b.factors)[size_t(i)].b);
        const Pin& t = *GradedCopyAt(tied, i);
        // Offset (400, 80) from the still master's node 0 in every size; size 4 clamps onto the node.
        EXPECT_NEAR(t.x, i == 4 ? 1000.0f : 1400.0f, 1e-3);
        EXPECT_NEAR(t.y, i == 4 ? 0.0f : 80.0f, 1e-3);
    }
    // The blend's x stays on the line (the anchors' x displacement is 0) and y lies between the anchors'.
    const Line& c4 = *GradedCopyAt(host, 4);
    for (int j = 2; j <= 4; ++j) {
        EXPECT_FLOAT_EQ(c4.nodes[size_t(j)].x, 0.0f);
        EXPECT_GE(c4.nodes[size_t(j)].y, c4.nodes[1].y);
        EXPECT_LE(c4.nodes[size_t(j)].y, c4.nodes[5].y);
    }
    // The marks never reach a file.
    Design back;
    host.nodes[1].word |= kNodeGradingMarks;
    const Settings settings;
    ASSERT_TRUE(ReadXie(WriteXie(d), back, settings).ok);
    for (auto& ln : back.firstPart().linesA)
        for (const Node& n : ln->nodes) EXPECT_EQ(n.word & kNodeGradingMarks, 0u);
}

TEST(GradingControls, EditingRulesOfTheDialogsAndTools) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 0, 0);
    BasePoint& c1 = AddBase(p, 100, 0, &b);
    BasePoint& c2 = AddBase(p, 200, 0, &c1);
    // 归属序号 offers no descendant: b may not hang from c2.
    const std::vector<BasePoint*> choices = OwnerChoices(p, b);
    EXPECT_EQ(choices.size(), 0u);
    BasePointAttributes a = AttributesOf(b);
    a.owner = &c2;
    EXPECT_FALSE(ApplyBasePointAttributes(d, p, b, a).ok);
    a = AttributesOf(c2);
    a.owner = &b;
    a.lengthMode = 3, a.length = 250;
    EXPECT_TRUE(ApplyBasePointAttributes(d, p, c2, a).ok);
    EXPECT_EQ(c2.owner, &b);
    EXPECT_FLOAT_EQ(c2.length, 250.0f);

    // 前对称控制: a second toggle removes the link; a slave cannot be a master; a curve is no axis.
    Line& axis = AddLine(p.linesB, {{0, 0}, {0, 10000}}, &b);
    Line& curve = AddLine(p.linesB, {{0, 0}, {500, 500}, {0, 1000}}, &b);
    Pin& pin = AddPin(p, 300, 300, &b);
    EvaluateAllLines(d, kSmooth);
    ASSERT_TRUE(ToggleFrontSymmetry(p, axis, &pin, kKindPin).ok);
    EXPECT_EQ(pin.frontSym, &axis);
    ASSERT_TRUE(ToggleFrontSymmetry(p, axis, &pin, kKindPin).ok);
    EXPECT_EQ(pin.frontSym, nullptr);
    EXPECT_EQ(ToggleFrontSymmetry(p, curve, &pin, kKindPin).text, "对称轴必须是直线！");
    ASSERT_TRUE(ToggleFrontSymmetry(p, axis, &curve, kKindLine).ok);
    EXPECT_FALSE(CheckFrontMaster(p, curve).ok);

    // 定距参数: the base entry stays 0, all zeros remove the array, centimetres count ten-fold.
    FixedDistance& f = AddFixed(p, &pin, kKindPin, axis);
    ASSERT_TRUE(SetFixedDistanceSteps(d, f, {1, 2, 3, 4, 5}, false).ok);
    EXPECT_EQ(*f.perSize, (std::vector<float>{100, 200, 0, 400, 500}));
    ASSERT_TRUE(SetFixedDistanceSteps(d, f, {0, 0, 7, 0, 0}, false).ok);
    EXPECT_FALSE(f.perSize);
    ASSERT_TRUE(SetFixedDistanceSteps(d, f, {0.1, 0, 0, 0, 0}, true).ok);
    EXPECT_FLOAT_EQ((*f.perSize)[0], 100.0f);
    EXPECT_FALSE(SetFixedDistanceSteps(d, f, {1, 2}, false).ok);
    EXPECT_FALSE(AddFixedDistance(p, &pin, kKindPin, axis, true, 0, 1, 1500).ok);  // it has one

    // 共用: blends clip to the line and to neighbours; overlaps are refused.
    ASSERT_TRUE(AddSharedZone(p, axis, 0.4, 0.2, c1, 1500).ok);
    const std::array<float, 4> want{0.05f, 0.2f, 0.4f, 0.55f};
    for (size_t k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(p.sharedZones[0]->f[k], want[k]);
    EXPECT_FALSE(AddSharedZone(p, axis, 0.5, 0.7, c1, 1500).ok);
    ASSERT_TRUE(AddSharedZone(p, axis, 0.6, 0.8, c1, 1500).ok);
    EXPECT_FLOAT_EQ(p.sharedZones[1]->f[0], 0.55f);
    ASSERT_TRUE(SetZoneBlend(p, *p.sharedZones[1], 10.0, std::nullopt).ok);
    EXPECT_FLOAT_EQ(p.sharedZones[1]->f[0], 0.55f);  // not into the neighbour
    EXPECT_EQ(ZoneAt(p, axis, 0.7), 1);
    // A zone with a new base point comes whole or not at all.
    const size_t bases = p.basePoints.size();
    EXPECT_FALSE(AddSharedZoneAtNewBase(p, axis, 0.7, 0.9, {50, 50}, 1500).ok);
    EXPECT_EQ(p.basePoints.size(), bases);
    ASSERT_TRUE(AddSharedZoneAtNewBase(p, axis, 0.96, 0.99, {50, 50}, 1500).ok);
    ASSERT_EQ(p.basePoints.size(), bases + 1);
    EXPECT_EQ(p.sharedZones.back()->basePoint, p.basePoints.back().get());
    EXPECT_EQ(p.basePoints.back()->owner, &b);

    // The marking rule of 共用说明/共模说明: the same position in every run of equal groups.
    std::vector<uint8_t> g{1, 1, 1, 2, 2, 0, 3, 3, 3, 3};
    MarkRepresentatives(g, 1);
    EXPECT_EQ(g, (std::vector<uint8_t>{1, 0x81, 1, 2, 0x82, 0, 3, 0x83, 3, 3}));
    MarkRepresentatives(g, 8);
    EXPECT_EQ(g, (std::vector<uint8_t>{1, 1, 0x81, 2, 0x82, 0, 3, 3, 0x83, 3}));
    ClearMarks(g);
    EXPECT_EQ(g, (std::vector<uint8_t>{1, 1, 1, 2, 2, 0, 3, 3, 3, 3}));
    std::optional<std::vector<uint8_t>> die = std::vector<uint8_t>(5, 3);
    ASSERT_TRUE(StoreGroups(d, die, std::vector<uint8_t>(5, 0)).ok);
    EXPECT_FALSE(die);
}

}  // namespace
}  // namespace rz::test
