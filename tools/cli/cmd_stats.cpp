#include <cstdio>

#include "load.h"
#include "verbs.h"

namespace rz::cli {
namespace {

int StatsVerb(const std::vector<std::string>& args) {
    bool json = false;
    std::string path;
    for (auto& a : args) {
        if (a == "--json") json = true;
        else path = a;
    }
    if (path.empty()) {
        std::fprintf(stderr, "usage: rozedoz-cli stats [--json] FILE\n");
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, path, r)) return 1;
    rz::Stats s = doc.design.stats();
    if (json) {
        std::printf(
            "{\"lines\":%d,\"graded_lines\":%d,\"bad_lines\":%d,\"pins\":%d,\"motifs\":%d,"
            "\"base_points\":%d,\"point_rows\":%d,\"seam_allowances\":%d,"
            "\"fixed_distances\":%d,\"page\":%d,\"size_count\":%d,\"base_index\":%d,"
            "\"version\":\"%s\",\"truncated\":%s}\n",
            s.lines, s.gradedLines, s.badLines, s.pins, s.motifs, s.basePoints, s.pointRows,
            s.seamAllowances, s.fixedDistances, doc.currentPage(), doc.design.n,
            doc.design.baseIndex, VersionName(r.version), r.truncated ? "true" : "false");
    } else {
        std::fputs(StatsText(s).c_str(), stdout);
        std::printf("页 %d\n号数 %d\n本码序号 %d\n", doc.currentPage(), doc.design.n,
                    doc.design.baseIndex);
    }
    return 0;
}

RegisterVerb reg("stats", "stats [--json] FILE      counts of a pattern file", StatsVerb);

}  // namespace
}  // namespace rz::cli
