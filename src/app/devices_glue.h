// The input devices in the window: 数字化仪 开/关 (F7) with the serial tablet or the window's
// own tablet events, 信息, 串口定义, 校位, 扫描输入 with its digit keys, 高级 and its variants, and
// the background pictures (插入背景, 清除背景, 调整背景).
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "devices/digitizer_mode.h"
#include "devices/scan_input.h"

class QTabletEvent;

namespace rz {

class MainFrame;

class DevicesGlue : public QObject {
public:
    DevicesGlue(MainFrame& frame, Engine& engine);
    ~DevicesGlue() override;

    DigitizerMode& digitizer() { return *mode_; }
    // Ends digitizer mode while the engine still exists (the window is closing).
    void shutdown();

    // 数字化仪 开/关.
    void toggleDigitizer();
    // 扫描输入 of one file: BMP by the program's reader, other formats by Qt's. A refused file
    // sounds the refusal tone and says why in the prompt pane.
    ScanReport scanFile(const QString& path);
    // 插入背景 of one file; false when it could not be read.
    bool insertPicture(const QString& path);
    // The device of the serial tablet: the one chosen in 串口定义, else COM1–COM4.
    std::string serialPath() const;
    // 矢量化参数 (高级 with Alt) and the arc-fitting tolerances (高级 with Ctrl).
    void vectoriserDialog();
    void arcFitDialog();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void registerCommands();
    bool tabletEvent(QTabletEvent* e);
    void scanCommand();
    void scanNumbered(int first, int last);
    void pictureCommand();
    void serialDialog();
    void tabletInfo();
    void redraw();

    MainFrame& frame_;
    Engine& engine_;
    std::unique_ptr<DigitizerMode> mode_;
};

}  // namespace rz
