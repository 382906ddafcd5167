// Every seed of the fuzz corpus and every input a fuzzer once failed on loads through the
// readers and the after-load steps, keeps its references inside the design and writes back
// stably; the fuzz run starts from these, so they must stay good inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "model/refs.h"
#include "model/settings_file.h"
#include "model/xie.h"

using namespace rz;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> FilesIn(const fs::path& dir) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file()) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<uint8_t> Bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(FuzzCorpus, PatternSeedsAndFindingsLoadAndWriteBackStably) {
    const fs::path src = ROZEDOZ_SOURCE_DIR;
    std::vector<fs::path> files = FilesIn(src / "fuzz/corpus/xie");
    ASSERT_GE(files.size(), 5u);
    for (const fs::path& p : FilesIn(src / "tests/model/fuzz-regressions")) files.push_back(p);
    for (const fs::path& p : files) {
        Design d;
        Settings s;
        XieReadResult r = ReadXie(Bytes(p), d, s);
        if (!r.ok) continue;  // a finding may be a file the reader rightly refuses
        EXPECT_TRUE(AllReferencesInside(d)) << p;
        std::vector<uint8_t> once = WriteXie(d);
        Design again;
        ASSERT_TRUE(ReadXie(once, again, s).ok) << p;
        EXPECT_EQ(WriteXie(again), once) << p;
    }
}

TEST(FuzzCorpus, SettingsSeedsDecodeCompletely) {
    const std::vector<fs::path> files = FilesIn(fs::path(ROZEDOZ_SOURCE_DIR) / "fuzz/corpus/settings");
    ASSERT_GE(files.size(), 2u);
    for (const fs::path& p : files) {
        std::vector<uint8_t> b = Bytes(p);
        SettingsReadReport rep;
        Settings s = decodeSettings(b.data(), b.size(), "/home/seed", &rep);
        EXPECT_TRUE(rep.complete) << p;
        EXPECT_EQ(encodeSettings(s), b) << p;
    }
}
