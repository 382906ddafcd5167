// The dialogs the design tools share: 自动扩边 (the margin input), 排点参数, 定针属性 and 扩边属性,
// all through the platform's form dialog; and the small queries of the tools.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "commands/draw_common.h"
#include "commands/edit_ops.h"
#include "design/design_tools.h"
#include "design/pieces.h"
#include "design/rows.h"
#include "design/seam.h"
#include "geom/polyline.h"
#include "model/afterload.h"

namespace rz {

Piece* CurrentPiece(TDoc& doc) { return PieceInSlot(doc.design, doc.currentSlot); }

float DefaultDiameter(const TDoc& doc) {
    float d = doc.settings.needleDiameter;
    return std::isfinite(d) && d > 0.0f ? d : 100.0f;
}

uint32_t PinToolBits(const TDoc& doc) { return (doc.settings.cutSetup.cutBits & 1u) ? 3u : 1u; }

bool SizeListConsistent(const Design& d) {
    // A design whose sizes were never set up (N = 0, as after start-up and 清屏, which only load
    // the default row) has no size shown in place of the base size.
    return d.n == 0 || d.baseIndex == ComputeSizeCount(d.rangeFrom, d.rangeTo, d.step, d.baseSize).baseIndex;
}

namespace {

std::string Printf(const char* f, double v) {
    char b[64];
    std::snprintf(b, sizeof b, f, v);
    return b;
}

std::string WindowTitle(const TDoc& doc) {
    return std::filesystem::path(doc.fileName).filename().string();
}

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) < 1.0e7; }

}  // namespace

std::optional<MarginChoice> AskMargin(Engine& e, uint32_t mods, float current, int origLine) {
    const Settings& s = e.doc.settings;
    const auto& defaults = s.seamAllowances;
    const bool shift = mods & kMkShift, ctrl = mods & kMkCtrl, alt = mods & kMkAlt;
    if (shift && ctrl) return MarginChoice{0.0f, origLine};
    if (shift) return MarginChoice{defaults[1], origLine};
    if (ctrl) return MarginChoice{defaults[2], origLine};
    if (alt) return MarginChoice{defaults[3], origLine};
    const LengthUnit u = DialogLengthUnit(s);
    const double initial = current != 0.0f ? std::fabs(current) : defaults[0];
    std::vector<FormField> f;
    f.push_back(FormField::Number("边距(" + u.name + ")", initial / u.per, 2, 0.0, 1.0e5 / u.per));
    f.push_back(FormField::Choice("原线", {"实线", "虚线", "不画"}, 2 - std::clamp(origLine, 0, 2)));
    FormField type = FormField::Choice("类型", {"自选", "搭边", "折边", "修边", "帮脚"}, 0);
    type.presets = {std::nan(""), defaults[1] / u.per, defaults[2] / u.per, defaults[3] / u.per, defaults[4] / u.per};
    type.presetTarget = 0;
    f.push_back(type);
    if (!e.doc.platform.formDialog("自动扩边", f)) return std::nullopt;
    double v = f[0].value;
    int t = f[2].index();
    if (t >= 1 && t <= 4) v = defaults[size_t(t)] / u.per;  // a type button fills the locked field
    if (!Finite(v) || v < 0.0) return std::nullopt;
    MarginChoice c{float(v * u.per), 2 - std::clamp(f[1].index(), 0, 2)};
    if (c.margin == std::fabs(current) && c.origLine == origLine) return std::nullopt;  // no change
    return c;
}

bool RowDialog(Engine& e, PointRow& row, bool creating) {
    RowParams p = ReadRow(row);
    const LengthUnit u = DialogLengthUnit(e.doc.settings);
    const float hostLength = row.host ? PolyLength(row.host->eval) : 0.0f;
    const char* kind = p.mode == RowMode::Auto ? "-自动排(%.2f)" : p.mode == RowMode::Spacing ? "-等距排(%.2f)" : "-节点排(%.2f)";
    const std::string title = WindowTitle(e.doc) + Printf(kind, hostLength / 100.0);
    RowPoints laid = RowPointsOf(row);
    std::vector<FormField> f;
    const bool spacingRow = p.mode == RowMode::Spacing, nodeRow = p.mode == RowMode::Nodes;
    FormField first = spacingRow ? FormField::Number("间距(" + u.name + ")", p.spacing / u.per, 2, 0.0, 1.0e5)
                                 : FormField::Number("点数", p.count, 0, 0.0, double(kMaxRowPoints));
    first.enabled = !nodeRow;
    f.push_back(first);
    f.push_back(FormField::Number("直径(" + u.name + ")", p.diameter / u.per, 1, 0.0, 1.0e4));
    f.push_back(FormField::Number("边距(" + u.name + ")", p.offset / u.per, 2, -1.0e4, 1.0e4));
    FormField insertion = FormField::Choice("选择", {"正常插点", "首部插点", "尾部插点", "中间插点"}, p.insertion);
    insertion.enabled = !creating;
    f.push_back(insertion);
    f.push_back(FormField::Number("码间隔", p.sizeInterval, 0, -50, 50));
    f.push_back(FormField::Number("针增减", p.countStep, 0, 0, 9));
    f.push_back(FormField::Check("首点忽略", p.skipFirst));
    f.push_back(FormField::Check("尾点忽略", p.skipLast));
    f.push_back(FormField::Number("首端延伸(" + u.name + ")", p.startExt / u.per, 2, -1.0e5, 1.0e5));
    f.push_back(FormField::Number("尾端延伸(" + u.name + ")", p.endExt / u.per, 2, -1.0e5, 1.0e5));
    std::string second = spacingRow ? std::to_string(laid.laid)
                         : nodeRow  ? std::to_string(laid.points.size())
                                    : Printf("%.2f", laid.spacing / u.per);
    f.push_back(FormField::Label(spacingRow ? "点数" : nodeRow ? "点数" : "间距", second));
    FormField second2 = FormField::Number("第二间距(" + u.name + ")", p.secondSpacing / u.per, 1, 0.0, 1.0e5);
    second2.enabled = spacingRow;
    f.push_back(second2);
    f.push_back(FormField::Check("决定割出", (p.tool & 0x3u) == 3u));
    f.push_back(FormField::Check("参与对折", p.folds));
    if (!e.doc.platform.formDialog(title, f)) return false;
    for (const FormField& x : f)
        if (x.kind == FormField::Kind::Number && !Finite(x.value)) return false;
    if (spacingRow) p.spacing = float(f[0].value * u.per);
    else if (!nodeRow) p.count = int(std::lround(std::clamp(f[0].value, 0.0, double(kMaxRowPoints))));
    p.diameter = float(f[1].value * u.per);
    p.offset = float(f[2].value * u.per);
    if (!creating) p.insertion = std::clamp(f[3].index(), 0, 3);
    // The size interval goes in steps of 5.
    p.sizeInterval = int(std::lround(std::clamp(f[4].value, -50.0, 50.0) / 5.0)) * 5;
    p.countStep = int(std::lround(std::clamp(f[5].value, 0.0, 9.0)));
    p.skipFirst = f[6].on();
    p.skipLast = f[7].on();
    p.startExt = float(f[8].value * u.per);
    p.endExt = float(f[9].value * u.per);
    if (spacingRow) p.secondSpacing = float(f[11].value * u.per);
    p.tool = f[12].on() ? 3u : 1u;
    p.folds = f[13].on();
    StoreRow(row, p);
    RebuildRow(row, true);
    return true;
}

