#include "commands/feature_tools.h"

#include <algorithm>
#include <cmath>

#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/settings.h"

namespace rz {

namespace {

constexpr double kDeg = 180.0 / std::numbers::pi;

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) < 1.0e7; }
bool IsLine(int k) { return k == kKindLineA || k == kKindLineB; }

uint32_t WithTool(uint32_t flags, bool cut, bool folds) {
    return (flags & ~(kFlagToolMask | kFlagFolds)) | (cut ? 3u : 1u) | (folds ? kFlagFolds : 0u);
}

// The host a pick gives for a slot or a mark: lines are stored with kind 20.
KindRef HostOf(const PickResult& r) {
    if (IsLine(r.kind)) return {r.record, kKindLine};
    if (r.kind == kKindSeamAllowance || r.kind == kKindSymLineLink) return {r.record, uint32_t(r.kind)};
    return {};
}

constexpr uint32_t kHostPick = kPickLines | kPickSeamAllowances | kPickSymLineLinks | kPickNoLineNodes;

// Whether p lies on the right of the host's direction where it is nearest.
bool RightOf(const Polyline& host, float s, PointF p) {
    const PointAt at = PolyPointAt(host, s);
    const size_t i = size_t(std::clamp(at.index, 1, int(host.size()) - 1));
    return !SideOfLine(host[i - 1], host[i], p);
}

}  // namespace

FeatureSession& featureSession() {
    static FeatureSession s;
    return s;
}

std::unique_ptr<SlotLine> MakeSlot(const TDoc& doc, KindRef host, float s0, float s1, bool right, bool oneSided) {
    const Polyline* h = HostPolyline(host);
    if (!h || h->size() < 2) return nullptr;
    const float L = PolyLength(*h);
    if (!(L > 0.0f) || !(std::fabs(s1 - s0) >= kMinSlotLength)) return nullptr;
    auto s = std::make_unique<SlotLine>();
    s->host = host;
    const float depth = doc.settings.slotDepth;
    s->f = {std::clamp(std::min(s0, s1) / L, 0.0f, 1.0f), std::clamp(std::max(s0, s1) / L, 0.0f, 1.0f), 0.0f,
            right ? -depth : depth, featureSession().slotAngle};
    s->flags = ((doc.settings.cutSetup.cutBits & (1u << 5)) ? 3u : 1u) | kFlagFolds | (oneSided ? kSlotOneSided : 0u) |
               ((doc.settings.generalFlags & kGenSlotSharpCorner) ? kSlotPointed : 0u);
    BuildSlotOutline(*s);
    return s;
}

std::unique_ptr<Mark> MakeMark(const TDoc& doc, KindRef host1, KindRef host2, PointF at) {
    const Polyline* a = HostPolyline(host1);
    if (!a || a->size() < 2 || host1.ptr == host2.ptr) return nullptr;
    const float L = PolyLength(*a);
    if (!(L > 0.0f)) return nullptr;
    auto m = std::make_unique<Mark>();
    m->f0 = std::clamp(PolyLengthTo(*a, at).length / L, 0.0f, 1.0f);
    m->host1 = host1;
    m->host2 = host2;
    m->depth = doc.settings.markDepth;
    m->width = featureSession().markWidth;
    m->flags = ((doc.settings.cutSetup.cutBits & (1u << 2)) ? 3u : 1u) | kFlagFolds;
    BuildMark(*m);
    if (m->drawn.empty()) return nullptr;
    return m;
}

