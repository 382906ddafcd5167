#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "model/font.h"

namespace rz {
namespace {

// A font image built in memory: the full index, glyphs appended behind it.
struct FontImage {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(TFont::kIndexBytes, 0);

    void add(int entry, const std::vector<std::pair<int, int>>& pairs) {
        std::size_t off = bytes.size();
        bytes[entry * 4 + 0] = uint8_t(off);
        bytes[entry * 4 + 1] = uint8_t(off >> 8);
        bytes[entry * 4 + 2] = uint8_t(off >> 16);
        bytes[entry * 4 + 3] = uint8_t(pairs.size());
        for (auto [x, y] : pairs) {
            bytes.push_back(uint8_t(x));
            bytes.push_back(uint8_t(y));
        }
    }
    // One diagonal stroke from the cell's top-left to its bottom-right corner, so that a
    // placed copy tells its origin and its scale.
    void addCellMarker(int entry) { add(entry, {{0, 128}, {128, 0}}); }
};

struct Cell {
    float x, y, w, h;
};
Cell cellOf(const Polyline& marker) {
    return {marker[0].x, marker[1].y, marker[1].x - marker[0].x, marker[0].y - marker[1].y};
}

constexpr int kFirstChinese = 128;  // 啊, GB2312 B0A1

TFont markerFont(float w, float h) {
    FontImage img;
    for (int c : {'1', '2', 'A', '@'}) img.addCellMarker(c);
    img.addCellMarker(kFirstChinese);
    TFont f;
    f.setData(img.bytes);
    f.charWidth = w;
    f.charHeight = h;
    return f;
}

void expectCell(const Polyline& marker, float x, float y, float w, float h) {
    ASSERT_EQ(marker.size(), 2u);
    Cell c = cellOf(marker);
    EXPECT_NEAR(c.x, x, 1e-3f);
    EXPECT_NEAR(c.y, y, 1e-3f);
    EXPECT_NEAR(c.w, w, 1e-3f);
    EXPECT_NEAR(c.h, h, 1e-3f);
}

TEST(FontSettings, TwentyLittleEndianBytesRoundTrip) {
    TFont f;
    f.charWidth = 500.0f;
    f.charHeight = 0.0f;
    f.spare1 = 1.5f;
    f.spare2 = -2.0f;
    f.vertical = 1;
    auto b = f.settingsBytes();
    ASSERT_EQ(b.size(), 20u);
    const uint8_t width500[4] = {0x00, 0x00, 0xFA, 0x43};  // 500.0f
    EXPECT_EQ(std::memcmp(&b[0], width500, 4), 0);
    EXPECT_EQ(b[16], 1);
    EXPECT_EQ(b[19], 0);

    TFont g;
    g.setSettingsBytes(b);
    EXPECT_EQ(g.charWidth, 500.0f);
    EXPECT_EQ(g.charHeight, 0.0f);
    EXPECT_EQ(g.spare1, 1.5f);
    EXPECT_EQ(g.spare2, -2.0f);
    EXPECT_EQ(g.vertical, 1);
}

TEST(FontIndex, ChineseEntriesFollowTheGb2312Rows) {
    EXPECT_EQ(TFont::chineseEntry(0xB0, 0xA1), 128);          // first level-1 character
    EXPECT_EQ(TFont::chineseEntry(0xB0, 0xFE), 128 + 93);
    EXPECT_EQ(TFont::chineseEntry(0xB1, 0xA1), 128 + 94);
    EXPECT_EQ(TFont::chineseEntry(0xD7, 0xF9), 128 + 3755 - 1);  // last level-1 character
    EXPECT_EQ(TFont::chineseEntry(0xF7, 0xFE), TFont::kIndexEntries - 1);
    // No entry: full-width symbols, leads past the table, trail bytes outside the row.
    EXPECT_EQ(TFont::chineseEntry(0xAF, 0xFE), -1);
    EXPECT_EQ(TFont::chineseEntry(0xA1, 0xA1), -1);
    EXPECT_EQ(TFont::chineseEntry(0xF8, 0xA1), -1);
    EXPECT_EQ(TFont::chineseEntry(0xB0, 0xA0), -1);
    EXPECT_EQ(TFont::chineseEntry(0xB0, 0xFF), -1);
    EXPECT_EQ(TFont::chineseEntry(0xB0, 0x61), -1);  // the row formula would give ASCII '@'
}

TEST(FontGlyph, PenLiftsSplitStrokesAndShortStrokesAreDropped) {
    FontImage img;
    // stroke, lift, lift, stroke, lift, a lone point, lift
    img.add('X', {{10, 20}, {30, 40}, {0, 0}, {0, 0}, {50, 60}, {70, 80}, {90, 100}, {0, 0}, {5, 5}, {0, 0}});
    TFont f;
    f.setData(img.bytes);
    Shape s = f.glyph('X');
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0], (Polyline{{10, 20}, {30, 40}}));
    EXPECT_EQ(s[1], (Polyline{{50, 60}, {70, 80}, {90, 100}}));
    EXPECT_TRUE(f.glyph('Y').empty());
    EXPECT_TRUE(f.glyph(-1).empty());
    EXPECT_TRUE(f.glyph(TFont::kIndexEntries).empty());
}

