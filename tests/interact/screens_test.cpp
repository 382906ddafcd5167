#include <gtest/gtest.h>

#include "fake_platform.h"
#include "interact/colours.h"
#include "interact/screens.h"

namespace rz {
namespace {

struct ScreensTest : ::testing::Test {
    test::FakePlatform platform;
    TDoc doc{platform};
    ViewState vs;
    ToolState tool;

    void SetUp() override {
        MakeSurfaces(vs, 1000, 700, FrontWorkRange(0, 0, 0), {92300, 61800}, {50000, 40000});
    }
    Part& addPart(int page) {
        doc.design.parts.push_back(std::make_unique<Part>());
        Part& p = *doc.design.parts.back();
        p.setPage(page);
        return p;
    }
    static void giveContent(Part& p, float x = 0) {
        auto l = std::make_unique<Line>();
        l->eval = {{x, 0}, {x + 1000, 500}};
        p.linesA.push_back(std::move(l));
    }
};

TEST_F(ScreensTest, RangeTableAndCustomRows) {
    EXPECT_EQ(FrontWorkRange(2, 1, 1), (WorkRange{121920.0f, 91440.0f}));
    EXPECT_EQ(FrontWorkRange(3, 1, 1), (WorkRange{182880.0f, 121920.0f}));
    EXPECT_EQ(FrontWorkRange(4, 5000, 6000), (WorkRange{5000.0f, 6000.0f}));
    EXPECT_EQ(FrontWorkRange(9, 5000, 6000), (WorkRange{5000.0f, 6000.0f}));
    EXPECT_STREQ(RangeTable()[0].name, "A3");
    EXPECT_EQ(FormatRangeValue(45720.0f, doc.settings), "457.2毫米");
    doc.settings.centimetreDisplay = 1;
    EXPECT_EQ(FormatRangeValue(45720.0f, doc.settings), "45.7厘米");
}

TEST_F(ScreensTest, EachScreenKeepsItsOwnViewAndToolAcrossSwaps) {
    vs.view.zoomBy(kZoomIn, ZoomAnchor::Cursor, {100, 100});
    const float frontS = vs.view.s;
    const int frontOx = vs.view.ox;
    tool = {20, 0, 1};
    vs.screens[1].tool = {35, 0, 0};
    EXPECT_TRUE(SwapScreens(vs, tool));  // mode 20 → the sheet's 35
    EXPECT_TRUE(vs.backShown);
    EXPECT_EQ(tool.mode, 35);
    EXPECT_EQ(vs.view.range, (WorkRange{92300, 61800}));
    EXPECT_FLOAT_EQ(vs.view.s, std::min(1000.0f / 92300.0f, 700.0f / 61800.0f));
    vs.view.zoomBy(kZoomIn, ZoomAnchor::Corner, {0, 0});
    const float sheetS = vs.view.s;
    // The sheet switch stores sheet Ⅰ and loads sheet Ⅱ.
    SwitchSheet(vs, tool);
    EXPECT_EQ(vs.currentSheet, 1);
    EXPECT_EQ(vs.view.range, (WorkRange{50000, 40000}));
    EXPECT_FLOAT_EQ(vs.view.s, vs.view.s0);
    SwitchSheet(vs, tool);
    EXPECT_FLOAT_EQ(vs.view.s, sheetS);
    EXPECT_FALSE(SwapScreens(vs, tool) && tool.mode == 35);
    EXPECT_FALSE(vs.backShown);
    EXPECT_EQ(tool, (ToolState{20, 0, 1}));
    EXPECT_FLOAT_EQ(vs.view.s, frontS);
    EXPECT_EQ(vs.view.ox, frontOx);
    // Same mode on both screens: nothing to refresh.
    vs.screens[1].tool = tool;
    EXPECT_FALSE(SwapScreens(vs, tool));
}

TEST_F(ScreensTest, SheetSwitchWhileTheFrontIsShownKeepsTheLiveView) {
    float s = vs.view.s;
    SwitchSheet(vs, tool);
    EXPECT_EQ(vs.currentSheet, 1);
    EXPECT_EQ(vs.view.s, s);
    EXPECT_EQ(vs.view.range, FrontWorkRange(0, 0, 0));
    SwapScreens(vs, tool);
    EXPECT_EQ(vs.view.range, (WorkRange{50000, 40000}));
}

TEST_F(ScreensTest, NewWorkRangeResetsTheFrontViewOnly) {
    EXPECT_FALSE(SetFrontWorkRange(vs, {0, 100}));
    EXPECT_FALSE(SetFrontWorkRange(vs, {100, -1}));
    EXPECT_EQ(vs.view.range, FrontWorkRange(0, 0, 0));
    SwapScreens(vs, tool);
    vs.view.zoomBy(kZoomIn, ZoomAnchor::Corner, {0, 0});
    float sheetS = vs.view.s;
    EXPECT_TRUE(SetFrontWorkRange(vs, FrontWorkRange(2, 0, 0)));
    EXPECT_EQ(vs.view.s, sheetS);  // the back screen's view is kept
    SwapScreens(vs, tool);
    EXPECT_EQ(vs.view.range, FrontWorkRange(2, 0, 0));
    EXPECT_FLOAT_EQ(vs.view.s0, 700.0f / 91440.0f);
    EXPECT_EQ(vs.view.toWindow({0, 0}), (PixelPoint{0, 700}));
}

TEST_F(ScreensTest, ResizeReachesStoredViews) {
    SwapScreens(vs, tool);
    ResizeSurfaces(vs, 500, 350);
    EXPECT_EQ(vs.view.W, 500);
    SwapScreens(vs, tool);
    EXPECT_EQ(vs.view.H, 350);
    EXPECT_FLOAT_EQ(vs.view.s0, std::min(500.0f / 45720.0f, 350.0f / 30480.0f));
    EXPECT_EQ(vs.view.toWindow({0, 0}), (PixelPoint{0, 350}));
}

TEST_F(ScreensTest, NextPageCyclesOverPagesWithContent) {
    giveContent(doc.design.firstPart());
    EXPECT_FALSE(NextPageCommand(doc, vs, tool));  // all on page 0: stays
    EXPECT_EQ(doc.currentPage(), 0);
    giveContent(addPart(2));
    EXPECT_TRUE(NextPageCommand(doc, vs, tool));
    EXPECT_EQ(doc.currentPage(), 2);
    EXPECT_TRUE(NextPageCommand(doc, vs, tool));
    EXPECT_EQ(doc.currentPage(), 0);
    EXPECT_EQ(SelectPage(doc, 4), 0);
    EXPECT_EQ(SelectPage(doc, -1), 3);
    // On the back screen 选页 switches sheets.
    SwapScreens(vs, tool);
    EXPECT_TRUE(NextPageCommand(doc, vs, tool));
    EXPECT_EQ(vs.currentSheet, 1);
    EXPECT_EQ(doc.currentPage(), 3);
}

TEST_F(ScreensTest, RestoreOnPageTwoUnhidesLaterPartsAndResetsTheView) {
    Part& first = doc.design.firstPart();
    first.setPage(2);
    first.flags |= kFlagHidden;
    Part& b = addPart(2);
    b.flags |= kFlagHidden;
    Part& c = addPart(1);
    c.flags |= kFlagHidden;
    auto sl = std::make_unique<ScanLine>();
    sl->flags = kFlagHidden;
    doc.scanLines.push_back(std::move(sl));
    doc.setCurrentPage(2);
    vs.view.zoomBy(kZoomIn, ZoomAnchor::Cursor, {300, 300});
    RestoreView(doc, vs);
    EXPECT_TRUE(first.hidden());  // the first part is not touched
    EXPECT_FALSE(b.hidden());
    EXPECT_TRUE(c.hidden());      // another page
    EXPECT_FALSE(doc.scanLines[0]->flags & kFlagHidden);
    EXPECT_EQ(vs.view.s, vs.view.s0);
    EXPECT_EQ(vs.view.toWindow({0, 0}), (PixelPoint{0, 700}));
}

TEST_F(ScreensTest, RestoreOnThePiecesPage) {
    auto pc = std::make_unique<Piece>();
    pc->flags |= kPieceOutputMark;
    doc.design.pieces.push_back(std::move(pc));
    doc.settings.displayFlags = kDispAllSizes;
    doc.setCurrentPage(3);
    RestoreResult r = RestoreView(doc, vs);
    EXPECT_TRUE(r.piecesChanged);
    EXPECT_TRUE(r.auxTurnedOn);
    EXPECT_TRUE(r.allSizesTurnedOff);
    EXPECT_FALSE(doc.design.pieces[0]->flags & kPieceOutputMark);
    EXPECT_EQ(doc.settings.displayFlags, kDispAux);
}

TEST_F(ScreensTest, AuxDisplayHidesAndShowsOnlyWhatItHid) {
    Part& p = doc.design.firstPart();
    auto aux = std::make_unique<Line>();
    aux->flags = kLineAuxiliary;
    p.linesB.push_back(std::move(aux));
    auto plain = std::make_unique<Line>();
    p.linesB.push_back(std::move(plain));
    auto auxA = std::make_unique<Line>();
    auxA->flags = kLineAuxiliary;
    p.linesA.push_back(std::move(auxA));
    for (int i = 0; i < 2; ++i) {
        p.notches.push_back(std::make_unique<Notch>());
        p.sizeLabels.push_back(std::make_unique<SizeLabel>());
        p.basePoints.push_back(std::make_unique<BasePoint>());
    }
    p.notches[1]->flags = kFlagHidden;  // hidden by the user
    p.basePoints[1]->flags = kFlagHidden;
    doc.settings.displayFlags |= kDispAux;
    ToggleResult r = ToggleDisplay(doc, vs, DisplayToggle::Aux);
    EXPECT_TRUE(r.done && r.rebuildParameters);
    EXPECT_FALSE(doc.settings.displayFlags & kDispAux);
    EXPECT_TRUE(p.linesB[0]->flags & kFlagHidden);
    EXPECT_FALSE(p.linesB[1]->flags & kFlagHidden);
    EXPECT_FALSE(p.linesA[0]->flags & kFlagHidden);  // lines A are not auxiliary records here
    EXPECT_TRUE(p.notches[0]->flags & kFlagHidden);
    EXPECT_TRUE(p.sizeLabels[0]->flags & kFlagHidden);
    EXPECT_TRUE(p.sizeLabels[1]->flags & kFlagHidden);
    EXPECT_TRUE(p.basePoints[0]->flags & kFlagHidden);
    ToggleDisplay(doc, vs, DisplayToggle::Aux);
    EXPECT_TRUE(doc.settings.displayFlags & kDispAux);
    EXPECT_FALSE(p.linesB[0]->flags & kFlagHidden);
    EXPECT_FALSE(p.notches[0]->flags & kFlagHidden);
    EXPECT_FALSE(p.sizeLabels[1]->flags & kFlagHidden);
    EXPECT_FALSE(p.basePoints[0]->flags & kFlagHidden);
    // What the user hid stays hidden, and no marks are left behind.
    EXPECT_TRUE(p.notches[1]->flags & kFlagHidden);
    EXPECT_TRUE(p.basePoints[1]->flags & kFlagHidden);
    EXPECT_FALSE(p.notches[0]->flags & kFlagAuxHidden);
    EXPECT_FALSE(p.notches[1]->flags & kFlagAuxHidden);
}

TEST_F(ScreensTest, TogglesAreFrontScreenOnlyAndScanNeedsScanLines) {
    EXPECT_FALSE(ToggleEnabled(doc, vs, DisplayToggle::Scan));
    EXPECT_FALSE(ToggleDisplay(doc, vs, DisplayToggle::Scan).done);
    doc.scanLines.push_back(std::make_unique<ScanLine>());
    doc.settings.displayFlags |= kDispScan;
    ToggleResult r = ToggleDisplay(doc, vs, DisplayToggle::Scan);
    EXPECT_TRUE(r.done && r.forgetSnapMarker && r.refreshParameterPane);
    EXPECT_FALSE(ToggleChecked(doc, DisplayToggle::Scan));
    uint32_t before = doc.settings.displayFlags;
    ToggleDisplay(doc, vs, DisplayToggle::Shared);
    EXPECT_EQ(doc.settings.displayFlags, before ^ kDispShared);
    SwapScreens(vs, tool);
    EXPECT_FALSE(ToggleDisplay(doc, vs, DisplayToggle::Shared).done);
    EXPECT_EQ(doc.settings.displayFlags, before ^ kDispShared);
    EXPECT_EQ(DisplayToggles()[3].command, 32808);
}

TEST_F(ScreensTest, HiddenDisplayHidesBackgroundPictures) {
    doc.pictures.push_back(std::make_unique<TPIC>());
    doc.settings.displayFlags &= ~kDispHidden;
    ToggleDisplay(doc, vs, DisplayToggle::Hidden);
    EXPECT_TRUE(doc.pictures[0]->word & kFlagHidden);
    ToggleDisplay(doc, vs, DisplayToggle::Hidden);
    EXPECT_FALSE(doc.pictures[0]->word & kFlagHidden);
}

TEST_F(ScreensTest, FitFrontViewOverTheCurrentPage) {
    float s = vs.view.s;
    EXPECT_FALSE(FitFrontView(doc, vs.view));  // nothing visible
    EXPECT_EQ(vs.view.s, s);
    giveContent(doc.design.firstPart(), 0);
    Part& far = addPart(1);
    giveContent(far, 40000);
    ASSERT_TRUE(FitFrontView(doc, vs.view));
    PixelPoint c = vs.view.toWindow({500, 250});
    EXPECT_LE(std::abs(c.x - 500), 1);
    EXPECT_LE(std::abs(c.y - 350), 1);
    ASSERT_TRUE(FitAllPages(doc, vs.view));
    c = vs.view.toWindow({20500, 250});
    EXPECT_LE(std::abs(c.x - 500), 1);
}

TEST_F(ScreensTest, ColourLinesListFirstSeenColoursAndShowOrHideThem) {
    Part& p = doc.design.firstPart();
    for (uint32_t c : {5u, 7u, 5u, 9u}) {
        auto l = std::make_unique<Line>();
        l->colour = c;
        if (c == 7) l->flags = kFlagHidden;
        p.linesB.push_back(std::move(l));
    }
    for (uint32_t c = 100; c < 110; ++c) {
        auto l = std::make_unique<Line>();
        l->colour = c;
        addPart(0).linesA.push_back(std::move(l));
    }
    std::vector<ColourLineRow> rows = ColourLineRows(doc.design);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0].colour, 5u);
    EXPECT_EQ(rows[1].colour, 7u);
    EXPECT_FALSE(rows[1].checked);
    EXPECT_EQ(rows[2].colour, 9u);
    EXPECT_EQ(rows[3].colour, 100u);
    EXPECT_TRUE(ShowLinesOfColour(doc.design, 5, false));
    EXPECT_TRUE(p.linesB[0]->flags & kFlagHidden);
    EXPECT_TRUE(p.linesB[2]->flags & kFlagHidden);
    EXPECT_FALSE(ShowLinesOfColour(doc.design, 5, false));  // nothing changed: no redraw
    EXPECT_TRUE(ShowLinesOfColour(doc.design, 7, true));
    EXPECT_FALSE(p.linesB[1]->flags & kFlagHidden);
}

