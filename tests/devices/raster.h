// Scans drawn by the tests: paper shapes on a dark ground (or ink on paper), pixel by pixel, so
// that what the vectoriser finds can be checked against the shapes that were drawn.
#pragma once

#include <cmath>
#include <utility>
#include <vector>

#include "devices/bmp.h"
#include "devices/vectorise.h"

namespace rz::test {

struct Raster {
    ScanImage img;
    Raster(int w, int h, bool paper = false) {
        img.allocate(w, h);
        if (paper) rect(0, 0, w - 1, h - 1, true);
    }
    // Pixels (c, r), row 0 at the bottom, inclusive.
    void rect(int c0, int r0, int c1, int r1, bool paper) {
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) put(c, r, paper);
    }
    // Pixels whose centre lies within `radius` of (cx, cy).
    void disc(double cx, double cy, double radius, bool paper) {
        for (int r = int(cy - radius) - 1; r <= int(cy + radius) + 1; ++r)
            for (int c = int(cx - radius) - 1; c <= int(cx + radius) + 1; ++c)
                if (std::hypot(c - cx, r - cy) <= radius) put(c, r, paper);
    }
    // Pixels whose centre lies inside the polygon (even-odd).
    void polygon(const std::vector<std::pair<double, double>>& p, bool paper) {
        double lo = 1e9, hi = -1e9;
        for (auto& q : p) lo = std::min(lo, q.second), hi = std::max(hi, q.second);
        for (int r = int(lo) - 1; r <= int(hi) + 1; ++r) {
            for (int c = 0; c < img.width; ++c) {
                bool in = false;
                for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
                    auto [xi, yi] = p[i];
                    auto [xj, yj] = p[j];
                    if ((yi > r) != (yj > r) && c < (xj - xi) * (r - yi) / (yj - yi) + xi) in = !in;
                }
                if (in) put(c, r, paper);
            }
        }
    }
    // A stroke of the given width along a segment.
    void stroke(double c0, double r0, double c1, double r1, double width, bool paper) {
        double len2 = (c1 - c0) * (c1 - c0) + (r1 - r0) * (r1 - r0);
        int cl = int(std::min(c0, c1) - width) - 1, ch = int(std::max(c0, c1) + width) + 1;
        int rl = int(std::min(r0, r1) - width) - 1, rh = int(std::max(r0, r1) + width) + 1;
        for (int r = rl; r <= rh; ++r)
            for (int c = cl; c <= ch; ++c) {
                double t = len2 > 0 ? ((c - c0) * (c1 - c0) + (r - r0) * (r1 - r0)) / len2 : 0;
                t = std::clamp(t, 0.0, 1.0);
                if (std::hypot(c - (c0 + t * (c1 - c0)), r - (r0 + t * (r1 - r0))) <= width / 2) put(c, r, paper);
            }
    }
    void put(int c, int r, bool paper) {
        if (c >= 0 && r >= 0 && c < img.width && r < img.height) img.set(c, r, paper);
    }
};

// Where the vectoriser puts the centre of pixel (c, r) without calibration: rows along x,
// columns down y from the top, so that the picture is turned, never mirrored.
inline PointF PixelCentre(int c, int r, int width, float px, float py) {
    return {float(r) * py, float(width - 1 - c) * px};
}

}  // namespace rz::test
