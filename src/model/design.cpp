#include "model/design.h"

#include <cstdio>
#include <ctime>

#include "model/refs.h"

namespace rz {

std::optional<Cat> CategoryOfKind(uint32_t kindWord) {
    switch (kindWord & 0xFFu) {
        case kKindPin: return Cat::Pins;
        case kKindMotif: return Cat::Motifs;
        case kKindPointRow: return Cat::PointRows;
        case kKindSeamAllowance: return Cat::SeamAllowances;
        case kKindSymLineLink: return Cat::SymLineLinks;
        case kKindSlotLine: return Cat::SlotLines;
        case kKindSymElemLink: return Cat::SymElemLinks;
        case kKindLine: return Cat::Lines;
        case kKindPieceLine: return Cat::PieceLines;
        default: return std::nullopt;
    }
}

uint32_t PageLabelColour(int page) {
    switch (page) {
        case 0: return 0x984000u;
        case 1: return 0x008080u;
        case 2: return 0xA8A8A8u;
        default: return 0x989898u;
    }
}

bool Part::isEmpty() const {
    return linesA.empty() && linesB.empty() && pins.empty() && sizeLabels.empty() &&
           notches.empty() && motifs.empty() && texts.empty() && dimensions.empty() &&
           basePoints.empty() && pointRows.empty() && seamAllowances.empty() &&
           symLineLinks.empty() && slotLines.empty() && marks.empty() && chamfers.empty() &&
           symElemLinks.empty();
}

static Line* FindLineOfType(const Part& p, int type) {
    for (auto& l : p.linesA)
        if (l->lineType() == type) return l.get();
    for (auto& l : p.linesB)
        if (l->lineType() == type) return l.get();
    return nullptr;
}

Line* Part::lengthLine() const { return FindLineOfType(*this, 1); }
Line* Part::widthLine() const { return FindLineOfType(*this, 2); }

BasePoint* Part::basePointByIndex(int index) const {
    for (auto& b : basePoints)
        if (b->index == index) return b.get();
    return nullptr;
}

int Part::highestBasePointIndex() const {
    int hi = -1;
    for (auto& b : basePoints) hi = std::max(hi, b->index);
    return hi;
}

void Part::setPage(int page) {
    flags = (flags & ~kPartPageMask) | (uint32_t(page) & kPartPageMask);
    for (auto& s : sizeLabels) s->colour = PageLabelColour(page);
}

void Part::setLineType(Line& line, int type) {
    if (type == 1 || type == 2) {
        auto clear = [&](List<Line>& l) {
            for (auto& o : l)
                if (o.get() != &line && o->lineType() == type) o->flags &= ~kLineTypeMask;
        };
        clear(linesA);
        clear(linesB);
    }
    line.flags = (line.flags & ~kLineTypeMask) | ((uint32_t(type) << kLineTypeShift) & kLineTypeMask);
}

void Part::stampToday() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    year = tm.tm_year + 1900;
    month = tm.tm_mon + 1;
    day = tm.tm_mday;
}

SizeCount ComputeSizeCount(int from, int to, int step, int base) {
    // A step of 0 or less describes no range at all: no sizes, no per-size arrays.
    if (step <= 0) return {};
    const int c = from, a = to, b = step, e = base;
    const int d = (a - c) / b;
    int n = (e < c || e > a || (e - c) % b != 0) ? d + 2 : d + 1;
    if (n <= 0) return {0, 0};
    if (n > 32767) n = 32767;  // N is stored in 16 bits
    int idx;
    if (c >= e) idx = 0;
    else if (e < a) idx = (e - c + b - 1) / b;
    else idx = n - 1;
    if (idx >= n) idx = n - 1;
    return {n, idx};
}

Design::Design() {
    parts.push_back(std::make_unique<Part>());
    parts.front()->stampToday();
}

void Design::clear() {
    modified = 0;
    stepTable.reset();
    outputSelection.reset();
    targets.reset();
    flags &= ~kDesignClearedOnClear;
    baseIndex = 0;
    n = 0;
    if (!(flags & kDesignParamsFromSystem)) baseParams = {};
    lengthAdj = 0;
    girthAdj = 0;
    autoSaveNumber = -1;
    report.clear();
    notes.clear();
    parts.resize(1);
    // The first part keeps its header except for its date and colour; its lists are freed.
    PartHeader keep = *parts.front();
    parts.front() = std::make_unique<Part>();
    static_cast<PartHeader&>(*parts.front()) = keep;
    parts.front()->sharedDie.reset();
    parts.front()->colour = kDefaultPartColour;
    parts.front()->stampToday();
    pieces.clear();
}

// Copies a list into `dst`, overwriting the records `dst` already holds in place, so that a
// copy into a design of a similar shape (an undo slot, the design after undo) hardly allocates.
template <class T>
static void CopyList(const List<T>& src, List<T>& dst, AddressMap* map, Cat c) {
    if (dst.size() > src.size()) dst.resize(src.size());
    dst.reserve(src.size());
    const size_t reuse = dst.size();
    for (size_t i = 0; i < src.size(); ++i) {
        if (i < reuse) *dst[i] = *src[i];
        else dst.push_back(std::make_unique<T>(*src[i]));
        if (map) map->add(c, reinterpret_cast<uintptr_t>(src[i].get()), dst[i].get());
    }
}

