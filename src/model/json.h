// The whole design as JSON, for scripts and tests: every record and field; references are
// {"category", "index"} of their target (index within the category over the whole design,
// in file order), or null.
#pragma once

#include <string>

#include "model/design.h"
#include "model/json_writer.h"

namespace rz {

const char* CategoryName(Cat c);
std::string DesignToJson(Design& d, const List<ScanLine>* scans = nullptr,
                         const List<TPIC>* pictures = nullptr);

}  // namespace rz
