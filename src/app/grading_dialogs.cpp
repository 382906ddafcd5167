#include "app/grading_dialogs.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include "model/gbk.h"
#include "model/platform.h"

namespace rz {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QSpinBox* Spin(QWidget* parent, int lo, int hi) {
    auto* s = new QSpinBox(parent);
    s->setRange(lo, hi);
    return s;
}

void Buttons(QDialog* dlg, QBoxLayout* into, QPushButton*& confirm, const QString& confirmText,
             QPushButton* extra = nullptr) {
    auto* row = new QHBoxLayout;
    if (extra) row->addWidget(extra);
    row->addStretch(1);
    confirm = new QPushButton(confirmText, dlg);
    confirm->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), dlg);
    QObject::connect(confirm, &QPushButton::clicked, dlg, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dlg, &QDialog::reject);
    row->addWidget(confirm);
    row->addWidget(cancel);
    into->addLayout(row);
}

}  // namespace

// ---------------------------------------------------------------- 本码参数

CardDialog::CardDialog(QWidget* parent, const Design& d, Platform& platform)
    : QDialog(parent), m_(d), platform_(platform) {
    setWindowTitle(QStringLiteral("本码参数"));
    auto* grid = new QGridLayout;
    const char* paramLabels[4] = {"楦底样", "楦跖围", "长码差", "宽码差"};
    for (int i = 0; i < 4; ++i) {
        params_[size_t(i)] = new QLineEdit(this);
        params_[size_t(i)]->setMaxLength(i < 2 ? 6 : 4);
        params_[size_t(i)]->setFixedWidth(70);
        connect(params_[size_t(i)], &QLineEdit::textEdited, this, [this] { readParams(); });
    }
    lengthAdj_ = Spin(this, -99, 99);
    girthAdj_ = Spin(this, -99, 99);
    grid->addWidget(new QLabel(QString::fromUtf8(paramLabels[0]), this), 0, 0);
    grid->addWidget(params_[0], 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("+"), this), 0, 2);
    grid->addWidget(lengthAdj_, 0, 3);
    grid->addWidget(new QLabel(QString::fromUtf8(paramLabels[1]), this), 1, 0);
    grid->addWidget(params_[1], 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("+"), this), 1, 2);
    grid->addWidget(girthAdj_, 1, 3);
    grid->addWidget(new QLabel(QString::fromUtf8(paramLabels[2]), this), 2, 0);
    grid->addWidget(params_[2], 2, 1);
    grid->addWidget(new QLabel(QString::fromUtf8(paramLabels[3]), this), 3, 0);
    grid->addWidget(params_[3], 3, 1);

    system_ = new QComboBox(this);
    for (int s = 0; s < kChoosableSystems; ++s) system_->addItem(Q(SizeSystemLongName(s)), s);
    if (m_.system < 0 || m_.system >= kChoosableSystems) system_->addItem(Q(SizeSystemLongName(m_.system)), m_.system);
    category_ = new QComboBox(this);
    for (int c = kSizeCategoryCount - 1; c >= 0; --c) category_->addItem(Q(SizeCategoryName(c)), c);
    width_ = new QComboBox(this);
    for (int w : WidthTypes()) width_->addItem(Q(WidthTypeName(w)), w);
    base_ = Spin(this, 10, 995);
    from_ = Spin(this, 10, 995);
    to_ = Spin(this, 10, 995);
    half_ = new QCheckBox(QStringLiteral("半号"), this);
    autoSave_ = Spin(this, 0, 9999);
    report_ = new QLineEdit(this);
    saveGrading_ = new QCheckBox(QStringLiteral("扩缩保存"), this);
    savePictures_ = new QCheckBox(QStringLiteral("图片保存"), this);
    grid->addWidget(new QLabel(QStringLiteral("鞋号"), this), 0, 4);
    grid->addWidget(system_, 0, 5, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("鞋类"), this), 1, 4);
    grid->addWidget(category_, 1, 5, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("基本码"), this), 2, 4);
    grid->addWidget(base_, 2, 5);
    grid->addWidget(new QLabel(QStringLiteral("鞋型"), this), 2, 6);
    grid->addWidget(width_, 2, 7);
    grid->addWidget(new QLabel(QStringLiteral("扩缩范围"), this), 3, 4);
    grid->addWidget(from_, 3, 5);
    grid->addWidget(new QLabel(QStringLiteral("-"), this), 3, 6);
    grid->addWidget(to_, 3, 7);
    grid->addWidget(half_, 4, 5);
    grid->addWidget(new QLabel(QStringLiteral("自动存"), this), 4, 6);
    grid->addWidget(autoSave_, 4, 7);
    grid->addWidget(new QLabel(QStringLiteral("报告"), this), 5, 0);
    grid->addWidget(report_, 5, 1, 1, 7);
    // The shrink ratio is shown but bound to nothing.
    auto* shrinkX = new QLineEdit(QStringLiteral("1000"), this);
    auto* shrinkY = new QLineEdit(QStringLiteral("1000"), this);
    shrinkX->setEnabled(false);
    shrinkY->setEnabled(false);
    grid->addWidget(new QLabel(QStringLiteral("缩水版比例 X向"), this), 6, 0);
    grid->addWidget(shrinkX, 6, 1);
    grid->addWidget(new QLabel(QStringLiteral("Y向"), this), 6, 2);
    grid->addWidget(shrinkY, 6, 3);
    grid->addWidget(saveGrading_, 6, 5);
    grid->addWidget(savePictures_, 6, 7);

    auto* box = new QVBoxLayout(this);
    box->addLayout(grid);
    QPushButton* confirm = nullptr;
    Buttons(this, box, confirm, QStringLiteral("确认"));
    confirm->setEnabled(!m_.locked());

    connect(system_, &QComboBox::activated, this, [this](int i) {
        m_.chooseSystem(system_->itemData(i).toInt());
        refresh();
    });
    connect(category_, &QComboBox::activated, this, [this](int i) {
        m_.chooseCategory(category_->itemData(i).toInt());
        refresh();
    });
    connect(width_, &QComboBox::activated, this, [this](int i) {
        m_.setWidthType(width_->itemData(i).toInt());
        refresh();
    });
    auto spin = [this](QSpinBox* s, void (CardModel::*set)(int)) {
        connect(s, &QSpinBox::valueChanged, this, [this, set](int v) {
            if (refreshing_) return;
            (m_.*set)(v);
            refresh();
        });
    };
    spin(base_, &CardModel::setBase);
    spin(from_, &CardModel::setFrom);
    spin(to_, &CardModel::setTo);
    connect(half_, &QCheckBox::toggled, this, [this](bool on) {
        if (refreshing_) return;
        m_.setHalf(on);
        refresh();
    });
    connect(lengthAdj_, &QSpinBox::valueChanged, this, [this](int v) { m_.lengthAdj = v; });
    connect(girthAdj_, &QSpinBox::valueChanged, this, [this](int v) { m_.girthAdj = v; });
    connect(autoSave_, &QSpinBox::valueChanged, this, [this](int v) { m_.autoSave = v; });
    connect(report_, &QLineEdit::textEdited, this, [this](const QString& t) { m_.report = Utf8ToGbk(t.toStdString()); });
    connect(saveGrading_, &QCheckBox::toggled, this, [this](bool on) { m_.saveGrading = on; });
    connect(savePictures_, &QCheckBox::toggled, this, [this](bool on) { m_.savePictures = on; });
    auto* f8 = new QShortcut(QKeySequence(Qt::Key_F8), this);
    connect(f8, &QShortcut::activated, this, [this] { pressF8(); });
    refresh();
}

