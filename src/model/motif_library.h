// The motif library: 40 cells of small drawings (motif shapes, saved curves, saved parts, texts
// as strokes, pins of a given size) that the drawing tools reuse, its file Vopa.ptn and its
// built-in defaults.
//
// A cell's records are copies that belong to no design: their references are cleared when they
// come in, and a motif's shape is in the cell's own coordinates with its position as the
// anchor (the point that lands on the click when the motif is placed).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "geom/smooth.h"
#include "model/records.h"

namespace rz {

constexpr int kCellCount = 40;
constexpr int kEllipseCell = 0;
constexpr int kSizeLabelCell = 6;
constexpr int kFirstPinCell = 20;
constexpr int kLastPinCell = 26;
constexpr int kFirstFreeCell = 7;  // moving on to a free cell searches from here
constexpr float kMaxUseSize = 9990.0f;  // 99.9 mm
constexpr size_t kCellRecordSize = 48;

// Cell kinds (曲线替换 needs 22).
constexpr int kCellKindNone = 0;
constexpr int kCellKindPins = 1;
constexpr int kCellKindMotifs = 4;
constexpr int kCellKindPart = 21;
constexpr int kCellKindCurves = 22;

struct MotifCell {
    MotifCell() = default;
    MotifCell(const MotifCell&) = delete;
    MotifCell& operator=(const MotifCell&) = delete;
    MotifCell(MotifCell&&) = default;
    MotifCell& operator=(MotifCell&&) = default;

    uint32_t cellWord = 0;  // 0 in every cell the program makes; kept as read
    float useW = 0.0f, useH = 0.0f;
    float contentW = 0.0f, contentH = 0.0f;
    float contentX = 0.0f, contentY = 0.0f;  // lower-left corner of the content box
    List<Line> linesA;  // a saved part's boundary
    List<Line> linesB;  // saved curves, or a saved part's other lines
    List<Pin> pins;
    List<Motif> motifs;
    List<TextString> texts;

    // 21 with lines A, else 22 with lines B, else 1 with pins, else 4 with motifs, else 0.
    int kind() const;
    // All five lists empty.
    bool empty() const;
    // Frees the lists and zeroes the whole record.
    void clear();
};

// Protection rules of the special cells.
inline bool IsPinCell(int i) { return i >= kFirstPinCell && i <= kLastPinCell; }
// 删除此图案 and 输入标示字 leave these alone: the ellipse cell, the size-label cell (it holds no
// records, so "only on an empty cell" would let it through) and the pin cells.
inline bool IsProtectedCell(int i) { return i == kEllipseCell || i == kSizeLabelCell || IsPinCell(i); }

// A GBK text laid out with the stroke font in a character cell of w × h from (0, 0), and the
// size of the block its strokes fill. The font lives above the model, so its owner passes this
// in; without one, texts get no strokes.
struct TextStrokes {
    Shape strokes;
    float width = 0.0f, height = 0.0f;
};
using LayOutText = std::function<TextStrokes(const std::string& gbk, float w, float h)>;

// The shape a cell gives the 图案 input: its content at its use size, and the anchor.
struct CellShapeResult {
    Shape shape;
    PointF anchor;
};

class MotifLibrary {
public:
    MotifLibrary() = default;
    MotifLibrary(const MotifLibrary&) = delete;
    MotifLibrary& operator=(const MotifLibrary&) = delete;

    std::array<MotifCell, kCellCount> cells;
    int currentCell = 0;  // the motif area's current cell
    // The file the library came from ended inside a cell; the exit write keeps it as ".bak".
    bool readDamaged = false;

    MotifCell& current() { return cells[size_t(currentCell)]; }
    const MotifCell& current() const { return cells[size_t(currentCell)]; }
    // Moving on to a free cell: the first empty cell from 7 to 39, or -1.
    int firstFreeCell() const;
    // Makes the first free cell current; false (nothing changes) when there is none.
    bool moveToFreeCell();
};

// The diameter of new pins and point rows: with a pin cell (20–26) current the mean of its use
// width and height, otherwise `needleSetting` (针径).
float CurrentPinDiameter(const MotifLibrary& lib, float needleSetting);

// The content box of everything in a cell (evaluated lines of both lists, pin circles, motif
// shapes, text strokes); false when there is nothing to measure.
bool CellContentBox(const MotifCell& c, RectF& box);
// Stores the content box in the cell (zero when there is nothing).
void MeasureCell(MotifCell& c);
// A use size kept within 0–9990 (not a number: 0).
float ClampUseSize(float v);
// 恢复原尺寸: use size := content size.
void RestoreUseSize(MotifCell& c);
// A click on the use-size panel: adds delta to the width or the height, kept within 0–9990.
// True when the value had to be clamped.
bool AdjustUseSize(MotifCell& c, bool width, float delta);

// The cell's content as one shape at its use size: cell 0 an ellipse whose axes are the use
// width and height about the anchor (0, 0); a cell of motifs only its first motif's shape with
// that motif's position as the anchor; any other cell all its polylines moved by −(content x,
// content y) with anchor (0, 0). Shape and anchor are then scaled by use / content size on each
// axis (an axis whose content size is 0 is not scaled). Nothing when a use size is 0 or the
// cell gives no points within the model range.
std::optional<CellShapeResult> CellShape(const MotifCell& c, int index);

// Derived data of a cell's records: lines evaluated, pin circles built, text strokes laid out
// (with `text`, when given) at their stored size, turned by their angle and placed at their
// position.
void RebuildCell(MotifCell& c, const TSmooth& smooth, const LayOutText& text);

// The library a missing file gives: the ellipse cell 200 × 200, the characters "做", "划", "托",
// "底", "里" as motifs at 500 × 500 in cells 1–5 (with `text`), the size-label cell 400 × 400,
// pins of diameter 40 and 100 … 600 in cells 20–26.
void MakeBuiltInLibrary(MotifLibrary& lib, const LayOutText& text);

// The file Vopa.ptn: for each of the 40 cells three counts (lines, pins, motifs), the 48-byte
// cell record, then its lists in the pattern file's record format.
std::vector<uint8_t> WriteMotifLibrary(const MotifLibrary& lib);

struct LibraryReadResult {
    int cellsRead = 0;     // whole cells taken from the file
    bool damaged = false;  // the file ended inside a cell: that cell and the rest are empty
};
// Reads every whole cell, in place of the library's cells; the counts of a cell are only read
// past (its lists end by their own next words). A cell the file ends inside, and every cell
// after it, is left empty. References a cell cannot resolve become null.
LibraryReadResult ReadMotifLibrary(const std::vector<uint8_t>& bytes, MotifLibrary& lib,
                                   const TSmooth& smooth, const LayOutText& text);

// Start-up: reads the file, or makes the built-in library when it cannot be opened.
struct LibraryLoad {
    bool opened = false;
    LibraryReadResult read;
};
LibraryLoad LoadMotifLibrary(const std::string& path, MotifLibrary& lib, const TSmooth& smooth,
                             const LayOutText& text);
// Exit: writes the library atomically. When it was read from a damaged file, that file is kept
// first as "<path>.bak", so that a library the program could not read whole is never replaced
// unseen by what could be read of it.
bool SaveMotifLibrary(const std::string& path, const MotifLibrary& lib, std::string* error = nullptr);

}  // namespace rz
