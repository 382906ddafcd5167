// rozedoz-cli plot: the job stream of a sheet (or a head move) to a target, as 切割 sends it.
#include <cstdio>

#include "output/job_stream.h"
#include "send_job.h"
#include "sheet_input.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage =
    "usage: rozedoz-cli plot IN [sheet options] [--pens|--cuts|--all] [--head 0-5] [--method 1-3] "
    "[--single-head] [--move X,Y] -o TARGET [--json]\n";

std::string JsonNumber(float v) { return FormatFixed(double(v), 2); }

int PlotVerb(const std::vector<std::string>& args) {
    SheetOptions o;
    std::string in, target, filter = "all";
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
        } else if (a == "-o" && i + 1 < args.size()) target = args[++i];
        else if (in.empty() && !a.empty() && a[0] != '-') in = a;
        else return std::fputs(kUsage, stderr), 2;
    }
    if (target.empty() || (in.empty() && !move)) return std::fputs(kUsage, stderr), 2;

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
