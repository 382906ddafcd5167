#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "model/bytes.h"
#include "model/gbk.h"
#include "model/json.h"
#include "model/refs.h"
#include "model/sample.h"
#include "model/xie.h"
#include "rich_design.h"

namespace rz {
namespace {

std::vector<uint8_t> Save(Design& d, const List<ScanLine>* s = nullptr, const List<TPIC>* p = nullptr) {
    return WriteXie(d, s, p);
}

XieReadResult Load(const std::vector<uint8_t>& bytes, Design& d, List<ScanLine>* s = nullptr,
                   List<TPIC>* p = nullptr) {
    Settings settings;
    return ReadXie(bytes, d, settings, s, p);
}

TEST(Xie, WriteReadWriteGivesEqualBytesAndEqualDesigns) {
    Design d;
    test::BuildRichDesign(d);
    List<ScanLine> scans;
    scans.push_back(std::make_unique<ScanLine>());
    scans.back()->shape = {{{1, 2}, {3, 4}}};
    scans.back()->value = 5;
    List<TPIC> pics;
    pics.push_back(std::make_unique<TPIC>());
    pics.back()->word = 0x10000007;
    auto first = Save(d, &scans, &pics);

    Design back;
    List<ScanLine> scans2;
    List<TPIC> pics2;
    auto r = Load(first, back, &scans2, &pics2);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.truncated);
    EXPECT_EQ(r.version, XieVersion::V65);
    EXPECT_EQ(r.page, 0);
    EXPECT_TRUE(AllReferencesInside(back));
    ASSERT_EQ(scans2.size(), 1u);
    EXPECT_EQ(scans2[0]->shape, scans[0]->shape);
    ASSERT_EQ(pics2.size(), 1u);
    EXPECT_EQ(pics2[0]->word, 0x10000007u);

    auto second = Save(back, &scans2, &pics2);
    EXPECT_EQ(first, second);
    // Every record and reference survived: the dumps agree (the loader renumbers base points).
    int idx = 0;
    for (auto& p : d.parts) {
        idx = 0;
        for (auto& b : p->basePoints) b->index = idx++;
    }
    EXPECT_EQ(DesignToJson(d), DesignToJson(back));
}

TEST(Xie, ReferencesSurviveAReadAndPointIntoTheReadDesign) {
    Design d;
    test::BuildRichDesign(d);
    auto bytes = Save(d);
    Design back;
    ASSERT_TRUE(Load(bytes, back).ok);
    Part& p = back.firstPart();
    EXPECT_EQ(p.pins[2]->frontSym, p.linesB[0].get());
    EXPECT_EQ(p.linesB[0]->graded, p.gradedLines[0].get());
    EXPECT_EQ(p.basePoints[0]->owner, p.basePoints[0].get());
    EXPECT_EQ(p.symLineLinks[0]->target.ptr, p.seamAllowances[0].get());
    EXPECT_EQ(p.symElemLinks[1]->element.ptr, p.motifs[0].get());
    EXPECT_EQ(back.parts[1]->basePoints[1]->owner, back.parts[1]->basePoints[0].get());
    EXPECT_EQ(back.pieces[0]->linesB[0]->paired, back.pieces[0]->linesA[0].get());
    EXPECT_EQ(back.pieces[0]->members[2]->element.ptr, p.pins.back().get());
}

TEST(Xie, TruncationAtEveryByteKeepsWhatWasRead) {
    Design d;
    test::BuildRichDesign(d);
    List<ScanLine> scans;
    scans.push_back(std::make_unique<ScanLine>());
    scans.back()->shape = {{{1, 2}, {3, 4}}};
    auto full = Save(d, &scans);
    size_t lastLines = 0;
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
        Design back;
        List<ScanLine> s;
        auto r = Load(cut, back, &s);
        if (n < kBannerSize) {
            EXPECT_FALSE(r.ok) << n;
            continue;
        }
        ASSERT_TRUE(r.ok) << n;
        EXPECT_TRUE(r.truncated) << n;
        EXPECT_TRUE(AllReferencesInside(back)) << n;
        ASSERT_GE(back.parts.size(), 1u);
        // More bytes never give fewer lines.
        size_t lines = 0;
        for (auto& p : back.parts) lines += p->linesA.size() + p->linesB.size();
        EXPECT_GE(lines, lastLines) << n;
        lastLines = lines;
        EXPECT_GE(r.page, 0);
        EXPECT_LE(r.page, 3);
    }
    Design back;
    EXPECT_FALSE(Load(full, back).truncated);
}

