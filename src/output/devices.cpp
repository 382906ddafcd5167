#include "output/devices.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "output/job_stream.h"

#ifdef ROZEDOZ_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace rz {

namespace {

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// A value as the settings store writes it: quoted when it has to be, with backslash escapes.
std::string IniValue(std::string v) {
    v = Trim(v);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
        std::string out;
        for (size_t i = 1; i + 1 < v.size(); ++i) {
            if (v[i] == '\\' && i + 2 < v.size()) ++i;
            out += v[i];
        }
        return out;
    }
    return v;
}

bool ParseNumber(const std::string& text, double& v) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(v);
}

}  // namespace

std::string PortMap::targetFor(int port) const {
    if (port == 1) return lpt1;
    if (port == 2) return lpt2;
    return "";
}

std::string DefaultConfPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base = xdg && *xdg ? xdg : std::string(std::getenv("HOME") ? std::getenv("HOME") : "") + "/.config";
    return base + "/Brelan/rozedoz.conf";
}

PortMap ReadPortMap(const std::string& confPath) {
    PortMap m;
    std::ifstream in(confPath);
    std::string line;
    bool inPorts = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            inPorts = line == "[Ports]";
            continue;
        }
        if (!inPorts) continue;
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trim(line.substr(0, eq)), value = IniValue(line.substr(eq + 1));
        if (value.empty()) continue;
        if (key == "LPT1") m.lpt1 = value;
        else if (key == "LPT2") m.lpt2 = value;
    }
    return m;
}

std::string PortFailureText(int port, const std::string& target, const std::string& reason) {
    std::string name = PortName(port);
    if (name.empty()) return name;
    return name + " (" + target + ": " + reason + ")";
}

std::vector<PrinterInfo> SystemPrinters() {
    std::vector<PrinterInfo> out;
#ifdef ROZEDOZ_HAVE_CUPS
    cups_dest_t* dests = nullptr;
    int n = cupsGetDests(&dests);
    for (int i = 0; i < n; ++i) {
        if (dests[i].instance) continue;
        PrinterInfo p;
        p.name = dests[i].name;
        const char* uri = cupsGetOption("device-uri", dests[i].num_options, dests[i].options);
        p.port = uri ? uri : "";
        p.isDefault = dests[i].is_default != 0;
        if (p.isDefault) out.insert(out.begin(), p);
        else out.push_back(p);
    }
    cupsFreeDests(n, dests);
#endif
    return out;
}

int PrinterIndex(int stored, size_t count) {
    return stored >= 0 && size_t(stored) < count ? stored : 0;
}

std::string PrinterLabel(const PrinterInfo& p) { return p.name + " on " + p.port; }

std::vector<std::string> PrinterTestLines(const PrinterInfo& p) {
    return {"SIZE = " + std::to_string(p.sizeX) + "mm, " + std::to_string(p.sizeY) + "mm",
            "SCOPE = " + std::to_string(p.scopeX) + ", " + std::to_string(p.scopeY),
            "RESOLUTION(dpi) = " + std::to_string(p.resX) + ", " + std::to_string(p.resY)};
}

std::string FormatSheetSize(float units, bool centimetres, bool withUnit) {
    double v = centimetres ? double(units) / 1000.0 : double(units) / 100.0;
    std::string s = FormatFixed(v, 1);
    if (withUnit) s += centimetres ? "厘米" : "毫米";
    return s;
}

bool ParseSheetSize(const std::string& text, bool centimetres, float& units) {
    double v;
    if (!ParseNumber(text, v)) return false;
    units = float(v * (centimetres ? 1000.0 : 100.0));
    return true;
}

float ParseDrawingScale(const std::string& text) {
    auto colon = text.find(':');
    double a = 1.0, b = 0.0;
    if (colon == std::string::npos) {
        if (!ParseNumber(text, b)) b = 1.0;
    } else {
        if (!ParseNumber(text.substr(0, colon), a) || a == 0.0) a = 1.0;
        if (!ParseNumber(text.substr(colon + 1), b)) b = 1.0;
    }
    if (b == 0.0) b = 1.0;
    return float(b / a);
}

std::string FormatDrawingScale(float scale) {
    if (scale < 1.0f && scale > 0.0f) return FormatFixed(1.0 / double(scale), 1) + ":1";
    if (scale > 1.0f) return "1:" + FormatFixed(double(scale), 1);
    return "1:1";
}

int SnapToGrid(int v, int min, int step) {
    if (step <= 0) return v;
    int r = (v - min) % step;
    if (r < 0) r += step;
    return v - r;
}

