#include "commands/undo_commands.h"

#include "commands/trace.h"

namespace rz {

void DesignReplaced(Engine& e, DrawTools& tools) {
    e.pick = {};
    e.highlighted.reset();
    if (Tool* t = e.tool(e.mode())) t->releaseData();
    if (tools.trace) tools.trace->designReplaced(e);
    e.designChanged();
}

namespace {

bool Restore(Engine& e, DrawTools& tools, bool undo, int tone) {
    bool ok = undo ? e.doc.undo.undo(e.doc.design) : e.doc.undo.redo(e.doc.design);
    if (!ok) {
        e.tone(kToneRefused);
        return false;
    }
    DesignReplaced(e, tools);
    // The parameter table and the motif/piece area are rebuilt by the window here.
    if (e.doc.onDesignReplaced) e.doc.onDesignReplaced();
    e.redraw();
    e.tone(tone);
    return true;
}

}  // namespace

bool UndoStep(Engine& e, DrawTools& tools) {
    size_t n = e.traced.size();
    if (n > 1) {
        e.traced.pop_back();
        e.tone(kToneBack);
        e.present();
        return true;
    }
    if (n == 0 && e.backShown() && e.step() == 0 && e.capture() == Engine::CaptureKind::None && e.hooks.backUndo)
        return e.hooks.backUndo();
    // A live drag holds records of the design the step would replace.
    if (n == 1 || e.backShown() || e.step() != 0 || e.capture() != Engine::CaptureKind::None || !e.doc.undo.canUndo()) {
        e.tone(kToneRefused);
        return false;
    }
    return Restore(e, tools, true, kToneBack);
}

bool RedoStep(Engine& e, DrawTools& tools) {
    if (!e.traced.empty()) return false;
    if (e.backShown() && e.step() == 0 && e.capture() == Engine::CaptureKind::None && e.hooks.backRedo)
        return e.hooks.backRedo();
    if (e.backShown() || e.step() != 0 || e.capture() != Engine::CaptureKind::None || !e.doc.undo.canRedo()) {
        e.tone(kToneRefused);
        return false;
    }
    return Restore(e, tools, false, kToneAccepted);
}

bool CanUndoStep(const Engine& e) { return !e.traced.empty() || e.doc.undo.canUndo(); }
bool CanRedoStep(const Engine& e) { return e.doc.undo.canRedo(); }

}  // namespace rz