TEST(FontGlyph, DamagedFilesGiveNoStrokesInsteadOfReadingPastTheEnd) {
    // A glyph whose data runs one byte past the end of the file.
    FontImage img;
    img.add('A', {{10, 10}, {20, 20}});
    img.add('B', {{10, 10}, {20, 20}, {30, 30}});
    img.bytes.pop_back();
    TFont f;
    f.setData(img.bytes);
    EXPECT_EQ(f.glyph('A').size(), 1u);
    EXPECT_TRUE(f.glyph('B').empty());

    // An offset at the end of the file.
    FontImage at;
    at.add('A', {{10, 10}, {20, 20}});
    std::size_t end = at.bytes.size();
    at.bytes['C' * 4 + 0] = uint8_t(end);
    at.bytes['C' * 4 + 1] = uint8_t(end >> 8);
    at.bytes['C' * 4 + 3] = 1;
    f.setData(at.bytes);
    EXPECT_TRUE(f.glyph('C').empty());

    // A file shorter than its index: entries beyond it are empty, earlier ones still work.
    std::vector<uint8_t> shortFile(TFont::kIndexBytes / 2, 0);
    std::size_t off = shortFile.size();
    shortFile['A' * 4 + 0] = uint8_t(off);
    shortFile['A' * 4 + 1] = uint8_t(off >> 8);
    shortFile['A' * 4 + 3] = 2;
    shortFile.insert(shortFile.end(), {10, 10, 20, 20});
    f.setData(shortFile);
    EXPECT_EQ(f.glyph('A').size(), 1u);
    EXPECT_TRUE(f.glyph(TFont::kIndexEntries - 1).empty());
    EXPECT_EQ(f.glyphPairs(TFont::kIndexEntries - 1), 0);
    f.charWidth = f.charHeight = 100;
    EXPECT_TRUE(f.layoutText("\xF7\xFE").strokes.empty());
}

TEST(FontFile, LoadsWholeFilesOnlyAndKeepsNoDataOtherwise) {
    const std::string dir = ::testing::TempDir();
    const std::string path = dir + "/font_test_small.fnt";
    FontImage img;
    img.addCellMarker('A');
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(img.bytes.data()), std::streamsize(img.bytes.size()));
    }
    TFont f;
    ASSERT_TRUE(f.load(path));
    EXPECT_EQ(f.length(), img.bytes.size());
    EXPECT_EQ(f.glyph('A').size(), 1u);

    // A folder, a missing file and an empty file leave the font without data.
    EXPECT_FALSE(f.load(dir));
    EXPECT_FALSE(f.hasData());
    EXPECT_EQ(f.length(), 0u);
    EXPECT_TRUE(f.glyph('A').empty());
    { std::ofstream(path, std::ios::binary | std::ios::trunc); }
    EXPECT_FALSE(f.load(path));
    std::remove(path.c_str());
}

TEST(FontLayout, EmptyTextOrNoFontGivesNothing) {
    TFont f = markerFont(200, 100);
    TextLayout a = f.layoutText("");
    EXPECT_TRUE(a.strokes.empty());
    EXPECT_EQ(a.width, 0.0f);
    EXPECT_EQ(a.height, 0.0f);

    TFont none;
    EXPECT_FALSE(none.load("/nonexistent/brelan.fnt"));
    EXPECT_FALSE(none.hasData());
    for (int vertical : {0, 1}) {
        none.vertical = vertical;
        TextLayout b = none.layoutText("A1\xB0\xA1");
        EXPECT_TRUE(b.strokes.empty());
        EXPECT_EQ(b.width, 0.0f);
        EXPECT_EQ(b.height, 0.0f);
    }
    EXPECT_TRUE(none.layoutSizeLabel("37|").strokes.empty());
}

