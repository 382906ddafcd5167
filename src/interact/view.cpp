#include "interact/view.h"

#include <algorithm>
#include <cmath>

namespace rz {

namespace {

float BaseScale(int W, int H, WorkRange r) {
    // The work range just fits: the tighter of the two axes decides.
    if (double(r.h) * W > double(r.w) * H) return float(double(H) / r.h);
    return float(double(W) / r.w);
}

bool InLimits(double zoom) { return zoom <= kZoomMax && zoom >= kZoomMin; }

}  // namespace

void View::make(int width, int height, WorkRange r, int maxMarginPx) {
    if (r.valid()) range = r;
    maxMargin = std::max(maxMarginPx, 0);
    W = std::max(width, 0);
    H = std::max(height, 0);
    mx = std::min(W, maxMargin);
    my = std::min(H, maxMargin);
    draw = fullBuffer();
    if (hasArea() && range.valid()) {
        s0 = BaseScale(W, H, range);
        resetToBase();
    } else {
        if (!(s0 > 0.0f)) s0 = 1.0f;
        if (!(s > 0.0f)) s = s0;
        refreshVisible();
    }
}

void View::resize(int width, int height) {
    if (!hasArea() || !range.valid()) {
        make(width, height, range, maxMargin);
        return;
    }
    double z = zoom();
    PointF corner = toModel(0, H);
    W = std::max(width, 0);
    H = std::max(height, 0);
    mx = std::min(W, maxMargin);
    my = std::min(H, maxMargin);
    draw = fullBuffer();
    if (hasArea()) {
        s0 = BaseScale(W, H, range);
        s = float(s0 * z);
        ox = -RoundPx(double(s) * corner.x);
        oy = H + RoundPx(double(s) * corner.y);
    }
    refreshVisible();
}

bool View::setWorkRange(WorkRange r) {
    if (!r.valid()) return false;
    range = r;
    if (hasArea()) s0 = BaseScale(W, H, range);
    resetToBase();
    return true;
}

void View::resetToBase() {
    s = s0;
    ox = 0;
    oy = H;
    refreshVisible();
}

PointF View::toModel(double px, double py) const {
    if (!(s > 0.0f)) return {};
    return {float((px - ox) / s), float((oy - py) / s)};
}

void View::refreshVisible() {
    if (!(s > 0.0f)) return;
    visible.minX = float(double(draw.left - bx()) / s);
    visible.maxX = float(double(draw.right - bx()) / s);
    visible.minY = float(double(by() - draw.bottom) / s);
    visible.maxY = float(double(by() - draw.top) / s);
}

bool View::zoomBy(float factor, ZoomAnchor anchor, PixelPoint pointer, PixelPoint* movePointer) {
    if (!hasArea() || !(s0 > 0.0f) || !(factor > 0.0f)) return false;
    float s2 = factor * s;
    if (!InLimits(double(s2) / s0)) return false;
    switch (anchor) {
    case ZoomAnchor::Cursor: {
        PointF m = toModel(pointer.x, pointer.y);
        ox = pointer.x - RoundPx(double(s2) * m.x);
        oy = pointer.y + RoundPx(double(s2) * m.y);
        break;
    }
    case ZoomAnchor::Centre: {
        PointF m = toModel(pointer.x, pointer.y);
        PixelPoint c{W / 2, H / 2};
        ox = c.x - RoundPx(double(s2) * m.x);
        oy = c.y + RoundPx(double(s2) * m.y);
        if (movePointer) *movePointer = c;
        break;
    }
    case ZoomAnchor::Corner:
        ox = 0;
        oy = H;
        break;
    }
    s = s2;
    refreshVisible();
    return true;
}

bool View::fitBox(const RectF& b) {
    if (!hasArea() || !range.valid() || !(s0 > 0.0f)) return false;
    double ex = double(b.maxX) - b.minX, ey = double(b.maxY) - b.minY;
    if (!std::isfinite(ex) || !std::isfinite(ey) || ex < 0.0 || ey < 0.0 || (ex == 0.0 && ey == 0.0))
        return false;
    double k = std::min(double(range.h) / (ey + 1000.0), double(range.w) / (ex + 1000.0));
    // A tiny box would otherwise zoom beyond what the zoom commands allow (and back out of it
    // only by 恢复).
    k = std::clamp(k, kZoomMin, kZoomMax);
    s = float(s0 * k);
    double cx = W * 0.5, cy = H * 0.5;
    ox = RoundPx(cx - double(s) * (double(b.minX) + b.maxX) / 2.0);
    oy = RoundPx(cy + double(s) * (double(b.minY) + b.maxY) / 2.0);
    refreshVisible();
    return true;
}

bool View::holdView() {
    heldView = {s, ox, oy, true};
    if (s == s0 && ox == 0 && oy == H) return false;
    resetToBase();
    return true;
}

bool View::releaseView() {
    if (!heldView.held) return false;
    s = heldView.s;
    ox = heldView.ox;
    oy = heldView.oy;
    heldView.held = false;
    refreshVisible();
    return true;
}

std::optional<PixelPoint> PanDrag::move(PixelPoint p) {
    d_ = {press_.x - p.x, press_.y - p.y};
    if (!begun_ && (std::abs(d_.x) >= 2 || std::abs(d_.y) >= 2)) begun_ = true;
    if (!begun_) return std::nullopt;
    return d_;
}

bool PanDrag::release(View& v) {
    bool moved = begun_;
    if (begun_) {
        v.ox -= d_.x;
        v.oy -= d_.y;
        v.refreshVisible();
    }
    begun_ = false;
    d_ = {};
    return moved;
}

void ZoomDrag::press(View& v, PixelPoint p) {
    press_ = p;
    s1_ = v.s;
    centre_ = v.toModel(v.W / 2, v.H / 2);
    v.draw = v.centreTile();
    v.refreshVisible();
    active_ = true;
}

bool ZoomDrag::move(View& v, PixelPoint p) {
    if (!active_ || !(v.s0 > 0.0f)) return false;
    // In floating point: a whole-number quotient would only ever step by whole factors.
    double d = double(p.x + p.y) - double(press_.x + press_.y);
    double s2 = (d / 200.0 + 1.0) * s1_;
    if (!InLimits(s2 / v.s0)) return false;
    v.s = float(s2);
    v.ox = v.W / 2 - RoundPx(s2 * centre_.x);
    v.oy = v.H / 2 + RoundPx(s2 * centre_.y);
    v.refreshVisible();
    return true;
}

void ZoomDrag::release(View& v) {
    v.draw = v.fullBuffer();
    v.refreshVisible();
    active_ = false;
}

}  // namespace rz
