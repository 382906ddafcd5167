// 排刀 (mode 174): a click on a piece outline opens the knife-die editor as the mode's step 1.
// Four handles shape the lattice (rotation, pair, row, second row); the keys and drags below
// change them, Space previews the layout over the whole sheet, Enter stores the arrangement in
// the piece's material record, ESC leaves everything as it was.
#include <cmath>
#include <numbers>

#include "interact/canvas.h"
#include "material/back_tools.h"
#include "material/calc.h"
#include "material/preview_draw.h"
#include "model/units.h"
#include "output/job_stream.h"
#include "output/material_record.h"
#include "output/sheet.h"
#include "output/sheet_pick.h"
#include "geom/polyline.h"

namespace rz {
namespace {

enum Handle { kRotation = 0, kPair = 1, kRow = 2, kSecondRow = 3 };
constexpr float kArrowStep = 40.0f;  // 0.4 mm
constexpr float kDegree = 0.017453292f;

PointF Add(PointF a, PointF b) { return {a.x + b.x, a.y + b.y}; }
PointF Sub(PointF a, PointF b) { return {a.x - b.x, a.y - b.y}; }

class NestTool : public Tool {
public:
    bool leftPress(Engine& e, const Pointer& p) override {
        if (!active_) return start(e, p);
        // A press near the selected handle's point drags it.
        const PixelPoint hp = e.vs.view.toWindow(handlePoint(selected_));
        if (std::abs(hp.x - p.px.x) > 5 || std::abs(hp.y - p.px.y) > 5) return true;
        const PointF pressModel = e.vs.view.toModel(p.px.x, p.px.y);
        const PointF startPt = selected_ == kRotation ? rotationPt_ : framePoint(selected_);
        const float startAngle = angle_;
        DragCapture d;
        d.move = [this, pressModel, startPt, startAngle](Engine& en, const Pointer& q) {
            const PointF now = en.vs.view.toModel(q.px.x, q.px.y);
            if (selected_ == kRotation) {
                const float turn = float(std::atan2(now.y - centre_.y, now.x - centre_.x) -
                                         std::atan2(pressModel.y - centre_.y, pressModel.x - centre_.x));
                rotationPt_ = now;
                setAngle(en, startAngle + turn);
            } else {
                moveHandle(en, Add(startPt, Sub(now, pressModel)));
            }
            en.present();
        };
        d.end = [](Engine& en, const Pointer&, bool) { en.present(); };
        e.beginDrag(p, std::move(d));
        return true;
    }

    bool key(Engine& e, const KeyEvent& k) override {
        if (!active_) return false;
        switch (k.key) {
        case key::Tab: selected_ = k.shift() ? (selected_ + 3) % 4 : (selected_ + 1) % 4; break;
        case key::Backtab: selected_ = (selected_ + 3) % 4; break;
        case key::Escape: finish(e, false); return true;
        case key::Return:
        case key::Enter: finish(e, true); return true;
        case key::Space:
            preview_ = !preview_;
            refresh(e);
            break;
        case '1':
        case '2':
        case '3': {
            MaterialFields r = rec_;
            r.setMode(k.key - '0');
            if (!rebuild(r, LatticeFrom::Pair)) e.tone(500);
            refresh(e);
            break;
        }
        case key::Left:
        case key::Right:
        case key::Up:
        case key::Down: {
            if (k.ctrl() && (k.key == key::Left || k.key == key::Right)) {
                setAngle(e, angle_ + (k.key == key::Left ? kDegree : -kDegree));
                break;
            }
            if (selected_ == kRotation) {
                e.tone(500);
                return true;
            }
            const float dx = k.key == key::Left ? -kArrowStep : k.key == key::Right ? kArrowStep : 0;
            const float dy = k.key == key::Down ? -kArrowStep : k.key == key::Up ? kArrowStep : 0;
            moveHandle(e, Add(framePoint(selected_), {dx, dy}));
            break;
        }
        default: return true;  // the editor takes every key while it runs
        }
        e.present();
        return true;
    }

    bool cancelStep(Engine&) override {
        reset();
        return false;
    }
    void releaseData() override { reset(); }

