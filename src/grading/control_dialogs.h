// The rules of the two per-size dialogs of the grading controls, without a window: 定距参数
// (CPrmSlave: a fixed distance's change per size) and 共用说明/共模说明 (CPrmSha: groups of sizes
// that share one size's grading, with its cells CShnCtrl). Both lay the sizes out in rows of
// sixteen columns, the size value ("%3d", the base size highlighted) above each size's field.
// The window draws the cells and passes clicks and edits on; the tools' form fallback and the
// command line drive the same models.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "grading/size_dialogs.h"
#include "model/design.h"

namespace rz {

constexpr int kSizeColumns = 16;

// 定距参数.
class FixedStepsModel {
public:
    // `cm`: the unit setting is centimetres (fields show value/1000 instead of value/100).
    FixedStepsModel(const Design& d, const FixedDistance& f, bool cm);

    int n = 0, baseIndex = 0;
    bool cm = false;
    std::vector<int> sizes;          // the size value of each column
    std::vector<std::string> texts;  // each size's field: its change in mm ("%-.1f"; cm ×10)

    bool exists() const { return exists_; }
    std::string confirmText() const { return exists_ ? "确认" : "创建"; }
    // The base size's entry would move the base copy: it stays 0 and cannot be edited.
    bool editable(int i) const { return i != baseIndex; }
    // What field i holds as a number (an empty or unreadable field reads 0); the stored value
    // while the field shows it unchanged.
    double value(int i) const;
    bool bold(int i) const { return editable(i) && value(i) != 0.0; }  // non-zero values
    int rows() const { return std::max(1, (n + kSizeColumns - 1) / kSizeColumns); }
    // 50 + 40·min(N, 16) wide but at least the template's width; 45 per row plus 135 high.
    static constexpr int kTemplateWidth = 360;
    int width() const;
    int height() const;

    void clear();  // 清空: every field empty
    void pressDelete() { delete_ = true; }  // 删除
    bool deleting() const { return delete_; }
    bool edited(int i) const { return texts[size_t(i)] != shown_[size_t(i)]; }

    enum class Outcome { Unchanged, Stored, Removed, Deleted, Refused };
    // 确认 (or 删除 when pressed): each field × 100 (× 1000 in centimetres) stored, or the array
    // removed when every value is 0. Untouched fields keep their stored floats exactly (shown
    // rounded and read back they would drift); an untouched dialog changes nothing.
    Outcome apply(Design& d, Part& part, FixedDistance& f) const;

private:
    double scale() const { return cm ? 1000.0 : 100.0; }
    bool exists_ = false, delete_ = false;
    std::vector<std::string> shown_;
    std::vector<float> stored_;  // 0.01 mm
};

// 基点共用说明, 部位共模说明, 分片共模说明.
class SizeGroupsModel {
public:
    // `basePointIndex` ≥ 0 for the base-point variant, which shows it.
    SizeGroupsModel(const Design& d, std::string title, const std::optional<std::vector<uint8_t>>& array,
                    int basePointIndex = -1);

    std::string title;
    int n = 0, baseIndex = 0, basePointIndex = -1;
    std::vector<int> sizes;
    std::vector<uint8_t> bytes;  // low 7 bits the group, bit 7 the representative mark

    static constexpr int kMaxGroup = 127;
    static constexpr int kCorner = 10;  // the mark's corner square, pixels
    int group(int i) const { return bytes[size_t(i)] & 0x7F; }
    bool marked(int i) const { return (bytes[size_t(i)] & 0x80) != 0; }

    // Each returns the tone to sound: 0 for none, 80 Hz for a bound reached, 500 Hz for a size
    // that cannot be marked (it is in no group).
    int raise(int i);
    int lower(int i);
    int toggleMark(int i);
    // A click at (x, y) inside size i's cell of w × h pixels: on the top-right corner square it
    // toggles the mark, elsewhere the left button raises and the right one lowers.
    int click(int i, int x, int y, int w, int h, bool right);

    bool exists() const { return exists_; }
    std::string confirmText() const { return exists_ ? "确认" : "创建"; }
    std::string basePointText() const;  // "基点序号 I", empty for parts and pieces
    int rows() const { return std::max(1, (n + kSizeColumns - 1) / kSizeColumns); }
    int width() const;
    int height() const;
    bool edited() const { return bytes != before_; }

    enum class Outcome { Unchanged, Stored, Removed, Refused };
    // 确认: the bytes stored, or the array removed when no grouping remains.
    Outcome apply(Design& d, std::optional<std::vector<uint8_t>>& array) const;

private:
    bool exists_ = false;
    std::vector<uint8_t> before_;
};

}  // namespace rz
