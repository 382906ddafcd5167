#include <cstdio>

#include "load.h"
#include "model/json.h"
#include "verbs.h"

namespace rz::cli {
namespace {

int Json(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: rozedoz-cli json FILE\n");
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, args[0], r)) return 1;
    std::string out = DesignToJson(doc.design, &doc.scanLines, &doc.pictures);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

RegisterVerb reg("json", "json FILE                the whole design as JSON", Json);

}  // namespace
}  // namespace rz::cli
