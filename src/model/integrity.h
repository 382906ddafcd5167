// Reference integrity: the one service that takes records out of a design and keeps every
// reference sound. Commands that delete or reopen records use it instead of erasing from the
// lists themselves, so that no slot line, mark, chamfer, dimension, seam allowance, symmetry
// link or piece line is left pointing at freed memory.
#pragma once

#include <memory>
#include <vector>

#include "model/refs.h"

namespace rz {

struct RemovalReport {
    int removed = 0;  // records of the request that were found and freed
    int purged = 0;   // dependants freed because they lost a reference they cannot live without
};

// Removes every record of `gone` from whichever list of the design holds it. References to a
// removed base point move to its owner (the nearest owner that stays); every other reference
// to a removed record becomes null. Then the records that cannot live without a reference
// (seam allowances, symmetry links, slot lines, marks, chamfers, shared zones, piece members
// without their element) are purged, repeatedly. Records not found in the design are ignored.
RemovalReport RemoveRecords(Design& d, const RemovalSet& gone);

// One record.
RemovalReport RemoveRecord(Design& d, const void* record);

// The part whose lists hold `record` (any list, graded lists included); null when none does.
Part* OwnerPart(Design& d, const void* record);

}  // namespace rz
