// rozedoz-cli cellsave: 部位保存 (a whole part) or 曲线保存 (one line of it) into a cell of a
// motif library, written as a new library file.
#include <cstdio>
#include <string>

#include "commands/library_tools.h"
#include "library_args.h"
#include "load.h"
#include "model/xie.h"
#include "verbs.h"

namespace rz::cli {
namespace {

const char* const kUsage =
    "usage: rozedoz-cli cellsave IN.XIE PART[:LINE] LIB.ptn CELL OUT.ptn  (0-based; a line numbers lines A then B)\n";

int CellSaveVerb(const std::vector<std::string>& args) {
    if (args.size() != 5) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    int partIndex = -1, lineIndex = -1, cell = -1;
    const std::string& which = args[1];
    const size_t colon = which.find(':');
    if (!ParseInt(which.substr(0, colon), 0, 1 << 30, partIndex) ||
        (colon != std::string::npos && !ParseInt(which.substr(colon + 1), 0, 1 << 30, lineIndex)) ||
        !ParseInt(args[3], 0, kCellCount - 1, cell)) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, args[0], r)) return 1;
    if (size_t(partIndex) >= doc.design.parts.size()) {
        std::fprintf(stderr, "rozedoz-cli cellsave: %s has no part %d\n", args[0].c_str(), partIndex);
        return 1;
    }
    const Part& part = *doc.design.parts[size_t(partIndex)];
    const Line* line = nullptr;
    if (lineIndex >= 0) {
        const size_t a = part.linesA.size();
        if (size_t(lineIndex) < a) line = part.linesA[size_t(lineIndex)].get();
        else if (size_t(lineIndex) - a < part.linesB.size()) line = part.linesB[size_t(lineIndex) - a].get();
        if (!line) {
            std::fprintf(stderr, "rozedoz-cli cellsave: part %d has no line %d\n", partIndex, lineIndex);
            return 1;
        }
    } else if (partIndex == 0) {
        std::fprintf(stderr, "rozedoz-cli cellsave: the first part is not saved as a part\n");
        return 1;
    }
    TFont font;
    font.load(FindFontFile());
    MotifLibrary& lib = doc.library;
    ReadLibraryArg("cellsave", args[2], lib, doc.smooth, font);
    // As the command: cells 0–6 are not written over; the first free cell from 7 is taken.
    lib.currentCell = cell;
    if (cell <= kSizeLabelCell && !lib.moveToFreeCell()) {
        std::fprintf(stderr, "rozedoz-cli cellsave: no free cell from 7 to 39\n");
        return 1;
    }
    MotifCell& dst = lib.current();
    if (line) StoreCurves(dst, part, *line, doc.smooth);
    else StorePart(dst, part, doc.smooth);
    lib.readDamaged = false;
    std::string err;
    if (!WriteFileAtomic(args[4], WriteMotifLibrary(lib), &err)) {
        std::fprintf(stderr, "rozedoz-cli cellsave: cannot write %s: %s\n", args[4].c_str(), err.c_str());
        return 1;
    }
    std::printf("{\"cell\":%d,\"kind\":%d}\n", lib.currentCell, dst.kind());
    return 0;
}

RegisterVerb reg("cellsave", "cellsave IN.XIE PART[:LINE] LIB.ptn CELL OUT.ptn: 部位保存 / 曲线保存 into a cell",
                 CellSaveVerb);

}  // namespace
}  // namespace rz::cli
