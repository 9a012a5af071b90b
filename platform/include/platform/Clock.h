// Time for code that waits: tests hand in a clock whose sleeps take no time.
#pragma once

#include <cstdint>

namespace qmplatform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, never going back.
    virtual std::uint64_t nowMs() const = 0;
    virtual void sleepMs(std::uint32_t milliseconds) = 0;
};

} // namespace qmplatform
