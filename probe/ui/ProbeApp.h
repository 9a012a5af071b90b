// The start of both programs (InitInstance): PATH for the engine, the
// framework's registry key, the warning notice, then the dialog, modal.
#pragma once

#include "probe/ProbeController.h"

#include <QString>

#include <functional>
#include <memory>

namespace qmplatform {
class System;
}

namespace probe {

class ProbeDialog;

// The message boxes of the running program, captioned with its title.
class WidgetPrompter final : public ProbePrompter {
public:
    explicit WidgetPrompter(const ToolProfile& profile) : profile_(profile) {}
    void message(std::string_view text) override;
    // The warning notice: OK / Cancel with the exclamation icon; true for OK.
    bool acceptNotice();

private:
    const ToolProfile& profile_;
};

using DialogFactory = std::function<std::unique_ptr<ProbeDialog>(qmplatform::System&, ProbePrompter&)>;

// Runs the program; its exit code. The program ends when the dialog closes
// or the notice is cancelled.
int runProbeApplication(const ToolProfile& profile, const DialogFactory& makeDialog);

// The binding factory and about text of a dialog on the given system.
BindingFactory systemBindings(qmplatform::System& system);
std::string systemAboutText(const ToolProfile& profile, qmplatform::System& system);

} // namespace probe
