// Stroke font: loading brelan.fnt at start-up and laying out a text of 100 characters.
#include <benchmark/benchmark.h>

#include <string>

#include "model/font.h"

namespace {

const std::string kFontPath = std::string(ROZEDOZ_BINARY_DIR) + "/brelan.fnt";

void BM_FontLoad(benchmark::State& state) {
    for (auto _ : state) {
        rz::TFont f;
        bool ok = f.load(kFontPath);
        benchmark::DoNotOptimize(ok);
        if (!ok) {
            state.SkipWithError("brelan.fnt not generated");
            break;
        }
    }
}
BENCHMARK(BM_FontLoad)->Unit(benchmark::kMillisecond);

// 100 characters: 80 Chinese (GBK, two bytes each) and 20 ASCII, over two lines.
std::string hundredCharacters() {
    std::string s;
    const char* chinese[] = {"\xD0\xAC", "\xD1\xF9", "\xC0\xA9", "\xCB\xF5", "\xCB\xE3",
                             "\xC1\xCF", "\xD7\xF6", "\xBB\xAE", "\xCD\xD0", "\xB5\xD7"};
    for (int i = 0; i < 40; ++i) s += chinese[i % 10];
    s += "37.5-38|;";
    for (int i = 0; i < 40; ++i) s += chinese[(i + 3) % 10];
    s += "ABC xyz 123";
    return s;
}

void BM_FontLayout100(benchmark::State& state) {
    rz::TFont f;
    if (!f.load(kFontPath)) {
        state.SkipWithError("brelan.fnt not generated");
        return;
    }
    f.charWidth = f.charHeight = 500;
    const std::string text = hundredCharacters();
    for (auto _ : state) {
        rz::TextLayout t = f.layoutText(text);
        benchmark::DoNotOptimize(t.strokes.data());
    }
}
BENCHMARK(BM_FontLayout100)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
