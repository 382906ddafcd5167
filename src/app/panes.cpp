#include "app/panes.h"

#include <algorithm>

#include <QCursor>
#include <QPainter>
#include <QPaintEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace rz {

QColor colourFromSetting(uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// ---------------------------------------------------------------- drawing window

DrawingWindow::DrawingWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("TRDG");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DrawingWindow::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), background);
    if (paintHook) paintHook(p);
}

void DrawingWindow::mousePressEvent(QMouseEvent* e) {
    setFocus();
    if (pressHook) pressHook(e);
}
void DrawingWindow::mouseMoveEvent(QMouseEvent* e) {
    if (confinePointer) {
        QPoint at = e->position().toPoint();
        QPoint in(std::clamp(at.x(), 0, std::max(0, width() - 1)), std::clamp(at.y(), 0, std::max(0, height() - 1)));
        // Where the platform cannot warp the pointer the engine still clamps the position.
        if (in != at) QCursor::setPos(mapToGlobal(in));
    }
    if (moveHook) moveHook(e);
}
void DrawingWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (releaseHook) releaseHook(e);
}
void DrawingWindow::wheelEvent(QWheelEvent* e) {
    if (wheelHook) wheelHook(e);
    else e->ignore();
}

// ---------------------------------------------------------------- parameter pane

ParamPane::ParamPane(QWidget* parent) : QWidget(parent) {
    setObjectName("TPRM");
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void ParamPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (paintHook) paintHook(p);
}

void ParamPane::mousePressEvent(QMouseEvent* e) {
    if (pressHook) pressHook(e);
}

// ---------------------------------------------------------------- command window

CommandWindow::CommandWindow(QWidget* parent, CommandRouter& router)
    : QWidget(parent), router_(router) {
    setObjectName("TMRK");
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
}

void CommandWindow::rebuild(bool backScreen, bool gradedDesign) {
    back_ = backScreen;
    graded_ = gradedDesign;
    layout_ = commandButtons(height(), backScreen, gradedDesign);
    while (buttons_.size() < layout_.size()) {
        auto* b = new QPushButton(this);
        b->setFocusPolicy(Qt::NoFocus);
        // Four characters must fit the 43-pixel buttons.
        QFont f = b->font();
        f.setPixelSize(10);
        b->setFont(f);
        b->setStyleSheet(QStringLiteral("padding: 0px;"));
        QObject::connect(b, &QPushButton::clicked, this, [this, b] {
            int id = b->property("commandId").toInt();
            router_.dispatch(id);
        });
        buttons_.push_back(b);
    }
    for (size_t i = 0; i < buttons_.size(); ++i) {
        QPushButton* b = buttons_[i];
        if (i >= layout_.size()) {
            b->hide();
            continue;
        }
        const PaneButton& pb = layout_[i];
        b->setText(QString::fromStdString(pb.text));
        b->setProperty("commandId", pb.id);
        b->setGeometry(pb.x, pb.y, kButtonWidth, kButtonHeight);
        b->show();
    }
    refreshStates();
}

void CommandWindow::refreshStates() {
    for (size_t i = 0; i < layout_.size() && i < buttons_.size(); ++i)
        buttons_[i]->setEnabled(layout_[i].enabled && router_.state(layout_[i].id).enabled);
}

void CommandWindow::resizeEvent(QResizeEvent*) { rebuild(back_, graded_); }

// ---------------------------------------------------------------- motif/piece strip

MotifStrip::MotifStrip(QWidget* parent) : QWidget(parent) {
    setObjectName("TPTN");
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MotifStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background);
    if (paintHook) {
        paintHook(p);
        return;
    }
    // Square cells the height of the strip.
    const int h = std::max(1, height());
    p.setPen(grid);
    for (int x = 0; x < width(); x += h) p.drawRect(x, 0, h - 1, h - 1);
}

void MotifStrip::wheelEvent(QWheelEvent* e) {
    int d = e->angleDelta().y();
    if (scrollHook) scrollHook(d);
    else scrolled += d;
}

void MotifStrip::mousePressEvent(QMouseEvent* e) {
    if (pressHook) pressHook(e);
}
void MotifStrip::mouseMoveEvent(QMouseEvent* e) {
    if (moveHook) moveHook(e);
}
void MotifStrip::mouseReleaseEvent(QMouseEvent* e) {
    if (releaseHook) releaseHook(e);
}
void MotifStrip::mouseDoubleClickEvent(QMouseEvent* e) {
    if (doubleClickHook) doubleClickHook(e);
}

}  // namespace rz
