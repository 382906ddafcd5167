// The output sheets in the window: key "." and the back screen, cut files with their question,
// a job to a file through LPT1, the layout's 退一步, closing while a job waits for its device,
// and the device dialog's refusals.
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>

#include "app/main_frame.h"
#include "app/output_dialogs.h"
#include "app/output_glue.h"
#include "app/view_controller.h"
#include "fake_platform.h"
#include "model/sample.h"
#include "output/cutfile.h"
#include "output/job_stream.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

struct Home {
    fs::path dir = fs::temp_directory_path() / ("rz_out_app_" + std::to_string(::getpid()));
    Home() {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Home() { fs::remove_all(dir); }
    std::string path(const std::string& n) const { return (dir / n).string(); }
};

// Presses Yes (or the scripted answer) on every message box and records what it said.
struct Boxes {
    std::deque<bool> answers;
    std::vector<std::string> seen;
    QTimer timer;
    Boxes() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            seen.push_back(box->text().toStdString());
            bool yes = answers.empty() ? true : answers.front();
            if (!answers.empty()) answers.pop_front();
            QAbstractButton* b = box->button(QMessageBox::Yes) ? box->button(yes ? QMessageBox::Yes : QMessageBox::No)
                                                                : box->buttons().front();
            b->click();
        });
        timer.start();
    }
};

FrameOptions Options(const Home& h) {
    FrameOptions o;
    o.home = h.dir.string();
    return o;
}

void LoadSample(MainFrame& f, const Home& h) {
    Design d;
    BuildSampleDesign(d);
    auto bytes = WriteXie(d);
    std::ofstream(h.path("s.XIE"), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    ASSERT_TRUE(f.openFile(h.path("s.XIE")).ok());
}

TEST(OutputWindow, FullStopBackScreenCutFilesAndUndo) {
    Home h;
    MainFrame f(Options(h));
    f.show();
    LoadSample(f, h);
    f.doc().setCurrentPage(1);
    QTest::keyClick(f.drawing(), Qt::Key_Period);
    PLTC& s = f.outputGlue()->commands().current();
    ASSERT_FALSE(s.items.empty());
    f.router().dispatch(32893);  // 换屏
    ASSERT_TRUE(f.view()->state().backShown);
    EXPECT_EQ(f.windowTitle(), "rozedoz");
    EXPECT_EQ(f.view()->sheetDisplay(0).items.size(), s.items.size());

    ASSERT_TRUE(f.outputGlue()->saveCutFile(h.path("a.OUT")));
    EXPECT_EQ(f.windowTitle().toStdString(), h.path("a.OUT"));
    const ItemList saved = s.items;
    f.router().dispatch(32896);  // 排位
    EXPECT_EQ(s.dirty, 1);
    EXPECT_NE(s.items, saved);
    {
        Boxes boxes;
        boxes.answers = {false};
        EXPECT_FALSE(f.openFile(h.path("a.OUT")).ok());
        EXPECT_EQ(boxes.seen, std::vector<std::string>{"放弃后屏所做修改？"});
        EXPECT_NE(s.items, saved);
        EXPECT_TRUE(f.openFile(h.path("a.OUT")).ok());
        EXPECT_EQ(s.items, saved);
        EXPECT_EQ(s.dirty, 0);
    }
    f.router().dispatch(32896);
    const ItemList arranged = s.items;
    f.router().dispatch(57643);  // 退一步
    EXPECT_EQ(s.items, saved);
    f.router().dispatch(57644);  // 进一步
    EXPECT_EQ(s.items, arranged);
    // Alt+C on the back screen empties the sheet after asking, and 退一步 brings it back.
    {
        Boxes boxes;
        f.router().dispatch(32894);
        EXPECT_EQ(boxes.seen, std::vector<std::string>{"放弃后屏所做修改？"});
    }
    EXPECT_TRUE(s.items.empty());
    f.router().dispatch(57643);
    EXPECT_EQ(s.items, arranged);
}

TEST(OutputWindow, JobThroughLpt1AndCloseWhileAJobWaits) {
    Home h;
    auto f = std::make_unique<MainFrame>(Options(h));
    f->show();
    LoadSample(*f, h);
    f->doc().setCurrentPage(1);
    QTest::keyClick(f->drawing(), Qt::Key_Period);
    f->router().dispatch(32893);
    OutputCommands& out = f->outputGlue()->commands();
    out.ports.lpt1 = h.path("lpt1.plt");
    out.cut(false, true);
    for (int i = 0; i < 200 && out.jobRunning(0); ++i) QTest::qWait(10);
    EXPECT_FALSE(out.jobRunning(0));
    ASSERT_TRUE(fs::exists(h.path("lpt1.plt")));
    EXPECT_EQ(fs::file_size(h.path("lpt1.plt")) > 7, true);

    // A device that never reads: closing asks to stop the job, and the window goes at once.
    ASSERT_EQ(::mkfifo(h.path("lpt").c_str(), 0600), 0);
    out.ports.lpt1 = h.path("lpt");
    out.cut(false, true);
    ASSERT_TRUE(out.jobRunning(0));
    Boxes boxes;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(f->close());
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 1.5);
    ASSERT_FALSE(boxes.seen.empty());
    EXPECT_EQ(boxes.seen[0], "正在绘出样片，是否终止该线程？");
    EXPECT_FALSE(out.jobRunning(0));
    f.reset();
}

TEST(OutputWindow, DeviceDialogRefusalsAndTestPageFailure) {
    test::FakePlatform pf;
    DeviceDialogModel m;
    PortMap ports;
    ports.lpt1 = "/dev/rozedoz-missing";
    DeviceDialog dlg(nullptr, pf, m, ports, false);
    auto* direct = dlg.findChildren<QCheckBox*>().front();
    ASSERT_EQ(direct->text(), "直接输出");
    direct->setChecked(false);  // no printer: ticked again
    EXPECT_TRUE(direct->isChecked());
    EXPECT_TRUE(dlg.model().direct());
    dlg.testButton()->click();
    EXPECT_FALSE(dlg.testButton()->isEnabled());
    for (int i = 0; i < 200 && pf.warnings.empty(); ++i) QTest::qWait(10);
    EXPECT_EQ(pf.warnings, std::vector<std::string>{"Can't open LPT1!"});
    EXPECT_TRUE(dlg.testButton()->isEnabled());
}

}  // namespace
}  // namespace rz
