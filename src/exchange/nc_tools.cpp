#include "exchange/nc_tools.h"

#include <algorithm>
#include <cmath>

#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "exchange/wirecut.h"
#include "geom/polyline.h"
#include "interact/pick.h"
#include "model/xie.h"
#include "output/sheet.h"

namespace rz {

Polyline EngravingPath(const Polyline& outline, float d) {
    Polyline path;
    if (outline.size() < 2 || !(d > 0.0f)) return path;
    Polyline off = outline;
    PolyOffset(off, PolyIsCounterClockwise(off) ? -d : d, false);
    if (off.size() < 2) return path;
    float lo = off[0].x, hi = off[0].x;
    for (PointF p : off) lo = std::min(lo, p.x), hi = std::max(hi, p.x);
    std::vector<float> ys;
    int pass = 0;
    for (double x = double(lo) + d; x < hi; x += d, ++pass) {
        ys.clear();
        for (size_t i = 1; i < off.size(); ++i) {
            PointF a = off[i - 1], b = off[i];
            if (a.x > b.x) std::swap(a, b);
            // Half-open in x, so a vertex the line passes through counts once.
            if (!(x >= a.x && x < b.x)) continue;
            ys.push_back(float(a.y + (b.y - a.y) * (x - a.x) / (double(b.x) - a.x)));
        }
        std::sort(ys.begin(), ys.end());
        const bool up = pass % 2 == 0;
        for (size_t k = 0; k + 1 < ys.size(); k += 2) {
            const float y0 = up ? ys[k] : ys[k + 1], y1 = up ? ys[k + 1] : ys[k];
            path.push_back({float(x), y0});
            path.push_back({float(x), y1});
        }
    }
    return path;
}

namespace {

// The line under the cursor that 看程序 and 轨迹线 take: lines A and B, not auxiliary ones.
PickResult PickProgramLine(Engine& e, PointF at) {
    PickResult pr = e.PickAt(at, kPickLines);
    if (!pr || (pr.kind != kKindLineA && pr.kind != kKindLineB)) return {};
    return pr;
}

}  // namespace

bool EngraveAt(Engine& e, PointF at, float d) {
    PickResult pr = PickProgramLine(e, at);
    const Line* l = pr ? pr.as<Line>() : nullptr;
    if (!l || (l->flags & kLineAuxiliary)) {
        e.tone(kToneRefused);
        return false;
    }
    // A boundary line stands for its whole part (its outline joined now if it was not yet).
    if (pr.kind == kKindLineA && pr.part->outline.empty()) CompletePart(*pr.part);
    const Polyline& outline = pr.kind == kKindLineA ? pr.part->outline : l->eval;
    Polyline path = EngravingPath(outline, d);
    if (path.empty()) {
        e.tone(kToneRefused);
        return false;
    }
    std::vector<Node> nodes;
    nodes.reserve(path.size());
    for (PointF p : path) nodes.push_back({p.x, p.y, 0});
    auto line = MakeLineRecord(e.doc, std::move(nodes), 4, 1);
    line->flags |= kLineAuxiliary;
    pr.part->linesB.push_back(std::move(line));
    e.doc.design.modified = 1;
    CommitEdit(e, {pr.part});
    return true;
}

std::string NcProgramPath(const Settings& s) { return s.dataFolder + "Vopa.nbc"; }

bool WriteNcProgramAt(Engine& e, PointF at, const std::string& path) {
    PickResult pr = PickProgramLine(e, at);
    const Line* l = pr ? pr.as<Line>() : nullptr;
    if (!l || l->eval.size() < 2) {
        e.tone(kToneRefused);
        return false;
    }
    // Picked in its second half, the line is programmed from its end.
    const bool reversed = pr.segment > int(l->eval.size()) / 2;
    const std::string text = NcProgram(l->eval, reversed, e.doc.smooth.arcFitTolerance, e.doc.settings.lengthUnit);
    std::string err;
    if (!WriteFileAtomic(path, std::vector<uint8_t>(text.begin(), text.end()), &err)) {
        e.tone(kToneRefused);
        e.ShowPromptText("不能打开 " + path);
        return false;
    }
    return true;
}

namespace {

class NcProgramTool : public Tool {
public:
    explicit NcProgramTool(std::function<void(const std::string&)> show) : show_(std::move(show)) {}
    bool leftPress(Engine& e, const Pointer& p) override {
        const std::string path = NcProgramPath(e.doc.settings);
        if (WriteNcProgramAt(e, p.model, path) && show_) show_(path);
        return true;
    }

private:
    std::function<void(const std::string&)> show_;
};

class EngraveTool : public Tool {
public:
    bool leftPress(Engine& e, const Pointer& p) override {
        const int sheet = e.vs.currentSheet == 1 ? 1 : 0;
        const int d = SheetInt(e.doc.settings.sheets[size_t(sheet)], sheetword::KnifeDistance);
        if (d < 100) {
            e.doc.platform.notice(kKnifeDistancePrompt);
            return true;
        }
        EngraveAt(e, p.model, float(d));
        return true;
    }
};

}  // namespace

void InstallNcTools(Engine& e, std::function<void(const std::string& path)> show) {
    e.setTool(kNcProgramMode, std::make_unique<NcProgramTool>(std::move(show)));
    e.setTool(kEngraveMode, std::make_unique<EngraveTool>());
}

}  // namespace rz
