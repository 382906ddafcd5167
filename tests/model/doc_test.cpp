#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fake_platform.h"
#include "model/bytes.h"
#include "model/doc.h"
#include "model/refs.h"
#include "model/sample.h"
#include "rich_design.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

class DocTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("rozedoz-doc-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        doc.settings.dataFolder = dir.string() + "/data/";
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::vector<uint8_t> bytesOf(const std::string& p) {
        std::vector<uint8_t> b;
        ReadFileBytes(p, b, nullptr);
        return b;
    }

    fs::path dir;
    test::FakePlatform ui;
    TDoc doc{ui};
};

TEST_F(DocTest, ClearAsksOnlyWhenModified) {
    EXPECT_TRUE(doc.ClearDesignCommand());
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(doc.design.isBlank());
    EXPECT_EQ(doc.design.flags, 0x30000u);
    EXPECT_EQ(doc.design.sizeCategory, 3);

    BuildSampleDesign(doc.design);
    doc.PushUndo();
    ui.answers = {false};
    EXPECT_FALSE(doc.ClearDesignCommand());
    EXPECT_EQ(ui.questions.back(), "放弃前屏所做修改？");
    EXPECT_FALSE(doc.design.isBlank());  // No keeps everything
    ui.answers = {true};
    EXPECT_TRUE(doc.ClearDesignCommand());
    EXPECT_TRUE(doc.design.isBlank());
    EXPECT_TRUE(doc.undo.empty());
    EXPECT_EQ(doc.fileName, "rozedoz");
    EXPECT_EQ(doc.design.modified, 0);
}

