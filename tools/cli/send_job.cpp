#include "send_job.h"

#include <signal.h>

#include <atomic>
#include <cstdio>

#include "output/job.h"

namespace rz::cli {

namespace {
volatile sig_atomic_t gInterrupted = 0;
void OnInterrupt(int) { gInterrupted = 1; }
}  // namespace

int SendToTarget(const char* verb, const std::string& target, std::vector<uint8_t> bytes) {
    struct sigaction sa {}, old {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &old);
    Job job(target, std::move(bytes));
    int rc = 0;
    if (job.start()) {
        while (!job.wait(50))
            if (gInterrupted) job.stop();
    }
    sigaction(SIGINT, &old, nullptr);
    switch (job.outcome()) {
    case JobOutcome::Done: rc = 0; break;
    case JobOutcome::Stopped:
        std::fprintf(stderr, "rozedoz-cli %s: stopped\n", verb);
        rc = 3;
        break;
    default:
        std::fprintf(stderr, "rozedoz-cli %s: 不能打开 %s: %s\n", verb, target.c_str(), job.reason().c_str());
        rc = 1;
    }
    return rc;
}

}  // namespace rz::cli
