#include "model/json.h"

#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/gbk.h"
#include "model/json_writer.h"
#include "model/refs.h"

namespace rz {

const char* CategoryName(Cat c) {
    static const char* names[kCatCount] = {"lines",          "pins",          "motifs",
                                           "base_points",    "point_rows",    "seam_allowances",
                                           "sym_line_links", "slot_lines",    "sym_elem_links",
                                           "piece_lines"};
    return names[size_t(c)];
}

std::string JsonQuoted(const std::string& t) {
    std::string s = "\"";
    for (unsigned char c : t) {
        switch (c) {
            case '"': s += "\\\""; break;
            case '\\': s += "\\\\"; break;
            case '\n': s += "\\n"; break;
            case '\r': s += "\\r"; break;
            case '\t': s += "\\t"; break;
            default:
                if (c < 0x20) {
                    char b[8];
                    std::snprintf(b, sizeof b, "\\u%04x", c);
                    s += b;
                } else {
                    s += char(c);
                }
        }
    }
    s += '"';
    return s;
}

namespace {

using Json = JsonWriter;

struct Dumper {
    Json j;
    std::array<std::unordered_map<const void*, int>, kCatCount> index;

    void ref(const char* k, Cat c, const void* p) {
        if (!p) {
            j.kvNull(k);
            return;
        }
        auto it = index[size_t(c)].find(p);
        if (it == index[size_t(c)].end()) {
            j.kvNull(k);
            return;
        }
        j.beginObj(k);
        j.key("category");
        j.str(CategoryName(c));
        j.kv("index", it->second);
        j.endObj();
    }
    void kref(const char* k, const KindRef& r) {
        j.beginObj(k);
        j.kv("kind", unsigned(r.kind));
        auto c = CategoryOfKind(r.kind);
        if (c) ref("target", *c, r.ptr);
        else j.kvNull("target");
        j.endObj();
    }
    void poly(const char* k, const Polyline& pl) {
        j.beginArr(k);
        for (auto& p : pl) {
            j.beginArr();
            j.val(p.x);
            j.val(p.y);
            j.endArr();
        }
        j.endArr();
    }
    void shape(const char* k, const Shape& s) {
        j.beginArr(k);
        for (auto& pl : s) poly(nullptr, pl);
        j.endArr();
    }
    template <class T>
    void optArr(const char* k, const std::optional<std::vector<T>>& a) {
        if (!a) {
            j.kvNull(k);
            return;
        }
        j.beginArr(k);
        for (auto& v : *a) put(v);
        j.endArr();
    }
    void put(uint8_t v) { j.val(v); }
    void put(uint32_t v) { j.val(v); }
    void put(float v) { j.val(v); }
    void put(const PairF& p) {
        j.beginArr();
        j.val(p.a);
        j.val(p.b);
        j.endArr();
    }
    template <size_t N, class T>
    void arr(const char* k, const std::array<T, N>& a) {
        j.beginArr(k);
        for (auto& v : a) j.val(double(v));
        j.endArr();
    }

