// rozedoz-cli needles FILE OUT (--unify PART MM | --same PART PIN MM | --classify PART |
// --order PART PIN): 针径 and 针序 on the pins of a part.
#include <cstdio>

#include "design/needles.h"
#include "design_args.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage =
    "needles FILE OUT (--unify PART MM|--same PART PIN MM|--classify PART|--order PART PIN)";

int NeedlesVerb(const std::vector<std::string>& args) {
    if (args.size() < 4) return Usage(kUsage);
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, args[0], r)) return 1;
    Design& d = doc.design;
    const std::string& op = args[2];
    int part = 0, pin = 0;
    double mm = 0;
    if (!ParseIndex(args[3], part)) return Usage(kUsage);
    if (size_t(part) >= d.parts.size()) return Refusal("needles", "there is no part " + args[3]);
    Part& p = *d.parts[size_t(part)];
    auto pinAt = [&](const std::string& s) -> Pin* {
        if (!ParseIndex(s, pin) || size_t(pin) >= p.pins.size()) return nullptr;
        return p.pins[size_t(pin)].get();
    };
    if (op == "--unify" && args.size() == 5 && ParseDouble(args[4], mm) && mm > 0) {
        Part* parts[] = {&p};
        if (UnifyDiameters(parts, float(mm * 100)) == 0) return Refusal("needles", "every pin has that diameter");
    } else if (op == "--same" && args.size() == 6 && ParseDouble(args[5], mm) && mm > 0) {
        Pin* q = pinAt(args[4]);
        if (!q) return Refusal("needles", "the part has no pin " + args[4]);
        if (ChangeSameClass(p, q->diameter, float(mm * 100)) == 0) return Refusal("needles", "nothing to change");
    } else if (op == "--classify" && args.size() == 4) {
        if (p.pins.empty()) return Refusal("needles", "the part has no pins");
        ClassifyDiameters(p);
    } else if (op == "--order" && args.size() == 5) {
        Pin* q = pinAt(args[4]);
        if (!q) return Refusal("needles", "the part has no pin " + args[4]);
        OrderPins(p, q);
    } else {
        return Usage(kUsage);
    }
    return WriteResult("needles", doc, args[1]);
}

RegisterVerb reg("needles", std::string(kUsage) + ": 针径 and 针序", NeedlesVerb);

}  // namespace
}  // namespace rz::cli
