#include "CMediaprobeApp.h"

#include "CMediaprobeDlg.h"
#include "ProbeApp.h"

namespace probe {

int CMediaprobeApp::initInstance() {
    return runProbeApplication(kMediaprobe, [](qmplatform::System& system, ProbePrompter& prompter) {
        return std::make_unique<CMediaprobeDlg>(prompter, systemBindings(system),
                                                systemAboutText(kMediaprobe, system));
    });
}

} // namespace probe
