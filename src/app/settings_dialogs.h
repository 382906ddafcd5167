// The settings dialogs of the 其他 and 观察 menus whose fields belong to built parts: 设定 (the
// settings record), 选项 (line and size-label defaults), 高级 (scan calibration and curve
// precision; with Alt, Ctrl or Shift held the dialog another subsystem registers), 输出选择 (the
// output-selection matrix and column labels), and
// 操作指导 (F1). Each dialog edits a copy; 确认 stores it, 取消 leaves everything as it was.
#pragma once

#include <QDialog>
#include <QObject>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "model/design.h"
#include "model/settings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace rz {

class MainFrame;
class HelpDialog;

constexpr int kCmdOutputSelection = 32905;  // 输出选择
constexpr int kCmdSetup = 32906;            // 设定
constexpr int kCmdOptions = 32907;          // 选项
constexpr int kCmdAdvanced = 32908;         // 高级

// 设定: the settings record's values with their dialog units (lengths in millimetres).
class SetupDialog : public QDialog {
public:
    SetupDialog(QWidget* parent, const Settings& s, int recentCount);
    // The edited copy of the settings and the recent-file count.
    void store(Settings& s, int& recentCount) const;

    QSpinBox* interval;   // 时间间隔, seconds
    QCheckBox* autoSave;  // 自动保存
    QSpinBox* counter;    // 文件记数
    QDoubleSpinBox* grid;
    QSpinBox* snap;
    QSpinBox* pick;
    QDoubleSpinBox* safety;
    QComboBox* lengthUnit;
    QComboBox* areaUnit;
    QDoubleSpinBox* pinCheck;
    QDoubleSpinBox* needle;
    std::array<QDoubleSpinBox*, 5> margins;  // 扩边, 搭边, 折边, 修边, 帮脚
    QDoubleSpinBox* slotDepth;
    QDoubleSpinBox* equidistance;
    QDoubleSpinBox* chamfer;
    QDoubleSpinBox* markDepth;
    QComboBox* extraction;
    QComboBox* innerLines;
    QSpinBox* recent;
    QCheckBox* multiPick;
    QCheckBox* coincident;
    QCheckBox* keepFolder;
    QCheckBox* slotCorner;
    QCheckBox* middlePans;
    QCheckBox* showGrid;
    QCheckBox* endMarks;
    QCheckBox* autoFit;
};

// 选项.
class OptionsDialog : public QDialog {
public:
    OptionsDialog(QWidget* parent, const Settings& s, int labelFormat);
    void store(Settings& s, int& labelFormat) const;

    QSpinBox* dashLong;
    QSpinBox* dashShort;
    QSpinBox* lineWidth;
    QComboBox* origLine;     // 缺省原线: 实线, 虚线, 不画 (stored as 2 − the index)
    QComboBox* curveMethod;  // 描点方法
    QSpinBox* samples;       // 采样数, 0 automatic
    QComboBox* labelStyle;   // 鞋号格式
    QCheckBox* labelHash;    // "#"
    QCheckBox* lengthByBottom;
    QCheckBox* widthByGirth;
};

// 高级.
class AdvancedDialog : public QDialog {
public:
    AdvancedDialog(QWidget* parent, const Settings& s);
    void store(Settings& s) const;
    // 缺省: calibration 0, 较小偏差 15, 较大偏差 20, 有效定针 10, 极大针径 2.0 mm and the join
    // distance 50 (30 with Ctrl held).
    void defaults(bool ctrl);

    std::array<QSpinBox*, 4> calibration;  // 扫描校正 a, b, c, d
    QSpinBox* resolution;
    QComboBox* scanMethod;
    QComboBox* importUnit;  // 导入单位: 毫米, 公分, 英寸
    QSpinBox* smallDeviation;
    QSpinBox* largeDeviation;
    QSpinBox* validPin;
    QDoubleSpinBox* maxNeedle;  // mm, or cm under the centimetre setting
    QDoubleSpinBox* joinDistance;  // 近零线段, mm
    QSpinBox* refitChord;          // 曲线精度: 弦长, mm
    QSpinBox* refitTolerance;      // 曲线精度: 误差, mm
    QCheckBox* calibrateDxf;
    QPushButton* defaultsButton;

private:
    double needleDiv_;
};

// 输出选择: six column labels (four bytes each at most) over a grid of 7 × 6 switches.
class OutputSelectionDialog : public QDialog {
public:
    OutputSelectionDialog(QWidget* parent, const Settings& s);
    void store(Settings& s) const;
    // 缺省: the default switches and labels.
    void defaults();

    std::array<QLineEdit*, 6> labels;
    std::array<std::array<QCheckBox*, 7>, 6> switches;  // [column][row]
    QPushButton* defaultsButton;

private:
    void fill(const std::array<std::array<int32_t, 7>, 6>& m, const std::array<std::string, 6>& l);
};
// A column label cut to at most four GBK bytes, never inside a character.
std::string ClipColumnLabel(const std::string& utf8);

// The commands: they open the dialogs modally and apply what 确认 stored.
class SettingsCommands : public QObject {
public:
    explicit SettingsCommands(MainFrame& frame);

    // 高级 with a modifier held opens another subsystem's dialog; until that subsystem registers
    // it here, the command refuses with the 500 Hz tone.
    std::function<void()> advancedAlt;    // 矢量化参数
    std::function<void()> advancedCtrl;   // arc-fitting tolerances
    std::function<void()> advancedShift;  // 各国等差标准

    // The modifiers the 高级 command sees (the keyboard state, unless a test sets it).
    std::function<Qt::KeyboardModifiers()> modifiers;
    // Runs on the dialog just before it is shown modally (tests fill and close it from here).
    std::function<void(QDialog&)> beforeExec;

    void help();
    void setup();
    void options();
    void advanced();
    void outputSelection();

private:
    bool run(QDialog& dlg);
    MainFrame& frame_;
};

}  // namespace rz
