#include "grading/display.h"

#include <algorithm>
#include <unordered_set>

#include "grading/controls.h"
#include "model/settings.h"

namespace rz {

int GradingBaseIndex(const DesignParams& d) {
    const SizeList list = MakeSizeList(d, 32767);
    return list.n > 0 ? list.baseIndex : 0;
}

namespace {

// The elements pieces refer to: lines through their piece lines, pins and motifs as members.
std::unordered_set<const void*> PieceMembers(const Design& d, bool onlyMarked) {
    std::unordered_set<const void*> s;
    for (auto& pc : d.pieces) {
        if (onlyMarked && !(pc->flags & kPieceMarkedForOutput)) continue;
        for (const List<PieceLine>* l : {&pc->linesA, &pc->linesB})
            for (auto& pl : *l)
                if ((pl->source.kind & 0xFF) == kKindLine && pl->source.ptr) s.insert(pl->source.ptr);
        for (auto& m : pc->members) {
            const uint32_t k = m->element.kind & 0xFF;
            if (!m->element.ptr) continue;
            if (k == kKindPin || k == kKindMotif || k == kKindLine) s.insert(m->element.ptr);
            if (k == kKindPieceLine) {
                const PieceLine* pl = m->element.as<PieceLine>();
                if ((pl->source.kind & 0xFF) == kKindLine && pl->source.ptr) s.insert(pl->source.ptr);
            }
        }
    }
    return s;
}

// Hidden by the rule, not by the user: hidden while a copy is shown in its place (the copies of
// an element the user hid stay hidden).
template <class T>
bool HiddenByRule(const T& e, int n) {
    if (!(e.flags & kFlagHidden)) return false;
    int i = 0;
    for (auto* c = e.graded; c && i < n; c = c->graded, ++i)
        if (!(c->flags & kFlagHidden)) return true;
    return false;
}

template <class T>
void SetSizes(T& e, bool ruleHidden, bool allSizes, int current, bool every, int n) {
    // Ungraded elements are the same in every size and keep their own state.
    if (!e.graded) return;
    const bool userHidden = (e.flags & kFlagHidden) && !ruleHidden;
    if (userHidden) return;
    if (!allSizes) {
        e.flags &= ~kFlagHidden;
        return;
    }
    e.flags |= kFlagHidden;
    int i = 0;
    for (auto* c = e.graded; c && i < n; c = c->graded, ++i)
        if (every || i == current) c->flags &= ~kFlagHidden;
}

}  // namespace

void ApplyDisplayRule(Design& d, uint32_t displayFlags) {
    const bool allSizes = (displayFlags & kDispAllSizes) != 0;
    const int current = CurrentSizeIndex(d);
    const bool every = current == GradingBaseIndex(d);
    bool anyMarked = false;
    for (auto& pc : d.pieces) anyMarked = anyMarked || (pc->flags & kPieceMarkedForOutput);
    const bool onlyMembers = anyMarked || (displayFlags & kDispTransient);
    const std::unordered_set<const void*> members = onlyMembers ? PieceMembers(d, anyMarked) : std::unordered_set<const void*>{};
    for (auto& p : d.parts) {
        // Which elements the rule hid is read off their copies before the copies are hidden.
        std::unordered_set<const void*> ruleHidden;
        auto note = [&](auto& list) {
            for (auto& e : list)
                if (HiddenByRule(*e, d.n)) ruleHidden.insert(e.get());
        };
        note(p->linesA);
        note(p->linesB);
        note(p->pins);
        note(p->motifs);
        for (auto& c : p->gradedLines) c->flags |= kFlagHidden;
        for (auto& c : p->gradedPins) c->flags |= kFlagHidden;
        for (auto& c : p->gradedMotifs) c->flags |= kFlagHidden;
        auto set = [&](auto& list) {
            for (auto& e : list)
                if (!onlyMembers || members.count(e.get()))
                    SetSizes(*e, ruleHidden.count(e.get()) > 0, allSizes, current, every, d.n);
        };
        set(p->linesA);
        set(p->linesB);
        set(p->pins);
        set(p->motifs);
    }
}

bool StepCurrentSize(Design& d, int delta) {
    if (!(d.flags & kDesignGraded) || d.n <= 0) return false;
    d.baseIndex = ((d.baseIndex + delta) % d.n + d.n) % d.n;
    return true;
}

bool MoveCurrentSize(Design& d, int delta) {
    if (!(d.flags & kDesignGraded) || d.n <= 0) return false;
    const int to = std::clamp(d.baseIndex + delta, 0, d.n - 1);
    if (to == d.baseIndex) return false;
    d.baseIndex = to;
    return true;
}

GradeReport GradePatternCommand(TDoc& doc, GradingControls* controls) {
    Design& d = doc.design;
    if (d.hasGradedLists() && !doc.platform.ask("清除扩缩结果？")) return {};
    GradeReport r;
    {
        WaitCursor wait(doc.platform);
        if (!doc.suppressGradingAutoSave) doc.AutoSave();
        GradeOptions o;
        GradingRunControls all;
        o.controls = controls ? controls : &all;
        r = GradeDesign(d, doc.smooth, o);
        if (r.ok) {
            ApplyDisplayRule(d, doc.settings.displayFlags);
            doc.PushUndo();
        }
    }
    if (!r.ok) {
        doc.platform.warn(r.error);
        return r;
    }
    if (!r.warnings.empty()) {
        std::string text;
        for (const std::string& w : r.warnings) text += w + "\n";
        doc.platform.notice(text);
    }
    doc.platform.requestRedraw();
    return r;
}

bool ClearGradingCommand(TDoc& doc) {
    Design& d = doc.design;
    if (!d.hasGradedLists()) return false;
    if (!doc.platform.ask("清除扩缩结果？")) return false;
    ClearGrading(d);
    ApplyDisplayRule(d, doc.settings.displayFlags);
    doc.PushUndo();
    doc.platform.requestRedraw();
    return true;
}

}  // namespace rz
