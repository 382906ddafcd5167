#include "app/output_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QVBoxLayout>

#include "model/platform.h"
#include "output/job.h"
#include "output/job_stream.h"

namespace rz {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Q(const char* s) { return QString::fromUtf8(s); }

QSpinBox* Spin(QWidget* parent, int lo, int hi, int value) {
    auto* s = new QSpinBox(parent);
    s->setRange(lo, hi);
    s->setValue(std::clamp(SnapToGrid(value, lo, 1), lo, hi));
    return s;
}

// 确认 and 取消 under a dialog's fields.
QDialogButtonBox* OkCancel(QDialog* d) {
    auto* b = new QDialogButtonBox(d);
    b->addButton(Q("确认"), QDialogButtonBox::AcceptRole);
    b->addButton(Q("取消"), QDialogButtonBox::RejectRole);
    QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return b;
}

}  // namespace

void PrintPrinterTestPage(const PrinterInfo& info) {
    QPrinter printer(QPrinterInfo::printerInfo(Q(info.name)), QPrinter::HighResolution);
    QPainter p;
    if (!p.begin(&printer)) return;
    // A frame along the printable area in device pixels, open at the top left for the text.
    const int x1 = info.scopeX - 1, y1 = info.scopeY - 1;
    const QPoint frame[] = {{0, 0}, {x1, 0}, {x1, y1}, {0, y1}, {0, 100}};
    p.drawPolyline(frame, 5);
    const std::vector<std::string> lines = PrinterTestLines(info);
    for (size_t i = 0; i < lines.size(); ++i) p.drawText(QPoint(100, 100 * int(i + 1)), Q(lines[i]));
    p.end();
}

// ---------------------------------------------------------------- 设备

DeviceDialog::DeviceDialog(QWidget* parent, Platform& platform, DeviceDialogModel model, const PortMap& ports,
                           bool centimetres)
    : QDialog(parent), platform_(platform), m_(std::move(model)), ports_(ports), cm_(centimetres) {
    setWindowTitle(Q("设备选择"));
    device_ = new QComboBox(this);
    for (const DeviceRow& r : DeviceTable()) device_->addItem(Q(r.name));
    printer_ = new QComboBox(this);
    for (const PrinterInfo& p : m_.printers) printer_->addItem(Q(PrinterLabel(p)));
    w_ = new QLineEdit(this);
    h_ = new QLineEdit(this);
    scale_ = new QLineEdit(this);
    direct_ = new QCheckBox(Q("直接输出"), this);
    mirrorX_ = new QCheckBox(Q("X镜像"), this);
    mirrorY_ = new QCheckBox(Q("Y镜像"), this);
    test_ = new QPushButton(Q("测试页"), this);
    auto* form = new QFormLayout;
    form->addRow(Q("输出范围"), device_);
    form->addRow(Q("X"), w_);
    form->addRow(Q("Y"), h_);
    form->addRow(Q("打印机"), printer_);
    form->addRow(Q("图纸比例"), scale_);
    auto* boxes = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(direct_), static_cast<QWidget*>(mirrorX_),
                       static_cast<QWidget*>(mirrorY_), static_cast<QWidget*>(test_)})
        boxes->addWidget(w);
    form->addRow(boxes);
    auto* keyForm = new QFormLayout;
    const char* keyNames[] = {"定点键", "退点键", "顶点键", "结束键", "角点键"};
    for (int i = 0; i < 5; ++i) {
        keys_[size_t(i)] = Spin(this, 0, 4, m_.keys[size_t(i)]);
        keyForm->addRow(Q(keyNames[i]), keys_[size_t(i)]);
    }
    auto* row = new QHBoxLayout;
    row->addLayout(form);
    row->addLayout(keyForm);
    auto* box = new QVBoxLayout(this);
    box->addLayout(row);
    box->addWidget(OkCancel(this));

    scale_->setText(Q(FormatDrawingScale(m_.block.getFloat(sheetword::Scale))));
    mirrorX_->setChecked(m_.block.words[0] & kSheetMirrorX);
    mirrorY_->setChecked(m_.block.words[0] & kSheetMirrorY);
    refresh();
    connect(device_, &QComboBox::currentIndexChanged, this, [this](int r) {
        if (refreshing_) return;
        m_.chooseRow(r);
        refresh();
    });
    connect(printer_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (refreshing_) return;
        m_.choosePrinter(i);
        refresh();
    });
    connect(direct_, &QCheckBox::toggled, this, [this](bool on) {
        if (refreshing_) return;
        m_.setDirect(on);  // refused without printers: the box is ticked again
        refresh();
    });
    connect(w_, &QLineEdit::editingFinished, this, [this] {
        m_.typeWidth(w_->text().toStdString(), cm_);
        refresh();
    });
    connect(h_, &QLineEdit::editingFinished, this, [this] {
        m_.typeHeight(h_->text().toStdString(), cm_);
        refresh();
    });
    connect(scale_, &QLineEdit::editingFinished, this, [this] {
        m_.typeScale(scale_->text().toStdString());
        scale_->setText(Q(FormatDrawingScale(m_.block.getFloat(sheetword::Scale))));
    });
    connect(test_, &QPushButton::clicked, this, [this] { startTestPage(); });
    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, [this] { pollTest(); });
}

