// What the motif-library verbs share: reading a library file with a one-line report, plain JSON
// numbers (locale-independent) and number arguments.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "font_path.h"
#include "interact/text_strokes.h"
#include "model/motif_library.h"
#include "model/font.h"

namespace rz::cli {

// Reads a library as the window does at start-up: a file that cannot be opened gives the
// built-in library (said on stderr); a damaged one keeps its whole cells (also said).
inline LibraryLoad ReadLibraryArg(const std::string& verb, const std::string& path, MotifLibrary& lib,
                                  const TSmooth& smooth, TFont& font) {
    LibraryLoad l = LoadMotifLibrary(path, lib, smooth, FontLayout(font));
    if (!path.empty() && !l.opened)
        std::fprintf(stderr, "rozedoz-cli %s: %s cannot be read; using the built-in library\n", verb.c_str(),
                     path.c_str());
    if (l.read.damaged)
        std::fprintf(stderr, "rozedoz-cli %s: warning: %s is damaged; %d whole cells read\n", verb.c_str(),
                     path.c_str(), l.read.cellsRead);
    return l;
}

inline std::string JsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

// A whole number argument within [lo, hi]; false for anything else.
inline bool ParseInt(const std::string& s, int lo, int hi, int& out) {
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || !end || *end || v < lo || v > hi) return false;
    out = int(v);
    return true;
}

inline bool ParseDouble(const std::string& s, double& out) {
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return !s.empty() && end && !*end && std::isfinite(out);
}

}  // namespace rz::cli
