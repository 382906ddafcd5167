// A running job: a worker thread that opens a target and writes a finished byte stream to it in
// 64 KiB pieces. The worker owns the target; nothing else touches it. Stop ends the worker
// within a second wherever it waits (opening, a device that takes no data, draining).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rz {

enum class JobOutcome { Running, Done, Stopped, OpenFailed, WriteFailed };

class Job {
public:
    static constexpr size_t kChunk = 64 * 1024;
    static constexpr int kStallSeconds = 5;  // "等待设备…" after this long without progress

    Job(std::string target, std::vector<uint8_t> bytes);
    ~Job();  // stops and joins
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // Starts the worker; false (outcome OpenFailed) when no thread could be made.
    bool start();
    // Any thread: the worker stops at once, the target is closed and a file target removed.
    void stop();
    // While paused the worker sends nothing more (it finishes the piece under way).
    void pause(bool on) { paused_.store(on); }

    bool finished() const { return outcome_.load() != JobOutcome::Running; }
    // Waits up to `ms` for the worker to end; true when it has.
    bool wait(int ms);
    JobOutcome outcome() const { return outcome_.load(); }
    std::string reason() const;  // why it failed
    const std::string& target() const { return target_; }

    size_t total() const { return bytes_.size(); }
    size_t sent() const { return sent_.load(); }
    int percent() const;
    // No byte went out for kStallSeconds while there were bytes to send.
    bool stalled() const { return stalled_.load(); }

private:
    void run();
    void end(JobOutcome o, std::string why = {});

    std::string target_;
    std::vector<uint8_t> bytes_;
    int cancelFd_ = -1;
    std::atomic<JobOutcome> outcome_{JobOutcome::Running};
    std::atomic<size_t> sent_{0};
    std::atomic<bool> stalled_{false}, paused_{false};
    mutable std::mutex reasonMutex_;
    std::string reason_;
    std::jthread thread_;
};

}  // namespace rz
