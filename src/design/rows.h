// Point rows (排点): rows of pins laid along a line by count (自动排), by spacing (等距排) or on
// the line's nodes (节点排), with an optional second row beside them, and the number of points a
// row has in each graded size.
//
// The record's values: v0 the start node (node rows), v1 点数, then the floats start extension,
// end extension, offset, second-row distance, spacing, second spacing and diameter, v2 码间隔
// (signed), v3 针增减. Row flags: low 4 bits the tool, bits 4–7 the mode, bit 16 folds, bits 17–18
// the insertion mode, bit 20 首点忽略, bit 21 尾点忽略, bit 30 set while the row is being made.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "model/design.h"

namespace rz {

enum class RowMode { Auto = 0, Spacing = 1, Nodes = 2 };

constexpr uint32_t kRowModeShift = 4;
constexpr uint32_t kRowModeMask = 0xF0u;
constexpr uint32_t kRowInsertA = 1u << 17;
constexpr uint32_t kRowInsertB = 1u << 18;
constexpr uint32_t kRowSkipFirst = 1u << 20;
constexpr uint32_t kRowSkipLast = 1u << 21;
constexpr uint32_t kRowCreating = 1u << 30;
// A spacing of 1 mm or less lays no points.
constexpr float kMinRowSpacing = 100.0f;
// No row holds more points than this (a count from a file is capped here).
constexpr int kMaxRowPoints = 20000;

// The parameters of a row, as the 排点参数 dialog shows them.
struct RowParams {
    RowMode mode = RowMode::Auto;
    int startNode = 0;
    int count = 0;          // 点数
    float startExt = 0.0f, endExt = 0.0f;
    float offset = 0.0f;    // 边距
    float secondDistance = 0.0f;
    float spacing = 0.0f, secondSpacing = 0.0f;
    float diameter = 0.0f;
    int sizeInterval = 0;   // 码间隔, size tenths, −50 … 50
    int countStep = 0;      // 针增减, 0 … 9
    int insertion = 0;      // 选择: 0 正常, 1 首部, 2 尾部, 3 中间
    bool skipFirst = false, skipLast = false;
    uint32_t tool = 1;      // 1 draw, 3 cut
    bool folds = true;
};
RowParams ReadRow(const PointRow& r);
void StoreRow(PointRow& r, const RowParams& p);

// Insertion mode from the flags and back (0 both clear, 1 bits 17 and 18, 2 bit 17, 3 bit 18).
int InsertionMode(uint32_t flags);
uint32_t InsertionBits(int mode);

// What a row computes to.
struct RowPoints {
    Polyline points;
    std::vector<float> angles;  // direction of the host line at each point, radians
    Polyline second;            // the second row (empty without one)
    float spacing = 0.0f;       // the spacing laid (auto rows) or used
    int laid = 0;               // points laid before 首点忽略 and 尾点忽略 took any away
};

// Lays a row on a host line (its evaluated polyline and nodes). `count` overrides 点数 (and a
// node row's node count) for a graded size; -1 takes the row's own. Nothing when the row is
// unsound: a count below 2, a spacing of 1 mm or less, a host of no length after its extensions.
RowPoints ComputeRow(const RowParams& p, std::span<const PointF> host, std::span<const Node> nodes, int count = -1);
// Recomputes a row's drawn circles from its host line (a row whose host is gone, or that is
// unsound, draws nothing). With `record` the count laid (spacing and node rows) or the spacing
// (auto rows) is stored back, as the row tools do; loading and rebuilding leave the record as it is.
void RebuildRow(PointRow& r, bool record = false);
RowPoints RowPointsOf(const PointRow& r);

// The point count of a row in a graded size d size tenths from the base size, for a base count n,
// 码间隔 b and 针增减 c (integer divisions truncating toward zero): unchanged when b or c is 0;
// else n + c·k with k = −(d / b) for b < 0, d ≤ 0; d / (1 − b) + 1 for b < 0, d > 0;
// d / (b + 1) − 1 for b > 0, d < 0; d / b for b > 0, d ≥ 0; never below 2.
int GradedRowCount(int n, int b, int c, int d);
// The count of a row laid on a graded copy of its host with `gradedNodes` nodes: auto rows from
// 点数, node rows from the copy's node count. Spacing rows have no count of their own, and an
// auto row of more points than a row may hold none (-1).
int GradedRowCount(const PointRow& r, int gradedNodes, int d);

// A new row on `host` in `mode`, with the default diameter and tool bits.
std::unique_ptr<PointRow> MakeRow(Line& host, RowMode mode, float diameter, uint32_t tool);

// The node of `host` nearest to `p` (the nearer of the two around the click).
int NearestNodeIndex(const Line& host, PointF p);

}  // namespace rz