TEST(FontLayout, HorizontalCellsGapsAndLineBreaks) {
    const float W = 200, H = 100;
    TFont f = markerFont(W, H);
    // Chinese characters stand on y = 0 in full cells, ASCII on 0.1H in half-width cells.
    TextLayout t = f.layoutText("\xB0\xA1" "A");
    ASSERT_EQ(t.strokes.size(), 2u);
    expectCell(t.strokes[0], W / 10, 0, W, H);
    expectCell(t.strokes[1], W / 10 + W + W / 10, 0.1f * H, W / 2, 0.9f * H);
    EXPECT_FLOAT_EQ(t.width, 2 * (W / 10) + W + W / 2);
    EXPECT_FLOAT_EQ(t.height, H);

    // "11;2": the second line is 1.1H lower; the extent takes the wider line and covers both.
    t = f.layoutText("11;2");
    ASSERT_EQ(t.strokes.size(), 3u);
    expectCell(t.strokes[1], W / 10 + W / 2 + W / 10, 0.1f * H, W / 2, 0.9f * H);
    expectCell(t.strokes[2], W / 10, 0.1f * H - 1.1f * H, W / 2, 0.9f * H);
    EXPECT_FLOAT_EQ(t.width, 2 * (W / 10 + W / 2));
    EXPECT_FLOAT_EQ(t.height, H + 1.1f * H);

    // A space moves by an ASCII cell without a gap; a text ending in ";" still has a width.
    t = f.layoutText(" 1;");
    ASSERT_EQ(t.strokes.size(), 1u);
    expectCell(t.strokes[0], W / 2 + W / 10, 0.1f * H, W / 2, 0.9f * H);
    EXPECT_FLOAT_EQ(t.width, W / 2 + W / 10 + W / 2);
}

TEST(FontLayout, ZeroWidthOrHeightMeansTheGrid) {
    TFont zero = markerFont(0, 0);
    TFont grid = markerFont(128, 128);
    TextLayout a = zero.layoutText("1\xB0\xA1;2");
    TextLayout b = grid.layoutText("1\xB0\xA1;2");
    EXPECT_EQ(a.strokes, b.strokes);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    expectCell(a.strokes[1], 12.8f + 64 + 12.8f, 0, 128, 128);
}

TEST(FontLayout, CodesWithoutGlyphs) {
    const float W = 200, H = 100;
    TFont f = markerFont(W, H);
    // A full-width symbol is skipped without moving the cursor.
    TextLayout t = f.layoutText("\xA1\xA1\xB0\xA1");
    ASSERT_EQ(t.strokes.size(), 1u);
    expectCell(t.strokes[0], W / 10, 0, W, H);

    // A trail byte outside A1–FE draws nothing (not the ASCII "@" the row formula lands on),
    // but the character still takes its cell.
    t = f.layoutText("\xB0" "a" "1");
    ASSERT_EQ(t.strokes.size(), 1u);
    expectCell(t.strokes[0], W / 10 + W + W / 10, 0.1f * H, W / 2, 0.9f * H);

    // A lead byte at the end does not read the byte behind the text.
    const char buffer[] = "1\xB0\xA1";
    t = f.layoutText(std::string_view(buffer, 2));
    EXPECT_EQ(t.strokes.size(), 1u);
    EXPECT_FLOAT_EQ(t.width, W / 10 + W / 2);
}

