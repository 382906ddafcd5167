#include "model/settings_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace rz {
namespace {

const std::string kHome = "/home/tester";

uint32_t u32At(const std::vector<uint8_t>& b, size_t off) {
    return b[off] | b[off + 1] << 8 | b[off + 2] << 16 | static_cast<uint32_t>(b[off + 3]) << 24;
}
float f32At(const std::vector<uint8_t>& b, size_t off) {
    uint32_t u = u32At(b, off);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
void putU32(std::vector<uint8_t>& b, size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[off + i] = static_cast<uint8_t>(v >> (8 * i));
}
void putF32(std::vector<uint8_t>& b, size_t off, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    putU32(b, off, u);
}

// Offset of block 4 in a file whose bitmap folder text is `bitmapFolder`.
size_t block4(const Settings& s) { return 28 + 36 + 4 + s.scan.bitmapFolder.size() + 20 + 20; }

Settings roundTrip(const Settings& s, SettingsReadReport* rep = nullptr) {
    auto bytes = encodeSettings(s);
    return decodeSettings(bytes.data(), bytes.size(), kHome, rep);
}

TEST(SettingsFile, DefaultsOfAFreshStart) {
    Settings s = defaultSettings(kHome);
    EXPECT_EQ(s.displayFlags, 0x81Au);
    EXPECT_EQ(s.generalFlags, 0x7C1u);
    EXPECT_EQ(s.dataFolder, "/home/tester/qdat/");
    EXPECT_EQ(s.pictureFolder, "/home/tester/qdat/pic/");
    EXPECT_EQ(s.plotFolder, "/home/tester/qdat/plt/");
    EXPECT_EQ(s.dxfFolder, "/home/tester/qdat/dxf/");
    EXPECT_EQ(s.scan.bitmapFolder, "/home/tester/qdat/bmp/");
    EXPECT_EQ(s.autoSaveMillis(), 10000);
    EXPECT_EQ(s.curve.joinDistance, 50.0f);
    EXPECT_EQ(s.sheets[0].words[0], 0x26Du);
    EXPECT_EQ(s.sheets[1].getFloat(3), 92300.0f);
    EXPECT_EQ(s.sheets[0].border.size(), 10u);
    EXPECT_EQ(s.cornerFlag(), 1);
    EXPECT_EQ(s.outputMatrix[1][0], 0);
    EXPECT_EQ(s.outputMatrix[1][3], 0);
    EXPECT_EQ(s.outputMatrix[0][3], 1);
    EXPECT_EQ(s.outputMatrix[4][6], 0);
}

TEST(SettingsFile, MissingFileGivesDefaultsAndIsWrittenAtExit) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("rz_settings_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    std::string path = (dir / "sub" / "Vopa.dat").string();
    SettingsReadReport rep;
    Settings s = readSettingsFile(path, kHome, &rep);
    EXPECT_FALSE(rep.opened);
    EXPECT_EQ(encodeSettings(s), encodeSettings(defaultSettings(kHome)));
    ASSERT_TRUE(writeSettingsFile(path, s));  // creates the missing folder
    EXPECT_FALSE(fs::exists(path + ".tmp"));
    Settings back = readSettingsFile(path, kHome, &rep);
    EXPECT_TRUE(rep.opened);
    EXPECT_TRUE(rep.complete);
    EXPECT_TRUE(rep.replaced.empty());
    EXPECT_EQ(encodeSettings(back), encodeSettings(s));
    fs::remove_all(dir);
}

TEST(SettingsFile, LayoutOfTheFixedPart) {
    Settings s = defaultSettings(kHome);
    s.autoSaveInterval = 30000;
    s.currentPage = 2;
    auto b = encodeSettings(s);
    size_t o = block4(s);
    EXPECT_EQ(u32At(b, 0), 0u);     // scan method
    EXPECT_EQ(u32At(b, 4), 200u);   // resolution
    EXPECT_EQ(f32At(b, 12), 1.0f);  // x factor
    EXPECT_EQ(u32At(b, 28), 10u);   // 有效定针
    EXPECT_EQ(f32At(b, 60), 2.2f);  // 极端转角
    EXPECT_EQ(u32At(b, o), 0x81Au);
    EXPECT_EQ(u32At(b, o + 8), 0x7C1u);
    EXPECT_EQ(u32At(b, o + 80), 2u);  // word 37
    EXPECT_EQ(b[o + 148], 6);
    EXPECT_EQ(b[o + 153], 1);
    EXPECT_EQ(u32At(b, o + 156), 1270u);
    EXPECT_EQ(u32At(b, o + 164), 30000u);
    EXPECT_EQ(f32At(b, o + 172), 1000.0f);
    EXPECT_EQ(f32At(b, o + 332), 1.0471976f);
    EXPECT_EQ(f32At(b, o + 356), 100.0f);
    EXPECT_EQ(u32At(b, o + 404 + 12), 1u);  // word 77
    EXPECT_EQ(u32At(b, o + 436 + 28), 0u);  // column 划, row 定针
    EXPECT_EQ(u32At(b, o + 604), 2u);
    EXPECT_EQ(f32At(b, o + 612), 50.0f);
    EXPECT_EQ(f32At(b, o + 616), 200.0f);
    EXPECT_EQ(u32At(b, o + kSettingsFixedSize), 3u);  // "做" in UTF-8
    // The file ends with the second sheet's empty second text.
    EXPECT_EQ(u32At(b, b.size() - 4), 0u);
}

TEST(SettingsFile, RoundTripByteForByte) {
    Settings s = defaultSettings(kHome);
    s.displayFlags = 0x0C03;
    s.generalFlags = 0x7D1;
    s.penNumbers[5] = 8;
    s.words21[3] = -7;
    s.serial.parity = 4;
    s.serial.pad = 0xBEEF;
    s.serial.resolution = 1000;
    s.autoSaveInterval = 60000;
    s.fileCounter = 1234;
    s.gridUnit = 500.0f;
    s.snapRange = 16;
    s.pickRange = 1;
    s.colours[3] = 0x123456;
    s.seamAllowances[4] = 1300.0f;
    s.outputMatrix[5][2] = 0;
    s.extraFloats[11] = -3.5f;
    s.currentPage = 3;
    s.columnLabels[0] = "甲";
    s.dataFolder = "/data/鞋样/";
    s.pictureFolder = "/data/pic/";
    s.defaultDesignFlags = 0x10000;
    s.cutSetup.workRange = 4;
    s.cutSetup.menuRect = {1.0f, 2.0f, 3.0f, 4.0f};
    s.lastOpenedPath = "/data/鞋样/a.XIE";
    s.sheets[0].border = {0, 0, 10, 10};
    s.sheets[1].words[SheetSettings::kArrayWord] = 0;
    s.sheets[1].border.clear();
    s.sheets[1].secondText = "第二";
    s.scan.bitmapFolder = "/scans/";
    auto bytes = encodeSettings(s);
    SettingsReadReport rep;
    Settings back = decodeSettings(bytes.data(), bytes.size(), kHome, &rep);
    EXPECT_TRUE(rep.complete);
    EXPECT_EQ(rep.bytesUsed, bytes.size());
    EXPECT_TRUE(rep.replaced.empty()) << rep.replaced.front();
    EXPECT_EQ(encodeSettings(back), bytes);
    EXPECT_EQ(back.sheets[0].words[SheetSettings::kCountWord], 2u);
    EXPECT_EQ(back.sheets[1].secondText, "第二");
    EXPECT_EQ(back.lastOpenedPath, "/data/鞋样/a.XIE");
}

TEST(SettingsFile, OnlyDesignFlagBits16And17CarryOver) {
    Settings s = defaultSettings(kHome);
    s.defaultDesignFlags = 0x70000 | 0x1F;  // bit 18 and low bits set by a graded design
    Settings back = roundTrip(s);
    EXPECT_EQ(back.defaultDesignFlags, 0x30000u);
}

TEST(SettingsFile, TransientDisplayBitIsClearedOnRead) {
    Settings s = defaultSettings(kHome);
    s.displayFlags |= kDispTransient;
    EXPECT_EQ(roundTrip(s).displayFlags, 0x81Au);
}

// Truncation at every byte: whatever was read completely is kept, the rest is default, and
// nothing crashes or reads past the end.
TEST(SettingsFile, TruncationAtEveryByte) {
    Settings s = defaultSettings(kHome);
    s.generalFlags = 0x7D1;      // first value of block 4 after display flags and word 3
    s.gridUnit = 250.0f;
    s.lastOpenedPath = "/x/y.XIE";
    s.sheets[1].secondText = "tail";
    auto full = encodeSettings(s);
    const size_t o = block4(s);
    const Settings d = defaultSettings(kHome);
    for (size_t n = 0; n < full.size(); ++n) {
        SettingsReadReport rep;
        Settings t = decodeSettings(full.data(), n, kHome, &rep);
        ASSERT_FALSE(rep.complete) << n;
        ASSERT_LE(rep.bytesUsed, n);
        EXPECT_EQ(t.generalFlags, n >= o + 12 ? 0x7D1u : d.generalFlags) << n;
        EXPECT_EQ(t.gridUnit, n >= o + 176 ? 250.0f : d.gridUnit) << n;
        EXPECT_EQ(t.sheets[1].secondText, n == full.size() ? "tail" : "") << n;
        ASSERT_TRUE(sanitizeSettings(t, kHome).empty()) << n;
    }
}

TEST(SettingsFile, GarbageNeverEscapesTheRanges) {
    // A file of one repeated byte value: every value is garbage of the same pattern.
    for (int fill : {0x00, 0x7F, 0xFF, 0x41}) {
        std::vector<uint8_t> junk(5000, static_cast<uint8_t>(fill));
        Settings t = decodeSettings(junk.data(), junk.size(), kHome);
        EXPECT_GE(t.snapRange, 1);
        EXPECT_LE(t.snapRange, 16);
        EXPECT_GE(t.pickRange, 1);
        EXPECT_LE(t.pickRange, 8);
        EXPECT_TRUE(std::isfinite(t.gridUnit) && t.gridUnit > 0);
        EXPECT_GE(t.lengthUnit, 0);
        EXPECT_LE(t.lengthUnit, 4);
        EXPECT_GE(t.currentPage, 0);
        EXPECT_LE(t.currentPage, 3);
        EXPECT_TRUE(t.autoSaveInterval == 0 || t.autoSaveInterval >= 10000);
        EXPECT_FALSE(t.dataFolder.empty());
        for (uint32_t c : t.colours) EXPECT_LE(c, 0xFFFFFFu);
        Settings again = t;
        EXPECT_TRUE(sanitizeSettings(again, kHome).empty()) << fill;
    }
}

TEST(SettingsFile, OutOfRangeValuesGoBackToDefaults) {
    Settings s = defaultSettings(kHome);
    auto b = encodeSettings(s);
    const size_t o = block4(s);
    putF32(b, o + 172, std::numeric_limits<float>::quiet_NaN());  // grid unit
    putU32(b, o + 176, 0);                                        // snap range 0
    putU32(b, o + 180, 9);                                        // pick range 9
    putU32(b, o + 164, 5);                                        // interval 5 ms
    putU32(b, o + 200, 7);                                        // length unit
    putU32(b, o + 212, 0xFF000000);                               // colour with a top byte
    putU32(b, o + 604, static_cast<uint32_t>(-1));                // page
    putF32(b, o + 332, 10.0f);                                    // notch angle
    putU32(b, o + 12, 0);                                         // pen 0
    b[o + 148] = 15;                                              // baud index past the list
    b[o + 153] = 2;                                               // tablet format 2
    putU32(b, o + 156, 0);                                        // tablet resolution 0
    putU32(b, o + 160, 5);                                        // tablet range past 自定义尺寸
    SettingsReadReport rep;
    Settings t = decodeSettings(b.data(), b.size(), kHome, &rep);
    EXPECT_TRUE(rep.complete);
    EXPECT_EQ(rep.replaced.size(), 13u);
    EXPECT_EQ(encodeSettings(t), encodeSettings(s));

    // In-range edge values stay.
    s.snapRange = 1;
    s.pickRange = 8;
    s.dashLong = 99;
    s.defaultLineWidth = 15;
    s.autoSaveInterval = 10000;
    Settings back = roundTrip(s, &rep);
    EXPECT_TRUE(rep.replaced.empty());
    EXPECT_EQ(back.snapRange, 1);
    EXPECT_EQ(back.pickRange, 8);
    EXPECT_EQ(back.autoSaveInterval, 10000);
}

TEST(SettingsFile, AbsurdTextLengthEndsTheRead) {
    Settings s = defaultSettings(kHome);
    s.generalFlags = 0x7D1;
    s.lastOpenedPath = "/x.XIE";
    auto b = encodeSettings(s);
    const size_t labels = block4(s) + kSettingsFixedSize;
    putU32(b, labels + 4 + 3, 0x7FFFFFFF);  // second label claims two gigabytes
    SettingsReadReport rep;
    Settings t = decodeSettings(b.data(), b.size(), kHome, &rep);
    EXPECT_FALSE(rep.complete);
    EXPECT_EQ(rep.bytesUsed, labels + 4 + 3);
    EXPECT_EQ(t.generalFlags, 0x7D1u);       // read before the bad text
    EXPECT_EQ(t.columnLabels[0], "做");
    EXPECT_EQ(t.columnLabels[1], "划");      // default
    EXPECT_EQ(t.lastOpenedPath, "");         // after it: default

    // A label of 65 bytes is no label either.
    Settings big = defaultSettings(kHome);
    big.columnLabels[2] = std::string(65, 'x');
    auto bb = encodeSettings(big);
    Settings tb = decodeSettings(bb.data(), bb.size(), kHome, &rep);
    EXPECT_FALSE(rep.complete);
    EXPECT_EQ(tb.columnLabels[2], "托");
}

TEST(SettingsFile, HostileBorderCountIsNotTrusted) {
    Settings s = defaultSettings(kHome);
    s.sheets[1].secondText = "keep";
    auto b = encodeSettings(s);
    // Find the first sheet block: it starts after block 7's text.
    const size_t sheet0 = b.size() - 2 * (248 + 5 * 8 + 4) - s.sheets[1].secondText.size();
    ASSERT_EQ(u32At(b, sheet0), 0x26Du);
    putU32(b, sheet0 + 8 * 4, 0xFFFFFFF0);  // point count
    SettingsReadReport rep;
    Settings t = decodeSettings(b.data(), b.size(), kHome, &rep);
    EXPECT_FALSE(rep.complete);
    EXPECT_EQ(t.sheets[0].border, SheetSettings::defaultBorder());
    EXPECT_EQ(t.sheets[1].secondText, "");
}

TEST(SettingsFile, OldDriveFoldersMoveUnderHome) {
    EXPECT_EQ(mapStoredFolder("d:\\qdat\\", kHome), "/home/tester/qdat/");
    EXPECT_EQ(mapStoredFolder("D:\\qdat\\pic\\", kHome), "/home/tester/qdat/pic/");
    EXPECT_EQ(mapStoredFolder("c:\\鞋样", kHome), "/home/tester/鞋样/");
    EXPECT_EQ(mapStoredFolder("/srv/x", kHome), "/srv/x/");
    EXPECT_EQ(mapStoredFolder("", kHome), "");

    Settings s = defaultSettings(kHome);
    s.dataFolder = "d:\\qdat\\";
    s.scan.bitmapFolder = "d:\\qdat\\bmp\\";
    Settings t = roundTrip(s);
    EXPECT_EQ(t.dataFolder, "/home/tester/qdat/");
    EXPECT_EQ(t.scan.bitmapFolder, "/home/tester/qdat/bmp/");
}

TEST(SettingsFile, EnsureFolderCreatesParents) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("rz_qdat_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    EXPECT_TRUE(ensureFolder((dir / "qdat" / "---").string()));
    EXPECT_TRUE(fs::is_directory(dir / "qdat" / "---"));
    EXPECT_TRUE(ensureFolder((dir / "qdat").string()));
    fs::remove_all(dir);
}

TEST(SettingsFile, UnwritablePlaceFailsQuietly) {
    Settings s = defaultSettings(kHome);
    EXPECT_FALSE(writeSettingsFile("/proc/rozedoz-no/Vopa.dat", s));
}

}  // namespace
}  // namespace rz

