#include "grading/size_dialogs.h"

#include "grading/display.h"

#include "model/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace rz {

void ShownValue::set(float v, const char* format) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, double(v));
    value = v;
    shown_ = buf;
    text = shown_;
}

float ShownValue::read() const {
    if (text == shown_) return value;
    const char* s = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(s, &end);
    if (end == s || !std::isfinite(v)) return 0.0f;
    return float(v);
}

// ---------------------------------------------------------------- 本码参数

namespace {
constexpr int kMinSize = 10, kMaxSize = 995;
}  // namespace

bool HasTargetArrays(const Design& d, bool basePointsOnly) {
    if (d.targets && !basePointsOnly) return true;
    for (auto& p : d.parts)
        for (auto& b : p->basePoints)
            if (b->targets) return true;
    return false;
}

bool HasFixedDistanceSteps(const Design& d) {
    for (auto& p : d.parts)
        for (auto& f : p->fixedDistances)
            if (f->perSize) return true;
    return false;
}

CardModel::CardModel(const Design& d) {
    for (size_t i = 0; i < 4; ++i) params[i].set(d.baseParams[i], "%.2f");
    lengthAdj = d.lengthAdj;
    girthAdj = d.girthAdj;
    report = d.report;
    system = d.sizeSystem;
    category = d.sizeCategory;
    base = d.baseSize;
    widthType = d.widthType;
    from = d.rangeFrom;
    to = d.rangeTo;
    half = d.step == 5;
    autoSaveStored_ = d.autoSaveNumber;
    autoSaveShown_ = std::clamp(d.autoSaveNumber, 0, 9999);
    autoSave = autoSaveShown_;
    saveGrading = (d.flags & kDesignSaveGrading) != 0;
    savePictures = (d.flags & kDesignSavePictures) != 0;
    graded_ = (d.flags & kDesignGraded) != 0;
    sized_ = d.n != 0;
    targets_ = HasTargetArrays(d);
    fixedPerSize_ = HasFixedDistanceSteps(d);
    standard_ = (d.flags & kDesignParamsFromSystem) != 0;
}

void CardModel::recompute() {
    if (!standard_) return;
    std::optional<BaseParams> p = StandardBaseParams(system, category, widthType, base, step());
    if (!p) return;
    params[0].set(p->length, "%.2f");
    params[1].set(p->girth, "%.2f");
    params[2].set(p->lengthStep, "%.2f");
    params[3].set(p->girthStep, "%.2f");
}

void CardModel::loadRow() {
    if (std::optional<SizeRow> row = DefaultSizeRow(system, category)) {
        widthType = row->widthType;
        base = row->base;
        from = row->from;
        to = row->to;
        half = row->step == 5;
    }
    recompute();
}

void CardModel::chooseSystem(int s) {
    if (systemLocked()) return;
    system = s;
    loadRow();
}

void CardModel::chooseCategory(int c) {
    if (systemLocked()) return;
    category = c;
    loadRow();
}

int CardModel::pressF8() {
    if (graded_) return kToneRefused;
    loadRow();
    return kToneAccepted;
}

void CardModel::setBase(int v) {
    base = std::clamp(v, kMinSize, kMaxSize);
    recompute();
}

void CardModel::setWidthType(int w) {
    widthType = w;
    recompute();
}

void CardModel::setHalf(bool h) {
    if (h == half) return;
    half = h;
    // The steps are per size step: half sizes take half of them.
    const float k = h ? 0.5f : 2.0f;
    params[2].set(params[2].read() * k, "%.2f");
    params[3].set(params[3].read() * k, "%.2f");
    recompute();
}

void CardModel::setFrom(int v) {
    from = std::clamp(v, kMinSize, kMaxSize);
    if (from > to) from = to;  // a value crossing the other end is stepped back
    // At most 29 sizes: the other end follows as far as needed.
    while (sizeCount() > kCardMaxSizeCount && to > from) to -= step();
}

void CardModel::setTo(int v) {
    to = std::clamp(v, kMinSize, kMaxSize);
    if (to < from) to = from;
    while (sizeCount() > kCardMaxSizeCount && from < to) from += step();
}

bool CardModel::apply(Design& d) const {
    if (graded_) return false;
    for (size_t i = 0; i < 4; ++i) d.baseParams[i] = params[i].read();
    d.lengthAdj = std::clamp(lengthAdj, -99, 99);
    d.girthAdj = std::clamp(girthAdj, -99, 99);
    d.sizeSystem = system;
    d.sizeCategory = category;
    d.widthType = widthType;
    d.baseSize = base;
    d.rangeFrom = from;
    d.rangeTo = to;
    d.step = step();
    // An untouched 自动存 keeps "not numbered yet".
    d.autoSaveNumber = autoSave == autoSaveShown_ ? autoSaveStored_ : std::clamp(autoSave, 0, 9999);
    d.report = report;
    d.flags = saveGrading ? d.flags | kDesignSaveGrading : d.flags & ~kDesignSaveGrading;
    d.flags = savePictures ? d.flags | kDesignSavePictures : d.flags & ~kDesignSavePictures;
    if (d.n > 0) d.resizePerSizeArrays();
    return true;
}

