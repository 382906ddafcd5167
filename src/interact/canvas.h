// The drawing seam: the scene builder emits these calls in drawing order, in back-buffer
// pixels. The window paints them with QPainter, tests record them, `render` writes PNG or SVG.
#pragma once

#include <cstddef>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interact/view.h"
#include "model/records.h"

namespace rz {

enum class FillStyle { Solid, BackHatch };

class Canvas {
public:
    virtual ~Canvas() = default;
    // 0x00BBGGRR.
    virtual void setColour(uint32_t colour) = 0;
    // Pen width in pixels; 0 and 1 both mean one pixel.
    virtual void setWidth(int px) = 0;
    // Dash pattern in pixels; (0, 0) draws solid lines.
    virtual void setDash(int on, int off) = 0;
    virtual void polyline(const PixelPoint* pts, std::size_t n) = 0;
    // Fills a polygon in the current colour (a hatch leaves the background transparent).
    virtual void fillPolygon(const PixelPoint* pts, std::size_t n, FillStyle style) = 0;
    // Text with its top-left corner at `at`, optionally on an opaque background.
    virtual void text(PixelPoint at, std::string_view utf8, std::optional<uint32_t> background) = 0;
    virtual int textHeight() const { return 16; }
    // A picture mapped onto the quadrilateral of its lower-left, lower-right, upper-right and
    // upper-left corners (buffer pixels, fractions kept). Canvases without pixels skip it.
    virtual void image(const Picture& pic, const std::array<PointF, 4>& corners) { (void)pic, (void)corners; }

    virtual void fillRect(const PixelRect& r);
    void line(PixelPoint a, PixelPoint b) {
        PixelPoint p[2] = {a, b};
        polyline(p, 2);
    }
};

// Records every call with the pen state at that moment.
class RecordingCanvas : public Canvas {
public:
    enum class Op { Polyline, Fill, Text, Image };
    struct Call {
        Op op;
        uint32_t colour;
        int width;
        int dashOn, dashOff;
        std::vector<PixelPoint> pts;
        std::string text;
        FillStyle fill = FillStyle::Solid;
    };
    std::vector<Call> calls;

    void setColour(uint32_t c) override { colour_ = c; }
    void setWidth(int px) override { width_ = px; }
    void setDash(int on, int off) override { on_ = on, off_ = off; }
    void polyline(const PixelPoint* p, std::size_t n) override {
        calls.push_back({Op::Polyline, colour_, width_, on_, off_, {p, p + n}, {}});
    }
    void fillPolygon(const PixelPoint* p, std::size_t n, FillStyle s) override {
        calls.push_back({Op::Fill, colour_, width_, on_, off_, {p, p + n}, {}, s});
    }
    void text(PixelPoint at, std::string_view t, std::optional<uint32_t>) override {
        calls.push_back({Op::Text, colour_, width_, on_, off_, {at}, std::string(t)});
    }
    // An image is recorded with its corners rounded to pixels and its size as the text.
    void image(const Picture& pic, const std::array<PointF, 4>& q) override {
        std::vector<PixelPoint> pts;
        for (PointF p : q) pts.push_back({RoundPx(p.x), RoundPx(p.y)});
        calls.push_back({Op::Image, colour_, width_, on_, off_, std::move(pts),
                         std::to_string(pic.width) + "x" + std::to_string(pic.height)});
    }

private:
    uint32_t colour_ = 0;
    int width_ = 1, on_ = 0, off_ = 0;
};

// Writes the calls as an SVG document of the given pixel size; pixels are shifted by -origin
// so that a buffer region can become the picture.
class SvgCanvas : public Canvas {
public:
    SvgCanvas(int width, int height, PixelPoint origin = {});
    void setColour(uint32_t c) override { colour_ = c; }
    void setWidth(int px) override { width_ = px; }
    void setDash(int on, int off) override { on_ = on, off_ = off; }
    void polyline(const PixelPoint* p, std::size_t n) override;
    void fillPolygon(const PixelPoint* p, std::size_t n, FillStyle s) override;
    void text(PixelPoint at, std::string_view t, std::optional<uint32_t> bg) override;
    // The whole document.
    std::string finish() const;

private:
    void points(const PixelPoint* p, std::size_t n);
    int w_, h_;
    PixelPoint origin_;
    uint32_t colour_ = 0;
    int width_ = 1, on_ = 0, off_ = 0;
    bool hatchDefined_ = false;
    std::string body_;
};

// "#RRGGBB" of a 0x00BBGGRR colour.
std::string CssColour(uint32_t c);

}  // namespace rz
