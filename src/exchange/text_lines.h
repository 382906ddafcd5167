// Line-by-line reading of text files that may come from any system: LF or CR LF endings, a
// missing last newline, and no trust in a line's length.
#pragma once

#include <cstddef>
#include <string_view>

namespace rz {

class TextLines {
public:
    // Longer lines end the reading: no exchange format has lines anywhere near this long.
    static constexpr std::size_t kMaxLine = 1u << 20;

    explicit TextLines(std::string_view bytes) : s_(bytes) {
        if (s_.size() >= 3 && s_.substr(0, 3) == "\xEF\xBB\xBF") s_.remove_prefix(3);
    }
    // The next line without its end (CR stripped); false at the end or at an over-long line.
    bool next(std::string_view& line);
    // True when reading stopped at an over-long line rather than at the end.
    bool overlong() const { return overlong_; }

private:
    std::string_view s_;
    std::size_t pos_ = 0;
    bool overlong_ = false;
};

// Spaces and tabs removed from both ends.
std::string_view Trim(std::string_view s);
// A whole decimal number (spaces around allowed); false for anything else, including a value
// out of range or not finite.
bool ParseDouble(std::string_view s, double& v);
bool ParseInt(std::string_view s, long& v);
// Case-insensitive equality of ASCII texts.
bool SameNoCase(std::string_view a, std::string_view b);

}  // namespace rz