ChamferToggle ToggleChamfer(const TDoc& doc, List<Chamfer>& list, KindRef first, bool firstEnd, KindRef second,
                            bool secondStart) {
    for (size_t i = 0; i < list.size(); ++i) {
        const Chamfer& c = *list[i];
        if ((c.host1.ptr == first.ptr && c.host2.ptr == second.ptr) || (c.host1.ptr == second.ptr && c.host2.ptr == first.ptr)) {
            list.erase(list.begin() + long(i));
            return ChamferToggle::Removed;
        }
    }
    auto c = std::make_unique<Chamfer>();
    c->host1 = first;
    c->host2 = second;
    c->radius = doc.settings.chamferRadius;
    c->flags = 3u | (firstEnd ? kChamferFirstEnd : 0u) | (secondStart ? kChamferSecondStart : 0u);
    BuildChamfer(*c);
    if (c->drawn.empty()) return ChamferToggle::Refused;
    list.push_back(std::move(c));
    return ChamferToggle::Made;
}

// ---------------------------------------------------------------- dialogs

// 朝向: "中" centres the strip on the host; "内" and "外" put it on the left and the right of
// the host's direction (the sign of the depth), inside and outside a counter-clockwise outline.
bool SlotDialog(Engine& e, SlotLine& s) {
    const LengthUnit u = DialogLengthUnit(e.doc.settings);
    const float depth = s.f[kSlotDepth];
    const int side = !(s.flags & kSlotOneSided) ? 0 : depth < 0.0f ? 2 : 1;
    std::vector<FormField> f{FormField::Number("深度(" + u.name + ")", std::fabs(depth) / u.per, 2, 0, 1.0e4),
                             FormField::Number("偏离(" + u.name + ")", std::fabs(s.f[kSlotOffset]) / u.per, 2, 0, 1.0e4),
                             FormField::Number("夹角", s.f[kSlotAngle] * kDeg, 2, 0, 180),
                             FormField::Choice("朝向", {"中", "内", "外"}, side),
                             FormField::Check("决定割出", (s.flags & kFlagToolMask) >= 2),
                             FormField::Check("参与对折", s.flags & kFlagFolds)};
    if (!e.doc.platform.formDialog("槽线属性", f)) return false;
    for (int i = 0; i < 3; ++i)
        if (!Finite(f[size_t(i)].value)) return false;
    // A strip of no width, or a point that is no angle, would draw nothing sound.
    if (!(f[0].value > 0.0) || f[1].value < 0.0 || !(f[2].value > 0.0 && f[2].value < 180.0)) {
        Refuse(e);
        return false;
    }
    const int chosen = std::clamp(f[3].index(), 0, 2);
    const float d = float(f[0].value * u.per);
    s.f[kSlotDepth] = chosen == 2 ? -d : chosen == 1 ? d : (depth < 0.0f ? -d : d);
    s.f[kSlotOffset] = float(f[1].value * u.per);
    s.f[kSlotAngle] = float(f[2].value / kDeg);
    s.flags = chosen == 0 ? s.flags & ~kSlotOneSided : s.flags | kSlotOneSided;
    s.flags = WithTool(s.flags, f[4].on(), f[5].on());
    return true;
}

bool MarkDialog(Engine& e, Mark& m) {
    const LengthUnit u = DialogLengthUnit(e.doc.settings);
    std::vector<FormField> f{FormField::Number("深度(" + u.name + ")", m.depth / u.per, 2, 0, 1.0e4),
                             FormField::Number("宽度(" + u.name + ")", m.width / u.per, 2, 0, 1.0e4),
                             FormField::Check("决定割出", (m.flags & kFlagToolMask) >= 2),
                             FormField::Check("参与对折", m.flags & kFlagFolds)};
    if (!e.doc.platform.formDialog("记号属性", f)) return false;
    if (!Finite(f[0].value) || !Finite(f[1].value)) return false;
    if (!(f[0].value > 0.0) || !(f[1].value > 0.0)) {
        Refuse(e);
        return false;
    }
    m.depth = float(f[0].value * u.per);
    m.width = float(f[1].value * u.per);
    m.flags = WithTool(m.flags, f[2].on(), f[3].on());
    return true;
}