TEST(Xie, GbkTextSurvivesByteForByte) {
    Design d;
    BuildSampleDesign(d);
    std::string gbk = Utf8ToGbk("鞋样设计；扩缩 37½");
    // Include bytes that are not valid GBK: they are stored, not interpreted.
    gbk += std::string("\xA1\xFF\x81\x40", 4);
    d.firstPart().texts[0]->text = gbk;
    d.report = gbk;
    d.notes[0].text = gbk;
    auto bytes = Save(d);
    Design back;
    ASSERT_TRUE(Load(bytes, back).ok);
    EXPECT_EQ(back.firstPart().texts[0]->text, gbk);
    EXPECT_EQ(back.report, gbk);
    EXPECT_EQ(back.notes[0].text, gbk);
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk("前帮")), "前帮");
}

TEST(Xie, GradedListsOnlyWhenAsked) {
    Design d;
    test::BuildRichDesign(d);
    d.flags &= ~kDesignSaveGrading;
    auto bytes = Save(d);
    Design back;
    ASSERT_TRUE(Load(bytes, back).ok);
    EXPECT_TRUE(back.firstPart().gradedLines.empty());
    EXPECT_FALSE(back.flags & kDesignGraded);
    EXPECT_EQ(back.firstPart().linesB[0]->graded, nullptr);
    // The record counts leave graded records out: 6 lines, not 7.
    // Offset of the counts: banner, K and points, design block, targets, report, notes.
    d.flags |= kDesignSaveGrading;
    auto withGraded = Save(d);
    Design back2;
    ASSERT_TRUE(Load(withGraded, back2).ok);
    EXPECT_EQ(back2.firstPart().gradedLines.size(), 1u);
    EXPECT_TRUE(back2.flags & kDesignGraded);
    EXPECT_GT(withGraded.size(), bytes.size());
}

TEST(Xie, PreviewOutline) {
    Design d;
    // A first part with lines A only and no second part: no preview.
    d.firstPart().linesA.push_back(std::make_unique<Line>());
    d.firstPart().linesA[0]->nodes = {{0, 0, 0}, {100, 0, 0}};
    EXPECT_TRUE(PreviewOutline(d).empty());
    auto bytes = Save(d);
    EXPECT_EQ(GetU32(bytes.data(), kBannerSize), 0u);
    // With a line B: nodes relative to the minimum, divided by 180, a (0, 0) after each line.
    d.firstPart().linesB.push_back(std::make_unique<Line>());
    d.firstPart().linesB[0]->nodes = {{1800, 3600, 0}, {-1800, 0, 0}};
    auto pv = PreviewOutline(d);
    std::vector<std::pair<int32_t, int32_t>> want = {{10, 0}, {10, 0}, {0, 0}, {20, 20}, {0, 0}, {0, 0}};
    EXPECT_EQ(pv, want);
    // A large design is scaled into 45720 × 30480 first.
    d.firstPart().linesB[0]->nodes = {{0, 0, 0}, {91440, 0, 0}};
    pv = PreviewOutline(d);
    EXPECT_EQ(pv[4].first, 45720 / 180);
    // Lines flagged out of the preview are left out.
    d.firstPart().linesB[0]->flags |= kLineNoPreview;
    EXPECT_EQ(PreviewOutline(d).size(), 3u);

    auto withPreview = Save(d);
    XiePreview p = ReadXiePreview(withPreview);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.points.size(), 3u);
    EXPECT_EQ(p.year, d.firstPart().year);
}

TEST(Xie, PagesAfterLoad) {
    Design d;
    BuildSampleDesign(d);
    // A later part on page 3 moves to page 0; the first part may stay on page 3.
    d.firstPart().setPage(3);
    d.parts[1]->setPage(3);
    auto bytes = Save(d);
    Design back;
    auto r = Load(bytes, back);
    EXPECT_EQ(back.firstPart().page(), 3);
    EXPECT_EQ(back.parts[1]->page(), 0);
    EXPECT_EQ(back.parts[1]->sizeLabels.size(), 0u);
    EXPECT_EQ(r.page, 0);
    // An empty first part with content on pages 1 and 2 opens on page 3.
    Design e;
    BuildSampleDesign(e);
    Design empty;
    e.parts[0] = std::make_unique<Part>();
    e.pieces.clear();
    e.parts[1]->linesB.clear();
    auto b2 = Save(e);
    Design back2;
    EXPECT_EQ(Load(b2, back2).page, 3);
    // Lowest non-empty page otherwise.
    Design f;
    BuildSampleDesign(f);
    f.firstPart().setPage(2);
    Design back3;
    EXPECT_EQ(Load(Save(f), back3).page, 1);
    // A first part with an impossible page number is put on page 0.
    Design g;
    BuildSampleDesign(g);
    g.firstPart().flags = (g.firstPart().flags & ~kPartPageMask) | 9u;
    Design back4;
    Load(Save(g), back4);
    EXPECT_EQ(back4.firstPart().page(), 0);
}

