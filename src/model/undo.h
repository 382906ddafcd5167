// The undo ring: whole-design snapshots in 32 slots linked in a circle. Once the ring is full
// the slot after the newest snapshot keeps the records of the dropped oldest one for reuse;
// it holds no snapshot.
#pragma once

#include <array>
#include <memory>

#include "model/design.h"

namespace rz {

class UndoRing {
public:
    static constexpr int kSlots = 32;
    UndoRing();

    // Stores a snapshot of `d` after a committed change (sets d.modified to 1 first).
    void push(Design& d);
    // Empties the ring.
    void reset();
    bool empty() const { return start_ == write_; }
    bool canUndo() const { return current_ != start_ && !empty(); }
    bool canRedo() const { return !empty() && next(current_) != write_ && current_ != write_; }
    // Copies the previous / next snapshot into `d`; false when there is none.
    bool undo(Design& d);
    bool redo(Design& d);
    // The snapshot equal to the design as it stands (for setting its modified flag after a load).
    Design* currentSnapshot() { return empty() ? nullptr : slots_[size_t(current_)].get(); }
    int stored() const { return (write_ - start_ + kSlots) % kSlots; }

private:
    static int next(int i) { return (i + 1) % kSlots; }
    static int prev(int i) { return (i + kSlots - 1) % kSlots; }
    void clearSlot(int i) { slots_[size_t(i)]->clear(); }

    std::array<std::unique_ptr<Design>, kSlots> slots_;
    int start_ = 0, current_ = 0, write_ = 0;
};

}  // namespace rz
