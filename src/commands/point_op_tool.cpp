// 点操作 (35): the node operations of a line and their two popup menus.
#include "commands/edit_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unordered_map>

#include "commands/correct.h"
#include "commands/draw_common.h"
#include "commands/edit_shared.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/afterload.h"
#include "model/integrity.h"

namespace rz {

using namespace edit;

// ---------------------------------------------------------------- 点操作 (35)

namespace {

struct PointOpTool : Tool {
    EditServices svc;
    Line* line = nullptr;
    Part* part = nullptr;
    bool isA = false;
    int node = -1;            // the node dragged
    PointF dragFrom;
    int rangeA = -1, rangeB = -1;
    std::vector<int> picked;  // Shift/Ctrl presses extend the picked set
    bool moved = false;

    explicit PointOpTool(EditServices s) : svc(std::move(s)) {}
    void releaseData() override {
        line = nullptr, part = nullptr, node = -1, rangeA = rangeB = -1;
        picked.clear();
    }

    int NodeAt(Engine& e, PointF p) const {
        float h = PickHalf(e);
        for (size_t i = 0; i < line->nodes.size(); ++i) {
            PointF q = line->nodes[i].pt();
            if (std::fabs(q.x - p.x) <= h && std::fabs(q.y - p.y) <= h) return int(i);
        }
        return -1;
    }
    void Changed(Engine& e, bool refit) {
        if (refit) line->flags |= lineflag::kNodesRefitted;
        EvaluateLineRecord(*line, e.doc.smooth);
        CommitEdit(e, {part});
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) {
            PickResult r = e.PickAt(p.model, kPickLines);
            if (!IsLine(r.kind)) return Refuse(e);
            line = r.as<Line>();
            part = r.part;
            isA = r.kind == kKindLineA;
            e.setStep(1);
            e.ShowPrompt(kPromptPickNode);
            e.present();
            return true;
        }
        int k = NodeAt(e, p.model);
        if (k >= 0 && (p.shift() || p.ctrl())) {
            auto it = std::find(picked.begin(), picked.end(), k);
            if (it == picked.end()) picked.push_back(k);
            else picked.erase(it);
            e.present();
            return true;
        }
        if (k >= 0) {
            node = k;
            dragFrom = line->nodes[size_t(k)].pt();
            moved = false;
            e.setStep(4);
            return true;
        }
        if (PolyNearest(line->eval, p.model).dist <= PickHalf(e)) {
            rangeA = rangeB = NearestNode(*line, p.model);
            e.setStep(3);
            e.present();
            return true;
        }
        return Refuse(e);
    }
    bool move(Engine& e, const Pointer& p) override {
        if (e.step() == 4 && node >= 0) {
            Node& n = line->nodes[size_t(node)];
            n.x = p.model.x, n.y = p.model.y;
            // The closing node of a closed line moves with the first.
            if (node == 0 && line->nodes.size() > 2 && PtSame(line->nodes.back().pt(), dragFrom))
                line->nodes.back().x = n.x, line->nodes.back().y = n.y;
            moved = true;
            EvaluateLineRecord(*line, e.doc.smooth);
            float dx = (n.x - dragFrom.x) / 100.0f, dy = (n.y - dragFrom.y) / 100.0f;
            char buf[160];
            std::snprintf(buf, sizeof buf, "〔节点坐标〕X=%-8.2f, Y=%-8.2f 〔相对位移〕%-6.2f,%-6.2f %6.2f", n.x / 100.0,
                          n.y / 100.0, dx, dy, std::hypot(dx, dy));
            e.ShowPromptText(buf);
            e.redraw();
            return true;
        }
        if (e.step() == 3) {
            rangeB = NearestNode(*line, p.model);
            e.present();
            return true;
        }
        return false;
    }
    bool leftRelease(Engine& e, const Pointer&) override {
        if (e.step() == 4 && moved) {
            moved = false;
            node = -1;
            CommitEdit(e, {part});
        }
        return false;  // the engine returns to step 1
    }

