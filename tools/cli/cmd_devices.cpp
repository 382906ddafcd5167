// rozedoz-cli devices: the device table, where LPT1 and LPT2 lead, and the printers.
#include <cstdio>

#include "output/devices.h"
#include "output/job_stream.h"
#include "output/target.h"
#include "verbs.h"

namespace rz::cli {
namespace {

std::string Quote(const std::string& s) {
    std::string o = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') o += '\\';
        if (static_cast<unsigned char>(c) < 0x20) continue;
        o += c;
    }
    return o + "\"";
}

int DevicesVerb(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: rozedoz-cli devices\n");
        return 2;
    }
    std::string o = "{\"rows\":[";
    for (int r = 0; r < kDeviceRows; ++r) {
        const DeviceRow& d = DeviceTable()[size_t(r)];
        o += std::string(r ? "," : "") + "{\"row\":" + std::to_string(r) + ",\"name\":" + Quote(d.name) +
             ",\"width\":" + FormatFixed(d.w, 0) + ",\"height\":" + FormatFixed(d.h, 0) + "}";
    }
    const std::string conf = DefaultConfPath();
    PortMap m = ReadPortMap(conf);
    o += "],\"ports\":{\"LPT1\":" + Quote(m.lpt1) + ",\"LPT2\":" + Quote(m.lpt2) + ",\"file\":" + Quote(conf) +
         "},\"printers\":[";
    std::vector<PrinterInfo> printers = SystemPrinters();
    for (size_t i = 0; i < printers.size(); ++i) {
        const PrinterInfo& p = printers[i];
        o += std::string(i ? "," : "") + "{\"name\":" + Quote(p.name) + ",\"port\":" + Quote(p.port) +
             ",\"default\":" + (p.isDefault ? "true" : "false") + "}";
    }
    o += "],\"cups\":" + std::string(CupsAvailable() ? "true" : "false") + "}";
    std::printf("%s\n", o.c_str());
    return 0;
}

RegisterVerb reg("devices", "devices                  device table, LPT1/LPT2 targets and printers as JSON", DevicesVerb);

}  // namespace
}  // namespace rz::cli
