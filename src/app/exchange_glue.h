// The window's exchange-file commands: 转入DXF on either screen and 其他文件 > 转出 > DXF文件 on
// the back screen. The reading and writing live in exchange/; this file asks for the file and
// refreshes the view.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <string>

namespace rz {

class Engine;
class MainFrame;

// Command ids of the exchange menus (其他文件 and 数控机床 under 文件).
enum ExchangeCommand : int {
    kCmdImportDxf = 32771,        // 转入DXF
    kCmdImportHpgl = 32772,       // 转入HPGL
    kCmdImportUsm3 = 34400,       // 其他文件 > 转入 > USM3
    kCmdExportDxfJoined = 34401,  // 其他文件 > 转出 > DXF文件 > 线段整合格式
    kCmdExportDxfSegments = 34402,  // 其他文件 > 转出 > DXF文件 > 线段独立格式
    kCmdExportAstm = 34403,       // 其他文件 > 转出 > DXF文件 > ASTM格式
    kCmdImportWireCut = 34404,    // 数控机床 > 转入 > 线切割
    kCmdExportArcs = 34405,       // 数控机床 > 转出 > 圆弧格式
    kCmdExportStraight = 34406,   // 数控机床 > 转出 > 直线格式
    kCmdShowProgram = 34188,      // 数控机床 > 看程序
    kCmdEngrave = 34150,          // 数控机床 > 轨迹线
};

class ExchangeGlue : public QObject {
public:
    ExchangeGlue(MainFrame& frame, Engine& engine);

    // 转入DXF of one file onto the screen shown; false when it could not be read.
    bool importDxf(const QString& path);
    // 转出 > DXF文件 of the current sheet; the path written, empty when nothing was written.
    QString exportDxf(bool segments);

    // 转出 > DXF文件 > ASTM格式: the visible parts, every graded size (else the size shown), to
    // "<dxf folder><pattern name>.DXF"; the path written, empty when nothing was written.
    QString exportAstm();
    // 转入 线切割 of one file: the records as lines of the first part; false when unreadable.
    bool importWireCut(const QString& path);
    // 其他文件 > 转入 > USM3 of one file; false when unreadable.
    bool importUsm3(const QString& path);
    // 圆弧格式 (every size with `allSizes` when the design is graded) and 直线格式; the paths written.
    QStringList exportArcFormat(bool allSizes);
    QString exportStraightFormat();
    // 转入HPGL of a chosen file: the plot folder follows it (unless 缺省路径), Ctrl shows its text;
    // with `geometry` (导入图形) its strokes come in where DXF polylines go.
    void importHpgl(const QString& path, bool ctrl, bool geometry);
    // Set by the last 转入HPGL dialog.
    bool hpglGeometry = false;

private:
    void registerCommands();
    void importDxfCommand();
    void refreshView(bool back);
    // The whole file; false (after the refusal tone and "不能打开 …") when it cannot be read.
    bool readFile(const QString& path, std::string& text);
    // Redraws after lines were added to the design and says how many.
    void linesAdded(const char* what, size_t count);

    MainFrame& frame_;
    Engine& engine_;
};

}  // namespace rz
