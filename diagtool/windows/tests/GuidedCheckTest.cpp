// The guided check on private copies of the sample machines, the user's
// answers scripted: what is asked in which order, what ends up in the
// status, and what the machine holds afterwards.
#include "SampleMachine.h"

#include "FixJournal.h"
#include "GuidedCheck.h"
#include "WindowsDiagnostics.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <functional>
#include <stdexcept>
#include <utility>

namespace {

using qmtest::SampleMachine;
using Step = GuidedCheck::Step;

// Answers from a script and a record of everything the check showed.
class ScriptedPrompter final : public GuidedCheckPrompter {
public:
    explicit ScriptedPrompter(std::vector<int> answers = {}) : answers_(std::move(answers)) {}
    struct Question {
        std::wstring text, button0, button1;
    };
    std::vector<Question> questions;
    std::vector<std::wstring> redTexts;
    int restartOffers = 0;
    int closeFocuses = 0;

    int ask(std::wstring_view text, std::wstring_view button0, std::wstring_view button1) override {
        questions.push_back({std::wstring(text), std::wstring(button0), std::wstring(button1)});
        if (next_ >= answers_.size()) {
            ADD_FAILURE() << "unexpected question: " << qmplatform::toUtf8(std::wstring(text));
            return 1;
        }
        return answers_[next_++];
    }
    void statusShownRed(std::wstring_view labelText) override { redTexts.emplace_back(labelText); }
    void restartOffered() override { ++restartOffers; }
    void closeFocused() override { ++closeFocuses; }

