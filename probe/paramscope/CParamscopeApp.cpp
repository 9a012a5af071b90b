#include "CParamscopeApp.h"

#include "CParamscopeDlg.h"
#include "ProbeApp.h"

namespace probe {

int CParamscopeApp::initInstance() {
    return runProbeApplication(kParamscope, [](qmplatform::System& system, ProbePrompter& prompter) {
        return std::make_unique<CParamscopeDlg>(prompter, systemBindings(system),
                                                systemAboutText(kParamscope, system));
    });
}

} // namespace probe
