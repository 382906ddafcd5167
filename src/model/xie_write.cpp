// Writing the 6.5 pattern file: the record lists, the design and its parts, pieces, scan lines and
// pictures, the preview outline; and the atomic file write every save goes through.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include "model/bytes.h"
#include "model/refs.h"
#include "model/xie.h"
#include "model/xie_records.h"

namespace rz {

void XieRecordWriter::identify(Cat c, const void* rec) {
    // Identities: a running number per category, in the order the reader meets the records.
    uint32_t& n = counts[size_t(c)];
    ids_[size_t(c)].emplace(reinterpret_cast<uintptr_t>(rec), reinterpret_cast<void*>(uintptr_t(n + 1)));
    ++n;
}

uint32_t XieRecordWriter::id(Cat c, const void* p) const {
    if (!p) return 0;
    return uint32_t(reinterpret_cast<uintptr_t>(ids_[size_t(c)].find(reinterpret_cast<uintptr_t>(p))));
}

uint32_t XieRecordWriter::ref(const KindRef& r) const {
    auto c = CategoryOfKind(r.kind);
    return c ? id(*c, r.ptr) : 0;
}

void XieRecordWriter::shape(const Shape& s) {
    struct Run {
        const PointF* p;
        size_t n;
    };
    std::vector<Run> runs;
    runs.reserve(s.size());
    for (const Polyline& pl : s) {
        if (pl.size() <= 0xFFFF) {
            runs.push_back({pl.data(), pl.size()});
            continue;
        }
        for (size_t from = 0;;) {
            size_t n = std::min<size_t>(0xFFFF, pl.size() - from);
            runs.push_back({pl.data() + from, n});
            if (from + n >= pl.size()) break;
            from += n - 1;  // the next run starts at this run's last point
        }
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        const uint16_t c = uint16_t(runs[i].n);
        w.u16(c);
        w.u32(c ? 1 : 0);
        w.u32(i + 1 < runs.size() ? 1 : 0);
        for (size_t j = 0; j < c; ++j) {
            w.f32(runs[i].p[j].x);
            w.f32(runs[i].p[j].y);
        }
    }
}

void XieRecordWriter::lines(const List<Line>& l) {
    for (size_t i = 0; i < l.size(); ++i) {
        const Line& r = *l[i];
        w.u32(uint32_t(r.nodes.size()));
        w.u32(r.nodes.empty() ? 0 : 1);
        w.u32(r.flags);
        w.u16(r.valueA);
        w.u16(r.valueB);
        w.u32(r.colour);
        w.f32(r.margin);
        w.f32(r.startExt);
        w.f32(r.endExt);
        w.u32(id(Cat::BasePoints, r.basePoint));
        w.u32(id(Cat::Lines, r.frontSym));
        w.u32(id(Cat::Lines, r.graded));
        w.u32(nextOf(l, i, Cat::Lines));
        for (auto& n : r.nodes) {
            w.f32(n.x);
            w.f32(n.y);
            w.u32(n.word & ~kNodeRunMarks);
        }
    }
}

void XieRecordWriter::pins(const List<Pin>& l) {
    for (size_t i = 0; i < l.size(); ++i) {
        const Pin& r = *l[i];
        w.f32(r.x);
        w.f32(r.y);
        w.f32(r.diameter);
        w.u32(r.flags);
        w.u32(id(Cat::BasePoints, r.basePoint));
        w.u32(id(Cat::Lines, r.frontSym));
        w.u32(id(Cat::Pins, r.graded));
        w.u32(nextOf(l, i, Cat::Pins));
    }
}

void XieRecordWriter::motifs(const List<Motif>& l) {
    for (size_t i = 0; i < l.size(); ++i) {
        const Motif& r = *l[i];
        w.u32(r.shape.empty() ? 0 : 1);
        w.f32(r.x);
        w.f32(r.y);
        w.u32(r.flags);
        w.u32(id(Cat::BasePoints, r.basePoint));
        w.u32(id(Cat::Lines, r.frontSym));
        w.u32(id(Cat::Motifs, r.graded));
        w.u32(nextOf(l, i, Cat::Motifs));
        shape(r.shape);
    }
}

void XieRecordWriter::texts(const List<TextString>& l) {
    for (size_t i = 0; i < l.size(); ++i) {
        const TextString& r = *l[i];
        w.u32(1);
        w.f32(r.angle);
        w.f32(r.width);
        w.f32(r.height);
        w.f32(r.x);
        w.f32(r.y);
        w.u32(r.flags);
        w.u32(nextOf(l, i, std::nullopt));
        w.text(r.text);
    }
}

namespace {

class Writer : public XieRecordWriter {
public:
    Writer(Design& d, bool withGraded) : d_(d), graded_(withGraded) {
        ForEachMappedRecord(d, withGraded, [&](Cat c, void* r) { identify(c, r); });
    }

