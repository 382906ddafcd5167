// The canvas seam painted with QPainter into a QImage, and the back buffer of the drawing
// window: the whole drawing (window plus a bounded margin), the window-sized compose image for
// tool feedback, the pan frame and the copies to the window.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPen>

#include "interact/canvas.h"
#include "interact/view.h"

namespace rz {

QColor ToQColor(uint32_t bgr);

class QtCanvas : public Canvas {
public:
    // Buffer pixel (x, y) lands on image pixel (x − origin.x, y − origin.y). The image must be
    // Format_RGB32 or Format_ARGB32(_Premultiplied).
    explicit QtCanvas(QImage& image, PixelPoint origin = {});
    // Limits drawing to a rectangle of buffer pixels (the draw rectangle of a redraw).
    void clipTo(const PixelRect& r);
    ~QtCanvas() override;
    void setColour(uint32_t c) override;
    void setWidth(int px) override;
    void setDash(int on, int off) override;
    void polyline(const PixelPoint* pts, std::size_t n) override;
    void fillPolygon(const PixelPoint* pts, std::size_t n, FillStyle style) override;
    void fillRect(const PixelRect& r) override;
    // Needs a QGuiApplication for its fonts; without one no text is drawn.
    void text(PixelPoint at, std::string_view utf8, std::optional<uint32_t> background) override;
    int textHeight() const override;
    // The picture's pixels are mapped onto the quadrilateral by a projective transform.
    void image(const Picture& pic, const std::array<PointF, 4>& corners) override;
    QPainter& painter() { return p_; }

private:
    void applyPen();
    // One- and two-pixel solid lines are rasterised straight into the image: the bulk of every
    // redraw, and several times faster than the general stroker.
    bool rasterSegment(PixelPoint a, PixelPoint b);
    QImage& image_;
    PixelPoint origin_;
    QRect clip_;  // image pixels
    uint32_t argb_ = 0xFF000000u;
    bool direct_ = false;  // 32-bit pixels that can be written in place
    uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
    QPainter p_;
    QColor colour_;
    int width_ = 1, on_ = 0, off_ = 0;
    bool penDirty_ = true;
};

// The drawing surfaces of the window. The back buffer is the window tile with a margin of at
// most kMaxBufferMargin pixels on every side (the view decides it): a pan shows drawn pixels
// up to that far and the background beyond, until the release redraws. At 4K this is about
// 62 MB instead of the 300 MB of three windows in each direction.
class BackBuffer {
public:
    // (Re)allocates for the view's client size; keeps the images when the size is the same.
    void make(const View& v);
    QImage& image() { return back_; }
    const QImage& image() const { return back_; }
    // Copies the window tile of the back buffer into a window-sized target at (0, 0).
    void present(QPainter& target) const;
    // One pan frame: the window shows the buffer rectangle at (mx + dx, my + dy); what lies
    // beyond the buffer is the background colour.
    void panFrame(QPainter& target, PixelPoint offset, uint32_t background) const;
    // BeginOverlay: the compose image becomes a copy of the window tile; a tool draws its
    // feedback into it (window pixels) and the window then shows it (EndOverlay).
    QImage& beginOverlay();
    QImage& compose() { return compose_; }

private:
    QImage back_, compose_;
    int W_ = 0, H_ = 0, mx_ = 0, my_ = 0;
};

// Redraws the view's draw rectangle of the back buffer from the front screen.
class TDoc;
struct SceneHooks;
void PaintFront(BackBuffer& bb, const TDoc& doc, const View& v, const SceneHooks* hooks = nullptr);

}  // namespace rz
