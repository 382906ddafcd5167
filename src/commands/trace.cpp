#include "commands/trace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "commands/draw_common.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/integrity.h"

namespace rz {
namespace {

constexpr int kToneMenuStrip = 800;
constexpr float kMenuCell = 1500.0f;  // one cell of the digitizer's menu strip: 15 mm

int CommandOfKind(int kind) {
    for (const auto& c : ModeCommands())
        if (c.mode == mode::Trace && c.inputKind == kind) return c.command;
    return kCurveCommand;
}

bool IsLineKind(int kind) { return kind <= kInputArc; }

// The new-outline state lives in the engine, whose PartAt skips the part being traced.
void BeginOutline(Engine& e, Part* part, const Node& first) {
    e.newOutline = true;
    e.tracingPart = part;
    e.firstNode = first;
}

void EndOutline(Engine& e) {
    e.newOutline = false;
    e.tracingPart = nullptr;
}

float PixelsToModel(const Engine& e, float px) {
    return e.vs.view.s > 0.0f ? px / e.vs.view.s : px;
}

}  // namespace

// ---------------------------------------------------------------- dispatch

bool TraceTool::leftPress(Engine& e, const Pointer& p) {
    TraceButton b = TraceButton::Place;
    if (p.shift()) b = TraceButton::Vertex;
    else if (p.ctrl() && IsLineKind(e.inputKind())) b = TraceButton::Corner;
    return button(e, b, p.mods);
}

bool TraceTool::rightPress(Engine& e, const Pointer& p) {
    if (p.alt() || !IsLineKind(e.inputKind())) return button(e, TraceButton::TakeBack, p.mods);
    if (e.traced.empty()) {
        ReopenAt(e, p.model);
        showCount(e);
        return true;
    }
    return button(e, TraceButton::Finish, p.mods);
}

bool TraceTool::move(Engine& e, const Pointer&) {
    if (!e.traced.empty()) e.present();
    return true;
}

bool TraceTool::key(Engine& e, const KeyEvent& k) {
    if (k.key == key::Escape) {
        bool used = Escape(e);
        showCount(e);
        return used;
    }
    if (k.key == key::Space && !e.traced.empty()) {
        SpaceDialog(e);
        showCount(e);
        return true;
    }
    return false;
}

bool TraceTool::button(Engine& e, TraceButton b, uint32_t mods) {
    PointF p = e.model;
    if (!IsLineKind(e.inputKind())) {
        bool r = pointKind(e, b, mods);
        showCount(e);
        return r;
    }
    switch (b) {
    case TraceButton::Place:
    case TraceButton::Corner: {
        const auto& m = e.doc.settings.cutSetup.menuRect;
        // The strip is where the tablet's paper menu lies only while the view shows the tablet
        // one to one.
        bool haveStrip = m[2] > m[0] && m[3] > m[1] && e.vs.view.atBase();
        if (e.traced.empty() && haveStrip && p.x >= m[0] && p.x <= m[2] && p.y >= m[1] && p.y <= m[3]) {
            // Bands of 15 mm up the tablet; a band past 字串 has no input kind.
            int kind = int(std::floor(p.y / kMenuCell));
            if (kind < 0 || kind > kInputText) {
                e.tone(kToneRefused);
                break;
            }
            e.Command(CommandOfKind(kind));
            e.tone(kToneMenuStrip);
            break;
        }
        if (AddNode(e, p, b == TraceButton::Corner) && e.inputKind() == kInputArc && e.traced.size() == 3)
            FinishLine(e, false);
        break;
    }
    case TraceButton::Vertex:
        if (e.traced.empty()) {
            placePin(e, p);
            break;
        }
        // A refused node does not finish the line: the user clicked onto the last node.
        if (AddNode(e, p, false)) FinishLine(e, false);
        break;
    case TraceButton::Finish:
        if (!e.traced.empty()) FinishLine(e, true);
        else if (PartAt(e.doc.design, e.doc.currentPage(), p, false)) e.redraw();
        break;
    case TraceButton::TakeBack: TakeBack(e, p); break;
    }
    showCount(e);
    return true;
}

void TraceTool::showCount(Engine& e) {
    std::string text = "描入";
    if (!e.traced.empty()) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%4d", int(e.traced.size()));
        text += buf;
    }
    e.doc.platform.setStatus(5, text);
}

bool TraceTool::reject(Engine& e) {
    e.tone(kToneRefused);
    return true;
}

// ---------------------------------------------------------------- lines

