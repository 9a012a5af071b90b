// qmdiag on working copies of the sample machines, made by qmmachine as a
// user's machine would be (labelling server and drives included).
#include "QmDiagCommand.h"

#include "DamagedMachine.h"
#include "diagtool/app/DiagtoolSession.h"
#include "diagtool/windows/GuidedCheck.h"
#include "QmMachineCommand.h"

#include "platform/machine/EmulatedSystem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class QmDiagTest : public ::testing::Test {
protected:
    fs::path dir;

    void create(const std::string& sample) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(::testing::TempDir()) / ("qmdiag_" + std::string(test->name()) + "_" + sample);
        fs::remove_all(dir);
        std::ostringstream out, err;
        ASSERT_EQ(qmmachine::runQmMachine({"create", dir.string(), "--from", sample}, out, err), 0)
            << err.str();
    }
    // The machine's record of the service, as Windows would find it at start.
    void setServiceState(const char* state) {
        const fs::path file = dir / "machine.json";
        nlohmann::ordered_json doc = nlohmann::ordered_json::parse(readFile(file));
        doc["services"]["QuillmarkService"]["state"] = state;
        std::ofstream(file) << doc.dump(2);
    }
    qmdiag::SystemFactory factory() const {
        return [d = dir](std::string& error) -> std::unique_ptr<qmplatform::System> {
            return qmplatform::emulated::makeEmulatedSystem(d, {}, error);
        };
    }
    Outcome run(const std::vector<std::string>& args) const {
        std::ostringstream out, err;
        const int status = qmdiag::runQmDiag(args, factory(), out, err);
        return {status, out.str(), err.str()};
    }
    nlohmann::ordered_json json() const {
        const Outcome r = run({"report", "--json"});
        return nlohmann::ordered_json::parse(r.out);
    }
    // Everything on the machine a program could change.
    std::string machineState() const { return readFile(dir / "HKLM.reg") + readFile(dir / "machine.json"); }
};

TEST_F(QmDiagTest, UsageErrorsAndHelp) {
    create("healthy");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{},
                                                                                      {"frobnicate"},
                                                                                      {"report", "--xml"},
                                                                                      {"fix", "now"},
                                                                                      {"undo", "--json"},
                                                                                      {"report", "fix"}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, qmdiag::kExitUsage) << ::testing::PrintToString(args);
        EXPECT_THAT(r.err, HasSubstr("qmdiag")) << ::testing::PrintToString(args);
    }
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"report", "fix", "undo"}) {
        EXPECT_THAT(help.out, HasSubstr(word));
    }
}

TEST_F(QmDiagTest, NoMachineIsNotAReport) {
    std::ostringstream out, err;
    const int status = qmdiag::runQmDiag(
        {"report"},
        [](std::string& error) -> std::unique_ptr<qmplatform::System> {
            error = "gone";
            return nullptr;
        },
        out, err);
    EXPECT_EQ(status, qmdiag::kExitNoSystem);
    EXPECT_THAT(err.str(), HasSubstr("gone"));
}

// A machine whose own files cannot be read is no machine, for every
// command: not an empty registry to report on, fix or undo. The file is named
// with why, and stays as it was.
TEST_F(QmDiagTest, ADamagedMachineFileIsNoMachine) {
    const qmtest::Damage damages[] = {qmtest::Damage::Truncated, qmtest::Damage::RandomBytes,
                                      qmtest::Damage::Missing};
    for (const char* name : qmtest::kMachineFiles) {
        for (const qmtest::Damage damage : damages) {
            create("broken");
            const std::string expected = qmtest::damageMachineFile(dir / name, damage);
            const std::string before = readFile(dir / name);
            for (const char* command : {"report", "fix", "undo"}) {
                const std::string what = std::string(name) + " " + qmtest::damageName(damage) + " " + command;
                const Outcome r = run({command});
                EXPECT_EQ(r.status, qmdiag::kExitNoSystem) << what << "\n" << r.out;
                EXPECT_THAT(r.err, HasSubstr("qmdiag: no machine to run on: ")) << what;
                EXPECT_THAT(r.err, HasSubstr(name)) << what;
                EXPECT_THAT(r.err, HasSubstr(expected)) << what;
                EXPECT_EQ(r.out, "") << what;
                EXPECT_EQ(readFile(dir / name), before) << what;
            }
        }
    }
}

