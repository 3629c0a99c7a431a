// Where the window's progress bar stands during one Upload: empty until the
// server has acknowledged a byte, then up with its share of the body, full
// only once the reply is in, and empty again after a failure or a stop (full
// would read as done). The old ten steps are hundreds here, so the bar moves
// smoothly.
#pragma once

#include <cstdint>

namespace uploadprogress {

constexpr int kMaximum = 1000;
// Short of full, which only the reply brings.
constexpr int kAllSent = 990;

// 0 to kAllSent with the share of `total` bytes the server has; never
// reaches full.
constexpr int whileSending(std::uint64_t acknowledged, std::uint64_t total)
{
    if (total == 0 || acknowledged >= total)
        return kAllSent;
    return static_cast<int>((acknowledged * std::uint64_t(kAllSent)) / total);
}

constexpr int afterJob(bool failedOrStopped)
{
    return failedOrStopped ? 0 : kMaximum;
}

} // namespace uploadprogress
