// The editing tools that reshape lines: 对折, 等距, 打断, 修剪, 封闭, 单头延伸, 两头延伸, 平行 and 取代.
#include "commands/edit_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unordered_map>

#include "commands/correct.h"
#include "commands/draw_common.h"
#include "commands/edit_shared.h"
#include "commands/features.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/afterload.h"
#include "model/integrity.h"

namespace rz {

using namespace edit;

// ---------------------------------------------------------------- 对折 (24)

bool FoldPart(Part& part, Line& axis, const TSmooth& smooth) {
    size_t at = 0;
    while (at < part.linesA.size() && part.linesA[at].get() != &axis) ++at;
    if (at == part.linesA.size() || part.linesA.size() < 2 || axis.eval.size() < 2) return false;
    PointF a0 = axis.eval.front(), a1 = axis.eval.back();
    if (PtDist(a0, a1) < 1e-3f) return false;
    Affine m = Affine::mirror(a0, a1);
    // A record lying on the axis is its own mirror image: it is not doubled.
    auto onAxis = [&](PointF q) { return std::abs(SignedDistToLine(a0, a1, q)) <= 1.0f; };
    auto lineOnAxis = [&](const Line& l) {
        return std::all_of(l.nodes.begin(), l.nodes.end(), [&](const Node& n) { return onAxis(n.pt()); });
    };
    std::vector<RecordRef> others;
    for (const auto& x : AllRecords(part)) {
        switch (x.kind) {
        case kKindLineB:
            if (!lineOnAxis(*static_cast<Line*>(x.record))) others.push_back(x);
            break;
        case kKindPin: {
            auto* q = static_cast<Pin*>(x.record);
            if (!onAxis({q->x, q->y})) others.push_back(x);
            break;
        }
        case kKindMotif:
        case kKindText:
        case kKindNotch: others.push_back(x); break;
        default: break;
        }
    }
    // The outline runs on from the axis's far end round to its near end; the mirrored lines,
    // each reversed and in reverse order, take the axis's place and bring it back.
    List<Line> mirrored;
    for (size_t k = 0; k + 1 < part.linesA.size(); ++k) {
        const Line& src = *part.linesA[(at + part.linesA.size() - 1 - k) % part.linesA.size()];
        auto c = std::make_unique<Line>(src);
        c->flags &= ~kFlagSelected;
        c->frontSym = c->graded = nullptr;
        for (auto& n : c->nodes) {
            PointF q = m.apply(n.pt());
            n.x = q.x, n.y = q.y;
        }
        std::reverse(c->nodes.begin(), c->nodes.end());
        EvaluateLineRecord(*c, smooth);
        mirrored.push_back(std::move(c));
    }
    for (const auto& x : others)
        if (auto c = CopyRecord(x); c.record) TransformRecord(c, m, smooth);
    // The axis stays as the centre line of the whole part.
    std::unique_ptr<Line> ax = std::move(part.linesA[at]);
    part.linesA.erase(part.linesA.begin() + long(at));
    part.linesA.insert(part.linesA.begin() + long(at), std::make_move_iterator(mirrored.begin()),
                       std::make_move_iterator(mirrored.end()));
    part.linesB.push_back(std::move(ax));
    return true;
}

namespace {

struct FoldTool : Tool {
    Line* axis = nullptr;
    Part* axisPart = nullptr;
    void releaseData() override { axis = nullptr, axisPart = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) {
            PickResult r = e.PickAt(p.model, kPickLines);
            if (!IsLine(r.kind)) return Refuse(e);
            Line& l = *r.as<Line>();
            if (p.ctrl() && r.kind == kKindLineB) {
                std::reverse(l.nodes.begin(), l.nodes.end());
                EvaluateLineRecord(l, e.doc.smooth);
                RemapFeaturesOfReversedLine(e.doc.design, &l);
                CommitEdit(e, {r.part});
                return true;
            }
            if (l.eval.size() < 2 || !PolyIsStraight(l.eval, 20.0f) || PtDist(l.eval.front(), l.eval.back()) < 1e-3f) {
                e.doc.platform.notice("对称轴必须是直线！");
                return true;
            }
            if (p.alt() && r.kind == kKindLineA) {
                if (!FoldPart(*r.part, l, e.doc.smooth)) return Refuse(e);
                CommitEdit(e, {r.part});
                return true;
            }
            axis = &l;
            axisPart = r.part;
            e.setStep(1);
            e.ShowPrompt(kPromptFold);
            e.present();
            return true;
        }
        PickResult r = e.PickAt(p.model, kPickPins | kPickMotifs | kPickLines);
        if (!r) return Refuse(e);
        if (r.record == axis) return Refuse(e, kToneBack);
        Affine m = Affine::mirror(axis->eval.front(), axis->eval.back());
        RecordRef target = RefOf(r);
        if (!p.ctrl()) target = CopyRecord(target);
        if (!target.record) return Refuse(e);
        TransformRecord(target, m, e.doc.smooth);
        CommitEdit(e, {r.part});
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override { return HighlightPicked(e, c, axis); }
};

// ---------------------------------------------------------------- 等距 (26)

struct OffsetTool : Tool {
    struct SideArrow {
        PointF from, toward;
    };
    std::optional<SideArrow> arrow;
    void releaseData() override { arrow.reset(); }
    bool overlay(Engine& e, Canvas& c) override {
        if (!arrow) return false;
        DrawArrow(e, c, arrow->from, arrow->toward);
        return true;
    }
    // A point off the line on the side the offset of sign `sign` goes to.
    // The index (≥ 1) of the evaluated segment nearest to p, which ends there.
    static int NearSegment(const Line& l, const Nearest& n) {
        int seg = n.where > 0 ? n.where : std::max(1, -n.where);
        return std::clamp(seg, 1, int(l.eval.size()) - 1);
    }
    static PointF SideOf(const Line& l, PointF press, float sign) {
        Nearest n = PolyNearest(l.eval, press);
        int seg = NearSegment(l, n);
        PointF a = l.eval[seg - 1], b = l.eval[seg];
        float len = std::max(PtDist(a, b), 1e-6f);
        // Positive offsets go to the right of the direction a→b.
        PointF right{(b.y - a.y) / len, -(b.x - a.x) / len};
        return {n.pt.x + right.x * sign * 100.0f, n.pt.y + right.y * sign * 100.0f};
    }
    // Offset copies of `nodes` at multiples of `dist` (positive: to the right).
    static void AddCopies(Engine& e, Part& part, const Line& like, const std::vector<Node>& nodes, float dist, int count) {
        for (int k = 1; k <= count; ++k) {
            std::vector<Node> n = nodes;
            OffsetNodes(n, dist * float(k), true);
            if (n.size() < 2) continue;
            auto l = LineLike(like, std::move(n), e.doc.smooth);
            part.linesB.push_back(std::move(l));
        }
    }
    // The sign of the offset distance that moves the line toward p's side.
    static float SideSign(const Line& l, PointF p) {
        int seg = NearSegment(l, PolyNearest(l.eval, p));
        return SignedDistToLine(l.eval[seg - 1], l.eval[seg], p) > 0 ? -1.0f : 1.0f;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (!IsLine(r.kind)) return Refuse(e);
        Line* l = r.as<Line>();
        Part* part = r.part;
        if (l->eval.size() < 2 || l->nodes.size() < 2) return Refuse(e);
        float def = e.doc.settings.equidistance;
        float sign = SideSign(*l, p.model);
        if (p.ctrl()) {
            AddCopies(e, *part, *l, l->nodes, sign * def, 1);
            CommitEdit(e, {part});
            return true;
        }
        if (p.shift()) {
            OffsetNodes(l->nodes, sign * def, true);
            EvaluateLineRecord(*l, e.doc.smooth);
            CommitEdit(e, {part});
            return true;
        }
        PointF press = p.model;
        auto cur = std::make_shared<PointF>(p.model);
        DragCapture d;
        d.move = [cur](Engine& en, const Pointer& q) {
            *cur = q.model;
            en.present();
        };
        // The stretch between the press and the pointer along the line.
        d.overlay = [l, press, cur](Engine& en, Canvas& c) {
            float s0 = PolyLengthTo(l->eval, press).length, s1 = PolyLengthTo(l->eval, *cur).length;
            if (std::fabs(s1 - s0) < 300.0f) return false;
            c.setColour(kHighlightColour);
            c.setWidth(2);
            c.setDash(0, 0);
            DrawPolyline(en, c, PolySub(l->eval, std::min(s0, s1), std::max(s0, s1)));
            return true;
        };
        d.end = [this, l, part, press, sign](Engine& en, const Pointer& q, bool accepted) {
            if (!accepted) return;
            float s0 = PolyLengthTo(l->eval, press).length, s1 = PolyLengthTo(l->eval, q.model).length;
            std::vector<Node> nodes = l->nodes;
            if (std::fabs(s1 - s0) >= 300.0f)
                nodes = StretchNodes(*l, NodePositions(*l), std::min(s0, s1), std::max(s0, s1));
            float measured = PolyNearest(l->eval, press).dist;
            float def = en.doc.settings.equidistance;
            const LengthUnit u = UnitOf(en);
            double shown = (measured < 100.0f ? def : measured) / u.per;
            std::vector<ValueField> f{{"距离(" + u.name + ")", shown, 0.001, 1e5, 2}, {"数量", 1, 1, 1000, 0}};
            // The arrow points from the line to the side the copies go to.
            PointF foot = PolyNearest(l->eval, press).pt;
            arrow = SideArrow{foot, SideOf(*l, press, sign)};
            en.present();
            bool ok = en.doc.platform.valueDialog("等距", f);
            arrow.reset();
            en.present();
            if (!ok) return;
            float dist = float(f[0].value * u.per);
            int count = int(std::lround(f[1].value));
            if (!(dist > 0) || count < 1 || count > 1000) return (void)en.tone(kToneRefused);
            // The farthest copy must stay within the pattern limits.
            float reach = dist * float(count);
            for (PointF q : l->eval)
                if (!(std::max(std::fabs(q.x), std::fabs(q.y)) + reach <= kMaxPatternCoord))
                    return (void)en.tone(kToneRefused);
            if (f[0].value != shown) en.doc.settings.equidistance = dist;
            AddCopies(en, *part, *l, nodes, sign * dist, count);
            CommitEdit(en, {part});
        };
        e.beginDrag(p, std::move(d));
        return true;
    }
};

// ---------------------------------------------------------------- 打断 (27), 修剪 (28)

// Breaks `line` of `part` at its crossings with `cutters`; true when it was broken.
bool BreakAt(Engine& e, Part& part, Line& line, const std::vector<const Polyline*>& cutters) {
    auto cr = CrossingsOf(line.eval, cutters);
    if (cr.empty()) return false;
    std::vector<float> at;
    for (auto& c : cr) at.push_back(c.s);
    auto more = BreakLine(line, at, e.doc.smooth);
    size_t i = 0;
    List<Line>* list = ListOf(part, &line, &i);
    for (size_t k = 0; k < more.size(); ++k) list->insert(list->begin() + long(i + 1 + k), std::move(more[k]));
    return true;
}

struct BreakTool : Tool {
    Line* cutter = nullptr;
    std::vector<Line*> group;
    void releaseData() override { cutter = nullptr, group.clear(); }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() >= 1) {
            PickResult r = e.PickAt(p.model, kPickLines);
            if (!IsLine(r.kind)) return Refuse(e);
            Line* l = r.as<Line>();
            if (l == cutter || (l->flags & kLineFixedLength)) return Refuse(e, kToneBack);
            auto it = std::find(group.begin(), group.end(), l);
            if (it == group.end()) group.push_back(l);
            else group.erase(it);
            e.tone(kToneAccepted);
            e.present();
            return true;
        }
        FenceStroke(e, p, [this](Engine& en, bool stroke, PointF a, PointF b) {
            if (stroke) return (void)FenceBreak(en, a, b);
            PickResult r = en.PickAt(a, kPickLines);
            if (!IsLine(r.kind)) return (void)en.tone(kToneRefused);
            cutter = r.as<Line>();
            group.clear();
            en.setStep(1);
            en.ShowPromptText(kPromptBreakGroup);
            en.present();
        });
        return true;
    }
    static bool FenceBreak(Engine& e, PointF a, PointF b) {
        Polyline seg{a, b};
        std::vector<Part*> touched;
        for (auto& part : e.doc.design.parts) {
            if (part->page() != e.doc.currentPage() || part->hidden()) continue;
            std::vector<Line*> lines;
            for (auto* list : {&part->linesA, &part->linesB})
                for (auto& l : *list) lines.push_back(l.get());
            bool any = false;
            for (Line* l : lines) any = BreakAt(e, *part, *l, {&seg}) || any;
            if (any) touched.push_back(part.get());
        }
        if (touched.empty()) return false;
        CommitEdit(e, touched);
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() < 1 || !(k.key == key::Return || k.key == key::Enter)) return false;
        std::vector<Part*> touched;
        Design& d = e.doc.design;
        for (Line* l : group) {
            Part* part = OwnerPart(d, l);
            if (part && BreakAt(e, *part, *l, {&cutter->eval})) touched.push_back(part);
        }
        group.clear();
        cutter = nullptr;
        e.setStep(0);
        if (touched.empty()) {
            e.redraw();
            return Refuse(e);
        }
        CommitEdit(e, touched);
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() < 1 || !cutter) return false;
        c.setColour(kHighlightColour);
        c.setWidth(2);
        c.setDash(0, 0);
        DrawPolyline(e, c, cutter->eval);
        c.setDash(4, 4);
        for (Line* l : group) DrawPolyline(e, c, l->eval);
        return true;
    }
};