// The field names are what scripts and the Wine comparison read.
TEST_F(QmDiagTest, HealthyReportAndItsFields) {
#ifdef _WIN32
    GTEST_SKIP() << "COM on Windows does not reach the emulated machine's server and drives";
#endif
    create("healthy");
    const Outcome text = run({"report"});
    EXPECT_EQ(text.status, qmdiag::kExitHealthy) << text.out;
    EXPECT_THAT(text.out, HasSubstr("Result: healthy\n"));
    EXPECT_THAT(text.out, HasSubstr("    Drive 0 : Quillmark QLD-2400 (E:), Media Imaging Parameter : 12\n"));

    const Outcome r = run({"report", "--json"});
    EXPECT_EQ(r.status, qmdiag::kExitHealthy);
    const auto doc = nlohmann::ordered_json::parse(r.out);
    std::vector<std::string> keys;
    for (const auto& [key, value] : doc.items()) {
        keys.push_back(key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"installed", "installPath", "qmsVersion", "drfVersion",
                                              "qmsSettingsReport", "systemSettingsReport", "drives", "checks",
                                              "guided", "healthy"}));
    std::vector<std::string> checks;
    for (const auto& [key, value] : doc["checks"].items()) {
        checks.push_back(key);
        EXPECT_TRUE(value.is_boolean());
    }
    EXPECT_EQ(checks,
              (std::vector<std::string>{"isQmsInstalled", "hasQuillmarkDrive", "isAllocateCdRomsSet",
                                        "isAutorunOn", "isIntelAcceleratorInstalled", "isIaaFixSet",
                                        "isServiceRunning", "isServiceAutomatic", "isServiceLocalSystem"}));
    EXPECT_EQ(doc["installPath"], "C:\\Program Files\\Common Files\\Quillmark\\");
    EXPECT_EQ(doc["qmsVersion"]["status"], "OK");
    EXPECT_EQ(doc["qmsVersion"]["text"], "3.10.0.7");
    EXPECT_EQ(doc["drfVersion"]["text"], "4.2.0.15");
    EXPECT_EQ(doc["drives"].size(), 2u);
    EXPECT_EQ(doc["guided"]["outcome"], 0);
    EXPECT_EQ(doc["guided"]["wouldAsk"], nlohmann::ordered_json::array());
    EXPECT_EQ(doc["guided"]["status"], "OK" + qmplatform::toUtf8(std::wstring(GuidedCheck::kAllFine)));
    EXPECT_EQ(doc["healthy"], true);
}

// Healthy means nothing at all to report, not only nothing to fix.
TEST_F(QmDiagTest, MessagesWithoutFixesAreProblems) {
    for (const char* sample : {"no-drives", "bare"}) {
        SCOPED_TRACE(sample);
        create(sample);
        const auto doc = json();
        EXPECT_EQ(doc["healthy"], false);
        EXPECT_EQ(run({"report"}).status, qmdiag::kExitProblem);
    }
}

// Reading checks open their keys with create-or-open; the report must not
// leave those keys behind, even on a machine without the QMS.
TEST_F(QmDiagTest, ReportChangesNothing) {
    for (const char* sample : {"bare", "broken"}) {
        SCOPED_TRACE(sample);
        create(sample);
        const std::string before = machineState();
        const Outcome first = run({"report"});
        EXPECT_EQ(first.status, qmdiag::kExitProblem);
        EXPECT_EQ(machineState(), before);
        EXPECT_EQ(run({"report"}).out, first.out);
    }
}

