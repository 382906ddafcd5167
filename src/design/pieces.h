// Pieces (分片): closed outlines assembled from stretches of part lines, seam allowances and
// symmetry line links, with inner lines, members and their own elements; and 提取, which joins
// picked stretches into a new piece, a new part or new lines.
//
// A piece line: source, start and end fractions of the source's evaluated length (reversed when
// start > end), flags (low 4 bits the cut kind 3 全刀, 2 半刀, 1 笔画; bits 4–7 the source-line
// drawing setting; bit 16 folds; bit 17 the piece's fold line), float 0 its margin for the cutting
// pattern (signed, relative to the source's direction of travel). Lines A chain round the outline
// by their previous and next references; on lines B those references are the trim references at
// the start and the end (剪齐线段).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "geom/smooth.h"
#include "model/design.h"
#include "model/doc.h"

namespace rz {

class TFont;

constexpr uint32_t kPieceLineKindMask = 0xFu;
constexpr uint32_t kPieceLineOrigShift = 4;
constexpr uint32_t kPieceLineOrigMask = 0xF0u;
constexpr uint32_t kPieceLineFoldLine = 1u << 17;
// Piece flag bits shared with the part attribute words: kind, pieces per pair, shrink pattern.
constexpr uint32_t kPieceKindMask = 0xFu;
constexpr uint32_t kPiecePairShift = 12;
constexpr uint32_t kPiecePairMask = 0xF000u;
constexpr uint32_t kPieceShrink = 1u << 22;
constexpr int kPieceSlots = 100;
// Ends of neighbouring outline stretches closer than this are one point: stretches rebuilt from
// stored float fractions miss each other by rounding.
constexpr float kJoinTolerance = 1.0f;

// The polyline a piece line or picked stretch is taken from (a line's evaluated polyline, a seam
// allowance's outline, a symmetry line link's drawn polyline); null for a missing source or one
// of another kind.
const Polyline* SourcePolyline(const KindRef& src);
// The stretch of a piece line, from the point at its start to the point at its end; empty when
// its source is unusable or its fractions are not numbers in [0, 1].
Polyline PieceLineStretch(const PieceLine& pl);
bool PieceLineSound(const PieceLine& pl);

struct PieceReport {
    bool closed = false;
    int badLines = 0;  // outline lines without a usable source or with unsound fractions
};
// Rebuilds a piece's derived data: every piece line's stretch (lines B cut or extended at their
// trim references), the outline joined from lines A, the closed flag, the box, the cutting
// outline lines (margins), the members' drawn shapes and the strokes of its size labels.
PieceReport AssemblePiece(Design& d, Piece& pc, const TFont* font = nullptr);
// The outline lines A in outline order (their next references, or list order when those do
// not run round the whole list).
std::vector<PieceLine*> OutlineOrder(Piece& pc);
// The cutting outline (划料样): the outline with every line that has a margin moved out by it,
// neighbours cut or extended to meet.
Polyline CuttingOutline(const Piece& pc);

// ---- pieces of the piece area ----
Piece* PieceInSlot(Design& d, int slot);
// A copy of a piece whose references among its own piece lines point into the copy; references
// to part records stay.
std::unique_ptr<Piece> ClonePiece(const Piece& pc);
// 复制: a copy of the piece in `slot` goes to slot + 1; later pieces move up by one. False, with
// nothing changed, when a piece would pass the last slot (99) or the slot holds no piece.
bool CopyPieceToNextSlot(Design& d, int slot);
// 删除此分片: the piece and everything that refers to its lines.
void DeletePiece(Design& d, Piece* pc);
// 生成部位: a new part whose lines A are the piece's outline stretches and lines B its inner lines,
// placed below the piece; null for a piece without a closed outline.
Part* PartFromPiece(Design& d, Piece& pc, const TDoc& doc);
// 分片特性 figures: the box's length and width and their change per size step, perimeter, area.
struct PieceFigures {
    float length = 0, width = 0, lengthStep = 0, widthStep = 0;
    double perimeter = 0, area = 0;
};
PieceFigures MeasurePiece(const Design& d, const Piece& pc);

// ---- 提取 ----

// A picked stretch: fractions start < end of its source.
struct Stretch {
    KindRef source;
    Part* part = nullptr;
    float start = 0.0f, end = 1.0f;
};
// The stretches joined: each cut at its crossings nearest its ends with the others, ordered and
// turned so that each ends where the next starts and the last where the first starts. start and
// end are the cut fractions in outline order (start > end: the stretch runs backwards).
struct JoinedOutline {
    std::vector<Stretch> parts;
    Polyline outline;
};
std::optional<JoinedOutline> JoinStretches(const std::vector<Stretch>& picked);
// Adds a stretch to a working outline: a stretch shorter than 200 units (2 mm) means the whole
// source, which is taken out again when already there (returns -1) or added (returns 1); a longer
// one is merged with an overlapping stretch of the same source (returns 1).
int AddStretch(std::vector<Stretch>& working, Stretch s, float minLength = 200.0f);

enum class ExtractMode { Piece = 0, Part = 1, TrimCopy = 2, LineCopy = 3 };
struct ExtractOptions {
    ExtractMode mode = ExtractMode::Piece;
    bool innerLines = true;  // 拷贝内线
    int slot = 0;
    bool replace = false;    // a piece already in the slot gets the new outline
};
struct ExtractResult {
    bool ok = false;
    std::string refusal;   // why nothing was made
    Piece* piece = nullptr;
    Part* part = nullptr;
    int linesMade = 0;
};
// Makes what 提取 makes from picked stretches. Nothing changes when the stretches do not close
// (or, making a piece, when the slot is taken and `replace` is not set).
ExtractResult ExtractOutline(TDoc& doc, const std::vector<Stretch>& picked, const ExtractOptions& opt,
                      const TFont* font = nullptr);
// The stretches of a piece's outline, for editing it again.
std::vector<Stretch> PieceStretches(Design& d, Piece& pc);
// The part lines inside a closed outline (two-node lines by their midpoints, others by every
// evaluated point) among the lines of `parts`, other than `except`.
std::vector<std::pair<Part*, Line*>> LinesInside(const std::vector<Part*>& parts, const Polyline& outline,
                                                 const std::vector<const void*>& except);

}  // namespace rz