void CardDialog::pressF8() {
    platform_.tone(m_.pressF8());
    refresh();
}

void CardDialog::readParams() {
    for (size_t i = 0; i < 4; ++i) m_.params[i].text = params_[i]->text().toStdString();
}

void CardDialog::refresh() {
    refreshing_ = true;
    for (size_t i = 0; i < 4; ++i) {
        params_[i]->setText(Q(m_.params[i].text));
        params_[i]->setReadOnly(m_.paramsReadOnly());
        params_[i]->setEnabled(!m_.locked() && !(i >= 2 && m_.stepsLocked()));
    }
    lengthAdj_->setValue(m_.lengthAdj);
    girthAdj_->setValue(m_.girthAdj);
    system_->setCurrentIndex(system_->findData(m_.system));
    category_->setCurrentIndex(category_->findData(m_.category));
    const int wi = width_->findData(m_.widthType);
    if (wi < 0) width_->addItem(QString::number(m_.widthType), m_.widthType);
    width_->setCurrentIndex(width_->findData(m_.widthType));
    for (QSpinBox* s : {base_, from_, to_}) s->setSingleStep(m_.step());
    base_->setValue(m_.base);
    from_->setValue(m_.from);
    to_->setValue(m_.to);
    half_->setChecked(m_.half);
    autoSave_->setValue(m_.autoSave);
    report_->setText(Q(GbkToUtf8(m_.report)));
    saveGrading_->setChecked(m_.saveGrading);
    savePictures_->setChecked(m_.savePictures);
    const bool all = !m_.locked();
    for (QWidget* w : std::initializer_list<QWidget*>{lengthAdj_, girthAdj_, width_, autoSave_, report_, saveGrading_,
                                                      savePictures_})
        w->setEnabled(all);
    for (QWidget* w : std::initializer_list<QWidget*>{system_, category_, half_}) w->setEnabled(!m_.systemLocked());
    for (QWidget* w : std::initializer_list<QWidget*>{base_, from_, to_}) w->setEnabled(!m_.rangeLocked());
    refreshing_ = false;
}