TEST_F(QmDiagTest, BrokenFixedThenUndoneByteForByte) {
#ifdef _WIN32
    GTEST_SKIP() << "COM on Windows does not reach the emulated machine's server and drives";
#endif
    create("broken");
    // The service runs, so that everything the fix changes is a setting it
    // can put back.
    setServiceState("running");
    const Outcome first = run({"report", "--json"});
    ASSERT_EQ(first.status, qmdiag::kExitProblem);
    const Outcome firstText = run({"report"});
    EXPECT_EQ(nlohmann::json::parse(first.out)["guided"]["wouldAsk"],
              nlohmann::json(
                  {"accelerator", "allocatecdroms", "autorun", "service-automatic", "service-localsystem"}));

    const Outcome fixed = run({"fix"});
    EXPECT_EQ(fixed.status, qmdiag::kExitHealthy) << fixed.out;
    EXPECT_EQ(
        fixed.out,
        "changed: accelerator: HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark\\IAA = 1\n"
        "changed: allocatecdroms: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows "
        "NT\\CurrentVersion\\Winlogon\\allocatecdroms = \"0\"\n"
        "changed: autorun: HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\CDRom\\autorun = 1\n"
        "changed: service-automatic: "
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\Start = 2\n"
        "changed: service-localsystem: "
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\ObjectName = "
        "\"LocalSystem\"\n"
        "restart Windows for the changed settings to take effect\n"
        "after the fix: healthy\n"
        "    OK\n"
        "    Your critical Quillmark system settings and drive communications\n"
        "    have been checked and are functioning correctly.\n");
    EXPECT_EQ(run({"report"}).status, qmdiag::kExitHealthy);

    const Outcome undone = run({"undo"});
    EXPECT_EQ(undone.status, 0) << undone.err;
    // Last fix first.
    EXPECT_THAT(undone.out, HasSubstr("restored: HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\"
                                      "QuillmarkService\\ObjectName = \""));
    EXPECT_LT(undone.out.find("ObjectName"), undone.out.find("allocatecdroms"));
    EXPECT_THAT(undone.out, HasSubstr("allocatecdroms = \"1\"\n"));
    EXPECT_EQ(run({"report", "--json"}).out, first.out);
    EXPECT_EQ(run({"report"}).out, firstText.out);
    // The run is taken back whole; there is nothing left to undo.
    EXPECT_EQ(run({"undo"}).status, qmdiag::kExitProblem);
}

// The plain sample, service stopped: the fix starts it and the undo stops it
// again, so the machine reports as it did before the fix.
TEST_F(QmDiagTest, BrokenWithItsServiceStoppedFixedThenUndoneByteForByte) {
#ifdef _WIN32
    GTEST_SKIP() << "COM on Windows does not reach the emulated machine's server and drives";
#endif
    create("broken");
    const Outcome first = run({"report", "--json"});
    const Outcome firstText = run({"report"});
    ASSERT_EQ(first.status, qmdiag::kExitProblem);
    EXPECT_EQ(nlohmann::json::parse(first.out)["checks"]["isServiceRunning"], false);
    const Outcome fixed = run({"fix"});
    EXPECT_EQ(fixed.status, qmdiag::kExitHealthy) << fixed.out;
    EXPECT_THAT(fixed.out,
                HasSubstr("changed: autorun: HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\"
                          "CDRom\\autorun = 1\n"
                          "changed: service-running: QuillmarkService started\n"
                          "changed: service-automatic: "));

    const Outcome undone = run({"undo"});
    ASSERT_EQ(undone.status, 0) << undone.err;
    // Taken back in the reverse order of the fix: the service between the
    // service's settings and autorun.
    EXPECT_THAT(undone.out, HasSubstr("QuillmarkService\\Start = 3\n"
                                      "stopped: QuillmarkService (it was not running before the fix)\n"
                                      "restored: HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\"
                                      "CDRom\\autorun = 0\n"));
    EXPECT_EQ(run({"report", "--json"}).out, first.out);
    EXPECT_EQ(run({"report"}).out, firstText.out);
    EXPECT_EQ(run({"undo"}).status, qmdiag::kExitProblem);
}

