// The scan entry point on working copies of the sample machines: the real
// COM server of each machine behind real detection dialogs.
#include "DriveScan.h"
#include "QtPrint.h"
#include "WorkingMachine.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

void app() {
    static int argc = 1;
    static char name[] = "drive_scan_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) {
        new QApplication(argc, argv);
    }
}

struct ScanCase {
    const char* sample;
    QStringList lines;
};

class DriveScanOnMachines : public ::testing::TestWithParam<ScanCase> {
protected:
    void SetUp() override { app(); }
};

TEST_P(DriveScanOnMachines, LinesPerDrive) {
#ifdef _WIN32
    GTEST_SKIP() << "COM on Windows does not reach the emulated machine's server and drives";
#endif
    qmtest::WorkingMachine machine(GetParam().sample);
    ASSERT_TRUE(machine.ok());
    EXPECT_EQ(WindowsDiagnosticsScan::scanDrivesAndMedia(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, DriveScanOnMachines,
    ::testing::Values(ScanCase{"healthy",
                               {"Drive 0 : Quillmark QLD-2400 (E:), Media Imaging Parameter : 12",
                                "Drive 1 : Quillmark QLD-2400 (F:), Media Imaging Parameter : 18"}},
                      // Drive E fails Validate, so its detection fails too
                      // although it holds a disc; drive F holds none.
                      ScanCase{"broken",
                               {"Drive 0 : Quillmark QLD-2400 (E:), No media detected",
                                "Drive 1 : Quillmark QLD-2400 (F:), No media detected"}},
                      ScanCase{"no-drives", {}},
                      // No host software, so no server to enumerate with.
                      ScanCase{"bare", {"An expection occurred enumerating drives"}}),
    [](const auto& info) {
        std::string name = info.param.sample;
        std::erase(name, '-');
        return name;
    });

} // namespace
