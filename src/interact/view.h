// The view transform of the screen shown: model units (0.01 mm, y up) to pixels (y down),
// the zoom commands and the two mouse drags of the view.
#pragma once

#include <cstdint>
#include <optional>

#include "geom/types.h"

namespace rz {

struct PixelPoint {
    int x = 0, y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Half-open pixel rectangle: left/top inclusive, right/bottom exclusive.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Rounds half away from zero, clamped to a range that pixel arithmetic can add to safely
// (far-off points become far-off pixels that the drawing layer clips). Inline: every point of
// every redraw passes through it.
inline int RoundPx(double v) {
    constexpr double kLimit = 1.0e9;
    if (!(v > -kLimit)) return v != v ? 0 : -1000000000;  // NaN, or far below
    if (v > kLimit) return 1000000000;
    return v < 0.0 ? -int(-v + 0.5) : int(v + 0.5);
}

constexpr double kZoomMax = 100.0;
constexpr double kZoomMin = 0.05;
constexpr float kZoomIn = 1.5f;
constexpr float kZoomOut = 0.6666667f;
// Above this zoom factor polylines are clipped per segment before they become pixels.
constexpr double kClipZoom = 40.0;
// Margin of the back buffer around the window tile on each side, at most this many pixels.
// A pan shows already-drawn pixels up to this far; beyond it the uncovered strip shows the
// background until the release redraws.
constexpr int kMaxBufferMargin = 512;

// Width and height of a work range in model units.
struct WorkRange {
    float w = 0.0f, h = 0.0f;
    bool valid() const { return w > 0.0f && h > 0.0f; }
    friend bool operator==(const WorkRange&, const WorkRange&) = default;
};

// Scale and origin put aside while the digitizer shows the whole work range.
struct HeldView {
    float s = 0.0f;
    int ox = 0, oy = 0;
    bool held = false;
};

enum class ZoomAnchor { Cursor, Centre, Corner };

class View {
public:
    // Client size; the back buffer is the client plus a margin on every side.
    int W = 0, H = 0;
    int mx = 0, my = 0;
    int maxMargin = kMaxBufferMargin;
    float s0 = 1.0f;   // base scale: the work range just fits
    float s = 1.0f;    // current scale
    int ox = 0, oy = 0;  // window pixel of the model origin
    WorkRange range;
    PixelRect draw;    // buffer rectangle a redraw paints
    RectF visible;     // model rectangle under the draw rectangle
    HeldView heldView;

    // Takes the client size and the work range and puts the view at the base scale with the
    // model origin at the window's bottom-left corner. A zero-sized client (minimised, not yet
    // shown) keeps the previous scale so that nothing is divided by zero; an invalid range is
    // not applied.
    // maxMargin bounds the buffer margin (0 for a buffer that is just the window, as when
    // rendering a picture).
    void make(int width, int height, WorkRange r, int maxMargin = kMaxBufferMargin);
    // A new client size: the zoom factor and the model point at the bottom-left corner stay.
    void resize(int width, int height);
    // New work range: base scale recomputed and the view reset; false when not applied.
    bool setWorkRange(WorkRange r);
    // s = s0, origin (0, H).
    void resetToBase();
    bool atBase() const { return s == s0 && ox == 0 && oy == H; }

    int bx() const { return ox + mx; }
    int by() const { return oy + my; }
    int bufferWidth() const { return W + 2 * mx; }
    int bufferHeight() const { return H + 2 * my; }
    PixelRect fullBuffer() const { return {0, 0, bufferWidth(), bufferHeight()}; }
    PixelRect centreTile() const { return {mx, my, mx + W, my + H}; }
    double zoom() const { return s0 > 0.0f ? double(s) / double(s0) : 1.0; }
    bool hasArea() const { return W > 0 && H > 0; }

    // Buffer pixel of a model point.
    PixelPoint toPixel(PointF p) const {
        return {bx() + RoundPx(double(p.x) * s), by() - RoundPx(double(p.y) * s)};
    }
    // Window pixel of a model point.
    PixelPoint toWindow(PointF p) const {
        PixelPoint b = toPixel(p);
        return {b.x - mx, b.y - my};
    }
    // Model point of a window pixel.
    PointF toModel(double px, double py) const;
    // Recomputes the visible rectangle from the draw rectangle, scale and origin.
    void refreshVisible();

    // ZoomBy: false (nothing changed) when the new zoom factor would leave [0.05, 100].
    // With the centre anchor, *movePointer receives the window centre the pointer goes to.
    bool zoomBy(float factor, ZoomAnchor anchor, PixelPoint pointer,
                PixelPoint* movePointer = nullptr);
    // Fits a model box with a 10 mm margin around it, within the zoom limits; false for an
    // empty or degenerate box or a window without area.
    bool fitBox(const RectF& box);
    // Digitizer mode: put the view aside and show the whole range; true when it had to move.
    bool holdView();
    // Puts the held view back; true when there was one.
    bool releaseView();
};

// The mouse-drag pan. Until the release only pixels move: the window shows the buffer
// rectangle at (mx + dx, my + dy).
class PanDrag {
public:
    void press(PixelPoint p) { press_ = p; d_ = {}; begun_ = false; }
    // Returns the offset to show once the drag has begun (2 pixels on either axis).
    std::optional<PixelPoint> move(PixelPoint p);
    // Ends the drag; moves the origin by the offset when it had begun. True when it moved.
    bool release(View& v);
    bool begun() const { return begun_; }
    PixelPoint offset() const { return d_; }

private:
    PixelPoint press_, d_;
    bool begun_ = false;
};

// The mouse-drag zoom about the window centre: right or down enlarges.
class ZoomDrag {
public:
    void press(View& v, PixelPoint p);
    // True when the scale changed; the caller then repaints the centre tile.
    bool move(View& v, PixelPoint p);
    // Restores the full draw rectangle; the caller then redraws the whole buffer.
    void release(View& v);
    bool active() const { return active_; }

private:
    PixelPoint press_;
    float s1_ = 0.0f;
    PointF centre_;
    bool active_ = false;
};

}  // namespace rz
