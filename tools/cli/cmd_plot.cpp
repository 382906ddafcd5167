// rozedoz-cli plot: the job stream of a sheet (or a head move) to a target, as 切割 sends it.
#include <cstdio>

#include "output/job_stream.h"
#include "send_job.h"
#include "sheet_input.h"
#include "verbs.h"

#ifdef ROZEDOZ_HAVE_QTCANVAS
#include "qtcanvas/sheet_pdf.h"
#endif

namespace rz::cli {
namespace {

constexpr const char* kUsage =
    "usage: rozedoz-cli plot IN [sheet options] [--pens|--cuts|--all] [--head 0-5] [--method 1-3] "
    "[--single-head] [--move X,Y] -o TARGET [--json]\n"
    "       rozedoz-cli plot IN [sheet options] [--pens|--cuts|--all] --pdf OUT.pdf [--tile A4|A3] [--overlap MM]\n";

std::string JsonNumber(float v) { return FormatFixed(double(v), 2); }

int PlotVerb(const std::vector<std::string>& args) {
    SheetOptions o;
    std::string in, target, filter = "all", pdf, tile = "A4";
    double overlap = 10.0;
    int head = -1, method = -1;
    bool singleHead = false, json = false, move = false;
    PointF moveTo;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        int t = TakeSheetOption("plot", args, i, o);
        if (t < 0) return 2;
        if (t > 0) continue;
        if (a == "--pens" || a == "--cuts" || a == "--all") filter = a.substr(2);
        else if (a == "--single-head") singleHead = true;
        else if (a == "--json") json = true;
        else if (a == "--head" && i + 1 < args.size() && ParseInt(args[i + 1], 0, 5, head)) ++i;
        else if (a == "--method" && i + 1 < args.size() && ParseInt(args[i + 1], 1, 3, method)) ++i;
        else if (a == "--move" && i + 1 < args.size()) {
            double x, y;
            char tail;
            if (std::sscanf(args[++i].c_str(), "%lf,%lf%c", &x, &y, &tail) != 2) return std::fputs(kUsage, stderr), 2;
            moveTo = {float(x), float(y)};
            move = true;
        } else if (a == "--pdf" && i + 1 < args.size()) pdf = args[++i];
        else if (a == "--tile" && i + 1 < args.size() && (args[i + 1] == "A4" || args[i + 1] == "A3")) tile = args[++i];
        else if (a == "--overlap" && i + 1 < args.size()) {
            char* end = nullptr;
            overlap = std::strtod(args[++i].c_str(), &end);
            if (!end || *end || !(overlap >= 0 && overlap <= 50)) return std::fputs(kUsage, stderr), 2;
        } else if (a == "-o" && i + 1 < args.size()) target = args[++i];
        else if (in.empty() && !a.empty() && a[0] != '-') in = a;
        else return std::fputs(kUsage, stderr), 2;
    }
    if ((target.empty() && pdf.empty()) || (in.empty() && !move) || (move && !pdf.empty()))
        return std::fputs(kUsage, stderr), 2;

    HeadlessPlatform platform;
    TDoc doc(platform);
    std::vector<uint8_t> bytes;
    std::string report;
    if (move) {
        bytes = BuildMoveStream(moveTo);
        report = "{\"bytes\":" + std::to_string(bytes.size()) + ",\"items\":[],\"final\":[" + JsonNumber(moveTo.x) +
                 "," + JsonNumber(moveTo.y) + "]}";
    } else {
        PLTC* sheet = nullptr;
        if (!PrepareSheet("plot", in, o, doc, sheet)) return 1;
        SheetSettings& s = sheet->settings();
        if (head >= 0) SetSheetInt(s, sheetword::FinalPos, head);
        if (method >= 0) SetSheetInt(s, sheetword::OutputMethod, method);
        if (singleHead) SetSheetInt(s, sheetword::Method, 2);
        const WorkRange a = sheet->area();
        sheet->sorted = 0;  // the order follows this job's settings
        SelectForJob(sheet->items, a.w, a.h, filter == "cuts", filter == "pens");
        OrderForJob(*sheet, OrderingView(a));
        if (!pdf.empty()) {
#ifdef ROZEDOZ_HAVE_QTCANVAS
            // True scale on paper: the items the job would send, tiled over pages.
            std::vector<Polyline> lines;
            for (const PlotItem& it : sheet->items)
                if (it.flags & kItemChosen) lines.push_back(it.points);
            std::string err;
            int pages = 0;
            if (!WriteSheetPdf(pdf, lines, in, {tile, overlap}, err, &pages)) {
                std::fprintf(stderr, "rozedoz-cli plot: %s: %s\n", pdf.c_str(), err.c_str());
                return 1;
            }
            if (json) std::printf("{\"pages\":%d,\"lines\":%zu}\n", pages, lines.size());
            if (target.empty()) return 0;
#else
            std::fprintf(stderr, "rozedoz-cli plot: built without Qt; no PDF\n");
            return 2;
#endif
        }
        std::vector<StreamEntry> entries;
        const int fin = SheetInt(s, sheetword::FinalPos);
        bytes = BuildJobStream(sheet->items, fin, a.w, a.h, &entries);
        report = "{\"bytes\":" + std::to_string(bytes.size()) + ",\"items\":[";
        for (size_t k = 0; k < entries.size(); ++k) {
            const StreamEntry& e = entries[k];
            report += std::string(k ? "," : "") + "{\"piece\":" + std::to_string(e.pieceId) + ",\"kind\":" +
                      std::to_string(e.kind) + ",\"tool\":" + std::to_string(e.tool) + ",\"pen\":" +
                      std::to_string(e.pen) + ",\"count\":" + std::to_string(e.points) + "}";
        }
        auto p = FinalHeadPosition(fin, a.w, a.h);
        report += "],\"final\":" + (p ? "[" + JsonNumber(p->x) + "," + JsonNumber(p->y) + "]" : std::string("null")) + "}";
    }
    int rc = SendToTarget("plot", target, std::move(bytes));
    if (rc == 0 && json) {
        // With the stream on standard output the report goes to standard error.
        std::fprintf(target == "-" ? stderr : stdout, "%s\n", report.c_str());
    }
    return rc;
}

RegisterVerb reg("plot", "plot IN [options] -o TARGET [--json]   send a sheet's cut job to a device, file or tcp://host:port",
                 PlotVerb);

}  // namespace
}  // namespace rz::cli