TEST_F(ScreensTest, ColourDialogRestoresDefaultsAndStoresOnAccept) {
    EXPECT_EQ(doc.settings.colours, DefaultDrawingColours());
    EXPECT_EQ(doc.settings.colours[kColHighlight], 0xA000A0u);
    EXPECT_EQ(doc.settings.colours[kColFrontSym], 0x966464u);
    EXPECT_EQ(doc.settings.colours[kColMargin], 0x505068u);
    EXPECT_STREQ(ColourLabels()[kColBlendZone], "接顺区");
    doc.settings.colours[kColHighlight] = 0x123456;
    vs.commonColours[3] = 0x1;
    ColourDialogData dlg(doc.settings, vs.commonColours);
    EXPECT_EQ(dlg.colours[kColHighlight], 0x123456u);
    dlg.colours[kColAuxLine] = 0x777777;
    dlg.restore();
    EXPECT_EQ(dlg.colours[kColHighlight], 0xA000A0u);
    EXPECT_EQ(dlg.colours[kColAuxLine], 0x404040u);
    EXPECT_EQ(dlg.common[3], 0x00FFFFu);
    EXPECT_EQ(doc.settings.colours[kColHighlight], 0x123456u);  // not before 确认
    EXPECT_TRUE(dlg.accept(doc.settings, vs.commonColours));
    EXPECT_EQ(doc.settings.colours[kColHighlight], 0xA000A0u);
    EXPECT_EQ(vs.commonColours, DefaultCommonColours());
    EXPECT_FALSE(ColourDialogData(doc.settings, vs.commonColours).accept(doc.settings, vs.commonColours));
}

}  // namespace
}  // namespace rz
