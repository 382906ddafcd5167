#include "grading/control_dialogs.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "grading/control_edit.h"
#include "model/platform.h"
#include "model/sizes.h"

namespace rz {

namespace {

// The size list of a design whose per-size arrays exist (N > 0); empty otherwise.
SizeList SizesOf(const Design& d) {
    SizeList list = MakeSizeList(d);
    if (!list.ok() || (d.n > 0 && list.n != d.n)) return {};
    return list;
}

int GridWidth(int n) { return std::max(FixedStepsModel::kTemplateWidth, 50 + 40 * std::min(n, kSizeColumns)); }
int GridHeight(int rows) { return 45 * rows + 135; }

}  // namespace

// ---------------------------------------------------------------- 定距参数

FixedStepsModel::FixedStepsModel(const Design& d, const FixedDistance& f, bool centimetres) : cm(centimetres) {
    const SizeList list = SizesOf(d);
    n = list.n;
    baseIndex = list.baseIndex;
    sizes = list.values;
    exists_ = f.perSize.has_value();
    stored_.assign(size_t(n), 0.0f);
    for (int i = 0; i < n; ++i) {
        if (f.perSize && int(f.perSize->size()) == n && i != baseIndex) stored_[size_t(i)] = (*f.perSize)[size_t(i)];
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, double(stored_[size_t(i)]) / scale(), std::chars_format::fixed, 1);
        shown_.emplace_back(buf, r.ec == std::errc{} ? r.ptr : buf);
    }
    texts = shown_;
}

double FixedStepsModel::value(int i) const {
    if (!edited(i)) return double(stored_[size_t(i)]) / scale();
    const std::string& t = texts[size_t(i)];
    size_t from = 0;
    while (from < t.size() && t[from] == ' ') ++from;
    if (from < t.size() && t[from] == '+') ++from;
    double v = 0.0;
    const auto r = std::from_chars(t.data() + from, t.data() + t.size(), v);
    return r.ec == std::errc{} && std::isfinite(v) ? v : 0.0;
}

int FixedStepsModel::width() const { return GridWidth(n); }
int FixedStepsModel::height() const { return GridHeight(rows()); }

void FixedStepsModel::clear() {
    for (std::string& t : texts) t.clear();
}

FixedStepsModel::Outcome FixedStepsModel::apply(Design& d, Part& part, FixedDistance& f) const {
    if (delete_) return DeleteFixedDistance(part, f).ok ? Outcome::Deleted : Outcome::Refused;
    if (n <= 0) return Outcome::Refused;
    bool any = false;
    std::vector<float> raw(size_t(n), 0.0f);
    for (int i = 0; i < n; ++i) {
        if (!editable(i)) continue;
        if (edited(i)) {
            any = true;
            const double x = value(i) * scale();
            if (std::abs(x) > 1e6) return Outcome::Refused;
            raw[size_t(i)] = float(x);
        } else {
            raw[size_t(i)] = stored_[size_t(i)];
        }
    }
    if (!any) return Outcome::Unchanged;
    const bool had = f.perSize.has_value();
    if (!SetFixedDistanceArray(d, f, std::move(raw)).ok) return Outcome::Refused;
    if (f.perSize) return Outcome::Stored;
    return had ? Outcome::Removed : Outcome::Unchanged;
}

// ---------------------------------------------------------------- 共用说明 / 共模说明

SizeGroupsModel::SizeGroupsModel(const Design& d, std::string t, const std::optional<std::vector<uint8_t>>& array,
                                 int basePoint)
    : title(std::move(t)), basePointIndex(basePoint) {
    const SizeList list = SizesOf(d);
    n = list.n;
    baseIndex = list.baseIndex;
    sizes = list.values;
    exists_ = array.has_value();
    bytes = array && int(array->size()) == n ? *array : std::vector<uint8_t>(size_t(n), 0);
    before_ = bytes;
}

int SizeGroupsModel::raise(int i) {
    if (i < 0 || i >= n) return kToneRefused;
    if (group(i) >= kMaxGroup) return kToneBack;
    ++bytes[size_t(i)];
    return 0;
}

int SizeGroupsModel::lower(int i) {
    if (i < 0 || i >= n) return kToneRefused;
    if (group(i) <= 0) return kToneBack;
    --bytes[size_t(i)];
    // Group 0 is "ungrouped": it carries no mark.
    if (group(i) == 0) bytes[size_t(i)] = 0;
    return 0;
}

int SizeGroupsModel::toggleMark(int i) {
    if (i < 0 || i >= n) return kToneRefused;
    if (marked(i)) {
        ClearMarks(bytes);
        return 0;
    }
    if (group(i) == 0) return kToneRefused;
    MarkRepresentatives(bytes, i);
    return 0;
}

int SizeGroupsModel::click(int i, int x, int y, int w, int h, bool right) {
    (void)h;
    const bool corner = x >= w - kCorner && x < w && y >= 0 && y < kCorner;
    if (corner && !right) return toggleMark(i);
    return right ? lower(i) : raise(i);
}

std::string SizeGroupsModel::basePointText() const {
    return basePointIndex >= 0 ? "基点序号 " + std::to_string(basePointIndex) : std::string{};
}

int SizeGroupsModel::width() const { return GridWidth(n); }
int SizeGroupsModel::height() const { return GridHeight(rows()); }

SizeGroupsModel::Outcome SizeGroupsModel::apply(Design& d, std::optional<std::vector<uint8_t>>& array) const {
    if (n <= 0) return Outcome::Refused;
    if (!edited()) return Outcome::Unchanged;
    const std::optional<std::vector<uint8_t>> old = array;
    if (!StoreGroups(d, array, bytes).ok) return Outcome::Refused;
    if (array == old) return Outcome::Unchanged;
    return array ? Outcome::Stored : Outcome::Removed;
}

}  // namespace rz