TEST_F(DocTest, SaveAndOpenResetTheUndoRing) {
    BuildSampleDesign(doc.design);
    doc.PushUndo();
    doc.PushUndo();
    std::string p = path("a.XIE");
    ASSERT_TRUE(doc.SaveAs(p).ok());
    EXPECT_EQ(doc.fileName, p);
    EXPECT_EQ(doc.design.modified, 0);
    EXPECT_EQ(doc.undo.stored(), 1);
    EXPECT_FALSE(doc.undo.canUndo());

    doc.design.firstPart().pins.clear();
    doc.PushUndo();
    EXPECT_EQ(doc.design.modified, 1);
    ui.answers = {false};
    EXPECT_EQ(doc.OpenPattern(p).status, FileStatus::Declined);
    EXPECT_TRUE(doc.design.firstPart().pins.empty());
    ui.answers = {true};
    ui.cursors.clear();
    FileResult r = doc.OpenPattern(p);
    ASSERT_TRUE(r.ok());
    // Reading and evaluating run under the wait cursor, which is taken back afterwards.
    ASSERT_GE(ui.cursors.size(), 2u);
    EXPECT_EQ(ui.cursors.front(), CursorKind::Wait);
    EXPECT_NE(ui.cursors.back(), CursorKind::Wait);
    EXPECT_EQ(doc.design.firstPart().pins.size(), 5u);
    EXPECT_EQ(doc.design.modified, 0);
    EXPECT_EQ(doc.undo.stored(), 1);
    EXPECT_EQ(doc.lastOpened, p);
    EXPECT_EQ(doc.currentPage(), 0);
    // After one change, undo returns to the loaded design with modified 0 again.
    doc.design.firstPart().pins.pop_back();
    doc.PushUndo();
    ASSERT_TRUE(doc.undo.undo(doc.design));
    EXPECT_EQ(doc.design.firstPart().pins.size(), 5u);
    EXPECT_EQ(doc.design.modified, 0);
    ASSERT_TRUE(doc.undo.redo(doc.design));
    EXPECT_EQ(doc.design.modified, 1);
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(DocTest, SaveRefusesABlankDesignAndAsksBeforeOverwritingTheDefaultName) {
    fs::current_path(dir);
    FileResult r = doc.Save();
    EXPECT_EQ(r.status, FileStatus::Refused);
    EXPECT_FALSE(fs::exists(dir / "rozedoz.xie"));
    BuildSampleDesign(doc.design);
    ASSERT_TRUE(doc.Save().ok());
    EXPECT_TRUE(fs::exists(dir / "rozedoz.xie"));
    EXPECT_TRUE(ui.questions.empty());  // nothing to overwrite yet
    doc.fileName = "rozedoz";
    ui.answers = {false};
    EXPECT_EQ(doc.Save().status, FileStatus::Declined);
    EXPECT_EQ(ui.questions.back(), "复盖已有文件？");
}

TEST_F(DocTest, AFailedSaveKeepsThePreviousFile) {
    BuildSampleDesign(doc.design);
    std::string p = path("keep.XIE");
    ASSERT_TRUE(doc.SaveAs(p).ok());
    auto before = bytesOf(p);
    // Saving into a folder that does not exist fails and says so.
    FileResult r = doc.SaveAs(path("missing/x.XIE"));
    EXPECT_EQ(r.status, FileStatus::WriteFailed);
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(doc.fileName, p);
    // A target that cannot be replaced (a folder of that name) is left alone, with no
    // temporary file left behind.
    fs::create_directories(dir / "blocked.XIE");
    EXPECT_EQ(doc.SaveAs(path("blocked.XIE")).status, FileStatus::WriteFailed);
    EXPECT_TRUE(fs::is_directory(dir / "blocked.XIE"));
    for (auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos);
    EXPECT_EQ(bytesOf(p), before);
}

TEST_F(DocTest, TruncatedFileIsNotTakenForAFaithfulCopy) {
    test::BuildRichDesign(doc.design);
    std::string p = path("whole.XIE");
    ASSERT_TRUE(doc.SaveAs(p).ok());
    auto bytes = bytesOf(p);
    bytes.resize(bytes.size() * 2 / 3);
    std::string cut = path("cut.XIE");
    ASSERT_TRUE(WriteFileAtomic(cut, bytes, nullptr));
    ASSERT_TRUE(doc.ClearDesignCommand());
    FileResult r = doc.OpenPattern(cut);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.truncated);
    EXPECT_EQ(doc.design.modified, 1);
    EXPECT_TRUE(doc.loadedTruncated);
    // F2 does not overwrite the original unasked.
    ui.questions.clear();
    ui.answers = {false};
    EXPECT_EQ(doc.Save().status, FileStatus::Declined);
    EXPECT_EQ(bytesOf(cut), bytes);
    ui.answers = {true};
    EXPECT_TRUE(doc.Save().ok());
    EXPECT_FALSE(doc.loadedTruncated);
}

