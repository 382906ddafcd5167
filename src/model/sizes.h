// The shoe-size vocabulary of a design: the size systems, categories and width types with
// their names, the default size range of each system and category, the step standard and the
// base-size parameters computed from it, the size list of a range (which sizes a grading run
// makes and where the base size sits among them), the per-size step table with its cumulative
// differences, the text of a size as size labels and the parameter table write it, and the
// design's report combined with a size text.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "model/design.h"

namespace rz {

// ---------------------------------------------------------------- vocabulary

constexpr int kSizeSystemCount = 8;     // codes 0–7; 6 自定 and 7 标准 compute nothing
constexpr int kChoosableSystems = 6;    // the 本码参数 dialog offers 0–5
constexpr int kPanelSystems = 5;        // the parameter table cycles 0–4
constexpr int kSizeCategoryCount = 4;   // 0 婴儿, 1 童鞋, 2 女鞋, 3 男鞋
// The most sizes a grading run makes (the parameter table's limit).
constexpr int kMaxSizeCount = 30;
// The 本码参数 dialog keeps its range to at most this many sizes.
constexpr int kCardMaxSizeCount = 29;

// Short name ("统一") and long name ("统一鞋号"); an unknown code is written as its number.
std::string SizeSystemName(int system);
std::string SizeSystemLongName(int system);
std::string SizeCategoryName(int category);
// The six-byte width-type names ("一型  " … "五型  "); other values as their number.
std::string WidthTypeName(int widthType);
// The width types in order: 10, 15, … 50.
const std::vector<int>& WidthTypes();

// Size systems whose stored values run on from the children's sizes into the adults'.
inline bool SizeSystemWraps(int system) { return system == 3 || system == 4; }

// The value shown for a stored size value: in the wrapping systems the adults' sizes start
// again at 1 (stored 140 is shown as 10).
int DisplayedSizeValue(int value, int system);

// One default row: width type, base size, range from, range to, step.
struct SizeRow {
    int widthType = 0, base = 0, from = 0, to = 0, step = 0;
    friend bool operator==(const SizeRow&, const SizeRow&) = default;
};
// The default row of a system and category; none outside the 24 rows (systems 6 and 7, a
// category above 3): the design's values then stay as they are.
std::optional<SizeRow> DefaultSizeRow(int system, int category);
// Copies the default row of the design's system and category into it, then recomputes the
// base-size parameters when design flag bit 16 asks for that. False when there is no row.
bool ApplyDefaultSizeRow(DesignParams& d);

// ---------------------------------------------------------------- step standard

// Length step (长码差) and girth step (宽码差) in mm of systems 0–5, and whether they are given
// per half size (doubled for whole-size steps) or per whole size (halved for half sizes).
struct StepStandard {
    std::array<PairF, kChoosableSystems> steps{};
    std::array<bool, kChoosableSystems> perHalfSize{};
};
const StepStandard& BuiltInStepStandard();
// The table the computation uses: the built-in one until 各国等差标准 changes it for the session.
StepStandard& SessionStepStandard();

// The four base-size parameters: last bottom length, ball girth, length step, girth step (mm).
struct BaseParams {
    float length = 0, girth = 0, lengthStep = 0, girthStep = 0;
};
// Computed from system, category, width type, base size and step with the session's step
// standard; none for systems without computation (6, 7 and unknown codes).
std::optional<BaseParams> StandardBaseParams(int system, int category, int widthType, int base, int step);
std::optional<BaseParams> StandardBaseParams(const DesignParams& d);
// Stores the computed parameters into the design when flag bit 16 is set; false when nothing
// was computed (the values stay).
bool ApplyStandardParams(DesignParams& d);

// ---------------------------------------------------------------- size list and step table

enum class SizeListStatus { Ok, NoStep, Reversed, TooMany, Empty };
struct SizeList {
    SizeListStatus status = SizeListStatus::Empty;
    int n = 0;
    int baseIndex = 0;
    std::vector<int> values;  // the size value at each index, in increasing order
    bool ok() const { return status == SizeListStatus::Ok; }
};
// The sizes from range from to range to in steps of the step, plus the base size when it is not
// one of them. Refused (status) when the step is not positive, from > to, or more than
// `maxCount` sizes would result; the values are still filled when the list is only too long.
SizeList MakeSizeList(int from, int to, int step, int base, int maxCount = kMaxSizeCount);
SizeList MakeSizeList(const DesignParams& d, int maxCount = kMaxSizeCount);
// A sentence for the user saying why a size list was refused.
std::string SizeListProblem(SizeListStatus s);

// Size value (tenths of a size number) at index i of the size list of the design's range. The
// base index is taken from the range, not from the base-index field (which holds the size shown
// while grading results exist). 0 when i lies outside the list.
int SizeValueAt(const DesignParams& d, int i);

// The steps in size steps of size i from the base: (value − base) / step.
double SizeStepsFromBase(const SizeList& list, int base, int step, int i);

// The step table: entry i is the difference between size i and its neighbour nearer the base,
// so that the cumulative differences are (dL, dG) × (vᵢ − base) / step; the base entry is (0, 0).
std::vector<PairF> BuildStepTable(const SizeList& list, int step, float dL, float dG);
std::vector<PairF> BuildStepTable(const DesignParams& d, const SizeList& list);

struct PairD {
    double a = 0.0, b = 0.0;
};
// Difference of size i from the base b in a table: the sum of entries b+1 … i above the base,
// minus the sum of entries i … b−1 below it. The base entry never counts (a target array's base
// column is fixed at (0, 0)). Indices outside the table give (0, 0).
PairD CumulativeDifference(const std::vector<PairF>& table, int b, int i);

// True when two tables have the same length and every component differs by less than 1e-8.
bool SameStepTable(const std::vector<PairF>& a, const std::vector<PairF>& b);

// ---------------------------------------------------------------- texts

// Text of one size value by the low 7 bits of the label format ("%d", ".5" or "|" halves),
// with "#" appended when bit 7 is set.
std::string SizeText(int value, int system, int labelFormat);
std::string SizeText(const DesignParams& d, int value);
// Text of a range of sizes "a-b" (a single size when they are the same), "#" appended once.
std::string SizeRangeText(const DesignParams& d, int first, int last);

// The parameter table's texts: a size value of the range ("%3d" above 99, else " %3d") and the
// size shown while grading results exist ("     %1d# ", "   %2d# ", " %3d# "), both mapped for
// the wrapping systems.
std::string PanelRangeText(int value, int system);
std::string PanelCurrentSizeText(int value, int system);

// The report combined with a size text: "##" in the report is replaced by it; otherwise the
// report, ";" and the size text, or the size text alone when the report is empty.
std::string ReportWithSizeText(const std::string& report, const std::string& sizeText);
// The text a new size label of the base size gets.
std::string BaseSizeLabelText(const DesignParams& d);

}  // namespace rz
