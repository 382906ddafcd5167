// Selecting and point editing on the back screen: mode 0 (the ruler point, the border, the
// rubber band, the current item and the popup "stPick+按右键"), mode 35 点操作 (the vertex keys
// and the clean-up), the rubber band that 移动 and 删除 try first, and the arrow keys that move
// the ruler point.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "geom/polyline.h"
#include "interact/canvas.h"
#include "material/back_tools.h"
#include "material/sheet_tool_support.h"
#include "output/sheet.h"
#include "output/sheet_border.h"
#include "output/sheet_edit.h"
#include "output/sheet_pick.h"
#include "output/sheet_points.h"
#include "output/sheet_select.h"

namespace rz {
namespace {

constexpr int kModeSelect = 0, kModePointOp = 35, kModeNest = 174;
constexpr uint32_t kCurrentColour = 0xA000A0;  // as the engine highlights picks

using namespace sheettool;

// "%.1f,%.1f" of a sheet point in millimetres, or centimetres under the centimetre display.
void ShowPosition(Engine& e, PointF p) {
    const double k = e.doc.settings.centimetreDisplay ? 1000.0 : 100.0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f,%.1f", p.x / k, p.y / k);
    e.doc.platform.setStatus(4, buf);
}

// The current item and vertex (the last hit test on the back screen). Kept with what identifies
// the item, so that a list changed behind its back (Delete, undo, a new sheet) never leaves it
// pointing at another item.
struct Current {
    SheetVertex v;
    const PLTC* sheet = nullptr;
    size_t listSize = 0, count = 0;
    int32_t piece = 0;

    void set(const PLTC& s, SheetVertex at) {
        v = at;
        sheet = &s;
        listSize = s.items.size();
        if (v && size_t(v.item) < s.items.size()) {
            count = s.items[size_t(v.item)].points.size();
            piece = s.items[size_t(v.item)].pieceId;
        }
    }
    void clear() { v = {}; }
    bool valid(const PLTC& s) const {
        return v && sheet == &s && s.items.size() == listSize && size_t(v.item) < s.items.size() &&
               s.items[size_t(v.item)].points.size() == count && s.items[size_t(v.item)].pieceId == piece &&
               size_t(v.vertex) < count;
    }
};
using CurrentPtr = std::shared_ptr<Current>;

// ---------------------------------------------------------------- mode 0

class SheetSelectTool : public Tool {
public:
    SheetSelectTool(CurrentPtr cur, PopupMenu popup) : cur_(std::move(cur)), popup_(std::move(popup)) {}

    bool leftPress(Engine& e, const Pointer& p) override {
        SheetSettings& st = Shown(e).settings();
        const bool ruler = (st.words[0] & kSheetRuler) != 0;
        if (p.alt()) {
            if (ruler) moveRuler(e, p.model);
            return true;
        }
        if (p.shift() && ruler) moveRuler(e, p.model);
        if (borderPress(e, p)) return true;
        SheetBandFirst(e, p, [cur = cur_](Engine& en, const Pointer& q) {
            PLTC& s = Shown(en);
            const SheetHit h = HitSheetItem(s.items, q.model, Half(en, 3));
            if (!h) {
                cur->clear();
                Nothing(en);
                return;
            }
            cur->set(s, {h.item, h.vertex});
        });
        return true;
    }

    bool rightPress(Engine& e, const Pointer& p) override {
        PLTC& s = Shown(e);
        const SheetHit h = HitSheetItem(s.items, p.model, Half(e, 3));
        if (!h) return true;
        cur_->set(s, {h.item, h.vertex});
        if (!popup_) return true;
        const PlotItem& it = s.items[size_t(h.item)];
        const bool end = IsEndVertex(s.items, cur_->v);
        const bool quick = it.points.size() >= 3 && !(it.flags & kItemQuickDrawn);
        const int chosen = popup_("stPick+按右键", {"重合", "接合", "速绘", "减点"}, {end, end, quick, it.points.size() >= 3});
        // The menu is modal: the sheet may have changed meanwhile.
        if (!cur_->valid(s)) return true;
        const SheetVertex v = cur_->v;
        switch (chosen) {
        case 0:
            if (CoincideEnds(s.items, v)) Changed(e, s);
            else e.tone(kToneRefused);
            break;
        case 1:
            if (SheetVertex j = JoinAt(s.items, v, e.doc.settings.word115)) {
                Changed(e, s);
                cur_->set(s, j);
            } else {
                e.tone(kToneRefused);
            }
            break;
        case 2:
            if (QuickDrawItem(s.items[size_t(v.item)], e.doc.smooth)) {
                Changed(e, s);
                cur_->set(s, {v.item, 0});
            }
            break;
        case 3:
            // Every change of the items is one step of the layout's undo.
            if (ThinItem(s.items[size_t(v.item)])) {
                Changed(e, s);
                cur_->set(s, {v.item, 0});
            }
            break;
        default: break;
        }
        return true;
    }

private:
    void moveRuler(Engine& e, PointF at) {
        SetRulerPoint(Shown(e).settings(), at);
        ShowPosition(e, at);
        e.redraw();
    }

