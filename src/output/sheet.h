// The output sheets of the back screen: flat lists of tagged polylines with their tools and
// pens, the device table that gives a sheet its area, and the ring of layout snapshots behind
// the back screen's 退一步 and 进一步.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "geom/types.h"
#include "interact/scene.h"
#include "interact/view.h"
#include "model/doc.h"
#include "model/settings.h"

namespace rz {

class Job;

// Plot item flag bits.
constexpr uint32_t kItemKindMask = 0xFu;
constexpr int kItemToolShift = 4;
constexpr uint32_t kItemToolMask = 0xF0u;
constexpr int kItemPenShift = 8;
constexpr uint32_t kItemPenMask = 0xF00u;
constexpr int kItemCountShift = 12;
constexpr uint32_t kItemCountMask = 0xF000u;
constexpr uint32_t kItemNoSegmentDxf = 1u << 16;  // left out of the segment-by-segment DXF export
constexpr uint32_t kItemQuickDrawn = 1u << 17;
constexpr uint32_t kItemPartFolds = 1u << 19;
constexpr uint32_t kItemExcluded = 1u << 28;  // left out of this job
// Bits 18 (material result), 29 (set aside), 30 (chosen for this job) and 31 (picked) are
// named with the back screen's drawing (interact/scene.h).

// Feature kinds of plot items.
enum ItemKind : int {
    kItemLabel = 1,      // size-label strokes and generated text strings
    kItemLevelBox = 2,
    kItemHole = 3,       // pins and point-row holes: one point each
    kItemMotif = 4,      // motif strokes, dimensions, text strings laid by "."
    kItemSlot = 5,
    kItemInner = 6,      // inner lines
    kItemNotch = 7,      // notches and marks
    kItemOutline = 8,
};

// Output tools.
enum OutputTool : int { kToolNone = 0, kToolPen = 1, kToolHalfCut = 2, kToolFullCut = 3, kToolLiftCut = 4 };

struct PlotItem {
    Polyline points;
    uint32_t flags = 0;
    int32_t pieceId = 0;

