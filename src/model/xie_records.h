// The record-list codecs of the 6.5 pattern file that other files share: lines with their
// nodes, pins, motifs with their shapes and text strings. The pattern file and the motif
// library file both read and write these lists through the classes below.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "model/bytes.h"
#include "model/refs.h"

namespace rz {

// Node marks (bits 17, 18) that a grading run sets on the nodes its controls place: transient,
// so never read nor written.
constexpr uint32_t kNodeRunMarks = 0x60000u;

// Reads record lists from a byte source. Every mapped record enters `map` under the identity
// it was stored with; its reference fields keep stored identities until the caller
// re-targets them with the map. Never reads past the source: a short record ends the list
// and marks the source truncated.
class XieRecordReader {
public:
    explicit XieRecordReader(ByteReader& r, bool v63 = false) : r_(r), v63_(v63) {}

    AddressMap map;

    // A shape: polylines until one's next word is 0.
    bool readShape(Shape& shape);
    // A list announced by a non-zero head word; each record's next word goes on.
    void readLines(uint32_t head, List<Line>& out);
    void readPins(uint32_t head, List<Pin>& out);
    void readMotifs(uint32_t head, List<Motif>& out);
    void readTexts(uint32_t head, List<TextString>& out);

protected:
    // Reads a list of fixed records announced by `id`; `fn(rec, buf)` parses one record and
    // its variable data and returns the next word.
    template <class T, class Fn>
    void readList(uint32_t id, List<T>& out, std::optional<Cat> cat, size_t recSize, Fn fn) {
        uint8_t buf[128];
        while (id != 0) {
            if (!r_.bytes(buf, recSize)) return;
            auto rec = std::make_unique<T>();
            uint32_t next = fn(*rec, buf);
            if (cat) map.add(*cat, id, rec.get());
            out.push_back(std::move(rec));
            if (r_.truncated()) return;
            id = next;
        }
    }
    static uint32_t ClearTransient(uint32_t f) { return f & ~kFlagTransient; }

    ByteReader& r_;
    bool v63_;
};

// Writes record lists. Records get identities per category in the order they are announced
// with identify(), which must be the order a reader meets them; references to records that
// were not announced are written as 0.
class XieRecordWriter {
public:
    ByteWriter w;
    std::array<uint32_t, kCatCount> counts{};

    void identify(Cat c, const void* rec);
    uint32_t id(Cat c, const void* p) const;
    uint32_t ref(const KindRef& r) const;
    // The word announcing a list: the first record's identity for mapped kinds, else 1.
    template <class T>
    uint32_t head(const List<T>& l, std::optional<Cat> c) const {
        if (l.empty()) return 0;
        return c ? id(*c, l.front().get()) : 1;
    }
    template <class T>
    uint32_t nextOf(const List<T>& l, size_t i, std::optional<Cat> c) const {
        if (i + 1 >= l.size()) return 0;
        return c ? id(*c, l[i + 1].get()) : 1;
    }

    // A polyline holds at most 65,535 points (16-bit count): a longer one is written as several
    // that share their joining points, so that no point is lost.
    void shape(const Shape& s);
    void lines(const List<Line>& l);
    void pins(const List<Pin>& l);
    void motifs(const List<Motif>& l);
    void texts(const List<TextString>& l);

private:
    std::array<IdentityTable, kCatCount> ids_;  // record address → identity written
};

}  // namespace rz
