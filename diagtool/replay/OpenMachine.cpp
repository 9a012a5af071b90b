#include "diagtool/replay/OpenMachine.h"

#include "platform/machine/EmulatedSystem.h"

namespace qmreplay {

std::unique_ptr<OpenMachine> OpenMachine::openDefault(std::string& error) {
    std::unique_ptr<qmplatform::System> system = qmplatform::makeDefaultSystem(error);
    if (!system) {
        return nullptr;
    }
    std::unique_ptr<OpenMachine> open(new OpenMachine);
    open->session_ = std::make_unique<DiagtoolSession>(std::move(system));
    return open;
}

std::unique_ptr<OpenMachine> OpenMachine::openBundle(std::unique_ptr<BundleMachine> bundle, std::string& error) {
    std::unique_ptr<OpenMachine> open(new OpenMachine);
    open->bundle_ = std::move(bundle);
    std::unique_ptr<qmplatform::System> system = open->openSystem(error);
    if (!system) {
        return nullptr;
    }
    open->session_ = std::make_unique<DiagtoolSession>(std::move(system));
    return open;
}

OpenMachine::~OpenMachine() {
    // The session's COM objects and loaded modules live in the folder.
    session_.reset();
    bundle_.reset();
}

std::unique_ptr<qmplatform::System> OpenMachine::openSystem(std::string& error) const {
    if (bundle_) {
        return qmplatform::emulated::makeEmulatedSystem(bundle_->folder(), {}, error);
    }
    return qmplatform::makeDefaultSystem(error);
}

std::string OpenMachine::bundleName() const {
    return bundle_ ? bundle_->bundleFile().filename().string() : std::string();
}

} // namespace qmreplay
