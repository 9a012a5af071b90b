#include "SampleMachine.h"

#include "diagtool/windows/WindowsDiagnostics.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

namespace {

// The registry checks of one system, in a fixed order.
std::array<bool, 6> registryChecks(qmplatform::System& system) {
    const WindowsDiagnostics checks(system);
    return {checks.isAllocateCdRomsSet(), checks.isAutorunOn(),        checks.isIntelAcceleratorInstalled(),
            checks.isIaaFixSet(),         checks.isServiceAutomatic(), checks.isServiceLocalSystem()};
}

// Run where the real system's registry holds a sample machine's HKLM.reg
// (the Windows lane imports it into its Wine prefix and names the machine in
// QM_REAL_SYSTEM_SAMPLE): the real system must answer as the emulated one.
TEST(RealSystemChecks, AgreeWithTheEmulatedSampleMachine) {
    const char* sample = std::getenv("QM_REAL_SYSTEM_SAMPLE");
    if (sample == nullptr || *sample == '\0') {
        GTEST_SKIP() << "no sample machine imported into the real registry";
    }
    std::string error;
    const std::unique_ptr<qmplatform::System> real = qmplatform::makeDefaultSystem(error);
    ASSERT_TRUE(real) << error;
    qmtest::SampleMachine emulated(sample);
    EXPECT_EQ(registryChecks(*real), registryChecks(emulated.sys()));
    EXPECT_EQ(WindowsDiagnostics(*real).systemSettingsReport(),
              WindowsDiagnostics(emulated.sys()).systemSettingsReport());
}

} // namespace
