// The size options shared by the sizes and grade verbs (--system S --category C --width W
// --base B --from F --to T --step 5|10 --format F), applied as the 本码参数 dialog's 确认 would.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "model/sizes.h"

namespace rz::cli {

struct SizeOptions {
    std::optional<int> system, category, width, base, from, to, step, format;
    bool any() const { return system || category || width || base || from || to || step || format; }
    bool rangeOrBase() const { return base || from || to || step; }
};

// Consumes the option at args[i] (and its value); false when args[i] is no size option. A bad
// value sets `error`.
inline bool ParseSizeOption(const std::vector<std::string>& args, size_t& i, SizeOptions& o, std::string& error) {
    struct Opt {
        const char* name;
        std::optional<int> SizeOptions::*field;
        int lo, hi;
    };
    static const Opt opts[] = {
        {"--system", &SizeOptions::system, 0, kSizeSystemCount - 1},
        {"--category", &SizeOptions::category, 0, kSizeCategoryCount - 1},
        {"--width", &SizeOptions::width, 0, 255},
        {"--base", &SizeOptions::base, 10, 995},
        {"--from", &SizeOptions::from, 10, 995},
        {"--to", &SizeOptions::to, 10, 995},
        {"--step", &SizeOptions::step, 5, 10},
        {"--format", &SizeOptions::format, 0, 255},
    };
    for (const Opt& opt : opts) {
        if (args[i] != opt.name) continue;
        if (i + 1 >= args.size()) {
            error = std::string(opt.name) + " needs a value";
            return true;
        }
        const std::string& v = args[++i];
        char* end = nullptr;
        const long n = std::strtol(v.c_str(), &end, 10);
        if (v.empty() || *end || n < opt.lo || n > opt.hi || (opt.field == &SizeOptions::step && n != 5 && n != 10)) {
            error = std::string(opt.name) + " " + v + ": out of range";
            return true;
        }
        o.*opt.field = int(n);
        return true;
    }
    return false;
}

// A system or category loads its default row first; the other options then override it, and
// the base-size parameters are computed again when the design takes them from its system.
inline void ApplySizeOptions(DesignParams& d, const SizeOptions& o) {
    if (o.system) d.sizeSystem = *o.system;
    if (o.category) d.sizeCategory = *o.category;
    if (o.system || o.category) ApplyDefaultSizeRow(d);
    if (o.width) d.widthType = *o.width;
    if (o.base) d.baseSize = *o.base;
    if (o.from) d.rangeFrom = *o.from;
    if (o.to) d.rangeTo = *o.to;
    if (o.step) {
        // The steps are per size step, as the 半号 switch of 本码参数 keeps them.
        if (*o.step != d.step && (d.step == 5 || d.step == 10)) {
            const float k = *o.step == 5 ? 0.5f : 2.0f;
            d.baseParams[2] *= k;
            d.baseParams[3] *= k;
        }
        d.step = *o.step;
    }
    if (o.format) d.labelFormat = *o.format;
    ApplyStandardParams(d);
}

}  // namespace rz::cli
