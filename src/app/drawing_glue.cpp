#include "app/drawing_glue.h"

#include <QCursor>
#include <QInputDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include "app/main_frame.h"
#include "app/panes.h"
#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "commands/trace.h"
#include "commands/undo_commands.h"
#include "interact/scene.h"
#include "model/gbk.h"

namespace rz {
namespace {

// The canvas of the scene builder painted with QPainter.
class PainterCanvas : public Canvas {
public:
    explicit PainterCanvas(QPainter& p) : p_(p) { apply(); }
    void setColour(uint32_t c) override {
        colour_ = colourFromSetting(c);
        apply();
    }
    void setWidth(int px) override {
        width_ = px;
        apply();
    }
    void setDash(int on, int off) override {
        on_ = on;
        off_ = off;
        apply();
    }
    void polyline(const PixelPoint* pts, std::size_t n) override {
        if (n == 0) return;
        QPolygon poly;
        poly.resize(qsizetype(n));
        for (std::size_t i = 0; i < n; ++i) poly.setPoint(int(i), pts[i].x, pts[i].y);
        if (n == 1) p_.drawPoint(poly.point(0));
        else p_.drawPolyline(poly);
    }
    void fillPolygon(const PixelPoint* pts, std::size_t n, FillStyle style) override {
        QPolygon poly;
        poly.resize(qsizetype(n));
        for (std::size_t i = 0; i < n; ++i) poly.setPoint(int(i), pts[i].x, pts[i].y);
        QPainterPath path;
        path.addPolygon(QPolygonF(poly));
        p_.fillPath(path, QBrush(colour_, style == FillStyle::Solid ? Qt::SolidPattern : Qt::BDiagPattern));
    }
    void text(PixelPoint at, std::string_view utf8, std::optional<uint32_t> background) override {
        QString s = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
        if (background) {
            QRect r = p_.fontMetrics().boundingRect(s);
            r.moveTopLeft(QPoint(at.x, at.y));
            p_.fillRect(r, colourFromSetting(*background));
        }
        p_.drawText(QPoint(at.x, at.y + p_.fontMetrics().ascent()), s);
    }

private:
    void apply() {
        QPen pen(colour_);
        pen.setWidth(width_ <= 1 ? 0 : width_);
        if (on_ > 0 && off_ > 0) pen.setDashPattern({qreal(on_), qreal(off_)});
        p_.setPen(pen);
    }
    QPainter& p_;
    QColor colour_ = Qt::white;
    int width_ = 1, on_ = 0, off_ = 0;
};

uint32_t ModsOf(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
    uint32_t f = 0;
    if (b & Qt::LeftButton) f |= kMkLeft;
    if (b & Qt::RightButton) f |= kMkRight;
    if (b & Qt::MiddleButton) f |= kMkMiddle;
    if (m & Qt::ShiftModifier) f |= kMkShift;
    if (m & Qt::ControlModifier) f |= kMkCtrl;
    if (m & Qt::AltModifier) f |= kMkAlt;
    return f;
}

PointerEvent EventOf(QMouseEvent* e) {
    PointerEvent pe;
    switch (e->button()) {
    case Qt::LeftButton: pe.button = Button::Left; break;
    case Qt::RightButton: pe.button = Button::Right; break;
    case Qt::MiddleButton: pe.button = Button::Middle; break;
    default: pe.button = Button::None; break;
    }
    pe.mods = ModsOf(e->modifiers(), e->buttons());
    QPoint p = e->position().toPoint();
    pe.px = {p.x(), p.y()};
    return pe;
}

bool IsDrawCommand(const ModeCommandInfo& c) {
    switch (c.mode) {
    case mode::Trace:
    case mode::ArcTwoPoints:
    case mode::ArcThreePoints:
    case mode::Circle:
    case mode::Ellipse:
    case mode::Rectangle:
    case mode::Triangle:
    case mode::Polygon:
    case mode::Parallelogram:
    case mode::Trapezoid:
    case mode::Strip: return true;
    default: return false;
    }
}

// The editing modes of the 图形 menu and 点操作.
bool IsEditCommand(const ModeCommandInfo& c) {
    switch (c.mode) {
    case mode::Move:
    case mode::Rotate:
    case mode::Copy:
    case mode::Delete:
    case mode::Fold:
    case mode::Close:
    case mode::Offset:
    case mode::Break:
    case mode::Trim:
    case mode::PointOp:
    case mode::ExtendOne:
    case mode::ExtendBoth:
    case mode::AutoErase:
    case mode::CutCorner:
    case mode::Scale:
    case mode::Replace:
    case mode::Parallel:
    case mode::Correct: return true;
    default: return false;
    }
}

}  // namespace

DrawingGlue::DrawingGlue(MainFrame& frame) : QObject(&frame), frame_(frame) {
    TDoc& doc = frame.doc();
    DrawingWindow* w = frame.drawing();
    const auto& cs = doc.settings.cutSetup;
    WorkRange range = FrontWorkRange(cs.workRange, cs.customWidth, cs.customHeight);
    MakeSurfaces(vs_, std::max(1, w->width()), std::max(1, w->height()), range, range, range);
    engine_ = std::make_unique<Engine>(doc, vs_);
    InstallDrawTools(*engine_, tools_);
    EditServices edit;
    edit.popup = [w](const std::string& title, const std::vector<std::string>& items, const std::vector<bool>& on) {
        QMenu menu(w);
        menu.setTitle(QString::fromStdString(title));
        std::vector<QAction*> acts;
        for (size_t i = 0; i < items.size(); ++i) {
            acts.push_back(menu.addAction(QString::fromStdString(items[i])));
            acts.back()->setEnabled(i < on.size() && on[i]);
        }
        QAction* chosen = menu.exec(QCursor::pos());
        for (size_t i = 0; i < acts.size(); ++i)
            if (acts[i] == chosen) return int(i);
        return -1;
    };
    InstallEditTools(*engine_, std::move(edit));
    Engine& e = *engine_;
    // While an outline is dragged the pointer's input stays with the drawing window.
    e.hooks.confinePointer = [w](bool on) {
        if (on) w->grabMouse();
        else w->releaseMouse();
    };
    e.hooks.redraw = [w] { w->update(); };
    e.hooks.present = [w] { w->update(); };
    e.hooks.movePointer = [w](PixelPoint p) { QCursor::setPos(w->mapToGlobal(QPoint(p.x, p.y))); };

    TraceTool& trace = *tools_.trace;
    trace.askText = [&frame](std::string& gbk) {
        bool ok = false;
        QString t = QInputDialog::getText(&frame, QStringLiteral("字串"), QStringLiteral("字串"),
                                          QLineEdit::Normal, QString(), &ok);
        if (!ok || t.isEmpty()) return false;
        gbk = Utf8ToGbk(t.toStdString());
        return true;
    };

    w->paintHook = [this](QPainter& p) { paint(p); };
    w->pressHook = [this](QMouseEvent* ev) {
        PointerEvent pe = EventOf(ev);
        if (pe.button == Button::Left) engine_->OnLeftDown(pe);
        else if (pe.button == Button::Right) engine_->OnRightDown(pe);
        else if (pe.button == Button::Middle) engine_->OnMiddleDown(pe);
        frame_.refreshCommandStates();
    };
    w->releaseHook = [this](QMouseEvent* ev) {
        PointerEvent pe = EventOf(ev);
        if (pe.button == Button::Left) engine_->OnLeftUp(pe);
        else if (pe.button == Button::Right) engine_->OnRightUp(pe);
        else if (pe.button == Button::Middle) engine_->OnMiddleUp(pe);
        frame_.refreshCommandStates();
    };
    w->moveHook = [this](QMouseEvent* ev) { engine_->OnMouseMove(EventOf(ev)); };
    w->wheelHook = [this](QWheelEvent* ev) {
        PointerEvent pe;
        QPoint p = ev->position().toPoint();
        pe.px = {p.x(), p.y()};
        pe.mods = ModsOf(ev->modifiers(), ev->buttons());
        engine_->OnWheel(ev->angleDelta().y() > 0 ? 1 : (ev->angleDelta().y() < 0 ? -1 : 0), pe);
    };
    w->endDragHook = [this] { engine_->ActivationLost(); };

    frame.keys().add([this](const KeyPress& k) {
        uint32_t mods = (k.shift ? kMkShift : 0) | (k.ctrl ? kMkCtrl : 0) | (k.alt ? kMkAlt : 0);
        // Plain Space and Enter are the menu's 隐藏显示 and 恢复 unless the mode takes them.
        bool menuKey = mods == 0 && (k.key == Qt::Key_Space || k.key == Qt::Key_Return || k.key == Qt::Key_Enter);
        bool used = false;
        if (menuKey) {
            Tool* t = engine_->backShown() ? nullptr : engine_->tool(engine_->mode());
            used = t && t->key(*engine_, {k.key, mods});
        } else {
            used = engine_->OnKeyDown({k.key, mods});
        }
        if (used) frame_.refreshCommandStates();
        return used;
    });

    // A loaded, cleared or undone design: nothing outside it may point into the old one, and
    // a line being traced is dropped with the design it belonged to.
    frame.designReplaced.push_back([this] {
        if (engine_->step() > 0) engine_->CancelStep();
        engine_->traced.clear();
        DesignReplaced(*engine_, tools_);
        frame_.drawing()->update();
    });
    registerCommands();
}

DrawingGlue::~DrawingGlue() = default;

void DrawingGlue::registerCommands() {
    CommandRouter& r = frame_.router();
    for (const ModeCommandInfo& c : ModeCommands()) {
        if (!IsDrawCommand(c) && !IsEditCommand(c)) continue;
        r.add(
            Pane::Drawing, c.command,
            [this](int id) {
                engine_->Command(id);
                frame_.drawing()->setFocus();
            },
            [this, c](int, CommandState& st) {
                st.checkable = true;
                st.checked = engine_->mode() == c.mode && (c.mode != mode::Trace || engine_->inputKind() == c.inputKind);
            });
    }
    auto front = [this] { return !(frame_.backShown && frame_.backShown()); };
    r.add(
        Pane::Frame, kUndoCommand, [this](int) { UndoStep(*engine_, tools_); },
        [this, front](int, CommandState& st) { st.enabled = front() && CanUndoStep(*engine_); });
    r.add(
        Pane::Frame, kRedoCommand, [this](int) { RedoStep(*engine_, tools_); },
        [this, front](int, CommandState& st) { st.enabled = front() && CanRedoStep(*engine_); });
}

void DrawingGlue::paint(QPainter& p) {
    DrawingWindow* w = frame_.drawing();
    if (w->width() != vs_.view.W || w->height() != vs_.view.H) ResizeSurfaces(vs_, w->width(), w->height());
    vs_.view.draw = vs_.view.fullBuffer();
    vs_.view.refreshVisible();
    p.save();
    // The scene is drawn in buffer pixels; the window shows the buffer from its margin on.
    p.translate(-vs_.view.mx, -vs_.view.my);
    PainterCanvas c(p);
    RedrawFront(frame_.doc(), vs_.view, c);
    p.restore();
    PainterCanvas overlay(p);
    engine_->overlay(overlay);
}

}  // namespace rz
