#include "SampleMachine.h"

#include "diagtool/windows/CModuleVersion.h"
#include "diagtool/windows/FixJournal.h"
#include "diagtool/windows/WindowsDiagnostics.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>

namespace {

using qmtest::SampleMachine;
using WD = WindowsDiagnostics;

// What every check says about each shipped machine.
struct MachineChecks {
    const char* machine;
    bool installed;
    bool versionsRead;
    bool allocateCdRoms;
    bool autorun;
    bool accelerator;
    bool iaaFix;
    bool running;
    bool automatic;
    bool localSystem;
};

class SampleMachineChecks : public ::testing::TestWithParam<MachineChecks> {};

TEST_P(SampleMachineChecks, ChecksReadTheMachineAsItIs) {
    const MachineChecks& c = GetParam();
    SampleMachine m(c.machine);
    const WD checks(m.sys());
    EXPECT_EQ(checks.isQmsInstalled(), c.installed);
    std::wstring version = L"stale";
    EXPECT_EQ(checks.getQmsVersion(version), c.versionsRead ? L"OK" : std::wstring(WD::kQmsVersionError));
    EXPECT_EQ(version.empty(), !c.versionsRead);
    EXPECT_EQ(checks.getDrfVersion(version), c.versionsRead ? L"OK" : std::wstring(WD::kDrfVersionError));
    EXPECT_EQ(checks.isAllocateCdRomsSet(), c.allocateCdRoms);
    EXPECT_EQ(checks.isAutorunOn(), c.autorun);
    EXPECT_EQ(checks.isIntelAcceleratorInstalled(), c.accelerator);
    EXPECT_EQ(checks.isIaaFixSet(), c.iaaFix);
    EXPECT_EQ(checks.isServiceRunning(), c.running);
    EXPECT_EQ(checks.isServiceAutomatic(), c.automatic);
    EXPECT_EQ(checks.isServiceLocalSystem(), c.localSystem);
    EXPECT_EQ(m.clock->sleepCount(), 0u);
}

// no-admin: a standard user cannot open the service manager with all access,
// so the service never shows as running there.
INSTANTIATE_TEST_SUITE_P(
    Samples, SampleMachineChecks,
    ::testing::Values(MachineChecks{"healthy", true, true, false, true, false, true, true, true, true},
                      MachineChecks{"broken", true, true, true, false, true, false, false, false, false},
                      MachineChecks{"no-admin", true, true, true, false, true, false, false, false, false},
                      MachineChecks{"slow-service", true, true, false, true, false, true, false, true, true},
                      MachineChecks{"bare", false, false, false, true, false, false, false, false, false}),
    [](const auto& info) {
        std::string name = info.param.machine;
        std::erase(name, '-');
        return name;
    });

TEST(WindowsDiagnostics, InstallPathEndsWithTheSeparator) {
    SampleMachine m("healthy");
    EXPECT_EQ(WD(m.sys()).getQmsInstallPath(), L"C:\\Program Files\\Common Files\\Quillmark\\");
}

TEST(WindowsDiagnostics, VersionsComeFromTheInstalledModules) {
    SampleMachine m("healthy");
    const WD checks(m.sys());
    std::wstring qms;
    std::wstring drf;
    ASSERT_EQ(checks.getQmsVersion(qms), L"OK");
    ASSERT_EQ(checks.getDrfVersion(drf), L"OK");
    // Each read goes to its own module.
    CModuleVersion direct(m.sys().libraries(), m.sys().versionInfo());
    ASSERT_TRUE(
        direct.GetFileVersionInfo(L"C:\\Program Files\\Common Files\\Quillmark\\res\\drfVersion.dll"));
    EXPECT_EQ(drf, direct.versionText());
    EXPECT_NE(qms, drf);
    EXPECT_NE(direct.translation(), CModuleVersion::kDefaultTranslation);
    EXPECT_FALSE(direct.GetFileVersionInfo(L"C:\\Program Files\\Common Files\\Quillmark\\QM_HSI.msi"));
    EXPECT_EQ(direct.fixedInfo().fileVersionMS, 0u) << "a failed read leaves the fixed information zeroed";
}

TEST(WindowsDiagnostics, VersionTextJoinsTheFourWordsHighFirst) {
    struct Case {
        std::uint32_t ms;
        std::uint32_t ls;
        const wchar_t* text;
    };
    for (const Case& c : {Case{0x00010008, 0x000D0001, L"1.8.13.1"}, Case{0, 0, L"0.0.0.0"},
                          Case{0xFFFFFFFF, 0x8000FFFF, L"65535.65535.32768.65535"}}) {
        qmplatform::FixedFileInfo info;
        info.fileVersionMS = c.ms;
        info.fileVersionLS = c.ls;
        info.productVersionMS = 0x00090009;
        EXPECT_EQ(versionText(info), c.text);
    }
}

TEST(WindowsDiagnostics, AllocateCdRomsIsUnhealthyOnlyWhenItHoldsOne) {
    const std::wstring zero = L"0";
    const std::wstring one = L"1";
    const std::wstring other = L"yes";
    for (const std::wstring* value : {&zero, &one, &other, static_cast<const std::wstring*>(nullptr)}) {
        SampleMachine m("healthy");
        qmtest::setHklmValue(m.registry(), WD::kWinlogonKey, L"allocatecdroms", value, nullptr);
        EXPECT_EQ(WD(m.sys()).isAllocateCdRomsSet(), value == &one) << (value ? "has a value" : "absent");
    }
}

TEST(WindowsDiagnostics, AbsentAutorunCountsAsOffInTheReport) {
    SampleMachine m("healthy");
    qmtest::setHklmValue(m.registry(), WD::kCdRomKey, L"autorun", nullptr, nullptr);
    const WD checks(m.sys());
    EXPECT_FALSE(checks.isAutorunOn());
    EXPECT_NE(
        checks.systemSettingsReport().find(L"SYSTEM\\CurrentControlSet\\Services\\CDRom\\autorun - 0\n"),
        std::wstring::npos);
}

TEST(WindowsDiagnostics, FixesMakeTheBrokenMachineHealthyAndPersist) {
    SampleMachine m("broken");
    {
        WD checks(m.sys());
        EXPECT_TRUE(checks.setAllocateCdRoms(false));
        EXPECT_TRUE(checks.setAutorun(true));
        EXPECT_TRUE(checks.setIaaFix(true));
        EXPECT_TRUE(checks.setServiceAutomatic());
        EXPECT_TRUE(checks.setServiceLocalSystem());
    }
    m.reopen();
    const WD checks(m.sys());
    EXPECT_FALSE(checks.isAllocateCdRomsSet());
    EXPECT_TRUE(checks.isAutorunOn());
    EXPECT_TRUE(checks.isIaaFixSet());
    EXPECT_TRUE(checks.isServiceAutomatic());
    EXPECT_TRUE(checks.isServiceLocalSystem());
    qmplatform::RegValue start;
    ASSERT_EQ(qmtest::readHklm(m.registry(), WD::kServiceKey, L"Start", start), 0);
    EXPECT_EQ(start.type, qmplatform::kRegDword);
    EXPECT_EQ(start.data, (std::vector<std::uint8_t>{2, 0, 0, 0}));
    qmplatform::RegValue allocate;
    ASSERT_EQ(qmtest::readHklm(m.registry(), WD::kWinlogonKey, L"allocatecdroms", allocate), 0);
    EXPECT_EQ(allocate.type, qmplatform::kRegSz);
    EXPECT_EQ(allocate.data, (std::vector<std::uint8_t>{'0', 0, 0, 0}));
}

TEST(WindowsDiagnostics, ServiceAccountMustBeSpelledExactly) {
    SampleMachine m("healthy");
    for (const wchar_t* name : {L"localsystem", L"LOCALSYSTEM", L"LocalSystem ", L".\\LocalSystem"}) {
        const std::wstring text = name;
        qmtest::setHklmValue(m.registry(), WD::kServiceKey, L"ObjectName", &text, nullptr);
        EXPECT_FALSE(WD(m.sys()).isServiceLocalSystem()) << qmplatform::toUtf8(text);
    }
    const std::uint32_t three = 3;
    qmtest::setHklmValue(m.registry(), WD::kServiceKey, L"Start", nullptr, &three);
    EXPECT_FALSE(WD(m.sys()).isServiceAutomatic());
}

TEST(WindowsDiagnostics, WithoutAdministratorRightsFixesFailAndTheSettingStaysWrong) {
    SampleMachine m("no-admin");
    WD checks(m.sys());
    EXPECT_FALSE(checks.setAllocateCdRoms(false));
    EXPECT_FALSE(checks.setServiceAutomatic());
    EXPECT_FALSE(checks.setServiceLocalSystem());
    EXPECT_TRUE(checks.isAllocateCdRomsSet());
    EXPECT_FALSE(checks.isServiceAutomatic());
    EXPECT_FALSE(checks.isServiceLocalSystem());
    EXPECT_FALSE(checks.startService());
}

TEST(WindowsDiagnostics, ServiceStartChecksOncePerSecondUpToTenTimes) {
    struct Case {
        const char* machine;
        bool started;
        std::uint32_t sleeps;
    };
    // Three seconds of start: running at the fourth check, after three waits.
    for (const Case& c :
         {Case{"slow-service", true, 3}, Case{"dead-service", false, 10}, Case{"healthy", true, 0}}) {
        SampleMachine m(c.machine);
        WD checks(m.sys());
        EXPECT_EQ(checks.startService(), c.started) << c.machine;
        EXPECT_EQ(m.clock->sleepCount(), c.sleeps) << c.machine;
        EXPECT_EQ(m.clock->sleptMs(), c.sleeps * 1000ull) << c.machine;
        EXPECT_EQ(checks.isServiceRunning(), c.started) << c.machine;
    }
}

TEST(WindowsDiagnostics, MissingServiceCannotBeStarted) {
    SampleMachine m("bare");
    EXPECT_FALSE(WD(m.sys()).startService());
    EXPECT_EQ(m.clock->sleepCount(), 0u);
}

// The emulated machine grants the shutdown privilege to every user, as
// workstations do; a refusal needs a power service that refuses.
class RecordingPower final : public qmplatform::Power {
public:
    long privilegeResult = qmplatform::kErrorSuccess;
    std::vector<std::uint32_t> exits;
    long enableShutdownPrivilege() override { return privilegeResult; }
    bool exitWindows(std::uint32_t flags) override {
        exits.push_back(flags);
        return true;
    }
};

// The machine with its power or its service manager replaced.
class SystemWith final : public qmplatform::System {
public:
    SystemWith(qmplatform::System& base, qmplatform::Power* power,
               qmplatform::ServiceControl* services = nullptr)
        : System(replaced(base.parts(), power, services)) {}

private:
    static qmplatform::SystemParts replaced(qmplatform::SystemParts parts, qmplatform::Power* power,
                                            qmplatform::ServiceControl* services) {
        if (power != nullptr)
            parts.power = qmplatform::borrowed(*power);
        if (services != nullptr)
            parts.services = qmplatform::borrowed(*services);
        return parts;
    }
};

TEST(WindowsDiagnostics, RestartRebootsByForceOnTheMachine) {
    SampleMachine m("healthy");
    EXPECT_TRUE(WD(m.sys()).restartWindows());
    const auto& restarts = m.system->machine().settings().restarts;
    ASSERT_EQ(restarts.size(), 1u);
    EXPECT_EQ(restarts.front().flags, qmplatform::kEwxReboot | qmplatform::kEwxForce);
}

TEST(WindowsDiagnostics, RestartWithoutTheShutdownPrivilegeAsksNothing) {
    SampleMachine m("healthy");
    for (const long refusal : {qmplatform::kErrorNotAllAssigned, qmplatform::kErrorAccessDenied}) {
        RecordingPower power;
        power.privilegeResult = refusal;
        SystemWith system(m.sys(), &power);
        EXPECT_FALSE(WD(system).restartWindows());
        EXPECT_TRUE(power.exits.empty());
    }
}

TEST(WindowsDiagnostics, DriveCheckAsksTheCounterAndSurvivesItsFailure) {
    SampleMachine m("healthy");
    EXPECT_FALSE(WD(m.sys()).hasQuillmarkDrive()) << "no counter wired";
    EXPECT_FALSE(WD(m.sys(), [] { return 0; }).hasQuillmarkDrive());
    EXPECT_TRUE(WD(m.sys(), [] { return 2; }).hasQuillmarkDrive());
    EXPECT_FALSE(WD(m.sys(), []() -> int { throw std::runtime_error("no COM server"); }).hasQuillmarkDrive());
}

TEST(WindowsDiagnostics, QmsReportDumpsValuesAndSubkeysUnderTheirOwnPaths) {
    SampleMachine m("healthy");
    const std::wstring q = L"SOFTWARE\\Quillmark\\";
    const std::wstring s = L"SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\";
    const std::wstring e = L"SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\QuillmarkService\\";
    const std::wstring expected =
        q + L"LogLevel - Error\n" + q + L"APILogging - 0\n" + q + L"IAA - 1\n" + q +
        L"InstallFolder - C:\\Program Files\\Common Files\\Quillmark\\\n" + q +
        L"\n" // InstallId is binary: the path alone
        + q + L"Engine\\Generation - 4\n" + q +
        L"Engine\\ResourceFolder - C:\\Program Files\\Common Files\\Quillmark\\res\n" + q +
        L"Service\\PipeName - \\\\.\\pipe\\QuillmarkService\n" + q + L"Service\\TimeoutMs - 5000\n" + s +
        L"Type - 16\n" + s + L"Start - 2\n" + s + L"ErrorControl - 1\n" + s + L"\n" + s +
        L"ObjectName - LocalSystem\n" + s + L"DisplayName - Quillmark Service\n" + s +
        L"Description - Drives Quillmark disc labelling for the labelling API.\n" + e + L"\n" + e +
        L"TypesSupported - 7\n";
    EXPECT_EQ(WD(m.sys()).qmsSettingsReport(), expected);
}

TEST(WindowsDiagnostics, QmsReportNamesEachMissingKey) {
    SampleMachine m("bare");
    EXPECT_EQ(WD(m.sys()).qmsSettingsReport(), L"Error reading SOFTWARE\\Quillmark registry data"
                                               L"Error reading QuillmarkService registry data"
                                               L"Error reading QuillmarkService registry data");
}

TEST(WindowsDiagnostics, SystemReportOfHealthyAndBrokenMachines) {
    const std::wstring tail1 =
        L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\allocatecdroms - ";
    const std::wstring tail2 = L"SYSTEM\\CurrentControlSet\\Services\\CDRom\\autorun - ";
    const std::wstring tail3 = L"SOFTWARE\\INTEL\\Intel Application Accelerator - ";
    const std::wstring en = L"SYSTEM\\CurrentControlSet\\Services\\Cdrom\\Enum\\";
    SampleMachine healthy("healthy");
    EXPECT_EQ(WD(healthy.sys()).systemSettingsReport(),
              en + L"0 - IDE\\CdRomQUILLMARK_QLD-2400_______________1.00____\\5&2a3b4c5d&0&0.0.0\n" + en +
                  L"Count - 1\n" + en + L"NextInstance - 1\n" + tail1 + L"0\n" + tail2 + L"1\n" + tail3 +
                  L"Not detected\n");
    SampleMachine broken("broken");
    EXPECT_EQ(WD(broken.sys()).systemSettingsReport(),
              L"Unable to access " + en + tail1 + L"1\n" + tail2 + L"0\n" + tail3 + L"Detected\n");
}

TEST(WindowsDiagnostics, UndoPutsBackWhatEachFixChangedLastFirst) {
    SampleMachine m("broken");
    MemoryFixJournal journal;
    WD checks(m.sys(), {}, &journal);
    ASSERT_TRUE(checks.setServiceAutomatic());
    ASSERT_TRUE(checks.setServiceLocalSystem());
    qmtest::setHklmValue(m.registry(), WD::kQuillmarkKey, L"IAA", nullptr, nullptr);
    ASSERT_TRUE(checks.setIaaFix(true));
    ASSERT_EQ(journal.records().size(), 3u);
    EXPECT_EQ(journal.records()[0].data, (std::vector<std::uint8_t>{3, 0, 0, 0}));

    ASSERT_TRUE(checks.undoLastFix());
    qmplatform::RegValue iaa;
    EXPECT_EQ(qmtest::readHklm(m.registry(), WD::kQuillmarkKey, L"IAA", iaa), qmplatform::kErrorFileNotFound)
        << "a value the fix created is removed again";
    ASSERT_TRUE(checks.undoLastFix());
    EXPECT_FALSE(checks.isServiceLocalSystem());
    qmplatform::RegValue name;
    ASSERT_EQ(qmtest::readHklm(m.registry(), WD::kServiceKey, L"ObjectName", name), 0);
    EXPECT_EQ(qmplatform::regSzText(name.data), L"localsystem");
    EXPECT_TRUE(checks.isServiceAutomatic());
    ASSERT_TRUE(checks.undoLastFix());
    EXPECT_FALSE(checks.isServiceAutomatic());
    EXPECT_FALSE(checks.undoLastFix()) << "nothing left to undo";
    EXPECT_TRUE(journal.records().empty());
}

TEST(WindowsDiagnostics, FailedFixLeavesNothingToUndo) {
    SampleMachine m("no-admin");
    MemoryFixJournal journal;
    WD checks(m.sys(), {}, &journal);
    EXPECT_FALSE(checks.setServiceAutomatic());
    EXPECT_TRUE(journal.records().empty());
    EXPECT_FALSE(checks.undoLastFix());
}

// Services that take a stop request but stay stop pending for a number of
// status queries (for ever when negative) before they really stop; or that
// accept a start and fail at once, staying stopped.
class SlowToStop final : public qmplatform::ServiceControl {
public:
    SlowToStop(qmplatform::ServiceControl& base, int pendingQueries)
        : base_(base), pending_(pendingQueries) {}
    long openManager(std::uint32_t access, std::unique_ptr<qmplatform::ServiceManagerHandle>& out) override {
        std::unique_ptr<qmplatform::ServiceManagerHandle> manager;
        const long result = base_.openManager(access, manager);
        if (result == qmplatform::kErrorSuccess) {
            out = std::make_unique<Manager>(*this, std::move(manager));
        }
        return result;
    }
    int stopRequests = 0;
    bool startFails = false;

private:
    struct Service final : qmplatform::ServiceHandle {
        Service(SlowToStop& o, std::unique_ptr<qmplatform::ServiceHandle> b) : owner(o), base(std::move(b)) {}
        long queryStatus(qmplatform::ServiceStatus& out) override {
            if (owner.stopRequests > 0 && owner.pending_ != 0) {
                if (owner.pending_ > 0) {
                    --owner.pending_;
                }
                const long result = base->queryStatus(out);
                out.currentState = qmplatform::kServiceStopPending;
                return result;
            }
            if (owner.stopRequests > 0 && !owner.stopped_) {
                owner.stopped_ = true;
                (void)base->stop();
            }
            return base->queryStatus(out);
        }
        long start() override { return owner.startFails ? qmplatform::kErrorSuccess : base->start(); }
        long stop() override {
            ++owner.stopRequests;
            return qmplatform::kErrorSuccess;
        }
        SlowToStop& owner;
        std::unique_ptr<qmplatform::ServiceHandle> base;
    };
    struct Manager final : qmplatform::ServiceManagerHandle {
        Manager(SlowToStop& o, std::unique_ptr<qmplatform::ServiceManagerHandle> b)
            : owner(o), base(std::move(b)) {}
        long openService(std::wstring_view name, std::uint32_t access,
                         std::unique_ptr<qmplatform::ServiceHandle>& out) override {
            std::unique_ptr<qmplatform::ServiceHandle> service;
            const long result = base->openService(name, access, service);
            if (result == qmplatform::kErrorSuccess) {
                out = std::make_unique<Service>(owner, std::move(service));
            }
            return result;
        }
        SlowToStop& owner;
        std::unique_ptr<qmplatform::ServiceManagerHandle> base;
    };