    // A press on a segment of the border shown: Ctrl removes it, otherwise it follows the
    // pointer until the button is released (ESC puts it back).
    bool borderPress(Engine& e, const Pointer& p) {
        SheetSettings& st = Shown(e).settings();
        if (!(st.words[0] & kSheetBorder)) return false;
        Polyline border = BorderPoints(st);
        if (border.size() < 2) return false;
        const RectHit h = PolyHitRect(PickBox(p.model, Half(e, 5)), border);
        if (!h.segment) return false;
        if (p.ctrl()) {
            if (RemoveBorderSegment(border, h.segment, h.vertex)) {
                SetBorderPoints(st, border);
                e.redraw();
            }
            return true;
        }
        const float maxX = st.getFloat(sheetword::CustomW), maxY = st.getFloat(sheetword::CustomH);
        const int b = h.segment;
        DragCapture d;
        d.move = [border, b, maxX, maxY, from = p.model](Engine& en, const Pointer& q) {
            Polyline out;
            if (DragBorderSegment(border, b, {q.model.x - from.x, q.model.y - from.y}, maxX, maxY, out))
                SetBorderPoints(Shown(en).settings(), out);
            ShowPosition(en, q.model);
            en.redraw();
        };
        d.end = [border](Engine& en, const Pointer&, bool accepted) {
            if (!accepted) SetBorderPoints(Shown(en).settings(), border);
            en.redraw();
        };
        e.beginDrag(p, std::move(d));
        return true;
    }

    CurrentPtr cur_;
    PopupMenu popup_;
};

// ---------------------------------------------------------------- mode 35

class SheetVertexTool : public Tool {
public:
    explicit SheetVertexTool(CurrentPtr cur) : cur_(std::move(cur)) {}

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0 && p.ctrl()) {
            cleanUp(e);
            return true;
        }
        if (e.step() == 0) {
            SheetBandFirst(e, p, [this](Engine& en, const Pointer& q) { hit(en, q); });
            return true;
        }
        hit(e, p);
        return true;
    }

    // The vertex keys while an item is being edited; false lets the key go on.
    bool vertexKey(Engine& e, const KeyEvent& k) {
        if (e.mode() != kModePointOp || e.step() != 1) return false;
        if (k.key != key::Left && k.key != key::Right && k.key != key::Delete && k.key != key::Return &&
            k.key != key::Enter)
            return false;
        PLTC& s = Shown(e);
        if (!cur_->valid(s)) {
            // The item went (Delete, undo): the step ends with it.
            cur_->clear();
            e.CancelStep();
            return true;
        }
        SheetVertex& v = cur_->v;
        const int n = int(s.items[size_t(v.item)].points.size());
        switch (k.key) {
        case key::Left:
            if (v.vertex > 0) --v.vertex;
            e.present();
            break;
        case key::Right:
            if (v.vertex + 1 < n) ++v.vertex;
            e.present();
            break;
        case key::Delete:
            if (!DeleteVertex(s.items, v)) return e.tone(kToneBack), true;
            Changed(e, s);
            cur_->set(s, v);
            break;
        default:
            // The split is one step of the layout's undo, as every change of the items is.
            if (!SplitItem(s.items, v)) return e.tone(kToneBack), true;
            Changed(e, s);
            cur_->set(s, v);
            break;
        }
        return true;
    }

    bool cancelStep(Engine&) override {
        cur_->clear();
        return false;
    }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.mode() != kModePointOp || e.step() != 1 || !cur_->valid(Shown(e))) return false;
        const Polyline& pts = Shown(e).items[size_t(cur_->v.item)].points;
        std::vector<PixelPoint> px;
        for (PointF q : pts) px.push_back(e.vs.view.toWindow(q));
        c.setColour(kCurrentColour);
        c.setWidth(2);
        c.setDash(0, 0);
        if (px.size() > 1) c.polyline(px.data(), px.size());
        const PixelPoint at = px[size_t(cur_->v.vertex)];
        c.setWidth(1);
        c.fillRect({at.x - 3, at.y - 3, at.x + 4, at.y + 4});
        return true;
    }

