#include "output/target.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#ifdef ROZEDOZ_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace rz {

namespace {

using Clock = std::chrono::steady_clock;

// Targets open in this process: two sheets on one port must not interleave their bytes.
std::mutex gLockMutex;
std::set<std::string> gLocked;

bool TakeLock(const std::string& key) {
    std::lock_guard<std::mutex> g(gLockMutex);
    return gLocked.insert(key).second;
}

void DropLock(const std::string& key) {
    std::lock_guard<std::mutex> g(gLockMutex);
    gLocked.erase(key);
}

bool Cancelled(int cancelFd) {
    if (cancelFd < 0) return false;
    pollfd p{cancelFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

// Waits up to `ms` for `fd` to become ready for `events`; 1 ready, 0 timeout, -1 cancelled.
int WaitFor(int fd, short events, int cancelFd, int ms) {
    pollfd p[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
    int n = ::poll(p, cancelFd >= 0 ? 2 : 1, ms);
    if (n > 0 && cancelFd >= 0 && (p[1].revents & POLLIN)) return -1;
    if (n > 0 && p[0].revents) return 1;
    return 0;
}

std::string Reason(int e) { return std::strerror(e); }

class FdTarget : public Target {
public:
    FdTarget(TargetKind k, int fd, std::string key, bool ownsFd) : Target(k, fd, std::move(key)), owns_(ownsFd) {}
    ~FdTarget() override {
        if (owns_ && fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    bool owns_;
};

class StdoutTarget : public Target {
public:
    StdoutTarget() : Target(TargetKind::Stdout, STDOUT_FILENO, "stdout") {
        flags_ = ::fcntl(fd_, F_GETFL);
        if (flags_ >= 0) ::fcntl(fd_, F_SETFL, flags_ | O_NONBLOCK);
    }
    ~StdoutTarget() override {
        if (flags_ >= 0) ::fcntl(STDOUT_FILENO, F_SETFL, flags_);
        fd_ = -1;
    }

private:
    int flags_ = -1;
};

class FileTarget : public Target {
public:
    FileTarget(int fd, std::string key, std::string tmp, std::string path)
        : Target(TargetKind::File, fd, std::move(key)), tmp_(std::move(tmp)), path_(std::move(path)) {}
    ~FileTarget() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        if (!done_) ::unlink(tmp_.c_str());
    }
    bool finish(int, std::string& err) override {
        bool ok = ::fchmod(fd_, 0644) == 0 && ::fsync(fd_) == 0;
        int e = errno;
        ok = ::close(fd_) == 0 && ok;
        if (!ok && !e) e = errno;
        fd_ = -1;
        if (ok && std::rename(tmp_.c_str(), path_.c_str()) != 0) ok = false, e = errno;
        if (!ok) {
            err = Reason(e ? e : EIO);
            return false;
        }
        done_ = true;
        return true;
    }

private:
    std::string tmp_, path_;
    bool done_ = false;
};

class TcpTarget : public Target {
public:
    TcpTarget(int fd, std::string key) : Target(TargetKind::Tcp, fd, std::move(key)) {}
    ~TcpTarget() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // The printer has everything once it closes its side after ours.
    bool finish(int cancelFd, std::string& err) override {
        if (::shutdown(fd_, SHUT_WR) != 0) {
            err = Reason(errno);
            return false;
        }
        const auto until = Clock::now() + std::chrono::seconds(5);
        char buf[4096];
        while (Clock::now() < until) {
            int w = WaitFor(fd_, POLLIN, cancelFd, 100);
            if (w < 0) return true;  // stopped while draining: everything was sent
            if (w == 0) continue;
            ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n == 0) return true;
            if (n < 0 && errno != EAGAIN && errno != EINTR) return true;  // reset after our data
        }
        return true;
    }
};

#ifdef ROZEDOZ_HAVE_CUPS
// A raw job: the bytes are gathered in a temporary file and submitted in one request.
class CupsTarget : public Target {
public:
    CupsTarget(int fd, std::string key, std::string tmp, std::string queue)
        : Target(TargetKind::Cups, fd, std::move(key)), tmp_(std::move(tmp)), queue_(std::move(queue)) {}
    ~CupsTarget() override {
        if (fd_ >= 0) ::close(fd_);
        ::unlink(tmp_.c_str());
    }
    bool finish(int, std::string& err) override {
        ::close(fd_);
        fd_ = -1;
        cups_option_t* opts = nullptr;
        int n = cupsAddOption("raw", "true", 0, &opts);
        int id = cupsPrintFile(queue_.c_str(), tmp_.c_str(), "rozedoz", n, opts);
        cupsFreeOptions(n, opts);
        if (id == 0) {
            err = cupsLastErrorString();
            return false;
        }
        return true;
    }

private:
    std::string tmp_, queue_;
};
#endif

int TempFileNear(const std::string& path, std::string& tmp) {
    tmp = path + ".part-XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd >= 0) tmp = name.data();
    return fd;
}

std::unique_ptr<Target> OpenTcp(const std::string& hostPort, int cancelFd, std::string& err) {
    auto colon = hostPort.rfind(':');
    std::string host = colon == std::string::npos ? hostPort : hostPort.substr(0, colon);
    std::string port = colon == std::string::npos ? "9100" : hostPort.substr(colon + 1);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    if (int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &res); rc != 0) {
        err = ::gai_strerror(rc);
        return nullptr;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> hold(res, ::freeaddrinfo);
    const std::string key = "tcp:" + host + ":" + port;
    if (!TakeLock(key)) {
        err = "busy";
        return nullptr;
    }
    const auto until = Clock::now() + std::chrono::seconds(5);
    err = "connection timed out";
    for (addrinfo* a = res; a; a = a->ai_next) {
        int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) return std::unique_ptr<Target>(new TcpTarget(fd, key));
        if (errno != EINPROGRESS) {
            err = Reason(errno);
            ::close(fd);
            continue;
        }
        for (;;) {
            int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count());
            if (left <= 0) break;
            int w = WaitFor(fd, POLLOUT, cancelFd, std::min(left, 100));
            if (w < 0) {
                err = "stopped";
                ::close(fd);
                DropLock(key);
                return nullptr;
            }
            if (w == 0) continue;
            int soErr = 0;
            socklen_t len = sizeof soErr;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soErr, &len);
            if (soErr == 0) return std::unique_ptr<Target>(new TcpTarget(fd, key));
            err = Reason(soErr);
            break;
        }
        ::close(fd);
    }
    DropLock(key);
    return nullptr;
}

}  // namespace

