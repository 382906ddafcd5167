// The scene builder: turns the document into the ordered drawing calls of a redraw of the
// back buffer (the draw rectangle of the live view), for the front screen or an output sheet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "interact/canvas.h"
#include "interact/view.h"
#include "model/doc.h"

namespace rz {

// Sheet settings flags used by the back screen.
constexpr uint32_t kSheetRuler = 1u << 7;    // 标尺
constexpr uint32_t kSheetBorder = 1u << 12;  // 边框
// Plot item flags used by the back screen.
constexpr uint32_t kItemPicked = 1u << 31;
constexpr uint32_t kItemChosen = 1u << 30;
constexpr uint32_t kItemSetAside = 1u << 29;
constexpr uint32_t kItemResult = 1u << 18;

// What the back screen draws of an output sheet.
struct SheetDisplay {
    WorkRange range;
    uint32_t flags = 0;
    PointF ruler;
    Polyline border;
    struct Item {
        uint32_t flags = 0;
        uint32_t tool = 0;
        const Polyline* points = nullptr;
    };
    std::vector<Item> items;
};

// Tool drawing that takes part in a redraw; the tool modes fill these in (both optional).
struct SceneHooks {
    // The point-operation tool with a step in progress: it draws its picked lines itself and the
    // redraw skips the design. Returns false when no such step is in progress.
    std::function<bool(Canvas&)> pointOperation;
    // The snap marker, drawn last when it is shown.
    std::function<void(Canvas&)> snapMarker;
};

class SceneBuilder {
public:
    SceneBuilder(const View& v, Canvas& c) : v_(v), c_(c) {}

    // Redraw of the front screen.
    void front(const TDoc& doc, const SceneHooks* hooks = nullptr);
    // Redraw of an output sheet on the back screen.
    void back(const SheetDisplay& sheet, const Settings& s);

    // DrawPolyline: clipped per segment above a zoom factor of 40, else one call with duplicate
    // pixels merged. (dx, dy) moves the points first (motif shapes are relative).
    void drawPolyline(const PointF* pts, std::size_t n, float dx = 0.0f, float dy = 0.0f);
    void drawPolyline(const Polyline& pl, float dx = 0.0f, float dy = 0.0f) {
        drawPolyline(pl.data(), pl.size(), dx, dy);
    }
    void drawShape(const Shape& sh, float dx = 0.0f, float dy = 0.0f) {
        for (auto& pl : sh) drawPolyline(pl, dx, dy);
    }
    // The grid of the visible rectangle (display bit 0).
    void grid(float unit);
    // One piece alone, as the piece area shows it in its slot (the view maps the piece's box
    // into the slot).
    void pieceThumbnail(const Settings& s, const Design& d, const Piece& pc);

private:
    struct Ctx;
    void part(const Ctx& x, const Part& p);
    void piece(const Ctx& x, const Piece& p);
    void line(const Ctx& x, const Part& p, const Line& l, bool dim);
    void pin(const Ctx& x, const Pin& p, bool dim);
    void motif(const Ctx& x, const Motif& m, bool dim);
    void plus(PointF at, int arm);
    void pen(uint32_t colour, int width = 1);
    void flush();

    const View& v_;
    Canvas& c_;
    std::vector<PixelPoint> run_;
};

// Convenience: the whole redraw for the screen shown.
void RedrawFront(const TDoc& doc, const View& v, Canvas& c, const SceneHooks* hooks = nullptr);
void RedrawBack(const SheetDisplay& sheet, const Settings& s, const View& v, Canvas& c);

// 满屏 on the back screen: the bounding box of the sheet's plot items; false when there are
// none (the view stays).
bool FitSheetView(const SheetDisplay& sheet, View& v);

// True for a base point whose shared-note array exists and whose bytes all agree in their low
// seven bits (a fixed base point).
bool IsFixedBasePoint(const BasePoint& b);

}  // namespace rz
