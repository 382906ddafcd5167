#include "app/device_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "app/dialogs.h"
#include "devices/serial_port.h"

namespace rz {

namespace {

QComboBox* Combo(QWidget* parent, const QStringList& items, int current) {
    auto* c = new QComboBox(parent);
    c->addItems(items);
    c->setCurrentIndex(current >= 0 && current < items.size() ? current : 0);
    return c;
}

QSpinBox* IntBox(QWidget* parent, int lo, int hi, int v) {
    auto* b = new QSpinBox(parent);
    b->setRange(lo, hi);
    b->setValue(v);
    return b;
}

QDoubleSpinBox* RealBox(QWidget* parent, double lo, double hi, int decimals, double v) {
    auto* b = new QDoubleSpinBox(parent);
    b->setRange(lo, hi);
    b->setDecimals(decimals);
    b->setValue(v);
    return b;
}

}  // namespace

// ---------------------------------------------------------------- 串口定义

QStringList SerialDialog::extraPorts() {
    QStringList out;
    for (const char* pattern : {"ttyUSB*", "ttyACM*"})
        for (const QString& n : QDir(QStringLiteral("/dev")).entryList({QString::fromLatin1(pattern)}, QDir::System))
            out << QStringLiteral("/dev/") + n;
    QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString& n : byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        out << byId.filePath(n);
    return out;
}

SerialDialog::SerialDialog(QWidget* parent, const SerialSettings& s, bool on, const QString& path)
    : QDialog(parent), s_(s) {
    setWindowTitle(QStringLiteral("串口定义"));
    QStringList rates;
    for (int r : kBaudRates) rates << QString::number(r);
    baud = Combo(this, rates, s.baudIndex);
    dataBits = Combo(this, {"5", "6", "7", "8"}, s.dataBitsIndex);
    // In this order, so that the index is the parity code.
    parity = Combo(this, {"None", "Odd", "Even", "Mark", "Space"}, s.parity);
    stopBits = Combo(this, {"1", "1.5", "2"}, s.stopBits);
    QStringList ports = {"COM1", "COM2", "COM3", "COM4"};
    QStringList extra = extraPorts();
    if (!path.isEmpty() && !extra.contains(path)) extra.prepend(path);
    port = Combo(this, ports + extra, path.isEmpty() ? s.portIndex : 4 + int(extra.indexOf(path)));
    format = Combo(this, {QStringLiteral("长地"), QStringLiteral("WACOM")}, s.dataFormat);
    // A custom tablet size kept in the settings is shown as such, so that 确认 keeps it.
    QStringList ranges = {"A3", "A1", "A0", "A00"};
    if (s.range == 4) ranges << QStringLiteral("自定义尺寸");
    range = Combo(this, ranges, s.range >= 0 && s.range < ranges.size() ? s.range : 0);
    resolution = new QLineEdit(QString::number(s.resolution), this);
    resolution->setValidator(new QIntValidator(1, 1000000, resolution));
    enable = new QCheckBox(QStringLiteral("启用"), this);
    enable->setChecked(on);
    // Each tablet format comes with its usual resolution and size.
    connect(format, &QComboBox::activated, this, [this](int i) {
        resolution->setText(i == 1 ? QStringLiteral("1270") : QStringLiteral("1000"));
        range->setCurrentIndex(i == 1 ? 0 : 2);
    });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("波特率"), baud);
    form->addRow(QStringLiteral("数据位"), dataBits);
    form->addRow(QStringLiteral("奇偶校验"), parity);
    form->addRow(QStringLiteral("停止位"), stopBits);
    form->addRow(QStringLiteral("端口"), port);
    form->addRow(QStringLiteral("数据格式"), format);
    form->addRow(QStringLiteral("范围"), range);
    form->addRow(QStringLiteral("分辨率"), resolution);
    form->addRow(enable);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(OkCancelButtons(this));
}

void SerialDialog::accept() {
    // A resolution of zero would divide every tablet count by it.
    bool ok = false;
    int r = resolution->text().toInt(&ok);
    if (!ok || r <= 0) {
        QMessageBox::warning(this, QStringLiteral("警告"), QStringLiteral("分辨率必须大于0！"));
        resolution->setFocus();
        return;
    }
    QDialog::accept();
}

SerialSettings SerialDialog::settings() const {
    SerialSettings s = s_;
    s.baudIndex = uint8_t(baud->currentIndex());
    s.dataBitsIndex = uint8_t(dataBits->currentIndex());
    s.parity = uint8_t(parity->currentIndex());
    s.stopBits = uint8_t(stopBits->currentIndex());
    if (port->currentIndex() < 4) s.portIndex = uint8_t(port->currentIndex());
    s.dataFormat = uint8_t(format->currentIndex());
    s.range = range->currentIndex();
    s.resolution = std::max(1, resolution->text().toInt());
    return s;
}