bool TraceTool::AddNode(Engine& e, PointF p, bool corner) {
    float jd = e.doc.smooth.joinDistance;
    bool tooClose = (!e.traced.empty() && PtDist(e.traced.back().pt(), p) <= jd) ||
                    (e.tracingPart && PtDist(e.firstNode.pt(), p) <= jd);
    if (tooClose) {
        e.tone(kToneRefused);
        return false;
    }
    e.appendTraced({p.x, p.y, corner ? kNodeBreak : 0u});
    e.tone(kToneAccepted);
    e.present();
    return true;
}

void TraceTool::FinishLine(Engine& e, bool close) {
    auto& t = e.traced;
    if (t.empty()) return;
    if (t.size() == 1 && !e.tracingPart) {
        t.clear();
        commitReopened(e);
        e.present();
        return;
    }
    Design& d = e.doc.design;
    int page = e.doc.currentPage();
    float jd = e.doc.smooth.joinDistance;
    Part* part = e.tracingPart;
    if (!part) {
        if (page == 3) {
            part = &d.firstPart();
        } else {
            part = PartAt(d, page, t.front().pt(), false);
            for (size_t i = 1; !part && i < t.size(); ++i) {
                part = PartAt(d, page, t[i].pt(), false);
                if (part && PtDist(t.back().pt(), t.front().pt()) <= jd) {
                    t.back().x = t.front().x;
                    t.back().y = t.front().y;
                }
            }
            if (!part) {
                part = &AppendNewPart(d, page);
                BeginOutline(e, part, t.front());
            }
        }
    }
    bool outline = e.tracingPart != nullptr;
    if (outline && close) {
        // The outline is closed by exactly one node on its first node: a last node within the
        // join distance is moved onto it, otherwise a copy of the first node is appended.
        Node& last = t.back();
        if (t.size() > 1 && PtDist(last.pt(), e.firstNode.pt()) <= jd) {
            last.x = e.firstNode.x;
            last.y = e.firstNode.y;
        } else if (!PtSame(last.pt(), e.firstNode.pt())) {
            t.push_back({e.firstNode.x, e.firstNode.y, 0});
        }
    }
    if (t.size() >= 2) {
        int kind = e.inputKind();
        int type = kind == kInputStraight ? kCurvePolyline : e.doc.settings.defaultCurveMethod;
        // Only three nodes make an arc; other counts of an arc trace are kept as straight runs.
        if (kind == kInputArc) type = t.size() == 3 ? kCurveArc3 : kCurvePolyline;
        int edge = outline ? 3 : ((inputOptions & kInputOptionEdge3) ? 3 : 1);
        auto line = MakeLineRecord(e.doc, t, type, edge);
        (outline ? part->linesA : part->linesB).push_back(std::move(line));
    }
    if (close) {
        if (outline) {
            CompletePart(*part);
            EndOutline(e);
        }
        t.clear();
    } else {
        Node last = t.back();
        t.assign(1, last);
    }
    e.designChanged();
    e.redraw();
    if (!e.tracingPart) {
        e.doc.PushUndo();
        reopened_ = false;
    }
}

void TraceTool::commitReopened(Engine& e) {
    // A reopened line whose nodes were dropped is a deleted line: record it, so that one
    // 退一步 brings the line back.
    if (!reopened_ || e.tracingPart) return;
    reopened_ = false;
    e.doc.PushUndo();
}

void TraceTool::reopenLine(Engine& e, Part& part, Line* line, bool isOutline, bool reversed) {
    Design& d = e.doc.design;
    std::vector<Node> nodes = line->nodes;
    if (reversed) std::reverse(nodes.begin(), nodes.end());
    Node first{};
    if (isOutline) {
        first = part.linesA.front()->nodes.empty() ? Node{} : part.linesA.front()->nodes.front();
        // A closed outline ends on its first node; the trace continues without that node.
        if (line == part.linesA.back().get() && nodes.size() >= 2 && PtSame(nodes.back().pt(), first.pt()))
            nodes.pop_back();
        if (part.linesA.size() == 1) first = nodes.empty() ? first : nodes.front();
    }
    RemoveRecord(d, line);
    reopened_ = true;
    if (isOutline) {
        if (part.linesA.empty() && part.isEmpty() && &part != &d.firstPart()) {
            auto it = std::find_if(d.parts.begin(), d.parts.end(),
                                   [&](const std::unique_ptr<Part>& q) { return q.get() == &part; });
            if (it != d.parts.end()) d.parts.erase(it);
            EndOutline(e);
        } else {
            BeginOutline(e, &part, first);
        }
    }
    // The reopened line is traced on as a curve.
    if (e.inputKind() != kInputCurve && e.traced.empty()) e.Command(kCurveCommand);
    e.traced.clear();
    for (const Node& n : nodes) e.appendTraced(n);
    if (!e.traced.empty()) {
        e.model = e.traced.back().pt();
        e.pixel = e.vs.view.toWindow(e.model);
        if (e.hooks.movePointer) e.hooks.movePointer(e.pixel);
    }
    e.tone(kToneBack);
    e.designChanged();
    e.redraw();
}

