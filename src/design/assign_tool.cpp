// 指定 (153) on the piece area's current piece. The first click shows the piece alone with the
// parts it comes from; a right click opens the popup of sub-commands, and left clicks then act by
// the sub-command chosen. Every change reassembles the piece.
//
// While 指定 runs, other pieces and unrelated parts are hidden with a mark of their own (bit 29
// beside the hidden bit), so that leaving the mode, or a design replaced under it, shows exactly
// what the mode hid; snapshots are stored with the marks taken off.
#include <algorithm>
#include <cmath>

#include "commands/draw_common.h"
#include "commands/feature_tools.h"
#include "commands/tool_support.h"
#include "design/derived.h"
#include "design/design_tools.h"
#include "design/pieces.h"
#include "design/seam.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/gbk.h"
#include "model/integrity.h"
#include "model/font.h"

namespace rz {


namespace {

constexpr uint32_t kHiddenByAssign = 1u << 29;
constexpr uint32_t kShownByAssign = 1u << 30;

enum Sub : int {
    kDone,
    kTrim,
    kFold,
    kFullCut,
    kHalfCut,
    kStroke,
    kAddElement,
    kRemoveElement,
    kLabelPlace,
    kText,
    kSlot,
    kMark,
    kChamfer,
    kMarginControl,
    kAttribute,
    kSubCount
};

const std::vector<std::string>& SubNames() {
    static const std::vector<std::string> names = {"完成", "剪齐线段", "后对称控制", "全刀加入", "半刀加入",
                                                   "笔画加入", "加入元素", "去除元素", "号标位置", "字串",
                                                   "槽线",   "记号",     "倒角",       "扩边控制", "属性"};
    return names;
}

int SubPrompt(int sub) {
    switch (sub) {
    case kTrim: return 33777;
    case kFold: return 33780;
    case kFullCut: return 34301;
    case kHalfCut: return 34302;
    case kStroke: return 34303;
    case kAddElement: return 34304;
    case kRemoveElement: return 34305;
    case kLabelPlace: return 34306;
    case kText: return 34307;
    case kSlot: return 34308;
    case kMark: return 34309;
    case kChamfer: return 34310;
    case kMarginControl: return 34311;
    default: return 34312;
    }
}

bool IsLineKind(int k) { return k == kKindLineA || k == kKindLineB; }

struct AssignTool : Tool {
    DesignServices svc;
    int sub = kAttribute;
    int savedPage = -1;
    PieceLine* trimFirst = nullptr;
    PieceLine* featureFirst = nullptr;  // 记号 and 倒角: the first piece line
    PointF featureAt;
    // A stretch being dragged out (全刀/半刀/笔画加入, 槽线).
    bool dragging = false;
    KindRef dragSource;
    float s0 = 0.0f, s1 = 0.0f;

    void releaseData() override {
        trimFirst = nullptr;
        featureFirst = nullptr;
        dragging = false;
    }

    // ---- showing the piece alone ----
    static void Hide(uint32_t& flags) {
        if (!(flags & kFlagHidden)) flags |= kFlagHidden | kHiddenByAssign;
    }
    void applyHiding(Engine& e, Piece& pc) {
        Design& d = e.doc.design;
        for (auto& p : d.parts)
            if (!PieceUsesPart(pc, *p)) Hide(p->flags);
        for (auto& q : d.pieces) {
            if (q.get() != &pc) Hide(q->flags);
            else if (q->flags & kFlagHidden) q->flags = (q->flags & ~kFlagHidden) | kShownByAssign;
        }
    }
    static void ClearHiding(Design& d) {
        auto undo = [](uint32_t& f) {
            if (f & kHiddenByAssign) f &= ~(kFlagHidden | kHiddenByAssign);
            if (f & kShownByAssign) f = (f & ~kShownByAssign) | kFlagHidden;
        };
        for (auto& p : d.parts) undo(p->flags);
        for (auto& q : d.pieces) undo(q->flags);
    }

    // The end of every change: the piece reassembled, its cell redrawn, one snapshot without the
    // mode's hiding in it.
    void commit(Engine& e, Piece& pc, std::vector<Part*> parts = {}) {
        Design& d = e.doc.design;
        for (Part* p : parts)
            if (p) RebuildPart(d, *p);
        AssemblePiece(d, pc, svc.font);
        RebuildPieceFeatures(pc);
        ClearHiding(d);
        e.designChanged();
        e.doc.PushUndo();
        applyHiding(e, pc);
        e.redraw();
        if (svc.piecesChanged) svc.piecesChanged();
    }

