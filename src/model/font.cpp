#include "model/font.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace rz {

namespace {

// Built-in shapes on the 128 grid, not read from the file.
constexpr PointF kDot[] = {{16, 10}, {12, 30}, {20, 30}, {16, 10}};
constexpr PointF kDash[] = {{20, 52}, {64, 52}};
constexpr PointF kSlash[] = {{0, 0}, {110, 120}};

template <std::size_t N>
void placeBuiltIn(Shape& out, const PointF (&pts)[N], float x0, float y0, float w, float h) {
    Polyline line;
    line.reserve(N);
    for (const PointF& p : pts) line.push_back({x0 + p.x * w / TFont::kGrid, y0 + p.y * h / TFont::kGrid});
    out.push_back(std::move(line));
}

void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t getU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void putF32(uint8_t* p, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    putU32(p, v);
}
float getF32(const uint8_t* p) {
    uint32_t v = getU32(p);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

}  // namespace

bool TFont::load(const std::string& path) {
    data_.clear();
    // Glyph offsets are 24-bit with at most 255 pairs behind them; anything much larger is
    // not a font, and a directory or device would report no sensible size at all.
    constexpr std::uintmax_t kLargest = (1u << 24) + 1024;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size == 0 || size > kLargest) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    data_ = std::move(bytes);
    return !data_.empty();
}

void TFont::setData(std::vector<uint8_t> bytes) { data_ = std::move(bytes); }

std::array<uint8_t, TFont::kSettingsBytes> TFont::settingsBytes() const {
    std::array<uint8_t, kSettingsBytes> b{};
    putF32(&b[0], charWidth);
    putF32(&b[4], charHeight);
    putF32(&b[8], spare1);
    putF32(&b[12], spare2);
    putU32(&b[16], static_cast<uint32_t>(vertical));
    return b;
}

void TFont::setSettingsBytes(std::span<const uint8_t, kSettingsBytes> b) {
    charWidth = getF32(&b[0]);
    charHeight = getF32(&b[4]);
    spare1 = getF32(&b[8]);
    spare2 = getF32(&b[12]);
    vertical = static_cast<int32_t>(getU32(&b[16]));
}

int TFont::chineseEntry(uint8_t lead, uint8_t trail) {
    // A trail byte outside the row would land on another row or on an ASCII glyph.
    if (lead < 0xB0 || lead > 0xF7 || trail < 0xA1 || trail > 0xFE) return -1;
    return (lead - 0xA0) * 94 + (trail - 0xA0) - 1377;
}

int TFont::glyphPairs(int entry) const {
    if (entry < 0 || entry >= kIndexEntries) return 0;
    std::size_t at = std::size_t(entry) * 4;
    if (at + 4 > data_.size()) return 0;  // a file shorter than its index
    return data_[at + 3];
}

bool TFont::placeGlyph(Shape& out, int entry, float x0, float y0, float w, float h) const {
    int count = glyphPairs(entry);
    if (count == 0) return false;
    const uint8_t* e = &data_[std::size_t(entry) * 4];
    std::size_t offset = std::size_t(e[0]) | std::size_t(e[1]) << 8 | std::size_t(e[2]) << 16;
    // The glyph's data must lie wholly inside the file.
    if (offset >= data_.size() || data_.size() - offset < std::size_t(count) * 2) return false;
    const uint8_t* p = &data_[offset];
    const float sx = w / kGrid, sy = h / kGrid;
    bool made = false;
    Polyline line;
    auto flush = [&] {
        if (line.size() >= 2) {
            out.push_back(std::move(line));
            made = true;
        }
        line = Polyline{};
    };
    for (int i = 0; i < count; ++i, p += 2) {
        if (p[0] == 0 && p[1] == 0) {  // pen lift
            flush();
            continue;
        }
        line.push_back({x0 + p[0] * sx, y0 + p[1] * sy});
    }
    flush();
    return made;
}

Shape TFont::glyph(int entry) const {
    Shape s;
    placeGlyph(s, entry, 0.0f, 0.0f, kGrid, kGrid);
    return s;
}