TEST(FontLayout, VerticalColumnsLineUp) {
    const float W = 200, H = 100;
    TFont f = markerFont(W, H);
    f.vertical = 1;
    TextLayout t = f.layoutText("\xB0\xA1" "1;\xB0\xA1");
    ASSERT_EQ(t.strokes.size(), 3u);
    // The cursor starts at (0, H); each glyph follows a gap of H/10 downwards.
    expectCell(t.strokes[0], 0, H - (H + H / 10) - H, W, H);
    expectCell(t.strokes[1], 0, H - (H + H / 10 + H + H / 10) - 0.9f * H, W / 2, 0.9f * H);
    // The next column is W + H/10 to the right and starts level with the first.
    expectCell(t.strokes[2], W + H / 10, t.strokes[0][1].y, W, H);
    EXPECT_FLOAT_EQ(t.width, W + H / 10 + W);
    EXPECT_FLOAT_EQ(t.height, H + 2 * (H / 10) + H + 0.9f * H);
    // "|" is an ordinary glyph in vertical columns.
    FontImage img;
    img.addCellMarker('|');
    f.setData(img.bytes);
    EXPECT_EQ(f.layoutText("|").strokes.size(), 1u);
}

TEST(FontLayout, DotAndHalfSign) {
    const float W = 200, H = 100;
    TFont f = markerFont(W, H);
    // "1.": the dot follows a gap of W/20 and stands on the line (not raised like ASCII).
    TextLayout t = f.layoutText("1.");
    ASSERT_EQ(t.strokes.size(), 2u);
    const float x = W / 10 + W / 2 + W / 20;
    const Polyline& dot = t.strokes[1];
    ASSERT_EQ(dot.size(), 4u);
    EXPECT_EQ(dot.front(), dot.back());
    EXPECT_NEAR(dot[0].x, x + 16 * (W / 2) / 128, 1e-3f);
    EXPECT_NEAR(dot[0].y, 10 * (0.9f * H) / 128, 1e-3f);
    EXPECT_FLOAT_EQ(t.width, x + W / 2);

    // "|": a "1" and a "2" of 0.3W × 0.54H around the slash; the offsets are not scaled.
    t = f.layoutText("|");
    ASSERT_EQ(t.strokes.size(), 3u);
    const float u = 0.3f * W, v = 0.54f * H;
    expectCell(t.strokes[0], u / 10 + 50, 150, u, v);
    EXPECT_NEAR(t.strokes[1][0].x, u / 10 + u, 1e-3f);
    EXPECT_NEAR(t.strokes[1][1].y, 120 * (0.9f * H) / 128, 1e-3f);
    expectCell(t.strokes[2], u / 10 + 2 * u + 20, 0, u, v);
    EXPECT_FLOAT_EQ(t.width, u / 10 + 3 * u);
}

TEST(FontSizeLabel, CellsDashAndHalf) {
    const float W = 200, H = 100, w = W / 2;
    TFont f = markerFont(W, H);
    TextLayout t = f.layoutSizeLabel("1-2");
    ASSERT_EQ(t.strokes.size(), 3u);
    expectCell(t.strokes[0], 10, 50, w, H);
    EXPECT_EQ(t.strokes[1], (Polyline{{10 + 1.1f * w + 20 * w / 128, 50 + 52 * H / 128},
                                      {10 + 1.1f * w + 64 * w / 128, 50 + 52 * H / 128}}));
    expectCell(t.strokes[2], 10 + 2.2f * w, 50, w, H);
    EXPECT_FLOAT_EQ(t.width, 10 + 3.3f * w);
    EXPECT_FLOAT_EQ(t.height, 50 + H);

    t = f.layoutSizeLabel("1|");
    ASSERT_EQ(t.strokes.size(), 4u);
    const float x = 10 + 1.1f * w, h = 0.8f * w, l = 0.8f * H;
    expectCell(t.strokes[1], x + 50, 170, h, l);
    EXPECT_NEAR(t.strokes[2][0].x, x + h, 1e-3f);
    EXPECT_NEAR(t.strokes[2][0].y, 50, 1e-3f);
    expectCell(t.strokes[3], x + h + w + 50, 0, h, l);
    EXPECT_NEAR(t.width, x + h + w + 1.1f * h, 1e-3f);

    // A byte above ASCII selects no glyph (it would index the Chinese table).
    TFont g = markerFont(W, H);
    EXPECT_TRUE(g.layoutSizeLabel("\x80").strokes.empty());
}