// ---------------------------------------------------------------- 选号输出's size choice

SizeChoiceDialog::SizeChoiceDialog(QWidget* parent, const Design& d) : QDialog(parent), m_(d) {
    setWindowTitle(QStringLiteral("选号输出"));
    auto* box = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(2);
    for (int i = 0; i < m_.n; ++i) {
        const int r = i / SizeChoiceModel::kColumns, c = i % SizeChoiceModel::kColumns;
        auto* b = new QPushButton(Q(m_.label(i)), this);
        b->setAutoDefault(false);
        b->setFixedWidth(44);
        if (i == m_.baseIndex) {
            QFont f = b->font();
            f.setBold(true);
            b->setFont(f);
        }
        auto* mark = new QLabel(Q(m_.mark(i)), this);
        mark->setAlignment(Qt::AlignCenter);
        grid->addWidget(b, r * 2, c);
        grid->addWidget(mark, r * 2 + 1, c);
        buttons_.push_back(b);
        marks_.push_back(mark);
        connect(b, &QPushButton::clicked, this, [this, i] {
            m_.toggle(i);
            marks_[size_t(i)]->setText(Q(m_.mark(i)));
        });
    }
    box->addLayout(grid);
    QPushButton* confirm = nullptr;
    Buttons(this, box, confirm, QStringLiteral("确认"));
    // Centred above the window's point (200, 30), kept inside the window.
    adjustSize();
    if (parent) {
        const QRect w = parent->geometry();
        int x = w.x() + 200 - width() / 2, y = w.y() + 30;
        x = std::clamp(x, w.x(), std::max(w.x(), w.right() - width()));
        y = std::clamp(y, w.y(), std::max(w.y(), w.bottom() - height()));
        move(x, y);
    }
}

// ---------------------------------------------------------------- 目标参数

