// DXF import into the document and export of the current sheet: 转入DXF on the front screen
// (a scan reference line to trace over) and on the back screen (outline items of the sheet),
// and 转出 > DXF文件 in its two formats.
#pragma once

#include <string>

#include "exchange/dxf.h"
#include "output/sheet.h"

namespace rz {

struct DxfImportReport {
    bool read = false;          // the file was read (it may still have held nothing usable)
    std::string message;        // why not, or what was left out ("不能打开 …")
    DxfReadResult result;
    int polylines() const { return int(result.polylines.size()); }
    // One prompt line: the count read and the entities skipped, if any.
    std::string summary() const;
};

// Reads a .DXF file with the document's settings (the extension must be DXF).
DxfImportReport ReadDxfFile(const TDoc& doc, const std::string& path, const TFont* font);

// Front screen: the polylines become one new scan reference line; 扫描显示 is turned on and the
// design is marked to keep its scan lines. True when anything was added (then an undo
// snapshot was pushed).
bool AddDxfToScanLines(TDoc& doc, Shape polylines);
// Back screen: each polyline becomes an outline item (tool 0, pen slot 0, piece id 0) after the
// sheet's items, and the layout is stored. True when anything was added.
bool AddDxfToSheet(PLTC& sheet, const Shape& polylines);

// The sheet's items as DXF, written to "<folder>%03d.DXF" (the folder is made when missing).
// Returns the path written; empty when the sheet is empty (nothing done) or the write failed
// (then `message` is "不能打开 " and the name).
std::string ExportSheetDxf(const PLTC& sheet, const std::string& folder, int sizeValue, DxfLayout layout,
                           std::string& message);
// The file name of a size: "235.DXF".
std::string DxfFileName(int sizeValue);

}  // namespace rz
