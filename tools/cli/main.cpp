#include <cstdio>
#include <string>
#include <vector>

#include "verbs.h"

namespace rz::cli {
std::vector<Verb>& verbs() {
    static std::vector<Verb> all;
    return all;
}
}  // namespace rz::cli

static void usage(FILE* out) {
    std::fprintf(out, "usage: rozedoz-cli VERB [ARGS...]\n");
    for (const auto& v : rz::cli::verbs()) std::fprintf(out, "  %s\n", v.usage.c_str());
}

int main(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") {
        usage(stdout);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& v : rz::cli::verbs())
        if (v.name == name) return v.run(args);
    std::fprintf(stderr, "rozedoz-cli: unknown verb '%s'\n", name.c_str());
    usage(stderr);
    return 2;
}
