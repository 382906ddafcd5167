#include "model/sizes.h"

#include <cmath>
#include <cstdio>

namespace rz {

// ---------------------------------------------------------------- vocabulary

namespace {

const char* const kSystemNames[kSizeSystemCount] = {"统一", "中国", "法国", "英国", "美国", "日本", "自定", "标准"};
const char* const kCategoryNames[kSizeCategoryCount] = {"婴儿", "童鞋", "女鞋", "男鞋"};
const char* const kWidthNames[9] = {"一型  ", "一型半", "二型  ", "二型半", "三型  ",
                                    "三型半", "四型  ", "四型半", "五型  "};

// (system × 4 + category): width type, base, from, to, step.
constexpr int kDefaultRows[kChoosableSystems * kSizeCategoryCount][5] = {
    {10, 110, 90, 130, 10},  {10, 190, 160, 230, 10}, {15, 235, 225, 250, 5},  {25, 250, 240, 265, 5},
    {10, 120, 80, 160, 10},  {10, 280, 220, 360, 10}, {15, 370, 350, 400, 10}, {25, 400, 380, 430, 10},
    {10, 180, 160, 230, 10}, {10, 280, 240, 390, 10}, {15, 370, 340, 420, 10}, {25, 400, 380, 460, 10},
    {10, 30, 10, 60, 10},    {10, 110, 60, 135, 10},  {15, 170, 140, 210, 5},  {25, 190, 180, 260, 5},
    {10, 30, 10, 50, 10},    {10, 110, 60, 135, 10},  {15, 180, 150, 210, 5},  {25, 200, 180, 260, 5},
    {10, 50, 45, 55, 5},     {10, 80, 60, 105, 5},    {15, 105, 90, 115, 5},   {25, 120, 105, 130, 5},
};

}  // namespace

std::string SizeSystemName(int system) {
    if (system >= 0 && system < kSizeSystemCount) return kSystemNames[system];
    return std::to_string(system);
}

std::string SizeSystemLongName(int system) {
    if (system >= 0 && system < kChoosableSystems) return std::string(kSystemNames[system]) + "鞋号";
    return SizeSystemName(system);
}

std::string SizeCategoryName(int category) {
    if (category >= 0 && category < kSizeCategoryCount) return kCategoryNames[category];
    return std::to_string(category);
}

std::string WidthTypeName(int widthType) {
    if (widthType >= 10 && widthType <= 50 && widthType % 5 == 0) return kWidthNames[(widthType - 10) / 5];
    return std::to_string(widthType);
}

const std::vector<int>& WidthTypes() {
    static const std::vector<int> types{10, 15, 20, 25, 30, 35, 40, 45, 50};
    return types;
}

int DisplayedSizeValue(int value, int system) {
    // 140 is the adults' size 1; later values keep counting from there, so 270 is 14 and not
    // wrapped a second time.
    if (SizeSystemWraps(system) && value >= 140) return value - 130;
    return value;
}

std::optional<SizeRow> DefaultSizeRow(int system, int category) {
    if (system < 0 || system >= kChoosableSystems || category < 0 || category >= kSizeCategoryCount)
        return std::nullopt;
    const int* r = kDefaultRows[system * kSizeCategoryCount + category];
    return SizeRow{r[0], r[1], r[2], r[3], r[4]};
}

bool ApplyDefaultSizeRow(DesignParams& d) {
    std::optional<SizeRow> row = DefaultSizeRow(d.sizeSystem, d.sizeCategory);
    if (!row) return false;
    d.widthType = row->widthType;
    d.baseSize = row->base;
    d.rangeFrom = row->from;
    d.rangeTo = row->to;
    d.step = row->step;
    ApplyStandardParams(d);
    return true;
}

// ---------------------------------------------------------------- step standard

const StepStandard& BuiltInStepStandard() {
    static const StepStandard s{
        {{{5.0f, 3.5f}, {5.0f, 3.5f}, {6.67f, 4.5f}, {4.23f, 2.6f}, {4.23f, 3.175f}, {0.0f, 0.0f}}},
        {{true, false, false, true, true, true}},
    };
    return s;
}

StepStandard& SessionStepStandard() {
    static StepStandard s = BuiltInStepStandard();
    return s;
}

namespace {

// Length and girth of systems 0 and 1 from the size value v (system 1 passes its converted u).
void UnifiedMeasures(double v, int category, int widthType, BaseParams& p) {
    double L = v;
    if (v >= 130) L = v + 12;
    if (category == 3) L += 3;
    double G = (category == 3 || category == 2) ? 0.7 * v + 57.5 : 0.9 * v + 11.5;
    G += (widthType - 10) * 7.0 / 10.0;
    p.length = float(L);
    p.girth = float(G);
}

}  // namespace

std::optional<BaseParams> StandardBaseParams(int system, int category, int w, int base, int step) {
    if (system < 0 || system >= kChoosableSystems) return std::nullopt;
    BaseParams p;
    const double v = base;
    switch (system) {
    case 0: UnifiedMeasures(v, category, w, p); break;
    case 1: UnifiedMeasures(double(base / 2 + 50), category, w, p); break;
    case 2: {
        p.length = float((v - 150) * 20.0 / 30.0 + 100);
        float g = float((v - 160) * 4.0 / 10.0 + 105 + (w - 10));
        if (v > 160) g = float(g + (v - 170) / 50.0 + 1);
        p.girth = g;
        break;
    }
    case 3: {
        const double e = (v - 5) / 5.0;
        p.length = float((e + 25) * 25.4 / 6);
        p.girth = float(double(float(((v + 5) / 30.0 + v / 30.0) * 0.5 + e * 2.5 + 110.5)) + (w - 10));
        break;
    }
    case 4: {
        const int k = (2 * base - 20) / 5, m = (base - 5) / 5;
        p.length = float((k + 51) * 25.4 / 12);
        p.girth = float(double(float(((v + 5) / 30.0 + v / 30.0) * 0.5 + m * 2.5 + 109.25)) + (w - 10));
        break;
    }
    default: break;  // 日本: no last measures
    }
    const StepStandard& s = SessionStepStandard();
    double dL = s.steps[size_t(system)].a, dG = s.steps[size_t(system)].b;
    if (s.perHalfSize[size_t(system)] && step == 10) dL *= 2, dG *= 2;
    if (!s.perHalfSize[size_t(system)] && step == 5) dL /= 2, dG /= 2;
    p.lengthStep = float(dL);
    p.girthStep = float(dG);
    return p;
}

std::optional<BaseParams> StandardBaseParams(const DesignParams& d) {
    return StandardBaseParams(d.sizeSystem, d.sizeCategory, d.widthType, d.baseSize, d.step);
}

bool ApplyStandardParams(DesignParams& d) {
    if (!(d.flags & kDesignParamsFromSystem)) return false;
    std::optional<BaseParams> p = StandardBaseParams(d);
    if (!p) return false;
    d.baseParams = {p->length, p->girth, p->lengthStep, p->girthStep};
    return true;
}

// ---------------------------------------------------------------- size list and step table

SizeList MakeSizeList(int from, int to, int step, int base, int maxCount) {
    SizeList l;
    if (step <= 0) {
        l.status = SizeListStatus::NoStep;
        return l;
    }
    if (from > to) {
        l.status = SizeListStatus::Reversed;
        return l;
    }
    SizeCount sc = ComputeSizeCount(from, to, step, base);
    l.n = sc.n;
    l.baseIndex = sc.baseIndex;
    if (sc.n <= 0) {
        l.status = SizeListStatus::Empty;
        return l;
    }
    if (sc.n > maxCount) {
        l.status = SizeListStatus::TooMany;
        return l;
    }
    const bool offGrid = base < from || (base - from) % step != 0;
    l.values.resize(size_t(sc.n));
    for (int i = 0; i < sc.n; ++i) {
        if (i == sc.baseIndex) l.values[size_t(i)] = base;
        else if (i > sc.baseIndex && offGrid) l.values[size_t(i)] = from + (i - 1) * step;
        else l.values[size_t(i)] = from + i * step;
    }
    l.status = SizeListStatus::Ok;
    return l;
}

SizeList MakeSizeList(const DesignParams& d, int maxCount) {
    return MakeSizeList(d.rangeFrom, d.rangeTo, d.step, d.baseSize, maxCount);
}

std::string SizeListProblem(SizeListStatus s) {
    switch (s) {
    case SizeListStatus::Ok: return {};
    case SizeListStatus::NoStep: return "号差必须是正数";
    case SizeListStatus::Reversed: return "扩缩范围的起号大于止号";
    case SizeListStatus::TooMany: return "扩缩范围超过30个号";
    case SizeListStatus::Empty: return "扩缩范围没有号";
    }
    return {};
}

int SizeValueAt(const DesignParams& d, int i) {
    if (d.step <= 0 || d.rangeFrom > d.rangeTo) return 0;
    SizeCount sc = ComputeSizeCount(d.rangeFrom, d.rangeTo, d.step, d.baseSize);
    if (sc.n <= 0 || i < 0 || i >= sc.n) return 0;
    if (i == sc.baseIndex) return d.baseSize;
    const bool offGrid = d.baseSize < d.rangeFrom || (d.baseSize - d.rangeFrom) % d.step != 0;
    if (i > sc.baseIndex && offGrid) return d.rangeFrom + (i - 1) * d.step;
    return d.rangeFrom + i * d.step;
}

double SizeStepsFromBase(const SizeList& list, int base, int step, int i) {
    if (step <= 0 || i < 0 || size_t(i) >= list.values.size()) return 0.0;
    return double(list.values[size_t(i)] - base) / double(step);
}

std::vector<PairF> BuildStepTable(const SizeList& list, int step, float dL, float dG) {
    std::vector<PairF> t(list.values.size());
    if (step <= 0) return t;
    const int b = list.baseIndex, n = int(list.values.size());
    for (int i = 0; i < n; ++i) {
        if (i == b) continue;
        // The neighbour nearer the base: the next size below the base, the previous above it.
        const int j = i < b ? i + 1 : i - 1;
        const double k = std::abs(double(list.values[size_t(i)] - list.values[size_t(j)])) / double(step);
        t[size_t(i)] = {float(dL * k), float(dG * k)};
    }
    return t;
}

std::vector<PairF> BuildStepTable(const DesignParams& d, const SizeList& list) {
    return BuildStepTable(list, d.step, d.baseParams[2], d.baseParams[3]);
}

PairD CumulativeDifference(const std::vector<PairF>& t, int b, int i) {
    const int n = int(t.size());
    PairD r;
    if (b < 0 || b >= n || i < 0 || i >= n) return r;
    if (i > b) {
        for (int k = b + 1; k <= i; ++k) r.a += t[size_t(k)].a, r.b += t[size_t(k)].b;
    } else {
        for (int k = i; k < b; ++k) r.a -= t[size_t(k)].a, r.b -= t[size_t(k)].b;
    }
    return r;
}

bool SameStepTable(const std::vector<PairF>& a, const std::vector<PairF>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!(std::fabs(double(a[i].a) - b[i].a) < 1e-8) || !(std::fabs(double(a[i].b) - b[i].b) < 1e-8))
            return false;
    return true;
}

