#include "model/side_files.h"

#include <algorithm>
#include <cstdio>

#include "model/gbk.h"

namespace rz {

bool IsUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = 0;
        unsigned min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) n = 1, min = 0x80;
        else if ((c & 0xF0) == 0xE0) n = 2, min = 0x800;
        else if ((c & 0xF8) == 0xF0) n = 3, min = 0x10000;
        else return false;
        unsigned cp = c & (0x3F >> n);
        for (size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size()) return false;
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past the last code point are not UTF-8.
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n + 1;
    }
    return true;
}

std::string SideFileText(std::string_view bytes) {
    std::string text;
    if (IsUtf8(bytes)) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
        text.assign(bytes);
    } else {
        text = GbkToUtf8(std::string(bytes));
    }
    std::string out;
    out.reserve(text.size());
    for (char ch : text)
        if (ch != '\r') out.push_back(ch);
    return out;
}

bool ReadFileHead(const std::string& path, size_t limit, std::string& out, bool* cut) {
    out.clear();
    if (cut) *cut = false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    while (out.size() < limit) {
        const size_t want = std::min(sizeof buf, limit - out.size());
        const size_t got = std::fread(buf, 1, want, f);
        out.append(buf, got);
        if (got < want) break;
    }
    if (cut && out.size() >= limit) *cut = std::fgetc(f) != EOF;
    std::fclose(f);
    return true;
}

std::vector<std::string> ReadTextHistory(const std::string& path) {
    std::string raw;
    bool cut = false;
    std::vector<std::string> lines;
    if (!ReadFileHead(path, kMaxHistoryBytes, raw, &cut)) return lines;
    // A file cut at the bound ends inside its last line (perhaps inside a character): drop it.
    if (cut) raw.erase(raw.rfind('\n') == std::string::npos ? 0 : raw.rfind('\n'));
    const std::string text = SideFileText(raw);
    size_t from = 0;
    while (from <= text.size() && lines.size() < kMaxHistoryLines) {
        size_t nl = text.find('\n', from);
        if (nl == std::string::npos) nl = text.size();
        if (nl > from) lines.push_back(text.substr(from, nl - from));
        from = nl + 1;
    }
    return lines;
}

std::string ReadHelpText(const std::string& path) {
    std::string raw;
    bool cut = false;
    if (!ReadFileHead(path, kMaxHelpBytes, raw, &cut)) return {};
    if (cut) raw.erase(raw.rfind('\n') == std::string::npos ? 0 : raw.rfind('\n'));
    return SideFileText(raw);
}

}  // namespace rz
