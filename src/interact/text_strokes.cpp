#include "interact/text_strokes.h"

namespace rz {

namespace {

bool LayOut(TextString& t, TFont& font) {
    if (!t.strokes.empty() || t.text.empty() || !font.hasData()) return false;
    t.strokes = TextStringStrokes(t, font);
    return true;
}

}  // namespace

Shape TextStringStrokes(const TextString& t, TFont& font) {
    const float w = font.charWidth, h = font.charHeight;
    if (t.width > 0.0f) font.charWidth = t.width;
    if (t.height > 0.0f) font.charHeight = t.height;
    TextLayout l = font.layoutText(t.text);
    font.charWidth = w;
    font.charHeight = h;
    turnStrokes(l.strokes, {0.0f, 0.0f}, t.angle);
    moveStrokes(l.strokes, t.x, t.y);
    return std::move(l.strokes);
}

int FillMissingTextStrokes(Design& d, TFont& font) {
    int n = 0;
    for (auto& p : d.parts)
        for (auto& t : p->texts) n += LayOut(*t, font);
    for (auto& pc : d.pieces)
        for (auto& t : pc->texts) n += LayOut(*t, font);
    return n;
}

}  // namespace rz
