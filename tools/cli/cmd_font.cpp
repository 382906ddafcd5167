// rozedoz-cli font: lay out a text with the stroke font and write its strokes as SVG or PNG,
// so that glyphs and layouts can be looked at without the window.
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/font.h"
#include "verbs.h"

namespace {

namespace fs = std::filesystem;

bool utf8ToGbk(const std::string& in, std::string& out) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == iconv_t(-1)) return false;
    std::string src = in;
    out.assign(src.size() * 2 + 4, '\0');
    char* ip = src.data();
    char* op = out.data();
    std::size_t il = src.size(), ol = out.size();
    std::size_t rc = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (rc == std::size_t(-1)) return false;
    out.resize(out.size() - ol);
    return true;
}

// The font lives beside the program; from a build folder it is found a few levels up.
std::string findFont() {
    std::error_code ec;
    fs::path dir = fs::read_symlink("/proc/self/exe", ec).parent_path();
    for (int up = 0; up < 4 && !dir.empty(); ++up, dir = dir.parent_path()) {
        fs::path f = dir / rz::TFont::kFileName;
        if (fs::exists(f, ec)) return f.string();
    }
    return rz::TFont::kFileName;
}

struct Box {
    float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
    void add(rz::PointF p) {
        minX = std::min(minX, p.x), minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x), maxY = std::max(maxY, p.y);
    }
};

bool writeSvg(const std::string& path, const rz::Shape& strokes, const Box& b, float scale, int margin) {
    std::ofstream out(path);
    if (!out) return false;
    int w = int(std::ceil((b.maxX - b.minX) * scale)) + 2 * margin;
    int h = int(std::ceil((b.maxY - b.minY) * scale)) + 2 * margin;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << w << "\" height=\"" << h << "\" viewBox=\"0 0 "
        << w << ' ' << h << "\">\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<g fill=\"none\" stroke=\"black\" stroke-width=\"2\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
    for (const auto& line : strokes) {
        out << "<polyline points=\"";
        for (const auto& p : line)
            out << (p.x - b.minX) * scale + margin << ',' << (b.maxY - p.y) * scale + margin << ' ';
        out << "\"/>\n";
    }
    out << "</g>\n</svg>\n";
    return bool(out);
}

// ---- PNG: 8-bit grey, stored (uncompressed) deflate blocks; enough for pictures to look at.
uint32_t crc32(const uint8_t* p, std::size_t n, uint32_t c = 0xFFFFFFFFu) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t v = i;
            for (int k = 0; k < 8; ++k) v = (v & 1) ? 0xEDB88320u ^ (v >> 1) : v >> 1;
            t[i] = v;
        }
        return t;
    }();
    for (std::size_t i = 0; i < n; ++i) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return c;
}

void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(x >> s));
}

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    put32(png, uint32_t(data.size()));
    std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(png, crc32(&png[start], png.size() - start) ^ 0xFFFFFFFFu);
}

bool writePng(const std::string& path, const std::vector<uint8_t>& grey, int w, int h) {
    std::vector<uint8_t> raw;
    raw.reserve(std::size_t(h) * (w + 1));
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), grey.begin() + std::ptrdiff_t(y) * w, grey.begin() + std::ptrdiff_t(y + 1) * w);
    }
    std::vector<uint8_t> z{0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
    for (std::size_t at = 0; at < raw.size() || at == 0;) {
        std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(uint8_t(n)), z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n)), z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + std::ptrdiff_t(at), raw.begin() + std::ptrdiff_t(at + n));
        at += n;
        if (n == 0) break;
    }
    put32(z, (b << 16) | a);
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    put32(ihdr, uint32_t(w)), put32(ihdr, uint32_t(h));
    ihdr.insert(ihdr.end(), {8, 0, 0, 0, 0});  // 8-bit grey
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", {});
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return bool(out);
}

// Strokes drawn as round-ended lines of the given pen radius, with soft edges.
void drawSegment(std::vector<uint8_t>& img, int w, int h, float x0, float y0, float x1, float y1, float r) {
    int ax = std::max(0, int(std::floor(std::min(x0, x1) - r - 1)));
    int bx = std::min(w - 1, int(std::ceil(std::max(x0, x1) + r + 1)));
    int ay = std::max(0, int(std::floor(std::min(y0, y1) - r - 1)));
    int by = std::min(h - 1, int(std::ceil(std::max(y0, y1) + r + 1)));
    float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    for (int y = ay; y <= by; ++y)
        for (int x = ax; x <= bx; ++x) {
            float px = x + 0.5f - x0, py = y + 0.5f - y0;
            float t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f) : 0.0f;
            float ex = px - t * dx, ey = py - t * dy;
            float cover = std::clamp(r + 0.5f - std::sqrt(ex * ex + ey * ey), 0.0f, 1.0f);
            uint8_t v = uint8_t(255 - 255 * cover);
            uint8_t& dst = img[std::size_t(y) * w + x];
            dst = std::min(dst, v);
        }
}

