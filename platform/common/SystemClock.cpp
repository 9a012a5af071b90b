#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace qmplatform {

namespace {

class SystemClock final : public Clock {
public:
    std::uint64_t nowMs() const override {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
    }
    void sleepMs(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

} // namespace

std::unique_ptr<Clock> makeSystemClock() {
    return std::make_unique<SystemClock>();
}

} // namespace qmplatform