bool SerialDialog::enabled() const { return enable->isChecked(); }

QString SerialDialog::path() const { return port->currentIndex() < 4 ? QString() : port->currentText(); }

// ---------------------------------------------------------------- 矢量化参数

VectoriserDialog::VectoriserDialog(QWidget* parent, const ScanSettings& s, float join) : QDialog(parent) {
    setWindowTitle(QStringLiteral("矢量化参数"));
    validPin = IntBox(this, 0, 100000, s.validPin);
    validPart = IntBox(this, 0, 1000000, s.validPart);
    needle = RealBox(this, 0, 100, 2, s.maxNeedle / 100.0);
    maxStep = RealBox(this, 0, 1000, 2, s.maxStep / 100.0);
    smallDeviation = RealBox(this, 0, 100, 2, s.smallDeviation / 100.0);
    largeDeviation = RealBox(this, 0, 100, 2, s.largeDeviation / 100.0);
    minSegment = RealBox(this, 0, 1000, 2, s.minSegment / 100.0);
    minTurn = RealBox(this, 0, 3.14, 2, s.minTurn);
    extremeTurn = RealBox(this, 0, 3.14, 2, s.extremeTurn);
    joinDistance = RealBox(this, 0, 100, 2, join / 100.0);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("有效定针"), validPin);
    form->addRow(QStringLiteral("有效部位"), validPart);
    form->addRow(QStringLiteral("极大针径"), needle);
    form->addRow(QStringLiteral("最大步长"), maxStep);
    form->addRow(QStringLiteral("较小偏差"), smallDeviation);
    form->addRow(QStringLiteral("较大偏差"), largeDeviation);
    form->addRow(QStringLiteral("最小线段"), minSegment);
    form->addRow(QStringLiteral("最小转角"), minTurn);
    form->addRow(QStringLiteral("极端转角"), extremeTurn);
    form->addRow(QStringLiteral("近零线段"), joinDistance);
    auto* reset = new QPushButton(QStringLiteral("缺省"), this);
    connect(reset, &QPushButton::clicked, this,
            [this] { defaults(QGuiApplication::keyboardModifiers() & Qt::ControlModifier); });
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(reset);
    box->addWidget(OkCancelButtons(this));
}

void VectoriserDialog::defaults(bool second) {
    // The table's defaults, or the second set for finer scans.
    const double first[10] = {10, 100, 2.0, 5.0, 0.15, 0.20, 1.5, 0.94, 2.2, 0.5};
    const double other[10] = {10, 100, 1.0, 5.0, 0.15, 0.20, 1.1, 1.2, 2.09, 0.3};
    const double* v = second ? other : first;
    validPin->setValue(int(v[0]));
    validPart->setValue(int(v[1]));
    needle->setValue(v[2]);
    maxStep->setValue(v[3]);
    smallDeviation->setValue(v[4]);
    largeDeviation->setValue(v[5]);
    minSegment->setValue(v[6]);
    minTurn->setValue(v[7]);
    extremeTurn->setValue(v[8]);
    joinDistance->setValue(v[9]);
}

void VectoriserDialog::store(ScanSettings& s, float& join) const {
    s.validPin = validPin->value();
    s.validPart = validPart->value();
    s.maxNeedle = float(needle->value() * 100.0);
    s.maxStep = float(maxStep->value() * 100.0);
    s.smallDeviation = float(smallDeviation->value() * 100.0);
    s.largeDeviation = float(largeDeviation->value() * 100.0);
    s.minSegment = float(minSegment->value() * 100.0);
    s.minTurn = float(minTurn->value());
    s.extremeTurn = float(extremeTurn->value());
    join = float(joinDistance->value() * 100.0);
}

// ---------------------------------------------------------------- arc fitting

ArcFitDialog::ArcFitDialog(QWidget* parent, const TSmooth& smooth) : QDialog(parent) {
    setWindowTitle(QStringLiteral("圆弧化参数"));
    arcFit = RealBox(this, 0, 100, 2, smooth.arcFitTolerance / 100.0);
    straightness = RealBox(this, 0, 100, 2, smooth.straightTolerance / 100.0);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("圆弧精度"), arcFit);
    form->addRow(QStringLiteral("直线精度"), straightness);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(OkCancelButtons(this));
}

void ArcFitDialog::store(TSmooth& smooth) const {
    smooth.arcFitTolerance = float(arcFit->value() * 100.0);
    smooth.straightTolerance = float(straightness->value() * 100.0);
}

}  // namespace rz
