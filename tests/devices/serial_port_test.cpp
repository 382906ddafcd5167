// The serial port on a pseudo-terminal: configuration, chunks in order and at most 84 bytes,
// Close while the reader waits, a vanished device, and the refusals.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <termios.h>
#include <unistd.h>

#include "devices/serial_port.h"
#include "pty.h"

namespace rz {
namespace {

using test::Pty;

struct Collector {
    std::mutex m;
    std::condition_variable cv;
    std::vector<uint8_t> bytes;
    size_t chunks = 0, largest = 0;
    int lost = 0;
    void chunk(const uint8_t* p, size_t n) {
        std::lock_guard<std::mutex> g(m);
        bytes.insert(bytes.end(), p, p + n);
        ++chunks;
        largest = std::max(largest, n);
        cv.notify_all();
    }
    bool waitFor(size_t n) {
        std::unique_lock<std::mutex> g(m);
        return cv.wait_for(g, std::chrono::seconds(5), [&] { return bytes.size() >= n || lost; }) && bytes.size() >= n;
    }
};

SerialRequest Request(const std::string& path, int baud = 9600) {
    SerialRequest r;
    r.path = path;
    r.baud = baud;
    return r;
}

TEST(SerialPort, ReadsEveryByteInOrderInChunksOfAtMost84) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    CCommSerial port;
    ASSERT_TRUE(port.Open(Request(pty.path))) << port.error();
    EXPECT_TRUE(port.Open(Request(pty.path)));  // already open: success without reopening
    Collector c;
    ASSERT_TRUE(port.StartReader([&](const uint8_t* p, size_t n) { c.chunk(p, n); }));
    std::vector<uint8_t> sent;
    for (int i = 0; i < 5000; ++i) sent.push_back(uint8_t(i * 31 + i / 256));
    // Written in pieces large and small, so that the driver queues more than 84 bytes at once.
    for (size_t at = 0; at < sent.size();) {
        size_t n = std::min(sent.size() - at, size_t(at % 3 == 0 ? 700 : 5));
        ASSERT_TRUE(pty.write({sent.begin() + long(at), sent.begin() + long(at + n)}));
        at += n;
    }
    ASSERT_TRUE(c.waitFor(sent.size())) << c.bytes.size() << " of " << sent.size();
    port.Close();
    EXPECT_EQ(c.bytes, sent);
    EXPECT_LE(c.largest, CCommSerial::kChunk);
    EXPECT_GE(c.chunks, sent.size() / CCommSerial::kChunk);
    EXPECT_FALSE(port.connected());
}

TEST(SerialPort, CloseWakesAReaderThatWaitsForBytes) {
    Pty pty;
    CCommSerial port;
    ASSERT_TRUE(port.Open(Request(pty.path)));
    ASSERT_TRUE(port.StartReader([](const uint8_t*, size_t) {}));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the reader is in poll now
    auto t0 = std::chrono::steady_clock::now();
    port.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_FALSE(port.reading());
    port.Close();  // twice is harmless
    // The port can be opened again once closed.
    EXPECT_TRUE(port.Open(Request(pty.path)));
}

TEST(SerialPort, AVanishedDeviceEndsTheReaderAndSaysSo) {
    Pty pty;
    CCommSerial port;
    ASSERT_TRUE(port.Open(Request(pty.path)));
    Collector c;
    ASSERT_TRUE(port.StartReader([&](const uint8_t* p, size_t n) { c.chunk(p, n); },
                                 [&](int) {
                                     std::lock_guard<std::mutex> g(c.m);
                                     ++c.lost;
                                     c.cv.notify_all();
                                 }));
    ASSERT_TRUE(pty.write({1, 2, 3}));
    ASSERT_TRUE(c.waitFor(3));
    pty.hangUp();
    {
        std::unique_lock<std::mutex> g(c.m);
        EXPECT_TRUE(c.cv.wait_for(g, std::chrono::seconds(5), [&] { return c.lost > 0; }));
    }
    port.Close();
    EXPECT_EQ(c.lost, 1);
}

TEST(SerialPort, SettingsAndRefusals) {
    Pty pty;
    CCommSerial port;
    // A rate without a classic speed constant is set through the kernel's own-rate interface.
    ASSERT_TRUE(port.Open(Request(pty.path, 128000))) << port.error();
    port.Close();
    int fd = open(pty.path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(SetSerialSpeed(fd, 256000));
    EXPECT_EQ(ReadSerialSpeed(fd), 256000);
    close(fd);
    // Exclusive: a second opener is refused while the port is open.
    ASSERT_TRUE(port.Open(Request(pty.path, 14400)));
    CCommSerial other;
    EXPECT_FALSE(other.Open(Request(pty.path)));
    EXPECT_NE(other.error().find(pty.path), std::string::npos);
    port.Close();
    // A missing device fails with its name and leaves nothing open.
    EXPECT_FALSE(other.Open(Request("/dev/rozedoz-no-such-port")));
    EXPECT_FALSE(other.connected());
    EXPECT_FALSE(other.StartReader([](const uint8_t*, size_t) {}));
    // The request of the settings: COM ports, data bits, parity, the baud list.
    SerialSettings s;
    s.baudIndex = 13;
    s.dataBitsIndex = 2;
    s.parity = 3;
    s.portIndex = 2;
    SerialRequest r = SerialRequestFrom(s);
    EXPECT_EQ(r.path, "/dev/ttyS2");
    EXPECT_EQ(r.baud, 128000);
    EXPECT_EQ(r.dataBits, 7);
    EXPECT_EQ(r.parity, 3);
    EXPECT_EQ(r.flow, 0);
    EXPECT_EQ(SerialRequestFrom(s, "/dev/ttyUSB0").path, "/dev/ttyUSB0");
}

}  // namespace
}  // namespace rz
