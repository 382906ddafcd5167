// The shoe-size numbers of a design: the value of each size of the size list, the text of a
// size as size labels and the parameter table write it, and the design's report combined with
// a size text.
#pragma once

#include <string>

#include "model/design.h"

namespace rz {

// Size systems whose stored values run on from the children's sizes into the adults'.
inline bool SizeSystemWraps(int system) { return system == 3 || system == 4; }

// The value shown for a stored size value: in the wrapping systems the adults' sizes start
// again at 1 (stored 140 is shown as 10).
int DisplayedSizeValue(int value, int system);

// Size value (tenths of a size number) at index i of the size list of `d`; 0 when N <= 0 or i
// lies outside the list.
int SizeValueAt(const DesignParams& d, int i);

// Text of one size value by the low 7 bits of the label format ("%d", ".5" or "|" halves),
// with "#" appended when bit 7 is set.
std::string SizeText(int value, int system, int labelFormat);
std::string SizeText(const DesignParams& d, int value);
// Text of a range of sizes "a-b" (a single size when they are the same), "#" appended once.
std::string SizeRangeText(const DesignParams& d, int first, int last);

// The report combined with a size text: "##" in the report is replaced by it; otherwise the
// report, ";" and the size text, or the size text alone when the report is empty.
std::string ReportWithSizeText(const std::string& report, const std::string& sizeText);
// The text a new size label of the base size gets.
std::string BaseSizeLabelText(const DesignParams& d);

}  // namespace rz
