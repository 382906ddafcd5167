// The cut file: each form from hand-built bytes, round trips, and every truncation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "model/xie.h"
#include "output/cutfile.h"

namespace rz {
namespace {

struct Bytes {
    std::vector<uint8_t> v;
    Bytes& raw(const void* p, size_t n) {
        auto* b = static_cast<const uint8_t*>(p);
        v.insert(v.end(), b, b + n);
        return *this;
    }
    Bytes& banner(const char* b) { return raw(b, kBannerSize); }
    Bytes& u16(uint16_t x) { return raw(&x, 2); }
    Bytes& u32(uint32_t x) { return raw(&x, 4); }
    Bytes& f(float x) { return raw(&x, 4); }
    Bytes& pt(float x, float y) { return f(x).f(y); }
};

constexpr uint32_t kOutlineCut = 0x138;  // kind 8, tool 3, pen 1

TEST(CutFile, EachFormFromHandBuiltBytes) {
    MaterialRecord m{};
    m[0] = 0xAB;
    Bytes v65;
    v65.banner(kBanner65).u32(kOutlineCut).u32(7).u32(2).u32(0xDEAD).u32(0xBEEF).pt(1, 2).pt(3, 4);
    v65.u32(0x116).u32(9).u32(5).u32(0).u32(0);  // count 5 but no points: an empty item, dropped
    v65.raw(m.data(), m.size());
    CutFileContent c = ReadCutFile(v65.v);
    EXPECT_EQ(c.form, CutFileForm::V65);
    EXPECT_FALSE(c.truncated);
    ASSERT_EQ(c.items.size(), 1u);
    EXPECT_EQ(c.items[0].points, (Polyline{{1, 2}, {3, 4}}));
    EXPECT_EQ(c.items[0].pieceId, 7);
    EXPECT_EQ(c.items[0].kind(), kItemOutline);
    ASSERT_EQ(c.material.size(), 1u);
    EXPECT_EQ(c.material[0][0], 0xAB);
    EXPECT_EQ(c.nextPieceId, 10);  // the largest id read, 9, plus one

    Bytes v63;
    v63.banner(kBanner63).u32(0x126).u16(0xFFFF).u16(1).u32(1).u32(1).pt(5, 6);
    v63.u32(0x116).u16(3).u16(1).u32(1).u32(0).pt(7, 8);
    c = ReadCutFile(v63.v);
    EXPECT_EQ(c.form, CutFileForm::V63);
    ASSERT_EQ(c.items.size(), 2u);
    EXPECT_EQ(c.items[0].pieceId, -1);  // sign-extended
    EXPECT_EQ(c.items[1].points, (Polyline{{7, 8}}));
    EXPECT_EQ(c.nextPieceId, 4);

    Bytes v20;
    v20.banner(kBannerCut20).u32(1).u32(1).u32(kOutlineCut).u32(12).u32(0).pt(9, 10);
    c = ReadCutFile(v20.v);
    EXPECT_EQ(c.form, CutFileForm::Control20);
    ASSERT_EQ(c.items.size(), 1u);
    EXPECT_EQ(c.items[0].pieceId, 12);
    EXPECT_EQ(c.items[0].flags, kOutlineCut);

    // 5.0: flag byte, kind and tool byte, piece, pen; points in 0.025 mm split at (0, 0).
    Bytes body;
    uint8_t rec[18] = {};
    rec[0] = 3;                // excluded, no segment DXF
    rec[2] = 0x40 | 5;         // kind 5 → 6, full cut
    rec[4] = 4;                // piece 4
    rec[6] = 0x12;             // pen 2
    rec[10] = 1;               // points present
    body.raw(rec, 18).u16(5).pt(1, 2).pt(0, 0).pt(3, 4).pt(5, 6).pt(0, 0);
    Bytes v50;
    v50.banner(kBanner50).raw(body.v.data(), body.v.size());
    for (const auto* bytes : {&v50.v, &body.v}) {
        c = ReadCutFile(*bytes);
        EXPECT_EQ(c.form, CutFileForm::V50);
        ASSERT_EQ(c.items.size(), 2u);
        EXPECT_EQ(c.items[0].points, (Polyline{{2.5f, 5}}));
        EXPECT_EQ(c.items[1].points, (Polyline{{7.5f, 10}, {12.5f, 15}}));
        EXPECT_EQ(c.items[1].kind(), kItemInner);
        EXPECT_EQ(c.items[1].tool(), kToolFullCut);
        EXPECT_EQ(c.items[1].pen(), 2);
        EXPECT_EQ(c.items[1].flags & (kItemExcluded | kItemNoSegmentDxf), kItemExcluded | kItemNoSegmentDxf);
    }
    // Without a banner the bytes must be exactly one body.
    body.u32(0);
    EXPECT_EQ(ReadCutFile(body.v).form, CutFileForm::Unknown);
    EXPECT_EQ(ReadCutFile({}).form, CutFileForm::Unknown);
}

ItemList SampleItems() {
    ItemList items;
    for (int i = 0; i < 3; ++i) {
        PlotItem it;
        it.flags = 0x100u * uint32_t(i + 1) | 0x38u | (i == 1 ? kItemSetAside : 0u);
        it.pieceId = i + 1;
        for (int k = 0; k <= i; ++k) it.points.push_back({float(k * 10 + i), float(-k)});
        items.push_back(it);
    }
    return items;
}

TEST(CutFile, WriteReadWriteAndTheEmptySheet) {
    std::vector<MaterialRecord> mats(2);
    mats[0].fill(0x11);
    mats[1].fill(0x22);
    ItemList items = SampleItems();
    items.insert(items.begin() + 1, PlotItem{});  // never written
    std::vector<uint8_t> a = WriteCutFile(items, mats);
    CutFileContent c = ReadCutFile(a);
    EXPECT_FALSE(c.truncated);
    EXPECT_EQ(c.items, SampleItems());
    ASSERT_EQ(c.material.size(), 2u);
    EXPECT_EQ(c.material[1][0], 0x22);
    EXPECT_EQ(WriteCutFile(c.items, c.material), a);
    EXPECT_EQ(c.nextPieceId, 4);

    std::vector<uint8_t> empty = WriteCutFile({}, mats);
    EXPECT_EQ(empty.size(), kBannerSize);
    c = ReadCutFile(empty);
    EXPECT_EQ(c.form, CutFileForm::V65);
    EXPECT_TRUE(c.items.empty());
    EXPECT_FALSE(c.truncated);
}

TEST(CutFile, EveryTruncationKeepsAPrefixAndSaysSo) {
    std::vector<MaterialRecord> mats(2);
    std::vector<uint8_t> full = WriteCutFile(SampleItems(), mats);
    const size_t itemsEnd = full.size() - 2 * 116;
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
        CutFileContent c = ReadCutFile(cut);
        if (n < kBannerSize) {
            EXPECT_EQ(c.form, CutFileForm::Unknown) << n;
            continue;
        }
        ItemList expect = SampleItems();
        ASSERT_LE(c.items.size(), expect.size()) << n;
        for (size_t i = 0; i < c.items.size(); ++i) EXPECT_EQ(c.items[i], expect[i]) << n;
        const bool whole = n == kBannerSize || n == itemsEnd;
        EXPECT_EQ(c.truncated, !whole) << n;
        if (n >= itemsEnd) EXPECT_EQ(c.items.size(), 3u);
    }
}

TEST(CutFile, CountsBeyondTheBytesAndSaturatedIds) {
    Bytes b;
    b.banner(kBanner65).u32(kOutlineCut).u32(0x7FFFFFFF).u32(0x7FFFFFFF).u32(1).u32(0).pt(1, 1);
    CutFileContent c = ReadCutFile(b.v);
    EXPECT_TRUE(c.truncated);
    EXPECT_TRUE(c.items.empty());
    Bytes neg;
    neg.banner(kBanner65).u32(kOutlineCut).u32(0x7FFFFFFF).u32(uint32_t(-3)).u32(1).u32(0);
    EXPECT_TRUE(ReadCutFile(neg.v).truncated);
    Bytes top;
    top.banner(kBanner65).u32(kOutlineCut).u32(0x7FFFFFFF).u32(1).u32(1).u32(0).pt(1, 1);
    c = ReadCutFile(top.v);
    ASSERT_EQ(c.items.size(), 1u);
    EXPECT_EQ(c.nextPieceId, INT32_MAX);
}


// The fuzz run starts from these seeds: each must be a cut file of its form that writes back
// stably.
TEST(CutFile, FuzzSeedsReadAndWriteBackStably) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(fs::path(ROZEDOZ_SOURCE_DIR) / "fuzz/corpus/cutfile"))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 6u);
    std::set<CutFileForm> forms;
    for (const fs::path& p : files) {
        std::ifstream in(p, std::ios::binary);
        std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), {}};
        CutFileContent c = ReadCutFile(b);
        ASSERT_NE(c.form, CutFileForm::Unknown) << p;
        EXPECT_FALSE(c.truncated) << p;
        forms.insert(c.form);
        std::vector<uint8_t> once = WriteCutFile(c.items, c.material);
        CutFileContent again = ReadCutFile(once);
        EXPECT_EQ(again.items, c.items) << p;
        EXPECT_EQ(WriteCutFile(again.items, again.material), once) << p;
    }
    EXPECT_EQ(forms.size(), 4u);
}

}  // namespace
}  // namespace rz
