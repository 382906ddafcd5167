#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "fake_platform.h"
#include "interact/colours.h"
#include "interact/scene.h"
#include "interact/screens.h"

namespace rz {
namespace {

using Call = RecordingCanvas::Call;
using Op = RecordingCanvas::Op;

Line& AddLine(List<Line>& l, Polyline eval, uint32_t colour = 0x112233, uint32_t flags = 0) {
    auto ln = std::make_unique<Line>();
    ln->eval = std::move(eval);
    ln->colour = colour;
    ln->flags = flags;
    l.push_back(std::move(ln));
    return *l.back();
}

struct SceneTest : ::testing::Test {
    test::FakePlatform platform;
    TDoc doc{platform};
    View view;
    RecordingCanvas canvas;

    void SetUp() override {
        view.make(1000, 700, {45720.0f, 30480.0f});
        doc.settings.displayFlags = kDispAux | kDispShared | kDispFixedDist | kDispFrontSym | kDispScan;
    }
    Part& part() { return doc.design.firstPart(); }
    void redraw() {
        canvas.calls.clear();
        RedrawFront(doc, view, canvas);
    }
    // Colours of the polylines drawn, in order, after the background and origin mark.
    std::vector<uint32_t> colours() const {
        std::vector<uint32_t> out;
        for (size_t i = 3; i < canvas.calls.size(); ++i)
            if (canvas.calls[i].op == Op::Polyline) out.push_back(canvas.calls[i].colour);
        return out;
    }
    const Call* firstWithColour(uint32_t c) const {
        for (auto& k : canvas.calls)
            if (k.colour == c && k.op == Op::Polyline) return &k;
        return nullptr;
    }
    int count(uint32_t c) const {
        return int(std::count_if(canvas.calls.begin(), canvas.calls.end(),
                                 [&](const Call& k) { return k.colour == c && k.op == Op::Polyline; }));
    }
    uint32_t col(int slot) const { return doc.settings.colours[size_t(slot)]; }
};

TEST_F(SceneTest, BackgroundThenOriginMarkThenParts) {
    AddLine(part().linesA, {{0, 0}, {1000, 0}});
    redraw();
    ASSERT_GE(canvas.calls.size(), 4u);
    EXPECT_EQ(canvas.calls[0].op, Op::Fill);
    EXPECT_EQ(canvas.calls[0].colour, col(kColWorkBackground));
    EXPECT_EQ(canvas.calls[0].pts.size(), 4u);
    EXPECT_EQ(canvas.calls[1].colour, kColOriginMark);
    EXPECT_EQ(canvas.calls[1].pts, (std::vector<PixelPoint>{view.toPixel({0, 0}), {view.toPixel({0, 0}).x + 20, view.toPixel({0, 0}).y}}));
    EXPECT_EQ(canvas.calls[2].pts.back().y, view.toPixel({0, 0}).y - 20);
    EXPECT_EQ(canvas.calls[3].colour, 0x112233u);
}

TEST_F(SceneTest, PartListsAreDrawnInTheirOrder) {
    Part& p = part();
    AddLine(p.linesA, {{0, 0}, {5000, 0}}, 0x0000A1);
    AddLine(p.linesB, {{0, 100}, {5000, 100}}, 0x0000B2);
    auto pin = std::make_unique<Pin>();
    pin->outline = {{0, 0}, {100, 0}, {100, 100}};
    pin->flags = kFlagSelected;  // so that its colour tells it apart
    p.pins.push_back(std::move(pin));
    auto notch = std::make_unique<Notch>();
    notch->outline = {{0, 0}, {200, 200}};
    p.notches.push_back(std::move(notch));
    auto label = std::make_unique<SizeLabel>();
    label->strokes = {{{0, 0}, {300, 300}}};
    label->colour = 0x0C0C0C;
    p.sizeLabels.push_back(std::move(label));
    auto bp = std::make_unique<BasePoint>();
    bp->drawn1 = {{{0, 0}, {400, 400}}};
    bp->drawn2 = {{{0, 0}, {0, 400}}};
    p.basePoints.push_back(std::move(bp));
    redraw();
    std::vector<uint32_t> c = colours();
    auto pos = [&](uint32_t colour) {
        return std::find(c.begin(), c.end(), colour) - c.begin();
    };
    // size label (auxiliary) < notch < line B < pin < line A < base point
    EXPECT_LT(pos(0x0C0C0C), pos(kColNotch));
    EXPECT_LT(pos(kColNotch), pos(0x0000B2));
    EXPECT_LT(pos(0x0000B2), pos(col(kColHighlight)));
    EXPECT_LT(pos(col(kColHighlight)), pos(0x0000A1));
    EXPECT_LT(pos(0x0000A1), pos(kColBasePoint));
    EXPECT_EQ(c.back(), kColBasePoint2);  // second shape of the base point, two pixels wide
    EXPECT_EQ(canvas.calls.back().width, 2);
}

TEST_F(SceneTest, LineColourPrecedence) {
    Part& p = part();
    Line& master = AddLine(p.linesB, {{0, 0}, {10, 10}}, 0x000001);
    Line& aux = AddLine(p.linesB, {{0, 0}, {10, 10}}, 0x000002, kLineAuxiliary | kFlagSelected);
    Line& length = AddLine(p.linesB, {{0, 0}, {10, 10}}, 0x000003, 1u << kLineTypeShift);
    length.frontSym = &master;
    Line& width = AddLine(p.linesB, {{0, 0}, {10, 10}}, 0x000004, 2u << kLineTypeShift);
    Line& plainAux = AddLine(p.linesB, {{0, 0}, {10, 10}}, 0x000005, kLineAuxiliary);
    (void)aux, (void)width, (void)plainAux;
    redraw();
    std::vector<uint32_t> c = colours();
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0], 0x000001u);
    EXPECT_EQ(c[1], col(kColHighlight));  // selected beats auxiliary
    EXPECT_EQ(c[2], col(kColFrontSym));   // front symmetry beats the length line
    EXPECT_EQ(c[3], col(kColWidthLine));
    EXPECT_EQ(c[4], col(kColAuxLine));
    // Auxiliary lines are dashed with the settings' dash lengths.
    EXPECT_EQ(canvas.calls[3 + 4].dashOn, doc.settings.dashLong);
    EXPECT_EQ(canvas.calls[3 + 4].dashOff, doc.settings.dashShort);
    EXPECT_EQ(canvas.calls[3].dashOn, 0);
    // Without 前对称显示 the length line shows its type.
    doc.settings.displayFlags &= ~kDispFrontSym;
    redraw();
    EXPECT_EQ(colours()[2], col(kColLengthLine));
}

