#include "grading/graded_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geom/polyline.h"
#include "commands/features.h"
#include "design/pieces.h"
#include "grading/control_edit.h"
#include "grading/engine.h"
#include "interact/text_strokes.h"
#include "model/font.h"
#include "model/gbk.h"
#include "model/sizes.h"
#include "model/units.h"

namespace rz {

namespace {
constexpr uint32_t kFoldLineBit = 1u << 17;
}

// Sheet item kinds (the output layer's names for them).
constexpr int kItemLabelKind = 1, kItemLevelKind = 2, kItemHoleKind = 3, kItemMotifKind = 4, kItemInnerKind = 6,
              kItemNotchKind = 7, kItemOutlineKind = 8;

int OutputRole(uint32_t ownerFlags, uint32_t designFlags) {
    int kind = int(ownerFlags & 0xFu);
    if (kind > 3) kind = 0;
    const bool full = (designFlags & kDesignMarginFullColour) != 0;
    switch (kind) {
        case 0: return full ? 0 : 1;
        case 1: return full ? 2 : 3;
        case 2: return 4;
        default: return 5;
    }
}

bool RowAllowed(const Settings& s, int role, int row) {
    if (role < 0 || role >= 6 || row < 0 || row >= kRowCount) return false;
    return s.outputMatrix[size_t(role)][size_t(row)] != 0;
}

std::string RoleLabel(const Settings& s, int role) {
    if (role < 0 || role >= 6) return {};
    return s.columnLabels[size_t(role)];
}

std::vector<int> DieSizes(const std::optional<std::vector<uint8_t>>& die, const std::vector<int>& requested, int n) {
    std::vector<int> out;
    const bool rule = die && int(die->size()) == n;
    for (int i : requested) {
        if (i < 0 || i >= n) continue;
        if (rule) {
            const uint8_t v = (*die)[size_t(i)];
            // A 0 byte is no group: an array of zeros (a resize, an old file) outputs every size.
            if (v != 0 && !(v & 0x80)) continue;
        }
        out.push_back(i);
    }
    return out;
}

std::pair<int, int> DieGroupRange(const std::optional<std::vector<uint8_t>>& die, int i) {
    if (!die || i < 0 || size_t(i) >= die->size() || ((*die)[size_t(i)] & 0x7F) == 0) return {i, i};
    const int g = (*die)[size_t(i)] & 0x7F;
    int first = i, last = i;
    for (size_t k = 0; k < die->size(); ++k)
        if (((*die)[k] & 0x7F) == g) first = std::min(first, int(k)), last = std::max(last, int(k));
    return {first, last};
}

std::vector<int> ChosenSizes(const Design& d) {
    std::vector<int> v;
    if (!d.outputSelection) return v;
    for (size_t i = 0; i < d.outputSelection->size() && int(i) < d.n; ++i)
        if ((*d.outputSelection)[i]) v.push_back(int(i));
    return v;
}

std::vector<int> AllSizes(const Design& d) {
    std::vector<int> v;
    for (int i = 0; i < d.n; ++i) v.push_back(i);
    return v;
}

const Line* PartFoldLine(const Part& p) {
    for (auto& l : p.linesA)
        if (l->flags & kFoldLineBit) return l.get();
    return nullptr;
}

std::optional<FoldAxis> FoldAxisOf(const Polyline& drawn) {
    if (drawn.size() < 2) return std::nullopt;
    const PointF a = drawn.front(), b = drawn.back();
    if (a.x == b.x && a.y == b.y) return std::nullopt;  // no direction
    return FoldAxis{a, std::atan2(double(b.y) - a.y, double(b.x) - a.x)};
}

PointF Reflect(PointF p, const FoldAxis& a) {
    const double c = std::cos(2 * a.angle), s = std::sin(2 * a.angle);
    const double dx = double(p.x) - a.origin.x, dy = double(p.y) - a.origin.y;
    return {float(a.origin.x + c * dx + s * dy), float(a.origin.y + s * dx - c * dy)};
}

Polyline Reflect(const Polyline& pts, const FoldAxis& a) {
    Polyline out;
    out.reserve(pts.size());
    for (PointF p : pts) out.push_back(Reflect(p, a));
    return out;
}

Polyline ShiftOutlineStart(const Polyline& outline, int by) {
    if (outline.size() < 3 || !PolyClosed(outline)) return outline;
    const size_t distinct = outline.size() - 1;
    const size_t k = size_t(by >= 0 ? by : 0) % distinct;
    if (k == 0) return outline;
    Polyline out;
    out.reserve(outline.size());
    for (size_t i = 0; i < distinct; ++i) out.push_back(outline[(i + k) % distinct]);
    out.push_back(out.front());
    return out;
}

std::string LabelText(const std::string& reportGbk, const LabelValues& v) {
    std::string text = reportGbk;
    if (text.find("##") == std::string::npos) text = text.empty() ? "##" : text + ";##";
    auto fmt = [](const char* f, double a) {
        char b[64];
        std::snprintf(b, sizeof b, f, a);
        return std::string(b);
    };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        // GBK lead bytes carry their trail byte along (a trail byte is never '#').
        if (c >= 0x81 && i + 1 < text.size()) {
            out += text[i];
            out += text[++i];
            continue;
        }
        if (c != '#' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char n = text[i + 1];
        std::string r;
        bool known = true;
        switch (n) {
            case '#': r = v.roleLabel + v.sizeText; break;
            case 'a': r = "楦号:"; break;
            case 'b': r = "货号:"; break;
            case 'c': r = "客户:"; break;
            case 'd': {
                char b[48];
                std::snprintf(b, sizeof b, "%4d-%d-%d", v.year, v.month, v.day);
                r = b;
                break;
            }
            case 'e': r = fmt("周长:%.3f", v.perimeter); break;
            case 'f': r = fmt("面积:%.3f", v.area); break;
            case 'g': r = fmt("长度:%.2f", v.boxWidth); break;
            case 'h': r = fmt("宽度:%.2f", v.boxHeight); break;
            case 'i': r = fmt("样长:%.2f", v.lastLength); break;
            case 'j': r = fmt("围度:%.2f", v.girth); break;
            default: known = false;
        }
        if (!known) {
            out += text[i];
            continue;
        }
        out += Utf8ToGbk(r);
        ++i;
    }
    return out;
}

LabelValues LabelValuesOf(const Design& d, const Settings& s, const Polyline& outline, int role, int year, int month,
                          int day, const std::optional<std::vector<uint8_t>>& die, int size) {
    LabelValues v;
    v.roleLabel = RoleLabel(s, role);
    const auto [first, last] = DieGroupRange(die, size);
    v.sizeText = first == last ? SizeText(d, SizeValueAt(d, size)) : SizeRangeText(d, SizeValueAt(d, first), SizeValueAt(d, last));
    v.year = year, v.month = month, v.day = day;
    if (!outline.empty()) {
        v.perimeter = LengthInUnit(PolyLength(outline), s.lengthUnit);
        v.area = AreaInUnit(std::abs(PolyArea(outline)), s.areaUnit);
        float minX = outline[0].x, maxX = minX, minY = outline[0].y, maxY = minY;
        for (PointF p : outline) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
        v.boxWidth = LengthInUnit(double(maxX) - minX, s.lengthUnit);
        v.boxHeight = LengthInUnit(double(maxY) - minY, s.lengthUnit);
    }
    v.lastLength = d.baseParams[0];
    v.girth = d.baseParams[1];
    return v;
}


// ---------------------------------------------------------------- the items of a part or piece at a size

namespace {

constexpr uint32_t kItemFoldsBit = 1u << 19;
constexpr int kItemSlotKind = 5;

bool Hidden(uint32_t flags) { return (flags & kFlagHidden) != 0; }

// A line's tool on the sheet: its 边线 setting, a pen stroke when it has none.
int LineTool(const Line& l) {
    const int t = int(l.flags & kLineEdgeMask);
    return t == 0 ? 1 : t;
}
int OwnTool(uint32_t flags) {
    const int t = int(flags & kFlagToolMask);
    return t >= 1 && t <= 4 ? t : 1;
}

PointF BoxCentre(const Polyline& pl) {
    float x0 = pl[0].x, x1 = x0, y0 = pl[0].y, y1 = y0;
    for (PointF q : pl) x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
    return {(x0 + x1) / 2.0f, (y0 + y1) / 2.0f};
}

// The items of one size in the order they are generated, each element with bit 16 once more
// mirrored in the fold line.
struct ItemSink {
    const Settings& s;
    int role = 0;
    std::optional<FoldAxis> fold;
    std::vector<OutputItem> items;

