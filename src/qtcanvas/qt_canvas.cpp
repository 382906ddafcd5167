#include "qtcanvas/qt_canvas.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPoint>
#include <QPolygon>
#include <QTransform>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "interact/scene.h"

namespace rz {

static_assert(sizeof(PixelPoint) == sizeof(QPoint), "pixel points are passed to Qt as they are");

QColor ToQColor(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

QtCanvas::QtCanvas(QImage& image, PixelPoint origin)
    : image_(image), origin_(origin), clip_(image.rect()), p_(&image) {
    direct_ = image.depth() == 32;
    if (direct_) {
        bits_ = image.bits();
        stride_ = image.bytesPerLine();
    }
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.translate(-origin.x, -origin.y);
    p_.setBrush(Qt::NoBrush);
}

QtCanvas::~QtCanvas() { p_.end(); }

void QtCanvas::clipTo(const PixelRect& r) {
    clip_ = QRect(r.left - origin_.x, r.top - origin_.y, r.width(), r.height()).intersected(image_.rect());
    p_.setClipRect(QRect(r.left, r.top, r.width(), r.height()));
}

void QtCanvas::setColour(uint32_t c) {
    QColor q = ToQColor(c);
    if (q != colour_) {
        colour_ = q;
        argb_ = q.rgb();
        penDirty_ = true;
    }
}

namespace {

// Liang–Barsky in doubles: the ends of a segment inside [x0, x1] × [y0, y1].
bool ClipToBox(double& ax, double& ay, double& bx, double& by, double x0, double y0, double x1, double y1) {
    double dx = bx - ax, dy = by - ay, t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - x0, x1 - ax, ay - y0, y1 - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            if (t > t0) t0 = t;
        } else {
            if (t < t0) return false;
            if (t < t1) t1 = t;
        }
    }
    double nax = ax + t0 * dx, nay = ay + t0 * dy;
    bx = ax + t1 * dx;
    by = ay + t1 * dy;
    ax = nax;
    ay = nay;
    return true;
}

}  // namespace

bool QtCanvas::rasterSegment(PixelPoint a, PixelPoint b) {
    if (clip_.isEmpty()) return true;
    int x0 = a.x - origin_.x, y0 = a.y - origin_.y, x1 = b.x - origin_.x, y1 = b.y - origin_.y;
    // A two-pixel line is the one-pixel line plus its neighbour across the main direction.
    const bool thick = width_ == 2;
    const bool steep = std::abs(y1 - y0) > std::abs(x1 - x0);
    const int sx = thick && steep ? 1 : 0, sy = thick && !steep ? 1 : 0;
    const int left = clip_.left(), top = clip_.top(), right = clip_.right() - sx, bottom = clip_.bottom() - sy;
    auto in = [&](int x, int y) { return x >= left && x <= right && y >= top && y <= bottom; };
    if (!in(x0, y0) || !in(x1, y1)) {
        double ax = x0, ay = y0, bx = x1, by = y1;
        if (!ClipToBox(ax, ay, bx, by, left, top, right, bottom)) return true;
        x0 = int(std::lround(ax)), y0 = int(std::lround(ay)), x1 = int(std::lround(bx)), y1 = int(std::lround(by));
    }
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
    uchar* const bits = bits_;
    const qsizetype stride = stride_;
    int err = dx + dy;
    for (;;) {
        uint32_t* px = reinterpret_cast<uint32_t*>(bits + y0 * stride) + x0;
        *px = argb_;
        if (thick) *reinterpret_cast<uint32_t*>(bits + (y0 + sy) * stride + (x0 + sx) * 4) = argb_;
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += stepY;
        }
    }
    return true;
}

void QtCanvas::setWidth(int px) {
    px = px > 1 ? px : 1;
    if (px != width_) {
        width_ = px;
        penDirty_ = true;
    }
}

void QtCanvas::setDash(int on, int off) {
    if (on != on_ || off != off_) {
        on_ = on;
        off_ = off;
        penDirty_ = true;
    }
}

