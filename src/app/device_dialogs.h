// Dialogs of the input devices: 串口定义 (the serial tablet), 高级 (scan calibration and the
// advanced settings), 矢量化参数 (the vectoriser) and the arc-fitting tolerances.
#pragma once

#include <QDialog>
#include <array>

#include "geom/smooth.h"
#include "model/settings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

namespace rz {

// 串口定义 (CSetComm). `path` is the device chosen beyond COM1–COM4 (kept by the window's own
// settings), empty for a COM port.
class SerialDialog : public QDialog {
public:
    SerialDialog(QWidget* parent, const SerialSettings& s, bool enabled, const QString& path);
    SerialSettings settings() const;
    bool enabled() const;
    QString path() const;  // "" for COM1–COM4

    QComboBox* baud = nullptr;
    QComboBox* dataBits = nullptr;
    QComboBox* parity = nullptr;
    QComboBox* stopBits = nullptr;
    QComboBox* port = nullptr;
    QComboBox* format = nullptr;
    QComboBox* range = nullptr;
    QLineEdit* resolution = nullptr;
    QCheckBox* enable = nullptr;

    // Device files beyond COM1–COM4 the port combo offers: USB and modem adapters, and the
    // stable names of /dev/serial/by-id.
    static QStringList extraPorts();

private:
    void accept() override;
    SerialSettings s_;
};

// 矢量化参数 (高级 with Alt). 缺省 restores the defaults, with Ctrl held the second set.
class VectoriserDialog : public QDialog {
public:
    VectoriserDialog(QWidget* parent, const ScanSettings& s, float joinDistance);
    void store(ScanSettings& s, float& joinDistance) const;
    void defaults(bool second);

    QSpinBox* validPin = nullptr;
    QSpinBox* validPart = nullptr;
    QDoubleSpinBox* needle = nullptr;
    QDoubleSpinBox* maxStep = nullptr;
    QDoubleSpinBox* smallDeviation = nullptr;
    QDoubleSpinBox* largeDeviation = nullptr;
    QDoubleSpinBox* minSegment = nullptr;
    QDoubleSpinBox* minTurn = nullptr;
    QDoubleSpinBox* extremeTurn = nullptr;
    QDoubleSpinBox* joinDistance = nullptr;
};

// The arc-fitting and straightness tolerances in millimetres (高级 with Ctrl).
class ArcFitDialog : public QDialog {
public:
    ArcFitDialog(QWidget* parent, const TSmooth& smooth);
    void store(TSmooth& smooth) const;

    QDoubleSpinBox* arcFit = nullptr;
    QDoubleSpinBox* straightness = nullptr;
};

}  // namespace rz