TEST(Xie, TransientBitsAreClearedOnRead) {
    Design d;
    BuildSampleDesign(d);
    d.firstPart().flags |= kFlagSelected | kFlagHidden;
    d.firstPart().linesB[0]->flags |= kFlagSelected;
    d.firstPart().pins[0]->flags |= kFlagHidden;
    Design back;
    ASSERT_TRUE(Load(Save(d), back).ok);
    EXPECT_EQ(back.firstPart().flags & kFlagTransient, 0u);
    EXPECT_EQ(back.firstPart().linesB[0]->flags & kFlagTransient, 0u);
    EXPECT_EQ(back.firstPart().pins[0]->flags & kFlagTransient, 0u);
}

TEST(Xie, UnknownBannersAndVersionFive) {
    Design d;
    std::vector<uint8_t> junk(200, 'x');
    auto r = Load(junk, d);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.version, XieVersion::Unknown);
    std::vector<uint8_t> v5(kBanner50, kBanner50 + kBannerSize);
    v5.resize(300, 0);
    r = Load(v5, d);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.version, XieVersion::V50);
    std::vector<uint8_t> cut(kBannerCut20, kBannerCut20 + kBannerSize);
    EXPECT_FALSE(Load(cut, d).ok);
}

// Builds a 6.5 file the way another writer may: identities are arbitrary large numbers.
struct ForeignFile {
    ByteWriter w;
    void banner() { w.bytes(kBanner65, kBannerSize); }
    void designBlock(int16_t n, int16_t baseIndex, uint32_t linesA, uint32_t pins, uint32_t nextPart,
                     uint8_t step = 1) {
        w.u32(0);  // K
        w.u32(0x30000);
        w.u8(0);
        w.u8(3);
        w.u8(20);
        w.u16(25);
        w.u16(20);
        w.u16(30);
        w.u8(step);
        w.i16(baseIndex);
        w.i16(n);
        for (int i = 0; i < 4; ++i) w.f32(0);
        w.u32(0);  // targets
        w.u32(0x77);
        w.u32(0);  // notes
        w.i16(0);
        w.i16(0);
        w.u8(1);
        w.i16(-1);
        partHeader(linesA, pins, nextPart);
        w.u32(0);  // pieces
        w.text("");
        for (int i = 0; i < 10; ++i) w.u32(1000000);  // counts far beyond the file
    }
    void partHeader(uint32_t linesA, uint32_t pins, uint32_t nextPart) {
        w.u32(0x1300);
        w.u32(2024);
        w.u32(1);
        w.u32(2);
        for (int i = 0; i < 5; ++i) w.u32(0);
        w.u32(0);  // shared die
        w.u32(0);
        w.u32(0);
        w.u32(0);
        w.u32(linesA);
        for (int i = 14; i < 31; ++i) w.u32(i == 15 ? pins : 0);
        w.u32(nextPart);
    }
    void line(uint32_t nodeCount, uint32_t basePoint, uint32_t next, int nodesWritten) {
        w.u32(nodeCount);
        w.u32(nodesWritten ? 0xDEAD0000 : 0);
        w.u32(0x2000);
        w.u16(0);
        w.u16(0);
        w.u32(0);
        for (int i = 0; i < 3; ++i) w.f32(0);
        w.u32(basePoint);
        w.u32(0);
        w.u32(0);
        w.u32(next);
        for (int i = 0; i < nodesWritten; ++i) {
            w.f32(float(i * 100));
            w.f32(0);
            w.u32(0);
        }
    }
    void pin(uint32_t frontSym, uint32_t next) {
        w.f32(1);
        w.f32(2);
        w.f32(100);
        w.u32(1);
        w.u32(0);
        w.u32(frontSym);
        w.u32(0);
        w.u32(next);
    }
};