// A start a standard user cannot take back stays in the journal for an
// administrator's undo.
TEST_F(QmDiagTest, AStartOnlyAnAdministratorCanTakeBack) {
    create("healthy");
    setServiceState("stopped");
    const Outcome fixed = run({"fix"});
    EXPECT_THAT(fixed.out, ::testing::StartsWith("changed: service-running: QuillmarkService started\n"));
    EXPECT_EQ(fixed.out.find("changed: ", 1), std::string::npos) << fixed.out;
    const auto setAdministrator = [this](bool administrator) {
        const fs::path file = dir / "machine.json";
        nlohmann::ordered_json doc = nlohmann::ordered_json::parse(readFile(file));
        doc["administrator"] = administrator;
        std::ofstream(file) << doc.dump(2);
    };
    setAdministrator(false);
    const Outcome refused = run({"undo"});
    EXPECT_EQ(refused.status, qmdiag::kExitProblem);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "qmdiag: could not stop QuillmarkService; it stays in the journal\n");
    setAdministrator(true);
    const Outcome undone = run({"undo"});
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(undone.out, "stopped: QuillmarkService (it was not running before the fix)\n");
    EXPECT_EQ(json()["checks"]["isServiceRunning"], false);
}

TEST_F(QmDiagTest, NoAdminChangesNothing) {
    create("no-admin");
    const Outcome first = run({"report"});
    ASSERT_EQ(first.status, qmdiag::kExitProblem);
    const std::string before = machineState();
    const Outcome fixed = run({"fix"});
    EXPECT_EQ(fixed.status, qmdiag::kExitProblem);
    EXPECT_THAT(fixed.out, Not(::testing::StartsWith("changed: ")));
    EXPECT_THAT(fixed.out, Not(HasSubstr("\nchanged: ")));
    for (const char* step : {"accelerator", "allocatecdroms", "autorun", "service-running",
                             "service-automatic", "service-localsystem"}) {
        EXPECT_THAT(fixed.out, HasSubstr(std::string("not changed: ") + step + ": ")) << step;
    }
    EXPECT_THAT(fixed.out, Not(HasSubstr("restart Windows")));
    EXPECT_THAT(fixed.out, HasSubstr("after the fix: problem remains\n"));
    EXPECT_EQ(machineState(), before);
    EXPECT_EQ(run({"report"}).out, first.out);
    const Outcome undone = run({"undo"});
    EXPECT_EQ(undone.status, qmdiag::kExitProblem);
    EXPECT_THAT(undone.err, HasSubstr("nothing to undo"));
}

const std::string kJournal = "C:\\users\\quill\\AppData\\Local\\Quillmark\\Diagnostics\\FixJournal.json";

// A journal that cannot be parsed: undo says so and where; fix keeps it
// aside, says so once with both names, and makes every fix, each undoable.
TEST_F(QmDiagTest, AJournalThatCannotBeParsedIsKeptAsideAndCostsNoFix) {
    create("broken");
    const fs::path journal = dir / "drive_c/users/quill/AppData/Local/Quillmark/Diagnostics/FixJournal.json";
    fs::create_directories(journal.parent_path());
    std::ofstream(journal, std::ios::binary) << "{\"version\": 1, \"fixes\": [tru";
    const Outcome refused = run({"undo"});
    EXPECT_EQ(refused.status, qmdiag::kExitProblem);
    EXPECT_EQ(refused.err, "qmdiag: nothing was undone: the fix journal " + kJournal +
                               " cannot be read: it is not a fix journal this program knows\n");
    EXPECT_EQ(refused.out, "");

    const Outcome fixed = run({"fix"});
#ifndef _WIN32 // on Windows the drive check asks the system's COM, not the machine's server
    EXPECT_EQ(fixed.status, qmdiag::kExitHealthy) << fixed.out;
#endif
    const std::string note = "note: The fix journal " + kJournal + " could not be read. It was kept as " +
                             kJournal.substr(0, kJournal.size() - 5) + ".unreadable-";
    EXPECT_THAT(fixed.out, ::testing::StartsWith(note)) << fixed.out;
    EXPECT_EQ(fixed.out.find("note: ", 1), std::string::npos) << "told once\n" << fixed.out;
    EXPECT_THAT(fixed.out, HasSubstr(", and a new journal was started.\nchanged: accelerator: "));
    EXPECT_THAT(fixed.out, Not(HasSubstr("cannot be undone")));
    const Outcome undone = run({"undo"});
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_THAT(undone.out, HasSubstr("restored: HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark\\IAA = 0\n"));
}