    bool overlay(Engine& e, Canvas& c) override {
        if (!active_) return false;
        const View& v = e.vs.view;
        std::vector<PixelPoint> px;
        auto draw = [&](const Polyline& pts, PointF at) {
            px.resize(pts.size());
            for (size_t i = 0; i < pts.size(); ++i) px[i] = v.toWindow(Add(Add(pts[i], at), origin_));
            c.polyline(px.data(), px.size());
        };
        if (preview_) {
            c.setColour(0x808080);
            c.setWidth(1);
            DrawNestCopies(shapes_, previewCopies_, origin_, v, c);
        }
        const uint32_t rowColour[3] = {0xFFFFFF, 0x00FFFF, 0x0000FF};  // white, yellow, red
        for (int i = 0; i < 3; ++i) {
            c.setColour(rowColour[i]);
            c.setWidth(selected_ == i + 1 ? 2 : 1);
            for (int j = 0; j < 3; ++j) draw(CopyShape(shapes_, lat_.rows[i][j]), lat_.rows[i][j].at);
        }
        if (!preview_) {
            c.setColour(0xFFFF00);  // cyan
            c.setWidth(1);
            draw({lat_.cell[0], lat_.cell[1], lat_.cell[2], lat_.cell[3], lat_.cell[0]}, {});
        }
        // The handles: the rotation handle in grey, the others from anchor to point.
        auto segment = [&](PointF a, PointF b, bool selected) {
            PixelPoint s[2] = {v.toWindow(a), v.toWindow(b)};
            c.setWidth(selected ? 2 : 1);
            c.polyline(s, 2);
            PixelPoint box[5] = {{s[1].x - 3, s[1].y - 3}, {s[1].x + 3, s[1].y - 3}, {s[1].x + 3, s[1].y + 3},
                                 {s[1].x - 3, s[1].y + 3}, {s[1].x - 3, s[1].y - 3}};
            if (selected) c.polyline(box, 5);
        };
        c.setColour(0xA0A0A0);
        segment(centre_, rotationPt_, selected_ == kRotation);
        c.setColour(0x00FF00);
        segment(Add(origin_, rec_.pairAnchor), Add(origin_, rec_.pairPt), selected_ == kPair);
        segment(Add(origin_, rec_.rowAnchor), Add(origin_, rec_.rowPt), selected_ == kRow);
        segment(Add(origin_, rec_.row2Anchor), Add(origin_, rec_.row2Pt), selected_ == kSecondRow);
        c.setWidth(1);
        return true;
    }

private:
    bool start(Engine& e, const Pointer& p) {
        PLTC& sheet = shown(e);
        const float half = e.vs.view.s > 0 ? 4.0f / e.vs.view.s : 4.0f;
        const SheetHit hit = HitSheetItem(sheet.items, p.model, half);
        if (!hit || sheet.items[size_t(hit.item)].kind() != kItemOutline) return true;
        const PlotItem& outline = sheet.items[size_t(hit.item)];
        piece_ = outline.pieceId;
        outline_ = outline.points;
        area_ = PolyArea(outline_);
        const WorkRange a = sheet.area();
        const MaterialRecord* stored = FindMaterial(sheet.material, piece_);
        bool fresh = !stored || p.ctrl();
        MaterialFields r;
        if (fresh) {
            r.flags = outline.flags & 0xF000u;
            r.pieceId = -1;
            r.margin = e.doc.settings.safetyDistance / 2;
        } else {
            r = DecodeMaterial(*stored);
        }
        r.W = a.w, r.H = a.h;  // refreshed at every 排刀
        angle_ = 0;
        shapes_ = PrepareNestShapes(outline_, 0);
        Lattice l;
        if (!shapes_.ok() || !(area_ > 0) || !BuildLattice(shapes_, r, fresh, l)) {
            e.tone(500);
            return true;
        }
        rec_ = r, lat_ = l;
        float x0 = outline_[0].x, x1 = x0, y0 = outline_[0].y, y1 = y0;
        for (PointF q : outline_) x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
        centre_ = {(x0 + x1) / 2, (y0 + y1) / 2};
        rotationPt_ = p.model;
        origin_ = Sub(centre_, shapes_.c);
        selected_ = kRotation;
        preview_ = false;
        placed_ = 0;
        active_ = true;
        e.setStep(1);
        refresh(e);
        return true;
    }

    PLTC& shown(Engine& e) { return SheetOf(e.doc, e.vs.currentSheet == 1 ? 1 : 0); }

    PointF framePoint(int h) const {
        switch (h) {
        case kPair: return rec_.pairPt;
        case kRow: return rec_.rowPt;
        case kSecondRow: return rec_.row2Pt;
        default: return {};
        }
    }
    PointF handlePoint(int h) const { return h == kRotation ? rotationPt_ : Add(origin_, framePoint(h)); }

