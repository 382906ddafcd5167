// The rules of the output settings dialogs and the port map.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "output/devices.h"

namespace rz {
namespace {

PrinterInfo Printer(const char* name, int w, int h) {
    PrinterInfo p;
    p.name = name;
    p.port = "usb";
    p.sizeX = w, p.sizeY = h;
    p.scopeX = w * 10, p.scopeY = h * 10;
    p.resX = p.resY = 254;
    return p;
}

TEST(DeviceDialog, DirectOutputRowsPrintersAndAccept) {
    DeviceDialogModel m;
    EXPECT_TRUE(m.direct());
    EXPECT_EQ(m.row(), 3);
    EXPECT_FALSE(m.sizesEditable());
    EXPECT_FALSE(m.typeWidth("500", false));  // not for a table row
    // Without printers direct output stays on.
    EXPECT_FALSE(m.setDirect(false));
    EXPECT_TRUE(m.direct());
    m.printers = {Printer("A4", 210, 297), Printer("A3", 297, 420)};
    SetSheetInt(m.block, sheetword::Printer, 7);  // stored for a printer that is gone
    EXPECT_EQ(m.printer(), 0);
    ASSERT_TRUE(m.setDirect(false));
    EXPECT_EQ(m.row(), kCustomDeviceRow);
    EXPECT_EQ(m.area(), (WorkRange{21000, 29700}));
    m.choosePrinter(1);
    EXPECT_EQ(m.area(), (WorkRange{29700, 42000}));
    // Back on: the row stays 15 until another is chosen; then the sizes can be typed.
    m.setDirect(true);
    EXPECT_EQ(m.row(), kCustomDeviceRow);
    EXPECT_TRUE(m.typeWidth("50.5", true));  // centimetres
    EXPECT_TRUE(m.typeHeight("300", false));
    EXPECT_FALSE(m.typeHeight("3o0", false));
    EXPECT_EQ(m.area(), (WorkRange{50500, 30000}));
    m.chooseRow(12);
    EXPECT_EQ(m.area(), (WorkRange{92300, 61800}));  // same area as row 3, another device
    EXPECT_STREQ(DeviceTable()[12].name, "PNC-1610");

    SheetSettings sheet;
    DeviceAccept a = AcceptDeviceDialog(sheet, m);
    EXPECT_TRUE(a.taken);
    EXPECT_FALSE(a.areaChanged);
    EXPECT_EQ(SheetInt(sheet, sheetword::Device), 12);
    m.chooseRow(15);
    m.block.setFloat(sheetword::CustomW, 0);
    a = AcceptDeviceDialog(sheet, m);
    EXPECT_FALSE(a.taken);  // no area: the sheet keeps its settings
    EXPECT_EQ(SheetInt(sheet, sheetword::Device), 12);
    m.chooseRow(0);
    EXPECT_TRUE(AcceptDeviceDialog(sheet, m).areaChanged);
}

TEST(DeviceDialog, ScaleSizeGridAndCorrectionTexts) {
    EXPECT_FLOAT_EQ(ParseDrawingScale(":2"), 2.0f);
    EXPECT_FLOAT_EQ(ParseDrawingScale("0:0"), 1.0f);
    EXPECT_FLOAT_EQ(ParseDrawingScale("3"), 3.0f);
    EXPECT_FLOAT_EQ(ParseDrawingScale("4:1"), 0.25f);
    EXPECT_EQ(FormatDrawingScale(0.25f), "4.0:1");
    EXPECT_EQ(FormatDrawingScale(2.5f), "1:2.5");
    EXPECT_EQ(FormatDrawingScale(1.0f), "1:1");
    EXPECT_EQ(FormatSheetSize(92300, false), "923.0毫米");
    EXPECT_EQ(FormatSheetSize(92300, true), "92.3厘米");
    EXPECT_EQ(FormatSheetSize(92350, false, false), "923.5");
    EXPECT_EQ(SnapToGrid(7, 0, 1), 7);
    EXPECT_EQ(SnapToGrid(17, -50, 5), 15);
    EXPECT_EQ(SnapToGrid(-47, -50, 5), -50);

    SheetSettings s;
    EXPECT_EQ(CorrectionToFields(s), (std::array<int, 4>{0, 0, 0, 0}));
    CorrectionFromFields(s, {12, -199, 5, 300});
    EXPECT_FLOAT_EQ(s.getFloat(58), 1.0012f);
    EXPECT_FLOAT_EQ(s.getFloat(61), 0.0199f);  // clamped to the field's range
    EXPECT_EQ(CorrectionToFields(s), (std::array<int, 4>{12, -199, 5, 199}));

    PrinterInfo p = Printer("A4", 210, 297);
    EXPECT_EQ(PrinterLabel(p), "A4 on usb");
    EXPECT_EQ(PrinterTestLines(p)[0], "SIZE = 210mm, 297mm");
    EXPECT_EQ(PrinterTestLines(p)[2], "RESOLUTION(dpi) = 254, 254");
    EXPECT_EQ(PenPalette()[9].rgb, 0xFF0000u);
    EXPECT_STREQ(PenPalette()[9].name, "clRed 红色");
}

TEST(Ports, MapFromTheConfigurationAndFailureTexts) {
    namespace fs = std::filesystem;
    fs::path f = fs::temp_directory_path() / ("rz-ports-" + std::to_string(::getpid()) + ".conf");
    {
        std::ofstream o(f);
        o << "[General]\nLPT1=/wrong\n[Ports]\nLPT1=\"tcp://10.0.0.5:9100\"\nLPT2=\n[Other]\nLPT2=/x\n";
    }
    PortMap m = ReadPortMap(f.string());
    fs::remove(f);
    EXPECT_EQ(m.targetFor(1), "tcp://10.0.0.5:9100");
    EXPECT_EQ(m.targetFor(2), "/dev/lp0");  // empty in the file: the default
    EXPECT_EQ(m.targetFor(0), "");
    EXPECT_EQ(ReadPortMap("/nonexistent/rozedoz.conf").targetFor(1), "/dev/usb/lp0");
    EXPECT_EQ(PortFailureText(2, "/dev/lp0", "busy"), "LPT2 (/dev/lp0: busy)");
    EXPECT_EQ(PortFailureText(0, "", "no target"), "");
}

}  // namespace
}  // namespace rz
