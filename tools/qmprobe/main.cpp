#include "QmProbeCommand.h"

#include "platform/System.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::unique_ptr<qmplatform::System> system = qmplatform::makeDefaultSystem();
    if (!system) {
        std::cerr << "qmprobe: no system to run on (see QUILLMARK_SYSROOT)\n";
        return qmprobe::kExitEngineFailure;
    }
    return qmprobe::runQmProbe(args, {system->libraries(), system->files(), system->environment()}, std::cout,
                               std::cerr);
}