    // The lattice again from `from` onwards; false (nothing changed) when it cannot be built.
    bool rebuild(MaterialFields r, LatticeFrom from) {
        Lattice l;
        if (!BuildLattice(shapes_, r, false, l, from)) return false;
        rec_ = r, lat_ = l;
        return true;
    }

    // The selected handle's point moves to `to` (frame units), within its limits.
    void moveHandle(Engine& e, PointF to) {
        MaterialFields r = rec_;
        LatticeFrom from = LatticeFrom::Pair;
        bool clamped = false;
        if (selected_ == kPair) {
            r.pairPt = to;
        } else if (selected_ == kRow) {
            if (to.x < r.rowAnchor.x) to.x = r.rowAnchor.x, clamped = true;
            r.rowPt = to;
            from = LatticeFrom::Row;
        } else if (selected_ == kSecondRow) {
            if (to.x < r.pairAnchor.x) to.x = r.pairAnchor.x, clamped = true;
            r.row2Pt = to;
            from = LatticeFrom::SecondRow;
        }
        if (!rebuild(r, from)) e.tone(500);
        else if (clamped) e.tone(80);
        refresh(e);
    }

    // A new angle: the outline turned again, the counts reset, the pair and row handles moved
    // with the new box centre.
    void setAngle(Engine& e, float angle) {
        NestShapes s = PrepareNestShapes(outline_, angle);
        if (!s.ok()) return e.tone(500);
        MaterialFields r = rec_;
        r.rows = r.largestRow = 0;
        const PointF shift = Sub(s.c, r.pairAnchor), rowShift = Sub(s.c, r.rowAnchor);
        r.pairAnchor = s.c, r.pairPt = Add(r.pairPt, shift);
        r.rowAnchor = s.c, r.rowPt = Add(r.rowPt, rowShift);
        const NestShapes old = shapes_;
        shapes_ = s;
        if (!rebuild(r, LatticeFrom::Pair)) {
            shapes_ = old;
            e.tone(500);
            return;
        }
        angle_ = angle;
        origin_ = Sub(centre_, shapes_.c);
        refresh(e);
    }

    // The status pane, and the full-sheet layout while the preview is on.
    void refresh(Engine& e) {
        previewCopies_.clear();
        if (!preview_) {
            const int unit = e.doc.settings.areaUnit;
            e.ShowPromptText("按空格键预览..." + FormatFixed(lat_.cellUtilisation, 6) + "% " +
                             FormatFixed(AreaInUnit(lat_.cellArea, unit), 6) + " 按回车键确定/ESC键取消!");
            return;
        }
        MaterialFields r = rec_;
        placed_ = 0;
        if (LayoutSheet(shapes_, r, r.W, r.H, previewCopies_)) {
            rec_.rows = r.rows, rec_.largestRow = r.largestRow;
            placed_ = PlacedArea(shapes_, previewCopies_, r.W, r.H, area_);
        }
        const int perPair = rec_.piecesPerPair();
        const PlacedFigures f = FiguresOf(placed_, area_, r.W, r.H, perPair);
        e.ShowPromptText("片数:" + FormatFixed(f.perSheet, 6) + "  利用率:" + FormatFixed(f.utilisation, 6) +
                         "%  片数/双:" + std::to_string(perPair) + "  用量/双:" + FormatFixed(f.usagePerPair, 6) +
                         "  " + std::to_string(rec_.rows) + "x" + std::to_string(rec_.largestRow));
    }

    void finish(Engine& e, bool accept) {
        if (accept) {
            PLTC& sheet = shown(e);
            rec_.usage = placed_ > 0 ? float(area_ / placed_) : 0.0f;
            AcceptNest(sheet.items, sheet.material, piece_, rec_, angle_);
            // The record (and a turned piece) is a change undo brings back.
            sheet.dirty = 1;
            sheet.pushLayout();
        }
        reset();
        e.setStep(0);
        e.UpdateModeStatus();
        e.redraw();
    }

    void reset() {
        active_ = false;
        previewCopies_.clear();
        outline_.clear();
    }

    bool active_ = false;
    int32_t piece_ = 0;
    Polyline outline_;
    double area_ = 0;
    MaterialFields rec_;
    NestShapes shapes_;
    Lattice lat_;
    float angle_ = 0;
    int selected_ = kRotation;
    bool preview_ = false;
    double placed_ = 0;  // placed area of the last preview
    std::vector<NestCopy> previewCopies_;
    PointF centre_, rotationPt_, origin_;
};

}  // namespace

std::unique_ptr<Tool> MakeNestTool() { return std::make_unique<NestTool>(); }

}  // namespace rz
