// The tracing-in and shape modes on the window's interaction engine, and 退一步/进一步 with
// their enabled states.
#pragma once

#include <QObject>

#include "commands/edit_tools.h"
#include "commands/shapes.h"
#include "interact/engine.h"

namespace rz {

class MainFrame;

// The drawing window's popup menus: opened at the pointer, the index chosen or -1.
PopupMenu DrawingPopup(MainFrame& frame);

class DrawingGlue : public QObject {
public:
    DrawingGlue(MainFrame& frame, Engine& engine);

    Engine& engine() { return engine_; }
    DrawTools& tools() { return tools_; }

private:
    MainFrame& frame_;
    Engine& engine_;
    DrawTools tools_;
};

}  // namespace rz