struct TrimTool : Tool {
    Polyline shown;  // the piece under the cursor

    static std::vector<float> Positions(Part& part, Line& l) {
        std::vector<float> at;
        for (auto& c : CrossingsOf(l.eval, OthersOf(part, &l, true))) at.push_back(c.s);
        return at;
    }
    static Polyline PieceShape(const Line& l, std::pair<float, float> piece) {
        Polyline out;
        float total = PolyLength(l.eval);
        int n = 32;
        for (int i = 0; i <= n; ++i) {
            float s = piece.first + (piece.second - piece.first) * float(i) / float(n);
            if (s < 0) s += total;
            if (s > total) s -= total;
            out.push_back(PolyPointAt(l.eval, s).pt);
        }
        return out;
    }
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (r.kind != kKindLineB) return Refuse(e);
        Line* l = r.as<Line>();
        Part* part = r.part;
        if (l->eval.size() < 2) return Refuse(e);
        std::vector<float> at = Positions(*part, *l);
        float cut = PolyLengthTo(l->eval, p.model).length;
        if (!p.ctrl()) {
            shown = PieceShape(*l, PieceAround(*l, at, cut));
            e.present();
            bool yes = e.doc.platform.ask("确认修剪该线段吗？");
            shown.clear();
            if (!yes) {
                e.redraw();
                return true;
            }
        }
        TrimResult t = TrimLine(*l, at, cut, e.doc.smooth);
        if (t.deleteWhole) RemoveRecord(e.doc.design, l);
        else if (t.after) {
            size_t i = 0;
            List<Line>* list = ListOf(*part, l, &i);
            list->insert(list->begin() + long(i + 1), std::move(t.after));
        }
        CommitEdit(e, {part});
        return true;
    }
    bool move(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        Polyline before = std::move(shown);
        shown.clear();
        if (r.kind == kKindLineB && r.as<Line>()->eval.size() >= 2) {
            Line* l = r.as<Line>();
            shown = PieceShape(*l, PieceAround(*l, Positions(*r.part, *l), PolyLengthTo(l->eval, p.model).length));
        }
        if (shown != before) e.present();
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (shown.size() < 2) return false;
        c.setColour(kHighlightColour);
        c.setWidth(3);
        c.setDash(0, 0);
        DrawPolyline(e, c, shown);
        return true;
    }
};