template <class T>
static void CopyList(const List<T>& src, List<T>& dst) {
    CopyList(src, dst, nullptr, Cat::Lines);
}

static void CopyPart(const Part& s, Part& t, AddressMap& m) {
    static_cast<PartHeader&>(t) = s;
    CopyList(s.gradedLines, t.gradedLines, &m, Cat::Lines);
    CopyList(s.gradedPins, t.gradedPins, &m, Cat::Pins);
    CopyList(s.gradedMotifs, t.gradedMotifs, &m, Cat::Motifs);
    CopyList(s.linesA, t.linesA, &m, Cat::Lines);
    CopyList(s.linesB, t.linesB, &m, Cat::Lines);
    CopyList(s.pins, t.pins, &m, Cat::Pins);
    CopyList(s.sizeLabels, t.sizeLabels);
    CopyList(s.notches, t.notches);
    CopyList(s.motifs, t.motifs, &m, Cat::Motifs);
    CopyList(s.texts, t.texts);
    CopyList(s.dimensions, t.dimensions);
    CopyList(s.basePoints, t.basePoints, &m, Cat::BasePoints);
    CopyList(s.pointRows, t.pointRows, &m, Cat::PointRows);
    CopyList(s.seamAllowances, t.seamAllowances, &m, Cat::SeamAllowances);
    CopyList(s.symLineLinks, t.symLineLinks, &m, Cat::SymLineLinks);
    CopyList(s.slotLines, t.slotLines, &m, Cat::SlotLines);
    CopyList(s.marks, t.marks);
    CopyList(s.chamfers, t.chamfers);
    CopyList(s.symElemLinks, t.symElemLinks, &m, Cat::SymElemLinks);
    CopyList(s.sharedZones, t.sharedZones);
    CopyList(s.fixedDistances, t.fixedDistances);
}

static void CopyPiece(const Piece& s, Piece& t, AddressMap& m) {
    static_cast<PieceHeader&>(t) = s;
    CopyList(s.linesA, t.linesA, &m, Cat::PieceLines);
    CopyList(s.linesB, t.linesB, &m, Cat::PieceLines);
    CopyList(s.members, t.members);
    CopyList(s.sizeLabels, t.sizeLabels);
    CopyList(s.notches, t.notches);
    CopyList(s.texts, t.texts);
    CopyList(s.pointRows, t.pointRows);
    CopyList(s.slotLines, t.slotLines);
    CopyList(s.marks, t.marks);
    CopyList(s.chamfers, t.chamfers);
}

void Design::copyFrom(const Design& src) {
    if (&src == this) return;
    // Every field is overwritten below; records already here are reused in place.
    static_cast<DesignParams&>(*this) = src;
    AddressMap map;
    // Size the map once from the counts, as the file reader does.
    std::array<size_t, kCatCount> counts{};
    ForEachMappedRecord(const_cast<Design&>(src), true,
                        [&](Cat c, void*) { ++counts[size_t(c)]; });
    for (int c = 0; c < kCatCount; ++c) map.reserve(Cat(c), counts[size_t(c)]);

    parts.resize(src.parts.size());
    for (size_t i = 0; i < src.parts.size(); ++i) {
        if (!parts[i]) parts[i] = std::make_unique<Part>();
        CopyPart(*src.parts[i], *parts[i], map);
    }
    pieces.resize(src.pieces.size());
    for (size_t i = 0; i < src.pieces.size(); ++i) {
        if (!pieces[i]) pieces[i] = std::make_unique<Piece>();
        CopyPiece(*src.pieces[i], *pieces[i], map);
    }
    map.retarget(*this);
}

void Design::resizePerSizeArrays() {
    SizeCount sc = ComputeSizeCount(rangeFrom, rangeTo, step, baseSize);
    baseIndex = sc.baseIndex;
    if (sc.n == n) return;
    n = sc.n;
    for (auto& p : parts) {
        ResizeOptional(p->sharedDie, n);
        for (auto& b : p->basePoints) {
            ResizeOptional(b->targets, n);
            ResizeOptional(b->sharedNotes, n);
        }
        for (auto& f : p->fixedDistances) ResizeOptional(f->perSize, n);
    }
    for (auto& pc : pieces) ResizeOptional(pc->sharedDie, n);
}

bool Design::isBlank() const {
    return parts.size() == 1 && firstPart().isEmpty() && pieces.empty();
}

