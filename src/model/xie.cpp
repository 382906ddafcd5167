#include "model/xie.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include "model/afterload.h"
#include "model/bytes.h"
#include "model/refs.h"
#include "model/xie_records.h"

namespace rz {

// Node marks (bits 17, 18) that a grading run sets on the nodes its controls place: transient,
// so never read nor written.
constexpr uint32_t kNodeRunMarks = 0x60000u;

const char kBanner65[] = "KESTREL BRELAN INFO & TECHNOLOGY LIMITED        2007/05 VOPAV6.5";
const char kBanner63[] = "KESTREL BRELAN-SOFT INFO TECHNOLOGY CO.,LTD. 2003/03/18 VOPAV6.3";
const char kBanner50[] = "KESTREL Torvent Science & Technology Developing Co.,LTD.2000V5.0";
const char kBannerCut20[] = "HARLOW TORVENT AUTOMATIC MACHINERY CO.,LTD.  2003/10/10 QZCCV2.0";
static_assert(sizeof(kBanner65) == kBannerSize + 1 && sizeof(kBanner63) == kBannerSize + 1 &&
              sizeof(kBanner50) == kBannerSize + 1 && sizeof(kBannerCut20) == kBannerSize + 1);

const char* VersionName(XieVersion v) {
    switch (v) {
        case XieVersion::V65: return "6.5";
        case XieVersion::V63: return "6.3";
        case XieVersion::V50: return "5.0";
        default: return "";
    }
}

XieVersion BannerVersion(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < kBannerSize) return XieVersion::Unknown;
    auto is = [&](const char* b) { return std::memcmp(bytes.data(), b, kBannerSize) == 0; };
    if (is(kBanner65)) return XieVersion::V65;
    if (is(kBanner63)) return XieVersion::V63;
    if (is(kBanner50)) return XieVersion::V50;
    return XieVersion::Unknown;
}

namespace {

template <class T>
T* IdPtr(uint32_t id) {
    // Until the address map re-targets it, a reference field holds the identity it was stored as.
    return reinterpret_cast<T*>(uintptr_t(id));
}
inline KindRef IdRef(uint32_t id, uint32_t kind) { return {reinterpret_cast<void*>(uintptr_t(id)), kind}; }

constexpr size_t kRecLine65 = 48, kRecLine63 = 44, kRecPin = 32, kRecLabel65 = 32, kRecLabel63 = 24,
                 kRecNotch65 = 24, kRecNotch63 = 16, kRecMotif = 32, kRecText = 32, kRecDim = 52,
                 kRecBase = 52, kRecRow = 52, kRecSeam = 32, kRecSymLine = 28, kRecSlot = 40,
                 kRecMark = 40, kRecChamfer = 28, kRecSymElem = 20, kRecShared = 28, kRecFixed = 36,
                 kRecPieceLine = 48, kRecMember = 20, kRecPiece65 = 74, kRecPiece63 = 50,
                 kPartHeader65 = 128, kPartHeader63 = 112;

// Presence words of a part's lists in header order (6.5 words 10–30).
enum PartList {
    PL_GradedLines, PL_GradedPins, PL_GradedMotifs, PL_LinesA, PL_LinesB, PL_Pins, PL_Labels,
    PL_Notches, PL_Motifs, PL_Texts, PL_Dims, PL_Bases, PL_Rows, PL_Seams, PL_SymLines,
    PL_Slots, PL_Marks, PL_Chamfers, PL_SymElems, PL_Shared, PL_Fixed, PL_Count
};

}  // namespace

// ---------------------------------------------------------------------------------------------

bool XieRecordReader::readShape(Shape& shape) {
    for (;;) {
        uint8_t h[10];
        if (!r_.bytes(h, 10)) return false;
        uint16_t c = GetU16(h, 0);
        uint32_t pts = GetU32(h, 2), next = GetU32(h, 6);
        Polyline pl;
        if (pts) {
            size_t avail = r_.remaining() / 8;
            size_t take = std::min<size_t>(c, avail);
            pl.resize(take);
            for (auto& p : pl) {
                r_.f32(p.x);
                r_.f32(p.y);
            }
            if (take < c) r_.markTruncated();
        }
        shape.push_back(std::move(pl));
        if (!next || r_.truncated()) return true;
    }
}