DeviceDialog::~DeviceDialog() = default;

void DeviceDialog::refresh() {
    refreshing_ = true;
    device_->setCurrentIndex(std::clamp(m_.row(), 0, kDeviceRows - 1));
    device_->setEnabled(m_.comboEnabled());
    if (!m_.printers.empty()) printer_->setCurrentIndex(m_.printer());
    direct_->setChecked(m_.direct());
    const WorkRange a = m_.area();
    w_->setText(Q(FormatSheetSize(a.w, cm_, !m_.sizesEditable())));
    h_->setText(Q(FormatSheetSize(a.h, cm_, !m_.sizesEditable())));
    w_->setReadOnly(!m_.sizesEditable());
    h_->setReadOnly(!m_.sizesEditable());
    refreshing_ = false;
}

bool DeviceDialog::testRunning() const { return job_ && !job_->finished(); }

void DeviceDialog::startTestPage() {
    if (testRunning()) return;
    if (!m_.direct()) {
        if (!m_.printers.empty()) PrintPrinterTestPage(m_.printers[size_t(m_.printer())]);
        return;
    }
    const int port = SheetInt(m_.block, sheetword::Port);
    const WorkRange a = m_.area();
    job_ = std::make_unique<Job>(ports_.targetFor(port), BuildTestPage(a.w, a.h));
    test_->setEnabled(false);
    job_->start();
    poll_.start();
}

void DeviceDialog::pollTest() {
    if (!job_ || !job_->finished()) return;
    poll_.stop();
    const JobOutcome o = job_->outcome();
    const std::string name = PortName(SheetInt(m_.block, sheetword::Port));
    job_.reset();
    test_->setEnabled(true);
    if (o == JobOutcome::OpenFailed || o == JobOutcome::WriteFailed) platform_.warn("Can't open " + name + "!");
}

void DeviceDialog::done(int r) {
    if (testRunning()) {
        // The test page is abandoned on Yes; the dialog stays open either way.
        job_->pause(true);
        const bool stop = platform_.ask("正在直接输出测试页，是否终止该线程？");
        if (stop) {
            job_->stop();
            job_->wait(1500);
        }
        if (job_) job_->pause(false);
        pollTest();
        return;
    }
    if (r == QDialog::Accepted) {
        m_.setMirror(mirrorX_->isChecked(), mirrorY_->isChecked());
        for (int i = 0; i < 5; ++i) m_.keys[size_t(i)] = keys_[size_t(i)]->value();
    }
    QDialog::done(r);
}

// ---------------------------------------------------------------- 端口

PortDialog::PortDialog(QWidget* parent, int sheet, const SheetSettings& block, const PortMap& ports)
    : QDialog(parent), block_(block) {
    setWindowTitle(Q("端口方案"));
    auto* form = new QFormLayout;
    auto* label = new QCheckBox(Q(SheetLabel(sheet)), this);
    label->setChecked(true);
    label->setEnabled(false);
    form->addRow(Q("后屏序号"), label);
    port_ = Spin(this, 1, 2, SheetInt(block, sheetword::Port));
    form->addRow(Q("并口号"), port_);
    lpt1_ = new QLineEdit(Q(ports.lpt1), this);
    lpt2_ = new QLineEdit(Q(ports.lpt2), this);
    lpt1_->setToolTip(Q("设备、FIFO、文件、tcp://主机:9100 或 cups:队列"));
    lpt2_->setToolTip(lpt1_->toolTip());
    form->addRow(Q("LPT1"), lpt1_);
    form->addRow(Q("LPT2"), lpt2_);
    extension_ = Spin(this, 0, 4, SheetInt(block, sheetword::Extension));
    form->addRow(Q("扩展号"), extension_);
    finalPos_ = new QComboBox(this);
    for (const char* n : FinalPositionNames()) finalPos_->addItem(Q(n));
    finalPos_->setCurrentIndex(std::clamp(SheetInt(block, sheetword::FinalPos), 0, 5));
    form->addRow(Q("最后停位"), finalPos_);
    method_ = Spin(this, 1, 3, SheetInt(block, sheetword::OutputMethod));
    form->addRow(Q("输出方式"), method_);
    symmetric_ = new QComboBox(this);
    corner_ = new QComboBox(this);
    for (QComboBox* c : {symmetric_, corner_}) c->addItems({Q("否"), Q("是")});
    symmetric_->setCurrentIndex(block.words[0] & kSheetSymmetric ? 1 : 0);
    corner_->setCurrentIndex(block.words[0] & kSheetCornerAtEnd ? 1 : 0);
    form->addRow(Q("对称画出"), symmetric_);
    form->addRow(Q("结束补角"), corner_);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(OkCancel(this));
}