TEST_F(SceneTest, FixedBasePointsAndTheLinesGradedByThem) {
    Part& p = part();
    auto first = std::make_unique<BasePoint>();
    first->sharedNotes = std::vector<uint8_t>{0x85, 0x05, 0x05};  // equal in the low 7 bits
    first->drawn1 = {{{0, 0}, {50, 50}}};
    BasePoint* b0 = first.get();
    p.basePoints.push_back(std::move(first));
    auto second = std::make_unique<BasePoint>();
    second->sharedNotes = std::vector<uint8_t>{1, 1, 1};
    BasePoint* b1 = second.get();
    p.basePoints.push_back(std::move(second));
    auto third = std::make_unique<BasePoint>();
    third->sharedNotes = std::vector<uint8_t>{1, 2, 1};
    BasePoint* b2 = third.get();
    p.basePoints.push_back(std::move(third));
    AddLine(p.linesB, {{0, 0}, {10, 10}}, 0x0000C1).basePoint = b0;  // the part's first
    AddLine(p.linesB, {{0, 0}, {10, 10}}, 0x0000C2).basePoint = b1;
    AddLine(p.linesB, {{0, 0}, {10, 10}}, 0x0000C3).basePoint = b2;  // not fixed
    EXPECT_TRUE(IsFixedBasePoint(*b0));
    EXPECT_FALSE(IsFixedBasePoint(*b2));
    redraw();
    std::vector<uint32_t> c = colours();
    EXPECT_EQ(c[0], 0x0000C1u);
    EXPECT_EQ(c[1], col(kColFixed));
    EXPECT_EQ(c[2], 0x0000C3u);
    EXPECT_EQ(c[3], col(kColFixed));  // the base point itself
    doc.settings.displayFlags &= ~kDispAux;
    redraw();
    c = colours();
    EXPECT_EQ(c[1], 0x0000C2u);        // only with 辅助显示
    EXPECT_EQ(c[3], col(kColFixed));   // the base point is 固定 either way
}

