// 转入DXF in the window on both screens, and 转出 DXF文件 of the back screen's sheet read back.
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/exchange_glue.h"
#include "app/main_frame.h"
#include "app/output_glue.h"
#include "app/view_controller.h"
#include "exchange/dxf.h"
#include "exchange/dxf_document.h"
#include "output/sheet_commands.h"

namespace rz {
namespace {

namespace fs = std::filesystem;

TEST(ExchangeWindow, DxfIntoBothScreensAndOut) {
    const fs::path home = fs::temp_directory_path() / ("rz_exch_app_" + std::to_string(::getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    {
        FrameOptions o;
        o.home = home.string();
        MainFrame f(o);
        f.show();
        const std::string file = (home / "in.DXF").string();
        std::ofstream(file) << "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nLINE\r\n 10\r\n0\r\n 20\r\n0\r\n 11\r\n"
                               "10\r\n 21\r\n5\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
        TDoc& doc = f.doc();
        doc.settings.displayFlags &= ~kDispScan;
        ASSERT_TRUE(f.exchange()->importDxf(QString::fromStdString(file)));
        ASSERT_EQ(doc.scanLines.size(), 1u);
        EXPECT_EQ(doc.scanLines[0]->shape[0], (Polyline{{0, 0}, {1000, 500}}));
        EXPECT_TRUE(doc.settings.displayFlags & kDispScan);
        // 转入HPGL: without 导入图形 only the plot folder follows the file; with it the strokes
        // come in as a scan line.
        const std::string plt = (home / "plots" / "a.PLT").string();
        fs::create_directories(home / "plots");
        std::ofstream(plt) << "IN;PU0,0;PD400,0,400,400;";
        const std::string kept = doc.settings.plotFolder;
        doc.settings.generalFlags |= kGenKeepDataFolder;  // 缺省路径: the folder stays
        f.exchange()->importHpgl(QString::fromStdString(plt), false, false);
        EXPECT_EQ(doc.settings.plotFolder, kept);
        doc.settings.generalFlags &= ~kGenKeepDataFolder;
        f.exchange()->importHpgl(QString::fromStdString(plt), false, false);
        EXPECT_EQ(doc.settings.plotFolder, (home / "plots" / "").string());
        EXPECT_EQ(doc.scanLines.size(), 1u);
        f.exchange()->importHpgl(QString::fromStdString(plt), false, true);
        ASSERT_EQ(doc.scanLines.size(), 2u);
        EXPECT_EQ(doc.scanLines[1]->shape[0], (Polyline{{0, 0}, {1000, 0}, {1000, 1000}}));
        // ASTM格式 from the front screen: nothing without a part outline, refused.
        EXPECT_TRUE(f.exchange()->exportAstm().isEmpty());
        // The exports belong to the back screen.
        EXPECT_FALSE(f.action(kCmdExportDxfJoined)->isEnabled());
        // Wire-cut files: a file read in as lines of the first part, 圆弧格式 written back.
        const std::string dat = (home / "in.DAT").string();
        std::ofstream(dat) << "L  1 =  0, 0, 10, 0\r\nA  2 = 10,5, 10,0, 10,10,N\r\n";
        const size_t lines = doc.design.firstPart().linesB.size();
        ASSERT_TRUE(f.exchange()->importWireCut(QString::fromStdString(dat)));
        EXPECT_EQ(doc.design.firstPart().linesB.size(), lines + 2);
        const std::string usm = (home / "a.3T2").string();
        std::ofstream(usm) << "\"<<LINES>>\"\r\n1\r\n2\r\n0,0\r\n5,5\r\n";
        ASSERT_TRUE(f.exchange()->importUsm3(QString::fromStdString(usm)));
        ASSERT_EQ(doc.design.firstPart().linesB.size(), lines + 3);
        // Recorded for undo: 退一步 takes it away, 进一步 brings it back.
        f.router().dispatch(57643);
        EXPECT_EQ(doc.design.firstPart().linesB.size(), lines + 2);
        f.router().dispatch(57644);
        EXPECT_EQ(doc.design.firstPart().linesB.size(), lines + 3);
        doc.design.firstPart().linesB.pop_back();  // the arc format below writes the wire-cut lines only
        doc.settings.dataFolder = (home / "data" / "").string();
        QStringList arcs = f.exchange()->exportArcFormat(true);  // no grading: the size shown only
        ASSERT_EQ(arcs.size(), 1);
        std::ifstream arcIn(arcs[0].toStdString(), std::ios::binary);
        std::string arcText((std::istreambuf_iterator<char>(arcIn)), {});
        EXPECT_EQ(arcText, "L  1 =     0.00000,    0.00000,   10.00000,    0.00000\r\n"
                           "A  2 =    10.00000,    5.00000,   10.00000,    0.00000,   10.00000,   10.00000,N\r\n");

        f.router().dispatch(32893);  // 换屏
        ASSERT_TRUE(f.view()->state().backShown);
        f.refreshCommandStates();
        EXPECT_TRUE(f.action(kCmdExportDxfSegments)->isEnabled());
        PLTC& sheet = f.outputGlue()->commands().current();
        const size_t before = sheet.items.size();
        ASSERT_TRUE(f.exchange()->importDxf(QString::fromStdString(file)));
        ASSERT_EQ(sheet.items.size(), before + 1);
        EXPECT_EQ(sheet.items.back().kind(), kItemOutline);
        // A file that is not there is refused and changes nothing.
        EXPECT_FALSE(f.exchange()->importDxf(QString::fromStdString((home / "none.DXF").string())));
        EXPECT_EQ(sheet.items.size(), before + 1);

        doc.settings.dxfFolder = (home / "dxf" / "").string();
        f.action(kCmdExportDxfJoined)->trigger();
        const fs::path out = home / "dxf" / DxfFileName(doc.design.baseSize);
        ASSERT_TRUE(fs::exists(out));
        std::ifstream in(out, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        DxfReadResult back = ReadDxf(text, {});
        ASSERT_EQ(back.polylines.size(), sheet.items.size());
        EXPECT_EQ(back.polylines.back(), (Polyline{{0, 0}, {1000, 500}}));
        // 直线格式 of the same sheet: a straight record per segment.
        const QString straight = f.exchange()->exportStraightFormat();
        ASSERT_FALSE(straight.isEmpty());
        std::ifstream sin(straight.toStdString(), std::ios::binary);
        std::string st((std::istreambuf_iterator<char>(sin)), {});
        EXPECT_NE(st.find("   10.00000,    5.00000\r\n"), std::string::npos);
    }
    fs::remove_all(home);
}

}  // namespace
}  // namespace rz
