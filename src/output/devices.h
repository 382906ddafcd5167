// Ports, printers and the rules of the output settings dialogs (设备, 端口, 切割设置, 打印校正,
// 笔色), as plain functions the window's dialogs call and the tests check.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/platform.h"
#include "output/sheet.h"

namespace rz {

// ---- ports ----

// Where LPT1 and LPT2 lead on this machine (any job target: a device, FIFO, file, tcp://…,
// cups:…). Kept in the [Ports] group of rozedoz.conf.
struct PortMap {
    std::string lpt1 = "/dev/usb/lp0";
    std::string lpt2 = "/dev/lp0";
    // The target of port index 1 or 2; empty for any other index.
    std::string targetFor(int port) const;
};
// ~/.config/Brelan/rozedoz.conf (or under $XDG_CONFIG_HOME).
std::string DefaultConfPath();
// The [Ports] group of that file; the defaults where it says nothing.
PortMap ReadPortMap(const std::string& confPath);

// The text after "不能打开 " for a port that failed: "LPT1 (target: reason)".
std::string PortFailureText(int port, const std::string& target, const std::string& reason);

// ---- printers ----

// The print queues the print system knows without a window (CUPS destinations, the default
// first; none when built without CUPS). Sizes are not known there and stay 0.
std::vector<PrinterInfo> SystemPrinters();
// The stored printer index, or the default printer (0) when the index is not one of today's.
int PrinterIndex(int stored, size_t count);
// "name on port", as the printer combo shows it.
std::string PrinterLabel(const PrinterInfo& p);
// The printer test page's three lines.
std::vector<std::string> PrinterTestLines(const PrinterInfo& p);

// ---- texts and numbers of the dialogs ----

// "%.1f毫米" or, with the centimetre setting, "%.1f厘米"; `withUnit` false gives "%.1f" alone.
std::string FormatSheetSize(float units, bool centimetres, bool withUnit = true);
// A typed size in the display unit; false when it is not a number.
bool ParseSheetSize(const std::string& text, bool centimetres, float& units);
// "a:b" read as b / a (a missing or zero a counts as 1, a zero b as 1; no colon means "1:b").
float ParseDrawingScale(const std::string& text);
// "%.1f:1" below 1, "1:%.1f" above, "1:1" at 1.
std::string FormatDrawingScale(float scale);
// A stored value shown on its field's grid: v − ((v − min) mod step).
int SnapToGrid(int v, int min, int step);

// Print correction: words 58–61 as the dialog's four integers (1/10000, −199…199) and back.
std::array<int, 4> CorrectionToFields(const SheetSettings& s);
void CorrectionFromFields(SheetSettings& s, const std::array<int, 4>& fields);

// Names shown by the dialogs.
const std::array<const char*, 8>& MaterialNames();      // 普通纸 … 其他板
const std::array<const char*, 6>& FinalPositionNames();  // 右下角 … 原位
const char* SheetLabel(int sheet);                       // "Ⅰ", "Ⅱ", "Ⅲ", "Ⅳ"

// ---- the device dialog (设备) ----

// The dialog's working copy and its rules; OK hands `block` back.
struct DeviceDialogModel {
    SheetSettings block;
    std::vector<PrinterInfo> printers;
    std::array<int32_t, 5> keys{};  // the digitizer keys of the short block

    int row() const { return SheetInt(block, sheetword::Device); }
    bool direct() const { return (block.words[0] & kSheetDirect) != 0; }
    bool sizesEditable() const { return direct() && row() >= kCustomDeviceRow; }
    bool comboEnabled() const { return direct(); }
    int printer() const { return PrinterIndex(SheetInt(block, sheetword::Printer), printers.size()); }
    WorkRange area() const { return SheetArea(block); }

    void chooseRow(int row);
    // False (and direct output stays on) when switching it off without any printer.
    bool setDirect(bool on);
    void choosePrinter(int index);
    void setMirror(bool x, bool y);
    // Sizes typed in the display unit.
    bool typeWidth(const std::string& text, bool centimetres);
    bool typeHeight(const std::string& text, bool centimetres);
    void typeScale(const std::string& text);
};

// What OK of the device dialog does to the sheet: whether the block is taken (a positive area)
// and whether the area changed (material records reset, view refitted).
struct DeviceAccept {
    bool taken = false;
    bool areaChanged = false;
};
DeviceAccept AcceptDeviceDialog(SheetSettings& sheetBlock, const DeviceDialogModel& m);

// ---- pen colours (笔色) ----

struct PaletteColour {
    const char* name;  // "clRed 红色"
    uint32_t rgb;      // 0xRRGGBB
};
const std::array<PaletteColour, 16>& PenPalette();

}  // namespace rz
