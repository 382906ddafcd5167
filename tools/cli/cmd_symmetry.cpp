// rozedoz-cli symmetry FILE AXIS [LINE…]: the mirror images of lines about a straight axis line,
// as the symmetry tool shows them. Lines are numbered as `json` numbers them; without LINE every
// other line of the axis's part is mirrored.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "design/join_tools.h"
#include "load.h"
#include "model/integrity.h"
#include "model/json_writer.h"
#include "model/refs.h"
#include "verbs.h"

namespace rz::cli {
namespace {

bool ParseIndex(const std::string& s, size_t& out) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(s.c_str(), &end, 10);
    if (s.empty() || !end || *end || s[0] == '-') return false;
    out = size_t(v);
    return true;
}

int SymmetryVerb(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: rozedoz-cli symmetry FILE AXIS [LINE...]\n");
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, args[0], r)) return 1;
    std::vector<Line*> lines;
    ForEachMappedRecord(doc.design, true, [&](Cat c, void* rec) {
        if (c == Cat::Lines) lines.push_back(static_cast<Line*>(rec));
    });
    size_t axisIndex = 0;
    if (!ParseIndex(args[1], axisIndex) || axisIndex >= lines.size()) {
        std::fprintf(stderr, "rozedoz-cli symmetry: no line %s\n", args[1].c_str());
        return 2;
    }
    const Line& axis = *lines[axisIndex];
    if (!IsStraightAxis(axis)) {
        std::fprintf(stderr, "%s\n", kAxisNotStraight);
        return 1;
    }
    std::vector<size_t> chosen;
    for (size_t i = 2; i < args.size(); ++i) {
        size_t k = 0;
        if (!ParseIndex(args[i], k) || k >= lines.size()) {
            std::fprintf(stderr, "rozedoz-cli symmetry: no line %s\n", args[i].c_str());
            return 2;
        }
        chosen.push_back(k);
    }
    if (chosen.empty()) {
        const Part* owner = OwnerPart(doc.design, &axis);
        for (size_t k = 0; k < lines.size(); ++k)
            if (k != axisIndex && owner && OwnerPart(doc.design, lines[k]) == owner) chosen.push_back(k);
    }
    // The deviation of an image: its greatest distance from the nearest of the lines examined.
    std::vector<const Polyline*> examined;
    for (size_t k : chosen) examined.push_back(&lines[k]->eval);
    JsonWriter j;
    j.beginObj();
    j.kv("axis", unsigned(axisIndex));
    j.beginArr("images");
    for (size_t k : chosen) {
        auto m = MirrorOf(lines[k]->eval, axis.eval.front(), axis.eval.back(), examined);
        if (!m) continue;
        j.beginObj();
        j.kv("line", unsigned(k));
        j.beginArr("points");
        for (PointF q : m->points) {
            j.beginArr();
            j.val(q.x);
            j.val(q.y);
            j.endArr();
        }
        j.endArr();
        j.kv("deviation", double(m->deviation) / 100.0);
        j.endObj();
    }
    j.endArr();
    j.endObj();
    std::printf("%s\n", j.s.c_str());
    return 0;
}

RegisterVerb reg("symmetry", "symmetry FILE AXIS [LINE...]  mirror images of lines about a straight axis line (json)",
                 SymmetryVerb);

}  // namespace
}  // namespace rz::cli
