#include "model/settings_file.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace rz {

namespace {

constexpr uint32_t kDesignFlagsKept = 0x30000;  // only bits 16 and 17 carry to the next run

class Writer {
public:
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        u32(u);
    }
    void u8(uint8_t v) { out.push_back(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void text(const std::string& s) {
        u32(static_cast<uint32_t>(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }
    std::vector<uint8_t> out;
};

// Every read assigns its target only when all its bytes are there; after the first short or
// unusable value nothing more is read, so the rest keeps its defaults.
class Reader {
public:
    Reader(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    void stop() { ok_ = false; }

    bool u32(uint32_t& v) {
        if (!take(4)) return false;
        v = static_cast<uint32_t>(d_[pos_]) | static_cast<uint32_t>(d_[pos_ + 1]) << 8 |
            static_cast<uint32_t>(d_[pos_ + 2]) << 16 | static_cast<uint32_t>(d_[pos_ + 3]) << 24;
        pos_ += 4;
        return true;
    }
    bool i32(int32_t& v) {
        uint32_t u;
        if (!u32(u)) return false;
        v = static_cast<int32_t>(u);
        return true;
    }
    bool f32(float& v) {
        uint32_t u;
        if (!u32(u)) return false;
        std::memcpy(&v, &u, 4);
        return true;
    }
    bool u8(uint8_t& v) {
        if (!take(1)) return false;
        v = d_[pos_++];
        return true;
    }
    bool u16(uint16_t& v) {
        if (!take(2)) return false;
        v = static_cast<uint16_t>(d_[pos_] | d_[pos_ + 1] << 8);
        pos_ += 2;
        return true;
    }
    // A text longer than maxLen is not a text of ours: the read ends there.
    bool text(std::string& s, uint32_t maxLen) {
        if (!ok_) return false;
        size_t start = pos_;
        uint32_t len;
        if (!u32(len)) return false;
        if (len > maxLen || !take(len)) {
            pos_ = start;
            ok_ = false;
            return false;
        }
        s.assign(reinterpret_cast<const char*>(d_ + pos_), len);
        pos_ += len;
        return true;
    }

private:
    bool take(size_t k) {
        if (!ok_) return false;
        if (n_ - pos_ < k) {
            ok_ = false;
            return false;
        }
        return true;
    }
    const uint8_t* d_;
    size_t n_;
    size_t pos_ = 0;
    bool ok_ = true;
};

std::string withSlash(std::string s) {
    if (!s.empty() && s.back() != '/') s.push_back('/');
    return s;
}

void fillFolders(Settings& s, const std::string& home) {
    s.dataFolder = withSlash(home) + "qdat/";
    s.pictureFolder = s.dataFolder + "pic/";
    s.plotFolder = s.dataFolder + "plt/";
    s.dxfFolder = s.dataFolder + "dxf/";
    s.scan.bitmapFolder = s.dataFolder + "bmp/";
}

bool finiteIn(float v, float lo, float hi) { return std::isfinite(v) && v >= lo && v <= hi; }

template <class T, class U>
void check(std::vector<std::string>& out, const char* name, T& v, bool good, const U& def) {
    if (!good) {
        v = static_cast<T>(def);
        out.emplace_back(name);
    }
}

// Lengths in 0.01 mm that a setting may sensibly hold: up to ten metres.
constexpr float kMaxLength = 1.0e6f;

void sanitizeSheet(SheetSettings& sh, std::vector<std::string>& out, const char* name) {
    const SheetSettings def;
    auto& w = sh.words;
    auto intIn = [&](int i, int32_t lo, int32_t hi) {
        int32_t v = static_cast<int32_t>(w[i]);
        if (v < lo || v > hi) {
            w[i] = def.words[i];
            out.push_back(std::string(name) + " word " + std::to_string(i));
        }
    };
    auto floatIn = [&](int i, float lo, float hi) {
        if (!finiteIn(sh.getFloat(i), lo, hi)) {
            w[i] = def.words[i];
            out.push_back(std::string(name) + " word " + std::to_string(i));
        }
    };
    intIn(2, 0, 31);
    floatIn(3, 1.0f, kMaxLength * 10);
    floatIn(4, 1.0f, kMaxLength * 10);
    floatIn(5, -kMaxLength * 10, kMaxLength * 10);
    floatIn(6, -kMaxLength * 10, kMaxLength * 10);
    for (int m = 0; m < 8; ++m) {
        for (int k = 0; k < 4; ++k) intIn(9 + 5 * m + k, 1, 8);
        intIn(13 + 5 * m, 0, 9);
    }
    intIn(49, 0, 7);
    intIn(50, 1, 2);
    intIn(51, 1, 2);
    intIn(52, 0, 4);
    intIn(53, 0, 5);
    intIn(54, 1, 3);
    intIn(55, 0, 4);
    intIn(56, 0, 999);
    floatIn(57, 1e-6f, 1e6f);
    floatIn(58, 0.5f, 2.0f);
    floatIn(59, 0.5f, 2.0f);
    floatIn(60, -1.0f, 1.0f);
    floatIn(61, -1.0f, 1.0f);
    for (float f : sh.border) {
        if (!std::isfinite(f)) {
            sh.border = def.border;
            sh.words[SheetSettings::kArrayWord] = def.words[SheetSettings::kArrayWord];
            sh.words[SheetSettings::kCountWord] = def.words[SheetSettings::kCountWord];
            out.push_back(std::string(name) + " border");
            break;
        }
    }
}

void readSheet(Reader& r, SheetSettings& sh) {
    SheetSettings got;
    got.border.clear();
    for (auto& w : got.words) r.u32(w);
    if (!r.ok()) {
        // A sheet block cut short is no sheet: keep what the defaults say.
        return;
    }
    if (got.words[SheetSettings::kArrayWord] != 0) {
        uint32_t count = got.words[SheetSettings::kCountWord];
        if (count > kMaxBorderPoints) {
            r.stop();
            return;
        }
        for (uint32_t i = 0; i < count; ++i) {
            float x, y;
            if (!r.f32(x) || !r.f32(y)) break;
            got.border.push_back(x);
            got.border.push_back(y);
        }
        got.words[SheetSettings::kCountWord] = static_cast<uint32_t>(got.border.size() / 2);
    }
    std::string text;
    if (r.text(text, kMaxFolderText)) got.secondText = text;
    sh = std::move(got);
}

}  // namespace

std::string homeFolder() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

Settings defaultSettings(const std::string& home) {
    Settings s;
    fillFolders(s, home);
    return s;
}

std::string mapStoredFolder(const std::string& stored, const std::string& home) {
    if (stored.empty()) return stored;
    std::string s = stored;
    bool drive = s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':';
    if (drive) s.erase(0, 2);
    for (char& c : s)
        if (c == '\\') c = '/';
    if (drive) {
        while (!s.empty() && s.front() == '/') s.erase(0, 1);
        s = withSlash(home) + s;
    }
    return withSlash(s);
}

bool ensureFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

std::vector<uint8_t> encodeSettings(const Settings& s) {
    Writer w;
    // Block 1.
    const ScanSettings& sc = s.scan;
    w.i32(sc.scanMethod);
    w.i32(sc.resolution);
    w.i32(sc.reserved);
    w.f32(sc.xFactor);
    w.f32(sc.yFactor);
    w.f32(sc.shearX);
    w.f32(sc.shearY);
    w.i32(sc.validPin);
    w.i32(sc.validPart);
    for (float f : {sc.maxNeedle, sc.maxStep, sc.smallDeviation, sc.largeDeviation,
                    sc.minSegment, sc.minTurn, sc.extremeTurn})
        w.f32(f);
    w.text(sc.bitmapFolder);
    // Block 2.
    w.f32(s.curve.joinDistance);
    w.i32(s.curve.refitChord);
    w.i32(s.curve.refitTolerance);
    w.f32(s.curve.arcFitTolerance);
    w.f32(s.curve.straightness);
    // Block 3.
    w.f32(s.font.charWidth);
    w.f32(s.font.charHeight);
    w.f32(s.font.extra1);
    w.f32(s.font.extra2);
    w.i32(s.font.vertical);
    // Block 4.
    w.u32(s.displayFlags);
    w.u32(s.word3);
    w.u32(s.generalFlags);
    for (int32_t v : s.penNumbers) w.i32(v);
    w.i32(s.word20);
    w.i32(s.word37);
    for (int32_t v : s.words21) w.i32(v);
    const SerialSettings& se = s.serial;
    for (uint8_t b : {se.baudIndex, se.dataBitsIndex, se.parity, se.stopBits, se.portIndex, se.dataFormat})
        w.u8(b);
    w.u16(se.pad);
    w.i32(se.resolution);
    w.i32(se.range);
    w.i32(s.autoSaveInterval);
    w.i32(s.fileCounter);
    w.f32(s.gridUnit);
    w.i32(s.snapRange);
    w.i32(s.pickRange);
    w.i32(s.dashLong);
    w.i32(s.dashShort);
    w.f32(s.safetyDistance);
    w.i32(s.centimetreDisplay);
    w.i32(s.lengthUnit);
    w.i32(s.areaUnit);
    w.i32(s.defaultLineWidth);
    for (uint32_t c : s.colours) w.u32(c);
    w.i32(s.defaultOrigLine);
    w.f32(s.pinDistanceCheck);
    w.f32(s.needleDiameter);
    for (float f : s.seamAllowances) w.f32(f);
    w.f32(s.slotDepth);
    w.f32(s.equidistance);
    w.f32(s.chamferRadius);
    w.f32(s.notchAngle);
    w.f32(s.markDepth);
    for (int32_t v : s.extractionMethod) w.i32(v);
    w.i32(s.defaultCurveMethod);
    w.i32(s.sampleCount);
    for (float f : s.extraFloats) w.f32(f);
    for (int32_t v : s.extraInts) w.i32(v);
    for (const auto& col : s.outputMatrix)
        for (int32_t v : col) w.i32(v);
    w.i32(s.currentPage);
    w.i32(s.word113);
    w.f32(s.word115);
    w.f32(s.word114);
    for (const auto& t : s.columnLabels) w.text(t);
    w.text(s.dataFolder);
    w.text(s.pictureFolder);
    w.text(s.plotFolder);
    w.text(s.dxfFolder);
    // Block 5.
    w.u32(s.defaultDesignFlags & kDesignFlagsKept);
    w.i32(s.defaultSizeSystem);
    w.i32(s.defaultSizeCategory);
    w.i32(s.defaultLabelFormat);
    // Block 6.
    const ShortCutSetup& cs = s.cutSetup;
    w.u32(cs.cutBits);
    w.i32(cs.workRange);
    w.f32(cs.customWidth);
    w.f32(cs.customHeight);
    for (int32_t k : cs.keys) w.i32(k);
    for (float f : cs.menuRect) w.f32(f);
    // Block 7.
    w.text(s.lastOpenedPath);
    // Block 8.
    for (const SheetSettings& sh : s.sheets) {
        bool hasArray = sh.words[SheetSettings::kArrayWord] != 0;
        for (int i = 0; i < SheetSettings::kWords; ++i) {
            uint32_t v = sh.words[i];
            if (i == SheetSettings::kCountWord && hasArray)
                v = static_cast<uint32_t>(sh.border.size() / 2);
            w.u32(v);
        }
        if (hasArray)
            for (size_t i = 0; i + 1 < sh.border.size(); i += 2) {
                w.f32(sh.border[i]);
                w.f32(sh.border[i + 1]);
            }
        w.text(sh.secondText);
    }
    return std::move(w.out);
}

Settings decodeSettings(const uint8_t* data, size_t size, const std::string& home,
                        SettingsReadReport* report) {
    Settings s = defaultSettings(home);
    Reader r(data, size);
    // Block 1.
    ScanSettings& sc = s.scan;
    r.i32(sc.scanMethod);
    r.i32(sc.resolution);
    r.i32(sc.reserved);
    r.f32(sc.xFactor);
    r.f32(sc.yFactor);
    r.f32(sc.shearX);
    r.f32(sc.shearY);
    r.i32(sc.validPin);
    r.i32(sc.validPart);
    for (float* f : {&sc.maxNeedle, &sc.maxStep, &sc.smallDeviation, &sc.largeDeviation,
                     &sc.minSegment, &sc.minTurn, &sc.extremeTurn})
        r.f32(*f);
    r.text(sc.bitmapFolder, kMaxFolderText);
    // Block 2.
    r.f32(s.curve.joinDistance);
    r.i32(s.curve.refitChord);
    r.i32(s.curve.refitTolerance);
    r.f32(s.curve.arcFitTolerance);
    r.f32(s.curve.straightness);
    // Block 3.
    r.f32(s.font.charWidth);
    r.f32(s.font.charHeight);
    r.f32(s.font.extra1);
    r.f32(s.font.extra2);
    r.i32(s.font.vertical);
    // Block 4.
    r.u32(s.displayFlags);
    r.u32(s.word3);
    r.u32(s.generalFlags);
    for (int32_t& v : s.penNumbers) r.i32(v);
    r.i32(s.word20);
    r.i32(s.word37);
    for (int32_t& v : s.words21) r.i32(v);
    SerialSettings& se = s.serial;
    for (uint8_t* b : {&se.baudIndex, &se.dataBitsIndex, &se.parity, &se.stopBits, &se.portIndex, &se.dataFormat})
        r.u8(*b);
    r.u16(se.pad);
    r.i32(se.resolution);
    r.i32(se.range);
    r.i32(s.autoSaveInterval);
    r.i32(s.fileCounter);
    r.f32(s.gridUnit);
    r.i32(s.snapRange);
    r.i32(s.pickRange);
    r.i32(s.dashLong);
    r.i32(s.dashShort);
    r.f32(s.safetyDistance);
    r.i32(s.centimetreDisplay);
    r.i32(s.lengthUnit);
    r.i32(s.areaUnit);
    r.i32(s.defaultLineWidth);
    for (uint32_t& c : s.colours) r.u32(c);
    r.i32(s.defaultOrigLine);
    r.f32(s.pinDistanceCheck);
    r.f32(s.needleDiameter);
    for (float& f : s.seamAllowances) r.f32(f);
    r.f32(s.slotDepth);
    r.f32(s.equidistance);
    r.f32(s.chamferRadius);
    r.f32(s.notchAngle);
    r.f32(s.markDepth);
    for (int32_t& v : s.extractionMethod) r.i32(v);
    r.i32(s.defaultCurveMethod);
    r.i32(s.sampleCount);
    for (float& f : s.extraFloats) r.f32(f);
    for (int32_t& v : s.extraInts) r.i32(v);
    for (auto& col : s.outputMatrix)
        for (int32_t& v : col) r.i32(v);
    r.i32(s.currentPage);
    r.i32(s.word113);
    r.f32(s.word115);
    r.f32(s.word114);
    for (auto& t : s.columnLabels) r.text(t, kMaxLabelText);
    r.text(s.dataFolder, kMaxFolderText);
    r.text(s.pictureFolder, kMaxFolderText);
    r.text(s.plotFolder, kMaxFolderText);
    r.text(s.dxfFolder, kMaxFolderText);
    // Block 5.
    r.u32(s.defaultDesignFlags);
    r.i32(s.defaultSizeSystem);
    r.i32(s.defaultSizeCategory);
    r.i32(s.defaultLabelFormat);
    // Block 6.
    ShortCutSetup& cs = s.cutSetup;
    r.u32(cs.cutBits);
    r.i32(cs.workRange);
    r.f32(cs.customWidth);
    r.f32(cs.customHeight);
    for (int32_t& k : cs.keys) r.i32(k);
    for (float& f : cs.menuRect) r.f32(f);
    // Block 7.
    r.text(s.lastOpenedPath, kMaxFolderText);
    // Block 8.
    for (SheetSettings& sh : s.sheets) {
        if (!r.ok()) break;
        readSheet(r, sh);
    }

    auto replaced = sanitizeSettings(s, home);
    if (report) {
        report->opened = true;
        report->complete = r.ok();
        report->bytesUsed = r.pos();
        report->replaced = std::move(replaced);
    }
    return s;
}

std::vector<std::string> sanitizeSettings(Settings& s, const std::string& home) {
    const Settings d = defaultSettings(home);
    std::vector<std::string> out;

    s.displayFlags &= ~kDispTransient;
    s.defaultDesignFlags &= kDesignFlagsKept;

    for (size_t i = 0; i < s.penNumbers.size(); ++i)
        check(out, "pen number", s.penNumbers[i], s.penNumbers[i] >= 1 && s.penNumbers[i] <= 8,
              d.penNumbers[i]);
    check(out, "back-screen tool", s.word37, s.word37 >= 0 && s.word37 <= 3, d.word37);

    // The dialog stores 0 for ten seconds or less; anything above a day is garbage.
    int32_t iv = s.autoSaveInterval;
    check(out, "auto-save interval", s.autoSaveInterval,
          iv == 0 || (iv >= 10000 && iv <= 86400000), d.autoSaveInterval);
    check(out, "file counter", s.fileCounter, s.fileCounter >= 0, d.fileCounter);
    check(out, "grid unit", s.gridUnit, finiteIn(s.gridUnit, 1.0f, kMaxLength), d.gridUnit);
    check(out, "snap range", s.snapRange, s.snapRange >= 1 && s.snapRange <= 16, d.snapRange);
    check(out, "pick range", s.pickRange, s.pickRange >= 1 && s.pickRange <= 8, d.pickRange);
    check(out, "dash long", s.dashLong, s.dashLong >= 0 && s.dashLong <= 99, d.dashLong);
    check(out, "dash short", s.dashShort, s.dashShort >= 0 && s.dashShort <= 99, d.dashShort);
    check(out, "safety distance", s.safetyDistance, finiteIn(s.safetyDistance, 0, kMaxLength),
          d.safetyDistance);
    check(out, "centimetre display", s.centimetreDisplay,
          s.centimetreDisplay == 0 || s.centimetreDisplay == 1, d.centimetreDisplay);
    check(out, "length unit", s.lengthUnit, s.lengthUnit >= 0 && s.lengthUnit <= 4, d.lengthUnit);
    check(out, "area unit", s.areaUnit, s.areaUnit >= 0 && s.areaUnit <= 4, d.areaUnit);
    check(out, "line width", s.defaultLineWidth,
          s.defaultLineWidth >= 0 && s.defaultLineWidth <= 15, d.defaultLineWidth);
    for (size_t i = 0; i < s.colours.size(); ++i)
        check(out, "colour", s.colours[i], s.colours[i] <= 0xFFFFFFu, d.colours[i]);
    check(out, "原线 setting", s.defaultOrigLine,
          s.defaultOrigLine >= 0 && s.defaultOrigLine <= 2, d.defaultOrigLine);
    check(out, "pin-distance check", s.pinDistanceCheck,
          finiteIn(s.pinDistanceCheck, 0, kMaxLength), d.pinDistanceCheck);
    check(out, "needle diameter", s.needleDiameter, finiteIn(s.needleDiameter, 0, kMaxLength),
          d.needleDiameter);
    for (size_t i = 0; i < s.seamAllowances.size(); ++i)
        check(out, "seam allowance", s.seamAllowances[i],
              finiteIn(s.seamAllowances[i], 0, kMaxLength), d.seamAllowances[i]);
    check(out, "slot depth", s.slotDepth, finiteIn(s.slotDepth, 0, kMaxLength), d.slotDepth);
    check(out, "equidistance", s.equidistance, finiteIn(s.equidistance, 0, kMaxLength),
          d.equidistance);
    check(out, "chamfer radius", s.chamferRadius, finiteIn(s.chamferRadius, 0, kMaxLength),
          d.chamferRadius);
    check(out, "notch angle", s.notchAngle, finiteIn(s.notchAngle, 0.0f, 3.1415927f),
          d.notchAngle);
    check(out, "mark depth", s.markDepth, finiteIn(s.markDepth, 0, kMaxLength), d.markDepth);
    for (size_t i = 0; i < 2; ++i)
        check(out, "extraction method", s.extractionMethod[i],
              s.extractionMethod[i] >= 0 && s.extractionMethod[i] <= 15, d.extractionMethod[i]);
    check(out, "curve method", s.defaultCurveMethod,
          s.defaultCurveMethod >= 0 && s.defaultCurveMethod <= 15, d.defaultCurveMethod);
    check(out, "sample count", s.sampleCount, s.sampleCount >= 0 && s.sampleCount <= 10000,
          d.sampleCount);
    for (size_t i = 0; i < s.extraFloats.size(); ++i)
        check(out, "further float", s.extraFloats[i],
              finiteIn(s.extraFloats[i], -kMaxLength, kMaxLength), d.extraFloats[i]);
    for (size_t c = 0; c < s.outputMatrix.size(); ++c)
        for (size_t k = 0; k < 7; ++k)
            check(out, "output selection", s.outputMatrix[c][k],
                  s.outputMatrix[c][k] == 0 || s.outputMatrix[c][k] == 1,
                  d.outputMatrix[c][k]);
    check(out, "current page", s.currentPage, s.currentPage >= 0 && s.currentPage <= 3,
          d.currentPage);
    check(out, "word 115", s.word115, finiteIn(s.word115, 0, kMaxLength), d.word115);
    check(out, "word 114", s.word114, finiteIn(s.word114, 0, kMaxLength), d.word114);

    // The serial tablet: an index past its list, a resolution that would divide by zero and a
    // range past the tablet sizes take their defaults.
    SerialSettings& se = s.serial;
    const SerialSettings& dse = d.serial;
    check(out, "baud index", se.baudIndex, se.baudIndex <= 14, dse.baudIndex);
    check(out, "data bits", se.dataBitsIndex, se.dataBitsIndex <= 3, dse.dataBitsIndex);
    check(out, "parity", se.parity, se.parity <= 4, dse.parity);
    check(out, "stop bits", se.stopBits, se.stopBits <= 2, dse.stopBits);
    check(out, "serial port", se.portIndex, se.portIndex <= 3, dse.portIndex);
    check(out, "tablet format", se.dataFormat, se.dataFormat <= 1, dse.dataFormat);
    check(out, "tablet resolution", se.resolution, se.resolution > 0 && se.resolution <= 1000000,
          dse.resolution);
    check(out, "tablet range", se.range, se.range >= 0 && se.range <= 4, dse.range);

    // Texts: stored folders in the old drive form move under the home folder.
    for (size_t i = 0; i < s.columnLabels.size(); ++i)
        if (s.columnLabels[i].empty()) s.columnLabels[i] = d.columnLabels[i];
    auto folder = [&](std::string& f, const std::string& def) {
        f = mapStoredFolder(f, home);
        // Moved under a long home folder a text may outgrow what a read accepts.
        if (f.empty() || f.size() > kMaxFolderText) f = def;
    };
    folder(s.dataFolder, d.dataFolder);
    folder(s.pictureFolder, s.dataFolder + "pic/");
    folder(s.plotFolder, s.dataFolder + "plt/");
    folder(s.dxfFolder, s.dataFolder + "dxf/");
    folder(s.scan.bitmapFolder, s.dataFolder + "bmp/");

    // Block 1.
    ScanSettings& sc = s.scan;
    const ScanSettings& ds = d.scan;
    check(out, "scan method", sc.scanMethod, sc.scanMethod >= 0 && sc.scanMethod <= 2,
          ds.scanMethod);
    check(out, "scan resolution", sc.resolution, sc.resolution >= 1 && sc.resolution <= 100000,
          ds.resolution);
    check(out, "x factor", sc.xFactor, finiteIn(sc.xFactor, 0.01f, 100.0f), ds.xFactor);
    check(out, "y factor", sc.yFactor, finiteIn(sc.yFactor, 0.01f, 100.0f), ds.yFactor);
    check(out, "shear x", sc.shearX, finiteIn(sc.shearX, -100.0f, 100.0f), ds.shearX);
    check(out, "shear y", sc.shearY, finiteIn(sc.shearY, -100.0f, 100.0f), ds.shearY);
    check(out, "valid pin", sc.validPin, sc.validPin >= 0, ds.validPin);
    check(out, "valid part", sc.validPart, sc.validPart >= 0, ds.validPart);
    for (auto [f, df] : {std::pair{&sc.maxNeedle, ds.maxNeedle}, {&sc.maxStep, ds.maxStep},
                         {&sc.smallDeviation, ds.smallDeviation},
                         {&sc.largeDeviation, ds.largeDeviation},
                         {&sc.minSegment, ds.minSegment}})
        check(out, "vectoriser length", *f, finiteIn(*f, 0, kMaxLength), df);
    check(out, "minimum turn", sc.minTurn, finiteIn(sc.minTurn, 0, 3.1415927f), ds.minTurn);
    check(out, "extreme turn", sc.extremeTurn, finiteIn(sc.extremeTurn, 0, 3.1415927f),
          ds.extremeTurn);

    // Block 2.
    CurveSettings& cv = s.curve;
    check(out, "join distance", cv.joinDistance, finiteIn(cv.joinDistance, 0, 100000.0f),
          d.curve.joinDistance);
    check(out, "re-fit chord", cv.refitChord, cv.refitChord >= 0 && cv.refitChord <= 10000,
          d.curve.refitChord);
    check(out, "re-fit tolerance", cv.refitTolerance,
          cv.refitTolerance >= 0 && cv.refitTolerance <= 10000, d.curve.refitTolerance);
    check(out, "arc-fit tolerance", cv.arcFitTolerance,
          finiteIn(cv.arcFitTolerance, 0, 100000.0f), d.curve.arcFitTolerance);
    check(out, "straightness", cv.straightness, finiteIn(cv.straightness, 0, 100000.0f),
          d.curve.straightness);

    // Block 3.
    FontSettings& ft = s.font;
    check(out, "character width", ft.charWidth, finiteIn(ft.charWidth, 0, kMaxLength),
          d.font.charWidth);
    check(out, "character height", ft.charHeight, finiteIn(ft.charHeight, 0, kMaxLength),
          d.font.charHeight);
    check(out, "font value", ft.extra1, std::isfinite(ft.extra1), d.font.extra1);
    check(out, "font value", ft.extra2, std::isfinite(ft.extra2), d.font.extra2);
    check(out, "vertical", ft.vertical, ft.vertical == 0 || ft.vertical == 1, d.font.vertical);

    // Block 5.
    check(out, "size system", s.defaultSizeSystem,
          s.defaultSizeSystem >= 0 && s.defaultSizeSystem <= 255, d.defaultSizeSystem);
    check(out, "size category", s.defaultSizeCategory,
          s.defaultSizeCategory >= 0 && s.defaultSizeCategory <= 255, d.defaultSizeCategory);
    check(out, "label format", s.defaultLabelFormat,
          s.defaultLabelFormat >= 0 && s.defaultLabelFormat <= 255, d.defaultLabelFormat);

    // Block 6.
    ShortCutSetup& cs = s.cutSetup;
    check(out, "work range", cs.workRange, cs.workRange >= 0 && cs.workRange <= 4,
          d.cutSetup.workRange);
    check(out, "custom width", cs.customWidth, finiteIn(cs.customWidth, 0, kMaxLength * 10),
          d.cutSetup.customWidth);
    check(out, "custom height", cs.customHeight, finiteIn(cs.customHeight, 0, kMaxLength * 10),
          d.cutSetup.customHeight);
    for (size_t i = 0; i < cs.keys.size(); ++i)
        check(out, "digitizer key", cs.keys[i], cs.keys[i] >= 0 && cs.keys[i] <= 4,
              d.cutSetup.keys[i]);
    for (size_t i = 0; i < cs.menuRect.size(); ++i)
        check(out, "menu rectangle", cs.menuRect[i], std::isfinite(cs.menuRect[i]),
              d.cutSetup.menuRect[i]);

    sanitizeSheet(s.sheets[0], out, "sheet 1");
    sanitizeSheet(s.sheets[1], out, "sheet 2");
    return out;
}

Settings readSettingsFile(const std::string& path, const std::string& home,
                          SettingsReadReport* report) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (report) *report = SettingsReadReport{};
        return defaultSettings(home);
    }
    // The file is small; anything past a few megabytes is not ours and is not read.
    constexpr size_t kLimit = 4u << 20;
    std::vector<uint8_t> bytes;
    char buf[65536];
    while (in && bytes.size() < kLimit) {
        in.read(buf, sizeof buf);
        bytes.insert(bytes.end(), buf, buf + in.gcount());
    }
    if (bytes.size() > kLimit) bytes.resize(kLimit);
    return decodeSettings(bytes.data(), bytes.size(), home, report);
}

bool writeSettingsFile(const std::string& path, const Settings& s) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p(path);
    if (p.has_parent_path()) fs::create_directories(p.parent_path(), ec);
    std::vector<uint8_t> bytes = encodeSettings(s);
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(tmp, ec);
            return false;
        }
    }
    fs::rename(tmp, p, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

}  // namespace rz
