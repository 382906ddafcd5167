// Tablet reports: the 12-byte record shared by the serial tablet and the window's tablet
// events, the packet decoder of the two serial formats, the queue that carries records from
// the reader thread to the user-interface thread, and tablet counts in pattern units.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "geom/types.h"

namespace rz {

// Event code: low 16 bits the button number, high 16 bits 2 pressed, 1 released, 0 no event.
constexpr uint32_t kTabletPress = 0x20000;
constexpr uint32_t kTabletRelease = 0x10000;

struct TabletRecord {
    uint32_t event = 0;
    int32_t x = 0, y = 0;

    int kind() const { return int(event >> 16); }  // 2 press, 1 release, 0 move
    int button() const { return int(event & 0xFFFF); }
    bool press() const { return kind() == 2; }
    bool release() const { return kind() == 1; }
    friend bool operator==(const TabletRecord&, const TabletRecord&) = default;
};

// Serial packet formats (串口定义 数据格式).
enum class TabletFormat : int {
    SixByte = 0,    // "长地"
    SevenByte = 1,  // "WACOM"
};
int PacketSize(TabletFormat f);

// Turns the received byte stream into records. A byte with bit 7 set starts a packet; the
// others fill it; a full packet becomes one record. Bytes before the first start byte belong
// to a packet whose start was lost and are dropped.
class TabletDecoder {
public:
    explicit TabletDecoder(TabletFormat f = TabletFormat::SevenByte) : format_(f) {}
    // A new stream: no partial packet, no button held.
    void reset(TabletFormat f);
    // Calls sink(record) for every packet completed by these bytes.
    template <class Sink>
    void feed(const uint8_t* p, size_t n, Sink&& sink) {
        const int size = PacketSize(format_);
        for (size_t i = 0; i < n; ++i) {
            uint8_t b = p[i];
            if (b & 0x80) {
                packet_[0] = b;
                pos_ = 1;
            } else if (pos_ == 0) {
                continue;  // no packet started
            } else {
                packet_[size_t(pos_++)] = b;
            }
            if (pos_ == size) {
                pos_ = 0;
                sink(decode());
            }
        }
    }
    TabletFormat format() const { return format_; }

private:
    TabletRecord decode();
    TabletFormat format_;
    std::array<uint8_t, 8> packet_{};
    int pos_ = 0;
    int prevField_ = 0;   // the buttons field of the previous packet
    int heldButton_ = 0;  // the number of the button pressed last
};

// Encodes a packet as a tablet sends it (the inverse of the decoder, for tests and replays):
// counts up to 65535 on each axis, `field` the packet's buttons field.
std::array<uint8_t, 7> EncodeTabletPacket(TabletFormat f, int x, int y, int field);

// The records from the reader thread to the user-interface thread: one producer, one consumer,
// no lock. Every record arrives once, in order. When the consumer falls behind, moves are
// merged (the newest position wins), while presses and releases wait for room and are never
// dropped; what waits goes in with the producer's next push or flush.
class TabletQueue {
public:
    static constexpr size_t kCapacity = 100;
    // Slots kept free for presses and releases while moves are merged.
    static constexpr size_t kButtonReserve = 10;

    // ---- producer ----
    void push(const TabletRecord& r);
    // Moves what waits into the ring as far as there is room; true when nothing waits.
    bool flush();
    bool waiting() const { return held_.has_value() || !overflow_.empty(); }

    // ---- consumer ----
    bool pop(TabletRecord& r);
    bool empty() const;

    // Only while no producer runs (the reader is stopped): forgets everything.
    void reset();

private:
    size_t used() const;
    void put(const TabletRecord& r);

    std::array<TabletRecord, kCapacity + 1> ring_{};
    std::atomic<size_t> head_{0};  // next slot to write (producer)
    std::atomic<size_t> tail_{0};  // next slot to read (consumer)
    // Producer side only.
    std::optional<TabletRecord> held_;      // the newest move that found no room
    std::deque<TabletRecord> overflow_;     // presses and releases that found no room
};

// Tablet sizes of the 范围 setting (rows 0–3; row 4 自定义尺寸 has no size), model units.
PointF TabletRangeSize(int row);

// Tablet counts in model units: 2540 / resolution per count (lines per inch), y up. Format 1
// counts y down from the tablet's top edge, the height taken from the range row.
PointF TabletToModel(int32_t x, int32_t y, TabletFormat f, int resolution, int range);

}  // namespace rz
