// rozedoz-cli place: PlaceCell without a window — a cell's content put into a pattern with the
// centre of its content box on a point (in a part there, or as a new part on the page).
#include <cstdio>
#include <string>

#include "commands/draw_common.h"
#include "commands/library_tools.h"
#include "interact/pick.h"
#include "library_args.h"
#include "load.h"
#include "verbs.h"

namespace rz::cli {
namespace {

int PlaceVerb(const std::vector<std::string>& args) {
    std::vector<std::string> pos;
    int page = -1;
    bool badPage = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--page" && i + 1 < args.size()) badPage = !ParseInt(args[++i], 0, 3, page);
        else pos.push_back(args[i]);
    }
    int cell = -1;
    double x = 0, y = 0;
    if (badPage || pos.size() != 6 || !ParseInt(pos[2], 0, kCellCount - 1, cell) || !ParseDouble(pos[3], x) ||
        !ParseDouble(pos[4], y)) {
        std::fprintf(stderr, "usage: rozedoz-cli place IN.XIE LIB.ptn CELL X Y OUT.XIE [--page N]  (cell 0-39, mm)\n");
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, pos[0], r)) return 1;
    if (page >= 0) doc.setCurrentPage(page);
    TFont font;
    font.load(FindFontFile());
    ReadLibraryArg("place", pos[1], doc.library, doc.smooth, font);
    const PointF p{float(x * 100.0), float(y * 100.0)};
    Part* part = PartAt(doc.design, doc.currentPage(), p, false);
    Part* placed = PlaceCell(doc.design, doc.library.cells[size_t(cell)], p, part, doc.currentPage(), doc.smooth);
    if (!placed) {
        std::fprintf(stderr, "rozedoz-cli place: nothing placed: no part at %.2f,%.2f and cell %d holds no part\n", x, y,
                     cell);
        return 1;
    }
    CompletePart(*placed);
    FillMissingTextStrokes(doc.design, font);
    doc.PushUndo();
    FileResult w = doc.SaveAs(pos[5]);
    if (!w.ok()) {
        std::fprintf(stderr, "rozedoz-cli place: %s\n", w.message.c_str());
        return 1;
    }
    size_t index = 0;
    for (size_t i = 0; i < doc.design.parts.size(); ++i)
        if (doc.design.parts[i].get() == placed) index = i;
    std::printf("{\"part\":%zu,\"new_part\":%s}\n", index, part ? "false" : "true");
    return 0;
}

RegisterVerb reg("place", "place IN.XIE LIB.ptn CELL X Y OUT.XIE [--page N]: put a cell's content at (X, Y) mm",
                 PlaceVerb);

}  // namespace
}  // namespace rz::cli
