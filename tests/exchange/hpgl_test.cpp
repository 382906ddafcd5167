// HPGL strokes for 转入HPGL with 导入图形.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "exchange/hpgl.h"

namespace rz {
namespace {

TEST(Hpgl, PenMovesArcsRectanglesAndLabels) {
    // 400 plotter units are 10 mm: 1000 document units.
    HpglReadResult r = ReadHpgl(
        "IN;SP1;PU0,0;PD400,0,400,400;PU;"       // two sides of a square
        "PR;PU100,0;PD0,100;PA;"                 // relative: from (500,400) to (500,500)
        "LBPD9,9,9,9\x03;"                       // a label's text is no instruction
        "PU1000,0;CI200;"                        // a circle about (1000,0), the pen stays up
        "PU2000,0;PD;AA2000,400,90;PU;"          // a quarter about (2000,400) from below it
        "PU0,1000;EA400,1200;"                   // an outlined rectangle
        "pd;pu;");
    ASSERT_EQ(r.polylines.size(), 5u);
    EXPECT_EQ(r.polylines[0], (Polyline{{0, 0}, {1000, 0}, {1000, 1000}}));
    EXPECT_EQ(r.polylines[1], (Polyline{{1250, 1000}, {1250, 1250}}));
    const Polyline& c = r.polylines[2];
    EXPECT_EQ(c.front(), c.back());
    for (PointF p : c) EXPECT_NEAR(std::hypot(p.x - 2500, p.y), 500, 0.5);
    const Polyline& a = r.polylines[3];
    EXPECT_EQ(a.front(), (PointF{5000, 0}));
    EXPECT_NEAR(a.back().x, 6000, 0.5);  // counter-clockwise: to the right of the centre
    EXPECT_NEAR(a.back().y, 1000, 0.5);
    EXPECT_EQ(r.polylines[4], (Polyline{{0, 2500}, {1000, 2500}, {1000, 3000}, {0, 3000}, {0, 2500}}));
    EXPECT_GE(r.skipped, 1);  // LB

    // Any cut of the file reads without a fault and with finite points only.
    const std::string file = "IN;PU0,0;PD400,0,400,-400;CI50;AR10,10,-720;ER5,5;LBx\x03PD1e5,2;";
    for (size_t n = 0; n <= file.size(); ++n)
        for (const Polyline& p : ReadHpgl(file.substr(0, n)).polylines)
            for (PointF q : p) ASSERT_TRUE(std::isfinite(q.x) && std::isfinite(q.y)) << n;
    EXPECT_TRUE(ReadHpgl("PD1e300,1;PD2,2;").polylines.size() <= 1);
}

}  // namespace
}  // namespace rz
