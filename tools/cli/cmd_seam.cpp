// rozedoz-cli seam FILE OUT TARGET (MM | POS:MM...), or seam FILE OUT --swap TARGET: seam
// allowances. TARGET is a stretch of a line (a record on a line of the first part, the line's own
// margin elsewhere; + is right of the direction of travel), an allowance (its margins replaced),
// or piece:SLOT:I, the outline line I of a piece (its cutting margin, outward, as 扩边控制).
// Margins in millimetres; POS are fractions of the stretch; 0 removes.
#include <cstdio>

#include "design/derived.h"
#include "design/pieces.h"
#include "design/seam.h"
#include "design_args.h"
#include "geom/polyline.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage = "seam FILE OUT TARGET (MM | POS:MM...) | seam FILE OUT --swap TARGET";

int PieceMargin(TDoc& doc, const std::string& target, float mm, const std::string& out) {
    std::vector<std::string> f = SplitOn(target, ':');
    int slot = 0, index = 0;
    if (f.size() != 3 || !ParseIndex(f[1], slot) || !ParseIndex(f[2], index)) return Usage(kUsage);
    Piece* pc = PieceInSlot(doc.design, slot);
    if (!pc) return Refusal("seam", "slot " + f[1] + " holds no piece");
    std::vector<PieceLine*> order = OutlineOrder(*pc);
    if (size_t(index) >= order.size()) return Refusal("seam", "the piece has no outline line " + f[2]);
    AssemblePiece(doc.design, *pc);
    // Outward: from the outline's winding, which needs a closed outline.
    if (!(pc->flags & kPieceClosed)) return Refusal("seam", "the piece's outline is not closed");
    PieceLine& pl = *order[size_t(index)];
    float sign = PolyIsCounterClockwise(pc->outline) ? 1.0f : -1.0f;
    if (pl.start > pl.end) sign = -sign;
    if (mm == 0.0f && pl.f[0] == 0.0f) return Refusal("seam", "the line has no margin to remove");
    pl.f[0] = sign * std::fabs(mm) * 100.0f;
    AssemblePiece(doc.design, *pc);
    return WriteResult("seam", doc, out);
}

int SeamVerb(const std::vector<std::string>& args) {
    if (args.size() < 4) return Usage(kUsage);
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, args[0], r)) return 1;
    Design& d = doc.design;
    std::string err;
    if (args[2] == "--swap") {
        if (args.size() != 4) return Usage(kUsage);
        auto at = ParseAddress(d, args[3], err, "abs");
        if (!at) return Refusal("seam", err);
        bool ok = at->seam() ? SwapSeam(d, *at->seam(), doc.smooth) : SwapOwnMargin(*at->line(), doc.smooth);
        if (!ok)
            return Refusal("seam", at->seam() ? "only an allowance over a whole line with equal margins changes places"
                                              : "the line has no margin of its own");
        RebuildPartAndPieces(d, *at->part);
        return WriteResult("seam", doc, args[1]);
    }
    // The margins: one number for all, or POS:MM pairs.
    std::vector<std::pair<float, float>> points;
    for (size_t i = 3; i < args.size(); ++i) {
        std::vector<std::string> f = SplitOn(args[i], ':');
        double pos = 0, mm = 0;
        if (f.size() == 1 && args.size() == 4 && ParseDouble(f[0], mm)) {
            points = {{0.0f, float(mm * 100)}, {1.0f, float(mm * 100)}};
        } else if (f.size() == 2 && ParseDouble(f[0], pos) && ParseDouble(f[1], mm)) {
            points.push_back({float(pos), float(mm * 100)});
        } else {
            return Usage(kUsage);
        }
    }
    if (args[2].rfind("piece:", 0) == 0) {
        if (points.size() != 2 || points[0].second != points[1].second || args.size() != 4) return Usage(kUsage);
        return PieceMargin(doc, args[2], points[0].second / 100.0f, args[1]);
    }
    auto at = ParseAddress(d, args[2], err, "abs");
    if (!at) return Refusal("seam", err);
    bool ok;
    if (SeamAllowance* s = at->seam()) {
        if (!at->whole) return Refusal("seam", "an allowance is given new margins over its own stretch");
        ok = ReplaceSeamPoints(d, *at->part, *s, points);
        if (!ok) err = "the allowance cannot take these margins";
    } else {
        float a = std::min(at->start, at->end), b = std::max(at->start, at->end);
        if (at->start > at->end) {
            // Positions along the stretch as given, measured from its start.
            for (auto& p : points) p.first = 1.0f - p.first;
            std::reverse(points.begin(), points.end());
        }
        ok = SetLineAllowance(d, *at->part, *at->line(), a, b, points, doc.smooth);
        if (!ok) err = "the margins must run from position 0 to 1 in order, within a metre; 0 on a line "
                       "without an allowance removes nothing";
    }
    if (!ok) return Refusal("seam", err);
    RebuildPartAndPieces(d, *at->part);
    return WriteResult("seam", doc, args[1]);
}

RegisterVerb reg("seam", std::string(kUsage) + ": seam allowances", SeamVerb);

}  // namespace
}  // namespace rz::cli
