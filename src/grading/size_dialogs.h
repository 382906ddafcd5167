// The rules of the three size dialogs, without a window: 本码参数 (CCard), 目标参数 (CDstPrm) and
// 各国等差标准 (CDlgStd). The window shows the fields and calls these as the user edits; tests
// drive them directly.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/design.h"
#include "model/sizes.h"

namespace rz {

// Per-size data that holds the size fields: target arrays (the design's or a base point's;
// only the base points' with `basePointsOnly`) and fixed distances' per-size values.
bool HasTargetArrays(const Design& d, bool basePointsOnly = false);
bool HasFixedDistanceSteps(const Design& d);

// A parameter as an edit field shows it: a typed text that still reads as shown keeps the exact
// value behind it (3.175 shown as "3.18" stays 3.175); other text is read, and what does not
// parse reads as 0.
struct ShownValue {
    float value = 0.0f;
    std::string text;  // what the field holds now
    void set(float v, const char* format);
    float read() const;

private:
    std::string shown_;
};

// 本码参数.
class CardModel {
public:
    explicit CardModel(const Design& d);

    // The four parameters: 楦底样, 楦跖围, 长码差, 宽码差.
    std::array<ShownValue, 4> params;
    int lengthAdj = 0, girthAdj = 0;  // −99 … 99
    std::string report;
    int system = 0, category = 0, base = 0, widthType = 0, from = 0, to = 0;
    bool half = false;
    int autoSave = 0;  // 0 … 9999
    bool saveGrading = false, savePictures = false;

    // Locks, from the design as the dialog opened.
    bool locked() const { return graded_; }             // every field disabled
    bool systemLocked() const { return graded_ || sized_; }
    bool rangeLocked() const { return graded_ || targets_ || fixedPerSize_; }
    bool stepsLocked() const { return graded_ || targets_; }
    bool paramsReadOnly() const { return standard_; }
    int step() const { return half ? 5 : 10; }
    int sizeCount() const { return ComputeSizeCount(from, to, step(), base).n; }

    // The controls.
    void chooseSystem(int s);
    void chooseCategory(int c);
    // F8: the default row and standard parameters again; the tone to sound (500: refused).
    int pressF8();
    void setBase(int v);
    void setWidthType(int w);
    void setHalf(bool h);
    void setFrom(int v);
    void setTo(int v);

    // 确认: stores every field; with per-size arrays the size count and arrays follow the range.
    // False (nothing stored) while grading results lock the dialog.
    bool apply(Design& d) const;

private:
    void loadRow();
    void recompute();
    bool graded_ = false, sized_ = false, targets_ = false, fixedPerSize_ = false, standard_ = false;
    int autoSaveStored_ = -1, autoSaveShown_ = 0;
};

// 目标参数, for the design or for one base point's own targets.
class TargetModel {
public:
    TargetModel(const Design& d, const BasePoint* basePoint = nullptr);

    int n = 0, baseIndex = 0;
    std::vector<int> sizes;          // the size value of each column
    std::vector<PairF> computed;     // the step table of the size parameters
    std::vector<ShownValue> length;  // 长码差 per size ("%-.2f")
    std::vector<ShownValue> girth;   // 宽码差 per size
    float lastLength = 0, ballGirth = 0;  // shown "%5.1f"

    bool exists() const { return exists_; }
    bool locked() const { return locked_; }  // grading results: fields and 恢复 disabled
    bool editable(int i) const { return !locked_ && i != baseIndex; }
    std::string confirmText() const { return exists_ ? "确认" : "创建"; }
    // A field whose value differs from the computed table is drawn bold.
    bool bold(int i, bool girthRow) const;
    // Window size: 110 + 42·min(N, 10) wide but at least 350, 70 per row of ten plus 80 high.
    int width() const;
    int height() const;

    // 恢复: every field from the computed table.
    void restore();
    enum class Outcome { Unchanged, Removed, Stored, Refused };
    // 确认: nothing stored when nothing changed; removed when every pair equals the computed
    // table within 1e-8; created or overwritten otherwise. The base column stays (0, 0).
    Outcome apply(Design& d, BasePoint* basePoint = nullptr) const;

private:
    bool exists_ = false, locked_ = false;
    std::vector<PairF> shown_;
};

// The size choice of 选号输出 (CPartSlct): one button per size, sixteen to a row, the base size's
// marked, and under each a "√" while the size is chosen; it starts from the design's output
// selection.
class SizeChoiceModel {
public:
    explicit SizeChoiceModel(const Design& d);
    int n = 0, baseIndex = 0;
    std::vector<int> sizes;     // the size value of each button ("%3d")
    std::vector<bool> chosen;
    static constexpr int kColumns = 16;
    std::string label(int i) const;
    std::string mark(int i) const { return chosen[size_t(i)] ? "√" : ""; }
    // A press on a size's button.
    void toggle(int i);
    // 确认: the choices into the output selection (none is kept when the design has none); the
    // chosen sizes in index order.
    std::vector<int> apply(Design& d) const;
};

// 各国等差标准: 长码差 and 宽码差 of 统一, 中国, 法国, 英国 and 美国.
class StepStandardModel {
public:
    StepStandardModel();
    std::array<ShownValue, 10> fields;  // system k: fields[2k] length, fields[2k + 1] girth
    // 恢复: the built-in values.
    void restore();
    // 确认: the edited values take effect for this session.
    void apply() const;
};

}  // namespace rz
