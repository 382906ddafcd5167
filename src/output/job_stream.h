// The byte streams a cutter receives: the job of a sheet, the head move and the test page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "output/sheet.h"

namespace rz {

// The count of one stream item is 16 bits: longer items go out in chunks of at most this many
// points, each chunk starting at the point where the previous one ended.
constexpr size_t kMaxStreamPoints = 65535;

// A value with `decimals` digits after a decimal point, whatever the locale says ("%.Nf").
std::string FormatFixed(double v, int decimals);
inline std::string FormatFixed5(double v) { return FormatFixed(v, 5); }

// The final head position of settings word 53 on an area W × H; none for "原位".
std::optional<PointF> FinalHeadPosition(int code, float W, float H);

// What one chunk of the stream carries, for reports.
struct StreamEntry {
    int32_t pieceId = 0;
    int kind = 0, tool = 0, pen = 0;
    size_t points = 0;
};

// The job stream (mode 1) of the items chosen for the job (bit 30), in list order: the header,
// the binary point runs, the pen bytes and the trailer with the final head position.
std::vector<uint8_t> BuildJobStream(const ItemList& items, int finalPosition, float W, float H,
                                    std::vector<StreamEntry>* entries = nullptr);
// The head move (mode 0) to a sheet point.
std::vector<uint8_t> BuildMoveStream(PointF to);
// The cutter test page: one pen-down rectangle round the whole area.
std::vector<uint8_t> BuildTestPage(float W, float H);

}  // namespace rz