    void line(const Line& l) {
        j.beginObj();
        j.beginArr("nodes");
        for (auto& n : l.nodes) {
            j.beginArr();
            j.val(n.x);
            j.val(n.y);
            j.val(n.word);
            j.endArr();
        }
        j.endArr();
        j.kv("flags", unsigned(l.flags));
        j.kv("value_a", unsigned(l.valueA));
        j.kv("value_b", unsigned(l.valueB));
        j.kv("colour", unsigned(l.colour));
        j.kv("margin", l.margin);
        j.kv("start_extension", l.startExt);
        j.kv("end_extension", l.endExt);
        ref("base_point", Cat::BasePoints, l.basePoint);
        ref("front_symmetry", Cat::Lines, l.frontSym);
        ref("graded_copy", Cat::Lines, l.graded);
        poly("evaluated", l.eval);
        if (!l.second.empty()) poly("second", l.second);
        j.endObj();
    }
    void pin(const Pin& p) {
        j.beginObj();
        j.kv("x", p.x);
        j.kv("y", p.y);
        j.kv("diameter", p.diameter);
        j.kv("flags", unsigned(p.flags));
        ref("base_point", Cat::BasePoints, p.basePoint);
        ref("front_symmetry", Cat::Lines, p.frontSym);
        ref("graded_copy", Cat::Pins, p.graded);
        j.endObj();
    }
    void motif(const Motif& m) {
        j.beginObj();
        j.kv("x", m.x);
        j.kv("y", m.y);
        j.kv("flags", unsigned(m.flags));
        shape("shape", m.shape);
        ref("base_point", Cat::BasePoints, m.basePoint);
        ref("front_symmetry", Cat::Lines, m.frontSym);
        ref("graded_copy", Cat::Motifs, m.graded);
        j.endObj();
    }
    void label(const SizeLabel& s) {
        j.beginObj();
        j.kv("x", s.x);
        j.kv("y", s.y);
        j.kv("angle", s.angle);
        j.kv("width", s.width);
        j.kv("height", s.height);
        j.kv("colour", unsigned(s.colour));
        j.kv("flags", unsigned(s.flags));
        j.endObj();
    }
    void notch(const Notch& n) {
        j.beginObj();
        j.kv("x", n.x);
        j.kv("y", n.y);
        j.kv("depth", n.depth);
        j.kv("angle", n.angle);
        j.kv("flags", unsigned(n.flags));
        poly("outline", n.outline);
        j.endObj();
    }
    void text(const TextString& t) {
        j.beginObj();
        j.kvText("text", t.text);
        j.kv("x", t.x);
        j.kv("y", t.y);
        j.kv("angle", t.angle);
        j.kv("width", t.width);
        j.kv("height", t.height);
        j.kv("flags", unsigned(t.flags));
        j.endObj();
    }
    void dim(const Dimension& d) {
        j.beginObj();
        arr("points", d.points);
        j.kvText("text", d.text);
        j.kv("f1", d.f1);
        j.kv("f2", d.f2);
        j.kv("flags", unsigned(d.flags));
        kref("ref1", d.ref1);
        kref("ref2", d.ref2);
        // The measured value in mm: a line named alone is measured along its length.
        const uint32_t k = d.ref1.kind & 0xFF;
        const bool wholeLine = d.ref1.ptr && !d.ref2.ptr && (k == kKindLine || k == kKindLineA || k == kKindLineB);
        const float v = wholeLine ? PolyLength(d.ref1.as<Line>()->eval)
                                  : PtDist({d.points[0], d.points[1]}, {d.points[2], d.points[3]});
        j.kv("value", std::isfinite(v) ? v / 100.0f : 0.0f);
        shape("drawn", d.drawn1);
        shape("text_drawn", d.drawn2);
        j.endObj();
    }
    void base(const BasePoint& b) {
        j.beginObj();
        j.kv("index", b.index);
        j.kv("x", b.x);
        j.kv("y", b.y);
        j.kv("direction", b.direction);
        j.kv("length", b.length);
        j.kv("width", b.width);
        j.kv("length_step", b.lengthStep);
        j.kv("width_step", b.widthStep);
        optArr("targets", b.targets);
        optArr("shared_notes", b.sharedNotes);
        j.kv("flags", unsigned(b.flags));
        ref("front_symmetry", Cat::Lines, b.frontSym);
        ref("owner", Cat::BasePoints, b.owner);
        j.endObj();
    }
    void row(const PointRow& r) {
        j.beginObj();
        j.beginArr("values");
        for (double v : {double(r.v0), double(r.v1), double(r.v2), double(r.v3)}) j.val(v);
        j.endArr();
        arr("floats", r.f);
        shape("point_shape", r.pointShape);
        j.kv("flags", unsigned(r.flags));
        ref("host", Cat::Lines, r.host);
        j.endObj();
    }
    void seam(const SeamAllowance& s) {
        j.beginObj();
        j.kv("value_count", unsigned(s.valueCount));
        optArr("values1", s.values1);
        optArr("values2", s.values2);
        j.kv("word", unsigned(s.word));
        ref("base_line", Cat::Lines, s.baseLine);
        j.kv("margin", s.margin);
        j.kv("f2", s.f2);
        j.endObj();
    }
    void symLine(const SymLineLink& s) {
        j.beginObj();
        kref("target", s.target);
        j.kv("f1", s.f1);
        j.kv("f2", s.f2);
        ref("master", Cat::Lines, s.master);
        j.kv("link_word", unsigned(s.linkWord));
        j.endObj();
    }
    void slot(const SlotLine& s) {
        j.beginObj();
        kref("host", s.host);
        arr("floats", s.f);
        j.kv("flags", unsigned(s.flags));
        ref("piece_line", Cat::PieceLines, s.pieceLine);
        poly("outline", s.drawn1);
        j.endObj();
    }
    void mark(const Mark& m) {
        j.beginObj();
        j.kv("f0", m.f0);
        kref("host1", m.host1);
        kref("host2", m.host2);
        j.kv("depth", m.depth);
        j.kv("width", m.width);
        j.kv("flags", unsigned(m.flags));
        ref("piece_line", Cat::PieceLines, m.pieceLine);
        poly("v", m.drawn);
        j.endObj();
    }
    void chamfer(const Chamfer& c) {
        j.beginObj();
        kref("host1", c.host1);
        kref("host2", c.host2);
        j.kv("radius", c.radius);
        j.kv("flags", unsigned(c.flags));
        poly("arc", c.drawn);
        poly("corners", Polyline(c.corners.begin(), c.corners.end()));
        j.endObj();
    }
    void symElem(const SymElemLink& s) {
        j.beginObj();
        kref("element", s.element);
        ref("master", Cat::Lines, s.master);
        j.kv("link_word", unsigned(s.linkWord));
        j.endObj();
    }
    void shared(const SharedZone& s) {
        j.beginObj();
        arr("floats", s.f);
        ref("host", Cat::Lines, s.host);
        ref("base_point", Cat::BasePoints, s.basePoint);
        j.endObj();
    }
    void fixed(const FixedDistance& f) {
        j.beginObj();
        arr("floats", f.f);
        optArr("per_size", f.perSize);
        kref("first", f.first);
        ref("host", Cat::Lines, f.host);
        j.endObj();
    }
    void pieceLine(const PieceLine& p) {
        j.beginObj();
        kref("source", p.source);
        j.kv("start", p.start);
        j.kv("end", p.end);
        j.kv("flags", unsigned(p.flags));
        arr("floats", p.f);
        ref("previous", Cat::PieceLines, p.prevSeg);
        ref("next", Cat::PieceLines, p.nextSeg);
        ref("paired", Cat::PieceLines, p.paired);
        j.endObj();
    }
    void member(const PieceMember& m) {
        j.beginObj();
        kref("element", m.element);
        j.kv("member_word", unsigned(m.memberWord));
        ref("piece_line", Cat::PieceLines, m.pieceLine);
        j.endObj();
    }

