// The one place that knows every reference field of every record kind, the address map
// used to re-target references after a copy or a read, and the services that keep
// references sound when records are removed.
#pragma once

#include <array>
#include <cstdint>
#include <type_traits>
#include <unordered_map>
#include <vector>
#include <unordered_set>

#include "model/design.h"

namespace rz {

// The reference fields of the records that also live outside a design (the cells of the
// motif library hold lines, pins and motifs; the three have the same three references). The
// visitor has overloads for Line*&, Pin*&, Motif*&, BasePoint*&, PieceLine*& and KindRef&.
template <class R, class V>
    requires std::is_same_v<R, Line> || std::is_same_v<R, Pin> || std::is_same_v<R, Motif>
void VisitRecordRefs(R& r, V&& v) {
    v(r.basePoint);
    v(r.frontSym);
    v(r.graded);
}

// Calls v on every reference field of the part's records.
template <class V>
void VisitPartRefs(Part& p, V&& v) {
    auto lines = [&](List<Line>& l) {
        for (auto& r : l) VisitRecordRefs(*r, v);
    };
    auto pins = [&](List<Pin>& l) {
        for (auto& r : l) VisitRecordRefs(*r, v);
    };
    auto motifs = [&](List<Motif>& l) {
        for (auto& r : l) VisitRecordRefs(*r, v);
    };
    lines(p.gradedLines);
    pins(p.gradedPins);
    motifs(p.gradedMotifs);
    lines(p.linesA);
    lines(p.linesB);
    pins(p.pins);
    motifs(p.motifs);
    for (auto& r : p.dimensions) {
        v(r->ref1);
        v(r->ref2);
    }
    for (auto& r : p.basePoints) {
        v(r->frontSym);
        v(r->owner);
    }
    for (auto& r : p.pointRows) v(r->host);
    for (auto& r : p.seamAllowances) v(r->baseLine);
    for (auto& r : p.symLineLinks) {
        v(r->target);
        v(r->master);
    }
    for (auto& r : p.slotLines) {
        v(r->host);
        v(r->pieceLine);
    }
    for (auto& r : p.marks) {
        v(r->host1);
        v(r->host2);
        v(r->pieceLine);
    }
    for (auto& r : p.chamfers) {
        v(r->host1);
        v(r->host2);
    }
    for (auto& r : p.symElemLinks) {
        v(r->element);
        v(r->master);
    }
    for (auto& r : p.sharedZones) {
        v(r->host);
        v(r->basePoint);
    }
    for (auto& r : p.fixedDistances) {
        v(r->first);
        v(r->host);
    }
}

template <class V>
void VisitPieceRefs(Piece& pc, V&& v) {
    auto plines = [&](List<PieceLine>& l) {
        for (auto& r : l) {
            v(r->source);
            v(r->prevSeg);
            v(r->nextSeg);
            v(r->paired);
        }
    };
    plines(pc.linesA);
    plines(pc.linesB);
    for (auto& r : pc.members) {
        v(r->element);
        v(r->pieceLine);
    }
    for (auto& r : pc.pointRows) v(r->host);
    for (auto& r : pc.slotLines) {
        v(r->host);
        v(r->pieceLine);
    }
    for (auto& r : pc.marks) {
        v(r->host1);
        v(r->host2);
        v(r->pieceLine);
    }
    for (auto& r : pc.chamfers) {
        v(r->host1);
        v(r->host2);
    }
}

template <class V>
void VisitDesignRefs(Design& d, V&& v) {
    for (auto& p : d.parts) VisitPartRefs(*p, v);
    for (auto& pc : d.pieces) VisitPieceRefs(*pc, v);
}

// Calls f(Cat, void* record) on every record of a mapped category, in file order.
template <class F>
void ForEachMappedRecord(Design& d, bool withGraded, F&& f) {
    for (auto& p : d.parts) {
        if (withGraded) {
            for (auto& r : p->gradedLines) f(Cat::Lines, static_cast<void*>(r.get()));
            for (auto& r : p->gradedPins) f(Cat::Pins, static_cast<void*>(r.get()));
            for (auto& r : p->gradedMotifs) f(Cat::Motifs, static_cast<void*>(r.get()));
        }
        for (auto& r : p->linesA) f(Cat::Lines, static_cast<void*>(r.get()));
        for (auto& r : p->linesB) f(Cat::Lines, static_cast<void*>(r.get()));
        for (auto& r : p->pins) f(Cat::Pins, static_cast<void*>(r.get()));
        for (auto& r : p->motifs) f(Cat::Motifs, static_cast<void*>(r.get()));
        for (auto& r : p->basePoints) f(Cat::BasePoints, static_cast<void*>(r.get()));
        for (auto& r : p->pointRows) f(Cat::PointRows, static_cast<void*>(r.get()));
        for (auto& r : p->seamAllowances) f(Cat::SeamAllowances, static_cast<void*>(r.get()));
        for (auto& r : p->symLineLinks) f(Cat::SymLineLinks, static_cast<void*>(r.get()));
        for (auto& r : p->slotLines) f(Cat::SlotLines, static_cast<void*>(r.get()));
        for (auto& r : p->symElemLinks) f(Cat::SymElemLinks, static_cast<void*>(r.get()));
    }
    for (auto& pc : d.pieces) {
        for (auto& r : pc->linesA) f(Cat::PieceLines, static_cast<void*>(r.get()));
        for (auto& r : pc->linesB) f(Cat::PieceLines, static_cast<void*>(r.get()));
    }
}

// An open-addressing map from identity to record: the address map enters one pair per copied
// record, so it must not allocate per entry.
class IdentityTable {
public:
    void reserve(size_t n) {
        size_t cap = 16;
        while (cap < n * 2) cap <<= 1;
        if (cap > keys_.size()) rehash(cap);
    }
    // Keeps the first value entered for a key; key 0 is never stored.
    void emplace(uintptr_t key, void* value) {
        if (key == 0) return;
        if ((count_ + 1) * 2 > keys_.size()) rehash(keys_.empty() ? 16 : keys_.size() * 2);
        size_t mask = keys_.size() - 1;
        for (size_t i = hash(key) & mask;; i = (i + 1) & mask) {
            if (keys_[i] == key) return;
            if (keys_[i] == 0) {
                keys_[i] = key;
                values_[i] = value;
                ++count_;
                return;
            }
        }
    }
    void* find(uintptr_t key) const {
        if (key == 0 || keys_.empty()) return nullptr;
        size_t mask = keys_.size() - 1;
        for (size_t i = hash(key) & mask;; i = (i + 1) & mask) {
            if (keys_[i] == key) return values_[i];
            if (keys_[i] == 0) return nullptr;
        }
    }
    size_t size() const { return count_; }

private:
    static size_t hash(uintptr_t k) {
        uint64_t x = uint64_t(k);
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdULL;
        x ^= x >> 33;
        return size_t(x);
    }
    void rehash(size_t cap) {
        std::vector<uintptr_t> k(cap, 0);
        std::vector<void*> v(cap, nullptr);
        k.swap(keys_);
        v.swap(values_);
        count_ = 0;
        for (size_t i = 0; i < k.size(); ++i)
            if (k[i]) emplace(k[i], v[i]);
    }
    std::vector<uintptr_t> keys_;
    std::vector<void*> values_;
    size_t count_ = 0;
};

// Pairs (old identity → new record) per category. Identities are addresses when copying and
// the words stored in a file when reading; the first pair entered for an identity wins.
class AddressMap {
public:
    void add(Cat c, uintptr_t oldId, void* rec) { maps_[size_t(c)].emplace(oldId, rec); }
    void reserve(Cat c, size_t n) { maps_[size_t(c)].reserve(n); }
    void* find(Cat c, uintptr_t oldId) const { return maps_[size_t(c)].find(oldId); }
    // Replaces every reference of the design by its paired record, or null.
    void retarget(Design& d) const;

private:
    std::array<IdentityTable, kCatCount> maps_;
};

template <class T>
struct CatOf;
template <>
struct CatOf<Line> { static constexpr Cat value = Cat::Lines; };
template <>
struct CatOf<Pin> { static constexpr Cat value = Cat::Pins; };
template <>
struct CatOf<Motif> { static constexpr Cat value = Cat::Motifs; };
template <>
struct CatOf<BasePoint> { static constexpr Cat value = Cat::BasePoints; };
template <>
struct CatOf<PieceLine> { static constexpr Cat value = Cat::PieceLines; };

// The visitor that replaces each reference by its paired record of a map, or null; used on
// records outside a design as well (a motif cell read from its file).
struct RetargetRef {
    const AddressMap& map;
    template <class T>
    void operator()(T*& p) const {
        p = static_cast<T*>(map.find(CatOf<T>::value, reinterpret_cast<uintptr_t>(p)));
    }
    void operator()(KindRef& r) const {
        auto c = CategoryOfKind(r.kind);
        r.ptr = c ? map.find(*c, reinterpret_cast<uintptr_t>(r.ptr)) : nullptr;
    }
};

// The visitor that clears every reference (copies that leave their design).
struct ClearRef {
    template <class T>
    void operator()(T*& p) const { p = nullptr; }
    void operator()(KindRef& r) const { r.ptr = nullptr; }
};

// Records of every kind gathered for removal; references to them are cleared or re-targeted.
struct RemovalSet {
    std::unordered_set<const void*> records;
    bool contains(const void* p) const { return p && records.count(p) != 0; }
};

// Clears every reference of the design that points at a record of `gone`.
void ClearReferencesTo(Design& d, const RemovalSet& gone);

// Removes the records that cannot live without a reference they lost (seam allowances
// without a base line, symmetry line links without target or master, slot lines without
// host, marks and chamfers without either host, shared zones without host line), clearing
// every reference to what was removed, until nothing more goes. Returns the number removed.
int PurgeDangling(Design& d, Part* onlyPart = nullptr);

// Deletes a base point: references to it move to its owner (or become null when that would
// make a base point its own owner).
void DeleteBasePoint(Design& d, Part& p, BasePoint* bp);

// Walks every reference; false when one points at a record not in the design.
bool AllReferencesInside(Design& d);

}  // namespace rz
