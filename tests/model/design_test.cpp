#include <gtest/gtest.h>

#include "model/design.h"
#include "model/refs.h"
#include "model/sample.h"
#include "rich_design.h"

namespace rz {
namespace {

TEST(SizeCount, RangeTable) {
    struct Row {
        int from, to, step, base, n, idx;
    } rows[] = {
        {20, 30, 1, 25, 11, 5},   // on the grid
        {20, 30, 1, 35, 12, 11},  // above the range
        {20, 30, 2, 25, 7, 3},    // off the step grid
        {20, 30, 1, 15, 12, 0},   // below the range
        {20, 30, 1, 20, 11, 0},   // at the start
        {20, 30, 1, 30, 11, 10},  // at the end
        {20, 30, 0, 25, 0, 0},    // a step of 0 describes no range
        {30, 20, 1, 25, 0, 0},    // reversed range: no sizes
        {0, 65535, 1, 5, 32767, 5},  // capped to what 16 bits hold
    };
    for (auto& r : rows) {
        SizeCount sc = ComputeSizeCount(r.from, r.to, r.step, r.base);
        EXPECT_EQ(sc.n, r.n) << r.from << ".." << r.to << "/" << r.step << " base " << r.base;
        EXPECT_EQ(sc.baseIndex, r.idx) << r.from << ".." << r.to << "/" << r.step << " base " << r.base;
        if (sc.n > 0) {
            EXPECT_GE(sc.baseIndex, 0);
            EXPECT_LT(sc.baseIndex, sc.n);
        }
    }
}

TEST(Design, ClearLeavesOneEmptyDatedPart) {
    Design d;
    test::BuildRichDesign(d);
    d.flags |= kDesignParamsFromSystem | kDesignSaveScan;
    d.firstPart().colour = 0x123456;
    d.clear();
    ASSERT_EQ(d.parts.size(), 1u);
    EXPECT_TRUE(d.firstPart().isEmpty());
    EXPECT_TRUE(d.firstPart().gradedLines.empty());
    EXPECT_TRUE(d.pieces.empty());
    EXPECT_EQ(d.firstPart().colour, kDefaultPartColour);
    EXPECT_GT(d.firstPart().year, 2000);
    EXPECT_EQ(d.n, 0);
    EXPECT_EQ(d.autoSaveNumber, -1);
    EXPECT_FALSE(d.targets);
    EXPECT_TRUE(d.notes.empty());
    EXPECT_EQ(d.flags & kDesignClearedOnClear, 0u);
    // Parameters computed from the size system survive a clear.
    EXPECT_NE(d.baseParams[0], 0.0f);
    d.flags &= ~kDesignParamsFromSystem;
    d.clear();
    EXPECT_EQ(d.baseParams[0], 0.0f);
    EXPECT_TRUE(d.isBlank());
}

TEST(Design, CopyRetargetsEveryReferenceIntoTheCopy) {
    Design src;
    test::BuildRichDesign(src);
    Design copy;
    copy.copyFrom(src);
    EXPECT_TRUE(AllReferencesInside(copy));
    EXPECT_TRUE(AllReferencesInside(src));
    // Nothing of the copy points into the source.
    std::unordered_set<const void*> srcRecords;
    ForEachMappedRecord(src, true, [&](Cat, void* r) { srcRecords.insert(r); });
    int refs = 0;
    struct Walk {
        std::unordered_set<const void*>& s;
        int& refs;
        void check(const void* p) {
            if (!p) return;
            ++refs;
            EXPECT_EQ(s.count(p), 0u);
        }
        void operator()(Line*& p) { check(p); }
        void operator()(Pin*& p) { check(p); }
        void operator()(Motif*& p) { check(p); }
        void operator()(BasePoint*& p) { check(p); }
        void operator()(PieceLine*& p) { check(p); }
        void operator()(KindRef& r) { check(r.ptr); }
    };
    VisitDesignRefs(copy, Walk{srcRecords, refs});
    EXPECT_GT(refs, 30);
    // The same structure: a pin's front-symmetry line is the copy of the source's.
    Part& sp = src.firstPart();
    Part& cp = copy.firstPart();
    EXPECT_EQ(cp.pins[2]->frontSym, cp.linesB[0].get());
    EXPECT_EQ(sp.pins[2]->frontSym, sp.linesB[0].get());
    EXPECT_EQ(cp.basePoints[0]->owner, cp.basePoints[0].get());
    EXPECT_EQ(cp.symElemLinks[0]->element.ptr, cp.slotLines[1].get());
    EXPECT_EQ(copy.pieces[0]->linesA[0]->nextSeg, copy.pieces[0]->linesA[0].get());
    EXPECT_EQ(copy.notes, src.notes);
    EXPECT_EQ(copy.report, src.report);
    EXPECT_EQ(copy.n, src.n);
    ASSERT_TRUE(copy.targets);
    EXPECT_EQ(*copy.targets, *src.targets);
}

TEST(Design, CopyNullsReferencesToRecordsOutsideTheDesign) {
    Design src, other;
    BuildSampleDesign(src);
    BuildSampleDesign(other);
    src.firstPart().pins[0]->frontSym = other.firstPart().linesA[0].get();
    src.firstPart().slotLines[0]->host = {other.firstPart().linesB[0].get(), kKindLine};
    src.firstPart().slotLines[0]->host.kind = 77;  // an unknown kind never maps
    Design copy;
    copy.copyFrom(src);
    EXPECT_EQ(copy.firstPart().pins[0]->frontSym, nullptr);
    EXPECT_EQ(copy.firstPart().slotLines[0]->host.ptr, nullptr);
    EXPECT_TRUE(AllReferencesInside(copy));
}

TEST(Design, ResizePerSizeArraysFollowsTheRange) {
    Design d;
    test::BuildRichDesign(d);
    ASSERT_EQ(d.n, 9);
    d.rangeTo = 280;
    d.resizePerSizeArrays();
    EXPECT_EQ(d.n, 13);
    EXPECT_EQ(d.firstPart().sharedDie->size(), 13u);
    EXPECT_EQ(d.firstPart().basePoints[0]->targets->size(), 13u);
    EXPECT_EQ(d.firstPart().basePoints[0]->sharedNotes->size(), 13u);
    EXPECT_EQ(d.parts[1]->fixedDistances[0]->perSize->size(), 13u);
    EXPECT_EQ(d.pieces[0]->sharedDie->size(), 13u);
    // Kept values stay, new ones are zero.
    EXPECT_EQ((*d.firstPart().sharedDie)[0], 3);
    EXPECT_EQ((*d.firstPart().sharedDie)[12], 0);
}

TEST(Design, StatisticsText) {
    Design d;
    test::BuildRichDesign(d);
    for (auto& p : d.parts)
        for (auto& l : p->linesB) l->eval.clear();  // as after a failed evaluation
    Stats s = d.stats();
    EXPECT_EQ(s.lines, 6);
    EXPECT_EQ(s.badLines, 3);
    EXPECT_EQ(s.gradedLines, 1);
    EXPECT_EQ(StatsText(s),
              "线条总数 6, 级放线条 1, 坏线条 3\n定针总数 5\n图案总数 1\n基点总数 3\n排点总数 1\n"
              "扩边总数 1\n定距总数 1\n");
}

TEST(Design, SelectAllTakesOnlyTheChosenListsOfVisibleParts) {
    Design d;
    BuildSampleDesign(d);
    Part& p = d.firstPart();
    p.pins[1]->flags |= kFlagHidden;
    EXPECT_TRUE(SelectAll(d, 0, SelectWhat::Pins));
    EXPECT_FALSE(p.pins[1]->flags & kFlagSelected);
    EXPECT_TRUE(p.pins[0]->flags & kFlagSelected);
    EXPECT_FALSE(p.linesB[0]->flags & kFlagSelected);
    EXPECT_FALSE(SelectAll(d, 0, SelectWhat::Pins));  // nothing left to change
    EXPECT_TRUE(SelectAll(d, 0, SelectWhat::All));
    EXPECT_TRUE(p.linesB[0]->flags & kFlagSelected);
    EXPECT_TRUE(p.basePoints[0]->flags & kFlagSelected);
    EXPECT_FALSE(p.linesA[0]->flags & kFlagSelected);  // boundary lines are never taken
    // A page without visible parts changes nothing.
    d.parts[1]->flags |= kFlagHidden;
    EXPECT_FALSE(SelectAll(d, 1, SelectWhat::All));
    EXPECT_FALSE(SelectAll(d, 3, SelectWhat::All));
}

TEST(Design, PageCycling) {
    Design d;
    EXPECT_EQ(NextPage(d, 0), 1);  // no content anywhere: step on
    EXPECT_EQ(NextPage(d, 3), 0);
    d.firstPart().setPage(2);
    d.firstPart().linesB.push_back(std::make_unique<Line>());
    EXPECT_EQ(NextPage(d, 0), 2);
    EXPECT_EQ(NextPage(d, 2), 2);  // only the current page has content: stay
    d.firstPart().flags |= kFlagHidden;
    EXPECT_EQ(NextPage(d, 2), 3);
    EXPECT_EQ(WrapPage(-1), 3);
    EXPECT_EQ(WrapPage(4), 0);
}

TEST(Part, LineTypeAndPageColour) {
    Design d;
    BuildSampleDesign(d);
    Part& p = d.firstPart();
    ASSERT_EQ(p.lengthLine(), p.linesA[0].get());
    p.setLineType(*p.linesB[0], 1);
    EXPECT_EQ(p.lengthLine(), p.linesB[0].get());
    EXPECT_EQ(p.linesA[0]->lineType(), 0);
    p.setLineType(*p.linesA[0], 2);
    EXPECT_EQ(p.widthLine(), p.linesA[0].get());
    EXPECT_EQ(p.lengthLine(), p.linesB[0].get());
    p.setPage(1);
    EXPECT_EQ(p.sizeLabels[0]->colour, 0x008080u);
    p.setPage(2);
    EXPECT_EQ(p.sizeLabels[0]->colour, 0xA8A8A8u);
    p.basePoints[0]->index = 4;
    EXPECT_EQ(p.basePointByIndex(4), p.basePoints[0].get());
    EXPECT_EQ(p.highestBasePointIndex(), 4);
}

TEST(Design, ClearCategoriesAndGradingResults) {
    Design d;
    test::BuildRichDesign(d);
    ClearCategories none;
    auto r0 = ClearGradingCategories(d, none);
    EXPECT_FALSE(r0.rebuildParameterTable);
    EXPECT_FALSE(r0.redraw);
    ClearCategories c;
    c.targets = true;
    c.sharedDie = true;
    auto r = ClearGradingCategories(d, c);
    EXPECT_TRUE(r.rebuildParameterTable);
    EXPECT_FALSE(d.targets);
    EXPECT_FALSE(d.firstPart().basePoints[0]->targets);
    EXPECT_FALSE(d.firstPart().sharedDie);
    EXPECT_FALSE(d.pieces[0]->sharedDie);
    EXPECT_TRUE(d.firstPart().basePoints[0]->sharedNotes);  // not chosen
    // Clearing again frees nothing: no rebuild.
    EXPECT_FALSE(ClearGradingCategories(d, c).rebuildParameterTable);
    ClearCategories zones;
    zones.sharedZones = true;
    zones.fixedDistances = true;
    auto rz = ClearGradingCategories(d, zones);
    EXPECT_TRUE(rz.redraw);
    EXPECT_TRUE(d.firstPart().sharedZones.empty());
    EXPECT_TRUE(d.parts[1]->fixedDistances.empty());

    ASSERT_TRUE(d.flags & kDesignGraded);
    ClearGradingResults(d);
    EXPECT_FALSE(d.flags & kDesignGraded);
    EXPECT_TRUE(d.firstPart().gradedLines.empty());
    EXPECT_EQ(d.firstPart().linesB[0]->graded, nullptr);
    EXPECT_EQ(d.firstPart().pins[0]->graded, nullptr);
    EXPECT_TRUE(AllReferencesInside(d));
}

TEST(Refs, PurgeCascadesAndClearsEveryReferenceToWhatWasRemoved) {
    Design d;
    test::BuildRichDesign(d);
    Part& p = d.firstPart();
    // The seam allowance loses its base line: it goes, and so does the symmetry line link
    // targeting it, the slot line hosted on that link and the mark hosted on the seam.
    p.seamAllowances[0]->baseLine = nullptr;
    size_t slots = p.slotLines.size(), marks = p.marks.size();
    int removed = PurgeDangling(d);
    EXPECT_EQ(removed, 4);
    EXPECT_TRUE(p.seamAllowances.empty());
    EXPECT_TRUE(p.symLineLinks.empty());
    EXPECT_EQ(p.slotLines.size(), slots - 1);
    EXPECT_EQ(p.marks.size(), marks - 1);
    // The element link that named the removed slot line and the piece line sourced on the
    // seam allowance now point nowhere rather than at freed memory.
    EXPECT_EQ(p.symElemLinks[0]->element.ptr, nullptr);
    EXPECT_EQ(d.pieces[0]->linesB[0]->source.ptr, nullptr);
    EXPECT_TRUE(AllReferencesInside(d));
    EXPECT_EQ(PurgeDangling(d), 0);
}

TEST(Refs, DeletingABasePointMovesReferencesToItsOwner) {
    Design d;
    BuildSampleDesign(d);
    Part& q = *d.parts[1];
    BasePoint* owner = q.basePoints[0].get();
    BasePoint* child = q.basePoints[1].get();
    q.linesB[0]->basePoint = child;
    DeleteBasePoint(d, q, child);
    EXPECT_EQ(q.basePoints.size(), 1u);
    EXPECT_EQ(q.linesB[0]->basePoint, owner);
    // An owner loop: deleting one side leaves no self-owner and nothing dangling.
    auto b = std::make_unique<BasePoint>();
    BasePoint* other = b.get();
    q.basePoints.push_back(std::move(b));
    owner->owner = other;
    other->owner = owner;
    q.linesA[0]->basePoint = owner;
    DeleteBasePoint(d, q, owner);
    ASSERT_EQ(q.basePoints.size(), 1u);
    EXPECT_EQ(q.basePoints[0]->owner, nullptr);
    EXPECT_EQ(q.linesA[0]->basePoint, other);
    // A self-owner deleted: references become null.
    other->owner = other;
    DeleteBasePoint(d, q, other);
    EXPECT_TRUE(q.basePoints.empty());
    EXPECT_EQ(q.linesA[0]->basePoint, nullptr);
    EXPECT_TRUE(AllReferencesInside(d));
}

}  // namespace
}  // namespace rz
