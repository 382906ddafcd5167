#include "output/job_stream.h"

#include <charconv>
#include <cstring>

namespace rz {

namespace {

// Plotter units are 0.025 mm: sheet units divided by 2.5.
double PlotterUnits(float v) { return double(v) / 2.5; }

void Put(std::vector<uint8_t>& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t(v >> 8));
}

void PutF32(std::vector<uint8_t>& out, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(u >> (8 * i)));
}

std::string XY(PointF p) { return FormatFixed5(PlotterUnits(p.x)) + "," + FormatFixed5(PlotterUnits(p.y)); }

}  // namespace

std::string FormatFixed(double v, int decimals) {
    if (v != v || v > 1e300 || v < -1e300) v = 0.0;  // a machine never gets "nan" or "inf"
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return "0";
    return std::string(buf, r.ptr);
}

std::optional<PointF> FinalHeadPosition(int code, float W, float H) {
    switch (code) {
    case 0: return PointF{W, 0.0f};
    case 1: return PointF{0.0f, 500.0f};
    case 2: return PointF{W, H};
    case 3: return PointF{0.0f, H / 2.0f};
    case 4: return PointF{W / 2.0f, H / 2.0f};
    case 5: return std::nullopt;
    default: return PointF{W, H};
    }
}

std::vector<uint8_t> BuildJobStream(const ItemList& items, int finalPosition, float W, float H,
                                    std::vector<StreamEntry>* entries) {
    std::vector<uint8_t> out;
    size_t total = 0;
    for (const PlotItem& it : items)
        if (it.flags & kItemChosen) total += it.points.size() * 8 + 4;
    out.reserve(total + 64);
    out.push_back(0x03);
    Put(out, "INZZ");
    std::vector<uint8_t> pens;
    for (const PlotItem& it : items) {
        if (!(it.flags & kItemChosen) || it.points.empty()) continue;
        const size_t n = it.points.size();
        size_t from = 0;
        do {
            size_t len = std::min(n - from, kMaxStreamPoints);
            PutU16(out, uint16_t(len));
            for (size_t i = from; i < from + len; ++i) {
                PutF32(out, it.points[i].x);
                PutF32(out, it.points[i].y);
            }
            pens.push_back(uint8_t(it.pen()));
            if (entries) entries->push_back({it.pieceId, it.kind(), it.tool(), it.pen(), len});
            // The next chunk starts again at this chunk's last point, so the cut stays joined.
            from += len;
            if (from < n) from -= 1;
        } while (from < n);
    }
    PutU16(out, 0);
    out.insert(out.end(), pens.begin(), pens.end());
    if (auto p = FinalHeadPosition(finalPosition, W, H)) Put(out, "PU" + XY(*p) + "ZE");
    else Put(out, "ZE");
    return out;
}

std::vector<uint8_t> BuildMoveStream(PointF to) {
    std::vector<uint8_t> out{0x03};
    Put(out, "INPU" + XY(to) + "ZE");
    return out;
}

std::vector<uint8_t> BuildTestPage(float W, float H) {
    std::vector<uint8_t> out{0x03};
    Put(out, "INPAPU" + XY({0, 0}) + "PD" + XY({W, 0}) + "," + XY({W, H}) + "," + XY({0, H}) + "," +
                 XY({0, 0}) + "PU;ZE");
    return out;
}

}  // namespace rz
