#include "app/engine_controller.h"

#include <cmath>

#include <QCursor>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/main_frame.h"
#include "app/menu_table.h"
#include "app/view_controller.h"
#include "interact/colours.h"

namespace rz {

namespace {

// "多元选取": 下一个 highlights the next candidate in turn, 确认 takes it, 取消 gives nothing.
class ChooserDialog : public PickChooser {
public:
    explicit ChooserDialog(QWidget* parent) : parent_(parent) {}
    int choose(const std::vector<PickResult>& c, const std::function<void(int)>& highlight) override {
        QDialog dlg(parent_);
        dlg.setWindowTitle(QStringLiteral("多元选取"));
        int current = 0;
        auto* label = new QLabel(&dlg);
        auto show = [&] {
            label->setText(QStringLiteral("%1 / %2").arg(current + 1).arg(int(c.size())));
            highlight(current);
        };
        auto* next = new QPushButton(QStringLiteral("下一个"), &dlg);
        auto* ok = new QPushButton(QStringLiteral("确认"), &dlg);
        auto* cancel = new QPushButton(QStringLiteral("取消"), &dlg);
        QObject::connect(next, &QPushButton::clicked, &dlg, [&] {
            current = (current + 1) % int(c.size());
            show();
        });
        QObject::connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
        QObject::connect(cancel, &QPushButton::clicked, &dlg, &QDialog::reject);
        auto* buttons = new QHBoxLayout;
        for (QPushButton* b : {next, ok, cancel}) buttons->addWidget(b);
        auto* box = new QVBoxLayout(&dlg);
        box->addWidget(label);
        box->addLayout(buttons);
        show();
        return dlg.exec() == QDialog::Accepted ? current : -1;
    }

private:
    QWidget* parent_;
};

PixelPoint ToPx(const QPointF& p) { return {int(std::floor(p.x())), int(std::floor(p.y()))}; }

constexpr int kSelectAllCommands[] = {34140, 34142, 34143, 34144, 34180};

}  // namespace

uint32_t EngineMods(Qt::KeyboardModifiers m) {
    uint32_t r = 0;
    if (m & Qt::ShiftModifier) r |= kMkShift;
    if (m & Qt::ControlModifier) r |= kMkCtrl;
    if (m & Qt::AltModifier) r |= kMkAlt;
    if (m & Qt::KeypadModifier) r |= kMkKeypad;
    return r;
}

EngineController::EngineController(MainFrame& frame, ViewController& view)
    : QObject(&frame), frame_(frame), view_(view) {
    engine_ = std::make_unique<Engine>(frame.doc(), view.state(), &view.tool());
    chooser_ = std::make_unique<ChooserDialog>(&frame);
    Engine& e = *engine_;
    e.chooser = chooser_.get();
    e.hooks.redraw = [this] { view_.redraw(); };
    e.hooks.present = [this] { view_.present(); };
    e.hooks.panPreview = [this](PixelPoint) { view_.present(); };
    e.hooks.movePointer = [this](PixelPoint p) { QCursor::setPos(frame_.drawing()->mapToGlobal(QPoint(p.x, p.y))); };
    e.hooks.selectPage = [this](int n) { view_.selectPage(n); };
    // Enter, Ctrl+Enter and Space are the menu's 恢复, 满屏 and 隐藏显示 when no mode took them.
    e.hooks.restoreView = [this] { frame_.router().dispatch(32892); };
    e.hooks.fitView = [this] { frame_.router().dispatch(34181); };
    e.hooks.toggleHidden = [this] { frame_.router().dispatch(32808); };
    e.hooks.later = [this](int ms, std::function<void()> done) {
        QTimer::singleShot(ms, frame_.drawing(), std::move(done));
    };

    DrawingWindow* w = frame.drawing();
    w->pressHook = [this](QMouseEvent* ev) { press(ev); };
    w->moveHook = [this](QMouseEvent* ev) { move(ev); };
    w->releaseHook = [this](QMouseEvent* ev) { release(ev); };
    w->wheelHook = [this](QWheelEvent* ev) {
        int dy = ev->angleDelta().y();
        if (dy != 0) engine_->OnWheel(dy > 0 ? 1 : -1, {Button::None, EngineMods(ev->modifiers()), ToPx(ev->position())});
    };
    w->endDragHook = [this] { engine_->ActivationLost(); };
    // The view presents the buffer with the engine's feedback over it; a pan shows the buffer
    // shifted.
    view_.feedback = [this](Canvas& c) { return engine_->overlay(c); };
    auto paintView = w->paintHook;
    w->paintHook = [this, paintView](QPainter& p) {
        if (auto off = engine_->panOffset()) {
            view_.buffer().panFrame(p, *off, frame_.doc().settings.colours[kColWorkBackground]);
            ++view_.state().redrawCounter;
            return;
        }
        if (paintView) paintView(p);
    };
    // Keys reach the engine first while the drawing window has the focus, and after the view's
    // keys when they come up to the frame from elsewhere.
    w->installEventFilter(this);
    frame.keys().add([this](const KeyPress& k) {
        uint32_t mods = (k.shift ? kMkShift : 0) | (k.ctrl ? kMkCtrl : 0) | (k.alt ? kMkAlt : 0);
        return engine_->OnKeyDown({k.key, mods});
    });
    // Changes made outside the engine (loads, undo, dialogs) make its boxes stale.
    frame.designReplaced.push_back([this] { engine_->designChanged(); });
    auto onRedraw = frame.platform().onRedraw;
    frame.platform().onRedraw = [this, onRedraw] {
        if (onRedraw) onRedraw();
        engine_->designChanged();
    };
    registerCommands();
    e.UpdateModeStatus();
}

EngineController::~EngineController() = default;

bool EngineController::eventFilter(QObject* watched, QEvent* e) {
    if (watched == frame_.drawing() && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (key(k)) {
            k->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, e);
}

bool EngineController::key(QKeyEvent* e) {
    return engine_->OnKeyDown({e->key(), EngineMods(e->modifiers())});
}

void EngineController::press(QMouseEvent* e) {
    PointerEvent ev{Button::None, EngineMods(e->modifiers()), ToPx(e->position())};
    switch (e->button()) {
    case Qt::LeftButton: ev.button = Button::Left, engine_->OnLeftDown(ev); break;
    case Qt::RightButton: ev.button = Button::Right, engine_->OnRightDown(ev); break;
    case Qt::MiddleButton: ev.button = Button::Middle, engine_->OnMiddleDown(ev); break;
    default: break;
    }
}

void EngineController::move(QMouseEvent* e) {
    engine_->OnMouseMove({Button::None, EngineMods(e->modifiers()), ToPx(e->position())});
}

void EngineController::release(QMouseEvent* e) {
    PointerEvent ev{Button::None, EngineMods(e->modifiers()), ToPx(e->position())};
    switch (e->button()) {
    case Qt::LeftButton: ev.button = Button::Left, engine_->OnLeftUp(ev); break;
    case Qt::RightButton: ev.button = Button::Right, engine_->OnRightUp(ev); break;
    case Qt::MiddleButton: ev.button = Button::Middle, engine_->OnMiddleUp(ev); break;
    default: break;
    }
}

void EngineController::registerCommands() {
    CommandRouter& r = frame_.router();
    auto run = [this](int id) {
        engine_->Command(id);
        frame_.refreshCommandStates();
    };
    for (const ModeCommandInfo& c : ModeCommands()) r.add(Pane::Drawing, c.command, run);
    for (const SnapToggle& t : SnapToggles())
        r.add(Pane::Drawing, t.command, run, [this](int id, CommandState& st) {
            st.checkable = true;
            st.checked = engine_->CommandChecked(id);
        });
    r.add(Pane::Drawing, kSnapOffCommand, run);
    // 换屏 and the sheet switch end any drag first, and rewrite the mode's status when the
    // screen entered has another mode.
    for (int id : {int(kCmdSwapScreens), int(kCmdSwitchSheet)})
        r.add(Pane::Drawing, id, [this](int cmd) {
            engine_->ActivationLost();
            int before = engine_->mode();
            if (cmd == kCmdSwapScreens) view_.swapScreens();
            else view_.switchSheet();
            if (engine_->mode() != before) engine_->UpdateModeStatus();
        });
    for (int id : kSelectAllCommands)
        r.add(Pane::Drawing, id, run, [this](int, CommandState& st) { st.enabled = !engine_->backShown(); });
}

}  // namespace rz
