#include "exchange/astm.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "geom/primitives.h"
#include "grading/engine.h"
#include "grading/graded_output.h"
#include "model/sizes.h"

namespace rz {

namespace {

class Out {
public:
    std::string s;
    void group(int code, std::string_view v) {
        char b[16];
        std::snprintf(b, sizeof b, "%3d\r\n", code);
        s += b;
        s += v;
        s += "\r\n";
        // Every entity and table entry gets a handle: readers tie a polyline's vertices and
        // end marker to it through them.
        if (code == 0 && v != "SECTION" && v != "ENDSEC" && v != "EOF") {
            std::snprintf(b, sizeof b, "%X", ++handle_);
            group(5, b);
        }
    }
    void num(int code, double v) {
        char b[64];
        if (v == 0.0) v = 0.0;
        auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, 6);
        group(code, std::string_view(b, size_t(r.ptr - b)));
    }
    void integer(int code, int v) { group(code, std::to_string(v)); }
    unsigned handle_ = 0;
    void point(PointF p, int base = 10) {
        num(base, p.x / 100.0);
        num(base + 10, p.y / 100.0);
        num(base + 20, 0.0);
    }
    void polyline(const char* layer, const Polyline& pl, bool closed) {
        if (pl.size() < 2) return;
        group(0, "POLYLINE");
        group(8, layer);
        integer(66, 1);
        point({0, 0});
        integer(70, closed ? 1 : 0);
        // A closed polyline does not repeat its first point.
        size_t n = pl.size();
        if (closed && n > 2 && PtSame(pl.front(), pl.back())) --n;
        for (size_t i = 0; i < n; ++i) {
            group(0, "VERTEX");
            group(8, layer);
            point(pl[i]);
        }
        group(0, "SEQEND");
        group(8, layer);
    }
    void text(const std::string& t, PointF at, double height) {
        group(0, "TEXT");
        group(8, "15");
        point(at);
        num(40, height);
        group(1, t);
    }
};

const char* kLayers[] = {"0", "1", "4", "6", "7", "8", "13", "14", "15"};

std::string BlockName(const AstmPiece& p) { return p.name + "-" + std::to_string(p.size); }

}  // namespace

std::string WriteAstmDxf(const std::vector<AstmPiece>& pieces) {
    Out o;
    o.group(0, "SECTION");
    o.group(2, "HEADER");
    o.group(9, "$ACADVER");
    o.group(1, "AC1009");
    o.group(9, "$HANDLING");
    o.integer(70, 1);
    o.group(0, "ENDSEC");
    o.group(0, "SECTION");
    o.group(2, "TABLES");
    o.group(0, "TABLE");
    o.group(2, "LTYPE");
    o.integer(70, 1);
    o.group(0, "LTYPE");
    o.group(2, "CONTINUOUS");
    o.integer(70, 0);
    o.group(3, "Solid line");
    o.integer(72, 65);
    o.integer(73, 0);
    o.num(40, 0.0);
    o.group(0, "ENDTAB");
    o.group(0, "TABLE");
    o.group(2, "LAYER");
    o.integer(70, int(std::size(kLayers)));
    for (const char* l : kLayers) {
        o.group(0, "LAYER");
        o.group(2, l);
        o.integer(70, 0);
        o.integer(62, 7);
        o.group(6, "CONTINUOUS");
    }
    o.group(0, "ENDTAB");
    o.group(0, "ENDSEC");
    o.group(0, "SECTION");
    o.group(2, "BLOCKS");
    for (const AstmPiece& p : pieces) {
        const std::string name = BlockName(p);
        o.group(0, "BLOCK");
        o.group(8, "0");
        o.group(2, name);
        o.integer(70, 0);
        o.point({0, 0});
        o.group(3, name);
        o.polyline("1", p.cut, true);
        o.polyline("14", p.sew, true);
        for (const Polyline& l : p.internal) o.polyline("8", l, false);
        for (const Polyline& n : p.notches) o.polyline("4", n, false);
        o.polyline("7", p.grain, false);
        o.polyline("6", p.mirror, false);
        for (PointF d : p.drills) {
            o.group(0, "POINT");
            o.group(8, "13");
            o.point(d);
        }
        // Annotation below the piece's lowest point.
        float minX = 0, minY = 0;
        if (!p.cut.empty()) {
            minX = p.cut[0].x, minY = p.cut[0].y;
            for (PointF q : p.cut) minX = std::min(minX, q.x), minY = std::min(minY, q.y);
        }
        const std::vector<std::string> notes = {"Piece Name: " + p.name, "Size: " + std::to_string(p.size),
                                                "Quantity: " + std::to_string(p.quantity), "Units: METRIC"};
        for (size_t i = 0; i < notes.size(); ++i) o.text(notes[i], {minX, minY - 600.0f * float(i + 1)}, 4.0);
        o.group(0, "ENDBLK");
        o.group(8, "0");
    }
    o.group(0, "ENDSEC");
    o.group(0, "SECTION");
    o.group(2, "ENTITIES");
    for (const AstmPiece& p : pieces) {
        o.group(0, "INSERT");
        o.group(8, "0");
        o.group(2, BlockName(p));
        o.point({0, 0});
    }
    o.group(0, "ENDSEC");
    o.group(0, "EOF");
    return o.s;
}

namespace {

void FromPart(const Part& part, int index, int sizeValue, AstmPiece& p) {
    p.name = "P" + std::to_string(index + 1);
    p.size = sizeValue;
    const int pair = int((part.flags & 0xF000u) >> 12);
    p.quantity = pair > 0 ? pair : 1;
    p.cut = part.outline;
    for (const auto& l : part.linesB)
        if (!(l->flags & (kFlagHidden | kLineAuxiliary)) && l->eval.size() >= 2) p.internal.push_back(l->eval);
    for (const auto& n : part.notches)
        if (n->outline.size() >= 2) p.notches.push_back(n->outline);
    for (const auto& pin : part.pins) p.drills.push_back({pin->x, pin->y});
    if (const Line* fold = PartFoldLine(part)) p.mirror = fold->eval;
    if (!part.basePoints.empty()) {
        // The grain runs through the first base point in its direction, 5 cm long.
        const BasePoint& b = *part.basePoints.front();
        const float dx = 2500.0f * std::cos(b.direction), dy = 2500.0f * std::sin(b.direction);
        p.grain = {{b.x - dx, b.y - dy}, {b.x + dx, b.y + dy}};
    }
}

}  // namespace

std::vector<AstmPiece> AstmPiecesOf(const Design& d, const std::vector<int>& sizes) {
    std::vector<AstmPiece> out;
    SizeList list = MakeSizeList(d);
    for (int s : sizes) {
        const int value = list.ok() && s >= 0 && s < int(list.values.size()) ? list.values[size_t(s)] : d.baseSize;
        for (size_t i = 0; i < d.parts.size(); ++i) {
            const Part& part = *d.parts[i];
            if (part.flags & kFlagHidden) continue;
            std::unique_ptr<Part> graded = PartAtSize(d, part, s);
            const Part& use = graded ? *graded : part;
            if (use.outline.size() < 3) continue;
            AstmPiece p;
            FromPart(use, int(i), value, p);
            out.push_back(std::move(p));
        }
    }
    return out;
}

}  // namespace rz
