// The dialogs of the output sheets: 设备 (with its test page), 端口, 切割设置 (full and short),
// 打印校正 and 笔色. Each works on a copy; the caller takes the result on OK. Their rules live in
// output/devices.h.
#pragma once

#include <QDialog>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "output/devices.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabBar;

namespace rz {

class Job;
class Platform;

// The printer's own test page through the print spooler: a frame along the printable area
// and its size, scope and resolution.
void PrintPrinterTestPage(const PrinterInfo& info);

class DeviceDialog : public QDialog {
public:
    // `ports` says where the edited block's port leads, for the test page.
    DeviceDialog(QWidget* parent, Platform& platform, DeviceDialogModel model, const PortMap& ports, bool centimetres);
    ~DeviceDialog() override;
    const DeviceDialogModel& model() const { return m_; }
    QPushButton* testButton() const { return test_; }
    bool testRunning() const;

    void done(int r) override;

private:
    void refresh();
    void startTestPage();
    void pollTest();
    Platform& platform_;
    DeviceDialogModel m_;
    PortMap ports_;
    bool cm_;
    QComboBox* device_;
    QComboBox* printer_;
    QLineEdit* w_;
    QLineEdit* h_;
    QLineEdit* scale_;
    QCheckBox* direct_;
    QCheckBox* mirrorX_;
    QCheckBox* mirrorY_;
    QPushButton* test_;
    std::array<QSpinBox*, 5> keys_{};
    std::unique_ptr<Job> job_;
    QTimer poll_;
    bool refreshing_ = false;
};

class PortDialog : public QDialog {
public:
    PortDialog(QWidget* parent, int sheet, const SheetSettings& block, const PortMap& ports);
    SheetSettings block() const;
    PortMap ports() const;

private:
    SheetSettings block_;
    QSpinBox* port_;
    QSpinBox* extension_;
    QComboBox* finalPos_;
    QSpinBox* method_;
    QComboBox* symmetric_;
    QComboBox* corner_;
    QLineEdit* lpt1_;
    QLineEdit* lpt2_;
};

class CutSetupDialog : public QDialog {
public:
    // full: the whole block of a sheet; otherwise only the six cut bits of `bits`.
    CutSetupDialog(QWidget* parent, bool full, const SheetSettings& block, uint32_t bits);
    SheetSettings block() const { return block_; }
    uint32_t bits() const;
    // 应用: runs with the values as edited.
    std::function<void(const CutSetupDialog&)> apply;

private:
    void showMaterial(int m);
    void storeMaterial();
    SheetSettings block_;
    bool full_;
    int shown_ = -1;
    std::array<QCheckBox*, 6> cut_{};
    QComboBox* material_ = nullptr;
    QComboBox* method_ = nullptr;
    std::array<QSpinBox*, 5> pens_{};  // 笔画, 半刀, 全刀, 转角提刀, 重复
    QSpinBox* knife_ = nullptr;
    QLabel* knifeLabel_ = nullptr;
};

class PrintCorrectionDialog : public QDialog {
public:
    PrintCorrectionDialog(QWidget* parent, const SheetSettings& block);
    SheetSettings block() const;

private:
    SheetSettings block_;
    std::array<QSpinBox*, 4> fields_{};
};

class PenColourDialog : public QDialog {
public:
    PenColourDialog(QWidget* parent, const std::array<int32_t, 16>& pens);
    std::array<int32_t, 16> pens() const { return pens_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void showGroup();
    void showTab(int tab);
    std::array<int32_t, 16> pens_;
    int group_ = 0;
    QTabBar* tabs_;
    QComboBox* pen_;
    QLabel* name_;
};

}  // namespace rz