void TraceTool::TakeBack(Engine& e, PointF p) {
    auto& t = e.traced;
    if (t.size() >= 2) {
        t.pop_back();
        e.tone(kToneBack);
        e.present();
        return;
    }
    if (t.size() == 1) {
        if (e.tracingPart && !e.tracingPart->linesA.empty()) {
            // The single node is where the last outline line ended: step back into that line,
            // so that taking back walks back through the whole outline.
            t.clear();
            reopenLine(e, *e.tracingPart, e.tracingPart->linesA.back().get(), true, false);
            return;
        }
        t.clear();
        EndOutline(e);
        commitReopened(e);
        e.tone(kToneBack);
        e.present();
        return;
    }
    Part* part = PartAt(e.doc.design, e.doc.currentPage(), p, false);
    if (!part) {
        e.tone(kToneRefused);
        return;
    }
    if (!part->linesB.empty()) reopenLine(e, *part, part->linesB.back().get(), false, false);
    else if (!part->linesA.empty()) reopenLine(e, *part, part->linesA.back().get(), true, false);
    else e.tone(kToneRefused);
}

bool TraceTool::ReopenAt(Engine& e, PointF p) {
    Part* part = PartAt(e.doc.design, e.doc.currentPage(), p, false);
    float tol = PixelsToModel(e, 5.0f);
    if (part) {
        for (auto& l : part->linesB) {
            if (l->eval.size() < 2) continue;
            Nearest n = PolyNearest(l->eval, p);
            if (n.dist > tol) continue;
            // Measured along the line, so that a straight line of three points has halves too.
            bool reversed = PolyLengthTo(l->eval, p).length < PolyLength(l->eval) / 2.0f;
            reopenLine(e, *part, l.get(), false, reversed);
            return true;
        }
    }
    e.tone(kToneRefused);
    return false;
}

bool TraceTool::Escape(Engine& e) {
    auto& t = e.traced;
    if (t.empty()) return false;
    if (t.size() >= 2) {
        t.resize(1);
        e.tone(kToneBack);
        e.present();
        return true;
    }
    // One node: as 结束. Without an outline the node is dropped; an outline in progress is
    // closed, so that the lines already traced into it are not left open.
    e.tone(kToneBack);
    FinishLine(e, true);
    if (!t.empty()) t.clear();
    e.present();
    return true;
}

void TraceTool::SpaceDialog(Engine& e) {
    auto& t = e.traced;
    if (t.empty()) return;
    bool cm = e.doc.settings.centimetreDisplay != 0;
    double unit = cm ? 1000.0 : 100.0;
    PointF last = t.back().pt();
    double dx = (e.model.x - last.x) / unit, dy = (e.model.y - last.y) / unit;
    double dist = std::hypot(dx, dy);
    double angle = std::atan2(dy, dx) * 180.0 / M_PI;
    std::vector<ValueField> f = {
        {"距离", dist, 0.0, 1e7, 2},     {"角度", angle, -360.0, 360.0, 2},
        {"ΔX", dx, -1e7, 1e7, 2},        {"ΔY", dy, -1e7, 1e7, 2},
        {"方式", lastSpacePolar ? 0.0 : 1.0, 0.0, 1.0, 0},
    };
    if (!e.doc.platform.valueDialog("定点条件", f)) return;
    lastSpacePolar = f[4].value < 0.5;
    PointF p;
    if (lastSpacePolar) {
        double a = f[1].value * M_PI / 180.0;
        p = {float(last.x + f[0].value * unit * std::cos(a)), float(last.y + f[0].value * unit * std::sin(a))};
    } else {
        p = {float(last.x + f[2].value * unit), float(last.y + f[3].value * unit)};
    }
    e.model = p;
    if (AddNode(e, p, false) && e.inputKind() == kInputArc && t.size() == 3) FinishLine(e, false);
}

Polyline TraceTool::LiveCurve(const Engine& e, PointF cursor) const {
    if (e.traced.empty()) return {};
    std::vector<Node> nodes = e.traced;
    nodes.push_back({cursor.x, cursor.y, 0});
    return TracedCurve(e, std::move(nodes));
}

