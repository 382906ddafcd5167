#include <filesystem>

#include "font_path.h"
#include "model/font.h"

namespace rz::cli {

std::string FindFontFile() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path dir = fs::read_symlink("/proc/self/exe", ec).parent_path();
    for (int up = 0; up < 4 && !dir.empty(); ++up, dir = dir.parent_path()) {
        fs::path f = dir / TFont::kFileName;
        if (fs::exists(f, ec)) return f.string();
    }
    return TFont::kFileName;
}

}  // namespace rz::cli
