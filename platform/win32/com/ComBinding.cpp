// Real COM reads the system's registry and loads with the system's loader; a
// binding is kept only so that callers can set and read it alike everywhere.
#include "platform/com/ComRuntime.h"

#include "platform/System.h"

#include <mutex>

namespace qmplatform::com {

namespace {

std::mutex bindingMutex;
RuntimeBinding currentBinding;

} // namespace

RuntimeBinding bindRuntime(const RuntimeBinding& binding) {
    const std::lock_guard lock(bindingMutex);
    const RuntimeBinding previous = currentBinding;
    currentBinding = binding;
    return previous;
}

RuntimeBinding bindRuntime(System& system) {
    return bindRuntime(RuntimeBinding{&system.registry(), &system.libraries(), &system.environment()});
}

RuntimeBinding currentRuntimeBinding() {
    const std::lock_guard lock(bindingMutex);
    return currentBinding;
}

bool runtimeIsEmulated() {
    return false;
}

} // namespace qmplatform::com