Polyline TracedCurve(const Engine& e, std::vector<Node> nodes) {
    int kind = e.inputKind();
    int type = kind == kInputStraight ? kCurvePolyline : e.doc.settings.defaultCurveMethod;
    if (kind == kInputArc) type = nodes.size() == 3 ? kCurveArc3 : kCurvePolyline;
    Polyline pl = e.doc.smooth.EvaluateNodes(nodes, type, e.doc.settings.sampleCount);
    if (pl.empty())
        for (const Node& n : nodes) pl.push_back(n.pt());
    return pl;
}

bool TraceTool::overlay(Engine& e, Canvas& c) {
    if (e.traced.empty()) return false;
    Polyline pl = LiveCurve(e, e.model);
    std::vector<PixelPoint> px;
    px.reserve(pl.size());
    for (PointF q : pl) px.push_back(e.vs.view.toWindow(q));
    c.setColour(0x0000FF);
    c.setWidth(1);
    c.setDash(0, 0);
    c.polyline(px.data(), px.size());
    // The nodes as small squares.
    for (const Node& n : e.traced) {
        PixelPoint q = e.vs.view.toWindow(n.pt());
        PixelPoint sq[5] = {{q.x - 2, q.y - 2}, {q.x + 2, q.y - 2}, {q.x + 2, q.y + 2}, {q.x - 2, q.y + 2}, {q.x - 2, q.y - 2}};
        c.polyline(sq, 5);
    }
    return true;
}

// ---------------------------------------------------------------- point kinds

bool TraceTool::placePin(Engine& e, PointF p) {
    Part* part = PartAt(e.doc.design, e.doc.currentPage(), p, false);
    if (!part) return reject(e);
    auto pin = std::make_unique<Pin>();
    pin->x = p.x;
    pin->y = p.y;
    pin->diameter = CurrentPinDiameter(e.doc.library, e.doc.settings.needleDiameter);
    pin->flags = kFlagFolds | 1u;
    pin->outline = PinOutline(p.x, p.y, pin->diameter);
    part->pins.push_back(std::move(pin));
    e.tone(kToneAccepted);
    commit(e);
    return true;
}

void TraceTool::commit(Engine& e) {
    e.designChanged();
    e.redraw();
    e.doc.PushUndo();
}

