// Picking and selection: the first record of the requested kinds near a model point, the part
// under a point, and the selected bit set by rubber bands, Ctrl-clicks and 全选.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "interact/geomindex.h"
#include "model/doc.h"

namespace rz {

// Pick mask bits.
constexpr uint32_t kPickPins = 0x1;
constexpr uint32_t kPickSizeLabels = 0x2;
constexpr uint32_t kPickNotches = 0x4;
constexpr uint32_t kPickMotifs = 0x8;
constexpr uint32_t kPickTexts = 0x10;
constexpr uint32_t kPickDimensions = 0x20;
constexpr uint32_t kPickBasePoints = 0x40;
constexpr uint32_t kPickPointRows = 0x80;
constexpr uint32_t kPickSeamAllowances = 0x100;
constexpr uint32_t kPickSymLineLinks = 0x200;
constexpr uint32_t kPickSlotLines = 0x400;
constexpr uint32_t kPickMarks = 0x800;
constexpr uint32_t kPickChamfers = 0x1000;
constexpr uint32_t kPickSymElemLinks = 0x2000;
constexpr uint32_t kPickLines = 0x10000;
constexpr uint32_t kPickScanLines = 0x20000;
constexpr uint32_t kPickPictures = 0x40000;
constexpr uint32_t kPickPart = 0x1000000;
constexpr uint32_t kPickGraded = 0x20000000;
constexpr uint32_t kPickHidden = 0x40000000;
constexpr uint32_t kPickNoLineNodes = 0x80000000;  // seam-allowance picks skip the node test
constexpr uint32_t kPickElements = 0x3FFF | kPickLines;

// The mask of the rubber band, and of the Ctrl-click toggle in mode 0.
constexpr uint32_t kRubberBandMask = 0x3007F;
constexpr uint32_t kToggleMask = 0x30059;

// Result kinds beyond the element kinds of the records.
constexpr int kKindPart = 20;
constexpr int kKindScanLine = 50;
constexpr int kKindPicture = 60;

struct PickResult {
    int kind = 0;              // 0: nothing
    void* record = nullptr;    // the record (a Part for kind 20)
    Part* part = nullptr;      // its owning part
    int segment = 0;           // lines: the hit segment (1-based)
    int vertex = 0;            // lines: the nearer end vertex of that segment
    int node = -1;             // kind 23: the node inside the rectangle
    template <class T>
    T* as() const { return static_cast<T*>(record); }
    explicit operator bool() const { return kind != 0; }
    friend bool operator==(const PickResult&, const PickResult&) = default;
};

// "多元选取": asked when several records are near the cursor and the choose-among-candidates
// option is on. `highlight` shows candidate i (下一个 steps through them in turn). Returns the
// index taken with 确认, or -1 for 取消.
class PickChooser {
public:
    virtual ~PickChooser() = default;
    virtual int choose(const std::vector<PickResult>& candidates,
                       const std::function<void(int)>& highlight) = 0;
};

constexpr int kMaxPickCandidates = 16;

struct PickOptions {
    int page = 0;
    float halfWidth = 0.0f;            // model units: pick radius / scale
    bool chooseAmong = false;          // general flag 多元选取
    PickChooser* chooser = nullptr;    // without one, the first candidate is taken
    const GeomIndex* index = nullptr;  // used only when it matches the design
    std::function<void(const PickResult&)> highlight;  // shows a candidate of the chooser
};

// PickAt.
PickResult PickAt(TDoc& doc, PointF p, uint32_t mask, const PickOptions& opt);

// What a click inside a piece finds (指定): the piece's own size labels, text strings, slot
// lines, marks and chamfers, then its members (by their element's drawing), then its lines A
// and B. `kind` is the element kind (30 for a piece line); for a member `record` is the member.
struct PiecePick {
    int kind = 0;
    void* record = nullptr;
    bool member = false;   // record is a PieceMember
    bool lineA = false;    // a piece line of the outline
    template <class T>
    T* as() const { return static_cast<T*>(record); }
    explicit operator bool() const { return kind != 0; }
};
PiecePick PickInPiece(Piece& pc, PointF p, float halfWidth);

// PartAt: the first part of the page whose outline contains the point; on page 3 the first
// part of the page without a test. `skip` is the part whose outline is being traced.
Part* PartAt(Design& d, int page, PointF p, bool includeHidden, const Part* skip = nullptr);

// ClearSelection: true when anything changed.
bool ClearSelection(Design& d, int page);
// SelectInRect over lines B, pins, motifs, text strings and base points (as far as the mask
// has them) of the visible parts of the page; true when anything changed.
bool SelectInRect(Design& d, int page, const RectF& r, bool crossing, uint32_t mask = kRubberBandMask);
// Inverts the selected bit of a picked pin, motif, text string, base point, line or scan line;
// false for any other kind.
bool ToggleSelected(const PickResult& r);
// FirstSelected: the first part of the page with a selected record of the masked kinds.
Part* FirstSelected(Design& d, uint32_t mask, int page);
// The Delete key: removes the selected lines B, pins, motifs, text strings and base points of
// the first part of the page that has a selection; true when anything was removed.
bool DeleteSelected(Design& d, int page);

}  // namespace rz