    void showSub(Engine& e) {
        e.assignPrompt = SubPrompt(sub);
        e.ShowPrompt(e.assignPrompt);
    }

    bool cancelStep(Engine& e) override {
        ClearHiding(e.doc.design);
        if (savedPage >= 0) e.doc.setCurrentPage(savedPage);
        savedPage = -1;
        e.designChanged();
        e.redraw();
        if (svc.piecesChanged) svc.piecesChanged();
        return false;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        Piece* pc = CurrentPiece(e.doc);
        if (e.step() == 0) {
            if (!pc || !SizeListConsistent(e.doc.design)) return Refuse(e);
            // The piece's parts are shown on their page, and nothing else.
            savedPage = e.doc.currentPage();
            for (auto& part : e.doc.design.parts)
                if (PieceUsesPart(*pc, *part)) {
                    e.doc.setCurrentPage(part->page());
                    break;
                }
            applyHiding(e, *pc);
            e.setStep(1);
            e.designChanged();
            e.redraw();
            showSub(e);
            return true;
        }
        if (!pc) return Refuse(e);
        switch (sub) {
        case kFullCut:
        case kHalfCut:
        case kStroke: return startStretch(e, *pc, p);
        case kAddElement: return addElement(e, *pc, p);
        case kRemoveElement: return removeElement(e, *pc, p);
        case kTrim: return trim(e, *pc, p);
        case kFold: return fold(e, *pc, p);
        case kLabelPlace: return placeLabel(e, *pc, p);
        case kText: return placeText(e, *pc, p);
        case kMarginControl: return marginControl(e, *pc, p);
        case kAttribute: return attribute(e, *pc, p);
        case kSlot: return startSlot(e, *pc, p);
        case kMark: return mark(e, *pc, p);
        case kChamfer: return chamfer(e, *pc, p);
        default: return Refuse(e);
        }
    }

    bool rightPress(Engine& e, const Pointer&) override {
        if (e.step() == 0) return false;
        if (sub == kTrim && trimFirst) {
            trimFirst = nullptr;
            e.ShowPrompt(e.assignPrompt = 33777);
            e.present();
            return true;
        }
        if (!svc.popup) return false;
        int item = svc.popup("指定", SubNames(), std::vector<bool>(size_t(kSubCount), true));
        if (item < 0) return true;
        if (item == kDone) {
            e.CancelStep();
            return true;
        }
        sub = item;
        trimFirst = nullptr;
        featureFirst = nullptr;
        showSub(e);
        return true;
    }

    // ---- 全刀加入, 半刀加入, 笔画加入 ----
    bool startStretch(Engine& e, Piece& pc, const Pointer& p) {
        if (p.shift()) return removeElement(e, pc, p);
        PickResult r = e.PickAt(p.model, kPickLines | kPickSeamAllowances | kPickSymLineLinks | kPickNoLineNodes);
        if (IsLineKind(r.kind)) dragSource = {r.record, kKindLine};
        else if (r.kind == kKindSeamAllowance) dragSource = {r.record, kKindSeamAllowance};
        else if (r.kind == kKindSymLineLink) dragSource = {r.record, kKindSymLineLink};
        else return Refuse(e);
        const Polyline* pl = SourcePolyline(dragSource);
        if (!pl || pl->size() < 2) return Refuse(e);
        s0 = s1 = PolyLengthTo(*pl, p.model).length;
        dragging = true;
        e.setStep(2);
        e.present();
        return true;
    }
    bool move(Engine& e, const Pointer& p) override {
        if (!dragging) return false;
        if (const Polyline* pl = HostPolyline(dragSource)) s1 = PolyLengthTo(*pl, p.model).length;
        e.present();
        return true;
    }
    bool leftRelease(Engine& e, const Pointer& p) override {
        if (!dragging) return false;
        dragging = false;
        e.setStep(1);
        Piece* pc = CurrentPiece(e.doc);
        const Polyline* pl = HostPolyline(dragSource);
        if (!pc || !pl) return Refuse(e);
        s1 = PolyLengthTo(*pl, p.model).length;
        if (sub == kSlot) {
            // Along the piece line from the press to the release; shorter than 3 mm: nothing.
            const PointAt at = PolyPointAt(*pl, s1);
            const size_t i = size_t(std::clamp(at.index, 1, int(pl->size()) - 1));
            const bool right = !SideOfLine((*pl)[i - 1], (*pl)[i], p.model);
            auto slot = MakeSlot(e.doc, dragSource, s0, s1, right, PtDist(featureAt, p.model) > e.doc.settings.slotDepth);
            if (!slot) return true;
            slot->pieceLine = dragSource.as<PieceLine>();
            pc->slotLines.push_back(std::move(slot));
            e.tone(kToneAccepted);
            commit(e, *pc);
            return true;
        }
        const float L = PolyLength(*pl);
        auto line = std::make_unique<PieceLine>();
        line->source = dragSource;
        // A stretch under 2 mm means the whole element.
        if (std::fabs(s1 - s0) > 200.0f) line->start = s0 / L, line->end = s1 / L;
        line->flags = sub == kFullCut ? 3u : sub == kHalfCut ? 2u : 1u;
        pc->linesB.push_back(std::move(line));
        e.tone(kToneAccepted);
        commit(e, *pc);
        return true;
    }

