// settings: what a settings file holds, what a read of it replaced, or a fresh default file.
#include <cstdio>

#include "model/settings_file.h"
#include "verbs.h"

namespace rz::cli {
namespace {

void PrintSettings(const Settings& s) {
    std::printf("display flags 0x%X\ngeneral flags 0x%X\n", s.displayFlags, s.generalFlags);
    std::printf("auto-save %s, interval %d ms, file counter %d\n", s.autoSaveOn() ? "on" : "off",
                s.autoSaveMillis(), s.fileCounter);
    std::printf("grid unit %.2f\nsnap range %d\npick range %d\n", s.gridUnit, s.snapRange,
                s.pickRange);
    std::printf("length unit %d\narea unit %d\ncurrent page %d\n", s.lengthUnit, s.areaUnit,
                s.currentPage);
    std::printf("seam allowances %.0f %.0f %.0f %.0f %.0f\n", s.seamAllowances[0],
                s.seamAllowances[1], s.seamAllowances[2], s.seamAllowances[3],
                s.seamAllowances[4]);
    std::printf("column labels");
    for (const auto& l : s.columnLabels) std::printf(" %s", l.c_str());
    std::printf("\ndata folder %s\npicture folder %s\nplot folder %s\nDXF folder %s\n",
                s.dataFolder.c_str(), s.pictureFolder.c_str(), s.plotFolder.c_str(),
                s.dxfFolder.c_str());
    std::printf("bitmap folder %s\nlast opened %s\n", s.scan.bitmapFolder.c_str(),
                s.lastOpenedPath.c_str());
    std::printf("design defaults flags 0x%X, size system %d, category %d, label format %d\n",
                s.defaultDesignFlags, s.defaultSizeSystem, s.defaultSizeCategory,
                s.defaultLabelFormat);
    for (int i = 0; i < 2; ++i)
        std::printf("sheet %d: flags 0x%X, device row %u, border points %zu\n", i + 1,
                    s.sheets[i].words[0], s.sheets[i].words[2], s.sheets[i].border.size() / 2);
}

int SettingsVerb(const std::vector<std::string>& args) {
    if (args.size() == 2 && args[0] == "--write-defaults") {
        if (!writeSettingsFile(args[1], defaultSettings())) {
            std::fprintf(stderr, "不能保存 %s\n", args[1].c_str());
            return 1;
        }
        return 0;
    }
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: rozedoz-cli settings FILE | --write-defaults FILE\n");
        return 2;
    }
    SettingsReadReport rep;
    Settings s = readSettingsFile(args[0], homeFolder(), &rep);
    if (!rep.opened) {
        std::fprintf(stderr, "不能打开 %s\n", args[0].c_str());
        return 1;
    }
    PrintSettings(s);
    if (!rep.complete)
        std::printf("incomplete: read stopped after %zu bytes; the rest are defaults\n",
                    rep.bytesUsed);
    for (const auto& r : rep.replaced) std::printf("out of range, default used: %s\n", r.c_str());
    return rep.complete && rep.replaced.empty() ? 0 : 3;
}

RegisterVerb reg("settings", "settings FILE            what a Vopa.dat holds (--write-defaults FILE)",
                 SettingsVerb);

}  // namespace
}  // namespace rz::cli
