// rozedoz-cli material: 排刀 and 算料 of the pieces of an output sheet, as JSON.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <numbers>

#include "json_out.h"
#include "material/calc.h"
#include "material/report.h"
#include "output/job_stream.h"
#include "output/material_record.h"
#include "sheet_input.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage =
    "usage: rozedoz-cli material FILE [--page N] [--device ROW|NAME|WxH] [--piece ID]... [--fresh] "
    "[--mode 1|2|3] [--angle DEG] [--copies] [--result OUT.OUT] [--report OUT.OUT] [--save OUT.OUT]\n";

void Point(JsonOut& j, const char* k, PointF p) { j.key(k).pair(p.x, p.y); }

void Record(JsonOut& j, const MaterialFields& f) {
    j.key("record").beginObj();
    j.key("flags").num(f.flags);
    j.key("mode").num(f.mode());
    j.key("handles").beginObj();
    Point(j, "pair_anchor", f.pairAnchor);
    Point(j, "pair_point", f.pairPt);
    Point(j, "row_anchor", f.rowAnchor);
    Point(j, "row_point", f.rowPt);
    Point(j, "second_row_anchor", f.row2Anchor);
    Point(j, "second_row_point", f.row2Pt);
    j.endObj();
    Point(j, "J", f.J);
    Point(j, "M", f.M);
    Point(j, "R", f.R);
    Point(j, "U", f.U);
    j.key("W").num(f.W).key("H").num(f.H).key("margin").num(f.margin).key("usage").num(f.usage);
    j.endObj();
}

bool WriteSheet(const std::string& path, const PLTC& s) {
    std::string err;
    if (WriteFileAtomic(path, WriteCutFile(s.items, s.material), &err)) return true;
    std::fprintf(stderr, "rozedoz-cli material: %s: %s\n", path.c_str(), err.c_str());
    return false;
}

