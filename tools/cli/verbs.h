// rozedoz-cli verbs register themselves here, one file per verb (cmd_*.cpp).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace rz::cli {

// A verb gets its arguments after the verb name and returns the process exit status.
using VerbFn = std::function<int(const std::vector<std::string>& args)>;

struct Verb {
    std::string name;
    std::string usage;  // one line, shown by `rozedoz-cli help`
    VerbFn run;
};

std::vector<Verb>& verbs();

struct RegisterVerb {
    RegisterVerb(std::string name, std::string usage, VerbFn fn) {
        verbs().push_back({std::move(name), std::move(usage), std::move(fn)});
    }
};

}  // namespace rz::cli
