// libFuzzer target for the cut-file reader: any bytes must read without a fault, and what is
// read must write back and read again to the same items.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/xie.h"
#include "output/cutfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    // The first byte may put one of the four banners in front, so that every form is reached.
    if (size > 0 && (data[0] & 0x80)) {
        static const char* banners[] = {rz::kBanner65, rz::kBanner63, rz::kBannerCut20, rz::kBanner50};
        const char* b = banners[data[0] & 3];
        std::vector<uint8_t> with(b, b + rz::kBannerSize);
        with.insert(with.end(), data + 1, data + size);
        bytes.swap(with);
    }
    rz::CutFileContent c = rz::ReadCutFile(bytes);
    if (c.form == rz::CutFileForm::Unknown) return 0;
    std::vector<uint8_t> out = rz::WriteCutFile(c.items, c.material);
    rz::CutFileContent again = rz::ReadCutFile(out);
    if (again.truncated || again.form != rz::CutFileForm::V65) __builtin_trap();
    if (again.items.size() != c.items.size()) __builtin_trap();
    for (size_t i = 0; i < c.items.size(); ++i)
        if (again.items[i].flags != c.items[i].flags || again.items[i].pieceId != c.items[i].pieceId ||
            again.items[i].points.size() != c.items[i].points.size())
            __builtin_trap();
    if (rz::WriteCutFile(again.items, again.material) != out) __builtin_trap();
    return 0;
}
