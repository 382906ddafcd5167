// rozedoz-cli output: graded parts or pieces onto an output sheet, size by size, as 选号输出 and
// 选片输出 lay them (grading first, with its controls, when the file has no results). Page 3 means
// the pieces, as on the window's pieces page.
#include <cmath>
#include <cstdio>

#include "design_args.h"
#include "font_path.h"
#include "grading/controls.h"
#include "grading/engine.h"
#include "grading/graded_output.h"
#include "json_out.h"
#include "load.h"
#include "model/font.h"
#include "model/gbk.h"
#include "model/settings_file.h"
#include "model/xie.h"
#include "model/sizes.h"
#include "output/cutfile.h"
#include "output/graded_sheet.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage =
    "usage: rozedoz-cli output FILE [--parts P,…|--pieces Q,…|--page N] [--sizes all|I,…] [--angle DEG --layout 1|2] "
    "[--settings Vopa.dat] [--no-corner] [--json] [-o OUT.OUT]\n";

int Refuse(const std::string& why) {
    std::fprintf(stderr, "rozedoz-cli output: %s\n", why.c_str());
    return 1;
}

bool ParseList(const std::string& s, std::vector<int>& out) {
    for (const std::string& item : SplitOn(s, ',')) {
        int v = 0;
        if (!ParseIndex(item, v)) return false;
        out.push_back(v);
    }
    return !out.empty();
}

