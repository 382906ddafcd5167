// The input of the pattern-file fuzz targets: every input with an odd first byte gets the 6.5
// banner in place of that byte, so that the fuzzer reaches past the banner check at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/xie.h"

inline std::vector<uint8_t> PatternBytes(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    if (size > 0 && (data[0] & 1)) {
        std::vector<uint8_t> withBanner(rz::kBanner65, rz::kBanner65 + rz::kBannerSize);
        withBanner.insert(withBanner.end(), data + 1, data + size);
        bytes.swap(withBanner);
    }
    return bytes;
}
