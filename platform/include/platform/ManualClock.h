// A clock for tests: time stands still until someone sleeps or advances it,
// and every sleep is counted, so a wait loop of seconds runs in no time and
// its waits can be checked.
#pragma once

#include "platform/Clock.h"

#include <atomic>
#include <cstdint>

namespace qmplatform {

class ManualClock final : public Clock {
public:
    explicit ManualClock(std::uint64_t startMs = 0) : now_(startMs) {}
    std::uint64_t nowMs() const override { return now_.load(); }
    void sleepMs(std::uint32_t milliseconds) override {
        now_ += milliseconds;
        ++sleeps_;
        slept_ += milliseconds;
    }
    void advance(std::uint64_t milliseconds) { now_ += milliseconds; }
    std::uint32_t sleepCount() const { return sleeps_.load(); }
    std::uint64_t sleptMs() const { return slept_.load(); }

private:
    std::atomic<std::uint64_t> now_;
    std::atomic<std::uint32_t> sleeps_{0};
    std::atomic<std::uint64_t> slept_{0};
};

} // namespace qmplatform