void XieRecordReader::readLines(uint32_t id, List<Line>& out) {
    size_t sz = v63_ ? kRecLine63 : kRecLine65;
    readList(id, out, Cat::Lines, sz, [&](Line& l, const uint8_t* b) {
        uint32_t n = GetU32(b, 0), nodes = GetU32(b, 4);
        l.flags = ClearTransient(GetU32(b, 8));
        l.valueA = GetU16(b, 12);
        l.valueB = GetU16(b, 14);
        l.colour = GetU32(b, 16);
        l.margin = GetF32(b, 20);
        l.startExt = GetF32(b, 24);
        l.endExt = GetF32(b, 28);
        l.basePoint = IdPtr<BasePoint>(GetU32(b, 32));
        uint32_t next;
        if (v63_) {
            // The older line record has no front-symmetry reference.
            l.graded = IdPtr<Line>(GetU32(b, 36));
            next = GetU32(b, 40);
        } else {
            l.frontSym = IdPtr<Line>(GetU32(b, 36));
            l.graded = IdPtr<Line>(GetU32(b, 40));
            next = GetU32(b, 44);
        }
        if (nodes && n) {
            size_t take = std::min<size_t>(n, r_.remaining() / 12);
            l.nodes.resize(take);
            for (auto& nd : l.nodes) {
                r_.f32(nd.x);
                r_.f32(nd.y);
                r_.u32(nd.word);
                nd.word &= ~kNodeRunMarks;  // stale marks would keep nodes from grading
            }
            if (take < n) r_.markTruncated();
        }
        return next;
    });
}

void XieRecordReader::readPins(uint32_t id, List<Pin>& out) {
    readList(id, out, Cat::Pins, kRecPin, [&](Pin& p, const uint8_t* b) {
        p.x = GetF32(b, 0);
        p.y = GetF32(b, 4);
        p.diameter = GetF32(b, 8);
        p.flags = ClearTransient(GetU32(b, 12));
        p.basePoint = IdPtr<BasePoint>(GetU32(b, 16));
        p.frontSym = IdPtr<Line>(GetU32(b, 20));
        p.graded = IdPtr<Pin>(GetU32(b, 24));
        return GetU32(b, 28);
    });
}

void XieRecordReader::readMotifs(uint32_t id, List<Motif>& out) {
    readList(id, out, Cat::Motifs, kRecMotif, [&](Motif& m, const uint8_t* b) {
        uint32_t shape = GetU32(b, 0);
        m.x = GetF32(b, 4);
        m.y = GetF32(b, 8);
        m.flags = ClearTransient(GetU32(b, 12));
        m.basePoint = IdPtr<BasePoint>(GetU32(b, 16));
        m.frontSym = IdPtr<Line>(GetU32(b, 20));
        m.graded = IdPtr<Motif>(GetU32(b, 24));
        if (shape) readShape(m.shape);
        return GetU32(b, 28);
    });
}

void XieRecordReader::readTexts(uint32_t id, List<TextString>& out) {
    readList(id, out, std::nullopt, kRecText, [&](TextString& t, const uint8_t* b) {
        t.angle = GetF32(b, 4);
        t.width = GetF32(b, 8);
        t.height = GetF32(b, 12);
        t.x = GetF32(b, 16);
        t.y = GetF32(b, 20);
        t.flags = ClearTransient(GetU32(b, 24));
        r_.text(t.text);
        return GetU32(b, 28);
    });
}

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

class Reader : public XieRecordReader {
public:
    Reader(ByteReader& r, Design& d, const Settings& s, bool v63)
        : XieRecordReader(r, v63), d_(d), s_(s) {}

    template <class T>
    bool readPerSize(std::optional<std::vector<T>>& a, uint32_t presence, size_t elemSize) {
        if (!presence) return true;
        size_t n = size_t(std::max(d_.n, 0));
        size_t take = std::min(n, r_.remaining() / elemSize);
        std::vector<T> v(n);
        for (size_t i = 0; i < take; ++i) readElem(v[i]);
        a = std::move(v);
        if (take < n) {
            r_.markTruncated();
            return false;
        }
        return true;
    }
    void readElem(uint8_t& v) { r_.u8(v); }
    void readElem(float& v) { r_.f32(v); }
    void readElem(PairF& v) {
        r_.f32(v.a);
        r_.f32(v.b);
    }

