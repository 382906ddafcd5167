// The program's tones: 80 ms at 500 Hz (refused), 150 Hz (accepted), 80 Hz (step back).
#pragma once

#include <cstdint>
#include <vector>

namespace rz {

constexpr int kToneMillis = 80;

// Mono samples in [-1, 1] of a sine of `hz` lasting `ms` at `rate`, with short ramps at both
// ends so the tone does not click.
std::vector<float> toneSamples(int hz, int ms, int rate);

}  // namespace rz