    // ---- 槽线, 记号, 倒角 on the piece's own lines ----
    bool startSlot(Engine& e, Piece& pc, const Pointer& p) {
        PiecePick k = PickInPiece(pc, p.model, PickHalf(e));
        if (k.kind != kKindPieceLine || k.as<PieceLine>()->drawn1.size() < 2) return Refuse(e);
        dragSource = {k.record, kKindPieceLine};
        s0 = s1 = PolyLengthTo(k.as<PieceLine>()->drawn1, p.model).length;
        featureAt = p.model;
        dragging = true;
        e.setStep(2);
        e.present();
        return true;
    }
    bool mark(Engine& e, Piece& pc, const Pointer& p) {
        PiecePick k = PickInPiece(pc, p.model, PickHalf(e));
        if (k.kind != kKindPieceLine) return Refuse(e);
        PieceLine* pl = k.as<PieceLine>();
        if (!featureFirst) {
            featureFirst = pl, featureAt = p.model;
            e.ShowPromptText(kPromptPickMarkLine);
            e.present();
            return true;
        }
        auto m = MakeMark(e.doc, {featureFirst, kKindPieceLine}, {pl, kKindPieceLine}, featureAt);
        if (!m) return Refuse(e);
        m->pieceLine = featureFirst;
        featureFirst = nullptr;
        pc.marks.push_back(std::move(m));
        e.tone(kToneAccepted);
        showSub(e);
        commit(e, pc);
        return true;
    }
    bool chamfer(Engine& e, Piece& pc, const Pointer& p) {
        PiecePick k = PickInPiece(pc, p.model, PickHalf(e));
        if (k.kind == kKindChamfer && !featureFirst) {
            if (ChamferDialog(e, *k.as<Chamfer>())) commit(e, pc);
            return true;
        }
        if (k.kind != kKindPieceLine || k.as<PieceLine>()->drawn1.size() < 2) return Refuse(e);
        PieceLine* pl = k.as<PieceLine>();
        if (!featureFirst) {
            featureFirst = pl, featureAt = p.model;
            e.ShowPromptText(kPromptPickOtherLine);
            e.present();
            return true;
        }
        if (pl == featureFirst) return Refuse(e);
        PieceLine* a = featureFirst;
        featureFirst = nullptr;
        showSub(e);
        // The corner: the end of the first line nearer its press, the second line's end nearer it.
        const Polyline& da = a->drawn1;
        const bool aEnd = PolyLengthTo(da, featureAt).length > 0.5f * PolyLength(da);
        const PointF corner = aEnd ? da.back() : da.front();
        const bool bStart = PtDist(pl->drawn1.front(), corner) <= PtDist(pl->drawn1.back(), corner);
        const ChamferToggle t = ToggleChamfer(e.doc, pc.chamfers, {a, kKindPieceLine}, aEnd, {pl, kKindPieceLine}, bStart);
        if (t == ChamferToggle::Refused) return Refuse(e);
        if (t == ChamferToggle::Made) e.tone(kToneAccepted);
        commit(e, pc);
        return true;
    }