// ---------------------------------------------------------------- 封闭 (25)

struct CloseTool : Tool {
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (r.kind != kKindLineB) return Refuse(e);
        Line& l = *r.as<Line>();
        if (!CloseOrOpen(l, e.doc.smooth.joinDistance)) return Refuse(e);
        EvaluateLineRecord(l, e.doc.smooth);
        CommitEdit(e, {r.part});
        return true;
    }
};

// ---------------------------------------------------------------- 单头延伸 (101), 两头延伸 (102)

struct ExtendOneTool : Tool {
    Line* line = nullptr;
    Part* part = nullptr;
    bool last = false;
    PointF cursor;
    void releaseData() override { line = nullptr, part = nullptr; }

    // The foot of the cursor on the line through the end segment.
    bool Foot(PointF q, PointF& out) const {
        const auto& n = line->nodes;
        PointF end = last ? n.back().pt() : n.front().pt();
        PointF nb = last ? n[n.size() - 2].pt() : n[1].pt();
        if (PtDist(end, nb) < 1e-3f) return false;
        out = FootOnSegment(nb, end, q).pt;
        return true;
    }
    bool press(Engine& e, const Pointer& p, float d) {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (r.kind != kKindLineB) return Refuse(e);
        Line& l = *r.as<Line>();
        if (l.nodes.size() < 2 || l.eval.size() < 2) return Refuse(e);
        float h = PickHalf(e);
        auto inRect = [&](PointF q) { return std::fabs(q.x - p.model.x) <= h && std::fabs(q.y - p.model.y) <= h; };
        if (d > 0 && (inRect(l.eval.front()) || inRect(l.eval.back()))) {
            line = &l;
            part = r.part;
            last = !inRect(l.eval.front());
            cursor = p.model;
            e.setStep(1);
            e.present();
            return true;
        }
        // The nearer end along the line (a two-point line has one segment for both halves).
        bool endLast = PolyLengthTo(l.eval, p.model).length * 2 >= PolyLength(l.eval);
        const PointF was = endLast ? l.nodes.back().pt() : l.nodes.front().pt();
        if (!ExtendEnd(l, endLast, d)) return Refuse(e);
        // An end too short to shorten stays: nothing to record.
        if ((endLast ? l.nodes.back().pt() : l.nodes.front().pt()) == was) return true;
        EvaluateLineRecord(l, e.doc.smooth);
        CommitEdit(e, {r.part});
        return true;
    }
    bool finish(Engine& e, PointF target, bool add) {
        auto& n = line->nodes;
        if (add) {
            Node nn{target.x, target.y, 0};
            if (last) n.push_back(nn);
            else n.insert(n.begin(), nn);
        } else {
            Node& end = last ? n.back() : n.front();
            end.x = target.x, end.y = target.y, end.word = 0;
        }
        EvaluateLineRecord(*line, e.doc.smooth);
        Part* pt = part;
        e.setStep(0);
        releaseData();
        CommitEdit(e, {pt});
        return true;
    }
    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) return press(e, p, 100.0f);
        PointF foot;
        if (!Foot(p.model, foot)) return Refuse(e);
        int how = e.doc.platform.choose("选择延伸方式", {"移点", "加点"});
        if (how < 0) return true;
        return finish(e, foot, how == 1);
    }
    bool rightPress(Engine& e, const Pointer& p) override {
        if (e.step() >= 1) {
            e.CancelStep();
            return true;
        }
        return press(e, p, -100.0f);
    }
    bool move(Engine& e, const Pointer& p) override {
        if (e.step() < 1) return false;
        cursor = p.model;
        e.present();
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() < 1 || k.key != key::Space) return false;
        const auto& n = line->nodes;
        PointF end = last ? n.back().pt() : n.front().pt();
        PointF nb = last ? n[n.size() - 2].pt() : n[1].pt();
        if (PtDist(end, nb) < 1e-3f) return Refuse(e);
        // Prefilled with the extension the pointer shows (none when it lies behind the end).
        PointF foot;
        float shown = 0;
        if (Foot(cursor, foot)) {
            float beyond = PtDist(nb, foot) - PtDist(nb, end);
            bool ahead = (foot.x - nb.x) * (end.x - nb.x) + (foot.y - nb.y) * (end.y - nb.y) > 0;
            shown = ahead ? std::max(0.0f, beyond) : 0.0f;
        }
        const LengthUnit u = UnitOf(e);
        std::vector<ValueField> f{{"长度(" + u.name + ")", shown / u.per, 0, 1e5, 2}};
        if (!e.doc.platform.valueDialog("延伸", f)) return true;
        PointF to = ExtendBeyond(end, nb, float(f[0].value * u.per));
        if (!(f[0].value >= 0) || !WithinPatternLimits(to)) return Refuse(e);
        return finish(e, to, false);
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() < 1 || !line) return false;
        PointF foot;
        if (!Foot(cursor, foot)) return false;
        PointF end = last ? line->nodes.back().pt() : line->nodes.front().pt();
        c.setColour(kHighlightColour);
        c.setWidth(1);
        c.setDash(0, 0);
        c.line(e.vs.view.toWindow(end), e.vs.view.toWindow(foot));
        return true;
    }
};

