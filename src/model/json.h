// The whole design as JSON, for scripts and tests: every record and field; references are
// {"category", "index"} of their target (index within the category over the whole design,
// in file order), or null.
#pragma once

#include <string>

#include "model/design.h"

namespace rz {

const char* CategoryName(Cat c);
// A text as a JSON string literal: quoted, with quotes, backslashes and control bytes escaped.
std::string JsonQuoted(const std::string& text);
std::string DesignToJson(Design& d, const List<ScanLine>* scans = nullptr,
                         const List<TPIC>* pictures = nullptr);

}  // namespace rz
