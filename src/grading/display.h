// Which sizes the front screen shows after grading: the display rule of 全号显示 and the
// current size, and the two grading commands of the 观察 menu that work on the whole design.
#pragma once

#include <cstdint>

#include "grading/engine.h"
#include "model/doc.h"

namespace rz {

// The base size's index in the size list of the design's range (the base-index field holds the
// size shown while grading results exist). 0 without a usable range.
int GradingBaseIndex(const DesignParams& d);
// The size 全号显示 shows: the base-index field while grading results exist.
inline int CurrentSizeIndex(const DesignParams& d) { return d.baseIndex; }

// Hides every graded copy; then with 全号显示 off shows the base-size elements, with it on hides
// the base-size elements that have copies and shows the copies of the current size, or of every
// size while the current size is the base size. With pieces marked for output only their
// members are set so; display flag bit 5 limits it to members of any piece.
void ApplyDisplayRule(Design& d, uint32_t displayFlags);

// The parameter table's current-size buttons: the shown size moves by `delta`, wrapping. False
// (nothing changed) without grading results.
bool StepCurrentSize(Design& d, int delta);

// Page Up/Down, Home/End on the front screen: the shown size moves by `delta`, clamped to the
// size list. False when nothing moved (no results, or already at that end).
bool MoveCurrentSize(Design& d, int delta);

// 鞋样扩缩: asks "清除扩缩结果？" when results exist (No stops it), shows the wait cursor, makes the
// numbered auto-save unless the document suppresses it, runs the grading (a refusal is shown in
// a warning and changes nothing), applies the display rule and stores one undo snapshot.
// Warnings of the run are shown in a notice. Returns the run's report (`ok` false when it did
// not run or was refused). Without `controls` the run applies every grading control.
GradeReport GradePatternCommand(TDoc& doc, GradingControls* controls = nullptr);

// 清除扩缩: nothing without results; otherwise asks "清除扩缩结果？" and on Yes frees them, applies
// the display rule and stores one undo snapshot. True when the results were cleared.
bool ClearGradingCommand(TDoc& doc);

}  // namespace rz