Stats Design::stats() const {
    Stats s;
    for (auto& p : parts) {
        for (const List<Line>* l : {&p->linesA, &p->linesB}) {
            s.lines += int(l->size());
            for (auto& ln : *l)
                if (ln->eval.empty()) ++s.badLines;
        }
        s.gradedLines += int(p->gradedLines.size());
        s.pins += int(p->pins.size());
        s.motifs += int(p->motifs.size());
        s.basePoints += int(p->basePoints.size());
        s.pointRows += int(p->pointRows.size());
        s.seamAllowances += int(p->seamAllowances.size());
        s.fixedDistances += int(p->fixedDistances.size());
    }
    return s;
}

std::string StatsText(const Stats& s) {
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "线条总数 %d, 级放线条 %d, 坏线条 %d\n定针总数 %d\n图案总数 %d\n基点总数 %d\n"
                  "排点总数 %d\n扩边总数 %d\n定距总数 %d\n",
                  s.lines, s.gradedLines, s.badLines, s.pins, s.motifs, s.basePoints,
                  s.pointRows, s.seamAllowances, s.fixedDistances);
    return buf;
}

bool Design::hasGradedLists() const {
    for (auto& p : parts)
        if (!p->gradedLines.empty() || !p->gradedPins.empty() || !p->gradedMotifs.empty())
            return true;
    return false;
}

void Design::updateGradedFlag() {
    if (hasGradedLists()) flags |= kDesignGraded;
    else flags &= ~kDesignGraded;
}

ClearCategoriesResult ClearGradingCategories(Design& d, const ClearCategories& c) {
    bool freed = false;
    auto drop = [&](auto& opt) {
        if (opt) {
            opt.reset();
            freed = true;
        }
    };
    if (c.targets) {
        drop(d.targets);
        for (auto& p : d.parts)
            for (auto& b : p->basePoints) drop(b->targets);
    }
    if (c.sharedDie) {
        for (auto& p : d.parts) drop(p->sharedDie);
        for (auto& pc : d.pieces) drop(pc->sharedDie);
    }
    if (c.sharedNotes)
        for (auto& p : d.parts)
            for (auto& b : p->basePoints) drop(b->sharedNotes);
    if (c.fixedNotes)
        for (auto& p : d.parts)
            for (auto& f : p->fixedDistances) drop(f->perSize);
    if (c.sharedZones)
        for (auto& p : d.parts) p->sharedZones.clear();
    if (c.fixedDistances)
        for (auto& p : d.parts) p->fixedDistances.clear();
    return {freed, c.sharedZones || c.fixedDistances};
}

void ClearGradingResults(Design& d) {
    for (auto& p : d.parts) {
        // An element hidden while one of its copies was shown in its place comes back with them
        // gone; one the user hid (its copies hidden too) stays hidden. Chains from files are
        // walked no further than the part has copies.
        const size_t most = p->gradedLines.size() + p->gradedPins.size() + p->gradedMotifs.size();
        auto drop = [most](auto& e) {
            size_t k = 0;
            for (auto* c = e->graded; c && k < most; c = c->graded, ++k)
                if (!(c->flags & kFlagHidden)) {
                    e->flags &= ~kFlagHidden;
                    break;
                }
            e->graded = nullptr;
        };
        for (const List<Line>* l : {&p->linesA, &p->linesB})
            for (auto& ln : *l) drop(ln);
        for (auto& pin : p->pins) drop(pin);
        for (auto& m : p->motifs) drop(m);
        p->gradedLines.clear();
        p->gradedPins.clear();
        p->gradedMotifs.clear();
    }
    d.flags &= ~kDesignGraded;
}

bool PartShowsContent(const Part& p, int page) {
    return p.page() == page && !p.hidden() && !p.isEmpty();
}

template <class T>
static bool SelectList(List<T>& l) {
    bool changed = false;
    for (auto& r : l) {
        if (!(r->flags & (kFlagSelected | kFlagHidden))) {
            r->flags |= kFlagSelected;
            changed = true;
        }
    }
    return changed;
}

bool SelectAll(Design& d, int page, SelectWhat what) {
    bool changed = false;
    for (auto& p : d.parts) {
        if (p->page() != page || p->hidden()) continue;
        if (what == SelectWhat::All || what == SelectWhat::Lines) changed |= SelectList(p->linesB);
        if (what == SelectWhat::All || what == SelectWhat::Pins) changed |= SelectList(p->pins);
        if (what == SelectWhat::All || what == SelectWhat::Motifs) changed |= SelectList(p->motifs);
        if (what == SelectWhat::All || what == SelectWhat::Texts) changed |= SelectList(p->texts);
        if (what == SelectWhat::All) changed |= SelectList(p->basePoints);
    }
    return changed;
}

int WrapPage(int page) {
    if (page < 0) return 3;
    if (page > 3) return 0;
    return page;
}

int NextPage(const Design& d, int current) {
    auto hasContent = [&](int page) {
        for (auto& p : d.parts)
            if (PartShowsContent(*p, page)) return true;
        return false;
    };
    current = WrapPage(current);
    for (int i = 1; i <= 3; ++i) {
        int page = (current + i) % 4;
        if (hasContent(page)) return page;
    }
    return hasContent(current) ? current : WrapPage(current + 1);
}

}  // namespace rz