TEST_F(SceneTest, MarginLinesAreDimmedUnlessDesignFlagAndDrawTheirMargin) {
    Line& l = AddLine(part().linesB, {{0, 0}, {1000, 0}}, 0xFFFFFF);
    l.margin = 300.0f;
    l.second = {{0, 300}, {1000, 300}};
    doc.design.flags &= ~kDesignMarginFullColour;
    redraw();
    std::vector<uint32_t> c = colours();
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0], 0xAAAAAAu);
    EXPECT_EQ(c[1], col(kColMargin));
    EXPECT_EQ(canvas.calls.back().pts.front(), view.toPixel({0, 300}));
    doc.design.flags |= kDesignMarginFullColour;
    redraw();
    EXPECT_EQ(colours()[0], 0xFFFFFFu);
}

TEST_F(SceneTest, LineWidthAndEndPointMarks) {
    AddLine(part().linesA, {{0, 0}, {1000, 0}, {1000, 1000}}, 0x000010, 3u << kLineWidthShift);
    AddLine(part().linesA, {{0, 0}, {10, 10}}, 0x000011, kLineNoPreview);
    doc.settings.displayFlags |= kDispEndMarks;
    redraw();
    const Call* l = firstWithColour(0x000010);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->width, 3);
    std::vector<const Call*> marks;
    for (auto& k : canvas.calls)
        if (k.op == Op::Fill && k.colour == kColEndMark) marks.push_back(&k);
    ASSERT_EQ(marks.size(), 2u);  // the second line asks for none
    PixelPoint end = view.toPixel({1000, 1000});
    EXPECT_EQ(marks[1]->pts[0], (PixelPoint{end.x - 1, end.y - 1}));
    EXPECT_EQ(marks[1]->pts[2], (PixelPoint{end.x + 2, end.y + 2}));
}

TEST_F(SceneTest, HiddenRecordsAreSkippedOrDrawnDimmed) {
    Part& p = part();
    AddLine(p.linesB, {{0, 0}, {10, 10}}, 0x0000FF, kFlagHidden);
    AddLine(p.linesA, {{0, 0}, {10, 10}}, 0x00FF00, kFlagHidden | kFlagSelected);
    auto pin = std::make_unique<Pin>();
    pin->outline = {{0, 0}, {10, 10}};
    pin->flags = kFlagHidden;
    p.pins.push_back(std::move(pin));
    AddLine(p.linesB, {{0, 0}, {10, 10}}, 0x00F000);  // a bad line, never drawn:
    p.linesB.back()->eval.clear();
    redraw();
    EXPECT_TRUE(colours().empty());
    doc.settings.displayFlags |= kDispHidden;
    redraw();
    std::vector<uint32_t> c = colours();
    // Lines A then B, then pins (with the plus mark's two strokes).
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0], Dim(col(kColHighlight)));
    EXPECT_EQ(c[1], Dim(0x0000FF));
    EXPECT_EQ(c[2], Dim(kColElement));
}

TEST_F(SceneTest, DimmingIsTwoThirdsPerChannel) {
    EXPECT_EQ(Dim(0xFFFFFF), 0xAAAAAAu);
    EXPECT_EQ(Dim(0x010203), 0x000102u);
    EXPECT_EQ(Dim(0xA000A0), 0x6A006Au);
    EXPECT_EQ(Halve(0xFF8001), 0x7F4000u);
}

