#include "interact/strip.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "geom/primitives.h"
#include "interact/colours.h"
#include "interact/events.h"
#include "interact/scene.h"

namespace rz {

namespace {

constexpr uint32_t kCurrentPen = 0x7F2000;  // current cell and current slot, exclusive-or
constexpr uint32_t kMarkPen = 0x44A002;     // a piece marked for piece output
constexpr uint32_t kLineColour = 0x008000;  // a cell's lines
constexpr uint32_t kOtherColour = 0xB8B8B8; // everything else in a cell
constexpr uint32_t kPanelText = 0xFFFFFF;

// A view that puts model point `from` on pixel (x0, y0) at scale s (y up).
View MapView(PointF from, int x0, int y0, float s) {
    View v;
    v.s0 = v.s = s;
    v.ox = x0 - RoundPx(double(from.x) * s);
    v.oy = y0 + RoundPx(double(from.y) * s);
    return v;
}

}  // namespace

const std::array<PiecePopupItem, 9>& PiecePopupItems() {
    static const std::array<PiecePopupItem, 9> items = {{
        {34193, "特性"},
        {34194, "默认颜色"},
        {34195, "生成部位"},
        {34196, "复制"},
        {34197, "内部刷新"},
        {34198, "删除此分片"},
        {34199, "共模说明"},
        {34056, "选号输出"},
        {34041, "全号输出"},
    }};
    return items;
}

// ---------------------------------------------------------------- geometry

PixelRect Strip::cellRect(int i) const {
    const int cs = motifSize();
    const int col = i % kMotifColumns, row = i / kMotifColumns;
    return {col * cs, row * cs, col * cs + cs, row * cs + cs};
}

PixelRect Strip::slotRect(int column) const {
    const int h = pieceSize();
    return {column * h, 0, column * h + h, h};
}

PixelRect Strip::panelRect() const { return {std::max(0, width - 94), 0, width, height}; }

Piece* Strip::pieceInSlot(int s) const {
    for (auto& pc : doc.design.pieces)
        if (int(pc->slot) == s) return pc.get();
    return nullptr;
}

int Strip::highestSlot() const {
    int hi = -1;
    for (auto& pc : doc.design.pieces) hi = std::max(hi, int(pc->slot));
    return hi;
}

int Strip::sheet() const {
    const int s = currentSheet ? currentSheet() : 0;
    return s == 1 ? 1 : 0;
}

int Strip::quarter() const {
    const uint32_t v = doc.settings.sheets[size_t(sheet())].words[55];
    return v <= 4 ? int(v) : 0;
}

void Strip::stepQuarter(int delta) {
    doc.settings.sheets[size_t(sheet())].words[55] = uint32_t(((quarter() + delta) % 5 + 5) % 5);
}

StripHit Strip::hit(int x, int y) const {
    StripHit h;
    if (!usable() || x < 0 || y < 0 || x >= width || y >= height) return h;
    const int W = width, half = height / 2;
    if (view == StripView::Motif) {
        float step = 0.0f;
        if (x >= W - 66 && x <= W - 39) step = 100.0f;
        else if (x >= W - 36 && x <= W - 24) step = 10.0f;
        if (step > 0.0f) {
            if (y >= half - 15 && y <= half + 1) return {StripRegion::UseWidth, cell(), -1, step};
            if (y >= half + 10 && y <= half + 26) return {StripRegion::UseHeight, cell(), -1, step};
        }
    }
    if (x > W - 20 && y < 20) return {StripRegion::Quarter};
    if (x > W - 20 && y >= height - 20) return {StripRegion::ViewToggle};
    if (view == StripView::Motif) {
        // The grid is 20 cells of h/2: with an odd h it ends a pixel short of 10·h.
        const int cs = motifSize();
        if (x < kMotifColumns * cs) {
            const int row = std::min(1, 2 * y / height);
            return {StripRegion::Cell, row * kMotifColumns + x / cs};
        }
        return h;
    }
    const int ps = pieceSize();
    if (x < kPieceColumns * ps) {
        const int col = x / ps;
        const int s = page() * kPieceColumns + col;
        if (x >= (col + 1) * ps - 10 && y < 10) return {StripRegion::PieceCorner, -1, s};
        return {StripRegion::Slot, -1, s};
    }
    return h;
}

// ---------------------------------------------------------------- selection

bool Strip::selectCell(int i) {
    i = std::clamp(i, 0, kCellCount - 1);
    if (i == doc.library.currentCell) return false;
    doc.library.currentCell = i;
    return true;
}

bool Strip::selectSlot(int s) {
    s = std::clamp(s, 0, kSlotCount - 1);
    if (s == doc.currentSlot) return false;
    doc.currentSlot = s;
    return true;
}

void Strip::afterLoad(int page) {
    doc.currentSlot = 0;
    followPage(page);
}

bool Strip::wheel(int notches) {
    bool changed = false;
    for (int n = std::abs(notches); n > 0; --n) {
        const bool forward = notches > 0;
        if (view == StripView::Motif) {
            changed = selectCell(cell() + (forward ? -1 : 1)) || changed;
            continue;
        }
        if (forward) {
            changed = selectSlot(slot() - 1) || changed;
            continue;
        }
        // Backward stays within the page that holds the highest used slot; from the highest
        // used slot at the end of its page it goes one further, never past the last slot.
        const int hi = std::max(highestSlot(), 0);
        const int lastOfPage = hi / kPieceColumns * kPieceColumns + kPieceColumns - 1;
        const int s = slot();
        if (s < lastOfPage || (s == hi && s % kPieceColumns == kPieceColumns - 1))
            changed = selectSlot(s + 1) || changed;
    }
    return changed;
}

bool Strip::arrow(int dx, int dy) {
    const bool motif = view == StripView::Motif;
    const int n = motif ? kMotifColumns : kPieceColumns;
    const int m = motif ? kCellCount : kSlotCount;
    const int cur = motif ? cell() : slot();
    int next = cur;
    if (dx != 0) {
        const int row = cur / n, col = cur % n;
        next = row * n + ((col + dx) % n + n) % n;
    } else if (dy != 0) {
        next = cur + dy * n;
        if (next < 0 || next >= m) return false;
    }
    return motif ? selectCell(next) : selectSlot(next);
}

// ---------------------------------------------------------------- presses

void Strip::commit() { doc.PushUndo(); }

StripPress Strip::press(int x, int y, bool right, uint32_t mods) {
    const StripHit h = hit(x, y);
    StripPress r;
    switch (h.region) {
    case StripRegion::None: return r;
    case StripRegion::UseWidth:
    case StripRegion::UseHeight: {
        MotifCell& c = doc.library.current();
        if (AdjustUseSize(c, h.region == StripRegion::UseWidth, right ? -h.step : h.step))
            doc.platform.tone(kToneBack);
        r.action = StripAction::Changed;
        return r;
    }
    case StripRegion::Quarter:
        stepQuarter(right ? -1 : 1);
        r.action = StripAction::Changed;
        return r;
    case StripRegion::ViewToggle:
        if (right) return r;
        toggleView();
        r.action = StripAction::Changed;
        return r;
    case StripRegion::Cell:
        selectCell(h.cell);
        r.cell = h.cell;
        r.action = right ? StripAction::MotifPopup : StripAction::Changed;
        return r;
    case StripRegion::Slot:
    case StripRegion::PieceCorner: break;
    }
    selectSlot(h.slot);
    r.slot = h.slot;
    r.action = StripAction::Changed;
    Piece* pc = pieceInSlot(h.slot);
    if (!pc) return r;
    if (right) {
        r.action = StripAction::PiecePopup;
        return r;
    }
    if (h.region == StripRegion::PieceCorner) {
        if (mods & kMkAlt) {
            for (auto& q : doc.design.pieces) q->flags &= ~kPieceMarkedForOutput;
            pc->flags |= kPieceMarkedForOutput;
        } else if (mods & kMkShift) {
            for (auto& q : doc.design.pieces) q->flags |= kPieceMarkedForOutput;
            pc->flags &= ~kPieceMarkedForOutput;
        } else {
            pc->flags ^= kPieceMarkedForOutput;
        }
        commit();
        r.action = StripAction::MarksChanged;
        return r;
    }
    r.action = (mods & kMkShift) ? StripAction::Flash : StripAction::BeginDrag;
    return r;
}

StripPress Strip::doubleClick(int x, int y) {
    StripPress r;
    const StripHit h = hit(x, y);
    if (h.region != StripRegion::Slot && h.region != StripRegion::PieceCorner) return r;
    r.slot = h.slot;
    if (pieceInSlot(h.slot)) {
        r.action = StripAction::ColourPicker;
        return r;
    }
    if (closeGaps()) r.action = StripAction::Changed;
    return r;
}

bool Strip::drop(int from, int x, int y) {
    const StripHit h = hit(x, y);
    if (h.region != StripRegion::Slot && h.region != StripRegion::PieceCorner) return false;
    const int t = h.slot;
    Piece* moving = pieceInSlot(from);
    if (!moving || t == from) return false;
    if (pieceInSlot(t)) {
        for (auto& pc : doc.design.pieces) {
            if (pc.get() == moving) continue;
            const int s = pc->slot;
            if (t > from && s > from && s <= t) pc->slot = uint8_t(s - 1);
            else if (t < from && s >= t && s < from) pc->slot = uint8_t(s + 1);
        }
    }
    moving->slot = uint8_t(t);
    doc.currentSlot = t;
    commit();
    return true;
}

bool Strip::closeGaps() {
    auto& pieces = doc.design.pieces;
    std::vector<size_t> order(pieces.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return pieces[a]->slot < pieces[b]->slot; });
    bool changed = false;
    for (size_t rank = 0; rank < order.size(); ++rank) {
        const uint8_t s = uint8_t(std::min<size_t>(rank, 255));
        if (pieces[order[rank]]->slot != s) {
            pieces[order[rank]]->slot = s;
            changed = true;
        }
    }
    if (changed) commit();
    return changed;
}

