// The serial port of the tablet (CCommSerial): opened raw with the user's line settings, read
// by a thread of its own that hands every chunk of at most 84 bytes on, closed by waking that
// thread and joining it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "model/settings.h"

namespace rz {

// The baud list of the 波特率 combo (index 0–14).
constexpr int kBaudRates[15] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600,
                                115200, 128000, 256000};

// Flow-control flags of an open request.
constexpr int kFlowDtrDsr = 1;
constexpr int kFlowRtsCts = 2;
constexpr int kFlowXonXoff = 4;

struct SerialRequest {
    std::string path;   // device file
    int dataBits = 8;   // 5–8
    int flow = 0;       // kFlow* bits
    int parity = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0;   // 0: 1, 1: 1.5, 2: 2
    int baud = 9600;
};

// COM1–COM4 are the first four serial ports of the machine.
std::string SerialPortPath(int portIndex);
// The request digitizer mode makes from the settings (no flow control); `path` overrides the
// port index when not empty.
SerialRequest SerialRequestFrom(const SerialSettings& s, const std::string& path = {});

class CCommSerial {
public:
    // Chunks of received bytes, on the reader thread.
    using Chunk = std::function<void(const uint8_t* data, size_t n)>;
    // The port went away under the reader (the adapter was pulled): on the reader thread,
    // which ends afterwards.
    using Lost = std::function<void(int error)>;
    // Called on the reader thread after each wake-up that read something, and now and then
    // while the chunk consumer has records waiting (see idleTick).
    using Tick = std::function<void()>;

    CCommSerial() = default;
    ~CCommSerial();
    CCommSerial(const CCommSerial&) = delete;
    CCommSerial& operator=(const CCommSerial&) = delete;

    // Opens and configures the port; true at once when already open. On failure nothing stays
    // open and error() says why.
    bool Open(const SerialRequest& r);
    // Starts the reader thread and raises DTR; requires an open port.
    bool StartReader(Chunk chunk, Lost lost = {}, Tick tick = {});
    // Wakes the reader, joins it, drops DTR, purges and closes. Safe to call twice.
    void Close();

    bool connected() const { return fd_ >= 0; }
    bool reading() const { return reader_.joinable(); }
    const std::string& error() const { return error_; }
    // While this returns true the reader wakes every few milliseconds to call the tick even
    // without input (records waiting for room in the tablet queue).
    std::function<bool()> idleTick;

    static constexpr size_t kChunk = 84;

private:
    void readerLoop();
    bool fail(const std::string& what);

    int fd_ = -1;
    int wake_ = -1;  // eventfd: Close wakes the reader through it
    std::thread reader_;
    std::atomic<bool> stop_{false};
    Chunk chunk_;
    Lost lost_;
    Tick tick_;
    std::string error_;
};

// Sets a speed that the classic speed constants lack (14400, 56000, 128000, 256000) or any
// other, by the kernel's own-rate interface. False when the driver refuses it.
bool SetSerialSpeed(int fd, int baud);
// The speed the driver reports (input side), or -1.
int ReadSerialSpeed(int fd);

}  // namespace rz
