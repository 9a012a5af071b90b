#pragma once

// The guided check of the simple view without a window: the installation,
// the drive, the versions, then each Windows setting and the service, asking
// before every fix. The order, the questions and the texts are the ones the
// user sees; a widget or a command line only supplies the answers and shows
// what comes back.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class WindowsDiagnostics;

// What the check needs from whoever shows it.
class GuidedCheckPrompter {
public:
    virtual ~GuidedCheckPrompter() = default;
    // One question with two buttons; 0 or 1 (closing the box counts as 1).
    virtual int ask(std::wstring_view text, std::wstring_view button0, std::wstring_view button1) = 0;
    // The status is shown red at once: the QMS is missing (the check ends)
    // or no drive answers (the check goes on, this stays until the end).
    virtual void statusShownRed(std::wstring_view labelText) { (void)labelText; }
    // A fix that takes effect after a restart was made: the restart button
    // is shown and takes the focus.
    virtual void restartOffered() {}
    // Everything is fine: "Close" takes the focus.
    virtual void closeFocused() {}
    // Every text the user sees passes through here first, as its source
    // text (the questions, the button texts, each message and each part of
    // the status): a window hands them to its translation function.
    virtual std::wstring translate(std::wstring_view source) const { return std::wstring(source); }
};

struct StatusColour {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const StatusColour&) const = default;
};

class GuidedCheck {
public:
    // Outcome of a settings check and of the whole run.
    static constexpr int kFine = 0;
    static constexpr int kRestartNeeded = 1;
    static constexpr int kProblemRemains = 2;

    static constexpr StatusColour kRed{255, 0, 0};
    static constexpr StatusColour kBlack{0, 0, 0};
    static constexpr StatusColour kBlue{0, 0, 255};

    static constexpr std::wstring_view kOk = L"OK";
    static constexpr std::wstring_view kNotInstalled =
        L"Quillmark System Software not installed, click the 'Get Quillmark System Software' button below";
    static constexpr std::wstring_view kNoDrive = L"No Quillmark Drive detected";
    static constexpr std::wstring_view kQmsVersionLabel = L"QMS Version: ";
    static constexpr std::wstring_view kDrfVersionLabel = L"DRF Version: ";
    static constexpr std::wstring_view kStatusLabel = L"Status: ";
    static constexpr std::wstring_view kAllFine =
        L"\nYour critical Quillmark system settings and drive communications\nhave been checked and are "
        L"functioning correctly.";

    // The settings and service steps, in the order they run.
    enum class Step : std::uint8_t {
        Accelerator,
        AllocateCdRoms,
        Autorun,
        ServiceRunning,
        ServiceAutomatic,
        ServiceLocalSystem,
    };

    // A question that was asked and what became of it.
    struct Fix {
        Step step;
        bool accepted = false;
        // The system took the change (and, for the service, the re-check
        // found it so).
        bool made = false;
        // Made, but the fix journal could not record it: it cannot be undone.
        bool unrecorded = false;
        bool operator==(const Fix&) const = default;
    };

    struct Result {
        // False: the QMS is not installed and nothing else was looked at.
        bool qmsInstalled = false;
        bool driveFound = false;
        std::wstring qmsVersion;
        std::wstring drfVersion;
        std::wstring statusText;
        int outcome = kFine;
        StatusColour colour = kBlack;
        bool restartNeeded = false;
        // The whole text of the status label.
        std::wstring labelText;
        std::vector<Fix> fixes;
        // Why the fixes marked unrecorded cannot be undone; empty when all
        // could be.
        std::wstring journalProblem;
        // What the fix journal has to tell the user once (a journal that
        // could not be read was put aside and a new one started).
        std::wstring journalNotice;
    };

    static StatusColour colourOf(int outcome);
    // The name a step goes by in reports ("allocatecdroms", "service-start", ...).
    static std::wstring_view stepName(Step step);

    GuidedCheck(WindowsDiagnostics& checks, GuidedCheckPrompter& prompter)
        : checks_(checks), prompter_(prompter) {}

    Result run();

private:
    int registryStep(Step step, Result& result);
    int serviceSteps(Result& result);

    WindowsDiagnostics& checks_;
    GuidedCheckPrompter& prompter_;
};
