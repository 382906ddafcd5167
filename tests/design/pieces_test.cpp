// Pieces: 提取 joining picked stretches into a closed outline (checked against GEOS and the
// shoelace area), what the extraction modes make, pieces surviving a save and a read, 指定's
// sub-commands, the piece-area operations, and unsound pieces from files.
#include <cmath>

#include "design/derived.h"
#include "design_fixture.h"
#include "geom/polyline.h"
#include "geos_oracle.h"
#include "model/afterload.h"
#include "model/refs.h"
#include "shapes.h"

namespace rz::test {
namespace {

constexpr int kExtract = 32880, kAssign = 32909;
// 指定's popup items.
constexpr int kAddElement = 6, kRemoveElement = 7, kMarginControl = 13, kFold = 2, kTrim = 1;

struct PieceTest : DesignFixture {
    // Four master lines overhanging a square of side s at (x, y) by 5 mm at every corner.
    void overhangingSquare(float x, float y, float s) {
        master({{x - 500, y}, {x + s + 500, y}});
        master({{x + s, y - 500}, {x + s, y + s + 500}});
        master({{x + s + 500, y + s}, {x - 500, y + s}});
        master({{x, y + s + 500}, {x, y - 500}});
    }
    // Picks the whole line under (x, y): two clicks less than 2 mm apart.
    void pickWhole(float x, float y) {
        click(x, y);
        click(x, y);
    }
    void extractSquare() {
        command(kExtract);
        pickWhole(3000, 1000);
        pickWhole(5000, 3000);
        pickWhole(3000, 5000);
        pickWhole(1000, 3000);
        rightClick(3000, 3000);
    }
};

TEST_F(PieceTest, OverhangingLinesExtractToASquareThatReloadsClosed) {
    overhangingSquare(1000, 1000, 4000);
    // While another size than the base size is shown in its place, 提取 is refused; a design
    // whose sizes were never set up (the default row only) extracts.
    ASSERT_EQ(doc.design.n, 0);
    doc.design.resizePerSizeArrays();
    ASSERT_GT(doc.design.n, 1);
    doc.design.baseIndex = doc.design.baseIndex == 0 ? 1 : 0;
    command(kExtract);
    expectRefused([&] { click(3000, 1000); });
    doc.design.resizePerSizeArrays();  // the base size again
    extractSquare();
    ASSERT_EQ(doc.design.pieces.size(), 1u);
    const Piece& pc = *doc.design.pieces.front();
    EXPECT_EQ(pc.slot, 0);
    EXPECT_TRUE(pc.flags & kPieceClosed);
    EXPECT_EQ(pc.linesA.size(), 4u);
    EXPECT_NEAR(Shoelace(pc.outline), 16e6, 1.0);
    Geos g;
    auto square = g.polygon({{1000, 1000}, {5000, 1000}, {5000, 5000}, {1000, 5000}, {1000, 1000}});
    EXPECT_LT(g.hausdorff(g.line(pc.outline), g.boundary(square)), 0.01);
    EXPECT_EQ(platform.tones.back(), kToneAccepted);
    // A new piece carries a size label at the outline's centre.
    ASSERT_EQ(pc.sizeLabels.size(), 1u);
    EXPECT_NEAR(pc.sizeLabels[0]->x, 3000, 0.5);
    // Saved and read back, the piece is still closed: its stretches are rebuilt from float
    // fractions that miss each other by rounding.
    auto back = reloaded();
    ASSERT_EQ(back->pieces.size(), 1u);
    EXPECT_TRUE(back->pieces[0]->flags & kPieceClosed);
    EXPECT_NEAR(Shoelace(back->pieces[0]->outline), 16e6, 1.0);
    EXPECT_TRUE(AllReferencesInside(*back));
}

TEST_F(PieceTest, WavyLinesMeetingEndToEndMakeAClosedPiece) {
    // Twelve rippled arcs round a circle, each ending where the next begins: lengths summed
    // along them put their far ends a hair past 1 as fractions, which must still be their ends.
    Part& first = doc.design.firstPart();
    std::vector<Stretch> st;
    for (int k = 0; k < 12; ++k) {
        std::vector<PointF> pts;
        for (int i = 0; i < 60; ++i) {
            double a = 2 * M_PI * (k + i / 59.0) / 12;
            double r = 3000 + ((i % 2) ? 6.0 : -6.0) * (i > 0 && i < 59);
            pts.push_back({float(5000 + r * std::cos(a)), float(3500 + r * std::sin(a))});
        }
        Line& l = master(pts);
        st.push_back({{&l, kKindLine}, &first, 0.0f, 1.0f});
    }
    ExtractOptions opt;
    opt.innerLines = false;
    ExtractResult r = ExtractOutline(doc, st, opt);
    ASSERT_TRUE(r.ok);
    for (auto& l : r.piece->linesA) EXPECT_TRUE(PieceLineSound(*l));
    EXPECT_TRUE(r.piece->flags & kPieceClosed);
    auto back = reloaded();
    EXPECT_TRUE(back->pieces[0]->flags & kPieceClosed);
    Geos g;
    EXPECT_NEAR(g.area(g.polygon(r.piece->outline)), Shoelace(r.piece->outline), 1.0);
    EXPECT_NEAR(Shoelace(r.piece->outline), M_PI * 3000.0 * 3000.0, 0.01 * M_PI * 9e6);
}

TEST_F(PieceTest, PickingTwiceTakesTheLineOutAndOpenOutlinesAreRefused) {
    overhangingSquare(1000, 1000, 4000);
    command(kExtract);
    pickWhole(3000, 1000);
    pickWhole(5000, 3000);
    platform.tones.clear();
    pickWhole(5000, 3000);  // the same line again: taken out
    EXPECT_EQ(platform.tones.back(), kToneBack);
    pickWhole(3000, 5000);
    // Three sides do not close: nothing is made and the outline is kept.
    expectRefused([&] { rightClick(3000, 3000); });
    EXPECT_EQ(eng->step(), 1);
    pickWhole(5000, 3000);
    pickWhole(1000, 3000);
    rightClick(3000, 3000);
    EXPECT_EQ(doc.design.pieces.size(), 1u);
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(PieceTest, NoToOverwriteKeepsTheOutlineAndYesReplacesThePiece) {
    overhangingSquare(1000, 1000, 4000);
    Line& inner = master({{2000, 2000}, {4000, 2000}});
    extractSquare();
    ASSERT_EQ(doc.design.pieces.size(), 1u);
    Piece& pc = *doc.design.pieces.front();
    ASSERT_EQ(pc.linesB.size(), 1u);  // the inner line came along (拷贝内线)
    EXPECT_EQ(pc.linesB[0]->source.ptr, &inner);
    // The same outline again, into the slot that holds the piece: No keeps the step.
    pickWhole(3000, 1000);
    pickWhole(5000, 3000);
    pickWhole(3000, 5000);
    pickWhole(1000, 3000);
    platform.answers = {false};
    expectUnchanged([&] { rightClick(3000, 3000); });
    EXPECT_EQ(platform.questions.back(), "覆盖当前分片吗？");
    EXPECT_EQ(eng->step(), 1);
    platform.answers = {true};
    rightClick(3000, 3000);
    EXPECT_EQ(doc.design.pieces.size(), 1u);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_TRUE(pc.flags & kPieceClosed);
    EXPECT_EQ(pc.linesB.size(), 1u);  // replacing the outline keeps the inner lines
}

TEST_F(PieceTest, ExtractionModesMakePartsAndLinesBelowTheSource) {
    overhangingSquare(1000, 1000, 4000);
    size_t parts = doc.design.parts.size();
    doc.settings.extractionMethod = {1, 0};  // 剪齐后生成部位, 仅取外线
    extractSquare();
    ASSERT_EQ(doc.design.parts.size(), parts + 1);
    Part& made = *doc.design.parts.back();
    ASSERT_EQ(made.linesA.size(), 4u);
    EXPECT_EQ(made.linesA[0]->flags & 0xFu, 0xFu);  // 边线 and 原线 both 3
    EXPECT_NEAR(Shoelace(made.outline), 16e6, 1.0);
    EXPECT_NEAR(made.bbox.maxY, 1000 - 1000, 0.5);  // the height and 10 mm below the source
    EXPECT_EQ(made.basePoints.size(), 1u);
    // 取线拷贝: the picked lines, whole and unjoined, as new master lines.
    doc.settings.extractionMethod = {3, 0};
    size_t lines = doc.design.firstPart().linesB.size();
    extractSquare();
    ASSERT_EQ(doc.design.firstPart().linesB.size(), lines + 4);
    EXPECT_NEAR(PolyLength(doc.design.firstPart().linesB.back()->eval), 5000, 0.5);
}

TEST_F(PieceTest, AssignAddsRemovesTrimsFoldsAndGivesMargins) {
    overhangingSquare(1000, 1000, 4000);
    Line& inner = master({{2000, 2000}, {4000, 2000}});
    Line& cross = master({{3000, 1500}, {3000, 4500}});
    doc.settings.extractionMethod = {0, 0};
    extractSquare();
    Piece& pc = *doc.design.pieces.front();
    ASSERT_TRUE(pc.linesB.empty());
    command(kAssign);
    click(3000, 3000);  // the first click shows the piece alone
    EXPECT_EQ(eng->step(), 1);
    EXPECT_FALSE(pc.flags & kFlagHidden);
    // 加入元素: the inner lines as whole piece lines.
    choices = {kAddElement};
    rightClick(3000, 3000);
    EXPECT_EQ(popupTitles.back(), "指定");
    click(2500, 2000);
    click(3000, 4000);
    ASSERT_EQ(pc.linesB.size(), 2u);
    EXPECT_EQ(pc.linesB[0]->source.ptr, &inner);
    // 剪齐线段: the inner line's start is cut where it meets the cross line.
    choices = {kTrim};
    rightClick(3000, 3000);
    click(3000, 3500);  // the cross line
    click(2200, 2000);  // the first half of the inner line
    EXPECT_EQ(pc.linesB[0]->prevSeg, pc.linesB[1].get());
    EXPECT_NEAR(pc.linesB[0]->drawn1.front().x, 3000, 0.5);
    // 后对称控制: a straight outline line becomes the fold line.
    choices = {kFold};
    rightClick(3000, 3000);
    click(3000, 1000);
    int folds = 0;
    for (auto& l : pc.linesA) folds += (l->flags & kPieceLineFoldLine) != 0;
    EXPECT_EQ(folds, 1);
    // 扩边控制 with Shift (搭边, 8 mm): outward whatever the outline's turning, so the cutting
    // outline grows.
    choices = {kMarginControl};
    rightClick(3000, 3000);
    click(3000, 1000, kMkShift);
    Polyline cut = CuttingOutline(pc);
    ASSERT_TRUE(PolyClosed(cut));
    EXPECT_NEAR(Shoelace(cut), 4000.0 * 4800.0, 1.0);
    // The same margin again, or 0 on a line without one, is no edit and takes no undo step.
    expectUnchanged([&] { click(3000, 1000, kMkShift); });
    expectUnchanged([&] { click(5000, 3000, kMkShift | kMkCtrl); });
    // 去除元素: the cross line goes, and with it the trim.
    size_t snaps = snapshots();
    choices = {kRemoveElement};
    rightClick(3000, 3000);
    click(3000, 3500);
    EXPECT_EQ(pc.linesB.size(), 1u);
    EXPECT_EQ(pc.linesB[0]->prevSeg, nullptr);
    EXPECT_GT(snapshots(), snaps);
    // Snapshots never hold what the mode hid; leaving shows everything again.
    for (int i = 0; i < 8 && doc.undo.canUndo(); ++i) doc.undo.undo(doc.design);
    for (auto& p : doc.design.parts) EXPECT_FALSE(p->flags & (1u << 29));
    doc.undo.redo(doc.design);
    eng->designChanged();
    eng->SetMode(0);
    for (auto& p : doc.design.parts) EXPECT_FALSE(p->flags & kFlagHidden);
    (void)cross;
}

TEST_F(PieceTest, MarginControlNeedsAClosedOutline) {
    overhangingSquare(1000, 1000, 4000);
    extractSquare();
    Piece& pc = *doc.design.pieces.front();
    // A line A without a source: the outline is open.
    pc.linesA[1]->source = {};
    AssemblePiece(doc.design, pc);
    ASSERT_FALSE(pc.flags & kPieceClosed);
    command(kAssign);
    click(3000, 3000);
    choices = {kMarginControl};
    rightClick(3000, 3000);
    expectRefused([&] { click(3000, 1000, kMkShift); });
}

TEST_F(PieceTest, PieceAreaCopiesDeletesAndMeasures) {
    overhangingSquare(1000, 1000, 4000);
    extractSquare();
    Design& d = doc.design;
    Piece& first = *d.pieces.front();
    // Pieces in slots 3, 4 and 5: copying 3 puts the copy in 4 and moves the others up.
    first.slot = 3;
    ASSERT_TRUE(CopyPieceToNextSlot(d, 3));
    ASSERT_TRUE(CopyPieceToNextSlot(d, 4));
    ASSERT_TRUE(CopyPieceToNextSlot(d, 3));
    std::vector<int> slots;
    for (auto& p : d.pieces) slots.push_back(p->slot);
    std::sort(slots.begin(), slots.end());
    EXPECT_EQ(slots, (std::vector<int>{3, 4, 5, 6}));
    EXPECT_TRUE(AllReferencesInside(d));
    // A copy's outline links point into the copy.
    Piece* copy = PieceInSlot(d, 4);
    ASSERT_NE(copy, nullptr);
    for (auto& l : copy->linesA) EXPECT_TRUE(l->nextSeg && l->nextSeg != first.linesA[0].get());
    // Nothing may be pushed past the last slot.
    PieceInSlot(d, 6)->slot = 99;
    auto before = WriteXie(d);
    EXPECT_FALSE(CopyPieceToNextSlot(d, 5));
    EXPECT_FALSE(CopyPieceToNextSlot(d, 99));
    EXPECT_EQ(WriteXie(d), before);
    // Without 楦底样 and 楦跖围 there is no change per size step (not a division by zero).
    d.baseParams = {0, 0, 5, 3.5f};
    PieceFigures f = MeasurePiece(d, first);
    EXPECT_NEAR(f.length, 4000, 0.5);
    EXPECT_EQ(f.lengthStep, 0.0f);
    EXPECT_EQ(f.widthStep, 0.0f);
    d.baseParams = {250, 200, 5, 4};
    f = MeasurePiece(d, first);
    EXPECT_NEAR(f.lengthStep, 4000.0 * 5 / 250, 0.01);
    EXPECT_NEAR(f.area, 16e6, 1.0);
    // 生成部位 and 删除此分片.
    size_t parts = d.parts.size();
    ASSERT_NE(PartFromPiece(d, first, doc), nullptr);
    EXPECT_EQ(d.parts.size(), parts + 1);
    EXPECT_NEAR(Shoelace(d.parts.back()->outline), 16e6, 1.0);
    DeletePiece(d, copy);
    EXPECT_EQ(PieceInSlot(d, 4), nullptr);
    EXPECT_TRUE(AllReferencesInside(d));
}

TEST_F(PieceTest, UnsoundPieceLinesLeaveThePieceOpenAndReported) {
    overhangingSquare(1000, 1000, 4000);
    extractSquare();
    Piece& pc = *doc.design.pieces.front();
    pc.linesA[0]->start = std::nanf("");
    pc.linesA[1]->end = 2.0f;
    pc.linesA[2]->source = {};
    PieceReport r = AssemblePiece(doc.design, pc);
    EXPECT_FALSE(r.closed);
    EXPECT_EQ(r.badLines, 3);
    EXPECT_FALSE(pc.flags & kPieceClosed);
    EXPECT_TRUE(CuttingOutline(pc).empty());
    // Such a piece is saved as it is and read back without harm.
    auto back = reloaded();
    ASSERT_EQ(back->pieces.size(), 1u);
    EXPECT_FALSE(back->pieces[0]->flags & kPieceClosed);
    EXPECT_TRUE(std::isnan(back->pieces[0]->linesA[0]->start));
}

}  // namespace
}  // namespace rz::test
