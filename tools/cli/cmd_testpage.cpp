// rozedoz-cli testpage: the cutter test page (a rectangle round the device area) to a target.
#include <cstdio>

#include "output/job_stream.h"
#include "send_job.h"
#include "sheet_input.h"
#include "verbs.h"

namespace rz::cli {
namespace {

int TestpageVerb(const std::vector<std::string>& args) {
    SheetOptions o;
    std::string target;
    for (size_t i = 0; i < args.size(); ++i) {
        int t = TakeSheetOption("testpage", args, i, o);
        if (t < 0) return 2;
        if (t > 0) continue;
        if (args[i] == "-o" && i + 1 < args.size()) target = args[++i];
        else target.clear(), i = args.size();
    }
    if (target.empty()) {
        std::fprintf(stderr, "usage: rozedoz-cli testpage [--device ROW|NAME|WxH] [--settings VOPA.DAT --sheet 1|2] -o TARGET\n");
        return 2;
    }
    HeadlessPlatform platform;
    TDoc doc(platform);
    if (!o.settingsPath.empty()) {
        SettingsReadReport rep;
        Settings s = readSettingsFile(o.settingsPath, homeFolder(), &rep);
        if (!rep.opened) {
            std::fprintf(stderr, "rozedoz-cli testpage: %s: cannot read\n", o.settingsPath.c_str());
            return 1;
        }
        doc.settings.sheets[size_t(o.sheet - 1)] = s.sheets[size_t(o.sheet - 1)];
    }
    SheetSettings& block = doc.settings.sheets[size_t(o.sheet - 1)];
    if (!ApplyDevice(o.device, block)) {
        std::fprintf(stderr, "rozedoz-cli testpage: --device takes a row 0-15, a device name or WxH in mm\n");
        return 2;
    }
    const WorkRange a = SheetArea(block);
    return SendToTarget("testpage", target, BuildTestPage(a.w, a.h));
}

RegisterVerb reg("testpage", "testpage [--device …] -o TARGET   the cutter test page: a rectangle round the area",
                 TestpageVerb);

}  // namespace
}  // namespace rz::cli
