#include "exchange/dxf_document.h"

#include <cstdio>
#include <filesystem>

#include "devices/scan_input.h"
#include "exchange/text_lines.h"
#include "model/xie.h"

namespace rz {

std::string DxfImportReport::summary() const {
    std::string s = "转入DXF: " + std::to_string(polylines()) + " 条线";
    for (const auto& [name, n] : result.skipped) s += ", " + name + " " + std::to_string(n) + " 个未读";
    if (result.dropped) s += ", " + std::to_string(result.dropped) + " 个数据有误";
    if (result.truncated) s += ", 文件不完整";
    return s;
}

DxfImportReport ReadDxfFile(const TDoc& doc, const std::string& path, const TFont* font) {
    DxfImportReport rep;
    const std::string ext = std::filesystem::path(path).extension().string();
    if (!SameNoCase(ext, ".DXF")) {
        rep.message = "不是DXF文件: " + path;
        return rep;
    }
    std::vector<uint8_t> bytes;
    std::string err;
    if (!ReadFileBytes(path, bytes, &err)) {
        rep.message = "不能打开 " + path;
        return rep;
    }
    DxfReadOptions opt = DxfReadOptions::FromSettings(doc.settings);
    opt.font = font;
    rep.result = ReadDxf(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), opt);
    rep.read = true;
    return rep;
}

bool AddDxfToScanLines(TDoc& doc, Shape polylines) {
    std::erase_if(polylines, [](const Polyline& p) { return p.empty(); });
    if (polylines.empty()) return false;
    SplitLongPolylines(polylines);
    auto sl = std::make_unique<ScanLine>();
    sl->shape = std::move(polylines);
    sl->value = kScanReferenceColour;
    doc.scanLines.push_back(std::move(sl));
    doc.settings.displayFlags |= kDispScan;
    doc.design.flags |= kDesignSaveScan;
    doc.design.modified = 1;
    doc.PushUndo();
    return true;
}

bool AddDxfToSheet(PLTC& sheet, const Shape& polylines) {
    bool any = false;
    for (const Polyline& p : polylines) {
        if (p.empty()) continue;
        PlotItem it;
        it.points = p;
        it.setKind(kItemOutline);
        sheet.items.push_back(std::move(it));
        any = true;
    }
    if (!any) return false;
    sheet.dirty = 1;
    sheet.pushLayout();
    return true;
}

std::string DxfFileName(int sizeValue) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%03d.DXF", sizeValue);
    return buf;
}

std::string ExportSheetDxf(const PLTC& sheet, const std::string& folder, int sizeValue, DxfLayout layout,
                           std::string& message) {
    if (sheet.items.empty()) return {};
    std::vector<DxfItem> items;
    items.reserve(sheet.items.size());
    for (const PlotItem& it : sheet.items) items.push_back({&it.points, (it.flags & kItemNoSegmentDxf) != 0});
    const std::string text = WriteDxf(items, layout);
    std::filesystem::path dir(folder.empty() ? std::string(".") : folder);
    const std::string path = (dir / DxfFileName(sizeValue)).string();
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::string err;
    if (!WriteFileAtomic(path, std::vector<uint8_t>(text.begin(), text.end()), &err)) {
        message = "不能打开 " + path;
        return {};
    }
    return path;
}

}  // namespace rz
