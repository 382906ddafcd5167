// rozedoz-cli grade: 鞋样扩缩 without a window. The size options are applied as 本码参数's 确认
// would (earlier results are discarded first), then the grading run; OUT gets the pattern with
// its grading results saved (扩缩保存). A refused run prints one line, exits 1 and writes nothing.
#include <cstdio>

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

int GradeVerb(const std::vector<std::string>& args) {
    bool json = false, dump = false;
    std::string in, out, error;
    SizeOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") json = true;
        else if (args[i] == "--dump") dump = json = true;
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
        std::fprintf(stderr, "usage: rozedoz-cli grade FILE [OUT.XIE] [size options] [--json] [--dump]\n");
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
    GradeReport r = GradeDesign(d, doc.smooth);
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
    if (dump) Dump(j, d);
    j.endObj();
    std::printf("%s\n", j.s.c_str());
    return 0;
}

RegisterVerb reg("grade", "grade FILE [OUT.XIE] [size options] [--json] [--dump]   鞋样扩缩: graded copies of every size",
                 GradeVerb);

}  // namespace
}  // namespace rz::cli
