// libFuzzer target for the settings file reader: any bytes give a usable record, and that
// record writes and reads back unchanged with nothing left out of range.
#include <cstddef>
#include <cstdint>

#include "model/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string home = "/home/fuzz";
    rz::Settings s = rz::decodeSettings(data, size, home);
    auto once = rz::encodeSettings(s);
    rz::SettingsReadReport rep;
    rz::Settings again = rz::decodeSettings(once.data(), once.size(), home, &rep);
    if (!rep.complete || !rep.replaced.empty()) __builtin_trap();
    if (rz::encodeSettings(again) != once) __builtin_trap();
    return 0;
}