    bool allowed(int row) const { return RowAllowed(s, role, row); }
    void add(int kind, int tool, const char* source, Polyline pts, uint32_t elementFlags, uint32_t itemFlags = 0,
             std::string text = {}) {
        if (pts.empty()) return;
        OutputItem it{kind, tool, itemFlags, source, false, std::move(pts), std::move(text)};
        const bool copy = fold && (elementFlags & kFlagFolds);
        items.push_back(it);
        if (copy) {
            it.points = Reflect(it.points, *fold);
            it.foldCopy = true;
            items.push_back(std::move(it));
        }
    }
    void addShape(int kind, int tool, const char* source, const Shape& shape, uint32_t elementFlags) {
        for (const Polyline& pl : shape) add(kind, tool, source, pl, elementFlags);
    }

    void notch(const Notch& n) {
        if (!Hidden(n.flags)) add(kItemNotchKind, OwnTool(n.flags), "notch", n.outline, n.flags);
    }
    void mark(const Mark& m) {
        if (!Hidden(m.flags)) add(kItemNotchKind, OwnTool(m.flags), "mark", m.drawn, m.flags);
    }
    void pin(const Pin& p, const char* source, uint32_t foldFlags) {
        if (!Hidden(p.flags)) add(kItemHoleKind, OwnTool(p.flags), source, {{p.x, p.y}}, foldFlags);
    }
    void row(const PointRow& r, const char* source, uint32_t foldFlags) {
        if (Hidden(r.flags)) return;
        for (const Polyline& pl : r.drawn)
            if (!pl.empty()) add(kItemHoleKind, OwnTool(r.flags), source, {BoxCentre(pl)}, foldFlags);
    }
    void motif(const Motif& m, const char* source, uint32_t foldFlags) {
        if (Hidden(m.flags)) return;
        for (const Polyline& pl : m.shape) {
            Polyline moved = pl;
            for (PointF& q : moved) q.x += m.x, q.y += m.y;
            add(kItemMotifKind, OwnTool(m.flags), source, std::move(moved), foldFlags);
        }
    }
    // A slot line's outline, and its second polyline as an item of its own.
    void slot(const SlotLine& sl, const char* source, uint32_t foldFlags) {
        if (Hidden(sl.flags)) return;
        add(kItemSlotKind, OwnTool(sl.flags), source, sl.drawn1, foldFlags);
        add(kItemSlotKind, OwnTool(sl.flags), source, sl.drawn2, foldFlags);
    }
    // A symmetry element link goes under the row of what it mirrors.
    void elementLink(const SymElemLink& l, uint32_t foldFlags) {
        if (l.drawn.empty()) return;
        const uint32_t k = l.element.kind & 0xFFu;
        if (k == kKindPin && allowed(kRowPins))
            add(kItemHoleKind, OwnTool(l.linkWord), "symmetry_element", {BoxCentre(l.drawn)}, foldFlags);
        else if (k == kKindMotif && allowed(kRowMotifs))
            add(kItemMotifKind, OwnTool(l.linkWord), "symmetry_element", l.drawn, foldFlags);
        else if (k == kKindSlotLine && allowed(kRowSlots))
            add(kItemSlotKind, OwnTool(l.linkWord), "symmetry_element", l.drawn, foldFlags);
    }
    // Chamfers cut by the pen are drawn as inner lines; the others are the cutter's business.
    void chamfer(const Chamfer& c) {
        if ((c.flags & kFlagToolMask) == 1u) add(kItemInnerKind, 1, "chamfer", c.drawn, 0);
    }
    void dimension(Dimension& dim, TFont* font) {
        if (Hidden(dim.flags)) return;
        BuildDimension(dim, font && font->hasData() ? font : featureStyle().font, featureStyle().centimetres);
        addShape(kItemMotifKind, 1, "dimension", dim.drawn1, 0);
        addShape(kItemMotifKind, 1, "dimension", dim.drawn2, 0);
    }
    void text(const TextString& t, TFont* font) {
        if (Hidden(t.flags)) return;
        const Shape strokes = font && font->hasData() && !t.text.empty() ? TextStringStrokes(t, *font) : t.strokes;
        for (const Polyline& pl : strokes) add(kItemLabelKind, OwnTool(t.flags), "text", pl, t.flags);
    }
    void label(const SizeLabel& l, const std::string& textGbk, TFont* font) {
        if (Hidden(l.flags)) return;
        TextString t;
        t.text = textGbk;
        t.width = l.width, t.height = l.height, t.angle = l.angle, t.x = l.x, t.y = l.y;
        const Shape strokes = font && font->hasData() ? TextStringStrokes(t, *font) : Shape{};
        if (strokes.empty()) add(kItemLabelKind, OwnTool(l.flags), "label", {{l.x, l.y}}, l.flags, 0, t.text);
        for (size_t k = 0; k < strokes.size(); ++k)
            add(kItemLabelKind, OwnTool(l.flags), "label", strokes[k], l.flags, 0, k == 0 ? t.text : std::string());
    }
};

}  // namespace

std::optional<std::vector<OutputItem>> PartItemsAtSize(const Design& d, const Settings& s, const Part& part, int size,
                                                       TFont* font) {
    std::unique_ptr<Part> at = PartAtSize(d, part, size);
    if (!at) return std::nullopt;
    ItemSink out{s, OutputRole(part.flags, d.flags), std::nullopt, {}};

    const Line* foldLine = PartFoldLine(*at);
    if (foldLine) out.fold = FoldAxisOf(foldLine->eval);

    // 3. The fold line itself when its 边线 asks for it; the outline starts past the fold.
    Polyline outline = at->outline;
    if (foldLine) {
        const int edge = int(foldLine->flags & kLineEdgeMask);
        if (edge >= 1) out.add(kItemInnerKind, edge, "fold_line", foldLine->eval, 0);
        outline = ShiftOutlineStart(outline, 5);
    }
    // 4. 记号: notches and marks.
    if (out.allowed(kRowMarks)) {
        for (auto& n : at->notches) out.notch(*n);
        for (auto& m : at->marks) out.mark(*m);
    }
    // 5. The outline.
    {
        const int tool = int((part.flags >> 8) & 0xFu);
        uint32_t f = part.flags & 0xF000u;  // pieces per pair
        if (part.flags & kFlagFolds) f |= kItemFoldsBit;
        out.add(kItemOutlineKind, tool >= 1 && tool <= 4 ? tool : 0, "outline", outline, 0, f);
    }
    // 6. Lines with a margin once more, by their 原线 setting.
    if (!(d.flags & kDesignMarginFullColour))
        for (const List<Line>* list : {&at->linesA, &at->linesB})
            for (auto& l : *list) {
                if (Hidden(l->flags) || l->margin == 0.0f) continue;
                const int orig = int((l->flags & kLineOrigMask) >> 2);
                if (orig == 1) out.add(kItemInnerKind, LineTool(*l), "margin_line", l->eval, l->flags);
                else if (orig == 2)
                    out.add(kItemInnerKind, LineTool(*l), "margin_line", l->second.empty() ? l->eval : l->second, l->flags);
            }
    // 7. The other lines.
    for (auto& l : at->linesB)
        if (!Hidden(l->flags)) out.add(kItemInnerKind, LineTool(*l), "line", l->eval, l->flags);
    // 8. 定针: pins and the holes of point rows.
    if (out.allowed(kRowPins)) {
        for (auto& p : at->pins) out.pin(*p, "pin", p->flags);
        for (auto& r : at->pointRows) out.row(*r, "point_row", r->flags);
    }
    // 9. 图案: motifs at their graded position.
    if (out.allowed(kRowMotifs))
        for (auto& m : at->motifs) out.motif(*m, "motif", m->flags);
    // 10. 字串: dimensions measured at the size, and text strings at their scaled position.
    if (out.allowed(kRowTexts)) {
        for (auto& dim : at->dimensions) out.dimension(*dim, font);
        for (auto& t : at->texts) out.text(*t, font);
    }
    // 11. Symmetry line links.
    for (auto& l : at->symLineLinks) out.add(kItemInnerKind, OwnTool(l->linkWord), "symmetry_line", l->drawn, 0);
    // 12. Chamfers cut by the pen.
    for (auto& c : at->chamfers) out.chamfer(*c);
    // 13. Symmetry element links, by what they mirror.
    for (auto& l : at->symElemLinks) out.elementLink(*l, 0);
    // 14. 鞋号: size labels with their placeholders replaced.
    if (out.allowed(kRowLabels))
        for (auto& l : at->sizeLabels) {
            const LabelValues v = LabelValuesOf(d, s, outline, out.role, part.year, part.month, part.day, part.sharedDie, size);
            out.label(*l, LabelText(d.report, v), font);
        }
    // 15. 槽线: slot lines along their graded hosts.
    if (out.allowed(kRowSlots))
        for (auto& sl : at->slotLines) out.slot(*sl, "slot_line", sl->flags);
    // 16. 水平: the outline's box in the part's direction.
    if (out.allowed(kRowLevel) && !outline.empty()) {
        const double a = part.basePoints.empty() ? 0.0 : double(part.basePoints.front()->direction);
        const double c = std::cos(a), sn = std::sin(a);
        double u0 = HUGE_VAL, u1 = -HUGE_VAL, w0 = HUGE_VAL, w1 = -HUGE_VAL;
        for (PointF q : outline) {
            const double u = c * q.x + sn * q.y, w = -sn * q.x + c * q.y;
            u0 = std::min(u0, u), u1 = std::max(u1, u), w0 = std::min(w0, w), w1 = std::max(w1, w);
        }
        auto back = [&](double u, double w) { return PointF{float(c * u - sn * w), float(sn * u + c * w)}; };
        out.add(kItemLevelKind, 1, "level", {back(u0, w0), back(u1, w0), back(u1, w1), back(u0, w1), back(u0, w0)}, 0);
    }
    return std::move(out.items);
}

const PieceLine* PieceFoldLine(const Piece& pc) {
    for (const List<PieceLine>* list : {&pc.linesA, &pc.linesB})
        for (auto& l : *list)
            if (l->flags & kPieceLineFoldLine) return l.get();
    return nullptr;
}

std::optional<std::vector<OutputItem>> PieceItemsAtSize(const Design& d, const Settings& s, const Piece& piece,
                                                        int size, TFont* font) {
    std::optional<SizedPiece> sized = PieceAtSize(d, piece, size);
    if (!sized) return std::nullopt;
    Piece& at = *sized->piece;
    ItemSink out{s, OutputRole(piece.flags, d.flags), std::nullopt, {}};
    auto cutKind = [](const PieceLine& l) {
        const int t = int(l.flags & kPieceLineKindMask);
        return t >= 1 && t <= 4 ? t : 1;
    };

    const PieceLine* foldLine = PieceFoldLine(at);
    if (foldLine) out.fold = FoldAxisOf(foldLine->drawn1);
    // The marking forms cut along the piece lines' own margins.
    Polyline outline = at.outline;
    if (MarkingRole(out.role)) {
        Polyline cut = CuttingOutline(at);
        if (!cut.empty()) outline = std::move(cut);
    }
    if (foldLine) {
        const int edge = int(foldLine->flags & kPieceLineKindMask);
        if (edge >= 1 && edge <= 3) out.add(kItemInnerKind, edge, "fold_line", foldLine->drawn1, 0);
        outline = ShiftOutlineStart(outline, 5);
    }
    // 记号: the piece's notches and marks.
    if (out.allowed(kRowMarks)) {
        for (auto& n : at.notches) out.notch(*n);
        for (auto& m : at.marks) out.mark(*m);
    }
    // The outline: the piece's tool bits, else the cut kind of its first outline line.
    {
        int tool = int((piece.flags >> 8) & 0xFu);
        if (tool < 1 || tool > 4) {
            const std::vector<PieceLine*> order = OutlineOrder(at);
            tool = order.empty() ? 0 : int(order.front()->flags & kPieceLineKindMask);
            if (tool < 1 || tool > 4) tool = 0;
        }
        uint32_t f = piece.flags & kPiecePairMask;
        if (piece.flags & kFlagFolds) f |= kItemFoldsBit;
        out.add(kItemOutlineKind, tool, "outline", outline, 0, f);
    }
    // Lines with a margin once more, by their 原线 setting: 1 the line, 2 the line moved out.
    if (!(d.flags & kDesignMarginFullColour))
        for (const List<PieceLine>* list : {&at.linesA, &at.linesB})
            for (auto& l : *list) {
                if (l->f[0] == 0.0f) continue;
                const int orig = int((l->flags & kPieceLineOrigMask) >> kPieceLineOrigShift);
                if (orig == 1) out.add(kItemInnerKind, cutKind(*l), "margin_line", l->drawn1, l->flags);
                else if (orig == 2)
                    out.add(kItemInnerKind, cutKind(*l), "margin_line", l->drawn2.empty() ? l->drawn1 : l->drawn2, l->flags);
            }
    // The inner lines.
    for (auto& l : at.linesB) out.add(kItemInnerKind, cutKind(*l), "line", l->drawn1, l->flags);
    // The members, by what they refer to, at the size.
    for (auto& m : at.members) {
        const KindRef& e = m->element;
        if (!e.ptr) continue;
        switch (e.kind & 0xFFu) {
            case kKindPin:
                if (out.allowed(kRowPins)) out.pin(*e.as<Pin>(), "member_pin", m->memberWord);
                break;
            case kKindMotif:
                if (out.allowed(kRowMotifs)) out.motif(*e.as<Motif>(), "member_motif", m->memberWord);
                break;
            case kKindPointRow:
                if (out.allowed(kRowPins)) out.row(*e.as<PointRow>(), "member_point_row", m->memberWord);
                break;
            case kKindSlotLine:
                if (out.allowed(kRowSlots)) out.slot(*e.as<SlotLine>(), "member_slot_line", m->memberWord);
                break;
            case kKindSymElemLink: out.elementLink(*e.as<SymElemLink>(), m->memberWord); break;
            default: break;
        }
    }
    // The piece's own point rows.
    if (out.allowed(kRowPins))
        for (auto& r : at.pointRows) out.row(*r, "point_row", r->flags);
    // 鞋号 and 字串.
    if (out.allowed(kRowLabels)) {
        const Part* main = sized->mainPart;
        for (auto& l : at.sizeLabels) {
            const LabelValues v = LabelValuesOf(d, s, outline, out.role, main ? main->year : 0, main ? main->month : 0,
                                                main ? main->day : 0, piece.sharedDie, size);
            out.label(*l, LabelText(d.report, v), font);
        }
    }
    if (out.allowed(kRowTexts))
        for (auto& t : at.texts) out.text(*t, font);
    // 槽线: the piece's own slot lines.
    if (out.allowed(kRowSlots))
        for (auto& sl : at.slotLines) out.slot(*sl, "slot_line", sl->flags);
    for (auto& c : at.chamfers) out.chamfer(*c);
    return std::move(out.items);
}

}  // namespace rz