    void readLabels(uint32_t id, List<SizeLabel>& out) {
        if (v63_) {
            readList(id, out, std::nullopt, kRecLabel63, [&](SizeLabel& s, const uint8_t* b) {
                s.x = GetF32(b, 0);
                s.y = GetF32(b, 4);
                s.angle = GetF32(b, 8);
                s.flags = ClearTransient(GetU32(b, 12));
                s.colour = GetU32(b, 16);
                return GetU32(b, 20);
            });
            return;
        }
        readList(id, out, std::nullopt, kRecLabel65, [&](SizeLabel& s, const uint8_t* b) {
            s.x = GetF32(b, 0);
            s.y = GetF32(b, 4);
            s.angle = GetF32(b, 8);
            s.width = GetF32(b, 12);
            s.height = GetF32(b, 16);
            s.colour = GetU32(b, 20);
            s.flags = ClearTransient(GetU32(b, 24));
            return GetU32(b, 28);
        });
    }

    void readNotches(uint32_t id, List<Notch>& out) {
        if (v63_) {
            readList(id, out, std::nullopt, kRecNotch63, [&](Notch& n, const uint8_t* b) {
                n.x = GetF32(b, 0);
                n.y = GetF32(b, 4);
                n.flags = ClearTransient(GetU32(b, 8));
                n.angle = s_.notchAngle;
                n.depth = s_.markDepth;
                return GetU32(b, 12);
            });
            return;
        }
        readList(id, out, std::nullopt, kRecNotch65, [&](Notch& n, const uint8_t* b) {
            n.x = GetF32(b, 0);
            n.y = GetF32(b, 4);
            n.depth = GetF32(b, 8);
            n.angle = GetF32(b, 12);
            n.flags = ClearTransient(GetU32(b, 16));
            return GetU32(b, 20);
        });
    }

    void readDims(uint32_t id, List<Dimension>& out) {
        readList(id, out, std::nullopt, kRecDim, [&](Dimension& d, const uint8_t* b) {
            for (int i = 0; i < 4; ++i) d.points[size_t(i)] = GetF32(b, size_t(4 * i));
            d.f1 = GetF32(b, 20);
            d.f2 = GetF32(b, 24);
            d.flags = ClearTransient(GetU32(b, 28));
            d.ref1 = IdRef(GetU32(b, 32), GetU32(b, 36));
            d.ref2 = IdRef(GetU32(b, 40), GetU32(b, 44));
            r_.text(d.text);
            return GetU32(b, 48);
        });
    }

    void readBases(uint32_t id, List<BasePoint>& out) {
        readList(id, out, Cat::BasePoints, kRecBase, [&](BasePoint& p, const uint8_t* b) {
            p.x = GetF32(b, 0);
            p.y = GetF32(b, 4);
            p.direction = GetF32(b, 8);
            uint32_t notes = GetU32(b, 12);
            p.length = GetF32(b, 16);
            p.width = GetF32(b, 20);
            p.lengthStep = GetF32(b, 24);
            p.widthStep = GetF32(b, 28);
            uint32_t targets = GetU32(b, 32);
            p.flags = ClearTransient(GetU32(b, 36));
            p.frontSym = IdPtr<Line>(GetU32(b, 40));
            p.owner = IdPtr<BasePoint>(GetU32(b, 44));
            if (readPerSize(p.sharedNotes, notes, 1)) readPerSize(p.targets, targets, 8);
            return GetU32(b, 48);
        });
    }

    // A piece's own point rows and slot lines are not reference targets (a copy does not map
    // them either), so only a part's are entered in the address map.
    void readRows(uint32_t id, List<PointRow>& out, bool mapped = true) {
        readList(id, out, mapped ? std::optional<Cat>(Cat::PointRows) : std::nullopt, kRecRow, [&](PointRow& p, const uint8_t* b) {
            p.v0 = GetU16(b, 0);
            p.v1 = GetU16(b, 2);
            for (int i = 0; i < 7; ++i) p.f[size_t(i)] = GetF32(b, size_t(4 + 4 * i));
            p.v2 = GetU16(b, 32);
            p.v3 = GetU16(b, 34);
            uint32_t shape = GetU32(b, 36);
            p.flags = ClearTransient(GetU32(b, 40));
            p.host = IdPtr<Line>(GetU32(b, 44));
            if (shape) readShape(p.pointShape);
            return GetU32(b, 48);
        });
    }

