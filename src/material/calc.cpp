#include "material/calc.h"

#include <algorithm>
#include <cmath>

#include "geom/polyline.h"
#include "geom/transform.h"
#include "interact/scene.h"
#include "model/font.h"
#include "model/gbk.h"
#include "output/job_stream.h"

namespace rz {

int PieceOutlineIndex(const ItemList& items, int32_t pieceId) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].pieceId == pieceId && items[i].kind() == kItemOutline) return int(i);
    return -1;
}

std::vector<int32_t> OutlinePieces(const ItemList& items) {
    std::vector<int32_t> ids;
    for (const PlotItem& it : items)
        if (it.kind() == kItemOutline && !(it.flags & (kItemSetAside | kItemResult)) &&
            std::find(ids.begin(), ids.end(), it.pieceId) == ids.end())
            ids.push_back(it.pieceId);
    return ids;
}

std::optional<NestEditStart> StartNest(const PlotItem& outline, int mode, float angle, float W, float H,
                                       float safetyDistance) {
    NestEditStart s;
    s.rec.flags = outline.flags & 0xF000u;
    s.rec.setMode(mode);
    s.rec.pieceId = -1;
    s.rec.W = W, s.rec.H = H;
    s.rec.margin = safetyDistance / 2;
    s.shapes = PrepareNestShapes(outline.points, angle);
    if (!s.shapes.ok() || !BuildLattice(s.shapes, s.rec, true, s.lattice)) return std::nullopt;
    return s;
}

void AcceptNest(ItemList& items, std::vector<MaterialRecord>& records, int32_t pieceId, MaterialFields rec,
                float angle) {
    const int oi = PieceOutlineIndex(items, pieceId);
    if (angle != 0.0f && oi >= 0 && !items[size_t(oi)].points.empty()) {
        const Polyline& o = items[size_t(oi)].points;
        float x0 = o[0].x, x1 = o[0].x, y0 = o[0].y, y1 = o[0].y;
        for (PointF p : o) x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        const PointF centre{(x0 + x1) / 2, (y0 + y1) / 2};
        const Rotation rot = SetRotation(angle);
        for (PlotItem& it : items)
            if (it.pieceId == pieceId) RotatePoints(rot, centre, it.points);
    }
    rec.pieceId = pieceId;
    if (MaterialRecord* old = FindMaterial(records, pieceId)) {
        rec.link = DecodeMaterial(*old).link;
        *old = EncodeMaterial(rec);
    } else {
        rec.link = 0;
        records.push_back(EncodeMaterial(rec));
    }
}

MaterialCalc CalculateMaterial(const ItemList& items, MaterialRecord& record) {
    MaterialFields f = DecodeMaterial(record);
    MaterialCalc c;
    c.pieceId = f.pieceId;
    c.rec = f;
    const int oi = PieceOutlineIndex(items, f.pieceId);
    if (oi < 0) return c.refused = "the piece has no outline", c;
    const PlotItem& o = items[size_t(oi)];
    c.area = PolyArea(o.points);
    c.perPair = o.pieceCount();
    if (!(c.area > 0)) return c.refused = "the outline is not closed", c;
    if (!(f.W > 0) || !(f.H > 0) || !std::isfinite(f.W) || !std::isfinite(f.H))
        return c.refused = "the record has no sheet size", c;
    c.shapes = PrepareNestShapes(o.points, 0.0f);
    Lattice l;
    if (!BuildLattice(c.shapes, f, false, l)) return c.refused = "the record's handles give no lattice", c;
    c.cellUtilisation = l.cellUtilisation, c.cellArea = l.cellArea;
    if (!LayoutSheet(c.shapes, f, f.W, f.H, c.kept)) return c.refused = "the lattice does not fit a layout", c;
    c.placed = PlacedArea(c.shapes, c.kept, f.W, f.H, c.area);
    c.fig = FiguresOf(c.placed, c.area, f.W, f.H, c.perPair);
    f.usage = float(c.fig.usagePerPiece);
    record = EncodeMaterial(f);
    c.rec = f;
    return c;
}

std::string ResultLine(const MaterialCalc& c) {
    return "规格:" + FormatFixed(c.rec.W / 100000.0, 2) + "x" + FormatFixed(c.rec.H / 100000.0, 2) +
           "(平米);片数:" + FormatFixed(c.fig.perSheet, 6) + "  利用率:" + FormatFixed(c.fig.utilisation, 6) +
           "%  片数/双:" + std::to_string(c.perPair) + "   用量/双:" + FormatFixed(c.fig.usagePerPair, 6);
}

std::string ResultMessage(float W, float H, double usagePerPair) {
    return "规格：" + FormatFixed(W / 100000.0, 2) + " x " + FormatFixed(H / 100000.0, 2) + "(平米)\n每双总用量：" +
           FormatFixed(usagePerPair, 6);
}

std::optional<MaterialTotal> TotalUsage(const ItemList& items, const std::vector<MaterialRecord>& records) {
    MaterialTotal t;
    for (int32_t id : OutlinePieces(items)) {
        const MaterialRecord* r = FindMaterial(records, id);
        if (!r) return std::nullopt;
        const MaterialFields f = DecodeMaterial(*r);
        const double usage = std::isfinite(f.usage) ? f.usage : 0.0;
        t.usagePerPair += items[size_t(PieceOutlineIndex(items, id))].pieceCount() * usage;
        t.W = f.W, t.H = f.H;
    }
    return t;
}

PlotItem ResultItem(Polyline pts, int32_t pieceId, int kind, int pen) {
    PlotItem it;
    it.points = std::move(pts);
    it.pieceId = pieceId;
    it.flags = kItemResult;
    it.setKind(kind);
    it.setTool(kToolPen);
    it.setPen(pen);
    return it;
}

void WriteMaterialResult(ItemList& items, int& nextPieceId, const MaterialCalc& c, int pen, TFont* font) {
    std::erase_if(items, [](const PlotItem& it) { return (it.flags & kItemResult) != 0; });
    const int32_t id = nextPieceId++;
    const float W = c.rec.W, H = c.rec.H;
    auto add = [&](Polyline pts, int kind) { items.push_back(ResultItem(std::move(pts), id, kind, pen)); };
    add({{0, 0}, {W, 0}, {W, H}, {0, H}, {0, 0}}, kItemOutline);
    for (const NestCopy& k : c.kept) add(CopyPoints(c.shapes, k), kItemInner);
    if (font) {
        FontCell cell(*font, W / 60, W / 60);
        TextLayout t = font->layoutText(Utf8ToGbk(ResultLine(c)));
        moveStrokes(t.strokes, 0, H + c.shapes.h);
        for (Polyline& s : t.strokes)
            if (!s.empty()) add(std::move(s), kItemLabel);
    }
}

}  // namespace rz
