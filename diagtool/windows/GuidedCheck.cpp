#include "GuidedCheck.h"

#include "WindowsDiagnostics.h"

#include <iterator>

namespace {

using Step = GuidedCheck::Step;

// The three registry settings are asked about the same way: a question
// when the setting is wrong, a fix that needs a restart, and a message for
// either answer.
struct RegistryStep {
    Step step;
    std::wstring_view name;
    bool (*needsFix)(const WindowsDiagnostics&);
    bool (*fix)(WindowsDiagnostics&);
    std::wstring_view question;
    std::wstring_view accept;
    std::wstring_view decline;
    std::wstring_view corrected;
    std::wstring_view notCorrected;
};

constexpr RegistryStep kRegistrySteps[] = {
    {Step::Accelerator, L"accelerator",
     [](const WindowsDiagnostics& c) { return c.isIntelAcceleratorInstalled() && !c.isIaaFixSet(); },
     [](WindowsDiagnostics& c) { return c.setIaaFix(true); },
     L"The Intel Application Accelerator application is found to be installed on your computer;\nThis is "
     L"known to cause conflicts with Quillmark operation.\nA Quillmark registry setting change can correct "
     L"this conflict.\nDo you want to correct this conflict?\n",
     L"Yes", L"No",
     L"Intel Application Accelerator conflict has been corrected.\nA restart is required for the setting to "
     L"take effect, click button below.\n",
     L"Intel Application Accelerator conflict NOT corrected.\nQuillmark may not work.\n"},
    {Step::AllocateCdRoms, L"allocatecdroms",
     [](const WindowsDiagnostics& c) { return c.isAllocateCdRomsSet(); },
     [](WindowsDiagnostics& c) { return c.setAllocateCdRoms(false); },
     L"A system registry setting needs to be corrected for Quillmark to\nfunction properly. New "
     L"value:\n\tAllocateCDRoms: 0 (default value)\nYou will need to restart afterwards.\n",
     L"OK", L"Cancel",
     L"AllocateCdRoms setting corrected.\nA restart is required for the setting to take effect, click button "
     L"below.\n",
     L"AllocateCdRoms setting NOT corrected.\nQuillmark may not work.\n"},
    {Step::Autorun, L"autorun", [](const WindowsDiagnostics& c) { return !c.isAutorunOn(); },
     [](WindowsDiagnostics& c) { return c.setAutorun(true); },
     L"A system registry setting needs to be corrected for Quillmark to\nfunction properly. New "
     L"value:\n\tAutorun: 1 (default value)\nYou will need to restart afterwards.\n",
     L"OK", L"Cancel",
     L"Autorun setting corrected.\nA restart is required for the setting to take effect, click button "
     L"below.\n",
     L"Autorun setting NOT corrected.\nQuillmark may not work.\n"},
};

constexpr std::wstring_view kStartQuestion =
    L"The Quillmark service is not running.\nThis prevents Quillmark "
    L"from operating.\nDo you want to attempt to start the service?\n";
constexpr std::wstring_view kStartAccept = L"Start Service";
constexpr std::wstring_view kStartDecline = L"Abort";
constexpr std::wstring_view kDidNotStart = L"The Quillmark service did not start\n";
constexpr std::wstring_view kNotRunning =
    L"The Quillmark service is not running.\nThis prevents Quillmark from operating.\n";

// The two service settings: a question, a fix checked again after it is
// made, and the message when it stays wrong.
struct ServiceSetting {
    Step step;
    std::wstring_view name;
    bool (*isSet)(const WindowsDiagnostics&);
    void (*fix)(WindowsDiagnostics&);
    std::wstring_view question;
    std::wstring_view declined;
    std::wstring_view failed;
};

constexpr ServiceSetting kServiceSettings[] = {
    {Step::ServiceAutomatic, L"service-automatic",
     [](const WindowsDiagnostics& c) { return c.isServiceAutomatic(); },
     [](WindowsDiagnostics& c) { (void)c.setServiceAutomatic(); },
     L"The Quillmark service is not set to automatically start.\nThis will prevent Quillmark from "
     L"operating.\nDo you want to set it to start automatically?\n",
     L"The Quillmark service is not set to automatic.\nThis prevents Quillmark from operating.\n",
     L"The Quillmark service did not get set to automatic.\nThis prevents Quillmark from operating.\n"},
    {Step::ServiceLocalSystem, L"service-localsystem",
     [](const WindowsDiagnostics& c) { return c.isServiceLocalSystem(); },
     [](WindowsDiagnostics& c) { (void)c.setServiceLocalSystem(); },
     L"The Quillmark service is not set to logon as LocalSystem.\nThis will prevent Quillmark from "
     L"operating.\nDo you want to set it to logon as LocalSystem?\n",
     L"The Quillmark service is not set to logon as LocalSystem.\nThis prevents Quillmark from operating.\n",
     L"The Quillmark service did not get set to LocalSystem.\nThis prevents Quillmark from operating.\n"},
};

constexpr std::wstring_view kYes = L"Yes";
constexpr std::wstring_view kNo = L"No";

void merge(std::wstring& status, std::wstring_view message) {
    if (status == GuidedCheck::kOk) {
        status = message;
    } else {
        status += message;
    }
}

// The version errors and the missing drive go on a line of their own when
// something is already in the status.
void mergeLine(std::wstring& status, std::wstring_view message) {
    if (status == GuidedCheck::kOk) {
        status = message;
    } else {
        status += L'\n';
        status += message;
    }
}

} // namespace

