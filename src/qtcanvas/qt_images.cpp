#include "qtcanvas/qt_images.h"

#include <QImage>
#include <QImageReader>
#include <cmath>
#include <cstring>

namespace rz {

namespace {

constexpr long long kMaxScanPixels = 1ll << 30;

// Qt refuses images above 128 MB by default; an A3 scan at 600 dpi is already more. The cap
// here is the vectoriser's own.
void RaiseAllocationLimit() {
    static const bool once = [] {
        QImageReader::setAllocationLimit(int(kMaxScanPixels * 4 / (1024 * 1024)));
        return true;
    }();
    (void)once;
}

bool Fail(std::string* why, const QString& text) {
    if (why) *why = text.toStdString();
    return false;
}

}  // namespace

bool ReadScanImage(const std::string& path, ScanImage& out, std::string* why) {
    RaiseAllocationLimit();
    QImageReader reader(QString::fromStdString(path));
    QSize size = reader.size();
    if (size.isValid() && (long long)size.width() * size.height() > kMaxScanPixels)
        return Fail(why, QStringLiteral("the image is too large"));
    QImage img = reader.read();
    if (img.isNull()) return Fail(why, reader.errorString());
    const int w = img.width(), h = img.height();
    if ((long long)w * h > kMaxScanPixels) return Fail(why, QStringLiteral("the image is too large"));
    // The density of the file, when it gives one, as the BMP reader takes it.
    const double ppmX = img.dotsPerMeterX() > 0 ? img.dotsPerMeterX() : 0.0;
    const double ppmY = img.dotsPerMeterY() > 0 ? img.dotsPerMeterY() : 0.0;
    if (img.format() == QImage::Format_MonoLSB) img = img.convertToFormat(QImage::Format_Mono);
    if (img.format() == QImage::Format_Mono && img.colorCount() == 2) {
        // Two colours: the bits are read directly, the paper being the lighter entry.
        const int paper = qGray(img.color(1)) >= qGray(img.color(0)) ? 1 : 0;
        if (!out.allocate(w, h)) return Fail(why, QStringLiteral("no memory for the image"));
        for (int y = 0; y < h; ++y) {
            const uchar* src = img.constScanLine(y);
            uint8_t* dst = out.px.data() + out.index(0, h - 1 - y);
            for (int x = 0; x < w; ++x) {
                int bit = (src[x >> 3] >> (7 - (x & 7))) & 1;
                dst[x] = bit == paper ? ScanImage::kFg : 0;
            }
        }
        out.ppmX = ppmX;
        out.ppmY = ppmY;
        return true;
    }
    img = img.convertToFormat(QImage::Format_Grayscale8);
    if (img.isNull()) return Fail(why, QStringLiteral("no memory for the image"));
    bool ok = ScanImageFromGrey(w, h, [&](int x, int y) { return img.constScanLine(y)[x]; }, out);
    if (!ok) return Fail(why, QStringLiteral("no memory for the image"));
    out.ppmX = ppmX;
    out.ppmY = ppmY;
    return true;
}

std::shared_ptr<Picture> ReadPicture(const std::string& path, std::string* why, long long maxPixels) {
    RaiseAllocationLimit();
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (size.isValid() && maxPixels > 0 && (long long)size.width() * size.height() > maxPixels) {
        double k = std::sqrt(double(maxPixels) / (double(size.width()) * size.height()));
        reader.setScaledSize(QSize(std::max(1, int(size.width() * k)), std::max(1, int(size.height() * k))));
    }
    QImage img = reader.read();
    if (img.isNull()) {
        Fail(why, reader.errorString());
        return nullptr;
    }
    img = img.convertToFormat(QImage::Format_ARGB32);
    auto pic = std::make_shared<Picture>();
    pic->width = img.width();
    pic->height = img.height();
    pic->argb.resize(size_t(pic->width) * size_t(pic->height));
    for (int y = 0; y < pic->height; ++y)
        std::memcpy(pic->argb.data() + size_t(y) * size_t(pic->width), img.constScanLine(y), size_t(pic->width) * 4);
    return pic;
}

}  // namespace rz
