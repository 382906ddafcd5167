// The back screen's output commands as a user meets them: refusals, a job through the port
// map, a second job while one runs, ESC, port failures, key ".", 退一步, the size steps and 顺序.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "../interact/engine_fixture.h"
#include "output/job.h"
#include "output/job_stream.h"
#include "output/sheet_commands.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

struct OutputTest : EngineTest {
    std::unique_ptr<OutputCommands> out;
    fs::path dir = fs::temp_directory_path() / ("rz-out-" + std::to_string(::getpid()));

    void SetUp() override {
        EngineTest::SetUp();
        out = std::make_unique<OutputCommands>(*eng);
        fs::create_directories(dir);
    }
    void TearDown() override {
        out.reset();
        doc.sheets = {};
        fs::remove_all(dir);
    }
    PLTC& sheet() { return out->current(); }
    void fill() {
        PlotItem cut, pen;
        cut.points = {{100, 100}, {900, 100}, {900, 900}, {100, 100}};
        cut.setKind(kItemOutline), cut.setTool(kToolFullCut), cut.setPen(2), cut.pieceId = 1;
        pen.points = {{200, 200}, {300, 300}};
        pen.setKind(kItemInner), pen.setTool(kToolPen), pen.setPen(1), pen.pieceId = 1;
        sheet().items = {pen, cut};
    }
    bool finish() {
        for (int i = 0; i < 300 && out->poll(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !out->poll();
    }
    std::vector<uint8_t> read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

TEST_F(OutputTest, CutRefusalsThenAJobThroughThePortMap) {
    fill();
    out->cut(false, false);  // front screen
    EXPECT_EQ(platform.tones, std::vector<int>{kToneBack});
    vs.backShown = true;
    sheet().settings().words[0] &= ~kSheetDirect;
    out->cut(false, false);
    EXPECT_EQ(platform.warnings, std::vector<std::string>{"请在[设备]栏选择直接输出!"});
    sheet().settings().words[0] |= kSheetDirect;

    out->ports.lpt1 = (dir / "lpt1.plt").string();
    out->cut(false, false);  // the menu: cuts only
    EXPECT_TRUE(sheet().busy.load());
    ASSERT_TRUE(finish());
    EXPECT_EQ(sheet().busy.load(), 0);
    ItemList cutOnly = sheet().items;
    for (PlotItem& it : cutOnly)
        if (it.tool() == kToolFullCut) it.flags |= kItemChosen;
    EXPECT_EQ(read(dir / "lpt1.plt"), BuildJobStream(cutOnly, 0, 92300, 61800));
    for (const PlotItem& it : sheet().items) EXPECT_EQ(it.flags & (kItemChosen | kItemExcluded), 0u);
    EXPECT_EQ(sheet().items.back().tool(), kToolFullCut);  // ordered: the pen stroke first

    out->cut(false, true);  // Alt+P: pens and cuts
    ASSERT_TRUE(finish());
    ItemList both = sheet().items;
    for (PlotItem& it : both) it.flags |= kItemChosen;
    EXPECT_EQ(read(dir / "lpt1.plt"), BuildJobStream(both, 0, 92300, 61800));
    out->cut(true, false);  // Shift: pens only
    ASSERT_TRUE(finish());
    EXPECT_EQ(read(dir / "lpt1.plt").size(), 5 + 2 + 16 + 2 + 1 + std::string("PU36920.00000,0.00000ZE").size());
    EXPECT_EQ(platform.warnings.size(), 1u);
}

TEST_F(OutputTest, ASecondCutWhileOneRunsAndEscStopsIt) {
    fill();
    vs.backShown = true;
    const std::string fifo = (dir / "port").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // nobody reads: the job waits
    out->ports.lpt1 = fifo;
    out->cut(false, true);
    ASSERT_TRUE(out->poll());
    Job* running = sheet().job.get();
    out->cut(false, true);
    EXPECT_EQ(platform.warnings, std::vector<std::string>{"正在直接输出样板！"});
    EXPECT_EQ(sheet().job.get(), running);
    key(key::PageDown);  // the size step is refused as well
    EXPECT_EQ(platform.warnings.size(), 2u);
    platform.answers = {false};
    EXPECT_TRUE(key(key::Escape));  // "No": the job goes on
    EXPECT_TRUE(sheet().busy.load());
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(key(key::Escape));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 1.0);
    EXPECT_EQ(platform.questions, (std::vector<std::string>(2, "正在绘出样片，是否终止该线程？")));
    EXPECT_EQ(sheet().busy.load(), 0);
    EXPECT_FALSE(sheet().job);
    EXPECT_EQ(out->stopJob(0), 1);  // nothing runs any more
    EXPECT_EQ(platform.warnings.size(), 2u);  // a stop is no failure
}

TEST_F(OutputTest, PortFailuresNameThePortAndTheTarget) {
    fill();
    vs.backShown = true;
    out->ports.lpt1 = "/dev/rozedoz-missing";
    out->cut(false, true);
    ASSERT_TRUE(finish());
    ASSERT_EQ(platform.warnings.size(), 1u);
    EXPECT_EQ(platform.warnings[0], "不能打开 LPT1 (/dev/rozedoz-missing: no such device)");
    EXPECT_EQ(sheet().busy.load(), 0);
    SetSheetInt(sheet().settings(), sheetword::Port, 0);
    out->cut(false, true);
    ASSERT_TRUE(finish());
    EXPECT_EQ(platform.warnings.back(), "不能打开 ");
    EXPECT_FALSE(fs::exists("/dev/rozedoz-missing"));
}

TEST_F(OutputTest, FullStopLaysThePageAndTheLayoutUndoes) {
    Part& p = part(0);
    addLine(p, {{0, 0}, {1000, 0}, {1000, 1000}, {0, 0}}, true);
    addLine(p, {{100, 100}, {200, 200}});
    doc.setCurrentPage(0);
    key(key::Period);
    EXPECT_EQ(sheet().items.size(), 2u);
    vs.backShown = true;
    out->arrange();
    const ItemList arranged = sheet().items;
    EXPECT_NE(arranged, ItemList{});
    EXPECT_TRUE(out->undoLayout());
    EXPECT_EQ(sheet().items.size(), 2u);
    EXPECT_NE(sheet().items, arranged);
    EXPECT_TRUE(out->undoLayout());
    EXPECT_TRUE(sheet().items.empty());  // before the full stop
    EXPECT_FALSE(out->undoLayout());
    EXPECT_TRUE(out->redoLayout());
    EXPECT_TRUE(out->redoLayout());
    EXPECT_EQ(sheet().items, arranged);
}

TEST_F(OutputTest, SizeStepsStopAtTheListAndMoveQuarters) {
    part(0);
    addLine(part(0), {{0, 0}, {10, 0}}, true);
    doc.design.flags |= kDesignGraded;
    int current = 2;
    std::vector<std::vector<int>> generated;
    std::vector<int> cornerSeen;
    out->sizes.sizeCount = [](const TDoc&) { return 5; };
    out->sizes.currentSize = [&](const TDoc&) { return current; };
    out->sizes.setCurrentSize = [&](TDoc&, int s) { current = s; };
    out->sizes.generate = [&](TDoc& d, PLTC& s, const std::vector<int>& sizes) {
        generated.push_back(sizes);
        cornerSeen.push_back(d.settings.cornerFlag());
        for (int size : sizes) {
            PlotItem it;
            it.points = {{float(size * 100), 100}};
            it.setKind(kItemOutline), it.setTool(kToolFullCut), it.pieceId = s.nextPieceId++;
            s.items.push_back(it);
        }
    };
    sheet().settings().words[0] &= ~kSheetDirect;  // steps regenerate, nothing is sent
    EXPECT_TRUE(key(key::Home));
    EXPECT_EQ(current, 0);
    EXPECT_TRUE(key(key::PageUp));  // already first: nothing
    EXPECT_EQ(generated.size(), 1u);
    SetSheetInt(sheet().settings(), sheetword::OutputMethod, 2);  // four sizes a sheet
    current = 2;
    key(key::PageDown);
    EXPECT_EQ(generated.back(), (std::vector<int>{3, 4}));  // not past the last size
    EXPECT_EQ(current, 4);
    EXPECT_EQ(sheet().items.size(), 2u);
    key(key::PageDown);  // on the last size
    EXPECT_EQ(generated.size(), 2u);
    EXPECT_EQ(cornerSeen, (std::vector<int>{0, 0}));
    EXPECT_EQ(doc.settings.cornerFlag(), 1);

    SetSheetInt(sheet().settings(), sheetword::OutputMethod, 1);
    SetSheetInt(sheet().settings(), sheetword::Quarter, 2);
    vs.backShown = true;
    out->paneStep(+1);  // wraps to the first size, shifted into the upper right quarter
    EXPECT_EQ(current, 0);
    EXPECT_EQ(sheet().items[0].points[0].x, 0.0f + 92300 / 2);
    EXPECT_EQ(sheet().items[0].points[0].y, 100.0f + 61800 / 2);
    EXPECT_EQ(SheetInt(sheet().settings(), sheetword::Quarter), 3);
    SetSheetInt(sheet().settings(), sheetword::OutputMethod, 3);  // the quarter stays
    out->paneStep(-1);
    EXPECT_EQ(current, 4);
    EXPECT_EQ(sheet().items[0].points[0].x, 400.0f);
    EXPECT_EQ(SheetInt(sheet().settings(), sheetword::Quarter), 3);
}

TEST_F(OutputTest, OrderViewNumbersPiecesAndNamesPens) {
    vs.backShown = true;
    for (int id = 1; id <= 2; ++id) {
        PlotItem label, cut;
        label.points = {{float(id * 20000), 5000}, {float(id * 20000 + 300), 5000}};
        label.setKind(kItemLabel), label.setTool(kToolHalfCut), label.setPen(3), label.pieceId = id;
        cut.points = {{float(id * 20000), 1000}, {float(id * 20000 + 5000), 1000}};
        cut.setKind(kItemOutline), cut.setTool(kToolFullCut), cut.setPen(2), cut.pieceId = id;
        sheet().items.push_back(label);
        sheet().items.push_back(cut);
    }
    std::swap(sheet().items[0], sheet().items[2]);  // piece 2's label first in the list
    auto o = out->orderView();
    ASSERT_TRUE(o);
    ASSERT_EQ(o->numbers.size(), 2u);
    EXPECT_EQ(o->numbers[0].text, "1");
    EXPECT_EQ(o->numbers[0].at.x, 20000.0f);  // piece 1 is left, so first
    EXPECT_EQ(o->corner, (std::vector<std::string>{"半刀: 3", "全刀: 2"}));
    for (const PlotItem& it : sheet().items) EXPECT_EQ(it.flags & (kItemChosen | kItemExcluded), 0u);
    EXPECT_FALSE(out->preparePrint());  // no printer
    EXPECT_EQ(platform.warnings.back(), "目前尚无安装任何打印设备!");
}


TEST_F(OutputTest, TheSheetCanChangeWhileItsJobIsWritten) {
    fill();
    vs.backShown = true;
    const std::string fifo = (dir / "slow").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    out->ports.lpt1 = fifo;
    out->cut(false, true);
    ItemList sent = sheet().items;  // as ordered and chosen for this job
    // The user goes on editing while the device has not even opened yet.
    out->arrange();
    sheet().items.push_back(sheet().items.front());
    std::vector<uint8_t> got;
    std::thread reader([&] {
        std::ifstream in(fifo, std::ios::binary);
        got.assign(std::istreambuf_iterator<char>(in), {});
    });
    ASSERT_TRUE(finish());
    reader.join();
    for (PlotItem& it : sent) it.flags |= kItemChosen;
    EXPECT_EQ(got, BuildJobStream(sent, 0, 92300, 61800));
    for (const PlotItem& it : sheet().items) EXPECT_EQ(it.flags & (kItemChosen | kItemExcluded), 0u);
}

}  // namespace
}  // namespace rz::test
