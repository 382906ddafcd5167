// 退一步 and 进一步 on the front screen: while a line is being traced they take back traced
// points; otherwise they step through the document's undo ring.
#pragma once

#include "commands/shapes.h"

namespace rz {

// 退一步: true when something was taken back or undone (the tone says which).
bool UndoStep(Engine& e, DrawTools& tools);
// 进一步.
bool RedoStep(Engine& e, DrawTools& tools);
// Enabled states of the two menu items.
bool CanUndoStep(const Engine& e);
bool CanRedoStep(const Engine& e);

// After the design was replaced as a whole (undo, redo, load, clear): forgets every pointer
// into the old design held outside it — pick results, the step's scratch data, the outline
// being traced — and asks the window to rebuild what it derives from the design.
void DesignReplaced(Engine& e, DrawTools& tools);

}  // namespace rz