// ---------------------------------------------------------------- 目标参数

TargetModel::TargetModel(const Design& d, const BasePoint* bp) {
    const SizeList list = MakeSizeList(d);
    locked_ = (d.flags & kDesignGraded) != 0;
    lastLength = d.baseParams[0];
    ballGirth = d.baseParams[1];
    if (!list.ok()) {
        locked_ = true;
        return;
    }
    n = list.n;
    baseIndex = list.baseIndex;
    sizes = list.values;
    computed = BuildStepTable(d, list);
    const std::optional<std::vector<PairF>>& own = bp ? bp->targets : d.targets;
    exists_ = own.has_value();
    shown_ = own && int(own->size()) == n ? *own : computed;
    shown_[size_t(baseIndex)] = {};
    length.resize(size_t(n));
    girth.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
        length[size_t(i)].set(shown_[size_t(i)].a, "%-.2f");
        girth[size_t(i)].set(shown_[size_t(i)].b, "%-.2f");
    }
}

bool TargetModel::bold(int i, bool girthRow) const {
    if (i < 0 || i >= n) return false;
    const float v = girthRow ? girth[size_t(i)].read() : length[size_t(i)].read();
    const float c = girthRow ? computed[size_t(i)].b : computed[size_t(i)].a;
    return !(std::fabs(double(v) - c) < 1e-8);
}

int TargetModel::width() const { return std::max(350, 110 + 42 * std::min(n, 10)); }
int TargetModel::height() const { return 70 * std::max(1, (n + 9) / 10) + 80; }

void TargetModel::restore() {
    if (locked_) return;
    for (int i = 0; i < n; ++i) {
        length[size_t(i)].set(computed[size_t(i)].a, "%-.2f");
        girth[size_t(i)].set(computed[size_t(i)].b, "%-.2f");
    }
}

TargetModel::Outcome TargetModel::apply(Design& d, BasePoint* bp) const {
    if (locked_ || n <= 0) return Outcome::Refused;
    std::vector<PairF> typed(static_cast<size_t>(n));
    bool changed = false;
    for (int i = 0; i < n; ++i) {
        if (i != baseIndex) typed[size_t(i)] = {length[size_t(i)].read(), girth[size_t(i)].read()};
        changed = changed || !(typed[size_t(i)] == shown_[size_t(i)]);
    }
    if (!changed) return Outcome::Unchanged;
    std::optional<std::vector<PairF>>& target = bp ? bp->targets : d.targets;
    if (SameStepTable(typed, computed)) {
        target.reset();
        return Outcome::Removed;
    }
    // The arrays are indexed by the sizes shown here.
    if (d.n != n) d.resizePerSizeArrays();
    target = std::move(typed);
    return Outcome::Stored;
}

// ---------------------------------------------------------------- 各国等差标准

StepStandardModel::StepStandardModel() {
    const StepStandard& s = SessionStepStandard();
    for (size_t k = 0; k < 5; ++k) {
        fields[2 * k].set(s.steps[k].a, "%g");
        fields[2 * k + 1].set(s.steps[k].b, "%g");
    }
}

void StepStandardModel::restore() {
    const StepStandard& s = BuiltInStepStandard();
    for (size_t k = 0; k < 5; ++k) {
        fields[2 * k].set(s.steps[k].a, "%g");
        fields[2 * k + 1].set(s.steps[k].b, "%g");
    }
}

void StepStandardModel::apply() const {
    StepStandard& s = SessionStepStandard();
    for (size_t k = 0; k < 5; ++k) s.steps[k] = {fields[2 * k].read(), fields[2 * k + 1].read()};
}

// ---------------------------------------------------------------- the size choice

SizeChoiceModel::SizeChoiceModel(const Design& d) : n(std::max(0, d.n)), baseIndex(GradingBaseIndex(d)) {
    for (int i = 0; i < n; ++i) {
        sizes.push_back(SizeValueAt(d, i));
        chosen.push_back(d.outputSelection && size_t(i) < d.outputSelection->size() && (*d.outputSelection)[size_t(i)]);
    }
}

std::string SizeChoiceModel::label(int i) const {
    char b[24];
    std::snprintf(b, sizeof b, i == baseIndex ? "%3d*" : "%3d", sizes[size_t(i)]);
    return b;
}

void SizeChoiceModel::toggle(int i) {
    if (i >= 0 && i < n) chosen[size_t(i)] = !chosen[size_t(i)];
}

std::vector<int> SizeChoiceModel::apply(Design& d) const {
    std::vector<int> out;
    for (int i = 0; i < n; ++i) {
        if (d.outputSelection && size_t(i) < d.outputSelection->size()) (*d.outputSelection)[size_t(i)] = chosen[size_t(i)] ? 1 : 0;
        if (chosen[size_t(i)]) out.push_back(i);
    }
    return out;
}

}  // namespace rz
