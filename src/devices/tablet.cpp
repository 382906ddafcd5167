#include "devices/tablet.h"

namespace rz {

int PacketSize(TabletFormat f) { return f == TabletFormat::SixByte ? 6 : 7; }

void TabletDecoder::reset(TabletFormat f) {
    format_ = f;
    pos_ = 0;
    prevField_ = 0;
    heldButton_ = 0;
}

TabletRecord TabletDecoder::decode() {
    const auto& b = packet_;
    TabletRecord r;
    r.x = (b[0] & 3) * 16384 + (b[1] & 0x7F) * 128 + (b[2] & 0x7F);
    r.y = (b[3] & 3) * 16384 + (b[4] & 0x7F) * 128 + (b[5] & 0x7F);
    int field, number;
    if (format_ == TabletFormat::SixByte) {
        field = (b[0] >> 2) & 0x1F;
        number = field & 0x0F;
    } else {
        field = (b[3] >> 3) & 0x0F;
        number = field - 1;
    }
    if (field != prevField_ && field != 0) {
        heldButton_ = number & 0xFFFF;
        r.event = kTabletPress | uint32_t(heldButton_);
    } else if (field != prevField_) {
        // A release names the button that was held.
        r.event = kTabletRelease | uint32_t(heldButton_);
    } else {
        r.event = field != 0 ? uint32_t(heldButton_) : 0u;
    }
    prevField_ = field;
    return r;
}

std::array<uint8_t, 7> EncodeTabletPacket(TabletFormat f, int x, int y, int field) {
    std::array<uint8_t, 7> p{};
    auto hi = [](int v) { return uint8_t((v >> 14) & 3); };
    auto mid = [](int v) { return uint8_t((v >> 7) & 0x7F); };
    auto lo = [](int v) { return uint8_t(v & 0x7F); };
    if (f == TabletFormat::SixByte) {
        p[0] = uint8_t(0x80 | ((field & 0x1F) << 2) | hi(x));
        p[3] = hi(y);
    } else {
        p[0] = uint8_t(0x80 | hi(x));
        p[3] = uint8_t(((field & 0x0F) << 3) | hi(y));
    }
    p[1] = mid(x), p[2] = lo(x);
    p[4] = mid(y), p[5] = lo(y);
    return p;
}

// ---------------------------------------------------------------- queue

size_t TabletQueue::used() const {
    size_t h = head_.load(std::memory_order_relaxed), t = tail_.load(std::memory_order_acquire);
    return (h + ring_.size() - t) % ring_.size();
}

void TabletQueue::put(const TabletRecord& r) {
    size_t h = head_.load(std::memory_order_relaxed);
    ring_[h] = r;
    head_.store((h + 1) % ring_.size(), std::memory_order_release);
}

bool TabletQueue::flush() {
    while (!overflow_.empty() && used() < kCapacity) {
        put(overflow_.front());
        overflow_.pop_front();
    }
    if (overflow_.empty() && held_ && used() + kButtonReserve < kCapacity) {
        put(*held_);
        held_.reset();
    }
    return !waiting();
}

void TabletQueue::push(const TabletRecord& r) {
    flush();
    if (r.kind() == 0) {
        if (overflow_.empty() && !held_ && used() + kButtonReserve < kCapacity) put(r);
        else held_ = r;  // replaces an older waiting move
        return;
    }
    // A press or release carries its own position: a move waiting before it is superseded.
    held_.reset();
    if (overflow_.empty() && used() < kCapacity) put(r);
    else overflow_.push_back(r);
}

bool TabletQueue::pop(TabletRecord& r) {
    size_t t = tail_.load(std::memory_order_relaxed);
    if (t == head_.load(std::memory_order_acquire)) return false;
    r = ring_[t];
    tail_.store((t + 1) % ring_.size(), std::memory_order_release);
    return true;
}

bool TabletQueue::empty() const {
    return tail_.load(std::memory_order_relaxed) == head_.load(std::memory_order_acquire);
}

void TabletQueue::reset() {
    head_.store(0);
    tail_.store(0);
    held_.reset();
    overflow_.clear();
}

// ---------------------------------------------------------------- units

PointF TabletRangeSize(int row) {
    static constexpr PointF kSizes[4] = {{45720, 30480}, {91440, 60960}, {121920, 91440}, {182880, 121920}};
    return row >= 0 && row < 4 ? kSizes[row] : PointF{0, 0};
}

PointF TabletToModel(int32_t x, int32_t y, TabletFormat f, int resolution, int range) {
    // In floating point: 1000 lines per inch are 2.54 units a count, not 2.
    double k = resolution > 0 ? 2540.0 / double(resolution) : 2540.0 / 1270.0;
    double mx = double(x) * k, my = double(y) * k;
    if (f == TabletFormat::SevenByte) my = double(TabletRangeSize(range).y) - my;
    return {float(mx), float(my)};
}

}  // namespace rz
