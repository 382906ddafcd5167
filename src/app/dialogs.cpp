#include "app/dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/help_dialog.h"
#include "model/gbk.h"
#include "model/side_files.h"
#include "model/xie.h"

namespace rz {

QDialogButtonBox* OkCancelButtons(QDialog* d) {
    auto* bb = new QDialogButtonBox(d);
    bb->addButton(QStringLiteral("确认"), QDialogButtonBox::AcceptRole);
    bb->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    QObject::connect(bb, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(bb, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return bb;
}

// ---------------------------------------------------------------- preview

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent) {
    setObjectName("preview");
    setMinimumSize(270, 260);
    auto* lay = new QVBoxLayout(this);
    lay->addStretch(1);
    text_ = new QLabel(this);
    text_->setWordWrap(true);
    lay->addWidget(text_);
}

void PreviewPane::clear() {
    points_.clear();
    text_->clear();
    update();
}

void PreviewPane::showFile(const QString& path) {
    clear();
    if (!path.endsWith(QStringLiteral(".xie"), Qt::CaseInsensitive)) return;
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path.toStdString(), bytes, nullptr)) return;
    XiePreview pv = ReadXiePreview(bytes);
    if (!pv.ok) return;
    for (auto& [x, y] : pv.points) points_.emplace_back(x, y);
    QString t = QString::asprintf("%d/%d/%d: ", pv.year, pv.month, pv.day) +
                QString::fromStdString(GbkToUtf8(pv.report));
    if (pv.savedWithGrading) t += QStringLiteral("->带扩缩结果！");
    text_->setText(t);
    update();
}

void PreviewPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    // Preview units: the outline fits 254 × 169; y points up.
    const int ox = 8, oy = 8 + 169;
    QPolygon run;
    auto flush = [&] {
        if (run.size() >= 2) p.drawPolyline(run);
        run.clear();
    };
    for (auto [x, y] : points_) {
        if (x == 0 && y == 0) {
            flush();
            continue;
        }
        run << QPoint(ox + x, oy - y);
    }
    flush();
}

// ---------------------------------------------------------------- open dialog

OpenDialog::OpenDialog(QWidget* parent, Settings& settings, bool front, const QString& folder)
    : QFileDialog(parent), settings_(settings) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    setWindowTitle(QStringLiteral("布兰 - BRELAN"));
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    if (front) {
        setNameFilters({QStringLiteral("鞋样文件及说明 (*.XIE *.xie *.txt *.TXT)"),
                        QStringLiteral("鞋样文件 (*.XIE *.xie)")});
        setDefaultSuffix(QStringLiteral("XIE"));
    } else {
        setNameFilters({QStringLiteral("切割文件及说明 (*.OUT *.out *.txt *.TXT)"),
                        QStringLiteral("切割文件 (*.OUT *.out)")});
        setDefaultSuffix(QStringLiteral("OUT"));
    }
    if (!folder.isEmpty()) setDirectory(folder);

    preview_ = new QCheckBox(QStringLiteral("预览"), this);
    merge_ = new QCheckBox(QStringLiteral("合入"), this);
    merge_->setVisible(front);
    pane_ = new PreviewPane(this);
    auto* strip = new QWidget(this);
    auto* sl = new QHBoxLayout(strip);
    sl->setContentsMargins(0, 0, 0, 0);
    sl->addWidget(preview_);
    sl->addWidget(merge_);
    sl->addStretch(1);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        int rows = grid->rowCount();
        int cols = grid->columnCount();
        grid->addWidget(strip, rows, 0, 1, cols);
        grid->addWidget(pane_, 0, cols, rows + 1, 1);
    }
    connect(preview_, &QCheckBox::toggled, this, [this](bool on) { setPreview(on); });
    connect(this, &QFileDialog::currentChanged, this, [this](const QString& p) {
        if (preview_->isChecked()) pane_->showFile(p);
    });
    const bool on = (settings_.displayFlags & kDispPreview) != 0;
    preview_->setChecked(on);
    pane_->setVisible(on);
}

void OpenDialog::setPreview(bool on) {
    if (on) settings_.displayFlags |= kDispPreview;
    else settings_.displayFlags &= ~kDispPreview;
    if (pane_->isVisible() == on) return;
    pane_->setVisible(on);
    // The dialog grows and shrinks by the pane's width.
    int dw = pane_->minimumWidth();
    resize(width() + (on ? dw : -dw), height());
    if (on) {
        QStringList sel = selectedFiles();
        if (!sel.isEmpty()) pane_->showFile(sel.front());
    }
}

