#include "devices/serial_port.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace rz {

std::string SerialPortPath(int portIndex) { return "/dev/ttyS" + std::to_string(portIndex < 0 ? 0 : portIndex); }

SerialRequest SerialRequestFrom(const SerialSettings& s, const std::string& path) {
    SerialRequest r;
    r.path = path.empty() ? SerialPortPath(s.portIndex) : path;
    r.dataBits = 5 + (s.dataBitsIndex <= 3 ? s.dataBitsIndex : 3);
    r.parity = s.parity <= 4 ? s.parity : 0;
    r.stopBits = s.stopBits <= 2 ? s.stopBits : 0;
    r.baud = kBaudRates[s.baudIndex <= 14 ? s.baudIndex : 6];
    r.flow = 0;
    return r;
}

namespace {

// The classic speed constant of a rate, or 0 when it has none.
speed_t ClassicSpeed(int baud) {
    switch (baud) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return 0;
    }
}

void SetDtr(int fd, bool on) {
    int bits = TIOCM_DTR;
    // A pseudo-terminal has no modem lines (ENOTTY): nothing to raise there.
    (void)ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

}  // namespace

CCommSerial::~CCommSerial() { Close(); }

bool CCommSerial::fail(const std::string& what) {
    error_ = what + ": " + std::strerror(errno);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
}

bool CCommSerial::Open(const SerialRequest& r) {
    if (fd_ >= 0) return true;
    error_.clear();
    fd_ = ::open(r.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return fail(r.path);
    // Exclusive: a second opener is refused. The terminal's own exclusive mode does not hold
    // against a privileged process, the lock does between programs that take it.
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) return fail(r.path);
    if (ioctl(fd_, TIOCEXCL) != 0 && errno != ENOTTY) return fail("TIOCEXCL");
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return fail("tcgetattr");
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static constexpr tcflag_t kSizes[4] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[r.dataBits >= 5 && r.dataBits <= 8 ? r.dataBits - 5 : 3];
    switch (r.parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;  // mark
    case 4: t.c_cflag |= PARENB | CMSPAR; break;           // space
    default: break;
    }
    if (r.parity >= 1 && r.parity <= 4) t.c_iflag |= INPCK;
    // 1.5 stop bits do not exist here; two come nearest.
    if (r.stopBits != 0) t.c_cflag |= CSTOPB;
    if (r.flow & kFlowRtsCts) t.c_cflag |= CRTSCTS;
    if (r.flow & kFlowXonXoff) {
        t.c_iflag |= IXON | IXOFF;
        t.c_cc[VSTART] = 0x11;
        t.c_cc[VSTOP] = 0x13;
    }
    // Reads return at once with what is there; the reader waits in poll.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    speed_t classic = ClassicSpeed(r.baud);
    if (classic) cfsetspeed(&t, classic);
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return fail("tcsetattr");
    if (!classic && !SetSerialSpeed(fd_, r.baud)) return fail("baud " + std::to_string(r.baud));
    tcflush(fd_, TCIOFLUSH);
    return true;
}

bool CCommSerial::StartReader(Chunk chunk, Lost lost, Tick tick) {
    if (fd_ < 0) {
        error_ = "not open";
        return false;
    }
    if (reader_.joinable()) return true;
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
        error_ = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    chunk_ = std::move(chunk);
    lost_ = std::move(lost);
    tick_ = std::move(tick);
    stop_ = false;
    try {
        reader_ = std::thread([this] { readerLoop(); });
    } catch (const std::system_error& e) {
        ::close(wake_);
        wake_ = -1;
        error_ = e.what();
        return false;
    }
    SetDtr(fd_, true);
    return true;
}

void CCommSerial::readerLoop() {
    uint8_t buf[kChunk + 1];
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
    for (;;) {
        int timeout = idleTick && idleTick() ? 5 : -1;
        int n = ::poll(fds, 2, timeout);
        if (stop_.load(std::memory_order_acquire)) return;
        if (n < 0) {
            if (errno == EINTR) continue;
            if (lost_) lost_(errno);
            return;
        }
        if (fds[1].revents) return;  // Close
        if (n == 0) {
            if (tick_) tick_();
            continue;
        }
        bool gone = (fds[0].revents & (POLLERR | POLLNVAL)) != 0;
        bool hangup = (fds[0].revents & POLLHUP) != 0;
        // Drain in chunks of at most 84 bytes until the driver has nothing more.
        bool any = false;
        int err = EIO;
        for (;;) {
            ssize_t got = ::read(fd_, buf, kChunk);
            if (got > 0) {
                any = true;
                if (chunk_) chunk_(buf, size_t(got));
                if (stop_.load(std::memory_order_acquire)) return;
                continue;
            }
            // A terminal read without a minimum count returns 0 when nothing waits: not an end.
            if (got == 0) break;
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            // EIO and the like: the adapter went away (a pulled USB adapter, a closed pty master).
            err = errno;
            gone = true;
            break;
        }
        if (any && tick_) tick_();
        if (gone || (hangup && !any)) {
            if (lost_) lost_(err);
            return;
        }
    }
}

void CCommSerial::Close() {
    if (reader_.joinable()) {
        stop_.store(true, std::memory_order_release);
        uint64_t one = 1;
        ssize_t w = ::write(wake_, &one, sizeof one);
        (void)w;
        reader_.join();
    }
    if (wake_ >= 0) ::close(wake_);
    wake_ = -1;
    if (fd_ >= 0) {
        SetDtr(fd_, false);
        tcflush(fd_, TCIOFLUSH);
        ::close(fd_);
    }
    fd_ = -1;
}

}  // namespace rz
