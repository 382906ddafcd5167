// libFuzzer target for the motif library reader: any bytes read without a fault, every cell's
// references stay within its own cell, every cell gives a shape or none, and what was read
// writes and reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "model/motif_library.h"
#include "model/refs.h"

namespace {

// Flags any reference to a record that is not one of the cell's own.
struct InsideCell {
    const std::unordered_set<const void*>& own;
    bool& ok;
    template <class T>
    void operator()(T*& p) const {
        ok = ok && (!p || own.count(p) != 0);
    }
    void operator()(rz::KindRef&) const {}
};

bool RefsInsideCells(rz::MotifLibrary& lib) {
    for (rz::MotifCell& c : lib.cells) {
        std::unordered_set<const void*> own;
        for (const rz::List<rz::Line>* l : {&c.linesA, &c.linesB})
            for (auto& r : *l) own.insert(r.get());
        for (auto& r : c.pins) own.insert(r.get());
        for (auto& r : c.motifs) own.insert(r.get());
        bool ok = true;
        InsideCell visit{own, ok};
        for (rz::List<rz::Line>* l : {&c.linesA, &c.linesB})
            for (auto& r : *l) rz::VisitRecordRefs(*r, visit);
        for (auto& r : c.pins) rz::VisitRecordRefs(*r, visit);
        for (auto& r : c.motifs) rz::VisitRecordRefs(*r, visit);
        if (!ok) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    const rz::TSmooth smooth;
    rz::MotifLibrary lib;
    rz::ReadMotifLibrary(bytes, lib, smooth, nullptr);
    if (!RefsInsideCells(lib)) __builtin_trap();
    for (int i = 0; i < rz::kCellCount; ++i) (void)rz::CellShape(lib.cells[size_t(i)], i);
    const std::vector<uint8_t> once = rz::WriteMotifLibrary(lib);
    rz::MotifLibrary again;
    if (rz::ReadMotifLibrary(once, again, smooth, nullptr).damaged) __builtin_trap();
    if (rz::WriteMotifLibrary(again) != once) __builtin_trap();
    return 0;
}