// ---------------------------------------------------------------- work range

namespace {
const char* const kRangeNames[5] = {"A3", "A1", "A0", "A00", "自定义尺寸"};
const float kRangeSizes[4][2] = {{45720, 30480}, {91440, 60960}, {121920, 91440}, {182880, 121920}};
}  // namespace

std::pair<float, float> workRangeSize(const ShortCutSetup& b) {
    if (b.workRange >= 0 && b.workRange <= 3)
        return {kRangeSizes[b.workRange][0], kRangeSizes[b.workRange][1]};
    return {b.customWidth, b.customHeight};
}

WorkRangeDialog::WorkRangeDialog(QWidget* parent, const ShortCutSetup& block, bool centimetres)
    : QDialog(parent), block_(block), cm_(centimetres) {
    setWindowTitle(QStringLiteral("输入范围"));
    auto* form = new QFormLayout(this);
    combo_ = new QComboBox(this);
    for (const char* n : kRangeNames) combo_->addItem(QString::fromUtf8(n));
    w_ = new QLineEdit(this);
    h_ = new QLineEdit(this);
    form->addRow(QStringLiteral("输入范围"), combo_);
    form->addRow(QStringLiteral("X"), w_);
    form->addRow(QStringLiteral("Y"), h_);
    form->addRow(OkCancelButtons(this));
    int row = std::clamp(block.workRange, 0, 4);
    combo_->setCurrentIndex(row);
    showRow(row);
    connect(combo_, &QComboBox::currentIndexChanged, this, [this](int r) { showRow(r); });
}

void WorkRangeDialog::showRow(int row) {
    ShortCutSetup b = block_;
    b.workRange = row;
    auto [w, h] = workRangeSize(b);
    const double div = cm_ ? 1000.0 : 100.0;
    const char* unit = cm_ ? "厘米" : "毫米";
    w_->setText(QString::asprintf("%.1f%s", w / div, unit));
    h_->setText(QString::asprintf("%.1f%s", h / div, unit));
    w_->setReadOnly(row != 4);
    h_->setReadOnly(row != 4);
}

ShortCutSetup WorkRangeDialog::result() const {
    ShortCutSetup b = block_;
    b.workRange = combo_->currentIndex();
    if (b.workRange == 4) {
        const double mul = cm_ ? 1000.0 : 100.0;
        auto number = [](QString t) {
            t.remove(QStringLiteral("厘米")).remove(QStringLiteral("毫米"));
            bool ok = false;
            double v = t.trimmed().toDouble(&ok);
            return ok ? v : -1.0;
        };
        double w = number(w_->text()) * mul, h = number(h_->text()) * mul;
        // A range that is not positive is not applied.
        if (!(w > 0 && h > 0)) return block_;
        b.customWidth = static_cast<float>(w);
        b.customHeight = static_cast<float>(h);
    }
    return b;
}

// ---------------------------------------------------------------- text files

void showTextFile(QWidget* parent, const QString& path, const QString& caption) {
    std::string raw;
    if (!ReadFileHead(path.toStdString(), 8u << 20, raw)) return;
    HelpDialog dlg(parent, QString::fromStdString(SideFileText(raw)));
    if (!caption.isEmpty()) dlg.setWindowTitle(caption);
    dlg.exec();
}

// ---------------------------------------------------------------- text input

TextInputDialog::TextInputDialog(QWidget* parent, const std::vector<std::string>& history)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("请输入字串"));
    auto* lay = new QVBoxLayout(this);
    edit_ = new QLineEdit(this);
    lay->addWidget(edit_);
    list_ = new QListWidget(this);
    for (const std::string& h : history) list_->addItem(QString::fromStdString(h));
    list_->setVisible(false);
    lay->addWidget(list_);
    auto* bb = OkCancelButtons(this);
    choose_ = bb->addButton(QStringLiteral("字串选择"), QDialogButtonBox::ActionRole);
    choose_->setEnabled(!history.empty());
    connect(choose_, &QPushButton::clicked, this, [this] { list_->setVisible(!list_->isVisible()); });
    connect(list_, &QListWidget::currentTextChanged, this, [this](const QString& t) { edit_->setText(t); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    lay->addWidget(bb);
}

QString TextInputDialog::text() const { return edit_->text(); }

bool askTextWithHistory(QWidget* parent, const std::vector<std::string>& history, std::string& utf8) {
    TextInputDialog dlg(parent, history);
    if (dlg.exec() != QDialog::Accepted || dlg.text().isEmpty()) return false;
    utf8 = dlg.text().toStdString();
    return true;
}

}  // namespace rz
