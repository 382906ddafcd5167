// rozedoz-cli engrave: 轨迹线 without a window. The line picked at (X, Y) mm gets an engraving
// path D mm apart (the knife distance) as an auxiliary line of its part.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "exchange/nc_tools.h"
#include "load.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage = "usage: rozedoz-cli engrave IN.XIE X Y D OUT.XIE   (millimetres; D at least 1)\n";

bool Number(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end && !*end && std::isfinite(v);
}

int EngraveVerb(const std::vector<std::string>& args) {
    double x, y, d;
    if (args.size() != 5 || !Number(args[1], x) || !Number(args[2], y) || !Number(args[3], d))
        return std::fprintf(stderr, "%s", kUsage), 2;
    if (d < 1.0) {
        std::fprintf(stderr, "rozedoz-cli engrave: %s\n", kKnifeDistancePrompt);
        return 1;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, args[0], r)) return 1;
    ViewState vs;
    MakeSurfaces(vs, 1280, 800, FrontWorkRange(0, 0, 0), {92300, 61800}, {92300, 61800});
    Engine eng(doc, vs);
    if (!EngraveAt(eng, {float(x * 100), float(y * 100)}, float(d * 100))) {
        std::fprintf(stderr, "rozedoz-cli engrave: no outline or line to engrave at %g,%g\n", x, y);
        return 1;
    }
    return SavePattern(doc, args[4], "engrave", "nothing to save") ? 0 : 1;
}

RegisterVerb reg("engrave", "engrave IN.XIE X Y D OUT.XIE   轨迹线: an engraving path D mm apart in the line at X,Y mm",
                 EngraveVerb);

}  // namespace
}  // namespace rz::cli
