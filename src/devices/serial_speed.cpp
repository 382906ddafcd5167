// Own-rate serial speeds through the kernel's termios2 interface. It lives in a file of its
// own because the kernel's <asm/termbits.h> and the C library's <termios.h> define the same
// names differently and cannot meet in one translation unit.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include "devices/serial_port.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace rz {

bool SetSerialSpeed(int fd, int baud) {
    if (baud <= 0) return false;
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~tcflag_t(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = speed_t(baud);
    t.c_ospeed = speed_t(baud);
    return ioctl(fd, TCSETS2, &t) == 0;
}

int ReadSerialSpeed(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return -1;
    return int(t.c_ispeed ? t.c_ispeed : t.c_ospeed);
}

}  // namespace rz
