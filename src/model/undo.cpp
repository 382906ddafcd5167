#include "model/undo.h"

namespace rz {

UndoRing::UndoRing() {
    for (auto& s : slots_) s = std::make_unique<Design>();
}

void UndoRing::push(Design& d) {
    // Drop the redo branch.
    if (!empty()) {
        while (write_ != next(current_)) {
            write_ = prev(write_);
            clearSlot(write_);
        }
    }
    d.modified = 1;
    slots_[size_t(write_)]->copyFrom(d);
    current_ = write_;
    write_ = next(write_);
    if (write_ == start_) {
        // The oldest snapshot is dropped. Its records stay in the slot, which is the one the
        // next push fills: that push overwrites them in place instead of freeing the whole
        // design here and allocating it again there.
        start_ = next(start_);
    }
}

void UndoRing::reset() {
    // The slot a push fills next may still hold the records of a dropped snapshot.
    clearSlot(write_);
    while (write_ != start_) {
        write_ = prev(write_);
        clearSlot(write_);
    }
    current_ = start_;
}

bool UndoRing::undo(Design& d) {
    if (!canUndo()) return false;
    current_ = prev(current_);
    d.copyFrom(*slots_[size_t(current_)]);
    return true;
}

bool UndoRing::redo(Design& d) {
    if (!canRedo()) return false;
    current_ = next(current_);
    d.copyFrom(*slots_[size_t(current_)]);
    return true;
}

}  // namespace rz