TextLayout TFont::layoutText(std::string_view text) const {
    TextLayout out;
    if (text.empty() || !hasData()) return out;
    const float W = cellW(), H = cellH();
    const bool vert = vertical != 0;
    const float asciiW = W / 2, asciiH = 0.9f * H;
    float x = 0.0f, y = vert ? H : 0.0f;
    float widest = 0.0f, tallest = 0.0f;  // widths of finished lines, heights of finished columns

    auto place = [&](int entry, float cw, float ch) {
        if (vert)
            y += H / 10;
        else
            x += W / 10;
        placeGlyph(out.strokes, entry, x, H - y - ch, cw, ch);
        if (vert)
            y += ch;
        else
            x += cw;
    };

    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const uint8_t c = s[i];
        if (c >= 0x80) {
            if (i + 1 >= n) break;  // a lead byte without its trail byte
            const uint8_t t = s[++i];
            // Full-width symbols and codes outside GB2312 have no glyph and take no room.
            if (c < 0xB0) continue;
            place(chineseEntry(c, t), W, H);
        } else if (c == ';') {
            if (vert) {
                tallest = std::max(tallest, y);
                // Every column starts where the first did, so that columns line up.
                y = H;
                x += W + H / 10;
            } else {
                widest = std::max(widest, x);
                x = 0.0f;
                y += H + H / 10;
            }
        } else if (c == ' ') {
            if (vert)
                y += asciiH;
            else
                x += asciiW;
        } else if (c == '.') {
            if (vert)
                y += 0.09f * H;
            else
                x += W / 20;
            placeBuiltIn(out.strokes, kDot, x, -y, asciiW, asciiH);
            if (vert)
                y += asciiH;
            else
                x += asciiW;
        } else if (c == '|' && !vert) {
            // Half sign: a small "1", the slash and a small "2".
            const float u = 0.3f * W, v = 0.54f * H;
            x += u / 10;
            placeGlyph(out.strokes, '1', x + 50, 150 - y, u, v);
            x += u;
            placeBuiltIn(out.strokes, kSlash, x, -y, asciiW, asciiH);
            x += u;
            placeGlyph(out.strokes, '2', x + 20, -y, u, v);
            x += u;
        } else {
            place(c, asciiW, asciiH);
        }
    }
    if (out.strokes.empty()) return out;
    // The block covers every line (column) from the first to the cursor's, each a full cell.
    if (vert) {
        if (y == 0.0f) y = H;
        out.width = x + W;
        out.height = std::max(tallest, y);
    } else {
        if (x == 0.0f) x = W;
        out.width = std::max(widest, x);
        out.height = y + H;
    }
    return out;
}

TextLayout TFont::layoutSizeLabel(std::string_view text) const {
    TextLayout out;
    if (text.empty() || !hasData()) return out;
    const float W = cellW(), H = cellH();
    const float w = W / 2;
    float x = 10.0f;
    for (char ch : text) {
        const auto c = static_cast<uint8_t>(ch);
        if (c == '-') {
            placeBuiltIn(out.strokes, kDash, x, 50, w, H);
        } else if (c == '.') {
            placeBuiltIn(out.strokes, kDot, x, 50, w, H);
        } else if (c == '|') {
            const float h = 0.8f * w, l = 0.8f * H;
            placeGlyph(out.strokes, '1', x + 50, 170, h, l);
            placeBuiltIn(out.strokes, kSlash, x + h, 50, w, H);
            placeGlyph(out.strokes, '2', x + h + w + 50, 0, h, l);
            x = x + h + w + 1.1f * h;
            continue;
        } else if (c < 0x80) {
            // Bytes above ASCII would index the Chinese glyphs; a size text has none.
            placeGlyph(out.strokes, c, x, 50, w, H);
        }
        x += 1.1f * w;
    }
    if (out.strokes.empty()) return out;
    out.width = x;
    out.height = 50 + H;
    return out;
}

Shape TFont::sizeLabel(std::string_view text, float angle, PointF offset) const {
    Shape s = layoutSizeLabel(text).strokes;
    turnStrokes(s, {0.0f, 0.0f}, angle);
    moveStrokes(s, offset.x, offset.y);
    return s;
}

void moveStrokes(Shape& strokes, float dx, float dy) {
    for (Polyline& line : strokes)
        for (PointF& p : line) {
            p.x += dx;
            p.y += dy;
        }
}

void turnStrokes(Shape& strokes, PointF centre, float angle) {
    if (angle == 0.0f) return;
    const double c = std::cos(double(angle)), s = std::sin(double(angle));
    for (Polyline& line : strokes)
        for (PointF& p : line) {
            const double dx = p.x - centre.x, dy = p.y - centre.y;
            p.x = static_cast<float>(centre.x + dx * c - dy * s);
            p.y = static_cast<float>(centre.y + dx * s + dy * c);
        }
}

}  // namespace rz
