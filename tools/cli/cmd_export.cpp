// rozedoz-cli export: 转出 without a window. The items are an output sheet's (.OUT) or, for a
// pattern, the evaluated lines A then B of its visible parts.
#include <cstdio>
#include <string>

#include "exchange/dxf.h"
#include "exchange_args.h"
#include "load.h"
#include "model/xie.h"
#include "output/cutfile.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage = "usage: rozedoz-cli export IN.{OUT,XIE} OUT.dxf [--segments] [--page N]\n";

int ExportVerb(const std::vector<std::string>& args) {
    std::string in, out;
    bool segments = false;
    int page = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--segments") {
            segments = true;
        } else if (a == "--page" && i + 1 < args.size()) {
            const std::string& v = args[++i];
            if (v.size() != 1 || v[0] < '0' || v[0] > '3') return std::fprintf(stderr, "%s", kUsage), 2;
            page = v[0] - '0';
        } else if (!a.empty() && a[0] == '-') {
            return std::fprintf(stderr, "%s", kUsage), 2;
        } else if (in.empty()) {
            in = a;
        } else if (out.empty()) {
            out = a;
        } else {
            return std::fprintf(stderr, "%s", kUsage), 2;
        }
    }
    if (in.empty() || out.empty()) return std::fprintf(stderr, "%s", kUsage), 2;
    if (LowerExtOf(out) != "dxf") {
        std::fprintf(stderr, "rozedoz-cli export: %s: not a file this verb writes\n", out.c_str());
        return 1;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    std::vector<DxfItem> items;
    CutFileContent sheet;
    if (LowerExtOf(in) == "out") {
        std::vector<uint8_t> bytes;
        std::string err;
        if (!ReadFileBytes(in, bytes, &err)) {
            std::fprintf(stderr, "rozedoz-cli export: 不能打开 %s\n", in.c_str());
            return 1;
        }
        sheet = ReadCutFile(bytes);
        if (sheet.form == CutFileForm::Unknown) {
            std::fprintf(stderr, "rozedoz-cli export: %s: not a cut file\n", in.c_str());
            return 1;
        }
        for (const PlotItem& it : sheet.items) items.push_back({&it.points, (it.flags & kItemNoSegmentDxf) != 0});
    } else {
        FileResult r;
        if (!LoadPattern(doc, in, r)) return 1;
        for (const auto& part : doc.design.parts) {
            if ((part->flags & kFlagHidden) || (page >= 0 && part->page() != page)) continue;
            for (const auto* list : {&part->linesA, &part->linesB})
                for (const auto& l : *list)
                    if (!(l->flags & kFlagHidden) && !l->eval.empty()) items.push_back({&l->eval, false});
        }
    }
    if (items.empty()) {
        std::fprintf(stderr, "rozedoz-cli export: %s: nothing to write\n", in.c_str());
        return 1;
    }
    const std::string text = WriteDxf(items, segments ? DxfLayout::Segments : DxfLayout::Polylines);
    std::string err;
    if (!WriteFileAtomic(out, std::vector<uint8_t>(text.begin(), text.end()), &err)) {
        std::fprintf(stderr, "rozedoz-cli export: 不能打开 %s\n", out.c_str());
        return 1;
    }
    return 0;
}

RegisterVerb reg("export", "export IN.{OUT,XIE} OUT.dxf [--segments] [--page N]   write the items as DXF",
                 ExportVerb);

}  // namespace
}  // namespace rz::cli