    void readSeams(uint32_t id, List<SeamAllowance>& out) {
        readList(id, out, Cat::SeamAllowances, kRecSeam, [&](SeamAllowance& s, const uint8_t* b) {
            s.valueCount = GetU32(b, 0);
            uint32_t a1 = GetU32(b, 4), a2 = GetU32(b, 8);
            s.word = GetU32(b, 12);
            s.baseLine = IdPtr<Line>(GetU32(b, 16));
            s.margin = GetF32(b, 20);
            s.f2 = GetF32(b, 24);
            auto arr = [&](std::optional<std::vector<uint32_t>>& a) {
                size_t take = std::min<size_t>(s.valueCount, r_.remaining() / 4);
                std::vector<uint32_t> v(take);
                for (auto& x : v) r_.u32(x);
                if (take < s.valueCount) r_.markTruncated();
                a = std::move(v);
            };
            if (a1) arr(s.values1);
            if (a2 && !r_.truncated()) arr(s.values2);
            // The count is only as good as the values that were there.
            if (r_.truncated()) {
                size_t have = std::max(s.values1 ? s.values1->size() : 0,
                                       s.values2 ? s.values2->size() : 0);
                s.valueCount = uint32_t(have);
                if (s.values1) s.values1->resize(have);
                if (s.values2) s.values2->resize(have);
            }
            return GetU32(b, 28);
        });
    }

    void readSymLines(uint32_t id, List<SymLineLink>& out) {
        readList(id, out, Cat::SymLineLinks, kRecSymLine, [&](SymLineLink& s, const uint8_t* b) {
            s.target = IdRef(GetU32(b, 0), GetU32(b, 4));
            s.f1 = GetF32(b, 8);
            s.f2 = GetF32(b, 12);
            s.master = IdPtr<Line>(GetU32(b, 16));
            s.linkWord = GetU32(b, 20);
            return GetU32(b, 24);
        });
    }

    void readSlots(uint32_t id, List<SlotLine>& out, bool mapped = true) {
        readList(id, out, mapped ? std::optional<Cat>(Cat::SlotLines) : std::nullopt, kRecSlot, [&](SlotLine& s, const uint8_t* b) {
            s.host = IdRef(GetU32(b, 0), GetU32(b, 4));
            for (int i = 0; i < 5; ++i) s.f[size_t(i)] = GetF32(b, size_t(8 + 4 * i));
            s.flags = ClearTransient(GetU32(b, 28));
            s.pieceLine = IdPtr<PieceLine>(GetU32(b, 32));
            return GetU32(b, 36);
        });
    }

    void readMarks(uint32_t id, List<Mark>& out) {
        readList(id, out, std::nullopt, kRecMark, [&](Mark& m, const uint8_t* b) {
            m.f0 = GetF32(b, 0);
            m.host1 = IdRef(GetU32(b, 4), GetU32(b, 8));
            m.host2 = IdRef(GetU32(b, 12), GetU32(b, 16));
            m.depth = GetF32(b, 20);
            m.width = GetF32(b, 24);
            m.flags = ClearTransient(GetU32(b, 28));
            m.pieceLine = IdPtr<PieceLine>(GetU32(b, 32));
            return GetU32(b, 36);
        });
    }

    void readChamfers(uint32_t id, List<Chamfer>& out) {
        readList(id, out, std::nullopt, kRecChamfer, [&](Chamfer& c, const uint8_t* b) {
            c.host1 = IdRef(GetU32(b, 0), GetU32(b, 4));
            c.host2 = IdRef(GetU32(b, 8), GetU32(b, 12));
            c.radius = GetF32(b, 16);
            c.flags = ClearTransient(GetU32(b, 20));
            return GetU32(b, 24);
        });
    }