Target::Target(TargetKind k, int fd, std::string lockKey) : kind_(k), fd_(fd), lockKey_(std::move(lockKey)) {}

Target::~Target() {
    if (!lockKey_.empty()) DropLock(lockKey_);
}

long Target::write(const void* data, size_t n) {
    ssize_t k = kind_ == TargetKind::Tcp ? ::send(fd_, data, n, MSG_NOSIGNAL) : ::write(fd_, data, n);
    if (k >= 0) return long(k);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
    return -1;
}

bool Target::finish(int, std::string&) { return true; }

bool CupsAvailable() {
#ifdef ROZEDOZ_HAVE_CUPS
    return true;
#else
    return false;
#endif
}

std::unique_ptr<Target> OpenTarget(const std::string& where, int cancelFd, std::string& err) {
    if (where.empty()) {
        err = "no target";
        return nullptr;
    }
    if (where == "-") {
        if (!TakeLock("stdout")) {
            err = "busy";
            return nullptr;
        }
        return std::unique_ptr<Target>(new StdoutTarget());
    }
    if (where.rfind("tcp://", 0) == 0) return OpenTcp(where.substr(6), cancelFd, err);
    if (where.rfind("cups:", 0) == 0) {
#ifdef ROZEDOZ_HAVE_CUPS
        std::string queue = where.substr(5);
        std::string key = "cups:" + queue;
        if (queue.empty() || !TakeLock(key)) {
            err = queue.empty() ? "no queue" : "busy";
            return nullptr;
        }
        std::string tmp;
        int fd = TempFileNear(std::filesystem::temp_directory_path() / "rozedoz-job", tmp);
        if (fd < 0) {
            err = Reason(errno);
            DropLock(key);
            return nullptr;
        }
        return std::unique_ptr<Target>(new CupsTarget(fd, key, tmp, queue));
#else
        err = "built without CUPS";
        return nullptr;
#endif
    }

    struct stat st {};
    if (::stat(where.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        const bool fifo = S_ISFIFO(st.st_mode);
        const std::string key = "dev:" + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
        if (!TakeLock(key)) {
            err = "busy";
            return nullptr;
        }
        int fd = -1;
        for (;;) {
            fd = ::open(where.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            // A FIFO opens only once someone reads it: wait for that until stopped.
            if (fd >= 0 || !fifo || errno != ENXIO) break;
            if (Cancelled(cancelFd)) {
                errno = ECANCELED;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (fd < 0) {
            err = errno == ECANCELED ? "stopped" : Reason(errno);
            DropLock(key);
            return nullptr;
        }
        // Other programs that lock the port are kept out too.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            err = "busy";
            ::close(fd);
            DropLock(key);
            return nullptr;
        }
        if (::isatty(fd)) {
            termios t{};
            if (::tcgetattr(fd, &t) == 0) {
                ::cfmakeraw(&t);
                ::tcsetattr(fd, TCSANOW, &t);
            }
        }
        return std::unique_ptr<Target>(new FdTarget(fifo ? TargetKind::Fifo : TargetKind::Device, fd, key, true));
    }
    // A device that is not there is never created as a file.
    if (where.rfind("/dev/", 0) == 0) {
        err = "no such device";
        return nullptr;
    }
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(where, ec);
    if (std::filesystem::is_directory(abs, ec)) {
        err = "is a folder";
        return nullptr;
    }
    const std::string key = "file:" + abs.lexically_normal().string();
    if (!TakeLock(key)) {
        err = "busy";
        return nullptr;
    }
    std::string tmp;
    int fd = TempFileNear(abs.string(), tmp);
    if (fd < 0) {
        err = Reason(errno);
        DropLock(key);
        return nullptr;
    }
    return std::unique_ptr<Target>(new FileTarget(fd, key, tmp, abs.string()));
}

}  // namespace rz