void QtCanvas::applyPen() {
    if (!penDirty_) return;
    // One-pixel lines use the cosmetic pen, by far the fastest path of the raster engine.
    QPen pen(colour_, width_ > 1 ? width_ : 0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (on_ > 0 && off_ > 0) {
        qreal unit = width_ > 1 ? width_ : 1;
        pen.setDashPattern({qreal(on_) / unit, qreal(off_) / unit});
        pen.setCapStyle(Qt::FlatCap);
    }
    p_.setPen(pen);
    p_.setBrush(Qt::NoBrush);
    penDirty_ = false;
}

void QtCanvas::polyline(const PixelPoint* pts, std::size_t n) {
    if (n == 0) return;
    if (direct_ && width_ <= 2 && !(on_ > 0 && off_ > 0)) {
        if (n == 1) rasterSegment(pts[0], pts[0]);
        for (std::size_t i = 0; i + 1 < n; ++i) rasterSegment(pts[i], pts[i + 1]);
        return;
    }
    applyPen();
    if (n == 2 && pts[0] == pts[1]) {
        p_.drawPoint(pts[0].x, pts[0].y);
        return;
    }
    p_.drawPolyline(reinterpret_cast<const QPoint*>(pts), int(n));
}

void QtCanvas::fillPolygon(const PixelPoint* pts, std::size_t n, FillStyle style) {
    if (n < 3) return;
    p_.setPen(Qt::NoPen);
    if (style == FillStyle::BackHatch) {
        p_.setBackgroundMode(Qt::TransparentMode);
        p_.setBrush(QBrush(colour_, Qt::BDiagPattern));
    } else {
        p_.setBrush(colour_);
    }
    p_.drawPolygon(reinterpret_cast<const QPoint*>(pts), int(n));
    p_.setBrush(Qt::NoBrush);
    penDirty_ = true;
}

void QtCanvas::image(const Picture& pic, const std::array<PointF, 4>& q) {
    if (!pic.valid()) return;
    // The pixels are shared with the document; QImage only looks at them.
    QImage img(reinterpret_cast<const uchar*>(pic.argb.data()), pic.width, pic.height,
               qsizetype(pic.width) * 4, QImage::Format_ARGB32);
    QPolygonF from, to;
    // Lower-left, lower-right, upper-right, upper-left of the picture's own rows from the top.
    from << QPointF(0, pic.height) << QPointF(pic.width, pic.height) << QPointF(pic.width, 0) << QPointF(0, 0);
    for (const PointF& p : q) to << QPointF(p.x, p.y);
    QTransform t;
    if (!QTransform::quadToQuad(from, to, t)) return;
    p_.save();
    p_.setTransform(t, true);
    p_.drawImage(QPointF(0, 0), img);
    p_.restore();
    penDirty_ = true;
}

void QtCanvas::fillRect(const PixelRect& r) {
    p_.fillRect(QRect(r.left, r.top, r.width(), r.height()), colour_);
}

void QtCanvas::text(PixelPoint at, std::string_view utf8, std::optional<uint32_t> bg) {
    if (!QGuiApplication::instance()) return;
    QString s = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    QFontMetrics fm(p_.font());
    if (bg) p_.fillRect(QRect(at.x, at.y, fm.horizontalAdvance(s), fm.height()), ToQColor(*bg));
    p_.setPen(colour_);
    p_.drawText(at.x, at.y + fm.ascent(), s);
    penDirty_ = true;
}

int QtCanvas::textHeight() const {
    if (!QGuiApplication::instance()) return 16;
    return QFontMetrics(p_.font()).height();
}

void BackBuffer::make(const View& v) {
    int bw = std::max(v.bufferWidth(), 1), bh = std::max(v.bufferHeight(), 1);
    if (back_.width() != bw || back_.height() != bh) back_ = QImage(bw, bh, QImage::Format_RGB32);
    int w = std::max(v.W, 1), h = std::max(v.H, 1);
    if (compose_.width() != w || compose_.height() != h) compose_ = QImage(w, h, QImage::Format_RGB32);
    W_ = v.W;
    H_ = v.H;
    mx_ = v.mx;
    my_ = v.my;
}

void BackBuffer::present(QPainter& target) const {
    target.drawImage(QPoint(0, 0), back_, QRect(mx_, my_, W_, H_));
}

void BackBuffer::panFrame(QPainter& target, PixelPoint d, uint32_t background) const {
    QRect src(mx_ + d.x, my_ + d.y, W_, H_);
    QRect inside = src.intersected(back_.rect());
    if (inside != src) target.fillRect(QRect(0, 0, W_, H_), ToQColor(background));
    if (!inside.isEmpty())
        target.drawImage(QPoint(inside.left() - src.left(), inside.top() - src.top()), back_, inside);
}

QImage& BackBuffer::beginOverlay() {
    // Row copies: the tile is a contiguous run of each buffer row.
    for (int y = 0; y < H_; ++y)
        std::memcpy(compose_.scanLine(y), back_.constScanLine(my_ + y) + size_t(mx_) * 4, size_t(W_) * 4);
    return compose_;
}

void PaintFront(BackBuffer& bb, const TDoc& doc, const View& v, const SceneHooks* hooks) {
    bb.make(v);
    QtCanvas c(bb.image());
    c.clipTo(v.draw);
    RedrawFront(doc, v, c, hooks);
}

}  // namespace rz
