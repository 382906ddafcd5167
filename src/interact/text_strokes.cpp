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

Shape TextStringStrokes(const TextString& t, TFont& font) {
    FontCell cell(font, t.width, t.height);
    TextLayout l = font.layoutText(t.text);
    turnStrokes(l.strokes, {0.0f, 0.0f}, t.angle);
    moveStrokes(l.strokes, t.x, t.y);
    return std::move(l.strokes);
}

int FillMissingTextStrokes(Design& d, TFont& font) {
    auto layOut = [&font](TextString& t) {
        if (!t.strokes.empty() || t.text.empty() || !font.hasData()) return 0;
        t.strokes = TextStringStrokes(t, font);
        return 1;
    };
    int n = 0;
    for (auto& p : d.parts)
        for (auto& t : p->texts) n += layOut(*t);
    for (auto& pc : d.pieces)
        for (auto& t : pc->texts) n += layOut(*t);
    return n;
}

}  // namespace rz
