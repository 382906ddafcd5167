#include "qtcanvas/qt_canvas.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPoint>
#include <QPolygon>
#include <cstring>

#include "interact/scene.h"

namespace rz {

static_assert(sizeof(PixelPoint) == sizeof(QPoint), "pixel points are passed to Qt as they are");

QColor ToQColor(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

QtCanvas::QtCanvas(QImage& image, PixelPoint origin) : p_(&image) {
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.translate(-origin.x, -origin.y);
    p_.setBrush(Qt::NoBrush);
}

QtCanvas::~QtCanvas() { p_.end(); }

void QtCanvas::setColour(uint32_t c) {
    QColor q = ToQColor(c);
    if (q != colour_) {
        colour_ = q;
        penDirty_ = true;
    }
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
    c.painter().setClipRect(QRect(v.draw.left, v.draw.top, v.draw.width(), v.draw.height()));
    RedrawFront(doc, v, c, hooks);
}

}  // namespace rz
