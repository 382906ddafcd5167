// The sheet options shared by the output verbs (sheet, plot, testpage): where the settings
// block comes from, the device, and the steps that fill and prepare the sheet.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "font_path.h"
#include "load.h"
#include "model/settings_file.h"
#include "output/cutfile.h"
#include "model/font.h"
#include "output/sheet_rules.h"

namespace rz::cli {

struct SheetOptions {
    int page = -1;              // -1: the page the pattern opens on
    std::string settingsPath;   // Vopa.dat whose sheet block is used
    int sheet = 1;              // 1 or 2
    std::string device;         // ROW, NAME or WxH in millimetres
    bool assign = false, arrange = false;
    std::string order;          // pens, cuts or all
};

inline bool ParseInt(const std::string& s, int lo, int hi, int& v) {
    char* end = nullptr;
    long n = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || !end || *end || n < lo || n > hi) return false;
    v = int(n);
    return true;
}

// Takes the sheet option at args[i] (and its value); 1 when taken, 0 when not a sheet option,
// -1 (after a message) when its value is wrong.
inline int TakeSheetOption(const char* verb, const std::vector<std::string>& args, size_t& i, SheetOptions& o) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
        if (i + 1 >= args.size()) return false;
        v = args[++i];
        return true;
    };
    std::string v;
    if (a == "--assign") return o.assign = true, 1;
    if (a == "--arrange") return o.arrange = true, 1;
    if (a == "--page") {
        if (value(v) && ParseInt(v, 0, 3, o.page)) return 1;
        std::fprintf(stderr, "rozedoz-cli %s: --page takes 0 to 3\n", verb);
        return -1;
    }
    if (a == "--sheet") {
        if (value(v) && ParseInt(v, 1, 2, o.sheet)) return 1;
        std::fprintf(stderr, "rozedoz-cli %s: --sheet takes 1 or 2\n", verb);
        return -1;
    }
    if (a == "--settings") return value(o.settingsPath) ? 1 : -1;
    if (a == "--device") return value(o.device) ? 1 : -1;
    if (a == "--order") {
        if (value(o.order) && (o.order == "pens" || o.order == "cuts" || o.order == "all")) return 1;
        std::fprintf(stderr, "rozedoz-cli %s: --order takes pens, cuts or all\n", verb);
        return -1;
    }
    return 0;
}

// Applies --device to a settings block: a row number, a row name, or WxH in millimetres.
inline bool ApplyDevice(const std::string& d, SheetSettings& s) {
    if (d.empty()) return true;
    int row;
    if (ParseInt(d, 0, kDeviceRows - 1, row)) {
        SetSheetInt(s, sheetword::Device, row);
        return true;
    }
    for (int r = 0; r < kDeviceRows; ++r)
        if (d == DeviceTable()[size_t(r)].name) {
            SetSheetInt(s, sheetword::Device, r);
            return true;
        }
    double w = 0, h = 0;
    char x = 0, tail = 0;
    if (std::sscanf(d.c_str(), "%lf%c%lf%c", &w, &x, &h, &tail) == 3 && (x == 'x' || x == 'X') && w > 0 &&
        h > 0 && w < 1e5 && h < 1e5) {
        SetSheetInt(s, sheetword::Device, kCustomDeviceRow);
        s.setFloat(sheetword::CustomW, float(w * 100));
        s.setFloat(sheetword::CustomH, float(h * 100));
        return true;
    }
    return false;
}

inline std::string LowerExt(const std::string& path) {
    auto dot = path.rfind('.');
    std::string e = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (char& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

// Fills the document's sheet from IN (.XIE laid as by ".", or .OUT) and runs the steps in
// order: settings block, device, input, --assign, --arrange, --order. Returns false after a
// message when something could not be read.
inline bool PrepareSheet(const char* verb, const std::string& in, const SheetOptions& o, TDoc& doc, PLTC*& out) {
    if (!o.settingsPath.empty()) {
        SettingsReadReport rep;
        Settings s = readSettingsFile(o.settingsPath, homeFolder(), &rep);
        if (!rep.opened) {
            std::fprintf(stderr, "rozedoz-cli %s: %s: cannot read\n", verb, o.settingsPath.c_str());
            return false;
        }
        doc.settings.sheets[size_t(o.sheet - 1)] = s.sheets[size_t(o.sheet - 1)];
    }
    PLTC& sheet = SheetOf(doc, o.sheet - 1);
    if (!ApplyDevice(o.device, sheet.settings())) {
        std::fprintf(stderr, "rozedoz-cli %s: --device takes a row 0-15, a device name or WxH in mm\n", verb);
        return false;
    }
    const std::string ext = LowerExt(in);
    if (ext == "out") {
        std::vector<uint8_t> bytes;
        std::string err;
        if (!ReadFileBytes(in, bytes, &err)) {
            std::fprintf(stderr, "rozedoz-cli %s: %s: cannot read\n", verb, in.c_str());
            return false;
        }
        CutFileContent c = ReadCutFile(bytes);
        if (c.form == CutFileForm::Unknown) {
            std::fprintf(stderr, "rozedoz-cli %s: %s: not a cut file\n", verb, in.c_str());
            return false;
        }
        if (c.truncated)
            std::fprintf(stderr, "rozedoz-cli: warning: %s is truncated; using what could be read\n", in.c_str());
        sheet.items = std::move(c.items);
        sheet.material = std::move(c.material);
        sheet.nextPieceId = c.nextPieceId;
    } else {
        FileResult r;
        if (!LoadPattern(doc, in, r)) return false;
        TFont font;
        font.load(FindFontFile());
        LaySheetFromPage(sheet, doc.design, o.page >= 0 ? o.page : doc.currentPage(), &font);
    }
    if (o.assign) AssignTools(sheet.items, sheet.settings());
    const WorkRange area = sheet.area();
    if (o.arrange) ArrangeSheet(sheet.items, area.w, area.h);
    if (!o.order.empty()) {
        SelectForJob(sheet.items, area.w, area.h, o.order == "cuts", o.order == "pens");
        OrderForJob(sheet, OrderingView(area));
    }
    out = &sheet;
    return true;
}

}  // namespace rz::cli
