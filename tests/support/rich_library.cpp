#include "rich_library.h"

#include "geom/smooth.h"
#include "model/gbk.h"

namespace rz::test {

LayOutText BoxTextLayout() {
    return [](const std::string& gbk, float w, float h) {
        if (w <= 0.0f) w = 128.0f;
        if (h <= 0.0f) h = 128.0f;
        TextStrokes t;
        float x = 0.0f;
        for (size_t i = 0; i < gbk.size(); ++i) {
            if (static_cast<unsigned char>(gbk[i]) >= 0x80) ++i;  // the trail byte
            t.strokes.push_back({{x, 0}, {x + w, 0}, {x + w, h}, {x, h}, {x, 0}});
            x += w;
        }
        t.width = x;
        t.height = t.strokes.empty() ? 0.0f : h;
        return t;
    };
}

namespace {

std::unique_ptr<Line> LineOf(std::vector<Node> nodes, int method) {
    auto l = std::make_unique<Line>();
    l->nodes = std::move(nodes);
    l->flags = (uint32_t(method) << kLineMethodShift) | 0x21u;
    l->colour = 0x00FFFF;
    return l;
}

}  // namespace

void BuildRichLibrary(MotifLibrary& lib) {
    MakeBuiltInLibrary(lib, BoxTextLayout());
    // Cell 8: a saved part with its lines A and B, a pin, a motif and a text string; a line B
    // refers to a line A as its front-symmetry line and the pin to its graded copy's stand-in.
    MotifCell& part = lib.cells[8];
    part.cellWord = 0x12345678;
    part.linesA.push_back(LineOf({{0, 0, 0}, {4000, 0, 0}, {4000, 3000, kNodeBreak}, {0, 3000, 0}, {0, 0, 0}}, 0));
    part.linesB.push_back(LineOf({{500, 500, 0}, {1500, 1200, 0}, {2500, 600, 0}}, 2));
    part.linesB.back()->frontSym = part.linesA.front().get();
    part.linesB.back()->margin = 150.0f;
    auto pin = std::make_unique<Pin>();
    pin->x = 1000;
    pin->y = 2000;
    pin->diameter = 120;
    pin->flags = kFlagFolds | 3u;
    part.pins.push_back(std::move(pin));
    auto m = std::make_unique<Motif>();
    m->shape = {{{2000, 2000}, {2300, 2000}, {2150, 2400}, {2000, 2000}}, {{2100, 2100}, {2200, 2100}}};
    m->x = 2150;
    m->y = 2200;
    part.motifs.push_back(std::move(m));
    auto t = std::make_unique<TextString>();
    t->text = Utf8ToGbk("前帮");
    t->x = 300;
    t->y = 2600;
    t->width = 200;
    t->height = 250;
    t->angle = 0.25f;
    t->flags = 1;
    part.texts.push_back(std::move(t));
    // Cell 9: two saved curves; cell 10: motifs only; cell 11: a text string only.
    MotifCell& curves = lib.cells[9];
    curves.linesB.push_back(LineOf({{0, 0, 0}, {100, 50, 0}, {200, 0, 0}}, 2));
    curves.linesB.push_back(LineOf({{0, 100, 0}, {200, 100, 0}}, 4));
    curves.linesB.back()->graded = curves.linesB.front().get();
    MotifCell& motifs = lib.cells[10];
    auto m2 = std::make_unique<Motif>();
    m2->shape = {{{0, 0}, {600, 0}, {300, 900}, {0, 0}}};
    m2->x = 300;
    m2->y = 300;
    motifs.motifs.push_back(std::move(m2));
    MotifCell& text = lib.cells[11];
    auto t2 = std::make_unique<TextString>();
    t2->text = "A1";
    t2->width = 300;
    t2->height = 300;
    text.texts.push_back(std::move(t2));
    const TSmooth smooth;
    for (int i : {8, 9, 10, 11}) {
        RebuildCell(lib.cells[size_t(i)], smooth, BoxTextLayout());
        MeasureCell(lib.cells[size_t(i)]);
        RestoreUseSize(lib.cells[size_t(i)]);
    }
}

}  // namespace rz::test