    void readSymElems(uint32_t id, List<SymElemLink>& out) {
        readList(id, out, Cat::SymElemLinks, kRecSymElem, [&](SymElemLink& s, const uint8_t* b) {
            s.element = IdRef(GetU32(b, 0), GetU32(b, 4));
            s.master = IdPtr<Line>(GetU32(b, 8));
            s.linkWord = GetU32(b, 12);
            return GetU32(b, 16);
        });
    }

    void readShared(uint32_t id, List<SharedZone>& out) {
        readList(id, out, std::nullopt, kRecShared, [&](SharedZone& s, const uint8_t* b) {
            for (int i = 0; i < 4; ++i) s.f[size_t(i)] = GetF32(b, size_t(4 * i));
            s.host = IdPtr<Line>(GetU32(b, 16));
            s.basePoint = IdPtr<BasePoint>(GetU32(b, 20));
            return GetU32(b, 24);
        });
    }

    void readFixed(uint32_t id, List<FixedDistance>& out) {
        readList(id, out, std::nullopt, kRecFixed, [&](FixedDistance& f, const uint8_t* b) {
            for (int i = 0; i < 4; ++i) f.f[size_t(i)] = GetF32(b, size_t(4 * i));
            uint32_t arr = GetU32(b, 16);
            f.first = IdRef(GetU32(b, 20), GetU32(b, 24));
            f.host = IdPtr<Line>(GetU32(b, 28));
            readPerSize(f.perSize, arr, 4);
            return GetU32(b, 32);
        });
    }

    void readPieceLines(uint32_t id, List<PieceLine>& out) {
        readList(id, out, Cat::PieceLines, kRecPieceLine, [&](PieceLine& p, const uint8_t* b) {
            p.source = IdRef(GetU32(b, 0), GetU32(b, 4));
            p.start = GetF32(b, 8);
            p.end = GetF32(b, 12);
            p.flags = GetU32(b, 16);
            for (int i = 0; i < 3; ++i) p.f[size_t(i)] = GetF32(b, size_t(20 + 4 * i));
            p.prevSeg = IdPtr<PieceLine>(GetU32(b, 32));
            p.nextSeg = IdPtr<PieceLine>(GetU32(b, 36));
            p.paired = IdPtr<PieceLine>(GetU32(b, 40));
            return GetU32(b, 44);
        });
    }

    void readMembers(uint32_t id, List<PieceMember>& out) {
        readList(id, out, std::nullopt, kRecMember, [&](PieceMember& m, const uint8_t* b) {
            m.element = IdRef(GetU32(b, 0), GetU32(b, 4));
            m.memberWord = GetU32(b, 8);
            m.pieceLine = IdPtr<PieceLine>(GetU32(b, 12));
            return GetU32(b, 16);
        });
    }

    void readPartBody(Part& p, uint32_t sharedDie, const std::array<uint32_t, PL_Count>& w) {
        if (!readPerSize(p.sharedDie, sharedDie, 1)) return;
        readLines(w[PL_GradedLines], p.gradedLines);
        readPins(w[PL_GradedPins], p.gradedPins);
        readMotifs(w[PL_GradedMotifs], p.gradedMotifs);
        readLines(w[PL_LinesA], p.linesA);
        readLines(w[PL_LinesB], p.linesB);
        readPins(w[PL_Pins], p.pins);
        readLabels(w[PL_Labels], p.sizeLabels);
        readNotches(w[PL_Notches], p.notches);
        readMotifs(w[PL_Motifs], p.motifs);
        readTexts(w[PL_Texts], p.texts);
        readDims(w[PL_Dims], p.dimensions);
        readBases(w[PL_Bases], p.basePoints);
        readRows(w[PL_Rows], p.pointRows);
        readSeams(w[PL_Seams], p.seamAllowances);
        readSymLines(w[PL_SymLines], p.symLineLinks);
        readSlots(w[PL_Slots], p.slotLines);
        readMarks(w[PL_Marks], p.marks);
        readChamfers(w[PL_Chamfers], p.chamfers);
        readSymElems(w[PL_SymElems], p.symElemLinks);
        readShared(w[PL_Shared], p.sharedZones);
        readFixed(w[PL_Fixed], p.fixedDistances);
    }

