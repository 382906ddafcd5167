// Where a job's bytes go: an existing character device or FIFO, a plain file (written under a
// temporary name and renamed when complete), a TCP printer port ("tcp://host:9100"), a CUPS
// queue as a raw job ("cups:QUEUE", when built with CUPS) or standard output ("-").
//
// Each target is held exclusively while it is open: a second job for the same target, from
// this program or (for devices and FIFOs) another one, cannot open it.
#pragma once

#include <memory>
#include <string>

namespace rz {

enum class TargetKind { Device, Fifo, File, Tcp, Cups, Stdout };

class Target {
public:
    virtual ~Target();  // closes; an unfinished file leaves nothing behind
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    TargetKind kind() const { return kind_; }
    // Non-blocking descriptor to write to.
    int fd() const { return fd_; }
    // Sends `n` bytes at most; the count written, 0 when the target cannot take any now, -1
    // on an error (errno set).
    long write(const void* data, size_t n);
    // Completes the delivery after the last byte: the file is renamed into place, a socket is
    // shut down and drained, a CUPS job submitted. Waits end early when `cancelFd` becomes
    // readable. False with `err` set when the delivery failed.
    virtual bool finish(int cancelFd, std::string& err);

protected:
    Target(TargetKind k, int fd, std::string lockKey);
    TargetKind kind_;
    int fd_ = -1;
    std::string lockKey_;
};

// Opens `where` for a job. Waits (for a FIFO's reader, a TCP connection of at most 5 s) end
// early when `cancelFd` becomes readable. Null with `err` set ("busy", "no such device", the
// system's reason) when it cannot be opened.
std::unique_ptr<Target> OpenTarget(const std::string& where, int cancelFd, std::string& err);

// True when this build can send to CUPS queues.
bool CupsAvailable();

}  // namespace rz
