// Choosing what of a graded part or piece goes to the output sheet: the sizes (the size choice
// and the shared-die rule), the role and its row of the output-selection matrix, the fold copies,
// the outline's start moved past the fold, and the texts of size labels.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/design.h"
#include "model/settings.h"


namespace rz {

class TFont;

// Rows of the output-selection matrix.
enum OutputRow : int { kRowPins = 0, kRowLabels, kRowMarks, kRowMotifs, kRowTexts, kRowSlots, kRowLevel, kRowCount };

// The role of a part or piece from its kind (the low four bits of its flags) and design flag bit
// 17: kinds 0 and 1 give roles 0/1 and 2/3 (the odd one while the bit is clear), kind 2 role 4,
// kind 3 role 5; kinds 4–15 have no role of their own and count as kind 0.
int OutputRole(uint32_t ownerFlags, uint32_t designFlags);
// Odd roles are marking forms: their outline takes the piece lines' own margins.
inline bool MarkingRole(int role) { return (role & 1) != 0; }
// Whether the matrix lets the row through for the role.
bool RowAllowed(const Settings& s, int role, int row);
// The role's label (at most four bytes), as the size label shows it.
std::string RoleLabel(const Settings& s, int role);

// The sizes of `requested` that are output under a shared-die array: only the marked size of a
// group stands for it; a 0 byte is no group (output as asked). Without an array, or one of
// another count, every requested size.
std::vector<int> DieSizes(const std::optional<std::vector<uint8_t>>& die, const std::vector<int>& requested, int n);
// The first and last size of the group size i stands for ({i, i} when ungrouped).
std::pair<int, int> DieGroupRange(const std::optional<std::vector<uint8_t>>& die, int i);

// The sizes chosen in the size-choice dialog (the design's output selection), in index order.
std::vector<int> ChosenSizes(const Design& d);
std::vector<int> AllSizes(const Design& d);

// The straight line fold copies are mirrored in: through the fold line's first drawn point, in
// the direction from its first to its last.
struct FoldAxis {
    PointF origin;
    double angle = 0.0;
};
// The fold line of a part: the first line of lines A whose flags have bit 17; null without one.
const Line* PartFoldLine(const Part& p);
std::optional<FoldAxis> FoldAxisOf(const Polyline& drawn);
PointF Reflect(PointF p, const FoldAxis& a);
Polyline Reflect(const Polyline& pts, const FoldAxis& a);

// A closed outline with its start moved `by` points on (the first points go to the end and the
// outline is closed again on its new first point). The shift is taken modulo the count of
// distinct points, so short outlines never overrun; an open or degenerate outline is kept.
Polyline ShiftOutlineStart(const Polyline& outline, int by = 5);

// Everything a size label's placeholders may name.
struct LabelValues {
    std::string roleLabel;  // UTF-8
    std::string sizeText;   // the size or the group's range, UTF-8
    int year = 0, month = 0, day = 0;
    double perimeter = 0, area = 0;  // of the outline, in its unit already
    double boxWidth = 0, boxHeight = 0;
    double lastLength = 0, girth = 0;
};
// The text of a size label from the design's report (GBK): a report without "##" becomes the
// report, ";" and "##" (or "##" alone); then each placeholder is replaced in one pass, so a
// replacement is never scanned again. Returns GBK.
std::string LabelText(const std::string& reportGbk, const LabelValues& v);
// The values of a part at one size: its role label, the size text (the group's range under a
// shared-die array), its date and outline measures in the settings' units.
LabelValues LabelValuesOf(const Design& d, const Settings& s, const Polyline& outline, int role, int year, int month,
                          int day, const std::optional<std::vector<uint8_t>>& die, int size);

// One item of a graded part at one size, before it is put on a sheet: the sheet item kind (1
// label, 2 level box, 3 hole, 4 motif, 5 slot, 6 inner line, 7 notch or mark, 8 outline), the
// tool (0–4), extra item flags (pieces per pair, bit 19), what it comes from, whether it is a
// fold copy, its points and, for a size label, its text (GBK).
struct OutputItem {
    int kind = 0;
    int tool = 0;
    uint32_t flags = 0;
    std::string source;
    bool foldCopy = false;
    Polyline points;
    std::string text;
};

// The items of a part at size i of the last grading run, in the order the sheet takes them, with
// the matrix row of its role applied; slot lines, marks, chamfers and dimensions follow their
// hosts at that size. Null when the part cannot be brought to that size. `font` lays out labels,
// texts and dimension values (none: no strokes for labels and texts).
std::optional<std::vector<OutputItem>> PartItemsAtSize(const Design& d, const Settings& s, const Part& part, int size,
                                                       TFont* font);

// The fold line of a piece: the first piece line whose flags have bit 17; null without one.
const PieceLine* PieceFoldLine(const Piece& pc);
// The items of a piece at size i: its lines, members and own elements evaluated at that size from
// scratch copies of its source parts (the design is not changed). The marking roles take the
// outline moved out by the piece lines' margins. Null when the piece cannot be brought to that
// size (a source part without grading, an outline that does not close).
std::optional<std::vector<OutputItem>> PieceItemsAtSize(const Design& d, const Settings& s, const Piece& piece,
                                                        int size, TFont* font);

}  // namespace rz