struct ExtendBothTool : Tool {
    static bool Apply(Engine& e, Part& part, const std::vector<Line*>& lines, float d) {
        if (lines.empty()) return Refuse(e);
        // Every end is tested before any moves: a refused command leaves all lines as they were.
        for (Line* l : lines) {
            const auto& n = l->nodes;
            if (n.size() < 2 || PtDist(n[0].pt(), n[1].pt()) < 1e-3f ||
                PtDist(n.back().pt(), n[n.size() - 2].pt()) < 1e-3f)
                return Refuse(e);
        }
        bool moved = false;
        for (Line* l : lines) {
            const PointF a = l->nodes.front().pt(), b = l->nodes.back().pt();
            ExtendEnd(*l, false, d);
            ExtendEnd(*l, true, d);
            if (l->nodes.front().pt() == a && l->nodes.back().pt() == b) continue;
            moved = true;
            EvaluateLineRecord(*l, e.doc.smooth);
        }
        // Shortening where every end segment is too short changes nothing: nothing to record.
        if (moved) CommitEdit(e, {&part});
        return true;
    }
    bool press(Engine& e, const Pointer& p, float d) {
        PickResult r = e.PickAt(p.model, 0x1010000);
        if (r.kind == kKindLineB) {
            Line* l = r.as<Line>();
            if (!(l->flags & kFlagSelected)) return Apply(e, *r.part, {l}, d);
            std::vector<Line*> v;
            for (auto& x : r.part->linesB)
                if ((x->flags & kFlagSelected) && !LineClosed(*x)) v.push_back(x.get());
            return Apply(e, *r.part, v, d);
        }
        if (r.kind == kKindPart || r.kind == kKindLineA) {
            std::vector<Line*> v;
            for (auto& x : r.part->linesB)
                if (!(x->flags & kFlagSelected) && !(x->flags & kLineAuxiliary) && !LineClosed(*x)) v.push_back(x.get());
            return Apply(e, *r.part, v, d);
        }
        if (ClearSelection(e.doc.design, e.doc.currentPage())) {
            e.redraw();
            return true;
        }
        return Refuse(e);
    }
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (r) return press(e, p, 100.0f);
        BandOr(e, p, [this](Engine& en, const Pointer& q) { press(en, q, 100.0f); });
        return true;
    }
    bool rightPress(Engine& e, const Pointer& p) override { return press(e, p, -100.0f); }
};

