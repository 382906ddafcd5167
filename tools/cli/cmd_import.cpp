// rozedoz-cli import: 转入 without a window. A DXF file becomes one scan reference line of a new
// design (or of BASE.XIE), as on the front screen; the design is written as 6.5 with its scan
// lines. --json prints what was read, in document units.
#include <cstdio>
#include <string>

#include "exchange/dxf_document.h"
#include "exchange/hpgl.h"
#include "exchange/usm3.h"
#include "exchange/wirecut.h"
#include "model/xie.h"
#include "exchange/text_lines.h"
#include "exchange_args.h"
#include "font_path.h"
#include "json_out.h"
#include "load.h"
#include "model/font.h"
#include "model/settings_file.h"
#include "verbs.h"

namespace rz::cli {
namespace {

constexpr const char* kUsage =
    "usage: rozedoz-cli import IN.{dxf,dat,3t2,plt} [OUT.XIE] [--into BASE.XIE] [--unit mm|cm|in] [--correct] "
    "[--settings Vopa.dat] [--json]\n";

std::string Json(const char* format, const DxfReadResult& r, int added) {
    JsonOut j;
    j.beginObj().key("format").str(format).key("polylines").beginArr();
    for (const Polyline& pl : r.polylines) {
        j.beginArr();
        for (PointF p : pl) j.beginArr().num(p.x).num(p.y).endArr();
        j.endArr();
    }
    j.endArr().key("lines_added").num(added).key("skipped").beginObj();
    for (const auto& [name, n] : r.skipped) j.key(name.c_str()).num(n);
    j.endObj().key("dropped").num(r.dropped).key("truncated").boolean(r.truncated).endObj();
    return j.s;
}

int ImportVerb(const std::vector<std::string>& args) {
    std::string in, out, into, settingsPath;
    int unit = -1;
    bool correct = false, json = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool more = i + 1 < args.size();
        if (a == "--into" && more) {
            into = args[++i];
        } else if (a == "--settings" && more) {
            settingsPath = args[++i];
        } else if (a == "--unit" && more) {
            const std::string& v = args[++i];
            unit = v == "mm" ? 0 : v == "cm" ? 1 : v == "in" ? 2 : -2;
            if (unit == -2) return std::fprintf(stderr, "%s", kUsage), 2;
        } else if (a == "--correct") {
            correct = true;
        } else if (a == "--json") {
            json = true;
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
    if (in.empty() || (out.empty() && !json)) return std::fprintf(stderr, "%s", kUsage), 2;
    HeadlessPlatform platform;
    TDoc doc(platform);
    if (!settingsPath.empty()) {
        SettingsReadReport rep;
        Settings s = readSettingsFile(settingsPath, homeFolder(), &rep);
        if (!rep.opened) {
            std::fprintf(stderr, "rozedoz-cli import: %s: cannot read\n", settingsPath.c_str());
            return 1;
        }
        doc.settings = s;
    }
    if (unit >= 0) doc.settings.scan.reserved = unit;
    if (correct) doc.settings.generalFlags |= kGenCalibrateDxf;
    if (!into.empty()) {
        FileResult r;
        if (!LoadPattern(doc, into, r)) return 1;
    }
    const std::string ext = LowerExtOf(in);
    if (ext == "dat" || ext == "3t2" || ext == "plt") {
        std::vector<uint8_t> bytes;
        std::string err;
        if (!ReadFileBytes(in, bytes, &err)) {
            std::fprintf(stderr, "rozedoz-cli import: 不能打开 %s\n", in.c_str());
            return 1;
        }
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        // What was read, in the form --json reports for every format.
        DxfReadResult as;
        int added = 0;
        if (ext == "dat") {
            WireReadResult w = ReadWireCut(text);
            for (const WireLine& l : w.lines) as.polylines.push_back(l.nodes);
            if (w.skipped) as.skipped["records"] = w.skipped;
            added = AddWireLines(doc, w);
        } else if (ext == "3t2") {
            Usm3ReadResult u = ReadUsm3(text);
            as.polylines = u.polylines;
            added = AddUsm3Lines(doc, u);
        } else {
            HpglReadResult h = ReadHpgl(text);
            as.polylines = h.polylines;
            if (h.skipped) as.skipped["instructions"] = h.skipped;
            added = AddDxfToScanLines(doc, h.polylines) ? 1 : 0;
        }
        if (json) std::printf("%s\n", Json(ext.c_str(), as, added).c_str());
        if (out.empty()) return 0;
        return SavePattern(doc, out, "import", "nothing read to save") ? 0 : 1;
    }
    if (ext != "dxf") {
        std::fprintf(stderr, "rozedoz-cli import: %s: not a file this verb reads\n", in.c_str());
        return 1;
    }
    TFont font;
    font.load(FindFontFile());
    DxfImportReport rep = ReadDxfFile(doc, in, &font);
    if (!rep.read) {
        std::fprintf(stderr, "rozedoz-cli import: %s\n", rep.message.c_str());
        return 1;
    }
    const int added = AddDxfToScanLines(doc, rep.result.polylines) ? 1 : 0;
    if (rep.result.truncated) std::fprintf(stderr, "rozedoz-cli import: warning: %s is truncated\n", in.c_str());
    if (json) std::printf("%s\n", Json("dxf", rep.result, added).c_str());
    if (out.empty()) return 0;
    return SavePattern(doc, out, "import", "nothing read to save") ? 0 : 1;
}

RegisterVerb reg("import",
                 "import IN.{dxf,dat,3t2,plt} [OUT.XIE] [--into BASE.XIE] [--unit mm|cm|in] [--correct] [--settings Vopa.dat] "
                 "[--json]   read an exchange file into a pattern",
                 ImportVerb);

}  // namespace
}  // namespace rz::cli
