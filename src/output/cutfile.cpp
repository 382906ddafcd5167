#include "output/cutfile.h"

#include <cstring>

#include "model/bytes.h"
#include "model/xie.h"

namespace rz {

namespace {

bool HasBanner(const std::vector<uint8_t>& b, const char* banner) {
    return b.size() >= kBannerSize && std::memcmp(b.data(), banner, kBannerSize) == 0;
}

// Keeps the largest piece id seen; the next id follows it without wrapping.
struct PieceIds {
    bool any = false;
    int32_t largest = 0;
    void see(int32_t id) {
        if (!any || id > largest) largest = id;
        any = true;
    }
    int32_t next() const {
        if (!any || largest < 1) return 1;
        return largest == INT32_MAX ? INT32_MAX : largest + 1;
    }
};

// Reads `count` float pairs when the bytes are there; a count beyond them is truncation.
bool ReadPoints(ByteReader& r, int64_t count, float scale, Polyline& out) {
    if (count < 0 || uint64_t(count) > r.remaining() / 8) {
        r.markTruncated();
        return false;
    }
    out.resize(size_t(count));
    for (PointF& q : out) {
        r.f32(q.x);
        r.f32(q.y);
        if (scale != 1.0f) q.x *= scale, q.y *= scale;
    }
    return true;
}

// 6.5, 6.3 and the cutting-control 2.0 form differ only in the item record.
void ReadItems(ByteReader& r, CutFileForm form, CutFileContent& out, PieceIds& ids) {
    if (r.remaining() == 0) return;  // an empty sheet is the banner alone
    for (;;) {
        uint32_t flags = 0, present = 0, next = 0;
        int64_t count = 0;
        int32_t piece = 0;
        bool ok = true;
        if (form == CutFileForm::V63) {
            uint16_t id = 0, n = 0;
            ok = r.u32(flags) && r.u16(id) && r.u16(n) && r.u32(present) && r.u32(next);
            piece = int16_t(id);
            count = n;
        } else if (form == CutFileForm::Control20) {
            int32_t n = 0;
            ok = r.i32(n) && r.u32(present) && r.u32(flags) && r.i32(piece) && r.u32(next);
            count = n;
        } else {
            int32_t n = 0;
            ok = r.u32(flags) && r.i32(piece) && r.i32(n) && r.u32(present) && r.u32(next);
            count = n;
        }
        if (!ok) return;
        PlotItem it;
        it.flags = flags;
        it.pieceId = piece;
        if (present && !ReadPoints(r, count, 1.0f, it.points)) return;
        ids.see(piece);
        if (!it.points.empty()) out.items.push_back(std::move(it));
        if (!next) break;
    }
    // Material records follow when the file goes on; each says whether another follows.
    if (form != CutFileForm::V65 || r.remaining() == 0) return;
    for (;;) {
        MaterialRecord m;
        if (!r.bytes(m.data(), m.size())) return;
        out.material.push_back(m);
        uint32_t more;
        std::memcpy(&more, m.data() + 112, 4);
        if (!more) break;
    }
}

// The 5.0 body: 18-byte records, points in plotter units split at every (0, 0).
void Read50(ByteReader& r, CutFileContent& out, PieceIds& ids) {
    for (;;) {
        uint8_t rec[18];
        if (!r.bytes(rec, sizeof rec)) return;
        auto u16 = [&](int at) { return uint16_t(rec[at] | (rec[at + 1] << 8)); };
        auto u32 = [&](int at) { return uint32_t(u16(at)) | (uint32_t(u16(at + 2)) << 16); };
        uint32_t flags = 0;
        if (rec[0] & 1) flags |= kItemExcluded;
        if (rec[0] & 2) flags |= kItemNoSegmentDxf;
        int kind = rec[2] & 0xF;
        if (kind >= 5) ++kind;
        const int tool = (rec[2] & 0x40) ? kToolFullCut : (rec[2] & 0x20) ? kToolHalfCut : kToolPen;
        PlotItem proto;
        proto.flags = flags;
        proto.setKind(kind);
        proto.setTool(tool);
        proto.setPen(u16(6) & 0xF);
        proto.pieceId = int16_t(u16(4));
        ids.see(proto.pieceId);
        if (u32(10)) {
            uint16_t n = 0;
            Polyline pts;
            if (!r.u16(n) || !ReadPoints(r, n, 2.5f, pts)) return;
            PlotItem run = proto;
            for (PointF q : pts) {
                if (q.x == 0.0f && q.y == 0.0f) {
                    if (!run.points.empty()) out.items.push_back(run);
                    run.points.clear();
                } else {
                    run.points.push_back(q);
                }
            }
            if (!run.points.empty()) out.items.push_back(std::move(run));
        }
        if (!u32(14)) return;
    }
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

const char* CutFileFormName(CutFileForm f) {
    switch (f) {
    case CutFileForm::V65: return "6.5";
    case CutFileForm::V63: return "6.3";
    case CutFileForm::Control20: return "2.0";
    case CutFileForm::V50: return "5.0";
    default: return "";
    }
}

CutFileContent ReadCutFile(const std::vector<uint8_t>& bytes) {
    CutFileContent out;
    PieceIds ids;
    struct {
        const char* banner;
        CutFileForm form;
    } const forms[] = {{kBanner65, CutFileForm::V65},
                       {kBanner63, CutFileForm::V63},
                       {kBannerCut20, CutFileForm::Control20},
                       {kBanner50, CutFileForm::V50}};
    for (auto& f : forms) {
        if (!HasBanner(bytes, f.banner)) continue;
        ByteReader r(bytes.data() + kBannerSize, bytes.size() - kBannerSize);
        if (f.form == CutFileForm::V50) Read50(r, out, ids);
        else ReadItems(r, f.form, out, ids);
        out.form = f.form;
        out.truncated = r.truncated();
        out.nextPieceId = ids.next();
        return out;
    }
    // 5.0 files may come without a banner: taken only when the bytes are exactly one body.
    ByteReader r(bytes);
    if (bytes.empty()) return out;
    Read50(r, out, ids);
    if (r.truncated() || r.remaining() != 0) return CutFileContent{};
    out.form = CutFileForm::V50;
    out.nextPieceId = ids.next();
    return out;
}

std::vector<uint8_t> WriteCutFile(const ItemList& items, const std::vector<MaterialRecord>& material) {
    std::vector<uint8_t> out(kBanner65, kBanner65 + kBannerSize);
    std::vector<const PlotItem*> written;
    size_t total = 0;
    for (const PlotItem& it : items)
        if (!it.points.empty()) written.push_back(&it), total += 20 + it.points.size() * 8;
    if (written.empty()) return out;
    out.reserve(out.size() + total + material.size() * 116);
    // Presence words are running numbers: any non-zero value will do, and these repeat.
    uint32_t running = 0;
    for (size_t i = 0; i < written.size(); ++i) {
        const PlotItem& it = *written[i];
        PutU32(out, it.flags);
        PutU32(out, uint32_t(it.pieceId));
        PutU32(out, uint32_t(it.points.size()));
        PutU32(out, ++running);
        PutU32(out, i + 1 < written.size() ? running + 1 : 0u);
        const size_t at = out.size();
        out.resize(at + it.points.size() * 8);
        uint8_t* p = out.data() + at;
        for (PointF q : it.points) {
            uint32_t x, y;
            std::memcpy(&x, &q.x, 4);
            std::memcpy(&y, &q.y, 4);
            for (int k = 0; k < 4; ++k) p[k] = uint8_t(x >> (8 * k)), p[4 + k] = uint8_t(y >> (8 * k));
            p += 8;
        }
    }
    for (size_t i = 0; i < material.size(); ++i) {
        MaterialRecord m = material[i];
        // The last word chains the records: it says whether another one follows.
        uint32_t more = i + 1 < material.size() ? ++running : 0u;
        std::memcpy(m.data() + 112, &more, 4);
        out.insert(out.end(), m.begin(), m.end());
    }
    return out;
}

}  // namespace rz
