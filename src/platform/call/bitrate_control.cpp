#include "platform/call/bitrate_control.h"

#include <algorithm>

namespace bitrate_control {
namespace {
constexpr double heavy_loss = 0.10;
constexpr double light_loss = 0.02;
constexpr double cut = 0.7;
constexpr int step_bps = 50'000;
}  // namespace

int start_for(int width, int height) {
    return std::clamp(width * height * 2, lowest_bps, highest_bps);
}

int next(int current_bps, double fraction_lost) {
    int rate = current_bps;
    if (fraction_lost < 0) return std::clamp(rate, lowest_bps, highest_bps);
    if (fraction_lost > heavy_loss)
        rate = int(current_bps * cut);
    else if (fraction_lost < light_loss)
        rate = current_bps + step_bps;
    // Between the two the path holds what we send: stay.
    return std::clamp(rate, lowest_bps, highest_bps);
}

}  // namespace bitrate_control
