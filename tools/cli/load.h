// Loading a pattern for a verb: messages on stderr in one line, exit status 1 on failure.
#pragma once

#include <cstdio>
#include <string>

#include "design/derived.h"
#include "model/doc.h"

namespace rz::cli {

// Returns false (after printing why) when the file could not be read at all.
inline bool LoadPattern(TDoc& doc, const std::string& path, FileResult& r) {
    // Pieces, allowances and rows are derived on load, as in the window.
    InstallDerivedBuilders();
    r = doc.OpenPattern(path);
    if (!r.ok()) {
        std::fprintf(stderr, "rozedoz-cli: %s\n",
                     r.message.empty() ? (path + ": cannot read").c_str() : r.message.c_str());
        return false;
    }
    if (r.truncated)
        std::fprintf(stderr, "rozedoz-cli: warning: %s is truncated; using what could be read\n",
                     path.c_str());
    return true;
}

// Writes the design as 6.5 to `path`; on failure one line on stderr (`blank` says why a blank
// design has nothing to save) and false.
inline bool SavePattern(TDoc& doc, const std::string& path, const char* verb, const char* blank) {
    FileResult w = doc.SaveAs(path);
    if (w.ok()) return true;
    std::fprintf(stderr, "rozedoz-cli %s: %s: %s\n", verb, path.c_str(),
                 w.status == FileStatus::Refused ? blank : w.message.c_str());
    return false;
}

}  // namespace rz::cli
