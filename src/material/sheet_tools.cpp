// Editing the sheet shown on the back screen: 移动 (mode 20), 旋转 (21), 拷贝 (22), 删除 (23), 属性 (30)
// and the keys Backspace, Delete and Space. Every change marks the sheet and pushes one
// snapshot of its layout.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "commands/edit_tools.h"
#include "geom/transform.h"
#include "interact/scene.h"
#include "material/back_tools.h"
#include "output/sheet.h"
#include "output/sheet_edit.h"
#include "output/sheet_push.h"
#include "material/sheet_tool_support.h"

namespace rz {
namespace {

constexpr int kModeMove = 20, kModeRotate = 21, kModeCopy = 22, kModeDelete = 23, kModeAttribute = 30, kModeNest = 174;

using namespace sheettool;

// The item under the pointer (3-pixel box), or -1 after a press on nothing.
int HitOrNothing(Engine& e, const Pointer& p) {
    const SheetHit hit = HitSheetItem(Shown(e).items, p.model, Half(e, 3));
    if (!hit) Nothing(e);
    return hit.item;
}

// Ctrl on a piece in 移动, 旋转 and 拷贝: the pick of the item under the pointer toggles and
// nothing moves.
bool TogglePiecePick(Engine& e, PLTC& sheet, int hit) {
    sheet.items[size_t(hit)].flags ^= kItemPicked;
    e.redraw();
    return true;
}

std::function<PointF(PointF)> MapOf(const DragResult& r) {
    return [m = r.map](PointF p) { return m.apply(p); };
}
// Whether the drag showed the outline turned or mirrored. Two flips (in the vertical, then the
// horizontal line) are a half turn although their count is even, so the placement decides, not
// the key counts.
bool Turned(const DragResult& r) {
    constexpr double kEps = 1e-9;
    const Affine& m = r.map;
    return std::fabs(m.a - 1) > kEps || std::fabs(m.b) > kEps || std::fabs(m.c) > kEps || std::fabs(m.d - 1) > kEps;
}
bool Moved(const DragResult& r) { return r.accepted && (r.offset.x != 0 || r.offset.y != 0 || Turned(r)); }

// The drag of a set of items: their polylines follow the pointer.
Shape OutlineOf(const ItemList& items, const std::function<bool(size_t)>& take) {
    Shape s;
    for (size_t i = 0; i < items.size(); ++i)
        if (take(i)) s.push_back(items[i].points);
    return s;
}

class MoveTool : public Tool {
public:
    MoveTool(bool copy, std::function<bool(PointF)> moveHead = {}) : copy_(copy), moveHead_(std::move(moveHead)) {}
    bool leftPress(Engine& e, const Pointer& p) override {
        if (copy_) return act(e, p);
        // Alt sends the cutter head to the point; otherwise the rubber band comes first.
        if (p.alt()) {
            if (moveHead_) moveHead_(p.model);
            return true;
        }
        SheetBandFirst(e, p, [this](Engine& en, const Pointer& q) { act(en, q); });
        return true;
    }

private:
    bool act(Engine& e, const Pointer& p) {
        PLTC& sheet = Shown(e);
        if (!copy_ && p.shift()) return itemLevel(e, p);
        const int hit = PickSheetPiece(sheet.items, p.model, Half(e, 4));
        if (hit < 0) {
            // 拷贝 picks by a crossing band from a press on no piece; 移动 has had its band.
            if (copy_) SheetCrossingBand(e, p);
            else Nothing(e);
            return true;
        }
        if (p.ctrl()) return TogglePiecePick(e, sheet, hit);
        const std::set<int32_t> pieces = PiecesToAct(sheet.items, sheet.items[size_t(hit)].pieceId);
        Shape shape = OutlineOf(sheet.items, [&](size_t i) { return pieces.count(sheet.items[i].pieceId) != 0; });
        DragOutline(e, p, std::move(shape), [this, pieces](Engine& en, const DragResult& r) {
            PLTC& s = Shown(en);
            // A copy takes the flips its drag showed, as a move does.
            if (!Moved(r)) {
                en.redraw();
                return;
            }
            if (copy_) {
                CopyPieces(s.items, s.nextPieceId, pieces, MapOf(r));
            } else {
                MapPieces(s.items, pieces, MapOf(r));
                // Ctrl at the drop of one piece, neither turned nor flipped: back along the drag
                // until it clears the other outlines.
                if ((r.mods & kMkCtrl) && pieces.size() == 1 && !Turned(r))
                    PushAwayPiece(s.items, *pieces.begin(), r.offset, en.doc.settings.safetyDistance);
            }
            Changed(en, s);
        });
        return true;
    }

