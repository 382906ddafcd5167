#include "material/back_tools.h"

#include <cmath>

#include "interact/canvas.h"
#include "interact/modes.h"
#include "material/calc.h"
#include "material/report.h"
#include "material/sheet_tool_support.h"
#include "output/material_record.h"
#include "output/sheet.h"
#include "output/sheet_pick.h"

namespace rz {
namespace {

constexpr int kModeMeasure = 31;
constexpr int kModeMaterial = 173;
constexpr int kModeNest = 174;

using namespace sheettool;

// 算料: a click on a piece lays its arrangement over the sheet and draws the result on the
// other sheet; a click beside the pieces shows the total usage per pair.
class MaterialTool : public Tool {
public:
    explicit MaterialTool(MaterialServices s) : s_(s) {}
    bool leftPress(Engine& e, const Pointer& p) override {
        PLTC& sheet = Shown(e);
        const SheetHit hit = HitSheetItem(sheet.items, p.model, Half(e, 4));
        if (!hit) {
            if (auto t = TotalUsage(sheet.items, sheet.material))
                e.doc.platform.noticeCaption("算料结果", ResultMessage(t->W, t->H, t->usagePerPair));
            return true;
        }
        const int32_t id = sheet.items[size_t(hit.item)].pieceId;
        MaterialRecord* rec = FindMaterial(sheet.material, id);
        if (PieceOutlineIndex(sheet.items, id) < 0 || !rec) return true;
        const MaterialRecord before = *rec;
        const MaterialCalc c = CalculateMaterial(sheet.items, *rec);
        if (!c.refused.empty()) {
            e.tone(500);
            return true;
        }
        if (*rec != before) Changed(e, sheet);  // the record's usage is saved with the sheet
        PLTC& other = SheetOf(e.doc, e.vs.currentSheet == 1 ? 0 : 1);
        WriteMaterialResult(other.items, other.nextPieceId, c, PenSlot(other.settings(), kToolPen), s_.font);
        Changed(e, other);
        e.doc.platform.noticeCaption("算料结果", ResultMessage(c.rec.W, c.rec.H, c.fig.usagePerPair));
        return true;
    }

private:
    MaterialServices s_;
};

// 测量 on the back screen: a drag shows the length of a line from the press; a click reports
// the net consumption of the piece under the pointer or of the whole sheet.
class SheetMeasureTool : public Tool {
public:
    bool leftPress(Engine& e, const Pointer& p) override {
        start_ = p.px;
        from_ = p.model;
        to_ = p.model;
        dragged_ = false;
        DragCapture d;
        d.move = [this](Engine& en, const Pointer& q) {
            if (std::abs(q.px.x - start_.x) >= 2 || std::abs(q.px.y - start_.y) >= 2) dragged_ = true;
            to_ = en.vs.view.toModel(q.px.x, q.px.y);
            en.present();
        };
        d.end = [this](Engine& en, const Pointer&, bool accepted) {
            const bool click = accepted && !dragged_;
            dragged_ = false;
            en.present();
            if (click) report(en);
        };
        d.overlay = [this](Engine& en, Canvas& c) {
            if (!dragged_) return false;
            const View& v = en.vs.view;
            PixelPoint pts[2] = {v.toWindow(from_), v.toWindow(to_)};
            c.setColour(0xFFFFFF);
            c.setWidth(1);
            c.polyline(pts, 2);
            const double mm = std::hypot(double(to_.x) - from_.x, double(to_.y) - from_.y) / 100.0;
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.1f", mm);
            std::string t(buf);
            for (char& ch : t)
                if (ch == ',') ch = '.';
            c.text({pts[1].x + 12, pts[1].y + 12}, t + "mm", std::nullopt);
            return true;
        };
        e.beginDrag(p, std::move(d));
        return true;
    }

    bool overlay(Engine& e, Canvas& c) override { return DrawLit(e, c, lit_); }

private:
    void report(Engine& e) {
        PLTC& sheet = Shown(e);
        const SheetHit hit = HitSheetItem(sheet.items, from_, Half(e, 8));
        if (hit && sheet.items[size_t(hit.item)].kind() == kItemOutline) {
            // The piece is shown highlighted while its figures are on screen.
            const int32_t piece = sheet.items[size_t(hit.item)].pieceId;
            for (size_t i = 0; i < sheet.items.size(); ++i)
                if (sheet.items[i].pieceId == piece) lit_.push_back(i);
            e.present();
            e.doc.platform.noticeCaption("测量结果", PieceMeasureText(sheet.items[size_t(hit.item)], e.doc.settings));
            lit_.clear();
            e.redraw();
            return;
        }
        e.doc.platform.noticeCaption("测量结果", SheetMeasureText(sheet, e.doc.settings));
    }
    PixelPoint start_;
    PointF from_, to_;
    bool dragged_ = false;
    std::vector<size_t> lit_;
};

}  // namespace

void RunMaterialReport(Engine& e, TFont* font) {
    if (!e.backShown()) return;
    e.doc.platform.setBusy(true);
    PLTC& sheet = Shown(e);
    MaterialReport(sheet, font);
    Changed(e, sheet);
    e.doc.platform.setBusy(false);
}

void InstallMaterialTools(Engine& e, MaterialServices s) {
    e.setBackTool(kModeMaterial, std::make_unique<MaterialTool>(s));
    e.setBackTool(kModeNest, MakeNestTool());
    e.setBackTool(kModeMeasure, std::make_unique<SheetMeasureTool>());
    InstallSheetEditTools(e, s.moveHead);
    InstallSheetSelectTools(e, s.popup);
    InstallSheetDrawTools(e, s.shapes);
}

}  // namespace rz
