#include "material/report.h"

#include <algorithm>
#include <cmath>

#include "geom/polyline.h"
#include "interact/scene.h"
#include "material/calc.h"
#include "model/font.h"
#include "model/gbk.h"
#include "model/settings.h"
#include "model/units.h"
#include "output/job_stream.h"
#include "output/material_record.h"

namespace rz {
namespace {

constexpr float kPageW = 10000, kPageH = 7600, kPageStep = 10200, kRowH = 720;
constexpr float kTextSize = 300, kTextRaise = 50;

// "%7.2f": two decimals, padded to seven characters.
std::string Padded(double v) {
    std::string s = FormatFixed(v, 2);
    if (s.size() < 7) s.insert(0, 7 - s.size(), ' ');
    return s;
}

RectF Box(const Polyline& p) {
    RectF r{p[0].x, p[0].y, p[0].x, p[0].y};
    for (PointF q : p) r.minX = std::min(r.minX, q.x), r.maxX = std::max(r.maxX, q.x), r.minY = std::min(r.minY, q.y), r.maxY = std::max(r.maxY, q.y);
    return r;
}

}  // namespace

void MaterialReport(PLTC& sheet, TFont* font) {
    const std::vector<int32_t> ids = OutlinePieces(sheet.items);
    const int pen = PenSlot(sheet.settings(), kToolPen);
    int32_t pageId = 0;
    float left = -kPageStep;
    ItemList out;
    auto add = [&](Polyline pts, int kind) { out.push_back(ResultItem(std::move(pts), pageId, kind, pen)); };
    auto text = [&](const std::string& t, float x, float y) {
        if (!font) return;
        FontCell cell(*font, kTextSize, kTextSize);
        TextLayout l = font->layoutText(Utf8ToGbk(t));
        moveStrokes(l.strokes, left + x, y + kTextRaise);
        for (Polyline& s : l.strokes)
            if (!s.empty()) add(std::move(s), kItemLabel);
    };
    auto newPage = [&] {
        left += kPageStep;
        pageId = sheet.nextPieceId++;
        add({{left, 0}, {left + kPageW, 0}, {left + kPageW, kPageH}, {left, kPageH}, {left, 0}}, kItemOutline);
        for (int k = 1; k <= 10; ++k) add({{left, k * kRowH}, {left + kPageW, k * kRowH}}, kItemInner);
        text("序号 分片图形 片数  材料  成本  单位            用量", 200, 10 * kRowH + 40);
    };
    double total = 0;
    const size_t rows = ids.size() + 1;
    for (size_t i = 0; i < rows; ++i) {
        if (i % 10 == 0) newPage();
        const float y = 6480 - float(i % 10) * kRowH + 40;
        if (i == ids.size()) {
            text("合计", 200, y);
            text(FormatFixed(total, 6), 8200, y);
            break;
        }
        const PlotItem& o = sheet.items[size_t(PieceOutlineIndex(sheet.items, ids[i]))];
        if (o.points.size() >= 2) {
            const RectF b = Box(o.points);
            const double bw = b.maxX - b.minX, bh = b.maxY - b.minY;
            const double k = std::min(bw > 0 ? 1000 / bw : 1e9, bh > 0 ? 640 / bh : 1e9);
            Polyline p = o.points;
            for (PointF& q : p) q = {float(left + 800 + (q.x - b.minX) * k), float(y + (q.y - b.minY) * k)};
            add(std::move(p), kItemInner);
        }
        text(std::to_string(i + 1), 200, y + 80);
        if (const MaterialRecord* r = FindMaterial(sheet.material, ids[i])) {
            const MaterialFields f = DecodeMaterial(*r);
            const double usage = o.pieceCount() * (std::isfinite(f.usage) ? f.usage : 0.0);
            total += usage;
            text(std::to_string(o.pieceCount()), 2600, y);
            text(FormatFixed(f.W / 100000.0, 2) + "x" + FormatFixed(f.H / 100000.0, 2) + "平米", 5400, y);
            text(FormatFixed(usage, 6), 8200, y);
        }
    }
    for (PlotItem& it : out) sheet.items.push_back(std::move(it));
}

std::string PieceMeasureText(const PlotItem& o, const Settings& s) {
    const int lu = s.lengthUnit, au = s.areaUnit;
    const std::string ln = LengthUnitName(lu);
    const RectF b = o.points.empty() ? RectF{} : Box(o.points);
    return "净耗料：" + FormatFixed(AreaInUnit(PolyArea(o.points), au), 6) + " " + AreaUnitName(au) + "\n周长" +
           Padded(LengthInUnit(PolyLength(o.points), lu)) + " " + ln + "\n长" + Padded(LengthInUnit(b.maxX - b.minX, lu)) +
           " " + ln + " 宽" + Padded(LengthInUnit(b.maxY - b.minY, lu)) + " " + ln + "\n片数：" +
           std::to_string(o.pieceCount());
}

std::string SheetMeasureText(const PLTC& sheet, const Settings& s) {
    const int lu = s.lengthUnit, au = s.areaUnit;
    const std::string ln = LengthUnitName(lu);
    double area = 0, length = 0;
    int count = 0;
    for (int32_t id : OutlinePieces(sheet.items)) {
        const PlotItem& o = sheet.items[size_t(PieceOutlineIndex(sheet.items, id))];
        area += PolyArea(o.points) * o.pieceCount();
        length += PolyLength(o.points);
        ++count;
    }
    const WorkRange a = sheet.area();
    const double sheetArea = double(a.w) * a.h;
    const double usage = sheetArea > 0 ? area / sheetArea : 0.0;
    return "总净耗料：" + FormatFixed(AreaInUnit(area, au), 6) + " " + AreaUnitName(au) + "\n总片数" +
           std::to_string(count) + "\n规格" + FormatFixed(LengthInUnit(a.w, lu), 2) + " x " +
           FormatFixed(LengthInUnit(a.h, lu), 2) + "(" + ln + ")  总用量" + FormatFixed(usage, 6) + "\n总周长" +
           Padded(LengthInUnit(length, lu)) + " " + ln;
}

}  // namespace rz