bool Strip::setPieceColour(int s, uint32_t colour) {
    Piece* pc = pieceInSlot(s);
    if (!pc || pc->words[1] == colour) return false;
    pc->words[1] = colour;
    commit();
    return true;
}

int DragImageSide(const Strip& s) { return std::max(1, (s.height - 2) / 3); }

std::string PanelSize(float units) {
    // A decimal point whatever the locale of the process.
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, double(units) / 100.0, std::chars_format::fixed, 1);
    std::string s(buf, r.ptr);
    if (s.size() < 5) s.insert(0, 5 - s.size(), ' ');
    return s;
}

// ---------------------------------------------------------------- drawing

namespace {

void Frame(Canvas& c, const PixelRect& r) {
    PixelPoint pts[5] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1},
                         {r.left, r.bottom - 1}, {r.left, r.top}};
    c.polyline(pts, 5);
}

// The "#" of the size-label cell: two slanted and two horizontal strokes in the middle third of
// the cell, in the proportions of the use size.
void DrawSizeSign(Canvas& c, const PixelRect& cell, const MotifCell& mc) {
    const int third = std::max(3, cell.width() / 3);
    float w = float(third), h = float(third);
    if (mc.useW > 0.0f && mc.useH > 0.0f) {
        if (mc.useW >= mc.useH) h = w * mc.useH / mc.useW;
        else w = h * mc.useW / mc.useH;
    }
    const float cx = cell.left + cell.width() / 2.0f, cy = cell.top + cell.height() / 2.0f;
    const float x0 = cx - w / 2, x1 = cx + w / 2, y0 = cy - h / 2, y1 = cy + h / 2;
    auto px = [](float x, float y) { return PixelPoint{int(std::lround(x)), int(std::lround(y))}; };
    c.setColour(kOtherColour);
    c.line(px(x0, y0 + h / 3), px(x1, y0 + h / 3));
    c.line(px(x0, y0 + 2 * h / 3), px(x1, y0 + 2 * h / 3));
    c.line(px(x0 + w * 0.25f, y1), px(x0 + w * 0.45f, y0));
    c.line(px(x0 + w * 0.55f, y1), px(x0 + w * 0.75f, y0));
}

