#include "design/derived.h"

#include <unordered_set>

#include "commands/draw_common.h"
#include "commands/features.h"
#include "design/pieces.h"
#include "design/rows.h"
#include "design/seam.h"
#include "model/afterload.h"

namespace rz {

namespace {
const TFont* g_font = nullptr;
}

namespace {

// The records of a part that pieces take stretches or members from.
std::unordered_set<const void*> SourcesOf(const Part& p) {
    std::unordered_set<const void*> mine;
    for (const List<Line>* l : {&p.linesA, &p.linesB})
        for (auto& r : *l) mine.insert(r.get());
    for (auto& r : p.seamAllowances) mine.insert(r.get());
    for (auto& r : p.symLineLinks) mine.insert(r.get());
    for (auto& r : p.pins) mine.insert(r.get());
    for (auto& r : p.motifs) mine.insert(r.get());
    for (auto& r : p.pointRows) mine.insert(r.get());
    for (auto& r : p.slotLines) mine.insert(r.get());
    for (auto& r : p.symElemLinks) mine.insert(r.get());
    return mine;
}

bool Uses(const Piece& pc, const std::unordered_set<const void*>& mine) {
    for (const List<PieceLine>* l : {&pc.linesA, &pc.linesB})
        for (auto& pl : *l)
            if (mine.count(pl->source.ptr)) return true;
    for (auto& m : pc.members)
        if (mine.count(m->element.ptr)) return true;
    for (auto& r : pc.pointRows)
        if (mine.count(r->host)) return true;
    return false;
}

}  // namespace

bool PieceUsesPart(const Piece& pc, const Part& p) { return Uses(pc, SourcesOf(p)); }

void RebuildPartAndPieces(Design& d, Part& p, const TFont* font) {
    CompletePart(p);
    for (auto& s : p.seamAllowances) RebuildSeam(*s);
    for (auto& r : p.pointRows) RebuildRow(*r);
    RebuildPartFeatures(p);
    if (d.pieces.empty()) return;
    const auto mine = SourcesOf(p);
    for (auto& pc : d.pieces)
        if (Uses(*pc, mine)) {
            AssemblePiece(d, *pc, font);
            RebuildPieceFeatures(*pc);
        }
}

void InstallDerivedBuilders(const TFont* font) {
    g_font = font;
    featureStyle().font = font;
    auto& h = derivedHooks();
    h.rebuildPart = [](Design& d, Part& p) { RebuildPartAndPieces(d, p, g_font); };
    h.rebuildPiece = [](Design& d, Piece& pc) {
        AssemblePiece(d, pc, g_font);
        RebuildPieceFeatures(pc);
    };
    h.rebuildPieceRefs = h.rebuildPiece;
}

}  // namespace rz
