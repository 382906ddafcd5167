#include "qtcanvas/strip_image.h"

#include <QFont>
#include <QPainter>

#include "qtcanvas/qt_canvas.h"

namespace rz {

namespace {

void XorFill(QPainter& p, const QRect& r, const QColor& c) {
    if (r.width() > 0 && r.height() > 0) p.fillRect(r, c);
}

}  // namespace

void PaintStrip(QImage& image, const Strip& s) {
    std::vector<XorRect> marks;
    {
        QtCanvas c(image);
        QFont f = c.painter().font();
        f.setPixelSize(16);  // the panel's 16-pixel font
        c.painter().setFont(f);
        marks = DrawStrip(c, s);
    }
    QPainter p(&image);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (const XorRect& m : marks) {
        const QColor pen = ToQColor(m.pen);
        const QRect r(m.rect.left, m.rect.top, m.rect.width(), m.rect.height());
        if (m.frame <= 0) {
            XorFill(p, r, pen);
            continue;
        }
        // Four bands that do not overlap: a corner inverted twice would come back.
        const int t = std::min(m.frame, std::min(r.width(), r.height()) / 2);
        XorFill(p, QRect(r.left(), r.top(), r.width(), t), pen);
        XorFill(p, QRect(r.left(), r.bottom() - t + 1, r.width(), t), pen);
        XorFill(p, QRect(r.left(), r.top() + t, t, r.height() - 2 * t), pen);
        XorFill(p, QRect(r.right() - t + 1, r.top() + t, t, r.height() - 2 * t), pen);
    }
}

QImage StripImage(const Strip& s) {
    QImage img(std::max(1, s.width), std::max(1, s.height), QImage::Format_RGB32);
    img.fill(Qt::black);
    PaintStrip(img, s);
    return img;
}

QImage DragImage(const QImage& strip, const Strip& s, int slot) {
    const int col = slot - s.page() * kPieceColumns;
    const PixelRect r = s.slotRect(std::clamp(col, 0, kPieceColumns - 1));
    const int side = DragImageSide(s);
    return strip.copy(r.left, r.top, r.width(), r.height())
        .scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace rz
