// Addresses of the grading controls' elements, numbered as `json` numbers them (line:I pin:I
// motif:I base:I over the whole design, graded copies included; part:P piece:Q; zone:P/K and
// fixed:P/K for the K-th shared zone or fixed distance of part P).
#pragma once

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/design.h"
#include "model/refs.h"

namespace rz::cli {

class DesignAddresses {
public:
    explicit DesignAddresses(Design& d) : d_(d) {
        for (size_t pi = 0; pi < d.parts.size(); ++pi) partIndex_[d.parts[pi].get()] = int(pi);
        ForEachMappedRecord(d, true, [&](Cat c, void* r) {
            index_[size_t(c)].emplace(r, int(records_[size_t(c)].size()));
            records_[size_t(c)].push_back(r);
        });
    }

    // "line:3", or "" for a record that has no address (null, or not in the design).
    std::string name(Cat c, const void* p) const {
        if (!p) return {};
        auto it = index_[size_t(c)].find(p);
        if (it == index_[size_t(c)].end()) return {};
        static const char* prefix[kCatCount] = {"line",  "pin",  "motif", "base",  "row",
                                                "seam",  "link", "slot",  "elink", "pieceline"};
        return std::string(prefix[size_t(c)]) + ":" + std::to_string(it->second);
    }
    std::string name(const KindRef& r) const {
        switch (r.kind) {
            case kKindPin: return name(Cat::Pins, r.ptr);
            case kKindMotif: return name(Cat::Motifs, r.ptr);
            case kKindBasePoint: return name(Cat::BasePoints, r.ptr);
            case kKindSlotLine: return name(Cat::SlotLines, r.ptr);
            case kKindSeamAllowance: return name(Cat::SeamAllowances, r.ptr);
            default: return name(Cat::Lines, r.ptr);
        }
    }
    int partIndex(const Part* p) const {
        auto it = partIndex_.find(p);
        return it == partIndex_.end() ? -1 : it->second;
    }

    // The element an address names: kind 20 line, 1 pin, 4 motif, 7 base point; null when the
    // address is malformed or names nothing.
    KindRef element(const std::string& a) const {
        const size_t colon = a.find(':');
        if (colon == std::string::npos) return {};
        const std::string what = a.substr(0, colon);
        const int i = number(a.substr(colon + 1));
        auto at = [&](Cat c, uint32_t kind) -> KindRef {
            const auto& v = records_[size_t(c)];
            return i >= 0 && size_t(i) < v.size() ? KindRef{v[size_t(i)], kind} : KindRef{};
        };
        if (what == "line") return at(Cat::Lines, kKindLine);
        if (what == "pin") return at(Cat::Pins, kKindPin);
        if (what == "motif") return at(Cat::Motifs, kKindMotif);
        if (what == "base") return at(Cat::BasePoints, kKindBasePoint);
        if (what == "slot") return at(Cat::SlotLines, kKindSlotLine);
        if (what == "seam") return at(Cat::SeamAllowances, kKindSeamAllowance);
        return {};
    }
    // "part:P"; −1 when it names no part.
    int part(const std::string& a) const {
        if (a.rfind("part:", 0) != 0) return -1;
        const int i = number(a.substr(5));
        return i >= 0 && size_t(i) < d_.parts.size() ? i : -1;
    }
    // "piece:Q"; −1 when it names no piece.
    int piece(const std::string& a) const {
        if (a.rfind("piece:", 0) != 0) return -1;
        const int i = number(a.substr(6));
        return i >= 0 && size_t(i) < d_.pieces.size() ? i : -1;
    }
    // "zone:P/K" or "fixed:P/K" (prefix given): the part and list index, or {−1, −1}.
    std::pair<int, int> control(const std::string& a, const std::string& prefix) const {
        if (a.rfind(prefix + ":", 0) != 0) return {-1, -1};
        const std::string rest = a.substr(prefix.size() + 1);
        const size_t slash = rest.find('/');
        if (slash == std::string::npos) return {-1, -1};
        const int p = number(rest.substr(0, slash)), k = number(rest.substr(slash + 1));
        if (p < 0 || size_t(p) >= d_.parts.size() || k < 0) return {-1, -1};
        const Part& part = *d_.parts[size_t(p)];
        const size_t count = prefix == "zone" ? part.sharedZones.size() : part.fixedDistances.size();
        return size_t(k) < count ? std::pair{p, k} : std::pair{-1, -1};
    }

private:
    static int number(const std::string& s) {
        if (s.empty() || s.size() > 9) return -1;
        for (char c : s)
            if (c < '0' || c > '9') return -1;
        return std::stoi(s);
    }

    Design& d_;
    std::unordered_map<const Part*, int> partIndex_;
    std::array<std::unordered_map<const void*, int>, kCatCount> index_;
    std::array<std::vector<void*>, kCatCount> records_;
};

}  // namespace rz::cli