    // ---- 加入元素, 去除元素 ----
    bool addElement(Engine& e, Piece& pc, const Pointer& p) {
        PickResult r = e.PickAt(p.model, kPickPins | kPickMotifs | kPickPointRows | kPickLines | kPickSeamAllowances |
                                             kPickSlotLines | kPickSymLineLinks | kPickSymElemLinks | kPickNoLineNodes);
        if (!r) return Refuse(e);
        if (IsLineKind(r.kind) || r.kind == kKindSeamAllowance) {
            uint32_t kind = IsLineKind(r.kind) ? kKindLine : kKindSeamAllowance;
            for (List<PieceLine>* l : {&pc.linesA, &pc.linesB})
                for (auto& q : *l)
                    if (q->source.ptr == r.record && q->start == 0.0f && q->end == 1.0f) return Refuse(e);
            auto line = std::make_unique<PieceLine>();
            line->source = {r.record, kind};
            line->flags = 3u;
            pc.linesB.push_back(std::move(line));
        } else {
            for (auto& m : pc.members)
                if (m->element.ptr == r.record) return Refuse(e);
            auto m = std::make_unique<PieceMember>();
            m->element = {r.record, uint32_t(r.kind)};
            pc.members.push_back(std::move(m));
        }
        e.tone(kToneAccepted);
        commit(e, pc);
        return true;
    }
    bool removeElement(Engine& e, Piece& pc, const Pointer& p) {
        PiecePick k = PickInPiece(pc, p.model, PickHalf(e));
        if (!k) return Refuse(e);
        RemoveRecord(e.doc.design, k.record);
        e.tone(kToneBack);
        commit(e, pc);
        return true;
    }

    // ---- 剪齐线段 ----
    bool trim(Engine& e, Piece& pc, const Pointer& p) {
        PiecePick k = PickInPiece(pc, p.model, PickHalf(e));
        if (k.kind != kKindPieceLine) return Refuse(e);
        PieceLine* pl = k.as<PieceLine>();
        if (!trimFirst) {
            trimFirst = pl;
            e.ShowPrompt(e.assignPrompt = 33778);
            e.present();
            return true;
        }
        if (k.lineA || pl == trimFirst) return Refuse(e);
        // A click in the line's first half sets (or clears) the reference at its start.
        const Polyline& st = pl->drawn1;
        bool atStart = st.size() < 2 || PolyLengthTo(st, p.model).length <= 0.5f * PolyLength(st);
        PieceLine*& ref = atStart ? pl->prevSeg : pl->nextSeg;
        ref = ref == trimFirst ? nullptr : trimFirst;
        trimFirst = nullptr;
        e.ShowPrompt(e.assignPrompt = 33777);
        commit(e, pc);
        return true;
    }

    // ---- 后对称控制 ----
    bool fold(Engine& e, Piece& pc, const Pointer& p) {
        PiecePick k = PickInPiece(pc, p.model, PickHalf(e));
        if (!k) return Refuse(e);
        PieceLine* foldLine = nullptr;
        for (auto& q : pc.linesA)
            if (q->flags & kPieceLineFoldLine) foldLine = q.get();
        if (!foldLine) {
            // The fold line: a straight outline line.
            if (!k.lineA || !PolyIsStraight(k.as<PieceLine>()->drawn1, 20.0f)) return Refuse(e);
            k.as<PieceLine>()->flags |= kPieceLineFoldLine;
        } else if (k.record == foldLine) {
            foldLine->flags &= ~kPieceLineFoldLine;
        } else {
            uint32_t* flags = nullptr;
            switch (k.kind) {
            case kKindSizeLabel: flags = &k.as<SizeLabel>()->flags; break;
            case kKindSlotLine: flags = &k.as<SlotLine>()->flags; break;
            case kKindMark: flags = &k.as<Mark>()->flags; break;
            case kKindPieceLine: flags = &k.as<PieceLine>()->flags; break;
            default:
                if (k.member) flags = &k.as<PieceMember>()->memberWord;
            }
            if (!flags) return Refuse(e);
            *flags ^= kFlagFolds;
        }
        e.tone(kToneAccepted);
        commit(e, pc);
        return true;
    }

    // ---- 号标位置, 字串 ----
    bool placeLabel(Engine& e, Piece& pc, const Pointer& p) {
        if (pc.sizeLabels.empty()) {
            auto l = std::make_unique<SizeLabel>();
            l->flags = 1u;
            l->x = p.model.x, l->y = p.model.y;
            pc.sizeLabels.push_back(std::move(l));
        } else {
            SizeLabel& l = *pc.sizeLabels.front();
            moveStrokes(l.strokes, p.model.x - l.x, p.model.y - l.y);
            l.x = p.model.x, l.y = p.model.y;
        }
        e.tone(kToneAccepted);
        commit(e, pc);
        return true;
    }
    bool placeText(Engine& e, Piece& pc, const Pointer& p) {
        std::vector<FormField> f{FormField::Text("字串", "")};
        if (!e.doc.platform.formDialog("请输入字串", f) || f[0].text.empty()) return true;
        auto t = std::make_unique<TextString>();
        t->text = Utf8ToGbk(f[0].text);
        t->x = p.model.x, t->y = p.model.y;
        t->flags = 1u;
        if (svc.font) {
            TextLayout lay = svc.font->layoutText(t->text);
            t->width = lay.width, t->height = lay.height;
            t->strokes = std::move(lay.strokes);
            moveStrokes(t->strokes, t->x, t->y);
        }
        pc.texts.push_back(std::move(t));
        e.tone(kToneAccepted);
        commit(e, pc);
        return true;
    }

