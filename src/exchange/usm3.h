// USM3 line import (.3T2): the polylines of the "<<LINES>>" sections as lines of the first part.
#pragma once

#include <string_view>

#include "geom/types.h"
#include "model/doc.h"

namespace rz {

constexpr uint32_t kUsm3LineColour = 0x008000;

struct Usm3ReadResult {
    Shape polylines;  // 0.01 mm, in file order
    int sections = 0;
};
Usm3ReadResult ReadUsm3(std::string_view bytes);

// Appends the polylines at the end of lines B of the first part (line flags 1, colour 0x008000),
// evaluates them, marks the design modified and pushes an undo snapshot. Returns the count.
int AddUsm3Lines(TDoc& doc, const Usm3ReadResult& r);

}  // namespace rz
