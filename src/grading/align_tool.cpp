#include "grading/align_tool.h"

#include <cmath>

#include "grading/control_tools.h"
#include "grading/display.h"

namespace rz {

namespace {

constexpr int kPromptAlignPoint = 34021;

// The image of p under the part's first base point's own scaling for one size.
PointF ScaledByFirst(const BasePoint& b, int size, PointF p) {
    if (!b.factors || size < 0 || size_t(size) >= b.factors->size()) return p;
    const PairF f = (*b.factors)[size_t(size)];
    const double a = b.direction, c = std::cos(a), s = std::sin(a);
    const double dx = double(p.x) - b.x, dy = double(p.y) - b.y;
    const double u = (c * dx + s * dy) * f.a, w = (-s * dx + c * dy) * f.b;
    return {float(b.x + c * u - s * w), float(b.y + s * u + c * w)};
}

void Shift(Polyline& to, const Polyline& from, PointF d) {
    to.resize(from.size());
    for (size_t i = 0; i < from.size(); ++i) to[i] = {from[i].x + d.x, from[i].y + d.y};
}

class AlignTool : public Tool {
public:
    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) return take(e, p);
        align(e, p.model);
        return true;
    }

    bool cancelStep(Engine& e) override {
        restore(e);
        e.redraw();
        e.ShowPrompt(kPromptAlignPart);
        return true;
    }

    void releaseData() override { *this = AlignTool(); }

private:
    // What a graded copy looked like before the first click, and which size it is.
    struct SavedLine {
        Line* copy;
        int size;
        std::vector<Node> nodes;
        Polyline eval, second;
    };
    struct SavedPin {
        Pin* copy;
        int size;
        PointF at;
        Polyline outline;
    };
    struct SavedMotif {
        Motif* copy;
        int size;
        PointF at;
    };

    bool take(Engine& e, const Pointer& p) {
        Design& d = e.doc.design;
        const uint32_t flags = e.doc.settings.displayFlags;
        const int page = e.doc.currentPage();
        Part* part = (flags & kDispAllSizes) && page == 3 ? &d.firstPart() : e.PartAt(p.model);
        if (!part || part->basePoints.empty()) {
            e.tone(kToneRefused);
            return true;
        }
        if (part->gradedLines.empty() && part->gradedPins.empty() && part->gradedMotifs.empty()) return true;
        part_ = part;
        offsets_.assign(size_t(std::max(d.n, 0)), PointF{});
        auto sizeOf = [&](auto& list, const void* copy) {
            for (auto& el : list) {
                int i = 0;
                for (auto* c = el->graded; c && i < d.n; c = c->graded, ++i)
                    if (c == copy) return i;
            }
            return -1;
        };
        for (auto& c : part->gradedLines) {
            int s = sizeOf(part->linesA, c.get());
            if (s < 0) s = sizeOf(part->linesB, c.get());
            if (s >= 0) lines_.push_back({c.get(), s, c->nodes, c->eval, c->second});
        }
        for (auto& c : part->gradedPins)
            if (int s = sizeOf(part->pins, c.get()); s >= 0) pins_.push_back({c.get(), s, {c->x, c->y}, c->outline});
        for (auto& c : part->gradedMotifs)
            if (int s = sizeOf(part->motifs, c.get()); s >= 0) motifs_.push_back({c.get(), s, {c->x, c->y}});
        for (auto& other : d.parts)
            if (other.get() != part && other->page() == page && !other->hidden()) {
                other->flags |= kFlagHidden;
                hidden_.push_back(other.get());
            }
        turnedOn_ = !(flags & kDispAllSizes);
        if (turnedOn_) e.doc.settings.displayFlags |= kDispAllSizes;
        ApplyDisplayRule(d, e.doc.settings.displayFlags);
        e.setStep(1);
        e.ShowPrompt(kPromptAlignPoint);
        e.redraw();
        return true;
    }

    void align(Engine& e, PointF at) {
        if (!intact(e)) {
            e.tone(kToneRefused);
            return;
        }
        const BasePoint& b0 = *part_->basePoints.front();
        for (size_t i = 0; i < offsets_.size(); ++i) {
            const PointF q = ScaledByFirst(b0, int(i), at);
            offsets_[i] = {at.x - q.x, at.y - q.y};
        }
        place();
        e.redraw();
    }

    // Every saved copy at its saved place moved by its size's offset.
    void place() {
        for (SavedLine& s : lines_) {
            const PointF d = offsets_[size_t(s.size)];
            s.copy->nodes = s.nodes;
            for (Node& n : s.copy->nodes) n.x += d.x, n.y += d.y;
            Shift(s.copy->eval, s.eval, d);
            Shift(s.copy->second, s.second, d);
        }
        for (SavedPin& s : pins_) {
            const PointF d = offsets_[size_t(s.size)];
            s.copy->x = s.at.x + d.x;
            s.copy->y = s.at.y + d.y;
            Shift(s.copy->outline, s.outline, d);
        }
        for (SavedMotif& s : motifs_) {
            const PointF d = offsets_[size_t(s.size)];
            s.copy->x = s.at.x + d.x;
            s.copy->y = s.at.y + d.y;
        }
    }

    // The copies are still the ones taken and stand where this tool put them: a design that
    // was replaced or re-graded meanwhile is not written to.
    bool intact(Engine& e) const {
        bool found = false;
        for (auto& p : e.doc.design.parts) found = found || p.get() == part_;
        if (!found) return false;
        size_t li = 0, pi = 0, mi = 0;
        for (auto& c : part_->gradedLines)
            if (li < lines_.size() && lines_[li].copy == c.get()) ++li;
        for (auto& c : part_->gradedPins)
            if (pi < pins_.size() && pins_[pi].copy == c.get()) ++pi;
        for (auto& c : part_->gradedMotifs)
            if (mi < motifs_.size() && motifs_[mi].copy == c.get()) ++mi;
        if (li != lines_.size() || pi != pins_.size() || mi != motifs_.size()) return false;
        for (const SavedLine& s : lines_) {
            const PointF d = offsets_[size_t(s.size)];
            if (s.copy->nodes.size() != s.nodes.size()) return false;
            for (size_t j = 0; j < s.nodes.size(); ++j)
                if (s.copy->nodes[j].x != s.nodes[j].x + d.x || s.copy->nodes[j].y != s.nodes[j].y + d.y) return false;
        }
        return true;
    }

    void restore(Engine& e) {
        if (!part_) return;
        if (intact(e)) {
            offsets_.assign(offsets_.size(), PointF{});
            place();
        }
        Design& d = e.doc.design;
        for (Part* p : hidden_)
            for (auto& q : d.parts)
                if (q.get() == p) p->flags &= ~kFlagHidden;
        if (turnedOn_) e.doc.settings.displayFlags &= ~kDispAllSizes;
        ApplyDisplayRule(d, e.doc.settings.displayFlags);
        *this = AlignTool();
    }

    Part* part_ = nullptr;
    std::vector<PointF> offsets_;
    std::vector<SavedLine> lines_;
    std::vector<SavedPin> pins_;
    std::vector<SavedMotif> motifs_;
    std::vector<Part*> hidden_;
    bool turnedOn_ = false;
};

}  // namespace

std::unique_ptr<Tool> MakeAlignTool() { return std::make_unique<AlignTool>(); }

void InstallGradingTools(Engine& e) {
    e.setTool(mode::Align, MakeAlignTool());
    InstallControlTools(e);
}

}  // namespace rz
