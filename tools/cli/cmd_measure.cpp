// rozedoz-cli measure: what 测量 reports for the parts of a pattern — per part the outline's
// area, perimeter, turned box and pieces per pair, and per page the total area — in the output
// units of the settings (centimetres and square centimetres unless told otherwise).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands/draw_common.h"
#include "commands/measure.h"
#include "load.h"
#include "model/afterload.h"
#include "model/units.h"
#include "verbs.h"

namespace rz::cli {
namespace {

bool ParseInt(const std::string& s, int lo, int hi, int& out) {
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || !end || *end || v < lo || v > hi) return false;
    out = int(v);
    return true;
}

int MeasureVerb(const std::vector<std::string>& args) {
    std::string file;
    int page = -1, lengthUnit = 3, areaUnit = 3;
    bool bad = false;
    for (size_t i = 0; i < args.size() && !bad; ++i) {
        const std::string& a = args[i];
        bool more = i + 1 < args.size();
        if (a == "--page" && more) bad = !ParseInt(args[++i], 0, 3, page);
        else if (a == "--length-unit" && more) bad = !ParseInt(args[++i], 0, 4, lengthUnit);
        else if (a == "--area-unit" && more) bad = !ParseInt(args[++i], 0, 4, areaUnit);
        else if (file.empty() && a.rfind("--", 0) != 0) file = a;
        else bad = true;
    }
    if (bad || file.empty()) {
        std::fprintf(stderr,
                     "usage: rozedoz-cli measure FILE [--page N] [--length-unit 0-4] [--area-unit 0-4]\n");
        return 2;
    }
    // The outlines are derived on load by the builders the window installs.
    InstallDerivedBuilders();
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, file, r)) return 1;
    Settings& s = doc.settings;
    s.lengthUnit = lengthUnit;
    s.areaUnit = areaUnit;
    const std::string len = LengthUnitName(lengthUnit), area = AreaUnitName(areaUnit);
    for (int pg = 0; pg <= 3; ++pg) {
        if (page >= 0 && pg != page) continue;
        int count = 0;
        for (size_t i = 0; i < doc.design.parts.size(); ++i) {
            const Part& p = *doc.design.parts[i];
            if (p.page() != pg || p.hidden()) continue;
            if (count++ == 0) std::printf("页 %d\n", pg);
            PartFigures f = MeasurePart(p);
            std::printf("部位 %zu 净耗料:%.5f %s 周长%.2f %s 长%.2f %s 宽%.2f %s 片数：%d\n", i,
                        AreaInUnit(f.area, areaUnit), area.c_str(), LengthInUnit(f.perimeter, lengthUnit),
                        len.c_str(), LengthInUnit(f.width, lengthUnit), len.c_str(),
                        LengthInUnit(f.height, lengthUnit), len.c_str(), f.piecesPerPair);
        }
        // A page asked for by number is reported even when it is empty.
        if (count == 0 && page < 0) continue;
        if (count == 0) std::printf("页 %d\n", pg);
        std::printf("%s\n", PageAreaText(PageArea(doc.design, pg), s).c_str());
    }
    return 0;
}

RegisterVerb reg("measure", "measure FILE [--page N] [--length-unit U] [--area-unit U]  areas and sizes of the parts",
                 MeasureVerb);

}  // namespace
}  // namespace rz::cli
