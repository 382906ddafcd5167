// The single-line stroke font: every text drawn into a pattern (strings, size labels, piece
// numbers) becomes straight strokes that a screen, a pen plotter and a cutter can all follow.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geom/types.h"

namespace rz {

// Strokes of a laid-out text in the caller's units, and the size of the block they fill.
struct TextLayout {
    Shape strokes;
    float width = 0.0f;
    float height = 0.0f;
};

class TFont {
public:
    static constexpr int kIndexEntries = 6896;       // 128 ASCII codes + 88 rows of 94 characters
    static constexpr int kIndexBytes = kIndexEntries * 4;
    static constexpr float kGrid = 128.0f;           // glyphs are drawn on a 128 × 128 grid, y up
    static constexpr std::size_t kSettingsBytes = 20;
    static constexpr const char* kFileName = "brelan.fnt";

    // The five settings, kept in the settings file. A width or height of 0 means 128.
    float charWidth = 500.0f;   // full (Chinese) cell width
    float charHeight = 500.0f;  // cell height
    float spare1 = 0.0f;        // kept with the settings; layout does not use them
    float spare2 = 0.0f;
    int32_t vertical = 0;       // 1 = vertical columns, 0 = horizontal lines

    TFont() = default;
    ~TFont() = default;

    // Reads the whole font file. When it cannot be read the font has no data and every
    // layout gives no strokes; returns whether data was read.
    bool load(const std::string& path);
    // Takes a font image from memory (the file's bytes); an empty vector means no font.
    void setData(std::vector<uint8_t> bytes);
    bool hasData() const { return !data_.empty(); }
    std::size_t length() const { return data_.size(); }

    // Settings-file block: width, height, the two spare floats, vertical; little-endian.
    std::array<uint8_t, kSettingsBytes> settingsBytes() const;
    void setSettingsBytes(std::span<const uint8_t, kSettingsBytes> bytes);

    // Index entry of a two-byte GB2312 character, or -1 when the code has no entry in the
    // font: lead 0xB0–0xF7 and trail 0xA1–0xFE only.
    static int chineseEntry(uint8_t lead, uint8_t trail);

    // Strokes of one index entry in grid units (no strokes for a missing or damaged glyph).
    Shape glyph(int entry) const;
    // Number of coordinate pairs the index gives for an entry (0 when outside the file).
    int glyphPairs(int entry) const;

    // General layout of GBK text with the current width, height and vertical setting; the
    // origin of the text is (0, 0). The caller moves and turns the result into place.
    TextLayout layoutText(std::string_view gbk) const;
    // Layout of a size text (digits, "-", ".", "|" for a half size) with the current width
    // and height.
    TextLayout layoutSizeLabel(std::string_view text) const;
    // Size label turned by angle (radians) about (0, 0), then moved by offset.
    Shape sizeLabel(std::string_view text, float angle, PointF offset) const;

private:
    float cellW() const { return charWidth == 0.0f ? kGrid : charWidth; }
    float cellH() const { return charHeight == 0.0f ? kGrid : charHeight; }
    // Appends the strokes of an entry scaled to a w × h cell at (x0, y0); false when none.
    bool placeGlyph(Shape& out, int entry, float x0, float y0, float w, float h) const;

    std::vector<uint8_t> data_;
};

// Sets the font's character cell for the life of the guard (a side of 0 or less is left as it
// is): texts and size labels that carry their own size are laid out at it.
class FontCell {
public:
    FontCell(TFont& font, float w, float h) : f_(font), w_(font.charWidth), h_(font.charHeight) {
        if (w > 0.0f) f_.charWidth = w;
        if (h > 0.0f) f_.charHeight = h;
    }
    ~FontCell() {
        f_.charWidth = w_;
        f_.charHeight = h_;
    }
    FontCell(const FontCell&) = delete;
    FontCell& operator=(const FontCell&) = delete;

private:
    TFont& f_;
    float w_, h_;
};

// Transforms callers apply to laid-out strokes.
void moveStrokes(Shape& strokes, float dx, float dy);
// Turns counter-clockwise by angle (radians) about centre; an angle of exactly 0 does nothing.
void turnStrokes(Shape& strokes, PointF centre, float angle);

}  // namespace rz