SheetSettings PortDialog::block() const {
    SheetSettings b = block_;
    SetSheetInt(b, sheetword::Port, port_->value());
    SetSheetInt(b, sheetword::Extension, extension_->value());
    SetSheetInt(b, sheetword::FinalPos, finalPos_->currentIndex());
    SetSheetInt(b, sheetword::OutputMethod, method_->value());
    b.words[0] = (b.words[0] & ~(kSheetSymmetric | kSheetCornerAtEnd)) |
                 (symmetric_->currentIndex() ? kSheetSymmetric : 0u) | (corner_->currentIndex() ? kSheetCornerAtEnd : 0u);
    return b;
}

PortMap PortDialog::ports() const {
    PortMap m;
    if (!lpt1_->text().trimmed().isEmpty()) m.lpt1 = lpt1_->text().trimmed().toStdString();
    if (!lpt2_->text().trimmed().isEmpty()) m.lpt2 = lpt2_->text().trimmed().toStdString();
    return m;
}

// ---------------------------------------------------------------- 切割设置

CutSetupDialog::CutSetupDialog(QWidget* parent, bool full, const SheetSettings& block, uint32_t bits)
    : QDialog(parent), block_(block), full_(full) {
    setWindowTitle(Q("切割设置"));
    auto* group = new QGroupBox(Q("决定割出"), this);
    auto* g = new QGridLayout(group);
    const char* names[] = {"定针", "号标", "记号", "图案", "内线", "槽线"};
    const uint32_t shown = full ? block.words[0] : bits;
    for (int i = 0; i < 6; ++i) {
        cut_[size_t(i)] = new QCheckBox(Q(names[i]), group);
        cut_[size_t(i)]->setChecked(shown & (1u << i));
        g->addWidget(cut_[size_t(i)], i / 3, i % 3);
    }
    auto* box = new QVBoxLayout(this);
    box->addWidget(group);
    if (full) {
        auto* form = new QFormLayout;
        material_ = new QComboBox(this);
        for (const char* n : MaterialNames()) material_->addItem(Q(n));
        method_ = new QComboBox(this);
        method_->addItems({Q("双头"), Q("单头")});
        method_->setCurrentIndex(SheetInt(block, sheetword::Method) == 2 ? 1 : 0);
        form->addRow(Q("使用材质"), material_);
        form->addRow(Q("切割方式"), method_);
        const char* penNames[] = {"笔画", "半刀", "全刀", "转角提刀", "重复"};
        for (int k : {4, 2, 3, 1, 0}) {  // 重复, 全刀, 转角提刀, 半刀, 笔画
            pens_[size_t(k)] = Spin(this, 0, k == 4 ? 9 : 8, 0);
            form->addRow(Q(penNames[k]), pens_[size_t(k)]);
        }
        knife_ = Spin(this, 0, 999, SheetInt(block, sheetword::KnifeDistance));
        knifeLabel_ = new QLabel(Q("刀距"), this);
        form->addRow(knifeLabel_, knife_);
        box->addLayout(form);
        showMaterial(std::clamp(SheetInt(block, sheetword::Material), 0, 7));
        connect(material_, &QComboBox::currentIndexChanged, this, [this](int m) {
            storeMaterial();
            showMaterial(m);
        });
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Q("确认"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Q("取消"), QDialogButtonBox::RejectRole);
    QPushButton* applyButton = buttons->addButton(Q("应用"), QDialogButtonBox::ApplyRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        storeMaterial();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(applyButton, &QPushButton::clicked, this, [this] {
        storeMaterial();
        if (apply) apply(*this);
    });
    box->addWidget(buttons);
}

uint32_t CutSetupDialog::bits() const {
    uint32_t b = 0;
    for (int i = 0; i < 6; ++i)
        if (cut_[size_t(i)]->isChecked()) b |= 1u << i;
    return b;
}

void CutSetupDialog::showMaterial(int m) {
    shown_ = m;
    material_->setCurrentIndex(m);
    for (int k = 0; k < 5; ++k) pens_[size_t(k)]->setValue(int(block_.words[size_t(9 + 5 * m + k)]));
    // 刀距 only means something to tin plate (铁皮板).
    knife_->setVisible(m == 4);
    knifeLabel_->setVisible(m == 4);
}

void CutSetupDialog::storeMaterial() {
    block_.words[0] = (block_.words[0] & ~kSheetCutBits) | bits();
    if (!full_ || shown_ < 0) return;
    for (int k = 0; k < 5; ++k) block_.words[size_t(9 + 5 * shown_ + k)] = uint32_t(pens_[size_t(k)]->value());
    SetSheetInt(block_, sheetword::Material, shown_);
    SetSheetInt(block_, sheetword::Method, method_->currentIndex() == 1 ? 2 : 1);
    SetSheetInt(block_, sheetword::KnifeDistance, knife_->value());
}

// ---------------------------------------------------------------- 打印校正

PrintCorrectionDialog::PrintCorrectionDialog(QWidget* parent, const SheetSettings& block)
    : QDialog(parent), block_(block) {
    setWindowTitle(Q("打印校正"));
    const std::array<int, 4> f = CorrectionToFields(block);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Q("长度"), this), 0, 0);
    grid->addWidget(new QLabel(Q("宽度"), this), 0, 1);
    for (int i = 0; i < 4; ++i) {
        fields_[size_t(i)] = Spin(this, -199, 199, f[size_t(i)]);
        // Length: factor and offset in x; width: in y.
        grid->addWidget(fields_[size_t(i)], 1 + i / 2, i % 2);
    }
    auto* box = new QVBoxLayout(this);
    box->addLayout(grid);
    box->addWidget(OkCancel(this));
}

