// The vectoriser of scan input (TVector): contours of the paper regions of a two-colour scan,
// or the centre lines of the lines drawn on it, simplified, cut at their corners and grouped
// by the outlines that hold them.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "devices/bmp.h"
#include "geom/types.h"
#include "model/settings.h"

namespace rz {

// 扫描方式.
enum class ScanMethod : int { Outline = 0, SingleLine = 1, DoubleLine = 2 };

constexpr uint8_t kTagSmall = 1;
constexpr uint8_t kTagLarge = 2;

struct ScanPolyline {
    Polyline pts;
    uint8_t tag = kTagLarge;  // small: fewer pixels than 有效部位
    bool closed = false;      // a whole contour, its first point repeated at the end
    bool hole = false;        // the contour runs round a hole in the paper
    int contour = -1;         // the contour it came from
};

struct ScanGroup {
    Polyline outline;                  // the outline pieces joined
    std::vector<ScanPolyline> pieces;  // the outline pieces
    std::vector<ScanPolyline> inner;   // what lies inside
};

struct ScanResult {
    std::vector<ScanGroup> groups;
    std::vector<ScanPolyline> loose;  // drawn lines outside every group (single-line method)
    int contours = 0;                 // contours and lines traced
    int dropped = 0;                  // of them: too few pixels, or small and outside every group
    float pixelX = 0.0f, pixelY = 0.0f;
};

// A round hole taken for a pin.
struct PinShape {
    PointF centre;
    float diameter = 0.0f;
};
// The pin test: the bounding box's centre and the mean of its sides (a pixel less for a hole,
// whose contour runs on the paper round it); at most 极大针径, no point farther than 1.5 mm from
// the centre nor 0.5 mm off the circle.
std::optional<PinShape> PinTest(const ScanPolyline& p, const ScanSettings& s, float pixel);

// Pixel size in model units along x and y: the calibrated factor over the file's density, or
// over the 分辨率 setting when the file gives none.
PointF ScanPixelSize(const ScanImage& img, const ScanSettings& s);

// Corner cutting of a simplified polyline (steps of the outline method): segments of at least
// 最小线段 count; where consecutive counted segments turn by more than 最小转角 the polyline is
// cut at the corner point (the crossing of their lines below 极端转角, else the middle of their
// ends); shorter stretches between counted segments that turn less are smoothed. Closed input
// has its first point repeated at the end; pieces share their corner points exactly.
std::vector<Polyline> CutAtCorners(const Polyline& pts, bool closed, const ScanSettings& s, bool* cut = nullptr);

class TVector {
public:
    using Stage = std::function<void(const char* text)>;
    explicit TVector(const ScanSettings& s) : s_(s) {}
    // Vectorises `img`, whose lower bits serve as work space. `singleLines`: the single-line
    // passes follow the outline passes and their lines replace the inner contours.
    ScanResult Run(ScanImage& img, bool singleLines, const Stage& stage = {});

private:
    const ScanSettings& s_;
};

}  // namespace rz
