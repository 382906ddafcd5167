// rozedoz-cli pick: what the cursor would snap to and pick at a point of a pattern, in the
// view the drawing window has after loading (its default size, base scale), so that snap and
// pick results can be checked without a display.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "interact/engine.h"
#include "load.h"
#include "verbs.h"

namespace rz::cli {
namespace {

bool ParseNumber(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return end && !*end && !s.empty() && std::isfinite(v);
}

int PickVerb(const std::vector<std::string>& args) {
    std::string file;
    std::vector<double> xy;
    uint32_t snap = kSnapAll & ~(kSnapHorizontal | kSnapVertical | kSnapFoot);
    uint32_t mask = (kPickElements & ~kPickSeamAllowances) | kPickPart;  // lines rather than their nodes
    int page = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        double v = 0;
        if ((a == "--snap" || a == "--mask") && i + 1 < args.size()) {
            char* end = nullptr;
            unsigned long n = std::strtoul(args[++i].c_str(), &end, 0);
            if (!end || *end) {
                std::fprintf(stderr, "rozedoz-cli pick: %s takes a number\n", a.c_str());
                return 2;
            }
            (a == "--snap" ? snap : mask) = uint32_t(n) & (a == "--snap" ? kSnapAll : 0xFFFFFFFFu);
        } else if (a == "--page" && i + 1 < args.size()) {
            if (!ParseNumber(args[++i], v) || v < 0 || v > 3 || v != int(v)) {
                std::fprintf(stderr, "rozedoz-cli pick: --page takes 0 to 3\n");
                return 2;
            }
            page = int(v);
        } else if (file.empty()) {
            file = a;
        } else if (xy.size() < 2 && ParseNumber(a, v)) {
            xy.push_back(v);
        } else {
            file.clear();
            break;
        }
    }
    if (file.empty() || xy.size() != 2) {
        std::fprintf(stderr, "usage: rozedoz-cli pick FILE.XIE X Y (millimetres) [--page N] [--snap BITS] [--mask BITS]\n");
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, file, r)) return 1;
    doc.setCurrentPage(page);
    ViewState vs;
    MakeSurfaces(vs, 1280, 800, FrontWorkRange(0, 0, 0), {92300, 61800}, {92300, 61800});
    Engine eng(doc, vs);
    eng.snapBits = snap;
    PixelPoint px = vs.view.toWindow({float(xy[0] * 100), float(xy[1] * 100)});
    Pointer p = eng.pointerAt(px, 0);
    std::printf("snap %s %.2f,%.2f\n", SnapRuleText(p.snap), p.model.x / 100.0, p.model.y / 100.0);
    PickResult pr = eng.PickAt(p.model, mask);
    if (!pr) {
        std::printf("pick none\n");
        return 0;
    }
    int partIndex = -1;
    for (size_t i = 0; i < doc.design.parts.size(); ++i)
        if (doc.design.parts[i].get() == pr.part) partIndex = int(i);
    std::printf("pick kind %d part %d", pr.kind, partIndex);
    if (pr.segment) std::printf(" segment %d vertex %d", pr.segment, pr.vertex);
    if (pr.node >= 0) std::printf(" node %d", pr.node);
    std::printf("\n");
    return 0;
}

RegisterVerb reg("pick", "pick FILE.XIE X Y [--page N] [--snap BITS] [--mask BITS]: snap and pick at a point (mm)",
                 PickVerb);

}  // namespace
}  // namespace rz::cli