TEST_F(DocTest, MergeKeepsOurParametersAndContinuesPieceSlots) {
    test::BuildRichDesign(doc.design);
    std::string p = path("other.XIE");
    ASSERT_TRUE(doc.SaveAs(p).ok());
    ASSERT_TRUE(doc.ClearDesignCommand());
    BuildSampleDesign(doc.design);
    doc.design.rangeTo = 250;
    doc.design.resizePerSizeArrays();
    int n = doc.design.n;
    doc.design.pieces[0]->slot = 5;
    size_t partsBefore = doc.design.parts.size();
    size_t linesBefore = doc.design.firstPart().linesA.size();
    ui.questions.clear();
    FileResult r = doc.OpenPattern(p, true);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(ui.questions.empty());  // merging asks nothing
    EXPECT_EQ(doc.design.n, n);
    EXPECT_EQ(doc.design.parts.size(), partsBefore + 2);
    EXPECT_EQ(doc.design.firstPart().linesA.size(), linesBefore + 1);
    ASSERT_EQ(doc.design.pieces.size(), 3u);
    EXPECT_EQ(doc.design.pieces[1]->slot, 6);
    EXPECT_EQ(doc.design.pieces[2]->slot, 7);
    EXPECT_EQ(doc.design.pieces[1]->sharedDie->size(), size_t(n));
    EXPECT_TRUE(doc.design.flags & kDesignGraded);
    EXPECT_EQ(doc.design.modified, 1);  // merged content is not on disk yet
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(DocTest, NumberedAutoSave) {
    doc.settings.generalFlags |= kGenAutoSave;
    EXPECT_EQ(doc.AutoSave(), "");  // nothing to save
    EXPECT_EQ(doc.design.autoSaveNumber, -1);
    BuildSampleDesign(doc.design);
    doc.settings.fileCounter = 9999;
    std::string p = doc.AutoSave();
    EXPECT_EQ(p, doc.settings.dataFolder + "---/9999.XIE");
    EXPECT_TRUE(fs::exists(p));
    EXPECT_EQ(doc.design.autoSaveNumber, 9999);
    EXPECT_EQ(doc.settings.fileCounter, 0);
    EXPECT_EQ(doc.AutoSave(), p);  // the same design keeps its number
    EXPECT_EQ(doc.settings.fileCounter, 0);
    EXPECT_EQ(doc.fileName, "rozedoz");  // not a save: name and ring untouched
    Design back;
    std::vector<uint8_t> b;
    ASSERT_TRUE(ReadFileBytes(p, b, nullptr));
    EXPECT_EQ(GetU32(b.data(), b.size() - 4), 0u);  // no pictures
    doc.settings.generalFlags &= ~kGenAutoSave;
    EXPECT_EQ(doc.AutoSave(), "");
    EXPECT_EQ(doc.settings.autoSaveMillis(), 10000);
}

TEST_F(DocTest, BrowseNeighbours) {
    BuildSampleDesign(doc.design);
    for (auto n : {"b.XIE", "a.xie", "c.XIE", "d.txt"}) ASSERT_TRUE(doc.SaveAs(path(n)).ok());
    doc.fileName = path("b.XIE");
    EXPECT_EQ(doc.NeighbourFile(-1), path("a.xie"));
    EXPECT_EQ(doc.NeighbourFile(+1), path("c.XIE"));
    doc.fileName = path("c.XIE");
    EXPECT_EQ(doc.NeighbourFile(+1), "");
    EXPECT_EQ(doc.OpenPath(path("d.txt")).status, FileStatus::NotHandled);
}

TEST(UndoRing, FullRingDropsTheOldestAndRedoBranchIsDropped) {
    UndoRing ring;
    Design d;
    BuildSampleDesign(d);
    ring.push(d);  // the loaded state
    for (int i = 0; i < 30; ++i) {
        d.firstPart().pins.push_back(std::make_unique<Pin>());
        ring.push(d);
    }
    EXPECT_EQ(ring.stored(), 31);
    int undos = 0;
    while (ring.undo(d)) ++undos;
    EXPECT_EQ(undos, 30);
    EXPECT_EQ(d.firstPart().pins.size(), 5u);
    // One more change after going forward: the oldest state drops out.
    while (ring.redo(d)) {
    }
    d.firstPart().pins.push_back(std::make_unique<Pin>());
    ring.push(d);
    undos = 0;
    while (ring.undo(d)) ++undos;
    EXPECT_EQ(undos, 30);
    EXPECT_EQ(d.firstPart().pins.size(), 6u);
    // A new change after an undo discards the redo branch.
    ring.redo(d);
    d.firstPart().pins.clear();
    ring.push(d);
    EXPECT_FALSE(ring.canRedo());
    EXPECT_FALSE(ring.redo(d));
    // Snapshots are independent of the design: editing it leaves the stored state alone.
    ring.undo(d);
    size_t n = d.firstPart().pins.size();
    d.notes.clear();
    d.firstPart().pins.clear();
    ring.redo(d);
    ring.undo(d);
    EXPECT_EQ(d.firstPart().pins.size(), n);
    EXPECT_FALSE(d.notes.empty());
    ring.reset();
    EXPECT_TRUE(ring.empty());
    EXPECT_FALSE(ring.canUndo());
}

}  // namespace
}  // namespace rz
