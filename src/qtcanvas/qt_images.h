// Picture files through Qt's image readers: scans in formats other than BMP (PNG, TIFF with
// its fax compression), and the background pictures of 插入背景.
#pragma once

#include <memory>
#include <string>

#include "devices/bmp.h"
#include "model/records.h"

namespace rz {

// Reads a two-colour (or grey) picture as a scan: the lighter colour is the paper. False, with
// the reason, when Qt cannot read it or it has more than 2^30 pixels.
bool ReadScanImage(const std::string& path, ScanImage& out, std::string* why);

// Reads a picture of any format Qt knows, scaled down to at most `maxPixels` pixels.
std::shared_ptr<Picture> ReadPicture(const std::string& path, std::string* why, long long maxPixels = 16'000'000);

}  // namespace rz
