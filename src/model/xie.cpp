// Reading pattern files (6.5 and 6.3): the banners, the design, its parts, pieces, scan lines and
// pictures, and the preview an open dialog shows.
#include "model/xie.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/afterload.h"
#include "model/bytes.h"
#include "model/refs.h"
#include "model/xie_records.h"

namespace rz {

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

}  // namespace

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

}  // namespace rz
