// 扫描输入: a two-colour scan vectorised into the design by the page rules — new parts with
// their boundary lines, pins and inner lines on pages 1–3, lines and pins of the first part on
// the pieces page, or scan reference lines — as one undo step.
#pragma once

#include <string>

#include "devices/bmp.h"
#include "devices/vectorise.h"
#include "model/doc.h"

namespace rz {

struct ScanReport {
    ImageError error = ImageError::None;
    int width = 0, height = 0;
    float pixelSize = 0.0f;  // along x, model units
    int contours = 0, dropped = 0;
    int parts = 0, lines = 0, pins = 0, scanLines = 0;  // records added
    bool ok() const { return error == ImageError::None; }
    bool added() const { return parts + lines + pins + scanLines > 0; }
};

// Vectorises `img` (its work bits are used up) with the method and adds the result to the
// design on the current page. Sets design flag bit 20 when scan lines were added, and pushes
// one undo snapshot when anything was added. `stage` receives the stage texts.
ScanReport ScanIntoDocument(TDoc& doc, ScanImage& img, ScanMethod method, const TVector::Stage& stage = {});

// Reads a one-bit BMP and scans it; a refused file changes nothing.
ScanReport ScanBmpFile(TDoc& doc, const std::string& path, ScanMethod method, const TVector::Stage& stage = {});

// {"width","height","pixel_size","contours","dropped","parts","lines","pins","scan_lines"}.
std::string ScanReportJson(const ScanReport& r);

// Colour of the lines a scan adds on the pieces page, and of its scan reference lines.
constexpr uint32_t kScanPieceLineColour = 0x008000;
constexpr uint32_t kScanReferenceColour = 0x808080;

}  // namespace rz
