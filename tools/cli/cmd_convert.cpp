#include <cstdio>

#include "load.h"
#include "verbs.h"

namespace rz::cli {
namespace {

int Convert(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: rozedoz-cli convert IN OUT\n");
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, args[0], r)) return 1;
    // Save keeps the scan lines and pictures when the design asks for them.
    FileResult w = doc.SaveAs(args[1]);
    if (!w.ok()) {
        std::fprintf(stderr, "rozedoz-cli: %s: %s\n", args[1].c_str(),
                     w.status == FileStatus::Refused ? "nothing to save (the design is empty)"
                                                     : w.message.c_str());
        return 1;
    }
    return 0;
}

RegisterVerb reg("convert", "convert IN OUT           rewrite a pattern file as version 6.5", Convert);

}  // namespace
}  // namespace rz::cli
