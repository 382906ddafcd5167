// 退一步 and 进一步: traced points, the ring's edge cases, tones, enabled states, and the
// soundness of the design and of everything outside it after every step.
#include <unistd.h>

#include <filesystem>

#include "commands/edit_tools.h"
#include "draw_fixture.h"
#include "geom/polyline.h"
#include "model/afterload.h"
#include "rich_design.h"

namespace rz::test {
namespace {

using T = std::vector<int>;

struct UndoTest : DrawTest {
    int pinsOf(int part) { return int(doc.design.parts[size_t(part)]->pins.size()); }
    bool undo() { return UndoStep(*eng, tools); }
    bool redo() { return RedoStep(*eng, tools); }
    void addPin(float x, float y) {
        command(32867);
        click(x, y);
    }
};

TEST_F(UndoTest, TakesBackTracedPointsWithoutTouchingTheDesign) {
    squarePart(1000, 1000, 4000);
    int stored = doc.undo.stored();
    command(kCurveCommand);
    click(1500, 1500);
    click(2500, 1500);
    click(3500, 2500);
    EXPECT_TRUE(CanUndoStep(*eng));
    takeTones();
    EXPECT_TRUE(undo());
    EXPECT_TRUE(undo());
    EXPECT_FALSE(undo());
    EXPECT_EQ(takeTones(), (T{kToneBack, kToneBack, kToneRefused}));
    ASSERT_EQ(eng->traced.size(), 1u);
    EXPECT_EQ(eng->traced[0].pt(), (PointF{1500, 1500}));
    EXPECT_EQ(doc.design.parts.size(), 2u);
    EXPECT_EQ(doc.undo.stored(), stored);
    // 进一步 with points pending does nothing, silently.
    EXPECT_FALSE(redo());
    EXPECT_TRUE(takeTones().empty());
}

TEST_F(UndoTest, AReopenedLineThatIsDroppedComesBackWithOneStep) {
    Part& p = squarePart(1000, 1000, 4000);
    command(32865);
    click(1500, 1500);
    click(2500, 1500);
    rightClick(2500, 1500);
    ASSERT_EQ(p.linesB.size(), 1u);
    rightClick(2000, 2000, kMkAlt);  // reopened
    key(key::Escape);
    key(key::Escape);  // and dropped
    EXPECT_TRUE(p.linesB.empty());
    EXPECT_TRUE(undo());
    ASSERT_EQ(doc.design.parts.size(), 2u);
    EXPECT_EQ(doc.design.parts[1]->linesB.size(), 1u);
    EXPECT_TRUE(undo());
    EXPECT_TRUE(doc.design.parts[1]->linesB.empty()) << "the state before the line was traced";
}

TEST_F(UndoTest, RefusedWhileAStepIsInProgress) {
    squarePart(1000, 1000, 4000);
    addPin(2000, 2000);
    ASSERT_TRUE(undo());
    command(34072);
    click(6000, 5000);
    ASSERT_EQ(eng->step(), 1);
    takeTones();
    EXPECT_FALSE(undo());
    EXPECT_FALSE(redo());
    EXPECT_EQ(takeTones(), (T{kToneRefused, kToneRefused}));
    EXPECT_EQ(pinsOf(1), 0);
}

TEST_F(UndoTest, RefusedWhileAnOutlineIsDragged) {
    // The drag holds the records it picked up; the design they live in must stay.
    InstallEditTools(*eng);
    squarePart(1000, 1000, 4000);
    addPin(2000, 2000);
    addPin(3000, 3000);
    ASSERT_TRUE(undo());
    command(32862);
    click(2000, 2000);
    ASSERT_EQ(eng->capture(), Engine::CaptureKind::Drag);
    takeTones();
    EXPECT_FALSE(undo());
    EXPECT_FALSE(redo());
    EXPECT_EQ(takeTones(), (T{kToneRefused, kToneRefused}));
    // The copy still drops where the pointer is.
    click(2500, 4000);
    ASSERT_EQ(pinsOf(1), 2);
    EXPECT_NEAR(doc.design.parts[1]->pins[1]->x, 2500, 1);
    EXPECT_NEAR(doc.design.parts[1]->pins[1]->y, 4000, 1);
}

TEST_F(UndoTest, UndoAndRedoRestoreTheDesignAndPlayTheirTones) {
    Part& p = squarePart(1000, 1000, 4000);
    (void)p;
    addPin(2000, 2000);
    addPin(3000, 3000);
    EXPECT_EQ(pinsOf(1), 2);
    EXPECT_FALSE(CanRedoStep(*eng));
    takeTones();
    EXPECT_TRUE(undo());
    EXPECT_EQ(pinsOf(1), 1);
    EXPECT_TRUE(undo());
    EXPECT_EQ(pinsOf(1), 0);
    EXPECT_FALSE(undo()) << "the first snapshot is the oldest";
    EXPECT_EQ(doc.design.parts.size(), 2u);
    EXPECT_TRUE(CanRedoStep(*eng));
    EXPECT_TRUE(redo());
    EXPECT_EQ(pinsOf(1), 1);
    EXPECT_EQ(takeTones(), (T{kToneBack, kToneBack, kToneRefused, kToneAccepted}));
    // A new change drops the redo branch.
    addPin(4000, 4000);
    EXPECT_FALSE(CanRedoStep(*eng));
    takeTones();
    EXPECT_FALSE(redo());
    EXPECT_EQ(takeTones(), (T{kToneRefused}));
    EXPECT_EQ(pinsOf(1), 2);
}

TEST_F(UndoTest, AFullRingKeepsThirtyStepsBack) {
    squarePart(1000, 1000, 4000);  // snapshot 1
    for (int i = 0; i < 30; ++i) addPin(1100.0f + 100.0f * float(i), 2000.0f);  // 31 stored
    EXPECT_EQ(doc.undo.stored(), 31);
    int steps = 0;
    while (undo()) ++steps;
    EXPECT_EQ(steps, 30);
    EXPECT_EQ(pinsOf(1), 0);
    while (redo()) {}
    addPin(1100.0f, 4000.0f);  // the 32nd change drops the oldest snapshot
    steps = 0;
    while (undo()) ++steps;
    EXPECT_EQ(steps, 30);
    EXPECT_EQ(pinsOf(1), 1) << "back only to the state after the first pin";
}

TEST_F(UndoTest, AfterTheRingWasFullResetKeepsNoDroppedSnapshot) {
    squarePart(1000, 1000, 4000);
    for (int i = 0; i < 31; ++i) addPin(1100.0f + 100.0f * float(i), 2000.0f);
    // Undo to the oldest kept state and redo back: every snapshot is whole.
    int steps = 0;
    while (undo()) {
        ++steps;
        ASSERT_TRUE(AllReferencesInside(doc.design));
    }
    EXPECT_EQ(steps, 30);
    EXPECT_EQ(pinsOf(1), 1);
    while (redo()) {}
    EXPECT_EQ(pinsOf(1), 31);
    doc.ResetUndo();
    EXPECT_EQ(doc.undo.stored(), 0);
    addPin(1100.0f, 4000.0f);
    EXPECT_EQ(doc.undo.stored(), 1);
    EXPECT_FALSE(undo());
    EXPECT_EQ(pinsOf(1), 32);
}

TEST_F(UndoTest, FirstChangeAfterClearCannotBeUndone) {
    squarePart(1000, 1000, 4000);
    addPin(2000, 2000);
    ASSERT_TRUE(doc.ClearDesignCommand());
    DesignReplaced(*eng, tools);
    EXPECT_FALSE(CanUndoStep(*eng));
    squarePart(1000, 1000, 4000);
    takeTones();
    EXPECT_FALSE(undo());
    EXPECT_EQ(takeTones(), (T{kToneRefused}));
    EXPECT_EQ(doc.design.parts.size(), 2u);
}

TEST_F(UndoTest, AfterLoadingOneChangeUndoesToTheLoadedStateWithModifiedZero) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("rozedoz-undo-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string file = (dir / "t.XIE").string();
    squarePart(1000, 1000, 4000);
    ASSERT_TRUE(doc.SaveAs(file).ok());
    ASSERT_TRUE(doc.OpenPattern(file).ok());
    DesignReplaced(*eng, tools);
    EXPECT_EQ(doc.design.modified, 0);
    EXPECT_FALSE(CanUndoStep(*eng));
    // A file whose first part is empty opens on the piece page; the part is on page 0.
    EXPECT_EQ(doc.currentPage(), 3);
    doc.setCurrentPage(0);
    addPin(2000, 2000);
    EXPECT_EQ(doc.design.modified, 1);
    ASSERT_TRUE(undo());
    EXPECT_EQ(doc.design.modified, 0);
    EXPECT_EQ(pinsOf(1), 0);
    ASSERT_TRUE(redo());
    EXPECT_EQ(doc.design.modified, 1);
    EXPECT_EQ(pinsOf(1), 1);
    fs::remove_all(dir);
}

TEST_F(UndoTest, AnUndoneDesignIsIndependentOfItsSnapshotIncludingNotes) {
    doc.design.notes.push_back({7, "first", 1, 2});
    squarePart(1000, 1000, 4000);
    doc.design.notes[0].text = "second";
    addPin(2000, 2000);
    ASSERT_TRUE(undo());
    ASSERT_EQ(doc.design.notes.size(), 1u);
    EXPECT_EQ(doc.design.notes[0].text, "first");
    // Editing the undone design does not reach the snapshot it came from.
    doc.design.notes[0].text = "scribbled";
    doc.design.parts[1]->linesA[0]->nodes[0].x = -1;
    ASSERT_TRUE(redo());
    ASSERT_TRUE(undo());
    EXPECT_EQ(doc.design.notes[0].text, "first");
    EXPECT_EQ(doc.design.parts[1]->linesA[0]->nodes[0].x, 1000.0f);
}

TEST_F(UndoTest, EveryReferenceStaysInsideTheDesignAfterEveryStep) {
    BuildRichDesign(doc.design);
    RunAfterLoadSteps(doc.design, doc.smooth);
    doc.PushUndo();
    ASSERT_TRUE(AllReferencesInside(doc.design));
    // Changes that remove referenced records: reopen lines B of every part that has one.
    int changes = 0;
    command(kCurveCommand);
    for (size_t i = 0; i < doc.design.parts.size() && changes < 6; ++i) {
        Part& p = *doc.design.parts[i];
        if (p.linesB.empty() || p.outline.size() < 3) continue;
        doc.setCurrentPage(p.page());
        PointF in = PolyCentroid(p.outline);
        if (PartAt(doc.design, doc.currentPage(), in, false) != &p) continue;
        eng->model = in;
        trace().TakeBack(*eng, in);
        ASSERT_TRUE(AllReferencesInside(doc.design));
        key(key::Escape);
        key(key::Escape);
        ++changes;
    }
    EXPECT_GT(changes, 0);
    for (int i = 0; i < 10; ++i) {
        undo();
        ASSERT_TRUE(AllReferencesInside(doc.design)) << "after undo " << i;
    }
    for (int i = 0; i < 10; ++i) {
        redo();
        ASSERT_TRUE(AllReferencesInside(doc.design)) << "after redo " << i;
    }
}

TEST_F(UndoTest, UndoForgetsEverythingThatPointedIntoTheOldDesign) {
    Part& p = squarePart(1000, 1000, 4000);
    addPin(2000, 2000);
    int replaced = 0;
    doc.onDesignReplaced = [&] { ++replaced; };
    eng->pick.kind = kKindPin;
    eng->pick.record = p.pins[0].get();
    eng->pick.part = &p;
    eng->highlighted = eng->pick;
    ASSERT_TRUE(undo());
    EXPECT_EQ(eng->pick.record, nullptr);
    EXPECT_EQ(eng->pick.part, nullptr);
    EXPECT_FALSE(eng->highlighted.has_value());
    EXPECT_EQ(replaced, 1);
    EXPECT_FALSE((eng->tracingPart != nullptr));
}

}  // namespace
}  // namespace rz::test
