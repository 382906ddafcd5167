// rozedoz-cli sheet: fills an output sheet as the back screen would and writes it as a cut file.
#include <cstdio>

#include "sheet_input.h"
#include "verbs.h"

namespace rz::cli {
namespace {

int SheetVerb(const std::vector<std::string>& args) {
    SheetOptions o;
    std::string in, out;
    for (size_t i = 0; i < args.size(); ++i) {
        int t = TakeSheetOption("sheet", args, i, o);
        if (t < 0) return 2;
        if (t > 0) continue;
        if (args[i] == "-o" && i + 1 < args.size()) out = args[++i];
        else if (in.empty() && args[i][0] != '-') in = args[i];
        else in.clear(), i = args.size();
    }
    if (in.empty() || out.empty()) {
        std::fprintf(stderr,
                     "usage: rozedoz-cli sheet IN -o OUT.OUT [--page N] [--settings VOPA.DAT --sheet 1|2] "
                     "[--device ROW|NAME|WxH] [--assign] [--arrange] [--order pens|cuts|all]\n");
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    PLTC* sheet = nullptr;
    if (!PrepareSheet("sheet", in, o, doc, sheet)) return 1;
    // The file keeps the order, not the bits of a job that was never sent.
    ClearJobBits(sheet->items);
    std::string err;
    if (!WriteFileAtomic(out, WriteCutFile(sheet->items, sheet->material), &err)) {
        std::fprintf(stderr, "rozedoz-cli sheet: %s: %s\n", out.c_str(), err.c_str());
        return 1;
    }
    return 0;
}

RegisterVerb reg("sheet", "sheet IN -o OUT.OUT [options]   lay a pattern page (or a cut file) onto an output sheet",
                 SheetVerb);

}  // namespace
}  // namespace rz::cli
