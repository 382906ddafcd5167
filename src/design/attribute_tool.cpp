// 属性 (30): a click opens the attribute dialog of the element under it (定针属性, 鞋号属性,
// 图案属性, 字串属性, 排点参数, 扩边属性, 槽线属性, 记号属性, 倒角属性, 线条属性 and, with Ctrl,
// 线条扩展属性; with Ctrl inside a part away from its elements, 部位属性). A right click on a text
// string lines the selected strings up on it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "commands/draw_common.h"
#include "commands/feature_tools.h"
#include "commands/tool_support.h"
#include "design/design_tools.h"
#include "design/pieces.h"
#include "design/rows.h"
#include "design/seam.h"
#include "geom/polyline.h"
#include "model/afterload.h"
#include "model/gbk.h"
#include "model/font.h"

namespace rz {

namespace {

constexpr double kDeg = 180.0 / std::numbers::pi;

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) < 1.0e7; }

std::string Hex(uint32_t bgr) {
    char b[16];
    std::snprintf(b, sizeof b, "%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return b;
}

// "RRGGBB" (with or without '#') as 0x00BBGGRR; nothing for anything else.
std::optional<uint32_t> FromHex(std::string t) {
    if (!t.empty() && t[0] == '#') t.erase(0, 1);
    if (t.size() != 6 || !std::all_of(t.begin(), t.end(), [](char c) { return std::isxdigit((unsigned char)c); }))
        return std::nullopt;
    uint32_t rgb = uint32_t(std::stoul(t, nullptr, 16));
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

std::string Fmt2(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", v);
    return b;
}

// Moves and turns strokes laid out at (x, y) with angle a to (nx, ny) with angle na.
void PlaceStrokes(Shape& s, PointF from, float a, PointF to, float na) {
    moveStrokes(s, -from.x, -from.y);
    turnStrokes(s, {0.0f, 0.0f}, na - a);
    moveStrokes(s, to.x, to.y);
}

uint32_t WithTool(uint32_t flags, bool cut, uint32_t cutValue, bool folds) {
    return (flags & ~(kFlagToolMask | kFlagFolds)) | (cut ? cutValue : 1u) | (folds ? kFlagFolds : 0u);
}

// 鞋号属性 and 字串属性 share a template.
bool LabelLikeDialog(Engine& e, const char* title, float& x, float& y, float& angle, float& w, float& h,
                     uint32_t& flags, std::string* text) {
    const LengthUnit u = DialogLengthUnit(e.doc.settings);
    std::vector<FormField> f;
    if (text) f.push_back(FormField::Text("字串", GbkToUtf8(*text)));
    f.push_back(FormField::Number("X(" + u.name + ")", x / u.per));
    f.push_back(FormField::Number("Y(" + u.name + ")", y / u.per));
    f.push_back(FormField::Number("角度", angle * kDeg, 2, -360, 360));
    f.push_back(FormField::Number("宽(" + u.name + ")", w / u.per, 2, 0, 1.0e4));
    f.push_back(FormField::Number("高(" + u.name + ")", h / u.per, 2, 0, 1.0e4));
    f.push_back(FormField::Check("决定割出", (flags & kFlagToolMask) >= 2));
    f.push_back(FormField::Check("参与对折", flags & kFlagFolds));
    if (!e.doc.platform.formDialog(title, f)) return false;
    size_t k = 0;
    if (text) {
        if (f[0].text.empty()) return false;
        *text = Utf8ToGbk(f[0].text);
        k = 1;
    }
    for (size_t i = k; i < k + 5; ++i)
        if (!Finite(f[i].value)) return false;
    PointF at{float(f[k].value * u.per), float(f[k + 1].value * u.per)};
    if (!WithinPatternLimits(at)) return false;
    x = at.x, y = at.y;
    angle = float(f[k + 2].value / kDeg);
    w = float(f[k + 3].value * u.per);
    h = float(f[k + 4].value * u.per);
    flags = WithTool(flags, f[k + 5].on(), 2u, f[k + 6].on());
    return true;
}

bool SizeLabelDialog(Engine& e, SizeLabel& l) {
    PointF from{l.x, l.y};
    float a = l.angle;
    if (!LabelLikeDialog(e, "鞋号属性", l.x, l.y, l.angle, l.width, l.height, l.flags, nullptr)) return false;
    PlaceStrokes(l.strokes, from, a, {l.x, l.y}, l.angle);
    return true;
}

bool TextDialog(Engine& e, Part* part, TextString& t, const TFont* font) {
    PointF from{t.x, t.y};
    float a = t.angle;
    std::string text = t.text;
    if (!LabelLikeDialog(e, "字串属性", t.x, t.y, t.angle, t.width, t.height, t.flags, &text)) return false;
    auto relayout = [&](TextString& s, PointF was, float wasAngle) {
        if (font) {
            TextLayout lay = font->layoutText(s.text);
            s.strokes = std::move(lay.strokes);
            turnStrokes(s.strokes, {0.0f, 0.0f}, s.angle);
            moveStrokes(s.strokes, s.x, s.y);
        } else {
            PlaceStrokes(s.strokes, was, wasAngle, {s.x, s.y}, s.angle);
        }
    };
    const bool newText = text != t.text;
    t.text = text;
    if (newText && !font) t.strokes.clear();  // laid out again when a font is there
    relayout(t, from, a);
    // The other selected strings of the part take the same angle, size and flags.
    if (part && (t.flags & kFlagSelected))
        for (auto& s : part->texts) {
            if (s.get() == &t || !(s->flags & kFlagSelected)) continue;
            float wasAngle = s->angle;
            s->angle = t.angle, s->width = t.width, s->height = t.height;
            s->flags = (s->flags & kFlagTransient) | (t.flags & ~kFlagTransient);
            relayout(*s, {s->x, s->y}, wasAngle);
        }
    return true;
}

bool MotifDialog(Engine& e, Motif& m) {
    const LengthUnit u = DialogLengthUnit(e.doc.settings);
    std::vector<FormField> f{FormField::Number("X(" + u.name + ")", m.x / u.per), FormField::Number("Y(" + u.name + ")", m.y / u.per),
                             FormField::Check("决定割出", (m.flags & kFlagToolMask) >= 2), FormField::Check("参与对折", m.flags & kFlagFolds)};
    if (!e.doc.platform.formDialog("图案属性", f)) return false;
    PointF at{float(f[0].value * u.per), float(f[1].value * u.per)};
    if (!Finite(f[0].value) || !Finite(f[1].value) || !WithinPatternLimits(at)) return false;
    m.x = at.x, m.y = at.y;
    m.flags = WithTool(m.flags, f[2].on(), 3u, f[3].on());
    return true;
}

// 线条属性: 边线, 原线, width, colour, auxiliary, folds and the line's own margin.
bool LineDialog(Engine& e, Line& l) {
    const LengthUnit u = DialogLengthUnit(e.doc.settings);
    std::vector<FormField> f{FormField::Choice("边线", {"0", "1", "2", "3"}, int(l.flags & kLineEdgeMask)),
                             FormField::Choice("原线", {"不画", "虚线", "实线", "3"}, int((l.flags & kLineOrigMask) >> 2)),
                             FormField::Number("线宽", (l.flags >> kLineWidthShift) & 0xF, 0, 0, 15),
                             FormField::Text("颜色", Hex(l.colour)),
                             FormField::Check("辅助线", l.flags & kLineAuxiliary),
                             FormField::Check("参与对折", l.flags & kFlagFolds),
                             FormField::Number("边距(" + u.name + ")", l.margin / u.per, 2, -1.0e5 / u.per, 1.0e5 / u.per)};
    if (!e.doc.platform.formDialog("线条属性", f)) return false;
    auto colour = FromHex(f[3].text);
    if (!colour || !Finite(f[6].value)) return false;
    uint32_t w = uint32_t(std::clamp(f[2].value, 0.0, 15.0));
    l.flags = (l.flags & ~(kLineEdgeMask | kLineOrigMask | (0xFu << kLineWidthShift) | kLineAuxiliary | kFlagFolds)) |
              uint32_t(std::clamp(f[0].index(), 0, 3)) | (uint32_t(std::clamp(f[1].index(), 0, 3)) << 2) |
              (w << kLineWidthShift) | (f[4].on() ? kLineAuxiliary : 0u) | (f[5].on() ? kFlagFolds : 0u);
    l.colour = *colour;
    SetOwnMargin(l, float(f[6].value * u.per), e.doc.smooth);
    return true;
}

// 线条扩展属性: base point, type, curve method, fixed length, self-symmetric.
bool LineExtendedDialog(Engine& e, Part& part, Line& l) {
    int bp = -1;
    for (size_t i = 0; i < part.basePoints.size(); ++i)
        if (part.basePoints[i].get() == l.basePoint) bp = int(i);
    std::vector<FormField> f{FormField::Number("基点序号", bp, 0, -1, double(part.basePoints.size()) - 1),
                             FormField::Choice("类型", {"一般线", "长度线", "宽度线", "中心线"}, std::clamp(l.lineType(), 0, 3)),
                             FormField::Choice("曲线方法", {"0", "1", "2", "3", "4", "5"}, std::clamp(l.curveMethod(), 0, 5)),
                             FormField::Check("长度固定", l.flags & kLineFixedLength),
                             FormField::Check("自对称", l.flags & kLineSelfSymmetric)};
    if (!e.doc.platform.formDialog("线条扩展属性", f)) return false;
    int k = int(std::lround(f[0].value));
    l.basePoint = k >= 0 && size_t(k) < part.basePoints.size() ? part.basePoints[size_t(k)].get() : nullptr;
    int type = std::clamp(f[1].index(), 0, 3);
    if (type == 1 || type == 2) part.setLineType(l, type);
    else l.flags = (l.flags & ~kLineTypeMask) | (uint32_t(type) << kLineTypeShift);
    l.flags = (l.flags & ~(kLineMethodMask | kLineFixedLength | kLineSelfSymmetric)) |
              (uint32_t(std::clamp(f[2].index(), 0, 5)) << kLineMethodShift) | (f[3].on() ? kLineFixedLength : 0u) |
              (f[4].on() ? kLineSelfSymmetric : 0u);
    EvaluateLineRecord(l, e.doc.smooth);
    return true;
}

}  // namespace

// 部位属性 and 分片特性: one template. Returns true when something was stored.
bool PartAttributeDialog(TDoc& doc, Part* part, Piece* piece, const std::function<bool()>& dieNotes) {
    const Design& d = doc.design;
    uint32_t& flags = part ? part->flags : piece->flags;
    uint32_t colour = part ? part->colour : piece->colour();
    RectF box = part ? part->bbox : piece->bbox;
    Piece tmp;
    const Polyline& outline = part ? part->outline : piece->outline;
    tmp.bbox = box;
    tmp.outline = outline;
    if (PolyClosed(outline)) tmp.flags |= kPieceClosed;
    PieceFigures fig = MeasurePiece(d, tmp);
    const uint32_t pairMask = 0xF000u, shrink = 1u << 22;
    std::vector<FormField> f{FormField::Choice("种类", {"帮", "底", "里", "样"}, int(flags & 0x3u)),
                             FormField::Check("缩水版", flags & shrink)};
    if (part) {
        f.push_back(FormField::Number("年", part->year, 0, 0, 9999));
        f.push_back(FormField::Number("月", part->month, 0, 1, 12));
        f.push_back(FormField::Number("日", part->day, 0, 1, 31));
    }
    f.push_back(FormField::Label("长(mm)", Fmt2(fig.length / 100.0) + " ±" + Fmt2(fig.lengthStep / 100.0)));
    f.push_back(FormField::Label("宽(mm)", Fmt2(fig.width / 100.0) + " ±" + Fmt2(fig.widthStep / 100.0)));
    f.push_back(FormField::Label("周长(mm)", Fmt2(fig.perimeter / 100.0)));
    f.push_back(FormField::Label("面积(mm²)", Fmt2(fig.area / 1.0e4)));
    f.push_back(FormField::Text("配色", Hex(colour)));
    f.push_back(FormField::Number("片数", double(((flags & pairMask) >> 12) + 1), 0, 1, 16));
    bool notesChanged = false;
    if (dieNotes) f.push_back(FormField::Button("共模说明", [&] { notesChanged = dieNotes() || notesChanged; }));
    if (!doc.platform.formDialog(part ? "部位属性" : "分片特性", f)) return notesChanged;
    size_t k = 2;
    if (part) {
        part->year = int(f[2].value), part->month = int(f[3].value), part->day = int(f[4].value);
        k = 5;
    }
    auto c = FromHex(f[k + 4].text);
    if (!c) return notesChanged;
    int pairs = std::clamp(int(std::lround(f[k + 5].value)), 1, 16);
    uint32_t kind = uint32_t(std::clamp(f[0].index(), 0, 3));
    flags = (flags & ~(pairMask | shrink)) | (uint32_t(pairs - 1) << 12) | (f[1].on() ? shrink : 0u);
    if (part) {
        part->setPage(int(kind));  // the kind is the page
        part->colour = *c;
    } else {
        flags = (flags & ~0xFu) | kind;
        piece->words[1] = *c;
    }
    return true;
}

bool AttributeDialog(Engine& e, const PickResult& r, bool modifier) {
    switch (r.kind) {
    case kKindPin: return PinDialog(e, *r.as<Pin>());
    case kKindSizeLabel: return SizeLabelDialog(e, *r.as<SizeLabel>());
    case kKindMotif: return MotifDialog(e, *r.as<Motif>());
    case kKindText: return TextDialog(e, r.part, *r.as<TextString>(), nullptr);
    case kKindPointRow: return RowDialog(e, *r.as<PointRow>(), false);
    case kKindSeamAllowance: return r.part && SeamAttributeDialog(e, *r.part, r.as<SeamAllowance>(), nullptr);
    case kKindSlotLine: return SlotDialog(e, *r.as<SlotLine>());
    case kKindMark: return MarkDialog(e, *r.as<Mark>());
    case kKindChamfer: return ChamferDialog(e, *r.as<Chamfer>());
    case kKindLineA:
    case kKindLineB:
        return modifier && r.part ? LineExtendedDialog(e, *r.part, *r.as<Line>()) : LineDialog(e, *r.as<Line>());
    case kKindPart: return modifier && PartAttributeDialog(e.doc, r.part, nullptr);
    default: return false;
    }
}

namespace {

// The line whose own margin line passes near the point, on the page shown.
std::pair<Part*, Line*> MarginLineAt(Engine& e, PointF p) {
    const float h = PickHalf(e);
    for (auto& part : e.doc.design.parts) {
        if (part->page() != e.doc.currentPage() || part->hidden()) continue;
        for (List<Line>* l : {&part->linesB, &part->linesA})
            for (auto& line : *l)
                if (line->margin != 0.0f && line->second.size() >= 2 && !(line->flags & kFlagHidden) &&
                    PolyNearest(line->second, p).dist <= h)
                    return {part.get(), line.get()};
    }
    return {nullptr, nullptr};
}

struct AttributeTool : Tool {
    DesignServices svc;

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickElements | kPickNoLineNodes);
        if (!r) {
            // A line's own margin line: its 扩边属性.
            auto [part, line] = MarginLineAt(e, p.model);
            if (line) {
                if (SeamAttributeDialog(e, *part, nullptr, line)) CommitEdit(e, {part});
                return true;
            }
            if (p.ctrl()) r = e.PickAt(p.model, kPickPart);
        }
        if (!r) return Refuse(e);
        if (r.kind == kKindBasePoint && svc.basePointAttributes) {
            if (svc.basePointAttributes(e, *r.part, *r.as<BasePoint>())) CommitEdit(e, {r.part});
            return true;
        }
        if (r.kind == kKindBasePoint || r.kind == kKindNotch || r.kind == kKindDimension) return Refuse(e);
        bool changed = false;
        if (r.kind == kKindText) {
            changed = TextDialog(e, r.part, *r.as<TextString>(), svc.font);
        } else if (r.kind == kKindPart && p.ctrl() && r.part && svc.partDieNotes) {
            Part& part = *r.part;
            changed = PartAttributeDialog(e.doc, &part, nullptr, [&] { return svc.partDieNotes(e, part); });
        } else {
            changed = AttributeDialog(e, r, p.ctrl());
        }
        if (changed) {
            if (r.kind == kKindPart && svc.piecesChanged) svc.piecesChanged();
            CommitEdit(e, {r.part});
        }
        return true;
    }

    // Lines up the selected text strings on the one clicked: Ctrl takes its x, Shift spreads
    // three or more evenly in y between the lowest and the highest.
    bool rightPress(Engine& e, const Pointer& p) override {
        if (!p.ctrl() && !p.shift()) return false;
        PickResult r = e.PickAt(p.model, kPickTexts);
        if (r.kind != kKindText) return false;
        std::vector<TextString*> sel;
        for (auto& t : r.part->texts)
            if (t->flags & kFlagSelected) sel.push_back(t.get());
        const TextString& picked = *r.as<TextString>();
        bool moved = false;
        auto moveTo = [&](TextString& t, float x, float y) {
            if (t.x == x && t.y == y) return;
            moveStrokes(t.strokes, x - t.x, y - t.y);
            t.x = x, t.y = y;
            moved = true;
        };
        if (p.ctrl()) {
            for (TextString* t : sel) moveTo(*t, picked.x, t->y);
        } else {
            if (sel.size() < 3) return Refuse(e);
            std::stable_sort(sel.begin(), sel.end(), [](auto* a, auto* b) { return a->y < b->y; });
            const float lo = sel.front()->y, hi = sel.back()->y;
            for (size_t i = 0; i < sel.size(); ++i)
                moveTo(*sel[i], sel[i]->x, lo + (hi - lo) * float(i) / float(sel.size() - 1));
        }
        if (moved) CommitEdit(e, {r.part});
        return true;
    }
};

}  // namespace

void InstallAttributeTool(Engine& e, const DesignServices& s) {
    auto t = std::make_unique<AttributeTool>();
    t->svc = s;
    e.setTool(mode::Attribute, std::move(t));
}

}  // namespace rz
