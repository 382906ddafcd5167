// libFuzzer target for the USM3 reader: any bytes read without a fault into finite points, and
// never more polylines than the file has lines.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/usm3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rz::Usm3ReadResult r = rz::ReadUsm3(std::string_view(reinterpret_cast<const char*>(data), size));
    if (r.polylines.size() > size) __builtin_trap();
    for (const rz::Polyline& pl : r.polylines)
        for (rz::PointF p : pl)
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) __builtin_trap();
    return 0;
}