StatusColour GuidedCheck::colourOf(int outcome) {
    switch (outcome) {
    case kFine:
        return kBlack;
    case kRestartNeeded:
        return kBlue;
    default:
        return kRed;
    }
}

std::wstring_view GuidedCheck::stepName(Step step) {
    for (const RegistryStep& s : kRegistrySteps) {
        if (s.step == step) {
            return s.name;
        }
    }
    for (const ServiceSetting& s : kServiceSettings) {
        if (s.step == step) {
            return s.name;
        }
    }
    return L"service-running";
}

int GuidedCheck::registryStep(Step step, Result& result) {
    const RegistryStep* s = std::begin(kRegistrySteps);
    while (s->step != step) {
        ++s;
    }
    if (!s->needsFix(checks_)) {
        return kFine;
    }
    Fix fix{step};
    fix.accepted = prompter_.ask(prompter_.translate(s->question), prompter_.translate(s->accept),
                                 prompter_.translate(s->decline)) == 0;
    // A setting the system refused to write is not corrected, whatever the
    // user answered: saying so, and not offering a restart that would change
    // nothing, is the only honest report.
    fix.made = fix.accepted && s->fix(checks_);
    fix.unrecorded = fix.made && !checks_.lastFixRecorded();
    result.fixes.push_back(fix);
    if (!fix.made) {
        merge(result.statusText, prompter_.translate(s->notCorrected));
        return kProblemRemains;
    }
    result.restartNeeded = true;
    prompter_.restartOffered();
    merge(result.statusText, prompter_.translate(s->corrected));
    return kRestartNeeded;
}

