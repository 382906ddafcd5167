#include "model/motif_library.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "geom/primitives.h"
#include "geom/transform.h"
#include "model/afterload.h"
#include "model/bytes.h"
#include "model/gbk.h"
#include "model/xie.h"
#include "model/xie_records.h"

namespace rz {

// ---------------------------------------------------------------- cells

int MotifCell::kind() const {
    if (!linesA.empty()) return kCellKindPart;
    if (!linesB.empty()) return kCellKindCurves;
    if (!pins.empty()) return kCellKindPins;
    if (!motifs.empty()) return kCellKindMotifs;
    return kCellKindNone;
}

bool MotifCell::empty() const {
    return linesA.empty() && linesB.empty() && pins.empty() && motifs.empty() && texts.empty();
}

void MotifCell::clear() { *this = MotifCell{}; }

int MotifLibrary::firstFreeCell() const {
    for (int i = kFirstFreeCell; i < kCellCount; ++i)
        if (cells[size_t(i)].empty()) return i;
    return -1;
}

bool MotifLibrary::moveToFreeCell() {
    int i = firstFreeCell();
    if (i < 0) return false;
    currentCell = i;
    return true;
}

float CurrentPinDiameter(const MotifLibrary& lib, float needleSetting) {
    if (!IsPinCell(lib.currentCell)) return needleSetting;
    const MotifCell& c = lib.current();
    const float mean = (c.useW + c.useH) / 2.0f;
    // A pin cell edited down to nothing gives no pin size: the setting stands in.
    return mean > 0.0f ? mean : needleSetting;
}

namespace {

// Every polyline of a cell's content, in cell coordinates.
template <class F>
void ForEachPolyline(const MotifCell& c, F&& f) {
    for (const List<Line>* l : {&c.linesA, &c.linesB})
        for (auto& ln : *l) f(ln->eval);
    for (auto& p : c.pins) f(p->outline);
    for (auto& m : c.motifs)
        for (auto& pl : m->shape) f(pl);
    for (auto& t : c.texts)
        for (auto& pl : t->strokes) f(pl);
}

bool Finite(float v) { return std::isfinite(v); }

}  // namespace

bool CellContentBox(const MotifCell& c, RectF& box) {
    bool any = false;
    ForEachPolyline(c, [&](const Polyline& pl) {
        for (PointF p : pl)
            // Far-off garbage from a file builds no geometry.
            if (InModelRange(p)) UniteBounds(box, any, {p.x, p.y, p.x, p.y});
    });
    return any;
}

void MeasureCell(MotifCell& c) {
    RectF b;
    if (!CellContentBox(c, b)) {
        c.contentX = c.contentY = c.contentW = c.contentH = 0.0f;
        return;
    }
    c.contentX = b.minX;
    c.contentY = b.minY;
    c.contentW = b.maxX - b.minX;
    c.contentH = b.maxY - b.minY;
}

float ClampUseSize(float v) {
    if (!(v > 0.0f)) return 0.0f;
    return std::min(v, kMaxUseSize);
}

void RestoreUseSize(MotifCell& c) {
    c.useW = ClampUseSize(c.contentW);
    c.useH = ClampUseSize(c.contentH);
}

bool AdjustUseSize(MotifCell& c, bool width, float delta) {
    float& v = width ? c.useW : c.useH;
    const float want = v + delta;
    v = ClampUseSize(want);
    return v != want;
}

std::optional<CellShapeResult> CellShape(const MotifCell& c, int index) {
    if (!(c.useW > 0.0f) || !(c.useH > 0.0f) || !Finite(c.useW) || !Finite(c.useH)) return std::nullopt;
    CellShapeResult r;
    if (index == kEllipseCell) {
        r.shape.push_back(EllipsePoints(c.useW, c.useH));
        return r;
    }
    if (c.kind() == kCellKindMotifs) {
        const Motif& m = *c.motifs.front();
        r.shape = m.shape;
        r.anchor = {m.x, m.y};
    } else {
        ForEachPolyline(c, [&](const Polyline& pl) {
            if (pl.empty()) return;
            Polyline q = pl;
            Translate(q, -c.contentX, -c.contentY);
            r.shape.push_back(std::move(q));
        });
    }
    // A straight horizontal or vertical line has no extent on one axis: that axis keeps its size.
    const float kx = c.contentW > 0.0f && Finite(c.contentW) ? c.useW / c.contentW : 1.0f;
    const float ky = c.contentH > 0.0f && Finite(c.contentH) ? c.useH / c.contentH : 1.0f;
    auto scale = [&](PointF& p) {
        p.x *= kx;
        p.y *= ky;
    };
    scale(r.anchor);
    Shape kept;
    for (Polyline& pl : r.shape) {
        for (PointF& p : pl) scale(p);
        if (!pl.empty() && std::all_of(pl.begin(), pl.end(), [](PointF p) { return InModelRange(p); }))
            kept.push_back(std::move(pl));
    }
    if (kept.empty() || !InModelRange(r.anchor)) return std::nullopt;
    r.shape = std::move(kept);
    return r;
}

void RebuildCell(MotifCell& c, const TSmooth& smooth, const LayOutText& text) {
    EvalScratch scratch;
    for (List<Line>* l : {&c.linesA, &c.linesB})
        for (auto& ln : *l) EvaluateLineRecord(*ln, smooth, scratch);
    for (auto& p : c.pins) p->outline = PinCircle(p->x, p->y, p->diameter);
    for (auto& t : c.texts) {
        t->strokes.clear();
        if (!text || t->text.empty()) continue;
        TextStrokes ts = text(t->text, t->width, t->height);
        const Rotation rot = SetRotation(t->angle);
        for (Polyline& pl : ts.strokes) {
            RotatePoints(rot, {0.0f, 0.0f}, pl);
            Translate(pl, t->x, t->y);
        }
        t->strokes = std::move(ts.strokes);
    }
}

// ---------------------------------------------------------------- built-in library

void MakeBuiltInLibrary(MotifLibrary& lib, const LayOutText& text) {
    for (auto& c : lib.cells) c.clear();
    lib.currentCell = 0;
    lib.readDamaged = false;
    auto square = [](MotifCell& c, float size) {
        c.useW = c.useH = c.contentW = c.contentH = size;
    };
    square(lib.cells[kEllipseCell], 200.0f);
    // The first five output column labels.
    const char* const labels[5] = {"做", "划", "托", "底", "里"};
    for (int i = 0; i < 5; ++i) {
        MotifCell& c = lib.cells[size_t(i + 1)];
        c.useW = c.useH = 500.0f;
        if (!text) continue;
        TextStrokes ts = text(Utf8ToGbk(labels[i]), 500.0f, 500.0f);
        if (ts.strokes.empty()) continue;
        auto m = std::make_unique<Motif>();
        m->shape = std::move(ts.strokes);
        m->flags = kFlagFolds | 1u;
        c.motifs.push_back(std::move(m));
        // The content is the character's 500 × 500 cell: the 图案 input places it as drawn.
        c.contentW = c.contentH = 500.0f;
    }
    square(lib.cells[kSizeLabelCell], 400.0f);
    for (int i = kFirstPinCell; i <= kLastPinCell; ++i) {
        MotifCell& c = lib.cells[size_t(i)];
        auto p = std::make_unique<Pin>();
        p->diameter = i == kFirstPinCell ? 40.0f : 100.0f * float(i - kFirstPinCell);
        p->flags = kFlagFolds | 1u;
        p->outline = PinCircle(0.0f, 0.0f, p->diameter);
        c.pins.push_back(std::move(p));
        MeasureCell(c);
        RestoreUseSize(c);
    }
}

// ---------------------------------------------------------------- the file

std::vector<uint8_t> WriteMotifLibrary(const MotifLibrary& lib) {
    ByteWriter out;
    for (const MotifCell& c : lib.cells) {
        // Each cell has its own identities, as it has its own address map when read.
        XieRecordWriter wr;
        for (const List<Line>* l : {&c.linesA, &c.linesB})
            for (auto& r : *l) wr.identify(Cat::Lines, r.get());
        for (auto& r : c.pins) wr.identify(Cat::Pins, r.get());
        for (auto& r : c.motifs) wr.identify(Cat::Motifs, r.get());
        out.u32(wr.counts[size_t(Cat::Lines)]);
        out.u32(wr.counts[size_t(Cat::Pins)]);
        out.u32(wr.counts[size_t(Cat::Motifs)]);
        out.u32(c.cellWord);
        out.f32(c.useW);
        out.f32(c.useH);
        out.f32(c.contentW);
        out.f32(c.contentH);
        out.f32(c.contentX);
        out.f32(c.contentY);
        out.u32(wr.head(c.linesA, Cat::Lines));
        out.u32(wr.head(c.linesB, Cat::Lines));
        out.u32(wr.head(c.pins, Cat::Pins));
        out.u32(wr.head(c.motifs, Cat::Motifs));
        out.u32(wr.head(c.texts, std::nullopt));
        wr.lines(c.linesA);
        wr.lines(c.linesB);
        wr.pins(c.pins);
        wr.motifs(c.motifs);
        wr.texts(c.texts);
        out.bytes(wr.w.buf.data(), wr.w.buf.size());
    }
    return std::move(out.buf);
}

LibraryReadResult ReadMotifLibrary(const std::vector<uint8_t>& bytes, MotifLibrary& lib,
                                   const TSmooth& smooth, const LayOutText& text) {
    LibraryReadResult res;
    for (auto& c : lib.cells) c.clear();
    ByteReader r(bytes);
    for (int i = 0; i < kCellCount; ++i) {
        // The three counts sized the original reader's address map; ours grows as it goes.
        uint8_t b[12 + kCellRecordSize];
        if (!r.bytes(b, sizeof b)) {
            res.damaged = true;
            break;
        }
        const uint8_t* rec = b + 12;
        MotifCell c;
        c.cellWord = GetU32(rec, 0);
        c.useW = ClampUseSize(GetF32(rec, 4));
        c.useH = ClampUseSize(GetF32(rec, 8));
        c.contentW = GetF32(rec, 12);
        c.contentH = GetF32(rec, 16);
        c.contentX = GetF32(rec, 20);
        c.contentY = GetF32(rec, 24);
        XieRecordReader rr(r);
        rr.readLines(GetU32(rec, 28), c.linesA);
        if (!r.truncated()) rr.readLines(GetU32(rec, 32), c.linesB);
        if (!r.truncated()) rr.readPins(GetU32(rec, 36), c.pins);
        if (!r.truncated()) rr.readMotifs(GetU32(rec, 40), c.motifs);
        if (!r.truncated()) rr.readTexts(GetU32(rec, 44), c.texts);
        if (r.truncated()) {
            res.damaged = true;
            break;
        }
        // References reach only records of the same cell; base points are never there.
        RetargetRef retarget{rr.map};
        for (List<Line>* l : {&c.linesA, &c.linesB})
            for (auto& ln : *l) VisitRecordRefs(*ln, retarget);
        for (auto& p : c.pins) VisitRecordRefs(*p, retarget);
        for (auto& m : c.motifs) VisitRecordRefs(*m, retarget);
        RebuildCell(c, smooth, text);
        if (!Finite(c.contentW) || !Finite(c.contentH) || !Finite(c.contentX) || !Finite(c.contentY) ||
            c.contentW < 0.0f || c.contentH < 0.0f)
            MeasureCell(c);
        lib.cells[size_t(i)] = std::move(c);
        ++res.cellsRead;
    }
    lib.readDamaged = res.damaged;
    return res;
}

LibraryLoad LoadMotifLibrary(const std::string& path, MotifLibrary& lib, const TSmooth& smooth,
                             const LayOutText& text) {
    LibraryLoad load;
    std::vector<uint8_t> bytes;
    if (path.empty() || !ReadFileBytes(path, bytes, nullptr)) {
        MakeBuiltInLibrary(lib, text);
        return load;
    }
    load.opened = true;
    load.read = ReadMotifLibrary(bytes, lib, smooth, text);
    return load;
}

bool SaveMotifLibrary(const std::string& path, const MotifLibrary& lib, std::string* error) {
    if (lib.readDamaged) {
        const std::string bak = path + ".bak";
        if (std::rename(path.c_str(), bak.c_str()) != 0 && errno != ENOENT) {
            if (error) *error = std::strerror(errno);
            return false;
        }
    }
    return WriteFileAtomic(path, WriteMotifLibrary(lib), error);
}

}  // namespace rz
