#include "platform/ProgramVersion.h"

namespace qmplatform {

namespace {
// Read-only data of the program, set once before main by its generated source.
const ProgramVersionDescription* registered = nullptr;
} // namespace

const ProgramVersionDescription* programVersion() {
    return registered;
}

ProgramVersionRegistration::ProgramVersionRegistration(const ProgramVersionDescription& description) {
    registered = &description;
}

} // namespace qmplatform