    // 接合 and 重合 on an outline line: the neighbour in the outline order at that end (the
    // previous line at the first node, the next at the last). 接合 makes the two one line, the
    // junction kept once as a corner node; 重合 moves this end onto the neighbour's end. False
    // when the outline has a single line.
    bool OutlineJoin(Engine& e, PointOpItem item, bool atFirst) {
        auto& list = part->linesA;
        size_t at = 0;
        if (ListOf(*part, line, &at) != &list || list.size() < 2) return false;
        size_t m = list.size();
        Line* other = list[atFirst ? (at + m - 1) % m : (at + 1) % m].get();
        if (other->nodes.size() < 2) return false;
        auto& n = line->nodes;
        Node& end = atFirst ? n.front() : n.back();
        const Node& meet = atFirst ? other->nodes.back() : other->nodes.front();
        if (item == PointOpItem::Coincide) {
            end.x = meet.x, end.y = meet.y;
            return true;
        }
        std::vector<Node> more = other->nodes;
        // Ends that do not meet keep both nodes: the outline already ran straight across.
        bool shared = PtDist(end.pt(), meet.pt()) <= e.doc.smooth.joinDistance;
        end.word |= kNodeBreak;
        if (atFirst) {
            more.back().word |= kNodeBreak;
            n.insert(n.begin(), more.begin(), shared ? more.end() - 1 : more.end());
        } else {
            more.front().word |= kNodeBreak;
            n.insert(n.end(), shared ? more.begin() + 1 : more.begin(), more.end());
        }
        // The joined line stays where this one was: the outline keeps its cyclic order (when
        // the previous line was the last of the list, the outline merely starts elsewhere).
        RemoveRecord(e.doc.design, other);
        return true;
    }

