// The output sheets in the window: the menu commands (切割, 打印, 顺序, 排位, 切割设置, 打印校正,
// 设备, 端口, 笔色), the back screen's cut files and 清屏, the close questions of the sheets and
// the timer that ends finished jobs and shows their progress.
#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

#include "model/doc.h"
#include "output/sheet_commands.h"

namespace rz {

class MainFrame;

// Menu ids of the output commands.
enum OutputCommandId : int {
    kCmdCut = 32910,            // 切割
    kCmdCutSetup = 32852,       // 切割设置
    kCmdPrint = 32853,          // 打印
    kCmdPrintCorrection = 32854,  // 打印校正
    kCmdArrange = 32896,        // 排位
    kCmdMaterialReport = 34112, // 算料报表
    kCmdOrder = 32895,          // 顺序
    kCmdDevice = 32901,         // 设备
    kCmdPorts = 34032,          // 端口
    kCmdPenColours = 32902,     // 笔色
    kCmdRuler = 32919,          // 标尺
    kCmdBorder = 34116,         // 边框
};

class OutputGlue : public QObject {
public:
    OutputGlue(MainFrame& frame, Engine& engine);
    ~OutputGlue() override;

    OutputCommands& commands() { return *out_; }
    // The back screen's 打开 of a cut file onto the current sheet.
    FileResult openCutFile(const std::string& path);
    // F2 on the back screen, to `path` (after the save dialog).
    bool saveCutFile(const std::string& path);
    // Where LPT1 and LPT2 lead ([Ports] of rozedoz.conf).
    static PortMap readPorts();
    static void writePorts(const PortMap& m);

private:
    void registerCommands();
    void afterJobs();
    void clearOrder();
    void saveCommand();
    void clearSheet();
    void print();
    void printPdf();
    void deviceDialog();
    void cutSetupDialog();

    MainFrame& frame_;
    std::unique_ptr<OutputCommands> out_;
    QTimer poll_;
    std::optional<OrderView> order_;
    bool running_ = false;
};

}  // namespace rz
