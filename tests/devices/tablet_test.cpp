// The tablet's packet decoder against packets built from the format table, the record queue
// under a flooding producer, and tablet counts in pattern units.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "devices/tablet.h"

namespace rz {
namespace {

struct Sample {
    int x, y, field;
};

std::vector<uint8_t> Stream(TabletFormat f, const std::vector<Sample>& s) {
    std::vector<uint8_t> out;
    for (const Sample& p : s) {
        auto pk = EncodeTabletPacket(f, p.x, p.y, p.field);
        out.insert(out.end(), pk.begin(), pk.begin() + PacketSize(f));
    }
    return out;
}

std::vector<TabletRecord> Decode(TabletFormat f, const std::vector<uint8_t>& bytes, size_t split = 0) {
    TabletDecoder d(f);
    std::vector<TabletRecord> out;
    auto sink = [&](const TabletRecord& r) { out.push_back(r); };
    if (split == 0) {
        d.feed(bytes.data(), bytes.size(), sink);
    } else {
        for (size_t at = 0; at < bytes.size(); at += split)
            d.feed(bytes.data() + at, std::min(split, bytes.size() - at), sink);
    }
    return out;
}

// A puck moving with its buttons: field 0 none, else the format's buttons field.
const std::vector<Sample> kStroke = {
    {100, 200, 0}, {16383, 65535, 0}, {40000, 3, 1}, {40001, 4, 1}, {40002, 5, 1},
    {40003, 6, 0}, {7, 8, 3},         {7, 9, 3},     {7, 10, 2},    {0, 0, 0},
};

TEST(TabletDecoder, BothFormatsDecodeTheirTableInAnySplitOfTheStream) {
    for (TabletFormat f : {TabletFormat::SixByte, TabletFormat::SevenByte}) {
        auto bytes = Stream(f, kStroke);
        auto whole = Decode(f, bytes);
        ASSERT_EQ(whole.size(), kStroke.size());
        // Expected events: a press where the field changes to non-zero (the 7-byte format
        // numbers buttons from field − 1), a release where it falls to zero, a held button
        // gives no further press.
        int held = 0, prev = 0;
        for (size_t i = 0; i < kStroke.size(); ++i) {
            const Sample& s = kStroke[i];
            const TabletRecord& r = whole[i];
            EXPECT_EQ(r.x, s.x) << i;
            EXPECT_EQ(r.y, s.y) << i;
            int number = f == TabletFormat::SixByte ? (s.field & 0x0F) : s.field - 1;
            if (s.field != prev && s.field != 0) {
                EXPECT_TRUE(r.press()) << i;
                EXPECT_EQ(r.button(), number) << i;
                held = number;
            } else if (s.field != prev) {
                EXPECT_TRUE(r.release()) << i;
                EXPECT_EQ(r.button(), held) << i;
            } else {
                EXPECT_EQ(r.kind(), 0) << i;
            }
            prev = s.field;
        }
        // Chunks of any size give the same records: the packet position carries over.
        for (size_t split = 1; split <= bytes.size(); ++split) EXPECT_EQ(Decode(f, bytes, split), whole) << split;
    }
}

TEST(TabletDecoder, AStreamStartingMidPacketIsRealignedWithoutAGarbagePress) {
    const TabletFormat f = TabletFormat::SevenByte;
    auto bytes = Stream(f, {{500, 600, 0}, {501, 601, 2}});
    // The tail of a packet whose start was lost: its data bytes would make up a packet with
    // a button field in byte 3 if they were taken for one.
    std::vector<uint8_t> tail = {0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F};
    tail.insert(tail.end(), bytes.begin(), bytes.end());
    auto rs = Decode(f, tail);
    ASSERT_EQ(rs.size(), 2u);
    EXPECT_EQ(rs[0], (TabletRecord{0, 500, 600}));
    EXPECT_TRUE(rs[1].press());
    EXPECT_EQ(rs[1].button(), 1);
    // A new start byte in the middle of a packet begins the packet again.
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 4);
    cut.insert(cut.end(), bytes.begin(), bytes.end());
    EXPECT_EQ(Decode(f, cut), rs);
    // After a reset (a new digitizer mode) an old half packet does not complete.
    TabletDecoder d(f);
    std::vector<TabletRecord> out;
    auto sink = [&](const TabletRecord& r) { out.push_back(r); };
    d.feed(bytes.data(), 3, sink);
    d.reset(f);
    d.feed(bytes.data() + 7 + 3, 4, sink);
    EXPECT_TRUE(out.empty());
}

TEST(TabletUnits, CountsBecomePatternUnitsInFloatingPoint) {
    // 1270 lines per inch: 2 units a count; 1000: 2.54, not 2 (tracings were 21 % small).
    EXPECT_EQ(TabletToModel(1000, 500, TabletFormat::SixByte, 1270, 0), (PointF{2000, 1000}));
    PointF p = TabletToModel(1000, 500, TabletFormat::SixByte, 1000, 0);
    EXPECT_FLOAT_EQ(p.x, 2540.0f);
    EXPECT_FLOAT_EQ(p.y, 1270.0f);
    // The 7-byte format counts y down from the top of the tablet's size row.
    p = TabletToModel(1000, 500, TabletFormat::SevenByte, 1270, 2);
    EXPECT_FLOAT_EQ(p.y, 91440.0f - 1000.0f);
    // 自定义尺寸 has no height: y is negative.
    p = TabletToModel(0, 500, TabletFormat::SevenByte, 1270, 4);
    EXPECT_FLOAT_EQ(p.y, -1000.0f);
    // A resolution that would divide by zero takes the default.
    EXPECT_EQ(TabletToModel(10, 10, TabletFormat::SixByte, 0, 0), (PointF{20, 20}));
}

TEST(TabletQueue, EveryRecordArrivesOnceAndInOrderWhileTheConsumerKeepsUp) {
    TabletQueue q;
    std::vector<TabletRecord> got;
    for (int i = 0; i < 1000; ++i) {
        q.push({uint32_t(i % 7 == 0 ? kTabletPress : 0), i, -i});
        if (i % 13 == 0) {
            TabletRecord r;
            while (q.pop(r)) got.push_back(r);
        }
    }
    TabletRecord r;
    while (q.pop(r)) got.push_back(r);
    ASSERT_EQ(got.size(), 1000u);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(got[size_t(i)].x, i);
}

// The reader thread floods the queue while the user-interface thread drains it now and then:
// presses and releases all arrive, in order, and the last position is never lost; only moves
// are merged.
TEST(TabletQueue, AFloodingProducerLosesNoPressAndNoLastPosition) {
    TabletQueue q;
    constexpr int kRecords = 200000;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        std::mt19937 rng(7);
        for (int i = 1; i <= kRecords; ++i) {
            uint32_t ev = 0;
            if (i % 100 == 0) ev = kTabletPress | 2;
            else if (i % 100 == 50) ev = kTabletRelease | 2;
            q.push({ev, i, int(rng() % 1000)});
        }
        while (!q.flush()) std::this_thread::yield();
        done = true;
    });
    std::vector<TabletRecord> got;
    TabletRecord r;
    std::mt19937 pause(3);
    for (;;) {
        bool finished = done.load();
        while (q.pop(r)) got.push_back(r);
        if (finished && q.empty()) break;
        // A slow consumer: the ring fills up between drains.
        if (pause() % 4 == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    producer.join();
    int presses = 0, releases = 0;
    for (size_t i = 1; i < got.size(); ++i) EXPECT_LT(got[i - 1].x, got[i].x) << "out of order at " << i;
    for (const TabletRecord& t : got) {
        presses += t.press();
        releases += t.release();
        if (t.kind() != 0) {
            EXPECT_EQ(t.x % 50, 0) << t.x;
        }
    }
    EXPECT_EQ(presses, kRecords / 100);
    EXPECT_EQ(releases, kRecords / 100);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().x, kRecords);
}

}  // namespace
}  // namespace rz
