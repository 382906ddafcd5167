// 轨迹线 and 看程序: the engraving path on a rectangle and a circle, and both tools on a pattern.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "exchange/nc_tools.h"
#include "fake_platform.h"
#include "geom/primitives.h"
#include "interact/pick.h"

namespace rz {
namespace {

bool Inside(const Polyline& poly, PointF p) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const PointF a = poly[i], b = poly[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

TEST(EngravingPath, SnakesThroughRectangleAndCircle) {
    // Either turn of the outline gives the same path inside it.
    Polyline rect{{0, 0}, {10000, 0}, {10000, 5000}, {0, 5000}, {0, 0}};
    Polyline rev(rect.rbegin(), rect.rend());
    for (const Polyline* r : {&rect, &rev}) {
        Polyline p = EngravingPath(*r, 500);
        // Passes at 1000, 1500, … 9000 (the outline offset by 500 spans 500 to 9500).
        ASSERT_EQ(p.size(), 34u);
        for (size_t k = 0; k < 17; ++k) {
            EXPECT_NEAR(p[2 * k].x, 1000 + 500.0f * float(k), 1e-2);
            EXPECT_EQ(p[2 * k].x, p[2 * k + 1].x);
            const float lo = k % 2 ? 4500 : 500, hi = k % 2 ? 500 : 4500;
            EXPECT_NEAR(p[2 * k].y, lo, 1e-2);
            EXPECT_NEAR(p[2 * k + 1].y, hi, 1e-2);
        }
    }
    Polyline circle = EllipsePoints(10000, 10000);
    Polyline c = EngravingPath(circle, 400);
    ASSERT_FALSE(c.empty());
    EXPECT_EQ(c.size() % 2, 0u);
    // On the offset outline: the circle's polygon lies up to its sagitta inside the circle.
    for (PointF q : c) EXPECT_NEAR(std::hypot(q.x, q.y), 4590, 12) << q.x << "," << q.y;
    // Passes every 400 from the left, 2 crossings each (none counted twice at a vertex).
    EXPECT_EQ(c.size(), 2u * size_t(std::ceil((9200 - 400) / 400.0)));
    EXPECT_TRUE(EngravingPath(circle, 0).empty());
}

TEST(NcTools, EngraveAndProgramOnAPattern) {
    test::FakePlatform platform;
    TDoc doc(platform);
    ASSERT_TRUE(doc.OpenPattern(std::string(ROZEDOZ_SOURCE_DIR) + "/examples/sample.XIE").ok());
    ViewState vs;
    MakeSurfaces(vs, 1280, 800, FrontWorkRange(0, 0, 0), {92300, 61800}, {92300, 61800});
    Engine e(doc, vs);
    Part& part = *doc.design.parts[0];
    const size_t before = part.linesB.size();
    const int undo = doc.undo.stored();
    // Nothing under the cursor: refused.
    EXPECT_FALSE(EngraveAt(e, {-50000, -50000}, 100));
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    ASSERT_EQ(e.PickAt({8375, -794}, kPickLines).kind, kKindLineA);
    // An outline line stands for its part: the path lies inside the part's outline.
    ASSERT_TRUE(EngraveAt(e, {8375, -794}, 150));
    ASSERT_EQ(part.linesB.size(), before + 1);
    const Line& path = *part.linesB.back();
    EXPECT_TRUE(path.flags & kLineAuxiliary);
    EXPECT_EQ(path.curveMethod(), 4);
    ASSERT_GT(path.nodes.size(), 10u);
    for (const Node& n : path.nodes) EXPECT_TRUE(Inside(part.outline, {n.x, n.y})) << n.x << "," << n.y;
    EXPECT_EQ(doc.undo.stored(), undo + 1);
    // The path itself is auxiliary: no path of a path.
    EXPECT_FALSE(EngraveAt(e, {path.nodes[0].x, (path.nodes[0].y + path.nodes[1].y) / 2}, 150));

    const std::string file = (std::filesystem::temp_directory_path() / ("rz_nc_" + std::to_string(::getpid()))).string();
    ASSERT_TRUE(WriteNcProgramAt(e, {8375, -794}, file));
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text.rfind("L1 ", 0), 0u);
    EXPECT_NE(text.find("W+ = "), std::string::npos);
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace rz