bool ChamferDialog(Engine& e, Chamfer& c) {
    const LengthUnit u = DialogLengthUnit(e.doc.settings);
    std::vector<FormField> f{FormField::Number("半径(" + u.name + ")", c.radius / u.per, 2, 0, 1.0e4),
                             FormField::Check("决定割出", (c.flags & kFlagToolMask) >= 2)};
    if (!e.doc.platform.formDialog("倒角属性", f)) return false;
    if (!Finite(f[0].value)) return false;
    if (!(f[0].value > 0.0)) {
        Refuse(e);
        return false;
    }
    c.radius = float(f[0].value * u.per);
    c.flags = (c.flags & ~kFlagToolMask) | (f[1].on() ? 3u : 1u);
    return true;
}

namespace {

// ---------------------------------------------------------------- 槽线

struct SlotTool : Tool {
    struct Drag {
        KindRef host;
        Part* part = nullptr;
        PointF press, at;
        float s0 = 0.0f, s1 = 0.0f, L = 0.0f;
        bool closed = false;
        // Follows the pointer along the host. Across the closing point of a closed host the
        // stretch stops there rather than jumping round the whole outline.
        void follow(PointF q) {
            const Polyline* pl = HostPolyline(host);
            if (!pl) return;
            float s = PolyLengthTo(*pl, q).length;
            if (closed && std::fabs(s - s1) > 0.5f * L) s = s1 > 0.5f * L ? L : 0.0f;
            s1 = s;
            at = q;
        }
    };

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kHostPick);
        KindRef host = HostOf(r);
        const Polyline* h = HostPolyline(host);
        if (!h || h->size() < 2 || !(PolyLength(*h) > 0.0f) || !r.part) return Refuse(e);
        auto st = std::make_shared<Drag>();
        st->host = host;
        st->part = r.part;
        st->press = st->at = p.model;
        st->L = PolyLength(*h);
        st->closed = PolyClosed(*h);
        st->s0 = st->s1 = PolyLengthTo(*h, p.model).length;
        DragCapture d;
        d.rightPans = true;
        d.move = [st](Engine& en, const Pointer& q) {
            st->follow(q.model);
            en.present();
        };
        d.overlay = [st](Engine& en, Canvas& c) {
            const Polyline* pl = HostPolyline(st->host);
            if (!pl) return false;
            const float depth = en.doc.settings.slotDepth;
            const bool right = RightOf(*pl, st->s1, st->at);
            uint32_t flags = PtDist(st->press, st->at) > depth ? kSlotOneSided : 0u;
            if (en.doc.settings.generalFlags & kGenSlotSharpCorner) flags |= kSlotPointed;
            Polyline o = BuildSlotOutline(*pl, std::min(st->s0, st->s1) / st->L, std::max(st->s0, st->s1) / st->L, 0.0f,
                                          right ? -depth : depth, featureSession().slotAngle, flags);
            HighlightPen(c, 1);
            DrawPolyline(en, c, o);
            return true;
        };
        d.end = [st](Engine& en, const Pointer& q, bool accepted) {
            const Polyline* pl = HostPolyline(st->host);
            if (!accepted || !pl) return en.present();
            st->follow(q.model);
            auto s = MakeSlot(en.doc, st->host, st->s0, st->s1, RightOf(*pl, st->s1, q.model),
                              PtDist(st->press, q.model) > en.doc.settings.slotDepth);
            if (!s) return en.present();  // shorter than 3 mm: nothing
            st->part->slotLines.push_back(std::move(s));
            CommitEdit(en, {st->part});
        };
        e.beginDrag(p, std::move(d));
        e.present();
        return true;
    }
};

// ---------------------------------------------------------------- 记号

