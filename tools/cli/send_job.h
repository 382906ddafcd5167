// Sending a finished stream to a job target from a verb: Ctrl+C stops the job.
#pragma once

#include <string>
#include <vector>

namespace rz::cli {

// 0 when every byte was delivered, 1 when the target failed (after a message), 3 when stopped
// by SIGINT (within a second).
int SendToTarget(const char* verb, const std::string& target, std::vector<uint8_t> bytes);

}  // namespace rz::cli
