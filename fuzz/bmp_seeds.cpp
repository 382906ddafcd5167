// Writes the seed corpus of fuzz_bmp: small scans made by the program's own BMP writer, in
// both row orders and both palette orders, with pieces, holes, specks and strokes.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "devices/bmp.h"

namespace {

void Disc(rz::ScanImage& img, double cx, double cy, double rad, bool paper) {
    for (int r = 0; r < img.height; ++r)
        for (int c = 0; c < img.width; ++c)
            if (std::hypot(c - cx, r - cy) <= rad) img.set(c, r, paper);
}

void Write(const std::string& dir, const std::string& name, const std::vector<uint8_t>& b) {
    std::ofstream(dir + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), long(b.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bmp_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    int n = 0;
    for (int shape = 0; shape < 4; ++shape) {
        rz::ScanImage img;
        img.allocate(37 + 11 * shape, 29 + 7 * shape);
        for (int r = 3; r < img.height - 3; ++r)
            for (int c = 4; c < img.width - 4; ++c) img.set(c, r, true);
        if (shape >= 1) Disc(img, img.width / 2.0, img.height / 2.0, 3 + shape, false);
        if (shape >= 2) img.set(1, 1, true);  // a speck
        if (shape == 3)
            for (int c = 0; c < img.width; ++c) img.set(c, img.height / 3, false);  // a cut right across
        for (int variant = 0; variant < 4; ++variant)
            Write(dir, "seed" + std::to_string(n++) + ".bmp",
                  rz::WriteBmp(img, variant & 1, (variant & 2) != 0, variant == 3 ? 0 : 7874));
    }
    return 0;
}
