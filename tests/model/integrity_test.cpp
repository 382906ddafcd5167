// The reference-integrity service: removing any record leaves no reference outside the design.
#include <gtest/gtest.h>

#include "model/integrity.h"
#include "rich_design.h"

namespace rz::test {
namespace {

// Every record of a mapped category, in order.
std::vector<std::pair<Cat, void*>> MappedRecords(Design& d) {
    std::vector<std::pair<Cat, void*>> v;
    ForEachMappedRecord(d, true, [&](Cat c, void* r) { v.push_back({c, r}); });
    return v;
}

TEST(Integrity, RemovingAnyReferencedRecordLeavesEveryReferenceInside) {
    Design src;
    BuildRichDesign(src);
    ASSERT_TRUE(AllReferencesInside(src));
    size_t n = MappedRecords(src).size();
    ASSERT_GT(n, 10u);
    for (size_t i = 0; i < n; ++i) {
        Design d;
        d.copyFrom(src);
        auto recs = MappedRecords(d);
        SCOPED_TRACE(testing::Message() << "record " << i << " of category " << int(recs[i].first));
        RemovalReport r = RemoveRecord(d, recs[i].second);
        EXPECT_EQ(r.removed, 1);
        EXPECT_TRUE(AllReferencesInside(d));
        auto after = MappedRecords(d);
        // Only the record and purged dependants (some of them of unmapped kinds) are gone.
        EXPECT_LE(after.size(), n - 1);
        EXPECT_GE(after.size() + size_t(r.purged), n - 1);
        for (auto& [c, p] : after) EXPECT_NE(p, recs[i].second);
    }
}

TEST(Integrity, DependantsArePurgedInChainsAndOthersKeepNullReferences) {
    Design d;
    Part& p = d.firstPart();
    for (int i = 0; i < 2; ++i) p.linesB.push_back(std::make_unique<Line>());
    Line* a = p.linesB[0].get();
    Line* b = p.linesB[1].get();
    auto sa = std::make_unique<SeamAllowance>();
    sa->baseLine = a;
    SeamAllowance* saPtr = sa.get();
    p.seamAllowances.push_back(std::move(sa));
    auto slot = std::make_unique<SlotLine>();
    slot->host = {saPtr, kKindSeamAllowance};  // goes with the seam allowance
    p.slotLines.push_back(std::move(slot));
    auto chamfer = std::make_unique<Chamfer>();
    chamfer->host1 = {a, kKindLine};
    chamfer->host2 = {b, kKindLine};
    p.chamfers.push_back(std::move(chamfer));
    auto fd = std::make_unique<FixedDistance>();
    fd->host = a;
    p.fixedDistances.push_back(std::move(fd));
    auto zone = std::make_unique<SharedZone>();
    zone->host = a;
    p.sharedZones.push_back(std::move(zone));
    auto pin = std::make_unique<Pin>();
    pin->frontSym = a;
    p.pins.push_back(std::move(pin));
    auto piece = std::make_unique<Piece>();
    auto pl = std::make_unique<PieceLine>();
    pl->source = {saPtr, kKindSeamAllowance};
    PieceLine* plPtr = pl.get();
    piece->linesA.push_back(std::move(pl));
    auto member = std::make_unique<PieceMember>();
    member->element = {p.pins[0].get(), kKindPin};
    piece->members.push_back(std::move(member));
    auto member2 = std::make_unique<PieceMember>();
    member2->element = {plPtr, kKindPieceLine};
    piece->members.push_back(std::move(member2));
    d.pieces.push_back(std::move(piece));

    RemovalReport r = RemoveRecord(d, a);
    EXPECT_EQ(r.removed, 1);
    EXPECT_EQ(r.purged, 4);  // seam allowance, slot line on it, chamfer, shared zone
    EXPECT_EQ(p.linesB.size(), 1u);
    EXPECT_TRUE(p.seamAllowances.empty());
    EXPECT_TRUE(p.slotLines.empty());
    EXPECT_TRUE(p.chamfers.empty());
    EXPECT_TRUE(p.sharedZones.empty());
    ASSERT_EQ(p.fixedDistances.size(), 1u);
    EXPECT_EQ(p.fixedDistances[0]->host, nullptr);
    EXPECT_EQ(p.pins[0]->frontSym, nullptr);
    EXPECT_EQ(d.pieces[0]->linesA[0]->source.ptr, nullptr);
    EXPECT_EQ(d.pieces[0]->members.size(), 2u);
    EXPECT_TRUE(AllReferencesInside(d));

    // Removing the pin empties its piece member, which then goes too.
    r = RemoveRecord(d, p.pins[0].get());
    EXPECT_EQ(r.removed, 1);
    EXPECT_EQ(r.purged, 1);
    ASSERT_EQ(d.pieces[0]->members.size(), 1u);
    EXPECT_EQ(d.pieces[0]->members[0]->element.ptr, plPtr);
    // A record that is not in the design changes nothing.
    Line stray;
    r = RemoveRecord(d, &stray);
    EXPECT_EQ(r.removed, 0);
    EXPECT_EQ(p.linesB.size(), 1u);
}

TEST(Integrity, ReferencesToARemovedBasePointMoveToTheNearestOwnerThatStays) {
    Design d;
    Part& p = d.firstPart();
    for (int i = 0; i < 3; ++i) p.basePoints.push_back(std::make_unique<BasePoint>());
    BasePoint* root = p.basePoints[0].get();
    BasePoint* mid = p.basePoints[1].get();
    BasePoint* leaf = p.basePoints[2].get();
    mid->owner = root;
    leaf->owner = mid;
    p.linesB.push_back(std::make_unique<Line>());
    p.linesB[0]->basePoint = leaf;
    p.pins.push_back(std::make_unique<Pin>());
    p.pins[0]->basePoint = mid;
    RemovalSet gone;
    gone.records = {mid, leaf};
    RemovalReport r = RemoveRecords(d, gone);
    EXPECT_EQ(r.removed, 2);
    ASSERT_EQ(p.basePoints.size(), 1u);
    EXPECT_EQ(p.linesB[0]->basePoint, root);
    EXPECT_EQ(p.pins[0]->basePoint, root);
    // An owner that would own itself becomes none; a cycle of removed owners ends in nothing.
    p.basePoints.push_back(std::make_unique<BasePoint>());
    BasePoint* other = p.basePoints[1].get();
    other->owner = root;
    root->owner = other;
    p.pins[0]->basePoint = root;
    RemoveRecord(d, root);
    EXPECT_EQ(p.pins[0]->basePoint, other);
    EXPECT_EQ(other->owner, nullptr);
    EXPECT_TRUE(AllReferencesInside(d));
}

}  // namespace
}  // namespace rz::test