    int kind() const { return int(flags & kItemKindMask); }
    int tool() const { return int((flags & kItemToolMask) >> kItemToolShift); }
    int pen() const { return int((flags & kItemPenMask) >> kItemPenShift); }
    // 片数: how many of the piece are cut (1–16).
    int pieceCount() const { return int((flags & kItemCountMask) >> kItemCountShift) + 1; }
    uint8_t lowByte() const { return uint8_t(flags & 0xFFu); }
    void setKind(int k) { flags = (flags & ~kItemKindMask) | (uint32_t(k) & 0xFu); }
    void setTool(int t) { flags = (flags & ~kItemToolMask) | ((uint32_t(t) & 0xFu) << kItemToolShift); }
    void setPen(int p) { flags = (flags & ~kItemPenMask) | ((uint32_t(p) & 0xFu) << kItemPenShift); }
    void setPieceCount(int n) {
        n = n < 1 ? 1 : n > 16 ? 16 : n;
        flags = (flags & ~kItemCountMask) | (uint32_t(n - 1) << kItemCountShift);
    }
    friend bool operator==(const PlotItem&, const PlotItem&) = default;
};
using ItemList = std::vector<PlotItem>;

// A material-calculation record, kept as its 116 stored bytes.
using MaterialRecord = std::array<uint8_t, 116>;

// ---- device and port tables ----

struct DeviceRow {
    const char* name;
    float w, h;  // 0.01 mm; row 15 has none of its own
};
constexpr int kDeviceRows = 16;
constexpr int kCustomDeviceRow = 15;
const std::array<DeviceRow, kDeviceRows>& DeviceTable();
// "LPT1" for 1, "LPT2" for 2, "" for any other index.
std::string PortName(int index);

// Views of the 62-word settings block.
namespace sheetword {
constexpr int Flags = 0, Printer = 1, Device = 2, CustomW = 3, CustomH = 4, RulerX = 5, RulerY = 6;
constexpr int Material = 49, Method = 50, Port = 51, Extension = 52, FinalPos = 53, OutputMethod = 54;
constexpr int Quarter = 55, KnifeDistance = 56, Scale = 57, Correction = 58;
}  // namespace sheetword
// Settings flag bits (word 0).
constexpr uint32_t kSheetCutPins = 1u << 0, kSheetCutLabels = 1u << 1, kSheetMarks = 1u << 2,
                   kSheetCutMotifs = 1u << 3, kSheetCutInner = 1u << 4, kSheetCutSlots = 1u << 5,
                   kSheetSymmetric = 1u << 6, kSheetCornerAtEnd = 1u << 8,
                   kSheetDirect = 1u << 9, kSheetMirrorX = 1u << 10, kSheetMirrorY = 1u << 11;
constexpr uint32_t kSheetCutBits = 0x3Fu;

// The usable area of a settings block: its device row's size, or its own custom size for row 15
// and above (and for a row index below 0).
WorkRange SheetArea(const SheetSettings& s);
// The pen slot of a tool for the block's current material (0 for tool 0 and tools above 4).
int PenSlot(const SheetSettings& s, int tool);
inline int SheetInt(const SheetSettings& s, int w) { return int(int32_t(s.words[size_t(w)])); }
inline void SetSheetInt(SheetSettings& s, int w, int v) { s.words[size_t(w)] = uint32_t(int32_t(v)); }

// ---- the sheet ----

// What the layout ring keeps of a sheet.
struct SheetState {
    ItemList items;
    // The material records change with 排刀 and 算料 and are saved with the items.
    std::vector<MaterialRecord> material;
    int nextPieceId = 1;
    int sorted = 0;
    int dirty = 0;
};

// The ring of layout snapshots: a new layout drops the redo branch; beyond 32 the oldest goes.
class LayoutRing {
public:
    static constexpr size_t kSlots = 32;
    void reset(const SheetState& now);
    void push(const SheetState& now);
    bool canUndo() const { return pos_ > 0; }
    bool canRedo() const { return pos_ + 1 < slots_.size(); }
    // Copies the neighbouring snapshot into `into`; false when there is none.
    bool undo(SheetState& into);
    bool redo(SheetState& into);
    size_t stored() const { return slots_.size(); }
    // The slot of the layout shown, counted from the oldest kept.
    size_t position() const { return pos_; }

private:
    std::deque<SheetState> slots_;
    size_t pos_ = 0;
};

class PLTC : public PNT {
public:
    explicit PLTC(SheetSettings& block);
    ~PLTC() override;
    PLTC(const PLTC&) = delete;
    PLTC& operator=(const PLTC&) = delete;

    ItemList items;
    std::vector<MaterialRecord> material;  // owned by the material calculation
    int dirty = 0;
    int sorted = 0;
    int skipCuts = 0;
    int skipPens = 0;
    int nextPieceId = 1;
    std::array<std::array<uint8_t, 52>, 6> records{};
    LayoutRing ring;
    std::string name = "rozedoz";
    // 1 while a job runs; read by any thread, written by the thread that owns the job.
    std::atomic<int> busy{0};
    std::unique_ptr<Job> job;
    int jobMode = 1;
    std::string secondText;
    // The path the sheet was last read from or written to (F2, Alt+R); empty for none.
    std::string path;
    // The last read ended early: F2 asks before writing over that file.
    bool readTruncated = false;

    SheetSettings& settings() { return *block_; }
    const SheetSettings& settings() const { return *block_; }
    WorkRange area() const { return SheetArea(*block_); }

    SheetState state() const { return {items, material, nextPieceId, sorted, dirty}; }
    void restore(const SheetState& s);
    // Empties the sheet (items, next piece id, sorted, dirty) for a regeneration.
    void clearItems();
    // Stores the layout in the ring after a change.
    void pushLayout() { ring.push(state()); }

private:
    SheetSettings* block_;
};

// The document's sheet 0 or 1, made on first use; its settings block is Settings::sheets[i].
PLTC& SheetOf(TDoc& doc, int index);

}  // namespace rz
