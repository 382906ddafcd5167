#include "devices/bmp.h"

#include <array>
#include <cstring>
#include <fstream>
#include <new>


namespace rz {

namespace {

constexpr uint64_t kMaxPixels = uint64_t(1) << 30;

uint32_t U32(std::span<const uint8_t> b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t U16(std::span<const uint8_t> b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

// Brightness of a palette entry (blue, green, red, reserved).
int Luma(std::span<const uint8_t> b, size_t at) { return 114 * b[at] + 587 * b[at + 1] + 299 * b[at + 2]; }

// Eight output bytes of one input byte, most significant bit first.
const std::array<uint64_t, 256>& ExpandTable() {
    static const std::array<uint64_t, 256> t = [] {
        std::array<uint64_t, 256> a{};
        for (int v = 0; v < 256; ++v) {
            uint8_t bytes[8];
            for (int k = 0; k < 8; ++k) bytes[k] = (v >> (7 - k)) & 1 ? ScanImage::kFg : 0;
            std::memcpy(&a[size_t(v)], bytes, 8);
        }
        return a;
    }();
    return t;
}

void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int k = 0; k < 4; ++k) b.push_back(uint8_t(v >> (8 * k)));
}

}  // namespace

bool ScanImage::allocate(int w, int h) {
    width = w;
    height = h;
    px.clear();
    if (w <= 0 || h <= 0) return false;
    try {
        px.assign((size_t(w) + 2) * (size_t(h) + 2), 0);
    } catch (const std::bad_alloc&) {
        px = {};
        return false;
    }
    return true;
}

const char* ImageErrorText(ImageError e) {
    switch (e) {
    case ImageError::None: return "";
    case ImageError::CannotOpen: return "不能打开图象文件";
    case ImageError::NotBmp: return "不是BMP图象文件";
    case ImageError::NotOneBit: return "不是二值图象";
    case ImageError::Compressed: return "不能读压缩的BMP图象";
    case ImageError::BadHeader: return "图象文件头有错";
    case ImageError::TooLarge: return "图象太大";
    case ImageError::Truncated: return "图象文件不完整";
    }
    return "";
}

ImageError ReadBmp(std::span<const uint8_t> b, ScanImage& out) {
    out = ScanImage{};
    if (b.size() < 2 || b[0] != 'B' || b[1] != 'M') return ImageError::NotBmp;
    if (b.size() < 14 + 4) return ImageError::Truncated;
    const uint32_t offBits = U32(b, 10);
    const uint32_t hs = U32(b, 14);
    if (hs < 40) return ImageError::BadHeader;
    if (uint64_t(14) + hs > b.size()) return ImageError::Truncated;
    const int32_t width = int32_t(U32(b, 18));
    const int32_t height = int32_t(U32(b, 22));
    const uint16_t bits = U16(b, 28);
    const uint32_t compression = U32(b, 30);
    const int32_t ppmX = int32_t(U32(b, 38)), ppmY = int32_t(U32(b, 42));
    if (bits != 1) return ImageError::NotOneBit;
    if (compression != 0) return ImageError::Compressed;
    if (width <= 0 || height == 0 || height == INT32_MIN) return ImageError::BadHeader;
    const bool topDown = height < 0;
    const uint64_t h = uint64_t(topDown ? -int64_t(height) : int64_t(height));
    const uint64_t w = uint64_t(width);
    if (w * h > kMaxPixels) return ImageError::TooLarge;
    const uint64_t rowBytes = (w + 31) / 32 * 4;
    if (offBits < 14 + uint64_t(hs)) return ImageError::BadHeader;
    // A scan cut short would give a false edge where its rows stop: refused whole.
    if (uint64_t(offBits) + rowBytes * h > b.size()) return ImageError::Truncated;

    // The palette follows the information header. The paper is the lighter colour; without
    // a palette the usual order (0 black, 1 white) holds.
    int paperBit = 1;
    const size_t pal = 14 + size_t(hs);
    if (pal + 8 <= offBits) paperBit = Luma(b, pal + 4) >= Luma(b, pal) ? 1 : 0;

    if (!out.allocate(int(w), int(h))) {
        out = ScanImage{};
        return ImageError::TooLarge;
    }
    out.ppmX = ppmX > 0 ? ppmX : 0.0;
    out.ppmY = ppmY > 0 ? ppmY : 0.0;
    const auto& table = ExpandTable();
    const uint8_t flip = paperBit ? 0x00 : 0xFF;
    const size_t fullBytes = size_t(w / 8), rest = size_t(w % 8);
    for (uint64_t i = 0; i < h; ++i) {
        const uint8_t* src = b.data() + offBits + i * rowBytes;
        int r = int(topDown ? h - 1 - i : i);
        uint8_t* dst = out.px.data() + out.index(0, r);
        for (size_t k = 0; k < fullBytes; ++k) std::memcpy(dst + 8 * k, &table[uint8_t(src[k] ^ flip)], 8);
        if (rest) {
            uint8_t last[8];
            std::memcpy(last, &table[uint8_t(src[fullBytes] ^ flip)], 8);
            std::memcpy(dst + 8 * fullBytes, last, rest);
        }
    }
    return ImageError::None;
}

ImageError ReadBmpFile(const std::string& path, ScanImage& out) {
    out = ScanImage{};
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return ImageError::CannotOpen;
    std::streamoff size = in.tellg();
    if (size < 0) return ImageError::CannotOpen;
    // No scan the reader takes needs more: 2^30 pixels of one bit and their row padding.
    if (size > (std::streamoff(1) << 29)) return ImageError::TooLarge;
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return ImageError::TooLarge;
    }
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return ImageError::CannotOpen;
    return ReadBmp(bytes, out);
}

std::vector<uint8_t> WriteBmp(const ScanImage& img, bool topDown, bool whiteFirst, int ppm) {
    const int w = img.width, h = img.height;
    const uint32_t rowBytes = uint32_t((w + 31) / 32 * 4);
    const uint32_t off = 14 + 40 + 8;
    std::vector<uint8_t> b;
    b.reserve(off + size_t(rowBytes) * size_t(h));
    b.push_back('B'), b.push_back('M');
    Put32(b, off + rowBytes * uint32_t(h));
    Put32(b, 0);
    Put32(b, off);
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(topDown ? -h : h));
    Put16(b, 1);
    Put16(b, 1);
    Put32(b, 0);
    Put32(b, rowBytes * uint32_t(h));
    Put32(b, uint32_t(ppm));
    Put32(b, uint32_t(ppm));
    Put32(b, 2);
    Put32(b, 0);
    // Palette: black and white in the order asked for.
    for (int e = 0; e < 2; ++e) {
        uint8_t v = ((e == 1) != whiteFirst) ? 0xFF : 0x00;
        b.push_back(v), b.push_back(v), b.push_back(v), b.push_back(0);
    }
    const int paperBit = whiteFirst ? 0 : 1;
    for (int i = 0; i < h; ++i) {
        int r = topDown ? h - 1 - i : i;
        std::vector<uint8_t> row(rowBytes, 0);
        for (int c = 0; c < w; ++c) {
            int bit = img.fg(c, r) ? paperBit : 1 - paperBit;
            if (bit) row[size_t(c / 8)] |= uint8_t(0x80 >> (c % 8));
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

}  // namespace rz
