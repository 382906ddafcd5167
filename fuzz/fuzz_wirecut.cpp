// libFuzzer target for the wire-cut reader: any bytes read without a fault, and the lines read
// write back as records that read again to as many lines.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/wirecut.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rz::WireReadResult r = rz::ReadWireCut(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<rz::WireRecord> recs;
    for (const rz::WireLine& l : r.lines) {
        if (l.nodes.size() != (l.method == 4 ? 2u : 3u)) __builtin_trap();
        for (rz::PointF p : l.nodes)
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) __builtin_trap();
        rz::WireRecord w;
        w.start = l.nodes.front();
        w.end = l.nodes.back();
        recs.push_back(w);
    }
    if (rz::ReadWireCut(rz::FormatWireCut(recs)).lines.size() != recs.size()) __builtin_trap();
    return 0;
}