int OutputVerb(const std::vector<std::string>& args) {
    std::string in, out, settingsPath;
    std::vector<int> parts, pieces, sizes;
    bool allSizes = true, json = false, corner = true;
    int page = -1, layout = 0;
    double angle = 0.0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool more = i + 1 < args.size();
        if (a == "--parts" && more) {
            if (!ParseList(args[++i], parts)) return std::fprintf(stderr, "%s", kUsage), 2;
        } else if (a == "--pieces" && more) {
            if (!ParseList(args[++i], pieces)) return std::fprintf(stderr, "%s", kUsage), 2;
        } else if (a == "--page" && more) {
            if (!ParseIndex(args[++i], page) || page > 3) return std::fprintf(stderr, "%s", kUsage), 2;
        } else if (a == "--sizes" && more) {
            const std::string v = args[++i];
            allSizes = v == "all";
            if (!allSizes && !ParseList(v, sizes)) return std::fprintf(stderr, "%s", kUsage), 2;
        } else if (a == "--angle" && more) {
            if (!ParseDouble(args[++i], angle)) return std::fprintf(stderr, "%s", kUsage), 2;
        } else if (a == "--layout" && more) {
            if (!ParseIndex(args[++i], layout) || layout < 1 || layout > 2) return std::fprintf(stderr, "%s", kUsage), 2;
        } else if (a == "--settings" && more) {
            settingsPath = args[++i];
        } else if (a == "--no-corner") {
            corner = false;
        } else if (a == "--json") {
            json = true;
        } else if (a == "-o" && more) {
            out = args[++i];
        } else if (in.empty() && a[0] != '-') {
            in = a;
        } else {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        }
    }
    if (in.empty() || (out.empty() && !json)) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    if (!settingsPath.empty()) {
        SettingsReadReport rep;
        doc.settings = readSettingsFile(settingsPath, homeFolder(), &rep);
        if (!rep.opened) return Refuse(settingsPath + ": cannot read");
    }
    FileResult fr;
    if (!LoadPattern(doc, in, fr)) return 1;
    Design& d = doc.design;
    // Grades first when the file has no results, as the menu command does.
    if (!(d.flags & kDesignGraded)) {
        GradingRunControls controls;
        GradeOptions go;
        go.controls = &controls;
        GradeReport r = GradeDesign(d, doc.smooth, go);
        if (!r.ok) return Refuse(r.error);
        if (!(d.flags & kDesignGraded)) return Refuse("nothing is graded: no output");
    }
    if (!parts.empty() && !pieces.empty()) return std::fprintf(stderr, "%s", kUsage), 2;
    if (page < 0) page = parts.empty() && pieces.empty() ? doc.currentPage() : -1;
    std::vector<const Part*> chosen;
    std::vector<const Piece*> chosenPieces;
    if (!parts.empty()) {
        for (int p : parts) {
            if (size_t(p) >= d.parts.size()) return Refuse("there is no part " + std::to_string(p));
            chosen.push_back(d.parts[size_t(p)].get());
        }
    } else if (!pieces.empty()) {
        for (int q : pieces) {
            if (size_t(q) >= d.pieces.size()) return Refuse("there is no piece " + std::to_string(q));
            chosenPieces.push_back(d.pieces[size_t(q)].get());
        }
    } else if (page == 3) {
        for (auto& pc : d.pieces) chosenPieces.push_back(pc.get());
    } else {
        for (auto& p : d.parts)
            if (p->page() == page && !p->hidden()) chosen.push_back(p.get());
    }
    if (allSizes) sizes = AllSizes(d);
    for (int i : sizes)
        if (i >= d.n) return Refuse("there is no size " + std::to_string(i) + " (" + std::to_string(d.n) + " sizes)");

    PLTC& sheet = SheetOf(doc, 0);
    TFont font;
    font.load(FindFontFile());
    GradedOutputOptions o;
    o.font = &font;
    o.layout = layout;
    o.angle = angle * M_PI / 180.0;
    o.corner = layout == 0 && corner && doc.settings.cornerFlag() != 0;
    GradedOutputLog log;
    std::vector<std::pair<std::string, size_t>> sourceOfPiece;  // "part:P" or "piece:Q", log entry
    std::vector<int> noOutline;                                  // pieces without an outline
    auto indexOf = [](const auto& list, const void* r) {
        for (size_t k = 0; k < list.size(); ++k)
            if (list[k].get() == r) return int(k);
        return -1;
    };
    for (const Part* p : chosen) {
        const size_t before = log.pieces.size();
        OutputPartSizes(sheet, d, doc.settings, *p, sizes, o, &log);
        for (size_t k = before; k < log.pieces.size(); ++k)
            sourceOfPiece.push_back({"part:" + std::to_string(indexOf(d.parts, p)), k});
    }
    for (const Piece* pc : chosenPieces) {
        const int q = indexOf(d.pieces, pc);
        if (pc->outline.size() < 3) {
            noOutline.push_back(q);
            continue;
        }
        const size_t before = log.pieces.size();
        OutputPieceSizes(sheet, d, doc.settings, *pc, sizes, o, &log);
        for (size_t k = before; k < log.pieces.size(); ++k) sourceOfPiece.push_back({"piece:" + std::to_string(q), k});
    }
    if (!out.empty()) {
        std::string err;
        if (!WriteFileAtomic(out, WriteCutFile(sheet.items, sheet.material), &err))
            return Refuse(out + ": " + err);
    }
    if (!json) return 0;
    JsonOut j;
    j.beginObj().key("sheet").num(1).key("pieces").beginArr();
    for (const auto& [source, k] : sourceOfPiece) {
        const GradedOutputLog::Piece& pc = log.pieces[k];
        j.beginObj().key("piece_id").num(pc.pieceId).key("source").str(source);
        j.key("size_index").num(pc.size).key("size_value").num(SizeValueAt(d, pc.size)).key("items").beginArr();
        for (size_t n = 0; n < pc.itemCount; ++n) {
            const PlotItem& it = sheet.items[pc.firstItem + n];
            const OutputItem& g = pc.items[n];
            j.beginObj().key("kind").num(it.kind()).key("tool").num(it.tool()).key("pen").num(it.pen());
            j.key("flags").num(double(it.flags)).key("source").str(g.source).key("fold_copy").boolean(g.foldCopy);
            j.key("points").beginArr();
            for (PointF q : it.points) j.pair(q.x, q.y);
            j.endArr();
            if (g.text.empty()) j.key("text").null();
            else j.key("text").str(GbkToUtf8(g.text));
            j.endObj();
        }
        j.endArr().endObj();
    }
    j.endArr().key("skipped").beginArr();
    for (int i : log.skipped) j.num(i);
    // Every feature kind now has its evaluation at a size; the list stays for readers of the format.
    j.endArr().key("not_output").beginArr().endArr();
    j.key("no_outline").beginArr();
    for (int q : noOutline) j.num(q);
    j.endArr().endObj();
    std::printf("%s\n", j.s.c_str());
    return 0;
}

RegisterVerb reg("output",
                 "output FILE [--parts P,…|--pieces Q,…|--page N] [--sizes all|I,…] [--angle DEG --layout 1|2] [--settings Vopa.dat] "
                 "[--no-corner] [--json] [-o OUT.OUT]   graded parts or pieces onto an output sheet, size by size",
                 OutputVerb);

}  // namespace
}  // namespace rz::cli