TEST(Xie, ForeignIdentitiesAndCrossCategoryReferences) {
    ForeignFile f;
    f.banner();
    f.designBlock(11, 5, 0x08A1F000, 0x08B20010, 0);
    f.line(3, 0, 0x08A1F0C0, 3);
    f.line(2, 0, 0, 2);
    f.pin(0x08A1F0C0, 0x08B20040);  // the second line
    f.pin(0x08B20010, 0);           // names a pin where a line is wanted: not found
    f.w.u32(0);
    f.w.u32(0);
    Design d;
    auto r = Load(f.w.buf, d);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.truncated);
    Part& p = d.firstPart();
    ASSERT_EQ(p.linesA.size(), 2u);
    ASSERT_EQ(p.pins.size(), 2u);
    EXPECT_EQ(p.pins[0]->frontSym, p.linesA[1].get());
    EXPECT_EQ(p.pins[1]->frontSym, nullptr);
    EXPECT_EQ(d.n, 11);
    EXPECT_EQ(d.baseIndex, 5);
}

TEST(Xie, HostileCountsNeverReadPastTheEnd) {
    // A node count far beyond the file: the nodes that are there are kept, the read ends.
    ForeignFile f;
    f.banner();
    f.designBlock(-5, -3, 0x10, 0, 0);
    f.line(0x7FFFFFFF, 0, 0, 4);
    Design d;
    auto r = Load(f.w.buf, d);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.truncated);
    ASSERT_EQ(d.firstPart().linesA.size(), 1u);
    EXPECT_EQ(d.firstPart().linesA[0]->nodes.size(), 4u);
    // A negative N or base index becomes no sizes.
    EXPECT_EQ(d.n, 0);
    EXPECT_EQ(d.baseIndex, 0);

    // A report length larger than the file is truncation.
    ByteWriter w;
    w.bytes(kBanner65, kBannerSize);
    w.u32(0);
    std::vector<uint8_t> block(185, 0);
    w.bytes(block.data(), block.size());
    w.u32(0xFFFFFFF0u);
    w.bytes("abc", 3);
    Design e;
    r = Load(w.buf, e);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.truncated);
    EXPECT_TRUE(e.report.empty());

    // A preview count beyond the file.
    ByteWriter k;
    k.bytes(kBanner65, kBannerSize);
    k.u32(0x40000000);
    Design g;
    r = Load(k.buf, g);
    EXPECT_TRUE(r.truncated);
    EXPECT_EQ(g.parts.size(), 1u);
}

TEST(Xie, StepOfZeroAndAnOutOfRangeBaseIndex) {
    ForeignFile f;
    f.banner();
    f.designBlock(3, 7, 0, 0, 0, 0);
    f.w.u32(0);
    f.w.u32(0);
    Design d;
    auto r = Load(f.w.buf, d);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(d.n, 3);
    EXPECT_EQ(d.baseIndex, 2);
    d.resizePerSizeArrays();  // step 0: no sizes, no division
    EXPECT_EQ(d.n, 0);
}