TargetDialog::TargetDialog(QWidget* parent, const Design& d, const BasePoint* basePoint)
    : QDialog(parent), m_(d, basePoint) {
    setWindowTitle(QStringLiteral("目标参数"));
    auto* box = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(2);
    const int rows = std::max(1, (m_.n + 9) / 10);
    for (int r = 0; r < rows; ++r) {
        grid->addWidget(new QLabel(QStringLiteral("长码差"), this), r * 3 + 1, 0);
        grid->addWidget(new QLabel(QStringLiteral("宽码差"), this), r * 3 + 2, 0);
    }
    for (int i = 0; i < m_.n; ++i) {
        const int r = i / 10, c = i % 10 + 1;
        auto* label = new QLabel(QString::asprintf("%3d", m_.sizes[size_t(i)]), this);
        label->setAlignment(Qt::AlignCenter);
        if (i == m_.baseIndex) {
            label->setAutoFillBackground(true);
            QPalette pal = label->palette();
            pal.setColor(QPalette::Window, Qt::cyan);
            label->setPalette(pal);
        }
        grid->addWidget(label, r * 3, c);
        for (int row = 0; row < 2; ++row) {
            auto* e = new QLineEdit(this);
            e->setMaxLength(6);
            e->setFixedWidth(40);
            e->setEnabled(m_.editable(i));
            grid->addWidget(e, r * 3 + 1 + row, c);
            (row == 0 ? length_ : girth_).push_back(e);
            connect(e, &QLineEdit::textEdited, this, [this, i, row](const QString& t) {
                ShownValue& v = row == 0 ? m_.length[size_t(i)] : m_.girth[size_t(i)];
                v.text = t.toStdString();
                setBold(row == 0 ? length_[size_t(i)] : girth_[size_t(i)], m_.bold(i, row == 1));
            });
        }
    }
    box->addLayout(grid);
    box->addWidget(new QLabel(QString::asprintf("楦底样 %5.1f    楦跖围 %5.1f", double(m_.lastLength), double(m_.ballGirth)), this));
    auto* restore = new QPushButton(QStringLiteral("恢复"), this);
    restore->setEnabled(!m_.locked());
    connect(restore, &QPushButton::clicked, this, [this] {
        m_.restore();
        refresh();
    });
    Buttons(this, box, confirm_, Q(m_.confirmText()), restore);
    confirm_->setEnabled(!m_.locked());
    resize(m_.width(), m_.height());
    refresh();
}

void TargetDialog::setBold(QLineEdit* e, bool bold) {
    // "宋体", bold, 14 pixels: the serif CJK face.
    QFont f(QStringLiteral("Noto Serif CJK SC"));
    f.setPixelSize(14);
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    e->setFont(f);
}

void TargetDialog::refresh() {
    for (int i = 0; i < m_.n; ++i) {
        length_[size_t(i)]->setText(Q(m_.length[size_t(i)].text));
        girth_[size_t(i)]->setText(Q(m_.girth[size_t(i)].text));
        setBold(length_[size_t(i)], m_.bold(i, false));
        setBold(girth_[size_t(i)], m_.bold(i, true));
    }
}

// ---------------------------------------------------------------- 各国等差标准

StepStandardDialog::StepStandardDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("各国等差标准"));
    auto* box = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("长码差"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("宽码差"), this), 0, 2);
    for (int s = 0; s < 5; ++s) {
        grid->addWidget(new QLabel(Q(SizeSystemName(s)), this), s + 1, 0);
        for (int k = 0; k < 2; ++k) {
            auto* e = new QLineEdit(this);
            e->setFixedWidth(70);
            const size_t f = size_t(2 * s + k);
            edits_[f] = e;
            connect(e, &QLineEdit::textEdited, this, [this, f](const QString& t) { m_.fields[f].text = t.toStdString(); });
            grid->addWidget(e, s + 1, k + 1);
        }
    }
    box->addLayout(grid);
    auto* restore = new QPushButton(QStringLiteral("恢复"), this);
    connect(restore, &QPushButton::clicked, this, [this] {
        m_.restore();
        refresh();
    });
    QPushButton* confirm = nullptr;
    Buttons(this, box, confirm, QStringLiteral("确认"), restore);
    refresh();
}

void StepStandardDialog::refresh() {
    for (size_t i = 0; i < edits_.size(); ++i) edits_[i]->setText(Q(m_.fields[i].text));
}

// ---------------------------------------------------------------- 全清方案

ClearSchemeDialog::ClearSchemeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("全清方案"));
    auto* box = new QVBoxLayout(this);
    const char* names[6] = {"目标参数", "共模说明", "共用说明", "共用指定", "定距说明", "定距指定"};
    for (size_t i = 0; i < 6; ++i) {
        boxes_[i] = new QCheckBox(QString::fromUtf8(names[i]), this);
        box->addWidget(boxes_[i]);
    }
    QPushButton* confirm = nullptr;
    Buttons(this, box, confirm, QStringLiteral("确认"));
}

ClearCategories ClearSchemeDialog::choice() const {
    ClearCategories c;
    c.targets = boxes_[0]->isChecked();
    c.sharedDie = boxes_[1]->isChecked();
    c.sharedNotes = boxes_[2]->isChecked();
    c.sharedZones = boxes_[3]->isChecked();
    c.fixedNotes = boxes_[4]->isChecked();
    c.fixedDistances = boxes_[5]->isChecked();
    return c;
}

}  // namespace rz