    // Which step each question belongs to, by what only that question says.
    std::vector<std::string> asked() const {
        static const std::pair<const wchar_t*, const char*> kMarks[] = {
            {L"Intel Application Accelerator", "iaa"},
            {L"AllocateCDRoms", "allocate"},
            {L"Autorun:", "autorun"},
            {L"attempt to start", "start"},
            {L"automatically?", "automatic"},
            {L"LocalSystem?", "localsystem"},
        };
        std::vector<std::string> keys;
        for (const Question& q : questions) {
            std::string key = "?";
            for (const auto& [mark, name] : kMarks) {
                if (q.text.find(mark) != std::wstring::npos) {
                    key = name;
                }
            }
            keys.push_back(key);
        }
        return keys;
    }
    bool allAnswered() const { return next_ == answers_.size(); }

private:
    std::vector<int> answers_;
    std::size_t next_ = 0;
};

DriveCount drives(int count) {
    return [count] { return count; };
}

const std::wstring kDeclined[] = {
    L"Intel Application Accelerator conflict NOT corrected.\nQuillmark may not work.\n",
    L"AllocateCdRoms setting NOT corrected.\nQuillmark may not work.\n",
    L"Autorun setting NOT corrected.\nQuillmark may not work.\n",
};
const std::wstring kCorrected[] = {
    L"Intel Application Accelerator conflict has been corrected.\nA restart is required for the setting to "
    L"take effect, click button below.\n",
    L"AllocateCdRoms setting corrected.\nA restart is required for the setting to take effect, click button "
    L"below.\n",
    L"Autorun setting corrected.\nA restart is required for the setting to take effect, click button "
    L"below.\n",
};
const std::wstring kNotRunning =
    L"The Quillmark service is not running.\nThis prevents Quillmark from operating.\n";
const std::wstring kNotAutomatic =
    L"The Quillmark service is not set to automatic.\nThis prevents Quillmark from operating.\n";
const std::wstring kNotLocalSystem =
    L"The Quillmark service is not set to logon as LocalSystem.\nThis prevents Quillmark from operating.\n";
const std::wstring kAutomaticFailed =
    L"The Quillmark service did not get set to automatic.\nThis prevents Quillmark from operating.\n";
const std::wstring kLocalSystemFailed =
    L"The Quillmark service did not get set to LocalSystem.\nThis prevents Quillmark from operating.\n";
const std::wstring kDidNotStart = L"The Quillmark service did not start\n";
const std::wstring kAllFine(GuidedCheck::kAllFine);

void setText(SampleMachine& m, std::wstring_view key, std::wstring_view name, const std::wstring& text) {
    qmtest::setHklmValue(m.registry(), key, name, &text, nullptr);
}
void setNumber(SampleMachine& m, std::wstring_view key, std::wstring_view name, std::uint32_t number) {
    qmtest::setHklmValue(m.registry(), key, name, nullptr, &number);
}

// The machine's own record of the service, as a fresh start of Windows sees it.
void setServiceState(SampleMachine& m, const char* state) {
    const auto file = m.root / "machine.json";
    nlohmann::ordered_json doc = nlohmann::ordered_json::parse(std::ifstream(file));
    doc["services"]["QuillmarkService"]["state"] = state;
    std::ofstream(file) << doc.dump(2);
    m.reopen();
}

struct Case {
    const char* name;
    const char* machine;
    int driveCount;
    std::function<void(SampleMachine&)> arrange;
    std::vector<int> answers;
    std::vector<std::string> asked;
    int outcome;
    StatusColour colour;
    std::wstring status;
    bool restart;
    std::vector<std::wstring> redTexts;
    std::uint64_t sleeps = 0;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class GuidedCheckRuns : public ::testing::TestWithParam<Case> {};

TEST_P(GuidedCheckRuns, AsksInOrderAndReports) {
    const Case& c = GetParam();
    SampleMachine m(c.machine);
    if (c.arrange) {
        c.arrange(m);
    }
    WindowsDiagnostics checks(m.sys(), drives(c.driveCount));
    ScriptedPrompter prompter(c.answers);
    const GuidedCheck::Result r = GuidedCheck(checks, prompter).run();

    EXPECT_EQ(prompter.asked(), c.asked);
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_TRUE(r.qmsInstalled);
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_EQ(r.colour, c.colour);
    EXPECT_EQ(qmplatform::toUtf8(r.statusText), qmplatform::toUtf8(c.status));
    EXPECT_EQ(r.restartNeeded, c.restart);
    EXPECT_EQ(prompter.restartOffers > 0, c.restart);
    EXPECT_EQ(prompter.closeFocuses, c.status.ends_with(kAllFine) ? 1 : 0);
    EXPECT_EQ(prompter.redTexts, c.redTexts);
    EXPECT_EQ(m.clock->sleepCount(), c.sleeps);
    // The label is the version line(s) and the status.
    const std::wstring versions =
        r.qmsVersion == r.drfVersion
            ? L"QMS Version: " + r.qmsVersion + L"\n"
            : L"QMS Version: " + r.qmsVersion + L"\nDRF Version: " + r.drfVersion + L"\n";
    EXPECT_EQ(r.labelText, versions + L"Status: " + r.statusText);
}

const std::wstring kNoDrive(GuidedCheck::kNoDrive);

INSTANTIATE_TEST_SUITE_P(Samples, GuidedCheckRuns,
                         ::
                             testing::
                                 Values(Case{"HealthyOneDrive",
                                             "healthy",
                                             1,
                                             {},
                                             {},
                                             {},
                                             0,
                                             GuidedCheck::kBlack,
                                             L"OK" + kAllFine,
                                             false,
                                             {}},
                                        Case{"AllocateCdRomsAnsweredOk",
                                             "healthy",
                                             1,
                                             [](SampleMachine& m) {
                                                 setText(m, WindowsDiagnostics::kWinlogonKey,
                                                         L"allocatecdroms", L"1");
                                             },
                                             {0},
                                             {"allocate"},
                                             1,
                                             GuidedCheck::kBlue,
                                             kCorrected[1],
                                             true,
                                             {}},
                                        Case{"AcceleratorAnsweredYes",
                                             "healthy",
                                             1,
                                             [](SampleMachine& m) {
                                                 setText(m, WindowsDiagnostics::kAcceleratorKey, L"Version",
                                                         L"2.3");
                                                 setNumber(m, WindowsDiagnostics::kQuillmarkKey, L"IAA", 0);
                                             },
                                             {0},
                                             {"iaa"},
                                             1,
                                             GuidedCheck::kBlue,
                                             kCorrected[0],
                                             true,
                                             {}},
                                        Case{"AutorunAnsweredOk",
                                             "healthy",
                                             1,
                                             [](SampleMachine& m) {
                                                 setNumber(m, WindowsDiagnostics::kCdRomKey, L"autorun", 0);
                                             },
                                             {0},
                                             {"autorun"},
                                             1,
                                             GuidedCheck::kBlue,
                                             kCorrected[2],
                                             true,
                                             {}},
                                        Case{"AutorunCancelled",
                                             "healthy",
                                             1,
                                             [](SampleMachine& m) {
                                                 setNumber(m, WindowsDiagnostics::kCdRomKey, L"autorun", 0);
                                             },
                                             {1},
                                             {"autorun"},
                                             2,
                                             GuidedCheck::kRed,
                                             kDeclined[2],
                                             false,
                                             {}},
                                        Case{"NoDriveButHealthy",
                                             "healthy",
                                             0,
                                             {},
                                             {},
                                             {},
                                             0,
                                             GuidedCheck::kBlack,
                                             kNoDrive,
                                             false,
                                             {kNoDrive}},
                                        Case{"ServiceAbortedThenNotAutomatic",
                                             "slow-service",
                                             1,
                                             [](SampleMachine& m) {
                                                 setNumber(m, WindowsDiagnostics::kServiceKey, L"Start", 3);
                                             },
                                             {1, 1},
                                             {"start", "automatic"},
                                             2,
                                             GuidedCheck::kRed,
                                             kNotRunning + L"\n" + kNotAutomatic,
                                             false,
                                             {}},
                                        Case{"LogonDeclinedAloneHasNoLeadingLineFeed",
                                             "healthy",
                                             1,
                                             [](SampleMachine& m) {
                                                 setText(m, WindowsDiagnostics::kServiceKey, L"ObjectName",
                                                         L"localsystem");
                                             },
                                             {1},
                                             {"localsystem"},
                                             2,
                                             GuidedCheck::kRed,
                                             kNotLocalSystem,
                                             false,
                                             {}},
                                        Case{"SlowServiceStarts",
                                             "slow-service",
                                             1,
                                             {},
                                             {0},
                                             {"start"},
                                             0,
                                             GuidedCheck::kBlack,
                                             L"OK" + kAllFine,
                                             false,
                                             {},
                                             3},
                                        Case{"DeadServiceDoesNotStart",
                                             "dead-service",
                                             1,
                                             {},
                                             {0},
                                             {"start"},
                                             2,
                                             GuidedCheck::kRed,
                                             kDidNotStart,
                                             false,
                                             {},
                                             10},
                                        Case{"BrokenAllDeclined",
                                             "broken",
                                             1,
                                             {},
                                             {1, 1, 1, 1, 1, 1},
                                             {"iaa", "allocate", "autorun", "start", "automatic",
                                              "localsystem"},
                                             2,
                                             GuidedCheck::kRed,
                                             kDeclined[0] + kDeclined[1] + kDeclined[2] + kNotRunning +
                                                 L"\n" + kNotAutomatic + L"\n" + kNotLocalSystem,
                                             false,
                                             {}},
                                        // Restart-needed fixes and a declined one: the declined one wins.
                                        Case{"BrokenFixedButServiceAborted",
                                             "broken",
                                             1,
                                             {},
                                             {0, 0, 0, 1, 0, 0},
                                             {"iaa", "allocate", "autorun", "start", "automatic",
                                              "localsystem"},
                                             2,
                                             GuidedCheck::kRed,
                                             kCorrected[0] + kCorrected[1] + kCorrected[2] + kNotRunning,
                                             true,
                                             {}},
                                        Case{"BrokenAllAccepted",
                                             "broken",
                                             2,
                                             {},
                                             {0, 0, 0, 0, 0, 0},
                                             {"iaa", "allocate", "autorun", "start", "automatic",
                                              "localsystem"},
                                             1,
                                             GuidedCheck::kBlue,
                                             kCorrected[0] + kCorrected[1] + kCorrected[2],
                                             true,
                                             {}},
                                        // Without administrator rights every fix is refused: none is
                                        // reported corrected and no restart is offered.
                                        Case{"NoAdminAllAccepted",
                                             "no-admin",
                                             1,
                                             {},
                                             {0, 0, 0, 0, 0, 0},
                                             {"iaa", "allocate", "autorun", "start", "automatic",
                                              "localsystem"},
                                             2,
                                             GuidedCheck::kRed,
                                             kDeclined[0] + kDeclined[1] + kDeclined[2] + kDidNotStart +
                                                 L"\n" + kAutomaticFailed + L"\n" + kLocalSystemFailed,
                                             false,
                                             {}},
                                        Case{
                                            "NoAdminOnlyTheLogonAccepted",
                                            "no-admin",
                                            1,
                                            [](SampleMachine& m) { setServiceState(m, "running"); },
                                            {1, 1, 1, 1, 1, 0},
                                            {"iaa", "allocate", "autorun", "start", "automatic",
                                             "localsystem"},
                                            2,
                                            GuidedCheck::kRed,
                                            kDeclined[0] + kDeclined[1] + kDeclined[2] + kNotRunning + L"\n" +
                                                kNotAutomatic + L"\n" + kLocalSystemFailed,
                                            false,
                                            {}},
                                        Case{"VersionsUnreadableAndNoDrive",
                                             "healthy",
                                             0,
                                             [](SampleMachine& m) {
                                                 const auto folder =
                                                     m.root / "drive_c/Program Files/Common Files/Quillmark";
                                                 std::filesystem::remove(folder / "QMCMHT.dll");
                                                 std::filesystem::remove(folder / "res/drfVersion.dll");
                                             },
                                             {},
                                             {},
                                             0,
                                             GuidedCheck::kBlack,
                                             kNoDrive + L"\n" +
                                                 std::wstring(WindowsDiagnostics::kQmsVersionError) + L"\n" +
                                                 std::wstring(WindowsDiagnostics::kDrfVersionError),
                                             false,
                                             {kNoDrive}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GuidedCheck, QuestionsAndButtonsAsShown) {
    SampleMachine m("broken");
    WindowsDiagnostics checks(m.sys(), drives(1));
    ScriptedPrompter prompter({1, 1, 1, 1, 1, 1});
    GuidedCheck(checks, prompter).run();
    const std::vector<std::vector<std::wstring>> expected = {
        {L"The Intel Application Accelerator application is found to be installed on your computer;\nThis is "
         L"known to cause conflicts with Quillmark operation.\nA Quillmark registry setting change can "
         L"correct "
         L"this conflict.\nDo you want to correct this conflict?\n",
         L"Yes", L"No"},
        {L"A system registry setting needs to be corrected for Quillmark to\nfunction properly. New "
         L"value:\n\tAllocateCDRoms: 0 (default value)\nYou will need to restart afterwards.\n",
         L"OK", L"Cancel"},
        {L"A system registry setting needs to be corrected for Quillmark to\nfunction properly. New "
         L"value:\n\tAutorun: 1 (default value)\nYou will need to restart afterwards.\n",
         L"OK", L"Cancel"},
        {L"The Quillmark service is not running.\nThis prevents Quillmark from operating.\nDo you want to "
         L"attempt "
         L"to start the service?\n",
         L"Start Service", L"Abort"},
        {L"The Quillmark service is not set to automatically start.\nThis will prevent Quillmark from "
         L"operating.\nDo you want to set it to start automatically?\n",
         L"Yes", L"No"},
        {L"The Quillmark service is not set to logon as LocalSystem.\nThis will prevent Quillmark from "
         L"operating.\nDo you want to set it to logon as LocalSystem?\n",
         L"Yes", L"No"},
    };
    ASSERT_EQ(prompter.questions.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(prompter.questions[i].text, expected[i][0]) << i;
        EXPECT_EQ(prompter.questions[i].button0, expected[i][1]) << i;
        EXPECT_EQ(prompter.questions[i].button1, expected[i][2]) << i;
    }
}

TEST(GuidedCheck, WithoutTheQmsNothingIsAsked) {
    SampleMachine m("bare");
    bool counted = false;
    WindowsDiagnostics checks(m.sys(), [&] {
        counted = true;
        return 1;
    });
    ScriptedPrompter prompter;
    const GuidedCheck::Result r = GuidedCheck(checks, prompter).run();
    EXPECT_FALSE(r.qmsInstalled);
    EXPECT_EQ(r.labelText, GuidedCheck::kNotInstalled);
    EXPECT_EQ(r.colour, GuidedCheck::kRed);
    EXPECT_EQ(prompter.redTexts, std::vector<std::wstring>{std::wstring(GuidedCheck::kNotInstalled)});
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_FALSE(counted) << "no drive is looked for without the QMS";
}

TEST(GuidedCheck, EqualVersionTextsShowOneLine) {
    SampleMachine m("same-versions");
    WindowsDiagnostics checks(m.sys(), drives(1));
    ScriptedPrompter prompter;
    const GuidedCheck::Result r = GuidedCheck(checks, prompter).run();
    ASSERT_FALSE(r.qmsVersion.empty());
    EXPECT_EQ(r.qmsVersion, r.drfVersion);
    EXPECT_EQ(r.labelText, L"QMS Version: " + r.qmsVersion + L"\nStatus: OK" + kAllFine);
}

TEST(GuidedCheck, LabellingFailureCountsAsNoDrive) {
    SampleMachine m("healthy");
    WindowsDiagnostics checks(m.sys(), []() -> int { throw std::runtime_error("server gone"); });
    ScriptedPrompter prompter;
    const GuidedCheck::Result r = GuidedCheck(checks, prompter).run();
    EXPECT_FALSE(r.driveFound);
    EXPECT_EQ(r.statusText, kNoDrive);
}

TEST(GuidedCheck, FixesOfOneRunAreFoundHealthyInTheNext) {
    SampleMachine m("broken");
    MemoryFixJournal journal;
    {
        WindowsDiagnostics checks(m.sys(), drives(1), &journal);
        ScriptedPrompter prompter({0, 0, 0, 0, 0, 0});
        const GuidedCheck::Result r = GuidedCheck(checks, prompter).run();
        EXPECT_EQ(r.outcome, GuidedCheck::kRestartNeeded);
        for (const GuidedCheck::Fix& fix : r.fixes) {
            EXPECT_TRUE(fix.accepted && fix.made)
                << qmplatform::toUtf8(std::wstring(GuidedCheck::stepName(fix.step)));
        }
        EXPECT_EQ(r.fixes.size(), 6u);
    }
    // Five settings were written and the stopped service was started, each
    // recorded first, in the order the check made them.
    ASSERT_EQ(journal.records().size(), 6u);
    EXPECT_EQ(journal.records()[3].kind, FixKind::ServiceStart);
    EXPECT_EQ(journal.records()[3].service, L"QuillmarkService");
    EXPECT_EQ(journal.records()[2].valueName, L"autorun");
    m.reopen();
    WindowsDiagnostics checks(m.sys(), drives(1));
    ScriptedPrompter prompter;
    const GuidedCheck::Result r = GuidedCheck(checks, prompter).run();
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(r.outcome, GuidedCheck::kFine);
    EXPECT_EQ(r.statusText, L"OK" + kAllFine);
}

} // namespace

namespace {

// Every accepted fix on a machine whose journal keeps nothing is still made;
// the result marks each as one that cannot be undone and says why once.
TEST(GuidedCheck, FixesTheJournalCannotKeepAreMadeAndMarked) {
    struct Refusing final : FixJournal {
        bool append(const FixRecord&) override { return false; }
        bool last(FixRecord&) const override { return false; }
        bool dropLast() override { return false; }
        std::wstring problem() const override { return L"the fix journal X cannot be written"; }
        std::wstring takeNotice() override { return std::exchange(notice, {}); }
        std::wstring notice = L"kept aside";
    };
    for (const bool keeps : {false, true}) {
        SampleMachine m("broken");
        Refusing refusing;
        MemoryFixJournal memory;
        FixJournal& journal = keeps ? static_cast<FixJournal&>(memory) : refusing;
        WindowsDiagnostics checks(m.sys(), drives(1), &journal);
        ScriptedPrompter prompter({0, 0, 0, 0, 0, 0});
        const GuidedCheck::Result result = GuidedCheck(checks, prompter).run();
        ASSERT_EQ(result.fixes.size(), 6u);
        for (const GuidedCheck::Fix& fix : result.fixes) {
            EXPECT_TRUE(fix.made) << qmplatform::toUtf8(GuidedCheck::stepName(fix.step));
            EXPECT_EQ(fix.unrecorded, !keeps) << qmplatform::toUtf8(GuidedCheck::stepName(fix.step));
        }
        EXPECT_EQ(result.outcome, GuidedCheck::kRestartNeeded);
        EXPECT_EQ(result.journalProblem, keeps ? L"" : L"the fix journal X cannot be written");
        EXPECT_EQ(result.journalNotice, keeps ? L"" : L"kept aside");
        EXPECT_EQ(memory.records().size(), keeps ? 6u : 0u);
    }
}

} // namespace
