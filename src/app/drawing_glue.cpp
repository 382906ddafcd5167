#include "app/drawing_glue.h"

#include <QCursor>
#include <QMenu>

#include "app/main_frame.h"
#include "app/view_controller.h"
#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "commands/measure.h"
#include "commands/trace.h"
#include "commands/undo_commands.h"
#include "design/design_tools.h"
#include "grading/control_tools.h"
#include "model/gbk.h"

namespace rz {

PopupMenu DrawingPopup(MainFrame& frame) {
    return [&frame](const std::string& title, const std::vector<std::string>& items, const std::vector<bool>& on) {
        QMenu menu(frame.drawing());
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
}

DrawingGlue::DrawingGlue(MainFrame& frame, Engine& engine)
    : QObject(&frame), frame_(frame), engine_(engine) {
    InstallDrawTools(engine_, tools_);
    EditServices edit;
    edit.popup = DrawingPopup(frame);
    DesignServices design;
    design.popup = edit.popup;
    design.piecesChanged = [&frame] { frame.strip()->update(); };
    design.font = &frame.view()->font();
    design.basePointAttributes = BasePointAttributeDialog;
    design.partDieNotes = [](Engine& e, Part& p) { return GroupsDialog(e, "部位共模说明", p.sharedDie); };
    InstallEditTools(engine_, std::move(edit));
    InstallMeasureTool(engine_);
    InstallDesignTools(engine_, std::move(design));
    // While an outline is dragged the pointer's input stays with the drawing window.
    engine_.hooks.confinePointer = [&frame](bool on) {
        frame.drawing()->confinePointer = on;
        if (on) frame.drawing()->grabMouse();
        else frame.drawing()->releaseMouse();
    };
    // 字串's text dialog ("请输入字串" with the text history) comes with the motif strip.

    // A loaded, cleared or undone design: nothing outside it may point into the old one, and
    // a line being traced is dropped with the design it belonged to.
    frame.designReplaced.push_back([this] {
        if (engine_.step() > 0) engine_.CancelStep();
        engine_.traced.clear();
        DesignReplaced(engine_, tools_);
    });

    CommandRouter& r = frame.router();
    r.add(
        Pane::Frame, kUndoCommand, [this](int) { UndoStep(engine_, tools_); },
        [this](int, CommandState& st) {
            st.enabled = engine_.backShown() ? bool(engine_.hooks.backUndo) : CanUndoStep(engine_);
        });
    r.add(
        Pane::Frame, kRedoCommand, [this](int) { RedoStep(engine_, tools_); },
        [this](int, CommandState& st) {
            st.enabled = engine_.backShown() ? bool(engine_.hooks.backRedo) : CanRedoStep(engine_);
        });
}

}  // namespace rz
