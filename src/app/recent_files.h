// The recent-file list of the 文件 menu: newest first, no duplicates, at most `capacity`.
#pragma once

#include <string>
#include <vector>

namespace rz {

class RecentFiles {
public:
    static constexpr int kMin = 1;
    static constexpr int kMax = 16;
    static constexpr int kDefault = 4;

    explicit RecentFiles(int capacity = kDefault) { setCapacity(capacity); }

    // Out-of-range counts (a hand-edited configuration) fall back to the default.
    void setCapacity(int n);
    int capacity() const { return capacity_; }

    void add(const std::string& path);
    void remove(const std::string& path);
    void setItems(const std::vector<std::string>& items);  // oldest dropped beyond capacity
    const std::vector<std::string>& items() const { return items_; }

    // Menu text of entry i: "1 name", the path shortened to its last components when long.
    static std::string menuLabel(int index, const std::string& path);

private:
    int capacity_ = kDefault;
    std::vector<std::string> items_;
};

}  // namespace rz