namespace rz {
namespace {

// Mutated files: whatever a read makes of them is a record that writes and reads back
// unchanged, with nothing left to replace.
TEST(SettingsFile, AnyReadGivesARecordThatRoundTrips) {
    Settings base = defaultSettings(kHome);
    base.lastOpenedPath = "d:\\qdat\\a.XIE";
    base.sheets[1].secondText = "x";
    const auto valid = encodeSettings(base);
    uint32_t seed = 12345;
    auto rnd = [&] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> b = valid;
        int edits = 1 + rnd() % 8;
        for (int e = 0; e < edits; ++e) {
            size_t at = rnd() % b.size();
            switch (rnd() % 4) {
                case 0: b[at] = static_cast<uint8_t>(rnd()); break;
                case 1: b[at] ^= static_cast<uint8_t>(1u << (rnd() % 8)); break;
                case 2: b.resize(at); break;
                default:
                    if (at + 4 <= b.size()) putU32(b, at, rnd() % 3 == 0 ? 0xFFFFFFFFu : rnd() % 300);
            }
            if (b.empty()) break;
        }
        Settings s = decodeSettings(b.data(), b.size(), kHome);
        auto once = encodeSettings(s);
        SettingsReadReport rep;
        Settings again = decodeSettings(once.data(), once.size(), kHome, &rep);
        ASSERT_TRUE(rep.complete) << round;
        ASSERT_TRUE(rep.replaced.empty()) << round << " " << rep.replaced.front();
        ASSERT_EQ(encodeSettings(again), once) << round;
    }
}

}  // namespace
}  // namespace rz