TEST_F(SceneTest, DisplayTogglesGovernTheLists) {
    Part& p = part();
    auto dim = std::make_unique<Dimension>();
    dim->drawn1 = {{{0, 0}, {10, 0}}};
    p.dimensions.push_back(std::move(dim));
    auto zone = std::make_unique<SharedZone>();
    zone->drawn = {{{0, 0}, {1, 1}}, {{0, 0}, {2, 2}}, {{0, 0}, {3, 3}}, {{0, 0}, {4, 4}}, {{0, 0}, {5, 5}}};
    p.sharedZones.push_back(std::move(zone));
    auto graded = std::make_unique<Line>();
    graded->eval = {{0, 0}, {5, 5}};
    graded->colour = 0x0000EE;
    p.gradedLines.push_back(std::move(graded));
    redraw();
    EXPECT_EQ(count(kColDimension), 1);
    EXPECT_EQ(count(0x0000EE), 0);  // graded lines only with 全号显示
    // Shared zones: index 1 and 4 in 共用区, the others in 接顺区.
    std::vector<uint32_t> zc;
    for (auto& k : canvas.calls)
        if (k.colour == col(kColSharedZone) || k.colour == col(kColBlendZone)) zc.push_back(k.colour);
    EXPECT_EQ(zc, (std::vector<uint32_t>{col(kColBlendZone), col(kColSharedZone), col(kColBlendZone),
                                         col(kColBlendZone), col(kColSharedZone)}));
    doc.settings.displayFlags &= ~kDispShared;
    doc.settings.displayFlags |= kDispAllSizes;
    redraw();
    EXPECT_EQ(count(col(kColSharedZone)), 0);
    EXPECT_EQ(count(0x0000EE), 1);
    doc.settings.displayFlags &= ~kDispAux;
    redraw();
    EXPECT_EQ(count(kColDimension), 0);
}

TEST_F(SceneTest, DimensionOfAHiddenLineAndZoneOfASelectedHostAreNotDrawn) {
    Part& p = part();
    Line& host = AddLine(p.linesB, {{0, 0}, {10, 0}}, 0x0000AB, kFlagHidden);
    auto dim = std::make_unique<Dimension>();
    dim->drawn1 = {{{0, 0}, {10, 0}}};
    dim->ref2 = {&host, kKindLine};
    p.dimensions.push_back(std::move(dim));
    Line& sel = AddLine(p.linesB, {{0, 0}, {10, 0}}, 0x0000AC, kFlagSelected);
    auto zone = std::make_unique<SharedZone>();
    zone->host = &sel;
    zone->drawn = {{{0, 0}, {1, 1}}, {{0, 0}, {2, 2}}};
    p.sharedZones.push_back(std::move(zone));
    auto fd = std::make_unique<FixedDistance>();
    fd->first = {&sel, kKindLine};
    fd->drawn = {{{0, 0}, {1, 1}}};
    p.fixedDistances.push_back(std::move(fd));
    redraw();
    EXPECT_EQ(count(kColDimension), 0);
    EXPECT_EQ(count(col(kColSharedZone)) + count(col(kColBlendZone)), 0);
    EXPECT_EQ(count(col(kColFixedDistance)), 0);
    host.flags = 0;
    sel.flags = 0;
    redraw();
    EXPECT_EQ(count(kColDimension), 1);
    EXPECT_EQ(count(col(kColSharedZone)), 1);
    EXPECT_EQ(count(col(kColFixedDistance)), 1);
}

TEST_F(SceneTest, OnlyTheCurrentPageAndVisiblePartsAreDrawn) {
    AddLine(part().linesA, {{0, 0}, {10, 0}}, 0x000070);
    doc.design.parts.push_back(std::make_unique<Part>());
    Part& second = *doc.design.parts.back();
    second.setPage(2);
    AddLine(second.linesA, {{0, 0}, {10, 0}}, 0x000072);
    redraw();
    EXPECT_EQ(count(0x000070), 1);
    EXPECT_EQ(count(0x000072), 0);
    doc.setCurrentPage(2);
    redraw();
    EXPECT_EQ(count(0x000070), 0);
    EXPECT_EQ(count(0x000072), 1);
    second.flags |= kFlagHidden;
    redraw();
    EXPECT_EQ(count(0x000072), 0);
}

TEST_F(SceneTest, PartSelectedAsAWholeDrawsItsOutline) {
    Part& p = part();
    AddLine(p.linesA, {{0, 0}, {10, 0}}, 0x000070);
    p.outline = {{0, 0}, {1000, 0}, {1000, 1000}, {0, 0}};
    p.flags |= kFlagSelected;
    redraw();
    EXPECT_EQ(count(0x000070), 0);
    const Call* o = firstWithColour(col(kColHighlight));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->pts.size(), 4u);
    EXPECT_EQ(o->width, 1);
}

