// Shared by the exchange verbs (import, export, engrave).
#pragma once

#include <cctype>
#include <string>

namespace rz::cli {

// The extension of a path in lower case, without its dot ("" when none).
inline std::string LowerExtOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string e = path.substr(dot + 1);
    for (char& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

}  // namespace rz::cli
