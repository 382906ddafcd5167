#include "app/drawing_glue.h"

#include <QInputDialog>

#include "app/main_frame.h"
#include "commands/draw_common.h"
#include "commands/trace.h"
#include "commands/undo_commands.h"
#include "model/gbk.h"

namespace rz {

DrawingGlue::DrawingGlue(MainFrame& frame, Engine& engine)
    : QObject(&frame), frame_(frame), engine_(engine) {
    InstallDrawTools(engine_, tools_);
    tools_.trace->askText = [&frame](std::string& gbk) {
        bool ok = false;
        QString t = QInputDialog::getText(&frame, QStringLiteral("字串"), QStringLiteral("字串"),
                                          QLineEdit::Normal, QString(), &ok);
        if (!ok || t.isEmpty()) return false;
        gbk = Utf8ToGbk(t.toStdString());
        return true;
    };

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
        [this](int, CommandState& st) { st.enabled = !engine_.backShown() && CanUndoStep(engine_); });
    r.add(
        Pane::Frame, kRedoCommand, [this](int) { RedoStep(engine_, tools_); },
        [this](int, CommandState& st) { st.enabled = !engine_.backShown() && CanRedoStep(engine_); });
}

}  // namespace rz
