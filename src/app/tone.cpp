#include "app/tone.h"

#include <algorithm>
#include <cmath>

namespace rz {

std::vector<float> toneSamples(int hz, int ms, int rate) {
    if (hz <= 0 || ms <= 0 || rate <= 0) return {};
    const size_t n = static_cast<size_t>(static_cast<int64_t>(rate) * ms / 1000);
    const size_t ramp = std::min<size_t>(n / 2, static_cast<size_t>(rate / 200));  // 5 ms
    std::vector<float> out(n);
    const double w = 2.0 * M_PI * hz / rate;
    for (size_t i = 0; i < n; ++i) {
        double a = 0.5;
        if (ramp > 0) {
            if (i < ramp) a *= static_cast<double>(i) / ramp;
            else if (n - 1 - i < ramp) a *= static_cast<double>(n - 1 - i) / ramp;
        }
        out[i] = static_cast<float>(a * std::sin(w * static_cast<double>(i)));
    }
    return out;
}

}  // namespace rz