    template <class T, class F>
    void list(const char* k, const List<T>& l, F f) {
        j.beginArr(k);
        for (auto& r : l) (this->*f)(*r);
        j.endArr();
    }

    void part(const Part& p) {
        j.beginObj();
        j.kv("page", p.page());
        j.kv("flags", unsigned(p.flags));
        j.beginArr("date");
        j.val(p.year);
        j.val(p.month);
        j.val(p.day);
        j.endArr();
        j.kv("part_word", unsigned(p.partWord));
        j.kv("colour", unsigned(p.colour));
        j.kv("home_x", p.homeX);
        j.kv("home_y", p.homeY);
        j.kv("part_value", p.partValue);
        optArr("shared_die", p.sharedDie);
        poly("outline", p.outline);
        list("graded_lines", p.gradedLines, &Dumper::line);
        list("graded_pins", p.gradedPins, &Dumper::pin);
        list("graded_motifs", p.gradedMotifs, &Dumper::motif);
        list("lines_a", p.linesA, &Dumper::line);
        list("lines_b", p.linesB, &Dumper::line);
        list("pins", p.pins, &Dumper::pin);
        list("size_labels", p.sizeLabels, &Dumper::label);
        list("notches", p.notches, &Dumper::notch);
        list("motifs", p.motifs, &Dumper::motif);
        list("text_strings", p.texts, &Dumper::text);
        list("dimensions", p.dimensions, &Dumper::dim);
        list("base_points", p.basePoints, &Dumper::base);
        list("point_rows", p.pointRows, &Dumper::row);
        list("seam_allowances", p.seamAllowances, &Dumper::seam);
        list("symmetry_line_links", p.symLineLinks, &Dumper::symLine);
        list("slot_lines", p.slotLines, &Dumper::slot);
        list("marks", p.marks, &Dumper::mark);
        list("chamfers", p.chamfers, &Dumper::chamfer);
        list("symmetry_element_links", p.symElemLinks, &Dumper::symElem);
        list("shared_zones", p.sharedZones, &Dumper::shared);
        list("fixed_distances", p.fixedDistances, &Dumper::fixed);
        j.endObj();
    }
    void piece(const Piece& p) {
        j.beginObj();
        j.kv("slot", unsigned(p.slot));
        j.kv("flags", unsigned(p.flags));
        arr("words", p.words);
        j.kv("piece_float", p.pieceFloat);
        optArr("shared_die", p.sharedDie);
        list("piece_lines_a", p.linesA, &Dumper::pieceLine);
        list("piece_lines_b", p.linesB, &Dumper::pieceLine);
        list("members", p.members, &Dumper::member);
        list("size_labels", p.sizeLabels, &Dumper::label);
        list("notches", p.notches, &Dumper::notch);
        list("text_strings", p.texts, &Dumper::text);
        list("point_rows", p.pointRows, &Dumper::row);
        list("slot_lines", p.slotLines, &Dumper::slot);
        list("marks", p.marks, &Dumper::mark);
        list("chamfers", p.chamfers, &Dumper::chamfer);
        j.endObj();
    }
};

}  // namespace

std::string DesignToJson(Design& d, const List<ScanLine>* scans, const List<TPIC>* pictures) {
    Dumper du;
    std::array<int, kCatCount> next{};
    ForEachMappedRecord(d, true, [&](Cat c, void* r) { du.index[size_t(c)].emplace(r, next[size_t(c)]++); });
    Json& j = du.j;
    j.beginObj();
    j.kv("modified", d.modified);
    j.kv("flags", unsigned(d.flags));
    j.kv("size_system", d.sizeSystem);
    j.kv("size_category", d.sizeCategory);
    j.kv("width_type", d.widthType);
    j.kv("base_size", d.baseSize);
    j.kv("range_from", d.rangeFrom);
    j.kv("range_to", d.rangeTo);
    j.kv("step", d.step);
    j.kv("base_index", d.baseIndex);
    j.kv("size_count", d.n);
    du.arr("base_parameters", d.baseParams);
    du.optArr("targets", d.targets);
    du.optArr("step_table", d.stepTable);
    du.optArr("output_selection", d.outputSelection);
    j.kv("length_adjustment", d.lengthAdj);
    j.kv("girth_adjustment", d.girthAdj);
    j.kv("size_label_format", d.labelFormat);
    j.kv("auto_save_number", d.autoSaveNumber);
    j.kvText("report", d.report);
    j.beginArr("notes");
    for (auto& n : d.notes) {
        j.beginObj();
        j.kv("word0", unsigned(n.word0));
        j.kvText("text", n.text);
        j.kv("word2", unsigned(n.word2));
        j.kv("word3", unsigned(n.word3));
        j.endObj();
    }
    j.endArr();
    j.beginArr("parts");
    for (auto& p : d.parts) du.part(*p);
    j.endArr();
    j.beginArr("pieces");
    for (auto& p : d.pieces) du.piece(*p);
    j.endArr();
    if (scans) {
        j.beginArr("scan_lines");
        for (auto& s : *scans) {
            j.beginObj();
            j.kv("flags", unsigned(s->flags));
            j.kv("value", unsigned(s->value));
            j.kv("v1", unsigned(s->v1));
            j.kv("v2", unsigned(s->v2));
            du.shape("shape", s->shape);
            j.endObj();
        }
        j.endArr();
    }
    if (pictures) {
        j.beginArr("pictures");
        for (auto& p : *pictures) {
            j.beginObj();
            j.kv("word", unsigned(p->word));
            j.endObj();
        }
        j.endArr();
    }
    j.endObj();
    return std::move(j.s);
}

}  // namespace rz
