#include "app/recent_files.h"

#include <algorithm>

namespace rz {

void RecentFiles::setCapacity(int n) {
    capacity_ = (n >= kMin && n <= kMax) ? n : kDefault;
    if (static_cast<int>(items_.size()) > capacity_) items_.resize(capacity_);
}

void RecentFiles::add(const std::string& path) {
    if (path.empty()) return;
    remove(path);
    items_.insert(items_.begin(), path);
    if (static_cast<int>(items_.size()) > capacity_) items_.resize(capacity_);
}

void RecentFiles::remove(const std::string& path) {
    items_.erase(std::remove(items_.begin(), items_.end(), path), items_.end());
}

void RecentFiles::setItems(const std::vector<std::string>& items) {
    items_.clear();
    for (const auto& p : items) {
        if (p.empty() || std::find(items_.begin(), items_.end(), p) != items_.end()) continue;
        items_.push_back(p);
        if (static_cast<int>(items_.size()) == capacity_) break;
    }
}

std::string RecentFiles::menuLabel(int index, const std::string& path) {
    std::string shown = path;
    constexpr size_t kLong = 48;
    if (shown.size() > kLong) {
        // Keep the file name and as many parent folders as fit.
        size_t cut = shown.size() - kLong;
        size_t slash = shown.find('/', cut);
        if (slash != std::string::npos) shown = "…" + shown.substr(slash);
    }
    return "&" + std::to_string(index + 1) + " " + shown;
}

}  // namespace rz