void DrawMotifCell(Canvas& c, const PixelRect& r, const MotifCell& mc, int index) {
    // The interior: one pixel in from the grid line on each side.
    const int iw = r.width() - 2, ih = r.height() - 2;
    if (iw < 1 || ih < 1) return;
    if (index == kEllipseCell) {
        float w = float(iw), h = float(ih);
        if (mc.useW > 0.0f && mc.useH > 0.0f) {
            if (mc.useW >= mc.useH) h = w * mc.useH / mc.useW;
            else w = h * mc.useW / mc.useH;
        }
        // Made a hundred times larger and drawn at 1/100: the curve gets its points for the
        // size of a pattern, not of a few pixels.
        Polyline e = EllipsePoints(std::max(w, 1.0f) * 100.0f, std::max(h, 1.0f) * 100.0f);
        View v = MapView({0.0f, 0.0f}, r.left + 1 + iw / 2, r.top + 1 + ih / 2, 0.01f);
        SceneBuilder b(v, c);
        c.setColour(kOtherColour);
        b.drawPolyline(e);
        return;
    }
    if (index == kSizeLabelCell) {
        DrawSizeSign(c, r, mc);
        return;
    }
    if (!(mc.contentW > 0.0f) || !(mc.contentH > 0.0f) || !std::isfinite(mc.contentW) ||
        !std::isfinite(mc.contentH))
        return;
    const float s = std::min(float(iw - 1) / mc.contentW, float(ih - 1) / mc.contentH);
    View v = MapView({mc.contentX, mc.contentY}, r.left + 1, r.bottom - 2, s);
    SceneBuilder b(v, c);
    const bool hasLines = !mc.linesA.empty() || !mc.linesB.empty();
    if (hasLines) {
        c.setColour(kLineColour);
        for (const List<Line>* l : {&mc.linesA, &mc.linesB})
            for (auto& ln : *l) b.drawPolyline(ln->eval);
        c.setColour(kOtherColour);
        for (auto& p : mc.pins) b.drawPolyline(p->outline);
        for (auto& m : mc.motifs) b.drawShape(m->shape);
        for (auto& t : mc.texts) b.drawShape(t->strokes);
        return;
    }
    c.setColour(kOtherColour);
    if (!mc.pins.empty()) {
        // A pin cell: the pin symbol, a circle with its centre cross, filling the cell.
        const int d = std::min(iw, ih) - 2;
        Polyline circle = EllipsePoints(float(std::max(d, 2)) * 100.0f, float(std::max(d, 2)) * 100.0f);
        const int cx = r.left + 1 + iw / 2, cy = r.top + 1 + ih / 2;
        View cv = MapView({0.0f, 0.0f}, cx, cy, 0.01f);
        SceneBuilder(cv, c).drawPolyline(circle);
        const int arm = std::max(1, d / 6);
        c.line({cx - arm, cy}, {cx + arm + 1, cy});
        c.line({cx, cy - arm}, {cx, cy + arm + 1});
        return;
    }
    if (!mc.motifs.empty()) {
        b.drawShape(mc.motifs.front()->shape);
        return;
    }
    for (auto& t : mc.texts) b.drawShape(t->strokes);
}

