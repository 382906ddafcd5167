// libFuzzer target for the HPGL reader: any bytes read without a fault into finite strokes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/hpgl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rz::HpglReadResult r = rz::ReadHpgl(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const rz::Polyline& pl : r.polylines) {
        if (pl.size() < 2) __builtin_trap();
        for (rz::PointF p : pl)
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) __builtin_trap();
    }
    return 0;
}
