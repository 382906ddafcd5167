// libFuzzer target for the pattern file reader: any bytes must load without a fault, and
// whatever loads must keep every reference inside the design and write back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/refs.h"
#include "model/xie.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    // Give every input a chance to get past the banner check.
    if (size > 0 && (data[0] & 1)) {
        std::vector<uint8_t> withBanner(rz::kBanner65, rz::kBanner65 + rz::kBannerSize);
        withBanner.insert(withBanner.end(), data + 1, data + size);
        bytes.swap(withBanner);
    }
    rz::Design d;
    rz::Settings s;
    rz::List<rz::ScanLine> scans;
    rz::List<rz::TPIC> pics;
    auto r = rz::ReadXie(bytes, d, s, &scans, &pics);
    if (r.ok) {
        if (!rz::AllReferencesInside(d)) __builtin_trap();
        auto out = rz::WriteXie(d, &scans, &pics);
        (void)out;
    }
    return 0;
}