struct MarkTool : Tool {
    KindRef first;
    Part* part = nullptr;
    PointF at;
    void releaseData() override {
        first = {};
        part = nullptr;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) {
            PickResult r = e.PickAt(p.model, kHostPick);
            KindRef h = HostOf(r);
            if (!HostPolyline(h)) return true;  // without a host nothing happens
            first = h, part = r.part, at = p.model;
            e.setStep(1);
            e.ShowPromptText(kPromptPickMarkLine);
            e.present();
            return true;
        }
        PickResult r = e.PickAt(p.model, kHostPick);
        KindRef second = HostOf(r);
        if (!second.ptr || second.ptr == first.ptr) return Refuse(e);
        auto m = MakeMark(e.doc, first, second, at);
        if (!m) return Refuse(e);
        Part* into = part;
        into->marks.push_back(std::move(m));
        return CommitStep(e, *this, *into);
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !HostPolyline(first)) return false;
        HighlightPen(c);
        DrawPolyline(e, c, *HostPolyline(first));
        return true;
    }
};

// ---------------------------------------------------------------- 倒角

struct ChamferTool : Tool {
    Line* first = nullptr;
    Part* part = nullptr;
    bool firstEnd = false;
    void releaseData() override { first = nullptr, part = nullptr; }

    static List<Line>* ListOf(Part& p, const Line* l) {
        for (List<Line>* list : {&p.linesA, &p.linesB})
            for (auto& x : *list)
                if (x.get() == l) return list;
        return nullptr;
    }
    // Whether the press is at the line's end (the nearer half of its nodes).
    static bool AtEnd(const Line& l, PointF p) {
        size_t best = 0;
        float bd = 1e30f;
        for (size_t i = 0; i < l.nodes.size(); ++i)
            if (float d = PtDist(l.nodes[i].pt(), p); d < bd) bd = d, best = i;
        return !(double(best) < double(l.nodes.size()) / 2.0);
    }

    bool make(Engine& e, Part& pt, Line* a, bool aEnd, Line* b) {
        const PointF corner = aEnd ? a->eval.back() : a->eval.front();
        const bool bStart = PtDist(b->eval.front(), corner) <= PtDist(b->eval.back(), corner);
        if (ToggleChamfer(e.doc, pt.chamfers, {a, kKindLine}, aEnd, {b, kKindLine}, bStart) == ChamferToggle::Refused)
            return Refuse(e);  // parallel lines or a radius too large
        CommitEdit(e, {&pt});
        return true;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines | kPickChamfers | kPickNoLineNodes);
        if (e.step() == 0 && r.kind == kKindChamfer) {
            if (ChamferDialog(e, *r.as<Chamfer>())) CommitEdit(e, {r.part});
            return true;
        }
        if (!IsLine(r.kind) || !r.part) return Refuse(e);
        Line* l = r.as<Line>();
        if (l->eval.size() < 2) return Refuse(e);
        List<Line>* list = ListOf(*r.part, l);
        if (!list) return Refuse(e);
        if (e.step() == 0) {
            const bool end = AtEnd(*l, p.model);
            if (p.ctrl()) {
                const PointF corner = end ? l->eval.back() : l->eval.front();
                for (auto& o : *list)
                    if (o.get() != l && o->eval.size() >= 2 &&
                        (PtDist(o->eval.front(), corner) < 1.0f || PtDist(o->eval.back(), corner) < 1.0f))
                        return make(e, *r.part, l, end, o.get());
                return Refuse(e);
            }
            first = l, part = r.part, firstEnd = end;
            e.setStep(1);
            e.ShowPromptText(kPromptPickOtherLine);
            e.present();
            return true;
        }
        if (l == first || r.part != part || list != ListOf(*part, first)) return Refuse(e);
        Line* a = first;
        const bool aEnd = firstEnd;
        e.setStep(0);
        releaseData();
        make(e, *r.part, a, aEnd, l);
        e.UpdateModeStatus();
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override { return HighlightPicked(e, c, first); }
};

// ---------------------------------------------------------------- 标注

struct DimensionTool : Tool {
    Part* part = nullptr;
    Dimension draft;
    Dimension* moving = nullptr;  // an existing dimension whose text is being placed
    void releaseData() override {
        part = nullptr, moving = nullptr;
        draft = Dimension{};
    }

