#include <cstdio>

#include "model/doc.h"
#include "model/sample.h"
#include "verbs.h"

namespace rz::cli {
namespace {

int Sample(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: rozedoz-cli sample OUT\n");
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    BuildSampleDesign(doc.design);
    FileResult w = doc.SaveAs(args[0]);
    if (!w.ok()) {
        std::fprintf(stderr, "rozedoz-cli: %s\n", w.message.c_str());
        return 1;
    }
    return 0;
}

RegisterVerb reg("sample", "sample OUT               write the sample pattern", Sample);

}  // namespace
}  // namespace rz::cli
