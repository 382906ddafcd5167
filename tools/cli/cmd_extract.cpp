// rozedoz-cli extract FILE OUT [--mode 0-3] [--inner|--outer] [--slot N] STRETCH...: 提取 of the
// stretches given: joined into one closed outline and stored as a piece (mode 0), a new part (1),
// new master lines (2), or the stretches copied as they are (3).
#include <cstdio>

#include "design/pieces.h"
#include "design_args.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage = "extract FILE OUT [--mode 0-3] [--inner|--outer] [--slot N] STRETCH...";

int ExtractVerb(const std::vector<std::string>& args) {
    if (args.size() < 3) return Usage(kUsage);
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, args[0], r)) return 1;
    ExtractOptions opt;
    opt.mode = ExtractMode(std::clamp(doc.settings.extractionMethod[0], 0, 3));
    opt.innerLines = doc.settings.extractionMethod[1] != 0;
    std::vector<Stretch> picked;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        int n = 0;
        if (a == "--mode" && i + 1 < args.size()) {
            if (!ParseIndex(args[++i], n) || n > 3) return Usage(kUsage);
            opt.mode = ExtractMode(n);
        } else if (a == "--slot" && i + 1 < args.size()) {
            if (!ParseIndex(args[++i], n) || n >= kPieceSlots) return Usage(kUsage);
            opt.slot = n;
        } else if (a == "--inner" || a == "--outer") {
            opt.innerLines = a == "--inner";
        } else {
            std::string err;
            auto at = ParseAddress(doc.design, a, err);
            if (!at) return Refusal("extract", err);
            Stretch s{at->source, at->part, std::min(at->start, at->end), std::max(at->start, at->end)};
            picked.push_back(s);
        }
    }
    if (picked.empty()) return Usage(kUsage);
    ExtractResult res = ExtractOutline(doc, picked, opt);
    if (!res.ok) return Refusal("extract", res.refusal);
    return WriteResult("extract", doc, args[1]);
}

RegisterVerb reg("extract", std::string(kUsage) + ": 提取 into a piece, a part or lines", ExtractVerb);

}  // namespace
}  // namespace rz::cli
