// Wire-cut programs (线切割, .DAT) and NC engraving programs (.nbc): numbered straight and arc
// records in millimetres. The design's lines are written as arcs (圆弧格式), a sheet's items as
// straight records (直线格式); the reader turns records back into lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "geom/types.h"
#include "model/doc.h"
#include "model/records.h"

namespace rz {

struct WireRecord {
    bool arc = false;
    PointF centre;      // arcs only
    PointF start, end;
    bool clockwise = false;  // 'S' (clockwise) or 'N'
};

// The file text: records numbered from 1, CR LF, C-locale numbers.
std::string FormatWireCut(const std::vector<WireRecord>& records);

// Whether the middle of an arc from start to end lies to the left of its chord (the arc then
// turns clockwise).
bool MiddleLeftOfChord(PointF start, PointF middle, PointF end);

// The records of one line by its curve method: 3 and 5 (with three nodes) as one arc, a line
// straight within 5 units as one straight record, method 4 one straight record per segment,
// any other line fitted with arcs (tolerance in document units). Lines with fewer than two
// drawn points write nothing.
void AppendLineRecords(const Line& line, float arcTolerance, std::vector<WireRecord>& out);
// 圆弧格式 of one size: every part not hidden in chain order, lines A then B; a line's graded copy
// of that size where it has one.
std::vector<WireRecord> DesignWireRecords(const Design& d, int sizeIndex, float arcTolerance);
// 直线格式: a straight record per segment of every polyline, in order.
std::vector<WireRecord> PolylineWireRecords(const std::vector<const Polyline*>& items);

// One line read from a wire-cut file: curve method 4 (two nodes) or 3 (start, middle, end).
struct WireLine {
    int method = 4;
    std::vector<PointF> nodes;
};
struct WireReadResult {
    std::vector<WireLine> lines;
    int skipped = 0;  // text lines that are no record or whose numbers do not read
};
WireReadResult ReadWireCut(std::string_view bytes);

// Adds the lines read at the end of lines B of the first part (line words 0x4011 and 0x3011),
// evaluates them, marks the design modified and pushes an undo snapshot. Returns the count.
int AddWireLines(TDoc& doc, const WireReadResult& r);

// Writes 圆弧格式 files "<folder>%03d.dat" for the sizes given (indices of the size list; the
// base size when the design has no size list). Returns the paths written; a file that cannot be
// written is skipped and named in `failed`.
std::vector<std::string> WriteArcFormatFiles(const TDoc& doc, const std::string& folder, const std::vector<int>& sizes,
                                             std::vector<std::string>& failed);
// The value of size index i for file names (the base size when there is no size list).
int SizeValueAt(const Design& d, int index);

// The NC program of a drawn polyline (from its end backwards when `reversed`): arc-fitted with
// the tolerance, lengths in the display unit (Settings::lengthUnit).
std::string NcProgram(const Polyline& drawn, bool reversed, float arcTolerance, int lengthUnit);

}  // namespace rz
