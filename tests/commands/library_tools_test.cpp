// The motif-library commands on small designs: 图案保存 with its point input, moving on to a
// free cell, the 曲线库 popup and its three items, PlaceCell, the motif-area popup, and the cell
// sizes that new pins and size labels take.
#include <cmath>

#include "commands/library_tools.h"
#include "model/gbk.h"
#include "edit_fixture.h"
#include "rich_library.h"

namespace rz::test {

struct LibraryFixture : EditFixture {
    Strip strip{doc};
    LibraryTools* lib = nullptr;
    bool ctrl = false;
    std::deque<std::string> typed;  // answers of "请输入字串"
    int stripChanges = 0;

    void SetUp() override {
        EditFixture::SetUp();
        MakeBuiltInLibrary(doc.library, BoxTextLayout());
        LibraryServices sv;
        sv.popup = scriptedPopup();
        sv.askText = [this](std::string& gbk) {
            if (typed.empty()) return false;
            gbk = Utf8ToGbk(typed.front());
            typed.pop_front();
            return true;
        };
        sv.ctrlHeld = [this] { return ctrl; };
        sv.stripChanged = [this] { ++stripChanges; };
        lib = &InstallLibraryTools(*eng, strip, tools, std::move(sv));
    }
    MotifCell& cell(int i) { return doc.library.cells[size_t(i)]; }
    Line& selectedLine(Part& p, std::vector<PointF> pts) {
        Line& l = lineB(p, std::move(pts));
        l.flags |= kFlagSelected;
        return l;
    }
};

TEST_F(LibraryFixture, SaveMotifTurnsTheShapeByTheDirectionOfTwoPoints) {
    Part& p = square(0, 0, 5000);
    selectedLine(p, {{1000, 1000}, {1000, 3000}});
    doc.library.currentCell = 0;
    strip.view = StripView::Piece;
    lib->SaveMotif();
    // Off the ellipse cell to the first free cell, in the motif view, asking for the points.
    EXPECT_EQ(doc.library.currentCell, 7);
    EXPECT_EQ(strip.view, StripView::Motif);
    EXPECT_EQ(platform.prompts.back(), kPromptSaveMotif);
    EXPECT_TRUE(lib->enteringPoints());
    click(1000, 1000);
    click(1000, 2000);  // straight up: 90°
    rightClick(4000, 4000);
    EXPECT_FALSE(lib->enteringPoints());
    const MotifCell& c = cell(7);
    ASSERT_EQ(c.motifs.size(), 1u);
    const Polyline& pl = c.motifs[0]->shape.at(0);
    // Turned by −90° about the first point, which is the origin now: along +x.
    EXPECT_NEAR(pl.front().x, 0.0f, 1e-2f);
    EXPECT_NEAR(pl.front().y, 0.0f, 1e-2f);
    EXPECT_NEAR(pl.back().x, 2000.0f, 1e-2f);
    EXPECT_NEAR(pl.back().y, 0.0f, 1e-2f);
    EXPECT_NEAR(c.useW, 2000.0f, 1e-2f);
    EXPECT_NEAR(c.motifs[0]->x, 1000.0f, 1e-2f);  // the centre of the content
    EXPECT_EQ(c.motifs[0]->flags & kFlagToolMask, 1u);
    EXPECT_EQ(snapshots(), 0u);  // the library is not the design

    // Three points: the third, mapped the same way, is the anchor. Overwriting asks first.
    platform.answers = {false};
    lib->SaveMotif();
    EXPECT_FALSE(lib->enteringPoints());
    EXPECT_EQ(platform.questions.back(), kAskOverwrite);
    lib->SaveMotif();
    click(1000, 1000);
    click(1000, 2000);
    click(500, 1500);
    EXPECT_FALSE(lib->enteringPoints());
    EXPECT_NEAR(cell(7).motifs[0]->x, 500.0f, 1e-2f);
    EXPECT_NEAR(cell(7).motifs[0]->y, 500.0f, 1e-2f);
    // No points: the box's corner is the origin. ESC gives up and leaves the cell.
    lib->SaveMotif();
    rightClick(0, 0);
    RectF box;
    ASSERT_TRUE(CellContentBox(cell(7), box));
    EXPECT_NEAR(box.minY, 0.0f, 1e-3f);
    EXPECT_NEAR(box.maxY, 2000.0f, 1e-2f);
    EXPECT_NEAR(cell(7).motifs[0]->y, 1000.0f, 1e-2f);
    lib->SaveMotif();
    click(100, 100);
    key(key::Escape);
    EXPECT_FALSE(lib->enteringPoints());
    EXPECT_NEAR(cell(7).motifs[0]->y, 1000.0f, 1e-2f);
    // Nothing selected: refused.
    p.linesB.back()->flags &= ~kFlagSelected;
    platform.tones.clear();
    lib->SaveMotif();
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    EXPECT_FALSE(lib->enteringPoints());
}

TEST_F(LibraryFixture, ProtectedCellsMoveOnAndAFullLibraryStops) {
    Part& p = square(0, 0, 5000);
    Line& l = selectedLine(p, {{1000, 1000}, {3000, 1000}});
    for (int i = 7; i < kCellCount; ++i) cell(i).texts.push_back(std::make_unique<TextString>());
    // 图案保存 from the size-label cell with no free cell: nothing at all.
    doc.library.currentCell = 6;
    lib->SaveMotif();
    EXPECT_FALSE(lib->enteringPoints());
    EXPECT_TRUE(cell(6).empty());
    // 曲线保存 from the size-label cell moves on too (the size-label cell is never written over).
    cell(30).clear();
    lib->runPopupItem(kCmdSaveCurve, {&l, &p});
    EXPECT_EQ(doc.library.currentCell, 30);
    EXPECT_TRUE(cell(6).empty());
    EXPECT_EQ(cell(30).kind(), kCellKindCurves);
    // From cell 3 with none free: nothing.
    doc.library.currentCell = 3;
    const size_t motifs = cell(3).motifs.size();
    lib->runPopupItem(kCmdSavePart, {nullptr, &p});
    EXPECT_EQ(doc.library.currentCell, 3);
    EXPECT_EQ(cell(3).motifs.size(), motifs);
    EXPECT_EQ(cell(3).kind(), kCellKindMotifs);
}

TEST_F(LibraryFixture, CurveLibraryPopupOffersWhatWasPickedAndSavesCopies) {
    command(34155);
    ASSERT_EQ(eng->mode(), mode::CurveLibrary);
    Part& p = square(0, 0, 5000);
    auto bp = std::make_unique<BasePoint>();
    p.basePoints.push_back(std::move(bp));
    Line& l = lineB(p, {{1000, 1000}, {2000, 2000}, {3000, 1000}});
    l.basePoint = p.basePoints[0].get();
    auto pin = std::make_unique<Pin>();
    pin->x = pin->y = 4000;
    pin->diameter = 100;
    pin->flags = kFlagSelected | 1u;
    p.pins.push_back(std::move(pin));
    // On a line: 曲线保存; 曲线替换 only with a curve cell; on the part: 部位保存; on the first part
    // and on nothing none of them.
    doc.library.currentCell = 12;
    rightClick(2000, 2000);
    EXPECT_EQ(popupTitles.back(), "曲线库");
    EXPECT_EQ(enabled.back(), (std::vector<bool>{true, false, false}));
    rightClick(4500, 2500);
    EXPECT_EQ(enabled.back(), (std::vector<bool>{false, false, true}));
    takeTones();
    rightClick(9000, 6000);
    EXPECT_EQ(takeTones(), (std::vector<int>{kToneRefused}));
    EXPECT_EQ(lib->popupStates({nullptr, &doc.design.firstPart()}), (std::vector<bool>{false, false, false}));

    // 曲线保存 of a line not selected: that line alone, unlinked from the design.
    choices = {0};
    rightClick(2000, 2000);
    MotifCell& c = cell(12);
    ASSERT_EQ(c.kind(), kCellKindCurves);
    ASSERT_EQ(c.linesB.size(), 1u);
    EXPECT_EQ(c.linesB[0]->basePoint, nullptr);
    EXPECT_NEAR(c.contentX, 1000.0f, 1e-3f);
    EXPECT_NEAR(c.useW, c.contentW, 1e-3f);
    EXPECT_TRUE(c.pins.empty());
    // With the line selected: the selected records of the part come along, not selected.
    l.flags |= kFlagSelected;
    choices = {0};
    rightClick(2000, 2000);
    EXPECT_EQ(c.pins.size(), 1u);
    EXPECT_EQ(c.pins[0]->flags & kFlagSelected, 0u);
    EXPECT_FALSE(c.pins[0]->outline.empty());
    // Now a curve cell: 曲线替换 is offered for a line that is not selected.
    l.flags &= ~kFlagSelected;
    rightClick(2000, 2000);
    EXPECT_EQ(enabled.back(), (std::vector<bool>{true, true, false}));
    // 部位保存: lines A into the first list; a part wider than 99.9 mm keeps the use size there.
    lineB(p, {{100, 100}, {12000, 100}});
    choices = {2};
    rightClick(4500, 2500);
    EXPECT_EQ(c.kind(), kCellKindPart);
    EXPECT_EQ(c.linesA.size(), 1u);
    EXPECT_EQ(c.useW, kMaxUseSize);
    EXPECT_EQ(snapshots(), 0u);
}

TEST_F(LibraryFixture, ReplaceCurveMapsTheCellCurveOntoTheLineEnds) {
    MotifCell& c = cell(9);
    auto src = std::make_unique<Line>();
    src->nodes = {{0, 0, 0}, {100, 50, 0}, {200, 0, 0}};
    src->flags = 2u << kLineMethodShift;
    c.linesB.push_back(std::move(src));
    doc.library.currentCell = 9;
    Part& p = square(0, 0, 5000);
    Line& l = lineB(p, {{1000, 1000}, {1300, 1500}, {1000, 3000}});
    lib->runPopupItem(kCmdReplaceCurve, {&l, &p});
    ASSERT_EQ(l.nodes.size(), 3u);
    // Scale 2000 / 200, turned by +90°: (100, 50) → (1000 − 500, 1000 + 1000).
    EXPECT_EQ(l.nodes.front().pt(), (PointF{1000, 1000}));
    EXPECT_EQ(l.nodes.back().pt(), (PointF{1000, 3000}));
    EXPECT_NEAR(l.nodes[1].x, 500.0f, 1e-2f);
    EXPECT_NEAR(l.nodes[1].y, 2000.0f, 1e-2f);
    EXPECT_EQ(l.curveMethod(), 2);
    EXPECT_EQ(snapshots(), 1u);
    // A line whose ends coincide, or a cell curve whose ends do: refused, nothing changes.
    Line& closed = lineB(p, {{2000, 2000}, {2500, 2500}, {2000, 3000}, {2000, 2000}});
    expectRefused([&] { lib->runPopupItem(kCmdReplaceCurve, {&closed, &p}); });
    c.linesB[0]->nodes.back() = c.linesB[0]->nodes.front();
    expectRefused([&] { lib->runPopupItem(kCmdReplaceCurve, {&l, &p}); });
}

TEST_F(LibraryFixture, PlaceCellPutsTheContentCentreOnThePoint) {
    command(34155);
    MotifLibrary rich;
    BuildRichLibrary(rich);
    std::swap(cell(8), rich.cells[8]);    // a saved part
    std::swap(cell(10), rich.cells[10]);  // motifs only
    doc.library.currentCell = 8;
    // In empty space a saved part becomes a new part around the point.
    takeTones();
    click(6000, 3000, kMkShift);
    ASSERT_EQ(doc.design.parts.size(), 2u);
    Part& made = *doc.design.parts.back();
    EXPECT_EQ(made.linesA.size(), 1u);
    EXPECT_EQ(made.linesB.size(), 1u);
    EXPECT_EQ(made.pins.size(), 1u);
    EXPECT_NEAR((made.bbox.minX + made.bbox.maxX) / 2, 6000.0f, 1.0f);
    EXPECT_NEAR((made.bbox.minY + made.bbox.maxY) / 2, 3000.0f, 1.0f);
    EXPECT_EQ(made.linesB[0]->frontSym, nullptr);
    EXPECT_EQ(made.motifs[0]->basePoint, nullptr);
    // The motif keeps its drawn place relative to the rest: its shape is relative again.
    const Motif& m = *made.motifs[0];
    EXPECT_NEAR(m.x + m.shape[0][0].x, 2000.0f + 6000.0f - 2000.0f, 1.0f);
    EXPECT_EQ(takeTones(), (std::vector<int>{kToneAccepted}));
    EXPECT_EQ(snapshots(), 1u);
    EXPECT_TRUE(AllReferencesInside(doc.design));

    // Into a part: everything as lines B etc. with the part's first base point.
    Part& host = square(0, 0, 3000);
    host.basePoints.push_back(std::make_unique<BasePoint>());
    doc.library.currentCell = 10;
    click(1500, 1500, kMkShift);
    ASSERT_EQ(host.motifs.size(), 1u);
    EXPECT_EQ(host.motifs[0]->basePoint, host.basePoints[0].get());
    EXPECT_NEAR(host.motifs[0]->x, 1500.0f, 1e-2f);  // the content's centre, (300, 450) here
    EXPECT_NEAR(host.motifs[0]->y, 1500.0f - 150.0f, 1e-2f);
    // A motif cell in empty space: refused; an empty cell anywhere too. A click on a line: nothing.
    expectRefused([&] { click(9000, 6000, kMkShift); });
    doc.library.currentCell = 15;  // empty
    expectRefused([&] { click(1500, 1500, kMkShift); });
    doc.library.currentCell = 10;
    lineB(host, {{100, 100}, {2900, 100}});
    expectUnchanged([&] { click(1500, 100, kMkShift); });
}

TEST_F(LibraryFixture, MotifAreaPopupKeepsItsRules) {
    // 恢复原尺寸 with Ctrl: every cell, the pin cells and the size-label cell among them.
    for (MotifCell& c : doc.library.cells) c.useW = c.useH = 1234.0f;
    doc.library.currentCell = 15;  // empty
    EXPECT_FALSE(lib->canRestoreUseSize());
    ctrl = true;
    EXPECT_TRUE(lib->canRestoreUseSize());
    lib->RestoreUseSizeCommand();
    for (int i = 0; i < kCellCount; ++i) {
        EXPECT_EQ(cell(i).useW, cell(i).contentW) << i;
        EXPECT_EQ(cell(i).useH, cell(i).contentH) << i;
    }
    EXPECT_EQ(cell(6).useW, 400.0f);
    ctrl = false;
    // 删除此图案: not on the pin cells, the ellipse or the size-label cell.
    for (int i : {0, 6, 20, 26}) {
        doc.library.currentCell = i;
        EXPECT_FALSE(lib->canDeleteCell()) << i;
        lib->DeleteCellCommand();
    }
    EXPECT_EQ(cell(20).pins.size(), 1u);
    EXPECT_EQ(cell(6).useW, 400.0f);
    doc.library.currentCell = 3;
    ASSERT_TRUE(lib->canDeleteCell());
    cell(3).cellWord = 9;
    lib->DeleteCellCommand();
    EXPECT_TRUE(cell(3).empty());
    EXPECT_EQ(cell(3).useW, 0.0f);
    EXPECT_EQ(cell(3).cellWord, 0u);
    // 输入标示字: only on an empty cell that is not protected; the text at the size-label cell's
    // use size, its extent the content and use size.
    doc.library.currentCell = 6;
    EXPECT_FALSE(lib->canLabelCell());
    doc.library.currentCell = 3;
    ASSERT_TRUE(lib->canLabelCell());
    typed = {"前帮"};
    TFont none;  // a font without data gives no strokes: the cell stays empty
    lib->services.font = &none;
    lib->LabelCellCommand();
    EXPECT_TRUE(cell(3).empty());
    EXPECT_TRUE(StoreLabel(cell(3), Utf8ToGbk("前帮"), cell(6).useW, cell(6).useH, BoxTextLayout()));
    EXPECT_EQ(cell(3).kind(), kCellKindMotifs);
    EXPECT_EQ(cell(3).useW, 800.0f);
    EXPECT_EQ(cell(3).useH, 400.0f);
    EXPECT_EQ(cell(3).motifs[0]->x, 0.0f);
}

TEST_F(LibraryFixture, NewPinsLabelsAndMotifsTakeTheCurrentCell) {
    Part& p = square(0, 0, 5000);
    doc.settings.needleDiameter = 77.0f;
    doc.library.currentCell = 21;
    command(32867);  // 定针
    click(1000, 1000);
    ASSERT_EQ(p.pins.size(), 1u);
    EXPECT_EQ(p.pins[0]->diameter, 100.0f);
    doc.library.currentCell = 10;
    click(2000, 1000);
    EXPECT_EQ(p.pins[1]->diameter, 77.0f);
    // 鞋号: the size-label cell's use size.
    cell(6).useW = 600.0f;
    cell(6).useH = 300.0f;
    command(34087);
    click(3000, 3000);
    ASSERT_EQ(p.sizeLabels.size(), 1u);
    EXPECT_EQ(p.sizeLabels[0]->width, 600.0f);
    EXPECT_EQ(p.sizeLabels[0]->height, 300.0f);
    // 图案 places the current cell's shape (the ellipse here) about the click.
    doc.library.currentCell = 0;
    command(32870);
    click(2500, 2500);
    ASSERT_EQ(p.motifs.size(), 1u);
    const Polyline& e = p.motifs[0]->shape.at(0);
    float maxX = -1e9f;
    for (PointF q : e) maxX = std::max(maxX, q.x);
    EXPECT_NEAR(maxX, 100.0f, 1e-2f);  // half the 200 × 200 ellipse
    EXPECT_EQ(p.motifs[0]->x, 2500.0f);
}

}  // namespace rz::test