    // Shift: the picked items when the one under the pointer is picked, else that item alone.
    bool itemLevel(Engine& e, const Pointer& p) {
        PLTC& sheet = Shown(e);
        const int hit = HitOrNothing(e, p);
        if (hit < 0) return true;
        const bool picked = sheet.items[size_t(hit)].flags & kItemPicked;
        std::vector<size_t> which;
        for (size_t i = 0; i < sheet.items.size(); ++i)
            if (picked ? (sheet.items[i].flags & kItemPicked) != 0 : i == size_t(hit)) which.push_back(i);
        Shape shape;
        for (size_t i : which) shape.push_back(sheet.items[i].points);
        DragOutline(e, p, std::move(shape), [which](Engine& en, const DragResult& r) {
            PLTC& s = Shown(en);
            if (!Moved(r)) {
                en.redraw();
                return;
            }
            for (size_t i : which)
                if (i < s.items.size())
                    for (PointF& q : s.items[i].points) q = r.map.apply(q);
            Changed(en, s);
        });
        return true;
    }
    bool copy_;
    std::function<bool(PointF)> moveHead_;
};

// 旋转: the chosen pieces turn with the pointer about the middle of their box; a left press or
// Enter accepts, ESC cancels. Up and Down make the direction vertical or horizontal, Left and
// Right undo the turn, numeric + and − turn on by the angle that moves the pointer 0.2 mm.
class RotateTool : public Tool {
public:
    bool leftPress(Engine& e, const Pointer& p) override {
        PLTC& sheet = Shown(e);
        const int hit = PickSheetPiece(sheet.items, p.model, Half(e, 4));
        if (hit < 0) {
            SheetCrossingBand(e, p);
            return true;
        }
        if (p.ctrl()) return TogglePiecePick(e, sheet, hit);
        pieces_ = PiecesToAct(sheet.items, sheet.items[size_t(hit)].pieceId);
        shape_ = OutlineOf(sheet.items, [&](size_t i) { return pieces_.count(sheet.items[i].pieceId) != 0; });
        float x0 = std::numeric_limits<float>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
        for (const Polyline& l : shape_)
            for (PointF q : l) x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
        centre_ = {(x0 + x1) / 2, (y0 + y1) / 2};
        pressDir_ = std::atan2(double(p.model.y) - centre_.y, double(p.model.x) - centre_.x);
        angle_ = 0;
        cursor_ = p.model;
        DragCapture d;
        d.acceptOnRelease = false;
        d.rightPans = true;
        d.move = [this](Engine& en, const Pointer& q) {
            cursor_ = en.vs.view.toModel(q.px.x, q.px.y);
            angle_ = std::atan2(double(cursor_.y) - centre_.y, double(cursor_.x) - centre_.x) - pressDir_;
            en.present();
        };
        d.key = [this](Engine& en, const KeyEvent& k) {
            const double r = std::hypot(double(cursor_.x) - centre_.x, double(cursor_.y) - centre_.y);
            if (k.key == key::Up) angle_ = (cursor_.y >= centre_.y ? std::numbers::pi / 2 : -std::numbers::pi / 2) - pressDir_;
            else if (k.key == key::Down) angle_ = (cursor_.x >= centre_.x ? 0.0 : std::numbers::pi) - pressDir_;
            else if (k.key == key::Left || k.key == key::Right) angle_ = 0;
            else if (k.key == key::Plus || k.key == key::Minus) {
                // Within 0.1 mm of the centre the step has no angle.
                if (!(r >= 10.0)) return en.tone(kToneRefused);
                angle_ += (k.key == key::Plus ? 2 : -2) * std::asin(10.0 / r);
            } else {
                return;
            }
            en.present();
        };
        d.overlay = [this](Engine& en, Canvas& c) {
            const Rotation rot = SetRotation(float(angle_));
            std::vector<PixelPoint> px;
            c.setColour(0xFFFFFF);
            c.setWidth(1);
            for (const Polyline& l : shape_) {
                px.clear();
                for (PointF q : l) px.push_back(en.vs.view.toWindow(RotatePoint(rot, centre_, q)));
                c.polyline(px.data(), px.size());
            }
            return true;
        };
        d.end = [this](Engine& en, const Pointer&, bool accepted) {
            PLTC& s = Shown(en);
            if (!accepted || angle_ == 0 || !std::isfinite(angle_)) return en.redraw();
            const Rotation rot = SetRotation(float(angle_));
            MapPieces(s.items, pieces_, [&](PointF q) { return RotatePoint(rot, centre_, q); });
            Changed(en, s);
        };
        e.beginDrag(p, std::move(d));
        return true;
    }

private:
    std::set<int32_t> pieces_;
    Shape shape_;
    PointF centre_, cursor_;
    double pressDir_ = 0, angle_ = 0;
};

class DeleteTool : public Tool {
public:
    bool leftPress(Engine& e, const Pointer& p) override {
        SheetBandFirst(e, p, [](Engine& en, const Pointer& q) {
            PLTC& sheet = Shown(en);
            const int hit = HitOrNothing(en, q);
            if (hit >= 0 && DeleteAt(sheet.items, hit, q.shift())) Changed(en, sheet);
        });
        return true;
    }
};

class AttributeTool : public Tool {
public:
    bool leftPress(Engine& e, const Pointer& p) override {
        PLTC& sheet = Shown(e);
        const int hit = HitOrNothing(e, p);
        if (hit < 0) return true;
        const PlotItem& it = sheet.items[size_t(hit)];
        std::vector<FormField> fields(2);
        fields[0].kind = FormField::Kind::Choice;
        fields[0].label = "边线";
        fields[0].options = {"全刀!", "全刀", "半刀", "笔画", "不画"};
        // A tool beyond 4 (read from a file) has no entry: nothing is chosen, and nothing changes
        // unless the user chooses one.
        fields[0].value = it.tool() <= 4 ? 4 - it.tool() : -1;
        fields[1].kind = FormField::Kind::Label;
        fields[1].label = "笔号";
        fields[1].text = std::to_string(it.pen());
        // An unpicked item is shown highlighted while the dialog is open.
        if (!(it.flags & kItemPicked)) {
            lit_ = {size_t(hit)};
            e.present();
        }
        const bool ok = e.doc.platform.formDialog("输出属性", fields);
        const bool wasLit = !lit_.empty();
        lit_.clear();
        const int chosen = fields[0].index();
        if (ok && chosen >= 0 && chosen <= 4 && SetOutputTool(sheet.items, hit, 4 - chosen, sheet.settings()))
            Changed(e, sheet);
        else if (wasLit)
            e.present();
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override { return DrawLit(e, c, lit_); }

private:
    std::vector<size_t> lit_;
};

}  // namespace

void InstallSheetEditTools(Engine& e, std::function<bool(PointF)> moveHead) {
    e.setBackTool(kModeMove, std::make_unique<MoveTool>(false, std::move(moveHead)));
    e.setBackTool(kModeRotate, std::make_unique<RotateTool>());
    e.setBackTool(kModeCopy, std::make_unique<MoveTool>(true));
    e.setBackTool(kModeDelete, std::make_unique<DeleteTool>());
    e.setBackTool(kModeAttribute, std::make_unique<AttributeTool>());
    auto previous = e.hooks.backKey;
    e.hooks.backKey = [&e, previous](const KeyEvent& k) {
        if (previous && previous(k)) return true;
        // The 排刀 editor takes its own keys.
        if (e.mode() == kModeNest && e.step() > 0) return false;
        if (k.mods & (kMkCtrl | kMkAlt)) return false;
        PLTC& s = Shown(e);
        bool changed = false;
        if (k.key == key::Backspace) changed = PickedIntoCorner(s.items);
        else if (k.key == key::Delete) changed = DeletePickedPieces(s.items) > 0;
        else if (k.key == key::Space) changed = ToggleSetAside(s.items);
        else return false;
        if (changed) Changed(e, s);
        return true;
    };
}

}  // namespace rz
