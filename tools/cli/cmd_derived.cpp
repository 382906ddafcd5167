// rozedoz-cli derived FILE: what the pattern's pieces, seam allowances, own margins, point rows and
// pins come to, as JSON in model units (0.01 mm): outlines and cutting outlines, allowance
// outlines, row points with their angles and their count in every size of the size list.
#include <cmath>
#include <cstdio>

#include "design/pieces.h"
#include "design/rows.h"
#include "design/seam.h"
#include "design_args.h"
#include "geom/polyline.h"
#include "model/json_writer.h"
#include "model/sizes.h"
#include "verbs.h"

namespace rz::cli {
namespace {

void Points(JsonWriter& j, const char* key, const Polyline& pl) {
    j.beginArr(key);
    for (PointF q : pl) {
        j.sep();
        j.open('[');
        j.val(q.x);
        j.val(q.y);
        j.close(']');
    }
    j.endArr();
}

// The address of a record as the editing verbs take it ("PART:LIST:INDEX"), or empty.
std::string AddressOf(const Design& d, const void* rec) {
    for (size_t p = 0; p < d.parts.size(); ++p) {
        const Part& part = *d.parts[p];
        auto find = [&](const auto& list, char c) -> std::string {
            for (size_t i = 0; i < list.size(); ++i)
                if (list[i].get() == rec) return std::to_string(p) + ":" + c + ":" + std::to_string(i);
            return {};
        };
        for (auto s : {find(part.linesA, 'a'), find(part.linesB, 'b'), find(part.seamAllowances, 's'),
                       find(part.symLineLinks, 'k')})
            if (!s.empty()) return s;
    }
    return {};
}

void Address(JsonWriter& j, const char* key, const Design& d, const void* rec) {
    std::string a = rec ? AddressOf(d, rec) : std::string();
    if (a.empty()) j.kvNull(key);
    else j.kvStr(key, a);
}

void Box(JsonWriter& j, const RectF& b) {
    j.beginArr("bbox");
    for (float v : {b.minX, b.minY, b.maxX, b.maxY}) j.val(v);
    j.endArr();
}

const char* ModeName(RowMode m) {
    switch (m) {
    case RowMode::Auto: return "auto";
    case RowMode::Spacing: return "spacing";
    case RowMode::Nodes: return "nodes";
    }
    return "?";
}

void Row(JsonWriter& j, const Design& d, const PointRow& r, int index) {
    RowParams p = ReadRow(r);
    RowPoints pts = RowPointsOf(r);
    j.kv("index", index);
    j.kvStr("mode", ModeName(p.mode));
    j.kv("count", int(pts.points.size()));
    j.kv("spacing", double(pts.spacing));
    j.kv("diameter", double(p.diameter));
    Address(j, "path", d, r.host);
    Points(j, "points", pts.points);
    j.beginArr("angles");
    for (float a : pts.angles) j.val(a);
    j.endArr();
    Points(j, "second_points", pts.second);
    // The count in each size: d is the size's distance from the base size in size tenths.
    j.beginArr("counts");
    const int base = SizeValueAt(d, d.baseIndex);
    for (int i = 0; i < d.n; ++i) {
        int nodes = r.host ? int((r.host->graded ? r.host->graded : r.host)->nodes.size()) : 0;
        int c = GradedRowCount(r, nodes, SizeValueAt(d, i) - base);
        if (c < 0) j.valNull();  // a spacing row: the graded line's length decides
        else j.val(c);
    }
    j.endArr();
}

int DerivedVerb(const std::vector<std::string>& args) {
    if (args.size() != 1) return Usage("derived FILE");
    HeadlessPlatform platform;
    TDoc doc(platform);
    FileResult r;
    if (!LoadPattern(doc, args[0], r)) return 1;
    Design& d = doc.design;
    JsonWriter j;
    j.beginObj();
    j.beginArr("pieces");
    for (auto& pcp : d.pieces) {
        Piece& pc = *pcp;
        PieceReport rep = AssemblePiece(d, pc);
        if (rep.badLines)
            std::fprintf(stderr, "rozedoz-cli derived: piece %d has %d outline lines without a usable source\n",
                         pc.slot, rep.badLines);
        PieceFigures f = MeasurePiece(d, pc);
        j.beginObj();
        j.kv("slot", int(pc.slot));
        j.kv("closed", rep.closed);
        j.kv("area", f.area);
        j.kv("perimeter", f.perimeter);
        Box(j, pc.bbox);
        Points(j, "outline", pc.outline);
        Points(j, "cutting_outline", CuttingOutline(pc));
        j.beginArr("lines");
        for (auto* list : {&pc.linesA, &pc.linesB})
            for (auto& pl : *list) {
                j.beginObj();
                j.kvStr("list", list == &pc.linesA ? "a" : "b");
                Address(j, "source", d, pl->source.ptr);
                j.kv("start", double(pl->start));
                j.kv("end", double(pl->end));
                j.kv("kind", int(pl->flags & kPieceLineKindMask));
                j.kv("margin", double(pl->f[0]));
                j.kv("ok", PieceLineSound(*pl));
                j.endObj();
            }
        j.endArr();
        j.endObj();
    }
    j.endArr();
    j.beginArr("seam_allowances");
    for (size_t p = 0; p < d.parts.size(); ++p)
        for (size_t i = 0; i < d.parts[p]->seamAllowances.size(); ++i) {
            const SeamAllowance& s = *d.parts[p]->seamAllowances[i];
            auto v = ReadSeamValues(s);
            j.beginObj();
            j.kv("part", int(p));
            j.kv("index", int(i));
            j.kv("start", v ? double(v->start()) : std::nan(""));
            j.kv("end", v ? double(v->end()) : std::nan(""));
            j.beginArr("positions");
            if (v)
                for (float x : v->positions) j.val(x);
            j.endArr();
            j.beginArr("margins");
            if (v)
                for (float x : v->margins) j.val(x);
            j.endArr();
            std::string base = s.baseLine ? AddressOf(d, s.baseLine) : std::string();
            if (base.empty() || !v) j.kvNull("stretch");
            else {
                char tail[64];
                std::snprintf(tail, sizeof tail, ":%.9g:%.9g", double(v->start()), double(v->end()));
                j.kvStr("stretch", base + tail);
            }
            Points(j, "outline", s.outline);
            j.endObj();
        }
    j.endArr();
    j.beginArr("margins");
    for (size_t p = 0; p < d.parts.size(); ++p)
        for (auto* list : {&d.parts[p]->linesA, &d.parts[p]->linesB})
            for (size_t i = 0; i < list->size(); ++i) {
                const Line& l = *(*list)[i];
                if (l.margin == 0.0f) continue;
                j.beginObj();
                j.kv("part", int(p));
                j.kvStr("list", list == &d.parts[p]->linesA ? "a" : "b");
                j.kv("index", int(i));
                j.kv("margin", double(l.margin));
                Points(j, "outline", l.second);
                j.endObj();
            }
    j.endArr();
    j.beginArr("point_rows");
    for (size_t p = 0; p < d.parts.size(); ++p)
        for (size_t i = 0; i < d.parts[p]->pointRows.size(); ++i) {
            j.beginObj();
            j.kvStr("owner", "part " + std::to_string(p));
            Row(j, d, *d.parts[p]->pointRows[i], int(i));
            j.endObj();
        }
    for (auto& pc : d.pieces)
        for (size_t i = 0; i < pc->pointRows.size(); ++i) {
            j.beginObj();
            j.kvStr("owner", "piece " + std::to_string(pc->slot));
            Row(j, d, *pc->pointRows[i], int(i));
            j.endObj();
        }
    j.endArr();
    j.beginArr("pins");
    for (size_t p = 0; p < d.parts.size(); ++p)
        for (size_t i = 0; i < d.parts[p]->pins.size(); ++i) {
            const Pin& q = *d.parts[p]->pins[i];
            j.beginObj();
            j.kv("part", int(p));
            j.kv("index", int(i));
            j.kv("x", double(q.x));
            j.kv("y", double(q.y));
            j.kv("diameter", double(q.diameter));
            j.endObj();
        }
    j.endArr();
    j.endObj();
    std::fwrite(j.s.data(), 1, j.s.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

RegisterVerb reg("derived", "derived FILE             pieces, allowances, margins, rows and pins as JSON (0.01 mm)",
                 DerivedVerb);

}  // namespace
}  // namespace rz::cli
