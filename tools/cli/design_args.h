// Shared by the verbs of pieces, allowances and rows: addresses of lines, allowances and links
// (STRETCH = PART:LIST:INDEX[:START:END], LIST a lines A, b lines B, s seam allowances, k symmetry
// line links; fractions of the length, the whole when left out), millimetre numbers, refusals
// and writing the result.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "load.h"
#include "model/doc.h"

namespace rz::cli {

inline std::vector<std::string> SplitOn(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string item;
    std::istringstream in(s);
    while (std::getline(in, item, sep)) out.push_back(item);
    if (!s.empty() && s.back() == sep) out.push_back("");
    return out;
}

inline bool ParseDouble(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end && !*end && std::isfinite(v);
}

inline bool ParseIndex(const std::string& s, int& v) {
    double d = 0;
    if (!ParseDouble(s, d) || d < 0 || d != std::floor(d) || d > 1e9) return false;
    v = int(d);
    return true;
}

// A line, seam allowance or symmetry link of a part, and a stretch of it.
struct Address {
    Part* part = nullptr;
    int partIndex = 0;
    char list = 'b';
    int index = 0;
    KindRef source;
    float start = 0.0f, end = 1.0f;
    bool whole = true;
    Line* line() const { return (list == 'a' || list == 'b') ? source.as<Line>() : nullptr; }
    SeamAllowance* seam() const { return list == 's' ? source.as<SeamAllowance>() : nullptr; }
};

// Parses an address; `err` says what is wrong. `lists` holds the lists allowed.
inline std::optional<Address> ParseAddress(Design& d, const std::string& text, std::string& err,
                                           const std::string& lists = "absk") {
    std::vector<std::string> f = SplitOn(text, ':');
    Address a;
    if ((f.size() != 3 && f.size() != 5) || !ParseIndex(f[0], a.partIndex) || f[1].size() != 1 ||
        lists.find(f[1][0]) == std::string::npos || !ParseIndex(f[2], a.index)) {
        err = "'" + text + "' is not PART:LIST:INDEX[:START:END] with LIST one of " + lists;
        return std::nullopt;
    }
    if (size_t(a.partIndex) >= d.parts.size()) {
        err = "there is no part " + f[0];
        return std::nullopt;
    }
    a.part = d.parts[size_t(a.partIndex)].get();
    a.list = f[1][0];
    auto pick = [&](auto& list, uint32_t kind) {
        if (size_t(a.index) >= list.size()) return false;
        a.source = {list[size_t(a.index)].get(), kind};
        return true;
    };
    bool found = a.list == 'a'   ? pick(a.part->linesA, kKindLine)
                 : a.list == 'b' ? pick(a.part->linesB, kKindLine)
                 : a.list == 's' ? pick(a.part->seamAllowances, kKindSeamAllowance)
                                 : pick(a.part->symLineLinks, kKindSymLineLink);
    if (!found) {
        err = "part " + f[0] + " has no " + f[1] + " " + f[2];
        return std::nullopt;
    }
    if (f.size() == 5) {
        double s = 0, e = 0;
        if (!ParseDouble(f[3], s) || !ParseDouble(f[4], e) || s < 0 || s > 1 || e < 0 || e > 1 || s == e) {
            err = "'" + text + "': START and END are two different fractions from 0 to 1";
            return std::nullopt;
        }
        a.start = float(s), a.end = float(e), a.whole = false;
    }
    return a;
}

// A refusal: the reason on stderr, status 1, nothing written.
inline int Refusal(const char* verb, const std::string& why) {
    std::fprintf(stderr, "rozedoz-cli %s: %s\n", verb, why.c_str());
    return 1;
}

inline int Usage(const char* text) {
    std::fprintf(stderr, "usage: rozedoz-cli %s\n", text);
    return 2;
}

// Writes the edited pattern; status 0, or 1 when it cannot be written.
inline int WriteResult(const char* verb, TDoc& doc, const std::string& out) {
    FileResult w = doc.SaveAs(out);
    if (!w.ok()) return Refusal(verb, w.message.empty() ? "cannot write " + out : w.message);
    return 0;
}

}  // namespace rz::cli