bool TraceTool::pointKind(Engine& e, TraceButton b, uint32_t mods) {
    PointF p = e.model;
    Design& d = e.doc.design;
    int page = e.doc.currentPage();
    int kind = e.inputKind();
    if (b == TraceButton::Finish || b == TraceButton::Vertex) return true;
    Part* part = PartAt(d, page, p, false);
    if (!part) return reject(e);
    bool place = b == TraceButton::Place || b == TraceButton::Corner;
    bool ctrl = (mods & kMkCtrl) != 0, alt = (mods & kMkAlt) != 0;
    auto removeLast = [&](auto& list) {
        if (list.empty()) return reject(e);
        RemoveRecord(d, list.back().get());
        e.tone(kToneBack);
        commit(e);
        return true;
    };
    switch (kind) {
    case kInputPin:
        if (place) return placePin(e, p);
        return removeLast(part->pins);
    case kInputNotch: {
        if (page == 3) return reject(e);
        if (!place) return removeLast(part->notches);
        PointF at = p;
        if (part->outline.size() >= 2) at = PolyNearest(part->outline, p).pt;
        auto n = MakeNotch(e.doc, *part, at);
        part->notches.push_back(std::move(n));
        e.tone(kToneAccepted);
        commit(e);
        return true;
    }
    case kInputText: {
        if (!place) return removeLast(part->texts);
        std::string text;
        if (!askText || !askText(text) || text.empty()) return true;  // cancelled: nothing
        auto s = std::make_unique<TextString>();
        s->text = text;
        s->x = p.x;
        s->y = p.y;
        s->flags = 1u;
        if (font) {
            TextLayout lay = font->layoutText(text);
            s->width = lay.width;
            s->height = lay.height;
            s->strokes = std::move(lay.strokes);
            moveStrokes(s->strokes, p.x, p.y);
        }
        part->texts.push_back(std::move(s));
        e.tone(kToneAccepted);
        commit(e);
        return true;
    }
    case kInputSizeLabel: {
        if (!place) return removeLast(part->sizeLabels);
        if (part->sizeLabels.empty()) {
            auto l = std::make_unique<SizeLabel>();
            l->x = p.x;
            l->y = p.y;
            l->colour = PageLabelColour(part->page());
            l->flags = 1u;
            // New size labels take the size-label cell's use size.
            const MotifCell& sizeCell = e.doc.library.cells[kSizeLabelCell];
            if (sizeCell.useW > 0.0f && sizeCell.useH > 0.0f) {
                l->width = sizeCell.useW;
                l->height = sizeCell.useH;
            }
            std::string text = std::to_string(d.baseSize);
            if (d.labelFormat & 0x80) text += "#";
            if (font) {
                FontCell cell(*font, l->width, l->height);
                l->strokes = font->sizeLabel(text, 0.0f, p);
            }
            part->sizeLabels.push_back(std::move(l));
            e.tone(kToneAccepted);
            commit(e);
        }
        if (sizeLabelDialog) sizeLabelDialog(*part);
        return true;
    }
    case kInputLevel: {
        if (!place) {
            if (part->basePoints.empty()) return reject(e);
            BasePoint* bp = part->basePoints.back().get();
            RemovalSet s;
            s.records.insert(bp);
            RemoveRecords(d, s);
            e.tone(kToneBack);
            commit(e);
            return true;
        }
        if (ctrl) {
            auto bp = std::make_unique<BasePoint>();
            bp->x = p.x;
            bp->y = p.y;
            bp->flags = kBaseFollowsOwner;
            // A base point after the first hangs from the first, whose direction sets the
            // part's grading axes.
            if (!part->basePoints.empty()) bp->owner = part->basePoints.front().get();
            bp->index = int(part->basePoints.size());
            part->basePoints.push_back(std::move(bp));
            e.tone(kToneAccepted);
            commit(e);
            return true;
        }
        // The base point under the cursor, else (or with Alt) the part's first base point.
        BasePoint* target = nullptr;
        if (!alt) {
            float tol = PixelsToModel(e, float(e.doc.settings.pickRange));
            for (auto& bp : part->basePoints)
                if (PtDist({bp->x, bp->y}, p) <= tol) {
                    target = bp.get();
                    break;
                }
        }
        if (!target && !part->basePoints.empty()) target = part->basePoints.front().get();
        if (!target) return reject(e);
        Pointer at = e.pointerAt(e.pixel, mods);
        PointF from = p;
        DragCapture cap;
        cap.end = [target, from](Engine& en, const Pointer& q, bool accepted) {
            if (!accepted || PtSame(from, q.model)) return;
            // The target may have gone if the design was replaced meanwhile.
            for (auto& pp : en.doc.design.parts)
                for (auto& bp : pp->basePoints)
                    if (bp.get() == target) {
                        target->direction = PtAngle(from, q.model);
                        en.tone(kToneAccepted);
                        en.designChanged();
                        en.redraw();
                        en.doc.PushUndo();
                        return;
                    }
        };
        e.beginDrag(at, std::move(cap));
        return true;
    }
    case kInputMotif: {
        if (!place) return removeLast(part->motifs);
        std::optional<Shape> shape = currentMotif ? currentMotif() : std::nullopt;
        if (!shape || shape->empty()) return reject(e);
        if (alt) {
            // Mirrored top to bottom about its centre.
            PointF c = PolyCentroid(*shape);
            for (auto& pl : *shape)
                for (auto& q : pl) q.y = 2.0f * c.y - q.y;
        }
        if (ctrl) {
            for (auto& pl : *shape) {
                std::vector<Node> nodes;
                for (PointF q : pl) nodes.push_back({q.x + p.x, q.y + p.y, 0});
                if (nodes.size() < 2) continue;
                int edge = (inputOptions & kInputOptionEdge3) ? 3 : 1;
                part->linesB.push_back(MakeLineRecord(e.doc, std::move(nodes), kCurvePolyline, edge));
            }
            e.tone(kToneAccepted);
            commit(e);
            return true;
        }
        Part* host = part;
        Shape base = *shape;
        DragCapture cap;
        PointF from = p;
        cap.end = [host, base, from](Engine& en, const Pointer& q, bool accepted) {
            if (!accepted) return;
            bool alive = false;
            for (auto& pp : en.doc.design.parts) alive = alive || pp.get() == host;
            if (!alive) return;
            auto m = std::make_unique<Motif>();
            m->shape = base;
            // The drag from the press gives the direction; the press is the position.
            if (PtDiffer(from, q.model)) turnStrokes(m->shape, {0.0f, 0.0f}, PtAngle(from, q.model));
            m->x = from.x;
            m->y = from.y;
            m->flags = kFlagFolds | 1u;
            host->motifs.push_back(std::move(m));
            en.tone(kToneAccepted);
            en.designChanged();
            en.redraw();
            en.doc.PushUndo();
        };
        e.beginDrag(e.pointerAt(e.pixel, mods), std::move(cap));
        return true;
    }
    default: return reject(e);
    }
}

}  // namespace rz