    bool RangeItem(Engine& e, PointOpItem item) {
        if (rangeA < 0 || !line) return Refuse(e);
        int s = std::min(rangeA, rangeB), t = std::max(rangeA, rangeB);
        auto& n = line->nodes;
        switch (item) {
        case PointOpItem::Pull:
            if (t - s < 2 || PullNodes(n, s, t) == 0) return Refuse(e);
            break;
        case PointOpItem::AddNodes: {
            if (s == t) s = 0, t = int(n.size()) - 1;
            if (t - s < 1) return Refuse(e);
            float len = 0;
            for (int i = s; i < t; ++i) len += PtDist(n[size_t(i)].pt(), n[size_t(i + 1)].pt());
            float step = len / float(t - s) / 2;
            if (step < 100.0f || e.doc.smooth.RefitRange(n, s, t, step) == 0) return true;  // no change
            break;
        }
        case PointOpItem::RemoveNodes: {
            size_t before = n.size();
            ThinRange(n, s, t);
            if (n.size() == before) return true;
            break;
        }
        case PointOpItem::RangeCorner:
            if (!CornerRange(n, s, t)) return true;  // parallel: no change
            break;
        default: return false;
        }
        rangeA = rangeB = -1;
        Changed(e, true);
        return true;
    }
    bool NodeItem(Engine& e, PointOpItem item, int k) {
        auto& n = line->nodes;
        int last = int(n.size()) - 1;
        switch (item) {
        case PointOpItem::ArcNode: n[size_t(k)].word &= ~kNodeBreak; break;
        case PointOpItem::CornerNode: n[size_t(k)].word |= kNodeBreak; break;
        case PointOpItem::Split: {
            if (k <= 0 || k >= last) return true;  // only an inner node
            std::vector<Node> second(n.begin() + k, n.end());
            n.resize(size_t(k) + 1);
            auto l2 = LineLike(*line, std::move(second), e.doc.smooth);
            size_t at = 0;
            List<Line>* list = ListOf(*part, line, &at);
            list->insert(list->begin() + long(at + 1), std::move(l2));
            break;
        }
        case PointOpItem::FindCorner: FindCorner(n, k); break;
        case PointOpItem::FindNotch: {
            // The notch sits where this node meets the part's outline; a second notch on the same
            // spot would only be cut twice.
            if (!isA) return Refuse(e);
            PointF at = n[size_t(k)].pt();
            if (part->outline.size() >= 2) at = PolyNearest(part->outline, at).pt;
            float join = e.doc.smooth.joinDistance;
            for (auto& q : part->notches)
                if (PtDist({q->x, q->y}, at) <= join) return Refuse(e);
            part->notches.push_back(MakeNotch(e.doc, *part, at));
            e.tone(kToneAccepted);
            break;
        }
        case PointOpItem::QuickDraw: {
            if (!e.doc.smooth.QuickDraw(n, line->flags, line->eval)) return Refuse(e);
            break;
        }
        case PointOpItem::Join:
        case PointOpItem::Coincide: {
            if (k != 0 && k != last) return true;  // ends only
            if (isA) {
                if (!OutlineJoin(e, item, k == 0)) return Refuse(e);
                break;
            }
            // A line B joins lines B only (an outline line must stay in the outline); its end
            // may coincide with the end of any line of the part.
            PointF end = n[size_t(k)].pt();
            float join = e.doc.smooth.joinDistance;
            Line* other = nullptr;
            bool otherFirst = false;
            float best = join;
            for (auto* list : {&part->linesA, &part->linesB}) {
                if (item == PointOpItem::Join && list == &part->linesA) continue;
                for (auto& l : *list) {
                    if (l.get() == line || l->nodes.size() < 2) continue;
                    for (bool first : {true, false}) {
                        float d = PtDist(end, first ? l->nodes.front().pt() : l->nodes.back().pt());
                        if (d <= best) best = d, other = l.get(), otherFirst = first;
                    }
                }
            }
            if (!other) return Refuse(e);
            PointF target = otherFirst ? other->nodes.front().pt() : other->nodes.back().pt();
            n[size_t(k)].x = target.x, n[size_t(k)].y = target.y;
            if (item == PointOpItem::Join) {
                // The other line's nodes continue this line from the shared end, which stays a
                // corner so that neither side changes its shape.
                std::vector<Node> more = other->nodes;
                if (otherFirst == (k == 0)) std::reverse(more.begin(), more.end());
                n[size_t(k)].word |= kNodeBreak;
                if (k == last) n.insert(n.end(), more.begin() + 1, more.end());
                else n.insert(n.begin(), more.begin(), more.end() - 1);
                RemoveRecord(e.doc.design, other);
            }
            break;
        }
        default: return Refuse(e);
        }
        Changed(e, false);
        return true;
    }
    bool rightPress(Engine& e, const Pointer& p) override {
        // Before a line is picked the right press only zooms.
        if (e.step() == 0 || !line) {
            if (p.ctrl() || p.shift() || p.alt()) return false;
            if (e.vs.view.zoomBy(2.0f / 3.0f, ZoomAnchor::Cursor, p.px, nullptr)) e.redraw();
            return true;
        }
        if (rangeA >= 0 && !p.ctrl()) {
            if (!svc.popup) return true;
            int s = std::min(rangeA, rangeB), t = std::max(rangeA, rangeB);
            std::vector<bool> on{t - s >= 2, true, true, t - s >= 3};
            int i = svc.popup("点操作内", {"拉点", "加点", "减点", "角点"}, on);
            if (i < 0 || i >= int(on.size()) || !on[size_t(i)]) return true;
            const PointOpItem items[] = {PointOpItem::Pull, PointOpItem::AddNodes, PointOpItem::RemoveNodes,
                                         PointOpItem::RangeCorner};
            return RangeItem(e, items[i]);
        }
        int k = NodeAt(e, p.model);
        if (p.ctrl() && k >= 0) {
            if (!svc.popup) return true;
            int last = int(line->nodes.size()) - 1;
            bool end = k == 0 || k == last;
            std::vector<bool> on{true, true, end, !end, end, true, isA, !(line->flags & lineflag::kQuickDrawn)};
            int i = svc.popup("点操作+ctrl", {"弧点", "角点", "接合", "断开", "重合", "找出角点", "找出牙尖", "速绘"}, on);
            if (i < 0 || i >= int(on.size()) || !on[size_t(i)]) return true;
            const PointOpItem items[] = {PointOpItem::ArcNode,  PointOpItem::CornerNode, PointOpItem::Join,
                                         PointOpItem::Split,    PointOpItem::Coincide,   PointOpItem::FindCorner,
                                         PointOpItem::FindNotch, PointOpItem::QuickDraw};
            return NodeItem(e, items[i], k);
        }
        // A plain right press zooms out about the cursor.
        if (e.vs.view.zoomBy(2.0f / 3.0f, ZoomAnchor::Cursor, p.px, nullptr)) e.redraw();
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() == 0 || !line) return false;
        switch (k.key) {
        case 'L': return RangeItem(e, PointOpItem::Pull);
        case 'A': return RangeItem(e, PointOpItem::AddNodes);
        case 'D': return RangeItem(e, PointOpItem::RemoveNodes);
        case 'C': return RangeItem(e, PointOpItem::RangeCorner);
        default: return false;
        }
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !line) return false;
        c.setColour(kHighlightColour);
        c.setWidth(1);
        c.setDash(0, 0);
        for (size_t i = 0; i < line->nodes.size(); ++i) {
            PixelPoint q = e.vs.view.toWindow(line->nodes[i].pt());
            bool inRange = rangeA >= 0 && int(i) >= std::min(rangeA, rangeB) && int(i) <= std::max(rangeA, rangeB);
            bool sel = inRange || std::find(picked.begin(), picked.end(), int(i)) != picked.end();
            int r = sel ? 4 : 2;
            PixelPoint box[5] = {{q.x - r, q.y - r}, {q.x + r, q.y - r}, {q.x + r, q.y + r}, {q.x - r, q.y + r}, {q.x - r, q.y - r}};
            c.polyline(box, 5);
        }
        return true;
    }
};

}  // namespace

void edit::InstallPointOpTool(Engine& e, EditServices services) {
    e.setTool(mode::PointOp, std::make_unique<PointOpTool>(std::move(services)));
}

}  // namespace rz
