// Where the window's progress bar stands during one Upload: half before the
// job, then up with the share of the body sent, full only once the reply is
// in, and empty again after a failure or a stop (full would read as done).
// The old ten steps are hundreds here, so the bar moves smoothly.
#pragma once

#include <cstdint>

namespace uploadprogress {

constexpr int kMaximum = 1000;
constexpr int kBeforeJob = 500;
// Short of full, which only the reply brings.
constexpr int kAllSent = 990;

// kBeforeJob to kAllSent with the share of `total` bytes sent; never falls
// back, never reaches full.
constexpr int whileSending(std::uint64_t sent, std::uint64_t total)
{
    if (total == 0 || sent >= total)
        return kAllSent;
    return kBeforeJob + static_cast<int>((sent * std::uint64_t(kAllSent - kBeforeJob)) / total);
}

constexpr int afterJob(bool failedOrStopped)
{
    return failedOrStopped ? 0 : kMaximum;
}

} // namespace uploadprogress
