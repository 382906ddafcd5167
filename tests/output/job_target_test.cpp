// Jobs on real transports: a FIFO, a pseudo-terminal, plain files and TCP listeners that read
// everything or nothing; stopping a stalled job; the exclusive lock; open failures.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <atomic>
#include <thread>

#include "output/job.h"

namespace rz {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + (i >> 9));
    v[1] = '\n';  // a cooked terminal would turn these into CR LF
    v[2] = '\r';
    return v;
}

// Reads `fd` until end of file (or `limit` bytes) into a vector.
std::vector<uint8_t> Drain(int fd, size_t limit = SIZE_MAX) {
    std::vector<uint8_t> got;
    uint8_t buf[65536];
    while (got.size() < limit) {
        ssize_t n = ::read(fd, buf, std::min(sizeof buf, limit - got.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("rz-job-" + std::to_string(::getpid()) + "-" +
                                                 std::to_string(Clock::now().time_since_epoch().count()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

// Stops a running job and measures how long until it ended.
double StopSeconds(Job& job) {
    auto t0 = Clock::now();
    job.stop();
    EXPECT_TRUE(job.wait(3000));
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

TEST(JobTarget, FifoGetsEveryByteAndIsHeldExclusively) {
    TempDir dir;
    const std::string fifo = (dir.path / "port").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto bytes = Pattern(300000);
    std::vector<uint8_t> got;
    // The reader takes nothing until the second job was tried: the first one, more than a pipe's
    // buffer long, is still holding the port then.
    std::atomic<bool> drain{false};
    std::thread reader([&] {
        int fd = ::open(fifo.c_str(), O_RDONLY);
        while (!drain) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        got = Drain(fd);
        ::close(fd);
    });
    Job job(fifo, bytes);
    ASSERT_TRUE(job.start());
    // While the first job holds the port a second one cannot open it.
    while (job.sent() == 0 && !job.finished()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(job.finished());
    Job second(fifo, {1, 2, 3});
    EXPECT_TRUE(second.start());
    EXPECT_TRUE(second.wait(2000));
    EXPECT_EQ(second.outcome(), JobOutcome::OpenFailed);
    EXPECT_EQ(second.reason(), "busy");
    drain = true;
    ASSERT_TRUE(job.wait(5000));
    reader.join();
    EXPECT_EQ(job.outcome(), JobOutcome::Done);
    EXPECT_EQ(job.percent(), 100);
    EXPECT_EQ(got, bytes);
}

TEST(JobTarget, StalledFifoStopsWithinASecond) {
    TempDir dir;
    const std::string fifo = (dir.path / "port").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int rd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // a device that never takes data
    ASSERT_GE(rd, 0);
    Job job(fifo, Pattern(4 << 20));
    ASSERT_TRUE(job.start());
    while (job.sent() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(job.finished());
    EXPECT_LT(job.percent(), 100);
    EXPECT_LT(StopSeconds(job), 1.0);
    EXPECT_EQ(job.outcome(), JobOutcome::Stopped);
    ::close(rd);
    // A FIFO nobody opens: the job waits for a reader, and Stop ends that wait too.
    Job waiting(fifo, {1});
    ASSERT_TRUE(waiting.start());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(waiting.finished());
    EXPECT_LT(StopSeconds(waiting), 1.0);
}

TEST(JobTarget, PseudoTerminalIsSetRaw) {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slave = ::ptsname(master);
    const auto bytes = Pattern(3000);
    std::vector<uint8_t> got;
    std::thread reader([&] { got = Drain(master, bytes.size()); });
    Job job(slave, bytes);
    ASSERT_TRUE(job.start());
    ASSERT_TRUE(job.wait(5000));
    reader.join();
    EXPECT_EQ(job.outcome(), JobOutcome::Done) << job.reason();
    EXPECT_EQ(got, bytes);
    ::close(master);
}

TEST(JobTarget, PlainFileAppearsWhenCompleteAndNotAtAllWhenStopped) {
    TempDir dir;
    const std::string path = (dir.path / "job.plt").string();
    const auto bytes = Pattern(200000);
    Job job(path, bytes);
    ASSERT_TRUE(job.start());
    ASSERT_TRUE(job.wait(5000));
    EXPECT_EQ(job.outcome(), JobOutcome::Done);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> got((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(got, bytes);

    const std::string other = (dir.path / "stopped.plt").string();
    Job stopped(other, bytes);
    stopped.pause(true);
    ASSERT_TRUE(stopped.start());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    StopSeconds(stopped);
    EXPECT_EQ(stopped.outcome(), JobOutcome::Stopped);
    EXPECT_FALSE(fs::exists(other));
    size_t files = 0;
    for (auto& e : fs::directory_iterator(dir.path)) files += e.is_regular_file();
    EXPECT_EQ(files, 1u);  // only the completed job's file; no temporary left behind
}

TEST(JobTarget, MissingDeviceIsNeverCreated) {
    Job job("/dev/rozedoz-no-such-port", {1, 2, 3});
    ASSERT_TRUE(job.start());
    ASSERT_TRUE(job.wait(2000));
    EXPECT_EQ(job.outcome(), JobOutcome::OpenFailed);
    EXPECT_EQ(job.reason(), "no such device");
    EXPECT_FALSE(fs::exists("/dev/rozedoz-no-such-port"));
    Job none("", {1});
    ASSERT_TRUE(none.start());
    ASSERT_TRUE(none.wait(2000));
    EXPECT_EQ(none.outcome(), JobOutcome::OpenFailed);
}

// A listener on a free loopback port.
struct Listener {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int port = 0;
    Listener() {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, 4);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener() { ::close(fd); }
    std::string target() const { return "tcp://127.0.0.1:" + std::to_string(port); }
};

TEST(JobTarget, TcpDeliversAllAndAStalledPrinterCanBeStopped) {
    const auto bytes = Pattern(1 << 20);
    {
        Listener l;
        std::vector<uint8_t> got;
        std::thread printer([&] {
            int c = ::accept(l.fd, nullptr, nullptr);
            got = Drain(c);
            ::close(c);
        });
        Job job(l.target(), bytes);
        ASSERT_TRUE(job.start());
        ASSERT_TRUE(job.wait(10000));
        printer.join();
        EXPECT_EQ(job.outcome(), JobOutcome::Done) << job.reason();
        EXPECT_EQ(got, bytes);
    }
    {
        Listener l;  // accepts (in the kernel) and never reads
        int small = 4096;
        ::setsockopt(l.fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        Job job(l.target(), Pattern(16 << 20));
        ASSERT_TRUE(job.start());
        while (job.sent() == 0 && !job.finished()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_FALSE(job.finished());
        EXPECT_LT(StopSeconds(job), 1.0);
        EXPECT_EQ(job.outcome(), JobOutcome::Stopped);
    }
    int port;
    {
        Listener l;
        port = l.port;
    }
    Job refused("tcp://127.0.0.1:" + std::to_string(port), {1});
    ASSERT_TRUE(refused.start());
    ASSERT_TRUE(refused.wait(6000));
    EXPECT_EQ(refused.outcome(), JobOutcome::OpenFailed);
}

}  // namespace
}  // namespace rz
