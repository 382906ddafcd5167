// Text conversion between the UTF-8 of the interface and the GBK bytes stored in files.
#pragma once

#include <string>

namespace rz {

// Unconvertible input bytes are replaced by '?'.
std::string Utf8ToGbk(const std::string& utf8);
std::string GbkToUtf8(const std::string& gbk);

}  // namespace rz
