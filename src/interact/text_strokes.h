// Strokes of text strings laid out with the stroke font, for text strings whose derived
// strokes have not been built yet (a freshly read file), and the font as the motif library
// lays out its texts.
#pragma once

#include "model/design.h"
#include "model/font.h"
#include "model/motif_library.h"

namespace rz {

// Lays out every text string of every part and piece whose strokes are empty: the string's
// width and height are the character cell, turned by its angle about its position. Returns
// the number of strings laid out.
int FillMissingTextStrokes(Design& d, TFont& font);
// The strokes of one text string laid out as above (the font's own cell size is kept).
Shape TextStringStrokes(const TextString& t, TFont& font);

// The font as a text layout: a character cell of w × h (0: the font's own), strokes from
// (0, 0). The font must outlive the function; no strokes without font data.
LayOutText FontLayout(TFont& font);

}  // namespace rz