    // A pin, a motif or a line end as a reference; a line picked elsewhere gives its middle
    // (`whole`).
    static bool RefAt(Engine& e, const Pointer& p, KindRef& ref, Part*& owner, bool& whole) {
        PickResult r = e.PickAt(p.model, kPickPins | kPickMotifs | kPickLines);
        whole = false;
        owner = r.part;
        if (r.kind == kKindPin || r.kind == kKindMotif) {
            ref = {r.record, uint32_t(r.kind)};
            return true;
        }
        if (r.kind == kKindLineByPoint || IsLine(r.kind)) {
            Line* l = r.as<Line>();
            if (l->nodes.empty()) return false;
            // A press on the first or the last node names that end.
            const float h = PickHalf(e);
            const bool first = PtDist(l->nodes.front().pt(), p.model) <= h;
            if (first || PtDist(l->nodes.back().pt(), p.model) <= h) {
                ref = {l, kKindLine | (first ? kDimFirstNode : 0u)};
                return true;
            }
            ref = {l, kKindLine};
            whole = true;
            return true;
        }
        return false;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        switch (e.step()) {
        case 0: {
            PickResult d = e.PickAt(p.model, kPickDimensions);
            if (d.kind == kKindDimension) {
                moving = d.as<Dimension>(), part = d.part;
                draft = *moving;
                e.setStep(2);
                e.ShowPrompt(kPromptDimText);
                return true;
            }
            bool whole = false;
            KindRef ref;
            Part* owner = nullptr;
            if (!RefAt(e, p, ref, owner, whole) || !owner) return Refuse(e);
            draft = Dimension{};
            draft.text = kDimAutoText;
            draft.ref1 = ref;
            part = owner;
            UpdateDimensionPoints(draft);
            e.setStep(whole ? 2 : 1);
            e.ShowPrompt(whole ? kPromptDimText : kPromptOtherEnd);
            return true;
        }
        case 1: {
            bool whole = false;
            KindRef ref;
            Part* owner = nullptr;
            if (!RefAt(e, p, ref, owner, whole) || whole || (ref.ptr == draft.ref1.ptr && ref.kind == draft.ref1.kind))
                return Refuse(e);
            draft.ref2 = ref;
            UpdateDimensionPoints(draft);
            e.setStep(2);
            e.ShowPrompt(kPromptDimText);
            return true;
        }
        default: {
            Part* into = part;
            if (moving) {
                moving->f1 = p.model.x, moving->f2 = p.model.y;
            } else {
                auto d = std::make_unique<Dimension>(draft);
                d->f1 = p.model.x, d->f2 = p.model.y;
                into->dimensions.push_back(std::move(d));
            }
            e.setStep(0);
            releaseData();
            featureStyle().centimetres = e.doc.settings.centimetreDisplay != 0;
            // A moved text is a change like any other: it takes its undo step.
            CommitEdit(e, {into});
            e.UpdateModeStatus();
            return true;
        }
        }
    }
    bool move(Engine& e, const Pointer& p) override {
        if (e.step() != 2) return false;
        draft.f1 = p.model.x, draft.f2 = p.model.y;
        BuildDimension(draft, featureStyle().font, e.doc.settings.centimetreDisplay != 0);
        e.present();
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() != 2) return false;
        HighlightPen(c, 1);
        for (const Shape* s : {&draft.drawn1, &draft.drawn2})
            for (const Polyline& pl : *s) DrawPolyline(e, c, pl);
        return true;
    }
};

}  // namespace

void InstallFeatureTools(Engine& e, PopupMenu popup) {
    featureStyle().centimetres = e.doc.settings.centimetreDisplay != 0;
    e.setTool(mode::Slot, std::make_unique<SlotTool>());
    e.setTool(mode::Mark, std::make_unique<MarkTool>());
    e.setTool(mode::Chamfer, std::make_unique<ChamferTool>());
    e.setTool(mode::Dimension, std::make_unique<DimensionTool>());
    InstallConstructionTools(e);
    InstallConnectTools(e, std::move(popup));
}

}  // namespace rz