int usage() {
    std::fprintf(stderr, "usage: rozedoz-cli font [--font FILE] [--vertical] [--label] [--width W] "
                         "[--height H] [--angle DEG] [--scale PX] -o OUT.svg|OUT.png TEXT\n");
    return 2;
}

bool number(const std::string& s, float& out) {
    char* end = nullptr;
    out = std::strtof(s.c_str(), &end);
    return !s.empty() && end == s.c_str() + s.size() && std::isfinite(out);
}

int run(const std::vector<std::string>& args) {
    std::string fontPath, outPath, text;
    bool vertical = false, label = false;
    float width = 500, height = 500, angle = 0, scale = 0.25f;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string { return i + 1 < args.size() ? args[++i] : std::string(); };
        if (a == "--font") fontPath = value();
        else if (a == "-o" || a == "--out") outPath = value();
        else if (a == "--vertical") vertical = true;
        else if (a == "--label") label = true;
        else if (a == "--width") {
            if (!number(value(), width)) return usage();
        } else if (a == "--height") {
            if (!number(value(), height)) return usage();
        } else if (a == "--angle") {
            if (!number(value(), angle)) return usage();
        } else if (a == "--scale") {
            if (!number(value(), scale)) return usage();
        } else if (text.empty()) text = a;
        else {
            std::fprintf(stderr, "font: unexpected argument '%s'\n", a.c_str());
            return 2;
        }
    }
    if (outPath.empty() || text.empty() || scale <= 0) return usage();
    if (fontPath.empty()) fontPath = findFont();
    rz::TFont font;
    if (!font.load(fontPath)) {
        std::fprintf(stderr, "font: 不能打开 %s\n", fontPath.c_str());
        return 1;
    }
    std::string gbk;
    if (!utf8ToGbk(text, gbk)) {
        std::fprintf(stderr, "font: the text cannot be written in GBK\n");
        return 1;
    }
    font.charWidth = width;
    font.charHeight = height;
    font.vertical = vertical ? 1 : 0;
    rz::TextLayout lay = label ? font.layoutSizeLabel(gbk) : font.layoutText(gbk);
    float radians = angle * float(M_PI) / 180.0f;
    rz::turnStrokes(lay.strokes, {0, 0}, radians);

    std::size_t points = 0;
    Box box;
    for (const auto& line : lay.strokes) {
        points += line.size();
        for (const auto& p : line) box.add(p);
    }
    std::printf("%zu strokes, %zu points, extent %.2f x %.2f\n", lay.strokes.size(), points, lay.width, lay.height);
    if (lay.strokes.empty()) box = Box{0, 0, 1, 1};

    const int margin = 10;
    bool ok;
    if (outPath.size() > 4 && outPath.substr(outPath.size() - 4) == ".svg") {
        ok = writeSvg(outPath, lay.strokes, box, scale, margin);
    } else {
        int w = int(std::ceil((box.maxX - box.minX) * scale)) + 2 * margin;
        int h = int(std::ceil((box.maxY - box.minY) * scale)) + 2 * margin;
        if (w > 8000 || h > 8000) {
            std::fprintf(stderr, "font: picture of %d x %d pixels is too large; lower --scale\n", w, h);
            return 1;
        }
        std::vector<uint8_t> img(std::size_t(w) * h, 255);
        float pen = std::max(0.8f, 0.006f * std::min(width, height) * scale);
        for (const auto& line : lay.strokes)
            for (std::size_t k = 1; k < line.size(); ++k)
                drawSegment(img, w, h, (line[k - 1].x - box.minX) * scale + margin,
                            (box.maxY - line[k - 1].y) * scale + margin, (line[k].x - box.minX) * scale + margin,
                            (box.maxY - line[k].y) * scale + margin, pen);
        ok = writePng(outPath, img, w, h);
    }
    if (!ok) {
        std::fprintf(stderr, "font: 不能打开 %s\n", outPath.c_str());
        return 1;
    }
    return 0;
}

const rz::cli::RegisterVerb reg(
    "font",
    "font [--font FILE] [--vertical] [--label] [--width W] [--height H] [--angle DEG] [--scale PX] "
    "-o OUT.svg|OUT.png TEXT   lay out a UTF-8 text with the stroke font",
    run);

}  // namespace
