#include "output/sheet.h"

#include "output/job.h"

namespace rz {

const std::array<DeviceRow, kDeviceRows>& DeviceTable() {
    static const std::array<DeviceRow, kDeviceRows> rows = {{
        {"NCM-A1", 46800, 31200},   {"NCM-A2", 46800, 29200},    {"NCM-B1", 89000, 59000},
        {"NCM-B2", 92300, 61800},   {"NCM-B3", 92300, 60800},    {"NCM-C1", 122500, 77200},
        {"NCM-C2", 122500, 92000},  {"NCM-D1", 150000, 92000},   {"NCM-D2", 150000, 120000},
        {"NCM-E1", 180000, 92000},  {"NCM-E2", 180000, 120000},  {"DXY-1150A", 43180, 29700},
        {"PNC-1610", 92300, 61800}, {"1米革", 140000, 100000},   {"1码革", 140000, 91440},
        {"自定义尺寸", 0, 0},
    }};
    return rows;
}

std::string PortName(int index) {
    if (index == 1) return "LPT1";
    if (index == 2) return "LPT2";
    return "";
}

WorkRange SheetArea(const SheetSettings& s) {
    int row = SheetInt(s, sheetword::Device);
    if (row >= 0 && row < kCustomDeviceRow) return {DeviceTable()[size_t(row)].w, DeviceTable()[size_t(row)].h};
    return {s.getFloat(sheetword::CustomW), s.getFloat(sheetword::CustomH)};
}

int PenSlot(const SheetSettings& s, int tool) {
    if (tool < 1 || tool > 4) return 0;
    int m = SheetInt(s, sheetword::Material);
    if (m < 0 || m > 7) m = 0;  // a damaged block still gives a slot of the table
    return int(s.words[size_t(9 + 5 * m + tool - 1)] & 0xFu);
}

// ---- layout ring ----

void LayoutRing::reset(const SheetState& now) {
    slots_.clear();
    slots_.push_back(now);
    pos_ = 0;
}

void LayoutRing::push(const SheetState& now) {
    if (slots_.empty()) {
        reset(now);
        return;
    }
    slots_.erase(slots_.begin() + long(pos_ + 1), slots_.end());
    slots_.push_back(now);
    if (slots_.size() > kSlots) slots_.pop_front();
    pos_ = slots_.size() - 1;
}

bool LayoutRing::undo(SheetState& into) {
    if (!canUndo()) return false;
    into = slots_[--pos_];
    return true;
}

bool LayoutRing::redo(SheetState& into) {
    if (!canRedo()) return false;
    into = slots_[++pos_];
    return true;
}

// ---- sheet ----

PLTC::PLTC(SheetSettings& block) : block_(&block) { ring.reset(state()); }

PLTC::~PLTC() {
    // The worker never touches the sheet; ending it here only stops its writes.
    job.reset();
}

void PLTC::restore(const SheetState& s) {
    items = s.items;
    material = s.material;
    nextPieceId = s.nextPieceId;
    sorted = s.sorted;
    dirty = s.dirty;
}

void PLTC::clearItems() {
    items.clear();
    nextPieceId = 1;
    sorted = 0;
    dirty = 0;
}

PLTC& SheetOf(TDoc& doc, int index) {
    size_t i = index == 1 ? 1 : 0;
    if (!doc.sheets[i]) doc.sheets[i] = std::make_unique<PLTC>(doc.settings.sheets[i]);
    return static_cast<PLTC&>(*doc.sheets[i]);
}

}  // namespace rz
