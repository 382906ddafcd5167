// rozedoz-cli export: 转出 without a window. The items are an output sheet's (.OUT) or, for a
// pattern, the evaluated lines A then B of its visible parts.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "exchange/astm.h"
#include "exchange/dxf.h"
#include "exchange/wirecut.h"
#include "interact/engine.h"
#include "model/sizes.h"
#include "exchange_args.h"
#include "load.h"
#include "model/xie.h"
#include "output/cutfile.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage =
    "usage: rozedoz-cli export IN.{OUT,XIE} OUT.{dxf,dat,nbc} [--segments] [--page N] [--straight] "
    "[--size V | --all-sizes] [--at X,Y] [--astm [--sizes all|V,…]]\n";

bool WriteText(const std::string& path, const std::string& text) {
    std::string err;
    if (WriteFileAtomic(path, std::vector<uint8_t>(text.begin(), text.end()), &err)) return true;
    std::fprintf(stderr, "rozedoz-cli export: 不能打开 %s\n", path.c_str());
    return false;
}

// 看程序 at a point (mm): the line picked there as the window picks it.
int NcAt(TDoc& doc, double x, double y, const std::string& out) {
    ViewState vs;
    MakeSurfaces(vs, 1280, 800, FrontWorkRange(0, 0, 0), {92300, 61800}, {92300, 61800});
    Engine eng(doc, vs);
    PickResult pr = eng.PickAt({float(x * 100), float(y * 100)}, kPickLines);
    if (!pr || (pr.kind != 21 && pr.kind != 22)) {
        std::fprintf(stderr, "rozedoz-cli export: no line at %g,%g\n", x, y);
        return 1;
    }
    const Line& l = *pr.as<Line>();
    const bool reversed = pr.segment > int(l.eval.size()) / 2;
    return WriteText(out, NcProgram(l.eval, reversed, doc.smooth.arcFitTolerance, doc.settings.lengthUnit)) ? 0 : 1;
}

int ExportVerb(const std::vector<std::string>& args) {
    std::string in, out;
    bool segments = false, straight = false, allSizes = false, at = false, astm = false;
    std::string sizesArg;
    int page = -1, sizeValue = -1;
    double atX = 0, atY = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--segments") {
            segments = true;
        } else if (a == "--astm") {
            astm = true;
        } else if (a == "--sizes" && i + 1 < args.size()) {
            sizesArg = args[++i];
        } else if (a == "--straight") {
            straight = true;
        } else if (a == "--all-sizes") {
            allSizes = true;
        } else if (a == "--size" && i + 1 < args.size()) {
            sizeValue = std::atoi(args[++i].c_str());
        } else if (a == "--at" && i + 1 < args.size()) {
            if (std::sscanf(args[++i].c_str(), "%lf,%lf", &atX, &atY) != 2) return std::fprintf(stderr, "%s", kUsage), 2;
            at = true;
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
    const std::string outExt = allSizes ? "dat" : LowerExtOf(out);
    if (outExt != "dxf" && outExt != "dat" && outExt != "nbc") {
        std::fprintf(stderr, "rozedoz-cli export: %s: not a file this verb writes\n", out.c_str());
        return 1;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    if (astm) {
        // The trade's DXF: a block per part and size.
        if (outExt != "dxf") return std::fprintf(stderr, "%s", kUsage), 2;
        FileResult r;
        if (!LoadPattern(doc, in, r)) return 1;
        SizeList list = MakeSizeList(doc.design);
        std::vector<int> sizes;
        bool graded = false;
        for (const auto& p : doc.design.parts) graded = graded || !p->gradedLines.empty();
        if (sizesArg.empty() || !graded || !list.ok()) {
            sizes.push_back(list.ok() ? list.baseIndex : 0);
        } else if (sizesArg == "all") {
            for (int k = 0; k < list.n; ++k) sizes.push_back(k);
        } else {
            size_t from = 0;
            while (from <= sizesArg.size()) {
                size_t comma = sizesArg.find(',', from);
                const int v = std::atoi(sizesArg.substr(from, comma - from).c_str());
                int index = -1;
                for (int k = 0; k < int(list.values.size()); ++k)
                    if (list.values[size_t(k)] == v) index = k;
                if (index < 0) return std::fprintf(stderr, "rozedoz-cli export: no size %d\n", v), 1;
                sizes.push_back(index);
                if (comma == std::string::npos) break;
                from = comma + 1;
            }
        }
        std::vector<AstmPiece> pieces = AstmPiecesOf(doc.design, sizes);
        if (pieces.empty()) return std::fprintf(stderr, "rozedoz-cli export: %s: no part with a closed outline\n", in.c_str()), 1;
        return WriteText(out, WriteAstmDxf(pieces)) ? 0 : 1;
    }
    if (outExt == "nbc" || (outExt == "dat" && !straight)) {
        // From the design: 看程序 of a picked line, or 圆弧格式 of one size or all.
        if (LowerExtOf(in) == "out") return std::fprintf(stderr, "rozedoz-cli export: %s needs a pattern\n", out.c_str()), 1;
        FileResult r;
        if (!LoadPattern(doc, in, r)) return 1;
        if (outExt == "nbc") {
            if (!at) return std::fprintf(stderr, "%s", kUsage), 2;
            return NcAt(doc, atX, atY, out);
        }
        SizeList list = MakeSizeList(doc.design);
        std::vector<int> sizes;
        if (allSizes) {
            for (int i = 0; i < (list.ok() ? list.n : 1); ++i) sizes.push_back(list.ok() ? i : 0);
            std::vector<std::string> failed;
            auto written = WriteArcFormatFiles(doc, out, sizes, failed);
            for (const std::string& f : failed) std::fprintf(stderr, "rozedoz-cli export: 不能打开 %s\n", f.c_str());
            for (const std::string& w : written) std::printf("%s\n", w.c_str());
            return failed.empty() ? 0 : 1;
        }
        int index = list.ok() ? list.baseIndex : 0;
        if (sizeValue >= 0) {
            index = -1;
            for (int i = 0; i < int(list.values.size()); ++i)
                if (list.values[size_t(i)] == sizeValue) index = i;
            if (index < 0) return std::fprintf(stderr, "rozedoz-cli export: no size %d\n", sizeValue), 1;
        }
        return WriteText(out, FormatWireCut(DesignWireRecords(doc.design, index, 12.0f))) ? 0 : 1;
    }
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
    if (outExt == "dat") {
        std::vector<const Polyline*> pls;
        for (const DxfItem& it : items) pls.push_back(it.points);
        return WriteText(out, FormatWireCut(PolylineWireRecords(pls))) ? 0 : 1;
    }
    return WriteText(out, WriteDxf(items, segments ? DxfLayout::Segments : DxfLayout::Polylines)) ? 0 : 1;
}

RegisterVerb reg("export",
                 "export IN.{OUT,XIE} OUT.{dxf,dat,nbc} [--segments] [--page N] [--straight] [--size V | --all-sizes] "
                 "[--at X,Y] [--astm [--sizes all|V,…]]   DXF (--astm: the trade's block per part and size), wire-cut (圆弧格式, 直线格式 with --straight) or NC (看程序 at X,Y mm) files",
                 ExportVerb);

}  // namespace
}  // namespace rz::cli
