// The one-bit BMP reader: hostile header fields, truncation at every byte, the palette and row
// order variants that must read the same, and ImageMagick's files as an independent writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "devices/bmp.h"
#include "model/xie.h"
#include "raster.h"

namespace rz {
namespace {

test::Raster Sample() {
    test::Raster r(37, 23);  // odd sizes: rows padded, a partly used last byte
    r.rect(3, 2, 30, 19, true);
    r.disc(15, 10, 4, false);
    r.put(36, 22, true);
    return r;
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + size_t(k)] = uint8_t(v >> (8 * k));
}

TEST(BmpReader, PaletteOrderAndRowOrderDoNotChangeThePicture) {
    test::Raster s = Sample();
    for (bool topDown : {false, true})
        for (bool whiteFirst : {false, true}) {
            ScanImage back;
            ASSERT_EQ(ReadBmp(WriteBmp(s.img, topDown, whiteFirst, 7874), back), ImageError::None);
            EXPECT_EQ(back.width, 37);
            EXPECT_EQ(back.height, 23);
            EXPECT_EQ(back.px, s.img.px) << topDown << whiteFirst;  // the border included
            EXPECT_EQ(back.ppmX, 7874.0);
        }
}

TEST(BmpReader, HostileHeadersAreRefusedBeforeAnythingIsAllocated) {
    const auto good = WriteBmp(Sample().img);
    ScanImage img;
    auto with = [&](size_t at, uint32_t v) {
        auto b = good;
        Put32(b, at, v);
        return ReadBmp(b, img);
    };
    EXPECT_EQ(with(30, 1), ImageError::Compressed);          // RLE
    EXPECT_EQ(with(14, 12), ImageError::BadHeader);          // an old core header
    EXPECT_EQ(with(18, 0), ImageError::BadHeader);           // no width
    EXPECT_EQ(with(22, 0), ImageError::BadHeader);           // no height
    EXPECT_EQ(with(18, 0x80000000u), ImageError::BadHeader);  // negative width
    EXPECT_EQ(with(22, 0x80000000u), ImageError::BadHeader);
    EXPECT_EQ(with(18, 1u << 26), ImageError::TooLarge);       // 2^26 × 23 pixels
    EXPECT_EQ(with(22, 1u << 16), ImageError::Truncated);       // rows the file does not have
    EXPECT_EQ(with(10, 0xFFFFFFF0u), ImageError::Truncated);    // pixel data past the end
    EXPECT_EQ(with(10, 20), ImageError::BadHeader);             // pixel data inside the header
    {
        auto b = good;
        Put32(b, 18, 1u << 16), Put32(b, 22, 1u << 16);  // 2^32 pixels
        EXPECT_EQ(ReadBmp(b, img), ImageError::TooLarge);
        EXPECT_TRUE(img.px.empty());
    }
    {
        auto b = good;
        b[28] = 24;  // a colour bitmap
        EXPECT_EQ(ReadBmp(b, img), ImageError::NotOneBit);
    }
    {
        auto b = good;
        b[0] = 'P';
        EXPECT_EQ(ReadBmp(b, img), ImageError::NotBmp);
    }
    // Pixels per metre of zero or below mean none given (the 分辨率 setting then holds).
    EXPECT_EQ(with(38, 0xFFFFFFFFu), ImageError::None);
    EXPECT_EQ(img.ppmX, 0.0);
    // Truncated at every byte: refused or read whole, never a part of a scan.
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        EXPECT_NE(ReadBmp(cut, img), ImageError::None) << n;
        EXPECT_TRUE(img.px.empty()) << n;
    }
    EXPECT_EQ(ReadBmp(good, img), ImageError::None);
    EXPECT_EQ(ReadBmpFile("/nonexistent/rozedoz.bmp", img), ImageError::CannotOpen);
}

// ImageMagick writes the scan; its own count of paper pixels is the oracle.
TEST(BmpReader, ReadsWhatImageMagickWrites) {
    if (std::system("convert -version > /dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
    auto dir = std::filesystem::temp_directory_path() / ("rozedoz-bmp-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string bmp = (dir / "scan.bmp").string(), neg = (dir / "neg.bmp").string();
    std::string cmd = "convert -size 123x77 xc:black -fill white -draw 'rectangle 10,5 100,60' -fill black "
                      "-draw 'circle 50,30 50,40' -density 300 -units PixelsPerInch -type bilevel BMP3:" + bmp +
                      " && convert " + bmp + " -negate -type bilevel BMP3:" + neg;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    auto whiteCount = [](const std::string& f) {
        std::string c = "convert " + f + " -format '%[fx:mean*w*h]' info:";
        FILE* p = popen(c.c_str(), "r");
        double v = -1;
        if (p) {
            if (std::fscanf(p, "%lf", &v) != 1) v = -1;
            pclose(p);
        }
        return long(std::lround(v));
    };
    for (const std::string& f : {bmp, neg}) {
        ScanImage img;
        ASSERT_EQ(ReadBmpFile(f, img), ImageError::None) << f;
        EXPECT_EQ(img.width, 123);
        EXPECT_EQ(img.height, 77);
        long paper = 0;
        for (int r = 0; r < img.height; ++r)
            for (int c = 0; c < img.width; ++c) paper += img.fg(c, r);
        long white = whiteCount(f);
        // The lighter colour is the paper, whichever palette entry it is.
        EXPECT_EQ(paper, white) << f;
        // ImageMagick's row 0 is the top: its pixel (12, 7) is white, in the rectangle.
        EXPECT_EQ(img.fg(12, 76 - 7), f == bmp) << f;
        EXPECT_NEAR(img.ppmX, 300 / 0.0254, 1.0);
    }
    std::filesystem::remove_all(dir);
}

// The fuzz run starts from the seeds: each reads, the four variants of a picture (row order,
// palette order, density) read alike, and each vectorises into its pieces (the last picture is
// cut in two).
TEST(BmpReader, TheSeedsOfTheFuzzCorpusReadAlike) {
    const std::filesystem::path dir = std::filesystem::path(ROZEDOZ_SOURCE_DIR) / "fuzz/corpus/bmp";
    std::vector<ScanImage> imgs;
    for (int n = 0; n < 16; ++n) {
        const std::filesystem::path p = dir / ("scan" + std::to_string(n) + ".bmp");
        ScanImage img;
        ASSERT_EQ(ReadBmpFile(p.string(), img), ImageError::None) << p;
        ScanImage work = img;
        ScanSettings s;
        s.validPart = 20;
        EXPECT_EQ(TVector(s).Run(work, false).groups.size(), n / 4 == 3 ? 2u : 1u) << p;
        if (n % 4) {
            EXPECT_EQ(img.px, imgs[size_t(n - n % 4)].px) << p;
        }
        imgs.push_back(std::move(img));
    }
}

}  // namespace
}  // namespace rz
