// libFuzzer target for the DXF reader: any bytes read without a fault, every polyline is finite
// and short enough for a pattern file, and what is read writes back and reads again alike.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/dxf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rz::DxfReadOptions opt;
    // The first byte chooses the unit and the dashes, so that those paths are reached too.
    if (size > 0) {
        opt.unitScale = rz::ImportUnitScale(data[0] & 3);
        opt.dashLong = (data[0] & 4) ? 0.0 : 0.5;
        opt.dashShort = (data[0] & 8) ? -1.0 : 0.25;
    }
    rz::DxfReadResult r = rz::ReadDxf(std::string_view(reinterpret_cast<const char*>(data), size), opt);
    std::vector<rz::DxfItem> items;
    for (const rz::Polyline& pl : r.polylines) {
        if (pl.empty() || pl.size() > rz::kMaxShapePoints) __builtin_trap();
        for (rz::PointF p : pl)
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) __builtin_trap();
        items.push_back({&pl, false});
    }
    rz::DxfReadResult again = rz::ReadDxf(rz::WriteDxf(items, rz::DxfLayout::Polylines), {});
    if (again.truncated || again.polylines.size() != r.polylines.size()) __builtin_trap();
    return 0;
}
