// Reading and writing the settings file Vopa.dat.
//
// Blocks, in file order (little-endian, packed; a text is a uint32 length and that many bytes):
//   1  scan input: 3 int32, 2 float, 2 float (shear), 2 int32 + 7 float, bitmap folder text
//   2  curve settings: float, int32, int32, float, float                              (20 bytes)
//   3  font settings: 4 float, int32                                                  (20 bytes)
//   4  settings record: fixed part of 620 bytes (table below), then 10 texts
//   5  design defaults: flags (bits 16, 17 only), size system, size category, label format
//   6  short cut-setup: cut bits, work range, 2 float, 5 key int32, 4 float            (52 bytes)
//   7  last opened path (text)
//   8  twice: sheet block (62 words), border array (count × 8 bytes when word 7 is non-zero,
//      count in word 8), second text
//
// Fixed part of block 4:
//   offset size  field
//        0    4  display flags
//        4    4  word 3
//        8    4  general flags
//       12   64  16 pen numbers
//       76    4  word 20
//       80    4  word 37 (back-screen tool)
//       84   64  16 words (words21)
//      148    6  small bytes 6, 3, 0, 0, 0, 1
//      154    2  padding (kept as read)
//      156    8  small ints 1270, 0
//      164    4  auto-save interval (ms)
//      168    4  file counter
//      172    4  grid unit (float)
//      176    4  snap range
//      180    4  pick range
//      184    4  dash long
//      188    4  dash short
//      192    4  safety distance (float)
//      196    4  centimetre display
//      200    4  length unit
//      204    4  area unit
//      208    4  default line width
//      212   76  19 colours
//      288    4  default 原线 setting
//      292    4  pin-distance check (float)
//      296    4  needle diameter (float)
//      300   20  5 seam allowances (float)
//      320    4  slot depth (float)
//      324    4  equidistance (float)
//      328    4  chamfer radius (float)
//      332    4  notch angle (float)
//      336    4  mark depth (float)
//      340    8  extraction method (2 int32)
//      348    4  default curve method
//      352    4  sample count
//      356   48  12 further floats 100, 1500, 500, 500, 500, 800, 500, 500, 200, 2000, 500, 500
//      404   32  8 further ints 0, 2, 0, 1, 0, 1, 1, 1 (the fourth is word 77, the corner flag)
//      436  168  output-selection matrix, column by column (6 × 7 int32)
//      604    4  current page
//      608    4  word 113 (int)
//      612    4  word 115 (float, 50)
//      616    4  word 114 (float, 200)
//      620       texts: 6 column labels, data, picture, plot, DXF folders (UTF-8)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/settings.h"

namespace rz {

constexpr size_t kSettingsFixedSize = 620;
constexpr uint32_t kMaxFolderText = 4096;  // longer stored texts are garbage, not paths
constexpr uint32_t kMaxLabelText = 64;
constexpr uint32_t kMaxBorderPoints = 65536;

// What a read found; the settings themselves are always usable.
struct SettingsReadReport {
    bool opened = false;     // the file existed and could be read
    bool complete = false;   // every value was present
    size_t bytesUsed = 0;    // bytes consumed before the end or the first unusable value
    std::vector<std::string> replaced;  // values out of range, put back to their defaults
};

// The user's home folder ($HOME, else the password database, else "/tmp").
std::string homeFolder();

// Defaults with the folders placed under home: home/qdat/, .../pic/, .../plt/, .../dxf/,
// and the bitmap folder .../bmp/.
Settings defaultSettings(const std::string& home = homeFolder());

// A stored folder in the old drive form ("d:\qdat\pic\") becomes home/qdat/pic/; other
// texts only get '/' separators and a trailing '/'. Empty stays empty.
std::string mapStoredFolder(const std::string& stored, const std::string& home);

// Creates the folder and its parents when missing; true when it exists afterwards.
bool ensureFolder(const std::string& path);

std::vector<uint8_t> encodeSettings(const Settings& s);

// Reads what the bytes hold over the defaults: what is missing keeps its default, values out
// of range are replaced by their defaults, a text of absurd length ends the read.
Settings decodeSettings(const uint8_t* data, size_t size, const std::string& home,
                        SettingsReadReport* report = nullptr);

// Missing or unreadable file: the defaults, report->opened false.
Settings readSettingsFile(const std::string& path, const std::string& home = homeFolder(),
                          SettingsReadReport* report = nullptr);

// Writes through a temporary file and a rename, so a failed write never leaves half a file.
// Creates the parent folder. False when the file could not be written.
bool writeSettingsFile(const std::string& path, const Settings& s);

// Range check of a whole record (also used after dialogs): out-of-range values go back to
// their defaults; returns the names of what was replaced.
std::vector<std::string> sanitizeSettings(Settings& s, const std::string& home);

}  // namespace rz