std::array<int, 4> CorrectionToFields(const SheetSettings& s) {
    std::array<int, 4> f{};
    for (int i = 0; i < 4; ++i) {
        double v = s.getFloat(sheetword::Correction + i);
        if (i < 2) v -= 1.0;
        v *= 10000.0;
        if (!std::isfinite(v)) v = 0.0;
        v = std::clamp(v, -199.0, 199.0);
        f[size_t(i)] = int(v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5));
    }
    return f;
}

void CorrectionFromFields(SheetSettings& s, const std::array<int, 4>& fields) {
    for (int i = 0; i < 4; ++i) {
        int v = std::clamp(fields[size_t(i)], -199, 199);
        s.setFloat(sheetword::Correction + i, float((i < 2 ? 1.0 : 0.0) + v / 10000.0));
    }
}

const std::array<const char*, 8>& MaterialNames() {
    static const std::array<const char*, 8> n = {"普通纸", "白纸板", "黄纸板", "塑料板",
                                                 "铁皮板", "纤维板", "中底板", "其他板"};
    return n;
}

const std::array<const char*, 6>& FinalPositionNames() {
    static const std::array<const char*, 6> n = {"右下角", "左下角", "右上角", "左边中", "正中心", "原位"};
    return n;
}

const char* SheetLabel(int sheet) {
    static const char* labels[] = {"Ⅰ", "Ⅱ", "Ⅲ", "Ⅳ"};
    return sheet >= 0 && sheet < 4 ? labels[sheet] : "";
}

// ---- device dialog ----

void DeviceDialogModel::chooseRow(int r) {
    if (r < 0 || r >= kDeviceRows) return;
    SetSheetInt(block, sheetword::Device, r);
}

bool DeviceDialogModel::setDirect(bool on) {
    if (on) {
        block.words[0] |= kSheetDirect;
        return true;
    }
    if (printers.empty()) return false;
    block.words[0] &= ~kSheetDirect;
    SetSheetInt(block, sheetword::Device, kCustomDeviceRow);
    choosePrinter(printer());
    return true;
}

void DeviceDialogModel::choosePrinter(int index) {
    if (index < 0 || size_t(index) >= printers.size()) return;
    SetSheetInt(block, sheetword::Printer, index);
    block.setFloat(sheetword::CustomW, float(printers[size_t(index)].sizeX) * 100.0f);
    block.setFloat(sheetword::CustomH, float(printers[size_t(index)].sizeY) * 100.0f);
}

void DeviceDialogModel::setMirror(bool x, bool y) {
    block.words[0] = (block.words[0] & ~(kSheetMirrorX | kSheetMirrorY)) | (x ? kSheetMirrorX : 0u) |
                     (y ? kSheetMirrorY : 0u);
}

bool DeviceDialogModel::typeWidth(const std::string& text, bool cm) {
    float v;
    if (!sizesEditable() || !ParseSheetSize(text, cm, v)) return false;
    block.setFloat(sheetword::CustomW, v);
    return true;
}

bool DeviceDialogModel::typeHeight(const std::string& text, bool cm) {
    float v;
    if (!sizesEditable() || !ParseSheetSize(text, cm, v)) return false;
    block.setFloat(sheetword::CustomH, v);
    return true;
}

void DeviceDialogModel::typeScale(const std::string& text) { block.setFloat(sheetword::Scale, ParseDrawingScale(text)); }

DeviceAccept AcceptDeviceDialog(SheetSettings& sheetBlock, const DeviceDialogModel& m) {
    DeviceAccept r;
    WorkRange now = m.area();
    if (!(now.w > 0.0f && now.h > 0.0f)) return r;  // the sheet keeps its old settings
    WorkRange before = SheetArea(sheetBlock);
    sheetBlock = m.block;
    r.taken = true;
    r.areaChanged = !(before == now);
    return r;
}

const std::array<PaletteColour, 16>& PenPalette() {
    static const std::array<PaletteColour, 16> p = {{
        {"clBlack 黑色", 0x000000},   {"clMaroon 深红色", 0x800000}, {"clGreen 绿色", 0x008000},
        {"clOlive 橄榄色", 0x808000}, {"clNavy 藏青色", 0x000080},   {"clPurple 紫色", 0x800080},
        {"clTeal 青色", 0x008080},    {"clGray 灰色", 0x808080},     {"clSilver 银灰色", 0xC0C0C0},
        {"clRed 红色", 0xFF0000},     {"clLime 浅绿色", 0x00FF00},   {"clYellow 黄色", 0xFFFF00},
        {"clBlue 蓝色", 0x0000FF},    {"clFuchsia 紫红色", 0xFF00FF}, {"clAqua 浅蓝色", 0x00FFFF},
        {"clWhite 白色", 0xFFFFFF},
    }};
    return p;
}

}  // namespace rz
