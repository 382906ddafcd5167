#include "grading/param_table.h"

#include <algorithm>
#include <cstdio>

#include "grading/display.h"
#include "grading/size_dialogs.h"
#include "interact/colours.h"
#include "model/sizes.h"

namespace rz {

namespace {

constexpr int kRowHeight = 17;
constexpr int kTop = 2;
constexpr uint32_t kCurrentSizeBackground = 0xFFFF00;  // cyan
constexpr int kMaxBase = 989, kMinBase = 11, kMinFrom = 9, kMaxTo = 990;

bool Graded(const Design& d) { return (d.flags & kDesignGraded) != 0; }

int SizeCountOf(int from, int to, int step, int base) { return ComputeSizeCount(from, to, step, base).n; }

// A committed change of the size fields: per-size arrays follow a new size count as after
// 确认 of 本码参数, and the change can be undone.
ParamPress Committed(TDoc& doc, bool redraw = false) {
    Design& d = doc.design;
    if (d.n > 0) d.resizePerSizeArrays();
    doc.PushUndo();
    return {true, true, redraw};
}

ParamPress Refused(TDoc& doc, int tone) {
    doc.platform.tone(tone);
    return {true, false, false};
}

// System and category changes: refused while results or per-size arrays exist, and while the
// design holds a pattern (its sizes would no longer be what it was made for).
std::optional<int> RefuseSystemChange(const Design& d) {
    if (Graded(d) || d.n != 0) return kToneRefused;
    if (d.hasContent()) return kToneBack;
    return std::nullopt;
}

ParamPress MoveRange(TDoc& doc, bool from, int dir, bool shift) {
    Design& d = doc.design;
    if (Graded(d)) return Refused(doc, kToneRefused);
    if (HasTargetArrays(d) || HasFixedDistanceSteps(d) || d.step <= 0) return Refused(doc, kToneBack);
    const int delta = dir * d.step;
    int f = d.rangeFrom, t = d.rangeTo;
    int& moved = from ? f : t;
    int& other = from ? t : f;
    moved += delta;
    if (shift) other += delta;
    // Never more than 30 sizes: the other end follows as far as needed (one step, or two where
    // the base size leaves the grid).
    while (SizeCountOf(f, t, d.step, d.baseSize) > kMaxSizeCount && f <= t) other += delta;
    if (f <= kMinFrom || f > t || t > kMaxTo) return Refused(doc, kToneBack);
    d.rangeFrom = f;
    d.rangeTo = t;
    return Committed(doc);
}

ParamPress MoveBase(TDoc& doc, int dir) {
    Design& d = doc.design;
    if (Graded(d)) return Refused(doc, kToneRefused);
    const int base = d.baseSize + dir * d.step;
    if (d.step <= 0 || HasTargetArrays(d, true) || HasFixedDistanceSteps(d) || base > kMaxBase || base < kMinBase ||
        d.hasContent())
        return Refused(doc, kToneBack);
    const bool standard = (d.flags & kDesignParamsFromSystem) != 0;
    if (standard && d.targets && !doc.platform.ask("确认重新计算目标参数吗？")) return {true, false, false};
    d.baseSize = base;
    if (d.n > 0) d.resizePerSizeArrays();
    ApplyStandardParams(d);
    if (d.targets) {
        const SizeList list = MakeSizeList(d);
        if (list.ok()) d.targets = BuildStepTable(d, list);
    }
    return Committed(doc);
}

ParamPress ToggleStandard(TDoc& doc) {
    Design& d = doc.design;
    if (Graded(d)) return Refused(doc, kToneRefused);
    if (d.flags & kDesignParamsFromSystem) {
        d.flags &= ~kDesignParamsFromSystem;
        return Committed(doc);
    }
    bool stepsDiffer = false;
    if (std::optional<BaseParams> p = StandardBaseParams(d)) {
        const bool lastDiffer = p->length != d.baseParams[0] || p->girth != d.baseParams[1];
        stepsDiffer = p->lengthStep != d.baseParams[2] || p->girthStep != d.baseParams[3];
        if (lastDiffer || stepsDiffer) {
            std::string q = "重新计算本码参数";
            if (stepsDiffer) q += "和目标参数";
            q += "吗？";
            if (!doc.platform.ask(q)) return {true, false, false};
        }
    }
    d.flags |= kDesignParamsFromSystem;
    ApplyStandardParams(d);
    if (stepsDiffer && d.targets) {
        const SizeList list = MakeSizeList(d);
        if (list.ok() && int(d.targets->size()) == list.n) d.targets = BuildStepTable(d, list);
    }
    return Committed(doc);
}

ParamPress ToggleHalf(TDoc& doc) {
    Design& d = doc.design;
    if (Graded(d) || d.n != 0) return Refused(doc, kToneRefused);
    if (d.step == 10) {
        // Half sizes double the count: past 15 whole sizes the range would exceed the limit.
        if (SizeCountOf(d.rangeFrom, d.rangeTo, 10, d.baseSize) > kMaxSizeCount / 2) return Refused(doc, kToneBack);
        d.step = 5;
        d.baseParams[2] /= 2;
        d.baseParams[3] /= 2;
    } else {
        d.step = 10;
        d.baseParams[2] *= 2;
        d.baseParams[3] *= 2;
    }
    ApplyStandardParams(d);
    return Committed(doc);
}

ParamPress CycleSystem(TDoc& doc, bool category, int dir) {
    Design& d = doc.design;
    if (auto tone = RefuseSystemChange(d)) return Refused(doc, *tone);
    if (category) {
        const int c = d.sizeCategory >= 0 && d.sizeCategory < kSizeCategoryCount ? d.sizeCategory : 0;
        d.sizeCategory = (c + dir + kSizeCategoryCount) % kSizeCategoryCount;
    } else {
        // 日本 is chosen in the 本码参数 dialog only.
        const int s = d.sizeSystem >= 0 && d.sizeSystem < kPanelSystems ? d.sizeSystem : (dir > 0 ? kPanelSystems - 1 : 0);
        d.sizeSystem = (s + dir + kPanelSystems) % kPanelSystems;
    }
    ApplyDefaultSizeRow(d);
    return Committed(doc);
}

}  // namespace

void TPar::rebuild(const TDoc& doc, bool backScreen) {
    const Design& d = doc.design;
    backScreen_ = backScreen;
    cells_.clear();
    int y = kTop;
    auto row = [&](ParamRegion left, const std::string& leftText, const std::string& mid, ParamRegion right,
                   const std::string& rightText, uint32_t bg = 0) {
        cells_.push_back({1, y, 16, kRowHeight - 1, leftText, left});
        cells_.push_back({18, y, 58, kRowHeight - 1, mid, ParamRegion::None, bg});
        cells_.push_back({77, y, 16, kRowHeight - 1, rightText, right});
        y += kRowHeight;
    };
    row(ParamRegion::SystemPrev, "◀", SizeSystemName(d.sizeSystem), ParamRegion::SystemNext, "▶");
    row(ParamRegion::CategoryPrev, "◀", SizeCategoryName(d.sizeCategory), ParamRegion::CategoryNext, "▶");
    cells_.push_back({1, y, 45, kRowHeight - 1, std::string("半号") + (d.step == 5 ? "◎" : "Ｏ"), ParamRegion::HalfSize});
    cells_.push_back({48, y, 45, kRowHeight - 1,
                      std::string("标准") + ((d.flags & kDesignParamsFromSystem) ? "√" : "  "), ParamRegion::Standard});
    y += kRowHeight;
    row(ParamRegion::BaseDown, "－", "本码" + PanelRangeText(d.baseSize, d.sizeSystem), ParamRegion::BaseUp, "＋");
    row(ParamRegion::FromDown, "－", "起号" + PanelRangeText(d.rangeFrom, d.sizeSystem), ParamRegion::FromUp, "＋");
    row(ParamRegion::ToDown, "－", "止号" + PanelRangeText(d.rangeTo, d.sizeSystem), ParamRegion::ToUp, "＋");
    const SizeList list = MakeSizeList(d);
    char buf[32];
    if (list.ok()) std::snprintf(buf, sizeof buf, "号数 %d", list.n);
    else std::snprintf(buf, sizeof buf, "号数 --");
    cells_.push_back({1, y, 92, kRowHeight - 1, buf, ParamRegion::None});
    y += kRowHeight;
    // The size 全号显示 shows while results exist, otherwise the base size.
    const bool graded = Graded(d) && d.n > 0;
    const int shown = graded ? SizeValueAt(d, CurrentSizeIndex(d)) : d.baseSize;
    row(ParamRegion::SizePrev, "◀", PanelCurrentSizeText(shown, d.sizeSystem), ParamRegion::SizeNext, "▶",
        kCurrentSizeBackground);
    if (backScreen) {
        // Settings word 37: 0 full cut, 1 half cut, 2 pen, 3 none; the swatch in that tool's colour.
        static const char* const kNames[4] = {"全刀", "半刀", "笔画", "不画"};
        const int w = std::clamp(doc.settings.word37, 0, 3);
        cells_.push_back({1, y, 92, kRowHeight - 1, kNames[w], ParamRegion::BackTool, ToolColour(uint32_t(3 - w))});
        return;
    }
    cells_.push_back({1, y, 92, kRowHeight - 1,
                      std::string("扩边全色") + ((d.flags & kDesignMarginFullColour) ? "√" : "  "),
                      ParamRegion::MarginColour});
}

ParamRegion TPar::regionAt(int x, int y) const {
    for (const ParamCell& c : cells_)
        if (c.region != ParamRegion::None && x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h) return c.region;
    return ParamRegion::None;
}

ParamPress TPar::press(TDoc& doc, ParamRegion r, bool shift) {
    Design& d = doc.design;
    ParamPress res;
    switch (r) {
    case ParamRegion::None: return res;
    case ParamRegion::SystemPrev: res = CycleSystem(doc, false, -1); break;
    case ParamRegion::SystemNext: res = CycleSystem(doc, false, 1); break;
    case ParamRegion::CategoryPrev: res = CycleSystem(doc, true, -1); break;
    case ParamRegion::CategoryNext: res = CycleSystem(doc, true, 1); break;
    case ParamRegion::HalfSize: res = ToggleHalf(doc); break;
    case ParamRegion::Standard: res = ToggleStandard(doc); break;
    case ParamRegion::BaseDown: res = MoveBase(doc, -1); break;
    case ParamRegion::BaseUp: res = MoveBase(doc, 1); break;
    case ParamRegion::FromDown: res = MoveRange(doc, true, -1, shift); break;
    case ParamRegion::FromUp: res = MoveRange(doc, true, 1, shift); break;
    case ParamRegion::ToDown: res = MoveRange(doc, false, -1, shift); break;
    case ParamRegion::ToUp: res = MoveRange(doc, false, 1, shift); break;
    case ParamRegion::SizePrev:
    case ParamRegion::SizeNext:
        if (!StepCurrentSize(d, r == ParamRegion::SizeNext ? 1 : -1)) {
            res = Refused(doc, kToneRefused);
            break;
        }
        ApplyDisplayRule(d, doc.settings.displayFlags);
        res = {true, false, true};
        break;
    case ParamRegion::MarginColour:
        d.flags ^= kDesignMarginFullColour;
        res = Committed(doc, true);
        break;
    case ParamRegion::BackTool:
        // A program setting, kept with the settings file: no undo step.
        doc.settings.word37 = (std::clamp(doc.settings.word37, 0, 3) + (shift ? 3 : 1)) % 4;
        res.handled = true;
        break;
    }
    rebuild(doc, backScreen_);
    return res;
}

}  // namespace rz
