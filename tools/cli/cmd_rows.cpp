// rozedoz-cli rows FILE OUT LINE (--count N | --spacing MM | --nodes) [options]: a point row on a
// line (LINE = PART:a|b:INDEX), computed as 自动排, 等距排 or 节点排 lay it.
#include <cstdio>

#include "design/derived.h"
#include "design/rows.h"
#include "design_args.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage =
    "rows FILE OUT LINE (--count N|--spacing MM|--nodes) [--offset MM] [--ext MM,MM] [--skip-first] "
    "[--skip-last] [--second MM] [--diameter MM] [--interval B --change C]";

int RowsVerb(const std::vector<std::string>& args) {
    if (args.size() < 4) return Usage(kUsage);
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, args[0], r)) return 1;
    std::string err;
    auto at = ParseAddress(doc.design, args[2], err, "ab");
    if (!at) return Refusal("rows", err);
    if (!at->whole) return Refusal("rows", "a row follows a whole line");
    RowParams p;
    p.diameter = doc.settings.needleDiameter;
    p.tool = (doc.settings.cutSetup.cutBits & 1u) ? 3u : 1u;
    bool modeGiven = false;
    for (size_t i = 3; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool more = i + 1 < args.size();
        double v = 0;
        int n = 0;
        if (a == "--count" && more && ParseIndex(args[++i], n)) p.mode = RowMode::Auto, p.count = n, modeGiven = true;
        else if (a == "--spacing" && more && ParseDouble(args[++i], v)) p.mode = RowMode::Spacing, p.spacing = float(v * 100), modeGiven = true;
        else if (a == "--nodes") p.mode = RowMode::Nodes, modeGiven = true;
        else if (a == "--offset" && more && ParseDouble(args[++i], v)) p.offset = float(v * 100);
        else if (a == "--second" && more && ParseDouble(args[++i], v)) p.secondDistance = float(v * 100);
        else if (a == "--diameter" && more && ParseDouble(args[++i], v) && v > 0) p.diameter = float(v * 100);
        else if (a == "--skip-first") p.skipFirst = true;
        else if (a == "--skip-last") p.skipLast = true;
        else if (a == "--ext" && more) {
            std::vector<std::string> f = SplitOn(args[++i], ',');
            double s = 0, e = 0;
            if (f.size() != 2 || !ParseDouble(f[0], s) || !ParseDouble(f[1], e)) return Usage(kUsage);
            p.startExt = float(s * 100), p.endExt = float(e * 100);
        } else if (a == "--interval" && more && ParseDouble(args[++i], v) && v >= -50 && v <= 50 && v == int(v)) {
            p.sizeInterval = int(v);
        } else if (a == "--change" && more && ParseIndex(args[++i], n) && n <= 9) {
            p.countStep = n;
        } else {
            return Usage(kUsage);
        }
    }
    if (!modeGiven) return Usage(kUsage);
    Line& host = *at->line();
    auto row = MakeRow(host, p.mode, p.diameter, p.tool);
    if (p.mode == RowMode::Nodes) p.count = int(host.nodes.size());
    StoreRow(*row, p);
    RebuildRow(*row, true);
    if (row->drawn.empty())
        return Refusal("rows", "the row lays no points (fewer than two, a spacing of 1 mm or less, or no line left)");
    at->part->pointRows.push_back(std::move(row));
    RebuildPartAndPieces(doc.design, *at->part);
    return WriteResult("rows", doc, args[1]);
}

RegisterVerb reg("rows", std::string(kUsage) + ": a point row on a line", RowsVerb);

}  // namespace
}  // namespace rz::cli
