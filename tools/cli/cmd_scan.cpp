// rozedoz-cli scan: 扫描输入 without a window. The image is vectorised into a new design (or
// into BASE.XIE) on the page given, by the method given, and the design is written as 6.5.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "devices/scan_input.h"
#include "load.h"
#include "verbs.h"

#ifdef ROZEDOZ_HAVE_QTCANVAS
#include "qtcanvas/qt_images.h"
#endif

namespace rz::cli {
namespace {

const char* ErrorText(ImageError e) {
    switch (e) {
    case ImageError::None: return "";
    case ImageError::CannotOpen: return "cannot read the file";
    case ImageError::NotBmp: return "not a BMP image";
    case ImageError::NotOneBit: return "not a two-colour (1 bit per pixel) image";
    case ImageError::Compressed: return "compressed BMP images are not read";
    case ImageError::BadHeader: return "the image header is damaged";
    case ImageError::TooLarge: return "the image is too large";
    case ImageError::Truncated: return "the image file is cut short";
    }
    return "";
}

bool EndsWithNoCase(const std::string& s, const char* ext) {
    size_t n = std::strlen(ext);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != ext[i]) return false;
    return true;
}

// The settings a --set may change, in their stored units, with the range the dialogs allow.
bool SetField(ScanSettings& s, const std::string& name, double v) {
    struct Field {
        std::function<void(double)> set;
        double lo, hi;
        bool integer;
    };
    const std::map<std::string, Field> fields = {
        {"valid_pin", {[&](double x) { s.validPin = int(x); }, 0, 1e6, true}},
        {"valid_part", {[&](double x) { s.validPart = int(x); }, 0, 1e9, true}},
        {"max_needle", {[&](double x) { s.maxNeedle = float(x); }, 0, 1e6, false}},
        {"max_step", {[&](double x) { s.maxStep = float(x); }, 0, 1e6, false}},
        {"small_deviation", {[&](double x) { s.smallDeviation = float(x); }, 0, 1e6, false}},
        {"large_deviation", {[&](double x) { s.largeDeviation = float(x); }, 0, 1e6, false}},
        {"min_segment", {[&](double x) { s.minSegment = float(x); }, 0, 1e6, false}},
        {"min_turn", {[&](double x) { s.minTurn = float(x); }, 0, 3.1415927, false}},
        {"extreme_turn", {[&](double x) { s.extremeTurn = float(x); }, 0, 3.1415927, false}},
        {"resolution", {[&](double x) { s.resolution = int(x); }, 1, 100000, true}},
        {"x_factor", {[&](double x) { s.xFactor = float(x); }, 0.01, 100, false}},
        {"y_factor", {[&](double x) { s.yFactor = float(x); }, 0.01, 100, false}},
        {"shear_x", {[&](double x) { s.shearX = float(x); }, -100, 100, false}},
        {"shear_y", {[&](double x) { s.shearY = float(x); }, -100, 100, false}},
    };
    auto it = fields.find(name);
    if (it == fields.end() || !(v >= it->second.lo && v <= it->second.hi)) return false;
    if (it->second.integer && v != std::floor(v)) return false;
    it->second.set(v);
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: rozedoz-cli scan IMAGE OUT.XIE [--into BASE.XIE] [--page 0-3] "
                 "[--method outline|single|double] [--set NAME=VALUE]... [--json]\n");
    return 2;
}

int ScanVerb(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    std::string into;
    int page = -1, method = -1;
    bool json = false;
    std::vector<std::pair<std::string, double>> sets;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool more = i + 1 < args.size();
        if (a == "--into" && more) {
            into = args[++i];
        } else if (a == "--page" && more) {
            const std::string& v = args[++i];
            if (v.size() != 1 || v[0] < '0' || v[0] > '3') return Usage();
            page = v[0] - '0';
        } else if (a == "--method" && more) {
            const std::string& v = args[++i];
            method = v == "outline" ? 0 : v == "single" ? 1 : v == "double" ? 2 : -1;
            if (method < 0) return Usage();
        } else if (a == "--set" && more) {
            const std::string& v = args[++i];
            size_t eq = v.find('=');
            char* end = nullptr;
            double x = eq == std::string::npos ? NAN : std::strtod(v.c_str() + eq + 1, &end);
            if (eq == std::string::npos || !end || *end || !std::isfinite(x)) {
                std::fprintf(stderr, "rozedoz-cli scan: --set takes NAME=VALUE\n");
                return 2;
            }
            sets.emplace_back(v.substr(0, eq), x);
        } else if (a == "--json") {
            json = true;
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) return Usage();
    HeadlessPlatform platform;
    TDoc doc(platform);
    if (!into.empty()) {
        FileResult r;
        if (!LoadPattern(doc, into, r)) return 1;
    }
    for (auto& [name, v] : sets)
        if (!SetField(doc.settings.scan, name, v)) {
            std::fprintf(stderr, "rozedoz-cli scan: no setting %s takes %g\n", name.c_str(), v);
            return 2;
        }
    if (page >= 0) doc.setCurrentPage(page);
    if (method < 0) method = doc.settings.scan.scanMethod;

    ScanImage img;
    ImageError err = ImageError::None;
    const std::string& image = files[0];
    if (EndsWithNoCase(image, ".bmp")) {
        err = ReadBmpFile(image, img);
    } else {
#ifdef ROZEDOZ_HAVE_QTCANVAS
        std::string why;
        if (!ReadScanImage(image, img, &why)) {
            std::fprintf(stderr, "rozedoz-cli scan: %s: %s\n", image.c_str(), why.c_str());
            return 1;
        }
#else
        err = ImageError::NotBmp;
#endif
    }
    if (err != ImageError::None) {
        std::fprintf(stderr, "rozedoz-cli scan: %s: %s\n", image.c_str(), ErrorText(err));
        return 1;
    }
    ScanReport rep = ScanIntoDocument(doc, img, ScanMethod(method));
    if (json) std::printf("%s\n", ScanReportJson(rep).c_str());
    return SavePattern(doc, files[1], "scan", "nothing found to save") ? 0 : 1;
}

RegisterVerb reg("scan",
                 "scan IMAGE OUT [--into BASE] [--page N] [--method outline|single|double] [--set NAME=V] [--json]"
                 "  vectorise a two-colour scan",
                 ScanVerb);

}  // namespace
}  // namespace rz::cli
