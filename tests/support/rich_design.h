// A design holding every record kind and every kind of reference, for round-trip,
// truncation and copy tests.
#pragma once

#include "model/design.h"

namespace rz::test {

void BuildRichDesign(Design& d);

}  // namespace rz::test
