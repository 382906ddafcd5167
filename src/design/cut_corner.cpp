#include "design/cut_corner.h"

#include <algorithm>

#include "commands/draw_common.h"
#include "commands/edit_ops.h"
#include "commands/edit_tools.h"
#include "commands/tool_support.h"
#include "design/part_split.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/integrity.h"

namespace rz {

namespace {

std::vector<Node> ToNodes(const Polyline& pl) {
    std::vector<Node> v;
    for (PointF q : pl) v.push_back({q.x, q.y, 0});
    return v;
}

}  // namespace

bool CutCorner(Design& d, Part& part, const std::vector<CornerPick>& picks, PointF corner, const TSmooth& smooth,
               const Line& style) {
    if (picks.empty() || part.linesA.empty()) return false;
    // 1. The stretches, chained; nothing in the design changes yet.
    struct TrimPlan {
        Line* line;
        std::vector<float> at;
        float cut;
    };
    std::vector<TrimPlan> plans;
    Polyline chain;
    std::vector<PointF> junctions;
    for (const auto& pk : picks) {
        if (!pk.line || pk.line->eval.size() < 2) return false;
        if (std::any_of(plans.begin(), plans.end(), [&](const TrimPlan& t) { return t.line == pk.line; })) continue;
        std::vector<float> at;
        for (auto& c : CrossingsOf(pk.line->eval, OthersOf(part, pk.line, true))) at.push_back(c.s);
        float cut = PolyLengthTo(pk.line->eval, pk.at).length;
        auto [a, b] = PieceAround(*pk.line, at, cut);
        float total = PolyLength(pk.line->eval);
        if (a < 0) a += total, b += total;
        Polyline st = PolySub(pk.line->eval, a, b);
        float tol = float(std::max(1, smooth.refitTolerance)) * 100.0f / 10.0f;  // a tenth of the re-fit tolerance
        PolySimplify(st, tol, float(smooth.refitChord) * 100.0f);
        plans.push_back({pk.line, std::move(at), cut});
        if (chain.empty()) {
            chain = std::move(st);
            continue;
        }
        if (PtDist(st.front(), chain.back()) > 0.01f) {
            // Reverse the stretch or turn the chain, whichever brings the ends together.
            float d00 = PtDist(chain.front(), st.front()), d01 = PtDist(chain.front(), st.back());
            float d10 = PtDist(chain.back(), st.front()), d11 = PtDist(chain.back(), st.back());
            float best = std::min({d00, d01, d10, d11});
            if (best == d11) std::reverse(st.begin(), st.end());
            else if (best == d00) std::reverse(chain.begin(), chain.end());
            else if (best == d01) {
                std::reverse(chain.begin(), chain.end());
                std::reverse(st.begin(), st.end());
            }
        }
        junctions.push_back(chain.back());
        size_t from = PtDist(st.front(), chain.back()) <= 0.01f ? 1 : 0;
        chain.insert(chain.end(), st.begin() + long(from), st.end());
    }
    if (chain.size() < 2) return false;
    // 2. Both ends 5 mm further along their end segments.
    if (PtDist(chain[0], chain[1]) < 1e-3f || PtDist(chain.back(), chain[chain.size() - 2]) < 1e-3f) return false;
    chain.front() = ExtendBeyond(chain[0], chain[1], 500.0f);
    chain.back() = ExtendBeyond(chain.back(), chain[chain.size() - 2], 500.0f);
    auto cutNodes = ToNodes(chain);
    // Where two stretches meet the cutting line turns a corner, and so at its ends.
    for (auto& n : cutNodes)
        if (std::any_of(junctions.begin(), junctions.end(), [&](PointF j) { return PtDist(j, n.pt()) <= 0.01f; }))
            n.word |= kNodeBreak;
    cutNodes.front().word |= kNodeBreak;
    cutNodes.back().word |= kNodeBreak;
    // The style of the picked line, drawn as a polyline; nothing of that line's own shape
    // (self-symmetry, fixed length, its type) belongs to the cutting line.
    Line like;
    like.flags = (style.flags & ~(kLineMethodMask | kLineSelfSymmetric | kLineFixedLength | kLineTypeMask)) |
                 (uint32_t(kCurvePolyline) << kLineMethodShift);
    like.valueA = style.valueA, like.valueB = style.valueB;
    like.colour = style.colour, like.margin = style.margin;
    like.basePoint = style.basePoint;
    auto cutLine = LineLike(like, std::move(cutNodes), smooth);

    // 3. The split along the cutting line, and which side holds the corner, before anything
    // changes.
    auto plan = PlanSplit(part, *cutLine);
    if (!plan) return false;
    int cornerLoop = plan->loopWithLineAt(corner);
    if (cornerLoop < 0) return false;

    // 4. Now change the design: the collected lines lose their stretches ...
    RemovalSet gone;
    for (auto& t : plans) {
        TrimResult r = TrimLine(*t.line, t.at, t.cut, smooth);
        if (r.deleteWhole) gone.records.insert(t.line);
        else if (r.after) {
            size_t i = 0;
            if (List<Line>* list = ListOf(part, t.line, &i)) list->insert(list->begin() + long(i + 1), std::move(r.after));
        }
    }
    if (!gone.records.empty()) RemoveRecords(d, gone);
    // ... the part is split with the corner on the new side, which goes with all it holds.
    Line& cut = *cutLine;
    part.linesB.push_back(std::move(cutLine));
    Part& cornerPart = ApplySplit(d, part, cut, *plan, smooth, cornerLoop);
    RemovePartAndRecords(d, &cornerPart);
    CompletePart(part);
    return true;
}

namespace {

struct CutCornerTool : Tool {
    std::vector<CornerPick> picks;
    Part* part = nullptr;
    void releaseData() override { picks.clear(), part = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines | kPickChamfers);
        if (!r) return Refuse(e);
        if (r.kind == kKindChamfer) {
            if (e.step() != 0) return Refuse(e);
            RemoveRecord(e.doc.design, r.record);
            CommitEdit(e, {r.part});
            return true;
        }
        if (r.kind == kKindLineB) {
            if (part && r.part != part) return Refuse(e);
            part = r.part;
            picks.push_back({r.as<Line>(), p.model});
            if (e.step() == 0) {
                e.setStep(1);
                e.ShowPrompt(kPromptCutCorner);
            }
            e.tone(kToneAccepted);
            e.present();
            return true;
        }
        if (r.kind != kKindLineA) return Refuse(e);
        if (picks.empty() || r.part != part) return Refuse(e, kToneBack);
        Line& a = *r.as<Line>();
        PointF corner = NearerEndIsLast(a, p.model) ? a.nodes.back().pt() : a.nodes.front().pt();
        Part* pt = part;
        // The cutting line is a new line: it takes the current line style, not the outline's.
        auto style = MakeLineRecord(e.doc, {{0, 0, 0}, {1, 0, 0}}, kCurvePolyline, 1);
        bool ok = CutCorner(e.doc.design, *pt, picks, corner, e.doc.smooth, *style);
        e.setStep(0);
        releaseData();
        if (!ok) {
            e.redraw();
            return Refuse(e, kToneBack);
        }
        CommitEdit(e, {pt});
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0) return false;
        HighlightPen(c);
        for (auto& pk : picks) DrawPolyline(e, c, pk.line->eval);
        return true;
    }
};

}  // namespace

void InstallCutCornerTool(Engine& e) { e.setTool(mode::CutCorner, std::make_unique<CutCornerTool>()); }

}  // namespace rz
