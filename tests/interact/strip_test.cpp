// The motif/piece strip without a window: every pixel's hit for odd and even heights, the
// arrows and the wheel at their edges, the piece drag, marks, gap closing, the panel's regions,
// and what the drawing puts where.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "fake_platform.h"
#include "interact/events.h"
#include "interact/strip.h"

namespace rz {
namespace {

struct StripTest : ::testing::Test {
    test::FakePlatform platform;
    TDoc doc{platform};
    Strip strip{doc};

    void SetUp() override {
        MakeBuiltInLibrary(doc.library, nullptr);
        resize(1920, 182);
    }
    void resize(int w, int h) {
        strip.width = w;
        strip.height = h;
    }
    // Pieces in the given slots, each with a box so that the panel has a size to show.
    void pieces(std::initializer_list<int> slots) {
        doc.design.pieces.clear();
        for (int s : slots) {
            auto pc = std::make_unique<Piece>();
            pc->slot = uint8_t(s);
            pc->bbox = {0, 0, 1000.0f + float(s), 500};
            pc->outline = {{0, 0}, {1000.0f + float(s), 0}, {1000.0f + float(s), 500}, {0, 0}};
            doc.design.pieces.push_back(std::move(pc));
        }
        strip.view = StripView::Piece;
    }
    std::vector<int> slots() const {
        std::vector<int> v;
        for (auto& pc : doc.design.pieces) v.push_back(pc->slot);
        return v;
    }
    // The centre of a slot's square on the visible page.
    PixelPoint slotCentre(int column) const {
        PixelRect r = strip.slotRect(column);
        return {(r.left + r.right) / 2, r.bottom - 20};
    }
};

TEST_F(StripTest, EveryPixelHitsAValidCellOrSlot) {
    for (int h : {1, 2, 3, 20, 21, 100, 101, 182, 183}) {
        for (int w : {10 * h + 94, 300, 2000}) {
            resize(w, h);
            for (StripView v : {StripView::Motif, StripView::Piece}) {
                strip.view = v;
                doc.currentSlot = 95;  // the last page
                int cells = 0;
                for (int y = -1; y <= h; ++y)
                    for (int x = -1; x <= w; ++x) {
                        const StripHit t = strip.hit(x, y);
                        if (h < 2) {
                            ASSERT_EQ(t.region, StripRegion::None);
                        }
                        ASSERT_LT(t.cell, kCellCount) << h << " " << x << "," << y;
                        ASSERT_LT(t.slot, kSlotCount) << h << " " << x << "," << y;
                        if (t.region == StripRegion::Slot || t.region == StripRegion::PieceCorner) {
                            ASSERT_EQ(t.slot / 10, 9);
                        }
                        cells += t.region == StripRegion::Cell;
                    }
                if (h >= 2 && v == StripView::Motif && w >= 10 * h) {
                    ASSERT_GT(cells, 0);
                }
            }
        }
    }
    // With an odd height the grid ends where the cells end: 20 columns of h/2.
    resize(2000, 21);
    strip.view = StripView::Motif;
    EXPECT_EQ(strip.hit(199, 0).cell, 19);
    EXPECT_EQ(strip.hit(200, 0).region, StripRegion::None);
    EXPECT_EQ(strip.hit(199, 20).cell, 39);
}

TEST_F(StripTest, ArrowsAndWheelStopAtTheirEdges) {
    doc.library.currentCell = 19;
    EXPECT_TRUE(strip.arrow(1, 0));
    EXPECT_EQ(strip.cell(), 0);  // the same row, wrapped
    doc.library.currentCell = 25;
    strip.arrow(0, -1);
    EXPECT_EQ(strip.cell(), 5);
    doc.library.currentCell = 25;
    EXPECT_FALSE(strip.arrow(0, 1));
    EXPECT_EQ(strip.cell(), 25);
    doc.library.currentCell = 0;
    EXPECT_FALSE(strip.wheel(1));
    strip.wheel(-45);
    EXPECT_EQ(strip.cell(), 39);

    pieces({0, 1, 2, 3, 4});
    doc.currentSlot = 4;
    std::vector<int> seen;
    for (int i = 0; i < 8; ++i) {
        strip.wheel(-1);
        seen.push_back(strip.slot());
    }
    EXPECT_EQ(seen, (std::vector<int>{5, 6, 7, 8, 9, 9, 9, 9}));
    pieces({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    doc.currentSlot = 9;
    strip.wheel(-1);
    strip.wheel(-1);
    EXPECT_EQ(strip.slot(), 10);
    strip.wheel(3);
    EXPECT_EQ(strip.slot(), 7);
    // The last slot of all: the wheel never passes 99.
    pieces({99});
    doc.currentSlot = 99;
    EXPECT_FALSE(strip.wheel(-1));
    EXPECT_EQ(strip.slot(), 99);
    doc.currentSlot = 90;
    strip.arrow(-1, 0);
    EXPECT_EQ(strip.slot(), 99);
    EXPECT_FALSE(strip.arrow(0, 1));
}

TEST_F(StripTest, DraggedPieceTakesItsSlotAndTheOthersMakeRoom) {
    pieces({0, 1, 2, 3, 4, 5});
    doc.currentSlot = 1;
    PixelPoint from = slotCentre(1), to = slotCentre(4);
    StripPress p = strip.press(from.x, from.y, false, 0);
    ASSERT_EQ(p.action, StripAction::BeginDrag);
    EXPECT_TRUE(strip.drop(p.slot, to.x, to.y));
    EXPECT_EQ(slots(), (std::vector<int>{0, 4, 1, 2, 3, 5}));
    EXPECT_EQ(strip.slot(), 4);
    EXPECT_EQ(doc.design.modified, 1);
    EXPECT_EQ(doc.undo.stored(), 1);
    // Back to the left: the pieces between move up by one.
    to = slotCentre(0);
    EXPECT_TRUE(strip.drop(4, to.x, to.y));
    EXPECT_EQ(slots(), (std::vector<int>{1, 0, 2, 3, 4, 5}));
    // To a free slot it just moves; outside the slots nothing changes.
    to = slotCentre(8);
    EXPECT_TRUE(strip.drop(0, to.x, to.y));
    EXPECT_EQ(slots(), (std::vector<int>{1, 8, 2, 3, 4, 5}));
    EXPECT_FALSE(strip.drop(8, strip.width - 40, 50));
    EXPECT_FALSE(strip.drop(8, -5, 50));
    EXPECT_EQ(doc.undo.stored(), 3);
    // A double-click on a free slot closes the gaps in slot order.
    PixelPoint gap = slotCentre(7);
    EXPECT_EQ(strip.doubleClick(gap.x, gap.y).action, StripAction::Changed);
    EXPECT_EQ(slots(), (std::vector<int>{0, 5, 1, 2, 3, 4}));
    PixelPoint on = slotCentre(2);
    StripPress dc = strip.doubleClick(on.x, on.y);
    EXPECT_EQ(dc.action, StripAction::ColourPicker);
    EXPECT_TRUE(strip.setPieceColour(dc.slot, 0x123456));
    EXPECT_EQ(strip.pieceInSlot(2)->colour(), 0x123456u);
}

TEST_F(StripTest, CornerPressesMarkPiecesForOutput) {
    pieces({0, 1, 2});
    auto marked = [&] {
        std::vector<bool> v;
        for (auto& pc : doc.design.pieces) v.push_back((pc->flags & kPieceMarkedForOutput) != 0);
        return v;
    };
    const PixelRect r = strip.slotRect(1);
    const int cx = r.right - 5, cy = 5;
    ASSERT_EQ(strip.hit(cx, cy).region, StripRegion::PieceCorner);
    EXPECT_EQ(strip.press(cx, cy, false, 0).action, StripAction::MarksChanged);
    EXPECT_EQ(marked(), (std::vector<bool>{false, true, false}));
    strip.press(cx, cy, false, 0);
    EXPECT_EQ(marked(), (std::vector<bool>{false, false, false}));
    strip.press(cx, cy, false, kMkShift);
    EXPECT_EQ(marked(), (std::vector<bool>{true, false, true}));
    strip.press(cx, cy, false, kMkAlt);
    EXPECT_EQ(marked(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(doc.undo.stored(), 4);
    // Shift elsewhere on the piece flashes it; a right press opens the piece popup; a right
    // press on an empty slot opens nothing.
    PixelPoint c = slotCentre(2);
    EXPECT_EQ(strip.press(c.x, c.y, false, kMkShift).action, StripAction::Flash);
    EXPECT_EQ(strip.press(c.x, c.y, true, 0).action, StripAction::PiecePopup);
    c = slotCentre(6);
    EXPECT_EQ(strip.press(c.x, c.y, true, 0).action, StripAction::Changed);
    EXPECT_EQ(strip.slot(), 6);
}

TEST_F(StripTest, PanelRegionsEditUseSizesQuarterAndView) {
    strip.view = StripView::Motif;
    doc.library.currentCell = 0;
    const int W = strip.width, half = strip.height / 2;
    strip.press(W - 50, half - 5, false, 0);  // width +1 mm
    strip.press(W - 30, half + 15, true, 0);  // height −0.1 mm
    EXPECT_EQ(doc.library.cells[0].useW, 300.0f);
    EXPECT_EQ(doc.library.cells[0].useH, 190.0f);
    platform.tones.clear();
    for (int i = 0; i < 3; ++i) strip.press(W - 50, half + 15, true, 0);
    EXPECT_EQ(doc.library.cells[0].useH, 0.0f);
    EXPECT_EQ(platform.tones, (std::vector<int>{kToneBack, kToneBack}));
    for (int i = 0; i < 120; ++i) strip.press(W - 50, half - 5, false, 0);
    EXPECT_EQ(doc.library.cells[0].useW, kMaxUseSize);
    // The quarter value wraps within 0–4 on the current sheet.
    strip.currentSheet = [] { return 1; };
    strip.press(W - 5, 5, true, 0);
    EXPECT_EQ(doc.settings.sheets[1].words[55], 4u);
    strip.press(W - 5, 5, false, 0);
    strip.press(W - 5, 5, false, 0);
    EXPECT_EQ(strip.quarter(), 1);
    EXPECT_EQ(doc.settings.sheets[0].words[55], 0u);
    // The bottom-right corner toggles the view; a right press there does not.
    strip.press(W - 5, strip.height - 5, true, 0);
    EXPECT_EQ(strip.view, StripView::Motif);
    strip.press(W - 5, strip.height - 5, false, 0);
    EXPECT_EQ(strip.view, StripView::Piece);
    // A right press on a cell selects it and asks for the motif popup.
    strip.view = StripView::Motif;
    StripPress p = strip.press(strip.motifSize() * 3 + 2, strip.motifSize() + 2, true, 0);
    EXPECT_EQ(p.action, StripAction::MotifPopup);
    EXPECT_EQ(strip.cell(), 23);
    // Page 3 shows the pieces, a file read starts at slot 0.
    doc.currentSlot = 37;
    strip.afterLoad(3);
    EXPECT_EQ(strip.view, StripView::Piece);
    EXPECT_EQ(strip.slot(), 0);
    strip.followPage(1);
    EXPECT_EQ(strip.view, StripView::Motif);
}

TEST_F(StripTest, DrawingStaysInsideEachCellAndMarksTheCurrentOne) {
    // A cell holding a line, drawn in green within its own square.
    MotifCell& c = doc.library.cells[12];
    auto l = std::make_unique<Line>();
    l->nodes = {{-500, 200, 0}, {3000, 9000, 0}, {8000, -100, 0}};
    l->flags = 4u << kLineMethodShift;
    c.linesB.push_back(std::move(l));
    RebuildCell(c, TSmooth{}, nullptr);
    MeasureCell(c);
    doc.library.currentCell = 12;
    strip.view = StripView::Motif;
    RecordingCanvas rc;
    std::vector<XorRect> marks = DrawStrip(rc, strip);
    ASSERT_EQ(marks.size(), 1u);
    const PixelRect cellRect = strip.cellRect(12);
    EXPECT_EQ(marks[0].rect, (PixelRect{cellRect.left + 1, cellRect.top + 1, cellRect.right, cellRect.bottom}));
    int green = 0;
    for (const auto& call : rc.calls)
        if (call.op == RecordingCanvas::Op::Polyline && call.colour == 0x008000) {
            ++green;
            for (PixelPoint q : call.pts) {
                EXPECT_GT(q.x, cellRect.left);
                EXPECT_LT(q.x, cellRect.right);
                EXPECT_GT(q.y, cellRect.top);
                EXPECT_LT(q.y, cellRect.bottom);
            }
        }
    EXPECT_EQ(green, 1);
    bool size = false;
    for (const auto& call : rc.calls) size = size || (call.op == RecordingCanvas::Op::Text && call.text == PanelSize(c.useW));
    EXPECT_TRUE(size);
    // The piece view: the current slot's frame and each marked piece's corner.
    pieces({0, 3});
    doc.design.pieces[1]->flags |= kPieceMarkedForOutput;
    doc.currentSlot = 3;
    marks = DrawStrip(rc, strip);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].rect, (PixelRect{strip.slotRect(3).right - 9, 2, strip.slotRect(3).right - 1, 10}));
    EXPECT_EQ(marks[1].frame, 3);
    // Too low to draw: nothing at all.
    resize(1920, 1);
    RecordingCanvas none;
    EXPECT_TRUE(DrawStrip(none, strip).empty());
    EXPECT_TRUE(none.calls.empty());
}

}  // namespace
TEST(StripPanel, SizesKeepTheDecimalPointUnderAnyLocale) {
    const char* was = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = was ? was : "C";
    bool comma = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name)) {
            comma = true;
            break;
        }
    if (!comma) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(PanelSize(1234.0f), " 12.3");
    EXPECT_EQ(PanelSize(123456.0f), "1234.6");
    EXPECT_EQ(PanelSize(-50.0f), " -0.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace rz
