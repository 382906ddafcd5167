// libFuzzer target for the pattern file reader: any bytes must load without a fault, and
// whatever loads must keep every reference inside the design and write back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "model/refs.h"
#include "model/xie.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes = PatternBytes(data, size);
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
