// A motif library holding every record kind a cell can hold, references between the records of
// a cell, a non-zero cell word and every cell kind; and a stand-in for the stroke font that
// needs no font file.
#pragma once

#include "model/motif_library.h"

namespace rz::test {

// Each character (two GBK bytes, or one ASCII byte) becomes the outline of its w × h cell, laid
// side by side from (0, 0): the extent is (characters × w) × h.
LayOutText BoxTextLayout();

void BuildRichLibrary(MotifLibrary& lib);

}  // namespace rz::test