void DrawPieceThumbnail(Canvas& c, const PixelRect& r, const Design& d, const Settings& st, const Piece& pc) {
    const int iw = r.width() - 2, ih = r.height() - 2;
    const RectF& box = pc.bbox;
    const float bw = box.maxX - box.minX, bh = box.maxY - box.minY;
    if (iw < 2 || ih < 2 || !(bw > 0.0f || bh > 0.0f) || !std::isfinite(bw) || !std::isfinite(bh)) return;
    // A little margin so that the outline does not touch the grid.
    const float s = std::min(bw > 0.0f ? float(iw - 3) / bw : 1e9f, bh > 0.0f ? float(ih - 3) / bh : 1e9f);
    const int x0 = r.left + 1 + (iw - int(bw * s)) / 2, y0 = r.bottom - 2 - (ih - int(bh * s)) / 2;
    View v = MapView({box.minX, box.minY}, x0, y0, s);
    SceneBuilder(v, c).pieceThumbnail(st, d, pc);
}

}  // namespace

std::vector<XorRect> DrawStrip(Canvas& c, const Strip& s) {
    std::vector<XorRect> marks;
    if (!s.usable()) return marks;
    const Settings& st = s.doc.settings;
    const int W = s.width, H = s.height, half = H / 2;
    c.setDash(0, 0);
    c.setWidth(1);
    c.setColour(st.colours[kColMotifBackground]);
    c.fillRect({0, 0, W, H});
    const uint32_t grid = st.colours[kColMotifGrid];
    c.setColour(grid);
    Frame(c, {0, 0, W, H});
    float panelW = 0.0f, panelH = 0.0f;
    int number = 0;
    if (s.view == StripView::Motif) {
        const int cs = s.motifSize();
        if (cs > 0) {
            for (int k = 1; k <= kMotifColumns; ++k) c.line({k * cs, 0}, {k * cs, H});
            c.line({0, cs}, {kMotifColumns * cs, cs});
            for (int i = 0; i < kCellCount; ++i) {
                const PixelRect r = s.cellRect(i);
                c.setColour(st.colours[kColWorkBackground]);
                c.fillRect({r.left + 1, r.top + 1, r.right, r.bottom});
                DrawMotifCell(c, r, s.doc.library.cells[size_t(i)], i);
            }
            const PixelRect cur = s.cellRect(s.cell());
            marks.push_back({{cur.left + 1, cur.top + 1, cur.right, cur.bottom}, kCurrentPen, 0});
        }
        const MotifCell& mc = s.doc.library.current();
        panelW = mc.useW;
        panelH = mc.useH;
        number = s.cell() + 1;
    } else {
        const int ps = s.pieceSize();
        for (int k = 1; k <= kPieceColumns; ++k) c.line({k * ps, 0}, {k * ps, H});
        const int first = s.page() * kPieceColumns;
        for (auto& pc : s.doc.design.pieces) {
            const int col = int(pc->slot) - first;
            if (col < 0 || col >= kPieceColumns) continue;
            const PixelRect r = s.slotRect(col);
            c.setColour(st.colours[kColWorkBackground]);
            c.fillRect({r.left + 1, r.top + 1, r.right, r.bottom - 1});
            DrawPieceThumbnail(c, r, s.doc.design, st, *pc);
            if (pc->flags & kPieceMarkedForOutput) marks.push_back({{r.right - 9, 2, r.right - 1, 10}, kMarkPen, 0});
        }
        const PixelRect cur = s.slotRect(s.slot() - first);
        marks.push_back({{cur.left + 2, cur.top + 2, cur.right - 2, cur.bottom - 2}, kCurrentPen, 3});
        if (const Piece* pc = s.pieceInSlot(s.slot())) {
            panelW = pc->bbox.maxX - pc->bbox.minX;
            panelH = pc->bbox.maxY - pc->bbox.minY;
        }
        number = s.slot() + 1;
        char count[16];
        std::snprintf(count, sizeof count, "%-2d", int(s.doc.design.pieces.size()));
        c.setColour(kPanelText);
        c.text({W - 96, 3}, count, std::nullopt);
    }
    c.setColour(kPanelText);
    c.text({W - 86, half - 15}, "宽", std::nullopt);
    c.text({W - 86, half + 6}, "高", std::nullopt);
    c.text({W - 66, half - 15}, PanelSize(panelW), std::nullopt);
    c.text({W - 66, half + 6}, PanelSize(panelH), std::nullopt);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2d", number);
    c.text({W - 22, H - 20}, buf, std::nullopt);
    c.text({W - 18, 25}, s.sheet() == 0 ? "Ⅰ" : "Ⅱ", std::nullopt);
    std::snprintf(buf, sizeof buf, "%1d", s.quarter());
    c.text({W - 14, 3}, buf, std::nullopt);
    return marks;
}

}  // namespace rz
