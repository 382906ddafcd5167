// rozedoz-cli grade: 鞋样扩缩 without a window. The size options are applied as 本码参数's 确认
// would (earlier results are discarded first), then the grading run; OUT gets the pattern with
// its grading results saved (扩缩保存). A refused run prints one line, exits 1 and writes nothing.
#include <cstdio>
#include <memory>

#include "control_address.h"
#include "grading/controls.h"
#include "grading/engine.h"
#include "grading/size_dialogs.h"
#include "json_out.h"
#include "load.h"
#include "size_options.h"
#include "verbs.h"

namespace rz::cli {
namespace {

int Refuse(const std::string& why) {
    std::fprintf(stderr, "rozedoz-cli grade: %s\n", why.c_str());
    return 1;
}

void Dump(JsonOut& j, const Design& d) {
    auto nodes = [&](const Line& l) {
        j.beginArr();
        for (const Node& n : l.nodes) j.pair(n.x, n.y);
        j.endArr();
    };
    j.key("parts").beginArr();
    for (size_t pi = 0; pi < d.parts.size(); ++pi) {
        const Part& p = *d.parts[pi];
        j.beginObj().key("index").num(double(pi)).key("base_points").beginArr();
        for (auto& b : p.basePoints) {
            j.beginObj().key("index").num(b->index).key("factors").beginArr();
            if (b->factors)
                for (PairF f : *b->factors) j.pair(f.a, f.b);
            j.endArr().key("displacement").beginArr();
            if (b->displacement)
                for (PairF v : *b->displacement) j.pair(v.a, v.b);
            j.endArr().endObj();
        }
        j.endArr().key("lines").beginArr();
        for (const char* which : {"A", "B"}) {
            const List<Line>& list = which[0] == 'A' ? p.linesA : p.linesB;
            for (size_t li = 0; li < list.size(); ++li) {
                if (!list[li]->graded) continue;
                j.beginObj().key("list").str(which).key("index").num(double(li)).key("sizes").beginArr();
                for (int i = 0; i < d.n; ++i)
                    if (const Line* c = GradedCopyAt(*list[li], i)) nodes(*c);
                j.endArr().endObj();
            }
        }
        // Pins and motifs: the graded position of each size.
        auto positions = [&](const char* key, const auto& list) {
            j.endArr().key(key).beginArr();
            for (size_t k = 0; k < list.size(); ++k) {
                if (!list[k]->graded) continue;
                j.beginObj().key("index").num(double(k)).key("sizes").beginArr();
                for (int i = 0; i < d.n; ++i)
                    if (const auto* c = GradedCopyAt(*list[k], i)) j.pair(c->x, c->y);
                j.endArr().endObj();
            }
        };
        positions("pins", p.pins);
        positions("motifs", p.motifs);
        j.endArr().endObj();
    }
    j.endArr();
}

// What each control did, per graded part, with the addresses of the input file.
void Controls(JsonOut& j, const DesignAddresses& a, const Design& d, const std::vector<PartControlReport>& report) {
    auto skipped = [&](const std::string& why) {
        if (why.empty()) j.key("skipped").null();
        else j.key("skipped").str(why);
    };
    auto nodes = [&](const std::optional<std::array<int, 4>>& n) {
        if (!n) {
            j.key("nodes").null();
            return;
        }
        j.key("nodes").beginArr();
        for (int v : *n) j.num(v);
        j.endArr();
    };
    auto addr = [&](const std::string& s) {
        if (s.empty()) j.null();
        else j.str(s);
    };
    j.key("controls").beginArr();
    for (const PartControlReport& r : report) {
        j.beginObj().key("part").num(r.partIndex).key("zones").beginArr();
        for (size_t k = 0; k < r.zones.size(); ++k) {
            const ZoneOutcome& z = r.zones[k];
            j.beginObj().key("zone").str("zone:" + std::to_string(r.partIndex) + "/" + std::to_string(k));
            j.key("host");
            addr(a.name(Cat::Lines, z.zone->host));
            j.key("base_point");
            addr(a.name(Cat::BasePoints, z.zone->basePoint));
            nodes(z.nodes);
            skipped(z.skipped);
            j.endObj();
        }
        j.endArr().key("fixed").beginArr();
        for (size_t k = 0; k < r.fixed.size(); ++k) {
            const FixedOutcome& f = r.fixed[k];
            j.beginObj().key("fixed").str("fixed:" + std::to_string(r.partIndex) + "/" + std::to_string(k));
            j.key("kind").num(double(f.fixed->first.kind)).key("slave");
            addr(a.name(f.fixed->first));
            j.key("master");
            addr(a.name(Cat::Lines, f.fixed->host));
            nodes(f.nodes);
            j.key("pairs").beginArr();
            for (const FixedPair& p : f.pairs)
                j.beginArr().num(p.slaveNode).num(p.masterNode).num(p.dx).num(p.dy).endArr();
            j.endArr();
            skipped(f.skipped);
            j.endObj();
        }
        j.endArr().key("front").beginArr();
        for (const FrontOutcome& f : r.front) {
            j.beginObj().key("element");
            addr(a.name(f.element));
            j.key("master");
            addr(a.name(Cat::Lines, f.master));
            skipped(f.skipped);
            j.endObj();
        }
        j.endArr().endObj();
    }
    j.endArr();
}

int GradeVerb(const std::vector<std::string>& args) {
    bool json = false, dump = false;
    std::string in, out, error;
    SizeOptions o;
    ControlSet set;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") json = true;
        else if (args[i] == "--dump") dump = json = true;
        else if (args[i] == "--controls") {
            auto c = i + 1 < args.size() ? ParseControlSet(args[i + 1]) : std::nullopt;
            if (!c) {
                std::fprintf(stderr, "rozedoz-cli grade: --controls takes all, none or a list of front,shared,fixed\n");
                return 2;
            }
            set = *c;
            ++i;
        }
        else if (ParseSizeOption(args, i, o, error)) {
            if (!error.empty()) {
                std::fprintf(stderr, "rozedoz-cli grade: %s\n", error.c_str());
                return 2;
            }
        } else if (args[i].rfind("--", 0) == 0) {
            in.clear();
            break;
        } else if (in.empty()) in = args[i];
        else if (out.empty()) out = args[i];
        else {
            in.clear();
            break;
        }
    }
    if (in.empty()) {
        std::fprintf(stderr,
                     "usage: rozedoz-cli grade FILE [OUT.XIE] [size options] [--controls all|none|front,shared,fixed] "
                     "[--json] [--dump]\n");
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult fr;
    if (!LoadPattern(doc, in, fr)) return 1;
    Design& d = doc.design;
    if (o.any()) {
        // As 本码参数: the range and base stay while per-size data is tied to them, and the system
        // and category while the design has per-size arrays.
        if (o.rangeOrBase() && (HasTargetArrays(d) || HasFixedDistanceSteps(d)))
            return Refuse("目标参数或定距说明存在时不能改变本码和扩缩范围");
        if ((o.system || o.category) && d.n != 0) return Refuse("已有号数说明时不能改变鞋号和鞋类");
        ClearGrading(d);
        ApplySizeOptions(d, o);
        if (d.n > 0) d.resizePerSizeArrays();
    }
    const DesignAddresses addresses(d);  // the input's addresses, before copies are added
    GradingRunControls controls(set);
    GradeOptions go;
    if (set.any()) go.controls = &controls;
    GradeReport r = GradeDesign(d, doc.smooth, go);
    if (!r.ok) return Refuse(r.error);
    if (!out.empty()) {
        d.flags |= kDesignSaveGrading;
        FileResult w = doc.SaveAs(out);
        if (!w.ok()) return Refuse(w.message.empty() ? "cannot write " + out : w.message);
    }
    if (!json) {
        std::printf("号数 %d\n本码序号 %d\n扩缩线条 %d\n扩缩定针 %d\n扩缩图案 %d\n", r.n, r.baseIndex, r.lines, r.pins,
                    r.motifs);
        for (const std::string& w : r.warnings) std::printf("警告 %s\n", w.c_str());
        return 0;
    }
    JsonOut j;
    j.beginObj().key("n").num(r.n).key("base_index").num(r.baseIndex).key("sizes").beginArr();
    for (int i = 0; i < r.n; ++i) j.num(SizeValueAt(d, i));
    j.endArr().key("graded_lines").num(r.lines).key("graded_pins").num(r.pins).key("graded_motifs").num(r.motifs);
    j.key("warnings").beginArr();
    for (const std::string& w : r.warnings) j.str(w);
    j.endArr();
    if (set.any()) Controls(j, addresses, d, controls.report());
    if (dump) Dump(j, d);
    j.endObj();
    std::printf("%s\n", j.s.c_str());
    return 0;
}

RegisterVerb reg("grade",
                 "grade FILE [OUT.XIE] [size options] [--controls all|none|front,shared,fixed] [--json] [--dump]   "
                 "鞋样扩缩: graded copies of every size",
                 GradeVerb);

}  // namespace
}  // namespace rz::cli