    // Parses a part header; returns the next-part word.
    uint32_t parsePartHeader(const uint8_t* h, Part& p, uint32_t& sharedDie,
                             std::array<uint32_t, PL_Count>& w) {
        if (v63_) {
            p.flags = GetU32(h, 0) & ~kFlagTransient;
            p.colour = GetU32(h, 4);
            p.year = GetI32(h, 8);
            p.month = GetI32(h, 12);
            p.day = GetI32(h, 16);
            sharedDie = GetU32(h, 20);
            for (int i = 0; i < PL_Count; ++i) w[size_t(i)] = GetU32(h, size_t(24 + 4 * i));
            return GetU32(h, 108);
        }
        p.flags = GetU32(h, 0) & ~kFlagTransient;
        p.year = GetI32(h, 4);
        p.month = GetI32(h, 8);
        p.day = GetI32(h, 12);
        p.partWord = GetU32(h, 16);
        p.colour = GetU32(h, 20);
        p.homeX = GetF32(h, 24);
        p.homeY = GetF32(h, 28);
        p.partValue = GetF32(h, 32);
        sharedDie = GetU32(h, 36);
        for (int i = 0; i < PL_Count; ++i) w[size_t(i)] = GetU32(h, size_t(40 + 4 * i));
        return GetU32(h, 124);
    }

    void readPieces(uint32_t presence) {
        size_t recSize = v63_ ? kRecPiece63 : kRecPiece65;
        uint8_t b[kRecPiece65];
        while (presence) {
            if (!r_.bytes(b, recSize)) return;
            auto pc = std::make_unique<Piece>();
            pc->flags = 0x10000000u;
            pc->slot = uint8_t(GetU16(b, 0));
            pc->flags = GetU32(b, 2);
            std::array<uint32_t, 10> w{};
            uint32_t sharedDie, next;
            if (v63_) {
                // The older piece record: slot, flags, colour, shared-die presence, eight lists.
                pc->words[1] = GetU32(b, 6);
                sharedDie = GetU32(b, 10);
                for (int i = 0; i < 8; ++i) w[size_t(i)] = GetU32(b, size_t(14 + 4 * i));
                next = GetU32(b, 46);
            } else {
                pc->words[0] = GetU32(b, 6);
                pc->words[1] = GetU32(b, 10);
                pc->words[2] = GetU32(b, 14);
                pc->words[3] = GetU32(b, 18);
                pc->pieceFloat = GetF32(b, 22);
                sharedDie = GetU32(b, 26);
                for (int i = 0; i < 10; ++i) w[size_t(i)] = GetU32(b, size_t(30 + 4 * i));
                next = GetU32(b, 70);
            }
            Piece& p = *pc;
            d_.pieces.push_back(std::move(pc));
            if (!readPerSize(p.sharedDie, sharedDie, 1)) return;
            readPieceLines(w[0], p.linesA);
            readPieceLines(w[1], p.linesB);
            readMembers(w[2], p.members);
            readLabels(w[3], p.sizeLabels);
            readNotches(w[4], p.notches);
            readTexts(w[5], p.texts);
            readRows(w[6], p.pointRows, false);
            readSlots(w[7], p.slotLines, false);
            readMarks(w[8], p.marks);
            readChamfers(w[9], p.chamfers);
            if (r_.truncated()) return;
            presence = next;
        }
    }

    void readNotes(uint32_t presence) {
        while (presence) {
            uint8_t b[20];
            if (!r_.bytes(b, 20)) return;
            DesignNote n;
            n.word0 = GetU32(b, 0);
            n.word2 = GetU32(b, 8);
            n.word3 = GetU32(b, 12);
            r_.text(n.text);
            d_.notes.push_back(std::move(n));
            if (r_.truncated()) return;
            presence = GetU32(b, 16);
        }
    }

    // The parameter block fields shared by 6.5 and 6.3 (bytes 0–33).
    void parseParams(const uint8_t* b) {
        d_.flags = GetU32(b, 0);
        d_.sizeSystem = b[4];
        d_.sizeCategory = b[5];
        d_.widthType = b[6];
        d_.baseSize = GetU16(b, 7);
        d_.rangeFrom = GetU16(b, 9);
        d_.rangeTo = GetU16(b, 11);
        d_.step = b[13];
        d_.baseIndex = GetI16(b, 14);
        d_.n = GetI16(b, 16);
        for (int i = 0; i < 4; ++i) d_.baseParams[size_t(i)] = GetF32(b, size_t(18 + 4 * i));
        // A negative or absurd size count means no per-size data; the base index must name a size.
        if (d_.n < 0) d_.n = 0;
        if (d_.baseIndex < 0 || d_.baseIndex >= d_.n) d_.baseIndex = d_.n > 0 ? std::clamp(d_.baseIndex, 0, d_.n - 1) : 0;
    }

