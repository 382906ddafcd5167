#include "model/refs.h"

#include <algorithm>

namespace rz {

namespace {

struct ClearGone {
    const RemovalSet& gone;
    template <class T>
    void operator()(T*& p) const {
        if (gone.contains(p)) p = nullptr;
    }
    void operator()(KindRef& r) const {
        if (gone.contains(r.ptr)) r.ptr = nullptr;
    }
};

// Moves the doomed records out of their lists into `graveyard`, so that their addresses stay
// valid until every reference to them has been cleared.
template <class T, class Pred>
void Collect(List<T>& l, RemovalSet& gone, std::vector<std::shared_ptr<void>>& graveyard,
             int& removed, Pred pred) {
    auto it = std::stable_partition(l.begin(), l.end(),
                                    [&](const std::unique_ptr<T>& r) { return !pred(*r); });
    for (auto j = it; j != l.end(); ++j) {
        gone.records.insert(j->get());
        graveyard.push_back(std::shared_ptr<T>(j->release()));
        ++removed;
    }
    l.erase(it, l.end());
}

}  // namespace

void AddressMap::retarget(Design& d) const { VisitDesignRefs(d, RetargetRef{*this}); }

void ClearReferencesTo(Design& d, const RemovalSet& gone) {
    if (gone.records.empty()) return;
    VisitDesignRefs(d, ClearGone{gone});
}

int PurgeDangling(Design& d, Part* onlyPart) {
    int total = 0;
    for (;;) {
        RemovalSet gone;
        std::vector<std::shared_ptr<void>> graveyard;
        int removed = 0;
        for (auto& p : d.parts) {
            if (onlyPart && p.get() != onlyPart) continue;
            Collect(p->seamAllowances, gone, graveyard, removed,
                    [](const SeamAllowance& r) { return r.baseLine == nullptr; });
            Collect(p->symLineLinks, gone, graveyard, removed, [](const SymLineLink& r) {
                return r.target.ptr == nullptr || r.master == nullptr;
            });
            Collect(p->slotLines, gone, graveyard, removed,
                    [](const SlotLine& r) { return r.host.ptr == nullptr; });
            Collect(p->marks, gone, graveyard, removed, [](const Mark& r) {
                return r.host1.ptr == nullptr || r.host2.ptr == nullptr;
            });
            Collect(p->chamfers, gone, graveyard, removed, [](const Chamfer& r) {
                return r.host1.ptr == nullptr || r.host2.ptr == nullptr;
            });
            Collect(p->sharedZones, gone, graveyard, removed,
                    [](const SharedZone& r) { return r.host == nullptr; });
        }
        if (removed == 0) break;
        // Whatever pointed at a removed record now points nowhere; that may doom more records.
        ClearReferencesTo(d, gone);
        total += removed;
    }
    return total;
}

void DeleteBasePoint(Design& d, Part& p, BasePoint* bp) {
    auto it = std::find_if(p.basePoints.begin(), p.basePoints.end(),
                           [&](const std::unique_ptr<BasePoint>& r) { return r.get() == bp; });
    if (it == p.basePoints.end()) return;
    BasePoint* heir = bp->owner == bp ? nullptr : bp->owner;
    struct Move {
        BasePoint* from;
        BasePoint* to;
        void operator()(BasePoint*& r) const {
            if (r == from) r = to;
        }
        void operator()(Line*&) const {}
        void operator()(Pin*&) const {}
        void operator()(Motif*&) const {}
        void operator()(PieceLine*&) const {}
        void operator()(KindRef&) const {}
    };
    VisitDesignRefs(d, Move{bp, heir});
    // A base point must not end up owning itself.
    for (auto& q : p.basePoints)
        if (q->owner == q.get()) q->owner = nullptr;
    p.basePoints.erase(it);
}

bool AllReferencesInside(Design& d) {
    std::array<std::unordered_set<const void*>, kCatCount> sets;
    ForEachMappedRecord(d, true, [&](Cat c, void* r) { sets[size_t(c)].insert(r); });
    bool ok = true;
    struct Check {
        decltype(sets)& s;
        bool& ok;
        void at(Cat c, const void* p) const {
            if (p && !s[size_t(c)].count(p)) ok = false;
        }
        void operator()(Line*& p) const { at(Cat::Lines, p); }
        void operator()(Pin*& p) const { at(Cat::Pins, p); }
        void operator()(Motif*& p) const { at(Cat::Motifs, p); }
        void operator()(BasePoint*& p) const { at(Cat::BasePoints, p); }
        void operator()(PieceLine*& p) const { at(Cat::PieceLines, p); }
        void operator()(KindRef& r) const {
            if (!r.ptr) return;
            auto c = CategoryOfKind(r.kind);
            if (!c) ok = false;
            else at(*c, r.ptr);
        }
    };
    VisitDesignRefs(d, Check{sets, ok});
    return ok;
}

}  // namespace rz
