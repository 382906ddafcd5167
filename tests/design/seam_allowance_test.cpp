// Seam allowances: the drawn outline against GEOS (mitre buffers and offset curves) and closed
// forms, variable margins on a two-node line, the allowance tools (等量扩边, 变量扩边 with its
// editor, 换边, 扩边属性) and unsound records from files.
#include <bit>
#include <cmath>

#include "design/seam.h"
#include "design_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geos_oracle.h"
#include "model/afterload.h"
#include "model/refs.h"
#include "shapes.h"

namespace rz::test {
namespace {

constexpr int kSeamEqual = 32874, kSeamVariable = 32875, kSeamSwap = 34082, kAttribute = 32883;

using SeamTest = DesignFixture;

TEST_F(SeamTest, UniformAllowanceOnAClosedOutlineIsTheMitreBuffer) {
    const float s = 4000, d = 500;
    // Counter-clockwise: the right of travel is outside.
    Line& sq = master({{1000, 1000}, {5000, 1000}, {5000, 5000}, {1000, 5000}, {1000, 1000}});
    auto seam = MakeSeam(sq, SeamValues::Uniform(0, 1, d));
    ASSERT_TRUE(PolyClosed(seam->outline));
    EXPECT_NEAR(Shoelace(seam->outline), (s + 2 * d) * (s + 2 * d), 1.0);
    Geos g;
    auto buffer = g.mitreBuffer(g.polygon(sq.eval), d);
    EXPECT_NEAR(g.area(buffer), (s + 2 * d) * (s + 2 * d), 1.0);
    EXPECT_LT(g.hausdorff(g.line(seam->outline), g.boundary(buffer)), 0.5);
    // Negative margins lie on the left of travel: inside.
    auto inside = MakeSeam(sq, SeamValues::Uniform(0, 1, -d));
    EXPECT_NEAR(Shoelace(inside->outline), (s - 2 * d) * (s - 2 * d), 1.0);
}

TEST_F(SeamTest, AllowanceOnACurveFollowsTheOffsetCurve) {
    Line& curve = master({{1000, 1000}, {3000, 2500}, {5500, 2000}, {8000, 4000}}, kCurveInterpolating);
    ASSERT_GT(curve.eval.size(), 10u);
    Geos g;
    for (float d : {300.0f, -300.0f}) {
        auto seam = MakeSeam(curve, SeamValues::Uniform(0, 1, d));
        double h = g.hausdorff(g.line(seam->outline), g.offsetRight(g.line(curve.eval), d));
        EXPECT_LE(h, 2.0) << d;  // 0.02 mm
    }
}

TEST_F(SeamTest, VariableMarginsOnATwoNodeLine) {
    // 5, 10 and 5 mm at 0, 0.5 and 1 of a 100 mm straight line of two nodes.
    Line& l = master({{1000, 1000}, {11000, 1000}});
    ASSERT_EQ(l.nodes.size(), 2u);
    auto seam = MakeSeam(l, {{0.0f, 0.5f, 1.0f}, {500, 1000, 500}});
    const Polyline& o = seam->outline;
    ASSERT_EQ(o.size(), 3u);  // the middle point has a vertex of its own
    EXPECT_NEAR(o[0].x, 1000, 0.01);
    EXPECT_NEAR(o[0].y, 500, 0.01);  // right of travel along +x is below
    EXPECT_NEAR(o[1].x, 6000, 0.01);
    EXPECT_NEAR(o[1].y, 0, 0.01);
    EXPECT_NEAR(o[2].y, 500, 0.01);
    // Linear by arc length in between: 7.5 mm a quarter along.
    EXPECT_NEAR(1000 - PolyPointAt(o, 0.25f * PolyLength(o)).pt.y, 750, 2.0);
}

TEST_F(SeamTest, EqualAllowanceOnMasterAndOtherLines) {
    Line& m = master({{1000, 2000}, {9000, 2000}});
    Part& p = outlinePart({{1000, 4000}, {9000, 4000}, {9000, 6500}, {1000, 6500}, {1000, 4000}});
    Line& bottom = *p.linesA[0];
    command(kSeamEqual);
    // A drag along a master line with Shift: 搭边 (8 mm) over the stretch, on the side clicked.
    drag(3000, 2020, 7000, 2020, kMkShift);
    Part& first = doc.design.firstPart();
    ASSERT_EQ(first.seamAllowances.size(), 1u);
    auto v = ReadSeamValues(*first.seamAllowances[0]);
    ASSERT_TRUE(v);
    EXPECT_NEAR(v->start(), 0.25, 0.01);
    EXPECT_NEAR(v->end(), 0.75, 0.01);
    EXPECT_EQ(v->margins[0], -800.0f);  // the click was left of travel
    EXPECT_EQ(first.seamAllowances[0]->baseLine, &m);
    // A click (no drag) on another part's boundary line: its own margin, outward, from the dialog.
    platform.dialogValues = {{6.0, 0, 0}};
    click(5000, 4000);
    EXPECT_EQ(platform.dialogTitles.back(), "自动扩边");
    EXPECT_EQ(bottom.margin, 600.0f);  // the boundary runs +x with the part above: outward is right
    EXPECT_FALSE(bottom.second.empty());
    // Shift+Ctrl is 0: the margin goes; on a master line it makes nothing.
    click(5000, 4000, kMkShift | kMkCtrl);
    EXPECT_EQ(bottom.margin, 0.0f);
    expectUnchanged([&] { click(2000, 2000, kMkShift | kMkCtrl); });
    // Keys that give the margin a line or record has already: no edit and no undo step.
    expectUnchanged([&] { click(5000, 4000, kMkShift | kMkCtrl); });
    click(5000, 4000, kMkCtrl);  // 折边
    EXPECT_EQ(bottom.margin, 400.0f);
    expectUnchanged([&] { click(5000, 4000, kMkCtrl); });
    expectUnchanged([&] { click(5000, 2800, kMkShift); });  // the record has 8 mm
    // A record: the new value keeps its side; 0 removes it through the integrity service.
    platform.dialogValues = {{4.0, 0, 0}};
    click(5000, 2800);  // on the allowance, 8 mm above its line
    EXPECT_EQ(ReadSeamValues(*first.seamAllowances[0])->margins[1], -400.0f);
    platform.dialogValues = {{0.0, 0, 0}};
    click(5000, 2400);
    EXPECT_TRUE(first.seamAllowances.empty());
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(SeamTest, VariableEditorInsertsDeletesAndRefuses) {
    Part& p = outlinePart({{1000, 1000}, {9000, 1000}, {9000, 6000}, {1000, 6000}, {1000, 1000}});
    Line& l = *p.linesA[0];
    SetOwnMargin(l, 500, doc.smooth);
    command(kSeamVariable);
    expectRefused([&] { click(9000, 3000); });  // a line without a margin
    click(5000, 1000);  // the line with its margin: the editor on a whole-line record
    ASSERT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back(), " 请选择不同的边距值...");
    // A click on the line away from the points inserts one with its neighbours' mean.
    click(3000, 1000);
    ASSERT_EQ(p.seamAllowances.size(), 1u);
    SeamAllowance& s = *p.seamAllowances[0];
    EXPECT_EQ(l.margin, 0.0f);  // the margin became the record
    EXPECT_EQ(ReadSeamValues(s)->size(), 3u);
    // On an existing point's position (3 mm off the line, beyond the point's reach): refused.
    expectRefused([&] { click(3000, 1300); });
    // The point's value, then back.
    platform.dialogValues = {{9.0}};
    click(3000, 1000);
    EXPECT_EQ(ReadSeamValues(s)->margins[1], 900.0f);
    platform.dialogValues = {{5.0}};
    click(3000, 1000);
    // Esc with all margins equal: the margin becomes the line's own again.
    key(key::Escape);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_TRUE(p.seamAllowances.empty());
    EXPECT_EQ(l.margin, 500.0f);

    // A record that ends uniform stays a record; its points cannot be put outside its stretch.
    p.seamAllowances.push_back(MakeSeam(l, SeamValues::Uniform(0.2f, 0.8f, 400)));
    CommitEdit(*eng, {&p});
    SetOwnMargin(l, 0, doc.smooth);
    click(5000, 600);  // on the record's outline, 4 mm right of travel
    ASSERT_EQ(eng->step(), 1);
    SeamAllowance& r = *p.seamAllowances[0];
    expectRefused([&] { click(1500, 1000); });  // outside the stretch
    click(5000, 1000);
    EXPECT_EQ(ReadSeamValues(r)->size(), 3u);
    click(5000, 1000, kMkCtrl);  // Ctrl deletes an inner point
    EXPECT_EQ(ReadSeamValues(r)->size(), 2u);
    key(key::Escape);
    EXPECT_EQ(p.seamAllowances.size(), 1u);
    EXPECT_EQ(l.margin, 0.0f);
}

TEST_F(SeamTest, SwapTwiceRestoresAndPartialAllowancesAreRefused) {
    Line& l = master({{1000, 2000}, {5000, 2000}, {9000, 3000}});
    const std::vector<Node> nodes = l.nodes;
    Part& first = doc.design.firstPart();
    first.seamAllowances.push_back(MakeSeam(l, SeamValues::Uniform(0, 1, 300)));
    CommitEdit(*eng, {&first});
    const Polyline outline = first.seamAllowances[0]->outline;
    command(kSeamSwap);
    click(3000, 1700);  // the allowance, 3 mm right of travel
    EXPECT_EQ(ReadSeamValues(*first.seamAllowances[0])->margins[0], -300.0f);
    EXPECT_NEAR(l.nodes[0].y, 1700, 0.01);  // the line went where the allowance was
    click(3000, 2000);
    for (size_t i = 0; i < nodes.size(); ++i) EXPECT_LT(PtDist(l.nodes[i].pt(), nodes[i].pt()), 0.01f) << i;
    EXPECT_EQ(ReadSeamValues(*first.seamAllowances[0])->margins[0], 300.0f);
    Geos g;
    EXPECT_LT(g.hausdorff(g.line(outline), g.line(first.seamAllowances[0]->outline)), 0.05);
    // Over a stretch only, or with varying margins: refused.
    first.seamAllowances[0] = MakeSeam(l, SeamValues::Uniform(0.1f, 1, 300));
    CommitEdit(*eng, {&first});
    expectRefused([&] { click(3000, 1700); });
    // A line without a margin asks 输入距离 and gets an allowance.
    Line& bare = master({{1000, 5000}, {9000, 5000}});
    platform.dialogValues = {{4.0}};
    click(5000, 5000);
    EXPECT_EQ(platform.dialogTitles.back(), "输入距离");
    EXPECT_EQ(first.seamAllowances.back()->baseLine, &bare);
    EXPECT_EQ(ReadSeamValues(*first.seamAllowances.back())->margins[0], 400.0f);
}

TEST_F(SeamTest, SwapKeepsThePiecesOnTheLineAndOnTheAllowanceInPlace) {
    // A square master line with a 5 mm allowance outside, and a curve with 3 mm on its left.
    Line& sq = master({{1000, 1000}, {5000, 1000}, {5000, 5000}, {1000, 5000}, {1000, 1000}});
    Line& curve = master({{1000, 8000}, {3000, 9500}, {5500, 9000}, {8000, 11000}}, kCurveInterpolating);
    Part& first = doc.design.firstPart();
    first.seamAllowances.push_back(MakeSeam(sq, SeamValues::Uniform(0, 1, 500)));
    first.seamAllowances.push_back(MakeSeam(curve, SeamValues::Uniform(0, 1, -300)));
    SeamAllowance* around = first.seamAllowances[0].get();
    SeamAllowance* beside = first.seamAllowances[1].get();
    // Piece 0 on the allowance (the square line inside it comes along), piece 1 on the line; each
    // with an inner stretch of the curve or of its allowance.
    auto piece = [&](KindRef src, int slot) {
        ExtractOptions opt;
        opt.slot = slot;
        ExtractResult r = ExtractOutline(doc, {Stretch{src, &first, 0, 1}}, opt);
        EXPECT_TRUE(r.ok) << r.refusal;
        return r.piece;
    };
    Piece* onSeam = piece({around, kKindSeamAllowance}, 0);
    Piece* onLine = piece({&sq, kKindLine}, 1);
    ASSERT_TRUE(onSeam && onLine);
    auto inner = [&](Piece& pc, KindRef src, float a, float b) {
        auto pl = std::make_unique<PieceLine>();
        pl->source = src, pl->start = a, pl->end = b, pl->flags = 3;
        pc.linesB.push_back(std::move(pl));
        return pc.linesB.back().get();
    };
    PieceLine* alongCurve = inner(*onSeam, {&curve, kKindLine}, 0.2f, 0.7f);
    PieceLine* alongBeside = inner(*onLine, {beside, kKindSeamAllowance}, 0.5f, 0.1f);
    CommitEdit(*eng, {&first});
    ASSERT_EQ(onSeam->linesB.size(), 2u);
    const PieceLine* squareInside = onSeam->linesB[0].get();
    ASSERT_EQ(squareInside->source.ptr, &sq);
    EXPECT_NEAR(Shoelace(onSeam->outline), 5000.0 * 5000, 1.0);
    EXPECT_NEAR(Shoelace(onLine->outline), 4000.0 * 4000, 1.0);
    auto ends = [](const PieceLine* pl) { return std::pair{pl->drawn1.front(), pl->drawn1.back()}; };
    const auto curveEnds = ends(alongCurve), besideEnds = ends(alongBeside);
    const std::vector<float> fractions{alongCurve->start, alongCurve->end, alongBeside->start, alongBeside->end};

    command(kSeamSwap);
    auto swapAt = [&](SeamAllowance* s) { click(s->outline[s->outline.size() / 2].x, s->outline[s->outline.size() / 2].y); };
    swapAt(around);
    swapAt(beside);
    ASSERT_EQ(ReadSeamValues(*around)->margins[0], -500.0f);
    ASSERT_EQ(ReadSeamValues(*beside)->margins[0], 300.0f);
    // Every piece line changed source and kept its place; the outlines did not move.
    EXPECT_EQ(onSeam->linesA[0]->source.ptr, &sq);
    EXPECT_EQ(squareInside->source.ptr, around);
    EXPECT_EQ(onLine->linesA[0]->source.ptr, around);
    EXPECT_EQ(alongCurve->source.ptr, beside);
    EXPECT_EQ(alongBeside->source.ptr, &curve);
    EXPECT_TRUE(onSeam->flags & kPieceClosed);
    EXPECT_NEAR(Shoelace(onSeam->outline), 5000.0 * 5000, 1.0);
    EXPECT_NEAR(Shoelace(onLine->outline), 4000.0 * 4000, 1.0);
    EXPECT_NEAR(Shoelace(squareInside->drawn1), 4000.0 * 4000, 1.0);
    // Offsetting changes the segments' lengths unequally: the stretches are carried by place,
    // not by fraction.
    // A curve whose nodes moved is not quite the offset curve: each stretch end goes to the point
    // of its new source nearest to where it was.
    auto carried = [&](const PieceLine* pl, PointF was, PointF now) {
        float gap = PolyNearest(*SourcePolyline(pl->source), was).dist;
        EXPECT_LT(gap, 50.0f);
        EXPECT_LE(PtDist(now, was), gap + 1.0f);
    };
    carried(alongCurve, curveEnds.first, ends(alongCurve).first);
    carried(alongCurve, curveEnds.second, ends(alongCurve).second);
    carried(alongBeside, besideEnds.first, ends(alongBeside).first);
    carried(alongBeside, besideEnds.second, ends(alongBeside).second);
    EXPECT_GT(alongBeside->start, alongBeside->end);  // still running backwards
    EXPECT_TRUE(AllReferencesInside(doc.design));

    // Swapped back, every piece line is on its old source at its old fractions.
    swapAt(around);
    swapAt(beside);
    EXPECT_EQ(onSeam->linesA[0]->source.ptr, around);
    EXPECT_EQ(onLine->linesA[0]->source.ptr, &sq);
    EXPECT_EQ(alongCurve->source.ptr, &curve);
    EXPECT_EQ(alongBeside->source.ptr, beside);
    const std::vector<float> back{alongCurve->start, alongCurve->end, alongBeside->start, alongBeside->end};
    for (size_t i = 0; i < back.size(); ++i) EXPECT_NEAR(back[i], fractions[i], 1e-3) << i;
    EXPECT_NEAR(Shoelace(onSeam->outline), 5000.0 * 5000, 1.0);
}

TEST_F(SeamTest, AttributeDialogChangesFlipsAndDetaches) {
    Line& l = master({{1000, 2000}, {9000, 2000}});
    Part& first = doc.design.firstPart();
    first.seamAllowances.push_back(MakeSeam(l, SeamValues::Uniform(0, 1, 500)));
    CommitEdit(*eng, {&first});
    command(kAttribute);
    platform.dialogValues = {{6.0, 1, 0}};  // 6 mm, 改变方向
    click(5000, 1500);
    EXPECT_EQ(platform.dialogTitles.back(), "扩边属性");
    EXPECT_EQ(ReadSeamValues(*first.seamAllowances[0])->margins[0], -600.0f);
    size_t lines = first.linesB.size();
    platform.dialogValues = {{6.0, 0, 1}};  // 解除关联
    click(5000, 2600);
    EXPECT_TRUE(first.seamAllowances.empty());
    ASSERT_EQ(first.linesB.size(), lines + 1);
    EXPECT_NEAR(first.linesB.back()->nodes[0].y, 2600, 0.01);
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(SeamTest, UnsoundRecordsDrawNothingAndAreSavedUnchanged) {
    Line& l = master({{1000, 2000}, {9000, 2000}});
    Part& first = doc.design.firstPart();
    auto bits = [](float f) { return std::bit_cast<uint32_t>(f); };
    auto rec = [&](uint32_t n, std::vector<float> pos, std::optional<std::vector<float>> m) {
        auto s = std::make_unique<SeamAllowance>();
        s->baseLine = &l;
        s->valueCount = n;
        std::vector<uint32_t> a;
        for (float f : pos) a.push_back(bits(f));
        s->values1 = a;
        if (m) {
            std::vector<uint32_t> b;
            for (float f : *m) b.push_back(bits(f));
            s->values2 = b;
        }
        s->margin = 300;
        first.seamAllowances.push_back(std::move(s));
    };
    rec(1, {0}, std::nullopt);                                // fewer than two points
    rec(2, {0, std::nanf("")}, std::nullopt);                 // a position that is no number
    rec(3, {0, 0.7f, 0.4f}, std::nullopt);                    // out of order
    rec(2, {0, 1}, std::vector<float>{300, 2.0e5f});          // beyond a metre
    rec(65535, {0, 1}, std::nullopt);                         // a count beyond its arrays
    rec(2, {0, 1}, std::nullopt);                             // sound: the margin float everywhere
    CommitEdit(*eng, {&first});
    for (size_t i = 0; i + 1 < first.seamAllowances.size(); ++i) {
        EXPECT_FALSE(ReadSeamValues(*first.seamAllowances[i])) << i;
        EXPECT_TRUE(first.seamAllowances[i]->outline.empty()) << i;
    }
    EXPECT_FALSE(first.seamAllowances.back()->outline.empty());
    auto bytes = WriteXie(doc.design);
    Design back;
    ASSERT_TRUE(ReadXie(bytes, back, doc.settings, nullptr, nullptr, &doc.smooth).ok);
    EXPECT_EQ(WriteXie(back), bytes);
    // The operations refuse them and change nothing.
    for (size_t i = 0; i + 1 < first.seamAllowances.size(); ++i) {
        SeamAllowance& s = *first.seamAllowances[i];
        EXPECT_FALSE(SetSeamMargin(doc.design, first, s, 400));
        EXPECT_FALSE(SwapSeam(doc.design, s, doc.smooth));
        EXPECT_EQ(InsertSeamPoint(s, {5000, 2000}), -1);
    }
    EXPECT_EQ(WriteXie(doc.design), bytes);
}

}  // namespace
}  // namespace rz::test
