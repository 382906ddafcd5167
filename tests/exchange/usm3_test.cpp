// USM3 line import: the sections, their counts that are not trusted, and the lines added.
#include <gtest/gtest.h>

#include <string>

#include "exchange/usm3.h"
#include "fake_platform.h"

namespace rz {
namespace {

TEST(Usm3, SectionsCountsAndEdges) {
    const std::string file =
        "HEADER\r\n<<LINES>>\r\n1\r\n1\r\n9,9\r\n"          // a marker without its quotes: not a section
        "x \"<<LINES>>\" y\r\n2\r\n2\r\n12.5,-3\r\n1,2\r\n1\r\nbad\r\n"
        "OTHER\r\n\"<<LINES>>\"\r\n1000000000\r\n3\r\n0,0\r\n1,0\r\n1,1\r\n0\r\n5,5\r\n";
    Usm3ReadResult r = ReadUsm3(file);
    EXPECT_EQ(r.sections, 2);
    ASSERT_EQ(r.polylines.size(), 3u);
    EXPECT_EQ(r.polylines[0], (Polyline{{1250, -300}, {100, 200}}));
    EXPECT_EQ(r.polylines[1], (Polyline{{0, 0}}));  // a point line that is no number reads as 0
    // The second section claims a billion polylines: its one polyline is read, 0 ends it.
    EXPECT_EQ(r.polylines[2], (Polyline{{0, 0}, {100, 0}, {100, 100}}));
    EXPECT_TRUE(ReadUsm3("no marker\n1\n1\n2,3\n").polylines.empty());
    // A count that runs past a new marker: the new section is read from there.
    Usm3ReadResult s = ReadUsm3("\"<<LINES>>\"\n1\n5\n1,1\n\"<<LINES>>\"\n1\n1\n7,7\n");
    ASSERT_EQ(s.polylines.size(), 2u);
    EXPECT_EQ(s.polylines[0].size(), 1u);
    EXPECT_EQ(s.polylines[1], (Polyline{{700, 700}}));
    // Any cut of the file: what was read so far, in the same order.
    for (size_t n = 0; n <= file.size(); ++n) {
        Usm3ReadResult c = ReadUsm3(file.substr(0, n));
        ASSERT_LE(c.polylines.size(), r.polylines.size()) << n;
        for (size_t i = 0; i + 1 < c.polylines.size(); ++i) ASSERT_EQ(c.polylines[i], r.polylines[i]) << n;
    }
}

TEST(Usm3, LinesAddedAreRecordedForUndo) {
    test::FakePlatform platform;
    TDoc doc(platform);
    Usm3ReadResult r = ReadUsm3("\"<<LINES>>\"\n2\n3\n0,0\n10,5\n20,0\n2\n0,0\n0,10\n");
    const int undo = doc.undo.stored();
    ASSERT_EQ(AddUsm3Lines(doc, r), 2);
    Part& first = doc.design.firstPart();
    ASSERT_EQ(first.linesB.size(), 2u);
    EXPECT_EQ(first.linesB[0]->flags, 1u);
    EXPECT_EQ(first.linesB[0]->colour, kUsm3LineColour);
    EXPECT_EQ(first.linesB[0]->nodes[1].x, 1000.0f);
    EXPECT_FALSE(first.linesB[0]->eval.empty());
    EXPECT_EQ(doc.design.modified, 1);
    EXPECT_EQ(doc.undo.stored(), undo + 1);
    EXPECT_EQ(AddUsm3Lines(doc, Usm3ReadResult{}), 0);
    EXPECT_EQ(doc.undo.stored(), undo + 1);
}

}  // namespace
}  // namespace rz