// ---------------------------------------------------------------- texts

namespace {

std::string PlainSizeText(int value, int system, int labelFormat) {
    const int v = DisplayedSizeValue(value, system);
    const int f = labelFormat & 0x7F;
    if (f == 1) return std::to_string(v);
    std::string s = std::to_string(v / 10);
    if (v % 10 != 0) s += f == 2 ? ".5" : "|";
    return s;
}

}  // namespace

std::string SizeText(int value, int system, int labelFormat) {
    std::string s = PlainSizeText(value, system, labelFormat);
    if (labelFormat & 0x80) s += '#';
    return s;
}

std::string SizeText(const DesignParams& d, int value) { return SizeText(value, d.sizeSystem, d.labelFormat); }

std::string SizeRangeText(const DesignParams& d, int first, int last) {
    std::string s = PlainSizeText(first, d.sizeSystem, d.labelFormat);
    if (last != first) s += "-" + PlainSizeText(last, d.sizeSystem, d.labelFormat);
    if (d.labelFormat & 0x80) s += '#';
    return s;
}

std::string PanelRangeText(int value, int system) {
    const int v = DisplayedSizeValue(value, system);
    char buf[32];
    std::snprintf(buf, sizeof buf, v > 99 ? "%3d" : " %3d", v);
    return buf;
}

std::string PanelCurrentSizeText(int value, int system) {
    const int v = DisplayedSizeValue(value, system);
    char buf[32];
    std::snprintf(buf, sizeof buf, v <= 9 ? "     %1d# " : v <= 99 ? "   %2d# " : " %3d# ", v);
    return buf;
}

std::string ReportWithSizeText(const std::string& report, const std::string& sizeText) {
    if (report.empty()) return sizeText;
    const size_t at = report.find("##");
    if (at == std::string::npos) return report + ";" + sizeText;
    std::string out = report;
    out.replace(at, 2, sizeText);
    return out;
}

std::string BaseSizeLabelText(const DesignParams& d) { return ReportWithSizeText(d.report, SizeText(d, d.baseSize)); }

}  // namespace rz
