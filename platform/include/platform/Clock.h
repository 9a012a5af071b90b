// Time for code that waits: tests hand in a clock whose sleeps take no time.
#pragma once

#include <cstdint>
#include <memory>

namespace qmplatform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, never going back.
    virtual std::uint64_t nowMs() const = 0;
    virtual void sleepMs(std::uint32_t milliseconds) = 0;
};

// The machine's monotonic clock; sleeps really wait.
std::unique_ptr<Clock> makeSystemClock();

} // namespace qmplatform