TEST_F(SceneTest, PiecesUseToolColours) {
    auto pc = std::make_unique<Piece>();
    pc->flags = 3u << 8;  // visible, pen index 3
    pc->outline = {{0, 0}, {100, 0}, {100, 100}, {0, 0}};
    auto pl = std::make_unique<PieceLine>();
    pl->flags = 1u | (1u << 17);
    pl->drawn1 = {{0, 0}, {50, 50}};
    pc->linesA.push_back(std::move(pl));
    doc.design.pieces.push_back(std::move(pc));
    auto hidden = std::make_unique<Piece>();  // pieces start hidden
    hidden->outline = {{0, 0}, {100, 0}};
    hidden->flags |= 5u << 8;
    doc.design.pieces.push_back(std::move(hidden));
    redraw();
    std::vector<uint32_t> c = colours();
    EXPECT_EQ(c, (std::vector<uint32_t>{0x0058B4, 0x808030, 0x808030}));
    EXPECT_EQ(ToolColour(0), 0xA000A0u);
    EXPECT_EQ(ToolColour(2), 0x008080u);
    EXPECT_EQ(ToolColour(4), 0x0058B4u);
    EXPECT_EQ(ToolColour(9), 0x5C5C5Cu);
}

TEST_F(SceneTest, ScanLinesOnlyWithScanDisplay) {
    auto sl = std::make_unique<ScanLine>();
    sl->shape = {{{0, 0}, {100, 100}}};
    sl->value = 0x00FF00;
    doc.scanLines.push_back(std::move(sl));
    redraw();
    EXPECT_EQ(count(0x00FF00), 1);
    doc.scanLines.back()->flags = kFlagHidden;
    redraw();
    EXPECT_EQ(count(0x00FF00), 0);
    doc.settings.displayFlags |= kDispHidden;
    redraw();
    EXPECT_EQ(count(Dim(0x00FF00)), 1);
    doc.settings.displayFlags &= ~kDispScan;
    redraw();
    EXPECT_EQ(count(Dim(0x00FF00)), 0);
}

TEST_F(SceneTest, GridAppearsFromNinePixels) {
    view.make(1000, 700, {121920.0f, 91440.0f});  // A0: 1000 units are 7.66 pixels
    doc.settings.displayFlags |= kDispGrid;
    doc.settings.gridUnit = 1000.0f;
    redraw();
    EXPECT_EQ(count(kColGrid) + count(kColGridTenth), 0);
    ASSERT_TRUE(view.zoomBy(kZoomIn, ZoomAnchor::Cursor, {500, 350}));
    redraw();
    int lines = count(kColGrid) + count(kColGridTenth);
    EXPECT_GT(lines, 0);
    // Every line at a multiple of 11 pixels from the origin; every tenth two pixels wide.
    PixelPoint o = view.toPixel({0, 0});
    for (auto& k : canvas.calls) {
        if (k.colour != kColGrid && k.colour != kColGridTenth) continue;
        bool vertical = k.pts[0].x == k.pts[1].x;
        if (vertical) {
            double units = (k.pts[0].x - o.x) / (1000.0 * view.s);
            long idx = std::lround(units);
            EXPECT_NEAR(units, double(idx), 0.1);
            EXPECT_EQ(k.width, idx % 10 == 0 ? 2 : 1);
            EXPECT_EQ(k.pts[0].y, view.draw.top);
            EXPECT_EQ(k.pts[1].y, view.draw.bottom);
        }
    }
    EXPECT_EQ(RoundPx(1000.0 * view.s), 11);
}

TEST_F(SceneTest, GridWithoutAUsableUnitIsNotDrawn) {
    doc.settings.displayFlags |= kDispGrid;
    for (float unit : {0.0f, -1000.0f, std::nanf("")}) {
        doc.settings.gridUnit = unit;
        redraw();
        EXPECT_EQ(count(kColGrid) + count(kColGridTenth), 0) << unit;
    }
    // Far out the spacing drops below nine pixels long before lines could pile up.
    doc.settings.gridUnit = 1000.0f;
    view.s = view.s0 * float(kZoomMin);
    view.refreshVisible();
    redraw();
    EXPECT_EQ(count(kColGrid) + count(kColGridTenth), 0);
}