    template <class T>
    void perSize(const std::optional<std::vector<T>>& a) {
        if (!a) return;
        for (int i = 0; i < d_.n; ++i) put(size_t(i) < a->size() ? (*a)[size_t(i)] : T{});
    }
    void put(uint8_t v) { w.u8(v); }
    void put(float v) { w.f32(v); }
    void put(const PairF& v) {
        w.f32(v.a);
        w.f32(v.b);
    }

    void labels(const List<SizeLabel>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const SizeLabel& r = *l[i];
            w.f32(r.x);
            w.f32(r.y);
            w.f32(r.angle);
            w.f32(r.width);
            w.f32(r.height);
            w.u32(r.colour);
            w.u32(r.flags);
            w.u32(nextOf(l, i, std::nullopt));
        }
    }
    void notches(const List<Notch>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const Notch& r = *l[i];
            w.f32(r.x);
            w.f32(r.y);
            w.f32(r.depth);
            w.f32(r.angle);
            w.u32(r.flags);
            w.u32(nextOf(l, i, std::nullopt));
        }
    }
    void dims(const List<Dimension>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const Dimension& r = *l[i];
            for (float f : r.points) w.f32(f);
            w.u32(1);
            w.f32(r.f1);
            w.f32(r.f2);
            w.u32(r.flags);
            w.u32(ref(r.ref1));
            w.u32(r.ref1.kind);
            w.u32(ref(r.ref2));
            w.u32(r.ref2.kind);
            w.u32(nextOf(l, i, std::nullopt));
            w.text(r.text);
        }
    }
    void bases(const List<BasePoint>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const BasePoint& r = *l[i];
            w.f32(r.x);
            w.f32(r.y);
            w.f32(r.direction);
            w.u32(r.sharedNotes ? 1 : 0);
            w.f32(r.length);
            w.f32(r.width);
            w.f32(r.lengthStep);
            w.f32(r.widthStep);
            w.u32(r.targets ? 1 : 0);
            w.u32(r.flags);
            w.u32(id(Cat::Lines, r.frontSym));
            w.u32(id(Cat::BasePoints, r.owner));
            w.u32(nextOf(l, i, Cat::BasePoints));
            perSize(r.sharedNotes);
            perSize(r.targets);
        }
    }
    void rows(const List<PointRow>& l, bool mapped) {
        for (size_t i = 0; i < l.size(); ++i) {
            const PointRow& r = *l[i];
            w.u16(r.v0);
            w.u16(r.v1);
            for (float f : r.f) w.f32(f);
            w.u16(r.v2);
            w.u16(r.v3);
            w.u32(r.pointShape.empty() ? 0 : 1);
            w.u32(r.flags);
            w.u32(id(Cat::Lines, r.host));
            w.u32(nextOf(l, i, mapped ? std::optional<Cat>(Cat::PointRows) : std::nullopt));
            shape(r.pointShape);
        }
    }
    void seams(const List<SeamAllowance>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const SeamAllowance& r = *l[i];
            w.u32(r.valueCount);
            w.u32(r.values1 ? 1 : 0);
            w.u32(r.values2 ? 1 : 0);
            w.u32(r.word);
            w.u32(id(Cat::Lines, r.baseLine));
            w.f32(r.margin);
            w.f32(r.f2);
            w.u32(nextOf(l, i, Cat::SeamAllowances));
            for (const auto* a : {&r.values1, &r.values2}) {
                if (!*a) continue;
                for (uint32_t k = 0; k < r.valueCount; ++k) w.u32(k < (*a)->size() ? (**a)[k] : 0);
            }
        }
    }
    void symLines(const List<SymLineLink>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const SymLineLink& r = *l[i];
            w.u32(ref(r.target));
            w.u32(r.target.kind);
            w.f32(r.f1);
            w.f32(r.f2);
            w.u32(id(Cat::Lines, r.master));
            w.u32(r.linkWord);
            w.u32(nextOf(l, i, Cat::SymLineLinks));
        }
    }
    void slots(const List<SlotLine>& l, bool mapped) {
        for (size_t i = 0; i < l.size(); ++i) {
            const SlotLine& r = *l[i];
            w.u32(ref(r.host));
            w.u32(r.host.kind);
            for (float f : r.f) w.f32(f);
            w.u32(r.flags);
            w.u32(id(Cat::PieceLines, r.pieceLine));
            w.u32(nextOf(l, i, mapped ? std::optional<Cat>(Cat::SlotLines) : std::nullopt));
        }
    }
    void marks(const List<Mark>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const Mark& r = *l[i];
            w.f32(r.f0);
            w.u32(ref(r.host1));
            w.u32(r.host1.kind);
            w.u32(ref(r.host2));
            w.u32(r.host2.kind);
            w.f32(r.depth);
            w.f32(r.width);
            w.u32(r.flags);
            w.u32(id(Cat::PieceLines, r.pieceLine));
            w.u32(nextOf(l, i, std::nullopt));
        }
    }
    void chamfers(const List<Chamfer>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const Chamfer& r = *l[i];
            w.u32(ref(r.host1));
            w.u32(r.host1.kind);
            w.u32(ref(r.host2));
            w.u32(r.host2.kind);
            w.f32(r.radius);
            w.u32(r.flags);
            w.u32(nextOf(l, i, std::nullopt));
        }
    }
    void symElems(const List<SymElemLink>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const SymElemLink& r = *l[i];
            w.u32(ref(r.element));
            w.u32(r.element.kind);
            w.u32(id(Cat::Lines, r.master));
            w.u32(r.linkWord);
            w.u32(nextOf(l, i, Cat::SymElemLinks));
        }
    }
    void shared(const List<SharedZone>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const SharedZone& r = *l[i];
            for (float f : r.f) w.f32(f);
            w.u32(id(Cat::Lines, r.host));
            w.u32(id(Cat::BasePoints, r.basePoint));
            w.u32(nextOf(l, i, std::nullopt));
        }
    }
    void fixed(const List<FixedDistance>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const FixedDistance& r = *l[i];
            for (float f : r.f) w.f32(f);
            w.u32(r.perSize ? 1 : 0);
            w.u32(ref(r.first));
            w.u32(r.first.kind);
            w.u32(id(Cat::Lines, r.host));
            w.u32(nextOf(l, i, std::nullopt));
            perSize(r.perSize);
        }
    }
    void pieceLines(const List<PieceLine>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const PieceLine& r = *l[i];
            w.u32(ref(r.source));
            w.u32(r.source.kind);
            w.f32(r.start);
            w.f32(r.end);
            w.u32(r.flags);
            for (float f : r.f) w.f32(f);
            w.u32(id(Cat::PieceLines, r.prevSeg));
            w.u32(id(Cat::PieceLines, r.nextSeg));
            w.u32(id(Cat::PieceLines, r.paired));
            w.u32(nextOf(l, i, Cat::PieceLines));
        }
    }
    void members(const List<PieceMember>& l) {
        for (size_t i = 0; i < l.size(); ++i) {
            const PieceMember& r = *l[i];
            w.u32(ref(r.element));
            w.u32(r.element.kind);
            w.u32(r.memberWord);
            w.u32(id(Cat::PieceLines, r.pieceLine));
            w.u32(nextOf(l, i, std::nullopt));
        }
    }

    void partHeader(const Part& p, bool more) {
        w.u32(p.flags);
        w.i32(p.year);
        w.i32(p.month);
        w.i32(p.day);
        w.u32(p.partWord);
        w.u32(p.colour);
        w.f32(p.homeX);
        w.f32(p.homeY);
        w.f32(p.partValue);
        w.u32(p.sharedDie ? 1 : 0);
        w.u32(graded_ ? head(p.gradedLines, Cat::Lines) : 0);
        w.u32(graded_ ? head(p.gradedPins, Cat::Pins) : 0);
        w.u32(graded_ ? head(p.gradedMotifs, Cat::Motifs) : 0);
        w.u32(head(p.linesA, Cat::Lines));
        w.u32(head(p.linesB, Cat::Lines));
        w.u32(head(p.pins, Cat::Pins));
        w.u32(head(p.sizeLabels, std::nullopt));
        w.u32(head(p.notches, std::nullopt));
        w.u32(head(p.motifs, Cat::Motifs));
        w.u32(head(p.texts, std::nullopt));
        w.u32(head(p.dimensions, std::nullopt));
        w.u32(head(p.basePoints, Cat::BasePoints));
        w.u32(head(p.pointRows, Cat::PointRows));
        w.u32(head(p.seamAllowances, Cat::SeamAllowances));
        w.u32(head(p.symLineLinks, Cat::SymLineLinks));
        w.u32(head(p.slotLines, Cat::SlotLines));
        w.u32(head(p.marks, std::nullopt));
        w.u32(head(p.chamfers, std::nullopt));
        w.u32(head(p.symElemLinks, Cat::SymElemLinks));
        w.u32(head(p.sharedZones, std::nullopt));
        w.u32(head(p.fixedDistances, std::nullopt));
        w.u32(more ? 1 : 0);
    }

    void partBody(const Part& p) {
        perSize(p.sharedDie);
        if (graded_) {
            lines(p.gradedLines);
            pins(p.gradedPins);
            motifs(p.gradedMotifs);
        }
        lines(p.linesA);
        lines(p.linesB);
        pins(p.pins);
        labels(p.sizeLabels);
        notches(p.notches);
        motifs(p.motifs);
        texts(p.texts);
        dims(p.dimensions);
        bases(p.basePoints);
        rows(p.pointRows, true);
        seams(p.seamAllowances);
        symLines(p.symLineLinks);
        slots(p.slotLines, true);
        marks(p.marks);
        chamfers(p.chamfers);
        symElems(p.symElemLinks);
        shared(p.sharedZones);
        fixed(p.fixedDistances);
    }

    void piece(const Piece& pc, bool more) {
        w.u16(pc.slot);
        w.u32(pc.flags);
        for (uint32_t x : pc.words) w.u32(x);
        w.f32(pc.pieceFloat);
        w.u32(pc.sharedDie ? 1 : 0);
        w.u32(head(pc.linesA, Cat::PieceLines));
        w.u32(head(pc.linesB, Cat::PieceLines));
        w.u32(head(pc.members, std::nullopt));
        w.u32(head(pc.sizeLabels, std::nullopt));
        w.u32(head(pc.notches, std::nullopt));
        w.u32(head(pc.texts, std::nullopt));
        w.u32(head(pc.pointRows, std::nullopt));
        w.u32(head(pc.slotLines, std::nullopt));
        w.u32(head(pc.marks, std::nullopt));
        w.u32(head(pc.chamfers, std::nullopt));
        w.u32(more ? 1 : 0);
        perSize(pc.sharedDie);
        pieceLines(pc.linesA);
        pieceLines(pc.linesB);
        members(pc.members);
        labels(pc.sizeLabels);
        notches(pc.notches);
        texts(pc.texts);
        rows(pc.pointRows, false);
        slots(pc.slotLines, false);
        marks(pc.marks);
        chamfers(pc.chamfers);
    }