private:
    void hit(Engine& e, const Pointer& p) {
        PLTC& s = Shown(e);
        const SheetHit h = HitSheetItem(s.items, p.model, Half(e, 3));
        if (!h) {
            if (e.step() == 0) Nothing(e);
            return;
        }
        cur_->set(s, {h.item, h.vertex});
        e.setStep(1);
        e.present();
    }

    void cleanUp(Engine& e) {
        PLTC& s = Shown(e);
        e.ShowPromptText(" STEP 1...");
        {
            WaitCursor busy(e.doc.platform);
            cur_->clear();
            if (CleanUpSheet(s.items)) Changed(e, s);
        }
        e.ShowPrompt(e.defaultPrompt);
    }

    CurrentPtr cur_;
};

// The band's rectangle in sheet units.
RectF BandBox(Engine& e, const RubberBand& b) {
    const PixelRect r = b.pixels();
    const PointF lo = e.vs.view.toModel(r.left, r.bottom), hi = e.vs.view.toModel(r.right, r.top);
    return {std::min(lo.x, hi.x), std::min(lo.y, hi.y), std::max(lo.x, hi.x), std::max(lo.y, hi.y)};
}

}  // namespace

void SheetBandFirst(Engine& e, const Pointer& p, std::function<void(Engine&, const Pointer&)> then) {
    e.beginRubberBand(
        p,
        [p, then = std::move(then)](Engine& en, const RubberBand& b) {
            PLTC& s = Shown(en);
            // With the right button down as well the band does nothing.
            if (b.rightDown || (b.mods & kMkRight)) {
                if (b.cleared) en.redraw();
                else en.present();
                return;
            }
            if (b.active) {
                if (PickInRect(s.items, BandBox(en, b), b.crossing()) || b.cleared) en.redraw();
                else en.present();
                return;
            }
            if (b.mods & kMkCtrl) {
                if (const SheetHit h = HitSheetItem(s.items, p.model, Half(en, 3))) {
                    TogglePick(s.items, h.item);
                    en.redraw();
                    return;
                }
            }
            if (then) then(en, p);
        },
        [](Engine& en) { return ClearBandPicks(Shown(en).items); });
}

void SheetCrossingBand(Engine& e, const Pointer& p) {
    e.beginRubberBand(
        p,
        [](Engine& en, const RubberBand& b) {
            if (!b.active || b.rightDown || (b.mods & kMkRight)) {
                if (!b.active) Nothing(en);
                else if (b.cleared) en.redraw();
                return;
            }
            if (PickInRect(Shown(en).items, BandBox(en, b), true, kItemExcluded | kItemSetAside | kItemChosen) || b.cleared)
                en.redraw();
            else en.present();
        },
        [](Engine& en) { return ClearPicks(Shown(en).items); });
}

void InstallSheetSelectTools(Engine& e, PopupMenu popup) {
    auto cur = std::make_shared<Current>();
    e.setBackTool(kModeSelect, std::make_unique<SheetSelectTool>(cur, std::move(popup)));
    e.setBackTool(kModePointOp, std::make_unique<SheetVertexTool>(cur));

    auto previous = e.hooks.backKey;
    e.hooks.backKey = [&e, previous](const KeyEvent& k) {
        // The vertex keys of 点操作 come before the sheet's own keys.
        auto* vt = dynamic_cast<SheetVertexTool*>(e.backTool(kModePointOp));
        if (vt && !(k.mods & (kMkCtrl | kMkAlt)) && vt->vertexKey(e, k)) return true;
        if (previous && previous(k)) return true;
        if (e.mode() == kModeNest && e.step() > 0) return false;
        // The arrow keys move the ruler point shown by a pixel.
        if (k.key != key::Left && k.key != key::Right && k.key != key::Up && k.key != key::Down) return false;
        SheetSettings& st = Shown(e).settings();
        if (!(st.words[0] & kSheetRuler) || (k.mods & (kMkCtrl | kMkAlt))) return false;
        const float d = e.vs.view.s > 0 ? 1.0f / e.vs.view.s : 1.0f;
        PointF r = RulerPoint(st);
        if (k.key == key::Left) r.x -= d;
        else if (k.key == key::Right) r.x += d;
        else if (k.key == key::Up) r.y += d;
        else r.y -= d;
        SetRulerPoint(st, r);
        ShowPosition(e, r);
        e.redraw();
        return true;
    };
    // ESC in mode 0 clears the picks of the sheet shown.
    if (!e.hooks.backClear)
        e.hooks.backClear = [&e, cur] {
            cur->clear();
            if (ClearPicks(Shown(e).items)) e.redraw();
        };
    // Undo and redo give the items back as they were: the current item may be gone.
    for (auto* hook : {&e.hooks.backUndo, &e.hooks.backRedo})
        if (*hook)
            *hook = [&e, cur, inner = *hook] {
                cur->clear();
                if (e.mode() == kModePointOp && e.step() > 0) e.CancelStep();
                return inner();
            };
}

}  // namespace rz