    // ---- 扩边控制 ----
    bool marginControl(Engine& e, Piece& pc, const Pointer& p) {
        PiecePick k = PickInPiece(pc, p.model, PickHalf(e));
        if (!k.lineA) return Refuse(e);
        PieceLine& pl = *k.as<PieceLine>();
        const float old = pl.f[0];
        int orig = int((pl.flags & kPieceLineOrigMask) >> kPieceLineOrigShift);
        float sign = old < 0.0f ? -1.0f : 1.0f;
        if (old == 0.0f) {
            // Outward: from the winding of the outline, which must be closed; carried over to the
            // source's direction when the line runs backwards.
            if (!(pc.flags & kPieceClosed) || !PolyClosed(pc.outline)) return Refuse(e);
            sign = PolyIsCounterClockwise(pc.outline) ? 1.0f : -1.0f;
            if (pl.start > pl.end) sign = -sign;
        }
        auto c = AskMargin(e, p.mods, old, std::clamp(orig, 0, 2));
        if (!c) return true;
        const float margin = sign * c->margin;
        const uint32_t flags = (pl.flags & ~kPieceLineOrigMask) | (uint32_t(c->origLine & 0xF) << kPieceLineOrigShift);
        if (margin == old && flags == pl.flags) return true;  // as it was: no edit, no undo step
        pl.f[0] = margin;
        pl.flags = flags;
        commit(e, pc);
        return true;
    }

    // ---- 属性 ----
    bool attribute(Engine& e, Piece& pc, const Pointer& p) {
        PiecePick k = PickInPiece(pc, p.model, PickHalf(e));
        if (!k) return Refuse(e);
        bool changed = false;
        if (k.member) {
            PieceMember& m = *k.as<PieceMember>();
            PickResult r;
            r.kind = int(m.element.kind & 0xFF);
            r.record = m.element.ptr;
            r.part = OwnerPart(e.doc.design, m.element.ptr);
            changed = AttributeDialog(e, r, p.ctrl());
            if (changed) {
                commit(e, pc, {r.part});
                return true;
            }
        } else if (k.kind == kKindPieceLine) {
            PieceLine& pl = *k.as<PieceLine>();
            const LengthUnit u = DialogLengthUnit(e.doc.settings);
            int kind = int(pl.flags & kPieceLineKindMask);
            std::vector<FormField> f{FormField::Choice("边线", {"全刀", "半刀", "笔画"}, kind == 2 ? 1 : kind == 1 ? 2 : 0),
                                     FormField::Number("边距(" + u.name + ")", pl.f[0] / u.per, 2, -1.0e5 / u.per, 1.0e5 / u.per),
                                     FormField::Check("参与对折", pl.flags & kFlagFolds)};
            if (!e.doc.platform.formDialog("线条属性", f) || !std::isfinite(f[1].value)) return true;
            static const uint32_t kinds[] = {3u, 2u, 1u};
            pl.flags = (pl.flags & ~(kPieceLineKindMask | kFlagFolds)) | kinds[std::clamp(f[0].index(), 0, 2)] |
                       (f[2].on() ? kFlagFolds : 0u);
            pl.f[0] = float(f[1].value * u.per);
            changed = true;
        } else {
            PickResult r;
            r.kind = k.kind;
            r.record = k.record;
            changed = AttributeDialog(e, r, p.ctrl());
        }
        if (changed) commit(e, pc);
        return true;
    }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0) return false;
        HighlightPen(c);
        bool any = false;
        if (trimFirst) DrawPolyline(e, c, trimFirst->drawn1), any = true;
        if (featureFirst) DrawPolyline(e, c, featureFirst->drawn1), any = true;
        if (dragging)
            if (const Polyline* pl = HostPolyline(dragSource)) {
                DrawPolyline(e, c, PolySub(*pl, std::min(s0, s1), std::max(s0, s1)));
                any = true;
            }
        return any;
    }
};

}  // namespace

void InstallAssignTool(Engine& e, const DesignServices& s) {
    auto t = std::make_unique<AssignTool>();
    t->svc = s;
    e.setTool(mode::Assign, std::move(t));
}

}  // namespace rz
