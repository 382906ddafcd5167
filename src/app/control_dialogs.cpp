#include "app/control_dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "model/platform.h"

namespace rz {

namespace {

// The grid both dialogs share: columns 40 pixels apart, rows of sixteen 45 pixels apart, the
// size value above each size's field.
constexpr int kLeft = 25, kTop = 12, kColumn = 40, kRow = 45;
constexpr int kFieldWidth = 36, kFieldHeight = 22;

QPoint CellAt(int i) { return {kLeft + kColumn * (i % kSizeColumns), kTop + kRow * (i / kSizeColumns)}; }

// "%3d", the base size highlighted.
QLabel* SizeValueLabel(QWidget* parent, int i, int value, bool base) {
    auto* label = new QLabel(QString::asprintf("%3d", value), parent);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(QRect(CellAt(i), QSize(kFieldWidth, 16)));
    if (base) {
        label->setAutoFillBackground(true);
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, Qt::cyan);
        label->setPalette(pal);
    }
    return label;
}

QRect FieldRect(int i) { return {CellAt(i) + QPoint(0, 18), QSize(kFieldWidth, kFieldHeight)}; }

QPushButton* Button(QWidget* parent, const QString& text, int x, int y) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    b->setGeometry(x, y, 72, 26);
    return b;
}

// 确认 (创建 while the array is absent) and 取消 at the bottom right.
QPushButton* ConfirmAndCancel(QDialog* dlg, const std::string& confirmText) {
    const int y = dlg->height() - 40;
    QPushButton* confirm = Button(dlg, QString::fromStdString(confirmText), dlg->width() - 2 * 80 - 10, y);
    confirm->setDefault(true);
    QPushButton* cancel = Button(dlg, QStringLiteral("取消"), dlg->width() - 80 - 10, y);
    QObject::connect(confirm, &QPushButton::clicked, dlg, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dlg, &QDialog::reject);
    return confirm;
}

}  // namespace

// ---------------------------------------------------------------- 定距参数

FixedStepsDialog::FixedStepsDialog(QWidget* parent, FixedStepsModel& model) : QDialog(parent), m_(model) {
    setWindowTitle(QStringLiteral("定距参数"));
    setFixedSize(m_.width(), m_.height());
    for (int i = 0; i < m_.n; ++i) {
        labels_.push_back(SizeValueLabel(this, i, m_.sizes[size_t(i)], i == m_.baseIndex));
        auto* e = new QLineEdit(this);
        e->setGeometry(FieldRect(i));
        e->setMaxLength(6);
        e->setAlignment(Qt::AlignCenter);
        e->setReadOnly(!m_.editable(i));
        e->setEnabled(m_.editable(i));
        edits_.push_back(e);
        connect(e, &QLineEdit::textEdited, this, [this, i](const QString& t) {
            m_.texts[size_t(i)] = t.toStdString();
            QFont f = edits_[size_t(i)]->font();
            f.setBold(m_.bold(i));
            edits_[size_t(i)]->setFont(f);
        });
    }
    const int y = height() - 40;
    clear_ = Button(this, QStringLiteral("清空"), 10, y);
    delete_ = Button(this, QStringLiteral("删除"), 90, y);
    connect(clear_, &QPushButton::clicked, this, [this] {
        m_.clear();
        refresh();
    });
    connect(delete_, &QPushButton::clicked, this, [this] {
        m_.pressDelete();
        accept();
    });
    confirm_ = ConfirmAndCancel(this, m_.confirmText());
    refresh();
}

void FixedStepsDialog::refresh() {
    for (int i = 0; i < m_.n; ++i) {
        QLineEdit* e = edits_[size_t(i)];
        e->setText(QString::fromStdString(m_.texts[size_t(i)]));
        QFont f = e->font();
        f.setBold(m_.bold(i));
        e->setFont(f);
    }
}

// ---------------------------------------------------------------- 共用说明 / 共模说明

GroupCell::GroupCell(QWidget* parent, SizeGroupsModel& model, int index, Platform& platform)
    : QWidget(parent), m_(model), i_(index), platform_(platform) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GroupCell::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, palette().base());
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(palette().color(QPalette::Text));
    p.drawText(r, Qt::AlignCenter, QString::number(m_.group(i_)));
    if (m_.marked(i_)) {
        const int c = SizeGroupsModel::kCorner;
        p.fillRect(QRect(r.right() + 1 - c, r.top(), c, c), palette().color(QPalette::Text));
    }
}

void GroupCell::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) return;
    const QPoint at = e->position().toPoint();
    const int tone = m_.click(i_, at.x(), at.y(), width(), height(), e->button() == Qt::RightButton);
    if (tone) platform_.tone(tone);
    // A mark moves the marks of every run: every cell is redrawn.
    if (parentWidget())
        for (GroupCell* c : parentWidget()->findChildren<GroupCell*>()) c->update();
}

SizeGroupsDialog::SizeGroupsDialog(QWidget* parent, SizeGroupsModel& m, Platform& platform) : QDialog(parent) {
    setWindowTitle(QString::fromStdString(m.title));
    setFixedSize(m.width(), m.height());
    for (int i = 0; i < m.n; ++i) {
        labels_.push_back(SizeValueLabel(this, i, m.sizes[size_t(i)], i == m.baseIndex));
        auto* c = new GroupCell(this, m, i, platform);
        c->setGeometry(FieldRect(i));
        cells_.push_back(c);
    }
    if (!m.basePointText().empty()) {
        auto* index = new QLabel(QString::fromStdString(m.basePointText()), this);
        index->setGeometry(10, height() - 36, 120, 20);
    }
    confirm_ = ConfirmAndCancel(this, m.confirmText());
}

}  // namespace rz