// A version 6.3 file: 170-byte block, 112-byte part headers, 44-byte lines, short labels
// and notches, 50-byte pieces, and the trailer.
TEST(Xie, ReadsVersionSixThree) {
    ByteWriter w;
    w.bytes(kBanner63, kBannerSize);
    w.u32(0);  // K
    // 54-byte parameter block.
    w.u32(0x30003);  // low byte 3: trailer with auto-save number, offsets and adjustments
    w.u8(0);
    w.u8(3);
    w.u8(20);
    w.u16(25);
    w.u16(20);
    w.u16(30);
    w.u8(1);
    w.i16(5);
    w.i16(11);
    for (int i = 0; i < 4; ++i) w.f32(float(i));
    for (int i = 34; i < 46; ++i) w.u8(0);
    w.u32(1);  // target array present
    w.u32(1);  // output selection present
    // 112-byte part header.
    w.u32(0x1301);  // page 1
    w.u32(0x00FF00);
    w.u32(2003);
    w.u32(3);
    w.u32(18);
    w.u32(0);  // shared die
    for (int i = 0; i < 21; ++i) {
        uint32_t v = 0;
        if (i == 3) v = 0x500;  // lines A
        if (i == 6) v = 0x600;  // size labels
        if (i == 7) v = 0x700;  // notches
        w.u32(v);
    }
    w.u32(0);  // next part
    w.u32(1);  // pieces
    w.text(Utf8ToGbk("旧版"));
    for (int i = 0; i < 11; ++i) {
        w.f32(float(i));
        w.f32(-float(i));
    }
    for (int i = 0; i < 11; ++i) w.u8(uint8_t(i));
    for (int i = 0; i < 10; ++i) w.u32(1);
    // One 44-byte line with two nodes.
    w.u32(2);
    w.u32(1);
    w.u32(0x1000);
    w.u16(1);
    w.u16(2);
    w.u32(0x123);
    w.f32(50);
    w.f32(0);
    w.f32(0);
    w.u32(0);  // base point
    w.u32(0);  // graded copy
    w.u32(0);  // next
    for (int i = 0; i < 2; ++i) {
        w.f32(float(i * 1000));
        w.f32(0);
        w.u32(0);
    }
    // 24-byte size label: x, y, angle, flags, colour, next.
    w.f32(1);
    w.f32(2);
    w.f32(0.5f);
    w.u32(1);
    w.u32(0xABCDEF);
    w.u32(0);
    // 16-byte notch: x, y, flags, next.
    w.f32(3);
    w.f32(4);
    w.u32(3);
    w.u32(0);
    // 50-byte piece: slot, flags, colour, shared-die presence, eight lists, next.
    w.u16(7);
    w.u32(0x10000);
    w.u32(0x445566);
    w.u32(0);
    for (int i = 0; i < 8; ++i) w.u32(0);
    w.u32(0);
    // Trailer.
    w.i32(12);
    w.u32(0);
    w.u32(0);
    w.u32(0);
    w.f32(11);
    w.f32(22);
    w.i32(-5);
    w.i32(150);

    Design d;
    Settings s;
    auto r = ReadXie(w.buf, d, s);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.truncated);
    EXPECT_EQ(r.version, XieVersion::V63);
    EXPECT_EQ(d.n, 11);
    EXPECT_EQ(GbkToUtf8(d.report), "旧版");
    ASSERT_TRUE(d.targets);
    EXPECT_EQ((*d.targets)[3], (PairF{3, -3}));
    ASSERT_TRUE(d.outputSelection);
    EXPECT_EQ((*d.outputSelection)[10], 10);
    Part& p = d.firstPart();
    EXPECT_EQ(p.page(), 1);
    EXPECT_EQ(p.colour, 0x00FF00u);
    EXPECT_EQ(p.year, 2003);
    ASSERT_EQ(p.linesA.size(), 1u);
    EXPECT_EQ(p.linesA[0]->nodes.size(), 2u);
    EXPECT_EQ(p.linesA[0]->margin, 50.0f);
    ASSERT_EQ(p.sizeLabels.size(), 1u);
    EXPECT_EQ(p.sizeLabels[0]->colour, 0xABCDEFu);
    EXPECT_EQ(p.sizeLabels[0]->width, 400.0f);
    ASSERT_EQ(p.notches.size(), 1u);
    EXPECT_EQ(p.notches[0]->depth, s.markDepth);
    EXPECT_FLOAT_EQ(p.notches[0]->angle, s.notchAngle);
    ASSERT_EQ(d.pieces.size(), 1u);
    EXPECT_EQ(d.pieces[0]->slot, 7);
    EXPECT_EQ(d.pieces[0]->colour(), 0x445566u);
    EXPECT_EQ(d.autoSaveNumber, 12);
    EXPECT_EQ(p.homeX, 11.0f);
    EXPECT_EQ(p.homeY, 22.0f);
    EXPECT_EQ(d.lengthAdj, -5);
    EXPECT_EQ(d.girthAdj, 99);  // clamped to the field's range
    EXPECT_EQ(r.page, 1);
    // Written back as 6.5 and read again, the content stays.
    auto again = WriteXie(d);
    Design d2;
    ASSERT_TRUE(ReadXie(again, d2, s).ok);
    EXPECT_EQ(d2.firstPart().notches[0]->depth, s.markDepth);
    EXPECT_EQ(d2.pieces[0]->slot, 7);
}

}  // namespace
}  // namespace rz

namespace rz {
namespace {

TEST(XieAfterLoad, LinesAreEvaluatedAndFailuresCountAsBadLines) {
    Design d;
    BuildSampleDesign(d);
    Line& bad = *d.parts[2]->linesB[0];
    bad.nodes[1].x = std::numeric_limits<float>::quiet_NaN();
    Design back;
    ASSERT_TRUE(Load(Save(d), back).ok);
    Stats s = back.stats();
    EXPECT_EQ(s.badLines, 1);
    EXPECT_TRUE(back.parts[2]->linesB[0]->eval.empty());
    // A line with a margin gets its second polyline, the others none.
    const Line& top = *back.firstPart().linesB[0];
    ASSERT_GT(top.eval.size(), 2u);
    EXPECT_FALSE(top.second.empty());
    EXPECT_TRUE(back.firstPart().linesA[0]->second.empty());
    // The evaluated outline starts and ends at the line's end nodes.
    const Line& outline = *back.firstPart().linesA[0];
    EXPECT_EQ(outline.eval.front(), outline.nodes.front().pt());
    EXPECT_EQ(outline.eval.back(), outline.nodes.back().pt());
}

}  // namespace
}  // namespace rz
