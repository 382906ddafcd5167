// Two-colour scans as the vectoriser takes them, and the reader of one-bit BMP files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace rz {

// One byte per pixel with a one-pixel background border all round; row 0 is the bottom row
// of the picture whatever the file's row order. Bit 7 marks the foreground: the paper, the
// lighter of the two colours. The lower bits are work space of the vectoriser.
struct ScanImage {
    static constexpr uint8_t kFg = 0x80;
    int width = 0, height = 0;
    double ppmX = 0.0, ppmY = 0.0;  // pixels per metre from the file; 0 when it gives none
    std::vector<uint8_t> px;

    size_t stride() const { return size_t(width) + 2; }
    // Index of picture pixel (c, r); c and r may be -1 or width / height (the border).
    size_t index(int c, int r) const { return (size_t(r) + 1) * stride() + size_t(c) + 1; }
    bool fg(int c, int r) const { return (px[index(c, r)] & kFg) != 0; }
    void set(int c, int r, bool on) {
        uint8_t& b = px[index(c, r)];
        b = on ? uint8_t(b | kFg) : uint8_t(b & ~kFg);
    }
    // A blank (all background) image; false when the memory is not there.
    bool allocate(int w, int h);
};

enum class ImageError {
    None,
    CannotOpen,  // the file could not be read
    NotBmp,      // no BMP header
    NotOneBit,   // not one bit per pixel
    Compressed,
    BadHeader,   // sizes or offsets that cannot be
    TooLarge,    // more than 2^30 pixels, or no memory for them
    Truncated,   // the pixel rows run past the end of the file
};
// What the window says about a refused file ("" for None).
const char* ImageErrorText(ImageError e);

// Reads a one-bit BMP. Nothing is allocated before every header field has been checked
// against the bytes that are there.
ImageError ReadBmp(std::span<const uint8_t> bytes, ScanImage& out);
ImageError ReadBmpFile(const std::string& path, ScanImage& out);

// A one-bit BMP of an image: bottom-up or top-down rows, the usual palette (0 black, 1 white,
// the paper on bit 1) or the swapped one, with the given pixels per metre.
std::vector<uint8_t> WriteBmp(const ScanImage& img, bool topDown = false, bool whiteFirst = false,
                              int pixelsPerMetre = 0);

// An image from the 8-bit grey levels of another picture format: the lighter half is the
// paper. `grey(x, yFromTop)` gives the level of a pixel.
template <class Grey>
bool ScanImageFromGrey(int w, int h, Grey&& grey, ScanImage& out) {
    if (!out.allocate(w, h)) return false;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = out.px.data() + out.index(0, h - 1 - y);
        for (int x = 0; x < w; ++x) row[x] = grey(x, y) >= 128 ? ScanImage::kFg : 0;
    }
    return true;
}

}  // namespace rz
