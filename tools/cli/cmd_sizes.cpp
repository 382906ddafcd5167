// rozedoz-cli sizes: the size vocabulary (systems, categories, width types, default rows, step
// standard), or the size list of a design or of a system's defaults with the options applied:
// standard and stored parameters, the sizes with their texts, steps and cumulative differences,
// and the parameter table's texts.
#include <cstdio>

#include "json_out.h"
#include "load.h"
#include "model/gbk.h"
#include "size_options.h"
#include "verbs.h"

namespace rz::cli {
namespace {

void Vocabulary(JsonOut& j) {
    j.beginObj().key("systems").beginArr();
    for (int s = 0; s < kSizeSystemCount; ++s) {
        j.beginObj().key("code").num(s).key("name").str(SizeSystemName(s));
        j.key("long_name");
        if (s < kChoosableSystems) j.str(SizeSystemLongName(s));
        else j.null();
        j.key("computed").str(s < 5 ? "yes" : s == 5 ? "steps" : "no").endObj();
    }
    j.endArr().key("categories").beginArr();
    for (int c = kSizeCategoryCount - 1; c >= 0; --c) j.beginObj().key("code").num(c).key("name").str(SizeCategoryName(c)).endObj();
    j.endArr().key("width_types").beginArr();
    for (int w : WidthTypes()) j.beginObj().key("value").num(w).key("name").str(WidthTypeName(w)).endObj();
    j.endArr().key("default_rows").beginArr();
    for (int s = 0; s < kChoosableSystems; ++s)
        for (int c = 0; c < kSizeCategoryCount; ++c) {
            SizeRow r = *DefaultSizeRow(s, c);
            j.beginObj().key("system").num(s).key("category").num(c).key("width").num(r.widthType);
            j.key("base").num(r.base).key("from").num(r.from).key("to").num(r.to).key("step").num(r.step).endObj();
        }
    j.endArr().key("step_standard").beginArr();
    const StepStandard& st = BuiltInStepStandard();
    for (int s = 0; s < kChoosableSystems; ++s)
        j.beginObj().key("system").num(s).key("length_step").num(st.steps[size_t(s)].a)
            .key("girth_step").num(st.steps[size_t(s)].b)
            .key("per").str(st.perHalfSize[size_t(s)] ? "half" : "whole").endObj();
    j.endArr().endObj();
}

int SizesVerb(const std::vector<std::string>& args) {
    bool json = false;
    std::string path, error;
    SizeOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") json = true;
        else if (ParseSizeOption(args, i, o, error)) {
            if (!error.empty()) {
                std::fprintf(stderr, "rozedoz-cli sizes: %s\n", error.c_str());
                return 2;
            }
        } else if (path.empty() && args[i].rfind("--", 0) != 0) path = args[i];
        else {
            std::fprintf(stderr, "usage: rozedoz-cli sizes [FILE] [size options] [--json]\n");
            return 2;
        }
    }
    if (path.empty() && !o.any()) {
        JsonOut j;
        Vocabulary(j);
        std::printf("%s\n", j.s.c_str());
        return 0;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);  // a new design: the start-up system, category and default row
    FileResult fr;
    if (!path.empty() && !LoadPattern(doc, path, fr)) return 1;
    Design& d = doc.design;
    if (o.any()) ApplySizeOptions(d, o);
    const SizeList list = MakeSizeList(d);
    if (!list.ok()) {
        std::fprintf(stderr, "rozedoz-cli sizes: %s\n", SizeListProblem(list.status).c_str());
        return 1;
    }
    const std::vector<PairF> table = BuildStepTable(d, list);
    const std::optional<BaseParams> std_ = StandardBaseParams(d);
    if (!json) {
        std::printf("%s %s %s 本码 %d 范围 %d-%d 号差 %d\n", SizeSystemLongName(d.sizeSystem).c_str(),
                    SizeCategoryName(d.sizeCategory).c_str(), WidthTypeName(d.widthType).c_str(), d.baseSize,
                    d.rangeFrom, d.rangeTo, d.step);
        std::printf("本码参数 %.2f %.2f %.2f %.2f\n", d.baseParams[0], d.baseParams[1], d.baseParams[2], d.baseParams[3]);
        std::printf("号数 %d 本码序号 %d\n", list.n, list.baseIndex);
        for (int i = 0; i < list.n; ++i) {
            const PairD c = CumulativeDifference(table, list.baseIndex, i);
            std::printf("%d %s %.3f %.3f\n", list.values[size_t(i)], SizeText(d, list.values[size_t(i)]).c_str(), c.a, c.b);
        }
        return 0;
    }
    JsonOut j;
    j.beginObj().key("system").num(d.sizeSystem).key("category").num(d.sizeCategory).key("width").num(d.widthType);
    j.key("base").num(d.baseSize).key("from").num(d.rangeFrom).key("to").num(d.rangeTo).key("step").num(d.step);
    j.key("format").num(d.labelFormat).key("standard");
    if (std_) j.beginArr().num(std_->length).num(std_->girth).num(std_->lengthStep).num(std_->girthStep).endArr();
    else j.null();
    j.key("parameters").beginArr();
    for (float v : d.baseParams) j.num(v);
    j.endArr().key("n").num(list.n).key("base_index").num(list.baseIndex).key("sizes").beginArr();
    for (int i = 0; i < list.n; ++i) {
        const int v = list.values[size_t(i)];
        const PairD c = CumulativeDifference(table, list.baseIndex, i);
        j.beginObj().key("value").num(v).key("text").str(SizeText(d, v));
        j.key("step").pair(table[size_t(i)].a, table[size_t(i)].b).key("cumulative").pair(c.a, c.b).endObj();
    }
    j.endArr().key("panel").beginObj();
    j.key("system").str(SizeSystemName(d.sizeSystem)).key("category").str(SizeCategoryName(d.sizeCategory));
    j.key("half").str(d.step == 5 ? "◎" : "Ｏ");
    j.key("base").str(PanelRangeText(d.baseSize, d.sizeSystem)).key("from").str(PanelRangeText(d.rangeFrom, d.sizeSystem));
    j.key("to").str(PanelRangeText(d.rangeTo, d.sizeSystem)).key("current").str(PanelCurrentSizeText(d.baseSize, d.sizeSystem));
    j.endObj().key("report").str(GbkToUtf8(BaseSizeLabelText(d))).endObj();
    std::printf("%s\n", j.s.c_str());
    return 0;
}

RegisterVerb reg("sizes",
                 "sizes [FILE] [--system S --category C --width W --base B --from F --to T --step 5|10 --format F] [--json]"
                 "   size vocabulary, or the size list of a file or a system's defaults",
                 SizesVerb);

}  // namespace
}  // namespace rz::cli