private:
    Design& d_;
    bool graded_;
};

}  // namespace

std::vector<std::pair<int32_t, int32_t>> PreviewOutline(const Design& d) {
    std::vector<std::pair<int32_t, int32_t>> out;
    if (d.parts.size() == 1 && d.firstPart().linesB.empty()) return out;
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool any = false;
    auto lines = [&](auto&& fn) {
        for (auto& p : d.parts)
            for (const List<Line>* l : {&p->linesA, &p->linesB})
                for (auto& ln : *l)
                    if (!(ln->flags & kLineNoPreview)) fn(*ln);
    };
    lines([&](const Line& ln) {
        for (auto& n : ln.nodes) {
            if (!std::isfinite(n.x) || !std::isfinite(n.y)) continue;
            if (!any) {
                minX = maxX = n.x;
                minY = maxY = n.y;
                any = true;
            }
            minX = std::min(minX, n.x);
            maxX = std::max(maxX, n.x);
            minY = std::min(minY, n.y);
            maxY = std::max(maxY, n.y);
        }
    });
    double ex = double(maxX) - minX, ey = double(maxY) - minY;
    double s = (ex <= 45720 && ey <= 30480) ? 1.0 : std::min(45720 / ex, 30480 / ey);
    double factor = s / 180.0;
    auto toInt = [](double v) -> int32_t {
        if (!std::isfinite(v)) return 0;
        return int32_t(std::clamp(v, -2147483648.0, 2147483647.0));
    };
    lines([&](const Line& ln) {
        for (auto& n : ln.nodes)
            out.emplace_back(toInt((double(n.x) - minX) * factor), toInt((double(n.y) - minY) * factor));
        out.emplace_back(0, 0);
    });
    return out;
}

