#include "model/sizes.h"

namespace rz {

int DisplayedSizeValue(int value, int system) {
    // 140 is the adults' size 1; later values keep counting from there, so 270 is 14 and not
    // wrapped a second time.
    if (SizeSystemWraps(system) && value >= 140) return value - 130;
    return value;
}

int SizeValueAt(const DesignParams& d, int i) {
    if (d.n <= 0 || i < 0 || i >= d.n) return 0;
    const int b = d.baseIndex;
    if (i == b) return d.baseSize;
    const bool offGrid = d.step <= 0 || d.baseSize < d.rangeFrom || (d.baseSize - d.rangeFrom) % d.step != 0;
    if (i > b && offGrid) return d.rangeFrom + (i - 1) * d.step;
    return d.rangeFrom + i * d.step;
}

namespace {

std::string PlainSizeText(int value, int system, int labelFormat) {
    const int v = DisplayedSizeValue(value, system);
    const int f = labelFormat & 0x7F;
    if (f == 1) return std::to_string(v);
    std::string s = std::to_string(v / 10);
    if (v % 10 != 0) s += f == 2 ? ".5" : "|";
    return s;
}

}  // namespace

std::string SizeText(int value, int system, int labelFormat) {
    std::string s = PlainSizeText(value, system, labelFormat);
    if (labelFormat & 0x80) s += '#';
    return s;
}

std::string SizeText(const DesignParams& d, int value) { return SizeText(value, d.sizeSystem, d.labelFormat); }

std::string SizeRangeText(const DesignParams& d, int first, int last) {
    std::string s = PlainSizeText(first, d.sizeSystem, d.labelFormat);
    if (last != first) s += "-" + PlainSizeText(last, d.sizeSystem, d.labelFormat);
    if (d.labelFormat & 0x80) s += '#';
    return s;
}

std::string ReportWithSizeText(const std::string& report, const std::string& sizeText) {
    if (report.empty()) return sizeText;
    const size_t at = report.find("##");
    if (at == std::string::npos) return report + ";" + sizeText;
    std::string out = report;
    out.replace(at, 2, sizeText);
    return out;
}

std::string BaseSizeLabelText(const DesignParams& d) { return ReportWithSizeText(d.report, SizeText(d, d.baseSize)); }

}  // namespace rz
