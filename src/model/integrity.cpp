#include "model/integrity.h"

#include <algorithm>
#include <unordered_map>

namespace rz {
namespace {

using Graveyard = std::vector<std::shared_ptr<void>>;

// Moves the records of `gone` out of the list; they stay alive in the graveyard until every
// reference to them is gone.
template <class T>
int Extract(List<T>& l, const RemovalSet& gone, Graveyard& g) {
    auto it = std::stable_partition(l.begin(), l.end(), [&](const std::unique_ptr<T>& r) {
        return !gone.contains(r.get());
    });
    int n = 0;
    for (auto j = it; j != l.end(); ++j, ++n) g.push_back(std::shared_ptr<T>(j->release()));
    l.erase(it, l.end());
    return n;
}

template <class F>
void ForEachPartList(Part& p, F&& f) {
    f(p.gradedLines);
    f(p.gradedPins);
    f(p.gradedMotifs);
    f(p.linesA);
    f(p.linesB);
    f(p.pins);
    f(p.sizeLabels);
    f(p.notches);
    f(p.motifs);
    f(p.texts);
    f(p.dimensions);
    f(p.basePoints);
    f(p.pointRows);
    f(p.seamAllowances);
    f(p.symLineLinks);
    f(p.slotLines);
    f(p.marks);
    f(p.chamfers);
    f(p.symElemLinks);
    f(p.sharedZones);
    f(p.fixedDistances);
}

template <class F>
void ForEachPieceList(Piece& pc, F&& f) {
    f(pc.linesA);
    f(pc.linesB);
    f(pc.members);
    f(pc.sizeLabels);
    f(pc.notches);
    f(pc.texts);
    f(pc.pointRows);
    f(pc.slotLines);
    f(pc.marks);
    f(pc.chamfers);
}

// References to removed base points go to the nearest owner that stays.
struct MoveBasePoints {
    const std::unordered_map<const BasePoint*, BasePoint*>& heir;
    void operator()(BasePoint*& r) const {
        auto it = heir.find(r);
        if (it != heir.end()) r = it->second;
    }
    void operator()(Line*&) const {}
    void operator()(Pin*&) const {}
    void operator()(Motif*&) const {}
    void operator()(PieceLine*&) const {}
    void operator()(KindRef&) const {}
};

}  // namespace

RemovalReport RemoveRecords(Design& d, const RemovalSet& gone) {
    RemovalReport rep;
    if (gone.records.empty()) return rep;
    Graveyard grave;
    std::unordered_map<const BasePoint*, BasePoint*> heir;
    for (auto& p : d.parts) {
        for (auto& bp : p->basePoints) {
            if (!gone.contains(bp.get())) continue;
            BasePoint* h = bp->owner;
            // An owner chain may loop; it ends at the first owner that stays or at nothing.
            for (int guard = 0; h && gone.contains(h) && guard < 100000; ++guard) h = h->owner;
            if (h && gone.contains(h)) h = nullptr;
            heir[bp.get()] = h;
        }
    }
    for (auto& p : d.parts) ForEachPartList(*p, [&](auto& l) { rep.removed += Extract(l, gone, grave); });
    for (auto& pc : d.pieces)
        ForEachPieceList(*pc, [&](auto& l) { rep.removed += Extract(l, gone, grave); });
    if (!heir.empty()) {
        VisitDesignRefs(d, MoveBasePoints{heir});
        for (auto& p : d.parts)
            for (auto& bp : p->basePoints)
                if (bp->owner == bp.get()) bp->owner = nullptr;
    }
    ClearReferencesTo(d, gone);
    rep.purged = PurgeDangling(d);
    // A piece member only names an element of its piece; without the element it is nothing.
    for (;;) {
        RemovalSet lost;
        for (auto& pc : d.pieces)
            for (auto& m : pc->members)
                if (m->element.ptr == nullptr) lost.records.insert(m.get());
        if (lost.records.empty()) break;
        for (auto& pc : d.pieces) rep.purged += Extract(pc->members, lost, grave);
        ClearReferencesTo(d, lost);
        rep.purged += PurgeDangling(d);
    }
    return rep;
}

RemovalReport RemoveRecord(Design& d, const void* record) {
    RemovalSet s;
    if (record) s.records.insert(record);
    return RemoveRecords(d, s);
}

Part* OwnerPart(Design& d, const void* record) {
    for (auto& p : d.parts) {
        bool found = false;
        ForEachPartList(*p, [&](auto& l) {
            for (auto& r : l)
                if (r.get() == record) found = true;
        });
        if (found) return p.get();
    }
    return nullptr;
}

}  // namespace rz
