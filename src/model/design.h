// The design: the pattern content of the front screen, copied whole by undo and saved
// whole in the pattern file, with the operations that treat it as a whole.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/records.h"

namespace rz {

// Design flags.
constexpr uint32_t kDesignParamsFromSystem = 1u << 16;
constexpr uint32_t kDesignMarginFullColour = 1u << 17;
constexpr uint32_t kDesignSaveGrading = 1u << 18;
constexpr uint32_t kDesignGraded = 1u << 19;
constexpr uint32_t kDesignSaveScan = 1u << 20;
constexpr uint32_t kDesignSavePictures = 1u << 21;
constexpr uint32_t kDesignClearedOnClear = 0x3C0000u;  // bits 18–21

// The size count and base index that follow from a size range.
struct SizeCount {
    int n = 0;
    int baseIndex = 0;
};
SizeCount ComputeSizeCount(int from, int to, int step, int base);

struct Stats {
    int lines = 0, gradedLines = 0, badLines = 0;
    int pins = 0, motifs = 0, basePoints = 0, pointRows = 0, seamAllowances = 0,
        fixedDistances = 0;
};

// The fields of a design other than its parts and pieces (copied as one block).
struct DesignParams {
    int modified = 0;
    std::optional<std::vector<PairF>> stepTable;
    std::optional<std::vector<uint8_t>> outputSelection;
    uint32_t flags = 0;
    int sizeSystem = 0;
    int sizeCategory = 0;
    int widthType = 0;
    int baseSize = 0;
    int rangeFrom = 0;
    int rangeTo = 0;
    int step = 0;
    int baseIndex = 0;
    int n = 0;  // size count N
    std::array<float, 4> baseParams{};
    std::optional<std::vector<PairF>> targets;
    int lengthAdj = 0;
    int girthAdj = 0;
    int labelFormat = 0;
    int autoSaveNumber = -1;
    std::string report;  // GBK bytes
    std::vector<DesignNote> notes;
};

class Design : public DesignParams {
public:
    Design();
    Design(const Design&) = delete;
    Design& operator=(const Design&) = delete;

    // parts[0] is the first part, which always exists.
    List<Part> parts;
    List<Piece> pieces;

    Part& firstPart() { return *parts.front(); }
    const Part& firstPart() const { return *parts.front(); }

    // The primitive clear: an empty design with one empty first part dated today.
    void clear();
    // Deep copy of `src` into this design; references are re-targeted into the copy.
    void copyFrom(const Design& src);
    // Recomputes N and the base index from the range; resizes every per-size array when N changed.
    void resizePerSizeArrays();
    // True when the design has nothing to save: a single empty first part and no pieces.
    bool isBlank() const;
    // A second part, a non-empty first part, or pieces.
    bool hasContent() const { return !isBlank(); }
    Stats stats() const;
    bool hasGradedLists() const;
    // Sets or clears design flag bit 19 from the presence of graded lists.
    void updateGradedFlag();
};

// The statistics message text.
std::string StatsText(const Stats& s);

// 全清方案 categories.
struct ClearCategories {
    bool targets = false;        // 目标参数
    bool sharedDie = false;      // 共模说明
    bool sharedNotes = false;    // 共用说明
    bool sharedZones = false;    // 共用指定
    bool fixedNotes = false;     // 定距说明
    bool fixedDistances = false; // 定距指定
};
struct ClearCategoriesResult {
    bool rebuildParameterTable = false;
    bool redraw = false;
};
ClearCategoriesResult ClearGradingCategories(Design& d, const ClearCategories& c);

// 清除扩缩: frees the graded lists, clears graded-copy references and design flag bit 19; the
// elements that had copies are shown.
void ClearGradingResults(Design& d);

// 全选 choices.
enum class SelectWhat { All, Lines, Pins, Motifs, Texts };
// Selects on every visible part of `page`; returns true when some record changed.
bool SelectAll(Design& d, int page, SelectWhat what);

// True when the part is visible (not hidden), on `page` and not empty.
bool PartShowsContent(const Part& p, int page);
// 选页: the next page with content after `current`, by the page-cycling rule.
int NextPage(const Design& d, int current);
// Page numbers wrap: below 0 to 3, above 3 to 0.
int WrapPage(int page);

// Resizes an optional per-size array from its size to `n` entries (new entries zero).
template <class T>
void ResizeOptional(std::optional<std::vector<T>>& a, int n) {
    if (a) a->resize(size_t(n > 0 ? n : 0));
}

}  // namespace rz