TEST(FontTransforms, LabelIsTurnedAboutTheOriginThenMoved) {
    TFont f = markerFont(200, 100);
    Shape plain = f.layoutSizeLabel("1").strokes;
    Shape placed = f.sizeLabel("1", std::numbers::pi_v<float> / 2, {1000, 2000});
    ASSERT_EQ(placed.size(), plain.size());
    for (std::size_t k = 0; k < plain[0].size(); ++k) {
        EXPECT_NEAR(placed[0][k].x, 1000 - plain[0][k].y, 1e-3f);
        EXPECT_NEAR(placed[0][k].y, 2000 + plain[0][k].x, 1e-3f);
    }
    Shape s{{{10, 0}, {20, 5}}};
    turnStrokes(s, {10, 0}, std::numbers::pi_v<float>);
    EXPECT_NEAR(s[0][1].x, 0, 1e-4f);
    EXPECT_NEAR(s[0][1].y, -5, 1e-4f);
    moveStrokes(s, 1, 2);
    EXPECT_NEAR(s[0][0].x, 11, 1e-4f);
    EXPECT_NEAR(s[0][0].y, 2, 1e-4f);
}

// ---- the generated font file

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GeneratedFont, EveryLevel1CharacterAndPrintableAsciiHasCleanStrokesOnTheGrid) {
    const std::string path = std::string(ROZEDOZ_BINARY_DIR) + "/brelan.fnt";
    TFont f;
    ASSERT_TRUE(f.load(path)) << path << " was not generated";
    const std::vector<uint8_t> raw = readAll(path);
    ASSERT_EQ(raw.size(), f.length());
    ASSERT_GT(raw.size(), std::size_t(TFont::kIndexBytes));

    int ascii = 0, level1 = 0, level2 = 0;
    std::size_t dataEnd = TFont::kIndexBytes;
    for (int e = 0; e < TFont::kIndexEntries; ++e) {
        const uint8_t* ix = &raw[std::size_t(e) * 4];
        const std::size_t off = ix[0] | ix[1] << 8 | ix[2] << 16;
        const int pairs = ix[3];
        if (pairs == 0) continue;
        ASSERT_LE(off + 2 * std::size_t(pairs), raw.size()) << "entry " << e;
        dataEnd = std::max(dataEnd, off + 2 * std::size_t(pairs));
        // In the file: no lift at either end, no two lifts in a row, no one-point stroke.
        int run = 0, strokes = 0;
        for (int k = 0; k <= pairs; ++k) {
            const bool lift = k == pairs || (raw[off + 2 * k] == 0 && raw[off + 2 * k + 1] == 0);
            if (!lift) {
                EXPECT_LE(raw[off + 2 * k], 127) << "entry " << e;
                EXPECT_LE(raw[off + 2 * k + 1], 127) << "entry " << e;
                ++run;
                continue;
            }
            ASSERT_GE(run, 2) << "entry " << e << " has an empty or one-point stroke";
            ++strokes;
            run = 0;
        }
        // Read back through the loader: the same strokes, each with two distinct points.
        Shape g = f.glyph(e);
        ASSERT_EQ(int(g.size()), strokes) << "entry " << e;
        for (const Polyline& s : g) {
            bool moves = false;
            for (const PointF& p : s) moves = moves || !(p == s[0]);
            EXPECT_TRUE(moves) << "entry " << e << " has a stroke of zero length";
        }
        if (e < 128) ++ascii;
        else if (e < 128 + 3755) ++level1;
        else ++level2;
    }
    EXPECT_EQ(dataEnd, raw.size()) << "the file has bytes no glyph uses";
    EXPECT_EQ(ascii, 94);  // "!" to "~"; the space is empty
    for (int c = 33; c < 127; ++c) EXPECT_GT(f.glyphPairs(c), 0) << "ASCII " << c;
    EXPECT_EQ(level1, 3755);
    EXPECT_GT(level2, 2900);  // level 2 holds 3008 characters; a few may lack stroke data
    // GB2312 leaves D7FA–D7FE unassigned.
    EXPECT_EQ(f.glyphPairs(TFont::chineseEntry(0xD7, 0xFA)), 0);

    // A character of a pattern caption lies in the Chinese cell, an ASCII digit in its own.
    f.charWidth = 500;
    f.charHeight = 500;
    TextLayout t = f.layoutText("\xD0\xAC" "7");  // 鞋7
    ASSERT_FALSE(t.strokes.empty());
    for (const Polyline& s : t.strokes)
        for (const PointF& p : s) {
            EXPECT_GE(p.x, 0);
            EXPECT_LE(p.x, t.width);
            EXPECT_GE(p.y, 0);
            EXPECT_LE(p.y, t.height);
        }
}

}  // namespace
}  // namespace rz