// A journal that cannot be written costs no fix: each change is made, and
// each line says that it cannot be undone, and why.
TEST_F(QmDiagTest, AJournalThatCannotBeWrittenCostsNoFix) {
    create("broken");
    const fs::path folder = dir / "drive_c/users/quill/AppData/Local/Quillmark/Diagnostics";
    fs::create_directories(folder.parent_path());
    std::ofstream(folder) << "not a folder";
    const Outcome fixed = run({"fix"});
#ifndef _WIN32 // on Windows the drive check asks the system's COM, not the machine's server
    EXPECT_EQ(fixed.status, qmdiag::kExitHealthy) << fixed.out;
#endif
    const std::string why = " (cannot be undone: the fix journal " + kJournal + " cannot be written)\n";
    for (const char* step : {"accelerator", "allocatecdroms", "autorun", "service-running", "service-automatic",
                             "service-localsystem"}) {
        const std::size_t line = fixed.out.find(std::string("changed: ") + step + ": ");
        ASSERT_NE(line, std::string::npos) << step << "\n" << fixed.out;
        const std::size_t end = fixed.out.find('\n', line);
        EXPECT_EQ(fixed.out.substr(end + 1 - why.size(), why.size()), why) << step;
    }
    EXPECT_EQ(json()["checks"]["isServiceAutomatic"], true);
}

// Fixes made in the window are journalled under the window's run, which
// undo takes back as a whole, and only that run.
TEST_F(QmDiagTest, UndoTakesBackTheLastRunOnly) {
    create("broken");
    setServiceState("running");
    const auto accept = [](std::vector<int> answers) {
        struct Script final : GuidedCheckPrompter {
            std::vector<int> answers;
            std::size_t next = 0;
            int ask(std::wstring_view, std::wstring_view, std::wstring_view) override {
                return next < answers.size() ? answers[next++] : 1;
            }
        };
        auto s = std::make_unique<Script>();
        s->answers = std::move(answers);
        return s;
    };
    std::string error;
    {
        DiagtoolSession window(qmplatform::emulated::makeEmulatedSystem(dir, {}, error));
        auto script = accept({1, 0, 1, 1, 1});
        GuidedCheck(window.checks(), *script).run();
    }
    const auto afterFirstWindow = json();
    EXPECT_EQ(afterFirstWindow["checks"]["isAllocateCdRomsSet"], false);
    {
        DiagtoolSession window(qmplatform::emulated::makeEmulatedSystem(dir, {}, error));
        auto script = accept({1, 0, 0, 1});
        GuidedCheck(window.checks(), *script).run();
    }
    const Outcome undone = run({"undo"});
    ASSERT_EQ(undone.status, 0) << undone.err;
    EXPECT_THAT(undone.out, HasSubstr("autorun"));
    EXPECT_THAT(undone.out, HasSubstr("Start = 3"));
    EXPECT_THAT(undone.out, Not(HasSubstr("allocatecdroms")));
    EXPECT_EQ(json(), afterFirstWindow);
}

} // namespace
