#include "output/job.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

#include "output/target.h"

namespace rz {

using Clock = std::chrono::steady_clock;

Job::Job(std::string target, std::vector<uint8_t> bytes)
    : target_(std::move(target)), bytes_(std::move(bytes)) {
    cancelFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

Job::~Job() {
    stop();
    if (thread_.joinable()) thread_.join();
    if (cancelFd_ >= 0) ::close(cancelFd_);
}

bool Job::start() {
    if (cancelFd_ < 0) {
        end(JobOutcome::OpenFailed, "no event descriptor");
        return false;
    }
    try {
        thread_ = std::jthread([this] { run(); });
    } catch (const std::system_error& e) {
        end(JobOutcome::OpenFailed, e.what());
        return false;
    }
    return true;
}

void Job::stop() {
    if (cancelFd_ < 0) return;
    uint64_t one = 1;
    // The counter only grows; a failed write means it is already non-zero.
    [[maybe_unused]] ssize_t n = ::write(cancelFd_, &one, sizeof one);
}

bool Job::wait(int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!finished()) {
        if (Clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (thread_.joinable()) thread_.join();
    return true;
}

std::string Job::reason() const {
    std::lock_guard<std::mutex> g(reasonMutex_);
    return reason_;
}

int Job::percent() const {
    if (bytes_.empty()) return 100;
    return int(sent_.load() * 100 / bytes_.size());
}

void Job::end(JobOutcome o, std::string why) {
    {
        std::lock_guard<std::mutex> g(reasonMutex_);
        reason_ = std::move(why);
    }
    outcome_.store(o);
}

void Job::run() {
    // A reader that goes away must fail the write, not end the program.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    auto stopped = [this] {
        pollfd p{cancelFd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    };
    std::string err;
    std::unique_ptr<Target> t = OpenTarget(target_, cancelFd_, err);
    if (!t) {
        end(stopped() ? JobOutcome::Stopped : JobOutcome::OpenFailed, err);
        return;
    }
    auto lastProgress = Clock::now();
    size_t sent = 0;
    while (sent < bytes_.size()) {
        pollfd p[2] = {{t->fd(), POLLOUT, 0}, {cancelFd_, POLLIN, 0}};
        int n = ::poll(p, 2, 100);
        if (n < 0 && errno != EINTR) {
            end(JobOutcome::WriteFailed, std::strerror(errno));
            return;
        }
        if (p[1].revents & POLLIN) {
            t.reset();  // closes; a file target leaves nothing behind
            end(JobOutcome::Stopped);
            return;
        }
        if (!paused_.load() && (p[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
            long k = t->write(bytes_.data() + sent, std::min(kChunk, bytes_.size() - sent));
            if (k < 0) {
                std::string why = std::strerror(errno);
                t.reset();
                end(JobOutcome::WriteFailed, why);
                return;
            }
            if (k > 0) {
                sent += size_t(k);
                sent_.store(sent);
                lastProgress = Clock::now();
                stalled_.store(false);
            }
        }
        if (!paused_.load() && Clock::now() - lastProgress > std::chrono::seconds(kStallSeconds))
            stalled_.store(true);
    }
    if (!t->finish(cancelFd_, err)) {
        t.reset();
        end(JobOutcome::WriteFailed, err);
        return;
    }
    t.reset();
    end(JobOutcome::Done);
}

}  // namespace rz
