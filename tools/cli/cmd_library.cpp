// rozedoz-cli library: what a motif library file (Vopa.ptn) holds, the built-in library, a
// rewrite of a library file, and the shape a cell gives the 图案 input.
#include <cstdio>
#include <string>

#include "library_args.h"
#include "model/xie.h"
#include "verbs.h"

namespace rz::cli {
namespace {

const char* const kUsage =
    "usage: rozedoz-cli library [FILE.ptn] [--json] | --write-defaults OUT | --copy IN OUT |\n"
    "       rozedoz-cli library [FILE.ptn] --shape N   (cells 0-39; sizes in 0.01 mm)\n";

void PrintCells(const MotifLibrary& lib, bool json, bool truncated) {
    if (!json) {
        for (int i = 0; i < kCellCount; ++i) {
            const MotifCell& c = lib.cells[size_t(i)];
            std::printf("%2d kind %2d %s use %.1f x %.1f mm  A %zu B %zu pins %zu motifs %zu texts %zu\n", i,
                        c.kind(), c.empty() ? "empty" : "full ", c.useW / 100.0, c.useH / 100.0, c.linesA.size(),
                        c.linesB.size(), c.pins.size(), c.motifs.size(), c.texts.size());
        }
        if (truncated) std::printf("truncated\n");
        return;
    }
    std::string s = "{\"cells\":[";
    for (int i = 0; i < kCellCount; ++i) {
        const MotifCell& c = lib.cells[size_t(i)];
        if (i) s += ',';
        s += "{\"cell\":" + std::to_string(i) + ",\"kind\":" + std::to_string(c.kind()) +
             ",\"empty\":" + (c.empty() ? "true" : "false") + ",\"use\":[" + JsonNumber(c.useW) + "," +
             JsonNumber(c.useH) + "],\"content\":[" + JsonNumber(c.contentX) + "," + JsonNumber(c.contentY) + "," +
             JsonNumber(c.contentW) + "," + JsonNumber(c.contentH) + "],\"lines_a\":" +
             std::to_string(c.linesA.size()) + ",\"lines_b\":" + std::to_string(c.linesB.size()) +
             ",\"pins\":" + std::to_string(c.pins.size()) + ",\"motifs\":" + std::to_string(c.motifs.size()) +
             ",\"texts\":" + std::to_string(c.texts.size()) + "}";
    }
    s += std::string("],\"truncated\":") + (truncated ? "true" : "false") + "}";
    std::printf("%s\n", s.c_str());
}

int PrintShape(const MotifLibrary& lib, int index) {
    auto r = CellShape(lib.cells[size_t(index)], index);
    if (!r) {
        std::printf("{\"cell\":%d,\"shape\":null}\n", index);
        return 0;
    }
    std::string s = "{\"cell\":" + std::to_string(index) + ",\"anchor\":[" + JsonNumber(r->anchor.x) + "," +
                    JsonNumber(r->anchor.y) + "],\"polylines\":[";
    for (size_t i = 0; i < r->shape.size(); ++i) {
        if (i) s += ',';
        s += '[';
        for (size_t j = 0; j < r->shape[i].size(); ++j) {
            if (j) s += ',';
            s += "[" + JsonNumber(r->shape[i][j].x) + "," + JsonNumber(r->shape[i][j].y) + "]";
        }
        s += ']';
    }
    s += "]}";
    std::printf("%s\n", s.c_str());
    return 0;
}

bool Write(const std::string& path, const MotifLibrary& lib) {
    std::string err;
    if (WriteFileAtomic(path, WriteMotifLibrary(lib), &err)) return true;
    std::fprintf(stderr, "rozedoz-cli library: cannot write %s: %s\n", path.c_str(), err.c_str());
    return false;
}

int LibraryVerb(const std::vector<std::string>& args) {
    std::string file, writeDefaults, copyIn, copyOut;
    bool json = false;
    int shape = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            json = true;
        } else if (a == "--write-defaults" && i + 1 < args.size()) {
            writeDefaults = args[++i];
        } else if (a == "--copy" && i + 2 < args.size()) {
            copyIn = args[++i];
            copyOut = args[++i];
        } else if (a == "--shape" && i + 1 < args.size()) {
            if (!ParseInt(args[++i], 0, kCellCount - 1, shape)) {
                std::fprintf(stderr, "%s", kUsage);
                return 2;
            }
        } else if (file.empty() && a.rfind("--", 0) != 0) {
            file = a;
        } else {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        }
    }
    TSmooth smooth;
    TFont font;
    font.load(FindFontFile());
    MotifLibrary lib;
    if (!writeDefaults.empty()) {
        MakeBuiltInLibrary(lib, FontLayout(font));
        return Write(writeDefaults, lib) ? 0 : 1;
    }
    if (!copyIn.empty()) file = copyIn;
    bool truncated = false;
    if (file.empty()) {
        MakeBuiltInLibrary(lib, FontLayout(font));
    } else {
        std::vector<uint8_t> bytes;
        std::string err;
        if (!ReadFileBytes(file, bytes, &err)) {
            std::fprintf(stderr, "rozedoz-cli library: 不能打开 %s: %s\n", file.c_str(), err.c_str());
            return 1;
        }
        LibraryReadResult r = ReadMotifLibrary(bytes, lib, smooth, FontLayout(font));
        truncated = r.damaged;
        if (truncated)
            std::fprintf(stderr, "rozedoz-cli library: warning: %s is damaged; %d whole cells read\n", file.c_str(),
                         r.cellsRead);
    }
    if (!copyOut.empty()) return Write(copyOut, lib) ? 0 : 1;
    if (shape >= 0) return PrintShape(lib, shape);
    PrintCells(lib, json, truncated);
    return 0;
}

RegisterVerb reg("library",
                 "library [FILE.ptn] [--json] [--shape N] | --write-defaults OUT | --copy IN OUT: the motif library",
                 LibraryVerb);

}  // namespace
}  // namespace rz::cli