SheetSettings PrintCorrectionDialog::block() const {
    SheetSettings b = block_;
    CorrectionFromFields(b, {fields_[0]->value(), fields_[1]->value(), fields_[2]->value(), fields_[3]->value()});
    return b;
}

// ---------------------------------------------------------------- 笔色

PenColourDialog::PenColourDialog(QWidget* parent, const std::array<int32_t, 16>& pens)
    : QDialog(parent), pens_(pens) {
    setWindowTitle(Q("笔色定义"));
    setMinimumSize(8 * 48 + 40, 260);
    tabs_ = new QTabBar(this);
    for (int i = 0; i < 8; ++i) tabs_->addTab(QString());
    pen_ = new QComboBox(this);
    for (int p = 1; p <= 8; ++p) pen_->addItem(QString::number(p));
    name_ = new QLabel(this);
    auto* group = new QPushButton(Q("当前颜色组"), this);
    auto* box = new QVBoxLayout(this);
    box->addSpacing(2 * 23 + 24);  // the swatches are painted above
    box->addWidget(tabs_);
    auto* row = new QHBoxLayout;
    row->addWidget(name_);
    row->addWidget(new QLabel(Q("笔号"), this));
    row->addWidget(pen_);
    row->addWidget(group);
    box->addLayout(row);
    box->addWidget(OkCancel(this));
    connect(group, &QPushButton::clicked, this, [this] {
        group_ = 1 - group_;
        showGroup();
    });
    connect(tabs_, &QTabBar::currentChanged, this, [this](int t) { showTab(t); });
    connect(pen_, &QComboBox::currentIndexChanged, this, [this](int i) {
        const int colour = group_ * 8 + tabs_->currentIndex();
        if (i < 0 || colour < 0) return;
        pens_[size_t(colour)] = i + 1;
        tabs_->setTabText(tabs_->currentIndex(), QString::number(i + 1));
    });
    showGroup();
}

void PenColourDialog::showGroup() {
    for (int t = 0; t < 8; ++t) tabs_->setTabText(t, QString::number(pens_[size_t(group_ * 8 + t)]));
    showTab(tabs_->currentIndex() < 0 ? 0 : tabs_->currentIndex());
    update();
}

void PenColourDialog::showTab(int tab) {
    if (tab < 0) return;
    const int colour = group_ * 8 + tab;
    name_->setText(Q(PenPalette()[size_t(colour)].name));
    pen_->setCurrentIndex(std::clamp(int(pens_[size_t(colour)]), 1, 8) - 1);
}

void PenColourDialog::paintEvent(QPaintEvent* e) {
    QDialog::paintEvent(e);
    QPainter p(this);
    for (int i = 0; i < 16; ++i) {
        const uint32_t rgb = PenPalette()[size_t(i)].rgb;
        QRect r(12 + (i % 8) * 48, 12 + (i / 8) * 28, 49, 23);
        p.fillRect(r, QColor(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF)));
        p.setPen(i / 8 == group_ ? Qt::red : Qt::black);
        p.drawRect(r);
    }
}

}  // namespace rz