// A generous guess of the file size, so that writing a large design does not keep moving it.
static size_t EstimateSize(const Design& d) {
    size_t n = 4096;
    auto shape = [](const Shape& s) {
        size_t k = 0;
        for (auto& pl : s) k += 10 + pl.size() * 8;
        return k;
    };
    for (auto& p : d.parts) {
        n += 256;
        for (const List<Line>* l : {&p->gradedLines, &p->linesA, &p->linesB})
            for (auto& ln : *l) n += 48 + 2 * 12 + ln->nodes.size() * 12;
        n += (p->pins.size() + p->gradedPins.size()) * 32;
        for (const List<Motif>* l : {&p->motifs, &p->gradedMotifs})
            for (auto& m : *l) n += 32 + shape(m->shape);
        n += 64 * (p->sizeLabels.size() + p->notches.size() + p->texts.size() + p->dimensions.size() +
                   p->basePoints.size() + p->pointRows.size() + p->seamAllowances.size());
    }
    for (auto& pc : d.pieces) n += 128 + 48 * (pc->linesA.size() + pc->linesB.size());
    return n;
}

std::vector<uint8_t> WriteXie(Design& d, const List<ScanLine>* scans, const List<TPIC>* pictures) {
    d.flags &= ~0xFFu;
    const bool graded = (d.flags & kDesignSaveGrading) != 0;
    Writer wr(d, graded);
    ByteWriter& w = wr.w;
    w.buf.reserve(EstimateSize(d));
    w.bytes(kBanner65, kBannerSize);
    auto preview = PreviewOutline(d);
    w.u32(uint32_t(preview.size()));
    for (auto& [x, y] : preview) {
        w.i32(x);
        w.i32(y);
    }
    // Design parameter block. Results left out of the file are not announced in it either: the
    // reader recomputes the results flag from the lists, so the word matches what a reload sees.
    w.u32(graded ? d.flags : d.flags & ~kDesignGraded);
    w.u8(uint8_t(d.sizeSystem));
    w.u8(uint8_t(d.sizeCategory));
    w.u8(uint8_t(d.widthType));
    w.u16(uint16_t(d.baseSize));
    w.u16(uint16_t(d.rangeFrom));
    w.u16(uint16_t(d.rangeTo));
    w.u8(uint8_t(d.step));
    w.i16(int16_t(d.baseIndex));
    w.i16(int16_t(d.n));
    for (float f : d.baseParams) w.f32(f);
    w.u32(d.targets ? 1 : 0);
    w.u32(1);
    w.u32(d.notes.empty() ? 0 : 1);
    w.i16(int16_t(d.lengthAdj));
    w.i16(int16_t(d.girthAdj));
    w.u8(uint8_t(d.labelFormat));
    w.i16(int16_t(d.autoSaveNumber));
    wr.partHeader(d.firstPart(), d.parts.size() > 1);
    w.u32(d.pieces.empty() ? 0 : 1);
    wr.perSize(d.targets);
    w.text(d.report);
    for (size_t i = 0; i < d.notes.size(); ++i) {
        const DesignNote& n = d.notes[i];
        w.u32(n.word0);
        w.u32(1);
        w.u32(n.word2);
        w.u32(n.word3);
        w.u32(i + 1 < d.notes.size() ? 1 : 0);
        w.text(n.text);
    }
    for (uint32_t c : wr.counts) w.u32(c);
    wr.partBody(d.firstPart());
    for (size_t i = 1; i < d.parts.size(); ++i) {
        wr.partHeader(*d.parts[i], i + 1 < d.parts.size());
        wr.partBody(*d.parts[i]);
    }
    for (size_t i = 0; i < d.pieces.size(); ++i) wr.piece(*d.pieces[i], i + 1 < d.pieces.size());
    if (scans && !scans->empty()) {
        w.u32(1);
        for (size_t i = 0; i < scans->size(); ++i) {
            const ScanLine& s = *(*scans)[i];
            w.u32(s.flags);
            w.u32(s.value);
            w.u16(s.v1);
            w.u16(s.v2);
            w.u32(s.shape.empty() ? 0 : 1);
            w.u32(i + 1 < scans->size() ? 1 : 0);
            wr.shape(s.shape);
        }
    } else {
        w.u32(0);
    }
    if (pictures && !pictures->empty()) {
        w.u32(1);
        for (size_t i = 0; i < pictures->size(); ++i) {
            w.u32((*pictures)[i]->word);
            w.u32(i + 1 < pictures->size() ? 1 : 0);
        }
    } else {
        w.u32(0);
    }
    return std::move(w.buf);
}


bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::string tmp = path + ".tmp-XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t k = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (k < 0) {
            if (errno == EINTR) continue;
            break;
        }
        done += size_t(k);
    }
    bool ok = done == bytes.size() && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    int savedErrno = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        savedErrno = errno;
        ok = false;
    }
    if (ok && std::rename(name.data(), path.c_str()) != 0) {
        savedErrno = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(name.data());
        if (error) *error = std::strerror(savedErrno ? savedErrno : EIO);
        return false;
    }
    return true;
}

}  // namespace rz
