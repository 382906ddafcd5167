// The drawing window's link to the interaction engine: pointer and key input go to the tool
// modes, the design and the feedback of the mode are painted, and the tracing-in commands and
// 退一步/进一步 are routed to the engine.
#pragma once

#include <QObject>
#include <memory>

#include "commands/shapes.h"
#include "interact/engine.h"

class QPainter;

namespace rz {

class MainFrame;

class DrawingGlue : public QObject {
public:
    explicit DrawingGlue(MainFrame& frame);
    ~DrawingGlue() override;

    Engine& engine() { return *engine_; }
    ViewState& view() { return vs_; }
    DrawTools& tools() { return tools_; }

private:
    void paint(QPainter& p);
    void registerCommands();

    MainFrame& frame_;
    ViewState vs_;
    std::unique_ptr<Engine> engine_;
    DrawTools tools_;
    bool surfacesMade_ = false;
};

}  // namespace rz
