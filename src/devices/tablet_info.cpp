#include "devices/tablet_info.h"

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace rz {

namespace {

bool Bit(const unsigned long* bits, int n) {
    constexpr int kBits = int(sizeof(unsigned long) * 8);
    return (bits[n / kBits] >> (n % kBits)) & 1;
}

std::optional<TabletInfo> Probe(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    constexpr int kBits = int(sizeof(unsigned long) * 8);
    unsigned long abs[(ABS_MAX + kBits) / kBits] = {}, keys[(KEY_MAX + kBits) / kBits] = {};
    std::optional<TabletInfo> out;
    if (ioctl(fd, EVIOCGBIT(EV_ABS, sizeof abs), abs) >= 0 && ioctl(fd, EVIOCGBIT(EV_KEY, sizeof keys), keys) >= 0 &&
        Bit(abs, ABS_X) && Bit(abs, ABS_Y) &&
        (Bit(keys, BTN_TOOL_PEN) || Bit(keys, BTN_STYLUS) || Bit(keys, BTN_TOOL_MOUSE) || Bit(keys, BTN_TOOL_LENS))) {
        input_absinfo ax{}, ay{};
        char name[256] = {};
        if (ioctl(fd, EVIOCGABS(ABS_X), &ax) >= 0 && ioctl(fd, EVIOCGABS(ABS_Y), &ay) >= 0) {
            ioctl(fd, EVIOCGNAME(sizeof name - 1), name);
            out = TabletInfo{name, {ax.minimum, ax.maximum, ax.resolution}, {ay.minimum, ay.maximum, ay.resolution}};
        }
    }
    ::close(fd);
    return out;
}

}  // namespace

std::optional<TabletInfo> FindTablet(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return std::nullopt;
    std::optional<TabletInfo> found;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n.rfind("event", 0) != 0) continue;
        if ((found = Probe(dir + "/" + n))) break;
    }
    ::closedir(d);
    return found;
}

std::string TabletInfoText(const TabletInfo& t) {
    auto axis = [](const char* label, const TabletAxis& a) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "%s：(%d, %d)  %d dot/%s", label, a.min, a.max, a.resolution * 10,
                      a.resolution > 0 ? "cm" : "??");
        return std::string(buf);
    };
    return "数字化仪名称：" + t.name + "\n" + axis("X方向", t.x) + "\n" + axis("Y方向", t.y);
}

}  // namespace rz
