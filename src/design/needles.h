// 针径 and 针序 on the pins of a part: one diameter for all, a class of equal diameters changed,
// diameters grouped into classes, a small closed line turned into a pin, and the output order
// of the pins.
#pragma once

#include <span>

#include "model/design.h"

namespace rz {

// A diameter starts a new class when it is this much larger than the class's first (0.5 mm).
constexpr float kNeedleClassStep = 50.0f;
// A closed line whose first and last nodes are this close can become a pin (1 mm).
constexpr float kPinLineClosure = 100.0f;

// 统一更改: every pin of the parts gets `diameter`; returns the number changed.
int UnifyDiameters(std::span<Part* const> parts, float diameter);
// The mean diameter of the parts' pins (0 without pins).
float MeanDiameter(std::span<Part* const> parts);
// 同档更改: every pin of the part whose diameter equals d0 exactly gets d1.
int ChangeSameClass(Part& part, float d0, float d1);
// 针径分档: the part's diameters sorted ascending and grouped, each group starting at a diameter
// 0.5 mm or more above the previous group's first; every pin takes its group's mean.
int ClassifyDiameters(Part& part);
// 针序: `first` leads, then always the nearest remaining pin (the earlier in the list on a tie).
bool OrderPins(Part& part, const Pin* first);
// Whether a line can become a pin: first and last nodes within 1 mm.
bool LineMakesPin(const Line& l);
// The line becomes a pin at the centre of its box, diameter (width + height) / 2, with the line's
// base point and the tool bits given; the line goes through the reference-integrity service.
Pin* LineToPin(Design& d, Part& part, Line& line, uint32_t tool);

}  // namespace rz
