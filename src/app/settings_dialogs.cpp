#include "app/settings_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "app/dialogs.h"
#include "app/help_dialog.h"
#include "app/main_frame.h"
#include "app/menu_table.h"
#include "app/view_controller.h"
#include "model/gbk.h"
#include "model/side_files.h"

namespace rz {

namespace {

QSpinBox* IntBox(QWidget* parent, int lo, int hi, int v) {
    auto* b = new QSpinBox(parent);
    b->setRange(lo, hi);
    b->setValue(std::clamp(v, lo, hi));
    return b;
}

// A length in 0.01 mm shown in millimetres.
QDoubleSpinBox* MmBox(QWidget* parent, float units, double maxMm = 10000.0, int decimals = 2) {
    auto* b = new QDoubleSpinBox(parent);
    b->setDecimals(decimals);
    b->setRange(0.0, maxMm);
    b->setValue(std::isfinite(units) ? units / 100.0 : 0.0);
    return b;
}
float Units(const QDoubleSpinBox* b) { return float(b->value() * 100.0); }

QComboBox* Combo(QWidget* parent, std::initializer_list<const char*> items, int index) {
    auto* c = new QComboBox(parent);
    for (const char* t : items) c->addItem(QString::fromUtf8(t));
    c->setCurrentIndex(std::clamp(index, 0, c->count() - 1));
    return c;
}

QCheckBox* Check(QWidget* parent, const char* text, bool on) {
    auto* c = new QCheckBox(QString::fromUtf8(text), parent);
    c->setChecked(on);
    return c;
}

void SetBit(uint32_t& word, uint32_t bit, const QCheckBox* box) {
    if (box->isChecked()) word |= bit;
    else word &= ~bit;
}

}  // namespace

// ---------------------------------------------------------------- 设定

SetupDialog::SetupDialog(QWidget* parent, const Settings& s, int recentCount) : QDialog(parent) {
    setWindowTitle(QStringLiteral("设定"));
    auto* cols = new QGridLayout;
    auto* general = new QGroupBox(QStringLiteral("常规"), this);
    auto* gf = new QFormLayout(general);
    interval = IntBox(this, 0, 86400, s.autoSaveInterval > 0 ? s.autoSaveInterval / 1000 : 10);
    autoSave = Check(this, "自动保存", s.generalFlags & kGenAutoSave);
    counter = IntBox(this, 0, 9999, s.fileCounter);
    gf->addRow(QStringLiteral("时间间隔(秒)"), interval);
    gf->addRow(QString(), autoSave);
    gf->addRow(QStringLiteral("文件记数"), counter);
    this->grid = MmBox(this, s.gridUnit, 1000.0);
    this->grid->setMinimum(0.01);
    gf->addRow(QStringLiteral("网格单位(mm)"), this->grid);
    snap = IntBox(this, 1, 16, s.snapRange);
    pick = IntBox(this, 1, 8, s.pickRange);
    gf->addRow(QStringLiteral("吸附范围"), snap);
    gf->addRow(QStringLiteral("抓点范围"), pick);
    recent = IntBox(this, 1, 16, recentCount);
    gf->addRow(QStringLiteral("最近文件"), recent);
    lengthUnit = Combo(this, {"英寸", "英尺", "毫米", "厘米", "米"}, s.lengthUnit);
    areaUnit = Combo(this, {"平方英寸", "平方英尺", "平方毫米", "平方厘米", "平方米"}, s.areaUnit);
    gf->addRow(QStringLiteral("输出单位 长度"), lengthUnit);
    gf->addRow(QStringLiteral("输出单位 面积"), areaUnit);
    safety = MmBox(this, s.safetyDistance);
    gf->addRow(QStringLiteral("安全距离(mm)"), safety);
    cols->addWidget(general, 0, 0);

    auto* design = new QGroupBox(QStringLiteral("设计"), this);
    auto* df = new QFormLayout(design);
    pinCheck = MmBox(this, s.pinDistanceCheck);
    needle = MmBox(this, s.needleDiameter);
    df->addRow(QStringLiteral("针距检测(mm)"), pinCheck);
    df->addRow(QStringLiteral("针径(mm)"), needle);
    const char* const marginNames[5] = {"扩边", "搭边", "折边", "修边", "帮脚"};
    for (int i = 0; i < 5; ++i) {
        margins[size_t(i)] = MmBox(this, s.seamAllowances[size_t(i)]);
        df->addRow(QString::fromUtf8(marginNames[i]) + QStringLiteral("(mm)"), margins[size_t(i)]);
    }
    slotDepth = MmBox(this, s.slotDepth);
    equidistance = MmBox(this, s.equidistance);
    chamfer = MmBox(this, s.chamferRadius);
    markDepth = MmBox(this, s.markDepth);
    df->addRow(QStringLiteral("槽线深度(mm)"), slotDepth);
    df->addRow(QStringLiteral("等距(mm)"), equidistance);
    df->addRow(QStringLiteral("倒角半径(mm)"), chamfer);
    df->addRow(QStringLiteral("记号深度(mm)"), markDepth);
    extraction = Combo(this, {"存入分片区", "剪齐后生成部位", "剪齐拷贝", "取线拷贝"}, s.extractionMethod[0]);
    innerLines = Combo(this, {"仅取外线", "拷贝内线"}, s.extractionMethod[1]);
    df->addRow(QStringLiteral("提取方式"), extraction);
    df->addRow(QString(), innerLines);
    cols->addWidget(design, 0, 1);

    auto* flags = new QGroupBox(QStringLiteral("选择"), this);
    auto* fl = new QVBoxLayout(flags);
    multiPick = Check(this, "多元选取", s.generalFlags & kGenMultiPick);
    coincident = Check(this, "同点移动", s.generalFlags & kGenMoveCoincident);
    keepFolder = Check(this, "缺省路径", s.generalFlags & kGenKeepDataFolder);
    slotCorner = Check(this, "槽线尖角", s.generalFlags & kGenSlotSharpCorner);
    middlePans = Check(this, "中键推移", s.generalFlags & kGenMiddlePans);
    showGrid = Check(this, "显示网格", s.displayFlags & kDispGrid);
    endMarks = Check(this, "端点指示", s.displayFlags & kDispEndMarks);
    autoFit = Check(this, "自动满屏", s.displayFlags & kDispAutoFit);
    for (QCheckBox* c : {multiPick, coincident, keepFolder, slotCorner, middlePans, showGrid, endMarks, autoFit})
        fl->addWidget(c);
    fl->addStretch(1);
    cols->addWidget(flags, 0, 2);

    auto* box = new QVBoxLayout(this);
    box->addLayout(cols);
    box->addWidget(OkCancelButtons(this));
}

void SetupDialog::store(Settings& s, int& recentCount) const {
    s.autoSaveInterval = Settings::intervalFromSeconds(interval->value());
    SetBit(s.generalFlags, kGenAutoSave, autoSave);
    s.fileCounter = counter->value();
    s.gridUnit = Units(grid);
    s.snapRange = snap->value();
    s.pickRange = pick->value();
    s.lengthUnit = lengthUnit->currentIndex();
    s.areaUnit = areaUnit->currentIndex();
    s.safetyDistance = Units(safety);
    s.pinDistanceCheck = Units(pinCheck);
    s.needleDiameter = Units(needle);
    for (size_t i = 0; i < 5; ++i) s.seamAllowances[i] = Units(margins[i]);
    s.slotDepth = Units(slotDepth);
    s.equidistance = Units(equidistance);
    s.chamferRadius = Units(chamfer);
    s.markDepth = Units(markDepth);
    s.extractionMethod = {extraction->currentIndex(), innerLines->currentIndex()};
    SetBit(s.generalFlags, kGenMultiPick, multiPick);
    SetBit(s.generalFlags, kGenMoveCoincident, coincident);
    SetBit(s.generalFlags, kGenKeepDataFolder, keepFolder);
    SetBit(s.generalFlags, kGenSlotSharpCorner, slotCorner);
    SetBit(s.generalFlags, kGenMiddlePans, middlePans);
    SetBit(s.displayFlags, kDispGrid, showGrid);
    SetBit(s.displayFlags, kDispEndMarks, endMarks);
    SetBit(s.displayFlags, kDispAutoFit, autoFit);
    recentCount = recent->value();
}

// ---------------------------------------------------------------- 选项

OptionsDialog::OptionsDialog(QWidget* parent, const Settings& s, int labelFormat) : QDialog(parent) {
    setWindowTitle(QStringLiteral("选项"));
    auto* form = new QFormLayout;
    dashLong = IntBox(this, 0, 99, s.dashLong);
    dashShort = IntBox(this, 0, 99, s.dashShort);
    form->addRow(QStringLiteral("虚线 长部"), dashLong);
    form->addRow(QStringLiteral("虚线 短部"), dashShort);
    lineWidth = IntBox(this, 0, 15, s.defaultLineWidth);
    form->addRow(QStringLiteral("缺省线宽"), lineWidth);
    origLine = Combo(this, {"实线", "虚线", "不画"}, 2 - std::clamp(s.defaultOrigLine, 0, 2));
    form->addRow(QStringLiteral("缺省原线"), origLine);
    curveMethod = Combo(this, {"平滑曲线", "控制点曲线", "插值曲线", "三点圆弧", "折线", "圆心圆弧"},
                        s.defaultCurveMethod);
    form->addRow(QStringLiteral("描点方法"), curveMethod);
    samples = IntBox(this, 0, 999, std::max(0, s.sampleCount));
    samples->setSpecialValueText(QStringLiteral("自动"));
    form->addRow(QStringLiteral("采样数"), samples);
    const int style = labelFormat & 0x7F;
    labelStyle = Combo(this, {"整数 (%d)", "小数 (.5)", "分数 (|)"}, style == 1 ? 0 : style == 2 ? 1 : 2);
    labelHash = Check(this, "加 #", labelFormat & 0x80);
    form->addRow(QStringLiteral("鞋号格式"), labelStyle);
    form->addRow(QString(), labelHash);
    lengthByBottom = Check(this, "长度按实际底长", s.generalFlags & kGenLengthByBottom);
    widthByGirth = Check(this, "宽度按围度的1/3", s.generalFlags & kGenWidthByGirth);
    form->addRow(QString(), lengthByBottom);
    form->addRow(QString(), widthByGirth);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(OkCancelButtons(this));
}

void OptionsDialog::store(Settings& s, int& labelFormat) const {
    s.dashLong = dashLong->value();
    s.dashShort = dashShort->value();
    s.defaultLineWidth = lineWidth->value();
    s.defaultOrigLine = 2 - origLine->currentIndex();
    s.defaultCurveMethod = curveMethod->currentIndex();
    s.sampleCount = samples->value();
    static const int styles[3] = {1, 2, 0};
    labelFormat = styles[labelStyle->currentIndex()] | (labelHash->isChecked() ? 0x80 : 0);
    SetBit(s.generalFlags, kGenLengthByBottom, lengthByBottom);
    SetBit(s.generalFlags, kGenWidthByGirth, widthByGirth);
}

// ---------------------------------------------------------------- 高级

AdvancedDialog::AdvancedDialog(QWidget* parent, const Settings& s) : QDialog(parent) {
    setWindowTitle(QStringLiteral("高级"));
    needleDiv_ = s.centimetreDisplay ? 1000.0 : 100.0;
    auto* scan = new QGroupBox(QStringLiteral("扫描校正"), this);
    auto* sl = new QHBoxLayout(scan);
    // The calibration is stored as factors; the dialog shows ten-thousandths.
    auto tenThousandths = [](double v) {
        return std::isfinite(v) ? int(std::lround(std::clamp(v * 10000.0, -999.0, 999.0))) : 0;
    };
    const int cal[4] = {tenThousandths(s.scan.xFactor - 1.0), tenThousandths(s.scan.yFactor - 1.0),
                        tenThousandths(s.scan.shearX), tenThousandths(s.scan.shearY)};
    for (int i = 0; i < 4; ++i) {
        calibration[size_t(i)] = IntBox(this, -999, 999, cal[i]);
        sl->addWidget(calibration[size_t(i)]);
    }
    auto* form = new QFormLayout;
    resolution = IntBox(this, 1, 9600, s.scan.resolution);
    form->addRow(QStringLiteral("分辨率"), resolution);
    scanMethod = Combo(this, {"轮廓", "单线", "双线"}, s.scan.scanMethod);
    form->addRow(QStringLiteral("扫描方式"), scanMethod);
    importUnit = Combo(this, {"毫米", "公分", "英寸"}, s.scan.reserved);
    form->addRow(QStringLiteral("导入单位"), importUnit);
    auto whole = [](float v) { return std::isfinite(v) ? int(std::lround(std::clamp(v, 0.0f, 1000.0f))) : 0; };
    smallDeviation = IntBox(this, 1, 99, whole(s.scan.smallDeviation));
    largeDeviation = IntBox(this, 1, 99, whole(s.scan.largeDeviation));
    validPin = IntBox(this, 1, 99, s.scan.validPin);
    form->addRow(QStringLiteral("较小偏差"), smallDeviation);
    form->addRow(QStringLiteral("较大偏差"), largeDeviation);
    form->addRow(QStringLiteral("有效定针"), validPin);
    maxNeedle = new QDoubleSpinBox(this);
    maxNeedle->setDecimals(1);
    maxNeedle->setRange(0.0, 100000.0 / needleDiv_);
    maxNeedle->setValue(s.scan.maxNeedle / needleDiv_);
    form->addRow(s.centimetreDisplay ? QStringLiteral("极大针径(cm)") : QStringLiteral("极大针径(mm)"), maxNeedle);
    auto* precision = new QGroupBox(QStringLiteral("曲线精度"), this);
    auto* pf = new QFormLayout(precision);
    joinDistance = MmBox(this, s.curve.joinDistance, 100.0);
    refitChord = IntBox(this, 1, 999, s.curve.refitChord);
    refitTolerance = IntBox(this, 1, 99, s.curve.refitTolerance);
    pf->addRow(QStringLiteral("近零线段(mm)"), joinDistance);
    pf->addRow(QStringLiteral("弦长(mm)"), refitChord);
    pf->addRow(QStringLiteral("误差(mm)"), refitTolerance);
    calibrateDxf = Check(this, "校正 DXF", s.generalFlags & kGenCalibrateDxf);
    auto* bb = OkCancelButtons(this);
    defaultsButton = bb->addButton(QStringLiteral("缺省"), QDialogButtonBox::ResetRole);
    connect(defaultsButton, &QPushButton::clicked, this, [this] {
        defaults((QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0);
    });
    auto* box = new QVBoxLayout(this);
    box->addWidget(scan);
    box->addLayout(form);
    box->addWidget(precision);
    box->addWidget(calibrateDxf);
    box->addWidget(bb);
}

void AdvancedDialog::defaults(bool ctrl) {
    for (QSpinBox* b : calibration) b->setValue(0);
    smallDeviation->setValue(15);
    largeDeviation->setValue(20);
    validPin->setValue(10);
    maxNeedle->setValue(200.0 / needleDiv_);
    joinDistance->setValue(ctrl ? 0.30 : 0.50);
}

void AdvancedDialog::store(Settings& s) const {
    s.scan.xFactor = 1.0f + float(calibration[0]->value()) / 10000.0f;
    s.scan.yFactor = 1.0f + float(calibration[1]->value()) / 10000.0f;
    s.scan.shearX = float(calibration[2]->value()) / 10000.0f;
    s.scan.shearY = float(calibration[3]->value()) / 10000.0f;
    s.scan.resolution = resolution->value();
    s.scan.scanMethod = scanMethod->currentIndex();
    s.scan.reserved = importUnit->currentIndex();
    s.scan.smallDeviation = float(smallDeviation->value());
    s.scan.largeDeviation = float(largeDeviation->value());
    s.scan.validPin = validPin->value();
    s.scan.maxNeedle = float(maxNeedle->value() * needleDiv_);
    s.curve.joinDistance = Units(joinDistance);
    s.curve.refitChord = refitChord->value();
    s.curve.refitTolerance = refitTolerance->value();
    SetBit(s.generalFlags, kGenCalibrateDxf, calibrateDxf);
}

// ---------------------------------------------------------------- 输出选择

namespace {
const char* const kSwitchRows[7] = {"定针", "鞋号", "记号", "图案", "字串", "槽线", "水平"};
}

std::string ClipColumnLabel(const std::string& utf8) {
    std::string out;
    size_t gbkBytes = 0;
    for (size_t i = 0; i < utf8.size();) {
        size_t n = 1;
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xF0) n = 4;
        else if (c >= 0xE0) n = 3;
        else if (c >= 0xC0) n = 2;
        const std::string ch = utf8.substr(i, n);
        const size_t w = Utf8ToGbk(ch).size();
        if (gbkBytes + w > 4) break;
        gbkBytes += w;
        out += ch;
        i += n;
    }
    return out;
}

OutputSelectionDialog::OutputSelectionDialog(QWidget* parent, const Settings& s) : QDialog(parent) {
    setWindowTitle(QStringLiteral("输出选择"));
    auto* grid = new QGridLayout;
    for (int r = 0; r < 7; ++r) grid->addWidget(new QLabel(QString::fromUtf8(kSwitchRows[r]), this), r + 1, 0);
    for (int c = 0; c < 6; ++c) {
        labels[size_t(c)] = new QLineEdit(this);
        labels[size_t(c)]->setMaximumWidth(56);
        grid->addWidget(labels[size_t(c)], 0, c + 1);
        for (int r = 0; r < 7; ++r) {
            switches[size_t(c)][size_t(r)] = new QCheckBox(this);
            grid->addWidget(switches[size_t(c)][size_t(r)], r + 1, c + 1, Qt::AlignCenter);
        }
    }
    auto* bb = OkCancelButtons(this);
    defaultsButton = bb->addButton(QStringLiteral("缺省"), QDialogButtonBox::ResetRole);
    connect(defaultsButton, &QPushButton::clicked, this, [this] { defaults(); });
    auto* box = new QVBoxLayout(this);
    box->addLayout(grid);
    box->addWidget(bb);
    fill(s.outputMatrix, s.columnLabels);
}

void OutputSelectionDialog::fill(const std::array<std::array<int32_t, 7>, 6>& m, const std::array<std::string, 6>& l) {
    for (size_t c = 0; c < 6; ++c) {
        labels[c]->setText(QString::fromStdString(l[c]));
        for (size_t r = 0; r < 7; ++r) switches[c][r]->setChecked(m[c][r] != 0);
    }
}

void OutputSelectionDialog::defaults() { fill(Settings::defaultOutputMatrix(), Settings{}.columnLabels); }

void OutputSelectionDialog::store(Settings& s) const {
    for (size_t c = 0; c < 6; ++c) {
        s.columnLabels[c] = ClipColumnLabel(labels[c]->text().toStdString());
        for (size_t r = 0; r < 7; ++r) s.outputMatrix[c][r] = switches[c][r]->isChecked() ? 1 : 0;
    }
}

// ---------------------------------------------------------------- the commands

SettingsCommands::SettingsCommands(MainFrame& frame) : QObject(&frame), frame_(frame) {
    modifiers = [] { return QGuiApplication::queryKeyboardModifiers(); };
    // The curve settings of the settings file are the ones the curves are evaluated with.
    TDoc& doc = frame_.doc();
    doc.smooth.joinDistance = doc.settings.curve.joinDistance;
    doc.smooth.refitChord = doc.settings.curve.refitChord;
    doc.smooth.refitTolerance = doc.settings.curve.refitTolerance;
    doc.smooth.arcFitTolerance = doc.settings.curve.arcFitTolerance;
    doc.smooth.straightTolerance = doc.settings.curve.straightness;

    CommandRouter& r = frame_.router();
    r.add(Pane::Application, kCmdHelp, [this](int) { help(); });
    r.add(Pane::StatusBar, kCmdSetup, [this](int) { setup(); });
    r.add(Pane::StatusBar, kCmdOptions, [this](int) { options(); });
    r.add(Pane::StatusBar, kCmdAdvanced, [this](int) { advanced(); });
    r.add(Pane::StatusBar, kCmdOutputSelection, [this](int) { outputSelection(); });
}

bool SettingsCommands::run(QDialog& dlg) {
    if (beforeExec) beforeExec(dlg);
    const bool ok = dlg.exec() == QDialog::Accepted;
    frame_.activateWindow();
    frame_.drawing()->setFocus();
    return ok;
}

void SettingsCommands::help() {
    const QString path = HelpFilePath(QString::fromStdString(frame_.configFile("")));
    HelpDialog dlg(&frame_, path.isEmpty() ? QString() : QString::fromStdString(ReadHelpText(path.toStdString())));
    dlg.pdfFolder = QString::fromStdString(frame_.settings().dataFolder);
    run(dlg);
}

void SettingsCommands::setup() {
    Settings& s = frame_.settings();
    SetupDialog dlg(&frame_, s, frame_.recent().capacity());
    if (!run(dlg)) return;
    int recent = frame_.recent().capacity();
    dlg.store(s, recent);
    if (recent != frame_.recent().capacity()) {
        frame_.recent().setCapacity(recent);
        QSettings().setValue(QStringLiteral("Settings/Number"), recent);
        frame_.rebuildRecentMenu();
    }
    frame_.restartAutoSaveTimer();
    frame_.view()->redraw();
}

void SettingsCommands::options() {
    Settings& s = frame_.settings();
    Design& d = frame_.doc().design;
    int label = d.labelFormat;
    const int origBefore = s.defaultOrigLine;
    OptionsDialog dlg(&frame_, s, label);
    if (!run(dlg)) return;
    dlg.store(s, label);
    bool changed = false;
    if (label != d.labelFormat) {
        d.labelFormat = label;
        changed = true;
    }
    // A new 原线 default applies to the lines A that are there.
    if (s.defaultOrigLine != origBefore) {
        const uint32_t bits = uint32_t(std::clamp(s.defaultOrigLine, 0, 3)) << 2;
        for (auto& p : d.parts)
            for (auto& l : p->linesA) {
                const uint32_t f = (l->flags & ~kLineOrigMask) | bits;
                changed = changed || f != l->flags;
                l->flags = f;
            }
    }
    if (changed) frame_.doc().PushUndo();
    frame_.params()->update();
    frame_.view()->redraw();
}

void SettingsCommands::advanced() {
    const Qt::KeyboardModifiers m = modifiers ? modifiers() : Qt::NoModifier;
    std::function<void()>* variant = nullptr;
    if (m & Qt::AltModifier) variant = &advancedAlt;
    else if (m & Qt::ControlModifier) variant = &advancedCtrl;
    else if (m & Qt::ShiftModifier) variant = &advancedShift;
    if (variant) {
        if (*variant) (*variant)();
        else frame_.platform().tone(kToneRefused);
        return;
    }
    Settings& s = frame_.settings();
    AdvancedDialog dlg(&frame_, s);
    if (!run(dlg)) return;
    dlg.store(s);
    TSmooth& sm = frame_.doc().smooth;
    sm.joinDistance = s.curve.joinDistance;
    sm.refitChord = s.curve.refitChord;
    sm.refitTolerance = s.curve.refitTolerance;
}

void SettingsCommands::outputSelection() {
    Settings& s = frame_.settings();
    OutputSelectionDialog dlg(&frame_, s);
    if (!run(dlg)) return;
    dlg.store(s);
}

}  // namespace rz