TEST_F(SceneTest, DuplicatePixelsMergeAndFarZoomClips) {
    AddLine(part().linesA, {{0, 0}, {1, 0}, {2, 0}, {3000, 0}, {3001, 0}}, 0x000077);
    redraw();
    const Call* l = firstWithColour(0x000077);
    ASSERT_NE(l, nullptr);
    for (size_t i = 1; i < l->pts.size(); ++i) EXPECT_FALSE(l->pts[i] == l->pts[i - 1]);
    EXPECT_LT(l->pts.size(), 5u);
    // Deep zoom: a long line far across the window is clipped to the visible rectangle.
    Line& big = AddLine(part().linesA, {{-1.0e6f, 100}, {1.0e6f, 100}, {1.0e6f, 1.0e6f}}, 0x000078);
    (void)big;
    view.s = view.s0 * 80.0f;
    view.ox = -RoundPx(view.s * 50.0);
    view.oy = 350 + RoundPx(view.s * 100.0);
    view.refreshVisible();
    redraw();
    const Call* c = firstWithColour(0x000078);
    ASSERT_NE(c, nullptr);
    for (auto& p : c->pts) {
        EXPECT_GE(p.x, -1);
        EXPECT_LE(p.x, view.bufferWidth() + 1);
    }
    EXPECT_EQ(count(0x000078), 1);  // the vertical leg lies outside
}

TEST_F(SceneTest, BackScreenDrawsAnEmptySheetWithFrameRulerAndBorder) {
    SheetDisplay sheet;
    sheet.range = {92300.0f, 61800.0f};
    sheet.ruler = {46150.0f, 30900.0f};
    sheet.border = {{0, 0}, {92300, 0}, {92300, 61800}, {0, 61800}, {0, 0}};
    view.make(1000, 700, sheet.range);
    canvas.calls.clear();
    RedrawBack(sheet, doc.settings, view, canvas);
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[1].colour, kColSheetFrame);
    EXPECT_EQ(canvas.calls[1].pts[0], view.toPixel({0, 0}));
    EXPECT_EQ(canvas.calls[1].pts[2], view.toPixel({92300, 61800}));
    sheet.flags = kSheetRuler | kSheetBorder;
    Polyline item = {{0, 0}, {1000, 1000}};
    sheet.items = {{0, 3, &item}, {kItemSetAside, 1, &item}, {kItemPicked, 2, &item}, {kItemChosen | kItemPicked, 2, &item}};
    canvas.calls.clear();
    RedrawBack(sheet, doc.settings, view, canvas);
    EXPECT_EQ(count(kColRuler), 2);
    EXPECT_EQ(count(kColSheetBorder), 4);
    int squares = int(std::count_if(canvas.calls.begin(), canvas.calls.end(), [](const Call& k) {
        return k.op == Op::Fill && k.colour == kColSheetBorder;
    }));
    EXPECT_GE(squares, 1);
    std::vector<uint32_t> items;
    for (auto& k : canvas.calls)
        if (k.op == Op::Polyline && k.pts.size() == 2 && k.pts[0] == view.toPixel({0, 0}) &&
            k.pts[1] == view.toPixel({1000, 1000}))
            items.push_back(k.colour);
    EXPECT_EQ(items, (std::vector<uint32_t>{0x0058B4, Halve(0x808030), col(kColHighlight), 0x006020}));
}

TEST_F(SceneTest, SheetFitCoversItsItems) {
    SheetDisplay sheet;
    sheet.range = {92300.0f, 61800.0f};
    view.make(1000, 700, sheet.range);
    float s = view.s;
    EXPECT_FALSE(FitSheetView(sheet, view));  // an empty sheet: the view stays
    EXPECT_EQ(view.s, s);
    Polyline a = {{1000, 1000}, {3000, 1000}}, b = {{2000, 5000}};
    sheet.items = {{0, 1, &a}, {0, 1, &b}};
    ASSERT_TRUE(FitSheetView(sheet, view));
    PixelPoint c = view.toWindow({2000, 3000});
    EXPECT_LE(std::abs(c.x - 500), 1);
    EXPECT_LE(std::abs(c.y - 350), 1);
}

}  // namespace
}  // namespace rz