int MaterialVerb(const std::vector<std::string>& args) {
    SheetOptions o;
    std::string in, resultPath, reportPath, savePath;
    std::vector<int32_t> pieces;
    bool fresh = false, copies = false;
    int mode = 1;
    double angleDeg = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        int t = TakeSheetOption("material", args, i, o);
        if (t < 0) return 2;
        if (t > 0) continue;
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        int v = 0;
        if (a == "--piece" && hasValue && ParseInt(args[i + 1], -2147483647, 2147483647, v)) pieces.push_back(v), ++i;
        else if (a == "--fresh") fresh = true;
        else if (a == "--copies") copies = true;
        else if (a == "--mode" && hasValue && ParseInt(args[i + 1], 1, 3, mode)) ++i;
        else if (a == "--angle" && hasValue) {
            char* end = nullptr;
            angleDeg = std::strtod(args[++i].c_str(), &end);
            if (!end || *end || !std::isfinite(angleDeg) || std::fabs(angleDeg) > 360) {
                std::fprintf(stderr, "rozedoz-cli material: --angle takes degrees from -360 to 360\n");
                return 2;
            }
        } else if (a == "--result" && hasValue) resultPath = args[++i];
        else if (a == "--save" && hasValue) savePath = args[++i];
        else if (a == "--report" && hasValue) reportPath = args[++i];
        else if (in.empty() && !a.empty() && a[0] != '-') in = a;
        else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (in.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    PLTC* sheet = nullptr;
    if (!PrepareSheet("material", in, o, doc, sheet)) return 1;
    PLTC& other = SheetOf(doc, o.sheet == 1 ? 1 : 0);
    if (pieces.empty()) pieces = OutlinePieces(sheet->items);
    const WorkRange area = sheet->area();
    const float angle = float(angleDeg * std::numbers::pi / 180.0);
    TFont font;
    const bool haveFont = (!resultPath.empty() || !reportPath.empty()) && font.load(FindFontFile());

    JsonOut j;
    j.beginObj();
    j.key("sheet").beginObj().key("W").num(area.w).key("H").num(area.h).endObj();
    j.key("pieces").beginArr();
    std::vector<std::string> texts;
    for (int32_t id : pieces) {
        j.beginObj();
        j.key("piece").num(id);
        const int oi = PieceOutlineIndex(sheet->items, id);
        if (oi < 0) {
            j.key("refused").str("no outline item").endObj();
            continue;
        }
        // A piece without a record, or every piece with --fresh, gets one as an untouched 排刀
        // accept would make it.
        if (fresh || !FindMaterial(sheet->material, id)) {
            auto start = StartNest(sheet->items[size_t(oi)], mode, angle, area.w, area.h, doc.settings.safetyDistance);
            if (!start) {
                j.key("refused").str("no arrangement can be made for this outline").endObj();
                continue;
            }
            AcceptNest(sheet->items, sheet->material, id, start->rec, angle);
        }
        MaterialCalc c = CalculateMaterial(sheet->items, *FindMaterial(sheet->material, id));
        if (!c.refused.empty()) {
            j.key("refused").str(c.refused).endObj();
            continue;
        }
        j.key("area").num(c.area).key("pieces_per_pair").num(c.perPair);
        Record(j, c.rec);
        j.key("cell").beginObj().key("utilisation").num(c.cellUtilisation).key("area").num(c.cellArea).endObj();
        j.key("rows").num(c.rec.rows).key("largest_row").num(c.rec.largestRow);
        j.key("kept").num(double(c.kept.size())).key("placed_area").num(c.placed);
        j.key("pieces_per_sheet").num(c.fig.perSheet).key("utilisation").num(c.fig.utilisation);
        j.key("usage_per_piece").num(c.fig.usagePerPiece).key("usage_per_pair").num(c.fig.usagePerPair);
        if (copies) {
            j.key("copies").beginArr();
            for (const NestCopy& k : c.kept) {
                j.beginObj().key("turned").boolean(k.turned).key("points").beginArr();
                for (PointF p : CopyPoints(c.shapes, k)) j.pair(p.x, p.y);
                j.endArr().endObj();
            }
            j.endArr();
        }
        j.endObj();
        texts.push_back(ResultLine(c));
        texts.push_back(ResultMessage(c.rec.W, c.rec.H, c.fig.usagePerPair));
        if (!resultPath.empty())
            WriteMaterialResult(other.items, other.nextPieceId, c, PenSlot(other.settings(), kToolPen),
                                haveFont ? &font : nullptr);
    }
    j.endArr();
    if (auto total = TotalUsage(sheet->items, sheet->material)) {
        j.key("total_usage_per_pair").num(total->usagePerPair);
        texts.push_back(ResultMessage(total->W, total->H, total->usagePerPair));
    } else {
        j.key("total_usage_per_pair").null();
    }
    j.key("texts").beginArr();
    for (const std::string& t : texts) j.str(t);
    j.endArr();
    j.endObj();
    std::cout << j.s << "\n";
    if (!resultPath.empty() && !WriteSheet(resultPath, other)) return 1;
    if (!savePath.empty() && !WriteSheet(savePath, *sheet)) return 1;
    if (!reportPath.empty()) {
        // 算料报表 as the window draws it onto the sheet; the file gets the table alone.
        const size_t before = sheet->items.size();
        MaterialReport(*sheet, haveFont ? &font : nullptr);
        ItemList table(sheet->items.begin() + std::ptrdiff_t(before), sheet->items.end());
        std::string err;
        if (!WriteFileAtomic(reportPath, WriteCutFile(table, {}), &err)) {
            std::fprintf(stderr, "rozedoz-cli material: %s: %s\n", reportPath.c_str(), err.c_str());
            return 1;
        }
    }
    return 0;
}

RegisterVerb reg("material", "material FILE [options]   排刀 and 算料 of a sheet's pieces: usage per pair as JSON",
                 MaterialVerb);

}  // namespace
}  // namespace rz::cli
