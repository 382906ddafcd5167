// The .XIE pattern file: version 6.5 written and read, version 6.3 read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geom/smooth.h"
#include "model/design.h"
#include "model/settings.h"

namespace rz {

constexpr size_t kBannerSize = 64;
extern const char kBanner65[];
extern const char kBanner63[];
extern const char kBanner50[];
extern const char kBannerCut20[];

enum class XieVersion { Unknown, V50, V63, V65 };
const char* VersionName(XieVersion v);  // "6.5", "6.3", "5.0" or ""
XieVersion BannerVersion(const std::vector<uint8_t>& bytes);

struct XieReadResult {
    bool ok = false;
    XieVersion version = XieVersion::Unknown;
    bool truncated = false;  // the file ended before its data did; what was read is kept
    int page = 3;            // the page the design opens on
    std::string error;       // why the file was not read
};

// Reads a pattern file into `out` (which should be freshly cleared). The 6.5 scan-line and
// picture tails go to `scans` and `pictures` when given. Runs the after-load steps, evaluating
// the lines with `smooth` (the default curve settings when null); `evaluate` false leaves the
// lines unevaluated (for measuring the reader alone).
XieReadResult ReadXie(const std::vector<uint8_t>& bytes, Design& out, const Settings& settings,
                      List<ScanLine>* scans = nullptr, List<TPIC>* pictures = nullptr,
                      const TSmooth* smooth = nullptr, bool evaluate = true);

// Writes a 6.5 pattern file. Clears the low byte of the design flags first, as every save
// does. Null tails (the numbered auto-save) are written as zero words.
std::vector<uint8_t> WriteXie(Design& d, const List<ScanLine>* scans = nullptr,
                              const List<TPIC>* pictures = nullptr);

// The preview outline: node positions of lines A and B scaled into the preview box, lines
// separated by (0, 0) points.
std::vector<std::pair<int32_t, int32_t>> PreviewOutline(const Design& d);

// What the open dialog's preview pane shows of a file.
struct XiePreview {
    bool ok = false;
    std::vector<std::pair<int32_t, int32_t>> points;
    int year = 0, month = 0, day = 0;
    std::string report;  // GBK bytes
    bool savedWithGrading = false;
};
XiePreview ReadXiePreview(const std::vector<uint8_t>& bytes);

// Whole-file helpers. Writing goes to a temporary file in the same folder that is renamed
// over the target, so a failed write never destroys the previous file.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, std::string* error);
bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes,
                     std::string* error);

}  // namespace rz