    void readCounts() {
        for (int c = 0; c < kCatCount; ++c) {
            uint32_t n;
            if (!r_.u32(n)) return;
            // A count is only a hint; never reserve beyond what the remaining bytes could hold.
            map.reserve(Cat(c), std::min<size_t>(n, r_.remaining() / 16));
        }
    }

    void read65() {
        uint32_t k;
        if (!r_.u32(k)) return;
        if (uint64_t(k) * 8 > r_.remaining()) {
            r_.skip(r_.remaining() + 1);
            return;
        }
        r_.skip(size_t(k) * 8);
        uint8_t b[185];
        if (!r_.bytes(b, sizeof b)) return;
        parseParams(b);
        uint32_t targets = GetU32(b, 34), notes = GetU32(b, 42);
        d_.lengthAdj = GetI16(b, 46);
        d_.girthAdj = GetI16(b, 48);
        d_.labelFormat = b[50];
        d_.autoSaveNumber = GetI16(b, 51);
        Part& first = d_.firstPart();
        uint32_t sharedDie;
        std::array<uint32_t, PL_Count> w{};
        uint32_t nextPart = parsePartHeader(b + 53, first, sharedDie, w);
        uint32_t pieces = GetU32(b, 181);
        if (!readPerSize(d_.targets, targets, 8)) return;
        if (!r_.text(d_.report)) return;
        readNotes(notes);
        readCounts();
        if (r_.truncated()) return;
        readPartBody(first, sharedDie, w);
        readFurtherParts(nextPart, kPartHeader65);
        if (!r_.truncated()) readPieces(pieces);
    }

    void read63() {
        uint32_t k;
        if (!r_.u32(k)) return;
        if (uint64_t(k) * 8 > r_.remaining()) {
            r_.skip(r_.remaining() + 1);
            return;
        }
        r_.skip(size_t(k) * 8);
        uint8_t b[170];
        if (!r_.bytes(b, sizeof b)) return;
        parseParams(b);
        uint32_t targets = GetU32(b, 46), selection = GetU32(b, 50);
        Part& first = d_.firstPart();
        uint32_t sharedDie;
        std::array<uint32_t, PL_Count> w{};
        uint32_t nextPart = parsePartHeader(b + 54, first, sharedDie, w);
        uint32_t pieces = GetU32(b, 166);
        if (!r_.text(d_.report)) return;
        if (!readPerSize(d_.targets, targets, 8)) return;
        if (!readPerSize(d_.outputSelection, selection, 1)) return;
        readCounts();
        if (r_.truncated()) return;
        readPartBody(first, sharedDie, w);
        readFurtherParts(nextPart, kPartHeader63);
        if (!r_.truncated()) readPieces(pieces);
        if (r_.truncated()) return;
        const int sub = int(d_.flags & 0xFFu);
        if (sub >= 2) {
            uint8_t t[16];
            if (!r_.bytes(t, 16)) return;
            d_.autoSaveNumber = int16_t(GetI32(t, 0));
            if (GetU32(t, 4) == 0) {
                for (auto& p : d_.parts) {
                    if (!r_.f32(p->homeX) || !r_.f32(p->homeY)) return;
                }
            }
            if (sub >= 3) {
                int32_t la, ga;
                if (!r_.i32(la) || !r_.i32(ga)) return;
                d_.lengthAdj = std::clamp(la, -99, 99);
                d_.girthAdj = std::clamp(ga, -99, 99);
            }
        }
    }

    void readFurtherParts(uint32_t next, size_t headerSize) {
        uint8_t h[kPartHeader65];
        while (next && !r_.truncated()) {
            if (!r_.bytes(h, headerSize)) return;
            auto p = std::make_unique<Part>();
            uint32_t sharedDie;
            std::array<uint32_t, PL_Count> w{};
            next = parsePartHeader(h, *p, sharedDie, w);
            Part& ref = *p;
            d_.parts.push_back(std::move(p));
            readPartBody(ref, sharedDie, w);
        }
    }

