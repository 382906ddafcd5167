// The side files next to the settings file: the text history Vopa.str (the user keeps it with
// any editor; 字串选择 offers its lines) and the help text Vopa.cmt (操作指导). Both are plain
// text in UTF-8 or GBK, read with a bound so that a wrong file cannot take the memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rz {

constexpr const char* kLibraryFileName = "Vopa.ptn";
constexpr const char* kHistoryFileName = "Vopa.str";
constexpr const char* kHelpFileName = "Vopa.cmt";

constexpr size_t kMaxHistoryBytes = 1u << 20;
constexpr size_t kMaxHistoryLines = 4096;
constexpr size_t kMaxHelpBytes = 4u << 20;

// True when the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view bytes);
// A side file's bytes as UTF-8 text: taken as UTF-8 when they are well-formed UTF-8 (a byte
// order mark is dropped), else converted from GBK; carriage returns are removed.
std::string SideFileText(std::string_view bytes);

// Reads at most `limit` bytes of a file; false when it cannot be opened. `cut` tells whether
// the file went on beyond the limit.
bool ReadFileHead(const std::string& path, size_t limit, std::string& out, bool* cut = nullptr);

// The lines of Vopa.str (UTF-8), empty lines skipped; none when the file is missing. Of a file
// beyond the bound, the lines before the bound.
std::vector<std::string> ReadTextHistory(const std::string& path);
// The text of Vopa.cmt (UTF-8); empty when the file is missing.
std::string ReadHelpText(const std::string& path);

}  // namespace rz
