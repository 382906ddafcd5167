#include "material/preview_draw.h"

namespace rz {

void DrawNestCopies(const NestShapes& s, const std::vector<NestCopy>& copies, PointF origin, const View& v, Canvas& c) {
    std::vector<PixelPoint> shape[2], px;
    const PixelPoint o = v.toWindow({0, 0});
    for (int t = 0; t < 2; ++t)
        for (PointF q : t ? s.turned : s.upright) {
            const PixelPoint w = v.toWindow(q);
            shape[t].push_back({w.x - o.x, w.y - o.y});
        }
    for (const NestCopy& k : copies) {
        const PixelPoint at = v.toWindow({k.at.x + origin.x, k.at.y + origin.y});
        const std::vector<PixelPoint>& sh = shape[k.turned ? 1 : 0];
        px.resize(sh.size());
        for (size_t i = 0; i < sh.size(); ++i) px[i] = {sh[i].x + at.x, sh[i].y + at.y};
        c.polyline(px.data(), px.size());
    }
}

}  // namespace rz