int GuidedCheck::serviceSteps(Result& result) {
    int outcome = kFine;
    std::wstring message(kOk);
    if (!checks_.isServiceRunning()) {
        Fix fix{Step::ServiceRunning};
        fix.accepted = prompter_.ask(prompter_.translate(kStartQuestion), prompter_.translate(kStartAccept),
                                     prompter_.translate(kStartDecline)) == 0;
        if (fix.accepted) {
            fix.made = checks_.startService();
            fix.unrecorded = fix.made && !checks_.lastFixRecorded();
            if (!fix.made) {
                message = prompter_.translate(kDidNotStart);
                outcome = kProblemRemains;
            }
        } else {
            message = prompter_.translate(kNotRunning);
            outcome = kProblemRemains;
        }
        result.fixes.push_back(fix);
    }
    for (const ServiceSetting& s : kServiceSettings) {
        if (s.isSet(checks_)) {
            continue;
        }
        Fix fix{s.step};
        fix.accepted =
            prompter_.ask(prompter_.translate(s.question), prompter_.translate(kYes), prompter_.translate(kNo)) == 0;
        if (fix.accepted) {
            s.fix(checks_);
            const bool recorded = checks_.lastFixRecorded();
            fix.made = s.isSet(checks_);
            fix.unrecorded = fix.made && !recorded;
        }
        result.fixes.push_back(fix);
        if (fix.made) {
            continue;
        }
        // An accepted fix that did not take (no administrator rights, most
        // often) gets the "did not get set to ..." message alone, not the
        // "not set to ..." one of a declined fix: the user learns that the
        // change failed, and that answering "Yes" again will not help.
        const std::wstring text = prompter_.translate(fix.accepted ? s.failed : s.declined);
        if (outcome == kProblemRemains) {
            message += L'\n';
            message += text;
        } else {
            message = text;
        }
        outcome = kProblemRemains;
    }
    if (message != kOk) {
        merge(result.statusText, message);
    }
    return outcome;
}

GuidedCheck::Result GuidedCheck::run() {
    Result result;
    result.statusText = kOk;
    result.qmsInstalled = checks_.isQmsInstalled();
    if (!result.qmsInstalled) {
        result.statusText = prompter_.translate(kNotInstalled);
        result.labelText = result.statusText;
        result.outcome = kProblemRemains;
        result.colour = kRed;
        prompter_.statusShownRed(result.labelText);
        return result;
    }

    result.driveFound = checks_.hasQuillmarkDrive();
    if (!result.driveFound) {
        const std::wstring noDrive = prompter_.translate(kNoDrive);
        prompter_.statusShownRed(noDrive);
        mergeLine(result.statusText, noDrive);
    }

    const std::wstring qmsStatus = checks_.getQmsVersion(result.qmsVersion);
    if (qmsStatus != WindowsDiagnostics::kOk) {
        mergeLine(result.statusText, prompter_.translate(qmsStatus));
    }
    const std::wstring drfStatus = checks_.getDrfVersion(result.drfVersion);
    if (drfStatus != WindowsDiagnostics::kOk) {
        mergeLine(result.statusText, prompter_.translate(drfStatus));
    }

    const int accelerator = registryStep(Step::Accelerator, result);
    const int allocateCdRoms = registryStep(Step::AllocateCdRoms, result);
    const int autorun = registryStep(Step::Autorun, result);
    const int service = serviceSteps(result);

    if (service == kProblemRemains || allocateCdRoms == kProblemRemains || accelerator == kProblemRemains ||
        autorun == kProblemRemains) {
        result.outcome = kProblemRemains;
    } else if (autorun == kRestartNeeded || allocateCdRoms == kRestartNeeded ||
               accelerator == kRestartNeeded) {
        result.outcome = kRestartNeeded;
    } else {
        result.outcome = kFine;
    }
    result.colour = colourOf(result.outcome);
    for (const Fix& fix : result.fixes) {
        if (fix.unrecorded) {
            result.journalProblem = checks_.journalProblem();
            break;
        }
    }
    result.journalNotice = checks_.takeJournalNotice();

    // "OK" marks a status nothing was merged into; it is shown translated.
    if (result.statusText == kOk) {
        result.statusText = prompter_.translate(kOk) + prompter_.translate(kAllFine);
        prompter_.closeFocused();
    }

    result.labelText = prompter_.translate(kQmsVersionLabel) + result.qmsVersion + L"\n";
    if (result.qmsVersion != result.drfVersion) {
        result.labelText += prompter_.translate(kDrfVersionLabel) + result.drfVersion + L"\n";
    }
    result.labelText += prompter_.translate(kStatusLabel) + result.statusText;
    return result;
}