    qmplatform::ServiceControl& base_;
    int pending_;
    bool stopped_ = false;
};

qmplatform::emulated::ServiceRunState runState(SampleMachine& m) {
    return m.system->machine().service(WD::kServiceName).state;
}

FixRecord serviceStartRecord() {
    FixRecord record;
    record.kind = FixKind::ServiceStart;
    record.service = L"QuillmarkService";
    return record;
}

// Undo stops only what the fix started: a service that was running already,
// or that the system refused to start, leaves no record.
TEST(WindowsDiagnostics, AServiceStartIsJournalledOnlyWhenTheFixStartsIt) {
    struct Case {
        const char* machine;
        bool started;
        bool recorded;
    };
    for (const Case& c :
         {Case{"broken", true, true}, Case{"slow-service", true, true}, Case{"healthy", true, false},
          Case{"dead-service", false, false}, Case{"no-admin", false, false}, Case{"bare", false, false}}) {
        SampleMachine m(c.machine);
        MemoryFixJournal journal;
        WD checks(m.sys(), {}, &journal);
        EXPECT_EQ(checks.startService(), c.started) << c.machine;
        EXPECT_EQ(journal.records(),
                  c.recorded ? std::vector<FixRecord>{serviceStartRecord()} : std::vector<FixRecord>{})
            << c.machine;
    }
}

TEST(WindowsDiagnostics, AnAcceptedStartKeepsItsRecordUnlessTheServiceEndsStopped) {
    {
        SampleMachine m("broken");
        std::string error;
        ASSERT_TRUE(m.system->machine().setService(
            WD::kServiceName, {qmplatform::emulated::ServiceRunState::Stopped, 11, false}, error));
        MemoryFixJournal journal;
        WD checks(m.sys(), {}, &journal);
        EXPECT_FALSE(checks.startService()) << "still starting after ten checks";
        EXPECT_EQ(journal.records(), std::vector<FixRecord>{serviceStartRecord()});
        m.clock->advance(1000);
        EXPECT_TRUE(checks.isServiceRunning());
        EXPECT_TRUE(checks.undoLastFix());
        EXPECT_FALSE(checks.isServiceRunning());
    }
    SampleMachine m("broken");
    SlowToStop services(m.sys().services(), 0);
    services.startFails = true;
    SystemWith system(m.sys(), nullptr, &services);
    MemoryFixJournal journal;
    EXPECT_FALSE(WD(system, {}, &journal).startService());
    EXPECT_TRUE(journal.records().empty());
}

// A journal that cannot keep a record never costs the user the fix: the fix
// is made, and the checks say that it cannot be undone, and why.
TEST(WindowsDiagnostics, AJournalThatCannotRecordNeverCostsAFix) {
    struct Refusing final : FixJournal {
        bool append(const FixRecord&) override { return false; }
        bool last(FixRecord&) const override { return false; }
        bool dropLast() override { return false; }
        std::wstring problem() const override { return L"the disk is full"; }
    };
    struct Fix {
        const char* name;
        bool (*make)(WD&);
        bool (*isFixed)(const WD&);
    };
    const Fix fixes[] = {
        {"allocatecdroms", [](WD& c) { return c.setAllocateCdRoms(false); },
         [](const WD& c) { return !c.isAllocateCdRomsSet(); }},
        {"autorun", [](WD& c) { return c.setAutorun(true); }, [](const WD& c) { return c.isAutorunOn(); }},
        {"accelerator", [](WD& c) { return c.setIaaFix(true); }, [](const WD& c) { return c.isIaaFixSet(); }},
        {"start type", [](WD& c) { return c.setServiceAutomatic(); },
         [](const WD& c) { return c.isServiceAutomatic(); }},
        {"account", [](WD& c) { return c.setServiceLocalSystem(); },
         [](const WD& c) { return c.isServiceLocalSystem(); }},
        {"service start", [](WD& c) { return c.startService(); }, [](const WD& c) { return c.isServiceRunning(); }},
    };
    for (const Fix& f : fixes) {
        {
            SampleMachine m("broken");
            Refusing journal;
            WD checks(m.sys(), {}, &journal);
            ASSERT_FALSE(f.isFixed(checks)) << f.name;
            EXPECT_TRUE(f.make(checks)) << f.name;
            EXPECT_TRUE(f.isFixed(checks)) << f.name;
            EXPECT_FALSE(checks.lastFixRecorded()) << f.name;
            EXPECT_EQ(checks.journalProblem(), L"the disk is full") << f.name;
            EXPECT_FALSE(checks.undoLastFix()) << f.name;
        } // closed before the same sample is made again (Windows keeps open files)

        // The same fix with a journal that keeps it is recorded.
        SampleMachine again("broken");
        MemoryFixJournal kept;
        WD recording(again.sys(), {}, &kept);
        EXPECT_TRUE(f.make(recording)) << f.name;
        EXPECT_TRUE(recording.lastFixRecorded()) << f.name;
        EXPECT_EQ(kept.records().size(), 1u) << f.name;
    }
}

TEST(WindowsDiagnostics, UndoStopsTheServiceTheFixStarted) {
    SampleMachine m("broken");
    MemoryFixJournal journal;
    WD checks(m.sys(), {}, &journal);
    ASSERT_TRUE(checks.startService());
    ASSERT_TRUE(checks.setServiceAutomatic());
    ASSERT_TRUE(checks.undoLastFix());
    EXPECT_FALSE(checks.isServiceAutomatic());
    EXPECT_TRUE(checks.isServiceRunning()) << "only the last fix is taken back";
    ASSERT_TRUE(checks.undoLastFix());
    EXPECT_FALSE(checks.isServiceRunning());
    m.reopen();
    EXPECT_EQ(runState(m), qmplatform::emulated::ServiceRunState::Stopped) << "the next run sees it stopped";
    EXPECT_TRUE(journal.records().empty());
    EXPECT_EQ(m.clock->sleepCount(), 0u);
}

// The stop is waited for as the start is: one check a second, ten at most.
TEST(WindowsDiagnostics, UndoWaitsForTheStopAndKeepsTheRecordOfAServiceThatStaysUp) {
    struct Case {
        int pendingQueries;
        bool undone;
        std::uint32_t sleeps;
    };
    for (const Case& c :
         {Case{0, true, 0}, Case{2, true, 2}, Case{9, true, 9}, Case{10, false, 10}, Case{-1, false, 10}}) {
        SCOPED_TRACE(c.pendingQueries);
        SampleMachine m("broken");
        MemoryFixJournal journal;
        ASSERT_TRUE(WD(m.sys(), {}, &journal).startService());
        SlowToStop services(m.sys().services(), c.pendingQueries);
        SystemWith system(m.sys(), nullptr, &services);
        WD checks(system, {}, &journal);
        EXPECT_EQ(checks.undoLastFix(), c.undone);
        EXPECT_EQ(services.stopRequests, 1);
        EXPECT_EQ(m.clock->sleepCount(), c.sleeps);
        EXPECT_EQ(m.clock->sleptMs(), c.sleeps * 1000ull);
        EXPECT_EQ(journal.records().size(), c.undone ? 0u : 1u);
        EXPECT_EQ(runState(m), c.undone ? qmplatform::emulated::ServiceRunState::Stopped
                                        : qmplatform::emulated::ServiceRunState::Running);
    }
}

TEST(WindowsDiagnostics, AStandardUserCannotTakeBackAStart) {
    SampleMachine m("broken");
    MemoryFixJournal journal;
    ASSERT_TRUE(WD(m.sys(), {}, &journal).startService());
    std::string error;
    ASSERT_TRUE(m.system->machine().updateSettings(
        [](nlohmann::ordered_json& doc, std::string&) {
            doc["administrator"] = false;
            return true;
        },
        error))
        << error;
    m.reopen();
    WD checks(m.sys(), {}, &journal);
    EXPECT_FALSE(checks.stopService());
    EXPECT_FALSE(checks.undoLastFix());
    EXPECT_EQ(journal.records().size(), 1u);
    EXPECT_EQ(runState(m), qmplatform::emulated::ServiceRunState::Running);
    EXPECT_EQ(m.clock->sleepCount(), 0u) << "nothing to wait for when the stop is refused";
}

TEST(WindowsDiagnostics, StoppingAStoppedOrMissingService) {
    SampleMachine broken("broken");
    EXPECT_TRUE(WD(broken.sys()).stopService()) << "already as wanted";
    SampleMachine bare("bare");
    EXPECT_FALSE(WD(bare.sys()).stopService());
    EXPECT_EQ(broken.clock->sleepCount() + bare.clock->sleepCount(), 0u);
}

} // namespace
