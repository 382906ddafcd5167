// Point rows and pins: rows laid by count, by spacing and on nodes (checked by distances along
// the host), extensions and unsound rows, the graded count, the row tools, and 针径 and 针序.
#include <cmath>
#include <numbers>
#include <random>

#include "design/needles.h"
#include "design/rows.h"
#include "design_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"
#include "model/refs.h"
#include "shapes.h"

namespace rz::test {
namespace {

constexpr int kRowAuto = 32876, kRowSpacing = 32877, kRowNodes = 32878, kRowSecond = 32879, kNeedle = 32897,
              kNeedleOrder = 32898;

using RowTest = DesignFixture;

RowParams Params(RowMode m) {
    RowParams p;
    p.mode = m;
    p.diameter = 100;
    return p;
}

Polyline Straight(float len) { return {{0, 0}, {len, 0}}; }

TEST_F(RowTest, AutoRowsSpaceEvenlyAndDropTheirEnds) {
    RowParams p = Params(RowMode::Auto);
    p.count = 5;
    RowPoints r = ComputeRow(p, Straight(10000), {});
    ASSERT_EQ(r.points.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(r.points[i].x, 2500.0f * float(i), 0.01) << i;
    EXPECT_NEAR(r.spacing, 2500, 0.01);
    p.skipFirst = p.skipLast = true;
    EXPECT_EQ(ComputeRow(p, Straight(10000), {}).points.size(), 3u);
    // Never below two points; fewer than two asked for gives none.
    p.count = 2;
    EXPECT_EQ(ComputeRow(p, Straight(10000), {}).points.size(), 2u);
    p.count = 1;
    EXPECT_TRUE(ComputeRow(p, Straight(10000), {}).points.empty());
    // Extensions: positive along the end segment, negative along the curve; a host shortened to
    // nothing lays no points.
    p = Params(RowMode::Auto);
    p.count = 3;
    p.startExt = 1000;
    p.endExt = -2000;
    r = ComputeRow(p, Straight(10000), {});
    ASSERT_EQ(r.points.size(), 3u);
    EXPECT_NEAR(r.points.front().x, -1000, 0.01);
    EXPECT_NEAR(r.points.back().x, 8000, 0.01);
    p.startExt = -6000;
    p.endExt = -4000;
    EXPECT_TRUE(ComputeRow(p, Straight(10000), {}).points.empty());
    // Offset and a second row: the line moved by minus the offset, the second by minus its distance.
    p = Params(RowMode::Auto);
    p.count = 2;
    p.offset = 300;
    p.secondDistance = 200;
    r = ComputeRow(p, Straight(10000), {});
    EXPECT_NEAR(r.points[0].y, 300, 0.01);  // right of travel is -y; minus the offset is +y
    ASSERT_EQ(r.second.size(), 2u);
    EXPECT_NEAR(r.second[0].y, 500, 0.01);
}

TEST_F(RowTest, SpacingRowsWalkForwardAtTheirStraightDistance) {
    // A zigzag whose later legs come back near earlier points: the walk never goes back.
    Polyline zig;
    for (int i = 0; i <= 8; ++i) zig.push_back({float(i % 2 ? 3000 : 0), float(i) * 400.0f});
    RowParams p = Params(RowMode::Spacing);
    p.spacing = 700;
    RowPoints r = ComputeRow(p, zig, {});
    const float L = PolyLength(zig);
    ASSERT_GE(r.points.size(), 2u);
    EXPECT_LE(float(r.points.size()), L / p.spacing + 1.0f);
    float before = 0.0f;
    for (size_t i = 1; i < r.points.size(); ++i) {
        EXPECT_NEAR(PtDist(r.points[i - 1], r.points[i]), 700.0f, 0.05f) << i;
        float at = PolyLengthTo(zig, r.points[i]).length;
        EXPECT_GT(at, before) << i;  // forward along the host
        before = at;
    }
    // On a circle every chord is the spacing.
    Polyline circle;
    for (int i = 0; i <= 720; ++i) {
        double a = std::numbers::pi * i / 360.0;
        circle.push_back({float(5000 * std::cos(a)), float(5000 * std::sin(a))});
    }
    r = ComputeRow(p, circle, {});
    for (size_t i = 1; i < r.points.size(); ++i) EXPECT_NEAR(PtDist(r.points[i - 1], r.points[i]), 700.0f, 0.05f);
    EXPECT_EQ(int(r.points.size()), r.laid);
    // 1 mm or less lays nothing.
    p.spacing = 100;
    EXPECT_TRUE(ComputeRow(p, circle, {}).points.empty());
}

TEST_F(RowTest, NodeRowsAndUnsoundRowsFromFiles) {
    std::vector<Node> nodes = Nodes({{0, 0}, {1000, 0}, {1000, 1000}});
    RowParams p = Params(RowMode::Nodes);
    const Polyline host{{0, 0}, {1000, 0}, {1000, 1000}};
    RowPoints r = ComputeRow(p, host, nodes);
    ASSERT_EQ(r.points.size(), 3u);
    EXPECT_NEAR(r.angles[0], 0.0f, 1e-6);
    EXPECT_NEAR(r.angles[1], std::numbers::pi / 2, 1e-6);
    EXPECT_EQ(r.angles[2], 0.0f);
    // A row whose values came from a damaged file: no points, nothing drawn, no hang.
    Line& line = master({{1000, 1000}, {9000, 1000}});
    auto row = MakeRow(line, RowMode::Auto, 100, 1);
    RowParams bad = ReadRow(*row);
    bad.count = 65535;
    StoreRow(*row, bad);
    RebuildRow(*row);
    EXPECT_TRUE(row->drawn.empty());
    bad.count = 5;
    bad.startExt = std::nanf("");
    StoreRow(*row, bad);
    RebuildRow(*row);
    EXPECT_TRUE(row->drawn.empty());
    auto before = row->f;
    RebuildRow(*row, true);
    EXPECT_TRUE(std::isnan(row->f[0]));  // an unsound row is kept as it is
    EXPECT_EQ(row->v1, 5);
    (void)before;
}

TEST_F(RowTest, GradedCountsFollowTheSizeInterval) {
    // 码间隔 10, 针增减 1 (the examples): two sizes up +2, one down −1, two down −2, half up 0,
    // half down −1.
    EXPECT_EQ(GradedRowCount(10, 10, 1, 20), 12);
    EXPECT_EQ(GradedRowCount(10, 10, 1, -10), 9);
    EXPECT_EQ(GradedRowCount(10, 10, 1, -20), 8);
    EXPECT_EQ(GradedRowCount(10, 10, 1, 5), 10);
    EXPECT_EQ(GradedRowCount(10, 10, 1, -5), 9);
    // A negative interval: k = −(d / b) at or below the base, d / (1 − b) + 1 above.
    EXPECT_EQ(GradedRowCount(10, -10, 2, -20), 10 + 2 * -2);
    EXPECT_EQ(GradedRowCount(10, -10, 2, 20), 10 + 2 * (20 / 11 + 1));
    EXPECT_EQ(GradedRowCount(10, -10, 2, 5), 10 + 2 * 1);
    EXPECT_EQ(GradedRowCount(10, -10, 2, 0), 10);
    // No interval or no step: unchanged; never below two.
    EXPECT_EQ(GradedRowCount(10, 0, 3, 50), 10);
    EXPECT_EQ(GradedRowCount(10, 10, 0, 50), 10);
    EXPECT_EQ(GradedRowCount(3, 5, 9, -50), 2);
    // Steps and counts read from a damaged file never overflow: far too many is more than any
    // row may hold, far too few is two.
    EXPECT_EQ(GradedRowCount(65535, 1, 65535, -65535), 2);
    EXPECT_GT(GradedRowCount(10, 1, 65535, 65535), kMaxRowPoints);
    // A node row counts from its host's graded copy; a spacing row has no count of its own.
    Line& host = master({{1000, 1000}, {9000, 1000}});
    auto row = MakeRow(host, RowMode::Nodes, 100, 1);
    RowParams p = ReadRow(*row);
    p.sizeInterval = 10, p.countStep = 1;
    StoreRow(*row, p);
    EXPECT_EQ(GradedRowCount(*row, 7, 20), 9);
    p.mode = RowMode::Spacing;
    StoreRow(*row, p);
    EXPECT_EQ(GradedRowCount(*row, 7, 20), -1);
}

TEST_F(RowTest, RowToolsMakeEditAndConvertRows) {
    Part& p = outlinePart({{500, 500}, {9500, 500}, {9500, 6500}, {500, 6500}, {500, 500}});
    Line& host = lineB(p, {{1000, 2000}, {9000, 2000}});
    command(kRowAuto);
    // Cancelled: nothing.
    expectUnchanged([&] { click(5000, 2000); });
    // 5 points, 1.5 mm needles.
    platform.dialogValues = {{5, 1.5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}};
    click(5000, 2000);
    ASSERT_EQ(p.pointRows.size(), 1u);
    PointRow& row = *p.pointRows[0];
    EXPECT_EQ(row.host, &host);
    EXPECT_EQ(row.drawn.size(), 5u);
    EXPECT_EQ(ReadRow(row).diameter, 150.0f);
    EXPECT_NEAR(ReadRow(row).spacing, 2000, 0.01);  // the spacing laid is kept with the row
    EXPECT_FALSE(platform.formFields.back()[3].enabled);  // 选择 waits until the row exists
    // The row follows its line.
    for (auto& n : host.nodes) n.y += 500;
    EvaluateLineRecord(host, doc.smooth);
    CommitEdit(*eng, {&p});
    EXPECT_NEAR(row.drawn[0].front().y + 0.0f, 2500, 100);
    // 节点排 on the auto row of an inner line: converted after the question.
    command(kRowNodes);
    platform.answers = {true};
    click(5075, 2500);  // on the middle point's circle
    ASSERT_FALSE(platform.questions.empty());
    EXPECT_EQ(platform.questions.back(), "转为节点排吗？");
    ASSERT_EQ(p.pointRows.size(), 1u);
    EXPECT_EQ(ReadRow(*p.pointRows[0]).mode, RowMode::Nodes);
    EXPECT_EQ(p.pointRows[0]->host->nodes.size(), 5u);
    for (auto& l : p.linesB) EXPECT_NE(l.get(), &host);
    EXPECT_TRUE(AllReferencesInside(doc.design));
    // 第二排 on a row asks the distance of the second row.
    command(kRowSecond);
    platform.dialogValues = {{3.0}};
    click(5075, 2500);
    EXPECT_EQ(p.pointRows[0]->drawn.size(), 10u);
    // 节点排 on a line: a node row starting at the node nearest the click.
    Line& other = lineB(p, {{1000, 5000}, {3000, 5500}, {6000, 5000}, {9000, 5500}});
    command(kRowNodes);
    click(5800, 5030);
    ASSERT_EQ(p.pointRows.size(), 2u);
    EXPECT_EQ(p.pointRows[1]->host, &other);
    EXPECT_EQ(ReadRow(*p.pointRows[1]).startNode, 2);
    (void)kRowSpacing;
}

TEST_F(RowTest, NeedleDiametersClassesAndOrder) {
    Part& p = outlinePart({{500, 500}, {9500, 500}, {9500, 6500}, {500, 6500}, {500, 500}});
    auto pin = [&](float x, float y, float d) {
        auto q = std::make_unique<Pin>();
        q->x = x, q->y = y, q->diameter = d;
        p.pins.push_back(std::move(q));
        return p.pins.back().get();
    };
    // 针径分档: 1.0, 1.2, 1.6 and 2.0 mm group into {1.0, 1.2} and {1.6, 2.0}.
    Pin* a = pin(1000, 1000, 100);
    Pin* b = pin(2000, 1000, 120);
    Pin* c = pin(3000, 1000, 160);
    Pin* d = pin(4000, 1000, 200);
    EXPECT_EQ(ClassifyDiameters(p), 4);
    EXPECT_EQ(a->diameter, 110.0f);
    EXPECT_EQ(b->diameter, 110.0f);
    EXPECT_EQ(c->diameter, 180.0f);
    EXPECT_EQ(d->diameter, 180.0f);
    // 同档更改 changes exactly equal diameters only.
    b->diameter = 110.0001f;
    EXPECT_EQ(ChangeSameClass(p, 110, 90), 1);
    EXPECT_EQ(a->diameter, 90.0f);
    EXPECT_EQ(b->diameter, 110.0001f);
    // 针序: after each pin the nearest remaining one, checked against a plain search.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(600, 9400);
    for (int i = 0; i < 60; ++i) pin(u(rng), u(rng) * 0.6f, 100);
    Pin* start = p.pins[17].get();
    ASSERT_TRUE(OrderPins(p, start));
    ASSERT_EQ(p.pins[0].get(), start);
    for (size_t i = 0; i + 1 < p.pins.size(); ++i) {
        float next = PtDist({p.pins[i]->x, p.pins[i]->y}, {p.pins[i + 1]->x, p.pins[i + 1]->y});
        for (size_t j = i + 1; j < p.pins.size(); ++j)
            EXPECT_LE(next, PtDist({p.pins[i]->x, p.pins[i]->y}, {p.pins[j]->x, p.pins[j]->y}) + 1e-3f);
    }
    // The tools: 针序 by a click, 针径's popup, a small closed line becomes a pin.
    command(kNeedleOrder);
    click(p.pins[5]->x, p.pins[5]->y);
    EXPECT_EQ(platform.prompts.back(), "继续选择另一部位...");
    command(kNeedle);
    choices = {0};
    platform.answers = {true};
    rightClick(5000, 3000, kMkCtrl);  // 统一更改 in the part, to the 针径 setting
    EXPECT_EQ(platform.questions.back(), "统一更改部位内的针径(1.0)？");
    for (auto& q : p.pins) EXPECT_EQ(q->diameter, doc.settings.needleDiameter);
    Line& ring = lineB(p, {{7000, 5000}, {7100, 5000}, {7100, 5100}, {7000, 5100}, {7000, 5000}});
    size_t pins = p.pins.size();
    platform.answers = {true};
    click(7050, 5000);
    EXPECT_EQ(platform.boxes.back().caption, "Question");
    EXPECT_EQ(platform.questions.back(), "Are you sure to convert this line to Dingzhen ?");
    ASSERT_EQ(p.pins.size(), pins + 1);
    EXPECT_NEAR(p.pins.back()->x, 7050, 0.01);
    EXPECT_NEAR(p.pins.back()->diameter, 100, 0.01);
    for (auto& l : p.linesB) EXPECT_NE(l.get(), &ring);
}

}  // namespace
}  // namespace rz::test