// ---------------------------------------------------------------- 平行 (170), 取代 (165)

struct ParallelTool : Tool {
    Line* ref = nullptr;
    void releaseData() override { ref = nullptr; }
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (!IsLine(r.kind)) return Refuse(e);
        Line* l = r.as<Line>();
        if (e.step() == 0) {
            // A closed reference has no chord to be parallel to.
            if (l->nodes.size() < 2 || LineClosed(*l)) return Refuse(e);
            ref = l;
            e.setStep(1);
            e.ShowPrompt(kPromptParallel);
            e.present();
            return true;
        }
        if (l == ref) return true;
        PointF K = ref->nodes.front().pt(), L = ref->nodes.back().pt();
        if (!TurnParallel(*l, NearerEndIsLast(*l, p.model), K, L)) return Refuse(e);
        EvaluateLineRecord(*l, e.doc.smooth);
        e.setStep(0);
        ref = nullptr;
        CommitEdit(e, {r.part});
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override { return HighlightPicked(e, c, ref); }
};

struct ReplaceTool : Tool {
    Line* src = nullptr;
    Part* srcPart = nullptr;
    float height = 0;
    void releaseData() override { src = nullptr, srcPart = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (!IsLine(r.kind)) return Refuse(e);
        Line* l = r.as<Line>();
        if (e.step() == 0) {
            // A closed line has no chord to lay along another line.
            if (l->nodes.size() < 2 || (LineClosed(*l) && !(l->flags & kLineFixedLength))) return Refuse(e);
            src = l;
            srcPart = r.part;
            height = 0;
            e.setStep(1);
            e.ShowPrompt(kPromptReplace);
            e.present();
            return true;
        }
        if (l == src) return Refuse(e, kToneBack);
        Line& dst = *l;
        std::vector<Part*> touched{r.part};
        if (src->flags & kLineFixedLength) {
            dst.flags = src->flags;
            dst.nodes = src->nodes;
            // The replacing line moves into the other's place; an outline line stays, or the
            // outline would open.
            if (srcPart == r.part && ListOf(*srcPart, src) == &srcPart->linesB) {
                Line* gone = src;
                src = nullptr;
                RemoveRecord(e.doc.design, gone);
            }
        } else {
            std::vector<Node> shape = src->nodes;
            PointF d0 = dst.nodes.front().pt(), d1 = dst.nodes.back().pt();
            PointF s0 = shape.front().pt(), s1 = shape.back().pt();
            if (PtDist(d0, s1) < PtDist(d0, s0) || PtDist(d1, s0) < PtDist(d1, s1))
                std::reverse(shape.begin(), shape.end());
            HeightRule rule = p.ctrl() ? HeightRule::KeepOld : p.shift() ? HeightRule::Unit
                              : height > 0 ? HeightRule::Typed : HeightRule::Similar;
            auto fitted = FitShape(shape, dst.nodes, rule, height);
            if (!fitted) return Refuse(e);
            const uint32_t bits = 0xF0u | kLineMethodMask;
            dst.flags = (dst.flags & ~bits) | (src->flags & bits);
            if (r.kind == kKindLineA) {
                src->nodes = std::move(dst.nodes);
                EvaluateLineRecord(*src, e.doc.smooth);
                if (srcPart != r.part) touched.push_back(srcPart);
            }
            dst.nodes = std::move(*fitted);
        }
        EvaluateLineRecord(dst, e.doc.smooth);
        e.setStep(0);
        src = nullptr;
        CommitEdit(e, touched);
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() < 1 || k.key != key::Space) return false;
        std::vector<ValueField> f{{"高度(mm)", height / 100.0, 0, 1e5, 2}};
        if (!e.doc.platform.valueDialog("取代", f)) return true;
        // A zero height is no shape; a height beyond the pattern limits no pattern.
        if (!(f[0].value > 0) || !(f[0].value * 100.0 <= kMaxPatternCoord)) return Refuse(e);
        height = float(f[0].value * 100.0);
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override { return HighlightPicked(e, c, src); }
};

}  // namespace

void edit::InstallLineTools(Engine& e) {
    e.setTool(mode::Fold, std::make_unique<FoldTool>());
    e.setTool(mode::Offset, std::make_unique<OffsetTool>());
    e.setTool(mode::Break, std::make_unique<BreakTool>());
    e.setTool(mode::Trim, std::make_unique<TrimTool>());
    e.setTool(mode::Close, std::make_unique<CloseTool>());
    e.setTool(mode::ExtendOne, std::make_unique<ExtendOneTool>());
    e.setTool(mode::ExtendBoth, std::make_unique<ExtendBothTool>());
    e.setTool(mode::Parallel, std::make_unique<ParallelTool>());
    e.setTool(mode::Replace, std::make_unique<ReplaceTool>());
}

}  // namespace rz