    void readTails(List<ScanLine>* scans, List<TPIC>* pics) {
        List<ScanLine> sl;
        List<TPIC> pl;
        uint32_t presence;
        if (r_.u32(presence)) {
            while (presence) {
                uint8_t b[20];
                if (!r_.bytes(b, 20)) break;
                auto s = std::make_unique<ScanLine>();
                s->flags = GetU32(b, 0) & ~kFlagTransient;
                s->value = GetU32(b, 4);
                s->v1 = GetU16(b, 8);
                s->v2 = GetU16(b, 10);
                if (GetU32(b, 12)) readShape(s->shape);
                sl.push_back(std::move(s));
                if (r_.truncated()) break;
                presence = GetU32(b, 16);
            }
            if (!r_.truncated() && r_.u32(presence)) {
                while (presence) {
                    uint8_t b[8];
                    if (!r_.bytes(b, 8)) break;
                    auto p = std::make_unique<TPIC>();
                    p->word = GetU32(b, 0);
                    pl.push_back(std::move(p));
                    presence = GetU32(b, 4);
                }
            }
        }
        if (scans) *scans = std::move(sl);
        if (pics) *pics = std::move(pl);
    }

private:
    Design& d_;
    const Settings& s_;
};

// ---------------------------------------------------------------------------------------------

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

XieReadResult ReadXie(const std::vector<uint8_t>& bytes, Design& out, const Settings& settings,
                      List<ScanLine>* scans, List<TPIC>* pictures, const TSmooth* smooth,
                      bool evaluate) {
    XieReadResult res;
    res.version = BannerVersion(bytes);
    if (res.version == XieVersion::Unknown) {
        res.error = bytes.size() < kBannerSize ? "文件太短" : "不是鞋样文件";
        return res;
    }
    if (res.version == XieVersion::V50) {
        res.error = "不支持5.0版本的鞋样文件";
        return res;
    }
    ByteReader r(bytes.data() + kBannerSize, bytes.size() - kBannerSize);
    Reader rd(r, out, settings, res.version == XieVersion::V63);
    if (res.version == XieVersion::V65) {
        rd.read65();
        if (!r.truncated()) rd.readTails(scans, pictures);
    } else {
        rd.read63();
    }
    rd.map.retarget(out);
    res.truncated = r.truncated();
    const TSmooth defaults;
    res.page = RunAfterLoadSteps(out, smooth ? *smooth : defaults, evaluate);
    res.ok = true;
    return res;
}

XiePreview ReadXiePreview(const std::vector<uint8_t>& bytes) {
    XiePreview pv;
    XieVersion v = BannerVersion(bytes);
    if (v != XieVersion::V65 && v != XieVersion::V63) return pv;
    ByteReader r(bytes.data() + kBannerSize, bytes.size() - kBannerSize);
    uint32_t k;
    if (!r.u32(k)) return pv;
    size_t take = std::min<size_t>(k, r.remaining() / 8);
    for (size_t i = 0; i < take; ++i) {
        int32_t x = 0, y = 0;
        r.i32(x);
        r.i32(y);
        pv.points.emplace_back(x, y);
    }
    if (take < k) return pv;
    const bool v65 = v == XieVersion::V65;
    uint8_t b[185];
    if (!r.bytes(b, v65 ? 185 : 170)) return pv;
    uint32_t flags = GetU32(b, 0);
    int n = std::max<int>(GetI16(b, 16), 0);
    pv.savedWithGrading = (flags & kDesignSaveGrading) != 0;
    if (v65) {
        pv.year = GetI32(b, 53 + 4);
        pv.month = GetI32(b, 53 + 8);
        pv.day = GetI32(b, 53 + 12);
        if (GetU32(b, 34) && !r.skip(size_t(n) * 8)) return pv;
    } else {
        pv.year = GetI32(b, 54 + 8);
        pv.month = GetI32(b, 54 + 12);
        pv.day = GetI32(b, 54 + 16);
    }
    if (!r.text(pv.report)) return pv;
    pv.ok = true;
    return pv;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, std::string* error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    out.clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad && error) *error = "read error";
    return !bad;
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
