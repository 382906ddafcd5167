// The drawing window's input: mouse and keys become event values for the interaction engine,
// the mode commands, snap switches and 全选 reach it through the router, and its feedback (rubber
// bands, the snap marker, dragged outlines, pan frames) is the view's feedback.
#pragma once

#include <QObject>
#include <memory>

#include "interact/engine.h"

class QMouseEvent;
class QKeyEvent;
class QPainter;

namespace rz {

class MainFrame;
class ViewController;

// Button and modifier bits of a Qt event, as the engine wants them.
uint32_t EngineMods(Qt::KeyboardModifiers m);

class EngineController : public QObject {
public:
    EngineController(MainFrame& frame, ViewController& view);
    ~EngineController() override;

    Engine& engine() { return *engine_; }
    // The 多元选取 dialog used by picks.
    PickChooser& chooser() { return *chooser_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void press(QMouseEvent* e);
    void move(QMouseEvent* e);
    void release(QMouseEvent* e);
    bool key(QKeyEvent* e);
    void registerCommands();

    MainFrame& frame_;
    ViewController& view_;
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<PickChooser> chooser_;
};

}  // namespace rz