bool PinDialog(Engine& e, Pin& pin) {
    const LengthUnit u = DialogLengthUnit(e.doc.settings);
    std::vector<FormField> f;
    f.push_back(FormField::Number("X(" + u.name + ")", pin.x / u.per, 2));
    f.push_back(FormField::Number("Y(" + u.name + ")", pin.y / u.per, 2));
    f.push_back(FormField::Number("直径(" + u.name + ")", pin.diameter / u.per, 1, 0.0, 1.0e4));
    f.push_back(FormField::Check("决定割出", (pin.flags & 0x3u) == 3u));
    f.push_back(FormField::Check("参与对折", pin.flags & kFlagFolds));
    if (!e.doc.platform.formDialog("定针属性", f)) return false;
    for (int i = 0; i < 3; ++i)
        if (!Finite(f[size_t(i)].value)) return false;
    PointF at{float(f[0].value * u.per), float(f[1].value * u.per)};
    if (!WithinPatternLimits(at)) return false;
    pin.x = at.x, pin.y = at.y;
    pin.diameter = float(f[2].value * u.per);
    pin.flags = (pin.flags & ~(kFlagToolMask | kFlagFolds)) | (f[3].on() ? 3u : 1u) | (f[4].on() ? kFlagFolds : 0u);
    pin.outline = PinOutline(pin.x, pin.y, pin.diameter);
    return true;
}

bool SeamAttributeDialog(Engine& e, Part& part, SeamAllowance* seam, Line* line) {
    const LengthUnit u = DialogLengthUnit(e.doc.settings);
    float mean = 0.0f;
    if (seam) {
        auto v = ReadSeamValues(*seam);
        if (!v) return false;
        mean = v->mean();
    } else if (line) {
        mean = line->margin;
    } else {
        return false;
    }
    std::vector<FormField> f;
    f.push_back(FormField::Number("边距(" + u.name + ")", std::fabs(mean) / u.per, 2, 0.0, 1.0e5 / u.per));
    f.push_back(FormField::Check("改变方向", false));
    f.push_back(FormField::Check("解除关联", false));
    if (!e.doc.platform.formDialog("扩边属性", f)) return false;
    if (!Finite(f[0].value) || f[0].value < 0.0) return false;
    const float value = float(f[0].value * u.per);
    const bool flip = f[1].on(), detach = f[2].on();
    Design& d = e.doc.design;
    const TSmooth& smooth = e.doc.smooth;
    if (seam) {
        if (detach) {
            auto style = MakeLineRecord(e.doc, {{0, 0, 0}, {1, 0, 0}}, kCurveInterpolating, 1);
            return DetachSeam(d, part, *seam, *style, smooth) != nullptr;
        }
        if (value == 0.0f) return SetSeamMargin(d, part, *seam, 0.0f);
        return SetSeamAttributes(*seam, value, flip);
    }
    if (detach) {
        // The margin line becomes an inner line of its own: the line's nodes moved by the margin.
        std::vector<Node> nodes = line->nodes;
        OffsetNodes(nodes, line->margin, true);
        auto made = LineLike(*line, std::move(nodes), smooth);
        made->flags &= ~(kLineTypeMask | kFlagTransient);
        made->margin = 0.0f;
        EvaluateLineRecord(*made, smooth);
        part.linesB.push_back(std::move(made));
        SetOwnMargin(*line, 0.0f, smooth);
        return true;
    }
    float sign = line->margin < 0.0f ? -1.0f : 1.0f;
    SetOwnMargin(*line, sign * value * (flip ? -1.0f : 1.0f), smooth);
    return true;
}

}  // namespace rz
