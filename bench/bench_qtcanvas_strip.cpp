// The motif/piece strip painted into its image: the piece view of a 1920-pixel window with ten
// thumbnails of 2,000-point pieces, and the motif view with the built-in cells.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cmath>

#include "model/doc.h"
#include "qtcanvas/strip_image.h"

namespace {

struct Fixture {
    rz::HeadlessPlatform platform;
    rz::TDoc doc{platform};
    rz::Strip strip{doc};
    QImage image;
    Fixture() {
        // The strip of a 1920-pixel window: a tenth of the drawing width.
        strip.width = 1920;
        strip.height = (1920 - 94) / 10;
        image = QImage(strip.width, strip.height, QImage::Format_RGB32);
        rz::MakeBuiltInLibrary(doc.library, nullptr);
        for (int s = 0; s < 10; ++s) {
            auto pc = std::make_unique<rz::Piece>();
            pc->slot = uint8_t(s);
            for (int i = 0; i < 2000; ++i) {
                const double a = 2.0 * M_PI * i / 2000.0;
                pc->outline.push_back({float(20000.0 * std::cos(a) * (1.0 + 0.1 * std::sin(9 * a))),
                                       float(9000.0 * std::sin(a))});
            }
            pc->outline.push_back(pc->outline.front());
            pc->bbox = {-22000, -9000, 22000, 9000};
            doc.design.pieces.push_back(std::move(pc));
        }
    }
};

void BM_StripRefresh(benchmark::State& state) {
    Fixture f;
    f.strip.view = state.range(0) ? rz::StripView::Piece : rz::StripView::Motif;
    for (auto _ : state) {
        rz::PaintStrip(f.image, f.strip);
        benchmark::DoNotOptimize(f.image.constBits());
    }
}
BENCHMARK(BM_StripRefresh)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // The panel's texts need the fonts of a GUI application; no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
