// rozedoz-cli cutfile: a cut file as JSON, or JSON back into a cut file.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "model/xie.h"
#include "output/cutfile.h"
#include "verbs.h"

namespace rz::cli {
namespace {

int CutfileVerb(const std::vector<std::string>& args) {
    if (args.size() == 3 && args[0] == "--from-json") {
        std::ifstream in(args[1], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "rozedoz-cli cutfile: %s: cannot read\n", args[1].c_str());
            return 1;
        }
        std::stringstream text;
        text << in.rdbuf();
        CutFileContent c;
        std::string err;
        if (!CutFileFromJson(text.str(), c, err)) {
            std::fprintf(stderr, "rozedoz-cli cutfile: %s: %s\n", args[1].c_str(), err.c_str());
            return 1;
        }
        if (!WriteFileAtomic(args[2], WriteCutFile(c.items, c.material), &err)) {
            std::fprintf(stderr, "rozedoz-cli cutfile: %s: %s\n", args[2].c_str(), err.c_str());
            return 1;
        }
        return 0;
    }
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: rozedoz-cli cutfile FILE.OUT | cutfile --from-json IN.json OUT.OUT\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    std::string err;
    if (!ReadFileBytes(args[0], bytes, &err)) {
        std::fprintf(stderr, "rozedoz-cli cutfile: %s: cannot read\n", args[0].c_str());
        return 1;
    }
    CutFileContent c = ReadCutFile(bytes);
    if (c.form == CutFileForm::Unknown) {
        std::fprintf(stderr, "rozedoz-cli cutfile: %s: not a cut file\n", args[0].c_str());
        return 1;
    }
    if (c.truncated)
        std::fprintf(stderr, "rozedoz-cli: warning: %s is truncated; using what could be read\n", args[0].c_str());
    std::string out = CutFileToJson(c);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

RegisterVerb reg("cutfile", "cutfile FILE.OUT | --from-json IN.json OUT.OUT   a cut file as JSON and back",
                 CutfileVerb);

}  // namespace
}  // namespace rz::cli
