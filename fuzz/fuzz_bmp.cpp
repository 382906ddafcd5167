// libFuzzer target for the BMP reader of scan input and the vectoriser behind it: any bytes
// are refused or read whole, and a picture that is read vectorises without a fault into groups
// whose pieces join up.
#include <cstddef>
#include <cstdint>
#include <span>

#include "devices/bmp.h"
#include "devices/vectorise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rz::ScanImage img;
    rz::ImageError e = rz::ReadBmp(std::span<const uint8_t>(data, size), img);
    if (e != rz::ImageError::None) {
        if (!img.px.empty()) __builtin_trap();  // a refused file leaves nothing behind
        return 0;
    }
    if (img.px.size() != (size_t(img.width) + 2) * (size_t(img.height) + 2)) __builtin_trap();
    // Large pictures are read but not vectorised here: the fuzzer wants many runs a second.
    if (size_t(img.width) * size_t(img.height) > 512 * 512) return 0;
    rz::ScanSettings s;
    s.validPin = 2;
    s.validPart = 20;
    rz::ScanImage copy = img;
    for (bool single : {false, true}) {
        rz::ScanResult r = rz::TVector(s).Run(single ? copy : img, single);
        for (const rz::ScanGroup& g : r.groups) {
            if (g.pieces.empty() || g.outline.size() < 2) __builtin_trap();
            for (size_t i = 1; i < g.pieces.size(); ++i)
                if (!(g.pieces[i].pts.front() == g.pieces[i - 1].pts.back())) __builtin_trap();
        }
    }
    return 0;
}
