#include "interact/text_strokes.h"

namespace rz {

LayOutText FontLayout(TFont& font) {
    return [&font](const std::string& gbk, float w, float h) {
        TextStrokes out;
        if (!font.hasData()) return out;
        // The layout reads the cell size from the font: set it for this text only.
        FontCell cell(font, w, h);
        TextLayout l = font.layoutText(gbk);
        out.strokes = std::move(l.strokes);
        out.width = l.width;
        out.height = l.height;
        return out;
    };
}

namespace {

bool LayOut(TextString& t, const LayOutText& layout, TFont& font) {
    if (!t.strokes.empty() || t.text.empty() || !font.hasData()) return false;
    TextStrokes l = layout(t.text, t.width, t.height);
    turnStrokes(l.strokes, {0.0f, 0.0f}, t.angle);
    moveStrokes(l.strokes, t.x, t.y);
    t.strokes = std::move(l.strokes);
    return true;
}

}  // namespace

int FillMissingTextStrokes(Design& d, TFont& font) {
    const LayOutText layout = FontLayout(font);
    int n = 0;
    for (auto& p : d.parts)
        for (auto& t : p->texts) n += LayOut(*t, layout, font);
    for (auto& pc : d.pieces)
        for (auto& t : pc->texts) n += LayOut(*t, layout, font);
    return n;
}

}  // namespace rz
