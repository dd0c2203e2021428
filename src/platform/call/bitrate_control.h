#pragma once

// The video bitrate follows what the owner's phone reports in its RTCP receiver reports: the
// share of packets lost since the last report. Loss means the path is full, so the rate drops at
// once; a clean path lets it creep back up. Simple additive-increase, multiplicative-decrease,
// as a phone on a mobile network needs.
namespace bitrate_control {

constexpr int lowest_bps = 100'000;
constexpr int highest_bps = 1'500'000;

// The starting rate for a picture of this size (about 0.1 bit per pixel at 20 fps).
int start_for(int width, int height);

// The next rate, from the current one and the fraction of packets lost (0..1, or < 0 when the
// receiver has reported nothing yet: the rate stays).
int next(int current_bps, double fraction_lost);

}  // namespace bitrate_control
